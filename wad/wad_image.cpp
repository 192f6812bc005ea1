#include "wad/wad_image.h"

#include <cstdio>
#include <cstdlib>
#include <cstring>

namespace {

uint32_t ReadUInt32(const uint8_t* bytes) {
    return uint32_t(bytes[0]) | uint32_t(bytes[1]) << 8 | uint32_t(bytes[2]) << 16 |
           uint32_t(bytes[3]) << 24;
}

constexpr uint32_t kHeaderSize = 12;
constexpr uint32_t kEntrySize = 16;

WadImage* NewImage(uint32_t size) {
    auto* image = static_cast<WadImage*>(std::malloc(sizeof(WadImage)));
    if (!image) return nullptr;
    image->bytes = static_cast<uint8_t*>(std::malloc(size_t(size) + 1));
    if (!image->bytes) {
        std::free(image);
        return nullptr;
    }
    image->size = size;
    image->bytes[size] = 0;
    return image;
}

}  // namespace

WadImage* LoadWadImage(const char* path, int32_t* fileSize) {
    FILE* file = std::fopen(path, "rb");
    if (!file) return nullptr;
    long size = -1;
    if (std::fseek(file, 0, SEEK_END) == 0) size = std::ftell(file);
    // A size that cannot be told, or that does not fit the format's 32-bit fields, is a failed load.
    if (size < 0 || size > INT32_MAX || std::fseek(file, 0, SEEK_SET) != 0) {
        std::fclose(file);
        return nullptr;
    }
    WadImage* image = NewImage(uint32_t(size));
    if (!image) {
        std::fclose(file);
        return nullptr;
    }
    size_t read = std::fread(image->bytes, 1, size_t(size), file);
    std::fclose(file);
    if (read != size_t(size)) {
        FreeWadImage(image);
        return nullptr;
    }
    if (fileSize) *fileSize = int32_t(size);
    return image;
}

WadImage* WadImageFromBytes(const uint8_t* data, size_t size) {
    if (size > size_t(INT32_MAX)) return nullptr;
    WadImage* image = NewImage(uint32_t(size));
    if (image && size > 0) std::memcpy(image->bytes, data, size);
    return image;
}

void FreeWadImage(WadImage* image) {
    if (!image) return;
    std::free(image->bytes);
    std::free(image);
}

bool HasWadHeader(const WadImage* image) {
    if (!image || image->size < kHeaderSize) return false;
    return std::memcmp(image->bytes, "IWAD", 4) == 0 || std::memcmp(image->bytes, "PWAD", 4) == 0;
}

const uint8_t* FindLump(const char* mapName, const char* lumpName, uint32_t* lumpSize,
                        WadImage** image, const char* wadPath) {
    if (!*image) {
        *image = LoadWadImage(wadPath, nullptr);
        if (!*image) {
            std::printf("Unable to open %s\n", wadPath);
            return nullptr;
        }
    }
    const WadImage& wad = **image;
    if (!HasWadHeader(&wad)) {
        std::printf("Invalid WAD file\n");
        return nullptr;
    }
    int32_t numLumps = int32_t(ReadUInt32(wad.bytes + 4));
    uint32_t directoryOffset = ReadUInt32(wad.bytes + 8);
    if (numLumps <= 0) return nullptr;
    // A directory that reaches past the end of the file makes the file unusable.
    if (uint64_t(directoryOffset) + uint64_t(numLumps) * kEntrySize > wad.size) {
        std::printf("Invalid WAD file\n");
        return nullptr;
    }

    bool markerPending = true;
    char name[9];
    for (int32_t i = 0; i < numLumps; ++i) {
        const uint8_t* entry = wad.bytes + directoryOffset + size_t(i) * kEntrySize;
        std::memcpy(name, entry + 8, 8);
        name[8] = 0;
        if (markerPending) {
            if (!std::strstr(mapName, name)) continue;
            markerPending = false;
        }
        if (!std::strstr(lumpName, name)) continue;
        uint32_t filePos = ReadUInt32(entry);
        uint32_t size = ReadUInt32(entry + 4);
        // So does a lump whose data reaches past the end.
        if (uint64_t(filePos) + size > wad.size) {
            std::printf("Invalid WAD file\n");
            return nullptr;
        }
        *lumpSize = size;
        return wad.bytes + filePos;
    }
    return nullptr;
}
