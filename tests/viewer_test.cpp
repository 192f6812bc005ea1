// The viewer's commands and start-up choices, and wadscope-render with its PNG files.
#include <gif_lib.h>
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <filesystem>
#include <random>

#include "app/headless/png_file.h"
#include "app/key_table.h"
#include "app/session.h"
#include "render/overlay.h"
#include "render/fitted_view.h"
#include "test_support.h"

namespace {

// Maps of the given names in that order; map k has k + 1 things and a square of side 64 (k + 1).
std::vector<TestLump> MapsLumps(const std::vector<std::string>& names) {
    std::vector<TestLump> lumps;
    for (size_t k = 0; k < names.size(); ++k) {
        TestMap map;
        int16_t side = int16_t(64 * (k + 1));
        map.name = names[k], map.vertexes = {{0, 0}, {side, 0}, {side, side}, {0, side}}, map.things.resize(k + 1);
        for (const TestLump& lump : BuildMapLumps(map)) lumps.push_back(lump);
    }
    return lumps;
}
Bytes MapsFile(const std::vector<std::string>& names) { return BuildWad(MapsLumps(names)); }

uint32_t Code(const char* name) { return KeyNamed(name)->virtualKey; }

// A session started as window creation starts it, from the file `path`.
struct KeyTest : testing::Test {
    Session session;
    std::string path = WriteTempFile("keys.wad", {}), printed, complained;
    ~KeyTest() override { std::filesystem::remove(path); }

    void Start(StartMap start = {}) {
        session.messages = [this](Stream stream, std::string_view line) { (stream == Stream::kOutput ? printed : complained) += line; };
        StartRun(session, LevelFile{path, nullptr}, start, "/nonexistent/font.bmp");
    }
    Session& Press(const char* key, int32_t times = 1) { return Press(Code(key), times); }
    Session& Press(uint32_t key, int32_t times = 1) { while (times-- > 0) PressKey(session, key, nullptr); return session; }
    auto Limits(const char* key) { return std::tuple{Press(key).view.maxDepth, session.view.maxDraw, int(session.view.drawFarSides)}; }
    auto Settings() const {  // everything the commands may change but the level's records
        const View& v = session.view;
        return std::tuple(v.playerX, v.playerY, v.angle, session.mapIndex, int(v.solidWalls), int(v.halfDepthFactor), v.playerStartPending,
                          v.scale, v.offsetX, v.offsetY, v.maxDepth, v.maxDraw, int(v.drawFarSides));
    }
};

}  // namespace

TEST_F(KeyTest, CommandsFromTheStartValues) {
    Start();
    EXPECT_EQ(Settings(), std::tuple(50.0f, 50.0f, 0.0f, 0, 0, 0, 1, 2.5f, 1180.0f, 4880.0f, 100, 250, 1));
    EXPECT_EQ(std::pair(printed.substr(0, 17), complained.substr(0, 22)), std::pair(std::string("Invalid WAD file\n"), std::string("Unable to write file: ")));
    auto before = Settings();  // Escape too changes nothing without a window
    for (uint32_t key : {0u, 65u, 116u, 96u, 36u, 16u, 18u, 255u, 0x10000u + 38, 27u}) Press(key);
    EXPECT_EQ(Settings(), before);
    EXPECT_EQ((std::pair{Press("Up").view.playerX, session.view.playerY}), std::pair(52.0f, 50.0f));
    EXPECT_EQ(Press("Down").view.playerX, 50.0f);
    EXPECT_EQ(Press("Right", 10).view.angle, std::nextafter(1.0f, 2.0f));  // ten float steps of 0.1
    EXPECT_EQ(Press("Left").view.angle, std::nextafter(1.0f, 2.0f) - 0.1f);
    EXPECT_EQ(Press("PageUp", 5).view.scale, 0.0f);
    EXPECT_EQ(Press("PageUp").view.scale, -0.5f);
    EXPECT_EQ(Press("PageDown", 3).view.scale, 1.0f);
    EXPECT_EQ(Press("Space").view.solidWalls, 1);
    EXPECT_EQ(Press("Ctrl", 3).view.halfDepthFactor, 1);
    EXPECT_EQ(Limits("F1"), std::tuple(99, 250, 0));
    session.view.maxDepth = 0, session.view.drawFarSides = 1;
    EXPECT_EQ(Limits("F1"), std::tuple(0, 250, 0));  // the floor holds, the switch still changes
    session.view.maxDraw = 0, session.view.maxDepth = 5;
    EXPECT_EQ(Limits("F3"), std::tuple(250, 0, 1));
    EXPECT_EQ(Limits("F2"), std::tuple(251, 0, 0));
    EXPECT_EQ(Limits("F4"), std::tuple(250, 1, 1));
    session.view.maxDepth = session.view.maxDraw = INT32_MAX;  // no ceilings: they saturate
    EXPECT_EQ(Limits("F2"), std::tuple(INT32_MAX, INT32_MAX, 0));
    EXPECT_EQ(Limits("F4"), std::tuple(250, INT32_MAX, 1));
}

// Table mode: keypad plus and minus clamp to the table's rows and always read the file anew; only the view is reset.
TEST_F(KeyTest, MapChangesClampAndAlwaysReload) {
    WriteFile(path, MapsFile({"E1M9", "E1M1"}));
    Start();
    session.view.playerX = 12, session.view.angle = 1, session.view.solidWalls = 1, session.view.playerStartPending = 0;
    EXPECT_EQ(Press("KeypadPlus", 8).level.things.size(), 1u);
    Press("PageDown", 3), WriteFile(path, MapsFile({"E1M1", "E1M9"}));
    EXPECT_EQ(Press("KeypadPlus").level.things.size(), 2u);
    EXPECT_EQ(Settings(), std::tuple(12.0f, 50.0f, 1.0f, 8, 1, 0, 0, 2.0f, 3220.0f, 1600.0f, 100, 250, 1));
    EXPECT_EQ((std::tuple{Press("KeypadMinus", 9).mapIndex, session.level.things.size(), session.view.scale}), std::tuple(0, 1u, 2.5f));
}

// File mode: keypad plus and minus step through the file's maps by exact name, stop at the ends, and fit each.
TEST_F(KeyTest, FileModeStepsThroughTheFilesMapsInFittedViews) {
    WriteFile(path, MapsFile({"MAP1", "PAD", "MAP10", "E1M3"}));
    ResizeFramebuffer(session, 200, 100);
    Start({0, {"MAP1", "MAP10", "E1M3"}});
    auto shown = [&] {
        MapView fitted = FitMapView(session.level.vertexes, 200, 100);
        EXPECT_EQ(std::tuple(session.view.scale, session.view.offsetX, session.view.offsetY), std::tuple(fitted.scale, fitted.offsetX, fitted.offsetY));
        return std::tuple(session.mapIndex, session.level.things.size(), WindowTitle(session));
    };
    const std::string file = std::filesystem::path(path).filename().string();
    EXPECT_EQ(shown(), std::tuple(0, 1u, "Wadscope3D - MAP1 - " + file));
    EXPECT_TRUE(PressKey(session, Code("KeypadPlus"), nullptr).titleChanged);
    EXPECT_EQ(shown(), std::tuple(1, 3u, "Wadscope3D - MAP10 - " + file));  // not MAP1's lumps
    Press("PageDown");
    EXPECT_EQ((Press("KeypadPlus", 3), shown()), std::tuple(2, 4u, "Wadscope3D - E1M3 - " + file));
    EXPECT_EQ((Press("KeypadMinus", 4), shown()), std::tuple(0, 1u, "Wadscope3D - MAP1 - " + file));
    for (auto [width, height] : {std::pair{0, 100}, {200, 0}}) {  // as in window creation: the fit waits for a size
        ResizeFramebuffer(session, width, height);
        EXPECT_TRUE(Press("KeypadPlus").fitPending);
    }
    ResizeFramebuffer(session, 200, 100);
    ComposeFrame(session);
    EXPECT_EQ(std::get<0>(shown()), 2);
}

// Table mode for the table's names without --fit, file mode else; map names match whole, in any case.
TEST(StartMap, ChosenFromTheOptionsAndTheFile) {
    const std::string file = WriteTempFile("start.wad", MapsFile({"MAP1", "MAP10", "E1M3"}));
    const std::string withE1M1 = WriteTempFile("start-e1m1.wad", MapsFile({"E1M1", "MAP01"}));
    using Maps = std::vector<std::string>;
    const Maps all = {"MAP1", "MAP10", "E1M3"};
    const std::tuple<Options, bool, int32_t, Maps, std::string> cases[] = {
        {{}, true, 0, {}, ""},                  // no option: table mode, without looking at any file
        {{.wadPath = file}, true, 0, all, ""},  // no E1M1: the first map
        {{.wadPath = file, .mapName = "map10"}, true, 1, all, ""},
        {{.wadPath = file, .mapName = "E1M3"}, true, 2, {}, ""},
        {{.wadPath = file, .mapName = "E1M3", .fit = true}, true, 2, all, ""},
        {{.wadPath = withE1M1}, true, 0, {}, ""},
        {{.wadPath = withE1M1, .fit = true}, true, 0, {"E1M1", "MAP01"}, ""},
        {{.wadPath = file, .mapName = "MAP"}, false, 0, {}, file + " has no map MAP; its maps: MAP1 MAP10 E1M3"},
        {{.wadPath = "no/freedm.wad"}, false, 0, {}, "cannot read level file no/freedm.wad: install Debian's freedm package, or give --wad a level file of your own"},
        {{.fit = true}, false, 0, {}, "cannot read level file DOOM1.WAD"}};
    for (const auto& [options, chosen, mapIndex, fileMaps, problem] : cases) {
        Result<StartMap> start = ChooseStartMap(options, LevelFile{options.wadPath.value_or("DOOM1.WAD"), nullptr});
        EXPECT_EQ(std::tuple(bool(start), start ? start->mapIndex : 0, start ? start->fileMaps : Maps{}, start ? "" : start.problem().line),
                  std::tuple(chosen, mapIndex, fileMaps, problem));
    }
    std::filesystem::remove(file), std::filesystem::remove(withE1M1);
    for (auto [argument, problem] : {std::pair{"--fitted", "unknown option '--fitted'"}, {"E1M1", "unexpected argument 'E1M1'"},
                                     {"--map", "--map needs a value"}}) {
        const char* argv[] = {"wadscope", argument, nullptr};
        Result<Options> options = ParseArguments(Program::kViewer, 2, const_cast<char**>(argv));
        EXPECT_EQ(options ? "" : options.problem().line, problem);
    }
}

namespace {

struct RenderCommandTest : ProgramTest {
    std::string freedoom = "--wad freedoom1.wad --font font.bmp ";
    int Run(const std::string& arguments) { return ProgramTest::Run("'" WADSCOPE_RENDER_EXE "'", arguments); }
};

}  // namespace

TEST_F(RenderCommandTest, ArgumentErrorsExitTwoLevelAndOutputFailuresOne) {
    for (const char* arguments : {"--size 0x10 out.png", "--size 16385x10 out.png", "--size 10x out.png", "--frobnicate out.png", "",
                                  "--keys Jump out.png", "--keys 'Up*0' out.png", "--keys 256 out.png", "out.png --size", "one.png two.png",
                                  "--keys 'Up*18446744073709551617' out.png"}) {  // a count that would wrap
        EXPECT_EQ((std::pair{Run(arguments), out}), std::pair(2, std::string())) << arguments;
        size_t eol = err.find('\n');  // one error line, then the usage line
        EXPECT_TRUE(err.starts_with("wadscope-render: ") && !err.compare(eol + 1, 22, "usage: wadscope-render") &&
                    err.find('\n', eol + 1) == err.size() - 1) << err;
    }
    EXPECT_EQ(Run("--help"), 0);
    EXPECT_NE(out.find("KeypadPlus KeypadMinus F1 F2 F3 F4"), std::string::npos);
    EXPECT_EQ(Run("--version"), 0);
    EXPECT_TRUE(out.starts_with("wadscope-render ")) << out;
    WriteFile(dir + "text.wad", {'n', 'o'});
    for (auto [arguments, problem] : {std::pair{"--wad text.wad out.png", "text.wad is not a WAD file\n"},
                                      {"--map E1M1 out.png", "cannot read level file DOOM1.WAD\n"},
                                      {"--map 0 out.png", "cannot read level file DOOM1.WAD\n"},
                                      {"-", "cannot read level file DOOM1.WAD\n"}}) {  // a file named -
        EXPECT_EQ(Run(std::string("--font font.bmp ") + arguments), 1);
        EXPECT_EQ(err, std::string("wadscope-render: ") + problem);
        EXPECT_FALSE(std::filesystem::exists(dir + "out.png"));
    }
    EXPECT_EQ(Run(freedoom + "--size 32x24 no/dir/out.png"), 1);
    EXPECT_EQ(err, "wadscope-render: cannot write no/dir/out.png\n");
    EXPECT_EQ(Run(freedoom + "--size 2000x1500 --map 0 --keys 'Right*9 frame Space' big.png"), 0) << err;  // several huge pages
}

// With the overlay off, Tab three times, the tree keys, W and a click leave the frame as it was.
TEST_F(RenderCommandTest, TheOverlayOffChangesNoFrame) {
    ASSERT_EQ(Run(freedoom + "--map E1M1 plain.png"), 0);
    ASSERT_EQ(Run(freedoom + "--map E1M1 --keys 'Tab*3 R L U Home W Click:200,100' keys.png"), 0);
    EXPECT_TRUE(ReadFileBytes(dir + "plain.png") == ReadFileBytes(dir + "keys.png"));
}

// The walk's GIF: a frame per accepted subsector, each adding the next colour of the ramp, then the whole walk
// held, which is the frame of the walk overlay.
TEST_F(RenderCommandTest, TheWalkAnimationShowsTheWalkStepByStep) {
    ASSERT_EQ(Run(freedoom + "--size 160x120 --keys F3*245 --overlay walk --walk-animation walk.gif final.png"), 0) << err;
    int error = 0;
    GifFileType* gif = DGifOpenFileName((dir + "walk.gif").c_str(), &error);
    ASSERT_TRUE(gif && DGifSlurp(gif) == GIF_OK);
    std::vector<uint32_t> shown(160 * 120);
    std::string delays;
    for (int k = 0; k < gif->ImageCount; ++k) {  // each frame's rectangle over the one before
        const SavedImage& frame = gif->SavedImages[k];
        const GifImageDesc& d = frame.ImageDesc;
        GraphicsControlBlock control;
        DGifSavedExtensionToGCB(gif, k, &control);
        delays += std::to_string(control.DelayTime) + " ";
        for (int y = 0; y < d.Height; ++y)
            for (int x = 0; x < d.Width; ++x) {
                GifColorType c = (d.ColorMap ? d.ColorMap : gif->SColorMap)->Colors[frame.RasterBits[y * d.Width + x]];
                shown[size_t((d.Top + y) * 160 + d.Left + x)] = uint32_t(c.Red) << 16 | c.Green << 8 | c.Blue;
            }
        for (int32_t step = k + 1; step <= 5; ++step)  // the newest shows (later walls cover earlier ones), none after it
            EXPECT_EQ(std::count(shown.begin(), shown.end(), WalkColour(step, 5)) > 0, step == k + 1) << "frame " << k << ", subsector " << step;
    }
    int32_t width, height;
    EXPECT_EQ(delays, "6 6 6 6 6 200 ");
    EXPECT_TRUE(shown == ReadPng(dir + "final.png", width, height));
    DGifCloseFile(gif, &error);
}

// --map all: every map of the file into the folder, each as a run of its own with the same options; a map
// that cannot be read is named and skipped, and the exit code says so.
TEST_F(RenderCommandTest, EveryMapOfTheFileInOneRun) {
    std::vector<TestLump> lumps = MapsLumps({"MAP01", "MAP02", "MAP03"});
    lumps[16].data = {'x', 'N', 'd', '4', 0, 0, 0, 0};  // MAP02's NODES: DeePBSP nodes
    WriteFile(dir + "maps.wad", BuildWad(lumps));
    const std::string options = "--font font.bmp --wad maps.wad --size 2000x1500 --keys Right ";  // frames of several huge pages
    std::filesystem::create_directory(dir + "shots");  // a folder that is there already is used
    ASSERT_EQ(Run(options + "--map all shots"), 1);
    EXPECT_EQ(err, "wadscope-render: MAP02 of maps.wad is not in a format Wadscope reads\nwadscope-render: MAP02 skipped\n");
    EXPECT_EQ(std::distance(std::filesystem::directory_iterator(dir + "shots"), {}), 2);
    EXPECT_EQ(Run(options + "--map 9 one.png"), 1);  // past the table's last row: a name, and no map has it
    EXPECT_TRUE(err.starts_with("wadscope-render: maps.wad has no map 9")) << err;
    ASSERT_EQ(Run(options + "--map MAP03 one.png"), 0);
    int32_t width, height;
    EXPECT_EQ(ReadPng(dir + "shots/MAP03.png", width, height), ReadPng(dir + "one.png", width, height));
    WriteFile(dir + "empty.wad", {});
    lumps.erase(lumps.begin() + 9, lumps.begin() + 18);  // MAP02 with its lumps
    WriteFile(dir + "good.wad", BuildWad(lumps));
    EXPECT_EQ(Run(options + "--wad good.wad --map all good"), 0) << err;
    EXPECT_EQ(Run("--wad empty.wad --map all shots"), 1);
    EXPECT_EQ(err, "wadscope-render: empty.wad is not a WAD file\n");
    std::filesystem::copy_file(dir + "good.wad", dir + "huge.wad");
    std::filesystem::resize_file(dir + "huge.wad", uint64_t(3) << 30);  // sparse; past what the format's offsets reach
    EXPECT_EQ(Run("--wad huge.wad --map all shots"), 1);
    EXPECT_EQ(err, "wadscope-render: cannot read level file huge.wad\n");
}

// Every pixel comes back, indexed (at most 256 colours) or RGB, with no warning from libpng (such as
// image data past the last row); a write that fails is reported.
TEST(PngFile, WritesEveryPixelBackAndReportsFailedWrites) {
    constexpr int32_t kWidth = 199, kHeight = 157;  // RGB rows that fill more than one 64 KiB chunk
    std::minstd_rand random(1);
    for (uint32_t colours : {3u, 256u, 257u, 1u << 24}) {
        std::vector<uint32_t> pixels(kWidth * kHeight), palette(colours > 256 ? 0 : colours);
        for (uint32_t& colour : palette) colour = random();
        for (size_t k = 0; k < pixels.size(); ++k)  // rows 5 to 9 repeat row 4; the top byte is not colour
            pixels[k] = k / kWidth >= 5 && k / kWidth < 10 ? pixels[k - kWidth]
                        : 0xFF000000u | (palette.empty() ? uint32_t(random()) % colours : palette[random() % colours]);
        if (colours == 257) pixels.back() = 0x123456;  // one colour more than 256
        std::string path = WriteTempFile("frame.png", {});
        ASSERT_TRUE(WritePng(path, {kWidth, kHeight, pixels.data()}));
        int32_t width = 0, height = 0;
        std::vector<uint32_t> read = ReadPng(path, width, height);
        for (uint32_t& pixel : pixels) pixel &= 0xFFFFFF;
        EXPECT_EQ(std::tuple(width, height, read == pixels), std::tuple(kWidth, kHeight, true)) << colours;
        EXPECT_EQ(int(ReadFileBytes(path)[25]), colours <= 256 ? 3 : 2) << "the colour type: indexed or RGB";
        std::filesystem::remove(path);
    }
    std::vector<uint32_t> pixels(16, 0);
    EXPECT_FALSE(WritePng("/dev/full", {4, 4, pixels.data()}));
    EXPECT_EQ(WritePng("/nonexistent/frame.png", {4, 4, pixels.data()}).problem().line, "cannot write /nonexistent/frame.png");
}
