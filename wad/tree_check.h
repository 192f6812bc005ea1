// A check of a level's BSP tree, whatever format the file holds it in: the
// tree's figures and every place where it does not describe the map soundly.
#pragma once
#include <array>
#include <cstdint>
#include <vector>

#include "wad/level.h"

enum class FaultKind : uint8_t {
    kChildRange,     // a child reference past the last node or subsector
    kCycle,          // a node reached a second time from the root
    kUnreached,      // a node or subsector that no path from the root reaches
    kSegRange,       // a subsector's seg range past the segs or empty; a seg naming nothing
    kBox,            // a seg vertex under a child lies outside that child's box
    kSide,           // a seg vertex under a child lies on the other side of the partition
    kOffLine,        // a seg vertex lies off its linedef's line
    kPartition,      // a partition of zero length
    kUncovered,      // a linedef side that no seg draws
    kOpenSubsector,  // a GL subsector whose segs do not close into a ring
};
constexpr int32_t kFaultKindCount = 10;
constexpr const char* kFaultKindNames[kFaultKindCount] = {"child-range", "cycle",    "unreached", "seg-range",  "box",
                                                          "side",        "off-line", "partition", "uncovered", "open-subsector"};
// Faults listed per kind; the rest are only counted.
constexpr int32_t kListedFaultsPerKind = 20;
// How far a vertex may lie outside a box, across a partition or off its line.
constexpr double kToleranceUnits = 1.0;

// What part of a seg-range fault names nothing, or is out of range.
enum class SegRangeProblem : uint8_t { kNone, kOutsideSegs, kNoSeg, kStartVertex, kEndVertex, kLinedef, kSidedef };

// What a fault names: indices, or kNotNamed. Which fields a kind fills:
// child-range node (none for the root), child, reference; cycle node, child,
// reference (the node reached again); unreached node or subsector; seg-range
// subsector or seg (with linedef and side for a sidedef), problem, reference
// (the index that names nothing, or a subsector's first seg) and count; box, side node, child, seg, point, distance;
// off-line seg, linedef, point, distance; partition node, point; uncovered
// linedef, side; open-subsector subsector, seg (whose end the next seg does not start at), point.
constexpr int64_t kNotNamed = -1;
struct TreeFault {
    FaultKind kind;
    int64_t node = kNotNamed, child = kNotNamed, subsector = kNotNamed, seg = kNotNamed, linedef = kNotNamed;
    int64_t side = kNotNamed;  // 0 front, 1 back
    int64_t reference = kNotNamed;
    int64_t count = 0;  // seg-range subsector: its seg count (reference: its first seg)
    SegRangeProblem problem = SegRangeProblem::kNone;
    MapVertex point{0, 0};
    double distance = 0;  // how far out the vertex farthest out lies, in map units
};

struct TreeFigures {
    int64_t things = 0, vertexes = 0, linedefs = 0, sidedefs = 0, sectors = 0, nodes = 0, subsectors = 0, segs = 0;
    int64_t splitSegs = 0;  // segs of a linedef whose ends are not the linedef side's two ends
    int64_t minisegs = 0;   // GL segs of no linedef
    double width = 0, height = 0;  // over the vertexes
    int64_t depth = 0;             // nodes on the longest path from the root to a subsector
    double meanDepth = 0;          // over the subsectors reached
    int64_t leastDepth = 0;        // ceil(log2(subsectors))
};

// A node that faults name: the first of them and how many there are.
struct NodeFaults {
    TreeFault first;
    int64_t count = 0;
};

struct TreeCheck {
    MapFormat format = MapFormat::kDoom;
    TreeFormat tree = TreeFormat::kNone;
    TreeFigures figures;
    std::array<int64_t, kFaultKindCount> faultCounts{};
    std::vector<TreeFault> faults;  // kind by kind, at most kListedFaultsPerKind of each
    std::vector<NodeFaults> nodeFaults;  // every node a fault names, in node order
};

// Walks the tree from its root as the viewer does (right child first, each
// node entered once, no child past the end) and checks it. A level with no
// tree gets its figures and no fault. Each seg is checked under the first
// subsector the walk reaches it from, as the viewer draws it once. Time:
// linear in the tree's size, and for the box and side checks in each
// subsector's segs (or their hull's corners) times its depth.
TreeCheck CheckTree(const Level& level);

// The faults of a node, or null when none names it.
const NodeFaults* FaultsOfNode(const TreeCheck& check, int64_t node);

// Whether the format holds GL segs, whose minisegs name no linedef.
bool IsGlTree(TreeFormat tree);

// "doom", "hexen", "udmf"; "classic", "XNOD", ..., "GL_V5", "none".
const char* MapFormatName(MapFormat format);
const char* TreeFormatName(TreeFormat tree);
