#include "MemTableFixture.h"
#include "support/ErrorOf.h"

#include <gtest/gtest.h>

namespace {

TEST(MemTable, VersionAlwaysReadsTheSame)
{
    TMemTable table;
    table.SetVersion(QStringLiteral("9.99"));
    EXPECT_EQ(table.Version(), QStringLiteral("2.33"));
}

TEST(MemTable, AutoIncRunsFromZeroAndStartsAgainAfterReopen)
{
    auto table = MakeTable();
    table->Open();
    for (const char* t : {"a", "b", "c"}) AddRow(*table, 1, t);
    EXPECT_EQ(Column(*table, QStringLiteral("ID")), Words("0 1 2"));
    table->Close();
    table->Open();
    EXPECT_TRUE(table->IsEmpty());
    AddRow(*table, 1, "d");
    EXPECT_EQ(Column(*table, QStringLiteral("ID")), Words("0"));
}

TEST(MemTable, DeletedRowsSlotIsReusedWithTheNextSerialNumber)
{
    auto table = MakeTable();
    table->Open();
    AddRow(*table, 1, "a");
    AddRow(*table, 2, "b");
    table->First();
    table->Delete();
    AddRow(*table, 3, "c");
    EXPECT_EQ(table->RowStore().SlotCount(), 2);
    const TMemRow* reused = table->RowStore().Slot(0);
    ASSERT_NE(reused, nullptr);
    EXPECT_EQ(reused->RecordNo, 2);
    EXPECT_EQ(Column(*table, QStringLiteral("T")), Words("b c"));
}

TEST(MemTable, NavigationCountsAndRecordNumbers)
{
    auto table = MakeTable();
    table->Open();
    EXPECT_TRUE(table->Bof() && table->Eof());
    EXPECT_EQ(table->RecNo(), -1);
    for (int i = 1; i <= 5; ++i) AddRow(*table, i, QStringLiteral("r%1").arg(i));
    EXPECT_EQ(table->RecordCount(), 5);
    table->First();
    EXPECT_EQ(table->RecNo(), 1);
    EXPECT_EQ(table->MoveBy(3), 3);
    EXPECT_EQ(table->FieldByName(QStringLiteral("N"))->AsInteger(), 4);
    table->Last();
    EXPECT_TRUE(table->Eof());
    EXPECT_EQ(table->RecNo(), 5);
    table->SetRecNo(2);
    EXPECT_EQ(table->FieldByName(QStringLiteral("N"))->AsInteger(), 2);
    int scrolls = 0;
    table->AfterScroll = [&](TDataSet*) { ++scrolls; };
    table->SetRecNo(2);
    table->SetRecNo(0);
    table->SetRecNo(6);
    EXPECT_EQ(scrolls, 0);
    EXPECT_EQ(table->RecNo(), 2);
}

TEST(MemTable, InsertGoesBeforeTheCurrentRowInRowOrder)
{
    auto table = MakeTable();
    table->Open();
    AddRow(*table, 1, "a");
    AddRow(*table, 3, "c");
    table->Last();
    table->Insert();
    table->FieldByName(QStringLiteral("T"))->SetAsString(QStringLiteral("b"));
    table->Post();
    EXPECT_EQ(table->FieldByName(QStringLiteral("T"))->AsString(), QStringLiteral("b"));
    EXPECT_EQ(Column(*table, QStringLiteral("T")), Words("a b c"));
}

TEST(MemTable, EditCancelAndDelete)
{
    auto table = MakeTable();
    table->Open();
    AddRow(*table, 1, "a");
    AddRow(*table, 2, "b");
    table->First();
    table->Edit();
    table->FieldByName(QStringLiteral("T"))->SetAsString(QStringLiteral("x"));
    table->Cancel();
    EXPECT_EQ(table->FieldByName(QStringLiteral("T"))->AsString(), QStringLiteral("a"));
    table->Edit();
    table->FieldByName(QStringLiteral("T"))->SetAsString(QStringLiteral("changed"));
    EXPECT_EQ(table->FieldByName(QStringLiteral("T"))->OldValue().AsString(), QStringLiteral("a"));
    table->Post();
    EXPECT_EQ(Column(*table, QStringLiteral("T")), Words("changed b"));
    table->Last();
    table->Delete();
    EXPECT_EQ(Column(*table, QStringLiteral("T")), Words("changed"));
    table->Delete();
    EXPECT_TRUE(table->IsEmpty());
    EXPECT_EQ(ErrorOf([&] { table->Delete(); }), QStringLiteral("Cannot perform this operation on an empty dataset"));
}

TEST(MemTable, StringsAreCutToTheirSizeAndKeepCyrillic)
{
    auto table = MakeTable();
    table->Open();
    AddRow(*table, 1, "Приход за деня");
    EXPECT_EQ(table->FieldByName(QStringLiteral("T"))->AsString(), QStringLiteral("Приход за "));
}

TEST(MemTable, WritesOutsideEditAndIntoReadOnlyAreRefused)
{
    auto table = MakeTable();
    table->Open();
    AddRow(*table, 1, "a");
    EXPECT_EQ(ErrorOf([&] { table->FieldByName(QStringLiteral("T"))->SetAsString(QStringLiteral("x")); }),
              QStringLiteral("Dataset is not in edit mode."));
    table->FieldByName(QStringLiteral("T"))->SetReadOnly(true);
    table->Edit();
    EXPECT_EQ(ErrorOf([&] { table->FieldByName(QStringLiteral("T"))->SetAsString(QStringLiteral("x")); }),
              QStringLiteral("Field T is read only"));
    table->Cancel();
    table->SetReadOnly(true);
    EXPECT_FALSE(table->CanModify());
}

TEST(MemTable, UnsupportedFieldTypesCannotBeOpened)
{
    for (TFieldType type : {ftGuid, ftVariant}) {
        TMemTable table;
        table.FieldDefs().Add(QStringLiteral("G"), type, type == ftGuid ? 38 : 0);
        const QString error = ErrorOf([&] { table.Open(); });
        EXPECT_EQ(error, QStringLiteral("Fielddef G (G) Datatype %1 not supported.)").arg(int(type)));
        EXPECT_FALSE(table.Active());
    }
}

TEST(MemTable, EveryFieldTypeRoundTripsThroughARow)
{
    TMemTable table;
    table.FieldDefs().Add(QStringLiteral("S"), ftSmallint);
    table.FieldDefs().Add(QStringLiteral("W"), ftWord);
    table.FieldDefs().Add(QStringLiteral("B"), ftBoolean);
    table.FieldDefs().Add(QStringLiteral("F"), ftFloat);
    table.FieldDefs().Add(QStringLiteral("C"), ftCurrency);
    table.FieldDefs().Add(QStringLiteral("D"), ftDate);
    table.FieldDefs().Add(QStringLiteral("DT"), ftDateTime);
    table.FieldDefs().Add(QStringLiteral("L"), ftLargeint);
    table.FieldDefs().Add(QStringLiteral("X"), ftBCD, 2);
    table.FieldDefs().Add(QStringLiteral("Y"), ftBytes, 3);
    table.Open();
    table.Append();
    table.FieldByName(QStringLiteral("S"))->SetAsInteger(-7);
    table.FieldByName(QStringLiteral("W"))->SetAsInteger(65000);
    table.FieldByName(QStringLiteral("B"))->SetAsBoolean(true);
    table.FieldByName(QStringLiteral("F"))->SetAsFloat(2.5);
    table.FieldByName(QStringLiteral("C"))->SetAsFloat(10.25);
    table.FieldByName(QStringLiteral("D"))->SetAsDateTime(EncodeDate(2026, 12, 10));
    table.FieldByName(QStringLiteral("DT"))->SetAsDateTime(EncodeDate(2026, 12, 10) + EncodeTime(9, 30, 0, 0));
    table.FieldByName(QStringLiteral("L"))->SetAsLargeInt(1LL << 40);
    table.FieldByName(QStringLiteral("X"))->SetAsString(QStringLiteral("12.34"));
    table.FieldByName(QStringLiteral("Y"))->SetAsBytes(QByteArray("abc"));
    table.Post();
    table.First();
    EXPECT_EQ(table.FieldByName(QStringLiteral("S"))->AsInteger(), -7);
    EXPECT_EQ(table.FieldByName(QStringLiteral("W"))->AsInteger(), 65000);
    EXPECT_TRUE(table.FieldByName(QStringLiteral("B"))->AsBoolean());
    EXPECT_DOUBLE_EQ(table.FieldByName(QStringLiteral("F"))->AsFloat(), 2.5);
    EXPECT_DOUBLE_EQ(table.FieldByName(QStringLiteral("C"))->AsFloat(), 10.25);
    EXPECT_DOUBLE_EQ(table.FieldByName(QStringLiteral("D"))->AsDateTime(), EncodeDate(2026, 12, 10));
    const TDateTime stamp = EncodeDate(2026, 12, 10) + EncodeTime(9, 30, 0, 0);
    EXPECT_NEAR(table.FieldByName(QStringLiteral("DT"))->AsDateTime(), stamp, 1e-6);
    EXPECT_EQ(table.FieldByName(QStringLiteral("L"))->AsLargeInt(), 1LL << 40);
    EXPECT_EQ(table.FieldByName(QStringLiteral("X"))->AsString(), QStringLiteral("12.34"));
    EXPECT_EQ(table.FieldByName(QStringLiteral("Y"))->AsBytes(), QByteArray("abc"));
}

TEST(MemTable, CalculatedFieldsAreComputedOnFetch)
{
    auto table = MakeTable();
    auto* doubled = new TIntegerField(table.get());
    doubled->SetFieldName(QStringLiteral("Twice"));
    doubled->SetFieldKind(fkCalculated);
    for (const char* name : {"ID", "N", "T"})
        table->FieldDefs().Find(QString::fromLatin1(name))->CreateField(table.get());
    doubled->SetDataSet(table.get());
    table->OnCalcFields = [&](TDataSet* ds) {
        ds->FieldByName(QStringLiteral("Twice"))->SetAsInteger(ds->FieldByName(QStringLiteral("N"))->AsInteger() * 2);
    };
    table->Open();
    AddRow(*table, 21, "a");
    EXPECT_EQ(table->FieldByName(QStringLiteral("Twice"))->AsInteger(), 42);
    EXPECT_EQ(table->Lookup(QStringLiteral("N"), 21, QStringLiteral("Twice")).AsInteger(), 42);
}

}  // namespace

namespace {

// The cash journal as the data module declares it: persistent fields, versioning since the check point.
TEST(MemTable, CashJournalWithPersistentFieldsFillsPrintsAndEmptiesOnReopen)
{
    TMemTable journal;
    struct Def {
        const char* name;
        TFieldType type;
        int size;
    };
    const Def defs[] = {{"id", ftAutoInc, 0},     {"date", ftDateTime, 0}, {"income", ftString, 6},
                        {"type_key", ftWord, 0},  {"type", ftString, 16},  {"additional", ftString, 50},
                        {"dds", ftFloat, 0},      {"sum", ftFloat, 0},     {"total", ftFloat, 0}};
    for (const Def& d : defs) {
        TField* field = CreateFieldOfType(d.type, &journal);
        field->SetFieldName(QString::fromLatin1(d.name));
        if (d.size) field->SetSize(d.size);
        field->SetDataSet(&journal);
    }
    journal.SetEnableVersioning(true);
    journal.Open();
    EXPECT_FALSE(journal.DefaultFields());
    const double amounts[] = {120.5, -40, 10};
    for (double amount : amounts) {
        journal.Append();
        journal.FieldByName(QStringLiteral("date"))->SetAsDateTime(EncodeDate(2026, 12, 10));
        const QString income = amount > 0 ? QStringLiteral("Приход") : QStringLiteral("Разход");
        journal.FieldByName(QStringLiteral("income"))->SetAsString(income);
        journal.FieldByName(QStringLiteral("type_key"))->SetAsInteger(amount > 0 ? 1 : 4);
        journal.FieldByName(QStringLiteral("total"))->SetAsFloat(amount);
        journal.Post();
    }
    double sum = 0;
    journal.First();
    while (!journal.Eof()) {
        sum += journal.FieldByName(QStringLiteral("total"))->AsFloat();
        journal.Next();
    }
    EXPECT_DOUBLE_EQ(sum, 90.5);
    EXPECT_EQ(Column(journal, QStringLiteral("id")), Words("0 1 2"));
    EXPECT_EQ(Column(journal, QStringLiteral("income")), Words("Приход Разход Приход"));
    journal.Close();
    journal.Open();
    EXPECT_TRUE(journal.IsEmpty());
    EXPECT_EQ(journal.FieldCount(), 9);
}

}  // namespace
