// Key scripts for wadscope-render and the tests: "Right*3 Up frame Space 112 Click:40,60".
#pragma once
#include <cstdint>
#include <string>
#include <vector>

#include "wad/result.h"

struct ScriptStep {
    bool composeFrame;    // the word "frame": compose a frame here
    uint32_t virtualKey;  // otherwise this key ...
    uint32_t presses;     // ... pressed this many times (none for a click)
    bool click = false;   // Click:X,Y: a left click at that pixel
    int32_t x = 0, y = 0;
};

// A decimal number of digits only, within [minimum, limit].
bool ParseWholeNumber(const std::string& text, uint64_t minimum, uint64_t limit, uint32_t& value);

// Space-separated tokens: a key's name (as the key table has it) or a decimal
// virtual-key code, optionally followed by *N; "frame"; or Click:X,Y.
Result<std::vector<ScriptStep>> ParseKeyScript(const std::string& script);
