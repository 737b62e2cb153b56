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

// Asks through the UI host, under `dialogTitle`, for the PDF file to write, offering
// `documentName` + ".pdf" (characters no file name holds become "_"); empty when cancelled.
QString AskPdfFileName(const QString& dialogTitle, const QString& documentName);

// Prints on the printer the UI host hands out, without a dialog, as a run named `documentName`
// (the owner when it is empty). Where there is no printer, the document goes to the PDF file
// the person names through the UI host instead; false when they cancel that. EReportError when
// the printer or the file fails.
bool PrintOnHostPrinter(const std::vector<TReportPage>& pages, const TReportPageSetup& setup, const QString& title,
                        const QString& documentName, const QString& owner);
