#include "app/dialogs/LoadProcDlg.h"
#include "app/res/Resource.h"
#include "platform/DialogTemplate.h"
#include "platform/Message.h"

#include <QCoreApplication>
#include <QEventLoop>
#include <QLabel>
#include <QProgressBar>
#include <QThread>
#include <QTimer>
#include <QWidget>

#include <gtest/gtest.h>

#include <functional>
#include <vector>

namespace {

// Stands in for the main window: records what the loader asks for and how.
class Owner : public QWidget {
public:
    struct Call {
        int channel;
        bool onOwnThread;
        bool nested;
    };
    std::vector<Call> calls;
    std::function<void(int)> onLoad;

    bool event(QEvent* e) override {
        if (e->type() != platform::MessageEvent::eventType())
            return QWidget::event(e);
        auto* m = static_cast<platform::MessageEvent*>(e);
        if (m->message() == WM_LOAD_CHANNEL) {
            calls.push_back(
                {static_cast<int>(m->wParam()), QThread::currentThread() == thread(), m_inHandler});
            m_inHandler = true;
            if (onLoad)
                onLoad(static_cast<int>(m->wParam()));
            m_inHandler = false;
        }
        return true;
    }

private:
    bool m_inHandler = false;
};

std::vector<int> Channels(const Owner& owner) {
    std::vector<int> v;
    for (const auto& c : owner.calls)
        v.push_back(c.channel);
    return v;
}

} // namespace

TEST(LoadProcDlg, AsksForTheTenChannelsInOrderOneAtATimeOnTheOwnersThread) {
    Owner owner;
    CLoadProcDlg dlg(&owner);
    EXPECT_EQ(dlg.windowTitle(), QStringLiteral("サウンドファイル読み込み中..."));
    auto* bar = platform::GetDlgItemAs<QProgressBar>(&dlg, IDC_LOADPROC_PROGRESS);
    ASSERT_NE(bar, nullptr);
    EXPECT_EQ(bar->minimum(), 0);
    EXPECT_EQ(bar->maximum(), 10);
    auto* icon = platform::GetDlgItemAs<QLabel>(&dlg, IDC_LOADPROC_ICON);
    ASSERT_NE(icon, nullptr);
    EXPECT_FALSE(icon->pixmap().isNull());
    EXPECT_FALSE(platform::GetDlgItem(&dlg, 1)->isEnabled());
    EXPECT_FALSE(platform::GetDlgItem(&dlg, 2)->isEnabled());

    std::vector<int> barWhenAsked;
    owner.onLoad = [&](int) {
        barWhenAsked.push_back(bar->value());
        // Slow channels must not let the next request overtake this one.
        QThread::msleep(5);
    };
    EXPECT_EQ(dlg.DoModal(), 1);
    EXPECT_EQ(Channels(owner), (std::vector<int>{0, 1, 2, 3, 4, 5, 6, 7, 8, 9}));
    for (const auto& c : owner.calls) {
        EXPECT_TRUE(c.onOwnThread);
        EXPECT_FALSE(c.nested);
    }
    // The bar advances once per channel answered.
    for (int i = 0; i < 10; ++i)
        EXPECT_LE(barWhenAsked[i], i);
    EXPECT_EQ(bar->value(), 10);
    EXPECT_FALSE(dlg.HasWorker());
}

TEST(LoadProcDlg, ClosingWhileTheWorkerWaitsForTheOwnerEndsWithoutDeadlockOrThread) {
    // The close box is used while the owner handles channel 3 (a message box of the owner's would be
    // such a moment): the UI thread then waits for the worker while the worker waits for the UI thread.
    for (bool nestedLoop : {false, true}) {
        Owner owner;
        CLoadProcDlg dlg(&owner);
        owner.onLoad = [&](int channel) {
            if (channel != 3)
                return;
            if (!nestedLoop) {
                dlg.close();
                return;
            }
            QEventLoop loop;
            QTimer::singleShot(10, &dlg, [&] {
                dlg.close();
                loop.quit();
            });
            loop.exec();
        };
        EXPECT_EQ(dlg.DoModal(), 2) << nestedLoop;
        EXPECT_EQ(Channels(owner), (std::vector<int>{0, 1, 2, 3})) << nestedLoop;
        EXPECT_FALSE(dlg.HasWorker());
        // Nothing is left behind to load a channel later.
        QCoreApplication::processEvents();
        QThread::msleep(20);
        QCoreApplication::processEvents();
        EXPECT_EQ(owner.calls.size(), 4u);
    }
}

TEST(LoadProcDlg, DestroyedBeforeItRanLeavesNothingRunning) {
    Owner owner;
    {
        CLoadProcDlg dlg(&owner);
        EXPECT_FALSE(dlg.HasWorker());
    }
    QCoreApplication::processEvents();
    EXPECT_TRUE(owner.calls.empty());
}
