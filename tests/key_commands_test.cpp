#include <gtest/gtest.h>
#include <unistd.h>

#include <cmath>
#include <cstdio>
#include <string>
#include <tuple>
#include <utility>
#include <vector>

#include "app/key_commands.h"
#include "test_support.h"

namespace {

// A viewer started as window creation starts it, on a level file that is not there.
struct KeyTest : testing::Test {
    Viewer viewer;

    KeyTest() { Start("/nonexistent/wadscope/DOOM1.WAD"); }
    ~KeyTest() override { CloseViewer(viewer); }

    void Start(const std::string& wadPath) {
        path = wadPath;
        testing::internal::CaptureStdout();
        testing::internal::CaptureStderr();
        StartViewer(viewer, path.c_str(), "/nonexistent/wadscope/font.bmp");
        testing::internal::GetCapturedStderr();
        startOutput = testing::internal::GetCapturedStdout();
    }
    void Press(uint32_t key, int32_t times = 1) {
        for (int32_t i = 0; i < times; ++i) ApplyKeyCommand(viewer, nullptr, key);
    }
    // Everything the commands may change but the level's arrays.
    auto Settings() const {
        const ViewerState& s = viewer.state;
        const Level& l = viewer.level;
        return std::tuple(s.playerX, s.playerY, s.angle, s.mapIndex, int(s.solidWalls), int(s.nearScale),
                          s.playerStartPending, l.scale, l.offsetX, l.offsetY, l.maxDepth, l.maxDraw,
                          int(l.drawFarSides), viewer.altWindowStyle);
    }
    auto Limits() const { return std::tuple(viewer.level.maxDepth, viewer.level.maxDraw, int(viewer.level.drawFarSides)); }
    std::string path;
    std::string startOutput;
};

// A level file holding map `name` with `things` things of type 3004.
std::string WriteLevelFile(const char* name, int32_t things) {
    TestMap map;
    map.name = name;
    map.vertexes = {{0, 0}, {64, 0}};
    for (int16_t i = 0; i < things; ++i) map.things.push_back({int16_t(i * 10), 0, 0, 3004});
    // One name per process: test programs of other builds may run at the same time.
    return WriteTempFile("keys-" + std::to_string(getpid()) + ".wad", BuildWad(BuildMapLumps(map)));
}

// Records the Escape command's window calls; the window starts with a captioned style.
struct FakeWindow {
    uint32_t style = 0x14CF0000;
    std::vector<uint32_t> stylesSet;
    std::vector<std::pair<int32_t, int32_t>> placements;

    static uint32_t SetStyle(void* window, uint32_t style) {
        FakeWindow& fake = *static_cast<FakeWindow*>(window);
        fake.stylesSet.push_back(style);
        return std::exchange(fake.style, style);
    }
    static void Place(void* window, int32_t width, int32_t height) {
        static_cast<FakeWindow*>(window)->placements.push_back({width, height});
    }
};

}  // namespace

TEST_F(KeyTest, StartValues) {
    EXPECT_EQ(Settings(), std::tuple(50.0f, 50.0f, 0.0f, 0, 0, 0, 1, 2.5f, 1180.0f, 4880.0f, 100, 250, 1,
                                     0x90000000u));
    EXPECT_EQ(viewer.level.vertexes, nullptr);
    EXPECT_NE(startOutput.find("Unable to open /nonexistent/wadscope/DOOM1.WAD\n"), std::string::npos);
}

TEST_F(KeyTest, MovingTurningAndScale) {
    Press(kKeyUp);
    EXPECT_EQ(std::pair(viewer.state.playerX, viewer.state.playerY), std::pair(52.0f, 50.0f));
    Press(kKeyDown);
    EXPECT_EQ(std::pair(viewer.state.playerX, viewer.state.playerY), std::pair(50.0f, 50.0f));

    Press(kKeyRight, 10);
    float sum = 0;
    for (int32_t i = 0; i < 10; ++i) sum += 0.1f;
    EXPECT_EQ(viewer.state.angle, sum);
    EXPECT_EQ(viewer.state.angle, std::nextafter(1.0f, 2.0f));
    Press(kKeyUp);  // both coordinates move, by the single-precision cos and sin doubled
    EXPECT_EQ(viewer.state.playerX, 50.0f + 2.0f * float(std::cos(double(sum))));
    EXPECT_EQ(viewer.state.playerY, 50.0f + 2.0f * float(std::sin(double(sum))));

    Press(kKeyPageUp, 5);
    EXPECT_EQ(viewer.level.scale, 0.0f);
    Press(kKeyPageUp);
    EXPECT_EQ(viewer.level.scale, -0.5f);
    Press(kKeyPageDown, 3);
    EXPECT_EQ(viewer.level.scale, 1.0f);
}

TEST_F(KeyTest, MapChangesClampAndAlwaysReload) {
    Start(WriteLevelFile("E1M9", 3));
    EXPECT_EQ(viewer.level.things, nullptr);  // the file has no E1M1
    viewer.state.playerX = 12, viewer.state.angle = 1, viewer.state.solidWalls = 1;
    viewer.state.playerStartPending = 0;
    Press(kKeyKeypadPlus, 8);
    EXPECT_EQ(viewer.state.mapIndex, 8);
    EXPECT_EQ(viewer.level.numThings, 3);
    Press(kKeyPageDown, 3);

    WriteLevelFile("E1M9", 5);
    Press(kKeyKeypadPlus);  // read anew although the map stays; only the view is reset
    EXPECT_EQ(viewer.level.numThings, 5);
    EXPECT_EQ(Settings(), std::tuple(12.0f, 50.0f, 1.0f, 8, 1, 0, 0, 2.0f, 3220.0f, 1600.0f, 100, 250, 1,
                                     0x90000000u));

    Start(WriteLevelFile("E1M1", 2));
    viewer.state.mapIndex = 0;
    Press(kKeyPageUp);
    WriteLevelFile("E1M1", 4);
    Press(kKeyKeypadMinus);
    EXPECT_EQ(viewer.state.mapIndex, 0);
    EXPECT_EQ(viewer.level.numThings, 4);
    EXPECT_EQ(viewer.level.scale, 2.5f);
    std::remove(path.c_str());
}

TEST_F(KeyTest, WalkLimitsAndSwitches) {
    Level& level = viewer.level;
    Press(kKeyF1);
    EXPECT_EQ(Limits(), std::tuple(99, 250, 0));
    level.maxDepth = 0, level.drawFarSides = 1;
    Press(kKeyF1);  // the floor holds, the switch still changes
    EXPECT_EQ(Limits(), std::tuple(0, 250, 0));
    level.maxDraw = 0, level.maxDepth = 5;
    Press(kKeyF3);
    EXPECT_EQ(Limits(), std::tuple(250, 0, 1));
    Press(kKeyF2);
    EXPECT_EQ(Limits(), std::tuple(251, 0, 0));
    Press(kKeyF4);
    EXPECT_EQ(Limits(), std::tuple(250, 1, 1));
    level.maxDepth = INT32_MAX, level.maxDraw = INT32_MAX;
    Press(kKeyF2);
    Press(kKeyF4);
    EXPECT_EQ(Limits(), std::tuple(250, INT32_MAX, 1));
    level.maxDepth = INT32_MAX;
    Press(kKeyF2);
    EXPECT_EQ(level.maxDepth, INT32_MAX);

    Press(kKeySpace);
    EXPECT_EQ(viewer.state.solidWalls, 1);
    viewer.state.nearScale = 2;  // any nonzero value switches off
    Press(kKeyControl);
    EXPECT_EQ(viewer.state.nearScale, 0);
    Press(kKeyControl, 3);
    EXPECT_EQ(viewer.state.nearScale, 1);
}

TEST_F(KeyTest, KeysOutsideTheTableChangeNothing) {
    auto before = Settings();
    for (uint32_t key : {0u, 65u, 116u, 96u, 36u, 16u, 18u, 255u, 0x10000u + kKeyUp, uint32_t(kKeyEscape)})
        Press(key);  // Escape too: there is no window to restyle
    EXPECT_EQ(Settings(), before);
}

TEST_F(KeyTest, EscapeSwapsTheWindowStyleBackAndForth) {
    FakeWindow fake;
    WindowCalls calls{&fake, FakeWindow::SetStyle, FakeWindow::Place};
    viewer.framebuffer = {640, 480, nullptr};
    ApplyKeyCommand(viewer, &calls, kKeyEscape);
    EXPECT_EQ(viewer.altWindowStyle, 0x14CF0000u);
    viewer.framebuffer = {800, 600, nullptr};
    ApplyKeyCommand(viewer, &calls, kKeyEscape);
    EXPECT_EQ(fake.stylesSet, (std::vector<uint32_t>{0x90000000u, 0x14CF0000u}));
    EXPECT_EQ(fake.style, 0x14CF0000u);
    EXPECT_EQ(viewer.altWindowStyle, 0x90000000u);
    EXPECT_EQ(fake.placements, (std::vector<std::pair<int32_t, int32_t>>{{640, 480}, {800, 600}}));
}
