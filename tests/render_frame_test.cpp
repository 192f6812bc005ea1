#include <gtest/gtest.h>

#include <array>
#include <utility>
#include <vector>

#include "app/viewer.h"
#include "draw/line.h"
#include "draw/truncate.h"
#include "render/map_to_screen.h"
#include "render/render_frame.h"
#include "test_support.h"

namespace {

constexpr uint32_t kWhite = 0xFFFFFFFF, kBlue = 0x0000FF;

struct Picture {
    std::vector<uint32_t> pixels;
    Framebuffer framebuffer;
    Picture(int32_t width, int32_t height) : pixels(size_t(width) * size_t(height), kWhite) {
        framebuffer = {width, height, pixels.data()};
    }
    uint32_t At(int32_t x, int32_t y) const { return pixels[size_t(y) * size_t(framebuffer.width) + size_t(x)]; }
};

// A level with the given things and one linedef, drawn at scale 10 with no
// offset so that overhead-map pixels equal map units.
struct FrameTest : testing::Test {
    Level level;
    ViewerState viewer;
    FontImage font{};
    StatusLine statusLine{};
    Picture picture{200, 150};

    FrameTest() {
        ResetFontImage(font);
        FillFallbackCheckerboard(font);
        viewer.playerX = viewer.playerY = 50;
    }
    ~FrameTest() override { FreeLevel(level); }

    void Load(const std::vector<TestLump>& lumps, int32_t mapIndex = 0) {
        LoadLevelFromBytes(level, BuildWad(lumps), mapIndex);
        level.scale = 10, level.offsetX = 0, level.offsetY = 0;
        level.maxDepth = 100, level.maxDraw = 250, level.drawFarSides = 1;
    }
    // These levels have no subsectors, so the walk's "Fail" line is kept off the output.
    void Render() {
        testing::internal::CaptureStdout();
        RenderFrame(picture.framebuffer, level, viewer, font, statusLine);
        testing::internal::GetCapturedStdout();
    }
};

TestMap MapWithThings(const char* name, std::vector<TestThing> things) {
    TestMap map;
    map.name = name;
    map.things = std::move(things);
    // One good linedef, and two that name vertices far outside the array.
    map.vertexes = {{20, 120}, {180, 120}};
    map.linedefs = {{0, 1, 0, -1}, {0, 30000, 0, -1}, {-30000, 1, 0, -1}};
    return map;
}

}  // namespace

TEST_F(FrameTest, FirstFrameTakesThePlayerStartAfterShowingTheOldPosition) {
    Load(BuildMapLumps(MapWithThings("E1M1", {{30, 40, 0, 3004}, {100, 80, 90, 1}, {150, 60, 180, 1}})));
    Render();
    EXPECT_STREQ(statusLine.text, "MaxDepth 100 MaxDraw 250 Player (50,50)");
    EXPECT_EQ(viewer.playerX, 100.0f);
    EXPECT_EQ(viewer.playerY, 80.0f);
    EXPECT_EQ(viewer.angle, float((90.0 * 3.14159265358979323846) / 180.0));
    EXPECT_EQ(viewer.playerStartPending, 0);
    // The viewpoint box (half-size 6) already stands there; both starts get the blue box.
    for (auto [x, y] : {std::pair{94, 74}, {106, 86}, {94, 86}, {106, 74}, {97, 77}, {147, 57}, {153, 63}})
        EXPECT_EQ(picture.At(x, y), kBlue) << x << "," << y;
    EXPECT_EQ(picture.At(27, 37), 0u);  // the default black box
    EXPECT_EQ(picture.At(100, 120), 0u);  // the linedef

    Render();  // the later start is never taken
    EXPECT_STREQ(statusLine.text, "MaxDepth 100 MaxDraw 250 Player (100,80)");
    EXPECT_EQ(viewer.playerX, 100.0f);
}

TEST_F(FrameTest, WithoutAPlayerStartTheViewpointWaitsForAMapThatHasOne) {
    std::vector<TestLump> lumps = BuildMapLumps(MapWithThings("E1M1", {{30, 40, 0, 2}}));
    std::vector<TestLump> second = BuildMapLumps(MapWithThings("E1M2", {{120, 90, 45, 1}}));
    lumps.insert(lumps.end(), second.begin(), second.end());
    Load(lumps, 0);
    Render();
    Render();
    EXPECT_EQ(viewer.playerX, 50.0f);
    EXPECT_EQ(viewer.playerY, 50.0f);
    EXPECT_EQ(viewer.angle, 0.0f);
    EXPECT_EQ(viewer.playerStartPending, 1);
    EXPECT_EQ(picture.At(44, 44), kBlue);
    Load(lumps, 1);
    Render();
    EXPECT_EQ(viewer.playerX, 120.0f);
    EXPECT_EQ(viewer.playerY, 90.0f);
    EXPECT_EQ(viewer.playerStartPending, 0);
}

TEST_F(FrameTest, ALevelWithoutNodesDrawsSubsectorZero) {
    TestMap map = MapWithThings("E1M1", {});
    map.vertexes.push_back({150, -50});
    map.vertexes.push_back({150, 50});
    map.linedefs.push_back({2, 3, 0, -1});
    map.sidedefs = {{0}};
    map.sectors = {{0, 128}};
    map.segs = {{2, 3, 3, 0}};
    map.subsectors = {{1, 0}};
    Load(BuildMapLumps(map));
    viewer.playerX = 50, viewer.playerY = 0, viewer.solidWalls = 1;
    Render();
    // Depth 100 from (50, 0): 512 columns centred on column 100, so the whole width of 200.
    for (int32_t x : {0, 100, 199}) EXPECT_EQ(picture.At(x, 75), 0u) << x;
}

TEST(ThingMarker, TrianglesAndBoxes) {
    auto marker = [](int16_t type, float sx, float sy) {
        Picture picture(40, 30);
        DrawThingMarker(picture.framebuffer, type, sx, sy);
        return picture.pixels;
    };
    auto lines = [](std::vector<std::array<int32_t, 4>> ends, uint32_t colour) {
        Picture picture(40, 30);
        for (auto [x0, y0, x1, y1] : ends) DrawLine(picture.pixels.data(), 40, 30, x0, y0, x1, y1, colour);
        return picture.pixels;
    };
    auto box = [&](int32_t x0, int32_t y0, int32_t x1, int32_t y1, uint32_t colour) {
        return lines({{x0, y0, x1, y0}, {x0, y1, x1, y1}, {x0, y0, x0, y1}, {x1, y0, x1, y1}}, colour);
    };
    for (int16_t type : {9, 12289, 12292}) {
        EXPECT_EQ(marker(type, 10, 10), lines({{7, 13, 13, 13}, {10, 7, 7, 13}, {10, 7, 13, 13}}, 0xFF0000));
        // Corners are truncated after the offset: trunc(-0.5) = 0, trunc(5.5) = 5, h = 2.
        EXPECT_EQ(marker(type, 2.5f, 10), lines({{0, 13, 5, 13}, {2, 7, 0, 13}, {3, 7, 5, 13}}, 0xFF0000));
    }
    EXPECT_EQ(marker(5, 20, 20), box(19, 17, 21, 23, 0x0000FF));
    EXPECT_EQ(marker(6, 20, 20), box(19, 17, 21, 23, 0xFFFF00));
    EXPECT_EQ(marker(13, 20, 20), box(19, 17, 21, 23, 0xFF0000));
    EXPECT_EQ(marker(2035, 20, 20), box(18, 17, 22, 23, 0x00FF00));
    EXPECT_EQ(marker(11, 20, 20), box(17, 17, 23, 23, 0x000080));
    EXPECT_EQ(marker(2302, 20.5f, 20), box(18, 18, 22, 22, 0x008000));
    EXPECT_EQ(marker(2014, 20, 20), box(18, 18, 22, 22, 0x008000));
    EXPECT_EQ(marker(-1, 20, 20), box(17, 17, 23, 23, 0));
    // Wholly left of the picture: only column 0 from row 17 to row 23.
    EXPECT_EQ(marker(3004, -50, 20), lines({{0, 17, 0, 23}}, 0));
}

// Every map of Freedoom's first episode from its player start, outlines and filled walls.
TEST(FreedoomFrames, EveryMapRendersFromItsPlayerStart) {
    constexpr int32_t kWidth = 960, kHeight = 720;  // large enough that most player starts are on screen
    int32_t boxesChecked = 0;
    for (int32_t mapIndex = 0; mapIndex < kMapCount; ++mapIndex) {
        SCOPED_TRACE(kMapTable[mapIndex].name);
        Picture picture(kWidth, kHeight);
        Viewer viewer;
        viewer.state.mapIndex = mapIndex;
        testing::internal::CaptureStderr();  // the font may not be there yet
        StartViewer(viewer, FreedoomPath().c_str(), FontPath().c_str());
        testing::internal::GetCapturedStderr();
        viewer.framebuffer = picture.framebuffer;
        ASSERT_GT(viewer.level.numThings, 0);

        float startX = 0, startY = 0;
        for (int32_t i = 0; i < viewer.level.numThings; ++i) {
            const MapThing& thing = viewer.level.things[i];
            if (thing.type != 1) continue;
            startX = MapToScreen(float(thing.x), viewer.level.offsetX, viewer.level.scale);
            startY = MapToScreen(float(thing.y), viewer.level.offsetY, viewer.level.scale);
            break;
        }
        for (uint8_t solid : {0, 1}) {
            viewer.state.solidWalls = solid;
            viewer.level.maxDraw = 0;
            ComposeFrame(viewer);
            std::vector<uint32_t> withoutWalls = picture.pixels;
            viewer.level.maxDraw = 250;
            ComposeFrame(viewer);
            EXPECT_EQ(viewer.state.playerStartPending, 0);
            EXPECT_EQ(viewer.state.playerX, startX);
            EXPECT_EQ(viewer.state.playerY, startY);

            // The walls turn pixels of the centre row black (every wall crosses it).
            int32_t blackened = 0;
            for (int32_t x = 0; x < kWidth; ++x) {
                size_t i = size_t(kHeight / 2) * kWidth + size_t(x);
                blackened += picture.pixels[i] == 0 && withoutWalls[i] != 0;
            }
            EXPECT_GT(blackened, 0) << "solid " << int(solid);

            int32_t left = TruncToInt32(startX - 6), right = TruncToInt32(startX + 6);
            int32_t top = TruncToInt32(startY - 6), bottom = TruncToInt32(startY + 6);
            if (left >= 0 && top >= 0 && right < kWidth && bottom < kHeight) {
                for (auto [x, y] : {std::pair{left, top}, {right, top}, {left, bottom}, {right, bottom}})
                    EXPECT_EQ(picture.At(x, y), kBlue);
                ++boxesChecked;
            }
        }
        CloseViewer(viewer);
    }
    EXPECT_GT(boxesChecked, 0);
}
