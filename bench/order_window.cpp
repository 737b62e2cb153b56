// The order window on a shop of many years against the same window on a small shop: a move to
// the next order, a new order, the renumbering of a 30-line order and the re-reading of the
// order each read only that order's rows, so none of them may grow with the history. Each is
// reported as the large shop's time over the small shop's (the goal is at most 2); the opening
// of the list (the filter and the last order) is reported as a time.

#include "BenchSqlite.h"
#include "BenchSupport.h"

#include "app/CarVantel.h"
#include "app/datamodule/DModule.h"
#include "app/util/AppFlags.h"
#include "app/util/AppGlobals.h"
#include "app/windows/uCarsVantel.h"
#include "app/windows/uPassDlg.h"
#include "app/windows/uSetings.h"
#include "platform/os/Files.h"
#include "platform/toolkit/gui/Application.h"
#include "platform/toolkit/gui/ScriptedUiHost.h"
#include "platform/toolkit/gui/StandardControls.h"

#include <QApplication>
#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <benchmark/benchmark.h>
#include <memory>
#include <sqlite3.h>

namespace {

int gOrders = 100000;
int gPeople = 5000;
constexpr int kSmallOrders = 1000;
constexpr int kLinesPerOrder = 4;
constexpr int kRenumberedLines = 30;

using bench::Exec;

int JetText(void*, int lengthA, const void* a, int lengthB, const void* b)
{
    return QString::fromUtf8(static_cast<const char*>(a), lengthA)
        .compare(QString::fromUtf8(static_cast<const char*>(b), lengthB), Qt::CaseInsensitive);
}

// The shop's rows, written past the program: firms, cars, clients, orders with their lines, and
// one order of 30 lines at the end.
void Fill(const QString& file, int orders, int people)
{
    sqlite3* db = nullptr;
    sqlite3_open(QFile::encodeName(file).constData(), &db);
    sqlite3_create_collation(db, "JETTEXT", SQLITE_UTF8, nullptr, JetText);
    Exec(db, "BEGIN");
    Exec(db, "INSERT INTO myfirm (id, myfirm_name, DDS) VALUES (1, 'Firm', 20)");
    sqlite3_stmt* person = nullptr;
    sqlite3_prepare_v2(db,
                       "INSERT INTO client (id, name, phone) VALUES (?1, 'Client ' || ?1, '0888');"
                       , -1, &person, nullptr);
    sqlite3_stmt* car = nullptr;
    sqlite3_prepare_v2(db, "INSERT INTO car (id, client_id, mark, model, car_number) VALUES (?1, ?1, 'Opel', 'Astra', 'CA' || ?1)",
                       -1, &car, nullptr);
    for (int i = 1; i <= people; ++i) {
        for (sqlite3_stmt* s : {person, car}) {
            sqlite3_bind_int(s, 1, i);
            sqlite3_step(s);
            sqlite3_reset(s);
        }
    }
    sqlite3_stmt* order = nullptr;
    sqlite3_prepare_v2(db,
                       "INSERT INTO sale (id, client_id, car_id, myfirm_id, cashbox_num, sale_num, tax_rate, "
                       "invoice_accept, invoice_piment) VALUES (?1, ?2, ?2, 1, 1, ?1, 20, -1, -1)",
                       -1, &order, nullptr);
    sqlite3_stmt* line = nullptr;
    sqlite3_prepare_v2(db,
                       "INSERT INTO sale_detail (sale_id, cur_prod_count, article_name, sale_price, discount, "
                       "sale_quantity, quantity_reminder, service) VALUES (?1, ?2, 'Part', 10, 0, 1, 5, 0)",
                       -1, &line, nullptr);
    const auto addLine = [line](int saleId, int number) {
        sqlite3_bind_int(line, 1, saleId);
        sqlite3_bind_int(line, 2, number);
        sqlite3_step(line);
        sqlite3_reset(line);
    };
    for (int i = 1; i <= orders; ++i) {
        sqlite3_bind_int(order, 1, i);
        sqlite3_bind_int(order, 2, 1 + i % people);
        sqlite3_step(order);
        sqlite3_reset(order);
        for (int n = 1; n <= (i == orders ? kRenumberedLines : kLinesPerOrder); ++n) addLine(i, n);
    }
    for (sqlite3_stmt* s : {person, car, order, line}) sqlite3_finalize(s);
    Exec(db, "COMMIT");
    sqlite3_close(db);
}

// One shop in a folder of its own, with the program started and logged in.
class Shop {
public:
    explicit Shop(int orders)
    {
        QDir::setCurrent(dir_.path());
        SetProgramFolder(dir_.path() + QLatin1Char('/'));
        QFile::copy(QStringLiteral(CARVANTEL_BINARY_DIR "/EmptyBase.mdb"), dir_.filePath(QStringLiteral("EmptyBase.mdb")));
        Start();  // the first login makes the shop's file
        application_.reset();
        Fill(dir_.filePath(QStringLiteral("CarVantel.mdb")), orders, std::min(gPeople, orders));
        Start();
        host_.AnswerQuestion(QStringLiteral("Нова поръчка"), mrYes, -1);
        host_.AnswerQuestion(QStringLiteral("трябва да приключите поръчката"), mrNo, -1);
        fSetings->cbxShowUPayed->setChecked(true);
        // The stock re-query a new order makes without the dynamic check reads the whole stock;
        // the stock benchmark measures that.
        fSetings->cbxDynamic->setChecked(true);
    }
    ~Shop()
    {
        application_.reset();
        SetProgramFolder(QString());
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
};

template <class F>
bench::Clock::duration Time(int times, F&& step)
{
    const auto start = bench::Clock::now();
    for (int i = 0; i < times; ++i) step(i);
    return (bench::Clock::now() - start) / std::max(1, times);
}

struct Timings {
    bench::Clock::duration opening, move, append, renumber, requery;
};

Timings Measure(int orders)
{
    Shop shop(orders);
    Timings t;
    t.opening = Time(1, [](int) { fCarVantel->ApplySaleFilter(); });
    // The 30-line order is the last one.
    t.renumber = Time(20, [](int) { fCarVantel->RenumberLines(); });
    fCarVantel->tbtFirstClick(nullptr);
    t.move = Time(200, [](int i) {
        if (i % 2)
            fCarVantel->tbtPreviewsClick(nullptr);
        else
            fCarVantel->tbtNextClick(nullptr);
    });
    t.requery = Time(20, [](int) { fCarVantel->RequeryOrder(); });
    t.append = Time(20, [](int) {
        fCarVantel->Append1Click(nullptr);
        app::CarEdited = app::ClientEdited = app::OrderDirty = false;
    });
    return t;
}

void BM_OrderWindow(benchmark::State& state)
{
    for (auto _ : state) {
        const Timings small = Measure(kSmallOrders);
        const Timings large = Measure(gOrders);
        state.counters["move_next_ratio"] = bench::Ratio(large.move, small.move);
        state.counters["new_order_ratio"] = bench::Ratio(large.append, small.append);
        state.counters["renumber_30_lines_ratio"] = bench::Ratio(large.renumber, small.renumber);
        state.counters["requery_order_ratio"] = bench::Ratio(large.requery, small.requery);
        state.counters["opening_large_ms"] = std::chrono::duration<double, std::milli>(large.opening).count();
        state.counters["opening_small_ms"] = std::chrono::duration<double, std::milli>(small.opening).count();
    }
}
BENCHMARK(BM_OrderWindow)->Iterations(1)->Unit(benchmark::kMillisecond);

}  // namespace

int main(int argc, char** argv)
{
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    bench::RunBenchmarks(argc, argv, {{"--orders=", &gOrders}, {"--people=", &gPeople}});
    return 0;
}
