#pragma once

#include <QByteArray>
#include <QString>

// Text of files written on a Japanese Windows desktop is in code page 932 (Shift_JIS with the
// vendor extensions); our own files are UTF-8. Byte limits shown to the user ("半角64文字") count
// CP932 bytes: a half-width character is one byte, a full-width one two.
namespace platform {

// Bytes of a file as text: UTF-8 when they are valid UTF-8 (a leading byte-order mark is dropped),
// UTF-16 when they start with its byte-order mark, otherwise CP932. Bytes CP932 cannot decode
// become U+FFFD.
QString DecodeText(const QByteArray& bytes);

bool IsValidUtf8(const QByteArray& bytes);

// CP932 bytes -> text, and text -> CP932 bytes (characters CP932 lacks become '?').
QString DecodeCp932(const QByteArray& bytes);
QByteArray EncodeCp932(const QString& text);

// Length of the text in CP932 bytes. ASCII and half-width katakana count 1, everything else 2.
int Cp932Length(const QString& text);

// The longest head of the text that fits in maxBytes CP932 bytes; never cuts a character
// (a surrogate pair stays whole).
QString Cp932Left(const QString& text, int maxBytes);

} // namespace platform
