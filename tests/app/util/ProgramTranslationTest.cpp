// The texts a person can meet from the toolkit, the database engine and the report library come
// out in Bulgarian once the program's translation is installed, the engine's number kept as the
// program shows it; without the translation they stay English.

#include "app/util/QtTranslation.h"
#include "app/windows/WindowServices.h"
#include "memtable/MemTable.h"
#include "platform/dao/DaoTestFixture.h"
#include "platform/report/ReportRenderer.h"

#include <QCoreApplication>
#include <QFile>
#include <QTranslator>

namespace {

using namespace daotest;

class ProgramTranslationTest : public DaoFixture {
protected:
    void SetUp() override
    {
        DaoFixture::SetUp();
        db = MakeShop();
        other = Open();
        table.FieldDefs().Add(QStringLiteral("N"), ftInteger);
        table.FieldDefs().Add(QStringLiteral("F"), ftFloat);
        table.FieldDefs().Add(QStringLiteral("D"), ftDate);
        table.FieldDefs().Add(QStringLiteral("H"), ftTime);
        table.FieldDefs().Add(QStringLiteral("R"), ftString, 10, true);
        table.Open();
    }
    void TearDown() override { table.Close(); }

    // What the program shows for the error the action raises, as its windows say it.
    static QString Said(const std::function<void()>& action)
    {
        try {
            action();
        } catch (const std::exception& error) {
            return ProcessStoppedText(error, QStringLiteral("|"));
        }
        return QStringLiteral("<nothing raised>");
    }
    void Type(const char* field, const char* text)
    {
        table.Append();
        table.FieldByName(QString::fromLatin1(field))->SetAsString(QString::fromUtf8(text));
    }
    std::shared_ptr<Recordset> PartsOf(Database& connection)
    {
        return connection.OpenRecordset(QStringLiteral("parts"), dbOpenDynaset);
    }

    std::shared_ptr<Database> db, other;
    TMemTable table;
};

struct TextCase {
    const char* name;
    std::function<void()> action;
    const char* english;    // part of what is said without the translation
    const char* bulgarian;  // the same with it
};

TEST_F(ProgramTranslationTest, WhatAPersonMeetsIsBulgarianWithTheTranslationAndEnglishWithout)
{
    const QString longName(30, QLatin1Char('x'));
    int deleted = 1;  // each pass deletes a row of its own
    const QString locked = dir.filePath(QStringLiteral("locked.mdb"));
    engine.CreateDatabase(locked, QString::fromLatin1(dbLangGeneral) + QStringLiteral(";pwd=secret"))->Close();
    const std::vector<TextCase> cases = {
        {"a date", [&] { Type("D", "31.02.2026"); }, "'31.02.2026' is not a valid date",
         "'31.02.2026' не е валидна дата"},
        {"a number", [&] { Type("F", "1,2,3"); }, "'1,2,3' is not a valid floating point value for field 'F'",
         "'1,2,3' не е валидно число за полето 'F'"},
        {"an integer", [&] { Type("N", "12a"); }, "'12a' is not a valid integer value for field 'N'",
         "'12a' не е валидно цяло число за полето 'N'"},
        {"a time", [&] { Type("H", "25:61"); }, "'25:61' is not a valid time", "'25:61' не е валиден час"},
        {"a required field", [&] { table.Append(); table.Post(); }, "Field 'R' must have a value",
         "Полето 'R' трябва да има стойност"},
        {"not in edit", [&] { table.UpdateRecord(); },
         "Dataset not in edit or insert mode", "Наборът от данни не е в режим на редакция или добавяне"},
        {"too long (3163)",
         [&] { db->Execute(QStringLiteral("INSERT INTO parts (name) VALUES ('%1')").arg(longName), dbFailOnError); },
         "3163\rThe field 'name' is too small", "3163\rПолето 'name' е твърде малко"},
        {"read-only (3027)",
         [&] { Open(QString(), false, true)->Execute(QStringLiteral("UPDATE parts SET qty=1"), dbFailOnError); },
         "3027\rCannot update. Database or object is read-only.",
         "3027\rНе може да се запише. Базата данни или обектът са само за четене."},
        {"a read-only field (3164)",
         [&] {
             auto doubled = db->OpenRecordset(QStringLiteral("SELECT id, qty * 2 AS twice FROM parts"), dbOpenDynaset);
             doubled->Edit();
             doubled->Fields()[QStringLiteral("twice")]->SetValue(TVariant(4));
         },
         "3164\rField 'twice' cannot be updated.", "3164\rПолето 'twice' не може да се променя."},
        {"duplicate (3022)",
         [&] { db->Execute(QStringLiteral("INSERT INTO parts (id, name) VALUES (5, 'x')"), dbFailOnError); },
         "3022\rThe changes you requested", "3022\rПромените в таблицата не бяха записани"},
        {"changed by another user (3197)",
         [&] {
             auto mine = PartsOf(*db);
             auto theirs = PartsOf(*other);
             mine->Edit();
             theirs->Edit();
             theirs->Fields()[QStringLiteral("qty")]->SetValue(TVariant(50));
             theirs->Update();
             mine->Fields()[QStringLiteral("qty")]->SetValue(TVariant(11));
             mine->Update();
         },
         "3197\rThe record was changed by another user", "3197\rЗаписът е променен от друг потребител"},
        {"deleted by another user (3167)",
         [&] {
             const QString id = QString::number(deleted++);
             auto mine = db->OpenRecordset(QStringLiteral("SELECT * FROM parts WHERE id = ") + id, dbOpenDynaset);
             other->Execute(QStringLiteral("DELETE FROM parts WHERE id = ") + id);
             engine.Idle(dbRefreshCache);
             mine->Edit();
         },
         "3167\rRecord is deleted.", "3167\rЗаписът е изтрит."},
        {"locked (3260)",
         [&] {
             auto mine = db->OpenRecordset(QStringLiteral("parts"), dbOpenDynaset, 0, dbPessimistic);
             mine->Edit();
             auto theirs = PartsOf(*other);
             sqlite3_busy_timeout(other->GetStore()->Db(), 50);
             theirs->Edit();
             theirs->Fields()[QStringLiteral("qty")]->SetValue(TVariant(1));
             try {
                 theirs->Update();
             } catch (...) {
                 mine->CancelUpdate();
                 throw;
             }
         },
         "3260\rCould not update; the database is currently locked", "3260\rНе може да се запише; в момента базата данни е заключена"},
        {"file not found (3024)", [&] { engine.OpenDatabase(dir.filePath(QStringLiteral("none.mdb"))); },
         "3024\rCould not find file", "3024\rФайлът"},
        {"not a database (3343)",
         [&] {
             QFile text(dir.filePath(QStringLiteral("notes.mdb")));
             ASSERT_TRUE(text.open(QIODevice::WriteOnly));
             text.write("not a database at all, only some text that is long enough to be read\n");
             text.close();
             engine.OpenDatabase(text.fileName());
         },
         "3343\rUnrecognized database format", "3343\rНеразпознат формат на базата данни"},
        {"password (3031)",
         [&] {
             engine.OpenDatabase(locked, false, false, QStringLiteral(";pwd=wrong"));
         },
         "3031\rNot a valid password.", "3031\rНевалидна парола."},
        {"bad expression (3075)",
         [&] { db->OpenRecordset(QStringLiteral("SELECT * FROM parts WHERE name = ("), dbOpenSnapshot); },
         "3075\rSyntax error", "3075\rСинтактична грешка"},
        {"a PDF file that cannot be written",
         [&] { WritePdf({}, TReportPageSetup(), dir.filePath(QStringLiteral("no/such/folder/a.pdf")), {}, {}); },
         "Cannot write the file", "Файлът"},
    };
    const auto check = [&](bool translated) {
        for (const TextCase& c : cases) {
            SCOPED_TRACE(c.name);
            const QString said = Said(c.action);
            EXPECT_TRUE(said.contains(QString::fromUtf8(translated ? c.bulgarian : c.english))) << said.toStdString();
            if (table.State() != dsBrowse) table.Cancel();
        }
    };
    check(false);
    std::unique_ptr<QTranslator> translator(
        InstallProgramTranslation(*QCoreApplication::instance(), QStringLiteral(CARVANTEL_BINARY_DIR)));
    ASSERT_NE(translator, nullptr) << "carvantel_bg.qm beside the program";
    check(true);
    translator.reset();
    EXPECT_TRUE(Said([&] { Type("D", "31.02.2026"); }).contains(QStringLiteral("is not a valid date")))
        << "a removed translation leaves the other tests in English";
}

TEST(ProgramTranslation, ALanguageWithoutTranslationInstallsNothing)
{
    EXPECT_EQ(InstallProgramTranslation(*QCoreApplication::instance(), QStringLiteral(CARVANTEL_BINARY_DIR),
                                        QStringLiteral("xx")),
              nullptr);
}

}  // namespace
