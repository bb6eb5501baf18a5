#include "app/remote/TriggerTexts.h"
#include "app/res/Resources.h"
#include "platform/DialogTemplate.h"
#include "platform/MenuTemplate.h"

#include <QAbstractButton>
#include <QAction>
#include <QApplication>
#include <QCheckBox>
#include <QFile>
#include <QFontMetrics>
#include <QGroupBox>
#include <QLabel>
#include <QMenu>
#include <QMenuBar>
#include <QPushButton>
#include <QRegularExpression>
#include <QStyle>
#include <QWidget>
#include <QXmlStreamReader>
#include <gtest/gtest.h>

#include <vector>

namespace {

// Room a push button's frame and bevel take on each side of its text.
constexpr int kButtonPadding = 3;

bool HasJapanese(const QString& text) {
    for (const QChar c : text) {
        const char16_t u = c.unicode();
        if ((u >= 0x3000 && u <= 0x30FF) || (u >= 0x4E00 && u <= 0x9FFF) || (u >= 0xFF00 && u <= 0xFFEF))
            return true;
    }
    return false;
}

struct CatalogueEntry {
    QString context;
    QString source;
    QString translation;
    bool unfinished = false;
};

std::vector<CatalogueEntry> ReadCatalogue() {
    std::vector<CatalogueEntry> entries;
    QFile file(QStringLiteral(PADORA_ENGLISH_TS));
    if (!file.open(QIODevice::ReadOnly))
        return entries;
    QXmlStreamReader xml(&file);
    QString context;
    CatalogueEntry entry;
    while (!xml.atEnd()) {
        xml.readNext();
        if (!xml.isStartElement())
            continue;
        if (xml.name() == u"name") {
            context = xml.readElementText();
        } else if (xml.name() == u"source") {
            entry = CatalogueEntry{context, xml.readElementText(), {}, false};
        } else if (xml.name() == u"translation") {
            entry.unfinished = xml.attributes().value(QStringLiteral("type")) == QStringLiteral("unfinished");
            entry.translation = xml.readElementText();
            entries.push_back(entry);
        }
    }
    return entries;
}

QStringList Placeholders(const QString& text) {
    static const QRegularExpression kArg(QStringLiteral("%\\d"));
    QStringList found;
    for (auto it = kArg.globalMatch(text); it.hasNext();)
        found << it.next().captured();
    found.sort();
    return found;
}

// Every text has an English rendering that keeps what the program fills in and what the keys rely on.
TEST(EnglishCatalogue, EveryTextIsTranslatedKeepingPlaceholdersMnemonicsAndShortcuts) {
    const std::vector<CatalogueEntry> entries = ReadCatalogue();
    ASSERT_GT(entries.size(), 200u);
    for (const CatalogueEntry& e : entries) {
        const std::string where = (e.context + QStringLiteral(": ") + e.source).toStdString();
        EXPECT_FALSE(e.unfinished) << where;
        EXPECT_FALSE(e.translation.isEmpty()) << where;
        EXPECT_EQ(Placeholders(e.translation), Placeholders(e.source)) << where;
        EXPECT_EQ(e.source.count(u'&') > 0, e.translation.count(u'&') > 0) << where;
        EXPECT_EQ(e.source.section(u'\t', 1), e.translation.section(u'\t', 1)) << where;
        // The one Japanese word left is the language's own name beside its English one.
        if (e.source != QStringLiteral("日本語")) {
            EXPECT_FALSE(HasJapanese(e.translation)) << where;
        }
    }
}

// How wide a text may be inside its control, or -1 when the control has no text to measure.
struct Room {
    QString text;
    int width = -1;
};

Room RoomOf(QWidget* w) {
    if (auto* box = qobject_cast<QCheckBox*>(w)) {
        const QStyle* s = box->style();
        return {box->text(), box->width() - s->pixelMetric(QStyle::PM_IndicatorWidth, nullptr, box) -
                                 s->pixelMetric(QStyle::PM_CheckBoxLabelSpacing, nullptr, box)};
    }
    if (auto* button = qobject_cast<QAbstractButton*>(w))
        return {button->text(), button->width() - 2 * kButtonPadding};
    if (auto* label = qobject_cast<QLabel*>(w)) {
        if (label->pixmap().isNull() && !label->wordWrap())
            return {label->text(), label->width() - 2 * label->frameWidth()};
        return {};
    }
    if (auto* group = qobject_cast<QGroupBox*>(w))
        return {group->title(), w->width() - 2 * QFontMetrics(w->font()).averageCharWidth()};
    return {};
}

// Each line of a text is measured with the control's own font; a mnemonic's ampersand is not shown.
int TextWidth(const QWidget* w, const QString& text) {
    const QFontMetrics fm(w->font());
    int widest = 0;
    for (QString line : text.split(u'\n')) {
        line.remove(u'&');
        widest = std::max(widest, fm.horizontalAdvance(line));
    }
    return widest;
}

class EnglishDialogs : public ::testing::TestWithParam<int> {};

TEST_P(EnglishDialogs, EveryTextIsEnglishAndFitsItsControl) {
    const platform::DialogTemplate* tmpl = FindDialogResource(GetParam());
    ASSERT_NE(tmpl, nullptr);
    QWidget dialog;
    platform::ApplyDialogFrame(&dialog, *tmpl);
    EXPECT_FALSE(HasJapanese(dialog.windowTitle())) << dialog.windowTitle().toStdString();
    platform::BuildDialogControls(&dialog, *tmpl);
    int measured = 0;
    for (QWidget* w : dialog.findChildren<QWidget*>()) {
        if (w->isHidden())
            continue;
        const Room room = RoomOf(w);
        if (room.width < 0 || room.text.isEmpty())
            continue;
        ++measured;
        const std::string what = room.text.toStdString();
        EXPECT_FALSE(HasJapanese(room.text)) << what;
        EXPECT_LE(TextWidth(w, room.text), room.width)
            << what << " in " << w->metaObject()->className() << " " << w->width() << " px";
    }
    EXPECT_GT(measured, 0);
}

INSTANTIATE_TEST_SUITE_P(AllResources, EnglishDialogs,
                         ::testing::Values(IDD_ABOUTBOX, IDD_PADORA_DIALOG, IDD_LOADPROC_DIALOG,
                                           IDD_CHANNEL_EDIT, IDD_GROUP_DLG, IDD_GROUP_EDIT, IDD_GROUP_INP,
                                           IDD_OPTION, IDD_OPTION_PAGE1, IDD_OPTION_PAGE2, IDD_OPTION_PAGE3,
                                           IDD_OPTION_PAGE4, IDD_OPTION_PAGE5, IDD_WEB_REMOTE));

// Texts the windows put into controls after building them, measured in the control they go into.
// The command-line triggers speak without Qt from a table made of the catalogue when building: every
// text of theirs reads there exactly as the catalogue has it, and Japanese is the text as written.
TEST(EnglishCatalogue, TheTriggersTableSaysWhatTheCatalogueSays) {
    const CTriggerTexts english(true), japanese(false);
    int compared = 0;
    for (const CatalogueEntry& e : ReadCatalogue()) {
        if (e.context != QLatin1String(CTriggerTexts::kContext))
            continue;
        const QByteArray source = e.source.toUtf8();
        EXPECT_EQ(QString::fromUtf8(english.Text(source.constData())), e.translation) << source.constData();
        EXPECT_STREQ(japanese.Text(source.constData()), source.constData());
        ++compared;
    }
    EXPECT_GE(compared, 15);
    EXPECT_STREQ(english.Text("未知の文"), "未知の文");
    // The values go into the translated text, and a value's own "%2" stays as it is.
    const TriggerMessage twoArgs{"トリガーのオプションは一度に一つだけ指定できます: %1 %2",
                                 {"--pad=%2", "--state"}};
    EXPECT_EQ(english.Say(twoArgs), "Only one trigger option can be given at a time: --pad=%2 --state");
}

TEST(EnglishDialogs, TextsSetAtRunTimeFitTheirControls) {
    struct Placed {
        int dialog;
        int control;
        const char* context;
        const char* source;
    };
    const Placed placed[] = {
        {IDD_OPTION_PAGE5, IDC_OPT5_LEARN1, "COptionPage5", "操作待ち"},
        {IDD_OPTION_PAGE5, IDC_OPT5_MIDI, "COptionPage5", "MIDI は使われていません"},
        {IDD_OPTION_PAGE3, IDC_OPT3_LANGUAGE, "COptionPage3", "自動 (デスクトップの言語)"},
        {IDD_OPTION_PAGE4, IDC_OPT4_DEVICE, "COptionPage4", "既定のデバイス"},
        {IDD_OPTION_PAGE4, IDC_OPT4_CUEKEY, "COptionPage4", "なし"},
        {IDD_CHANNEL_EDIT, IDC_CHEDIT_LUFS, "CChannelEditDlg", "測定できません"},
    };
    constexpr int kDropArrow = 24; // a closed list's arrow and frame
    for (const Placed& p : placed) {
        QWidget dialog;
        platform::BuildDialogControls(&dialog, *FindDialogResource(p.dialog));
        QWidget* w = platform::GetDlgItem(&dialog, p.control);
        ASSERT_NE(w, nullptr) << p.source;
        const QString text = QCoreApplication::translate(p.context, p.source);
        EXPECT_FALSE(HasJapanese(text)) << p.source;
        const int room = qobject_cast<QAbstractButton*>(w) ? w->width() - 2 * kButtonPadding
                         : qobject_cast<QLabel*>(w) ? w->width() - 2 * qobject_cast<QLabel*>(w)->frameWidth()
                                                    : w->width() - kDropArrow;
        EXPECT_LE(TextWidth(w, text), room) << text.toStdString();
    }
}

TEST(EnglishMenus, EveryItemIsEnglishWithItsMnemonicAndShortcut) {
    QWidget window;
    QMenuBar* bar = platform::BuildMenuBar(*FindMenuResource(IDR_MAINDLG_MENU), &window, {});
    int items = 0;
    for (const QAction* top : bar->actions()) {
        EXPECT_FALSE(HasJapanese(top->text())) << top->text().toStdString();
        EXPECT_TRUE(top->text().contains(u'&')) << top->text().toStdString();
        for (const QAction* a : top->menu()->actions()) {
            if (a->isSeparator())
                continue;
            ++items;
            EXPECT_FALSE(HasJapanese(a->text())) << a->text().toStdString();
        }
    }
    EXPECT_GE(items, 8);
    // The shortcuts stay those of the source texts.
    EXPECT_EQ(platform::FindMenuCommand(bar, ID_FILE_OPEN)->shortcut(),
              QKeySequence(QStringLiteral("Ctrl+O")));
    EXPECT_EQ(platform::FindMenuCommand(bar, ID_FILE_OPEN)->text(), QStringLiteral("&Open...\tCtrl+O"));
}

TEST(EnglishMessages, StringResourcesAndMessagesReadInEnglish) {
    EXPECT_EQ(LoadResString(AFX_IDP_PARSE_INT_RANGE).arg(1).arg(10),
              QStringLiteral("Enter a whole number from 1 to 10."));
    EXPECT_EQ(LoadResString(IDS_APP_TITLE), QStringLiteral("Padora"));
    EXPECT_FALSE(HasJapanese(LoadResString(IDS_GROUP_FILE_FILTER)));
}

} // namespace
