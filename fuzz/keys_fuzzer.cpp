// Key sequences on Freedoom's E1M1. Input: a mode byte (bit 0: file mode, every map of
// the file fitted, else table mode), then virtual-key codes for ApplyKeyCommand, where
// 0xFF composes a frame; a frame is also composed after the last key.
#include <cstdio>
#include <cstdlib>

#include "app/key_commands.h"

namespace {

// Bounds one input's work (a map change reads a level, a frame walks a whole map),
// so an input stays well below 100 ms whatever libFuzzer's max_len.
constexpr size_t kMaxKeys = 512;
constexpr int32_t kMaxFrames = 16, kMaxMapChanges = 8;

Viewer viewers[2];  // table mode and file mode, started once and reset after every input
std::vector<uint32_t> pixels(32 * 24);

// Escape's window calls: the style call swaps the caption bits, the placing does nothing.
const WindowCalls kWindow = {nullptr, [](void*, uint32_t style) { return style ^ kCaptionStyleBits; },
                             [](void*, int32_t, int32_t) {}};

}  // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***) {
    (void)std::freopen("/dev/null", "w", stdout);  // map loads report there
    LevelFile file{WADSCOPE_FREEDOOM_WAD, nullptr};
    StartMap starts[2];  // table mode on E1M1; file mode on the file's first map, E1M1
    std::string problem = "no E1M1 in " WADSCOPE_FREEDOOM_WAD;
    bool started = ChooseStartMap(CommandLine{.fit = true}, file, starts[1], problem);
    for (int mode : {0, 1}) {
        StartViewer(viewers[mode], file, starts[mode], "/dev/null");
        viewers[mode].framebuffer = {32, 24, pixels.data()};
        started = started && !viewers[mode].level.nodes.empty();
    }
    if (started) return 0;
    std::fprintf(stderr, "keys_fuzzer: %s\n", problem.c_str());
    std::exit(1);
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    if (size == 0) return 0;
    Viewer& viewer = viewers[data[0] & 1];
    int32_t frames = 0, mapChanges = 0;
    for (size_t k = 1; k < size && k <= kMaxKeys; ++k) {
        bool mapChange = data[k] == kKeyKeypadPlus || data[k] == kKeyKeypadMinus;
        if (data[k] == 0xFF) {
            if (frames++ < kMaxFrames) ComposeFrame(viewer);
        } else if (!mapChange || mapChanges++ < kMaxMapChanges) {
            // Escape with window calls at odd positions, without them at even ones.
            ApplyKeyCommand(viewer, (k & 1) ? &kWindow : nullptr, data[k]);
        }
    }
    ComposeFrame(viewer);

    // Back to the start: the first map, its view, the start values, a fresh viewpoint.
    viewer.state = ViewerState{};
    viewer.altWindowStyle = kBorderlessWindowStyle;
    if (mapChanges > 0) ShowCurrentMap(viewer);
    SetStartValues(viewer);
    return 0;
}
