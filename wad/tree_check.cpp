#include "wad/tree_check.h"

#include <algorithm>
#include <cmath>
#include <tuple>

namespace {

template <typename Records>
bool Names(int64_t index, const Records& records) {
    return index >= 0 && uint64_t(index) < records.size();
}

bool SamePoint(const MapVertex& a, const MapVertex& b) { return a.x == b.x && a.y == b.y; }

// Counts every fault and keeps the first kListedFaultsPerKind of each kind, and each node's first.
struct FaultList {
    explicit FaultList(size_t nodeCount) : slotOfNode(nodeCount, -1) {}
    std::array<int64_t, kFaultKindCount> counts{};
    std::array<std::vector<TreeFault>, kFaultKindCount> listed;
    std::vector<int64_t> slotOfNode;  // where in nodeFaults the node's faults are counted
    std::vector<NodeFaults> nodeFaults;
    void Add(const TreeFault& fault) {
        size_t kind = size_t(fault.kind);
        if (counts[kind]++ < kListedFaultsPerKind) listed[kind].push_back(fault);
        if (!Names(fault.node, slotOfNode)) return;
        int64_t& slot = slotOfNode[size_t(fault.node)];
        if (slot < 0) slot = int64_t(nodeFaults.size()), nodeFaults.push_back({fault, 0});
        ++nodeFaults[size_t(slot)].count;
    }
};

// The walk's tree: each node entered once, from the first parent the walk met it under.
struct Walk {
    struct Arrival {
        uint32_t subsector;
        int32_t node;  // the parent; -1 for a root that names a subsector
        uint8_t child;
        int32_t depth;
    };
    std::vector<int32_t> depth;        // per node: nodes from the root to it, itself included; 0 when not entered
    std::vector<int32_t> parent;       // the node it was entered from; -1 for the root
    std::vector<uint8_t> parentChild;  // which child of that node it is
    std::vector<Arrival> arrivals;     // every reference to a subsector that exists, in walk order
};

// Depth first, right child first, as the viewer's walk with every far side
// taken. A reference past the end is not followed (the node pass reports it).
Walk WalkTree(const Level& level, FaultList& faults) {
    struct Visit {
        uint32_t reference;
        int32_t from;
        uint8_t child;
        int32_t depth;  // of the node it is a child of
    };
    size_t nodeCount = level.nodes.size();
    Walk walk{std::vector<int32_t>(nodeCount, 0), std::vector<int32_t>(nodeCount, -1), std::vector<uint8_t>(nodeCount, 0), {}};
    std::vector<Visit> pending{{level.rootReference, -1, 0, 0}};
    while (!pending.empty()) {
        Visit visit = pending.back();
        pending.pop_back();
        if (visit.reference & kSubsectorChild) {
            uint32_t index = visit.reference & ~kSubsectorChild;
            if (index < level.subsectors.size()) walk.arrivals.push_back({index, visit.from, visit.child, visit.depth});
            continue;
        }
        if (visit.reference >= nodeCount) continue;
        if (walk.depth[visit.reference] > 0) {
            faults.Add({.kind = FaultKind::kCycle, .node = visit.from, .child = visit.from < 0 ? kNotNamed : visit.child,
                        .reference = visit.reference});
            continue;
        }
        int32_t depth = visit.depth + 1;
        walk.depth[visit.reference] = depth, walk.parent[visit.reference] = visit.from, walk.parentChild[visit.reference] = visit.child;
        const MapNode& node = level.nodes[visit.reference];
        int32_t from = int32_t(visit.reference);
        pending.push_back({node.leftChild, from, 1, depth});
        pending.push_back({node.rightChild, from, 0, depth});
    }
    return walk;
}

void CheckChildren(const Level& level, FaultList& faults) {
    auto check = [&](uint32_t reference, int64_t node, int64_t child) {
        bool inRange = reference & kSubsectorChild ? (reference & ~kSubsectorChild) < level.subsectors.size()
                                                   : reference < level.nodes.size();
        if (!inRange) faults.Add({.kind = FaultKind::kChildRange, .node = node, .child = child, .reference = reference});
    };
    check(level.rootReference, kNotNamed, kNotNamed);
    for (size_t n = 0; n < level.nodes.size(); ++n) {
        check(level.nodes[n].rightChild, int64_t(n), 0);
        check(level.nodes[n].leftChild, int64_t(n), 1);
    }
}

// The segs from first on, clipped to the segs there are.
struct SegRange {
    int64_t first, end;
};
SegRange ClippedRange(const MapSubsector& subsector, size_t segCount) {
    int64_t count = int64_t(segCount), first = subsector.firstSeg, length = subsector.segCount;
    if (length <= 0 || first >= count || (first < 0 && length + first <= 0)) return {0, 0};
    if (first < 0) length += first, first = 0;
    return {first, length >= count - first ? count : first + length};
}

bool SegVertexesExist(const Level& level, const MapSeg& seg) {
    return Names(seg.startVertex, level.segVertexes) && Names(seg.endVertex, level.segVertexes);
}

// Each seg: what it names, whether it is a whole linedef side, how far its ends lie off its linedef's line.
void CheckSegs(const Level& level, bool gl, FaultList& faults, TreeFigures& figures) {
    for (size_t k = 0; k < level.segs.size(); ++k) {
        const MapSeg& seg = level.segs[k];
        TreeFault fault{.kind = FaultKind::kSegRange, .seg = int64_t(k)};
        if (!SegVertexesExist(level, seg)) {
            bool start = !Names(seg.startVertex, level.segVertexes);
            fault.problem = start ? SegRangeProblem::kStartVertex : SegRangeProblem::kEndVertex;
            fault.reference = start ? seg.startVertex : seg.endVertex;
            faults.Add(fault);
            continue;
        }
        if (gl && seg.linedef == kNoLinedef) {
            ++figures.minisegs;
            continue;
        }
        if (!Names(seg.linedef, level.linedefs)) {
            fault.problem = SegRangeProblem::kLinedef, fault.reference = seg.linedef;
            faults.Add(fault);
            continue;
        }
        const MapLinedef& linedef = level.linedefs[seg.linedef];
        int32_t sidedef = seg.backSide ? linedef.backSidedef : linedef.frontSidedef;
        if (!Names(sidedef, level.sidedefs)) {
            fault.problem = SegRangeProblem::kSidedef, fault.reference = sidedef;
            fault.linedef = seg.linedef, fault.side = seg.backSide;
            faults.Add(fault);
        }
        if (!Names(linedef.startVertex, level.vertexes) || !Names(linedef.endVertex, level.vertexes)) continue;
        const MapVertex& a = level.vertexes[size_t(linedef.startVertex)];
        const MapVertex& b = level.vertexes[size_t(linedef.endVertex)];
        const MapVertex& start = level.segVertexes[seg.startVertex];
        const MapVertex& end = level.segVertexes[seg.endVertex];
        if (SamePoint(start, seg.backSide ? b : a) && SamePoint(end, seg.backSide ? a : b)) continue;  // on its line
        ++figures.splitSegs;
        double dx = b.x - a.x, dy = b.y - a.y, length = std::hypot(dx, dy);
        TreeFault offLine{.kind = FaultKind::kOffLine, .seg = int64_t(k), .linedef = seg.linedef, .distance = kToleranceUnits};
        for (const MapVertex& p : {start, end}) {
            // A linedef of no length has no line: the distance from its one point.
            double distance = length > 0 ? std::abs((p.y - a.y) * dx - (p.x - a.x) * dy) / length : std::hypot(p.x - a.x, p.y - a.y);
            if (distance > offLine.distance) offLine.distance = distance, offLine.point = p;
        }
        if (offLine.distance > kToleranceUnits) faults.Add(offLine);
    }
}

// Each subsector's seg range, and in GL trees whether its segs close into a ring.
void CheckSubsectors(const Level& level, bool gl, FaultList& faults) {
    size_t segCount = level.segs.size();
    // GL trees: per seg, whether it and the next both have their vertexes and meet; then the first seg from k on that does not.
    std::vector<int64_t> invalidBefore(gl ? segCount + 1 : 0, 0), nextBreak(gl ? segCount + 1 : 0, int64_t(segCount));
    for (size_t k = 0; gl && k < segCount; ++k) invalidBefore[k + 1] = invalidBefore[k] + !SegVertexesExist(level, level.segs[k]);
    for (size_t k = gl ? segCount : 0; k-- > 0;) {
        bool meets = k + 1 < segCount && SegVertexesExist(level, level.segs[k]) && SegVertexesExist(level, level.segs[k + 1]) &&
                     SamePoint(level.segVertexes[level.segs[k].endVertex], level.segVertexes[level.segs[k + 1].startVertex]);
        nextBreak[k] = meets ? nextBreak[k + 1] : int64_t(k);
    }
    for (size_t s = 0; s < level.subsectors.size(); ++s) {
        const MapSubsector& subsector = level.subsectors[s];
        TreeFault fault{.kind = FaultKind::kSegRange, .subsector = int64_t(s), .reference = subsector.firstSeg,
                        .count = subsector.segCount};
        if (subsector.segCount <= 0) {
            fault.problem = SegRangeProblem::kNoSeg;
            faults.Add(fault);
            continue;
        }
        if (subsector.firstSeg < 0 || subsector.firstSeg > int64_t(segCount) || subsector.segCount > int64_t(segCount) - subsector.firstSeg) {
            fault.problem = SegRangeProblem::kOutsideSegs;
            faults.Add(fault);
            continue;
        }
        int64_t first = subsector.firstSeg, last = first + subsector.segCount - 1;
        if (!gl || invalidBefore[size_t(last + 1)] != invalidBefore[size_t(first)]) continue;  // seg-range faults already
        int64_t open = nextBreak[size_t(first)] < last ? nextBreak[size_t(first)] : last;
        const MapVertex& end = level.segVertexes[level.segs[size_t(open)].endVertex];
        const MapVertex& next = level.segVertexes[level.segs[size_t(open == last ? first : open + 1)].startVertex];
        if (open < last || !SamePoint(end, next))
            faults.Add({.kind = FaultKind::kOpenSubsector, .subsector = int64_t(s), .seg = open, .point = end});
    }
}

// The seg vertex farthest outside a node child's box, or across its partition;
// of those found equally far, the one of the least seg.
struct Farthest {
    double distance = kToleranceUnits;
    int64_t seg = kNotNamed;
    MapVertex point{0, 0};
    void Take(double d, int64_t s, const MapVertex& p) {
        if (d > distance || (d == distance && seg != kNotNamed && s < seg)) distance = d, seg = s, point = p;
    }
};

struct SegPoint {
    MapVertex point;
    int64_t seg;
};
constexpr size_t kHullBatch = 1 << 16;  // points gathered before they are reduced to a hull
constexpr size_t kFewPoints = 16;       // points checked as they are, with no hull

bool Before(const SegPoint& a, const SegPoint& b) {
    return std::tie(a.point.x, a.point.y, a.seg) < std::tie(b.point.x, b.point.y, b.seg);
}

double Cross(const MapVertex& o, const MapVertex& a, const MapVertex& b) {
    return (a.x - o.x) * (b.y - o.y) - (a.y - o.y) * (b.x - o.x);
}

// Room reused by every hull.
struct HullScratch {
    std::vector<size_t> chain;
    std::vector<uint8_t> corner;
};

// Sorts the points from `sorted` on into the sorted ones before them, then
// keeps the corners of their convex hull in that order, each place once with
// its least seg: any point farthest outside a box or across a line is a corner,
// or lies on an edge whose corners are as far. Andrew's monotone chains.
void KeepHullCorners(std::vector<SegPoint>& points, size_t sorted, HullScratch& scratch) {
    std::sort(points.begin() + ptrdiff_t(sorted), points.end(), Before);
    if (sorted > 0) std::inplace_merge(points.begin(), points.begin() + ptrdiff_t(sorted), points.end(), Before);
    points.erase(std::unique(points.begin(), points.end(), [](const SegPoint& a, const SegPoint& b) { return SamePoint(a.point, b.point); }),
                 points.end());
    if (points.size() <= 2) return;
    scratch.corner.assign(points.size(), 0);
    for (int pass = 0; pass < 2; ++pass) {  // the lower chain left to right, then the upper one back
        scratch.chain.clear();
        for (size_t i = 0; i < points.size(); ++i) {
            size_t next = pass == 0 ? i : points.size() - 1 - i;
            while (scratch.chain.size() >= 2 && Cross(points[scratch.chain[scratch.chain.size() - 2]].point,
                                                      points[scratch.chain.back()].point, points[next].point) <= 0)
                scratch.chain.pop_back();
            scratch.chain.push_back(next);
        }
        for (size_t index : scratch.chain) scratch.corner[index] = 1;
    }
    size_t kept = 0;
    for (size_t i = 0; i < points.size(); ++i)
        if (scratch.corner[i]) points[kept++] = points[i];
    points.resize(kept);
}

// What a point under one node child is checked against: the child's box, and
// the node's partition turned so that "across" is positive on the other child's side.
struct ChildBounds {
    double minX, maxX, minY, maxY;  // each the smaller or larger of the box's two values
    double x, y, dx, dy;
    double length;  // 0 for a partition of no length, which has no sides
    double OutsideBox(const MapVertex& p) const { return std::max({minX - p.x, p.x - maxX, minY - p.y, p.y - maxY}); }
    // The viewer's side test, from the right child: the left child where this is positive.
    double Across(double px, double py) const { return (py - y) * dx - (px - x) * dy; }
};

ChildBounds BoundsOf(const MapNode& node, size_t child) {
    const NodeBox& box = child ? node.leftBox : node.rightBox;
    double turn = child ? -1 : 1;
    return {double(std::min(box.left, box.right)), double(std::max(box.left, box.right)), double(std::min(box.top, box.bottom)),
            double(std::max(box.top, box.bottom)), node.x, node.y, turn * node.dx, turn * node.dy, std::hypot(node.dx, node.dy)};
}

// The seg vertexes under each node child against its box and its node's
// partition, each seg under the first subsector the walk reaches it from. Many
// points of one subsector are reduced to the corners of their convex hull,
// which hold the points farthest outside any box or across any line; the
// points' bounds spare them the boxes and partitions that they lie well within.
void CheckBoxesAndSides(const Level& level, const Walk& walk, FaultList& faults) {
    size_t nodeCount = level.nodes.size(), segCount = level.segs.size();
    std::vector<ChildBounds> bounds(2 * nodeCount);
    for (size_t at = 0; at < 2 * nodeCount; ++at) bounds[at] = BoundsOf(level.nodes[at / 2], at % 2);
    std::vector<Farthest> outsideBox(2 * nodeCount), acrossPartition(2 * nodeCount);
    auto checkAcross = [&](size_t at, const MapVertex& p, int64_t k) {
        const ChildBounds& b = bounds[at];
        if (double across = b.Across(p.x, p.y); across > 0 && b.length > 0) acrossPartition[at].Take(across / b.length, k, p);
    };
    // The first seg from k on not yet checked; checked segs are skipped with path halving.
    std::vector<int64_t> unchecked(segCount + 1);
    for (size_t k = 0; k <= segCount; ++k) unchecked[k] = int64_t(k);
    auto nextUnchecked = [&](int64_t k) {
        while (unchecked[size_t(k)] != k) k = unchecked[size_t(k)] = unchecked[size_t(unchecked[size_t(k)])];
        return k;
    };
    std::vector<SegPoint> points;
    HullScratch scratch;
    for (const Walk::Arrival& arrival : walk.arrivals) {
        SegRange range = ClippedRange(level.subsectors[arrival.subsector], segCount);
        auto eachAbove = [&](auto check) {
            for (int32_t n = arrival.node, child = arrival.child; n >= 0; child = walk.parentChild[size_t(n)], n = walk.parent[size_t(n)])
                check(2 * size_t(n) + size_t(child));
        };
        points.clear();
        size_t reduced = 0;  // points after the last reduction
        const MapVertex* last = nullptr;
        for (int64_t k = nextUnchecked(range.first); k < range.end; k = nextUnchecked(k)) {
            unchecked[size_t(k)] = k + 1;
            const MapSeg& seg = level.segs[size_t(k)];
            if (arrival.node < 0 || !SegVertexesExist(level, seg)) continue;  // a root subsector lies under no box
            for (uint32_t vertex : {seg.startVertex, seg.endVertex}) {
                const MapVertex& p = level.segVertexes[vertex];
                if (last && SamePoint(*last, p)) continue;  // where the last seg ended
                last = &p;
                if (std::isfinite(p.x) && std::isfinite(p.y)) {
                    points.push_back({p, k});
                    continue;
                }
                eachAbove([&](size_t at) {  // no place in a hull
                    outsideBox[at].Take(bounds[at].OutsideBox(p), k, p);
                    checkAcross(at, p, k);
                });
            }
            // A batch at a time, so that ten million segs in one subsector take no more room than their hull.
            if (points.size() >= reduced + kHullBatch) KeepHullCorners(points, reduced, scratch), reduced = points.size();
        }
        if (points.empty()) continue;
        if (points.size() > kFewPoints) KeepHullCorners(points, reduced, scratch);
        // The points of least x, greatest x, least y and greatest y, the least seg of equals:
        // one of them lies farthest outside any box.
        std::array<SegPoint, 4> extremes;
        extremes.fill(points.front());
        for (const SegPoint& c : points) {
            const double beyond[4] = {extremes[0].point.x - c.point.x, c.point.x - extremes[1].point.x, extremes[2].point.y - c.point.y,
                                      c.point.y - extremes[3].point.y};
            for (size_t side = 0; side < 4; ++side)
                if (beyond[side] > 0 || (beyond[side] == 0 && c.seg < extremes[side].seg)) extremes[side] = c;
        }
        double minX = extremes[0].point.x, maxX = extremes[1].point.x, minY = extremes[2].point.y, maxY = extremes[3].point.y;
        eachAbove([&](size_t at) {
            const ChildBounds& b = bounds[at];
            if (std::max({b.minX - minX, maxX - b.maxX, b.minY - minY, maxY - b.maxY}) > kToleranceUnits)
                for (const auto& [p, k] : extremes) outsideBox[at].Take(b.OutsideBox(p), k, p);
            // The corner of the bounds farthest across: when it stays half a unit on its side, which
            // no rounding bridges, no point comes within a unit across.
            if (b.length > 0 && b.Across(b.dy < 0 ? maxX : minX, b.dx > 0 ? maxY : minY) > b.length / 2)
                for (const auto& [p, k] : points) checkAcross(at, p, k);
        });
    }
    for (FaultKind kind : {FaultKind::kBox, FaultKind::kSide})
        for (size_t at = 0; at < 2 * nodeCount; ++at) {
            const Farthest& farthest = (kind == FaultKind::kBox ? outsideBox : acrossPartition)[at];
            if (farthest.seg != kNotNamed)
                faults.Add({.kind = kind, .node = int64_t(at / 2), .child = int64_t(at % 2), .seg = farthest.seg,
                            .point = farthest.point, .distance = farthest.distance});
        }
    for (size_t n = 0; n < nodeCount; ++n)
        if (bounds[2 * n].length == 0)
            faults.Add({.kind = FaultKind::kPartition, .node = int64_t(n), .point = {level.nodes[n].x, level.nodes[n].y}});
}

// Each linedef side of some length against the segs of every subsector, reached or not.
void CheckCoverage(const Level& level, FaultList& faults) {
    std::vector<int64_t> subsectorsOver(level.segs.size() + 1, 0);  // per seg, after a running sum
    for (const MapSubsector& subsector : level.subsectors) {
        SegRange range = ClippedRange(subsector, level.segs.size());
        ++subsectorsOver[size_t(range.first)], --subsectorsOver[size_t(range.end)];
    }
    std::vector<uint8_t> drawn(2 * level.linedefs.size(), 0);
    int64_t over = 0;
    for (size_t k = 0; k < level.segs.size(); ++k) {
        const MapSeg& seg = level.segs[k];
        over += subsectorsOver[k];
        if (over > 0 && SegVertexesExist(level, seg) && Names(seg.linedef, level.linedefs)) drawn[2 * size_t(seg.linedef) + seg.backSide] = 1;
    }
    for (size_t l = 0; l < level.linedefs.size(); ++l) {
        const MapLinedef& linedef = level.linedefs[l];
        if (!Names(linedef.startVertex, level.vertexes) || !Names(linedef.endVertex, level.vertexes) ||
            SamePoint(level.vertexes[size_t(linedef.startVertex)], level.vertexes[size_t(linedef.endVertex)]))
            continue;
        for (int64_t side = 0; side < (linedef.backSidedef >= 0 ? 2 : 1); ++side)
            if (!drawn[2 * l + size_t(side)]) faults.Add({.kind = FaultKind::kUncovered, .linedef = int64_t(l), .side = side});
    }
}

void CheckReached(const Level& level, const Walk& walk, FaultList& faults, TreeFigures& figures) {
    std::vector<uint8_t> reached(level.subsectors.size(), 0);
    int64_t depthSum = 0, subsectorsReached = 0;
    for (const Walk::Arrival& arrival : walk.arrivals) {
        figures.depth = std::max<int64_t>(figures.depth, arrival.depth);
        if (reached[arrival.subsector]) continue;
        reached[arrival.subsector] = 1;
        depthSum += arrival.depth, ++subsectorsReached;
    }
    figures.meanDepth = subsectorsReached > 0 ? double(depthSum) / double(subsectorsReached) : 0;
    for (size_t n = 0; n < level.nodes.size(); ++n)
        if (walk.depth[n] == 0) faults.Add({.kind = FaultKind::kUnreached, .node = int64_t(n)});
    for (size_t s = 0; s < level.subsectors.size(); ++s)
        if (!reached[s]) faults.Add({.kind = FaultKind::kUnreached, .subsector = int64_t(s)});
}

TreeFigures CountFigures(const Level& level) {
    TreeFigures figures{.things = int64_t(level.things.size()), .vertexes = int64_t(level.vertexes.size()),
                        .linedefs = int64_t(level.linedefs.size()), .sidedefs = int64_t(level.sidedefs.size()),
                        .sectors = int64_t(level.sectors.size()), .nodes = int64_t(level.nodes.size()),
                        .subsectors = int64_t(level.subsectors.size()), .segs = int64_t(level.segs.size())};
    if (!level.vertexes.empty()) {
        double minX = level.vertexes[0].x, maxX = minX, minY = level.vertexes[0].y, maxY = minY;
        for (const MapVertex& v : level.vertexes)
            minX = std::min(minX, v.x), maxX = std::max(maxX, v.x), minY = std::min(minY, v.y), maxY = std::max(maxY, v.y);
        figures.width = maxX - minX, figures.height = maxY - minY;
    }
    while (figures.leastDepth < 63 && (int64_t(1) << figures.leastDepth) < figures.subsectors) ++figures.leastDepth;
    return figures;
}

}  // namespace

bool IsGlTree(TreeFormat tree) {
    switch (tree) {
        case TreeFormat::kXgln: case TreeFormat::kXgl2: case TreeFormat::kXgl3: case TreeFormat::kZgln:
        case TreeFormat::kZgl2: case TreeFormat::kZgl3: case TreeFormat::kGlV2: case TreeFormat::kGlV5: return true;
        default: return false;
    }
}

TreeCheck CheckTree(const Level& level) {
    TreeCheck check;
    check.format = level.format, check.tree = level.tree, check.figures = CountFigures(level);
    if (level.tree == TreeFormat::kNone) return check;
    bool gl = IsGlTree(level.tree);
    FaultList faults(level.nodes.size());
    CheckChildren(level, faults);
    Walk walk = WalkTree(level, faults);
    CheckReached(level, walk, faults, check.figures);
    CheckSubsectors(level, gl, faults);
    CheckSegs(level, gl, faults, check.figures);
    CheckBoxesAndSides(level, walk, faults);
    CheckCoverage(level, faults);
    check.faultCounts = faults.counts;
    for (const std::vector<TreeFault>& listed : faults.listed) check.faults.insert(check.faults.end(), listed.begin(), listed.end());
    check.nodeFaults = std::move(faults.nodeFaults);
    std::sort(check.nodeFaults.begin(), check.nodeFaults.end(),
              [](const NodeFaults& a, const NodeFaults& b) { return a.first.node < b.first.node; });
    return check;
}

const NodeFaults* FaultsOfNode(const TreeCheck& check, int64_t node) {
    auto found = std::lower_bound(check.nodeFaults.begin(), check.nodeFaults.end(), node,
                                  [](const NodeFaults& faults, int64_t n) { return faults.first.node < n; });
    return found != check.nodeFaults.end() && found->first.node == node ? &*found : nullptr;
}

const char* MapFormatName(MapFormat format) {
    switch (format) {
        case MapFormat::kDoom: return "doom";
        case MapFormat::kHexen: return "hexen";
        case MapFormat::kUdmf: return "udmf";
    }
    return "?";
}

const char* TreeFormatName(TreeFormat tree) {
    constexpr const char* kNames[] = {"none", "classic", "XNOD", "ZNOD", "XGLN", "XGL2", "XGL3", "ZGLN", "ZGL2", "ZGL3", "GL_V2", "GL_V5"};
    return size_t(tree) < std::size(kNames) ? kNames[size_t(tree)] : "?";
}
