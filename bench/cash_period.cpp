// The cash period on a shop of two years and two cash boxes. (1) The translated saved queries
// QCasheSaleTotal and QCasheDeliveryTotal against the same totals written by hand in SQLite SQL,
// for one day and one month (goal at most 1.2). (2) The whole period opening as the cash box
// does it, twelve datasets through TDaoTable with the filters set and the income and expense
// summed, against hand-written queries giving the same rows and totals (goal for a month at
// most 2). Times are this thread's processor time, so that other work on the machine does not
// count. Sizes: --orders=N (default keeps the run short; the full size is --orders=100000).

#include "BenchSqlite.h"
#include "BenchSupport.h"

#include "app/datamodule/DModule.h"
#include "app/datamodule/TemplateDatabase.h"
#include "dataaccess/DaoDataBase.h"
#include "dataaccess/DaoTable.h"
#include "platform/dao/DaoStore.h"
#include "platform/dao/JetSql.h"
#include "platform/toolkit/Fields.h"

#include <benchmark/benchmark.h>
#include <sqlite3.h>

#include <QCoreApplication>
#include <memory>
#include <stdexcept>

namespace {

int gOrders = 10000;
constexpr int kDays = 730;
constexpr double kFirstDay = 45658;  // 01/01/2025
constexpr double kDay = kFirstDay + 400;
constexpr double kMonthStart = kFirstDay + 396;  // a month around that day
constexpr double kMonthEnd = kMonthStart + 31;

using bench::Exec;

struct Inserter {
    sqlite3_stmt* stmt = nullptr;
    Inserter(sqlite3* db, const char* sql) { sqlite3_prepare_v2(db, sql, -1, &stmt, nullptr); }
    ~Inserter() { sqlite3_finalize(stmt); }
    Inserter& operator()(int i, double v)
    {
        sqlite3_bind_double(stmt, i, v);
        return *this;
    }
    void Step()
    {
        sqlite3_step(stmt);
        sqlite3_reset(stmt);
    }
};

// The shop: orders of about four lines over two years in two boxes, and money rows in proportion.
void Fill(sqlite3* db)
{
    unsigned seed = 2024;
    const auto next = [&seed](unsigned range) {
        seed = seed * 1103515245u + 12345u;
        return double((seed >> 8) % range);
    };
    Exec(db, "BEGIN; INSERT INTO myfirm (id, myfirm_name, DDS, deleted) VALUES (1, 'Фирма', 20, 0), (2, 'Друга', 20, 0);"
             "INSERT INTO store (id, store_name, deleted) VALUES (1, 'Склад', 0);"
             "INSERT INTO employee (id, employee_name) VALUES (1, 'Стоян'), (2, 'Тодор');");
    Inserter sale(db, "INSERT INTO sale (myfirm_id, cashbox_num, sale_num, sale_date, tax_rate, invoice_accept, "
                      "invoice_piment, invoice_annul) VALUES (?1, ?2, ?3, ?4, 20, ?5, ?6, ?7)");
    Inserter line(db, "INSERT INTO sale_detail (sale_id, sale_price, discount, sale_quantity) VALUES (?1, ?2, ?3, ?4)");
    for (int i = 1; i <= gOrders; ++i) {
        sale(1, 1 + next(2))(2, 1 + next(2))(3, i)(4, kFirstDay + next(kDays))(5, next(10) ? -1 : 0)(6, next(8) ? -1 : 0)(
            7, next(30) ? 0 : -1)
            .Step();
        const int lines = 2 + int(next(5));
        for (int l = 0; l < lines; ++l) line(1, i)(2, 1 + next(200))(3, next(3) * 5)(4, 1 + next(3)).Step();
    }
    Inserter delivery(db, "INSERT INTO delivery (store_id, cashbox_num, delivery_date, delivery_tax, currency_rate, "
                          "delivery_piment) VALUES (1, ?1, ?2, 20, 1, ?3)");
    Inserter deliveryLine(db, "INSERT INTO delivery_detail (delivery_id, store_id, delivery_price, delivery_quantity) "
                              "VALUES (?1, 1, ?2, ?3)");
    for (int i = 1; i <= gOrders / 10; ++i) {
        delivery(1, 1 + next(2))(2, kFirstDay + next(kDays))(3, next(4) ? -1 : 0).Step();
        for (int l = 0; l < 5; ++l) deliveryLine(1, i)(2, 1 + next(100))(3, 1 + next(20)).Step();
    }
    Inserter taking(db, "INSERT INTO takings (take, cashbox_num, date, name, phone, comment) VALUES (?1, ?2, ?3, "
                        "'Клиент', '123', 'аванс')");
    Inserter given(db, "INSERT INTO give_in (give, cashbox_num, date, name, phone, comment) VALUES (?1, ?2, ?3, "
                       "'Доставчик', '456', 'наем')");
    Inserter payment(db, "INSERT INTO employee_payment (employee_id, cashbox_num, work, payment, payment_date, payed) "
                         "VALUES (1 + ?1, ?2, 'ремонт', ?3, ?4, -1)");
    Inserter work(db, "INSERT INTO employee_working (employee_id, cashbox_num, payment, payment_date, payed) VALUES "
                      "(1 + ?1, ?2, ?3, ?4, ?5)");
    for (int i = 0; i < gOrders / 5; ++i) {
        taking(1, 1 + next(300))(2, 1 + next(2))(3, kFirstDay + next(kDays) + next(24) / 24).Step();
        given(1, 1 + next(300))(2, 1 + next(2))(3, kFirstDay + next(kDays)).Step();
        payment(1, next(2))(2, 1 + next(2))(3, 10 + next(90))(4, kFirstDay + next(kDays)).Step();
        work(1, next(2))(2, 1 + next(2))(3, 10 + next(90))(4, kFirstDay + next(kDays))(5, next(3) ? -1 : 0).Step();
    }
    Exec(db, "COMMIT");
}

const char* const kSaleTotalByHand =
    "SELECT cashbox_num, SUM(s), SUM(d), SUM(s + d) FROM (SELECT sale.cashbox_num, "
    "round(SUM(((sale_price * 100 - discount * sale_price) / 100) * sale_quantity), 2) AS s, "
    "round(round(SUM(((sale_price * 100 - discount * sale_price) / 100) * sale_quantity), 2) * tax_rate / 100, 2) AS d "
    "FROM myfirm JOIN sale ON myfirm.id = sale.myfirm_id JOIN sale_detail ON sale.id = sale_detail.sale_id "
    "WHERE sale.sale_date >= ?2 AND sale.sale_date < ?3 AND sale.cashbox_num = ?1 AND sale.invoice_piment = -1 "
    "AND sale.invoice_accept = -1 AND sale.invoice_annul = 0 GROUP BY sale.id) GROUP BY cashbox_num";
const char* const kDeliveryTotalByHand =
    "SELECT cashbox_num, SUM(t), SUM(s), SUM(round(s + t, 2)) FROM (SELECT delivery.cashbox_num, "
    "round(SUM(delivery_tax * delivery_price * delivery_quantity * currency_rate / 100), 2) AS t, "
    "round(SUM(delivery_price * delivery_quantity * currency_rate), 2) AS s FROM delivery_detail JOIN delivery ON "
    "delivery_detail.delivery_id = delivery.id WHERE delivery.delivery_date >= ?2 AND delivery.delivery_date < ?3 "
    "AND delivery.cashbox_num = ?1 AND delivery.delivery_piment = -1 GROUP BY delivery.id) GROUP BY cashbox_num";
// The rows of the other lists of the period, as the hand-written baseline reads them.
const char* const kRowsByHand[] = {
    "SELECT * FROM takings WHERE cashbox_num = ?1 AND date >= ?2 AND date < ?3",
    "SELECT * FROM give_in WHERE cashbox_num = ?1 AND date >= ?2 AND date < ?3",
    "SELECT sale.id, sale.sale_num, sale.tax_rate, sale.cashbox_num, "
    "SUM(((sale_price * 100 - discount * sale_price) / 100) * sale_quantity), sale.sale_date FROM myfirm JOIN sale ON "
    "myfirm.id = sale.myfirm_id JOIN sale_detail ON sale.id = sale_detail.sale_id WHERE sale.sale_date >= ?2 AND "
    "sale.sale_date < ?3 AND sale.cashbox_num = ?1 AND sale.invoice_piment = -1 AND sale.invoice_accept = -1 AND "
    "sale.invoice_annul = 0 GROUP BY sale.id",
    "SELECT delivery.id, SUM(delivery_price * delivery_quantity), delivery.delivery_date FROM delivery_detail JOIN "
    "delivery ON delivery_detail.delivery_id = delivery.id WHERE delivery.delivery_date >= ?2 AND "
    "delivery.delivery_date < ?3 AND delivery.cashbox_num = ?1 AND delivery.delivery_piment = -1 GROUP BY delivery.id",
    "SELECT p.payment_date, e.employee_name, p.work, p.payment FROM employee e JOIN employee_payment p ON e.id = "
    "p.employee_id WHERE p.payed = -1 AND p.payment_date >= ?2 AND p.payment_date < ?3 AND p.cashbox_num = ?1",
    "SELECT w.payment_date, e.employee_name, w.payment FROM employee e JOIN employee_working w ON e.id = "
    "w.employee_id WHERE w.payed = -1 AND w.payment_date >= ?2 AND w.payment_date < ?3 AND w.cashbox_num = ?1",
    "SELECT SUM(take) FROM takings WHERE cashbox_num = ?1 AND date >= ?2 AND date < ?3",
    "SELECT SUM(give) FROM give_in WHERE cashbox_num = ?1 AND date >= ?2 AND date < ?3",
    "SELECT SUM(payment) FROM employee_payment WHERE payed = -1 AND payment_date >= ?2 AND payment_date < ?3 AND "
    "cashbox_num = ?1",
    "SELECT SUM(payment) FROM employee_working WHERE payed = -1 AND payment_date >= ?2 AND payment_date < ?3 AND "
    "cashbox_num = ?1",
};

// Runs `sql` for box 1 and the period; the sum of the last column of every row.
double Run(sqlite3* db, const QString& sql, double from, double to)
{
    sqlite3_stmt* stmt = nullptr;
    if (sqlite3_prepare_v2(db, sql.toUtf8().constData(), -1, &stmt, nullptr) != SQLITE_OK)
        throw std::runtime_error(sqlite3_errmsg(db));
    sqlite3_bind_double(stmt, 1, 1);
    sqlite3_bind_double(stmt, 2, from);
    sqlite3_bind_double(stmt, 3, to);
    double total = 0;
    while (sqlite3_step(stmt) == SQLITE_ROW) total += sqlite3_column_double(stmt, sqlite3_column_count(stmt) - 1);
    sqlite3_finalize(stmt);
    return total;
}

// The shop, made once for the run.
const QString& TheShop()
{
    static const bench::TemplateCopy shop(Fill);
    return shop.Path();
}

void BM_SavedTotalsTranslatedVersusHandWritten(benchmark::State& state)
{
    const double from = state.range(0) ? kMonthStart : kDay;
    const double to = state.range(0) ? kMonthEnd : kDay + 1;
    auto store = dao::Store::Open({TheShop(), false, true, QString::fromLatin1(shopschema::kDatabasePassword)});
    const QString sale = jet::Translate(*store->FindQuery(QStringLiteral("QCasheSaleTotal")), *store).sql;
    const QString delivery = jet::Translate(*store->FindQuery(QStringLiteral("QCasheDeliveryTotal")), *store).sql;
    const auto translatedTotals = [&] { return Run(store->Db(), sale, from, to) + Run(store->Db(), delivery, from, to); };
    const auto handTotals = [&] {
        return Run(store->Db(), QString::fromLatin1(kSaleTotalByHand), from, to) +
               Run(store->Db(), QString::fromLatin1(kDeliveryTotalByHand), from, to);
    };
    // Once untimed: the first reader of a freshly opened file pays for mapping its pages.
    translatedTotals();
    handTotals();
    using Clock = bench::CpuClock;
    Clock::duration translated{}, hand{};
    for (auto _ : state) {
        const auto t0 = Clock::now();
        const double a = translatedTotals();
        const auto t1 = Clock::now();
        const double b = handTotals();
        const auto t2 = Clock::now();
        if (std::abs(a - b) > 0.01) state.SkipWithError("the translated totals differ from the hand-written ones");
        translated += t1 - t0;
        hand += t2 - t1;
    }
    state.counters["ratio"] = bench::Ratio(translated, hand);
    state.counters["goal"] = 1.2;
    state.counters["orders"] = gOrders;
}

double TotalOf(TDaoTable* total, const char* field)
{
    return total->IsEmpty() ? 0 : total->FieldByName(QString::fromLatin1(field))->AsFloat();
}

void FilterBy(TDaoTable* table, const QString& filter)
{
    table->SetFiltered(false);
    table->SetFilter(filter);
    table->SetFiltered(true);
}

// The period opened as the cash box opens it; the balance of its totals.
double OpenPeriod(TDM& dm, double fromDay, double toDay)
{
    const QString from = FormatDateTime(QStringLiteral("dd/MM/yyyy"), fromDay);
    const QString to = FormatDateTime(QStringLiteral("dd/MM/yyyy"), toDay);
    TDaoTable* const tables[] = {dm.tblCashTakings, dm.tblCashGiveIn, dm.tblCashSale,    dm.tblCashSTotal,
                                 dm.tblCashDelivery, dm.tblCashEPayment, dm.tblCashEWork, dm.tblCashTTotal,
                                 dm.tblCashGTotal,  dm.tblCashEPTotal, dm.tblCashEWTotal, dm.tblCashDTotal};
    for (TDaoTable* t : tables) t->Close();
    dm.tblCashBox->Close();
    dm.tblCashBox->SetFiltered(false);
    dm.tblCashBox->Open();
    FilterBy(dm.tblCashBox, QStringLiteral("[finished]=True AND [cashbox_nom]=1 AND [to_date]<DateValue(\"") + from +
                                QStringLiteral("\")"));
    const QString moves = QStringLiteral("[cashbox_num]=1 AND [date]>=DateValue(\"") + from +
                          QStringLiteral("\") AND [date]<DateValue(\"") + to + QStringLiteral("\")");
    for (TDaoTable* t : tables) t->QueryDefParameters().SetText(QStringLiteral("1\n") + from + '\n' + to);
    FilterBy(dm.tblCashTakings, moves);
    FilterBy(dm.tblCashGiveIn, moves);
    for (TDaoTable* t : tables) t->Open();
    const double income = TotalOf(dm.tblCashTTotal, "TakedTotalSum") + TotalOf(dm.tblCashSTotal, "TotalSale");
    const double expense = TotalOf(dm.tblCashGTotal, "GiveTotal") + TotalOf(dm.tblCashDTotal, "Total") +
                           TotalOf(dm.tblCashEPTotal, "PaymentSum") + TotalOf(dm.tblCashEWTotal, "PaymentSum");
    return income - expense;
}

void BM_PeriodOpeningVersusHandWritten(benchmark::State& state)
{
    const double from = state.range(0) ? kMonthStart : kDay;
    const double to = state.range(0) ? kMonthEnd : kDay + 1;
    TDM dm;
    dm.VantelDataBase->SetDatabase(TheShop());
    dm.VantelDataBase->SetConnected(true);
    auto store = dao::Store::Open({TheShop(), false, true, QString::fromLatin1(shopschema::kDatabasePassword)});
    const auto handRows = [&] {
        double rows = Run(store->Db(), QString::fromLatin1(kSaleTotalByHand), from, to) +
                      Run(store->Db(), QString::fromLatin1(kDeliveryTotalByHand), from, to);
        for (const char* sql : kRowsByHand) rows += Run(store->Db(), QString::fromLatin1(sql), from, to);
        return rows;
    };
    // Once untimed: the first reader of a freshly opened file pays for mapping its pages.
    OpenPeriod(dm, from, to);
    handRows();
    using Clock = bench::CpuClock;
    Clock::duration opening{}, hand{};
    for (auto _ : state) {
        const auto t0 = Clock::now();
        benchmark::DoNotOptimize(OpenPeriod(dm, from, to));
        const auto t1 = Clock::now();
        benchmark::DoNotOptimize(handRows());
        const auto t2 = Clock::now();
        opening += t1 - t0;
        hand += t2 - t1;
    }
    state.counters["ratio"] = bench::Ratio(opening, hand);
    state.counters["goal"] = state.range(0) ? 2.0 : 0.0;
    state.counters["orders"] = gOrders;
}

// 0: one day, 1: one month.
BENCHMARK(BM_SavedTotalsTranslatedVersusHandWritten)->Arg(0)->Arg(1)->Unit(benchmark::kMillisecond)->Iterations(5);
BENCHMARK(BM_PeriodOpeningVersusHandWritten)->Arg(0)->Arg(1)->Unit(benchmark::kMillisecond)->Iterations(5);

}  // namespace

int main(int argc, char** argv)
{
    QCoreApplication application(argc, argv);
    bench::RunBenchmarks(argc, argv, {{"--orders=", &gOrders}});
    return 0;
}
