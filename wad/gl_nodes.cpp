#include "wad/gl_nodes.h"

#include <algorithm>
#include <cstring>
#include <string>
#include <tuple>

#include "wad/little_endian.h"

namespace {

// The record sizes of one version's lumps, and its top bit: set in a seg's vertex, it names a
// GL vertex; in a node's child, a subsector.
struct GlLayout {
    TreeFormat format;
    size_t segSize, subsectorSize, nodeSize;
    uint32_t topBit;
};
constexpr GlLayout kVersion2{TreeFormat::kGlV2, 10, 4, 28, 0x8000u};
constexpr GlLayout kVersion5{TreeFormat::kGlV5, 16, 8, 32, 0x80000000u};
constexpr size_t kSignatureSize = 4, kVertexSize = 8;

Problem Unsupported(std::string what) { return {ProblemKind::kUnsupported, std::move(what)}; }

bool StartsWith(std::span<const uint8_t> lump, const char* signature) {
    return lump.size() >= kSignatureSize && std::memcmp(lump.data(), signature, kSignatureSize) == 0;
}

// The layout of versions 2 and 5; any other version is a problem that names it. Version 1 has no
// signature, and version 3 marks its GL_SEGS, keeping version 2's GL_VERT.
Result<const GlLayout*> LayoutOf(std::span<const uint8_t> vert, std::span<const uint8_t> segs) {
    if (StartsWith(vert, "gNd5")) return &kVersion5;
    if (StartsWith(vert, "gNd2") && !StartsWith(segs, "gNd3")) return &kVersion2;
    if (StartsWith(vert, "gNd2")) return Unsupported("GL nodes version 3 (gNd3)");
    if (vert.size() < kSignatureSize || std::memcmp(vert.data(), "gNd", 3) != 0) return Unsupported("GL nodes version 1 (no signature)");
    char digit = char(vert[3]);
    if (digit < '0' || digit > '9') return Unsupported("GL nodes of an unknown version");
    return Unsupported(std::string("GL nodes version ") + digit + " (gNd" + digit + ")");
}

// Into segVertexes: a GL vertex follows the level's vertexes; an index too large for 32 bits names nothing.
uint32_t SegVertex(uint32_t index, uint32_t topBit, size_t levelVertexes) {
    if (!(index & topBit)) return index;
    return uint32_t(std::min<uint64_t>(levelVertexes + (index & (topBit - 1)), UINT32_MAX));
}

uint32_t WidenChild(uint32_t child, uint32_t topBit) {
    return child & topBit ? kSubsectorChild | (child & (topBit - 1)) : child;
}

}  // namespace

Status ReadGlLumps(std::span<const uint8_t> vert, std::span<const uint8_t> segs, std::span<const uint8_t> ssect,
                   std::span<const uint8_t> nodes, Level& level) {
    Result<const GlLayout*> found = LayoutOf(vert, segs);
    if (!found) return found.problem();
    const GlLayout& layout = **found;
    const bool v5 = layout.format == TreeFormat::kGlV5;
    level.tree = layout.format;
    vert = vert.subspan(kSignatureSize);
    // A lump of no whole records is cut short, or holds records of another layout than this version's.
    for (auto [lump, name, size] : {std::tuple{vert, "GL_VERT", kVertexSize}, {segs, "GL_SEGS", layout.segSize},
                                    {ssect, "GL_SSECT", layout.subsectorSize}, {nodes, "GL_NODES", layout.nodeSize}})
        if (lump.size() % size != 0)
            return Unsupported(std::string(name) + " not whole " + std::to_string(size) + "-byte records");
    // zdbsp -5 writes 20-byte segs and 40-byte nodes under this signature, whose lumps may be whole 16- and
    // 32-byte records by chance: the segs the subsectors count tell the two apart.
    if (v5) {
        uint64_t counted = 0;
        for (size_t at = 0; at < ssect.size(); at += layout.subsectorSize) counted += ReadUInt32(ssect.data() + at);
        if (segs.size() / 20 == counted && segs.size() % 20 == 0 && counted * 16 != segs.size())
            return Unsupported("GL_SEGS of 20-byte records, not version 5's 16");
    }

    level.segVertexes.reserve(level.vertexes.size() + vert.size() / kVertexSize);
    level.segVertexes.assign(level.vertexes.begin(), level.vertexes.end());
    for (size_t at = 0; at < vert.size(); at += kVertexSize)
        level.segVertexes.push_back({ReadFixed(vert.data() + at), ReadFixed(vert.data() + at + 4)});

    // Segs name both ends: a ring that does not close is kept as it is.
    level.segs.reserve(segs.size() / layout.segSize);
    for (const uint8_t* seg = segs.data(); seg != segs.data() + segs.size(); seg += layout.segSize) {
        uint32_t start = v5 ? ReadUInt32(seg) : ReadUInt16(seg), end = v5 ? ReadUInt32(seg + 4) : ReadUInt16(seg + 2);
        const uint8_t* rest = seg + (v5 ? 8 : 4);  // linedef, side, then the partner, which is not drawn
        uint32_t linedef = ReadUInt16(rest);
        level.segs.push_back({SegVertex(start, layout.topBit, level.vertexes.size()),
                              SegVertex(end, layout.topBit, level.vertexes.size()),
                              linedef == 0xFFFF ? kNoLinedef : linedef, uint8_t(ReadUInt16(rest + 2) != 0)});
    }

    level.subsectors.reserve(ssect.size() / layout.subsectorSize);
    for (const uint8_t* subsector = ssect.data(); subsector != ssect.data() + ssect.size(); subsector += layout.subsectorSize)
        level.subsectors.push_back(v5 ? MapSubsector{ReadUInt32(subsector + 4), ReadUInt32(subsector)}
                                      : MapSubsector{ReadUInt16(subsector + 2), ReadUInt16(subsector)});

    level.nodes.reserve(nodes.size() / layout.nodeSize);
    for (const uint8_t* node = nodes.data(); node != nodes.data() + nodes.size(); node += layout.nodeSize) {
        uint32_t right = v5 ? ReadUInt32(node + 24) : ReadUInt16(node + 24), left = v5 ? ReadUInt32(node + 28) : ReadUInt16(node + 26);
        level.nodes.push_back({double(ReadInt16(node)), double(ReadInt16(node + 2)), double(ReadInt16(node + 4)),
                               double(ReadInt16(node + 6)), ReadNodeBox(node + 8), ReadNodeBox(node + 16),
                               WidenChild(right, layout.topBit), WidenChild(left, layout.topBit)});
    }
    // A map of one subsector has no node: the walk starts at subsector 0.
    level.rootReference = level.nodes.empty() ? kSubsectorChild : uint32_t(level.nodes.size() - 1);
    return Succeeded();
}
