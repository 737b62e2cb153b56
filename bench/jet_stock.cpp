// The stock query QATQAll through the Jet dialect against the same query written by hand in
// SQLite SQL, on one database in the same run. Reports translated / hand-written time (goal
// at most 1.2). Sizes: --lots=N delivery lines, --lines=M order lines (defaults keep the run
// to seconds; the full size is --lots=100000 --lines=1000000).

#include "BenchSqlite.h"
#include "BenchSupport.h"

#include "platform/dao/DaoConstants.h"
#include "platform/dao/JetSql.h"

#include <benchmark/benchmark.h>
#include <sqlite3.h>

#include <QString>
#include <chrono>
#include <stdexcept>
#include <vector>

namespace {

int gLots = 10000;
int gLines = 100000;

const char* const kMyQuty =
    "SELECT DISTINCTROW sale_detail.delivery_detail_id, IIf((([sale].[invoice_accept])=True) And "
    "(([sale].[invoice_annul])=False),Sum([sale_detail].[sale_quantity]),0) AS SumSaleQuty, sale.invoice_accept, "
    "sale.invoice_annul FROM sale_detail LEFT JOIN sale ON sale_detail.sale_id = sale.id GROUP BY "
    "sale_detail.delivery_detail_id, sale.invoice_accept, sale.invoice_annul HAVING (((sale.invoice_accept)=True) "
    "AND ((sale.invoice_annul)=False)) ORDER BY sale_detail.delivery_detail_id;";

const char* const kQATQAll =
    "SELECT delivery_detail.id AS delivery_detail_id, delivery_detail.article_code, delivery_detail.article_name, "
    "delivery_detail.delivery_price, delivery.delivery_tax, delivery_detail.dimention, delivery_detail.producer, "
    "delivery_detail.service, Sum([delivery_quantity]-Nz([SumSaleQuty],0)) AS total_quty, delivery_detail.sale_price, "
    "delivery.delivery_tax_value FROM (delivery_detail LEFT JOIN MyQuty ON delivery_detail.id = "
    "MyQuty.delivery_detail_id) INNER JOIN delivery ON delivery_detail.delivery_id = delivery.id GROUP BY "
    "delivery_detail.id, delivery_detail.article_code, delivery_detail.article_name, delivery_detail.delivery_price, "
    "delivery.delivery_tax, delivery_detail.dimention, delivery_detail.producer, delivery_detail.service, "
    "delivery_detail.sale_price, delivery.delivery_tax_value;";

const char* const kHandWritten =
    "SELECT dd.id, dd.article_code, dd.article_name, dd.delivery_price, d.delivery_tax, dd.dimention, dd.producer, "
    "dd.service, SUM(dd.delivery_quantity - COALESCE(q.sold, 0)), dd.sale_price, d.delivery_tax_value "
    "FROM (delivery_detail dd LEFT JOIN (SELECT sd.delivery_detail_id AS lot, CASE WHEN s.invoice_accept = -1 AND "
    "s.invoice_annul = 0 THEN SUM(sd.sale_quantity) ELSE 0 END AS sold, s.invoice_accept, s.invoice_annul "
    "FROM sale_detail sd LEFT JOIN sale s ON sd.sale_id = s.id GROUP BY sd.delivery_detail_id, s.invoice_accept, "
    "s.invoice_annul HAVING s.invoice_accept = -1 AND s.invoice_annul = 0 ORDER BY sd.delivery_detail_id) q "
    "ON dd.id = q.lot) INNER JOIN delivery d ON dd.delivery_id = d.id "
    "GROUP BY dd.id, dd.article_code, dd.article_name, dd.delivery_price, d.delivery_tax, dd.dimention, dd.producer, "
    "dd.service, dd.sale_price, d.delivery_tax_value";

jet::ColumnInfo Col(const char* name, int type, int size = 0, bool counter = false)
{
    jet::ColumnInfo c;
    c.name = QString::fromLatin1(name);
    c.type = type;
    c.size = size;
    c.counter = counter;
    return c;
}

class StockCatalog : public jet::Catalog {
public:
    StockCatalog()
    {
        using namespace dao;
        tables_.push_back({"sale", {Col("id", dbLong, 0, true), Col("invoice_accept", dbBoolean),
                                    Col("invoice_annul", dbBoolean)}});
        tables_.push_back({"sale_detail", {Col("id", dbLong, 0, true), Col("sale_id", dbLong),
                                           Col("delivery_detail_id", dbLong), Col("sale_quantity", dbDouble)}});
        tables_.push_back({"delivery", {Col("id", dbLong, 0, true), Col("delivery_tax", dbInteger),
                                        Col("delivery_tax_value", dbDouble)}});
        tables_.push_back({"delivery_detail",
                           {Col("id", dbLong, 0, true), Col("delivery_id", dbLong), Col("article_code", dbText, 10),
                            Col("article_name", dbText, 50), Col("producer", dbText, 30), Col("sale_price", dbDouble),
                            Col("dimention", dbText, 6), Col("service", dbBoolean), Col("delivery_price", dbDouble),
                            Col("delivery_quantity", dbDouble)}});
    }
    const jet::TableInfo* FindTable(const QString& name) const override
    {
        for (const jet::TableInfo& t : tables_)
            if (t.name.compare(name, Qt::CaseInsensitive) == 0)
                return &t;
        return nullptr;
    }
    std::optional<QString> FindQuery(const QString& name) const override
    {
        if (name.compare(QLatin1String("MyQuty"), Qt::CaseInsensitive) == 0)
            return QString::fromLatin1(kMyQuty);
        return std::nullopt;
    }

private:
    std::vector<jet::TableInfo> tables_;
};

using bench::Exec;

sqlite3* BuildDatabase()
{
    sqlite3* db = nullptr;
    sqlite3_open(":memory:", &db);
    jet::RegisterJetFunctions(db);
    Exec(db,
         "CREATE TABLE sale (id INTEGER PRIMARY KEY AUTOINCREMENT, invoice_accept INTEGER NOT NULL DEFAULT 0, "
         "invoice_annul INTEGER NOT NULL DEFAULT 0);"
         "CREATE TABLE sale_detail (id INTEGER PRIMARY KEY AUTOINCREMENT, sale_id INTEGER, delivery_detail_id INTEGER, "
         "sale_quantity REAL);"
         "CREATE TABLE delivery (id INTEGER PRIMARY KEY AUTOINCREMENT, delivery_tax INTEGER, delivery_tax_value REAL);"
         "CREATE TABLE delivery_detail (id INTEGER PRIMARY KEY AUTOINCREMENT, delivery_id INTEGER, article_code TEXT "
         "COLLATE JETTEXT, article_name TEXT COLLATE JETTEXT, producer TEXT COLLATE JETTEXT, sale_price REAL, "
         "dimention TEXT COLLATE JETTEXT, service INTEGER NOT NULL DEFAULT 0, delivery_price REAL, "
         "delivery_quantity REAL);"
         // The stock index every database of the program has (template and older files alike).
         "CREATE INDEX lot_sales ON sale_detail (delivery_detail_id, sale_id, sale_quantity);"
         "BEGIN");
    unsigned seed = 12345;
    const auto next = [&seed](unsigned range) {
        seed = seed * 1103515245u + 12345u;
        return (seed >> 8) % range;
    };
    sqlite3_stmt* ins = nullptr;
    const int deliveries = std::max(1, gLots / 10);
    sqlite3_prepare_v2(db, "INSERT INTO delivery (delivery_tax, delivery_tax_value) VALUES (20, ?1)", -1, &ins, nullptr);
    for (int i = 0; i < deliveries; ++i) {
        sqlite3_bind_double(ins, 1, next(1000) / 10.0);
        sqlite3_step(ins);
        sqlite3_reset(ins);
    }
    sqlite3_finalize(ins);
    const char* const names[] = {"Масло", "Филтър", "Свещ", "Лента", "Антифриз", "Накладки"};
    sqlite3_prepare_v2(db,
                       "INSERT INTO delivery_detail (delivery_id, article_code, article_name, producer, sale_price, "
                       "dimention, service, delivery_price, delivery_quantity) VALUES (?1, ?2, ?3, 'Произв.', ?4, 'бр', "
                       "?5, ?6, ?7)",
                       -1, &ins, nullptr);
    for (int i = 0; i < gLots; ++i) {
        const QByteArray code = QByteArray::number(int(next(2000)));
        const QByteArray name = QByteArray(names[next(6)]) + ' ' + code;
        sqlite3_bind_int(ins, 1, int(next(unsigned(deliveries))) + 1);
        sqlite3_bind_text(ins, 2, code.constData(), -1, SQLITE_TRANSIENT);
        sqlite3_bind_text(ins, 3, name.constData(), -1, SQLITE_TRANSIENT);
        sqlite3_bind_double(ins, 4, 1 + next(100));
        sqlite3_bind_int(ins, 5, next(10) == 0 ? -1 : 0);
        sqlite3_bind_double(ins, 6, 1 + next(80));
        sqlite3_bind_double(ins, 7, 1 + next(50));
        sqlite3_step(ins);
        sqlite3_reset(ins);
    }
    sqlite3_finalize(ins);
    const int sales = std::max(1, gLines / 5);
    sqlite3_prepare_v2(db, "INSERT INTO sale (invoice_accept, invoice_annul) VALUES (?1, ?2)", -1, &ins, nullptr);
    for (int i = 0; i < sales; ++i) {
        sqlite3_bind_int(ins, 1, next(5) == 0 ? 0 : -1);
        sqlite3_bind_int(ins, 2, next(20) == 0 ? -1 : 0);
        sqlite3_step(ins);
        sqlite3_reset(ins);
    }
    sqlite3_finalize(ins);
    sqlite3_prepare_v2(db, "INSERT INTO sale_detail (sale_id, delivery_detail_id, sale_quantity) VALUES (?1, ?2, ?3)",
                       -1, &ins, nullptr);
    for (int i = 0; i < gLines; ++i) {
        sqlite3_bind_int(ins, 1, int(next(unsigned(sales))) + 1);
        sqlite3_bind_int(ins, 2, int(next(unsigned(gLots))) + 1);  // some lots stay unsold
        sqlite3_bind_double(ins, 3, 1 + next(3));
        sqlite3_step(ins);
        sqlite3_reset(ins);
    }
    sqlite3_finalize(ins);
    Exec(db, "COMMIT");
    return db;
}

double RunSql(sqlite3* db, const QString& sql)
{
    sqlite3_stmt* stmt = nullptr;
    if (sqlite3_prepare_v2(db, sql.toUtf8().constData(), -1, &stmt, nullptr) != SQLITE_OK)
        throw std::runtime_error(sqlite3_errmsg(db));
    double total = 0;
    while (sqlite3_step(stmt) == SQLITE_ROW)
        total += sqlite3_column_double(stmt, 8);
    sqlite3_finalize(stmt);
    return total;
}

void BM_QATQAllTranslatedVersusHandWritten(benchmark::State& state)
{
    sqlite3* db = BuildDatabase();
    const StockCatalog catalog;
    using bench::Clock;
    Clock::duration translated{}, hand{};
    for (auto _ : state) {
        const auto t0 = Clock::now();
        const double a = RunSql(db, jet::Translate(QString::fromLatin1(kQATQAll), catalog).sql);
        const auto t1 = Clock::now();
        const double b = RunSql(db, QString::fromLatin1(kHandWritten));
        const auto t2 = Clock::now();
        if (a != b)
            state.SkipWithError("the translated query gives other stock than the hand-written one");
        translated += t1 - t0;
        hand += t2 - t1;
    }
    state.counters["ratio"] = bench::Ratio(translated, hand);
    state.counters["goal"] = 1.2;
    state.counters["lots"] = gLots;
    state.counters["lines"] = gLines;
    sqlite3_close(db);
}

BENCHMARK(BM_QATQAllTranslatedVersusHandWritten)->Unit(benchmark::kMillisecond)->Iterations(3);

}  // namespace

int main(int argc, char** argv)
{
    bench::RunBenchmarks(argc, argv, {{"--lots=", &gLots}, {"--lines=", &gLines}});
    return 0;
}
