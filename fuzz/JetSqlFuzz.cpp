// Jet SQL text, filters and sort lists as a workstation could find them in a shared file: the
// parser and the translator either read them or raise the engine's error, never crash; run on
// a small database, a statement, a find and a filter either answer or raise the engine's error.

#include "platform/dao/DaoEngine.h"
#include "platform/dao/JetParser.h"
#include "platform/toolkit/Exceptions.h"
#include "tests/support/ItemsTable.h"

#include <QString>
#include <QTemporaryDir>
#include <cstddef>
#include <cstdint>
#include <memory>

namespace {

using namespace dao;

// The items table with three rows, made once for the whole run.
Database& Items()
{
    static QTemporaryDir dir;
    static DBEngine engine;
    static const std::shared_ptr<Database> db = [] {
        auto made = engine.CreateDatabase(dir.filePath(QStringLiteral("fuzz.mdb")), QString::fromLatin1(dbLangGeneral));
        AppendItemsTable(*made, {{1, 1.5, QStringLiteral("a")}, {2, -2.5, QStringLiteral("Bb")}, {3, 1E+300, QString()}});
        return made;
    }();
    return *db;
}

void ReadAll(Recordset& rs)
{
    if (rs.Bof() && rs.Eof())
        return;
    for (rs.MoveFirst(); !rs.Eof(); rs.MoveNext())
        for (int i = 0; i < rs.Fields().Count(); ++i)
            rs.Fields()[i]->Value();
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    if (size == 0)
        return 0;
    // The first byte chooses what the rest is read as.
    const QString text = QString::fromUtf8(reinterpret_cast<const char*>(data + 1), qsizetype(size - 1));
    try {
        jet::JetParser parser(text);
        switch (data[0] % 5) {
        case 0: parser.ParseStatement(); break;
        case 1: parser.ParseCriteria(); break;
        case 2: parser.ParseSortList(); break;
        case 3: {  // a statement read as rows
            auto rs = Items().OpenRecordset(text, dbOpenSnapshot);
            ReadAll(*rs);
            break;
        }
        default: {  // a criteria as a find and as a filter
            auto rs = Items().OpenRecordset(QStringLiteral("items"), dbOpenDynaset);
            rs->FindFirst(text);
            rs->SetFilter(text);
            ReadAll(*rs->OpenRecordset(dbOpenSnapshot));
            break;
        }
        }
    } catch (const Exception&) {
    }
    return 0;
}
