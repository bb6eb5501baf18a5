#pragma once

#include "padkit/PadkitExport.h"
#include "padkit/util/InputDevice.h"
#include "padkit/util/KeyStroke.h"
#include "padkit/util/UiWatchdog.h"

#include <array>
#include <atomic>
#include <memory>
#include <string>
#include <thread>
#include <vector>

namespace padkit {

// Captures the keyboards of a Wayland session, where an X grab only sees our own windows' keys: every
// keyboard node under a folder (/dev/input) is read and grabbed for this process alone, which withholds
// its keys from every other program, and each press, auto-repeat and release goes to the sink as the
// key message the desktop would send. Num Lock is kept here (the compositor no longer sees the key)
// and shown on the keyboards' lights. A device is grabbed only while none of its keys is down, so the
// compositor never sees a press without its release; keyboards plugged in later are picked up. The
// keys of all keyboards read at one wake-up go to the sink in the order they were pressed. With a
// watchdog, the devices are given back while the UI thread stops answering (the keys held then are
// posted as released) and grabbed again once it answers.
class PADKIT_API CEvdevKeyReader {
public:
    static constexpr int kRetryMs = 50;

    struct Status {
        int nKeyboards = 0;  // keyboards opened
        int nUnreadable = 0; // nodes the user may not read
    };

    // Null when no keyboard could be opened (*pStatus tells why). UI thread.
    static std::unique_ptr<CEvdevKeyReader> Open(const std::string& folder, InputDeviceOpener opener,
                                                 KeySink sink, Status* pStatus,
                                                 std::unique_ptr<CUiWatchdog> pWatchdog = nullptr);
    // Gives the devices back; no sink call happens after it returns. UI thread.
    ~CEvdevKeyReader();
    CEvdevKeyReader(const CEvdevKeyReader&) = delete;
    CEvdevKeyReader& operator=(const CEvdevKeyReader&) = delete;

    // Whether a key with this code is down on any keyboard. Any thread.
    bool IsKeyDown(UINT nVKey) const;
    // Keyboards open and grabbed at the moment; the Num Lock state. Any thread.
    int KeyboardCount() const { return m_nOpen.load(); }
    int GrabbedCount() const { return m_nGrabbed.load(); }
    bool NumLock() const { return m_bNumLock.load(); }

private:
    struct Device {
        std::string path;
        std::unique_ptr<IInputDevice> pDevice;
        bool bGrabbed = false;
        std::array<UINT, CKeyStroke::kKeyCount> pressedVKey{}; // the code each held key went down with
    };

    // A key event read, waiting to be put in order with those of the other keyboards.
    struct KeyEvent {
        long long nTimeUs;
        Device* pDevice;
        unsigned nCode;
        int nValue;
    };

    CEvdevKeyReader(std::string folder, InputDeviceOpener opener, KeySink sink, int nWakeFd, int nWatchFd,
                    std::unique_ptr<CUiWatchdog> pWatchdog);
    bool Add(const std::string& path, int* pErrno); // false when it is no keyboard or unreadable
    void Run();                                     // the reader thread
    // Appends the device's key events to *pKeys; false when it went away.
    bool ReadDevice(Device& device, std::vector<KeyEvent>* pKeys);
    void Close(Device& device);
    void OnKey(Device& device, unsigned nCode, int nValue);
    void TryGrab(Device& device);
    void LetGo(Device& device);
    void CountDown(UINT nVKey, int nDelta);

    std::string m_strFolder;
    InputDeviceOpener m_opener;
    KeySink m_sink;
    int m_nWakeFd;
    int m_nWatchFd;
    std::unique_ptr<CUiWatchdog> m_pWatchdog;
    std::vector<std::unique_ptr<Device>> m_aDevice; // owned by the reader thread once it runs
    bool m_bUiAnswers = true;                       // the reader thread's
    CKeyStroke m_stroke;
    int m_nShiftDown = 0;
    std::atomic<bool> m_bNumLock{true};
    bool m_bNumLockKnown = false;
    std::atomic<int> m_nOpen{0};
    std::atomic<int> m_nGrabbed{0};
    std::array<std::atomic<int>, 256> m_aVKeyDown{};
    std::atomic<bool> m_bStop{false};
    std::thread m_thread;
};

} // namespace padkit
