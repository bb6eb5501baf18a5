#pragma once

#include "app/dialogs/ResDialog.h"
#include "app/settings/AudioSettings.h"

#include <memory>
#include <vector>

namespace playkit {
class CAdxTestTone;
}

// Page "オーディオ" of the options dialog: the output device (the default device first, then every
// device PortAudio lists), the period, the stereo output pairs (as many as the chosen device has), and
// "テスト", which plays a short tone on the chosen device.
// UI thread.
class COptionPage4 : public CResDialog {
    Q_OBJECT
public:
    // devices: the output devices to offer, in order.
    COptionPage4(AUDIOSETTINGS* pAudio, std::vector<playkit::AdxOutputDevice> devices, CResDialog* pDlg,
                 QWidget* parent);
    ~COptionPage4() override;

    void SaveToAudio();
    // The device and period the controls show.
    AUDIOSETTINGS Chosen() const;
    // "テスト": false (with the reason in the page's note) when the device would not play.
    bool PlayTestTone();

protected:
    BOOL OnInitDialog() override;
    void OnCommand(UINT id) override;
    void OnOK() override;
    void OnCancel() override;

private:
    AUDIOSETTINGS* m_pAudio;
    std::vector<playkit::AdxOutputDevice> m_devices;
    // The pairs the device chosen now offers, the stored choice kept when it has fewer.
    void FillPairs();
    // The cue's device, pair (of the pairs chosen now) and key.
    void FillCue();
    void FillCuePairs();

    CResDialog* m_pDlg;
    std::unique_ptr<playkit::CAdxTestTone> m_tone;
};
