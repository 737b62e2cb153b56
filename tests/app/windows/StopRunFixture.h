#pragma once
// Writes of several steps ended midway: a child process runs one test of this program over the
// parent test's folder and ends at a stop point; the parent then starts the program again over
// what the child left and reads it. Each pass of the stop point is tried in turn, every time
// from the same stored state, until a run ends without stopping.

#include "ProgramFixture.h"

#include "platform/os/StopPoint.h"
#include "support/ChildRun.h"

#include <QMap>
#include <functional>
#include <vector>

// The folder whose program a child test works in.
inline constexpr const char* kProgramFolder = "CARVANTEL_PROGRAM_FOLDER";

template <class TBase>
class TStopRunTest : public TBase {
protected:
    // In a child run: the program started again over the parent's folder and logged in. False
    // when the test runs on its own.
    bool StartOverParentFolder()
    {
        const QString folder = QString::fromLocal8Bit(ChildArgument(kProgramFolder));
        if (folder.isEmpty()) return false;
        this->Stop();
        QDir::setCurrent(folder);
        SetProgramFolder(folder + QLatin1Char('/'));
        this->Start();
        EXPECT_EQ(this->Login(QStringLiteral("Администратор"), QString()), mrOk);
        app::MainFormReady = true;
        return true;
    }

    // Runs `childTest` once for each pass of the stop point `point`, until a run ends without
    // stopping; after each run the program starts again (logged in) and `state` reads what the
    // run left. The states come back in order, the full run's last; the program is left started.
    std::vector<TRows> StatesAtEachStop(const char* childTest, const char* point, const std::function<TRows()>& state,
                                        QMap<QByteArray, QByteArray> environment = {})
    {
        constexpr int kMostStops = 40;
        const QString folder = this->dir_.path();
        const QString database = this->Path("CarVantel.mdb");
        const QString before = this->Path("before-the-stops.mdb");
        this->Stop();
        QFile::remove(before);
        EXPECT_TRUE(QFile::copy(database, before));
        QDir(folder).mkpath(QStringLiteral("tmp"));
        environment[kProgramFolder] = folder.toLocal8Bit();
        // What the child's own fixture makes it leaves here, as it ends without cleaning up.
        environment["TMPDIR"] = (folder + QStringLiteral("/tmp")).toLocal8Bit();
        std::vector<TRows> states;
        for (int pass = 1; pass <= kMostStops; ++pass) {
            QFile::remove(database);
            QFile::remove(database + QStringLiteral("-journal"));
            EXPECT_TRUE(QFile::copy(before, database));
            environment["CARVANTEL_STOP_AT"] = QByteArray(point) + ':' + QByteArray::number(pass);
            const int code = RunChildTest(QString::fromLatin1(childTest), environment);
            this->Start();
            EXPECT_EQ(this->Login(QStringLiteral("Администратор"), QString()), mrOk) << "after stop " << pass;
            states.push_back(state());
            if (code != kStoppedAtPointExitCode) {
                EXPECT_EQ(code, 0) << "the run past " << pass - 1 << " stops";
                break;
            }
            this->Stop();
        }
        return states;
    }
};
