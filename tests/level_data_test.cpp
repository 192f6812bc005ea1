#include <gtest/gtest.h>

#include <cstdio>
#include <tuple>

#include "test_support.h"
#include "wad/level.h"

namespace {

TestLump Lump(const std::string& name, const std::string& data = "") { return {name, Bytes(data.begin(), data.end())}; }

WadDirectory DirectoryOf(const Bytes& wad) {
    WadImage* image = WadImageFromBytes(wad.data(), wad.size());
    WadDirectory directory = ReadWadDirectory(WadSourceOf(*image));
    FreeWadImage(image);
    return directory;
}

// The content of the lump the table's search finds for the map, or "null".
std::string Find(const Bytes& wad, const char* mapName, const char* lumpName) {
    WadDirectory directory = DirectoryOf(wad);
    int32_t index = FindLump(directory, FindMapMarker(directory, mapName), lumpName);
    if (index < 0) return "null";
    LumpEntry lump = LumpAt(directory, index);
    return std::string(wad.begin() + lump.filePos, wad.begin() + lump.filePos + lump.size);
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
        {early("E1M2"), "E1M1", "THINGS", "th"}, {early("E1"), "E1M1", "THINGS", "early"},
        {early("M1"), "E1M1", "THINGS", "early"}, {early(""), "E1M1", "THINGS", "m"},
        {{Lump("E1M1"), Lump("", "empty"), Lump("THINGS", "th")}, "E1M1", "THINGS", "empty"},
        {{Lump("E1M1"), Lump("THINGS", "t1"), Lump("E1M2"), Lump("VERTEXES", "v2")}, "E1M1", "VERTEXES", "v2"}};
    for (size_t k = 0; k < cases.size(); ++k)
        EXPECT_EQ(Find(BuildWad(cases[k].lumps), cases[k].map, cases[k].lump), cases[k].expected) << "case " << k;
}

// A map is an entry directly followed by THINGS; its name must match whole, in any case.
TEST(LumpLookup, MapsAreEntriesFollowedByThingsInDirectoryOrder) {
    const WadDirectory directory = DirectoryOf(BuildWad({Lump("MAP10"), Lump("THINGS"), Lump("PLAYPAL"), Lump("MAP1"),
                                                         Lump("THINGS"), Lump("E1M1"), Lump("VERTEXES"), Lump("MAP02"),
                                                         Lump("THINGS")}));
    EXPECT_EQ(ListMaps(directory), (std::vector<std::string>{"MAP10", "MAP1", "MAP02"}));
    EXPECT_EQ(std::tuple(FindMapEntry(directory, "map1"), FindMapEntry(directory, "MAP10"), FindMapEntry(directory, "MAP0"),
                         FindMapEntry(directory, "E1M1"), FindMapEntry(directory, "THINGS")),
              std::tuple(3, 0, -1, -1, -1));
}

TEST(Level, EveryLoadReadsTheFileAnewAndKeepsTheSettings) {
    Level level;
    level.scale = 2.5f, level.offsetX = -3, level.offsetY = 7.5f;
    level.maxDepth = 11, level.maxDraw = 222, level.drawFarSides = 1;
    std::string path;
    for (int count : {2, 5}) {
        TestMap map;
        map.vertexes.resize(count);
        path = WriteTempFile("reload.wad", BuildWad(BuildMapLumps(map)));
        LoadLevel(level, 0, path.c_str());
        EXPECT_EQ(level.vertexes.size(), size_t(count));
    }
    // Each of the eight lookups reports a missing file, and a file that is no WAD.
    for (bool missing : {true, false}) {
        if (missing) std::remove(path.c_str()); else WriteTempFile("reload.wad", {});
        testing::internal::CaptureStdout();
        LoadLevel(level, 0, path.c_str());
        std::string expected;
        for (int k = 0; k < 8; ++k) expected += missing ? "Unable to open " + path + "\n" : "Invalid WAD file\n";
        EXPECT_EQ(testing::internal::GetCapturedStdout(), expected);
        EXPECT_EQ(std::tuple(level.vertexes.size(), level.nodes.size(), level.status),
                  std::tuple(0u, 0u, missing ? LevelStatus::kUnreadable : LevelStatus::kInvalid));
    }
    EXPECT_EQ(std::tuple(level.scale, level.offsetX, level.offsetY, level.maxDepth, level.maxDraw, level.drawFarSides),
              std::tuple(2.5f, -3.0f, 7.5f, 11, 222, uint8_t(1)));
    std::remove(path.c_str());
}

TEST(Level, ReadsWholeLittleEndianRecordsAtOddOffsetsAndWidensTheTree) {
    TestMap map;
    map.vertexes = {{-32768, 256}}, map.linedefs = {{0, 1, 0, -1}}, map.things = {{-1, -32768, 32767, 1}};
    map.sectors = {{-32768, 300}}, map.segs = {{1, 0, -3, 0xFFFF}}, map.subsectors = {{-2, 7}};
    map.nodes = {{-5, 6, -7, 8, {-1, 2, -3, 4}, {5, -6, 7, -8}, 0xFFFF, 0x8001}, {0, 0, 0, 0, {}, {}, 0x7FFF, 0}};
    std::vector<TestLump> lumps = BuildMapLumps(map);
    lumps[5].data.resize(23);        // SEGS: one record and 11 trailing bytes
    lumps.erase(lumps.begin() + 3);  // no SIDEDEFS
    lumps.insert(lumps.begin(), {"PAD", {0x7F}});  // every lump after it starts at an odd offset
    Level level;
    LoadLevelFromBytes(level, BuildWad(lumps));
    ASSERT_EQ(std::tuple(level.things.size(), level.vertexes.size(), level.segs.size(), level.nodes.size(),
                         level.sectors.size(), level.linedefs.size(), level.subsectors.size(), level.sidedefs.size()),
              std::tuple(1, 1, 1, 2, 1, 1, 1, 0));
    const MapThing& t = level.things[0];
    EXPECT_EQ(std::tuple(t.x, t.y, t.angle, level.linedefs[0].backSidedef, level.segVertexes[0].x, level.segVertexes[0].y),
              std::tuple(-1, -32768, 32767, -1, -32768.0f, 256.0f));
    const BspSeg& seg = level.segs[0];
    const BspNode& n = level.nodes[0];
    EXPECT_EQ(std::tuple(seg.startVertex, seg.linedef, seg.backSide, level.subsectors[0].firstSeg, level.subsectors[0].segCount),
              std::tuple(1u, uint32_t(-3), 1, 7, -2));
    EXPECT_EQ(std::tuple(n.x, n.dx, int(n.rightBox.top), int(n.leftBox.right), n.rightChild, n.leftChild, level.nodes[1].rightChild),
              std::tuple(-5, -7, -1, -8, kSubsectorChild, kSubsectorChild | 1, 0x7FFFu));
    EXPECT_EQ(level.rootReference, 1u);
}

// Formats the viewer recognises but cannot read are named, and none of their records is read.
TEST(Level, OtherMapFormatsAreNamedAndNotRead) {
    std::vector<TestLump> hexen = BuildMapLumps(TestMap{}), gl = hexen;
    hexen.push_back(Lump("BEHAVIOR", "x"));
    gl[7].data = Bytes{'X', 'G', 'L', 'N', 0, 0, 0, 0};
    const std::tuple<std::vector<TestLump>, std::string> cases[] = {
        {{Lump("E1M1"), Lump("TEXTMAP", "namespace=\"doom\";"), Lump("ENDMAP")}, "E1M1: UDMF map, which this viewer does not read\n"},
        {hexen, "E1M1: Hexen-format map, which this viewer does not read\n"},
        {gl, "E1M1: GL nodes (XGLN), which this viewer does not read\n"}};
    for (const auto& [lumps, message] : cases) {
        Level level;
        testing::internal::CaptureStdout();
        LoadLevelFromBytes(level, BuildWad(lumps));
        EXPECT_EQ(testing::internal::GetCapturedStdout(), message);
        EXPECT_EQ(std::tuple(level.status, level.things.size(), level.vertexes.size()),
                  std::tuple(LevelStatus::kNotDoomFormat, 0u, 0u));
    }
}
