// Takes the translations of one context out of a Qt Linguist catalogue (.ts) into a C++ table of
// {source, translation} pairs, for the part of the program that loads no Qt:
//   padora-text-table <catalogue.ts> <context> <table.inc>
// Unfinished and vanished entries are left out, so that their source text is shown.
#include <QFile>
#include <QFileInfo>
#include <QSaveFile>
#include <QTextStream>
#include <QXmlStreamReader>

#include <cstdio>

namespace {

// A C string literal of the UTF-8 bytes: octal escapes (never more than three digits, unlike hex
// ones) for everything but plain printable ASCII.
QByteArray Literal(const QString& text) {
    QByteArray out = "\"";
    for (const unsigned char c : text.toUtf8()) {
        if (c >= 0x20 && c < 0x7f && c != '"' && c != '\\' && c != '?')
            out += static_cast<char>(c);
        else
            out += QByteArray("\\") + QByteArray::number(c, 8).rightJustified(3, '0');
    }
    return out + '"';
}

} // namespace

int main(int argc, char** argv) {
    if (argc != 4) {
        std::fputs("usage: padora-text-table <catalogue.ts> <context> <table.inc>\n", stderr);
        return 2;
    }
    QFile in(QString::fromLocal8Bit(argv[1]));
    if (!in.open(QIODevice::ReadOnly)) {
        std::fprintf(stderr, "padora-text-table: cannot read %s\n", argv[1]);
        return 1;
    }
    const QString wanted = QString::fromUtf8(argv[2]);
    QByteArray table = "// Made from " + QFileInfo(in.fileName()).fileName().toUtf8() + " when building.\n";
    QXmlStreamReader xml(&in);
    QString context, source, translation;
    bool finished = false;
    int count = 0;
    while (!xml.atEnd()) {
        xml.readNext();
        if (xml.isStartElement()) {
            const auto name = xml.name();
            if (name == QLatin1String("context")) {
                context.clear();
            } else if (name == QLatin1String("name")) {
                context = xml.readElementText();
            } else if (name == QLatin1String("message")) {
                source.clear();
                translation.clear();
                finished = false;
            } else if (name == QLatin1String("source")) {
                source = xml.readElementText();
            } else if (name == QLatin1String("translation")) {
                finished = xml.attributes().value(QLatin1String("type")).isEmpty();
                translation = xml.readElementText();
            }
        } else if (xml.isEndElement() && xml.name() == QLatin1String("message") && context == wanted &&
                   finished && !translation.isEmpty()) {
            table += "{" + Literal(source) + ",\n " + Literal(translation) + "},\n";
            ++count;
        }
    }
    if (xml.hasError()) {
        std::fprintf(stderr, "padora-text-table: %s: %s\n", argv[1], qPrintable(xml.errorString()));
        return 1;
    }
    if (count == 0) {
        std::fprintf(stderr, "padora-text-table: %s has no translated text of %s\n", argv[1], argv[2]);
        return 1;
    }
    QSaveFile out(QString::fromLocal8Bit(argv[3]));
    if (!out.open(QIODevice::WriteOnly) || out.write(table) != table.size() || !out.commit()) {
        std::fprintf(stderr, "padora-text-table: cannot write %s\n", argv[3]);
        return 1;
    }
    return 0;
}
