#pragma once

#include <QByteArray>

#include <lo/lo.h>

#include <cstdlib>
#include <memory>
#include <type_traits>

// liblo's messages owned, and written out as the bytes of a datagram. Any thread.
namespace osc {

struct MessageDeleter {
    void operator()(lo_message m) const { lo_message_free(m); }
};
using MessagePtr = std::unique_ptr<std::remove_pointer_t<lo_message>, MessageDeleter>;

// The message m at path as a datagram's bytes; empty when liblo could not write it.
inline QByteArray Serialise(lo_message m, const char* path) {
    std::size_t size = 0;
    void* bytes = lo_message_serialise(m, path, nullptr, &size);
    if (!bytes)
        return QByteArray();
    QByteArray out(static_cast<const char*>(bytes), static_cast<qsizetype>(size));
    std::free(bytes);
    return out;
}

} // namespace osc
