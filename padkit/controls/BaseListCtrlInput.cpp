#include "padkit/controls/BaseListCtrl.h"

#include "padkit/controls/BaseListCtrlHeaderView.h"

#include <QHelpEvent>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QToolTip>

Qt::KeyboardModifiers CBaseListCtrl::HeldModifiers(Qt::KeyboardModifiers pressed) const {
    if (m_nMultiSelectMode == padkit::kListMultiSelectCtrl)
        pressed |= Qt::ControlModifier;
    else if (m_nMultiSelectMode == padkit::kListMultiSelectShift)
        pressed |= Qt::ShiftModifier;
    return pressed;
}

int CBaseListCtrl::HitTest(const QPoint& viewportPos) const {
    if (viewportPos.y() < 0)
        return -1;
    const int row = GetTopIndex() + viewportPos.y() / GetRowHeight();
    return row < GetItemCount() ? row : -1;
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
