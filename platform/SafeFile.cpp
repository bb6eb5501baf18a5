#include "platform/SafeFile.h"

#include <QSaveFile>

namespace platform {

bool WriteFileAtomically(const QString& path, const QByteArray& data, QString* error) {
    QSaveFile file(path);
    // QSaveFile refuses a read-only existing file and a directory at path, and commit() syncs the
    // temporary file before renaming it over the old one.
    bool ok = file.open(QIODevice::WriteOnly);
    if (ok)
        ok = file.write(data) == data.size();
    if (ok)
        ok = file.commit();
    else
        file.cancelWriting();
    if (!ok && error)
        *error = file.errorString();
    return ok;
}

} // namespace platform
