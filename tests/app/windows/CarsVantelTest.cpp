#include "ProgramFixture.h"

#include "app/windows/uMyMessage.h"
#include "controls/FlatButton.h"
#include "dataaccess/DaoTable.h"
#include "platform/toolkit/DateTime.h"
#include "platform/toolkit/gui/Menus.h"
#include "platform/toolkit/gui/Tabs.h"
#include "platform/toolkit/gui/ImageList.h"
#include "platform/toolkit/gui/ToolBar.h"

#include <QImage>

namespace {

const QString kAdmin = QStringLiteral("Администратор");

TEST(BackupFileName, TheLastDigitOfTheDayModuloTheCount)
{
    struct Case {
        int day;
        const char* count;
        const char* name;
    } cases[] = {
        {7, "10", "Backup7.mdb"},  {17, "10", "Backup7.mdb"}, {27, "10", "Backup7.mdb"}, {25, "3", "Backup2.mdb"},
        {10, "10", "Backup0.mdb"}, {9, "abc", "Backup9.mdb"}, {9, "0", "Backup0.mdb"},   {9, "", "Backup9.mdb"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.day);
        EXPECT_EQ(TfCarVantel::BackupFileName(EncodeDate(2026, 3, c.day), QString::fromLatin1(c.count)),
                  QString::fromLatin1(c.name));
    }
}

TEST(IsEmptyDate, OnlyTheEmptyMasks)
{
    EXPECT_TRUE(TfCarVantel::IsEmptyDate(QStringLiteral("  .  .    ")));
    EXPECT_TRUE(TfCarVantel::IsEmptyDate(QStringLiteral("  /  /    ")));
    EXPECT_TRUE(TfCarVantel::IsEmptyDate(QStringLiteral("  -  -    ")));
    EXPECT_FALSE(TfCarVantel::IsEmptyDate(QString()));
    EXPECT_FALSE(TfCarVantel::IsEmptyDate(QStringLiteral("01.01.2026")));
    EXPECT_FALSE(TfCarVantel::IsEmptyDate(QStringLiteral("  .  .   ")));
}

TEST_F(ProgramTest, ShowWarningAsksOverTheMessageBoxAndIsTrueOnlyForYes)
{
    host_.AnswerQuestion(QStringLiteral("Въпрос"), mrYes);
    EXPECT_TRUE(fCarVantel->ShowWarning(QStringLiteral("Въпрос ?"), true));
    EXPECT_TRUE(fMyMessage->CancelBtn->isVisibleTo(fMyMessage));
    host_.AnswerQuestion(QStringLiteral("Въпрос"), mrNo);
    EXPECT_FALSE(fCarVantel->ShowWarning(QStringLiteral("Въпрос ?"), true));
    EXPECT_FALSE(fCarVantel->ShowWarning(QStringLiteral("Съобщение"), false));
    EXPECT_FALSE(fMyMessage->CancelBtn->isVisibleTo(fMyMessage));
}

TEST_F(ProgramTest, RecordExistsBindsOneLiteralAndRaisesOnWhatItCannotAsk)
{
    ASSERT_EQ(Login(kAdmin, QString()), mrOk);
    const auto exists = [](const char* table, const char* field, const QString& value) {
        return fCarVantel->RecordExists(QString::fromLatin1(table), QString::fromLatin1(field), value);
    };
    EXPECT_TRUE(exists("seller", "seller_name", TfCarVantel::QuotedSqlText(kAdmin)));
    EXPECT_TRUE(exists("seller", "id", app::CurrentSellerId));
    EXPECT_FALSE(exists("seller", "seller_name", TfCarVantel::QuotedSqlText(QStringLiteral("Няма такъв"))));
    // A quoted text is one value however it reads as SQL.
    EXPECT_FALSE(exists("seller", "seller_name", TfCarVantel::QuotedSqlText(QStringLiteral("x' OR '1'='1"))));
    // What is no literal, no plain name or no table is never read as "no such row".
    EXPECT_THROW(exists("seller", "seller_name", QStringLiteral("'x' OR 1=1")), std::exception);
    EXPECT_THROW(exists("seller; DELETE FROM logs", "id", QStringLiteral("1")), std::exception);
    EXPECT_THROW(exists("nosuchtable", "id", QStringLiteral("1")), std::exception);
    EXPECT_EQ(Scalar(QStringLiteral("SELECT count(*) FROM logs")), 1);
    EXPECT_FALSE(DM->tblMyPersonalQuery->Active());
}

TEST_F(ProgramTest, TheConnectionCheckNoticesTheFileGoneAndOffersToReconnect)
{
    ASSERT_EQ(Login(kAdmin, QString()), mrOk);
    EXPECT_TRUE(fCarVantel->CheckConnection());
    ASSERT_TRUE(QFile::rename(Path("CarVantel.mdb"), Path("moved.mdb")));

    host_.ClearShown();
    host_.AnswerQuestion(QStringLiteral("Няма връзка с базата данни !"), mrNo);
    EXPECT_FALSE(fCarVantel->CheckConnection());
    EXPECT_TRUE(Shown(QStringLiteral("Искате ли да я възтановите ?")));
    EXPECT_EQ(host_.CountOf(TShownRecord::Form), 1);

    ASSERT_TRUE(QFile::rename(Path("moved.mdb"), Path("CarVantel.mdb")));
    host_.AnswerQuestion(QStringLiteral("Няма връзка с базата данни !"), mrYes);
    QFile::rename(Path("CarVantel.mdb"), Path("moved.mdb"));
    host_.OnForm(QStringLiteral("fPasswordDlg"), [this](TForm&) {
        QFile::rename(Path("moved.mdb"), Path("CarVantel.mdb"));
        return mrOk;
    });
    EXPECT_FALSE(fCarVantel->CheckConnection());
    EXPECT_TRUE(DM->VantelDataBase->Connected());
    EXPECT_TRUE(fCarVantel->CheckConnection());
}

TEST_F(ProgramTest, ShutDownStampsThisLoginAndWritesTheRotatingBackup)
{
    ASSERT_EQ(Login(kAdmin, QString()), mrOk);
    ASSERT_EQ(Login(kAdmin, QString()), mrOk);
    fSetings->eArchiveCount->SetText(QStringLiteral("3"));
    // An order flagged as changed with none on screen: keeping it must not start a new one.
    app::OrderDirty = true;
    host_.AnswerQuestion(QStringLiteral("За да няма загуба на данни"), mrNo);
    host_.AnswerQuestion(QStringLiteral("Наистина ли искате да затворите програмата ?"), mrYes);
    EXPECT_TRUE(fCarVantel->CloseQuery());
    EXPECT_TRUE(Shown(QStringLiteral("трябва да приключите поръчката !")));
    EXPECT_EQ(Scalar(QStringLiteral("SELECT count(*) FROM sale")), 0);

    const QString backup = TfCarVantel::BackupFileName(Date(), QStringLiteral("3"));
    ASSERT_TRUE(FileExists(dir_.path() + QLatin1Char('/') + backup));
    EXPECT_EQ(Scalar(QStringLiteral("SELECT count(*) FROM logs"), backup.toUtf8().constData()), 2);
    EXPECT_EQ(Scalar(QStringLiteral("SELECT count(*) FROM logs WHERE unlog_time IS NOT NULL")), 1);
    EXPECT_EQ(Scalar(QStringLiteral("SELECT id FROM logs WHERE unlog_time IS NOT NULL")), app::CurrentLoginId);
}

TEST_F(ProgramTest, ShutDownAnsweredNoStaysAndAFailedStepDoesNotCostTheBackup)
{
    ASSERT_EQ(Login(kAdmin, QString()), mrOk);
    host_.AnswerQuestion(QStringLiteral("Наистина ли искате да затворите програмата ?"), mrNo);
    EXPECT_FALSE(fCarVantel->CloseQuery());

    fSetings->cbMessages->SetChecked(false);
    // A count of 0 cannot be chosen: the box offers 1 to 10 only.
    fSetings->eArchiveCount->SetText(QStringLiteral("0"));
    EXPECT_TRUE(fSetings->eArchiveCount->Text().isEmpty());
    fSetings->eArchiveCount->SetText(QStringLiteral("1"));
    // The logout stamp fails: its dataset refuses changes.
    DM->tblLogins->Close();
    DM->tblLogins->SetReadOnly(true);
    DM->tblLogins->Open();
    EXPECT_TRUE(fCarVantel->CloseQuery());
    EXPECT_TRUE(FileExists(Path("Backup0.mdb")));
    EXPECT_EQ(Scalar(QStringLiteral("SELECT count(*) FROM seller"), "Backup0.mdb"), 1);
}

TEST_F(ProgramTest, TheToolBarFollowsTheMenuAndTheSetting)
{
    const int wide = fCarVantel->width();
    fCarVantel->SpeedButtons1->Click();
    EXPECT_FALSE(fCarVantel->SpeedButtons1->Checked());
    EXPECT_TRUE(fCarVantel->ToolBar1->isHidden());
    EXPECT_EQ(fCarVantel->width(), wide - fCarVantel->ToolBar1->width());
    EXPECT_FALSE(fSetings->cbSpeedButtons->Checked());
    EXPECT_TRUE(SettingsBytes().contains("SpeedButtons=No"));
    fSetings->cbSpeedButtons->SetChecked(true);
    EXPECT_FALSE(fCarVantel->ToolBar1->isHidden());
    EXPECT_EQ(fCarVantel->width(), wide);
}

TEST_F(ProgramTest, ShowingTheMainWindowTakesTheSettings)
{
    WriteSettings("Database=CarVantel.MDB\r\nLogin Name=" + kAdmin.toUtf8() +
                  "\r\nCurrentCasheBox=3\r\nSpeedButtons=No\r\nChangeLanguage=Yes\r\n");
    Restart();
    ASSERT_EQ(Login(kAdmin, QString()), mrOk);
    fCarVantel->Show();
    EXPECT_TRUE(app::MainFormReady);
    EXPECT_EQ(fCarVantel->Caption(), QStringLiteral("CarVantel version 4.04   -   [ CarVantel.MDB ]"));
    EXPECT_EQ(fCarVantel->stCashBox->Caption(), QStringLiteral("КАСА № 3"));
    EXPECT_TRUE(fCarVantel->ToolBar1->isHidden());
    EXPECT_FALSE(fCarVantel->SpeedButtons1->Checked());
    EXPECT_TRUE(fCarVantel->Language1->Visible());
    fCarVantel->Hide();
}

TEST_F(ProgramTest, HelpPrefersTheHelpFileAndTheVersionLinkComesFromHtpath)
{
    QFile readMe(Path("Readme.txt"));
    ASSERT_TRUE(readMe.open(QIODevice::WriteOnly));
    readMe.close();
    fCarVantel->Contents1Click(nullptr);
    ASSERT_EQ(host_.CountOf(TShownRecord::Document), 1);
    EXPECT_TRUE(host_.Shown().back().Text.endsWith(QStringLiteral("Readme.txt")));

    QFile links(Path("htpath.txt"));
    ASSERT_TRUE(links.open(QIODevice::WriteOnly));
    links.write("no link here\nhttp://example.org/new\nhttp://example.org/later\n");
    links.close();
    fCarVantel->N18Click(nullptr);
    EXPECT_EQ(host_.Shown().back().Text, QStringLiteral("http://example.org/new"));
}

// A new user's first look: the main window after the first login. With CARVANTEL_SCREENSHOT
// set, the picture is kept there.
TEST_F(ProgramTest, TheMainWindowAfterTheFirstLogin)
{
    ASSERT_EQ(Login(kAdmin, QString()), mrOk);
    fCarVantel->Show();
    TApplication::ProcessMessages();
    EXPECT_TRUE(fCarVantel->Caption().contains(QStringLiteral("CarVantel version 4.04")));
    EXPECT_EQ(fCarVantel->stCashBox->Caption(), QStringLiteral("КАСА № 1"));
    const QImage shot = fCarVantel->grab().toImage();
    EXPECT_EQ(shot.width(), fCarVantel->width());
    const QString keep = qEnvironmentVariable("CARVANTEL_SCREENSHOT");
    if (!keep.isEmpty()) shot.save(keep);
    fCarVantel->Hide();
    if (!keep.isEmpty()) {
        for (int tab = 0; tab < 4; ++tab) {
            fSetings->Notebook1->SetPageIndex(tab);
            fSetings->grab().save(keep + QStringLiteral(".settings%1.png").arg(tab));
        }
        fPasswordDlg->grab().save(keep + QStringLiteral(".login.png"));
    }
}

TEST_F(ProgramTest, OnlyTheCommandsWhoseWindowsExistAreOffered)
{
    for (TMenuItem* item : {fCarVantel->Settings1, fCarVantel->Connect1, fCarVantel->About1, fCarVantel->Contents1,
                            fCarVantel->N18, fCarVantel->SpeedButtons1, fCarVantel->Exit1, fCarVantel->Banks1,
                            fCarVantel->Articles1, fCarVantel->N14})
        EXPECT_TRUE(item->Enabled()) << item->objectName().toStdString();
    for (TMenuItem* item : {fCarVantel->New1, fCarVantel->Find1, fCarVantel->Employee1, fCarVantel->CacheBox1})
        EXPECT_FALSE(item->Enabled()) << item->objectName().toStdString();
    EXPECT_TRUE(fCarVantel->FlatButton1->isEnabled());
    EXPECT_TRUE(fCarVantel->fbtStore->isEnabled());
    EXPECT_FALSE(fCarVantel->fbtSafe->isEnabled());

    auto* settings = fCarVantel->ToolBar1->findChild<TToolButton*>(QStringLiteral("ToolButton11"));
    ASSERT_NE(settings, nullptr);
    EXPECT_FALSE(fCarVantel->ToolBar1->findChild<TToolButton*>(QStringLiteral("ToolButton1"))->isEnabled());
    host_.AnswerForm(QStringLiteral("fSetings"), mrCancel);
    settings->click();
    ASSERT_FALSE(host_.Shown().empty());
    EXPECT_EQ(host_.Shown().back().Name, QStringLiteral("fSetings"));
}

// A start that found no database made one from the template: the day's backup of earlier work
// is kept unless the new database holds rows of its own by the exit.
TEST_F(ProgramTest, TheDaysBackupIsNeverReplacedByACopyOfADatabaseStartedEmpty)
{
    const QString backup = TfCarVantel::BackupFileName(Date(), QStringLiteral("10"));
    const struct {
        const char* name;
        bool backupExists;
        bool work;  // a client row written before the exit
        bool replaced;
    } cases[] = {
        {"empty start over an earlier backup", true, false, false},
        {"work done on the new database", true, true, true},
        {"no backup yet", false, false, true},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        Stop();
        QFile::remove(Path("CarVantel.mdb"));
        QFile::remove(Path("Set.dll"));
        QFile::remove(dir_.path() + QLatin1Char('/') + backup);
        const QString earlier = dir_.path() + QLatin1Char('/') + backup;
        if (c.backupExists) {
            ASSERT_TRUE(QFile::copy(Path("EmptyBase.mdb"), earlier));
            Execute(QStringLiteral("INSERT INTO client (name) VALUES ('earlier work')"), backup.toUtf8().constData());
        }
        Start();
        ASSERT_FALSE(app::TemplateCopy.isEmpty());
        ASSERT_EQ(Login(kAdmin, QString()), mrOk);
        if (c.work) {
            DM->tblClient->Append();
            DM->tblClient->FieldByName(QStringLiteral("name"))->SetAsString(QStringLiteral("new work"));
            DM->tblClient->Post();
        }
        fSetings->cbMessages->SetChecked(false);
        EXPECT_TRUE(fCarVantel->CloseQuery());
        ASSERT_TRUE(FileExists(earlier));
        const qint64 earlierRows =
            Scalar(QStringLiteral("SELECT count(*) FROM client WHERE name='earlier work'"), backup.toUtf8().constData());
        EXPECT_EQ(earlierRows, c.replaced ? 0 : 1);
        EXPECT_EQ(Scalar(QStringLiteral("SELECT count(*) FROM logs"), backup.toUtf8().constData()), c.replaced ? 1 : 0);
    }
}

// The exit's messages are closed with a key that reaches the main window behind them and asks
// it to close again: the save failure is said once and the exit goes on.
TEST_F(ProgramTest, AnExitThatCannotSaveTheSettingsSaysSoOnceAndGoesOn)
{
    ASSERT_EQ(Login(kAdmin, QString()), mrOk);
    QFile::remove(Path("Set.dll"));
    ASSERT_TRUE(QDir(dir_.path()).mkdir(QStringLiteral("Set.dll")));  // cannot be written
    int closesAgain = 0;
    host_.OnForm(
        QStringLiteral("fMyMessage"),
        [&](TForm& form) {
            const QString text = TScriptedUiHost::FormText(form);
            if (text.contains(QStringLiteral("Наистина ли искате да затворите програмата ?"))) return mrYes;
            if (closesAgain++ < 8) {
                EXPECT_TRUE(fCarVantel->CloseQuery());
            }
            return mrYes;
        },
        -1);
    EXPECT_TRUE(fCarVantel->CloseQuery());
    int said = 0;
    for (const QString& text : host_.Texts())
        said += text.contains(QStringLiteral("Програмата не може да съхрани промените.")) ? 1 : 0;
    EXPECT_EQ(said, 1);
    EXPECT_EQ(Scalar(QStringLiteral("SELECT count(*) FROM logs WHERE unlog_time IS NOT NULL")), 1);
}

}  // namespace
