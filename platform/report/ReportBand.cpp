#include "platform/report/ReportBand.h"

#include "platform/report/BandReport.h"
#include "platform/report/ReportPrintable.h"

TReportBand::TReportBand(TBandReport* report, TBandType type) : TComponent(report), type_(type) {}

TBandReport* TReportBand::Report() const
{
    return qobject_cast<TBandReport*>(Owner());
}

void TReportBand::SetFooterBand(TReportBand* footer)
{
    if (footer_)
        RemoveFreeNotification(footer_);
    footer_ = footer;
    if (footer_)
        FreeNotification(footer_);
}

std::vector<TReportPrintable*> TReportBand::Printables() const
{
    std::vector<TReportPrintable*> printables;
    for (int i = 0; i < ComponentCount(); ++i)
        if (auto* p = qobject_cast<TReportPrintable*>(Components(i)))
            printables.push_back(p);
    return printables;
}

void TReportBand::Notification(TComponent* component, TOperation operation)
{
    TComponent::Notification(component, operation);
    if (operation == opRemove && component == footer_)
        footer_ = nullptr;
}
