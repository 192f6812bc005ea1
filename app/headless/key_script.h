// Key scripts for the headless renderer: "Right*3 Up frame Space 112".
#pragma once
#include <cstdint>
#include <string>
#include <vector>

struct ScriptStep {
    bool composeFrame;     // the word "frame": compose a frame here
    uint32_t virtualKey;   // otherwise this key ...
    uint32_t presses;      // ... pressed this many times
};

// Key names in the order --help lists them, with their virtual-key codes.
struct KeyName {
    const char* name;
    uint32_t virtualKey;
};
extern const KeyName kKeyNames[15];

// A decimal number of digits only, within [minimum, limit].
bool ParseWholeNumber(const std::string& text, uint64_t minimum, uint64_t limit, uint32_t& value);

// Parses space-separated tokens; on a bad token returns false and says why in error.
bool ParseKeyScript(const std::string& script, std::vector<ScriptStep>& steps, std::string& error);
