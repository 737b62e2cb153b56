// What leaves the program: the PDF file (read back with pdftotext), the printer path, and the
// preview window run headless through the scripted UI host.

#include "TestRows.h"
#include "platform/report/BandReport.h"
#include "platform/report/ReportDBText.h"
#include "platform/report/ReportError.h"
#include "platform/report/ReportLabel.h"
#include "platform/report/ReportPreview.h"
#include "platform/report/ReportRenderer.h"
#include "platform/report/ReportShape.h"
#include "platform/report/ReportSysData.h"
#include "platform/toolkit/gui/ScriptedUiHost.h"
#include "support/RunTool.h"

#include <QFile>
#include <QLabel>
#include <QPrinter>
#include <QTemporaryDir>
#include <QTest>
#include <gtest/gtest.h>

namespace {

// An invoice-like report of many lines: the title and the lines in Cyrillic, page numbers below.
struct TInvoiceFixture {
    TInvoiceFixture()
        : rows(QStringLiteral("tblSaleDetail"), {QStringLiteral("article_name"), QStringLiteral("sale_quantity")}, {})
    {
        std::vector<std::vector<TVariant>> lines;
        for (int i = 1; i <= 60; ++i)
            lines.push_back({TVariant(QStringLiteral("Резервна част %1").arg(i)), TVariant(i)});
        rows = TTestRows(QStringLiteral("tblSaleDetail"), {QStringLiteral("article_name"), QStringLiteral("sale_quantity")},
                         std::move(lines));
        report.SetName(QStringLiteral("InvoiceReport"));
        report.SetReportTitle(QStringLiteral("Фактура"));
        report.Page().SetPaperSize(psA4);
        report.Page().SetMargins(10.0);
        report.SetRowSource(&rows);

        TReportBand* title = report.CreateBand(rbTitle, 60);
        auto* caption = new TReportLabel(title);
        caption->SetName(QStringLiteral("QRLFuckName"));
        caption->SetCaption(QStringLiteral("Фактура"));
        caption->SetBounds(0, 10, 200, 30);
        caption->SetAlignToBand(true);
        caption->SetAlignment(taCenter);
        QFont big = caption->Font();
        big.setPixelSize(21);
        big.setBold(true);
        big.setItalic(true);
        caption->SetFont(big);
        auto* kind = new TReportLabel(title);
        kind->SetName(QStringLiteral("QRLInvoiceType"));
        kind->SetCaption(QStringLiteral("ОРИГИНАЛ"));
        kind->SetBounds(500, 40, 150, 17);

        TReportBand* detail = report.CreateBand(rbDetail, 18);
        auto* name = new TReportDBText(detail);
        name->SetName(QStringLiteral("article_name"));
        name->SetDataField(QStringLiteral("article_name"));
        name->SetBounds(20, 1, 300, 16);

        TReportBand* summary = report.CreateBand(rbSummary, 40);
        auto* words = new TReportLabel(summary);
        words->SetName(QStringLiteral("qrlDigitinWords"));
        words->SetCaption(QStringLiteral("Словом : Сто и двадесет лева"));
        words->SetBounds(0, 10, 400, 17);

        TReportBand* footer = report.CreateBand(rbPageFooter, 20);
        auto* page = new TReportSysData(footer);
        page->SetName(QStringLiteral("sdPage"));
        page->SetData(sdPageNumber);
        page->SetText(QStringLiteral("стр. "));
        page->SetAlignToBand(true);
        page->SetAlignment(taCenter);
    }

    TTestRows rows;
    TBandReport report;
};

void ExpectInOrder(const QString& text, const QStringList& parts)
{
    qsizetype at = 0;
    for (const QString& part : parts) {
        const qsizetype found = text.indexOf(part, at);
        ASSERT_GE(found, 0) << "missing or out of order: " << part.toStdString() << "\n" << text.toStdString();
        at = found + part.size();
    }
}

TEST(ReportPdf, CyrillicTextsComeOutAsTextInOrderWithEmbeddedFonts)
{
    QTemporaryDir dir;
    const QString file = dir.filePath(QStringLiteral("invoice.pdf"));
    TInvoiceFixture fixture;
    fixture.report.SaveToPdf(file);
    ASSERT_EQ(fixture.report.PageCount(), 2);

    const QString text = PdfText(file);
    ExpectInOrder(text, {QStringLiteral("Фактура"), QStringLiteral("ОРИГИНАЛ"), QStringLiteral("Резервна част 1"),
                         QStringLiteral("Резервна част 2"), QStringLiteral("стр. 1"), QStringLiteral("\f"),
                         QStringLiteral("Резервна част 60"), QStringLiteral("Словом : Сто и двадесет лева"),
                         QStringLiteral("стр. 2")});

    const QString fonts = RunTool(QStringLiteral("pdffonts"), {file});
    EXPECT_TRUE(fonts.contains(QStringLiteral("DejaVu"))) << fonts.toStdString();
    for (const QString& line : fonts.split(QLatin1Char('\n')).mid(2)) {
        if (line.trimmed().isEmpty())
            continue;
        const QStringList columns = line.split(QLatin1Char(' '), Qt::SkipEmptyParts);
        ASSERT_GE(columns.size(), 5);
        EXPECT_EQ(columns.at(columns.size() - 5).toStdString(), "yes") << "not embedded: " << line.toStdString();
    }

    const QString info = RunTool(QStringLiteral("pdfinfo"), {file});
    EXPECT_TRUE(info.contains(QStringLiteral("595 x 842 pts"))) << "A4 in points: " << info.toStdString();
}

TEST(ReportPdf, TextsWiderThanTheirBoxAreCutAtTheBoxEdge)
{
    QTemporaryDir dir;
    const QString file = dir.filePath(QStringLiteral("cut.pdf"));
    TBandReport report;
    TReportBand* title = report.CreateBand(rbTitle, 100);
    auto add = [title](double top, TAlignment alignment) {
        auto* label = new TReportLabel(title);
        label->SetCaption(QStringLiteral("Наименование Номенклатура"));
        label->SetBounds(0, top, 60, 17);
        label->SetAlignment(alignment);
    };
    add(0, taLeftJustify);
    add(20, taRightJustify);
    add(40, taCenter);
    report.SaveToPdf(file);
    const QStringList lines = PdfText(file)
                                  .split(QLatin1Char('\n'), Qt::SkipEmptyParts);
    ASSERT_GE(lines.size(), 3);
    const QString left = lines.at(0).trimmed();
    const QString right = lines.at(1).trimmed();
    const QString middle = lines.at(2).trimmed();
    EXPECT_TRUE(left.size() > 3 && QStringLiteral("Наименование").startsWith(left)) << left.toStdString();
    EXPECT_TRUE(right.size() > 3 && QStringLiteral("Номенклатура").endsWith(right)) << right.toStdString();
    EXPECT_TRUE(middle.size() > 3 && QStringLiteral("Наименование Номенклатура").contains(middle) &&
                !middle.startsWith(QStringLiteral("Наим")))
        << middle.toStdString();
}

TEST(ReportPdf, PrinterPathPrintsTheSamePages)
{
    QTemporaryDir dir;
    const QString file = dir.filePath(QStringLiteral("printed.pdf"));
    TInvoiceFixture fixture;
    fixture.report.Page().SetOrientation(poLandscape);
    QPrinter printer(QPrinter::HighResolution);
    printer.setOutputFormat(QPrinter::PdfFormat);
    printer.setOutputFileName(file);
    fixture.report.Print(printer);
    const QString text = RunTool(QStringLiteral("pdftotext"), {file, QStringLiteral("-")});
    EXPECT_EQ(text.count(QLatin1Char('\f')), fixture.report.PageCount());
    ExpectInOrder(text, {QStringLiteral("Фактура"), QStringLiteral("Резервна част 60"), QStringLiteral("стр. 2")});
    const QString info = RunTool(QStringLiteral("pdfinfo"), {file});
    EXPECT_TRUE(info.contains(QStringLiteral("842 x 595 pts"))) << "landscape: " << info.toStdString();
}

TEST(ReportPdf, OutputThatCannotBeWrittenIsAnError)
{
    TInvoiceFixture fixture;
    try {
        fixture.report.SaveToPdf(QStringLiteral("/nonexistent-dir/x.pdf"));
        FAIL() << "no error";
    } catch (const EReportError& e) {
        EXPECT_EQ(e.Message().toStdString(), "InvoiceReport: Cannot write the file '/nonexistent-dir/x.pdf'");
    }
    EXPECT_THROW(fixture.report.SaveToPdf(QString()), EReportError);
}

TEST(ReportPrint, APrintRunGoesThroughTheUiHostAndReadsBack)
{
    TScriptedUiHost host;
    TScopedUiHost installed(host);
    TInvoiceFixture fixture;
    fixture.report.Print();
    ASSERT_EQ(host.PrintedFiles().size(), 1);
    EXPECT_EQ(host.Shown().at(0).Name.toStdString(), "Фактура") << "the run is named by the report's title";
    const QString text = PdfText(host.PrintedFiles().at(0));
    EXPECT_EQ(text.count(QLatin1Char('\f')), fixture.report.PageCount());
    ExpectInOrder(text, {QStringLiteral("Фактура"), QStringLiteral("Резервна част 1"), QStringLiteral("стр. 1"),
                         QStringLiteral("Резервна част 60"), QStringLiteral("стр. 2")});
    const QString info = RunTool(QStringLiteral("pdfinfo"), {host.PrintedFiles().at(0)});
    EXPECT_TRUE(info.contains(QStringLiteral("595 x 842 pts"))) << "the report's paper: " << info.toStdString();

    fixture.report.SetReportTitle(QString());
    fixture.report.Print();
    ASSERT_EQ(host.PrintedFiles().size(), 2);
    EXPECT_EQ(host.Shown().at(1).Name.toStdString(), "InvoiceReport") << "an untitled report's run takes its name";
}

TEST(ReportPrint, WithoutAPrinterTheDocumentGoesToThePdfFileThePersonNames)
{
    TScriptedUiHost host;
    TScopedUiHost installed(host);
    host.SetPrinterAvailable(false);
    TInvoiceFixture fixture;
    fixture.report.SetDocumentName(QStringLiteral("Фактура 0000000042 ОРИГИНАЛ"));
    // Cancelled: nothing written, nothing said.
    EXPECT_FALSE(fixture.report.Print());
    ASSERT_EQ(host.CountOf(TShownRecord::FileDialog), 1);
    EXPECT_EQ(host.Shown().back().Name.toStdString(), "Фактура 0000000042 ОРИГИНАЛ.pdf");
    EXPECT_EQ(host.CountOf(TShownRecord::Message), 0);

    QTemporaryDir dir;
    const QString file = dir.filePath(QStringLiteral("Фактура 0000000042 ОРИГИНАЛ.pdf"));
    host.AnswerFile(file);
    EXPECT_TRUE(fixture.report.Print());
    EXPECT_TRUE(host.PrintedFiles().isEmpty()) << "no printer printed";
    const QString text = PdfText(file);
    EXPECT_EQ(text.count(QLatin1Char('\f')), fixture.report.PageCount());
    ExpectInOrder(text, {QStringLiteral("Фактура"), QStringLiteral("Резервна част 1"), QStringLiteral("стр. 2")});

    // A name no file can have is offered with those characters replaced.
    fixture.report.SetDocumentName(QStringLiteral("Сметка 1/2: \"A\""));
    EXPECT_FALSE(fixture.report.Print());
    EXPECT_EQ(host.Shown().back().Name.toStdString(), "Сметка 1_2_ _A_.pdf");
    // A file that cannot be written is the report's error.
    host.AnswerFile(QStringLiteral("/nonexistent-dir/x.pdf"));
    EXPECT_THROW(fixture.report.Print(), EReportError);
}

TEST(ReportPrint, WithoutAPrinterTheCheckAndThePdfTakeTheReportsOwnPage)
{
    TScriptedUiHost host;
    TScopedUiHost installed(host);
    host.SetPrinterAvailable(false);
    TInvoiceFixture fixture;
    fixture.report.Page().SetPaperSize(psA5);
    EXPECT_NO_THROW(fixture.report.CheckPage());
    QTemporaryDir dir;
    const QString file = dir.filePath(QStringLiteral("invoice.pdf"));
    fixture.report.SaveToPdf(file);
    const QString info = RunTool(QStringLiteral("pdfinfo"), {file});
    EXPECT_TRUE(info.contains(QStringLiteral("420 x 595 pts"))) << info.toStdString();
    EXPECT_TRUE(host.Shown().empty()) << "no printer was asked for";
}

TEST(ReportPreview, OpensPagesThroughAndClosesWithItsAfterPreviewEvent)
{
    TScriptedUiHost host;
    TScopedUiHost installed(host);
    TInvoiceFixture fixture;
    int afterPreview = 0;
    fixture.report.AfterPreview = [&](TBandReport* sender) {
        EXPECT_EQ(sender, &fixture.report);
        EXPECT_EQ(fixture.report.PreviewWindow(), nullptr) << "the window has closed";
        ++afterPreview;
    };
    bool shown = false;
    host.OnForm(QStringLiteral("ReportPreview"), [&](TForm& form) {
        auto& preview = dynamic_cast<TReportPreview&>(form);
        shown = true;
        EXPECT_EQ(fixture.report.PreviewWindow(), &preview);
        EXPECT_EQ(afterPreview, 0);
        EXPECT_EQ(preview.PageCount(), 2);
        EXPECT_EQ(preview.PageLabel()->text().toStdString(), "Страница 1 от 2");
        QTest::keyClick(preview.PageView(), Qt::Key_PageDown);
        EXPECT_EQ(preview.PageNumber(), 2);
        QTest::keyClick(preview.PageView(), Qt::Key_PageDown);
        EXPECT_EQ(preview.PageNumber(), 2) << "stays on the last page";
        EXPECT_EQ(preview.PageLabel()->text().toStdString(), "Страница 2 от 2");
        QTest::keyClick(&preview, Qt::Key_PageUp);
        EXPECT_EQ(preview.PageNumber(), 1);
        const QSize before = preview.PageView()->size();
        QTest::keyClick(preview.PageView(), Qt::Key_Plus);
        EXPECT_EQ(preview.Zoom(), 125);
        EXPECT_GT(preview.PageView()->width(), before.width());
        QTest::keyClick(preview.PageView(), Qt::Key_Escape);
        return mrNone;
    });
    fixture.report.Preview();
    EXPECT_TRUE(shown);
    EXPECT_EQ(afterPreview, 1);
    ASSERT_EQ(host.CountOf(TShownRecord::Form), 1);
    EXPECT_EQ(host.Shown().at(0).Result, mrCancel);
    EXPECT_EQ(host.Shown().at(0).Caption.toStdString(), "Преглед - Фактура");
}

TEST(ReportPreview, AnUnansweredPreviewStillClosesAndFiresTheEvent)
{
    TScriptedUiHost host;
    TScopedUiHost installed(host);
    TInvoiceFixture fixture;
    int afterPreview = 0;
    fixture.report.AfterPreview = [&](TBandReport*) { ++afterPreview; };
    fixture.report.Preview();
    fixture.report.Preview();
    EXPECT_EQ(afterPreview, 2);
}

TEST(ReportPreview, PaintsThePageSavesPdfPrintsAndReportsAMissingPrinter)
{
    TScriptedUiHost host;
    TScopedUiHost installed(host);
    QTemporaryDir dir;
    const QString file = dir.filePath(QStringLiteral("saved.pdf"));
    host.AnswerFile(file);

    TBandReport report;
    report.SetName(QStringLiteral("BoxReport"));
    report.Page().SetMargins(0.0);
    auto* box = new TReportShape(report.CreateBand(rbTitle, 100));
    box->SetBounds(0, 0, 50, 50);
    box->SetPenStyle(Qt::NoPen);
    box->SetBrushColor(Qt::red);
    host.OnForm(QStringLiteral("ReportPreview"), [&](TForm& form) {
        auto& preview = dynamic_cast<TReportPreview&>(form);
        const QImage shot = preview.PageView()->grab().toImage();
        const double scale = preview.PageView()->Scale() * shot.devicePixelRatio();
        EXPECT_EQ(shot.pixelColor(int(12 + 25 * scale), int(12 + 25 * scale)), QColor(Qt::red));
        EXPECT_EQ(shot.pixelColor(int(12 + 80 * scale), int(12 + 25 * scale)), QColor(Qt::white));
        preview.SavePdfClick();
        preview.PrintClick();
        EXPECT_EQ(host.PrintedFiles().size(), 1);
        // Without a printer the print asks for a file; one that cannot be written is said.
        host.SetPrinterAvailable(false);
        host.AnswerFile(QStringLiteral("/nonexistent-dir/x.pdf"));
        preview.PrintClick();
        EXPECT_EQ(host.CountOf(TShownRecord::FileDialog), 2);
        EXPECT_EQ(host.CountOf(TShownRecord::Message), 1);
        EXPECT_EQ(host.Shown().back().Text.toStdString(), "BoxReport: Cannot write the file '/nonexistent-dir/x.pdf'");
        EXPECT_EQ(host.Shown().back().Caption.toStdString(), "Преглед");
        return mrOk;
    });
    report.Preview();
    EXPECT_TRUE(QFile::exists(file));
    EXPECT_EQ(host.Shown().at(0).Result, mrOk);
}

}  // namespace
