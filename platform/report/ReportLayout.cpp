#include "platform/report/ReportLayout.h"

#include "platform/report/BandReport.h"
#include "platform/report/ReportDataSource.h"
#include "platform/report/ReportError.h"
#include "platform/report/ReportExpr.h"
#include "platform/report/ReportFormat.h"
#include "platform/report/ReportPrintable.h"

#include <QCoreApplication>
#include <memory>

namespace {

struct TGroup {
    TReportBand* header = nullptr;
    std::unique_ptr<TReportExpression> expression;
    QString key;
    std::vector<TPageItem> pendingFooter;  // the footer as it prints after the group's last row
};

// Keeps a dataset's controls disabled while the report is laid out, whatever happens.
class TControlsDisabled {
public:
    explicit TControlsDisabled(TReportRowSource* source) : source_(source)
    {
        if (source_)
            source_->DisableControls();
    }
    ~TControlsDisabled()
    {
        if (source_)
            source_->EnableControls();
    }
    TControlsDisabled(const TControlsDisabled&) = delete;
    TControlsDisabled& operator=(const TControlsDisabled&) = delete;

private:
    TReportRowSource* source_;
};

class TLayout : public TPrintContext {
public:
    explicit TLayout(TBandReport& report) : report_(report), area_(report.Page().PrintableRect()) {}

    std::vector<TReportPage> Run();

    void CheckField(const QString& dataSet, const QString& field) const override;
    TVariant FieldValue(const QString& dataSet, const QString& field) const override;
    QString FieldText(const QString& dataSet, const QString& field) const override;
    int PageNumber() const override { return int(pages_.size()); }
    TDateTime PrintDateTime() const override { return printTime_; }
    QString ReportTitle() const override { return report_.ReportTitle(); }
    int DetailNumber() const override { return detailNumber_; }

private:
    std::vector<TReportBand*> Enabled(TBandType type) const;
    void CheckControls();
    void PrepareGroups();
    void ResetAllAggregates();
    const TReportRowSource& Source(const QString& dataSet, const QString& field) const;

    void PrintRow(bool first);
    void PrintDetail();
    void CloseGroups(size_t from);
    void OpenGroups(size_t from);
    void RenderPendingFooters();

    std::vector<TPageItem> Render(TReportBand* band);
    // Makes room for `height` below the current line, starting a new page when needed.
    void MakeRoom(TReportBand* band, double height);
    void Place(TReportBand* band, std::vector<TPageItem> items, double top);
    void PrintBand(TReportBand* band);
    void PrintBands(TBandType type);
    void LayOutRows(TReportRowSource* source);
    void StartPage();
    void FinishPage(bool last);
    void AfterPlaced(TReportBand* band);
    void FillPageCount();

    TBandReport& report_;
    QRectF area_;
    TDateTime printTime_ = 0.0;
    std::vector<TReportPage> pages_;
    std::vector<TGroup> groups_;
    double y_ = 0.0;
    double footerTop_ = 0.0;
    bool bodyStarted_ = false;
    int detailNumber_ = 0;
};

std::vector<TReportBand*> TLayout::Enabled(TBandType type) const
{
    std::vector<TReportBand*> bands;
    for (TReportBand* band : report_.BandsOfType(type))
        if (band->Enabled())
            bands.push_back(band);
    return bands;
}

const TReportRowSource& TLayout::Source(const QString& dataSet, const QString& field) const
{
    const TReportRowSource* source = report_.FindRowSource(dataSet);
    if (!source) {
        if (dataSet.isEmpty())
            ReportError(QString(), QCoreApplication::translate("Report", "Field '%1' has no dataset: the report has none").arg(field));
        ReportError(QString(), QCoreApplication::translate("Report", "Dataset '%1' not found").arg(dataSet));
    }
    return *source;
}

void TLayout::CheckField(const QString& dataSet, const QString& field) const
{
    const TReportRowSource& source = Source(dataSet, field);
    const QString shown = dataSet.isEmpty() ? field : dataSet + QLatin1Char('.') + field;
    if (!source.HasField(field))
        ReportError(QString(), QCoreApplication::translate("Toolkit", "Field '%1' not found").arg(shown));
    if (!source.Active())
        ReportError(QString(), QCoreApplication::translate("Report", "Dataset '%1' is not open").arg(source.Name()));
}

TVariant TLayout::FieldValue(const QString& dataSet, const QString& field) const
{
    return Source(dataSet, field).FieldValue(field);
}

QString TLayout::FieldText(const QString& dataSet, const QString& field) const
{
    return Source(dataSet, field).FieldText(field);
}

void TLayout::CheckControls()
{
    for (TReportBand* band : report_.Bands()) {
        if (!band->Enabled())
            continue;
        for (TReportPrintable* printable : band->Printables())
            if (printable->Printing())
                printable->Check(*this);
    }
}

void TLayout::PrepareGroups()
{
    for (TReportBand* header : Enabled(rbGroupHeader)) {
        TGroup group;
        group.header = header;
        if (!header->Expression().isEmpty()) {
            try {
                group.expression = std::make_unique<TReportExpression>(header->Expression());
                group.expression->Check(*this);
            } catch (const EReportError& e) {
                ReportError(header->Name(), e.Message());
            }
        }
        groups_.push_back(std::move(group));
    }
}

void TLayout::ResetAllAggregates()
{
    for (TReportBand* band : report_.Bands())
        for (TReportPrintable* printable : band->Printables())
            printable->ResetAggregates();
}

std::vector<TPageItem> TLayout::Render(TReportBand* band)
{
    std::vector<TPageItem> items;
    if (band->Color().isValid()) {
        TPageItem fill;
        fill.Kind = TPageItemKind::Rectangle;
        fill.Name = band->Name();
        fill.Rect = QRectF(0.0, 0.0, area_.width(), band->Height());
        fill.Fill = band->Color();
        fill.PenStyle = Qt::NoPen;
        fill.PenWidth = 0.0;
        items.push_back(fill);
    }
    for (TReportPrintable* printable : band->Printables())
        if (printable->Printing())
            printable->Print(*this, area_.width(), items);
    return items;
}

void TLayout::Place(TReportBand* band, std::vector<TPageItem> items, double top)
{
    const QPointF offset(area_.left(), top);
    std::vector<TPageItem>& page = pages_.back().Items;
    for (TPageItem& item : items) {
        item.Rect.translate(offset);
        item.Line.translate(offset);
        page.push_back(std::move(item));
    }
    AfterPlaced(band);
}

void TLayout::AfterPlaced(TReportBand* band)
{
    for (TReportPrintable* printable : band->Printables()) {
        const auto* expr = qobject_cast<TReportExpr*>(printable);
        if (band->BandType() == rbGroupFooter || (expr && expr->ResetAfterPrint()))
            printable->ResetAggregates();
    }
}

void TLayout::MakeRoom(TReportBand* band, double height)
{
    const bool forced = band->ForceNewPage() && bodyStarted_;
    if (forced || (bodyStarted_ && y_ + height > footerTop_)) {
        FinishPage(false);
        StartPage();
    }
}

void TLayout::PrintBand(TReportBand* band)
{
    MakeRoom(band, band->Height());
    Place(band, Render(band), y_);
    y_ += band->Height();
    bodyStarted_ = true;
}

void TLayout::PrintBands(TBandType type)
{
    for (TReportBand* band : Enabled(type))
        PrintBand(band);
}

void TLayout::StartPage()
{
    TReportPage page;
    page.Number = int(pages_.size()) + 1;
    page.Size = report_.Page().PageSize();
    pages_.push_back(std::move(page));
    y_ = area_.top();
    double footers = 0.0;
    for (TReportBand* band : Enabled(rbPageFooter))
        footers += band->Height();
    footerTop_ = area_.bottom() - footers;
    bodyStarted_ = false;
    // Headers are placed without a check: they belong to this page whatever their size.
    auto placeHeaders = [this](TBandType type) {
        for (TReportBand* band : Enabled(type)) {
            Place(band, Render(band), y_);
            y_ += band->Height();
        }
    };
    if (pages_.size() > 1 || report_.FirstPageHeader())
        placeHeaders(rbPageHeader);
    if (pages_.size() == 1) {
        const std::vector<TReportBand*> titles = Enabled(rbTitle);
        placeHeaders(rbTitle);
        bodyStarted_ = !titles.empty();
    }
    placeHeaders(rbColumnHeader);
}

void TLayout::FinishPage(bool last)
{
    if (last && !report_.LastPageFooter())
        return;
    double top = footerTop_;
    for (TReportBand* band : Enabled(rbPageFooter)) {
        Place(band, Render(band), top);
        top += band->Height();
    }
}

void TLayout::CloseGroups(size_t from)
{
    for (size_t j = groups_.size(); j-- > from;) {
        TReportBand* footer = groups_[j].header->FooterBand();
        if (!footer || !footer->Enabled())
            continue;
        MakeRoom(footer, footer->Height());
        Place(footer, std::move(groups_[j].pendingFooter), y_);
        groups_[j].pendingFooter.clear();
        y_ += footer->Height();
        bodyStarted_ = true;
    }
}

void TLayout::OpenGroups(size_t from)
{
    for (size_t j = from; j < groups_.size(); ++j)
        PrintBand(groups_[j].header);
}

void TLayout::RenderPendingFooters()
{
    for (TGroup& group : groups_) {
        TReportBand* footer = group.header->FooterBand();
        if (footer && footer->Enabled())
            group.pendingFooter = Render(footer);
    }
}

void TLayout::PrintDetail()
{
    // The page breaks before the row is counted, so that a page footer's sums end with the
    // page's last row.
    const std::vector<TReportBand*> details = Enabled(rbDetail);
    if (!details.empty())
        MakeRoom(details.front(), details.front()->Height());
    for (TReportBand* band : report_.Bands())
        if (band->Enabled())
            for (TReportPrintable* printable : band->Printables())
                if (printable->Printing())
                    printable->Accumulate(*this);
    ++detailNumber_;
    for (TReportBand* band : details)
        PrintBand(band);
    RenderPendingFooters();
}

void TLayout::PrintRow(bool first)
{
    size_t changed = groups_.size();
    for (size_t i = 0; i < groups_.size(); ++i) {
        TGroup& group = groups_[i];
        QString key;
        if (group.expression) {
            try {
                key = FormatValue(group.expression->Evaluate(*this));
            } catch (const EReportError& e) {
                ReportError(group.header->Name(), e.Message());
            }
        }
        if (changed == groups_.size() && (first || key != group.key))
            changed = i;
        group.key = key;
    }
    if (!first)
        CloseGroups(changed);
    OpenGroups(first ? 0 : changed);
    PrintDetail();
}

void TLayout::FillPageCount()
{
    const QString count = QString::number(pages_.size());
    for (TReportPage& page : pages_)
        for (TPageItem& item : page.Items)
            if (item.NeedsPageCount) {
                item.Text += count;
                item.NeedsPageCount = false;
            }
}

std::vector<TReportPage> TLayout::Run()
{
    report_.Page().Check(report_.Name());
    printTime_ = Now();
    TReportRowSource* source = report_.RowSource();
    if (source && !source->Active())
        ReportError(report_.Name(), QCoreApplication::translate("Report", "Dataset '%1' is not open").arg(source->Name()));
    CheckControls();
    PrepareGroups();
    ResetAllAggregates();

    // The walk leaves the rows where they stood, and their controls still meanwhile.
    TControlsDisabled still(source);
    const QByteArray start = source ? source->Position() : QByteArray();
    try {
        LayOutRows(source);
    } catch (...) {
        if (source)
            source->SetPosition(start);
        throw;
    }
    if (source)
        source->SetPosition(start);
    return std::move(pages_);
}

void TLayout::LayOutRows(TReportRowSource* source)
{
    StartPage();
    bool anyRow = false;
    if (source) {
        for (source->First(); !source->Eof(); source->Next()) {
            PrintRow(!anyRow);
            anyRow = true;
        }
    } else {
        PrintRow(true);
        anyRow = true;
    }
    if (anyRow)
        CloseGroups(0);
    PrintBands(rbSummary);
    FinishPage(true);
    FillPageCount();
}

}  // namespace

std::vector<TReportPage> LayoutReport(TBandReport& report)
{
    return TLayout(report).Run();
}
