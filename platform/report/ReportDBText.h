#pragma once
// The current value of a dataset's field: of the report's own dataset when no dataset name is
// given, else of the named dataset's current row.

#include "platform/report/ReportPrintable.h"

class TDataSet;

class TReportDBText : public TReportText {
    Q_OBJECT
public:
    explicit TReportDBText(TReportBand* band);

    // The dataset's name as expressions use it; empty for the report's own dataset.
    QString DataSetName() const { return dataSetName_; }
    void SetDataSetName(const QString& name) { dataSetName_ = name; }
    // Binds to the dataset by its name and lets the band's report see it.
    void SetDataSet(TDataSet* dataSet);
    QString DataField() const { return dataField_; }
    void SetDataField(const QString& field) { dataField_ = field; }
    // Numbers by the mask; without one the field's display text.
    QString Mask() const { return mask_; }
    void SetMask(const QString& mask) { mask_ = mask; }

    void Check(const TPrintContext& context) override;

protected:
    QString PrintText(const TPrintContext& context) override;

private:
    QString dataSetName_;
    QString dataField_;
    QString mask_;
};
