// Projection of one wall of the first-person view, centred on the framebuffer.
#pragma once

#include "app/viewer_state.h"
#include "draw/framebuffer.h"

// Both ends in overhead-map pixel units, the heights in map units; the view is
// viewer.angle from (viewer.playerX, viewer.playerY). Draws the wall in black as
// an outline, or as filled columns when viewer.solidWalls is set.
void DrawWallSegment(const Framebuffer& framebuffer, const ViewerState& viewer, float x1, float y1,
                     float x2, float y2, float ceilingHeight, float floorHeight);
