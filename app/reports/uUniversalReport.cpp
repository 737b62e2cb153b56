#include "app/reports/uUniversalReport.h"

#include "app/reports/GridColumnCopy.h"
#include "platform/report/BandReport.h"
#include "platform/report/ReportExpr.h"
#include "platform/report/ReportLabel.h"
#include "platform/report/ReportShape.h"
#include "platform/report/ReportSysData.h"
#include "platform/toolkit/DataSet.h"
#include "platform/toolkit/gui/DBGrid.h"

#include <QFontInfo>

TfUniversalReport* fUniversalReport = nullptr;

namespace {

constexpr double kRowHeight = 17;

template <class TControl>
TControl* PlaceControl(TReportBand* band, const QString& name, double left, double top, double width)
{
    auto* control = new TControl(band);
    control->setObjectName(name);
    control->SetBounds(left, top, width, kRowHeight);
    return control;
}

TReportLabel* PlaceLabel(TReportBand* band, const QString& name, const QString& caption, double left, double top,
                         double width)
{
    auto* label = PlaceControl<TReportLabel>(band, name, left, top, width);
    label->SetCaption(caption);
    return label;
}

TReportSysData* PlaceSysData(TReportBand* band, const char* name, TSysDataType data, double left, double top)
{
    auto* sysData = PlaceControl<TReportSysData>(band, QString::fromLatin1(name), left, top, 120);
    sysData->SetData(data);
    return sysData;
}

}  // namespace

TfUniversalReport::TfUniversalReport(QObject* owner) : TfUniversalReport(owner, QStringLiteral("fUniversalReport"))
{
    PlaceSysData(SummaryBand, "QRSysDataSummaryDate", sdDate, 0, 6);
    if (!fUniversalReport) fUniversalReport = this;
}

TfUniversalReport::TfUniversalReport(QObject* owner, const QString& name) : TComponent(owner)
{
    setObjectName(name);
    Report1 = new TBandReport(this);
    Report1->setObjectName(QStringLiteral("Report1"));
    Report1->Page().SetPaperSize(psLetter);
    Report1->Page().SetOrientation(poPortrait);
    // Printed where there is no printer, the table is offered as "Текущи данни.pdf".
    Report1->SetDocumentName(QStringLiteral("Текущи данни"));

    TReportBand* title = Report1->CreateBand(rbTitle, 70);
    PlaceLabel(title, QStringLiteral("QRLabelDate"), QStringLiteral("Дата "), 0, 0, 40);
    PlaceSysData(title, "QRSysDataDate", sdDate, 40, 0);
    PlaceLabel(title, QStringLiteral("QRLabelVersion"), QStringLiteral("CarVantel v4.04 ®"), 400, 0, 140);
    PlaceLabel(title, QStringLiteral("QRLabelTitle"), QStringLiteral("Текущи данни"), 200, 24, 160);
    PlaceLabel(title, QStringLiteral("QRLabelTable"), QStringLiteral("таблица"), 200, 44, 160);

    header_ = Report1->CreateBand(rbColumnHeader, kRowHeight + 4);
    detail_ = Report1->CreateBand(rbDetail, kRowHeight + 2);
    AddGridColumnSlots(header_, detail_);
    for (TReportPrintable* slot : header_->Printables()) HeaderLabels.push_back(static_cast<TReportLabel*>(slot));
    for (TReportPrintable* slot : detail_->Printables()) DetailExprs.push_back(static_cast<TReportExpr*>(slot));

    TReportBand* footer = Report1->CreateBand(rbPageFooter, kRowHeight + 4);
    PlaceSysData(footer, "QRSysDataPage", sdPageNumber, 250, 2);

    SummaryBand = Report1->CreateBand(rbSummary, kRowHeight + 10);
    auto* line = new TReportShape(SummaryBand);
    line->setObjectName(QStringLiteral("QRShapeLine"));
    line->SetShape(stHorLine);
    line->SetBounds(0, 0, 540, 4);
}

TfUniversalReport::~TfUniversalReport()
{
    if (fUniversalReport == this) fUniversalReport = nullptr;
}

void TfUniversalReport::PrintGrid(TDBGrid* grid, TPrintMode mode, const QString& pdfFile)
{
    // The widths are the grid's pixels: the texts take the grid's size, so what the grid shows
    // whole is printed whole.
    QFont font = DefaultReportFont();
    font.setPixelSize(QFontInfo(grid->font()).pixelSize());
    for (TReportLabel* label : HeaderLabels) label->SetFont(font);
    for (TReportExpr* expr : DetailExprs) expr->SetFont(font);
    // A grid without rows to read prints nothing, not an empty page.
    if (!CopyGridColumns(grid, *Report1, header_, detail_)) return;
    RunReport(*Report1, mode, pdfFile);
}
