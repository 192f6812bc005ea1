#include "wad/wad_directory.h"

#include <cctype>
#include <climits>
#include <cstring>

namespace {

constexpr uint32_t kHeaderSize = 12;
constexpr uint32_t kEntrySize = 16;

bool SameNameIgnoringCase(const char* entryName, const std::string& name) {
    if (std::strlen(entryName) != name.size()) return false;
    for (size_t k = 0; k < name.size(); ++k)
        if (std::toupper(static_cast<unsigned char>(entryName[k])) != std::toupper(static_cast<unsigned char>(name[k])))
            return false;
    return true;
}

bool IsMapEntry(const WadDirectory& directory, int32_t index) {
    return index + 1 < LumpCount(directory) && std::strcmp(LumpAt(directory, index + 1).name, "THINGS") == 0;
}

}  // namespace

bool OpenWadFile(const char* path, WadSource& source) {
    source = {};
    FILE* file = std::fopen(path, "rb");
    if (!file) return false;
    long size = -1;
    if (std::fseek(file, 0, SEEK_END) == 0) size = std::ftell(file);
    // A size that cannot be told, or that does not fit the format's 32-bit fields, is a failed load.
    if (size < 0 || size > INT32_MAX) {
        std::fclose(file);
        return false;
    }
    source = {file, nullptr, uint64_t(size)};
    return true;
}

WadSource WadSourceOf(const WadImage& image) { return {nullptr, &image, image.size}; }

void CloseWadSource(WadSource& source) {
    if (source.file) std::fclose(source.file);
    source = {};
}

bool ReadWadBytes(const WadSource& source, uint64_t offset, size_t size, uint8_t* out) {
    if (offset > source.size || size > source.size - offset) return false;
    if (size == 0) return true;
    if (source.image) {
        std::memcpy(out, source.image->bytes + offset, size);
        return true;
    }
    return source.file && std::fseek(source.file, long(offset), SEEK_SET) == 0 &&
           std::fread(out, 1, size, source.file) == size;
}

WadDirectory ReadWadDirectory(const WadSource& source) {
    WadDirectory directory;
    directory.fileSize = source.size;
    uint8_t header[kHeaderSize];
    if (source.size < kHeaderSize) {
        directory.status = DirectoryStatus::kInvalid;  // too short to be a WAD file
        return directory;
    }
    if (!ReadWadBytes(source, 0, kHeaderSize, header)) return directory;
    if (std::memcmp(header, "IWAD", 4) != 0 && std::memcmp(header, "PWAD", 4) != 0) {
        directory.status = DirectoryStatus::kInvalid;
        return directory;
    }
    int32_t numLumps = int32_t(ReadUInt32(header + 4));
    uint64_t directoryOffset = ReadUInt32(header + 8);
    if (numLumps <= 0) {
        directory.status = DirectoryStatus::kNoLumps;
        return directory;
    }
    // A directory that reaches past the end of the file makes the file unusable.
    uint64_t directoryBytes = uint64_t(numLumps) * kEntrySize;
    if (directoryOffset + directoryBytes > source.size) {
        directory.status = DirectoryStatus::kInvalid;
        return directory;
    }
    directory.entries.resize(size_t(directoryBytes));
    if (!ReadWadBytes(source, directoryOffset, size_t(directoryBytes), directory.entries.data())) {
        directory.entries.clear();
        return directory;
    }
    directory.status = DirectoryStatus::kRead;
    return directory;
}

int32_t LumpCount(const WadDirectory& directory) { return int32_t(directory.entries.size() / kEntrySize); }

LumpEntry LumpAt(const WadDirectory& directory, int32_t index) {
    const uint8_t* entry = directory.entries.data() + size_t(index) * kEntrySize;
    LumpEntry lump{ReadUInt32(entry), ReadUInt32(entry + 4), {}};
    std::memcpy(lump.name, entry + 8, 8);
    lump.name[8] = 0;
    return lump;
}

bool LumpInsideFile(const WadDirectory& directory, const LumpEntry& lump) {
    return uint64_t(lump.filePos) + lump.size <= directory.fileSize;
}

int32_t FindMapMarker(const WadDirectory& directory, const char* mapName) { return FindLump(directory, 0, mapName); }

int32_t FindLump(const WadDirectory& directory, int32_t marker, const char* lumpName) {
    if (marker < 0) return -1;
    for (int32_t i = marker; i < LumpCount(directory); ++i)
        if (std::strstr(lumpName, LumpAt(directory, i).name)) return i;
    return -1;
}

std::vector<std::string> ListMaps(const WadDirectory& directory) {
    std::vector<std::string> maps;
    for (int32_t i = 0; i < LumpCount(directory); ++i)
        if (IsMapEntry(directory, i)) maps.push_back(LumpAt(directory, i).name);
    return maps;
}

int32_t FindMapEntry(const WadDirectory& directory, const std::string& name) {
    for (int32_t i = 0; i < LumpCount(directory); ++i)
        if (IsMapEntry(directory, i) && SameNameIgnoringCase(LumpAt(directory, i).name, name)) return i;
    return -1;
}
