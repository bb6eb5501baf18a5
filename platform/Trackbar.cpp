#include "platform/Trackbar.h"

#include <QMouseEvent>
#include <QStyle>
#include <QStyleOptionSlider>
#include <QTimerEvent>

#include <algorithm>

namespace {
constexpr int kPagesPerRange = 5;
// A held press starts repeating after this pause, then pages at this interval.
constexpr int kRepeatDelayMs = 500;
constexpr int kRepeatIntervalMs = 50;
} // namespace

namespace platform {

CTrackbar::CTrackbar(Qt::Orientation orientation, QWidget* parent) : QSlider(orientation, parent) {
    setPageStep(PageSizeFor(minimum(), maximum()));
}

CTrackbar::~CTrackbar() = default;

int CTrackbar::PageSizeFor(int lo, int hi) {
    const long long span = static_cast<long long>(hi) - lo;
    return static_cast<int>(std::max(1LL, span / kPagesPerRange));
}

void CTrackbar::sliderChange(SliderChange change) {
    if (change == SliderRangeChange)
        setPageStep(PageSizeFor(minimum(), maximum()));
    QSlider::sliderChange(change);
}

QAbstractSlider::SliderAction CTrackbar::PageTowards(const QPoint& pos) const {
    QStyleOptionSlider opt;
    initStyleOption(&opt);
    const QRect thumb = style()->subControlRect(QStyle::CC_Slider, &opt, QStyle::SC_SliderHandle, this);
    const bool vertical = orientation() == Qt::Vertical;
    const int p = vertical ? pos.y() : pos.x();
    const int first = vertical ? thumb.top() : thumb.left();
    const int last = vertical ? thumb.bottom() : thumb.right();
    if (p >= first && p <= last)
        return SliderNoAction;
    // The start of the axis holds the minimum unless the slider is drawn upside down.
    const bool beforeThumb = p < first;
    return beforeThumb == opt.upsideDown ? SliderPageStepAdd : SliderPageStepSub;
}

void CTrackbar::mousePressEvent(QMouseEvent* event) {
    const QPoint pos = event->position().toPoint();
    const bool onlyLeft = event->button() == Qt::LeftButton && event->buttons() == Qt::LeftButton;
    const SliderAction action = onlyLeft && minimum() != maximum() ? PageTowards(pos) : SliderNoAction;
    if (action == SliderNoAction) {
        QSlider::mousePressEvent(event);
        return;
    }
    event->accept();
    m_paging = action;
    m_pressPos = pos;
    triggerAction(action);
    m_repeat.start(kRepeatDelayMs, this);
}

void CTrackbar::mouseReleaseEvent(QMouseEvent* event) {
    if (m_paging == SliderNoAction) {
        QSlider::mouseReleaseEvent(event);
        return;
    }
    event->accept();
    if (!event->buttons())
        StopPaging();
}

void CTrackbar::timerEvent(QTimerEvent* event) {
    if (event->timerId() != m_repeat.timerId()) {
        QSlider::timerEvent(event);
        return;
    }
    // Paging stops once the thumb has reached the press.
    if (PageTowards(m_pressPos) != m_paging) {
        StopPaging();
        return;
    }
    m_repeat.start(kRepeatIntervalMs, this);
    triggerAction(m_paging);
}

void CTrackbar::StopPaging() {
    m_repeat.stop();
    m_paging = SliderNoAction;
}

} // namespace platform
