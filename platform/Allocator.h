#pragma once

#include <cstddef>

namespace platform {

// Sets the C allocator up for a program that runs for hours with threads that open and close media all
// the time: one heap for all threads, large blocks (decode rings, pre-decoded heads) always mapped and
// unmapped on their own, and the heap's free top kept rather than given back and taken again. Left to itself,
// glibc gives each busy thread a heap of its own and, after the first large block is freed, keeps large
// blocks inside those heaps too; the free space scattered over four heaps then made the resident size swing
// by several megabytes and creep upwards. Call first thing in main, before any thread starts. Returns false
// where the allocator refused a setting.
bool SetUpAllocator();

// Any thread. Whether bytes more of address space could be mapped now (a limit such as ulimit -v
// counts it, used or not). Nothing is kept.
bool HasAddressSpace(std::size_t bytes);

} // namespace platform
