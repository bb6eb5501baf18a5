#pragma once

#include "padkit/PadkitExport.h"
#include "platform/WinTypes.h"

#include <QString>
#include <deque>
#include <functional>
#include <memory>
#include <vector>

class QMessageBox;
class QWidget;

// Message-box type flags and results with their desktop values, so that callers and stored
// answers keep their meaning.
inline constexpr UINT MB_OK = 0x00000000;
inline constexpr UINT MB_OKCANCEL = 0x00000001;
inline constexpr UINT MB_ABORTRETRYIGNORE = 0x00000002;
inline constexpr UINT MB_YESNOCANCEL = 0x00000003;
inline constexpr UINT MB_YESNO = 0x00000004;
inline constexpr UINT MB_RETRYCANCEL = 0x00000005;
inline constexpr UINT MB_CANCELTRYCONTINUE = 0x00000006;
inline constexpr UINT MB_TYPEMASK = 0x0000000F;

inline constexpr UINT MB_ICONHAND = 0x00000010;
inline constexpr UINT MB_ICONERROR = MB_ICONHAND;
inline constexpr UINT MB_ICONSTOP = MB_ICONHAND;
inline constexpr UINT MB_ICONQUESTION = 0x00000020;
inline constexpr UINT MB_ICONEXCLAMATION = 0x00000030;
inline constexpr UINT MB_ICONWARNING = MB_ICONEXCLAMATION;
inline constexpr UINT MB_ICONASTERISK = 0x00000040;
inline constexpr UINT MB_ICONINFORMATION = MB_ICONASTERISK;
inline constexpr UINT MB_ICONMASK = 0x000000F0;

inline constexpr UINT MB_DEFBUTTON1 = 0x00000000;
inline constexpr UINT MB_DEFBUTTON2 = 0x00000100;
inline constexpr UINT MB_DEFBUTTON3 = 0x00000200;
inline constexpr UINT MB_DEFBUTTON4 = 0x00000300;
inline constexpr UINT MB_DEFMASK = 0x00000F00;

inline constexpr UINT MB_APPLMODAL = 0x00000000;
inline constexpr UINT MB_SYSTEMMODAL = 0x00001000;
inline constexpr UINT MB_TASKMODAL = 0x00002000;
inline constexpr UINT MB_SETFOREGROUND = 0x00010000;
inline constexpr UINT MB_TOPMOST = 0x00040000;

inline constexpr int IDOK = 1;
inline constexpr int IDCANCEL = 2;
inline constexpr int IDABORT = 3;
inline constexpr int IDRETRY = 4;
inline constexpr int IDIGNORE = 5;
inline constexpr int IDYES = 6;
inline constexpr int IDNO = 7;
inline constexpr int IDTRYAGAIN = 10;
inline constexpr int IDCONTINUE = 11;

// The framework's application-title string: the default caption.
inline constexpr UINT AFX_IDS_APP_TITLE = 0xE000;

// Looks up one of the program's string resources; an unknown id gives "".
using PADKIT_StringLoader = std::function<QString(UINT nId)>;

// The application's title, the caption of boxes that name none (the program's string 57344). The
// program sets it once at start-up. It is deliberately not Qt's application display name: the X11
// platform appends that to every window title ("エラー — Padora"), and captions must read exactly as
// given. Until set, the title is QGuiApplication::applicationDisplayName(). UI thread.
PADKIT_API void PADKIT_SetAppTitle(const QString& strTitle);
PADKIT_API QString PADKIT_GetAppTitle();

// Shows a modal message box and returns the desktop result code (IDOK, IDYES, ...). A null
// caption (QString()) means the application's title (PADKIT_GetAppTitle). The text is plain text,
// never markup: a path may hold '<'. A box without a Cancel or single OK button (Yes/No,
// Abort/Retry/Ignore) ignores Esc and the close box: only its buttons answer it. UI thread.
PADKIT_API int PADKIT_MessageBox(QWidget* pWnd, const QString& strText, const QString& strCaption,
                                 UINT nType);

// The same with the text and caption taken from string resources through loadString; a caption
// id of 0 means AFX_IDS_APP_TITLE. UI thread.
PADKIT_API int PADKIT_MessageBox(QWidget* pWnd, UINT nTextId, UINT nCaptionId, UINT nType,
                                 const PADKIT_StringLoader& loadString);

// The box PADKIT_MessageBox shows for these flags, not yet shown: buttons, icon, default and
// escape buttons. PADKIT_MessageBoxResult gives the result code for the button clicked in it
// (IDCANCEL when none was, or IDOK for a box with only OK).
PADKIT_API std::unique_ptr<QMessageBox> PADKIT_BuildMessageBox(QWidget* pWnd, const QString& strText,
                                                               const QString& strCaption, UINT nType);
PADKIT_API int PADKIT_MessageBoxResult(const QMessageBox& box);

// Answers message boxes instead of showing them while it lives, and records what was asked, so
// that no test blocks on a dialog. Installed by its constructor and removed by its destructor;
// nested responders stack (the newest answers). UI thread only.
class PADKIT_API CMessageBoxResponder {
public:
    struct Request {
        QWidget* pWnd;
        QString strText;
        QString strCaption; // as shown, the default caption already filled in
        UINT nType;
    };
    using Handler = std::function<int(const Request&)>;

    explicit CMessageBoxResponder(int nAnswer = IDOK);
    ~CMessageBoxResponder();
    CMessageBoxResponder(const CMessageBoxResponder&) = delete;
    CMessageBoxResponder& operator=(const CMessageBoxResponder&) = delete;

    // The answer given when no queued answer or handler applies.
    void SetAnswer(int nAnswer) { m_nAnswer = nAnswer; }
    // Answers used once each, in order, before the default.
    void QueueAnswer(int nAnswer) { m_aQueued.push_back(nAnswer); }
    // Decides each answer itself (queued answers still come first).
    void SetHandler(Handler handler) { m_handler = std::move(handler); }

    const std::vector<Request>& Requests() const { return m_aRequest; }
    int Count() const { return static_cast<int>(m_aRequest.size()); }
    void Clear() { m_aRequest.clear(); }

    // The responder in charge, or null. Used by PADKIT_MessageBox.
    static CMessageBoxResponder* Current();
    int Answer(const Request& request);

private:
    CMessageBoxResponder* m_pPrevious;
    int m_nAnswer;
    std::deque<int> m_aQueued;
    Handler m_handler;
    std::vector<Request> m_aRequest;
};
