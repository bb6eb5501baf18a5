#pragma once

#include <QByteArray>
#include <QString>

namespace platform {

// Replaces the file at path with data, or leaves it exactly as it was: the data goes to a
// temporary file in the same folder, is flushed to disk and then renamed over the old file.
// A read-only old file, a directory in the way, a missing folder or a full disk fail with the
// old file untouched. On failure *error (when given) gets the reason.
bool WriteFileAtomically(const QString& path, const QByteArray& data, QString* error = nullptr);

} // namespace platform
