// Freedoom maps in every format the viewer reads, made in the tests: the
// records re-encoded (Hexen-format, TEXTMAP) and the trees built by Debian's
// zdbsp and glbsp, which are not packaged as files of their own.
#pragma once
#include <string>
#include <vector>

#include "test_support.h"

// The maps of the fixtures: two of Freedoom's first episode (table names) and one of its second.
extern const std::vector<std::string> kFixtureMaps;

// The fixture files in their folder, each made once per process; "doom.wad" is the source.
struct FormatFixtures {
    explicit FormatFixtures(const std::string& folder);
    std::string Path(const std::string& name) const { return folder + "/" + name; }
    std::string folder;
};

// Every map of the level file `in` as a UDMF map, its tree built by zdbsp, into `out`: the same maps
// as text, for the speed of a whole file in either format.
void WriteUdmfCopy(const std::string& in, const std::string& out);
