#pragma once
// A scratch folder with a small shop database made through the engine, a database component
// connected to it, and helpers the data-access tests share.

#include "dataaccess/DaoDataBase.h"
#include "dataaccess/DaoTable.h"
#include "platform/dao/DaoConstants.h"
#include "platform/dao/DaoDatabase.h"
#include "platform/dao/DaoEngine.h"
#include "platform/dao/DaoError.h"
#include "platform/dao/DaoQueryDef.h"
#include "platform/dao/DaoRecordset.h"
#include "platform/dao/DaoTableDef.h"
#include "platform/toolkit/Exceptions.h"
#include "support/ErrorOf.h"
#include "support/FolderState.h"

#include <QTemporaryDir>
#include <gtest/gtest.h>

#include <functional>
#include <memory>

namespace datest {

class DataAccessFixture : public ::testing::Test {
protected:
    void SetUp() override
    {
        ASSERT_TRUE(dir.isValid());
        path = dir.filePath(QStringLiteral("shop.mdb"));
    }

    // items(id counter, name text 30 required, qty long default 1, price double, kind text 10,
    // made date) with five rows; primary key on id; the saved query "three" with three
    // parameters.
    void MakeShop(const QString& password = QString())
    {
        dao::DBEngine engine(QStringLiteral("3.6"));
        QString locale = QString::fromLatin1(dao::dbLangGeneral);
        if (!password.isEmpty())
            locale += QStringLiteral(";pwd=") + password;
        auto db = engine.CreateDatabase(path, locale);
        auto td = CounterTable(*db, QStringLiteral("items"));
        auto name = td->CreateField(QStringLiteral("name"), dao::dbText, 30);
        name->SetRequired(true);
        td->Fields().Append(name);
        auto qty = td->CreateField(QStringLiteral("qty"), dao::dbLong);
        qty->SetDefaultValue(QStringLiteral("1"));
        td->Fields().Append(qty);
        td->Fields().Append(td->CreateField(QStringLiteral("price"), dao::dbDouble));
        td->Fields().Append(td->CreateField(QStringLiteral("kind"), dao::dbText, 10));
        auto made = td->CreateField(QStringLiteral("made"), dao::dbDate);
        made->SetProperty(QStringLiteral("Format"), TVariant("Short Date"));
        td->Fields().Append(made);
        auto pk = td->CreateIndex(QStringLiteral("PrimaryKey"));
        pk->SetPrimary(true);
        pk->Fields().Append(pk->CreateField(QStringLiteral("id")));
        td->Indexes().Append(pk);
        db->TableDefs().Append(td);
        const char* rows[][3] = {{"Brake pad", "10", "part"}, {"Air filter", "0", "part"}, {"Oil change", "1", "work"},
                                 {"Spark plug", "100", "part"}, {"Wheel align", "1", "work"}};
        for (const auto& row : rows)
            db->Execute(QStringLiteral("INSERT INTO items (name, qty, price, kind) VALUES ('%1', %2, 2.5, '%3')")
                            .arg(QString::fromLatin1(row[0]), QString::fromLatin1(row[1]), QString::fromLatin1(row[2])),
                        dao::dbFailOnError);
        db->CreateQueryDef(QStringLiteral("three"),
                           QStringLiteral("PARAMETERS lo Long, hi Long, k Text; SELECT * FROM items WHERE id >= lo AND "
                                          "id <= hi AND kind = k"));
        db->Close();
    }

    // The shop with the test's own tables, which `build` adds on the engine's database, and a
    // database component connected to it.
    void MakeShopAndConnect(const std::function<void(dao::Database&)>& build)
    {
        MakeShop();
        {
            dao::DBEngine engine(QStringLiteral("3.6"));
            auto db = engine.OpenDatabase(path);
            build(*db);
            db->Close();
        }
        Connect();
    }

    // A new table definition whose first field is the counter "id".
    static std::shared_ptr<dao::TableDef> CounterTable(dao::Database& db, const QString& name)
    {
        auto td = db.CreateTableDef(name);
        auto id = td->CreateField(QStringLiteral("id"), dao::dbLong);
        id->SetAttributes(dao::dbAutoIncrField);
        td->Fields().Append(id);
        return td;
    }

    // A database component connected to the shop file.
    TDaoDatabase& Connect(const QString& password = QString())
    {
        if (!database) {
            database = std::make_unique<TDaoDatabase>();
            database->SetVersion(QStringLiteral("3.6"));
        }
        database->SetDatabase(path);
        database->SetDatabasePassword(password);
        database->SetConnected(true);
        return *database;
    }

    std::unique_ptr<TDaoTable> Table(const QString& tableName = QStringLiteral("items"))
    {
        auto table = std::make_unique<TDaoTable>();
        table->SetDatabase(database.get());
        if (!tableName.isEmpty())
            table->SetTableName(tableName);
        return table;
    }

    static QStringList Column(TDaoTable& table, const QString& field)
    {
        QStringList values;
        table.First();
        while (!table.Eof()) {
            values << table.FieldByName(field)->AsString();
            table.Next();
        }
        return values;
    }

    QTemporaryDir dir;
    QString path;
    std::unique_ptr<TDaoDatabase> database;
};

}  // namespace datest
