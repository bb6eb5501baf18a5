#include "platform/Profile.h"

#include "platform/CodePage.h"
#include "platform/SafeFile.h"

#include <QFile>
#include <algorithm>
#include <charconv>
#include <clocale>
#include <cstdint>
#include <cstdlib>
#include <locale.h>
#include <string>

namespace platform {

CProfileFile::CProfileFile(QString path) : m_strPath(std::move(path)) {}

QString CProfileFile::Fold(const QString& name) {
    QString fold = name.trimmed();
    // Names are nearly always ASCII; full case folding is only needed for the others.
    for (QChar& c : fold) {
        const char16_t u = c.unicode();
        if (u >= 0x80)
            return fold.toCaseFolded();
        if (u >= u'A' && u <= u'Z')
            c = QChar(static_cast<char16_t>(u + (u'a' - u'A')));
    }
    return fold;
}

CProfileFile::Line CProfileFile::ParseLine(const QString& text) {
    Line line;
    line.strText = text;
    const QString trimmed = text.trimmed();
    if (trimmed.isEmpty() || trimmed.startsWith(u';') || trimmed.startsWith(u'['))
        return line;
    const qsizetype eq = trimmed.indexOf(u'=');
    if (eq < 0) {
        line.strKey = trimmed; // a key without a value reads as missing
        return line;
    }
    line.strKey = trimmed.left(eq).trimmed();
    line.strValue = trimmed.mid(eq + 1).trimmed();
    line.bHasValue = true;
    return line;
}

void CProfileFile::AddLine(Section& sec, Line line, bool beforeTrailingBlanks) {
    qsizetype at = static_cast<qsizetype>(sec.aLine.size());
    if (beforeTrailingBlanks) {
        while (at > 0 && sec.aLine[static_cast<size_t>(at - 1)].strText.trimmed().isEmpty())
            --at;
    }
    // Only blank lines move down, and they are not indexed.
    if (!line.strKey.isEmpty()) {
        const QString fold = Fold(line.strKey);
        if (!sec.aKeyIndex.contains(fold))
            sec.aKeyIndex.insert(fold, static_cast<int>(at));
    }
    sec.aLine.insert(sec.aLine.begin() + at, std::move(line));
}

bool CProfileFile::Load() {
    return Load(kMaxFileBytes) == LoadStatus::Ok;
}

CProfileFile::LoadStatus CProfileFile::Load(qint64 maxBytes) {
    maxBytes = std::min(maxBytes, kMaxFileBytes);
    m_aSection.clear();
    m_bCrLf = false;
    QFile file;
    switch (OpenRegularFile(m_strPath, file)) {
    case OpenResult::Missing:
        return LoadStatus::Ok;
    case OpenResult::Opened:
        break;
    case OpenResult::NotRegular:
        return LoadStatus::NotRegular;
    case OpenResult::Failed:
        return LoadStatus::Failed;
    }
    if (file.size() > maxBytes)
        return LoadStatus::TooLarge;
    // Asking for the limit at once would allocate 64 MB at every read: ask for what the file holds
    // and go on in small steps while it still gives more (it may grow meanwhile).
    QByteArray bytes = file.read(file.size() + 1);
    constexpr qint64 kStep = 64 * 1024;
    while (bytes.size() <= maxBytes) {
        const QByteArray more = file.read(std::min<qint64>(kStep, maxBytes + 1 - bytes.size()));
        if (more.isEmpty())
            break;
        bytes += more;
    }
    if (bytes.size() > maxBytes)
        return LoadStatus::TooLarge;
    const QString text = DecodeText(bytes);

    m_aSection.push_back(Section{});
    qsizetype start = 0;
    bool first = true;
    while (start < text.size()) {
        qsizetype end = text.indexOf(u'\n', start);
        if (end < 0)
            end = text.size();
        QString lineText = text.mid(start, end - start);
        if (lineText.endsWith(u'\r')) {
            lineText.chop(1);
            if (first)
                m_bCrLf = true;
        }
        first = false;
        start = end + 1;

        const QString trimmed = lineText.trimmed();
        if (trimmed.startsWith(u'[')) {
            Section sec;
            sec.strHeader = lineText;
            const qsizetype close = trimmed.lastIndexOf(u']');
            sec.strFold = Fold(close > 0 ? trimmed.mid(1, close - 1) : trimmed.mid(1));
            m_aSection.push_back(std::move(sec));
        } else {
            AddLine(m_aSection.back(), ParseLine(lineText), false);
        }
    }
    return LoadStatus::Ok;
}

const CProfileFile::Line* CProfileFile::Find(const QString& section, const QString& key) const {
    const QString secFold = Fold(section);
    const QString keyFold = Fold(key);
    for (size_t i = 1; i < m_aSection.size(); ++i) {
        const Section& sec = m_aSection[i];
        if (sec.strFold != secFold)
            continue;
        const auto it = sec.aKeyIndex.constFind(keyFold);
        if (it != sec.aKeyIndex.constEnd())
            return &sec.aLine[static_cast<size_t>(*it)];
    }
    return nullptr;
}

bool CProfileFile::HasKey(const QString& section, const QString& key) const {
    const Line* line = Find(section, key);
    return line && line->bHasValue;
}

QString CProfileFile::GetString(const QString& section, const QString& key, const QString& def,
                                int bufferBytes) const {
    const Line* line = Find(section, key);
    QString value = def;
    if (line && line->bHasValue) {
        value = line->strValue;
        if (value.size() >= 2 && (value.front() == u'"' || value.front() == u'\'') &&
            value.back() == value.front())
            value = value.mid(1, value.size() - 2);
    }
    if (bufferBytes > 0)
        value = Cp932Left(value, bufferBytes - 1);
    return value;
}

int CProfileFile::GetInt(const QString& section, const QString& key, int def) const {
    const QString value = GetString(section, key, QString());
    if (value.isEmpty())
        return def;
    return ParseLeadingInt(value);
}

QString CProfileFile::StoredText(const QString& value) {
    // Reading trims the value and takes one pair of enclosing quotes off: a title with blanks at an
    // end, or one in quotes, would come back changed. In double quotes it comes back as it was, here
    // and in the desktop's reader.
    const bool enclosed = value.size() >= 2 && (value.front() == u'"' || value.front() == u'\'') &&
                          value.back() == value.front();
    if (!enclosed && value.trimmed().size() == value.size())
        return value;
    return u'"' + value + u'"';
}

void CProfileFile::SetString(const QString& section, const QString& key, const QString& rawValue) {
    // A line break in a value would start a new line of the file and break its layout.
    QString value = rawValue;
    value.replace(u'\r', u' ').replace(u'\n', u' ');
    value = StoredText(value);
    const QString secFold = Fold(section);
    const QString keyFold = Fold(key);
    const QString newKey = key.trimmed();
    if (m_aSection.empty())
        m_aSection.push_back(Section{});

    Section* target = nullptr;
    for (size_t i = 1; i < m_aSection.size(); ++i) {
        Section& sec = m_aSection[i];
        if (sec.strFold != secFold)
            continue;
        const auto it = sec.aKeyIndex.constFind(keyFold);
        if (it != sec.aKeyIndex.constEnd()) {
            Line& line = sec.aLine[static_cast<size_t>(*it)];
            line.strText = line.strKey + u'=' + value;
            line.strValue = value.trimmed();
            line.bHasValue = true;
            return;
        }
        if (!target)
            target = &sec;
    }
    if (!target) {
        Section sec;
        sec.strHeader = u'[' + section.trimmed() + u']';
        sec.strFold = secFold;
        m_aSection.push_back(std::move(sec));
        target = &m_aSection.back();
    }
    Line line;
    line.strText = newKey + u'=' + value;
    line.strKey = newKey;
    line.strValue = value.trimmed();
    line.bHasValue = true;
    AddLine(*target, std::move(line), true);
}

void CProfileFile::SetStringUnlessDefault(const QString& section, const QString& key, const QString& value,
                                          const QString& def) {
    if (value != def || HasKey(section, key))
        SetString(section, key, value);
}

bool CProfileFile::Save(QString* error) const {
    const QString eol = m_bCrLf ? QStringLiteral("\r\n") : QStringLiteral("\n");
    QString text;
    for (const Section& sec : m_aSection) {
        if (!sec.strHeader.isEmpty())
            text += sec.strHeader + eol;
        for (const Line& line : sec.aLine)
            text += line.strText + eol;
    }
    return WriteFileAtomically(m_strPath, text.toUtf8(), error);
}

QString GetPrivateProfileString(const QString& section, const QString& key, const QString& def,
                                int bufferBytes, const QString& path) {
    CProfileFile file(path);
    file.Load();
    return file.GetString(section, key, def, bufferBytes);
}

int GetPrivateProfileInt(const QString& section, const QString& key, int def, const QString& path) {
    CProfileFile file(path);
    file.Load();
    return file.GetInt(section, key, def);
}

BOOL WritePrivateProfileString(const QString& section, const QString& key, const QString& value,
                               const QString& path) {
    CProfileFile file(path);
    // Writing over a file we could not read would lose everything else in it.
    if (!file.Load())
        return FALSE;
    file.SetString(section, key, value);
    return file.Save() ? TRUE : FALSE;
}

int ParseLeadingInt(const QString& text) {
    qsizetype i = 0;
    while (i < text.size() && text.at(i).isSpace())
        ++i;
    bool negative = false;
    if (i < text.size() && (text.at(i) == u'-' || text.at(i) == u'+')) {
        negative = text.at(i) == u'-';
        ++i;
    }
    std::uint32_t value = 0;
    for (; i < text.size() && text.at(i) >= u'0' && text.at(i) <= u'9'; ++i)
        value = value * 10u + static_cast<std::uint32_t>(text.at(i).unicode() - u'0');
    if (negative)
        value = 0u - value;
    return static_cast<int>(value);
}

double ParseLeadingDouble(const QString& text) {
    // atof in the "C" locale: only ASCII can belong to the number, so the copy stops at the first
    // other character.
    std::string ascii;
    for (qsizetype i = 0; i < text.size() && text.at(i).unicode() < 0x80; ++i)
        ascii += static_cast<char>(text.at(i).unicode());
    static const locale_t cLocale = newlocale(LC_ALL_MASK, "C", locale_t(nullptr));
    return strtod_l(ascii.c_str(), nullptr, cLocale);
}

QString FormatFixed(double value, int decimals) {
    char buffer[400];
    const auto result =
        std::to_chars(buffer, buffer + sizeof buffer, value, std::chars_format::fixed, decimals);
    if (result.ec != std::errc())
        return QString::number(value, 'f', decimals);
    return QString::fromLatin1(buffer, result.ptr - buffer);
}

} // namespace platform
