#include "platform/Allocator.h"

#include <malloc.h>

namespace platform {
namespace {
// Blocks from this size on are mapped on their own and go back to the system when freed. Setting it
// also stops glibc from raising the threshold each time such a block is freed.
constexpr int kMapFromBytes = 128 * 1024;
// The device thread never allocates, so sharing one heap's lock costs the other threads (UI, loader,
// decoder, notifier) little: their allocations are short.
constexpr int kHeaps = 1;
} // namespace

bool SetUpAllocator() {
    const bool mapped = mallopt(M_MMAP_THRESHOLD, kMapFromBytes) == 1;
    const bool heaps = mallopt(M_ARENA_MAX, kHeaps) == 1;
    return mapped && heaps;
}

} // namespace platform
