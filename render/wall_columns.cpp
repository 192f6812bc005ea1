#include "render/wall_columns.h"

#include <algorithm>
#include <cmath>
#include <utility>

#include "draw/line.h"

namespace {

constexpr int32_t kColumnBatch = 64;

// Keeps the black rows top to bottom of one column. A column keeps one run: when
// it already holds rows apart from these, the shorter of the two runs is written now.
void KeepRun(WallColumns& columns, const Canvas& canvas, int32_t column, int32_t top,
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
        canvas.pixels[size_t(y) * size_t(canvas.width) + size_t(column)] = 0;
}

// Whether columns were kept for this canvas: one per column, and rows to keep
// (an empty buffer has nowhere to put a line).
bool ColumnsFit(const WallColumns* columns, const Canvas& canvas) {
    return columns && canvas.width > 0 && canvas.height > 0 &&
           columns->top.size() == size_t(canvas.width);
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

}  // namespace

// A loop without branches, which the compiler turns into vector instructions:
// each lane rounds every operation to single precision just as a plain loop does.
void ColumnHalfHeights(const FilledWall& wall, int32_t first, int32_t count, int32_t* halves) {
    for (int32_t k = 0; k < count; ++k) {
        float t = wall.span == 0 ? 0.0f : std::fabs(float(first + k) - wall.x1) / wall.span;
        halves[k] = TruncToInt32(wall.t1 * (1.0f - t) + wall.t2 * t);
    }
}

// Each run of 1000 rows that DrawLine would draw goes to its column's kept run
// (docs/performance.md, "The wall column cache").
void DrawWallLine(const Canvas& canvas, WallColumns* columns, int32_t x, int32_t y0, int32_t y1) {
    int32_t width = canvas.width, height = canvas.height;
    if (!ColumnsFit(columns, canvas)) {
        DrawLine(canvas.pixels, width, height, x, y0, x, y1, 0);
        return;
    }
    auto [column, top, bottom] = ClampVertical(x, y0, y1, width, height);
    if (top == bottom) return;  // both ends on one pixel: DrawLine draws nothing
    x = column;
    int32_t rows = bottom - top + 1;
    if (!VerticalLineInRuns(x, rows)) {
        DrawLine(canvas.pixels, width, height, x, top, x, bottom, 0);
        return;
    }
    ForEachVerticalRun(x, top, bottom, width, [&](int32_t column, int32_t runTop, int32_t runBottom) {
        KeepRun(*columns, canvas, column, runTop, runBottom);
    });
}

namespace {

// Whether every run of the line from (x, top) to (x, bottom) lies within the
// run kept in its column, so that keeping it again would change nothing.
bool LineKeptAlready(const WallColumns& columns, int32_t width, int32_t x, int32_t top, int32_t bottom) {
    bool kept = true;
    ForEachVerticalRun(x, top, bottom, width, [&](int32_t column, int32_t runTop, int32_t runBottom) {
        kept = kept && columns.top[size_t(column)] <= runTop && columns.bottom[size_t(column)] >= runBottom;
    });
    return kept;
}

// Keeps a batch of filled columns, all inside the buffer with their drift
// columns, with the same effect as DrawWallLine on each in turn: lines that only
// widen their column's run, or whose runs are kept already, are taken in loops
// without branches; the rest one by one (docs/performance.md says why that is exact).
void KeepFilledColumns(WallColumns& columns, const Canvas& canvas, int32_t firstColumn,
                       int32_t count, int32_t drift, int32_t cy, const int32_t* halves) {
    int32_t width = canvas.width, height = canvas.height;
    int32_t* keptTop = columns.top.data() + firstColumn;
    int32_t* keptBottom = columns.bottom.data() + firstColumn;
    int32_t tops[kColumnBatch], bottoms[kColumnBatch], widens[kColumnBatch], keptAlready[kColumnBatch];
    int32_t allWiden = 1;
    for (int32_t k = 0; k < count; ++k) {
        // Half-heights beyond the buffer clamp to its edges anyway.
        int32_t clamped = std::min(std::max(halves[k], -height), height);
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
        DrawWallLine(canvas, &columns, x, top, bottom);
        changedUpTo = std::max(changedUpTo, std::min(x + (bottom - top) / kVerticalRunRows, width - 1));
    }
}

}  // namespace

void DrawFilledColumns(const Canvas& canvas, WallColumns* columns, int32_t cx, int32_t cy, int64_t first,
                       int64_t end, const FilledWall& wall) {
    int32_t width = canvas.width, height = canvas.height;
    bool batches = ColumnsFit(columns, canvas) && VerticalLineInRuns(width - 1, height);
    int32_t drift = (height - 1) / kVerticalRunRows;  // a line from column x lies in the columns x to x + drift
    int32_t halves[kColumnBatch];
    for (int64_t i = first; i < end;) {
        // A batch lies wholly left of the buffer, inside it with the drift columns
        // after it, among the last drift columns, or right of the buffer.
        int64_t screen = cx + i, lastInside = int64_t(width) - 1 - drift;
        int64_t sameSide = screen < 0 ? 1
                           : screen <= lastInside ? lastInside - screen + 1
                           : screen < width ? width - screen
                           : kColumnBatch;
        int32_t count = int32_t(std::min({int64_t(kColumnBatch), end - i, sameSide}));
        bool inside = batches && screen >= 0 && screen <= lastInside;
        // Fast path: lines whose every run goes to a full column add nothing.
        if (inside && ColumnsFull(*columns, height, int32_t(screen), int32_t(screen) + count - 1 + drift)) {
            i += count;
            continue;
        }
        ColumnHalfHeights(wall, int32_t(i), count, halves);
        if (inside) {
            KeepFilledColumns(*columns, canvas, int32_t(screen), count, drift, cy, halves);
            i += count;
            continue;
        }
        for (int32_t k = 0; k < count; ++k, ++i)
            DrawWallLine(canvas, columns, ScreenPosition(cx, i),
                         ScreenPosition(cy, -int64_t(halves[k])), ScreenPosition(cy, halves[k]));
    }
}

void DrawWallColumns(const Canvas& canvas, const WallColumns& columns) {
    int32_t width = canvas.width, height = canvas.height;
    if (!ColumnsFit(&columns, canvas)) return;
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
        uint32_t* row = canvas.pixels + size_t(y) * size_t(width);
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
