// The one thing the core asks of the operating system: large blocks in huge pages.
#pragma once
#include <cstddef>

// A large block is worth huge pages: a frame would otherwise take a page fault
// for every 4 KiB at its first clear.
constexpr size_t kHugePageBytes = size_t(2) << 20;

// Asks for huge pages behind the whole huge pages within [address, address + bytes).
// Only advice: where the system has no such thing, nothing happens.
void AdviseHugePages(void* address, size_t bytes);
