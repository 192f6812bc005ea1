// Key sequences on Freedoom's E1M1. Input: a mode byte (bit 0: file mode, every map of
// the file fitted, else table mode), then virtual-key codes for PressKey, where 0xFF
// composes a frame; a frame is also composed after the last key.
#include <cstdio>
#include <cstdlib>

#include "app/session.h"

namespace {

// Bounds one input's work (a map change loads a level, a frame walks a whole map),
// so an input stays well below 100 ms whatever libFuzzer's max_len.
constexpr size_t kMaxKeys = 512;
constexpr int32_t kMaxFrames = 16, kMaxMapChanges = 8;

// The file read once into memory, as --map all reads it; each input starts a fresh run on it.
LevelFile file;
StartMap starts[2];  // table mode on E1M1; file mode on the file's first map, E1M1
Session sessions[2];
View startViews[2];  // each run's view as it starts

// Escape's window calls: the style call swaps the caption bits, the placing does nothing.
const WindowCalls kWindow = {nullptr, [](void*, uint32_t style) { return style ^ kCaptionStyleBits; },
                             [](void*, int32_t, int32_t) {}};

}  // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***) {
    Result<WadImage> image = LoadWadImage(WADSCOPE_FREEDOOM_WAD);
    Result<StartMap> fitted = image ? ChooseStartMap(Options{.fit = true}, LevelFile{WADSCOPE_FREEDOOM_WAD, nullptr})
                                    : Result<StartMap>(image.problem());
    if (!fitted) {
        std::fprintf(stderr, "keys_fuzzer: %s\n", fitted.problem().line.c_str());
        std::exit(1);
    }
    file = LevelFile{WADSCOPE_FREEDOOM_WAD, std::make_shared<const WadImage>(std::move(*image))};
    starts[1] = *fitted;
    for (Session& session : sessions) ResizeFramebuffer(session, 32, 24);
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    if (size == 0) return 0;
    int mode = data[0] & 1;
    Session& session = sessions[mode];
    // Back to the start as a fresh run has it; the map is loaded again only when the last input changed it.
    if (session.level.nodes.empty() || session.mapIndex != starts[mode].mapIndex) {
        StartRun(session, file, starts[mode], session.font);
        startViews[mode] = session.view;
    }
    session.view = startViews[mode];
    session.altWindowStyle = kBorderlessWindowStyle;
    if (session.levelProblem) std::abort();
    int32_t frames = 0, mapChanges = 0;
    for (size_t k = 1; k < size && k <= kMaxKeys; ++k) {
        bool mapChange = data[k] == 107 || data[k] == 109;  // keypad plus and minus
        if (data[k] == 0xFF) {
            if (frames++ < kMaxFrames) ComposeFrame(session);
        } else if (!mapChange || mapChanges++ < kMaxMapChanges) {
            // Escape with window calls at odd positions, without them at even ones.
            PressKey(session, data[k], (k & 1) ? &kWindow : nullptr);
        }
    }
    ComposeFrame(session);
    return 0;
}
