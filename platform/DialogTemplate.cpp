#include "platform/DialogTemplate.h"

#include "platform/Trackbar.h"

#include <QAbstractButton>
#include <QCheckBox>
#include <QComboBox>
#include <QCoreApplication>
#include <QFontMetrics>
#include <QFrame>
#include <QGroupBox>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPainter>
#include <QProgressBar>
#include <QPushButton>
#include <QSlider>
#include <QTabBar>
#include <QTreeWidget>

#include <algorithm>

namespace platform {

namespace {

constexpr const char* kCtrlIdProperty = "dlgCtrlId";
constexpr int kScreenDpi = 96;
constexpr int kPointsPerInch = 72;

// a·b/c rounded half away from zero, as the desktop's MulDiv.
int MulDiv(int a, int b, int c) {
    const long long p = static_cast<long long>(a) * b;
    const long long half = c / 2;
    return static_cast<int>(p >= 0 ? (p + half) / c : (p - half) / c);
}

QString MappedFace(const QString& face) {
    // Monospaced system face and its proportional UI sibling.
    static const QStringList kMono = {QStringLiteral("ＭＳ ゴシック"), QStringLiteral("MS Gothic"),
                                      QStringLiteral("ＭＳ 明朝"), QStringLiteral("MS Mincho")};
    static const QStringList kProportional = {
        QStringLiteral("MS UI Gothic"), QStringLiteral("ＭＳ Ｐゴシック"), QStringLiteral("MS PGothic"),
        QStringLiteral("MS Shell Dlg"), QStringLiteral("MS Shell Dlg 2")};
    if (kMono.contains(face, Qt::CaseInsensitive))
        return QStringLiteral("IPAGothic");
    if (kProportional.contains(face, Qt::CaseInsensitive))
        return QStringLiteral("IPAPGothic");
    return face;
}

// A desktop group box: an etched frame with the title set into its top edge, nothing filled, so the
// dialog's own background shows through.
class EtchedGroupBox : public QGroupBox {
public:
    using QGroupBox::QGroupBox;

protected:
    void paintEvent(QPaintEvent*) override {
        QPainter p(this);
        const QFontMetrics fm(font());
        const int top = fm.height() / 2;
        const QRect frame = rect().adjusted(0, top, -2, -2);
        const QColor back = palette().color(QPalette::Window);
        p.setPen(back.lighter(160));
        p.drawRect(frame.translated(1, 1));
        p.setPen(back.darker(160));
        p.drawRect(frame);
        if (title().isEmpty())
            return;
        const int textX = fm.averageCharWidth();
        const QRect textRect(textX, 0, fm.horizontalAdvance(title()) + 4, fm.height());
        p.fillRect(textRect, back);
        p.setPen(palette().color(QPalette::WindowText));
        p.drawText(textRect, Qt::AlignCenter, title());
    }
};

// An ES_NUMBER edit takes digit keys only; other characters are dropped before the field sees them.
// Editing keys and shortcuts pass.
class DigitKeyFilter : public QObject {
public:
    using QObject::QObject;

protected:
    bool eventFilter(QObject* watched, QEvent* event) override {
        if (event->type() == QEvent::KeyPress) {
            const auto* key = static_cast<const QKeyEvent*>(event);
            const QString text = key->text();
            const bool command = key->modifiers() & (Qt::ControlModifier | Qt::AltModifier);
            if (!command && text.size() == 1 && text.at(0).isPrint() &&
                !(text.at(0) >= u'0' && text.at(0) <= u'9'))
                return true;
        }
        return QObject::eventFilter(watched, event);
    }
};

QWidget* MakeStatic(const ControlTemplate& c, QWidget* parent) {
    if ((c.style & 0x1F) == SS_BLACKFRAME) {
        auto* frame = new QFrame(parent);
        frame->setFrameShape(QFrame::Box);
        frame->setFrameShadow(QFrame::Plain);
        frame->setLineWidth(1);
        QPalette pal = frame->palette();
        pal.setColor(QPalette::WindowText, Qt::black);
        frame->setPalette(pal);
        return frame;
    }
    auto* l = new QLabel(c.text, parent);
    Qt::Alignment h = Qt::AlignLeft;
    if (c.style & SS_CENTER)
        h = Qt::AlignHCenter;
    else if (c.style & SS_RIGHT)
        h = Qt::AlignRight;
    l->setAlignment(h | Qt::AlignTop);
    if (c.style & SS_SUNKEN) {
        l->setFrameStyle(QFrame::Panel | QFrame::Sunken);
        l->setLineWidth(1);
        l->setAlignment(h | Qt::AlignVCenter);
    }
    return l;
}

QWidget* MakePlainControl(const ControlTemplate& c, QWidget* parent) {
    switch (c.kind) {
    case ControlKind::PushButton:
    case ControlKind::OwnerDrawButton:
        return new QPushButton(c.text, parent);
    case ControlKind::DefPushButton: {
        auto* b = new QPushButton(c.text, parent);
        b->setDefault(true);
        return b;
    }
    case ControlKind::CheckPushButton: {
        auto* b = new QPushButton(c.text, parent);
        b->setCheckable(true);
        return b;
    }
    case ControlKind::GroupBox:
        return new EtchedGroupBox(c.text, parent);
    case ControlKind::Static:
        return MakeStatic(c, parent);
    case ControlKind::Icon:
        return new QLabel(parent);
    case ControlKind::TabControl:
        return new QTabBar(parent);
    case ControlKind::ListView: {
        auto* t = new QTreeWidget(parent);
        t->setRootIsDecorated(false);
        return t;
    }
    case ControlKind::VerticalTrackbar:
        return new CTrackbar(Qt::Vertical, parent);
    case ControlKind::ProgressBar: {
        auto* bar = new QProgressBar(parent);
        bar->setTextVisible(false);
        return bar;
    }
    case ControlKind::Edit:
        return new QLineEdit(parent);
    case ControlKind::ComboBox:
        return new QComboBox(parent);
    case ControlKind::ListBox: {
        auto* list = new QListWidget(parent);
        list->setSelectionMode(QAbstractItemView::SingleSelection);
        return list;
    }
    case ControlKind::CheckBox:
        return new QCheckBox(c.text, parent);
    }
    return new QWidget(parent);
}

// What the desktop gives every control whatever its class: its window text, and for a trackbar the
// orientation and direction (position 0 at the top, growing downwards). A caller's class keeps its own
// check behaviour.
void ApplyCommonTraits(QWidget* w, const ControlTemplate& c) {
    if (!c.text.isEmpty() && c.kind != ControlKind::Icon) {
        if (auto* button = qobject_cast<QAbstractButton*>(w))
            button->setText(c.text);
        else if (auto* label = qobject_cast<QLabel*>(w))
            label->setText(c.text);
        else if (auto* box = qobject_cast<QGroupBox*>(w))
            box->setTitle(c.text);
    }
    if (auto* edit = qobject_cast<QLineEdit*>(w); edit && c.kind == ControlKind::Edit) {
        edit->setText(c.text);
        edit->setReadOnly(c.style & ES_READONLY);
        edit->setAlignment((c.style & ES_RIGHT) ? Qt::AlignRight | Qt::AlignVCenter
                                                : Qt::AlignLeft | Qt::AlignVCenter);
        if (c.style & ES_NUMBER)
            edit->installEventFilter(new DigitKeyFilter(edit));
    }
    if (auto* slider = qobject_cast<QSlider*>(w); slider && c.kind == ControlKind::VerticalTrackbar) {
        slider->setOrientation(Qt::Vertical);
        slider->setTickPosition(QSlider::NoTicks);
        slider->setInvertedAppearance(true);
        slider->setInvertedControls(true);
    }
}

} // namespace

QString TranslatedText(const char* context, const QString& text) {
    if (!context || text.isEmpty())
        return text;
    return QCoreApplication::translate(context, text.toUtf8().constData());
}

QFont DialogFont(const QString& faceName, int pointSize) {
    QFont font(MappedFace(faceName));
    font.setPixelSize(MulDiv(pointSize, kScreenDpi, kPointsPerInch));
    font.setStyleHint(QFont::SansSerif);
    return font;
}

QSize DialogBaseUnits(const QFont& font) {
    const QFontMetrics fm(font);
    const int width52 =
        fm.horizontalAdvance(QStringLiteral("ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz"));
    return QSize((width52 / 26 + 1) / 2, fm.height());
}

QRect DialogUnitsToPixels(const QRect& units, const QSize& base) {
    const int left = MulDiv(units.x(), base.width(), 4);
    const int top = MulDiv(units.y(), base.height(), 8);
    const int right = MulDiv(units.x() + units.width(), base.width(), 4);
    const int bottom = MulDiv(units.y() + units.height(), base.height(), 8);
    return QRect(left, top, right - left, bottom - top);
}

QSize DialogUnitsToPixels(const QSize& units, const QSize& base) {
    return QSize(MulDiv(units.width(), base.width(), 4), MulDiv(units.height(), base.height(), 8));
}

void BuildDialogControls(QWidget* client, const DialogTemplate& tmpl, const ControlFactory& factory,
                         const CommandHandler& onCommand) {
    const QFont font = DialogFont(tmpl.fontName, tmpl.fontPointSize);
    client->setFont(font);
    const QSize base = DialogBaseUnits(font);
    client->setFixedSize(DialogUnitsToPixels(tmpl.size, base));

    for (const ControlTemplate& source : tmpl.controls) {
        ControlTemplate c = source;
        c.text = TranslatedText(tmpl.trContext, source.text);
        QWidget* w = factory ? factory(c, client) : nullptr;
        if (!w)
            w = MakePlainControl(c, client);
        ApplyCommonTraits(w, c);
        w->setProperty(kCtrlIdProperty, c.id);
        if (c.id != IDC_STATIC)
            w->setObjectName(QStringLiteral("ctrl%1").arg(c.id));
        QRect rect = DialogUnitsToPixels(c.rect, base);
        // A drop-down list's resource height counts the dropped list; closed it is one line high.
        if (c.kind == ControlKind::ComboBox)
            rect.setHeight(std::min(rect.height(), w->sizeHint().height()));
        w->setGeometry(rect);
        w->setEnabled(!(c.style & WS_DISABLED));
        w->setVisible(c.style & WS_VISIBLE);
        if (auto* button = qobject_cast<QAbstractButton*>(w); button && onCommand && c.id != IDC_STATIC) {
            const UINT id = static_cast<UINT>(c.id);
            QObject::connect(button, &QAbstractButton::clicked, client, [onCommand, id] { onCommand(id); });
        }
    }
}

void ApplyDialogFrame(QWidget* dialog, const DialogTemplate& tmpl) {
    Qt::WindowFlags flags = Qt::Window | Qt::CustomizeWindowHint;
    if (tmpl.style & WS_CAPTION)
        flags |= Qt::WindowTitleHint;
    if (tmpl.style & WS_SYSMENU)
        flags |= Qt::WindowSystemMenuHint | Qt::WindowCloseButtonHint;
    if (tmpl.style & WS_MINIMIZEBOX)
        flags |= Qt::WindowMinimizeButtonHint;
    dialog->setWindowFlags(flags);
    dialog->setWindowTitle(TranslatedText(tmpl.trContext, tmpl.caption));
    dialog->setFont(DialogFont(tmpl.fontName, tmpl.fontPointSize));
}

QWidget* GetDlgItem(const QWidget* dialog, int id) {
    if (!dialog || id == IDC_STATIC)
        return nullptr;
    const auto children = dialog->findChildren<QWidget*>();
    for (QWidget* w : children) {
        const QVariant v = w->property(kCtrlIdProperty);
        if (v.isValid() && v.toInt() == id)
            return w;
    }
    return nullptr;
}

int GetDlgCtrlID(const QWidget* control) {
    if (!control)
        return 0;
    const QVariant v = control->property(kCtrlIdProperty);
    return v.isValid() ? v.toInt() : 0;
}

} // namespace platform
