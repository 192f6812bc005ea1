#include <gtest/gtest.h>

#include <set>
#include <tuple>
#include <utility>
#include <vector>

#include "draw/line.h"

namespace {

constexpr uint32_t kSentinel = 0xDEADBEEF;
constexpr uint32_t kInk = 0x00123456;

using Pixels = std::set<std::pair<int32_t, int32_t>>;

// The (x, y) of every pixel changed in a width x height buffer; each must hold the colour.
Pixels Written(const std::vector<uint32_t>& buffer, int32_t width) {
    Pixels written;
    for (size_t k = 0; k < buffer.size(); ++k) {
        if (buffer[k] == kSentinel) continue;
        EXPECT_EQ(buffer[k], kInk);
        written.insert({int32_t(k % size_t(width)), int32_t(k / size_t(width))});
    }
    return written;
}

Pixels Line(int32_t x0, int32_t y0, int32_t x1, int32_t y1, int32_t width = 100, int32_t height = 60) {
    std::vector<uint32_t> buffer(size_t(width) * size_t(height), kSentinel);
    DrawLine(buffer.data(), width, height, x0, y0, x1, y1, kInk);
    return Written(buffer, width);
}

Pixels Column(int32_t x, int32_t firstY, int32_t lastY) {
    Pixels column;
    for (int32_t y = firstY; y <= lastY; ++y) column.insert({x, y});
    return column;
}

}  // namespace

TEST(DrawLine, TruncatesTheMinorCoordinate) {
    EXPECT_EQ(Line(0, 0, 3, 1), (Pixels{{0, 0}, {1, 0}, {2, 0}, {3, 1}}));
    EXPECT_EQ(Line(3, 1, 0, 0), (Pixels{{0, 0}, {1, 0}, {2, 0}, {3, 1}}));
    EXPECT_EQ(Line(0, 0, 7, 3), (Pixels{{0, 0}, {1, 0}, {2, 0}, {3, 1}, {4, 1}, {5, 2}, {6, 2}, {7, 3}}));
    // Each position comes from i * slope afresh: a running sum would end this line on row 2.
    EXPECT_TRUE(Line(0, 0, 9, 3).count({9, 3}));
}

TEST(DrawLine, DrawsEachSlopeClass) {
    EXPECT_EQ(Line(0, 0, 2, 5), (Pixels{{0, 0}, {0, 1}, {0, 2}, {1, 3}, {1, 4}, {2, 5}}));
    EXPECT_EQ(Line(2, 0, 0, 5), (Pixels{{2, 0}, {1, 1}, {1, 2}, {0, 3}, {0, 4}, {0, 5}}));
    EXPECT_EQ(Line(0, 3, 3, 0), (Pixels{{0, 3}, {1, 2}, {2, 1}, {3, 0}}));
    EXPECT_EQ(Line(0, 0, 3, 3), (Pixels{{0, 0}, {1, 1}, {2, 2}, {3, 3}}));
    EXPECT_EQ(Line(0, 3, 0, 0), Column(0, 0, 3));
    EXPECT_EQ(Line(5, 5, 5, 5), Pixels{});
}

TEST(DrawLine, SteepLinesStepByTheReciprocalOfTheSlope) {
    // The single-precision 1 / (13 / 3) falls short of 3 / 13: the last pixel stays in column 2.
    Pixels steep = Line(0, 0, 3, 13);
    EXPECT_EQ(steep.size(), 14u);
    EXPECT_TRUE(steep.count({2, 13}));
    EXPECT_FALSE(steep.count({3, 13}));
    // Neither does this one reach its right end.
    EXPECT_EQ(Line(0, 0, 1, 41), Column(0, 0, 41));
    // Upwards the same: halfway along, 10 + 21 * (1 / (-42 / 10)) truncates to 4, not 5.
    Pixels steepUp = Line(0, 42, 10, 0);
    EXPECT_EQ(steepUp.size(), 43u);
    EXPECT_TRUE(steepUp.count({4, 21}));
    EXPECT_TRUE(steepUp.count({10, 0}));
}

TEST(DrawLine, ClampsEachEndIntoTheBuffer) {
    Pixels row5;
    for (int32_t x = 0; x <= 20; ++x) row5.insert({x, 5});
    EXPECT_EQ(Line(-10, 5, 20, 5), row5);
    EXPECT_EQ(Line(-5, 10, -1, 40), Column(0, 10, 40));
    EXPECT_EQ(Line(-5, -5, -1, -20), Pixels{});
    EXPECT_EQ(Line(500, 500, 200, 900), Pixels{});
    EXPECT_EQ(Line(150, -7, 150, 70), Column(99, 0, 59));

    Pixels clamped = Line(-100, 0, 100, 100);  // drawn as (0, 0) to (99, 59), one pixel per column
    EXPECT_EQ(clamped.size(), 100u);
    EXPECT_TRUE(clamped.count({0, 0}) && clamped.count({50, 29}) && clamped.count({99, 59}));
}

TEST(DrawLine, TallVerticalLinesStayInsideTheBuffer) {
    constexpr int32_t kWidth = 8, kHeight = 1500;
    // One column per 1000 rows of drift, held at the right edge.
    EXPECT_EQ(Line(kWidth - 1, 0, kWidth - 1, kHeight - 1, kWidth, kHeight), Column(kWidth - 1, 0, kHeight - 1));
    EXPECT_EQ(Line(kWidth - 1, kHeight + 50, kWidth - 1, -3, kWidth, kHeight), Column(kWidth - 1, 0, kHeight - 1));
    Pixels drifting = Column(0, 0, 999);
    Pixels rest = Column(1, 1000, kHeight - 1);
    drifting.insert(rest.begin(), rest.end());
    EXPECT_EQ(Line(0, 0, 0, kHeight - 1, kWidth, kHeight), drifting);
}

TEST(DrawLine, WritesNothingIntoAnEmptyBuffer) {
    // Clamping to -1 would write before the pointer given: room there shows it.
    std::vector<uint32_t> buffer(64, kSentinel);
    for (auto [width, height] : {std::pair{0, 8}, {8, 0}, {0, 0}}) {
        DrawLine(buffer.data() + 32, width, height, 0, 0, 5, 5, kInk);
        DrawLine(buffer.data() + 32, width, height, -3, 7, 2, -9, kInk);
        DrawLine(buffer.data() + 32, width, height, 1, 0, 1, 6, kInk);
    }
    EXPECT_EQ(Written(buffer, 8), Pixels{});
}

TEST(DrawRect, DrawsTheBorderOfTheBox) {
    Pixels border;
    for (int32_t x = 10; x <= 20; ++x) border.insert({x, 10}), border.insert({x, 14});
    for (int32_t y = 10; y <= 14; ++y) border.insert({10, y}), border.insert({20, y});
    ASSERT_EQ(border.size(), 28u);
    for (auto [x0, y0, x1, y1] : {std::tuple{10, 10, 20, 14}, {20, 14, 10, 10}, {20, 10, 10, 14}}) {
        std::vector<uint32_t> buffer(100 * 60, kSentinel);
        DrawRect(Framebuffer{100, 60, buffer.data()}, x0, y0, x1, y1, kInk);
        EXPECT_EQ(Written(buffer, 100), border);
    }
}
