#include "padkit/controls/BaseListCtrlRows.h"

#include "padkit/controls/BaseListCtrl.h"
#include "padkit/controls/BaseListCtrlHeaderView.h"

#include <QScrollBar>

#include <algorithm>
#include <utility>

namespace padkit {

void ListRowOrder(int n, int fixedRows, const short* keys, int keyCount, int direction,
                  const ListSortCheck& check, int* order) {
    int next = 0;
    for (int i = 0; i < n; ++i)
        order[i] = i < fixedRows ? -1 : next++;
    if (!keys || keyCount <= 0)
        return;
    for (int i = 0; i < n; ++i) {
        for (int j = i + 1; j < n; ++j) {
            for (int k = 0; k < keyCount; ++k) {
                const int a = order[i];
                const int b = order[j];
                if (a < 0 || b < 0) {
                    // A fixed row against anything: plain order of the values, whatever the direction.
                    if (a > b)
                        std::swap(order[i], order[j]);
                    if (a != b)
                        break;
                    continue;
                }
                const short c = check ? check(keys[k], a, b) : 0;
                if (c == 0)
                    continue;
                if ((c > 0 && direction == kListSortAscending) || (c < 0 && direction == kListSortDescending))
                    std::swap(order[i], order[j]);
                break;
            }
        }
    }
}

namespace {

int RowCount(const ListSelection& s) {
    return static_cast<int>(s.selected.size());
}

void SelectRange(ListSelection& s, int from, int to) {
    const int lo = std::max(0, std::min(from, to));
    const int hi = std::min(RowCount(s) - 1, std::max(from, to));
    for (int r = lo; r <= hi; ++r)
        s.selected[r] = true;
}

void SelectOnly(ListSelection& s, int row) {
    std::fill(s.selected.begin(), s.selected.end(), false);
    if (row >= 0 && row < RowCount(s))
        s.selected[row] = true;
}

} // namespace

ListSelection ListClick(const ListSelection& current, int row, bool ctrl, bool shift, bool singleSelection) {
    ListSelection s = current;
    if (row < 0 || row >= RowCount(s)) {
        // A click below the rows clears the selection unless it is meant to add to it.
        if (!ctrl && !shift)
            std::fill(s.selected.begin(), s.selected.end(), false);
        return s;
    }
    s.focus = row;
    if (singleSelection) {
        const bool wasSelected = s.selected[row];
        SelectOnly(s, row);
        if (ctrl && wasSelected)
            s.selected[row] = false;
        s.mark = row;
        return s;
    }
    if (shift) {
        const int anchor = s.mark >= 0 && s.mark < RowCount(s) ? s.mark : row;
        if (!ctrl)
            std::fill(s.selected.begin(), s.selected.end(), false);
        SelectRange(s, anchor, row);
        s.mark = anchor;
        return s;
    }
    if (ctrl)
        s.selected[row] = !s.selected[row];
    else
        SelectOnly(s, row);
    s.mark = row;
    return s;
}

ListSelection ListMoveFocus(const ListSelection& current, int row, bool ctrl, bool shift,
                            bool singleSelection) {
    ListSelection s = current;
    if (row < 0 || row >= RowCount(s))
        return s;
    const int from = s.focus;
    s.focus = row;
    if (ctrl && !shift)
        return s;
    if (shift && !singleSelection) {
        int anchor = s.mark;
        if (anchor < 0 || anchor >= RowCount(s))
            anchor = from >= 0 ? from : row;
        std::fill(s.selected.begin(), s.selected.end(), false);
        SelectRange(s, anchor, row);
        s.mark = anchor;
        return s;
    }
    SelectOnly(s, row);
    s.mark = row;
    return s;
}

int ListMoveTarget(ListKeyMove move, int focus, int count, int pageRows) {
    if (count <= 0)
        return -1;
    if (focus < 0 || focus >= count)
        return move == ListKeyMove::End ? count - 1 : 0;
    const int page = std::max(1, pageRows - 1);
    int target = focus;
    switch (move) {
    case ListKeyMove::Up:
        target = focus - 1;
        break;
    case ListKeyMove::Down:
        target = focus + 1;
        break;
    case ListKeyMove::PageUp:
        target = focus - page;
        break;
    case ListKeyMove::PageDown:
        target = focus + page;
        break;
    case ListKeyMove::Home:
        target = 0;
        break;
    case ListKeyMove::End:
        target = count - 1;
        break;
    }
    return std::clamp(target, 0, count - 1);
}

} // namespace padkit

std::vector<int> CBaseListCtrl::SelectedDBIDs(BOOL keepSelection) {
    std::vector<int> dbids;
    if (keepSelection) {
        dbids.resize(static_cast<size_t>(GetSelectedCount()));
        GetSelectedItemDBID(0, dbids.data(), FALSE);
    }
    return dbids;
}

void CBaseListCtrl::SetList(int count, BOOL keepSelection) {
    SetRedraw(FALSE);
    const int n = std::max(0, count) + std::max(0, m_nFixedRowCount);
    std::vector<int> order(static_cast<size_t>(n));
    const std::vector<int> saved = SelectedDBIDs(keepSelection);
    ListDataSort(n, order.data());
    DeleteAllItems();
    m_nCaretIndex = -1;
    m_nPrevCaretIndex = -1;
    for (int i = 0; i < n; ++i) {
        const int row = InsertItem(i, order[i]);
        if (keepSelection && std::find(saved.begin(), saved.end(), order[i]) != saved.end())
            SetCurSel(row, FALSE, FALSE);
    }
    SetRedraw(TRUE);
    Invalidate();
    SetSortMark(m_nSortMarkColumn);
}

void CBaseListCtrl::RedrawList(int count, BOOL keepSelection) {
    SetRedraw(FALSE);
    const int n = std::max(0, count) + std::max(0, m_nFixedRowCount);
    std::vector<int> order(static_cast<size_t>(n));
    const std::vector<int> saved = SelectedDBIDs(keepSelection);
    for (int row = 0; row < GetItemCount(); ++row) {
        if (m_aRow[row].state & LVIS_SELECTED)
            ChangeState(row, 0, LVIS_SELECTED);
    }
    ListDataSort(n, order.data());
    for (int i = 0; i < n && i < GetItemCount(); ++i) {
        m_aRow[i].data = order[i];
        if (keepSelection && std::find(saved.begin(), saved.end(), order[i]) != saved.end())
            SetCurSel(i, FALSE, FALSE);
    }
    SetRedraw(TRUE);
    Invalidate();
}

void CBaseListCtrl::ListDataSort(int n, int* order) {
    const int direction = m_pnSortDirection ? *m_pnSortDirection : 0;
    const int keyCount = m_pnSortKey ? m_nSortKeyCount : 0;
    padkit::ListRowOrder(
        n, m_nFixedRowCount, m_pnSortKey, keyCount, direction,
        [this](short key, int a, int b) { return SortCheck(key, a, b); }, order);
}

short CBaseListCtrl::SortCheck(short, int, int) {
    return 0;
}

int CBaseListCtrl::InsertItem(int row, LPARAM data) {
    row = std::clamp(row, 0, GetItemCount());
    m_aRow.insert(m_aRow.begin() + row, Row{data, 0});
    if (m_nSelectionMark >= row)
        ++m_nSelectionMark;
    UpdateScrollBars();
    Invalidate();
    return row;
}

BOOL CBaseListCtrl::DeleteAllItems() {
    m_aRow.clear();
    m_nSelectionMark = -1;
    UpdateScrollBars();
    Invalidate();
    return TRUE;
}

LPARAM CBaseListCtrl::GetItemData(int row) const {
    if (row < 0 || row >= GetItemCount())
        return 0;
    return m_aRow[row].data;
}

BOOL CBaseListCtrl::SetItemData(int row, LPARAM data) {
    if (row < 0 || row >= GetItemCount())
        return FALSE;
    m_aRow[row].data = data;
    RedrawItems(row, row);
    return TRUE;
}

BOOL CBaseListCtrl::EnsureVisible(int row, BOOL partialOK) {
    if (row < 0 || row >= GetItemCount())
        return FALSE;
    const int top = GetTopIndex();
    const int page = GetCountPerPage();
    if (row < top) {
        verticalScrollBar()->setValue(row);
    } else if (row >= top + page) {
        const bool partlyShown = row == top + page && partialOK;
        if (!partlyShown)
            verticalScrollBar()->setValue(row - page + 1);
    }
    return TRUE;
}

int CBaseListCtrl::GetTopIndex() const {
    return verticalScrollBar()->value();
}

int CBaseListCtrl::GetCountPerPage() const {
    return std::max(1, viewport()->height() / GetRowHeight());
}

QRect CBaseListCtrl::GetItemRect(int row) const {
    const int h = GetRowHeight();
    return QRect(-horizontalScrollBar()->value(), (row - GetTopIndex()) * h, m_pHeaderView->length(), h);
}

int CBaseListCtrl::GetRowHeight() const {
    return std::max(1, m_nRowHeight);
}
