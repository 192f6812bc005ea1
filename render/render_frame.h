// One whole frame: white background, status line, overhead map with thing
// markers, the first-person walls and the viewpoint marker.
#pragma once
#include <cstdint>

#include "draw/font_image.h"
#include "draw/framebuffer.h"
#include "draw/status_line.h"
#include "render/view.h"
#include "render/walk_trace.h"
#include "wad/level.h"
#include "wad/tree_check.h"

// What a frame met that its viewer reports.
struct FrameReport {
    int32_t failures = 0;  // walk references to subsectors that do not exist
};

// Draws the frame, and over it the overlay the view asks for; reads the level and
// the view, writes only pixels and, when given, the walk's steps. The status text
// is given, since the frame that takes the player start shows the viewpoint as it was.
// The tree overlay marks the faults of the level's check, when given.
FrameReport RenderFrame(const Canvas& canvas, const Level& level, const View& view, const FontImage& font,
                        const StatusLine& statusLine, WalkTrace* trace = nullptr, const TreeCheck* check = nullptr);

// While view.playerStartPending: the first thing of type 1 moves the viewpoint
// onto its place on the overhead map and turns it to its angle, once.
void TakePlayerStart(const Level& level, View& view);

// The marker of one thing, chosen by its type, at float screen position (sx, sy).
void DrawThingMarker(const Canvas& canvas, int32_t type, float sx, float sy);
