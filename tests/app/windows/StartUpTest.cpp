#include "ProgramFixture.h"

#include "app/windows/uSplash.h"
#include "platform/toolkit/Exceptions.h"
#include "platform/toolkit/gui/Menus.h"

#include <stdexcept>

namespace {

// The start-up runs on an application of its own.
class StartUpTest : public ProgramTest {
protected:
    void SetUp() override
    {
        ProgramTest::SetUp();
        Stop();
    }
};

TEST_F(StartUpTest, CancellingTheLoginEndsWithZeroAndNoMainWindow)
{
    TApplication application;
    host_.AnswerForm(QStringLiteral("fPasswordDlg"), mrCancel);
    try {
        RunCarVantel(application);
        FAIL() << "the process did not end";
    } catch (const EProcessExit& exit) {
        EXPECT_EQ(exit.Code(), 0);
    }
    EXPECT_FALSE(app::MainFormReady);
    EXPECT_FALSE(fCarVantel->isVisible());
    EXPECT_EQ(fSplashForm, nullptr);
    EXPECT_EQ(host_.CountOf(TShownRecord::Form), 1);
}

TEST_F(StartUpTest, APrinterThatCannotServeTheReportsEndsBeforeTheLogin)
{
    TApplication application;
    TStartUpSteps steps;
    steps.CreateReportTemplates = [](TApplication&) { throw Exception(QStringLiteral("no page")); };
    EXPECT_EQ(RunCarVantel(application, steps), 0);
    EXPECT_TRUE(Shown(QStringLiteral("Драйвера на принтера не поддържа този режим!")));
    for (const TShownRecord& shown : host_.Shown()) EXPECT_NE(shown.Name, QStringLiteral("fPasswordDlg"));
}

TEST_F(StartUpTest, TheWindowsAreMadeInTheirOrder)
{
    TApplication application;
    CreateProgramWindows(application);
    ASSERT_GE(application.FormCount(), 5);
    EXPECT_EQ(application.MainForm(), fCarVantel);
    EXPECT_EQ(application.Title(), QStringLiteral("Car vantel version 4.04"));
    EXPECT_EQ(application.Forms(1)->objectName(), QStringLiteral("fSetings"));
    EXPECT_EQ(application.Forms(2)->objectName(), QStringLiteral("fSearch"));
    EXPECT_EQ(application.Forms(3)->objectName(), QStringLiteral("fPasswordDlg"));
    EXPECT_TRUE(FileExists(Path("CarVantel.mdb")));
}

TEST(SplashForm, ReadsTheVersionAndItsCloseEndsTheProcess)
{
    TScriptedUiHost host;
    TScopedUiHost installed(host);
    TfSplashForm splash;
    EXPECT_EQ(splash.Caption(), QStringLiteral("Покривало"));
    EXPECT_EQ(splash.width(), 583);
    EXPECT_EQ(splash.height(), 215);
    splash.Show();
    EXPECT_EQ(splash.Label2->Caption(), QStringLiteral("CarVantel v4.04"));
    EXPECT_EQ(splash.Label1->Caption(), QStringLiteral("Моля почакайте ..."));
    EXPECT_THROW(splash.Close1->Click(), EProcessExit);
    EXPECT_EQ(host.CountOf(TShownRecord::Exit), 1);
}

}  // namespace
