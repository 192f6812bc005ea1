#include "wad/wad_directory.h"

#include <cctype>
#include <climits>
#include <cstring>

#include "wad/little_endian.h"

namespace {

constexpr uint32_t kHeaderSize = 12;
constexpr uint32_t kEntrySize = 16;

}  // namespace

bool SameNameIgnoringCase(const char* entryName, const std::string& name) {
    if (std::strlen(entryName) != name.size()) return false;
    for (size_t k = 0; k < name.size(); ++k)
        if (std::toupper(static_cast<unsigned char>(entryName[k])) != std::toupper(static_cast<unsigned char>(name[k])))
            return false;
    return true;
}

namespace {

// A map's marker stands right before its THINGS, or a UDMF map's TEXTMAP.
bool IsMapEntry(const WadDirectory& directory, int32_t index) {
    if (index + 1 >= LumpCount(directory)) return false;
    LumpEntry next = LumpAt(directory, index + 1);
    return std::strcmp(next.name, "THINGS") == 0 || std::strcmp(next.name, "TEXTMAP") == 0;
}

Problem Unreadable(const std::string& name) { return {ProblemKind::kUnreadable, "cannot read level file " + name}; }
Problem NotAWadFile(const std::string& name) { return {ProblemKind::kInvalid, name + " is not a WAD file"}; }

}  // namespace

Result<WadSource> OpenLevelFile(const LevelFile& file) {
    WadSource source;
    source.name = file.path;
    if (file.image) {
        source.image = file.image.get();
        source.size = file.image->bytes.size();
        return source;
    }
    source.file.reset(std::fopen(file.path.c_str(), "rb"));
    if (!source.file) return Unreadable(file.path);
    long size = -1;
    if (std::fseek(source.file.get(), 0, SEEK_END) == 0) size = std::ftell(source.file.get());
    // A size that cannot be told, or that does not fit the format's 32-bit fields, is a failed load.
    if (size < 0 || size > INT32_MAX) return Unreadable(file.path);
    source.size = uint64_t(size);
    return source;
}

bool ReadWadBytes(const WadSource& source, uint64_t offset, size_t size, uint8_t* out) {
    if (offset > source.size || size > source.size - offset) return false;
    if (size == 0) return true;
    if (source.image) {
        std::memcpy(out, source.image->bytes.data() + offset, size);
        return true;
    }
    return source.file && std::fseek(source.file.get(), long(offset), SEEK_SET) == 0 &&
           std::fread(out, 1, size, source.file.get()) == size;
}

Result<WadDirectory> ReadWadDirectory(const WadSource& source) {
    WadDirectory directory;
    directory.fileSize = source.size;
    uint8_t header[kHeaderSize];
    if (source.size < kHeaderSize) return NotAWadFile(source.name);  // too short to be a WAD file
    if (!ReadWadBytes(source, 0, kHeaderSize, header)) return Unreadable(source.name);
    if (std::memcmp(header, "IWAD", 4) != 0 && std::memcmp(header, "PWAD", 4) != 0) return NotAWadFile(source.name);
    int32_t numLumps = ReadInt32(header + 4);
    uint64_t directoryOffset = ReadUInt32(header + 8);
    if (numLumps <= 0) return directory;
    // A directory that reaches past the end of the file makes the file unusable.
    uint64_t directoryBytes = uint64_t(numLumps) * kEntrySize;
    if (directoryOffset + directoryBytes > source.size) return NotAWadFile(source.name);
    directory.entries.resize(size_t(directoryBytes));
    if (!ReadWadBytes(source, directoryOffset, size_t(directoryBytes), directory.entries.data())) return Unreadable(source.name);
    return directory;
}

Result<WadDirectory> ReadLevelFileDirectory(const LevelFile& file) {
    Result<WadSource> source = OpenLevelFile(file);
    if (!source) return source.problem();
    return ReadWadDirectory(*source);
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

std::optional<int32_t> FindEntryNamedWithin(const WadDirectory& directory, int32_t from, const char* wanted) {
    for (int32_t i = from; i < LumpCount(directory); ++i)
        if (std::strstr(wanted, LumpAt(directory, i).name)) return i;
    return std::nullopt;
}

std::vector<std::string> ListMaps(const WadDirectory& directory) {
    std::vector<std::string> maps;
    for (int32_t i = 0; i < LumpCount(directory); ++i)
        if (IsMapEntry(directory, i)) maps.push_back(LumpAt(directory, i).name);
    return maps;
}

std::optional<int32_t> FindMapEntry(const WadDirectory& directory, const std::string& name) {
    for (int32_t i = 0; i < LumpCount(directory); ++i)
        if (IsMapEntry(directory, i) && SameNameIgnoringCase(LumpAt(directory, i).name, name)) return i;
    return std::nullopt;
}
