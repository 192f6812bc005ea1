#include "fixtures.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <filesystem>

#include "wad/little_endian.h"

const std::vector<std::string> kFixtureMaps = {"E1M1", "E1M4", "MAP01"};

namespace {

const std::string kDoomDir = "/usr/share/games/doom/";

// The lump of that name from `from` on, in the file's bytes.
Bytes LumpNamed(const Bytes& bytes, const WadDirectory& directory, int32_t from, const char* name) {
    for (int32_t i = from; i < LumpCount(directory); ++i)
        if (std::strcmp(LumpAt(directory, i).name, name) == 0) {
            LumpEntry entry = LumpAt(directory, i);
            return Bytes(bytes.begin() + entry.filePos, bytes.begin() + entry.filePos + entry.size);
        }
    return {};
}

// The map's marker and the eight lumps the viewer reads, as the file holds them.
std::vector<TestLump> MapLumps(const std::string& path, const std::string& map) {
    Bytes bytes = ReadFileBytes(path);
    LevelFile file{path, std::make_shared<const WadImage>(WadImage{bytes})};
    WadDirectory directory = std::move(*ReadLevelFileDirectory(file));
    int32_t marker = *FindMapEntry(directory, map);
    std::vector<TestLump> lumps = {{map, {}}};
    for (const char* name : {"THINGS", "LINEDEFS", "SIDEDEFS", "VERTEXES", "SEGS", "SSECTORS", "NODES", "SECTORS"})
        lumps.push_back({name, LumpNamed(bytes, directory, marker, name)});
    return lumps;
}

// Hexen-format THINGS and LINEDEFS: the same fields, with room for ids, heights and arguments.
void ToHexen(std::vector<TestLump>& lumps) {
    for (TestLump& lump : lumps) {
        Bytes out;
        const Bytes& in = lump.data;
        if (lump.name == "THINGS")
            for (size_t at = 0; at + 10 <= in.size(); at += 10)
                out = out + Bytes{0, 0, in[at], in[at + 1], in[at + 2], in[at + 3], 0, 0, in[at + 4], in[at + 5],
                                  in[at + 6], in[at + 7], in[at + 8], in[at + 9], 0, 0, 0, 0, 0, 0};
        if (lump.name == "LINEDEFS")
            for (size_t at = 0; at + 14 <= in.size(); at += 14)
                out = out + Bytes(in.begin() + at, in.begin() + at + 6) + Bytes(6, 0) + Bytes(in.begin() + at + 10, in.begin() + at + 14);
        if (lump.name == "THINGS" || lump.name == "LINEDEFS") lump.data = out;
    }
    lumps.push_back({"BEHAVIOR", {}});
}

// The map as TEXTMAP, written from its records as the viewer reads them.
std::vector<TestLump> ToUdmf(const std::string& path, const std::string& map) {
    Result<Level> level = LoadLevel(LevelFile{path, nullptr}, map, MarkerSearch::kExactName, [](Stream, std::string_view) {});
    std::string text = WriteTextMap(*level);
    return {{map, {}}, {"TEXTMAP", Bytes(text.begin(), text.end())}, {"ENDMAP", {}}};
}

// The file built by a node builder from `in`: "zdbsp -x -X", "glbsp -v5".
void Build(const std::string& builder, const std::string& in, const std::string& out) {
    bool glbsp = builder.starts_with("glbsp");
    std::string command = builder + (glbsp ? " '" + in + "' -o '" + out + "'" : " -t -o '" + out + "' '" + in + "'") + " >/dev/null 2>&1";
    ASSERT_EQ(std::system(command.c_str()), 0) << command << ": install Debian's zdbsp and glbsp packages";
}

}  // namespace

void WriteUdmfCopy(const std::string& in, const std::string& out) {
    std::vector<TestLump> lumps;
    for (const std::string& map : ListMaps(*ReadLevelFileDirectory(LevelFile{in, nullptr}))) {
        std::vector<TestLump> text = ToUdmf(in, map);
        lumps.insert(lumps.end(), text.begin(), text.end());
    }
    WriteFile(out + ".text", BuildWad(lumps));
    Build("zdbsp", out + ".text", out);
    std::filesystem::remove(out + ".text");
}

FormatFixtures::FormatFixtures(const std::string& folder) : folder(folder) {
    std::vector<TestLump> doom, bare, hexen, udmf;
    for (const std::string& map : kFixtureMaps) {
        std::string path = kDoomDir + (map.starts_with("MAP") ? "freedoom2.wad" : "freedoom1.wad");
        std::vector<TestLump> lumps = MapLumps(path, map);
        doom.insert(doom.end(), lumps.begin(), lumps.end());
        for (int k : {5, 6, 7}) lumps[k].data.clear();  // SEGS, SSECTORS, NODES: no tree
        bare.insert(bare.end(), lumps.begin(), lumps.end());
        lumps = MapLumps(path, map);
        ToHexen(lumps);
        hexen.insert(hexen.end(), lumps.begin(), lumps.end());
        std::vector<TestLump> text = ToUdmf(path, map);
        udmf.insert(udmf.end(), text.begin(), text.end());
    }
    std::filesystem::create_directories(folder);
    for (auto [name, lumps] : {std::pair{"doom.wad", &doom}, {"bare.wad", &bare}, {"hexen.wad", &hexen}, {"udmf.wad", &udmf}})
        WriteFile(Path(name), BuildWad(*lumps));
    // glbsp adds GL nodes to the classic ones, so it starts from the maps without them.
    const std::pair<const char*, const char*> builds[] = {
        {"zdbsp", "doom.wad"},       {"zdbsp -X", "doom.wad"},       {"zdbsp -z", "doom.wad"},
        {"zdbsp -x", "doom.wad"},    {"zdbsp -x -X", "doom.wad"},
        {"zdbsp -x -z", "doom.wad"}, {"glbsp -xn -v2", "bare.wad"},  {"glbsp -xn -v5", "bare.wad"},
        {"zdbsp -x -X", "hexen.wad"}, {"zdbsp", "udmf.wad"},         {"zdbsp -z", "udmf.wad"}};
    for (auto [builder, source] : builds) {
        std::string name = std::string(builder) + " " + source;
        std::replace(name.begin(), name.end(), ' ', '_');
        Build(builder, Path(source), Path(name));
    }
}
