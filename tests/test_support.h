// Shared test helpers: assembling small WAD files, and finding Freedoom.
#pragma once
#include <cstdint>
#include <string>
#include <vector>

#include "wad/level.h"

using Bytes = std::vector<uint8_t>;

struct TestLump {
    std::string name;  // up to 8 characters; longer names are cut to 8
    Bytes data;
};

// Header, lump data in order, then the directory (offsets and sizes filled in).
Bytes BuildWad(const std::vector<TestLump>& lumps, const char* identification = "PWAD");

void PutInt16(Bytes& out, int32_t value);
void PutInt32(Bytes& out, uint32_t value);

// Plain records of a map, turned into lump bytes by BuildMapLumps.
struct TestVertex { int16_t x, y; };
struct TestLinedef { int16_t startVertex, endVertex, frontSidedef, backSidedef; };
struct TestThing { int16_t x, y, angle, type; };
struct TestSidedef { int16_t sector; };
struct TestSector { int16_t floorHeight, ceilingHeight; };
struct TestSeg { int16_t startVertex, endVertex, linedef; uint16_t direction; };
struct TestSubsector { int16_t segCount, firstSeg; };
struct TestBox { int16_t top, bottom, left, right; };
struct TestNode {
    int16_t x, y, dx, dy;
    TestBox rightBox, leftBox;
    uint16_t rightChild, leftChild;
};

struct TestMap {
    std::string name = "E1M1";
    std::vector<TestVertex> vertexes;
    std::vector<TestLinedef> linedefs;
    std::vector<TestThing> things;
    std::vector<TestSidedef> sidedefs;
    std::vector<TestSector> sectors;
    std::vector<TestSeg> segs;
    std::vector<TestSubsector> subsectors;
    std::vector<TestNode> nodes;
};

// The marker and the eight lumps in the usual order (THINGS, LINEDEFS, SIDEDEFS,
// VERTEXES, SEGS, SSECTORS, NODES, SECTORS).
std::vector<TestLump> BuildMapLumps(const TestMap& map);

// Loads map mapIndex of the given file bytes into level (no file is touched).
void LoadLevelFromBytes(Level& level, const Bytes& wad, int32_t mapIndex = 0);

// Writes bytes to a file; returns the path.
std::string WriteTempFile(const std::string& name, const Bytes& bytes);

// Freedoom's first episode; the calling test fails with a clear message when it is missing.
std::string FreedoomPath();

// The repository's font atlas.
std::string FontPath();
