// The profit window on a shop of two years: the line list and the total of one month, run as
// the window runs them (its two statements through TDaoTable, the first screen of lines read as
// the grid reads them), against the same list in the same order (every row stepped) and total
// written by hand in SQLite SQL, in the same run; the window's whole list and total are checked
// against them. The window runs both on every opening; the goal is a ratio of at most 1.5. Times
// are this thread's processor time.
// Sizes: --orders=N (default keeps the run short; the full size is --orders=100000).

#include "BenchSqlite.h"
#include "BenchSupport.h"

#include "app/datamodule/DModule.h"
#include "app/datamodule/TemplateDatabase.h"
#include "app/util/AppGlobals.h"
#include "app/windows/uDebit.h"
#include "dataaccess/DaoDataBase.h"
#include "dataaccess/DaoTable.h"
#include "platform/dao/DaoDatabase.h"
#include "platform/dao/DaoStore.h"
#include "platform/toolkit/Fields.h"
#include "platform/toolkit/gui/StandardControls.h"

#include <QApplication>
#include <benchmark/benchmark.h>
#include <cmath>
#include <sqlite3.h>
#include <stdexcept>

namespace {

int gOrders = 10000;
constexpr int kDays = 730;
constexpr double kFirstDay = 45658;              // 01/01/2025
constexpr double kMonthStart = kFirstDay + 396;  // 01/02/2026
constexpr double kMonthEnd = kFirstDay + 424;    // 01/03/2026
constexpr int kRowsShown = 25;

using bench::Exec;

// Orders of about four lines over two years, in two firms and two boxes, some annulled; a few
// lines without a discount or a delivery price.
void Fill(sqlite3* db)
{
    unsigned seed = 2026;
    const auto next = [&seed](unsigned range) {
        seed = seed * 1103515245u + 12345u;
        return double((seed >> 8) % range);
    };
    Exec(db, "BEGIN; INSERT INTO myfirm (id, myfirm_name, DDS, deleted) VALUES (1, 'Фирма', 20, 0), (2, 'Друга', 20, 0);");
    sqlite3_stmt* sale = nullptr;
    sqlite3_prepare_v2(db,
                       "INSERT INTO sale (id, myfirm_id, cashbox_num, sale_num, sale_date, tax_rate, invoice_accept, "
                       "invoice_piment, invoice_annul) VALUES (?1, ?2, ?3, ?1, ?4, 20, -1, -1, ?5)",
                       -1, &sale, nullptr);
    sqlite3_stmt* line = nullptr;
    sqlite3_prepare_v2(db,
                       "INSERT INTO sale_detail (sale_id, cur_prod_count, article_code, article_name, delivery_price, "
                       "sale_price, discount, sale_quantity, service) VALUES (?1, ?2, 'A' || ?2, 'Артикул', ?3, ?4, ?5, "
                       "?6, 0)",
                       -1, &line, nullptr);
    for (int i = 1; i <= gOrders; ++i) {
        sqlite3_bind_int(sale, 1, i);
        sqlite3_bind_double(sale, 2, 1 + next(2));
        sqlite3_bind_double(sale, 3, 1 + next(2));
        sqlite3_bind_double(sale, 4, kFirstDay + next(kDays) + next(24) / 24);
        sqlite3_bind_int(sale, 5, next(30) ? 0 : -1);
        sqlite3_step(sale);
        sqlite3_reset(sale);
        const int lines = 2 + int(next(5));
        for (int l = 1; l <= lines; ++l) {
            sqlite3_bind_int(line, 1, i);
            sqlite3_bind_int(line, 2, l);
            if (next(20)) sqlite3_bind_double(line, 3, 1 + next(100)); else sqlite3_bind_null(line, 3);
            sqlite3_bind_double(line, 4, 2 + next(200));
            if (next(20)) sqlite3_bind_double(line, 5, next(3) * 5); else sqlite3_bind_null(line, 5);
            sqlite3_bind_double(line, 6, 1 + next(3));
            sqlite3_step(line);
            sqlite3_reset(line);
        }
    }
    sqlite3_finalize(sale);
    sqlite3_finalize(line);
    Exec(db, "COMMIT");
}

const char* const kLinesByHand =
    "SELECT sale_detail.id, sale.cashbox_num, sale_detail.cur_prod_count, sale.sale_num, sale_detail.article_code, "
    "sale_detail.article_name, sale_detail.delivery_price, sale_detail.sale_price, sale_detail.discount, "
    "sale_detail.dimention, sale_detail.sale_quantity, ifnull(delivery_price, 0) * sale_quantity AS d, "
    "round(((sale_price * 100 - ifnull(discount, 0) * sale_price) / 100) * sale_quantity, 2) AS s, "
    "round(((sale_price * 100 - ifnull(discount, 0) * sale_price) / 100) * sale_quantity, 2) - "
    "ifnull(delivery_price, 0) * sale_quantity AS debit, sale_detail.delivery_detail_id, sale_detail.service, "
    "sale_detail.delivery_tax_value, sale_detail.last_modified, sale_detail.seller_id, sale.sale_date, "
    "sale.invoice_accept, sale.invoice_annul, sale.kochan_num, sale.finished FROM sale JOIN sale_detail ON sale.id = "
    "sale_detail.sale_id WHERE sale.invoice_annul = 0 AND sale.sale_date >= ?1 AND sale.sale_date < ?2 AND "
    "sale.myfirm_id = 1 ORDER BY sale.sale_date, sale.sale_num, sale_detail.cur_prod_count";
const char* const kTotalByHand =
    "SELECT ifnull(SUM(((sale_price * 100 - ifnull(discount, 0) * sale_price) / 100) * sale_quantity - "
    "ifnull(delivery_price, 0) * sale_quantity), 0) FROM sale JOIN sale_detail ON sale.id = sale_detail.sale_id "
    "WHERE sale.invoice_annul = 0 AND sale.sale_date >= ?1 AND sale.sale_date < ?2 AND sale.myfirm_id = 1";

// The rows of `sql` for the month: the sum of the profit column `column` and the row count.
std::pair<double, int> ByHand(sqlite3* db, const char* sql, int column)
{
    sqlite3_stmt* stmt = nullptr;
    if (sqlite3_prepare_v2(db, sql, -1, &stmt, nullptr) != SQLITE_OK) throw std::runtime_error(sqlite3_errmsg(db));
    sqlite3_bind_double(stmt, 1, kMonthStart);
    sqlite3_bind_double(stmt, 2, kMonthEnd);
    double total = 0;
    int rows = 0;
    while (sqlite3_step(stmt) == SQLITE_ROW) {
        total += sqlite3_column_double(stmt, column);
        ++rows;
    }
    sqlite3_finalize(stmt);
    return {total, rows};
}

void BM_ProfitMonthVersusHandWritten(benchmark::State& state)
{
    const bench::TemplateCopy shop(Fill);
    TDM dm;
    DM = &dm;
    dm.VantelDataBase->SetDatabase(shop.Path());
    dm.VantelDataBase->SetConnected(true);
    TfDebit window;
    window.cbxOnlyThis->SetChecked(true);
    app::CurrentFirmId = 1;
    const QString from = FormatDateTime(QStringLiteral("dd/MM/yyyy"), kMonthStart);
    const QString to = FormatDateTime(QStringLiteral("dd/MM/yyyy"), kMonthEnd);
    auto store = dao::Store::Open({shop.Path(), false, true, QString::fromLatin1(shopschema::kDatabasePassword)});
    double listed = 0, total = 0;
    const auto runWindow = [&] {
        window.RunDebitQuery(QStringLiteral("0"), from, to);
        window.RunDebitSum(QStringLiteral("0"), from, to);
        // The grid reads the rows it shows.
        TDaoTable* lines = dm.tblDebitQuery;
        int shown = 0;
        for (lines->First(); !lines->Eof() && shown < kRowsShown; lines->Next(), ++shown)
            benchmark::DoNotOptimize(lines->FieldByName(QStringLiteral("DebitSum"))->AsFloat());
        total = dm.tblDebSum->FieldByName(QStringLiteral("OK"))->AsFloat();
    };
    const auto runByHand = [&] {
        benchmark::DoNotOptimize(ByHand(store->Db(), kLinesByHand, 13));
        benchmark::DoNotOptimize(ByHand(store->Db(), kTotalByHand, 0));
    };
    // Once untimed: the first reader of a freshly opened file pays for mapping its pages. The
    // plans of both sides are printed then.
    {
        sqlite3* db = dm.VantelDataBase->DatabaseObject()->GetStore()->Db();
        const bench::StatementLog log(db);
        runWindow();
        bench::PrintPlans(db, QStringLiteral("the profit window"), log.Statements());
    }
    runByHand();
    for (const char* sql : {kLinesByHand, kTotalByHand})
        bench::PrintPlan(store->Db(), QStringLiteral("by hand"), QString::fromLatin1(sql));
    using Clock = bench::CpuClock;
    Clock::duration windowTime{}, handTime{};
    for (auto _ : state) {
        const auto t0 = Clock::now();
        runWindow();
        const auto t1 = Clock::now();
        runByHand();
        const auto t2 = Clock::now();
        windowTime += t1 - t0;
        handTime += t2 - t1;
    }
    // The window's whole list and total are the hand-written ones.
    int rows = 0;
    TDaoTable* lines = dm.tblDebitQuery;
    for (lines->First(); !lines->Eof(); lines->Next(), ++rows)
        listed += lines->FieldByName(QStringLiteral("DebitSum"))->AsFloat();
    const auto [handListed, handRows] = ByHand(store->Db(), kLinesByHand, 13);
    const double handTotal = ByHand(store->Db(), kTotalByHand, 0).first;
    if (rows != handRows || std::abs(total - handTotal) > 0.01 || std::abs(listed - handListed) > 0.01)
        state.SkipWithError("the window's list or total differs from the hand-written one");
    state.counters["lines"] = rows;
    DM = nullptr;
    state.counters["ratio"] = bench::Ratio(windowTime, handTime);
    state.counters["goal"] = 1.5;
    state.counters["orders"] = gOrders;
}
BENCHMARK(BM_ProfitMonthVersusHandWritten)->Unit(benchmark::kMillisecond)->Iterations(5);

}  // namespace

int main(int argc, char** argv)
{
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication application(argc, argv);
    bench::RunBenchmarks(argc, argv, {{"--orders=", &gOrders}});
    return 0;
}
