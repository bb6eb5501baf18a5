#include "app/dialogs/OptionDlg.h"

#include "app/dialogs/OptionPage1.h"
#include "app/dialogs/OptionPage2.h"
#include "app/dialogs/OptionPage3.h"
#include "app/dialogs/OptionPage4.h"
#include "app/dialogs/OptionPage5.h"
#include "app/dialogs/PageTabCtrl.h"
#include "app/remote/MidiControl.h"
#include "app/res/Resources.h"
#include "padkit/util/MessageBox.h"

#include <QCoreApplication>

namespace {

constexpr const char* kTabLabel[COptionDlg::kPageCount] = {
    QT_TRANSLATE_NOOP("COptionDlg", "キー設定1"), QT_TRANSLATE_NOOP("COptionDlg", "キー設定2"),
    QT_TRANSLATE_NOOP("COptionDlg", "ファイル"), QT_TRANSLATE_NOOP("COptionDlg", "オーディオ"),
    QT_TRANSLATE_NOOP("COptionDlg", "リモート")};
constexpr const char* kWriteErrorText =
    QT_TRANSLATE_NOOP("COptionDlg", "ファイル書込中にエラーが発生しました。");
constexpr const char* kErrorCaption = QT_TRANSLATE_NOOP("COptionDlg", "エラー");
// The desktop's window border, between the tabs and the pages below them.
constexpr int kSystemBorder = 1;

} // namespace

COptionDlg::COptionDlg(OPTIONDATA* pOption, QWidget* parent, CSettingsFile settings)
    : CResDialog(IDD_OPTION, parent), m_Option(*pOption), m_pOption(pOption),
      m_Settings(std::move(settings)) {
    LoadAudioSettings(m_Audio, m_Settings);
    m_Show = CShowSettings::Load(m_Settings);
    m_Ui = CUiSettings::Load(m_Settings);
}

COptionDlg::~COptionDlg() = default;

CResDialog* COptionDlg::Page(int index) const {
    switch (index) {
    case 0:
        return m_pPage1;
    case 1:
        return m_pPage2;
    case 2:
        return m_pPage3;
    case 3:
        return m_pPage4;
    case 4:
        return m_pPage5;
    default:
        return nullptr;
    }
}

QWidget* COptionDlg::MakeControl(const platform::ControlTemplate& c, QWidget* parent) {
    if (c.id == IDC_OPTION_TAB)
        return new CPageTabCtrl(parent);
    return nullptr;
}

BOOL COptionDlg::OnInitDialog() {
    CResDialog::OnInitDialog();
    m_tabCtrl = GetDlgItemAs<CPageTabCtrl>(IDC_OPTION_TAB);
    m_tabCtrl->DeleteAllItems();
    for (int i = 0; i < kPageCount; ++i)
        m_tabCtrl->InsertItem(i, QCoreApplication::translate("COptionDlg", kTabLabel[i]), i);

    m_pPage1 = new COptionPage1(&m_Option, this, m_tabCtrl);
    m_pPage2 = new COptionPage2(&m_Option, this, m_tabCtrl);
    m_pPage3 = new COptionPage3(&m_Option, &m_Show, &m_Ui, this, m_tabCtrl);
    m_pPage4 = new COptionPage4(&m_Audio, playkit::CAdxEngine::OutputDevices(), this, m_tabCtrl);
    m_pPage5 = new COptionPage5(m_pMidi, m_pMidi ? m_pMidi->Map() : CRemoteSettings::Load(m_Settings).map,
                                m_Settings, this, m_tabCtrl);
    m_pPage5->SetWebRemote(m_pWeb);
    const QRect tab = m_tabCtrl->GetItemRect(0);
    for (int i = 0; i < kPageCount; ++i) {
        CResDialog* page = Page(i);
        page->Create();
        page->move(tab.x() + kSystemBorder, tab.y() + tab.height() + kSystemBorder);
        page->hide();
    }
    connect(m_tabCtrl, &CPageTabCtrl::SelChange, this, &COptionDlg::OnTabSelChange);
    ShowPage(0);
    return TRUE;
}

void COptionDlg::ShowPage(int index) {
    m_tabCtrl->SetCurSel(index);
    for (int i = 0; i < kPageCount; ++i)
        Page(i)->setVisible(i == index);
}

bool COptionDlg::TakePages() {
    for (int i = 0; i < kPageCount; ++i) {
        CResDialog* page = Page(i);
        if (!page->UpdateData(TRUE)) {
            // The refused field was hidden when it was reported; bring its page up and focus it again.
            ShowPage(i);
            page->FocusControl(page->FailedControlId());
            return false;
        }
    }
    return true;
}

void COptionDlg::OnTabSelChange() {
    const int selected = m_tabCtrl->GetCurSel();
    for (int i = 0; i < kPageCount; ++i)
        Page(i)->hide();
    if (!TakePages())
        return;
    ShowPage(selected);
}

void COptionDlg::OnOK() {
    if (!TakePages())
        return;
    m_pPage1->SaveToOption();
    m_pPage2->SaveToOption();
    m_pPage3->SaveToOption();
    *m_pOption = m_Option;
    const AUDIOSETTINGS before = m_Audio;
    m_pPage4->SaveToAudio();
    const bool audioChanged = m_Audio.strDevice != before.strDevice || m_Audio.nPeriod != before.nPeriod ||
                              m_Audio.nPairs != before.nPairs ||
                              m_Audio.strCueDevice != before.strCueDevice ||
                              m_Audio.nCuePair != before.nCuePair || m_Audio.nCueKey != before.nCueKey;
    // A failed write keeps the new values for this run; the operator is told the file was not written.
    bool written = SaveOption(*m_pOption, m_Settings);
    written = m_Show.Save(m_Settings) && written;
    written = m_Ui.Save(m_Settings) && written;
    if (audioChanged) {
        written = SaveAudioSettings(m_Audio, m_Settings) && written;
        // The engine switches over with the players as they are; a device that does not open leaves
        // it on the clock, trying again, and the main window's caption says so.
        if (!AudioOverridden())
            playkit::CAdxEngine::Configure(AudioEngineConfig(m_Audio));
    }
    written = m_pPage5->SaveToSettings() && written;
    if (m_pMidi)
        m_pMidi->SetMap(m_pPage5->Map());
    if (!written)
        PADKIT_MessageBox(this, QCoreApplication::translate("COptionDlg", kWriteErrorText),
                          QCoreApplication::translate("COptionDlg", kErrorCaption),
                          MB_OK | MB_ICONEXCLAMATION);
    EndDialog(platform::IDOK);
}
