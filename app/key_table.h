// The viewer's keys: one row each, read by every front end, the key scripts,
// --help and the manual.
#pragma once
#include <cstdint>
#include <span>
#include <string>

struct Session;
struct WindowCalls;

struct Key {
    const char* name;          // in key scripts and --help: "PageUp"
    uint32_t virtualKey;       // the Win32 virtual-key code
    const char* sdlNames;      // SDL's names of the key, '|' between several: "Left Ctrl|Right Ctrl"
    const char* browserCodes;  // KeyboardEvent.code values, ' ' between several
    const char* label;         // in the manual: "Page Up"
    const char* effect;        // in the manual: what the key does
    void (*apply)(Session& session, const WindowCalls* window);
};

// In the order --help lists them.
std::span<const Key> Keys();

// What a left click does, listed after the keys.
inline constexpr const char* kLeftClickEffect =
    "Tree overlay: select the subsector under it; walk overlay: move the viewpoint there.";

const Key* KeyNamed(const std::string& name);
const Key* KeyWithVirtualKey(uint32_t virtualKey);
