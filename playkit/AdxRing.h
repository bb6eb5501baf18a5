#pragma once

#include <algorithm>
#include <atomic>
#include <cstddef>
#include <cstdint>
#include <memory>

namespace playkit {

// Single-producer single-consumer ring of interleaved 16-bit frames. The decoder worker writes,
// the mixer reads; neither ever waits for the other. Indices count frames since the ring was made
// and never wrap (64 bits); the slot of index i is i & mask.
class CAdxRing {
public:
    CAdxRing(std::size_t capacityFrames, int channels)
        : m_capacity(RoundUp(capacityFrames)), m_mask(m_capacity - 1), m_channels(channels),
          m_data(std::make_unique<std::int16_t[]>(m_capacity * static_cast<std::size_t>(channels))) {}

    std::size_t Capacity() const { return m_capacity; }
    int Channels() const { return m_channels; }

    // Producer side (decoder worker).
    std::uint64_t WriteIndex() const { return m_write.load(std::memory_order_relaxed); }
    // Free frames. Acquire pairs with the consumer's release in Consume: the consumer has finished
    // reading every slot below the index we see, so we may overwrite them.
    std::size_t Free() const {
        const std::uint64_t r = m_read.load(std::memory_order_acquire);
        return m_capacity - static_cast<std::size_t>(m_write.load(std::memory_order_relaxed) - r);
    }
    // Contiguous writable slots starting at the write index (at most n frames).
    std::int16_t* WritePtr(std::size_t& n) {
        const std::size_t at = static_cast<std::size_t>(m_write.load(std::memory_order_relaxed) & m_mask);
        n = std::min(n, m_capacity - at);
        return m_data.get() + at * static_cast<std::size_t>(m_channels);
    }
    // Release: the frames written before this call become visible to a consumer that acquires
    // the new index.
    void Commit(std::size_t frames) { m_write.fetch_add(frames, std::memory_order_release); }

    // Consumer side (mixer). Acquire pairs with Commit's release: the frames below the index
    // we read are fully written.
    std::uint64_t Written() const { return m_write.load(std::memory_order_acquire); }
    const std::int16_t* ReadPtr(std::uint64_t index, std::size_t& n) const {
        const std::size_t at = static_cast<std::size_t>(index & m_mask);
        n = std::min(n, m_capacity - at);
        return m_data.get() + at * static_cast<std::size_t>(m_channels);
    }
    // Release: our reads of every slot below index happen before the producer reuses them.
    void Consume(std::uint64_t index) { m_read.store(index, std::memory_order_release); }

private:
    static std::size_t RoundUp(std::size_t n) {
        std::size_t c = 1;
        while (c < n)
            c <<= 1;
        return c;
    }

    const std::size_t m_capacity;
    const std::size_t m_mask;
    const int m_channels;
    std::unique_ptr<std::int16_t[]> m_data;
    alignas(64) std::atomic<std::uint64_t> m_write{0};
    alignas(64) std::atomic<std::uint64_t> m_read{0};
};

} // namespace playkit
