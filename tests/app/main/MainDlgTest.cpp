#include "app/main/MainDlg.h"
#include "app/data/GroupFile.h"
#include "app/res/Resources.h"
#include "padkit/controls/GdiColorButton.h"
#include "padkit/util/MessageBox.h"
#include "platform/DialogTemplate.h"

#include <QAbstractButton>
#include <QCoreApplication>
#include <QFile>
#include <QImage>
#include <QSlider>
#include <QTabBar>
#include <QTemporaryDir>

#include <gtest/gtest.h>

namespace {

class MainDlgTest : public ::testing::Test {
protected:
    std::unique_ptr<CMainDlg> MakeDlg(const QStringList& pieces) {
        auto dlg = std::make_unique<CMainDlg>(nullptr, nullptr,
                                              CSettingsFile(m_dir.filePath(QStringLiteral("Padora.INI"))));
        dlg->Create(pieces);
        // Posted commands (the new set) run once the window's thread takes its queue.
        QCoreApplication::processEvents();
        return dlg;
    }

    static QStringList TabTexts(const CMainDlg& dlg) {
        auto* tabs = platform::GetDlgItemAs<QTabBar>(&dlg, IDC_TAB_GROUP);
        QStringList texts;
        for (int i = 0; tabs && i < tabs->count(); ++i)
            texts << tabs->tabText(i);
        return texts;
    }

    QString WriteFile(const QString& name, const QByteArray& bytes) {
        const QString path = m_dir.filePath(name);
        QFile f(path);
        EXPECT_TRUE(f.open(QIODevice::WriteOnly));
        f.write(bytes);
        return path;
    }

    QTemporaryDir m_dir;
    CMessageBoxResponder m_responder;
};

} // namespace

TEST_F(MainDlgTest, WithoutAFileStartsANewSetWithGroup1) {
    auto dlg = MakeDlg({});
    ASSERT_EQ(dlg->Groups().GetSize(), 1);
    EXPECT_EQ(dlg->Groups()[0].m_strName, QStringLiteral("Group1"));
    EXPECT_EQ(TabTexts(*dlg), QStringList{QStringLiteral("Group1")});
    EXPECT_EQ(dlg->GetCurGroup(), &dlg->Groups()[0]);
    EXPECT_TRUE(dlg->FilePath().isEmpty());
    EXPECT_FALSE(dlg->IsModified());
    EXPECT_EQ(dlg->MasterVolume(), 100);
    EXPECT_EQ(m_responder.Count(), 0);
    // The settings were read on construction: without a file, the default channel keys.
    EXPECT_EQ(dlg->Option().nVKey[0], 97);
}

TEST_F(MainDlgTest, LoadsTheGroupFileOfTheCommandLine) {
    CGroupArray set;
    CGroupData g;
    g.m_strName = QStringLiteral("開演");
    set.Add(g);
    g.m_strName = QStringLiteral("効果音");
    set.Add(g);
    const QString path = m_dir.filePath(QStringLiteral("show.pdg"));
    ASSERT_EQ(CGroupFile::Write(path, set, FALSE), CGroupFile::kOk);

    auto dlg = MakeDlg({path});
    EXPECT_EQ(TabTexts(*dlg), (QStringList{QStringLiteral("開演"), QStringLiteral("効果音")}));
    EXPECT_EQ(dlg->FilePath(), path);
    EXPECT_FALSE(dlg->IsModified());
    EXPECT_EQ(m_responder.Count(), 0);
}

TEST_F(MainDlgTest, AFileWithoutGroupsOrAnEmptyFirstPieceShowsTheReadErrorOnceThenANewSet) {
    const QString foreign = WriteFile(QStringLiteral("notes.pdg"), "[GroupData]\nGroupNum=0\nGrpName01=x\n");
    for (const QString& first : {foreign, QString()}) {
        m_responder.Clear();
        auto dlg = MakeDlg({first, QStringLiteral("--x")});
        ASSERT_EQ(m_responder.Count(), 1) << first.toStdString();
        const auto& box = m_responder.Requests()[0];
        EXPECT_EQ(box.strText, QStringLiteral("ファイル読込中にエラーが発生しました。"));
        EXPECT_EQ(box.strCaption, QStringLiteral("エラー"));
        EXPECT_EQ(box.nType, MB_ICONEXCLAMATION | MB_OK);
        EXPECT_EQ(TabTexts(*dlg), QStringList{QStringLiteral("Group1")});
        EXPECT_TRUE(dlg->FilePath().isEmpty());
    }
}

TEST_F(MainDlgTest, ControlsStandWhereTheDialogResourcePlacesThem) {
    auto dlg = MakeDlg({});
    const platform::DialogTemplate* tmpl = FindDialogResource(IDD_PADORA_DIALOG);
    ASSERT_NE(tmpl, nullptr);
    QWidget* pad1 = platform::GetDlgItem(dlg.get(), IDC_PAD1);
    ASSERT_NE(pad1, nullptr);
    QWidget* client = pad1->parentWidget();
    const QSize base = platform::DialogBaseUnits(client->font());
    EXPECT_EQ(client->size(), platform::DialogUnitsToPixels(QSize(397, 313), base));

    const int stripX[10] = {6, 40, 74, 108, 143, 178, 212, 247, 282, 317};
    const char* padText[10] = {"1", "2", "3", "4", "5", "6", "7", "8", "9", "0"};
    for (int i = 0; i < 10; ++i) {
        const int x = stripX[i];
        auto* pad = platform::GetDlgItemAs<QAbstractButton>(dlg.get(), IDC_PAD1 + i);
        ASSERT_NE(pad, nullptr);
        EXPECT_EQ(pad->text(), QString::fromLatin1(padText[i]));
        EXPECT_EQ(pad->geometry(), platform::DialogUnitsToPixels(QRect(x, 278, 32, 29), base));
        auto* fader = platform::GetDlgItemAs<QSlider>(dlg.get(), IDC_FADER1 + i);
        ASSERT_NE(fader, nullptr);
        EXPECT_EQ(fader->geometry(), platform::DialogUnitsToPixels(QRect(x + 2, 165, 13, 112), base));
        // Silent until a sound is loaded: position 100 is volume 0.
        EXPECT_EQ(fader->value(), 100);
        const int switches[3] = {IDC_REPEAT1, IDC_FADEIN1, IDC_FADEOUT1};
        const char* switchText[3] = {"R", "FI", "FO"};
        for (int k = 0; k < 3; ++k) {
            auto* sw = platform::GetDlgItemAs<QAbstractButton>(dlg.get(), switches[k] + i);
            ASSERT_NE(sw, nullptr);
            EXPECT_EQ(sw->text(), QString::fromLatin1(switchText[k]));
            EXPECT_TRUE(static_cast<CGdiColorButton*>(sw)->IsCheckBoxKind());
            EXPECT_EQ(sw->geometry(),
                      platform::DialogUnitsToPixels(QRect(x + 20, 168 + 13 * k, 12, 12), base));
        }
        EXPECT_EQ(platform::GetDlgItem(dlg.get(), IDC_SPEED1 + i)->geometry(),
                  platform::DialogUnitsToPixels(QRect(x + 20, 234, 12, 12), base));
        EXPECT_EQ(platform::GetDlgItem(dlg.get(), IDC_PAN1 + i)->geometry(),
                  platform::DialogUnitsToPixels(QRect(x + 20, 259, 12, 12), base));
    }
    auto* master = platform::GetDlgItemAs<QSlider>(dlg.get(), IDC_MASTER);
    ASSERT_NE(master, nullptr);
    EXPECT_EQ(master->value(), 0);
    EXPECT_EQ(platform::GetDlgItemAs<QAbstractButton>(dlg.get(), IDC_ALLSTOP)->text(),
              QStringLiteral("全停止"));
    dlg->show();
    EXPECT_FALSE(platform::GetDlgItem(dlg.get(), platform::IDCANCEL)->isVisible());
    EXPECT_FALSE(platform::GetDlgItem(dlg.get(), platform::IDOK)->isEnabled());
}

TEST_F(MainDlgTest, PaintsOnTheDarkBackground) {
    auto dlg = MakeDlg({});
    QWidget* client = platform::GetDlgItem(dlg.get(), IDC_PAD1)->parentWidget();
    const QSize base = platform::DialogBaseUnits(client->font());
    const QImage image = client->grab().toImage();
    // Gaps between the controls: between the first two strips, and beside the master fader.
    for (const QPoint units : {QPoint(38, 215), QPoint(360, 200), QPoint(390, 100 + 60)}) {
        const QRect px = platform::DialogUnitsToPixels(QRect(units, QSize(1, 1)), base);
        EXPECT_EQ(image.pixelColor(px.topLeft()), QColor(64, 64, 64)) << units.x() << "," << units.y();
    }
}
