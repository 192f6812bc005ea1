// The eight map records as they lie in the level file, every field a
// little-endian byte pair, so a record may start at any byte; and the BSP tree
// as the walk reads it, widened at load from the classic or the extended records.
#pragma once
#include <cstdint>

#include "wad/wad_image.h"

struct Int16LE {
    uint8_t bytes[2];
    operator int16_t() const { return int16_t(ReadUInt16(bytes)); }
};

struct UInt16LE {
    uint8_t bytes[2];
    operator uint16_t() const { return ReadUInt16(bytes); }
};

struct MapVertex {
    Int16LE x, y;
};

struct MapLinedef {
    Int16LE startVertex, endVertex;
    UInt16LE flags, special, tag;
    Int16LE frontSidedef, backSidedef;  // backSidedef is -1 for a one-sided line
};

struct MapThing {
    Int16LE x, y, angle, type;
    UInt16LE flags;
};

struct MapSidedef {
    Int16LE textureOffsetX, textureOffsetY;
    char upperTexture[8], lowerTexture[8], middleTexture[8];
    Int16LE sector;
};

struct MapSector {
    Int16LE floorHeight, ceilingHeight;
    char floorFlat[8], ceilingFlat[8];
    UInt16LE lightLevel, special, tag;
};

struct MapSeg {
    Int16LE startVertex, endVertex;
    UInt16LE angle;
    Int16LE linedef;
    UInt16LE direction;  // 0: on the linedef's front side
    UInt16LE offset;
};

struct MapSubsector {
    Int16LE segCount, firstSeg;
};

struct NodeBox {
    Int16LE top, bottom, left, right;
};

// A child with bit 15 set names a subsector (low 15 bits), otherwise a node.
struct MapNode {
    Int16LE x, y, dx, dy;
    NodeBox rightBox, leftBox;
    UInt16LE rightChild, leftChild;
};

static_assert(sizeof(MapVertex) == 4 && alignof(MapVertex) == 1);
static_assert(sizeof(MapLinedef) == 14 && alignof(MapLinedef) == 1);
static_assert(sizeof(MapThing) == 10 && alignof(MapThing) == 1);
static_assert(sizeof(MapSidedef) == 30 && alignof(MapSidedef) == 1);
static_assert(sizeof(MapSector) == 26 && alignof(MapSector) == 1);
static_assert(sizeof(MapSeg) == 12 && alignof(MapSeg) == 1);
static_assert(sizeof(MapSubsector) == 4 && alignof(MapSubsector) == 1);
static_assert(sizeof(MapNode) == 28 && alignof(MapNode) == 1);

// A vertex a seg may name, in map units: VERTEXES, then the extended nodes' own
// vertexes, whose 16.16 fixed-point positions are kept to float precision.
struct SegVertex {
    float x, y;
};

// A seg of either node format. Indices that name no record are kept as they are
// (a classic negative index becomes a huge one) and skipped by the walk.
struct BspSeg {
    uint32_t startVertex, endVertex;  // into the level's segVertexes
    uint32_t linedef;
    uint8_t backSide;                 // on the linedef's back side (classic direction, extended side)
};

// Segs firstSeg to firstSeg + segCount - 1; a classic subsector's values are signed.
struct BspSubsector {
    int64_t firstSeg, segCount;
};

// A child with bit 31 set names a subsector (low 31 bits), otherwise a node.
constexpr uint32_t kSubsectorChild = 0x80000000u;

struct BspNode {
    int16_t x, y, dx, dy;
    NodeBox rightBox, leftBox;  // as the file stores them in both formats
    uint32_t rightChild, leftChild;
};
