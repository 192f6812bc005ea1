#include "draw/line.h"

#include <algorithm>
#include <cmath>
#include <cstddef>
#include <tuple>
#include <utility>

#include "wad/truncate.h"

namespace {

int32_t ClampToBuffer(int32_t value, int32_t size) { return std::min(std::max(value, 0), size - 1); }

void Plot(uint32_t* pixels, int32_t width, int32_t x, int32_t y, uint32_t colour) {
    pixels[size_t(y) * size_t(width) + size_t(x)] = colour;
}

// The minor coordinates of steps first to first + count - 1 of a line:
// trunc(float(i) * step + origin), held inside the buffer. A loop without
// branches, which the compiler turns into vector instructions; each lane rounds
// just as a step of the plain loop does, so the coordinates are the same.
constexpr int32_t kStepBatch = 64;
void MinorCoordinates(int32_t* coordinates, int32_t first, int32_t count, float step, float origin,
                      int32_t size) {
    for (int32_t k = 0; k < count; ++k)
        coordinates[k] = ClampToBuffer(TruncToInt32(float(first + k) * step + origin), size);
}

// Steps 0 to last of a line, the major coordinate counting from `start` and the
// minor one trunc(float(i) * step + origin): a row when minorIsRow, else a column.
void StepAlongLine(uint32_t* pixels, int32_t width, int32_t height, int32_t last, float step,
                   int32_t origin, int32_t start, uint32_t colour, bool minorIsRow) {
    int32_t minor[kStepBatch];
    for (int32_t first = 0; first <= last; first += kStepBatch) {
        int32_t count = std::min(kStepBatch, last - first + 1);
        MinorCoordinates(minor, first, count, step, float(origin), minorIsRow ? height : width);
        for (int32_t k = 0; k < count; ++k) {
            if (minorIsRow)
                Plot(pixels, width, start + first + k, minor[k], colour);
            else
                Plot(pixels, width, minor[k], start + first + k, colour);
        }
    }
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
            // Fast path: the formula puts row i in column x0 + i / 1000 (kVerticalRunRows),
            // so each run of 1000 rows is a walk down one column.
            ForEachVerticalRun(x0, y0, y1, width, [&](int32_t column, int32_t first, int32_t last) {
                uint32_t* pixel = pixels + size_t(first) * size_t(width) + size_t(column);
                for (int32_t y = first; y <= last; ++y, pixel += width) *pixel = colour;
            });
            return;
        }
        // A vertical line drifts one column per 1000 rows; hold it at the right edge.
        StepAlongLine(pixels, width, height, dy, 1.0f / slope, x0, y0, colour, false);
    } else if (slope < -1.0f) {
        StepAlongLine(pixels, width, height, -dy, 1.0f / slope, x1, y1, colour, false);
    } else {
        StepAlongLine(pixels, width, height, dx, slope, y0, x0, colour, true);
    }
}

void DrawDashedLine(const Canvas& canvas, int32_t x0, int32_t y0, int32_t x1, int32_t y1, int32_t dash, uint32_t colour) {
    if (canvas.width <= 0 || canvas.height <= 0 || dash <= 0) return;
    double dx = double(x1) - x0, dy = double(y1) - y0, length = std::max(std::abs(dx), std::abs(dy));
    // The stretch [from, to] of the line, in pixels along it, that lies inside the buffer.
    double from = 0, to = length;
    for (auto [origin, delta, size] : {std::tuple{double(x0), dx, canvas.width}, {double(y0), dy, canvas.height}}) {
        if (delta == 0) {
            if (origin < 0 || origin > size - 1) return;
            continue;
        }
        double a = (0 - origin) / delta * length, b = (size - 1 - origin) / delta * length;
        from = std::max(from, std::min(a, b)), to = std::min(to, std::max(a, b));
    }
    if (length == 0 || from > to) return;
    auto at = [&](double along, int32_t origin, double delta) { return TruncToInt32(origin + delta * (along / length)); };
    for (double first = std::floor(from / (2.0 * dash)) * (2.0 * dash); first <= to; first += 2.0 * dash) {
        double last = std::min(first + dash, length);
        DrawLine(canvas.pixels, canvas.width, canvas.height, at(first, x0, dx), at(first, y0, dy), at(last, x0, dx), at(last, y0, dy),
                 colour);
    }
}

void DrawRect(const Canvas& canvas, int32_t x0, int32_t y0, int32_t x1, int32_t y1, uint32_t colour) {
    uint32_t* pixels = canvas.pixels;
    int32_t width = canvas.width, height = canvas.height;
    DrawLine(pixels, width, height, x0, y0, x1, y0, colour);
    DrawLine(pixels, width, height, x0, y1, x1, y1, colour);
    DrawLine(pixels, width, height, x0, y0, x0, y1, colour);
    DrawLine(pixels, width, height, x1, y0, x1, y1, colour);
}
