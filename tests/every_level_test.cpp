// Every map of the free level files, fitted views, and extended nodes built by zdbsp.
#include <gtest/gtest.h>

#include <cmath>
#include <filesystem>

#include "app/viewer.h"
#include "render/bsp_walk.h"
#include "render/fitted_view.h"
#include "render/map_to_screen.h"
#include "test_support.h"

namespace {

const std::string kDoomDir = "/usr/share/games/doom/";

// Every vertex lands between the margins, the unused room is split evenly, and (unless the map
// is a single point) one extent spans from margin to margin.
void ExpectFitted(const std::vector<MapVertex>& vertexes, int32_t width, int32_t height) {
    MapView view = FitMapView(vertexes, width, height);
    int32_t margin = FitMargin(width, height), left = INT32_MAX, right = INT32_MIN, top = INT32_MAX, bottom = INT32_MIN;
    for (const MapVertex& vertex : vertexes) {
        int32_t x = TruncToInt32(MapToScreen(vertex.x, view.offsetX, view.scale)), y = TruncToInt32(MapToScreen(vertex.y, view.offsetY, view.scale));
        left = std::min(left, x), right = std::max(right, x), top = std::min(top, y), bottom = std::max(bottom, y);
    }
    int32_t gaps[4] = {left - margin, width - 1 - margin - right, top - margin, height - 1 - margin - bottom};
    EXPECT_TRUE(*std::min_element(gaps, gaps + 4) >= 0 && std::abs(gaps[0] - gaps[1]) <= 1 && std::abs(gaps[2] - gaps[3]) <= 1 &&
                (std::min(gaps[0] + gaps[1], gaps[2] + gaps[3]) <= 1 || (left == right && top == bottom)))
        << width << "x" << height << ": " << left << ".." << right << ", " << top << ".." << bottom << " margin " << margin;
}

// One map of a file in file mode, composed from its player start (which the first frame takes) in a fitted view.
struct Shot {
    std::string path;  // the viewer keeps its characters
    Viewer viewer;
    TestPicture picture{320, 200};
    std::string printed;
    Shot(const std::string& wad, const std::string& map, uint8_t solid) : path(wad) {
        testing::internal::CaptureStdout();
        StartViewer(viewer, LevelFile{path.c_str(), nullptr}, StartMap{0, {map}}, FontPath().c_str());
        viewer.framebuffer = picture.framebuffer, viewer.state.solidWalls = solid;
        ComposeFrame(viewer), ComposeFrame(viewer);
        printed = testing::internal::GetCapturedStdout();
    }
    ~Shot() { CloseViewer(viewer); }
};

}  // namespace

TEST(FittedView, EveryVertexInsideTheMarginCentredOneExtentFilled) {
    const std::vector<std::vector<MapVertex>> maps = {
        {{{5, 0}, {0xF9, 0xFF}}},                                      // one vertex
        {{{0x9C, 0xFF}, {20, 0}}, {{0x2C, 0x01}, {20, 0}}},            // a horizontal line
        {{{0x30, 0x75}, {0xFB, 0xFF}}, {{0x30, 0x75}, {5, 0}}},        // a short vertical line far out
        {{{0, 0x80}, {0, 0x80}}, {{0xFF, 0x7F}, {0xFF, 0x7F}}},       // the extremes of 16 bits
        {{{0, 0x80}, {0, 0}}, {{0xFF, 0x7F}, {1, 0}}}};
    for (const auto& vertexes : maps)
        for (auto [width, height] : {std::pair{1920, 1080}, {800, 600}, {333, 97}, {97, 333}, {1, 1}})
            ExpectFitted(vertexes, width, height);
    // A map of one unit far out needs an offset whose float rounding moves it by pixels: zoomed out, it stays inside.
    MapView view = FitMapView({{{0xD0, 0x7F}, {0, 0}}, {{0xD1, 0x7F}, {0, 0}}}, 1920, 1080);
    for (float x : {32720.0f, 32721.0f}) {
        int32_t pixel = TruncToInt32(MapToScreen(x, view.offsetX, view.scale));
        EXPECT_TRUE(pixel >= FitMargin(1920, 1080) && pixel < 1920 - FitMargin(1920, 1080)) << pixel;
    }
}

// Each map loads whole, fits, and draws its walls in both modes without a subsector that does not exist.
TEST(EveryLevel, EveryMapOfTheFreeLevelFilesLoadsFitsAndRenders) {
    int32_t maps = 0;
    for (const char* file : {"freedoom1.wad", "freedoom2.wad", "freedm.wad"}) {
        std::string wad = kDoomDir + file;
        ASSERT_TRUE(std::filesystem::exists(wad)) << wad << ": install Debian's freedoom and freedm packages";
        for (const std::string& map : ListMaps(ReadLevelFileDirectory(LevelFile{wad.c_str(), nullptr}))) {
            SCOPED_TRACE(std::string(file) + " " + map);
            ++maps;
            for (uint8_t solid : {0, 1}) {
                Shot shot(wad, map, solid);
                EXPECT_EQ(std::tuple(shot.viewer.level.status, shot.printed, shot.viewer.level.nodes.empty(), shot.picture.Count(0) > 0),
                          std::tuple(LevelStatus::kLoaded, "", false, true));
                ExpectFitted(shot.viewer.level.vertexes, 320, 200);
            }
        }
    }
    EXPECT_EQ(maps, 36 + 32 + 32);
}

namespace {

// Freedoom's second file with nodes built three times by zdbsp: classic, extended (-X), compressed (-z).
struct ZdbspBuilds : testing::Test {
    static std::string Build(const char* options, const char* name) {
        std::string out = WriteTempFile(std::string("zdbsp-") + name + ".wad", {});
        std::string command = std::string("zdbsp -t ") + options + " -o '" + out + "' '" + kDoomDir + "freedoom2.wad' >/dev/null 2>&1";
        EXPECT_EQ(std::system(command.c_str()), 0) << command << ": install Debian's zdbsp package";
        return out;
    }
    static void SetUpTestSuite() {
        classic = Build("", "classic"), extended = Build("-X", "extended"), compressed = Build("-z", "compressed");
    }
    static void TearDownTestSuite() {
        for (const std::string& path : {classic, extended, compressed}) std::filesystem::remove(path);
    }
    static inline std::string classic, extended, compressed;
};

// The walls of the segs with an end at a split vertex (index from `firstSplit` on) alone.
std::vector<uint32_t> SplitWalls(const Shot& shot, size_t firstSplit) {
    Level level = shot.viewer.level;
    for (BspSeg& seg : level.segs)
        if (seg.startVertex < firstSplit && seg.endVertex < firstSplit) seg.linedef = UINT32_MAX;  // skipped
    TestPicture walls(shot.picture.framebuffer.width, shot.picture.framebuffer.height);
    BspWalk walk(level, shot.viewer.state, walls.framebuffer);
    walk.mx = ScreenToMapUnits(shot.viewer.state.playerX, level.offsetX, level.scale);
    walk.my = ScreenToMapUnits(shot.viewer.state.playerY, level.offsetY, level.scale);
    WalkBspNode(walk, level.rootReference, 0);
    return walls.Pixels();
}

}  // namespace

// The compressed build reads as the extended one. Against the classic build the tree has the same size and
// only the split vertexes differ, by the rounding down to whole units that the classic records force:
// so the overhead map is the same, and every pixel that differs lies on a wall with a split end.
TEST_F(ZdbspBuilds, ExtendedNodesReadAsTheClassicTreeWithExactSplits) {
    for (int32_t number = 1; number <= 32; ++number) {
        std::string map = (number < 10 ? "MAP0" : "MAP") + std::to_string(number);
        SCOPED_TRACE(map);
        for (uint8_t solid : {0, 1}) {
            Shot fromClassic(classic, map, solid), fromExtended(extended, map, solid), fromCompressed(compressed, map, solid);
            const Level &c = fromClassic.viewer.level, &x = fromExtended.viewer.level, &z = fromCompressed.viewer.level;
            ASSERT_EQ(std::tuple(c.status, x.status, z.status), std::tuple(LevelStatus::kLoaded, LevelStatus::kLoaded, LevelStatus::kLoaded));
            EXPECT_EQ(fromClassic.printed + fromExtended.printed + fromCompressed.printed, "");
            EXPECT_TRUE(fromExtended.picture == fromCompressed.picture);
            ASSERT_EQ(std::tuple(c.segs.size(), c.subsectors.size(), c.nodes.size(), c.segVertexes.size()),
                      std::tuple(x.segs.size(), x.subsectors.size(), x.nodes.size(), x.segVertexes.size()));
            size_t firstSplit = x.vertexes.size();  // the classic build appends its splits to VERTEXES
            for (size_t k = 0; k < c.segVertexes.size(); ++k) {
                float dx = x.segVertexes[k].x - c.segVertexes[k].x, dy = x.segVertexes[k].y - c.segVertexes[k].y;
                ASSERT_TRUE(k < firstSplit ? dx == 0 && dy == 0 : dx >= 0 && dx <= 1 && dy >= 0 && dy <= 1) << "vertex " << k;
            }
            std::vector<uint32_t> classicPixels = fromClassic.picture.Pixels(), extendedPixels = fromExtended.picture.Pixels();
            std::vector<uint32_t> classicSplits = SplitWalls(fromClassic, firstSplit), extendedSplits = SplitWalls(fromExtended, firstSplit);
            for (size_t p = 0; p < classicPixels.size(); ++p)
                ASSERT_TRUE(classicPixels[p] == extendedPixels[p] || classicSplits[p] == 0 || extendedSplits[p] == 0) << "pixel " << p;
        }
    }
}
