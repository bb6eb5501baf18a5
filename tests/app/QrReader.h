#pragma once

#include "tests/app/RunProgram.h"

#include <QFile>
#include <QImage>
#include <QString>
#include <QTemporaryDir>

#include <optional>

// What a QR code reader (zbarimg, as a phone's camera app would) reads in image; nothing when it
// finds no code or cannot run.
inline std::optional<QString> ReadQrCode(const QImage& image) {
    QTemporaryDir dir;
    const QString png = dir.filePath(QStringLiteral("code.png"));
    const QString text = dir.filePath(QStringLiteral("read.txt"));
    if (!dir.isValid() || !image.save(png))
        return std::nullopt;
    const std::string command =
        "zbarimg --raw -q '" + png.toStdString() + "' > '" + text.toStdString() + "' 2>/dev/null";
    if (RunProgram({"sh", "-c", command}) != 0)
        return std::nullopt;
    QFile read(text);
    if (!read.open(QIODevice::ReadOnly))
        return std::nullopt;
    return QString::fromUtf8(read.readAll()).trimmed();
}
