// Font file bytes through the start-up font load and the status line.
// Input: byte 0 flags, byte 1 the status text's length (mod 80), that many text
// bytes, then font.bmp. Flag bit 0 loads the file a second time over the first
// load. Flags 0xA6 and 0xA7 start from ResetFontImage's 16 MB static store, as
// the viewer does; any other value starts the font in a store of its own just
// large enough for the checkerboard, since clearing and expanding 16 MB on
// every run would slow the search a hundredfold.
#include <algorithm>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <vector>

#include "draw/font_image.h"
#include "draw/status_line.h"

namespace {

// The checkerboard's 512 x 512 pixels and a few more, so no size lines up by chance.
constexpr size_t kStorePixels = 512 * 512 + 7;
std::vector<uint32_t> store(kStorePixels);
std::vector<uint32_t> checkerboard;  // the store as the start-up fill leaves it
FontImage font{};

// The font as the viewer's start-up leaves it before reading font.bmp: the
// store cleared, then the checkerboard. The fill does not depend on the input,
// so the small store takes a copy of its result made once.
void StartFont(bool staticStore) {
    if (staticStore) {
        ResetFontImage(font);
        return FillFallbackCheckerboard(font);
    }
    if (font.pixelsOnHeap) std::free(font.pixels);
    font = FontImage{store.data(), store.size(), false};
    if (checkerboard.empty()) {
        std::fill(store.begin(), store.end(), 0);
        FillFallbackCheckerboard(font);
        checkerboard = store;
    }
    std::copy(checkerboard.begin(), checkerboard.end(), store.begin());
}

struct FrameSize {
    int32_t width, height;
};

// Wider and narrower than the text, lower than a glyph, empty and negative.
constexpr FrameSize kFrameSizes[] = {{1200, 16}, {100, 20}, {33, 7}, {1, 1},
                                     {0, 16},    {17, 0},   {-4, 8}, {9, -3}};

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    if (size < 2) return 0;
    uint8_t flags = data[0];
    size_t textLength = std::min<size_t>(data[1] % 80, size - 2);
    StatusLine line{};
    std::memcpy(line.text, data + 2, textLength);
    const uint8_t* file = data + 2 + textLength;
    size_t fileSize = size - 2 - textLength;

    StartFont((flags & 0xFE) == 0xA6);
    int32_t width = 0, height = 0;
    LoadFontImageFromBytes(font, file, fileSize, &width, &height);
    if (flags & 1) LoadFontImageFromBytes(font, file, fileSize, &width, &height);
    if (!font.pixels) std::abort();

    static std::vector<uint32_t> pixels(1200 * 20);
    for (const FrameSize& frame : kFrameSizes) {
        Framebuffer framebuffer{frame.width, frame.height, pixels.data()};
        DrawStatusText(framebuffer, font, line);
    }
    return 0;
}
