// The keyboard commands, keyed by Win32 virtual-key codes.
#pragma once
#include <cstdint>

#include "app/viewer.h"

enum VirtualKey : uint32_t {
    kKeyControl = 17,
    kKeyEscape = 27,
    kKeySpace = 32,
    kKeyPageUp = 33,
    kKeyPageDown = 34,
    kKeyLeft = 37,
    kKeyUp = 38,
    kKeyRight = 39,
    kKeyDown = 40,
    kKeyKeypadPlus = 107,
    kKeyKeypadMinus = 109,
    kKeyF1 = 112,
    kKeyF2 = 113,
    kKeyF3 = 114,
    kKeyF4 = 115,
};

// The two window calls of the Escape command, supplied by the shell.
struct WindowCalls {
    void* window;
    // Gives the window this style; returns the style it had.
    uint32_t (*setStyle)(void* window, uint32_t style);
    // Top left of the screen, topmost, with this client size.
    void (*placeTopLeftTopmost)(void* window, int32_t clientWidth, int32_t clientHeight);
};

// Applies one key-down; keys outside the table change nothing. With no window
// calls (null), Escape changes nothing.
void ApplyKeyCommand(Viewer& viewer, const WindowCalls* window, uint32_t virtualKey);
