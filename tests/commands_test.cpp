#include <gtest/gtest.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <cmath>
#include <filesystem>
#include <fstream>

#include "app/font_path.h"
#include "app/key_commands.h"
#include "test_support.h"

namespace {

// A viewer started as window creation starts it, on a level file that is not there.
struct KeyTest : testing::Test {
    Viewer viewer;
    std::string path = "/nonexistent/wadscope/DOOM1.WAD", startOutput = Start(path);
    ~KeyTest() override { CloseViewer(viewer); }

    std::string Start(std::string wad) { return StartViewerQuietly(viewer, path = wad, "/nonexistent/wadscope/font.bmp"); }
    Viewer& Press(uint32_t key, int32_t times = 1) { while (times-- > 0) ApplyKeyCommand(viewer, nullptr, key); return viewer; }
    std::pair<float, float> Position(uint32_t key) { return {Press(key).state.playerX, viewer.state.playerY}; }
    auto Limits(uint32_t key) { return std::tuple{Press(key).level.maxDepth, viewer.level.maxDraw, int(viewer.level.drawFarSides)}; }
    auto Settings() const {  // everything the commands may change but the level's arrays
        const ViewerState& s = viewer.state; const Level& l = viewer.level;
        return std::tuple(s.playerX, s.playerY, s.angle, s.mapIndex, int(s.solidWalls), int(s.nearScale), s.playerStartPending,
                          l.scale, l.offsetX, l.offsetY, l.maxDepth, l.maxDraw, int(l.drawFarSides), viewer.altWindowStyle);
    }
};

std::string WriteLevelFile(const char* name, int32_t things) {
    TestMap map;
    map.name = name, map.vertexes = {{0, 0}, {64, 0}};
    for (int16_t i = 0; i < things; ++i) map.things.push_back({int16_t(i * 10), 0, 0, 3004});
    return WriteTempFile("keys.wad", BuildWad(BuildMapLumps(map)));
}

}  // namespace

TEST_F(KeyTest, CommandsFromTheStartValues) {
    EXPECT_EQ(Settings(), std::tuple(50.0f, 50.0f, 0.0f, 0, 0, 0, 1, 2.5f, 1180.0f, 4880.0f, 100, 250, 1, 0x90000000u));
    EXPECT_NE(startOutput.find("Unable to open /nonexistent/wadscope/DOOM1.WAD\n"), std::string::npos);
    auto before = Settings();  // Escape too changes nothing without a window
    for (uint32_t key : {0u, 65u, 116u, 96u, 36u, 16u, 18u, 255u, 0x10000u + kKeyUp, uint32_t(kKeyEscape)}) Press(key);
    EXPECT_EQ(Settings(), before);
    EXPECT_EQ(Position(kKeyUp), std::pair(52.0f, 50.0f));
    EXPECT_EQ(Position(kKeyDown), std::pair(50.0f, 50.0f));
    EXPECT_EQ(Press(kKeyRight, 10).state.angle, std::nextafter(1.0f, 2.0f));  // ten float steps of 0.1
    float c = float(std::cos(double(viewer.state.angle))), s = float(std::sin(double(viewer.state.angle)));
    EXPECT_EQ(Position(kKeyUp), std::pair(50.0f + 2.0f * c, 50.0f + 2.0f * s));
    EXPECT_EQ(Press(kKeyPageUp, 5).level.scale, 0.0f);
    EXPECT_EQ(Press(kKeyPageUp).level.scale, -0.5f);
    EXPECT_EQ(Press(kKeyPageDown, 3).level.scale, 1.0f);
    EXPECT_EQ(Press(kKeySpace).state.solidWalls, 1);
    EXPECT_EQ(Press(kKeyControl, 3).state.nearScale, 1);
    EXPECT_EQ(Limits(kKeyF1), std::tuple(99, 250, 0));
    viewer.level.maxDepth = 0, viewer.level.drawFarSides = 1;
    EXPECT_EQ(Limits(kKeyF1), std::tuple(0, 250, 0));  // the floor holds, the switch still changes
    viewer.level.maxDraw = 0, viewer.level.maxDepth = 5;
    EXPECT_EQ(Limits(kKeyF3), std::tuple(250, 0, 1));
    EXPECT_EQ(Limits(kKeyF2), std::tuple(251, 0, 0));
    EXPECT_EQ(Limits(kKeyF4), std::tuple(250, 1, 1));
    viewer.level.maxDepth = viewer.level.maxDraw = INT32_MAX;  // no ceilings: they saturate
    EXPECT_EQ(Limits(kKeyF2), std::tuple(INT32_MAX, INT32_MAX, 0));
    EXPECT_EQ(Limits(kKeyF4), std::tuple(250, INT32_MAX, 1));

    struct FakeWindow {  // records the Escape command's calls
        uint32_t style = 0x14CF0000;  // captioned
        std::vector<uint32_t> log;    // every call's values
        static uint32_t Set(void* w, uint32_t style) { return Of(w).log.push_back(style), std::exchange(Of(w).style, style); }
        static void Place(void* w, int32_t x, int32_t y) { Of(w).log.insert(Of(w).log.end(), {uint32_t(x), uint32_t(y)}); }
        static FakeWindow& Of(void* w) { return *static_cast<FakeWindow*>(w); }
    } fake;
    WindowCalls calls{&fake, FakeWindow::Set, FakeWindow::Place};
    for (auto [width, height] : {std::pair{640, 480}, {800, 600}})
        viewer.framebuffer = {width, height, nullptr}, ApplyKeyCommand(viewer, &calls, kKeyEscape);
    EXPECT_EQ(fake.log, (std::vector<uint32_t>{0x90000000u, 640, 480, 0x14CF0000u, 800, 600}));
    EXPECT_EQ(std::pair(fake.style, viewer.altWindowStyle), std::pair(0x14CF0000u, 0x90000000u));
}

TEST_F(KeyTest, MapChangesClampAndAlwaysReload) {
    Start(WriteLevelFile("E1M9", 3));
    viewer.state.playerX = 12, viewer.state.angle = 1, viewer.state.solidWalls = 1, viewer.state.playerStartPending = 0;
    EXPECT_EQ(Press(kKeyKeypadPlus, 8).level.things.size(), 3u);
    Press(kKeyPageDown, 3), WriteLevelFile("E1M9", 5);
    EXPECT_EQ(Press(kKeyKeypadPlus).level.things.size(), 5u);  // read anew although the map stays; only the view is reset
    EXPECT_EQ(Settings(), std::tuple(12.0f, 50.0f, 1.0f, 8, 1, 0, 0, 2.0f, 3220.0f, 1600.0f, 100, 250, 1, 0x90000000u));
    EXPECT_EQ(Press(kKeyKeypadMinus, 8).state.mapIndex, 0);
    Press(kKeyPageUp), WriteLevelFile("E1M1", 4);
    EXPECT_EQ((std::tuple{Press(kKeyKeypadMinus).state.mapIndex, viewer.level.things.size(), viewer.level.scale}), std::tuple(0, 4u, 2.5f));
    std::filesystem::remove(path);
}

namespace {

// Runs the command in a fresh directory of the test's own, keeping what it printed.
struct RenderCommandTest : testing::Test {
    std::string dir = std::filesystem::temp_directory_path().string() + "/wadscope-render-test-" + std::to_string(getpid()) +
                      testing::UnitTest::GetInstance()->current_test_info()->name() + "/";
    std::string out, err, wad = FreedoomPath(), freedoom = "--wad '" + wad + "' --font '" + FontPath() + "' ";
    RenderCommandTest() { std::filesystem::remove_all(dir), std::filesystem::create_directories(dir); }
    ~RenderCommandTest() override { std::filesystem::remove_all(dir); }

    int Run(const std::string& arguments) {
        int status = std::system(("cd '" + dir + "' && '" WADSCOPE_RENDER_EXE "' " + arguments + " >out 2>err").c_str());
        out = ReadFile(dir + "out"), err = ReadFile(dir + "err");
        return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    }
};

}  // namespace

TEST_F(RenderCommandTest, ArgumentErrorsExitTwoLevelAndOutputFailuresOne) {
    for (const char* arguments : {"--size 0x10 out.png", "--size 16385x10 out.png", "--size abc out.png", "--size 10x out.png",
                                  "--frobnicate out.png", "", "--keys Jump out.png",
                                  "--keys 'Up*0' out.png", "--keys 'Up*x' out.png", "--keys 256 out.png", "out.png --size",
                                  "one.png two.png"}) {
        EXPECT_EQ(std::pair(Run(arguments), out), std::pair(2, std::string())) << arguments;
        size_t eol = err.find('\n');  // one error line, then the usage line
        EXPECT_TRUE(err.starts_with("wadscope-render: ") && !err.compare(eol + 1, 22, "usage: wadscope-render") &&
                    err.find('\n', eol + 1) == err.size() - 1) << err;
    }
    EXPECT_EQ(Run("--help"), 0);
    EXPECT_NE(out.find("KeypadPlus KeypadMinus F1 F2 F3 F4"), std::string::npos) << out;
    // Level failures are named in one line and write no picture; so is an unwritable output.
    std::ofstream(dir + "text.wad") << "this is not a level file at all";
    for (auto [arguments, problem] : {std::pair{"--wad missing.wad out.png", "cannot read level file missing.wad\n"},
                                      {"--wad text.wad out.png", "text.wad is not a WAD file\n"},
                                      {"--wad no/freedm.wad out.png", "cannot read level file no/freedm.wad: install "
                                                                      "Debian's freedm package, or give --wad a level file of your own\n"},
                                      {"--map E1M1 out.png", "cannot read level file DOOM1.WAD\n"}}) {
        EXPECT_EQ(std::tuple(Run(arguments), err), std::tuple(1, std::string("wadscope-render: ") + problem));
        EXPECT_FALSE(std::filesystem::exists(dir + "out.png"));
    }
    EXPECT_EQ(Run(freedoom + "--size 32x24 no/such/dir/out.png"), 1);
    EXPECT_NE(err.find("no/such/dir/out.png"), std::string::npos) << err;
}

// The PNG holds the frame the viewer composes after the same keys, R, G, B from bits 16-23, 8-15 and 0-7.
TEST_F(RenderCommandTest, PictureMatchesAFrameComposedInProcess) {
    ASSERT_EQ(Run(freedoom + "--size 321x203 --map E1M3 --keys 'Right*3 Space frame Up*5 PageUp Ctrl' out.png"), 0) << err;
    int32_t width = 0, height = 0;
    std::vector<uint32_t> written = ReadPng(dir + "out.png", width, height);
    ASSERT_EQ(std::tuple(width, height, written.size()), std::tuple(321, 203, size_t(321 * 203)));
    Viewer viewer;
    viewer.state.mapIndex = 2;
    StartViewerQuietly(viewer, wad, FontPath());
    TestPicture picture(321, 203);
    viewer.framebuffer = picture.framebuffer;
    for (uint32_t key : {0u, +kKeyRight, +kKeyRight, +kKeyRight, +kKeySpace, 0u, +kKeyUp, +kKeyUp, +kKeyUp, +kKeyUp, +kKeyUp,
                         +kKeyPageUp, +kKeyControl, 0u})
        if (key == 0) ComposeFrame(viewer);  // 0: compose a frame
        else ApplyKeyCommand(viewer, nullptr, key);
    CloseViewer(viewer);
    std::vector<uint32_t> expected = picture.Pixels();
    for (uint32_t& pixel : expected) pixel &= 0xFFFFFF;
    EXPECT_TRUE(written == expected);
    EXPECT_GT(std::count_if(expected.begin(), expected.end(), [](uint32_t p) { return p != 0xFFFFFF && p != 0; }), 0);
}

// The working directory's font.bmp first, then the installed copy, else font.bmp for the usual message.
TEST_F(RenderCommandTest, FontFromTheWorkingDirectoryThenTheInstalledFolder) {
    std::filesystem::path before = std::filesystem::current_path(), installed = dir + "installed";
    std::filesystem::current_path(dir);
    std::filesystem::create_directory(installed);
    EXPECT_EQ(ChooseFontPath(installed.string()), "font.bmp");
    std::ofstream(installed / "font.bmp") << "BM";
    EXPECT_EQ(ChooseFontPath(installed.string()), installed.string() + "/font.bmp");
    EXPECT_EQ(ChooseFontPath(""), "font.bmp");
    std::ofstream("font.bmp") << "BM";
    EXPECT_EQ(ChooseFontPath(installed.string()), "font.bmp");
    std::filesystem::current_path(before);
}
