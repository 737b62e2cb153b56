// Finishing an order, opening the stock lookup and picking a lot, on a shop of many orders and on
// a small one, each against the stock of every lot computed once by hand in SQLite SQL on the
// same file in the same run. Each operation is reported as a ratio to that baseline. Goals: the
// finish of a 10-line order reads only its own lots, so it does not grow with the history (large
// / small at most 1.5); the lookup with the dynamic check lists the whole stock, at most 3; one
// pick at most 1.5. Sizes: --orders=N (default 10000; the full size
// is 100000 orders, 400000 lines, 20000 lots in 2000 deliveries), --small=N (default 1000),
// --runs=N of each operation (default 9). Times are processor time of this thread, medians.

#include "BenchSqlite.h"
#include "BenchSupport.h"

#include "app/CarVantel.h"
#include "app/datamodule/DModule.h"
#include "app/util/AppFlags.h"
#include "app/util/AppGlobals.h"
#include "app/windows/uCarsVantel.h"
#include "app/windows/uPassDlg.h"
#include "app/windows/uSearch.h"
#include "app/windows/uSetings.h"
#include "dataaccess/DaoTable.h"
#include "platform/os/Files.h"
#include "platform/toolkit/Fields.h"
#include "platform/toolkit/gui/Application.h"
#include "platform/toolkit/gui/ScriptedUiHost.h"
#include "platform/toolkit/gui/StandardControls.h"

#include <QApplication>
#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <algorithm>
#include <benchmark/benchmark.h>
#include <ctime>
#include <memory>
#include <sqlite3.h>
#include <stdexcept>
#include <vector>

namespace {

int gOrders = 10000;
int gSmall = 1000;
constexpr int kFullOrders = 100000;
constexpr int kLinesPerOrder = 4;
constexpr int kOrdersPerLot = 5;      // 20,000 lots for 100,000 orders
constexpr int kLotsPerDelivery = 10;  // in 2,000 deliveries
constexpr int kOrderLines = 10;
constexpr int kOrdersPerPerson = 20;  // 5,000 cars and clients for 100,000 orders
int gRuns = 9;

using Duration = bench::Clock::duration;

// The time this thread ran, so that other work on a shared machine does not count.
Duration CpuNow()
{
    timespec t{};
    clock_gettime(CLOCK_THREAD_CPUTIME_ID, &t);
    return std::chrono::duration_cast<Duration>(std::chrono::seconds(t.tv_sec) + std::chrono::nanoseconds(t.tv_nsec));
}

Duration Median(std::vector<Duration> times)
{
    std::nth_element(times.begin(), times.begin() + times.size() / 2, times.end());
    return times[times.size() / 2];
}

using bench::Exec;

int JetText(void*, int lengthA, const void* a, int lengthB, const void* b)
{
    return QString::fromUtf8(static_cast<const char*>(a), lengthA)
        .compare(QString::fromUtf8(static_cast<const char*>(b), lengthB), Qt::CaseInsensitive);
}

sqlite3* OpenFile(const QString& file)
{
    sqlite3* db = nullptr;
    if (sqlite3_open(QFile::encodeName(file).constData(), &db) != SQLITE_OK) throw std::runtime_error("cannot open");
    sqlite3_create_collation(db, "JETTEXT", SQLITE_UTF8, nullptr, JetText);
    sqlite3_busy_timeout(db, 5000);
    return db;
}

void Step(sqlite3_stmt* s, std::initializer_list<double> values)
{
    int i = 1;
    for (double v : values) sqlite3_bind_double(s, i++, v);
    if (sqlite3_step(s) != SQLITE_DONE) throw std::runtime_error(sqlite3_errmsg(sqlite3_db_handle(s)));
    sqlite3_reset(s);
}

int PeopleOf(int orders) { return std::max(1, orders / kOrdersPerPerson); }

// The shop's history, written past the program: cars and their clients, lots in deliveries,
// finished orders of four lines each taking one of a lot.
void Fill(const QString& file, int orders)
{
    sqlite3* db = OpenFile(file);
    Exec(db, "BEGIN");
    Exec(db, "INSERT INTO myfirm (id, myfirm_name, DDS, deleted) VALUES (1, 'Firm', 20, 0)");
    Exec(db, "INSERT INTO store (id, \"index\", store_name, myfirm_id, deleted) VALUES (1, 1, 'Склад', 1, 0)");
    sqlite3_stmt* client = nullptr;
    sqlite3_prepare_v2(db, "INSERT INTO client (id, name, phone, free) VALUES (?1, 'Клиент ' || CAST(?1 AS INTEGER), '0888', 0)",
                       -1, &client, nullptr);
    sqlite3_stmt* car = nullptr;
    sqlite3_prepare_v2(db,
                       "INSERT INTO car (id, client_id, mark, model, car_number, free) "
                       "VALUES (?1, ?1, 'Opel', 'Astra', 'CA' || CAST(?1 AS INTEGER), 0)",
                       -1, &car, nullptr);
    for (int id = 1; id <= PeopleOf(orders); ++id) {
        Step(client, {double(id)});
        Step(car, {double(id)});
    }
    const int lots = std::max(kOrderLines, orders / kOrdersPerLot);
    sqlite3_stmt* delivery = nullptr;
    sqlite3_prepare_v2(db,
                       "INSERT INTO delivery (id, store_id, cashbox_num, supplier, delivery_date, delivery_tax, "
                       "delivery_tax_value, delivery_piment, deleted, finished) VALUES (?1, 1, 1, 'Доставчик', 45000, 20, 0, -1, 0, -1)",
                       -1, &delivery, nullptr);
    sqlite3_stmt* lot = nullptr;
    sqlite3_prepare_v2(db,
                       "INSERT INTO delivery_detail (id, delivery_id, store_id, article_code, article_name, producer, "
                       "sale_price, dimention, service, delivery_price, delivery_quantity) VALUES (?1, ?2, 1, "
                       "'A' || CAST(?3 AS INTEGER), 'Част ' || CAST(?3 AS INTEGER), 'Произв.', ?4, 'бр.', 0, ?5, 1000)",
                       -1, &lot, nullptr);
    for (int id = 1; id <= lots; ++id) {
        const int deliveryId = 1 + (id - 1) / kLotsPerDelivery;
        if ((id - 1) % kLotsPerDelivery == 0) Step(delivery, {double(deliveryId)});
        const int article = id % (lots / 2 + 1);
        Step(lot, {double(id), double(deliveryId), double(article), 2.0 + article % 90, 1.0 + article % 80});
    }
    sqlite3_stmt* sale = nullptr;
    sqlite3_prepare_v2(db,
                       "INSERT INTO sale (id, car_id, client_id, myfirm_id, cashbox_num, seller_id, sale_num, sale_date, "
                       "tax_rate, kochan_num, invoice, invoice_accept, invoice_piment, invoice_annul, deleted) "
                       "VALUES (?1, ?2, ?2, 1, 1, 1, ?1, 45000, 20, 0, 0, -1, -1, 0, 0)",
                       -1, &sale, nullptr);
    sqlite3_stmt* line = nullptr;
    sqlite3_prepare_v2(db,
                       "INSERT INTO sale_detail (sale_id, cur_prod_count, article_code, article_name, sale_price, "
                       "discount, sale_quantity, delivery_price, delivery_detail_id, quantity_reminder, service) "
                       "VALUES (?1, ?2, 'A', 'Част', 10, 0, 1, 5, ?3, 0, 0)",
                       -1, &line, nullptr);
    unsigned seed = 20261210;
    for (int id = 1; id <= orders; ++id) {
        Step(sale, {double(id), double(1 + id % PeopleOf(orders))});
        for (int n = 1; n <= kLinesPerOrder; ++n) {
            seed = seed * 1103515245u + 12345u;
            Step(line, {double(id), double(n), double(1 + (seed >> 8) % unsigned(lots))});
        }
    }
    for (sqlite3_stmt* s : {client, car, delivery, lot, sale, line}) sqlite3_finalize(s);
    Exec(db, "COMMIT");
    Exec(db, "ANALYZE");
    sqlite3_close(db);
}

// The stock of every lot, by hand: delivered less what finished, not annulled orders took, read
// per lot through the index of the lots' sales (the fastest of the hand-written forms).
const char* const kStockByHand =
    "SELECT dd.id, dd.article_code, dd.article_name, dd.delivery_price, d.delivery_tax, dd.dimention, dd.producer, "
    "dd.service, dd.delivery_quantity - COALESCE((SELECT SUM(sd.sale_quantity) FROM sale_detail sd JOIN sale s "
    "ON s.id = sd.sale_id WHERE sd.delivery_detail_id = dd.id AND s.invoice_accept = -1 AND s.invoice_annul = 0), 0), "
    "dd.sale_price, d.delivery_tax_value FROM delivery_detail dd JOIN delivery d ON d.id = dd.delivery_id ORDER BY dd.id";

Duration StockByHand(sqlite3* db)
{
    sqlite3_stmt* s = nullptr;
    sqlite3_prepare_v2(db, kStockByHand, -1, &s, nullptr);
    const Duration start = CpuNow();
    double sum = 0;
    while (sqlite3_step(s) == SQLITE_ROW) sum += sqlite3_column_double(s, 8);
    const Duration took = CpuNow() - start;
    benchmark::DoNotOptimize(sum);
    sqlite3_finalize(s);
    return took;
}

// One shop in a folder of its own, the program started and logged in, a 10-line order open.
class Shop {
public:
    explicit Shop(int orders)
    {
        QDir::setCurrent(dir_.path());
        SetProgramFolder(dir_.path() + QLatin1Char('/'));
        QFile::copy(QStringLiteral(CARVANTEL_BINARY_DIR "/EmptyBase.mdb"), dir_.filePath(QStringLiteral("EmptyBase.mdb")));
        Start();  // the first login makes the shop's file
        application_.reset();
        file_ = dir_.filePath(QStringLiteral("CarVantel.mdb"));
        Fill(file_, orders);
        lots_ = std::max(kOrderLines, orders / kOrdersPerLot);
        Start();
        host_.AnswerQuestion(QStringLiteral("Нова поръчка"), mrYes, -1);
        host_.AnswerQuestion(QStringLiteral("трябва да приключите поръчката"), mrNo, -1);
        for (TCheckBox* box : {fSetings->cbxShowUPayed, fSetings->cbxDynamic, fSetings->cbChangeSaleData}) {
            const QSignalBlocker quiet(box);
            box->setChecked(true);
        }
        fCarVantel->Show();
        fCarVantel->Append1Click(nullptr);
        order_ = DM->tblSale->FieldByName(QStringLiteral("id"))->AsInteger();
        sqlite3* db = OpenFile(file_);
        for (int n = 1; n <= kOrderLines; ++n)
            Exec(db, QStringLiteral("INSERT INTO sale_detail (sale_id, cur_prod_count, article_code, article_name, "
                                    "sale_price, discount, sale_quantity, delivery_price, delivery_detail_id, "
                                    "quantity_reminder, service) VALUES (%1, %2, 'A', 'Част', 10, 0, 1, 5, %3, 0, 0)")
                         .arg(order_)
                         .arg(n)
                         .arg(1 + (n * 7919) % lots_)
                         .toUtf8()
                         .constData());
        // The order is of the last car and client: the finish puts their tables back on them.
        Exec(db, QStringLiteral("UPDATE sale SET car_id=%1, client_id=%1 WHERE id=%2")
                     .arg(PeopleOf(orders))
                     .arg(order_)
                     .toUtf8()
                     .constData());
        sqlite3_close(db);
        DM->tblSale->Refresh();
        fCarVantel->ShowCurrentSale();
        if (order_ <= 0 || DM->tblSaleDetail->RecordCount() != kOrderLines || fCarVantel->ShownCarId() != PeopleOf(orders))
            throw std::runtime_error("the order to finish was not made");
        fCarVantel->poReCallClick(nullptr);
        db_ = OpenFile(file_);
    }
    ~Shop()
    {
        sqlite3_close(db_);
        if (fCarVantel) fCarVantel->Hide();
        application_.reset();
        SetProgramFolder(QString());
    }

    Duration Baseline() { return StockByHand(db_); }

    // The order open again, as after "&Редакция" on an order finished before.
    void Reopen()
    {
        app::CarEdited = app::ClientEdited = false;
        TDaoTable* sale = DM->tblSale;
        sale->Edit();
        sale->FieldByName(QStringLiteral("invoice_accept"))->SetAsBoolean(false);
        sale->Post();
        fCarVantel->Rollback1Click(nullptr);
    }

    Duration Finish()
    {
        Reopen();
        const Duration start = CpuNow();
        fCarVantel->Commit1Click(nullptr);
        const Duration took = CpuNow() - start;
        if (!DM->tblSale->FieldByName(QStringLiteral("invoice_accept"))->AsBoolean())
            throw std::runtime_error("the order was not finished: " + host_.Texts().join(QLatin1Char('|')).toStdString());
        return took;
    }

    Duration Lookup()
    {
        Reopen();
        host_.AnswerForm(QStringLiteral("fSearch"), mrCancel);
        const Duration start = CpuNow();
        fCarVantel->MyDBGrid1EditButtonClick(nullptr);
        return CpuNow() - start;
    }

    // One pick into the first line, per delivery line or per article.
    Duration Pick(bool perArticle)
    {
        Reopen();
        DM->tblSaleDetail->First();
        Duration took{};
        host_.OnForm(QStringLiteral("fSearch"), [&](TForm&) {
            if (perArticle) fSearch->rbtFiFo->SetChecked(true);
            const Duration start = CpuNow();
            fSearch->bYesClick(nullptr);
            took = CpuNow() - start;
            return mrNone;
        });
        fCarVantel->MyDBGrid1EditButtonClick(nullptr);
        return took;
    }

private:
    void Start()
    {
        app::CurrentSellerId = QStringLiteral("1");
        app::CurrentFirmId = -1;
        app::MainFormReady = false;
        app::OrderDirty = false;
        application_ = std::make_unique<TApplication>();
        CreateProgramWindows(*application_);
        host_.OnForm(QStringLiteral("fPasswordDlg"), [](TForm&) {
            fPasswordDlg->eLoginName->SetText(QStringLiteral("Администратор"));
            return mrOk;
        });
        fPasswordDlg->ShowModal();
    }

    QTemporaryDir dir_;
    TScriptedUiHost host_;
    TScopedUiHost installed_{host_};
    std::unique_ptr<TApplication> application_;
    QString file_;
    sqlite3* db_ = nullptr;
    int lots_ = 0;
    qint32 order_ = 0;
};

struct Figures {
    Duration baseline, finish, lookup, pickPerDelivery, pickPerArticle;
};

template <class F>
Duration MedianOf(F&& step)
{
    std::vector<Duration> times;
    for (int i = 0; i < gRuns; ++i) times.push_back(step());
    return Median(std::move(times));
}

Figures Measure(int orders)
{
    Shop shop(orders);
    Figures f;
    f.baseline = MedianOf([&] { return shop.Baseline(); });
    f.finish = MedianOf([&] { return shop.Finish(); });
    f.lookup = MedianOf([&] { return shop.Lookup(); });
    f.pickPerDelivery = MedianOf([&] { return shop.Pick(false); });
    f.pickPerArticle = MedianOf([&] { return shop.Pick(true); });
    return f;
}

double Ms(Duration d) { return std::chrono::duration<double, std::milli>(d).count(); }

void BM_FinishOrder(benchmark::State& state)
{
    for (auto _ : state) {
        const Figures small = Measure(std::min(gSmall, gOrders));
        const Figures large = Measure(gOrders);
        const struct {
            const char* name;
            Duration Figures::*time;
            double goal;
        } operations[] = {
            {"finish", &Figures::finish, 4},
            {"lookup", &Figures::lookup, 3},
            {"pick_per_delivery", &Figures::pickPerDelivery, 1.5},
            {"pick_per_article", &Figures::pickPerArticle, 1.5},
        };
        for (const auto& op : operations) {
            const std::string name = op.name;
            const double ratio = bench::Ratio(large.*op.time, large.baseline);
            state.counters[name + "_ratio"] = ratio;
            state.counters[name + "_ratio_small"] = bench::Ratio(small.*op.time, small.baseline);
            state.counters[name + "_growth"] = bench::Ratio(large.*op.time, small.*op.time);
            state.counters[name + "_ms"] = Ms(large.*op.time);
            state.counters[name + "_goal_met"] = ratio <= op.goal ? 1 : 0;
        }
        state.counters["baseline_ms"] = Ms(large.baseline);
        state.counters["baseline_small_ms"] = Ms(small.baseline);
        if (gOrders >= kFullOrders) state.counters["finish_under_2s"] = Ms(large.finish) < 2000 ? 1 : 0;
        state.counters["finish_growth_goal_met"] = bench::Ratio(large.finish, small.finish) <= 1.5 ? 1 : 0;
    }
}
BENCHMARK(BM_FinishOrder)->Iterations(1)->Unit(benchmark::kMillisecond);

}  // namespace

int main(int argc, char** argv)
{
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    bench::RunBenchmarks(argc, argv, {{"--orders=", &gOrders}, {"--small=", &gSmall}, {"--runs=", &gRuns}});
    return 0;
}
