// The eight map records as they lie in the level file. Every field is a
// little-endian byte pair read in place, so a record may start at any byte.
#pragma once
#include <cstdint>

struct Int16LE {
    uint8_t bytes[2];
    operator int16_t() const { return int16_t(uint16_t(bytes[0] | bytes[1] << 8)); }
};

struct UInt16LE {
    uint8_t bytes[2];
    operator uint16_t() const { return uint16_t(bytes[0] | bytes[1] << 8); }
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
