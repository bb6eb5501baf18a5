#pragma once

#include <QByteArray>
#include <QString>

class QFile;

namespace platform {

// What a path names, links followed.
enum class FileKind { Missing, Regular, Other };
FileKind KindOfFile(const QString& path);

enum class OpenResult { Opened, Missing, NotRegular, Failed };

// Opens path for reading without ever waiting. Only a regular file is opened: a FIFO, a device, a
// socket or a folder is NotRegular and is not read (opening a FIFO that has no writer would wait for
// one for ever). On Opened, file holds the descriptor and closes it.
OpenResult OpenRegularFile(const QString& path, QFile& file);

// Replaces the file at path with data, or leaves it exactly as it was: the data goes to a
// temporary file in the same folder, is flushed to disk and then renamed over the old file.
// A read-only old file, anything but a regular file in the way (a folder, a FIFO, a device), a
// missing folder or a full disk fail with the old file untouched. On failure *error (when given) gets the
// reason. The temporary file is named after TempFilePattern(path); ones of the same path older than a
// minute, left by a save that was killed, are removed first.
// "<path>.padora-XXXXXX": the name of the temporary files of path's saves, X a letter or digit.
QString TempFilePattern(const QString& path);

bool WriteFileAtomically(const QString& path, const QByteArray& data, QString* error = nullptr);

} // namespace platform
