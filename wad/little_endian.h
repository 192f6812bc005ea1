// Little-endian fields of the level file, read byte by byte: a record may start at any byte.
#pragma once
#include <cstdint>

#include "wad/map_records.h"

inline uint16_t ReadUInt16(const uint8_t* bytes) { return uint16_t(bytes[0] | bytes[1] << 8); }
inline int16_t ReadInt16(const uint8_t* bytes) { return int16_t(ReadUInt16(bytes)); }
inline uint32_t ReadUInt32(const uint8_t* bytes) {
    return uint32_t(bytes[0]) | uint32_t(bytes[1]) << 8 | uint32_t(bytes[2]) << 16 | uint32_t(bytes[3]) << 24;
}
inline int32_t ReadInt32(const uint8_t* bytes) { return int32_t(ReadUInt32(bytes)); }

// 16.16 fixed point, exactly.
inline double ReadFixed(const uint8_t* bytes) { return double(ReadInt32(bytes)) / 65536.0; }

// A node's box: top, bottom, left, right.
inline NodeBox ReadNodeBox(const uint8_t* bytes) {
    return {ReadInt16(bytes), ReadInt16(bytes + 2), ReadInt16(bytes + 4), ReadInt16(bytes + 6)};
}
