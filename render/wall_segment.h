// Projection of one wall of the first-person view, centred on the canvas.
#pragma once
#include <cstdint>
#include <vector>

#include "draw/framebuffer.h"
#include "render/view.h"
#include "render/wall_columns.h"

// The viewing direction (cos angle, sin angle), each evaluated in double precision
// on the angle and rounded to single precision; a frame's walls share it.
struct ViewDirection {
    float c, s;
};
ViewDirection DirectionOf(float angle);

// Where a wall's lines go instead, when they are not drawn in black: each vertical
// line (an outline's side, a filled column) and each sloped edge, in drawing order.
struct WallStroke {
    bool vertical;  // x0 == x1
    int32_t x0, y0, x1, y1;
};

// Both ends in overhead-map pixel units, the heights in map units; the view is
// view.angle from (view.playerX, view.playerY). Draws the wall in black as an
// outline, or as filled columns when view.solidWalls is set. With columns, its
// vertical lines may be kept there instead of drawn at once; with strokes, every
// line goes there and nothing is drawn.
void DrawWallSegment(const Canvas& canvas, const View& view, ViewDirection direction, float x1, float y1, float x2,
                     float y2, float ceilingHeight, float floorHeight, WallColumns* columns = nullptr,
                     std::vector<WallStroke>* strokes = nullptr);
inline void DrawWallSegment(const Canvas& canvas, const View& view, float x1, float y1, float x2, float y2,
                            float ceilingHeight, float floorHeight, WallColumns* columns = nullptr) {
    DrawWallSegment(canvas, view, DirectionOf(view.angle), x1, y1, x2, y2, ceilingHeight, floorHeight, columns);
}
