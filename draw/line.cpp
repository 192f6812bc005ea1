#include "draw/line.h"

#include <algorithm>
#include <cstddef>
#include <utility>

#include "draw/truncate.h"

namespace {

int32_t ClampToBuffer(int32_t value, int32_t size) { return std::min(std::max(value, 0), size - 1); }

void Plot(uint32_t* pixels, int32_t width, int32_t x, int32_t y, uint32_t colour) {
    pixels[size_t(y) * size_t(width) + size_t(x)] = colour;
}

}  // namespace

void DrawLine(uint32_t* pixels, int32_t width, int32_t height, int32_t x0, int32_t y0,
              int32_t x1, int32_t y1, uint32_t colour) {
    if (width <= 0 || height <= 0) return;
    x0 = ClampToBuffer(x0, width), y0 = ClampToBuffer(y0, height);
    x1 = ClampToBuffer(x1, width), y1 = ClampToBuffer(y1, height);
    if (x0 == x1 && y0 == y1) return;
    if (x1 < x0) std::swap(x0, x1), std::swap(y0, y1);
    int32_t dx = x1 - x0;
    int32_t dy = y1 - y0;
    float slope = dx == 0 ? 1000.0f : float(dy) / float(dx);

    if (dy == 0 && y0 < (1 << 24)) {
        // Fast path: float(i) * 0 + float(y0) is exactly y0 (whole numbers below
        // 2^24 are exact floats), so a horizontal line is one plain run of its row.
        std::fill_n(pixels + size_t(y0) * size_t(width) + size_t(x0), size_t(dx) + 1, colour);
        return;
    }
    if (dx == 0 || slope > 1.0f) {
        if (dy < 0) std::swap(y0, y1), dy = -dy;  // a vertical line is drawn from its upper end
        if (dx == 0 && VerticalLineInRuns(x0, dy + 1)) {
            // Fast path: the formula puts row i in column x0 + i / 1000 (kVerticalRunRows).
            for (int32_t i = 0; i <= dy; ++i)
                Plot(pixels, width, std::min(x0 + i / kVerticalRunRows, width - 1), y0 + i, colour);
            return;
        }
        float step = 1.0f / slope;
        for (int32_t i = 0; i <= dy; ++i) {
            // A vertical line drifts one column per 1000 rows; hold it at the right edge.
            int32_t x = ClampToBuffer(TruncToInt32(float(i) * step + float(x0)), width);
            Plot(pixels, width, x, y0 + i, colour);
        }
    } else if (slope < -1.0f) {
        float step = 1.0f / slope;
        for (int32_t i = 0; i <= -dy; ++i) {
            int32_t x = ClampToBuffer(TruncToInt32(float(i) * step + float(x1)), width);
            Plot(pixels, width, x, y1 + i, colour);
        }
    } else {
        for (int32_t i = 0; i <= dx; ++i) {
            int32_t y = ClampToBuffer(TruncToInt32(float(i) * slope + float(y0)), height);
            Plot(pixels, width, x0 + i, y, colour);
        }
    }
}

void DrawRect(const Framebuffer& framebuffer, int32_t x0, int32_t y0, int32_t x1, int32_t y1,
              uint32_t colour) {
    uint32_t* pixels = framebuffer.pixels;
    int32_t width = framebuffer.width, height = framebuffer.height;
    DrawLine(pixels, width, height, x0, y0, x1, y0, colour);
    DrawLine(pixels, width, height, x0, y1, x1, y1, colour);
    DrawLine(pixels, width, height, x0, y0, x0, y1, colour);
    DrawLine(pixels, width, height, x1, y0, x1, y1, colour);
}
