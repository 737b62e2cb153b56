#include "ProgramFixture.h"

#include "app/datamodule/TemplateDatabase.h"
#include "app/settings/PasswordScrambling.h"
#include "app/windows/uErrorDescription.h"
#include "app/windows/uMyMessage.h"
#include "controls/FlatButton.h"
#include "dataaccess/DaoInfo.h"
#include "dataaccess/DaoTable.h"
#include "platform/os/CodePage1251.h"
#include "platform/toolkit/gui/Menus.h"
#include "platform/toolkit/gui/Tabs.h"

#include <QTest>
#include <functional>

namespace {

struct ControlStates {
    bool messages, warnings, autoArchive, cashGiveTake;    // unless No
    bool speedButtons, onlyThisFirm, fifo, english;        // if Yes
    QString book, cashBox, archiveCount, operatorName;
    qint32 firmId;
};

ControlStates Read()
{
    TfSetings* s = fSetings;
    return {s->cbMessages->Checked(),    s->cbWarnings->Checked(),  s->cbAutoArchive->Checked(),
            s->rbtCashGiveTake->Checked(), s->cbSpeedButtons->Checked(), s->cbxOnlythisF->Checked(),
            s->rbtFiFo->Checked(),        fCarVantel->English1->Checked(), s->cbxKochanNom->Text(),
            s->cbxCashBoxNum->Text(),     s->eArchiveCount->Text(),  s->eOperatorName->Text(),
            app::CurrentFirmId};
}

TEST_F(ProgramTest, SettingsFilesGiveTheControlStatesAndAreWrittenBack)
{
    struct Case {
        const char* name;
        QByteArray file;
        ControlStates expected;
    } cases[] = {
        {"missing keys", "Database=CarVantel.MDB\r\n",
         {true, true, true, true, false, false, false, false, "0", "1", "10", "", 1}},
        {"yes and no", "Messages=No\r\nWarnings=No\r\nAutoArchive=No\r\nCashGiveTake=No\r\nSpeedButtons=Yes\r\n"
                       "OnlyForThisFirm=Yes\r\nFiFo=Yes\r\nEnglishLanguage=Yes\r\nCurrentBook=7\r\n"
                       "CurrentCasheBox=12\r\nArchiveCount=3\r\nLogin Name=Мария\r\nCurrentFirmID=4\r\n",
         {false, false, false, false, true, true, true, true, "7", "12", "3", "Мария", 4}},
        {"other values", "Messages=no\r\nWarnings=\r\nSpeedButtons=yes\r\nFiFo=1\r\nCurrentBook=x\r\n"
                         "CurrentCasheBox=\r\nArchiveCount=\r\nCurrentFirmID=abc\r\n",
         {true, true, true, true, false, false, false, false, "0", "1", "10", "", 1}},
        {"no archive copies", "ArchiveCount=0\r\n",
         {true, true, true, true, false, false, false, false, "0", "1", "1", "", 1}},
        {"code page 1251", ToCp1251(QStringLiteral("Login Name=Петър\r\nCurrentFirm=Автосервиз Изток\r\n"
                                                    "Messages=No\r\nPWD=")) +
                               EncodeText(QStringLiteral("тайна"), QString::fromLatin1(kPasswordKey)).toLatin1() + "\r\n",
         {false, true, true, true, false, false, false, false, "0", "1", "10", "Петър", 1}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        WriteSettings(c.file);
        Restart();
        fSetings->LoadSettings();
        const ControlStates got = Read();
        const ControlStates& e = c.expected;
        EXPECT_EQ(got.messages, e.messages);
        EXPECT_EQ(got.warnings, e.warnings);
        EXPECT_EQ(got.autoArchive, e.autoArchive);
        EXPECT_EQ(got.cashGiveTake, e.cashGiveTake);
        EXPECT_EQ(got.speedButtons, e.speedButtons);
        EXPECT_EQ(got.onlyThisFirm, e.onlyThisFirm);
        EXPECT_EQ(got.fifo, e.fifo);
        EXPECT_EQ(got.english, e.english);
        EXPECT_EQ(fCarVantel->Bulgarian1->Checked(), !e.english);
        EXPECT_EQ(got.book, e.book);
        EXPECT_EQ(got.cashBox, e.cashBox);
        EXPECT_EQ(got.archiveCount, e.archiveCount);
        EXPECT_EQ(got.operatorName, e.operatorName);
        EXPECT_EQ(got.firmId, e.firmId);

        // Written back whole, as UTF-8, with what the controls now hold.
        fPasswordDlg->SaveSettings();
        TSettingsFile back;
        ASSERT_TRUE(back.Load());
        EXPECT_EQ(back.Lines().Count(), 29);
        EXPECT_EQ(back.Value(QStringLiteral("Messages")), YesNo(e.messages));
        EXPECT_EQ(back.Value(QStringLiteral("SpeedButtons")), YesNo(e.speedButtons));
        EXPECT_EQ(back.Value(QStringLiteral("Login Name")), e.operatorName);
        EXPECT_EQ(back.Value(QStringLiteral("CurrentCasheBox")), e.cashBox);
        EXPECT_EQ(back.Value(QStringLiteral("ArchiveCount")), e.archiveCount);
        EXPECT_EQ(back.Value(QStringLiteral("CurrentFirmID")), QString::number(e.firmId));
        EXPECT_EQ(QString::fromUtf8(SettingsBytes()).toUtf8(), SettingsBytes());
    }
    EXPECT_EQ(app::OperatorPassword, QStringLiteral("тайна"));
}

TEST_F(ProgramTest, APasswordChangeMovesTheOperatorToTheSellerWithTheNewPassword)
{
    ASSERT_EQ(Login(QStringLiteral("Администратор"), QString()), mrOk);
    const QString before = app::CurrentSellerId;

    fSetings->eOldPass->SetText(QStringLiteral("wrong"));
    fSetings->eNewPass->SetText(QStringLiteral("new"));
    fSetings->eNewPass2->SetText(QStringLiteral("new"));
    fSetings->FlatButton1Click(nullptr);
    EXPECT_TRUE(Shown(QStringLiteral("Сгрешихте старата парола !!!")));
    EXPECT_TRUE(app::OperatorPassword.isEmpty());
    EXPECT_EQ(Scalar(QStringLiteral("SELECT count(*) FROM logs")), 1);

    fSetings->eOldPass->SetText(QString());
    fSetings->FlatButton1Click(nullptr);
    EXPECT_EQ(app::OperatorPassword, QStringLiteral("new"));
    EXPECT_TRUE(SettingsBytes().contains("PWD=" + EncodeText(QStringLiteral("new"), QString::fromLatin1(kPasswordKey)).toUtf8()));
    EXPECT_EQ(Scalar(QStringLiteral("SELECT count(*) FROM seller WHERE seller_password='new'")), 1);
    EXPECT_EQ(Scalar(QStringLiteral("SELECT count(*) FROM logs")), 2);
    EXPECT_EQ(Scalar(QStringLiteral("SELECT previous_id FROM logs ORDER BY id DESC LIMIT 1")), before.toLongLong());
    EXPECT_TRUE(fSetings->eOldPass->Text().isEmpty());

    // Deleting it: the seller row is then found by the name alone.
    host_.AnswerQuestion(QStringLiteral("Паролата ще бъде изтрита !!!"), mrYes);
    fSetings->eOldPass->SetText(QStringLiteral("new"));
    fSetings->FlatButton1Click(nullptr);
    EXPECT_TRUE(app::OperatorPassword.isEmpty());
    EXPECT_TRUE(SettingsBytes().contains("\r\nPWD=\r\n"));
    EXPECT_EQ(app::CurrentSellerId, before);
    EXPECT_EQ(Scalar(QStringLiteral("SELECT count(*) FROM seller")), 2);
    EXPECT_EQ(Scalar(QStringLiteral("SELECT count(*) FROM logs")), 3);
    fSetings->eOldPass->SetText(QString());
    fSetings->eNewPass->SetText(QStringLiteral("new"));
    fSetings->eNewPass2->SetText(QStringLiteral("new"));
    fSetings->FlatButton1Click(nullptr);
    ASSERT_EQ(app::OperatorPassword, QStringLiteral("new"));

    // A password the file cannot keep is refused before anything changes.
    host_.ClearShown();
    fSetings->eOldPass->SetText(QStringLiteral("new"));
    fSetings->eNewPass->SetText(QStringLiteral("\u4e2d"));
    fSetings->eNewPass2->SetText(QStringLiteral("\u4e2d"));
    fSetings->FlatButton1Click(nullptr);
    EXPECT_TRUE(Shown(QStringLiteral("не може да бъде съхранен")));
    EXPECT_EQ(app::OperatorPassword, QStringLiteral("new"));
}

// A password change the database refuses is said and changes nothing: not the settings file,
// not the seller and logs rows, not the password the next login asks for.
TEST_F(ProgramTest, APasswordChangeTheDatabaseRefusesChangesNeitherTheFileNorTheRows)
{
    LoginAsAdministrator();
    const QByteArray settings = SettingsBytes();
    const TRows sellers = Rows(QStringLiteral("SELECT id, seller_name, seller_password FROM seller ORDER BY id"));
    const TRows logins = Rows(QStringLiteral("SELECT id, seller_id, previous_id FROM logs ORDER BY id"));
    const QString seller = app::CurrentSellerId;
    const struct {
        const char* name;
        TDaoTable* closed;
    } cases[] = {
        {"seller table closed", DM->tblSeller},
        {"logs table closed, after the seller row was written", DM->tblLogins},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        c.closed->Close();
        host_.ClearShown();
        QTest::keyClicks(fSetings->eNewPass, QStringLiteral("new"));
        QTest::keyClicks(fSetings->eNewPass2, QStringLiteral("new"));
        fSetings->FlatButton1->Click();
        EXPECT_TRUE(Shown(QStringLiteral("Паролата не е променена !")));
        EXPECT_FALSE(Shown(QStringLiteral("Паролата е променена успешно")));
        EXPECT_EQ(SettingsBytes(), settings);
        EXPECT_TRUE(app::OperatorPassword.isEmpty());
        EXPECT_EQ(app::CurrentSellerId, seller);
        EXPECT_EQ(Rows(QStringLiteral("SELECT id, seller_name, seller_password FROM seller ORDER BY id")), sellers);
        EXPECT_EQ(Rows(QStringLiteral("SELECT id, seller_id, previous_id FROM logs ORDER BY id")), logins);
        c.closed->Open();
        fSetings->ClearPasswordEdits();
    }
    // The same change with the tables open goes through.
    QTest::keyClicks(fSetings->eNewPass, QStringLiteral("new"));
    QTest::keyClicks(fSetings->eNewPass2, QStringLiteral("new"));
    fSetings->FlatButton1->Click();
    EXPECT_TRUE(Shown(QStringLiteral("Паролата е променена успешно")));
    EXPECT_EQ(Scalar(QStringLiteral("SELECT count(*) FROM seller WHERE seller_password='new'")), 1);
    EXPECT_EQ(app::OperatorPassword, QStringLiteral("new"));
}

// After repair or compaction the program reconnects; when it cannot, it says so and offers the
// login, and never goes on with the datasets closed.
TEST_F(ProgramTest, AFailedReconnectAfterMaintenanceIsToldAndOffersTheLogin)
{
    LoginAsAdministrator();
    ASSERT_TRUE(QFile::copy(Path("EmptyBase.mdb"), Path("NoLogs.mdb")));
    Execute(QStringLiteral("DROP TABLE logs"), "NoLogs.mdb");
    const struct {
        const char* name;
        QString database;
    } cases[] = {
        {"the connection refused", Path("Nowhere.mdb")},
        {"the datasets cannot open", Path("NoLogs.mdb")},
    };
    bool loginOffered = false;
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        fPasswordDlg->eDataBase->SetText(QStringLiteral("CarVantel.MDB"));
        if (!DM->VantelDataBase->Connected()) LoginAsAdministrator();
        // The login dialog names the database the program goes back to.
        fPasswordDlg->eDataBase->SetText(c.database);
        host_.ClearShown();
        host_.AnswerQuestion(QStringLiteral("Връзката с базата данни не бе възстановена !"), mrYes);
        loginOffered = false;
        host_.OnForm(QStringLiteral("fPasswordDlg"), [&](TForm&) {
            loginOffered = true;
            return mrCancel;
        });
        fSetings->eRepbaseName->SetText(QStringLiteral("carvantel.mdb"));
        fSetings->fbtCompact->Click();
        EXPECT_TRUE(Shown(QStringLiteral("Базата е сбита успешно !")));
        EXPECT_TRUE(Shown(QStringLiteral("Връзката с базата данни не бе възстановена !")));
        EXPECT_TRUE(loginOffered);
        EXPECT_FALSE(DM->VantelDataBase->Connected());
        EXPECT_FALSE(DM->tblSale->Active());
        EXPECT_FALSE(DM->tblSeller->Active());
    }
}

TEST_F(ProgramTest, OkFiltersTheOrderListShowsTheCashBoxAndSaves)
{
    ASSERT_EQ(Login(QStringLiteral("Администратор"), QString()), mrOk);
    fSetings->cbxCashBoxNum->SetText(QStringLiteral("5"));
    fSetings->cbxChangeLanguage->SetChecked(true);
    fSetings->cbxShowUPayed->SetChecked(false);
    fSetings->OKBtnClick(nullptr);
    EXPECT_EQ(DM->tblSale->Filter(),
              QStringLiteral("([myfirm_id]=-1 AND [cashbox_num]=5 AND [invoice_piment]=True)"));
    EXPECT_TRUE(DM->tblSale->Filtered());
    EXPECT_EQ(fCarVantel->stCashBox->Caption(), QStringLiteral("КАСА № 5"));
    EXPECT_TRUE(fCarVantel->Language1->Visible());
    EXPECT_TRUE(SettingsBytes().contains("\r\nCurrentCasheBox=5\r\n"));
    EXPECT_TRUE(SettingsBytes().contains("\r\nChangeLanguage=Yes\r\n"));
}

// The login dialog and the settings window write the file through one place: whichever saves,
// the file holds the same lines, the login's own values and the settings window's alike.
TEST_F(ProgramTest, TheSettingsWindowWritesTheSameFileAsTheLoginDialog)
{
    const QByteArray pwd = EncodeText(QStringLiteral("тайна"), QString::fromLatin1(kPasswordKey)).toUtf8();
    WriteSettings("Database=CarVantel.MDB\r\nLogin Name=" + QStringLiteral("Мария").toUtf8() + "\r\nSP=Yes\r\nPWD=" +
                  pwd + "\r\nCurrentFirmID=4\r\nUpDelivery=25\r\n");
    Restart();
    ASSERT_EQ(Login(QStringLiteral("Мария"), QStringLiteral("тайна")), mrOk);
    fSetings->cbxCashBoxNum->SetText(QStringLiteral("5"));
    fSetings->cbxKochanNom->SetText(QStringLiteral("2"));
    fSetings->eFirmName->SetText(QStringLiteral("Автосервиз Изток"));
    fSetings->cbxShowUPayed->SetChecked(false);
    fSetings->cbxDynamic->SetChecked(false);

    fSetings->eArchiveCount->SetText(QString());
    fPasswordDlg->SaveSettings();
    const QByteArray byLogin = SettingsBytes();
    ASSERT_TRUE(QFile::remove(Path("Set.dll")));
    fSetings->eArchiveCount->SetText(QString());
    fSetings->OKBtnClick(nullptr);
    const QByteArray bySettingsWindow = SettingsBytes();

    EXPECT_EQ(bySettingsWindow, byLogin);
    for (const QByteArray& line :
         {QByteArray("Database=CarVantel.MDB\r\n"), "\r\nLogin Name=" + QStringLiteral("Мария").toUtf8() + "\r\n",
          QByteArray("\r\nCurrentCasheBox=5\r\n"), QByteArray("\r\nCurrentBook=2\r\n"),
          QByteArray("\r\nArchiveCount=10\r\n"), QByteArray("\r\nCurrentFirmID=4\r\n"),
          QByteArray("\r\nUpDelivery=25\r\n"), QByteArray("\r\nShowUPayed=No\r\n"),
          QByteArray("\r\nDynamCheck=No\r\n"), "\r\nPWD=" + pwd + "\r\n"})
        EXPECT_TRUE(bySettingsWindow.contains(line)) << line.constData();
}

TEST_F(ProgramTest, AllowingChangesAnsweredWithHelpStaysOff)
{
    host_.AnswerQuestion(QStringLiteral("В този режим можете да променяте"), mrNo);
    fSetings->cbChangeSaleData->SetChecked(true);
    EXPECT_FALSE(fSetings->cbChangeSaleData->Checked());
    EXPECT_FALSE(fSetings->cbxKochanNom->isEnabled());

    host_.AnswerQuestion(QStringLiteral("В този режим можете да променяте"), mrYes);
    fSetings->cbChangeSaleData->SetChecked(true);
    fSetings->cbxPayedOrNot->SetChecked(true);
    EXPECT_TRUE(fSetings->cbxKochanNom->isEnabled());
    EXPECT_TRUE(fCarVantel->cbxPayed->isEnabled());
}

TEST_F(ProgramTest, DefaultsOfTheArchiveTabAndTheProfiles)
{
    fSetings->TabControl1->SetTabIndex(1);
    fSetings->eArchiveCount->SetText(QStringLiteral("8"));
    fSetings->cbAutoArchive->SetChecked(false);
    fSetings->FlatButton3Click(nullptr);
    EXPECT_EQ(fSetings->eArchiveCount->Text(), QStringLiteral("3"));
    EXPECT_TRUE(fSetings->cbAutoArchive->Checked());
    EXPECT_EQ(fSetings->edtArchiveName->Text(), QStringLiteral("carvantel_archive.mdb"));

    fSetings->N2->Click();
    EXPECT_FALSE(fSetings->cbWarnings->Checked());
    EXPECT_TRUE(fSetings->cbMessages->Checked());
    EXPECT_TRUE(fSetings->N2->Checked());
    fSetings->N3->Click();
    EXPECT_FALSE(fSetings->cbMessages->Checked());
    EXPECT_FALSE(fSetings->N2->Checked());
}

TEST_F(ProgramTest, TheArchiveCopyIsAWholeDatabaseAndAsksBeforeOverwriting)
{
    ASSERT_EQ(Login(QStringLiteral("Администратор"), QString()), mrOk);
    fSetings->edtArchiveName->SetText(Path("archive.mdb"));
    fSetings->FlatButton2Click(nullptr);
    EXPECT_TRUE(Shown(QStringLiteral("Базата данни бе архивирана успешно !")));
    EXPECT_EQ(Scalar(QStringLiteral("SELECT count(*) FROM seller"), "archive.mdb"), 1);

    Execute(QStringLiteral("DELETE FROM logs"), "archive.mdb");
    host_.AnswerQuestion(QStringLiteral("Файлът вече съществува !"), mrNo);
    fSetings->FlatButton2Click(nullptr);
    EXPECT_EQ(Scalar(QStringLiteral("SELECT count(*) FROM logs"), "archive.mdb"), 0);
}

TEST_F(ProgramTest, CompactionReconnectsAndReopens)
{
    ASSERT_EQ(Login(QStringLiteral("Администратор"), QString()), mrOk);
    fSetings->eRepbaseName->SetText(QStringLiteral("carvantel.mdb"));
    fSetings->fbtCompactClick(nullptr);
    EXPECT_TRUE(Shown(QStringLiteral("Базата е сбита успешно !")));
    EXPECT_TRUE(FileExists(Path("Temp.mdb")));
    EXPECT_TRUE(DM->VantelDataBase->Connected());
    EXPECT_TRUE(DM->tblSale->Active());
    EXPECT_EQ(Scalar(QStringLiteral("SELECT count(*) FROM seller")), 1);
}

TEST_F(ProgramTest, RepairWithAnotherUserConnectedOnlyReportsAndReconnects)
{
    ASSERT_EQ(Login(QStringLiteral("Администратор"), QString()), mrOk);
    TDaoDatabase other;
    other.SetVersion(QStringLiteral("3.6"));
    other.SetDatabase(Path("CarVantel.mdb"));
    other.SetDatabasePassword(QString::fromLatin1(shopschema::kDatabasePassword));
    other.SetConnected(true);

    host_.AnswerQuestion(QStringLiteral("Има свързани към базата потребители !"), mrNo);
    fSetings->fbtRepairClick(nullptr);
    EXPECT_FALSE(Shown(QStringLiteral("Базата е възстановена успешно !")));
    EXPECT_FALSE(FileExists(Path("Temp.mdb")));
    EXPECT_TRUE(fErrorDescription->edtDescription->Lines().Text().contains(QStringLiteral("Свързани в момента са :")));
    EXPECT_TRUE(DM->VantelDataBase->Connected());
    EXPECT_TRUE(DM->tblSale->Active());
    fErrorDescription->Hide();
    other.SetConnected(false);
}

TEST_F(ProgramTest, MaintenanceIsRefusedWhenTheUsersCannotBeCounted)
{
    ASSERT_EQ(Login(QStringLiteral("Администратор"), QString()), mrOk);
    struct Case {
        const char* name;
        std::function<void()> arrange;
    } cases[] = {
        {"no user-list library", [] { DM->dbInfo->SetDaoInfoDll(QStringLiteral("other.dll")); }},
        {"no such file", [this] { fSetings->eRepbaseName->SetText(Path("Nowhere.mdb")); }},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        host_.ClearShown();
        c.arrange();
        fSetings->fbtCompactClick(nullptr);
        EXPECT_TRUE(Shown(QStringLiteral("Не може да се установи дали към базата има свързани потребители !")));
        EXPECT_FALSE(Shown(QStringLiteral("Базата е сбита успешно !")));
        EXPECT_FALSE(FileExists(Path("Temp.mdb")));
        EXPECT_FALSE(FileExists(Path("Nowhere.mdb")));
        EXPECT_TRUE(DM->VantelDataBase->Connected());
        EXPECT_TRUE(DM->tblSale->Active());
    }
}

// Whatever stands in the cash box number reaches the order filter only as a number; what is no
// cash box number is refused at OK and changes nothing.
TEST_F(ProgramTest, TheCashBoxNumberReachesTheOrderFilterOnlyAsANumber)
{
    ASSERT_EQ(Login(QStringLiteral("Администратор"), QString()), mrOk);
    const struct {
        const char* typed;
        int number;  // 0: refused
    } cases[] = {
        {"5", 5}, {" 7 ", 7}, {"035", 35}, {"32767", 32767}, {"1 OR 1=1", 0}, {"", 0},
        {"0", 0}, {"40000", 0}, {"-3", 0}, {"2)", 0}, {"1;", 0},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.typed);
        fSetings->cbxCashBoxNum->SetText(QString::fromUtf8(c.typed));
        QString filter;
        fCarVantel->BuildSaleFilter(filter);
        EXPECT_EQ(filter, QStringLiteral("([myfirm_id]=-1 AND [cashbox_num]=%1)").arg(c.number ? c.number : 1));

        DM->tblSale->SetFiltered(false);
        DM->tblSale->SetFilter(QStringLiteral("[id]>0"));
        host_.ClearShown();
        fSetings->SetModalResult(mrOk);
        fSetings->OKBtnClick(nullptr);
        if (c.number) {
            EXPECT_FALSE(Shown(QStringLiteral("Невалиден номер на каса !")));
            EXPECT_EQ(DM->tblSale->Filter(), QStringLiteral("([myfirm_id]=-1 AND [cashbox_num]=%1)").arg(c.number));
            EXPECT_TRUE(DM->tblSale->Filtered());
        } else {
            EXPECT_TRUE(Shown(QStringLiteral("Невалиден номер на каса !")));
            EXPECT_EQ(fSetings->ModalResult(), mrNone);  // the window stays open
            EXPECT_EQ(DM->tblSale->Filter(), QStringLiteral("[id]>0"));
            EXPECT_FALSE(DM->tblSale->Filtered());
            EXPECT_FALSE(SettingsBytes().contains("CurrentCasheBox=" + QByteArray(c.typed) + "\r\n"));
        }
    }
}

}  // namespace
