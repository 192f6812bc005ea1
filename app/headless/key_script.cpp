#include "app/headless/key_script.h"

#include <sstream>

#include "app/key_commands.h"

const KeyName kKeyNames[15] = {
    {"Ctrl", kKeyControl},        {"Escape", kKeyEscape},      {"Space", kKeySpace},
    {"PageUp", kKeyPageUp},       {"PageDown", kKeyPageDown},  {"Left", kKeyLeft},
    {"Up", kKeyUp},               {"Right", kKeyRight},        {"Down", kKeyDown},
    {"KeypadPlus", kKeyKeypadPlus}, {"KeypadMinus", kKeyKeypadMinus}, {"F1", kKeyF1},
    {"F2", kKeyF2},               {"F3", kKeyF3},              {"F4", kKeyF4},
};

bool ParseWholeNumber(const std::string& text, uint64_t minimum, uint64_t limit, uint32_t& value) {
    if (text.empty() || text.size() > 10) return false;
    uint64_t number = 0;
    for (char c : text) {
        if (c < '0' || c > '9') return false;
        number = number * 10 + uint64_t(c - '0');
    }
    if (number < minimum || number > limit) return false;
    value = uint32_t(number);
    return true;
}

namespace {

bool ParseKey(const std::string& text, uint32_t& virtualKey) {
    for (const KeyName& key : kKeyNames) {
        if (text == key.name) {
            virtualKey = key.virtualKey;
            return true;
        }
    }
    return ParseWholeNumber(text, 0, 255, virtualKey);
}

}  // namespace

bool ParseKeyScript(const std::string& script, std::vector<ScriptStep>& steps, std::string& error) {
    std::istringstream tokens(script);
    std::string token;
    while (tokens >> token) {
        if (token == "frame") {
            steps.push_back({true, 0, 0});
            continue;
        }
        size_t star = token.find('*');
        std::string key = token.substr(0, star);
        ScriptStep step{false, 0, 1};
        if (!ParseKey(key, step.virtualKey)) {
            error = "unknown key '" + key + "' in --keys";
            return false;
        }
        if (star != std::string::npos && !ParseWholeNumber(token.substr(star + 1), 1, 1000000, step.presses)) {
            error = "bad press count in '" + token + "' (expected KEY*N, N from 1 to 1000000)";
            return false;
        }
        steps.push_back(step);
    }
    return true;
}
