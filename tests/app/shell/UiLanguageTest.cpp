#include "app/shell/UiLanguage.h"
#include "app/remote/TriggerTexts.h"
#include "app/res/Resources.h"
#include "app/settings/UiSettings.h"
#include "app/shell/UiTranslator.h"
#include "platform/DialogTemplate.h"
#include "platform/MenuTemplate.h"
#include "tests/platform/TestFifo.h"

#include <QAction>
#include <QFile>
#include <QLabel>
#include <QMenuBar>
#include <QPushButton>
#include <QTemporaryDir>
#include <QWidget>
#include <gtest/gtest.h>

#include <map>
#include <string>

namespace {

using Language = CUiSettings::Language;

// The locale variables of one desktop; unset ones are missing from the map.
struct Desktop {
    std::map<std::string, QByteArray> vars;
    Language expected;
};

CUiLanguage::Environment EnvOf(const Desktop& d) {
    return [&d](const char* name) {
        const auto it = d.vars.find(name);
        return it == d.vars.end() ? QByteArray() : it->second;
    };
}

TEST(UiLanguage, TheDesktopsLocaleVariablesChooseAsGettextReadsThem) {
    const Desktop desktops[] = {
        {{}, Language::Japanese}, // nothing set: the C locale
        {{{"LANG", "C.UTF-8"}}, Language::Japanese},
        {{{"LANG", "C.utf8"}}, Language::Japanese},
        {{{"LANG", "POSIX"}}, Language::Japanese},
        {{{"LC_ALL", "C"}}, Language::Japanese},
        {{{"LANG", "ja_JP.UTF-8"}}, Language::Japanese},
        {{{"LANG", "ja_JP.eucJP"}}, Language::Japanese},
        {{{"LANG", "ja"}}, Language::Japanese},
        {{{"LANG", "en_US.UTF-8"}}, Language::English},
        {{{"LANG", "de_DE.UTF-8"}}, Language::English},
        {{{"LANG", "fr_FR@euro"}}, Language::English},
        // LC_ALL before LC_MESSAGES before LANG; an empty one counts as unset.
        {{{"LC_ALL", "en_GB.UTF-8"}, {"LC_MESSAGES", "ja_JP.UTF-8"}, {"LANG", "ja_JP.UTF-8"}},
         Language::English},
        {{{"LC_ALL", ""}, {"LC_MESSAGES", "ja_JP.UTF-8"}, {"LANG", "en_US.UTF-8"}}, Language::Japanese},
        {{{"LC_MESSAGES", "en_US.UTF-8"}, {"LANG", "ja_JP.UTF-8"}}, Language::English},
        {{{"LC_ALL", "C.UTF-8"}, {"LANG", "en_US.UTF-8"}}, Language::Japanese},
        // LANGUAGE goes first, its first entry decides, but not in the C locale.
        {{{"LANGUAGE", "en_GB:ja"}, {"LANG", "ja_JP.UTF-8"}}, Language::English},
        {{{"LANGUAGE", "ja:en"}, {"LANG", "en_US.UTF-8"}}, Language::Japanese},
        {{{"LANGUAGE", ":de"}, {"LANG", "ja_JP.UTF-8"}}, Language::English},
        {{{"LANGUAGE", "en"}, {"LANG", "C.UTF-8"}}, Language::Japanese},
        {{{"LANGUAGE", "en"}}, Language::Japanese},
        {{{"LANGUAGE", ""}, {"LANG", "en_US.UTF-8"}}, Language::English},
    };
    for (const Desktop& d : desktops) {
        QByteArray shown;
        for (const auto& [name, value] : d.vars)
            shown += QByteArray(name.c_str()) + "=" + value + " ";
        EXPECT_EQ(CUiLanguage::Choose(Language::Auto, EnvOf(d)), d.expected) << shown.constData();
    }
}

TEST(UiLanguage, TheSettingOverridesTheDesktop) {
    const Desktop english{{{"LANG", "en_US.UTF-8"}}, Language::English};
    const Desktop japanese{{{"LANG", "ja_JP.UTF-8"}}, Language::Japanese};
    EXPECT_EQ(CUiLanguage::Choose(Language::Japanese, EnvOf(english)), Language::Japanese);
    EXPECT_EQ(CUiLanguage::Choose(Language::English, EnvOf(japanese)), Language::English);
}

class UiSettingsTest : public ::testing::Test {
protected:
    void WriteIni(const QByteArray& bytes) {
        QFile file(m_settings.Path());
        ASSERT_TRUE(file.open(QIODevice::WriteOnly));
        file.write(bytes);
    }
    QByteArray ReadIni() const {
        QFile file(m_settings.Path());
        return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
    }

    QTemporaryDir m_dir;
    CSettingsFile m_settings{m_dir.filePath("Padora.INI")};
};

TEST_F(UiSettingsTest, TheWordsReadCaseInsensitivelyAndAnythingElseIsAuto) {
    const std::pair<QByteArray, Language> cases[] = {
        {"ja", Language::Japanese},  {" EN ", Language::English}, {"auto", Language::Auto},
        {"english", Language::Auto}, {"", Language::Auto},        {"1", Language::Auto},
    };
    for (const auto& [word, expected] : cases) {
        WriteIni("[Option]\r\nVKey0=49\r\n[UI]\r\nLanguage=" + word + "\r\n");
        EXPECT_EQ(CUiSettings::Load(m_settings).language, expected) << word.constData();
        EXPECT_EQ(CUiSettings::LoadQuietly(m_settings.Path()).language, expected) << word.constData();
    }
}

TEST_F(UiSettingsTest, SavingKeepsTheOtherLinesAndLeavesAFileWithoutTheSectionAloneOnAuto) {
    const QByteArray before = "[Option]\r\nVKey0=49\r\n";
    WriteIni(before);
    CUiSettings ui;
    ASSERT_TRUE(ui.Save(m_settings));
    EXPECT_EQ(ReadIni(), before);

    ui.language = Language::English;
    ASSERT_TRUE(ui.Save(m_settings));
    EXPECT_TRUE(ReadIni().startsWith(before));
    EXPECT_EQ(CUiSettings::Load(m_settings).language, Language::English);
    ui.language = Language::Auto;
    ASSERT_TRUE(ui.Save(m_settings));
    EXPECT_EQ(CUiSettings::Load(m_settings).language, Language::Auto);
}

TEST_F(UiSettingsTest, AQuietLoadOfAMissingOrOversizedFileIsAuto) {
    EXPECT_EQ(CUiSettings::LoadQuietly(m_settings.Path()).language, Language::Auto);
    WriteIni("[UI]\r\nLanguage=en\r\n" + QByteArray(CSettingsFile::kMaxBytes, ';'));
    EXPECT_EQ(CUiSettings::LoadQuietly(m_settings.Path()).language, Language::Auto);
}

// The setting as the command-line triggers read it without Qt: any case and blanks, only its own
// section, and neither a missing file nor a FIFO in its place holds them up.
TEST(UiLanguage, TheTriggersReadTheSettingAsTheWindowProgramDoes) {
    using locale_language::Setting;
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("Padora.INI"));
    const auto settingIn = [&](const QByteArray& text) {
        QFile f(path);
        EXPECT_TRUE(f.open(QIODevice::WriteOnly | QIODevice::Truncate));
        f.write(text);
        f.close();
        return locale_language::LanguageSettingIn(path.toStdString());
    };
    EXPECT_EQ(settingIn("[Option]\r\nLanguage=en\r\n[ ui ]\r\n  language =  EN \r\n"), Setting::English);
    EXPECT_EQ(settingIn("[UI]\nLanguage=ja"), Setting::Japanese);
    EXPECT_EQ(settingIn("[UI]\nLanguage=fr\n"), Setting::Auto);
    EXPECT_EQ(settingIn("[Option]\nLanguage=en\n"), Setting::Auto);
    EXPECT_EQ(settingIn(QByteArray(3, '\0') + "\xff\xfe[UI"), Setting::Auto);
    ASSERT_TRUE(QFile::remove(path));
    EXPECT_EQ(locale_language::LanguageSettingIn(path.toStdString()), Setting::Auto);
    platform_test::CTestFifo fifo(path);
    ASSERT_TRUE(fifo.Made());
    EXPECT_EQ(locale_language::LanguageSettingIn(path.toStdString()), Setting::Auto);
    EXPECT_FALSE(fifo.ReaderWasStuck());

    // The setting goes before the desktop; auto leaves it to the desktop.
    const auto env = [](const char* name) {
        return std::string(name == std::string("LANG") ? "de_DE.UTF-8" : "");
    };
    EXPECT_TRUE(CTriggerTexts::ForUser(path.toStdString(), env).IsEnglish());
    const QString ja = dir.filePath(QStringLiteral("ja.ini"));
    QFile f(ja);
    ASSERT_TRUE(f.open(QIODevice::WriteOnly));
    f.write("[UI]\nLanguage=ja\n");
    f.close();
    EXPECT_FALSE(CTriggerTexts::ForUser(ja.toStdString(), env).IsEnglish());
}

TEST(UiTranslator, TheEnglishCatalogueIsCompiledInAndJapaneseIsTheSourceItself) {
    const CUiTranslator english(Language::English);
    ASSERT_TRUE(english.HasProgramTexts());
    EXPECT_EQ(english.Text("IDD_PADORA_DIALOG", "全停止"), QStringLiteral("STOP"));
    EXPECT_EQ(english.Text("StringResources", "%1 から %2 までの整数を入力してください。"),
              QStringLiteral("Enter a whole number from %1 to %2."));
    // An unknown text stays as written rather than vanishing.
    EXPECT_EQ(english.Text("IDD_PADORA_DIALOG", "未知の文"), QStringLiteral("未知の文"));

    const CUiTranslator japanese(Language::Japanese);
    EXPECT_EQ(japanese.Text("IDD_PADORA_DIALOG", "全停止"), QStringLiteral("全停止"));
    EXPECT_EQ(japanese.Text("CPadoraApp", "不明なオプションです: %1"),
              QStringLiteral("不明なオプションです: %1"));
}

// Without the English catalogue installed (these tests run in the C locale), the windows show the
// resource texts exactly as written.
TEST(UiTranslator, WithoutTheCatalogueDialogsAndMenusShowTheSourceTexts) {
    const platform::DialogTemplate* tmpl = FindDialogResource(IDD_PADORA_DIALOG);
    ASSERT_NE(tmpl, nullptr);
    QWidget client;
    platform::BuildDialogControls(&client, *tmpl);
    const auto* allStop = qobject_cast<QPushButton*>(platform::GetDlgItem(&client, IDC_ALLSTOP));
    ASSERT_NE(allStop, nullptr);
    EXPECT_EQ(allStop->text(), QStringLiteral("全停止"));

    QWidget page;
    platform::BuildDialogControls(&page, *FindDialogResource(IDD_OPTION_PAGE3));
    QStringList labels;
    for (const QLabel* label : page.findChildren<QLabel*>())
        labels << label->text();
    EXPECT_TRUE(labels.contains(QStringLiteral("表示言語"))) << labels.join(u'|').toStdString();

    QWidget window;
    const QMenuBar* bar = platform::BuildMenuBar(*FindMenuResource(IDR_MAINDLG_MENU), &window, {});
    const QAction* open = platform::FindMenuCommand(bar, ID_FILE_OPEN);
    ASSERT_NE(open, nullptr);
    EXPECT_EQ(open->text(), QStringLiteral("開く(&O)...\tCtrl+O"));
    EXPECT_EQ(LoadResString(AFX_IDP_PARSE_INT), QStringLiteral("整数を入力してください。"));
}

} // namespace
