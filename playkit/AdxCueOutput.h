#pragma once

#include "playkit/AdxRenderSource.h"

#include <atomic>
#include <cstddef>
#include <memory>
#include <string>

namespace playkit {

class CAdxBackend;
class CAdxClockBridge;
class CAdxLog;

// The cue on a second device (headphones beside the main interface): the device's callback plays
// what the main render handed over through a clock bridge, which keeps the two clocks in step.
// Device names as for the main output ("" is not one); "record:FILE" records the cue on the real-time
// clock, as the main output's record: does.
class CAdxCueOutput final : public IAdxRenderSource {
public:
    static constexpr const char* kRecordPrefix = "record:";

    CAdxCueOutput(const CAdxLog& log, std::string device, unsigned mainRate, std::size_t period);
    ~CAdxCueOutput();
    CAdxCueOutput(const CAdxCueOutput&) = delete;
    CAdxCueOutput& operator=(const CAdxCueOutput&) = delete;

    // Any thread but the devices'. The slow part: finds and opens the device, and makes the hand-over
    // for its rate. False with a reason when the device is not there.
    bool Open(std::string& reason);
    // Opens if not yet open, then the device starts playing the hand-over.
    bool Start(std::string& reason);
    // Returns once the device's callback runs no more.
    void Stop();
    // Any thread: the device went away while playing.
    bool Failed() const;
    // What the main render pushes into; null before Open.
    CAdxClockBridge* Bridge() { return m_bridge.get(); }
    const std::string& Device() const { return m_device; }

    // The cue device's thread.
    void Render(float* out, std::size_t frames, std::size_t channels) override;
    std::size_t Channels() const override { return 2; }
    void CountDeviceXrun() override { m_xruns.fetch_add(1, std::memory_order_relaxed); }

private:
    const CAdxLog& m_log;
    const std::string m_device;
    const unsigned m_mainRate;
    const std::size_t m_period;
    std::unique_ptr<CAdxBackend> m_backend;
    std::unique_ptr<CAdxClockBridge> m_bridge;
    std::atomic<unsigned> m_xruns{0};
};

} // namespace playkit
