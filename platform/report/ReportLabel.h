#pragma once
// A fixed text; the program sets its caption at run time.

#include "platform/report/ReportPrintable.h"

class TReportLabel : public TReportText {
    Q_OBJECT
public:
    explicit TReportLabel(TReportBand* band);

    QString Caption() const { return caption_; }
    void SetCaption(const QString& caption) { caption_ = caption; }

protected:
    QString PrintText(const TPrintContext& context) override;

private:
    QString caption_;
};
