// Extended nodes, as node builders write them when a map outgrows the classic
// records: "XNOD", and "ZNOD", the same data as one zlib stream.
#pragma once
#include <cstddef>
#include <cstdint>
#include <vector>

#include "wad/level.h"

// A ZNOD stream is refused once it inflates past this: far more than the
// largest map the format can describe with 16-bit linedefs needs.
constexpr size_t kMaxInflatedNodeBytes = size_t(64) << 20;

// Reads the data that follows "XNOD" into the level's tree. Trailing bytes are
// ignored. A problem says what is wrong with the data.
Status ReadExtendedNodes(const uint8_t* data, size_t size, Level& level);

// Inflates the zlib stream that follows "ZNOD"; never holds more than
// kMaxInflatedNodeBytes. A problem says what is wrong with the stream.
Result<std::vector<uint8_t>> InflateNodes(const uint8_t* data, size_t size);
