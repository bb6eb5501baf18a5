#include "padkit/util/Csv.h"

#include "platform/Profile.h"

namespace {

struct Field {
    int nNumber;      // the field found, or the number of fields when the line has fewer
    qsizetype nStart; // first character of the field
    qsizetype nEnd;   // the separator after it, or the end of the line
};

// Walks the line to field nField. A field that opens with a double quote ends only at a
// separator right after a closing quote (not the opening one itself).
Field Scan(const QString& line, int nField, QChar sep) {
    Field field{1, 0, line.size()};
    for (qsizetype i = 0; i < line.size(); ++i) {
        if (line.at(i) != sep)
            continue;
        const bool quoted = line.at(field.nStart) == u'"';
        // A separator right at the field's start ends it empty (only when the separator is the
        // quote itself can the field look quoted there); the character before it is not looked at.
        const bool ends = !quoted || i == field.nStart || (line.at(i - 1) == u'"' && i != field.nStart + 1);
        if (!ends)
            continue;
        if (field.nNumber == nField) {
            field.nEnd = i;
            return field;
        }
        field.nStart = i + 1;
        ++field.nNumber;
    }
    field.nEnd = line.size();
    return field;
}

QChar SepChar(char cSep) {
    return QChar(static_cast<char16_t>(static_cast<unsigned char>(cSep)));
}

} // namespace

QString PADKIT_GetCSVData(const QString& strLine, int nField, short nTrim, char cSep) {
    const Field field = Scan(strLine, nField, SepChar(cSep));
    if (field.nNumber != nField || field.nStart >= field.nEnd)
        return QString();
    QString content = strLine.mid(field.nStart, field.nEnd - field.nStart);
    const bool opens = content.front() == u'"';
    const bool closes = content.back() == u'"';
    if (opens != closes)
        return QString();
    if (opens)
        content = content.size() >= 2 ? content.mid(1, content.size() - 2) : QString();
    if (nTrim == 1)
        content = content.trimmed();
    return content;
}

int PADKIT_SetCSVData(QString& strLine, int nField, const QString& strValue, char cSep) {
    const QChar sep = SepChar(cSep);
    const QString text = strValue.contains(sep) ? u'"' + strValue + u'"' : strValue;
    const Field field = Scan(strLine, nField, sep);
    if (field.nNumber == nField) {
        strLine = strLine.left(field.nStart) + text + strLine.mid(field.nEnd);
    } else {
        if (nField > field.nNumber)
            strLine += QString(nField - field.nNumber, sep);
        strLine += text;
    }
    return 1;
}

int PADKIT_SetCSVData(QString& strLine, int nField, int nValue, char cSep) {
    return PADKIT_SetCSVData(strLine, nField, QString::number(nValue), cSep);
}

int PADKIT_SetCSVData(QString& strLine, int nField, double dValue, char cSep) {
    return PADKIT_SetCSVData(strLine, nField, platform::FormatFixed(dValue, 6), cSep);
}
