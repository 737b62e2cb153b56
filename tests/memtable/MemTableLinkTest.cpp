#include "MemTableFixture.h"

#include "platform/toolkit/DataSource.h"
#include "support/ErrorOf.h"

#include <gtest/gtest.h>

namespace {

// A master of two orders (ID 1 and 2) and a detail of lines over MID, linked by ID.
struct MasterDetail {
    MasterDetail()
    {
        master.FieldDefs().Add(QStringLiteral("ID"), ftInteger);
        master.FieldDefs().Add(QStringLiteral("Name"), ftString, 10);
        detail.FieldDefs().Add(QStringLiteral("MID"), ftInteger);
        detail.FieldDefs().Add(QStringLiteral("T"), ftString, 10);
        detail.IndexDefs().Add(QStringLiteral("ByMaster"), QStringLiteral("MID"), {});
        detail.SetIndexFieldNames(QStringLiteral("MID"));
        source.SetDataSet(&master);
        master.Open();
        for (int id : {1, 2}) {
            master.Append();
            master.FieldByName(QStringLiteral("ID"))->SetAsInteger(id);
            master.FieldByName(QStringLiteral("Name"))->SetAsString(QStringLiteral("order %1").arg(id));
            master.Post();
        }
        master.First();
    }
    void AddLine(const char* text)
    {
        detail.Append();
        detail.FieldByName(QStringLiteral("T"))->SetAsString(QString::fromUtf8(text));
        detail.Post();
    }
    TMemTable master;
    TMemTable detail;
    TDataSource source;
};

TEST(MemTableMasterDetail, DetailFollowsTheMastersCurrentRow)
{
    MasterDetail m;
    m.detail.SetMasterSource(&m.source);
    m.detail.SetMasterFields(QStringLiteral("ID"));
    m.detail.Open();
    m.AddLine("first");
    m.AddLine("second");
    EXPECT_EQ(Column(m.detail, QStringLiteral("MID")), Words("1 1"));
    m.master.Next();
    EXPECT_TRUE(m.detail.IsEmpty());
    m.AddLine("third");
    EXPECT_EQ(Column(m.detail, QStringLiteral("T")), Words("third"));
    EXPECT_EQ(m.detail.RecordCount(), 1);
    EXPECT_FALSE(m.detail.IsSequenced());
    m.master.First();
    EXPECT_EQ(Column(m.detail, QStringLiteral("T")), Words("first second"));
    EXPECT_FALSE(m.detail.Locate(QStringLiteral("T"), "third", {}));
}

TEST(MemTableMasterDetail, DetailOpenedAfterItsMasterShowsOnlyTheMastersRowsAtOnce)
{
    MasterDetail m;
    // The lines already exist in a store the detail is attached to.
    TMemTable lines;
    lines.FieldDefs().Add(QStringLiteral("MID"), ftInteger);
    lines.FieldDefs().Add(QStringLiteral("T"), ftString, 10);
    lines.Open();
    for (int mid : {1, 2, 2, 1, 2}) {
        lines.Append();
        lines.FieldByName(QStringLiteral("MID"))->SetAsInteger(mid);
        lines.FieldByName(QStringLiteral("T"))->SetAsString(QStringLiteral("line"));
        lines.Post();
    }
    m.detail.FieldDefs().Clear();
    m.detail.SetAttachedTo(&lines);
    m.detail.SetMasterSource(&m.source);
    m.detail.SetMasterFields(QStringLiteral("ID"));
    m.master.Next();
    m.detail.Open();
    EXPECT_EQ(Column(m.detail, QStringLiteral("MID")), Words("2 2 2"));
    m.master.First();
    EXPECT_EQ(Column(m.detail, QStringLiteral("MID")), Words("1 1"));
}

TEST(MemTableMasterDetail, RefusedLinks)
{
    MasterDetail m;
    TDataSource own;
    own.SetDataSet(&m.detail);
    EXPECT_EQ(ErrorOf([&] { m.detail.SetMasterSource(&own); }),
              QStringLiteral("Selfreferencing master/detail relations not allowed."));
    m.detail.SetMasterSource(&m.source);
    m.detail.SetMasterFields(QStringLiteral("ID;Name"));
    EXPECT_EQ(ErrorOf([&] { m.detail.Open(); }),
              QStringLiteral("Number of masterfields doesn't correspond to number of indexfields."));
}

// A store owner and two tables attached to it.
struct Attached {
    Attached()
    {
        owner = MakeTable();
        first = std::make_unique<TMemTable>();
        second = std::make_unique<TMemTable>();
        first->SetAttachedTo(owner.get());
        second->SetAttachedTo(owner.get());
        second->IndexDefs().Add(QStringLiteral("UniqueN"), QStringLiteral("N"), ixUnique);
        second->SetIndexName(QStringLiteral("UniqueN"));
        owner->Open();
        first->Open();
        second->Open();
    }
    std::unique_ptr<TMemTable> owner;
    std::unique_ptr<TMemTable> first;
    std::unique_ptr<TMemTable> second;
};

TEST(MemTableAttachment, AttachedTablesSeeEachOthersPostsAndShareOneCounter)
{
    Attached a;
    AddRow(*a.first, 2, "from first");
    AddRow(*a.second, 1, "from second");
    AddRow(*a.owner, 3, "from owner");
    EXPECT_EQ(Column(*a.owner, QStringLiteral("T")).size(), 3);
    EXPECT_EQ(Column(*a.first, QStringLiteral("ID")), Words("0 1 2"));
    EXPECT_EQ(Column(*a.second, QStringLiteral("N")), Words("1 2 3"));
    a.second->Last();
    EXPECT_EQ(a.second->FieldByName(QStringLiteral("N"))->AsInteger(), 3);
    a.first->Last();
    a.first->Edit();
    a.first->FieldByName(QStringLiteral("N"))->SetAsInteger(8);
    a.first->Post();
    // Refreshed after the other table's post, without moving.
    EXPECT_EQ(a.second->FieldByName(QStringLiteral("N"))->AsInteger(), 8);
    a.first->First();
    a.first->Edit();
    a.first->FieldByName(QStringLiteral("N"))->SetAsInteger(9);
    a.first->Post();
    EXPECT_EQ(Column(*a.second, QStringLiteral("N")), Words("1 8 9"));
    a.second->First();
    a.second->Delete();
    EXPECT_EQ(Column(*a.owner, QStringLiteral("N")), Words("9 8"));
}

TEST(MemTableAttachment, UniqueIndexOfAnAttachedTableGuardsEveryInsert)
{
    Attached a;
    AddRow(*a.owner, 1, "a");
    a.owner->Append();
    a.owner->FieldByName(QStringLiteral("N"))->SetAsInteger(1);
    EXPECT_EQ(ErrorOf([&] { a.owner->Post(); }), QStringLiteral("Duplicate index value. Operation aborted."));
    a.owner->Cancel();
    EXPECT_EQ(a.owner->RecordCount(), 1);
    EXPECT_EQ(Column(*a.second, QStringLiteral("N")), Words("1"));
}

TEST(MemTableAttachment, RefusedAttachments)
{
    Attached a;
    TMemTable third;
    EXPECT_EQ(ErrorOf([&] { third.SetAttachedTo(&third); }), QStringLiteral("Cant attach memorytable to it self."));
    EXPECT_EQ(ErrorOf([&] { third.SetAttachedTo(a.first.get()); }),
              QStringLiteral("Cant attach to another table which itself is an attachment."));
    EXPECT_EQ(ErrorOf([&] { a.owner->SetAttachedTo(&third); }),
              QStringLiteral("Cant attach a memorytable which other tables are attached to."));
}

TEST(MemTableAttachment, ClosingTheOwnerEmptiesTheAttachedTables)
{
    Attached a;
    for (int i = 0; i < 5; ++i) AddRow(*a.first, i, "x");
    a.owner->Close();
    EXPECT_TRUE(a.first->IsEmpty());
    EXPECT_TRUE(a.second->IsEmpty());
    EXPECT_EQ(a.second->CurrentIndex()->Count(), 0);
    AddRow(*a.first, 7, "after");
    a.owner->Open();
    EXPECT_EQ(Column(*a.owner, QStringLiteral("N")), Words("7"));
    EXPECT_EQ(Column(*a.second, QStringLiteral("N")), Words("7"));
}

TEST(MemTableAttachment, DestroyingTheOwnerLeavesAttachedTablesDetachedAndEmpty)
{
    Attached a;
    AddRow(*a.first, 1, "x");
    a.owner.reset();
    EXPECT_EQ(a.first->AttachedTo(), nullptr);
    EXPECT_FALSE(a.first->Active());
    a.first->Open();
    EXPECT_TRUE(a.first->IsEmpty());
    AddRow(*a.first, 2, "own store");
    EXPECT_EQ(a.first->RecordCount(), 1);
    EXPECT_EQ(a.second->RowStore().RowCount(), 0);
}

TEST(MemTableAttachment, DestroyingAnAttachedTableLeavesTheRowsAlone)
{
    Attached a;
    AddRow(*a.first, 1, "x");
    a.first.reset();
    EXPECT_EQ(a.owner->RecordCount(), 1);
    AddRow(*a.owner, 2, "y");
    EXPECT_EQ(Column(*a.second, QStringLiteral("N")), Words("1 2"));
}

}  // namespace
