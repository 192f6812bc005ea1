// The BSP tree as the walk reads it, built at load from the map's node lumps.
#pragma once
#include <cstdint>
#include <span>

#include "wad/level.h"

// Fills the level's tree (segVertexes, segs, subsectors, nodes, rootReference)
// from the NODES lump: extended nodes when it starts with "XNOD" or "ZNOD",
// otherwise classic records together with SEGS and SSECTORS. The level's
// vertexes must be read first. A problem names what keeps the tree from being
// read, such as "GL nodes (XGLN)".
Status BuildBspTree(Level& level, std::span<const uint8_t> segs, std::span<const uint8_t> subsectors,
                    std::span<const uint8_t> nodes);

// Reads a lump that starts with an extended signature ("XNOD", "ZNOD", "XGLN",
// "ZGLN", "XGL2", "ZGL2", "XGL3" or "ZGL3") into the level's tree and sets
// level.tree to that form. The level's vertexes must be read first. A lump
// with none of these signatures is a problem, as is one whose data is wrong.
Status ReadExtendedNodeLump(std::span<const uint8_t> lump, Level& level);
