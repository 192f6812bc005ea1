#include "render/bsp_walk.h"

#include <algorithm>
#include <cstdio>

#include "render/map_to_screen.h"
#include "render/wall_segment.h"

namespace {

constexpr uint16_t kSubsectorBit = 0x8000;

// A pending visit: which child to walk and at what depth.
struct PendingVisit {
    uint16_t reference;
    int32_t depth;
};

// Each node is entered at most once, so at most one pending visit per node
// plus the one we started from can wait at a time.
constexpr int32_t kMaxPending = 32768 + 1;

// One bit per index: true the first time an index is marked in this frame.
bool MarkOnce(uint8_t* bits, int32_t index) {
    uint8_t bit = uint8_t(1u << (index % 8));
    if (bits[index / 8] & bit) return false;
    bits[index / 8] |= bit;
    return true;
}

template <typename Record>
bool InRange(int32_t index, const Record*, int32_t count) { return index >= 0 && index < count; }

}  // namespace

bool PlayerInBox(const NodeBox& box, int32_t mx, int32_t my) {
    int32_t px = int16_t(uint16_t(mx)), py = int16_t(uint16_t(my));
    int32_t left = box.left, right = box.right, top = box.top, bottom = box.bottom;
    return px + 1 >= std::min(left, right) && px <= std::max(left, right) &&
           py + 1 >= std::min(top, bottom) && py <= std::max(top, bottom);
}

void WalkBspNode(BspWalk& walk, uint16_t reference, int32_t depth) {
    const Level& level = walk.level;
    // Far children wait here while the near side is walked, which keeps the
    // visit order of the recursive walk without its stack depth.
    PendingVisit pending[kMaxPending];
    int32_t pendingCount = 0;
    pending[pendingCount++] = {reference, depth};
    while (pendingCount > 0) {
        PendingVisit visit = pending[--pendingCount];
        if (visit.reference & kSubsectorBit) {
            DrawSubsector(walk, visit.reference == 0xFFFF ? 0 : int16_t(visit.reference & 0x7FFF));
            continue;
        }
        if (visit.reference >= level.numNodes || !MarkOnce(walk.nodeEntered, visit.reference)) continue;
        const MapNode& node = level.nodes[visit.reference];
        float cross = (float(walk.my) - float(node.y)) * float(node.dx) -
                      (float(walk.mx) - float(node.x)) * float(node.dy);
        bool leftSide = cross > 0;
        int32_t childDepth = visit.depth + 1;
        if (childDepth >= level.maxDepth) continue;
        uint16_t nearChild = leftSide ? node.leftChild : node.rightChild;
        uint16_t farChild = leftSide ? node.rightChild : node.leftChild;
        const NodeBox& farBox = leftSide ? node.rightBox : node.leftBox;
        if (PlayerInBox(farBox, walk.mx, walk.my) || level.drawFarSides == 1)
            pending[pendingCount++] = {farChild, childDepth};
        pending[pendingCount++] = {nearChild, childDepth};
    }
}

void DrawSubsector(BspWalk& walk, int16_t index) {
    const Level& level = walk.level;
    if (index < 0 || index >= level.numSubsectors) {
        std::printf("Fail\r\n");
        return;
    }
    if (walk.subsectorsDrawn >= level.maxDraw) return;
    ++walk.subsectorsDrawn;
    // Walls are black and nothing reads them back, so drawing a subsector or a
    // seg again in this frame would change nothing, while shared ones multiply the work.
    if (!MarkOnce(walk.subsectorDrawn, index)) return;
    const MapSubsector& subsector = level.subsectors[index];
    int32_t firstSeg = subsector.firstSeg;
    // Indices that point outside their arrays do not occur in sound map data; skip the seg.
    int32_t firstInRange = std::max(firstSeg, 0);
    int32_t endInRange = std::min(firstSeg + subsector.segCount, level.numSegs);
    for (int32_t segIndex = firstInRange; segIndex < endInRange; ++segIndex) {
        if (!MarkOnce(walk.segDrawn, segIndex)) continue;
        const MapSeg& seg = level.segs[segIndex];
        if (!InRange(seg.startVertex, level.vertexes, level.numVertexes) ||
            !InRange(seg.endVertex, level.vertexes, level.numVertexes) ||
            !InRange(seg.linedef, level.linedefs, level.numLinedefs))
            continue;
        const MapLinedef& linedef = level.linedefs[seg.linedef];
        int32_t sidedef = seg.direction != 0 ? linedef.backSidedef : linedef.frontSidedef;
        if (!InRange(sidedef, level.sidedefs, level.numSidedefs)) continue;
        int32_t sector = level.sidedefs[sidedef].sector;
        if (!InRange(sector, level.sectors, level.numSectors)) continue;

        const MapVertex& start = level.vertexes[seg.startVertex];
        const MapVertex& end = level.vertexes[seg.endVertex];
        DrawWallSegment(walk.framebuffer, walk.viewer,
                        MapToScreen(float(start.x), level.offsetX, level.scale),
                        MapToScreen(float(start.y), level.offsetY, level.scale),
                        MapToScreen(float(end.x), level.offsetX, level.scale),
                        MapToScreen(float(end.y), level.offsetY, level.scale),
                        float(level.sectors[sector].ceilingHeight),
                        float(level.sectors[sector].floorHeight), walk.columns);
    }
}
