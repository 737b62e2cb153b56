#pragma once
// A tiny table of rows for the report tests: named columns, a cursor, and a count of how often
// controls were disabled.

#include "platform/report/ReportDataSource.h"
#include "platform/report/ReportFormat.h"

#include <QStringList>
#include <utility>
#include <vector>

class TTestRows : public TReportRowSource {
public:
    TTestRows(QString name, QStringList columns, std::vector<std::vector<TVariant>> rows)
        : name_(std::move(name)), columns_(std::move(columns)), rows_(std::move(rows))
    {
    }

    QString Name() const override { return name_; }
    bool Active() const override { return active_; }
    void First() override { at_ = 0; }
    void Next() override { ++at_; }
    bool Eof() const override { return at_ >= rows_.size(); }
    bool HasField(const QString& field) const override { return Column(field) >= 0; }
    TVariant FieldValue(const QString& field) const override { return rows_.at(at_).at(size_t(Column(field))); }
    QString FieldText(const QString& field) const override { return FormatValue(FieldValue(field)); }
    void DisableControls() override { ++disabled_; }
    void EnableControls() override { --disabled_; }

    void SetActive(bool active) { active_ = active; }
    void MoveTo(size_t row) { at_ = row; }
    int DisabledCount() const { return disabled_; }

private:
    int Column(const QString& field) const
    {
        for (int i = 0; i < columns_.size(); ++i)
            if (columns_.at(i).compare(field, Qt::CaseInsensitive) == 0)
                return i;
        return -1;
    }

    QString name_;
    QStringList columns_;
    std::vector<std::vector<TVariant>> rows_;
    size_t at_ = 0;
    bool active_ = true;
    int disabled_ = 0;
};
