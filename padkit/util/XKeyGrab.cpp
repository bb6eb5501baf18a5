#include "padkit/util/XKeyGrab.h"

#include "padkit/util/KeyTable.h"

#include <X11/XKBlib.h>
#include <X11/Xlib.h>

#include <algorithm>
#include <cerrno>
#include <poll.h>
#include <sys/eventfd.h>
#include <unistd.h>
#include <utility>

namespace padkit {
namespace {

// X keycodes are the input layer's codes plus 8 on every server that uses the evdev key map.
constexpr unsigned kXKeycodeOffset = 8;

} // namespace

std::unique_ptr<CXKeyGrab> CXKeyGrab::Open(const std::string& displayName, KeySink sink,
                                           std::unique_ptr<CUiWatchdog> pWatchdog) {
    Display* pDisplay = XOpenDisplay(displayName.empty() ? nullptr : displayName.c_str());
    if (!pDisplay)
        return nullptr;
    const int nWakeFd = eventfd(0, EFD_CLOEXEC | EFD_NONBLOCK);
    if (nWakeFd < 0) {
        XCloseDisplay(pDisplay);
        return nullptr;
    }
    // Auto-repeat then comes as press, press, ..., release instead of press/release pairs.
    Bool bSupported = False;
    XkbSetDetectableAutoRepeat(pDisplay, True, &bSupported);
    std::unique_ptr<CXKeyGrab> grab(new CXKeyGrab(pDisplay, nWakeFd, std::move(sink), std::move(pWatchdog)));
    grab->m_thread = std::thread([g = grab.get()] { g->Run(); });
    return grab;
}

CXKeyGrab::CXKeyGrab(Display* pDisplay, int nWakeFd, KeySink sink, std::unique_ptr<CUiWatchdog> pWatchdog)
    : m_pDisplay(pDisplay), m_nWakeFd(nWakeFd), m_sink(std::move(sink)), m_pWatchdog(std::move(pWatchdog)) {}

CXKeyGrab::~CXKeyGrab() {
    m_bStop.store(true);
    const std::uint64_t one = 1;
    [[maybe_unused]] const ssize_t n = write(m_nWakeFd, &one, sizeof one);
    if (m_thread.joinable())
        m_thread.join();
    XCloseDisplay(m_pDisplay); // also ends a grab the thread still held
    close(m_nWakeFd);
}

// The capture thread.
void CXKeyGrab::Run() {
    Display* const pDisplay = m_pDisplay;
    const Window root = DefaultRootWindow(pDisplay);
    pollfd fds[2] = {{ConnectionNumber(pDisplay), POLLIN, 0}, {m_nWakeFd, POLLIN, 0}};
    while (!m_bStop.load()) {
        const bool bUiAnswers = !m_pWatchdog || m_pWatchdog->Check();
        if (!m_bGrabbed.load() && bUiAnswers) {
            const int result =
                XGrabKeyboard(pDisplay, root, False, GrabModeAsync, GrabModeAsync, CurrentTime);
            if (result == GrabSuccess) {
                m_stroke.Reset();
                m_aPressedVKey.fill(0);
                m_bGrabbed.store(true, std::memory_order_release);
            }
        }
        while (XPending(pDisplay) > 0) {
            XEvent event;
            XNextEvent(pDisplay, &event);
            Handle(&event);
        }
        if (m_bGrabbed.load() && !bUiAnswers)
            LetGo();
        int nWaitMs = m_bGrabbed.load() || !bUiAnswers ? -1 : kRetryMs;
        if (m_pWatchdog)
            nWaitMs = nWaitMs < 0 ? m_pWatchdog->WaitMs() : std::min(nWaitMs, m_pWatchdog->WaitMs());
        if (poll(fds, 2, nWaitMs) < 0 && errno != EINTR)
            break;
        if (fds[0].revents & (POLLERR | POLLHUP))
            break; // the server went away
    }
    if (m_bGrabbed.exchange(false)) {
        XUngrabKeyboard(pDisplay, CurrentTime);
        XFlush(pDisplay);
    }
}

// The capture thread.
void CXKeyGrab::Handle(const void* pXEvent) {
    const auto& event = *static_cast<const XEvent*>(pXEvent);
    if (event.type != KeyPress && event.type != KeyRelease)
        return;
    if (!m_bGrabbed.load())
        return; // sent before the grab was let go: the focused client has the rest of the keystroke
    const XKeyEvent& key = event.xkey;
    const UINT nVKey = VKeyFromXKey(m_pDisplay, key.keycode, key.state);
    if (key.keycode < m_aPressedVKey.size())
        m_aPressedVKey[key.keycode] = event.type == KeyPress ? nVKey : 0;
    const InputKey input =
        InputKeyFromCode(key.keycode >= kXKeycodeOffset ? key.keycode - kXKeycodeOffset : 0);
    const CKeyStroke::Message message =
        m_stroke.Make(key.keycode, nVKey, input.nScanCode, input.bExtended, event.type == KeyPress);
    if (nVKey != 0) // a key with no code has no role anywhere
        m_sink(message.nMessage, message.wParam, message.lParam);
}

// The capture thread. The window hears the held keys go up, since their releases will reach the
// focused client instead.
void CXKeyGrab::LetGo() {
    for (unsigned keycode = 0; keycode < m_aPressedVKey.size(); ++keycode) {
        const UINT nVKey = std::exchange(m_aPressedVKey[keycode], 0);
        if (nVKey == 0 || !m_stroke.IsDown(keycode))
            continue;
        const InputKey input = InputKeyFromCode(keycode >= kXKeycodeOffset ? keycode - kXKeycodeOffset : 0);
        const CKeyStroke::Message message =
            m_stroke.Make(keycode, nVKey, input.nScanCode, input.bExtended, false);
        m_sink(message.nMessage, message.wParam, message.lParam);
    }
    XUngrabKeyboard(m_pDisplay, CurrentTime);
    XSync(m_pDisplay, False); // free for other clients once this says so
    m_bGrabbed.store(false, std::memory_order_release);
}

bool CXKeyGrab::IsKeyDown(Display* pDisplay, UINT nVKey) {
    if (!pDisplay || nVKey == 0)
        return false;
    char keys[32] = {};
    XQueryKeymap(pDisplay, keys);
    XkbStateRec state{};
    XkbGetState(pDisplay, XkbUseCoreKbd, &state);
    for (unsigned keycode = 8; keycode < 256; ++keycode) {
        if ((keys[keycode / 8] & (1 << (keycode % 8))) &&
            VKeyFromXKey(pDisplay, keycode, state.mods) == nVKey)
            return true;
    }
    return false;
}

} // namespace padkit
