#pragma once
// The empty shop database every new installation starts from ("EmptyBase.mdb"): the tables
// with their columns, keys and search indexes, and the saved queries the data module opens
// by name. Built at build time by the make_template tool and copied to "CarVantel.mdb" by the
// login dialog when the shop has no database yet.

#include <QString>
#include <QStringList>
#include <vector>

namespace dao {
class Database;
}

namespace shopschema {

// The password every shop database is opened with.
inline constexpr const char* kDatabasePassword = "quietmaple";
inline constexpr const char* kTemplateFileName = "EmptyBase.mdb";

// How a column is stored; dates and date-times differ only in their display format.
enum class TColumnKind { Counter, Int32, Int16, Word, Double, Bool, Date, DateTime, Text };

struct TColumnDesign {
    QString Name;
    TColumnKind Kind = TColumnKind::Int32;
    int Size = 0;          // characters of a text column
    bool Required = false;
    QString DefaultValue;  // Jet expression text; booleans get "False" unless given
};

struct TIndexDesign {
    QString Name;
    QString Fields;  // "a;b"
};

struct TTableDesign {
    QString Name;
    std::vector<TColumnDesign> Columns;  // the counter `id` first
    std::vector<TIndexDesign> Indexes;   // besides the primary key on `id`
};

struct TQueryDesign {
    QString Name;
    QString Sql;  // Jet text, lines joined by "\n"
};

// Every table of the shop database.
const std::vector<TTableDesign>& ShopTables();
// Every saved query, each after the queries it reads.
const std::vector<TQueryDesign>& ShopQueries();
const TTableDesign* FindShopTable(const QString& name);

// The DAO field type, size and attributes of a column kind.
int DaoFieldType(TColumnKind kind);
// "Short Date" for a date, "General Date" for a date-time, empty otherwise.
QString DisplayFormat(TColumnKind kind);

// Gives a shop database made by an earlier version of the program the indexes it lacks; the
// rows stay as they are. Does nothing on a read-only database.
void AddMissingIndexes(dao::Database& db);
// Widens the text columns a shop database made by an earlier version keeps narrower than this
// one's (VAT numbers of 15 characters), every row kept; never narrows one. Does nothing on a
// read-only database.
void WidenTextColumns(dao::Database& db);
// Gives the order lines an earlier version stored without a discount the discount 0, so that the
// totals, which multiply by it, count them. Writes only when there are such lines; does nothing
// on a read-only database.
void ZeroEmptyDiscounts(dao::Database& db);

// Writes a new template database at `path` (which must not exist), through the DAO layer.
// Raises the engine error of the step that failed; a half-written file is removed.
void CreateTemplateDatabase(const QString& path);

}  // namespace shopschema
