// Level file bytes through every lookup, the level load and whole frames.
// Input: a 16-byte settings block, then the level file:
//   0      map (low nibble: a table row mod 9, or with bit 6 a map of the file's
//          own list, found by its exact name), bit 4 nearScale, bit 5 player start pending
//   1-2    maxDepth, 3-4 maxDraw (int16; 0x7FFF and 0x8000 stand for the int32 ends)
//   5      drawFarSides (the raw byte: only 1 means "on")
//   6      scale, an entry of kScales
//   7-8    offsetX, 9-10 offsetY (int16 map units)
//   11-12  playerX, 13-14 playerY (int16 screen units, quarter steps)
//   15     angle in 1/256 turns
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <vector>

#include "render/render_frame.h"
#include "wad/level.h"

namespace {

constexpr size_t kSettingsSize = 16;

constexpr float kScales[16] = {2.5f, 1.0f, 0.5f, 0.0f, -0.0f, -2.5f, 1e-30f, 1e30f,
                               INFINITY, -INFINITY, NAN, 0.01f, 100.0f, 1.5f, 3e38f, -1e-3f};

constexpr const char* kLumpNames[8] = {"VERTEXES", "LINEDEFS", "THINGS", "SIDEDEFS",
                                       "SECTORS", "SEGS", "SSECTORS", "NODES"};

int32_t ReadInt16(const uint8_t* bytes) { return int16_t(uint16_t(bytes[0] | bytes[1] << 8)); }

int32_t WalkLimit(const uint8_t* bytes) {
    int32_t value = ReadInt16(bytes);
    if (value == INT16_MAX) return INT32_MAX;
    if (value == INT16_MIN) return INT32_MIN;
    return value;
}

[[noreturn]] void Fault(const char* what) {
    std::fprintf(stderr, "level_fuzzer: %s\n", what);
    std::abort();
}

struct FrameSize {
    int32_t width, height;
};

// A roomy frame, one pixel, no columns at all, and one lower than the status line.
constexpr FrameSize kFrameSizes[] = {{64, 48}, {1, 1}, {0, 9}, {23, 5}};

}  // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***) {
    // The lookups and the walk report on stdout; millions of lines would only slow the run.
    if (!std::freopen("/dev/null", "w", stdout)) return 0;
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    if (size < kSettingsSize) return 0;
    const uint8_t* settings = data;
    const uint8_t* file = data + kSettingsSize;
    size_t fileSize = size - kSettingsSize;

    // Every table map's lookups, as a level load of each would make them.
    WadImage* image = WadImageFromBytes(file, fileSize);
    if (!image) return 0;
    LevelFile levelFile{"fuzz.wad", image};
    WadDirectory directory = ReadLevelFileDirectory(levelFile);
    for (const MapTableEntry& map : kMapTable) {
        int32_t marker = FindMapMarker(directory, map.name);
        for (const char* lumpName : kLumpNames)
            if (FindLump(directory, marker, lumpName) >= LumpCount(directory)) Fault("lump index past the directory");
    }
    std::vector<std::string> maps = ListMaps(directory);

    Level level;
    level.maxDepth = WalkLimit(settings + 1);
    level.maxDraw = WalkLimit(settings + 3);
    level.drawFarSides = settings[5];
    level.scale = kScales[settings[6] % 16];
    level.offsetX = float(ReadInt16(settings + 7));
    level.offsetY = float(ReadInt16(settings + 9));
    if ((settings[0] & 0x40) && !maps.empty())
        LoadLevel(level, levelFile, maps[(settings[0] & 15) % maps.size()].c_str(), MarkerSearch::kExactName);
    else
        LoadLevel(level, levelFile, kMapTable[(settings[0] & 15) % kMapCount].name, MarkerSearch::kTableName);

    ViewerState start;
    start.playerX = float(ReadInt16(settings + 11)) / 4;
    start.playerY = float(ReadInt16(settings + 13)) / 4;
    start.angle = float(settings[15] * (2 * 3.14159265358979323846 / 256));
    start.nearScale = (settings[0] >> 4) & 1;
    start.playerStartPending = (settings[0] >> 5) & 1;

    static std::vector<uint32_t> pixels(64 * 48);
    static std::vector<uint32_t> glyphs(256 * 256);  // the status line is not under test here
    FontImage font{glyphs.data(), glyphs.size(), false};
    StatusLine statusLine{};
    for (const FrameSize& size : kFrameSizes) {
        Framebuffer framebuffer{size.width, size.height, pixels.data()};
        for (uint8_t solid : {0, 1}) {
            ViewerState viewer = start;
            viewer.solidWalls = solid;
            RenderFrame(framebuffer, level, viewer, font, statusLine);
        }
    }
    FreeWadImage(image);
    return 0;
}
