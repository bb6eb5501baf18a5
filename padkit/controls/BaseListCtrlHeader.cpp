#include "padkit/controls/BaseListCtrlHeader.h"

#include "padkit/controls/BaseListCtrl.h"
#include "padkit/controls/BaseListCtrlHeaderView.h"
#include "padkit/controls/SysColor.h"

#include <QImage>
#include <QPainter>
#include <QStyle>
#include <QStyleOptionHeader>

#include <algorithm>
#include <deque>
#include <memory>

CBaseListCtrlHeader::CBaseListCtrlHeader() {
    Init();
}

CBaseListCtrlHeader& CBaseListCtrlHeader::operator=(const CBaseListCtrlHeader& other) {
    if (this != &other)
        Copy(other);
    return *this;
}

void CBaseListCtrlHeader::Init() {
    m_nKey1 = 0;
    m_nExtent1 = 1;
    m_nKey2 = 0;
    m_nExtent2 = 1;
    m_strText.clear();
    m_crText = padkit::GetSysColorRef(padkit::SysColor::BtnText);
    m_crBack = padkit::GetSysColorRef(padkit::SysColor::BtnFace);
}

void CBaseListCtrlHeader::Copy(const CBaseListCtrlHeader& other) {
    Init();
    m_nKey1 = other.m_nKey1;
    m_nExtent1 = other.m_nExtent1;
    m_nKey2 = other.m_nKey2;
    m_nExtent2 = other.m_nExtent2;
    m_strText = other.m_strText;
    m_crText = other.m_crText;
    m_crBack = other.m_crBack;
}

namespace padkit {

namespace {

// Sets a descriptor: found is the one the key pair already has, else a new one is appended. An
// extent of 0 or less keeps the one the descriptor has.
template <class Fill>
void StoreHeader(std::deque<CBaseListCtrlHeader>& headers, CBaseListCtrlHeader* found, int firstKey,
                 int secondKey, int firstExtent, int secondExtent, Fill fill) {
    CBaseListCtrlHeader fresh;
    CBaseListCtrlHeader* h = found ? found : &fresh;
    h->m_nKey1 = firstKey;
    h->m_nKey2 = secondKey;
    fill(*h);
    if (firstExtent > 0)
        h->m_nExtent1 = firstExtent;
    if (secondExtent > 0)
        h->m_nExtent2 = secondExtent;
    if (!found)
        headers.push_back(fresh);
}

} // namespace

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

void ListHeaderView::paintSection(QPainter* painter, const QRect& rect, int logicalIndex) const {
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
    painter->drawText(QRect(x, rect.top(), textWidth, rect.height()), Qt::AlignLeft | Qt::AlignVCenter, text);
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

} // namespace padkit

using padkit::ListHeaderModel;

void CBaseListCtrl::InitColumn() {
    ResetColumn();
}

void CBaseListCtrl::ResetColumn() {
    const int count = GetHeaderItemCount();
    for (int i = 0; i < count; ++i)
        DeleteColumn(0);
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

int CBaseListCtrl::ColumnAt(int x) const {
    return m_pHeaderView->logicalIndexAt(x);
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

CBaseListCtrlHeader* CBaseListCtrl::GetHeader(int firstKey, int secondKey) {
    for (CBaseListCtrlHeader& h : m_aHeader) {
        if (h.m_nKey1 == firstKey && h.m_nKey2 == secondKey)
            return &h;
    }
    return nullptr;
}

void CBaseListCtrl::SetHeaderText(int firstKey, int secondKey, const char* text, int firstExtent,
                                  int secondExtent) {
    padkit::StoreHeader(
        m_aHeader, GetHeader(firstKey, secondKey), firstKey, secondKey, firstExtent, secondExtent,
        [text](CBaseListCtrlHeader& h) { h.m_strText = QString::fromUtf8(text ? text : ""); });
}

void CBaseListCtrl::SetHeaderColor(int firstKey, int secondKey, COLORREF textColor, COLORREF backColor,
                                   int firstExtent, int secondExtent) {
    padkit::StoreHeader(m_aHeader, GetHeader(firstKey, secondKey), firstKey, secondKey, firstExtent,
                        secondExtent, [textColor, backColor](CBaseListCtrlHeader& h) {
                            h.m_crText = textColor;
                            h.m_crBack = backColor;
                        });
}
