#include "padkit/util/EvdevKeyReader.h"
#include "padkit/util/KeyHook.h"
#include "padkit/util/KeyTable.h"
#include "platform/Message.h"
#include "tests/padkit/util/UiStall.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <gtest/gtest.h>
#include <libevdev/libevdev.h>

#include <chrono>
#include <condition_variable>
#include <deque>
#include <fcntl.h>
#include <linux/input.h>
#include <map>
#include <mutex>
#include <pwd.h>
#include <sstream>
#include <sys/wait.h>
#include <unistd.h>

namespace {

using namespace padkit;
using platform::WM_KEYDOWN;
using platform::WM_KEYUP;

// A keyboard that plays back a recorded event stream, and records what the reader does with it.
struct Recording {
    std::mutex mutex;
    std::deque<input_event> events;
    std::set<unsigned> keysDown; // as the kernel would report them once the events are read
    std::vector<std::string> calls;
    int pipe[2] = {-1, -1};
    int nLed = 0;
    int nGrabFailures = 0; // grabs refused before one succeeds (another program holds the device)
    bool bGone = false;

    Recording() { EXPECT_EQ(::pipe2(pipe, O_NONBLOCK | O_CLOEXEC), 0); }
    ~Recording() {
        close(pipe[0]);
        close(pipe[1]);
    }

    // Lines "EV_KEY KEY_KP1 1" as evtest prints them; EV_SYN reports between them are implied.
    void Feed(const std::string& stream) {
        Queue(stream);
        Wake();
    }
    // The same without waking the reader; the events are stamped firstUs, firstUs + stepUs, ...
    void Queue(const std::string& stream, long long firstUs = 0, long long stepUs = 0) {
        std::istringstream lines(stream);
        std::string type, code;
        int value = 0;
        const std::lock_guard lock(mutex);
        for (long long us = firstUs; lines >> type >> code >> value; us += stepUs) {
            input_event ev{};
            ev.input_event_sec = us / 1000000;
            ev.input_event_usec = us % 1000000;
            ev.type = static_cast<__u16>(libevdev_event_type_from_name(type.c_str()));
            ev.code = static_cast<__u16>(libevdev_event_code_from_name(ev.type, code.c_str()));
            ev.value = value;
            events.push_back(ev);
            ev.type = EV_SYN;
            ev.code = SYN_REPORT;
            ev.value = 0;
            events.push_back(ev);
        }
    }
    void Unplug() {
        {
            const std::lock_guard lock(mutex);
            bGone = true;
        }
        Wake();
    }
    void Wake() { [[maybe_unused]] const ssize_t n = write(pipe[1], "x", 1); }
    std::vector<std::string> Calls() {
        const std::lock_guard lock(mutex);
        return calls;
    }
};

class RecordedDevice final : public IInputDevice {
public:
    explicit RecordedDevice(std::shared_ptr<Recording> rec) : m_rec(std::move(rec)) {}
    ~RecordedDevice() override {
        const std::lock_guard lock(m_rec->mutex);
        m_rec->calls.push_back("close");
    }
    int Fd() const override { return m_rec->pipe[0]; }
    ReadResult Next(input_event& ev) override {
        const std::lock_guard lock(m_rec->mutex);
        if (m_rec->events.empty()) {
            char buffer[64];
            while (read(m_rec->pipe[0], buffer, sizeof buffer) > 0) {
            }
            return m_rec->bGone ? ReadResult::Gone : ReadResult::None;
        }
        ev = m_rec->events.front();
        m_rec->events.pop_front();
        if (ev.type == EV_KEY && ev.value == 0)
            m_rec->keysDown.erase(ev.code);
        else if (ev.type == EV_KEY)
            m_rec->keysDown.insert(ev.code);
        return ReadResult::Event;
    }
    bool Grab(bool bOn) override {
        const std::lock_guard lock(m_rec->mutex);
        if (bOn && m_rec->nGrabFailures > 0) {
            --m_rec->nGrabFailures;
            m_rec->calls.push_back("grab refused");
            return false;
        }
        m_rec->calls.push_back(bOn ? "grab" : "ungrab");
        return true;
    }
    bool AnyKeyDown() const override {
        const std::lock_guard lock(m_rec->mutex);
        return !m_rec->keysDown.empty();
    }
    bool KeyDown(unsigned nCode) const override {
        const std::lock_guard lock(m_rec->mutex);
        return m_rec->keysDown.count(nCode) != 0;
    }
    int NumLockLed() const override { return m_rec->nLed; }
    void SetNumLockLed(bool bOn) override {
        const std::lock_guard lock(m_rec->mutex);
        m_rec->nLed = bOn ? 1 : 0;
        m_rec->calls.push_back(bOn ? "led on" : "led off");
    }

private:
    std::shared_ptr<Recording> m_rec;
};

struct Posted {
    UINT nMessage;
    UINT nVKey;
    DWORD data;
};

// What the reader posts, collected from its thread.
class Collector {
public:
    KeySink Sink() {
        return [this](UINT nMessage, WPARAM wParam, LPARAM lParam) {
            const std::lock_guard lock(m_mutex);
            m_posted.push_back({nMessage, static_cast<UINT>(wParam), static_cast<DWORD>(lParam)});
            m_changed.notify_all();
        };
    }
    // The first n messages, waiting for them up to two seconds.
    std::vector<Posted> Wait(size_t n) {
        std::unique_lock lock(m_mutex);
        m_changed.wait_for(lock, std::chrono::seconds(2), [&] { return m_posted.size() >= n; });
        return m_posted;
    }
    std::vector<Posted> Now() {
        const std::lock_guard lock(m_mutex);
        return m_posted;
    }

private:
    std::mutex m_mutex;
    std::condition_variable m_changed;
    std::vector<Posted> m_posted;
};

bool WaitUntil(const std::function<bool()>& done) {
    for (int i = 0; i < 200; ++i) {
        if (done())
            return true;
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
    return done();
}

// A folder of device nodes, each played by a recording.
class EvdevKeyReaderTest : public ::testing::Test {
protected:
    std::shared_ptr<Recording> AddNode(const QString& name) {
        auto rec = std::make_shared<Recording>();
        m_recordings[(m_dir.path() + "/" + name).toStdString()] = rec;
        return rec;
    }
    void Touch(const QString& name) {
        QFile file(m_dir.path() + "/" + name);
        ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    }
    InputDeviceOpener Opener() {
        return [this](const std::string& path, int* pErrno) -> std::unique_ptr<IInputDevice> {
            *pErrno = 0;
            const auto it = m_recordings.find(path);
            if (it == m_recordings.end())
                return nullptr;
            return std::make_unique<RecordedDevice>(it->second);
        };
    }
    std::unique_ptr<CEvdevKeyReader> Open(CEvdevKeyReader::Status* pStatus = nullptr,
                                          std::unique_ptr<CUiWatchdog> pWatchdog = nullptr) {
        for (const auto& [path, rec] : m_recordings) {
            QFile file(QString::fromStdString(path));
            EXPECT_TRUE(file.open(QIODevice::WriteOnly));
        }
        return CEvdevKeyReader::Open(m_dir.path().toStdString(), Opener(), m_collector.Sink(), pStatus,
                                     std::move(pWatchdog));
    }

    QTemporaryDir m_dir;
    std::map<std::string, std::shared_ptr<Recording>> m_recordings;
    Collector m_collector;
};

DWORD ScanOf(DWORD data) {
    return (data >> 16) & 0xFF;
}

TEST_F(EvdevKeyReaderTest, PressRepeatReleaseBecomeKeyMessagesWithTheirData) {
    auto keyboard = AddNode("event0");
    keyboard->nLed = 1;
    auto reader = Open();
    ASSERT_TRUE(reader);
    ASSERT_TRUE(WaitUntil([&] { return reader->GrabbedCount() == 1; }));

    keyboard->Feed("EV_KEY KEY_KP1 1  EV_KEY KEY_KP1 2  EV_KEY KEY_KP1 2  EV_KEY KEY_KP1 0"
                   "  EV_KEY KEY_LEFTALT 1  EV_KEY KEY_M 1  EV_KEY KEY_M 0  EV_KEY KEY_LEFTALT 0"
                   "  EV_KEY KEY_RIGHTCTRL 1  EV_KEY KEY_RIGHTCTRL 0  EV_MSC MSC_SCAN 4");
    const std::vector<Posted> got = m_collector.Wait(10);
    ASSERT_EQ(got.size(), 10u);
    // Auto-repeat: press, press (previous state down), ..., release; repeat count always 1.
    EXPECT_EQ(got[0].nMessage, WM_KEYDOWN);
    EXPECT_EQ(got[0].nVKey, 0x61u);
    EXPECT_EQ(got[0].data, 0x004F0001u);
    EXPECT_EQ(got[1].nMessage, WM_KEYDOWN);
    EXPECT_EQ(got[1].data, 0x404F0001u);
    EXPECT_EQ(got[2].data, 0x404F0001u);
    EXPECT_EQ(got[3].nMessage, WM_KEYUP);
    EXPECT_EQ(got[3].nVKey, 0x61u);
    EXPECT_EQ(got[3].data, 0xC04F0001u);
    // Alt held: bit 29 on the Alt press itself and on the keys pressed with it.
    EXPECT_EQ(got[4].nVKey, kVkMenu);
    EXPECT_EQ(got[4].data, 0x20380001u);
    EXPECT_EQ(got[5].nVKey, static_cast<UINT>('M'));
    EXPECT_EQ(got[5].data, 0x20320001u);
    EXPECT_EQ(got[6].data, 0xE0320001u);
    EXPECT_EQ(got[7].data & kKeyDataAlt, 0u) << "Alt is up once released";
    // Right Ctrl is an extended key.
    EXPECT_EQ(got[8].nVKey, kVkControl);
    EXPECT_EQ(got[8].data, 0x011D0001u);
    EXPECT_EQ(ScanOf(got[9].data), 0x1Du);
    EXPECT_EQ(m_collector.Wait(11).size(), 10u) << "only keys are posted";
}

TEST_F(EvdevKeyReaderTest, NumLockIsKeptHereAndShownOnTheLights) {
    auto keyboard = AddNode("event0");
    auto keypad = AddNode("event1");
    keyboard->nLed = 0; // the compositor had Num Lock off
    keypad->nLed = -1;  // a keypad without lights
    auto reader = Open();
    ASSERT_TRUE(reader);
    ASSERT_TRUE(WaitUntil([&] { return reader->GrabbedCount() == 2; }));
    EXPECT_FALSE(reader->NumLock());

    keypad->Feed("EV_KEY KEY_KP1 1  EV_KEY KEY_KP1 0");
    ASSERT_EQ(m_collector.Wait(2).size(), 2u);
    keypad->Feed("EV_KEY KEY_NUMLOCK 1  EV_KEY KEY_NUMLOCK 0  EV_KEY KEY_KP1 1");
    std::vector<Posted> got = m_collector.Wait(5);
    ASSERT_EQ(got.size(), 5u);
    EXPECT_EQ(got[0].nVKey, 0x23u) << "Num Lock off: keypad 1 is End";
    EXPECT_EQ(got[2].nVKey, kVkNumLock);
    EXPECT_EQ(got[4].nVKey, 0x61u);
    EXPECT_TRUE(reader->NumLock());
    EXPECT_EQ(keyboard->nLed, 1) << "the keyboard's light follows the keypad's Num Lock";
    EXPECT_TRUE(reader->IsKeyDown(0x61));

    // Num Lock goes off while keypad 1 is held: its release keeps the code it went down with.
    keyboard->Feed("EV_KEY KEY_NUMLOCK 1  EV_KEY KEY_NUMLOCK 0");
    ASSERT_EQ(m_collector.Wait(7).size(), 7u); // keys of two devices keep the order they were read in
    keypad->Feed("EV_KEY KEY_KP1 0");
    got = m_collector.Wait(8);
    ASSERT_EQ(got.size(), 8u);
    EXPECT_EQ(got[7].nMessage, WM_KEYUP);
    EXPECT_EQ(got[7].nVKey, 0x61u);
    EXPECT_FALSE(reader->IsKeyDown(0x61));
    EXPECT_FALSE(reader->NumLock());

    // Shift reverses Num Lock on the keypad, as on the desktop.
    keyboard->Feed("EV_KEY KEY_LEFTSHIFT 1  EV_KEY KEY_KP3 1  EV_KEY KEY_KP3 0  EV_KEY KEY_LEFTSHIFT 0"
                   "  EV_KEY KEY_KP3 1  EV_KEY KEY_KP3 0");
    got = m_collector.Wait(14);
    ASSERT_EQ(got.size(), 14u);
    EXPECT_EQ(got[8].nVKey, kVkShift);
    EXPECT_EQ(got[9].nVKey, 0x63u);
    EXPECT_EQ(got[12].nVKey, 0x22u) << "Num Lock off: keypad 3 is Page Down";
}

// A key already down when capture starts would leave the compositor with a press and no release:
// the device is grabbed only once all its keys are up, and until then its keys stay the compositor's.
TEST_F(EvdevKeyReaderTest, GrabWaitsUntilNoKeyIsDownAndIsRetriedWhileRefused) {
    auto keyboard = AddNode("event0");
    keyboard->keysDown = {KEY_LEFTCTRL};
    keyboard->nGrabFailures = 2; // another program has it for a moment
    auto reader = Open();
    ASSERT_TRUE(reader);
    EXPECT_TRUE(reader->IsKeyDown(kVkControl)) << "a held key is seen at once";
    keyboard->Feed("EV_KEY KEY_KP2 1  EV_KEY KEY_KP2 0");
    std::this_thread::sleep_for(std::chrono::milliseconds(3 * CEvdevKeyReader::kRetryMs));
    EXPECT_EQ(reader->GrabbedCount(), 0);
    EXPECT_TRUE(m_collector.Now().empty()) << "keys of an ungrabbed device belong to the compositor";

    keyboard->Feed("EV_KEY KEY_LEFTCTRL 0");
    ASSERT_TRUE(WaitUntil([&] { return reader->GrabbedCount() == 1; }));
    EXPECT_FALSE(reader->IsKeyDown(kVkControl));
    EXPECT_EQ(keyboard->Calls(),
              (std::vector<std::string>{"grab refused", "grab refused", "grab", "led off"}));
    keyboard->Feed("EV_KEY KEY_KP2 1");
    ASSERT_EQ(m_collector.Wait(1).size(), 1u);

    reader.reset();
    EXPECT_EQ(keyboard->Calls().back(), "close");
    EXPECT_EQ(keyboard->Calls()[keyboard->Calls().size() - 2], "ungrab");
}

TEST_F(EvdevKeyReaderTest, KeyboardsPluggedInLaterArePickedUpAndUnpluggedOnesLetGo) {
    auto keyboard = AddNode("event0");
    keyboard->nLed = 1;
    auto reader = Open();
    ASSERT_TRUE(reader);
    auto keypad = AddNode("event5");
    AddNode("mouse0"); // not an event node: never opened
    Touch("event5");
    Touch("mouse0");
    ASSERT_TRUE(WaitUntil([&] { return reader->GrabbedCount() == 2; }));
    EXPECT_EQ(reader->KeyboardCount(), 2);

    keypad->Feed("EV_KEY KEY_KP0 1");
    keyboard->Feed("EV_KEY KEY_SPACE 1  EV_KEY KEY_SPACE 0");
    ASSERT_EQ(m_collector.Wait(3).size(), 3u);
    EXPECT_TRUE(reader->IsKeyDown(0x60));

    // Pulled out while keypad 0 is held: the key counts as released.
    keypad->Unplug();
    ASSERT_TRUE(WaitUntil([&] { return reader->KeyboardCount() == 1; }));
    const std::vector<Posted> got = m_collector.Wait(4);
    ASSERT_EQ(got.size(), 4u);
    EXPECT_EQ(got[3].nMessage, WM_KEYUP);
    EXPECT_EQ(got[3].nVKey, 0x60u);
    EXPECT_FALSE(reader->IsKeyDown(0x60));
    EXPECT_EQ(reader->GrabbedCount(), 1);
}

// Two keyboards read at one wake-up: their keys go on in the order they were pressed, not keyboard by
// keyboard, which also decides whether Shift on one reverses Num Lock for the other's keypad key.
TEST_F(EvdevKeyReaderTest, KeysOfKeyboardsReadTogetherGoInTheOrderTheyWerePressed) {
    auto keyboard = AddNode("event0");
    auto keypad = AddNode("event1");
    keyboard->nLed = 1;
    auto reader = Open();
    ASSERT_TRUE(reader);
    ASSERT_TRUE(WaitUntil([&] { return reader->GrabbedCount() == 2; }));

    keypad->Queue("EV_KEY KEY_KP1 1  EV_KEY KEY_KP1 0  EV_KEY KEY_KP3 1  EV_KEY KEY_KP3 0", 1000, 2000);
    keyboard->Queue("EV_KEY KEY_LEFTSHIFT 1  EV_KEY KEY_LEFTSHIFT 0", 2000, 2000);
    keypad->Queue("EV_KEY KEY_KP3 1  EV_KEY KEY_KP3 0", 9000, 100);
    keyboard->Queue("EV_KEY KEY_LEFTSHIFT 1  EV_KEY KEY_LEFTSHIFT 0", 8000, 2000);
    keypad->Wake();
    const std::vector<Posted> got = m_collector.Wait(10);
    ASSERT_EQ(got.size(), 10u);
    // Keypad 3 with Shift held on the other keyboard is Page Down.
    const std::vector<std::pair<UINT, UINT>> want = {
        {WM_KEYDOWN, 0x61}, {WM_KEYDOWN, kVkShift}, {WM_KEYUP, 0x61},       {WM_KEYUP, kVkShift},
        {WM_KEYDOWN, 0x63}, {WM_KEYUP, 0x63},       {WM_KEYDOWN, kVkShift}, {WM_KEYDOWN, 0x22},
        {WM_KEYUP, 0x22},   {WM_KEYUP, kVkShift}};
    for (size_t i = 0; i < want.size(); ++i) {
        EXPECT_EQ(got[i].nMessage, want[i].first) << i;
        EXPECT_EQ(got[i].nVKey, want[i].second) << i;
    }
}

// A hung window must not keep the desktop's keyboard: the devices are given back once the UI has not
// answered for the limit, the key held then is posted as released, and the devices are taken again as
// soon as the UI answers.
TEST_F(EvdevKeyReaderTest, KeyboardsAreGivenBackWhileTheUiHangsAndTakenAgainWhenItAnswers) {
    auto keyboard = AddNode("event0");
    keyboard->nLed = 1;
    auto reader = Open(nullptr, std::make_unique<CUiWatchdog>(test::kQuickWatchdog));
    ASSERT_TRUE(reader);
    ASSERT_TRUE(test::ServeUiUntil([&] { return reader->GrabbedCount() == 1; }));
    std::this_thread::sleep_for(test::kQuickWatchdog.stallLimit / 4);
    EXPECT_EQ(reader->GrabbedCount(), 1) << "a UI late by less than the limit keeps the keyboard";
    test::ServeUiFor(std::chrono::milliseconds(100));
    keyboard->Feed("EV_KEY KEY_KP1 1");
    ASSERT_EQ(m_collector.Wait(1).size(), 1u);

    // From here this thread handles no events: the UI hangs.
    ASSERT_TRUE(WaitUntil([&] { return reader->GrabbedCount() == 0; }));
    std::vector<Posted> got = m_collector.Wait(2);
    ASSERT_EQ(got.size(), 2u);
    EXPECT_EQ(got[1].nMessage, WM_KEYUP);
    EXPECT_EQ(got[1].nVKey, 0x61u);
    EXPECT_TRUE(reader->IsKeyDown(0x61)) << "the key is still physically down";
    keyboard->Feed("EV_KEY KEY_KP1 0  EV_KEY KEY_KP2 1  EV_KEY KEY_KP2 0");
    std::this_thread::sleep_for(5 * test::kQuickWatchdog.probeEvery);
    EXPECT_EQ(reader->GrabbedCount(), 0) << "not taken again while the UI hangs";
    EXPECT_EQ(m_collector.Now().size(), 2u) << "keys typed meanwhile are the compositor's";
    EXPECT_FALSE(reader->IsKeyDown(0x61));

    ASSERT_TRUE(test::ServeUiUntil([&] { return reader->GrabbedCount() == 1; }));
    EXPECT_EQ(keyboard->Calls(), (std::vector<std::string>{"grab", "led on", "ungrab", "grab", "led on"}));
    keyboard->Feed("EV_KEY KEY_KP2 1");
    got = m_collector.Wait(3);
    ASSERT_EQ(got.size(), 3u);
    EXPECT_EQ(got[2].nVKey, 0x62u);
    EXPECT_EQ(got[2].data & kKeyDataPrevious, 0u);
}

TEST_F(EvdevKeyReaderTest, LongBurstKeepsItsOrderAcrossRepeats) {
    auto keyboard = AddNode("event0");
    keyboard->nLed = 1;
    auto reader = Open();
    ASSERT_TRUE(reader);
    ASSERT_TRUE(WaitUntil([&] { return reader->GrabbedCount() == 1; }));
    std::string stream;
    const char* keys[] = {"KEY_KP1", "KEY_KP2", "KEY_KP3", "KEY_KP4", "KEY_KP5"};
    for (int i = 0; i < 500; ++i)
        stream += std::string("EV_KEY ") + keys[i % 5] + " 1  EV_KEY " + keys[i % 5] + " 0  ";
    keyboard->Feed(stream);
    const std::vector<Posted> got = m_collector.Wait(1000);
    ASSERT_EQ(got.size(), 1000u);
    for (size_t i = 0; i < got.size(); ++i) {
        ASSERT_EQ(got[i].nVKey, 0x61u + (i / 2) % 5) << i;
        ASSERT_EQ(got[i].nMessage, i % 2 ? WM_KEYUP : WM_KEYDOWN) << i;
    }
}

TEST_F(EvdevKeyReaderTest, UnreadableKeyboardsAreToldOnceAndNoCaptureIsClaimed) {
    Touch("event0");
    Touch("event1");
    int nOpens = 0;
    KeyCaptureConfig config;
    config.bInputDevices = true;
    config.strInputFolder = m_dir.path().toStdString();
    config.opener = [&](const std::string&, int* pErrno) -> std::unique_ptr<IInputDevice> {
        ++nOpens;
        *pErrno = EACCES;
        return nullptr;
    };
    std::vector<QString> told;
    config.tell = [&](const QString& strText) { told.push_back(strText); };
    CKeyCapture capture(config);
    EXPECT_EQ(capture.Install(m_collector.Sink()), FALSE);
    EXPECT_FALSE(capture.IsInstalled());
    EXPECT_EQ(capture.Remove(), FALSE);
    EXPECT_EQ(capture.Install(m_collector.Sink()), FALSE);
    EXPECT_EQ(nOpens, 4);
    ASSERT_EQ(told.size(), 1u) << "said once, not at every install";
    EXPECT_TRUE(told[0].contains(QStringLiteral("input"))) << told[0].toStdString();
    EXPECT_TRUE(told[0].contains(QStringLiteral("usermod"))) << told[0].toStdString();
}

// The real opener on a node the user may not read: the reader counts it as unreadable (which is what
// makes the message appear). Run as an unprivileged user, since root reads everything.
TEST_F(EvdevKeyReaderTest, NodeTheUserMayNotReadCountsAsUnreadable) {
    const QString node = m_dir.path() + "/event0";
    Touch("event0");
    ASSERT_EQ(chmod(node.toLocal8Bit().constData(), 0600), 0);
    ASSERT_EQ(chmod(m_dir.path().toLocal8Bit().constData(), 0755), 0);
    const std::string folder = m_dir.path().toStdString();
    const pid_t pid = fork();
    ASSERT_GE(pid, 0);
    if (pid == 0) {
        if (geteuid() == 0) {
            const passwd* pNobody = getpwnam("nobody");
            if (!pNobody || setgid(pNobody->pw_gid) != 0 || setuid(pNobody->pw_uid) != 0)
                _exit(90);
        } else if (chmod(node.toLocal8Bit().constData(), 0) != 0) {
            _exit(91);
        }
        CEvdevKeyReader::Status status;
        auto reader = CEvdevKeyReader::Open(
            folder, OpenEvdevDevice, [](UINT, WPARAM, LPARAM) {}, &status);
        _exit(reader ? 92 : status.nUnreadable * 10 + status.nKeyboards);
    }
    int wstatus = 0;
    ASSERT_EQ(waitpid(pid, &wstatus, 0), pid);
    ASSERT_TRUE(WIFEXITED(wstatus));
    EXPECT_EQ(WEXITSTATUS(wstatus), 10) << "one unreadable node, no keyboard";

    // Readable but not an input device: neither a keyboard nor a permission problem.
    CEvdevKeyReader::Status status;
    if (geteuid() != 0) {
        ASSERT_EQ(chmod(node.toLocal8Bit().constData(), 0600), 0);
    }
    EXPECT_FALSE(CEvdevKeyReader::Open(folder, OpenEvdevDevice, m_collector.Sink(), &status));
    EXPECT_EQ(status.nUnreadable, 0);
    EXPECT_EQ(status.nKeyboards, 0);
}

} // namespace
