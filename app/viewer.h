// The viewer's single objects, gathered so a shell can own one set and a test
// can start afresh, and the start-up work of window creation.
#pragma once
#include <cstdint>

#include "app/viewer_state.h"
#include "draw/font_image.h"
#include "draw/framebuffer.h"
#include "draw/status_line.h"
#include "wad/level.h"

// WS_OVERLAPPEDWINDOW: the window's style at start, with caption and border.
constexpr uint32_t kViewerWindowStyle = 0x00CF0000;
// WS_CAPTION: the bits of a style that give the window its caption and border.
constexpr uint32_t kCaptionStyleBits = 0x00C00000;
// WS_POPUP | WS_VISIBLE: a borderless top-level window that keeps the keyboard.
constexpr uint32_t kBorderlessWindowStyle = 0x90000000;

struct Viewer {
    Level level;
    ViewerState state;
    FontImage font{};
    StatusLine statusLine{};
    Framebuffer framebuffer;        // pixels owned by the shell
    uint32_t altWindowStyle = kBorderlessWindowStyle;  // the style the next Escape applies
    const char* wadPath = kDefaultWadPath;
};

// Window creation's work, in order: load map mapIndex, the checkerboard, the
// font file over it, then the start values. Nothing here can stop the viewer.
void StartViewer(Viewer& viewer, const char* wadPath, const char* fontPath);

// maxDepth 100, maxDraw 250, far sides on, the map table row's view, viewpoint (50, 50).
void SetStartValues(Viewer& viewer);

// One frame into the viewer's framebuffer.
void ComposeFrame(Viewer& viewer);

// Releases what the viewer loaded (not the framebuffer, which the shell owns).
void CloseViewer(Viewer& viewer);
