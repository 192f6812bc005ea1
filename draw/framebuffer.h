// The software picture every drawing routine writes into.
#pragma once
#include <cstdint>

// Row-major 0x00RRGGBB pixels, row 0 at the top; pixel (x, y) is pixels[y * width + x].
struct Framebuffer {
    int32_t width = 0;
    int32_t height = 0;
    uint32_t* pixels = nullptr;
};
