#include "app/reports/uUniversalReport.h"

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
// Column 0's control, the one never shown, and the slots of columns 1 to 17.
constexpr int kTemplateControls = TfUniversalReport::kMaxColumns + 1;

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

TfUniversalReport::TfUniversalReport(QObject* owner) : TComponent(owner)
{
    setObjectName(QStringLiteral("fUniversalReport"));
    Report1 = new TBandReport(this);
    Report1->setObjectName(QStringLiteral("Report1"));
    Report1->Page().SetPaperSize(psLetter);
    Report1->Page().SetOrientation(poPortrait);

    TReportBand* title = Report1->CreateBand(rbTitle, 70);
    PlaceLabel(title, QStringLiteral("QRLabelDate"), QStringLiteral("Дата "), 0, 0, 40);
    PlaceSysData(title, "QRSysDataDate", sdDate, 40, 0);
    PlaceLabel(title, QStringLiteral("QRLabelVersion"), QStringLiteral("CarVantel v4.04 ®"), 400, 0, 140);
    PlaceLabel(title, QStringLiteral("QRLabelTitle"), QStringLiteral("Текущи данни"), 200, 24, 160);
    PlaceLabel(title, QStringLiteral("QRLabelTable"), QStringLiteral("таблица"), 200, 44, 160);

    TReportBand* header = Report1->CreateBand(rbColumnHeader, kRowHeight + 4);
    TReportBand* detail = Report1->CreateBand(rbDetail, kRowHeight + 2);
    for (int i = 0; i < kTemplateControls; ++i) {
        HeaderLabels.push_back(PlaceLabel(header, QStringLiteral("QRLabel%1").arg(i), QString(), 60.0 * i, 2, 58));
        DetailExprs.push_back(PlaceControl<TReportExpr>(detail, QStringLiteral("QRExpr%1").arg(i), 60.0 * i, 0, 58));
    }

    TReportBand* footer = Report1->CreateBand(rbPageFooter, kRowHeight + 4);
    PlaceSysData(footer, "QRSysDataPage", sdPageNumber, 250, 2);

    TReportBand* summary = Report1->CreateBand(rbSummary, kRowHeight + 10);
    auto* line = new TReportShape(summary);
    line->setObjectName(QStringLiteral("QRShapeLine"));
    line->SetShape(stHorLine);
    line->SetBounds(0, 0, 540, 4);
    PlaceSysData(summary, "QRSysDataSummaryDate", sdDate, 0, 6);

    if (!fUniversalReport) fUniversalReport = this;
}

TfUniversalReport::~TfUniversalReport()
{
    if (fUniversalReport == this) fUniversalReport = nullptr;
}

void TfUniversalReport::PrintGrid(TDBGrid* grid, TPrintMode mode, const QString& pdfFile)
{
    grid->Repaint();
    TDataSet* dataSet = grid->DataSet();
    const QString prefix = (dataSet ? dataSet->objectName() : QString()) + QLatin1Char('.');
    Report1->SetDataSet(dataSet);

    // Every control starts off, so the report has no column the grid lacks.
    for (int i = 0; i < kTemplateControls; ++i) {
        HeaderLabels[i]->SetEnabled(false);
        DetailExprs[i]->SetEnabled(false);
    }
    // The widths are the grid's pixels: the texts take the grid's size, so what the grid shows
    // whole is printed whole.
    QFont font = DefaultReportFont();
    font.setPixelSize(QFontInfo(grid->font()).pixelSize());
    const auto show = [&](int control, const TColumn* column, double left) {
        for (TReportText* text : {static_cast<TReportText*>(HeaderLabels[control]),
                                  static_cast<TReportText*>(DetailExprs[control])}) {
            text->SetEnabled(true);
            text->SetLeft(left);
            text->SetWidth(column->Width());
            text->SetFont(font);
        }
        HeaderLabels[control]->SetCaption(column->Title().Caption());
        DetailExprs[control]->SetExpression(prefix + column->FieldName());
    };

    const int columns = std::min(grid->Columns().Count(), kMaxColumns);
    if (columns > 0) show(0, grid->Columns()[0], HeaderLabels[0]->Left());
    // Each column starts 2 units after the one before it ends; column 1 after column 0's width.
    double left = 0;
    for (int i = 1; i < columns; ++i) {
        left = grid->Columns()[i - 1]->Width() + left + 2;
        show(i + 1, grid->Columns()[i], left);
    }
    RunReport(*Report1, mode, pdfFile);
}
