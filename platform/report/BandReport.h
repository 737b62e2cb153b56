#pragma once
// The band report: a report over a dataset, made of bands that hold printable controls. It
// lays itself out into pages first (Prepare); printing, the PDF file and the preview all paint
// those pages. Errors are EReportError naming the report or the control at fault.
//
// The program builds a report by creating bands owned by the report and controls owned by the
// bands, sets captions, fields and expressions (also at run time), then calls Preview, Print or
// SaveToPdf. Fields are read from the report's own dataset ("field") or from the current row of
// any other dataset the report can see ("dataset.field").

#include "platform/report/ReportBand.h"
#include "platform/report/ReportPage.h"
#include "platform/report/ReportPageSetup.h"
#include "platform/toolkit/Component.h"

#include <functional>
#include <memory>
#include <utility>
#include <vector>

class QPrinter;
class TDataSet;
class TDataSetRowSource;
class TReportPreview;
class TReportPrintable;
class TReportRowSource;

class TBandReport : public TComponent {
    Q_OBJECT
public:
    explicit TBandReport(QObject* owner = nullptr);
    ~TBandReport() override;

    // The dataset whose rows the detail band prints. Without one the detail band prints once.
    TDataSet* DataSet() const;
    void SetDataSet(TDataSet* dataSet);
    // The same for any other row source (not owned); replaces the dataset.
    TReportRowSource* RowSource() const { return rowSource_; }
    void SetRowSource(TReportRowSource* source);
    // Further datasets and row sources (not owned) whose current row controls and expressions
    // may read. A dataset that is destroyed is forgotten.
    void AddDataSet(TDataSet* dataSet);
    void AddRowSource(TReportRowSource* source);
    void RemoveRowSource(TReportRowSource* source);
    // The report's own rows for an empty name or their own name; else an added dataset or row
    // source of that name; else a dataset of that name among the objects of the report's
    // owners (the data module of the application). Names ignore case; null when none.
    TReportRowSource* FindRowSource(const QString& name) const;
    // The control of that name on any band, or null.
    TReportPrintable* FindPrintable(const QString& name) const;

    // Paper size, orientation and margins.
    TReportPageSetup& Page() { return page_; }
    const TReportPageSetup& Page() const { return page_; }
    // Raises EReportError naming the report when its own page settings make no page: no room
    // inside the margins. No printer is asked (a print refuses a paper its printer cannot take),
    // so a preview or PDF file never depends on one. For checking the report templates at start-up.
    void CheckPage() const;
    QString ReportTitle() const { return title_; }
    void SetReportTitle(const QString& title) { title_ = title; }
    // The name a print run goes by, and the PDF file offered in its place where there is no
    // printer ("Фактура 0000000042 ОРИГИНАЛ"); the title while none is given.
    QString DocumentName() const { return documentName_.isEmpty() ? title_ : documentName_; }
    void SetDocumentName(const QString& name) { documentName_ = name; }
    // Page header on the first page too; page footer on the last page too.
    bool FirstPageHeader() const { return firstPageHeader_; }
    void SetFirstPageHeader(bool v) { firstPageHeader_ = v; }
    bool LastPageFooter() const { return lastPageFooter_; }
    void SetLastPageFooter(bool v) { lastPageFooter_ = v; }

    // A new band of the type, owned by the report.
    TReportBand* CreateBand(TBandType type, double height);
    std::vector<TReportBand*> Bands() const;
    std::vector<TReportBand*> BandsOfType(TBandType type) const;

    // Lays the report out anew from the datasets' present rows.
    void Prepare();
    // The pages of the last Prepare.
    const std::vector<TReportPage>& Pages() const { return pages_; }
    int PageCount() const { return int(pages_.size()); }

    // Lays out and prints on the UI host's printer (the default one; a test's PDF file),
    // without a dialog. Where there is no printer, writes the PDF file the person names through
    // the UI host; false when they cancel that.
    bool Print();
    // Lays out and prints on the given printer (a PDF-file printer too).
    void Print(QPrinter& printer);
    // Lays out and writes a PDF file with the texts as text and the fonts embedded.
    void SaveToPdf(const QString& fileName);
    // Lays out and shows the preview window modally through the UI host; AfterPreview fires
    // once it has closed.
    void Preview();
    // The preview window while it is open, else null.
    TReportPreview* PreviewWindow() const;

    std::function<void(TBandReport*)> AfterPreview;

    void Notification(TComponent* component, TOperation operation) override;

private:
    TReportRowSource* FindDataSetByName(const QString& name) const;

    TReportRowSource* rowSource_ = nullptr;
    std::unique_ptr<TDataSetRowSource> dataSetSource_;
    TComponent* dataSetComponent_ = nullptr;
    mutable std::vector<std::unique_ptr<TDataSetRowSource>> foundSources_;
    std::vector<TReportRowSource*> otherSources_;
    TReportPageSetup page_;
    QString title_;
    QString documentName_;
    bool firstPageHeader_ = true;
    bool lastPageFooter_ = true;
    std::vector<TReportPage> pages_;
    std::vector<std::pair<TComponent*, std::unique_ptr<TDataSetRowSource>>> addedDataSets_;
    TReportPreview* preview_ = nullptr;  // the open preview; it lives inside Preview
};
