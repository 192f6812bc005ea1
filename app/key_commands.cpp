#include "app/key_commands.h"

#include <cmath>

namespace {

// Reloads even when the clamp kept the index, and takes the map's view afresh.
void ChangeMap(Viewer& viewer, int32_t mapIndex) {
    int32_t last = viewer.fileMaps.empty() ? kMapCount - 1 : int32_t(viewer.fileMaps.size()) - 1;
    viewer.state.mapIndex = mapIndex < 0 ? 0 : mapIndex > last ? last : mapIndex;
    ShowCurrentMap(viewer);
}

void Move(ViewerState& state, float direction) {
    state.playerX = state.playerX + direction * (2.0f * float(std::cos(double(state.angle))));
    state.playerY = state.playerY + direction * (2.0f * float(std::sin(double(state.angle))));
}

void SwapWindowStyle(Viewer& viewer, const WindowCalls* window) {
    if (!window) return;
    uint32_t previous = window->setStyle(window->window, viewer.altWindowStyle);
    viewer.altWindowStyle = previous;
    window->placeTopLeftTopmost(window->window, viewer.framebuffer.width, viewer.framebuffer.height);
}

}  // namespace

void ApplyKeyCommand(Viewer& viewer, const WindowCalls* window, uint32_t virtualKey) {
    ViewerState& state = viewer.state;
    Level& level = viewer.level;
    switch (virtualKey) {
        case kKeyControl: state.nearScale = state.nearScale == 0 ? 1 : 0; break;
        case kKeyEscape: SwapWindowStyle(viewer, window); break;
        case kKeySpace: state.solidWalls = state.solidWalls == 0 ? 1 : 0; break;
        case kKeyPageUp: level.scale -= 0.5f; break;
        case kKeyPageDown: level.scale += 0.5f; break;
        case kKeyLeft: state.angle -= 0.1f; break;
        case kKeyUp: Move(state, 1.0f); break;
        case kKeyRight: state.angle += 0.1f; break;
        case kKeyDown: Move(state, -1.0f); break;
        case kKeyKeypadPlus: ChangeMap(viewer, state.mapIndex + 1); break;
        case kKeyKeypadMinus: ChangeMap(viewer, state.mapIndex - 1); break;
        case kKeyF1:
            level.drawFarSides = 0;
            if (level.maxDepth > 0) --level.maxDepth;
            break;
        case kKeyF2:
            // No ceiling: saturate rather than wrap.
            if (level.maxDepth < INT32_MAX) ++level.maxDepth;
            level.drawFarSides = 0;
            break;
        case kKeyF3:
            level.drawFarSides = 1;
            level.maxDepth = 250;
            if (level.maxDraw > 0) --level.maxDraw;
            break;
        case kKeyF4:
            if (level.maxDraw < INT32_MAX) ++level.maxDraw;
            level.drawFarSides = 1;
            level.maxDepth = 250;
            break;
        default: break;
    }
}
