#include "draw/status_line.h"

#include <algorithm>
#include <cstdio>

#include "wad/truncate.h"

void FormatStatusLine(StatusLine& line, int32_t maxDepth, int32_t maxDraw, float playerX,
                      float playerY) {
    std::snprintf(line.text, sizeof line.text, "MaxDepth %d MaxDraw %d Player (%d,%d)", int(maxDepth),
                  int(maxDraw), int(TruncToInt32(playerX)), int(TruncToInt32(playerY)));
}

void DrawStatusText(const Canvas& canvas, const FontImage& font, const StatusLine& line, int32_t firstRow) {
    int32_t width = canvas.width;
    int32_t rows = std::min(canvas.height - firstRow, 16);
    if (width <= 0) return;
    int32_t pen = 0;
    for (const char* character = line.text; *character; ++character, pen += 16) {
        unsigned code = static_cast<unsigned char>(*character);
        for (int32_t j = 0; j < rows; ++j) {
            // Glyph rows are stored bottom-up; the cell of code c is row c / 16 from the top.
            size_t rowStart = size_t(255 - 16 * (code / 16) - j) * 256 + 16 * (code % 16);
            for (int32_t i = 0; i < 16 && pen + i < width; ++i) {
                // An image too small for the atlas reads as black beyond its end.
                canvas.pixels[size_t(firstRow + j) * size_t(width) + size_t(pen + i)] = FontPixel(font, rowStart + size_t(i));
            }
        }
    }
}
