// Malformed level and font files: each is refused with its message, or drawn
// exactly like the sound file it would be with the broken records left out.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <functional>
#include <string>
#include <vector>

#include "app/key_commands.h"
#include "app/viewer.h"
#include "render/render_frame.h"
#include "test_support.h"

namespace {

using testing::internal::CaptureStdout;
using testing::internal::GetCapturedStdout;

constexpr int32_t kWidth = 64, kHeight = 48;
constexpr uint32_t kWhite = 0xFFFFFFFF, kBlue = 0x0000FF;

std::string Repeat(const std::string& text, int count) {
    std::string out;
    while (count-- > 0) out += text;
    return out;
}

// One square room seen from inside: four walls, a player start, one node whose
// children are subsectors 0 (the walls) and 1 (no segs).
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

struct Frame {
    std::vector<uint32_t> pixels = std::vector<uint32_t>(kWidth * kHeight);
    std::string printed;
};

// One frame from the map's player start, one pixel per map unit, far sides on.
Frame Render(const Level& loaded, uint8_t solidWalls, int32_t maxDepth = 100) {
    Level level = loaded;
    level.scale = 10, level.offsetX = 0, level.offsetY = 0;
    level.maxDepth = maxDepth, level.maxDraw = INT32_MAX, level.drawFarSides = 1;
    ViewerState viewer;
    viewer.solidWalls = solidWalls;
    viewer.playerX = viewer.playerY = 30;
    FontImage font{nullptr, 0, false};  // an empty atlas: the status line is black
    StatusLine statusLine{};
    Frame frame;
    Framebuffer framebuffer{kWidth, kHeight, frame.pixels.data()};
    CaptureStdout();
    RenderFrame(framebuffer, level, viewer, font, statusLine);
    frame.printed = GetCapturedStdout();
    return frame;
}

struct Loaded {
    Level level;
    std::string printed;
    ~Loaded() { FreeLevel(level); }
};

void Load(Loaded& loaded, const Bytes& wad) {
    CaptureStdout();
    LoadLevelFromBytes(loaded.level, wad);
    loaded.printed = GetCapturedStdout();
}

void ExpectNoArrays(const Level& level) {
    EXPECT_EQ(level.vertexes, nullptr);
    EXPECT_EQ(level.nodes, nullptr);
    for (int32_t count : {level.numVertexes, level.numLinedefs, level.numThings, level.numSidedefs,
                          level.numSectors, level.numSegs, level.numSubsectors, level.numNodes})
        EXPECT_EQ(count, 0);
}

// White below the status line except the blue viewpoint box around (30, 30).
void ExpectOnlyStatusLineAndViewpoint(const Frame& frame) {
    for (int32_t y = 0; y < kHeight; ++y) {
        for (int32_t x = 0; x < kWidth; ++x) {
            bool onBox = (x >= 24 && x <= 36 && (y == 24 || y == 36)) ||
                         (y >= 24 && y <= 36 && (x == 24 || x == 36));
            uint32_t expected = y < 16 ? 0 : onBox ? kBlue : kWhite;
            ASSERT_EQ(frame.pixels[y * kWidth + x], expected) << "at " << x << "," << y;
        }
    }
}

Bytes RoomWad() { return BuildWad(BuildMapLumps(Room())); }

// Directory entry i of a file built by BuildWad.
size_t EntryOffset(const Bytes& wad, size_t i) {
    return size_t(wad[8] | wad[9] << 8 | wad[10] << 16 | uint32_t(wad[11]) << 24) + 16 * i;
}

Bytes Cut(Bytes bytes, size_t size) {
    bytes.resize(size);
    return bytes;
}

void Poke32(Bytes& bytes, size_t at, uint32_t value) {
    for (int k = 0; k < 4; ++k) bytes[at + k] = uint8_t(value >> (8 * k));
}

const std::string kInvalid = "Invalid WAD file\n";

struct BadFile {
    const char* name;
    std::function<void(Bytes&)> edit;  // of the room's file
    bool reported;                     // "Invalid WAD file" on each of the eight lookups, or nothing
};

const BadFile kBadFiles[] = {
    {"empty", [](Bytes& w) { w.clear(); }, true},
    {"shorter than the header", [](Bytes& w) { w.resize(11); }, true},
    {"neither IWAD nor PWAD", [](Bytes& w) { w[0] = 'X'; }, true},
    {"lower-case identification", [](Bytes& w) { std::memcpy(w.data(), "pwad", 4); }, true},
    {"numLumps 0", [](Bytes& w) { Poke32(w, 4, 0); }, false},
    {"numLumps negative", [](Bytes& w) { Poke32(w, 4, 0xFFFFFFFF); }, false},
    {"numLumps INT32_MIN", [](Bytes& w) { Poke32(w, 4, 0x80000000); }, false},
    {"numLumps far beyond the file", [](Bytes& w) { Poke32(w, 4, 0x7FFFFFFF); }, true},
    {"numLumps one too many", [](Bytes& w) { Poke32(w, 4, 10); }, true},
    {"directory past the end", [](Bytes& w) { Poke32(w, 8, 0xFFFFFFF0); }, true},
    {"directory overlapping the end", [](Bytes& w) { Poke32(w, 8, uint32_t(w.size() - 8)); }, true},
    {"directory cut short", [](Bytes& w) { w.pop_back(); }, true},
};

TEST(MalformedWad, BadFilesGiveNoLevelAndAFrameWithoutMap) {
    for (const BadFile& bad : kBadFiles) {
        SCOPED_TRACE(bad.name);
        Bytes wad = RoomWad();
        bad.edit(wad);
        Loaded loaded;
        Load(loaded, wad);
        EXPECT_EQ(loaded.printed, bad.reported ? Repeat(kInvalid, 8) : "");
        ExpectNoArrays(loaded.level);
        Frame frame = Render(loaded.level, 1);
        // No nodes: the walk asks for subsector 0, which is not there.
        EXPECT_EQ(frame.printed, "Fail\r\n");
        ExpectOnlyStatusLineAndViewpoint(frame);
    }
}

TEST(MalformedWad, UnreadableFileIsReportedOnEveryLookup) {
    Level level;
    CaptureStdout();
    LoadLevel(level, 0, "/nonexistent/DOOM1.WAD");
    EXPECT_EQ(GetCapturedStdout(), Repeat("Unable to open /nonexistent/DOOM1.WAD\n", 8));
    ExpectNoArrays(level);
    EXPECT_EQ(level.image, nullptr);
}

// Entries of the room file: 0 is the marker, then THINGS, LINEDEFS, SIDEDEFS,
// VERTEXES, SEGS, SSECTORS, NODES, SECTORS.
TEST(MalformedWad, LumpReachingPastTheEndIsRefusedAlone) {
    const Bytes room = RoomWad();
    const size_t entry = EntryOffset(room, 4);  // VERTEXES
    const uint32_t fileSize = uint32_t(room.size()), filePos = room[entry] | room[entry + 1] << 8;
    // Offset past the end, offset wrapping 32 bits with the size, size one byte
    // past the end, size wrapping 32 bits with the offset.
    const std::pair<size_t, uint32_t> edits[] = {
        {0, fileSize + 1}, {0, 0xFFFFFFF0u}, {4, fileSize - filePos + 1}, {4, 0xFFFFFFFFu}};
    for (auto [field, value] : edits) {
        SCOPED_TRACE(testing::Message() << "field " << field << " = " << value);
        Bytes wad = room;
        Poke32(wad, entry + field, value);
        Loaded loaded;
        Load(loaded, wad);
        EXPECT_EQ(loaded.printed, kInvalid);
        EXPECT_EQ(loaded.level.vertexes, nullptr);
        EXPECT_EQ(loaded.level.numVertexes, 0);
        EXPECT_EQ(loaded.level.numLinedefs, 4);
        EXPECT_EQ(loaded.level.numNodes, 1);
        // Without vertexes no line and no wall is drawn; the player start still moves the viewpoint.
        Frame frame = Render(loaded.level, 0);
        EXPECT_EQ(frame.printed, "");
        EXPECT_EQ(std::count(frame.pixels.begin() + 16 * kWidth, frame.pixels.end(), 0u), 0);
    }
}

TEST(MalformedWad, LumpSizesThatAreNotWholeRecordsCountWholeRecords) {
    const std::pair<const char*, int32_t Level::*> lumps[] = {
        {"THINGS", &Level::numThings},     {"LINEDEFS", &Level::numLinedefs},
        {"SIDEDEFS", &Level::numSidedefs}, {"VERTEXES", &Level::numVertexes},
        {"SEGS", &Level::numSegs},         {"SSECTORS", &Level::numSubsectors},
        {"NODES", &Level::numNodes},       {"SECTORS", &Level::numSectors}};
    Loaded sound;
    Load(sound, RoomWad());
    Frame expected = Render(sound.level, 1);
    for (const auto& [name, count] : lumps) {
        SCOPED_TRACE(name);
        std::vector<TestLump> files = BuildMapLumps(Room());
        for (TestLump& lump : files)
            if (lump.name == name) lump.data.insert(lump.data.end(), {1, 2, 3});
        Loaded loaded;
        Load(loaded, BuildWad(files));
        EXPECT_EQ(loaded.level.*count, sound.level.*count);
        EXPECT_EQ(Render(loaded.level, 1).pixels, expected.pixels);
    }
}

TEST(MalformedWad, MissingLumpsAreNullWithCountZero) {
    std::vector<TestLump> files = BuildMapLumps(Room());
    std::erase_if(files, [](const TestLump& l) { return l.name == "VERTEXES" || l.name == "NODES"; });
    Loaded loaded;
    Load(loaded, BuildWad(files));
    EXPECT_EQ(loaded.printed, "");
    EXPECT_TRUE(!loaded.level.vertexes && !loaded.level.numVertexes && !loaded.level.nodes && !loaded.level.numNodes);
    EXPECT_EQ(loaded.level.numSegs, 4);
    // No nodes: subsector 0 is drawn, but every seg names a vertex that is not there.
    Frame frame = Render(loaded.level, 0);
    EXPECT_EQ(frame.printed, "");
    EXPECT_EQ(std::count(frame.pixels.begin() + 16 * kWidth, frame.pixels.end(), 0u), 0);

    Loaded none;  // a map marker with nothing after it, and no later map to borrow from
    Load(none, BuildWad({{"E1M1", {}}}));
    EXPECT_EQ(none.printed, "");
    ExpectNoArrays(none.level);
}

// Broken records next to sound ones: the frame is that of the room with the
// broken records replaced by harmless ones.
using MapEdit = std::function<void(TestMap&)>;

MapEdit ExtraSeg(TestSeg seg) {
    return [seg](TestMap& m) { m.segs.push_back(seg); m.subsectors[0].segCount = 5; };
}

const MapEdit kAsIs = [](TestMap&) {};
const MapEdit kNoWalls = [](TestMap& m) { m.subsectors[0].segCount = 0; };
const MapEdit kSeg1AsSeg0 = [](TestMap& m) { m.segs[1] = m.segs[0]; };

struct BadMap {
    const char* name;
    MapEdit breakIt, soundEquivalent;
    const char* printed;
};

const BadMap kBadMaps[] = {
    {"seg start vertex beyond the array", ExtraSeg({9, 1, 0, 0}), kAsIs, ""},
    {"seg end vertex negative", ExtraSeg({0, -1, 0, 0}), kAsIs, ""},
    {"seg linedef beyond the array", ExtraSeg({0, 2, 4, 0}), kAsIs, ""},
    {"seg linedef negative", ExtraSeg({0, 2, -1, 0}), kAsIs, ""},
    {"seg on the missing back (-1) of a one-sided line", ExtraSeg({0, 2, 0, 1}), kAsIs, ""},
    {"linedef front side beyond the array", [](TestMap& m) { m.linedefs[1].frontSidedef = 1; }, kSeg1AsSeg0, ""},
    {"linedef front side negative", [](TestMap& m) { m.linedefs[1].frontSidedef = -2; }, kSeg1AsSeg0, ""},
    {"sidedef sector beyond the array", [](TestMap& m) { m.sidedefs.push_back({1}); m.linedefs[1].frontSidedef = 1; }, kSeg1AsSeg0, ""},
    {"sidedef sector negative", [](TestMap& m) { m.sidedefs.push_back({-1}); m.linedefs[1].frontSidedef = 1; }, kSeg1AsSeg0, ""},
    {"linedef vertexes outside the array", [](TestMap& m) { m.linedefs[2].startVertex = 4; m.linedefs[3].endVertex = -1; },
     [](TestMap& m) { m.linedefs[2] = m.linedefs[3] = m.linedefs[0]; }, ""},
    {"subsector segs reaching past the array", [](TestMap& m) { m.subsectors[0] = {20, 0}; }, kAsIs, ""},
    {"subsector starting before the array", [](TestMap& m) { m.subsectors[0] = {7, -3}; }, kAsIs, ""},
    {"subsector far beyond the segs", [](TestMap& m) { m.subsectors[0] = {32767, 32767}; }, kNoWalls, ""},
    {"subsector with a negative seg count", [](TestMap& m) { m.subsectors[0] = {-4, 0}; }, kNoWalls, ""},
    {"node child naming a subsector beyond the array", [](TestMap& m) { m.nodes[0].leftChild = 0x8007; }, kAsIs, "Fail\r\n"},
    {"node child beyond numNodes", [](TestMap& m) { m.nodes[0].leftChild = 5; }, kAsIs, ""},
    {"node pointing at itself", [](TestMap& m) { m.nodes[0].leftChild = 0; }, kAsIs, ""},
    {"two nodes pointing at each other",
     [](TestMap& m) { m.nodes.push_back(m.nodes[0]); m.nodes[0].leftChild = 1; m.nodes[1].leftChild = 0; }, kAsIs, ""},
    {"two nodes whose children are only nodes",
     [](TestMap& m) { m.nodes.push_back(m.nodes[0]); m.nodes[0].leftChild = m.nodes[0].rightChild = 1; m.nodes[1].leftChild = m.nodes[1].rightChild = 0; },
     kNoWalls, ""},
    {"zero nodes with zero subsectors", [](TestMap& m) { m.nodes.clear(); m.subsectors.clear(); }, kNoWalls, "Fail\r\n"},
};

TEST(MalformedMap, BrokenRecordsAreSkippedAndTheRestIsDrawn) {
    // The room's walls show, so a broken seg that was drawn would show too.
    Loaded room, bare;
    TestMap withoutWalls = Room();
    kNoWalls(withoutWalls);
    Load(room, RoomWad());
    Load(bare, BuildWad(BuildMapLumps(withoutWalls)));
    for (uint8_t solid : {0, 1}) {
        std::vector<uint32_t> walls = Render(room.level, solid).pixels, lines = Render(bare.level, solid).pixels;
        ASSERT_GT(std::count(walls.begin(), walls.end(), 0u), std::count(lines.begin(), lines.end(), 0u) + 40);
    }
    for (const BadMap& bad : kBadMaps) {
        SCOPED_TRACE(bad.name);
        TestMap broken = Room(), sound = Room();
        bad.breakIt(broken);
        bad.soundEquivalent(sound);
        Loaded brokenLevel, soundLevel;
        Load(brokenLevel, BuildWad(BuildMapLumps(broken)));
        Load(soundLevel, BuildWad(BuildMapLumps(sound)));
        for (uint8_t solid : {0, 1}) {
            Frame got = Render(brokenLevel.level, solid), want = Render(soundLevel.level, solid);
            EXPECT_EQ(got.printed, bad.printed);
            EXPECT_EQ(want.printed, "");
            EXPECT_EQ(got.pixels, want.pixels) << (solid ? "filled walls" : "outlines");
        }
    }
}

// The longest chain of nodes, each leading to one subsector that holds the
// most segs, all shared: a billion walls if every visit drew them. Each seg is
// drawn once per frame, so the frame ends at once with the picture of one visit.
TEST(MalformedMap, SegsSharedByEveryVisitAreDrawnOnce) {
    TestMap once = Room();
    once.segs.clear();
    for (int k = 0; k < 32767; ++k) once.segs.push_back({int16_t(k % 4), int16_t((k + 1) % 4), int16_t(k % 4), 0});
    once.subsectors = {{32767, 0}, {32767, 0}};
    TestMap chain = once;
    for (uint16_t i = 1; i < 32767; ++i) chain.nodes.push_back({32, 0, 0, 64, {}, {}, uint16_t(i - 1), 0x8001});
    Loaded onceLevel, chainLevel;
    Load(onceLevel, BuildWad(BuildMapLumps(once)));
    Load(chainLevel, BuildWad(BuildMapLumps(chain)));
    ASSERT_EQ(chainLevel.level.numNodes, 32767);
    for (uint8_t solid : {0, 1})
        EXPECT_EQ(Render(chainLevel.level, solid, INT32_MAX).pixels, Render(onceLevel.level, solid).pixels);
}

// Font files: the width and height reported, and what the atlas then holds.
TEST(MalformedFont, HeadersOfEverySizeStayInsideTheirPixels) {
    auto header = [](int32_t width, int32_t height, uint16_t bits, size_t pixelBytes) {
        Bytes bmp(54, 0);
        Poke32(bmp, 18, uint32_t(width));
        Poke32(bmp, 22, uint32_t(height));
        bmp[28] = uint8_t(bits), bmp[29] = uint8_t(bits >> 8);
        for (size_t k = 0; k < pixelBytes; ++k) bmp.push_back(uint8_t(k * 7 + 1));
        return bmp;
    };
    struct Case {
        const char* name;
        Bytes file;
        int32_t width, height;
        size_t pixelCount;  // of the atlas afterwards
        uint32_t pixel0;    // first atlas pixel afterwards (the checkerboard's is white)
    };
    const Case cases[] = {
        {"empty file", {}, 0, 0, kFontStorePixels, kWhite},
        {"header cut inside the width", Cut(header(0x123456, 9, 32, 0), 20), 0x3456, 0, kFontStorePixels, kWhite},
        {"header cut before the pixel depth", Cut(header(2, 2, 24, 0), 27), 2, 2, kFontStorePixels, kWhite},
        {"negative width, 32-bit", header(-256, 256, 32, 64), -256, 256, kFontStorePixels, kWhite},
        {"negative height, 24-bit", header(256, -1, 24, 64), 256, -1, 0, 0},
        {"zero size, 24-bit", header(0, 0, 24, 64), 0, 0, 0, 0},
        {"enormous, 32-bit", header(INT32_MAX, INT32_MAX, 32, 8), INT32_MAX, INT32_MAX, kFontStorePixels, 0x160F0801},
        {"enormous, 24-bit", header(65536, 65536, 24, 6), 65536, 65536, kFontStorePixels * 4 / 3, 0x000F0801},
        {"8-bit pixels read as 32-bit", header(1, 1, 8, 4), 1, 1, kFontStorePixels, 0x160F0801},
        {"32-bit pixels", header(2, 1, 32, 8), 2, 1, kFontStorePixels, 0x160F0801},
        {"24-bit pixels, short file", header(4, 4, 24, 3), 4, 4, 16, 0x000F0801},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        FontImage font{};
        ResetFontImage(font);
        FillFallbackCheckerboard(font);
        int32_t width = -7, height = -7;
        LoadFontImageFromBytes(font, c.file.data(), c.file.size(), &width, &height);
        EXPECT_EQ(width, c.width);
        EXPECT_EQ(height, c.height);
        EXPECT_EQ(font.pixelCount, c.pixelCount);
        if (c.pixelCount > 0) {
            EXPECT_EQ(font.pixels[0], c.pixel0);
        }
        // The status line into frames narrower and lower than the text, and empty ones.
        StatusLine line{};
        FormatStatusLine(line, 100, 250, 50, 50);
        for (auto [w, h] : {std::pair{100, 20}, {33, 7}, {1, 1}, {0, 16}, {17, 0}, {5, -3}}) {
            std::vector<uint32_t> pixels(size_t(std::max(w * h, 0)) + 1, 0x12345678);
            DrawStatusText({w, h, pixels.data()}, font, line);
            EXPECT_EQ(pixels.back(), 0x12345678u) << w << "x" << h;
        }
        ResetFontImage(font);
    }
}

// Keys that push every setting past sensible values: frames still end and stay inside.
TEST(MalformedKeys, ExtremeSettingsStillComposeFrames) {
    Viewer viewer;
    CaptureStdout();
    std::string wadPath = FreedoomPath();
    StartViewer(viewer, wadPath.c_str(), "/dev/null");
    std::vector<uint32_t> pixels(96 * 64 + 1, 0x12345678);
    viewer.framebuffer = {96, 64, pixels.data()};
    ASSERT_GT(viewer.level.numNodes, 0);
    auto press = [&](uint32_t key, int times) {
        while (times-- > 0) ApplyKeyCommand(viewer, nullptr, key);
        ComposeFrame(viewer);
    };
    press(kKeySpace, 1);
    press(kKeyPageUp, 5);  // scale 0
    EXPECT_EQ(viewer.level.scale, 0.0f);
    press(kKeyPageUp, 10);  // negative scale
    press(kKeyF2, 40000);   // maxDepth far beyond any tree, far sides off
    press(kKeyF4, 40000);   // maxDraw beyond every subsector, far sides on
    press(kKeyPageDown, 40);
    press(kKeyUp, 20000);  // far outside the map
    press(kKeyControl, 1);
    EXPECT_EQ(pixels.back(), 0x12345678u);
    GetCapturedStdout();
    CloseViewer(viewer);
}

}  // namespace
