// The makes and models window: the models listed per make (quotes in a make included), the make
// a saved model gets, rows saved on closing, deletes, and the filter dropped on closing.

#include "ListWindowFixture.h"

#include "app/windows/uModel.h"
#include "controls/FlatButton.h"
#include "platform/toolkit/gui/DBGrid.h"
#include "platform/toolkit/gui/StandardControls.h"

namespace {

const QString kAll = QStringLiteral("###  Всички  ###");
const QString kDeleteQuestion = QStringLiteral("Текущия ред от таблицата ще бъде премахнат !");

class ModelTest : public ListWindowTest {
protected:
    TDaoTable* Models() const { return DM->tblModel; }
    QStringList ModelNames() const
    {
        QStringList names;
        for (Models()->First(); !Models()->Eof(); Models()->Next())
            names << Models()->FieldByName(QStringLiteral("model_name"))->AsString();
        return names;
    }
    void ChooseMake(const QString& make)
    {
        fModel->dbcbMark->SetText(make);
        fModel->dbcbMarkChange(fModel->dbcbMark);
    }
};

TEST_F(ModelTest, TheBoxTextChoosesTheModelsListedAndTheMakeAModelIsSavedWith)
{
    const struct {
        QString box;
        QStringList listed;
        const char* savedMake;  // of model 1 ("Опел") after an edit
    } cases[] = {
        {kAll, {"Астра", "Вектра", "Фокус", "2121"}, "Опел"},
        {QString(), {"Астра", "Вектра", "Фокус", "2121"}, "Опел"},
        {QStringLiteral("Форд"), {"Фокус"}, "Форд"},
        {QStringLiteral("Лада \"Нива\""), {"2121"}, "Лада \"Нива\""},
    };
    OpenWindow("fModel", [&](TForm&) {
        for (const auto& c : cases) {
            SCOPED_TRACE(c.box.toStdString());
            ChooseMake(c.box);
            EXPECT_EQ(ModelNames(), c.listed);
            Models()->SetFiltered(false);
            GoTo(Models(), 1);
            Models()->Edit();
            Models()->FieldByName(QStringLiteral("model_name"))->SetAsString(QStringLiteral("Астра"));
            Models()->Post();
            EXPECT_EQ(Rows(QStringLiteral("SELECT mark_name FROM model WHERE id=1")),
                      (TRows{{QString::fromUtf8(c.savedMake)}}));
            Execute(QStringLiteral("UPDATE model SET mark_name='Опел' WHERE id=1"));
            Models()->Close();
            Models()->Open();
        }
        return mrCancel;
    });
}

TEST_F(ModelTest, AddingAModelWithAMakeChosenGivesItThatMake)
{
    OpenWindow("fModel", [&](TForm&) {
        fModel->bYes->Click();
        EXPECT_EQ(fModel->dbcbMark->Text(), QString());
        EXPECT_GE(fModel->dbcbMark->Items().Count(), 4);
        EXPECT_EQ(fModel->dbcbMark->Items()[0], kAll);
        ChooseMake(QStringLiteral("Мазда"));
        Models()->Append();
        Models()->FieldByName(QStringLiteral("model_name"))->SetAsString(QStringLiteral("626"));
        Models()->Post();
        return mrCancel;
    });
    EXPECT_EQ(Rows(QStringLiteral("SELECT mark_name FROM model WHERE model_name='626'")), (TRows{{"Мазда"}}));
}

TEST_F(ModelTest, SaveThenExitStoresTheRowAndClosingDropsTheFilter)
{
    OpenWindow("fModel", [&](TForm&) {
        ChooseMake(QStringLiteral("Опел"));
        EXPECT_TRUE(Models()->Filtered());
        Models()->Append();
        Models()->FieldByName(QStringLiteral("model_name"))->SetAsString(QStringLiteral("Корса"));
        fModel->FlatButton1->Click();
        fModel->bCancel->Click();
        return mrNone;
    });
    EXPECT_EQ(Rows(QStringLiteral("SELECT mark_name FROM model WHERE model_name='Корса'")), (TRows{{"Опел"}}));
    EXPECT_FALSE(Models()->Filtered());
    EXPECT_EQ(Models()->Filter(), QString());
    EXPECT_EQ(Models()->State(), dsBrowse);
}

TEST_F(ModelTest, ClosingDropsANewRowWithoutAName)
{
    OpenWindow("fModel", [&](TForm&) {
        ChooseMake(QStringLiteral("Опел"));
        Models()->Append();
        fModel->bCancel->Click();
        return mrNone;
    });
    EXPECT_EQ(Scalar(QStringLiteral("SELECT count(*) FROM model")), 4);
    EXPECT_EQ(Models()->State(), dsBrowse);
}

TEST_F(ModelTest, AModelGoesOnlyOnYesWithQuestionsOn)
{
    const struct {
        bool messages;
        TModalResult answer;
        qint64 left;
    } cases[] = {{false, mrNone, 1}, {true, mrNo, 1}, {true, mrYes, 0}};
    for (const auto& c : cases) {
        SCOPED_TRACE(c.answer);
        fSetings->cbMessages->SetChecked(c.messages);
        if (c.answer != mrNone) host_.AnswerQuestion(kDeleteQuestion, c.answer);
        OpenWindow("fModel", [&](TForm&) {
            ChooseMake(QStringLiteral("Опел"));
            GoTo(Models(), 2);
            fModel->bDel->Click();
            EXPECT_TRUE(Models()->Filtered());
            return mrCancel;
        });
        EXPECT_EQ(Scalar(QStringLiteral("SELECT count(*) FROM model WHERE id=2")), c.left);
    }
}

TEST_F(ModelTest, TheAllMakesBoxTakesNoTyping)
{
    OpenWindow("fModel", [&](TForm&) {
        fModel->dbcbMark->SetText(kAll);
        for (const QChar typed : {QChar(u'x'), QChar(u'\b'), QChar(u'\r')}) {
            QChar key = typed;
            fModel->dbcbMarkKeyPress(fModel->dbcbMark, key);
            EXPECT_TRUE(key.isNull());
        }
        QChar escape = QLatin1Char('\x1b');
        fModel->dbcbMarkKeyPress(fModel->dbcbMark, escape);
        EXPECT_EQ(escape, QLatin1Char('\x1b'));
        ChooseMake(QString());
        QChar letter = QLatin1Char('x');
        fModel->dbcbMarkKeyPress(fModel->dbcbMark, letter);
        EXPECT_EQ(letter, QLatin1Char('x'));
        return mrCancel;
    });
}

TEST_F(ModelTest, TheMainWindowsMenuOpensTheWindow)
{
    ASSERT_TRUE(fCarVantel->N8->Enabled());
    host_.AnswerForm(QStringLiteral("fModel"), mrCancel);
    fCarVantel->N8->Click();
    ASSERT_EQ(host_.Shown().size(), 1u);
    EXPECT_EQ(host_.Shown()[0].Name, QStringLiteral("fModel"));
}

}  // namespace
