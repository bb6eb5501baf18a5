#include "app/data/GroupCheck.h"

#include "app/data/GroupFile.h"
#include "platform/Profile.h"

#include <QFileInfo>
#include <QTextStream>

namespace {

// A tab inside a hand-edited name or title would shift the fields of its line.
QString Field(QString text) {
    return text.replace(QLatin1Char('\t'), QLatin1Char(' '));
}

} // namespace

int RunGroupCheck(const QString& path, QTextStream& out, QTextStream& err) {
    CGroupArray aGroup;
    if (CGroupFile::Read(path, aGroup) != CGroupFile::kOk) {
        err << QString::fromUtf8(CGroupFile::kReadErrorText) << '\n';
        err.flush();
        return kCheckNoGroup;
    }
    bool bMissing = false;
    for (int g = 0; g < aGroup.GetSize(); ++g) {
        const CGroupData& group = aGroup[g];
        out << "group\t" << g + 1 << '\t' << Field(group.m_strName) << '\n';
        for (int c = 0; c < CGroupData::kChannelCount; ++c) {
            const CChannelData& ch = group.m_aChannel[static_cast<size_t>(c)];
            if (ch.m_strFile.isEmpty())
                continue;
            const bool bExists = QFileInfo(ch.m_strFile).isFile();
            bMissing = bMissing || !bExists;
            out << "channel\t" << g + 1 << '-' << c + 1 << '\t' << Field(ch.m_strTitle) << '\t'
                << Field(ch.m_strFile) << "\tvol=" << ch.m_nVolume << "\tpan=" << ch.m_nPan
                << "\trate=" << platform::FormatFixed(ch.m_dRate, 1) << "\trepeat=" << ch.m_bRepeat
                << "\tfi=" << ch.m_bFadeIn << "\tfo=" << ch.m_bFadeOut
                << "\ttfi=" << platform::FormatFixed(ch.m_dTimeFadeIn, 1)
                << "\ttfo=" << platform::FormatFixed(ch.m_dTimeFadeOut, 1) << '\t'
                << (bExists ? "ok" : "missing") << '\n';
        }
    }
    out.flush();
    return bMissing ? kCheckSomeMissing : kCheckAllPresent;
}
