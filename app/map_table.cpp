#include "app/map_table.h"

#include <cstring>

const MapTableEntry kMapTable[kMapCount] = {
    {"E1M1", 1180, 4880, 2.5f}, {"E1M2", 4700, 1460, 1.5f}, {"E1M3", 4720, 3740, 2.0f},
    {"E1M4", 2680, 640, 2.5f},  {"E1M5", 3780, 920, 2.0f},  {"E1M6", 4780, 2420, 1.5f},
    {"E1M7", 4140, 2840, 2.0f}, {"E1M8", 6360, 520, 1.0f},  {"E1M9", 3220, 1600, 2.0f},
};

int32_t TableRowNamed(const char* name) {
    for (int32_t row = 0; row < kMapCount; ++row)
        if (std::strcmp(name, kMapTable[row].name) == 0) return row;
    return -1;
}
