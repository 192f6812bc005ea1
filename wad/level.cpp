#include "wad/level.h"

#include <cstring>
#include <span>

#include "wad/bsp_tree.h"
#include "wad/little_endian.h"
#include "wad/udmf.h"

namespace {

// The eight lookups of a load, in the order they are made.
enum LumpKind { kVertexes, kLinedefs, kThings, kSidedefs, kSectors, kSegs, kSubsectors, kNodes, kLumpKinds };
constexpr const char* kLumpNames[kLumpKinds] = {"VERTEXES", "LINEDEFS", "THINGS", "SIDEDEFS",
                                                "SECTORS",  "SEGS",     "SSECTORS", "NODES"};

// The lumps a Doom-format or Hexen-format map may have after its marker.
constexpr const char* kMapLumpNames[] = {"THINGS", "LINEDEFS", "SIDEDEFS", "VERTEXES", "SEGS",    "SSECTORS",
                                         "NODES",  "SECTORS",  "REJECT",   "BLOCKMAP", "BEHAVIOR", "SCRIPTS"};

bool IsNamed(const WadDirectory& directory, int32_t index, const char* name) {
    return index >= 0 && index < LumpCount(directory) && std::strcmp(LumpAt(directory, index).name, name) == 0;
}

bool IsMapLumpName(const char* name) {
    for (const char* known : kMapLumpNames)
        if (std::strcmp(name, known) == 0) return true;
    return false;
}

// A binary map is in Hexen format when a BEHAVIOR lump stands among its lumps.
MapFormat BinaryMapFormat(const WadDirectory& directory, int32_t marker) {
    for (int32_t i = marker + 1; i < LumpCount(directory) && IsMapLumpName(LumpAt(directory, i).name); ++i)
        if (IsNamed(directory, i, "BEHAVIOR")) return MapFormat::kHexen;
    return MapFormat::kDoom;
}

// Records of a fixed size, each field a little-endian value at its offset.
template <typename Record, size_t kSize, typename Decode>
void DecodeRecords(std::span<const uint8_t> lump, std::vector<Record>& records, Decode decode) {
    size_t count = lump.size() / kSize;  // trailing bytes that do not fill a record are not read
    records.reserve(count);
    for (size_t i = 0; i < count; ++i) records.push_back(decode(lump.data() + i * kSize));
}

void DecodeMapRecords(const std::span<const uint8_t> (&lumps)[kLumpKinds], Level& level) {
    DecodeRecords<MapVertex, 4>(lumps[kVertexes], level.vertexes,
                                [](const uint8_t* r) { return MapVertex{double(ReadInt16(r)), double(ReadInt16(r + 2))}; });
    DecodeRecords<MapSidedef, 30>(lumps[kSidedefs], level.sidedefs,
                                  [](const uint8_t* r) { return MapSidedef{ReadInt16(r + 28)}; });
    DecodeRecords<MapSector, 26>(lumps[kSectors], level.sectors,
                                 [](const uint8_t* r) { return MapSector{ReadInt16(r), ReadInt16(r + 2)}; });
    if (level.format == MapFormat::kHexen) {  // longer things and linedefs: a thing id and height, specials' arguments
        DecodeRecords<MapLinedef, 16>(lumps[kLinedefs], level.linedefs, [](const uint8_t* r) {
            return MapLinedef{ReadInt16(r), ReadInt16(r + 2), ReadInt16(r + 12), ReadInt16(r + 14)};
        });
        DecodeRecords<MapThing, 20>(lumps[kThings], level.things, [](const uint8_t* r) {
            return MapThing{double(ReadInt16(r + 2)), double(ReadInt16(r + 4)), ReadInt16(r + 8), ReadInt16(r + 10)};
        });
        return;
    }
    DecodeRecords<MapLinedef, 14>(lumps[kLinedefs], level.linedefs, [](const uint8_t* r) {
        return MapLinedef{ReadInt16(r), ReadInt16(r + 2), ReadInt16(r + 10), ReadInt16(r + 12)};
    });
    DecodeRecords<MapThing, 10>(lumps[kThings], level.things, [](const uint8_t* r) {
        return MapThing{double(ReadInt16(r)), double(ReadInt16(r + 2)), ReadInt16(r + 4), ReadInt16(r + 6)};
    });
}

// Every lookup of a load reports a file it cannot use, as each reads the file anew.
void ReportForEachLookup(const MessageSink& report, const std::string& line) {
    for (int32_t k = 0; k < kLumpKinds; ++k) report(Stream::kOutput, line);
}

Problem ReportUnusable(const Problem& problem, const std::string& path, const MessageSink& report) {
    ReportForEachLookup(report, problem.kind == ProblemKind::kInvalid ? "Invalid WAD file\n" : "Unable to open " + path + "\n");
    return problem;
}

// One load's reading of lumps: in the image when the file is in memory, else into storage.
struct LumpReader {
    const WadSource& source;
    const WadDirectory& directory;
    const std::string& path;
    const MessageSink& report;
    std::vector<std::vector<uint8_t>> storage;

    // The lump's bytes; none, reported, when it reaches past the end or cannot be read.
    std::optional<std::span<const uint8_t>> Read(int32_t index) {
        LumpEntry lump = LumpAt(directory, index);
        if (!LumpInsideFile(directory, lump)) {
            report(Stream::kOutput, "Invalid WAD file\n");
            return std::nullopt;
        }
        if (source.image) return std::span(source.image->bytes).subspan(lump.filePos, lump.size);
        std::vector<uint8_t>& bytes = storage.emplace_back(lump.size);
        if (ReadWadBytes(source, lump.filePos, lump.size, bytes.data())) return bytes;
        report(Stream::kOutput, "Unable to open " + path + "\n");  // the file shrank while it was read
        return std::nullopt;
    }
    std::span<const uint8_t> ReadOrEmpty(int32_t index) { return Read(index).value_or(std::span<const uint8_t>()); }
};

// The GL_ lumps of the map: after the first entry named GL_ and the marker's name (any case), by their names.
GlLumps FindGlLumps(const WadDirectory& directory, int32_t marker, LumpReader& reader) {
    std::string glMarker = std::string("GL_") + LumpAt(directory, marker).name;
    GlLumps lumps;
    for (int32_t i = marker + 1; i < LumpCount(directory); ++i) {
        if (!SameNameIgnoringCase(LumpAt(directory, i).name, glMarker)) continue;
        std::span<const uint8_t>* parts[] = {&lumps.vert, &lumps.segs, &lumps.ssect, &lumps.nodes};
        const char* names[] = {"GL_VERT", "GL_SEGS", "GL_SSECT", "GL_NODES"};
        for (int32_t k = 0; k < 4; ++k)
            for (int32_t j = i + 1; j <= i + 5; ++j)
                if (IsNamed(directory, j, names[k])) *parts[k] = reader.ReadOrEmpty(j);
        break;
    }
    return lumps;
}

// A UDMF map: TEXTMAP after the marker, then lumps up to ENDMAP, ZNODES among them holding its tree.
Status LoadTextMap(int32_t marker, LumpReader& reader, Level& level) {
    const WadDirectory& directory = reader.directory;
    std::optional<std::span<const uint8_t>> text = reader.Read(marker + 1);
    if (!text) return Succeeded();  // reported: the map has no records
    if (Status read = ReadTextMap(*text, level); !read) return read;
    for (int32_t i = marker + 2; i < LumpCount(directory) && !IsNamed(directory, i, "ENDMAP"); ++i)
        if (IsNamed(directory, i, "ZNODES")) return ReadSignedNodes(reader.ReadOrEmpty(i), level).value_or(Succeeded());
    return Succeeded();
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
    LumpReader reader{*source, *directory, file.path, report, {}};
    Level level;
    Status read = Succeeded();
    bool anyFound = false;
    if (IsNamed(*directory, *marker + 1, "TEXTMAP")) {
        level.format = MapFormat::kUdmf;
        read = LoadTextMap(*marker, reader, level);
        anyFound = true;
    } else {
        level.format = BinaryMapFormat(*directory, *marker);
        std::span<const uint8_t> lumps[kLumpKinds];
        for (int32_t kind = 0; kind < kLumpKinds; ++kind) {
            std::optional<int32_t> index = FindEntryNamedWithin(*directory, *marker, kLumpNames[kind]);
            if (!index) continue;
            if (std::optional<std::span<const uint8_t>> lump = reader.Read(*index)) lumps[kind] = *lump, anyFound = true;
        }
        DecodeMapRecords(lumps, level);
        TreeLumps tree{lumps[kSegs], lumps[kSubsectors], lumps[kNodes], FindGlLumps(*directory, *marker, reader)};
        // Table mode keeps a Doom-format map with no tree as it always was: its walk asks for subsector 0.
        tree.emptyIsClassic = search == MarkerSearch::kEntryNameWithin && level.format == MapFormat::kDoom;
        read = BuildBspTree(level, tree);
    }
    if (!read) {
        report(Stream::kOutput, markerName + ": " + read.problem().line + ", which this viewer does not read\n");
        return Problem{ProblemKind::kUnsupported, mapName + " of " + file.path + " is not in a format Wadscope reads"};
    }
    if (!anyFound) return noSuchMap;
    if (level.tree == TreeFormat::kNone)
        report(Stream::kOutput, markerName + ": no BSP tree, so no walls; Debian's zdbsp builds one (zdbsp -o OUT.wad " +
                                    file.path + ")\n");
    return level;
}
