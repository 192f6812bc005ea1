#include "render/wall_segment.h"

#include <algorithm>
#include <cmath>
#include <cstdint>

#include "draw/line.h"
#include "draw/truncate.h"

namespace {

// An end in view space: l across the viewing direction, z along it.
struct ViewPoint {
    float l;
    float z;
};

// A projected end: column offset X from the centre and half-height A.
struct Projection {
    float X;
    float A;
};

Projection Project(ViewPoint end, float heightDifference, float depthFactor) {
    float depth = depthFactor * end.z;
    return {-((end.l * 128.0f) / depth), (heightDifference * 32.0f) / depth};
}

// Replaces the end behind the viewer by the point of the wall at depth 1, in
// whole numbers. The product fits 64 bits unsigned, since 1 - Zb <= Zf - Zb.
bool ClipToDepthOne(ViewPoint front, ViewPoint& behind) {
    int64_t lf = TruncToInt32(front.l), zf = TruncToInt32(front.z);
    int64_t lb = TruncToInt32(behind.l), zb = TruncToInt32(behind.z);
    if (zf < 1) return false;
    int64_t across = lf - lb;
    uint64_t magnitude = uint64_t(across < 0 ? -across : across) * uint64_t(1 - zb);
    int64_t moved = int64_t(magnitude / uint64_t(zf - zb));
    behind = {float(SaturateToInt32(lb + (across < 0 ? -moved : moved))), 1.0f};
    return true;
}

// Screen positions may lie anywhere; the rasterizer clamps them, so only wrap-around must not happen.
int32_t ScreenPosition(int32_t centre, int64_t offset) { return SaturateToInt32(centre + offset); }

}  // namespace

void DrawWallSegment(const Framebuffer& framebuffer, const ViewerState& viewer, float x1, float y1,
                     float x2, float y2, float ceilingHeight, float floorHeight) {
    float c = float(std::cos(double(viewer.angle)));
    float s = float(std::sin(double(viewer.angle)));
    auto toView = [&](float x, float y) {
        float dx = x - viewer.playerX, dy = y - viewer.playerY;
        return ViewPoint{s * dx - c * dy, c * dx + s * dy};
    };
    ViewPoint start = toView(x1, y1), end = toView(x2, y2);
    float heightDifference = ceilingHeight - floorHeight;
    float depthFactor = viewer.nearScale ? 0.125f : 0.25f;

    bool startInFront = start.z > 0, endInFront = end.z > 0;
    if (!startInFront && !endInFront) return;
    if (!startInFront && !ClipToDepthOne(end, start)) return;
    if (!endInFront && !ClipToDepthOne(start, end)) return;

    Projection p1 = Project(start, heightDifference, depthFactor);
    Projection p2 = Project(end, heightDifference, depthFactor);
    int32_t cx = framebuffer.width / 2, cy = framebuffer.height / 2;
    uint32_t* pixels = framebuffer.pixels;
    int32_t width = framebuffer.width, height = framebuffer.height;

    if (!viewer.solidWalls) {
        int32_t sx1 = ScreenPosition(cx, TruncToInt32(p1.X)), sx2 = ScreenPosition(cx, TruncToInt32(p2.X));
        int32_t top1 = ScreenPosition(cy, -int64_t(TruncToInt32(p1.A)));
        int32_t top2 = ScreenPosition(cy, -int64_t(TruncToInt32(p2.A)));
        int32_t bottom1 = ScreenPosition(cy, TruncToInt32(p1.A));
        int32_t bottom2 = ScreenPosition(cy, TruncToInt32(p2.A));
        DrawLine(pixels, width, height, sx1, top1, sx2, top2, 0);
        DrawLine(pixels, width, height, sx1, bottom1, sx2, bottom2, 0);
        DrawLine(pixels, width, height, sx1, top1, sx1, bottom1, 0);
        DrawLine(pixels, width, height, sx2, top2, sx2, bottom2, 0);
        return;
    }

    int32_t i0 = TruncToInt32(p1.X);
    if (!(p2.X > float(i0))) return;  // filled only when the end lies right of the start
    float span = std::fabs(p2.X - p1.X);
    float t1 = float(TruncToInt32(p1.A)), t2 = float(TruncToInt32(p2.A));
    // Columns beyond one past either edge would all land on the edge column again.
    int64_t first = std::max<int64_t>(i0, -int64_t(cx) - 1);
    int64_t last = int64_t(width) - cx;
    for (int64_t i = first; i <= last && float(i) < p2.X; ++i) {
        float t = span == 0 ? 0.0f : std::fabs(float(i) - p1.X) / span;
        int32_t v = TruncToInt32(t1 * (1.0f - t) + t2 * t);
        int32_t column = ScreenPosition(cx, i);
        DrawLine(pixels, width, height, column, ScreenPosition(cy, -int64_t(v)), column,
                 ScreenPosition(cy, v), 0);
    }
}
