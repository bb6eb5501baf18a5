#include "app/dialogs/ChannelEditDlg.h"

#include "app/data/GroupFile.h"
#include "app/data/LoudnessMatcher.h"
#include "app/data/LoudnessMeter.h"
#include "app/data/SoundFileRules.h"
#include "app/dialogs/DataExchange.h"
#include "app/res/Resources.h"
#include "app/show/CueAudition.h"
#include "padkit/util/MessageBox.h"
#include "platform/CodePage.h"
#include "platform/Profile.h"
#include "playkit/AdxEngine.h"
#include "playkit/AdxShow.h"

#include <QComboBox>
#include <QCoreApplication>
#include <QDir>
#include <QFileDialog>
#include <QFileInfo>
#include <QLineEdit>
#include <QStringList>
#include <QVariant>

#include <cmath>
#include <new>

namespace {
// An output pair the output does not have now.
constexpr const char* kMissingPairText = QT_TRANSLATE_NOOP("CChannelEditDlg", "%1 (この出力にはありません)");

constexpr const char* kOutOfMemoryText = QT_TRANSLATE_NOOP("CChannelEditDlg", "メモリ不足です。");
constexpr const char* kTitleQuestion =
    QT_TRANSLATE_NOOP("CChannelEditDlg", "ファイル名をタイトルに設定しますか？");
constexpr const char* kTitleRequiredText =
    QT_TRANSLATE_NOOP("CChannelEditDlg", "タイトルは半角64文字以内で設定してください。");
constexpr const char* kFileRequiredText =
    QT_TRANSLATE_NOOP("CChannelEditDlg", "ファイルのパスを指定してください。");
constexpr int kFadeTimeDecimals = 1;
constexpr const char* kMeasuringText = QT_TRANSLATE_NOOP("CChannelEditDlg", "測定中…");
constexpr const char* kNotMeasurableText = QT_TRANSLATE_NOOP("CChannelEditDlg", "測定できません");
constexpr const char* kLufsText = "%1 LUFS";
constexpr const char* kSilentText = QT_TRANSLATE_NOOP("CChannelEditDlg", "-∞ LUFS");
constexpr int kLoudnessDecimals = 1;

// The open dialog of sound files, starting at initial (a folder, or a file whose folder is shown with
// the file selected). The chosen path, or empty when cancelled.
QString AskSoundFile(QWidget* parent, const QString& initial) {
    QFileDialog dialog(parent, QString(), initial, soundfile::FileFilter());
    dialog.setAcceptMode(QFileDialog::AcceptOpen);
    dialog.setFileMode(QFileDialog::ExistingFile);
    dialog.setOption(QFileDialog::HideNameFilterDetails);
    if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty())
        return QString();
    return dialog.selectedFiles().constFirst();
}

} // namespace

CChannelEditDlg::CChannelEditDlg(int nChannel, CChannelData* pChannel, QWidget* parent,
                                 CSettingsFile settings)
    : CResDialog(IDD_CHANNEL_EDIT, parent), m_nChannel(nChannel), m_pChannel(pChannel),
      m_strTitle(pChannel->m_strTitle), m_strFile(pChannel->m_strFile),
      m_dTimeFadeIn(pChannel->m_dTimeFadeIn), m_dTimeFadeOut(pChannel->m_dTimeFadeOut),
      m_nLoudness(pChannel->m_bLoudness ? 1 : 0), m_nOutPair(pChannel->m_nOutPair),
      m_Settings(std::move(settings)) {}

CChannelEditDlg::~CChannelEditDlg() {
    if (m_pAudition)
        m_pAudition->StopAudition();
}

QString CChannelEditDlg::LoudnessText(double lufs, bool failed) {
    if (failed || std::isnan(lufs))
        return QCoreApplication::translate("CChannelEditDlg", kNotMeasurableText);
    if (lufs <= CLoudnessMeter::kSilent)
        return QCoreApplication::translate("CChannelEditDlg", kSilentText);
    // A point whatever the locale, as the lists print their figures.
    return QCoreApplication::translate("CChannelEditDlg", kLufsText)
        .arg(QString::number(lufs, 'f', kLoudnessDecimals));
}

BOOL CChannelEditDlg::OnInitDialog() {
    SetDlgItemText(IDC_CHEDIT_NUMBER, QString::number(m_nChannel));
    GetDlgItemAs<QWidget>(IDC_CHEDIT_AUDITION)->setEnabled(m_pAudition != nullptr);
    m_pShow.reset(new (std::nothrow) CAdxShow);
    if (!m_pShow) {
        PADKIT_MessageBox(this, QCoreApplication::translate("CChannelEditDlg", kOutOfMemoryText), QString(),
                          MB_OK | MB_ICONEXCLAMATION);
        EndDialog(platform::IDCANCEL);
        return TRUE;
    }
    if (m_pLoudness)
        connect(m_pLoudness, &CLoudnessMatcher::Measured, this, &CChannelEditDlg::OnLoudnessMeasured);
    ShowLoudness(m_strFile);
    const BOOL result = CResDialog::OnInitDialog();
    FillOutputPairs();
    return result;
}

void CChannelEditDlg::FillOutputPairs() {
    auto* combo = GetDlgItemAs<QComboBox>(IDC_CHEDIT_OUTPUT);
    combo->clear();
    const int have = static_cast<int>(playkit::CAdxEngine::OutputPairs());
    for (int pair = 1; pair <= have; ++pair)
        combo->addItem(CChannelData::OutPairText(pair), pair);
    // A pair the output lacks stays chosen (the set may be played on a larger one), marked as such.
    if (m_nOutPair > have)
        combo->addItem(QCoreApplication::translate("CChannelEditDlg", kMissingPairText)
                           .arg(CChannelData::OutPairText(m_nOutPair)),
                       m_nOutPair);
    combo->setCurrentIndex(combo->findData(m_nOutPair));
}

void CChannelEditDlg::ShowLoudness(const QString& file) {
    m_strLoudnessFile = file;
    QString text;
    if (!file.isEmpty() && m_pLoudness) {
        const double known = m_pLoudness->Known(file);
        if (std::isnan(known)) {
            text = QCoreApplication::translate("CChannelEditDlg", kMeasuringText);
            m_pLoudness->Request(file);
        } else {
            text = LoudnessText(known, false);
        }
    }
    SetDlgItemText(IDC_CHEDIT_LUFS, text);
}

void CChannelEditDlg::OnLoudnessMeasured(const QString& file, double lufs, bool failed) {
    if (!m_strLoudnessFile.isEmpty() && file == m_strLoudnessFile)
        SetDlgItemText(IDC_CHEDIT_LUFS, LoudnessText(lufs, failed));
}

void CChannelEditDlg::DoDataExchange(CDataExchange& dx) {
    dx.Text(IDC_CHEDIT_TITLE, m_strTitle);
    dx.MaxBytes(IDC_CHEDIT_TITLE, m_strTitle, soundfile::kTitleMaxBytes);
    dx.Text(IDC_CHEDIT_FILE, m_strFile);
    dx.Text(IDC_CHEDIT_FADEIN, m_dTimeFadeIn, kFadeTimeDecimals);
    dx.MinMax(IDC_CHEDIT_FADEIN, m_dTimeFadeIn, kMinFadeTime, kMaxFadeTime);
    if (!dx.Failed())
        SetDlgItemText(IDC_CHEDIT_FADEIN, platform::FormatFixed(m_dTimeFadeIn, kFadeTimeDecimals));
    dx.Text(IDC_CHEDIT_FADEOUT, m_dTimeFadeOut, kFadeTimeDecimals);
    dx.MinMax(IDC_CHEDIT_FADEOUT, m_dTimeFadeOut, kMinFadeTime, kMaxFadeTime);
    if (!dx.Failed())
        SetDlgItemText(IDC_CHEDIT_FADEOUT, platform::FormatFixed(m_dTimeFadeOut, kFadeTimeDecimals));
    dx.Check(IDC_CHEDIT_LOUDNESS, m_nLoudness);
}

void CChannelEditDlg::OnCommand(UINT id) {
    if (id == static_cast<UINT>(IDC_CHEDIT_BROWSE))
        OnBrowse();
    else if (id == static_cast<UINT>(IDC_CHEDIT_AUDITION))
        OnAudition();
    else
        CResDialog::OnCommand(id);
}

void CChannelEditDlg::OnAudition() {
    if (m_pAudition && !m_strFile.isEmpty())
        m_pAudition->AuditionFile(m_strFile);
}

void CChannelEditDlg::OnBrowse() {
    // The file the dialog holds (as opened, or as at the last confirmation attempt) is shown with its
    // folder; without one, the folder a sound was last taken from.
    const QString current = QDir::currentPath();
    const QString initial = !m_strFile.isEmpty() ? m_strFile : GetSndFolder(m_Settings);
    const QString path = AskSoundFile(this, initial);
    QDir::setCurrent(current);
    if (path.isEmpty())
        return;
    if (!CGroupFile::CanStorePath(soundfile::StoredPath(path))) {
        PADKIT_MessageBox(this,
                          CGroupFile::ShownPath(soundfile::StoredPath(path)) + u'\n' +
                              QCoreApplication::translate("CGroupFile", CGroupFile::kUnstorableNameText),
                          QString(), MB_OK | MB_ICONEXCLAMATION);
        return;
    }
    SetSndFolder(QFileInfo(path).absolutePath(), m_Settings);
    if (PADKIT_MessageBox(this, QCoreApplication::translate("CChannelEditDlg", kTitleQuestion), QString(),
                          MB_YESNO | MB_ICONQUESTION) == IDYES)
        SetDlgItemText(IDC_CHEDIT_TITLE, soundfile::TitleFromPath(path));
    SetDlgItemText(IDC_CHEDIT_FILE, soundfile::StoredPath(path));
    ShowLoudness(soundfile::StoredPath(path));
}

void CChannelEditDlg::OnOK() {
    if (!UpdateData(TRUE))
        return;
    if (m_strTitle.isEmpty() || platform::Cp932Length(m_strTitle) > soundfile::kTitleMaxBytes) {
        PADKIT_MessageBox(this, QCoreApplication::translate("CChannelEditDlg", kTitleRequiredText), QString(),
                          MB_OK | MB_ICONEXCLAMATION);
        FocusControl(IDC_CHEDIT_TITLE);
        return;
    }
    if (m_strFile.isEmpty()) {
        PADKIT_MessageBox(this, QCoreApplication::translate("CChannelEditDlg", kFileRequiredText), QString(),
                          MB_OK | MB_ICONEXCLAMATION);
        FocusControl(IDC_CHEDIT_FILE);
        return;
    }
    m_pChannel->m_strTitle = m_strTitle;
    m_pChannel->m_strFile = m_strFile;
    m_pChannel->m_dTimeFadeIn = m_dTimeFadeIn;
    m_pChannel->m_dTimeFadeOut = m_dTimeFadeOut;
    m_pChannel->m_bLoudness = m_nLoudness != 0 ? TRUE : FALSE;
    const QVariant pair = GetDlgItemAs<QComboBox>(IDC_CHEDIT_OUTPUT)->currentData();
    if (pair.isValid())
        m_pChannel->m_nOutPair = pair.toInt();
    EndDialog(platform::IDOK);
}
