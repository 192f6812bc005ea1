#include "render/bsp_walk.h"

#include <algorithm>

#include "render/map_to_screen.h"
#include "render/wall_segment.h"

namespace {

// A pending visit: which child to walk and at what depth.
struct PendingVisit {
    uint32_t reference;
    int32_t depth;
};

// True the first time an index is marked in this frame.
bool MarkOnce(std::vector<uint8_t>& marks, size_t index) {
    if (marks[index]) return false;
    marks[index] = 1;
    return true;
}

template <typename Records>
bool InRange(int64_t index, const Records& records) {
    return index >= 0 && uint64_t(index) < records.size();
}

}  // namespace

std::vector<uint32_t> AcceptedSubsectors(const WalkTrace& trace) {
    std::vector<uint32_t> accepted;
    for (const WalkStep& step : trace.steps)
        if (!step.isNode && step.order > 0) accepted.push_back(step.index);
    return accepted;
}

BspWalk::BspWalk(const Level& level, const View& view, const Canvas& canvas)
    : level(level), view(view), canvas(canvas), direction(DirectionOf(view.angle)), nodeEntered(level.nodes.size()),
      subsectorDrawn(level.subsectors.size()), segDrawn(level.segs.size()) {}

bool PlayerInBox(const NodeBox& box, int32_t viewMapX, int32_t viewMapY) {
    int32_t px = int16_t(uint16_t(viewMapX)), py = int16_t(uint16_t(viewMapY));
    int32_t left = box.left, right = box.right, top = box.top, bottom = box.bottom;
    return px + 1 >= std::min(left, right) && px <= std::max(left, right) &&
           py + 1 >= std::min(top, bottom) && py <= std::max(top, bottom);
}

void WalkBspNode(BspWalk& walk, uint32_t reference, int32_t depth) {
    const Level& level = walk.level;
    // Far children wait here while the near side is walked, which keeps the
    // visit order of the recursive walk without its stack depth. Each node is
    // entered once, so at most one visit per node and the first can wait.
    std::vector<PendingVisit> pending;
    pending.reserve(level.nodes.size() + 1);
    pending.push_back({reference, depth});
    while (!pending.empty()) {
        PendingVisit visit = pending.back();
        pending.pop_back();
        if (visit.reference & kSubsectorChild) {
            DrawSubsector(walk, visit.reference & ~kSubsectorChild);
            continue;
        }
        if (visit.reference >= level.nodes.size() || !MarkOnce(walk.nodeEntered, visit.reference)) continue;
        const MapNode& node = level.nodes[visit.reference];
        bool leftSide = OnLeftSide(node, walk.viewMapX, walk.viewMapY);
        int32_t childDepth = visit.depth + 1;
        WalkStep step{true, visit.reference, visit.depth, uint8_t(leftSide), NodeChildren::kNone};
        if (childDepth < walk.view.maxDepth) {
            uint32_t nearChild = leftSide ? node.leftChild : node.rightChild;
            uint32_t farChild = leftSide ? node.rightChild : node.leftChild;
            const NodeBox& farBox = leftSide ? node.rightBox : node.leftBox;
            step.children = NodeChildren::kNear;
            if (PlayerInBox(farBox, walk.viewMapX, walk.viewMapY) || walk.view.drawFarSides == 1) {
                pending.push_back({farChild, childDepth});
                step.children = NodeChildren::kBoth;
            }
            pending.push_back({nearChild, childDepth});
        }
        if (walk.trace) walk.trace->steps.push_back(step);
    }
}

void DrawSubsector(BspWalk& walk, uint32_t index) {
    const Level& level = walk.level;
    const View& view = walk.view;
    WalkStep step{false, index, 0, 0, NodeChildren::kBoth, -1};
    if (index < level.subsectors.size()) step.order = walk.subsectorsDrawn < view.maxDraw ? walk.subsectorsDrawn + 1 : 0;
    if (walk.trace) walk.trace->steps.push_back(step);
    if (step.order < 0) {
        ++walk.failures;
        return;
    }
    if (step.order == 0) return;
    ++walk.subsectorsDrawn;
    if (!walk.drawWalls) return;
    // Walls are black and nothing reads them back, so drawing a subsector or a
    // seg again in this frame would change nothing, while shared ones multiply the work.
    if (!MarkOnce(walk.subsectorDrawn, index)) return;
    const MapSubsector& subsector = level.subsectors[index];
    // Indices that point outside their arrays do not occur in sound map data; skip the seg.
    int64_t firstInRange = std::max<int64_t>(subsector.firstSeg, 0);
    int64_t endInRange = std::min<int64_t>(subsector.firstSeg + subsector.segCount, int64_t(level.segs.size()));
    for (int64_t segIndex = firstInRange; segIndex < endInRange; ++segIndex)
        if (MarkOnce(walk.segDrawn, size_t(segIndex)))
            DrawSegWall(walk.canvas, level, view, walk.direction, level.segs[size_t(segIndex)], walk.columns);
}

void DrawSegWall(const Canvas& canvas, const Level& level, const View& view, ViewDirection direction, const MapSeg& seg,
                 WallColumns* columns, std::vector<WallStroke>* strokes) {
    if (!InRange(seg.startVertex, level.segVertexes) || !InRange(seg.endVertex, level.segVertexes) ||
        !InRange(seg.linedef, level.linedefs))
        return;
    const MapLinedef& linedef = level.linedefs[seg.linedef];
    int32_t sidedef = seg.backSide ? linedef.backSidedef : linedef.frontSidedef;
    if (!InRange(sidedef, level.sidedefs)) return;
    int32_t sector = level.sidedefs[size_t(sidedef)].sector;
    if (!InRange(sector, level.sectors)) return;
    const MapVertex& start = level.segVertexes[seg.startVertex];
    const MapVertex& end = level.segVertexes[seg.endVertex];
    const MapSector& heights = level.sectors[size_t(sector)];
    DrawWallSegment(canvas, view, direction, MapToScreen(float(start.x), view.offsetX, view.scale),
                    MapToScreen(float(start.y), view.offsetY, view.scale), MapToScreen(float(end.x), view.offsetX, view.scale),
                    MapToScreen(float(end.y), view.offsetY, view.scale), float(heights.ceilingHeight),
                    float(heights.floorHeight), columns, strokes);
}
