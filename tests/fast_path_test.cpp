// The drawing fast paths against the plain formulas of reference_render.h:
// every pixel of every picture must be the same.
#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <random>

#include "draw/line.h"
#include "reference_render.h"
#include "render/overlay.h"
#include "render/render_frame.h"
#include "render/wall_segment.h"
#include "test_support.h"

namespace {

// Where two pictures first differ, guard pixels included, or "same".
std::string FirstDifference(const TestPicture& fast, const TestPicture& plain) {
    auto [at, other] = std::mismatch(fast.store.begin(), fast.store.end(), plain.store.begin());
    if (at == fast.store.end()) return "same";
    int64_t pixel = &*at - fast.framebuffer.pixels, width = fast.framebuffer.width;
    return "pixel (" + std::to_string(pixel % width) + ", " + std::to_string(pixel / width) + "): " +
           std::to_string(*at) + " instead of " + std::to_string(*other);
}

// Empty ones among them: a buffer may have rows but no columns, or the other way round.
const int32_t kSizes[][2] = {{0, 9}, {9, 0}, {1, 1}, {1, 9}, {9, 1}, {2, 2}, {13, 11}, {101, 1203},
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

// Ends inside, on the clamps and far outside; vertical, horizontal and 45-degree lines; every slope
// class; then whole-height columns, the right edge included, where a long vertical line drifts.
TEST(FastPath, RandomLinesMatchTheFormula) {
    std::mt19937 random(20240611);
    for (auto [width, height] : kSizes) {
        TestPicture fast(width, height), plain(width, height);
        std::uniform_int_distribution<int32_t> inX(-2, width + 1), inY(-2, height + 1);
        std::uniform_int_distribution<int32_t> far(-100000, 100000), pick(0, 6);
        for (int32_t n = 0; n < 2004; ++n) {
            int32_t x0 = inX(random), y0 = inY(random), x1 = inX(random), y1 = inY(random);
            int kind = pick(random);
            if (kind == 0) x1 = x0;
            if (kind == 1) y1 = y0;
            if (kind == 2) x1 = x0 + (y1 - y0);
            if (kind == 3) x1 = x0 - (y1 - y0);
            if (kind == 4 || kind == 5) x0 = far(random);
            if (kind == 5) y1 = far(random);
            if (n >= 2000) x0 = x1 = std::array{0, width / 2, width - 2, width - 1}[n - 2000];
            if (n >= 2000) std::tie(y0, y1) = std::pair{height + 5, -5};
            uint32_t colour = random() & 0xFFFFFF;
            DrawLine(fast.framebuffer.pixels, width, height, x0, y0, x1, y1, colour);
            reference::DrawLine(plain.framebuffer.pixels, width, height, x0, y0, x1, y1, colour);
            // Comparing whole pictures after every line would be slow on the large ones.
            if (n % 97 != 0 && n < 2003 && width * height > 10000) continue;
            ASSERT_EQ(FirstDifference(fast, plain), "same")
                << width << "x" << height << " to (" << x0 << ", " << y0 << ")-(" << x1 << ", " << y1 << ")";
        }
    }
}

// A run of black rows kept in the columns and drawn into the plain picture.
void KeepRunInBoth(WallColumns& columns, TestPicture& plain, int32_t x, int32_t top, int32_t bottom) {
    columns.top[size_t(x)] = top, columns.bottom[size_t(x)] = bottom;
    for (int32_t y = top; y <= bottom; ++y)
        plain.framebuffer.pixels[size_t(y) * size_t(plain.framebuffer.width) + size_t(x)] = 0;
}

// Walls of a viewer at (0, 0) beside columns kept already, on a buffer where lines of more than 1000
// rows spill into the next column: a wall across the whole view one unit away, whose half-height is
// 128 rows per unit of height, and a steep one of two columns, the first spilling into the second.
TEST(FastPath, WallsBesideColumnsKeptAlready) {
    constexpr int32_t kWidth = 100, kRows = 1100, kCentre = kRows / 2;
    struct Case {
        const char* name;
        std::vector<std::array<int32_t, 4>> kept;  // columns from, to (not included), the run's top and bottom row
        std::array<float, 5> wall;                 // from (x1, y1) to (x2, y2), of this height
    };
    const std::array<float, 5> across = {1, -1000, 1, 1000, 100}, low = {1, -1000, 1, 1000, 2};
    const std::array<float, 5> steep = {1, 0, 64, 0.1251f, 5}, oneColumn = {1, 0, 64, 0.1249f, 5};
    const Case cases[] = {
        {"full columns, lines spilling past the last of them", {{0, 64, 0, kRows - 1}}, across},
        {"columns short of the bottom row", {{0, kWidth, 0, kRows - 2}}, across},
        {"columns short of the top row", {{0, kWidth, 1, kRows - 1}}, across},
        {"runs one row below the wall's", {{0, kWidth, kCentre + 256 + 2, kRows - 1}}, low},
        {"runs one row above the wall's", {{0, kWidth, 0, kCentre - 256 - 2}}, low},
        {"runs touching the wall's", {{0, kWidth, kCentre + 256 + 1, kRows - 1}}, low},
        {"one-row runs apart from the wall's", {{0, kWidth, 5, 5}}, low},
        {"a wall past both edges, taller towards the right", {}, {4, -3, 2, 3, 2}},
        // Column 50 from the top row to the bottom one, spilling rows 1000 on into column 51 (and the
        // steep wall there rows 540 to 560).
        {"a spill into a column whose run the next line touches", {{51, 52, 530, 545}}, steep},
        {"a spill into a column that holds only its end", {{49, 51, 0, kRows - 1}, {51, 52, 1050, kRows - 1}}, oneColumn},
        {"a spill into a column that holds only its start", {{49, 51, 0, kRows - 1}, {51, 52, 0, 1050}}, oneColumn},
    };
    for (const Case& c : cases) {
        for (uint8_t solid : {0, 1}) {
            TestPicture fast(kWidth, kRows), plain(kWidth, kRows);
            WallColumns columns(fast.framebuffer);
            for (auto [from, to, top, bottom] : c.kept)
                for (int32_t x = from; x < to; ++x) KeepRunInBoth(columns, plain, x, top, bottom);
            View viewer{.solidWalls = solid};
            auto [x1, y1, x2, y2, height] = c.wall;
            DrawWallSegment(fast.framebuffer, viewer, x1, y1, x2, y2, height, 0, &columns);
            reference::DrawWallSegment(plain.framebuffer, viewer, x1, y1, x2, y2, height, 0);
            DrawWallColumns(fast.framebuffer, columns);
            EXPECT_EQ(FirstDifference(fast, plain), "same") << c.name << (solid ? ", solid" : "");
        }
    }
}

// Walls seen from anywhere, near and far, kept as columns (some runs kept already, some whole
// columns among them) and written at the end, against every column drawn at once. Some walls
// come again, whole or moved a little, and some fill the view from top to bottom, so that lines
// fall within runs kept already, whole columns fill up, and on tall buffers long lines spill
// into the next column beside lines that are kept in batches.
TEST(FastPath, RandomWallsMatchThePlainColumnLoop) {
    std::mt19937 random(7);
    std::uniform_real_distribution<float> position(-400, 400), angle(-7, 7), height(-300, 600);
    std::uniform_real_distribution<float> nudge(-3, 3);
    for (auto [width, rows] : kSizes) {
        std::uniform_int_distribution<int32_t> row(0, std::max(rows - 1, 0));
        for (int mode = 0; mode < 4; ++mode) {
            View viewer{.solidWalls = uint8_t(mode & 1), .halfDepthFactor = uint8_t(mode >> 1)};
            TestPicture fast(width, rows), plain(width, rows);
            WallColumns columns(fast.framebuffer);
            for (int32_t x = 0; rows > 0 && x < width; x += 2 + mode) {
                int32_t a = row(random), b = row(random);
                if (x % 3 == 0) a = 0, b = rows - 1;
                KeepRunInBoth(columns, plain, x, std::min(a, b), std::max(a, b));
            }
            std::array<float, 6> wall{};
            for (int32_t n = 0; n < 90; ++n) {
                if (n % 3 != 2) {
                    viewer.playerX = position(random);
                    viewer.playerY = position(random);
                    viewer.angle = angle(random);
                    wall = {position(random), position(random), position(random), position(random),
                            height(random), height(random) * 0.25f};
                    if (n % 10 == 0) wall[4] = wall[5];  // flat walls: their columns draw nothing
                    if (n % 9 == 4) wall[4] = 30000;     // from the top row to the bottom one
                } else if (n % 2) {
                    for (float& value : wall) value += nudge(random);
                }
                auto [x1, y1, x2, y2, ceiling, floor] = wall;
                DrawWallSegment(fast.framebuffer, viewer, x1, y1, x2, y2, ceiling, floor, &columns);
                reference::DrawWallSegment(plain.framebuffer, viewer, x1, y1, x2, y2, ceiling, floor);
            }
            DrawWallColumns(fast.framebuffer, columns);
            ASSERT_EQ(FirstDifference(fast, plain), "same") << width << "x" << rows << " mode " << mode;
        }
    }
}

}  // namespace

// The walk overlay's walls, painted back to front, against one DrawLine each in walk order: Freedoom's
// E1M1 walked whole from anywhere, on buffers where lines of more than 1000 rows spill into the next column.
TEST(FastPath, WalkOverlayWallsMatchThePlainLines) {
    Level level = *LoadLevel(LevelFile{FreedoomPath(), nullptr}, "E1M1", MarkerSearch::kExactName, [](Stream, std::string_view) {});
    std::mt19937 random(11);
    std::uniform_real_distribution<float> position(-300, 600), angle(-7, 7);
    for (auto [width, height] : {std::pair{320, 200}, {101, 1203}, {640, 1081}})
        for (int mode = 0; mode < 12; ++mode) {
            // modes 8 to 11: every subsector shown, of a walk cut short by the draw limit and the box rule
            View view{.scale = 1.5f, .offsetX = -200, .offsetY = -200, .maxDepth = INT32_MAX,
                      .maxDraw = mode >> 2 ? 60 : INT32_MAX, .drawFarSides = mode >> 2 != 2,
                      .playerX = position(random), .playerY = position(random), .angle = angle(random),
                      .solidWalls = uint8_t(mode & 1), .halfDepthFactor = uint8_t(mode >> 1 & 1), .playerStartPending = 0,
                      .overlay = Overlay::kWalk, .walkShown = mode >> 2 == 1 ? 40 * (mode & 1) : -1};
            TestPicture fast(width, height), plain(width, height);
            WalkTrace trace;
            RenderFrame(fast.framebuffer, level, view, FontImage{}, StatusLine{});
            view.overlay = Overlay::kOff;
            RenderFrame(plain.framebuffer, level, view, FontImage{}, StatusLine{}, &trace);
            view.overlay = Overlay::kWalk;
            DrawOverlay(plain.framebuffer, level, view, trace, FontImage{}, nullptr, true);
            ASSERT_EQ(FirstDifference(fast, plain), "same") << width << "x" << height << " mode " << mode;
        }
}
