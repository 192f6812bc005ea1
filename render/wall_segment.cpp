#include "render/wall_segment.h"

#include <algorithm>
#include <cmath>

#include "draw/line.h"
#include "wad/truncate.h"

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

}  // namespace

ViewDirection DirectionOf(float angle) { return {float(std::cos(double(angle))), float(std::sin(double(angle)))}; }

void DrawWallSegment(const Canvas& canvas, const View& view, ViewDirection direction, float x1, float y1, float x2,
                     float y2, float ceilingHeight, float floorHeight, WallColumns* columns, std::vector<WallStroke>* strokes) {
    float c = direction.c, s = direction.s;
    auto toView = [&](float x, float y) {
        float dx = x - view.playerX, dy = y - view.playerY;
        return ViewPoint{s * dx - c * dy, c * dx + s * dy};
    };
    ViewPoint start = toView(x1, y1), end = toView(x2, y2);
    float heightDifference = ceilingHeight - floorHeight;
    float depthFactor = view.halfDepthFactor ? 0.125f : 0.25f;

    bool startInFront = start.z > 0, endInFront = end.z > 0;
    if (!startInFront && !endInFront) return;
    if (!startInFront && !ClipToDepthOne(end, start)) return;
    if (!endInFront && !ClipToDepthOne(start, end)) return;

    Projection p1 = Project(start, heightDifference, depthFactor);
    Projection p2 = Project(end, heightDifference, depthFactor);
    int32_t cx = canvas.width / 2, cy = canvas.height / 2;

    if (!view.solidWalls) {
        int32_t sx1 = ScreenPosition(cx, TruncToInt32(p1.X)), sx2 = ScreenPosition(cx, TruncToInt32(p2.X));
        int32_t a1 = TruncToInt32(p1.A), a2 = TruncToInt32(p2.A);
        int32_t top1 = ScreenPosition(cy, -int64_t(a1)), top2 = ScreenPosition(cy, -int64_t(a2));
        int32_t bottom1 = ScreenPosition(cy, a1), bottom2 = ScreenPosition(cy, a2);
        if (strokes) {
            strokes->insert(strokes->end(), {{false, sx1, top1, sx2, top2}, {false, sx1, bottom1, sx2, bottom2},
                                             {true, sx1, top1, sx1, bottom1}, {true, sx2, top2, sx2, bottom2}});
            return;
        }
        DrawLine(canvas.pixels, canvas.width, canvas.height, sx1, top1, sx2, top2, 0);
        DrawLine(canvas.pixels, canvas.width, canvas.height, sx1, bottom1, sx2, bottom2, 0);
        DrawWallLine(canvas, columns, sx1, top1, bottom1);
        DrawWallLine(canvas, columns, sx2, top2, bottom2);
        return;
    }

    int32_t i0 = TruncToInt32(p1.X);
    if (!(p2.X > float(i0))) return;  // filled only when the end lies right of the start
    FilledWall wall{p1.X, std::fabs(p2.X - p1.X), float(TruncToInt32(p1.A)), float(TruncToInt32(p2.A))};
    // Columns beyond one past either edge would all land on the edge column again.
    int64_t first = std::max<int64_t>(i0, -int64_t(cx) - 1);
    int64_t last = int64_t(canvas.width) - cx;
    // One past the last column: the columns i <= last with float(i) < X2, where
    // float(i) is exactly i, since these are far below 2^24.
    int64_t pastX2 = p2.X > float(last) ? last + 1 : TruncToInt32(std::ceil(p2.X));
    int64_t endColumn = std::max(first, std::min(pastX2, last + 1));
    if (!strokes) return DrawFilledColumns(canvas, columns, cx, cy, first, endColumn, wall);
    for (int64_t i = first; i < endColumn; ++i) {
        int32_t half;
        ColumnHalfHeights(wall, int32_t(i), 1, &half);
        int32_t x = ScreenPosition(cx, i);
        strokes->push_back({true, x, ScreenPosition(cy, -int64_t(half)), x, ScreenPosition(cy, half)});
    }
}
