// What the benchmarks share: a CPU clock for this thread, and the two yardsticks
// every time is divided by: clearing the framebuffer and reading the level file.
#pragma once
#include <benchmark/benchmark.h>

#include <time.h>

#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <string>
#include <vector>

#include "app/session.h"

namespace bench {

inline const char* const kFreedoom = "/usr/share/games/doom/freedoom1.wad";

// The repository's glyph atlas; an empty file (the fallback checkerboard, and no
// "Unable to write file" on every start-up) while it has not been made yet.
inline std::string FontFile() {
    std::string path = std::string(WADSCOPE_SOURCE_DIR) + "/assets/font.bmp";
    return std::filesystem::exists(path) ? path : "/dev/null";
}

// A session on Freedoom's map of that table row, as window creation starts it,
// with a framebuffer of that size; false when Freedoom is missing.
inline bool StartFreedoom(Session& session, int32_t mapIndex, int32_t width, int32_t height, const std::string& font) {
    ResizeFramebuffer(session, width, height);
    StartRun(session, LevelFile{kFreedoom, nullptr}, StartMap{mapIndex, {}}, font);
    return !session.levelProblem;
}

// CPU time of this thread: other engineers' builds on the same machine take
// the processor away from us, but are not counted here.
inline double ThreadSeconds() {
    timespec now;
    clock_gettime(CLOCK_THREAD_CPUTIME_ID, &now);
    return double(now.tv_sec) + double(now.tv_nsec) * 1e-9;
}

// The two yardsticks: one memset of the whole framebuffer, the frame's own
// first step and the least any frame can cost ...
inline void ClearPixels(std::vector<uint32_t>& pixels) {
    std::memset(pixels.data(), 0xFF, pixels.size() * 4);
    benchmark::ClobberMemory();
}

// ... and fopen, a fresh buffer, fread of the whole file, fclose: what any
// reader of the level file pays.
inline void ReadWholeFile(const char* path) {
    FILE* file = std::fopen(path, "rb");
    if (!file) return;
    std::fseek(file, 0, SEEK_END);
    size_t size = size_t(std::ftell(file));
    void* bytes = std::malloc(size);
    std::fseek(file, 0, SEEK_SET);
    size_t read = bytes ? std::fread(bytes, 1, size, file) : 0;
    benchmark::DoNotOptimize(read);
    std::free(bytes);
    std::fclose(file);
}

// Every iteration runs the yardstick, then the body, each timed on its own, so
// both see the same machine: the load that other work puts on the caches and
// the memory changes from minute to minute, and a ratio of two times taken at
// different moments would carry it. Reports the body's time (register with
// UseManualTime) and counter = body time / yardstick time.
template <typename Yardstick, typename Body>
void TimeAlongside(benchmark::State& state, const char* counter, Yardstick yardstick, Body body) {
    double yardstickSeconds = 0, bodySeconds = 0;
    for (auto _ : state) {
        double start = ThreadSeconds();
        yardstick();
        double middle = ThreadSeconds();
        body();
        double end = ThreadSeconds();
        yardstickSeconds += middle - start;
        bodySeconds += end - middle;
        state.SetIterationTime(end - middle);
    }
    state.counters[counter] = bodySeconds / yardstickSeconds;
}

}  // namespace bench
