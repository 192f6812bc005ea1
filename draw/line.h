// The clamping line rasterizer: each end is moved into the buffer on its own,
// then the line is stepped along its major axis with a truncated minor coordinate.
#pragma once
#include <algorithm>
#include <cstdint>

#include "draw/framebuffer.h"

void DrawLine(uint32_t* pixels, int32_t width, int32_t height, int32_t x0, int32_t y0,
              int32_t x1, int32_t y1, uint32_t colour);

// A vertical line's step is 1/1000 of a column per row, so row i of a vertical
// line from column x lies in column x + i / 1000 (held at the buffer's last
// column): float(i) * (1.0f / 1000.0f) + float(x) truncates exactly to that
// while i and the column are below 32768. The tests check every such x and i.
constexpr int32_t kVerticalRunRows = 1000;
constexpr int32_t kVerticalRunLimit = 32768;

// Whether that rule covers a vertical line of `rows` rows (at least 1) from column x.
constexpr bool VerticalLineInRuns(int32_t x, int32_t rows) {
    return x >= 0 && rows >= 1 && rows <= kVerticalRunLimit &&
           x + (rows - 1) / kVerticalRunRows < kVerticalRunLimit;
}

// A vertical line from (x, y0) to (x, y1) as DrawLine takes it: both ends
// clamped into the buffer (width and height above 0), top the upper row.
struct VerticalSpan {
    int32_t x, top, bottom;
};
inline VerticalSpan ClampVertical(int32_t x, int32_t y0, int32_t y1, int32_t width, int32_t height) {
    return {std::min(std::max(x, 0), width - 1), std::min(std::max(std::min(y0, y1), 0), height - 1),
            std::min(std::max(std::max(y0, y1), 0), height - 1)};
}

// Calls run(column, firstRow, lastRow) for each run of a vertical line of rows
// top to bottom from column x (inside the buffer) that VerticalLineInRuns covers:
// 1000 rows in column x, the next 1000 in column x + 1, ..., held at the last column.
template <typename Run>
void ForEachVerticalRun(int32_t x, int32_t top, int32_t bottom, int32_t width, Run run) {
    for (int32_t first = top; first <= bottom; first += kVerticalRunRows, x = std::min(x + 1, width - 1))
        run(x, first, std::min(first + (kVerticalRunRows - 1), bottom));
}

// The line from (x0, y0) to (x1, y1) in dashes of `dash` pixels along its longer
// axis with gaps as long, each dash a DrawLine; only the dashes that reach the buffer are drawn.
void DrawDashedLine(const Canvas& canvas, int32_t x0, int32_t y0, int32_t x1, int32_t y1, int32_t dash, uint32_t colour);

// Outline of a box: top, bottom, left, right edge, in that order.
void DrawRect(const Canvas& canvas, int32_t x0, int32_t y0, int32_t x1, int32_t y1, uint32_t colour);
