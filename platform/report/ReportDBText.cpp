#include "platform/report/ReportDBText.h"

#include "platform/report/BandReport.h"
#include "platform/toolkit/DataSet.h"

#include "platform/report/ReportError.h"
#include "platform/report/ReportFormat.h"

#include <QCoreApplication>

TReportDBText::TReportDBText(TReportBand* band) : TReportText(band) {}

void TReportDBText::SetDataSet(TDataSet* dataSet)
{
    dataSetName_ = dataSet ? dataSet->Name() : QString();
    TReportBand* band = Band();
    if (dataSet && band && band->Report())
        band->Report()->AddDataSet(dataSet);
}

void TReportDBText::Check(const TPrintContext& context)
{
    if (dataField_.isEmpty())
        ReportError(Name(), QCoreApplication::translate("Report", "No data field is given"));
    try {
        context.CheckField(dataSetName_, dataField_);
    } catch (const EReportError& e) {
        ReportError(Name(), e.Message());
    }
}

QString TReportDBText::PrintText(const TPrintContext& context)
{
    try {
        if (mask_.isEmpty())
            return context.FieldText(dataSetName_, dataField_);
        const TVariant value = context.FieldValue(dataSetName_, dataField_);
        if (value.IsNumeric())
            return FormatNumber(mask_, value.AsFloat());
        return FormatValue(value);
    } catch (const EReportError& e) {
        ReportError(Name(), e.Message());
    }
}
