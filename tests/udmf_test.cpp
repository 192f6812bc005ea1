// TEXTMAP: the grammar and hostile text.
#include <gtest/gtest.h>

#include <cstdio>

#include "test_support.h"
#include "wad/udmf.h"

namespace {

// The records in short, every double in 17 digits: v x,y  l v1,v2,front,back  s sector  S floor,ceiling  t x,y,angle,type.
std::string Describe(const Level& level) {
    std::string out;
    char item[128];
    for (const MapVertex& v : level.vertexes) std::snprintf(item, sizeof item, "v%.17g,%.17g ", v.x, v.y), out += item;
    for (const MapLinedef& l : level.linedefs)
        std::snprintf(item, sizeof item, "l%d,%d,%d,%d ", l.startVertex, l.endVertex, l.frontSidedef, l.backSidedef), out += item;
    for (const MapSidedef& s : level.sidedefs) std::snprintf(item, sizeof item, "s%d ", s.sector), out += item;
    for (const MapSector& s : level.sectors) std::snprintf(item, sizeof item, "S%d,%d ", s.floorHeight, s.ceilingHeight), out += item;
    for (const MapThing& t : level.things) std::snprintf(item, sizeof item, "t%.17g,%.17g,%d,%d ", t.x, t.y, t.angle, t.type), out += item;
    return out;
}

Status Read(const std::string& text, Level& level) { return ReadTextMap({reinterpret_cast<const uint8_t*>(text.data()), text.size()}, level); }

// The records read, or the problem.
std::string Outcome(const std::string& text) {
    Level level;
    Status read = Read(text, level);
    return read ? Describe(level) : read.problem().line;
}

}  // namespace

TEST(TextMap, GrammarAndHostileText) {
    const std::string halfway = "vertex{y=0;x=1.00000000000000011102230246251565404236316680908203125" + std::string(800, '0');  // between two doubles, ties to even
    const std::string line1 = "TEXTMAP line 1: ";
    const std::pair<std::string, std::string> cases[] = {
        {"namespace = \"zdoom\"; vertex { x = 1; y = -2.5; }/**/", "v1,-2.5 "},
        {"VERTEX/*a\n*/{ X = 0x1f; // b\n Y = -010; }\tVertex{x=.5;y=1e3;} vertex{x=5.;y=-125E-3;}", "v31,-8 v0.5,1000 v5,-0.125 "},
        {"linedef { v1 = 0; v2 = 1; sidefront = 2; special = 80; arg0 = \"a\\\"b\\\\\"; blocking = true; } sector{} foo { x = \"\"; }",
         "l0,1,2,-1 S0,0 "},
        {"sidedef{sector=1;sector=-2147483648;} sector{heightfloor=-1.9;heightceiling=2147483647.5;} thing{x=1;y=2;type=3;}",
         "s-2147483648 S-1,2147483647 t1,2,0,3 "},
        {"vertex{x=3.14159265358979323846264338327950288;y=0.1e-310;} vertex{y=0;x=0." + std::string(1000, '3') + "e1;} vertex{y=0;x=1" +
             std::string(799, '0') + ".e-790;}", "v3.1415926535897931,9.9999999999994754e-312 v3.3333333333333335,0 v1000000000,0 "},
        {halfway + ";}" + halfway + "1;}", "v1,0 v1.0000000000000002,0 "},
        {"namespace = \"a\nb\"; // c\n/*\n*/ vertex { x = ; }", "TEXTMAP line 4: expected a value, found ';'"},
        {"vertex { x = 1; y = \"a\\\";} ", line1 + "unterminated string"},
        {"\n/* a", "TEXTMAP line 2: unterminated comment"},
        {"thing {\n x = 1;", line1 + "unterminated block"},
        {"a" + std::string(1000000, '{'), line1 + "'{' inside a block"},
        {"a { b { } }", line1 + "'{' inside a block"},
        {std::string("vertex { x = 1;\0 }", 18), line1 + "expected a field or '}', found byte 0x00"},
        {"= 1;", line1 + "expected an identifier, found '='"},
        {"namespace = 1", line1 + "expected ';', found the end"},
        {"vertex { x = 1e999; y = 0; }", line1 + "x of vertex 0 is out of range"},
        {"vertex { y = 0; x = 0x1FFFFFFFFFFFFFFFF; }", line1 + "x of vertex 0 is out of range"},
        {"sidedef { sector = 2147483648; }", line1 + "sector of sidedef 0 is out of range"},
        {"sector { heightfloor = " + std::string(100000, '9') + "; }", line1 + "heightfloor of sector 0 is out of range"},
        {"thing { x = 1; y = 2; type = 3; angle = 3e9; }", line1 + "angle of thing 0 is out of range"},
        {"sector { heightceiling = 2147483648.0; }", line1 + "heightceiling of sector 0 is out of range"},
        {"vertex { x = 1; y = true; }", line1 + "y of vertex 0 is not a number"},
        {"linedef { v1 = 0; v2 = 1; sidefront = 0; } linedef { v1 = 0; v2 = 1; }", "TEXTMAP linedef 1 has no sidefront"},
        {"a{x=0x;}", line1 + "malformed number"}, {"a{x=09;}", line1 + "malformed number"}, {"a{x=1e;}", line1 + "malformed number"},
        {"a{x=1.2.3;}", line1 + "malformed number"}, {"a{x=-;}", line1 + "malformed number"}, {"a{x=12ab;}", line1 + "malformed number"},
    };
    for (const auto& [text, expected] : cases) EXPECT_EQ(Outcome(text), expected) << text.substr(0, 80);

    std::string empties;
    for (int32_t k = 0; k < 10000000; ++k) empties += "a{}";
    EXPECT_EQ(Outcome(empties), "");
}
