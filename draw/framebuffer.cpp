#include "draw/framebuffer.h"

#include <cstdint>
#include <cstring>
#include <new>
#include <string>

#include "platform/huge_pages.h"

void Framebuffer::Release::operator()(uint32_t* pixels) const {
    ::operator delete(pixels, std::align_val_t(alignment));
}

Status Framebuffer::Resize(int32_t width, int32_t height) {
    store_.reset();
    canvas_ = {};
    uint64_t count = uint64_t(width > 0 ? width : 0) * uint64_t(height > 0 ? height : 0);
    if (count == 0) return Succeeded();
    // Rounded up to whole huge pages, which must not wrap where size_t is 32 bits wide.
    uint64_t bytes = count * sizeof(uint32_t);
    size_t alignment = bytes >= kHugePageBytes ? kHugePageBytes : 64;
    bytes = (bytes + alignment - 1) / alignment * alignment;
    void* block = bytes <= SIZE_MAX ? ::operator new(size_t(bytes), std::align_val_t(alignment), std::nothrow) : nullptr;
    if (!block)
        return Problem{ProblemKind::kNoMemory, "no memory for a " + std::to_string(width) + "x" + std::to_string(height) + " frame"};
    if (alignment == kHugePageBytes) AdviseHugePages(block, size_t(bytes));
    std::memset(block, 0, size_t(bytes));  // black until the first frame is composed
    store_ = std::unique_ptr<uint32_t, Release>(static_cast<uint32_t*>(block), Release{alignment});
    canvas_ = {width, height, store_.get()};
    return Succeeded();
}
