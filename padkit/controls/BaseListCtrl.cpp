#include "padkit/controls/BaseListCtrl.h"

#include "padkit/controls/BaseListCtrlHeaderView.h"
#include "padkit/controls/SysColor.h"

#include <QImage>
#include <QScrollBar>

#include <algorithm>
#include <memory>

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

void CBaseListCtrl::SetMultiSelectMode(int mode) {
    m_nMultiSelectMode = mode;
}

void CBaseListCtrl::OnGetDispInfo(NMHDR*, LRESULT* pResult) {
    if (m_bFirstScroll) {
        m_bFirstScroll = 0;
        horizontalScrollBar()->setValue(m_nFirstScrollH);
        verticalScrollBar()->setValue(m_nFirstScrollV);
    }
    *pResult = 0;
}

void CBaseListCtrl::SetSmallImageList(QSize imageSize) {
    m_pRowHeightImageList.reset();
    m_eSmallImages = imageSize.isValid() ? SmallImages::Foreign : SmallImages::None;
    m_sizeSmallImages = imageSize;
    UpdateRowHeight();
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

void CBaseListCtrl::resizeEvent(QResizeEvent* event) {
    QAbstractScrollArea::resizeEvent(event);
    UpdateGeometries();
}

void CBaseListCtrl::scrollContentsBy(int, int) {
    m_pHeaderView->setOffset(horizontalScrollBar()->value());
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
