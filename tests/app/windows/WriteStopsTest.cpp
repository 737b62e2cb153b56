// A station that stops midway through a write of several steps (finishing an order or a
// delivery, closing a cash period, saving an employee with pay rows): the process is ended at
// every step in turn, and a new start finds the write done whole or not begun.

#include "StockOrderFixture.h"
#include "StopRunFixture.h"

#include "app/windows/uCasheBox.h"
#include "app/windows/uEmployee.h"
#include "app/windows/uStorage.h"
#include "platform/toolkit/gui/TreeView.h"

namespace {

// What every new start must find, whatever the stop: no finished order short of stock, no lot
// below zero, invoice numbers unique in their book and firm, every finished invoice numbered.
void ExpectShopSound(const std::function<qint64(const QString&)>& scalar)
{
    EXPECT_EQ(scalar(QStringLiteral(
                  "SELECT count(*) FROM sale s JOIN sale_detail d ON d.sale_id=s.id WHERE s.invoice_accept<>0 AND "
                  "s.invoice_annul=0 AND d.service=0 AND d.quantity_reminder < d.sale_quantity")),
              0)
        << "a finished order short of stock";
    EXPECT_EQ(scalar(QStringLiteral(
                  "SELECT count(*) FROM delivery_detail l WHERE l.delivery_quantity < (SELECT coalesce(sum(d.sale_quantity), 0) "
                  "FROM sale_detail d JOIN sale s ON s.id=d.sale_id WHERE d.delivery_detail_id=l.id AND "
                  "s.invoice_accept<>0 AND s.invoice_annul=0)")),
              0)
        << "a lot below zero";
    EXPECT_EQ(scalar(QStringLiteral("SELECT count(*) FROM (SELECT 1 FROM sale WHERE invoice_num>0 "
                                    "GROUP BY kochan_num, myfirm_id, invoice_num HAVING count(*)>1)")),
              0)
        << "an invoice number twice";
    EXPECT_EQ(scalar(QStringLiteral("SELECT count(*) FROM sale WHERE invoice_accept<>0 AND invoice<>0 AND "
                                    "coalesce(invoice_num, 0)<1")),
              0)
        << "a finished invoice without a number";
}

// The child runs: each works over the folder its parent gives and skips itself on its own.
using WriteStopChild = TStopRunTest<ProgramTest>;

TEST_F(WriteStopChild, FinishesAnOrder)
{
    if (!StartOverParentFolder()) GTEST_SKIP() << "run by OrderFinishStopsTest";
    Tick(fSetings->cbChangeSaleData, true);
    Tick(fSetings->cbxShowUPayed, true);
    Tick(fSetings->cbxOnlythisF, false);
    fCarVantel->Show();
    fCarVantel->ApplySaleFilter();
    DM->tblSale->RequeryIfRestartable();
    ShowOrder(ChildArgument("STOP_ORDER").toInt());
    fCarVantel->LockEditing();
    fCarVantel->Rollback1Click(nullptr);
    ASSERT_FALSE(app::OrderLocked);
    Tick(fCarVantel->cbxInvoice, true);
    host_.AnswerQuestion(kToInvoice, mrYes);
    fCarVantel->Commit1Click(nullptr);
}

TEST_F(WriteStopChild, FinishesANewDelivery)
{
    if (!StartOverParentFolder()) GTEST_SKIP() << "run by DeliveryFinishStopsTest";
    Tick(fSetings->cbMessages, false);
    fSetings->cbxCashBoxNum->SetText(QStringLiteral("3"));
    fStorage->SetDeliveryReadOnly(true);
    fStorage->SetStoreReadOnly(true);
    OpenWindow("fStorage", [](TForm&) {
        fStorage->TreeView1->SetSelected(fStorage->TreeView1->Items().Item(1));
        fStorage->bNewClick(fStorage);
        fStorage->Add1Click(fStorage);
        TDaoTable* lines = DM->tblDeliveryDetail;
        lines->FieldByName(QStringLiteral("article_name"))->SetAsString(QStringLiteral("Крушка H4"));
        lines->FieldByName(QStringLiteral("delivery_price"))->SetAsFloat(1.5);
        lines->FieldByName(QStringLiteral("delivery_quantity"))->SetAsFloat(2);
        lines->Post();
        fStorage->bAddClick(fStorage);
        return mrCancel;
    });
}

TEST_F(WriteStopChild, ClosesTheDay)
{
    if (!StartOverParentFolder()) GTEST_SKIP() << "run by CashClosingStopsTest";
    Tick(fSetings->cbMessages, false);
    fCasheBox->bDailyClick(nullptr);
    ASSERT_TRUE(fCasheBox->bEnd->Enabled());
    fCasheBox->bEndClick(nullptr);
}

TEST_F(WriteStopChild, SavesAnEmployeeWithPayRows)
{
    if (!StartOverParentFolder()) GTEST_SKIP() << "run by EmployeeSaveStopsTest";
    TfEmployee* window = fEmployee;
    window->SetReadOnly(false);
    window->FormShow(window);
    ASSERT_TRUE(DM->tblEmployee->Locate(QStringLiteral("id"), TVariant(1), {}));
    DM->tblEmployee->Edit();
    DM->tblEmployee->FieldByName(QStringLiteral("phone"))->SetAsString(QStringLiteral("0888000000"));
    TDaoTable* payments = DM->tblEmployeePayment;
    payments->Append();
    payments->FieldByName(QStringLiteral("work"))->SetAsString(QStringLiteral("Смяна на гуми"));
    payments->FieldByName(QStringLiteral("work_price"))->SetAsFloat(60);
    payments->FieldByName(QStringLiteral("payment"))->SetAsFloat(24);
    TDaoTable* work = DM->tblEmployeeWork;
    work->Append();
    work->FieldByName(QStringLiteral("absence_days"))->SetAsInteger(1);
    work->FieldByName(QStringLiteral("payment"))->SetAsFloat(900);
    window->bSaveClick(window);
}

// --- the parents ---------------------------------------------------------------------------------

class OrderFinishStopsTest : public TStopRunTest<StockOrderTest> {
protected:
    // The order's stamps and its lines' stock, as a new start reads them, the shop checked sound.
    TRows OrderState(qint32 order)
    {
        ExpectShopSound([this](const QString& sql) { return Scalar(sql); });
        TRows rows = Rows(QStringLiteral("SELECT sale_num, tax_rate, sum_sale_total, invoice_num, invoice, "
                                         "invoice_accept, seller_id, cashbox_num FROM sale WHERE id=%1")
                              .arg(order));
        for (const QStringList& line :
             Rows(QStringLiteral("SELECT quantity_reminder FROM sale_detail WHERE sale_id=%1 ORDER BY id").arg(order)))
            rows.push_back(line);
        return rows;
    }

    // Every stop leaves the order as it was; the full run leaves `finished` (its invoice numbered).
    void ExpectStopsLeaveTheOrderWhole(const std::vector<TLine>& lines, const TRows& finished)
    {
        const qint32 order = NewOrder(lines);
        const TRows before = OrderState(order);
        const std::vector<TRows> states =
            StatesAtEachStop("WriteStopChild.FinishesAnOrder", "finishing an order",
                             [&] { return OrderState(order); }, {{"STOP_ORDER", QByteArray::number(order)}});
        ASSERT_GE(states.size(), 8u);
        for (size_t stop = 0; stop + 1 < states.size(); ++stop)
            EXPECT_EQ(states[stop], before) << "stopped at " << stop + 1;
        EXPECT_EQ(states.back(), finished);
    }
};

// The station's own case: the lot holds 5, the line takes 50. Stopped at the first line's stock
// after the sold mark, the order used to stay finished, invoice 1, its lot at -45.
TEST_F(OrderFinishStopsTest, AnOrderShortOfStockIsNeverLeftFinished)
{
    ExpectStopsLeaveTheOrderWhole({{"2", 50, 12.5}},
                                  {{"1", "20", "750.0", "1", "-1", "0", "1", "1"}, {"5.0"}});
}

TEST_F(OrderFinishStopsTest, AnOrderWithItsStockIsFinishedWholeOrNotAtAll)
{
    ExpectStopsLeaveTheOrderWhole({{"2", 3, 12.5}, {"4", 1, 30, 0, "-1"}},
                                  {{"1", "20", "81.0", "1", "-1", "-1", "1", "1"}, {"5.0"}, {"1000.0"}});
}

class DeliveryFinishStopsTest : public TStopRunTest<ProgramTest> {
protected:
    void SetUp() override
    {
        TStopRunTest<ProgramTest>::SetUp();
        Seed("stores_deliveries.sql");
        LoginAsAdministrator();
    }
    TRows NewDelivery()
    {
        return Rows("SELECT seller_id, delivery_piment, cashbox_num, delivery_sum, delivery_tax_value, store_id "
                    "FROM delivery WHERE id=(SELECT max(id) FROM delivery)");
    }
};

TEST_F(DeliveryFinishStopsTest, ADeliveryIsFinishedWholeOrNotAtAll)
{
    const std::vector<TRows> states =
        StatesAtEachStop("WriteStopChild.FinishesANewDelivery", "finishing a delivery", [this] { return NewDelivery(); });
    ASSERT_GE(states.size(), 4u);
    // Each stop leaves the new delivery with its line, not paid, nothing of the finish stored.
    const TRows unfinished = states.front();
    ASSERT_EQ(unfinished.size(), 1u);
    EXPECT_EQ(unfinished[0][0], QString());
    EXPECT_EQ(unfinished[0][1], QStringLiteral("0"));
    for (size_t stop = 0; stop + 1 < states.size(); ++stop)
        EXPECT_EQ(states[stop], unfinished) << "stopped at " << stop + 1;
    EXPECT_EQ(states.back(), (TRows{{"1", "-1", "3", "3.0", "0.0", "1"}}));
    // The store's own post on the way read its deliveries again: no other one was stamped.
    EXPECT_EQ(Rows("SELECT count(*) FROM delivery WHERE seller_id IS NOT NULL"), (TRows{{"1"}}));
}

class CashClosingStopsTest : public TStopRunTest<ProgramTest> {
protected:
    void SetUp() override
    {
        TStopRunTest<ProgramTest>::SetUp();
        LoginAsAdministrator();
        Seed("cash_period.sql");
    }
};

TEST_F(CashClosingStopsTest, AClosingIsWrittenOnceOrNotAtAll)
{
    const qint64 closings = Scalar(QStringLiteral("SELECT count(*) FROM cashbox"));
    const std::vector<TRows> states = StatesAtEachStop("WriteStopChild.ClosesTheDay", "closing a cash period", [this] {
        return Rows("SELECT count(*) FROM cashbox");
    });
    ASSERT_GE(states.size(), 2u);
    for (size_t stop = 0; stop + 1 < states.size(); ++stop)
        EXPECT_EQ(states[stop], (TRows{{QString::number(closings)}})) << "stopped at " << stop + 1;
    EXPECT_EQ(states.back(), (TRows{{QString::number(closings + 1)}}));
}

class EmployeeSaveStopsTest : public TStopRunTest<ProgramTest> {
protected:
    void SetUp() override
    {
        TStopRunTest<ProgramTest>::SetUp();
        Seed("employees.sql");
        LoginAsAdministrator();
    }
};

TEST_F(EmployeeSaveStopsTest, AnEmployeeIsStoredWithAllItsPayRowsOrNone)
{
    const std::vector<TRows> states = StatesAtEachStop("WriteStopChild.SavesAnEmployeeWithPayRows", "saving an employee", [this] {
        return Rows("SELECT phone, (SELECT count(*) FROM employee_payment WHERE employee_id=1), "
                    "(SELECT count(*) FROM employee_working WHERE employee_id=1) FROM employee WHERE id=1");
    });
    ASSERT_GE(states.size(), 4u);
    for (size_t stop = 0; stop + 1 < states.size(); ++stop)
        EXPECT_EQ(states[stop], (TRows{{"0888123456", "1", "1"}})) << "stopped at " << stop + 1;
    EXPECT_EQ(states.back(), (TRows{{"0888000000", "2", "2"}}));
}

}  // namespace
