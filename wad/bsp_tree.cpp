#include "wad/bsp_tree.h"

#include <cstring>

#include "wad/extended_nodes.h"

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

bool StartsWith(const std::vector<uint8_t>& lump, const char* bytes, size_t length) {
    return lump.size() >= length && std::memcmp(lump.data(), bytes, length) == 0;
}

// A classic child: bit 15 marks a subsector, and 0xFFFF names subsector 0.
uint32_t WidenChild(uint16_t child) {
    if (!(child & 0x8000)) return child;
    return kSubsectorChild | (child == 0xFFFF ? 0u : uint32_t(child & 0x7FFF));
}

// Classic indices are signed: a negative one becomes a huge index that names nothing.
uint32_t WidenIndex(int16_t index) { return uint32_t(int32_t(index)); }

template <typename Record>
const Record* Records(const std::vector<uint8_t>& lump) {
    return reinterpret_cast<const Record*>(lump.data());
}

void BuildClassicTree(Level& level, const std::vector<uint8_t>& segs, const std::vector<uint8_t>& subsectors,
                      const std::vector<uint8_t>& nodes) {
    for (const MapVertex& vertex : level.vertexes) level.segVertexes.push_back({float(vertex.x), float(vertex.y)});
    for (size_t i = 0; i < segs.size() / sizeof(MapSeg); ++i) {
        const MapSeg& seg = Records<MapSeg>(segs)[i];
        level.segs.push_back({WidenIndex(seg.startVertex), WidenIndex(seg.endVertex), WidenIndex(seg.linedef),
                              uint8_t(seg.direction != 0)});
    }
    for (size_t i = 0; i < subsectors.size() / sizeof(MapSubsector); ++i) {
        const MapSubsector& subsector = Records<MapSubsector>(subsectors)[i];
        level.subsectors.push_back({subsector.firstSeg, subsector.segCount});
    }
    size_t numNodes = nodes.size() / sizeof(MapNode);
    for (size_t i = 0; i < numNodes; ++i) {
        const MapNode& node = Records<MapNode>(nodes)[i];
        level.nodes.push_back({node.x, node.y, node.dx, node.dy, node.rightBox, node.leftBox,
                               WidenChild(node.rightChild), WidenChild(node.leftChild)});
    }
    // The last node, its index taken to 16 bits as a child: a level with no nodes starts at subsector 0.
    level.rootReference = WidenChild(uint16_t(numNodes - 1));
}

}  // namespace

const char* BuildBspTree(Level& level, const std::vector<uint8_t>& segs, const std::vector<uint8_t>& subsectors,
                         const std::vector<uint8_t>& nodes) {
    for (const NodeSignature& signature : kUnreadNodeFormats)
        if (StartsWith(nodes, signature.bytes, signature.length)) return signature.format;
    if (StartsWith(nodes, "XNOD", 4)) return ReadExtendedNodes(nodes.data() + 4, nodes.size() - 4, level);
    if (StartsWith(nodes, "ZNOD", 4)) {
        std::vector<uint8_t> inflated;
        if (const char* problem = InflateNodes(nodes.data() + 4, nodes.size() - 4, inflated)) return problem;
        return ReadExtendedNodes(inflated.data(), inflated.size(), level);
    }
    BuildClassicTree(level, segs, subsectors, nodes);
    return nullptr;
}
