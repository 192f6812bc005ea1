// wadscope-fixtures FOLDER: writes the format fixtures into FOLDER and lists them, for the
// tests that run the programs.
#include <cstdio>

#include "fixtures.h"

int main(int argc, char** argv) {
    if (argc != 2) return std::fputs("usage: wadscope-fixtures FOLDER\n", stderr), 2;
    FormatFixtures fixtures(argv[1]);
    for (const std::string& name : fixtures.names) std::printf("%s\n", name.c_str());
    return 0;
}
