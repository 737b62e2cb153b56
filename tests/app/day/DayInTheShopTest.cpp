// A working day of a shop on one fresh database, through the windows as a person works them:
// first start, own firm, store and a delivery, three orders (an invoice, one refused for short
// stock then finished and paid, one annulled), a mechanic's pay, the cash box and the reports,
// then the exit. Afterwards the database file and every printout are read past the program and
// held against figures worked out by hand.
//
// With CARVANTEL_DAY_SHOTS naming a folder, every window used is kept there as a picture, named
// by its step, together with the PDFs.

#include "app/windows/ProgramFixture.h"
#include "app/windows/StockOrderFixture.h"

#include "app/reports/URep.h"
#include "app/reports/uUniversalReport.h"
#include "app/windows/uArticlesWork.h"
#include "app/windows/uCars.h"
#include "app/windows/uCasheBox.h"
#include "app/windows/uCashFinish.h"
#include "app/windows/uClients.h"
#include "app/windows/uDebit.h"
#include "app/windows/uDeliverySearchForm.h"
#include "app/windows/uDeliverySearchResult.h"
#include "app/windows/uEmployee.h"
#include "app/windows/uFirmSet.h"
#include "app/windows/uSearch.h"
#include "app/windows/uSearchForm.h"
#include "app/windows/uSearchResult.h"
#include "app/windows/uStorage.h"
#include "controls/Viewcomb.h"
#include "platform/report/ReportPreview.h"
#include "platform/toolkit/gui/DBGrid.h"
#include "platform/toolkit/gui/TreeView.h"
#include "support/RunTool.h"

#include <QDate>
#include <QDir>
#include <QLineEdit>
#include <QTest>
#include <map>

// Rows as a failed check prints them.
inline void PrintTo(const QStringList& row, std::ostream* out) { *out << row.join(QLatin1Char('|')).toStdString(); }

namespace {

// --- the day's figures, worked out by hand ------------------------------------------------------
//
// Delivery in USD at 1.5 with VAT 20 %, paid from cash box 1:
//   filter 10 x 10 + oil 20 x 8 + pads 2 x 30 + labour 1000 x 0 = 320; x 1.5 = 480.00; VAT 96.00.
// Order 1 (invoice 1): filter 2 x 25 less 10 % = 45.00; oil 4 x 18 = 72.00; labour 1.5 x 40 =
//   60.00; net 177.00, VAT 35.40, total 212.40, unpaid.
// Order 2: pads 3 asked of 2 (refused), then 2 x 70 = 140.00, VAT 28.00, total 168.00, paid.
// Order 3: one filter, annulled: out of stock, cash and profit.
// Stock left: filter 10 - 2 = 8, oil 20 - 4 = 16, pads 2 - 2 = 0, labour 1000 - 1.5 = 998.5.
// Pay: 40 % of the labour line's 60.00 = 24.00; base salary 300.
// Cash box 1: takings 1000 + paid orders 168 = 1168 in; payments 30 + delivery 576 + pay 24 +
//   wages 300 = 930 out; old balance 0, new 238.00.
// Profit (net sale less delivery price x quantity, annulled left out):
//   45 - 20 + 72 - 32 + 60 - 0 + 140 - 60 = 205.00.

struct TLotFigure {
    const char* code;
    const char* name;
    const char* unit;
    double deliveryPrice;
    double quantity;
    double salePrice;
    bool labour;
    double left;  // in stock at the end of the day
};
const TLotFigure kLots[] = {
    {"F100", "Маслен филтър", "бр.", 10, 10, 25, false, 8},
    {"M200", "Масло 5W30", "л", 8, 20, 18, false, 16},
    {"B300", "Накладки предни", "к-т", 30, 2, 70, false, 0},
    {"S400", "Смяна на масло", "ч.", 0, 1000, 40, true, 998.5},
};
enum TLot { kFilter = 1, kOil = 2, kPads = 3, kLabour = 4 };

const QString kFirm = QStringLiteral("Вантел Сервиз ООД");
const QString kSupplier = QStringLiteral("Авточасти Импорт ООД");
const QString kCar = QStringLiteral("CA1234AB");
const QString kClient = QStringLiteral("Георги Георгиев");
const QString kMechanic = QStringLiteral("Стоян Петров");

// The rows the day adds to the template, table by table; every other table keeps the template's.
const std::map<QString, int> kRowsAdded = {
    {"myfirm", 1},           {"store", 1},   {"delivery", 1}, {"delivery_detail", 4}, {"sale", 3},
    {"sale_detail", 5},      {"car", 1},     {"client", 1},   {"employee", 1},        {"employee_payment", 1},
    {"employee_working", 1}, {"takings", 1}, {"give_in", 1},  {"cashbox", 1},         {"logs", 1},
    {"seller", 1},
};

// A date written another way than the shop's dd.MM.yyyy: with slashes or dashes.
const QRegularExpression kOtherDateForm(QStringLiteral("\\b\\d{1,2}[/-]\\d{1,2}[/-]\\d{2,4}\\b"));

// What `window` shows that reads as a date written another way: its labels, its boxes (not the
// date edits, whose mask their windows give them) and the cells of its grids.
QStringList DatesInAnotherForm(QWidget& window)
{
    QStringList shown;
    for (const QLabel* label : window.findChildren<QLabel*>()) shown << label->text();
    for (const QLineEdit* box : window.findChildren<QLineEdit*>())
        if (box->inputMask().isEmpty()) shown << box->text();
    for (TDBGrid* grid : window.findChildren<TDBGrid*>())
        for (int row = 0; row < grid->model()->rowCount(); ++row)
            for (int column = 0; column < grid->model()->columnCount(); ++column)
                shown << grid->CellText(row, column, false);
    return shown.filter(kOtherDateForm);
}

// The text's lines that hold `part`, blanks squeezed.
QStringList LinesWith(const QString& text, const QString& part)
{
    QStringList lines;
    for (const QString& line : text.split(QLatin1Char('\n')))
        if (line.contains(part)) lines << line.simplified();
    return lines;
}

class DayInTheShopTest : public ProgramTest {
protected:
    void SetUp() override
    {
        ProgramTest::SetUp();
        shots_ = qEnvironmentVariable("CARVANTEL_DAY_SHOTS");
        if (!shots_.isEmpty()) QDir().mkpath(shots_);
    }
    void TearDown() override
    {
        if (fCarVantel) fCarVantel->Hide();
        ProgramTest::TearDown();
    }

    // --- the steps of the day ---------------------------------------------------------------

    void FirstStart();
    void OwnFirm();
    void StoreAndDelivery();
    void FirstOrder();
    void PrintFirstOrder();
    void SecondOrder();
    void ThirdOrderAnnulled();
    void MechanicsPay();
    void CashBox();
    void ProfitAndSearches();
    void StockLeft();
    void Exit();

    // --- read past the program afterwards ---------------------------------------------------

    void CheckRows();
    void CheckPrintouts();

    // --- helpers ---------------------------------------------------------------------------

    // A picture of the window as it stands, when pictures are asked for; every date the window
    // shows reads as the shop writes dates.
    void Shot(QWidget* window, const char* name) const
    {
        if (!window) return;
        TApplication::ProcessMessages();
        EXPECT_EQ(DatesInAnotherForm(*window).join(QLatin1Char('|')).toStdString(), "") << name;
        if (shots_.isEmpty()) return;
        const QString file = shots_ + QLatin1Char('/') + QString::fromLatin1(name) + QStringLiteral(".png");
        EXPECT_TRUE(window->grab().save(file)) << name;
    }
    // Keeps a printout under the day's name, and beside the pictures when they are asked for.
    QString Keep(const QString& file, const char* name)
    {
        const QString kept = Path(name);
        QFile::remove(kept);
        EXPECT_TRUE(QFile::copy(file, kept)) << name;
        if (!shots_.isEmpty()) {
            QFile::remove(shots_ + QLatin1Char('/') + QString::fromLatin1(name));
            QFile::copy(file, shots_ + QLatin1Char('/') + QString::fromLatin1(name));
        }
        return kept;
    }
    // Runs the action; the preview it opens saves itself as the named PDF.
    void PreviewTo(const char* name, const std::function<void()>& action)
    {
        const QString file = Path("preview.pdf");
        QFile::remove(file);
        host_.OnForm(QStringLiteral("ReportPreview"), [this, file, name](TForm& form) {
            Shot(&form, (QByteArray(name).chopped(4) + "-preview").constData());
            static_cast<TReportPreview&>(form).SaveToPdf(file);
            return mrOk;
        });
        action();
        host_.OnForm(QStringLiteral("ReportPreview"), [](TForm&) { return mrOk; }, 0);
        EXPECT_TRUE(QFile::exists(file)) << name;
        if (QFile::exists(file)) Keep(file, name);
        pdfs_ << name;
    }
    // The preview the action opens prints itself; the print run is kept under the name.
    void PrintTo(const char* name, const std::function<void()>& action)
    {
        const int before = int(host_.PrintedFiles().size());
        host_.OnForm(QStringLiteral("ReportPreview"), [](TForm& preview) {
            static_cast<TReportPreview&>(preview).PrintClick();
            return mrOk;
        });
        action();
        const QStringList printed = host_.PrintedFiles();
        ASSERT_EQ(int(printed.size()), before + 1) << name;
        Keep(printed.back(), name);
        pdfs_ << name;
    }
    // Typed key by key, as a person types.
    static void TypeInto(QWidget* edit, const QString& text) { TypeKeys(edit, text); }
    // Typed over what the edit shows: all of it selected first, Home then Shift+End.
    static void TypeOver(QWidget* edit, const QString& text)
    {
        edit->setFocus();
        QTest::keyClick(edit, Qt::Key_Home);
        QTest::keyClick(edit, Qt::Key_End, Qt::ShiftModifier);
        TypeKeys(edit, text);
    }
    static void Set(TDataSet* rows, const char* field, const TVariant& value)
    {
        rows->FieldByName(QString::fromLatin1(field))->SetAsVariant(value);
    }
    static QString Get(TDataSet* rows, const char* field)
    {
        return rows->FieldByName(QString::fromLatin1(field))->AsString();
    }
    static qint32 ShownOrder() { return DM->tblSale->FieldByName(QStringLiteral("id"))->AsInteger(); }
    static QString Totals()
    {
        return QStringList{fCarVantel->DBE_Sale_sum->Text(), fCarVantel->DBE_DDS->Text(), fCarVantel->DBE_Total->Text()}
            .join(QLatin1Char('|'));
    }

    // A new order, answered Yes.
    qint32 NewOrder()
    {
        host_.AnswerQuestion(QStringLiteral("Нова поръчка ?!"), mrYes);
        fCarVantel->Append1Click(nullptr);
        EXPECT_FALSE(app::OrderLocked);
        return ShownOrder();
    }
    // A new line of `quantity`, picked from the stock window: by its lot in the per-delivery
    // view, or by its article in the per-article view.
    void PickLine(double quantity, TLot lot, bool perArticle, const char* shot = nullptr)
    {
        TDBGrid* lines = fCarVantel->MyDBGrid1;
        lines->setFocus();
        QTest::keyClick(lines, Qt::Key_Insert, Qt::ControlModifier);
        ASSERT_EQ(DM->tblSaleDetail->State(), dsInsert);
        host_.OnForm(QStringLiteral("fSearch"), [this, lot, perArticle, shot](TForm& form) {
            if (perArticle) {
                fSearch->rbtFiFo->SetChecked(true);
                EXPECT_EQ(DM->srcArticleTotalQuery->DataSet(), DM->tblFiFoQuery);
                if (!GoTo(DM->tblFiFoQuery, "article_code", QString::fromLatin1(kLots[lot - 1].code))) {
                    ADD_FAILURE() << "no article " << kLots[lot - 1].code;
                    return mrCancel;
                }
            } else {
                fSearch->rbtAllDelivery->SetChecked(true);
                if (!GoTo(DM->tblArticleTotalQuery, "delivery_detail_id", QString::number(lot))) {
                    ADD_FAILURE() << "no lot " << lot;
                    return mrCancel;
                }
            }
            if (shot) Shot(&form, shot);
            fSearch->bYesClick(nullptr);
            return mrNone;
        });
        fCarVantel->MyDBGrid1EditButtonClick(nullptr);
        // The pick gives the line one; any other quantity is typed over it.
        if (quantity != 1) ChangeLine("sale_quantity", quantity);
    }
    static bool GoTo(TDataSet* rows, const char* field, const QString& value)
    {
        for (rows->First(); !rows->Eof(); rows->Next())
            if (Get(rows, field) == value) return true;
        return false;
    }
    // The current line's cell typed over; the line is written when it is left, as a new line,
    // a move to another line or the finish leaves it.
    static void ChangeLine(const char* field, double value)
    {
        TypeIntoCell(fCarVantel->MyDBGrid1, DM->tblSaleDetail->FieldByName(QString::fromLatin1(field)),
                     QString::number(value));
        EXPECT_EQ(Get(DM->tblSaleDetail, field), QString::number(value)) << field;
    }
    // The payment kind chosen in its combo.
    static void ChoosePayment(int item)
    {
        TDBComboBox* kind = fCarVantel->DBC_tax_kind;
        kind->setFocus();
        kind->setCurrentIndex(item);
        emit kind->activated(item);
        fCarVantel->dbeCarNumber->setFocus();
    }
    void GoToOrder(qint32 id)
    {
        ShowOrder(id);
    }

    QString shots_;
    QStringList pdfs_;
    qint32 order1_ = 0, order2_ = 0, order3_ = 0;
};

// --- 1. first start -------------------------------------------------------------------------

void DayInTheShopTest::FirstStart()
{
    // The start copied the template: an empty shop with its one operator.
    ASSERT_TRUE(FileExists(Path("CarVantel.mdb")));
    EXPECT_EQ(Scalar(QStringLiteral("SELECT count(*) FROM sale")), 0);
    LoginAsAdministrator();
    EXPECT_EQ(Scalar(QStringLiteral("SELECT count(*) FROM seller")), 1);
    CreateReportTemplates(*application_);
    fCarVantel->Show();
    Shot(fCarVantel, "01-main-empty");

    host_.AnswerQuestion(QStringLiteral("В този режим"), mrYes);
    fSetings->cbChangeSaleData->SetChecked(true);
    for (TCheckBox* box : {fSetings->cbMessages, fSetings->cbWarnings, fSetings->cbAutoDPrint, fSetings->cbxDynamic,
                           fSetings->cbxShowUPayed, fSetings->cbxPayedOrNot, fSetings->cbAutoArchive})
        box->SetChecked(true);
    fSetings->cbxCashBoxNum->SetText(QStringLiteral("1"));
    fPasswordDlg->SaveSettings();
    for (const char* line : {"CurrentCasheBox=1\r\n", "Messages=Yes\r\n", "ShowUPayed=Yes\r\n", "UpEmploee=40\r\n"})
        EXPECT_TRUE(SettingsBytes().contains(line)) << line;
}

// --- 2. own firm, store, delivery -----------------------------------------------------------

void DayInTheShopTest::OwnFirm()
{
    host_.OnForm(QStringLiteral("fFirmSet"), [this](TForm& form) {
        TDaoTable* firms = DM->tblMyFirm;
        TDBGrid* grid = fFirmSet->DBGrid1;
        grid->setFocus();
        QTest::keyClick(grid, Qt::Key_Insert);
        EXPECT_EQ(firms->State(), dsInsert);
        const std::pair<const char*, QString> typed[] = {
            {"myfirm_name", kFirm},
            {"mol", QStringLiteral("Петър Петров")},
            {"address", QStringLiteral("София, бул. Витоша 10")},
            {"mytax_num", QStringLiteral("1112223330")},
            {"mybulstat", QStringLiteral("111222333")},
            {"phone", QStringLiteral("02 9876543")},
            {"DDS", QStringLiteral("20")},
            {"bank_name", QStringLiteral("Първа банка")},
            {"code_bank", QStringLiteral("FINVBGSF")},
            {"bank_account", QStringLiteral("BG18FINV91501014771636")},
        };
        for (const auto& [field, text] : typed) TypeIntoCell(grid, firms->FieldByName(QString::fromLatin1(field)), text);
        firms->Post();
        fFirmSet->cbxOnlyThis->SetChecked(true);
        Shot(&form, "02-firms");
        fFirmSet->bYes->Click();
        return mrNone;
    });
    fCarVantel->N10Click(nullptr);
    EXPECT_EQ(app::CurrentFirmId, 1);
    EXPECT_EQ(fSetings->eFirmName->Text(), kFirm);
    EXPECT_EQ(fCarVantel->DBTName->Caption(), kFirm);
}

void DayInTheShopTest::StoreAndDelivery()
{
    host_.OnForm(QStringLiteral("fStorage"), [this](TForm& form) {
        TfStorage& w = *fStorage;
        host_.AnswerQuestion(QStringLiteral("Трябва да създадете нов склад"), mrYes);
        w.bNewClick(&w);
        EXPECT_EQ(w.TreeView1->Items().Count(), 2);
        if (w.TreeView1->Items().Count() < 2) return mrCancel;
        w.TreeView1->SetSelected(w.TreeView1->Items().Item(1));

        host_.AnswerQuestion(QStringLiteral("Нова доставка за"), mrYes);
        w.bNewClick(&w);
        EXPECT_TRUE(w.Editing());
        EXPECT_TRUE(w.cDeliveryPiment->Checked());
        w.cbUpDelivery->SetChecked(false);

        // The header typed edit by edit, each left for the next; the invoice ticked with the space bar.
        form.activateWindow();
        EXPECT_TRUE(QTest::qWaitForWindowActive(&form));
        const QString today = DateToStr(Date());
        TypeOver(w.dbeSupplier, kSupplier);
        TypeOver(w.dbeCurrency, QStringLiteral("USD"));
        TypeOver(w.dbeCurrencyRate, QStringLiteral("1.5"));
        TypeOver(w.dbeDeliveryTax, QStringLiteral("20"));
        TypeOver(w.dbeDeliveryDate, today);
        w.dbcInvoice->setFocus();
        QTest::keyClick(w.dbcInvoice, Qt::Key_Space);
        EXPECT_TRUE(w.dbeInvoiceNum->isEnabled());
        TypeOver(w.dbeInvoiceNum, QStringLiteral("9001"));
        TypeOver(w.dbeInvoiceDate, today);

        TDaoTable* lines = DM->tblDeliveryDetail;
        for (const TLotFigure& lot : kLots) {
            w.DBGrid1->setFocus();
            QTest::keyClick(w.DBGrid1, Qt::Key_Insert, Qt::ControlModifier);
            EXPECT_EQ(lines->State(), dsInsert);
            const std::pair<const char*, QString> typed[] = {
                {"article_code", QString::fromLatin1(lot.code)},
                {"article_name", QString::fromUtf8(lot.name)},
                {"delivery_price", QString::number(lot.deliveryPrice)},
                {"delivery_quantity", QString::number(lot.quantity)},
                {"sale_price", QString::number(lot.salePrice)},
                {"dimention", QString::fromUtf8(lot.unit)},
            };
            for (const auto& [field, text] : typed) TypeIntoCell(w.DBGrid1, lines->FieldByName(QString::fromLatin1(field)), text);
            if (lot.labour) TypeIntoCell(w.DBGrid1, lines->FieldByName(QStringLiteral("service")), QStringLiteral("True"));
            lines->Post();
        }
        // The rate entered and left again shows the totals of the lines.
        w.dbeCurrencyRate->setFocus();
        w.DBGrid1->setFocus();
        EXPECT_EQ(w.dbeCurrencyValue->Text(), QStringLiteral("480.00"));
        EXPECT_EQ(w.dbeDeliveryTaxValue->Text(), QStringLiteral("96.00"));
        EXPECT_EQ(w.dbeDeliverySum->Text(), QStringLiteral("576.00"));
        Shot(&form, "02-delivery");

        host_.ClearShown();
        w.bAddClick(&w);
        EXPECT_TRUE(Shown(QStringLiteral("Доставката бе приключена !")));
        EXPECT_FALSE(w.Editing());
        return mrCancel;
    });
    fCarVantel->fbtStoreClick(nullptr);
}

// --- 3. the first order: an invoice -----------------------------------------------------------

void DayInTheShopTest::FirstOrder()
{
    order1_ = NewOrder();
    TypeInto(fCarVantel->dbeCarNumber, kCar);
    TypeInto(fCarVantel->dbcbMark->lineEdit(), QStringLiteral("Opel"));
    TypeInto(fCarVantel->dbeName, kClient);
    TypeInto(fCarVantel->dbePhone, QStringLiteral("0888123456"));
    EXPECT_TRUE(app::CarEdited);
    EXPECT_TRUE(app::ClientEdited);

    PickLine(2, kFilter, false, "03-stock-pick");
    ChangeLine("discount", 10);
    PickLine(4, kOil, true);
    PickLine(1.5, kLabour, false);
    // Up to the line above writes the labour line's quantity.
    QTest::keyClick(fCarVantel->MyDBGrid1, Qt::Key_Up);
    EXPECT_EQ(DM->tblSaleDetail->State(), dsBrowse);
    EXPECT_EQ(Totals(), QStringLiteral("177.00|35.40|212.40"));

    // The client first takes a pro-forma; its preview finishes the order on the way.
    ASSERT_EQ(fCarVantel->fbtView->Caption(), QStringLiteral("&Преглед проформа"));
    PreviewTo("03-pro-forma.pdf", [] { fCarVantel->fbtView->Click(); });
    EXPECT_TRUE(fCarVantel->cbxFinnished->Checked());
    EXPECT_TRUE(app::OrderLocked);

    // Then asks for an invoice: the order is opened again and finished as one.
    fCarVantel->Rollback1Click(nullptr);
    ASSERT_FALSE(app::OrderLocked);
    ChoosePayment(1);  // "по банка"
    fCarVantel->cbxInvoice->SetChecked(true);
    host_.AnswerQuestion(kToInvoice, mrYes);
    host_.ClearShown();
    fCarVantel->Commit1Click(nullptr);
    EXPECT_TRUE(Shown(kFinished)) << host_.Texts().join(QLatin1Char('|')).toStdString();
    EXPECT_TRUE(app::OrderLocked);
    EXPECT_EQ(fCarVantel->DBE_invoice_num->Text(), QStringLiteral("1"));
    EXPECT_EQ(Totals(), QStringLiteral("177.00|35.40|212.40"));
    Shot(fCarVantel, "03-order-finished");
}

void DayInTheShopTest::PrintFirstOrder()
{
    const int before = int(host_.PrintedFiles().size());
    host_.AnswerQuestion(QStringLiteral("Искате ли да се отпечати фактура и копието й ?"), mrYes);
    fCarVantel->fbtPrint->Click();
    const QStringList printed = host_.PrintedFiles().mid(before);
    ASSERT_EQ(printed.size(), 2);
    Keep(printed[0], "03-invoice-original.pdf");
    Keep(printed[1], "03-invoice-copy.pdf");
    pdfs_ << QStringLiteral("03-invoice-original.pdf") << QStringLiteral("03-invoice-copy.pdf");
    PreviewTo("03-order-sheet.pdf", [] { fCarVantel->fbtViewDelivery->Click(); });
    PreviewTo("03-work-task.pdf", [] { fCarVantel->fbtTask->Click(); });
    EXPECT_EQ(ShownOrder(), order1_);
}

// --- 4. the second order: short, mended, finished without invoice, paid ----------------------

void DayInTheShopTest::SecondOrder()
{
    order2_ = NewOrder();
    // The car and the client of the morning, picked from their lists.
    host_.OnForm(QStringLiteral("fCars"), [this](TForm& form) {
        fCars->tbxSearchValue->SetText(QStringLiteral("CA12"));
        Shot(&form, "04-cars");
        fCars->bYes->Click();
        return mrNone;
    });
    fCarVantel->fbtCarSearch->Click();
    host_.OnForm(QStringLiteral("fClients"), [this](TForm& form) {
        fClients->tbxSearchValue2->SetText(QStringLiteral("георги"));
        Shot(&form, "04-clients");
        fClients->bYes->Click();
        return mrNone;
    });
    fCarVantel->fbtClientSearch->Click();
    EXPECT_EQ(fCarVantel->dbeCarNumber->Text(), kCar);
    EXPECT_EQ(fCarVantel->dbeName->Text(), kClient);

    PickLine(1, kPads, false);
    ChangeLine("sale_quantity", 3);
    host_.ClearShown();
    fCarVantel->Commit1Click(nullptr);
    EXPECT_TRUE(Shown(kShort));
    EXPECT_FALSE(app::OrderLocked);
    EXPECT_FALSE(fCarVantel->cbxFinnished->Checked());
    Shot(fCarVantel, "04-order-short");

    ChangeLine("sale_quantity", 2);
    ChoosePayment(0);  // "в брой"
    host_.ClearShown();
    fCarVantel->Commit1Click(nullptr);
    EXPECT_TRUE(Shown(kFinished));
    EXPECT_FALSE(fCarVantel->cbxInvoice->Checked());
    EXPECT_EQ(Totals(), QStringLiteral("140.00|28.00|168.00"));
    fCarVantel->cbxPayed->SetChecked(true);
    Shot(fCarVantel, "04-order-paid");
    PreviewTo("04-pro-forma.pdf", [] { fCarVantel->fbtView->Click(); });
}

// --- 5. the third order: annulled ------------------------------------------------------------

void DayInTheShopTest::ThirdOrderAnnulled()
{
    order3_ = NewOrder();
    PickLine(1, kFilter, false);
    host_.AnswerQuestion(QStringLiteral("Искате ли да анулирате поръчката ?"), mrYes);
    host_.ClearShown();
    fCarVantel->fbtAnulaClick(nullptr);
    EXPECT_TRUE(Shown(QStringLiteral("Поръчката бе анулирана !")));
    EXPECT_TRUE(fCarVantel->cbxAnnul->Checked());
    Shot(fCarVantel, "05-order-annulled");
}

// --- 6. the mechanic and his pay ---------------------------------------------------------------

void DayInTheShopTest::MechanicsPay()
{
    host_.OnForm(QStringLiteral("fEmployee"), [this](TForm& form) {
        TfEmployee& w = *fEmployee;
        host_.AnswerQuestion(QStringLiteral("Искате ли да добавите нов служител ?"), mrYes);
        w.bYesClick(nullptr);
        TypeInto(w.DBEdit9, kMechanic);
        TypeInto(w.DBEdit5, QStringLiteral("Монтьор"));
        w.bSaveClick(nullptr);
        EXPECT_EQ(w.cbxNames->Text(), kMechanic);

        // The base salary paid today: the grid has no date column, the row is paid today.
        DM->tblEmployeeWork->Append();
        Set(DM->tblEmployeeWork, "payment", 300.0);
        DM->tblEmployeeWork->Post();

        w.edUpDelivery->SetText(QStringLiteral("40"));
        w.cbUpDelivery->SetChecked(true);
        DM->tblEmployeePayment->Append();
        Set(DM->tblEmployeePayment, "payment_date", TVariant(Date()));
        w.DBGrid3EditButtonClick(nullptr);
        EXPECT_TRUE(fArticlesWork->RadioButton2->Checked());
        EXPECT_TRUE(GoTo(DM->tblQueryEmploeeWork, "article_code", QStringLiteral("S400")));
        Shot(fArticlesWork, "06-sold-work");
        host_.AnswerQuestion(QStringLiteral("плащането"), mrYes);
        fArticlesWork->FlatButton2Click(nullptr);
        EXPECT_EQ(Get(DM->tblEmployeePayment, "work"), QStringLiteral("Смяна на масло"));
        EXPECT_EQ(DM->tblEmployeePayment->FieldByName(QStringLiteral("payment"))->AsFloat(), 24.0);
        w.bSaveClick(nullptr);
        Shot(&form, "06-employee");
        host_.AnswerQuestion(QStringLiteral("Искате ли да съхраните промените ?"), mrYes);
        return mrCancel;
    });
    fCarVantel->Employee1Click(nullptr);
}

// --- 7. the cash box, the reports, the searches, the stock ------------------------------------

void DayInTheShopTest::CashBox()
{
    host_.OnForm(QStringLiteral("fCasheBox"), [this](TForm& form) {
        TfCasheBox& box = *fCasheBox;
        box.bDailyClick(nullptr);
        EXPECT_TRUE(box.PeriodOpen());

        // A taking and a payment, each a new row typed into its grid; leaving the grid posts it.
        form.activateWindow();
        EXPECT_TRUE(QTest::qWaitForWindowActive(&form));
        const auto typeRow = [](TDBGrid* grid, const std::vector<std::pair<const char*, QString>>& typed) {
            grid->setFocus();
            QTest::keyClick(grid, Qt::Key_Insert);
            EXPECT_EQ(grid->DataSet()->State(), dsInsert) << grid->objectName().toStdString();
            for (const auto& [field, text] : typed)
                TypeIntoCell(grid, grid->DataSet()->FieldByName(QString::fromLatin1(field)), text);
        };
        typeRow(box.DBGridT1, {{"name", QStringLiteral("Иван Колев")}, {"take", QStringLiteral("1000")},
                               {"comment", QStringLiteral("аванс")}});
        typeRow(box.DBGridG1, {{"name", QStringLiteral("Електроснабдяване")}, {"give", QStringLiteral("30")},
                               {"comment", QStringLiteral("ток")}});
        box.DBGridT1->setFocus();
        EXPECT_EQ(DM->tblCashTakings->State(), dsBrowse);
        EXPECT_EQ(DM->tblCashGiveIn->State(), dsBrowse);
        // Typed money turns the closing off until the day is counted again.
        EXPECT_FALSE(box.bEnd->Enabled());
        box.bDaily->Click();
        EXPECT_TRUE(box.bEnd->Enabled());

        const QString shown = QStringList{box.dbeTakedTotalSum->Text(), box.dbeTotalSale->Text(),   box.dbeGiveTotal->Text(),
                                   box.dbeDeliveryTotal->Text(), box.dbePaymentSum->Text(),  box.dbeWorkSum->Text(),
                                   box.eTakeTotal->Text(),       box.eGiveTotal->Text(),     box.eOldBalance->Text(),
                                   box.eNewBalance->Text()}.join(QLatin1Char('|'));
        EXPECT_EQ(shown, QStringLiteral("1000.00|168.00|30.00|576.00|24.00|300.00|1168.00|930.00|0.00|238.00"));
        Shot(&form, "07-cash-box");

        PreviewTo("07-cash-journal.pdf", [&box] { box.bPrintClick(nullptr); });
        host_.AnswerQuestion(QStringLiteral("Искате ли да приключите периода"), mrYes);
        host_.ClearShown();
        box.bEnd->Click();
        EXPECT_TRUE(Shown(QStringLiteral("Периода бе приключен успешно !")));
        return mrCancel;
    });
    fCarVantel->fbtSafeClick(nullptr);

    // Opened again, the closed day shows what it closed with.
    host_.OnForm(QStringLiteral("fCasheBox"), [](TForm&) {
        TfCasheBox& box = *fCasheBox;
        box.bDailyClick(nullptr);
        EXPECT_EQ(QStringList({box.eTakeTotal->Text(), box.eGiveTotal->Text(), box.eOldBalance->Text(),
                               box.eNewBalance->Text()})
                      .join(QLatin1Char('|')),
                  QStringLiteral("1168.00|930.00|0.00|238.00"));
        EXPECT_TRUE(box.lblLastFinished->Caption().contains(QDate::currentDate().toString(QStringLiteral("dd.MM.yyyy"))))
            << box.lblLastFinished->Caption().toStdString();
        return mrCancel;
    });
    fCarVantel->fbtSafeClick(nullptr);

    host_.OnForm(QStringLiteral("fCashFinish"), [this](TForm& form) {
        TDataSet* closings = static_cast<TfCashFinish&>(form).DBGrid1->DataSet();
        EXPECT_EQ(closings->RecordCount(), 1);
        EXPECT_EQ(closings->FieldByName(QStringLiteral("All_calculation"))->AsFloat(), 238.0);
        Shot(&form, "07-cash-closings");
        return mrCancel;
    });
    fCarVantel->CashFinish1Click(nullptr);
}

void DayInTheShopTest::ProfitAndSearches()
{
    host_.OnForm(QStringLiteral("fDebit"), [this](TForm& form) {
        EXPECT_EQ(fDebit->DBE_sale_num->Text(), QStringLiteral("205.00"));
        EXPECT_EQ(DM->tblDebitQuery->RecordCount(), 4);
        Shot(&form, "07-profit");
        PrintTo("07-profit.pdf", [] { fDebit->bPrint->Click(); });
        return mrNone;
    });
    fCarVantel->N21Click(nullptr);

    // The annulled order on screen opens no search: the operator steps back to the paid one.
    fCarVantel->tbtPreviewsClick(nullptr);
    ASSERT_EQ(ShownOrder(), order2_);
    host_.OnForm(QStringLiteral("fSearchForm"), [this](TForm& form) {
        fSearchForm->bNewSearchClick(nullptr);
        fSearchForm->eInvoiceNum->SetText(QStringLiteral("1"));
        // The invoice is not paid yet: a new search looks for paid ones.
        fSearchForm->cInvoicePiment->SetChecked(false);
        Shot(&form, "07-sales-search");
        return mrYes;
    });
    host_.OnForm(QStringLiteral("fSearchResult"), [this](TForm& form) {
        EXPECT_EQ(fSearchResult->DBGrid1->DataSet()->RecordCount(), 1);
        Shot(&form, "07-sales-found");
        fSearchResult->bOK->Click();
        return mrNone;
    });
    fCarVantel->Find1Click(nullptr);
    EXPECT_EQ(ShownOrder(), order1_);
    EXPECT_EQ(fCarVantel->dbeCarNumber->Text(), kCar);
    EXPECT_EQ(Totals(), QStringLiteral("177.00|35.40|212.40"));
    EXPECT_EQ(DM->tblSaleDetail->RecordCount(), 3);
    EXPECT_TRUE(app::OrderLocked);

    // The stores window searches only while old data is not being changed.
    fSetings->cbChangeSaleData->SetChecked(false);
    host_.OnForm(QStringLiteral("fStorage"), [this](TForm&) {
        TfStorage& w = *fStorage;
        w.TreeView1->SetSelected(w.TreeView1->Items().Item(0));
        EXPECT_EQ(w.bSearch->Caption(), QStringLiteral("&Търсене"));
        host_.OnForm(QStringLiteral("fDeliverySearchForm"), [this](TForm& form) {
            TfDeliverySearchForm& f = *fDeliverySearchForm;
            f.bNewSearchClick(&f);
            f.eSupplier->SetText(QStringLiteral("авточасти"));
            Shot(&form, "07-delivery-search");
            f.bSearchClick(&f);
            return mrNone;
        });
        bool found = false;
        host_.OnForm(QStringLiteral("fDeliverySearchResult"), [this, &found](TForm& form) {
            found = true;
            EXPECT_EQ(DM->tblMyPersonalQuery->RecordCount(), 1);
            EXPECT_EQ(Get(DM->tblMyPersonalQuery, "supplier"), kSupplier);
            Shot(&form, "07-delivery-found");
            fDeliverySearchResult->bOKClick(fDeliverySearchResult);
            return mrNone;
        });
        w.bSearchClick(&w);
        EXPECT_TRUE(found);
        EXPECT_EQ(Get(DM->tblDelivery, "supplier"), kSupplier);
        EXPECT_EQ(w.eDeliveryID->Text(), QStringLiteral("1"));
        return mrCancel;
    });
    fCarVantel->fbtStoreClick(nullptr);
}

void DayInTheShopTest::StockLeft()
{
    host_.OnForm(QStringLiteral("fSearch"), [this](TForm& form) {
        fSearch->rbtAllDelivery->SetChecked(true);
        TDataSet* stock = DM->srcArticleTotalQuery->DataSet();
        // A lot sold out is not listed.
        for (int lot = kFilter; lot <= kLabour; ++lot) {
            SCOPED_TRACE(lot);
            const double left = kLots[lot - 1].left;
            const bool listed = GoTo(stock, "delivery_detail_id", QString::number(lot));
            EXPECT_EQ(listed, left > 0);
            if (listed) {
                EXPECT_DOUBLE_EQ(stock->FieldByName(QStringLiteral("total_quty"))->AsFloat(), left);
            }
        }
        Shot(&form, "07-stock");
        return mrCancel;
    });
    fCarVantel->Availability1Click(nullptr);
}

// --- 8. exit ----------------------------------------------------------------------------------

void DayInTheShopTest::Exit()
{
    host_.AnswerQuestion(QStringLiteral("Наистина ли искате да затворите програмата ?"), mrYes);
    EXPECT_TRUE(fCarVantel->CloseQuery());
    fCarVantel->Hide();
    Stop();
    // The settings leave with the day's firm.
    for (const QString& line : {QStringLiteral("CurrentFirm=") + kFirm, QStringLiteral("CurrentFirmID=1"),
                                QStringLiteral("OnlyForThisFirm=Yes")})
        EXPECT_TRUE(QString::fromUtf8(SettingsBytes()).contains(line + QStringLiteral("\r\n"))) << line.toStdString();
}

// --- afterwards -------------------------------------------------------------------------------

void DayInTheShopTest::CheckRows()
{
    // Nothing else was written: every table holds the template's rows and the day's, no more.
    const TRows tables = Rows("SELECT name FROM sqlite_master WHERE type = 'table' AND name NOT LIKE 'sqlite%' "
                              "AND name NOT LIKE '\\_\\_%' ESCAPE '\\' ORDER BY name");
    ASSERT_GT(tables.size(), kRowsAdded.size());
    for (const QStringList& row : tables) {
        const QString count = QStringLiteral("SELECT count(*) FROM \"%1\"").arg(row.front());
        const auto added = kRowsAdded.find(row.front());
        EXPECT_EQ(Scalar(count), Scalar(count, "EmptyBase.mdb") + (added == kRowsAdded.end() ? 0 : added->second))
            << row.front().toStdString();
    }

    EXPECT_EQ(Rows("SELECT myfirm_name, DDS FROM myfirm"), (TRows{{kFirm, "20"}}));
    EXPECT_EQ(Rows("SELECT supplier, printf('%.2f', currency_rate), delivery_tax, printf('%.2f', delivery_sum), "
                   "printf('%.2f', delivery_tax_value), delivery_piment, cashbox_num, seller_id, currency, invoice, invoice_num, "
                   "CAST(delivery_date AS INTEGER) = CAST(invoice_date AS INTEGER) FROM delivery"),
              (TRows{{kSupplier, "1.50", "20", "480.00", "96.00", "-1", "1", "1", "USD", "-1", "9001", "1"}}));
    TRows lots;
    for (const TLotFigure& lot : kLots)
        lots.push_back({QString::fromLatin1(lot.code), QString::fromUtf8(lot.name),
                        QString::number(lot.deliveryPrice), QString::number(lot.quantity), QString::number(lot.salePrice),
                        lot.labour ? QStringLiteral("-1") : QStringLiteral("0")});
    EXPECT_EQ(Rows("SELECT article_code, article_name, printf('%g', delivery_price), printf('%g', delivery_quantity), "
                   "printf('%g', sale_price), service FROM delivery_detail ORDER BY id"),
              lots);

    // id, number, invoice?, invoice number, book, finished, annulled, paid, total, VAT, rate, box, car, client
    EXPECT_EQ(Rows("SELECT id, sale_num, invoice, coalesce(invoice_num, 0), kochan_num, invoice_accept, invoice_annul, "
                   "invoice_piment, printf('%.2f', coalesce(sum_sale_total, 0)), printf('%.2f', coalesce(tax_value, 0)), "
                   "tax_rate, cashbox_num, coalesce(car_id, ''), coalesce(client_id, ''), myfirm_id FROM sale ORDER BY id"),
              (TRows{{"1", "1", "-1", "1", "0", "-1", "0", "0", "212.40", "35.40", "20", "1", "1", "1", "1"},
                     {"2", "2", "0", "0", "0", "-1", "0", "-1", "168.00", "28.00", "20", "1", "1", "1", "1"},
                     {"3", "3", "0", "0", "0", "0", "-1", "0", "0.00", "0.00", "20", "1", "", "", "1"}}));
    EXPECT_EQ(Scalar("SELECT count(*) FROM sale WHERE CAST(sale_date AS INTEGER) = CAST(" +
                     QString::number(Date()) + " AS INTEGER) AND id < 3"),
              2);
    EXPECT_EQ(Rows("SELECT sale_id, cur_prod_count, article_code, printf('%g', sale_quantity), printf('%g', sale_price), "
                   "CASE WHEN discount IS NULL THEN 'null' ELSE printf('%g', discount) END, "
                   "printf('%g', delivery_price), delivery_detail_id, service "
                   "FROM sale_detail ORDER BY id"),
              (TRows{{"1", "1", "F100", "2", "25", "10", "10", "1", "0"},
                     {"1", "2", "M200", "4", "18", "0", "8", "2", "0"},
                     {"1", "3", "S400", "1.5", "40", "0", "0", "4", "-1"},
                     {"2", "1", "B300", "2", "70", "0", "30", "3", "0"},
                     {"3", "1", "F100", "1", "25", "0", "10", "1", "0"}}));
    // Stock per lot: delivered less what finished, not annulled orders took.
    TRows stock;
    for (const TLotFigure& lot : kLots) stock.push_back({QString::number(lot.left)});
    EXPECT_EQ(Rows("SELECT printf('%g', d.delivery_quantity - coalesce((SELECT sum(l.sale_quantity) FROM sale_detail l "
                   "JOIN sale s ON s.id = l.sale_id WHERE l.delivery_detail_id = d.id AND s.invoice_accept = -1 AND "
                   "s.invoice_annul = 0), 0)) FROM delivery_detail d ORDER BY d.id"),
              stock);

    EXPECT_EQ(Rows("SELECT coalesce(piment_type, '') FROM sale ORDER BY id"), (TRows{{"по банка"}, {"в брой"}, {""}}));
    EXPECT_EQ(Rows("SELECT car_number, mark FROM car"), (TRows{{kCar, "Opel"}}));
    EXPECT_EQ(Rows("SELECT name, phone FROM client"), (TRows{{kClient, "0888123456"}}));
    EXPECT_EQ(Rows("SELECT employee_name, job FROM employee"), (TRows{{kMechanic, "Монтьор"}}));
    EXPECT_EQ(Rows("SELECT employee_id, work, printf('%.2f', work_price), printf('%.2f', payment), payed, cashbox_num "
                   "FROM employee_payment"),
              (TRows{{"1", "Смяна на масло", "60.00", "24.00", "-1", "1"}}));
    const QString today = QString::number(Date(), 'f', 1);
    EXPECT_EQ(Rows("SELECT employee_id, printf('%.2f', payment), payed, cashbox_num, payment_date FROM employee_working"),
              (TRows{{"1", "300.00", "-1", "1", today}}));
    EXPECT_EQ(Rows("SELECT printf('%.2f', take), name, cashbox_num FROM takings"),
              (TRows{{"1000.00", "Иван Колев", "1"}}));
    EXPECT_EQ(Rows("SELECT printf('%.2f', give), name, cashbox_num FROM give_in"),
              (TRows{{"30.00", "Електроснабдяване", "1"}}));
    EXPECT_EQ(Rows("SELECT cashbox_nom, printf('%.2f', accepted_money), printf('%.2f', given_money), "
                   "printf('%.2f', All_calculation), finished FROM cashbox"),
              (TRows{{"1", "1168.00", "930.00", "238.00", "-1"}}));
    // The logout stamped, and the backup holds the day.
    EXPECT_EQ(Scalar("SELECT count(*) FROM logs WHERE unlog_time IS NOT NULL"), 1);
    const QByteArray backup = TfCarVantel::BackupFileName(Date(), QStringLiteral("10")).toUtf8();
    ASSERT_TRUE(FileExists(Path(backup.constData())));
    EXPECT_EQ(Scalar("SELECT count(*) FROM sale", backup.constData()), 3);
    EXPECT_EQ(Scalar("SELECT count(*) FROM cashbox", backup.constData()), 1);
}

void DayInTheShopTest::CheckPrintouts()
{
    struct TPrintout {
        const char* file;
        std::vector<const char*> present;
        std::vector<const char*> absent;
    };
    const TPrintout printouts[] = {
        {"03-invoice-original.pdf",
         {"Фактура", "ОРИГИНАЛ", "№ 0000000001.", "Вантел Сервиз ООД", "Петър Петров", "111222333",
          "София, бул. Витоша 10", "Георги Георгиев", "Маслен филтър", "Масло 5W30", "Смяна на масло",
          "Сума : 177.00", "ДДС 20% : 35.40", "Всичко : 212.40", "Словом : Двеста и дванадесет лева и 40 стотинки",
          "IBAN : BG18FINV91501014771636", "Вид плащане : по банка"},
         {"КОПИЕ", "ПРОФОРМА"}},
        {"03-pro-forma.pdf",
         {"ПРОФОРМА", "№ 0000000001.", "Георги Георгиев", "Сума : 177.00", "ДДС 20% : 35.40", "Всичко : 212.40",
          "Словом : Двеста и дванадесет лева и 40 стотинки"},
         {"ОРИГИНАЛ", "КОПИЕ"}},
        {"03-invoice-copy.pdf", {"КОПИЕ", "№ 0000000001.", "Всичко : 212.40"}, {"ОРИГИНАЛ"}},
        {"03-order-sheet.pdf",
         {"Поръчка", "№ 0000000001.", "Автомобил № CA1234AB", "Клиент тел./fax : 0888123456", "Всичко : 212.40"},
         {"ПРОФОРМА"}},
        {"03-work-task.pdf",
         {"Приемо - предавателен протокол", "МОЛ : Георги Георгиев", "Изпълнител Вантел Сервиз ООД",
          "Автомобил № CA1234AB", "Смяна на масло"},
         {}},
        {"04-pro-forma.pdf",
         {"ПРОФОРМА", "№ 0000000002.", "Накладки предни", "Сума : 140.00", "ДДС 20% : 28.00", "Всичко : 168.00",
          "Словом : Сто шестдесет и осем лева и 0 стотинки", "Вид плащане : в брой"},
         {"ОРИГИНАЛ"}},
        {"07-cash-journal.pdf",
         {"Отчет за каса № 1", "Платени от Иван Колев", "Платени на Електроснабдяване", "Поръчка номер 2",
          "Доставка номер 1", "Платени на Стоян Петров", "1168.00", "930.00", "238.00"},
         {"Поръчка номер 1", "Поръчка номер 3"}},
        {"07-profit.pdf", {"Маслен филтър", "Масло 5W30", "Смяна на масло", "Накладки предни"}, {}},
    };
    for (const TPrintout& p : printouts) {
        SCOPED_TRACE(p.file);
        const QString text = PdfText(Path(p.file));
        const QString squeezed = text.simplified();
        EXPECT_FALSE(squeezed.contains(kOtherDateForm)) << text.toStdString();
        for (const char* part : p.present)
            EXPECT_TRUE(squeezed.contains(QString::fromUtf8(part))) << part << "\n" << text.toStdString();
        for (const char* part : p.absent) EXPECT_FALSE(squeezed.contains(QString::fromUtf8(part))) << part;
    }
    // The journal's period, as the shop writes dates: the day and the day after it.
    const QString period = QStringLiteral("от ") + DateToStr(Date()) + QStringLiteral(" до ") + DateToStr(Date() + 1);
    EXPECT_TRUE(PdfText(Path("07-cash-journal.pdf")).contains(period)) << period.toStdString();
    // The invoice's lines: price x quantity, and the net value after the discount.
    const QString invoice = PdfText(Path("03-invoice-original.pdf"));
    EXPECT_EQ(LinesWith(invoice, QStringLiteral("Маслен филтър")), QStringList{"1 Маслен филтър бр. 2 25.00 10 50.00 45.00"});
    EXPECT_EQ(LinesWith(invoice, QStringLiteral("Масло 5W30")), QStringList{"2 Масло 5W30 л 4 18.00 0 72.00 72.00"});
    EXPECT_EQ(LinesWith(invoice, QStringLiteral("Смяна на масло")), QStringList{"3 Смяна на масло ч. 1.5 40.00 0 60.00 60.00"});
}

TEST_F(DayInTheShopTest, ADayInTheShop)
{
    FirstStart();
    OwnFirm();
    StoreAndDelivery();
    FirstOrder();
    PrintFirstOrder();
    SecondOrder();
    ThirdOrderAnnulled();
    MechanicsPay();
    CashBox();
    ProfitAndSearches();
    StockLeft();
    Exit();
    CheckRows();
    CheckPrintouts();
}

}  // namespace
