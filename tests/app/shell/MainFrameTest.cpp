#include "app/shell/MainFrame.h"
#include "app/main/MainDlg.h"
#include "app/res/Resource.h"
#include "padkit/util/Com.h"
#include "padkit/util/MessageBox.h"
#include "platform/DialogTemplate.h"
#include "platform/MenuTemplate.h"
#include "platform/Message.h"

#include <QAction>
#include <QCoreApplication>
#include <QDeadlineTimer>
#include <QDialog>
#include <QDir>
#include <QMenuBar>
#include <QPointer>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>

#include <functional>

#include <gtest/gtest.h>

#include <vector>

namespace {

class MainFrameTest : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(m_dir.isValid());
        m_frame = std::make_unique<CMainFrame>([this](UINT id) {
            m_appCommands.push_back(id);
            if (m_onAppCommand)
                m_onAppCommand();
            return true;
        });
        auto dlg = std::make_unique<CMainDlg>(m_frame->GetCom(), nullptr,
                                              CSettingsFile(m_dir.filePath(QStringLiteral("Padora.INI"))));
        dlg->Create({});
        m_dlg = dlg.get();
        m_frame->SetMainDlg(std::move(dlg));
    }

    void WaitForClose(QSignalSpy& closed) {
        const QDeadlineTimer deadline(5000);
        while (closed.isEmpty() && !deadline.hasExpired())
            QCoreApplication::processEvents(QEventLoop::AllEvents, 20);
    }

    QTemporaryDir m_dir;
    CMessageBoxResponder m_responder;
    std::unique_ptr<CMainFrame> m_frame;
    QPointer<CMainDlg> m_dlg;
    std::vector<UINT> m_appCommands;
    std::function<void()> m_onAppCommand; // the about box's part
};

} // namespace

TEST_F(MainFrameTest, HolderNamesTheFrameAndTheFrameStaysHidden) {
    ASSERT_NE(m_frame->GetCom(), nullptr);
    EXPECT_EQ(*m_frame->GetCom()->Get_pwndMain(), m_frame.get());
    EXPECT_EQ(m_frame->GetMainDlg(), m_dlg.data());
    m_dlg->show();
    EXPECT_FALSE(m_frame->isVisible());
}

TEST_F(MainFrameTest, CancellingTheMainWindowClosesTheFrameAfterDestroyingIt) {
    QSignalSpy closed(m_frame.get(), &CMainFrame::Closed);
    m_dlg->show();
    QTest::keyClick(m_dlg.data(), Qt::Key_Escape);
    // The close request is posted, not handled on the spot.
    EXPECT_TRUE(closed.isEmpty());
    WaitForClose(closed);
    EXPECT_EQ(closed.count(), 1);
    EXPECT_TRUE(m_dlg.isNull());
    EXPECT_EQ(m_frame->GetMainDlg(), nullptr);
    // No question was asked on the way out.
    EXPECT_EQ(m_responder.Count(), 0);
}

TEST_F(MainFrameTest, CaptionCloseBoxEndsTheSameWay) {
    QSignalSpy closed(m_frame.get(), &CMainFrame::Closed);
    m_dlg->show();
    m_dlg->close();
    WaitForClose(closed);
    EXPECT_EQ(closed.count(), 1);
    EXPECT_TRUE(m_dlg.isNull());
}

TEST_F(MainFrameTest, ExitMenuClosesAndAboutGoesToTheApplication) {
    QSignalSpy closed(m_frame.get(), &CMainFrame::Closed);
    auto* bar = m_dlg->findChild<QMenuBar*>();
    ASSERT_NE(bar, nullptr);
    platform::FindMenuCommand(bar, ID_APP_ABOUT)->trigger();
    QCoreApplication::processEvents();
    EXPECT_EQ(m_appCommands, std::vector<UINT>{ID_APP_ABOUT});
    EXPECT_TRUE(closed.isEmpty());

    platform::FindMenuCommand(bar, ID_APP_EXIT)->trigger();
    WaitForClose(closed);
    EXPECT_EQ(closed.count(), 1);
    EXPECT_TRUE(m_dlg.isNull());
}

TEST_F(MainFrameTest, ActivatingRestoresAMinimisedMainWindow) {
    m_dlg->showMinimized();
    m_frame->ActivateMainWindow();
    EXPECT_TRUE(m_dlg->isVisible());
    EXPECT_FALSE(m_dlg->isMinimized());
}

// The about box runs its loop in the application's command, under the main window: Esc, the close box
// and the exit command that reach the main window meanwhile (as captured keys do) close nothing until
// the box has ended, and then close once, after the save question.
TEST_F(MainFrameTest, CloseRequestsWhileAModalLoopRunsWaitForItToEnd) {
    QSignalSpy closed(m_frame.get(), &CMainFrame::Closed);
    m_dlg->show();
    // The new set the window posted itself, then a change to it.
    QCoreApplication::sendPostedEvents(m_dlg.data(), platform::MessageEvent::eventType());
    QWidget* knob = platform::GetDlgItem(m_dlg.data(), IDC_SPEED1);
    ASSERT_NE(knob, nullptr);
    platform::SendMessage(knob->parentWidget(), WM_KNOB_CHANGED, 20, reinterpret_cast<LPARAM>(knob));
    ASSERT_TRUE(m_dlg->IsModified());
    auto* bar = m_dlg->findChild<QMenuBar*>();
    ASSERT_NE(bar, nullptr);
    bool bAliveInLoop = false;
    int nAskedInLoop = -1;
    m_onAppCommand = [&] {
        QDialog box(m_dlg.data());
        box.setModal(true);
        QTimer::singleShot(0, &box, [&] {
            QTest::keyClick(m_dlg.data(), Qt::Key_Escape);
            m_dlg->close();
            platform::FindMenuCommand(bar, ID_APP_EXIT)->trigger();
            QTimer::singleShot(200, &box, [&] {
                bAliveInLoop = !m_dlg.isNull() && closed.isEmpty();
                nAskedInLoop = m_responder.Count();
                box.accept();
            });
        });
        box.exec();
    };
    m_responder.QueueAnswer(IDNO);
    platform::FindMenuCommand(bar, ID_APP_ABOUT)->trigger();
    WaitForClose(closed);
    EXPECT_TRUE(bAliveInLoop);
    EXPECT_EQ(nAskedInLoop, 0) << "the save question waits for the box";
    EXPECT_EQ(closed.count(), 1);
    EXPECT_TRUE(m_dlg.isNull());
    ASSERT_EQ(m_responder.Count(), 1) << "three requests, one question";
    EXPECT_EQ(m_responder.Requests()[0].strText, QStringLiteral("変更があります。保存しますか？"));
}
