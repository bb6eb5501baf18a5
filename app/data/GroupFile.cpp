#include "app/data/GroupFile.h"

#include "app/res/Resources.h"
#include "padkit/util/PathUtil.h"
#include "platform/Profile.h"

#include <QCoreApplication>
#include <QDir>
#include <QFileDialog>
#include <QFileInfo>
#include <algorithm>
#include <cstdio>

namespace {

const QString kSectionGroup = QStringLiteral("GroupData");
const QString kSectionSound = QStringLiteral("SoundData");
const QString kKeyGroupNum = QStringLiteral("GroupNum");

const QString kDefaultSuffix = QStringLiteral("pdg");

// Names and titles are read as through a 512-byte buffer. Sound paths are not cut that short:
// a cut path would silently name another file.
constexpr int kTextBufferBytes = 512;
constexpr int kPathBufferBytes = 4096;

constexpr int kDefaultVolume = 70;
constexpr int kMinVolume = 0;
constexpr int kMaxVolume = 100;

// Key numbers have at least two digits (group 100 and up get three).
QString GroupKey(const char* pszName, int nGroup) {
    char key[48];
    const int n = std::snprintf(key, sizeof key, "%s%02d", pszName, nGroup + 1);
    return QString::fromLatin1(key, n);
}

QString ChannelKey(const char* pszName, int nGroup, int nChannel) {
    char key[48];
    const int n = std::snprintf(key, sizeof key, "%s%02d-%02d", pszName, nGroup + 1, nChannel + 1);
    return QString::fromLatin1(key, n);
}

// A pair number is a whole number from 1 to the most pairs there are; anything else (a damaged or
// foreign value) plays on the first pair.
int ParseOutPair(const QString& text) {
    bool ok = false;
    const int pair = text.trimmed().toInt(&ok);
    return ok && pair >= 1 && pair <= CChannelData::kMaxOutPair ? pair : CChannelData::kDefaultOutPair;
}

void ReadChannel(const platform::CProfileFile& profile, const QString& path, int g, int c, CChannelData& ch) {
    ch.Init();
    ch.m_strTitle =
        profile.GetString(kSectionSound, ChannelKey("SndName", g, c), QString(), kTextBufferBytes);
    ch.m_strFile = PADKIT_GetAbsPath(
        path, profile.GetString(kSectionSound, ChannelKey("SndFName", g, c), QString(), kPathBufferBytes));
    ch.m_nVolume = std::clamp(profile.GetInt(kSectionSound, ChannelKey("SndVol", g, c), kDefaultVolume),
                              kMinVolume, kMaxVolume);
    ch.m_nPan = profile.GetInt(kSectionSound, ChannelKey("SndPan", g, c), 0);
    ch.m_dRate = platform::ParseLeadingDouble(profile.GetString(kSectionSound, ChannelKey("SndRate", g, c),
                                                                QStringLiteral("1.0"), kTextBufferBytes));
    ch.m_bRepeat = profile.GetInt(kSectionSound, ChannelKey("SndRepeat", g, c), 0);
    ch.m_bFadeIn = profile.GetInt(kSectionSound, ChannelKey("SndFI", g, c), 0);
    ch.m_bFadeOut = profile.GetInt(kSectionSound, ChannelKey("SndFO", g, c), 0);
    ch.m_dTimeFadeIn = platform::ParseLeadingDouble(profile.GetString(
        kSectionSound, ChannelKey("SndTimeFI", g, c), QStringLiteral("5.0"), kTextBufferBytes));
    ch.m_dTimeFadeOut = platform::ParseLeadingDouble(profile.GetString(
        kSectionSound, ChannelKey("SndTimeFO", g, c), QStringLiteral("5.0"), kTextBufferBytes));
    ch.m_bLoudness = profile.GetInt(kSectionSound, ChannelKey("SndLoudness", g, c), 0) != 0;
    ch.m_nOutPair = ParseOutPair(
        profile.GetString(kSectionSound, ChannelKey("SndOut", g, c), QString(), kTextBufferBytes));
}

void WriteChannel(platform::CProfileFile& profile, const QString& path, BOOL bRelative, int g, int c,
                  const CChannelData& ch) {
    const QString file = bRelative ? PADKIT_GetIncPath(path, ch.m_strFile) : ch.m_strFile;
    profile.SetString(kSectionSound, ChannelKey("SndName", g, c), ch.m_strTitle);
    profile.SetString(kSectionSound, ChannelKey("SndFName", g, c), file);
    profile.SetString(kSectionSound, ChannelKey("SndVol", g, c), QString::number(ch.m_nVolume));
    profile.SetString(kSectionSound, ChannelKey("SndPan", g, c), QString::number(ch.m_nPan));
    profile.SetString(kSectionSound, ChannelKey("SndRate", g, c), platform::FormatFixed(ch.m_dRate, 1));
    profile.SetString(kSectionSound, ChannelKey("SndRepeat", g, c), QString::number(ch.m_bRepeat));
    profile.SetString(kSectionSound, ChannelKey("SndFI", g, c), QString::number(ch.m_bFadeIn));
    profile.SetString(kSectionSound, ChannelKey("SndFO", g, c), QString::number(ch.m_bFadeOut));
    profile.SetString(kSectionSound, ChannelKey("SndTimeFI", g, c),
                      platform::FormatFixed(ch.m_dTimeFadeIn, 1));
    profile.SetString(kSectionSound, ChannelKey("SndTimeFO", g, c),
                      platform::FormatFixed(ch.m_dTimeFadeOut, 1));
    // Only when on: a set that does not use loudness matching is written as it always was.
    if (ch.m_bLoudness)
        profile.SetString(kSectionSound, ChannelKey("SndLoudness", g, c), QStringLiteral("1"));
    // Likewise only off the first pair: a set without routing keeps its bytes.
    if (ch.m_nOutPair != CChannelData::kDefaultOutPair)
        profile.SetString(kSectionSound, ChannelKey("SndOut", g, c), QString::number(ch.m_nOutPair));
}

// "desc|a;b|desc2|c|" -> "desc (a b);;desc2 (c)"
QString ToDialogFilter(const QString& windowsFilter) {
    const QStringList parts = windowsFilter.split(u'|');
    QStringList filters;
    for (qsizetype i = 0; i + 1 < parts.size(); i += 2) {
        if (parts.at(i).isEmpty())
            break;
        filters << parts.at(i) + QStringLiteral(" (") + QString(parts.at(i + 1)).replace(u';', u' ') + u')';
    }
    return filters.join(QStringLiteral(";;"));
}

} // namespace

CGroupFile::CGroupFile(CSettingsFile settings, PathAsker askSavePath)
    : m_Settings(std::move(settings)), m_askSavePath(std::move(askSavePath)) {}

int CGroupFile::Read(const QString& path, CGroupArray& aGroup) {
    if (path.isEmpty())
        return kReadError;
    platform::CProfileFile profile(path);
    if (!QFileInfo::exists(path) || !profile.Load())
        return kReadError;
    // A count beyond what three-digit key numbers can name is not a group file of ours, and
    // trusting it could exhaust memory.
    const int nGroup = profile.GetInt(kSectionGroup, kKeyGroupNum, 0);
    if (nGroup <= 0 || nGroup > kMaxGroups)
        return kReadError;

    CGroupArray own;
    CGroupData scratch;
    for (int g = 0; g < nGroup; ++g) {
        scratch.Init();
        scratch.m_strName =
            profile.GetString(kSectionGroup, GroupKey("GrpName", g), QString(), kTextBufferBytes);
        for (int c = 0; c < CGroupData::kChannelCount; ++c)
            ReadChannel(profile, path, g, c, scratch.m_aChannel[static_cast<size_t>(c)]);
        own.Add(scratch);
    }
    aGroup.Copy(own);
    return kOk;
}

int CGroupFile::Write(const QString& path, const CGroupArray& aGroup, BOOL bRelative, QString* error) {
    if (aGroup.GetSize() > kMaxGroups) {
        if (error)
            *error = QStringLiteral("more than %1 groups").arg(kMaxGroups);
        return kWriteError;
    }
    for (int g = 0; g < aGroup.GetSize(); ++g) {
        for (const CChannelData& ch : aGroup[g].m_aChannel) {
            if (ch.m_strTitle.isEmpty() || ch.m_strFile.isEmpty() || CanStorePath(ch.m_strFile))
                continue;
            if (error)
                *error = ShownPath(ch.m_strFile) + QStringLiteral(": ") +
                         QCoreApplication::translate("CGroupFile", kUnstorableNameText);
            return kWriteError;
        }
    }
    // A fresh document: the file ends up holding nothing but this set.
    platform::CProfileFile profile(path);
    profile.SetString(kSectionGroup, kKeyGroupNum, QString::number(aGroup.GetSize()));
    for (int g = 0; g < aGroup.GetSize(); ++g)
        profile.SetString(kSectionGroup, GroupKey("GrpName", g), aGroup[g].m_strName);
    for (int g = 0; g < aGroup.GetSize(); ++g) {
        for (int c = 0; c < CGroupData::kChannelCount; ++c) {
            const CChannelData& ch = aGroup[g].m_aChannel[static_cast<size_t>(c)];
            if (ch.m_strTitle.isEmpty() || ch.m_strFile.isEmpty())
                continue;
            WriteChannel(profile, path, bRelative, g, c, ch);
        }
    }
    return profile.Save(error) ? kOk : kWriteError;
}

int CGroupFile::Load(const QString& path, CGroupArray& aGroup, QString& strFilePath) const {
    if (Read(path, aGroup) != kOk)
        return kReadError;
    strFilePath = path;
    SetGrpFolder(FolderOf(path), m_Settings);
    return kOk;
}

int CGroupFile::Save(QWidget* pParent, QString& strFilePath, const CGroupArray& aGroup, BOOL bRelative,
                     BOOL bSaveAs) const {
    QString path = strFilePath;
    if (bSaveAs || path.isEmpty()) {
        path = m_askSavePath ? m_askSavePath(pParent, GetGrpFolder(m_Settings)) : AskSavePath(pParent);
        if (path.isEmpty())
            return kCancelled;
    }
    if (Write(path, aGroup, bRelative) != kOk)
        return kWriteError;
    strFilePath = path;
    SetGrpFolder(FolderOf(path), m_Settings);
    return kOk;
}

namespace {

QString RunFileDialog(QWidget* pParent, const QString& initialFolder, bool bSave) {
    const QString current = QDir::currentPath();
    QFileDialog dialog(pParent, QString(), initialFolder, CGroupFile::DialogFilter());
    dialog.setAcceptMode(bSave ? QFileDialog::AcceptSave : QFileDialog::AcceptOpen);
    dialog.setFileMode(bSave ? QFileDialog::AnyFile : QFileDialog::ExistingFile);
    dialog.setDefaultSuffix(kDefaultSuffix);
    QString path;
    if (dialog.exec() == QDialog::Accepted && !dialog.selectedFiles().isEmpty())
        path = dialog.selectedFiles().constFirst();
    QDir::setCurrent(current);
    return path;
}

} // namespace

QString CGroupFile::AskSavePath(QWidget* pParent) const {
    return RunFileDialog(pParent, GetGrpFolder(m_Settings), true);
}

QString CGroupFile::AskOpenPath(QWidget* pParent) const {
    return RunFileDialog(pParent, GetGrpFolder(m_Settings), false);
}

QString CGroupFile::DialogFilter() {
    return ToDialogFilter(LoadResString(IDS_GROUP_FILE_FILTER));
}

bool CGroupFile::CanStorePath(const QString& path) {
    return !path.contains(u'\n') && !path.contains(u'\r');
}

QString CGroupFile::ShownPath(const QString& path) {
    return QString(path).replace(u'\n', QStringLiteral("\\n")).replace(u'\r', QStringLiteral("\\r"));
}

QString CGroupFile::FolderOf(const QString& path) {
    const qsizetype slash = path.lastIndexOf(u'/');
    if (slash < 0)
        return QString();
    return slash == 0 ? QStringLiteral("/") : path.left(slash);
}
