// The level file: the directory and its lookups, the map list, the records and the tree a load
// reads, other formats, and files that lie about themselves.
#include <gtest/gtest.h>
#include <zlib.h>

#include <cstdio>

#include "render/bsp_walk.h"
#include "test_support.h"
#include "wad/extended_nodes.h"

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

std::vector<size_t> Shape(const Level& l) {
    return {l.vertexes.size(), l.linedefs.size(), l.things.size(),     l.sidedefs.size(),
            l.sectors.size(),  l.segs.size(),     l.subsectors.size(), l.nodes.size()};
}

std::string Repeat(const std::string& text, int count) { return count > 0 ? text + Repeat(text, count - 1) : ""; }

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
    // A map is an entry directly followed by THINGS; its name must match whole, in any case.
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
        EXPECT_EQ(testing::internal::GetCapturedStdout(), Repeat(missing ? "Unable to open " + path + "\n" : "Invalid WAD file\n", 8));
        EXPECT_EQ(std::tuple(Shape(level), level.status),
                  std::tuple(Shape(Level{}), missing ? LevelStatus::kUnreadable : LevelStatus::kInvalid));
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
    ASSERT_EQ(Shape(level), (std::vector<size_t>{1, 1, 1, 0, 1, 1, 1, 2}));
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
        {{Lump("E1M1"), Lump("TEXTMAP", "namespace=\"doom\";"), Lump("ENDMAP")}, "E1M1: UDMF map"},
        {hexen, "E1M1: Hexen-format map"}, {gl, "E1M1: GL nodes (XGLN)"}};
    for (const auto& [lumps, message] : cases) {
        Loaded loaded(BuildWad(lumps));
        EXPECT_EQ(std::tuple(loaded.printed, loaded.level.status, Shape(loaded.level)),
                  std::tuple(message + ", which this viewer does not read\n", LevelStatus::kNotDoomFormat, Shape(Level{})));
    }
}

// Broken headers, directories and lumps: each load reports like the sound file it amounts to, and draws like it.
TEST(MalformedWad, BrokenFilesLoadAndDrawLikeTheirSoundEquivalents) {
    const Bytes room = BuildWad(BuildMapLumps(Room())), none = BuildWad({{"E1M1", {}}});
    const size_t vertexEntry = (room[8] | room[9] << 8) + 16 * 4;  // after marker, THINGS, LINEDEFS, SIDEDEFS
    const Bytes noVertexes = Poked(room, vertexEntry + 8, 0x54524558);  // "XERT"
    Loaded noMap(none);
    EXPECT_EQ(std::tuple(noMap.printed, Shape(noMap.level)), std::tuple("", Shape(Level{})));
    EXPECT_EQ(RenderSmall(noMap.level, 1).first, "Fail\r\n");  // no nodes and no subsector 0
    const uint32_t size = uint32_t(room.size()), vertexPos = room[vertexEntry] | room[vertexEntry + 1] << 8;
    std::vector<std::tuple<std::string, Bytes, Bytes, int>> cases = {  // reports: of "Invalid WAD file"
        {"empty", {}, none, 8},
        {"shorter than the header", Bytes(room.begin(), room.begin() + 11), none, 8},
        {"neither IWAD nor PWAD", Poked(room, 0, 0x44415758), none, 8},      // "XWAD"
        {"an IWAD", Poked(room, 0, 0x44415749), room, 0},
        {"numLumps 0", Poked(room, 4, 0), none, 0},
        {"numLumps negative", Poked(room, 4, 0xFFFFFFFF), none, 0},
        {"numLumps far beyond the file", Poked(room, 4, 0x7FFFFFFF), none, 8},
        {"directory past the end", Poked(room, 8, 0xFFFFFFF0), none, 8},
        {"directory overlapping the end", Poked(room, 8, size - 8), none, 8},
        {"VERTEXES offset past the end", Poked(room, vertexEntry, size + 1), noVertexes, 1},
        {"VERTEXES offset wrapping with the size", Poked(room, vertexEntry, 0xFFFFFFF0), noVertexes, 1},
        {"VERTEXES a byte too long", Poked(room, vertexEntry + 4, size - vertexPos + 1), noVertexes, 1},
    };
    for (size_t i = 1; i <= 8; ++i) {  // three bytes more than whole records in each lump
        std::vector<TestLump> lumps = BuildMapLumps(Room());
        lumps[i].data.insert(lumps[i].data.end(), {1, 2, 3});
        cases.push_back({lumps[i].name + " of no whole records", BuildWad(lumps), room, 0});
    }
    for (const auto& [name, wad, soundWad, reports] : cases) {
        SCOPED_TRACE(name);
        Loaded broken(wad), sound(soundWad);
        EXPECT_EQ(broken.printed, Repeat("Invalid WAD file\n", reports));
        EXPECT_EQ(Shape(broken.level), Shape(sound.level));
        for (uint8_t solid : {0, 1}) EXPECT_EQ(RenderSmall(broken.level, solid), RenderSmall(sound.level, solid));
    }
}

// Extended nodes that do not hold what they claim are refused whole, in one line; trailing bytes are not read.
TEST(MalformedWad, ExtendedNodesThatLieAreRefused) {
    const Bytes data = ExtendedNodeData(Room());
    auto withNodes = [](const Bytes& nodes) {
        std::vector<TestLump> lumps = BuildMapLumps(Room());
        lumps[7].data = nodes;
        return BuildWad(lumps);
    };
    auto extended = [&](Bytes body) { return withNodes(Bytes{'X', 'N', 'O', 'D'} + body); };
    auto compressed = [&](const Bytes& body, size_t keep = SIZE_MAX) {
        uLongf size = compressBound(uLong(body.size()));
        Bytes stream(size);
        compress2(stream.data(), &size, body.data(), uLong(body.size()), 9);
        stream.resize(std::min<size_t>(size, keep));
        return withNodes(Bytes{'Z', 'N', 'O', 'D'} + stream);
    };
    std::vector<std::tuple<std::string, Bytes, std::string>> cases = {
        {"more original vertexes than VERTEXES", extended(Poked(data, 0, 5)), "extended nodes that name more vertexes than VERTEXES holds"},
        {"four billion segs", extended(Poked(data, 20, 0xFFFFFFFF)), "extended nodes cut short"},
        {"four billion new vertexes", extended(Poked(data, 4, 0xFFFFFFFF)), "extended nodes cut short"},
        {"a broken stream", withNodes(Bytes{'Z', 'N', 'O', 'D', 1, 2, 3, 4, 5}), "compressed nodes whose stream is broken"},
        {"a stream cut short", compressed(data, 12), "compressed nodes cut short"},
        {"a stream that inflates past the bound", compressed(Bytes(kMaxInflatedNodeBytes + 1, 0)),
         "compressed nodes that inflate past 64 MiB"}};
    for (size_t length = 0; length < data.size(); length += 7)  // cut inside every part
        cases.push_back({"cut to " + std::to_string(length) + " bytes", extended(Bytes(data.begin(), data.begin() + length)),
                         "extended nodes cut short"});
    const Loaded none(BuildWad({{"E1M1", {}}}));
    for (const auto& [name, wad, problem] : cases) {
        SCOPED_TRACE(name);
        Loaded broken(wad);
        EXPECT_EQ(std::tuple(broken.printed, broken.level.status),
                  std::tuple("E1M1: " + problem + ", which this viewer does not read\n", LevelStatus::kNotDoomFormat));
        EXPECT_EQ(RenderSmall(broken.level, 1), RenderSmall(none.level, 1));
    }
    Loaded trailing(extended(data + Bytes{1, 2, 3})), room(BuildWad(BuildMapLumps(Room())));
    for (uint8_t solid : {0, 1}) EXPECT_EQ(RenderSmall(trailing.level, solid), RenderSmall(room.level, solid));
}

// More segs and vertexes than 16-bit indices can name: one subsector of 70,000 segs, each between two
// new vertexes; all but the last lie behind the viewer, and the last, seg 69,999, is the wall from
// (100, -50) to (100, 50) seen from (0, 0): columns 144 to 655, rows 137 to 463.
TEST(ExtendedNodes, MoreSegsAndVertexesThanClassicIndicesHold) {
    constexpr uint32_t kSegs = 70000;
    TestMap map;
    map.vertexes = {{0, 0}}, map.linedefs = {{0, 0, 0, -1}}, map.sidedefs = {{0}}, map.sectors = {{0, 128}};
    std::vector<TestLump> lumps = BuildMapLumps(map);
    Bytes nodes = {'X', 'N', 'O', 'D'};
    PutInt32(nodes, 1), PutInt32(nodes, 2 * kSegs);
    for (uint32_t k = 0; k < kSegs; ++k) {
        bool last = k + 1 == kSegs;  // 16.16 fixed point; the others half a unit off
        PutInt32(nodes, uint32_t((last ? 100 : -100) * 65536)), PutInt32(nodes, uint32_t(-50 * 65536 + (last ? 0 : 32768)));
        PutInt32(nodes, uint32_t((last ? 100 : -100) * 65536)), PutInt32(nodes, uint32_t(50 * 65536 + (last ? 0 : 32768)));
    }
    PutInt32(nodes, 1), PutInt32(nodes, kSegs);
    PutInt32(nodes, kSegs);
    for (uint32_t k = 0; k < kSegs; ++k) PutInt32(nodes, 1 + 2 * k), PutInt32(nodes, 2 + 2 * k), PutInt16(nodes, 0), nodes.push_back(0);
    PutInt32(nodes, 0);
    lumps[7].data = nodes;
    Level level;
    LoadLevelFromBytes(level, BuildWad(lumps));
    ASSERT_EQ(std::tuple(level.status, level.segs.size(), level.segVertexes.size(), level.rootReference),
              std::tuple(LevelStatus::kLoaded, size_t(kSegs), size_t(2 * kSegs + 1), kSubsectorChild));
    const SegVertex& fractional = level.segVertexes[2 * kSegs - 2];
    EXPECT_EQ(std::pair(fractional.x, fractional.y), std::pair(-100.0f, 50.5f));
    level.scale = 10, level.maxDepth = level.maxDraw = 100, level.drawFarSides = 1;
    ViewerState viewer{.solidWalls = 1};
    TestPicture picture(800, 600);
    BspWalk walk(level, viewer, picture.framebuffer);
    WalkBspNode(walk, level.rootReference, 0);
    EXPECT_EQ(picture.BlackRuns({143, 144, 655, 656}), (std::vector<std::pair<int32_t, int32_t>>{{-1, -1}, {137, 463}, {137, 463}, {-1, -1}}));
}
