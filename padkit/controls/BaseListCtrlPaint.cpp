#include "padkit/controls/BaseListCtrl.h"

#include "padkit/controls/BaseListCtrlHeaderView.h"
#include "padkit/controls/SysColor.h"

#include <QPaintEvent>
#include <QPainter>
#include <QScrollBar>
#include <QStaticText>
#include <QStyle>
#include <QStyleOptionFocusRect>

#include <algorithm>
#include <cstring>

namespace padkit {

namespace {

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

} // namespace padkit

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
