#include "platform/report/BandReport.h"

#include "platform/report/ReportDataSet.h"
#include "platform/report/ReportError.h"
#include "platform/report/ReportLayout.h"
#include "platform/report/ReportPreview.h"
#include "platform/report/ReportPrintable.h"
#include "platform/report/ReportRenderer.h"
#include "platform/toolkit/DataSet.h"

#include <QCoreApplication>
#include <algorithm>

TBandReport::TBandReport(QObject* owner) : TComponent(owner) {}

TBandReport::~TBandReport()
{
    Destroying();
    SetDataSet(nullptr);
    for (auto& added : addedDataSets_)
        RemoveFreeNotification(added.first);
}

TDataSet* TBandReport::DataSet() const
{
    return dataSetSource_ && rowSource_ == dataSetSource_.get() ? dataSetSource_->DataSet() : nullptr;
}

void TBandReport::SetDataSet(TDataSet* dataSet)
{
    // The dataset is remembered as a component too: a free notification comes while it is
    // being destroyed, when it can no longer be looked at as a dataset.
    if (dataSetComponent_)
        RemoveFreeNotification(dataSetComponent_);
    dataSetComponent_ = nullptr;
    if (rowSource_ == dataSetSource_.get())
        rowSource_ = nullptr;
    dataSetSource_.reset();
    if (!dataSet)
        return;
    dataSetSource_ = std::make_unique<TDataSetRowSource>(dataSet);
    rowSource_ = dataSetSource_.get();
    dataSetComponent_ = dataSet;
    FreeNotification(dataSet);
}

void TBandReport::SetRowSource(TReportRowSource* source)
{
    SetDataSet(nullptr);
    rowSource_ = source;
}

void TBandReport::AddDataSet(TDataSet* dataSet)
{
    if (!dataSet)
        return;
    for (const auto& added : addedDataSets_)
        if (added.first == dataSet)
            return;
    addedDataSets_.emplace_back(dataSet, std::make_unique<TDataSetRowSource>(dataSet));
    FreeNotification(dataSet);
}

void TBandReport::AddRowSource(TReportRowSource* source)
{
    if (source && std::find(otherSources_.begin(), otherSources_.end(), source) == otherSources_.end())
        otherSources_.push_back(source);
}

void TBandReport::RemoveRowSource(TReportRowSource* source)
{
    otherSources_.erase(std::remove(otherSources_.begin(), otherSources_.end(), source), otherSources_.end());
}

TReportRowSource* TBandReport::FindRowSource(const QString& name) const
{
    auto named = [&name](const TReportRowSource* source) {
        return source->Name().compare(name, Qt::CaseInsensitive) == 0;
    };
    if (rowSource_ && (name.isEmpty() || named(rowSource_)))
        return rowSource_;
    if (name.isEmpty())
        return nullptr;
    for (TReportRowSource* source : otherSources_)
        if (named(source))
            return source;
    for (const auto& added : addedDataSets_)
        if (named(added.second.get()))
            return added.second.get();
    return FindDataSetByName(name);
}

TReportRowSource* TBandReport::FindDataSetByName(const QString& name) const
{
    for (const auto& source : foundSources_)
        if (source->DataSet() && source->Name().compare(name, Qt::CaseInsensitive) == 0)
            return source.get();
    const QObject* top = this;
    while (top->parent())
        top = top->parent();
    auto search = [&name](const QObject* root) -> TDataSet* {
        for (TDataSet* dataSet : root->findChildren<TDataSet*>())
            if (dataSet->Name().compare(name, Qt::CaseInsensitive) == 0)
                return dataSet;
        return nullptr;
    };
    TDataSet* found = search(top);
    if (!found && QCoreApplication::instance() && top != QCoreApplication::instance())
        found = search(QCoreApplication::instance());
    if (!found)
        return nullptr;
    foundSources_.push_back(std::make_unique<TDataSetRowSource>(found));
    return foundSources_.back().get();
}

void TBandReport::Notification(TComponent* component, TOperation operation)
{
    TComponent::Notification(component, operation);
    if (operation != opRemove || !component)
        return;
    if (component == dataSetComponent_)
        SetDataSet(nullptr);
    addedDataSets_.erase(std::remove_if(addedDataSets_.begin(), addedDataSets_.end(),
                                        [component](const auto& added) { return added.first == component; }),
                         addedDataSets_.end());
}

TReportBand* TBandReport::CreateBand(TBandType type, double height)
{
    auto* band = new TReportBand(this, type);
    band->SetHeight(height);
    return band;
}

std::vector<TReportBand*> TBandReport::Bands() const
{
    std::vector<TReportBand*> bands;
    for (int i = 0; i < ComponentCount(); ++i)
        if (auto* band = qobject_cast<TReportBand*>(Components(i)))
            bands.push_back(band);
    return bands;
}

TReportPrintable* TBandReport::FindPrintable(const QString& name) const
{
    for (TReportBand* band : Bands())
        for (TReportPrintable* printable : band->Printables())
            if (printable->Name().compare(name, Qt::CaseInsensitive) == 0)
                return printable;
    return nullptr;
}

std::vector<TReportBand*> TBandReport::BandsOfType(TBandType type) const
{
    std::vector<TReportBand*> bands;
    for (TReportBand* band : Bands())
        if (band->BandType() == type)
            bands.push_back(band);
    return bands;
}

void TBandReport::CheckPage() const
{
    // A printer is asked about its paper when a print goes to it; previews and PDF files take
    // the report's own page.
    page_.Check(Name());
}

void TBandReport::Prepare()
{
    foundSources_.clear();
    pages_.clear();
    pages_ = LayoutReport(*this);
}

bool TBandReport::Print()
{
    Prepare();
    return PrintOnHostPrinter(pages_, page_, title_, DocumentName(), Name());
}

void TBandReport::Print(QPrinter& printer)
{
    Prepare();
    PrintPages(pages_, page_, printer, Name());
}

void TBandReport::SaveToPdf(const QString& fileName)
{
    if (fileName.isEmpty())
        ReportError(Name(), QCoreApplication::translate("Report", "No PDF file name is given"));
    Prepare();
    WritePdf(pages_, page_, fileName, title_, Name());
}

void TBandReport::Preview()
{
    Prepare();
    {
        TReportPreview window(pages_, page_, title_, Name());
        window.SetDocumentName(DocumentName());
        preview_ = &window;
        try {
            window.ShowModal();
        } catch (...) {
            preview_ = nullptr;
            throw;
        }
        preview_ = nullptr;
    }
    // The window has gone; the handler may preview again.
    if (AfterPreview)
        AfterPreview(this);
}

TReportPreview* TBandReport::PreviewWindow() const
{
    return preview_;
}
