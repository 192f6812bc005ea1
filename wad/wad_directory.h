// The level file's header and lump directory, read from a file on disk piece by
// piece or from a file's bytes in memory, and the lookups in the directory.
#pragma once
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <string>
#include <vector>

#include "wad/wad_image.h"

// Where a file's bytes come from: a file on disk, of which only the pieces asked
// for are read, or an image of the whole file in memory.
struct WadSource {
    FILE* file = nullptr;
    const WadImage* image = nullptr;
    uint64_t size = 0;  // the file's size when it was opened
};

// Opens the file and tells its size; false when it cannot be opened or sized.
bool OpenWadFile(const char* path, WadSource& source);
WadSource WadSourceOf(const WadImage& image);
void CloseWadSource(WadSource& source);

// Copies size bytes from offset; false when the source does not deliver them
// all, which a file that shrank since it was opened may do.
bool ReadWadBytes(const WadSource& source, uint64_t offset, size_t size, uint8_t* out);

enum class DirectoryStatus {
    kRead,
    kUnreadable,  // the header or directory could not be read
    kInvalid,     // not "IWAD" or "PWAD", or the directory reaches past the end
    kNoLumps,     // numLumps 0 or negative
};

struct LumpEntry {
    uint32_t filePos;
    uint32_t size;
    char name[9];  // the 8 name bytes and a 0, so a name is a string of at most 8 characters
};

struct WadDirectory {
    DirectoryStatus status = DirectoryStatus::kUnreadable;
    uint64_t fileSize = 0;
    std::vector<uint8_t> entries;  // 16 bytes per lump, as in the file
};

WadDirectory ReadWadDirectory(const WadSource& source);

int32_t LumpCount(const WadDirectory& directory);
LumpEntry LumpAt(const WadDirectory& directory, int32_t index);

// Whether the lump's data lies inside the file.
bool LumpInsideFile(const WadDirectory& directory, const LumpEntry& lump);

// The built-in table's marker search: the first entry whose name occurs within
// mapName (a substring test, case-sensitive). -1 when none does.
int32_t FindMapMarker(const WadDirectory& directory, const char* mapName);

// The first entry from the marker on, the marker included, whose name occurs
// within lumpName; the search runs on to the end of the directory. -1 when none.
int32_t FindLump(const WadDirectory& directory, int32_t marker, const char* lumpName);

// The file's maps in directory order: every entry directly followed by THINGS.
std::vector<std::string> ListMaps(const WadDirectory& directory);

// The map entry (directly followed by THINGS) whose name equals name, ignoring
// case; -1 when there is none.
int32_t FindMapEntry(const WadDirectory& directory, const std::string& name);
