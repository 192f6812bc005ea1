// The black vertical lines that walls draw (filled columns and outline sides),
// kept as one run of rows per canvas column during a frame's walk and written
// once, row by row, by DrawWallColumns: close walls cover the same columns many
// times over, and a walk down a column is slow on the memory. Every path here
// gives the pixels that one DrawLine per line would; docs/performance.md says why.
#pragma once
#include <cstddef>
#include <cstdint>
#include <vector>

#include "draw/framebuffer.h"
#include "wad/truncate.h"

struct WallColumns {
    explicit WallColumns(const Canvas& canvas)
        : top(size_t(canvas.width > 0 ? canvas.width : 0), INT32_MAX), bottom(top.size(), INT32_MIN) {}
    std::vector<int32_t> top, bottom;  // the rows kept in each column; none while top > bottom
};

// A filled wall across its columns: column offset i has the half-height
// trunc(t1 * (1 - t) + t2 * t) with t = |i - x1| / span.
struct FilledWall {
    float x1, span, t1, t2;
};

// The half-heights of count columns from column offset first on.
void ColumnHalfHeights(const FilledWall& wall, int32_t first, int32_t count, int32_t* halves);

// Screen positions may lie anywhere; the rasterizer clamps them, so only wrap-around must not happen.
inline int32_t ScreenPosition(int32_t centre, int64_t offset) { return SaturateToInt32(centre + offset); }

// The black line from (x, y0) to (x, y1), drawn by DrawLine or, with columns, kept there.
void DrawWallLine(const Canvas& canvas, WallColumns* columns, int32_t x, int32_t y0, int32_t y1);

// A filled wall's columns cx + i, for i from first to end - 1: each the black
// line from row cy - v to row cy + v, v the wall's half-height at column offset i.
void DrawFilledColumns(const Canvas& canvas, WallColumns* columns, int32_t cx, int32_t cy, int64_t first,
                       int64_t end, const FilledWall& wall);

// Draws the kept columns; the canvas must not be drawn into between the walk and this call.
void DrawWallColumns(const Canvas& canvas, const WallColumns& columns);
