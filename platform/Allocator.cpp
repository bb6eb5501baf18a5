#include "platform/Allocator.h"

#include <malloc.h>
#include <sys/mman.h>

namespace platform {
namespace {
// Blocks from this size on are mapped on their own and go back to the system when freed. Setting it
// also stops glibc from raising the threshold each time such a block is freed.
constexpr int kMapFromBytes = 128 * 1024;
// The device thread never allocates, so sharing one heap's lock costs the other threads (UI, loader,
// decoder, notifier) little: their allocations are short.
constexpr int kHeaps = 1;
// Free space at the top of the heap is kept rather than handed back: a group switch frees a group's
// decoders and synthesizers and makes the next group's at once, and giving the pages back in between
// only has them faulted in again. The heap then rests at its high-water mark (small blocks only, so a
// few megabytes above what is in use) instead of moving with every switch.
constexpr int kKeepFreeTopBytes = 64 * 1024 * 1024;
} // namespace

bool SetUpAllocator() {
    const bool mapped = mallopt(M_MMAP_THRESHOLD, kMapFromBytes) == 1;
    const bool heaps = mallopt(M_ARENA_MAX, kHeaps) == 1;
    const bool kept = mallopt(M_TRIM_THRESHOLD, kKeepFreeTopBytes) == 1;
    return mapped && heaps && kept;
}

bool HasAddressSpace(std::size_t bytes) {
    void* p = mmap(nullptr, bytes, PROT_NONE, MAP_PRIVATE | MAP_ANONYMOUS | MAP_NORESERVE, -1, 0);
    if (p == MAP_FAILED)
        return false;
    munmap(p, bytes);
    return true;
}

} // namespace platform
