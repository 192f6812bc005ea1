// Loading a level, and wadscope-render's work for a 1920 x 1080 shot split into
// its stages, each as a multiple of one plain read of the level file (x_read).
#include <benchmark/benchmark.h>

#include <cstdio>
#include <filesystem>
#include <string>
#include <vector>

#include "app/headless/png_file.h"
#include "app/map_table.h"
#include "bench_support.h"

namespace {

constexpr int32_t kShotWidth = 1920, kShotHeight = 1080;

std::string TempPng(int32_t mapIndex) {
    return (std::filesystem::temp_directory_path() /
            ("wadscope-bench-" + std::string(kMapTable[mapIndex].name) + ".png"))
        .string();
}

// A session started on the map with a shot-sized framebuffer, as wadscope-render has it.
struct ShotSession {
    Session session;
    ShotSession(int32_t mapIndex, const std::string& font) {
        bench::StartFreedoom(session, mapIndex, kShotWidth, kShotHeight, font);
    }
};

void ReadFile(benchmark::State& state) {
    bench::TimeAlongside(state, "x_read", [] { bench::ReadWholeFile(bench::kFreedoom); },
                         [] { bench::ReadWholeFile(bench::kFreedoom); });
}

void Load(benchmark::State& state, int32_t mapIndex) {
    bool loaded = false;
    bench::TimeAlongside(state, "x_read", [] { bench::ReadWholeFile(bench::kFreedoom); }, [&] {
        loaded = bool(LoadLevel(LevelFile{bench::kFreedoom, nullptr}, kMapTable[mapIndex].name, MarkerSearch::kEntryNameWithin,
                                [](Stream, std::string_view) {}));
    });
    if (!loaded) state.SkipWithError("Freedoom is missing: apt-get install freedoom");
}

// Start-up and load: what wadscope-render does before the first frame.
void ShotStartup(benchmark::State& state, int32_t mapIndex) {
    std::string font = bench::FontFile();
    bench::TimeAlongside(state, "x_read", [] { bench::ReadWholeFile(bench::kFreedoom); }, [&] {
        ShotSession shot(mapIndex, font);
        benchmark::DoNotOptimize(shot.session.framebuffer.canvas().pixels);
    });
}

// The first frame, which takes the player start, and the frame that is written.
void ShotCompose(benchmark::State& state, int32_t mapIndex) {
    ShotSession shot(mapIndex, bench::FontFile());
    Session& session = shot.session;
    View start = session.view;
    bench::TimeAlongside(state, "x_read", [] { bench::ReadWholeFile(bench::kFreedoom); }, [&] {
        session.view = start;
        ComposeFrame(session);
        ComposeFrame(session);
        benchmark::ClobberMemory();
    });
}

void ShotPng(benchmark::State& state, int32_t mapIndex) {
    ShotSession shot(mapIndex, bench::FontFile());
    ComposeFrame(shot.session);
    ComposeFrame(shot.session);
    std::string path = TempPng(mapIndex);
    bench::TimeAlongside(state, "x_read", [] { bench::ReadWholeFile(bench::kFreedoom); },
                       [&] { WritePng(path, shot.session.framebuffer.canvas()); });
    state.counters["png_kib"] = double(std::filesystem::file_size(path)) / 1024.0;
    std::filesystem::remove(path);
}

// Everything from start-up to the written file.
void ShotTotal(benchmark::State& state, int32_t mapIndex) {
    std::string font = bench::FontFile();
    std::string path = TempPng(mapIndex);
    bench::TimeAlongside(state, "x_read", [] { bench::ReadWholeFile(bench::kFreedoom); }, [&] {
        ShotSession shot(mapIndex, font);
        ComposeFrame(shot.session);
        ComposeFrame(shot.session);
        WritePng(path, shot.session.framebuffer.canvas());
    });
    std::filesystem::remove(path);
}

const bool registered = [] {
    benchmark::RegisterBenchmark("ReadFile", ReadFile)->UseManualTime();
    for (int32_t map = 0; map < kMapCount; ++map)
        benchmark::RegisterBenchmark((std::string("LoadLevel/") + kMapTable[map].name).c_str(), Load, map)
            ->UseManualTime();
    for (int32_t map = 0; map < kMapCount; ++map) {
        std::string name = std::string("Shot/") + kMapTable[map].name;
        benchmark::RegisterBenchmark((name + "/1-startup").c_str(), ShotStartup, map)->UseManualTime();
        benchmark::RegisterBenchmark((name + "/2-compose").c_str(), ShotCompose, map)->UseManualTime();
        benchmark::RegisterBenchmark((name + "/3-png").c_str(), ShotPng, map)->UseManualTime();
        benchmark::RegisterBenchmark((name + "/total").c_str(), ShotTotal, map)->UseManualTime();
    }
    return true;
}();

}  // namespace
