#include "platform/report/ReportPreview.h"

#include "platform/report/ReportError.h"
#include "platform/report/ReportRenderer.h"
#include "platform/toolkit/gui/UiHost.h"

#include <QAction>
#include <QKeyEvent>
#include <QLabel>
#include <QPainter>
#include <QScrollArea>
#include <QScrollBar>
#include <QToolBar>
#include <QVBoxLayout>
#include <algorithm>
#include <array>

namespace {

constexpr std::array<int, 9> ZoomSteps = {10, 25, 50, 75, 100, 125, 150, 200, 400};
constexpr int PageGap = 12;  // grey border around the sheet, in pixels

}  // namespace

TReportPreview::TReportPreview(std::vector<TReportPage> pages, const TReportPageSetup& setup, const QString& title,
                               const QString& owner)
    : pages_(std::move(pages)), setup_(setup), title_(title), owner_(owner)
{
    setObjectName(QStringLiteral("ReportPreview"));
    SetCaption(title.isEmpty() ? QStringLiteral("Преглед") : QStringLiteral("Преглед - ") + title);
    BuildWindow();
    resize(900, 700);
    Refresh();
}

TReportPreview::~TReportPreview() = default;

void TReportPreview::BuildWindow()
{
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(0);

    auto* bar = new QToolBar(this);
    bar->setFocusPolicy(Qt::NoFocus);
    auto add = [this, bar](const QString& text, const QString& name, auto slot) {
        QAction* action = bar->addAction(text);
        action->setObjectName(name);
        connect(action, &QAction::triggered, this, slot);
    };
    add(QStringLiteral("|<"), QStringLiteral("actFirstPage"), &TReportPreview::FirstPage);
    add(QStringLiteral("<"), QStringLiteral("actPriorPage"), &TReportPreview::PriorPage);
    add(QStringLiteral(">"), QStringLiteral("actNextPage"), &TReportPreview::NextPage);
    add(QStringLiteral(">|"), QStringLiteral("actLastPage"), &TReportPreview::LastPage);
    bar->addSeparator();
    add(QStringLiteral("+"), QStringLiteral("actZoomIn"), &TReportPreview::ZoomIn);
    add(QStringLiteral("-"), QStringLiteral("actZoomOut"), &TReportPreview::ZoomOut);
    add(QStringLiteral("По ширина"), QStringLiteral("actZoomToWidth"), &TReportPreview::ZoomToWidth);
    bar->addSeparator();
    add(QStringLiteral("Печат"), QStringLiteral("actPrint"), &TReportPreview::PrintClick);
    add(QStringLiteral("Запис като PDF"), QStringLiteral("actSavePdf"), &TReportPreview::SavePdfClick);
    add(QStringLiteral("Затвори"), QStringLiteral("actClose"), &TReportPreview::Close);
    bar->addSeparator();
    pageLabel_ = new QLabel(bar);
    pageLabel_->setObjectName(QStringLiteral("lblPage"));
    bar->addWidget(pageLabel_);
    layout->addWidget(bar);

    scroll_ = new QScrollArea(this);
    scroll_->setFocusPolicy(Qt::NoFocus);
    scroll_->setAlignment(Qt::AlignHCenter | Qt::AlignTop);
    scroll_->setBackgroundRole(QPalette::Dark);
    view_ = new TPreviewPageView(this);
    scroll_->setWidget(view_);
    layout->addWidget(scroll_, 1);
    view_->setFocus();
}

const TReportPage* TReportPreview::CurrentPage() const
{
    if (pages_.empty())
        return nullptr;
    return &pages_.at(size_t(pageNumber_ - 1));
}

void TReportPreview::SetPageNumber(int number)
{
    pageNumber_ = std::clamp(number, 1, std::max(1, PageCount()));
    Refresh();
}

void TReportPreview::SetZoom(int percent)
{
    zoom_ = std::clamp(percent, ZoomSteps.front(), ZoomSteps.back());
    Refresh();
}

void TReportPreview::ZoomIn()
{
    const auto next = std::upper_bound(ZoomSteps.begin(), ZoomSteps.end(), zoom_);
    SetZoom(next == ZoomSteps.end() ? ZoomSteps.back() : *next);
}

void TReportPreview::ZoomOut()
{
    const auto at = std::lower_bound(ZoomSteps.begin(), ZoomSteps.end(), zoom_);
    SetZoom(at == ZoomSteps.begin() ? ZoomSteps.front() : *(at - 1));
}

void TReportPreview::ZoomToWidth()
{
    const double pageWidth = setup_.PageSize().width() * view_->logicalDpiX() / ReportUnitsPerInch;
    const int room = scroll_->viewport()->width() - 2 * PageGap;
    if (pageWidth > 0.0 && room > 0)
        SetZoom(int(100.0 * room / pageWidth));
}

void TReportPreview::Refresh()
{
    pageLabel_->setText(QStringLiteral("Страница %1 от %2").arg(PageCount() ? pageNumber_ : 0).arg(PageCount()));
    view_->UpdateSize();
    view_->update();
}

void TReportPreview::ShowError(const QString& text)
{
    TMessageRequest request;
    request.Caption = Caption();
    request.Text = text;
    request.Type = mtError;
    request.Buttons = mbOK;
    UiHost().MessageBox(request);
}

void TReportPreview::PrintClick()
{
    try {
        PrintOnHostPrinter(pages_, setup_, title_, DocumentName(), owner_);
    } catch (const EReportError& e) {
        ShowError(e.Message());
    }
}

void TReportPreview::SavePdfClick()
{
    const QString fileName = AskPdfFileName(QStringLiteral("Запис като PDF"), DocumentName());
    if (fileName.isEmpty())
        return;
    try {
        SaveToPdf(fileName);
    } catch (const EReportError& e) {
        ShowError(e.Message());
    }
}

void TReportPreview::SaveToPdf(const QString& fileName)
{
    WritePdf(pages_, setup_, fileName, title_, owner_);
}

bool TReportPreview::PreviewKey(QKeyEvent* event)
{
    switch (event->key()) {
    case Qt::Key_PageDown:
        NextPage();
        return true;
    case Qt::Key_PageUp:
        PriorPage();
        return true;
    case Qt::Key_Home:
        FirstPage();
        return true;
    case Qt::Key_End:
        LastPage();
        return true;
    case Qt::Key_Plus:
        ZoomIn();
        return true;
    case Qt::Key_Minus:
        ZoomOut();
        return true;
    case Qt::Key_Escape:
        Close();
        return true;
    default:
        return false;
    }
}

void TReportPreview::keyPressEvent(QKeyEvent* event)
{
    if (PreviewKey(event))
        event->accept();
    else
        TForm::keyPressEvent(event);
}

TPreviewPageView::TPreviewPageView(TReportPreview* preview) : QWidget(preview), preview_(preview)
{
    setFocusPolicy(Qt::StrongFocus);
    setAttribute(Qt::WA_OpaquePaintEvent);
}

double TPreviewPageView::Scale() const
{
    return preview_->Zoom() / 100.0 * logicalDpiX() / ReportUnitsPerInch;
}

void TPreviewPageView::UpdateSize()
{
    const TReportPage* page = preview_->CurrentPage();
    const QSizeF size = page ? page->Size : QSizeF(0, 0);
    resize(int(size.width() * Scale()) + 2 * PageGap, int(size.height() * Scale()) + 2 * PageGap);
}

void TPreviewPageView::paintEvent(QPaintEvent*)
{
    QPainter painter(this);
    painter.fillRect(rect(), palette().dark());
    const TReportPage* page = preview_->CurrentPage();
    if (!page)
        return;
    const double scale = Scale();
    painter.fillRect(QRectF(PageGap, PageGap, page->Size.width() * scale, page->Size.height() * scale), Qt::white);
    painter.translate(PageGap, PageGap);
    painter.scale(scale, scale);
    PaintPage(painter, *page);
}

void TPreviewPageView::keyPressEvent(QKeyEvent* event)
{
    if (preview_->PreviewKey(event))
        event->accept();
    else
        QWidget::keyPressEvent(event);
}
