#pragma once
// The one seam for everything that waits for a person or leaves the program: modal forms,
// message boxes, file dialogs, opening a document or link with the desktop, the printer, and
// ending the process with an exit code. The program runs on the Qt host; a test installs a scripted host
// (ScriptedUiHost.h) that answers, records what was shown and never blocks.

#include "platform/toolkit/gui/Form.h"

#include <QString>
#include <QStringList>
#include <exception>
#include <functional>

class QPrinter;

enum TMsgDlgType { mtWarning, mtError, mtInformation, mtConfirmation, mtCustom };

// Buttons of a message box, as flags.
using TMsgDlgButtons = int;
constexpr TMsgDlgButtons mbYes = 0x001;
constexpr TMsgDlgButtons mbNo = 0x002;
constexpr TMsgDlgButtons mbOK = 0x004;
constexpr TMsgDlgButtons mbCancel = 0x008;
constexpr TMsgDlgButtons mbAbort = 0x010;
constexpr TMsgDlgButtons mbRetry = 0x020;
constexpr TMsgDlgButtons mbIgnore = 0x040;
constexpr TMsgDlgButtons mbAll = 0x080;
constexpr TMsgDlgButtons mbNoToAll = 0x100;
constexpr TMsgDlgButtons mbYesToAll = 0x200;
constexpr TMsgDlgButtons mbHelp = 0x400;
constexpr TMsgDlgButtons mbYesNo = mbYes | mbNo;
constexpr TMsgDlgButtons mbYesNoCancel = mbYes | mbNo | mbCancel;
constexpr TMsgDlgButtons mbOKCancel = mbOK | mbCancel;

struct TMessageRequest {
    QString Caption;
    QString Text;  // "\r" breaks lines
    TMsgDlgType Type = mtInformation;
    TMsgDlgButtons Buttons = mbOK;
    int HelpContext = 0;
};

struct TFileDialogRequest {
    bool Save = false;
    QString Title;
    QString Filter;  // "Database|*.mdb|All files|*.*"
    QString InitialDir;
    QString FileName;
    QString DefaultExt;
};

// Thrown by a scripted host where the real one would end the process, so a test sees the exit
// and its code. Not an Exception: the program's error handlers must not catch it.
class EProcessExit : public std::exception {
public:
    explicit EProcessExit(int code) : code_(code) {}
    int Code() const { return code_; }
    const char* what() const noexcept override { return "process exit"; }

private:
    int code_;
};

// Draws a document on the printer it is given.
using TPrintJob = std::function<void(QPrinter& printer)>;

class TUiHost {
public:
    virtual ~TUiHost() = default;
    // Runs `form` modally (TForm::BeginModal, CloseModal, EndModal) and gives its result.
    virtual TModalResult RunModal(TForm& form) = 0;
    // The modal result of the button chosen (mrOk, mrYes, mrNo, mrCancel ...).
    virtual TModalResult MessageBox(const TMessageRequest& request) = 0;
    // The chosen file name; empty when cancelled.
    virtual QString FileDialog(const TFileDialogRequest& request) = 0;
    // Opens a file or link with the desktop's application for it; false when that failed.
    virtual bool OpenDocument(const QString& target) = 0;
    // The print dialog for `printer`; true when the person chose to print (the printer then
    // holds the choices).
    virtual bool PrintSetup(QPrinter& printer) = 0;
    // One print run: `paint` draws the whole document on the printer the host hands out (it
    // sets the page layout and begins and ends its own painter); `jobName` names the run.
    // False, with nothing painted, when there is no printer. What `paint` raises passes on.
    virtual bool PrintDocument(const QString& jobName, const TPrintJob& paint) = 0;
    // Ends the process at once with `code`.
    virtual void ExitProcess(int code) = 0;
};

// The installed host; the Qt host until another is installed.
TUiHost& UiHost();
// Installs `host` (not owned; null puts the Qt host back) and returns the one it replaces.
TUiHost* SetUiHost(TUiHost* host);

// Installs a host for the lifetime of the guard.
class TScopedUiHost {
public:
    explicit TScopedUiHost(TUiHost& host) : previous_(SetUiHost(&host)) {}
    ~TScopedUiHost() { SetUiHost(previous_); }
    TScopedUiHost(const TScopedUiHost&) = delete;
    TScopedUiHost& operator=(const TScopedUiHost&) = delete;

private:
    TUiHost* previous_;
};

// The host the program runs on: Qt event loops, message boxes and file dialogs, the desktop
// services, and an immediate exit.
class TQtUiHost : public TUiHost {
public:
    TModalResult RunModal(TForm& form) override;
    TModalResult MessageBox(const TMessageRequest& request) override;
    QString FileDialog(const TFileDialogRequest& request) override;
    bool OpenDocument(const QString& target) override;
    bool PrintSetup(QPrinter& printer) override;
    // The system's default printer, without a dialog.
    bool PrintDocument(const QString& jobName, const TPrintJob& paint) override;
    void ExitProcess(int code) override;
};

// "\r\n", "\r" and "\n" all as one line break "\n".
QString MessageLines(const QString& text);
// "Database|*.mdb|All files|*.*" as a Qt filter list: "Database (*.mdb)", "All files (*.*)".
QStringList FileFilterToQt(const QString& filter);
