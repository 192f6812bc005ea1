// Key sequences on a real Freedoom level. Each byte is a virtual-key code
// given to ApplyKeyCommand, except 0xFF, which composes a frame; a frame is
// also composed after the last key. The viewer starts every input afresh.
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <unistd.h>
#include <vector>

#include "app/key_commands.h"
#include "app/viewer.h"

namespace {

// Bounds one input's work: a map change reads a level file, a frame walks a
// whole map, so an input stays well below 100 ms whatever libFuzzer's max_len.
constexpr size_t kMaxKeys = 512;
constexpr int32_t kMaxFrames = 16;
constexpr int32_t kMaxMapChanges = 8;
constexpr int32_t kWidth = 32, kHeight = 24;

Viewer viewer;
std::vector<uint32_t> pixels(kWidth * kHeight);
std::string levelCopy;

// A small PWAD with the nine map names, each followed by the real lumps of one
// of Freedoom's three smallest maps (E1M1, E1M8, E1M9 in turn): a map change
// then reads about 300 KB instead of the whole 27 MB episode.
bool WriteSmallLevelCopy(const char* sourcePath, const std::string& copyPath) {
    WadImage* image = LoadWadImage(sourcePath, nullptr);
    if (!image) return false;
    static const char* const kLumps[8] = {"THINGS", "LINEDEFS", "SIDEDEFS", "VERTEXES",
                                          "SEGS",   "SSECTORS", "NODES",    "SECTORS"};
    static const char* const kSourceMaps[3] = {"E1M1", "E1M8", "E1M9"};
    struct Entry {
        uint32_t offset, size;
        std::string name;
    };
    std::vector<uint8_t> data;
    std::vector<Entry> sourceLumps[3];
    for (int32_t m = 0; m < 3; ++m) {
        for (const char* name : kLumps) {
            uint32_t size = 0;
            const uint8_t* lump = FindLump(kSourceMaps[m], name, &size, &image, sourcePath);
            if (!lump) continue;
            sourceLumps[m].push_back({uint32_t(12 + data.size()), size, name});
            data.insert(data.end(), lump, lump + size);
        }
    }
    FreeWadImage(image);
    std::vector<Entry> entries;
    for (int32_t m = 0; m < kMapCount; ++m) {
        entries.push_back({12, 0, kMapTable[m].name});
        entries.insert(entries.end(), sourceLumps[m % 3].begin(), sourceLumps[m % 3].end());
    }
    auto put32 = [](std::vector<uint8_t>& out, uint32_t v) {
        for (int shift = 0; shift < 32; shift += 8) out.push_back(uint8_t(v >> shift));
    };
    std::vector<uint8_t> file = {'P', 'W', 'A', 'D'};
    put32(file, uint32_t(entries.size()));
    put32(file, uint32_t(12 + data.size()));
    file.insert(file.end(), data.begin(), data.end());
    for (const Entry& entry : entries) {
        put32(file, entry.offset);
        put32(file, entry.size);
        char name[8] = {};
        entry.name.copy(name, 8);
        file.insert(file.end(), name, name + 8);
    }
    FILE* out = std::fopen(copyPath.c_str(), "wb");
    if (!out) return false;
    bool written = std::fwrite(file.data(), 1, file.size(), out) == file.size();
    return std::fclose(out) == 0 && written;
}

uint32_t FakeSetStyle(void*, uint32_t style) { return style ^ kCaptionStyleBits; }
void FakePlace(void*, int32_t, int32_t) {}
const WindowCalls kWindow = {nullptr, FakeSetStyle, FakePlace};

void RemoveLevelCopy() { std::remove(levelCopy.c_str()); }

}  // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***) {
    if (!std::freopen("/dev/null", "w", stdout)) return 0;
    const char* directory = access("/dev/shm", W_OK) == 0 ? "/dev/shm" : "/tmp";
    levelCopy = std::string(directory) + "/wadscope-keys-fuzzer-" + std::to_string(getpid()) + ".wad";
    if (!WriteSmallLevelCopy(WADSCOPE_FREEDOOM_WAD, levelCopy)) {
        std::fprintf(stderr, "keys_fuzzer: cannot read %s or write %s\n", WADSCOPE_FREEDOOM_WAD,
                     levelCopy.c_str());
        std::exit(1);
    }
    std::atexit(RemoveLevelCopy);
    StartViewer(viewer, levelCopy.c_str(), "/dev/null");
    viewer.framebuffer = {kWidth, kHeight, pixels.data()};
    if (viewer.level.numNodes == 0) {
        std::fprintf(stderr, "keys_fuzzer: no E1M1 in %s\n", WADSCOPE_FREEDOOM_WAD);
        std::exit(1);
    }
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    int32_t mapChanges = 0;
    int32_t frames = 0;
    for (size_t k = 0; k < size && k < kMaxKeys; ++k) {
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

    // Back to the start: map 0, its view, the start values, a fresh viewpoint.
    viewer.state = ViewerState{};
    viewer.altWindowStyle = kBorderlessWindowStyle;
    if (mapChanges > 0) LoadLevel(viewer.level, 0, viewer.wadPath);
    SetStartValues(viewer);
    return 0;
}
