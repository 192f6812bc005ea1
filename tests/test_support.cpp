#include "test_support.h"

#include <gtest/gtest.h>
#include <png.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <iterator>

#include "draw/line.h"
#include "render/render_frame.h"

void PutInt16(Bytes& out, int32_t value) { out.insert(out.end(), {uint8_t(value), uint8_t(value >> 8)}); }
void PutInt32(Bytes& out, uint32_t value) { PutInt16(out, int32_t(value & 0xFFFF)), PutInt16(out, int32_t(value >> 16)); }

Bytes Poked(Bytes bytes, size_t at, uint32_t value) {
    for (int k = 0; k < 4; ++k) bytes[at + k] = uint8_t(value >> (8 * k));
    return bytes;
}

Bytes operator+(Bytes head, const Bytes& tail) {
    head.insert(head.end(), tail.begin(), tail.end());
    return head;
}

Bytes BuildWad(const std::vector<TestLump>& lumps) {
    Bytes data, directory;
    for (const TestLump& lump : lumps) {
        PutInt32(directory, uint32_t(12 + data.size())), PutInt32(directory, uint32_t(lump.data.size()));
        char name[8] = {};
        std::memcpy(name, lump.name.data(), std::min<size_t>(lump.name.size(), 8));
        directory.insert(directory.end(), name, name + 8);
        data = data + lump.data;
    }
    Bytes out = {'P', 'W', 'A', 'D'};
    PutInt32(out, uint32_t(lumps.size())), PutInt32(out, uint32_t(12 + data.size()));
    return out + data + directory;
}

namespace {

// One record of 16-bit fields, the zero-filled ones (not read by the viewer) given as `zeros` bytes at `at`.
void PutRecord(Bytes& out, std::initializer_list<int32_t> fields, size_t at = 0, size_t zeros = 0) {
    size_t start = out.size();
    for (int32_t field : fields) PutInt16(out, field);
    out.insert(out.begin() + ptrdiff_t(start + at), zeros, 0);
}

}  // namespace

std::vector<TestLump> BuildMapLumps(const TestMap& map) {
    Bytes things, linedefs, sidedefs, vertexes, segs, subsectors, nodes, sectors;
    for (const TestThing& t : map.things) PutRecord(things, {t.x, t.y, t.angle, t.type, 0});
    for (const TestLinedef& l : map.linedefs) PutRecord(linedefs, {l.startVertex, l.endVertex, l.frontSidedef, l.backSidedef}, 4, 6);
    for (const TestSidedef& s : map.sidedefs) PutRecord(sidedefs, {s.sector}, 0, 28);
    for (const TestVertex& v : map.vertexes) PutRecord(vertexes, {v.x, v.y});
    for (const TestSeg& s : map.segs) PutRecord(segs, {s.startVertex, s.endVertex, 0, s.linedef, s.direction, 0});
    for (const TestSubsector& s : map.subsectors) PutRecord(subsectors, {s.segCount, s.firstSeg});
    for (const TestNode& n : map.nodes)
        PutRecord(nodes, {n.x, n.y, n.dx, n.dy, n.rightBox.top, n.rightBox.bottom, n.rightBox.left, n.rightBox.right,
                          n.leftBox.top, n.leftBox.bottom, n.leftBox.left, n.leftBox.right, n.rightChild, n.leftChild});
    for (const TestSector& s : map.sectors) PutRecord(sectors, {s.floorHeight, s.ceilingHeight}, 4, 22);
    return {{map.name, {}},         {"THINGS", things}, {"LINEDEFS", linedefs},   {"SIDEDEFS", sidedefs}, {"VERTEXES", vertexes},
            {"SEGS", segs}, {"SSECTORS", subsectors}, {"NODES", nodes}, {"SECTORS", sectors}};
}

Bytes ExtendedNodeData(const TestMap& map) {
    Bytes out;
    PutInt32(out, uint32_t(map.vertexes.size())), PutInt32(out, 0), PutInt32(out, uint32_t(map.subsectors.size()));
    for (const TestSubsector& s : map.subsectors) PutInt32(out, uint32_t(int32_t(s.segCount)));
    PutInt32(out, uint32_t(map.segs.size()));
    for (const TestSeg& s : map.segs) {
        PutInt32(out, uint32_t(int32_t(s.startVertex))), PutInt32(out, uint32_t(int32_t(s.endVertex)));
        PutInt16(out, s.linedef), out.push_back(s.direction != 0);
    }
    PutInt32(out, uint32_t(map.nodes.size()));
    for (const TestNode& n : map.nodes) {
        PutRecord(out, {n.x, n.y, n.dx, n.dy, n.rightBox.top, n.rightBox.bottom, n.rightBox.left, n.rightBox.right,
                        n.leftBox.top, n.leftBox.bottom, n.leftBox.left, n.leftBox.right});
        for (uint16_t child : {n.rightChild, n.leftChild})
            PutInt32(out, child & 0x8000 ? 0x80000000u | (child == 0xFFFF ? 0u : child & 0x7FFFu) : child);
    }
    return out;
}

std::vector<Bytes> GlNodeLumps(const TestMap& map, TreeFormat format, uint32_t treeVertexes) {
    const bool lumps = format == TreeFormat::kGlV2 || format == TreeFormat::kGlV5, v5 = format == TreeFormat::kGlV5;
    const bool wideLinedefs = format == TreeFormat::kXgl2 || format == TreeFormat::kXgl3, wide = !lumps || v5;
    const uint32_t original = uint32_t(map.vertexes.size()) - treeVertexes, topBit = v5 ? 0x80000000u : 0x8000u;
    auto put = [](Bytes& out, uint32_t value, bool wide) { wide ? PutInt32(out, value) : PutInt16(out, int32_t(value & 0xFFFF)); };
    auto vertex = [&](int16_t index) { return uint32_t(index) < original || !lumps ? uint32_t(index) : topBit | (index - original); };
    Bytes vert = lumps ? Bytes{'g', 'N', 'd', uint8_t(v5 ? '5' : '2')} : Bytes{}, segs, ssect, nodes;
    if (!lumps) PutInt32(vert, original), PutInt32(vert, treeVertexes), PutInt32(ssect, uint32_t(map.subsectors.size()));
    if (!lumps) PutInt32(segs, uint32_t(map.segs.size())), PutInt32(nodes, uint32_t(map.nodes.size()));  // the counts
    for (size_t k = original; k < map.vertexes.size(); ++k) PutInt32(vert, map.vertexes[k].x * 65536u), PutInt32(vert, map.vertexes[k].y * 65536u);
    for (const TestSubsector& s : map.subsectors) lumps ? put(ssect, s.segCount, v5), put(ssect, s.firstSeg, v5) : PutInt32(ssect, s.segCount);
    for (const TestSeg& s : map.segs) {
        put(segs, vertex(s.startVertex), wide), put(segs, lumps ? vertex(s.endVertex) : 0xFFFFFFFF, wide), put(segs, s.linedef, wideLinedefs);
        lumps ? put(segs, s.direction, false), put(segs, 0xFFFFFFFF, v5) : segs.push_back(uint8_t(s.direction));
    }
    for (const TestNode& n : map.nodes) {
        for (int16_t value : {n.x, n.y, n.dx, n.dy}) put(nodes, format == TreeFormat::kXgl3 ? value * 65536u : uint32_t(value), format == TreeFormat::kXgl3);
        PutRecord(nodes, {n.rightBox.top, n.rightBox.bottom, n.rightBox.left, n.rightBox.right, n.leftBox.top, n.leftBox.bottom, n.leftBox.left, n.leftBox.right});
        for (uint16_t child : {n.rightChild, n.leftChild}) put(nodes, wide && child & 0x8000 ? 0x80000000u | (child & 0x7FFFu) : child, wide);
    }
    if (lumps) return {vert, segs, ssect, nodes};
    return {vert + ssect + segs + nodes};
}

std::vector<TestLump> BuildExtendedMapLumps(const TestMap& map) {
    std::vector<TestLump> lumps = BuildMapLumps(map);
    lumps[7].data = Bytes{'X', 'N', 'O', 'D'} + ExtendedNodeData(map);
    lumps[5].data.clear(), lumps[6].data.clear();  // SEGS and SSECTORS are empty then
    return lumps;
}

TestMap Room() {
    TestMap map;
    map.vertexes = {{0, 0}, {64, 0}, {64, 64}, {0, 64}};
    map.linedefs = {{0, 1, 0, -1}, {1, 2, 0, -1}, {2, 3, 0, -1}, {3, 0, 0, -1}};
    map.things = {{32, 32, 0, 1}}, map.sidedefs = {{0}}, map.sectors = {{0, 4}};
    map.segs = {{0, 1, 0, 0}, {1, 2, 1, 0}, {2, 3, 2, 0}, {3, 0, 3, 0}};
    map.subsectors = {{4, 0}, {0, 0}};
    map.nodes = {{32, 0, 0, 64, {64, 0, 0, 32}, {64, 0, 32, 64}, 0x8000, 0x8001}};
    return map;
}

namespace {

std::string TextOf(double value) {
    char text[32];
    std::snprintf(text, sizeof text, value == std::trunc(value) && std::fabs(value) < 1e15 ? "%.0f" : "%.17g", value);
    return text;
}

}  // namespace

std::string WriteTextMap(const Level& level) {
    std::string text = "namespace = \"zdoom\";\n";
    for (const MapVertex& v : level.vertexes) text += "vertex { x = " + TextOf(v.x) + "; y = " + TextOf(v.y) + "; }\n";
    for (const MapLinedef& l : level.linedefs)
        text += "linedef { v1 = " + std::to_string(l.startVertex) + "; v2 = " + std::to_string(l.endVertex) + "; sidefront = " +
                std::to_string(l.frontSidedef) + "; sideback = " + std::to_string(l.backSidedef) + "; }\n";
    for (const MapSidedef& s : level.sidedefs) text += "sidedef { sector = " + std::to_string(s.sector) + "; }\n";
    for (const MapSector& s : level.sectors)
        text += "sector { heightfloor = " + std::to_string(s.floorHeight) + "; heightceiling = " + std::to_string(s.ceilingHeight) + "; }\n";
    for (const MapThing& t : level.things)
        text += "thing { x = " + TextOf(t.x) + "; y = " + TextOf(t.y) + "; angle = " + std::to_string(t.angle) + "; type = " +
                std::to_string(t.type) + "; }\n";
    return text;
}

Level LoadLevelFromBytes(const Bytes& wad, std::string* reported) {
    LevelFile file{"test.wad", std::make_shared<const WadImage>(WadImage{wad})};
    std::string lines;
    Result<Level> level = LoadLevel(file, "E1M1", MarkerSearch::kEntryNameWithin,
                                    [&](Stream, std::string_view line) { lines += line; });
    if (reported) *reported = lines;
    return level ? std::move(*level) : Level{};
}

std::pair<std::string, std::vector<uint32_t>> RenderSmall(const Level& level, uint8_t solidWalls) {
    View view{.scale = 10, .maxDepth = INT32_MAX, .maxDraw = INT32_MAX, .drawFarSides = 1, .playerX = 30, .playerY = 30,
              .solidWalls = solidWalls};
    std::vector<uint32_t> pixels(64 * 48);
    TakePlayerStart(level, view);
    FrameReport report = RenderFrame({64, 48, pixels.data()}, level, view, FontImage{{}, 0}, StatusLine{});
    std::string reported;
    for (int32_t k = 0; k < report.failures; ++k) reported += "Fail\r\n";
    return {reported, pixels};
}

void ExpectDrawsLike(const Bytes& broken, const Bytes& sound, const std::string& loadReport,
                     const std::optional<std::string>& frameReport) {
    std::string reported;
    Level brokenLevel = LoadLevelFromBytes(broken, &reported), soundLevel = LoadLevelFromBytes(sound);
    EXPECT_EQ(reported, loadReport);
    for (uint8_t solid : {0, 1}) {
        auto [brokenFrameReport, pixels] = RenderSmall(brokenLevel, solid);
        auto [soundFrameReport, soundPixels] = RenderSmall(soundLevel, solid);
        EXPECT_EQ(brokenFrameReport, frameReport.value_or(soundFrameReport)) << (solid ? "solid" : "outline");
        EXPECT_TRUE(pixels == soundPixels) << (solid ? "solid" : "outline");
    }
}

Bytes ReadFileBytes(const std::string& path) {
    std::ifstream file(path, std::ios::binary);
    return Bytes(std::istreambuf_iterator<char>(file), std::istreambuf_iterator<char>());
}

void WriteFile(const std::string& path, const Bytes& bytes) {
    std::ofstream(path, std::ios::binary).write(reinterpret_cast<const char*>(bytes.data()), std::streamsize(bytes.size()));
}

std::string WriteTempFile(const std::string& name, const Bytes& bytes) {
    std::string path = std::filesystem::temp_directory_path() / ("wadscope-test-" + std::to_string(getpid()) + "-" + name);
    WriteFile(path, bytes);
    return path;
}

std::vector<uint32_t> ReadPng(const std::string& path, int32_t& width, int32_t& height) {
    png_image image{};
    image.version = PNG_IMAGE_VERSION;
    if (!png_image_begin_read_from_file(&image, path.c_str())) return {};
    image.format = PNG_FORMAT_RGB;
    std::vector<uint8_t> bytes(PNG_IMAGE_SIZE(image));
    if (!png_image_finish_read(&image, nullptr, bytes.data(), 0, nullptr) || image.warning_or_error) return {};
    width = int32_t(image.width), height = int32_t(image.height);
    std::vector<uint32_t> pixels;
    for (size_t i = 0; i + 2 < bytes.size(); i += 3) pixels.push_back(uint32_t(bytes[i]) << 16 | bytes[i + 1] << 8 | bytes[i + 2]);
    return pixels;
}

std::string FreedoomPath() {
    const char* path = "/usr/share/games/doom/freedoom1.wad";
    if (!std::filesystem::exists(path)) ADD_FAILURE() << path << " is missing: install Debian's freedoom package";
    return path;
}

std::string FontPath() { return std::string(WADSCOPE_SOURCE_DIR) + "/assets/font.bmp"; }

ProgramTest::ProgramTest()
    : dir(std::filesystem::temp_directory_path().string() + "/wadscope-programs-" + std::to_string(getpid()) + "-" +
          testing::UnitTest::GetInstance()->current_test_info()->name() + "/") {
    std::filesystem::create_directories(dir);
    std::filesystem::copy_file(FreedoomPath(), dir + "freedoom1.wad"), std::filesystem::copy_file(FontPath(), dir + "font.bmp");
}

ProgramTest::~ProgramTest() { std::filesystem::remove_all(dir); }

int ProgramTest::Run(const std::string& program, const std::string& arguments) {
    int status = std::system(("cd '" + dir + "' && " + program + " " + arguments + " >out 2>err").c_str());
    Bytes o = ReadFileBytes(dir + "out"), e = ReadFileBytes(dir + "err");
    out.assign(o.begin(), o.end()), err.assign(e.begin(), e.end());
    return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

namespace {
constexpr uint32_t kGuard = 0xA5A5A5A5;
constexpr size_t kGuardPixels = 4096;
}  // namespace

TestPicture::TestPicture(int32_t width, int32_t height) : store(size_t(width) * size_t(height) + 2 * kGuardPixels, kGuard) {
    std::fill(store.begin() + kGuardPixels, store.end() - kGuardPixels, 0xFFFFFFFF);
    framebuffer = {width, height, store.data() + kGuardPixels};
}

std::vector<uint32_t> TestPicture::Pixels() const {
    EXPECT_EQ(std::count(store.begin(), store.end(), kGuard), std::count(store.begin() + kGuardPixels, store.end() - kGuardPixels, kGuard) + 2 * kGuardPixels)
        << "a write outside the picture";
    return {store.begin() + kGuardPixels, store.end() - kGuardPixels};
}

int32_t TestPicture::Count(uint32_t colour) const {
    std::vector<uint32_t> pixels = Pixels();
    return int32_t(std::count(pixels.begin(), pixels.end(), colour));
}

std::vector<std::pair<int32_t, int32_t>> TestPicture::BlackRuns(const std::vector<int32_t>& columns) const {
    std::vector<std::pair<int32_t, int32_t>> runs;
    for (int32_t x : columns) {
        int32_t first = -1, last = -1;
        for (int32_t y = 0; y < framebuffer.height; ++y) {
            if (At(x, y) != 0) continue;
            EXPECT_TRUE(last < 0 || last == y - 1) << "gap in column " << x;
            first = first < 0 ? y : first, last = y;
        }
        runs.push_back({first, last});
    }
    return runs;
}

TestPicture PictureOfLines(int32_t width, int32_t height, const std::vector<std::array<int32_t, 4>>& lines, uint32_t colour) {
    TestPicture picture(width, height);
    for (auto [x0, y0, x1, y1] : lines) DrawLine(picture.framebuffer.pixels, width, height, x0, y0, x1, y1, colour);
    return picture;
}

TestPicture PictureOfOutline(int32_t width, int32_t height, std::array<int32_t, 6> e, uint32_t colour) {
    return PictureOfLines(width, height, {{e[0], e[1], e[3], e[4]}, {e[0], e[2], e[3], e[5]},
                                          {e[0], e[1], e[0], e[2]}, {e[3], e[4], e[3], e[5]}}, colour);
}
