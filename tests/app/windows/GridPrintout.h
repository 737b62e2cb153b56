#pragma once
// What a window's "&Печат" puts on paper: the preview it opens prints on the scripted host's
// printer, and the PDF that run wrote is read back as text.

#include "support/RunTool.h"

#include "platform/report/ReportPreview.h"
#include "platform/toolkit/gui/ScriptedUiHost.h"

// The next preview prints itself and closes.
inline void PrintFromTheNextPreview(TScriptedUiHost& host)
{
    host.OnForm(QStringLiteral("ReportPreview"), [](TForm& preview) {
        static_cast<TReportPreview&>(preview).PrintClick();
        return mrOk;
    });
}

// The text of the last print run; empty when nothing was printed.
inline QString LastPrintout(const TScriptedUiHost& host)
{
    const QStringList files = host.PrintedFiles();
    return files.isEmpty() ? QString() : PdfText(files.back());
}
