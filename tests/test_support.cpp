#include "test_support.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <cstring>
#include <filesystem>

void PutInt16(Bytes& out, int32_t value) {
    out.push_back(uint8_t(value & 0xFF));
    out.push_back(uint8_t((value >> 8) & 0xFF));
}

void PutInt32(Bytes& out, uint32_t value) {
    for (int shift = 0; shift < 32; shift += 8) out.push_back(uint8_t(value >> shift));
}

Bytes BuildWad(const std::vector<TestLump>& lumps, const char* identification) {
    Bytes out(identification, identification + 4);
    Bytes data;
    Bytes directory;
    for (const TestLump& lump : lumps) {
        PutInt32(directory, uint32_t(12 + data.size()));
        PutInt32(directory, uint32_t(lump.data.size()));
        char name[8] = {};
        std::memcpy(name, lump.name.data(), std::min<size_t>(lump.name.size(), 8));
        directory.insert(directory.end(), name, name + 8);
        data.insert(data.end(), lump.data.begin(), lump.data.end());
    }
    PutInt32(out, uint32_t(lumps.size()));
    PutInt32(out, uint32_t(12 + data.size()));
    out.insert(out.end(), data.begin(), data.end());
    out.insert(out.end(), directory.begin(), directory.end());
    return out;
}

namespace {

Bytes Zeros(size_t count) { return Bytes(count, 0); }

}  // namespace

std::vector<TestLump> BuildMapLumps(const TestMap& map) {
    Bytes things, linedefs, sidedefs, vertexes, segs, subsectors, nodes, sectors;
    for (const TestThing& t : map.things) {
        for (int16_t v : {t.x, t.y, t.angle, t.type, int16_t(0)}) PutInt16(things, v);
    }
    for (const TestLinedef& l : map.linedefs) {
        for (int16_t v : {l.startVertex, l.endVertex, int16_t(0), int16_t(0), int16_t(0),
                          l.frontSidedef, l.backSidedef})
            PutInt16(linedefs, v);
    }
    for (const TestSidedef& s : map.sidedefs) {
        Bytes record = Zeros(28);
        sidedefs.insert(sidedefs.end(), record.begin(), record.end());
        PutInt16(sidedefs, s.sector);
    }
    for (const TestVertex& v : map.vertexes) PutInt16(vertexes, v.x), PutInt16(vertexes, v.y);
    for (const TestSeg& s : map.segs) {
        for (int32_t v : {int32_t(s.startVertex), int32_t(s.endVertex), 0, int32_t(s.linedef),
                          int32_t(s.direction), 0})
            PutInt16(segs, v);
    }
    for (const TestSubsector& s : map.subsectors) PutInt16(subsectors, s.segCount), PutInt16(subsectors, s.firstSeg);
    for (const TestNode& n : map.nodes) {
        for (int32_t v : {n.x, n.y, n.dx, n.dy}) PutInt16(nodes, v);
        for (const TestBox& b : {n.rightBox, n.leftBox})
            for (int32_t v : {b.top, b.bottom, b.left, b.right}) PutInt16(nodes, v);
        PutInt16(nodes, n.rightChild), PutInt16(nodes, n.leftChild);
    }
    for (const TestSector& s : map.sectors) {
        PutInt16(sectors, s.floorHeight), PutInt16(sectors, s.ceilingHeight);
        Bytes rest = Zeros(22);
        sectors.insert(sectors.end(), rest.begin(), rest.end());
    }
    return {{map.name, {}},        {"THINGS", things},     {"LINEDEFS", linedefs},
            {"SIDEDEFS", sidedefs}, {"VERTEXES", vertexes}, {"SEGS", segs},
            {"SSECTORS", subsectors}, {"NODES", nodes},     {"SECTORS", sectors}};
}

void LoadLevelFromBytes(Level& level, const Bytes& wad, int32_t mapIndex) {
    LoadLevelFromImage(level, mapIndex, WadImageFromBytes(wad.data(), wad.size()));
}

std::string WriteTempFile(const std::string& name, const Bytes& bytes) {
    std::filesystem::path path = std::filesystem::temp_directory_path() / ("wadscope-test-" + name);
    FILE* file = std::fopen(path.string().c_str(), "wb");
    if (file) {
        if (!bytes.empty()) std::fwrite(bytes.data(), 1, bytes.size(), file);  // data() may be null
        std::fclose(file);
    }
    return path.string();
}

std::string FreedoomPath() {
    const char* path = "/usr/share/games/doom/freedoom1.wad";
    if (!std::filesystem::exists(path))
        ADD_FAILURE() << path << " is missing: install Debian's freedoom package (apt-get install freedoom)";
    return path;
}

std::string FontPath() { return std::string(WADSCOPE_SOURCE_DIR) + "/assets/font.bmp"; }
