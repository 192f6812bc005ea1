// The viewer's single objects, gathered so a shell can own one set and a test
// can start afresh, and the start-up work of window creation.
#pragma once
#include <cstdint>
#include <string>
#include <vector>

#include "app/command_line.h"
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

constexpr const char* kWindowTitle = "Wadscope3D";

struct Viewer {
    Level level;
    ViewerState state;
    FontImage font{};
    StatusLine statusLine{};
    Framebuffer framebuffer;        // pixels owned by the shell
    uint32_t altWindowStyle = kBorderlessWindowStyle;  // the style the next Escape applies
    LevelFile wadFile;              // where every level load reads
    // File mode: the file's maps in directory order, which keypad plus and minus
    // step through, each in a fitted view. Empty in table mode.
    std::vector<std::string> fileMaps;
    bool fitPending = false;        // the fitted view waits for a framebuffer with a size
};

// Window creation's work, in order: load the start map, the checkerboard, the
// font file over it, then the start values. Nothing here can stop the viewer.
void StartViewer(Viewer& viewer, const LevelFile& wadFile, const StartMap& start, const char* fontPath);

// The same on map state.mapIndex of the built-in table, from the file at wadPath.
void StartViewer(Viewer& viewer, const char* wadPath, const char* fontPath);

// A fresh run on another map that keeps the font already read: all that
// StartViewer does but reading the font.
void RestartViewer(Viewer& viewer, const LevelFile& wadFile, const StartMap& start);

// Loads the map shown (state.mapIndex) and takes its view: the table row's, or
// in file mode a fitted one, at once when the framebuffer has a size.
void ShowCurrentMap(Viewer& viewer);

// maxDepth 100, maxDraw 250, far sides on, the map's view, viewpoint (50, 50).
void SetStartValues(Viewer& viewer);

// One frame into the viewer's framebuffer.
void ComposeFrame(Viewer& viewer);

// The name of the map shown: a table row's, or in file mode the file's map.
std::string ShownMapName(const Viewer& viewer);

// "Wadscope3D", followed in file mode by the map's name and the file's name.
std::string ViewerTitle(const Viewer& viewer);

// Releases what the viewer loaded (not the framebuffer, which the shell owns).
void CloseViewer(Viewer& viewer);
