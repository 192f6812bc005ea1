// Level file bytes in every format through every lookup, the level load, the tree check with its reports, and
// whole frames. Input: 16 settings bytes, read field by field below (two-byte fields are little-endian int16),
// then the level file.
#include <cmath>
#include <cstdlib>

#include "app/check_report.h"
#include "app/map_table.h"
#include "render/render_frame.h"

namespace {

constexpr float kScales[16] = {2.5f, 1.0f, 0.5f, 0.0f, -0.0f, -2.5f, 1e-30f, 1e30f,
                               INFINITY, -INFINITY, NAN, 0.01f, 100.0f, 1.5f, 3e38f, -1e-3f};

constexpr const char* kLumpNames[8] = {"VERTEXES", "LINEDEFS", "THINGS", "SIDEDEFS",
                                       "SECTORS", "SEGS", "SSECTORS", "NODES"};

// A roomy frame, one pixel, no columns at all, and one lower than the status line.
constexpr int32_t kFrameSizes[][2] = {{64, 48}, {1, 1}, {0, 9}, {23, 5}};

int32_t ReadInt16(const uint8_t* bytes) { return int16_t(uint16_t(bytes[0] | bytes[1] << 8)); }

// 0x7FFF and 0x8000 stand for the int32 ends.
int32_t WalkLimit(const uint8_t* bytes) {
    int32_t value = ReadInt16(bytes);
    return value == INT16_MAX ? INT32_MAX : value == INT16_MIN ? INT32_MIN : value;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    if (size < 16) return 0;
    const uint8_t* settings = data;
    Result<WadImage> image = WadImageFromBytes(data + 16, size - 16, "fuzz.wad");
    if (!image) return 0;
    LevelFile levelFile{"fuzz.wad", std::make_shared<const WadImage>(std::move(*image))};

    // Every table map's lookups, as a load of each would make them; none may point past the directory.
    Result<WadDirectory> directory = ReadLevelFileDirectory(levelFile);
    std::vector<std::string> maps;
    if (directory) {
        for (const MapTableEntry& map : kMapTable) {
            std::optional<int32_t> marker = FindEntryNamedWithin(*directory, 0, map.name);
            for (const char* lumpName : kLumpNames)
                if (marker && FindEntryNamedWithin(*directory, *marker, lumpName) >= LumpCount(*directory)) std::abort();
        }
        maps = ListMaps(*directory);
    }

    // The map: a table row, or with bit 6 one of the file's own maps by its exact name.
    const MessageSink ignore = [](Stream, std::string_view) {};
    const bool ownMap = (settings[0] & 0x40) && !maps.empty();
    const std::string name = ownMap ? maps[(settings[0] & 15) % maps.size()] : kMapTable[(settings[0] & 15) % kMapCount].name;
    Result<Level> loaded = LoadLevel(levelFile, name, ownMap ? MarkerSearch::kExactName : MarkerSearch::kEntryNameWithin, ignore);
    Level level = loaded ? std::move(*loaded) : Level{};
    if (loaded) {
        TreeCheck check = CheckTree(level);
        CheckReportText(name, check), CheckReportJson(name, check);
    } else {
        UnreadableMapJson(name, loaded.problem());
    }

    static const FontImage font;  // the status line is not under test here
    for (const auto& [width, height] : kFrameSizes) {
        std::vector<uint32_t> pixels(size_t(width * height));  // exactly: a write past the frame meets ASan
        for (uint8_t solid : {0, 1}) {
            // Each frame from the settings' viewpoint: a frame may move it onto the player start.
            View view{.scale = kScales[settings[6] % 16],
                      .offsetX = float(ReadInt16(settings + 7)), .offsetY = float(ReadInt16(settings + 9)),
                      .maxDepth = WalkLimit(settings + 1), .maxDraw = WalkLimit(settings + 3),
                      .drawFarSides = settings[5],
                      .playerX = ReadInt16(settings + 11) / 4.0f, .playerY = ReadInt16(settings + 13) / 4.0f,
                      .angle = float(settings[15] * (2 * 3.14159265358979323846 / 256)),
                      .solidWalls = solid, .halfDepthFactor = uint8_t((settings[0] >> 4) & 1),
                      .playerStartPending = (settings[0] >> 5) & 1};
            TakePlayerStart(level, view);
            RenderFrame(Canvas{width, height, pixels.data()}, level, view, font, StatusLine{});
        }
    }
    return 0;
}
