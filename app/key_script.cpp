#include "app/key_script.h"

#include <sstream>

#include "app/key_table.h"

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

Result<std::vector<ScriptStep>> ParseKeyScript(const std::string& script) {
    std::vector<ScriptStep> steps;
    std::istringstream tokens(script);
    std::string token;
    while (tokens >> token) {
        if (token == "frame") {
            steps.push_back({true, 0, 0});
            continue;
        }
        if (token.starts_with("Click:")) {
            size_t comma = token.find(',');
            uint32_t x = 0, y = 0;
            if (comma == std::string::npos || !ParseWholeNumber(token.substr(6, comma - 6), 0, 65535, x) ||
                !ParseWholeNumber(token.substr(comma + 1), 0, 65535, y))
                return Problem{ProblemKind::kBadArgument, "bad click '" + token + "' (expected Click:X,Y, each from 0 to 65535)"};
            steps.push_back({false, 0, 0, true, int32_t(x), int32_t(y)});
            continue;
        }
        size_t star = token.find('*');
        std::string name = token.substr(0, star);
        ScriptStep step{false, 0, 1};
        if (const Key* key = KeyNamed(name))
            step.virtualKey = key->virtualKey;
        else if (!ParseWholeNumber(name, 0, 255, step.virtualKey))
            return Problem{ProblemKind::kBadArgument, "unknown key '" + name + "' in --keys"};
        if (star != std::string::npos && !ParseWholeNumber(token.substr(star + 1), 1, 1000000, step.presses))
            return Problem{ProblemKind::kBadArgument,
                           "bad press count in '" + token + "' (expected KEY*N, N from 1 to 1000000)"};
        steps.push_back(step);
    }
    return steps;
}
