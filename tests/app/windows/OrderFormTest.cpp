// The journal window: its columns define the printout; showing opens the journal, closing
// empties it, and its print button prints through the cash report.

#include "ProgramFixture.h"

#include "app/reports/URep.h"
#include "app/windows/uCasheBox.h"
#include "app/windows/uOrderForm.h"
#include "memtable/MemTable.h"
#include "platform/report/ReportLabel.h"
#include "platform/toolkit/gui/DBGrid.h"

namespace {

TEST_F(ProgramTest, TheJournalWindowOpensItsTableAndPrintsThroughTheCashReport)
{
    LoginAsAdministrator();
    Seed("cash_period.sql");
    CreateReportTemplates(*application_);
    fCasheBox->Today = [] { return TDateTime(46174); };
    fCasheBox->bDailyClick(nullptr);
    host_.ClearShown();
    OpenWindow("fOrderForm", [&](TForm& form) {
        auto& window = static_cast<TfOrderForm&>(form);
        EXPECT_EQ(window.Caption(), QStringLiteral("Отчет"));
        EXPECT_TRUE(DM->tblMemTable->Active());
        struct Column {
            const char* field;
            const char* title;
            int width;
        } expected[] = {{"id", "№", 25},          {"date", "Дата", 76},  {"income", "Вид", 47},
                        {"type", "Операция", 93}, {"additional", "Разяснения", 298},
                        {"dds", "ДДС", 48},       {"sum", "Сума", 48},   {"total", "Всичко", 56}};
        TDBGridColumns& columns = window.DBGrid1->Columns();
        EXPECT_EQ(columns.Count(), int(std::size(expected)));
        for (int i = 0; i < columns.Count() && i < int(std::size(expected)); ++i) {
            EXPECT_EQ(columns[i]->FieldName(), QString::fromLatin1(expected[i].field));
            EXPECT_EQ(columns[i]->Title().Caption(), QString::fromUtf8(expected[i].title));
            EXPECT_EQ(columns[i]->Width(), expected[i].width);
        }
        window.bSearchClick(nullptr);
        EXPECT_EQ(Report->lblTitle->Caption(), QStringLiteral("Отчет за каса № 1"));
        window.FlatButton1Click(nullptr);
        return mrNone;
    });
    EXPECT_FALSE(DM->tblMemTable->Active());
    EXPECT_EQ(host_.CountOf(TShownRecord::Form), 2);  // the window and the preview
}

}  // namespace
