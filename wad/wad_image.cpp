#include "wad/wad_image.h"

#include <cstdio>
#include <cstdlib>
#include <cstring>

namespace {

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
