#pragma once

#include "app/data/ChannelData.h"
#include "app/dialogs/ResDialog.h"
#include "app/settings/Option.h"

#include <QString>
#include <memory>

class CAdxShow;
class IAudition;
class CLoudnessMatcher;

// "チャンネル編集": title, sound file, fade times, loudness matching and output pair of one channel. Works on
// its own copies of those fields and writes them into the channel only when every check passes on "設定". It
// shows the sound's measured loudness, asked from the background measurement and filled in when the
// answer comes; the dialog never waits for it. UI thread.
class CChannelEditDlg : public CResDialog {
    Q_OBJECT
public:
    static constexpr double kMinFadeTime = 0.1;
    static constexpr double kMaxFadeTime = 60.0;

    // nChannel: the number shown, the channel's index + 1 (1 to 10). pChannel is not owned.
    // settings: where "FilePath"/"SndFolder" lives.
    CChannelEditDlg(int nChannel, CChannelData* pChannel, QWidget* parent = nullptr,
                    CSettingsFile settings = CSettingsFile());
    ~CChannelEditDlg() override;

    // Where the loudness shown comes from (not owned; null: none is shown). Before Create.
    void SetLoudnessMatcher(CLoudnessMatcher* pMatcher) { m_pLoudness = pMatcher; }
    // Where "試聴" plays the chosen file (not owned; null: the button is disabled). Before Create; what
    // it plays stops when the dialog closes.
    void SetAudition(IAudition* pAudition) { m_pAudition = pAudition; }
    // The text shown for a measurement: "-18.3 LUFS"; failed: "測定できません".
    static QString LoudnessText(double lufs, bool failed);

protected:
    BOOL OnInitDialog() override;
    void DoDataExchange(CDataExchange& dx) override;
    void OnCommand(UINT id) override;
    void OnOK() override;

private:
    void OnBrowse();
    void OnAudition();
    // The pairs the output has now, and the channel's own where the output lacks it.
    void FillOutputPairs();
    // Shows the loudness of file: known at once, else "測定中…" while it is measured.
    void ShowLoudness(const QString& file);
    void OnLoudnessMeasured(const QString& file, double lufs, bool failed);

    int m_nChannel;
    CChannelData* m_pChannel;
    std::unique_ptr<CAdxShow> m_pShow; // kept while the dialog is open
    QString m_strTitle;
    QString m_strFile;
    double m_dTimeFadeIn;
    double m_dTimeFadeOut;
    int m_nLoudness; // the check box: 0 or 1
    int m_nOutPair;  // 1-based
    CSettingsFile m_Settings;
    CLoudnessMatcher* m_pLoudness = nullptr;
    IAudition* m_pAudition = nullptr;
    QString m_strLoudnessFile; // whose loudness the dialog shows
};
