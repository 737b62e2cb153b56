#include "platform/toolkit/DataSet.h"
#include "platform/toolkit/DataSource.h"
#include "platform/toolkit/VectorDataSet.h"

#include <gtest/gtest.h>

#include <functional>
#include <memory>
#include <string>
#include <vector>

namespace {

// id, name, price; rows with ids 1..count and names "r1".."rN".
std::unique_ptr<VectorDataSet> MakeDataSet(int count)
{
    auto ds = std::make_unique<VectorDataSet>();
    ds->SetName(QStringLiteral("Items"));
    ds->FieldDefs().Add(QStringLiteral("id"), ftInteger);
    ds->FieldDefs().Add(QStringLiteral("name"), ftString, 20);
    ds->FieldDefs().Add(QStringLiteral("price"), ftFloat);
    ds->Open();
    for (int i = 1; i <= count; ++i) {
        ds->Append();
        ds->FieldByName(QStringLiteral("id"))->SetAsInteger(i);
        ds->FieldByName(QStringLiteral("name"))->SetAsString(QStringLiteral("r%1").arg(i));
        ds->FieldByName(QStringLiteral("price"))->SetAsFloat(i * 1.5);
        ds->Post();
    }
    ds->First();
    ds->calls.clear();
    return ds;
}

int CurrentId(TDataSet& ds) { return ds.FieldByName(QStringLiteral("id"))->AsInteger(); }

// The ids of the rows a link shows, read the way a grid paints them.
std::vector<int> LinkRows(TDataLink& link)
{
    std::vector<int> ids;
    const int old = link.ActiveRecord();
    for (int i = 0; i < link.RecordCount(); ++i) {
        link.SetActiveRecord(i);
        ids.push_back(CurrentId(*link.DataSet()));
    }
    link.SetActiveRecord(old);
    return ids;
}

// Every event of a dataset, appended to one log.
void RecordEvents(TDataSet& ds, std::vector<std::string>& log)
{
    auto on = [&log](const char* name) { return [&log, name](TDataSet*) { log.push_back(name); }; };
    ds.BeforeOpen = on("BeforeOpen");
    ds.AfterOpen = on("AfterOpen");
    ds.BeforeClose = on("BeforeClose");
    ds.AfterClose = on("AfterClose");
    ds.BeforeInsert = on("BeforeInsert");
    ds.AfterInsert = on("AfterInsert");
    ds.BeforeEdit = on("BeforeEdit");
    ds.AfterEdit = on("AfterEdit");
    ds.BeforePost = on("BeforePost");
    ds.AfterPost = on("AfterPost");
    ds.BeforeCancel = on("BeforeCancel");
    ds.AfterCancel = on("AfterCancel");
    ds.BeforeDelete = on("BeforeDelete");
    ds.AfterDelete = on("AfterDelete");
    ds.BeforeScroll = on("BeforeScroll");
    ds.AfterScroll = on("AfterScroll");
    ds.BeforeRefresh = on("BeforeRefresh");
    ds.AfterRefresh = on("AfterRefresh");
    ds.OnNewRecord = on("OnNewRecord");
}

}  // namespace

TEST(DataSetNavigation, EmptyDataSetIsAtBothEnds)
{
    auto ds = MakeDataSet(0);
    EXPECT_TRUE(ds->Bof());
    EXPECT_TRUE(ds->Eof());
    EXPECT_TRUE(ds->IsEmpty());
    EXPECT_EQ(ds->MoveBy(1), 0);
    ds->Last();
    EXPECT_TRUE(ds->Bof() && ds->Eof());
    EXPECT_TRUE(ds->FieldByName(QStringLiteral("id"))->IsNull());
    EXPECT_THROW(ds->Delete(), EDatabaseError);
    try {
        ds->Delete();
    } catch (const EDatabaseError& e) {
        EXPECT_EQ(e.Message(), QStringLiteral("Items: Cannot perform this operation on an empty dataset"));
    }
}

TEST(DataSetNavigation, MovesStopAtTheEndsAndReportTheDistance)
{
    auto ds = MakeDataSet(5);
    EXPECT_TRUE(ds->Bof());
    EXPECT_FALSE(ds->Eof());
    EXPECT_EQ(CurrentId(*ds), 1);
    EXPECT_EQ(ds->MoveBy(-1), 0);
    EXPECT_EQ(ds->MoveBy(3), 3);
    EXPECT_EQ(CurrentId(*ds), 4);
    EXPECT_FALSE(ds->Bof());
    EXPECT_EQ(ds->MoveBy(10), 1);
    EXPECT_TRUE(ds->Eof());
    EXPECT_EQ(CurrentId(*ds), 5);
    EXPECT_EQ(ds->MoveBy(1), 0);
    ds->First();
    EXPECT_TRUE(ds->Bof());
    EXPECT_EQ(CurrentId(*ds), 1);
    ds->Last();
    EXPECT_TRUE(ds->Eof());
    EXPECT_FALSE(ds->Bof());
    EXPECT_EQ(CurrentId(*ds), 5);
    EXPECT_EQ(ds->MoveBy(-10), -4);
    EXPECT_TRUE(ds->Bof());
    EXPECT_EQ(CurrentId(*ds), 1);
}

TEST(DataSetNavigation, ClosedDataSetRefusesMoves)
{
    auto ds = MakeDataSet(2);
    ds->Close();
    try {
        ds->First();
        FAIL();
    } catch (const EDatabaseError& e) {
        EXPECT_EQ(e.Message(), QStringLiteral("Items: Cannot perform this operation on a closed dataset"));
    }
}

TEST(DataSetNavigation, FailedOpenLeavesTheDataSetClosed)
{
    VectorDataSet ds;
    EXPECT_THROW(ds.Open(), EDatabaseError);
    EXPECT_FALSE(ds.Active());
    EXPECT_EQ(ds.State(), dsInactive);
}

// A grid's link asks for five rows of a dataset of twelve.
TEST(DataSetWindow, GridLinkSeesTheWindowScrollByTheDistanceMoved)
{
    auto ds = MakeDataSet(12);
    TDataSource source;
    source.SetDataSet(ds.get());
    RecordingLink link;
    link.SetDataSource(&source);
    link.SetBufferCount(5);
    EXPECT_EQ(ds->BufferCount(), 5);
    EXPECT_EQ(LinkRows(link), (std::vector<int>{1, 2, 3, 4, 5}));

    struct Step {
        int move;
        int moved;
        int active;
        std::vector<int> rows;
        std::vector<int> scrolls;
    };
    const std::vector<Step> steps = {
        {4, 4, 4, {1, 2, 3, 4, 5}, {0}},       // inside the window: no shift
        {1, 1, 4, {2, 3, 4, 5, 6}, {1}},       // one row fetched past the bottom edge
        {3, 3, 4, {5, 6, 7, 8, 9}, {3}},
        {-2, -2, 2, {5, 6, 7, 8, 9}, {0}},
        {-4, -4, 0, {3, 4, 5, 6, 7}, {-2}},    // two rows fetched past the top edge
        {20, 9, 4, {8, 9, 10, 11, 12}, {5}},   // stops at the end
    };
    for (const Step& step : steps) {
        link.scrolls.clear();
        EXPECT_EQ(ds->MoveBy(step.move), step.moved) << step.move;
        EXPECT_EQ(link.ActiveRecord(), step.active) << step.move;
        EXPECT_EQ(LinkRows(link), step.rows) << step.move;
        EXPECT_EQ(link.scrolls, step.scrolls) << step.move;
    }
    EXPECT_TRUE(ds->Eof());
    EXPECT_EQ(CurrentId(*ds), 12);
    link.events.clear();
    ds->First();
    EXPECT_EQ(link.events, (std::vector<std::string>{"checkbrowse", "changed"}));
    EXPECT_EQ(LinkRows(link), (std::vector<int>{1, 2, 3, 4, 5}));
    ds->Last();
    EXPECT_EQ(LinkRows(link), (std::vector<int>{8, 9, 10, 11, 12}));
    EXPECT_EQ(link.ActiveRecord(), 4);
}

TEST(DataSetWindow, SmallerLinkFollowsTheActiveRowInsideALargerWindow)
{
    auto ds = MakeDataSet(12);
    TDataSource source;
    source.SetDataSet(ds.get());
    RecordingLink grid, small;
    grid.SetDataSource(&source);
    grid.SetBufferCount(6);
    small.SetDataSource(&source);
    small.SetBufferCount(2);
    EXPECT_EQ(ds->BufferCount(), 6);
    ds->MoveBy(3);
    EXPECT_EQ(LinkRows(grid), (std::vector<int>{1, 2, 3, 4, 5, 6}));
    EXPECT_EQ(LinkRows(small), (std::vector<int>{3, 4}));
    EXPECT_EQ(small.ActiveRecord(), 1);
    EXPECT_EQ(small.scrolls, (std::vector<int>{2}));
    grid.SetDataSource(nullptr);
    EXPECT_EQ(ds->BufferCount(), 2);
    EXPECT_EQ(CurrentId(*ds), 4);
}

TEST(DataSetWindow, ResyncCentresTheCurrentRow)
{
    auto ds = MakeDataSet(12);
    TDataSource source;
    source.SetDataSet(ds.get());
    RecordingLink link;
    link.SetDataSource(&source);
    link.SetBufferCount(5);
    ds->MoveBy(7);
    const TBookmark mark = ds->GetBookmark();
    ds->First();
    ds->GotoBookmark(mark);
    EXPECT_EQ(CurrentId(*ds), 8);
    EXPECT_EQ(LinkRows(link), (std::vector<int>{6, 7, 8, 9, 10}));
    EXPECT_EQ(link.ActiveRecord(), 2);
}

TEST(DataSetEdits, StateTransitionsSendTheirEventsInOrder)
{
    struct Case {
        const char* name;
        std::function<void(VectorDataSet&)> act;
        std::vector<std::string> events;
        TDataSetState state;
    };
    const auto setName = [](VectorDataSet& ds) { ds.FieldByName(QStringLiteral("name"))->SetAsString(QStringLiteral("x")); };
    const std::vector<Case> cases = {
        {"edit", [](VectorDataSet& ds) { ds.Edit(); }, {"BeforeEdit", "AfterEdit"}, dsEdit},
        {"edit+post",
         [&](VectorDataSet& ds) {
             ds.Edit();
             setName(ds);
             ds.Post();
         },
         {"BeforeEdit", "AfterEdit", "BeforePost", "AfterPost"}, dsBrowse},
        {"edit+cancel",
         [](VectorDataSet& ds) {
             ds.Edit();
             ds.Cancel();
         },
         {"BeforeEdit", "AfterEdit", "BeforeCancel", "AfterCancel"}, dsBrowse},
        {"insert",
         [](VectorDataSet& ds) { ds.Insert(); },
         {"BeforeInsert", "BeforeScroll", "OnNewRecord", "AfterInsert", "AfterScroll"}, dsInsert},
        {"append+post",
         [&](VectorDataSet& ds) {
             ds.Append();
             setName(ds);
             ds.Post();
         },
         {"BeforeInsert", "BeforeScroll", "OnNewRecord", "AfterInsert", "AfterScroll", "BeforePost", "AfterPost"},
         dsBrowse},
        {"insert+cancel",
         [](VectorDataSet& ds) {
             ds.Insert();
             ds.Cancel();
         },
         {"BeforeInsert", "BeforeScroll", "OnNewRecord", "AfterInsert", "AfterScroll", "BeforeCancel",
          "AfterCancel"},
         dsBrowse},
        {"delete", [](VectorDataSet& ds) { ds.Delete(); },
         {"BeforeDelete", "BeforeScroll", "AfterDelete", "AfterScroll"}, dsBrowse},
        {"edited row posted by a move",
         [&](VectorDataSet& ds) {
             ds.Edit();
             setName(ds);
             ds.Next();
         },
         {"BeforeEdit", "AfterEdit", "BeforePost", "AfterPost", "BeforeScroll", "AfterScroll"}, dsBrowse},
        {"untouched insert dropped by a move",
         [](VectorDataSet& ds) {
             ds.Insert();
             ds.Next();
         },
         {"BeforeInsert", "BeforeScroll", "OnNewRecord", "AfterInsert", "AfterScroll", "BeforeCancel",
          "AfterCancel", "BeforeScroll", "AfterScroll"},
         dsBrowse},
        {"post in browse state", [](VectorDataSet& ds) { ds.Post(); }, {}, dsBrowse},
        {"refresh", [](VectorDataSet& ds) { ds.Refresh(); }, {"BeforeRefresh", "AfterRefresh"}, dsBrowse},
        {"close", [](VectorDataSet& ds) { ds.Close(); }, {"BeforeClose", "AfterClose"}, dsInactive},
    };
    for (const Case& c : cases) {
        std::vector<std::string> log;
        auto ds = MakeDataSet(3);
        RecordEvents(*ds, log);
        c.act(*ds);
        EXPECT_EQ(log, c.events) << c.name;
        EXPECT_EQ(ds->State(), c.state) << c.name;
    }
}

TEST(DataSetEdits, OpenSendsItsEventsAndStandsOnTheFirstRow)
{
    std::vector<std::string> log;
    auto ds = MakeDataSet(3);
    ds->Close();
    RecordEvents(*ds, log);
    ds->Open();
    EXPECT_EQ(log, (std::vector<std::string>{"BeforeOpen", "AfterOpen", "AfterScroll"}));
    EXPECT_EQ(CurrentId(*ds), 1);
    EXPECT_EQ(ds->State(), dsBrowse);
}

TEST(DataSetEdits, InsertPutsTheRowBeforeTheActiveOneAndAppendAtTheEnd)
{
    auto ds = MakeDataSet(4);
    TDataSource source;
    source.SetDataSet(ds.get());
    RecordingLink link;
    link.SetDataSource(&source);
    link.SetBufferCount(4);
    ds->MoveBy(2);
    ds->Insert();
    EXPECT_EQ(link.ActiveRecord(), 2);
    EXPECT_TRUE(ds->FieldByName(QStringLiteral("id"))->IsNull());
    ds->FieldByName(QStringLiteral("id"))->SetAsInteger(99);
    ds->Post();
    EXPECT_EQ(CurrentId(*ds), 99);
    std::vector<int> order;
    for (const auto& row : ds->rows) {
        qint32 id = 0;
        std::memcpy(&id, row.data.data() + 1, sizeof id);
        order.push_back(id);
    }
    EXPECT_EQ(order, (std::vector<int>{1, 2, 99, 3, 4}));

    ds->First();
    ds->Append();
    ds->FieldByName(QStringLiteral("id"))->SetAsInteger(100);
    ds->Post();
    EXPECT_EQ(CurrentId(*ds), 100);
    EXPECT_EQ(LinkRows(link), (std::vector<int>{99, 3, 4, 100}));
    ds->Last();
    EXPECT_EQ(CurrentId(*ds), 100);
    EXPECT_EQ(ds->RecordCount(), 6);
}

TEST(DataSetEdits, CancelledInsertInAFullWindowGivesTheWindowBack)
{
    auto ds = MakeDataSet(6);
    TDataSource source;
    source.SetDataSet(ds.get());
    RecordingLink link;
    link.SetDataSource(&source);
    link.SetBufferCount(3);
    ds->MoveBy(1);
    ds->Insert();
    EXPECT_EQ(link.RecordCount(), 3);
    ds->Cancel();
    EXPECT_EQ(LinkRows(link), (std::vector<int>{1, 2, 3}));
    EXPECT_EQ(CurrentId(*ds), 2);
    ds->Last();
    ds->Append();
    ds->Cancel();
    EXPECT_EQ(CurrentId(*ds), 6);
    EXPECT_EQ(ds->rows.size(), 6u);
}

TEST(DataSetEdits, EditOnAnEmptyDataSetInserts)
{
    auto ds = MakeDataSet(0);
    ds->Edit();
    EXPECT_EQ(ds->State(), dsInsert);
}

TEST(DataSetEdits, ReadOnlyDataSetRefusesChanges)
{
    auto ds = MakeDataSet(2);
    ds->readOnly = true;
    for (auto act : {&TDataSet::Edit, &TDataSet::Insert, &TDataSet::Append, &TDataSet::Delete}) {
        try {
            (ds.get()->*act)();
            ADD_FAILURE();
        } catch (const EDatabaseError& e) {
            EXPECT_EQ(e.Message(), QStringLiteral("Items: Cannot modify a read-only dataset"));
        }
        EXPECT_EQ(ds->State(), dsBrowse);
    }
}

TEST(DataSetEdits, WritingAFieldOutsideAnEditIsRefused)
{
    auto ds = MakeDataSet(2);
    EXPECT_THROW(ds->FieldByName(QStringLiteral("name"))->SetAsString(QStringLiteral("x")), EDatabaseError);
    EXPECT_EQ(ds->FieldByName(QStringLiteral("name"))->AsString(), QStringLiteral("r1"));
    try {
        ds->UpdateRecord();
        FAIL();
    } catch (const EDatabaseError& e) {
        EXPECT_EQ(e.Message(), QStringLiteral("Items: Dataset not in edit or insert mode"));
    }
}

TEST(DataSetEdits, RequiredFieldMustHaveAValue)
{
    auto ds = MakeDataSet(1);
    ds->FieldByName(QStringLiteral("name"))->SetRequired(true);
    ds->Append();
    ds->FieldByName(QStringLiteral("id"))->SetAsInteger(7);
    try {
        ds->Post();
        FAIL();
    } catch (const EDatabaseError& e) {
        EXPECT_EQ(e.Message(), QStringLiteral("Items: Field 'name' must have a value"));
    }
    EXPECT_EQ(ds->State(), dsInsert);
    ds->FieldByName(QStringLiteral("name"))->SetAsString(QStringLiteral("ok"));
    ds->Post();
    EXPECT_EQ(ds->rows.size(), 2u);
}

TEST(DataSetErrors, ErrorEventActionsRetryAbortAndFail)
{
    struct Case {
        const char* name;
        std::vector<TDataAction> answers;  // one per call of the handler
        int slotCalls;
        bool raises;        // the database error reaches the caller
        bool aborts;        // the silent abort reaches the caller
        TDataSetState state;
    };
    const std::vector<Case> cases = {
        {"fail", {daFail}, 1, true, false, dsEdit},
        {"abort", {daAbort}, 1, false, true, dsEdit},
        {"retry then fail", {daRetry, daFail}, 2, true, false, dsEdit},
        {"retry until it works", {daRetry, daRetry}, 3, false, false, dsBrowse},
    };
    for (const Case& c : cases) {
        auto ds = MakeDataSet(2);
        int failures = 0;
        ds->failPost = [&] {
            if (failures++ < int(c.answers.size())) throw EDatabaseError(QStringLiteral("locked"));
        };
        size_t handled = 0;
        ds->OnPostError = [&](TDataSet* sender, Exception& error, TDataAction& action) {
            EXPECT_EQ(sender, ds.get());
            EXPECT_EQ(error.Message(), QStringLiteral("locked"));
            EXPECT_EQ(action, daFail);
            action = handled < c.answers.size() ? c.answers[handled] : daFail;
            ++handled;
        };
        ds->Edit();
        ds->FieldByName(QStringLiteral("name"))->SetAsString(QStringLiteral("new"));
        bool raised = false, aborted = false;
        try {
            ds->Post();
        } catch (const EAbort&) {
            aborted = true;
        } catch (const EDatabaseError&) {
            raised = true;
        }
        int posts = 0;
        for (const auto& call : ds->calls) posts += call == "post";
        EXPECT_EQ(posts, c.slotCalls) << c.name;
        EXPECT_EQ(raised, c.raises) << c.name;
        EXPECT_EQ(aborted, c.aborts) << c.name;
        EXPECT_EQ(ds->State(), c.state) << c.name;
        EXPECT_EQ(ds->FieldByName(QStringLiteral("name"))->AsString(), QStringLiteral("new")) << c.name;
    }
}

TEST(DataSetErrors, WithoutAHandlerTheErrorPassesAndEditAndDeleteHaveTheirOwnEvents)
{
    auto ds = MakeDataSet(3);
    ds->failEdit = [] { throw EDatabaseError(QStringLiteral("row locked")); };
    EXPECT_THROW(ds->Edit(), EDatabaseError);
    EXPECT_EQ(ds->State(), dsBrowse);
    int editErrors = 0;
    ds->OnEditError = [&](TDataSet*, Exception&, TDataAction& action) {
        ++editErrors;
        action = daAbort;
    };
    EXPECT_THROW(ds->Edit(), EAbort);
    EXPECT_EQ(editErrors, 1);
    EXPECT_EQ(ds->State(), dsBrowse);

    int tries = 0;
    ds->failDelete = [&] {
        if (tries++ == 0) throw EDatabaseError(QStringLiteral("busy"));
    };
    ds->OnDeleteError = [](TDataSet*, Exception&, TDataAction& action) { action = daRetry; };
    ds->Delete();
    EXPECT_EQ(ds->rows.size(), 2u);
    EXPECT_EQ(CurrentId(*ds), 2);
}

TEST(DataSetErrors, OnlyDatabaseErrorsGoToTheEvent)
{
    auto ds = MakeDataSet(1);
    ds->failPost = [] { throw EConvertError(QStringLiteral("bad")); };
    int handled = 0;
    ds->OnPostError = [&](TDataSet*, Exception&, TDataAction&) { ++handled; };
    ds->Edit();
    EXPECT_THROW(ds->Post(), EConvertError);
    EXPECT_EQ(handled, 0);
}

TEST(DataSetBookmarks, BookmarksSurviveDeletesOfOtherRows)
{
    auto ds = MakeDataSet(6);
    ds->MoveBy(3);
    const TBookmark four = ds->GetBookmark();
    ds->First();
    const TBookmark one = ds->GetBookmark();
    EXPECT_LT(ds->CompareBookmarks(one, four), 0);
    EXPECT_GT(ds->CompareBookmarks(four, one), 0);
    EXPECT_EQ(ds->CompareBookmarks(four, four), 0);
    EXPECT_EQ(ds->CompareBookmarks(TBookmark(), four), 1);
    EXPECT_EQ(ds->CompareBookmarks(four, TBookmark()), -1);
    ds->Delete();
    EXPECT_EQ(CurrentId(*ds), 2);
    EXPECT_FALSE(ds->BookmarkValid(one));
    EXPECT_TRUE(ds->BookmarkValid(four));
    ds->GotoBookmark(four);
    EXPECT_EQ(CurrentId(*ds), 4);
    EXPECT_THROW(ds->GotoBookmark(one), EDatabaseError);
    EXPECT_EQ(CurrentId(*ds), 4);
    // A bookmark cut short is refused before the descendant reads it.
    EXPECT_THROW(ds->GotoBookmark(four.left(four.size() - 1)), EDatabaseError);
    EXPECT_EQ(CurrentId(*ds), 4);
}

TEST(DataSetBookmarks, AnInsertedRecordHasNoBookmark)
{
    auto ds = MakeDataSet(2);
    ds->Insert();
    EXPECT_TRUE(ds->GetBookmark().isEmpty());
}

TEST(DataSetControls, DisableControlsNestsAndTheLastEnableSendsOneChange)
{
    auto ds = MakeDataSet(8);
    TDataSource source;
    source.SetDataSet(ds.get());
    RecordingLink link;
    link.SetDataSource(&source);
    link.events.clear();
    ds->DisableControls();
    ds->DisableControls();
    ds->Next();
    ds->Last();
    ds->Edit();
    ds->Cancel();
    ds->EnableControls();
    EXPECT_TRUE(ds->ControlsDisabled());
    EXPECT_TRUE(link.events.empty());
    ds->EnableControls();
    EXPECT_FALSE(ds->ControlsDisabled());
    EXPECT_EQ(link.events, (std::vector<std::string>{"changed"}));

    link.events.clear();
    ds->DisableControls();
    ds->Edit();
    ds->EnableControls();
    EXPECT_EQ(link.events, (std::vector<std::string>{"editing", "changed"}));
}

// The guard gives the controls back on the way out of a failure as on the way out of success;
// a control that fails on being given back lets the first failure through, and says its own
// failure only when nothing else failed.
TEST(DataSetControls, TheGuardEnablesOnEveryPathAndKeepsTheFirstFailure)
{
    struct FailingLink : RecordingLink {
        bool fail = false;
        void DataSetChanged() override
        {
            RecordingLink::DataSetChanged();
            if (fail) throw EDatabaseError(QStringLiteral("link"));
        }
    };
    auto ds = MakeDataSet(4);
    TDataSource source;
    source.SetDataSet(ds.get());
    FailingLink link;
    link.SetDataSource(&source);
    const auto failureOf = [](const std::function<void()>& run) {
        try {
            run();
        } catch (const EDatabaseError& error) {
            return QString::fromUtf8(error.what());
        }
        return QString();
    };
    for (const bool linkFails : {false, true}) {
        SCOPED_TRACE(linkFails);
        link.fail = linkFails;
        link.events.clear();
        EXPECT_EQ(failureOf([&] {
                      TControlsOff off(ds.get());
                      ds->Next();
                      throw EDatabaseError(QStringLiteral("post refused"));
                  }),
                  QStringLiteral("post refused"));
        EXPECT_FALSE(ds->ControlsDisabled());
        EXPECT_EQ(link.events, (std::vector<std::string>{"changed"}));
        EXPECT_EQ(failureOf([&] {
                      TControlsOff off(ds.get());
                      TControlsOff nested(ds.get());
                      ds->Next();
                  }),
                  linkFails ? QStringLiteral("link") : QString());
        EXPECT_FALSE(ds->ControlsDisabled());
    }
    TControlsOff none(nullptr);
}

TEST(DataSetFields, CalculatedFieldsFollowTheRowAndItsEdits)
{
    auto ds = std::make_unique<VectorDataSet>();
    ds->FieldDefs().Add(QStringLiteral("qty"), ftInteger);
    ds->FieldDefs().Add(QStringLiteral("price"), ftFloat);
    for (int i = 0; i < 2; ++i) ds->FieldDefs()[i]->CreateField(ds.get());
    auto* total = new TFloatField(ds.get());
    total->SetFieldName(QStringLiteral("total"));
    total->SetFieldKind(fkCalculated);
    total->SetDataSet(ds.get());
    int calcs = 0;
    ds->OnCalcFields = [&](TDataSet* d) {
        ++calcs;
        EXPECT_EQ(d->State(), dsCalcFields);
        d->FieldByName(QStringLiteral("total"))->SetAsFloat(d->FieldByName(QStringLiteral("qty"))->AsInteger() *
                                                            d->FieldByName(QStringLiteral("price"))->AsFloat());
    };
    ds->AddRow({2, 2.5});
    ds->AddRow({3, 10.0});
    ds->Open();
    EXPECT_EQ(total->AsFloat(), 5.0);
    ds->Next();
    EXPECT_EQ(total->AsFloat(), 30.0);
    ds->Edit();
    ds->FieldByName(QStringLiteral("qty"))->SetAsInteger(4);
    EXPECT_EQ(total->AsFloat(), 40.0);
    ds->SetAutoCalcFields(false);
    ds->FieldByName(QStringLiteral("qty"))->SetAsInteger(5);
    EXPECT_EQ(total->AsFloat(), 40.0);
    ds->Cancel();
    EXPECT_EQ(total->AsFloat(), 30.0);
    EXPECT_GT(calcs, 0);
    EXPECT_EQ(ds->CalcFieldsSize(), 1 + 8);
    EXPECT_THROW(total->SetDataSet(nullptr), EDatabaseError);
}

TEST(DataSetFields, LookupFieldsReadTheirValueFromTheLookupDataSet)
{
    auto clients = std::make_unique<VectorDataSet>();
    clients->FieldDefs().Add(QStringLiteral("cid"), ftInteger);
    clients->FieldDefs().Add(QStringLiteral("cname"), ftString, 30);
    clients->AddRow({1, QStringLiteral("Ivanov")});
    clients->AddRow({2, QStringLiteral("Петров")});
    clients->Open();

    auto orders = std::make_unique<VectorDataSet>();
    orders->FieldDefs().Add(QStringLiteral("client_id"), ftInteger);
    orders->FieldDefs()[0]->CreateField(orders.get());
    auto* client = new TStringField(orders.get());
    client->SetFieldName(QStringLiteral("client"));
    client->SetSize(30);
    client->SetFieldKind(fkLookup);
    client->SetLookupDataSet(clients.get());
    client->SetKeyFields(QStringLiteral("client_id"));
    client->SetLookupKeyFields(QStringLiteral("cid"));
    client->SetLookupResultField(QStringLiteral("cname"));
    client->SetDataSet(orders.get());
    orders->AddRow({2});
    orders->AddRow({1});
    orders->AddRow({3});
    orders->Open();
    EXPECT_EQ(client->AsString(), QStringLiteral("Петров"));
    orders->Next();
    EXPECT_EQ(client->AsString(), QStringLiteral("Ivanov"));
    orders->Next();
    EXPECT_TRUE(client->IsNull());
    EXPECT_EQ(orders->FieldByName(QStringLiteral("client_id"))->AsInteger(), 3);
    clients.reset();
    EXPECT_EQ(client->LookupDataSet(), nullptr);
}

TEST(DataSetFields, FilterRecordHidesRows)
{
    auto ds = MakeDataSet(6);
    ds->OnFilterRecord = [](TDataSet* d, bool& accept) {
        EXPECT_EQ(d->State(), dsFilter);
        accept = d->FieldByName(QStringLiteral("id"))->AsInteger() % 2 == 0;
    };
    ds->SetFiltered(true);
    ds->First();
    std::vector<int> ids;
    while (!ds->Eof()) {
        ids.push_back(CurrentId(*ds));
        ds->Next();
    }
    EXPECT_EQ(ids, (std::vector<int>{2, 4, 6}));
}

TEST(DataSetFields, FieldValuesAndFieldByName)
{
    auto ds = MakeDataSet(2);
    EXPECT_EQ(ds->FieldValues(QStringLiteral("id")), TVariant(1));
    const TVariant both = ds->FieldValues(QStringLiteral("id;name"));
    ASSERT_TRUE(both.IsArray());
    EXPECT_EQ(both[1], TVariant(QStringLiteral("r1")));
    try {
        ds->FieldByName(QStringLiteral("nope"));
        FAIL();
    } catch (const EDatabaseError& e) {
        EXPECT_EQ(e.Message(), QStringLiteral("Items: Field 'nope' not found"));
    }
    EXPECT_TRUE(ds->Locate(QStringLiteral("name"), TVariant(QStringLiteral("r2")), {}));
    EXPECT_EQ(CurrentId(*ds), 2);
    EXPECT_EQ(ds->RecNo(), 2);
    EXPECT_EQ(ds->RecordCount(), 2);
}

TEST(DataSetLifecycle, StoredActiveOpensWhenLoadingEnds)
{
    auto ds = std::make_unique<VectorDataSet>();
    ds->FieldDefs().Add(QStringLiteral("id"), ftInteger);
    ds->AddRow({5});
    ds->BeginLoading();
    ds->SetActive(true);
    EXPECT_FALSE(ds->Active());
    ds->Loaded();
    EXPECT_TRUE(ds->Active());
    EXPECT_EQ(CurrentId(*ds), 5);
}

TEST(DataSetLifecycle, AppendRecordAndInsertRecordPostWholeRows)
{
    auto ds = MakeDataSet(2);
    ds->AppendRecord({TVariant(10), TVariant(QStringLiteral("ten")), TVariant()});
    EXPECT_EQ(CurrentId(*ds), 10);
    EXPECT_TRUE(ds->FieldByName(QStringLiteral("price"))->IsNull());
    ds->First();
    ds->InsertRecord({TVariant(0), TVariant(QStringLiteral("zero")), TVariant(1.0)});
    ds->First();
    EXPECT_EQ(CurrentId(*ds), 0);
    EXPECT_EQ(ds->RecordCount(), 4);
    EXPECT_THROW(ds->AppendRecord({TVariant(QStringLiteral("not a number"))}), EDatabaseError);
    EXPECT_EQ(ds->State(), dsBrowse);
    EXPECT_EQ(ds->RecordCount(), 4);
}

TEST(DataSetLifecycle, ClosingPostsAPendingChange)
{
    auto ds = MakeDataSet(2);
    ds->Edit();
    ds->FieldByName(QStringLiteral("name"))->SetAsString(QStringLiteral("kept"));
    ds->Close();
    ds->Open();
    EXPECT_EQ(ds->FieldByName(QStringLiteral("name"))->AsString(), QStringLiteral("kept"));
}

TEST(DataSetWindow, DeletesRefillTheWindowAndShrinkingKeepsTheActiveRow)
{
    auto ds = MakeDataSet(6);
    TDataSource source;
    source.SetDataSet(ds.get());
    RecordingLink link;
    link.SetDataSource(&source);
    link.SetBufferCount(3);
    ds->Last();
    ds->Delete();
    EXPECT_EQ(CurrentId(*ds), 5);
    EXPECT_EQ(LinkRows(link), (std::vector<int>{3, 4, 5}));
    ds->MoveBy(-1);
    ds->Delete();
    EXPECT_EQ(CurrentId(*ds), 5);
    EXPECT_EQ(LinkRows(link), (std::vector<int>{2, 3, 5}));
    EXPECT_EQ(link.ActiveRecord(), 2);
    link.SetBufferCount(1);
    EXPECT_EQ(ds->BufferCount(), 1);
    EXPECT_EQ(CurrentId(*ds), 5);
    EXPECT_EQ(LinkRows(link), (std::vector<int>{5}));
    EXPECT_EQ(ds->MoveBy(-2), -2);
    EXPECT_EQ(CurrentId(*ds), 2);
    link.SetBufferCount(4);
    EXPECT_EQ(LinkRows(link), (std::vector<int>{1, 2, 3, 5}));
    EXPECT_EQ(link.ActiveRecord(), 1);
    ds->First();
    EXPECT_EQ(LinkRows(link), (std::vector<int>{1, 2, 3, 5}));
    while (!ds->IsEmpty()) ds->Delete();
    EXPECT_TRUE(ds->Bof() && ds->Eof());
    EXPECT_EQ(link.RecordCount(), 0);
}
