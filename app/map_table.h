// The built-in table of the nine maps E1M1 to E1M9 and their views, which table mode steps through.
#pragma once
#include <cstdint>

struct MapTableEntry {
    char name[80];
    float offsetX;
    float offsetY;
    float scale;
};

constexpr int32_t kMapCount = 9;
extern const MapTableEntry kMapTable[kMapCount];

// The row of that name, or -1.
int32_t TableRowNamed(const char* name);
