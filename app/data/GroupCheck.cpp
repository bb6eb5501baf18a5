#include "app/data/GroupCheck.h"

#include "app/data/GroupFile.h"
#include "app/data/SoundFinder.h"
#include "platform/Profile.h"
#include "playkit/AdxEngine.h"
#include "playkit/AdxFileDecoder.h"
#include "playkit/AdxShow.h"

#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>
#include <QTextStream>

namespace {

// How long a check waits for a live engine to let go of the player just closed.
constexpr unsigned kFreeWaitMs = 200;

// A tab inside a hand-edited name or title would shift the fields of its line.
QString Field(QString text) {
    text.replace(QLatin1Char('\t'), QLatin1Char(' '));
    text.replace(QLatin1Char('\n'), QLatin1Char(' '));
    return text;
}

QString ChannelName(int g, int c) {
    return QStringLiteral("%1-%2").arg(g + 1).arg(c + 1);
}

void PrintChannel(QTextStream& out, int g, int c, const CChannelData& ch, const SoundCheck& check) {
    out << "channel\t" << ChannelName(g, c) << '\t' << Field(ch.m_strTitle) << '\t' << Field(ch.m_strFile)
        << "\tvol=" << ch.m_nVolume << "\tpan=" << ch.m_nPan
        << "\trate=" << platform::FormatFixed(ch.m_dRate, 1) << "\trepeat=" << ch.m_bRepeat
        << "\tfi=" << ch.m_bFadeIn << "\tfo=" << ch.m_bFadeOut
        << "\ttfi=" << platform::FormatFixed(ch.m_dTimeFadeIn, 1)
        << "\ttfo=" << platform::FormatFixed(ch.m_dTimeFadeOut, 1) << '\t' << SoundStatusName(check.status)
        << "\tlen="
        << (check.status == SoundCheck::Status::Ok ? platform::FormatFixed(check.dLength, 1)
                                                   : QStringLiteral("-"));
    if (!check.strReason.isEmpty())
        out << '\t' << Field(check.strReason);
    out << '\n';
}

// A closed player keeps its file and decoder until the engine's next pass; offline there is no pass
// but a render. Freed at once, a set of thousands of sounds holds one player at a time.
void LetGoOfClosedPlayer() {
    float frame[2] = {};
    if (!playkit::CAdxEngine::Render(frame, 1))
        playkit::CAdxEngine::FreeClosedPlayers(kFreeWaitMs);
}

int CheckGroups(const CGroupArray& aGroup, QTextStream& out) {
    CAdxShow show;
    bool bAllOk = true;
    for (int g = 0; g < aGroup.GetSize(); ++g) {
        const CGroupData& group = aGroup[g];
        out << "group\t" << g + 1 << '\t' << Field(group.m_strName) << '\n';
        for (int c = 0; c < CGroupData::kChannelCount; ++c) {
            const CChannelData& ch = group.m_aChannel[static_cast<size_t>(c)];
            if (ch.m_strFile.isEmpty())
                continue;
            const SoundCheck check = CheckSound(show, ch.m_strFile);
            LetGoOfClosedPlayer();
            bAllOk = bAllOk && check.status == SoundCheck::Status::Ok;
            PrintChannel(out, g, c, ch, check);
        }
        out.flush(); // a long set shows its progress group by group
    }
    return bAllOk ? kCheckAllPresent : kCheckSomeMissing;
}

bool ReadSet(const QString& path, CGroupArray& aGroup, QTextStream& err) {
    if (CGroupFile::Read(path, aGroup) == CGroupFile::kOk)
        return true;
    err << QCoreApplication::translate("CGroupFile", CGroupFile::kReadErrorText) << '\n';
    err.flush();
    return false;
}

} // namespace

const char* SoundStatusName(SoundCheck::Status status) {
    switch (status) {
    case SoundCheck::Status::Ok:
        return "ok";
    case SoundCheck::Status::Missing:
        return "missing";
    case SoundCheck::Status::Unsupported:
        return "unsupported";
    case SoundCheck::Status::Unplayable:
        return "unplayable";
    }
    return "unplayable";
}

SoundCheck CheckSound(CAdxShow& show, const QString& path) {
    SoundCheck check;
    const QFileInfo info(path);
    if (!info.exists()) {
        check.status = SoundCheck::Status::Missing;
        return check;
    }
    if (!info.isFile()) {
        check.status = SoundCheck::Status::Unplayable;
        check.strReason = QStringLiteral("not a file");
        return check;
    }
    const AdxResult r = show.Open(path.toLocal8Bit().constData(), 0);
    if (r == 0) {
        check.status = SoundCheck::Status::Ok;
        check.dLength = show.GetTotalTime();
        show.Close();
        return check;
    }
    const auto hr = show.GetErrorCode();
    show.Close(); // whatever a failed open left behind
    if (r == AdxResult::kRefusedExtension) {
        check.status = SoundCheck::Status::Unsupported;
        const QString suffix = info.suffix();
        check.strReason = suffix.isEmpty() ? QStringLiteral("no extension")
                                           : QStringLiteral("extension .%1 not accepted").arg(suffix);
        return check;
    }
    check.status = SoundCheck::Status::Unplayable;
    check.strReason = QString::fromStdString(playkit::AdxErrorText(hr));
    return check;
}

int RunGroupCheck(const QString& path, QTextStream& out, QTextStream& err) {
    CGroupArray aGroup;
    if (!ReadSet(path, aGroup, err))
        return kCheckNoGroup;
    const int status = CheckGroups(aGroup, out);
    out.flush();
    return status;
}

QString CorrectedCopyPath(const QString& path) {
    const QFileInfo info(path);
    const QString suffix = info.suffix().isEmpty() ? QString() : QLatin1Char('.') + info.suffix();
    return info.absoluteDir().filePath(info.completeBaseName() + QStringLiteral("-fixed") + suffix);
}

int RunGroupFix(const QString& path, const QString& searchDir, QTextStream& out, QTextStream& err) {
    CGroupArray aGroup;
    if (!ReadSet(path, aGroup, err))
        return kCheckNoGroup;
    const CSoundFinder finder(searchDir);
    int nFound = 0;
    for (int g = 0; g < aGroup.GetSize(); ++g) {
        for (int c = 0; c < CGroupData::kChannelCount; ++c) {
            CChannelData& ch = aGroup[g].m_aChannel[static_cast<size_t>(c)];
            if (ch.m_strFile.isEmpty() || QFileInfo::exists(ch.m_strFile))
                continue;
            const QString found = finder.Find(ch.m_strFile);
            if (found.isEmpty()) {
                out << "notfound\t" << ChannelName(g, c) << '\t' << Field(ch.m_strFile) << '\n';
                continue;
            }
            out << "found\t" << ChannelName(g, c) << '\t' << Field(found) << '\n';
            ch.m_strFile = found;
            ++nFound;
        }
    }
    if (nFound > 0) {
        const QString copy = CorrectedCopyPath(path);
        Q_ASSERT(QFileInfo(copy).absoluteFilePath() != QFileInfo(path).absoluteFilePath());
        QString reason;
        if (CGroupFile::Write(copy, aGroup, TRUE, &reason) != CGroupFile::kOk) {
            out.flush();
            err << copy << ": " << QCoreApplication::translate("CGroupFile", CGroupFile::kWriteErrorText)
                << ' ' << reason << '\n';
            err.flush();
            return kCheckSomeMissing;
        }
        out << "written\t" << Field(copy) << '\n';
        // What is checked is what the copy holds, read back as the window would read it.
        if (!ReadSet(copy, aGroup, err))
            return kCheckSomeMissing;
    }
    const int status = CheckGroups(aGroup, out);
    out.flush();
    return status;
}
