#include "StockOrderFixture.h"

#include "platform/toolkit/gui/DBGrid.h"

namespace {

using FinishOrderTest = StockOrderTest;

TEST_F(FinishOrderTest, AFinishStoresTheTypedCarAndClientStampsTheOrderAndLocksIt)
{
    const qint32 order = NewOrder({{"2", 3, 12.5, 10}, {"4", 1, 30, 0, "-1"}});
    fCarVantel->dbcbMark->SetText(QStringLiteral("Opel"));
    fCarVantel->dbeCarNumber->SetText(QStringLiteral("CA7777KX"));
    fCarVantel->dbeName->SetText(QStringLiteral("Георги Георгиев"));
    app::CarEdited = app::ClientEdited = true;
    fCarVantel->Commit1Click(nullptr);

    EXPECT_EQ(Rows(QStringLiteral("SELECT car.car_number, client.name FROM sale, car, client "
                                  "WHERE sale.id=%1 AND car.id=sale.car_id AND client.id=sale.client_id")
                       .arg(order)),
              (TRows{{"CA7777KX", "Георги Георгиев"}}));
    EXPECT_EQ(Field(order, "sum_sale_total"), QStringLiteral("76.5"));
    EXPECT_EQ(Field(order, "tax_value"), QStringLiteral("12.75"));
    EXPECT_EQ(Field(order, "sale_num"), QStringLiteral("1"));
    EXPECT_EQ(Field(order, "invoice_accept"), QStringLiteral("-1"));
    EXPECT_EQ(Field(order, "cashbox_num"), QStringLiteral("1"));
    EXPECT_EQ(Field(order, "seller_id"), QStringLiteral("1"));
    EXPECT_EQ(Scalar(QStringLiteral("SELECT CAST(sale_date AS INTEGER) FROM sale WHERE id=%1").arg(order)),
              static_cast<qint64>(Date()));
    EXPECT_EQ(Reminders(order), (QStringList{"5", "1000"}));
    EXPECT_TRUE(app::OrderLocked);
    EXPECT_TRUE(fCarVantel->cbxFinnished->Checked());
    EXPECT_TRUE(Shown(kFinished));
}

TEST_F(FinishOrderTest, AnOrderShortOfStockIsRefusedAndStaysOpen)
{
    const struct {
        const char* name;
        std::vector<TLine> lines;
        bool finished;
        QStringList reminders;
    } cases[] = {
        {"six from a lot of five", {{"2", 6, 12.5}}, false, {"5"}},
        {"two and three from a lot of four", {{"3", 2, 12.5}, {"3", 3, 12.5}}, false, {"1", "2"}},
        {"two and two from a lot of four", {{"3", 2, 12.5}, {"3", 2, 12.5}}, true, {"2", "2"}},
        {"a service without a lot", {{"NULL", 2, 30, 0, "-1"}}, true, {"0"}},
        {"a typed line never picked", {{"NULL", 1, 10}}, false, {"0"}},
        {"a line whose lot has gone", {{"99", 1, 10}}, false, {"0"}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        host_.ClearShown();
        const qint32 order = NewOrder(c.lines);
        fCarVantel->Commit1Click(nullptr);
        EXPECT_EQ(Field(order, "invoice_accept"), c.finished ? QStringLiteral("-1") : QStringLiteral("0"));
        EXPECT_EQ(Reminders(order), c.reminders);
        EXPECT_EQ(Shown(kShort), !c.finished);
        EXPECT_EQ(app::OrderLocked, c.finished);
        EXPECT_EQ(fCarVantel->cbxFinnished->Checked(), c.finished);
        // The stamps stay on a refused order.
        EXPECT_NE(Field(order, "sum_sale_total"), QString());
        EXPECT_NE(Field(order, "sale_num"), QString());
        // The next order's lines are not this one's.
        if (!c.finished) Execute(QStringLiteral("DELETE FROM sale_detail WHERE sale_id=%1").arg(order));
    }
}

TEST_F(FinishOrderTest, AnInvoiceTakesTheNextNumberOfItsBookAndFirm)
{
    const struct {
        const char* name;
        std::vector<std::tuple<int, int, int, bool>> existing;  // number, book, firm, annulled
        bool messages;
        TModalResult answer;
        bool nullBook;
        const char* number;
        bool invoice;
    } cases[] = {
        {"an empty book", {}, true, mrYes, false, "1", true},
        {"an annulled 45 above a finished 41", {{41, 0, 1, false}, {45, 0, 1, true}}, true, mrYes, false, "46", true},
        {"another firm's higher number", {{41, 0, 1, false}, {70, 0, 2, false}}, true, mrYes, false, "42", true},
        {"another book's higher number", {{41, 0, 1, false}, {70, 3, 1, false}}, true, mrYes, false, "42", true},
        {"no messages", {{41, 0, 1, false}}, false, mrNone, false, "", true},
        {"answered No", {{41, 0, 1, false}}, true, mrNo, false, "", true},
        {"a Null book", {{41, 0, 1, false}}, true, mrYes, true, "42", true},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        ClearOrders();
        for (const auto& [number, book, firm, annulled] : c.existing) StoreInvoice(number, book, firm, annulled);
        host_.ClearShown();
        const qint32 order = NewOrder({{"4", 1, 30, 0, "-1"}});
        if (c.nullBook) {
            Execute(QStringLiteral("UPDATE sale SET kochan_num=NULL WHERE id=%1").arg(order));
            DM->tblSale->Refresh();
        }
        Tick(fSetings->cbMessages, c.messages);
        fCarVantel->cbxInvoice->SetChecked(true);
        if (c.messages) host_.AnswerQuestion(kToInvoice, c.answer);
        fCarVantel->Commit1Click(nullptr);
        Tick(fSetings->cbMessages, true);
        EXPECT_EQ(Field(order, "invoice_num"), QString::fromLatin1(c.number));
        EXPECT_EQ(Field(order, "kochan_num"), QStringLiteral("0"));
        EXPECT_EQ(Field(order, "invoice"), c.invoice ? QStringLiteral("-1") : QStringLiteral("0"));
        EXPECT_EQ(Field(order, "invoice_date").isEmpty(), QString::fromLatin1(c.number).isEmpty());
        EXPECT_EQ(Field(order, "invoice_accept"), QStringLiteral("-1"));
    }
}

TEST_F(FinishOrderTest, ATypedNumberOfAnotherInvoiceIsRefusedAndNothingElseIs)
{
    const struct {
        const char* name;
        int book;
        int firm;
        bool annulled;
        bool finished;
        const char* typed;
        bool refused;
        const char* message;
    } cases[] = {
        {"a finished invoice", 0, 1, false, true, "42", true, "Фактура с №42 от кочан №0 вече съществува!"},
        {"blanks around", 0, 1, false, true, " 42 ", true, "Фактура с №42 от кочан №0 вече съществува!"},
        {"an annulled invoice", 0, 1, true, true, "42", false, nullptr},
        {"an unfinished order", 0, 1, false, false, "42", false, nullptr},
        {"another book", 5, 1, false, true, "42", false, nullptr},
        {"another firm", 0, 2, false, true, "42", false, nullptr},
        {"no number", 0, 1, false, true, "", false, nullptr},
        {"zero", 0, 1, false, true, "0", false, nullptr},
        {"not a number", 0, 1, false, true, "4x", true, "Невалиден номер на фактура !"},
        {"pasted SQL", 0, 1, false, true, "1 OR 1=1", true, "Невалиден номер на фактура !"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        ClearOrders();
        StoreInvoice(42, c.book, c.firm, c.annulled, c.finished);
        host_.ClearShown();
        const qint32 order = NewOrder({{"4", 1, 30, 0, "-1"}});
        const QString before = Field(order, "sale_num") + Field(order, "invoice_accept") + Field(order, "sum_sale_total");
        fCarVantel->cbxInvoice->SetChecked(true);
        fCarVantel->DBE_invoice_num->SetText(QString::fromUtf8(c.typed));
        host_.AnswerQuestion(kToInvoice, mrNo);
        fCarVantel->Commit1Click(nullptr);
        EXPECT_EQ(Field(order, "invoice_accept") == QLatin1String("-1"), !c.refused);
        if (c.refused) {
            EXPECT_TRUE(Shown(QString::fromUtf8(c.message)));
            EXPECT_EQ(Field(order, "sale_num") + Field(order, "invoice_accept") + Field(order, "sum_sale_total"), before);
            EXPECT_EQ(Scalar(QStringLiteral("SELECT count(*) FROM sale WHERE invoice_num=42")), 1);
        }
        if (c.refused && QByteArray(c.message).startsWith("Фактура")) {
            EXPECT_EQ(fCarVantel->DBE_invoice_num->Text(), QStringLiteral("0"));
        }
    }
}

TEST_F(FinishOrderTest, AnOrdersOwnNumberIsNotItsDuplicate)
{
    const qint32 order = NewOrder({{"4", 1, 30, 0, "-1"}});
    Execute(QStringLiteral("UPDATE sale SET invoice_num=42, invoice_accept=-1, invoice=-1 WHERE id=%1").arg(order));
    DM->tblSale->Refresh();
    fCarVantel->cbxInvoice->SetChecked(true);
    fCarVantel->Commit1Click(nullptr);
    EXPECT_EQ(Field(order, "invoice_num"), QStringLiteral("42"));
    EXPECT_TRUE(Shown(kFinished));
}

TEST_F(FinishOrderTest, AnotherStationsInvoiceStoredWhileTheCashBoxIsAskedKeepsItsNumber)
{
    StoreInvoice(41, 0, 1);
    const qint32 order = NewOrder({{"4", 1, 30, 0, "-1"}});
    Execute(QStringLiteral("UPDATE sale SET cashbox_num=7 WHERE id=%1").arg(order));
    DM->tblSale->Refresh();
    fCarVantel->cbxInvoice->SetChecked(true);
    // Yes to both questions; while the cash box is asked, another station stores the next invoice.
    host_.OnForm(
        QStringLiteral("fMyMessage"),
        [this](TForm&) {
            if (fMyMessage->Label1->Caption().contains(QStringLiteral("друга каса"))) StoreInvoice(43, 0, 1);
            return mrYes;
        },
        2);
    fCarVantel->Commit1Click(nullptr);
    // The number is drawn when the finish writes, after every question: the next one free.
    EXPECT_EQ(Field(order, "invoice_num"), QStringLiteral("44"));
    EXPECT_EQ(Field(order, "cashbox_num"), QStringLiteral("1"));
    EXPECT_EQ(Scalar(QStringLiteral("SELECT count(DISTINCT invoice_num) FROM sale WHERE invoice_num>0")), 3);
}

TEST_F(FinishOrderTest, ALinePostThatFailsStopsTheFinishAndLeavesTheOrderUnfinished)
{
    const qint32 order = NewOrder({{"2", 1, 12.5}});
    TDaoTable* lines = DM->tblSaleDetail;
    const auto rule = lines->BeforePost;
    lines->BeforePost = [rule](TDataSet* dataset) {
        if (rule) rule(dataset);
        if (DM->tblSale->FieldByName(QStringLiteral("invoice_accept"))->AsBoolean())
            throw Exception(QStringLiteral("редът не може да се запише"));
    };
    fCarVantel->Commit1Click(nullptr);
    lines->BeforePost = rule;
    EXPECT_TRUE(Shown(kFailed + QStringLiteral("редът не може да се запише")));
    EXPECT_EQ(Field(order, "invoice_accept"), QStringLiteral("0"));
    EXPECT_FALSE(fCarVantel->cbxFinnished->Checked());
    EXPECT_FALSE(Shown(kFinished));
}

// The engine refuses one write of the finish: nothing of it is kept, no row is left in edit for
// the next move to post, the message gives the engine's reason, and the finish then succeeds.
TEST_F(FinishOrderTest, AFinishThatFailsAtAnyWriteLeavesTheOrderAsItWas)
{
    const struct {
        const char* name;
        const char* refuse;
    } cases[] = {
        {"the stamps", "BEFORE UPDATE OF tax_rate ON sale"},
        {"the totals", "BEFORE UPDATE OF sum_sale_total ON sale"},
        {"the invoice number", "BEFORE UPDATE OF invoice_num ON sale"},
        {"the invoice date", "BEFORE UPDATE OF invoice_date ON sale"},
        {"the sold mark", "BEFORE UPDATE OF seller_id ON sale"},
        {"a line's stock", "BEFORE UPDATE OF quantity_reminder ON sale_detail"},
    };
    const QString stamps = QStringLiteral(
        "SELECT coalesce(sale_num,'') || '|' || coalesce(tax_rate,'') || '|' || coalesce(sum_sale_total,'') || '|' || "
        "coalesce(invoice_num,'') || '|' || coalesce(invoice,'') || '|' || coalesce(invoice_accept,'') || '|' || "
        "coalesce(seller_id,'') || '|' || coalesce(last_modified,'') || '|' || "
        "(SELECT group_concat(quantity_reminder) FROM sale_detail WHERE sale_id=sale.id) FROM sale WHERE id=%1");
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        ClearOrders();
        const qint32 order = NewOrder({{"2", 1, 12.5}, {"3", 1, 12.5}});
        Execute(QStringLiteral("UPDATE sale SET sale_num=NULL WHERE id=%1").arg(order));
        DM->tblSale->Refresh();
        const TRows before = Rows(stamps.arg(order));
        Execute(QStringLiteral("CREATE TRIGGER refuse %1 BEGIN SELECT RAISE(ABORT, 'отказано'); END")
                    .arg(QString::fromLatin1(c.refuse)));
        host_.ClearShown();
        fCarVantel->cbxInvoice->SetChecked(true);
        host_.AnswerQuestion(kToInvoice, mrYes);
        fCarVantel->Commit1Click(nullptr);
        Execute(QStringLiteral("DROP TRIGGER refuse"));
        EXPECT_TRUE(Shown(kFailed)) << host_.Texts().join(QLatin1Char('|')).toStdString();
        EXPECT_TRUE(Shown(QStringLiteral("отказано")));
        EXPECT_FALSE(Shown(kFinished));
        EXPECT_EQ(Rows(stamps.arg(order)), before);
        EXPECT_EQ(DM->tblSale->State(), dsBrowse);
        EXPECT_EQ(DM->tblSaleDetail->State(), dsBrowse);
        EXPECT_FALSE(fCarVantel->cbxFinnished->Checked());
        EXPECT_FALSE(app::OrderLocked);
        // The order on screen is the one as stored, and it finishes now.
        EXPECT_EQ(ShownOrder(), order);
        EXPECT_TRUE(DM->tblSale->FieldByName(QStringLiteral("sale_num"))->IsNull());
        host_.AnswerQuestion(kToInvoice, mrYes);
        fCarVantel->Commit1Click(nullptr);
        EXPECT_EQ(Field(order, "invoice_accept"), QStringLiteral("-1"));
        EXPECT_EQ(Field(order, "invoice_num"), QStringLiteral("1"));
        EXPECT_EQ(Reminders(order), (QStringList{"5", "4"}));
    }
}

TEST_F(FinishOrderTest, AnInvoiceNumberThatCannotBeDrawnStopsTheFinish)
{
    const qint32 order = NewOrder({{"4", 1, 30, 0, "-1"}});
    TDaoTable* scratch = DM->tblMyPersonalQuery;
    const auto rule = scratch->BeforeOpen;
    scratch->BeforeOpen = [](TDataSet*) { throw Exception(QStringLiteral("без връзка")); };
    fCarVantel->cbxInvoice->SetChecked(true);
    host_.AnswerQuestion(kToInvoice, mrYes);
    fCarVantel->Commit1Click(nullptr);
    scratch->BeforeOpen = rule;
    EXPECT_TRUE(Shown(kFailed));
    EXPECT_NE(Field(order, "invoice_accept"), QStringLiteral("-1"));
    EXPECT_EQ(Field(order, "invoice_num"), QString());
    EXPECT_FALSE(Shown(kFinished));
}

TEST_F(FinishOrderTest, TheFinishStoresTheShownCarAndTheFirmsPresentRate)
{
    const qint32 order = NewOrder({{"2", 3, 12.5, 10}, {"4", 1, 30, 0, "-1"}});
    Execute(QStringLiteral("UPDATE sale SET car_id=2, client_id=2 WHERE id=%1").arg(order));
    GoToOrder(order);
    Edit();
    // Another window moved the cars; the firm's rate changed since the order was made.
    DM->tblCar->First();
    Execute(QStringLiteral("UPDATE myfirm SET DDS=9 WHERE id=1"));
    DM->tblMyFirm->Refresh();
    app::OrderDirty = true;
    fCarVantel->Commit1Click(nullptr);
    EXPECT_EQ(Field(order, "car_id"), QStringLiteral("2"));
    EXPECT_EQ(Field(order, "client_id"), QStringLiteral("2"));
    EXPECT_EQ(DM->tblCar->FieldByName(QStringLiteral("id"))->AsInteger(), 2);
    EXPECT_EQ(Field(order, "tax_rate"), QStringLiteral("9"));
    EXPECT_EQ(Field(order, "tax_value"), QStringLiteral("5.74"));
    EXPECT_EQ(Field(order, "sum_sale_total"), QStringLiteral("69.49"));
}

TEST_F(FinishOrderTest, AnOrderWithoutACarShownAfterOneWithACarKeepsNoCar)
{
    const qint32 withCar = NewOrder({{"4", 1, 30, 0, "-1"}});
    Execute(QStringLiteral("UPDATE sale SET car_id=1 WHERE id=%1").arg(withCar));
    const qint32 order = NewOrder({{"4", 1, 30, 0, "-1"}});
    GoToOrder(withCar);
    GoToOrder(order);
    Edit();
    fCarVantel->Commit1Click(nullptr);
    EXPECT_EQ(Field(order, "car_id"), QString());
    EXPECT_EQ(Field(order, "invoice_accept"), QStringLiteral("-1"));
}

TEST_F(FinishOrderTest, AnnullingAsksAndUnpaysAndAnAnnulledOrderIsNotFinished)
{
    const qint32 order = NewOrder({{"4", 1, 30, 0, "-1"}});
    fCarVantel->cbxPayed->SetChecked(true);
    EXPECT_EQ(Field(order, "invoice_piment"), QStringLiteral("-1"));

    fCarVantel->LockEditing();
    fCarVantel->fbtAnulaClick(nullptr);
    EXPECT_TRUE(Shown(QStringLiteral("За да анулирате тази поръчка")));
    EXPECT_EQ(Field(order, "invoice_annul"), QStringLiteral("0"));

    Edit();
    host_.AnswerQuestion(QStringLiteral("Искате ли да анулирате поръчката ?"), mrYes);
    fCarVantel->fbtAnulaClick(nullptr);
    EXPECT_TRUE(Shown(QStringLiteral("Поръчката бе анулирана !")));
    EXPECT_EQ(Field(order, "invoice_annul"), QStringLiteral("-1"));
    EXPECT_EQ(Field(order, "invoice_piment"), QStringLiteral("0"));
    EXPECT_TRUE(fCarVantel->cbxAnnul->Checked());
    EXPECT_FALSE(fCarVantel->cbxPayed->Checked());

    const QString before = Field(order, "sale_num") + Field(order, "sum_sale_total");
    fCarVantel->Commit1Click(nullptr);
    EXPECT_TRUE(Shown(QStringLiteral("Не може да приключвате анулирана")));
    EXPECT_EQ(Field(order, "sale_num") + Field(order, "sum_sale_total"), before);
    EXPECT_EQ(Field(order, "invoice_accept"), QStringLiteral("0"));
}

TEST_F(FinishOrderTest, TickingTheInvoiceBoxOnAShortOrderSaysSoAndAnnulsItNothingElseDoes)
{
    const QString kAnnulledShort = QStringLiteral(
        "Поради изписана липсваща стока от склада,\rтази поръчка не може да се приключи !\rПоръчката ще бъде анулирана !");
    const struct {
        const char* name;
        bool invoiceBefore;
        std::function<void()> act;
        bool annulled;
    } cases[] = {
        {"ticked by a click", false, [] { QTest::mouseClick(fCarVantel->cbxInvoice, Qt::LeftButton); }, true},
        {"unticked by a click", true, [] { QTest::mouseClick(fCarVantel->cbxInvoice, Qt::LeftButton); }, false},
        {"its number emptied", true,
         [] {
             fCarVantel->DBE_invoice_num->SetText(QString());
             fCarVantel->DBE_invoice_numExit(fCarVantel->DBE_invoice_num);
         },
         false},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        const qint32 order = NewOrder({{"2", 6, 12.5}});
        Tick(fCarVantel->cbxInvoice, c.invoiceBefore);
        // The grid paints the line of six from a lot of five as short.
        fCarVantel->MyDBGrid1->grab();
        ASSERT_TRUE(app::MissingStock);
        host_.ClearShown();
        c.act();
        EXPECT_FALSE(fCarVantel->cbxInvoice->Checked());
        EXPECT_EQ(fCarVantel->cbxAnnul->Checked(), c.annulled);
        EXPECT_EQ(Field(order, "invoice_annul"), c.annulled ? QStringLiteral("-1") : QStringLiteral("0"));
        EXPECT_EQ(Shown(kAnnulledShort), c.annulled);
        // Said before it is done: the message is the first thing shown.
        if (c.annulled) {
            EXPECT_EQ(host_.Texts().value(0), kAnnulledShort);
        }
        EXPECT_TRUE(fCarVantel->DBE_invoice_num->ReadOnly());
        EXPECT_TRUE(fCarVantel->fbtPrint->isHidden());
    }
    // An order of enough stock: the box switches between invoice and pro-forma.
    const qint32 other = NewOrder({{"4", 1, 30, 0, "-1"}});
    Tick(fCarVantel->cbxAnnul, true);
    app::MissingStock = false;
    QTest::mouseClick(fCarVantel->cbxInvoice, Qt::LeftButton);
    ASSERT_TRUE(fCarVantel->cbxInvoice->Checked());
    EXPECT_FALSE(fCarVantel->cbxAnnul->Checked());
    EXPECT_EQ(Field(other, "invoice_annul"), QStringLiteral("0"));
    EXPECT_FALSE(fCarVantel->fbtPrint->isHidden());
    EXPECT_EQ(fCarVantel->fbtView->Caption(), QStringLiteral("&Преглед фактура"));
    EXPECT_FALSE(fCarVantel->DBE_invoice_num->ReadOnly());
    QTest::mouseClick(fCarVantel->cbxInvoice, Qt::LeftButton);
    ASSERT_FALSE(fCarVantel->cbxInvoice->Checked());
    EXPECT_TRUE(fCarVantel->fbtPrint->isHidden());
    EXPECT_EQ(fCarVantel->fbtView->Caption(), QStringLiteral("&Преглед проформа"));
    EXPECT_TRUE(fCarVantel->DBE_invoice_num->ReadOnly());
}

// Neither kind finishes an open order or opens a finished one: the stock it took stays taken.
TEST_F(FinishOrderTest, APaymentKindNeverChangesWhetherTheOrderIsFinished)
{
    const struct {
        int item;
        bool finished;
    } cases[] = {{0, false}, {0, true}, {1, false}, {1, true}};
    for (const auto& c : cases) {
        SCOPED_TRACE(c.item * 2 + c.finished);
        // Three of the five of lot 2.
        const qint32 order = NewOrder({{"2", 3, 12.5}});
        if (c.finished) {
            fCarVantel->Commit1Click(nullptr);
            ASSERT_EQ(Field(order, "invoice_accept"), QStringLiteral("-1"));
            Edit();
        }
        TDBComboBox* kind = fCarVantel->DBC_tax_kind;
        kind->setFocus();
        kind->setCurrentIndex(c.item);
        emit kind->activated(c.item);
        fCarVantel->dbeCarNumber->setFocus();
        if (DM->tblSale->State() != dsBrowse) DM->tblSale->Post();
        EXPECT_EQ(Field(order, "piment_type"), kind->Items()[c.item]);
        EXPECT_EQ(Field(order, "invoice_accept"), c.finished ? QStringLiteral("-1") : QStringLiteral("0"));
        EXPECT_EQ(fCarVantel->cbxFinnished->Checked(), c.finished);
        TDaoTable* stock = DM->tblQTAQAll;
        stock->Open();
        stock->Requery();
        ASSERT_TRUE(stock->Locate(QStringLiteral("delivery_detail_id"), TVariant(2), {}));
        EXPECT_EQ(stock->FieldByName(QStringLiteral("total_quty"))->AsFloat(), c.finished ? 2 : 5);
        // The next order's stock is not this one's.
        Execute(QStringLiteral("DELETE FROM sale_detail WHERE sale_id=%1").arg(order));
    }
}

TEST_F(FinishOrderTest, TheInvoiceNumberEditTakesNoMinusAndLeavesZeroForNone)
{
    NewOrder();
    fCarVantel->cbxInvoice->SetChecked(true);
    QChar minus = QLatin1Char('-');
    fCarVantel->DBE_invoice_numKeyPress(nullptr, minus);
    EXPECT_TRUE(minus.isNull());
    EXPECT_FALSE(Shown(QStringLiteral("За да промените номера")));
    fCarVantel->DBE_invoice_num->SetText(QString());
    fCarVantel->DBE_invoice_numExit(nullptr);
    EXPECT_EQ(fCarVantel->DBE_invoice_num->Text(), QStringLiteral("0"));
    EXPECT_FALSE(fCarVantel->cbxInvoice->Checked());
    QChar digit = QLatin1Char('5');
    fCarVantel->DBE_invoice_numKeyPress(nullptr, digit);
    EXPECT_EQ(digit, QLatin1Char('5'));
    EXPECT_TRUE(Shown(QStringLiteral("За да промените номера")));
}

TEST_F(FinishOrderTest, AStatusBoxWithoutAnOrderWritesNothing)
{
    Execute(QStringLiteral("DELETE FROM sale"));
    DM->tblSale->RequeryIfRestartable();
    fCarVantel->ShowCurrentSale();
    fCarVantel->cbxPayed->SetChecked(true);
    fCarVantel->cbxAnnul->SetChecked(true);
    EXPECT_EQ(Scalar(QStringLiteral("SELECT count(*) FROM sale")), 0);
}

TEST_F(FinishOrderTest, DeletingAnOrder)
{
    const qint32 withLines = NewOrder({{"4", 1, 30, 0, "-1"}});
    fCarVantel->LockEditing();
    fCarVantel->tbtDellClick(nullptr);
    EXPECT_TRUE(Shown(QStringLiteral("трябва да сте в режим редактиране и")));

    Edit();
    fCarVantel->tbtDellClick(nullptr);
    EXPECT_TRUE(Shown(QStringLiteral("трябва да изтриете всичките й позиции")));
    EXPECT_EQ(Field(withLines, "id"), QString::number(withLines));

    const qint32 empty = NewOrder();
    host_.AnswerQuestion(QStringLiteral("Текущата поръчка ще бъде премахната"), mrNo);
    fCarVantel->tbtDellClick(nullptr);
    EXPECT_EQ(Field(empty, "id"), QString::number(empty));

    host_.AnswerQuestion(QStringLiteral("Текущата поръчка ще бъде премахната"), mrYes);
    fCarVantel->tbtDellClick(nullptr);
    EXPECT_EQ(Field(empty, "id"), QStringLiteral("<none>"));
    EXPECT_TRUE(app::OrderLocked);
}

TEST_F(FinishOrderTest, AnotherStationsOrderStoredWhileTheOrderIsStampedKeepsItsNumber)
{
    const qint32 order = NewOrder({{"4", 1, 30, 0, "-1"}});
    Execute(QStringLiteral("UPDATE sale SET sale_num=NULL WHERE id=%1").arg(order));
    DM->tblSale->Refresh();
    bool stored = false;
    // While the finish asks whether to invoice, another station stores the next order number;
    // once the finish writes its stamps, no other station writes until it has ended.
    fCarVantel->cbxInvoice->SetChecked(true);
    host_.OnForm(QStringLiteral("fMyMessage"), [&](TForm&) {
        stored = true;
        Execute(QStringLiteral("INSERT INTO sale (myfirm_id, cashbox_num, seller_id, sale_num, invoice_accept, "
                               "invoice_annul, invoice_piment) SELECT 1, 1, 1, coalesce(Max(sale_num), 0) + 1, -1, 0, 0 "
                               "FROM sale"));
        return mrNo;
    });
    fCarVantel->Commit1Click(nullptr);
    EXPECT_TRUE(stored);
    EXPECT_EQ(Field(order, "invoice_accept"), QStringLiteral("-1"));
    EXPECT_EQ(Field(order, "sale_num"), QStringLiteral("2"));
    EXPECT_EQ(Scalar(QStringLiteral("SELECT count(DISTINCT sale_num) FROM sale")),
              Scalar(QStringLiteral("SELECT count(*) FROM sale")));
}

}  // namespace

TEST_F(FinishOrderTest, ABadOrderDateIsSaidOnceAndNeverReachesTheFinish)
{
    const qint32 order = NewOrder({{"2", 1, 12.5}});
    QApplication::setActiveWindow(fCarVantel);
    TDBEdit* date = fCarVantel->DBE_sale_date;
    date->setFocus();
    date->selectAll();
    QTest::keyClicks(date, QStringLiteral("31.02.2026"));
    host_.ClearShown();
    QTest::mouseClick(fCarVantel->fbtSave, Qt::LeftButton);
    ASSERT_EQ(host_.Texts().size(), 1u) << host_.Texts().join(QStringLiteral(" | ")).toStdString();
    EXPECT_TRUE(host_.Texts()[0].contains(QStringLiteral("'31.02.2026'")));
    EXPECT_FALSE(Shown(kFailed));
    EXPECT_EQ(QApplication::focusWidget(), date);
    EXPECT_EQ(date->Text(), QStringLiteral("31.02.2026"));
    EXPECT_EQ(Field(order, "invoice_accept"), QStringLiteral("0"));

    // Put right, the order finishes with that date.
    date->selectAll();
    QTest::keyClicks(date, QStringLiteral("28.02.2026"));
    host_.ClearShown();
    QTest::mouseClick(fCarVantel->fbtSave, Qt::LeftButton);
    EXPECT_FALSE(Shown(kFailed));
    EXPECT_EQ(Field(order, "invoice_accept"), QStringLiteral("-1"));
    EXPECT_EQ(Field(order, "sale_date"), QStringLiteral("46081.0"));
}
