#pragma once

#include <atomic>
#include <cassert>
#include <thread>

namespace playkit {

// A part that one thread at a time may play, such as "the thread that drives this player" or "the
// thread that renders". The first check binds the role to the calling thread; every later one, in a
// debug build, asserts that it comes from that thread, until Release lets the role go. Release
// build: no check, nothing bound.
class CAdxThreadRole {
public:
    // Any thread; on the render path too (one atomic compare, no lock, no allocation).
    void Check() noexcept {
#ifndef NDEBUG
        const std::thread::id self = std::this_thread::get_id();
        std::thread::id holder{};
        if (!m_holder.compare_exchange_strong(holder, self, std::memory_order_relaxed))
            assert(holder == self && "called on a thread that does not hold this role");
#endif
    }
    // Any thread, once the holder is done: the next Check binds the role again.
    void Release() noexcept {
        m_holder.store(std::thread::id{}, std::memory_order_relaxed);
    }

private:
    std::atomic<std::thread::id> m_holder{};
};

} // namespace playkit
