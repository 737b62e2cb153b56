#pragma once
// A picture of the report form: drawn at its own size (one image pixel a report unit) and
// clipped to the control's box, or stretched to fill the box.

#include "platform/report/ReportPrintable.h"

#include <QImage>

class TReportImage : public TReportPrintable {
    Q_OBJECT
public:
    explicit TReportImage(TReportBand* band);

    const QImage& Picture() const { return picture_; }
    void SetPicture(const QImage& picture) { picture_ = picture; }
    bool Stretch() const { return stretch_; }
    void SetStretch(bool v) { stretch_ = v; }

    void Print(const TPrintContext& context, double bandWidth, std::vector<TPageItem>& items) override;

private:
    QImage picture_;
    bool stretch_ = false;
};
