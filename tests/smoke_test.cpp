#include <gtest/gtest.h>

#include "test_support.h"

TEST(TestSupport, BuiltMapLoadsWithItsCounts) {
    TestMap map;
    map.vertexes = {{0, 0}, {10, 0}};
    map.linedefs = {{0, 1, 0, -1}};
    Level level;
    LoadLevelFromBytes(level, BuildWad(BuildMapLumps(map)));
    EXPECT_EQ(level.numVertexes, 2);
    EXPECT_EQ(level.numLinedefs, 1);
    EXPECT_EQ(level.linedefs[0].backSidedef, -1);
    FreeLevel(level);
}
