#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

#include "draw/truncate.h"
#include "render/bsp_walk.h"
#include "render/map_to_screen.h"
#include "test_support.h"

namespace {

constexpr int32_t kWalls = 5;
constexpr int32_t kWidth = 800, kHeight = 600;

uint16_t Sub(int32_t index) { return uint16_t(0x8000 | index); }

const TestBox kAway{-900, -1000, -1000, -900};
const TestBox kAround{10, -10, -10, 10};

// A vertical partition at x, running up: the viewpoint (0, 0) is on its left
// (leftChild near) when x > 0, on its right when x <= 0.
TestNode Split(int16_t x, uint16_t rightChild, uint16_t leftChild, TestBox rightBox = kAway,
               TestBox leftBox = kAway) {
    return {x, 0, 0, 1, rightBox, leftBox, rightChild, leftChild};
}

// Subsector k holds one seg: a wall at x = 100 from y = 20k - 40 to 20k - 32, so
// from the viewpoint (0, 0) looking along +x each fills its own band of columns.
TestMap WallMap(std::vector<TestNode> nodes) {
    TestMap map;
    for (int16_t k = 0; k < kWalls; ++k) {
        map.vertexes.push_back({100, int16_t(20 * k - 40)});
        map.vertexes.push_back({100, int16_t(20 * k - 32)});
        map.linedefs.push_back({int16_t(2 * k), int16_t(2 * k + 1), 0, 1});
        map.segs.push_back({int16_t(2 * k), int16_t(2 * k + 1), k, 0});
        map.subsectors.push_back({1, k});
    }
    map.sidedefs = {{0}, {1}};
    map.sectors = {{0, 64}, {0, 128}};
    map.nodes = std::move(nodes);
    return map;
}

struct BspWalkTest : testing::Test {
    Level level;
    ViewerState viewer;
    std::vector<uint32_t> pixels = std::vector<uint32_t>(size_t(kWidth) * kHeight);
    Framebuffer framebuffer{kWidth, kHeight, pixels.data()};

    void Load(const TestMap& map) {
        LoadLevelFromBytes(level, BuildWad(BuildMapLumps(map)));
        // Scale 10 and no offset: overhead-map pixels and map units coincide.
        level.scale = 10, level.offsetX = 0, level.offsetY = 0;
        level.maxDepth = 100, level.maxDraw = 250, level.drawFarSides = 1;
        viewer.solidWalls = 1;
    }
    ~BspWalkTest() override { FreeLevel(level); }

    // One walk from reference (the root by default); returns subsectorsDrawn.
    int32_t Walk(int32_t reference = -1) {
        std::fill(pixels.begin(), pixels.end(), 0xFFFFFFFF);
        BspWalk walk{level, viewer, framebuffer};
        walk.mx = ScreenToMapUnits(viewer.playerX, level.offsetX, level.scale);
        walk.my = ScreenToMapUnits(viewer.playerY, level.offsetY, level.scale);
        WalkBspNode(walk, uint16_t(reference < 0 ? level.numNodes - 1 : reference), 0);
        return walk.subsectorsDrawn;
    }
    // Which walls the last walk drew: the centre row at the middle of each wall's band.
    std::vector<int32_t> WallsDrawn() const {
        std::vector<int32_t> walls;
        for (int32_t k = 0; k < kWalls; ++k) {
            int32_t column = kWidth / 2 + TruncToInt32((20 * k - 36) * 5.12f);
            if (pixels[size_t(kHeight / 2) * kWidth + size_t(column)] == 0) walls.push_back(k);
        }
        return walls;
    }
    // The walls in the order the walk reaches them, found by raising maxDraw one at a time.
    std::vector<int32_t> Order() {
        int32_t saved = level.maxDraw;
        std::vector<int32_t> order;
        for (level.maxDraw = 1; level.maxDraw <= kWalls + 1; ++level.maxDraw) {
            Walk();
            for (int32_t wall : WallsDrawn())
                if (std::find(order.begin(), order.end(), wall) == order.end()) order.push_back(wall);
        }
        level.maxDraw = saved;
        return order;
    }
};

using V = std::vector<int32_t>;

// Root (node 2): near subsector 3, far node 1; node 1: near 2, far node 0; node 0: near 1, far 0.
std::vector<TestNode> ThreeNodes(TestBox rootRightBox = kAway) {
    return {Split(5, Sub(0), Sub(1)), Split(-5, Sub(2), 0), Split(5, 1, Sub(3), rootRightBox)};
}

}  // namespace

TEST_F(BspWalkTest, NearChildFirstThenFarWithinDepth) {
    Load(WallMap(ThreeNodes()));
    EXPECT_EQ(Order(), (V{3, 2, 1, 0}));
    EXPECT_EQ(Walk(), 4);
    level.maxDepth = 3;
    EXPECT_EQ(Order(), (V{3, 2}));
    level.maxDepth = 2;  // only the root's children, and only the one that is a subsector
    EXPECT_EQ(Order(), (V{3}));
    for (int32_t depth : {1, 0, -5}) {
        level.maxDepth = depth;
        EXPECT_EQ(Walk(), 0);
        EXPECT_EQ(WallsDrawn(), V{});
    }
}

TEST_F(BspWalkTest, FarSideRule) {
    auto orderWithoutFarSides = [&](TestBox rootRightBox, uint8_t drawFarSides = 0) {
        Load(WallMap(ThreeNodes(rootRightBox)));
        level.drawFarSides = drawFarSides;
        return Order();
    };
    EXPECT_EQ(orderWithoutFarSides(kAway), (V{3}));
    EXPECT_EQ(orderWithoutFarSides(kAway, 2), (V{3}));  // only the value 1 walks every far side
    // A far box around the viewpoint lets the walk in there, and only there.
    EXPECT_EQ(orderWithoutFarSides(kAround), (V{3, 2}));
    // A box that just touches the viewpoint's unit square at its corner (1, 1), and one that misses.
    EXPECT_EQ(orderWithoutFarSides({20, 1, 1, 20}), (V{3, 2}));
    EXPECT_EQ(orderWithoutFarSides({20, 2, 2, 20}), (V{3}));
}

TEST_F(BspWalkTest, ViewpointOnThePartitionTakesTheRightChildFirst) {
    // Through (-10, -10) along (1, 1): the cross product is exactly 0 at (0, 0).
    Load(WallMap({{-10, -10, 1, 1, kAway, kAway, Sub(1), Sub(4)}}));
    EXPECT_EQ(Order(), (V{1, 4}));
    Load(WallMap({{-10, -10, -1, -1, kAway, kAway, Sub(1), Sub(4)}}));
    EXPECT_EQ(Order(), (V{1, 4}));
    // Off the line the sides are told apart: (0, 0) lies left of (-10, -11) along (1, 1).
    Load(WallMap({{-10, -11, 1, 1, kAway, kAway, Sub(1), Sub(4)}}));
    EXPECT_EQ(Order(), (V{4, 1}));
}

TEST_F(BspWalkTest, DrawLimitCountsSubsectorsEvenWithoutSegs) {
    TestMap map = WallMap({Split(5, Sub(0), Sub(kWalls))});
    map.subsectors.push_back({0, 0});  // subsector 5: no segs, and it is the near child
    Load(map);
    level.maxDraw = 1;
    EXPECT_EQ(Walk(), 1);
    EXPECT_EQ(WallsDrawn(), V{});
    level.maxDraw = 2;
    EXPECT_EQ(Walk(), 2);
    EXPECT_EQ(WallsDrawn(), V{0});

    Load(WallMap(ThreeNodes()));
    level.maxDraw = 0;
    testing::internal::CaptureStdout();
    EXPECT_EQ(Walk(), 0);
    EXPECT_EQ(testing::internal::GetCapturedStdout(), "");
    EXPECT_EQ(WallsDrawn(), V{});
}

TEST_F(BspWalkTest, SubsectorReferences) {
    Load(WallMap(ThreeNodes()));
    EXPECT_EQ(Walk(0xFFFF), 1);
    EXPECT_EQ(WallsDrawn(), V{0});
    EXPECT_EQ(Walk(Sub(4)), 1);
    EXPECT_EQ(WallsDrawn(), V{4});

    // No nodes: the root reference is 0xFFFF, which draws subsector 0 whatever the depth limit.
    Load(WallMap({}));
    level.maxDepth = 0;
    EXPECT_EQ(Walk(), 1);
    EXPECT_EQ(WallsDrawn(), V{0});

    // An unknown subsector is reported and skipped; the walk goes on.
    Load(WallMap({Split(5, Sub(0), Sub(1)), Split(-5, Sub(40), 0), Split(5, 1, Sub(3))}));
    testing::internal::CaptureStdout();
    EXPECT_EQ(Walk(), 3);
    EXPECT_EQ(testing::internal::GetCapturedStdout(), "Fail\r\n");
    EXPECT_EQ(WallsDrawn(), (V{0, 1, 3}));
}

TEST_F(BspWalkTest, CyclesAndBadNodeReferencesEnd) {
    Load(WallMap({Split(5, 0, Sub(1))}));  // far child is the node itself
    level.maxDepth = INT32_MAX;
    EXPECT_EQ(Order(), V{1});
    Load(WallMap({Split(5, 1, Sub(0)), Split(5, 0, Sub(1))}));  // two nodes naming each other
    level.maxDepth = INT32_MAX;
    EXPECT_EQ(Order(), (V{1, 0}));
    Load(WallMap({Split(5, 0x7FFF, Sub(2)), Split(-5, Sub(1), 0)}));  // a child past the nodes
    EXPECT_EQ(Order(), (V{1, 2}));
}

TEST_F(BspWalkTest, SegsTakeTheSectorOfTheirSideAndSkipBadIndices) {
    TestMap map = WallMap({Split(5, Sub(1), Sub(0))});
    map.segs[0].direction = 1;   // wall 0 from the back side: sector 1, height 128
    map.segs[1].direction = 1;   // wall 1 from a back side that does not exist
    map.linedefs[1].backSidedef = -1;
    map.subsectors[2] = {3, 30000};  // segs beyond the array
    Load(map);
    EXPECT_EQ(Walk(), 2);
    EXPECT_EQ(WallsDrawn(), V{0});
    int32_t column = kWidth / 2 + TruncToInt32(-36 * 5.12f);
    int32_t first = 0;
    while (pixels[size_t(first) * kWidth + size_t(column)] != 0) ++first;
    EXPECT_EQ(first, 137);  // A = 128 * 32 / 25 = 163.84, not the 81.92 of sector 0
    EXPECT_EQ(Walk(Sub(2)), 1);
    EXPECT_EQ(WallsDrawn(), V{});
}

TEST(PlayerInBox, BordersCountAndPositionsWrapTo16Bits) {
    NodeBox box{};
    auto set = [](Int16LE& field, int16_t v) { field.bytes[0] = uint8_t(v), field.bytes[1] = uint8_t(v >> 8); };
    set(box.top, 10), set(box.bottom, 20), set(box.left, 40), set(box.right, 30);  // either order
    for (auto [x, y] : {std::pair{35, 15}, {29, 15}, {40, 20}, {29, 9}, {35 + 65536, 15 - 65536}})
        EXPECT_TRUE(PlayerInBox(box, x, y)) << x << "," << y;
    for (auto [x, y] : {std::pair{28, 15}, {41, 15}, {35, 8}, {35, 21}})
        EXPECT_FALSE(PlayerInBox(box, x, y)) << x << "," << y;
}

TEST(ScreenToMapUnits, TruncatesTowardZero) {
    EXPECT_EQ(ScreenToMapUnits(50.0f, 1180, 2.5f), -980);
    EXPECT_EQ(ScreenToMapUnits(50.0f, 4880, 2.5f), -4680);
    EXPECT_EQ(ScreenToMapUnits(52.3f, 1180, 2.5f), -970);
}
