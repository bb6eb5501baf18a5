#pragma once

#include "padkit/PadkitExport.h"
#include "platform/WinTypes.h"

#include <QAbstractButton>
#include <QImage>
#include <QPainterPath>

class QPainter;

namespace padkit {

// Button kinds, by the low four bits of a desktop button style word.
inline constexpr DWORD BS_PUSHBUTTON = 0x0;
inline constexpr DWORD BS_CHECKBOX = 0x2;
inline constexpr DWORD BS_AUTOCHECKBOX = 0x3;
inline constexpr DWORD BS_RADIOBUTTON = 0x4;
inline constexpr DWORD BS_AUTORADIOBUTTON = 0x9;
inline constexpr int BST_UNCHECKED = 0;
inline constexpr int BST_CHECKED = 1;

// Everything a paint of the button depends on besides its size and caption.
struct ColorButtonLook {
    COLORREF face = 0;
    COLORREF faceHi = 0;
    COLORREF frame = 0;
    int cornerR = 5;
    bool enabled = true;
    bool pressed = false;
    bool hover = false;
    bool focus = false;
    QColor caption;
};

// Outline of the rounded face: four quarter circles of radius r (a plain rectangle when r < 1),
// inset by `inset` pixels on every side. Coordinates address pixel centres.
PADKIT_API QPainterPath ColorButtonOutline(int w, int h, int r, int inset);

// The band under the two top corners, filled with the gloss.
PADKIT_API QPainterPath ColorButtonGloss(int w, int h, int r, int inset);

// Paints the face, gloss, shade, caption, frame and focus mark of a w x h button.
PADKIT_API void DrawColorButton(QPainter& painter, int w, int h, const ColorButtonLook& look,
                                const QString& caption, const QFont& font);

} // namespace padkit

// A rounded, glossy push button in chosen colours. It lightens while the mouse rests on it, sinks by
// a pixel while pressed, and keeps a check state for the check-box and radio kinds. It notifies
// clicked() on every release of the left button it receives, inside or outside.
class PADKIT_API CGdiColorButton : public QAbstractButton {
    Q_OBJECT
public:
    explicit CGdiColorButton(QWidget* parent = nullptr);
    CGdiColorButton(const QString& text, DWORD style, QWidget* parent = nullptr);
    ~CGdiColorButton() override;

    // These store the value only; the caller repaints.
    void SetFaceColor(COLORREF color) { m_crFace = color; }
    void SetFaceHiColor(COLORREF color) { m_crFaceHi = color; }
    void SetFrameColor(COLORREF color) { m_crFrame = color; }
    void SetCornerR(int r) { m_nCornerR = r; }
    COLORREF GetFaceColor() const { return m_crFace; }
    COLORREF GetFaceHiColor() const { return m_crFaceHi; }
    COLORREF GetFrameColor() const { return m_crFrame; }
    int GetCornerR() const { return m_nCornerR; }

    // The background behind the rounded corners becomes a solid fill of this colour.
    void SetBackColor(COLORREF color);
    // Solid background of the back colour.
    void SetBkGnd();
    // The parent's own pixels show behind the corners (the initial state); always current.
    void SetBkGndParent();

    // Records the button kind from a style word (check box, radio button, automatic or not).
    void InitStyle(DWORD style);
    int GetCheck() const;
    void SetCheck(int check);
    bool IsCheckBoxKind() const { return m_bCheckBox != 0; }
    bool IsRadioKind() const { return m_bRadio != 0; }

    bool IsPressed() const { return m_bPressed != 0; }
    bool IsHover() const { return m_bHover != 0; }

    QSize sizeHint() const override;

protected:
    void paintEvent(QPaintEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void mouseDoubleClickEvent(QMouseEvent* event) override;
    void enterEvent(QEnterEvent* event) override;
    void leaveEvent(QEvent* event) override;
    bool hitButton(const QPoint& pos) const override;

private:
    COLORREF m_crFace;
    COLORREF m_crFaceHi;
    COLORREF m_crFrame;
    int m_nCornerR = 5;
    COLORREF m_crBack;
    int m_bPressed = 0;
    int m_bHover = 0;
    int m_bSolidBack = 0;
    int m_bCheckBox = 0;
    int m_bRadio = 0;
    int m_bAuto = 0;
    int m_bChecked = 0;
};
