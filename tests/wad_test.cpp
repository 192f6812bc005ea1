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

// The directory read from a file in memory, which it points into.
struct Directory {
    explicit Directory(const Bytes& wad) : file{"test.wad", std::make_shared<const WadImage>(WadImage{wad})} {}
    LevelFile file;
    WadDirectory read = std::move(*ReadLevelFileDirectory(file));
};

std::string Repeat(const std::string& text, int count) { return count > 0 ? text + Repeat(text, count - 1) : ""; }

}  // namespace

// An entry matches when its name occurs within the wanted name, from the marker (found alike) on.
TEST(LumpLookup, SubstringsFromTheMarkerOnAndMapsByWholeName) {
    const std::vector<TestLump> usual = {Lump("E1M1", "marker"), Lump("SSECTORS", "ss"), Lump("SECTORS", "se")};
    auto early = [](const char* marker) {  // a THINGS entry before the real marker
        return std::vector<TestLump>{Lump(marker, "m"), Lump("THINGS", "early"), Lump("E1M1"), Lump("THINGS", "th")};
    };
    const std::tuple<std::vector<TestLump>, const char*, const char*, const char*> cases[] = {
        {usual, "E1M1", "SSECTORS", "ss"}, {usual, "E1M1", "SECTORS", "se"}, {usual, "E1M1", "E1M1", "marker"},
        {usual, "E1M2", "SECTORS", ""}, {early("M1"), "E1M1", "THINGS", "early"}, {early(""), "E1M1", "THINGS", "m"},
        {{Lump("E1M1"), Lump("THINGS", "t1"), Lump("E1M2"), Lump("VERTEXES", "v2")}, "E1M1", "VERTEXES", "v2"}};
    for (const auto& [lumps, map, lump, expected] : cases) {
        Bytes wad = BuildWad(lumps);
        Directory directory(wad);
        std::optional<int32_t> marker = FindEntryNamedWithin(directory.read, 0, map);
        std::optional<int32_t> index = marker ? FindEntryNamedWithin(directory.read, *marker, lump) : std::nullopt;
        LumpEntry found = index ? LumpAt(directory.read, *index) : LumpEntry{12, 0, {}};
        EXPECT_EQ(std::string(wad.begin() + found.filePos, wad.begin() + found.filePos + found.size), expected) << map << " " << lump;
    }
    const Directory file(BuildWad({Lump("MAP10"), Lump("THINGS"), Lump("PLAYPAL"), Lump("MAP1"), Lump("THINGS"), Lump("E1M1"),
                                   Lump("VERTEXES"), Lump("MAP02"), Lump("THINGS")}));
    const WadDirectory& maps = file.read;
    EXPECT_EQ(ListMaps(maps), (std::vector<std::string>{"MAP10", "MAP1", "MAP02"}));
    EXPECT_EQ(std::tuple(FindMapEntry(maps, "map1"), FindMapEntry(maps, "MAP10"), FindMapEntry(maps, "MAP0"), FindMapEntry(maps, "E1M1")),
              std::tuple(3, 0, std::nullopt, std::nullopt));
}

TEST(Level, ReadsWholeLittleEndianRecordsAtOddOffsetsAndWidensTheTree) {
    TestMap map;
    map.vertexes = {{-32768, 256}}, map.linedefs = {{0, 1, 0, -1}}, map.things = {{-1, -32768, 32767, 1}};
    map.sectors = {{-32768, 300}}, map.segs = {{1, 0, -3, 0xFFFF}}, map.subsectors = {{-2, 7}};
    map.nodes = {{-5, 6, -7, 8, {-1, 2, -3, 4}, {5, -6, 7, -8}, 0xFFFF, 0x8001}, {0, 0, 0, 0, {}, {}, 0x7FFF, 0}};
    std::vector<TestLump> lumps = BuildMapLumps(map);
    lumps[5].data.resize(23);                      // SEGS: one record and 11 trailing bytes
    lumps.erase(lumps.begin() + 3);                // no SIDEDEFS
    lumps.insert(lumps.begin(), {"PAD", {0x7F}});  // every lump after it starts at an odd offset
    Level level = LoadLevelFromBytes(BuildWad(lumps));
    ASSERT_EQ(std::vector<size_t>({level.vertexes.size(), level.linedefs.size(), level.things.size(), level.sidedefs.size(),
                                   level.sectors.size(), level.segs.size(), level.subsectors.size(), level.nodes.size()}),
              (std::vector<size_t>{1, 1, 1, 0, 1, 1, 1, 2}));
    const MapThing& t = level.things[0];
    const MapSeg& seg = level.segs[0];
    const MapNode& n = level.nodes[0];
    EXPECT_EQ(std::tuple(t.x, t.y, t.angle, level.linedefs[0].backSidedef, level.segVertexes[0].x, level.segVertexes[0].y, level.sectors[0].ceilingHeight),
              std::tuple(-1.0, -32768.0, 32767, -1, -32768.0, 256.0, 300));
    EXPECT_EQ(std::tuple(seg.startVertex, seg.linedef, seg.backSide, level.subsectors[0].firstSeg, level.subsectors[0].segCount),
              std::tuple(1u, uint32_t(-3), 1, 7, -2));
    EXPECT_EQ(std::tuple(n.x, n.dx, int(n.rightBox.top), int(n.leftBox.right), n.rightChild, n.leftChild, level.nodes[1].rightChild, level.rootReference),
              std::tuple(-5.0, -7.0, -1, -8, kSubsectorChild, kSubsectorChild | 1, 0x7FFFu, 1u));
}

// Broken files load (and draw) like the sound ones they amount to, reporting as the table says; formats the
// viewer does not read, and extended nodes that lie, are named in one line and not read at all.
TEST(MalformedWad, BrokenFilesAndOtherFormats) {
    const Bytes room = BuildWad(BuildMapLumps(Room())), none = BuildWad({{"E1M1", {}}}), data = ExtendedNodeData(Room());
    const size_t vertexEntry = (room[8] | room[9] << 8) + 16 * 4;  // after marker, THINGS, LINEDEFS, SIDEDEFS
    const uint32_t size = uint32_t(room.size()), vertexPos = room[vertexEntry] | room[vertexEntry + 1] << 8;
    const Bytes noVertexes = Poked(room, vertexEntry + 8, 0x54524558);  // "XERT"
    auto withNodes = [](const Bytes& nodes) {
        std::vector<TestLump> lumps = BuildMapLumps(Room());
        lumps[7].data = nodes;
        return BuildWad(lumps);
    };
    auto compressed = [&](const Bytes& body, size_t keep = SIZE_MAX) {
        uLongf length = compressBound(uLong(body.size()));
        Bytes stream(length);
        compress(stream.data(), &length, body.data(), uLong(body.size()));
        return withNodes(Bytes{'Z', 'N', 'O', 'D'} + Bytes(stream.begin(), stream.begin() + std::min<size_t>(length, keep)));
    };
    const std::string invalid = "Invalid WAD file\n", unread = ", which this viewer does not read\n";
    std::vector<std::tuple<std::string, Bytes, Bytes, std::string>> cases = {  // printed, and the sound equivalent
        {"empty", {}, none, Repeat(invalid, 8)},
        {"shorter than the header", Bytes(room.begin(), room.begin() + 11), none, Repeat(invalid, 8)},
        {"neither IWAD nor PWAD", Poked(room, 0, 0x44415758), none, Repeat(invalid, 8)},
        {"an IWAD", Poked(room, 0, 0x44415749), room, ""},
        {"numLumps 0", Poked(room, 4, 0), none, ""},
        {"numLumps negative", Poked(room, 4, 0xFFFFFFFF), none, ""},
        {"numLumps far beyond the file", Poked(room, 4, 0x7FFFFFFF), none, Repeat(invalid, 8)},
        {"directory past the end", Poked(room, 8, 0xFFFFFFF0), none, Repeat(invalid, 8)},
        {"directory overlapping the end", Poked(room, 8, size - 8), none, Repeat(invalid, 8)},
        {"VERTEXES offset past the end", Poked(room, vertexEntry, size + 1), noVertexes, invalid},
        {"VERTEXES offset wrapping with the size", Poked(room, vertexEntry, 0xFFFFFFF0), noVertexes, invalid},
        {"VERTEXES a byte too long", Poked(room, vertexEntry + 4, size - vertexPos + 1), noVertexes, invalid},
        {"a UDMF map with no tree", BuildWad({Lump("E1M1"), Lump("TEXTMAP", "namespace=\"doom\";"), Lump("ENDMAP")}), none,
         "E1M1: no BSP tree, so no walls; Debian's zdbsp builds one (zdbsp -o OUT.wad test.wad)\n"},
        {"a TEXTMAP broken", BuildWad({Lump("E1M1"), Lump("TEXTMAP", "vertex { x = 1;"), Lump("ENDMAP")}), none,
         "E1M1: TEXTMAP line 1: unterminated block" + unread},
        {"DeePBSP nodes", withNodes({'x', 'N', 'd', '4', 0, 0, 0, 0}), none, "E1M1: DeePBSP nodes (xNd4)" + unread},
        {"GL nodes cut short", withNodes({'X', 'G', 'L', 'N', 0, 0, 0, 0}), none, "E1M1: GL nodes cut short" + unread},
        {"extended nodes with trailing bytes", withNodes(Bytes{'X', 'N', 'O', 'D'} + data + Bytes{1, 2, 3}), room, ""},
        {"more original vertexes than VERTEXES", withNodes(Bytes{'X', 'N', 'O', 'D'} + Poked(data, 0, 5)), none,
         "E1M1: extended nodes that name more vertexes than VERTEXES holds" + unread},
        {"four billion segs", withNodes(Bytes{'X', 'N', 'O', 'D'} + Poked(data, 20, 0xFFFFFFFF)), none, "E1M1: extended nodes cut short" + unread},
        {"four billion new vertexes", withNodes(Bytes{'X', 'N', 'O', 'D'} + Poked(data, 4, 0xFFFFFFFF)), none, "E1M1: extended nodes cut short" + unread},
        {"a broken stream", withNodes(Bytes{'Z', 'N', 'O', 'D', 1, 2, 3, 4, 5}), none, "E1M1: compressed nodes whose stream is broken" + unread},
        {"a stream cut short", compressed(data, 12), none, "E1M1: compressed nodes cut short" + unread},
        {"a stream past the bound", compressed(Bytes(kMaxInflatedNodeBytes + 1, 0)), none, "E1M1: compressed nodes that inflate past 64 MiB" + unread},
    };
    for (size_t i = 1; i <= 8; ++i) {  // three bytes more than whole records in each lump
        std::vector<TestLump> lumps = BuildMapLumps(Room());
        lumps[i].data.insert(lumps[i].data.end(), {1, 2, 3});
        cases.push_back({lumps[i].name + " of no whole records", BuildWad(lumps), room, ""});
    }
    for (size_t length = 0; length < data.size(); length += 7)  // extended nodes cut inside every part
        cases.push_back({"extended nodes cut to " + std::to_string(length), withNodes(Bytes{'X', 'N', 'O', 'D'} + Bytes(data.begin(), data.begin() + length)),
                         none, "E1M1: extended nodes cut short" + unread});
    for (const auto& [name, wad, soundWad, printed] : cases) {
        SCOPED_TRACE(name);
        ExpectDrawsLike(wad, soundWad, printed);
    }
}

// More segs and vertexes than 16-bit indices can name: one subsector of 70,000 segs between new vertexes;
// all but the last lie behind the viewer at (0, 0), half a unit off; the last is the wall (100, -50)-(100, 50).
TEST(ExtendedNodes, MoreSegsAndVertexesThanClassicIndicesHold) {
    constexpr uint32_t kSegs = 70000;
    TestMap map;
    map.vertexes = {{0, 0}}, map.linedefs = {{0, 0, 0, -1}}, map.sidedefs = {{0}}, map.sectors = {{0, 128}};
    std::vector<TestLump> lumps = BuildMapLumps(map);
    Bytes& nodes = lumps[7].data = {'X', 'N', 'O', 'D'};
    PutInt32(nodes, 1), PutInt32(nodes, 2 * kSegs);
    for (uint32_t k = 0; k < kSegs; ++k)
        for (int32_t y : {-50, 50}) PutInt32(nodes, uint32_t((k + 1 < kSegs ? -100 : 100) * 65536)), PutInt32(nodes, uint32_t(y * 65536 + (k + 1 < kSegs) * 32768));
    PutInt32(nodes, 1), PutInt32(nodes, kSegs), PutInt32(nodes, kSegs);
    for (uint32_t k = 0; k < kSegs; ++k) PutInt32(nodes, 1 + 2 * k), PutInt32(nodes, 2 + 2 * k), PutInt16(nodes, 0), nodes.push_back(0);
    PutInt32(nodes, 0);
    Level level = LoadLevelFromBytes(BuildWad(lumps));
    ASSERT_EQ(std::tuple(level.segs.size(), level.segVertexes.size(), level.rootReference), std::tuple(size_t(kSegs), size_t(2 * kSegs + 1), kSubsectorChild));
    EXPECT_EQ(std::pair(level.segVertexes[2 * kSegs - 2].x, level.segVertexes[2 * kSegs - 2].y), std::pair(-100.0, 50.5));
    TestPicture picture(800, 600);
    View view{.scale = 10, .maxDepth = 100, .maxDraw = 100, .solidWalls = 1};
    BspWalk walk(level, view, picture.framebuffer);
    WalkBspNode(walk, level.rootReference, 0);
    EXPECT_EQ(picture.BlackRuns({143, 144, 655, 656}), (std::vector<std::pair<int32_t, int32_t>>{{-1, -1}, {137, 463}, {137, 463}, {-1, -1}}));
}
