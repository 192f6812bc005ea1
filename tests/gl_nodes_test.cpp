// GL nodes: the extended forms (XGLN, XGL2, XGL3, and ZGLN, ZGL2, ZGL3) and the GL_ lumps of versions 2 and 5.
#include <gtest/gtest.h>
#include <zlib.h>

#include <array>
#include <sstream>

#include "test_support.h"
#include "wad/bsp_tree.h"
#include "wad/gl_nodes.h"

namespace {

std::string Describe(const Level& l) {
    std::ostringstream out;
    out << int(l.tree) << " root " << l.rootReference;
    for (const MapVertex& v : l.segVertexes) out << " v" << v.x << ',' << v.y;
    for (const MapSeg& s : l.segs) out << " s" << s.startVertex << ',' << s.endVertex << ',' << s.linedef << ',' << +s.backSide;
    for (const MapSubsector& s : l.subsectors) out << " u" << s.firstSeg << ',' << s.segCount;
    for (const MapNode& n : l.nodes)
        out << " n" << n.x << ',' << n.y << ',' << n.dx << ',' << n.dy << ',' << n.rightBox.top << ',' << n.leftBox.right << ',' << n.rightChild << ',' << n.leftChild;
    return out.str();
}

// One extended lump with its signature, or the four GL_ lumps, read over `vertexes`: the tree, or the problem's line.
std::string ReadTree(const std::vector<Bytes>& lumps, const std::vector<MapVertex>& vertexes) {
    Level level;
    level.vertexes = vertexes;
    Status read = lumps.size() == 1 ? ReadSignedNodes(lumps[0], level).value_or(Succeeded()) : ReadGlLumps(lumps[0], lumps[1], lumps[2], lumps[3], level);
    return read ? Describe(level) : read.problem().line;
}

Bytes Compressed(const Bytes& data) {
    uLongf length = compressBound(uLong(data.size()));
    Bytes stream(length);
    return compress(stream.data(), &length, data.data(), uLong(data.size())), stream.resize(length), stream;
}

}  // namespace

// Every form reads as the classic tree of a room whose last two vertexes are the tree's own and whose last seg is a
// miniseg; data cut short, lying counts and other versions are one line; indices that name nothing are kept.
TEST(GlNodes, EveryFormReadsAsTheClassicTreeAndBrokenDataIsOneLine) {
    TestMap room = Room();
    room.segs[3].linedef = -1, room.subsectors[1].firstSeg = 4;  // the empty subsector where extended nodes place it
    std::vector<TestLump> classic = BuildMapLumps(room);
    Level reference;
    reference.vertexes = {{0, 0}, {64, 0}, {64, 64}, {0, 64}};
    BuildBspTree(reference, TreeLumps{classic[5].data, classic[6].data, classic[7].data, {}});
    auto as = [&](TreeFormat format, auto change) { Level level = reference; level.tree = format, change(level); return Describe(level); };
    auto replaced = [](std::vector<Bytes> lumps, size_t k, Bytes lump) { return lumps[k] = std::move(lump), lumps; };
    using enum TreeFormat;
    const std::string cutShort = "GL nodes cut short";
    const Bytes xgl2 = GlNodeLumps(room, kXgl2, 2)[0], XGL2 = {'X', 'G', 'L', '2'};
    const std::vector<Bytes> v2 = GlNodeLumps(room, kGlV2, 2), v5 = GlNodeLumps(room, kGlV5, 2);
    std::vector<std::tuple<std::string, std::vector<Bytes>, std::string>> cases = {
        {"more vertexes than VERTEXES", {XGL2 + Poked(xgl2, 0, 3)}, "GL nodes that name more vertexes than VERTEXES holds"},
        {"4 billion new vertexes", {XGL2 + Poked(xgl2, 4, UINT32_MAX)}, cutShort},
        {"4 billion subsectors", {XGL2 + Poked(xgl2, 24, UINT32_MAX)}, cutShort},
        {"4 billion segs", {XGL2 + Poked(xgl2, 36, UINT32_MAX)}, cutShort},
        {"4 billion nodes", {XGL2 + Poked(xgl2, 92, UINT32_MAX)}, cutShort},
        {"a stream of data cut short", {Bytes{'Z', 'G', 'L', '2'} + Compressed(Bytes(xgl2.begin(), xgl2.end() - 1))}, cutShort},
        {"XGL2 seg past the vertexes, closing the ring there", {XGL2 + Poked(xgl2, 40, UINT32_MAX)},
         as(kXgl2, [](Level& l) { l.segs[0].startVertex = l.segs[3].endVertex = UINT32_MAX; })},
        {"v2 seg past the GL vertexes", replaced(v2, 1, Poked(v2[1], 0, UINT32_MAX)),
         as(kGlV2, [](Level& l) { l.segs[0].startVertex = l.segs[0].endVertex = 2 + 0x7FFF; })},
        {"v5 seg past the GL vertexes, a ring that does not close", replaced(v5, 1, Poked(v5[1], 4, UINT32_MAX)),
         as(kGlV5, [](Level& l) { l.segs[0].endVertex = 2 + 0x7FFFFFFFu; })},
        {"v5 subsector of 4 billion segs from seg 65536", replaced(v5, 2, Poked(Poked(v5[2], 0, UINT32_MAX), 4, 65536)),
         as(kGlV5, [](Level& l) { l.subsectors[0] = {65536, UINT32_MAX}; })},
        {"zdbsp's 20-byte segs", replaced(v5, 1, Bytes(v5[1].size() / 16 * 20, 0)), "GL_SEGS of 20-byte records, not version 5's 16"},
        {"version 1", replaced(v2, 0, Bytes(v2[0].begin() + 4, v2[0].end())), "GL nodes version 1 (no signature)"},
        {"version 3", replaced(v2, 1, Bytes{'g', 'N', 'd', '3'} + v2[1]), "GL nodes version 3 (gNd3)"},
        {"version 4", replaced(v2, 0, Poked(v2[0], 0, 0x34644E67)), "GL nodes version 4 (gNd4)"},
    };
    for (auto [format, signature] : {std::pair{kXgln, "XGLN"}, {kXgl2, "XGL2"}, {kXgl3, "XGL3"}}) {
        const Bytes data = GlNodeLumps(room, format, 2)[0], plain(signature, signature + 4), zipped = Bytes{'Z'} + Bytes(plain.begin() + 1, plain.end());
        cases.push_back({signature, {plain + data}, as(format, [](Level&) {})});
        cases.push_back({"compressed " + std::string(signature), {zipped + Compressed(data)}, as(TreeFormat(int(format) + 3), [](Level&) {})});
        for (size_t length = 0; length < data.size(); length += 3)
            cases.push_back({std::string(signature) + " cut to " + std::to_string(length), {plain + Bytes(data.begin(), data.begin() + ptrdiff_t(length))}, cutShort});
    }
    for (auto [format, lumps, sizes] : {std::tuple{kGlV2, v2, std::array{8, 10, 4, 28}}, {kGlV5, v5, std::array{8, 16, 8, 32}}}) {
        cases.push_back({"GL_ lumps " + std::to_string(sizes[1]), lumps, as(format, [](Level&) {})});
        for (size_t k = 0; k < 4; ++k)
            cases.push_back({"a lump cut short " + std::to_string(sizes[1]), replaced(lumps, k, Bytes(lumps[k].begin(), lumps[k].end() - 1)),
                             std::array{"GL_VERT", "GL_SEGS", "GL_SSECT", "GL_NODES"}[k] + (" not whole " + std::to_string(sizes[k])) + "-byte records"});
    }
    for (const auto& [name, lumps, expected] : cases) EXPECT_EQ(ReadTree(lumps, {{0, 0}, {64, 0}}), expected) << name;
}
