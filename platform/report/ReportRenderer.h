#pragma once
// Paints laid-out pages. One painter path serves the printer, the PDF file and the preview, so
// they all show the same thing.

#include "platform/report/ReportPage.h"
#include "platform/report/ReportPageSetup.h"

#include <QString>
#include <vector>

class QPainter;
class QPrinter;

// Paints the page with the painter's coordinates in report units (the caller scales).
void PaintPage(QPainter& painter, const TReportPage& page);

// Prints every page on the printer, a sheet a page, with no dialog. `owner` names the report in
// errors: EReportError when the printer cannot be started.
void PrintPages(const std::vector<TReportPage>& pages, const TReportPageSetup& setup, QPrinter& printer,
                const QString& owner);

// Writes the pages to a PDF file, texts as text with their fonts embedded.
void WritePdf(const std::vector<TReportPage>& pages, const TReportPageSetup& setup, const QString& fileName,
              const QString& title, const QString& owner);

// Prints on the printer the UI host hands out, without a dialog, as a run named by the title
// (the owner when untitled); EReportError when there is no printer.
void PrintOnHostPrinter(const std::vector<TReportPage>& pages, const TReportPageSetup& setup,
                           const QString& title, const QString& owner);
