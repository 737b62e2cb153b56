// The closings list: the operator's box only, newest first, closed and unfiltered afterwards.

#include "GridPrintout.h"
#include "ProgramFixture.h"

#include "app/windows/uCashFinish.h"
#include "controls/FlatButton.h"
#include "dataaccess/DaoTable.h"
#include "platform/toolkit/Fields.h"
#include "platform/toolkit/gui/DBGrid.h"

namespace {

TEST_F(ProgramTest, TheClosingsListShowsTheBoxsClosingsNewestFirst)
{
    LoginAsAdministrator();
    Seed("cash_period.sql");
    fSetings->cbxCashBoxNum->SetText(QStringLiteral("1"));
    QStringList ids;
    const TModalResult result = OpenWindow("fCashFinish", [&](TForm& form) {
        auto& window = static_cast<TfCashFinish&>(form);
        EXPECT_EQ(window.Caption(), QStringLiteral("Приключвания на каса"));
        TDataSet* closings = window.DBGrid1->DataSet();
        for (closings->First(); !closings->Eof(); closings->Next())
            ids << closings->FieldByName(QStringLiteral("id"))->AsString();
        QStringList titles;
        for (int i = 0; i < window.DBGrid1->Columns().Count(); ++i)
            titles << window.DBGrid1->Columns()[i]->Title().Caption();
        EXPECT_EQ(titles, (QStringList{"№", "Каса", "От дата", "До дата", "Взето", "Дадено", "Баланс",
                                       "Приключено на", "Приключил"}));
        int escape = Qt::Key_Escape;
        window.DBGrid1KeyDown(window.DBGrid1, escape, {});
        return mrNone;
    });
    EXPECT_EQ(result, mrCancel);
    EXPECT_EQ(ids, (QStringList{"2", "1"}));  // the May closing ends later than the one of 30/05
    EXPECT_FALSE(DM->tblCashBox->Active());
    EXPECT_FALSE(DM->tblCashBox->Filtered());
}

TEST_F(ProgramTest, TheClosingsListPrintsTheBoxsClosings)
{
    LoginAsAdministrator();
    Seed("cash_period.sql");
    fSetings->cbxCashBoxNum->SetText(QStringLiteral("1"));
    CreateReportTemplates(*application_);
    PrintFromTheNextPreview(host_);
    OpenWindow("fCashFinish", [](TForm& form) {
        auto& window = static_cast<TfCashFinish&>(form);
        EXPECT_TRUE(window.FlatButton1->Enabled());
        window.FlatButton1->Click();
        return mrCancel;
    });
    const QString text = LastPrintout(host_);
    for (const char* part : {"Текущи данни", "Взето", "Дадено", "Баланс", "Приключено на", "9999", "500"})
        EXPECT_TRUE(text.contains(QString::fromUtf8(part))) << part << "\n" << text.toStdString();
    // Another box's closing is not this box's list.
    EXPECT_FALSE(text.contains(QStringLiteral("777")));
}

}  // namespace
