#include "platform/toolkit/gui/UiHost.h"

#include <QApplication>
#include <QDesktopServices>
#include <QDir>
#include <QEventLoop>
#include <QFileDialog>
#include <QFileInfo>
#include <QMessageBox>
#include <QPrintDialog>
#include <QPrinter>
#include <QPrinterInfo>
#include <QUrl>
#include <cstdio>
#include <cstdlib>

namespace {

TUiHost*& InstalledHost()
{
    static TUiHost* host = nullptr;
    return host;
}

struct TButtonPair {
    TMsgDlgButtons flag;
    QMessageBox::StandardButton qt;
    TModalResult result;
};

constexpr TButtonPair kButtons[] = {
    {mbYes, QMessageBox::Yes, mrYes},
    {mbNo, QMessageBox::No, mrNo},
    {mbOK, QMessageBox::Ok, mrOk},
    {mbCancel, QMessageBox::Cancel, mrCancel},
    {mbAbort, QMessageBox::Abort, mrAbort},
    {mbRetry, QMessageBox::Retry, mrRetry},
    {mbIgnore, QMessageBox::Ignore, mrIgnore},
    {mbAll, QMessageBox::YesAll, mrAll},
    {mbNoToAll, QMessageBox::NoToAll, mrNoToAll},
    {mbYesToAll, QMessageBox::YesToAll, mrYesToAll},
    {mbHelp, QMessageBox::Help, mrNone},
};

QMessageBox::Icon IconOf(TMsgDlgType type)
{
    switch (type) {
    case mtWarning:
        return QMessageBox::Warning;
    case mtError:
        return QMessageBox::Critical;
    case mtInformation:
        return QMessageBox::Information;
    case mtConfirmation:
        return QMessageBox::Question;
    case mtCustom:
        break;
    }
    return QMessageBox::NoIcon;
}

QWidget* DialogParent()
{
    if (!TForm::ModalForms().empty()) return TForm::ModalForms().back();
    return QApplication::activeWindow();
}

}  // namespace

TUiHost& UiHost()
{
    static TQtUiHost qtHost;
    TUiHost* host = InstalledHost();
    return host ? *host : qtHost;
}

TUiHost* SetUiHost(TUiHost* host)
{
    TUiHost* previous = InstalledHost();
    InstalledHost() = host;
    return previous;
}

QString MessageLines(const QString& text)
{
    QString out = text;
    out.replace(QLatin1String("\r\n"), QLatin1String("\n"));
    out.replace(QLatin1Char('\r'), QLatin1Char('\n'));
    return out;
}

QStringList FileFilterToQt(const QString& filter)
{
    QStringList out;
    const QStringList parts = filter.split(QLatin1Char('|'));
    for (qsizetype i = 0; i + 1 < parts.size(); i += 2) {
        QString patterns = parts[i + 1];
        patterns.replace(QLatin1Char(';'), QLatin1Char(' '));
        out << QStringLiteral("%1 (%2)").arg(parts[i], patterns);
    }
    return out;
}

TModalResult TQtUiHost::RunModal(TForm& form)
{
    QEventLoop loop;
    form.setWindowModality(Qt::ApplicationModal);
    form.SetModalLoop(&loop);
    form.BeginModal();
    for (;;) {
        const bool quitting = form.ModalResult() == mrNone && loop.exec(QEventLoop::DialogExec) != 0;
        // The application is ending: the window closes as by its close box, and does not
        // hold the ending up even if it refuses.
        if (quitting) form.SetModalResult(mrCancel);
        if (form.CloseModal() || quitting) break;
    }
    const TModalResult result = form.EndModal();
    form.setWindowModality(Qt::NonModal);
    return result;
}

TModalResult TQtUiHost::MessageBox(const TMessageRequest& request)
{
    QMessageBox box(IconOf(request.Type), request.Caption.isEmpty() ? QApplication::applicationDisplayName() : request.Caption,
                    MessageLines(request.Text), QMessageBox::NoButton, DialogParent());
    for (const TButtonPair& b : kButtons)
        if (request.Buttons & b.flag) box.addButton(b.qt);
    if (box.buttons().isEmpty()) box.addButton(QMessageBox::Ok);
    const auto chosen = QMessageBox::StandardButton(box.exec());
    for (const TButtonPair& b : kButtons)
        if (b.qt == chosen) return b.result;
    return mrCancel;
}

QString TQtUiHost::FileDialog(const TFileDialogRequest& request)
{
    const QString filter = FileFilterToQt(request.Filter).join(QLatin1String(";;"));
    QString start = request.InitialDir;
    if (!request.FileName.isEmpty()) start = start.isEmpty() ? request.FileName : QDir(start).filePath(request.FileName);
    QString chosen = request.Save ? QFileDialog::getSaveFileName(DialogParent(), request.Title, start, filter)
                                  : QFileDialog::getOpenFileName(DialogParent(), request.Title, start, filter);
    if (request.Save && !chosen.isEmpty() && !request.DefaultExt.isEmpty() && QFileInfo(chosen).suffix().isEmpty())
        chosen += QLatin1Char('.') + request.DefaultExt;
    return chosen;
}

bool TQtUiHost::OpenDocument(const QString& target)
{
    const bool isLink = target.contains(QLatin1String("://")) || target.startsWith(QLatin1String("mailto:"));
    if (!isLink && !QFileInfo::exists(target)) return false;
    return QDesktopServices::openUrl(isLink ? QUrl(target) : QUrl::fromLocalFile(QFileInfo(target).absoluteFilePath()));
}

bool TQtUiHost::PrintSetup(QPrinter& printer)
{
    QPrintDialog dialog(&printer, DialogParent());
    return dialog.exec() == QDialog::Accepted;
}

bool TQtUiHost::PrintDocument(const QString& jobName, const TPrintJob& paint)
{
    const QPrinterInfo info = QPrinterInfo::defaultPrinter();
    if (info.isNull()) return false;
    QPrinter printer(info, QPrinter::HighResolution);
    printer.setDocName(jobName);
    paint(printer);
    return true;
}

void TQtUiHost::ExitProcess(int code)
{
    std::fflush(nullptr);
    std::_Exit(code);
}
