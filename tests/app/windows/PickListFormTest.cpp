// What the cars and clients windows share: deletes refused while an order names the row, asked
// only with questions on, and never through the grid's own delete; searches as you type that
// store nothing; sorting by a title click; picking into the order and returning on "&Изход".

#include "ListWindowFixture.h"

#include "app/windows/uCars.h"
#include "app/windows/uClients.h"
#include "controls/FlatButton.h"
#include "platform/toolkit/gui/DBGrid.h"
#include "platform/toolkit/gui/StandardControls.h"

namespace {

const QString kDeleteQuestion = QStringLiteral("Текущия ред от таблицата ще бъде премахнат !");
const QString kDeleteFailed = QStringLiteral("Поради възникнала грешка, записът не бе премахнат !");

// One of the two windows, as a test sees it.
struct TListCase {
    const char* FormName;
    const char* TableName;
    const char* InUseText;
    TPickListForm* (*Window)();
    TDaoTable* (*Table)();
    // A search box, what is typed, the id it finds.
    int SearchBox;
    const char* Typed;
    int Found;
    // A column whose title click sorts, and the ids in that order.
    const char* SortField;
    QStringList SortedIds;
};

std::ostream& operator<<(std::ostream& out, const TListCase& c)
{
    return out << c.FormName;
}

const TListCase kCases[] = {
    {"fCars", "car",
     "За да премахнете този автомобил от списъка,\rтрябва да изтриете всичките документи свързани с него .",
     [] { return static_cast<TPickListForm*>(fCars); }, [] { return DM->tblCar; }, 0, "са5", 2, "frame_num",
     {"3", "1", "2", "4"}},
    {"fClients", "client",
     "За да премахнете този клиент от списъка,\rтрябва да изтриете всичките документи свързани с него .",
     [] { return static_cast<TPickListForm*>(fClients); }, [] { return DM->tblClient; }, 1, "елена", 4, "name",
     {"1", "3", "4", "2"}},
};

class PickListTest : public ListWindowTest, public testing::WithParamInterface<TListCase> {
protected:
    TPickListForm* Window() const { return GetParam().Window(); }
    TDaoTable* Table() const { return GetParam().Table(); }
    qint64 Count(int id) const
    {
        return Scalar(QStringLiteral("SELECT count(*) FROM %1 WHERE id=%2").arg(QString::fromLatin1(GetParam().TableName)).arg(id));
    }
    // Opens the window as a list from the menu and runs `script` in it.
    void OpenList(bool editable, const std::function<void()>& script)
    {
        AllowOrderChanges(editable);
        host_.OnForm(QString::fromLatin1(GetParam().FormName), [&](TForm&) {
            script();
            return mrCancel;
        });
        Window()->ShowAsList();
    }
};

TEST_P(PickListTest, ARowNamedByAnyOrderIsNotDeleted)
{
    fSetings->cbMessages->SetChecked(true);
    for (const int id : {1, 2, 3}) {
        host_.ClearShown();
        OpenList(true, [&] {
            GoTo(Table(), id);
            Window()->bDel->Click();
        });
        EXPECT_EQ(Messages(), QStringList{QString::fromUtf8(GetParam().InUseText)}) << id;
        EXPECT_EQ(Count(id), 1) << id;
    }
}

TEST_P(PickListTest, ARowNoOrderNamesGoesOnlyOnYesWithQuestionsOn)
{
    const struct {
        bool messages;
        TModalResult answer;
        qint64 left;
    } cases[] = {{true, mrNo, 1}, {false, mrNone, 1}, {true, mrYes, 0}};
    for (const auto& c : cases) {
        SCOPED_TRACE(c.answer);
        fSetings->cbMessages->SetChecked(c.messages);
        if (c.answer != mrNone) host_.AnswerQuestion(kDeleteQuestion, c.answer);
        OpenList(true, [&] {
            GoTo(Table(), 4);
            Window()->bDel->Click();
        });
        EXPECT_EQ(Count(4), c.left);
    }
    EXPECT_EQ(Table()->State(), dsBrowse);
}

TEST_P(PickListTest, CtrlDelInAnEditableListRunsTheWindowsDelete)
{
    fSetings->cbMessages->SetChecked(true);
    OpenList(true, [&] {
        EXPECT_TRUE(Window()->bDel->isVisibleTo(Window()));
        EXPECT_FALSE(Window()->DBGrid1->ReadOnly());
        GoTo(Table(), 1);
        Window()->DBGrid1->setFocus();
        PressKey(Window()->DBGrid1, Qt::Key_Delete, Qt::ControlModifier);
    });
    EXPECT_EQ(Messages(), QStringList{QString::fromUtf8(GetParam().InUseText)});
    EXPECT_EQ(Count(1), 1);
}

TEST_P(PickListTest, TheDataModuleRefusesToDeleteANamedRowOnEveryPath)
{
    GoTo(Table(), 2);
    EXPECT_THROW(Table()->Delete(), std::exception);
    EXPECT_EQ(Count(2), 1);
}

TEST_P(PickListTest, AFailingReferenceQueryRefusesTheDelete)
{
    fSetings->cbMessages->SetChecked(true);
    host_.AnswerQuestion(kDeleteQuestion, mrYes);
    Execute(QStringLiteral("ALTER TABLE sale RENAME TO sale_elsewhere"));
    OpenList(true, [&] {
        GoTo(Table(), 4);
        Window()->bDel->Click();
    });
    EXPECT_TRUE(Shown(kDeleteFailed));
    EXPECT_EQ(Count(4), 1);
}

TEST_P(PickListTest, ASearchFindsByPrefixWithoutCase)
{
    OpenList(false, [&] {
        GoTo(Table(), 1);
        Window()->SearchBoxes[GetParam().SearchBox]->SetText(QString::fromUtf8(GetParam().Typed));
        EXPECT_EQ(CurrentId(Table()), GetParam().Found);
        EXPECT_EQ(Table()->State(), dsBrowse);
    });
}

TEST_P(PickListTest, ASearchInAnEmptyTableStoresNothing)
{
    Execute(QStringLiteral("DELETE FROM sale; DELETE FROM %1;").arg(QString::fromLatin1(GetParam().TableName)));
    Table()->Close();
    Table()->Open();
    OpenList(true, [&] {
        for (TEdit* box : Window()->SearchBoxes) {
            box->SetText(QStringLiteral("а"));
            EXPECT_EQ(Table()->State(), dsBrowse);
            EXPECT_TRUE(Table()->IsEmpty());
        }
    });
    EXPECT_EQ(Scalar(QStringLiteral("SELECT count(*) FROM %1").arg(QString::fromLatin1(GetParam().TableName))), 0);
}

TEST_P(PickListTest, ATitleClickSortsByThatColumn)
{
    OpenList(false, [&] {
        TDBGrid* grid = Window()->DBGrid1;
        TColumn* column = nullptr;
        for (int i = 0; i < grid->Columns().Count(); ++i)
            if (grid->Columns()[i]->FieldName() == QLatin1String(GetParam().SortField)) column = grid->Columns()[i];
        ASSERT_NE(column, nullptr);
        grid->OnTitleClick(grid, column);
        QStringList ids;
        for (Table()->First(); !Table()->Eof(); Table()->Next()) ids << Table()->FieldByName(QStringLiteral("id"))->AsString();
        EXPECT_EQ(ids, GetParam().SortedIds);
    });
}

TEST_P(PickListTest, APickFillsTheOrderAndMarksItChanged)
{
    GoTo(Table(), 1);
    app::OrderDirty = false;
    host_.OnForm(QString::fromLatin1(GetParam().FormName), [&](TForm&) {
        EXPECT_TRUE(Window()->bYes->isVisibleTo(Window()));
        EXPECT_FALSE(Window()->bDel->isVisibleTo(Window()));
        EXPECT_FALSE(Window()->lblEditing->isVisibleTo(Window()));
        EXPECT_TRUE(Window()->DBGrid1->ReadOnly());
        GoTo(Table(), 3);
        Window()->DBGrid1->OnDblClick(Window()->DBGrid1);
        return mrNone;
    });
    EXPECT_EQ(Window()->ShowForPick(), mrOk);
    EXPECT_EQ(shownInOrder, QStringList{QStringLiteral("3")});
    EXPECT_TRUE(app::OrderDirty);
    EXPECT_EQ(CurrentId(Table()), 3);
}

TEST_P(PickListTest, CancellingAPickReturnsToTheRowBefore)
{
    GoTo(Table(), 2);
    host_.OnForm(QString::fromLatin1(GetParam().FormName), [&](TForm&) {
        GoTo(Table(), 4);
        Window()->bCancel->Click();
        return mrNone;
    });
    EXPECT_EQ(Window()->ShowForPick(), mrCancel);
    EXPECT_EQ(CurrentId(Table()), 2);
    EXPECT_TRUE(shownInOrder.isEmpty());
    EXPECT_FALSE(app::OrderDirty);
}

TEST_P(PickListTest, AListFromTheMenuPicksOnlyWhileTheOrderIsEdited)
{
    for (const bool editing : {false, true}) {
        orderEditing = editing;
        app::OrderDirty = false;
        shownInOrder.clear();
        OpenList(false, [&] {
            EXPECT_FALSE(Window()->bYes->isVisibleTo(Window()));
            EXPECT_TRUE(Window()->DBGrid1->ReadOnly());
            GoTo(Table(), 4);
            Window()->DBGrid1->OnDblClick(Window()->DBGrid1);
            EXPECT_EQ(Window()->ModalResult(), editing ? mrOk : mrNone);
        });
        EXPECT_EQ(shownInOrder, editing ? QStringList{QStringLiteral("4")} : QStringList{}) << editing;
        EXPECT_EQ(app::OrderDirty, editing);
    }
}

TEST_P(PickListTest, ExitFromTheListLeavesTheTableWhereTheUserLeftIt)
{
    GoTo(Table(), 1);
    OpenList(false, [&] {
        GoTo(Table(), 3);
        Window()->bCancel->Click();
    });
    EXPECT_EQ(CurrentId(Table()), 3);
}

TEST_P(PickListTest, KeysInTheGrid)
{
    GoTo(Table(), 1);
    host_.OnForm(QString::fromLatin1(GetParam().FormName), [&](TForm&) {
        TDBGrid* grid = Window()->DBGrid1;
        grid->setFocus();
        PressKey(grid, Qt::Key_Tab);
        EXPECT_EQ(Window()->ActiveControl(), Window()->bYes);
        grid->setFocus();
        PressKey(grid, Qt::Key_Return, Qt::NoModifier, QStringLiteral("\r"));
        return mrNone;
    });
    EXPECT_EQ(Window()->ShowForPick(), mrOk);
    EXPECT_EQ(shownInOrder, QStringList{QStringLiteral("1")});

    host_.OnForm(QString::fromLatin1(GetParam().FormName), [&](TForm&) {
        Window()->SearchBoxes[0]->setFocus();
        PressKey(Window()->SearchBoxes[0], Qt::Key_Escape, Qt::NoModifier, QStringLiteral("\x1b"));
        return mrNone;
    });
    EXPECT_EQ(Window()->ShowForPick(), mrCancel);
}

TEST_P(PickListTest, TheEditingModeFollowsTheSettingsAndStaysOnceShown)
{
    OpenList(false, [&] {
        EXPECT_FALSE(Window()->bDel->isVisibleTo(Window()));
        EXPECT_FALSE(Window()->lblEditing->isVisibleTo(Window()));
    });
    OpenList(true, [&] {
        EXPECT_TRUE(Window()->bDel->isVisibleTo(Window()));
        EXPECT_TRUE(Window()->lblEditing->isVisibleTo(Window()));
    });
    OpenList(false, [&] {
        EXPECT_TRUE(Window()->bDel->isVisibleTo(Window()));
        EXPECT_FALSE(Window()->DBGrid1->ReadOnly());
    });
}

INSTANTIATE_TEST_SUITE_P(CarsAndClients, PickListTest, testing::ValuesIn(kCases),
                         [](const testing::TestParamInfo<TListCase>& info) {
                             return std::string(info.param.FormName + 1);
                         });

}  // namespace
