#include <gtest/gtest.h>
#include <unistd.h>

#include <cstdio>
#include <cstring>
#include <fstream>
#include <iterator>
#include <string>
#include <tuple>

#include "test_support.h"
#include "wad/level.h"

namespace {

Bytes WadOfMaps(const std::vector<std::pair<std::string, int>>& mapsWithVertexCounts) {
    std::vector<TestLump> lumps;
    for (auto [name, count] : mapsWithVertexCounts) {
        TestMap map;
        map.name = name;
        for (int k = 0; k < count; ++k) map.vertexes.push_back({int16_t(k), int16_t(-k)});
        std::vector<TestLump> mapLumps = BuildMapLumps(map);
        lumps.insert(lumps.end(), mapLumps.begin(), mapLumps.end());
    }
    return BuildWad(lumps);
}

uint32_t ReadUInt32(const Bytes& bytes, size_t at) {
    return bytes[at] | bytes[at + 1] << 8 | bytes[at + 2] << 16 | uint32_t(bytes[at + 3]) << 24;
}

// Directory index of the entry named exactly `name` from index `from` on, or -1.
int64_t EntryNamed(const Bytes& wad, const char* name, uint32_t from) {
    for (uint32_t k = from; k < ReadUInt32(wad, 4); ++k)
        if (strncmp(reinterpret_cast<const char*>(&wad[ReadUInt32(wad, 8) + 16 * k + 8]), name, 8) == 0) return k;
    return -1;
}

}  // namespace

TEST(Level, CountsWholeRecordsOfTheLumpsFound) {
    Level level;
    LoadLevelFromBytes(level, BuildWad({{"E1M1", {}}, {"SEGS", Bytes(25)}, {"VERTEXES", Bytes(7)}, {"NODES", {}}}));
    EXPECT_EQ(std::tuple(level.numSegs, level.numVertexes, level.numNodes), std::tuple(2, 1, 0));
    EXPECT_NE(level.nodes, nullptr);  // found, though empty
    EXPECT_EQ(std::tuple(level.things, level.numThings), std::tuple(nullptr, 0));
    EXPECT_EQ(std::tuple(level.subsectors, level.numSubsectors), std::tuple(nullptr, 0));
    FreeLevel(level);
}

TEST(Level, MapIndexSelectsTheMarkerOfTheTableRow) {
    Bytes wad = WadOfMaps({{"E1M1", 1}, {"E1M8", 2}, {"E1M9", 3}});
    Level level;
    for (auto [index, count] : {std::pair{8, 3}, {7, 2}, {0, 1}}) {
        LoadLevelFromBytes(level, wad, index);
        EXPECT_EQ(level.numVertexes, count) << index;
    }
    FreeLevel(level);
}

TEST(Level, EveryLoadReadsTheFileAnewAndKeepsTheSettings) {
    const std::string name = "reload-" + std::to_string(getpid()) + ".wad";
    std::string path = WriteTempFile(name, WadOfMaps({{"E1M1", 2}}));
    Level level;
    level.scale = 2.5f, level.offsetX = -3, level.offsetY = 7.5f;
    level.maxDepth = 11, level.maxDraw = 222, level.drawFarSides = 1;
    auto expectSettingsKept = [&] {
        EXPECT_EQ(std::tuple(level.scale, level.offsetX, level.offsetY), std::tuple(2.5f, -3.0f, 7.5f));
        EXPECT_EQ(std::tuple(level.maxDepth, level.maxDraw, level.drawFarSides), std::tuple(11, 222, uint8_t(1)));
    };
    LoadLevel(level, 0, path.c_str());
    EXPECT_EQ(level.numVertexes, 2);
    expectSettingsKept();
    WriteTempFile(name, WadOfMaps({{"E1M1", 5}}));
    LoadLevel(level, 0, path.c_str());  // releases the first image, or LeakSanitizer complains
    ASSERT_EQ(level.numVertexes, 5);
    EXPECT_EQ(level.vertexes[4].y, -4);

    std::remove(path.c_str());
    testing::internal::CaptureStdout();
    LoadLevel(level, 0, path.c_str());
    std::string expected;
    for (int k = 0; k < 8; ++k) expected += "Unable to open " + path + "\n";  // once per lump
    EXPECT_EQ(testing::internal::GetCapturedStdout(), expected);
    EXPECT_EQ(std::tuple(level.vertexes, level.numVertexes), std::tuple(nullptr, 0));
    EXPECT_EQ(std::tuple(level.nodes, level.numNodes), std::tuple(nullptr, 0));
    expectSettingsKept();
    FreeLevel(level);
}

TEST(Level, ReadsLittleEndianRecordsAtOddOffsets) {
    TestMap map;
    map.things = {{-1, -32768, 32767, 1}};
    map.linedefs = {{0, 1, 0, -1}};
    map.vertexes = {{-32768, 256}};
    map.segs = {{1, 0, -3, 0xFFFF}};
    map.nodes = {{-5, 6, -7, 8, {-1, 2, -3, 4}, {5, -6, 7, -8}, 0xFFFF, 0x8001}};
    map.sectors = {{-32768, 300}};
    std::vector<TestLump> lumps = BuildMapLumps(map);
    lumps.insert(lumps.begin(), {"PAD", {0x7F}});  // every lump after it starts at an odd offset
    Level level;
    LoadLevelFromBytes(level, BuildWad(lumps));
    ASSERT_EQ(std::tuple(level.numThings, level.numVertexes, level.numSegs, level.numNodes, level.numSectors),
              std::tuple(1, 1, 1, 1, 1));
    EXPECT_EQ(reinterpret_cast<uintptr_t>(level.things) % 2, 1u);
    EXPECT_EQ(std::tuple(level.things[0].x, level.things[0].y, level.things[0].angle),
              std::tuple(-1, -32768, 32767));
    EXPECT_EQ(level.linedefs[0].backSidedef, -1);
    EXPECT_EQ(std::tuple(level.vertexes[0].x, level.vertexes[0].y), std::tuple(-32768, 256));
    EXPECT_EQ(std::tuple(level.segs[0].linedef, level.segs[0].direction), std::tuple(-3, 0xFFFF));
    const MapNode& node = level.nodes[0];
    EXPECT_EQ(std::tuple(node.dx, node.rightBox.top, node.leftBox.right), std::tuple(-7, -1, -8));
    EXPECT_EQ(std::tuple(node.rightChild, node.leftChild), std::tuple(0xFFFF, 0x8001));
    EXPECT_EQ(std::tuple(level.sectors[0].floorHeight, level.sectors[0].ceilingHeight), std::tuple(-32768, 300));
    FreeLevel(level);
}

TEST(Level, LoadsEveryFreedoomMapWithCountsFromItsDirectory) {
    std::string path = FreedoomPath();
    std::ifstream file(path, std::ios::binary);
    Bytes wad((std::istreambuf_iterator<char>(file)), std::istreambuf_iterator<char>());
    ASSERT_GT(wad.size(), 12u);

    Level level;
    for (int32_t index = 0; index < kMapCount; ++index) {
        LoadLevel(level, index, path.c_str());
        SCOPED_TRACE(kMapTable[index].name);
        int64_t marker = EntryNamed(wad, kMapTable[index].name, 0);
        ASSERT_GE(marker, 0);
        ASSERT_NE(level.image, nullptr);
        auto expectLump = [&](const char* name, const void* records, int32_t count, uint32_t recordSize) {
            int64_t entry = EntryNamed(wad, name, uint32_t(marker));
            ASSERT_TRUE(entry > marker && entry <= marker + 10) << name;
            size_t at = ReadUInt32(wad, 8) + 16 * size_t(entry);
            EXPECT_EQ(static_cast<const uint8_t*>(records), level.image->bytes + ReadUInt32(wad, at)) << name;
            EXPECT_EQ(count, int32_t(ReadUInt32(wad, at + 4) / recordSize)) << name;
        };
        expectLump("VERTEXES", level.vertexes, level.numVertexes, 4);
        expectLump("LINEDEFS", level.linedefs, level.numLinedefs, 14);
        expectLump("THINGS", level.things, level.numThings, 10);
        expectLump("SIDEDEFS", level.sidedefs, level.numSidedefs, 30);
        expectLump("SECTORS", level.sectors, level.numSectors, 26);
        expectLump("SEGS", level.segs, level.numSegs, 12);
        expectLump("SSECTORS", level.subsectors, level.numSubsectors, 4);
        expectLump("NODES", level.nodes, level.numNodes, 28);
        EXPECT_GT(level.numNodes, 0);
    }
    FreeLevel(level);
}
