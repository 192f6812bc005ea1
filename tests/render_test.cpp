// The wall projection, the BSP walk, the frame with its markers and player start, and broken map records.
#include <gtest/gtest.h>

#include <algorithm>
#include <functional>

#include "draw/line.h"
#include "render/bsp_walk.h"
#include "render/map_to_screen.h"
#include "render/overlay.h"
#include "render/render_frame.h"
#include "render/wall_segment.h"
#include "test_support.h"

namespace {

using V = std::vector<int32_t>;
using Runs = std::vector<std::pair<int32_t, int32_t>>;
constexpr std::pair<int32_t, int32_t> kNone{-1, -1}, kFull{137, 463};  // kFull: A = 163.84 around row 300

TestPicture Wall(bool solid, float x1, float y1, float x2, float y2, float ceiling = 128, float floor = 0,
                 bool nearScale = false, int32_t width = 800) {
    TestPicture picture(width, 600);
    DrawWallSegment(picture.framebuffer, {.solidWalls = solid, .halfDepthFactor = nearScale}, x1, y1, x2, y2, ceiling, floor);
    return picture;
}

}  // namespace

// Seen from (0, 0) at angle 0: depth 100 both ends, laterals +50/-50, X = -256/256 around column 400, A = 128 * 128 / 100.
// (Walls from behind, flat or upside down follow the plain formulas, which the fast-path tests compare against.)
TEST(WallSegment, ProjectionOutlinesAndColumns) {
    EXPECT_TRUE(Wall(false, 100, -50, 100, 50) == PictureOfOutline(800, 600, {144, 137, 463, 656, 137, 463}));
    EXPECT_EQ(Wall(true, 100, -50, 100, 50).BlackRuns({143, 144, 400, 655, 656}), (Runs{kNone, kFull, kFull, kFull, kNone}));
    // Near scale doubles X and A, clamped onto the edges.
    EXPECT_TRUE(Wall(false, 100, -50, 100, 50, 128, 0, true) == PictureOfOutline(800, 600, {-112, -27, 627, 912, -27, 627}));
    // A sloped wall interpolates the half-heights column by column.
    EXPECT_EQ(Wall(true, 100, -50, 200, 50).BlackRuns({143, 144, 145, 527, 528}), (Runs{kNone, kFull, {138, 462}, {219, 381}, kNone}));
}

// Walls the clip drops, and ends almost at the viewer, which must stay inside the buffer (past 1e-35 X is
// infinite and only the outline shows).
TEST(WallSegment, NearClip) {
    for (bool solid : {false, true})  // both ends behind; one at depth 0 and one behind; both depths truncating to 0
        for (auto [x1, y1, x2, y2] : {std::array{-10.f, -50.f, -20.f, 50.f}, {0.f, -50.f, -20.f, 50.f}, {0.7f, -20.f, -0.5f, 20.f}})
            EXPECT_EQ(Wall(solid, x1, y1, x2, y2).Count(0), 0) << solid << " " << x1 << " " << x2;
    for (bool solid : {false, true}) {  // an end at depth 0 moves along the wall to depth 1 like any end behind
        EXPECT_TRUE(Wall(solid, 0, -50, 100, 50) == Wall(solid, 1, -49, 100, 50)) << solid;
        EXPECT_TRUE(Wall(solid, 100, 50, 0, 0, 1, 0) == Wall(solid, 100, 50, -100, -50, 1, 0)) << solid;  // both to (0, 1)
    }
    for (float depth : {1e-5f, 1e-30f, 1e-38f, 1e-45f})
        for (bool solid : {false, true}) {
            EXPECT_TRUE(Wall(solid, depth, -50, 100, 50, 128, 0, true).Count(0) > 0 || (solid && depth < 1e-30f)) << depth;
            EXPECT_EQ(Wall(solid, 100, 50, depth, -50).Count(0) > 0, !solid) << depth;
        }
}

namespace {

const TestBox kAway{-900, -1000, -1000, -900};
uint16_t Sub(int32_t index) { return uint16_t(0x8000 | index); }
// A vertical partition at x, running up: the viewpoint (0, 0) is on its left when x > 0.
TestNode Split(int16_t x, uint16_t right, uint16_t left, TestBox box = kAway) { return {x, 0, 0, 1, box, kAway, right, left}; }
// Root (node 2): near subsector 3, far node 1; node 1: near 2, far node 0; node 0: near 1, far 0.
std::vector<TestNode> ThreeNodes(TestBox rootFarBox = kAway) {
    return {Split(5, Sub(0), Sub(1)), Split(-5, Sub(2), 0), Split(5, 1, Sub(3), rootFarBox)};
}

// Subsector k: one wall at x = 100 from y = 20k - 40 to 20k - 32, its own band of columns seen from (0, 0).
struct BspWalkTest : testing::Test {
    Level level;
    View view{.scale = 10, .maxDepth = 100, .maxDraw = 250, .drawFarSides = 1, .solidWalls = 1};
    TestPicture picture{800, 600};

    void Load(std::vector<TestNode> nodes) {
        TestMap map;
        map.sidedefs = {{0}, {1}}, map.sectors = {{0, 64}, {0, 128}}, map.nodes = std::move(nodes);
        for (int16_t k = 0; k < 5; ++k) {
            map.vertexes.insert(map.vertexes.end(), {{100, int16_t(20 * k - 40)}, {100, int16_t(20 * k - 32)}});
            map.linedefs.push_back({int16_t(2 * k), int16_t(2 * k + 1), 0, 1});
            map.segs.push_back({int16_t(2 * k), int16_t(2 * k + 1), k, 0}), map.subsectors.push_back({1, k});
        }
        level = LoadLevelFromBytes(BuildWad(BuildMapLumps(map)));
    }
    // The walls in the order the walk reaches them, found by raising maxDraw one at a time: each walk's
    // walls on the centre row, and how many subsectors it took.
    V Order() {
        V order;
        for (view.maxDraw = 1; view.maxDraw <= 6; ++view.maxDraw) {
            picture = TestPicture(800, 600);
            BspWalk walk(level, view, picture.framebuffer);
            WalkBspNode(walk, level.rootReference, 0);
            EXPECT_LE(walk.subsectorsDrawn, view.maxDraw);
            for (int32_t k = 0; k < 5; ++k)
                if (picture.At(400 + int32_t((20 * k - 36) * 5.12f), 300) == 0 && std::ranges::find(order, k) == order.end()) order.push_back(k);
        }
        return order;
    }
};

}  // namespace

TEST_F(BspWalkTest, WalkOrderFarSideRuleDepthTiesAndCycles) {
    // Without far sides (any value but 1) a far child is entered only if its box touches the viewpoint's
    // unit square: {20, 1, 1, 20} at (1, 1). A cross product of 0 at (0, 0) takes the right child first;
    // (0, 0) is left of (-10, -11). Then a node that is its own far child, two naming each other, a child
    // past the nodes: each walk ends.
    auto diagonal = [](int16_t y, int16_t d) { return std::vector<TestNode>{{-10, y, d, d, kAway, kAway, Sub(1), Sub(4)}}; };
    for (auto [nodes, farSides, depth, order] : std::vector<std::tuple<std::vector<TestNode>, int, int, V>>{
             {ThreeNodes(), 1, 100, {3, 2, 1, 0}}, {ThreeNodes(), 1, 3, {3, 2}}, {ThreeNodes(), 1, 2, {3}},
             {ThreeNodes(), 1, 1, {}}, {ThreeNodes(), 0, 100, {3}}, {ThreeNodes(), 2, 100, {3}},
             {ThreeNodes({10, -10, -10, 10}), 0, 100, {3, 2}}, {ThreeNodes({20, 1, 1, 20}), 0, 100, {3, 2}},
             {ThreeNodes({20, 2, 2, 20}), 0, 100, {3}}, {diagonal(-10, 1), 1, 100, {1, 4}},
             {diagonal(-10, -1), 1, 100, {1, 4}}, {diagonal(-11, 1), 1, 100, {4, 1}},
             {{Split(5, 0, Sub(1))}, 1, INT32_MAX, {1}}, {{Split(5, 1, Sub(0)), Split(5, 0, Sub(1))}, 1, INT32_MAX, {1, 0}},
             {{Split(5, 0x7FFF, Sub(2)), Split(-5, Sub(1), 0)}, 1, INT32_MAX, {1, 2}}}) {
        Load(nodes);
        view.drawFarSides = uint8_t(farSides), view.maxDepth = depth;
        EXPECT_EQ(Order(), order) << nodes.size() << " nodes, far sides " << farSides << ", depth " << depth;
        // The trace lists the same walk, and the walk overlay colours each subsector's wall by its place in it.
        WalkTrace trace;
        View walkOverlay = view;
        walkOverlay.maxDraw = 250, walkOverlay.overlay = Overlay::kWalk;
        RenderFrame(picture.framebuffer, level, walkOverlay, FontImage{}, StatusLine{}, &trace);
        std::vector<uint32_t> accepted = AcceptedSubsectors(trace);
        EXPECT_EQ(V(accepted.begin(), accepted.end()), order);
        for (size_t i = 0; i < accepted.size(); ++i)
            EXPECT_EQ(picture.At(400 + int32_t((20 * int32_t(accepted[i]) - 36) * 5.12f), 300), WalkColour(int32_t(i) + 1, int32_t(accepted.size())));
        for (const WalkStep& step : trace.steps)  // nothing below the depth limit; a far side skipped only without far sides
            EXPECT_TRUE(!step.isNode || ((step.depth == 0 || step.depth < depth) && (step.children == NodeChildren::kNone) == (step.depth + 1 >= depth) &&
                                         (step.children != NodeChildren::kNear || farSides != 1)));
    }
    for (auto [farSides, depth, status] : {std::tuple{1, 3, "Walk: 2 drawn, 0 far sides skipped, 1 nodes cut by depth"},
                                           {0, 100, "Walk: 1 drawn, 1 far sides skipped, 0 nodes cut by depth"}}) {
        Load(ThreeNodes());
        WalkTrace trace;
        view.drawFarSides = uint8_t(farSides), view.maxDepth = depth;
        RenderFrame(picture.framebuffer, level, view, FontImage{}, StatusLine{}, &trace);
        EXPECT_EQ(WalkStatus(trace), status);
    }
    const NodeBox box{10, 20, 40, 30};  // top 10, bottom 20, left 40, right 30: either order counts
    for (auto [x, y, in] : {std::tuple{35, 15, true}, {29, 9, true}, {40, 20, true}, {35 + 65536, 15 - 65536, true},
                            {28, 15, false}, {41, 15, false}, {35, 8, false}, {35, 21, false}})
        EXPECT_EQ(PlayerInBox(box, x, y), in) << x << "," << y;
    EXPECT_EQ(ScreenToMapUnits(52.3f, 1180, 2.5f), -970);  // -970.8 truncates toward zero
}

// A triangle, and a box whose corners truncate after the offset: -0.5 -> 0, 5.5 -> 5, 22.5 -> 22.
TEST(RenderFrame, MarkerShapes) {
    auto marker = [](int32_t type, float sx, float sy) { TestPicture p(40, 30); DrawThingMarker(p.framebuffer, type, sx, sy); return p; };
    EXPECT_TRUE(marker(9, 10, 10) == PictureOfLines(40, 30, {{7, 13, 13, 13}, {10, 7, 7, 13}, {10, 7, 13, 13}}, 0xFF0000));
    EXPECT_TRUE(marker(9, 2.5f, 10) == PictureOfLines(40, 30, {{0, 13, 5, 13}, {2, 7, 0, 13}, {3, 7, 5, 13}}, 0xFF0000));
    EXPECT_TRUE(marker(2302, 20.5f, 20) == PictureOfOutline(40, 30, {18, 18, 22, 22, 18, 22}, 0x008000));
    EXPECT_TRUE(marker(5, 20, 20) == PictureOfOutline(40, 30, {19, 17, 23, 21, 17, 23}, 0x0000FF));
    EXPECT_TRUE(marker(3004, -50, 20) == PictureOfLines(40, 30, {{0, 17, 0, 23}}));  // wholly left: column 0 only
}

// Status line, linedefs, markers and the viewpoint box, placed by the map transform (x / 2 + 4, y / 2 + 20);
// the first frame takes the player start (60, 20) facing 90 degrees, not the thing before it.
TEST(RenderFrame, ComposesTheOverheadMapAndTakesThePlayerStart) {
    TestMap map;
    map.vertexes = {{0, 0}, {100, 80}}, map.linedefs = {{0, 1, 0, -1}}, map.things = {{0, 60, 0, 3004}, {60, 20, 90, 1}}, map.subsectors = {{0, 0}};
    Level level = LoadLevelFromBytes(BuildWad(BuildMapLumps(map)));
    View view{.scale = 5, .offsetX = 8, .offsetY = 40, .playerStartPending = 1};
    TestPicture frame(64, 64), expected = PictureOfLines(64, 64, {{4, 20, 54, 60}});
    StatusLine statusLine;
    FormatStatusLine(statusLine, 0, 0, 0, 0);  // black rows, in a font with no pixels
    TakePlayerStart(level, view);
    RenderFrame(frame.framebuffer, level, view, FontImage{{}, 0}, statusLine);
    std::fill_n(expected.framebuffer.pixels, 64 * 16, 0u);
    DrawRect(expected.framebuffer, 31, 27, 37, 33, 0x0000FF), DrawRect(expected.framebuffer, 1, 47, 7, 53, 0);
    DrawRect(expected.framebuffer, 28, 24, 40, 36, 0x0000FF);
    EXPECT_TRUE(frame == expected);
    EXPECT_EQ(std::tuple(view.playerX, view.playerY, view.angle, view.playerStartPending), std::tuple(34.0f, 30.0f, 1.57079637f, 0));
    view.playerX = 1;  // later frames leave the viewpoint alone
    TakePlayerStart(level, view);
    EXPECT_EQ(view.playerX, 1.0f);
}

namespace {

using MapEdit = std::function<void(TestMap&)>;
MapEdit ExtraSeg(TestSeg seg) { return [seg](TestMap& m) { m.segs.push_back(seg), m.subsectors[0].segCount = 5; }; }
MapEdit FrontSide(int16_t side) { return [side](TestMap& m) { m.linedefs[1].frontSidedef = side; }; }
MapEdit NewFrontSide(int16_t sector) { return [sector](TestMap& m) { m.sidedefs.push_back({sector}), m.linedefs[1].frontSidedef = 1; }; }
MapEdit Subsector(int16_t n, int16_t first) { return [=](TestMap& m) { m.subsectors[0] = {n, first}; }; }
MapEdit LeftChild(uint16_t child) { return [child](TestMap& m) { m.nodes[0].leftChild = child; }; }

Bytes RoomWad(const MapEdit& edit, bool extended = false) {
    TestMap map = Room();
    edit(map);
    return BuildWad(extended ? BuildExtendedMapLumps(map) : BuildMapLumps(map));
}

}  // namespace

// Each broken map draws like the sound map it amounts to, in both node formats (they widen alike) and wall modes.
TEST(MalformedMap, BrokenRecordsAreSkippedAndTheRestIsDrawn) {
    const MapEdit asIs = [](TestMap&) {}, noWalls = Subsector(0, 0), seg1AsSeg0 = [](TestMap& m) { m.segs[1] = m.segs[0]; };
    // The most segs, all shared, and the longest chain of nodes: a billion walls unless each is drawn once.
    auto sharedSegs = [](bool chain) -> MapEdit {
        return [chain](TestMap& m) {
            for (int k = 4; k < 32767; ++k) m.segs.push_back(m.segs[k % 4]);
            m.subsectors = {{32767, 0}, {32767, 0}};
            for (uint16_t i = 1; chain && i < 32767; ++i) m.nodes.push_back({32, 0, 0, 64, {}, {}, uint16_t(i - 1), 0x8001});
        };
    };
    const std::string fail = "Fail\r\n";
    const std::tuple<const char*, MapEdit, MapEdit, std::string, bool> cases[] = {  // ..., and in extended nodes too
        {"seg start vertex beyond the array", ExtraSeg({9, 1, 0, 0}), asIs, "", true},
        {"seg end vertex negative", ExtraSeg({0, -1, 0, 0}), asIs, "", true},
        {"seg linedef beyond the array", ExtraSeg({0, 2, 4, 0}), asIs, "", true},
        {"seg linedef negative", ExtraSeg({0, 2, -1, 0}), asIs, "", true},
        {"seg on the missing back (-1) of a one-sided line", ExtraSeg({0, 2, 0, 1}), asIs, "", true},
        {"linedef front side beyond the array", FrontSide(1), seg1AsSeg0, "", true},
        {"linedef front side negative", FrontSide(-2), seg1AsSeg0, "", true},
        {"sidedef sector beyond the array", NewFrontSide(1), seg1AsSeg0, "", true},
        {"sidedef sector negative", NewFrontSide(-1), seg1AsSeg0, "", true},
        {"linedef vertexes outside the array", [](TestMap& m) { m.linedefs[2].startVertex = 4, m.linedefs[3].endVertex = -1; },
         [](TestMap& m) { m.linedefs[2] = m.linedefs[3] = m.linedefs[0]; }, "", true},
        {"subsector segs reaching past the array", Subsector(20, 0), asIs, "", true},
        {"subsector starting before the array", Subsector(7, -3), asIs, "", true},
        {"subsector with a negative seg count", Subsector(-4, 0), noWalls, "", false},
        {"node child naming a subsector beyond the array", LeftChild(0x8007), asIs, fail, true},
        {"node child one past the nodes", LeftChild(1), asIs, "", true},
        {"node pointing at itself", LeftChild(0), asIs, "", true},
        {"two nodes pointing at each other",
         [](TestMap& m) { m.nodes.push_back(m.nodes[0]), m.nodes[0].leftChild = 1, m.nodes[1].leftChild = 0; }, asIs, "", true},
        {"the longest chain of nodes, each to shared segs", sharedSegs(true), sharedSegs(false), "", true},
        {"zero nodes, zero subsectors", [](TestMap& m) { m.nodes.clear(), m.subsectors.clear(); }, noWalls, fail, true},
    };
    for (uint8_t solid : {0, 1})  // the walls show, so a broken seg that was drawn would show too
        ASSERT_NE(RenderSmall(LoadLevelFromBytes(RoomWad(asIs)), solid), RenderSmall(LoadLevelFromBytes(RoomWad(noWalls)), solid));
    for (const auto& [name, breakIt, soundEquivalent, printed, extendedToo] : cases) {
        SCOPED_TRACE(name);
        for (bool extended : {false, extendedToo}) ExpectDrawsLike(RoomWad(breakIt, extended), RoomWad(soundEquivalent), "", printed);
    }
}
