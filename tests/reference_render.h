// The plain drawing the fast paths must match pixel for pixel: the line formula
// evaluated for every pixel, one DrawLine per wall column, nothing merged.
#pragma once
#include <algorithm>
#include <cmath>
#include <cstdint>
#include <cstdlib>
#include <cstring>

#include "app/viewer_state.h"
#include "draw/font_image.h"
#include "draw/framebuffer.h"
#include "draw/status_line.h"
#include "draw/truncate.h"
#include "render/map_to_screen.h"
#include "wad/level.h"

// Everything here is a literal transcription, kept apart from the viewer's code.
namespace reference {

inline void DrawLine(uint32_t* pixels, int32_t width, int32_t height, int32_t x0, int32_t y0,
                     int32_t x1, int32_t y1, uint32_t colour);
inline void DrawWallSegment(const Framebuffer& framebuffer, const ViewerState& viewer, float x1,
                            float y1, float x2, float y2, float ceilingHeight, float floorHeight);

inline int32_t Clamp(int32_t value, int32_t size) { return std::min(std::max(value, 0), size - 1); }

// The edge column of the framebuffer holds a vertical line that drifts past it.
inline void Plot(uint32_t* pixels, int32_t width, int32_t x, int32_t y, uint32_t colour) {
    pixels[size_t(y) * size_t(width) + size_t(std::min(x, width - 1))] = colour;
}

inline void Line(const Framebuffer& framebuffer, int32_t x0, int32_t y0, int32_t x1, int32_t y1,
                 uint32_t colour) {
    DrawLine(framebuffer.pixels, framebuffer.width, framebuffer.height, x0, y0, x1, y1, colour);
}

inline void Rect(const Framebuffer& fb, int32_t x0, int32_t y0, int32_t x1, int32_t y1, uint32_t colour) {
    Line(fb, x0, y0, x1, y0, colour);
    Line(fb, x0, y1, x1, y1, colour);
    Line(fb, x0, y0, x0, y1, colour);
    Line(fb, x1, y0, x1, y1, colour);
}

inline void Box(const Framebuffer& fb, float sx, float sy, float a, float b, uint32_t colour) {
    Rect(fb, TruncToInt32(sx - a), TruncToInt32(sy - b), TruncToInt32(sx + a), TruncToInt32(sy + b), colour);
}

inline void Marker(const Framebuffer& fb, int16_t type, float sx, float sy) {
    switch (type) {
        case 1: return Box(fb, sx, sy, 3, 3, 0x0000FF);
        case 2: case 3: case 4: case 11: return Box(fb, sx, sy, 3, 3, 0x000080);
        case 5: return Box(fb, sx, sy, 1, 3, 0x0000FF);
        case 6: return Box(fb, sx, sy, 1, 3, 0xFFFF00);
        case 13: return Box(fb, sx, sy, 1, 3, 0xFF0000);
        case 2035: return Box(fb, sx, sy, 2, 3, 0x00FF00);
        case 2008: case 2010: case 2012: case 2014: case 2048: case 2049: case 2302:
            return Box(fb, sx, sy, 2, 2, 0x008000);
        case 9: case 12289: case 12292: {
            int32_t left = TruncToInt32(sx - 3.0f), right = TruncToInt32(sx + 3.0f);
            int32_t top = TruncToInt32(sy - 3.0f), base = TruncToInt32(sy + 3.0f);
            int32_t inset = TruncToInt32(double(std::abs(right - left)) * 0.5);
            Line(fb, left, base, right, base, 0xFF0000);
            Line(fb, left + inset, top, left, base, 0xFF0000);
            Line(fb, right - inset, top, right, base, 0xFF0000);
            return;
        }
        default: return Box(fb, sx, sy, 3, 3, 0x000000);
    }
}

struct Walk {
    const Framebuffer& framebuffer;
    const Level& level;
    const ViewerState& viewer;
    int32_t mx, my, drawn;
};

inline void Subsector(Walk& walk, int32_t index) {
    const Level& level = walk.level;
    if (index < 0 || index >= level.numSubsectors || walk.drawn >= level.maxDraw) return;
    ++walk.drawn;
    const MapSubsector& subsector = level.subsectors[index];
    for (int32_t i = subsector.firstSeg; i < subsector.firstSeg + subsector.segCount; ++i) {
        if (i < 0 || i >= level.numSegs) continue;
        const MapSeg& seg = level.segs[i];
        const MapLinedef& linedef = level.linedefs[seg.linedef];
        int32_t side = seg.direction != 0 ? linedef.backSidedef : linedef.frontSidedef;
        const MapSector& sector = level.sectors[level.sidedefs[side].sector];
        const MapVertex& a = level.vertexes[seg.startVertex];
        const MapVertex& b = level.vertexes[seg.endVertex];
        DrawWallSegment(walk.framebuffer, walk.viewer, MapToScreen(a.x, level.offsetX, level.scale),
                        MapToScreen(a.y, level.offsetY, level.scale),
                        MapToScreen(b.x, level.offsetX, level.scale),
                        MapToScreen(b.y, level.offsetY, level.scale), float(sector.ceilingHeight),
                        float(sector.floorHeight));
    }
}

inline void Node(Walk& walk, uint16_t reference, int32_t depth) {
    if (reference & 0x8000) return Subsector(walk, reference == 0xFFFF ? 0 : reference & 0x7FFF);
    const MapNode& node = walk.level.nodes[reference];
    float cross = (float(walk.my) - float(node.y)) * float(node.dx) -
                  (float(walk.mx) - float(node.x)) * float(node.dy);
    int side = cross > 0 ? 1 : 0;
    if (depth + 1 >= walk.level.maxDepth) return;
    Node(walk, side ? node.leftChild : node.rightChild, depth + 1);
    const NodeBox& box = side ? node.rightBox : node.leftBox;
    int32_t px = int16_t(walk.mx), py = int16_t(walk.my);
    bool inBox = px + 1 >= std::min(box.left, box.right) && px <= std::max(box.left, box.right) &&
                 py + 1 >= std::min(box.top, box.bottom) && py <= std::max(box.top, box.bottom);
    if (inBox || walk.level.drawFarSides == 1)
        Node(walk, side ? node.rightChild : node.leftChild, depth + 1);
}


inline void DrawLine(uint32_t* pixels, int32_t width, int32_t height, int32_t x0, int32_t y0,
                     int32_t x1, int32_t y1, uint32_t colour) {
    if (width <= 0 || height <= 0) return;
    x0 = Clamp(x0, width), y0 = Clamp(y0, height), x1 = Clamp(x1, width), y1 = Clamp(y1, height);
    int32_t dx = x1 - x0, dy = y1 - y0;
    if (dx == 0 && dy == 0) return;
    if (dx < 0) return DrawLine(pixels, width, height, x1, y1, x0, y0, colour);
    float m = dx == 0 ? 1000.0f : float(dy) / float(dx);
    if (dx == 0 || m > 1.0f) {
        if (dy < 0) return DrawLine(pixels, width, height, x1, y1, x0, y0, colour);
        float s = 1.0f / m;
        for (int32_t i = 0; i <= dy; ++i)
            Plot(pixels, width, TruncToInt32(float(i) * s + float(x0)), y0 + i, colour);
    } else if (m < -1.0f) {
        float s = 1.0f / m;
        for (int32_t i = 0; i <= -dy; ++i)
            Plot(pixels, width, TruncToInt32(float(i) * s + float(x1)), y1 + i, colour);
    } else {
        for (int32_t i = 0; i <= dx; ++i)
            Plot(pixels, width, x0 + i, TruncToInt32(float(i) * m + float(y0)), colour);
    }
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
    auto at = [](int64_t centre, int64_t offset) { return SaturateToInt32(centre + offset); };
    if (!viewer.solidWalls) {
        int64_t sx1 = TruncToInt32(X1), sx2 = TruncToInt32(X2), a1 = TruncToInt32(A1), a2 = TruncToInt32(A2);
        Line(fb, at(cx, sx1), at(cy, -a1), at(cx, sx2), at(cy, -a2), 0);
        Line(fb, at(cx, sx1), at(cy, a1), at(cx, sx2), at(cy, a2), 0);
        Line(fb, at(cx, sx1), at(cy, -a1), at(cx, sx1), at(cy, a1), 0);
        Line(fb, at(cx, sx2), at(cy, -a2), at(cx, sx2), at(cy, a2), 0);
        return;
    }
    int32_t i0 = TruncToInt32(X1);
    if (!(X2 > float(i0))) return;
    float span = std::fabs(X2 - X1), T1 = float(TruncToInt32(A1)), T2 = float(TruncToInt32(A2));
    // The same bound as the viewer's: one column beyond each edge.
    for (int64_t i = std::max<int64_t>(i0, -cx - 1); i <= fb.width - cx && float(i) < X2; ++i) {
        float t = span == 0 ? 0.0f : std::fabs(float(i) - X1) / span;
        int64_t v = TruncToInt32(T1 * (1.0f - t) + T2 * t);
        Line(fb, at(cx, i), at(cy, -v), at(cx, i), at(cy, v), 0);
    }
}

inline void RenderFrame(const Framebuffer& fb, const Level& level, ViewerState& viewer,
                        const FontImage& font, StatusLine& statusLine) {
    std::memset(fb.pixels, 0xFF, size_t(fb.width) * size_t(fb.height) * 4);
    FormatStatusLine(statusLine, level.maxDepth, level.maxDraw, viewer.playerX, viewer.playerY);
    DrawStatusText(fb, font, statusLine);
    for (int32_t i = 0; i < level.numLinedefs; ++i) {
        const MapVertex& a = level.vertexes[level.linedefs[i].startVertex];
        const MapVertex& b = level.vertexes[level.linedefs[i].endVertex];
        Line(fb, TruncToInt32(MapToScreen(a.x, level.offsetX, level.scale)),
             TruncToInt32(MapToScreen(a.y, level.offsetY, level.scale)),
             TruncToInt32(MapToScreen(b.x, level.offsetX, level.scale)),
             TruncToInt32(MapToScreen(b.y, level.offsetY, level.scale)), 0);
    }
    for (int32_t i = 0; i < level.numThings; ++i) {
        const MapThing& thing = level.things[i];
        float sx = MapToScreen(thing.x, level.offsetX, level.scale);
        float sy = MapToScreen(thing.y, level.offsetY, level.scale);
        if (thing.type == 1 && viewer.playerStartPending) {
            viewer.playerX = sx, viewer.playerY = sy, viewer.playerStartPending = 0;
            viewer.angle = float((double(thing.angle) * 3.14159265358979323846) / 180.0);
        }
        Marker(fb, thing.type, sx, sy);
    }
    Walk walk{fb, level, viewer, ScreenToMapUnits(viewer.playerX, level.offsetX, level.scale),
              ScreenToMapUnits(viewer.playerY, level.offsetY, level.scale), 0};
    Node(walk, uint16_t(level.numNodes - 1), 0);
    Box(fb, viewer.playerX, viewer.playerY, 6, 6, 0x0000FF);
}

}  // namespace reference
