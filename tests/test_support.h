// Test helpers: small WAD files built from plain records, pictures with guards, files.
#pragma once
#include <gtest/gtest.h>

#include <array>
#include <cstdint>
#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "draw/framebuffer.h"
#include "wad/level.h"

using Bytes = std::vector<uint8_t>;
struct TestLump {
    std::string name;
    Bytes data;
};

void PutInt16(Bytes& out, int32_t value);
void PutInt32(Bytes& out, uint32_t value);
Bytes Poked(Bytes bytes, size_t at, uint32_t value);  // four little-endian bytes at `at` replaced
Bytes operator+(Bytes head, const Bytes& tail);
// "PWAD", the lumps' data in order, then the directory.
Bytes BuildWad(const std::vector<TestLump>& lumps);

// The fields of a map's records that the viewer reads.
struct TestVertex { int16_t x, y; };
struct TestLinedef { int16_t startVertex, endVertex, frontSidedef, backSidedef; };
struct TestThing { int16_t x, y, angle, type; };
struct TestSidedef { int16_t sector; };
struct TestSector { int16_t floorHeight, ceilingHeight; };
struct TestSeg { int16_t startVertex, endVertex, linedef; uint16_t direction; };
struct TestSubsector { int16_t segCount, firstSeg; };
struct TestBox { int16_t top, bottom, left, right; };
struct TestNode { int16_t x, y, dx, dy; TestBox rightBox, leftBox; uint16_t rightChild, leftChild; };
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

// The marker and the eight lumps in the usual order: THINGS, LINEDEFS, SIDEDEFS, VERTEXES, SEGS, SSECTORS, NODES, SECTORS.
std::vector<TestLump> BuildMapLumps(const TestMap& map);
// The tree as the data after "XNOD": the map's vertexes as the original ones, children widened to 32 bits.
Bytes ExtendedNodeData(const TestMap& map);
// The tree as GL nodes in `format`: for kXgln, kXgl2 and kXgl3 the data after the signature, for kGlV2 and kGlV5
// GL_VERT, GL_SEGS, GL_SSECT and GL_NODES. The map's last `treeVertexes` vertexes are the tree's own; no partners.
std::vector<Bytes> GlNodeLumps(const TestMap& map, TreeFormat format, uint32_t treeVertexes);
// The lumps with the tree in NODES as "XNOD".
std::vector<TestLump> BuildExtendedMapLumps(const TestMap& map);
// A square room seen from inside: four walls, a player start, one node over subsectors 0 and 1 (empty).
TestMap Room();

// The level's records as a TEXTMAP: one block per record, whole numbers as integers, others in 17 digits.
std::string WriteTextMap(const Level& level);

// E1M1 as the table finds it, from the file's bytes (an empty level when it does not load); what the load reported.
Level LoadLevelFromBytes(const Bytes& wad, std::string* reported = nullptr);
// What a 64 x 48 frame of the level reports and shows, at one pixel per map unit with no walk limit, from
// (30, 30) or the map's player start, with a black status line.
std::pair<std::string, std::vector<uint32_t>> RenderSmall(const Level& level, uint8_t solidWalls);
// The broken file loads (reporting `loadReport`) and draws like the sound one in both wall modes, its
// frames reporting what the sound one's do, or `frameReport` when given.
void ExpectDrawsLike(const Bytes& broken, const Bytes& sound, const std::string& loadReport,
                     const std::optional<std::string>& frameReport = std::nullopt);

Bytes ReadFileBytes(const std::string& path);  // empty when it cannot be read
void WriteFile(const std::string& path, const Bytes& bytes);
std::string WriteTempFile(const std::string& name, const Bytes& bytes);  // a file of this process alone; its path
std::vector<uint32_t> ReadPng(const std::string& path, int32_t& width, int32_t& height);  // 0x00RRGGBB; none on a warning
std::string FreedoomPath();  // fails the test when Freedoom is missing
std::string FontPath();      // the repository's font

// A fresh folder of the test's own with copies of Freedoom's first level file and the font (a faulty build
// must not write over the system's file or the project's font), where the programs run.
struct ProgramTest : testing::Test {
    std::string dir, out, err;  // the folder, and what the last run printed
    ProgramTest();
    ~ProgramTest() override;
    int Run(const std::string& program, const std::string& arguments);  // the exit code
};

// A white picture between guard pixels, so that stray writes show.
struct TestPicture {
    TestPicture(int32_t width, int32_t height);
    TestPicture(const TestPicture&) = delete;  // the framebuffer points into the store
    TestPicture(TestPicture&&) = default;
    TestPicture& operator=(TestPicture&&) = default;
    uint32_t At(int32_t x, int32_t y) const { return framebuffer.pixels[size_t(y) * size_t(framebuffer.width) + size_t(x)]; }
    std::vector<uint32_t> Pixels() const;  // without the guards
    int32_t Count(uint32_t colour) const;
    // The one unbroken run of black rows in each column; {-1, -1} when none.
    std::vector<std::pair<int32_t, int32_t>> BlackRuns(const std::vector<int32_t>& columns) const;
    bool operator==(const TestPicture& other) const { return store == other.store; }
    std::vector<uint32_t> store;
    Canvas framebuffer;
};

// Lines {x0, y0, x1, y1} drawn by DrawLine in one colour.
TestPicture PictureOfLines(int32_t width, int32_t height, const std::vector<std::array<int32_t, 4>>& lines, uint32_t colour = 0);
// A wall's outline {sx1, top1, bottom1, sx2, top2, bottom2}: top and bottom edges, then the two sides.
TestPicture PictureOfOutline(int32_t width, int32_t height, std::array<int32_t, 6> e, uint32_t colour = 0);
