#include "platform/report/ReportRenderer.h"

#include "platform/report/ReportError.h"
#include "platform/toolkit/gui/UiHost.h"

#include <QCoreApplication>
#include <QFontMetricsF>
#include <QPagedPaintDevice>
#include <QPainter>
#include <QPdfWriter>
#include <QPrinter>
#include <QRegularExpression>

namespace {

int TextFlags(const TPageItem& item)
{
    return int(item.Alignment) | (item.WordWrap ? int(Qt::TextWordWrap) : 0);
}

// The part of a one-line text that fits its box: the start of a left-aligned text, the end of a
// right-aligned one, the middle of a centred one. Cutting at whole characters looks like a
// clip and costs far less than one in a PDF.
QString FittingText(const QFontMetricsF& metrics, const TPageItem& item)
{
    const double room = item.Rect.width() + 0.01;
    const QString& text = item.Text;
    if (metrics.horizontalAdvance(text) <= room)
        return text;
    const bool fromEnd = item.Alignment & Qt::AlignRight;
    const bool centred = item.Alignment & Qt::AlignHCenter;
    auto piece = [&](qsizetype keep) {
        if (centred)
            return text.mid((text.size() - keep) / 2, keep);
        return fromEnd ? text.right(keep) : text.left(keep);
    };
    auto fits = [&](qsizetype keep) { return metrics.horizontalAdvance(piece(keep)) <= room; };
    qsizetype keep = 0;
    if (centred) {
        qsizetype high = text.size() - 1;
        while (keep < high) {
            const qsizetype mid = (keep + high + 1) / 2;
            if (fits(mid))
                keep = mid;
            else
                high = mid - 1;
        }
    } else {
        // A guess from the characters' own advances, then corrected by measuring the piece.
        for (double width = 0.0; keep < text.size(); ++keep) {
            width += metrics.horizontalAdvance(fromEnd ? text.at(text.size() - 1 - keep) : text.at(keep));
            if (width > room)
                break;
        }
        while (keep > 0 && !fits(keep))
            --keep;
    }
    QString fitting = piece(keep);
    if (!fitting.isEmpty() && fitting.back().isHighSurrogate())
        fitting.chop(1);
    if (!fitting.isEmpty() && fitting.front().isLowSurrogate())
        fitting.remove(0, 1);
    return fitting;
}

void PaintText(QPainter& painter, const TPageItem& item)
{
    if (item.Text.isEmpty())
        return;
    painter.setFont(item.Font);
    painter.setPen(item.Color);
    const QFontMetricsF metrics(item.Font);
    if (!item.WordWrap) {
        painter.drawText(item.Rect, TextFlags(item), FittingText(metrics, item));
        return;
    }
    const bool clip = metrics.boundingRect(item.Rect, TextFlags(item), item.Text).height() > item.Rect.height() + 0.01;
    if (clip) {
        painter.save();
        painter.setClipRect(item.Rect, Qt::IntersectClip);
    }
    painter.drawText(item.Rect, TextFlags(item), item.Text);
    if (clip)
        painter.restore();
}

void SetPenAndBrush(QPainter& painter, const TPageItem& item)
{
    if (item.PenStyle == Qt::NoPen || item.PenWidth <= 0.0) {
        painter.setPen(Qt::NoPen);
    } else {
        QPen pen(item.Color, item.PenWidth, item.PenStyle);
        pen.setCapStyle(Qt::FlatCap);
        pen.setJoinStyle(Qt::MiterJoin);
        painter.setPen(pen);
    }
    painter.setBrush(item.Fill.isValid() ? QBrush(item.Fill) : QBrush(Qt::NoBrush));
}

void PaintImage(QPainter& painter, const TPageItem& item)
{
    if (item.Stretch) {
        painter.drawImage(item.Rect, item.Image);
        return;
    }
    painter.save();
    painter.setClipRect(item.Rect, Qt::IntersectClip);
    painter.drawImage(item.Rect.topLeft(), item.Image);
    painter.restore();
}

void PaintPages(const std::vector<TReportPage>& pages, QPagedPaintDevice& device, QPainter& painter)
{
    const double scale = double(device.logicalDpiX()) / ReportUnitsPerInch;
    const double scaleY = double(device.logicalDpiY()) / ReportUnitsPerInch;
    for (size_t i = 0; i < pages.size(); ++i) {
        if (i > 0)
            device.newPage();
        painter.save();
        painter.scale(scale, scaleY);
        PaintPage(painter, pages[i]);
        painter.restore();
    }
}

}  // namespace

void PaintPage(QPainter& painter, const TReportPage& page)
{
    painter.save();
    painter.setRenderHint(QPainter::Antialiasing, true);
    painter.setRenderHint(QPainter::TextAntialiasing, true);
    painter.setRenderHint(QPainter::SmoothPixmapTransform, true);
    for (const TPageItem& item : page.Items) {
        switch (item.Kind) {
        case TPageItemKind::Text:
            PaintText(painter, item);
            break;
        case TPageItemKind::Rectangle:
            SetPenAndBrush(painter, item);
            painter.drawRect(item.Rect);
            break;
        case TPageItemKind::Ellipse:
            SetPenAndBrush(painter, item);
            painter.drawEllipse(item.Rect);
            break;
        case TPageItemKind::Line:
            SetPenAndBrush(painter, item);
            painter.drawLine(item.Line);
            break;
        case TPageItemKind::Image:
            PaintImage(painter, item);
            break;
        }
    }
    painter.restore();
}

void PrintPages(const std::vector<TReportPage>& pages, const TReportPageSetup& setup, QPrinter& printer,
                const QString& owner)
{
    printer.setFullPage(true);
    if (!printer.setPageLayout(setup.PageLayout()))
        ReportError(owner, QCoreApplication::translate("Report", "The printer cannot take the paper size"));
    QPainter painter;
    if (!painter.begin(&printer))
        ReportError(owner, QCoreApplication::translate("Report", "The printer '%1' cannot be started").arg(printer.printerName()));
    PaintPages(pages, printer, painter);
    painter.end();
}

void WritePdf(const std::vector<TReportPage>& pages, const TReportPageSetup& setup, const QString& fileName,
              const QString& title, const QString& owner)
{
    if (fileName.isEmpty())
        ReportError(owner, QCoreApplication::translate("Report", "No PDF file name is given"));
    QPdfWriter writer(fileName);
    writer.setTitle(title);
    writer.setPageLayout(setup.PageLayout());
    QPainter painter;
    if (!painter.begin(&writer))
        ReportError(owner, QCoreApplication::translate("Report", "Cannot write the file '%1'").arg(fileName));
    PaintPages(pages, writer, painter);
    if (!painter.end())
        ReportError(owner, QCoreApplication::translate("Report", "Cannot write the file '%1'").arg(fileName));
}

QString AskPdfFileName(const QString& dialogTitle, const QString& documentName)
{
    static const QRegularExpression notInFileNames(QStringLiteral("[\\\\/:*?\"<>|\\x00-\\x1f]"));
    TFileDialogRequest request;
    request.Save = true;
    request.Title = dialogTitle;
    request.Filter = QStringLiteral("PDF файлове|*.pdf|Всички файлове|*.*");
    request.DefaultExt = QStringLiteral("pdf");
    const QString name = QString(documentName).replace(notInFileNames, QStringLiteral("_")).trimmed();
    request.FileName = name.isEmpty() ? QString() : name + QStringLiteral(".pdf");
    return UiHost().FileDialog(request);
}

bool PrintOnHostPrinter(const std::vector<TReportPage>& pages, const TReportPageSetup& setup, const QString& title,
                        const QString& documentName, const QString& owner)
{
    const QString name = documentName.isEmpty() ? owner : documentName;
    if (UiHost().PrintDocument(name, [&](QPrinter& printer) { PrintPages(pages, setup, printer, owner); }))
        return true;
    // No printer: the document still comes out, as the file the person names.
    const QString fileName =
        AskPdfFileName(QCoreApplication::translate("Report", "No printer is installed: save the document as a PDF file"),
                       name);
    if (fileName.isEmpty())
        return false;
    WritePdf(pages, setup, fileName, title, owner);
    return true;
}
