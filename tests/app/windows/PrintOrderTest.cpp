// Printing an order from the main window: the invoice, the pro-forma, the order sheet and the
// work task, read back from their PDF files; the refusals; the printer runs.

#include "ProgramFixture.h"

#include "app/reports/uInvoiceReport.h"
#include "app/reports/uOrderReport.h"
#include "app/windows/uClients.h"
#include "app/windows/uFirmSet.h"
#include "controls/FlatButton.h"
#include "dataaccess/DaoTable.h"
#include "platform/report/ReportPreview.h"
#include "platform/toolkit/Fields.h"
#include "platform/toolkit/gui/Menus.h"
#include "platform/toolkit/gui/ToolBar.h"
#include "support/RunTool.h"

namespace {

const QString kAdmin = QStringLiteral("Администратор");
const QString kTryAgain = QStringLiteral("\rПърво я приключете и опитайте пак !");
const QString kUnfinished = QStringLiteral("Не сте приключили фактурата !") + kTryAgain;
const QString kNoNumber = QStringLiteral("Фактурата няма номер !") + kTryAgain;
const QString kPrintFailed = QStringLiteral("Процесът е прекратен поради грешка \r");
const QString kAskWithCopy = QStringLiteral("Искате ли да се отпечати фактура и копието й ?");
const QString kAskOriginal = QStringLiteral("Искате ли да се отпечати фактурата ?");

void Tick(TCheckBox* box, bool checked)
{
    const QSignalBlocker quiet(box);
    box->setChecked(checked);
}

// The invoice fixture's orders by id.
enum TOrder { kInvoice7 = 1, kProForma43 = 2, kZeroVat = 3, kNoLines = 4, kNoNumber46 = 5, kShortStock = 6 };

class PrintOrderTest : public ProgramTest {
protected:
    void SetUp() override
    {
        ProgramTest::SetUp();
        ASSERT_EQ(Login(kAdmin, QString()), mrOk);
        Seed("invoice.sql");
        Restart();
        CreateReportTemplates(*application_);
        ASSERT_EQ(Login(kAdmin, QString()), mrOk);
        Tick(fSetings->cbxShowUPayed, true);
        Tick(fSetings->cbxOnlythisF, false);
        Tick(fSetings->cbMessages, true);
        Tick(fSetings->cbAutoDPrint, true);
        fCarVantel->Show();
        fCarVantel->ApplySaleFilter();
    }
    void TearDown() override
    {
        if (fCarVantel) fCarVantel->Hide();
        ProgramTest::TearDown();
    }

    void GoToOrder(int id)
    {
        app::OrderDirty = app::CarEdited = app::ClientEdited = false;
        ShowOrder(id);
        DM->tblSaleTotalQuery->Requery();
    }
    int ShownOrder() const { return DM->tblSale->FieldByName(QStringLiteral("id"))->AsInteger(); }

    // Runs the action; the preview it opens saves itself as a PDF, whose text comes back
    // ("" when no preview was opened).
    QString PreviewText(const std::function<void()>& action)
    {
        const QString file = Path("preview.pdf");
        QFile::remove(file);
        host_.OnForm(QStringLiteral("ReportPreview"), [file](TForm& form) {
            static_cast<TReportPreview&>(form).SaveToPdf(file);
            return mrOk;
        });
        action();
        host_.OnForm(QStringLiteral("ReportPreview"), [](TForm&) { return mrOk; }, 0);
        return QFile::exists(file) ? PdfText(file) : QString();
    }
    int PreviewsShown() const
    {
        int count = 0;
        for (const TShownRecord& shown : host_.Shown())
            count += shown.Kind == TShownRecord::Form && shown.Name == QLatin1String("ReportPreview");
        return count;
    }
    // The next preview prints itself and closes.
    void PrintFromThePreview()
    {
        host_.OnForm(QStringLiteral("ReportPreview"), [](TForm& preview) {
            static_cast<TReportPreview&>(preview).PrintClick();
            return mrOk;
        });
    }
    TToolButton* ToolButton(const char* name) const
    {
        return fCarVantel->ToolBar1->findChild<TToolButton*>(QString::fromLatin1(name));
    }
};

// The text's lines that hold `part`, blanks squeezed.
QStringList LinesWith(const QString& text, const QString& part)
{
    QStringList lines;
    for (const QString& line : text.split(QLatin1Char('\n')))
        if (line.contains(part)) lines << line.simplified();
    return lines;
}

TEST_F(PrintOrderTest, ThePrintCommandsAreOfferedAndTheInvoiceButtonOnlyForAnInvoice)
{
    EXPECT_TRUE(fCarVantel->Print3->Enabled());
    EXPECT_TRUE(ToolButton("ToolButton10")->isEnabled());
    for (TFlatButton* button : {fCarVantel->fbtView, fCarVantel->fbtPrint, fCarVantel->fbtViewDelivery, fCarVantel->fbtTask})
        EXPECT_TRUE(button->isEnabled()) << button->objectName().toStdString();
    EXPECT_EQ(fCarVantel->fbtPrint->Tag(), 10);
    EXPECT_EQ(fCarVantel->fbtTask->Tag(), 10);
    EXPECT_TRUE(fCarVantel->cbxSastavil_mol->Checked());
    GoToOrder(kInvoice7);
    EXPECT_FALSE(fCarVantel->fbtPrint->isHidden());
    EXPECT_EQ(fCarVantel->fbtView->Caption(), QStringLiteral("&Преглед фактура"));
    GoToOrder(kProForma43);
    EXPECT_TRUE(fCarVantel->fbtPrint->isHidden());
    EXPECT_EQ(fCarVantel->fbtView->Caption(), QStringLiteral("&Преглед проформа"));
}

TEST_F(PrintOrderTest, TheInvoicePreviewHoldsTheOrderTheFirmsTheTotalsAndTheWords)
{
    const std::pair<const char*, std::function<void()>> senders[] = {
        {"fbtView", [] { fCarVantel->fbtView->Click(); }},
        {"ToolButton10", [this] { ToolButton("ToolButton10")->click(); }},
        {"Print3", [] { fCarVantel->Print3->Click(); }},
    };
    for (const auto& [name, click] : senders) {
        SCOPED_TRACE(name);
        GoToOrder(kInvoice7);
        const QString text = PreviewText(click);
        const QString squeezed = text.simplified();
        for (const char* present :
             {"Фактура", "КОПИЕ", "№ 0000000007.", "Получател / Възложител", "Доставчик / Изпълнител",
              "Георгиев ЕООД", "Георги Георгиев", "200300400", "2003004000", "Варна, ул. Морска 5", "Вантел Сервиз",
              "Петър Петров", "111222333", "1112223330", "София, бул. Витоша 10", "Маслен филтър", "Масло 5W40",
              "Труд", "Банка : Първа банка", "IBAN : BG18FINV91501014771636", "BIC : FINVBGSF",
              "Тел. за връзка : 02 9876543", "Вид плащане : В брой", "стр. 1"})
            EXPECT_TRUE(squeezed.contains(QString::fromUtf8(present))) << present << "\n" << text.toStdString();
        // Line by line: price × quantity, and the net value after the discount.
        EXPECT_EQ(LinesWith(text, QStringLiteral("Маслен филтър")), QStringList{"1 Маслен филтър бр. 2 12.50 10 25.00 22.50"});
        EXPECT_EQ(LinesWith(text, QStringLiteral("Масло 5W40")), QStringList{"2 Масло 5W40 л 4 18.00 0 72.00 72.00"});
        for (const char* total : {"Сума : 154.50", "ДДС 20% : 30.90", "Всичко : 185.40",
                                  "Словом : Сто осемдесет и пет лева и 40 стотинки"})
            EXPECT_TRUE(squeezed.contains(QString::fromUtf8(total))) << total;
        // The car is the order sheet's, not the invoice's.
        for (const char* absent : {"CA1234AB", "дизел", "Щ-77", "ПРОФОРМА", "ОРИГИНАЛ", "Клиент тел./fax"})
            EXPECT_FALSE(text.contains(QString::fromUtf8(absent))) << absent;
        EXPECT_EQ(ShownOrder(), kInvoice7);
    }
}

// VAT numbers of 12 and 15 characters and 13- and 15-digit company numbers, typed into the own
// firms and the clients windows, are stored whole and printed whole on the invoice.
TEST_F(PrintOrderTest, WholeVatAndCompanyNumbersAreStoredAndPrinted)
{
    const struct {
        const char* vat;
        const char* bulstat;
    } cases[] = {{"BG1234567890", "1234567890123"}, {"DE1234567890123", "123456789012345"}};
    const QSignalBlocker quiet(fSetings->cbChangeSaleData);
    fSetings->cbChangeSaleData->setChecked(true);
    for (const auto& c : cases) {
        SCOPED_TRACE(c.vat);
        const QString vat = QString::fromLatin1(c.vat);
        const QString bulstat = QString::fromLatin1(c.bulstat);
        const QString firmVat = QStringLiteral("AT") + vat.mid(2);
        const QString firmBulstat = bulstat.left(bulstat.size() - 1) + QLatin1Char('9');
        const auto typeInto = [](TDBGrid* grid, TDaoTable* table,
                                 std::initializer_list<std::pair<const char*, QString>> cells) {
            ASSERT_TRUE(table->Locate(QStringLiteral("id"), 1, {}));
            for (const auto& [field, text] : cells) TypeIntoCell(grid, table->FieldByName(QString::fromLatin1(field)), text);
            table->Post();
        };
        host_.OnForm(QStringLiteral("fFirmSet"), [&](TForm&) {
            typeInto(fFirmSet->DBGrid1, DM->tblMyFirm, {{"mytax_num", firmVat}, {"mybulstat", firmBulstat}});
            return mrCancel;
        });
        fCarVantel->N10->Click();
        host_.OnForm(QStringLiteral("fClients"), [&](TForm&) {
            typeInto(fClients->DBGrid1, DM->tblClient, {{"tax_num", vat}, {"bulstat", bulstat}});
            return mrCancel;
        });
        fCarVantel->Client1->Click();
        EXPECT_EQ(Rows(QStringLiteral("SELECT tax_num, bulstat FROM client WHERE id=1")), (TRows{{vat, bulstat}}));
        EXPECT_EQ(Rows(QStringLiteral("SELECT mytax_num, mybulstat FROM myfirm WHERE id=1")),
                  (TRows{{firmVat, firmBulstat}}));

        GoToOrder(kInvoice7);
        const QString text = PreviewText([] { fCarVantel->fbtView->Click(); }).simplified();
        for (const QString& number : {vat, bulstat, firmVat, firmBulstat})
            EXPECT_TRUE(text.contains(number)) << number.toStdString() << "\n" << text.toStdString();
    }
}

TEST_F(PrintOrderTest, TheProFormaTheOrderSheetAndAZeroRateInvoice)
{
    const struct {
        const char* name;
        int order;
        bool orderSheet;
        std::vector<const char*> present;
        std::vector<const char*> absent;
    } cases[] = {
        {"a pro-forma, finished on the way",
         kProForma43,
         false,
         {"Фактура", "ПРОФОРМА", "№ 0000000043.", "Маринова ООД", "Сума : 12.50", "ДДС 20% : 2.50", "Всичко : 15.00",
          "Словом : Петнадесет лева и 0 стотинки"},
         {"КОПИЕ", "P5678BB"}},
        {"the order sheet of an invoice",
         kInvoice7,
         true,
         {"Поръчка", "№ 0000000042.", "Автомобил № CA1234AB", "Гориво : дизел", "Щета № Щ-77",
          "Клиент тел./fax : 0888123456", "Всичко : 185.40"},
         {"КОПИЕ", "ПРОФОРМА", "ОРИГИНАЛ", "0000000007."}},
        {"an invoice at VAT 0", kZeroVat, false, {"КОПИЕ", "№ 0000000003.", "Сума : 45.00", "Всичко : 45.00"}, {"% :"}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        GoToOrder(c.order);
        const QString text = PreviewText([&] {
            if (c.orderSheet)
                fCarVantel->fbtViewDelivery->Click();
            else
                fCarVantel->fbtView->Click();
        });
        QString squeezed = text.simplified();
        for (const char* present : c.present)
            EXPECT_TRUE(squeezed.contains(QString::fromUtf8(present))) << present << "\n" << text.toStdString();
        for (const char* absent : c.absent) EXPECT_FALSE(text.contains(QString::fromUtf8(absent))) << absent;
    }
    EXPECT_EQ(Rows(QStringLiteral("SELECT invoice_accept FROM sale WHERE id=2")), (TRows{{"-1"}}));
}

TEST_F(PrintOrderTest, TheInvoicePrintsTheOriginalThenTheCopy)
{
    const struct {
        const char* name;
        bool autoCopy;
        bool messages;
        QStringList kinds;
        const QString* question;
    } cases[] = {
        {"with the copy", true, true, {"ОРИГИНАЛ", "КОПИЕ"}, &kAskWithCopy},
        {"without the copy", false, true, {"ОРИГИНАЛ"}, &kAskOriginal},
        {"unasked", true, false, {"ОРИГИНАЛ", "КОПИЕ"}, nullptr},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        GoToOrder(kInvoice7);
        host_.ClearShown();
        const int before = int(host_.PrintedFiles().size());
        Tick(fSetings->cbAutoDPrint, c.autoCopy);
        Tick(fSetings->cbMessages, c.messages);
        if (c.question) host_.AnswerQuestion(*c.question, mrYes);
        fCarVantel->fbtPrint->Click();
        const QStringList printed = host_.PrintedFiles().mid(before);
        ASSERT_EQ(printed.size(), c.kinds.size());
        for (int i = 0; i < printed.size(); ++i) {
            const QString text = PdfText(printed[i]);
            EXPECT_TRUE(text.contains(c.kinds[i])) << i;
            EXPECT_TRUE(text.contains(QStringLiteral("0000000007."))) << i;
            EXPECT_EQ(text.contains(QStringLiteral("КОПИЕ")), c.kinds[i] == QStringLiteral("КОПИЕ")) << i;
        }
        EXPECT_EQ(Shown(kAskWithCopy) || Shown(kAskOriginal), c.question != nullptr);
        EXPECT_FALSE(DM->tblSaleDetail->ControlsDisabled());
    }
    // Answered No: nothing printed.
    Tick(fSetings->cbMessages, true);
    const int before = int(host_.PrintedFiles().size());
    host_.AnswerQuestion(kAskWithCopy, mrNo);
    Tick(fSetings->cbAutoDPrint, true);
    fCarVantel->fbtPrint->Click();
    EXPECT_EQ(int(host_.PrintedFiles().size()), before);
}

TEST_F(PrintOrderTest, AFailedPrintSaysWhyPrintsNoCopyAndLeavesTheLinesWorking)
{
    GoToOrder(kInvoice7);
    Tick(fSetings->cbMessages, false);
    // No printer, and the file named in its place cannot be written.
    host_.SetPrinterAvailable(false);
    host_.AnswerFile(Path("no-such-folder/invoice.pdf"));
    fCarVantel->fbtPrint->Click();
    EXPECT_TRUE(host_.PrintedFiles().isEmpty());
    EXPECT_EQ(host_.CountOf(TShownRecord::Print), 1);
    EXPECT_EQ(host_.CountOf(TShownRecord::FileDialog), 1);
    EXPECT_TRUE(Shown(kPrintFailed));
    EXPECT_FALSE(DM->tblSaleDetail->ControlsDisabled());
}

TEST_F(PrintOrderTest, WithoutAPrinterTheDocumentsGoToThePdfFilesThePersonNames)
{
    const QString original = QStringLiteral("Фактура 0000000007 ОРИГИНАЛ.pdf");
    const QString copy = QStringLiteral("Фактура 0000000007 КОПИЕ.pdf");
    const QString orderSheet = QStringLiteral("Поръчка 0000000042.pdf");
    const struct {
        const char* name;
        std::function<void()> print;
        QStringList files;  // offered and written, in order
        QStringList texts;  // read back from each
    } cases[] = {
        {"the invoice and its copy", [] { fCarVantel->fbtPrint->Click(); }, {original, copy}, {"ОРИГИНАЛ", "КОПИЕ"}},
        {"the preview of \"Печат\"",
         [this] {
             PrintFromThePreview();
             ToolButton("ToolButton10")->click();
         },
         {copy},
         {"КОПИЕ"}},
        {"the order sheet",
         [this] {
             PrintFromThePreview();
             fCarVantel->fbtViewDelivery->Click();
         },
         {orderSheet},
         {"Автомобил № CA1234AB"}},
    };
    Tick(fSetings->cbMessages, false);
    host_.SetPrinterAvailable(false);
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        GoToOrder(kInvoice7);
        host_.ClearShown();
        for (const QString& file : c.files) {
            QFile::remove(Path(file.toUtf8().constData()));
            host_.AnswerFile(Path(file.toUtf8().constData()));
        }
        c.print();
        QStringList offered;
        for (const TShownRecord& shown : host_.Shown())
            if (shown.Kind == TShownRecord::FileDialog) offered << shown.Name;
        EXPECT_EQ(offered, c.files);
        EXPECT_EQ(host_.CountOf(TShownRecord::Message), 0) << host_.Texts().join(QLatin1Char('|')).toStdString();
        for (int i = 0; i < c.files.size(); ++i) {
            const QString text = PdfText(Path(c.files[i].toUtf8().constData()));
            EXPECT_TRUE(text.contains(c.texts[i])) << i << text.toStdString();
            EXPECT_TRUE(text.contains(QStringLiteral("Маслен филтър"))) << i;
        }
    }
}

TEST_F(PrintOrderTest, AnOrderThatIsNoFinishedNumberedInvoiceIsRefused)
{
    const struct {
        const char* name;
        int order;
        bool dirty;
        bool orderSheet;
        const QString* message;
    } cases[] = {
        {"finished without a number", kNoNumber46, false, false, &kNoNumber},
        {"the order sheet of an invoice without a number", kNoNumber46, false, true, &kNoNumber},
        {"changed since its finish", kInvoice7, true, false, &kUnfinished},
        {"a finish refused for short stock", kShortStock, false, false, &kUnfinished},
        {"no lines", kNoLines, false, false, nullptr},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        GoToOrder(c.order);
        app::OrderDirty = c.dirty;
        host_.ClearShown();
        const QString text = PreviewText([&] {
            if (c.orderSheet)
                fCarVantel->fbtViewDelivery->Click();
            else
                fCarVantel->fbtView->Click();
        });
        EXPECT_TRUE(text.isEmpty());
        EXPECT_EQ(PreviewsShown(), 0);
        if (c.message)
            EXPECT_TRUE(Shown(*c.message)) << host_.Texts().join(" | ").toStdString();
        else
            EXPECT_TRUE(host_.Texts().isEmpty()) << host_.Texts().join(" | ").toStdString();
        app::OrderDirty = false;
    }
    // The refused finish left the order unfinished, and nothing was printed for it.
    EXPECT_EQ(Rows(QStringLiteral("SELECT invoice_accept FROM sale WHERE id=6")), (TRows{{"0"}}));
    EXPECT_TRUE(host_.PrintedFiles().isEmpty());
}

TEST_F(PrintOrderTest, ThePrintoutReadsTheOrdersOwnRowsAndTheWindowStaysOnIt)
{
    // A car picked before: its bookmark has the row key of order 1, never a sale's.
    DM->tblCar->SetKeyFields(QStringLiteral("id"));
    ASSERT_TRUE(DM->tblCar->FindKey({QStringLiteral("1")}));
    app::SharedBookmark = DM->tblCar->GetBookmark();
    GoToOrder(kZeroVat);
    // A list window left the clients table on another client.
    DM->tblClient->SetKeyFields(QStringLiteral("id"));
    ASSERT_TRUE(DM->tblClient->FindKey({QStringLiteral("1")}));
    DM->tblSaleDetail->First();
    const QString text = PreviewText([] { fCarVantel->fbtView->Click(); });
    EXPECT_TRUE(text.contains(QStringLiteral("Маринова ООД")));
    EXPECT_FALSE(text.contains(QStringLiteral("Георгиев ЕООД")));
    EXPECT_TRUE(text.contains(QStringLiteral("Вантел Търговия")));
    EXPECT_EQ(ShownOrder(), kZeroVat);
    EXPECT_EQ(fCarVantel->dbeFirmName->Text(), QStringLiteral("Маринова ООД"));

    // An order whose car and client are gone prints them empty.
    Execute(QStringLiteral("UPDATE sale SET car_id=99, client_id=NULL WHERE id=1"));
    DM->tblSale->Refresh();
    GoToOrder(kInvoice7);
    const QString sheet = PreviewText([] { fCarVantel->fbtViewDelivery->Click(); });
    ASSERT_FALSE(sheet.isEmpty());
    for (const char* absent : {"CA1234AB", "P5678BB", "Георгиев ЕООД", "Маринова ООД"})
        EXPECT_FALSE(sheet.contains(QString::fromUtf8(absent))) << absent;
    EXPECT_TRUE(sheet.contains(QStringLiteral("Вантел Сервиз")));
}

TEST_F(PrintOrderTest, ThePrintLeavesTheLinesOnTheirRow)
{
    GoToOrder(kInvoice7);
    DM->tblSaleDetail->First();
    DM->tblSaleDetail->Next();
    const QString line = DM->tblSaleDetail->FieldByName(QStringLiteral("article_name"))->AsString();
    ASSERT_EQ(line, QStringLiteral("Масло 5W40"));
    Tick(fSetings->cbMessages, false);
    for (TFlatButton* button : {fCarVantel->fbtView, fCarVantel->fbtPrint, fCarVantel->fbtTask}) {
        SCOPED_TRACE(button->objectName().toStdString());
        PreviewText([button] { button->Click(); });
        EXPECT_EQ(DM->tblSaleDetail->FieldByName(QStringLiteral("article_name"))->AsString(), line);
        EXPECT_FALSE(DM->tblSaleDetail->ControlsDisabled());
    }
}

TEST_F(PrintOrderTest, TheComposerAndTaxDatePrintOnlyWithTheComposerBox)
{
    GoToOrder(kInvoice7);
    const QString with = PreviewText([] { fCarVantel->fbtView->Click(); });
    Tick(fSetings->cbMessages, false);
    fCarVantel->cbxSastavil_mol->SetChecked(false);
    const QString without = PreviewText([] { fCarVantel->fbtView->Click(); });
    EXPECT_EQ(with.count(QStringLiteral("Петър Петров")), 2);
    EXPECT_EQ(without.count(QStringLiteral("Петър Петров")), 1);
    EXPECT_EQ(LinesWith(with, QStringLiteral("Дата на данъчно събитие")).join('|').count(QLatin1Char('.')), 2);
    EXPECT_EQ(LinesWith(without, QStringLiteral("Дата на данъчно събитие")).join('|').count(QLatin1Char('.')), 0);
}

TEST_F(PrintOrderTest, TheWorkTaskMarksLabourAndCarriesTheLetterhead)
{
    GoToOrder(kInvoice7);
    const QString text = PreviewText([] { fCarVantel->fbtTask->Click(); });
    const QString squeezed = text.simplified();
    for (const char* present :
         {"Приемо - предавателен протокол", "Клиент: Георгиев ЕООД", "Изпълнител Вантел Сервиз", "Автомобил № CA1234AB",
          "Рама № WOL123", "Гориво : дизел", "Щета № Щ-77", "№ 42", "Труд", "Изпълнител", "ДРАСКОТИНИ", "ВДЛЪБНАТИНИ",
          "Препоръки :", "Дата за предаване:", "Приел :", "Предал :", "Подпис :", "Изисквания на клиента:",
          "Антетка : Автосервиз Вантел, ремонт и диагностика", "стр. 1"})
        EXPECT_TRUE(squeezed.contains(QString::fromUtf8(present))) << present << "\n" << text.toStdString();
    EXPECT_EQ(LinesWith(text, QStringLiteral("Маслен филтър")), QStringList{"1 Маслен филтър бр. 2"});
    EXPECT_EQ(LinesWith(text, QStringLiteral("Масло 5W40")), QStringList{"2 Масло 5W40 л 4"});
    EXPECT_EQ(LinesWith(text, QStringLiteral("ч.")), QStringList{"3 Труд ч. 1.5 V"});
    // Nothing finished or numbered, and an order without lines still gets its protocol.
    EXPECT_EQ(Rows(QStringLiteral("SELECT invoice_accept, invoice_num FROM sale WHERE id=4")), (TRows{{"0", "0"}}));
    GoToOrder(kNoLines);
    EXPECT_TRUE(PreviewText([] { fCarVantel->fbtTask->Click(); }).contains(QStringLiteral("Приемо - предавателен протокол")));
    EXPECT_EQ(Rows(QStringLiteral("SELECT invoice_accept, invoice_num FROM sale WHERE id=4")), (TRows{{"0", "0"}}));
}

TEST_F(PrintOrderTest, TheWordsLineSpellsLargeTotalsAndStaysEmptyBeyondThem)
{
    // A long line wraps: its second line comes after the sum's.
    const std::pair<const char*, std::vector<const char*>> cases[] = {
        {"2147483648",
         {"Словом : Два милиарда сто четиридесет и седем милиона Сума : 2147483648.00 четиристотин осемдесет и три "
          "хиляди шестстотин четиридесет и осем лева и 0 стотинки"}},
        {"2013", {"Словом : Две хиляди и тринадесет лева и 0 стотинки Сума : 2013.00"}},
        {"1000000000000", {"Словом : Сума : 1000000000000.00"}},
    };
    for (const auto& [price, parts] : cases) {
        SCOPED_TRACE(price);
        Execute(QStringLiteral("UPDATE sale_detail SET sale_price=%1 WHERE id=5").arg(QString::fromLatin1(price)));
        DM->tblSale->Refresh();
        GoToOrder(kZeroVat);
        const QString text = PreviewText([] { fCarVantel->fbtView->Click(); }).simplified();
        for (const char* part : parts) EXPECT_TRUE(text.contains(QString::fromUtf8(part))) << text.toStdString();
    }
}

TEST_F(PrintOrderTest, CapitalizeFirst)
{
    const std::pair<const char*, const char*> cases[] = {
        {"сто лева", "Сто лева"}, {"яко", "Яко"}, {"abc", "Abc"}, {"z", "Z"},
        {"1 лев", "1 лев"},       {"Сто", "Сто"}, {"", ""},       {"ёж", "ёж"},
    };
    for (const auto& [text, capitalized] : cases)
        EXPECT_EQ(TfCarVantel::CapitalizeFirst(QString::fromUtf8(text)), QString::fromUtf8(capitalized)) << text;
}

}  // namespace
