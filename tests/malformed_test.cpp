// Malformed level and font files: refused with their message, or drawn like the sound file without them.
#include <gtest/gtest.h>

#include <algorithm>
#include <functional>

#include <zlib.h>

#include "render/render_frame.h"
#include "test_support.h"
#include "wad/extended_nodes.h"

namespace {

using testing::internal::CaptureStdout;
using testing::internal::GetCapturedStdout;

constexpr int32_t kWidth = 64, kHeight = 48;
constexpr uint32_t kWhite = 0xFFFFFFFF, kBlue = 0x0000FF;
const std::string kInvalid = "Invalid WAD file\n", kFail = "Fail\r\n";

// One square room seen from inside: four walls, a player start, one node over subsectors 0 and 1 (empty).
TestMap Room() {
    TestMap map;
    map.vertexes = {{0, 0}, {64, 0}, {64, 64}, {0, 64}};
    map.linedefs = {{0, 1, 0, -1}, {1, 2, 0, -1}, {2, 3, 0, -1}, {3, 0, 0, -1}};
    map.things = {{32, 32, 0, 1}};
    map.sidedefs = {{0}};
    map.sectors = {{0, 4}};
    map.segs = {{0, 1, 0, 0}, {1, 2, 1, 0}, {2, 3, 2, 0}, {3, 0, 3, 0}};
    map.subsectors = {{4, 0}, {0, 0}};
    map.nodes = {{32, 0, 0, 64, {64, 0, 0, 32}, {64, 0, 32, 64}, 0x8000, 0x8001}};
    return map;
}

using MapEdit = std::function<void(TestMap&)>;

enum class Nodes { kClassic, kExtended, kCompressed };

Bytes RoomWad(const MapEdit& edit = [](TestMap&) {}, Nodes nodes = Nodes::kClassic) {
    TestMap map = Room();
    edit(map);
    return BuildWad(nodes == Nodes::kClassic ? BuildMapLumps(map) : BuildExtendedMapLumps(map, nodes == Nodes::kCompressed));
}

Bytes Poked(Bytes bytes, size_t at, uint32_t value) {  // four little-endian bytes at `at` replaced
    for (int k = 0; k < 4; ++k) bytes[at + k] = uint8_t(value >> (8 * k));
    return bytes;
}

struct Loaded {  // a level loaded from file bytes, viewed at one pixel per map unit with far sides on
    Level level;
    std::string printed;
    explicit Loaded(const Bytes& wad) {
        level.scale = 10, level.maxDepth = level.maxDraw = INT32_MAX, level.drawFarSides = 1;
        CaptureStdout();
        LoadLevelFromBytes(level, wad);
        printed = GetCapturedStdout();
    }
};

std::vector<size_t> Shape(const Level& l) {  // the eight counts
    return {l.vertexes.size(), l.linedefs.size(), l.things.size(),     l.sidedefs.size(),
            l.sectors.size(),  l.segs.size(),     l.subsectors.size(), l.nodes.size()};
}

using Frame = std::pair<std::string, std::vector<uint32_t>>;
Frame Render(const Level& level, uint8_t solidWalls) {  // viewpoint (30, 30), or the map's player start
    ViewerState viewer{.playerX = 30, .playerY = 30, .solidWalls = solidWalls};
    FontImage font{nullptr, 0, false};  // an empty atlas: the status line is black
    StatusLine statusLine{};
    std::vector<uint32_t> pixels(kWidth * kHeight);
    CaptureStdout();
    RenderFrame({kWidth, kHeight, pixels.data()}, level, viewer, font, statusLine);
    return {GetCapturedStdout(), pixels};
}

// Black status line, then white but for blue squares around (centre, centre): viewpoint 6, player start 3.
std::vector<uint32_t> NoMap(int32_t centre, std::vector<int32_t> halfSides) {
    std::vector<uint32_t> pixels(kWidth * kHeight, kWhite);
    std::fill_n(pixels.begin(), 16 * kWidth, 0u);
    for (int32_t h : halfSides)
        for (int32_t k = -h; k <= h; ++k)
            for (auto [x, y] : {std::pair{k, -h}, {k, h}, {-h, k}, {h, k}})
                pixels[(centre + y) * kWidth + centre + x] = kBlue;
    return pixels;
}

Bytes operator+(Bytes head, const Bytes& tail) {
    head.insert(head.end(), tail.begin(), tail.end());
    return head;
}

std::string Repeat(const std::string& text, int count) {
    return count > 0 ? text + Repeat(text, count - 1) : "";
}

TEST(MalformedWad, BrokenFilesLoadAndDrawLikeTheirSoundEquivalents) {
    const Bytes room = RoomWad(), none = BuildWad({{"E1M1", {}}});
    const size_t vertexEntry = (room[8] | room[9] << 8) + 16 * 4;  // after marker, THINGS, LINEDEFS, SIDEDEFS
    const Bytes noVertexes = Poked(room, vertexEntry + 8, 0x54524558);  // "XERT"
    Loaded noMap(none);
    EXPECT_EQ(std::tuple(noMap.printed, Shape(noMap.level)), std::tuple("", Shape(Level{})));
    EXPECT_EQ(Render(noMap.level, 1), std::pair(kFail, NoMap(30, {6})));  // no nodes and no subsector 0
    Loaded noLines(noVertexes);
    EXPECT_EQ(noLines.printed, "");
    EXPECT_EQ(Shape(noLines.level), (std::vector<size_t>{0, 4, 1, 1, 1, 4, 2, 1}));
    for (uint8_t solid : {0, 1}) EXPECT_EQ(Render(noLines.level, solid), Frame("", NoMap(32, {6, 3})));

    const uint32_t size = uint32_t(room.size()), vertexPos = room[vertexEntry] | room[vertexEntry + 1] << 8;
    std::vector<std::tuple<std::string, Bytes, Bytes, int>> cases = {  // reports: of "Invalid WAD file"
        {"empty", {}, none, 8},
        {"shorter than the header", Bytes(room.begin(), room.begin() + 11), none, 8},
        {"neither IWAD nor PWAD", Poked(room, 0, 0x44415758), none, 8},      // "XWAD"
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
        EXPECT_EQ(broken.printed, Repeat(kInvalid, reports));
        EXPECT_EQ(Shape(broken.level), Shape(sound.level));
        for (uint8_t solid : {0, 1}) EXPECT_EQ(Render(broken.level, solid), Render(sound.level, solid));
    }
}

MapEdit ExtraSeg(TestSeg seg) {  // a fifth seg in subsector 0
    return [seg](TestMap& m) { m.segs.push_back(seg); m.subsectors[0].segCount = 5; };
}
MapEdit FrontSide(int16_t side) { return [side](TestMap& m) { m.linedefs[1].frontSidedef = side; }; }
MapEdit NewFrontSide(int16_t sector) {
    return [sector](TestMap& m) { m.sidedefs.push_back({sector}); m.linedefs[1].frontSidedef = 1; };
}
MapEdit Subsector(int16_t n, int16_t first) { return [=](TestMap& m) { m.subsectors[0] = {n, first}; }; }
MapEdit LeftChild(uint16_t child) { return [child](TestMap& m) { m.nodes[0].leftChild = child; }; }

TEST(MalformedMap, BrokenRecordsAreSkippedAndTheRestIsDrawn) {
    const MapEdit asIs = [](TestMap&) {}, noWalls = Subsector(0, 0);
    const MapEdit seg1AsSeg0 = [](TestMap& m) { m.segs[1] = m.segs[0]; };
    // The most segs, all shared, and the longest chain of nodes: a billion walls unless each is drawn once.
    auto sharedSegs = [](bool chain) -> MapEdit {
        return [chain](TestMap& m) {
            for (int k = 4; k < 32767; ++k) m.segs.push_back(m.segs[k % 4]);
            m.subsectors = {{32767, 0}, {32767, 0}};
            for (uint16_t i = 1; chain && i < 32767; ++i)
                m.nodes.push_back({32, 0, 0, 64, {}, {}, uint16_t(i - 1), 0x8001});
        };
    };
    const std::tuple<const char*, MapEdit, MapEdit, std::string> cases[] = {
        {"seg start vertex beyond the array", ExtraSeg({9, 1, 0, 0}), asIs, ""},
        {"seg end vertex negative", ExtraSeg({0, -1, 0, 0}), asIs, ""},
        {"seg linedef beyond the array", ExtraSeg({0, 2, 4, 0}), asIs, ""},
        {"seg linedef negative", ExtraSeg({0, 2, -1, 0}), asIs, ""},
        {"seg on the missing back (-1) of a one-sided line", ExtraSeg({0, 2, 0, 1}), asIs, ""},
        {"linedef front side beyond the array", FrontSide(1), seg1AsSeg0, ""},
        {"linedef front side negative", FrontSide(-2), seg1AsSeg0, ""},
        {"sidedef sector beyond the array", NewFrontSide(1), seg1AsSeg0, ""},
        {"sidedef sector negative", NewFrontSide(-1), seg1AsSeg0, ""},
        {"linedef vertexes outside the array",
         [](TestMap& m) { m.linedefs[2].startVertex = 4; m.linedefs[3].endVertex = -1; },
         [](TestMap& m) { m.linedefs[2] = m.linedefs[3] = m.linedefs[0]; }, ""},
        {"subsector segs reaching past the array", Subsector(20, 0), asIs, ""},
        {"subsector starting before the array", Subsector(7, -3), asIs, ""},
        {"subsector with a negative seg count (classic only)", Subsector(-4, 0), noWalls, ""},
        {"node child naming a subsector beyond the array", LeftChild(0x8007), asIs, kFail},
        {"node child beyond numNodes", LeftChild(5), asIs, ""},
        {"node pointing at itself", LeftChild(0), asIs, ""},
        {"two nodes pointing at each other",
         [](TestMap& m) { m.nodes.push_back(m.nodes[0]); m.nodes[0].leftChild = 1; m.nodes[1].leftChild = 0; },
         asIs, ""},
        {"the longest chain of nodes, each to shared segs", sharedSegs(true), sharedSegs(false), ""},
        {"zero nodes, zero subsectors", [](TestMap& m) { m.nodes.clear(); m.subsectors.clear(); }, noWalls, kFail},
    };
    for (uint8_t solid : {0, 1})  // the walls show, so a broken seg that was drawn would show too
        ASSERT_NE(Render(Loaded(RoomWad()).level, solid), Render(Loaded(RoomWad(noWalls)).level, solid));
    // Extended nodes hold the same tree with wider indices, and are skipped alike.
    for (const auto& [name, breakIt, soundEquivalent, printed] : cases) {
        SCOPED_TRACE(name);
        for (Nodes nodes : {Nodes::kClassic, Nodes::kExtended}) {
            if (nodes == Nodes::kExtended && std::string(name).ends_with("(classic only)")) continue;
            Loaded broken(RoomWad(breakIt, nodes)), sound(RoomWad(soundEquivalent));
            for (uint8_t solid : {0, 1})
                EXPECT_EQ(Render(broken.level, solid), std::pair(printed, Render(sound.level, solid).second));
        }
    }
}

// Extended nodes that do not hold what they claim are refused whole, in one line; trailing bytes are not read.
TEST(MalformedMap, ExtendedNodesThatLieAreRefused) {
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
    const std::string refused = ", which this viewer does not read\n";
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
        EXPECT_EQ(std::tuple(broken.printed, broken.level.status), std::tuple("E1M1: " + problem + refused, LevelStatus::kNotDoomFormat));
        EXPECT_EQ(Render(broken.level, 1), Render(none.level, 1));
    }
    Loaded trailing(extended(data + Bytes{1, 2, 3})), room(RoomWad());
    for (uint8_t solid : {0, 1}) EXPECT_EQ(Render(trailing.level, solid), Render(room.level, solid));
}

// The size read, what the atlas holds, and a status line drawn with it staying inside small and empty frames.
TEST(MalformedFont, HeadersOfEverySizeStayInsideTheirPixels) {
    auto bmp = [](int32_t width, int32_t height, uint16_t bits, size_t pixelBytes) {
        Bytes file = Poked(Poked(Poked(Bytes(54, 0), 18, uint32_t(width)), 22, uint32_t(height)), 28, bits);
        for (size_t k = 0; k < pixelBytes; ++k) file.push_back(uint8_t(k * 7 + 1));
        return file;
    };
    const std::tuple<const char*, Bytes, int32_t, int32_t, size_t, uint32_t> cases[] = {
        {"empty file (no bytes at all)", Bytes(), 0, 0, kFontStorePixels, kWhite},
        {"header cut inside the width", Bytes(20, 0x56), 0x5656, 0, kFontStorePixels, kWhite},
        {"negative height, 24-bit", bmp(256, -1, 24, 64), 256, -1, 0, 0},
        {"zero size, 24-bit", bmp(0, 0, 24, 64), 0, 0, 0, 0},
        {"enormous, 32-bit", bmp(INT32_MAX, INT32_MAX, 32, 8), INT32_MAX, INT32_MAX, kFontStorePixels, 0x160F0801},
        {"enormous, 24-bit", bmp(65536, 65536, 24, 6), 65536, 65536, kFontStorePixels * 4 / 3, 0x000F0801},
        {"8-bit pixels read as 32-bit", bmp(1, 1, 8, 4), 1, 1, kFontStorePixels, 0x160F0801},
        {"32-bit pixels", bmp(2, 1, 32, 8), 2, 1, kFontStorePixels, 0x160F0801},
    };
    StatusLine line{};
    FormatStatusLine(line, 100, 250, 50, 50);
    for (const auto& [name, file, width, height, pixelCount, firstPixel] : cases) {
        SCOPED_TRACE(name);
        FontImage font{};
        ResetFontImage(font);
        FillFallbackCheckerboard(font);
        int32_t readWidth = -7, readHeight = -7;
        LoadFontImageFromBytes(font, file.data(), file.size(), &readWidth, &readHeight);
        EXPECT_EQ(std::tuple(readWidth, readHeight, font.pixelCount), std::tuple(width, height, pixelCount));
        if (pixelCount > 0) { EXPECT_EQ(font.pixels[0], firstPixel); }
        for (auto [w, h] : {std::pair{100, 20}, {33, 7}, {1, 1}, {0, 16}, {17, 0}, {5, -3}}) {
            std::vector<uint32_t> pixels(size_t(std::max(w * h, 0)) + 1, 0x12345678);
            DrawStatusText({w, h, pixels.data()}, font, line);
            EXPECT_EQ(pixels.back(), 0x12345678u) << w << "x" << h;
        }
        ResetFontImage(font);
    }
}

}  // namespace
