#include "platform/report/ReportPageSetup.h"

#include "platform/report/ReportError.h"

#include <QCoreApplication>
#include <QPageSize>

void TReportPageSetup::SetPaperSize(TPaperSize size)
{
    paperSize_ = size;
    switch (size) {
    case psA4:
        paperWidth_ = 210.0;
        paperLength_ = 297.0;
        break;
    case psA5:
        paperWidth_ = 148.0;
        paperLength_ = 210.0;
        break;
    case psLetter:
        paperWidth_ = 215.9;
        paperLength_ = 279.4;
        break;
    case psCustom:
        break;
    }
}

void TReportPageSetup::SetPaperWidth(double mm)
{
    paperSize_ = psCustom;
    paperWidth_ = mm;
}

void TReportPageSetup::SetPaperLength(double mm)
{
    paperSize_ = psCustom;
    paperLength_ = mm;
}

void TReportPageSetup::SetMargins(double mm)
{
    top_ = bottom_ = left_ = right_ = mm;
}

QSizeF TReportPageSetup::PageSizeMm() const
{
    if (orientation_ == poLandscape)
        return {paperLength_, paperWidth_};
    return {paperWidth_, paperLength_};
}

QSizeF TReportPageSetup::PageSize() const
{
    const QSizeF mm = PageSizeMm();
    return {MmToUnits(mm.width()), MmToUnits(mm.height())};
}

QRectF TReportPageSetup::PrintableRect() const
{
    const QSizeF page = PageSize();
    return QRectF(MmToUnits(left_), MmToUnits(top_), page.width() - MmToUnits(left_ + right_),
                  page.height() - MmToUnits(top_ + bottom_));
}

QPageLayout TReportPageSetup::PageLayout() const
{
    // The page size is always given portrait; the layout turns it.
    const QPageSize size(QSizeF(paperWidth_, paperLength_), QPageSize::Millimeter, QString(),
                         QPageSize::ExactMatch);
    return QPageLayout(size, orientation_ == poLandscape ? QPageLayout::Landscape : QPageLayout::Portrait,
                       QMarginsF(), QPageLayout::Millimeter);
}

void TReportPageSetup::Check(const QString& owner) const
{
    if (!(paperWidth_ > 0.0) || !(paperLength_ > 0.0))
        ReportError(owner, QCoreApplication::translate("Report", "The paper size %1 x %2 mm is not valid")
                               .arg(paperWidth_).arg(paperLength_));
    if (top_ < 0.0 || bottom_ < 0.0 || left_ < 0.0 || right_ < 0.0)
        ReportError(owner, QCoreApplication::translate("Report", "A margin cannot be negative"));
    const QRectF inside = PrintableRect();
    if (!(inside.width() > 0.0) || !(inside.height() > 0.0))
        ReportError(owner, QCoreApplication::translate("Report", "The margins leave no room on the page"));
}
