// The front-to-back walk of the level's BSP tree from the viewpoint.
#pragma once
#include <cstdint>
#include <vector>

#include "app/viewer_state.h"
#include "draw/framebuffer.h"
#include "render/wall_segment.h"
#include "wad/level.h"

// What one frame's walk reads and counts.
struct BspWalk {
    BspWalk(const Level& level, const ViewerState& viewer, const Framebuffer& framebuffer);

    const Level& level;
    const ViewerState& viewer;
    const Framebuffer& framebuffer;
    int32_t mx = 0;               // the viewpoint in map units
    int32_t my = 0;
    int32_t subsectorsDrawn = 0;  // subsectors accepted so far, compared with maxDraw
    // One flag per node, subsector and seg: each is entered or drawn once per frame.
    std::vector<uint8_t> nodeEntered, subsectorDrawn, segDrawn;
    WallColumns* columns = nullptr;  // where walls keep their vertical lines; null: drawn at once
};

// Walks from a child reference (bit 31: a subsector): near child first, the far
// child under the far-side rule, within maxDepth; each subsector reached goes to DrawSubsector.
void WalkBspNode(BspWalk& walk, uint32_t reference, int32_t depth);

// Whether the unit square at (mx, my), taken to 16 bits, touches the box.
bool PlayerInBox(const NodeBox& box, int32_t mx, int32_t my);

// Draws every seg of one subsector within maxDraw; "Fail\r\n" for an index out of range.
void DrawSubsector(BspWalk& walk, uint32_t index);
