// What each key does, and the table that names them.
#include <cmath>

#include "app/key_table.h"
#include "app/map_table.h"
#include "app/session.h"
#include "render/overlay.h"

namespace {

// Reloads even when the clamp kept the index, and takes the map's view afresh.
void StepMap(Session& session, int32_t step) {
    int32_t last = session.fileMaps.empty() ? kMapCount - 1 : int32_t(session.fileMaps.size()) - 1;
    int32_t mapIndex = session.mapIndex + step;
    ShowMap(session, mapIndex < 0 ? 0 : mapIndex > last ? last : mapIndex);
}

void Move(View& view, float direction) {
    view.playerX = view.playerX + direction * (2.0f * float(std::cos(double(view.angle))));
    view.playerY = view.playerY + direction * (2.0f * float(std::sin(double(view.angle))));
}

void Toggle(uint8_t& flag) { flag = flag == 0 ? 1 : 0; }

// No ceilings: the limits saturate rather than wrap.
void Raise(int32_t& limit) {
    if (limit < INT32_MAX) ++limit;
}
void Lower(int32_t& limit) {
    if (limit > 0) --limit;
}

void SwapWindowStyle(Session& session, const WindowCalls* window) {
    if (!window) return;
    session.altWindowStyle = window->setStyle(window->window, session.altWindowStyle);
    const Canvas& canvas = session.framebuffer.canvas();
    window->placeTopLeftTopmost(window->window, canvas.width, canvas.height);
}

// Off, walk, tree, off: leaving the walk overlay stops its animation.
void NextOverlay(Session& session, const WindowCalls*) {
    View& view = session.view;
    view.overlay = view.overlay == Overlay::kOff ? Overlay::kWalk : view.overlay == Overlay::kWalk ? Overlay::kTree : Overlay::kOff;
    view.walkShown = -1;
}

// The tree overlay's selection moves to a child of the node selected (0: right, 1: left), if that names something.
void SelectChild(Session& session, int child) {
    if (session.view.overlay != Overlay::kTree) return;
    const Level& level = session.level;
    TreeSelected selected = ResolveTreeSelection(level, session.view.treeSelection);
    if ((selected.reference & kSubsectorChild) || selected.reference >= level.nodes.size()) return;
    const MapNode& node = level.nodes[selected.reference];
    uint32_t reference = child == 0 ? node.rightChild : node.leftChild;
    bool names = reference & kSubsectorChild ? (reference & ~kSubsectorChild) < level.subsectors.size()
                                             : reference < level.nodes.size();
    if (!names) return;
    session.view.treeSelection.resize(size_t(selected.depth));  // what of the path the level's tree allowed
    session.view.treeSelection.push_back(reference);
}

// W plays the walk overlay's walk, a subsector every 4 ticks, and stops it.
void PlayWalk(Session& session, const WindowCalls*) {
    if (session.view.overlay != Overlay::kWalk) return;
    session.view.walkShown = session.view.walkShown < 0 ? 1 : -1;
    session.animationTick = 0;
}

const Key kKeys[] = {
    {"Ctrl", 17, "Left Ctrl|Right Ctrl", "ControlLeft ControlRight", "Ctrl",
     "Depth factor 0.25 or 0.125 (walls twice as wide and tall).",
     [](Session& s, const WindowCalls*) { Toggle(s.view.halfDepthFactor); }},
    {"Escape", 27, "Escape", "Escape", "Escape", "Normal window or borderless, always-on-top window at the top left.",
     SwapWindowStyle},
    {"Space", 32, "Space", "Space", "Space", "Walls as outlines or as filled columns.",
     [](Session& s, const WindowCalls*) { Toggle(s.view.solidWalls); }},
    {"PageUp", 33, "PageUp", "PageUp", "Page Up", "Map scale - 0.5: zoom the overhead map out (no bound).",
     [](Session& s, const WindowCalls*) { s.view.scale -= 0.5f; }},
    {"PageDown", 34, "PageDown", "PageDown", "Page Down", "Map scale + 0.5: zoom the overhead map in.",
     [](Session& s, const WindowCalls*) { s.view.scale += 0.5f; }},
    {"Left", 37, "Left", "ArrowLeft", "Left", "Turn by 0.1 radian to the left.",
     [](Session& s, const WindowCalls*) { s.view.angle -= 0.1f; }},
    {"Up", 38, "Up", "ArrowUp", "Up", "Move 2 pixels forward.",
     [](Session& s, const WindowCalls*) { Move(s.view, 1.0f); }},
    {"Right", 39, "Right", "ArrowRight", "Right", "Turn by 0.1 radian to the right.",
     [](Session& s, const WindowCalls*) { s.view.angle += 0.1f; }},
    {"Down", 40, "Down", "ArrowDown", "Down", "Move 2 pixels back.",
     [](Session& s, const WindowCalls*) { Move(s.view, -1.0f); }},
    {"KeypadPlus", 107, "Keypad +", "NumpadAdd", "Keypad +", "Next map, reloading the file.",
     [](Session& s, const WindowCalls*) { StepMap(s, 1); }},
    {"KeypadMinus", 109, "Keypad -", "NumpadSubtract", "Keypad -", "Previous map, reloading the file.",
     [](Session& s, const WindowCalls*) { StepMap(s, -1); }},
    {"F1", 112, "F1", "F1", "F1", "Depth limit - 1, far sides off.",
     [](Session& s, const WindowCalls*) { s.view.drawFarSides = 0, Lower(s.view.maxDepth); }},
    {"F2", 113, "F2", "F2", "F2", "Depth limit + 1, far sides off.",
     [](Session& s, const WindowCalls*) { Raise(s.view.maxDepth), s.view.drawFarSides = 0; }},
    {"F3", 114, "F3", "F3", "F3", "Draw limit - 1, far sides on, depth limit 250.",
     [](Session& s, const WindowCalls*) { s.view.drawFarSides = 1, s.view.maxDepth = 250, Lower(s.view.maxDraw); }},
    {"F4", 115, "F4", "F4", "F4", "Draw limit + 1, far sides on, depth limit 250.",
     [](Session& s, const WindowCalls*) { Raise(s.view.maxDraw), s.view.drawFarSides = 1, s.view.maxDepth = 250; }},
    {"Tab", 9, "Tab", "Tab", "Tab", "Overlay: off, the walk, the tree, off again.", NextOverlay},
    {"R", 82, "R", "KeyR", "R", "Tree overlay: select the right child (the front of the partition).",
     [](Session& s, const WindowCalls*) { SelectChild(s, 0); }},
    {"L", 76, "L", "KeyL", "L", "Tree overlay: select the left child.", [](Session& s, const WindowCalls*) { SelectChild(s, 1); }},
    {"U", 85, "U", "KeyU", "U", "Tree overlay: select the parent.",
     [](Session& s, const WindowCalls*) {
         if (s.view.overlay == Overlay::kTree && !s.view.treeSelection.empty()) s.view.treeSelection.pop_back();
     }},
    {"Home", 36, "Home", "Home", "Home", "Tree overlay: select the root.",
     [](Session& s, const WindowCalls*) {
         if (s.view.overlay == Overlay::kTree) s.view.treeSelection.clear();
     }},
    {"W", 87, "W", "KeyW", "W", "Walk overlay: play the walk, a subsector every 4 ticks; again: stop.", PlayWalk},
};

}  // namespace

std::span<const Key> Keys() { return kKeys; }

const Key* KeyNamed(const std::string& name) {
    for (const Key& key : kKeys)
        if (name == key.name) return &key;
    return nullptr;
}

const Key* KeyWithVirtualKey(uint32_t virtualKey) {
    for (const Key& key : kKeys)
        if (virtualKey == key.virtualKey) return &key;
    return nullptr;
}
