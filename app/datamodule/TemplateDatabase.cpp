#include "app/datamodule/TemplateDatabase.h"

#include "ShopQueries.h"
#include "platform/dao/DaoConstants.h"
#include "platform/dao/DaoDatabase.h"
#include "platform/dao/DaoEngine.h"
#include "platform/dao/DaoField.h"
#include "platform/dao/DaoIndex.h"
#include "platform/dao/DaoQueryDef.h"
#include "platform/dao/DaoRecordset.h"
#include "platform/dao/DaoError.h"
#include "platform/dao/DaoTableDef.h"

#include <QFile>
#include <functional>

namespace shopschema {

namespace {

using K = TColumnKind;

TColumnDesign Col(const char* name, K kind, int size = 0) { return {QString::fromUtf8(name), kind, size, false, {}}; }
TColumnDesign Text(const char* name, int size) { return Col(name, K::Text, size); }
TColumnDesign WithDefault(TColumnDesign column, const char* value)
{
    column.DefaultValue = QString::fromUtf8(value);
    return column;
}
// Rows no window stamps get the moment they were written.
TColumnDesign Stamp(const char* name) { return WithDefault(Col(name, K::DateTime), "Now()"); }
TColumnDesign Id() { return Col("id", K::Counter); }

std::vector<TTableDesign> BuildTables()
{
    std::vector<TTableDesign> t;
    t.push_back({"sale",
                 {Id(), Col("client_id", K::Int32), Col("myfirm_id", K::Int32), Col("car_id", K::Int32),
                  Col("cashbox_num", K::Int16), Col("seller_id", K::Int32), Col("sale_num", K::Int32),
                  Col("sale_date", K::Date), Col("sum_sale_total", K::Double), Col("invoice", K::Bool),
                  Col("invoice_tax", K::Bool), Col("tax_rate", K::Int16), Col("tax_value", K::Double),
                  Col("delivery_num", K::Int32), Col("kochan_num", K::Int16), Col("invoice_num", K::Int32),
                  Col("invoice_date", K::Date), Text("invoice_type", 10), Col("invoice_accept", K::Bool),
                  Col("invoice_piment", K::Bool), Col("invoice_annul", K::Bool), Text("piment_type", 10),
                  Text("term_type", 20), Col("deleted", K::Bool), Col("finished", K::Bool), Col("locked", K::Bool),
                  Stamp("created"), Stamp("last_modified")},
                 {{"sale_num", "sale_num"}, {"sale_date", "sale_date"}, {"client_id", "client_id"},
                  {"car_id", "car_id"}, {"myfirm_id", "myfirm_id"}, {"invoice_num", "invoice_num"}}});
    t.push_back({"sale_detail",
                 {Id(), Col("cur_prod_count", K::Int16), Col("sale_id", K::Int32), Text("article_code", 10),
                  Text("article_name", 50), Col("delivery_price", K::Double), Col("sale_price", K::Double),
                  Col("discount", K::Double), Text("dimention", 10), Col("sale_quantity", K::Double),
                  Col("delivery_detail_id", K::Int32), Col("quantity_reminder", K::Double), Col("service", K::Bool),
                  Col("delivery_tax_value", K::Double), Col("total_sale_sum", K::Double), Stamp("last_modified"),
                  Col("seller_id", K::Int32)},
                 // The stock of a lot reads what was sold from it out of this index alone.
                 {{"sale_id", "sale_id"}, {"delivery_detail_id", "delivery_detail_id"},
                  {"article_code", "article_code"}, {"lot_sales", "delivery_detail_id;sale_id;sale_quantity"}}});
    t.push_back({"car",
                 {Id(), Col("client_id", K::Int32), Text("mark", 20), Text("model", 30), Text("colour", 12),
                  Text("car_number", 20), Text("frame_num", 25), Text("motor_num", 25), Col("power", K::Int16),
                  Text("tank_type", 15), Col("made_year", K::Date), Col("doors", K::Int16), Text("alarm", 20),
                  Text("imobilaizer", 10), Col("free", K::Bool), Stamp("created")},
                 {{"client_id", "client_id"}, {"car_number", "car_number"}}});
    t.push_back({"client",
                 {Id(), Text("name", 50), Text("address", 50), Text("phone", 25), Text("egn", 10),
                  Text("firm_name", 50), Text("tax_num", 15), Text("bulstat", 15), Text("address2", 50),
                  Text("phone2", 25), Col("free", K::Bool), Stamp("created")},
                 {{"name", "name"}, {"firm_name", "firm_name"}}});
    t.push_back({"myfirm",
                 {Id(), Text("myfirm_name", 50), Text("mytax_num", 15), Text("mybulstat", 15), Text("mol", 60),
                  Text("address", 50), Text("phone", 25), Col("DDS", K::Int16), Text("bank_name", 50),
                  Text("code_bank", 11), Text("bank_account", 34), Text("bank_tax_account", 10),
                  Col("deleted", K::Bool), Text("antette", 255)},
                 {{"myfirm_name", "myfirm_name"}}});
    t.push_back({"employee",
                 {Id(), Text("employee_name", 60), Text("egn", 10), Text("phone", 24), Text("address", 50),
                  Text("job", 40), Text("job_description", 25), Col("start_date", K::Date), Col("end_date", K::Date),
                  Stamp("created")},
                 {{"employee_name", "employee_name"}}});
    // Pay rows are entered when they are paid out, so they count in the cash box at once.
    t.push_back({"employee_payment",
                 {Id(), Col("employee_id", K::Int32), Col("cashbox_num", K::Int16), Col("seller_id", K::Int32),
                  Text("work", 50), Col("payment", K::Double), Col("work_price", K::Double),
                  Col("payment_date", K::Date), WithDefault(Col("payed", K::Bool), "True"), Col("deleted", K::Bool),
                  Stamp("created"), Stamp("last_modified")},
                 {{"employee_id", "employee_id"}, {"payment_date", "payment_date"}}});
    t.push_back({"employee_working",
                 {Id(), Col("employee_id", K::Int32), Col("cashbox_num", K::Int16), Col("seller_id", K::Int32),
                  Col("start_date_time", K::DateTime), Col("end_data_time", K::DateTime),
                  Col("absence_days", K::Int16), Text("absence_reason", 40), Col("payment", K::Double),
                  Col("payment_date", K::Date), WithDefault(Col("payed", K::Bool), "True"), Col("deleted", K::Bool),
                  Stamp("created"), Stamp("last_modified")},
                 {{"employee_id", "employee_id"}, {"payment_date", "payment_date"}}});
    TColumnDesign storeId = Col("store_id", K::Int32);
    storeId.Required = true;
    t.push_back({"delivery",
                 {Id(), storeId, Col("cashbox_num", K::Int16), Col("seller_id", K::Int32), Col("count", K::Int32),
                  Text("supplier", 30), Text("currency", 3), Col("currency_rate", K::Double),
                  Col("currency_value", K::Double), Col("delivery_date", K::Date), Col("invoice", K::Bool),
                  Col("invoice_num", K::Int32), Col("invoice_date", K::Date), Text("price_type", 15),
                  Col("delivery_sum", K::Double), Col("delivery_tax", K::Int16), Col("delivery_tax_value", K::Double),
                  Col("delivery_piment", K::Bool), Col("deleted", K::Bool),
                  WithDefault(Col("finished", K::Bool), "True"), Col("locked", K::Bool), Stamp("created"),
                  Stamp("last_modified")},
                 {{"store_id", "store_id"}, {"delivery_date", "delivery_date"}, {"invoice_num", "invoice_num"}}});
    t.push_back({"delivery_detail",
                 {Id(), Col("delivery_id", K::Int32), Col("store_id", K::Int32), Col("seller_id", K::Int32),
                  Text("article_code", 10), Text("article_name", 50), Text("producer", 30),
                  Col("sale_price", K::Double), Text("dimention", 6), Col("service", K::Bool),
                  Col("delivery_price", K::Double), Col("delivery_quantity", K::Double), Col("state", K::Int16),
                  Stamp("last_modified")},
                 {{"delivery_id", "delivery_id"}, {"article_code", "article_code"},
                  {"article_name", "article_name"}}});
    t.push_back({"store",
                 {Id(), Col("index", K::Int16), Text("store_name", 25), Text("store_address", 40),
                  Col("myfirm_id", K::Int32), Text("comment", 50), Col("deleted", K::Bool)},
                 {{"index", "index"}, {"store_name", "store_name"}}});
    t.push_back({"model",
                 {Id(), Text("mark_name", 20), Text("model_name", 30)},
                 {{"mark_name", "mark_name"}, {"model_name", "model_name"}}});
    t.push_back({"cashbox",
                 {Id(), Col("finished_seller_id", K::Int32), Col("cashbox_nom", K::Int16), Col("from_date", K::DateTime),
                  Col("to_date", K::DateTime), Col("accepted_money", K::Double), Col("given_money", K::Double),
                  Col("All_calculation", K::Double), Col("finished_date", K::DateTime), Stamp("created"),
                  Col("finished", K::Bool)},
                 {{"cashbox_nom", "cashbox_nom"}, {"to_date", "to_date"}}});
    t.push_back({"seller",
                 {Id(), Text("seller_name", 30), Text("seller_password", 20), Stamp("created_time")},
                 {{"seller_name", "seller_name"}, {"seller_name_password", "seller_name;seller_password"}}});
    t.push_back({"logs",
                 {Id(), Col("seller_id", K::Int32), Stamp("login_time"), Col("unlog_time", K::DateTime),
                  Col("previous_id", K::Int32), Col("cashebox_num", K::Int16)},
                 {{"seller_id", "seller_id"}}});
    t.push_back({"takings",
                 {Id(), Col("take", K::Double), WithDefault(Col("cashbox_num", K::Int16), "1"),
                  Col("seller_id", K::Int32), Col("date", K::DateTime), Text("name", 30), Text("address", 30),
                  Text("phone", 20), Text("comment", 40), Col("finished", K::Bool), Stamp("created"),
                  Stamp("last_modified")},
                 {{"date", "date"}, {"cashbox_num", "cashbox_num"}}});
    t.push_back({"give_in",
                 {Id(), Col("give", K::Double), WithDefault(Col("cashbox_num", K::Int16), "1"),
                  Col("seller_id", K::Int32), Col("date", K::Date), Text("name", 30), Text("address", 30),
                  Text("phone", 20), Text("comment", 40), Col("finished", K::Bool), Stamp("created"),
                  Stamp("last_modified")},
                 {{"date", "date"}, {"cashbox_num", "cashbox_num"}}});
    return t;
}

// What the planner assumes of a shop some years old: a table's rows and, for each of its
// indexes, the rows one value picks. A period of orders, takings or pay is then read through its
// dates, not through the firm, the cash box or the person that most rows share.
struct TIndexFigures {
    const char* table;
    qint64 rows;
    std::vector<std::pair<const char*, std::vector<qint64>>> indexes;
};

const std::vector<TIndexFigures>& ShopStatistics()
{
    static const std::vector<TIndexFigures> figures = {
        {"sale", 100000, {{"sale_num", {1}}, {"sale_date", {30}}, {"client_id", {5}}, {"car_id", {5}},
                          {"myfirm_id", {50000}}, {"invoice_num", {10}}}},
        {"sale_detail", 400000, {{"sale_id", {4}}, {"delivery_detail_id", {8}}, {"article_code", {80}},
                                 {"lot_sales", {8, 1, 1}}}},
        {"delivery", 5000, {{"store_id", {2500}}, {"delivery_date", {2}}, {"invoice_num", {2}}}},
        {"delivery_detail", 50000, {{"delivery_id", {10}}, {"article_code", {10}}, {"article_name", {10}}}},
        {"employee_payment", 5000, {{"employee_id", {500}}, {"payment_date", {2}}}},
        {"employee_working", 5000, {{"employee_id", {500}}, {"payment_date", {2}}}},
        {"takings", 5000, {{"date", {2}}, {"cashbox_num", {2500}}}},
        {"give_in", 5000, {{"date", {2}}, {"cashbox_num", {2500}}}},
    };
    return figures;
}

std::vector<TQueryDesign> BuildQueries()
{
    std::vector<TQueryDesign> queries;
    for (auto& [name, sql] : ShopQueryTexts())
        queries.push_back({std::move(name), std::move(sql)});
    return queries;
}

void AppendField(dao::TableDef& table, const TColumnDesign& column)
{
    auto field = table.CreateField(column.Name, DaoFieldType(column.Kind), column.Kind == K::Text ? column.Size : 0);
    if (column.Kind == K::Counter)
        field->SetAttributes(dao::dbFixedField | dao::dbAutoIncrField);
    if (column.Kind == K::Text)
        field->SetAllowZeroLength(true);
    field->SetRequired(column.Required);
    if (!column.DefaultValue.isEmpty())
        field->SetDefaultValue(column.DefaultValue);
    else if (column.Kind == K::Bool)
        field->SetDefaultValue(QStringLiteral("False"));
    const QString format = DisplayFormat(column.Kind);
    if (!format.isEmpty())
        field->SetProperty(QStringLiteral("Format"), TVariant(format));
    table.Fields().Append(field);
}

void AppendIndex(dao::TableDef& table, const QString& name, const QString& fields, bool primary)
{
    auto index = table.CreateIndex(name);
    index->SetPrimary(primary);
    for (const QString& f : fields.split(QLatin1Char(';'), Qt::SkipEmptyParts))
        index->Fields().Append(index->CreateField(f));
    table.Indexes().Append(index);
}

void AppendTable(dao::Database& db, const TTableDesign& design)
{
    auto table = db.CreateTableDef(design.Name);
    for (const TColumnDesign& column : design.Columns)
        AppendField(*table, column);
    AppendIndex(*table, QStringLiteral("PrimaryKey"), QStringLiteral("id"), true);
    for (const TIndexDesign& index : design.Indexes)
        AppendIndex(*table, index.Name, index.Fields, false);
    db.TableDefs().Append(table);
}

}  // namespace

const std::vector<TTableDesign>& ShopTables()
{
    static const std::vector<TTableDesign> tables = BuildTables();
    return tables;
}

const std::vector<TQueryDesign>& ShopQueries()
{
    static const std::vector<TQueryDesign> queries = BuildQueries();
    return queries;
}

const TTableDesign* FindShopTable(const QString& name)
{
    for (const TTableDesign& t : ShopTables())
        if (t.Name.compare(name, Qt::CaseInsensitive) == 0)
            return &t;
    return nullptr;
}

int DaoFieldType(TColumnKind kind)
{
    switch (kind) {
    case K::Counter: case K::Int32: case K::Word: return dao::dbLong;
    case K::Int16: return dao::dbInteger;
    case K::Double: return dao::dbDouble;
    case K::Bool: return dao::dbBoolean;
    case K::Date: case K::DateTime: return dao::dbDate;
    case K::Text: return dao::dbText;
    }
    return dao::dbText;
}

QString DisplayFormat(TColumnKind kind)
{
    switch (kind) {
    case K::Date: return QStringLiteral("Short Date");
    case K::DateTime: return QStringLiteral("General Date");
    default: return QString();
    }
}

namespace {

// Runs `upgrade` on each table of the schema the file has, with its design; nothing on a
// read-only file.
void UpgradeStoredTables(dao::Database& db,
                         const std::function<void(const TTableDesign&, dao::TableDef&)>& upgrade)
{
    if (!db.Updatable())
        return;
    for (const TTableDesign& design : ShopTables()) {
        std::shared_ptr<dao::TableDef> table;
        try {
            table = db.TableDefs().Item(design.Name);
        } catch (const EDaoError&) {
            continue;  // a table the file does not have is no business of this
        }
        upgrade(design, *table);
    }
}

}  // namespace

void AddMissingIndexes(dao::Database& db)
{
    UpgradeStoredTables(db, [](const TTableDesign& design, dao::TableDef& table) {
        for (const TIndexDesign& index : design.Indexes) {
            bool present = false;
            for (int i = 0; i < table.Indexes().Count() && !present; ++i)
                present = table.Indexes().Item(i)->Name().compare(index.Name, Qt::CaseInsensitive) == 0;
            if (!present)
                AppendIndex(table, index.Name, index.Fields, false);
        }
    });
}

void WidenTextColumns(dao::Database& db)
{
    UpgradeStoredTables(db, [](const TTableDesign& design, dao::TableDef& table) {
        for (const TColumnDesign& column : design.Columns) {
            if (column.Kind != K::Text || !table.Fields().Contains(column.Name))
                continue;
            const auto& field = table.Fields().Item(column.Name);
            if (field->Type() == dao::dbText && field->Size() < column.Size)
                field->SetSize(column.Size);
        }
    });
}

void ZeroEmptyDiscounts(dao::Database& db)
{
    if (!db.Updatable())
        return;
    auto empty = db.OpenRecordset(QStringLiteral("SELECT TOP 1 id FROM sale_detail WHERE discount IS NULL"),
                                  dao::dbOpenSnapshot);
    const bool any = !empty->Eof();
    empty->Close();
    if (any)
        db.Execute(QStringLiteral("UPDATE sale_detail SET discount=0 WHERE discount IS NULL"), dao::dbFailOnError);
}

void CreateTemplateDatabase(const QString& path)
{
    dao::DBEngine engine(QStringLiteral("3.6"));
    const QString locale = QString::fromLatin1(dao::dbLangCyrillic) + QStringLiteral(";pwd=") +
                           QString::fromLatin1(kDatabasePassword);
    try {
        auto db = engine.CreateDatabase(path, locale, dao::dbVersion40);
        for (const TTableDesign& table : ShopTables())
            AppendTable(*db, table);
        for (const TQueryDesign& query : ShopQueries())
            db->CreateQueryDef(query.Name, query.Sql);
        for (const TIndexFigures& table : ShopStatistics())
            for (const auto& [index, rowsPerValue] : table.indexes)
                db->SetIndexStatistics(QString::fromUtf8(table.table), QString::fromUtf8(index), table.rows, rowsPerValue);
        db->Close();
    } catch (...) {
        QFile::remove(path);
        throw;
    }
}

}  // namespace shopschema
