// One whole frame: white background, status line, overhead map with thing
// markers, the first-person walls and the viewpoint marker.
#pragma once

#include "app/viewer_state.h"
#include "draw/font_image.h"
#include "draw/framebuffer.h"
#include "draw/status_line.h"
#include "wad/level.h"

// The first frame that meets a player-1 start moves the viewpoint onto it.
void RenderFrame(const Framebuffer& framebuffer, const Level& level, ViewerState& viewer,
                 const FontImage& font, StatusLine& statusLine);

// The marker of one thing, chosen by its type, at float screen position (sx, sy).
void DrawThingMarker(const Framebuffer& framebuffer, int16_t type, float sx, float sy);
