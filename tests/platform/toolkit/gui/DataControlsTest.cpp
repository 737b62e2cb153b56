#include "platform/toolkit/gui/GridTestDataSet.h"

#include "platform/toolkit/DataSource.h"
#include "platform/toolkit/Exceptions.h"
#include "platform/toolkit/Fields.h"
#include "platform/toolkit/gui/DBControls.h"
#include "platform/toolkit/gui/DBGrid.h"
#include "platform/toolkit/gui/Form.h"
#include "platform/toolkit/gui/ScriptedUiHost.h"

#include <QApplication>
#include <QHeaderView>
#include <QComboBox>
#include <QLineEdit>
#include <QScrollBar>
#include <QTest>
#include <QToolButton>
#include <QVBoxLayout>
#include <gtest/gtest.h>

namespace {

// A window with a grid and two edits over a three-row dataset.
class DataForm : public TForm {
public:
    DataForm()
    {
        setObjectName("fData");
        data.rows = {{1, "Bolt", 5}, {2, "Nut", 3}, {3, "Washer", 0}};
        source.SetDataSet(&data);
        auto* layout = new QVBoxLayout(this);
        grid = new TDBGrid(this);
        grid->setObjectName("DBGrid1");
        grid->SetDataSource(&source);
        grid->setMinimumHeight(150);
        layout->addWidget(grid);
        nameEdit = new TDBEdit(this);
        nameEdit->SetDataSource(&source);
        nameEdit->SetDataField("name");
        layout->addWidget(nameEdit);
        qtyEdit = new TDBEdit(this);
        qtyEdit->SetDataSource(&source);
        qtyEdit->SetDataField("qty");
        layout->addWidget(qtyEdit);
        resize(400, 300);
    }

    void Open()
    {
        data.Open();
        show();
        activateWindow();
        ASSERT_TRUE(QTest::qWaitForWindowActive(this));
    }

    // The grid's cell on screen for the current record, in the column of the field.
    void SelectGridCell(const char* fieldName)
    {
        grid->setFocus();
        for (int i = 0; i < grid->Columns().Count(); ++i)
            if (grid->Columns()[i]->FieldName() == fieldName) grid->SetSelectedIndex(i);
    }

    QLineEdit* GridEditor() const
    {
        auto* focus = qobject_cast<QLineEdit*>(QApplication::focusWidget());
        return focus && grid->isAncestorOf(focus) ? focus : nullptr;
    }

    GridTestDataSet data;
    TDataSource source;
    TDBGrid* grid;
    TDBEdit* nameEdit;
    TDBEdit* qtyEdit;
};

class DataControlsTest : public ::testing::Test {
protected:
    TScriptedUiHost host;
    TScopedUiHost installed{host};
};

TEST_F(DataControlsTest, EditsShowTheCurrentRecordAndFollowMoves)
{
    DataForm form;
    form.Open();
    EXPECT_EQ(form.nameEdit->Text(), "Bolt");
    form.data.Next();
    EXPECT_EQ(form.nameEdit->Text(), "Nut");
    EXPECT_EQ(form.qtyEdit->Text(), "3");
    EXPECT_EQ(form.grid->Columns().Count(), 3);  // one per field while none are added
    EXPECT_EQ(form.grid->model()->rowCount(), 3);
    EXPECT_EQ(form.grid->CellText(2, 1, false), "Washer");
}

TEST_F(DataControlsTest, AnEditShowsANewDisplayFormatAtOnce)
{
    DataForm form;
    form.Open();
    form.grid->setFocus();
    auto* qty = qobject_cast<TNumericField*>(form.data.FieldByName(QStringLiteral("qty")));
    ASSERT_NE(qty, nullptr);
    qty->SetDisplayFormat(QStringLiteral("0.00"));
    EXPECT_EQ(form.qtyEdit->text(), QStringLiteral("5.00"));
    qty->SetDisplayFormat(QString());
    EXPECT_EQ(form.qtyEdit->text(), QStringLiteral("5"));
}

TEST_F(DataControlsTest, TypingInAnEditEditsTheRecordAndPostWritesIt)
{
    DataForm form;
    form.Open();
    form.nameEdit->setFocus();
    form.nameEdit->end(false);
    QTest::keyClicks(form.nameEdit, "s");
    EXPECT_EQ(form.data.State(), dsEdit);  // AutoEdit on typing
    EXPECT_EQ(form.data.rows[0].name, "Bolt");
    form.data.Post();  // the edit's text goes into the record first
    EXPECT_EQ(form.data.rows[0].name, "Bolts");
    EXPECT_EQ(form.data.State(), dsBrowse);
}

TEST_F(DataControlsTest, EscapeInAnEditPutsTheValueBack)
{
    DataForm form;
    form.Open();
    form.nameEdit->setFocus();
    QTest::keyClicks(form.nameEdit, "xyz");
    QTest::keyClick(form.nameEdit, Qt::Key_Escape);
    EXPECT_EQ(form.nameEdit->Text(), "Bolt");
    form.data.Post();
    EXPECT_EQ(form.data.rows[0].name, "Bolt");
}

TEST_F(DataControlsTest, LeavingAnEditWritesTheFieldAndABadNumberIsReported)
{
    DataForm form;
    form.Open();
    form.qtyEdit->setFocus();
    form.qtyEdit->selectAll();
    QTest::keyClicks(form.qtyEdit, "12");
    form.nameEdit->setFocus();
    EXPECT_EQ(form.data.FieldByName("qty")->AsInteger(), 12);

    form.qtyEdit->setFocus();
    form.qtyEdit->selectAll();
    QTest::keyClicks(form.qtyEdit, "abc");
    EXPECT_EQ(form.qtyEdit->Text(), "12");  // letters an integer cannot hold are refused as typed
    QTest::keyClicks(form.qtyEdit, "1-2");
    form.nameEdit->setFocus();
    ASSERT_EQ(host.CountOf(TShownRecord::Message), 1);  // the conversion error, shown
    EXPECT_TRUE(form.qtyEdit->hasFocus());                // and the focus kept for a fix
    EXPECT_EQ(form.qtyEdit->Text(), "1-2");

    // Said once: leaving again and the post that wants the value stop without a second word.
    form.nameEdit->setFocus();
    EXPECT_THROW(form.data.Post(), EAbort);
    EXPECT_EQ(host.CountOf(TShownRecord::Message), 1);
    EXPECT_TRUE(form.qtyEdit->hasFocus());
    EXPECT_EQ(form.qtyEdit->Text(), "1-2");
    EXPECT_EQ(form.data.rows[0].qty, 5);  // nothing written

    // Another bad value typed is said again; a good one goes in with the post.
    QTest::keyClicks(form.qtyEdit, "-");
    form.nameEdit->setFocus();
    EXPECT_EQ(host.CountOf(TShownRecord::Message), 2);
    form.qtyEdit->selectAll();
    QTest::keyClicks(form.qtyEdit, "7");
    form.data.Post();
    EXPECT_EQ(host.CountOf(TShownRecord::Message), 2);
    EXPECT_EQ(form.data.rows[0].qty, 7);
}

TEST_F(DataControlsTest, TypingIsRefusedWhenTheRecordCannotBeEdited)
{
    DataForm form;
    form.data.readOnly = true;
    form.Open();
    form.nameEdit->setFocus();
    QTest::keyClicks(form.nameEdit, "x");
    EXPECT_EQ(form.nameEdit->Text(), "Bolt");
    EXPECT_EQ(form.data.State(), dsBrowse);

    form.data.readOnly = false;
    form.source.SetAutoEdit(false);
    QTest::keyClicks(form.nameEdit, "x");
    EXPECT_EQ(form.nameEdit->Text(), "Bolt");
    EXPECT_EQ(form.data.State(), dsBrowse);
    form.data.Edit();
    QTest::keyClicks(form.nameEdit, "x");  // an edit started by the program lets typing in
    EXPECT_EQ(form.nameEdit->Text(), "Boltx");
}

// Nothing typed is cut silently: an edit, a combo and a grid cell stop where the field does
// (the name holds 20 characters), so the person sees it as typed.
TEST_F(DataControlsTest, TypingStopsWhereTheFieldsSizeDoes)
{
    const QString typed = QStringLiteral("Болт с шестостенна глава");
    auto type = [](QWidget* target, const QString& text) {
        for (QChar ch : text) QTest::sendKeyEvent(QTest::Click, target, Qt::Key_unknown, QString(ch), Qt::NoModifier);
    };
    DataForm form;
    auto* combo = new TDBComboBox(&form);
    combo->SetDataSource(&form.source);
    combo->SetDataField("name");
    form.layout()->addWidget(combo);
    form.Open();

    form.nameEdit->setFocus();
    form.nameEdit->selectAll();
    type(form.nameEdit, typed);
    EXPECT_EQ(form.nameEdit->Text(), typed.left(20));
    form.data.Cancel();
    combo->setFocus();
    combo->lineEdit()->selectAll();
    type(combo->lineEdit(), typed);
    EXPECT_EQ(combo->Text(), typed.left(20));
    form.data.Cancel();
    form.SelectGridCell("name");
    type(form.grid, typed.left(1));
    ASSERT_NE(form.GridEditor(), nullptr);
    type(form.GridEditor(), typed.mid(1));
    EXPECT_EQ(form.GridEditor()->text(), typed.left(20));
}

TEST_F(DataControlsTest, TypingInTheGridEditsAndLeavingTheRowPosts)
{
    DataForm form;
    form.Open();
    form.SelectGridCell("name");
    QTest::keyClicks(form.grid, "Z");
    ASSERT_NE(form.GridEditor(), nullptr);
    EXPECT_EQ(form.GridEditor()->text(), "Z");  // typing over a cell replaces its text
    EXPECT_EQ(form.data.State(), dsEdit);
    QTest::keyClicks(form.GridEditor(), "ed");
    QTest::keyClick(form.GridEditor(), Qt::Key_Down);  // leave the row
    EXPECT_EQ(form.data.State(), dsBrowse);
    EXPECT_EQ(form.data.rows[0].name, "Zed");
    EXPECT_EQ(form.data.RecNo(), 2);
    EXPECT_EQ(form.nameEdit->Text(), "Nut");
}

TEST_F(DataControlsTest, ABadNumberTypedInTheGridIsSaidOnceAndNeverPosted)
{
    // The ways a person goes on from the cell: down to the next row, Enter, Tab, and then the post.
    const struct {
        const char* name;
        Qt::Key key;
    } ways[] = {{"down", Qt::Key_Down}, {"enter", Qt::Key_Return}, {"tab", Qt::Key_Tab}};
    for (const auto& way : ways) {
        SCOPED_TRACE(way.name);
        host.ClearShown();
        DataForm form;
        form.Open();
        form.SelectGridCell("qty");
        QTest::keyClicks(form.grid, "1");
        ASSERT_NE(form.GridEditor(), nullptr);
        QTest::keyClicks(form.GridEditor(), "-2");
        QTest::keyClick(form.GridEditor(), way.key);
        EXPECT_EQ(host.CountOf(TShownRecord::Message), 1) << host.Texts().join(QLatin1Char('|')).toStdString();
        if (form.data.State() == dsEdit) {
            EXPECT_THROW(form.data.Post(), EAbort);
        }
        EXPECT_EQ(host.CountOf(TShownRecord::Message), 1) << host.Texts().join(QLatin1Char('|')).toStdString();
        EXPECT_EQ(form.data.rows[0].qty, 5);  // nothing written
        EXPECT_EQ(form.data.RecNo(), 1);
        ASSERT_NE(form.GridEditor(), nullptr);  // the person is still in the cell, with the text
        EXPECT_EQ(form.GridEditor()->text(), "1-2");
    }
}

TEST_F(DataControlsTest, EscapeInTheGridUndoesTheCellThenCancelsTheRecord)
{
    DataForm form;
    form.Open();
    form.SelectGridCell("name");
    QTest::keyClicks(form.grid, "Q");
    ASSERT_NE(form.GridEditor(), nullptr);
    QTest::keyClick(form.GridEditor(), Qt::Key_Escape);
    ASSERT_NE(form.GridEditor(), nullptr);
    EXPECT_EQ(form.GridEditor()->text(), "Bolt");
    EXPECT_EQ(form.data.State(), dsEdit);
    QTest::keyClick(form.GridEditor(), Qt::Key_Escape);
    EXPECT_EQ(form.data.State(), dsBrowse);
    EXPECT_EQ(form.data.rows[0].name, "Bolt");
    EXPECT_EQ(form.data.posts, 0);
}

TEST_F(DataControlsTest, TabAndEnterMoveBetweenCells)
{
    DataForm form;
    form.grid->SetOptions(form.grid->Options() | dgTabs);
    std::vector<int> entered;
    form.grid->OnColEnter = [&](QObject*) { entered.push_back(form.grid->SelectedIndex()); };
    int exits = 0;
    form.grid->OnColExit = [&](QObject*) { ++exits; };
    form.Open();
    form.SelectGridCell("id");
    entered.clear();
    exits = 0;
    QTest::keyClick(form.grid, Qt::Key_Tab);
    EXPECT_EQ(form.grid->SelectedIndex(), 1);
    QTest::keyClick(form.grid, Qt::Key_Return);
    EXPECT_EQ(form.grid->SelectedIndex(), 2);
    QTest::keyClick(form.grid, Qt::Key_Tab);  // past the last column: the next row's first
    EXPECT_EQ(form.grid->SelectedIndex(), 0);
    EXPECT_EQ(form.data.RecNo(), 2);
    EXPECT_EQ(entered, (std::vector<int>{1, 2, 0}));
    EXPECT_EQ(exits, 3);
}

TEST_F(DataControlsTest, GridKeyHandlersMaySwallowAKey)
{
    DataForm form;
    form.grid->OnKeyPress = [](QObject*, QChar& key) {
        if (key == QLatin1Char('-')) key = QChar();
    };
    form.Open();
    form.SelectGridCell("qty");
    QTest::keyClicks(form.grid, "-");
    EXPECT_EQ(form.GridEditor(), nullptr);
    EXPECT_EQ(form.data.State(), dsBrowse);
    QTest::keyClicks(form.grid, "4");
    ASSERT_NE(form.GridEditor(), nullptr);
    QTest::keyClicks(form.GridEditor(), "-");  // also while the cell editor is open
    EXPECT_EQ(form.GridEditor()->text(), "4");
}

TEST_F(DataControlsTest, ReadOnlyColumnAndGridRefuseEditing)
{
    DataForm form;
    TColumn* id = form.grid->Columns().Add();
    id->SetFieldName("id");
    id->SetReadOnly(true);
    TColumn* name = form.grid->Columns().Add();
    name->SetFieldName("name");
    name->Title().SetCaption("Наименование");
    name->SetWidth(120);
    form.Open();
    EXPECT_EQ(form.grid->model()->headerData(1, Qt::Horizontal, Qt::DisplayRole).toString(), "Наименование");
    EXPECT_EQ(form.grid->columnWidth(1), 120);
    form.SelectGridCell("id");
    QTest::keyClicks(form.grid, "9");
    EXPECT_EQ(form.data.State(), dsBrowse);
    form.grid->SetReadOnly(true);
    form.SelectGridCell("name");
    QTest::keyClicks(form.grid, "x");
    EXPECT_EQ(form.data.State(), dsBrowse);
}

TEST_F(DataControlsTest, DrawColumnCellSeesEachPaintedRowAsCurrent)
{
    DataForm form;
    std::map<int, int> qtyOfRow;  // painted row -> qty the handler read
    form.grid->OnDrawColumnCell = [&](QObject*, const QRect& rect, int dataCol, TColumn*, TGridDrawState state) {
        const int qty = form.data.FieldByName("qty")->AsInteger();
        qtyOfRow[rect.top()] = qty;
        if (qty < 1 && !(state & gdSelected)) {
            form.grid->Canvas().SetBrushColor(7105791);
            form.grid->DefaultDrawColumnCell(rect, dataCol, form.grid->Columns()[dataCol], state);
        }
    };
    form.Open();
    const QImage shot = form.grid->viewport()->grab().toImage();
    ASSERT_EQ(qtyOfRow.size(), 3u);
    std::vector<int> seen;
    for (auto& [top, qty] : qtyOfRow) seen.push_back(qty);
    EXPECT_EQ(seen, (std::vector<int>{5, 3, 0}));
    EXPECT_EQ(form.data.RecNo(), 1);  // the current record is back after painting
    const int y = form.grid->rowViewportPosition(2) + 3;
    const QColor marked = shot.pixelColor(form.grid->columnViewportPosition(1) + 1, y);
    EXPECT_EQ(FromQColor(marked), 7105791);
}

TEST_F(DataControlsTest, TitleClickNamesTheColumn)
{
    DataForm form;
    QString clicked;
    form.grid->OnTitleClick = [&](QObject*, TColumn* column) { clicked = column->FieldName(); };
    form.Open();
    QHeaderView* header = form.grid->horizontalHeader();
    const int x = header->sectionViewportPosition(1) + 5;
    QTest::mouseClick(header->viewport(), Qt::LeftButton, {}, QPoint(x, header->height() / 2));
    EXPECT_EQ(clicked, "name");
}

TEST_F(DataControlsTest, PickListAndEllipsisColumns)
{
    DataForm form;
    TColumn* name = form.grid->Columns().Add();
    name->SetFieldName("name");
    name->PickList().AddStrings(QStringList{"бр.", "кг."});
    TColumn* qty = form.grid->Columns().Add();
    qty->SetFieldName("qty");
    qty->SetButtonStyle(cbsEllipsis);
    int buttons = 0;
    form.grid->OnEditButtonClick = [&](QObject*) { ++buttons; };
    form.Open();
    form.SelectGridCell("name");
    form.grid->SetEditorMode(true);
    ASSERT_TRUE(form.grid->EditorMode());
    auto* combo = form.grid->viewport()->findChild<QComboBox*>();
    ASSERT_NE(combo, nullptr);
    EXPECT_EQ(combo->count(), 2);
    form.SelectGridCell("qty");
    form.grid->SetEditorMode(true);
    auto* button = form.grid->viewport()->findChild<QToolButton*>();
    ASSERT_NE(button, nullptr);
    button->click();
    EXPECT_EQ(buttons, 1);
}

TEST_F(DataControlsTest, GridAsksForAsManyBuffersAsItShowsRows)
{
    GridTestDataSet data;
    data.virtualCount = 100000;
    TDataSource source;
    source.SetDataSet(&data);
    TForm form;
    auto* grid = new TDBGrid(&form);
    grid->resize(300, 200);
    grid->SetDataSource(&source);
    data.Open();
    form.show();
    const int rows = grid->VisibleRowCount();
    EXPECT_GT(rows, 3);
    EXPECT_EQ(grid->model()->rowCount(), rows);
    EXPECT_LE(data.recordsRead, rows + 2);  // the first page only, not the dataset
    const long long before = data.recordsRead;
    grid->setFocus();
    QTest::keyClick(grid, Qt::Key_PageDown);
    EXPECT_EQ(data.RecNo(), rows + 1);
    EXPECT_LE(data.recordsRead - before, rows + 2);
}

TEST_F(DataControlsTest, CheckBoxWritesItsValuesAndLookupWritesTheKey)
{
    GridTestDataSet data;
    data.rows = {{1, "Да", 2}};
    TDataSource source;
    source.SetDataSet(&data);
    GridTestDataSet list;
    list.rows = {{1, "First", 0}, {2, "Second", 0}, {3, "Third", 0}};
    TDataSource listSource;
    listSource.SetDataSet(&list);
    TForm form;
    auto* layout = new QVBoxLayout(&form);
    auto* check = new TDBCheckBox(&form);
    check->SetValueChecked("Да");
    check->SetValueUnchecked("Не");
    check->SetDataSource(&source);
    check->SetDataField("name");
    layout->addWidget(check);
    auto* lookup = new TDBLookupComboBox(&form);
    lookup->SetListSource(&listSource);
    lookup->SetKeyField("id");
    lookup->SetListField("name");
    lookup->SetDataSource(&source);
    lookup->SetDataField("qty");
    layout->addWidget(lookup);
    list.Open();
    data.Open();
    form.show();

    EXPECT_TRUE(check->Checked());
    EXPECT_EQ(lookup->count(), 3);
    EXPECT_EQ(lookup->currentText(), "Second");  // qty 2 is the key of "Second"
    check->click();
    EXPECT_FALSE(check->Checked());
    EXPECT_EQ(data.State(), dsEdit);
    lookup->setCurrentIndex(2);
    emit lookup->activated(2);
    data.Post();
    EXPECT_EQ(data.rows[0].name, "Не");
    EXPECT_EQ(data.rows[0].qty, 3);
    EXPECT_EQ(list.RecNo(), 1);  // reading the list did not move it
}

// A choice whose OnChange handler edits the record (another field) is kept, not shown over.
TEST_F(DataControlsTest, AComboChoiceSurvivesAnOnChangeThatEditsTheRecord)
{
    for (const bool handlerEdits : {true, false}) {
        SCOPED_TRACE(handlerEdits);
        GridTestDataSet data;
        data.rows = {{1, "", 2}};
        TDataSource source;
        source.SetDataSet(&data);
        TForm form;
        auto* layout = new QVBoxLayout(&form);
        auto* combo = new TDBComboBox(&form);
        combo->Items().Add("в брой");
        combo->Items().Add("по банка");
        combo->SetDataSource(&source);
        combo->SetDataField("name");
        layout->addWidget(combo);
        int changes = 0;
        combo->OnChange = [&](QObject*) {
            ++changes;
            if (!handlerEdits) return;
            if (data.State() == dsBrowse) data.Edit();
            data.FieldByName("qty")->SetAsInteger(combo->ItemIndex());
        };
        data.Open();
        form.show();
        combo->setCurrentIndex(1);
        emit combo->activated(1);
        EXPECT_EQ(changes, 1);
        EXPECT_EQ(combo->Text(), "по банка");
        data.Post();
        EXPECT_EQ(data.rows[0].name, "по банка");
        EXPECT_EQ(data.rows[0].qty, handlerEdits ? 1 : 2);
    }
}

TEST_F(DataControlsTest, NavigatorButtonsFollowTheDataset)
{
    DataForm form;
    auto* nav = new TDBNavigator(&form);
    nav->SetDataSource(&form.source);
    form.layout()->addWidget(nav);
    form.Open();
    EXPECT_FALSE(nav->ButtonEnabled(nbPrior));
    EXPECT_TRUE(nav->ButtonEnabled(nbNext));
    EXPECT_FALSE(nav->ButtonEnabled(nbPost));
    nav->Button(nbLast)->click();
    EXPECT_EQ(form.data.RecNo(), 3);
    EXPECT_FALSE(nav->ButtonEnabled(nbNext));
    nav->Button(nbEdit)->click();
    EXPECT_TRUE(nav->ButtonEnabled(nbPost));
    EXPECT_FALSE(nav->ButtonEnabled(nbEdit));
    nav->Button(nbCancel)->click();
    host.AnswerQuestion("Delete record?", mrCancel);
    nav->Button(nbDelete)->click();
    EXPECT_EQ(form.data.rows.size(), 3u);  // answered Cancel
    host.AnswerQuestion("Delete record?", mrOk);
    nav->Button(nbDelete)->click();
    EXPECT_EQ(form.data.rows.size(), 2u);
}

TEST_F(DataControlsTest, DownPastTheLastRowAppendsAndLeavingUntouchedDropsIt)
{
    DataForm form;
    form.Open();
    form.data.Last();
    form.SelectGridCell("name");
    QTest::keyClick(form.grid, Qt::Key_Down);
    EXPECT_EQ(form.data.State(), dsInsert);
    EXPECT_EQ(form.grid->model()->rowCount(), 4);
    form.nameEdit->setFocus();  // leaving the grid with the new row untouched (cancel on exit)
    EXPECT_EQ(form.data.State(), dsBrowse);
    EXPECT_EQ(form.data.rows.size(), 3u);
}

TEST_F(DataControlsTest, CtrlDeleteAsksFirst)
{
    DataForm form;
    form.Open();
    form.SelectGridCell("name");
    host.AnswerQuestion("Delete record?", mrCancel);
    QTest::keyClick(form.grid, Qt::Key_Delete, Qt::ControlModifier);
    EXPECT_EQ(form.data.rows.size(), 3u);
    host.AnswerQuestion("Delete record?", mrOk);
    QTest::keyClick(form.grid, Qt::Key_Delete, Qt::ControlModifier);
    ASSERT_EQ(form.data.rows.size(), 2u);
    EXPECT_EQ(form.data.rows[0].name, "Nut");
}

TEST_F(DataControlsTest, DBTextShowsTheDisplayText)
{
    DataForm form;
    auto* text = new TDBText(&form);
    text->SetDataSource(&form.source);
    text->SetDataField("name");
    form.Open();
    EXPECT_EQ(text->text(), "Bolt");
    form.data.Last();
    EXPECT_EQ(text->text(), "Washer");
}

}  // namespace

// A grid that follows its window keeps its titles, its row indicator and its row bar.
TEST_F(DataControlsTest, AResizedGridKeepsItsTitlesAndRowBar)
{
    DataForm form;
    form.Open();
    for (const QSize size : {QSize(500, 400), QSize(700, 520), QSize(420, 320)}) {
        form.resize(size);
        QTest::qWait(20);
        const QRect cells = form.grid->viewport()->geometry();
        const QRect titles = form.grid->horizontalHeader()->geometry();
        EXPECT_GT(titles.height(), 0);
        EXPECT_EQ(titles.bottom() + 1, cells.top());
        EXPECT_EQ(titles.right(), cells.right());
        EXPECT_GE(cells.left(), form.grid->verticalHeader()->width()) << "row indicator";
        EXPECT_GT(form.grid->verticalHeader()->width(), 0);
        const auto bars = form.grid->findChildren<QScrollBar*>(QString(), Qt::FindDirectChildrenOnly);
        const bool barBesideCells = std::any_of(bars.begin(), bars.end(), [&](const QScrollBar* bar) {
            return bar->isVisible() && bar->orientation() == Qt::Vertical && bar->geometry().left() == cells.right() + 1;
        });
        EXPECT_TRUE(barBesideCells);
    }
}
