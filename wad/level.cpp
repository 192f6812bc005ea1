#include "wad/level.h"

#include <cstring>
#include <span>

#include "wad/bsp_tree.h"
#include "wad/little_endian.h"

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

// Doom-format records: each field a little-endian 16-bit value at its offset.
template <typename Record, size_t kSize, typename Decode>
void DecodeRecords(std::span<const uint8_t> lump, std::vector<Record>& records, Decode decode) {
    size_t count = lump.size() / kSize;  // trailing bytes that do not fill a record are not read
    records.reserve(count);
    for (size_t i = 0; i < count; ++i) records.push_back(decode(lump.data() + i * kSize));
}

void DecodeMapRecords(const std::span<const uint8_t> (&lumps)[kLumpKinds], Level& level) {
    DecodeRecords<MapVertex, 4>(lumps[kVertexes], level.vertexes,
                                [](const uint8_t* r) { return MapVertex{double(ReadInt16(r)), double(ReadInt16(r + 2))}; });
    DecodeRecords<MapLinedef, 14>(lumps[kLinedefs], level.linedefs, [](const uint8_t* r) {
        return MapLinedef{ReadInt16(r), ReadInt16(r + 2), ReadInt16(r + 10), ReadInt16(r + 12)};
    });
    DecodeRecords<MapThing, 10>(lumps[kThings], level.things, [](const uint8_t* r) {
        return MapThing{double(ReadInt16(r)), double(ReadInt16(r + 2)), ReadInt16(r + 4), ReadInt16(r + 6)};
    });
    DecodeRecords<MapSidedef, 30>(lumps[kSidedefs], level.sidedefs,
                                  [](const uint8_t* r) { return MapSidedef{ReadInt16(r + 28)}; });
    DecodeRecords<MapSector, 26>(lumps[kSectors], level.sectors,
                                 [](const uint8_t* r) { return MapSector{ReadInt16(r), ReadInt16(r + 2)}; });
}

// Every lookup of a load reports a file it cannot use, as each reads the file anew.
void ReportForEachLookup(const MessageSink& report, const std::string& line) {
    for (int32_t k = 0; k < kLumpKinds; ++k) report(Stream::kOutput, line);
}

Problem ReportUnusable(const Problem& problem, const std::string& path, const MessageSink& report) {
    ReportForEachLookup(report, problem.kind == ProblemKind::kInvalid ? "Invalid WAD file\n" : "Unable to open " + path + "\n");
    return problem;
}

}  // namespace

Result<Level> LoadLevel(const LevelFile& file, const std::string& mapName, MarkerSearch search,
                        const MessageSink& report) {
    Result<WadSource> source = OpenLevelFile(file);
    if (!source) return ReportUnusable(source.problem(), file.path, report);
    Result<WadDirectory> directory = ReadWadDirectory(*source);
    if (!directory) return ReportUnusable(directory.problem(), file.path, report);
    const Problem noSuchMap{ProblemKind::kNoSuchMap, file.path + " has no map " + mapName};
    std::optional<int32_t> marker = search == MarkerSearch::kEntryNameWithin
                                        ? FindEntryNamedWithin(*directory, 0, mapName.c_str())
                                        : FindMapEntry(*directory, mapName);
    if (!marker) return noSuchMap;
    const std::string markerName = LumpAt(*directory, *marker).name;
    const Problem unsupported{ProblemKind::kUnsupported, mapName + " of " + file.path + " is not in a format Wadscope reads"};
    if (const char* format = OtherMapFormat(*directory, *marker)) {
        report(Stream::kOutput, markerName + ": " + format + " map, which this viewer does not read\n");
        return unsupported;
    }
    // Each lump's bytes: in the image when the file is in memory, else read into storage.
    std::span<const uint8_t> lumps[kLumpKinds];
    std::vector<uint8_t> storage[kLumpKinds];
    bool anyFound = false;
    for (int32_t kind = 0; kind < kLumpKinds; ++kind) {
        std::optional<int32_t> index = FindEntryNamedWithin(*directory, *marker, kLumpNames[kind]);
        if (!index) continue;
        LumpEntry lump = LumpAt(*directory, *index);
        if (!LumpInsideFile(*directory, lump)) {
            report(Stream::kOutput, "Invalid WAD file\n");
            continue;
        }
        if (source->image) {
            lumps[kind] = std::span(source->image->bytes).subspan(lump.filePos, lump.size);
        } else {
            storage[kind].resize(lump.size);
            if (!ReadWadBytes(*source, lump.filePos, lump.size, storage[kind].data())) {
                report(Stream::kOutput, "Unable to open " + file.path + "\n");  // the file shrank while it was read
                continue;
            }
            lumps[kind] = storage[kind];
        }
        anyFound = true;
    }
    Level level;
    DecodeMapRecords(lumps, level);
    if (Status tree = BuildBspTree(level, lumps[kSegs], lumps[kSubsectors], lumps[kNodes]); !tree) {
        report(Stream::kOutput, markerName + ": " + tree.problem().line + ", which this viewer does not read\n");
        return unsupported;
    }
    if (!anyFound) return noSuchMap;
    return level;
}
