#include "platform/huge_pages.h"

#if defined(__linux__)
#include <sys/mman.h>

void AdviseHugePages(void* address, size_t bytes) { madvise(address, bytes, MADV_HUGEPAGE); }
#else
void AdviseHugePages(void*, size_t) {}
#endif
