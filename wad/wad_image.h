// A level file held whole in memory, for programs that load many maps from it.
#pragma once
#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "wad/result.h"

struct WadImage {
    std::vector<uint8_t> bytes;  // the file's bytes in file order
};

constexpr const char* kDefaultWadPath = "DOOM1.WAD";

// Reads the whole file; a problem when it cannot be opened, sized or read whole,
// or is larger than the format's 32-bit offsets reach.
Result<WadImage> LoadWadImage(const std::string& path);

// The same from bytes already in memory (a copy is taken).
Result<WadImage> WadImageFromBytes(const uint8_t* data, size_t size, const std::string& name);
