#include "padkit/util/EvdevKeyReader.h"

#include "padkit/util/KeyTable.h"

#include <algorithm>
#include <cerrno>
#include <climits>
#include <cstdint>
#include <dirent.h>
#include <linux/input.h>
#include <poll.h>
#include <sys/eventfd.h>
#include <sys/inotify.h>
#include <unistd.h>

namespace padkit {
namespace {

bool IsEventNode(const char* pszName) {
    return std::string_view(pszName).starts_with("event");
}

} // namespace

std::unique_ptr<CEvdevKeyReader> CEvdevKeyReader::Open(const std::string& folder, InputDeviceOpener opener,
                                                       KeySink sink, Status* pStatus,
                                                       std::unique_ptr<CUiWatchdog> pWatchdog) {
    Status status;
    const int nWakeFd = eventfd(0, EFD_CLOEXEC | EFD_NONBLOCK);
    // Watched before the folder is listed, so that no device slips in between.
    const int nWatchFd = inotify_init1(IN_CLOEXEC | IN_NONBLOCK);
    if (nWatchFd >= 0)
        inotify_add_watch(nWatchFd, folder.c_str(), IN_CREATE | IN_ATTRIB | IN_MOVED_TO);
    std::unique_ptr<CEvdevKeyReader> reader(new CEvdevKeyReader(folder, std::move(opener), std::move(sink),
                                                                nWakeFd, nWatchFd, std::move(pWatchdog)));
    std::vector<std::string> names;
    if (DIR* pDir = opendir(folder.c_str())) {
        while (const dirent* pEntry = readdir(pDir)) {
            if (IsEventNode(pEntry->d_name))
                names.emplace_back(pEntry->d_name);
        }
        closedir(pDir);
    }
    std::sort(names.begin(), names.end());
    for (const std::string& name : names) {
        int nErrno = 0;
        if (reader->Add(folder + "/" + name, &nErrno))
            ++status.nKeyboards;
        else if (nErrno == EACCES || nErrno == EPERM)
            ++status.nUnreadable;
    }
    if (pStatus)
        *pStatus = status;
    if (status.nKeyboards == 0 || nWakeFd < 0)
        return nullptr;
    for (const auto& pDevice : reader->m_aDevice) {
        for (unsigned code = 0; code < CKeyStroke::kKeyCount; ++code) {
            if (pDevice->pDevice->KeyDown(code)) {
                pDevice->pressedVKey[code] = VKeyFromInputCode(code, reader->m_bNumLock.load(), false);
                reader->CountDown(pDevice->pressedVKey[code], +1);
            }
        }
    }
    reader->m_thread = std::thread([r = reader.get()] { r->Run(); });
    return reader;
}

CEvdevKeyReader::CEvdevKeyReader(std::string folder, InputDeviceOpener opener, KeySink sink, int nWakeFd,
                                 int nWatchFd, std::unique_ptr<CUiWatchdog> pWatchdog)
    : m_strFolder(std::move(folder)), m_opener(std::move(opener)), m_sink(std::move(sink)),
      m_nWakeFd(nWakeFd), m_nWatchFd(nWatchFd), m_pWatchdog(std::move(pWatchdog)) {}

CEvdevKeyReader::~CEvdevKeyReader() {
    m_bStop.store(true);
    if (m_nWakeFd >= 0) {
        const std::uint64_t one = 1;
        [[maybe_unused]] const ssize_t n = write(m_nWakeFd, &one, sizeof one);
    }
    if (m_thread.joinable())
        m_thread.join();
    for (auto& pDevice : m_aDevice) {
        if (pDevice->bGrabbed)
            pDevice->pDevice->Grab(false);
    }
    m_aDevice.clear();
    if (m_nWatchFd >= 0)
        close(m_nWatchFd);
    if (m_nWakeFd >= 0)
        close(m_nWakeFd);
}

bool CEvdevKeyReader::Add(const std::string& path, int* pErrno) {
    *pErrno = 0;
    for (const auto& pDevice : m_aDevice) {
        if (pDevice->path == path)
            return false;
    }
    std::unique_ptr<IInputDevice> pInput = m_opener(path, pErrno);
    if (!pInput)
        return false;
    auto pDevice = std::make_unique<Device>();
    pDevice->path = path;
    pDevice->pDevice = std::move(pInput);
    // Num Lock starts as the first light shows it, which is the compositor's state.
    const int nLed = pDevice->pDevice->NumLockLed();
    if (!m_bNumLockKnown && nLed >= 0) {
        m_bNumLock.store(nLed == 1);
        m_bNumLockKnown = true;
    }
    if (m_bUiAnswers)
        TryGrab(*pDevice);
    m_aDevice.push_back(std::move(pDevice));
    m_nOpen.store(static_cast<int>(m_aDevice.size()));
    return true;
}

void CEvdevKeyReader::TryGrab(Device& device) {
    if (device.bGrabbed || device.pDevice->AnyKeyDown() || !device.pDevice->Grab(true))
        return;
    device.bGrabbed = true;
    device.pDevice->SetNumLockLed(m_bNumLock.load());
    ++m_nGrabbed;
}

// The reader thread.
void CEvdevKeyReader::Run() {
    std::vector<pollfd> fds;
    std::vector<KeyEvent> keys;
    std::vector<Device*> gone;
    while (!m_bStop.load()) {
        fds.clear();
        fds.push_back({m_nWakeFd, POLLIN, 0});
        fds.push_back({m_nWatchFd, POLLIN, 0});
        bool bPending = false;
        for (const auto& pDevice : m_aDevice) {
            fds.push_back({pDevice->pDevice->Fd(), POLLIN, 0});
            bPending = bPending || !pDevice->bGrabbed;
        }
        int nWaitMs = bPending && m_bUiAnswers ? kRetryMs : -1;
        if (m_pWatchdog)
            nWaitMs = nWaitMs < 0 ? m_pWatchdog->WaitMs() : std::min(nWaitMs, m_pWatchdog->WaitMs());
        if (poll(fds.data(), fds.size(), nWaitMs) < 0 && errno != EINTR)
            break;
        if (m_bStop.load())
            break;
        if (m_nWatchFd >= 0 && (fds[1].revents & POLLIN)) {
            alignas(inotify_event) char buffer[4096];
            ssize_t nRead;
            while ((nRead = read(m_nWatchFd, buffer, sizeof buffer)) > 0) {
                for (ssize_t offset = 0; offset < nRead;) {
                    const auto* pEvent = reinterpret_cast<const inotify_event*>(buffer + offset);
                    if (pEvent->len > 0 && IsEventNode(pEvent->name)) {
                        int nErrno = 0;
                        Add(m_strFolder + "/" + pEvent->name, &nErrno);
                    }
                    offset += static_cast<ssize_t>(sizeof(inotify_event) + pEvent->len);
                }
            }
        }
        // The keyboards are read one after the other; their keys go on in the order they were pressed
        // (a device's own keys keep their order, as do keys stamped alike).
        keys.clear();
        for (auto& pDevice : m_aDevice) {
            if (!ReadDevice(*pDevice, &keys))
                gone.push_back(pDevice.get());
        }
        std::stable_sort(keys.begin(), keys.end(),
                         [](const KeyEvent& a, const KeyEvent& b) { return a.nTimeUs < b.nTimeUs; });
        for (const KeyEvent& key : keys)
            OnKey(*key.pDevice, key.nCode, key.nValue);
        for (Device* pDevice : gone)
            Close(*pDevice);
        gone.clear();
        m_bUiAnswers = !m_pWatchdog || m_pWatchdog->Check();
        for (auto& pDevice : m_aDevice) {
            if (!pDevice->pDevice)
                continue;
            if (!m_bUiAnswers && pDevice->bGrabbed)
                LetGo(*pDevice);
            else if (m_bUiAnswers && !pDevice->bGrabbed)
                TryGrab(*pDevice);
        }
        const auto removed = std::remove_if(m_aDevice.begin(), m_aDevice.end(),
                                            [](const auto& pDevice) { return pDevice->pDevice == nullptr; });
        if (removed != m_aDevice.end()) {
            m_aDevice.erase(removed, m_aDevice.end());
            m_nOpen.store(static_cast<int>(m_aDevice.size()));
        }
    }
}

// The reader thread.
bool CEvdevKeyReader::ReadDevice(Device& device, std::vector<KeyEvent>* pKeys) {
    constexpr long long kUsPerSecond = 1000000;
    input_event ev{};
    for (;;) {
        const IInputDevice::ReadResult result = device.pDevice->Next(ev);
        if (result == IInputDevice::ReadResult::None)
            return true;
        if (result == IInputDevice::ReadResult::Gone)
            return false;
        if (ev.type == EV_KEY && ev.code < CKeyStroke::kKeyCount) {
            const long long nTimeUs = static_cast<long long>(ev.input_event_sec) * kUsPerSecond +
                                      static_cast<long long>(ev.input_event_usec);
            pKeys->push_back({nTimeUs, &device, ev.code, ev.value});
        }
    }
}

// The reader thread. A device that went away is left with no IInputDevice; its held keys count as
// released.
void CEvdevKeyReader::Close(Device& device) {
    for (unsigned code = 0; code < CKeyStroke::kKeyCount; ++code) {
        if (device.pressedVKey[code] != 0)
            OnKey(device, code, 0);
    }
    if (device.bGrabbed)
        --m_nGrabbed;
    device.pDevice.reset();
}

// The reader thread. The window hears the held keys go up, since their releases will reach the
// compositor instead; they count as down until they really are up.
void CEvdevKeyReader::LetGo(Device& device) {
    for (unsigned code = 0; code < CKeyStroke::kKeyCount; ++code) {
        const UINT nVKey = device.pressedVKey[code];
        if (nVKey == 0 || !m_stroke.IsDown(code))
            continue;
        const InputKey key = InputKeyFromCode(code);
        const CKeyStroke::Message message = m_stroke.Make(code, nVKey, key.nScanCode, key.bExtended, false);
        m_sink(message.nMessage, message.wParam, message.lParam);
    }
    device.pDevice->Grab(false);
    device.bGrabbed = false;
    --m_nGrabbed;
}

// The reader thread. nValue: 0 release, 1 press, 2 auto-repeat.
void CEvdevKeyReader::OnKey(Device& device, unsigned nCode, int nValue) {
    const bool bShiftKey = nCode == KEY_LEFTSHIFT || nCode == KEY_RIGHTSHIFT;
    UINT nVKey = 0;
    if (nValue == 1) {
        if (device.pressedVKey[nCode] != 0) // a press seen twice (after dropped events) counts once
            CountDown(device.pressedVKey[nCode], -1);
        else if (bShiftKey)
            ++m_nShiftDown;
        nVKey = VKeyFromInputCode(nCode, m_bNumLock.load(), m_nShiftDown > 0 && !bShiftKey);
        device.pressedVKey[nCode] = nVKey;
        CountDown(nVKey, +1);
        if (nCode == KEY_NUMLOCK) {
            // Toggled on every keyboard, grabbed or not, to stay with the compositor's state.
            m_bNumLock.store(!m_bNumLock.load());
            for (auto& pOther : m_aDevice) {
                if (pOther->pDevice && pOther->bGrabbed)
                    pOther->pDevice->SetNumLockLed(m_bNumLock.load());
            }
        }
    } else if (nValue == 2) {
        nVKey = device.pressedVKey[nCode];
        if (nVKey == 0)
            return; // a repeat of a key pressed before we looked
    } else {
        nVKey = device.pressedVKey[nCode];
        if (nVKey == 0)
            nVKey = VKeyFromInputCode(nCode, m_bNumLock.load(), m_nShiftDown > 0);
        else {
            CountDown(nVKey, -1);
            if (bShiftKey)
                m_nShiftDown = std::max(0, m_nShiftDown - 1);
        }
        device.pressedVKey[nCode] = 0;
    }
    if (!device.bGrabbed)
        return; // the compositor has this key
    const InputKey key = InputKeyFromCode(nCode);
    const CKeyStroke::Message message =
        m_stroke.Make(nCode, nVKey, key.nScanCode, key.bExtended, nValue != 0);
    if (nVKey != 0)
        m_sink(message.nMessage, message.wParam, message.lParam);
}

void CEvdevKeyReader::CountDown(UINT nVKey, int nDelta) {
    if (nVKey != 0 && nVKey < m_aVKeyDown.size())
        m_aVKeyDown[nVKey] += nDelta;
}

bool CEvdevKeyReader::IsKeyDown(UINT nVKey) const {
    return nVKey != 0 && nVKey < m_aVKeyDown.size() && m_aVKeyDown[nVKey].load() > 0;
}

} // namespace padkit
