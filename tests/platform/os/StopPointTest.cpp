#include "platform/os/StopPoint.h"
#include "support/ChildRun.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <gtest/gtest.h>

namespace {

void Touch(const QString& folder, const QString& name)
{
    QFile f(QDir(folder).filePath(name));
    ASSERT_TRUE(f.open(QIODevice::WriteOnly));
}

}  // namespace

// Writes "1", passes the point, writes "2", passes it again, writes "3".
TEST(StopPointChild, WritesAroundTwoPasses)
{
    const QString folder = QString::fromLocal8Bit(ChildArgument("STOP_TEST_FOLDER"));
    if (folder.isEmpty())
        GTEST_SKIP() << "run by StopPointTest";
    Touch(folder, "1");
    StopPoint("step");
    Touch(folder, "2");
    StopPoint("step");
    Touch(folder, "3");
}

TEST(StopPointTest, EndsTheProcessAtTheNamedPassOnly)
{
    struct Case {
        const char* stopAt;
        int exitCode;
        QStringList written;
    };
    const Case cases[] = {
        {"step", kStoppedAtPointExitCode, {"1"}},
        {"step:2", kStoppedAtPointExitCode, {"1", "2"}},
        {"step:3", 0, {"1", "2", "3"}},
        {"other", 0, {"1", "2", "3"}},
        {"", 0, {"1", "2", "3"}},
    };
    for (const Case& c : cases) {
        QTemporaryDir dir;
        const int code = RunChildTest("StopPointChild.WritesAroundTwoPasses",
                                      {{"STOP_TEST_FOLDER", dir.path().toLocal8Bit()}, {"CARVANTEL_STOP_AT", c.stopAt}});
        EXPECT_EQ(code, c.exitCode) << c.stopAt;
        EXPECT_EQ(QDir(dir.path()).entryList(QDir::Files, QDir::Name), c.written) << c.stopAt;
    }
}
