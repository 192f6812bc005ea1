#include "wad/wad_image.h"

#include <climits>
#include <cstdio>
#include <memory>
#include <new>

#include "platform/huge_pages.h"

namespace {

Problem Unreadable(const std::string& name) { return {ProblemKind::kUnreadable, "cannot read level file " + name}; }

struct CloseFile {
    void operator()(std::FILE* file) const { std::fclose(file); }
};

}  // namespace

Result<WadImage> LoadWadImage(const std::string& path) {
    std::unique_ptr<std::FILE, CloseFile> file(std::fopen(path.c_str(), "rb"));
    if (!file) return Unreadable(path);
    long size = -1;
    if (std::fseek(file.get(), 0, SEEK_END) == 0) size = std::ftell(file.get());
    // A size that cannot be told, or that does not fit the format's 32-bit fields, is a failed load.
    if (size < 0 || size > INT32_MAX || std::fseek(file.get(), 0, SEEK_SET) != 0) return Unreadable(path);
    WadImage image;
    try {
        // A level file is tens of MiB: in huge pages it takes a few page faults where it took thousands.
        image.bytes.reserve(size_t(size));
        uintptr_t start = reinterpret_cast<uintptr_t>(image.bytes.data()), end = start + size_t(size);
        uintptr_t firstHuge = (start + kHugePageBytes - 1) / kHugePageBytes * kHugePageBytes;
        uintptr_t lastHuge = end / kHugePageBytes * kHugePageBytes;
        if (lastHuge > firstHuge) AdviseHugePages(reinterpret_cast<void*>(firstHuge), lastHuge - firstHuge);
        image.bytes.resize(size_t(size));
    } catch (const std::bad_alloc&) {
        return Unreadable(path);
    }
    if (std::fread(image.bytes.data(), 1, image.bytes.size(), file.get()) != image.bytes.size()) return Unreadable(path);
    return image;
}

Result<WadImage> WadImageFromBytes(const uint8_t* data, size_t size, const std::string& name) {
    if (size > size_t(INT32_MAX)) return Unreadable(name);
    WadImage image;
    try {
        if (size > 0) image.bytes.assign(data, data + size);
    } catch (const std::bad_alloc&) {
        return Unreadable(name);
    }
    return image;
}
