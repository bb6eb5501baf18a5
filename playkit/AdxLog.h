#pragma once

#include "playkit/AdxEngine.h"

#include <mutex>
#include <string_view>

namespace playkit {

// Where the engine's diagnostic lines go: the sink the program gave, or standard error (one line
// each) while it gave none. Never written from a render: a device thread reports through counters.
class CAdxLog {
public:
    // Any thread. An empty sink sends the lines to standard error again.
    void SetSink(AdxLogSink sink);
    // Any thread but a render. line carries no newline.
    void Write(AdxLogLevel level, std::string_view line) const;

private:
    mutable std::mutex m_mutex; // a sink replaced while another thread writes
    AdxLogSink m_sink;
};

} // namespace playkit
