// The staff window over a small shop: three employees (the first with a work payment and a
// base-salary row paid from cash box 2) and four orders with service and material lines.

#include "GridPrintout.h"
#include "ProgramFixture.h"

#include "app/windows/uArticlesWork.h"
#include "app/windows/uCasheBox.h"
#include "app/windows/uEmployee.h"
#include "controls/FlatButton.h"
#include "controls/Viewcomb.h"
#include "dataaccess/DaoTable.h"
#include "platform/toolkit/DateTime.h"
#include "platform/toolkit/Fields.h"
#include "platform/toolkit/gui/DBControls.h"
#include "platform/toolkit/gui/DBGrid.h"
#include "platform/toolkit/gui/MaskEdit.h"
#include "platform/toolkit/gui/Menus.h"

#include <QDate>
#include <QTest>
#include <optional>

namespace {

const QString kIvan = QStringLiteral("Иван Петров");
const QString kMaria = QStringLiteral("Мария Иванова");

class EmployeeTest : public ProgramTest {
protected:
    void SetUp() override
    {
        ProgramTest::SetUp();
        Seed("employees.sql");
        LoginAsAdministrator();
        // The main window has been shown: the data module's rules stamp and give cash boxes.
        app::MainFormReady = true;
        window = fEmployee;
        ASSERT_NE(window, nullptr);
        fSetings->cbMessages->SetChecked(true);
        fSetings->cbWarnings->SetChecked(true);
        fSetings->cbChangeSaleData->SetChecked(false);
        host_.ClearShown();
    }
    void TearDown() override
    {
        app::MainFormReady = false;
        app::PaymentChanged = app::NewEmployee = false;
        ProgramTest::TearDown();
    }

    // What the main window's staff entry does, without the modal run.
    void Open()
    {
        window->SetReadOnly(true);
        window->cbxNames->SetEnabled(true);
        window->cbxNames->Rebuild();
        window->FormShow(window);
    }
    // The settings box that lets old data be changed, its warning answered.
    void AllowChanges()
    {
        host_.AnswerQuestion(QStringLiteral("В този режим можете да променяте"), mrYes);
        fSetings->cbChangeSaleData->SetChecked(true);
        ASSERT_TRUE(fSetings->cbChangeSaleData->Checked());
        host_.ClearShown();
    }
    // Typed as a person types, over what the edit held.
    static void Type(TDBEdit* edit, const QString& text)
    {
        edit->selectAll();
        TypeKeys(edit, text);
    }
    void GoTo(const QString& name)
    {
        ASSERT_TRUE(DM->tblEmployee->Locate(QStringLiteral("employee_name"), name, {})) << name.toStdString();
    }
    static void Set(TDataSet* rows, const char* field, const TVariant& value)
    {
        rows->FieldByName(QString::fromUtf8(field))->SetAsVariant(value);
    }
    static QString Get(TDataSet* rows, const char* field)
    {
        return rows->FieldByName(QString::fromUtf8(field))->AsString();
    }
    qint64 Count(const char* table, const QString& where = QStringLiteral("1=1")) const
    {
        return Scalar(QStringLiteral("SELECT COUNT(*) FROM %1 WHERE %2").arg(QString::fromUtf8(table), where));
    }
    // The codes of the lines the picker lists, in its order.
    static QStringList PickerCodes()
    {
        QStringList codes;
        TDaoTable* lines = DM->tblQueryEmploeeWork;
        lines->First();
        for (; !lines->Eof(); lines->Next()) codes << Get(lines, "article_code");
        lines->First();
        return codes;
    }
    // A new payment row of `name`, not posted.
    void NewPayment(const QString& name)
    {
        GoTo(name);
        DM->tblEmployeePayment->Append();
    }

    TfEmployee* window = nullptr;
};

// --- adding, saving and closing -----------------------------------------------------------------

TEST_F(EmployeeTest, ANewEmployeeIsSavedAloneAndClosingAsksAgainHarmlessly)
{
    Open();
    host_.AnswerQuestion(QStringLiteral("Искате ли да добавите нов служител ?"), mrYes);
    window->bYesClick(nullptr);
    EXPECT_TRUE(window->Adding());
    EXPECT_FALSE(window->IsReadOnly());
    EXPECT_TRUE(window->lblEditing->Visible());
    EXPECT_FALSE(window->cbxNames->isEnabled());
    EXPECT_EQ(window->DBGrid3->DataSource(), nullptr);
    EXPECT_EQ(window->DBGrid2->DataSource(), nullptr);

    Type(window->DBEdit9, QStringLiteral("Петко Колев"));
    Type(window->DBEdit5, QStringLiteral("Бояджия"));
    window->bSaveClick(nullptr);

    const QString created = QStringLiteral("employee_name = 'Петко Колев'");
    EXPECT_EQ(Count("employee"), 4);
    EXPECT_EQ(Rows(QStringLiteral("SELECT job FROM employee WHERE ") + created), (TRows{{"Бояджия"}}));
    const QString id = QString::number(Scalar(QStringLiteral("SELECT id FROM employee WHERE ") + created));
    EXPECT_EQ(Count("employee_payment", QStringLiteral("employee_id = ") + id), 0);
    EXPECT_EQ(Count("employee_working", QStringLiteral("employee_id = ") + id), 0);
    EXPECT_EQ(Count("employee_payment"), 1);
    EXPECT_EQ(Count("employee_working"), 1);
    EXPECT_TRUE(window->IsReadOnly());
    EXPECT_TRUE(window->cbxNames->isEnabled());
    EXPECT_EQ(window->cbxNames->Text(), QStringLiteral("Петко Колев"));
    EXPECT_EQ(window->cbxNames->count(), 4);
    EXPECT_EQ(window->DBGrid3->DataSource(), DM->srcEmployeePayment);

    host_.AnswerQuestion(QStringLiteral("Искате ли да съхраните промените ?"), mrYes);
    bool canClose = true;
    window->FormCloseQuery(window, canClose);
    EXPECT_TRUE(canClose);
    EXPECT_TRUE(Shown(QStringLiteral("Искате ли да съхраните промените ?")));
    EXPECT_FALSE(window->Adding());
    EXPECT_EQ(Count("employee"), 4);
    EXPECT_EQ(Count("employee_payment"), 1);
    EXPECT_EQ(Count("employee_working"), 1);
}

TEST_F(EmployeeTest, SavingWithAnEmptyNameDiscardsTheNewEmployee)
{
    Open();
    host_.AnswerQuestion(QStringLiteral("добавите нов служител"), mrYes);
    window->bYesClick(nullptr);
    Type(window->DBEdit2, QStringLiteral("1111111111"));
    window->bSaveClick(nullptr);
    EXPECT_EQ(Count("employee"), 3);
    EXPECT_EQ(DM->tblEmployee->State(), dsBrowse);
    EXPECT_TRUE(window->IsReadOnly());
    EXPECT_TRUE(window->cbxNames->isEnabled());
    EXPECT_EQ(window->DBGrid2->DataSource(), DM->srcEmployeeWork);
    EXPECT_EQ(window->cbxNames->count(), 3);
}

TEST_F(EmployeeTest, NoToSavingCancelsThePendingNewEmployee)
{
    Open();
    host_.AnswerQuestion(QStringLiteral("добавите нов служител"), mrYes);
    window->bYesClick(nullptr);
    Type(window->DBEdit9, QStringLiteral("Недовършен"));
    host_.AnswerQuestion(QStringLiteral("Искате ли да съхраните промените ?"), mrNo);
    bool canClose = true;
    window->FormCloseQuery(window, canClose);
    EXPECT_EQ(DM->tblEmployee->State(), dsBrowse);

    // The next opening moves through the employees; nothing pending is stored by it.
    host_.AnswerForm(QStringLiteral("fEmployee"), mrCancel);
    fCarVantel->Employee1Click(nullptr);
    EXPECT_EQ(Count("employee"), 3);
    EXPECT_EQ(window->cbxNames->count(), 3);
    EXPECT_EQ(window->DBGrid3->DataSource(), DM->srcEmployeePayment);
}

TEST_F(EmployeeTest, EditingNeedsTheChangeSettingAndAnotherEmployeeEndsIt)
{
    Open();
    window->bEditClick(nullptr);
    EXPECT_TRUE(window->IsReadOnly());
    AllowChanges();
    window->bEditClick(nullptr);
    EXPECT_FALSE(window->IsReadOnly());
    EXPECT_FALSE(window->DBEdit9->ReadOnly());
    // A date typed into the end date keeps the edits open.
    QTest::keyClicks(window->DBEdit3, "1");
    EXPECT_FALSE(window->IsReadOnly());
    window->DBEdit3->SetModified(false);
    DM->tblEmployee->Cancel();
    GoTo(kIvan);
    GoTo(kMaria);
    EXPECT_TRUE(window->IsReadOnly());
    EXPECT_FALSE(window->lblEditing->Visible());
}

// --- cash boxes of saved rows -----------------------------------------------------------------

TEST_F(EmployeeTest, SavingLeavesStoredRowsInTheirCashBox)
{
    Open();
    GoTo(kIvan);
    AllowChanges();
    window->bEditClick(nullptr);
    Type(window->DBEdit5, QStringLiteral("Старши монтьор"));
    window->bSaveClick(nullptr);
    EXPECT_EQ(Rows(QStringLiteral("SELECT job FROM employee WHERE id = 1")), (TRows{{"Старши монтьор"}}));
    EXPECT_EQ(Rows(QStringLiteral("SELECT id, cashbox_num, payment FROM employee_payment")), (TRows{{"1", "2", "20.0"}}));
    EXPECT_EQ(Rows(QStringLiteral("SELECT id, cashbox_num, payment FROM employee_working")), (TRows{{"1", "2", "800.0"}}));
}

// The engine refuses the last of the save's writes: neither the employee's change nor any pay
// row is stored, nothing is left in edit, and the window says so.
TEST_F(EmployeeTest, ASaveThatFailsAtAPayRowStoresNoneOfIt)
{
    Open();
    GoTo(kIvan);
    AllowChanges();
    window->bEditClick(nullptr);
    DM->tblEmployee->Edit();
    Set(DM->tblEmployee, "job", QStringLiteral("Старши монтьор"));
    TDaoTable* payments = DM->tblEmployeePayment;
    payments->Append();
    Set(payments, "work", QStringLiteral("Смяна на гуми"));
    Set(payments, "payment", 24);
    TDaoTable* work = DM->tblEmployeeWork;
    work->Append();
    Set(work, "payment", 900);
    ASSERT_EQ(DM->tblEmployee->State(), dsEdit);
    Execute(QStringLiteral("CREATE TRIGGER refuse BEFORE INSERT ON employee_working BEGIN SELECT RAISE(ABORT, 'no'); END"));
    window->bSaveClick(nullptr);
    Execute(QStringLiteral("DROP TRIGGER refuse"));
    EXPECT_TRUE(Shown(QStringLiteral("Поради възникнала грешка,\rданните не бяха записани !")));
    EXPECT_EQ(Rows(QStringLiteral("SELECT job FROM employee WHERE id = 1")), (TRows{{"Монтьор"}}));
    EXPECT_EQ(Scalar(QStringLiteral("SELECT count(*) FROM employee_payment")), 1);
    EXPECT_EQ(Scalar(QStringLiteral("SELECT count(*) FROM employee_working")), 1);
    for (TDataSet* rows : {static_cast<TDataSet*>(DM->tblEmployee), static_cast<TDataSet*>(payments),
                           static_cast<TDataSet*>(work)})
        EXPECT_EQ(rows->State(), dsBrowse) << rows->objectName().toStdString();
    EXPECT_EQ(DM->tblEmployee->FieldByName(QStringLiteral("job"))->AsString(), QStringLiteral("Монтьор"));
}

TEST_F(EmployeeTest, ANewPaymentRowTakesTheSettingsCashBox)
{
    for (const char* box : {"1", "2"}) {
        SCOPED_TRACE(box);
        Open();
        fSetings->cbxCashBoxNum->SetText(QString::fromLatin1(box));
        NewPayment(kMaria);
        Set(DM->tblEmployeePayment, "work", QStringLiteral("Почистване"));
        Set(DM->tblEmployeePayment, "payment", 15.0);
        DM->tblEmployeeWork->Append();
        Set(DM->tblEmployeeWork, "payment", 600.0);
        window->bSaveClick(nullptr);
        EXPECT_EQ(Rows(QStringLiteral("SELECT employee_id, cashbox_num FROM employee_payment WHERE work = 'Почистване'")),
                  (TRows{{"2", QString::fromLatin1(box)}}));
        EXPECT_EQ(Rows(QStringLiteral("SELECT employee_id, cashbox_num FROM employee_working WHERE payment = 600")),
                  (TRows{{"2", QString::fromLatin1(box)}}));
        Execute(QStringLiteral("DELETE FROM employee_payment WHERE id > 1; DELETE FROM employee_working WHERE id > 1"));
        DM->tblEmployeePayment->Requery();
        DM->tblEmployeeWork->Requery();
    }
}

// --- the pay rule --------------------------------------------------------------------------------

struct PayCase {
    const char* name;
    double price;
    std::optional<double> payment;
    const char* percent;
    bool byPercent;
    bool messages;
    bool warnings;
    TModalResult answer;  // mrNone: no question expected
    const char* left;
    double stored;
};

class PayRuleTest : public EmployeeTest, public ::testing::WithParamInterface<PayCase> {};

TEST_P(PayRuleTest, TheWorkPriceColumnLeftFillsThePayment)
{
    const PayCase& c = GetParam();
    Open();
    fSetings->cbMessages->SetChecked(c.messages);
    fSetings->cbWarnings->SetChecked(c.warnings);
    window->edUpDelivery->SetText(QString::fromLatin1(c.percent));
    window->cbUpDelivery->SetChecked(c.byPercent);
    const QString question = QStringLiteral("Искате ли плащането да е \r40% от цента на извършената работа ?");
    if (c.answer != mrNone) host_.AnswerQuestion(question, c.answer);

    NewPayment(kMaria);
    Set(DM->tblEmployeePayment, "work", QString::fromUtf8(c.name));
    Set(DM->tblEmployeePayment, "work_price", c.price);
    if (c.payment) Set(DM->tblEmployeePayment, "payment", *c.payment);
    window->DBGrid3->SetSelectedField(DM->tblEmployeePayment->FieldByName(QString::fromLatin1(c.left)));
    ASSERT_EQ(window->DBGrid3->SelectedField()->FieldName(), QString::fromLatin1(c.left));
    app::PaymentChanged = true;
    window->DBGrid3->SetSelectedIndex(window->DBGrid3->SelectedIndex() == 3 ? 0 : 3);

    EXPECT_FALSE(app::PaymentChanged);
    EXPECT_EQ(Shown(QStringLiteral("Искате ли плащането да е")), c.answer != mrNone);
    EXPECT_EQ(Scalar(QStringLiteral("SELECT ROUND(payment * 100) FROM employee_payment WHERE work = '%1'")
                         .arg(QString::fromUtf8(c.name))),
              qint64(c.stored * 100 + 0.5));
}

INSTANTIATE_TEST_SUITE_P(
    EmployeeTest, PayRuleTest,
    ::testing::Values(PayCase{"a", 250, std::nullopt, "40", true, true, true, mrNone, "work_price", 100},
                      PayCase{"b", 33.33, std::nullopt, "40", true, true, true, mrNone, "work_price", 13.33},
                      PayCase{"c", 250, 0.0, "40", true, true, true, mrNone, "work_price", 100},
                      PayCase{"d", 250, 50.0, "40", true, true, true, mrYes, "work_price", 100},
                      PayCase{"e", 250, 50.0, "40", true, true, true, mrNo, "work_price", 50},
                      PayCase{"f", 250, 50.0, "40", true, false, true, mrYes, "work_price", 100},
                      PayCase{"g", 250, 50.0, "40", true, false, false, mrNone, "work_price", 100},
                      PayCase{"h", 250, std::nullopt, "40", false, true, true, mrNone, "work_price", 0},
                      PayCase{"i", 250, std::nullopt, "", true, true, true, mrNone, "work_price", 0},
                      PayCase{"j", 250, std::nullopt, "40", true, true, true, mrNone, "work", 0}));

// --- the picker of sold work ---------------------------------------------------------------------

TEST_F(EmployeeTest, ThePickerListsOnlySoldLinesByItsRadios)
{
    Open();
    NewPayment(kMaria);
    window->DBGrid3EditButtonClick(nullptr);
    ASSERT_TRUE(fArticlesWork->isVisible());
    EXPECT_TRUE(fArticlesWork->RadioButton2->Checked());
    EXPECT_EQ(PickerCodes(), (QStringList{"T004", "T001"}));
    fArticlesWork->RadioButton1->SetChecked(true);
    EXPECT_EQ(PickerCodes(), (QStringList{"M004", "M001"}));
    fArticlesWork->RadioButton3->SetChecked(true);
    EXPECT_EQ(PickerCodes(), (QStringList{"M004", "T004", "M001", "T001"}));
    fArticlesWork->RadioButton2->SetChecked(true);
    EXPECT_EQ(PickerCodes(), (QStringList{"T004", "T001"}));
    fArticlesWork->tbxSearchValue->SetText(QStringLiteral("смяна на м"));
    EXPECT_EQ(Get(DM->tblQueryEmploeeWork, "article_code"), QStringLiteral("T001"));
    fArticlesWork->tbxArtNom->SetText(QStringLiteral("T004"));
    EXPECT_EQ(Get(DM->tblQueryEmploeeWork, "article_code"), QStringLiteral("T004"));
    fArticlesWork->Close();
}

TEST_F(EmployeeTest, ThePickerPrintsTheSoldLinesItLists)
{
    Open();
    NewPayment(kMaria);
    window->DBGrid3EditButtonClick(nullptr);
    ASSERT_TRUE(fArticlesWork->FlatButton1->Enabled());
    CreateReportTemplates(*application_);
    PrintFromTheNextPreview(host_);
    fArticlesWork->FlatButton1->Click();
    fArticlesWork->Close();
    const QString text = LastPrintout(host_);
    for (const char* part : {"Артикул код", "Име на артикул", "Поръчка No", "Смяна на ангренажен ремък",
                             "Смяна на масло", "33.33"})
        EXPECT_TRUE(text.contains(QString::fromUtf8(part))) << part << "\n" << text.toStdString();
    // Material lines, and work of orders never sold, are not listed.
    for (const char* part : {"Масло 5W40", "Ремонт на спирачки", "Диагностика"})
        EXPECT_FALSE(text.contains(QString::fromUtf8(part))) << part;
}

TEST_F(EmployeeTest, APickFillsTheRowInOneStepAndLeavesItUnposted)
{
    Open();
    NewPayment(kMaria);
    window->DBGrid3EditButtonClick(nullptr);
    ASSERT_TRUE(DM->tblQueryEmploeeWork->Locate(QStringLiteral("article_code"), QStringLiteral("T004"), {}));
    host_.AnswerQuestion(QStringLiteral("Искате ли да промените стойността на \rплащането"), mrYes);
    fArticlesWork->FlatButton2Click(nullptr);
    EXPECT_FALSE(fArticlesWork->isVisible());
    TDataSet* payments = DM->tblEmployeePayment;
    EXPECT_EQ(payments->State(), dsInsert);
    EXPECT_EQ(Get(payments, "work"), QStringLiteral("Смяна на ангренажен ремък"));
    EXPECT_EQ(payments->FieldByName(QStringLiteral("work_price"))->AsFloat(), 33.33);
    EXPECT_EQ(payments->FieldByName(QStringLiteral("payment"))->AsFloat(), 13.33);
    EXPECT_FALSE(app::PaymentChanged);
    EXPECT_FALSE(payments->ControlsDisabled());
    EXPECT_EQ(Count("employee_payment"), 1);
    window->bSaveClick(nullptr);
    EXPECT_EQ(Rows(QStringLiteral("SELECT employee_id, work_price, payment FROM employee_payment WHERE id > 1")),
              (TRows{{"2", "33.33", "13.33"}}));
}

TEST_F(EmployeeTest, APickWithAnEmptyPercentLeavesThePayment)
{
    Open();
    NewPayment(kMaria);
    Set(DM->tblEmployeePayment, "payment", 12.0);
    window->edUpDelivery->SetText(QString());
    window->DBGrid3EditButtonClick(nullptr);
    ASSERT_TRUE(DM->tblQueryEmploeeWork->Locate(QStringLiteral("article_code"), QStringLiteral("T001"), {}));
    fSetings->cbMessages->SetChecked(false);
    fSetings->cbWarnings->SetChecked(false);
    fArticlesWork->FlatButton2Click(nullptr);
    TDataSet* payments = DM->tblEmployeePayment;
    EXPECT_EQ(Get(payments, "work"), QStringLiteral("Смяна на масло"));
    EXPECT_EQ(payments->FieldByName(QStringLiteral("work_price"))->AsFloat(), 250.0);
    EXPECT_EQ(payments->FieldByName(QStringLiteral("payment"))->AsFloat(), 12.0);
    EXPECT_FALSE(app::PaymentChanged);
    EXPECT_FALSE(payments->ControlsDisabled());
    EXPECT_TRUE(host_.Shown().empty());
}

TEST_F(EmployeeTest, APickAfterMovingToAnotherRowWritesNothing)
{
    Open();
    GoTo(kIvan);
    window->DBGrid3EditButtonClick(nullptr);
    EXPECT_EQ(fArticlesWork->tbxSearchValue->Text(), QStringLiteral("Смяна на масло"));
    // The picker does not block: the user goes to another employee's new row meanwhile.
    NewPayment(kMaria);
    ASSERT_TRUE(DM->tblQueryEmploeeWork->Locate(QStringLiteral("article_code"), QStringLiteral("T004"), {}));
    host_.AnswerQuestion(QStringLiteral("плащането за извършената работа"), mrYes);
    fArticlesWork->FlatButton2Click(nullptr);
    EXPECT_FALSE(fArticlesWork->isVisible());
    EXPECT_TRUE(Get(DM->tblEmployeePayment, "work").isEmpty());
    DM->tblEmployeePayment->Cancel();
    EXPECT_EQ(Rows(QStringLiteral("SELECT work, work_price, payment FROM employee_payment")),
              (TRows{{"Смяна на масло", "50.0", "20.0"}}));

    // Closing the staff window closes the picker.
    window->DBGrid3EditButtonClick(nullptr);
    ASSERT_TRUE(fArticlesWork->isVisible());
    TCloseAction action = caHide;
    window->FormClose(window, action);
    EXPECT_FALSE(fArticlesWork->isVisible());
}

// With nothing sold to pick from, "&Избор" writes nothing into the payment row, so "&Запис"
// stores the row as it was.
TEST_F(EmployeeTest, APickFromAnEmptyListWritesNothing)
{
    Execute(QStringLiteral("DELETE FROM sale_detail"));
    Open();
    GoTo(kIvan);
    fSetings->cbMessages->SetChecked(true);
    window->DBGrid3EditButtonClick(nullptr);
    ASSERT_TRUE(fArticlesWork->isVisible());
    ASSERT_TRUE(DM->tblQueryEmploeeWork->IsEmpty());
    host_.ClearShown();
    host_.AnswerQuestion(QStringLiteral("плащането за извършената работа"), mrYes);
    QTest::mouseClick(fArticlesWork->FlatButton2, Qt::LeftButton);
    EXPECT_FALSE(Shown(QStringLiteral("плащането за извършената работа")));
    EXPECT_EQ(DM->tblEmployeePayment->State(), dsBrowse);
    EXPECT_EQ(Get(DM->tblEmployeePayment, "work"), QStringLiteral("Смяна на масло"));
    EXPECT_FALSE(DM->tblEmployeePayment->ControlsDisabled());
    fArticlesWork->Close();
    window->bSaveClick(nullptr);
    EXPECT_EQ(Rows(QStringLiteral("SELECT work, work_price, payment FROM employee_payment")),
              (TRows{{"Смяна на масло", "50.0", "20.0"}}));
}

// --- deletes --------------------------------------------------------------------------------------

TEST_F(EmployeeTest, AnEmployeeWithRowsIsNeverDeleted)
{
    AllowChanges();
    Open();
    GoTo(kIvan);
    window->bDelClick(nullptr);
    EXPECT_TRUE(Shown(QStringLiteral("Не може да премахнете записа на този служител,\rпреди да изтриете данните")));
    EXPECT_EQ(Count("employee"), 3);

    GoTo(kMaria);
    host_.ClearShown();
    host_.AnswerQuestion(QStringLiteral("Внимание всички данни за този служител ще бъдат"), mrYes);
    window->bDelClick(nullptr);
    EXPECT_EQ(Count("employee", QStringLiteral("employee_name = 'Мария Иванова'")), 0);
    EXPECT_EQ(Count("employee"), 2);
    EXPECT_EQ(window->cbxNames->count(), 2);
}

TEST_F(EmployeeTest, WithoutTheChangeSettingNoEmployeeIsDeleted)
{
    Open();
    EXPECT_FALSE(window->bDel->isEnabled());
    GoTo(kMaria);
    window->bDelClick(nullptr);
    EXPECT_TRUE(host_.Shown().empty());
    EXPECT_EQ(Count("employee"), 3);
}

TEST_F(EmployeeTest, APaymentRowIsDeletedOnYes)
{
    Open();
    GoTo(kIvan);
    host_.AnswerQuestion(QStringLiteral("Текущият ред от таблицата ще бъде премахнат !"), mrNo);
    window->N2->Click();
    EXPECT_EQ(Count("employee_payment"), 1);
    host_.AnswerQuestion(QStringLiteral("Текущият ред от таблицата ще бъде премахнат !"), mrYes);
    window->N2->Click();
    EXPECT_EQ(Count("employee_payment"), 0);
    host_.AnswerQuestion(QStringLiteral("Текущият ред от таблицата ще бъде премахнат !"), mrYes);
    window->N1->Click();
    EXPECT_EQ(Count("employee_working"), 0);
}

// --- keys and the date overlay ------------------------------------------------------------------

TEST_F(EmployeeTest, TheReportsPrintEveryBaseSalaryOrTheRowsOfEitherGrid)
{
    Execute(QStringLiteral("INSERT INTO employee_working (employee_id, cashbox_num, seller_id, absence_days, "
                           "absence_reason, payment, payed, deleted) VALUES (2, 1, 1, 0, 'отпуск', 650, -1, 0)"));
    DM->EmployeeWorkRep->Close();
    Open();
    CreateReportTemplates(*application_);
    GoTo(kIvan);
    const struct {
        TFlatButton* TfEmployee::*button;
        std::vector<const char*> printed;
        std::vector<const char*> left;
    } cases[] = {
        // Every employee's base salary, from the report's own dataset.
        {&TfEmployee::FlatButton1, {"От дата", "Брой дни", "Платено от", "800", "650"}, {"болничен"}},
        {&TfEmployee::FlatButton2, {"Начална дата", "Причина за отсъствие", "болничен", "800"}, {"отпуск", "650"}},
        {&TfEmployee::FlatButton3, {"Дата", "Работа", "Цена на раб.", "Смяна на масло"}, {"болничен"}},
    };
    for (const auto& c : cases) {
        TFlatButton* button = window->*c.button;
        SCOPED_TRACE(button->objectName().toStdString());
        EXPECT_TRUE(button->Enabled());
        const int printedBefore = int(host_.PrintedFiles().size());
        PrintFromTheNextPreview(host_);
        button->Click();
        ASSERT_EQ(int(host_.PrintedFiles().size()), printedBefore + 1);
        const QString text = LastPrintout(host_);
        for (const char* part : c.printed)
            EXPECT_TRUE(text.contains(QString::fromUtf8(part))) << part << "\n" << text.toStdString();
        for (const char* part : c.left) EXPECT_FALSE(text.contains(QString::fromUtf8(part))) << part;
    }
    EXPECT_TRUE(DM->EmployeeWorkRep->Active());
}

TEST_F(EmployeeTest, TheStartDateOverlayRefusesAnImpossibleDate)
{
    AllowChanges();
    Open();
    GoTo(kMaria);
    window->bEditClick(nullptr);
    const TModalResult result = OpenWindow("fEmployee", [&](TForm&) {
        window->DBEdit4->SetFocus();
        window->DBEdit4Enter(window->DBEdit4);
        EXPECT_TRUE(window->MaskEdit1->isVisible());
        EXPECT_EQ(window->MaskEdit1->geometry(), window->DBEdit4->geometry());
        window->MaskEdit1->SetText(QStringLiteral("31/02/2005"));
        window->MaskEdit1Exit(window->MaskEdit1);
        EXPECT_TRUE(Shown(QStringLiteral("Невалидна дата !")));
        EXPECT_TRUE(window->MaskEdit1->isVisible());
        EXPECT_TRUE(window->MaskEdit1->hasFocus());
        window->MaskEdit1->SetText(QStringLiteral("15/03/2005"));
        window->MaskEdit1Exit(window->MaskEdit1);
        EXPECT_FALSE(window->MaskEdit1->isVisible());
        // Esc in an edit closes the window.
        QTest::keyClick(window->DBEdit9, Qt::Key_Escape);
        return mrNone;
    });
    EXPECT_EQ(result, mrCancel);
    EXPECT_EQ(Rows(QStringLiteral("SELECT start_date FROM employee WHERE id = 2")),
              (TRows{{QString::number(QDateToDateTime(QDate(2005, 3, 15)), 'f', 1)}}));
}

TEST_F(EmployeeTest, AMinusNeverReachesAPaymentCell)
{
    Open();
    GoTo(kIvan);
    for (const char* field : {"payment", "work"}) {
        window->DBGrid3->SetSelectedField(DM->tblEmployeePayment->FieldByName(QString::fromLatin1(field)));
        QChar key = QLatin1Char('-');
        window->PaymentKeyPress(window->DBGrid3, key);
        EXPECT_EQ(key.isNull(), QLatin1String(field) == QLatin1String("payment")) << field;
    }
    int key = Qt::Key_Tab;
    window->EscapeKeyDown(window->DBGrid3, key, Qt::NoModifier);
    EXPECT_EQ(key, 0);
}

// --- the pay percent in the settings file ---------------------------------------------------------

TEST_F(EmployeeTest, ThePayPercentIsKeptInTheSettingsFile)
{
    QByteArray bytes = SettingsBytes();
    ASSERT_TRUE(bytes.contains("UpEmploee=40"));
    bytes.replace("UpEmploee=40", "UpEmploee=25");
    WriteSettings(bytes);
    fPasswordDlg->FormShow(fPasswordDlg);
    EXPECT_EQ(window->edUpDelivery->Text(), QStringLiteral("25"));
    window->edUpDelivery->SetText(QStringLiteral("30"));
    fPasswordDlg->SaveSettings();
    EXPECT_TRUE(SettingsBytes().contains("UpEmploee=30\r\n"));
    EXPECT_FALSE(SettingsBytes().contains("UpEmploee=25"));
}

// --- money out of the cash box --------------------------------------------------------------------

TEST_F(EmployeeTest, ATodaysPaymentCountsInTheSettingsCashBox)
{
    Open();
    fSetings->cbxCashBoxNum->SetText(QStringLiteral("2"));
    NewPayment(kMaria);
    Set(DM->tblEmployeePayment, "payment_date", TVariant(Date()));
    Set(DM->tblEmployeePayment, "work", QStringLiteral("Диагностика"));
    Set(DM->tblEmployeePayment, "payment", 35.5);
    window->bSaveClick(nullptr);

    TDaoTable* cash = DM->tblCashEPayment;
    const QString today = QDate::currentDate().toString(QStringLiteral("dd/MM/yyyy"));
    const QString tomorrow = QDate::currentDate().addDays(1).toString(QStringLiteral("dd/MM/yyyy"));
    for (const char* box : {"2", "1"}) {
        cash->Close();
        cash->QueryDefParameters().Clear();
        for (const QString& value : {QString::fromLatin1(box), today, tomorrow}) cash->QueryDefParameters().Add(value);
        cash->Open();
        QStringList found;
        for (cash->First(); !cash->Eof(); cash->Next())
            found << Get(cash, "employee_name") + QLatin1Char('/') + Get(cash, "work") + QLatin1Char('/') +
                         Get(cash, "payment");
        EXPECT_EQ(found, QLatin1String(box) == QLatin1String("2")
                             ? QStringList{QStringLiteral("Мария Иванова/Диагностика/35.5")}
                             : QStringList())
            << box;
    }
}

// The base-salary grid has no payment date, and the work grid's may be left empty: such rows
// are paid today, and today's cash box counts them.
TEST_F(EmployeeTest, RowsStoredWithoutAPaymentDateArePaidTodayFromTheCashBox)
{
    Open();
    fSetings->cbxCashBoxNum->SetText(QStringLiteral("3"));
    NewPayment(kMaria);
    Set(DM->tblEmployeePayment, "work", QStringLiteral("Диагностика"));
    Set(DM->tblEmployeePayment, "payment", 35.5);
    DM->tblEmployeeWork->Append();
    Set(DM->tblEmployeeWork, "payment", 600.0);
    window->bSaveClick(nullptr);
    const QString today = QString::number(Date(), 'f', 1);
    EXPECT_EQ(Rows(QStringLiteral("SELECT payment_date, payed FROM employee_payment WHERE work = 'Диагностика'")),
              (TRows{{today, "-1"}}));
    EXPECT_EQ(Rows(QStringLiteral("SELECT payment_date, payed FROM employee_working WHERE payment = 600")),
              (TRows{{today, "-1"}}));
    fCasheBox->bDailyClick(nullptr);
    EXPECT_EQ(fCasheBox->dbePaymentSum->Text(), QStringLiteral("35.50"));
    EXPECT_EQ(fCasheBox->dbeWorkSum->Text(), QStringLiteral("600.00"));
}

// --- a look at it ----------------------------------------------------------------------------------

// With CARVANTEL_SCREENSHOT set, the window (editing the employee with rows) and the picker
// are kept as pictures there.
TEST_F(EmployeeTest, TheWindowAsANewUserSeesIt)
{
    AllowChanges();
    const QString keep = qEnvironmentVariable("CARVANTEL_SCREENSHOT");
    host_.OnForm(QStringLiteral("fEmployee"), [&](TForm&) {
        GoTo(kIvan);
        window->bEditClick(nullptr);
        window->DBGrid3EditButtonClick(nullptr);
        TApplication::ProcessMessages();
        EXPECT_EQ(ClippedCaptions(window), QStringList());
        EXPECT_EQ(ClippedCaptions(fArticlesWork), QStringList());
        EXPECT_TRUE(window->lblEditing->isVisible());
        EXPECT_EQ(window->cbxNames->Text(), kIvan);
        if (!keep.isEmpty()) {
            window->grab().save(keep + QStringLiteral(".employee.png"));
            fArticlesWork->RadioButton3->SetChecked(true);
            fArticlesWork->grab().save(keep + QStringLiteral(".articleswork.png"));
        }
        window->resize(1000, 760);
        QTest::qWait(50);
        EXPECT_EQ(window->DBGrid3->geometry().right(), window->gbPayment->width() - 9);
        if (!keep.isEmpty()) window->grab().save(keep + QStringLiteral(".employee-large.png"));
        return mrCancel;
    });
    fCarVantel->Employee1Click(nullptr);
    EXPECT_FALSE(fArticlesWork->isVisible());
}

}  // namespace
