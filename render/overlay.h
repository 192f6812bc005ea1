// The overlays drawn over a composed frame to show the walk, each with a second
// status line below the first: the walk overlay (the accepted subsectors in a
// ramp of colours from near to far, the boxes the box rule skipped or the depth
// limit cut, the view direction) and the tree overlay (a node of the tree, its
// partition, its children's boxes and their subsectors, independent of the viewpoint).
#pragma once
#include <cstdint>
#include <string>
#include <vector>

#include "draw/font_image.h"
#include "draw/framebuffer.h"
#include "render/view.h"
#include "render/walk_trace.h"
#include "wad/level.h"
#include "wad/tree_check.h"

// The overlay view.overlay names, from the frame's walk; the tree overlay marks the
// faults of the check, when given. With plainWalls the wall view's lines are drawn
// one DrawLine each, in order: the pixels are the same.
void DrawOverlay(const Canvas& canvas, const Level& level, const View& view, const WalkTrace& trace,
                 const FontImage& font, const TreeCheck* check = nullptr, bool plainWalls = false);

// The colour of the k-th accepted subsector of n, k from 1: each channel
// round(near + (far - near) * t), t = (k - 1) / (n - 1) (0 when n = 1), from
// near (230, 40, 40) to far (40, 90, 230).
uint32_t WalkColour(int32_t k, int32_t n);

// "Walk: N drawn, S far sides skipped, C nodes cut by depth".
std::string WalkStatus(const WalkTrace& trace);

// What the tree overlay has selected: a node or a subsector, and the node above it.
struct TreeSelected {
    uint32_t reference;      // bit 31: a subsector
    int64_t parent = -1;     // the node it is a child of; -1 for the root
    int32_t depth = 0;       // nodes above it
};
// The selection's path followed as far as the level's tree allows it.
TreeSelected ResolveTreeSelection(const Level& level, const std::vector<uint32_t>& path);

// "Node 412 depth 0: right node 200 (96 subsectors), left node 411 (120 subsectors)", or
// "Subsector 37: 4 segs, sector 12". A node with faults has its first named after
// the depth: "Node 783 depth 9: side fault (child 0, seg 2237, 7.603 units across); right ...".
std::string TreeStatus(const Level& level, const TreeSelected& selected, const TreeCheck* check = nullptr);

// The path from the root's child on to the subsector the tree leads a point in map units to.
std::vector<uint32_t> TreePathTo(const Level& level, int32_t mapX, int32_t mapY);
