#pragma once
// A scratch folder with a small parts database made through the engine, and helpers the
// engine's tests share.

#include "platform/dao/DaoConstants.h"
#include "platform/dao/DaoDatabase.h"
#include "platform/dao/DaoEngine.h"
#include "platform/dao/DaoError.h"
#include "platform/dao/DaoRecordset.h"
#include "platform/dao/DaoTableDef.h"
#include "platform/dao/DaoStore.h"
#include "support/FolderState.h"

#include <QTemporaryDir>
#include <gtest/gtest.h>
#include <sqlite3.h>

#include <functional>
#include <memory>

namespace daotest {

using namespace dao;

// The error number a call raises, 0 when it raises none.
inline int ErrorOf(const std::function<void()>& call)
{
    try {
        call();
    } catch (const EDaoError& e) {
        return e.Number();
    }
    return 0;
}

// Runs `sql` on the database's file straight through SQLite, for filling that is not under
// test (many rows at once); fails the test with the engine's message.
inline void FillStraight(Database& db, const QString& sql)
{
    char* error = nullptr;
    const int rc = sqlite3_exec(db.GetStore()->Db(), sql.toUtf8().constData(), nullptr, nullptr, &error);
    const QString message = QString::fromUtf8(error ? error : "");
    sqlite3_free(error);
    ASSERT_EQ(rc, SQLITE_OK) << message.toStdString();
}

struct PartRow {
    const char* name;
    double price;
    int qty;
    bool active;
};

inline const std::vector<PartRow>& Parts()
{
    static const std::vector<PartRow> rows = {
        {"Brake pad", 45.5, 10, true}, {"Air filter", 12.0, 0, true}, {"Oil filter", 9.9, 25, false},
        {"Spark plug", 4.2, 100, true}, {"Wiper blade", 15.0, 7, true},
    };
    return rows;
}

class DaoFixture : public ::testing::Test {
protected:
    void SetUp() override
    {
        ASSERT_TRUE(dir.isValid());
        path = dir.filePath(QStringLiteral("shop.mdb"));
    }

    // parts(id counter, name text 20 required, price currency, qty long default 1,
    // active boolean, bought date, note memo), primary key on id, index by name.
    std::shared_ptr<Database> MakeShop(const QString& password = QString())
    {
        QString locale = QString::fromLatin1(dbLangGeneral);
        if (!password.isEmpty())
            locale += QStringLiteral(";pwd=") + password;
        auto db = engine.CreateDatabase(path, locale);
        auto td = db->CreateTableDef(QStringLiteral("parts"));
        auto id = td->CreateField(QStringLiteral("id"), dbLong);
        id->SetAttributes(dbAutoIncrField);
        td->Fields().Append(id);
        auto name = td->CreateField(QStringLiteral("name"), dbText, 20);
        name->SetRequired(true);
        name->SetProperty(QStringLiteral("Caption"), TVariant("Part name"));
        td->Fields().Append(name);
        td->Fields().Append(td->CreateField(QStringLiteral("price"), dbCurrency));
        auto qty = td->CreateField(QStringLiteral("qty"), dbLong);
        qty->SetDefaultValue(QStringLiteral("1"));
        td->Fields().Append(qty);
        td->Fields().Append(td->CreateField(QStringLiteral("active"), dbBoolean));
        auto bought = td->CreateField(QStringLiteral("bought"), dbDate);
        bought->SetProperty(QStringLiteral("Format"), TVariant("Short Date"));
        td->Fields().Append(bought);
        auto note = td->CreateField(QStringLiteral("note"), dbMemo);
        note->SetAllowZeroLength(true);
        td->Fields().Append(note);
        auto pk = td->CreateIndex(QStringLiteral("PrimaryKey"));
        pk->SetPrimary(true);
        pk->Fields().Append(pk->CreateField(QStringLiteral("id")));
        td->Indexes().Append(pk);
        auto byName = td->CreateIndex(QStringLiteral("ByName"));
        byName->Fields().Append(byName->CreateField(QStringLiteral("name")));
        td->Indexes().Append(byName);
        db->TableDefs().Append(td);
        auto rs = db->OpenRecordset(QStringLiteral("parts"), dbOpenDynaset);
        for (const auto& p : Parts()) {
            rs->AddNew();
            rs->Fields()[QStringLiteral("name")]->SetValue(TVariant(p.name));
            rs->Fields()[QStringLiteral("price")]->SetValue(TVariant(p.price));
            rs->Fields()[QStringLiteral("qty")]->SetValue(TVariant(p.qty));
            rs->Fields()[QStringLiteral("active")]->SetValue(TVariant(p.active));
            rs->Update();
        }
        rs->Close();
        return db;
    }

    std::shared_ptr<Database> Open(const QString& password = QString(), bool exclusive = false, bool readOnly = false)
    {
        return engine.OpenDatabase(path, exclusive, readOnly, password.isEmpty() ? QString() : QStringLiteral(";pwd=") + password);
    }

    static QStringList Names(Recordset& rs)
    {
        QStringList names;
        if (rs.Bof() && rs.Eof())
            return names;
        rs.MoveFirst();
        while (!rs.Eof()) {
            names << rs.Fields()[QStringLiteral("name")]->Value().AsString();
            rs.MoveNext();
        }
        return names;
    }

    QTemporaryDir dir;
    QString path;
    DBEngine engine{QStringLiteral("3.6")};
};

}  // namespace daotest
