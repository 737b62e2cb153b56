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

// The template's items other than column 0's, in band order.
template <class TSlot>
std::vector<TSlot*> OtherSlots(const std::vector<TSlot*>& items, TSlot* first)
{
    std::vector<TSlot*> others;
    for (TSlot* slot : items)
        if (slot != first) others.push_back(slot);
    return others;
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

void CopyGridColumns(TDBGrid* grid, TBandReport& report, TReportBand* header, TReportBand* detail)
{
    grid->repaint();
    TDataSet* dataSet = grid->DataSet();
    const QString prefix = (dataSet ? dataSet->objectName() : QString()) + QLatin1Char('.');
    report.SetDataSet(dataSet);

    const auto labels = SlotsOf<TReportLabel>(header);
    const auto exprs = SlotsOf<TReportExpr>(detail);
    for (size_t i = 0; i < labels.size() && i < size_t(kPrintedGridColumns); ++i) labels[i]->SetEnabled(false);
    for (size_t i = 0; i < exprs.size() && i < size_t(kPrintedGridColumns); ++i) exprs[i]->SetEnabled(false);

    TDBGridColumns& columns = grid->Columns();
    if (columns.Count() == 0) return;
    auto* label0 = SlotNamed(labels, QStringLiteral("QRLabel0"));
    auto* expr0 = SlotNamed(exprs, QStringLiteral("QRExpr0"));
    TColumn* first = columns[0];
    if (label0) {
        label0->SetEnabled(true);
        label0->SetLeft(0);
        label0->SetWidth(first->Width());
        label0->SetCaption(first->Title().Caption());
    }
    if (expr0) {
        expr0->SetEnabled(true);
        expr0->SetLeft(0);
        expr0->SetWidth(first->Width());
        expr0->SetExpression(prefix + first->FieldName());
    }

    const auto headerSlots = OtherSlots(labels, label0);
    const auto detailSlots = OtherSlots(exprs, expr0);
    double left = 0;
    for (int i = 1; i < columns.Count() && i < kPrintedGridColumns; ++i) {
        TColumn* column = columns[i];
        const double slotLeft = columns[i - 1]->Width() + left + kPrintedColumnGap;
        if (size_t(i) < headerSlots.size()) {
            TReportLabel* slot = headerSlots[size_t(i)];
            slot->SetEnabled(true);
            slot->SetLeft(slotLeft);
            slot->SetWidth(column->Width());
            slot->SetCaption(column->Title().Caption());
        }
        if (size_t(i) < detailSlots.size()) {
            TReportExpr* slot = detailSlots[size_t(i)];
            slot->SetEnabled(true);
            slot->SetLeft(slotLeft);
            slot->SetWidth(column->Width());
            slot->SetExpression(prefix + column->FieldName());
        }
        left = slotLeft;
    }
}
