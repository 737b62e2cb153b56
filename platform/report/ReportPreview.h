#pragma once
// The preview window: one page at a time at a chosen zoom, paging, printing and saving as PDF.
// Keys: PgDn/PgUp next and prior page, Home/End first and last, + and - zoom, Esc closes.
// It runs modally through the UI host like every window of the program.

#include "platform/report/ReportPage.h"
#include "platform/report/ReportPageSetup.h"
#include "platform/toolkit/gui/Form.h"

#include <vector>

class QKeyEvent;
class QLabel;
class QScrollArea;
class TPreviewPageView;

class TReportPreview : public TForm {
    Q_OBJECT
public:
    // `owner` names the report in error messages.
    TReportPreview(std::vector<TReportPage> pages, const TReportPageSetup& setup, const QString& title,
                   const QString& owner);
    ~TReportPreview() override;

    int PageCount() const { return int(pages_.size()); }
    // 1-based; kept within the pages.
    int PageNumber() const { return pageNumber_; }
    void SetPageNumber(int number);
    void FirstPage() { SetPageNumber(1); }
    void PriorPage() { SetPageNumber(pageNumber_ - 1); }
    void NextPage() { SetPageNumber(pageNumber_ + 1); }
    void LastPage() { SetPageNumber(PageCount()); }
    const TReportPage* CurrentPage() const;

    // Percent of the page's real size; kept between 10 and 400.
    int Zoom() const { return zoom_; }
    void SetZoom(int percent);
    void ZoomIn();
    void ZoomOut();
    // The zoom at which the page fills the window's width.
    void ZoomToWidth();

    // The name of its print runs and of the PDF file offered for it; the title while none is given.
    QString DocumentName() const { return documentName_.isEmpty() ? title_ : documentName_; }
    void SetDocumentName(const QString& name) { documentName_ = name; }

    // Prints every page on the UI host's printer, or where there is none into the PDF file the
    // person names; an error is shown, not raised.
    void PrintClick();
    // Asks for a file name and saves there; an error is shown, not raised.
    void SavePdfClick();
    // Writes every page to the PDF file; raises EReportError.
    void SaveToPdf(const QString& fileName);

    // Takes the preview's keys; true when the key was one of them.
    bool PreviewKey(QKeyEvent* event);

    // The page as shown, for tests and the page view.
    QLabel* PageLabel() const { return pageLabel_; }
    TPreviewPageView* PageView() const { return view_; }

protected:
    void keyPressEvent(QKeyEvent* event) override;

private:
    void BuildWindow();
    void Refresh();
    void ShowError(const QString& text);

    std::vector<TReportPage> pages_;
    TReportPageSetup setup_;
    QString title_;
    QString owner_;
    QString documentName_;
    int pageNumber_ = 1;
    int zoom_ = 100;
    QLabel* pageLabel_ = nullptr;
    QScrollArea* scroll_ = nullptr;
    TPreviewPageView* view_ = nullptr;
};

// The widget that paints the current page at the preview's zoom.
class TPreviewPageView : public QWidget {
    Q_OBJECT
public:
    explicit TPreviewPageView(TReportPreview* preview);
    // Device pixels per report unit at the present zoom.
    double Scale() const;
    void UpdateSize();

protected:
    void paintEvent(QPaintEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;

private:
    TReportPreview* preview_;
};
