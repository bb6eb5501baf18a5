#include "platform/Message.h"

#include <QCoreApplication>
#include <QObject>
#include <QThread>
#include <gtest/gtest.h>

#include <atomic>
#include <vector>

namespace {

struct Received {
    UINT message;
    WPARAM wParam;
    LPARAM lParam;
    bool onOwnThread;
};

class Receiver : public QObject {
public:
    std::vector<Received> got;

    bool event(QEvent* e) override {
        if (e->type() != platform::MessageEvent::eventType())
            return QObject::event(e);
        auto* m = static_cast<platform::MessageEvent*>(e);
        got.push_back({m->message(), m->wParam(), m->lParam(), QThread::currentThread() == thread()});
        m->setResult(static_cast<LRESULT>(m->wParam()) * 2);
        return true;
    }
};

} // namespace

TEST(Message, PostedMessagesArriveInOrderOnTheTargetsThread) {
    Receiver r;
    QThread worker;
    worker.start();
    QObject context;
    context.moveToThread(&worker);
    QMetaObject::invokeMethod(
        &context,
        [&r] {
            platform::PostMessage(&r, platform::WM_APP + 2, 32768, 1);
            platform::PostMessage(&r, platform::WM_APP + 1, 0, 0);
        },
        Qt::BlockingQueuedConnection);
    worker.quit();
    worker.wait();

    EXPECT_TRUE(r.got.empty()); // nothing is handled before the target's loop runs
    QCoreApplication::processEvents();
    ASSERT_EQ(r.got.size(), 2u);
    EXPECT_EQ(r.got[0].message, 0x8002u);
    EXPECT_EQ(r.got[0].wParam, 32768u);
    EXPECT_EQ(r.got[0].lParam, 1);
    EXPECT_EQ(r.got[1].message, 0x8001u);
    EXPECT_TRUE(r.got[0].onOwnThread);
    EXPECT_FALSE(platform::PostMessage(nullptr, 1, 0, 0));
}

TEST(Message, SendFromAWorkerWaitsForTheAnswer) {
    Receiver r;
    LRESULT answer = -1;
    QThread* worker = QThread::create([&] { answer = platform::SendMessage(&r, 7013, 21, 0); });
    worker->start();
    while (!worker->isFinished())
        QCoreApplication::processEvents(QEventLoop::AllEvents, 10);
    worker->wait();
    delete worker;
    EXPECT_EQ(answer, 42);
    ASSERT_EQ(r.got.size(), 1u);
    EXPECT_TRUE(r.got[0].onOwnThread);

    EXPECT_EQ(platform::SendMessage(&r, 7013, 5, 0), 10); // same thread: handled at once
}

TEST(Message, ACancellableSendAnswersLikeASendAndLetsGoWhenCancelled) {
    Receiver r;
    auto cancel = std::make_shared<platform::SendCancel>();
    LRESULT answer = -1;
    bool delivered = false;
    QThread* worker = QThread::create(
        [&] { delivered = platform::SendMessageCancellable(&r, 7013, 21, 0, cancel, &answer); });
    worker->start();
    while (!worker->isFinished())
        QCoreApplication::processEvents(QEventLoop::AllEvents, 10);
    worker->wait();
    delete worker;
    EXPECT_TRUE(delivered);
    EXPECT_EQ(answer, 42);
    ASSERT_EQ(r.got.size(), 1u);
    EXPECT_TRUE(r.got[0].onOwnThread);

    // The receiver's thread waits for the sender without taking its queue: cancelling must free the
    // sender, and the message it left behind is never handled.
    r.got.clear();
    delivered = true;
    std::atomic<bool> sending{false};
    QThread* blocked = QThread::create([&] {
        sending = true;
        delivered = platform::SendMessageCancellable(&r, 7013, 3, 0, cancel);
    });
    blocked->start();
    while (!sending)
        QThread::msleep(1);
    QThread::msleep(20);
    EXPECT_FALSE(blocked->isFinished());
    cancel->Cancel();
    EXPECT_TRUE(blocked->wait(5000));
    delete blocked;
    EXPECT_FALSE(delivered);
    QCoreApplication::processEvents();
    EXPECT_TRUE(r.got.empty());
    // Once cancelled, later sends return at once.
    EXPECT_FALSE(platform::SendMessageCancellable(&r, 7013, 4, 0, cancel));
    EXPECT_TRUE(r.got.empty());
}
