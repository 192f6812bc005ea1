// The level file held whole in memory.
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

// Little-endian fields of the file, read byte by byte.
inline uint32_t ReadUInt32(const uint8_t* bytes) {
    return uint32_t(bytes[0]) | uint32_t(bytes[1]) << 8 | uint32_t(bytes[2]) << 16 | uint32_t(bytes[3]) << 24;
}
inline uint16_t ReadUInt16(const uint8_t* bytes) { return uint16_t(bytes[0] | bytes[1] << 8); }
