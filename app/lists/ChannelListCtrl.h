#pragma once

#include "padkit/controls/BaseListCtrl.h"

class CGroupData;

// The group dialog's list of one group's ten channels: pad number, title, file and the two fade times.
// The rows are the channel indices 0..9. Everything runs on the UI thread.
class CChannelListCtrl : public CBaseListCtrl {
    Q_OBJECT
public:
    static constexpr int kColumnCount = 6;

    explicit CChannelListCtrl(QWidget* parent = nullptr);

    void InitColumn() override;
    void OnGetDispInfo(NMHDR* pNMHDR, LRESULT* pResult) override;

    // The group whose channels are shown (not owned; must outlive every paint). Nothing is repainted.
    virtual void SetGroupData(CGroupData* pGroup);
    // Rebuilds the ten rows.
    virtual void ShowChannels(BOOL keepSelection);
    // Re-reads the ten rows without rebuilding them.
    virtual void RefreshChannels(BOOL keepSelection);

protected:
    CGroupData* m_pGroup = nullptr;
};
