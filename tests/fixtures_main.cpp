// wadscope-fixtures --udmf IN.wad OUT.wad: every map of IN as UDMF, its tree built by zdbsp, for the
// speed of a whole file in either format.
#include <cstdio>
#include <string>

#include "fixtures.h"

int main(int argc, char** argv) {
    if (argc != 4 || std::string(argv[1]) != "--udmf") return std::fputs("usage: wadscope-fixtures --udmf IN.wad OUT.wad\n", stderr), 2;
    return WriteUdmfCopy(argv[2], argv[3]), 0;
}
