#pragma once

#include "padkit/util/UiWatchdog.h"

#include <QCoreApplication>

#include <chrono>
#include <functional>
#include <thread>

namespace padkit::test {

// Short enough for a test, long enough that a busy machine does not read as a hung UI.
inline constexpr CUiWatchdog::Timing kQuickWatchdog{std::chrono::milliseconds(500),
                                                    std::chrono::milliseconds(20)};

// The test's thread acting as an answering UI thread: handles its events until done (up to 2 s).
// Waiting without handling them is what a hung UI looks like to the watchdog.
inline bool ServeUiUntil(const std::function<bool()>& done) {
    for (int i = 0; i < 200 && !done(); ++i) {
        QCoreApplication::processEvents();
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
    return done();
}

// The same for a while, whatever happens.
inline void ServeUiFor(std::chrono::milliseconds duration) {
    const auto end = std::chrono::steady_clock::now() + duration;
    while (std::chrono::steady_clock::now() < end) {
        QCoreApplication::processEvents();
        std::this_thread::sleep_for(std::chrono::milliseconds(5));
    }
}

} // namespace padkit::test
