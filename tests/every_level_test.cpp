// Every map of the free level files, and fitted views.
#include <gtest/gtest.h>

#include <cmath>
#include <filesystem>

#include "app/session.h"
#include "render/fitted_view.h"
#include "render/map_to_screen.h"
#include "test_support.h"
#include "wad/tree_check.h"

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

// Each map loads whole, fits, and draws its walls in both modes without a subsector that does not exist; its tree
// checks sound but for the few faults of one map.
TEST(EveryLevel, EveryMapOfTheFreeLevelFilesLoadsFitsRendersAndChecks) {
    int32_t maps = 0;
    std::string faulty;
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
                if (!solid) continue;
                TreeCheck check = CheckTree(shot.session.level);
                const TreeFigures& f = check.figures;
                EXPECT_TRUE(f.depth >= f.leastDepth && f.leastDepth > 0 && f.splitSegs > 0 && f.width > 0);
                for (const TreeFault& fault : check.faults)
                    faulty += std::string(file) + " " + map + ": " + kFaultKindNames[size_t(fault.kind)] + " node " + std::to_string(fault.node) +
                              " child " + std::to_string(fault.child) + " seg " + std::to_string(fault.seg) + "\n";
            }
        }
    }
    EXPECT_EQ(maps, 36 + 32 + 32);
    // Classic partitions are whole units: a short one's direction drifts from the line it was cut along.
    EXPECT_EQ(faulty, "freedoom2.wad MAP09: side node 714 child 1 seg 2075\nfreedoom2.wad MAP09: side node 783 child 0 seg 2237\n");
}
