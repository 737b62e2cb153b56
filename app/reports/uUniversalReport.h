#pragma once
// Any data grid printed as a table: its dataset, its columns' titles and widths copied onto a
// report template of a title, one header label and one data expression a column, the page
// number and the print date.

#include "app/reports/PrintFlow.h"
#include "platform/toolkit/Component.h"

#include <QString>
#include <vector>

class TBandReport;
class TDBGrid;
class TReportBand;
class TReportExpr;
class TReportLabel;

class TfUniversalReport : public TComponent {
    Q_OBJECT
public:
    // Columns printed at the most: column 0 and the slots of columns 1 to 17.
    static constexpr int kMaxColumns = 18;

    explicit TfUniversalReport(QObject* owner = nullptr);
    ~TfUniversalReport() override;

    // Prints the grid's rows under its visible columns' titles: previewed, printed, or saved as
    // `pdfFile`. Nothing for a grid without an open dataset.
    void PrintGrid(TDBGrid* grid, TPrintMode mode = TPrintMode::Preview, const QString& pdfFile = QString());

    TBandReport* Report1 = nullptr;
    // The column-header labels and detail expressions in their order in their bands: column 0's,
    // one never shown, then the slots of columns 1 to 17.
    std::vector<TReportLabel*> HeaderLabels;
    std::vector<TReportExpr*> DetailExprs;
    // Below the line that closes the table.
    TReportBand* SummaryBand = nullptr;

protected:
    // The template without anything under the closing line.
    TfUniversalReport(QObject* owner, const QString& name);

private:
    TReportBand* header_ = nullptr;
    TReportBand* detail_ = nullptr;
};

extern TfUniversalReport* fUniversalReport;
