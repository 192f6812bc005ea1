#include "wad/level.h"

#include <cstdio>
#include <cstring>
#include <string>
#include <utility>

#include "wad/bsp_tree.h"
#include "wad/wad_directory.h"

const MapTableEntry kMapTable[kMapCount] = {
    {"E1M1", 1180, 4880, 2.5f}, {"E1M2", 4700, 1460, 1.5f}, {"E1M3", 4720, 3740, 2.0f},
    {"E1M4", 2680, 640, 2.5f},  {"E1M5", 3780, 920, 2.0f},  {"E1M6", 4780, 2420, 1.5f},
    {"E1M7", 4140, 2840, 2.0f}, {"E1M8", 6360, 520, 1.0f},  {"E1M9", 3220, 1600, 2.0f},
};

namespace {

// The eight lookups of a load, in the order they are made.
enum LumpKind { kVertexes, kLinedefs, kThings, kSidedefs, kSectors, kSegs, kSubsectors, kNodes, kLumpKinds };
constexpr const char* kLumpNames[kLumpKinds] = {"VERTEXES", "LINEDEFS", "THINGS", "SIDEDEFS",
                                                "SECTORS",  "SEGS",     "SSECTORS", "NODES"};

// The lumps a Doom-format or Hexen-format map may have after its marker.
constexpr const char* kMapLumpNames[] = {"THINGS", "LINEDEFS", "SIDEDEFS", "VERTEXES", "SEGS",    "SSECTORS",
                                         "NODES",  "SECTORS",  "REJECT",   "BLOCKMAP", "BEHAVIOR", "SCRIPTS"};

bool IsMapLumpName(const char* name) {
    for (const char* known : kMapLumpNames)
        if (std::strcmp(name, known) == 0) return true;
    return false;
}

// The format of a map whose records are not Doom records, or null for a Doom-format map.
const char* OtherMapFormat(const WadDirectory& directory, int32_t marker) {
    int32_t count = LumpCount(directory);
    if (marker + 1 < count && std::strcmp(LumpAt(directory, marker + 1).name, "TEXTMAP") == 0) return "UDMF";
    for (int32_t i = marker + 1; i < count && IsMapLumpName(LumpAt(directory, i).name); ++i)
        if (std::strcmp(LumpAt(directory, i).name, "BEHAVIOR") == 0) return "Hexen-format";
    return nullptr;
}

// Whole records only: trailing bytes that do not fill a record are not read.
template <typename Record>
bool ReadRecords(const WadSource& source, const LumpEntry& lump, std::vector<Record>& records) {
    records.resize(lump.size / sizeof(Record));
    if (ReadWadBytes(source, lump.filePos, records.size() * sizeof(Record), reinterpret_cast<uint8_t*>(records.data())))
        return true;
    records.clear();
    return false;
}

// What each lookup found, the NODES lump and the two classic tree lumps kept as bytes.
struct MapLumps {
    Level& level;
    std::vector<uint8_t> segs, subsectors, nodes;
};

bool ReadLump(const WadSource& source, const LumpEntry& lump, LumpKind kind, MapLumps& lumps) {
    Level& level = lumps.level;
    switch (kind) {
        case kVertexes: return ReadRecords(source, lump, level.vertexes);
        case kLinedefs: return ReadRecords(source, lump, level.linedefs);
        case kThings: return ReadRecords(source, lump, level.things);
        case kSidedefs: return ReadRecords(source, lump, level.sidedefs);
        case kSectors: return ReadRecords(source, lump, level.sectors);
        case kSegs: return ReadRecords(source, lump, lumps.segs);
        case kSubsectors: return ReadRecords(source, lump, lumps.subsectors);
        case kNodes: return ReadRecords(source, lump, lumps.nodes);
        default: return false;
    }
}

// Every lookup of a load reports a file it cannot use, as each reads the file anew.
void ReportForEachLookup(const std::string& line) {
    for (int32_t k = 0; k < kLumpKinds; ++k) std::fputs(line.c_str(), stdout);
}

// The file cannot be read at all.
void StopUnreadable(Level& level, const char* path) {
    ReportForEachLookup("Unable to open " + std::string(path) + "\n");
    level.status = LevelStatus::kUnreadable;
}

void LoadFromSource(Level& level, const WadSource& source, const char* path, const char* mapName,
                    MarkerSearch search) {
    WadDirectory directory = ReadWadDirectory(source);
    switch (directory.status) {
        case DirectoryStatus::kUnreadable: return StopUnreadable(level, path);
        case DirectoryStatus::kInvalid:
            ReportForEachLookup("Invalid WAD file\n");
            level.status = LevelStatus::kInvalid;
            return;
        case DirectoryStatus::kNoLumps: level.status = LevelStatus::kNoSuchMap; return;
        case DirectoryStatus::kRead: break;
    }
    int32_t marker = search == MarkerSearch::kTableName ? FindMapMarker(directory, mapName)
                                                          : FindMapEntry(directory, mapName);
    if (marker < 0) {
        level.status = LevelStatus::kNoSuchMap;
        return;
    }
    if (const char* format = OtherMapFormat(directory, marker)) {
        std::printf("%s: %s map, which this viewer does not read\n", LumpAt(directory, marker).name, format);
        level.status = LevelStatus::kNotDoomFormat;
        return;
    }
    MapLumps lumps{level, {}, {}, {}};
    bool anyFound = false;
    for (int32_t kind = 0; kind < kLumpKinds; ++kind) {
        int32_t index = FindLump(directory, marker, kLumpNames[kind]);
        if (index < 0) continue;
        LumpEntry lump = LumpAt(directory, index);
        if (!LumpInsideFile(directory, lump))
            std::printf("Invalid WAD file\n");
        else if (!ReadLump(source, lump, LumpKind(kind), lumps))
            std::printf("Unable to open %s\n", path);  // the file shrank while it was read
        else
            anyFound = true;
    }
    const char* problem = BuildBspTree(level, lumps.segs, lumps.subsectors, lumps.nodes);
    if (problem) {
        std::printf("%s: %s, which this viewer does not read\n", LumpAt(directory, marker).name, problem);
        FreeLevel(level);
        level.status = LevelStatus::kNotDoomFormat;
        return;
    }
    level.status = anyFound ? LevelStatus::kLoaded : LevelStatus::kNoSuchMap;
}

// The file's bytes in memory, or the file opened for reading; false when it cannot be opened.
bool OpenLevelFile(const LevelFile& file, WadSource& source) {
    if (!file.image) return OpenWadFile(file.path, source);
    source = WadSourceOf(*file.image);
    return true;
}

}  // namespace

void LoadLevel(Level& level, const LevelFile& file, const char* mapName, MarkerSearch search) {
    FreeLevel(level);
    WadSource source;
    if (!OpenLevelFile(file, source)) return StopUnreadable(level, file.path);
    LoadFromSource(level, source, file.path, mapName, search);
    CloseWadSource(source);
}

void LoadLevel(Level& level, int32_t mapIndex, const char* wadPath) {
    if (mapIndex < 0 || mapIndex >= kMapCount) mapIndex = 0;
    LoadLevel(level, LevelFile{wadPath, nullptr}, kMapTable[mapIndex].name, MarkerSearch::kTableName);
}

WadDirectory ReadLevelFileDirectory(const LevelFile& file) {
    WadSource source;
    if (!OpenLevelFile(file, source)) return {};
    WadDirectory directory = ReadWadDirectory(source);
    CloseWadSource(source);
    return directory;
}

void FreeLevel(Level& level) {
    Level empty;
    empty.scale = level.scale, empty.offsetX = level.offsetX, empty.offsetY = level.offsetY;
    empty.maxDepth = level.maxDepth, empty.maxDraw = level.maxDraw;
    empty.drawFarSides = level.drawFarSides;
    level = std::move(empty);
}
