// wadscope-fixtures FOLDER: writes the format fixtures into FOLDER and lists them, for the
// tests that run the programs. wadscope-fixtures --udmf IN.wad OUT.wad: every map of IN as UDMF.
#include <cstdio>

#include "fixtures.h"

int main(int argc, char** argv) {
    if (argc == 4 && std::string(argv[1]) == "--udmf") return WriteUdmfCopy(argv[2], argv[3]), 0;
    if (argc != 2) return std::fputs("usage: wadscope-fixtures FOLDER | --udmf IN.wad OUT.wad\n", stderr), 2;
    FormatFixtures fixtures(argv[1]);
    for (const std::string& name : fixtures.names) std::printf("%s\n", name.c_str());
    return 0;
}
