// The tree check: faults made in a sound tree, the tree overlay's marks, and wadscope-check itself.
#include <gtest/gtest.h>

#include <functional>
#include <map>

#include "app/check_report.h"
#include "render/overlay.h"
#include "render/render_frame.h"
#include "test_support.h"

namespace {

// A room split at x = 32 by one node: the east half is the right child (subsector 0), the west half the left.
TestMap SplitRoom() {
    TestMap map = Room();
    map.vertexes.insert(map.vertexes.end(), {{32, 0}, {32, 64}});
    map.segs = {{4, 1, 0, 0}, {1, 2, 1, 0}, {2, 5, 2, 0}, {5, 3, 2, 0}, {3, 0, 3, 0}, {0, 4, 0, 0}};
    map.subsectors = {{3, 0}, {3, 3}};
    map.nodes = {{32, 0, 0, 64, {64, 0, 32, 64}, {64, 0, 0, 32}, 0x8000, 0x8001}};
    return map;
}

enum class Tree { kClassic, kXnod, kGl };

// The sound room with that tree; its GL form closes each half with a miniseg along the partition.
Level SoundLevel(Tree tree) {
    Level level = LoadLevelFromBytes(BuildWad(tree == Tree::kXnod ? BuildExtendedMapLumps(SplitRoom()) : BuildMapLumps(SplitRoom())));
    if (tree != Tree::kGl) return level;
    level.tree = TreeFormat::kXgln;
    level.segs.insert(level.segs.begin() + 6, MapSeg{4, 5, kNoLinedef, 0});
    level.segs.insert(level.segs.begin() + 3, MapSeg{5, 4, kNoLinedef, 0});
    level.subsectors = {{0, 4}, {4, 4}};
    return level;
}

// Drops seg k from the segs and from its subsector.
void DropSeg(Level& level, int64_t k) {
    level.segs.erase(level.segs.begin() + k);
    for (MapSubsector& s : level.subsectors)
        if (s.firstSeg > k)
            --s.firstSeg;
        else if (s.firstSeg + s.segCount > k)
            --s.segCount;
}

std::string Faults(const TreeCheck& check) {
    std::string text;
    for (const TreeFault& f : check.faults) {
        text += std::string(text.empty() ? "" : ", ") + kFaultKindNames[size_t(f.kind)];
        for (auto [name, value] : {std::pair{" node ", f.node}, {" child ", f.child}, {" subsector ", f.subsector}, {" seg ", f.seg},
                                   {" linedef ", f.linedef}, {" side ", f.side}})
            if (value != kNotNamed) text += name + std::to_string(value);
    }
    return text;
}

using CheckProgram = ProgramTest;

}  // namespace

// Each broken tree gives exactly its faults, each naming the node, child, subsector, seg or linedef side at fault.
TEST(TreeCheck, BrokenTreesGiveTheirFaultsAndSoundOnesNone) {
    const std::tuple<const char*, Tree, std::function<void(Level&)>, const char*> cases[] = {
        {"sound", Tree::kClassic, [](Level&) {}, ""},
        {"sound XNOD", Tree::kXnod, [](Level&) {}, ""},
        {"sound GL", Tree::kGl, [](Level&) {}, ""},
        {"box shrunk", Tree::kClassic, [](Level& l) { l.nodes[0].rightBox.left = 48; }, "box node 0 child 0 seg 0"},
        {"children swapped with their boxes", Tree::kXnod,
         [](Level& l) { std::swap(l.nodes[0].rightChild, l.nodes[0].leftChild), std::swap(l.nodes[0].rightBox, l.nodes[0].leftBox); },
         "side node 0 child 0 seg 3, side node 0 child 1 seg 0"},
        {"child past the end", Tree::kClassic, [](Level& l) { l.nodes[0].leftChild = kSubsectorChild | 2; },
         "child-range node 0 child 1, unreached subsector 1"},
        {"child back at the root", Tree::kGl, [](Level& l) { l.nodes[0].leftChild = 0; }, "cycle node 0 child 1, unreached subsector 1"},
        {"seg off its line", Tree::kClassic, [](Level& l) { l.segVertexes.push_back({64, 5}), l.segs[0].endVertex = 6; },
         "off-line seg 0 linedef 0"},
        {"whole wall dropped", Tree::kClassic, [](Level& l) { DropSeg(l, 1); }, "uncovered linedef 1 side 0"},
        {"GL ring left open", Tree::kGl, [](Level& l) { l.segs[3].endVertex = 1; }, "open-subsector subsector 0 seg 3"},
        {"partition of no length", Tree::kXnod, [](Level& l) { l.nodes[0].dy = 0; }, "partition node 0"},
        {"node reached by nothing", Tree::kClassic, [](Level& l) { l.nodes.push_back(l.nodes[0]); }, "unreached node 1"},
        {"ten million segs", Tree::kXnod, [](Level& l) { l.subsectors[1].segCount = 10'000'000; }, "seg-range subsector 1"},
        {"seg of no linedef outside GL", Tree::kClassic, [](Level& l) { l.segs[5].linedef = kNoLinedef; }, "seg-range seg 5"},
        {"box shrunk over many segs", Tree::kClassic,
         [](Level& l) {
             std::vector<MapSeg> east(l.segs.begin(), l.segs.begin() + 3);
             for (int copy = 0; copy < 40; ++copy) l.segs.insert(l.segs.begin() + 3, east.begin(), east.end());
             l.subsectors = {{0, 123}, {123, 3}}, l.nodes[0].rightBox.left = 48;
         },
         "box node 0 child 0 seg 0"},
    };
    for (const auto& [name, tree, edit, faults] : cases) {
        Level level = SoundLevel(tree);
        edit(level);
        TreeCheck check = CheckTree(level);
        EXPECT_EQ(Faults(check), faults) << name;
        std::map<int64_t, int64_t> named, marked;  // per node: the faults naming it, and as the tree overlay finds them
        for (const TreeFault& f : check.faults) named[f.node] += f.node != kNotNamed;
        for (const TreeFault& f : check.faults) marked[f.node] = FaultsOfNode(check, f.node) ? FaultsOfNode(check, f.node)->count : 0;
        EXPECT_EQ(marked, named) << name;
        EXPECT_EQ(std::tuple(check.figures.depth, check.figures.leastDepth, check.figures.minisegs), std::tuple(1, 1, tree == Tree::kGl ? 2 : 0))
            << name;
    }
}

// The tree overlay dashes a faulty node's partition and names its first fault; a sound node is drawn as without a check.
TEST(TreeCheck, TheTreeOverlayMarksAFaultyNode) {
    View view{.scale = 20, .maxDepth = 0, .overlay = Overlay::kTree};
    for (bool swapped : {false, true}) {
        Level level = SoundLevel(Tree::kClassic);
        if (swapped) std::swap(level.nodes[0].rightChild, level.nodes[0].leftChild), std::swap(level.nodes[0].rightBox, level.nodes[0].leftBox);
        TreeCheck check = CheckTree(level);
        TestPicture plain(200, 150), marked(200, 150);
        RenderFrame(plain.framebuffer, level, view, FontImage{}, StatusLine{});
        RenderFrame(marked.framebuffer, level, view, FontImage{}, StatusLine{}, nullptr, &check);
        View far = view;  // the partition's ends saturate far off the picture, and only what lies in it is dashed
        far.scale = 3e9f, far.offsetX = -32;
        RenderFrame(TestPicture(200, 150).framebuffer, level, far, FontImage{}, StatusLine{}, nullptr, &check);
        std::string status = TreeStatus(level, ResolveTreeSelection(level, {}), &check);
        EXPECT_EQ(std::tuple(plain == marked, marked.Count(0x00AA00) < plain.Count(0x00AA00) - 20, status),
                  std::tuple(!swapped, swapped, std::string("Node 0 depth 0: ") +
                                                    (swapped ? "side fault (child 0, seg 3, 32.000 units across) and 1 more; right subsector 1, left subsector 0"
                                                             : "right subsector 0, left subsector 1")));
    }
}

// Thirty thousand nodes over the room, each along its south wall with the room on its right and subsector 1,
// whose segs come under the first node only, on its left: sound, and as deep as it is long.
TEST(TreeCheck, ChainsOfNodesAreWalkedWithoutRecursion) {
    Level chain = SoundLevel(Tree::kXnod);
    for (uint32_t n = 0; n < 30000; ++n) chain.nodes.push_back({0, 0, -64, 0, {64, 0, 0, 64}, {64, 0, 0, 32}, n, kSubsectorChild | 1});
    chain.rootReference = 30000;
    TreeCheck check = CheckTree(chain);
    EXPECT_EQ(std::tuple(Faults(check), check.figures.depth), std::tuple("", 30001));
}

// Exit codes 0, 1 and 2; faults as text; JSON lines with their keys, a map that cannot be read among them;
// wadscope-render --check prints what wadscope-check prints.
TEST_F(CheckProgram, TheProgramsReportAndExit) {
    const std::string check = "'" WADSCOPE_CHECK_EXE "'";
    EXPECT_EQ(Run(check, "--wad freedoom1.wad --map e1m1"), 0);
    const std::string e1m1 = out;
    EXPECT_TRUE(e1m1.starts_with("E1M1: doom map, classic tree\n") && e1m1.ends_with("\n  ok\n")) << e1m1;
    EXPECT_EQ(Run("'" WADSCOPE_RENDER_EXE "'", "--wad freedoom1.wad --map E1M1 --check --size 8x8 /dev/null"), 0);
    EXPECT_EQ(out, e1m1);
    EXPECT_EQ(Run(check, "--wad freedoom1.wad --fit"), 2);
    TestMap broken = SplitRoom(), deePBsp = SplitRoom();
    broken.nodes[0].rightBox.left = 48, deePBsp.name = "MAP02";
    std::vector<TestLump> lumps = BuildMapLumps(broken), unread = BuildMapLumps(deePBsp);
    unread[7].data = {'x', 'N', 'd', '4', 0, 0, 0, 0};
    lumps.insert(lumps.end(), unread.begin(), unread.end());
    WriteFile(dir + "broken.wad", BuildWad(lumps));
    EXPECT_EQ(Run(check, "--wad broken.wad"), 1);
    EXPECT_NE(out.find("\n  box: node 0 child 0 seg 0: vertex (32, 0) lies 16 units outside the child's box\n\nMAP02: cannot"),
              std::string::npos) << out;
    EXPECT_EQ(Run(check, "--wad broken.wad --json >broken.json; test $? = 1 && python3 -c 'import json, sys\n"
                         "for line in open(sys.argv[1]): print(*json.loads(line))' broken.json"), 0);
    EXPECT_EQ(out, "map format tree things vertexes linedefs sidedefs sectors nodes subsectors segs split_segs minisegs width "
                   "height depth mean_depth least_depth fault_counts faults\nmap error\n");
}
