// Shared test helpers: assembling small WAD files, and finding Freedoom.
#pragma once
#include <array>
#include <cstdint>
#include <string>
#include <utility>
#include <vector>

#include "draw/framebuffer.h"
#include "wad/level.h"

struct Viewer;

using Bytes = std::vector<uint8_t>;

struct TestLump {
    std::string name;  // up to 8 characters; longer names are cut to 8
    Bytes data;
};

// Header, lump data in order, then the directory (offsets and sizes filled in).
Bytes BuildWad(const std::vector<TestLump>& lumps, const char* identification = "PWAD");

void PutInt16(Bytes& out, int32_t value);
void PutInt32(Bytes& out, uint32_t value);
Bytes Poked(Bytes bytes, size_t at, uint32_t value);  // four little-endian bytes at `at` replaced
Bytes operator+(Bytes head, const Bytes& tail);

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

// The map's tree as the data after "XNOD": its vertexes as the original ones and no new ones,
// each subsector's segs following the ones before it, children widened to 32 bits.
Bytes ExtendedNodeData(const TestMap& map);

// The map's lumps with the tree in a NODES lump of extended nodes, as "XNOD" or as zlib-compressed "ZNOD".
std::vector<TestLump> BuildExtendedMapLumps(const TestMap& map, bool compressed);

// One square room seen from inside: four walls, a player start, one node over subsectors 0 and 1 (empty).
TestMap Room();

// A level loaded from file bytes, viewed at one pixel per map unit with far sides on, and what the load printed.
struct Loaded {
    explicit Loaded(const Bytes& wad);
    Level level;
    std::string printed;
};

// What a 64 x 48 frame of the level prints and shows, from (30, 30) or the map's player start,
// with an empty font atlas (a black status line).
std::pair<std::string, std::vector<uint32_t>> RenderSmall(const Level& level, uint8_t solidWalls);

// Loads map mapIndex of the given file bytes into level (no file is touched).
void LoadLevelFromBytes(Level& level, const Bytes& wad, int32_t mapIndex = 0);

// The whole file, as bytes or as text; empty when it cannot be read.
Bytes ReadFileBytes(const std::string& path);
std::string ReadFile(const std::string& path);

// A PNG's pixels as 0x00RRGGBB, row by row, with its size; empty when it cannot be decoded.
std::vector<uint32_t> ReadPng(const std::string& path, int32_t& width, int32_t& height);

void WriteFile(const std::string& path, const Bytes& bytes);

// Writes bytes to a temporary file of this process alone (test processes run side by side); returns the path.
std::string WriteTempFile(const std::string& name, const Bytes& bytes);

// Freedoom's first episode; the calling test fails with a clear message when it is missing.
std::string FreedoomPath();

// The repository's font atlas.
std::string FontPath();

// A white picture between guard pixels, so that stray writes show up.
struct TestPicture {
    std::vector<uint32_t> store;
    Framebuffer framebuffer;

    TestPicture(int32_t width, int32_t height);
    TestPicture(const TestPicture&) = delete;  // the framebuffer points into the store
    TestPicture(TestPicture&&) = default;
    TestPicture& operator=(TestPicture&&) = default;
    uint32_t At(int32_t x, int32_t y) const { return framebuffer.pixels[size_t(y) * size_t(framebuffer.width) + size_t(x)]; }
    std::vector<uint32_t> Pixels() const;  // without the guards
    int32_t Count(uint32_t colour) const;
    bool GuardsIntact() const;
    // The rows each column is black in, which must be one unbroken run; {-1, -1} when none.
    std::vector<std::pair<int32_t, int32_t>> BlackRuns(const std::vector<int32_t>& columns) const;
    bool operator==(const TestPicture& other) const { return store == other.store; }
};

// A picture of lines {x0, y0, x1, y1} drawn by DrawLine in one colour.
TestPicture PictureOfLines(int32_t width, int32_t height, const std::vector<std::array<int32_t, 4>>& lines,
                           uint32_t colour = 0);

// The four lines {sx1, top1, sx2, top2}, {sx1, bottom1, sx2, bottom2} and the two sides of an
// outline given as {sx1, top1, bottom1, sx2, top2, bottom2}; a box is {x0, y0, y1, x1, y0, y1}.
TestPicture PictureOfOutline(int32_t width, int32_t height, std::array<int32_t, 6> e, uint32_t colour = 0);

// StartViewer with standard error (font warnings) swallowed; returns what it printed on standard
// output. The viewer keeps wadPath's characters: they must outlive it.
std::string StartViewerQuietly(Viewer& viewer, const std::string& wadPath, const std::string& fontPath);
