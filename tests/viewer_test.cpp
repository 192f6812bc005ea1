#include <gtest/gtest.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <cmath>
#include <filesystem>
#include <fstream>

#include <zlib.h>

#include <cstring>

#include "app/font_path.h"
#include "app/headless/png_file.h"
#include "app/key_commands.h"
#include "render/fitted_view.h"
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

// Maps of the given names in that order; map k has k + 1 things and a square of side 64 (k + 1).
Bytes MapsFile(const std::vector<std::string>& names) {
    std::vector<TestLump> lumps;
    for (size_t k = 0; k < names.size(); ++k) {
        TestMap map;
        int16_t side = int16_t(64 * (k + 1));
        map.name = names[k], map.vertexes = {{0, 0}, {side, 0}, {side, side}, {0, side}};
        for (size_t i = 0; i <= k; ++i) map.things.push_back({int16_t(i * 10), 0, 0, 3004});
        std::ranges::copy(BuildMapLumps(map), std::back_inserter(lumps));
    }
    return BuildWad(lumps);
}

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

// Table mode for the table's names without --fit, file mode else; the map names match whole, in any case.
TEST(StartMap, ChosenFromTheOptionsAndTheFile) {
    const std::string file = WriteTempFile("start.wad", MapsFile({"MAP1", "MAP10", "E1M3"}));
    const std::string withE1M1 = WriteTempFile("start-e1m1.wad", MapsFile({"E1M1", "MAP01"}));
    using Maps = std::vector<std::string>;
    const Maps all = {"MAP1", "MAP10", "E1M3"};
    const std::tuple<CommandLine, bool, int32_t, Maps, std::string> cases[] = {
        {{}, true, 0, {}, ""},  // no option: table mode, without looking at any file
        {{.wadPath = file.c_str()}, true, 0, all, ""},  // no E1M1: the first map
        {{.wadPath = file.c_str(), .mapName = "map10"}, true, 1, all, ""},
        {{.wadPath = file.c_str(), .mapName = "E1M3"}, true, 2, {}, ""},
        {{.wadPath = file.c_str(), .mapName = "E1M3", .fit = true}, true, 2, all, ""},
        {{.wadPath = withE1M1.c_str()}, true, 0, {}, ""},
        {{.wadPath = withE1M1.c_str(), .fit = true}, true, 0, {"E1M1", "MAP01"}, ""},
        {{.wadPath = file.c_str(), .mapName = "MAP"}, false, 0, {}, file + " has no map MAP; its maps: MAP1 MAP10 E1M3"},
        {{.wadPath = "/nonexistent/x.wad"}, false, 0, {}, "cannot read level file /nonexistent/x.wad"},
        {{.fit = true}, false, 0, {}, "cannot read level file DOOM1.WAD"}};
    for (const auto& [commandLine, chosen, mapIndex, fileMaps, problem] : cases) {
        StartMap start;
        std::string said;
        bool ok = ChooseStartMap(commandLine, LevelFile{commandLine.wadPath ? commandLine.wadPath : "DOOM1.WAD", nullptr}, start, said);
        EXPECT_EQ(std::tuple(ok, start.mapIndex, start.fileMaps, said), std::tuple(chosen, mapIndex, fileMaps, problem))
            << (commandLine.mapName ? commandLine.mapName : "-");
    }
}

// Keypad plus and minus step through the file's maps, stop at the ends and reload; each map is fitted.
TEST_F(KeyTest, FileModeStepsThroughTheFilesMapsInFittedViews) {
    path = WriteTempFile("maps.wad", MapsFile({"MAP1", "PAD", "MAP10", "E1M3"}));
    viewer.framebuffer = {200, 100, nullptr};
    StartMap start{0, {"MAP1", "MAP10", "E1M3"}};
    StartViewer(viewer, LevelFile{path.c_str(), nullptr}, start, "/nonexistent/font.bmp");
    auto shown = [&] {
        MapView fitted = FitMapView(viewer.level.vertexes, 200, 100);
        EXPECT_EQ(std::tuple(viewer.level.scale, viewer.level.offsetX, viewer.level.offsetY),
                  std::tuple(fitted.scale, fitted.offsetX, fitted.offsetY));
        return std::tuple(viewer.state.mapIndex, viewer.level.things.size(), ViewerTitle(viewer));
    };
    const std::string file = std::filesystem::path(path).filename().string();
    EXPECT_EQ(shown(), std::tuple(0, 1u, "Wadscope3D - MAP1 - " + file));
    EXPECT_EQ((Press(kKeyKeypadPlus), shown()), std::tuple(1, 3u, "Wadscope3D - MAP10 - " + file));  // not MAP1's lumps
    Press(kKeyPageDown);
    EXPECT_EQ((Press(kKeyKeypadPlus, 3), shown()), std::tuple(2, 4u, "Wadscope3D - E1M3 - " + file));
    EXPECT_EQ((Press(kKeyKeypadMinus, 4), shown()), std::tuple(0, 1u, "Wadscope3D - MAP1 - " + file));
    // With no framebuffer yet, as in window creation, the fit waits for the first frame with a size.
    viewer.framebuffer = {};
    Press(kKeyKeypadPlus);
    EXPECT_TRUE(viewer.fitPending);
    std::vector<uint32_t> pixels(200 * 100);
    viewer.framebuffer = {200, 100, pixels.data()};
    ComposeFrame(viewer);
    EXPECT_EQ(std::get<0>(shown()), 1);
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
    ASSERT_EQ(Run(freedoom + "--size 1100x1000 --map 2 --keys 'Right*3 Space frame Up*5 PageUp Ctrl' out.png"), 0) << err;
    int32_t width = 0, height = 0;
    std::vector<uint32_t> written = ReadPng(dir + "out.png", width, height);
    ASSERT_EQ(std::tuple(width, height, written.size()), std::tuple(1100, 1000, size_t(1100 * 1000)));
    Viewer viewer;
    viewer.state.mapIndex = 2;
    StartViewerQuietly(viewer, wad, FontPath());
    TestPicture picture(1100, 1000);
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
    EXPECT_EQ(Run(freedoom + "--size 8x8 --map 0 first-row.png"), 0) << err;  // an index, not a map's name
}

// --map all: every map of the file into the folder, each as a run of its own; a map that cannot be
// read is named and skipped, and the exit code says so.
TEST_F(RenderCommandTest, EveryMapOfTheFileInOneRun) {
    std::vector<TestLump> lumps;
    for (const char* name : {"MAP01", "MAP02", "MAP03"}) {
        TestMap map;
        map.name = name, map.vertexes = {{0, 0}, {640, 480}}, map.linedefs = {{0, 1, 0, -1}}, map.things = {{320, 240, 0, 1}};
        std::ranges::copy(BuildMapLumps(map), std::back_inserter(lumps));
        if (std::string(name) == "MAP02") lumps.push_back({"BEHAVIOR", {}});
    }
    WriteFile(dir + "maps.wad", BuildWad(lumps));
    ASSERT_EQ(Run("--font '" + FontPath() + "' --wad maps.wad --size 64x48 --keys Right --map all shots"), 1);
    EXPECT_EQ(err, "wadscope-render: MAP02 of maps.wad is not in a format Wadscope reads\nwadscope-render: MAP02 skipped\n");
    std::vector<std::string> written;
    for (const auto& entry : std::filesystem::directory_iterator(dir + "shots")) written.push_back(entry.path().filename());
    std::ranges::sort(written);
    EXPECT_EQ(written, (std::vector<std::string>{"MAP01.png", "MAP03.png"}));
    ASSERT_EQ(Run("--font '" + FontPath() + "' --wad maps.wad --size 64x48 --keys Right --map MAP03 one.png"), 0);
    int32_t width, height;
    EXPECT_EQ(ReadPng(dir + "shots/MAP03.png", width, height), ReadPng(dir + "one.png", width, height));
    WriteFile(dir + "empty.wad", {});
    EXPECT_EQ(std::tuple(Run("--wad empty.wad --map all shots"), err), std::tuple(1, "wadscope-render: empty.wad is not a WAD file\n"));
}

// Every pixel comes back, indexed (at most 256 colours) or RGB, with exactly one filtered row per
// row of the frame; a write that fails is reported.
TEST(PngFile, WritesEveryPixelBackAndReportsFailedWrites) {
    constexpr int32_t kWidth = 37, kHeight = 23;
    for (uint32_t colours : {3u, 256u, 257u, 5000u}) {
        std::vector<uint32_t> pixels(kWidth * kHeight);
        for (size_t k = 0; k < pixels.size(); ++k)  // rows 5 to 9 repeat row 4; the top byte is not colour
            pixels[k] = 0xFF000000u | ((uint32_t(k / kWidth >= 5 && k / kWidth < 10 ? k % kWidth + 4 * kWidth : k) % colours) * 2654435761u >> 8);
        std::string path = WriteTempFile("frame.png", {});
        ASSERT_TRUE(WritePng(path.c_str(), {kWidth, kHeight, pixels.data()}));
        int32_t width = 0, height = 0;
        std::vector<uint32_t> read = ReadPng(path, width, height);
        for (uint32_t& pixel : pixels) pixel &= 0xFFFFFF;
        EXPECT_EQ(std::tuple(width, height, read == pixels), std::tuple(kWidth, kHeight, true)) << colours;
        Bytes file = ReadFileBytes(path), stream;
        for (size_t at = 8; at + 8 <= file.size(); at += 12 + (size_t(file[at]) << 24 | file[at + 1] << 16 | file[at + 2] << 8 | file[at + 3]))
            if (std::memcmp(&file[at + 4], "IDAT", 4) == 0)
                stream.insert(stream.end(), file.begin() + at + 8, file.begin() + at + 8 + (file[at + 2] << 8 | file[at + 3]));
        Bytes rows(2 * kHeight * (1 + 3 * kWidth));
        uLongf size = rows.size();
        ASSERT_EQ(uncompress(rows.data(), &size, stream.data(), stream.size()), Z_OK);
        EXPECT_EQ(std::pair(int(file[25]), size_t(size)), colours <= 256 ? std::pair(3, size_t(kHeight * (1 + kWidth)))
                                                                      : std::pair(2, size_t(kHeight * (1 + 3 * kWidth))));
        std::filesystem::remove(path);
    }
    std::vector<uint32_t> pixels(16, 0);
    EXPECT_FALSE(WritePng("/dev/full", {4, 4, pixels.data()}));
    EXPECT_FALSE(WritePng("/nonexistent/frame.png", {4, 4, pixels.data()}));
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
