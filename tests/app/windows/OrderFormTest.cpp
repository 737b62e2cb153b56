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
        } expected[] = {{"id", "№", 25},          {"date", "Дата", 0},  {"income", "Вид", 47},
                        {"type", "Операция", 0}, {"additional", "Разяснения", 0},
                        {"dds", "ДДС", 48},       {"sum", "Сума", 48},   {"total", "Всичко", 56}};
        TDBGridColumns& columns = window.DBGrid1->Columns();
        EXPECT_EQ(columns.Count(), int(std::size(expected)));
        for (int i = 0; i < columns.Count() && i < int(std::size(expected)); ++i) {
            EXPECT_EQ(columns[i]->FieldName(), QString::fromLatin1(expected[i].field));
            EXPECT_EQ(columns[i]->Title().Caption(), QString::fromUtf8(expected[i].title));
            if (expected[i].width) {
                EXPECT_EQ(columns[i]->Width(), expected[i].width);
            }
        }
        // A date with its time and the longest operation fit their columns in the printout's
        // type; the explanations give up that room.
        const QFontMetricsF printed(TReport::ColumnFont());
        EXPECT_GE(columns[1]->Width(), 76);
        EXPECT_LE(printed.horizontalAdvance(QStringLiteral("31.12.2026 23:59:59")), columns[1]->Width());
        EXPECT_GE(columns[3]->Width(), 93);
        EXPECT_LE(printed.horizontalAdvance(QStringLiteral("Плащания на раб.")), columns[3]->Width());
        EXPECT_EQ(columns[1]->Width() + columns[3]->Width() + columns[4]->Width(), 76 + 93 + 298);
        window.bSearchClick(nullptr);
        EXPECT_EQ(Report->lblTitle->Caption(), QStringLiteral("Отчет за каса № 1"));
        window.FlatButton1Click(nullptr);
        return mrNone;
    });
    EXPECT_FALSE(DM->tblMemTable->Active());
    EXPECT_EQ(host_.CountOf(TShownRecord::Form), 2);  // the window and the preview
}

}  // namespace
