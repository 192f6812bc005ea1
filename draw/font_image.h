// The 16 x 16 pixel bitmap font: a 256 x 256 glyph atlas read from font.bmp
// over a fallback checkerboard.
#pragma once
#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "wad/result.h"

// A new font holds this many pixels, all zero, until a 24-bit file is expanded.
constexpr size_t kFontStorePixels = 4194304;
// The pixels the status line can show: the 256 x 256 atlas. A file's pixels past
// them are read over as the file format has it, but never shown, so not kept.
constexpr size_t kAtlasPixels = 256 * 256;
constexpr const char* kDefaultFontPath = "font.bmp";

// The atlas, rows bottom-up at stride 256. Only the pixels written so far are
// stored, never more than the atlas; the rest, up to capacity, are zero.
struct FontImage {
    std::vector<uint32_t> pixels;
    size_t capacity = kFontStorePixels;  // how many pixels a file read may fill
};

// Pixel `index` of the atlas; zero past what the font holds.
inline uint32_t FontPixel(const FontImage& font, size_t index) {
    return index < font.pixels.size() ? font.pixels[index] : 0;
}

// 64 x 64 squares, 8 by 8 of them at stride 512, the top-left one white.
void FillFallbackCheckerboard(FontImage& font);

// Reads a BMP's 54-byte header and its pixels over the current ones; a 24-bit
// image is expanded to 32-bit pixels. Width and height are set from the header
// once the file is open. A problem, "Unable to write file: " and the system's
// reason, when the file cannot be opened; the font is left as it was.
Status LoadFontImage(FontImage& font, const std::string& path, int32_t* width, int32_t* height);

// The same from a file's bytes already in memory; the file reader shares all but the reading.
void LoadFontImageFromBytes(FontImage& font, const uint8_t* data, size_t size, int32_t* width, int32_t* height);

// Start-up's font: the checkerboard, then the file at path read over it.
Status LoadFontOverCheckerboard(FontImage& font, const std::string& path);

// pixelCount packed 3-byte pixels (blue, green, red) to 0x00RRGGBB, of which the
// first sourceBytes bytes are given and the rest are zero; those of the atlas.
std::vector<uint32_t> ExpandRgbToRgbx(size_t pixelCount, const uint8_t* source, size_t sourceBytes);
