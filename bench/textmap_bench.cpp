// Reading a TEXTMAP of a few MB: every map of freedoom2.wad written as one, whole
// coordinates as integers ("whole"), or with every vertex's y and thing's x a
// seventh of itself in 17 digits, most of them past the exact fast path ("sevenths").
#include <benchmark/benchmark.h>

#include <string>

#include "test_support.h"
#include "wad/udmf.h"

namespace {

constexpr const char* kFreedoom2 = "/usr/share/games/doom/freedoom2.wad";

std::string FreedoomTextMap(bool sevenths) {
    LevelFile file{kFreedoom2, nullptr};
    Result<WadDirectory> directory = ReadLevelFileDirectory(file);
    std::string text;
    for (const std::string& map : directory ? ListMaps(*directory) : std::vector<std::string>{}) {
        Result<Level> level = LoadLevel(file, map, MarkerSearch::kExactName, [](Stream, std::string_view) {});
        if (!level) continue;
        for (MapVertex& v : level->vertexes) v.y /= sevenths ? 7 : 1;
        for (MapThing& t : level->things) t.x /= sevenths ? 7 : 1;
        text += WriteTextMap(*level);
    }
    return text;
}

void ReadFreedoomTextMap(benchmark::State& state, bool sevenths) {
    const std::string text = FreedoomTextMap(sevenths);
    if (text.empty()) return state.SkipWithError("Freedoom is missing: apt-get install freedoom");
    const std::span<const uint8_t> bytes(reinterpret_cast<const uint8_t*>(text.data()), text.size());
    for (auto _ : state) {
        Level level;
        if (!ReadTextMap(bytes, level)) return state.SkipWithError("the TEXTMAP does not read");
        benchmark::DoNotOptimize(level.vertexes.data());
    }
    state.SetBytesProcessed(int64_t(state.iterations()) * int64_t(text.size()));
    state.counters["text_bytes"] = double(text.size());
}

BENCHMARK_CAPTURE(ReadFreedoomTextMap, whole, false)->Name("TextMap/freedoom2-whole")->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(ReadFreedoomTextMap, sevenths, true)->Name("TextMap/freedoom2-sevenths")->Unit(benchmark::kMillisecond);

}  // namespace
