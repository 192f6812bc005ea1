// Coloured vertical lines in which a later line covers an earlier one, painted
// back to front: each pixel is written once, row by row, and the picture is the
// one that drawing the lines with DrawLine in their order would leave.
#pragma once
#include <cstdint>
#include <vector>

#include "draw/framebuffer.h"

struct ColouredRuns {
    explicit ColouredRuns(const Canvas& canvas);

    // Whether lines here give DrawLine's pixels on this canvas: its columns and rows are all
    // below 32768, where a vertical line is runs of 1000 rows (draw/line.h).
    bool exact = false;

    struct Span {
        int32_t top, bottom;
    };
    struct Painted {
        int32_t column, top, bottom;
        uint32_t colour;
    };
    std::vector<std::vector<Span>> covered;  // per column, the rows a later line has, sorted and apart
    std::vector<Painted> painted;            // what shows of each line, apart from every other
};

// The vertical line from (x, y0) to (x, y1) in colour, under every line added before it:
// lines are added in the reverse of their drawing order.
void AddLineBeneath(ColouredRuns& runs, const Canvas& canvas, int32_t x, int32_t y0, int32_t y1, uint32_t colour);

// Writes what shows of the lines, row by row.
void PaintColouredRuns(const Canvas& canvas, const ColouredRuns& runs);
