// Every map of the free level files, fitted views, and extended nodes built by zdbsp.
#include <gtest/gtest.h>

#include <cmath>
#include <filesystem>

#include "app/session.h"
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
        int32_t x = TruncToInt32(MapToScreen(float(vertex.x), view.offsetX, view.scale));
        int32_t y = TruncToInt32(MapToScreen(float(vertex.y), view.offsetY, view.scale));
        left = std::min(left, x), right = std::max(right, x), top = std::min(top, y), bottom = std::max(bottom, y);
    }
    int32_t gaps[4] = {left - margin, width - 1 - margin - right, top - margin, height - 1 - margin - bottom};
    EXPECT_TRUE(*std::min_element(gaps, gaps + 4) >= 0 && std::abs(gaps[0] - gaps[1]) <= 1 && std::abs(gaps[2] - gaps[3]) <= 1 &&
                (std::min(gaps[0] + gaps[1], gaps[2] + gaps[3]) <= 1 || (left == right && top == bottom)))
        << width << "x" << height << ": " << left << ".." << right << ", " << top << ".." << bottom << " margin " << margin;
}

// One map of a file in file mode, composed from its player start (which the first frame takes) in a fitted view.
struct Shot {
    Session session;
    std::vector<uint32_t> pixels;
    std::string printed;
    Shot(const std::string& wad, const std::string& map, uint8_t solid) {
        session.messages = [this](Stream, std::string_view line) { printed += line; };
        ResizeFramebuffer(session, 320, 200);
        StartRun(session, LevelFile{wad, nullptr}, StartMap{0, {map}}, FontPath());
        session.view.solidWalls = solid;
        ComposeFrame(session), ComposeFrame(session);
        const Canvas& canvas = session.framebuffer.canvas();
        pixels.assign(canvas.pixels, canvas.pixels + 320 * 200);
    }
};

}  // namespace

TEST(FittedView, EveryVertexInsideTheMarginCentredOneExtentFilled) {
    const std::vector<std::vector<MapVertex>> maps = {
        {{5, -7}},                     // one vertex
        {{-100, 20}, {300, 20}},       // a horizontal line
        {{30000, -5}, {30000, 5}},     // a short vertical line far out
        {{-32768, -32768}, {32767, 32767}},  // the extremes of 16 bits
        {{-32768, 0}, {32767, 1}}};
    for (const auto& vertexes : maps)
        for (auto [width, height] : {std::pair{1920, 1080}, {800, 600}, {333, 97}, {97, 333}, {1, 1}})
            ExpectFitted(vertexes, width, height);
    // A map of one unit far out needs an offset whose float rounding moves it by pixels: zoomed out, it stays inside.
    MapView view = FitMapView({{32720, 0}, {32721, 0}}, 1920, 1080);
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
        for (const std::string& map : ListMaps(*ReadLevelFileDirectory(LevelFile{wad, nullptr}))) {
            SCOPED_TRACE(std::string(file) + " " + map);
            ++maps;
            for (uint8_t solid : {0, 1}) {
                Shot shot(wad, map, solid);
                EXPECT_EQ(std::tuple(shot.session.levelProblem.has_value(), shot.printed, shot.session.level.nodes.empty(),
                                     std::count(shot.pixels.begin(), shot.pixels.end(), 0u) > 0),
                          std::tuple(false, "", false, true));
                ExpectFitted(shot.session.level.vertexes, 320, 200);
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
    Level level = shot.session.level;
    const View& view = shot.session.view;
    for (MapSeg& seg : level.segs)
        if (seg.startVertex < firstSplit && seg.endVertex < firstSplit) seg.linedef = UINT32_MAX;  // skipped
    TestPicture walls(320, 200);
    BspWalk walk(level, view, walls.framebuffer);
    walk.viewMapX = ScreenToMapUnits(view.playerX, view.offsetX, view.scale);
    walk.viewMapY = ScreenToMapUnits(view.playerY, view.offsetY, view.scale);
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
            const Level &c = fromClassic.session.level, &x = fromExtended.session.level;
            ASSERT_FALSE(fromClassic.session.levelProblem || fromExtended.session.levelProblem || fromCompressed.session.levelProblem);
            EXPECT_EQ(fromClassic.printed + fromExtended.printed + fromCompressed.printed, "");
            EXPECT_TRUE(fromExtended.pixels == fromCompressed.pixels);
            ASSERT_EQ(std::tuple(c.segs.size(), c.subsectors.size(), c.nodes.size(), c.segVertexes.size()),
                      std::tuple(x.segs.size(), x.subsectors.size(), x.nodes.size(), x.segVertexes.size()));
            size_t firstSplit = x.vertexes.size();  // the classic build appends its splits to VERTEXES
            for (size_t k = 0; k < c.segVertexes.size(); ++k) {
                // Float precision, at which the walls are drawn.
                float dx = float(x.segVertexes[k].x) - float(c.segVertexes[k].x), dy = float(x.segVertexes[k].y) - float(c.segVertexes[k].y);
                ASSERT_TRUE(k < firstSplit ? dx == 0 && dy == 0 : dx >= 0 && dx <= 1 && dy >= 0 && dy <= 1) << "vertex " << k;
            }
            const std::vector<uint32_t>& classicPixels = fromClassic.pixels;
            const std::vector<uint32_t>& extendedPixels = fromExtended.pixels;
            std::vector<uint32_t> classicSplits = SplitWalls(fromClassic, firstSplit), extendedSplits = SplitWalls(fromExtended, firstSplit);
            for (size_t p = 0; p < classicPixels.size(); ++p)
                ASSERT_TRUE(classicPixels[p] == extendedPixels[p] || classicSplits[p] == 0 || extendedSplits[p] == 0) << "pixel " << p;
        }
    }
}
