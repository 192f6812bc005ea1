#include "render/wall_segment.h"

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <utility>

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

// The filled columns' half-heights v = trunc(T1 x (1 - t) + T2 x t), with
// t = |i - X1| / span, for the count columns from first on. A loop without
// branches, which the compiler turns into vector instructions: each lane
// rounds every operation to single precision just as the plain loop does.
constexpr int32_t kColumnBatch = 64;
void ColumnHalfHeights(int32_t* halves, int32_t first, int32_t count, float x1, float span, float t1,
                       float t2) {
    for (int32_t k = 0; k < count; ++k) {
        float t = span == 0 ? 0.0f : std::fabs(float(first + k) - x1) / span;
        halves[k] = TruncToInt32(t1 * (1.0f - t) + t2 * t);
    }
}

// Keeps the black rows top to bottom of one column. A column keeps one run: when
// it already holds rows apart from these, the shorter of the two runs is written now.
void KeepRun(WallColumns& columns, const Framebuffer& framebuffer, int32_t column, int32_t top,
             int32_t bottom) {
    int32_t& keptTop = columns.top[size_t(column)];
    int32_t& keptBottom = columns.bottom[size_t(column)];
    if (keptTop > keptBottom || (top <= keptBottom + 1 && bottom >= keptTop - 1)) {
        keptTop = std::min(keptTop, top);  // the runs overlap or touch: one run covers both
        keptBottom = std::max(keptBottom, bottom);
        return;
    }
    if (bottom - top > keptBottom - keptTop) std::swap(top, keptTop), std::swap(bottom, keptBottom);
    for (int32_t y = top; y <= bottom; ++y)
        framebuffer.pixels[size_t(y) * size_t(framebuffer.width) + size_t(column)] = 0;
}

// Whether columns were kept for this framebuffer: one per column, and rows to keep
// (an empty buffer has nowhere to put a line).
bool ColumnsFit(const WallColumns* columns, const Framebuffer& framebuffer) {
    return columns && framebuffer.width > 0 && framebuffer.height > 0 &&
           columns->top.size() == size_t(framebuffer.width);
}

// Fast path: whether the columns from first to last are all kept from row 0 to
// the last row, so that no line can add a pixel there. A loop without branches.
bool ColumnsFull(const WallColumns& columns, int32_t height, int32_t first, int32_t last) {
    const int32_t* tops = columns.top.data();
    const int32_t* bottoms = columns.bottom.data();
    int32_t full = 1;
    for (int32_t x = first; x <= last; ++x) full &= (tops[x] == 0) & (bottoms[x] == height - 1);
    return full;
}

// The black line from (x, y0) to (x, y1), drawn by DrawLine or, with columns,
// kept there.
// Fast path, and why it gives the same pixels: DrawLine clamps both ends into
// the buffer and then, by VerticalLineInRuns, draws the rows from the upper end
// down as runs of 1000 rows in the columns x, x + 1, ... (held at the last
// column); each run is kept in its column. Every wall pixel is black and nothing
// reads the framebuffer before DrawWallColumns, so writing them later, merged
// and in another order, leaves the same picture.
void DrawWallLine(const Framebuffer& framebuffer, WallColumns* columns, int32_t x, int32_t y0,
                  int32_t y1) {
    int32_t width = framebuffer.width, height = framebuffer.height;
    if (!ColumnsFit(columns, framebuffer)) {
        DrawLine(framebuffer.pixels, width, height, x, y0, x, y1, 0);
        return;
    }
    x = std::clamp(x, 0, width - 1);
    int32_t top = std::clamp(std::min(y0, y1), 0, height - 1);
    int32_t bottom = std::clamp(std::max(y0, y1), 0, height - 1);
    if (top == bottom) return;  // both ends on one pixel: DrawLine draws nothing
    int32_t rows = bottom - top + 1;
    if (!VerticalLineInRuns(x, rows)) {
        DrawLine(framebuffer.pixels, width, height, x, top, x, bottom, 0);
        return;
    }
    ForEachVerticalRun(x, top, bottom, width, [&](int32_t column, int32_t runTop, int32_t runBottom) {
        KeepRun(*columns, framebuffer, column, runTop, runBottom);
    });
}

// Whether every run of the line from (x, top) to (x, bottom) lies within the
// run kept in its column, so that keeping it again would change nothing.
bool LineKeptAlready(const WallColumns& columns, int32_t width, int32_t x, int32_t top, int32_t bottom) {
    bool kept = true;
    ForEachVerticalRun(x, top, bottom, width, [&](int32_t column, int32_t runTop, int32_t runBottom) {
        kept = kept && columns.top[size_t(column)] <= runTop && columns.bottom[size_t(column)] >= runBottom;
    });
    return kept;
}

// Fast path: keeps a batch of filled columns, all inside the buffer and in order,
// with the same effect as DrawWallLine on each in turn. A line of at most 1000
// rows that touches the run kept in its column only widens that run (KeepRun);
// a longer line whose runs lie within the runs kept already changes nothing.
// Such lines need no more than a minimum and a maximum: the ones that widen
// change their own column only, and a longer line's runs go to its own column
// and the next ones, which the lines before it have not changed. The loops
// without branches become vector instructions. The columns of the batch and the
// drift columns after it must lie inside the buffer. When some line is neither,
// the lines are taken one by one: those go through DrawWallLine, and so do the
// later lines whose columns they may have changed, since their tests saw the
// columns as they were before.
void KeepFilledColumns(WallColumns& columns, const Framebuffer& framebuffer, int32_t firstColumn,
                       int32_t count, int32_t drift, int32_t cy, const int32_t* halves) {
    int32_t width = framebuffer.width, height = framebuffer.height;
    int32_t* keptTop = columns.top.data() + firstColumn;
    int32_t* keptBottom = columns.bottom.data() + firstColumn;
    int32_t tops[kColumnBatch], bottoms[kColumnBatch], widens[kColumnBatch], keptAlready[kColumnBatch];
    int32_t allWiden = 1;
    for (int32_t k = 0; k < count; ++k) {
        // Half-heights beyond the buffer clamp to its edges anyway.
        int32_t clamped = std::clamp(halves[k], -height, height);
        int32_t half = clamped < 0 ? -clamped : clamped;
        int32_t top = std::max(cy - half, 0), bottom = std::min(cy + half, height - 1);
        int32_t empty = keptTop[k] > keptBottom[k];
        int32_t touches = (top <= keptBottom[k] + 1) & (bottom >= keptTop[k] - 1);
        int32_t nothing = top == bottom;  // a line on one pixel draws nothing
        widens[k] = (bottom - top < kVerticalRunRows) & (empty | touches) & (nothing ^ 1);
        allWiden &= widens[k] | nothing;
        tops[k] = top, bottoms[k] = bottom;
    }
    int32_t allSimple = allWiden;
    if (!allWiden) {
        // Otherwise, whether the other lines' runs lie within the runs kept already.
        std::fill_n(keptAlready, count, 1);
        for (int32_t run = 0; run <= drift; ++run) {
            int32_t runOffset = run * kVerticalRunRows;
            for (int32_t k = 0; k < count; ++k) {
                int32_t runTop = tops[k] + runOffset;
                int32_t runBottom = std::min(runTop + (kVerticalRunRows - 1), bottoms[k]);
                int32_t within = (keptTop[k + run] <= runTop) & (keptBottom[k + run] >= runBottom);
                keptAlready[k] &= (runTop > bottoms[k]) | within;
            }
        }
        allSimple = 1;
        for (int32_t k = 0; k < count; ++k) allSimple &= widens[k] | keptAlready[k] | (tops[k] == bottoms[k]);
    }
    if (allSimple) {
        for (int32_t k = 0; k < count; ++k) {
            int32_t widening = -widens[k];  // every bit set where the line widens its column's run
            keptTop[k] = std::min(keptTop[k], (tops[k] & widening) | (INT32_MAX & ~widening));
            keptBottom[k] = std::max(keptBottom[k], (bottoms[k] & widening) | (INT32_MIN & ~widening));
        }
        return;
    }
    int32_t changedUpTo = -1;  // the last column a line drawn through DrawWallLine may have changed
    for (int32_t k = 0; k < count; ++k) {
        int32_t x = firstColumn + k, top = tops[k], bottom = bottoms[k];
        if (top == bottom) continue;
        if (x > changedUpTo && widens[k]) {
            keptTop[k] = std::min(keptTop[k], top), keptBottom[k] = std::max(keptBottom[k], bottom);
            continue;
        }
        if (LineKeptAlready(columns, width, x, top, bottom)) continue;  // reads the columns as they are now
        DrawWallLine(framebuffer, &columns, x, top, bottom);
        changedUpTo = std::max(changedUpTo, std::min(x + (bottom - top) / kVerticalRunRows, width - 1));
    }
}

}  // namespace

void DrawWallColumns(const Framebuffer& framebuffer, const WallColumns& columns) {
    int32_t width = framebuffer.width, height = framebuffer.height;
    if (!ColumnsFit(&columns, framebuffer)) return;
    // Fast path: the kept runs are written row by row, since a walk down a column
    // touches a new cache line at every pixel. Each column is listed under the row
    // where its run starts and the row where it ends, so the mask of one row
    // follows from the previous row's by a few changes.
    std::vector<int32_t> startsAt(size_t(height), -1), endsAt(size_t(height), -1);
    std::vector<int32_t> nextStart(columns.top.size()), nextEnd(columns.top.size());
    for (int32_t x = 0; x < width; ++x) {
        int32_t top = columns.top[size_t(x)], bottom = columns.bottom[size_t(x)];
        if (top > bottom) continue;
        nextStart[size_t(x)] = std::exchange(startsAt[size_t(top)], x);
        nextEnd[size_t(x)] = std::exchange(endsAt[size_t(bottom)], x);
    }
    std::vector<uint32_t> keep(size_t(width), ~0u);  // zero in the columns that cover this row
    int32_t covering = 0;
    for (int32_t y = 0; y < height; ++y) {
        for (int32_t x = startsAt[size_t(y)]; x >= 0; x = nextStart[size_t(x)]) {
            keep[size_t(x)] = 0;
            ++covering;
        }
        // Walls are black: clearing every bit of a covered pixel stores colour 0.
        uint32_t* row = framebuffer.pixels + size_t(y) * size_t(width);
        if (covering == width)
            std::fill_n(row, width, 0u);
        else if (covering > 0)
            for (size_t x = 0; x < size_t(width); ++x) row[x] &= keep[x];
        for (int32_t x = endsAt[size_t(y)]; x >= 0; x = nextEnd[size_t(x)]) {
            keep[size_t(x)] = ~0u;
            --covering;
        }
    }
}

void DrawWallSegment(const Framebuffer& framebuffer, const ViewerState& viewer, float x1, float y1,
                     float x2, float y2, float ceilingHeight, float floorHeight,
                     WallColumns* columns) {
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
        int32_t a1 = TruncToInt32(p1.A), a2 = TruncToInt32(p2.A);
        int32_t top1 = ScreenPosition(cy, -int64_t(a1)), top2 = ScreenPosition(cy, -int64_t(a2));
        int32_t bottom1 = ScreenPosition(cy, a1), bottom2 = ScreenPosition(cy, a2);
        DrawLine(pixels, width, height, sx1, top1, sx2, top2, 0);
        DrawLine(pixels, width, height, sx1, bottom1, sx2, bottom2, 0);
        DrawWallLine(framebuffer, columns, sx1, top1, bottom1);
        DrawWallLine(framebuffer, columns, sx2, top2, bottom2);
        return;
    }

    int32_t i0 = TruncToInt32(p1.X);
    if (!(p2.X > float(i0))) return;  // filled only when the end lies right of the start
    float span = std::fabs(p2.X - p1.X);
    float t1 = float(TruncToInt32(p1.A)), t2 = float(TruncToInt32(p2.A));
    // Columns beyond one past either edge would all land on the edge column again.
    int64_t first = std::max<int64_t>(i0, -int64_t(cx) - 1);
    int64_t last = int64_t(width) - cx;
    // One past the last column: the columns i <= last with float(i) < X2, where
    // float(i) is exactly i, since these are far below 2^24.
    int64_t pastX2 = p2.X > float(last) ? last + 1 : TruncToInt32(std::ceil(p2.X));
    int64_t endColumn = std::max(first, std::min(pastX2, last + 1));
    bool batches = ColumnsFit(columns, framebuffer) && VerticalLineInRuns(width - 1, height);
    int32_t drift = (height - 1) / kVerticalRunRows;  // a line from column x lies in the columns x to x + drift
    int32_t halves[kColumnBatch];
    for (int64_t i = first; i < endColumn;) {
        // A batch lies wholly left of the buffer, inside it with the drift columns
        // after it, among the last drift columns, or right of the buffer.
        int64_t screen = cx + i, lastInside = int64_t(width) - 1 - drift;
        int64_t sameSide = screen < 0 ? 1
                           : screen <= lastInside ? lastInside - screen + 1
                           : screen < width ? width - screen
                           : kColumnBatch;
        int32_t count = int32_t(std::min({int64_t(kColumnBatch), endColumn - i, sameSide}));
        bool inside = batches && screen >= 0 && screen <= lastInside;
        // Fast path: lines whose every run goes to a full column add nothing.
        if (inside && ColumnsFull(*columns, height, int32_t(screen), int32_t(screen) + count - 1 + drift)) {
            i += count;
            continue;
        }
        ColumnHalfHeights(halves, int32_t(i), count, p1.X, span, t1, t2);
        if (inside) {
            KeepFilledColumns(*columns, framebuffer, int32_t(screen), count, drift, cy, halves);
            i += count;
            continue;
        }
        for (int32_t k = 0; k < count; ++k, ++i)
            DrawWallLine(framebuffer, columns, ScreenPosition(cx, i),
                         ScreenPosition(cy, -int64_t(halves[k])), ScreenPosition(cy, halves[k]));
    }
}
