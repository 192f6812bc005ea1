// The one line of text at the top left of every frame.
#pragma once
#include <cstdint>

#include "draw/font_image.h"
#include "draw/framebuffer.h"

struct StatusLine {
    char text[512];
};

// "MaxDepth %d MaxDraw %d Player (%d,%d)" with the position truncated toward zero.
void FormatStatusLine(StatusLine& line, int32_t maxDepth, int32_t maxDraw, float playerX,
                      float playerY);

// Copies one 16 x 16 glyph cell per character, background included, into rows
// firstRow to firstRow + 15 (not negative): the status line and the overlay's line below it.
void DrawStatusText(const Canvas& canvas, const FontImage& font, const StatusLine& line, int32_t firstRow = 0);
