#include "wad/wad_image.h"

#include <climits>
#include <new>

#include "platform/huge_pages.h"
#include "wad/wad_directory.h"

namespace {

Problem Unreadable(const std::string& name) { return {ProblemKind::kUnreadable, "cannot read level file " + name}; }

}  // namespace

Result<WadImage> LoadWadImage(const std::string& path) {
    Result<WadSource> source = OpenLevelFile(LevelFile{path, nullptr});
    if (!source) return source.problem();
    const size_t size = size_t(source->size);
    WadImage image;
    try {
        // A level file is tens of MiB: in huge pages it takes a few page faults where it took thousands.
        image.bytes.reserve(size_t(size));
        AdviseHugePages(image.bytes.data(), size);
        image.bytes.resize(size_t(size));
    } catch (const std::bad_alloc&) {
        return Unreadable(path);
    }
    if (!ReadWadBytes(*source, 0, size, image.bytes.data())) return Unreadable(path);
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
