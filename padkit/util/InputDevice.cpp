#include "padkit/util/InputDevice.h"

#include <libevdev/libevdev.h>

#include <cerrno>
#include <fcntl.h>
#include <unistd.h>

namespace padkit {
namespace {

class CEvdevDevice final : public IInputDevice {
public:
    CEvdevDevice(int fd, libevdev* pDev) : m_fd(fd), m_pDev(pDev) {}
    ~CEvdevDevice() override {
        libevdev_grab(m_pDev, LIBEVDEV_UNGRAB);
        libevdev_free(m_pDev);
        close(m_fd);
    }

    int Fd() const override { return m_fd; }

    ReadResult Next(input_event& ev) override {
        // After a dropped-events notice the device's state is replayed as events first.
        const unsigned flags = m_bSyncing ? LIBEVDEV_READ_FLAG_SYNC : LIBEVDEV_READ_FLAG_NORMAL;
        const int rc = libevdev_next_event(m_pDev, flags, &ev);
        if (rc == LIBEVDEV_READ_STATUS_SYNC) {
            m_bSyncing = true;
            return ReadResult::Event;
        }
        if (rc == LIBEVDEV_READ_STATUS_SUCCESS)
            return ReadResult::Event;
        if (rc == -EAGAIN) {
            if (m_bSyncing) {
                m_bSyncing = false;
                return Next(ev);
            }
            return ReadResult::None;
        }
        return ReadResult::Gone;
    }

    bool Grab(bool bOn) override { return libevdev_grab(m_pDev, bOn ? LIBEVDEV_GRAB : LIBEVDEV_UNGRAB) == 0; }

    bool AnyKeyDown() const override {
        for (unsigned code = 0; code <= KEY_MAX; ++code) {
            if (libevdev_get_event_value(m_pDev, EV_KEY, code) != 0)
                return true;
        }
        return false;
    }

    bool KeyDown(unsigned nCode) const override {
        return libevdev_get_event_value(m_pDev, EV_KEY, nCode) != 0;
    }

    int NumLockLed() const override {
        if (!libevdev_has_event_code(m_pDev, EV_LED, LED_NUML))
            return -1;
        return libevdev_get_event_value(m_pDev, EV_LED, LED_NUML) != 0 ? 1 : 0;
    }

    void SetNumLockLed(bool bOn) override {
        if (libevdev_has_event_code(m_pDev, EV_LED, LED_NUML))
            libevdev_kernel_set_led_value(m_pDev, LED_NUML, bOn ? LIBEVDEV_LED_ON : LIBEVDEV_LED_OFF);
    }

private:
    int m_fd;
    libevdev* m_pDev;
    bool m_bSyncing = false;
};

} // namespace

std::unique_ptr<IInputDevice> OpenEvdevDevice(const std::string& path, int* pErrno) {
    *pErrno = 0;
    const int fd = open(path.c_str(), O_RDWR | O_NONBLOCK | O_CLOEXEC);
    const int fdRead = fd >= 0 ? fd : open(path.c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC);
    if (fdRead < 0) {
        *pErrno = errno;
        return nullptr;
    }
    libevdev* pDev = nullptr;
    if (libevdev_new_from_fd(fdRead, &pDev) != 0) {
        close(fdRead);
        return nullptr; // not an input device
    }
    const bool bKeyboard =
        libevdev_has_event_type(pDev, EV_KEY) &&
        (libevdev_has_event_code(pDev, EV_KEY, KEY_SPACE) || libevdev_has_event_code(pDev, EV_KEY, KEY_A) ||
         libevdev_has_event_code(pDev, EV_KEY, KEY_KP1));
    if (!bKeyboard) {
        libevdev_free(pDev);
        close(fdRead);
        return nullptr;
    }
    return std::make_unique<CEvdevDevice>(fdRead, pDev);
}

} // namespace padkit
