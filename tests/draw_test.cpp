// The font atlas and the status line.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>

#include "draw/font_image.h"
#include "draw/status_line.h"
#include "test_support.h"

namespace {

constexpr uint32_t kSentinel = 0xDEADBEEF, kWhite = 0xFFFFFFFF;

// A BMP header with the three fields in use, and `pixelBytes` of pixels (k * 7 + 1 unless a fill is given).
Bytes Bmp(int32_t width, int32_t height, uint16_t bits, size_t pixelBytes, int fill = -1) {
    Bytes bmp = Poked(Poked(Poked(Bytes(54, 0), 18, uint32_t(width)), 22, uint32_t(height)), 28, bits);
    for (size_t k = 0; k < pixelBytes; ++k) bmp.push_back(uint8_t(fill < 0 ? k * 7 + 1 : fill));
    return bmp;
}

// Each case read from a file and from memory, over a fresh checkerboard.
struct FontTest : testing::TestWithParam<bool> {
    void Load(const Bytes& bmp) {
        font = FontImage{}, FillFallbackCheckerboard(font);
        width = height = -7;
        if (!GetParam()) return LoadFontImageFromBytes(font, bmp.data(), bmp.size(), &width, &height);
        std::string path = WriteTempFile("font.bmp", bmp);
        EXPECT_TRUE(LoadFontImage(font, path, &width, &height)), std::remove(path.c_str());
    }
    std::vector<uint32_t> Draw(const std::string& text, int32_t width, int32_t height = 16, int32_t rows = 16) {
        std::vector<uint32_t> pixels(size_t(std::max(width, 0)) * size_t(std::max(rows, 0)) + 1, kSentinel);
        StatusLine line{};
        std::strncpy(line.text, text.c_str(), sizeof line.text - 1);
        DrawStatusText(Canvas{width, height, pixels.data()}, font, line);
        return pixels;
    }
    FontImage font;
    int32_t width = -7, height = -7;
};
INSTANTIATE_TEST_SUITE_P(FromFile, FontTest, testing::Bool(), testing::PrintToStringParamName());

}  // namespace

// The size read; how many pixels the atlas holds and its first ones: the file's, converted from 24 bits,
// or still the checkerboard where the file or its header ends; and status text kept inside any frame.
TEST_P(FontTest, FilesOfEveryKindStayInsideTheirPixels) {
    const size_t kStore = kFontStorePixels;
    const std::tuple<const char*, Bytes, int32_t, int32_t, size_t, uint32_t, uint32_t> cases[] = {
        {"empty", {}, 0, 0, kStore, kWhite, kWhite},
        {"header cut inside the width", Bytes(20, 0x56), 0x5656, 0, kStore, kWhite, kWhite},
        {"header cut after the size", Bytes(30, 1), 0x01010101, 0x01010101, kStore, kWhite, kWhite},
        {"32-bit, the fourth byte on top", Bmp(2, 1, 32, 8), 2, 1, kStore, 0x160F0801, 0x322B241D},
        {"24-bit", Bmp(2, 1, 24, 6), 2, 1, 2, 0x000F0801, 0x00241D16},
        {"8-bit pixels read as 32-bit", Bmp(1, 1, 8, 4), 1, 1, kStore, 0x160F0801, kWhite},
        {"32-bit, shorter than its size", Bmp(256, 256, 32, 5), 256, 256, kStore, 0x160F0801, 0xFFFFFF1D},
        {"negative width, 32-bit", Bmp(-1, 256, 32, 64), -1, 256, kStore, kWhite, kWhite},
        {"negative height, 24-bit", Bmp(256, -1, 24, 64), 256, -1, 0, 0, 0},
        {"enormous, 32-bit", Bmp(INT32_MAX, INT32_MAX, 32, 8), INT32_MAX, INT32_MAX, kStore, 0x160F0801, 0x322B241D},
        {"enormous, 24-bit", Bmp(65536, 65536, 24, 6), 65536, 65536, kStore * 4 / 3, 0x000F0801, 0x00241D16},
    };
    for (const auto& [name, file, w, h, pixelCount, first, second] : cases) {
        SCOPED_TRACE(name);
        Load(file);
        EXPECT_EQ(std::tuple(width, height, font.capacity), std::tuple(w, h, pixelCount));
        EXPECT_EQ(std::pair(FontPixel(font, 0), FontPixel(font, 1)), std::pair(first, second));
        for (auto [fw, fh] : {std::pair{100, 20}, {33, 7}, {1, 1}, {0, 16}, {17, 0}, {5, -3}})
            EXPECT_EQ(Draw("MaxDepth 100", fw, fh, fh).back(), kSentinel) << fw << "x" << fh;
    }
    Load(Bmp(1024, 512, 32, 1024 * 512 * 4, 0x42));  // larger than a glyph atlas: the whole atlas read
    EXPECT_EQ(std::pair(FontPixel(font, kAtlasPixels - 1), font.pixels.size()), std::pair(0x42424242u, kAtlasPixels));
    // Glyph pixel (i, j) of code c lies in cell row c / 16 from the top, rows stored bottom-up at stride 256.
    Bytes bmp = Bmp(256, 256, 32, 256 * 256 * 4, 0);
    for (int k : {0, 15}) std::memcpy(&bmp[54 + 4 * ((255 - 16 * ('A' / 16) - k) * 256 + 16 * ('A' % 16) + k)], "\x33\x22\x11\x80", 4);
    Load(bmp);
    std::vector<uint32_t> expected(257, 0);
    expected[0] = expected[255] = 0x80112233u, expected[256] = kSentinel;
    EXPECT_EQ(Draw("A", 16), expected);
}

TEST(StatusLine, FormatsLimitsAndTruncatedPosition) {
    StatusLine line{};
    FormatStatusLine(line, 1, -3, 52.9f, -0.7f);  // truncation toward zero, neither rounding nor floor
    EXPECT_STREQ(line.text, "MaxDepth 1 MaxDraw -3 Player (52,0)");
    FormatStatusLine(line, INT32_MIN, INT32_MIN, -2147483648.0f, -2147483648.0f);  // the longest text
    EXPECT_STREQ(line.text, "MaxDepth -2147483648 MaxDraw -2147483648 Player (-2147483648,-2147483648)");
}
