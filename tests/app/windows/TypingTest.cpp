// Typing at the counter: order lines, own firms, a unit from its pick list and a masked date,
// worked with real key and mouse events at a person's pace; every key typed is kept, goes to
// the cell that has the focus, and the grid never complains to Qt.

#include "StockOrderFixture.h"

#include "app/windows/uEmployee.h"
#include "app/windows/uFirmSet.h"
#include "app/windows/uStorage.h"
#include "platform/toolkit/gui/DBGrid.h"
#include "platform/toolkit/gui/MaskEdit.h"
#include "platform/toolkit/gui/TreeView.h"

#include <QComboBox>
#include <QAbstractItemView>
#include <QLineEdit>
#include <QTest>

// Rows as a failed check prints them.
inline void PrintTo(const QStringList& row, std::ostream* out) { *out << row.join(QLatin1Char('|')).toStdString(); }

namespace {

// What Qt says while a test types: a warning means the grid lost track of its editor.
QStringList& QtWarnings()
{
    static QStringList warnings;
    return warnings;
}

void KeepQtWarning(QtMsgType type, const QMessageLogContext&, const QString& text)
{
    // The offscreen platform's own notes are no fault of the program's.
    if (type != QtDebugMsg && type != QtInfoMsg && !text.startsWith(QLatin1String("This plugin does not support")))
        QtWarnings() << text;
}

constexpr int kPace = 90;  // milliseconds between two keys of a person typing

// The widget a person's click at `point` of `widget` lands on: the topmost child there.
void ClickAt(QWidget* widget, QPoint point)
{
    // A click in a window that is not the active one makes it active first.
    if (!widget->isActiveWindow()) {
        widget->window()->activateWindow();
        EXPECT_TRUE(QTest::qWaitForWindowActive(widget->window()));
    }
    if (QWidget* hit = widget->childAt(point)) {
        point = hit->mapFrom(widget, point);
        widget = hit;
    }
    QTest::mouseClick(widget, Qt::LeftButton, {}, point);
    QTest::qWait(kPace);
}

// Keys typed one by one into whatever has the focus, at a person's pace.
void TypeAtPace(const QString& text)
{
    for (QChar ch : text) {
        QWidget* target = QApplication::focusWidget();
        ASSERT_NE(target, nullptr);
        SendCharacter(target, ch);
        QTest::qWait(kPace);
    }
}

void Press(Qt::Key key, Qt::KeyboardModifiers modifiers = Qt::NoModifier)
{
    QWidget* target = QApplication::focusWidget();
    ASSERT_NE(target, nullptr);
    QTest::keyClick(target, key, modifiers);
    QTest::qWait(kPace);
}

int ColumnOf(TDBGrid* grid, const char* field)
{
    for (int i = 0; i < grid->Columns().Count(); ++i)
        if (grid->Columns()[i]->FieldName() == QLatin1String(field)) return i;
    ADD_FAILURE() << "no column " << field;
    return 0;
}

// A click on the cell of the current row in the field's column.
void ClickCell(TDBGrid* grid, const char* field)
{
    const QModelIndex cell = grid->model()->index(std::max(0, grid->currentIndex().row()), ColumnOf(grid, field));
    ClickAt(grid->viewport(), grid->visualRect(cell).center());
}

std::string Text(TDataSet* rows, const char* field)
{
    return rows->FieldByName(QString::fromLatin1(field))->AsString().toStdString();
}

class TypingTest : public StockOrderTest {
protected:
    void SetUp() override
    {
        StockOrderTest::SetUp();
        fCarVantel->activateWindow();
        ASSERT_TRUE(QTest::qWaitForWindowActive(fCarVantel));
        QtWarnings().clear();
        previousHandler_ = qInstallMessageHandler(KeepQtWarning);
    }
    void TearDown() override
    {
        qInstallMessageHandler(previousHandler_);
        EXPECT_EQ(QtWarnings().join(QLatin1Char('\n')).toStdString(), "");
        StockOrderTest::TearDown();
    }

    TDBGrid* Lines() const { return fCarVantel->MyDBGrid1; }
    std::string Selected() const
    {
        return Lines()->SelectedField() ? Lines()->SelectedField()->FieldName().toStdString() : std::string();
    }

    // A new order with one picked line, the grid focused on that line's price.
    void OrderWithALine()
    {
        NewOrder({{"2", 1, 12.5}});
        ClickCell(Lines(), "sale_price");
        ASSERT_EQ(Selected(), "sale_price");
    }

    QtMessageHandler previousHandler_ = nullptr;
};

TEST_F(TypingTest, CtrlInsStartsTheNewLineInItsNameColumn)
{
    OrderWithALine();
    Press(Qt::Key_Insert, Qt::ControlModifier);
    EXPECT_EQ(DM->tblSaleDetail->State(), dsInsert);
    EXPECT_EQ(Selected(), "article_name");
    const QString make = fCarVantel->dbcbMark->Text();
    TypeAtPace(QStringLiteral("Смяна на масло"));
    ClickCell(Lines(), "sale_price");
    // The keys went to the cell, none to the car's make.
    EXPECT_EQ(fCarVantel->dbcbMark->Text(), make);
    EXPECT_EQ(Text(DM->tblSaleDetail, "article_name"), "Смяна на масло");
    EXPECT_EQ(Text(DM->tblSaleDetail, "sale_price"), "0");
}

TEST_F(TypingTest, AClickIntoANewLinesNameCellKeepsTheLine)
{
    OrderWithALine();
    Press(Qt::Key_Insert, Qt::ControlModifier);
    ClickCell(Lines(), "article_name");
    EXPECT_EQ(DM->tblSaleDetail->State(), dsInsert);
    EXPECT_EQ(Selected(), "article_name");
    TypeAtPace(QStringLiteral("Труд"));
    ClickCell(Lines(), "sale_price");
    EXPECT_EQ(Text(DM->tblSaleDetail, "article_name"), "Труд");
    EXPECT_EQ(Selected(), "sale_price");
}

TEST_F(TypingTest, LettersInAQuantityAreRefusedAsTyped)
{
    OrderWithALine();
    ClickCell(Lines(), "sale_quantity");
    host_.ClearShown();
    TypeAtPace(QStringLiteral("2abc"));
    Press(Qt::Key_Return);
    EXPECT_EQ(host_.Texts().join(QLatin1Char('|')).toStdString(), "");
    EXPECT_EQ(Text(DM->tblSaleDetail, "sale_quantity"), "2");
}

// Letters are refused as typed; a number that still does not convert is said once when the
// cell is left, by Enter or by a click on another cell, and the person stays with the text.
class UnconvertibleQuantityTest : public TypingTest, public ::testing::WithParamInterface<bool> {};

TEST_P(UnconvertibleQuantityTest, IsSaidOnceAndTheCellKeepsIt)
{
    OrderWithALine();
    ClickCell(Lines(), "sale_quantity");
    host_.ClearShown();
    TypeAtPace(QStringLiteral("1.2.3"));
    if (GetParam()) ClickCell(Lines(), "sale_price");
    else Press(Qt::Key_Return);
    EXPECT_EQ(host_.Shown().size(), 1u) << host_.Texts().join(QLatin1Char('|')).toStdString();
    EXPECT_EQ(Selected(), "sale_quantity");
    auto* editor = qobject_cast<QLineEdit*>(QApplication::focusWidget());
    ASSERT_NE(editor, nullptr);
    EXPECT_EQ(editor->text().toStdString(), "1.2.3");
}

INSTANTIATE_TEST_SUITE_P(LeftBy, UnconvertibleQuantityTest, ::testing::Values(false, true),
                         [](const auto& info) { return info.param ? "AClick" : "Enter"; });

TEST_F(TypingTest, AUnitChosenFromThePickListIsKept)
{
    OrderWithALine();
    ClickCell(Lines(), "dimention");
    Press(Qt::Key_F4);
    Press(Qt::Key_Down);
    Press(Qt::Key_Return);
    ClickCell(Lines(), "sale_price");
    if (DM->tblSaleDetail->State() != dsBrowse) DM->tblSaleDetail->Post();
    EXPECT_EQ(Rows(QStringLiteral("SELECT dimention FROM sale_detail")), (TRows{{"кг."}}));
}

TEST_F(TypingTest, ShiftTabOnATypedNewLineThenClosingDoesNotCrash)
{
    OrderWithALine();
    Press(Qt::Key_Insert, Qt::ControlModifier);
    TypeAtPace(QStringLiteral("Труд"));
    Press(Qt::Key_Backtab, Qt::ShiftModifier);
    fCarVantel->Hide();
    QTest::qWait(kPace);
}

TEST_F(TypingTest, AFirmTypedIntoANewRowAtOnceIsStoredWhole)
{
    OpenWindow("fFirmSet", [](TForm& form) {
        form.activateWindow();
        EXPECT_TRUE(QTest::qWaitForWindowActive(&form));
        TDBGrid* grid = fFirmSet->DBGrid1;
        ClickCell(grid, "myfirm_name");
        Press(Qt::Key_Insert);
        EXPECT_EQ(DM->tblMyFirm->State(), dsInsert);
        ClickCell(grid, "myfirm_name");
        TypeAtPace(QStringLiteral("Гама ЕООД"));
        ClickCell(grid, "mol");
        TypeAtPace(QStringLiteral("Иван"));
        ClickCell(grid, "mytax_num");
        DM->tblMyFirm->Post();
        return mrCancel;
    });
    EXPECT_EQ(Rows(QStringLiteral("SELECT myfirm_name, mol FROM myfirm WHERE id > 2")), (TRows{{"Гама ЕООД", "Иван"}}));
}

TEST_F(TypingTest, AFirstKeyIntoAStoredFirmsCellIsKept)
{
    int id = 0;
    OpenWindow("fFirmSet", [&id](TForm& form) {
        form.activateWindow();
        EXPECT_TRUE(QTest::qWaitForWindowActive(&form));
        TDBGrid* grid = fFirmSet->DBGrid1;
        EXPECT_EQ(DM->tblMyFirm->State(), dsBrowse);
        id = DM->tblMyFirm->FieldByName(QStringLiteral("id"))->AsInteger();
        ClickCell(grid, "mol");
        TypeAtPace(QStringLiteral("Иван"));
        ClickCell(grid, "mytax_num");
        DM->tblMyFirm->Post();
        return mrCancel;
    });
    EXPECT_EQ(Rows(QStringLiteral("SELECT mol FROM myfirm WHERE id = %1").arg(id)), (TRows{{"Иван"}}));
}

TEST_F(TypingTest, CtrlInsKeepsTheDeliveryLinesLastCellAndStartsTheNextInItsNumber)
{
    fStorage->SetDeliveryReadOnly(true);
    fStorage->SetStoreReadOnly(true);
    OpenWindow("fStorage", [this](TForm& form) {
        form.activateWindow();
        EXPECT_TRUE(QTest::qWaitForWindowActive(&form));
        TfStorage& w = *fStorage;
        w.TreeView1->SetSelected(w.TreeView1->Items().Item(1));
        host_.AnswerQuestion(QStringLiteral("Нова доставка за"), mrYes);
        w.bNewClick(&w);
        QTest::qWait(kPace);
        ClickAt(w.DBGrid1->viewport(), w.DBGrid1->viewport()->rect().center());
        Press(Qt::Key_Insert, Qt::ControlModifier);
        ClickCell(w.DBGrid1, "article_code");
        TypeAtPace(QStringLiteral("K9"));
        ClickCell(w.DBGrid1, "article_name");
        TypeAtPace(QStringLiteral("Крушка"));
        ClickCell(w.DBGrid1, "dimention");
        TypeAtPace(QStringLiteral("бр."));
        Press(Qt::Key_Insert, Qt::ControlModifier);
        EXPECT_EQ(w.DBGrid1->SelectedField()->FieldName().toStdString(), "article_code");
        DM->tblDeliveryDetail->Cancel();
        return mrCancel;
    });
    EXPECT_EQ(Rows(QStringLiteral("SELECT article_name, dimention FROM delivery_detail WHERE article_code = 'K9'")),
              (TRows{{"Крушка", "бр."}}));
}

TEST_F(TypingTest, ANewDeliveryLineClickedIntoTakesTheKeysNotTheLineAbove)
{
    app::MainFormReady = true;
    fStorage->SetDeliveryReadOnly(true);
    fStorage->SetStoreReadOnly(true);
    OpenWindow("fStorage", [](TForm& form) {
        form.activateWindow();
        EXPECT_TRUE(QTest::qWaitForWindowActive(&form));
        TfStorage& w = *fStorage;
        w.TreeView1->SetSelected(w.TreeView1->Items().Item(0));
        DM->tblDelivery->SetKeyFields(QStringLiteral("id"));
        EXPECT_TRUE(DM->tblDelivery->FindKey({1}));
        w.LocateDeliveryStore();
        w.bSearchClick(&w);
        EXPECT_TRUE(w.Editing());
        ClickCell(w.DBGrid1, "article_name");
        Press(Qt::Key_Insert, Qt::ControlModifier);
        EXPECT_EQ(DM->tblDeliveryDetail->State(), dsInsert);
        ClickCell(w.DBGrid1, "article_code");
        TypeAtPace(QStringLiteral("N1"));
        ClickCell(w.DBGrid1, "article_name");
        TypeAtPace(QStringLiteral("Ново"));
        ClickCell(w.DBGrid1, "delivery_price");
        if (DM->tblDeliveryDetail->State() != dsBrowse) DM->tblDeliveryDetail->Post();
        return mrCancel;
    });
    EXPECT_EQ(Rows(QStringLiteral("SELECT article_code, article_name FROM delivery_detail WHERE delivery_id = 1 ORDER BY id")),
              (TRows{{"F10", "Маслен филтър"}, {"F1", "Маслен филтър"}, {"L1", "Труд"}, {"N1", "Ново"}}));
}

TEST_F(TypingTest, ADateTypedWithItsSeparatorsIntoTheMaskedDate)
{
    app::MainFormReady = true;
    host_.AnswerQuestion(QStringLiteral("Искате ли да добавите нов служител ?"), mrYes);
    OpenWindow("fEmployee", [this](TForm& form) {
        form.activateWindow();
        EXPECT_TRUE(QTest::qWaitForWindowActive(&form));
        TfEmployee& w = *fEmployee;
        w.bYesClick(nullptr);
        // The question's window takes the activation back once it is gone.
        QTest::qWait(kPace);
        ClickAt(w.DBEdit9, w.DBEdit9->rect().center());
        TypeAtPace(QStringLiteral("Стоян"));
        ClickAt(w.DBEdit4, w.DBEdit4->rect().center());
        TypeAtPace(QStringLiteral("01.12.2026"));
        EXPECT_EQ(w.MaskEdit1->Text().toStdString(), "01/12/2026");
        w.bSaveClick(nullptr);
        host_.AnswerQuestion(QStringLiteral("Искате ли да съхраните промените ?"), mrNo);
        return mrCancel;
    });
    EXPECT_EQ(Rows(QStringLiteral("SELECT employee_name, start_date FROM employee")), (TRows{{"Стоян", QString::number(QDateToDateTime(QDate(2026, 12, 1)), 'f', 1)}}));
}

}  // namespace
