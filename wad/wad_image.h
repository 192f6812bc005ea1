// The level file held whole in memory, and the map-scoped lump lookup.
#pragma once
#include <cstddef>
#include <cstdint>

// The file's bytes in file order followed by one byte of value 0.
struct WadImage {
    uint8_t* bytes;   // size + 1 bytes
    uint32_t size;    // file size, without the trailing 0
};

constexpr const char* kDefaultWadPath = "DOOM1.WAD";

// Reads the whole file; null when it cannot be opened, sized, allocated or read whole.
// Prints nothing: the caller reports.
WadImage* LoadWadImage(const char* path, int32_t* fileSize);

// The same image built from bytes already in memory (a copy is taken).
WadImage* WadImageFromBytes(const uint8_t* data, size_t size);

void FreeWadImage(WadImage* image);

// True when the image is long enough for a header and starts with "IWAD" or "PWAD".
bool HasWadHeader(const WadImage* image);

// Finds lumpName among the entries from mapName's marker on (both by substring
// match of the entry's name). When *image is null the file at wadPath is loaded
// into it first. Returns a pointer into the image, or null; *lumpSize is written
// only when a lump is found.
const uint8_t* FindLump(const char* mapName, const char* lumpName, uint32_t* lumpSize,
                        WadImage** image, const char* wadPath = kDefaultWadPath);
