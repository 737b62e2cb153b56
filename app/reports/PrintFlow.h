#pragma once
// The one way a printout leaves the program: the preview, the printer the UI host hands out, or
// a PDF file. Every window prints through it, so a test sees each run through the scripted host.

#include <QString>

class TBandReport;

enum class TPrintMode { Preview, Print, Pdf };

// Shows `report` in the preview, prints it (where there is no printer, into the PDF file the
// person names), or writes it to `pdfFile` (Pdf only). False when the person cancelled the file
// of a print; raises the report's error when it cannot be laid out or printed.
bool RunReport(TBandReport& report, TPrintMode mode, const QString& pdfFile = QString());
