#pragma once
// What the report itself knows: the print date and time, the page number, the page count,
// the report's title, the detail row number. The text is printed before the value ("стр. ").

#include "platform/report/ReportPrintable.h"

enum TSysDataType { sdDate, sdTime, sdDateTime, sdPageNumber, sdPageCount, sdReportTitle, sdDetailNo };

class TReportSysData : public TReportText {
    Q_OBJECT
public:
    explicit TReportSysData(TReportBand* band);

    TSysDataType Data() const { return data_; }
    void SetData(TSysDataType data) { data_ = data; }
    QString Text() const { return text_; }
    void SetText(const QString& text) { text_ = text; }

    void Print(const TPrintContext& context, double bandWidth, std::vector<TPageItem>& items) override;

protected:
    QString PrintText(const TPrintContext& context) override;

private:
    TSysDataType data_ = sdDate;
    QString text_;
};
