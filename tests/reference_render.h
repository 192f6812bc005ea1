// The plain drawing the fast paths must match pixel for pixel: the line formula for every pixel, one
// DrawLine per wall column, nothing merged or skipped.
#pragma once
#include <algorithm>
#include <cmath>
#include <cstdlib>

#include "draw/framebuffer.h"
#include "render/view.h"
#include "wad/truncate.h"

namespace reference {

// Ends clamped, one pixel per step along the major axis; the edge column holds a line drifting past it.
inline void DrawLine(uint32_t* pixels, int32_t width, int32_t height, int32_t x0, int32_t y0,
                     int32_t x1, int32_t y1, uint32_t colour) {
    if (width <= 0 || height <= 0) return;
    int32_t ax = std::clamp(x0, 0, width - 1), ay = std::clamp(y0, 0, height - 1);
    int32_t bx = std::clamp(x1, 0, width - 1), by = std::clamp(y1, 0, height - 1);
    if (bx < ax || (bx == ax && by < ay)) return DrawLine(pixels, width, height, x1, y1, x0, y0, colour);
    int32_t dx = bx - ax, dy = by - ay;
    if (dx == 0 && dy == 0) return;
    float m = dx == 0 ? 1000.0f : float(dy) / float(dx);
    auto plot = [&](int32_t x, int32_t y) {
        pixels[size_t(y) * size_t(width) + size_t(std::min(x, width - 1))] = colour;
    };
    if (m > 1.0f)
        for (int32_t i = 0; i <= dy; ++i) plot(TruncToInt32(float(i) * (1.0f / m) + float(ax)), ay + i);
    else if (m < -1.0f)
        for (int32_t i = 0; i <= -dy; ++i) plot(TruncToInt32(float(i) * (1.0f / m) + float(bx)), by + i);
    else
        for (int32_t i = 0; i <= dx; ++i) plot(ax + i, TruncToInt32(float(i) * m + float(ay)));
}

inline void Line(const Canvas& fb, int64_t x0, int64_t y0, int64_t x1, int64_t y1) {
    DrawLine(fb.pixels, fb.width, fb.height, SaturateToInt32(x0), SaturateToInt32(y0), SaturateToInt32(x1),
             SaturateToInt32(y1), 0);
}

inline void DrawWallSegment(const Canvas& fb, const View& viewer, float x1, float y1,
                            float x2, float y2, float ceilingHeight, float floorHeight) {
    float c = float(std::cos(double(viewer.angle))), s = float(std::sin(double(viewer.angle)));
    float dx1 = x1 - viewer.playerX, dy1 = y1 - viewer.playerY;
    float dx2 = x2 - viewer.playerX, dy2 = y2 - viewer.playerY;
    float l[2] = {s * dx1 - c * dy1, s * dx2 - c * dy2}, z[2] = {c * dx1 + s * dy1, c * dx2 + s * dy2};
    if (!(z[0] > 0) && !(z[1] > 0)) return;
    for (int behind = 0; behind < 2; ++behind) {
        if (z[behind] > 0) continue;
        // The end behind moves along the wall to depth 1, in whole numbers.
        int64_t lf = TruncToInt32(l[1 - behind]), zf = TruncToInt32(z[1 - behind]);
        int64_t lb = TruncToInt32(l[behind]), zb = TruncToInt32(z[behind]);
        if (zf < 1) return;
        int64_t across = lf - lb;
        int64_t moved = int64_t(uint64_t(std::abs(across)) * uint64_t(1 - zb) / uint64_t(zf - zb));
        l[behind] = float(SaturateToInt32(lb + (across < 0 ? -moved : moved)));
        z[behind] = 1.0f;
    }
    float k = viewer.halfDepthFactor ? 0.125f : 0.25f, dh = ceilingHeight - floorHeight;
    float X1 = -((l[0] * 128.0f) / (k * z[0])), A1 = (dh * 32.0f) / (k * z[0]);
    float X2 = -((l[1] * 128.0f) / (k * z[1])), A2 = (dh * 32.0f) / (k * z[1]);
    int64_t cx = fb.width / 2, cy = fb.height / 2;
    int64_t sx1 = cx + TruncToInt32(X1), sx2 = cx + TruncToInt32(X2);
    int64_t a1 = TruncToInt32(A1), a2 = TruncToInt32(A2);
    if (!viewer.solidWalls) {
        Line(fb, sx1, cy - a1, sx2, cy - a2);
        Line(fb, sx1, cy + a1, sx2, cy + a2);
        Line(fb, sx1, cy - a1, sx1, cy + a1);
        Line(fb, sx2, cy - a2, sx2, cy + a2);
        return;
    }
    int32_t i0 = TruncToInt32(X1);
    if (!(X2 > float(i0))) return;
    float span = std::fabs(X2 - X1);
    // The same bound as the viewer's: one column beyond each edge.
    for (int64_t i = std::max<int64_t>(i0, -cx - 1); i <= fb.width - cx && float(i) < X2; ++i) {
        float t = span == 0 ? 0.0f : std::fabs(float(i) - X1) / span;
        int64_t v = TruncToInt32(float(a1) * (1.0f - t) + float(a2) * t);
        Line(fb, cx + i, cy - v, cx + i, cy + v);
    }
}

}  // namespace reference
