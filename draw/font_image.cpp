#include "draw/font_image.h"

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <memory>
#include <new>

namespace {

constexpr size_t kHeaderSize = 54;

int32_t ReadInt32(const uint8_t* bytes) {
    return int32_t(uint32_t(bytes[0]) | uint32_t(bytes[1]) << 8 | uint32_t(bytes[2]) << 16 | uint32_t(bytes[3]) << 24);
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

// How many pixels the header asks for: none for a negative or empty size, and
// never more than `limit`.
size_t PixelsWanted(int32_t width, int32_t height, size_t limit) {
    if (width <= 0 || height <= 0) return 0;
    return size_t(std::min<uint64_t>(uint64_t(width) * uint64_t(height), limit));
}

// Puts bytes over the font's first pixels, as many as the atlas holds.
void StoreBytes(FontImage& font, const uint8_t* bytes, size_t count) {
    count = std::min(count, kAtlasPixels * 4);
    if (count == 0) return;
    if (font.pixels.size() * 4 < count) font.pixels.resize((count + 3) / 4, 0);
    std::memcpy(font.pixels.data(), bytes, count);
}

// The 24-bit case: the packed pixels read over the current ones become the atlas.
void ExpandCurrentPixels(FontImage& font, int32_t width, int32_t height) {
    size_t pixelCount = PixelsWanted(width, height, font.capacity * 4 / 3);
    try {
        font.pixels = ExpandRgbToRgbx(pixelCount, reinterpret_cast<const uint8_t*>(font.pixels.data()),
                                      font.pixels.size() * 4);
        font.capacity = pixelCount;
    } catch (const std::bad_alloc&) {
        // No memory for the expanded image: the font keeps the pixels as read.
    }
}

// What both readers share, all but reading the bytes: the header's size goes to
// the outs; after a whole header, readPixels(pixels, bytes) puts at most `bytes`
// of the file's pixels over the current ones and says how many it put; a 24-bit
// image is then expanded.
template <typename ReadPixels>
void ReadFontImage(FontImage& font, const uint8_t (&header)[kHeaderSize], bool wholeHeader, int32_t* width,
                   int32_t* height, ReadPixels readPixels) {
    BmpFields bmp = ReadBmpFields(header);
    *width = bmp.width, *height = bmp.height;
    size_t bytes = PixelsWanted(bmp.width, bmp.height, font.capacity) * 4;
    if (wholeHeader && bytes > 0) readPixels(font, bytes);
    if (bmp.bitsPerPixel == 24) ExpandCurrentPixels(font, bmp.width, bmp.height);
}

struct CloseFile {
    void operator()(std::FILE* file) const { std::fclose(file); }
};

}  // namespace

// Only the squares' rows that fall within the atlas are kept.
void FillFallbackCheckerboard(FontImage& font) {
    if (font.capacity < 512 * 512) return;
    font.pixels.resize(std::max(font.pixels.size(), kAtlasPixels));
    for (size_t y = 0; y < kAtlasPixels / 512; ++y)
        for (size_t x = 0; x < 512; ++x) font.pixels[y * 512 + x] = (x / 64 + y / 64) % 2 == 0 ? 0xFFFFFFFFu : 0;
}

std::vector<uint32_t> ExpandRgbToRgbx(size_t pixelCount, const uint8_t* source, size_t sourceBytes) {
    // Pixels whose bytes all lie past the given ones are zero, and need not be stored.
    std::vector<uint32_t> pixels(std::min({pixelCount, kAtlasPixels, (sourceBytes + 2) / 3}), 0);
    size_t whole = std::min(pixels.size(), sourceBytes / 3);
    for (size_t k = 0; k < whole; ++k, source += 3) pixels[k] = uint32_t(source[0]) | uint32_t(source[1]) << 8 | uint32_t(source[2]) << 16;
    if (whole < pixels.size()) {  // the last pixel, of which one or two bytes are given
        uint8_t p[3] = {};
        std::memcpy(p, source, sourceBytes - 3 * whole);
        pixels[whole] = uint32_t(p[0]) | uint32_t(p[1]) << 8 | uint32_t(p[2]) << 16;
    }
    return pixels;
}

void LoadFontImageFromBytes(FontImage& font, const uint8_t* data, size_t size, int32_t* width, int32_t* height) {
    uint8_t header[kHeaderSize] = {};
    // An empty file may come without any bytes at all (a null pointer).
    if (size > 0) std::memcpy(header, data, std::min(size, kHeaderSize));
    ReadFontImage(font, header, size >= kHeaderSize, width, height, [&](FontImage& target, size_t bytes) {
        // A short file leaves the rest of the pixels as they were.
        StoreBytes(target, data + kHeaderSize, std::min(bytes, size - kHeaderSize));
    });
}

Status LoadFontImage(FontImage& font, const std::string& path, int32_t* width, int32_t* height) {
    std::unique_ptr<std::FILE, CloseFile> file(std::fopen(path.c_str(), "rb"));
    if (!file) return Problem{ProblemKind::kUnreadable, std::string("Unable to write file: ") + std::strerror(errno)};
    uint8_t header[kHeaderSize] = {};
    bool wholeHeader = std::fread(header, 1, kHeaderSize, file.get()) == kHeaderSize;
    ReadFontImage(font, header, wholeHeader, width, height, [&](FontImage& target, size_t bytes) {
        // No more than the atlas: the pixels past it are never shown.
        std::vector<uint8_t> atlas(std::min(bytes, kAtlasPixels * 4));
        StoreBytes(target, atlas.data(), std::fread(atlas.data(), 1, atlas.size(), file.get()));
    });
    return Succeeded();
}

Status LoadFontOverCheckerboard(FontImage& font, const std::string& path) {
    FillFallbackCheckerboard(font);
    int32_t width = 0, height = 0;
    return LoadFontImage(font, path, &width, &height);
}
