#pragma once
// Orders over a shop with lots of stock, for the finishing and the stock window tests.

#include "ProgramFixture.h"

#include "app/windows/uMyMessage.h"
#include "controls/FlatButton.h"
#include "dataaccess/DaoTable.h"
#include "platform/toolkit/Exceptions.h"
#include "platform/toolkit/Fields.h"
#include "platform/toolkit/gui/DBControls.h"
#include "platform/toolkit/gui/Menus.h"
#include "platform/toolkit/gui/ToolBar.h"

#include <QTest>

inline const QString kAdmin = QStringLiteral("Администратор");
inline const QString kFinished = QStringLiteral("Поръчката бе приключена !");
inline const QString kShort = QStringLiteral("Поради изписана липсваща стока от склада");
inline const QString kFailed = QStringLiteral("Процесът е прекратен поради грешка ");
inline const QString kToInvoice = QStringLiteral("трансформирана във фактура");

inline void Tick(TCheckBox* box, bool checked)
{
    const QSignalBlocker quiet(box);
    box->setChecked(checked);
}

struct TLine {
    const char* lot;  // "NULL" for a line not taken from a lot
    double quantity;
    double price;
    double discount = 0;
    const char* service = "0";  // "NULL" for a line typed and never picked
};

// The order window over a shop with lots to sell (tests/fixtures/stock_lots.sql): orders are
// made, given lines, picked into and finished as the operator would.
class StockOrderTest : public ProgramTest {
protected:
    void SetUp() override
    {
        ProgramTest::SetUp();
        ASSERT_EQ(Login(kAdmin, QString()), mrOk);
        Seed("stock_lots.sql");
        Restart();
        ASSERT_EQ(Login(kAdmin, QString()), mrOk);
        Tick(fSetings->cbChangeSaleData, true);
        Tick(fSetings->cbxShowUPayed, true);
        fCarVantel->Show();
    }
    void TearDown() override
    {
        if (fCarVantel) fCarVantel->Hide();
        ProgramTest::TearDown();
    }

    // No orders, none shown.
    void ClearOrders()
    {
        Execute(QStringLiteral("DELETE FROM sale"));
        app::OrderDirty = app::CarEdited = app::ClientEdited = false;
        DM->tblSale->RequeryIfRestartable();
        fCarVantel->ShowCurrentSale();
    }

    qint32 ShownOrder() const { return DM->tblSale->FieldByName(QStringLiteral("id"))->AsInteger(); }

    // A new order, answered Yes, on screen and unlocked, with its lines.
    qint32 NewOrder(const std::vector<TLine>& lines = {})
    {
        host_.AnswerQuestion(QStringLiteral("Нова поръчка ?!"), mrYes);
        fCarVantel->Append1Click(nullptr);
        const qint32 order = ShownOrder();
        int number = 0;
        for (const TLine& line : lines)
            Execute(QStringLiteral("INSERT INTO sale_detail (sale_id, cur_prod_count, article_name, dimention, "
                                   "sale_price, discount, sale_quantity, delivery_price, delivery_detail_id, "
                                   "quantity_reminder, service) VALUES (%1, %2, 'ред', 'бр.', %3, %4, %5, 1, %6, 0, %7)")
                        .arg(order)
                        .arg(++number)
                        .arg(line.price)
                        .arg(line.discount)
                        .arg(line.quantity)
                        .arg(QString::fromLatin1(line.lot))
                        .arg(QString::fromLatin1(line.service)));
        fCarVantel->poReCallClick(nullptr);
        DM->tblSaleTotalQuery->Requery();
        return order;
    }

    // Opens the shown order for editing.
    void Edit()
    {
        fCarVantel->LockEditing();
        fCarVantel->Rollback1Click(nullptr);
        ASSERT_FALSE(app::OrderLocked);
    }

    void GoToOrder(qint32 id)
    {
        Tick(fSetings->cbxOnlythisF, false);
        fCarVantel->ApplySaleFilter();
        DM->tblSale->RequeryIfRestartable();
        ShowOrder(id);
    }

    QString Field(qint32 order, const char* field) const
    {
        const TRows rows = Rows(QStringLiteral("SELECT %1 FROM sale WHERE id=%2").arg(QString::fromLatin1(field)).arg(order));
        return rows.empty() ? QStringLiteral("<none>") : rows.front().front();
    }

    QStringList Reminders(qint32 order) const
    {
        QStringList values;
        for (const QStringList& row :
             Rows(QStringLiteral("SELECT printf('%g', quantity_reminder) FROM sale_detail WHERE sale_id=%1 ORDER BY id").arg(order)))
            values << row.front();
        return values;
    }

    // A finished order of the firm and book with the number, stored past the program.
    void StoreInvoice(int number, int book, int firm, bool annulled = false, bool finished = true) const
    {
        Execute(QStringLiteral("INSERT INTO sale (myfirm_id, cashbox_num, seller_id, sale_num, invoice, kochan_num, "
                               "invoice_num, invoice_accept, invoice_annul, invoice_piment) "
                               "VALUES (%1, 1, 1, 900 + %2, -1, %3, %2, %4, %5, 0)")
                    .arg(firm)
                    .arg(number)
                    .arg(book)
                    .arg(finished ? -1 : 0)
                    .arg(annulled ? -1 : 0));
    }
};

