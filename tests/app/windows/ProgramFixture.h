#pragma once
// The program as a test runs it: a fresh folder that is both the program's folder and the
// current one, with the template database beside it, every window made as the start makes
// them, and a scripted UI host answering what would wait for a person.
//
// A window test logs in, seeds the shop from a small SQL file, opens its window by name with a
// script that works it as a person would, and reads the rows back past the program:
//
//     LoginAsAdministrator();
//     Seed("shop_basic.sql");
//     OpenWindow("fCars", [&](TForm& form) { ...click, type...; return mrOk; });
//     EXPECT_EQ(Rows("SELECT car_number FROM car ORDER BY id"), (TRows{{"CA1234AB"}}));

#include "app/CarVantel.h"
#include "app/datamodule/DModule.h"
#include "app/util/AppFlags.h"
#include "app/util/AppGlobals.h"
#include "app/windows/uCarsVantel.h"
#include "app/windows/uPassDlg.h"
#include "app/windows/uSetings.h"
#include "controls/FlatCore.h"
#include "dataaccess/DaoDataBase.h"
#include "dataaccess/DaoTable.h"
#include "platform/os/Files.h"
#include "platform/toolkit/Fields.h"
#include "platform/toolkit/gui/Application.h"
#include "platform/toolkit/gui/DBGrid.h"
#include "platform/toolkit/gui/ScriptedUiHost.h"
#include "platform/toolkit/gui/StandardControls.h"

#include <QAbstractButton>
#include <QApplication>
#include <QCheckBox>
#include <QDir>
#include <QFile>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QRadioButton>
#include <QRegularExpression>
#include <QStringList>
#include <QTemporaryDir>
#include <QTest>
#include <QToolButton>
#include <functional>
#include <gtest/gtest.h>
#include <memory>
#include <sqlite3.h>
#include <vector>

// Rows read past the program, every value as text ("" for Null).
using TRows = std::vector<QStringList>;

inline void PrintTo(const QString& text, std::ostream* out) { *out << '"' << text.toStdString() << '"'; }

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

// True when the lines of a word-wrapped label need more height than it has, or one of its
// words more width.
inline bool WrappedTextCut(const QLabel* label)
{
    const QRect room = label->contentsRect();
    const QRect needed =
        label->fontMetrics().boundingRect(QRect(0, 0, room.width(), 100000), Qt::TextWordWrap, label->text());
    return needed.height() > room.height() || needed.width() > room.width();
}

// The controls of `window` whose caption does not fit in them at their font, as
// "name: caption"; a person would see those cut.
inline QStringList ClippedCaptions(const QWidget* window)
{
    QStringList clipped;
    for (const QWidget* control : window->findChildren<QWidget*>()) {
        QString text;
        int room = control->width();
        bool wrapped = false;
        if (const auto* tool = qobject_cast<const QToolButton*>(control);
            tool && tool->toolButtonStyle() == Qt::ToolButtonIconOnly) {
            continue;  // its caption is only a hint
        } else if (const auto* lines = qobject_cast<const QLabel*>(control); lines && lines->wordWrap()) {
            text = lines->text();
            wrapped = true;
        } else if (const auto* button = qobject_cast<const QAbstractButton*>(control)) {
            text = button->text();
            // A check box or radio button gives its mark and gap; a push button its frame.
            room -= (qobject_cast<const QCheckBox*>(control) || qobject_cast<const QRadioButton*>(control)) ? 22 : 6;
        } else if (const auto* label = qobject_cast<const QLabel*>(control)) {
            text = label->text();
        } else if (const auto* flat = dynamic_cast<const TFlatCustomControl*>(control)) {
            text = flat->Caption();
            room -= 6;
        }
        text.remove(QRegularExpression(QStringLiteral("&(?!&)")));
        if (text.isEmpty() || control->isHidden()) continue;
        const bool cut = wrapped ? WrappedTextCut(static_cast<const QLabel*>(control))
                                 : control->fontMetrics().horizontalAdvance(text) > room;
        if (cut) clipped << control->objectName() + QStringLiteral(": ") + text;
    }
    return clipped;
}

// A key pressed and released on `target`, through the form's key routing.
inline void PressKey(QWidget* target, int key, Qt::KeyboardModifiers modifiers = Qt::NoModifier,
                     const QString& text = QString())
{
    QKeyEvent press(QEvent::KeyPress, key, modifiers, text);
    QApplication::sendEvent(target, &press);
    QKeyEvent release(QEvent::KeyRelease, key, modifiers, text);
    QApplication::sendEvent(target, &release);
}
inline void PressKey(QWidget* target, int key, const QString& text) { PressKey(target, key, Qt::NoModifier, text); }

// Typed key by key into the focused `edit`, as a person types; any letter, Cyrillic too.
inline void TypeKeys(QWidget* edit, const QString& text)
{
    edit->setFocus();
    for (QChar ch : text) QTest::sendKeyEvent(QTest::Click, edit, Qt::Key_unknown, QString(ch), Qt::NoModifier);
}

// Types `text` into the grid's cell of `field` on its current row as a person does: the first key
// opens the cell's editor, the rest go into it; the editor is then written to the row.
inline void TypeIntoCell(TDBGrid* grid, TField* field, const QString& text)
{
    grid->setFocus();
    grid->SetSelectedField(field);
    QTest::keyClicks(grid, text.left(1));
    QLineEdit* editor = nullptr;
    for (QLineEdit* open : grid->viewport()->findChildren<QLineEdit*>())
        if (open->isVisible()) editor = open;
    ASSERT_NE(editor, nullptr) << "no cell editor for " << field->FieldName().toStdString();
    QTest::keyClicks(editor, text.mid(1));
    grid->CommitEditor();
}

// Puts the order list on order `id` and shows it in the main window, as a click in the list does.
inline void ShowOrder(qint32 id)
{
    DM->tblSale->SetKeyFields(QStringLiteral("id"));
    ASSERT_TRUE(DM->tblSale->FindKey({QString::number(id)})) << "no order " << id;
    fCarVantel->ShowCurrentSale();
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

    // Every row `sql` answers on the database file, read past the program.
    TRows Rows(const QString& sql, const char* file = "CarVantel.mdb") const
    {
        TRows rows;
        sqlite3* db = OpenDatabaseFile(Path(file), SQLITE_OPEN_READONLY);
        if (!db) {
            ADD_FAILURE() << "cannot open " << file;
            return rows;
        }
        sqlite3_stmt* statement = nullptr;
        if (sqlite3_prepare_v2(db, sql.toUtf8().constData(), -1, &statement, nullptr) != SQLITE_OK)
            ADD_FAILURE() << sqlite3_errmsg(db) << " in " << sql.toStdString();
        while (statement && sqlite3_step(statement) == SQLITE_ROW) {
            QStringList row;
            for (int i = 0; i < sqlite3_column_count(statement); ++i) {
                const auto* text = reinterpret_cast<const char*>(sqlite3_column_text(statement, i));
                row << (text ? QString::fromUtf8(text) : QString());
            }
            rows.push_back(row);
        }
        sqlite3_finalize(statement);
        sqlite3_close(db);
        return rows;
    }

    // Runs the statements of tests/fixtures/<name> on the database file, past the program; the
    // program's datasets see the rows once they are re-queried (or opened by the login).
    void Seed(const char* name)
    {
        QFile file(QStringLiteral(CARVANTEL_FIXTURES "/") + QString::fromUtf8(name));
        ASSERT_TRUE(file.open(QIODevice::ReadOnly)) << name;
        Execute(QString::fromUtf8(file.readAll()));
    }

    // Logs in as the shop's first operator; the test stops when that fails.
    void LoginAsAdministrator()
    {
        ASSERT_EQ(Login(QStringLiteral("Администратор"), QString()), mrOk);
    }

    // The window the start made under that object name; the test fails when there is none.
    template <class TWindow = TForm>
    TWindow* Window(const char* name) const
    {
        for (int i = 0; application_ && i < application_->FormCount(); ++i)
            if (application_->Forms(i)->objectName() == QLatin1String(name))
                if (auto* window = dynamic_cast<TWindow*>(application_->Forms(i))) return window;
        ADD_FAILURE() << "no window " << name;
        return nullptr;
    }

    // Shows the window modally, runs `script` in it as a person would, and gives its result.
    TModalResult OpenWindow(const char* name, TScriptedUiHost::TFormScript script)
    {
        TForm* window = Window(name);
        if (!window) return mrNone;
        host_.OnForm(QString::fromUtf8(name), std::move(script));
        return window->ShowModal();
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
