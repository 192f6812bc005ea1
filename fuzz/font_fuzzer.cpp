// Font file bytes through the start-up font load and the status line. Input: flags (bit 0:
// load the file a second time, over the first load), the status text's length (mod 80),
// that many text bytes, then font.bmp.
#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <vector>

#include "draw/status_line.h"

namespace {

// The checkerboard's 512 x 512 pixels and a few more, so no size lines up by chance.
std::vector<uint32_t> store(512 * 512 + 7);
std::vector<uint32_t> checkerboard;  // the store as the start-up fill leaves it
FontImage font{};

// Wider and narrower than the text, lower than a glyph, empty and negative.
constexpr int32_t kFrameSizes[][2] = {{1200, 16}, {100, 20}, {33, 7}, {1, 1},
                                      {0, 16},    {17, 0},   {-4, 8}, {9, -3}};

// The font as start-up leaves it before reading font.bmp: a cleared store, then the checkerboard.
// Flags 0xA6 and 0xA7 take the viewer's 16 MB static store; all others the small store, since
// clearing and expanding 16 MB on every run would slow the search a hundredfold.
void StartFont(bool staticStore) {
    if (staticStore) {
        ResetFontImage(font);
        return FillFallbackCheckerboard(font);
    }
    if (font.pixelsOnHeap) std::free(font.pixels);
    font = FontImage{store.data(), store.size(), false};
    if (checkerboard.empty()) {  // once: the fill does not depend on the input
        FillFallbackCheckerboard(font);
        checkerboard = store;
    }
    std::copy(checkerboard.begin(), checkerboard.end(), store.begin());
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    if (size < 2) return 0;
    size_t textLength = std::min<size_t>(data[1] % 80, size - 2);
    StatusLine line{};
    std::memcpy(line.text, data + 2, textLength);
    const uint8_t* file = data + 2 + textLength;
    size_t fileSize = size - 2 - textLength;

    StartFont((data[0] & 0xFE) == 0xA6);
    int32_t fileWidth = 0, fileHeight = 0;
    LoadFontImageFromBytes(font, file, fileSize, &fileWidth, &fileHeight);
    if (data[0] & 1) LoadFontImageFromBytes(font, file, fileSize, &fileWidth, &fileHeight);
    if (!font.pixels) std::abort();  // a load always leaves a font to draw with

    // Each frame in exactly its own pixels, so that a write past its edge meets ASan.
    for (const auto& [width, height] : kFrameSizes) {
        std::vector<uint32_t> pixels(size_t(std::max(0, width * height)));
        DrawStatusText(Framebuffer{width, height, pixels.data()}, font, line);
    }
    return 0;
}
