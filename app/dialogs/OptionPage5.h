#pragma once

#include "app/dialogs/ResDialog.h"
#include "app/remote/MidiMap.h"
#include "app/settings/Option.h"

class CMidiControl;

// Page "リモート" of the options dialog: the MIDI ports in use, the OSC port and listening address, and
// the MIDI map, learnt with a "学習" button per role. Learning works on the live controller (pMidi may be
// null when MIDI is off: the buttons are then disabled); Cancel puts the map back as it was. UI thread.
class COptionPage5 : public CResDialog {
    Q_OBJECT
public:
    COptionPage5(CMidiControl* pMidi, CSettingsFile settings, CResDialog* pDlg, QWidget* parent);
    ~COptionPage5() override;

    // Writes the remote settings: OSC port and address, and the map; a key the file does not have is
    // written only when its value is not the default. False when it failed.
    bool SaveToSettings();

    int m_nOscPort;
    QString m_strOscBind;

protected:
    BOOL OnInitDialog() override;
    void DoDataExchange(CDataExchange& dx) override;
    void OnCommand(UINT id) override;
    void OnOK() override;
    void OnCancel() override;

private:
    void ShowBinding(int role);

    CMidiControl* m_pMidi;
    CSettingsFile m_Settings;
    CResDialog* m_pDlg;
    CMidiMap m_mapBefore; // restored unless the page is saved
    bool m_bSaved = false;
};
