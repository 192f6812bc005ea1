// GL node data through the readers, over a square room's records, and a small frame of each tree read.
// Input: a form byte, then the data. Its low 7 bits % 7, below 6, puts the signature XGLN, XGL2, XGL3, ZGLN, ZGL2 or
// ZGL3 before the data; 6 splits it into the GL_ lumps, after three 16-bit little-endian lengths of
// GL_VERT, GL_SEGS and GL_SSECT (each cut to what is left), GL_NODES taking the rest. Bit 7 draws solid walls.
#include <algorithm>
#include <span>
#include <vector>

#include "render/render_frame.h"
#include "wad/bsp_tree.h"
#include "wad/gl_nodes.h"

namespace {

constexpr char kSignatures[6][5] = {"XGLN", "XGL2", "XGL3", "ZGLN", "ZGL2", "ZGL3"};

// Four walls around a player start, for the segs to name.
Level Room() {
    Level level;
    level.vertexes = {{0, 0}, {64, 0}, {64, 64}, {0, 64}};
    level.linedefs = {{0, 1, 0, -1}, {1, 2, 0, -1}, {2, 3, 0, -1}, {3, 0, 0, -1}};
    level.things = {{32, 32, 0, 1}}, level.sidedefs = {{0}}, level.sectors = {{0, 64}};
    return level;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    if (size < 1) return 0;
    const uint8_t form = (data[0] & 0x7F) % 7;
    std::span<const uint8_t> rest(data + 1, size - 1);
    Level level = Room();
    Status read = Succeeded();
    if (form < 6) {
        std::vector<uint8_t> lump(kSignatures[form], kSignatures[form] + 4);
        lump.insert(lump.end(), rest.begin(), rest.end());
        read = ReadSignedNodes(lump, level).value_or(Succeeded());
    } else {
        if (rest.size() < 6) return 0;
        std::span<const uint8_t> lumps[4], body = rest.subspan(6);
        for (size_t k = 0; k < 3; ++k) {
            size_t length = std::min<size_t>(size_t(rest[2 * k] | rest[2 * k + 1] << 8), body.size());
            lumps[k] = body.first(length), body = body.subspan(length);
        }
        lumps[3] = body;
        read = ReadGlLumps(lumps[0], lumps[1], lumps[2], lumps[3], level);
    }
    if (!read) return 0;  // a level whose tree is not read is not drawn

    static const FontImage font;  // the status line is not under test here
    std::vector<uint32_t> pixels(64 * 48);  // exactly: a write past the frame meets ASan
    View view{.scale = 10, .maxDepth = INT32_MAX, .maxDraw = INT32_MAX, .drawFarSides = 1, .playerX = 30, .playerY = 30,
              .solidWalls = uint8_t(data[0] >> 7)};
    TakePlayerStart(level, view);
    RenderFrame(Canvas{64, 48, pixels.data()}, level, view, font, StatusLine{});
    return 0;
}
