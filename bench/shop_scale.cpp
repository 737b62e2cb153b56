// A shop's per-order work and whole-stock queries on a generated database of many years and on
// one of one year, each against the same work written by hand in SQLite SQL on the same file in
// the same run. The files are seeded and kept in the build folder between runs.
// Sizes: --years=N (default 10) and --orders=N orders a year (default 10000); the small file is
// always one year of the same shape; --repeat=N runs every measurement N times as often (for a
// profiler). Goals:
//  - the linked lines and total of one order re-queried: at most 3 x by hand; years / one year at most 1.5;
//  - moving to the next order with its linked datasets: years / one year at most 1.5;
//  - the data of one order's printout (car, client, firm, lines, totals): years / one year at most 1.5;
//  - QATQAll opened and walked: at most 1.5 x the best hand-written SQL;
//  - one article's stock through the stock query: at most 10 x the indexed hand-written query,
//    through a filter of the stock dataset and through a statement over the stock query (years /
//    one year at most 1.5 for the statement);
//  - the stock window's lists, per article (QFIFO) and per lot (tblArticleTotalQuery), filtered
//    on [total_quty]>0, opened and walked: at most 1.5 x hand-written SQL giving the same rows;
//  - 1,000 order lines appended through the table dataset in batch mode: at most 3 x hand-written
//    inserts in one transaction.

#include "BenchSqlite.h"
#include "BenchSupport.h"

#include "app/datamodule/DModule.h"
#include "app/datamodule/TemplateDatabase.h"
#include "app/reports/OrderRows.h"
#include "app/util/AppGlobals.h"
#include "dataaccess/DaoDataBase.h"
#include "dataaccess/DaoTable.h"
#include "platform/dao/DaoDatabase.h"
#include "platform/dao/DaoStore.h"
#include "platform/dao/JetSql.h"
#include "platform/report/BandReport.h"
#include "platform/toolkit/DataSource.h"

#include <benchmark/benchmark.h>
#include <sqlite3.h>

#include <QApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <algorithm>
#include <ctime>
#include <memory>
#include <random>
#include <stdexcept>

namespace {

int gYears = 10;
int gOrders = 10000;
int gRepeat = 1;  // each measurement's runs multiplied, for a profiler
constexpr int kLinesPerOrder = 4;
constexpr int kArticles = 5000;
constexpr int kAppended = 1000;
constexpr unsigned kSeed = 20261210;
using bench::Clock;

using bench::CpuClock;
using bench::Sqlite;
using bench::Step;

double Ms(Clock::duration d) { return std::chrono::duration<double, std::milli>(d).count(); }

// ---- the generated shop -----------------------------------------------------------------------

// Fills a copy of the template with `years` years of a busy shop.
void Fill(const QString& path, int years)
{
    Sqlite db(path);
    std::mt19937 random(kSeed + unsigned(years));
    auto pick = [&](int n) { return int(random() % unsigned(n)); };
    const char* const names[] = {"Масло", "Филтър", "Свещ", "Ремък", "Антифриз", "Накладки", "Лагер", "Крушка"};
    db.Exec("BEGIN");
    db.Exec("INSERT INTO myfirm(myfirm_name, DDS, deleted) VALUES('Фирма', 20, 0)");
    db.Exec("INSERT INTO store(\"index\", store_name, myfirm_id, deleted) VALUES(1, 'Склад', 1, 0)");
    db.Exec("INSERT INTO seller(seller_name, seller_password) VALUES('Продавач', '1')");
    const double firstDay = 42005;  // 1 January 2015
    const int deliveriesPerYear = gOrders / 20;
    const int lotsPerDelivery = 10;
    int lots = 0;
    sqlite3_stmt* delivery = db.Prepared(
        "INSERT INTO delivery(store_id, cashbox_num, seller_id, supplier, currency, currency_rate, delivery_date, "
        "invoice, delivery_tax, delivery_tax_value, delivery_piment, deleted, finished, locked) "
        "VALUES(1, 1, 1, 'Доставчик', 'BGN', 1, ?1, 0, 20, 0, -1, 0, -1, 0)");
    sqlite3_stmt* lot = db.Prepared(
        "INSERT INTO delivery_detail(delivery_id, store_id, seller_id, article_code, article_name, producer, sale_price, "
        "dimention, service, delivery_price, delivery_quantity, state) VALUES(?1, 1, 1, ?2, ?3, 'Произв.', ?4, 'бр', 0, ?5, ?6, 0)");
    sqlite3_stmt* sale = db.Prepared(
        "INSERT INTO sale(client_id, myfirm_id, car_id, cashbox_num, seller_id, sale_num, sale_date, invoice, invoice_tax, "
        "tax_rate, invoice_accept, invoice_piment, invoice_annul, deleted, finished, locked) "
        "VALUES(?5, 1, ?5, 1, 1, ?1, ?2, 0, 0, 20, ?3, ?3, ?4, 0, ?3, 0)");
    // A client comes with one car, under the client's number.
    sqlite3_stmt* client = db.Prepared(
        "INSERT INTO client(name, address, phone, egn, free) VALUES('Клиент ' || ?1, 'ул. Първа ' || ?1, "
        "'0888' || ?1, ?1, 0)");
    sqlite3_stmt* car = db.Prepared(
        "INSERT INTO car(client_id, mark, model, colour, car_number, power, free) VALUES(?1, 'Марка', 'Модел', "
        "'бял', 'СА' || ?1 || 'ВК', 90, 0)");
    const int clientsPerYear = std::max(1, gOrders / 5);
    int clients = 0;
    sqlite3_stmt* line = db.Prepared(
        "INSERT INTO sale_detail(cur_prod_count, sale_id, article_code, article_name, delivery_price, sale_price, discount, "
        "dimention, sale_quantity, delivery_detail_id, quantity_reminder, service, delivery_tax_value, total_sale_sum, seller_id) "
        "VALUES(?1, ?2, ?3, ?4, ?5, ?6, 0, 'бр', ?7, ?8, 0, 0, 0, ?9, 1)");
    int deliveryId = 0;
    int saleId = 0;
    std::vector<int> lotArticle;
    for (int year = 0; year < years; ++year) {
        for (int day = 0; day < 365; ++day) {
            const double date = firstDay + year * 365 + day;
            const int deliveriesToday = (deliveriesPerYear * (day + 1)) / 365 - (deliveriesPerYear * day) / 365;
            for (int d = 0; d < deliveriesToday; ++d) {
                sqlite3_bind_double(delivery, 1, date);
                Step(delivery);
                ++deliveryId;
                for (int l = 0; l < lotsPerDelivery; ++l) {
                    const int article = pick(kArticles);
                    const QByteArray code = QByteArray::number(100000 + article);
                    const QByteArray name = QByteArray(names[article % 8]) + ' ' + code;
                    sqlite3_bind_int(lot, 1, deliveryId);
                    sqlite3_bind_text(lot, 2, code.constData(), -1, SQLITE_TRANSIENT);
                    sqlite3_bind_text(lot, 3, name.constData(), -1, SQLITE_TRANSIENT);
                    sqlite3_bind_double(lot, 4, 2 + article % 90);
                    sqlite3_bind_double(lot, 5, 1 + article % 80);
                    sqlite3_bind_double(lot, 6, 20 + pick(80));
                    Step(lot);
                    ++lots;
                    lotArticle.push_back(article);
                }
            }
            const int clientsToday = (clientsPerYear * (day + 1)) / 365 - (clientsPerYear * day) / 365;
            for (int c = 0; c < clientsToday || clients == 0; ++c) {
                ++clients;
                sqlite3_bind_int(client, 1, clients);
                Step(client);
                sqlite3_bind_int(car, 1, clients);
                Step(car);
            }
            const int ordersToday = (gOrders * (day + 1)) / 365 - (gOrders * day) / 365;
            for (int o = 0; o < ordersToday && lots > 0; ++o) {
                const bool annulled = pick(50) == 0;
                sqlite3_bind_int(sale, 1, saleId + 1);
                sqlite3_bind_double(sale, 2, date + 0.4);
                sqlite3_bind_int(sale, 3, -1);
                sqlite3_bind_int(sale, 4, annulled ? -1 : 0);
                sqlite3_bind_int(sale, 5, pick(10) == 0 ? 1 + pick(clients) : std::max(1, clients - pick(clientsPerYear)));
                Step(sale);
                ++saleId;
                for (int l = 0; l < kLinesPerOrder; ++l) {
                    // Mostly the lots of the last months, now and then an old one.
                    const int from = pick(10) == 0 ? 0 : std::max(0, lots - deliveriesPerYear * lotsPerDelivery / 4);
                    const int chosen = from + pick(lots - from);
                    const int article = lotArticle[size_t(chosen)];
                    const QByteArray code = QByteArray::number(100000 + article);
                    const QByteArray name = QByteArray(names[article % 8]) + ' ' + code;
                    const double quantity = 1 + pick(3);
                    sqlite3_bind_int(line, 1, l + 1);
                    sqlite3_bind_int(line, 2, saleId);
                    sqlite3_bind_text(line, 3, code.constData(), -1, SQLITE_TRANSIENT);
                    sqlite3_bind_text(line, 4, name.constData(), -1, SQLITE_TRANSIENT);
                    sqlite3_bind_double(line, 5, 1 + article % 80);
                    sqlite3_bind_double(line, 6, 2 + article % 90);
                    sqlite3_bind_double(line, 7, quantity);
                    sqlite3_bind_int(line, 8, chosen + 1);
                    sqlite3_bind_double(line, 9, quantity * (2 + article % 90));
                    Step(line);
                }
            }
        }
    }
    db.Exec("COMMIT");
    db.Exec("ANALYZE");
}

// The file of `years` years, generated once into the build folder.
QString ShopFile(int years)
{
    return bench::CachedShopFile(QStringLiteral("shop_%1y_%2o_%3_cars.mdb").arg(years).arg(gOrders).arg(kSeed),
                                 [years](const QString& path) { Fill(path, years); });
}

// A working copy, so that the appends leave the cached file as it was generated.
QString WorkingCopy(int years)
{
    const QString source = ShopFile(years);
    const QString path = source + QStringLiteral(".work");
    QFile::remove(path);
    QFile::copy(source, path);
    QFile(path).setPermissions(QFile::ReadOwner | QFile::WriteOwner);
    return path;
}

// ---- the program's side -----------------------------------------------------------------------

// The data module on a shop file with the order window's datasets open.
struct Shop {
    explicit Shop(const QString& file) : path(file), sql(file)
    {
        dm.VantelDataBase->SetDatabase(path);
        dm.VantelDataBase->SetConnected(true);
        for (TDaoTable* t : {dm.tblSale, dm.tblSaleDetail, dm.tblSaleTotalQuery, dm.tblCar, dm.tblClient, dm.tblMyFirm})
            t->Open();
        orders = sql.Int("SELECT count(*) FROM sale");
        sampleArticle = QByteArray::number(100000 + kArticles / 3);
    }
    // Stands the order list on the order `back` orders before the last.
    void GoToOrder(int back)
    {
        dm.tblSale->Last();
        dm.tblSale->MoveBy(-back);
    }
    qint64 CurrentOrder() { return dm.tblSale->FieldByName(QStringLiteral("id"))->AsInteger(); }

    QString path;
    TDM dm;
    Sqlite sql;
    qint64 orders = 0;
    QByteArray sampleArticle;
};

int WalkDataSet(TDataSet* d)
{
    int rows = 0;
    for (d->First(); !d->Eof(); d->Next()) {
        for (TField* f : d->Fields())
            benchmark::DoNotOptimize(f->Value());
        ++rows;
    }
    return rows;
}

const char* const kLinesByHand =
    "SELECT id, cur_prod_count, sale_id, article_code, article_name, delivery_price, sale_price, discount, dimention, "
    "sale_quantity, sale_price*sale_quantity, printf('%.2f', ((sale_price*100-discount*sale_price)/100.0)*sale_quantity), "
    "delivery_detail_id, quantity_reminder, service, delivery_tax_value, total_sale_sum, last_modified, seller_id "
    "FROM sale_detail WHERE sale_id=?1 ORDER BY id";
const char* const kTotalByHand =
    "SELECT s.id, s.tax_rate, printf('%.2f', t.net), printf('%.2f', t.net*s.tax_rate/100.0), "
    "printf('%.2f', t.net*(1+s.tax_rate/100.0)), s.deleted FROM sale s JOIN myfirm f ON f.id=s.myfirm_id "
    "JOIN (SELECT sum(((sale_price*100-discount*sale_price)/100.0)*sale_quantity) AS net FROM sale_detail "
    "WHERE sale_id=?1) t WHERE s.id=?1";
const char* const kOrderHeadByHand[] = {
    "SELECT * FROM sale WHERE id=?1",
    "SELECT c.* FROM car c JOIN sale s ON c.id=s.car_id WHERE s.id=?1",
    "SELECT c.* FROM client c JOIN sale s ON c.id=s.client_id WHERE s.id=?1",
    "SELECT f.* FROM myfirm f JOIN sale s ON f.id=s.myfirm_id WHERE s.id=?1",
};
const char* const kNextOrderByHand = "SELECT * FROM sale WHERE id>?1 ORDER BY id LIMIT 1";
// The stock of a lot: delivered less what finished, not annulled orders took from it.
#define STOCK_OF_LOT                                                                                                   \
    "dd.delivery_quantity - coalesce((SELECT sum(sd.sale_quantity) FROM sale_detail sd JOIN sale s "                 \
    "ON s.id=sd.sale_id WHERE sd.delivery_detail_id=dd.id AND s.invoice_accept=-1 AND s.invoice_annul=0), 0)"
#define STOCK_BY_HAND(where)                                                                                           \
    "SELECT dd.id, dd.article_code, dd.article_name, dd.delivery_price, d.delivery_tax, dd.dimention, dd.producer, "   \
    "dd.service, " STOCK_OF_LOT ", dd.sale_price, d.delivery_tax_value FROM delivery_detail dd "                        \
    "JOIN delivery d ON d.id=dd.delivery_id " where " ORDER BY dd.id"
const char* const kStockByHand = STOCK_BY_HAND("");
const char* const kArticleStockByHand = STOCK_BY_HAND("WHERE dd.article_code=?1");
// One article's stock as a statement over the stock query reads it, and by hand.
const char* const kArticleStockStatement =
    "SELECT QATQAll.article_code, QATQAll.article_name, Sum(QATQAll.total_quty) AS stock FROM QATQAll "
    "WHERE QATQAll.article_code='%1' GROUP BY QATQAll.article_code, QATQAll.article_name;";
const char* const kArticleStockSumByHand =
    "SELECT dd.article_code, dd.article_name, sum(" STOCK_OF_LOT ") FROM delivery_detail dd "
    "JOIN delivery d ON d.id=dd.delivery_id WHERE dd.article_code=?1 GROUP BY dd.article_code, dd.article_name";
// The stock window's lists of what is in stock: per article and sale price, and per lot with
// its store, each lot's sales summed in one pass over the sales.
#define SOLD_PER_LOT                                                                                                   \
    "WITH sold AS (SELECT sd.delivery_detail_id AS lot, sum(sd.sale_quantity) AS quantity FROM sale_detail sd "       \
    "JOIN sale s ON s.id=sd.sale_id WHERE s.invoice_accept=-1 AND s.invoice_annul=0 GROUP BY sd.delivery_detail_id) "
const char* const kArticlesInStockByHand =
    SOLD_PER_LOT "SELECT count(dd.id), dd.article_code, dd.article_name, dd.dimention, dd.service, "
    "sum(dd.delivery_quantity - coalesce(sold.quantity, 0)) AS stock, dd.sale_price, printf('%.2f', avg(dd.delivery_price)) "
    "FROM delivery_detail dd LEFT JOIN sold ON sold.lot=dd.id "
    "GROUP BY dd.article_code, dd.article_name, dd.dimention, dd.service, dd.sale_price HAVING stock > 0";
const char* const kLotsInStockByHand =
    SOLD_PER_LOT "SELECT dd.id, dd.article_code, dd.article_name, dd.delivery_price, d.delivery_tax, dd.dimention, "
    "dd.producer, dd.service, dd.delivery_quantity - coalesce(sold.quantity, 0) AS stock, dd.sale_price, "
    "d.delivery_tax_value, st.store_name FROM delivery_detail dd JOIN delivery d ON d.id=dd.delivery_id "
    "JOIN store st ON st.id=d.store_id LEFT JOIN sold ON sold.lot=dd.id WHERE stock > 0 ORDER BY dd.id";
const char* const kAppendByHand =
    "INSERT INTO sale_detail(cur_prod_count, sale_id, article_code, article_name, sale_price, discount, sale_quantity, "
    "delivery_detail_id) VALUES(?1, ?2, ?3, ?4, ?5, 0, ?6, ?7)";

Shop& ShopOf(int years)
{
    static std::map<int, std::unique_ptr<Shop>> shops;
    auto& shop = shops[years];
    if (!shop)
        shop = std::make_unique<Shop>(WorkingCopy(years));
    return *shop;
}

struct Figures {
    Clock::duration program{};
    Clock::duration hand{};
};

// Runs `program` and `hand` alternately on one size; the median processor time of each, so that
// the machine being busy elsewhere does not count.
template <class Program, class Hand>
Figures Measure(int runs, Program&& program, Hand&& hand)
{
    runs *= gRepeat;
    std::vector<Clock::duration> programTimes, handTimes;
    for (int i = 0; i < runs; ++i) {
        const auto t0 = CpuClock::now();
        program(i);
        const auto t1 = CpuClock::now();
        hand(i);
        const auto t2 = CpuClock::now();
        programTimes.push_back(t1 - t0);
        handTimes.push_back(t2 - t1);
    }
    auto median = [](std::vector<Clock::duration>& times) {
        std::nth_element(times.begin(), times.begin() + times.size() / 2, times.end());
        return times[times.size() / 2];
    };
    return Figures{median(programTimes), median(handTimes)};
}

void Report(benchmark::State& state, const Figures& large, const Figures& small, double goal, bool growthGoal)
{
    state.counters["years_ms"] = Ms(large.program);
    state.counters["one_year_ms"] = Ms(small.program);
    state.counters["hand_ms"] = Ms(large.hand);
    state.counters["hand_1y_ms"] = Ms(small.hand);
    state.counters["ratio"] = bench::Ratio(large.program, large.hand);
    state.counters["ratio_1y"] = bench::Ratio(small.program, small.hand);
    state.counters["growth"] = bench::Ratio(large.program, small.program);
    if (goal > 0)
        state.counters["goal_ratio"] = goal;
    if (growthGoal)
        state.counters["goal_growth"] = 1.5;
}

template <class Run>
void BothSizes(benchmark::State& state, double goal, bool growthGoal, Run&& run)
{
    Figures large, small;
    for (auto _ : state) {
        large = run(ShopOf(gYears));
        small = run(ShopOf(1));
    }
    Report(state, large, small, goal, growthGoal);
}

void BM_LinkedOrderRequery(benchmark::State& state)
{
    BothSizes(state, 3, true, [](Shop& shop) {
        shop.GoToOrder(7);
        const qint64 order = shop.CurrentOrder();
        return Measure(
            20,
            [&](int) {
                shop.dm.tblSaleTotalQuery->Requery();
                shop.dm.tblSaleTotalQuery->RequeryIfRestartable();
                shop.dm.tblSaleDetail->Requery();
                WalkDataSet(shop.dm.tblSaleTotalQuery);
                WalkDataSet(shop.dm.tblSaleDetail);
            },
            [&](int) {
                shop.sql.Walk(kTotalByHand, {order});
                shop.sql.Walk(kLinesByHand, {order});
            });
    });
}

void BM_NextOrderWithLinkedDataSets(benchmark::State& state)
{
    BothSizes(state, 0, true, [](Shop& shop) {
        shop.GoToOrder(60);
        return Measure(
            40,
            [&](int) {
                shop.dm.tblSale->Next();
                WalkDataSet(shop.dm.tblSaleTotalQuery);
                WalkDataSet(shop.dm.tblSaleDetail);
            },
            [&](int i) {
                const qint64 order = shop.orders - 60 + i;
                shop.sql.Walk(kNextOrderByHand, {order});
                shop.sql.Walk(kTotalByHand, {order + 1});
                shop.sql.Walk(kLinesByHand, {order + 1});
            });
    });
}

// The data an order's printout reads: the order's car, client and own firm found by key, the
// lines and the totals walked, as the invoice and the order sheet read them.
void BM_PrintOneOrder(benchmark::State& state)
{
    BothSizes(state, 0, true, [](Shop& shop) {
        shop.GoToOrder(30);
        const qint64 order = shop.CurrentOrder();
        DM = &shop.dm;  // the printout reads the data module's tables
        {
            TBandReport report;
            const TOrderRows rows(report);
            const qint64 car = shop.dm.tblSale->FieldByName(QStringLiteral("car_id"))->AsInteger();
            if (shop.dm.tblCar->FieldByName(QStringLiteral("id"))->AsInteger() != car)
                throw std::runtime_error("the printout's car is not the order's");
        }
        return Measure(
            40,
            [&](int) {
                TBandReport report;
                const TOrderRows rows(report);
                for (TDataSet* head : {static_cast<TDataSet*>(shop.dm.tblCar), static_cast<TDataSet*>(shop.dm.tblClient),
                                       static_cast<TDataSet*>(shop.dm.tblMyFirm)})
                    for (TField* f : head->Fields())
                        benchmark::DoNotOptimize(f->Value());
                WalkDataSet(shop.dm.tblSaleDetail);
                WalkDataSet(shop.dm.tblSaleTotalQuery);
            },
            [&](int) {
                for (const char* sql : kOrderHeadByHand)
                    shop.sql.Walk(sql, {order});
                shop.sql.Walk(kLinesByHand, {order});
                shop.sql.Walk(kTotalByHand, {order});
            });
    });
}

void BM_StockOfEveryLot(benchmark::State& state)
{
    BothSizes(state, 1.5, false, [](Shop& shop) {
        return Measure(
            5,
            [&](int) {
                shop.dm.tblQTAQAll->Open();
                WalkDataSet(shop.dm.tblQTAQAll);
                shop.dm.tblQTAQAll->Close();
            },
            [&](int) { shop.sql.Walk(kStockByHand); });
    });
}

void BM_StockOfOneArticle(benchmark::State& state)
{
    BothSizes(state, 10, false, [](Shop& shop) {
        TDaoTable* stock = shop.dm.tblQTAQAll;
        stock->SetFilter(QStringLiteral("[article_code]='%1'").arg(QString::fromLatin1(shop.sampleArticle)));
        stock->SetFiltered(true);
        const Figures f = Measure(
            20,
            [&](int) {
                stock->Open();
                WalkDataSet(stock);
                stock->Close();
            },
            [&](int) { shop.sql.Walk(kArticleStockByHand, {}, shop.sampleArticle); });
        stock->SetFiltered(false);
        stock->SetFilter(QString());
        return f;
    });
}

// Prints, once for each shop, the plans of the statements the program ran for `run` and of the
// hand-written one.
template <class Run>
void PrintPlans(Shop& shop, const char* name, Run&& run, const char* byHand)
{
    static QStringList printed;
    const QString title = QStringLiteral("%1, %2 orders").arg(QLatin1String(name)).arg(shop.orders);
    if (printed.contains(title))
        return;
    printed << title;
    sqlite3* db = shop.dm.VantelDataBase->DatabaseObject()->GetStore()->Db();
    QStringList statements;
    {
        const bench::StatementLog log(db);
        run();
        statements = log.Statements();
    }
    bench::PrintPlans(db, title + QStringLiteral(": the program"), statements);
    bench::PrintPlan(shop.sql.Db(), title + QStringLiteral(": by hand"), QString::fromLatin1(byHand));
}

// Opens a dataset, reads every value of every row and closes it; the rows read.
int OpenAndWalk(TDaoTable* d)
{
    d->Open();
    const int rows = WalkDataSet(d);
    d->Close();
    return rows;
}

// The rows are the same on both sides.
template <class Program, class Hand>
Figures MeasureSameRows(benchmark::State& state, int runs, Program&& program, Hand&& hand)
{
    int programRows = 0, handRows = 0;
    const Figures f = Measure(runs, [&](int) { programRows = program(); }, [&](int) { handRows = hand(); });
    if (programRows != handRows)
        state.SkipWithError("the program's rows are not the hand-written ones");
    return f;
}

void BM_StockOfOneArticleByStatement(benchmark::State& state)
{
    BothSizes(state, 10, true, [&state](Shop& shop) {
        TDaoTable stock;
        stock.SetDatabase(shop.dm.VantelDataBase);
        stock.SetReadOnly(true);
        stock.SQL().SetText(QString::fromLatin1(kArticleStockStatement).arg(QString::fromLatin1(shop.sampleArticle)));
        const auto program = [&] { return OpenAndWalk(&stock); };
        const auto hand = [&] { return shop.sql.Walk(kArticleStockSumByHand, {}, shop.sampleArticle); };
        PrintPlans(shop, "one article's stock by a statement", program, kArticleStockSumByHand);
        return MeasureSameRows(state, 20, program, hand);
    });
}

void BM_ArticlesInStock(benchmark::State& state)
{
    BothSizes(state, 1.5, false, [&state](Shop& shop) {
        TDaoTable* stock = shop.dm.tblFiFoQuery;
        stock->SetFilter(QStringLiteral("[total_quty]>0"));
        stock->SetFiltered(true);
        const auto program = [&] { return OpenAndWalk(stock); };
        const auto hand = [&] { return shop.sql.Walk(kArticlesInStockByHand); };
        PrintPlans(shop, "QFIFO filtered on [total_quty]>0", program, kArticlesInStockByHand);
        const Figures f = MeasureSameRows(state, 5, program, hand);
        stock->SetFiltered(false);
        return f;
    });
}

void BM_LotsInStock(benchmark::State& state)
{
    BothSizes(state, 1.5, false, [&state](Shop& shop) {
        TDaoTable* stock = shop.dm.tblArticleTotalQuery;
        const auto program = [&] { return OpenAndWalk(stock); };
        const auto hand = [&] { return shop.sql.Walk(kLotsInStockByHand); };
        PrintPlans(shop, "tblArticleTotalQuery filtered on [total_quty]>0", program, kLotsInStockByHand);
        return MeasureSameRows(state, 5, program, hand);
    });
}

void BM_AppendOrderLinesInBatch(benchmark::State& state)
{
    BothSizes(state, 3, false, [](Shop& shop) {
        TDaoTable lines;
        lines.SetDatabase(shop.dm.VantelDataBase);
        lines.SetTableName(QStringLiteral("sale_detail"));
        lines.Open();
        const qint64 order = shop.orders;
        return Measure(
            5,
            [&](int) {
                lines.SetBatchMode(true);
                for (int i = 0; i < kAppended; ++i) {
                    lines.Append();
                    lines.FieldByName(QStringLiteral("cur_prod_count"))->SetAsInteger(i + 1);
                    lines.FieldByName(QStringLiteral("sale_id"))->SetAsInteger(int(order));
                    lines.FieldByName(QStringLiteral("article_code"))->SetAsString(QStringLiteral("100001"));
                    lines.FieldByName(QStringLiteral("article_name"))->SetAsString(QStringLiteral("Масло 100001"));
                    lines.FieldByName(QStringLiteral("sale_price"))->SetAsFloat(12.5);
                    lines.FieldByName(QStringLiteral("sale_quantity"))->SetAsFloat(1);
                    lines.FieldByName(QStringLiteral("delivery_detail_id"))->SetAsInteger(1);
                    lines.Post();
                }
                lines.SetBatchMode(false);
            },
            [&](int) {
                shop.sql.Exec("BEGIN IMMEDIATE");
                sqlite3_stmt* s = shop.sql.Prepared(kAppendByHand);
                for (int i = 0; i < kAppended; ++i) {
                    sqlite3_bind_int(s, 1, i + 1);
                    sqlite3_bind_int64(s, 2, order);
                    sqlite3_bind_text(s, 3, "100001", -1, SQLITE_STATIC);
                    sqlite3_bind_text(s, 4, "Масло 100001", -1, SQLITE_STATIC);
                    sqlite3_bind_double(s, 5, 12.5);
                    sqlite3_bind_double(s, 6, 1);
                    sqlite3_bind_int(s, 7, 1);
                    Step(s);
                }
                shop.sql.Exec("COMMIT");
            });
    });
}

BENCHMARK(BM_LinkedOrderRequery)->Unit(benchmark::kMillisecond)->Iterations(1);
BENCHMARK(BM_NextOrderWithLinkedDataSets)->Unit(benchmark::kMillisecond)->Iterations(1);
BENCHMARK(BM_PrintOneOrder)->Unit(benchmark::kMillisecond)->Iterations(1);
BENCHMARK(BM_StockOfEveryLot)->Unit(benchmark::kMillisecond)->Iterations(1);
BENCHMARK(BM_StockOfOneArticle)->Unit(benchmark::kMillisecond)->Iterations(1);
BENCHMARK(BM_StockOfOneArticleByStatement)->Unit(benchmark::kMillisecond)->Iterations(1);
BENCHMARK(BM_ArticlesInStock)->Unit(benchmark::kMillisecond)->Iterations(1);
BENCHMARK(BM_LotsInStock)->Unit(benchmark::kMillisecond)->Iterations(1);
BENCHMARK(BM_AppendOrderLinesInBatch)->Unit(benchmark::kMillisecond)->Iterations(1);

}  // namespace

int main(int argc, char** argv)
{
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication application(argc, argv);
    app::MainFormReady = false;
    bench::RunBenchmarks(argc, argv, {{"--years=", &gYears}, {"--orders=", &gOrders}, {"--repeat=", &gRepeat}});
    return 0;
}
