#pragma once
// The program as a test runs it: a fresh folder that is both the program's folder and the
// current one, with the template database beside it, every window made as the start makes
// them, and a scripted UI host answering what would wait for a person.

#include "app/CarVantel.h"
#include "app/datamodule/DModule.h"
#include "app/util/AppFlags.h"
#include "app/util/AppGlobals.h"
#include "app/windows/uCarsVantel.h"
#include "app/windows/uPassDlg.h"
#include "app/windows/uSetings.h"
#include "dataaccess/DaoDataBase.h"
#include "platform/os/Files.h"
#include "platform/toolkit/gui/Application.h"
#include "platform/toolkit/gui/ScriptedUiHost.h"
#include "platform/toolkit/gui/StandardControls.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <gtest/gtest.h>
#include <memory>
#include <sqlite3.h>

// The shop database's text collation, so that a test can read past the program.
inline int JetTextCollation(void*, int lengthA, const void* a, int lengthB, const void* b)
{
    return QString::fromUtf8(static_cast<const char*>(a), lengthA)
        .compare(QString::fromUtf8(static_cast<const char*>(b), lengthB), Qt::CaseInsensitive);
}

inline sqlite3* OpenDatabaseFile(const QString& path, int flags)
{
    sqlite3* db = nullptr;
    if (sqlite3_open_v2(QFile::encodeName(path).constData(), &db, flags, nullptr) != SQLITE_OK) {
        sqlite3_close(db);
        return nullptr;
    }
    sqlite3_create_collation(db, "JETTEXT", SQLITE_UTF8, nullptr, JetTextCollation);
    return db;
}

class ProgramTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        ASSERT_TRUE(dir_.isValid());
        previousDir_ = QDir::currentPath();
        QDir::setCurrent(dir_.path());
        SetProgramFolder(dir_.path() + QLatin1Char('/'));
        ASSERT_TRUE(QFile::copy(QStringLiteral(CARVANTEL_BINARY_DIR "/EmptyBase.mdb"), Path("EmptyBase.mdb")));
        installed_ = std::make_unique<TScopedUiHost>(host_);
        Start();
    }

    void TearDown() override
    {
        Stop();
        installed_.reset();
        SetProgramFolder(QString());
        QDir::setCurrent(previousDir_);
    }

    // The program's state as a new start finds it.
    void Start()
    {
        app::CurrentSellerId = QStringLiteral("1");
        app::CurrentFirmId = -1;
        app::OperatorPassword.clear();
        app::CurrentLoginId = 0;
        app::MainFormReady = false;
        app::OrderDirty = false;
        app::TemplateCopy.clear();
        application_ = std::make_unique<TApplication>();
        CreateProgramWindows(*application_);
    }
    void Stop() { application_.reset(); }
    void Restart()
    {
        Stop();
        Start();
    }

    QString Path(const char* name) const { return dir_.path() + QLatin1Char('/') + QString::fromUtf8(name); }

    // Shows the login dialog, types the name and password and presses "&Старт".
    TModalResult Login(const QString& name, const QString& password)
    {
        host_.OnForm(QStringLiteral("fPasswordDlg"), [name, password](TForm&) {
            fPasswordDlg->eLoginName->SetText(name);
            fPasswordDlg->ePassword->SetText(password);
            return mrOk;
        });
        return fPasswordDlg->ShowModal();
    }

    // One number the database file answers, read past the program's own connection.
    qint64 Scalar(const QString& sql, const char* file = "CarVantel.mdb") const
    {
        qint64 value = -1;
        if (sqlite3* db = OpenDatabaseFile(Path(file), SQLITE_OPEN_READONLY)) {
            sqlite3_stmt* statement = nullptr;
            if (sqlite3_prepare_v2(db, sql.toUtf8().constData(), -1, &statement, nullptr) == SQLITE_OK &&
                sqlite3_step(statement) == SQLITE_ROW)
                value = sqlite3_column_int64(statement, 0);
            sqlite3_finalize(statement);
            sqlite3_close(db);
        }
        return value;
    }
    void Execute(const QString& sql, const char* file = "CarVantel.mdb") const
    {
        sqlite3* db = OpenDatabaseFile(Path(file), SQLITE_OPEN_READWRITE);
        ASSERT_NE(db, nullptr);
        char* error = nullptr;
        const int rc = sqlite3_exec(db, sql.toUtf8().constData(), nullptr, nullptr, &error);
        EXPECT_EQ(rc, SQLITE_OK) << (error ? error : "");
        sqlite3_free(error);
        sqlite3_close(db);
    }

    QByteArray SettingsBytes() const
    {
        QFile f(Path("Set.dll"));
        return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
    }
    void WriteSettings(const QByteArray& bytes) const
    {
        QFile f(Path("Set.dll"));
        ASSERT_TRUE(f.open(QIODevice::WriteOnly | QIODevice::Truncate));
        f.write(bytes);
    }

    bool Shown(const QString& textPart) const
    {
        for (const QString& text : host_.Texts())
            if (text.contains(textPart)) return true;
        return false;
    }

    QTemporaryDir dir_;
    QString previousDir_;
    TScriptedUiHost host_;
    std::unique_ptr<TScopedUiHost> installed_;
    std::unique_ptr<TApplication> application_;
};
