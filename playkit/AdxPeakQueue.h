#pragma once

#include <array>
#include <atomic>
#include <cstddef>
#include <cstdint>
#include <vector>

namespace playkit {

// A played stretch of decoded 16-bit frames, handed from the mixer to the notifier.
struct AdxPeakBlock {
    std::vector<std::int16_t> samples; // capacity fixed when the voice is made
    std::size_t frames = 0;
    double time = 0.0; // media time of the first frame, seconds
};

// Single-producer (mixer) single-consumer (notifier) queue of peak blocks. The mixer fills the
// slot at Back() in place and publishes it with Push; the notifier reads Front() and frees it
// with Pop.
class CAdxPeakQueue {
public:
    static constexpr std::size_t kSlots = 8;

    void Allocate(std::size_t samplesPerBlock) {
        for (AdxPeakBlock& b : m_slots)
            b.samples.assign(samplesPerBlock, 0);
    }

    // Mixer. Null when the notifier has not caught up. Acquire pairs with Pop's release: the
    // notifier is done reading the slot we are about to overwrite.
    AdxPeakBlock* Back() {
        const std::uint64_t t = m_tail.load(std::memory_order_relaxed);
        if (t - m_head.load(std::memory_order_acquire) >= kSlots)
            return nullptr;
        return &m_slots[t % kSlots];
    }
    // Mixer. Release: the block's contents are visible to the notifier that acquires the tail.
    void Push() { m_tail.fetch_add(1, std::memory_order_release); }

    // Notifier. Acquire pairs with Push's release.
    AdxPeakBlock* Front() {
        const std::uint64_t h = m_head.load(std::memory_order_relaxed);
        if (h == m_tail.load(std::memory_order_acquire))
            return nullptr;
        return &m_slots[h % kSlots];
    }
    // Notifier. Release: our reads of the slot happen before the mixer refills it.
    void Pop() { m_head.fetch_add(1, std::memory_order_release); }

private:
    std::array<AdxPeakBlock, kSlots> m_slots;
    alignas(64) std::atomic<std::uint64_t> m_tail{0};
    alignas(64) std::atomic<std::uint64_t> m_head{0};
};

} // namespace playkit
