// Key sequences on a real Freedoom level, in table mode or in file mode. Each
// key byte is a virtual-key code given to ApplyKeyCommand, except 0xFF, which
// composes a frame; a frame is also composed after the last key. The viewer
// starts every input afresh.
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "app/key_commands.h"
#include "app/viewer.h"

namespace {

// Bounds one input's work: a map change reads a level, a frame walks a whole
// map, so an input stays well below 100 ms whatever libFuzzer's max_len.
constexpr size_t kMaxKeys = 512;
constexpr int32_t kMaxFrames = 16;
constexpr int32_t kMaxMapChanges = 8;
constexpr int32_t kWidth = 32, kHeight = 24;

// The same level in table mode and in file mode (every map of the file, fitted).
Viewer viewers[2];
std::vector<uint32_t> pixels(kWidth * kHeight);

uint32_t FakeSetStyle(void*, uint32_t style) { return style ^ kCaptionStyleBits; }
void FakePlace(void*, int32_t, int32_t) {}
const WindowCalls kWindow = {nullptr, FakeSetStyle, FakePlace};

}  // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***) {
    if (!std::freopen("/dev/null", "w", stdout)) return 0;
    LevelFile file{WADSCOPE_FREEDOOM_WAD, nullptr};
    CommandLine fitted;
    fitted.fit = true;
    for (Viewer& viewer : viewers) {
        StartMap start;
        std::string problem;
        if (&viewer == &viewers[1] && !ChooseStartMap(fitted, file, start, problem)) {
            std::fprintf(stderr, "keys_fuzzer: %s\n", problem.c_str());
            std::exit(1);
        }
        StartViewer(viewer, file, start, "/dev/null");
        viewer.framebuffer = {kWidth, kHeight, pixels.data()};
        if (viewer.level.nodes.empty()) {
            std::fprintf(stderr, "keys_fuzzer: no E1M1 in %s\n", WADSCOPE_FREEDOOM_WAD);
            std::exit(1);
        }
    }
    return 0;
}

// The first byte chooses the mode; each further byte is a key, or 0xFF for a frame.
extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    if (size == 0) return 0;
    Viewer& viewer = viewers[data[0] & 1];
    int32_t mapChanges = 0;
    int32_t frames = 0;
    for (size_t k = 1; k < size && k <= kMaxKeys; ++k) {
        if (data[k] == 0xFF) {
            if (frames++ < kMaxFrames) ComposeFrame(viewer);
            continue;
        }
        if (data[k] == kKeyKeypadPlus || data[k] == kKeyKeypadMinus) {
            if (mapChanges++ >= kMaxMapChanges) continue;
        }
        ApplyKeyCommand(viewer, (k & 1) ? &kWindow : nullptr, data[k]);
    }
    ComposeFrame(viewer);

    // Back to the start: the first map, its view, the start values, a fresh viewpoint.
    viewer.state = ViewerState{};
    viewer.altWindowStyle = kBorderlessWindowStyle;
    if (mapChanges > 0) ShowCurrentMap(viewer);
    SetStartValues(viewer);
    return 0;
}
