#include "padkit/util/MessageBox.h"

#include <QAbstractButton>
#include <QApplication>
#include <QLabel>
#include <QMessageBox>
#include <QPushButton>
#include <QTest>
#include <QTimer>
#include <gtest/gtest.h>
#include <map>

namespace {

class MessageBoxTest : public ::testing::Test {
protected:
    void SetUp() override {
        m_strOldTitle = QGuiApplication::applicationDisplayName();
        QGuiApplication::setApplicationDisplayName("Padora");
    }
    void TearDown() override { QGuiApplication::setApplicationDisplayName(m_strOldTitle); }

    QString m_strOldTitle;
};

// Result codes of the buttons of a box in the order the box lists them.
std::vector<int> ResultsOf(UINT nType) {
    const auto box = PADKIT_BuildMessageBox(nullptr, "t", "c", nType);
    std::vector<int> results;
    for (QAbstractButton* button : box->buttons()) {
        button->click();
        results.push_back(PADKIT_MessageBoxResult(*box));
    }
    std::sort(results.begin(), results.end());
    return results;
}

TEST_F(MessageBoxTest, ResponderAnswersAndRecords) {
    CMessageBoxResponder responder(IDNO);
    responder.QueueAnswer(IDYES);
    EXPECT_EQ(PADKIT_MessageBox(nullptr, "保存しますか？", QString(), MB_YESNO | MB_ICONQUESTION), IDYES);
    EXPECT_EQ(PADKIT_MessageBox(nullptr, "again", "エラー", MB_ICONEXCLAMATION), IDNO);
    ASSERT_EQ(responder.Count(), 2);
    EXPECT_EQ(responder.Requests()[0].strText, "保存しますか？");
    EXPECT_EQ(responder.Requests()[0].strCaption, "Padora") << "a null caption is the application title";
    EXPECT_EQ(responder.Requests()[0].nType, MB_YESNO | MB_ICONQUESTION);
    EXPECT_EQ(responder.Requests()[1].strCaption, "エラー");

    {
        CMessageBoxResponder inner(IDCANCEL);
        inner.SetHandler(
            [](const CMessageBoxResponder::Request& r) { return r.strText == "retry" ? IDRETRY : IDABORT; });
        EXPECT_EQ(PADKIT_MessageBox(nullptr, "retry", "c", MB_RETRYCANCEL), IDRETRY);
        EXPECT_EQ(PADKIT_MessageBox(nullptr, "other", "c", MB_ABORTRETRYIGNORE), IDABORT);
        EXPECT_EQ(CMessageBoxResponder::Current(), &inner);
    }
    EXPECT_EQ(CMessageBoxResponder::Current(), &responder) << "the outer responder is back";
    EXPECT_EQ(responder.Count(), 2);
}

TEST_F(MessageBoxTest, ResourceFormLoadsTextAndCaption) {
    const std::map<UINT, QString> table = {{AFX_IDS_APP_TITLE, "Padora"}, {5502, "本文"}, {5503, "確認"}};
    const PADKIT_StringLoader load = [&](UINT id) {
        const auto it = table.find(id);
        return it == table.end() ? QString() : it->second;
    };
    CMessageBoxResponder responder;
    QGuiApplication::setApplicationDisplayName("other");
    EXPECT_EQ(PADKIT_MessageBox(nullptr, 5502, 5503, MB_OK, load), IDOK);
    EXPECT_EQ(PADKIT_MessageBox(nullptr, 5502, 0, MB_OK, load), IDOK);
    EXPECT_EQ(PADKIT_MessageBox(nullptr, 9999, 9998, MB_OK, load), IDOK);
    ASSERT_EQ(responder.Count(), 3);
    EXPECT_EQ(responder.Requests()[0].strText, "本文");
    EXPECT_EQ(responder.Requests()[0].strCaption, "確認");
    EXPECT_EQ(responder.Requests()[1].strCaption, "Padora") << "caption id 0: the title string";
    EXPECT_EQ(responder.Requests()[2].strText, "");
    EXPECT_EQ(responder.Requests()[2].strCaption, "") << "an unknown caption id is no caption";
}

TEST_F(MessageBoxTest, FlagsGiveButtonsIconsAndDefaults) {
    EXPECT_EQ(ResultsOf(MB_OK), std::vector<int>({IDOK}));
    EXPECT_EQ(ResultsOf(MB_OKCANCEL), std::vector<int>({IDOK, IDCANCEL}));
    EXPECT_EQ(ResultsOf(MB_ABORTRETRYIGNORE), std::vector<int>({IDABORT, IDRETRY, IDIGNORE}));
    EXPECT_EQ(ResultsOf(MB_YESNOCANCEL), std::vector<int>({IDCANCEL, IDYES, IDNO}));
    EXPECT_EQ(ResultsOf(MB_YESNO), std::vector<int>({IDYES, IDNO}));
    EXPECT_EQ(ResultsOf(MB_RETRYCANCEL), std::vector<int>({IDCANCEL, IDRETRY}));
    EXPECT_EQ(ResultsOf(MB_CANCELTRYCONTINUE), std::vector<int>({IDCANCEL, IDTRYAGAIN, IDCONTINUE}));

    EXPECT_EQ(PADKIT_BuildMessageBox(nullptr, "", "", MB_ICONHAND)->icon(), QMessageBox::Critical);
    EXPECT_EQ(PADKIT_BuildMessageBox(nullptr, "", "", MB_ICONQUESTION)->icon(), QMessageBox::Question);
    EXPECT_EQ(PADKIT_BuildMessageBox(nullptr, "", "", MB_ICONEXCLAMATION)->icon(), QMessageBox::Warning);
    EXPECT_EQ(PADKIT_BuildMessageBox(nullptr, "", "", MB_ICONASTERISK)->icon(), QMessageBox::Information);
    EXPECT_EQ(PADKIT_BuildMessageBox(nullptr, "", "", MB_OK)->icon(), QMessageBox::NoIcon);

    const auto box = PADKIT_BuildMessageBox(nullptr, "text", QString(), MB_YESNOCANCEL | MB_DEFBUTTON2);
    EXPECT_EQ(box->windowTitle(), "Padora");
    EXPECT_EQ(box->text(), "text");
    EXPECT_EQ(box->defaultButton()->property("padkitResult").toInt(), IDNO);
    EXPECT_EQ(box->escapeButton()->property("padkitResult").toInt(), IDCANCEL);
    EXPECT_EQ(PADKIT_MessageBoxResult(*box), IDCANCEL) << "closed without a button";
    const auto single = PADKIT_BuildMessageBox(nullptr, "", "", MB_OK | MB_DEFBUTTON3);
    EXPECT_EQ(single->defaultButton()->property("padkitResult").toInt(), IDOK);
    EXPECT_EQ(PADKIT_MessageBoxResult(*single), IDOK);
}

TEST_F(MessageBoxTest, ARealBoxReturnsTheButtonClicked) {
    // No responder: the box is shown (off-screen) and a queued click answers it.
    QTimer::singleShot(0, [] {
        auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
        ASSERT_NE(box, nullptr);
        for (QAbstractButton* button : box->buttons()) {
            if (button->property("padkitResult").toInt() == IDNO)
                button->click();
        }
    });
    EXPECT_EQ(PADKIT_MessageBox(nullptr, "question", "c", MB_YESNO), IDNO);
}

TEST_F(MessageBoxTest, TheProgramsTitleIsTheDefaultCaptionWithoutBeingQtsDisplayName) {
    CMessageBoxResponder responder;
    QGuiApplication::setApplicationDisplayName(QString());
    PADKIT_SetAppTitle("Padora");
    EXPECT_EQ(PADKIT_GetAppTitle(), "Padora");
    PADKIT_MessageBox(nullptr, "t", QString(), MB_OK);
    EXPECT_EQ(PADKIT_BuildMessageBox(nullptr, "t", QString(), MB_OK)->windowTitle(), "Padora");
    PADKIT_SetAppTitle(QString());
    ASSERT_EQ(responder.Count(), 1);
    EXPECT_EQ(responder.Requests()[0].strCaption, "Padora");
}

TEST_F(MessageBoxTest, TextIsShownAsItStandsNeverAsMarkup) {
    const QString path = "/shows/<b>loud</b>/a<b.wav\nファイルが見つかりません。";
    const auto box = PADKIT_BuildMessageBox(nullptr, path, "エラー", MB_OK | MB_ICONEXCLAMATION);
    EXPECT_EQ(box->textFormat(), Qt::PlainText);
    const auto* label = box->findChild<QLabel*>("qt_msgbox_label");
    ASSERT_NE(label, nullptr);
    EXPECT_EQ(label->textFormat(), Qt::PlainText);
    EXPECT_EQ(label->text(), path);
}

// Esc and the close box answer a box only where the desktop gives them an answer: Cancel, or the one
// OK button. Yes/No and Abort/Retry/Ignore wait for a button.
TEST_F(MessageBoxTest, EscAndTheCloseBoxOnlyAnswerBoxesWithACancel) {
    for (UINT type : {MB_YESNO, MB_ABORTRETRYIGNORE, MB_YESNO | MB_ICONQUESTION | MB_DEFBUTTON2}) {
        const auto box = PADKIT_BuildMessageBox(nullptr, "q", "c", type);
        box->show();
        QTest::keyClick(box.get(), Qt::Key_Escape);
        EXPECT_TRUE(box->isVisible()) << type;
        EXPECT_FALSE(box->close()) << type;
        EXPECT_TRUE(box->isVisible()) << type;
        EXPECT_EQ(box->clickedButton(), nullptr) << type;
        box->hide();
    }
    for (auto [type, answer] : {std::pair{MB_OK, IDOK}, std::pair{MB_OKCANCEL, IDCANCEL},
                                std::pair{MB_YESNOCANCEL, IDCANCEL}, std::pair{MB_RETRYCANCEL, IDCANCEL}}) {
        const auto box = PADKIT_BuildMessageBox(nullptr, "q", "c", type);
        box->show();
        QTest::keyClick(box.get(), Qt::Key_Escape);
        EXPECT_FALSE(box->isVisible()) << type;
        EXPECT_EQ(PADKIT_MessageBoxResult(*box), answer) << type;
        const auto closed = PADKIT_BuildMessageBox(nullptr, "q", "c", type);
        closed->show();
        EXPECT_TRUE(closed->close()) << type;
        EXPECT_EQ(PADKIT_MessageBoxResult(*closed), answer) << type;
    }
}

TEST_F(MessageBoxTest, AShownYesNoBoxOutlastsEscAndCloseUntilAButtonIsClicked) {
    int attempts = 0;
    QTimer::singleShot(0, [&] {
        auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
        ASSERT_NE(box, nullptr);
        QTest::keyClick(box, Qt::Key_Escape);
        ++attempts;
        box->close();
        ++attempts;
        QTimer::singleShot(0, [box] {
            for (QAbstractButton* button : box->buttons()) {
                if (button->property("padkitResult").toInt() == IDYES)
                    button->click();
            }
        });
    });
    EXPECT_EQ(PADKIT_MessageBox(nullptr, "変更があります。保存しますか？", QString(), MB_YESNO), IDYES);
    EXPECT_EQ(attempts, 2);
}

} // namespace
