#pragma once
// Any data grid printed as a table: its dataset, its columns' titles and widths copied onto a
// report template of a title, one header label and one data expression a column, the page
// number and the print date.

#include "app/reports/PrintFlow.h"
#include "platform/toolkit/Component.h"

#include <QString>
#include <vector>

class TBandReport;
class TReportBand;
class TDBGrid;
class TReportExpr;
class TReportLabel;

class TfUniversalReport : public TComponent {
    Q_OBJECT
public:
    explicit TfUniversalReport(QObject* owner = nullptr);
    ~TfUniversalReport() override;

    // Prints the grid's rows under its columns' titles: previewed, printed, or saved as `pdfFile`.
    void PrintGrid(TDBGrid* grid, TPrintMode mode = TPrintMode::Preview, const QString& pdfFile = QString());

    TBandReport* Report1 = nullptr;
    TReportBand* ColumnHeaderBand1 = nullptr;
    TReportBand* DetailBand1 = nullptr;
    // The column-header labels and detail expressions in their order in their bands: column 0's,
    // one never shown, then the slots of columns 1 to 17.
    std::vector<TReportLabel*> HeaderLabels;
    std::vector<TReportExpr*> DetailExprs;
};

extern TfUniversalReport* fUniversalReport;
