#include "platform/SafeFile.h"

#include <QFileInfo>
#include <QSaveFile>

namespace platform {

bool WriteFileAtomically(const QString& path, const QByteArray& data, QString* error) {
    // A file marked read-only is not replaced, whoever runs the program (root may write anywhere,
    // but the mark is the user's wish to keep the file as it is).
    const QFileInfo old(path);
    if (old.exists() && old.isFile() && !(old.permissions() & QFileDevice::WriteOwner)) {
        if (error)
            *error = QStringLiteral("%1 is read-only").arg(path);
        return false;
    }
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
