// The level file's header and lump directory, read from a file on disk piece by
// piece or from a file's bytes in memory, and the lookups in the directory.
#pragma once
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <memory>
#include <optional>
#include <span>
#include <string>
#include <vector>

#include "wad/result.h"
#include "wad/wad_image.h"

// Where a load reads the level file: the file at path, opened anew for every
// load, of which only the header, the directory and the map's lumps are read;
// or, when image is set, a file's bytes already in memory. path names the file in messages.
struct LevelFile {
    std::string path = kDefaultWadPath;
    std::shared_ptr<const WadImage> image;
};

struct CloseWadFile {
    void operator()(std::FILE* file) const { std::fclose(file); }
};

// An opened level file: a file on disk, of which only the pieces asked for are
// read, or an image of the whole file in memory.
struct WadSource {
    std::unique_ptr<std::FILE, CloseWadFile> file;
    const WadImage* image = nullptr;
    uint64_t size = 0;  // the file's size when it was opened
    std::string name;
};

// Opens the file or takes its image; a problem when it cannot be opened or sized.
Result<WadSource> OpenLevelFile(const LevelFile& file);

// Copies size bytes from offset; false when the source does not deliver them
// all, which a file that shrank since it was opened may do.
bool ReadWadBytes(const WadSource& source, uint64_t offset, size_t size, uint8_t* out);

struct LumpEntry {
    uint32_t filePos;
    uint32_t size;
    char name[9];  // the 8 name bytes and a 0, so a name is a string of at most 8 characters
};

struct WadDirectory {
    uint64_t fileSize = 0;
    std::vector<uint8_t> entries;  // 16 bytes per lump, as in the file (none when numLumps is 0 or negative)
};

// The header and the directory; a problem when they cannot be read, the file is
// not "IWAD" or "PWAD", or its directory reaches past the end.
Result<WadDirectory> ReadWadDirectory(const WadSource& source);

// The same, opening the file for it.
Result<WadDirectory> ReadLevelFileDirectory(const LevelFile& file);

int32_t LumpCount(const WadDirectory& directory);
LumpEntry LumpAt(const WadDirectory& directory, int32_t index);

// Whether the lump's data lies inside the file.
bool LumpInsideFile(const WadDirectory& directory, const LumpEntry& lump);

// Whether an entry's name equals name, ignoring case.
bool SameNameIgnoringCase(const char* entryName, const std::string& name);

// The first entry from index `from` on whose name occurs within `wanted` (a
// substring test, case-sensitive, the entry's name the needle); the search runs
// on to the end of the directory. The built-in table finds a map's marker this
// way from entry 0, and each lump of the map from the marker on.
std::optional<int32_t> FindEntryNamedWithin(const WadDirectory& directory, int32_t from, const char* wanted);

// The file's maps in directory order: every entry directly followed by THINGS or TEXTMAP.
std::vector<std::string> ListMaps(const WadDirectory& directory);

// The map entry (directly followed by THINGS or TEXTMAP) whose name equals name, ignoring case.
std::optional<int32_t> FindMapEntry(const WadDirectory& directory, const std::string& name);
