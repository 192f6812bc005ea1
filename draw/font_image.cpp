#include "draw/font_image.h"

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <cstring>

namespace {

uint32_t fontStore[kFontStorePixels];
// How far the store has been written since it was last cleared: clearing all
// 16 MiB would touch every page of a store that mostly stays untouched.
size_t fontStoreWritten = 0;

void NoteWrite(const FontImage& font, size_t pixels) {
    if (font.pixels == fontStore) fontStoreWritten = std::max(fontStoreWritten, std::min(pixels, kFontStorePixels));
}

constexpr size_t kHeaderSize = 54;

int32_t ReadInt32(const uint8_t* bytes) {
    return int32_t(uint32_t(bytes[0]) | uint32_t(bytes[1]) << 8 | uint32_t(bytes[2]) << 16 |
                   uint32_t(bytes[3]) << 24);
}

// The three header fields in use; nothing else of the header is looked at.
struct BmpFields {
    int32_t width;
    int32_t height;
    uint16_t bitsPerPixel;
};

BmpFields ReadBmpFields(const uint8_t (&header)[kHeaderSize]) {
    return {ReadInt32(header + 18), ReadInt32(header + 22), uint16_t(header[28] | header[29] << 8)};
}

// How many bytes of pixels the header asks for: none for a negative or empty size,
// and never more than the pixels in use can hold.
size_t PixelBytesWanted(int32_t width, int32_t height, size_t capacityBytes) {
    if (width <= 0 || height <= 0) return 0;
    uint64_t wanted = uint64_t(width) * uint64_t(height) * 4;
    return size_t(std::min<uint64_t>(wanted, capacityBytes));
}

void UsePixels(FontImage& font, uint32_t* pixels, size_t pixelCount, bool onHeap) {
    if (font.pixelsOnHeap) std::free(font.pixels);
    font.pixels = pixels;
    font.pixelCount = pixelCount;
    font.pixelsOnHeap = onHeap;
}

// The 24-bit case: expand the packed pixels that were read over the current ones.
void ExpandCurrentPixels(FontImage& font, int32_t width, int32_t height) {
    size_t pixelCount = 0;
    if (width > 0 && height > 0) {
        uint64_t wanted = uint64_t(width) * uint64_t(height);
        pixelCount = size_t(std::min<uint64_t>(wanted, font.pixelCount * 4 / 3));
    }
    uint32_t* expanded = ExpandRgbToRgbx(pixelCount, reinterpret_cast<uint8_t*>(font.pixels));
    if (expanded) UsePixels(font, expanded, pixelCount, true);
}

// What both readers share, all but reading the bytes: the header's size goes to
// the outs; after a whole header, readPixels(pixels, bytes) puts at most `bytes`
// of the file's pixels over the current ones; a 24-bit image is then expanded.
template <typename ReadPixels>
void ReadFontImage(FontImage& font, const uint8_t (&header)[kHeaderSize], bool wholeHeader,
                   int32_t* width, int32_t* height, ReadPixels readPixels) {
    BmpFields bmp = ReadBmpFields(header);
    *width = bmp.width, *height = bmp.height;
    size_t bytes = PixelBytesWanted(bmp.width, bmp.height, font.pixelCount * 4);
    if (wholeHeader && bytes > 0) {
        NoteWrite(font, (bytes + 3) / 4);
        readPixels(reinterpret_cast<uint8_t*>(font.pixels), bytes);
    }
    if (bmp.bitsPerPixel == 24) ExpandCurrentPixels(font, bmp.width, bmp.height);
}

}  // namespace

void ResetFontImage(FontImage& font) {
    UsePixels(font, fontStore, kFontStorePixels, false);
    std::fill_n(fontStore, fontStoreWritten, 0u);
    fontStoreWritten = 0;
}

void FillFallbackCheckerboard(FontImage& font) {
    if (font.pixelCount < 512 * 512) return;
    NoteWrite(font, 512 * 512);
    for (size_t y = 0; y < 512; ++y)
        for (size_t x = 0; x < 512; ++x)
            font.pixels[y * 512 + x] = (x / 64 + y / 64) % 2 == 0 ? 0xFFFFFFFFu : 0;
}

uint32_t* ExpandRgbToRgbx(size_t pixelCount, const uint8_t* source) {
    // One pixel at least, so an empty image is still a buffer of its own.
    auto* pixels = static_cast<uint32_t*>(std::malloc(std::max<size_t>(pixelCount, 1) * 4));
    if (!pixels) return nullptr;
    for (size_t k = 0; k < pixelCount; ++k) {
        const uint8_t* p = source + 3 * k;
        pixels[k] = uint32_t(p[0]) | uint32_t(p[1]) << 8 | uint32_t(p[2]) << 16;
    }
    return pixels;
}

void LoadFontImageFromBytes(FontImage& font, const uint8_t* data, size_t size, int32_t* width,
                            int32_t* height) {
    uint8_t header[kHeaderSize] = {};
    // An empty file may come without any bytes at all (a null pointer).
    if (size > 0) std::memcpy(header, data, std::min(size, kHeaderSize));
    ReadFontImage(font, header, size >= kHeaderSize, width, height, [&](uint8_t* pixels, size_t bytes) {
        // A short file leaves the rest of the pixels as they were.
        std::memcpy(pixels, data + kHeaderSize, std::min(bytes, size - kHeaderSize));
    });
}

void LoadFontImage(FontImage& font, const char* path, int32_t* width, int32_t* height) {
    FILE* file = std::fopen(path, "rb");
    if (!file) {
        std::perror("Unable to write file");
        return;
    }
    uint8_t header[kHeaderSize] = {};
    bool wholeHeader = std::fread(header, 1, kHeaderSize, file) == kHeaderSize;
    ReadFontImage(font, header, wholeHeader, width, height,
                  [&](uint8_t* pixels, size_t bytes) { std::fread(pixels, 1, bytes, file); });
    std::fclose(file);
}

void LoadFontOverCheckerboard(FontImage& font, const char* path) {
    ResetFontImage(font);
    FillFallbackCheckerboard(font);
    int32_t width = 0, height = 0;
    LoadFontImage(font, path, &width, &height);
}
