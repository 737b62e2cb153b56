#pragma once
// The report's view of a toolkit dataset: its rows and its fields by name.

#include "platform/report/ReportDataSource.h"

#include <QPointer>

class TDataSet;

class TDataSetRowSource : public TReportRowSource {
public:
    explicit TDataSetRowSource(TDataSet* dataSet);

    TDataSet* DataSet() const { return dataSet_; }

    QString Name() const override;
    // A dataset that has gone away counts as closed.
    bool Active() const override;
    void First() override;
    void Next() override;
    bool Eof() const override;
    bool HasField(const QString& field) const override;
    TVariant FieldValue(const QString& field) const override;
    QString FieldText(const QString& field) const override;
    // The dataset's bookmark.
    QByteArray Position() override;
    void SetPosition(const QByteArray& position) override;
    void DisableControls() override;
    void EnableControls() override;

private:
    QPointer<TDataSet> dataSet_;
};
