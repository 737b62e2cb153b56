#include "platform/toolkit/gui/Actions.h"

#include "platform/toolkit/Exceptions.h"
#include "platform/toolkit/gui/ImageList.h"
#include "platform/toolkit/gui/StandardControls.h"

#include <gtest/gtest.h>
#include <memory>

namespace {

// A panel that is clicked the way a button clicks itself.
class TClickPanel : public TPanel {
public:
    void Click() { ClickOrExecute(); }
};

QImage Solid(TColor color)
{
    QImage image(16, 16, QImage::Format_RGB32);
    image.fill(ToQColor(color));
    return image;
}

}  // namespace

TEST(Actions, AssigningPushesTheActionIntoTheClientAndChangesFollow)
{
    TCustomAction action;
    action.SetCaption("&Save");
    action.SetHint("Saves the order");
    action.SetHelpContext(12);
    TClickPanel panel;
    panel.SetCaption("Panel1");
    panel.SetHint("own hint");
    panel.SetAction(&action);

    EXPECT_EQ(panel.Action(), &action);
    EXPECT_EQ(panel.Caption(), "&Save");
    EXPECT_EQ(panel.Hint(), "Saves the order");
    EXPECT_EQ(panel.HelpContext(), 12);
    EXPECT_EQ(action.LinkCount(), 1);

    action.SetCaption("Save &all");
    action.SetHint("Saves every order");
    action.SetHelpContext(13);
    EXPECT_EQ(panel.Caption(), "Save &all");
    EXPECT_EQ(panel.Hint(), "Saves every order");
    EXPECT_EQ(panel.HelpContext(), 13);
}

TEST(Actions, SeveralClientsFollowOneAction)
{
    TCustomAction action;
    TClickPanel first;
    TClickPanel second;
    first.SetAction(&action);
    second.SetAction(&action);
    action.SetCaption("Print");
    action.SetEnabled(false);
    for (TClickPanel* panel : {&first, &second}) {
        EXPECT_EQ(panel->Caption(), "Print");
        EXPECT_FALSE(panel->Enabled());
    }
}

TEST(Actions, WhileLoadingOnlyDefaultsAreTaken)
{
    TCustomAction action;
    action.SetCaption("Delete");
    action.SetHint("Deletes the row");
    TClickPanel named;
    named.SetName("Panel1");
    named.SetCaption("Panel1");
    TClickPanel captioned;
    captioned.SetCaption("Remove");
    captioned.SetHint("own hint");

    action.BeginLoading();
    named.SetAction(&action);
    captioned.SetAction(&action);
    EXPECT_EQ(named.Caption(), "Delete");  // still its name: a default
    EXPECT_EQ(named.Hint(), "Deletes the row");
    EXPECT_EQ(captioned.Caption(), "Remove");
    EXPECT_EQ(captioned.Hint(), "own hint");
}

TEST(Actions, DisabledActionDisablesTheClientAndDoesNotRun)
{
    TCustomAction action;
    int runs = 0;
    action.OnExecute = [&](QObject* sender) {
        EXPECT_EQ(sender, &action);
        ++runs;
    };
    TClickPanel panel;
    panel.SetAction(&action);
    EXPECT_TRUE(panel.Enabled());

    action.SetEnabled(false);
    EXPECT_FALSE(panel.Enabled());
    EXPECT_FALSE(action.Execute());
    panel.Click();
    EXPECT_EQ(runs, 0);

    action.SetEnabled(true);
    EXPECT_TRUE(panel.Enabled());
    EXPECT_TRUE(action.Execute());
    EXPECT_EQ(runs, 1);
}

TEST(Actions, ClickRunsTheActionUnlessTheClientHasItsOwnOnClick)
{
    TCustomAction action;
    int runs = 0;
    int clicks = 0;
    action.OnExecute = [&](QObject*) { ++runs; };
    TClickPanel panel;
    panel.Click();  // no action, no handler: nothing happens
    panel.SetAction(&action);
    panel.Click();
    EXPECT_EQ(runs, 1);

    panel.OnClick = [&](QObject* sender) {
        EXPECT_EQ(sender, &panel);
        ++clicks;
    };
    panel.Click();
    EXPECT_EQ(runs, 1);
    EXPECT_EQ(clicks, 1);
}

TEST(Actions, ErrorsOfTheActionReachTheCaller)
{
    TCustomAction action;
    action.OnExecute = [](QObject*) { throw EInvalidOperation("Cannot save"); };
    TClickPanel panel;
    panel.SetAction(&action);
    EXPECT_THROW(panel.Click(), EInvalidOperation);
}

TEST(Actions, ClientAndActionMayGoInEitherOrder)
{
    auto action = std::make_unique<TCustomAction>();
    {
        TClickPanel panel;
        panel.SetAction(action.get());
        EXPECT_EQ(action->LinkCount(), 1);
    }
    EXPECT_EQ(action->LinkCount(), 0);
    action->SetCaption("after the client");  // no link left to tell

    TClickPanel panel;
    panel.SetAction(action.get());
    action.reset();
    EXPECT_EQ(panel.Action(), nullptr);
    EXPECT_EQ(panel.ActionLink(), nullptr);
    panel.Click();  // nothing to run
}

TEST(Actions, ReassigningAndClearingTheAction)
{
    TCustomAction first;
    first.SetCaption("First");
    TCustomAction second;
    second.SetCaption("Second");
    TClickPanel panel;
    panel.SetAction(&first);
    panel.SetAction(&second);
    EXPECT_EQ(first.LinkCount(), 0);
    EXPECT_EQ(second.LinkCount(), 1);
    EXPECT_EQ(panel.Caption(), "Second");

    panel.SetAction(nullptr);
    EXPECT_EQ(second.LinkCount(), 0);
    second.SetCaption("Changed");
    EXPECT_EQ(panel.Caption(), "Second");
}

TEST(Actions, ActionChangeRaisesOnChangeOncePerRealChange)
{
    TCustomAction action;
    int changes = 0;
    action.OnChange = [&](QObject* sender) {
        EXPECT_EQ(sender, &action);
        ++changes;
    };
    action.SetCaption("A");
    action.SetCaption("A");
    action.SetEnabled(true);  // already enabled
    action.SetImageIndex(2);
    EXPECT_EQ(changes, 2);
}

TEST(Actions, ActionListHoldsItsActionsAndTheirImages)
{
    TImageList images;
    auto list = std::make_unique<TActionList>();
    TCustomAction open;
    TCustomAction close;
    open.SetActionList(list.get());
    close.SetActionList(list.get());
    ASSERT_EQ(list->ActionCount(), 2);
    EXPECT_EQ(list->Actions(0), &open);
    EXPECT_EQ(list->Actions(1), &close);
    EXPECT_THROW(list->Actions(2), EListError);
    EXPECT_THROW(list->Actions(-1), EListError);

    int told = 0;
    TClickPanel panel;
    panel.SetAction(&open);
    open.OnChange = [&](QObject*) { ++told; };
    list->SetImages(&images);
    EXPECT_EQ(list->Images(), &images);
    EXPECT_EQ(told, 1);

    close.SetActionList(nullptr);
    EXPECT_EQ(list->ActionCount(), 1);
    list.reset();
    EXPECT_EQ(open.ActionList(), nullptr);
}

TEST(Actions, ActionListForgetsAFreedImageList)
{
    TActionList list;
    {
        TImageList images;
        list.SetImages(&images);
    }
    EXPECT_EQ(list.Images(), nullptr);
}

TEST(ImageListChangeLinks, EveryRegisteredListenerIsToldInOrderBesideOnChange)
{
    TImageList images;
    std::vector<QString> told;
    images.OnChange = [&](TImageList* sender) {
        EXPECT_EQ(sender, &images);
        told.push_back("OnChange");
    };
    TChangeLink first;
    TChangeLink second;
    first.OnChange = [&](QObject* sender) {
        EXPECT_EQ(sender, &images);
        told.push_back("first");
    };
    second.OnChange = [&](QObject*) { told.push_back("second"); };
    images.RegisterChanges(&first);
    images.RegisterChanges(&second);
    images.RegisterChanges(&first);  // twice: still told once

    images.Add(Solid(clRed));
    EXPECT_EQ(told, (std::vector<QString>{"OnChange", "first", "second"}));

    told.clear();
    images.UnRegisterChanges(&first);
    EXPECT_EQ(first.Sender(), nullptr);
    images.Delete(0);
    EXPECT_EQ(told, (std::vector<QString>{"OnChange", "second"}));
}

TEST(ImageListChangeLinks, ALinkBelongsToOneListAndLeavesWhenEitherGoes)
{
    TImageList a;
    TImageList b;
    int told = 0;
    TChangeLink link;
    link.OnChange = [&](QObject*) { ++told; };
    a.RegisterChanges(&link);
    b.RegisterChanges(&link);
    EXPECT_EQ(link.Sender(), &b);
    a.Add(Solid(clRed));
    EXPECT_EQ(told, 0);
    b.Add(Solid(clRed));
    EXPECT_EQ(told, 1);

    {
        TChangeLink shortLived;
        b.RegisterChanges(&shortLived);
    }
    b.Clear();  // the freed link is no longer told
    EXPECT_EQ(told, 2);

    auto list = std::make_unique<TImageList>();
    list->RegisterChanges(&link);
    list.reset();
    EXPECT_EQ(link.Sender(), nullptr);
}

TEST(ImageListChangeLinks, AListenerMayFreeALaterOneWhileBeingTold)
{
    TImageList images;
    auto later = std::make_unique<TChangeLink>();
    int laterTold = 0;
    later->OnChange = [&](QObject*) { ++laterTold; };
    TChangeLink first;
    first.OnChange = [&](QObject*) { later.reset(); };
    images.RegisterChanges(&first);
    images.RegisterChanges(later.get());
    images.Add(Solid(clBlue));
    EXPECT_EQ(laterTold, 0);
    EXPECT_EQ(later, nullptr);
}
