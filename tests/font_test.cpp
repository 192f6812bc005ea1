#include <gtest/gtest.h>
#include <unistd.h>

#include <cstdio>
#include <cstring>
#include <filesystem>
#include <string>
#include <tuple>
#include <vector>

#include "draw/font_image.h"
#include "draw/status_line.h"
#include "test_support.h"

namespace {

constexpr uint32_t kSentinel = 0xDEADBEEF;
constexpr uint32_t kWhite = 0xFFFFFFFF;
constexpr uint32_t kMixed = 0xBAD0BAD0;

// A BMP header with the three fields in use, followed by pixelBytes zero bytes.
Bytes Bmp(int32_t width, int32_t height, uint16_t bitsPerPixel, size_t pixelBytes) {
    Bytes bmp(54 + pixelBytes, 0);
    for (int k = 0; k < 4; ++k) bmp[18 + k] = uint8_t(width >> (8 * k)), bmp[22 + k] = uint8_t(height >> (8 * k));
    bmp[28] = uint8_t(bitsPerPixel), bmp[29] = uint8_t(bitsPerPixel >> 8);
    return bmp;
}

// Index in the atlas of glyph pixel (i, j) of code c: rows stored bottom-up, stride 256.
size_t AtlasIndex(unsigned char c, int i, int j) { return size_t(255 - 16 * (c / 16) - j) * 256 + 16 * (c % 16) + i; }

// The colour of every pixel of code c's glyph when the checkerboard is the font.
uint32_t CheckerColour(unsigned char c) { return c % 16 % 8 >= 4 ? kWhite : 0u; }

struct Picture {
    int32_t width, height;
    std::vector<uint32_t> pixels;
    uint32_t At(int32_t x, int32_t y) const { return pixels[size_t(y) * size_t(width) + size_t(x)]; }
    // The one colour of character cell k, or kMixed.
    uint32_t Cell(int32_t k) const {
        for (int32_t y = 0; y < 16; ++y)
            for (int32_t x = 16 * k; x < 16 * k + 16; ++x)
                if (At(x, y) != At(16 * k, 0)) return kMixed;
        return At(16 * k, 0);
    }
};

class FontTest : public testing::Test {
protected:
    void SetUp() override { ResetFontImage(font), FillFallbackCheckerboard(font); }
    void TearDown() override { ResetFontImage(font); }  // releases a converted image

    // Draws text into a sentinel-filled buffer of bufferRows rows, told it has height rows.
    Picture Draw(const std::string& text, int32_t width = 0, int32_t height = 16, int32_t bufferRows = 16) {
        Picture picture{width ? width : int32_t(16 * text.size()), bufferRows, {}};
        picture.pixels.assign(size_t(picture.width) * size_t(bufferRows), kSentinel);
        StatusLine line{};
        std::strncpy(line.text, text.c_str(), sizeof line.text - 1);
        DrawStatusText(Framebuffer{picture.width, height, picture.pixels.data()}, font, line);
        return picture;
    }

    FontImage font{};
};

// Every BMP case runs through the file reader and the in-memory one.
class BmpTest : public FontTest, public testing::WithParamInterface<bool> {
protected:
    void Load(const Bytes& bmp, int32_t& width, int32_t& height) {
        if (!GetParam()) return LoadFontImageFromBytes(font, bmp.data(), bmp.size(), &width, &height);
        std::string path = WriteTempFile("font-" + std::to_string(getpid()) + ".bmp", bmp);
        LoadFontImage(font, path.c_str(), &width, &height);
        std::remove(path.c_str());
    }
};

INSTANTIATE_TEST_SUITE_P(Reader, BmpTest, testing::Bool(),
                         [](const auto& info) { return info.param ? "File" : "Bytes"; });

}  // namespace

TEST_F(FontTest, CheckerboardReadAsAtlasGivesSolidSquares) {
    std::string codes;
    for (int c = 1; c < 128; ++c) codes += char(c);
    Picture picture = Draw(codes);
    for (int c = 1; c < 128; ++c) EXPECT_EQ(picture.Cell(c - 1), CheckerColour(c)) << "code " << c;
    Picture named = Draw("M4567ax 012389");  // the first five white, the rest black
    for (int k = 0; k < 14; ++k) EXPECT_EQ(named.Cell(k), k < 5 ? kWhite : 0u) << k;
}

TEST_P(BmpTest, TwentyFourBitPixelsBecomeRgbWithAZeroTopByte) {
    Bytes bmp = Bmp(256, 256, 24, 256 * 256 * 3);
    auto put = [&](size_t index, uint8_t b, uint8_t g, uint8_t r) {
        bmp[54 + 3 * index] = b, bmp[55 + 3 * index] = g, bmp[56 + 3 * index] = r;
    };
    put(AtlasIndex('A', 0, 0), 0x33, 0x22, 0x11);
    put(AtlasIndex('A', 1, 0), 0xAA, 0xBB, 0xCC);
    put(AtlasIndex('A', 15, 15), 0xFE, 0x80, 0x01);
    int32_t width = 0, height = 0;
    Load(bmp, width, height);
    EXPECT_EQ(std::pair(width, height), std::pair(256, 256));
    Picture picture = Draw("A");
    EXPECT_EQ(picture.At(0, 0), 0x00112233u);
    EXPECT_EQ(picture.At(1, 0), 0x00CCBBAAu);
    EXPECT_EQ(picture.At(2, 0), 0u);
    EXPECT_EQ(picture.At(15, 15), 0x000180FEu);
}

TEST_P(BmpTest, ThirtyTwoBitPixelsKeepTheFourthByteOnTop) {
    Bytes bmp = Bmp(256, 256, 32, 256 * 256 * 4);
    const uint8_t bgra[] = {0x33, 0x22, 0x11, 0x80};
    std::memcpy(&bmp[54 + 4 * AtlasIndex('z', 3, 7)], bgra, 4);
    int32_t width = 0, height = 0;
    Load(bmp, width, height);
    EXPECT_EQ(Draw("z").At(3, 7), 0x80112233u);
}

TEST_P(BmpTest, ShortFilesKeepTheRestOfTheCheckerboard) {
    Bytes bmp = Bmp(256, 256, 32, 400);
    for (size_t k = 54; k < bmp.size(); ++k) bmp[k] = 0x44;
    int32_t width = 0, height = 0;
    Load(bmp, width, height);
    EXPECT_EQ(std::tuple(font.pixels[99], font.pixels[130], font.pixels[200]), std::tuple(0x44444444u, kWhite, 0u));
    EXPECT_EQ(Draw("M").Cell(0), kWhite);

    SetUp();
    Load(Bytes(bmp.begin(), bmp.begin() + 40), width, height);  // header cut short
    EXPECT_EQ(std::tuple(font.pixels[0], font.pixels[64], font.pixels[130]), std::tuple(kWhite, 0u, kWhite));
}

TEST_P(BmpTest, OutOfRangeSizesReadNothingPastTheStore) {
    const size_t bigger = kFontStorePixels * 4 + 4096;
    for (auto [w, h, bits] : {std::tuple{-1, 256, 32}, {256, -1, 24}, {0, 0, 24}, {100000, 100000, 32},
                              {100000, 100000, 24}, {65536, 65536, 32}, {-65536, -65536, 32}}) {
        SCOPED_TRACE(testing::Message() << w << " x " << h << " x " << bits);
        SetUp();
        Bytes bmp = Bmp(w, h, uint16_t(bits), bigger);
        std::memset(&bmp[54], 0x5A, bigger);
        int32_t width = 0, height = 0;
        Load(bmp, width, height);
        EXPECT_EQ(std::pair(width, height), std::pair(w, h));
        Draw("Mx");  // reads the atlas; AddressSanitizer checks it stays in bounds
    }
}

TEST_P(BmpTest, TinyTwentyFourBitImageDrawsBlackBeyondItsPixel) {
    Bytes bmp = Bmp(1, 1, 24, 3);
    bmp[54] = 0x01, bmp[55] = 0x02, bmp[56] = 0x03;
    int32_t width = 0, height = 0;
    Load(bmp, width, height);
    EXPECT_EQ(font.pixels[0], 0x00030201u);
    Picture picture = Draw("M0a");
    for (int k = 0; k < 3; ++k) EXPECT_EQ(picture.Cell(k), 0u) << k;
}

TEST_F(FontTest, MissingFileIsReportedAndKeepsTheCheckerboard) {
    int32_t width = -7, height = -7;
    testing::internal::CaptureStderr();
    LoadFontImage(font, "/nonexistent/font.bmp", &width, &height);
    std::string printed = testing::internal::GetCapturedStderr();
    EXPECT_EQ(printed.rfind("Unable to write file: ", 0), 0u) << printed;
    EXPECT_EQ(std::pair(width, height), std::pair(-7, -7));
    EXPECT_EQ(std::pair(Draw("M").Cell(0), Draw("a").Cell(0)), std::pair(kWhite, 0u));
}

TEST_F(FontTest, RepositoryFontIsTheFullAtlas) {
    if (!std::filesystem::exists(FontPath())) GTEST_SKIP() << FontPath() << " is not there yet";
    int32_t width = 0, height = 0;
    LoadFontImage(font, FontPath().c_str(), &width, &height);
    EXPECT_EQ(std::pair(width, height), std::pair(256, 256));
}

TEST_F(FontTest, StatusTextStaysInsideTheFramebuffer) {
    // Six whole characters and four columns of the seventh in 100 columns; rows 16 on untouched.
    const std::string text = "MaxDepth 100";
    Picture narrow = Draw(text, 100, 16, 20);
    for (int32_t y = 0; y < 20; ++y)
        for (int32_t x = 0; x < 100; ++x)
            ASSERT_EQ(narrow.At(x, y), y < 16 ? CheckerColour(text[x / 16]) : kSentinel) << x << "," << y;
    Picture low = Draw("M", 16, 10, 16);
    for (int32_t y = 0; y < 16; ++y) EXPECT_EQ(low.At(7, y), y < 10 ? kWhite : kSentinel) << y;
    EXPECT_EQ(Draw("", 16).At(0, 0), kSentinel);
}

TEST(StatusLine, FormatsLimitsAndTruncatedPosition) {
    StatusLine line{};
    FormatStatusLine(line, 100, 250, 50.0f, 50.0f);
    EXPECT_STREQ(line.text, "MaxDepth 100 MaxDraw 250 Player (50,50)");
    FormatStatusLine(line, 1, 2, -0.7f, -1.5f);
    EXPECT_STREQ(line.text, "MaxDepth 1 MaxDraw 2 Player (0,-1)");
    FormatStatusLine(line, 0, -3, 52.9f, -52.9f);
    EXPECT_STREQ(line.text, "MaxDepth 0 MaxDraw -3 Player (52,-52)");
    FormatStatusLine(line, INT32_MIN, INT32_MIN, -2147483648.0f, -2147483648.0f);
    EXPECT_EQ(std::strlen(line.text), 73u);
}
