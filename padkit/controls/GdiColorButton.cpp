#include "padkit/controls/GdiColorButton.h"

#include "padkit/controls/SysColor.h"

#include <QLinearGradient>
#include <QMouseEvent>
#include <QPainter>

namespace padkit {

QPainterPath ColorButtonOutline(int w, int h, int r, int o) {
    QPainterPath path;
    const int d = 2 * r;
    const int x2 = w - d - 1;
    const int y2 = h - d - 1;
    if (r < 1) {
        path.moveTo(o, o);
        path.lineTo(x2 - o, o);
        path.lineTo(x2 - o, y2 - o);
        path.lineTo(o, y2 - o);
        path.closeSubpath();
        return path;
    }
    // Angles run counter-clockwise here; each corner is swept clockwise on screen, starting at the
    // top-left corner's left end.
    const QRectF tl(o, o, d, d), tr(x2 - o, o, d, d), br(x2 - o, y2 - o, d, d), bl(o, y2 - o, d, d);
    path.arcMoveTo(tl, 180);
    path.arcTo(tl, 180, -90);
    path.arcTo(tr, 90, -90);
    path.arcTo(br, 0, -90);
    path.arcTo(bl, 270, -90);
    path.closeSubpath();
    return path;
}

QPainterPath ColorButtonGloss(int w, int /*h*/, int r, int o) {
    QPainterPath path;
    const int d = 2 * r;
    const int x2 = w - d - 1;
    if (r < 1) {
        // Zero height: nothing to fill.
        path.moveTo(o, o);
        path.lineTo(x2 - o, o);
        path.closeSubpath();
        return path;
    }
    const QRectF tl(o, o, d, d), tr(x2 - o, o, d, d);
    path.arcMoveTo(tl, 180);
    path.arcTo(tl, 180, -90);
    path.arcTo(tr, 90, -90);
    path.closeSubpath();
    return path;
}

void DrawColorButton(QPainter& p, int w, int h, const ColorButtonLook& look, const QString& caption,
                     const QFont& font) {
    const bool enabled = look.enabled;
    const int o = (enabled && look.pressed) ? 1 : 0;
    const int r = look.cornerR;

    const QColor faceFill =
        enabled ? ToQColor(look.face, look.hover ? 128 : 255) : ToQColor(look.faceHi, 255);

    p.save();
    p.setRenderHint(QPainter::Antialiasing);
    // Shapes are laid out on pixel centres so that one-pixel lines cover whole pixels.
    p.translate(0.5, 0.5);
    const QPainterPath outline = ColorButtonOutline(w, h, r, o);
    p.fillPath(outline, QColor(255, 255, 255, 255));
    p.fillPath(outline, faceFill);
    if (enabled) {
        QLinearGradient gloss(0, 0, 0, r + 1);
        gloss.setColorAt(0, ToQColor(look.faceHi, 255));
        gloss.setColorAt(1, ToQColor(look.face, 0));
        if (r >= 1)
            p.fillPath(ColorButtonGloss(w, h, r, o), gloss);
        // The shade deepens over the first hundred pixels and stays at its deepest below them.
        QLinearGradient shade(0, 0, 0, 100);
        shade.setColorAt(0, ToQColor(look.face, 0));
        shade.setColorAt(1, ToQColor(look.frame, 128));
        p.fillPath(outline, shade);
    }
    p.restore();

    if (!caption.isEmpty()) {
        const QFontMetrics fm(font);
        const int tw = fm.horizontalAdvance(caption);
        const int th = fm.height();
        const int x = (w - tw) / 2 + o;
        const int y = (h - th) / 2 + o;
        p.save();
        p.setFont(font);
        p.setPen(look.caption);
        p.drawText(QRect(x, y, tw, th), Qt::AlignLeft | Qt::AlignTop | Qt::TextSingleLine, caption);
        p.restore();
    }

    p.save();
    // Square corners need no smoothing, and smoothing would soften them.
    p.setRenderHint(QPainter::Antialiasing, r >= 1);
    p.translate(0.5, 0.5);
    p.setBrush(Qt::NoBrush);
    p.setPen(QPen(ToQColor(look.frame, 255), 1, Qt::SolidLine, Qt::SquareCap, Qt::MiterJoin));
    p.drawPath(outline);
    if (enabled && look.focus) {
        QPen focus(QColor(0, 0, 0, 255), 1, Qt::CustomDashLine, Qt::FlatCap, Qt::MiterJoin);
        focus.setDashPattern({1.0, 1.0}); // one pixel on, one off
        p.setPen(focus);
        p.drawRect(QRectF(2, r, w - 4, h - 2 * r));
    }
    p.restore();
}

} // namespace padkit

CGdiColorButton::CGdiColorButton(QWidget* parent)
    : QAbstractButton(parent), m_crFace(padkit::GetSysColorRef(padkit::SysColor::BtnFace)),
      m_crFaceHi(padkit::GetSysColorRef(padkit::SysColor::BtnHighlight)),
      m_crFrame(padkit::GetSysColorRef(padkit::SysColor::DkShadow3D)),
      m_crBack(padkit::GetSysColorRef(padkit::SysColor::BtnFace)) {
    setFocusPolicy(Qt::StrongFocus);
}

CGdiColorButton::CGdiColorButton(const QString& text, DWORD style, QWidget* parent)
    : CGdiColorButton(parent) {
    setText(text);
    InitStyle(style);
}

CGdiColorButton::~CGdiColorButton() = default;

QSize CGdiColorButton::sizeHint() const {
    const QFontMetrics fm = fontMetrics();
    return QSize(fm.horizontalAdvance(text()) + 16, fm.height() + 12);
}

void CGdiColorButton::SetBackColor(COLORREF color) {
    m_crBack = color;
    SetBkGnd();
}

void CGdiColorButton::SetBkGnd() {
    m_bSolidBack = 1;
    update();
}

void CGdiColorButton::SetBkGndParent() {
    m_bSolidBack = 0;
    update();
}

void CGdiColorButton::InitStyle(DWORD style) {
    switch (style & 0xF) {
    case padkit::BS_AUTOCHECKBOX:
        m_bAuto = 1;
        m_bCheckBox = 1;
        break;
    case padkit::BS_CHECKBOX:
        m_bCheckBox = 1;
        break;
    case padkit::BS_AUTORADIOBUTTON:
        m_bAuto = 1;
        m_bRadio = 1;
        break;
    case padkit::BS_RADIOBUTTON:
        m_bRadio = 1;
        break;
    default:
        break;
    }
}

int CGdiColorButton::GetCheck() const {
    if (m_bCheckBox || m_bRadio)
        return m_bChecked ? padkit::BST_CHECKED : padkit::BST_UNCHECKED;
    return padkit::BST_UNCHECKED;
}

void CGdiColorButton::SetCheck(int check) {
    const int want = check != 0 ? 1 : 0;
    if ((m_bCheckBox || m_bRadio) && m_bChecked != want) {
        m_bChecked = want;
        repaint();
    }
}

bool CGdiColorButton::hitButton(const QPoint& pos) const {
    return rect().contains(pos);
}

void CGdiColorButton::mousePressEvent(QMouseEvent* event) {
    if (event->button() == Qt::LeftButton)
        m_bPressed = 1;
    QAbstractButton::mousePressEvent(event);
}

void CGdiColorButton::mouseReleaseEvent(QMouseEvent* event) {
    if (event->button() != Qt::LeftButton) {
        QAbstractButton::mouseReleaseEvent(event);
        return;
    }
    m_bPressed = 0;
    if (m_bAuto) {
        if (m_bCheckBox)
            m_bChecked = !m_bChecked;
        else if (m_bRadio && !m_bChecked)
            m_bChecked = 1;
    }
    // Every release notifies, wherever the pointer is. The base class only clears its press state
    // here: with the button no longer down it clicks nothing itself.
    setDown(false);
    QAbstractButton::mouseReleaseEvent(event);
    event->accept();
    update();
    emit released();
    emit clicked(GetCheck() == padkit::BST_CHECKED);
}

void CGdiColorButton::mouseMoveEvent(QMouseEvent* event) {
    if (!m_bHover && rect().contains(event->position().toPoint())) {
        m_bHover = 1;
        update();
    }
    QAbstractButton::mouseMoveEvent(event);
}

void CGdiColorButton::mouseDoubleClickEvent(QMouseEvent* event) {
    // A quick second click is one more press, so a double click notifies twice.
    mousePressEvent(event);
}

void CGdiColorButton::enterEvent(QEnterEvent* event) {
    m_bHover = 1;
    update();
    QAbstractButton::enterEvent(event);
}

void CGdiColorButton::leaveEvent(QEvent* event) {
    m_bHover = 0;
    update();
    QAbstractButton::leaveEvent(event);
}

void CGdiColorButton::paintEvent(QPaintEvent*) {
    QPainter p(this);
    if (m_bSolidBack)
        p.fillRect(rect(), padkit::ToQColor(m_crBack));
    padkit::ColorButtonLook look;
    look.face = m_crFace;
    look.faceHi = m_crFaceHi;
    look.frame = m_crFrame;
    look.cornerR = m_nCornerR;
    look.enabled = isEnabled();
    look.pressed = m_bPressed != 0;
    look.hover = m_bHover != 0;
    look.focus = hasFocus();
    look.caption = padkit::SysQColor(look.enabled ? padkit::SysColor::BtnText : padkit::SysColor::GrayText);
    padkit::DrawColorButton(p, width(), height(), look, text(), font());
}
