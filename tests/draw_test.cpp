// The line rasterizer, the font atlas and the status line.
#include <gtest/gtest.h>

#include <cstring>
#include <set>

#include "draw/font_image.h"
#include "draw/line.h"
#include "draw/status_line.h"
#include "test_support.h"

namespace {

constexpr uint32_t kSentinel = 0xDEADBEEF, kInk = 0x00123456, kWhite = 0xFFFFFFFF;
using Pixels = std::set<std::pair<int32_t, int32_t>>;  // (x, y)

Pixels Runs(const std::vector<std::array<int32_t, 4>>& runs) {  // rows or columns {x0, y0, x1, y1}
    Pixels pixels;
    for (auto [x0, y0, x1, y1] : runs)
        for (int32_t x = x0; x <= x1; ++x) for (int32_t y = y0; y <= y1; ++y) pixels.insert({x, y});
    return pixels;
}

}  // namespace

TEST(DrawLine, TruncatesClampsAndStaysInsideTheBufferAsDoesDrawRect) {
    // Rows with a count list some pixels: (0,0)-(9,3) ends on row 3 only if each step is i * slope afresh; float
    // 1 / (13 / 3) < 3 / 13; 10 + 21 * (1 / (-4.2)) truncates to 4. Vertical lines drift a column per 1000 rows.
    struct Case { int32_t x0, y0, x1, y1; Pixels pixels; size_t count = 0; int32_t width = 100, height = 60; };
    for (const Case& c : std::vector<Case>{
             {0, 0, 3, 1, {{0, 0}, {1, 0}, {2, 0}, {3, 1}}}, {3, 1, 0, 0, {{0, 0}, {1, 0}, {2, 0}, {3, 1}}},
             {0, 0, 7, 3, {{0, 0}, {1, 0}, {2, 0}, {3, 1}, {4, 1}, {5, 2}, {6, 2}, {7, 3}}},
             {0, 0, 2, 5, {{0, 0}, {0, 1}, {0, 2}, {1, 3}, {1, 4}, {2, 5}}},
             {2, 0, 0, 5, {{2, 0}, {1, 1}, {1, 2}, {0, 3}, {0, 4}, {0, 5}}},
             {0, 3, 3, 0, {{0, 3}, {1, 2}, {2, 1}, {3, 0}}}, {0, 0, 3, 3, {{0, 0}, {1, 1}, {2, 2}, {3, 3}}},
             {0, 3, 0, 0, Runs({{0, 0, 0, 3}})}, {5, 5, 5, 5, {}}, {0, 0, 1, 41, Runs({{0, 0, 0, 41}})},
             {0, 0, 9, 3, {{9, 3}}, 10}, {0, 0, 3, 13, {{2, 13}}, 14}, {0, 42, 10, 0, {{4, 21}, {10, 0}}, 43},
             {-10, 5, 20, 5, Runs({{0, 5, 20, 5}})}, {-5, 10, -1, 40, Runs({{0, 10, 0, 40}})}, {-5, -5, -1, -20, {}},
             {500, 500, 200, 900, {}}, {150, -7, 150, 70, Runs({{99, 0, 99, 59}})},
             {-100, 0, 100, 100, {{0, 0}, {50, 29}, {99, 59}}, 100},  // drawn as (0,0)-(99,59)
             {0, 0, 0, 1499, Runs({{0, 0, 0, 999}, {1, 1000, 1, 1499}}), 0, 8, 1500},
             {7, 1550, 7, -3, Runs({{7, 0, 7, 1499}}), 0, 8, 1500}}) {
        std::vector<uint32_t> buffer(size_t(c.width) * size_t(c.height), kSentinel);
        DrawLine(buffer.data(), c.width, c.height, c.x0, c.y0, c.x1, c.y1, kInk);
        Pixels drawn;  // a pixel changed to another colour shows as row -1
        for (size_t k = 0; k < buffer.size(); ++k)
            if (buffer[k] != kSentinel) drawn.insert({int32_t(k % c.width), buffer[k] == kInk ? int32_t(k / c.width) : -1});
        EXPECT_EQ(drawn.size(), c.count ? c.count : c.pixels.size());
        if (c.count) std::erase_if(drawn, [&](auto p) { return !c.pixels.count(p); });
        EXPECT_EQ(drawn, c.pixels) << c.x0 << "," << c.y0 << " to " << c.x1 << "," << c.y1;
    }
    std::vector<uint32_t> empty(64, kSentinel);  // clamping to -1 would write before the pointer given
    for (auto [w, h, x0, y0, x1, y1] : {std::array{0, 8, 0, 0, 5, 5}, {8, 0, -3, 7, 2, -9}, {0, 0, 1, 0, 1, 6}})
        DrawLine(empty.data() + 32, w, h, x0, y0, x1, y1, kInk);
    EXPECT_EQ(empty, std::vector<uint32_t>(64, kSentinel));
    for (auto [x0, y0, x1, y1] : {std::array{10, 10, 20, 14}, {20, 14, 10, 10}, {20, 10, 10, 14}}) {
        TestPicture picture(100, 60);
        DrawRect(picture.framebuffer, x0, y0, x1, y1, kInk);
        EXPECT_TRUE(picture == PictureOfOutline(100, 60, {10, 10, 14, 20, 10, 14}, kInk));
    }
}

// Squares of 64 x 64 pixels, eight by eight at a stride of 512, the top-left one white.
TEST(FontImage, FallbackCheckerboard) {
    FontImage font{};
    ResetFontImage(font);
    FillFallbackCheckerboard(font);
    for (size_t y = 0; y < 512; ++y)
        for (size_t x = 0; x < 512; ++x) ASSERT_EQ(font.pixels[y * 512 + x], (x / 64 + y / 64) % 2 ? 0 : kWhite) << x << "," << y;
    EXPECT_EQ(font.pixels[512 * 512], 0u);
}

namespace {

// A BMP header with the three fields in use, and `pixelBytes` of pixels (k * 7 + 1 unless a fill is given).
Bytes Bmp(int32_t width, int32_t height, uint16_t bits, size_t pixelBytes, int fill = -1) {
    Bytes bmp = Poked(Poked(Poked(Bytes(54, 0), 18, uint32_t(width)), 22, uint32_t(height)), 28, bits);
    for (size_t k = 0; k < pixelBytes; ++k) bmp.push_back(uint8_t(fill < 0 ? k * 7 + 1 : fill));
    return bmp;
}

// Each case read from a file and from memory, over a fresh checkerboard.
struct FontTest : testing::TestWithParam<bool> {
    void Load(const Bytes& bmp) {
        ResetFontImage(font), FillFallbackCheckerboard(font);
        width = height = -7;
        if (!GetParam()) return LoadFontImageFromBytes(font, bmp.data(), bmp.size(), &width, &height);
        std::string path = WriteTempFile("font.bmp", bmp);
        LoadFontImage(font, path.c_str(), &width, &height), std::remove(path.c_str());
    }
    std::vector<uint32_t> Draw(const std::string& text, int32_t width, int32_t height = 16, int32_t rows = 16) {
        std::vector<uint32_t> pixels(size_t(std::max(width, 0)) * size_t(std::max(rows, 0)) + 1, kSentinel);
        StatusLine line{};
        std::strncpy(line.text, text.c_str(), sizeof line.text - 1);
        DrawStatusText(Framebuffer{width, height, pixels.data()}, font, line);
        return pixels;
    }
    ~FontTest() override { ResetFontImage(font); }  // releases a converted image
    FontImage font{};
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
        {"32-bit, the fourth byte on top", Bmp(2, 1, 32, 8), 2, 1, kStore, 0x160F0801, 0x322B241D},
        {"24-bit", Bmp(2, 1, 24, 6), 2, 1, 2, 0x000F0801, 0x00241D16},
        {"8-bit pixels read as 32-bit", Bmp(1, 1, 8, 4), 1, 1, kStore, 0x160F0801, kWhite},
        {"32-bit, shorter than its size", Bmp(256, 256, 32, 5), 256, 256, kStore, 0x160F0801, 0xFFFFFF1D},
        {"negative width, 32-bit", Bmp(-1, 256, 32, 64), -1, 256, kStore, kWhite, kWhite},
        {"negative height, 24-bit", Bmp(256, -1, 24, 64), 256, -1, 0, 0, 0},
        {"zero size, 24-bit", Bmp(0, 0, 24, 64), 0, 0, 0, 0, 0},
        {"enormous, 32-bit", Bmp(INT32_MAX, INT32_MAX, 32, 8), INT32_MAX, INT32_MAX, kStore, 0x160F0801, 0x322B241D},
        {"enormous, 24-bit", Bmp(65536, 65536, 24, 6), 65536, 65536, kStore * 4 / 3, 0x000F0801, 0x00241D16},
    };
    for (const auto& [name, file, w, h, pixelCount, first, second] : cases) {
        SCOPED_TRACE(name);
        Load(file);
        EXPECT_EQ(std::tuple(width, height, font.pixelCount), std::tuple(w, h, pixelCount));
        if (pixelCount > 0) {
            EXPECT_EQ(std::pair(font.pixels[0], font.pixels[1]), std::pair(first, second));
        }
        for (auto [fw, fh] : {std::pair{100, 20}, {33, 7}, {1, 1}, {0, 16}, {17, 0}, {5, -3}})
            EXPECT_EQ(Draw("MaxDepth 100", fw, fh, fh).back(), kSentinel) << fw << "x" << fh;
    }
    // Glyph pixel (i, j) of code c lies in cell row c / 16 from the top, rows stored bottom-up at stride 256.
    Bytes bmp = Bmp(256, 256, 32, 256 * 256 * 4, 0);
    for (int k : {0, 15}) std::memcpy(&bmp[54 + 4 * ((255 - 16 * ('A' / 16) - k) * 256 + 16 * ('A' % 16) + k)], "\x33\x22\x11\x80", 4);
    Load(bmp);
    std::vector<uint32_t> expected(257, 0);
    expected[0] = expected[255] = 0x80112233u, expected[256] = kSentinel;
    EXPECT_EQ(Draw("A", 16), expected);
}

TEST_P(FontTest, KeepsTheCheckerboardWhenNothingIsReadAndClipsTheText) {
    testing::internal::CaptureStderr();
    Load(Bmp(0, 0, 32, 64, 0x5A));
    if (GetParam()) width = height = -7, LoadFontImage(font, "/nonexistent/font.bmp", &width, &height);
    EXPECT_EQ(std::tuple(testing::internal::GetCapturedStderr().substr(0, 22), width, height),
              GetParam() ? std::tuple("Unable to write file: ", -7, -7) : std::tuple("", 0, 0));
    std::string codes;
    for (int c = 1; c < 128; ++c) codes += char(c);
    // White where c mod 16 is 4 to 7 or 12 to 15; 2020 columns hold four of the last glyph's; at most 16 rows.
    std::vector<uint32_t> wide = Draw(codes, 2020, 20, 20), low = Draw("M", 16, 10, 16);
    for (int32_t y = 0; y < 20; ++y)
        for (int32_t x = 0; x < 2020; ++x)
            ASSERT_EQ(wide[y * 2020 + x],
                      y >= 16 ? kSentinel : "....WWWW....WWWW"[codes[x / 16] % 16] == 'W' ? kWhite : 0) << x << ' ' << y;
    for (int32_t y = 0; y < 16; ++y) EXPECT_EQ(low[16 * y + 7], y < 10 ? kWhite : kSentinel) << y;
    EXPECT_EQ(Draw("", 16)[0], kSentinel);
}

TEST(StatusLine, FormatsLimitsAndTruncatedPosition) {
    StatusLine line{};
    FormatStatusLine(line, 1, -3, 52.9f, -0.7f);  // truncation toward zero, neither rounding nor floor
    EXPECT_STREQ(line.text, "MaxDepth 1 MaxDraw -3 Player (52,0)");
    FormatStatusLine(line, INT32_MIN, INT32_MIN, -2147483648.0f, -2147483648.0f);  // the longest text
    EXPECT_STREQ(line.text, "MaxDepth -2147483648 MaxDraw -2147483648 Player (-2147483648,-2147483648)");
}
