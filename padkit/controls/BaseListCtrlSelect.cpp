#include "padkit/controls/BaseListCtrl.h"

#include <algorithm>

int CBaseListCtrl::GetSelectedItemDBID(int, int* dbids, BOOL sortAscending) {
    const int count = GetSelectedCount();
    if (count == 0 || !dbids)
        return count;
    int k = 0;
    for (const Row& row : m_aRow) {
        if (row.state & LVIS_SELECTED)
            dbids[k++] = static_cast<int>(row.data);
    }
    if (sortAscending)
        std::sort(dbids, dbids + count);
    return count;
}

void CBaseListCtrl::SetCurSelDBID(int dbid, BOOL clearOthers, BOOL ensureVisible) {
    if (clearOthers)
        SetItemState(-1, 0, LVIS_SELECTED);
    if (m_aRow.empty())
        return;
    int target = GetItemCount() - 1;
    for (int row = 0; row < GetItemCount(); ++row) {
        if (static_cast<int>(m_aRow[row].data) == dbid) {
            target = row;
            break;
        }
    }
    ChangeState(target, LVIS_SELECTED, LVIS_SELECTED);
    SetSelectionMark(target);
    if (ensureVisible)
        EnsureVisible(target, FALSE);
}

int CBaseListCtrl::GetCurSel() {
    for (int row = 0; row < GetItemCount(); ++row) {
        if (m_aRow[row].state & LVIS_SELECTED)
            return row;
    }
    return -1;
}

int CBaseListCtrl::SetCurSel(int row, BOOL clearOthers, BOOL ensureVisible) {
    if (m_aRow.empty())
        return -1;
    if (clearOthers)
        SetItemState(-1, 0, LVIS_SELECTED);
    // A negative row would address every row at once; it selects nothing.
    if (row < 0)
        return -1;
    row = std::min(row, GetItemCount() - 1);
    ChangeState(row, LVIS_SELECTED, LVIS_SELECTED);
    SetSelectionMark(row);
    if (ensureVisible)
        EnsureVisible(row, FALSE);
    return row;
}

BOOL CBaseListCtrl::GetSel(int row) {
    return (GetItemState(row, LVIS_SELECTED) & LVIS_SELECTED) ? TRUE : FALSE;
}

void CBaseListCtrl::SetSel(int row, BOOL select) {
    if (row == -1) {
        SetItemState(-1, select ? LVIS_SELECTED : 0, LVIS_SELECTED);
        return;
    }
    if (row < 0 || row >= GetItemCount())
        return;
    if ((GetSel(row) != FALSE) != (select != FALSE))
        SetItemState(row, select ? LVIS_SELECTED : 0, LVIS_SELECTED);
}

int CBaseListCtrl::GetCaretIndex() {
    if (m_aRow.empty())
        return -1;
    const int focused = FocusedRow();
    return focused >= 0 ? focused : m_nCaretIndex;
}

int CBaseListCtrl::SetCaretIndex(int row) {
    if (row < 0 || row >= GetItemCount())
        return -1;
    SetItemState(row, LVIS_FOCUSED, LVIS_FOCUSED);
    m_nCaretIndex = row;
    return row;
}

void CBaseListCtrl::SetAllSel() {
    if (m_aRow.empty())
        return;
    SetItemState(-1, LVIS_SELECTED, LVIS_SELECTED);
    SetSelectionMark(0);
}

UINT CBaseListCtrl::GetItemState(int row, UINT mask) const {
    if (row < 0 || row >= GetItemCount())
        return 0;
    return m_aRow[row].state & mask;
}

BOOL CBaseListCtrl::SetItemState(int row, UINT state, UINT mask) {
    if (row == -1) {
        // A single-selection list cannot have every row selected.
        if ((mask & LVIS_SELECTED) && (state & LVIS_SELECTED) && (m_dwStyle & LVS_SINGLESEL))
            mask &= ~LVIS_SELECTED;
        // Only one row can hold the focus.
        if ((mask & LVIS_FOCUSED) && (state & LVIS_FOCUSED))
            mask &= ~LVIS_FOCUSED;
        for (int r = 0; r < GetItemCount(); ++r)
            ChangeState(r, state, mask);
        return TRUE;
    }
    if (row < 0 || row >= GetItemCount())
        return FALSE;
    ChangeState(row, state, mask);
    return TRUE;
}

int CBaseListCtrl::GetSelectedCount() const {
    return static_cast<int>(std::count_if(m_aRow.begin(), m_aRow.end(),
                                          [](const Row& r) { return (r.state & LVIS_SELECTED) != 0; }));
}

int CBaseListCtrl::SetSelectionMark(int row) {
    const int old = m_nSelectionMark;
    m_nSelectionMark = row;
    return old;
}

BOOL CBaseListCtrl::OnLvnItemChanged(NMHDR* pNMHDR, LRESULT* pResult) {
    const auto* info = reinterpret_cast<const NMLISTVIEW*>(pNMHDR);
    if (info->iItem == m_nCaretIndex && !(info->uNewState & LVIS_FOCUSED)) {
        m_nPrevCaretIndex = info->iItem;
        m_nCaretIndex = -1;
        RedrawItems(info->iItem, info->iItem);
    } else if (info->uNewState & LVIS_FOCUSED) {
        m_nCaretIndex = info->iItem;
    }
    *pResult = 0;
    return FALSE;
}

void CBaseListCtrl::ChangeState(int row, UINT state, UINT mask) {
    if (row < 0 || row >= GetItemCount())
        return;
    if ((mask & LVIS_FOCUSED) && (state & LVIS_FOCUSED)) {
        const int focused = FocusedRow();
        if (focused >= 0 && focused != row)
            ChangeState(focused, 0, LVIS_FOCUSED);
    }
    if ((mask & LVIS_SELECTED) && (state & LVIS_SELECTED) && (m_dwStyle & LVS_SINGLESEL)) {
        for (int r = 0; r < GetItemCount(); ++r) {
            if (r != row && (m_aRow[r].state & LVIS_SELECTED))
                ChangeState(r, 0, LVIS_SELECTED);
        }
    }
    if (row >= GetItemCount())
        return;
    const UINT oldState = m_aRow[row].state;
    const UINT newState = (oldState & ~mask) | (state & mask);
    if (newState == oldState)
        return;
    m_aRow[row].state = newState;
    RedrawItems(row, row);
    NotifyItemChanged(row, oldState, newState);
}

void CBaseListCtrl::NotifyItemChanged(int row, UINT oldState, UINT newState) {
    NMLISTVIEW info{};
    info.hdr.hwndFrom = this;
    info.hdr.idFrom = static_cast<std::uintptr_t>(m_nCtrlId);
    info.hdr.code = LVN_ITEMCHANGED;
    info.iItem = row;
    info.iSubItem = 0;
    info.uNewState = newState;
    info.uOldState = oldState;
    info.uChanged = LVIF_STATE;
    info.lParam = m_aRow[row].data;
    LRESULT result = 0;
    if (!OnLvnItemChanged(&info.hdr, &result))
        emit ItemChanged(info);
}

int CBaseListCtrl::FocusedRow() const {
    for (int row = 0; row < GetItemCount(); ++row) {
        if (m_aRow[row].state & LVIS_FOCUSED)
            return row;
    }
    return -1;
}

padkit::ListSelection CBaseListCtrl::CurrentSelection() const {
    padkit::ListSelection s;
    s.selected.resize(m_aRow.size());
    for (size_t i = 0; i < m_aRow.size(); ++i)
        s.selected[i] = (m_aRow[i].state & LVIS_SELECTED) != 0;
    s.focus = FocusedRow();
    s.mark = m_nSelectionMark;
    return s;
}

void CBaseListCtrl::ApplySelection(const padkit::ListSelection& target) {
    // Deselections first, then the focus, then the new selections: the owner never sees more rows
    // selected than the click leaves.
    for (int row = 0; row < GetItemCount() && row < static_cast<int>(target.selected.size()); ++row) {
        if (!target.selected[row])
            ChangeState(row, 0, LVIS_SELECTED);
    }
    if (target.focus >= 0)
        ChangeState(target.focus, LVIS_FOCUSED, LVIS_FOCUSED);
    for (int row = 0; row < GetItemCount() && row < static_cast<int>(target.selected.size()); ++row) {
        if (target.selected[row])
            ChangeState(row, LVIS_SELECTED, LVIS_SELECTED);
    }
    m_nSelectionMark = target.mark;
}
