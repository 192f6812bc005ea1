#include "wad/bsp_tree.h"

#include <cstring>

#include "wad/extended_nodes.h"
#include "wad/little_endian.h"

namespace {

// Node lumps the viewer recognises but does not read, by their signature.
struct NodeSignature {
    const char* bytes;
    size_t length;
    const char* format;
};
constexpr NodeSignature kUnreadNodeFormats[] = {
    {"xNd4\0\0\0\0", 8, "DeePBSP nodes (xNd4)"},
    {"XGLN", 4, "GL nodes (XGLN)"},   {"ZGLN", 4, "compressed GL nodes (ZGLN)"},
    {"XGL2", 4, "GL nodes (XGL2)"},   {"ZGL2", 4, "compressed GL nodes (ZGL2)"},
    {"XGL3", 4, "GL nodes (XGL3)"},   {"ZGL3", 4, "compressed GL nodes (ZGL3)"},
};

bool StartsWith(std::span<const uint8_t> lump, const char* bytes, size_t length) {
    return lump.size() >= length && std::memcmp(lump.data(), bytes, length) == 0;
}

// The extended forms by their signature: a compressed form is its plain one's data as a zlib stream.
struct ExtendedSignature {
    const char* bytes;
    TreeFormat format, layout;
};
constexpr ExtendedSignature kExtendedSignatures[] = {
    {"XNOD", TreeFormat::kXnod, TreeFormat::kXnod}, {"ZNOD", TreeFormat::kZnod, TreeFormat::kXnod},
    {"XGLN", TreeFormat::kXgln, TreeFormat::kXgln}, {"ZGLN", TreeFormat::kZgln, TreeFormat::kXgln},
    {"XGL2", TreeFormat::kXgl2, TreeFormat::kXgl2}, {"ZGL2", TreeFormat::kZgl2, TreeFormat::kXgl2},
    {"XGL3", TreeFormat::kXgl3, TreeFormat::kXgl3}, {"ZGL3", TreeFormat::kZgl3, TreeFormat::kXgl3},
};

const ExtendedSignature* FindExtendedSignature(std::span<const uint8_t> lump) {
    for (const ExtendedSignature& signature : kExtendedSignatures)
        if (StartsWith(lump, signature.bytes, 4)) return &signature;
    return nullptr;
}

// A classic child: bit 15 marks a subsector, and 0xFFFF names subsector 0.
uint32_t WidenChild(uint16_t child) {
    if (!(child & 0x8000)) return child;
    return kSubsectorChild | (child == 0xFFFF ? 0u : uint32_t(child & 0x7FFF));
}

// Classic indices are signed: a negative one becomes a huge index that names nothing.
uint32_t WidenIndex(int16_t index) { return uint32_t(int32_t(index)); }

NodeBox ReadBox(const uint8_t* bytes) {
    return {ReadInt16(bytes), ReadInt16(bytes + 2), ReadInt16(bytes + 4), ReadInt16(bytes + 6)};
}

constexpr size_t kSegSize = 12, kSubsectorSize = 4, kNodeSize = 28;

void BuildClassicTree(Level& level, std::span<const uint8_t> segs, std::span<const uint8_t> subsectors,
                      std::span<const uint8_t> nodes) {
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
                               double(ReadInt16(node + 6)), ReadBox(node + 8), ReadBox(node + 16),
                               WidenChild(ReadUInt16(node + 24)), WidenChild(ReadUInt16(node + 26))});
    }
    // The last node, its index taken to 16 bits as a child: a level with no nodes starts at subsector 0.
    level.rootReference = WidenChild(uint16_t(numNodes - 1));
}

}  // namespace

Status ReadExtendedNodeLump(std::span<const uint8_t> lump, Level& level) {
    const ExtendedSignature* signature = FindExtendedSignature(lump);
    if (!signature) return Problem{ProblemKind::kUnsupported, "nodes of no extended signature"};
    std::span<const uint8_t> data = lump.subspan(4);
    Result<std::vector<uint8_t>> inflated = std::vector<uint8_t>{};
    if (signature->format != signature->layout) {
        if (!(inflated = InflateNodes(data.data(), data.size()))) return inflated.problem();
        data = *inflated;
    }
    Status read = ReadExtendedNodes(signature->layout, data.data(), data.size(), level);
    level.tree = signature->format;
    return read;
}

Status BuildBspTree(Level& level, std::span<const uint8_t> segs, std::span<const uint8_t> subsectors,
                    std::span<const uint8_t> nodes) {
    for (const NodeSignature& signature : kUnreadNodeFormats)
        if (StartsWith(nodes, signature.bytes, signature.length)) return Problem{ProblemKind::kUnsupported, signature.format};
    if (FindExtendedSignature(nodes)) return ReadExtendedNodeLump(nodes, level);
    level.tree = TreeFormat::kClassic;
    BuildClassicTree(level, segs, subsectors, nodes);
    return Succeeded();
}
