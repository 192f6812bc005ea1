// One whole frame: white background, status line, overhead map with thing
// markers, the first-person walls and the viewpoint marker.
#pragma once
#include <cstdint>

#include "draw/font_image.h"
#include "draw/framebuffer.h"
#include "draw/status_line.h"
#include "render/view.h"
#include "wad/level.h"

// What a frame met that its viewer reports.
struct FrameReport {
    int32_t failures = 0;  // walk references to subsectors that do not exist
};

// Draws the frame; reads the level and the view, writes only pixels. The status
// text is given, since the frame that takes the player start shows the viewpoint as it was.
FrameReport RenderFrame(const Canvas& canvas, const Level& level, const View& view, const FontImage& font,
                        const StatusLine& statusLine);

// While view.playerStartPending: the first thing of type 1 moves the viewpoint
// onto its place on the overhead map and turns it to its angle, once.
void TakePlayerStart(const Level& level, View& view);

// The marker of one thing, chosen by its type, at float screen position (sx, sy).
void DrawThingMarker(const Canvas& canvas, int32_t type, float sx, float sy);
