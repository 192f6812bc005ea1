#include <gtest/gtest.h>
#include <png.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "app/headless/key_script.h"
#include "app/key_commands.h"
#include "app/viewer.h"
#include "test_support.h"

namespace fs = std::filesystem;

namespace {

struct RunResult {
    int exitCode;
    std::string out;
    std::string err;
};

std::string ReadFile(const fs::path& path) {
    std::ifstream file(path, std::ios::binary);
    std::stringstream text;
    text << file.rdbuf();
    return text.str();
}

// Each test runs the command in a fresh directory of its own.
struct RenderCommandTest : testing::Test {
    fs::path dir = fs::temp_directory_path() /
                   ("wadscope-render-test-" + std::to_string(getpid()) + "-" +
                    testing::UnitTest::GetInstance()->current_test_info()->name());

    RenderCommandTest() {
        fs::remove_all(dir);
        fs::create_directories(dir);
    }
    ~RenderCommandTest() override { fs::remove_all(dir); }

    RunResult Run(const std::string& arguments) {
        std::string command = "cd '" + dir.string() + "' && '" WADSCOPE_RENDER_EXE "' " + arguments +
                              " >out.txt 2>err.txt";
        int status = std::system(command.c_str());
        return {WIFEXITED(status) ? WEXITSTATUS(status) : -1, ReadFile(dir / "out.txt"),
                ReadFile(dir / "err.txt")};
    }
    std::string Freedoom() { return "--wad '" + FreedoomPath() + "' --font '" + FontPath() + "' "; }
};

// Decodes a PNG to 0x00RRGGBB pixels.
bool ReadPng(const fs::path& path, int32_t& width, int32_t& height, std::vector<uint32_t>& pixels) {
    png_image image{};
    image.version = PNG_IMAGE_VERSION;
    if (!png_image_begin_read_from_file(&image, path.string().c_str())) return false;
    image.format = PNG_FORMAT_RGB;
    std::vector<uint8_t> bytes(PNG_IMAGE_SIZE(image));
    if (!png_image_finish_read(&image, nullptr, bytes.data(), 0, nullptr)) return false;
    width = int32_t(image.width), height = int32_t(image.height);
    pixels.resize(size_t(width) * size_t(height));
    for (size_t i = 0; i < pixels.size(); ++i)
        pixels[i] = uint32_t(bytes[3 * i]) << 16 | uint32_t(bytes[3 * i + 1]) << 8 | bytes[3 * i + 2];
    return true;
}

}  // namespace

TEST_F(RenderCommandTest, HelpListsTheKeys) {
    RunResult result = Run("--help");
    EXPECT_EQ(result.exitCode, 0);
    EXPECT_EQ(result.out.rfind("usage: wadscope-render", 0), 0u) << result.out;
    for (const KeyName& key : kKeyNames) EXPECT_NE(result.out.find(key.name), std::string::npos) << key.name;
}

TEST_F(RenderCommandTest, BadArgumentsExitTwoWithTheUsage) {
    for (const char* arguments :
         {"--size 0x10 out.png", "--size 16385x10 out.png", "--size abc out.png", "--size 10x out.png",
          "--map E2M1 out.png", "--map 9 out.png", "--frobnicate out.png", "", "--keys Jump out.png",
          "--keys 'Up*0' out.png", "--keys 'Up*x' out.png", "--keys 256 out.png", "out.png --size",
          "one.png two.png"}) {
        SCOPED_TRACE(arguments);
        RunResult result = Run(arguments);
        EXPECT_EQ(result.exitCode, 2);
        EXPECT_EQ(result.out, "");
        size_t firstEnd = result.err.find('\n');
        ASSERT_NE(firstEnd, std::string::npos);
        EXPECT_EQ(result.err.rfind("wadscope-render: ", 0), 0u) << result.err;
        EXPECT_EQ(result.err.substr(firstEnd + 1).rfind("usage: wadscope-render", 0), 0u) << result.err;
        EXPECT_EQ(std::count(result.err.begin(), result.err.end(), '\n'), 2) << result.err;
        EXPECT_FALSE(fs::exists(dir / "out.png"));
    }
}

TEST_F(RenderCommandTest, UnreadableLevelFilesExitOneWithoutAPicture) {
    RunResult missing = Run("--wad missing.wad out.png");
    EXPECT_EQ(missing.exitCode, 1);
    std::string line = "Unable to open missing.wad\n";
    EXPECT_EQ(missing.out.substr(0, line.size()), line);
    EXPECT_NE(missing.err.find("missing.wad"), std::string::npos);
    EXPECT_FALSE(fs::exists(dir / "out.png"));

    std::ofstream(dir / "text.wad") << "this is not a level file at all";
    RunResult invalid = Run("--wad text.wad out.png");
    EXPECT_EQ(invalid.exitCode, 1);
    EXPECT_EQ(invalid.out.substr(0, 17), "Invalid WAD file\n");
    EXPECT_EQ(invalid.out.find("Unable"), std::string::npos);
    EXPECT_FALSE(fs::exists(dir / "out.png"));

    RunResult unwritable = Run(Freedoom() + "--size 32x24 no/such/dir/out.png");
    EXPECT_EQ(unwritable.exitCode, 1);
    EXPECT_NE(unwritable.err.find("no/such/dir/out.png"), std::string::npos) << unwritable.err;
}

// The PNG holds exactly the frame the viewer composes after the same keys, in
// R, G, B order from bits 16-23, 8-15 and 0-7.
TEST_F(RenderCommandTest, PictureMatchesAFrameComposedInProcess) {
    const char* keys = "Right*3 Space frame Up*5 PageUp Ctrl";
    RunResult result = Run(Freedoom() + "--size 321x203 --map E1M3 --keys '" + keys + "' out.png");
    ASSERT_EQ(result.exitCode, 0) << result.err;
    int32_t width = 0, height = 0;
    std::vector<uint32_t> written;
    ASSERT_TRUE(ReadPng(dir / "out.png", width, height, written));
    EXPECT_EQ(width, 321);
    EXPECT_EQ(height, 203);

    Viewer viewer;
    viewer.state.mapIndex = 2;
    testing::internal::CaptureStderr();
    StartViewer(viewer, FreedoomPath().c_str(), FontPath().c_str());
    testing::internal::GetCapturedStderr();
    std::vector<uint32_t> pixels(size_t(321) * 203);
    viewer.framebuffer = {321, 203, pixels.data()};
    ComposeFrame(viewer);
    for (uint32_t key : {kKeyRight, kKeyRight, kKeyRight, kKeySpace}) ApplyKeyCommand(viewer, nullptr, key);
    ComposeFrame(viewer);
    for (int32_t i = 0; i < 5; ++i) ApplyKeyCommand(viewer, nullptr, kKeyUp);
    ApplyKeyCommand(viewer, nullptr, kKeyPageUp);
    ApplyKeyCommand(viewer, nullptr, kKeyControl);
    ComposeFrame(viewer);
    CloseViewer(viewer);

    ASSERT_EQ(written.size(), pixels.size());
    size_t differing = 0, coloured = 0;
    for (size_t i = 0; i < pixels.size(); ++i) {
        differing += written[i] != (pixels[i] & 0xFFFFFF);
        coloured += (pixels[i] & 0xFFFFFF) != 0xFFFFFF && (pixels[i] & 0xFFFFFF) != 0;
    }
    EXPECT_EQ(differing, 0u);
    EXPECT_GT(coloured, 0u);  // a picture with blue or red in it, so a channel swap would show
}
