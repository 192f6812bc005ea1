// The front-to-back walk of the level's BSP tree from the viewpoint.
#pragma once
#include <cstdint>
#include <vector>

#include "draw/framebuffer.h"
#include "render/view.h"
#include "render/wall_columns.h"
#include "render/wall_segment.h"
#include "render/walk_trace.h"
#include "wad/level.h"

// What one frame's walk reads and counts.
struct BspWalk {
    BspWalk(const Level& level, const View& view, const Canvas& canvas);

    const Level& level;
    const View& view;
    const Canvas& canvas;
    int32_t viewMapX = 0;         // the viewpoint in map units
    int32_t viewMapY = 0;
    ViewDirection direction;      // of view.angle
    int32_t subsectorsDrawn = 0;  // subsectors accepted so far, compared with maxDraw
    int32_t failures = 0;         // subsector references outside the subsectors: "Fail" each
    // One flag per node, subsector and seg: each is entered or drawn once per frame.
    std::vector<uint8_t> nodeEntered, subsectorDrawn, segDrawn;
    WallColumns* columns = nullptr;  // where walls keep their vertical lines; null: drawn at once
    bool drawWalls = true;           // false: the walk alone, drawing nothing
    WalkTrace* trace = nullptr;      // where the walk writes its steps, when given
};

// Walks from a child reference (bit 31: a subsector): near child first, the far
// child under the far-side rule, within maxDepth; each subsector reached goes to DrawSubsector.
void WalkBspNode(BspWalk& walk, uint32_t reference, int32_t depth);

// Whether the unit square at (viewMapX, viewMapY), taken to 16 bits, touches the box.
bool PlayerInBox(const NodeBox& box, int32_t viewMapX, int32_t viewMapY);

// The wall of one seg through DrawWallSegment, from its vertexes and its side's
// sector; nothing when the seg names a vertex, linedef, sidedef or sector that is not there.
void DrawSegWall(const Canvas& canvas, const Level& level, const View& view, ViewDirection direction, const MapSeg& seg,
                 WallColumns* columns, std::vector<WallStroke>* strokes = nullptr);

// Whether the point in map units lies on the left of the node's partition: the walk's side test.
inline bool OnLeftSide(const MapNode& node, int32_t mapX, int32_t mapY) {
    return (float(mapY) - float(node.y)) * float(node.dx) - (float(mapX) - float(node.x)) * float(node.dy) > 0;
}

// Draws every seg of one subsector within maxDraw; an index out of range counts a failure.
void DrawSubsector(BspWalk& walk, uint32_t index);
