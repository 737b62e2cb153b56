// The own firms window: choosing the firm of the order and of the settings, the search that
// prefers a whole name, returning on "&Отказ", deleting only firms no order names, and a whole
// IBAN stored.

#include "ListWindowFixture.h"

#include "app/settings/SettingsFile.h"
#include "app/windows/uFirmSet.h"
#include "controls/FlatButton.h"
#include "platform/toolkit/gui/DBGrid.h"

#include <QLineEdit>
#include <QTest>

namespace {

const QString kFirmInUse =
    QStringLiteral("За да премахнете тази фирма от списъка,\rтрябва да изтриете всички документи свързани с нея .");
const QString kDeleteQuestion = QStringLiteral("Текущия ред от таблицата ще бъде премахнат !");
const QString kDeleteFailed = QStringLiteral("Поради възникнала грешка, записът не бе премахнат !");

class FirmSetTest : public ListWindowTest {
protected:
    TDaoTable* Firms() const { return DM->tblMyFirm; }
    QString Setting(const char* key) const
    {
        TSettingsFile file;
        file.Load();
        return file.Value(QString::fromLatin1(key));
    }
    // The current firm of the settings is "Вантел ООД" (1); orders are listed for every firm.
    void StartWithFirmOne()
    {
        app::CurrentFirmId = 1;
        fSetings->eFirmName->SetText(QStringLiteral("Вантел ООД"));
        fSetings->cbxOnlythisF->SetChecked(false);
    }
};

TEST_F(FirmSetTest, ChoosingAFirmSetsTheOrderWhenDirtyAndTheSettingsWhenAsked)
{
    const struct {
        bool onlyThis;
        bool dirty;
    } cases[] = {{false, false}, {false, true}, {true, false}, {true, true}};
    for (const auto& c : cases) {
        SCOPED_TRACE(testing::Message() << "only this " << c.onlyThis << ", dirty " << c.dirty);
        Execute(QStringLiteral("UPDATE sale SET myfirm_id=2, tax_rate=20 WHERE id=2"));
        DM->tblSale->Close();
        DM->tblSale->Open();
        GoTo(DM->tblSale, 2);
        StartWithFirmOne();
        app::OrderDirty = c.dirty;
        filtersApplied = firmsChosen = 0;

        const TModalResult result = OpenWindow("fFirmSet", [&](TForm&) {
            fFirmSet->tbxSearchValue->SetText(QStringLiteral("Авто"));
            fFirmSet->cbxOnlyThis->SetChecked(c.onlyThis);
            fFirmSet->bYes->Click();
            return mrNone;
        });
        EXPECT_EQ(result, mrOk);
        if (DM->tblSale->State() == dsEdit) DM->tblSale->Post();

        const TRows expectedSale = c.dirty ? TRows{{"3", "9"}} : TRows{{"2", "20"}};
        EXPECT_EQ(Rows(QStringLiteral("SELECT myfirm_id, tax_rate FROM sale WHERE id=2")), expectedSale);
        EXPECT_EQ(app::CurrentFirmId, c.onlyThis ? 3 : 1);
        EXPECT_EQ(fSetings->eFirmName->Text(), c.onlyThis ? QStringLiteral("Авто") : QStringLiteral("Вантел ООД"));
        EXPECT_EQ(fSetings->cbxOnlythisF->Checked(), c.onlyThis);
        EXPECT_EQ(Setting("OnlyForThisFirm"), c.onlyThis ? QStringLiteral("Yes") : QStringLiteral("No"));
        EXPECT_EQ(Setting("CurrentFirm"), fSetings->eFirmName->Text());
        EXPECT_EQ(Setting("CurrentFirmID"), QString::number(app::CurrentFirmId));
        EXPECT_EQ(filtersApplied, 1);
        EXPECT_EQ(firmsChosen, 1);
        EXPECT_FALSE(app::RenumberingLines);
    }
}

TEST_F(FirmSetTest, TheWindowStartsWithTheSettingsChoiceOfOneFirm)
{
    for (const bool onlyThis : {true, false}) {
        fSetings->cbxOnlythisF->SetChecked(onlyThis);
        bool shown = !onlyThis;
        OpenWindow("fFirmSet", [&](TForm&) {
            shown = fFirmSet->cbxOnlyThis->Checked();
            return mrCancel;
        });
        EXPECT_EQ(shown, onlyThis);
    }
}

TEST_F(FirmSetTest, ANewFirmWithoutANameIsNotChosenNorStored)
{
    StartWithFirmOne();
    const TModalResult result = OpenWindow("fFirmSet", [&](TForm&) {
        Firms()->Append();
        Firms()->FieldByName(QStringLiteral("mol"))->SetAsString(QStringLiteral("Без име"));
        fFirmSet->bYes->Click();
        EXPECT_EQ(fFirmSet->ModalResult(), mrNone);
        fFirmSet->bCancel->Click();
        return mrNone;
    });
    EXPECT_EQ(result, mrCancel);
    EXPECT_TRUE(Shown(QStringLiteral("Въведете данните на фирмата !")));
    EXPECT_EQ(Scalar(QStringLiteral("SELECT count(*) FROM myfirm")), 4);
    EXPECT_EQ(app::CurrentFirmId, 1);
    EXPECT_EQ(Firms()->State(), dsBrowse);
}

TEST_F(FirmSetTest, ANewFirmWithANameIsStoredAndChosen)
{
    StartWithFirmOne();
    OpenWindow("fFirmSet", [&](TForm&) {
        fFirmSet->cbxOnlyThis->SetChecked(true);
        Firms()->Append();
        Firms()->FieldByName(QStringLiteral("myfirm_name"))->SetAsString(QStringLiteral("Нова ООД"));
        Firms()->FieldByName(QStringLiteral("DDS"))->SetAsInteger(20);
        fFirmSet->bYes->Click();
        return mrNone;
    });
    const TRows stored = Rows(QStringLiteral("SELECT id FROM myfirm WHERE myfirm_name='Нова ООД'"));
    ASSERT_EQ(stored.size(), 1u);
    EXPECT_EQ(app::CurrentFirmId, stored[0][0].toInt());
    EXPECT_EQ(fSetings->eFirmName->Text(), QStringLiteral("Нова ООД"));
}

TEST_F(FirmSetTest, CancelAfterScrollingReturnsToTheFirmOfTheOpening)
{
    GoTo(Firms(), 2);
    const TModalResult result = OpenWindow("fFirmSet", [&](TForm&) {
        Firms()->Last();
        fFirmSet->bCancel->Click();
        return mrNone;
    });
    EXPECT_EQ(result, mrCancel);
    EXPECT_EQ(CurrentId(Firms()), 2);
    EXPECT_EQ(filtersApplied, 0);
}

TEST_F(FirmSetTest, EscapeInACellCancelsTheCellFirstThenTheWindow)
{
    GoTo(Firms(), 2);
    OpenWindow("fFirmSet", [&](TForm&) {
        fFirmSet->DBGrid1->setFocus();
        Firms()->Edit();
        Firms()->FieldByName(QStringLiteral("phone"))->SetAsString(QStringLiteral("999"));
        PressKey(fFirmSet->DBGrid1, Qt::Key_Escape);
        EXPECT_EQ(Firms()->State(), dsBrowse);
        EXPECT_EQ(fFirmSet->ModalResult(), mrNone);
        PressKey(fFirmSet->DBGrid1, Qt::Key_Escape);
        EXPECT_EQ(fFirmSet->ModalResult(), mrCancel);
        return mrNone;
    });
    EXPECT_EQ(Rows(QStringLiteral("SELECT phone FROM myfirm WHERE id=2")), (TRows{{""}}));
}

TEST_F(FirmSetTest, EnterChoosesFromTheGridAndFromTheSearchBox)
{
    for (const bool fromSearch : {false, true}) {
        StartWithFirmOne();
        const TModalResult result = OpenWindow("fFirmSet", [&](TForm&) {
            fFirmSet->cbxOnlyThis->SetChecked(true);
            fFirmSet->tbxSearchValue->SetText(QStringLiteral("свободна"));
            QWidget* target = fromSearch ? static_cast<QWidget*>(fFirmSet->tbxSearchValue) : fFirmSet->DBGrid1;
            target->setFocus();
            PressKey(target, Qt::Key_Return, Qt::NoModifier, QStringLiteral("\r"));
            return mrNone;
        });
        EXPECT_EQ(result, mrOk) << fromSearch;
        EXPECT_EQ(app::CurrentFirmId, 4) << fromSearch;
    }
}

TEST_F(FirmSetTest, AWholeNameWinsOverALongerNameThatStartsWithIt)
{
    OpenWindow("fFirmSet", [&](TForm&) {
        const struct {
            const char* typed;
            int id;
        } cases[] = {{"Авто", 3}, {"авто", 3}, {"авто п", 2}, {"Ван", 1}, {"Авто Плюс", 2}, {"АВТО", 3}};
        for (const auto& c : cases) {
            fFirmSet->tbxSearchValue->SetText(QString::fromUtf8(c.typed));
            EXPECT_EQ(CurrentId(Firms()), c.id) << c.typed;
        }
        return mrCancel;
    });
}

TEST_F(FirmSetTest, ASearchInAnEmptyListStoresNothing)
{
    Execute(QStringLiteral("DELETE FROM sale; DELETE FROM myfirm;"));
    Firms()->Close();
    Firms()->Open();
    OpenWindow("fFirmSet", [&](TForm&) {
        fFirmSet->tbxSearchValue->SetText(QStringLiteral("Авто"));
        EXPECT_EQ(Firms()->State(), dsBrowse);
        EXPECT_TRUE(Firms()->IsEmpty());
        return mrCancel;
    });
    EXPECT_EQ(Scalar(QStringLiteral("SELECT count(*) FROM myfirm")), 0);
}

TEST_F(FirmSetTest, AFirmNamedByAnyOrderIsNotDeleted)
{
    fSetings->cbMessages->SetChecked(true);
    for (const int id : {1, 2, 3}) {
        host_.ClearShown();
        OpenWindow("fFirmSet", [&](TForm&) {
            GoTo(Firms(), id);
            fFirmSet->bDel->Click();
            return mrCancel;
        });
        EXPECT_EQ(Messages(), QStringList{kFirmInUse}) << id;
        EXPECT_EQ(Scalar(QStringLiteral("SELECT count(*) FROM myfirm WHERE id=%1").arg(id)), 1) << id;
    }
}

TEST_F(FirmSetTest, AFirmNoOrderNamesGoesOnYesOrUnaskedAndStaysOnNo)
{
    const struct {
        bool messages;
        TModalResult answer;
        qint64 left;
    } cases[] = {{true, mrNo, 1}, {true, mrYes, 0}, {false, mrNone, 0}};
    for (const auto& c : cases) {
        SCOPED_TRACE(c.answer);
        Execute(QStringLiteral("INSERT OR IGNORE INTO myfirm (id, myfirm_name, DDS, deleted) VALUES (4, 'Свободна ЕООД', 0, 0)"));
        Firms()->Close();
        Firms()->Open();
        fSetings->cbMessages->SetChecked(c.messages);
        host_.ClearShown();
        if (c.answer != mrNone) host_.AnswerQuestion(kDeleteQuestion, c.answer);
        OpenWindow("fFirmSet", [&](TForm&) {
            GoTo(Firms(), 4);
            fFirmSet->bDel->Click();
            return mrCancel;
        });
        EXPECT_EQ(Scalar(QStringLiteral("SELECT count(*) FROM myfirm WHERE id=4")), c.left);
        EXPECT_EQ(Shown(kDeleteQuestion), c.messages);
    }
}

TEST_F(FirmSetTest, DeletingTheCurrentFirmLeavesNewOrdersWithoutOne)
{
    fSetings->cbMessages->SetChecked(false);
    app::CurrentFirmId = 4;
    fSetings->eFirmName->SetText(QStringLiteral("Свободна ЕООД"));
    OpenWindow("fFirmSet", [&](TForm&) {
        GoTo(Firms(), 4);
        fFirmSet->bDel->Click();
        return mrCancel;
    });
    EXPECT_EQ(Scalar(QStringLiteral("SELECT count(*) FROM myfirm WHERE id=4")), 0);
    EXPECT_EQ(app::CurrentFirmId, -1);
    EXPECT_EQ(fSetings->eFirmName->Text(), QString());
    EXPECT_EQ(Setting("CurrentFirmID"), QStringLiteral("-1"));
    EXPECT_EQ(Setting("CurrentFirm"), QString());
}

TEST_F(FirmSetTest, AFailingReferenceQueryRefusesTheDelete)
{
    fSetings->cbMessages->SetChecked(false);
    Execute(QStringLiteral("ALTER TABLE sale RENAME TO sale_elsewhere"));
    OpenWindow("fFirmSet", [&](TForm&) {
        GoTo(Firms(), 4);
        fFirmSet->bDel->Click();
        return mrCancel;
    });
    EXPECT_TRUE(Shown(kDeleteFailed));
    EXPECT_EQ(Scalar(QStringLiteral("SELECT count(*) FROM myfirm WHERE id=4")), 1);
}

TEST_F(FirmSetTest, CtrlDelInTheGridRunsTheWindowsOwnDelete)
{
    fSetings->cbMessages->SetChecked(true);
    OpenWindow("fFirmSet", [&](TForm&) {
        GoTo(Firms(), 1);
        fFirmSet->DBGrid1->setFocus();
        PressKey(fFirmSet->DBGrid1, Qt::Key_Delete, Qt::ControlModifier);
        return mrCancel;
    });
    EXPECT_EQ(Messages(), QStringList{kFirmInUse});
    EXPECT_EQ(Scalar(QStringLiteral("SELECT count(*) FROM myfirm WHERE id=1")), 1);
}

TEST_F(FirmSetTest, AWholeIbanTypedIntoTheGridIsStored)
{
    const QString iban = QStringLiteral("BG80BNBG96611020345678");
    const QString bic = QStringLiteral("UNCRBGSFXXX");
    OpenWindow("fFirmSet", [&](TForm&) {
        GoTo(Firms(), 4);
        for (const auto& [field, text] : {std::pair{"bank_account", iban}, std::pair{"code_bank", bic}})
            TypeIntoCell(fFirmSet->DBGrid1, Firms()->FieldByName(QString::fromLatin1(field)), text);
        Firms()->Post();
        return mrCancel;
    });
    EXPECT_EQ(Rows(QStringLiteral("SELECT bank_account, code_bank FROM myfirm WHERE id=4")), (TRows{{iban, bic}}));
}

TEST_F(FirmSetTest, TheMainWindowsFirmsMenuOpensTheWindow)
{
    ASSERT_TRUE(fCarVantel->N10->Enabled());
    host_.AnswerForm(QStringLiteral("fFirmSet"), mrCancel);
    fCarVantel->N10->Click();
    ASSERT_EQ(host_.Shown().size(), 1u);
    EXPECT_EQ(host_.Shown()[0].Name, QStringLiteral("fFirmSet"));
}

}  // namespace
