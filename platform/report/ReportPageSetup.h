#pragma once
// Paper, orientation and margins of a report. Printables are placed in report units (1/96 inch,
// the form designer's pixels); paper and margins are given in millimetres.

#include <QPageLayout>
#include <QRectF>
#include <QSizeF>
#include <QString>

constexpr double ReportUnitsPerInch = 96.0;
constexpr double MillimetresPerInch = 25.4;

inline double MmToUnits(double mm) { return mm * ReportUnitsPerInch / MillimetresPerInch; }
inline double UnitsToMm(double units) { return units * MillimetresPerInch / ReportUnitsPerInch; }

enum TPaperSize { psA4, psA5, psLetter, psCustom };
enum TPrinterOrientation { poPortrait, poLandscape };

class TReportPageSetup {
public:
    TPaperSize PaperSize() const { return paperSize_; }
    // A named size sets the paper's width and length; psCustom keeps the current ones.
    void SetPaperSize(TPaperSize size);
    // Portrait width and length in mm; setting either makes the paper custom.
    double PaperWidth() const { return paperWidth_; }
    void SetPaperWidth(double mm);
    double PaperLength() const { return paperLength_; }
    void SetPaperLength(double mm);

    TPrinterOrientation Orientation() const { return orientation_; }
    void SetOrientation(TPrinterOrientation orientation) { orientation_ = orientation; }

    double TopMargin() const { return top_; }
    void SetTopMargin(double mm) { top_ = mm; }
    double BottomMargin() const { return bottom_; }
    void SetBottomMargin(double mm) { bottom_ = mm; }
    double LeftMargin() const { return left_; }
    void SetLeftMargin(double mm) { left_ = mm; }
    double RightMargin() const { return right_; }
    void SetRightMargin(double mm) { right_ = mm; }
    void SetMargins(double mm);

    // The sheet as it lies (orientation applied), in mm and in report units.
    QSizeF PageSizeMm() const;
    QSizeF PageSize() const;
    // The part of the sheet inside the margins, in report units.
    QRectF PrintableRect() const;
    // The sheet for a printer or PDF writer; margins are drawn by the report, so none here.
    QPageLayout PageLayout() const;

    // Raises EReportError naming `owner` when the sheet has no room inside its margins.
    void Check(const QString& owner) const;

private:
    TPaperSize paperSize_ = psA4;
    double paperWidth_ = 210.0;
    double paperLength_ = 297.0;
    TPrinterOrientation orientation_ = poPortrait;
    double top_ = 10.0;
    double bottom_ = 10.0;
    double left_ = 10.0;
    double right_ = 10.0;
};
