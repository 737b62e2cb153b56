// The template database the build writes: every table and saved query the data module needs,
// no rows, the defaults the windows rely on, and every saved query runs.

#include "app/datamodule/TemplateDatabase.h"
#include "platform/dao/DaoConstants.h"
#include "platform/dao/DaoDatabase.h"
#include "platform/dao/DaoEngine.h"
#include "platform/dao/DaoError.h"
#include "platform/dao/DaoQueryDef.h"
#include "platform/dao/DaoRecordset.h"
#include "platform/dao/DaoStore.h"
#include "platform/dao/DaoTableDef.h"

#include <QDir>
#include <QFile>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <gtest/gtest.h>
#include <sqlite3.h>

#include <algorithm>
#include <map>

using namespace dao;

namespace {

// The columns each table must have, written as the schema is documented: name, kind.
const std::map<QString, QString>& ExpectedTables()
{
    static const std::map<QString, QString> tables = {
        {"sale", "id counter, client_id int32, myfirm_id int32, car_id int32, cashbox_num int16, seller_id int32, "
                 "sale_num int32, sale_date date, sum_sale_total double, invoice bool, invoice_tax bool, tax_rate int16, "
                 "tax_value double, delivery_num int32, kochan_num int16, invoice_num int32, invoice_date date, "
                 "invoice_type text 10, invoice_accept bool, invoice_piment bool, invoice_annul bool, piment_type text 10, "
                 "term_type text 20, deleted bool, finished bool, locked bool, created date-time, last_modified date-time"},
        {"car", "id counter, client_id int32, mark text 20, model text 30, colour text 12, car_number text 20, "
                "frame_num text 25, motor_num text 25, power int16, tank_type text 15, made_year date, doors int16, "
                "alarm text 20, imobilaizer text 10, free bool, created date-time"},
        {"client", "id counter, name text 50, address text 50, phone text 25, egn text 10, firm_name text 50, "
                   "tax_num text 15, bulstat text 15, address2 text 50, phone2 text 25, free bool, created date-time"},
        {"myfirm", "id counter, myfirm_name text 50, mytax_num text 15, mybulstat text 15, mol text 60, address text 50, "
                   "phone text 25, DDS int16, bank_name text 50, code_bank text 11, bank_account text 34, "
                   "bank_tax_account text 10, deleted bool, antette text 255"},
        {"employee", "id counter, employee_name text 60, egn text 10, phone text 24, address text 50, job text 40, "
                     "job_description text 25, start_date date, end_date date, created date-time"},
        {"employee_payment", "id counter, employee_id int32, cashbox_num int16, seller_id int32, work text 50, "
                             "payment double, work_price double, payment_date date, payed bool, deleted bool, "
                             "created date-time, last_modified date-time"},
        {"employee_working", "id counter, employee_id int32, cashbox_num int16, seller_id int32, start_date_time date-time, "
                             "end_data_time date-time, absence_days int16, absence_reason text 40, payment double, "
                             "payment_date date, payed bool, deleted bool, created date-time, last_modified date-time"},
        {"delivery", "id counter, store_id int32, cashbox_num int16, seller_id int32, count int32, supplier text 30, "
                     "currency text 3, currency_rate double, currency_value double, delivery_date date, invoice bool, "
                     "invoice_num int32, invoice_date date, price_type text 15, delivery_sum double, delivery_tax int16, "
                     "delivery_tax_value double, delivery_piment bool, deleted bool, finished bool, locked bool, "
                     "created date-time, last_modified date-time"},
        {"delivery_detail", "id counter, delivery_id int32, store_id int32, seller_id int32, article_code text 10, "
                            "article_name text 50, producer text 30, sale_price double, dimention text 6, service bool, "
                            "delivery_price double, delivery_quantity double, state int16, last_modified date-time"},
        {"store", "id counter, index int16, store_name text 25, store_address text 40, myfirm_id int32, comment text 50, "
                  "deleted bool"},
        {"model", "id counter, mark_name text 20, model_name text 30"},
        {"cashbox", "id counter, finished_seller_id int32, cashbox_nom int16, from_date date-time, to_date date-time, "
                    "accepted_money double, given_money double, All_calculation double, finished_date date-time, "
                    "created date-time, finished bool"},
        {"seller", "id counter, seller_name text 30, seller_password text 20, created_time date-time"},
        {"logs", "id counter, seller_id int32, login_time date-time, unlog_time date-time, previous_id int32, "
                 "cashebox_num int16"},
        {"takings", "id counter, take double, cashbox_num int16, seller_id int32, date date-time, name text 30, "
                    "address text 30, phone text 20, comment text 40, finished bool, created date-time, "
                    "last_modified date-time"},
        {"give_in", "id counter, give double, cashbox_num int16, seller_id int32, date date, name text 30, "
                    "address text 30, phone text 20, comment text 40, finished bool, created date-time, "
                    "last_modified date-time"},
        {"sale_detail", "id counter, cur_prod_count int16, sale_id int32, article_code text 10, article_name text 50, "
                        "delivery_price double, sale_price double, discount double, dimention text 10, "
                        "sale_quantity double, delivery_detail_id int32, quantity_reminder double, service bool, "
                        "delivery_tax_value double, total_sale_sum double, last_modified date-time, seller_id int32"},
    };
    return tables;
}

// The saved queries and the columns each must give.
const std::map<QString, QString>& ExpectedQueries()
{
    static const std::map<QString, QString> queries = {
        {"QuerySaleDetail", "id cur_prod_count sale_id article_code article_name delivery_price sale_price discount "
                            "dimention sale_quantity sale_sum TotalSaleSum delivery_detail_id quantity_reminder service "
                            "delivery_tax_value total_sale_sum last_modified seller_id"},
        {"QuerySaleTotalSum", "id tax_rate Sumsale_total SaleDDS Total deleted"},
        {"MyQuty", "delivery_detail_id SumSaleQuty invoice_accept invoice_annul"},
        {"QATQAll", "delivery_detail_id article_code article_name delivery_price delivery_tax dimention producer service "
                    "total_quty sale_price delivery_tax_value"},
        {"QFIFO", "delivery_detail_id article_code article_name dimention service total_quty sale_price delivery_price"},
        {"QueryArticle", "article_name article_code producer sale_price QUTY dimention service"},
        {"QueryMark", "mark_name"},
        {"QDeliveryTotal", "id DeliveryTaxValue DeliverySum DeliveryTotal DeliveryTaxFormat DeliverySumFormat"},
        {"QCasheSale", "id sale_num tax_rate cashbox_num Sumsale_total SaleDDS Total sale_date"},
        {"QCasheSaleTotal", "cashbox_num TotalSaleSum TotalDDS TotalSale"},
        {"QCasheDelivery", "id cashbox_num DeliveryTaxValue DeliverySum DeliveryTotal DeliveryTaxFormat DeliverySumFormat "
                           "delivery_date"},
        {"QCasheDeliveryTotal", "cashbox_num Tax Summ Total"},
        {"QCasheEPayment", "payment_date employee_name cashbox_num work payment"},
        {"QCasheEPymentTotal", "cashbox_num PaymentSum"},
        {"QCasheEWork", "cashbox_num employee_name payment end_data_time payment_date"},
        {"QCasheEWorkTotal", "cashbox_num PaymentSum"},
        {"QCasheTakingsTotal", "cashbox_num TakedTotalSum"},
        {"QCasheGiveInTotal", "cashbox_num GiveTotal"},
        {"QueryArticleTotalQuty", "total_quty delivery_price sale_price"},
    };
    return queries;
}

QString KindOf(Field& f)
{
    if (f.Attributes() & dbAutoIncrField)
        return QStringLiteral("counter");
    switch (f.Type()) {
    case dbLong: return QStringLiteral("int32");
    case dbInteger: return QStringLiteral("int16");
    case dbDouble: return QStringLiteral("double");
    case dbBoolean: return QStringLiteral("bool");
    case dbDate:
        return f.Property(QStringLiteral("Format")).AsString() == QLatin1String("Short Date") ? QStringLiteral("date")
                                                                                             : QStringLiteral("date-time");
    case dbText: return QStringLiteral("text %1").arg(f.Size());
    default: return QStringLiteral("type %1").arg(f.Type());
    }
}

class TemplateDatabaseTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        ASSERT_TRUE(dir.isValid());
        const QString built = QStringLiteral(CARVANTEL_BINARY_DIR "/EmptyBase.mdb");
        ASSERT_TRUE(QFile::exists(built)) << "the build writes the template beside the program";
        path = dir.filePath(QStringLiteral("CarVantel.mdb"));
        ASSERT_TRUE(QFile::copy(built, path));
        QFile(path).setPermissions(QFile::ReadOwner | QFile::WriteOwner);
        db = engine.OpenDatabase(path, false, false, QStringLiteral(";pwd=quietmaple"));
    }
    void TearDown() override
    {
        if (db)
            db->Close();
    }

    std::shared_ptr<Recordset> RunQuery(const QString& name, double box = 1, double from = 0, double to = 1e6)
    {
        auto q = db->QueryDefs()[name];
        for (int i = 0; i < q->Parameters().Count(); ++i) {
            auto& p = *q->Parameters()[i];
            p.SetValue(p.Name().startsWith(QLatin1String("Cash"), Qt::CaseInsensitive)
                           ? TVariant(box)
                           : TVariant(p.Name().compare(QLatin1String("FromDate"), Qt::CaseInsensitive) == 0 ? from : to));
        }
        return q->OpenRecordset(dbOpenSnapshot);
    }

    void Exec(const QString& sql) { db->Execute(sql, dbFailOnError); }

    QTemporaryDir dir;
    QString path;
    DBEngine engine{QStringLiteral("3.6")};
    std::shared_ptr<Database> db;
};

TEST_F(TemplateDatabaseTest, EveryTableHasTheDocumentedColumnsAndNoRows)
{
    for (const auto& [name, columns] : ExpectedTables()) {
        SCOPED_TRACE(name.toStdString());
        auto td = db->TableDefs()[name];
        QStringList actual;
        for (int i = 0; i < td->Fields().Count(); ++i) {
            Field& f = *td->Fields()[i];
            actual << f.Name() + QLatin1Char(' ') + KindOf(f);
        }
        EXPECT_EQ(actual.join(QStringLiteral(", ")).toStdString(), columns.toStdString());
        EXPECT_EQ(td->RecordCount(), 0);
        bool primaryOnId = false;
        for (int i = 0; i < td->Indexes().Count(); ++i) {
            Index& ix = *td->Indexes()[i];
            if (ix.Primary() && ix.Fields().Count() == 1 && ix.Fields()[0]->Name() == QLatin1String("id"))
                primaryOnId = true;
        }
        EXPECT_TRUE(primaryOnId);
    }
    int userTables = 0;
    for (int i = 0; i < db->TableDefs().Count(); ++i)
        if (!(db->TableDefs()[i]->Attributes() & dbSystemObject))
            ++userTables;
    EXPECT_EQ(userTables, int(ExpectedTables().size()));
}

TEST_F(TemplateDatabaseTest, EverySavedQueryRunsAndGivesItsColumns)
{
    EXPECT_EQ(db->QueryDefs().Count(), int(ExpectedQueries().size()));
    for (const auto& [name, columns] : ExpectedQueries()) {
        SCOPED_TRACE(name.toStdString());
        std::shared_ptr<Recordset> rs;
        ASSERT_NO_THROW(rs = RunQuery(name));
        QStringList actual;
        for (int i = 0; i < rs->Fields().Count(); ++i)
            actual << rs->Fields()[i]->Name();
        for (const QString& column : columns.split(QLatin1Char(' ')))
            EXPECT_TRUE(actual.contains(column)) << column.toStdString();
        EXPECT_TRUE(rs->Eof());
        rs->Close();
    }
}

TEST_F(TemplateDatabaseTest, SavedQueriesKeepTheirFilesLinesWithoutItsComments)
{
    using namespace shopschema;
    for (const TQueryDesign& query : ShopQueries()) {
        SCOPED_TRACE(query.Name.toStdString());
        EXPECT_TRUE(query.Sql.startsWith(QLatin1String("SELECT ")) || query.Sql.startsWith(QLatin1String("PARAMETERS ")));
        EXPECT_TRUE(query.Sql.endsWith(QLatin1Char(';')));
        EXPECT_FALSE(query.Sql.contains(QLatin1String("--")));
        EXPECT_FALSE(query.Sql.contains(QLatin1String("\n\n")));
        EXPECT_EQ(db->QueryDefs()[query.Name]->SQL(), query.Sql);
    }
    const auto totals = std::find_if(ShopQueries().begin(), ShopQueries().end(),
                                     [](const TQueryDesign& q) { return q.Name == QLatin1String("QueryArticleTotalQuty"); });
    ASSERT_NE(totals, ShopQueries().end());
    EXPECT_EQ(totals->Sql.toStdString(),
              "SELECT QATQAll.delivery_detail_id, QATQAll.total_quty, QATQAll.delivery_price, QATQAll.sale_price\n"
              "FROM QATQAll\nWHERE (((QATQAll.total_quty)>0));")
        << "a query after a comment in the file";
}

TEST_F(TemplateDatabaseTest, OpensOnlyWithTheShopPassword)
{
    db->Close();
    db.reset();
    int number = 0;
    try {
        engine.OpenDatabase(path, false, false, QStringLiteral(";pwd=wrong"));
    } catch (const EDaoError& e) {
        number = e.Number();
    }
    EXPECT_EQ(number, errNotValidPassword);
}

TEST_F(TemplateDatabaseTest, NewRowsGetTheDefaultsTheWindowsFilterOn)
{
    Exec("INSERT INTO store (store_name) VALUES ('Склад')");
    Exec("INSERT INTO delivery (store_id) VALUES (1)");
    Exec("INSERT INTO employee_payment (employee_id) VALUES (1)");
    Exec("INSERT INTO takings (take) VALUES (5)");
    Exec("INSERT INTO logs (seller_id) VALUES (1)");
    auto delivery = db->OpenRecordset(QStringLiteral("delivery"), dbOpenDynaset);
    EXPECT_EQ(delivery->Fields()[QStringLiteral("delivery_piment")]->Value().Type(), TVarType::Boolean);
    EXPECT_FALSE(delivery->Fields()[QStringLiteral("delivery_piment")]->Value().AsBoolean());
    EXPECT_FALSE(delivery->Fields()[QStringLiteral("invoice")]->Value().IsNull());
    EXPECT_TRUE(delivery->Fields()[QStringLiteral("finished")]->Value().AsBoolean());
    EXPECT_FALSE(delivery->Fields()[QStringLiteral("created")]->Value().IsNull());
    auto payment = db->OpenRecordset(QStringLiteral("employee_payment"), dbOpenDynaset);
    EXPECT_TRUE(payment->Fields()[QStringLiteral("payed")]->Value().AsBoolean());
    auto takings = db->OpenRecordset(QStringLiteral("takings"), dbOpenDynaset);
    EXPECT_EQ(takings->Fields()[QStringLiteral("cashbox_num")]->Value().AsInteger(), 1);
    auto logs = db->OpenRecordset(QStringLiteral("logs"), dbOpenDynaset);
    EXPECT_FALSE(logs->Fields()[QStringLiteral("login_time")]->Value().IsNull());
    // A delivery names its store.
    int number = 0;
    try {
        Exec("INSERT INTO delivery (supplier) VALUES ('x')");
    } catch (const EDaoError& e) {
        number = e.Number();
    }
    EXPECT_NE(number, 0);
}

TEST_F(TemplateDatabaseTest, AnUnsoldLotCountsWithItsWholeQuantity)
{
    Exec("INSERT INTO store (store_name) VALUES ('Склад')");
    Exec("INSERT INTO delivery (store_id, delivery_tax, currency_rate) VALUES (1, 20, 1)");
    Exec("INSERT INTO delivery_detail (delivery_id, article_code, article_name, sale_price, delivery_price, "
         "delivery_quantity) VALUES (1, 'A1', 'Масло', 10, 8, 5)");
    Exec("INSERT INTO delivery_detail (delivery_id, article_code, article_name, sale_price, delivery_price, "
         "delivery_quantity) VALUES (1, 'B2', 'Филтър', 25, 20, 2)");
    Exec("INSERT INTO myfirm (myfirm_name) VALUES ('Фирма')");
    Exec("INSERT INTO sale (myfirm_id, invoice_accept, invoice_annul) VALUES (1, True, False)");
    Exec("INSERT INTO sale_detail (sale_id, delivery_detail_id, sale_price, discount, sale_quantity) "
         "VALUES (1, 2, 25, 0, 2)");
    auto all = RunQuery(QStringLiteral("QATQAll"));
    std::map<int, double> stock;
    for (; !all->Eof(); all->MoveNext())
        stock[all->Fields()[QStringLiteral("delivery_detail_id")]->Value().AsInteger()] =
            all->Fields()[QStringLiteral("total_quty")]->Value().AsFloat();
    EXPECT_EQ(stock, (std::map<int, double>{{1, 5.0}, {2, 0.0}}));
    // Only the lot still in stock counts in the stock value.
    auto totals = RunQuery(QStringLiteral("QueryArticleTotalQuty"));
    ASSERT_FALSE(totals->Eof());
    EXPECT_EQ(totals->Fields()[QStringLiteral("total_quty")]->Value().AsFloat(), 5.0);
    totals->MoveNext();
    EXPECT_TRUE(totals->Eof());
}

// The stock of a lot counts what finished, not annulled orders took from it, however its lines
// are spread over orders; a filter on an article gives that article's lots alone.
TEST_F(TemplateDatabaseTest, StockCountsFinishedOrdersOnlyAndFiltersByArticle)
{
    Exec("INSERT INTO store (store_name) VALUES ('Склад')");
    Exec("INSERT INTO delivery (store_id, delivery_tax, currency_rate) VALUES (1, 20, 1)");
    for (const char* lot : {"'A1', 'Масло', 10", "'a1', 'Масло', 4", "'B2', 'Филтър', 6", "'C3', 'Свещ', 2"})
        Exec(QStringLiteral("INSERT INTO delivery_detail (delivery_id, article_code, article_name, delivery_quantity) "
                            "VALUES (1, %1)").arg(QString::fromUtf8(lot)));
    Exec("INSERT INTO myfirm (myfirm_name) VALUES ('Фирма')");
    Exec("INSERT INTO sale (myfirm_id, invoice_accept, invoice_annul) VALUES (1, True, False)");   // finished
    Exec("INSERT INTO sale (myfirm_id, invoice_accept, invoice_annul) VALUES (1, True, True)");    // annulled
    Exec("INSERT INTO sale (myfirm_id, invoice_accept, invoice_annul) VALUES (1, False, False)");  // open
    Exec("INSERT INTO sale (myfirm_id, invoice_accept, invoice_annul) VALUES (1, True, False)");   // finished
    for (const char* line : {"1, 1, 3", "1, 1, 1", "2, 1, 5", "3, 1, 2", "4, 1, 2", "4, 3, 6", "9, 2, 1"})
        Exec(QStringLiteral("INSERT INTO sale_detail (sale_id, delivery_detail_id, sale_quantity) VALUES (%1)")
                 .arg(QString::fromLatin1(line)));
    auto stockOf = [&](const QString& filter) {
        auto base = db->QueryDefs()[QStringLiteral("QATQAll")]->OpenRecordset(dbOpenDynaset, dbDeferRows);
        base->SetFilter(filter);
        auto rs = filter.isEmpty() ? base : base->OpenRecordset();
        std::map<int, double> stock;
        for (; !rs->Eof(); rs->MoveNext())
            stock[rs->Fields()[QStringLiteral("delivery_detail_id")]->Value().AsInteger()] =
                rs->Fields()[QStringLiteral("total_quty")]->Value().AsFloat();
        return stock;
    };
    EXPECT_EQ(stockOf(QString()), (std::map<int, double>{{1, 4.0}, {2, 4.0}, {3, 0.0}, {4, 2.0}}));
    EXPECT_EQ(stockOf(QStringLiteral("[article_code] = 'A1'")), (std::map<int, double>{{1, 4.0}, {2, 4.0}}));
    EXPECT_EQ(stockOf(QStringLiteral("[total_quty] > 3")), (std::map<int, double>{{1, 4.0}, {2, 4.0}}));
}

// A shop file made before an index of the schema existed gets it, every row kept.
TEST_F(TemplateDatabaseTest, AnOlderFileGainsTheMissingIndexesAndKeepsItsRows)
{
    Exec("INSERT INTO sale_detail (sale_id, delivery_detail_id, sale_quantity) VALUES (1, 1, 2)");
    Exec("INSERT INTO sale_detail (sale_id, delivery_detail_id, sale_quantity) VALUES (1, 2, 1)");
    auto indexNames = [&] {
        QStringList names;
        auto td = db->TableDefs()[QStringLiteral("sale_detail")];
        for (int i = 0; i < td->Indexes().Count(); ++i)
            names << td->Indexes()[i]->Name();
        return names;
    };
    ASSERT_TRUE(indexNames().contains(QStringLiteral("lot_sales")));
    db->TableDefs()[QStringLiteral("sale_detail")]->Indexes().Delete(QStringLiteral("lot_sales"));
    db->Close();
    db = engine.OpenDatabase(path, false, false, QStringLiteral(";pwd=quietmaple"));
    ASSERT_FALSE(indexNames().contains(QStringLiteral("lot_sales")));
    shopschema::AddMissingIndexes(*db);
    shopschema::AddMissingIndexes(*db);  // once there, nothing more is done
    EXPECT_EQ(indexNames().filter(QStringLiteral("lot_sales")).size(), 1);
    EXPECT_EQ(db->TableDefs()[QStringLiteral("sale_detail")]->RecordCount(), 2);
    auto readOnly = engine.OpenDatabase(path, false, true, QStringLiteral(";pwd=quietmaple"));
    EXPECT_NO_THROW(shopschema::AddMissingIndexes(*readOnly));
}

// A new shop's file tells the planner what a shop of some years holds, so that a period is
// read through its dates and not through the firm or the cash box most rows share.
TEST_F(TemplateDatabaseTest, APeriodIsReadThroughItsDates)
{
    const struct {
        const char* jet;
        const char* step;
    } cases[] = {
        {"SELECT Sum([sale_price]*[sale_quantity]) AS OK FROM sale INNER JOIN sale_detail ON sale.id=sale_detail.sale_id "
         "WHERE sale.invoice_annul=False AND [sale_date]>=Datevalue('01/02/2026') AND [sale_date]<Datevalue('01/03/2026') "
         "AND sale.myfirm_id=1;",
         "SEARCH sale USING INDEX __dao_ix_sale_sale_date (sale_date>? AND sale_date<?)"},
        {"SELECT takings.cashbox_num, Sum(takings.take) AS TakedTotalSum FROM takings WHERE takings.date>=1 AND "
         "takings.date<2 AND takings.cashbox_num=1 GROUP BY takings.cashbox_num;",
         "SEARCH takings USING INDEX __dao_ix_takings_date (date>? AND date<?)"},
        {"SELECT give_in.cashbox_num, Sum(give_in.give) AS GiveTotal FROM give_in WHERE give_in.date>=1 AND "
         "give_in.date<2 AND give_in.cashbox_num=1 GROUP BY give_in.cashbox_num;",
         "SEARCH give_in USING INDEX __dao_ix_give_in_date (date>? AND date<?)"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.jet);
        const QByteArray sql = "EXPLAIN QUERY PLAN " + db->GetStore()->Translation(QString::fromUtf8(c.jet)).sql.toUtf8();
        sqlite3_stmt* s = nullptr;
        ASSERT_EQ(sqlite3_prepare_v2(db->GetStore()->Db(), sql.constData(), -1, &s, nullptr), SQLITE_OK);
        QStringList plan;
        while (sqlite3_step(s) == SQLITE_ROW)
            plan << QString::fromUtf8(reinterpret_cast<const char*>(sqlite3_column_text(s, 3)));
        sqlite3_finalize(s);
        EXPECT_TRUE(plan.contains(QString::fromUtf8(c.step))) << plan.join(u'\n').toStdString();
    }
}

TEST_F(TemplateDatabaseTest, TwoEqualPaymentsOfOneDayBothCount)
{
    Exec("INSERT INTO employee (employee_name) VALUES ('Иван')");
    for (int i = 0; i < 2; ++i)
        Exec("INSERT INTO employee_payment (employee_id, cashbox_num, work, payment, payment_date) "
             "VALUES (1, 1, 'Смяна масло', 50, 37873)");
    auto total = RunQuery(QStringLiteral("QCasheEPymentTotal"), 1, 37870, 37880);
    ASSERT_FALSE(total->Eof());
    EXPECT_EQ(total->Fields()[QStringLiteral("PaymentSum")]->Value().AsFloat(), 100.0);
}

}  // namespace
