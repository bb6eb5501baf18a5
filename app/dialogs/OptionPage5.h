#pragma once

#include "app/dialogs/ResDialog.h"
#include "app/remote/MidiMap.h"
#include "app/settings/Option.h"

class IMidiLearnSource;
class CWebRemote;

// Page "リモート" of the options dialog: the MIDI ports in use, the OSC port and listening address, the
// browser remote's port and address with its URL and pairing code (and a button that makes every
// paired browser pair again), and the MIDI map, learnt with a "学習" button per role. The page edits its own
// copy of the map, learning from pLearn (null, or unable to learn, when MIDI is off: the buttons are then
// disabled); the copy is written on OK and the caller hands it to the controller. UI thread.
class COptionPage5 : public CResDialog {
    Q_OBJECT
public:
    COptionPage5(IMidiLearnSource* pLearn, CMidiMap map, CSettingsFile settings, CResDialog* pDlg,
                 QWidget* parent);
    ~COptionPage5() override;

    // Writes the remote settings: OSC port and address, and the map; a key the file does not have is
    // written only when its value is not the default. False when it failed.
    bool SaveToSettings();
    const CMidiMap& Map() const { return m_Map; }
    // The running browser remote whose URL and code the page shows (null: none); before Create.
    void SetWebRemote(CWebRemote* pWeb) { m_pWeb = pWeb; }

    int m_nOscPort;
    QString m_strOscBind;
    int m_nWebPort;
    QString m_strWebBind;

protected:
    BOOL OnInitDialog() override;
    void DoDataExchange(CDataExchange& dx) override;
    void OnCommand(UINT id) override;
    void OnOK() override;
    void OnCancel() override;

private:
    void ShowBinding(int role);
    void OnLearnt(const CMidiMap::Binding& binding);
    void StopLearning();
    void ShowWebRemote();

    IMidiLearnSource* m_pLearn;
    CMidiMap m_Map;
    CSettingsFile m_Settings;
    QString m_strMidiApi; // as the controller reads it
    CResDialog* m_pDlg;
    CWebRemote* m_pWeb = nullptr;
    int m_nLearning = -1; // the role waiting for its control
};
