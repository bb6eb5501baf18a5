#include "platform/HandOff.h"

#include <QCoreApplication>
#include <QEvent>
#include <QObject>
#include <gtest/gtest.h>

#include <new>
#include <system_error>

namespace {

// Throws what it is given from its next event, as a handler that runs out of memory or threads does.
template <class E> class CThrower : public QObject {
public:
    explicit CThrower(E e) : m_e(std::move(e)) {}
    bool event(QEvent* e) override {
        if (e->type() != QEvent::User)
            return QObject::event(e);
        throw m_e;
    }

private:
    E m_e;
};

template <class E> void ExpectEventLoopEndsWith(E thrown) {
    auto* app = dynamic_cast<platform::CApplication*>(QCoreApplication::instance());
    ASSERT_NE(app, nullptr);
    CThrower<E> thrower(std::move(thrown));
    QCoreApplication::postEvent(&thrower, new QEvent(QEvent::User));
    EXPECT_EQ(QCoreApplication::exec(), platform::CApplication::kExitFailure);
    const std::exception_ptr failure = app->TakeFailure();
    ASSERT_TRUE(failure);
    EXPECT_THROW(std::rethrow_exception(failure), E);
    EXPECT_FALSE(app->TakeFailure());
}

} // namespace

// Out of memory or threads in a handler: the event loop ends with status 1 and the failure is handed
// on, instead of an abort from unwinding through the toolkit's event loop.
TEST(CApplication, AHandlerOutOfMemoryOrThreadsEndsTheEventLoopWithTheFailure) {
    ExpectEventLoopEndsWith(std::bad_alloc());
    ExpectEventLoopEndsWith(
        std::system_error(std::make_error_code(std::errc::resource_unavailable_try_again)));
}
