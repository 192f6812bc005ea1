#include "platform/huge_pages.h"

#if defined(__linux__)
#include <sys/mman.h>

#include <cstdint>

void AdviseHugePages(void* address, size_t bytes) {
    uintptr_t start = reinterpret_cast<uintptr_t>(address), end = start + bytes;
    uintptr_t first = (start + kHugePageBytes - 1) / kHugePageBytes * kHugePageBytes, last = end / kHugePageBytes * kHugePageBytes;
    if (last > first) madvise(reinterpret_cast<void*>(first), last - first, MADV_HUGEPAGE);
}
#else
void AdviseHugePages(void*, size_t) {}
#endif
