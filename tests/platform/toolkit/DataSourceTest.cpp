#include "platform/toolkit/DataSource.h"
#include "platform/toolkit/VectorDataSet.h"

#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

namespace {

std::unique_ptr<VectorDataSet> MakeOrders()
{
    auto ds = std::make_unique<VectorDataSet>();
    ds->SetName(QStringLiteral("Orders"));
    ds->FieldDefs().Add(QStringLiteral("id"), ftInteger);
    ds->FieldDefs().Add(QStringLiteral("client"), ftString, 20);
    ds->AddRow({1, QStringLiteral("A")});
    ds->AddRow({2, QStringLiteral("B")});
    ds->AddRow({3, QStringLiteral("C")});
    return ds;
}

}  // namespace

TEST(DataSource, StateAndDataChangeEventsFollowTheDataSet)
{
    auto ds = MakeOrders();
    TDataSource source;
    std::vector<std::string> log;
    source.OnStateChange = [&](TDataSource* s) { log.push_back("state:" + std::to_string(s->State())); };
    source.OnDataChange = [&](TDataSource*, TField* f) { log.push_back(f ? "data:" + f->FieldName().toStdString() : "data"); };
    source.OnUpdateData = [&](TDataSource*) { log.push_back("update"); };
    source.SetDataSet(ds.get());
    EXPECT_EQ(source.State(), dsInactive);
    ds->Open();
    EXPECT_EQ(source.State(), dsBrowse);
    log.clear();
    ds->Next();
    ds->Edit();
    ds->FieldByName(QStringLiteral("client"))->SetAsString(QStringLiteral("Z"));
    ds->Post();
    EXPECT_EQ(log, (std::vector<std::string>{"data", "state:2", "data", "data:client", "update", "state:1", "data"}));
    log.clear();
    source.SetEnabled(false);
    EXPECT_EQ(source.State(), dsInactive);
    ds->Next();
    EXPECT_EQ(log, (std::vector<std::string>{"state:0", "data"}));
}

TEST(DataSource, AutoEditStartsTheEditOnALinksRequest)
{
    auto ds = MakeOrders();
    ds->Open();
    TDataSource source;
    source.SetDataSet(ds.get());
    TFieldDataLink link;
    link.SetDataSource(&source);
    link.SetFieldName(QStringLiteral("client"));
    source.SetAutoEdit(false);
    EXPECT_FALSE(link.Edit());
    EXPECT_EQ(ds->State(), dsBrowse);
    source.SetAutoEdit(true);
    EXPECT_TRUE(link.Edit());
    EXPECT_EQ(ds->State(), dsEdit);
    EXPECT_TRUE(link.Editing());
    link.SetReadOnly(true);
    EXPECT_FALSE(link.Editing());
    EXPECT_FALSE(link.CanModify());
}

TEST(DataSource, CircularLinksAreRefused)
{
    auto master = MakeOrders();
    auto detail = MakeOrders();
    TDataSource masterSource;
    masterSource.SetDataSet(master.get());
    EXPECT_TRUE(master->IsLinkedTo(&masterSource));
    EXPECT_FALSE(detail->IsLinkedTo(&masterSource));
}

TEST(FieldDataLink, FollowsItsFieldAndWritesTheControlsValue)
{
    auto ds = MakeOrders();
    TDataSource source;
    source.SetDataSet(ds.get());
    TFieldDataLink link;
    QString shown;
    std::vector<std::string> log;
    link.OnDataChange = [&](TFieldDataLink* l) {
        shown = l->Field() ? l->Field()->AsString() : QString();
        log.push_back("data");
    };
    link.OnActiveChange = [&](TFieldDataLink* l) { log.push_back(l->Active() ? "active" : "inactive"); };
    link.OnEditingChange = [&](TFieldDataLink* l) { log.push_back(l->Editing() ? "editing" : "browsing"); };
    QString typed = QStringLiteral("typed");
    link.OnUpdateData = [&](TFieldDataLink* l) { l->Field()->SetAsString(typed); };
    link.SetFieldName(QStringLiteral("client"));
    link.SetDataSource(&source);
    EXPECT_EQ(link.Field(), nullptr);
    ds->Open();
    ASSERT_NE(link.Field(), nullptr);
    EXPECT_EQ(shown, QStringLiteral("A"));
    ds->Next();
    EXPECT_EQ(shown, QStringLiteral("B"));
    log.clear();
    ds->FieldByName(QStringLiteral("id"));
    ds->Edit();
    ds->FieldByName(QStringLiteral("id"))->SetAsInteger(20);
    EXPECT_EQ(log, (std::vector<std::string>{"editing", "data"}));
    link.SetModified();
    ds->Post();
    EXPECT_EQ(shown, QStringLiteral("typed"));
    EXPECT_FALSE(link.Modified());
    ds->Close();
    EXPECT_EQ(link.Field(), nullptr);
}

TEST(FieldDataLink, FocusControlReachesTheLinkOfThatField)
{
    auto ds = MakeOrders();
    ds->Open();
    TDataSource source;
    source.SetDataSet(ds.get());
    TFieldDataLink idLink, clientLink;
    int idFocus = 0, clientFocus = 0;
    idLink.OnFocusControl = [&](TFieldDataLink*) { ++idFocus; };
    clientLink.OnFocusControl = [&](TFieldDataLink*) { ++clientFocus; };
    idLink.SetFieldName(QStringLiteral("id"));
    clientLink.SetFieldName(QStringLiteral("client"));
    idLink.SetDataSource(&source);
    clientLink.SetDataSource(&source);
    ds->FieldByName(QStringLiteral("client"))->FocusControl();
    EXPECT_EQ(idFocus, 0);
    EXPECT_EQ(clientFocus, 1);
}

TEST(MasterDataLink, MasterMovesAndPostsReachTheDetailButFieldEditsOfOtherFieldsDoNot)
{
    auto master = MakeOrders();
    auto detail = MakeOrders();
    detail->Open();
    TDataSource source;
    source.SetDataSet(master.get());
    TMasterDataLink link(detail.get());
    std::vector<std::string> log;
    link.OnMasterChange = [&](TMasterDataLink* l) {
        log.push_back("change:" + std::to_string(l->Fields().at(0)->AsInteger()));
    };
    link.OnMasterDisable = [&](TMasterDataLink*) { log.push_back("disable"); };
    link.SetFieldNames(QStringLiteral("id"));
    link.SetDataSource(&source);
    master->Open();
    EXPECT_EQ(link.FieldCount(), 1);
    master->Next();
    master->Edit();
    master->FieldByName(QStringLiteral("client"))->SetAsString(QStringLiteral("Q"));
    master->FieldByName(QStringLiteral("id"))->SetAsInteger(22);
    master->Post();
    master->Close();
    EXPECT_EQ(log, (std::vector<std::string>{"change:1", "change:2", "change:2", "change:22", "change:22", "disable"}));
}

TEST(MasterDataLink, PendingDetailEditIsPostedBeforeTheMasterMoves)
{
    auto master = MakeOrders();
    auto detail = MakeOrders();
    master->Open();
    detail->Open();
    TDataSource source;
    source.SetDataSet(master.get());
    TMasterDataLink link(detail.get());
    link.SetFieldNames(QStringLiteral("id"));
    link.SetDataSource(&source);
    detail->Edit();
    detail->FieldByName(QStringLiteral("client"))->SetAsString(QStringLiteral("kept"));
    master->Next();
    EXPECT_EQ(detail->State(), dsBrowse);
    EXPECT_EQ(detail->FieldByName(QStringLiteral("client"))->AsString(), QStringLiteral("kept"));
}

TEST(MasterDataLink, UnknownMasterFieldIsReported)
{
    auto master = MakeOrders();
    master->Open();
    TDataSource source;
    source.SetDataSet(master.get());
    TMasterDataLink link;
    link.SetDataSource(&source);
    try {
        link.SetFieldNames(QStringLiteral("nope"));
        FAIL();
    } catch (const EDatabaseError& e) {
        EXPECT_EQ(e.Message(), QStringLiteral("Orders: Field 'nope' not found"));
    }
    EXPECT_EQ(link.FieldCount(), 0);
}

TEST(DataLink, DestroyedSourceAndDataSetLeaveTheLinkInactive)
{
    auto ds = MakeOrders();
    ds->Open();
    auto source = std::make_unique<TDataSource>();
    source->SetDataSet(ds.get());
    RecordingLink link;
    link.SetDataSource(source.get());
    EXPECT_TRUE(link.Active());
    ds.reset();
    EXPECT_FALSE(link.Active());
    EXPECT_EQ(source->DataSet(), nullptr);
    source.reset();
    EXPECT_EQ(link.DataSource(), nullptr);
}
