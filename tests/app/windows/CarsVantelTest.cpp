#include "ProgramFixture.h"

#include "app/windows/uMyMessage.h"
#include "controls/FlatButton.h"
#include "dataaccess/DaoTable.h"
#include "platform/toolkit/DateTime.h"
#include "platform/toolkit/Fields.h"
#include "platform/toolkit/gui/DBControls.h"
#include "platform/toolkit/gui/DBGrid.h"
#include "platform/toolkit/gui/Menus.h"
#include "platform/toolkit/gui/Tabs.h"
#include "platform/toolkit/gui/ImageList.h"
#include "platform/toolkit/gui/ToolBar.h"

#include <QApplication>
#include <QImage>
#include <QLineEdit>
#include <QTest>

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
    // A name with a line break after it is no plain name: refused before any SQL is made.
    EXPECT_THROW(exists("seller\n", "id", QStringLiteral("1")), EDatabaseError);
    EXPECT_THROW(exists("seller", "id\n", QStringLiteral("1")), EDatabaseError);
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
                            fCarVantel->N18, fCarVantel->SpeedButtons1, fCarVantel->Exit1, fCarVantel->New1,
                            fCarVantel->Append1, fCarVantel->Dell1, fCarVantel->Refresh1, fCarVantel->Rollback1,
                            fCarVantel->N19, fCarVantel->Next1, fCarVantel->Previous1, fCarVantel->N20,
                            fCarVantel->Refresh2, fCarVantel->CacheBox1, fCarVantel->CashFinish1, fCarVantel->N10, fCarVantel->Employee1,
                            fCarVantel->Client1, fCarVantel->Banks1, fCarVantel->Articles1,
                            fCarVantel->N14, fCarVantel->Commit1, fCarVantel->Find1, fCarVantel->N21,
                            fCarVantel->Print3, fCarVantel->Availability1})
        EXPECT_TRUE(item->Enabled()) << item->objectName().toStdString();
    EXPECT_TRUE(fCarVantel->FlatButton1->isEnabled());
    EXPECT_TRUE(fCarVantel->fbtAppend->isEnabled());
    EXPECT_TRUE(fCarVantel->fbtEmployee->isEnabled());
    EXPECT_TRUE(fCarVantel->fbtStore->isEnabled());
    EXPECT_TRUE(fCarVantel->fbtFirms->isEnabled());
    EXPECT_TRUE(fCarVantel->fbtCarSearch->isEnabled());
    EXPECT_TRUE(fCarVantel->fbtClientSearch->isEnabled());

    auto* settings = fCarVantel->ToolBar1->findChild<TToolButton*>(QStringLiteral("ToolButton11"));
    ASSERT_NE(settings, nullptr);
    for (TToolButton* button : {fCarVantel->tbtFirst, fCarVantel->tbtPreviews, fCarVantel->tbtNext, fCarVantel->tbtLast})
        EXPECT_TRUE(button->isEnabled()) << button->objectName().toStdString();
    EXPECT_TRUE(fCarVantel->tbtDell->isEnabled());
    EXPECT_TRUE(fCarVantel->ToolBar1->findChild<TToolButton*>(QStringLiteral("ToolButton2"))->isEnabled());
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

// --- the order document ------------------------------------------------------------------------

namespace {

// A setting as the settings file gives it, without the settings window's questions.
void Tick(TCheckBox* box, bool checked)
{
    const QSignalBlocker quiet(box);
    box->setChecked(checked);
}

// The order window over the seeded shop: five orders, their cars, clients and lines.
class OrderWindowTest : public ProgramTest {
protected:
    void SetUp() override
    {
        ProgramTest::SetUp();
        ASSERT_EQ(Login(kAdmin, QString()), mrOk);
        Seed("orders.sql");
        Restart();
        ASSERT_EQ(Login(kAdmin, QString()), mrOk);
        List(false, false, false, true);
    }
    void TearDown() override
    {
        if (fCarVantel) fCarVantel->Hide();
        ProgramTest::TearDown();
    }

    void Seed(const char* name)
    {
        QFile file(QStringLiteral(CARVANTEL_FIXTURES "/") + QString::fromLatin1(name));
        ASSERT_TRUE(file.open(QIODevice::ReadOnly));
        Execute(QString::fromUtf8(file.readAll()));
    }

    // The list filter settings, then the list shown again.
    static void List(bool onlyThisFirm, bool onlyThisCash, bool hideAnnulled, bool showUnpaid)
    {
        Tick(fSetings->cbxOnlythisF, onlyThisFirm);
        Tick(fSetings->cbxOnlythisCash, onlyThisCash);
        Tick(fSetings->cbxDontShowAnullDock, hideAnnulled);
        Tick(fSetings->cbxShowUPayed, showUnpaid);
        fCarVantel->ApplySaleFilter();
    }

    static qint32 ShownOrder()
    {
        return DM->tblSale->IsEmpty() ? 0 : DM->tblSale->FieldByName(QStringLiteral("id"))->AsInteger();
    }

    static std::vector<qint32> ListedOrders()
    {
        std::vector<qint32> ids;
        TDataSet* sale = DM->tblSale;
        const qint32 shown = ShownOrder();
        for (sale->First(); !sale->Eof(); sale->Next())
            ids.push_back(sale->FieldByName(QStringLiteral("id"))->AsInteger());
        GoToOrder(shown);
        return ids;
    }

    static void GoToOrder(qint32 id)
    {
        if (id == 0) return;
        ShowOrder(id);
    }

    // Every order's status, stamp and count as the file holds them.
    QString OrderRows() const
    {
        QString rows = QString::number(Scalar(QStringLiteral("SELECT count(*) FROM sale")));
        for (int id = 1; id <= 5; ++id)
            rows += QStringLiteral(" %1:%2/%3/%4")
                        .arg(Scalar(QStringLiteral("SELECT invoice_annul FROM sale WHERE id=%1").arg(id)))
                        .arg(Scalar(QStringLiteral("SELECT invoice_piment FROM sale WHERE id=%1").arg(id)))
                        .arg(Scalar(QStringLiteral("SELECT CAST(last_modified*86400 AS INTEGER) FROM sale WHERE id=%1")
                                        .arg(id)));
        return rows;
    }

    QStringList LineNumbers(qint32 saleId) const
    {
        QStringList numbers;
        const qint64 count = Scalar(QStringLiteral("SELECT count(*) FROM sale_detail WHERE sale_id=%1").arg(saleId));
        for (qint64 i = 0; i < count; ++i)
            numbers << QString::number(Scalar(QStringLiteral("SELECT cur_prod_count FROM sale_detail WHERE sale_id=%1 "
                                                             "ORDER BY cur_prod_count LIMIT 1 OFFSET %2")
                                                  .arg(saleId)
                                                  .arg(i)));
        return numbers;
    }

    // A new order, answered Yes, on screen and unlocked.
    qint32 NewOrder()
    {
        host_.AnswerQuestion(QStringLiteral("Нова поръчка ?!"), mrYes);
        fCarVantel->Append1Click(nullptr);
        return ShownOrder();
    }
};

TEST_F(OrderWindowTest, TheListFollowsTheFilterSettings)
{
    const struct Case {
        bool onlyThisFirm, onlyThisCash, hideAnnulled, showUnpaid;
        qint32 firm;
        const char* filter;
        std::vector<qint32> listed;
        TColor firmColour;
    } cases[] = {
        {false, false, false, true, 1, "", {1, 2, 3, 4, 5}, 7105791},
        {false, false, false, false, 1, "([invoice_piment]=True)", {1, 2, 4, 5}, 7105791},
        {true, false, false, true, 2, "([myfirm_id]=2)", {2, 5}, 6316128},
        {true, true, true, false, 1,
         "([myfirm_id]=1 AND [cashbox_num]=1 AND [invoice_annul]=False AND [invoice_piment]=True)", {1}, 6316128},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.filter);
        app::CurrentFirmId = c.firm;
        fSetings->cbxCashBoxNum->SetText(QStringLiteral("1"));
        List(c.onlyThisFirm, c.onlyThisCash, c.hideAnnulled, c.showUnpaid);
        EXPECT_EQ(DM->tblSale->Filter(), QString::fromLatin1(c.filter));
        EXPECT_EQ(ListedOrders(), c.listed);
        EXPECT_EQ(ShownOrder(), c.listed.back());
        EXPECT_EQ(fCarVantel->DBTName->FontColor(), c.firmColour);
        EXPECT_EQ(fCarVantel->DBText_DDS->FontColor(), c.firmColour);
    }
}

TEST_F(OrderWindowTest, ShowingFillsThePanelsFromTheOrdersCarClientAndFirm)
{
    GoToOrder(2);
    EXPECT_EQ(fCarVantel->dbcbMark->Text(), QStringLiteral("Opel"));
    EXPECT_EQ(fCarVantel->dbcbModel->Text(), QStringLiteral("Vectra"));
    EXPECT_EQ(fCarVantel->dbeCarNumber->Text(), QStringLiteral("PB2222BB"));
    EXPECT_EQ(fCarVantel->dbeMotorNum->Text(), QStringLiteral("Щ-102"));
    EXPECT_EQ(fCarVantel->dbeFrameNum->Text(), QStringLiteral("WOL2"));
    EXPECT_EQ(fCarVantel->dbcbGorivo->Text(), QStringLiteral("газ"));
    EXPECT_EQ(fCarVantel->dbeName->Text(), QStringLiteral("Петър Петров"));
    EXPECT_EQ(fCarVantel->dbePhone->Text(), QStringLiteral("0888222222"));
    EXPECT_EQ(fCarVantel->dbeFirmName->Text(), QStringLiteral("Петров ООД"));
    EXPECT_EQ(fCarVantel->dbeFirmAddres->Text(), QStringLiteral("Пловдив, ул. Втора 2"));
    EXPECT_EQ(fCarVantel->dbeTaxNom->Text(), QStringLiteral("1000000002"));
    EXPECT_EQ(fCarVantel->dbeBulstat->Text(), QStringLiteral("100000002"));
    EXPECT_EQ(fCarVantel->DBTName->text(), QStringLiteral("Вантел Търговия"));
    EXPECT_EQ(fCarVantel->DBText_DDS->text(), QStringLiteral("20"));
    EXPECT_EQ(fCarVantel->ShownCarId(), 2);
    EXPECT_EQ(fCarVantel->ShownClientId(), 2);
    EXPECT_FALSE(app::CarEdited);
    EXPECT_FALSE(app::ClientEdited);
    // The model list is the make's.
    QStringList models;
    for (int i = 0; i < fCarVantel->dbcbModel->count(); ++i) models << fCarVantel->dbcbModel->itemText(i);
    models.sort();
    EXPECT_EQ(models, (QStringList{QStringLiteral("Astra"), QStringLiteral("Corsa"), QStringLiteral("Vectra")}));

    // The car of order 3 is gone: its panel is empty, the client's is not.
    GoToOrder(3);
    for (TEdit* edit : {fCarVantel->dbeCarNumber, fCarVantel->dbeMotorNum, fCarVantel->dbeFrameNum})
        EXPECT_TRUE(edit->Text().isEmpty());
    EXPECT_TRUE(fCarVantel->dbcbMark->Text().isEmpty());
    EXPECT_EQ(fCarVantel->dbcbModel->count(), 0);
    EXPECT_EQ(fCarVantel->dbcbGorivo->Text(), QStringLiteral("бензин"));
    EXPECT_EQ(fCarVantel->ShownCarId(), 0);
    EXPECT_EQ(fCarVantel->dbeName->Text(), QStringLiteral("Мария Маринова"));
    EXPECT_FALSE(app::CarEdited);
    EXPECT_FALSE(app::ClientEdited);
}

TEST_F(OrderWindowTest, TheStatusBoxesMirrorTheRow)
{
    const struct {
        qint32 order;
        bool invoice, annulled, finished, paid;
    } cases[] = {{1, false, false, true, true},
                 {2, true, false, true, true},
                 {3, false, true, false, false},
                 {4, true, true, false, true},
                 {5, false, false, false, true},
                 {2, true, false, true, true},
                 {3, false, true, false, false},
                 {1, false, false, true, true}};
    constexpr TColor kOn = 7105791, kOff = 6316128;
    const QString before = OrderRows();
    for (const auto& c : cases) {
        SCOPED_TRACE(c.order);
        GoToOrder(c.order);
        EXPECT_EQ(fCarVantel->cbxInvoice->Checked(), c.invoice);
        EXPECT_EQ(fCarVantel->cbxAnnul->Checked(), c.annulled);
        EXPECT_EQ(fCarVantel->cbxFinnished->Checked(), c.finished);
        EXPECT_EQ(fCarVantel->cbxPayed->Checked(), c.paid);
        // What the boxes do is shown too: the number typed only for an invoice, the two colours.
        EXPECT_EQ(fCarVantel->DBE_invoice_num->ReadOnly(), !c.invoice);
        EXPECT_EQ(fCarVantel->fbtPrint->isHidden(), !c.invoice);
        EXPECT_EQ(fCarVantel->cbxAnnul->FontColor(), c.annulled ? kOn : kOff);
        EXPECT_EQ(fCarVantel->cbxFinnished->FontColor(), c.finished ? kOn : kOff);
    }
    // None of it was written.
    EXPECT_EQ(OrderRows(), before);
}

TEST_F(OrderWindowTest, AnOrdersCarAndClientAreFoundByTheirWholeIdNeverByAPrefix)
{
    // Rows whose ids start with the missing car's and client's ids, read before them.
    Execute(QStringLiteral(
        "INSERT INTO car (id, client_id, mark, model, car_number, free) VALUES (991, 3, 'VW', 'Polo', 'X9910XX', 0);"
        "INSERT INTO client (id, name, free) VALUES (71, 'Чужд Клиент', 0);"
        "UPDATE sale SET client_id=7 WHERE id=3;"));
    Restart();
    ASSERT_EQ(Login(kAdmin, QString()), mrOk);
    List(false, false, false, true);
    for (TDaoTable* table : {DM->tblCar, DM->tblClient}) {
        table->SortedBy().Clear();
        table->SortedBy().Add(QStringLiteral("[id] DESC"));
        table->ReopenDaoRecordset();
    }
    ASSERT_EQ(DM->tblCar->FieldByName(QStringLiteral("id"))->AsInteger(), 991);
    GoToOrder(3);
    EXPECT_EQ(fCarVantel->ShownCarId(), 0);
    EXPECT_TRUE(fCarVantel->dbeCarNumber->Text().isEmpty());
    EXPECT_EQ(fCarVantel->ShownClientId(), 0);
    EXPECT_TRUE(fCarVantel->dbeName->Text().isEmpty());
    // The ids that are there are found as they stand.
    GoToOrder(2);
    EXPECT_EQ(fCarVantel->ShownCarId(), 2);
    EXPECT_EQ(fCarVantel->ShownClientId(), 2);
    EXPECT_EQ(DM->tblMyFirm->FieldByName(QStringLiteral("id"))->AsInteger(), 2);
}

TEST_F(OrderWindowTest, ShowingAnOrderWritesNothingEvenWithTheBoxHandlersBound)
{
    // Box handlers that store what they show, as the status boxes do.
    int handled = 0;
    for (TCheckBox* box : {fCarVantel->cbxInvoice, fCarVantel->cbxAnnul, fCarVantel->cbxFinnished, fCarVantel->cbxPayed})
        box->OnClick = [&handled, box](QObject*) {
            ++handled;
            DM->tblSale->Edit();
            DM->tblSale->FieldByName(box == fCarVantel->cbxPayed ? QStringLiteral("invoice_piment")
                                                                  : QStringLiteral("invoice_annul"))
                ->SetAsBoolean(box->Checked());
            DM->tblSale->Post();
        };
    const QString before = OrderRows();
    GoToOrder(3);
    fCarVantel->tbtNextClick(nullptr);
    EXPECT_EQ(ShownOrder(), 4);
    fCarVantel->tbtNextClick(nullptr);
    EXPECT_EQ(ShownOrder(), 5);
    app::CurrentFirmId = 99;
    List(true, false, false, true);
    EXPECT_TRUE(DM->tblSale->IsEmpty());
    EXPECT_FALSE(fCarVantel->cbxPayed->Checked());
    EXPECT_EQ(handled, 0);
    EXPECT_EQ(OrderRows(), before);
}

TEST_F(OrderWindowTest, MovingShowsTheOrderAndLocksIt)
{
    using TMove = void (TfCarVantel::*)(QObject*);
    const struct {
        qint32 from;
        TMove move;
        qint32 to;
    } cases[] = {
        {3, &TfCarVantel::tbtFirstClick, 1}, {3, &TfCarVantel::tbtPreviewsClick, 2},
        {3, &TfCarVantel::tbtNextClick, 4},  {3, &TfCarVantel::tbtLastClick, 5},
        {1, &TfCarVantel::tbtPreviewsClick, 1}, {5, &TfCarVantel::tbtNextClick, 5},
    };
    Tick(fSetings->cbChangeSaleData, true);
    for (const auto& c : cases) {
        SCOPED_TRACE(c.from);
        GoToOrder(c.from);
        fCarVantel->Rollback1Click(nullptr);
        ASSERT_FALSE(app::OrderLocked);
        (fCarVantel->*c.move)(nullptr);
        EXPECT_EQ(ShownOrder(), c.to);
        EXPECT_TRUE(app::OrderLocked);
        EXPECT_FALSE(fCarVantel->dbeName->isEnabled());
        EXPECT_TRUE(fCarVantel->MyDBGrid1->ReadOnly());
    }
    // Menu items move too.
    fCarVantel->N19->Click();
    EXPECT_EQ(ShownOrder(), 1);
    fCarVantel->Next1->Click();
    EXPECT_EQ(ShownOrder(), 2);

    // An empty list: nothing to move to, nothing shown.
    app::CurrentFirmId = 99;
    List(true, false, false, true);
    for (TMove move : {&TfCarVantel::tbtFirstClick, &TfCarVantel::tbtPreviewsClick, &TfCarVantel::tbtNextClick,
                       &TfCarVantel::tbtLastClick})
        (fCarVantel->*move)(nullptr);
    EXPECT_TRUE(DM->tblSale->IsEmpty());
    EXPECT_TRUE(fCarVantel->dbeName->Text().isEmpty());
    EXPECT_EQ(Scalar(QStringLiteral("SELECT count(*) FROM sale")), 5);
}

TEST_F(OrderWindowTest, LeavingAChangedOrderAsksAndNoMarksItUnfinished)
{
    const struct {
        bool warnings;
        TModalResult answer;
        bool asked;
        qint64 finished;  // order 1's invoice_accept afterwards
    } cases[] = {{true, mrYes, true, -1}, {true, mrNo, true, 0}, {false, mrNone, false, -1}};
    for (const auto& c : cases) {
        SCOPED_TRACE(c.answer);
        Execute(QStringLiteral("UPDATE sale SET invoice_accept=-1, seller_id=7, last_modified=46001.5 WHERE id=1"));
        // Within its lot's stock, so that the finish a Yes runs can pass.
        Execute(QStringLiteral("UPDATE sale_detail SET sale_quantity=1 WHERE id=1"));
        fCarVantel->RequeryOrder();
        GoToOrder(1);
        Tick(fSetings->cbWarnings, c.warnings);
        ASSERT_TRUE(fCarVantel->cbxFinnished->Checked());
        app::OrderDirty = true;
        host_.ClearShown();
        if (c.asked) host_.AnswerQuestion(QStringLiteral("трябва да приключите поръчката !"), c.answer);
        fCarVantel->tbtNextClick(nullptr);
        EXPECT_EQ(Shown(QStringLiteral("За да няма загуба на данни,\rтрябва да приключите поръчката !")), c.asked);
        EXPECT_EQ(ShownOrder(), 2);
        EXPECT_EQ(Scalar(QStringLiteral("SELECT invoice_accept FROM sale WHERE id=1")), c.finished);
        if (c.answer == mrNo) {
            EXPECT_EQ(Scalar(QStringLiteral("SELECT seller_id FROM sale WHERE id=1")), app::CurrentSellerId.toLongLong());
            EXPECT_GT(Scalar(QStringLiteral("SELECT last_modified > 46001.5 FROM sale WHERE id=1")), 0);
            EXPECT_FALSE(app::OrderDirty);
        }
    }
}

TEST_F(OrderWindowTest, ExitingWithoutFinishingAChangedOrderMarksItUnfinished)
{
    // A finished order whose line was changed afterwards: kept finished, its new quantity would
    // leave stock unchecked and its stored total would no longer be its lines'.
    Execute(QStringLiteral("UPDATE sale SET invoice_accept=-1, seller_id=7, last_modified=46001.5 WHERE id=1"));
    fCarVantel->RequeryOrder();
    GoToOrder(1);
    ASSERT_TRUE(fCarVantel->cbxFinnished->Checked());
    Tick(fSetings->cbWarnings, true);
    DM->tblSaleDetail->Edit();
    DM->tblSaleDetail->FieldByName(QStringLiteral("sale_quantity"))->SetAsFloat(500);
    DM->tblSaleDetail->Post();
    ASSERT_TRUE(app::OrderDirty);
    host_.AnswerQuestion(QStringLiteral("трябва да приключите поръчката !"), mrNo);
    host_.AnswerQuestion(QStringLiteral("Наистина ли искате да затворите програмата ?"), mrYes);
    EXPECT_TRUE(fCarVantel->CloseQuery());
    EXPECT_TRUE(Shown(QStringLiteral("За да няма загуба на данни,\rтрябва да приключите поръчката !")));
    EXPECT_EQ(Scalar(QStringLiteral("SELECT invoice_accept FROM sale WHERE id=1")), 0);
    EXPECT_EQ(Scalar(QStringLiteral("SELECT seller_id FROM sale WHERE id=1")), app::CurrentSellerId.toLongLong());
    EXPECT_GT(Scalar(QStringLiteral("SELECT last_modified > 46001.5 FROM sale WHERE id=1")), 0);
    EXPECT_EQ(Scalar(QStringLiteral("SELECT count(*) FROM sale")), 5);
    EXPECT_FALSE(app::OrderDirty);
}

// What the person types into the panels of a new order is the order's: leaving it, by the
// exit or for another order, asks as a changed line does, and keeping it unfinished stores the
// car and the client as new rows the order names, there again after a new start. A new order
// left untyped stores no empty car or client.
TEST_F(OrderWindowTest, TheTypedCarAndClientAreKeptWhenTheOrderIsLeftUnfinished)
{
    const struct {
        const char* name;
        bool exit;
        bool typed;
    } cases[] = {{"exit", true, true}, {"move", false, true}, {"move, nothing typed", false, false}};
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        Tick(fSetings->cbMessages, true);
        Tick(fSetings->cbWarnings, true);
        const qint64 cars = Scalar(QStringLiteral("SELECT count(*) FROM car"));
        const qint64 clients = Scalar(QStringLiteral("SELECT count(*) FROM client"));
        const qint32 id = NewOrder();
        ASSERT_GT(id, 5);
        const QString number = QStringLiteral("CA%1XX").arg(id);
        if (c.typed) {
            QTest::keyClicks(fCarVantel->dbcbMark->lineEdit(), QStringLiteral("Opel"));
            QTest::keyClicks(fCarVantel->dbeCarNumber, number);
            TypeKeys(fCarVantel->dbeName, QStringLiteral("Стоян Стоянов"));
            QTest::keyClicks(fCarVantel->dbeTaxNom, QStringLiteral("BG1234567890"));
        }
        host_.ClearShown();
        host_.AnswerQuestion(QStringLiteral("трябва да приключите поръчката !"), mrNo);
        if (c.exit) {
            host_.AnswerQuestion(QStringLiteral("Наистина ли искате да затворите програмата ?"), mrYes);
            EXPECT_TRUE(fCarVantel->CloseQuery());
            Restart();
            ASSERT_EQ(Login(kAdmin, QString()), mrOk);
            List(false, false, false, true);
        } else {
            fCarVantel->tbtFirstClick(nullptr);
            EXPECT_EQ(ShownOrder(), 1);
        }
        EXPECT_TRUE(Shown(QStringLiteral("За да няма загуба на данни,\rтрябва да приключите поръчката !")));
        EXPECT_EQ(Scalar(QStringLiteral("SELECT invoice_accept FROM sale WHERE id=%1").arg(id)), 0);
        if (!c.typed) {
            EXPECT_EQ(Scalar(QStringLiteral("SELECT count(*) FROM car")), cars);
            EXPECT_EQ(Scalar(QStringLiteral("SELECT count(*) FROM client")), clients);
            continue;
        }
        EXPECT_EQ(Scalar(QStringLiteral("SELECT count(*) FROM car")), cars + 1);
        EXPECT_EQ(Scalar(QStringLiteral("SELECT count(*) FROM client")), clients + 1);
        EXPECT_EQ(Rows(QStringLiteral("SELECT car.mark, car.car_number, client.name, client.tax_num FROM sale "
                                      "JOIN car ON car.id=sale.car_id JOIN client ON client.id=sale.client_id "
                                      "WHERE sale.id=%1")
                           .arg(id)),
                  (TRows{{"Opel", number, "Стоян Стоянов", "BG1234567890"}}));
        GoToOrder(id);
        EXPECT_EQ(fCarVantel->dbeCarNumber->Text(), number);
        EXPECT_EQ(fCarVantel->dbcbMark->Text(), QStringLiteral("Opel"));
        EXPECT_EQ(fCarVantel->dbeName->Text(), QStringLiteral("Стоян Стоянов"));
        EXPECT_FALSE(app::OrderDirty);
    }
}

TEST_F(OrderWindowTest, ANewOrderIsStampedNumberedAndOpen)
{
    const struct {
        const char* book;
        const char* cashBox;
        qint64 storedBook;
    } cases[] = {{"3", "2", 3}, {"x", "1", 0}};
    qint64 number = 5;
    for (const auto& c : cases) {
        SCOPED_TRACE(c.book);
        fSetings->cbxKochanNom->SetText(QString::fromLatin1(c.book));
        fSetings->cbxCashBoxNum->SetText(QString::fromLatin1(c.cashBox));
        GoToOrder(2);
        const qint32 id = NewOrder();
        ASSERT_GT(id, 5);
        ++number;
        const auto value = [&](const char* field) {
            return Scalar(QStringLiteral("SELECT %1 FROM sale WHERE id=%2").arg(QString::fromLatin1(field)).arg(id));
        };
        EXPECT_EQ(value("kochan_num"), c.storedBook);
        EXPECT_EQ(value("cashbox_num"), QString::fromLatin1(c.cashBox).toLongLong());
        EXPECT_EQ(value("myfirm_id"), 2);
        EXPECT_EQ(value("tax_rate"), 20);
        EXPECT_EQ(value("seller_id"), app::CurrentSellerId.toLongLong());
        EXPECT_EQ(value("sale_num"), number);
        EXPECT_EQ(value("last_modified IS NOT NULL"), 1);
        EXPECT_EQ(fCarVantel->DBE_sale_num->Text(), QString::number(number));
        EXPECT_FALSE(app::OrderLocked);
        EXPECT_TRUE(fCarVantel->lblEditing->Visible());
        EXPECT_EQ(fCarVantel->lblEditing->Caption(), QStringLiteral("Неприключена сметка!"));
        EXPECT_TRUE(app::CarEdited);
        EXPECT_TRUE(app::ClientEdited);
        EXPECT_TRUE(fCarVantel->dbeName->isEnabled());
        EXPECT_FALSE(fCarVantel->MyDBGrid1->ReadOnly());
        EXPECT_TRUE(fCarVantel->dbeName->Text().isEmpty());
        EXPECT_TRUE(fSetings->cbxOnlythisF->Checked());
        // Leaving it unfinished keeps it as it is.
        app::CarEdited = app::ClientEdited = false;
    }
}

TEST_F(OrderWindowTest, TheFirstOrderOfAnEmptyShopIsNumberOne)
{
    Execute(QStringLiteral("DELETE FROM sale_detail; DELETE FROM sale;"));
    fCarVantel->RequeryOrder();
    DM->tblMyFirm->First();
    const qint32 id = NewOrder();
    EXPECT_EQ(Scalar(QStringLiteral("SELECT sale_num FROM sale WHERE id=%1").arg(id)), 1);
    EXPECT_EQ(Scalar(QStringLiteral("SELECT myfirm_id FROM sale WHERE id=%1").arg(id)), 1);
}

TEST_F(OrderWindowTest, AnotherStationsOrderStoredMeanwhileKeepsItsNumber)
{
    DM->tblSale->BeforePost = [this](TDataSet*) {
        Execute(QStringLiteral("INSERT INTO sale (id, sale_num, myfirm_id) VALUES (50, 6, 1)"));
    };
    const qint32 id = NewOrder();
    DM->tblSale->BeforePost = nullptr;
    EXPECT_EQ(Scalar(QStringLiteral("SELECT sale_num FROM sale WHERE id=%1").arg(id)), 7);
    EXPECT_EQ(Scalar(QStringLiteral("SELECT count(*) FROM sale WHERE sale_num=6")), 1);
}

TEST_F(OrderWindowTest, NoNewOrderWithoutAnOwnFirmOrWhenTheQuestionIsAnsweredNo)
{
    host_.AnswerQuestion(QStringLiteral("Нова поръчка ?!"), mrNo);
    fCarVantel->Append1Click(nullptr);
    EXPECT_EQ(Scalar(QStringLiteral("SELECT count(*) FROM sale")), 5);

    Execute(QStringLiteral("DELETE FROM myfirm"));
    DM->tblMyFirm->Close();
    DM->tblMyFirm->Open();
    for (TModalResult answer : {mrYes, mrNo}) {
        host_.ClearShown();
        host_.AnswerQuestion(QStringLiteral("Не сте установили данните на вашата фирма !"), answer);
        fCarVantel->New1->Click();
        EXPECT_TRUE(Shown(QStringLiteral("Не сте установили данните на вашата фирма !\rИскате ли да го сторите сега ?")));
        EXPECT_FALSE(Shown(QStringLiteral("Нова поръчка")));
        EXPECT_EQ(Scalar(QStringLiteral("SELECT count(*) FROM sale")), 5);
    }
}

TEST_F(OrderWindowTest, ANewOrderPutsTheFocusOnTheCarSearch)
{
    fCarVantel->Show();
    fCarVantel->activateWindow();
    TApplication::ProcessMessages();
    NewOrder();
    TApplication::ProcessMessages();
    EXPECT_EQ(TControl::Of(fCarVantel->focusWidget()), fCarVantel->fbtCarSearch);
}

TEST_F(OrderWindowTest, EditModeFollowsTheSettings)
{
    const struct {
        bool changeData, warnings, payedOrNot;
        qint32 order;
        bool unlocked;
        const char* caption;
        bool finishedBoxEnabled;
        bool message;
    } cases[] = {
        {true, true, false, 1, true, "Редактиране", false, false},
        {true, false, true, 5, true, "Неприключена сметка!", true, false},
        {false, true, true, 1, false, "", false, true},
        {false, false, true, 1, false, "", false, false},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.order);
        Tick(fSetings->cbChangeSaleData, c.changeData);
        Tick(fSetings->cbWarnings, c.warnings);
        Tick(fSetings->cbxPayedOrNot, c.payedOrNot);
        GoToOrder(c.order);
        fCarVantel->LockEditing();
        host_.ClearShown();
        QString secondButton;
        host_.OnForm(QStringLiteral("fMyMessage"), [&secondButton](TForm&) {
            secondButton = fMyMessage->CancelBtn->Caption();
            return mrNo;
        });
        fCarVantel->Rollback1->Click();
        EXPECT_EQ(!app::OrderLocked, c.unlocked);
        EXPECT_EQ(fCarVantel->lblEditing->Visible(), c.unlocked);
        if (c.unlocked) {
            EXPECT_EQ(fCarVantel->lblEditing->Caption(), QString::fromUtf8(c.caption));
        }
        EXPECT_EQ(fCarVantel->MyDBGrid1->ReadOnly(), !c.unlocked);
        for (QWidget* control : std::initializer_list<QWidget*>{
                 fCarVantel->dbcbMark, fCarVantel->dbeBulstat, fCarVantel->DBC_tax_kind, fCarVantel->cbxPayed,
                 fCarVantel->cbxAnnul, fCarVantel->cbxInvoice, fCarVantel->DBE_sale_num, fCarVantel->DBE_invoice_date,
                 fCarVantel->lbl_tax_kind})
            EXPECT_EQ(control->isEnabled(), c.unlocked) << control->objectName().toStdString();
        EXPECT_EQ(fCarVantel->cbxFinnished->isEnabled(), c.finishedBoxEnabled);
        EXPECT_EQ(Shown(QStringLiteral("За да редактирате тези данни, трябва да\rнаправите необходимите промени в "
                                       "настройките!!!")),
                  c.message);
        if (c.message) {
            EXPECT_EQ(secondButton, QStringLiteral("&Помощ"));
            EXPECT_EQ(fMyMessage->HelpContext(), 0);
        } else {
            host_.AnswerForm(QStringLiteral("fMyMessage"), mrNo, 0);
        }
    }
}

TEST_F(OrderWindowTest, TypingMarksThePanelsEditedAndTheMakeListsItsModels)
{
    Tick(fSetings->cbChangeSaleData, true);
    GoToOrder(1);
    fCarVantel->Rollback1Click(nullptr);
    QTest::keyClicks(fCarVantel->dbeName, QStringLiteral("x"));
    EXPECT_TRUE(app::ClientEdited);
    EXPECT_FALSE(app::CarEdited);
    QTest::keyClicks(fCarVantel->dbeFrameNum, QStringLiteral("x"));
    EXPECT_TRUE(app::CarEdited);

    app::CarEdited = false;
    fCarVantel->dbcbMark->showPopup();
    fCarVantel->dbcbMark->hidePopup();
    QStringList makes;
    for (int i = 0; i < fCarVantel->dbcbMark->count(); ++i) makes << fCarVantel->dbcbMark->itemText(i);
    EXPECT_EQ(makes, (QStringList{QStringLiteral("Opel"), QStringLiteral("VW")}));
    EXPECT_EQ(fCarVantel->dbcbMark->Text(), QStringLiteral("Opel"));

    fCarVantel->dbcbMark->lineEdit()->clear();
    QTest::keyClicks(fCarVantel->dbcbMark->lineEdit(), QStringLiteral("VW"));
    EXPECT_TRUE(app::CarEdited);
    QStringList models;
    for (int i = 0; i < fCarVantel->dbcbModel->count(); ++i) models << fCarVantel->dbcbModel->itemText(i);
    models.sort();
    EXPECT_EQ(models, (QStringList{QStringLiteral("Golf"), QStringLiteral("Passat")}));

    // A quote is a character of the make like any other.
    QTest::keyClicks(fCarVantel->dbcbMark->lineEdit(), QStringLiteral("\" OR \"\"=\""));
    EXPECT_EQ(fCarVantel->dbcbModel->count(), 0);
    EXPECT_EQ(host_.CountOf(TShownRecord::Message), 0);
}

TEST_F(OrderWindowTest, APanelTakesNoMoreThanItsFieldHolds)
{
    const struct {
        QWidget* control;
        int length;
    } cases[] = {{fCarVantel->dbeName, 50},      {fCarVantel->dbePhone, 25},  {fCarVantel->dbeFirmName, 50},
                 {fCarVantel->dbeFirmAddres, 50}, {fCarVantel->dbeTaxNom, 15}, {fCarVantel->dbeBulstat, 15},
                 {fCarVantel->dbeCarNumber, 20}, {fCarVantel->dbeMotorNum, 25}, {fCarVantel->dbeFrameNum, 25},
                 {fCarVantel->dbcbMark, 20},     {fCarVantel->dbcbModel, 30},  {fCarVantel->dbcbGorivo, 15}};
    for (const auto& c : cases) {
        SCOPED_TRACE(c.control->objectName().toStdString());
        if (auto* edit = qobject_cast<TEdit*>(c.control))
            EXPECT_EQ(edit->MaxLength(), c.length);
        else
            EXPECT_EQ(qobject_cast<TComboBox*>(c.control)->MaxLength(), c.length);
    }
    NewOrder();
    const QString typed = QString(60, QLatin1Char('x'));
    QTest::keyClicks(fCarVantel->dbeName, typed);
    EXPECT_EQ(fCarVantel->dbeName->Text(), typed.left(50));
    fCarVantel->InsertClient();
    EXPECT_EQ(Scalar(QStringLiteral("SELECT length(name) FROM client WHERE id=%1").arg(fCarVantel->ShownClientId())), 50);
    EXPECT_FALSE(app::ClientEdited);
    EXPECT_GT(fCarVantel->ShownClientId(), 3);
}

// The order's lines, unlocked for editing, with the window on screen.
class OrderLinesTest : public OrderWindowTest {
protected:
    void SetUp() override
    {
        OrderWindowTest::SetUp();
        Tick(fSetings->cbChangeSaleData, true);
        fCarVantel->Show();
        fCarVantel->activateWindow();
        Open(5);
    }

    void Open(qint32 order)
    {
        GoToOrder(order);
        fCarVantel->LockEditing();
        fCarVantel->Rollback1Click(nullptr);
        ASSERT_FALSE(app::OrderLocked);
        TApplication::ProcessMessages();
    }

    TDBGrid* Grid() const { return fCarVantel->MyDBGrid1; }
    TDaoTable* Lines() const { return DM->tblSaleDetail; }

    // Sends a key to the grid as the keyboard would.
    void Key(int key, Qt::KeyboardModifiers modifiers = Qt::NoModifier, const QString& text = QString())
    {
        fCarVantel->activateWindow();
        Grid()->setFocus();
        TApplication::ProcessMessages();
        QWidget* target = QApplication::focusWidget() ? QApplication::focusWidget() : Grid();
        PressKey(target, key, modifiers, text);
        TApplication::ProcessMessages();
    }

    QStringList Cells(int column)
    {
        QStringList texts;
        for (Lines()->First(); !Lines()->Eof(); Lines()->Next())
            texts << Lines()->FieldByName(Grid()->Columns()[column]->FieldName())->DisplayText();
        return texts;
    }

    // Whether the painted row shows text of the colour.
    bool RowShows(int row, TColor colour)
    {
        const QImage shot = Grid()->viewport()->grab().toImage();
        const QRect cell = Grid()->visualRect(Grid()->model()->index(row, 1)).intersected(shot.rect());
        const QRgb wanted = qRgb(colour & 0xFF, (colour >> 8) & 0xFF, (colour >> 16) & 0xFF);
        for (int y = cell.top(); y <= cell.bottom(); ++y)
            for (int x = cell.left(); x <= cell.right(); ++x)
                if ((shot.pixel(x, y) & 0xFFFFFF) == (wanted & 0xFFFFFF)) return true;
        return false;
    }
};

TEST_F(OrderLinesTest, KeysInTheGridAreFilteredByColumnAndLine)
{
    enum TOutcome { Swallowed, Typed, ToCarSearch, ToTotals };
    const struct {
        const char* field;
        int line;  // 0 the stock line, 1 the service line, 2 a new line
        int key;
        const char* text;
        TOutcome outcome;
    } cases[] = {
        {"sale_quantity", 0, Qt::Key_Minus, "-", Swallowed}, {"sale_price", 0, Qt::Key_Minus, "-", Swallowed},
        {"discount", 0, Qt::Key_Minus, "-", Swallowed},      {"dimention", 0, Qt::Key_Minus, "-", Typed},
        {"sale_quantity", 0, Qt::Key_5, "5", Typed},         {"article_name", 0, Qt::Key_A, "a", Swallowed},
        {"article_name", 1, Qt::Key_A, "a", Typed},          {"article_name", 2, Qt::Key_A, "a", Typed},
        {"sale_price", 1, Qt::Key_Escape, "\x1b", ToCarSearch}, {"sale_price", 0, Qt::Key_Tab, "\t", ToTotals},
    };
    bool reached = false;
    QChar passed;
    const TKeyPressEvent handler = Grid()->OnKeyPress;
    Grid()->OnKeyPress = [&](QObject* sender, QChar& key) {
        handler(sender, key);
        reached = true;
        passed = key;
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(std::string(c.field) + " " + c.text);
        if (Lines()->State() != dsBrowse) Lines()->Cancel();
        if (c.line == 2) {
            Lines()->Append();
        } else {
            Lines()->First();
            Lines()->MoveBy(c.line);
        }
        for (int i = 0; i < Grid()->Columns().Count(); ++i)
            if (Grid()->Columns()[i]->FieldName() == QLatin1String(c.field)) Grid()->SetSelectedIndex(i);
        app::MissingStock = true;
        reached = false;
        Key(c.key, Qt::NoModifier, QString::fromUtf8(c.text));
        EXPECT_TRUE(reached);
        EXPECT_FALSE(app::MissingStock);
        switch (c.outcome) {
        case Swallowed:
            EXPECT_TRUE(passed.isNull());
            break;
        case Typed:
            EXPECT_FALSE(passed.isNull());
            break;
        case ToCarSearch:
            EXPECT_EQ(TControl::Of(fCarVantel->focusWidget()), fCarVantel->fbtCarSearch);
            break;
        case ToTotals:
            EXPECT_EQ(fCarVantel->focusWidget(), fCarVantel->Panel3);
            break;
        }
    }
    if (Lines()->State() != dsBrowse) Lines()->Cancel();
    EXPECT_EQ(Scalar(QStringLiteral("SELECT count(*) FROM sale_detail WHERE sale_id=5")), 2);
}

TEST_F(OrderLinesTest, ShortLinesArePaintedRedAndServicesBlue)
{
    const struct {
        int service;
        const char* reminder;
        double quantity;
        TColor colour;
        bool missing;
    } cases[] = {
        {-1, "0", 1, 13144667, false},
        {0, "3", 3, 6316128, false},
        {0, "2", 3, 7105791, true},
        {0, "NULL", 2, 7105791, true},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.reminder);
        Execute(QStringLiteral("UPDATE sale_detail SET service=%1, quantity_reminder=%2, sale_quantity=%3 WHERE id=2")
                    .arg(c.service)
                    .arg(QString::fromLatin1(c.reminder))
                    .arg(c.quantity));
        fCarVantel->RequeryOrder();
        app::MissingStock = false;
        Grid()->viewport()->repaint();
        EXPECT_TRUE(RowShows(0, c.colour));
        EXPECT_EQ(RowShows(0, 7105791), c.missing);
        EXPECT_EQ(app::MissingStock, c.missing);
    }
    // The service line stays blue whatever its quantities.
    EXPECT_TRUE(RowShows(1, 13144667));
}

TEST_F(OrderLinesTest, TheHintTellsTheLinesStockAndDeliveryPrice)
{
    Lines()->First();
    fCarVantel->MyDBGrid1MouseMove(Grid(), Qt::NoModifier, 10, 30);
    EXPECT_EQ(Grid()->Hint(), QStringLiteral("Маслен филтър < кол. 3 > - д.ц. 8.00"));
    Tick(fSetings->cbMessages, false);
    Grid()->viewport()->repaint();
    EXPECT_FALSE(Grid()->ShowHint());
}

TEST_F(OrderLinesTest, LinesAddedWithCtrlInsAreNumberedAndDeletingRenumbers)
{
    const qint32 order = NewOrder();
    for (int i = 0; i < 3; ++i) {
        Key(Qt::Key_Insert, Qt::ControlModifier);
        Lines()->FieldByName(QStringLiteral("article_name"))->SetAsString(QStringLiteral("Труд %1").arg(i));
    }
    Lines()->Post();
    fCarVantel->MyDBGrid1Exit(Grid());
    EXPECT_EQ(LineNumbers(order), (QStringList{"1", "2", "3"}));
    EXPECT_FALSE(app::LineAdded);
    EXPECT_FALSE(app::RenumberingLines);

    Tick(fSetings->cbMessages, false);
    Lines()->First();
    Lines()->Next();
    Key(Qt::Key_Delete, Qt::ControlModifier);
    EXPECT_EQ(LineNumbers(order).size(), 3);

    Tick(fSetings->cbMessages, true);
    host_.AnswerQuestion(QStringLiteral("Текущия ред от таблицата ще бъде премахнат !"), mrYes);
    Key(Qt::Key_Delete, Qt::ControlModifier);
    EXPECT_TRUE(Shown(QStringLiteral("Текущия ред от таблицата ще бъде премахнат !\rНаистина ли искате това ?")));
    EXPECT_EQ(LineNumbers(order), (QStringList{"1", "2"}));
}

TEST_F(OrderLinesTest, AFailedDeleteSaysSoAndKeepsTheLine)
{
    Lines()->First();
    Lines()->BeforeDelete = [](TDataSet*) { throw EDatabaseError(QStringLiteral("refused")); };
    host_.AnswerQuestion(QStringLiteral("Текущия ред от таблицата ще бъде премахнат !"), mrYes);
    fCarVantel->popClearClick(nullptr);
    Lines()->BeforeDelete = nullptr;
    EXPECT_TRUE(Shown(QStringLiteral("Поради възникнала грешка, записът не бе премахнат !")));
    EXPECT_EQ(Scalar(QStringLiteral("SELECT count(*) FROM sale_detail WHERE sale_id=5")), 2);
}

TEST_F(OrderLinesTest, DeletingTheOnlyLineLeavesTheOrderToBeFinishedAgain)
{
    Open(1);
    app::OrderDirty = false;
    host_.AnswerQuestion(QStringLiteral("Текущия ред от таблицата ще бъде премахнат !"), mrYes);
    fCarVantel->Dell1->Click();
    EXPECT_EQ(Scalar(QStringLiteral("SELECT count(*) FROM sale_detail WHERE sale_id=1")), 0);
    EXPECT_TRUE(app::OrderDirty);
    EXPECT_TRUE(fCarVantel->DBE_Total->Text().isEmpty());
}

TEST_F(OrderLinesTest, ThePopupOffersEditingOnlyInEditModeAndThePairsToggle)
{
    for (bool editing : {true, false}) {
        if (!editing) fCarVantel->tbtNextClick(nullptr);
        fCarVantel->MyGridPopup->OnPopup(fCarVantel->MyGridPopup);
        for (TMenuItem* item : {fCarVantel->popAppend, fCarVantel->popClear, fCarVantel->poReCall, fCarVantel->popCommit})
            EXPECT_EQ(item->Enabled(), editing) << item->objectName().toStdString();
        EXPECT_TRUE(fCarVantel->popFirst->Enabled());
        EXPECT_TRUE(fCarVantel->popRefresh->Enabled());
    }
    EXPECT_TRUE(fCarVantel->dbeDeliveryPrice->isHidden());
    fCarVantel->dbe1Click(nullptr);
    EXPECT_FALSE(fCarVantel->dbeDeliveryPrice->isHidden());
    EXPECT_TRUE(fCarVantel->dbe1->isHidden());
    fCarVantel->dbeDeliveryPriceClick(nullptr);
    EXPECT_TRUE(fCarVantel->dbeDeliveryPrice->isHidden());
    EXPECT_FALSE(fCarVantel->dbe1->isHidden());
    QChar enter = QLatin1Char('\r');
    fCarVantel->dbe2KeyPress(nullptr, enter);
    EXPECT_FALSE(fCarVantel->dbeQutyRem->isHidden());
    EXPECT_TRUE(fCarVantel->dbe2->isHidden());
    EXPECT_TRUE(fCarVantel->dbeQutyRem->ReadOnly());
    fCarVantel->dbeQutyRemClick(nullptr);
    EXPECT_FALSE(fCarVantel->dbe2->isHidden());
}

TEST_F(OrderLinesTest, ValuesAndTotalsComeFromTheDatabase)
{
    EXPECT_EQ(Cells(6), (QStringList{"33.75", "30.00"}));
    EXPECT_EQ(fCarVantel->DBE_Sale_sum->Text(), QStringLiteral("63.75"));
    EXPECT_EQ(fCarVantel->DBE_DDS->Text(), QStringLiteral("12.75"));
    EXPECT_EQ(fCarVantel->DBE_Total->Text(), QStringLiteral("76.50"));
    EXPECT_TRUE(Lines()->FieldByName(QStringLiteral("TotalSaleSum"))->ReadOnly());

    Execute(QStringLiteral("INSERT INTO sale (id, myfirm_id, tax_rate, sale_num) VALUES (6, 1, 20, 6);"
                           "INSERT INTO sale_detail (sale_id, cur_prod_count, article_name, sale_price, discount, "
                           "sale_quantity, service) VALUES (6, 1, 'Труд', 2.78, 20, 1, -1);"));
    fCarVantel->RequeryOrder();
    GoToOrder(6);
    EXPECT_EQ(Cells(6), (QStringList{"2.22"}));
    EXPECT_EQ(fCarVantel->DBE_Sale_sum->Text(), QStringLiteral("2.22"));
    EXPECT_EQ(fCarVantel->DBE_DDS->Text(), QStringLiteral("0.44"));
    EXPECT_EQ(fCarVantel->DBE_Total->Text(), QStringLiteral("2.66"));
}

// A new user's look at an order being written: with CARVANTEL_SCREENSHOT set, the picture of
// the main window is kept there.
TEST_F(OrderLinesTest, ANewOrderWithACarAClientAndThreeLines)
{
    Execute(QStringLiteral("DELETE FROM myfirm WHERE id=2"));
    DM->tblMyFirm->Close();
    DM->tblMyFirm->Open();
    const qint32 order = NewOrder();
    QTest::keyClicks(fCarVantel->dbcbMark->lineEdit(), QStringLiteral("Opel"));
    QTest::keyClicks(fCarVantel->dbcbModel->lineEdit(), QStringLiteral("Astra"));
    QTest::keyClicks(fCarVantel->dbeCarNumber, QStringLiteral("CA7777KX"));
    fCarVantel->dbeName->SetText(QStringLiteral("Георги Георгиев"));
    QTest::keyClicks(fCarVantel->dbePhone, QStringLiteral("0899123456"));
    Execute(QStringLiteral("INSERT INTO sale_detail (sale_id, cur_prod_count, article_name, dimention, sale_price, "
                           "discount, sale_quantity, delivery_price, delivery_detail_id, quantity_reminder, service) "
                           "VALUES (%1, 1, 'Маслен филтър', 'бр.', 12.5, 0, 1, 8, 1, 10, 0),"
                           "(%1, 2, 'Накладки', 'бр.', 45, 5, 2, 30, 4, 1, 0),"
                           "(%1, 3, 'Смяна на масло', 'ч.', 30, 0, 1, 0, NULL, 0, -1)")
                .arg(order));
    fCarVantel->poReCallClick(nullptr);
    DM->tblSaleTotalQuery->Requery();
    TApplication::ProcessMessages();
    EXPECT_EQ(Cells(6), (QStringList{"12.50", "85.50", "30.00"}));
    EXPECT_EQ(fCarVantel->DBE_Total->Text(), QStringLiteral("153.60"));
    EXPECT_TRUE(RowShows(1, 7105791));
    EXPECT_TRUE(RowShows(2, 13144667));
    for (QWidget* panel : std::initializer_list<QWidget*>{fCarVantel->gbCar, fCarVantel->gbClient, fCarVantel->pnlLines,
                                                          fCarVantel->Panel3, fCarVantel->Panel2})
        EXPECT_EQ(ClippedCaptions(panel), QStringList()) << panel->objectName().toStdString();
    const QString keep = qEnvironmentVariable("CARVANTEL_SCREENSHOT");
    if (!keep.isEmpty()) fCarVantel->grab().save(keep);
}

}  // namespace
