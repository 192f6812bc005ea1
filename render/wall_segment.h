// Projection of one wall of the first-person view, centred on the framebuffer.
#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

#include "app/viewer_state.h"
#include "draw/framebuffer.h"

// The black vertical lines that walls draw (filled columns and outline sides),
// kept as one run of rows per framebuffer column during a frame's walk and
// written once, row by row, by DrawWallColumns: close walls cover the same
// columns many times over, and a walk down a column is slow on the memory.
struct WallColumns {
    explicit WallColumns(const Framebuffer& framebuffer)
        : top(size_t(framebuffer.width > 0 ? framebuffer.width : 0), INT32_MAX),
          bottom(top.size(), INT32_MIN) {}
    std::vector<int32_t> top, bottom;  // the rows kept in each column; none while top > bottom
};

// Both ends in overhead-map pixel units, the heights in map units; the view is
// viewer.angle from (viewer.playerX, viewer.playerY). Draws the wall in black as
// an outline, or as filled columns when viewer.solidWalls is set. With columns,
// its vertical lines may be kept there instead of drawn at once.
void DrawWallSegment(const Framebuffer& framebuffer, const ViewerState& viewer, float x1, float y1,
                     float x2, float y2, float ceilingHeight, float floorHeight,
                     WallColumns* columns = nullptr);

// Draws the kept columns; the framebuffer must not be drawn into between the
// walk and this call.
void DrawWallColumns(const Framebuffer& framebuffer, const WallColumns& columns);
