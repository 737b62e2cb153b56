#include "platform/report/ReportDataSet.h"

#include "platform/report/ReportError.h"
#include "platform/toolkit/DataSet.h"

#include <QCoreApplication>

namespace {

TDataSet& Alive(TDataSet* dataSet)
{
    if (!dataSet)
        ReportError(QString(), QCoreApplication::translate("Report", "The dataset no longer exists"));
    return *dataSet;
}

}  // namespace

TDataSetRowSource::TDataSetRowSource(TDataSet* dataSet) : dataSet_(dataSet) {}

QString TDataSetRowSource::Name() const
{
    return dataSet_ ? dataSet_->Name() : QString();
}

bool TDataSetRowSource::Active() const
{
    return dataSet_ && dataSet_->Active();
}

void TDataSetRowSource::First()
{
    Alive(dataSet_).First();
}

void TDataSetRowSource::Next()
{
    Alive(dataSet_).Next();
}

bool TDataSetRowSource::Eof() const
{
    return !dataSet_ || dataSet_->Eof();
}

bool TDataSetRowSource::HasField(const QString& field) const
{
    return dataSet_ && dataSet_->FindField(field) != nullptr;
}

TVariant TDataSetRowSource::FieldValue(const QString& field) const
{
    return Alive(dataSet_).FieldByName(field)->AsVariant();
}

QString TDataSetRowSource::FieldText(const QString& field) const
{
    return Alive(dataSet_).FieldByName(field)->DisplayText();
}

QByteArray TDataSetRowSource::Position()
{
    return dataSet_ && dataSet_->Active() ? dataSet_->GetBookmark() : QByteArray();
}

void TDataSetRowSource::SetPosition(const QByteArray& position)
{
    if (!position.isEmpty())
        Alive(dataSet_).GotoBookmark(position);
}

void TDataSetRowSource::DisableControls()
{
    if (dataSet_)
        dataSet_->DisableControls();
}

void TDataSetRowSource::EnableControls()
{
    if (dataSet_)
        dataSet_->EnableControls();
}
