#include "wad/bsp_tree.h"

#include <cstring>

#include "wad/extended_nodes.h"
#include "wad/gl_nodes.h"
#include "wad/little_endian.h"

namespace {

// The signatures of extended trees: the layout of the data after them, and
// whether it comes as one zlib stream.
struct NodeSignature {
    const char* bytes;
    TreeFormat format;  // as the file has it
    TreeFormat layout;  // of the data, once inflated
};
constexpr NodeSignature kSignatures[] = {
    {"XNOD", TreeFormat::kXnod, TreeFormat::kXnod}, {"ZNOD", TreeFormat::kZnod, TreeFormat::kXnod},
    {"XGLN", TreeFormat::kXgln, TreeFormat::kXgln}, {"ZGLN", TreeFormat::kZgln, TreeFormat::kXgln},
    {"XGL2", TreeFormat::kXgl2, TreeFormat::kXgl2}, {"ZGL2", TreeFormat::kZgl2, TreeFormat::kXgl2},
    {"XGL3", TreeFormat::kXgl3, TreeFormat::kXgl3}, {"ZGL3", TreeFormat::kZgl3, TreeFormat::kXgl3},
};

bool StartsWith(std::span<const uint8_t> lump, const char* bytes, size_t length) {
    return lump.size() >= length && std::memcmp(lump.data(), bytes, length) == 0;
}

// A classic child: bit 15 marks a subsector, and 0xFFFF names subsector 0.
uint32_t WidenChild(uint16_t child) {
    if (!(child & 0x8000)) return child;
    return kSubsectorChild | (child == 0xFFFF ? 0u : uint32_t(child & 0x7FFF));
}

// Classic indices are signed: a negative one becomes a huge index that names nothing.
uint32_t WidenIndex(int16_t index) { return uint32_t(int32_t(index)); }

constexpr size_t kSegSize = 12, kSubsectorSize = 4, kNodeSize = 28;

void BuildClassicTree(Level& level, std::span<const uint8_t> segs, std::span<const uint8_t> subsectors,
                      std::span<const uint8_t> nodes) {
    level.tree = TreeFormat::kClassic;
    level.segVertexes = level.vertexes;
    level.segs.reserve(segs.size() / kSegSize);
    level.subsectors.reserve(subsectors.size() / kSubsectorSize);
    level.nodes.reserve(nodes.size() / kNodeSize);
    for (size_t at = 0; at + kSegSize <= segs.size(); at += kSegSize) {
        const uint8_t* seg = segs.data() + at;
        level.segs.push_back({WidenIndex(ReadInt16(seg)), WidenIndex(ReadInt16(seg + 2)), WidenIndex(ReadInt16(seg + 6)),
                              uint8_t(ReadUInt16(seg + 8) != 0)});
    }
    for (size_t at = 0; at + kSubsectorSize <= subsectors.size(); at += kSubsectorSize)
        level.subsectors.push_back({ReadInt16(subsectors.data() + at + 2), ReadInt16(subsectors.data() + at)});
    size_t numNodes = nodes.size() / kNodeSize;
    for (size_t i = 0; i < numNodes; ++i) {
        const uint8_t* node = nodes.data() + i * kNodeSize;
        level.nodes.push_back({double(ReadInt16(node)), double(ReadInt16(node + 2)), double(ReadInt16(node + 4)),
                               double(ReadInt16(node + 6)), ReadNodeBox(node + 8), ReadNodeBox(node + 16),
                               WidenChild(ReadUInt16(node + 24)), WidenChild(ReadUInt16(node + 26))});
    }
    // The last node, its index taken to 16 bits as a child: a level with no nodes starts at subsector 0.
    level.rootReference = WidenChild(uint16_t(numNodes - 1));
}

}  // namespace

std::optional<Status> ReadSignedNodes(std::span<const uint8_t> lump, Level& level) {
    if (StartsWith(lump, "xNd4\0\0\0\0", 8)) return Problem{ProblemKind::kUnsupported, "DeePBSP nodes (xNd4)"};
    for (const NodeSignature& signature : kSignatures) {
        if (!StartsWith(lump, signature.bytes, 4)) continue;
        std::span<const uint8_t> data = lump.subspan(4);
        Result<std::vector<uint8_t>> inflated = std::vector<uint8_t>{};
        if (signature.format != signature.layout) {
            if (!(inflated = InflateNodes(data.data(), data.size()))) return inflated.problem();
            data = *inflated;
        }
        Status read = ReadExtendedNodes(signature.layout, data.data(), data.size(), level);
        level.tree = signature.format;  // the compressed form's name, not its data's
        return read;
    }
    return std::nullopt;
}

Status BuildBspTree(Level& level, const TreeLumps& lumps) {
    if (std::optional<Status> read = ReadSignedNodes(lumps.nodes, level)) return *read;
    if (!lumps.nodes.empty()) {
        BuildClassicTree(level, lumps.segs, lumps.subsectors, lumps.nodes);
        return Succeeded();
    }
    // zdbsp puts GL nodes alone in SSECTORS, leaving NODES empty.
    if (std::optional<Status> read = ReadSignedNodes(lumps.subsectors, level)) return *read;
    bool classic = !lumps.segs.empty() || !lumps.subsectors.empty();
    if (!classic && !lumps.gl.vert.empty())
        return ReadGlLumps(lumps.gl.vert, lumps.gl.segs, lumps.gl.ssect, lumps.gl.nodes, level);
    if (classic || lumps.emptyIsClassic) BuildClassicTree(level, lumps.segs, lumps.subsectors, lumps.nodes);
    return Succeeded();
}
