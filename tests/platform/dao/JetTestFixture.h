#pragma once
// A small shop database on an in-memory SQLite connection, stored as the engine stores Jet
// values, with a catalogue over it and the shop's saved queries, for the dialect's tests.

#include "platform/dao/DaoConstants.h"
#include "platform/dao/JetSql.h"
#include "platform/toolkit/DateTime.h"
#include "ShopQueries.h"

#include <QDate>
#include <QMap>
#include <QString>
#include <QStringList>
#include <sqlite3.h>

#include <map>
#include <optional>
#include <stdexcept>
#include <vector>

namespace jettest {

using namespace dao;

// The day number of a date, as text for expected cells and SQL.
inline QString Day(int year, int month, int day, int hour = 0, int minute = 0)
{
    const double days = double(QDate(1899, 12, 30).daysTo(QDate(year, month, day)));
    return QString::number(days + (hour * 60 + minute) / 1440.0, 'g', 15);
}

struct ColumnSpec {
    const char* name;
    int type;
    int size = 0;
    const char* format = "";
};

struct TableSpec {
    const char* name;
    std::vector<ColumnSpec> columns;  // after the counter id
};

inline const std::vector<TableSpec>& Schema()
{
    static const std::vector<TableSpec> schema = {
        {"myfirm", {{"myfirm_name", dbText, 50}, {"DDS", dbInteger}, {"deleted", dbBoolean}}},
        {"client", {{"name", dbText, 50}, {"firm_name", dbText, 50}}},
        {"car", {{"client_id", dbLong}, {"car_number", dbText, 20}}},
        {"sale",
         {{"client_id", dbLong}, {"myfirm_id", dbLong}, {"car_id", dbLong}, {"cashbox_num", dbInteger},
          {"sale_num", dbLong}, {"sale_date", dbDate, 0, "Short Date"}, {"tax_rate", dbInteger},
          {"kochan_num", dbInteger}, {"invoice_num", dbLong}, {"invoice_date", dbDate}, {"invoice_accept", dbBoolean},
          {"invoice_piment", dbBoolean}, {"invoice_annul", dbBoolean}, {"deleted", dbBoolean},
          {"finished", dbBoolean}}},
        {"sale_detail",
         {{"cur_prod_count", dbInteger}, {"sale_id", dbLong}, {"article_code", dbText, 10},
          {"article_name", dbText, 50}, {"delivery_price", dbDouble}, {"sale_price", dbDouble},
          {"discount", dbDouble}, {"dimention", dbText, 10}, {"sale_quantity", dbDouble},
          {"delivery_detail_id", dbLong}, {"quantity_reminder", dbDouble}, {"service", dbBoolean},
          {"delivery_tax_value", dbDouble}, {"total_sale_sum", dbDouble}, {"last_modified", dbDate},
          {"seller_id", dbLong}}},
        {"store", {{"index", dbInteger}, {"store_name", dbText, 25}}},
        {"delivery",
         {{"store_id", dbLong}, {"cashbox_num", dbInteger}, {"supplier", dbText, 30}, {"currency_rate", dbDouble},
          {"delivery_date", dbDate}, {"invoice_num", dbLong}, {"invoice_date", dbDate}, {"delivery_tax", dbInteger},
          {"delivery_tax_value", dbDouble}, {"delivery_piment", dbBoolean}, {"finished", dbBoolean}}},
        {"delivery_detail",
         {{"delivery_id", dbLong}, {"article_code", dbText, 10}, {"article_name", dbText, 50},
          {"producer", dbText, 30}, {"sale_price", dbDouble}, {"dimention", dbText, 6}, {"service", dbBoolean},
          {"delivery_price", dbDouble}, {"delivery_quantity", dbDouble}}},
        {"model", {{"mark_name", dbText, 20}, {"model_name", dbText, 30}}},
        {"employee", {{"employee_name", dbText, 60}}},
        {"employee_payment",
         {{"employee_id", dbLong}, {"cashbox_num", dbInteger}, {"work", dbText, 50}, {"payment", dbDouble},
          {"payment_date", dbDate}, {"payed", dbBoolean}}},
        {"employee_working",
         {{"employee_id", dbLong}, {"cashbox_num", dbInteger}, {"end_data_time", dbDate}, {"payment", dbDouble},
          {"payment_date", dbDate}, {"payed", dbBoolean}}},
        {"takings", {{"take", dbDouble}, {"cashbox_num", dbInteger}, {"date", dbDate}}},
        {"give_in", {{"give", dbDouble}, {"cashbox_num", dbInteger}, {"date", dbDate}}},
        {"cashbox",
         {{"cashbox_nom", dbInteger}, {"from_date", dbDate}, {"to_date", dbDate}, {"All_calculation", dbDouble},
          {"finished", dbBoolean}}},
    };
    return schema;
}

inline QString SqlType(int type)
{
    switch (type) {
    case dbText: case dbMemo: case dbChar: return QStringLiteral("TEXT COLLATE JETTEXT");
    case dbBoolean: return QStringLiteral("INTEGER NOT NULL DEFAULT 0");
    case dbByte: case dbInteger: case dbLong: case dbBigInt: return QStringLiteral("INTEGER");
    default: return QStringLiteral("REAL");
    }
}

// The rows every case starts from; the comments give what the queries should make of them.
inline QStringList FixtureRows()
{
    const QString d0909 = Day(2003, 9, 9), d1009 = Day(2003, 9, 10), d1509 = Day(2003, 9, 15),
                  d1609 = Day(2003, 9, 16), d2309 = Day(2003, 9, 23), d2409 = Day(2003, 9, 24),
                  d0809 = Day(2003, 9, 8), d1209 = Day(2003, 9, 12);
    return {
        "INSERT INTO myfirm VALUES (1, 'Автосервиз ООД', 20, 0)",
        "INSERT INTO client VALUES (1, 'Иван Иванов', NULL), (2, 'ИВАНКА Петрова', 'Фирма'), (3, 'Петър', NULL)",
        "INSERT INTO car VALUES (1, 1, 'CA1234AB')",
        // id client firm car box num date tax book inv inv_date accept paid annul deleted finished
        QString("INSERT INTO sale VALUES (1, 1, 1, 1, 1, 1, %1, 20, 1, 101, %1, -1, -1, 0, 0, -1)").arg(d0909),
        QString("INSERT INTO sale VALUES (2, 2, 1, 1, 1, 2, %1, 20, 1, NULL, NULL, -1, -1, 0, 0, -1)").arg(d2309),
        QString("INSERT INTO sale VALUES (3, 3, 1, 1, 1, 3, %1, 20, 1, 102, %1, -1, -1, -1, 0, -1)").arg(d1509),
        QString("INSERT INTO sale VALUES (4, 1, 1, 1, 1, 4, %1, 20, 2, 7, %1, -1, -1, 0, 0, -1)").arg(d2409),
        QString("INSERT INTO sale VALUES (5, 3, 1, 1, 1, 5, %1, 20, 1, NULL, NULL, 0, 0, 0, 0, 0)").arg(d1609),
        // id line sale code name dprice price discount dim qty lot rem service tax total modified seller
        "INSERT INTO sale_detail VALUES (1, 1, 1, 'A1', 'Масло', 8, 10, 10, 'л', 3, 1, 0, 0, 0, 27, NULL, 1)",
        "INSERT INTO sale_detail VALUES (2, 2, 1, 'B2', 'Филтър', 20, 25, 0, 'бр', 1, 2, 0, 0, 0, 25, NULL, 1)",
        "INSERT INTO sale_detail VALUES (3, 1, 2, 'A1', 'Масло', 8, 10, 0, 'л', 2, 1, 0, 0, 0, 20, NULL, 1)",
        "INSERT INTO sale_detail VALUES (4, 1, 3, 'B2', 'Филтър', 20, 25, 0, 'бр', 2, 2, 0, 0, 0, 50, NULL, 1)",
        "INSERT INTO sale_detail VALUES (5, 1, 4, 'A1', 'Масло', 8, 10, 0, 'л', 1, 1, 0, 0, 0, 10, NULL, 1)",
        "INSERT INTO sale_detail VALUES (6, 1, 5, 'B2', 'Филтър', 20, 25, 0, 'бр', 1, 2, 0, 0, 0, 25, NULL, 1)",
        "INSERT INTO sale_detail VALUES (7, 2, 2, 'C3', 'Труд', 0, 0.125, 0, 'ч', 1, 4, 0, -1, 0, 0.13, NULL, 1)",
        "INSERT INTO store VALUES (1, 1, 'Склад 1')",
        // id store box supplier rate date inv inv_date tax tax_value paid finished
        QString("INSERT INTO delivery VALUES (1, 1, 1, 'Мото Пфое', 1, %1, 11, %1, 20, 36, -1, -1)").arg(d0909),
        QString("INSERT INTO delivery VALUES (2, 1, 1, 'АвтоМОТО', 2, %1, 12, %1, 20, 9.6, -1, -1)").arg(d2409),
        QString("INSERT INTO delivery VALUES (3, 1, 2, 'Bosch', 1, %1, 13, %1, 0, 0, -1, 0)").arg(d1009),
        QString("INSERT INTO delivery VALUES (4, 1, 1, 'Stop', 1, %1, 14, %1, 0, 0, -1, 0)").arg(d2309),
        // id delivery code name producer price dim service dprice qty
        "INSERT INTO delivery_detail VALUES (1, 1, 'A1', 'Масло', 'Shell', 10, 'л', 0, 8, 10)",
        "INSERT INTO delivery_detail VALUES (2, 1, 'B2', 'Филтър', 'Bosch', 25, 'бр', 0, 20, 5)",
        "INSERT INTO delivery_detail VALUES (3, 2, 'A1', 'МАСЛО', 'Shell', 10, 'л', 0, 6, 4)",  // never sold
        "INSERT INTO delivery_detail VALUES (4, 3, 'C3', 'Труд', NULL, 30, 'ч', -1, 0, 1)",
        "INSERT INTO delivery_detail VALUES (5, 4, 'D4', 'Лента', 'Stop', 5, 'м', 0, 2.5, 3)",  // never sold
        "INSERT INTO model VALUES (1, 'Лада', '2107'), (2, 'ЛАДА', 'Нива'), (3, 'Opel', 'Astra'), "
        "(4, 'opel', 'Corsa'), (5, 'Москвич', '412')",
        "INSERT INTO employee VALUES (1, 'Иван Петров'), (2, 'мария иванова')",
        // two equal payments of one day, one after the period, one unpaid, one of another box
        QString("INSERT INTO employee_payment VALUES (1, 1, 1, 'Смяна масло', 50, %1, -1), "
                "(2, 1, 1, 'Смяна масло', 50, %1, -1), (3, 2, 1, 'Ремонт', 30, %2, -1), "
                "(4, 2, 1, 'Ремонт', 20, %3, 0), (5, 1, 2, 'Ремонт', 70, %4, -1)")
            .arg(d1009, d2409, d0909, d1209),
        QString("INSERT INTO employee_working VALUES (1, 1, 1, %1, 40, %2, -1), (2, 1, 1, %1, 40, %2, -1), "
                "(3, 2, 1, %3, 15, %4, -1), (4, 2, 1, %3, 99, %4, 0)")
            .arg(Day(2003, 9, 10, 18), d1009, Day(2003, 9, 23, 12, 30), d2309),
        QString("INSERT INTO takings VALUES (1, 100, 1, %1), (2, 50.5, 1, %2), (3, 999, 1, %3), (4, 7, 2, %4)")
            .arg(d0909, Day(2003, 9, 23, 18), d2409, d1009),
        QString("INSERT INTO give_in VALUES (1, 20, 1, %1), (2, 5, 1, %2)").arg(d1509, d0809),
        QString("INSERT INTO cashbox VALUES (1, 1, %1, %2, 500, -1), (2, 1, %2, %3, 700, -1), (3, 2, %1, %2, 1, -1)")
            .arg(d0809, d1509, d2309),
    };
}

// The shop's saved queries as the template database stores them.
inline const std::map<QString, QString>& SavedQueries()
{
    static const std::map<QString, QString> queries = [] {
        std::map<QString, QString> byName;
        for (auto& [name, sql] : shopschema::ShopQueryTexts())
            byName[name] = sql;
        return byName;
    }();
    return queries;
}

// The stock and cash payment queries as first written, with the faults the stored texts mend.
inline const QString kQATQAllAsWritten =
    "SELECT delivery_detail.id AS delivery_detail_id, delivery_detail.article_code, Sum([delivery_quantity]-"
    "[SumSaleQuty]) AS total_quty FROM (delivery_detail LEFT JOIN MyQuty ON delivery_detail.id = "
    "MyQuty.delivery_detail_id) INNER JOIN delivery ON delivery_detail.delivery_id = delivery.id GROUP BY "
    "delivery_detail.id, delivery_detail.article_code;";
inline const QString kQCasheEPaymentAsWritten =
    "PARAMETERS CashBox IEEESingle, FromDate DateTime, ToDate DateTime; SELECT employee_payment.payment_date, "
    "employee.employee_name, employee_payment.cashbox_num, employee_payment.work, employee_payment.payment FROM "
    "employee INNER JOIN employee_payment ON employee.id = employee_payment.employee_id WHERE "
    "(((employee_payment.payed)=True) AND ((employee_payment.payment_date)>=[FromDate] And "
    "(employee_payment.payment_date)<[ToDate]) AND ((employee_payment.cashbox_num)=[CashBox])) GROUP BY "
    "employee_payment.payment_date, employee.employee_name, employee_payment.cashbox_num, employee_payment.work, "
    "employee_payment.payment;";

class FixtureCatalog : public jet::Catalog {
public:
    FixtureCatalog()
    {
        for (const TableSpec& spec : Schema()) {
            jet::TableInfo table;
            table.name = QString::fromUtf8(spec.name);
            table.columns.push_back(jet::ColumnInfo{"id", dbLong, 0, true, {}});
            for (const ColumnSpec& c : spec.columns)
                table.columns.push_back(jet::ColumnInfo{QString::fromUtf8(c.name), c.type, c.size, false,
                                                        QString::fromUtf8(c.format)});
            tables_.push_back(table);
        }
        for (const auto& [name, text] : SavedQueries())
            queries_[name] = text;
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
        for (const auto& [n, text] : queries_)
            if (n.compare(name, Qt::CaseInsensitive) == 0)
                return text;
        return std::nullopt;
    }
    void SetQuery(const QString& name, const QString& text) { queries_[name] = text; }
    void AddTable(jet::TableInfo table) { tables_.push_back(std::move(table)); }

private:
    std::vector<jet::TableInfo> tables_;
    std::map<QString, QString> queries_;
};

// A table case's name as a test name: letters and digits of ASCII, the rest '_'.
inline std::string CaseName(const char* name)
{
    QString text = QString::fromUtf8(name);
    for (QChar& ch : text)
        if (!ch.isLetterOrNumber() || ch.unicode() > 127)
            ch = '_';
    return text.toStdString();
}

// The cash box period of the parameter queries: box 1, from 09/09/2003 to 24/09/2003.
inline QMap<QString, double> PeriodValues()
{
    return {{"CasheNum", 1}, {"CasheBox", 1}, {"CashBox", 1}, {"FromDate", Day(2003, 9, 9).toDouble()},
            {"ToDate", Day(2003, 9, 24).toDouble()}};
}

// One in-memory database with the fixture rows.
class FixtureDb {
public:
    FixtureDb()
    {
        if (sqlite3_open(":memory:", &db_) != SQLITE_OK)
            throw std::runtime_error("cannot open an in-memory database");
        jet::RegisterJetFunctions(db_);
        for (const TableSpec& spec : Schema()) {
            QStringList columns{"\"id\" INTEGER PRIMARY KEY AUTOINCREMENT"};
            for (const ColumnSpec& c : spec.columns)
                columns << QString("\"%1\" %2").arg(QString::fromUtf8(c.name), SqlType(c.type));
            Exec(QString("CREATE TABLE \"%1\" (%2)").arg(QString::fromUtf8(spec.name), columns.join(", ")));
        }
        for (const QString& row : FixtureRows())
            Exec(row);
    }
    ~FixtureDb() { sqlite3_close(db_); }
    FixtureDb(const FixtureDb&) = delete;
    FixtureDb& operator=(const FixtureDb&) = delete;

    sqlite3* Handle() const { return db_; }

    void Exec(const QString& sql) const
    {
        char* error = nullptr;
        if (sqlite3_exec(db_, sql.toUtf8().constData(), nullptr, nullptr, &error) != SQLITE_OK) {
            const std::string text = std::string(error ? error : "?") + " in: " + sql.toStdString();
            sqlite3_free(error);
            throw std::runtime_error(text);
        }
    }

    // Runs translated SQL with the parameters bound by name (a missing name binds Null) and
    // gives every row as texts: numbers in their shortest form, Null as "NULL".
    std::vector<QStringList> Rows(const QString& sql, const std::vector<jet::Parameter>& parameters = {},
                                  const QMap<QString, double>& values = {}) const
    {
        sqlite3_stmt* stmt = nullptr;
        if (sqlite3_prepare_v2(db_, sql.toUtf8().constData(), -1, &stmt, nullptr) != SQLITE_OK)
            throw std::runtime_error(std::string(sqlite3_errmsg(db_)) + " in: " + sql.toStdString());
        for (size_t i = 0; i < parameters.size(); ++i) {
            for (auto it = values.begin(); it != values.end(); ++it)
                if (it.key().compare(parameters[i].name, Qt::CaseInsensitive) == 0)
                    sqlite3_bind_double(stmt, int(i) + 1, it.value());
        }
        std::vector<QStringList> rows;
        int rc = 0;
        while ((rc = sqlite3_step(stmt)) == SQLITE_ROW) {
            QStringList row;
            for (int c = 0; c < sqlite3_column_count(stmt); ++c) {
                switch (sqlite3_column_type(stmt, c)) {
                case SQLITE_NULL: row << "NULL"; break;
                case SQLITE_INTEGER: row << QString::number(sqlite3_column_int64(stmt, c)); break;
                case SQLITE_FLOAT: row << QString::number(sqlite3_column_double(stmt, c), 'g', 15); break;
                default: row << QString::fromUtf8(reinterpret_cast<const char*>(sqlite3_column_text(stmt, c)));
                }
            }
            rows.push_back(row);
        }
        const std::string error = sqlite3_errmsg(db_);
        sqlite3_finalize(stmt);
        if (rc != SQLITE_DONE)
            throw std::runtime_error(error + " in: " + sql.toStdString());
        return rows;
    }

private:
    sqlite3* db_ = nullptr;
};

}  // namespace jettest
