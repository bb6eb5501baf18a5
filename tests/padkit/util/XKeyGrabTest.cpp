#include "padkit/util/XKeyGrab.h"
#include "padkit/util/KeyHook.h"
#include "padkit/util/KeyTable.h"
#include "platform/Message.h"
#include "tests/padkit/util/UiStall.h"

#include <QProcess>
#include <gtest/gtest.h>

#include <X11/XKBlib.h>
#include <X11/Xlib.h>
#include <X11/extensions/XTest.h>
#include <X11/keysym.h>

#include <chrono>
#include <condition_variable>
#include <fcntl.h>
#include <mutex>
#include <thread>
#include <unistd.h>

namespace {

using namespace padkit;
using platform::WM_KEYDOWN;
using platform::WM_KEYUP;

struct Posted {
    UINT nMessage;
    UINT nVKey;
    DWORD data;
};

class Collector {
public:
    KeySink Sink() {
        return [this](UINT nMessage, WPARAM wParam, LPARAM lParam) {
            const std::lock_guard lock(m_mutex);
            m_posted.push_back({nMessage, static_cast<UINT>(wParam), static_cast<DWORD>(lParam)});
            m_changed.notify_all();
        };
    }
    std::vector<Posted> Wait(size_t n, int ms = 2000) {
        std::unique_lock lock(m_mutex);
        m_changed.wait_for(lock, std::chrono::milliseconds(ms), [&] { return m_posted.size() >= n; });
        return m_posted;
    }

private:
    std::mutex m_mutex;
    std::condition_variable m_changed;
    std::vector<Posted> m_posted;
};

// A private X server for these tests, and a client of it with a focused window that logs its keys.
class XKeyGrabTest : public ::testing::Test {
protected:
    void SetUp() override {
        int fds[2];
        ASSERT_EQ(pipe(fds), 0);
        m_server.setProgram(QStringLiteral("Xvfb"));
        m_server.setArguments({QStringLiteral("-displayfd"), QString::number(fds[1]),
                               QStringLiteral("-nolisten"), QStringLiteral("tcp"), QStringLiteral("-screen"),
                               QStringLiteral("0"), QStringLiteral("320x240x24")});
        m_server.setProcessChannelMode(QProcess::ForwardedErrorChannel);
        m_server.setChildProcessModifier([fd = fds[1]] { fcntl(fd, F_SETFD, 0); });
        m_server.start();
        close(fds[1]);
        ASSERT_TRUE(m_server.waitForStarted(5000)) << "Xvfb is needed";
        std::string number;
        char c = 0;
        while (read(fds[0], &c, 1) == 1 && c != '\n')
            number += c;
        close(fds[0]);
        ASSERT_FALSE(number.empty()) << "Xvfb did not tell its display";
        m_strDisplay = ":" + number;
        m_pDisplay = XOpenDisplay(m_strDisplay.c_str());
        ASSERT_NE(m_pDisplay, nullptr) << "cannot open " << m_strDisplay;
        const Window root = DefaultRootWindow(m_pDisplay);
        m_window = XCreateSimpleWindow(m_pDisplay, root, 0, 0, 100, 100, 0, 0, 0);
        XSelectInput(m_pDisplay, m_window, KeyPressMask | KeyReleaseMask);
        XMapWindow(m_pDisplay, m_window);
        XSync(m_pDisplay, False);
        XSetInputFocus(m_pDisplay, m_window, RevertToParent, CurrentTime);
        // Num Lock on, as the keypad digits need it.
        const unsigned numLock = XkbKeysymToModifiers(m_pDisplay, XK_Num_Lock);
        XkbLockModifiers(m_pDisplay, XkbUseCoreKbd, numLock, numLock);
        XSync(m_pDisplay, False);
    }

    void TearDown() override {
        if (m_pDisplay)
            XCloseDisplay(m_pDisplay);
        m_server.terminate();
        m_server.waitForFinished(3000);
    }

    void Key(KeySym keysym, bool bPress) {
        XTestFakeKeyEvent(m_pDisplay, XKeysymToKeycode(m_pDisplay, keysym), bPress ? True : False,
                          CurrentTime);
        XSync(m_pDisplay, False);
    }
    void Tap(KeySym keysym) {
        Key(keysym, true);
        Key(keysym, false);
    }

    // Key presses the client's window received (waiting a little for late ones).
    int ClientPresses() {
        std::this_thread::sleep_for(std::chrono::milliseconds(100));
        XSync(m_pDisplay, False);
        int n = 0;
        while (XPending(m_pDisplay) > 0) {
            XEvent event;
            XNextEvent(m_pDisplay, &event);
            n += event.type == KeyPress;
        }
        return n;
    }

    static bool WaitUntil(const std::function<bool()>& done) {
        for (int i = 0; i < 200 && !done(); ++i)
            std::this_thread::sleep_for(std::chrono::milliseconds(10));
        return done();
    }

    QProcess m_server;
    std::string m_strDisplay;
    Display* m_pDisplay = nullptr;
    Window m_window = 0;
    Collector m_collector;
};

TEST_F(XKeyGrabTest, KeysGoToTheSinkAndNotToTheFocusedClientUntilTheGrabEnds) {
    Tap(XK_KP_1);
    EXPECT_EQ(ClientPresses(), 1) << "without capture the focused client has the key";

    auto grab = CXKeyGrab::Open(m_strDisplay, m_collector.Sink());
    ASSERT_TRUE(grab);
    ASSERT_TRUE(WaitUntil([&] { return grab->IsGrabbed(); }));
    Tap(XK_KP_1);
    Key(XK_Alt_L, true);
    Tap(XK_m);
    Key(XK_Alt_L, false);
    Tap(XK_Right);
    const std::vector<Posted> got = m_collector.Wait(8);
    ASSERT_EQ(got.size(), 8u);
    EXPECT_EQ(got[0].nMessage, WM_KEYDOWN);
    EXPECT_EQ(got[0].nVKey, 0x61u);
    EXPECT_EQ(got[0].data, 0x004F0001u);
    EXPECT_EQ(got[1].nMessage, WM_KEYUP);
    EXPECT_EQ(got[1].data, 0xC04F0001u);
    EXPECT_EQ(got[2].nVKey, kVkMenu);
    EXPECT_EQ(got[3].nVKey, static_cast<UINT>('M'));
    EXPECT_EQ(got[3].data, 0x20320001u) << "M with Alt held";
    EXPECT_EQ(got[6].nVKey, 0x27u);
    EXPECT_EQ(got[6].data, 0x014D0001u) << "the arrow keys are extended";
    EXPECT_EQ(ClientPresses(), 0) << "the focused client saw none of them";

    grab.reset();
    Tap(XK_KP_1);
    EXPECT_EQ(ClientPresses(), 1) << "after the capture ends keys reach the client again at once";
    EXPECT_EQ(m_collector.Wait(9, 100).size(), 8u);
}

TEST_F(XKeyGrabTest, NumLockOffGivesTheKeypadsNavigationCodes) {
    const unsigned numLock = XkbKeysymToModifiers(m_pDisplay, XK_Num_Lock);
    XkbLockModifiers(m_pDisplay, XkbUseCoreKbd, numLock, 0);
    XSync(m_pDisplay, False);
    auto grab = CXKeyGrab::Open(m_strDisplay, m_collector.Sink());
    ASSERT_TRUE(grab);
    ASSERT_TRUE(WaitUntil([&] { return grab->IsGrabbed(); }));
    Tap(XK_KP_1);
    const std::vector<Posted> got = m_collector.Wait(2);
    ASSERT_EQ(got.size(), 2u);
    EXPECT_EQ(got[0].nVKey, 0x23u);
    EXPECT_EQ(got[0].data & kKeyDataExtended, 0u) << "keypad End is not the extended End key";
}

// Held keys auto-repeat as press, press, ..., release; each press after the first has bit 30.
TEST_F(XKeyGrabTest, AutoRepeatIsPressPressRelease) {
    auto grab = CXKeyGrab::Open(m_strDisplay, m_collector.Sink());
    ASSERT_TRUE(grab);
    ASSERT_TRUE(WaitUntil([&] { return grab->IsGrabbed(); }));
    XAutoRepeatOn(m_pDisplay);
    XkbSetAutoRepeatRate(m_pDisplay, XkbUseCoreKbd, 100, 20);
    Key(XK_KP_5, true);
    m_collector.Wait(4, 3000);
    Key(XK_KP_5, false);
    std::vector<Posted> got = m_collector.Wait(1000, 200);
    ASSERT_GE(got.size(), 4u);
    EXPECT_EQ(got.front().data & kKeyDataPrevious, 0u);
    for (size_t i = 0; i + 1 < got.size(); ++i) {
        EXPECT_EQ(got[i].nMessage, WM_KEYDOWN) << i;
        if (i > 0) {
            EXPECT_EQ(got[i].data & kKeyDataPrevious, kKeyDataPrevious) << i;
        }
    }
    EXPECT_EQ(got.back().nMessage, WM_KEYUP);
    for (const Posted& p : got)
        EXPECT_EQ(p.nVKey, 0x65u);
}

// Another client holding the keyboard (an open menu) makes the first grab fail; capture takes over as
// soon as it lets go, instead of staying off until the next install.
TEST_F(XKeyGrabTest, GrabIsRetriedWhileAnotherClientHoldsTheKeyboard) {
    ASSERT_EQ(XGrabKeyboard(m_pDisplay, m_window, False, GrabModeAsync, GrabModeAsync, CurrentTime),
              GrabSuccess);
    XSync(m_pDisplay, False);
    auto grab = CXKeyGrab::Open(m_strDisplay, m_collector.Sink());
    ASSERT_TRUE(grab) << "a busy keyboard is no reason to report failure";
    std::this_thread::sleep_for(std::chrono::milliseconds(3 * CXKeyGrab::kRetryMs));
    EXPECT_FALSE(grab->IsGrabbed());

    XUngrabKeyboard(m_pDisplay, CurrentTime);
    XSync(m_pDisplay, False);
    ASSERT_TRUE(WaitUntil([&] { return grab->IsGrabbed(); }));
    Tap(XK_KP_2);
    EXPECT_EQ(m_collector.Wait(2).size(), 2u);
    EXPECT_EQ(ClientPresses(), 0);
}

// A hung window must not keep the desktop's keyboard: once the UI has not answered for the limit the
// grab is let go (another client can take the keyboard, keys reach the focused client), the key held
// then is posted as released, and the grab is taken again as soon as the UI answers.
TEST_F(XKeyGrabTest, GrabIsLetGoWhileTheUiHangsAndTakenAgainWhenItAnswers) {
    auto grab = CXKeyGrab::Open(m_strDisplay, m_collector.Sink(),
                                std::make_unique<CUiWatchdog>(test::kQuickWatchdog));
    ASSERT_TRUE(grab);
    ASSERT_TRUE(test::ServeUiUntil([&] { return grab->IsGrabbed(); }));
    Key(XK_KP_1, true);
    ASSERT_EQ(m_collector.Wait(1).size(), 1u);

    // From here this thread handles no events: the UI hangs.
    ASSERT_TRUE(WaitUntil([&] { return !grab->IsGrabbed(); }));
    EXPECT_EQ(XGrabKeyboard(m_pDisplay, m_window, False, GrabModeAsync, GrabModeAsync, CurrentTime),
              GrabSuccess)
        << "the keyboard is free for other clients";
    XUngrabKeyboard(m_pDisplay, CurrentTime);
    Key(XK_KP_1, false);
    std::vector<Posted> got = m_collector.Wait(2);
    ASSERT_EQ(got.size(), 2u);
    EXPECT_EQ(got[1].nMessage, WM_KEYUP);
    EXPECT_EQ(got[1].nVKey, 0x61u);
    Tap(XK_KP_2);
    EXPECT_EQ(ClientPresses(), 1) << "keys reach the focused client while the UI hangs";
    std::this_thread::sleep_for(5 * test::kQuickWatchdog.probeEvery);
    EXPECT_FALSE(grab->IsGrabbed()) << "not taken again while the UI hangs";
    EXPECT_EQ(m_collector.Wait(3, 0).size(), 2u);

    ASSERT_TRUE(test::ServeUiUntil([&] { return grab->IsGrabbed(); }));
    Tap(XK_KP_3);
    got = m_collector.Wait(4);
    ASSERT_EQ(got.size(), 4u);
    EXPECT_EQ(got[2].nVKey, 0x63u);
    EXPECT_EQ(got[2].data & kKeyDataPrevious, 0u);
    EXPECT_EQ(ClientPresses(), 0);
}

TEST_F(XKeyGrabTest, PhysicalKeyStateComesFromTheServer) {
    EXPECT_FALSE(CXKeyGrab::IsKeyDown(m_pDisplay, kVkControl));
    Key(XK_Control_R, true);
    EXPECT_TRUE(CXKeyGrab::IsKeyDown(m_pDisplay, kVkControl));
    EXPECT_FALSE(CXKeyGrab::IsKeyDown(m_pDisplay, 0x26));
    Key(XK_Control_R, false);
    EXPECT_FALSE(CXKeyGrab::IsKeyDown(m_pDisplay, kVkControl));
    Key(XK_KP_1, true);
    EXPECT_TRUE(CXKeyGrab::IsKeyDown(m_pDisplay, 0x61));
    Key(XK_KP_1, false);
}

TEST_F(XKeyGrabTest, NoDisplayNoCapture) {
    EXPECT_FALSE(CXKeyGrab::Open(":4999", m_collector.Sink()));
    KeyCaptureConfig config;
    config.strDisplay = ":4999";
    CKeyCapture capture(config);
    EXPECT_EQ(capture.Install(m_collector.Sink()), FALSE);
    EXPECT_EQ(capture.Remove(), FALSE);

    config.strDisplay = m_strDisplay;
    CKeyCapture working(config);
    EXPECT_EQ(working.Install(m_collector.Sink()), TRUE);
    EXPECT_EQ(working.Install(m_collector.Sink()), FALSE) << "one at a time";
    EXPECT_EQ(working.Remove(), TRUE);
    EXPECT_EQ(working.Remove(), FALSE);
}

} // namespace
