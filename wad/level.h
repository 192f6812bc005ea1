// The loaded map: record arrays pointing into the level file's image, the view
// and walk settings, and the built-in table of the nine maps.
#pragma once
#include <cstdint>

#include "wad/map_records.h"
#include "wad/wad_image.h"

struct Level {
    const MapVertex* vertexes = nullptr;
    int32_t numVertexes = 0;
    const MapLinedef* linedefs = nullptr;
    int32_t numLinedefs = 0;
    const MapThing* things = nullptr;
    int32_t numThings = 0;
    const MapSidedef* sidedefs = nullptr;
    int32_t numSidedefs = 0;
    const MapSector* sectors = nullptr;
    int32_t numSectors = 0;
    const MapSeg* segs = nullptr;
    int32_t numSegs = 0;
    const MapSubsector* subsectors = nullptr;
    int32_t numSubsectors = 0;
    const MapNode* nodes = nullptr;
    int32_t numNodes = 0;

    float scale = 0;
    float offsetX = 0;
    float offsetY = 0;
    int32_t maxDepth = 0;
    int32_t maxDraw = 0;
    uint8_t drawFarSides = 0;

    WadImage* image = nullptr;  // the image the arrays point into; owned
};

struct MapTableEntry {
    char name[80];
    float offsetX;
    float offsetY;
    float scale;
};

constexpr int32_t kMapCount = 9;
extern const MapTableEntry kMapTable[kMapCount];

// Reads the level file anew and points the eight arrays at map mapIndex's lumps
// (null with a count of 0 for a lump not found). The settings keep their values;
// the previous load's image is released.
void LoadLevel(Level& level, int32_t mapIndex, const char* wadPath = kDefaultWadPath);

// The same from an image already in memory; the level takes ownership of it.
void LoadLevelFromImage(Level& level, int32_t mapIndex, WadImage* image);

// Releases the image and empties the arrays.
void FreeLevel(Level& level);
