#include "platform/toolkit/gui/Application.h"
#include "platform/toolkit/gui/ScriptedUiHost.h"
#include "platform/toolkit/gui/Shell.h"
#include "platform/toolkit/gui/StandardControls.h"

#include <QTest>
#include <gtest/gtest.h>

namespace {

class NamedForm : public TForm {
public:
    explicit NamedForm(const char* name) { setObjectName(name); }
};

class ApplicationTest : public ::testing::Test {
protected:
    TScriptedUiHost host;
    TScopedUiHost installed{host};
};

TEST_F(ApplicationTest, FormsAreOwnedInTheOrderTheyCameAndDestroyedLastFirst)
{
    std::vector<std::string> events;
    {
        TApplication app;
        auto* module = new TComponent(&app);
        module->SetName("DM");
        auto* main = app.CreateForm<NamedForm>("fCarVantel");
        main->OnDestroy = [&](QObject*) { events.push_back("destroy main"); };
        auto* settings = app.CreateForm<NamedForm>("fSetings");
        settings->OnCreate = [&](QObject*) { events.push_back("never: set after creation"); };
        settings->OnDestroy = [&](QObject*) { events.push_back("destroy settings"); };
        EXPECT_EQ(app.MainForm(), main);
        ASSERT_EQ(app.OwnedObjects().size(), 3u);
        EXPECT_EQ(app.OwnedObjects()[0]->objectName(), "DM");
        EXPECT_EQ(app.OwnedObjects()[2]->objectName(), "fSetings");
        EXPECT_EQ(Application(), &app);
    }
    EXPECT_EQ(Application(), nullptr);
    EXPECT_EQ(events, (std::vector<std::string>{"destroy main", "destroy settings"}));
}

TEST_F(ApplicationTest, ClosingTheMainFormEndsTheApplication)
{
    TApplication app;
    auto* main = app.CreateForm<NamedForm>("fMain");
    bool ask = true;
    main->OnCloseQuery = [&](QObject*, bool& canClose) { canClose = !ask; };
    main->Show();
    main->Close();
    EXPECT_TRUE(main->isVisible());  // the close query said no
    EXPECT_FALSE(app.Terminated());
    ask = false;
    main->Close();
    EXPECT_FALSE(main->isVisible());
    EXPECT_TRUE(app.Terminated());
}

TEST_F(ApplicationTest, AnErrorInAHandlerIsReportedNotLost)
{
    TApplication app;
    app.SetTitle("CarVantel");
    NamedForm form("fForm");
    auto* button = new TButton(&form);
    button->OnClick = [](QObject*) { throw EDatabaseError("Record not found"); };
    form.show();
    QTest::mouseClick(button, Qt::LeftButton);
    ASSERT_EQ(host.CountOf(TShownRecord::Message), 1);
    EXPECT_EQ(host.Shown()[0].Text, "Record not found");
    // Called by the program, the same handler's error reaches the caller.
    EXPECT_THROW(button->Click(), EDatabaseError);
}

TEST_F(ApplicationTest, ShellOpenAnswersLikeTheShell)
{
    EXPECT_EQ(ShellOpen("CarVantel.HLP"), SE_OPEN_OK);
    host.SetDocumentsOpen(false);
    EXPECT_EQ(ShellOpen("http://example.invalid/download"), SE_ERR_FNF);
    ASSERT_EQ(host.CountOf(TShownRecord::Document), 2);
    EXPECT_EQ(host.Shown()[1].Text, "http://example.invalid/download");
}

TEST_F(ApplicationTest, ActiveFormFallsBackToTheModalOneThenTheMainForm)
{
    TApplication app;
    auto* main = app.CreateForm<NamedForm>("fMain");
    NamedForm dialog("fDialog");
    TForm* seen = nullptr;
    host.OnForm("fDialog", [&](TForm&) {
        seen = Screen().ActiveForm();
        return mrOk;
    });
    dialog.ShowModal();
    EXPECT_EQ(seen, &dialog);
    if (!QApplication::activeWindow()) {
        EXPECT_EQ(Screen().ActiveForm(), main);
    }
}

}  // namespace
