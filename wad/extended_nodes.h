// Extended nodes, as node builders write them when a map outgrows the classic
// records: "XNOD", and "ZNOD", the same data as one zlib stream; and extended GL
// nodes, "XGLN", "XGL2", "XGL3" and their zlib forms "ZGLN", "ZGL2", "ZGL3".
#pragma once
#include <cstddef>
#include <cstdint>
#include <vector>

#include "wad/level.h"

// A ZNOD stream is refused once it inflates past this: far more than the
// largest map the format can describe with 16-bit linedefs needs.
constexpr size_t kMaxInflatedNodeBytes = size_t(64) << 20;

// Reads the data that follows the signature into the level's tree, as `format`
// (kXnod, kXgln, kXgl2 or kXgl3; a compressed form's data once inflated) lays
// it out. A GL seg ends where the next seg of
// its subsector starts; its linedef is kNoLinedef for a miniseg. Trailing bytes
// are ignored. A problem says what is wrong with the data.
Status ReadExtendedNodes(TreeFormat format, const uint8_t* data, size_t size, Level& level);

// Inflates the zlib stream that follows "ZNOD" or "ZGL*"; never holds more than
// kMaxInflatedNodeBytes. A problem says what is wrong with the stream.
Result<std::vector<uint8_t>> InflateNodes(const uint8_t* data, size_t size);
