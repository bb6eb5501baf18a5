#include "app/dialogs/PageTabCtrl.h"

#include <QPainter>
#include <QStyle>
#include <QStyleOptionTabWidgetFrame>
#include <QTabBar>

CPageTabCtrl::CPageTabCtrl(QWidget* parent) : QWidget(parent), m_pTabBar(new QTabBar(this)) {
    m_pTabBar->setDrawBase(false);
    m_pTabBar->setExpanding(false);
    connect(m_pTabBar, &QTabBar::currentChanged, this, [this](int) {
        if (!m_bSetting)
            emit SelChange();
    });
}

void CPageTabCtrl::DeleteAllItems() {
    m_bSetting = true;
    while (m_pTabBar->count() > 0)
        m_pTabBar->removeTab(0);
    m_bSetting = false;
}

int CPageTabCtrl::InsertItem(int index, const QString& text, LPARAM data) {
    m_bSetting = true;
    const int at = m_pTabBar->insertTab(index, text);
    m_pTabBar->setTabData(at, QVariant::fromValue<qlonglong>(data));
    m_pTabBar->resize(width(), m_pTabBar->sizeHint().height());
    m_bSetting = false;
    return at;
}

int CPageTabCtrl::GetItemCount() const {
    return m_pTabBar->count();
}

LPARAM CPageTabCtrl::GetItemData(int index) const {
    return static_cast<LPARAM>(m_pTabBar->tabData(index).toLongLong());
}

QRect CPageTabCtrl::GetItemRect(int index) const {
    return m_pTabBar->tabRect(index).translated(m_pTabBar->pos());
}

int CPageTabCtrl::GetCurSel() const {
    return m_pTabBar->currentIndex();
}

int CPageTabCtrl::SetCurSel(int index) {
    const int previous = m_pTabBar->currentIndex();
    m_bSetting = true;
    m_pTabBar->setCurrentIndex(index);
    m_bSetting = false;
    return previous;
}

void CPageTabCtrl::paintEvent(QPaintEvent*) {
    QPainter p(this);
    QStyleOptionTabWidgetFrame frame;
    frame.initFrom(this);
    const int top = m_pTabBar->height();
    frame.rect = rect().adjusted(0, top - 1, 0, 0);
    frame.tabBarSize = m_pTabBar->size();
    frame.lineWidth = style()->pixelMetric(QStyle::PM_DefaultFrameWidth, nullptr, this);
    style()->drawPrimitive(QStyle::PE_FrameTabWidget, &frame, &p, this);
}

void CPageTabCtrl::resizeEvent(QResizeEvent*) {
    m_pTabBar->setGeometry(0, 0, width(), m_pTabBar->sizeHint().height());
}
