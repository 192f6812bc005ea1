// The loaded map: its records, the BSP tree as the walk reads it, the view and
// walk settings, and the built-in table of the nine maps.
#pragma once
#include <cstdint>
#include <vector>

#include "wad/map_records.h"
#include "wad/wad_directory.h"
#include "wad/wad_image.h"

// How the last load went; the arrays are empty unless it read the map.
enum class LevelStatus {
    kLoaded,         // every lump found was read; a lump not found is an empty array
    kUnreadable,     // the file could not be opened or read
    kInvalid,        // not a WAD file, or its directory reaches past the end
    kNoSuchMap,      // no marker for the map
    kNotDoomFormat,  // a Hexen-format or UDMF map, or nodes in a format the viewer does not read
};

struct Level {
    // The map's lumps, record by record as the file holds them.
    std::vector<MapVertex> vertexes;
    std::vector<MapLinedef> linedefs;
    std::vector<MapThing> things;
    std::vector<MapSidedef> sidedefs;
    std::vector<MapSector> sectors;
    // The BSP tree, from the classic SEGS, SSECTORS and NODES or from extended nodes.
    std::vector<SegVertex> segVertexes;
    std::vector<BspSeg> segs;
    std::vector<BspSubsector> subsectors;
    std::vector<BspNode> nodes;
    uint32_t rootReference = kSubsectorChild;  // where the walk starts: the last node, or subsector 0

    float scale = 0;
    float offsetX = 0;
    float offsetY = 0;
    int32_t maxDepth = 0;
    int32_t maxDraw = 0;
    uint8_t drawFarSides = 0;

    LevelStatus status = LevelStatus::kUnreadable;
};

struct MapTableEntry {
    char name[80];
    float offsetX;
    float offsetY;
    float scale;
};

constexpr int32_t kMapCount = 9;
extern const MapTableEntry kMapTable[kMapCount];

// Where a load reads the level file: the file at path, opened anew for every
// load, of which only the header, the directory and the map's lumps are read;
// or, when image is set, a file's bytes already in memory.
struct LevelFile {
    const char* path = kDefaultWadPath;
    const WadImage* image = nullptr;
};

// How a load finds the map's marker: as the built-in table does (the first entry
// whose name occurs within the map's name), or as the map entry of exactly that name.
enum class MarkerSearch { kTableName, kExactName };

// Reads the map's records afresh (an empty array for a lump not found); the
// settings keep their values. Failures are reported on standard output.
void LoadLevel(Level& level, const LevelFile& file, const char* mapName, MarkerSearch search);

// Map mapIndex of the built-in table from the file at wadPath.
void LoadLevel(Level& level, int32_t mapIndex, const char* wadPath = kDefaultWadPath);

// The file's directory, read as a load reads it (kUnreadable when the file cannot be opened).
WadDirectory ReadLevelFileDirectory(const LevelFile& file);

// Empties the arrays; the settings keep their values.
void FreeLevel(Level& level);
