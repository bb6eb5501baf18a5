#include "platform/CodePage.h"

#include <QList>
#include <QStringDecoder>
#include <cerrno>
#include <iconv.h>
#include <string>

namespace platform {
namespace {

// An iconv descriptor that closes itself.
class CIconv {
public:
    CIconv(const char* to, const char* from) : m_cd(iconv_open(to, from)) {}
    ~CIconv() {
        if (Valid())
            iconv_close(m_cd);
    }
    CIconv(const CIconv&) = delete;
    CIconv& operator=(const CIconv&) = delete;

    bool Valid() const { return m_cd != reinterpret_cast<iconv_t>(-1); }

    // Converts in, replacing each input sequence that cannot be converted by replacement.
    std::string Convert(const char* in, size_t inLeft, const std::string& replacement, size_t inStep) {
        std::string out;
        if (!Valid())
            return out;
        char buffer[1024];
        char* src = const_cast<char*>(in);
        while (inLeft > 0) {
            char* dst = buffer;
            size_t outLeft = sizeof buffer;
            const size_t rc = iconv(m_cd, &src, &inLeft, &dst, &outLeft);
            out.append(buffer, static_cast<size_t>(dst - buffer));
            if (rc != static_cast<size_t>(-1))
                break;
            if (errno == E2BIG)
                continue;
            // EILSEQ or EINVAL (truncated sequence at the end): skip one unit and go on.
            out += replacement;
            const size_t step = inStep < inLeft ? inStep : inLeft;
            src += step;
            inLeft -= step;
            iconv(m_cd, nullptr, nullptr, nullptr, nullptr);
        }
        char* dst = buffer;
        size_t outLeft = sizeof buffer;
        iconv(m_cd, nullptr, nullptr, &dst, &outLeft);
        out.append(buffer, static_cast<size_t>(dst - buffer));
        return out;
    }

private:
    iconv_t m_cd;
};

int CharBytes(char32_t c) {
    if (c < 0x80)
        return 1;
    if (c >= 0xFF61 && c <= 0xFF9F) // half-width katakana
        return 1;
    return 2;
}

} // namespace

bool IsValidUtf8(const QByteArray& bytes) {
    QStringDecoder decoder(QStringDecoder::Utf8, QStringDecoder::Flag::Stateless);
    const QString text = decoder.decode(bytes);
    return !decoder.hasError();
}

QString DecodeCp932(const QByteArray& bytes) {
    CIconv cd("UTF-8", "CP932");
    const std::string utf8 =
        cd.Convert(bytes.constData(), static_cast<size_t>(bytes.size()), "\xEF\xBF\xBD", 1);
    return QString::fromUtf8(utf8.data(), static_cast<qsizetype>(utf8.size()));
}

QByteArray EncodeCp932(const QString& text) {
    const QList<uint> ucs4 = text.toUcs4();
    CIconv cd("CP932", "UTF-32LE");
    const std::string out = cd.Convert(reinterpret_cast<const char*>(ucs4.constData()),
                                       static_cast<size_t>(ucs4.size()) * 4, "?", 4);
    return QByteArray(out.data(), static_cast<qsizetype>(out.size()));
}

QString DecodeText(const QByteArray& bytes) {
    // Windows' Unicode profile files carry a UTF-16 byte-order mark.
    if (bytes.startsWith("\xFF\xFE"))
        return QStringDecoder(QStringDecoder::Utf16LE).decode(bytes.mid(2));
    if (bytes.startsWith("\xFE\xFF"))
        return QStringDecoder(QStringDecoder::Utf16BE).decode(bytes.mid(2));
    if (IsValidUtf8(bytes)) {
        QByteArray utf8 = bytes;
        if (utf8.startsWith("\xEF\xBB\xBF"))
            utf8.remove(0, 3);
        return QString::fromUtf8(utf8);
    }
    return DecodeCp932(bytes);
}

int Cp932Length(const QString& text) {
    int n = 0;
    for (const char32_t c : text.toUcs4())
        n += CharBytes(c);
    return n;
}

QString Cp932Left(const QString& text, int maxBytes) {
    int n = 0;
    qsizetype i = 0;
    while (i < text.size()) {
        const bool pair =
            text.at(i).isHighSurrogate() && i + 1 < text.size() && text.at(i + 1).isLowSurrogate();
        const char32_t c = pair ? QChar::surrogateToUcs4(text.at(i), text.at(i + 1)) : text.at(i).unicode();
        const int w = CharBytes(c);
        if (n + w > maxBytes)
            break;
        n += w;
        i += pair ? 2 : 1;
    }
    return text.left(i);
}

} // namespace platform
