#include "app/reports/GridColumnCopy.h"

#include "platform/report/BandReport.h"
#include "platform/report/ReportExpr.h"
#include "platform/report/ReportLabel.h"
#include "platform/toolkit/DataSet.h"
#include "platform/toolkit/gui/DBGrid.h"

#include <vector>

namespace {

constexpr int kSlotCount = kPrintedGridColumns + 1;
constexpr double kSlotHeight = 17;

template <class TSlot>
std::vector<TSlot*> SlotsOf(TReportBand* band)
{
    std::vector<TSlot*> items;
    for (TReportPrintable* printable : band->Printables())
        if (auto* slot = qobject_cast<TSlot*>(printable)) items.push_back(slot);
    return items;
}

template <class TSlot>
TSlot* SlotNamed(const std::vector<TSlot*>& items, const QString& name)
{
    for (TSlot* slot : items)
        if (slot->objectName() == name) return slot;
    return nullptr;
}

// The slots of columns 0, 1, 2 … in order: column 0's named one, then the band's others
// without the first of them, which is never shown.
template <class TSlot>
std::vector<TSlot*> PrintingSlots(const std::vector<TSlot*>& items, const QString& firstName)
{
    TSlot* first = SlotNamed(items, firstName);
    std::vector<TSlot*> ordered{first};
    bool skipped = false;
    for (TSlot* slot : items) {
        if (slot == first) continue;
        if (skipped) ordered.push_back(slot);
        skipped = true;
    }
    return ordered;
}

void Place(TReportPrintable* slot, double left, double width)
{
    slot->SetEnabled(true);
    slot->SetLeft(left);
    slot->SetWidth(width);
}

}  // namespace

void AddGridColumnSlots(TReportBand* header, TReportBand* detail)
{
    for (int i = 0; i < kSlotCount; ++i) {
        auto* label = new TReportLabel(header);
        label->setObjectName(QStringLiteral("QRLabel%1").arg(i));
        label->SetBounds(0, 2, 10, kSlotHeight);
        label->SetEnabled(false);
        auto* expr = new TReportExpr(detail);
        expr->setObjectName(QStringLiteral("QRExpr%1").arg(i));
        expr->SetBounds(0, 0, 10, kSlotHeight);
        expr->SetEnabled(false);
    }
}

bool CopyGridColumns(TDBGrid* grid, TBandReport& report, TReportBand* header, TReportBand* detail)
{
    grid->repaint();
    const auto labels = SlotsOf<TReportLabel>(header);
    const auto exprs = SlotsOf<TReportExpr>(detail);
    // Every slot starts off, so the report has no column the grid does not show.
    for (TReportLabel* label : labels) label->SetEnabled(false);
    for (TReportExpr* expr : exprs) expr->SetEnabled(false);
    TDataSet* dataSet = grid->DataSet();
    if (!dataSet || !dataSet->Active()) return false;
    const QString prefix = dataSet->objectName() + QLatin1Char('.');
    report.SetDataSet(dataSet);

    // A hidden column stays off the paper (a stock list hides its purchase prices).
    std::vector<TColumn*> printed;
    TDBGridColumns& columns = grid->Columns();
    for (int i = 0; i < columns.Count() && printed.size() < size_t(kPrintedGridColumns); ++i)
        if (columns[i]->Visible()) printed.push_back(columns[i]);

    const auto headerSlots = PrintingSlots(labels, QStringLiteral("QRLabel0"));
    const auto detailSlots = PrintingSlots(exprs, QStringLiteral("QRExpr0"));
    double left = 0;
    for (size_t i = 0; i < printed.size(); ++i) {
        TColumn* column = printed[i];
        if (i > 0) left += printed[i - 1]->Width() + kPrintedColumnGap;
        if (i < headerSlots.size() && headerSlots[i]) {
            Place(headerSlots[i], left, column->Width());
            headerSlots[i]->SetCaption(column->Title().Caption());
        }
        // A column of a field the rows lack (a view without it) is printed empty, as it is shown.
        if (i < detailSlots.size() && detailSlots[i] && dataSet->FindField(column->FieldName())) {
            Place(detailSlots[i], left, column->Width());
            detailSlots[i]->SetExpression(prefix + column->FieldName());
        }
    }
    return true;
}
