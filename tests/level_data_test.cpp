#include <gtest/gtest.h>

#include <cstdio>
#include <cstring>
#include <tuple>

#include "test_support.h"
#include "wad/level.h"

namespace {

TestLump Lump(const std::string& name, const std::string& data = "") { return {name, Bytes(data.begin(), data.end())}; }
uint32_t U32(const Bytes& b, size_t at) { return b[at] | b[at + 1] << 8 | b[at + 2] << 16 | uint32_t(b[at + 3]) << 24; }
void SetU32(Bytes& b, size_t at, uint32_t value) { for (int k = 0; k < 4; ++k) b[at + k] = uint8_t(value >> (8 * k)); }

// The lump's content, or "null" with lumpSize untouched; what FindLump prints must be `printed`.
std::string Find(const Bytes& wad, const char* mapName, const char* lumpName, const std::string& printed = "") {
    WadImage* image = WadImageFromBytes(wad.data(), wad.size());
    uint32_t size = 0xABCD;
    testing::internal::CaptureStdout();
    const uint8_t* data = FindLump(mapName, lumpName, &size, &image);
    EXPECT_EQ(testing::internal::GetCapturedStdout(), printed);
    std::string result = data ? std::string(data, data + size) : size == 0xABCD ? "null" : "size written";
    FreeWadImage(image);
    return result;
}

}  // namespace

TEST(LumpLookup, MatchesEntryNamesAsSubstringsFromTheMarkerOn) {
    const std::vector<TestLump> usual = {Lump("E1M1", "marker"), Lump("SSECTORS", "ss"), Lump("SECTORS", "se")};
    const std::vector<TestLump> eight = {Lump("ABCDEFGH"), Lump("VERTEXEZ", "z"), Lump("VERTEXES", "ve")};
    auto early = [](const char* marker) {  // a THINGS entry before the real marker
        return std::vector<TestLump>{Lump(marker, "m"), Lump("THINGS", "early"), Lump("E1M1"), Lump("THINGS", "th")};
    };
    struct Case { std::vector<TestLump> lumps; const char *map, *lump, *expected; };
    const std::vector<Case> cases = {
        {usual, "E1M1", "SSECTORS", "ss"}, {usual, "E1M1", "SECTORS", "se"}, {usual, "E1M1", "E1M1", "marker"},
        {usual, "E1M1", "REJECT", "null"}, {usual, "E1M2", "SECTORS", "null"},
        {{Lump("E1M1"), Lump("SECTORS", "se"), Lump("SSECTORS", "ss")}, "E1M1", "SSECTORS", "se"},
        {eight, "ABCDEFGH", "VERTEXES", "ve"}, {eight, "ABCDEFGH", "VERTEXE", "null"},
        {{Lump("E1M1"), Lump("THINGS")}, "E1M1", "THINGS", ""},  // empty, yet found
        {early("E1M2"), "E1M1", "THINGS", "th"}, {early("E1"), "E1M1", "THINGS", "early"},
        {early("M1"), "E1M1", "THINGS", "early"}, {early(""), "E1M1", "THINGS", "m"},
        {{Lump("E1M1"), Lump("", "empty"), Lump("THINGS", "th")}, "E1M1", "THINGS", "empty"},
        {{Lump("E1M1"), Lump("THINGS", "t1"), Lump("E1M2"), Lump("VERTEXES", "v2")}, "E1M1", "VERTEXES", "v2"}};
    for (size_t k = 0; k < cases.size(); ++k)
        EXPECT_EQ(Find(BuildWad(cases[k].lumps), cases[k].map, cases[k].lump), cases[k].expected) << "case " << k;
}

TEST(LumpLookup, RejectsFilesThatDoNotHoldTheirDirectory) {
    const Bytes good = BuildWad({Lump("E1M1"), Lump("THINGS", "th")});
    auto with = [&](size_t at, uint32_t value) { Bytes wad = good; SetU32(wad, at, value); return wad; };
    const std::string invalid = "Invalid WAD file\n";
    for (const auto& [wad, printed] : std::vector<std::pair<Bytes, std::string>>{
             {BuildWad({Lump("E1M1"), Lump("THINGS", "th")}, "WAD2"), invalid},
             {Bytes(good.begin(), good.begin() + 11), invalid}, {Bytes(good.begin(), good.end() - 1), invalid},
             {with(good.size() - 12, uint32_t(good.size())), invalid},  // THINGS' size
             {with(8, 0xFFFFFFF0u), invalid}, {with(4, 0), ""}, {with(4, 0xFFFFFFFFu), ""}, {with(4, 0x80000000u), ""}})
        EXPECT_EQ(Find(wad, "E1M1", "THINGS", printed), "null");
}

TEST(Level, EveryLoadReadsTheFileAnewAndKeepsTheSettings) {
    Level level;
    level.scale = 2.5f, level.offsetX = -3, level.offsetY = 7.5f;
    level.maxDepth = 11, level.maxDraw = 222, level.drawFarSides = 1;
    std::string path;
    for (int count : {2, 5}) {  // the second load releases the first image, or LeakSanitizer complains
        TestMap map;
        map.vertexes.resize(count);
        path = WriteTempFile("reload.wad", BuildWad(BuildMapLumps(map)));
        LoadLevel(level, 0, path.c_str());
        EXPECT_EQ(level.numVertexes, count);
    }
    // Each of the eight lookups retries a missing file, and tests again the image of a file that is no WAD.
    for (bool missing : {true, false}) {
        if (missing) std::remove(path.c_str()); else WriteTempFile("reload.wad", {});
        testing::internal::CaptureStdout();
        LoadLevel(level, 0, path.c_str());
        std::string expected;
        for (int k = 0; k < 8; ++k) expected += missing ? "Unable to open " + path + "\n" : "Invalid WAD file\n";
        EXPECT_EQ(testing::internal::GetCapturedStdout(), expected);
        EXPECT_EQ(std::tuple(level.vertexes, level.numVertexes, level.nodes, level.numNodes),
                  std::tuple(nullptr, 0, nullptr, 0));
    }
    ASSERT_TRUE(level.image && level.image->size == 0 && level.image->bytes[0] == 0);  // empty file, zero byte
    EXPECT_EQ(std::tuple(level.scale, level.offsetX, level.offsetY, level.maxDepth, level.maxDraw, level.drawFarSides),
              std::tuple(2.5f, -3.0f, 7.5f, 11, 222, uint8_t(1)));
    FreeLevel(level), std::remove(path.c_str());
}

TEST(Level, ReadsWholeLittleEndianRecordsAtOddOffsets) {
    TestMap map;
    map.vertexes = {{-32768, 256}}, map.linedefs = {{0, 1, 0, -1}}, map.things = {{-1, -32768, 32767, 1}};
    map.sectors = {{-32768, 300}}, map.segs = {{1, 0, -3, 0xFFFF}};
    map.nodes = {{-5, 6, -7, 8, {-1, 2, -3, 4}, {5, -6, 7, -8}, 0xFFFF, 0x8001}};
    std::vector<TestLump> lumps = BuildMapLumps(map);
    lumps[5].data.resize(23);        // SEGS: one record and 11 trailing bytes
    lumps.erase(lumps.begin() + 3);  // no SIDEDEFS; SSECTORS stays, empty
    lumps.insert(lumps.begin(), {"PAD", {0x7F}});  // every lump after it starts at an odd offset
    Level level;
    LoadLevelFromBytes(level, BuildWad(lumps));
    ASSERT_EQ(std::tuple(level.numThings, level.numVertexes, level.numSegs, level.numNodes, level.numSectors,
                         level.numLinedefs, level.numSubsectors, level.subsectors != nullptr, level.sidedefs),
              std::tuple(1, 1, 1, 1, 1, 1, 0, true, nullptr));
    const MapThing& t = level.things[0];
    const MapNode& n = level.nodes[0];
    EXPECT_EQ(std::tuple(t.x, t.y, t.angle, level.linedefs[0].backSidedef, level.vertexes[0].x, level.vertexes[0].y),
              std::tuple(-1, -32768, 32767, -1, -32768, 256));
    EXPECT_EQ(std::tuple(level.segs[0].linedef, level.segs[0].direction, level.sectors[0].floorHeight, n.dx,
                         level.sectors[0].ceilingHeight, n.rightBox.top, n.leftBox.right, n.rightChild, n.leftChild),
              std::tuple(-3, 0xFFFF, -32768, -7, 300, -1, -8, 0xFFFF, 0x8001));
    FreeLevel(level);
}

TEST(Level, LoadsEveryFreedoomMapWithCountsFromItsDirectory) {
    const std::string path = FreedoomPath();
    const Bytes wad = ReadFileBytes(path);
    ASSERT_GT(wad.size(), 12u);
    const int64_t numLumps = U32(wad, 4);
    auto entryNamed = [&](const char* name, int64_t from) {  // the directory, parsed apart from the code under test
        const char* names = reinterpret_cast<const char*>(&wad[U32(wad, 8) + 8]);
        while (from < numLumps && strncmp(names + 16 * from, name, 8) != 0) ++from;
        return from;
    };
    Level level;
    for (int32_t index = 0; index < kMapCount; ++index) {
        LoadLevel(level, index, path.c_str());
        SCOPED_TRACE(kMapTable[index].name);
        int64_t marker = entryNamed(kMapTable[index].name, 0);
        ASSERT_TRUE(marker < numLumps && level.image && level.numNodes > 0);
        const std::tuple<const char*, const void*, int32_t, uint32_t> lumps[] = {
            {"VERTEXES", level.vertexes, level.numVertexes, 4}, {"LINEDEFS", level.linedefs, level.numLinedefs, 14},
            {"THINGS", level.things, level.numThings, 10}, {"SIDEDEFS", level.sidedefs, level.numSidedefs, 30},
            {"SECTORS", level.sectors, level.numSectors, 26}, {"SEGS", level.segs, level.numSegs, 12},
            {"SSECTORS", level.subsectors, level.numSubsectors, 4}, {"NODES", level.nodes, level.numNodes, 28}};
        for (auto [name, records, count, recordSize] : lumps) {
            int64_t entry = entryNamed(name, marker);
            ASSERT_LT(entry, numLumps) << name;
            size_t at = U32(wad, 8) + 16 * size_t(entry);
            EXPECT_EQ(records, level.image->bytes + U32(wad, at)) << name;
            EXPECT_EQ(count, int32_t(U32(wad, at + 4) / recordSize)) << name;
        }
    }
    FreeLevel(level);
}
