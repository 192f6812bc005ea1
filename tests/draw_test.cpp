#include <gtest/gtest.h>

#include <array>
#include <cstdio>
#include <cstring>
#include <set>
#include <tuple>

#include "draw/font_image.h"
#include "draw/line.h"
#include "draw/status_line.h"
#include "test_support.h"

namespace {

constexpr uint32_t kSentinel = 0xDEADBEEF, kInk = 0x00123456, kWhite = 0xFFFFFFFF;
using Pixels = std::set<std::pair<int32_t, int32_t>>;  // (x, y)
using Picture = std::vector<uint32_t>;

Pixels Inked(const Picture& buffer, int32_t width) {  // the pixels changed; any not inked shows as row -1
    Pixels inked;
    for (size_t k = 0; k < buffer.size(); ++k)
        if (buffer[k] != kSentinel) inked.insert({int32_t(k % width), buffer[k] == kInk ? int32_t(k / width) : -1});
    return inked;
}

Pixels Runs(const std::vector<std::array<int32_t, 4>>& runs) {  // rows or columns {x0, y0, x1, y1}
    Pixels pixels;
    for (auto [x0, y0, x1, y1] : runs)
        for (int32_t x = x0; x <= x1; ++x) for (int32_t y = y0; y <= y1; ++y) pixels.insert({x, y});
    return pixels;
}

// Index in the atlas of glyph pixel (i, j) of code c: rows stored bottom-up, stride 256.
size_t AtlasIndex(unsigned char c, int i, int j) { return size_t(255 - 16 * (c / 16) - j) * 256 + 16 * (c % 16) + i; }

Bytes Bmp(int32_t width, int32_t height, uint16_t bits, size_t pixelBytes, uint8_t fill = 0) {  // the fields in use
    Bytes bmp(18, 0);
    PutInt32(bmp, width), PutInt32(bmp, height), PutInt16(bmp, 1), PutInt16(bmp, bits);
    bmp.resize(54), bmp.resize(54 + pixelBytes, fill);
    return bmp;
}

struct FontTest : testing::TestWithParam<bool> {
    void SetUp() override { ResetFontImage(font), FillFallbackCheckerboard(font); }
    void TearDown() override { ResetFontImage(font); }  // releases a converted image
    void Load(const Bytes& bmp) {  // over a fresh checkerboard
        SetUp();
        if (!GetParam()) return LoadFontImageFromBytes(font, bmp.data(), bmp.size(), &width, &height);
        std::string path = WriteTempFile("font.bmp", bmp);
        LoadFontImage(font, path.c_str(), &width, &height), std::remove(path.c_str());
    }
    Picture Draw(const std::string& text, int32_t width, int32_t height = 16, int32_t rows = 16) {  // in `rows`
        Picture pixels(size_t(width) * size_t(rows), kSentinel);
        StatusLine line{};
        std::strncpy(line.text, text.c_str(), sizeof line.text - 1);
        DrawStatusText(Framebuffer{width, height, pixels.data()}, font, line);
        return pixels;
    }
    FontImage font{};
    int32_t width = -7, height = -7;
};
INSTANTIATE_TEST_SUITE_P(FromFile, FontTest, testing::Bool(), testing::PrintToStringParamName());

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
             {7, 0, 7, 1499, Runs({{7, 0, 7, 1499}}), 0, 8, 1500},
             {7, 1550, 7, -3, Runs({{7, 0, 7, 1499}}), 0, 8, 1500}}) {
        Picture buffer(size_t(c.width) * size_t(c.height), kSentinel);
        DrawLine(buffer.data(), c.width, c.height, c.x0, c.y0, c.x1, c.y1, kInk);
        Pixels drawn = Inked(buffer, c.width);
        EXPECT_EQ(drawn.size(), c.count ? c.count : c.pixels.size());
        if (c.count) std::erase_if(drawn, [&](auto p) { return !c.pixels.count(p); });
        EXPECT_EQ(drawn, c.pixels) << c.x0 << "," << c.y0 << " to " << c.x1 << "," << c.y1;
    }
    Picture empty(64, kSentinel);  // clamping to -1 would write before the pointer given
    for (auto [w, h, x0, y0, x1, y1] : {std::array{0, 8, 0, 0, 5, 5}, {8, 0, -3, 7, 2, -9}, {0, 0, 1, 0, 1, 6}})
        DrawLine(empty.data() + 32, w, h, x0, y0, x1, y1, kInk);
    EXPECT_EQ(empty, Picture(64, kSentinel));
    for (auto [x0, y0, x1, y1] : {std::tuple{10, 10, 20, 14}, {20, 14, 10, 10}, {20, 10, 10, 14}}) {
        Picture buffer(100 * 60, kSentinel);
        DrawRect(Framebuffer{100, 60, buffer.data()}, x0, y0, x1, y1, kInk);
        EXPECT_EQ(Inked(buffer, 100), Runs({{10, 10, 20, 10}, {10, 14, 20, 14}, {10, 10, 10, 14}, {20, 10, 20, 14}}));
    }
}

TEST_P(FontTest, PixelsBecomeRgbWithTheFourthByteOnTop) {
    for (uint16_t bits : {24, 32}) {
        Bytes bmp = Bmp(256, 256, bits, 256 * 256 * bits / 8);
        for (int k : {0, 15}) std::memcpy(&bmp[54 + bits / 8 * AtlasIndex('A', k, k)], "\x33\x22\x11\x80", bits / 8);
        Load(bmp);
        Picture expected(256, 0);
        expected[0] = expected[255] = bits == 32 ? 0x80112233u : 0x00112233u;
        EXPECT_EQ(std::tuple(width, height, Draw("A", 16)), std::tuple(256, 256, expected)) << bits;
    }
}

TEST_P(FontTest, ReadsNoMoreThanTheFileAndTheStoreHold) {
    Bytes bmp = Bmp(256, 256, 32, 400, 0x44);
    Load(bmp);  // the rest stays checkerboard
    EXPECT_EQ(std::tuple(font.pixels[99], font.pixels[130], font.pixels[200]), std::tuple(0x44444444u, kWhite, 0u));
    Load(Bytes(bmp.begin(), bmp.begin() + 40));  // header cut short
    EXPECT_EQ(std::tuple(font.pixels[0], font.pixels[64], font.pixels[130]), std::tuple(kWhite, 0u, kWhite));
    Load(Bmp(1, 1, 24, 3, 0x01));  // one pixel, and black beyond it
    EXPECT_EQ(std::tuple(font.pixels[0], Draw("M0a", 48)), std::tuple(0x00010101u, Picture(768, 0)));
    for (auto [w, h, bits] : {std::tuple{-1, 256, 32}, {256, -1, 32}, {256, -1, 24}, {0, 0, 24}, {100000, 100000, 32},
                              {100000, 100000, 24}, {65536, 65536, 32}, {-65536, -65536, 32}}) {
        Load(Bmp(w, h, uint16_t(bits), kFontStorePixels * 4 + 4096, 0x5A));
        EXPECT_EQ(std::pair(width, height), std::pair(w, h)) << bits;
        if (w < 0 || h < 0) {  // nothing read: the checkerboard stays, or no pixel is converted
            EXPECT_TRUE(bits == 32 ? font.pixels[0] == kWhite : font.pixelCount == 0);
        }
        Draw("Mx", 32);  // reads the atlas; AddressSanitizer checks it stays in bounds
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

TEST_P(FontTest, KeepsTheCheckerboardWhenNothingIsReadAndClipsTheText) {
    testing::internal::CaptureStderr();
    GetParam() ? LoadFontImage(font, "/nonexistent/font.bmp", &width, &height) : Load(Bmp(0, 0, 32, 64, 0x5A));
    EXPECT_EQ(std::tuple(testing::internal::GetCapturedStderr().substr(0, 22), width, height),
              GetParam() ? std::tuple("Unable to write file: ", -7, -7) : std::tuple("", 0, 0));
    std::string codes;
    for (int c = 1; c < 128; ++c) codes += char(c);
    // White where c mod 16 is 4 to 7 or 12 to 15; 2020 columns hold four of the last glyph's; at most 16 rows.
    Picture wide = Draw(codes, 2020, 20, 20), low = Draw("M", 16, 10, 16);
    for (int32_t y = 0; y < 20; ++y)
        for (int32_t x = 0; x < 2020; ++x)
            ASSERT_EQ(wide[y * 2020 + x],
                      y >= 16 ? kSentinel : "....WWWW....WWWW"[codes[x / 16] % 16] == 'W' ? kWhite : 0) << x << ' ' << y;
    for (int32_t y = 0; y < 16; ++y) EXPECT_EQ(low[16 * y + 7], y < 10 ? kWhite : kSentinel) << y;
    EXPECT_EQ(Draw("", 16)[0], kSentinel);
    Load(ReadFileBytes(FontPath()));
    EXPECT_EQ(std::pair(width, height), std::pair(256, 256));
}

TEST(StatusLine, FormatsLimitsAndTruncatedPosition) {
    StatusLine line{};
    FormatStatusLine(line, 1, -3, 52.9f, -0.7f);  // truncation toward zero, neither rounding nor floor
    EXPECT_STREQ(line.text, "MaxDepth 1 MaxDraw -3 Player (52,0)");
    FormatStatusLine(line, INT32_MIN, INT32_MIN, -2147483648.0f, -2147483648.0f);  // the longest text
    EXPECT_STREQ(line.text, "MaxDepth -2147483648 MaxDraw -2147483648 Player (-2147483648,-2147483648)");
}

// The size read, what the atlas holds, and a status line drawn with it staying inside small and empty frames.
TEST(MalformedFont, HeadersOfEverySizeStayInsideTheirPixels) {
    auto bmp = [](int32_t width, int32_t height, uint16_t bits, size_t pixelBytes) {
        Bytes file = Poked(Poked(Poked(Bytes(54, 0), 18, uint32_t(width)), 22, uint32_t(height)), 28, bits);
        for (size_t k = 0; k < pixelBytes; ++k) file.push_back(uint8_t(k * 7 + 1));
        return file;
    };
    const std::tuple<const char*, Bytes, int32_t, int32_t, size_t, uint32_t> cases[] = {
        {"empty file (no bytes at all)", Bytes(), 0, 0, kFontStorePixels, 0xFFFFFFFFu},
        {"header cut inside the width", Bytes(20, 0x56), 0x5656, 0, kFontStorePixels, 0xFFFFFFFFu},
        {"negative height, 24-bit", bmp(256, -1, 24, 64), 256, -1, 0, 0},
        {"zero size, 24-bit", bmp(0, 0, 24, 64), 0, 0, 0, 0},
        {"enormous, 32-bit", bmp(INT32_MAX, INT32_MAX, 32, 8), INT32_MAX, INT32_MAX, kFontStorePixels, 0x160F0801},
        {"enormous, 24-bit", bmp(65536, 65536, 24, 6), 65536, 65536, kFontStorePixels * 4 / 3, 0x000F0801},
        {"8-bit pixels read as 32-bit", bmp(1, 1, 8, 4), 1, 1, kFontStorePixels, 0x160F0801},
        {"32-bit pixels", bmp(2, 1, 32, 8), 2, 1, kFontStorePixels, 0x160F0801},
    };
    StatusLine line{};
    FormatStatusLine(line, 100, 250, 50, 50);
    for (const auto& [name, file, width, height, pixelCount, firstPixel] : cases) {
        SCOPED_TRACE(name);
        FontImage font{};
        ResetFontImage(font);
        FillFallbackCheckerboard(font);
        int32_t readWidth = -7, readHeight = -7;
        LoadFontImageFromBytes(font, file.data(), file.size(), &readWidth, &readHeight);
        EXPECT_EQ(std::tuple(readWidth, readHeight, font.pixelCount), std::tuple(width, height, pixelCount));
        if (pixelCount > 0) { EXPECT_EQ(font.pixels[0], firstPixel); }
        for (auto [w, h] : {std::pair{100, 20}, {33, 7}, {1, 1}, {0, 16}, {17, 0}, {5, -3}}) {
            std::vector<uint32_t> pixels(size_t(std::max(w * h, 0)) + 1, 0x12345678);
            DrawStatusText({w, h, pixels.data()}, font, line);
            EXPECT_EQ(pixels.back(), 0x12345678u) << w << "x" << h;
        }
        ResetFontImage(font);
    }
}

