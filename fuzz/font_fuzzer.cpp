// Font file bytes through the start-up font load and the status line. Input: flags (bit 0:
// load the file a second time, over the first load), the status text's length (mod 80),
// that many text bytes, then font.bmp.
#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <vector>

#include "draw/status_line.h"

namespace {

// Wider and narrower than the text, lower than a glyph, empty and negative.
constexpr int32_t kFrameSizes[][2] = {{1200, 16}, {100, 20}, {33, 7}, {1, 1},
                                      {0, 16},    {17, 0},   {-4, 8}, {9, -3}};

// The font as start-up has it before reading font.bmp: the checkerboard, made once.
const FontImage kCheckerboard = [] {
    FontImage font;
    FillFallbackCheckerboard(font);
    return font;
}();
FontImage font;  // kept, so that each input's copy of the checkerboard reuses its memory

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    if (size < 2) return 0;
    size_t textLength = std::min<size_t>(data[1] % 80, size - 2);
    StatusLine line{};
    std::memcpy(line.text, data + 2, textLength);
    const uint8_t* file = data + 2 + textLength;
    size_t fileSize = size - 2 - textLength;

    font = kCheckerboard;
    int32_t fileWidth = 0, fileHeight = 0;
    LoadFontImageFromBytes(font, file, fileSize, &fileWidth, &fileHeight);
    if (data[0] & 1) LoadFontImageFromBytes(font, file, fileSize, &fileWidth, &fileHeight);
    if (font.pixels.size() > font.capacity) std::abort();  // a load never stores more than the font holds

    // Each frame in exactly its own pixels, so that a write past its edge meets ASan.
    for (const auto& [width, height] : kFrameSizes) {
        std::vector<uint32_t> pixels(size_t(std::max(0, width * height)));
        DrawStatusText(Canvas{width, height, pixels.data()}, font, line);
    }
    return 0;
}
