#include "render/overlay.h"

#include <algorithm>
#include <cmath>
#include <cstdio>

#include "draw/line.h"
#include "draw/status_line.h"
#include "render/bsp_walk.h"
#include "render/coloured_runs.h"
#include "render/map_to_screen.h"
#include "render/wall_segment.h"
#include "wad/truncate.h"

namespace {

constexpr uint32_t kLastAccepted = 0xFFC800, kFarSkipped = 0xFF8C00, kDepthCut = 0x963CC8, kViewDirection = 0x0000FF;
constexpr uint32_t kPartition = 0x00AA00, kRightBox = 0xDC0000, kLeftBox = 0x0000DC;
constexpr uint32_t kRightSegs = 0xF09696, kLeftSegs = 0x9696F0, kSelectedSubsector = 0xFFC800;
constexpr int32_t kPartitionDash = 6;  // pixels: a faulty node's partition

template <typename Records>
bool InRange(int64_t index, const Records& records) {
    return index >= 0 && uint64_t(index) < records.size();
}

bool IsSubsector(uint32_t reference) { return reference & kSubsectorChild; }
uint32_t IndexOf(uint32_t reference) { return reference & ~kSubsectorChild; }

// Whether a reference names a node or a subsector of the level.
bool Names(const Level& level, uint32_t reference) {
    return IsSubsector(reference) ? IndexOf(reference) < level.subsectors.size() : reference < level.nodes.size();
}

// The segs of a subsector that lie inside the segs.
std::pair<size_t, size_t> SegRange(const Level& level, uint32_t subsector) {
    const MapSubsector& s = level.subsectors[subsector];
    int64_t first = std::max<int64_t>(s.firstSeg, 0);
    int64_t end = std::min<int64_t>(s.firstSeg + s.segCount, int64_t(level.segs.size()));
    return {size_t(first), size_t(std::max(first, end))};
}

int32_t ScreenX(const View& view, double x) { return TruncToInt32(MapToScreen(float(x), view.offsetX, view.scale)); }
int32_t ScreenY(const View& view, double y) { return TruncToInt32(MapToScreen(float(y), view.offsetY, view.scale)); }

void MapLine(const Canvas& canvas, const View& view, double x0, double y0, double x1, double y1, uint32_t colour) {
    DrawLine(canvas.pixels, canvas.width, canvas.height, ScreenX(view, x0), ScreenY(view, y0), ScreenX(view, x1),
             ScreenY(view, y1), colour);
}

// A seg on the overhead map, minisegs included: they outline their subsector.
void MapSegLine(const Canvas& canvas, const View& view, const Level& level, const MapSeg& seg, uint32_t colour) {
    if (!InRange(seg.startVertex, level.segVertexes) || !InRange(seg.endVertex, level.segVertexes)) return;
    const MapVertex &a = level.segVertexes[seg.startVertex], &b = level.segVertexes[seg.endVertex];
    MapLine(canvas, view, a.x, a.y, b.x, b.y, colour);
}

void MapSubsectorLines(const Canvas& canvas, const View& view, const Level& level, uint32_t subsector, uint32_t colour) {
    auto [first, end] = SegRange(level, subsector);
    for (size_t k = first; k < end; ++k) MapSegLine(canvas, view, level, level.segs[k], colour);
}

struct Bounds {
    double left, right, bottom, top;  // map units: x from left to right, y from bottom to top
};
Bounds BoundsOf(const NodeBox& box) {
    return {double(std::min(box.left, box.right)), double(std::max(box.left, box.right)),
            double(std::min(box.top, box.bottom)), double(std::max(box.top, box.bottom))};
}

void MapBox(const Canvas& canvas, const View& view, const NodeBox& box, uint32_t colour) {
    Bounds b = BoundsOf(box);
    DrawRect(canvas, ScreenX(view, b.left), ScreenY(view, b.bottom), ScreenX(view, b.right), ScreenY(view, b.top), colour);
}

void SecondStatusLine(const Canvas& canvas, const FontImage& font, const std::string& text) {
    StatusLine line{};
    std::snprintf(line.text, sizeof line.text, "%s", text.c_str());
    if (canvas.height > 16) DrawStatusText(canvas, font, line, 16);
}

// The walls of the accepted subsectors again, each in its colour: first every
// vertical line (outline sides, filled columns), then every sloped edge, each in
// walk order, so that a later subsector's line covers an earlier one's. A seg
// drawn again later covers its own earlier pixels, so each is drawn at its last
// turn alone: from the last subsector back, the lines go beneath those after them.
void WalkWalls(const Canvas& canvas, const Level& level, const View& view, ViewDirection direction,
               const std::vector<uint32_t>& shown, int32_t accepted, bool plainWalls) {
    ColouredRuns runs(canvas);
    bool painter = runs.exact && !plainWalls;
    struct Edge {
        WallStroke line;
        uint32_t colour;
    };
    std::vector<Edge> edges, verticals;  // plain drawing: in reverse walk order
    std::vector<uint8_t> segDone(level.segs.size());
    std::vector<WallStroke> strokes;  // one seg's lines at a time
    for (size_t k = shown.size(); k-- > 0;) {
        uint32_t colour = WalkColour(int32_t(k) + 1, accepted);
        auto [first, end] = SegRange(level, shown[k]);
        for (size_t s = end; s-- > first;) {
            if (segDone[s]) continue;
            segDone[s] = 1;
            strokes.clear();
            DrawSegWall(canvas, level, view, direction, level.segs[s], nullptr, &strokes);
            for (size_t l = strokes.size(); l-- > 0;) {
                const WallStroke& line = strokes[l];
                if (!line.vertical) edges.push_back({line, colour});
                else if (painter) AddLineBeneath(runs, canvas, line.x0, line.y0, line.y1, colour);
                else verticals.push_back({line, colour});
            }
        }
    }
    PaintColouredRuns(canvas, runs);
    for (const std::vector<Edge>* lines : {&verticals, &edges})
        for (size_t k = lines->size(); k-- > 0;) {
            const Edge& e = (*lines)[k];
            DrawLine(canvas.pixels, canvas.width, canvas.height, e.line.x0, e.line.y0, e.line.x1, e.line.y1, e.colour);
        }
}

void DrawWalkOverlay(const Canvas& canvas, const Level& level, const View& view, const WalkTrace& trace,
                     const FontImage& font, bool plainWalls) {
    std::vector<uint32_t> accepted = AcceptedSubsectors(trace);
    size_t shownCount = view.walkShown < 0 ? accepted.size() : std::min(accepted.size(), size_t(view.walkShown));
    std::vector<uint32_t> shown(accepted.begin(), accepted.begin() + ptrdiff_t(shownCount));
    int32_t n = int32_t(accepted.size());
    ViewDirection direction = DirectionOf(view.angle);
    WalkWalls(canvas, level, view, direction, shown, n, plainWalls);
    // The same subsectors on the overhead map, a seg drawn again by a later one in its colour; the last one shown in its own.
    for (size_t k = 0; k < shown.size(); ++k)
        MapSubsectorLines(canvas, view, level, shown[k], k + 1 == shown.size() ? kLastAccepted : WalkColour(int32_t(k) + 1, n));
    // The boxes of the nodes the walk reached before the last subsector shown.
    size_t acceptedSoFar = 0;
    for (const WalkStep& step : trace.steps) {
        if (!step.isNode) {
            if (step.order > 0 && ++acceptedSoFar >= shownCount && shownCount < accepted.size()) break;
            continue;
        }
        const MapNode& node = level.nodes[step.index];
        if (step.children == NodeChildren::kNear) MapBox(canvas, view, step.side ? node.rightBox : node.leftBox, kFarSkipped);
        if (step.children == NodeChildren::kNone)
            MapBox(canvas, view, node.rightBox, kDepthCut), MapBox(canvas, view, node.leftBox, kDepthCut);
    }
    DrawLine(canvas.pixels, canvas.width, canvas.height, TruncToInt32(view.playerX), TruncToInt32(view.playerY),
             TruncToInt32(view.playerX + 24.0f * direction.c), TruncToInt32(view.playerY + 24.0f * direction.s), kViewDirection);
    SecondStatusLine(canvas, font, WalkStatus(trace));
}

// The subsectors under a reference, each node entered once.
std::vector<uint32_t> SubsectorsUnder(const Level& level, uint32_t reference, std::vector<uint8_t>& entered) {
    std::vector<uint32_t> found, pending{reference};
    while (!pending.empty()) {
        uint32_t next = pending.back();
        pending.pop_back();
        if (!Names(level, next)) continue;
        if (IsSubsector(next)) {
            found.push_back(IndexOf(next));
        } else if (!entered[next]) {
            entered[next] = 1;
            pending.push_back(level.nodes[next].leftChild), pending.push_back(level.nodes[next].rightChild);
        }
    }
    return found;
}

// The partition line across the union of the node's two child boxes, dashed for a node with faults.
void Partition(const Canvas& canvas, const View& view, const MapNode& node, bool dashed) {
    Bounds r = BoundsOf(node.rightBox), l = BoundsOf(node.leftBox);
    Bounds u{std::min(r.left, l.left), std::max(r.right, l.right), std::min(r.bottom, l.bottom), std::max(r.top, l.top)};
    double from = -INFINITY, to = INFINITY;  // the stretch of x + t dx, y + t dy inside the box
    for (auto [origin, delta, low, high] : {std::tuple{node.x, node.dx, u.left, u.right}, {node.y, node.dy, u.bottom, u.top}}) {
        if (delta == 0) {
            if (origin < low || origin > high) return;
            continue;
        }
        double a = (low - origin) / delta, b = (high - origin) / delta;
        from = std::max(from, std::min(a, b)), to = std::min(to, std::max(a, b));
    }
    if (!(from <= to) || std::isinf(from)) return;  // misses the box, or a partition of no length
    double x0 = node.x + from * node.dx, y0 = node.y + from * node.dy, x1 = node.x + to * node.dx, y1 = node.y + to * node.dy;
    if (dashed)
        DrawDashedLine(canvas, ScreenX(view, x0), ScreenY(view, y0), ScreenX(view, x1), ScreenY(view, y1), kPartitionDash, kPartition);
    else
        MapLine(canvas, view, x0, y0, x1, y1, kPartition);
}

// The fault in a few words: "side fault (child 0, seg 2237, 7.603 units across)".
std::string FaultWords(const TreeFault& fault) {
    char distance[32];
    std::snprintf(distance, sizeof distance, "%.3f", fault.distance);
    std::string child = "child " + std::to_string(fault.child), seg = "seg " + std::to_string(fault.seg);
    std::string what;
    switch (fault.kind) {
        case FaultKind::kChildRange: what = child + " names nothing"; break;
        case FaultKind::kCycle: what = child + " reaches node " + std::to_string(fault.reference) + " again"; break;
        case FaultKind::kBox: what = child + ", " + seg + ", " + distance + " units outside the box"; break;
        case FaultKind::kSide: what = child + ", " + seg + ", " + distance + " units across"; break;
        case FaultKind::kPartition: what = "no length"; break;
        default: what = "the walk never reaches it"; break;  // unreached: the only other kind that names a node
    }
    return std::string(kFaultKindNames[size_t(fault.kind)]) + " fault (" + what + ")";
}

bool HasFaults(const TreeCheck* check, int64_t node) { return check && FaultsOfNode(*check, node); }

void DrawTreeOverlay(const Canvas& canvas, const Level& level, const View& view, const FontImage& font, const TreeCheck* check) {
    TreeSelected selected = ResolveTreeSelection(level, view.treeSelection);
    if (!Names(level, selected.reference)) return SecondStatusLine(canvas, font, "No tree");
    if (!IsSubsector(selected.reference)) {
        const MapNode& node = level.nodes[selected.reference];
        std::vector<uint8_t> entered(level.nodes.size());
        entered[selected.reference] = 1;
        for (auto [child, colour] : {std::pair{node.rightChild, kRightSegs}, {node.leftChild, kLeftSegs}})
            for (uint32_t subsector : SubsectorsUnder(level, child, entered)) MapSubsectorLines(canvas, view, level, subsector, colour);
        MapBox(canvas, view, node.rightBox, kRightBox), MapBox(canvas, view, node.leftBox, kLeftBox);
        Partition(canvas, view, node, HasFaults(check, selected.reference));
    } else {
        if (selected.parent >= 0) Partition(canvas, view, level.nodes[size_t(selected.parent)], HasFaults(check, selected.parent));
        MapSubsectorLines(canvas, view, level, IndexOf(selected.reference), kSelectedSubsector);
    }
    SecondStatusLine(canvas, font, TreeStatus(level, selected, check));
}

}  // namespace

uint32_t WalkColour(int32_t k, int32_t n) {
    double t = n > 1 ? double(k - 1) / double(n - 1) : 0.0;
    auto channel = [t](int32_t near, int32_t far) { return uint32_t(TruncToInt32(std::round(near + (far - near) * t))); };
    return channel(230, 40) << 16 | channel(40, 90) << 8 | channel(40, 230);
}

std::string WalkStatus(const WalkTrace& trace) {
    int64_t drawn = 0, skipped = 0, cut = 0;
    for (const WalkStep& step : trace.steps) {
        drawn += !step.isNode && step.order > 0;
        skipped += step.isNode && step.children == NodeChildren::kNear;
        cut += step.isNode && step.children == NodeChildren::kNone;
    }
    return "Walk: " + std::to_string(drawn) + " drawn, " + std::to_string(skipped) + " far sides skipped, " +
           std::to_string(cut) + " nodes cut by depth";
}

TreeSelected ResolveTreeSelection(const Level& level, const std::vector<uint32_t>& path) {
    TreeSelected selected{level.rootReference};
    for (uint32_t step : path) {
        if (IsSubsector(selected.reference) || !Names(level, selected.reference) || !Names(level, step)) break;
        const MapNode& node = level.nodes[selected.reference];
        if (step != node.rightChild && step != node.leftChild) break;
        selected = {step, int64_t(selected.reference), selected.depth + 1};
    }
    if (!Names(level, selected.reference)) selected = {level.rootReference};
    return selected;
}

std::string TreeStatus(const Level& level, const TreeSelected& selected, const TreeCheck* check) {
    if (!Names(level, selected.reference)) return "No tree";
    if (IsSubsector(selected.reference)) {
        uint32_t index = IndexOf(selected.reference);
        auto [first, end] = SegRange(level, index);
        std::string sector = "no sector";
        for (size_t k = first; k < end && sector == "no sector"; ++k) {
            const MapSeg& seg = level.segs[k];
            if (!InRange(seg.linedef, level.linedefs)) continue;
            int32_t side = seg.backSide ? level.linedefs[seg.linedef].backSidedef : level.linedefs[seg.linedef].frontSidedef;
            if (InRange(side, level.sidedefs)) sector = "sector " + std::to_string(level.sidedefs[size_t(side)].sector);
        }
        return "Subsector " + std::to_string(index) + ": " + std::to_string(end - first) + " segs, " + sector;
    }
    const MapNode& node = level.nodes[selected.reference];
    auto describe = [&](uint32_t child) -> std::string {
        if (!Names(level, child)) return std::string(IsSubsector(child) ? "subsector " : "node ") + std::to_string(IndexOf(child)) + " (none such)";
        if (IsSubsector(child)) return "subsector " + std::to_string(IndexOf(child));
        std::vector<uint8_t> entered(level.nodes.size());
        entered[selected.reference] = 1;
        return "node " + std::to_string(child) + " (" + std::to_string(SubsectorsUnder(level, child, entered).size()) + " subsectors)";
    };
    std::string faults;
    if (const NodeFaults* found = check ? FaultsOfNode(*check, selected.reference) : nullptr)
        faults = FaultWords(found->first) + (found->count > 1 ? " and " + std::to_string(found->count - 1) + " more" : "") + "; ";
    return "Node " + std::to_string(selected.reference) + " depth " + std::to_string(selected.depth) + ": " + faults + "right " +
           describe(node.rightChild) + ", left " + describe(node.leftChild);
}

std::vector<uint32_t> TreePathTo(const Level& level, int32_t mapX, int32_t mapY) {
    std::vector<uint32_t> path;
    std::vector<uint8_t> entered(level.nodes.size());
    uint32_t reference = level.rootReference;
    while (!IsSubsector(reference) && reference < level.nodes.size() && !entered[reference]) {
        entered[reference] = 1;
        const MapNode& node = level.nodes[reference];
        reference = OnLeftSide(node, mapX, mapY) ? node.leftChild : node.rightChild;
        path.push_back(reference);
    }
    return path;
}

void DrawOverlay(const Canvas& canvas, const Level& level, const View& view, const WalkTrace& trace,
                 const FontImage& font, const TreeCheck* check, bool plainWalls) {
    if (canvas.width <= 0 || canvas.height <= 0) return;
    if (view.overlay == Overlay::kWalk) DrawWalkOverlay(canvas, level, view, trace, font, plainWalls);
    if (view.overlay == Overlay::kTree) DrawTreeOverlay(canvas, level, view, font, check);
}
