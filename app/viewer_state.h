// The viewpoint, the map shown and the two display switches.
#pragma once
#include <cstdint>

struct ViewerState {
    float playerX = 0;           // overhead-map pixel units
    float playerY = 0;
    float angle = 0;             // radians; a larger angle turns clockwise on screen
    int32_t mapIndex = 0;        // row of the map table, 0 to 8
    uint8_t solidWalls = 0;      // walls as filled columns instead of outlines
    uint8_t nearScale = 0;       // depth factor 0.125 instead of 0.25
    int32_t playerStartPending = 1;  // cleared by the frame that takes the player-1 start
};
