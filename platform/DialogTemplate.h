#pragma once

#include "platform/WinTypes.h"

#include <QFont>
#include <QRect>
#include <QSize>
#include <QString>
#include <QWidget>

#include <functional>
#include <vector>

namespace platform {

// Window and control style bits, with their desktop values so that resource data reads as it always did.
inline constexpr DWORD WS_VISIBLE = 0x10000000;
inline constexpr DWORD WS_DISABLED = 0x08000000;
inline constexpr DWORD WS_CAPTION = 0x00C00000;
inline constexpr DWORD WS_SYSMENU = 0x00080000;
inline constexpr DWORD WS_MINIMIZEBOX = 0x00020000;
inline constexpr DWORD DS_MODALFRAME = 0x00000080;
inline constexpr DWORD SS_CENTER = 0x00000001;
inline constexpr DWORD SS_RIGHT = 0x00000002;
// Edit, static and list styles of the editing dialogs.
inline constexpr DWORD SS_BLACKFRAME = 0x00000007;
inline constexpr DWORD SS_SUNKEN = 0x00001000;
inline constexpr DWORD ES_RIGHT = 0x00000002;
inline constexpr DWORD ES_READONLY = 0x00000800;
inline constexpr DWORD ES_NUMBER = 0x00002000;

inline constexpr int IDC_STATIC = -1;
inline constexpr int IDOK = 1;
inline constexpr int IDCANCEL = 2;

// What a control of a dialog resource is. The builder makes a plain Qt widget for each kind unless the
// caller's factory supplies its own class for the control.
enum class ControlKind {
    PushButton,      // command button
    DefPushButton,   // the default button
    CheckPushButton, // auto check box drawn as a push button
    OwnerDrawButton, // button whose owner paints it
    GroupBox,
    Static, // text label (SS_CENTER / SS_RIGHT choose the alignment)
    Icon,   // picture label; text names the icon resource
    TabControl,
    ListView,
    VerticalTrackbar, // vertical trackbar without ticks
    ProgressBar,      // progress bar with a border
    Edit,             // one-line edit field (ES_READONLY, ES_NUMBER: digit keys only, ES_RIGHT)
    ComboBox,         // drop-down list; the height in the resource includes the dropped list
    ListBox,          // single-selection list of texts
    CheckBox,         // auto check box
};

struct ControlTemplate {
    int id = IDC_STATIC;
    ControlKind kind = ControlKind::Static;
    QString text;
    QRect rect; // dialog units
    DWORD style = WS_VISIBLE;
};

struct DialogTemplate {
    int id = 0;
    QSize size; // client area, dialog units
    QString caption;
    QString fontName;
    int fontPointSize = 9;
    DWORD style = WS_CAPTION | WS_SYSMENU | DS_MODALFRAME;
    int menuId = 0; // 0: no menu
    std::vector<ControlTemplate> controls;
    // The translation context of the caption and the control texts; nullptr: shown as written.
    const char* trContext = nullptr;
};

// A resource text in the user's language (the installed translators), from the given context; the
// text itself when the context is nullptr or there is no translation. UI thread.
QString TranslatedText(const char* context, const QString& text);

// The font a dialog resource names, mapped to an installed face: the Japanese system faces become IPA
// Gothic. The size is in pixels as the desktop would render the point size at 96 dpi, so layouts do not
// depend on the screen's reported resolution.
QFont DialogFont(const QString& faceName, int pointSize);

// Average character width and height of a font, the base of dialog units.
QSize DialogBaseUnits(const QFont& font);

// Dialog units to pixels: x·cx/4, y·cy/8, rounded as the desktop rounds.
QRect DialogUnitsToPixels(const QRect& units, const QSize& baseUnits);
QSize DialogUnitsToPixels(const QSize& units, const QSize& baseUnits);

// Makes the widget for a control. Returning nullptr lets the builder make its plain widget.
using ControlFactory = std::function<QWidget*(const ControlTemplate&, QWidget* parent)>;
// Called with the control id when a button of the dialog is clicked.
using CommandHandler = std::function<void(UINT id)>;

// Builds the controls of a dialog resource as children of client, which gets the dialog's font and
// fixed size. Texts are shown translated (the template keeps the source texts). Each control can be found
// again with GetDlgItem. UI thread.
void BuildDialogControls(QWidget* client, const DialogTemplate& tmpl, const ControlFactory& factory = {},
                         const CommandHandler& onCommand = {});

// Applies the caption and window style of the resource to a top-level dialog widget.
void ApplyDialogFrame(QWidget* dialog, const DialogTemplate& tmpl);

// The child of dialog with the given control id, or nullptr.
QWidget* GetDlgItem(const QWidget* dialog, int id);
int GetDlgCtrlID(const QWidget* control);

template <class T> T* GetDlgItemAs(const QWidget* dialog, int id) {
    return qobject_cast<T*>(GetDlgItem(dialog, id));
}

} // namespace platform
