#include "padkit/controls/LevelFaderCtrl.h"

#include "padkit/controls/SysColor.h"

#include <QPainter>
#include <QStyle>
#include <QStyleOptionSlider>

#include <cmath>

namespace padkit {

QRect LevelMeterRect(const QRect& channel, int levelWidth) {
    const int half = levelWidth / 2;
    return QRect(channel.left() - half, channel.top(), channel.width() + 2 * half, channel.height());
}

int LevelFillHeight(int height, int nMin, int nMax, int v) {
    if (nMin == nMax)
        return 0;
    const double fraction = std::fabs(static_cast<double>(nMin - v) / static_cast<double>(nMax - nMin));
    return static_cast<int>(height * fraction);
}

LevelBands LevelMeterBands(const QRect& meter, const LevelScale& s, int levelPos) {
    LevelBands out;
    const int bottom = meter.top() + meter.height(); // exclusive, as the groove's rectangle is
    auto add = [&](int value, COLORREF color) {
        const int h = LevelFillHeight(meter.height(), s.nMin, s.nMax, value);
        out.band[out.count++] = {QRect(meter.left(), bottom - h, meter.width(), h), color};
    };
    if (levelPos > s.nRedMin) {
        add(levelPos, kLevelRed);
        add(s.nYellowMax, kLevelYellow);
        add(s.nGreenMax, kLevelGreen);
    } else if (levelPos > s.nYellowMin) {
        add(levelPos, kLevelYellow);
        add(s.nGreenMax, kLevelGreen);
    } else {
        add(levelPos, kLevelGreen);
    }
    return out;
}

} // namespace padkit

namespace {

// A two-pixel sunken frame: shadow outside and dark shadow inside on the top and left, highlight
// outside and light inside on the bottom and right.
void DrawSunkenEdge(QPainter& p, const QRect& r) {
    if (r.width() < 2 || r.height() < 2)
        return;
    const int l = r.left(), t = r.top(), w = r.width(), h = r.height();
    const QColor shadow = padkit::SysQColor(padkit::SysColor::BtnShadow);
    const QColor highlight = padkit::SysQColor(padkit::SysColor::BtnHighlight);
    const QColor dark = padkit::SysQColor(padkit::SysColor::DkShadow3D);
    const QColor light = padkit::SysQColor(padkit::SysColor::Light3D);
    // Outer ring.
    p.fillRect(l, t, w - 1, 1, shadow);
    p.fillRect(l, t, 1, h - 1, shadow);
    p.fillRect(l, t + h - 1, w, 1, highlight);
    p.fillRect(l + w - 1, t, 1, h, highlight);
    if (w < 4 || h < 4)
        return;
    // Inner ring.
    p.fillRect(l + 1, t + 1, w - 3, 1, dark);
    p.fillRect(l + 1, t + 1, 1, h - 3, dark);
    p.fillRect(l + 1, t + h - 2, w - 2, 1, light);
    p.fillRect(l + w - 2, t + 1, 1, h - 2, light);
}

} // namespace

CLevelFaderCtrl::CLevelFaderCtrl(QWidget* parent) : platform::CTrackbar(Qt::Vertical, parent) {
    setTickPosition(QSlider::NoTicks);
}

CLevelFaderCtrl::~CLevelFaderCtrl() = default;

void CLevelFaderCtrl::SetLevelRange(int min, int max) {
    m_nLevelMin = min;
    m_nLevelMax = max;
    SetLevelPos(m_nLevelPos);
}

void CLevelFaderCtrl::SetLevelRangeR(int min, int max) {
    m_nRedMin = min;
    m_nRedMax = max;
    SetLevelPos(m_nLevelPos);
}

void CLevelFaderCtrl::SetLevelRangeY(int min, int max) {
    m_nYellowMin = min;
    m_nYellowMax = max;
    SetLevelPos(m_nLevelPos);
}

void CLevelFaderCtrl::SetLevelRangeG(int min, int max) {
    m_nGreenMin = min;
    m_nGreenMax = max;
    SetLevelPos(m_nLevelPos);
}

void CLevelFaderCtrl::SetLevelPos(int pos) {
    m_nLevelPos = pos;
    if (m_nLevelPos < m_nLevelMin)
        m_nLevelPos = m_nLevelMin;
    if (m_nLevelPos > m_nLevelMax)
        m_nLevelPos = m_nLevelMax;
    // Only the meter changes; the thumb is repainted with it where they overlap.
    update(padkit::LevelMeterRect(ChannelRect(), m_nLevelWidth));
}

void CLevelFaderCtrl::SetLevelWidth(int width) {
    const QRect before = padkit::LevelMeterRect(ChannelRect(), m_nLevelWidth);
    m_nLevelWidth = width;
    update(before.united(padkit::LevelMeterRect(ChannelRect(), m_nLevelWidth)));
}

QRect CLevelFaderCtrl::ChannelRect() const {
    QStyleOptionSlider opt;
    initStyleOption(&opt);
    return style()->subControlRect(QStyle::CC_Slider, &opt, QStyle::SC_SliderGroove, this);
}

padkit::LevelScale CLevelFaderCtrl::Scale() const {
    return {m_nLevelMin, m_nLevelMax, m_nRedMin, m_nYellowMin, m_nYellowMax, m_nGreenMax};
}

void CLevelFaderCtrl::DrawLevel(QPainter& painter, const QRect& channel) const {
    const QRect meter = padkit::LevelMeterRect(channel, m_nLevelWidth);
    const padkit::LevelBands bands = padkit::LevelMeterBands(meter, Scale(), m_nLevelPos);
    for (int i = 0; i < bands.count; ++i) {
        if (!bands.band[i].rect.isEmpty())
            painter.fillRect(bands.band[i].rect, padkit::ToQColor(bands.band[i].color));
    }
    DrawSunkenEdge(painter, meter);
}

void CLevelFaderCtrl::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    QStyleOptionSlider opt;
    initStyleOption(&opt);
    const QRect channel = style()->subControlRect(QStyle::CC_Slider, &opt, QStyle::SC_SliderGroove, this);
    DrawLevel(painter, channel);
    // The meter replaces the groove and there are never tick marks: only the thumb is left to the style.
    opt.subControls = QStyle::SC_SliderHandle;
    opt.tickPosition = QSlider::NoTicks;
    style()->drawComplexControl(QStyle::CC_Slider, &opt, &painter, this);
}
