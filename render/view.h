// How a frame looks at the level: the overhead map's transform, the walk's
// limits, the viewpoint and the two display switches. The renderer reads it;
// the viewer's keys and the player start change it.
#pragma once
#include <cstdint>
#include <vector>

// What is drawn over the frame to show the walk: nothing, the frame's walk, or the tree.
enum class Overlay : uint8_t { kOff, kWalk, kTree };

struct View {
    // The map-to-screen transform: sx = (x * scale + offsetX * scale) / 10, likewise y.
    float scale = 0;
    float offsetX = 0;  // map units, added before scaling
    float offsetY = 0;
    // The BSP walk's limits.
    int32_t maxDepth = 0;      // children of a node at depth d are walked only when d + 1 < maxDepth
    int32_t maxDraw = 0;       // most subsectors drawn in one frame
    uint8_t drawFarSides = 0;  // 1: far children are walked whatever the box test says
    // The viewpoint, in overhead-map pixel units.
    float playerX = 0;
    float playerY = 0;
    float angle = 0;                  // radians; a larger angle turns clockwise on screen
    uint8_t solidWalls = 0;           // walls as filled columns instead of outlines
    uint8_t halfDepthFactor = 0;      // depth factor 0.125 instead of 0.25: walls twice as wide and tall
    int32_t playerStartPending = 1;   // cleared by the first frame that finds a player-1 start
    // The overlays.
    Overlay overlay = Overlay::kOff;
    int32_t walkShown = -1;              // the walk overlay shows this many accepted subsectors; -1: all
    std::vector<uint32_t> treeSelection{};  // the tree overlay's selection: child references from the root's child on; none: the root
};
