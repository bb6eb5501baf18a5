#include "app/shell/MainFrame.h"
#include "app/main/MainDlg.h"
#include "app/res/Resource.h"
#include "padkit/util/Com.h"
#include "padkit/util/MessageBox.h"
#include "platform/MenuTemplate.h"
#include "platform/Message.h"

#include <QAction>
#include <QCoreApplication>
#include <QDeadlineTimer>
#include <QDir>
#include <QMenuBar>
#include <QPointer>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>

#include <gtest/gtest.h>

#include <vector>

namespace {

class MainFrameTest : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(m_dir.isValid());
        m_frame = std::make_unique<CMainFrame>([this](UINT id) {
            m_appCommands.push_back(id);
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
