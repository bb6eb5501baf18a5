#include "padkit/controls/BaseListCtrl.h"

#include "padkit/controls/SysColor.h"

#include <QAbstractTableModel>
#include <QApplication>
#include <QHeaderView>
#include <QHelpEvent>
#include <QImage>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QPainter>
#include <QScrollBar>
#include <QStaticText>
#include <QStyle>
#include <QStyleOptionFocusRect>
#include <QStyleOptionHeader>
#include <QToolTip>

#include <algorithm>
#include <cstring>

namespace padkit {

namespace {

constexpr int kHeaderTextMargin = 6; // between a header cell's edge and its text
constexpr int kHeaderArrowGap = 6;   // between a header text and its sort arrow
constexpr int kFirstCellMargin = 2;  // text inset of the first column
constexpr int kCellMargin = 6;       // text inset of the other columns
constexpr int kFormatAlignMask = 0x0003;
constexpr int kFormatImageMask = HDF_IMAGE | HDF_BITMAP_ON_RIGHT;

Qt::Alignment FormatAlignment(int format) {
    switch (format & kFormatAlignMask) {
    case LVCFMT_RIGHT:
        return Qt::AlignRight;
    case LVCFMT_CENTER:
        return Qt::AlignHCenter;
    default:
        return Qt::AlignLeft;
    }
}

// The two sort arrows side by side in a 32 x 16 strip: ascending (apex up) left, descending right.
void DrawSortArrows(QPainter& p) {
    const QColor color = ToQColor(kListSortArrowColor);
    p.setRenderHint(QPainter::Antialiasing, false);
    p.setPen(QPen(color, 1));
    p.setBrush(color);
    const QPoint up[] = {{0, 15}, {8, 0}, {15, 15}};
    const QPoint down[] = {{16, 0}, {24, 16}, {31, 0}};
    p.drawPolygon(up, 3);
    p.drawPolygon(down, 3);
    // The raster engine leaves out some closing vertices; the arrows span their full 16 pixels.
    p.drawPoints(up, 3);
    p.drawPoints(down, 3);
}

// Text written by a handler into a byte buffer, without a sequence cut off at the end.
QString BufferText(const char* buffer, int size) {
    int length = static_cast<int>(strnlen(buffer, static_cast<size_t>(size)));
    int start = length;
    while (start > 0 && (static_cast<unsigned char>(buffer[start - 1]) & 0xC0) == 0x80)
        --start;
    if (start > 0) {
        const auto lead = static_cast<unsigned char>(buffer[start - 1]);
        const int need = lead >= 0xF0 ? 4 : lead >= 0xE0 ? 3 : lead >= 0xC0 ? 2 : 1;
        if (length - (start - 1) < need)
            length = start - 1;
    }
    return QString::fromUtf8(buffer, length);
}

} // namespace

// The column headings of the list.
class ListHeaderModel : public QAbstractTableModel {
public:
    struct Column {
        QString text;
        int format = LVCFMT_LEFT;
        int image = 0;
        int subItem = 0; // what the text handler is asked for in this column
    };

    using QAbstractTableModel::QAbstractTableModel;

    int rowCount(const QModelIndex& = {}) const override { return 0; }
    int columnCount(const QModelIndex& parent = {}) const override {
        return parent.isValid() ? 0 : static_cast<int>(m_columns.size());
    }
    QVariant data(const QModelIndex&, int) const override { return {}; }
    QVariant headerData(int section, Qt::Orientation orientation, int role) const override {
        if (orientation != Qt::Horizontal || section < 0 || section >= columnCount())
            return {};
        if (role == Qt::DisplayRole)
            return m_columns[section].text;
        if (role == Qt::TextAlignmentRole)
            return QVariant::fromValue(FormatAlignment(m_columns[section].format) | Qt::AlignVCenter);
        return {};
    }

    void Insert(int column, Column value) {
        beginInsertColumns({}, column, column);
        m_columns.insert(m_columns.begin() + column, std::move(value));
        endInsertColumns();
    }
    void Remove(int column) {
        beginRemoveColumns({}, column, column);
        m_columns.erase(m_columns.begin() + column);
        endRemoveColumns();
    }
    const Column& At(int column) const { return m_columns[column]; }
    Column& At(int column) { return m_columns[column]; }

private:
    std::vector<Column> m_columns;
};

// The header of the list: the style's cells with the text and, where a column carries the image flags,
// a sort arrow right of the text.
class ListHeaderView : public QHeaderView {
public:
    ListHeaderView(ListHeaderModel* model, QWidget* parent)
        : QHeaderView(Qt::Horizontal, parent), m_pModel(model) {}

    void SetArrows(const QImage* arrows) { m_pArrows = arrows; }

protected:
    void paintSection(QPainter* painter, const QRect& rect, int logicalIndex) const override {
        if (!rect.isValid())
            return;
        QStyleOptionHeader opt;
        initStyleOptionForIndex(&opt, logicalIndex);
        opt.rect = rect;
        opt.text.clear();
        opt.sortIndicator = QStyleOptionHeader::None;
        painter->save();
        style()->drawControl(QStyle::CE_HeaderSection, &opt, painter, this);

        const ListHeaderModel::Column& column = m_pModel->At(logicalIndex);
        const bool arrow = m_pArrows && (column.format & HDF_IMAGE) != 0;
        const QRect inner = rect.adjusted(kHeaderTextMargin, 0, -kHeaderTextMargin, 0);
        const int arrowSpace = arrow ? kHeaderArrowGap + kListSortArrowSize : 0;
        const QFontMetrics fm(font());
        const int textRoom = std::max(0, inner.width() - arrowSpace);
        const QString text = fm.elidedText(column.text, Qt::ElideRight, textRoom);
        const int textWidth = std::min(textRoom, fm.horizontalAdvance(text));
        const int content = textWidth + arrowSpace;
        int x = inner.left();
        const Qt::Alignment align = FormatAlignment(column.format);
        if (align & Qt::AlignRight)
            x = inner.right() + 1 - content;
        else if (align & Qt::AlignHCenter)
            x = inner.left() + (inner.width() - content) / 2;
        x = std::max(x, inner.left());

        painter->setClipRect(rect);
        painter->setFont(font());
        painter->setPen(palette().color(QPalette::ButtonText));
        painter->drawText(QRect(x, rect.top(), textWidth, rect.height()), Qt::AlignLeft | Qt::AlignVCenter,
                          text);
        if (arrow) {
            const int image = column.image == 1 ? 1 : 0;
            const int ax = x + textWidth + (textWidth > 0 ? kHeaderArrowGap : 0);
            const int ay = rect.top() + (rect.height() - kListSortArrowSize) / 2;
            const QRect source(image * kListSortArrowSize, 0, kListSortArrowSize, kListSortArrowSize);
            if (!painter->deviceTransform().isScaling()) {
                painter->drawImage(QPoint(ax, ay), *m_pArrows, source);
            } else {
                // Scaled screens get the same triangle at their own resolution rather than blown-up pixels.
                painter->translate(ax - source.left(), ay);
                painter->setClipRect(source);
                DrawSortArrows(*painter);
            }
        }
        painter->restore();
    }

private:
    ListHeaderModel* m_pModel;
    const QImage* m_pArrows = nullptr;
};

} // namespace padkit

using padkit::ListHeaderModel;
using padkit::ListHeaderView;

CBaseListCtrl::CBaseListCtrl(QWidget* parent)
    : QAbstractScrollArea(parent), m_pHeaderModel(new ListHeaderModel(this)),
      m_pHeaderView(new ListHeaderView(m_pHeaderModel, this)) {
    const QPalette pal = palette();
    m_crBk = padkit::ToColorRef(pal.color(QPalette::Base));
    m_crTextBk = m_crBk;
    m_crText = padkit::ToColorRef(pal.color(QPalette::Text));
    setFocusPolicy(Qt::StrongFocus);
    setAttribute(Qt::WA_InputMethodEnabled, false);
    viewport()->setAutoFillBackground(false);
    viewport()->setMouseTracking(false);

    m_pHeaderView->setModel(m_pHeaderModel);
    m_pHeaderView->setMinimumSectionSize(0);
    m_pHeaderView->setStretchLastSection(false);
    m_pHeaderView->setSectionsClickable(true);
    m_pHeaderView->setHighlightSections(false);
    m_pHeaderView->setSectionResizeMode(QHeaderView::Interactive);
    m_pHeaderView->setFocusPolicy(Qt::NoFocus);
    auto relayout = [this] {
        UpdateScrollBars();
        viewport()->update();
    };
    connect(m_pHeaderView, &QHeaderView::sectionResized, this, relayout);
    connect(m_pHeaderView, &QHeaderView::sectionMoved, this, relayout);
    connect(m_pHeaderView, &QHeaderView::sectionCountChanged, this, relayout);
    connect(m_pHeaderView, &QHeaderView::sectionClicked, this, &CBaseListCtrl::ColumnClicked);

    horizontalScrollBar()->setSingleStep(8);
    verticalScrollBar()->setSingleStep(1);
    UpdateRowHeight();
    UpdateGeometries();
    SetMultiSelectMode(padkit::kListMultiSelectNone);
}

CBaseListCtrl::~CBaseListCtrl() {
    m_pHeaderView->SetArrows(nullptr);
    m_pSortImageList.reset();
    m_pRowHeightImageList.reset();
    m_aHeader.clear();
}

void CBaseListCtrl::SetData() {}

void CBaseListCtrl::InitColumn() {
    ResetColumn();
}

void CBaseListCtrl::ResetColumn() {
    const int count = GetHeaderItemCount();
    for (int i = 0; i < count; ++i)
        DeleteColumn(0);
}

BOOL CBaseListCtrl::SetItemHeight(int height) {
    if (m_eSmallImages == SmallImages::Foreign || height <= 0)
        return FALSE;
    m_pRowHeightImageList = std::make_unique<QSize>(1, height);
    m_eSmallImages = SmallImages::Own;
    m_sizeSmallImages = *m_pRowHeightImageList;
    UpdateRowHeight();
    return TRUE;
}

void CBaseListCtrl::SetFirstScrollPos(int bar, int pos) {
    if (bar == SB_HORZ)
        m_nFirstScrollH = pos;
    else if (bar == SB_VERT)
        m_nFirstScrollV = pos;
}

void CBaseListCtrl::ReadColumnStatus() {}

void CBaseListCtrl::WriteColumnStatus() {}

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

void CBaseListCtrl::SetSortMark(int column) {
    const int columns = std::min(m_nColumnCount, GetHeaderItemCount());
    for (int i = 0; i < columns; ++i) {
        ListHeaderModel::Column& c = m_pHeaderModel->At(i);
        c.format &= ~padkit::kFormatImageMask;
        c.image = 0;
    }
    m_pHeaderView->viewport()->update();
    if (column < 0 || !m_pnSortDirection || *m_pnSortDirection == 0)
        return;
    if (!m_pSortImageList)
        BuildSortImages();
    if (column >= GetHeaderItemCount())
        return;
    ListHeaderModel::Column& c = m_pHeaderModel->At(column);
    c.format |= padkit::kFormatImageMask;
    c.image = *m_pnSortDirection == padkit::kListSortAscending ? 0 : 1;
}

void CBaseListCtrl::SetAllSel() {
    if (m_aRow.empty())
        return;
    SetItemState(-1, LVIS_SELECTED, LVIS_SELECTED);
    SetSelectionMark(0);
}

CBaseListCtrlHeader* CBaseListCtrl::GetHeader(int firstKey, int secondKey) {
    for (CBaseListCtrlHeader& h : m_aHeader) {
        if (h.m_nKey1 == firstKey && h.m_nKey2 == secondKey)
            return &h;
    }
    return nullptr;
}

void CBaseListCtrl::SetHeaderText(int firstKey, int secondKey, const char* text, int firstExtent,
                                  int secondExtent) {
    CBaseListCtrlHeader* found = GetHeader(firstKey, secondKey);
    CBaseListCtrlHeader fresh;
    CBaseListCtrlHeader* h = found ? found : &fresh;
    h->m_nKey1 = firstKey;
    h->m_nKey2 = secondKey;
    h->m_strText = QString::fromUtf8(text ? text : "");
    if (firstExtent > 0)
        h->m_nExtent1 = firstExtent;
    if (secondExtent > 0)
        h->m_nExtent2 = secondExtent;
    if (!found)
        m_aHeader.push_back(fresh);
}

void CBaseListCtrl::SetHeaderColor(int firstKey, int secondKey, COLORREF textColor, COLORREF backColor,
                                   int firstExtent, int secondExtent) {
    CBaseListCtrlHeader* found = GetHeader(firstKey, secondKey);
    CBaseListCtrlHeader fresh;
    CBaseListCtrlHeader* h = found ? found : &fresh;
    h->m_nKey1 = firstKey;
    h->m_nKey2 = secondKey;
    h->m_crText = textColor;
    h->m_crBack = backColor;
    if (firstExtent > 0)
        h->m_nExtent1 = firstExtent;
    if (secondExtent > 0)
        h->m_nExtent2 = secondExtent;
    if (!found)
        m_aHeader.push_back(fresh);
}

void CBaseListCtrl::SetMultiSelectMode(int mode) {
    m_nMultiSelectMode = mode;
}

Qt::KeyboardModifiers CBaseListCtrl::HeldModifiers(Qt::KeyboardModifiers pressed) const {
    if (m_nMultiSelectMode == padkit::kListMultiSelectCtrl)
        pressed |= Qt::ControlModifier;
    else if (m_nMultiSelectMode == padkit::kListMultiSelectShift)
        pressed |= Qt::ShiftModifier;
    return pressed;
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

void CBaseListCtrl::OnGetDispInfo(NMHDR*, LRESULT* pResult) {
    if (m_bFirstScroll) {
        m_bFirstScroll = 0;
        horizontalScrollBar()->setValue(m_nFirstScrollH);
        verticalScrollBar()->setValue(m_nFirstScrollV);
    }
    *pResult = 0;
}

int CBaseListCtrl::InsertColumn(int column, const char* heading, int format, int width, int subItem) {
    column = std::clamp(column, 0, GetHeaderItemCount());
    ListHeaderModel::Column c;
    c.text = QString::fromUtf8(heading ? heading : "");
    c.format = format & padkit::kFormatAlignMask;
    c.subItem = subItem >= 0 ? subItem : column;
    m_pHeaderModel->Insert(column, std::move(c));
    m_pHeaderView->resizeSection(column, std::max(0, width));
    UpdateGeometries();
    return column;
}

BOOL CBaseListCtrl::DeleteColumn(int column) {
    if (column < 0 || column >= GetHeaderItemCount())
        return FALSE;
    m_pHeaderModel->Remove(column);
    viewport()->update();
    return TRUE;
}

int CBaseListCtrl::GetHeaderItemCount() const {
    return m_pHeaderModel->columnCount();
}

int CBaseListCtrl::GetColumnWidth(int column) const {
    if (column < 0 || column >= GetHeaderItemCount())
        return 0;
    return m_pHeaderView->sectionSize(column);
}

BOOL CBaseListCtrl::SetColumnWidth(int column, int width) {
    if (column < 0 || column >= GetHeaderItemCount())
        return FALSE;
    m_pHeaderView->resizeSection(column, std::max(0, width));
    return TRUE;
}

QString CBaseListCtrl::GetColumnHeading(int column) const {
    if (column < 0 || column >= GetHeaderItemCount())
        return {};
    return m_pHeaderModel->At(column).text;
}

int CBaseListCtrl::GetHeaderFormat(int column) const {
    if (column < 0 || column >= GetHeaderItemCount())
        return 0;
    return m_pHeaderModel->At(column).format;
}

int CBaseListCtrl::GetHeaderImage(int column) const {
    if (column < 0 || column >= GetHeaderItemCount())
        return 0;
    return m_pHeaderModel->At(column).image;
}

QWidget* CBaseListCtrl::GetHeaderCtrl() const {
    return m_pHeaderView;
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

QString CBaseListCtrl::GetItemText(int row, int subItem) {
    if (row < 0 || row >= GetItemCount())
        return {};
    char buffer[padkit::kListTextBufferBytes];
    buffer[0] = '\0';
    NMLVDISPINFO info{};
    info.hdr.hwndFrom = this;
    info.hdr.idFrom = static_cast<std::uintptr_t>(m_nCtrlId);
    info.hdr.code = LVN_GETDISPINFO;
    info.item.mask = LVIF_TEXT;
    info.item.iItem = row;
    info.item.iSubItem = subItem;
    info.item.pszText = buffer;
    info.item.cchTextMax = static_cast<int>(sizeof buffer);
    info.item.lParam = m_aRow[row].data;
    LRESULT result = 0;
    OnGetDispInfo(&info.hdr, &result);
    // The handler may point pszText at its own text instead of filling the buffer.
    const char* text = info.item.pszText ? info.item.pszText : buffer;
    const int room = text == buffer ? static_cast<int>(sizeof buffer) : padkit::kListTextBufferBytes;
    return padkit::BufferText(text, room);
}

int CBaseListCtrl::HitTest(const QPoint& viewportPos) const {
    if (viewportPos.y() < 0)
        return -1;
    const int row = GetTopIndex() + viewportPos.y() / GetRowHeight();
    return row < GetItemCount() ? row : -1;
}

QRect CBaseListCtrl::GetItemRect(int row) const {
    const int h = GetRowHeight();
    return QRect(-horizontalScrollBar()->value(), (row - GetTopIndex()) * h, m_pHeaderView->length(), h);
}

int CBaseListCtrl::GetRowHeight() const {
    return std::max(1, m_nRowHeight);
}

BOOL CBaseListCtrl::RedrawItems(int first, int last) {
    if (!m_bRedraw)
        return TRUE;
    first = std::max(first, GetTopIndex());
    last = std::min(last, GetTopIndex() + GetCountPerPage());
    if (first > last)
        return TRUE;
    const int h = GetRowHeight();
    viewport()->update(QRect(0, (first - GetTopIndex()) * h, viewport()->width(), (last - first + 1) * h));
    return TRUE;
}

void CBaseListCtrl::SetRedraw(BOOL redraw) {
    m_bRedraw = redraw ? TRUE : FALSE;
    if (m_bRedraw)
        viewport()->update();
}

void CBaseListCtrl::Invalidate() {
    if (m_bRedraw)
        viewport()->update();
}

DWORD CBaseListCtrl::SetExtendedStyle(DWORD exStyle) {
    const DWORD old = m_dwExStyle;
    m_dwExStyle = exStyle;
    Invalidate();
    return old;
}

void CBaseListCtrl::SetBkColor(COLORREF color) {
    m_crBk = color;
    m_bBkSet = true;
    Invalidate();
}

void CBaseListCtrl::SetTextBkColor(COLORREF color) {
    m_crTextBk = color;
    m_bTextBkSet = true;
    Invalidate();
}

void CBaseListCtrl::SetTextColor(COLORREF color) {
    m_crText = color;
    m_bTextSet = true;
    Invalidate();
}

void CBaseListCtrl::SetSmallImageList(QSize imageSize) {
    m_pRowHeightImageList.reset();
    m_eSmallImages = imageSize.isValid() ? SmallImages::Foreign : SmallImages::None;
    m_sizeSmallImages = imageSize;
    UpdateRowHeight();
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

void CBaseListCtrl::UpdateRowHeight() {
    const QFontMetrics fm(font());
    const int textHeight = fm.height() + 2;
    const int imageHeight = m_eSmallImages == SmallImages::None ? 0 : m_sizeSmallImages.height();
    m_nRowHeight = std::max(textHeight, imageHeight);
    UpdateScrollBars();
    viewport()->update();
}

void CBaseListCtrl::UpdateGeometries() {
    const int headerHeight = m_pHeaderView->sizeHint().height();
    setViewportMargins(0, headerHeight, 0, 0);
    const QRect vg = viewport()->geometry();
    m_pHeaderView->setGeometry(vg.left(), vg.top() - headerHeight, vg.width(), headerHeight);
    UpdateScrollBars();
}

void CBaseListCtrl::UpdateScrollBars() {
    // Vertically the bars count rows, horizontally pixels.
    const int fullRows = std::max(1, viewport()->height() / GetRowHeight());
    verticalScrollBar()->setPageStep(fullRows);
    verticalScrollBar()->setRange(0, std::max(0, GetItemCount() - fullRows));
    const int contentWidth = m_pHeaderView->length();
    horizontalScrollBar()->setPageStep(std::max(1, viewport()->width()));
    horizontalScrollBar()->setRange(0, std::max(0, contentWidth - viewport()->width()));
    m_pHeaderView->setOffset(horizontalScrollBar()->value());
}

void CBaseListCtrl::BuildSortImages() {
    // Drawn aliased on black, then black is made transparent: the arrows keep their exact pixels.
    QImage strip(2 * padkit::kListSortArrowSize, padkit::kListSortArrowSize, QImage::Format_RGB32);
    strip.fill(Qt::black);
    {
        QPainter p(&strip);
        padkit::DrawSortArrows(p);
    }
    auto masked = std::make_unique<QImage>(strip.convertToFormat(QImage::Format_ARGB32));
    for (int y = 0; y < masked->height(); ++y) {
        auto* line = reinterpret_cast<QRgb*>(masked->scanLine(y));
        for (int x = 0; x < masked->width(); ++x) {
            if (qRed(line[x]) == 0 && qGreen(line[x]) == 0 && qBlue(line[x]) == 0)
                line[x] = qRgba(0, 0, 0, 0);
        }
    }
    m_pSortImageList = std::move(masked);
    m_pHeaderView->SetArrows(m_pSortImageList.get());
}

int CBaseListCtrl::ColumnAt(int x) const {
    return m_pHeaderView->logicalIndexAt(x);
}

void CBaseListCtrl::paintEvent(QPaintEvent* event) {
    QPainter painter(viewport());
    const QRect area = viewport()->rect();
    const QColor back = m_bBkSet ? padkit::ToQColor(m_crBk) : palette().color(QPalette::Base);
    painter.fillRect(event->rect(), back);
    const int h = GetRowHeight();
    const int top = GetTopIndex();
    for (int row = top, y = 0; row < GetItemCount() && y < area.height(); ++row, y += h) {
        if (QRect(0, y, area.width(), h).intersects(event->rect()))
            PaintRow(painter, row, y, h);
    }
    if (m_dwExStyle & LVS_EX_GRIDLINES) {
        painter.setPen(palette().color(QPalette::Button));
        for (int y = h - 1; y < area.height(); y += h)
            painter.drawLine(0, y, area.width(), y);
        for (int i = 0; i < GetHeaderItemCount(); ++i) {
            const int logical = m_pHeaderView->logicalIndex(i);
            const int w = m_pHeaderView->sectionSize(logical);
            if (w <= 0)
                continue;
            const int x = m_pHeaderView->sectionViewportPosition(logical) + w - 1;
            painter.drawLine(x, 0, x, area.height());
        }
    }
}

void CBaseListCtrl::PaintRow(QPainter& painter, int row, int y, int rowHeight) {
    const bool focused = hasFocus();
    const bool selected = (m_aRow[row].state & LVIS_SELECTED) && (focused || (m_dwStyle & LVS_SHOWSELALWAYS));
    const QPalette pal = palette();
    const QColor highlight = focused ? pal.color(QPalette::Active, QPalette::Highlight)
                                     : pal.color(QPalette::Active, QPalette::Button);
    const QColor highlightText = focused
                                     ? pal.color(QPalette::Active, QPalette::HighlightedText)
                                     : (m_bTextSet ? padkit::ToQColor(m_crText) : pal.color(QPalette::Text));
    const QColor text = m_bTextSet ? padkit::ToQColor(m_crText) : pal.color(QPalette::Text);
    const QColor textBack = m_bTextBkSet ? padkit::ToQColor(m_crTextBk) : QColor();
    const bool fullRow = (m_dwExStyle & LVS_EX_FULLROWSELECT) != 0;
    const QFontMetrics fm(font());
    painter.setFont(font());

    for (int i = 0; i < GetHeaderItemCount(); ++i) {
        const int logical = m_pHeaderView->logicalIndex(i);
        const int w = m_pHeaderView->sectionSize(logical);
        if (w <= 0 || m_pHeaderView->isSectionHidden(logical))
            continue;
        const QRect cell(m_pHeaderView->sectionViewportPosition(logical), y, w, rowHeight);
        if (cell.right() < 0 || cell.left() >= viewport()->width())
            continue;
        const bool lit = selected && (fullRow || logical == 0);
        if (lit)
            painter.fillRect(cell, highlight);
        else if (textBack.isValid())
            painter.fillRect(cell, textBack);
        const QString s = GetItemText(row, m_pHeaderModel->At(logical).subItem);
        if (s.isEmpty())
            continue;
        const int margin = logical == 0 ? padkit::kFirstCellMargin : padkit::kCellMargin;
        const QRect textRect = cell.adjusted(margin, 0, -margin, 0);
        const QStaticText& glyphs = CellGlyphs(row, logical, s, std::max(0, textRect.width()), fm);
        const int textWidth = static_cast<int>(glyphs.size().width() + 0.5);
        const Qt::Alignment align = padkit::FormatAlignment(GetHeaderFormat(logical));
        int x = textRect.left();
        if (align & Qt::AlignRight)
            x = textRect.right() + 1 - textWidth;
        else if (align & Qt::AlignHCenter)
            x = textRect.left() + (textRect.width() - textWidth) / 2;
        painter.setPen(lit ? highlightText : text);
        painter.setClipRect(textRect);
        painter.drawStaticText(QPoint(std::max(x, textRect.left()), y + (rowHeight - fm.height()) / 2),
                               glyphs);
        painter.setClipping(false);
    }
    if (focused && (m_aRow[row].state & LVIS_FOCUSED)) {
        QStyleOptionFocusRect opt;
        opt.initFrom(this);
        opt.rect = QRect(-horizontalScrollBar()->value(), y, m_pHeaderView->length(), rowHeight);
        opt.backgroundColor = selected ? highlight : pal.color(QPalette::Base);
        style()->drawPrimitive(QStyle::PE_FrameFocusRect, &opt, &painter, this);
    }
}

const QStaticText& CBaseListCtrl::CellGlyphs(int row, int column, const QString& text, int room,
                                             const QFontMetrics& fm) {
    // Laying out text costs far more than drawing it, and a refresh mostly repaints unchanged cells:
    // keep the laid-out text of each shown cell until its text or room changes. Slots follow the
    // rows on screen, so a long list costs no more than one page.
    const auto columns = static_cast<size_t>(GetHeaderItemCount());
    const auto rows = static_cast<size_t>(GetCountPerPage() + 1);
    if (m_aCellGlyphs.size() != rows * columns)
        m_aCellGlyphs.assign(rows * columns, CellGlyphCache{});
    const int slot = row - GetTopIndex();
    const bool shown = slot >= 0 && static_cast<size_t>(slot) < rows && static_cast<size_t>(column) < columns;
    if (!shown)
        m_spareGlyphs = CellGlyphCache{};
    CellGlyphCache& cell =
        shown ? m_aCellGlyphs[static_cast<size_t>(slot) * columns + static_cast<size_t>(column)]
              : m_spareGlyphs;
    if (cell.room != room || cell.text != text) {
        cell.text = text;
        cell.room = room;
        cell.glyphs.setTextFormat(Qt::PlainText);
        cell.glyphs.setPerformanceHint(QStaticText::AggressiveCaching);
        cell.glyphs.setText(fm.elidedText(text, Qt::ElideRight, room));
        cell.glyphs.prepare(QTransform(), font());
    }
    return cell.glyphs;
}

void CBaseListCtrl::resizeEvent(QResizeEvent* event) {
    QAbstractScrollArea::resizeEvent(event);
    UpdateGeometries();
}

void CBaseListCtrl::scrollContentsBy(int, int) {
    m_pHeaderView->setOffset(horizontalScrollBar()->value());
    viewport()->update();
}

bool CBaseListCtrl::viewportEvent(QEvent* event) {
    if (event->type() == QEvent::ToolTip) {
        auto* help = static_cast<QHelpEvent*>(event);
        ShowTip(help->pos(), help->globalPos());
        return true;
    }
    return QAbstractScrollArea::viewportEvent(event);
}

void CBaseListCtrl::ShowTip(const QPoint& pos, const QPoint& globalPos) {
    // Info tips: the whole text of a cell that does not fit.
    const int row = HitTest(pos);
    const int column = ColumnAt(pos.x());
    if (!(m_dwExStyle & LVS_EX_INFOTIP) || row < 0 || column < 0) {
        QToolTip::hideText();
        return;
    }
    const QString s = GetItemText(row, m_pHeaderModel->At(column).subItem);
    const int margin = column == 0 ? padkit::kFirstCellMargin : padkit::kCellMargin;
    if (QFontMetrics(font()).horizontalAdvance(s) <= m_pHeaderView->sectionSize(column) - 2 * margin) {
        QToolTip::hideText();
        return;
    }
    QToolTip::showText(globalPos, s, viewport());
}

void CBaseListCtrl::mousePressEvent(QMouseEvent* event) {
    setFocus(Qt::MouseFocusReason);
    const QPoint pos = event->position().toPoint();
    const int row = HitTest(pos);
    m_nPressRow = row;
    const Qt::KeyboardModifiers mods = HeldModifiers(event->modifiers());
    const bool ctrl = (mods & Qt::ControlModifier) != 0;
    const bool shift = (mods & Qt::ShiftModifier) != 0;
    const bool single = (m_dwStyle & LVS_SINGLESEL) != 0;
    if (event->button() == Qt::LeftButton) {
        ApplySelection(padkit::ListClick(CurrentSelection(), row, ctrl, shift, single));
        if (row >= 0)
            EnsureVisible(row, FALSE);
    } else if (event->button() == Qt::RightButton) {
        // A right click on an unselected row makes it the selection, as a plain click does.
        if (row >= 0 && !(m_aRow[row].state & LVIS_SELECTED))
            ApplySelection(padkit::ListClick(CurrentSelection(), row, false, false, single));
        else if (row >= 0)
            ChangeState(row, LVIS_FOCUSED, LVIS_FOCUSED);
    }
    event->accept();
}

void CBaseListCtrl::mouseReleaseEvent(QMouseEvent* event) {
    const QPoint pos = event->position().toPoint();
    const int row = HitTest(pos);
    const int column = ColumnAt(pos.x());
    if (row == m_nPressRow) {
        if (event->button() == Qt::LeftButton)
            emit Clicked(row, column);
        else if (event->button() == Qt::RightButton)
            emit RightClicked(row, column);
    }
    m_nPressRow = -1;
    event->accept();
}

void CBaseListCtrl::mouseDoubleClickEvent(QMouseEvent* event) {
    const QPoint pos = event->position().toPoint();
    if (event->button() == Qt::LeftButton)
        emit DoubleClicked(HitTest(pos), ColumnAt(pos.x()));
    event->accept();
}

void CBaseListCtrl::keyPressEvent(QKeyEvent* event) {
    const Qt::KeyboardModifiers real = event->modifiers();
    if (event->key() == Qt::Key_A && (real & Qt::ControlModifier) && !(real & Qt::AltModifier)) {
        SetAllSel();
        event->accept();
        return;
    }
    // The multi-select mode holds its key for the selection keys as it does for clicks.
    const Qt::KeyboardModifiers mods = HeldModifiers(real);
    const bool ctrl = (mods & Qt::ControlModifier) != 0;
    const bool shift = (mods & Qt::ShiftModifier) != 0;
    const bool single = (m_dwStyle & LVS_SINGLESEL) != 0;
    padkit::ListKeyMove move;
    switch (event->key()) {
    case Qt::Key_Up:
        move = padkit::ListKeyMove::Up;
        break;
    case Qt::Key_Down:
        move = padkit::ListKeyMove::Down;
        break;
    case Qt::Key_PageUp:
        move = padkit::ListKeyMove::PageUp;
        break;
    case Qt::Key_PageDown:
        move = padkit::ListKeyMove::PageDown;
        break;
    case Qt::Key_Home:
        move = padkit::ListKeyMove::Home;
        break;
    case Qt::Key_End:
        move = padkit::ListKeyMove::End;
        break;
    case Qt::Key_Space: {
        const int focus = FocusedRow();
        if (focus >= 0)
            ApplySelection(padkit::ListClick(CurrentSelection(), focus, ctrl, shift, single));
        event->accept();
        return;
    }
    default:
        QAbstractScrollArea::keyPressEvent(event);
        return;
    }
    const int target = padkit::ListMoveTarget(move, FocusedRow(), GetItemCount(), GetCountPerPage());
    if (target >= 0) {
        ApplySelection(padkit::ListMoveFocus(CurrentSelection(), target, ctrl, shift, single));
        EnsureVisible(target, FALSE);
    }
    event->accept();
}

void CBaseListCtrl::focusInEvent(QFocusEvent* event) {
    QAbstractScrollArea::focusInEvent(event);
    viewport()->update();
}

void CBaseListCtrl::focusOutEvent(QFocusEvent* event) {
    QAbstractScrollArea::focusOutEvent(event);
    viewport()->update();
}

void CBaseListCtrl::changeEvent(QEvent* event) {
    QAbstractScrollArea::changeEvent(event);
    if (event->type() == QEvent::FontChange) {
        m_pHeaderView->setFont(font());
        m_aCellGlyphs.clear();
        UpdateRowHeight();
        UpdateGeometries();
    }
}
