#pragma once

#include "app/data/GroupArray.h"
#include "app/dialogs/ResDialog.h"
#include "app/settings/Option.h"

class CChannelListCtrl;
class CLoudnessMatcher;
class IAudition;
class QComboBox;

// "グループの編集": shows one group of a working copy of the set at a time, edits or clears its
// channels and opens the group list. Only OK hands the working copy back, as a whole, over the set it
// was opened for; Cancel discards every change made here and in the dialogs opened from here. UI thread.
class CGroupDlg : public CResDialog {
    Q_OBJECT
public:
    static constexpr int kListRowHeight = 32;

    // pSet: the live set (not owned). settings: where the channel dialog keeps its sound folder.
    explicit CGroupDlg(CGroupArray* pSet, QWidget* parent = nullptr,
                       CSettingsFile settings = CSettingsFile());
    ~CGroupDlg() override;

    // Handed to the channel dialog, which shows the measured loudness (not owned; may be null).
    void SetLoudnessMatcher(CLoudnessMatcher* pMatcher) { m_pLoudness = pMatcher; }
    // Passed on to the channel dialog's "試聴" (not owned).
    void SetAudition(IAudition* pAudition) { m_pAudition = pAudition; }

    const CGroupArray& WorkingCopy() const { return m_aGroup; }
    QComboBox* Combo() const { return m_pCombo; }
    CChannelListCtrl* List() const { return m_listChannel; }

protected:
    QWidget* MakeControl(const platform::ControlTemplate& c, QWidget* parent) override;
    BOOL OnInitDialog() override;
    void OnCommand(UINT id) override;
    void OnOK() override;

private:
    void FillCombo();
    // The group of the combo box's selection in the working copy, or null.
    CGroupData* SelectedGroup();
    // Shows the selected group's channels with the first row selected.
    void ShowSelectedGroup();
    void OnGroupEdit();
    void OnChannelEdit();
    void OnChannelClear();
    // The selected row, or -1 after telling the operator to select one.
    int SelectedChannel();

    CGroupArray* m_pSet;
    CGroupArray m_aGroup; // the working copy
    CChannelListCtrl* m_listChannel = nullptr;
    QComboBox* m_pCombo = nullptr;
    // What the list shows while the group list may move the working copy's groups in memory.
    CGroupData m_shownGroup;
    bool m_bFilling = false;
    CSettingsFile m_Settings;
    CLoudnessMatcher* m_pLoudness = nullptr;
    IAudition* m_pAudition = nullptr;
};
