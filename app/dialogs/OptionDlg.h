#pragma once

#include "app/dialogs/ResDialog.h"
#include "app/settings/AudioSettings.h"
#include "app/settings/Option.h"
#include "app/settings/ShowSettings.h"
#include "app/settings/UiSettings.h"

class COptionPage1;
class COptionPage2;
class COptionPage3;
class COptionPage4;
class COptionPage5;
class CWebRemote;
class CMidiControl;
class CPageTabCtrl;

// "設定": edits a copy of the settings record on three tab pages (with section "Show" on the third),
// and the audio output (section "Audio" of Padora.INI) on a fourth, and the remote control
// (CRemoteSettings) on a fifth. OK copies the
// copy back over the caller's record and writes Padora.INI; a changed output takes effect at once (players
// keep their state) unless PADORA_AUDIO chooses the output. Cancel changes nothing. UI thread.
class COptionDlg : public CResDialog {
    Q_OBJECT
public:
    static constexpr int kPageCount = 5;

    // pOption: the caller's record (not owned). settings: where Padora.INI lives.
    explicit COptionDlg(OPTIONDATA* pOption, QWidget* parent = nullptr,
                        CSettingsFile settings = CSettingsFile());
    ~COptionDlg() override;

    // The MIDI controller the page "リモート" learns from and whose map OK replaces (not owned); before
    // DoModal.
    void SetMidiControl(CMidiControl* pMidi) { m_pMidi = pMidi; }
    // The running browser remote, whose URL and pairing code page 5 shows.
    void SetWebRemote(CWebRemote* pWeb) { m_pWeb = pWeb; }

    CResDialog* Page(int index) const;
    CPageTabCtrl* TabCtrl() const { return m_tabCtrl; }

    OPTIONDATA m_Option;   // the dialog's copy
    AUDIOSETTINGS m_Audio; // the stored audio output, read when the dialog is made
    CShowSettings m_Show;  // section "Show" as stored, read when the dialog is made; after OK as chosen
    CUiSettings m_Ui;      // section "UI", the same way

protected:
    QWidget* MakeControl(const platform::ControlTemplate& c, QWidget* parent) override;
    BOOL OnInitDialog() override;
    void OnOK() override;

private:
    void OnTabSelChange();
    // Hides every page but the one of tab index, which is selected and shown.
    void ShowPage(int index);
    // Takes the values of the pages in order; on a refusal its page is brought up with the
    // refused field focused, and false is returned.
    bool TakePages();

    OPTIONDATA* m_pOption;
    COptionPage1* m_pPage1 = nullptr; // children of the tab control
    COptionPage2* m_pPage2 = nullptr;
    COptionPage3* m_pPage3 = nullptr;
    COptionPage4* m_pPage4 = nullptr;
    COptionPage5* m_pPage5 = nullptr;
    CMidiControl* m_pMidi = nullptr;
    CWebRemote* m_pWeb = nullptr;
    CPageTabCtrl* m_tabCtrl = nullptr;
    CSettingsFile m_Settings;
};
