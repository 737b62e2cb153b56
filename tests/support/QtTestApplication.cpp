// One QApplication for the whole test program: fonts, widgets, focus and printing need it.
// Offscreen unless the caller chose a platform, so the program also runs headless outside ctest.
// Every window a test shows through the scripted UI host is checked for a line of text that it
// breaks for want of width.
#include "platform/toolkit/gui/ScriptedUiHost.h"

#include <QApplication>
#include <gtest/gtest.h>

namespace {

class QtApplicationEnvironment : public ::testing::Environment {
public:
    void SetUp() override
    {
        if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
        static int argc = 1;
        static char name[] = CARVANTEL_TEST_PROGRAM;
        static char* argv[] = {name, nullptr};
        app_ = new QApplication(argc, argv);
        TScriptedUiHost::SetBrokenLineCheck([](const TShownRecord& shown, const QString& line) {
            ADD_FAILURE() << "the window " << shown.Name.toStdString() << " breaks the line \""
                          << line.toStdString() << "\" for want of width";
        });
    }
    void TearDown() override
    {
        TScriptedUiHost::SetBrokenLineCheck(nullptr);
        delete app_;
        app_ = nullptr;
    }

private:
    QApplication* app_ = nullptr;
};

[[maybe_unused]] ::testing::Environment* const kEnvironment =
    ::testing::AddGlobalTestEnvironment(new QtApplicationEnvironment);

}  // namespace
