#include "wad/extended_nodes.h"

#include <zlib.h>

#include <algorithm>
#include <cstring>

#include "wad/little_endian.h"

namespace {

// Reads the data front to back; a count is taken only once the bytes of all
// its records are known to be there, so a lying count allocates nothing.
struct Reader {
    const uint8_t* data;
    size_t size;
    size_t at = 0;

    bool Holds(uint64_t count, uint64_t recordSize) const { return count <= (size - at) / recordSize; }
    uint32_t UInt32() { return at += 4, ReadUInt32(data + at - 4); }
    uint16_t UInt16() { return at += 2, ReadUInt16(data + at - 2); }
    int16_t Int16() { return int16_t(UInt16()); }
    uint8_t UInt8() { return data[at++]; }
    double Fixed() { return at += 4, ReadFixed(data + at - 4); }
    NodeBox Box() { return at += 8, ReadNodeBox(data + at - 8); }
};

constexpr size_t kNewVertexSize = 8;

Problem Unsupported(const char* what) { return {ProblemKind::kUnsupported, what}; }

// GL segs name their start alone: each ends where the next seg of its
// subsector starts, and the last where the first starts, closing the ring.
// A subsector that reaches past the segs closes on the ones there are.
void CloseSegRings(Level& level) {
    const int64_t segCount = int64_t(level.segs.size());
    for (const MapSubsector& subsector : level.subsectors) {
        int64_t first = subsector.firstSeg, end = std::min(first + subsector.segCount, segCount);
        for (int64_t k = first; k < end; ++k)
            level.segs[size_t(k)].endVertex = level.segs[size_t(k + 1 < end ? k + 1 : first)].startVertex;
    }
}

}  // namespace

Status ReadExtendedNodes(TreeFormat format, const uint8_t* data, size_t size, Level& level) {
    const bool gl = format != TreeFormat::kXnod, wideLinedefs = format == TreeFormat::kXgl2 || format == TreeFormat::kXgl3;
    const bool fixedPartition = format == TreeFormat::kXgl3;
    const size_t segSize = wideLinedefs ? 13 : 11, nodeSize = fixedPartition ? 40 : 32;
    const Problem cutShort = Unsupported(gl ? "GL nodes cut short" : "extended nodes cut short");
    Reader reader{data, size};
    if (!reader.Holds(2, 4)) return cutShort;
    uint32_t originalVertexes = reader.UInt32();
    uint32_t newVertexes = reader.UInt32();
    if (originalVertexes > level.vertexes.size())
        return Unsupported(gl ? "GL nodes that name more vertexes than VERTEXES holds"
                              : "extended nodes that name more vertexes than VERTEXES holds");
    if (!reader.Holds(newVertexes, kNewVertexSize)) return cutShort;
    level.segVertexes.reserve(originalVertexes + newVertexes);
    level.segVertexes.assign(level.vertexes.begin(), level.vertexes.begin() + originalVertexes);
    for (uint32_t i = 0; i < newVertexes; ++i) {
        double x = reader.Fixed();
        level.segVertexes.push_back({x, reader.Fixed()});
    }

    if (!reader.Holds(1, 4)) return cutShort;
    uint32_t subsectorCount = reader.UInt32();
    if (!reader.Holds(subsectorCount, 4)) return cutShort;
    level.subsectors.reserve(subsectorCount);
    int64_t firstSeg = 0;  // each subsector's segs follow the ones before it
    for (uint32_t i = 0; i < subsectorCount; ++i) {
        int64_t segCount = reader.UInt32();
        level.subsectors.push_back({firstSeg, segCount});
        firstSeg += segCount;
    }

    if (!reader.Holds(1, 4)) return cutShort;
    uint32_t segCount = reader.UInt32();
    if (!reader.Holds(segCount, segSize)) return cutShort;
    level.segs.reserve(segCount);
    for (uint32_t i = 0; i < segCount; ++i) {
        uint32_t start = reader.UInt32(), endOrPartner = reader.UInt32();  // a GL seg's partner is not drawn
        uint32_t linedef = wideLinedefs ? reader.UInt32() : reader.UInt16();
        if (gl && !wideLinedefs && linedef == 0xFFFF) linedef = kNoLinedef;
        level.segs.push_back({start, gl ? start : endOrPartner, linedef, uint8_t(reader.UInt8() != 0)});
    }
    if (gl) CloseSegRings(level);

    if (!reader.Holds(1, 4)) return cutShort;
    uint32_t nodeCount = reader.UInt32();
    if (!reader.Holds(nodeCount, nodeSize)) return cutShort;
    level.nodes.reserve(nodeCount);
    for (uint32_t i = 0; i < nodeCount; ++i) {
        MapNode node;
        if (fixedPartition) {
            node.x = reader.Fixed(), node.y = reader.Fixed(), node.dx = reader.Fixed(), node.dy = reader.Fixed();
        } else {
            node.x = reader.Int16(), node.y = reader.Int16(), node.dx = reader.Int16(), node.dy = reader.Int16();
        }
        node.rightBox = reader.Box(), node.leftBox = reader.Box();
        node.rightChild = reader.UInt32(), node.leftChild = reader.UInt32();
        level.nodes.push_back(node);
    }
    // A map of one subsector has no node: the walk starts at subsector 0.
    level.rootReference = nodeCount > 0 ? nodeCount - 1 : kSubsectorChild;
    return Succeeded();
}

Result<std::vector<uint8_t>> InflateNodes(const uint8_t* data, size_t size) {
    z_stream stream{};
    if (inflateInit(&stream) != Z_OK) return Unsupported("compressed nodes that zlib cannot start on");
    std::vector<uint8_t> inflated;
    stream.next_in = const_cast<uint8_t*>(data);
    stream.avail_in = uInt(std::min<size_t>(size, UINT32_MAX));
    inflated.resize(std::min<size_t>(std::max<size_t>(size * 4, 4096), kMaxInflatedNodeBytes));
    const char* problem = nullptr;
    for (;;) {
        stream.next_out = inflated.data() + stream.total_out;
        stream.avail_out = uInt(inflated.size() - stream.total_out);
        int result = inflate(&stream, Z_NO_FLUSH);
        if (result == Z_STREAM_END) break;
        if (result != Z_OK && result != Z_BUF_ERROR) {
            problem = "compressed nodes whose stream is broken";
            break;
        }
        if (stream.avail_out > 0) {  // no more input, and the stream has not ended
            problem = "compressed nodes cut short";
            break;
        }
        if (inflated.size() == kMaxInflatedNodeBytes) {
            problem = "compressed nodes that inflate past 64 MiB";
            break;
        }
        inflated.resize(std::min(inflated.size() * 2, kMaxInflatedNodeBytes));
    }
    inflated.resize(stream.total_out);
    inflateEnd(&stream);
    if (problem) return Unsupported(problem);
    return inflated;
}
