// The order window's " >>" and "&Фирма" buttons open the cars, clients and own-firms lists, and
// what is picked there reaches the order's panels and, once finished, its row.

#include "ProgramFixture.h"

#include "app/windows/uCars.h"
#include "app/windows/uClients.h"
#include "app/windows/uFirmSet.h"
#include "controls/FlatButton.h"
#include "dataaccess/DaoTable.h"
#include "platform/toolkit/DataSource.h"
#include "platform/toolkit/Fields.h"
#include "platform/toolkit/gui/DBControls.h"

namespace {

const QString kAdmin = QStringLiteral("Администратор");

void Tick(TCheckBox* box, bool checked)
{
    const QSignalBlocker quiet(box);
    box->setChecked(checked);
}

qint32 CurrentId(TDataSet* table)
{
    return table->FieldByName(QStringLiteral("id"))->AsInteger();
}

// The order window over two own firms, three cars and clients and five orders; every list shown.
class OrderPicksTest : public ProgramTest {
protected:
    void SetUp() override
    {
        ProgramTest::SetUp();
        ASSERT_EQ(Login(kAdmin, QString()), mrOk);
        Seed("orders.sql");
        Restart();
        ASSERT_EQ(Login(kAdmin, QString()), mrOk);
        for (TCheckBox* box : {fSetings->cbxOnlythisF, fSetings->cbxOnlythisCash, fSetings->cbxDontShowAnullDock})
            Tick(box, false);
        Tick(fSetings->cbxShowUPayed, true);
        fCarVantel->ApplySaleFilter();
        fCarVantel->Show();
        host_.ClearShown();
    }
    void TearDown() override
    {
        if (fCarVantel) fCarVantel->Hide();
        ProgramTest::TearDown();
    }

    // A new order, answered Yes; the firm chooser it opens first is answered by `chooseFirm`.
    qint32 NewOrder(TScriptedUiHost::TFormScript chooseFirm)
    {
        host_.AnswerQuestion(QStringLiteral("Нова поръчка ?!"), mrYes);
        host_.OnForm(QStringLiteral("fFirmSet"), std::move(chooseFirm));
        fCarVantel->Append1Click(nullptr);
        return CurrentId(DM->tblSale);
    }
    // A list window's script: types into one of its search boxes and presses "&Избор".
    static TScriptedUiHost::TFormScript PickBy(TEdit* box, const QString& typed, TFlatButton* yes)
    {
        return [box, typed, yes](TForm&) {
            box->SetText(typed);
            yes->Click();
            return mrNone;
        };
    }
    QString Stored(qint32 order, const char* field) const
    {
        const TRows rows = Rows(QStringLiteral("SELECT %1 FROM sale WHERE id=%2").arg(QString::fromLatin1(field)).arg(order));
        return rows.empty() ? QStringLiteral("<none>") : rows.front().front();
    }
};

TEST_F(OrderPicksTest, AFirmCarAndClientPickedThroughTheButtonsAreTheFinishedOrders)
{
    QString chooserOpenedOn;
    const qint32 order = NewOrder([&chooserOpenedOn](TForm&) {
        chooserOpenedOn = fFirmSet->tbxSearchValue->Text();
        EXPECT_TRUE(fFirmSet->cbxOnlyThis->Checked());
        fFirmSet->tbxSearchValue->SetText(QStringLiteral("вантел с"));
        fFirmSet->bYes->Click();
        return mrNone;
    });
    // The list showed order 5, of the second firm: the chooser opened on it.
    EXPECT_EQ(chooserOpenedOn, QStringLiteral("Вантел Търговия"));
    EXPECT_EQ(app::CurrentFirmId, 1);
    EXPECT_EQ(fCarVantel->DBTName->Caption(), QStringLiteral("Вантел Сервиз"));

    host_.OnForm(QStringLiteral("fCars"), PickBy(fCars->tbxSearchValue, QStringLiteral("pb22"), fCars->bYes));
    fCarVantel->fbtCarSearch->Click();
    EXPECT_EQ(fCarVantel->dbeCarNumber->Text(), QStringLiteral("PB2222BB"));
    EXPECT_EQ(fCarVantel->dbcbMark->Text(), QStringLiteral("Opel"));
    EXPECT_EQ(fCarVantel->dbcbModel->Text(), QStringLiteral("Vectra"));
    EXPECT_EQ(fCarVantel->dbeMotorNum->Text(), QStringLiteral("Щ-102"));
    EXPECT_EQ(fCarVantel->dbcbGorivo->Text(), QStringLiteral("газ"));
    EXPECT_FALSE(app::CarEdited);
    EXPECT_TRUE(app::OrderDirty);

    host_.OnForm(QStringLiteral("fClients"),
                 PickBy(fClients->tbxSearchValue2, QStringLiteral("мария"), fClients->bYes));
    fCarVantel->fbtClientSearch->Click();
    EXPECT_EQ(fCarVantel->dbeName->Text(), QStringLiteral("Мария Маринова"));
    EXPECT_EQ(fCarVantel->dbePhone->Text(), QStringLiteral("0888333333"));
    EXPECT_FALSE(app::ClientEdited);
    // With CARVANTEL_SCREENSHOT set, the order as the picks left it is kept under that name.
    if (const QString keep = qEnvironmentVariable("CARVANTEL_SCREENSHOT"); !keep.isEmpty())
        fCarVantel->grab().save(keep + QStringLiteral(".picked.png"));

    fCarVantel->Commit1Click(nullptr);
    EXPECT_EQ(Stored(order, "invoice_accept"), QStringLiteral("-1"));
    EXPECT_EQ(Stored(order, "myfirm_id"), QStringLiteral("1"));
    EXPECT_EQ(Stored(order, "car_id"), QStringLiteral("2"));
    EXPECT_EQ(Stored(order, "client_id"), QStringLiteral("3"));
    // Picked rows are the stored ones: no car or client was added.
    EXPECT_EQ(Scalar(QStringLiteral("SELECT count(*) FROM car")), 3);
    EXPECT_EQ(Scalar(QStringLiteral("SELECT count(*) FROM client")), 3);
}

TEST_F(OrderPicksTest, ALockedOrderOpensNoList)
{
    ASSERT_TRUE(app::OrderLocked);
    fCarVantel->fbtCarSearch->Click();
    fCarVantel->fbtClientSearch->Click();
    EXPECT_EQ(host_.CountOf(TShownRecord::Form), 0);
    EXPECT_EQ(fCarVantel->dbeCarNumber->Text(), QStringLiteral("B3333CC"));
}

TEST_F(OrderPicksTest, ACancelledPickLeavesThePanelAndTheTableAsTheyWere)
{
    NewOrder([](TForm&) { return mrCancel; });
    ASSERT_TRUE(DM->tblCar->Locate(QStringLiteral("id"), 1, {}));
    host_.ClearShown();
    host_.OnForm(QStringLiteral("fCars"), [](TForm&) {
        if (const QString keep = qEnvironmentVariable("CARVANTEL_SCREENSHOT"); !keep.isEmpty())
            fCars->grab().save(keep + QStringLiteral(".carpick.png"));
        fCars->tbxSearchValue->SetText(QStringLiteral("B33"));
        EXPECT_EQ(CurrentId(DM->tblCar), 3);
        EXPECT_FALSE(fCars->bDel->isVisibleTo(fCars));
        EXPECT_TRUE(fCars->DBGrid1->ReadOnly());
        fCars->bCancel->Click();
        return mrNone;
    });
    fCarVantel->fbtCarSearch->Click();
    EXPECT_EQ(host_.CountOf(TShownRecord::Form), 1);
    EXPECT_EQ(CurrentId(DM->tblCar), 1);
    EXPECT_TRUE(fCarVantel->dbeCarNumber->Text().isEmpty());
    EXPECT_TRUE(app::CarEdited);
}

TEST_F(OrderPicksTest, TheFirmButtonOpensTheChooserOnTheOrdersFirm)
{
    const struct {
        bool sourceBound;
        bool choose;
        bool boundAfter;
    } cases[] = {
        {true, false, true},
        {true, true, true},
        {false, false, false},
        // A choice made while the chooser had to bind the list keeps it bound.
        {false, true, true},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(QStringLiteral("bound %1, choose %2").arg(c.sourceBound).arg(c.choose).toStdString());
        ShowOrder(2);
        DM->tblMyFirm->First();
        DM->srcMyFirm->SetDataSet(c.sourceBound ? DM->tblMyFirm : nullptr);
        QString openedOn;
        qint32 rowOnOpening = 0;
        host_.OnForm(QStringLiteral("fFirmSet"), [&](TForm&) {
            openedOn = fFirmSet->tbxSearchValue->Text();
            rowOnOpening = CurrentId(DM->tblMyFirm);
            fFirmSet->cbxOnlyThis->SetChecked(false);
            if (c.choose) fFirmSet->bYes->Click();
            return c.choose ? mrNone : mrCancel;
        });
        fCarVantel->fbtFirms->Click();
        EXPECT_EQ(openedOn, QStringLiteral("Вантел Търговия"));
        EXPECT_EQ(rowOnOpening, 2);
        EXPECT_EQ(DM->srcMyFirm->DataSet() != nullptr, c.boundAfter);
    }
    DM->srcMyFirm->SetDataSet(DM->tblMyFirm);
    // A locked order is not dirty: choosing changed no order.
    EXPECT_EQ(Stored(2, "myfirm_id"), QStringLiteral("2"));
}

// The list follows the chosen firm, but the order being edited stays on screen, unlocked, with
// the chosen firm; one the new filter leaves out gives way to the list's last order, locked.
TEST_F(OrderPicksTest, ChoosingAFirmWhileEditingKeepsTheOrderOnScreen)
{
    Tick(fSetings->cbChangeSaleData, true);
    const struct {
        bool onlyThisCash;
        qint32 shown;
        bool locked;
    } cases[] = {{false, 2, false}, {true, 5, true}};
    for (const auto& c : cases) {
        SCOPED_TRACE(c.onlyThisCash);
        Tick(fSetings->cbxOnlythisCash, false);
        fCarVantel->ApplySaleFilter();
        ShowOrder(2);
        fCarVantel->Rollback1Click(nullptr);
        ASSERT_FALSE(app::OrderLocked);
        app::OrderDirty = true;
        // The settings' cash box is 2: order 2 is of box 1.
        fSetings->cbxCashBoxNum->SetText(QStringLiteral("2"));
        Tick(fSetings->cbxOnlythisCash, c.onlyThisCash);
        host_.OnForm(QStringLiteral("fFirmSet"), [](TForm&) {
            fFirmSet->tbxSearchValue->SetText(QStringLiteral("Вантел С"));
            fFirmSet->cbxOnlyThis->SetChecked(false);
            fFirmSet->bYes->Click();
            return mrNone;
        });
        fCarVantel->fbtFirms->Click();
        EXPECT_EQ(CurrentId(DM->tblSale), c.shown);
        EXPECT_EQ(app::OrderLocked, c.locked);
        EXPECT_EQ(fCarVantel->lblEditing->Visible(), !c.locked);
        EXPECT_EQ(Stored(2, "myfirm_id"), QStringLiteral("1"));
        Execute(QStringLiteral("UPDATE sale SET myfirm_id=2 WHERE id=2"));
        DM->tblSale->RequeryIfRestartable();
    }
    fSetings->cbxCashBoxNum->SetText(QStringLiteral("1"));
}

TEST_F(OrderPicksTest, ANewOrderWithoutAnOwnFirmOpensTheFirmsOnYes)
{
    Execute(QStringLiteral("DELETE FROM myfirm"));
    DM->tblMyFirm->Close();
    DM->tblMyFirm->Open();
    for (const TModalResult answer : {mrYes, mrNo}) {
        host_.ClearShown();
        host_.AnswerQuestion(QStringLiteral("Не сте установили данните на вашата фирма !"), answer);
        bool opened = false;
        host_.OnForm(QStringLiteral("fFirmSet"), [&opened](TForm&) {
            opened = true;
            return mrCancel;
        });
        fCarVantel->Append1Click(nullptr);
        EXPECT_EQ(opened, answer == mrYes);
        EXPECT_EQ(Scalar(QStringLiteral("SELECT count(*) FROM sale")), 5);
    }
}

}  // namespace
