// The stock windows on a shop of many lots: the articles list (every lot with its stock, sorted
// by name, its first screen and one name search) and the grouped articles list (re-queried, its
// first screen, one name search and one sort by a title click), each through the data module's
// datasets as the windows drive them, against the same rows computed by hand-written SQLite SQL
// on the same file in the same run and stepped to the end. Goal: at most 2 x by hand.
// Sizes: --lots=N (default 50000; ten lots an article) and --lines=N order lines (default
// 100000) over finished, annulled and unfinished orders. The file is kept in the build folder.

#include "BenchSqlite.h"
#include "BenchSupport.h"

#include "app/datamodule/DModule.h"
#include "app/util/AppGlobals.h"
#include "app/windows/WindowKit.h"
#include "dataaccess/DaoDataBase.h"
#include "dataaccess/DaoTable.h"

#include <benchmark/benchmark.h>
#include <sqlite3.h>

#include <QApplication>
#include <algorithm>
#include <memory>
#include <random>

namespace {

int gLots = 50000;
int gLines = 100000;
constexpr int kLotsPerArticle = 10;
constexpr int kLotsPerDelivery = 20;
constexpr int kLinesPerOrder = 4;
constexpr int kScreenRows = 30;
constexpr int kRuns = 5;
constexpr unsigned kSeed = 20261210;
using bench::CpuClock;
using bench::Sqlite;
using bench::Step;

const char* const kNames[] = {"Масло", "Филтър", "Свещ", "Ремък", "Антифриз", "Накладки", "Лагер", "Крушка"};

QByteArray ArticleName(int article) { return QByteArray(kNames[article % 8]) + ' ' + QByteArray::number(100000 + article); }

// Lots of `gLots / kLotsPerArticle` articles at a few sale prices, and orders taking from them.
void Fill(const QString& path)
{
    Sqlite db(path);
    std::mt19937 random(kSeed);
    auto pick = [&](int n) { return int(random() % unsigned(n)); };
    const double firstDay = 45658;
    db.Exec("BEGIN");
    db.Exec("INSERT INTO myfirm(myfirm_name, DDS, deleted) VALUES('Фирма', 20, 0)");
    db.Exec("INSERT INTO store(\"index\", store_name, myfirm_id, deleted) VALUES(1, 'Склад', 1, 0)");
    db.Exec("INSERT INTO seller(seller_name, seller_password) VALUES('Продавач', '1')");
    sqlite3_stmt* delivery = db.Prepared(
        "INSERT INTO delivery(store_id, cashbox_num, seller_id, supplier, currency, currency_rate, delivery_date, "
        "invoice, delivery_tax, delivery_tax_value, delivery_piment, deleted, finished, locked) "
        "VALUES(1, 1, 1, 'Доставчик', 'BGN', 1, ?1, 0, 20, 0, -1, 0, -1, 0)");
    sqlite3_stmt* lot = db.Prepared(
        "INSERT INTO delivery_detail(delivery_id, store_id, seller_id, article_code, article_name, producer, sale_price, "
        "dimention, service, delivery_price, delivery_quantity, state) VALUES(?1, 1, 1, ?2, ?3, 'Произв.', ?4, 'бр', ?5, "
        "?6, ?7, 0)");
    const int articles = std::max(1, gLots / kLotsPerArticle);
    for (int i = 0; i < gLots; ++i) {
        if (i % kLotsPerDelivery == 0) {
            sqlite3_bind_double(delivery, 1, firstDay + i / kLotsPerDelivery);
            Step(delivery);
        }
        const int article = pick(articles);
        const QByteArray code = QByteArray::number(100000 + article);
        const QByteArray name = ArticleName(article);
        sqlite3_bind_int(lot, 1, 1 + i / kLotsPerDelivery);
        sqlite3_bind_text(lot, 2, code.constData(), -1, SQLITE_TRANSIENT);
        sqlite3_bind_text(lot, 3, name.constData(), -1, SQLITE_TRANSIENT);
        sqlite3_bind_double(lot, 4, 2 + article % 90 + pick(3) * 0.5);
        sqlite3_bind_int(lot, 5, article % 50 == 0 ? -1 : 0);
        sqlite3_bind_double(lot, 6, 1 + article % 80 + pick(4) * 0.25);
        sqlite3_bind_double(lot, 7, 10 + pick(40));
        Step(lot);
    }
    sqlite3_stmt* sale = db.Prepared(
        "INSERT INTO sale(client_id, myfirm_id, car_id, cashbox_num, seller_id, sale_num, sale_date, invoice, invoice_tax, "
        "tax_rate, invoice_accept, invoice_piment, invoice_annul, deleted, finished, locked) "
        "VALUES(1, 1, 1, 1, 1, ?1, ?2, 0, 0, 20, ?3, ?3, ?4, 0, ?3, 0)");
    sqlite3_stmt* line = db.Prepared(
        "INSERT INTO sale_detail(cur_prod_count, sale_id, article_code, article_name, delivery_price, sale_price, discount, "
        "dimention, sale_quantity, delivery_detail_id, quantity_reminder, service, delivery_tax_value, total_sale_sum, "
        "seller_id) VALUES(?1, ?2, '', '', 0, 1, 0, 'бр', ?3, ?4, 0, 0, 0, 1, 1)");
    for (int i = 0, order = 0; i < gLines; ++i) {
        if (i % kLinesPerOrder == 0) {
            const int kind = pick(20);  // 17 finished, 1 annulled, 2 unfinished
            sqlite3_bind_int(sale, 1, ++order);
            sqlite3_bind_double(sale, 2, firstDay + order / 50);
            sqlite3_bind_int(sale, 3, kind < 18 ? -1 : 0);
            sqlite3_bind_int(sale, 4, kind == 17 ? -1 : 0);
            Step(sale);
        }
        sqlite3_bind_int(line, 1, i % kLinesPerOrder + 1);
        sqlite3_bind_int(line, 2, 1 + i / kLinesPerOrder);
        sqlite3_bind_double(line, 3, 1 + pick(3));
        sqlite3_bind_int(line, 4, 1 + pick(gLots));
        Step(line);
    }
    db.Exec("COMMIT");
}

// The stock of every lot, as the articles window lists it.
#define SOLD_FROM_LOT(lot)                                                                                             \
    "coalesce((SELECT sum(sd.sale_quantity) FROM sale_detail sd JOIN sale s ON s.id=sd.sale_id "                     \
    "WHERE sd.delivery_detail_id=" lot " AND s.invoice_accept=-1 AND s.invoice_annul=0), 0)"
const char* const kArticlesByHand =
    "SELECT dd.id, dd.article_code, dd.article_name, dd.delivery_price, d.delivery_tax, dd.dimention, dd.producer, "
    "dd.service, dd.delivery_quantity - " SOLD_FROM_LOT("dd.id") ", dd.sale_price, d.delivery_tax_value "
    "FROM delivery_detail dd JOIN delivery d ON d.id=dd.delivery_id ORDER BY dd.article_name";
// The stock grouped by article and sale price, in the grouping's order and then by code.
#define GROUPED_BY_HAND(order)                                                                                         \
    "SELECT count(dd.id), dd.article_code, dd.article_name, dd.dimention, dd.service, "                              \
    "sum(dd.delivery_quantity - " SOLD_FROM_LOT("dd.id") "), dd.sale_price, printf('%.2f', avg(dd.delivery_price)) "  \
    "FROM delivery_detail dd GROUP BY dd.article_code, dd.article_name, dd.dimention, dd.service, dd.sale_price" order
const char* const kGroupedByHand = GROUPED_BY_HAND("");
const char* const kGroupedByCodeByHand = GROUPED_BY_HAND(" ORDER BY dd.article_code");

struct Shop {
    Shop()
        : path(bench::CachedShopFile(QStringLiteral("articles_%1l_%2s_%3.mdb").arg(gLots).arg(gLines).arg(kSeed),
                                     [](const QString& file) { Fill(file); })),
          sql(path)
    {
        dm.VantelDataBase->SetDatabase(path);
        dm.VantelDataBase->SetConnected(true);
        // Open as the program's start leaves them.
        dm.tblQTAQAll->Open();
        dm.tblFiFoQuery->Open();
        searched = QString::fromUtf8(ArticleName(gLots / kLotsPerArticle / 3));
    }
    QString path;
    TDM dm;
    Sqlite sql;
    QString searched;
};

Shop& TheShop()
{
    static Shop shop;
    return shop;
}

// Reads the rows a grid's first screen shows, every field of each.
void ReadFirstScreen(TDataSet* d)
{
    d->First();
    for (int i = 0; i < kScreenRows && !d->Eof(); ++i, d->Next())
        for (TField* f : d->Fields())
            benchmark::DoNotOptimize(f->Value());
}

template <class Program, class Hand>
void Compare(benchmark::State& state, Program&& program, Hand&& hand)
{
    std::vector<CpuClock::duration> programTimes, handTimes;
    for (auto _ : state) {
        for (int i = 0; i < kRuns; ++i) {
            const auto t0 = CpuClock::now();
            program();
            const auto t1 = CpuClock::now();
            hand();
            const auto t2 = CpuClock::now();
            programTimes.push_back(t1 - t0);
            handTimes.push_back(t2 - t1);
        }
    }
    auto median = [](std::vector<CpuClock::duration>& times) {
        std::nth_element(times.begin(), times.begin() + times.size() / 2, times.end());
        return times[times.size() / 2];
    };
    const auto p = median(programTimes);
    const auto h = median(handTimes);
    state.counters["program_ms"] = std::chrono::duration<double, std::milli>(p).count();
    state.counters["hand_ms"] = std::chrono::duration<double, std::milli>(h).count();
    state.counters["ratio"] = bench::Ratio(p, h);
    state.counters["goal"] = 2;
}

void BM_ArticlesWindowOpening(benchmark::State& state)
{
    Shop& shop = TheShop();
    TDaoTable* rows = shop.dm.tblQTAQAll;
    Compare(
        state,
        [&] {
            rows->SortedBy().Clear();
            rows->SortedBy().Add(QStringLiteral("[article_name] ASC"));
            rows->ReopenDaoRecordset();
            ReadFirstScreen(rows);
            SearchKeyQuietly(rows, QStringLiteral("article_name"), shop.searched);
        },
        [&] { shop.sql.Walk(kArticlesByHand); });
}

void BM_GroupedArticlesWindowOpening(benchmark::State& state)
{
    Shop& shop = TheShop();
    TDaoTable* rows = shop.dm.tblFiFoQuery;
    Compare(
        state,
        [&] {
            rows->SortedBy().Clear();
            rows->SetFiltered(false);
            rows->Requery();
            ReadFirstScreen(rows);
            SearchKeyQuietly(rows, QStringLiteral("article_name"), shop.searched);
            SortBy(rows, QStringLiteral("article_code"));
            ReadFirstScreen(rows);
        },
        [&] {
            shop.sql.Walk(kGroupedByHand);
            shop.sql.Walk(kGroupedByCodeByHand);
        });
}

BENCHMARK(BM_ArticlesWindowOpening)->Unit(benchmark::kMillisecond)->Iterations(1);
BENCHMARK(BM_GroupedArticlesWindowOpening)->Unit(benchmark::kMillisecond)->Iterations(1);

}  // namespace

int main(int argc, char** argv)
{
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication application(argc, argv);
    app::MainFormReady = false;
    bench::RunBenchmarks(argc, argv, {{"--lots=", &gLots}, {"--lines=", &gLines}});
    return 0;
}
