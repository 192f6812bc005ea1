// The 16 x 16 pixel bitmap font: a 256 x 256 glyph atlas read from font.bmp
// over a fallback checkerboard.
#pragma once
#include <cstddef>
#include <cstdint>

constexpr size_t kFontStorePixels = 4194304;
constexpr const char* kDefaultFontPath = "font.bmp";

struct FontImage {
    uint32_t* pixels;      // the atlas, rows bottom-up, stride 256: the store or a converted image
    size_t pixelCount;     // pixels readable at `pixels`
    bool pixelsOnHeap;     // `pixels` came from ExpandRgbToRgbx and belongs to this image
};

// The font as at program start: pointing at the one static store, cleared to zero.
// Releases a converted image the font held before.
void ResetFontImage(FontImage& font);

// 64 x 64 squares, 8 by 8 of them at stride 512, the top-left one white.
void FillFallbackCheckerboard(FontImage& font);

// Reads a BMP's 54-byte header and its pixels over the current ones; a 24-bit
// image is expanded to 32-bit pixels. Reports "Unable to write file" through
// perror when the file cannot be opened. Width and height are set from the header.
void LoadFontImage(FontImage& font, const char* path, int32_t* width, int32_t* height);

// Start-up's font: reset, the checkerboard, then the file at path read over it.
void LoadFontOverCheckerboard(FontImage& font, const char* path);

// The same from a file's bytes already in memory; the file reader shares all but the reading.
void LoadFontImageFromBytes(FontImage& font, const uint8_t* data, size_t size, int32_t* width,
                            int32_t* height);

// pixelCount packed 3-byte pixels (blue, green, red) to 0x00RRGGBB; null when out of memory.
uint32_t* ExpandRgbToRgbx(size_t pixelCount, const uint8_t* source);
