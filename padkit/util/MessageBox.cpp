#include "padkit/util/MessageBox.h"

#include <QAbstractButton>
#include <QCloseEvent>
#include <QCoreApplication>
#include <QGuiApplication>
#include <QKeyEvent>
#include <QMessageBox>
#include <QPushButton>

#include <algorithm>

namespace {

// The one responder slot; set and cleared only by CMessageBoxResponder, on the UI thread.
CMessageBoxResponder* s_pResponder = nullptr;

const char* const kResultProperty = "padkitResult";

struct ButtonDef {
    int nResult;
    const char* pszText;
    QMessageBox::ButtonRole role;
};

// The buttons of each box type, in the desktop's order (MB_DEFBUTTONn counts in this order).
std::vector<ButtonDef> ButtonsOf(UINT nType) {
    const ButtonDef ok{IDOK, "OK", QMessageBox::AcceptRole};
    const ButtonDef cancel{IDCANCEL, QT_TRANSLATE_NOOP("PADKIT_MessageBox", "キャンセル"),
                           QMessageBox::RejectRole};
    const ButtonDef yes{IDYES, QT_TRANSLATE_NOOP("PADKIT_MessageBox", "はい(&Y)"), QMessageBox::YesRole};
    const ButtonDef no{IDNO, QT_TRANSLATE_NOOP("PADKIT_MessageBox", "いいえ(&N)"), QMessageBox::NoRole};
    const ButtonDef abort{IDABORT, QT_TRANSLATE_NOOP("PADKIT_MessageBox", "中止(&A)"),
                          QMessageBox::RejectRole};
    const ButtonDef retry{IDRETRY, QT_TRANSLATE_NOOP("PADKIT_MessageBox", "再試行(&R)"),
                          QMessageBox::AcceptRole};
    const ButtonDef ignore{IDIGNORE, QT_TRANSLATE_NOOP("PADKIT_MessageBox", "無視(&I)"),
                           QMessageBox::AcceptRole};
    const ButtonDef tryAgain{IDTRYAGAIN, QT_TRANSLATE_NOOP("PADKIT_MessageBox", "再実行(&T)"),
                             QMessageBox::AcceptRole};
    const ButtonDef cont{IDCONTINUE, QT_TRANSLATE_NOOP("PADKIT_MessageBox", "続行(&C)"),
                         QMessageBox::AcceptRole};
    switch (nType & MB_TYPEMASK) {
    case MB_OKCANCEL:
        return {ok, cancel};
    case MB_ABORTRETRYIGNORE:
        return {abort, retry, ignore};
    case MB_YESNOCANCEL:
        return {yes, no, cancel};
    case MB_YESNO:
        return {yes, no};
    case MB_RETRYCANCEL:
        return {retry, cancel};
    case MB_CANCELTRYCONTINUE:
        return {cancel, tryAgain, cont};
    default:
        return {ok};
    }
}

QMessageBox::Icon IconOf(UINT nType) {
    switch (nType & MB_ICONMASK) {
    case MB_ICONHAND:
        return QMessageBox::Critical;
    case MB_ICONQUESTION:
        return QMessageBox::Question;
    case MB_ICONEXCLAMATION:
        return QMessageBox::Warning;
    case MB_ICONASTERISK:
        return QMessageBox::Information;
    default:
        return QMessageBox::NoIcon;
    }
}

// The program's title string; set once at start-up on the UI thread, like a string resource.
QString s_strAppTitle;

QString CaptionOrTitle(const QString& strCaption) {
    return strCaption.isNull() ? PADKIT_GetAppTitle() : strCaption;
}

// A box that only its buttons can answer when it has no button for Esc: on the desktop a Yes/No or
// Abort/Retry/Ignore box has no cancel answer, and Qt would otherwise take No or Abort for one.
class CButtonsOnlyMessageBox : public QMessageBox {
public:
    using QMessageBox::QMessageBox;

protected:
    void keyPressEvent(QKeyEvent* e) override {
        if (e->matches(QKeySequence::Cancel)) {
            e->accept();
            return;
        }
        QMessageBox::keyPressEvent(e);
    }
    void closeEvent(QCloseEvent* e) override {
        // A click on a button hides the box without a close event; only the window's close box or
        // Alt+F4 come here.
        e->ignore();
    }
};

} // namespace

CMessageBoxResponder::CMessageBoxResponder(int nAnswer) : m_pPrevious(s_pResponder), m_nAnswer(nAnswer) {
    s_pResponder = this;
}

CMessageBoxResponder::~CMessageBoxResponder() {
    s_pResponder = m_pPrevious;
}

CMessageBoxResponder* CMessageBoxResponder::Current() {
    return s_pResponder;
}

int CMessageBoxResponder::Answer(const Request& request) {
    m_aRequest.push_back(request);
    if (!m_aQueued.empty()) {
        const int nAnswer = m_aQueued.front();
        m_aQueued.pop_front();
        return nAnswer;
    }
    return m_handler ? m_handler(request) : m_nAnswer;
}

namespace {

std::unique_ptr<QMessageBox> BuildBox(QWidget* pWnd, const QString& strText, const QString& strCaption,
                                      UINT nType) {
    const std::vector<ButtonDef> defs = ButtonsOf(nType);
    const bool bHasEscape =
        defs.size() == 1 ||
        std::any_of(defs.begin(), defs.end(), [](const ButtonDef& def) { return def.nResult == IDCANCEL; });
    std::unique_ptr<QMessageBox> box =
        bHasEscape ? std::make_unique<QMessageBox>(pWnd) : std::make_unique<CButtonsOnlyMessageBox>(pWnd);
    box->setWindowTitle(strCaption);
    box->setTextFormat(Qt::PlainText);
    box->setText(strText);
    box->setIcon(IconOf(nType));
    if (nType & (MB_SYSTEMMODAL | MB_TOPMOST | MB_SETFOREGROUND))
        box->setWindowFlag(Qt::WindowStaysOnTopHint);

    std::vector<QPushButton*> buttons;
    for (const ButtonDef& def : defs) {
        QPushButton* button =
            box->addButton(QCoreApplication::translate("PADKIT_MessageBox", def.pszText), def.role);
        button->setProperty(kResultProperty, def.nResult);
        buttons.push_back(button);
        if (def.nResult == IDCANCEL)
            box->setEscapeButton(button);
    }
    if (defs.size() == 1)
        box->setEscapeButton(buttons.front());
    const size_t nDefault = (nType & MB_DEFMASK) >> 8;
    box->setDefaultButton(buttons[nDefault < buttons.size() ? nDefault : 0]);
    return box;
}

// Shows the box, or lets the installed responder answer; the caption is final here.
int ShowBox(QWidget* pWnd, const QString& strText, const QString& strCaption, UINT nType) {
    if (CMessageBoxResponder* responder = CMessageBoxResponder::Current())
        return responder->Answer({pWnd, strText, strCaption, nType});
    const std::unique_ptr<QMessageBox> box = BuildBox(pWnd, strText, strCaption, nType);
    box->exec();
    return PADKIT_MessageBoxResult(*box);
}

} // namespace

std::unique_ptr<QMessageBox> PADKIT_BuildMessageBox(QWidget* pWnd, const QString& strText,
                                                    const QString& strCaption, UINT nType) {
    return BuildBox(pWnd, strText, CaptionOrTitle(strCaption), nType);
}

void PADKIT_SetAppTitle(const QString& strTitle) {
    s_strAppTitle = strTitle;
}

QString PADKIT_GetAppTitle() {
    return s_strAppTitle.isNull() ? QGuiApplication::applicationDisplayName() : s_strAppTitle;
}

int PADKIT_MessageBoxResult(const QMessageBox& box) {
    if (const QAbstractButton* clicked = box.clickedButton()) {
        const QVariant result = clicked->property(kResultProperty);
        if (result.isValid())
            return result.toInt();
    }
    const QList<QAbstractButton*> buttons = box.buttons();
    if (buttons.size() == 1 && buttons.front()->property(kResultProperty).toInt() == IDOK)
        return IDOK;
    return IDCANCEL;
}

int PADKIT_MessageBox(QWidget* pWnd, const QString& strText, const QString& strCaption, UINT nType) {
    return ShowBox(pWnd, strText, CaptionOrTitle(strCaption), nType);
}

int PADKIT_MessageBox(QWidget* pWnd, UINT nTextId, UINT nCaptionId, UINT nType,
                      const PADKIT_StringLoader& loadString) {
    // An id that is not found gives an empty text (and an empty caption, not the title).
    const auto load = [&](UINT nId) { return loadString ? loadString(nId) : QString(); };
    return ShowBox(pWnd, load(nTextId), load(nCaptionId != 0 ? nCaptionId : AFX_IDS_APP_TITLE), nType);
}
