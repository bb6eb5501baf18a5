#include "playkit/AdxLog.h"

#include <cstdio>

namespace playkit {

void CAdxLog::SetSink(AdxLogSink sink) {
    std::lock_guard lock(m_mutex);
    m_sink = std::move(sink);
}

void CAdxLog::Write(AdxLogLevel level, std::string_view line) const {
    std::lock_guard lock(m_mutex);
    if (m_sink)
        m_sink(level, line);
    else
        std::fprintf(stderr, "%.*s\n", static_cast<int>(line.size()), line.data());
}

} // namespace playkit
