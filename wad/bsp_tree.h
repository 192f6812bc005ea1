// The BSP tree as the walk reads it, built at load from whichever of the map's
// node lumps holds one.
#pragma once
#include <cstdint>
#include <optional>
#include <span>

#include "wad/level.h"

// GL_VERT, GL_SEGS, GL_SSECT and GL_NODES, empty where the map has none.
struct GlLumps {
    std::span<const uint8_t> vert, segs, ssect, nodes;
};

struct TreeLumps {
    std::span<const uint8_t> segs, subsectors, nodes;  // SEGS, SSECTORS, NODES
    GlLumps gl;
    bool emptyIsClassic = false;  // no tree anywhere reads as the classic tree of no nodes
};

// Fills the level's tree (segVertexes, segs, subsectors, nodes, rootReference,
// tree) from the first of these that holds one: NODES (extended nodes by their
// signature, else classic records with SEGS and SSECTORS); extended GL nodes in
// SSECTORS; classic records in SEGS and SSECTORS alone; the GL_ lumps. With none,
// tree stays kNone, or with emptyIsClassic is the classic tree of no nodes. The level's vertexes must be read first. A problem names
// what keeps the tree from being read, such as "DeePBSP nodes (xNd4)".
Status BuildBspTree(Level& level, const TreeLumps& lumps);

// A lump that starts with an extended tree's signature (XNOD, ZNOD, XGLN, XGL2,
// XGL3, ZGLN, ZGL2, ZGL3, or the refused xNd4) read into the level's tree; none
// when the lump starts with none of them.
std::optional<Status> ReadSignedNodes(std::span<const uint8_t> lump, Level& level);
