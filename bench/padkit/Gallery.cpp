// Shows every Padkit control in its states on one window. With --screenshot FILE.png it renders the
// window off-screen to FILE.png and exits.

#include "app/res/MeterScale.h"
#include "app/res/WindowColors.h"
#include "padkit/controls/BaseListCtrl.h"
#include "padkit/controls/BaseTabCtrl.h"
#include "padkit/controls/DlgButton.h"
#include "padkit/controls/GdiColorButton.h"
#include "padkit/controls/LevelFaderCtrl.h"
#include "padkit/controls/SysColor.h"
#include "padkit/controls/VolumeCtrl.h"
#include "platform/DialogTemplate.h"

#include <QApplication>
#include <QCommandLineParser>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QMouseEvent>
#include <QPainter>
#include <QPushButton>
#include <QVBoxLayout>

#include <cstdio>
#include <memory>

namespace {

// The main window's channel strips: switches that are on show as its R, FI and FO do.
constexpr COLORREF kStripBack = wincolor::kBack;
constexpr COLORREF kPadFace = wincolor::kGreyFace;
constexpr COLORREF kPadFaceHi = wincolor::kGreyFaceHi;
constexpr COLORREF kOnFace = wincolor::kSwitchOnFace;
constexpr COLORREF kOnFaceHi = wincolor::kSwitchOnFaceHi;
constexpr COLORREF kStopFace = wincolor::kAllStopFace;
constexpr COLORREF kStopFaceHi = wincolor::kAllStopFaceHi;

QWidget* Captioned(QWidget* control, const QString& caption, QWidget* parent) {
    auto* box = new QWidget(parent);
    auto* v = new QVBoxLayout(box);
    v->setContentsMargins(2, 2, 2, 2);
    v->setSpacing(3);
    control->setParent(box);
    v->addWidget(control, 0, Qt::AlignHCenter);
    auto* label = new QLabel(caption, box);
    label->setAlignment(Qt::AlignHCenter);
    v->addWidget(label);
    return box;
}

QWidget* MakeFaders(QWidget* parent) {
    auto* group = new QGroupBox(QStringLiteral("CLevelFaderCtrl (%1..0 dB)").arg(meterscale::kFloor), parent);
    auto* row = new QHBoxLayout(group);
    const int levels[] = {meterscale::kFloor, -30, meterscale::kYellowMin, -12, meterscale::kRedMin, -3, 0};
    int thumb = 0;
    for (int level : levels) {
        auto* fader = new CLevelFaderCtrl;
        fader->setFixedSize(32, 150);
        fader->setRange(0, 100);
        fader->setValue(thumb);
        thumb += 15;
        fader->SetLevelRange(meterscale::kFloor, 0);
        fader->SetLevelRangeR(meterscale::kRedMin, 0);
        fader->SetLevelRangeY(meterscale::kYellowMin, meterscale::kRedMin);
        fader->SetLevelRangeG(meterscale::kFloor, meterscale::kYellowMin);
        fader->SetLevelPos(level);
        row->addWidget(Captioned(fader, QStringLiteral("%1").arg(level), group));
    }
    return group;
}

QWidget* MakeKnobs(QWidget* parent) {
    auto* group = new QGroupBox(QStringLiteral("CVolumeCtrl"), parent);
    auto* row = new QHBoxLayout(group);
    struct Knob {
        int min, max, pos;
        const char* caption;
    };
    const Knob knobs[] = {{-50, 50, -50, "PAN -50"}, {-50, 50, 0, "PAN 0"},    {-50, 50, 50, "PAN 50"},
                          {1, 100, 10, "SPD 10"},    {1, 100, 100, "SPD 100"}, {0, 0, 0, "empty range"}};
    for (const Knob& k : knobs) {
        auto* knob = new CVolumeCtrl;
        knob->setFixedSize(40, 40);
        knob->SetRange(k.min, k.max);
        knob->SetPos(k.pos);
        knob->SetBkColor(kStripBack);
        row->addWidget(Captioned(knob, QString::fromUtf8(k.caption), group));
    }
    auto* small = new CVolumeCtrl;
    small->setFixedSize(24, 24);
    small->SetRange(-50, 50);
    small->SetPos(20);
    row->addWidget(Captioned(small, QStringLiteral("24 px"), group));
    return group;
}

CGdiColorButton* StripButton(const QString& text, DWORD style, bool on) {
    auto* b = new CGdiColorButton(text, style);
    b->setFixedSize(56, 30);
    b->SetCornerR(5);
    b->SetFaceColor(on ? kOnFace : kPadFace);
    b->SetFaceHiColor(on ? kOnFaceHi : kPadFaceHi);
    b->SetBackColor(kStripBack);
    if (on)
        b->SetCheck(1);
    return b;
}

// States that need the mouse are put on once the window is laid out.
struct ButtonStates {
    std::vector<CGdiColorButton*> hovered;
    std::vector<CGdiColorButton*> pressed;
    CGdiColorButton* focused = nullptr;
};

QWidget* MakeColorButtons(QWidget* parent, ButtonStates& states) {
    auto* group = new QGroupBox(QStringLiteral("CGdiColorButton"), parent);
    group->setAutoFillBackground(true);
    QPalette pal = group->palette();
    pal.setColor(QPalette::Window, padkit::ToQColor(wincolor::kBack));
    pal.setColor(QPalette::WindowText, padkit::ToQColor(wincolor::kStaticText));
    group->setPalette(pal);
    auto* grid = new QGridLayout(group);
    const QString kinds[] = {QStringLiteral("push"), QStringLiteral("check box"), QStringLiteral("radio")};
    const DWORD styles[] = {padkit::BS_PUSHBUTTON, padkit::BS_AUTOCHECKBOX, padkit::BS_AUTORADIOBUTTON};
    const QString texts[] = {QStringLiteral("1"), QStringLiteral("R"), QStringLiteral("FI")};
    const QString columns[] = {QStringLiteral("normal"),  QStringLiteral("hovered"),
                               QStringLiteral("pressed"), QStringLiteral("disabled"),
                               QStringLiteral("checked"), QStringLiteral("focus")};
    for (int c = 0; c < 6; ++c) {
        auto* head = new QLabel(columns[c], group);
        head->setAlignment(Qt::AlignHCenter);
        grid->addWidget(head, 0, c + 1);
    }
    for (int r = 0; r < 3; ++r) {
        grid->addWidget(new QLabel(kinds[r], group), r + 1, 0);
        for (int c = 0; c < 6; ++c) {
            const bool checked = c == 4;
            if (checked && r == 0) // a push button has no check state
                continue;
            CGdiColorButton* b = StripButton(texts[r], styles[r], checked);
            grid->addWidget(b, r + 1, c + 1, Qt::AlignHCenter);
            if (c == 1)
                states.hovered.push_back(b);
            if (c == 2)
                states.pressed.push_back(b);
            if (c == 3)
                b->setEnabled(false);
            if (c == 5 && r == 0)
                states.focused = b;
        }
    }
    auto* stop = new CGdiColorButton(QStringLiteral("全停止"), padkit::BS_PUSHBUTTON, group);
    stop->setFixedSize(120, 40);
    stop->SetFaceColor(kStopFace);
    stop->SetFaceHiColor(kStopFaceHi);
    stop->SetBackColor(kStripBack);
    grid->addWidget(stop, 1, 7, 2, 1, Qt::AlignCenter);
    auto* square = StripButton(QStringLiteral("0"), padkit::BS_PUSHBUTTON, false);
    square->SetCornerR(0);
    grid->addWidget(square, 3, 7, Qt::AlignCenter);
    return group;
}

// A small picture drawn here, standing in for an image resource.
QImage SpeakerImage() {
    QImage img(16, 16, QImage::Format_ARGB32);
    img.fill(QColor(0xC0, 0xE0, 0xFF));
    QPainter p(&img);
    p.setRenderHint(QPainter::Antialiasing);
    p.setPen(Qt::NoPen);
    p.setBrush(QColor(0x20, 0x40, 0x80));
    p.drawRect(2, 6, 4, 4);
    p.drawPolygon(QPolygon({QPoint(6, 6), QPoint(11, 2), QPoint(11, 14), QPoint(6, 10)}));
    return img;
}

QWidget* MakePictureButtons(QWidget* parent, CDlgButton& pictures) {
    auto* group = new QGroupBox(QStringLiteral("CDlgButton"), parent);
    platform::DialogTemplate tmpl;
    tmpl.size = QSize(260, 30);
    tmpl.controls = {
        {2001, platform::ControlKind::PushButton, QStringLiteral("bitmap"), QRect(4, 4, 40, 20)},
        {2002, platform::ControlKind::PushButton, QStringLiteral("wide"), QRect(50, 4, 40, 20)},
        {2003, platform::ControlKind::PushButton, QStringLiteral("再生"), QRect(96, 4, 40, 20)},
        {2004, platform::ControlKind::PushButton, QStringLiteral("一時\n停止"), QRect(142, 4, 40, 20)},
        {2005, platform::ControlKind::PushButton, QStringLiteral("1\n2\n3"), QRect(188, 2, 40, 26)},
    };
    auto* client = new QWidget(group);
    platform::BuildDialogControls(client, tmpl);
    auto* v = new QVBoxLayout(group);
    v->addWidget(client);
    pictures.SetBitmapImage(client, 2001, SpeakerImage());
    pictures.SetBitmapImage(client, 2002, SpeakerImage().scaled(64, 16));
    pictures.SetTextBitmap(client, 2003, RGB(0, 0, 0x80), RGB(0xFF, 0xFF, 0), QString(), 14);
    pictures.SetTextBitmap(client, 2004, RGB(0x40, 0x40, 0x40), RGB(0xFF, 0xFF, 0xFF), QString(), 12);
    pictures.SetTextBitmap(client, 2005, RGB(0xFF, 0xFF, 0xFF), RGB(0, 0, 0), QString(), 12);
    return group;
}

QWidget* MakeTabs(QWidget* parent) {
    auto* group = new QGroupBox(QStringLiteral("CBaseTabCtrl"), parent);
    auto* v = new QVBoxLayout(group);
    auto* tabs = new CBaseTabCtrl(group);
    for (const char* name : {"Group1", "効果音", "BGM", "エンディング"})
        tabs->addTab(QString::fromUtf8(name));
    tabs->setCurrentIndex(1);
    v->addWidget(tabs);
    return group;
}

} // namespace

// The list control's demonstration: ten rows and a sort arrow.
static QWidget* makeListDemo(QWidget* parent) {
    // Ten channels ordered by title, descending, with the arrow on the title column; rows 3 and 4 selected.
    static constexpr const char* kTitles[10] = {"開演ベル", "拍手", "雷鳴", "雨音",   "汽笛",
                                                "ドアの音", "足音", "電話", "鳥の声", "終演アナウンス"};
    class DemoList : public CBaseListCtrl {
    public:
        explicit DemoList(QWidget* p) : CBaseListCtrl(p) {
            m_nColumnCount = 4;
            m_nSortKeyCount = 1;
            m_pnSortKey = &m_key;
            m_pnSortDirection = &m_direction;
            m_nSortMarkColumn = 2;
        }
        void InitColumn() override {
            CBaseListCtrl::InitColumn();
            const int ave = fontMetrics().averageCharWidth();
            InsertColumn(0, "", LVCFMT_LEFT, 0);
            InsertColumn(1, "CH", LVCFMT_CENTER, 6 * ave);
            InsertColumn(2, "TITLE", LVCFMT_LEFT, 24 * ave);
            InsertColumn(3, "TIME", LVCFMT_RIGHT, 20 * ave);
        }
        short SortCheck(short, int dbid1, int dbid2) override {
            const int c = QString::fromUtf8(kTitles[dbid1]).compare(QString::fromUtf8(kTitles[dbid2]));
            return static_cast<short>((c > 0) - (c < 0));
        }
        void OnGetDispInfo(NMHDR* pNMHDR, LRESULT* pResult) override {
            CBaseListCtrl::OnGetDispInfo(pNMHDR, pResult);
            auto* info = reinterpret_cast<NMLVDISPINFO*>(pNMHDR);
            const int ch = static_cast<int>(info->item.lParam);
            if (!(info->item.mask & LVIF_TEXT) || ch < 0 || ch > 9)
                return;
            const auto size = static_cast<size_t>(info->item.cchTextMax);
            if (info->item.iSubItem == 1)
                std::snprintf(info->item.pszText, size, "%d", ch + 1 < 10 ? ch + 1 : ch - 9);
            else if (info->item.iSubItem == 2)
                std::snprintf(info->item.pszText, size, "%s", kTitles[ch]);
            else if (info->item.iSubItem == 3)
                std::snprintf(info->item.pszText, size, "%02d:%02d/%02d:%02d", ch, 7 * ch % 60, 3 + ch, 15);
        }

    private:
        short m_key = 0;
        int m_direction = 2;
    };
    auto* list = new DemoList(parent);
    list->SetListStyle(LVS_SHOWSELALWAYS);
    list->SetExtendedStyle(LVS_EX_GRIDLINES | LVS_EX_FULLROWSELECT | LVS_EX_INFOTIP);
    list->InitColumn();
    list->SetItemHeight(22);
    list->SetList(10, FALSE);
    list->SetCurSel(3, TRUE, FALSE);
    list->SetCurSel(4, FALSE, FALSE);
    list->setMinimumSize(420, 280);
    return list;
}

int main(int argc, char** argv) {
    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("padkit-gallery"));
    QCommandLineParser parser;
    parser.setApplicationDescription(QStringLiteral("Every Padkit control in its states."));
    parser.addHelpOption();
    const QCommandLineOption shot(QStringLiteral("screenshot"),
                                  QStringLiteral("Render the window to this PNG file and exit."),
                                  QStringLiteral("file"));
    parser.addOption(shot);
    parser.process(app);

    QWidget window;
    window.setWindowTitle(QStringLiteral("Padkit gallery"));
    CDlgButton pictures;
    ButtonStates states;
    auto* grid = new QGridLayout(&window);
    grid->addWidget(MakeFaders(&window), 0, 0);
    grid->addWidget(MakeKnobs(&window), 1, 0);
    grid->addWidget(MakeColorButtons(&window, states), 2, 0);
    grid->addWidget(MakePictureButtons(&window, pictures), 3, 0);
    grid->addWidget(MakeTabs(&window), 4, 0);
    auto* listBox = new QGroupBox(QStringLiteral("CBaseListCtrl"), &window);
    auto* listLayout = new QVBoxLayout(listBox);
    listLayout->addWidget(makeListDemo(listBox));
    grid->addWidget(listBox, 0, 1, 5, 1);

    window.show();
    window.activateWindow();
    QApplication::processEvents();

    for (CGdiColorButton* b : states.hovered) {
        const QPointF at(b->width() / 2.0, b->height() / 2.0);
        QEnterEvent enter(at, at, b->mapToGlobal(at));
        QApplication::sendEvent(b, &enter);
    }
    for (CGdiColorButton* b : states.pressed) {
        const QPointF at(b->width() / 2.0, b->height() / 2.0);
        QMouseEvent press(QEvent::MouseButtonPress, at, b->mapToGlobal(at), Qt::LeftButton, Qt::LeftButton,
                          Qt::NoModifier);
        QApplication::sendEvent(b, &press);
    }
    if (states.focused)
        states.focused->setFocus(Qt::OtherFocusReason);
    QApplication::processEvents();

    if (parser.isSet(shot)) {
        const QString file = parser.value(shot);
        const QPixmap pixmap = window.grab();
        if (!pixmap.save(file, "PNG")) {
            std::fprintf(stderr, "padkit-gallery: cannot write %s\n", qPrintable(file));
            return 1;
        }
        return 0;
    }
    return app.exec();
}
