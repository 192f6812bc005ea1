// A map's records as the viewer uses them, whatever format the file holds them
// in: positions in map units (whole numbers in Doom-format maps), indices that
// may name nothing (the readers keep them as the file has them, and their users
// skip what names nothing), and the BSP tree widened to one form for every node format.
#pragma once
#include <cstdint>

struct MapVertex {
    double x, y;
};

struct MapLinedef {
    int32_t startVertex, endVertex;    // into the level's vertexes
    int32_t frontSidedef, backSidedef;  // into its sidedefs; backSidedef -1 for a one-sided line
};

struct MapThing {
    double x, y;
    int32_t angle;  // facing, whole degrees
    int32_t type;   // selects the marker
};

struct MapSidedef {
    int32_t sector;
};

struct MapSector {
    int32_t floorHeight, ceilingHeight;
};

// A seg of any node format: the seg vertexes are the level's vertexes, then the
// tree's own (split points), kept at the precision the file gives.
struct MapSeg {
    uint32_t startVertex, endVertex;  // into the level's segVertexes
    uint32_t linedef;                 // a classic negative index becomes a huge one, which names nothing
    uint8_t backSide;                 // on the linedef's back side (classic direction, extended side)
};

// The linedef of a GL tree's miniseg, which closes its subsector and draws no wall.
constexpr uint32_t kNoLinedef = 0xFFFFFFFFu;

// Segs firstSeg to firstSeg + segCount - 1; a classic subsector's values are signed.
struct MapSubsector {
    int64_t firstSeg, segCount;
};

// Bounds of a child's part of the map; which member of a pair is the larger one is not fixed.
struct NodeBox {
    int16_t top, bottom, left, right;
};

// A child with bit 31 set names a subsector (low 31 bits), otherwise a node.
constexpr uint32_t kSubsectorChild = 0x80000000u;

struct MapNode {
    double x, y, dx, dy;  // the partition line from (x, y) to (x + dx, y + dy)
    NodeBox rightBox, leftBox;
    uint32_t rightChild, leftChild;
};
