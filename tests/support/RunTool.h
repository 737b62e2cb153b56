#pragma once
// Runs a command-line tool for a test (pdftotext, pdfinfo, pdffonts) and gives its output.

#include <QProcess>
#include <QString>
#include <QStringList>

// The tool's standard output; on failure a text in angle brackets saying why, which no
// expectation of real output matches.
inline QString RunTool(const QString& tool, const QStringList& arguments)
{
    QProcess process;
    process.start(tool, arguments);
    if (!process.waitForFinished(30000) || process.exitStatus() != QProcess::NormalExit || process.exitCode() != 0)
        return QStringLiteral("<%1 failed: %2>").arg(tool, QString::fromUtf8(process.readAllStandardError()));
    return QString::fromUtf8(process.readAllStandardOutput());
}

// The text of a PDF file as pdftotext reads it, in its layout; pages end with a form feed.
inline QString PdfText(const QString& file)
{
    return RunTool(QStringLiteral("pdftotext"), {QStringLiteral("-layout"), file, QStringLiteral("-")});
}
