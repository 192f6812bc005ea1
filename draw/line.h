// The clamping line rasterizer: each end is moved into the buffer on its own,
// then the line is stepped along its major axis with a truncated minor coordinate.
#pragma once
#include <cstdint>

#include "draw/framebuffer.h"

void DrawLine(uint32_t* pixels, int32_t width, int32_t height, int32_t x0, int32_t y0,
              int32_t x1, int32_t y1, uint32_t colour);

// Outline of a box: top, bottom, left, right edge, in that order.
void DrawRect(const Framebuffer& framebuffer, int32_t x0, int32_t y0, int32_t x1, int32_t y1,
              uint32_t colour);
