// GL nodes in the GL_ lumps that follow a map's GL_ marker: versions 2 ("gNd2")
// and 5 ("gNd5"); other versions are named and refused.
#pragma once
#include <cstdint>
#include <span>

#include "wad/level.h"

// Fills the level's tree (segVertexes, segs, subsectors, nodes, rootReference,
// tree) from GL_VERT, GL_SEGS, GL_SSECT and GL_NODES. The level's vertexes must
// be read first. A problem names what keeps the tree from being read.
Status ReadGlLumps(std::span<const uint8_t> vert, std::span<const uint8_t> segs, std::span<const uint8_t> ssect,
                   std::span<const uint8_t> nodes, Level& level);
