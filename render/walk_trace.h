// The walk's steps in the order it takes them: what the overlays show, what the
// trace file writes and what the animation steps through.
#pragma once
#include <cstdint>
#include <vector>

// What the walk did at a node with its children.
enum class NodeChildren : uint8_t {
    kBoth,  // walked the near child, then the far one
    kNear,  // walked the near child; the box rule skipped the far one
    kNone,  // the depth limit cut both
};

struct WalkStep {
    bool isNode;
    uint32_t index;  // the node, or the subsector asked for
    // A node: its depth (the root's is 0), the viewpoint's side of its partition, what became of its children.
    int32_t depth = 0;
    uint8_t side = 0;
    NodeChildren children = NodeChildren::kBoth;
    // A subsector: its place among those accepted, from 1; 0 past the draw limit; -1 for no such subsector.
    int32_t order = 0;
};

struct WalkTrace {
    std::vector<WalkStep> steps;
};

// The subsectors the walk accepted, in order.
std::vector<uint32_t> AcceptedSubsectors(const WalkTrace& trace);
