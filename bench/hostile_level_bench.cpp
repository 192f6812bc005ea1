// Frames of hostile levels next to a real Freedoom frame, at 1920 x 1080 unless
// the name ends in -4k (3840 x 2160), with the walk unlimited (drawFarSides on,
// maxDepth and maxDraw huge).
//
// A hostile level of at most 64 KiB can make a frame do four kinds of work:
// - walk a tree of N nodes arranged as a chain or a DAG: each node is entered
//   once per frame, so at most N + 1 subsector visits, whatever the cycles;
// - draw S segs per visited subsector, all shared: (N + 1) x S walls;
// - fill each wall with the widest and tallest columns: ends at a depth of
//   1e-5 project millions of columns away, the column loop stops one column
//   past each edge, so a wall costs one full-screen fill at most;
// - draw its linedefs on the overhead map, each clamped into the buffer.
// Walls that are all the same, or that fill whole columns, are cheaper than
// different sloped walls short of the whole height, which each need every
// column worked out: the sloped cases are the worst we found.
// Each case reports walls_asked (seg draws the level asks for per frame) and x_clear (the frame's time as a
// multiple of one clear of the framebuffer).
#include <benchmark/benchmark.h>

#include <string>
#include <vector>

#include "bench_support.h"
#include "render/render_frame.h"
#include "test_support.h"

namespace {

constexpr int32_t kWidth = 1920, kHeight = 1080;
constexpr int32_t kUnlimited = 1 << 30;

// A wall from (x, -30000) to (x, 30000) across the whole view of a viewer at
// (0, 0) looking along +x, its start on the viewer's left so filled mode draws it.
struct HostileShape {
    int32_t chainNodes;   // node i's children: node i - 1 and subsector 0
    int32_t sharedSegs;   // segs of subsector 0, all the same wall
    int16_t wallX;        // map units in front of the viewer
    int32_t extraLinedefs = 0;  // copies of the wall's linedef: overhead lines across the screen
    // If not 0, instead of the wall across the view: walls from a near end on the
    // left to a far end on the right, seen from (0, 0), their sector this high. At
    // 16384 their height falls from the whole 4K screen to half of it. Each seg is
    // a wall of its own: its near end is one of 74 vertexes a unit apart, its far
    // end one of 74 others, so no two segs draw the same lines.
    int16_t slopedHeight = 0;
    bool steepLinedefs = false;  // the linedef copies end one unit to the right: steep, not vertical, lines
};

Bytes HostileWad(const HostileShape& shape) {
    TestMap map;
    map.linedefs.assign(size_t(1 + shape.extraLinedefs), TestLinedef{0, 1, 0, -1});
    map.sidedefs = {{0}};
    if (shape.slopedHeight) {
        constexpr int16_t kEnds = 74;
        for (int16_t k = 0; k < kEnds; ++k) map.vertexes.push_back({int16_t(1942 + k), -7282});
        for (int16_t k = 0; k < kEnds; ++k) map.vertexes.push_back({int16_t(4194 + k), 15727});
        for (int32_t i = 0; i < shape.sharedSegs; ++i)
            map.segs.push_back({int16_t(i % kEnds), int16_t(kEnds + i / kEnds), 0, 0});
        map.sectors = {{0, shape.slopedHeight}};
    } else {
        map.vertexes = {{shape.wallX, -30000}, {shape.wallX, 30000}, {int16_t(shape.wallX + 1), 30000}};
        map.segs.assign(size_t(shape.sharedSegs), TestSeg{0, 1, 0, 0});
        map.sectors = {{-32768, 32767}};
        for (size_t i = 1; shape.steepLinedefs && i < map.linedefs.size(); ++i) map.linedefs[i].endVertex = 2;
    }
    map.subsectors = {{int16_t(shape.sharedSegs), 0}};
    TestBox box{0, 0, 0, 0};
    for (int32_t i = 0; i < shape.chainNodes; ++i) {
        uint16_t previous = i == 0 ? 0x8000 : uint16_t(i - 1);
        map.nodes.push_back({0, 0, 0, 1, box, box, previous, 0x8000});
    }
    return BuildWad(BuildMapLumps(map));
}

// The viewpoint sits 1e-5 screen units before a wall at x = 1 (scale 10 maps
// one map unit to one pixel), so both ends project to millions of columns.
void HostileFrame(benchmark::State& state, HostileShape shape, bool solid,
                  int32_t width, int32_t height) {
    Bytes wad = HostileWad(shape);
    if (wad.size() > 65536) return state.SkipWithError("the hostile level is over 64 KiB");
    Level level = LoadLevelFromBytes(wad);
    View view{.scale = 10, .maxDepth = kUnlimited, .maxDraw = kUnlimited, .drawFarSides = 1,
              .playerX = shape.slopedHeight ? 0.0f : float(shape.wallX) - 1e-5f, .solidWalls = solid,
              .playerStartPending = 0};
    std::vector<uint32_t> pixels(size_t(width) * height);
    bench::TimeAlongside(state, "x_clear", [&] { bench::ClearPixels(pixels); }, [&] {
        RenderFrame(Canvas{width, height, pixels.data()}, level, view, FontImage{}, StatusLine{});
        benchmark::ClobberMemory();
    });
    state.counters["walls_asked"] = double(shape.chainNodes + 1) * shape.sharedSegs;
    state.counters["file_bytes"] = double(wad.size());
}

// The real map: E1M1 from its player start, the walk unlimited.
void FreedoomFrame(benchmark::State& state, bool solid) {
    Session session;
    if (!bench::StartFreedoom(session, 0, kWidth, kHeight, "/dev/null"))
        return state.SkipWithError("Freedoom is missing: apt-get install freedoom");
    std::vector<uint32_t> pixels(size_t(kWidth) * kHeight);
    ComposeFrame(session);  // takes the player start
    session.view.solidWalls = solid;
    session.view.maxDepth = kUnlimited, session.view.maxDraw = kUnlimited;
    session.view.drawFarSides = 1;
    bench::TimeAlongside(state, "x_clear", [&] { bench::ClearPixels(pixels); }, [&] {
        ComposeFrame(session);
        benchmark::ClobberMemory();
    });
    state.counters["segs"] = double(session.level.segs.size());
}

const bool registered = [] {
    for (bool solid : {false, true}) {
        std::string mode = solid ? "solid" : "outline";
        auto add = [&](const std::string& name, HostileShape shape, int32_t width = kWidth, int32_t height = kHeight) {
            benchmark::RegisterBenchmark(("Hostile/" + name + "/" + mode).c_str(), HostileFrame, shape, solid,
                                         width, height)
                ->UseManualTime()
                ->Unit(benchmark::kMillisecond);
        };
        benchmark::RegisterBenchmark(("Hostile/freedoom-E1M1/" + mode).c_str(), FreedoomFrame, solid)
            ->UseManualTime();
        add("one-wall", {1, 1, 1});  // one full-screen wall: the most one seg can cost
        // 64 KiB of nodes in a chain with far sides on: bounded by the once-per-node rule.
        add("node-chain-2300", {2300, 1, 1});
        // Shared segs times shared subsectors: 8 x 16 walls, then the most 64 KiB can hold.
        add("shared-8x16", {7, 16, 1});
        add("shared-64k", {1165, 2720, 1});
        // Once each seg is drawn once per frame, the most segs 64 KiB can hold is the worst.
        add("segs-64k", {1, 5420, 1});
        add("segs-64k-4k", {1, 5420, 1}, 3840, 2160);
        // As many different walls as 64 KiB can hold, sloped, most of them short of the
        // whole height (1024) or, at 4K, with lines long enough to spill over (16384).
        for (int16_t height : {16384, 1024}) {
            std::string name = "sloped-" + std::to_string(height) + "-64k";
            add(name, {1, 5370, 1, 0, height});
            add(name + "-4k", {1, 5370, 1, 0, height}, 3840, 2160);
        }
        // The overhead map: 64 KiB of linedefs, each a line the height of the screen.
        add("linedefs-64k", {1, 1, 1, 4650});
        add("steep-linedefs-64k", {1, 1, 1, 4650, 0, true});
    }
    return true;
}();

}  // namespace
