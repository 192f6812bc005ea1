// Prints the key table for the manual pages, from the one table the programs use:
// "section" the KEYS section of wadscope(1), "names" the key names of wadscope-render(1).
#include <cstdio>
#include <cstring>
#include <string>

#include "app/key_table.h"

namespace {

// A hyphen in a manual page is "\-"; a line must not start with a dot.
std::string Roff(const std::string& text) {
    std::string out;
    for (char c : text) out += c == '-' ? std::string("\\-") : std::string(1, c);
    return out;
}

}  // namespace

int main(int argc, char** argv) {
    bool section = argc > 1 && std::strcmp(argv[1], "section") == 0;
    std::string text;
    for (const Key& key : Keys()) {
        if (section)
            text += std::string(text.empty() ? ".TP 22\n" : ".TP\n") + ".B " + Roff(key.label) + "\n" + Roff(key.effect) + "\n";
        else
            text += std::string(text.empty() ? "" : ", ") + key.name;
    }
    if (section) text += ".TP\n.B left click\n" + Roff(kLeftClickEffect) + "\n";
    std::fputs(text.c_str(), stdout);
    return 0;
}
