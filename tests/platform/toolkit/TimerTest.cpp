#include "platform/toolkit/Exceptions.h"
#include "platform/toolkit/Timer.h"

#include <QCoreApplication>
#include <QTest>
#include <gtest/gtest.h>
#include <memory>

namespace {
// Timers need an event loop. One application object serves the whole test program (another
// test file that made one first is used as it is); it goes when the tests end, before the
// exit handlers take Qt's own globals away.
std::unique_ptr<QCoreApplication>& OwnApplication()
{
    static std::unique_ptr<QCoreApplication> app;
    return app;
}

class ApplicationEnvironment : public ::testing::Environment {
public:
    void TearDown() override { OwnApplication().reset(); }
};

[[maybe_unused]] ::testing::Environment* const kEnvironment =
    ::testing::AddGlobalTestEnvironment(new ApplicationEnvironment);

void EnsureApplication()
{
    static int argc = 1;
    static char name[] = "toolkit_tests";
    static char* argv[] = {name, nullptr};
    if (!QCoreApplication::instance()) OwnApplication() = std::make_unique<QCoreApplication>(argc, argv);
}
}  // namespace

TEST(Timer, DefaultsAndTicksUnderTheEventLoop)
{
    EnsureApplication();
    TTimer timer;
    EXPECT_TRUE(timer.Enabled());
    EXPECT_EQ(timer.Interval(), 1000);
    int ticks = 0;
    TTimer* sender = nullptr;
    timer.OnTimer = [&](TTimer* t) {
        sender = t;
        ++ticks;
    };
    timer.SetInterval(10);
    EXPECT_TRUE(QTest::qWaitFor([&] { return ticks >= 3; }, 5000));
    EXPECT_EQ(sender, &timer);

    timer.SetEnabled(false);
    const int stopped = ticks;
    QTest::qWait(60);
    EXPECT_EQ(ticks, stopped);

    timer.SetEnabled(true);
    timer.SetInterval(0);  // no interval, no ticks
    QTest::qWait(60);
    EXPECT_EQ(ticks, stopped);
}

TEST(Timer, StartsOnlyWhenLoadingEnds)
{
    EnsureApplication();
    TTimer timer;
    timer.BeginLoading();
    timer.SetInterval(5);
    int ticks = 0;
    timer.OnTimer = [&](TTimer*) { ++ticks; };
    timer.SetEnabled(false);
    timer.SetEnabled(true);
    QTest::qWait(50);
    EXPECT_EQ(ticks, 0);
    timer.Loaded();
    EXPECT_TRUE(QTest::qWaitFor([&] { return ticks >= 1; }, 5000));
}

TEST(Timer, AnExceptionInTheHandlerGoesToTheApplicationHandler)
{
    EnsureApplication();
    QString seen;
    SetExceptionHandler([&](std::exception_ptr e) {
        try {
            std::rethrow_exception(e);
        } catch (const Exception& error) {
            seen = error.Message();
        }
    });
    TTimer timer;
    timer.SetInterval(5);
    timer.OnTimer = [](TTimer* t) {
        t->SetEnabled(false);
        DatabaseError(QStringLiteral("Connection to Database x is broken!"));
    };
    EXPECT_TRUE(QTest::qWaitFor([&] { return !seen.isEmpty(); }, 5000));
    EXPECT_EQ(seen, QStringLiteral("Connection to Database x is broken!"));
    SetExceptionHandler({});
}

TEST(Timer, TheOwnerFreesItsTimer)
{
    EnsureApplication();
    auto owner = std::make_unique<TComponent>();
    auto* timer = new TTimer(owner.get());
    EXPECT_EQ(timer->Owner(), owner.get());
    EXPECT_EQ(owner->ComponentCount(), 1);
    owner.reset();  // LeakSanitizer would report the timer otherwise
}
