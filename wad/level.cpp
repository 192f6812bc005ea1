#include "wad/level.h"

const MapTableEntry kMapTable[kMapCount] = {
    {"E1M1", 1180, 4880, 2.5f}, {"E1M2", 4700, 1460, 1.5f}, {"E1M3", 4720, 3740, 2.0f},
    {"E1M4", 2680, 640, 2.5f},  {"E1M5", 3780, 920, 2.0f},  {"E1M6", 4780, 2420, 1.5f},
    {"E1M7", 4140, 2840, 2.0f}, {"E1M8", 6360, 520, 1.0f},  {"E1M9", 3220, 1600, 2.0f},
};

namespace {

template <typename Record>
void FindRecords(const char* mapName, const char* lumpName, WadImage** image,
                 const char* wadPath, const Record*& records, int32_t& count) {
    uint32_t size = 0;
    const uint8_t* data = FindLump(mapName, lumpName, &size, image, wadPath);
    records = reinterpret_cast<const Record*>(data);
    // Trailing bytes that do not fill a whole record are ignored; a file below
    // 2 GiB cannot hold more records than a 32-bit count.
    count = data ? int32_t(size / sizeof(Record)) : 0;
}

void Fill(Level& level, int32_t mapIndex, WadImage* image, const char* wadPath) {
    if (mapIndex < 0 || mapIndex >= kMapCount) mapIndex = 0;
    const char* map = kMapTable[mapIndex].name;
    FindRecords(map, "VERTEXES", &image, wadPath, level.vertexes, level.numVertexes);
    FindRecords(map, "LINEDEFS", &image, wadPath, level.linedefs, level.numLinedefs);
    FindRecords(map, "THINGS", &image, wadPath, level.things, level.numThings);
    FindRecords(map, "SIDEDEFS", &image, wadPath, level.sidedefs, level.numSidedefs);
    FindRecords(map, "SECTORS", &image, wadPath, level.sectors, level.numSectors);
    FindRecords(map, "SEGS", &image, wadPath, level.segs, level.numSegs);
    FindRecords(map, "SSECTORS", &image, wadPath, level.subsectors, level.numSubsectors);
    FindRecords(map, "NODES", &image, wadPath, level.nodes, level.numNodes);
    // Nothing refers to the previous image any more.
    FreeWadImage(level.image);
    level.image = image;
}

}  // namespace

void LoadLevel(Level& level, int32_t mapIndex, const char* wadPath) {
    Fill(level, mapIndex, nullptr, wadPath);
}

void LoadLevelFromImage(Level& level, int32_t mapIndex, WadImage* image) {
    Fill(level, mapIndex, image, kDefaultWadPath);
}

void FreeLevel(Level& level) {
    Level empty;
    empty.scale = level.scale, empty.offsetX = level.offsetX, empty.offsetY = level.offsetY;
    empty.maxDepth = level.maxDepth, empty.maxDraw = level.maxDraw;
    empty.drawFarSides = level.drawFarSides;
    FreeWadImage(level.image);
    level = empty;
}
