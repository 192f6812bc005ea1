// A loaded map: its records and its BSP tree, read from the level file.
#pragma once
#include <cstdint>
#include <string>
#include <vector>

#include "wad/map_records.h"
#include "wad/messages.h"
#include "wad/result.h"
#include "wad/wad_directory.h"

// How the file holds the map's records, and the BSP tree the walk reads.
enum class MapFormat { kDoom, kHexen, kUdmf };
enum class TreeFormat { kNone, kClassic, kXnod, kZnod, kXgln, kXgl2, kXgl3, kZgln, kZgl2, kZgl3, kGlV2, kGlV5 };

struct Level {
    MapFormat format = MapFormat::kDoom;
    TreeFormat tree = TreeFormat::kNone;
    std::vector<MapVertex> vertexes;
    std::vector<MapLinedef> linedefs;
    std::vector<MapThing> things;
    std::vector<MapSidedef> sidedefs;
    std::vector<MapSector> sectors;
    // The BSP tree, from the classic SEGS, SSECTORS and NODES or from extended nodes.
    std::vector<MapVertex> segVertexes;
    std::vector<MapSeg> segs;
    std::vector<MapSubsector> subsectors;
    std::vector<MapNode> nodes;
    uint32_t rootReference = kSubsectorChild;  // where the walk starts: the last node, or subsector 0
};

// How a load finds the map's marker: as the built-in table does (the first entry
// whose name occurs within the map's name), or as the map entry of exactly that name.
enum class MarkerSearch { kEntryNameWithin, kExactName };

// Reads the map's records afresh; a lump not found is an empty array. Every
// lookup's report goes to `report`, as each lookup of the table's load reads the
// file anew: "Unable to open PATH" or "Invalid WAD file" eight times for a file
// that cannot be used. A problem, and no level, when the file cannot be read,
// is not a WAD file, has no such map, or holds the map in a format not read.
Result<Level> LoadLevel(const LevelFile& file, const std::string& mapName, MarkerSearch search,
                        const MessageSink& report);
