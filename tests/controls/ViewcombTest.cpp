#include "controls/Viewcomb.h"

#include "platform/toolkit/VectorDataSet.h"
#include "platform/toolkit/gui/Form.h"

#include <QTest>
#include <gtest/gtest.h>

#include <memory>

namespace {

// Employees by name, with a source and a value combo on their names.
class ViewComboTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        data.FieldDefs().Add(QStringLiteral("id"), ftInteger);
        data.FieldDefs().Add(QStringLiteral("employee_name"), ftString, 30);
        data.SetName(QStringLiteral("tblEmployee"));
        source.SetDataSet(&data);
        combo = new TDBViewCombo(&form);
        combo->OnChange = [this](QObject*) { ++changes; };
    }

    void AddNames(std::initializer_list<const char*> names)
    {
        int id = 1;
        for (const char* name : names) data.AddRow({id++, QString::fromUtf8(name)});
    }

    void Bind()
    {
        combo->SetDataSource(&source);
        combo->SetDataField(QStringLiteral("employee_name"));
    }

    QStringList Entries() const
    {
        QStringList entries;
        for (int i = 0; i < combo->count(); ++i) entries << combo->itemText(i);
        return entries;
    }

    // What a person's pick from the list does.
    void Choose(int index)
    {
        combo->setCurrentIndex(index);
        emit combo->activated(index);
    }

    int CurrentId() { return data.FieldByName(QStringLiteral("id"))->AsInteger(); }

    TForm form;
    VectorDataSet data;
    TDataSource source;
    TDBViewCombo* combo = nullptr;
    int changes = 0;
};

TEST_F(ViewComboTest, StartsAsADropDownListWithNoSavedEntry)
{
    EXPECT_EQ(combo->Style(), csDropDownList);
    EXPECT_EQ(combo->SavedIndex(), -1);
    EXPECT_FALSE(combo->isEditable());
}

TEST_F(ViewComboTest, AnEmptyDataSetGivesNoEntriesAndNoSelection)
{
    data.Open();
    Bind();
    EXPECT_EQ(combo->count(), 0);
    EXPECT_EQ(combo->ItemIndex(), -1);
    EXPECT_EQ(combo->SavedIndex(), -1);
}

TEST_F(ViewComboTest, ListsTheFieldOfEveryRowInOrderAndSelectsTheCurrentOne)
{
    AddNames({"Иван", "Петър", "Мария"});
    data.Open();
    data.Next();
    Bind();
    EXPECT_EQ(Entries(), (QStringList{"Иван", "Петър", "Мария"}));
    EXPECT_EQ(combo->ItemIndex(), 1);
    EXPECT_EQ(combo->SavedIndex(), 1);
    EXPECT_EQ(CurrentId(), 2);
}

TEST_F(ViewComboTest, RowsWithEqualTextsStayApart)
{
    AddNames({"Иван", "Иван", "Иван"});
    data.Open();
    data.MoveBy(1);
    Bind();
    EXPECT_EQ(combo->ItemIndex(), 1);
    EXPECT_EQ(CurrentId(), 2);
}

TEST_F(ViewComboTest, ChoosingAnEntryMovesTheDataSetByTheDifference)
{
    AddNames({"Иван", "Петър", "Мария", "Георги"});
    data.Open();
    Bind();
    changes = 0;
    Choose(2);
    EXPECT_EQ(CurrentId(), 3);
    EXPECT_EQ(changes, 1);
    EXPECT_EQ(combo->SavedIndex(), 2);
    Choose(0);
    EXPECT_EQ(CurrentId(), 1);
    EXPECT_EQ(changes, 2);
}

TEST_F(ViewComboTest, TheArrowKeysNavigateTheDataSet)
{
    AddNames({"Иван", "Петър", "Мария"});
    data.Open();
    Bind();
    QTest::keyClick(combo, Qt::Key_Down);
    QTest::keyClick(combo, Qt::Key_Down);
    EXPECT_EQ(CurrentId(), 3);
    QTest::keyClick(combo, Qt::Key_Up);
    EXPECT_EQ(CurrentId(), 2);
}

TEST_F(ViewComboTest, AScrollByAnotherNavigatorMovesTheSelectionAlong)
{
    AddNames({"a", "b", "c", "d", "e", "f", "g", "h"});
    // A grid-like link, so the dataset's window holds more rows than the combo shows.
    TDataSource gridSource;
    gridSource.SetDataSet(&data);
    TDataLink grid;
    grid.SetBufferCount(4);
    grid.SetDataSource(&gridSource);
    data.Open();
    Bind();
    struct Case {
        int distance;
        int index;
    };
    for (const Case& step : {Case{2, 2}, Case{3, 5}, Case{-4, 1}, Case{1, 2}}) {
        changes = 0;
        data.MoveBy(step.distance);
        EXPECT_EQ(combo->ItemIndex(), step.index) << step.distance;
        EXPECT_EQ(combo->SavedIndex(), step.index);
        EXPECT_EQ(changes, 1);
    }
    data.Last();
    EXPECT_EQ(combo->ItemIndex(), 7);
    data.First();
    EXPECT_EQ(combo->ItemIndex(), 0);
}

TEST_F(ViewComboTest, ChangesWhileEditingLeaveTheListAloneAndThePostRebuildsIt)
{
    AddNames({"Иван", "Петър"});
    data.Open();
    Bind();
    data.Next();
    data.Edit();
    data.FieldByName(QStringLiteral("employee_name"))->SetAsString(QStringLiteral("Стоян"));
    EXPECT_EQ(Entries(), (QStringList{"Иван", "Петър"}));
    data.Post();
    EXPECT_EQ(Entries(), (QStringList{"Иван", "Стоян"}));
    EXPECT_EQ(combo->ItemIndex(), 1);

    data.Append();
    data.FieldByName(QStringLiteral("id"))->SetAsInteger(3);
    data.FieldByName(QStringLiteral("employee_name"))->SetAsString(QStringLiteral("Мария"));
    EXPECT_EQ(combo->count(), 2);
    data.Post();
    EXPECT_EQ(Entries(), (QStringList{"Иван", "Стоян", "Мария"}));
    EXPECT_EQ(combo->ItemIndex(), 2);
    EXPECT_EQ(CurrentId(), 3);
}

TEST_F(ViewComboTest, ClosingTheDataSetEmptiesTheListAndOpeningRefillsIt)
{
    AddNames({"Иван", "Петър"});
    data.Open();
    Bind();
    data.Close();
    EXPECT_EQ(combo->count(), 0);
    data.Open();
    EXPECT_EQ(Entries(), (QStringList{"Иван", "Петър"}));
    EXPECT_EQ(combo->ItemIndex(), 0);
}

TEST_F(ViewComboTest, AnUnknownFieldRaisesTheDataSetsError)
{
    AddNames({"Иван"});
    data.Open();
    combo->SetDataSource(&source);
    try {
        combo->SetDataField(QStringLiteral("nickname"));
        FAIL() << "no error";
    } catch (const EDatabaseError& error) {
        EXPECT_EQ(QString::fromUtf8(error.what()), QStringLiteral("tblEmployee: Field 'nickname' not found"));
    }
}

TEST_F(ViewComboTest, WithoutADataSourceOnlyOnChangeHappens)
{
    combo->Items().Add(QStringLiteral("x"));
    combo->Items().Add(QStringLiteral("y"));
    combo->Rebuild();
    EXPECT_EQ(changes, 1);
    EXPECT_EQ(Entries(), (QStringList{"x", "y"}));
    Choose(1);
    EXPECT_EQ(changes, 2);

    // An inactive dataset counts as none.
    Bind();
    combo->Rebuild();
    EXPECT_EQ(changes, 3);
    EXPECT_FALSE(data.Active());
}

TEST_F(ViewComboTest, AGoneDataSourceIsForgotten)
{
    AddNames({"Иван"});
    data.Open();
    auto other = std::make_unique<TDataSource>();
    other->SetDataSet(&data);
    combo->SetDataSource(other.get());
    combo->SetDataField(QStringLiteral("employee_name"));
    combo->Notification(other.get(), opRemove);
    EXPECT_EQ(combo->DataSource(), nullptr);
    combo->SetDataSource(other.get());
    other.reset();
    EXPECT_EQ(combo->DataSource(), nullptr);
    EXPECT_EQ(combo->count(), 0);
}

TEST_F(ViewComboTest, OnKeyUpNeverFires)
{
    AddNames({"Иван", "Петър"});
    data.Open();
    Bind();
    auto* plain = new TComboBox(&form);
    int comboUps = 0, plainUps = 0;
    combo->OnKeyUp = [&](QObject*, int&, TShiftState) { ++comboUps; };
    plain->OnKeyUp = [&](QObject*, int&, TShiftState) { ++plainUps; };
    for (int key : {int(Qt::Key_A), int(Qt::Key_Down), int(Qt::Key_Return)}) {
        QTest::keyRelease(combo, Qt::Key(key));
        QTest::keyRelease(plain, Qt::Key(key));
    }
    EXPECT_EQ(comboUps, 0);
    EXPECT_EQ(plainUps, 3);
}

}  // namespace
