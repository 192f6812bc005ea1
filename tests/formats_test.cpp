// Every format the viewer reads, on Freedoom's maps re-encoded and rebuilt by the node builders.
#include <gtest/gtest.h>

#include <filesystem>
#include <numeric>

#include "fixtures.h"
#include "render/fitted_view.h"
#include "render/render_frame.h"
#include "wad/tree_check.h"

namespace {

struct Formats : testing::Test {
    static void SetUpTestSuite() { fixtures = new FormatFixtures(WriteTempFile("formats", {}) + "-folder"); }
    static void TearDownTestSuite() { std::filesystem::remove_all(fixtures->folder), delete fixtures; }
    static inline FormatFixtures* fixtures;

    // The map as file mode loads it, and what the load reported.
    static Level Load(const std::string& file, const std::string& map, std::string* reported = nullptr) {
        std::string lines;
        Result<Level> level = LoadLevel(LevelFile{fixtures->Path(file), nullptr}, map, MarkerSearch::kExactName,
                                        [&](Stream, std::string_view line) { lines += line; });
        EXPECT_TRUE(level) << file << " " << map << ": " << (level ? "" : level.problem().line);
        if (reported) *reported = lines;
        return level ? std::move(*level) : Level{};
    }
};

// A fitted 320 x 200 frame from the player start, the whole tree walked, or no walls.
std::vector<uint32_t> Frame(Level level, bool walls, uint8_t solid) {
    MapView fitted = FitMapView(level.vertexes, 320, 200);
    View view{.scale = fitted.scale, .offsetX = fitted.offsetX, .offsetY = fitted.offsetY, .maxDepth = walls ? INT32_MAX : 0,
              .maxDraw = INT32_MAX, .drawFarSides = 1, .solidWalls = solid};
    std::vector<uint32_t> pixels(320 * 200);
    TakePlayerStart(level, view);
    RenderFrame({320, 200, pixels.data()}, level, view, FontImage{}, StatusLine{});
    return pixels;
}

}  // namespace

// Each fixture's maps load with their formats and trees, and each tree checks sound (GL rings closed, every
// seg inside its boxes and partitions); a UDMF map without ZNODES says it has no tree.
// zdbsp's classic build of E1M1 rounds a split point to whole units 1.149 units off its linedef: six faults.
TEST_F(Formats, EveryFixtureLoadsWithItsFormatAndTree) {
    using F = MapFormat;
    using T = TreeFormat;
    const std::tuple<const char*, F, T> cases[] = {
        {"doom.wad", F::kDoom, T::kClassic},          {"hexen.wad", F::kHexen, T::kClassic},
        {"udmf.wad", F::kUdmf, T::kNone},             {"zdbsp_doom.wad", F::kDoom, T::kClassic},
        {"zdbsp_-X_doom.wad", F::kDoom, T::kXnod},    {"zdbsp_-z_doom.wad", F::kDoom, T::kZnod},
        {"zdbsp_-x_doom.wad", F::kDoom, T::kGlV2},    {"zdbsp_-x_-X_doom.wad", F::kDoom, T::kXgln},
        {"zdbsp_-x_-z_doom.wad", F::kDoom, T::kZgln}, {"glbsp_-xn_-v2_bare.wad", F::kDoom, T::kGlV2},
        {"glbsp_-xn_-v5_bare.wad", F::kDoom, T::kGlV5}, {"zdbsp_-x_-X_hexen.wad", F::kHexen, T::kXgln},
        {"bare.wad", F::kDoom, T::kNone},
        {"zdbsp_udmf.wad", F::kUdmf, T::kXgln},       {"zdbsp_-z_udmf.wad", F::kUdmf, T::kZgln}};
    for (const auto& [file, format, tree] : cases)
        for (const std::string& map : kFixtureMaps) {
            std::string reported;
            Level level = Load(file, map, &reported);
            TreeCheck check = CheckTree(level);
            EXPECT_EQ(std::accumulate(check.faultCounts.begin(), check.faultCounts.end(), int64_t(0)),
                      std::string(file) == "zdbsp_doom.wad" && map == "E1M1" ? 6 : 0) << file << " " << map;
            EXPECT_EQ(std::tuple(level.format, level.tree, reported),
                      std::tuple(format, tree, tree == T::kNone ? map + ": no BSP tree, so no walls; Debian's zdbsp builds one (zdbsp -o OUT.wad " +
                                                                       fixtures->Path(file) + ")\n"
                                                                 : ""))
                << file << " " << map;
        }
}

// Hexen-format and UDMF copies draw the Doom-format map's overhead map and markers; the Hexen copy, with
// the same tree, its walls too.
TEST_F(Formats, ReencodedMapsDrawTheSameMap) {
    for (const std::string& map : kFixtureMaps) {
        Level doom = Load("doom.wad", map), hexen = Load("hexen.wad", map), udmf = Load("udmf.wad", map);
        EXPECT_TRUE(Frame(doom, false, 0) == Frame(udmf, false, 0)) << map;
        for (uint8_t solid : {0, 1}) EXPECT_TRUE(Frame(doom, true, solid) == Frame(hexen, true, solid)) << map;
    }
}
