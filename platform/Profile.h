#pragma once

#include "platform/WinTypes.h"

#include <QHash>
#include <QString>
#include <vector>

// Initialization files: "[Section]" lines and "key=value" lines below them. Reading follows the
// desktop's private-profile functions so that hand-edited files and files written on Windows read
// as they did there: section and key names compare without letter case, names and values are
// trimmed, a value in matching quotes loses them, lines starting with ';' are comments, the first
// of duplicate keys wins, CRLF and LF both end a line, and a file that is not UTF-8 is CP932.
// Writing keeps every other line of the file as it was and replaces the file atomically.
namespace platform {

class CProfileFile {
public:
    // An empty document bound to path; nothing is read.
    explicit CProfileFile(QString path);

    // Reads the file. A missing file gives an empty document and true; a file that exists but
    // cannot be read (or is larger than kMaxFileBytes), and anything that is not a regular file
    // (a FIFO, a device, a folder: never waited on), gives an empty document and false, and must
    // not be overwritten from it.
    bool Load();

    // Load with a smaller bound: what the file's refusal was, if any.
    enum class LoadStatus { Ok, NotRegular, TooLarge, Failed };
    LoadStatus Load(qint64 maxBytes);

    // The value of section/key, or def when the file has no such key or the key has no '='.
    // bufferBytes > 0 imitates a fixed buffer: at most bufferBytes - 1 CP932 bytes are returned,
    // never cutting a character.
    QString GetString(const QString& section, const QString& key, const QString& def,
                      int bufferBytes = 0) const;

    // The leading decimal number of the value (leading blanks, then an optional sign); 0 when
    // the value does not start with one; def when the key is missing or its value is empty.
    // Out-of-range numbers wrap to 32 bits as the desktop does.
    int GetInt(const QString& section, const QString& key, int def) const;

    bool HasKey(const QString& section, const QString& key) const;

    // Sets section/key in the document: an existing key keeps its line and spelling, a new key is
    // added at the end of its section, a new section at the end of the document. Line breaks in
    // the value become blanks; a value with blanks at an end, or enclosed in quotes, is written in
    // double quotes so that it reads back unchanged.
    void SetString(const QString& section, const QString& key, const QString& value);

    // SetString, except that a key the document lacks is not added while value is what its absence
    // reads as (def): settings left at their defaults stay out of a file that never had them.
    void SetStringUnlessDefault(const QString& section, const QString& key, const QString& value,
                                const QString& def);

    // Writes the document to its path atomically (UTF-8, the line ending the file had, LF for a
    // new file). The folder must exist.
    bool Save(QString* error = nullptr) const;

    const QString& Path() const { return m_strPath; }

    static constexpr qint64 kMaxFileBytes = 64 * 1024 * 1024;

private:
    struct Line {
        QString strText;  // the line as it stands in the file
        QString strKey;   // key name as spelled, empty for blank, comment and other lines
        QString strValue; // trimmed value after '='
        bool bHasValue = false;
    };
    struct Section {
        QString strHeader; // "[Name]" line; empty for the lines before the first section
        QString strFold;   // case-folded name
        std::vector<Line> aLine;
        QHash<QString, int> aKeyIndex; // case-folded key -> first line holding it
    };

    const Line* Find(const QString& section, const QString& key) const;
    void AddLine(Section& sec, Line line, bool beforeTrailingBlanks);
    static QString Fold(const QString& name);
    static QString StoredText(const QString& value);
    static Line ParseLine(const QString& text);

    QString m_strPath;
    std::vector<Section> m_aSection;
    bool m_bCrLf = false;
};

// The desktop functions on top of CProfileFile: each call reads the file, and each write
// rewrites it atomically. The file is created by the first write.
QString GetPrivateProfileString(const QString& section, const QString& key, const QString& def,
                                int bufferBytes, const QString& path);
int GetPrivateProfileInt(const QString& section, const QString& key, int def, const QString& path);
BOOL WritePrivateProfileString(const QString& section, const QString& key, const QString& value,
                               const QString& path);

// The leading-number reading GetInt uses, for callers that scan values themselves.
int ParseLeadingInt(const QString& text);

// Like atof but never influenced by the process locale: the leading decimal number of text
// (leading blanks, optional sign, digits with an optional '.', optional exponent), 0.0 when
// there is none. "1,5" reads as 1.0.
double ParseLeadingDouble(const QString& text);

// printf "%.<decimals>f" with a point whatever the locale.
QString FormatFixed(double value, int decimals);

} // namespace platform
