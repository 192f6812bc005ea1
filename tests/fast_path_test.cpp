// The drawing fast paths against the plain formulas of reference_render.h:
// every pixel of every picture must be the same.
#include <gtest/gtest.h>

#include <cstdint>
#include <random>
#include <vector>

#include "app/viewer.h"
#include "draw/line.h"
#include "draw/truncate.h"
#include "reference_render.h"
#include "render/wall_segment.h"
#include "test_support.h"

namespace {

constexpr uint32_t kGuard = 0xA5A5A5A5;
constexpr size_t kGuardPixels = 64;

// A white picture between guard pixels, so a write outside it shows up as a difference.
struct Picture {
    std::vector<uint32_t> store;
    Framebuffer framebuffer;
    Picture(int32_t width, int32_t height)
        : store(size_t(width) * size_t(height) + 2 * kGuardPixels, 0xFFFFFFFF) {
        std::fill_n(store.begin(), kGuardPixels, kGuard);
        std::fill_n(store.end() - kGuardPixels, kGuardPixels, kGuard);
        framebuffer = {width, height, store.data() + kGuardPixels};
    }
};

// Where two pictures first differ, or "same".
std::string FirstDifference(const Picture& fast, const Picture& plain) {
    for (size_t i = 0; i < fast.store.size(); ++i) {
        if (fast.store[i] == plain.store[i]) continue;
        int64_t pixel = int64_t(i) - int64_t(kGuardPixels), width = fast.framebuffer.width;
        return "pixel (" + std::to_string(pixel % width) + ", " + std::to_string(pixel / width) +
               "): " + std::to_string(fast.store[i]) + " instead of " + std::to_string(plain.store[i]);
    }
    return "same";
}

const int32_t kSizes[][2] = {{1, 1}, {1, 9}, {9, 1}, {2, 2}, {13, 11}, {101, 1203},
                             {3, 2500}, {640, 1081}, {1920, 1080}, {333, 2161}};

TEST(FastPath, VerticalLineRowsLieInRunsOfAThousand) {
    // The formula's step for a vertical line; the sum only grows with the row, so
    // checking the first and last row of every run checks the whole run.
    float step = 1.0f / 1000.0f;
    for (int32_t x = 0; x < kVerticalRunLimit; ++x) {
        for (int32_t run = 0; run * kVerticalRunRows < kVerticalRunLimit; ++run) {
            int32_t rows = std::min((run + 1) * kVerticalRunRows, kVerticalRunLimit);
            if (!VerticalLineInRuns(x, rows)) break;
            ASSERT_EQ(TruncToInt32(float(run * kVerticalRunRows) * step + float(x)), x + run) << x;
            ASSERT_EQ(TruncToInt32(float(rows - 1) * step + float(x)), x + run) << x;
        }
    }
    EXPECT_FALSE(VerticalLineInRuns(kVerticalRunLimit - 1, kVerticalRunRows + 1));
    EXPECT_FALSE(VerticalLineInRuns(0, kVerticalRunLimit + 1));
}

TEST(FastPath, RandomLinesMatchTheFormula) {
    std::mt19937 random(20240611);
    for (auto& size : kSizes) {
        int32_t width = size[0], height = size[1];
        Picture fast(width, height), plain(width, height);
        // Ends inside, on the clamps and far outside; 45-degree, vertical and
        // horizontal lines; every slope class.
        std::uniform_int_distribution<int32_t> inX(-2, width + 1), inY(-2, height + 1);
        std::uniform_int_distribution<int32_t> far(-100000, 100000), pick(0, 5);
        for (int32_t n = 0; n < 2000; ++n) {
            int32_t x0 = inX(random), y0 = inY(random), x1 = inX(random), y1 = inY(random);
            switch (pick(random)) {
                case 0: x1 = x0; break;                                 // vertical
                case 1: y1 = y0; break;                                 // horizontal
                case 2: x1 = x0 + (y1 - y0); break;                     // 45 degrees down
                case 3: x1 = x0 - (y1 - y0); break;                     // 45 degrees up
                case 4: x0 = far(random), y1 = far(random); break;      // clamped ends
                default: break;
            }
            uint32_t colour = random() & 0xFFFFFF;
            DrawLine(fast.framebuffer.pixels, width, height, x0, y0, x1, y1, colour);
            reference::DrawLine(plain.framebuffer.pixels, width, height, x0, y0, x1, y1, colour);
            // Comparing whole pictures after every line would be slow on the large ones.
            if (n % 97 != 0 && size_t(width) * size_t(height) > 10000) continue;
            ASSERT_EQ(FirstDifference(fast, plain), "same")
                << width << "x" << height << " up to line (" << x0 << ", " << y0 << ")-(" << x1 << ", "
                << y1 << ")";
        }
        // Whole-height columns, the right edge included, where a long line drifts.
        for (int32_t x : {0, width / 2, width - 2, width - 1}) {
            DrawLine(fast.framebuffer.pixels, width, height, x, height + 5, x, -5, 0x123456);
            reference::DrawLine(plain.framebuffer.pixels, width, height, x, height + 5, x, -5, 0x123456);
        }
        EXPECT_EQ(FirstDifference(fast, plain), "same") << width << "x" << height;
    }
}

// Walls seen from anywhere, near and far, kept as columns and drawn at the end,
// against every column drawn at once.
TEST(FastPath, RandomWallsMatchThePlainColumnLoop) {
    std::mt19937 random(7);
    std::uniform_real_distribution<float> position(-400, 400), angle(-7, 7), height(-300, 600);
    for (auto& size : kSizes) {
        for (int mode = 0; mode < 4; ++mode) {
            ViewerState viewer;
            viewer.solidWalls = mode & 1;
            viewer.nearScale = (mode >> 1) & 1;
            Picture fast(size[0], size[1]), plain(size[0], size[1]);
            WallColumns columns(fast.framebuffer);
            for (int32_t n = 0; n < 60; ++n) {
                viewer.playerX = position(random), viewer.playerY = position(random);
                viewer.angle = angle(random);
                float x1 = position(random), y1 = position(random);
                float x2 = position(random), y2 = position(random);
                float ceiling = height(random), floor = height(random) * 0.25f;
                if (n % 10 == 0) ceiling = floor;  // flat walls: their columns draw nothing
                DrawWallSegment(fast.framebuffer, viewer, x1, y1, x2, y2, ceiling, floor, &columns);
                reference::DrawWallSegment(plain.framebuffer, viewer, x1, y1, x2, y2, ceiling, floor);
            }
            DrawWallColumns(fast.framebuffer, columns);
            ASSERT_EQ(FirstDifference(fast, plain), "same")
                << size[0] << "x" << size[1] << " solid " << int(viewer.solidWalls) << " near "
                << int(viewer.nearScale);
        }
    }
}

// Kept runs in columns on and beside the 64-column words the rows are filled
// by, many runs ending on one row, against each column written down on its own.
TEST(FastPath, KeptColumnsAreWrittenAsTheirRuns) {
    std::mt19937 random(64);
    for (auto& size : kSizes) {
        int32_t width = size[0], height = size[1];
        for (int round = 0; round < 6; ++round) {
            Picture fast(width, height), plain(width, height);
            WallColumns columns(fast.framebuffer);
            std::uniform_int_distribution<int32_t> row(0, height - 1), pick(0, 3);
            for (int32_t x = 0; x < width; ++x) {
                bool wordEdge = x % 64 == 0 || x % 64 == 63 || x == width - 1;
                if (!wordEdge && pick(random) < round % 3) continue;  // sparse rows in some rounds
                int32_t top = row(random), bottom = row(random);
                if (pick(random) == 0) top = 0, bottom = height - 1;  // some rows covered everywhere
                if (top > bottom) std::swap(top, bottom);
                columns.top[size_t(x)] = top, columns.bottom[size_t(x)] = bottom;
                for (int32_t y = top; y <= bottom; ++y)
                    plain.framebuffer.pixels[size_t(y) * size_t(width) + size_t(x)] = 0;
            }
            DrawWallColumns(fast.framebuffer, columns);
            ASSERT_EQ(FirstDifference(fast, plain), "same") << width << "x" << height << " round " << round;
        }
    }
}

// Every Freedoom map from its player start, in every wall mode, with the start
// limits and with the whole level walked.
class FreedoomFrame : public testing::TestWithParam<int32_t> {};

TEST_P(FreedoomFrame, MatchesThePlainFrame) {
    Viewer viewer;
    viewer.state.mapIndex = GetParam();
    StartViewer(viewer, FreedoomPath().c_str(), FontPath().c_str());
    ASSERT_NE(viewer.level.nodes, nullptr);
    for (auto& size : {std::pair{1920, 1080}, std::pair{1283, 1091}}) {
        Picture fast(size.first, size.second), plain(size.first, size.second);
        viewer.framebuffer = fast.framebuffer;
        ViewerState plainState = viewer.state;
        ComposeFrame(viewer);  // takes the player start
        reference::RenderFrame(plain.framebuffer, viewer.level, plainState, viewer.font,
                               viewer.statusLine);
        ASSERT_EQ(FirstDifference(fast, plain), "same");
        for (int variant = 0; variant < 8; ++variant) {
            viewer.state.solidWalls = plainState.solidWalls = variant & 1;
            viewer.state.nearScale = plainState.nearScale = (variant >> 1) & 1;
            bool whole = variant >> 2;
            viewer.level.maxDepth = whole ? 1000000 : 100;
            viewer.level.maxDraw = whole ? 1000000 : 250;
            ComposeFrame(viewer);
            reference::RenderFrame(plain.framebuffer, viewer.level, plainState, viewer.font,
                                   viewer.statusLine);
            ASSERT_EQ(FirstDifference(fast, plain), "same")
                << size.first << "x" << size.second << " variant " << variant;
        }
        viewer.state.playerStartPending = 1;
        SetStartValues(viewer);
    }
    CloseViewer(viewer);
}

// Zoomed in, so most linedefs lie outside the framebuffer and are clamped onto
// its border, in a buffer tall enough for vertical lines to drift a column.
TEST_P(FreedoomFrame, MatchesThePlainFrameZoomedIn) {
    Viewer viewer;
    viewer.state.mapIndex = GetParam();
    StartViewer(viewer, FreedoomPath().c_str(), FontPath().c_str());
    ASSERT_NE(viewer.level.nodes, nullptr);
    Picture fast(701, 2300), plain(701, 2300);
    viewer.framebuffer = fast.framebuffer;
    ComposeFrame(viewer);  // takes the player start
    Level& level = viewer.level;
    int32_t startX = ScreenToMapUnits(viewer.state.playerX, level.offsetX, level.scale);
    int32_t startY = ScreenToMapUnits(viewer.state.playerY, level.offsetY, level.scale);
    level.scale *= 4.0f;
    for (int variant = 0; variant < 8; ++variant) {
        if (variant == 4) {  // the player start in the middle: linedefs clamp onto all four sides
            level.offsetX = 5.0f * 701.0f / level.scale - float(startX);
            level.offsetY = 5.0f * 2300.0f / level.scale - float(startY);
            int32_t outside[4] = {};
            for (int32_t i = 0; i < level.numLinedefs; ++i) {
                const MapVertex& a = level.vertexes[level.linedefs[i].startVertex];
                const MapVertex& b = level.vertexes[level.linedefs[i].endVertex];
                float ax = MapToScreen(a.x, level.offsetX, level.scale), bx = MapToScreen(b.x, level.offsetX, level.scale);
                float ay = MapToScreen(a.y, level.offsetY, level.scale), by = MapToScreen(b.y, level.offsetY, level.scale);
                outside[0] += ax < 0 && bx < 0, outside[1] += ax >= 701 && bx >= 701;
                outside[2] += ay < 0 && by < 0, outside[3] += ay >= 2300 && by >= 2300;
            }
            EXPECT_GT(outside[0] + outside[1] + outside[2] + outside[3], level.numLinedefs / 4);
        }
        ViewerState plainState = viewer.state;
        viewer.state.solidWalls = plainState.solidWalls = variant & 1;
        viewer.state.nearScale = plainState.nearScale = (variant >> 1) & 1;
        ComposeFrame(viewer);
        reference::RenderFrame(plain.framebuffer, viewer.level, plainState, viewer.font,
                               viewer.statusLine);
        ASSERT_EQ(FirstDifference(fast, plain), "same") << "variant " << variant;
    }
    CloseViewer(viewer);
}

INSTANTIATE_TEST_SUITE_P(E1, FreedoomFrame, testing::Range(0, kMapCount),
                         [](const testing::TestParamInfo<int32_t>& info) {
                             return std::string(kMapTable[info.param].name);
                         });

}  // namespace
