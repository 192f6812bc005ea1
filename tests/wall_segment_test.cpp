#include <gtest/gtest.h>

#include <cstdint>
#include <vector>

#include "draw/line.h"
#include "render/wall_segment.h"

namespace {

constexpr uint32_t kWhite = 0xFFFFFFFF;
constexpr uint32_t kGuard = 0xA5A5A5A5;
constexpr int32_t kGuardPixels = 4096;

// A white picture with guard pixels on both sides, so stray writes show up.
struct Canvas {
    int32_t width, height;
    std::vector<uint32_t> store;
    Framebuffer framebuffer;

    Canvas(int32_t w = 800, int32_t h = 600)
        : width(w), height(h), store(size_t(w) * size_t(h) + 2 * kGuardPixels, kGuard) {
        std::fill(store.begin() + kGuardPixels, store.end() - kGuardPixels, kWhite);
        framebuffer = {w, h, store.data() + kGuardPixels};
    }
    uint32_t At(int32_t x, int32_t y) const { return framebuffer.pixels[size_t(y) * size_t(width) + size_t(x)]; }
    void Line(int32_t x0, int32_t y0, int32_t x1, int32_t y1) {
        DrawLine(framebuffer.pixels, width, height, x0, y0, x1, y1, 0);
    }
    bool GuardsIntact() const {
        for (int32_t i = 0; i < kGuardPixels; ++i)
            if (store[size_t(i)] != kGuard || store[store.size() - 1 - size_t(i)] != kGuard) return false;
        return true;
    }
    int32_t BlackCount() const {
        int32_t count = 0;
        for (int32_t i = 0; i < width * height; ++i) count += framebuffer.pixels[i] == 0;
        return count;
    }
    bool operator==(const Canvas& other) const { return store == other.store; }
};

// The rows a column is black in, which must be one unbroken run; {-1, -1} when none.
std::pair<int32_t, int32_t> BlackRun(const Canvas& canvas, int32_t x) {
    int32_t first = -1, last = -1;
    for (int32_t y = 0; y < canvas.height; ++y) {
        if (canvas.At(x, y) != 0) continue;
        if (first < 0) first = y;
        EXPECT_TRUE(last < 0 || last == y - 1) << "gap in column " << x;
        last = y;
    }
    return {first, last};
}

ViewerState View(bool solid, bool nearScale = false) {
    ViewerState viewer;
    viewer.solidWalls = solid;
    viewer.nearScale = nearScale;
    return viewer;
}

Canvas Wall(const ViewerState& viewer, float x1, float y1, float x2, float y2, float ceiling = 128,
            float floor = 0, int32_t width = 800) {
    Canvas canvas(width);
    DrawWallSegment(canvas.framebuffer, viewer, x1, y1, x2, y2, ceiling, floor);
    EXPECT_TRUE(canvas.GuardsIntact());
    return canvas;
}

Canvas Outline(int32_t sx1, int32_t top1, int32_t bottom1, int32_t sx2, int32_t top2, int32_t bottom2,
               int32_t width = 800) {
    Canvas canvas(width);
    canvas.Line(sx1, top1, sx2, top2);
    canvas.Line(sx1, bottom1, sx2, bottom2);
    canvas.Line(sx1, top1, sx1, bottom1);
    canvas.Line(sx2, top2, sx2, bottom2);
    return canvas;
}

}  // namespace

TEST(WallSegment, FacingWallOutlineAndColumns) {
    // Depth 100 both ends, laterals +50/-50: X = -256/256, A = 163.84.
    EXPECT_TRUE(Wall(View(false), 100, -50, 100, 50) == Outline(144, 137, 463, 656, 137, 463));

    Canvas filled = Wall(View(true), 100, -50, 100, 50);
    EXPECT_EQ(filled.BlackCount(), 512 * 327);
    for (int32_t x : {144, 145, 400, 655}) EXPECT_EQ(BlackRun(filled, x), std::make_pair(137, 463)) << x;
    for (int32_t x : {143, 656}) EXPECT_EQ(BlackRun(filled, x), std::make_pair(-1, -1)) << x;
}

TEST(WallSegment, NearScaleDoublesAndClampsOntoTheEdges) {
    EXPECT_TRUE(Wall(View(false, true), 100, -50, 100, 50) == Outline(-112, -27, 627, 912, -27, 627));
    // Columns -512..511 around 400 with rows -27..627 cover the whole picture.
    EXPECT_EQ(Wall(View(true, true), 100, -50, 100, 50).BlackCount(), 800 * 600);
}

TEST(WallSegment, SlopedWallInterpolatesHalfHeights) {
    Canvas filled = Wall(View(true), 100, -50, 200, 50);
    EXPECT_EQ(BlackRun(filled, 144), std::make_pair(137, 463));
    EXPECT_EQ(BlackRun(filled, 145), std::make_pair(138, 462));
    EXPECT_EQ(BlackRun(filled, 527), std::make_pair(219, 381));
    EXPECT_EQ(BlackRun(filled, 143), std::make_pair(-1, -1));
    EXPECT_EQ(BlackRun(filled, 528), std::make_pair(-1, -1));
    int32_t columns = 0;
    for (int32_t x = 0; x < 800; ++x) columns += BlackRun(filled, x).first >= 0;
    EXPECT_EQ(columns, 384);
}

TEST(WallSegment, FacingAndHeightVariants) {
    Canvas outline = Outline(144, 137, 463, 656, 137, 463);
    // Seen from the other side: the same outline, no columns.
    EXPECT_TRUE(Wall(View(false), 100, 50, 100, -50) == outline);
    EXPECT_EQ(Wall(View(true), 100, 50, 100, -50).BlackCount(), 0);

    // No height: one line along the centre row; nothing filled.
    Canvas flat;
    flat.Line(144, 300, 656, 300);
    EXPECT_TRUE(Wall(View(false), 100, -50, 100, 50, 64, 64) == flat);
    EXPECT_EQ(Wall(View(true), 100, -50, 100, 50, 64, 64).BlackCount(), 0);

    // Ceiling below floor: top and bottom trade places, the pixels stay the same.
    EXPECT_TRUE(Wall(View(false), 100, -50, 100, 50, 0, 128) == outline);
    EXPECT_TRUE(Wall(View(true), 100, -50, 100, 50, 0, 128) == Wall(View(true), 100, -50, 100, 50));
}

TEST(WallSegment, WallsWithNothingUsableInFrontDrawNothing) {
    for (bool solid : {false, true}) {
        // Both behind; one at depth 0 and one behind; one end in front but short of depth 1,
        // where both depths truncate to 0.
        EXPECT_EQ(Wall(View(solid), -10, -50, -20, 50).BlackCount(), 0);
        EXPECT_EQ(Wall(View(solid), 0, -50, -20, 50).BlackCount(), 0);
        EXPECT_EQ(Wall(View(solid), -0.5f, 20, 0.7f, -20).BlackCount(), 0);
        EXPECT_EQ(Wall(View(solid), 0.7f, -20, -0.5f, 20).BlackCount(), 0);
    }
}

TEST(WallSegment, NearClipReplacesTheEndBehindInWholeNumbers) {
    // Behind: (l 1, z -2). In front: (l -6.5, z 8.5), truncated (-6, 8) for the clip only.
    // Clipped lateral 1 + (-7 * 3) / 10 = 1 - 2 = -1 at depth 1: X 512, A 128 (height 1).
    // The front end keeps 8.5 and -6.5: X 391.53, A 15.06.
    ViewerState outlineView = View(false);
    Canvas expected = Outline(800 + 512, 300 - 128, 300 + 128, 800 + 391, 300 - 15, 300 + 15, 1600);
    EXPECT_TRUE(Wall(outlineView, -2, -1, 8.5f, 6.5f, 1, 0, 1600) == expected);

    // The reverse order fills the columns from the front end to the clipped one.
    Canvas filled = Wall(View(true), 8.5f, 6.5f, -2, -1, 1, 0, 1600);
    EXPECT_EQ(BlackRun(filled, 1190), std::make_pair(-1, -1));
    EXPECT_EQ(BlackRun(filled, 1191), std::make_pair(285, 315));
    EXPECT_EQ(BlackRun(filled, 1311), std::make_pair(173, 427));
    EXPECT_EQ(BlackRun(filled, 1312), std::make_pair(-1, -1));
}

TEST(WallSegment, EndsAlmostAtTheViewerStayInsideTheBuffer) {
    for (float depth : {1e-5f, 1e-30f, 1e-38f, 1e-45f}) {
        for (bool solid : {false, true}) {
            for (bool nearScale : {false, true}) {
                Canvas canvas = Wall(View(solid, nearScale), depth, -50, 100, 50);
                // Past 1e-35 the column offset overflows to infinity; then only the outline must show.
                if (!solid || depth >= 1e-30f) {
                    EXPECT_GT(canvas.BlackCount(), 0) << depth;
                }
                Canvas swapped = Wall(View(solid, nearScale), 100, 50, depth, -50);
                EXPECT_EQ(swapped.BlackCount() > 0, !solid) << depth;
            }
        }
    }
}
