#include "ProgramFixture.h"

#include "app/settings/PasswordScrambling.h"
#include "dataaccess/DaoTable.h"
#include "platform/os/CodePage1251.h"

#include <QApplication>
#include <QKeyEvent>
#include <chrono>
#include <thread>

namespace {

const QString kAdmin = QStringLiteral("Администратор");

TEST_F(ProgramTest, FirstRunCopiesTheTemplateLogsInAndWritesTheSettingsFile)
{
    ASSERT_FALSE(FileExists(Path("Set.dll")));
    ASSERT_EQ(Login(kAdmin, QString()), mrOk);

    EXPECT_TRUE(FileExists(Path("CarVantel.mdb")));
    EXPECT_TRUE(DM->VantelDataBase->Connected());
    EXPECT_TRUE(DM->tblSale->Active());
    EXPECT_TRUE(DM->tblLogins->Active());
    EXPECT_EQ(Scalar(QStringLiteral("SELECT count(*) FROM seller")), 1);
    EXPECT_EQ(Scalar(QStringLiteral("SELECT count(*) FROM logs")), 1);
    EXPECT_EQ(app::CurrentSellerId, QString::number(Scalar(QStringLiteral("SELECT id FROM seller"))));
    EXPECT_EQ(app::CurrentLoginId, Scalar(QStringLiteral("SELECT id FROM logs")));

    const QByteArray expected = "Database=CarVantel.MDB\r\nLogin Name=" + kAdmin.toUtf8() +
                                "\r\nCurrentBook=0\r\nCurrentCasheBox=1\r\nDAO=" +
                                fSetings->cbxDaoVersion->Text().toUtf8() +
                                "\r\nCurrentFirm=\r\nCurrentFirmID=-1\r\nUpDelivery=40\r\nUpEmploee=40\r\n"
                                "ArchiveCount=10\r\nPassword=\r\nSP=Yes\r\nChangeSaleData=No\r\nMessages=Yes\r\n"
                                "Warnings=Yes\r\nOnlyForThisFirm=Yes\r\nDontShowAnullDock=No\r\nShowUPayed=Yes\r\n"
                                "SpeedButtons=Yes\r\nAllDelivery=Yes\r\nFiFo=No\r\nCashHrono=No\r\n"
                                "CashGiveTake=Yes\r\nChangeLanguage=No\r\nEnglishLanguage=No\r\nDynamCheck=Yes\r\n"
                                "AutoDPrint=Yes\r\nAutoArchive=Yes\r\nPWD=\r\n";
    EXPECT_EQ(SettingsBytes(), expected);
}

TEST_F(ProgramTest, AFreshRunFolderTakesTheTemplateFromBesideTheProgram)
{
    Stop();
    ASSERT_TRUE(QDir(dir_.path()).mkdir(QStringLiteral("run")));
    QDir::setCurrent(Path("run"));
    Start();
    EXPECT_TRUE(FileExists(Path("run/CarVantel.mdb")));
    ASSERT_EQ(Login(kAdmin, QString()), mrOk);
    EXPECT_EQ(Scalar(QStringLiteral("SELECT count(*) FROM logs"), "run/CarVantel.mdb"), 1);
    EXPECT_TRUE(FileExists(Path("Set.dll")));
    EXPECT_FALSE(FileExists(Path("run/Set.dll")));
}

TEST_F(ProgramTest, EnterInTheNameOrPasswordStartsTheLogin)
{
    for (const char* box : {"eLoginName", "ePassword"}) {
        SCOPED_TRACE(box);
        host_.OnForm(QStringLiteral("fPasswordDlg"), [box](TForm& form) {
            auto* edit = form.findChild<TEdit*>(QString::fromLatin1(box));
            edit->setFocus();
            QKeyEvent press(QEvent::KeyPress, Qt::Key_Return, Qt::NoModifier, QStringLiteral("\r"));
            QApplication::sendEvent(edit, &press);
            return mrNone;
        });
        EXPECT_EQ(fPasswordDlg->ShowModal(), mrOk);
        EXPECT_TRUE(DM->VantelDataBase->Connected());
    }
}

TEST_F(ProgramTest, ASecondLoginFindsItsSellerAndAddsOnlyALogsRow)
{
    ASSERT_EQ(Login(kAdmin, QString()), mrOk);
    const QString seller = app::CurrentSellerId;
    Restart();
    ASSERT_EQ(Login(kAdmin, QString()), mrOk);
    EXPECT_EQ(app::CurrentSellerId, seller);
    EXPECT_EQ(Scalar(QStringLiteral("SELECT count(*) FROM seller")), 1);
    EXPECT_EQ(Scalar(QStringLiteral("SELECT count(*) FROM logs")), 2);
    // The login dialog again while running reconnects through the same steps.
    ASSERT_EQ(Login(kAdmin, QString()), mrOk);
    EXPECT_EQ(Scalar(QStringLiteral("SELECT count(*) FROM logs")), 3);
}

TEST_F(ProgramTest, RefusedLoginsStayInTheDialogAndConnectNothing)
{
    struct Case {
        const char* name;
        QString login;
        QString password;
        QString message;
    } cases[] = {
        {"wrong password", kAdmin, QStringLiteral("x"), QStringLiteral("Сбъркали сте името или паролата !")},
        {"name differing in case", QStringLiteral("администратор"), QString(),
         QStringLiteral("Сбъркали сте името или паролата !")},
        {"empty name", QString(), QString(), QStringLiteral("Пропуснахте да въведете името си !")},
        {"password the settings file cannot keep", kAdmin, QStringLiteral("\u4e2d"),
         QStringLiteral("не може да бъде съхранен")},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        host_.ClearShown();
        EXPECT_NE(Login(c.login, c.password), mrOk);
        EXPECT_TRUE(Shown(c.message));
        EXPECT_FALSE(DM->VantelDataBase->Connected());
    }
    EXPECT_EQ(Scalar(QStringLiteral("SELECT count(*) FROM logs")), 0);
}

TEST_F(ProgramTest, TheSellerRowIsFoundByTheWholeNameNotAPrefix)
{
    ASSERT_EQ(Login(kAdmin, QString()), mrOk);
    Stop();
    Execute(QStringLiteral("INSERT INTO seller (seller_name, seller_password) VALUES ('Иван Петров', 'abc')"));
    QByteArray settings = SettingsBytes();
    settings.replace("Login Name=" + kAdmin.toUtf8(), QStringLiteral("Login Name=Иван").toUtf8());
    settings.replace("PWD=\r\n", "PWD=" + EncodeText(QStringLiteral("ab"), QString::fromLatin1(kPasswordKey)).toUtf8() + "\r\n");
    WriteSettings(settings);
    Start();

    ASSERT_EQ(Login(QStringLiteral("Иван"), QStringLiteral("ab")), mrOk);
    EXPECT_EQ(Scalar(QStringLiteral("SELECT count(*) FROM seller")), 3);
    EXPECT_EQ(app::CurrentSellerId,
              QString::number(Scalar(QStringLiteral("SELECT id FROM seller WHERE seller_name='Иван'"))));
}

TEST_F(ProgramTest, ALoginWhoseDatasetsFailToOpenIsReportedAndRefused)
{
    ASSERT_TRUE(QFile::copy(Path("EmptyBase.mdb"), Path("CarVantel.mdb")) || FileExists(Path("CarVantel.mdb")));
    Execute(QStringLiteral("DROP TABLE logs"));
    EXPECT_NE(Login(kAdmin, QString()), mrOk);
    EXPECT_TRUE(Shown(QStringLiteral("Грешка при отваряне на данните !")));
    EXPECT_FALSE(DM->VantelDataBase->Connected());
    EXPECT_FALSE(DM->tblSale->Active());
    EXPECT_FALSE(DM->tblSeller->Active());
}

TEST_F(ProgramTest, AMissingDatabaseIsReportedAndNeverCreated)
{
    fPasswordDlg->eDataBase->SetText(Path("Nowhere.mdb"));
    host_.AnswerQuestion(QStringLiteral("Грешка при свързване с базата данни !"), mrNo);
    EXPECT_NE(Login(kAdmin, QString()), mrOk);
    EXPECT_TRUE(Shown(QStringLiteral("Моля посочете коректната база данни !")));
    EXPECT_FALSE(FileExists(Path("Nowhere.mdb")));
    EXPECT_EQ(host_.CountOf(TShownRecord::Form), 3);  // the login, the question, the description
}

TEST_F(ProgramTest, TheDesignNameOfTheDatabaseOpensTheLowerCaseFile)
{
    ASSERT_EQ(fPasswordDlg->eDataBase->Text(), QStringLiteral("CarVantel.MDB"));
    ASSERT_EQ(Login(kAdmin, QString()), mrOk);
    EXPECT_FALSE(FileExists(Path("CarVantel.MDB")) && !FileExists(Path("CarVantel.mdb")));
    EXPECT_EQ(QDir(dir_.path()).entryList(QStringList{QStringLiteral("*.mdb"), QStringLiteral("*.MDB")}, QDir::Files)
                  .filter(QStringLiteral("carvantel"), Qt::CaseInsensitive)
                  .size(),
              1);
}

TEST_F(ProgramTest, AnUntickedSavePasswordWritesNoPasswordAndTheNextStartShowsNone)
{
    WriteSettings("Database=CarVantel.MDB\r\nLogin Name=" + kAdmin.toUtf8() + "\r\nPassword=331713\r\nSP=Yes\r\nPWD=331713\r\n");
    Restart();
    host_.OnForm(QStringLiteral("fPasswordDlg"), [](TForm&) {
        EXPECT_EQ(fPasswordDlg->ePassword->Text(), QStringLiteral("abc"));
        EXPECT_TRUE(fPasswordDlg->SavePassword->Checked());
        fPasswordDlg->SavePassword->SetChecked(false);
        return mrOk;
    });
    ASSERT_EQ(fPasswordDlg->ShowModal(), mrOk);
    const QByteArray written = SettingsBytes();
    EXPECT_FALSE(written.contains("Password="));
    EXPECT_TRUE(written.contains("\r\nSP=No\r\n"));
    EXPECT_TRUE(written.contains("\r\nPWD=331713\r\n"));

    Restart();
    host_.OnForm(QStringLiteral("fPasswordDlg"), [](TForm&) {
        EXPECT_TRUE(fPasswordDlg->ePassword->Text().isEmpty());
        EXPECT_FALSE(fPasswordDlg->SavePassword->Checked());
        return mrCancel;
    });
    fPasswordDlg->ShowModal();
}

// A wrong password or a mistyped database path is never written into the settings file, so the
// next start does not fail the same way; the login that succeeds writes its own.
TEST_F(ProgramTest, TheSettingsFileTakesThePathAndPasswordOnlyAfterALoginThatSucceeded)
{
    const QByteArray abc = EncodeText(QStringLiteral("abc"), QString::fromLatin1(kPasswordKey)).toUtf8();
    WriteSettings("Database=CarVantel.MDB\r\nLogin Name=" + kAdmin.toUtf8() + "\r\nSP=Yes\r\nPWD=" + abc + "\r\n");
    Restart();
    const auto loginWith = [&](const QString& database, const QString& password) {
        host_.OnForm(QStringLiteral("fPasswordDlg"), [=](TForm&) {
            fPasswordDlg->eDataBase->SetText(database);
            fPasswordDlg->ePassword->SetText(password);
            fPasswordDlg->SavePassword->SetChecked(true);
            return mrOk;
        });
        return fPasswordDlg->ShowModal();
    };
    const QString nowhere = Path("Nowhere/CarVantel.mdb");
    const struct {
        const char* name;
        QString database;
        QString password;
        bool succeeds;
        QByteArray savedDatabase;
        QByteArray savedPassword;
    } steps[] = {
        {"wrong password", QStringLiteral("CarVantel.MDB"), QStringLiteral("abd"), false, "CarVantel.MDB", ""},
        {"mistyped path", nowhere, QStringLiteral("abc"), false, "CarVantel.MDB", ""},
        {"right ones", QStringLiteral("CarVantel.MDB"), QStringLiteral("abc"), true, "CarVantel.MDB", abc},
        {"wrong password after", QStringLiteral("CarVantel.MDB"), QStringLiteral("x"), false, "CarVantel.MDB", abc},
        {"another good path", Path("CarVantel.mdb"), QStringLiteral("abc"), true, Path("CarVantel.mdb").toUtf8(), abc},
        {"mistyped path after", nowhere, QStringLiteral("abc"), false, Path("CarVantel.mdb").toUtf8(), abc},
    };
    for (const auto& step : steps) {
        SCOPED_TRACE(step.name);
        host_.AnswerQuestion(QStringLiteral("Грешка при свързване с базата данни !"), mrYes);
        EXPECT_EQ(loginWith(step.database, step.password) == mrOk, step.succeeds);
        const QByteArray written = SettingsBytes();
        EXPECT_TRUE(written.startsWith("Database=" + step.savedDatabase + "\r\n")) << written.left(80).constData();
        EXPECT_TRUE(written.contains("\r\nPassword=" + step.savedPassword + "\r\nSP=Yes\r\n")) << written.constData();
    }
    // The next start offers what last worked.
    Restart();
    host_.OnForm(QStringLiteral("fPasswordDlg"), [this](TForm&) {
        EXPECT_EQ(fPasswordDlg->eDataBase->Text(), Path("CarVantel.mdb"));
        EXPECT_EQ(fPasswordDlg->ePassword->Text(), QStringLiteral("abc"));
        return mrCancel;
    });
    fPasswordDlg->ShowModal();
}

// Another program holding the database's lock: the login waits for it as a write would, and
// when it is not let go in time the login says the database is busy, not that it is wrong.
TEST_F(ProgramTest, ALoginWaitsForABusyDatabaseAndSaysWhenItStaysBusy)
{
    LoginAsAdministrator();
    const struct {
        const char* name;
        int heldMs;  // -1: until the login has answered
        bool logsIn;
    } cases[] = {
        {"let go within the wait", 1500, true},
        {"held past the wait", -1, false},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        Restart();
        sqlite3* other = OpenDatabaseFile(Path("CarVantel.mdb"), SQLITE_OPEN_READWRITE);
        ASSERT_NE(other, nullptr);
        ASSERT_EQ(sqlite3_exec(other, "BEGIN EXCLUSIVE", nullptr, nullptr, nullptr), SQLITE_OK);
        std::thread release;
        if (c.heldMs >= 0)
            release = std::thread([other, &c] {
                std::this_thread::sleep_for(std::chrono::milliseconds(c.heldMs));
                sqlite3_exec(other, "COMMIT", nullptr, nullptr, nullptr);
            });
        host_.ClearShown();
        host_.AnswerQuestion(QStringLiteral("Грешка при свързване с базата данни !"), mrYes);
        EXPECT_EQ(Login(kAdmin, QString()) == mrOk, c.logsIn);
        EXPECT_EQ(DM->VantelDataBase->Connected(), c.logsIn);
        EXPECT_EQ(Shown(QStringLiteral("Базата данни е заета от друга програма !")), !c.logsIn);
        EXPECT_FALSE(Shown(QStringLiteral("Моля посочете коректната база данни !")));
        if (release.joinable()) release.join();
        sqlite3_exec(other, "COMMIT", nullptr, nullptr, nullptr);
        sqlite3_close(other);
    }
}

// A start that cannot make the new database from the template says so and names the folder.
TEST_F(ProgramTest, ATemplateThatCannotBeCopiedIsToldWithItsFolder)
{
    Stop();
    QFile::remove(Path("CarVantel.mdb"));
    ASSERT_TRUE(QDir(dir_.path()).mkdir(QStringLiteral("CarVantel.mdb.partial")));  // the copy cannot be written
    host_.ClearShown();
    Start();
    EXPECT_FALSE(FileExists(Path("CarVantel.mdb")));
    EXPECT_TRUE(Shown(QStringLiteral("Не може да се създаде празна база данни в папка")));
    EXPECT_TRUE(Shown(QDir::toNativeSeparators(dir_.path())));
    EXPECT_TRUE(app::TemplateCopy.isEmpty());
}

}  // namespace
