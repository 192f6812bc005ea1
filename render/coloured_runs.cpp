#include "render/coloured_runs.h"

#include <algorithm>
#include <utility>

#include "draw/line.h"

namespace {

// The rows [top, bottom] of one column that no later line covers, each kept as painted; then all of them covered.
void AddRun(ColouredRuns& runs, int32_t column, int32_t top, int32_t bottom, uint32_t colour) {
    std::vector<ColouredRuns::Span>& covered = runs.covered[size_t(column)];
    int32_t from = top;
    size_t first = 0;
    while (first < covered.size() && covered[first].bottom < top - 1) ++first;
    size_t last = first;  // the spans that touch or overlap the run: [first, last)
    for (; last < covered.size() && covered[last].top <= bottom + 1; ++last) {
        if (covered[last].top > from) runs.painted.push_back({column, from, std::min(covered[last].top - 1, bottom), colour});
        from = std::max(from, covered[last].bottom + 1);
    }
    if (from <= bottom) runs.painted.push_back({column, from, bottom, colour});
    ColouredRuns::Span merged{top, bottom};
    if (first < last) merged = {std::min(top, covered[first].top), std::max(bottom, covered[last - 1].bottom)};
    covered.erase(covered.begin() + ptrdiff_t(first), covered.begin() + ptrdiff_t(last));
    covered.insert(covered.begin() + ptrdiff_t(first), merged);
}

}  // namespace

ColouredRuns::ColouredRuns(const Canvas& canvas)
    : exact(canvas.width > 0 && canvas.height > 0 && VerticalLineInRuns(canvas.width - 1, canvas.height)),
      covered(exact ? size_t(canvas.width) : 0) {}

void AddLineBeneath(ColouredRuns& runs, const Canvas& canvas, int32_t x, int32_t y0, int32_t y1, uint32_t colour) {
    // As DrawLine: both ends clamped, nothing for one pixel, then runs of 1000 rows down the columns x, x + 1, ...
    auto [column, top, bottom] = ClampVertical(x, y0, y1, canvas.width, canvas.height);
    if (top == bottom) return;
    ForEachVerticalRun(column, top, bottom, canvas.width, [&](int32_t column, int32_t runTop, int32_t runBottom) {
        AddRun(runs, column, runTop, runBottom, colour);
    });
}

void PaintColouredRuns(const Canvas& canvas, const ColouredRuns& runs) {
    // Each painted run is listed under the row it starts at; a row writes the runs that cover it.
    std::vector<int32_t> startsAt(size_t(std::max(canvas.height, 0)), -1), next(runs.painted.size(), -1);
    for (size_t k = 0; k < runs.painted.size(); ++k) next[k] = std::exchange(startsAt[size_t(runs.painted[k].top)], int32_t(k));
    std::vector<int32_t> active;
    for (int32_t y = 0; y < canvas.height; ++y) {
        for (int32_t k = startsAt[size_t(y)]; k >= 0; k = next[size_t(k)]) active.push_back(k);
        uint32_t* row = canvas.pixels + size_t(y) * size_t(canvas.width);
        for (size_t a = 0; a < active.size();) {
            const ColouredRuns::Painted& run = runs.painted[size_t(active[a])];
            row[run.column] = run.colour;
            if (run.bottom == y) active[a] = active.back(), active.pop_back();  // ends here
            else ++a;
        }
    }
}
