#pragma once

#include "padkit/controls/BaseListCtrl.h"

class CGroupData;

// Custom-draw notification of a list row or cell.
struct NMCUSTOMDRAW {
    NMHDR hdr;
    DWORD dwDrawStage;
    std::uintptr_t dwItemSpec; // row
    UINT uItemState;
    LPARAM lItemlParam; // the row's DBID
};

struct NMLVCUSTOMDRAW {
    NMCUSTOMDRAW nmcd;
    COLORREF clrText;
    COLORREF clrTextBk;
    int iSubItem;
};

inline constexpr DWORD CDDS_PREPAINT = 0x00000001;
inline constexpr DWORD CDDS_ITEM = 0x00010000;
inline constexpr DWORD CDDS_ITEMPREPAINT = CDDS_ITEM | CDDS_PREPAINT;
inline constexpr DWORD CDDS_SUBITEM = 0x00020000;
inline constexpr LRESULT CDRF_DODEFAULT = 0x00;
inline constexpr LRESULT CDRF_NOTIFYITEMDRAW = 0x20;
inline constexpr LRESULT CDRF_NOTIFYSUBITEMDRAW = 0x20;

// The main window's list of the current group's ten channels while they play: pad number, title,
// elapsed/total time, volume, pan, speed, the two fade times and, for channels played at the target
// loudness, their sound's measured loudness. The rows are the channel indices 0..9;
// the list paints them with its own colours. Everything runs on the UI thread.
class CMonitorListCtrl : public CBaseListCtrl {
    Q_OBJECT
public:
    static constexpr int kColumnCount = 10;
    // Without a matched channel in the group the last (loudness) column is left out.
    static constexpr int kFixedColumnCount = 9;

    explicit CMonitorListCtrl(QWidget* parent = nullptr);

    void InitColumn() override;
    void OnGetDispInfo(NMHDR* pNMHDR, LRESULT* pResult) override;

    // The group whose channels are shown (not owned; must outlive every paint). Nothing is repainted.
    virtual void SetGroupData(CGroupData* pGroup);
    // Rebuilds the ten rows.
    virtual void ShowChannels(BOOL keepSelection);
    // Re-reads the ten rows without rebuilding them.
    virtual void RefreshChannels(BOOL keepSelection);
    // Asks for a notice per row and per cell and leaves the drawing itself to the list.
    virtual void OnNMCustomdraw(NMHDR* pNMHDR, LRESULT* pResult);

protected:
    void ShowLoudnessColumn();

    CGroupData* m_pGroup = nullptr;
};
