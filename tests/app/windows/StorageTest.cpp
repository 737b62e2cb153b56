// The stores window over a small shop: stores, a new delivery end to end, the markup rule, the
// totals stored when a delivery is finished, the deletes and the line searches.

#include "ProgramFixture.h"

#include "app/windows/uDeliverySearchForm.h"
#include "app/windows/uStorage.h"
#include "controls/FlatButton.h"
#include "dataaccess/DaoTable.h"
#include "platform/toolkit/DataSource.h"
#include "platform/toolkit/Fields.h"
#include "platform/toolkit/gui/DBControls.h"
#include "platform/toolkit/gui/DBGrid.h"
#include "platform/toolkit/gui/Menus.h"
#include "platform/toolkit/gui/TreeView.h"

#include <QHeaderView>
#include <QTest>

namespace {

}  // namespace

// Rows as a failed check prints them.
inline void PrintTo(const QStringList& row, std::ostream* out) { *out << row.join(QLatin1Char('|')).toStdString(); }

namespace {

class StorageTest : public ProgramTest {
protected:
    // Logs in on the seeded shop, as far as the main window's first show.
    void Open(const char* fixture = "stores_deliveries.sql")
    {
        if (fixture) Seed(fixture);
        LoginAsAdministrator();
        app::MainFormReady = true;
        fSetings->cbxCashBoxNum->SetText(QStringLiteral("3"));
    }
    // Shows the stores window as the store button does and works it with `script`.
    void InStorage(const std::function<void(TfStorage&)>& script)
    {
        fStorage->SetDeliveryReadOnly(true);
        fStorage->SetStoreReadOnly(true);
        OpenWindow("fStorage", [&](TForm&) {
            script(*fStorage);
            return mrCancel;
        });
    }
    static void SelectStore(TfStorage& w, int node) { w.TreeView1->SetSelected(w.TreeView1->Items().Item(node)); }
    static void SetLine(const char* field, const QString& value)
    {
        DM->tblDeliveryDetail->FieldByName(QString::fromLatin1(field))->SetAsString(value);
    }
    static QString Line(const char* field)
    {
        return DM->tblDeliveryDetail->FieldByName(QString::fromLatin1(field))->AsString();
    }
    static void GoToDelivery(qint32 id)
    {
        DM->tblDelivery->SetKeyFields(QStringLiteral("id"));
        ASSERT_TRUE(DM->tblDelivery->FindKey({id}));
    }
    // Ticks or unticks "changes of old data allowed", answering its warning.
    void AllowChanges(bool allow)
    {
        host_.AnswerQuestion(QStringLiteral("В този режим"), mrYes);
        fSetings->cbChangeSaleData->SetChecked(allow);
    }
    // All stores shown, the delivery current and its store chosen, as the search leaves it.
    static void Browse(TfStorage& w, qint32 id)
    {
        SelectStore(w, 0);
        GoToDelivery(id);
        w.LocateDeliveryStore();
    }
    // A new delivery of the first store, answered Yes; its id.
    qint32 NewDelivery(TfStorage& w)
    {
        SelectStore(w, 1);
        host_.AnswerQuestion(QStringLiteral("Нова доставка за"), mrYes);
        w.bNewClick(&w);
        return DM->tblDelivery->FieldByName(QStringLiteral("id"))->AsInteger();
    }
    static void SelectColumn(TfStorage& w, const char* field)
    {
        for (int i = 0; i < w.DBGrid1->Columns().Count(); ++i)
            if (w.DBGrid1->Columns()[i]->FieldName() == QLatin1String(field)) w.DBGrid1->SetSelectedIndex(i);
    }
};

TEST(MarkedUpPrice, RoundsToTheStotinkaAsShown)
{
    struct Case {
        double price;
        int percent;
        double sale;
    } cases[] = {{1.13, 40, 1.58}, {2.30, 40, 3.22}, {10, 40, 14}, {0.125, 0, 0.13}, {1.005, 0, 1.01},
                 {3.33, 25, 4.16}, {0, 40, 0},      {7.77, 0, 7.77}, {-1.005, 0, -1.01}};
    for (const Case& c : cases) {
        SCOPED_TRACE(c.price);
        EXPECT_EQ(TfStorage::MarkedUpPrice(c.price, c.percent), c.sale);
    }
}

TEST_F(StorageTest, ANewShopGetsItsFirstStoresAndADeliveryEndToEnd)
{
    Open(nullptr);
    fSetings->cbMessages->SetChecked(true);
    InStorage([&](TfStorage& w) {
        ASSERT_EQ(w.TreeView1->Items().Count(), 1);
        EXPECT_EQ(w.TreeView1->Items().Item(0)->Text(), QStringLiteral("Складове"));
        host_.AnswerQuestion(QStringLiteral("Трябва да създадете нов склад"), mrYes);
        w.bNewClick(&w);
        host_.AnswerQuestion(QStringLiteral("Тази функция добавя нов склад"), mrYes);
        w.AddStore1Click(&w);
        ASSERT_EQ(w.TreeView1->Items().Count(), 3);
        EXPECT_EQ(w.TreeView1->Items().Item(1)->Text(), QStringLiteral("Склад1"));
        EXPECT_EQ(w.TreeView1->Items().Item(2)->Text(), QStringLiteral("Склад2"));

        SelectStore(w, 1);
        host_.ClearShown();
        host_.AnswerQuestion(QStringLiteral("Нова доставка за"), mrYes);
        w.bNewClick(&w);
        ASSERT_GE(host_.Texts().size(), 2u);
        EXPECT_EQ(host_.Texts()[0], QStringLiteral("Нова доставка за \"Склад1\" .\rНаистина ли искате това ?"));
        EXPECT_EQ(host_.Texts()[1],
                  QStringLiteral("Сложете отметка на \"Платено\",\rсамо ако плащането е от вашата каса !"));
        EXPECT_TRUE(w.Editing());
        EXPECT_TRUE(w.lblEditing->isVisibleTo(&w));
        EXPECT_FALSE(w.TreeView1->isEnabled());
        EXPECT_TRUE(w.cDeliveryPiment->Checked());
        // Posted at once, with the settings' cash box.
        EXPECT_EQ(Rows("SELECT store_id, cashbox_num FROM delivery"), (TRows{{"1", "3"}}));

        // The hint only once per showing.
        host_.ClearShown();
        w.cDeliveryPiment->SetChecked(false);
        w.cDeliveryPiment->SetChecked(true);
        EXPECT_FALSE(Shown(QStringLiteral("Сложете отметка")));

        w.Add1Click(&w);
        SetLine("article_code", QStringLiteral("K1"));
        SetLine("article_name", QStringLiteral("Крушка H4"));
        SetLine("delivery_quantity", QStringLiteral("2"));
        DM->tblDeliveryDetail->Post();
        SelectColumn(w, "delivery_price");
        DM->tblDeliveryDetail->Edit();
        SetLine("delivery_price", QStringLiteral("1.13"));
        w.DBGrid1ColExit(w.DBGrid1);
        EXPECT_EQ(Rows("SELECT article_name, sale_price, delivery_price, delivery_quantity FROM delivery_detail"),
                  (TRows{{"Крушка H4", "1.58", "1.13", "2.0"}}));

        host_.ClearShown();
        w.bAddClick(&w);
        EXPECT_TRUE(Shown(QStringLiteral("Доставката бе приключена !")));
        EXPECT_FALSE(w.Editing());
        EXPECT_FALSE(w.MustFinish());
        EXPECT_TRUE(w.TreeView1->isEnabled());
    });
    EXPECT_EQ(Rows("SELECT seller_id, delivery_piment, cashbox_num, delivery_sum, last_modified IS NOT NULL "
                   "FROM delivery"),
              (TRows{{app::CurrentSellerId, "-1", "3", "2.26", "1"}}));
}

TEST_F(StorageTest, FinishingWithAnUnnamedLineOrNoLineIsRefusedAndWritesNothing)
{
    const struct {
        const char* name;
        bool line;
    } cases[] = {{"an unnamed line", true}, {"no line at all", false}};
    Open();
    fSetings->cbMessages->SetChecked(true);
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        qint32 id = 0;
        InStorage([&](TfStorage& w) {
            id = NewDelivery(w);
            if (c.line) {
                w.Add1Click(&w);
                SetLine("delivery_price", QStringLiteral("5"));
            }
            host_.ClearShown();
            w.bAddClick(&w);
            EXPECT_TRUE(Shown(QStringLiteral("Не сте въвели име на номенклатура !")));
            EXPECT_FALSE(Shown(QStringLiteral("Доставката бе приключена !")));
            EXPECT_TRUE(w.MustFinish());
            EXPECT_TRUE(w.Editing());
            if (c.line) DM->tblDeliveryDetail->Cancel();
            host_.AnswerQuestion(QStringLiteral("трябва да приключите доставката"), mrNo);
        });
        EXPECT_EQ(Rows(QStringLiteral("SELECT seller_id, delivery_piment, delivery_sum FROM delivery WHERE id=%1")
                           .arg(id)),
                  (TRows{{"", "0", "0.0"}}));
        // Next time it is on screen again to finish or remove; removed here.
        InStorage([&](TfStorage& w) {
            host_.AnswerQuestion(QStringLiteral("Наистина ли искате това ?"), mrYes);
            AllowChanges(true);
            w.bDelClick(&w);
        });
    }
}

// The header's totals are those of the lines left after one is deleted.
TEST_F(StorageTest, TheHeaderShowsTheTotalsOfTheLinesLeftAfterADelete)
{
    Seed("stores_deliveries.sql");
    Execute(QStringLiteral("INSERT INTO delivery_detail (id, delivery_id, store_id, article_code, article_name, "
                           "sale_price, dimention, service, delivery_price, delivery_quantity, state) "
                           "VALUES (6, 1, 1, 'W1', 'Чистачки', 14, 'бр.', 0, 10, 3, 0)"));
    Open(nullptr);
    AllowChanges(true);
    fSetings->cbMessages->SetChecked(true);
    const struct {
        const char* name;
        qint32 delivery, line;
        const char* before;
        const char* after;
    } cases[] = {
        {"one of three lines", 1, 6, "170.00|34.00|204.00", "140.00|28.00|168.00"},
        {"the only line", 4, 5, "45.00|9.00|54.00", "||"},
    };
    InStorage([&](TfStorage& w) {
        const auto header = [&w] {
            return QStringList({w.dbeCurrencyValue->Text(), w.dbeDeliveryTaxValue->Text(), w.dbeDeliverySum->Text()})
                .join(QLatin1Char('|'));
        };
        for (const auto& c : cases) {
            SCOPED_TRACE(c.name);
            Browse(w, c.delivery);
            w.bSearchClick(&w);
            ASSERT_TRUE(w.Editing());
            EXPECT_EQ(header(), QString::fromLatin1(c.before));
            DM->tblDeliveryDetail->SetKeyFields(QStringLiteral("id"));
            ASSERT_TRUE(DM->tblDeliveryDetail->FindKey({c.line}));
            host_.AnswerQuestion(QStringLiteral("Текущия ред от таблицата ще бъде премахнат !"), mrYes);
            w.Delete1Click(&w);
            ASSERT_EQ(Scalar(QStringLiteral("SELECT count(*) FROM delivery_detail WHERE id=%1").arg(c.line)), 0);
            EXPECT_EQ(header(), QString::fromLatin1(c.after));
            // The totals themselves, not only what the edits show.
            const TDataSet* totals = DM->tblQDeliveryTotal;
            EXPECT_EQ(totals->IsEmpty() ? QString() : totals->FieldByName(QStringLiteral("DeliveryTotal"))->AsString(),
                      QString::fromLatin1(c.after).section(QLatin1Char('|'), 2));
        }
    });
}

struct MarkupCase {
    const char* name;
    const char* deliveryPrice;
    const char* percent;
    const char* salePrice;  // before
    bool markup;            // cbUpDelivery
    bool messages, warnings;
    TModalResult answer;
    const char* column;
    const char* stored;
    bool asked;
};

TEST_F(StorageTest, TheMarkupRuleAsATable)
{
    const MarkupCase cases[] = {
        {"no sale price: silent", "10", "40", "", true, true, true, mrNo, "delivery_price", "14.0", false},
        {"zero sale price: silent", "2.3", "40", "0", true, true, true, mrNo, "delivery_price", "3.22", false},
        {"a sale price, asked, yes", "10", "25", "11", true, true, false, mrYes, "delivery_price", "12.5", true},
        {"a sale price, asked, no", "10", "25", "11", true, false, true, mrNo, "delivery_price", "11.0", true},
        {"a sale price, nothing asked", "10", "25", "11", true, false, false, mrNo, "delivery_price", "12.5", false},
        {"markup off", "10", "40", "", false, true, true, mrNo, "delivery_price", "0.0", false},
        {"another column left", "10", "40", "", true, true, true, mrNo, "delivery_quantity", "0.0", false},
        {"no percent", "10", "", "", true, true, true, mrNo, "delivery_price", "0.0", false},
    };
    Open();
    InStorage([&](TfStorage& w) {
        SelectStore(w, 1);
        host_.AnswerQuestion(QStringLiteral("Нова доставка за"), mrYes);
        w.bNewClick(&w);
        for (const MarkupCase& c : cases) {
            SCOPED_TRACE(c.name);
            fSetings->cbMessages->SetChecked(c.messages);
            fSetings->cbWarnings->SetChecked(c.warnings);
            w.cbUpDelivery->SetChecked(c.markup);
            w.edUpDelivery->SetText(QString::fromLatin1(c.percent));
            SelectColumn(w, "article_name");
            w.Add1Click(&w);
            SetLine("article_name", QString::fromUtf8(c.name));
            SetLine("delivery_price", QString::fromLatin1(c.deliveryPrice));
            SetLine("sale_price", QString::fromLatin1(c.salePrice));
            DM->tblDeliveryDetail->Post();
            SelectColumn(w, c.column);
            // The person starts changing the line in the column, then leaves it.
            DM->tblDeliveryDetail->Edit();
            host_.ClearShown();
            if (c.asked) host_.AnswerQuestion(QStringLiteral("Искате ли продажната цена"), c.answer);
            w.DBGrid1ColExit(w.DBGrid1);
            EXPECT_EQ(Shown(QStringLiteral("Искате ли продажната цена да бъде с \r%1% по-висока от доставната ?")
                                .arg(QString::fromLatin1(c.percent))),
                      c.asked);
            EXPECT_EQ(DM->tblDeliveryDetail->State(), dsBrowse);
            EXPECT_EQ(Rows(QStringLiteral("SELECT sale_price FROM delivery_detail WHERE article_name='%1'")
                               .arg(QString::fromUtf8(c.name))),
                      (TRows{{QString::fromLatin1(c.stored)}}));
        }
        host_.AnswerQuestion(QStringLiteral("Доставката бе приключена"), mrOk);
        w.bAddClick(&w);
    });
}

TEST_F(StorageTest, TotalsStoredWhenADeliveryIsFinished)
{
    struct Case {
        qint32 delivery;
        const char* header;  // the three texts of the header
        const char* sum;
        const char* tax;
        const char* rated;
    } cases[] = {
        {1, "140.00|28.00|168.00", "140.0", "28.0", "1"},
        {2, "430.28|86.06|516.34", "430.2826", "86.05652", "1"},
        // No lines: not finished, nothing stored.
        {3, "||", "", "", "0"},
    };
    Open();
    AllowChanges(true);
    InStorage([&](TfStorage& w) {
        SelectStore(w, 0);
        for (const Case& c : cases) {
            SCOPED_TRACE(c.delivery);
            Browse(w, c.delivery);
            w.bSearchClick(&w);
            ASSERT_TRUE(w.Editing());
            EXPECT_EQ(QStringList({w.dbeCurrencyValue->Text(), w.dbeDeliveryTaxValue->Text(), w.dbeDeliverySum->Text()})
                          .join(QLatin1Char('|')),
                      QString::fromLatin1(c.header));
            host_.AnswerQuestion(QStringLiteral("приключена"), mrOk);
            w.bAddClick(&w);
            EXPECT_EQ(Rows(QStringLiteral("SELECT delivery_sum, delivery_tax_value, currency_rate IS NOT NULL FROM "
                                          "delivery WHERE id=%1")
                               .arg(c.delivery)),
                      (TRows{{QString::fromLatin1(c.sum), QString::fromLatin1(c.tax), QString::fromLatin1(c.rated)}}));
        }
        // A rate changed and the edit left: the stored totals follow at once.
        Browse(w, 1);
        w.bSearchClick(&w);
        DM->tblDelivery->Edit();
        DM->tblDelivery->FieldByName(QStringLiteral("currency_rate"))->SetAsFloat(2);
        w.HeaderEditExit(w.dbeCurrencyRate);
        EXPECT_EQ(Rows("SELECT delivery_sum, delivery_tax_value FROM delivery WHERE id=1"), (TRows{{"280.0", "56.0"}}));
        EXPECT_EQ(w.dbeCurrencyValue->Text(), QStringLiteral("280.00"));
    });
}

TEST_F(StorageTest, ADeliveryPaidBeforeKeepsItsCashBoxWhenFinishedAgain)
{
    Open();
    AllowChanges(true);
    InStorage([&](TfStorage& w) {
        Browse(w, 1);
        w.bSearchClick(&w);
        app::LinesPosted = true;
        w.bAddClick(&w);
        Browse(w, 2);
        w.bSearchClick(&w);
        w.cDeliveryPiment->SetChecked(true);
        app::LinesPosted = true;
        w.bAddClick(&w);
    });
    EXPECT_EQ(Rows("SELECT id, cashbox_num, delivery_piment FROM delivery WHERE id IN (1, 2) ORDER BY id"),
              (TRows{{"1", "1", "-1"}, {"2", "3", "-1"}}));
}

// A new delivery left unfinished when the window closed is on screen again at the next showing,
// ready to finish or to remove, and the window works meanwhile.
TEST_F(StorageTest, ADeliveryLeftUnfinishedIsReadyToFinishOrRemoveNextTime)
{
    const struct {
        const char* name;
        bool line;
        bool finish;  // or remove
    } cases[] = {{"finished next time", true, true}, {"removed next time", false, false}};
    Open();
    AllowChanges(true);
    fSetings->cbMessages->SetChecked(true);
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        qint32 id = 0;
        host_.ClearShown();
        InStorage([&](TfStorage& w) {
            id = NewDelivery(w);
            if (c.line) {
                w.Add1Click(&w);
                SetLine("article_name", QStringLiteral("Крушка H4"));
                SetLine("delivery_price", QStringLiteral("1.5"));
                SetLine("delivery_quantity", QStringLiteral("2"));
                DM->tblDeliveryDetail->Post();
            }
            host_.AnswerQuestion(QStringLiteral("трябва да приключите доставката"), mrNo);
        });
        EXPECT_TRUE(Shown(QStringLiteral("За да няма загуба на данни,\rтрябва да приключите доставката !")));
        EXPECT_EQ(Rows(QStringLiteral("SELECT seller_id FROM delivery WHERE id=%1").arg(id)), (TRows{{""}}));

        InStorage([&](TfStorage& w) {
            EXPECT_TRUE(w.TreeView1->isEnabled());
            EXPECT_EQ(DM->tblDelivery->FieldByName(QStringLiteral("id"))->AsInteger(), id);
            EXPECT_EQ(w.eDeliveryID->Text(), QString::number(id));
            EXPECT_TRUE(w.Editing());
            EXPECT_TRUE(w.MustFinish());
            // The arrows move through the store's deliveries and back.
            w.bLeftClick(&w);
            EXPECT_NE(DM->tblDelivery->FieldByName(QStringLiteral("id"))->AsInteger(), id);
            w.bRightClick(&w);
            ASSERT_EQ(DM->tblDelivery->FieldByName(QStringLiteral("id"))->AsInteger(), id);
            host_.ClearShown();
            host_.AnswerQuestion(QStringLiteral("Наистина ли искате това ?"), mrYes);
            if (c.finish) {
                w.cDeliveryPiment->SetChecked(true);
                w.bAddClick(&w);
                EXPECT_TRUE(Shown(QStringLiteral("Доставката бе приключена !")));
            } else {
                w.bDelClick(&w);
            }
            EXPECT_FALSE(w.MustFinish());
            EXPECT_FALSE(w.Editing());
            host_.ClearShown();
        });
        EXPECT_FALSE(Shown(QStringLiteral("трябва да приключите доставката")));
        if (c.finish) {
            EXPECT_EQ(Rows(QStringLiteral("SELECT seller_id, delivery_piment, cashbox_num, delivery_sum FROM delivery "
                                          "WHERE id=%1")
                               .arg(id)),
                      (TRows{{app::CurrentSellerId, "-1", "3", "3.0"}}));
        } else {
            EXPECT_EQ(Scalar(QStringLiteral("SELECT count(*) FROM delivery WHERE id=%1").arg(id)), 0);
        }
        // No other delivery was stamped: only the one finished in the first case.
        EXPECT_EQ(Scalar(QStringLiteral("SELECT count(*) FROM delivery WHERE seller_id IS NOT NULL")), 1);

        // The next showing is as any other.
        InStorage([&](TfStorage& w) {
            EXPECT_TRUE(w.TreeView1->isEnabled());
            EXPECT_FALSE(w.MustFinish());
        });
    }
}

TEST_F(StorageTest, DeletesAsATable)
{
    struct Case {
        const char* name;
        std::function<void(TfStorage&)> act;
        bool messages;
        const char* shown;
        const char* left;  // SQL counting what should be left
        int count;
    };
    Open();
    AllowChanges(true);
    const Case cases[] = {
        {"a store with deliveries", [](TfStorage& w) { SelectStore(w, 1); w.DelStore1Click(&w); }, true,
         "Не може да премахнете този склад,\rдокато има доставки свързани с него !", "SELECT count(*) FROM store", 2},
        {"a delivery with lines", [](TfStorage& w) { Browse(w, 1); w.bDelClick(&w); }, true,
         "Не може да изтривате тази доставка,\rдокато има компоненти свързани към нея !",
         "SELECT count(*) FROM delivery", 4},
        {"a sold line", [](TfStorage& w) { Browse(w, 1); w.bSearchClick(&w); w.Delete1Click(&w); }, true,
         "Не може да изтривате този ред,\rдокато има поръчки свързани към него !",
         "SELECT count(*) FROM delivery_detail WHERE id=1", 1},
        {"an unsold line, messages off", [](TfStorage& w) { Browse(w, 4); w.bSearchClick(&w); w.Delete1Click(&w); },
         false, nullptr, "SELECT count(*) FROM delivery_detail WHERE id=5", 1},
        {"an unsold line", [](TfStorage& w) { Browse(w, 4); w.bSearchClick(&w); w.Delete1Click(&w); }, true,
         nullptr, "SELECT count(*) FROM delivery_detail WHERE id=5", 0},
        {"a delivery without lines", [](TfStorage& w) { Browse(w, 4); w.bDelClick(&w); }, true, nullptr,
         "SELECT count(*) FROM delivery WHERE id=4", 0},
        {"a delivery, no changes allowed",
         [&](TfStorage& w) { AllowChanges(false); Browse(w, 3); w.bDelClick(&w); }, true,
         nullptr, "SELECT count(*) FROM delivery WHERE id=3", 1},
        {"a delivery without lines, changes allowed",
         [&](TfStorage& w) { AllowChanges(true); Browse(w, 3); w.bDelClick(&w); }, true,
         nullptr, "SELECT count(*) FROM delivery WHERE id=3", 0},
        {"a store without deliveries", [](TfStorage& w) { SelectStore(w, 2); w.DelStore1Click(&w); }, true, nullptr,
         "SELECT count(*) FROM store WHERE id=2", 0},
    };
    InStorage([&](TfStorage& w) {
        SelectStore(w, 0);
        for (const Case& c : cases) {
            SCOPED_TRACE(c.name);
            fSetings->cbMessages->SetChecked(c.messages);
            host_.ClearShown();
            host_.AnswerQuestion(QStringLiteral("Наистина ли искате това ?"), mrYes);
            c.act(w);
            if (c.shown) {
                EXPECT_TRUE(Shown(QString::fromUtf8(c.shown)));
            }
            EXPECT_EQ(Scalar(QString::fromUtf8(c.left)), c.count);
        }
    });
}

// The engine refuses: a trigger aborts the statement, or a table the check reads is not there.
TEST_F(StorageTest, AFailingEngineTakesTheFailurePathAndChangesNothing)
{
    struct Case {
        const char* name;
        const char* refuse;  // run before, undone after
        const char* undo;
        std::function<void(TfStorage&)> act;
        const char* shown;
        const char* left;
        int count;
    };
    const char* const kNotDeleted = "Поради възникнала грешка, записът не бе премахнат !";
    Open();
    Execute(QStringLiteral("INSERT INTO store (id, \"index\", store_name, deleted) VALUES (3, 3, 'Празен', 0)"));
    DM->tblStore->Requery();
    AllowChanges(true);
    const Case cases[] = {
        {"a store's delete", "CREATE TRIGGER refuse BEFORE DELETE ON store BEGIN SELECT RAISE(ABORT, 'no'); END",
         "DROP TRIGGER refuse", [](TfStorage& w) { SelectStore(w, 3); w.DelStore1Click(&w); },
         "Поради възникнала грешка, склада не бе премахнат !", "SELECT count(*) FROM store WHERE id=3", 1},
        {"a delivery's delete",
         "CREATE TRIGGER refuse BEFORE DELETE ON delivery BEGIN SELECT RAISE(ABORT, 'no'); END",
         "DROP TRIGGER refuse", [](TfStorage& w) { Browse(w, 3); w.bDelClick(&w); }, kNotDeleted,
         "SELECT count(*) FROM delivery WHERE id=3", 1},
        {"a line's delete",
         "CREATE TRIGGER refuse BEFORE DELETE ON delivery_detail BEGIN SELECT RAISE(ABORT, 'no'); END",
         "DROP TRIGGER refuse", [](TfStorage& w) { Browse(w, 4); w.bSearchClick(&w); w.Delete1Click(&w); },
         kNotDeleted, "SELECT count(*) FROM delivery_detail WHERE id=5", 1},
        {"the check whether orders took from a line", "ALTER TABLE sale_detail RENAME TO sale_detail_away",
         "ALTER TABLE sale_detail_away RENAME TO sale_detail",
         [](TfStorage& w) { Browse(w, 4); w.bSearchClick(&w); w.Delete1Click(&w); }, kNotDeleted,
         "SELECT count(*) FROM delivery_detail WHERE id=5", 1},
        {"the paid mark's post",
         "CREATE TRIGGER refuse BEFORE UPDATE ON delivery BEGIN SELECT RAISE(ABORT, 'no'); END",
         "DROP TRIGGER refuse",
         [](TfStorage& w) {
             Browse(w, 2);
             w.bSearchClick(&w);
             w.cDeliveryPiment->SetChecked(true);
             app::LinesPosted = true;
             w.bAddClick(&w);
         },
         "Поради възникнала грешка,\rдоставката не може да се приключи !",
         "SELECT count(*) FROM delivery WHERE id=2 AND delivery_piment=0 AND seller_id IS NULL", 1},
        {"the finishing stamp",
         "CREATE TRIGGER refuse BEFORE UPDATE OF seller_id ON delivery BEGIN SELECT RAISE(ABORT, 'no'); END",
         "DROP TRIGGER refuse",
         [](TfStorage& w) {
             Browse(w, 2);
             w.bSearchClick(&w);
             app::LinesPosted = true;
             w.bAddClick(&w);
         },
         "Поради възникнала грешка,\rдоставката не може да се приключи !",
         "SELECT count(*) FROM delivery WHERE id=2 AND seller_id IS NULL", 1},
    };
    fSetings->cbMessages->SetChecked(true);
    InStorage([&](TfStorage& w) {
        for (const Case& c : cases) {
            SCOPED_TRACE(c.name);
            app::LinesPosted = false;
            Execute(QString::fromUtf8(c.refuse));
            host_.ClearShown();
            host_.AnswerQuestion(QStringLiteral("Наистина ли искате това ?"), mrYes, -1);
            c.act(w);
            Execute(QString::fromUtf8(c.undo));
            EXPECT_TRUE(Shown(QString::fromUtf8(c.shown))) << host_.Texts().join(QLatin1Char('|')).toStdString();
            EXPECT_EQ(Scalar(QString::fromUtf8(c.left)), c.count);
            // Nothing is left half-written for the next move to post, and a failed finish is still due.
            for (TDataSet* dataSet : {static_cast<TDataSet*>(DM->tblStore), static_cast<TDataSet*>(DM->tblDelivery)})
                EXPECT_EQ(dataSet->State(), dsBrowse) << dataSet->objectName().toStdString();
            if (QString::fromUtf8(c.shown).contains(QStringLiteral("приключи"))) {
                EXPECT_TRUE(app::LinesPosted);
            }
        }
        app::LinesPosted = false;
    });
}

TEST_F(StorageTest, LineSearchesOnlyMove)
{
    Open();
    const QString before = Rows("SELECT count(*), max(last_modified), max(seller_id) FROM delivery_detail")[0].join('|');
    InStorage([&](TfStorage& w) {
        Browse(w, 3);  // no lines
        w.tbxSearchValue->SetText(QStringLiteral("Масло"));
        w.tbxArtNom->SetText(QStringLiteral("X"));
        Browse(w, 1);
        w.tbxSearchValue->SetText(QStringLiteral("Нак"));
        EXPECT_EQ(Line("id"), QStringLiteral("2"));
        w.tbxArtNom->SetText(QStringLiteral("ZZZ"));
        EXPECT_EQ(DM->tblDeliveryDetail->State(), dsBrowse);
    });
    EXPECT_EQ(Rows("SELECT count(*), max(last_modified), max(seller_id) FROM delivery_detail")[0].join('|'), before);
}

// A post the engine refuses while the line grid's controls are off (another station changed the
// line meanwhile) leaves the grid following its lines: the next move shows in it.
TEST_F(StorageTest, AfterARefusedPostTheLineGridShowsTheNextMove)
{
    Open();
    AllowChanges(true);
    InStorage([&](TfStorage& w) {
        Browse(w, 1);
        w.bSearchClick(&w);
        TDaoTable* lines = DM->tblDeliveryDetail;
        lines->First();
        TypeIntoCell(w.DBGrid1, lines->FieldByName(QStringLiteral("delivery_quantity")), QStringLiteral("7"));
        Execute(QStringLiteral("UPDATE delivery_detail SET delivery_quantity=3, last_modified=46100 WHERE id=1"));
        host_.ClearShown();
        // The person clicks the next cell of the line: leaving the column posts it.
        const QModelIndex next =
            w.DBGrid1->model()->index(w.DBGrid1->currentIndex().row(), w.DBGrid1->SelectedIndex() + 1);
        QTest::mouseClick(w.DBGrid1->viewport(), Qt::LeftButton, {}, w.DBGrid1->visualRect(next).center());
        EXPECT_TRUE(Shown(QStringLiteral("The record was changed by another user")));
        EXPECT_FALSE(lines->ControlsDisabled());
        // The refused change is not kept for a second post over the other station's line: the
        // line is read again as that station left it.
        EXPECT_EQ(lines->State(), dsBrowse);
        EXPECT_EQ(Line("delivery_quantity"), QStringLiteral("3"));

        QTest::keyClick(w.DBGrid1, Qt::Key_Down);
        ASSERT_EQ(Line("id"), QStringLiteral("2"));
        SelectColumn(w, "article_name");
        const QModelIndex shown = w.DBGrid1->currentIndex();
        EXPECT_EQ(w.DBGrid1->model()->index(shown.row(), w.DBGrid1->SelectedIndex()).data().toString(),
                  QStringLiteral("Накладки предни"));
        // A line added is a row more on screen, and the current one.
        w.Add1->Click();
        EXPECT_EQ(w.DBGrid1->verticalHeader()->count(), 3);
        EXPECT_EQ(w.DBGrid1->currentIndex().row(), 2);
        lines->Cancel();
    });
}

TEST_F(StorageTest, AMinusNeverReachesThePriceOrQuantity)
{
    Open();
    AllowChanges(true);
    InStorage([&](TfStorage& w) {
        Browse(w, 1);
        w.bSearchClick(&w);
        for (const char* field : {"delivery_price", "delivery_quantity", "sale_price", "article_name"}) {
            SCOPED_TRACE(field);
            SelectColumn(w, field);
            QChar key = QLatin1Char('-');
            w.DBGrid1KeyPress(w.DBGrid1, key);
            EXPECT_EQ(key.isNull(), QLatin1String(field) != QLatin1String("article_name"));
        }
    });
}

TEST_F(StorageTest, TheMarkupPercentComesFromAndGoesToTheSettingsFile)
{
    WriteSettings("UpDelivery=25\r\n");
    Restart();
    host_.OnForm(QStringLiteral("fPasswordDlg"), [](TForm&) { return mrCancel; });
    fPasswordDlg->ShowModal();
    EXPECT_EQ(fStorage->edUpDelivery->Text(), QStringLiteral("25"));
    fStorage->edUpDelivery->SetText(QStringLiteral("30"));
    fPasswordDlg->SaveSettings();
    EXPECT_TRUE(SettingsBytes().contains("UpDelivery=30\r\n"));
}

}  // namespace

namespace {

// A new user's look at the stores window on the foreign-currency delivery while a line is
// being typed, and at the grouped articles in price mode. With CARVANTEL_SCREENSHOT set the
// pictures are kept under that name.
TEST_F(StorageTest, TheWindowsAsAPersonSeesThem)
{
    Open();
    AllowChanges(true);
    const QString keep = qEnvironmentVariable("CARVANTEL_SCREENSHOT");
    InStorage([&](TfStorage& w) {
        Browse(w, 2);
        w.bSearchClick(&w);
        DM->tblDeliveryDetail->Last();
        DM->tblDeliveryDetail->Edit();
        SetLine("delivery_quantity", QStringLiteral("12"));
        EXPECT_EQ(w.dbeCurrencyValue->Text(), QStringLiteral("430.28"));
        EXPECT_TRUE(w.lblEditing->isVisibleTo(&w));
        EXPECT_EQ(ClippedCaptions(&w), QStringList());
        const QImage shot = w.grab().toImage();
        EXPECT_EQ(shot.size(), w.size());
        if (!keep.isEmpty()) shot.save(keep + QStringLiteral(".storage.png"));
        DM->tblDeliveryDetail->Cancel();
    });
    host_.OnForm(QStringLiteral("fArticlesGrouped"), [&](TForm& form) {
        EXPECT_EQ(ClippedCaptions(&form), QStringList());
        if (!keep.isEmpty()) form.grab().save(keep + QStringLiteral(".grouped.png"));
        return mrCancel;
    });
    fCarVantel->N14Click(fCarVantel);
    host_.OnForm(QStringLiteral("fArticles"), [&](TForm& form) {
        if (!keep.isEmpty()) form.grab().save(keep + QStringLiteral(".articles.png"));
        return mrCancel;
    });
    fCarVantel->Articles1Click(fCarVantel);
    host_.OnForm(QStringLiteral("fDeliverySearchForm"), [&](TForm& form) {
        if (!keep.isEmpty()) form.grab().save(keep + QStringLiteral(".search.png"));
        return mrCancel;
    });
    fDeliverySearchForm->ShowModal();
}

}  // namespace

TEST_F(StorageTest, ABadDeliveryDateOrNumberIsSaidOnceAndNeverReachesTheDelivery)
{
    // How the person tries to go on with the bad value in the edit: leaves the edit and then
    // clicks "Приключване", clicks it straight away, or finishes with the focus still in the edit.
    enum TWay { LeaveThenFinish, ClickFinish, FinishFromTheEdit };
    const struct {
        const char* name;
        TDBEdit* TfStorage::*edit;
        const char* column;
        const char* bad;
        const char* good;
        const char* stored;
    } edits[] = {
        {"the delivery date", &TfStorage::dbeDeliveryDate, "delivery_date", "31.02.2026", "28.02.2026", "46081.0"},
        {"the currency rate", &TfStorage::dbeCurrencyRate, "currency_rate", "1,9,5", "3", "3.0"},
    };
    Open();
    InStorage([&](TfStorage& w) {
        for (const auto& e : edits) {
            for (const TWay way : {LeaveThenFinish, ClickFinish, FinishFromTheEdit}) {
                SCOPED_TRACE(std::string(e.name) + " " + std::to_string(int(way)));
                SelectStore(w, 1);
                host_.AnswerQuestion(QStringLiteral("Нова доставка за"), mrYes);
                w.bNewClick(&w);
                const QString delivery = DM->tblDelivery->FieldByName(QStringLiteral("id"))->AsString();
                w.Add1Click(&w);  // a named line, without which there is nothing to finish
                SetLine("article_name", QStringLiteral("Крушка H4"));
                DM->tblDeliveryDetail->Post();
                const QString stored = QStringLiteral("SELECT %1 FROM delivery WHERE id=%2")
                                           .arg(QString::fromLatin1(e.column), delivery);
                const TRows before = Rows(stored);
                QApplication::setActiveWindow(&w);
                TDBEdit* edit = w.*e.edit;
                edit->setFocus();
                edit->selectAll();
                QTest::keyClicks(edit, QString::fromUtf8(e.bad));
                host_.ClearShown();
                if (way == LeaveThenFinish) w.dbeSupplier->setFocus();
                if (way == FinishFromTheEdit)
                    w.bAddClick(&w);
                else
                    QTest::mouseClick(w.bAdd, Qt::LeftButton);
                ASSERT_EQ(host_.Texts().size(), 1u) << host_.Texts().join(QStringLiteral(" | ")).toStdString();
                EXPECT_TRUE(host_.Texts()[0].contains(QStringLiteral("'%1'").arg(QString::fromUtf8(e.bad))));
                EXPECT_EQ(QApplication::focusWidget(), edit);
                EXPECT_EQ(edit->Text(), QString::fromUtf8(e.bad));
                EXPECT_TRUE(w.Editing());
                EXPECT_EQ(Rows(stored), before);

                // Put right, the value goes in with the finish.
                edit->selectAll();
                QTest::keyClicks(edit, QString::fromUtf8(e.good));
                host_.ClearShown();
                QTest::mouseClick(w.bAdd, Qt::LeftButton);
                EXPECT_FALSE(Shown(QStringLiteral("'%1'").arg(QString::fromUtf8(e.good))));
                EXPECT_EQ(Rows(stored), (TRows{{QString::fromLatin1(e.stored)}}));
            }
        }
    });
}
