#pragma once

#include "padkit/PadkitExport.h"
#include "padkit/controls/BaseListCtrlHeader.h"
#include "padkit/controls/BaseListCtrlRows.h"
#include "platform/WinTypes.h"

#include <QAbstractScrollArea>
#include <QSize>
#include <QStaticText>
#include <QString>

#include <cstdint>
#include <deque>
#include <memory>
#include <vector>

class QFontMetrics;
class QImage;
class QObject;

// Notification records of the list, laid out as the derived lists and their owners read them.
struct NMHDR {
    QObject* hwndFrom;
    std::uintptr_t idFrom;
    UINT code;
};

struct LVITEM {
    UINT mask;
    int iItem;
    int iSubItem;
    UINT state;
    UINT stateMask;
    char* pszText;  // UTF-8, filled by the text handler
    int cchTextMax; // bytes available in pszText, terminator included
    int iImage;
    LPARAM lParam; // the row's DBID
};

struct NMLVDISPINFO {
    NMHDR hdr;
    LVITEM item;
};

struct NMLISTVIEW {
    NMHDR hdr;
    int iItem;
    int iSubItem;
    UINT uNewState;
    UINT uOldState;
    UINT uChanged;
    LPARAM lParam;
};

inline constexpr UINT LVIF_TEXT = 0x0001;
inline constexpr UINT LVIF_PARAM = 0x0004;
inline constexpr UINT LVIF_STATE = 0x0008;
inline constexpr UINT LVIS_FOCUSED = 0x0001;
inline constexpr UINT LVIS_SELECTED = 0x0002;
inline constexpr UINT LVN_ITEMCHANGED = static_cast<UINT>(-101);
inline constexpr UINT LVN_GETDISPINFO = static_cast<UINT>(-150);
inline constexpr int LVCFMT_LEFT = 0;
inline constexpr int LVCFMT_RIGHT = 1;
inline constexpr int LVCFMT_CENTER = 2;
inline constexpr int HDF_IMAGE = 0x0800;
inline constexpr int HDF_BITMAP_ON_RIGHT = 0x1000;
inline constexpr DWORD LVS_SINGLESEL = 0x0004;
inline constexpr DWORD LVS_SHOWSELALWAYS = 0x0008;
inline constexpr DWORD LVS_EX_GRIDLINES = 0x0001;
inline constexpr DWORD LVS_EX_FULLROWSELECT = 0x0020;
inline constexpr DWORD LVS_EX_INFOTIP = 0x0400;
inline constexpr int SB_HORZ = 0;
inline constexpr int SB_VERT = 1;

namespace padkit {

class ListHeaderModel;
class ListHeaderView;

inline constexpr COLORREF kListSortArrowColor = RGB(172, 168, 153);
inline constexpr int kListSortArrowSize = 16;
inline constexpr int kListTextBufferBytes = 1024; // room a text handler gets per cell
inline constexpr int kListMultiSelectNone = 0;
inline constexpr int kListMultiSelectCtrl = 1;
inline constexpr int kListMultiSelectShift = 2;

} // namespace padkit

// A report list of virtual rows: each row carries only the DBID of a record, and every cell text is
// asked from OnGetDispInfo when the cell is painted. On top: rebuilding and refreshing the rows from a
// count while keeping the selection, an optional multi-key row order with header arrows, selection and
// caret helpers by row and by DBID, a row height, stored header-cell descriptors, Ctrl+A and a mode in
// which clicks act as if Ctrl or Shift were held.
//
// A derived list sets m_nColumnCount in its constructor, overrides InitColumn to insert its columns and
// OnGetDispInfo to produce the texts (calling the base first lets the first scroll position apply).
// Everything runs on the UI thread.
class PADKIT_API CBaseListCtrl : public QAbstractScrollArea {
    Q_OBJECT
public:
    explicit CBaseListCtrl(QWidget* parent = nullptr);
    ~CBaseListCtrl() override;

    // The list's own operations; derived lists add theirs after these.
    virtual void SetData();
    virtual void InitColumn();
    virtual void ResetColumn();
    virtual BOOL SetItemHeight(int height);
    virtual void SetFirstScrollPos(int bar, int pos);
    virtual void ReadColumnStatus();
    virtual void WriteColumnStatus();
    virtual void SetList(int count, BOOL keepSelection);
    virtual void RedrawList(int count, BOOL keepSelection);
    virtual void ListDataSort(int n, int* order);
    virtual short SortCheck(short key, int dbid1, int dbid2);
    virtual int GetSelectedItemDBID(int ignored, int* dbids, BOOL sortAscending);
    virtual void SetCurSelDBID(int dbid, BOOL clearOthers, BOOL ensureVisible);
    virtual int GetCurSel();
    virtual int SetCurSel(int row, BOOL clearOthers, BOOL ensureVisible);
    virtual BOOL GetSel(int row);
    virtual void SetSel(int row, BOOL select);
    virtual int GetCaretIndex();
    virtual int SetCaretIndex(int row);
    virtual void SetSortMark(int column);
    virtual void SetAllSel();
    virtual CBaseListCtrlHeader* GetHeader(int firstKey, int secondKey);
    virtual void SetHeaderText(int firstKey, int secondKey, const char* text, int firstExtent,
                               int secondExtent);
    virtual void SetHeaderColor(int firstKey, int secondKey, COLORREF textColor, COLORREF backColor,
                                int firstExtent, int secondExtent);
    virtual void SetMultiSelectMode(int mode);
    virtual BOOL OnLvnItemChanged(NMHDR* pNMHDR, LRESULT* pResult);
    virtual void OnGetDispInfo(NMHDR* pNMHDR, LRESULT* pResult);

    // Columns. width in pixels; a heading is UTF-8; subItem is what OnGetDispInfo is asked for in
    // the column (-1: the column's index).
    int InsertColumn(int column, const char* heading, int format = LVCFMT_LEFT, int width = 100,
                     int subItem = -1);
    BOOL DeleteColumn(int column);
    int GetHeaderItemCount() const;
    int GetColumnWidth(int column) const;
    BOOL SetColumnWidth(int column, int width);
    QString GetColumnHeading(int column) const;
    int GetHeaderFormat(int column) const; // LVCFMT_ alignment with the HDF_ image flags
    int GetHeaderImage(int column) const;
    QWidget* GetHeaderCtrl() const;

    // Rows. A row's item data is its DBID.
    int GetItemCount() const { return static_cast<int>(m_aRow.size()); }
    int InsertItem(int row, LPARAM data);
    BOOL DeleteAllItems();
    LPARAM GetItemData(int row) const;
    BOOL SetItemData(int row, LPARAM data);
    UINT GetItemState(int row, UINT mask) const;
    BOOL SetItemState(int row, UINT state, UINT mask); // row -1: every row
    int GetSelectedCount() const;
    int GetSelectionMark() const { return m_nSelectionMark; }
    int SetSelectionMark(int row);
    BOOL EnsureVisible(int row, BOOL partialOK);
    int GetTopIndex() const;
    int GetCountPerPage() const;
    QString GetItemText(int row, int subItem); // asks OnGetDispInfo
    int HitTest(const QPoint& viewportPos) const;
    QRect GetItemRect(int row) const; // in viewport coordinates
    int GetRowHeight() const;

    // Painting.
    BOOL RedrawItems(int first, int last);
    void SetRedraw(BOOL redraw);
    BOOL GetRedraw() const { return m_bRedraw; }
    void Invalidate();
    void SetListStyle(DWORD style) {
        m_dwStyle = style;
        Invalidate();
    }
    DWORD GetListStyle() const { return m_dwStyle; }
    DWORD SetExtendedStyle(DWORD exStyle);
    DWORD GetExtendedStyle() const { return m_dwExStyle; }
    void SetBkColor(COLORREF color);
    void SetTextBkColor(COLORREF color);
    void SetTextColor(COLORREF color);

    // Another small image list; rows become at least its images' height, and the row height setter
    // then refuses to replace it.
    void SetSmallImageList(QSize imageSize);

    void SetDlgCtrlID(int id) { m_nCtrlId = id; }
    int GetDlgCtrlID() const { return m_nCtrlId; }
    int GetMultiSelectMode() const { return m_nMultiSelectMode; }

signals:
    // A row's selected or focused state changed and the list's own handler let the owner see it.
    void ItemChanged(const NMLISTVIEW& info);
    void Clicked(int row, int column);
    void DoubleClicked(int row, int column);
    void RightClicked(int row, int column);
    void ColumnClicked(int column);

protected:
    void paintEvent(QPaintEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
    void scrollContentsBy(int dx, int dy) override;
    bool viewportEvent(QEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void mouseDoubleClickEvent(QMouseEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    void focusInEvent(QFocusEvent* event) override;
    void focusOutEvent(QFocusEvent* event) override;
    void changeEvent(QEvent* event) override;

    int m_nColumnCount = 0;
    int m_nSortKeyCount = 0;
    int m_nSortMarkColumn = -1;
    int* m_pnSortDirection = nullptr; // only [0] is read: 1 ascending, 2 descending
    short* m_pnSortKey = nullptr;
    int m_nFixedRowCount = 0;
    std::deque<CBaseListCtrlHeader> m_aHeader; // deque: GetHeader pointers survive later appends
    int m_nCaretIndex = -1;
    int m_nPrevCaretIndex = -1;
    int m_nMultiSelectMode = padkit::kListMultiSelectNone;
    int m_nFirstScrollH = 0;
    int m_nFirstScrollV = 0; // in rows, as the vertical scroll bar counts
    int m_bFirstScroll = 1;
    std::unique_ptr<QImage> m_pSortImageList;     // the two arrows side by side, black masked out
    std::unique_ptr<QSize> m_pRowHeightImageList; // 1-pixel-wide images: only their height matters

private:
    struct Row {
        LPARAM data;
        UINT state;
    };
    enum class SmallImages { None, Own, Foreign };

    // The DBIDs of the selected rows when the selection is to be kept across a rebuild, else none.
    std::vector<int> SelectedDBIDs(BOOL keepSelection);
    void ChangeState(int row, UINT state, UINT mask);
    void NotifyItemChanged(int row, UINT oldState, UINT newState);
    void ApplySelection(const padkit::ListSelection& target);
    padkit::ListSelection CurrentSelection() const;
    void UpdateGeometries();
    void UpdateScrollBars();
    void UpdateRowHeight();
    void BuildSortImages();
    void ShowTip(const QPoint& pos, const QPoint& globalPos);
    int ColumnAt(int x) const;
    void PaintRow(QPainter& painter, int row, int y, int rowHeight);
    int FocusedRow() const;
    // The modifiers a click or selection key acts with: those pressed plus the one the multi-select
    // mode holds.
    Qt::KeyboardModifiers HeldModifiers(Qt::KeyboardModifiers pressed) const;
    const QStaticText& CellGlyphs(int row, int column, const QString& text, int room, const QFontMetrics& fm);

    std::vector<Row> m_aRow;
    padkit::ListHeaderModel* m_pHeaderModel;
    padkit::ListHeaderView* m_pHeaderView;
    int m_nSelectionMark = -1;
    int m_nRowHeight = 0;
    int m_nCtrlId = 0;
    BOOL m_bRedraw = TRUE;
    DWORD m_dwStyle = 0;
    DWORD m_dwExStyle = 0;
    COLORREF m_crBk;
    COLORREF m_crTextBk;
    COLORREF m_crText;
    bool m_bBkSet = false;
    bool m_bTextBkSet = false;
    bool m_bTextSet = false;
    SmallImages m_eSmallImages = SmallImages::None;
    QSize m_sizeSmallImages;
    int m_nPressRow = -1;
    struct CellGlyphCache {
        QString text;
        int room = -1;
        QStaticText glyphs;
    };
    std::vector<CellGlyphCache> m_aCellGlyphs; // row-major, one per cell on screen
    CellGlyphCache m_spareGlyphs;
};
