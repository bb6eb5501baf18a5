#pragma once

#include <QApplication>

#include <exception>

#include <utility>

class QEvent;
class QObject;

#if defined(__SANITIZE_THREAD__)
#define PLATFORM_TSAN 1
#elif defined(__has_feature)
#if __has_feature(thread_sanitizer)
#define PLATFORM_TSAN 1
#endif
#endif

#if defined(PLATFORM_TSAN)
extern "C" void __tsan_acquire(void* addr);
extern "C" void __tsan_release(void* addr);
#endif

namespace platform {

// Qt's event queue hands an event to another thread under locks ThreadSanitizer cannot see (Qt is
// not built with it), so every event posted across threads would read as a race. The poster releases
// the event once it is built and the application acquires it before delivering it: the tool then sees
// the hand-off the queue really makes. Both do nothing in other builds.
inline void HandOffRelease(const void* p) {
#if defined(PLATFORM_TSAN)
    __tsan_release(const_cast<void*>(p));
#else
    (void)p;
#endif
}
inline void HandOffAcquire(const void* p) {
#if defined(PLATFORM_TSAN)
    __tsan_acquire(const_cast<void*>(p));
#else
    (void)p;
#endif
}

// Any thread. QCoreApplication::postEvent with the hand-off made visible; takes the event.
void PostEvent(QObject* target, QEvent* event);

// A functor for QMetaObject::invokeMethod across threads: the copy Qt keeps is released as it is
// made and acquired before it runs.
template <typename F> class CHandedOff {
public:
    explicit CHandedOff(F f) : m_f(std::move(f)) {}
    CHandedOff(const CHandedOff& o) : m_f(o.m_f) { HandOffRelease(this); }
    CHandedOff(CHandedOff&& o) noexcept : m_f(std::move(o.m_f)) { HandOffRelease(this); }
    CHandedOff& operator=(const CHandedOff&) = delete;
    CHandedOff& operator=(CHandedOff&&) = delete;
    ~CHandedOff() { HandOffAcquire(this); }

    // The thread that let go of Qt's copy last destroys it: the run is released for it.
    void operator()() {
        HandOffAcquire(this);
        m_f();
        HandOffRelease(this);
    }

private:
    F m_f;
};

// The program's application object: acquires every event before it is delivered (see PostEvent).
// An event handler that runs out of memory or threads (std::bad_alloc, std::system_error) must not
// unwind through the toolkit's C event loop, which would abort: the first such failure is kept, the
// event loop is left with status 1, and TakeFailure() hands it to the caller.
class CApplication : public QApplication {
public:
    static constexpr int kExitFailure = 1;

    CApplication(int& argc, char** argv) : QApplication(argc, argv) {}
    // The thread of the receiver.
    bool notify(QObject* receiver, QEvent* event) override;
    // UI thread, after exec. The failure that ended the event loop (null when none did), forgotten.
    std::exception_ptr TakeFailure() { return std::exchange(m_failure, nullptr); }

private:
    std::exception_ptr m_failure;
};

} // namespace platform
