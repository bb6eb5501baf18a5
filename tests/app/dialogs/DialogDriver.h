#pragma once

#include <QAbstractButton>
#include <QApplication>
#include <QFileDialog>
#include <QPointer>
#include <QTest>
#include <QTimer>
#include <QWidget>

#include <functional>
#include <memory>

// Drives modal windows the way an operator would: a test arms an action for the next modal window that
// opens (a nested dialog, a file dialog) and then clicks the button that opens it. Message boxes are
// answered by CMessageBoxResponder instead.
namespace dialogtest {

// Runs action on the next modal window other than the one active now, as soon as it is up. The action
// must end that window.
inline void WhenModal(std::function<void(QWidget*)> action) {
    QPointer<QWidget> before = QApplication::activeModalWidget();
    auto* timer = new QTimer(qApp);
    timer->setInterval(5);
    QObject::connect(timer, &QTimer::timeout, timer, [timer, before, action = std::move(action)] {
        QWidget* modal = QApplication::activeModalWidget();
        if (!modal || modal == before || !modal->isVisible())
            return;
        timer->stop();
        timer->deleteLater();
        action(modal);
    });
    timer->start();
}

// What a file dialog was opened with.
struct FileDialogSeen {
    bool bOpened = false;
    QString strDirectory;
    QStringList aFilter;
    QString strSelectedFilter;
    QStringList aSelected; // what it had selected when it came up
};

// Answers the next file dialog with path (an empty path cancels it).
inline std::shared_ptr<FileDialogSeen> AnswerFileDialog(const QString& path) {
    auto seen = std::make_shared<FileDialogSeen>();
    WhenModal([seen, path](QWidget* modal) {
        auto* dialog = qobject_cast<QFileDialog*>(modal);
        if (!dialog) {
            modal->close();
            return;
        }
        seen->bOpened = true;
        seen->strDirectory = dialog->directory().absolutePath();
        seen->aFilter = dialog->nameFilters();
        seen->strSelectedFilter = dialog->selectedNameFilter();
        seen->aSelected = dialog->selectedFiles();
        if (path.isEmpty()) {
            dialog->reject();
            return;
        }
        dialog->selectFile(path);
        static_cast<QDialog*>(dialog)->accept(); // the dialog's own accept: as if "Open" was clicked
    });
    return seen;
}

inline void Click(QWidget* button) {
    Q_ASSERT(button);
    QTest::mouseClick(button, Qt::LeftButton, Qt::NoModifier, button->rect().center());
}

// Types text key by key; characters beyond ASCII come as key events carrying their text, as a keyboard
// layout or input method delivers them.
inline void TypeText(QWidget* w, const QString& text) {
    for (QChar ch : text) {
        if (ch.unicode() < 0x80)
            QTest::keyClick(w, ch.toLatin1());
        else
            QTest::sendKeyEvent(QTest::Click, w, Qt::Key_unknown, QString(ch), Qt::NoModifier);
    }
}

// Replaces the text of an edit field by typing, as an operator selects all and types over it.
inline void TypeOver(QWidget* edit, const QString& text) {
    edit->setFocus();
    QTest::keyClick(edit, Qt::Key_A, Qt::ControlModifier);
    QTest::keyClick(edit, Qt::Key_Delete);
    TypeText(edit, text);
}

} // namespace dialogtest
