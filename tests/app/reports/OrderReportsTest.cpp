// The order's two report forms as laid out: every text whole inside its box, no two texts of a
// band on top of each other, nothing past the page's printable width.

#include "app/reports/uInvoiceReport.h"
#include "app/reports/uOrderReport.h"
#include "platform/report/ReportExpr.h"
#include "platform/report/ReportLabel.h"

#include <QApplication>
#include <QFontMetricsF>
#include <gtest/gtest.h>

namespace {

constexpr double kA4Width = 718;

void ExpectTextsFit(TBandReport& report)
{
    for (TReportBand* band : report.Bands()) {
        std::vector<TReportText*> texts;
        for (TReportPrintable* printable : band->Printables()) {
            const std::string name = printable->objectName().toStdString();
            EXPECT_LE(printable->Left() + printable->Width(), kA4Width + 0.5) << name;
            auto* text = qobject_cast<TReportText*>(printable);
            if (!text || text->AlignToBand()) continue;
            texts.push_back(text);
            auto* label = qobject_cast<TReportLabel*>(text);
            if (!label || label->WordWrap()) continue;
            const double needed = QFontMetricsF(PixelFont(label->Font())).horizontalAdvance(label->Caption());
            EXPECT_LE(needed, label->Width()) << name << " \"" << label->Caption().toStdString() << "\"";
        }
        for (size_t i = 0; i < texts.size(); ++i)
            for (size_t j = i + 1; j < texts.size(); ++j)
                EXPECT_FALSE(texts[i]->BoundsRect().intersects(texts[j]->BoundsRect()))
                    << texts[i]->objectName().toStdString() << " and " << texts[j]->objectName().toStdString();
    }
}

TEST(OrderReports, TheInvoiceTextsFitAndStandApart)
{
    TInvoiceReport report;
    report.ShowCarRow(true);
    report.QRLInvoiceType->SetCaption(QStringLiteral("ПРОФОРМА"));
    report.qrlinvoice_num->SetCaption(QStringLiteral("0000000042."));
    ExpectTextsFit(report);
    EXPECT_EQ(report.objectName(), QStringLiteral("InvoiceReport"));
    EXPECT_EQ(report.ReportTitle(), QStringLiteral("Фактура"));
    EXPECT_EQ(InvoiceReport, &report);
}

TEST(OrderReports, TheWorkTaskTextsFitAndStandApart)
{
    TOrderReport report;
    ExpectTextsFit(report);
    EXPECT_EQ(report.objectName(), QStringLiteral("OrderReport"));
    EXPECT_EQ(report.ReportTitle(), QStringLiteral("Поръчка"));
    EXPECT_EQ(report.QRExprLabour->Expression(), QStringLiteral("IF(tblSaleDetail.service,'V','')"));
}

TEST(OrderReports, ThePagesAreA4InsideTenMillimetres)
{
    TInvoiceReport invoice;
    TOrderReport task;
    for (TBandReport* report : {static_cast<TBandReport*>(&invoice), static_cast<TBandReport*>(&task)}) {
        EXPECT_EQ(report->Page().PaperSize(), psA4);
        EXPECT_EQ(report->Page().Orientation(), poPortrait);
        for (double margin : {report->Page().LeftMargin(), report->Page().RightMargin(), report->Page().TopMargin(),
                              report->Page().BottomMargin()})
            EXPECT_EQ(margin, 10);
        EXPECT_TRUE(report->FirstPageHeader());
        EXPECT_TRUE(report->LastPageFooter());
    }
}

}  // namespace
