#pragma once
// Placing the controls of a report form on its bands, in report units from the band's top-left.

#include "platform/report/ReportDBText.h"
#include "platform/report/ReportLabel.h"
#include "platform/report/BandReport.h"
#include "platform/report/ReportShape.h"
#include "platform/report/ReportSysData.h"

#include <QString>

namespace report_placing {

constexpr double kRowHeight = 17;

template <class TPrintableClass>
TPrintableClass* Put(TReportBand* band, const char* name, double left, double top, double width,
                     double height = kRowHeight)
{
    auto* printable = new TPrintableClass(band);
    printable->setObjectName(QString::fromLatin1(name));
    printable->SetBounds(left, top, width, height);
    return printable;
}

inline TReportLabel* PutLabel(TReportBand* band, const char* name, const QString& caption, double left, double top,
                              double width, double height = kRowHeight)
{
    auto* label = Put<TReportLabel>(band, name, left, top, width, height);
    label->SetCaption(caption);
    return label;
}

// A field of a dataset the report finds by name; an empty name is the report's own dataset.
inline TReportDBText* PutField(TReportBand* band, const char* name, const char* dataSet, const char* field,
                               double left, double top, double width, double height = kRowHeight)
{
    auto* text = Put<TReportDBText>(band, name, left, top, width, height);
    text->SetDataSetName(QString::fromLatin1(dataSet));
    text->SetDataField(QString::fromLatin1(field));
    return text;
}

inline TReportShape* PutShape(TReportBand* band, const char* name, TShapeType shape, double left, double top,
                              double width, double height)
{
    auto* drawn = Put<TReportShape>(band, name, left, top, width, height);
    drawn->SetShape(shape);
    return drawn;
}

// A line to write on by hand, under a row's text.
inline TReportShape* PutDottedLine(TReportBand* band, const char* name, double left, double top, double width)
{
    // Drawn through the middle of its box: below the text's base line, above the next row.
    TReportShape* line = PutShape(band, name, stHorLine, left, top + 10, width, 10);
    line->SetPenStyle(Qt::DotLine);
    return line;
}

// "стр. " and the page number, centred on the band.
inline TReportSysData* PutPageNumber(TReportBand* band, const char* name)
{
    auto* number = Put<TReportSysData>(band, name, 0, 3, 100);
    number->SetData(sdPageNumber);
    number->SetText(QStringLiteral("стр. "));
    number->SetAlignment(taCenter);
    number->SetAlignToBand(true);
    return number;
}

// The order's printouts: A4 upright inside 10 mm, a page header and footer on every page.
inline TReportBand* PutBand(TBandReport& report, TBandType type, double height, const char* name)
{
    TReportBand* band = report.CreateBand(type, height);
    band->setObjectName(QString::fromLatin1(name));
    return band;
}

inline void SetUpOrderPage(TBandReport& report)
{
    report.Page().SetPaperSize(psA4);
    report.Page().SetOrientation(poPortrait);
    report.Page().SetMargins(10);
    report.SetFirstPageHeader(true);
    report.SetLastPageFooter(true);
}

// The printable width of A4 inside 10 mm margins, in report units.
constexpr double kA4BandWidth = 718;

inline void SetBold(TReportText* text, bool italic = false, int pixelSize = 0)
{
    QFont font = text->Font();
    font.setBold(true);
    font.setItalic(italic);
    if (pixelSize > 0) font.setPixelSize(pixelSize);
    text->SetFont(font);
}

}  // namespace report_placing
