// The plain drawing the fast paths must match pixel for pixel: the line formula for every pixel, one
// DrawLine per wall column, nothing merged or skipped; pieces without a fast path are the viewer's own.
#pragma once
#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <cstring>

#include "draw/line.h"
#include "render/bsp_walk.h"
#include "render/map_to_screen.h"
#include "render/render_frame.h"

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

inline void Line(const Framebuffer& fb, int64_t x0, int64_t y0, int64_t x1, int64_t y1) {
    DrawLine(fb.pixels, fb.width, fb.height, SaturateToInt32(x0), SaturateToInt32(y0), SaturateToInt32(x1),
             SaturateToInt32(y1), 0);
}

inline void DrawWallSegment(const Framebuffer& fb, const ViewerState& viewer, float x1, float y1,
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
    float k = viewer.nearScale ? 0.125f : 0.25f, dh = ceilingHeight - floorHeight;
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

inline float ScreenX(const Level& level, float x) { return MapToScreen(x, level.offsetX, level.scale); }
inline float ScreenY(const Level& level, float y) { return MapToScreen(y, level.offsetY, level.scale); }

// The recursive walk: near child first, the far child under the far-side rule.
inline void Walk(const Framebuffer& fb, const Level& level, const ViewerState& viewer, uint32_t reference,
                 int32_t depth, int32_t& drawn) {
    int32_t mx = ScreenToMapUnits(viewer.playerX, level.offsetX, level.scale);
    int32_t my = ScreenToMapUnits(viewer.playerY, level.offsetY, level.scale);
    if (!(reference & kSubsectorChild)) {
        const BspNode& node = level.nodes[reference];
        bool left = (float(my) - node.y) * float(node.dx) - (float(mx) - node.x) * float(node.dy) > 0;
        if (depth + 1 >= level.maxDepth) return;
        Walk(fb, level, viewer, left ? node.leftChild : node.rightChild, depth + 1, drawn);
        if (PlayerInBox(left ? node.rightBox : node.leftBox, mx, my) || level.drawFarSides == 1)
            Walk(fb, level, viewer, left ? node.rightChild : node.leftChild, depth + 1, drawn);
        return;
    }
    uint32_t index = reference & ~kSubsectorChild;
    if (index >= level.subsectors.size() || drawn >= level.maxDraw) return;
    ++drawn;
    const BspSubsector& subsector = level.subsectors[index];
    for (int64_t i = subsector.firstSeg; i < subsector.firstSeg + subsector.segCount; ++i) {
        const BspSeg& seg = level.segs[size_t(i)];
        const MapLinedef& linedef = level.linedefs[seg.linedef];
        int32_t side = seg.backSide ? linedef.backSidedef : linedef.frontSidedef;
        const MapSector& sector = level.sectors[size_t(level.sidedefs[size_t(side)].sector)];
        const SegVertex& a = level.segVertexes[seg.startVertex];
        const SegVertex& b = level.segVertexes[seg.endVertex];
        float ceiling = sector.ceilingHeight, floor = sector.floorHeight;
        reference::DrawWallSegment(fb, viewer, ScreenX(level, a.x), ScreenY(level, a.y), ScreenX(level, b.x),
                                   ScreenY(level, b.y), ceiling, floor);
    }
}

inline void RenderFrame(const Framebuffer& fb, const Level& level, ViewerState& viewer,
                        const FontImage& font, StatusLine& statusLine) {
    std::memset(fb.pixels, 0xFF, size_t(fb.width) * size_t(fb.height) * 4);
    FormatStatusLine(statusLine, level.maxDepth, level.maxDraw, viewer.playerX, viewer.playerY);
    DrawStatusText(fb, font, statusLine);
    for (size_t i = 0; i < level.linedefs.size(); ++i) {
        const MapVertex& a = level.vertexes[level.linedefs[i].startVertex];
        const MapVertex& b = level.vertexes[level.linedefs[i].endVertex];
        Line(fb, TruncToInt32(ScreenX(level, a.x)), TruncToInt32(ScreenY(level, a.y)),
             TruncToInt32(ScreenX(level, b.x)), TruncToInt32(ScreenY(level, b.y)));
    }
    for (size_t i = 0; i < level.things.size(); ++i) {
        const MapThing& thing = level.things[i];
        float sx = ScreenX(level, thing.x), sy = ScreenY(level, thing.y);
        if (thing.type == 1 && viewer.playerStartPending) {
            viewer.playerX = sx;
            viewer.playerY = sy;
            viewer.playerStartPending = 0;
            viewer.angle = float((double(thing.angle) * 3.14159265358979323846) / 180.0);
        }
        DrawThingMarker(fb, thing.type, sx, sy);
    }
    int32_t drawn = 0;
    Walk(fb, level, viewer, level.rootReference, 0, drawn);
    DrawRect(fb, TruncToInt32(viewer.playerX - 6), TruncToInt32(viewer.playerY - 6),
             TruncToInt32(viewer.playerX + 6), TruncToInt32(viewer.playerY + 6), 0x0000FF);
}

}  // namespace reference
