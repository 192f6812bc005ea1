// RenderFrame on every Freedoom map from its player start, as a multiple of one
// clear of the same framebuffer timed alongside it (x_clear).
#include <benchmark/benchmark.h>

#include <cstring>
#include <string>
#include <vector>

#include "app/map_table.h"
#include "bench_support.h"

namespace {

struct FrameCase {
    int32_t width, height;
    bool solid, nearScale;
    bool wholeLevel;  // drawFarSides on and no depth or draw limit that cuts the walk short
    Overlay overlay = Overlay::kOff;  // the walk overlay shows every subsector; the tree overlay its root
};

void Frame(benchmark::State& state, int32_t mapIndex, FrameCase frame) {
    Session session;
    if (!bench::StartFreedoom(session, mapIndex, frame.width, frame.height, bench::FontFile()))
        return state.SkipWithError("Freedoom is missing: apt-get install freedoom");
    std::vector<uint32_t> pixels(size_t(frame.width) * size_t(frame.height));
    ComposeFrame(session);  // takes the player start
    session.view.solidWalls = frame.solid;
    session.view.halfDepthFactor = frame.nearScale;
    session.view.overlay = frame.overlay;
    if (frame.wholeLevel) {
        session.view.maxDepth = 1000000;
        session.view.maxDraw = 1000000;
        session.view.drawFarSides = 1;
    }
    bench::TimeAlongside(state, "x_clear", [&] { bench::ClearPixels(pixels); }, [&] {
        ComposeFrame(session);
        benchmark::ClobberMemory();
    });
}

void Clear(benchmark::State& state, int32_t width, int32_t height) {
    std::vector<uint32_t> pixels(size_t(width) * size_t(height));
    bench::TimeAlongside(state, "x_clear", [&] { bench::ClearPixels(pixels); },
                       [&] { bench::ClearPixels(pixels); });
}

std::string SizeName(int32_t width, int32_t height) {
    return std::to_string(width) + "x" + std::to_string(height);
}

const bool registered = [] {
    const int32_t sizes[][2] = {{1920, 1080}, {3840, 2160}};
    for (auto& size : sizes)
        benchmark::RegisterBenchmark(("Clear/" + SizeName(size[0], size[1])).c_str(), Clear,
                                     size[0], size[1])
            ->UseManualTime();
    for (bool wholeLevel : {false, true})
        for (auto& size : sizes)
            for (bool solid : {false, true})
                for (bool nearScale : {false, true})
                    for (int32_t map = 0; map < kMapCount; ++map) {
                        std::string name = std::string("Frame/") + (solid ? "solid" : "outline") +
                                           (nearScale ? "-near" : "") + "/" +
                                           (wholeLevel ? "whole" : "start") + "/" +
                                           SizeName(size[0], size[1]) + "/" + kMapTable[map].name;
                        FrameCase frame{size[0], size[1], solid, nearScale, wholeLevel};
                        benchmark::RegisterBenchmark(name.c_str(), Frame, map, frame)->UseManualTime();
                    }
    // The overlays cost against the outline frame above at 1920x1080 from the start.
    for (Overlay overlay : {Overlay::kWalk, Overlay::kTree})
        for (int32_t map = 0; map < kMapCount; ++map) {
            std::string name = std::string("Frame/outline-") + (overlay == Overlay::kWalk ? "walk" : "tree") +
                               "/start/1920x1080/" + kMapTable[map].name;
            FrameCase frame{1920, 1080, false, false, false, overlay};
            benchmark::RegisterBenchmark(name.c_str(), Frame, map, frame)->UseManualTime();
        }
    return true;
}();

}  // namespace
