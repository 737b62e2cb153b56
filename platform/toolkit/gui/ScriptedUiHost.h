#pragma once
// A UI host for tests: answers modal forms, message boxes and file dialogs from a script,
// records everything that was shown, and never blocks. Install it with TScopedUiHost.
//
//     TScriptedUiHost host;
//     TScopedUiHost installed(host);
//     host.AnswerQuestion("Наистина ли искате", mrYes);        // the next question with that text
//     host.OnForm("fFirmSet", [](TForm& f) { ...; return mrOk; });
//     ... run the action ...
//     EXPECT_EQ(host.Shown().at(0).Text, "...");
//
// A print run goes to a PDF file of its own in the print folder; PrintedFiles() lists them, in
// the order printed, for a test to read back (PdfText of tests/support/RunTool.h runs pdftotext):
//
//     report.Print();
//     EXPECT_TRUE(PdfText(host.PrintedFiles().at(0)).contains("Фактура"));
//
// A form is shown for real (OnShow, OnActivate), so a script can type into it and click its
// buttons; a script that returns mrNone leaves the form's own ModalResult. A form nobody
// answers closes as by its close box (mrCancel). A message box nobody answers gets OK when it
// has only OK, else Cancel, else No; the record says it was not answered.

#include "platform/toolkit/gui/UiHost.h"

#include <QTemporaryDir>
#include <functional>
#include <memory>
#include <vector>

struct TShownRecord {
    enum TKind { Form, Message, FileDialog, Document, PrintDialog, Print, Exit };
    TKind Kind = Form;
    QString Name;     // the form's object name; for a print run its job name; for a file dialog the name offered
    QString Caption;  // the window or box caption
    QString Text;     // the message; for a form its labels' captions, one a line
    TModalResult Result = mrNone;  // for an exit, the exit code
    QString FileName;              // what a file dialog answered; the PDF file of a print run
    bool Answered = false;         // a rule of the script answered it
};

class TScriptedUiHost : public TUiHost {
public:
    using TFormScript = std::function<TModalResult(TForm& form)>;

    // `times` is how many runs the answer serves; -1 for every one. Earlier answers come first.
    void OnForm(const QString& formName, TFormScript script, int times = 1);
    void AnswerForm(const QString& formName, TModalResult result, int times = 1);
    // A message box or a modal form whose text contains `textPart`.
    void AnswerQuestion(const QString& textPart, TModalResult result, int times = 1);
    // The next file dialog gives `fileName` (empty: cancelled).
    void AnswerFile(const QString& fileName, int times = 1);
    // What opening a document answers (true at first).
    void SetDocumentsOpen(bool open) { documentsOpen_ = open; }
    // What the print dialog answers (false at first: nothing is printed unless a test asks).
    void SetPrintAccepted(bool accepted) { printAccepted_ = accepted; }
    // Whether there is a printer (true at first); without one a print run is refused.
    void SetPrinterAvailable(bool available) { printerAvailable_ = available; }
    // Where print runs are written; at first a temporary folder removed with the host.
    void SetPrintFolder(const QString& folder) { printFolder_ = folder; }
    QString PrintFolder();
    // The PDF files of the print runs, in order.
    QStringList PrintedFiles() const;

    const std::vector<TShownRecord>& Shown() const { return shown_; }
    // The texts of the message boxes and forms shown, in order.
    QStringList Texts() const;
    int CountOf(TShownRecord::TKind kind) const;
    void ClearShown() { shown_.clear(); }

    TModalResult RunModal(TForm& form) override;
    TModalResult MessageBox(const TMessageRequest& request) override;
    QString FileDialog(const TFileDialogRequest& request) override;
    bool OpenDocument(const QString& target) override;
    bool PrintSetup(QPrinter& printer) override;
    // Paints on a PDF printer writing the next file of the print folder and records the run;
    // its Result is mrOk once painted, mrCancel when refused for want of a printer.
    bool PrintDocument(const QString& jobName, const TPrintJob& paint) override;
    // Records the exit and throws EProcessExit.
    void ExitProcess(int code) override;

    // The captions of a form's shown labels, one a line.
    static QString FormText(const TForm& form);

    // Called for every line a shown form breaks for want of width (LinesBrokenByWidth of
    // StandardControls.h), with the form's record: the test programs install a check that fails
    // the running test, so every window a test shows is checked.
    using TBrokenLineCheck = std::function<void(const TShownRecord& shown, const QString& line)>;
    static void SetBrokenLineCheck(TBrokenLineCheck check);

private:
    struct TRule {
        enum TMatch { ByFormName, ByText, File } Match;
        QString Key;
        TFormScript Script;
        TModalResult Result = mrNone;
        QString FileName;
        int Times = 1;
    };
    TRule* Take(TRule::TMatch match, const QString& key, bool isForm);

    std::vector<TRule> rules_;
    std::vector<TShownRecord> shown_;
    bool documentsOpen_ = true;
    bool printAccepted_ = false;
    bool printerAvailable_ = true;
    QString printFolder_;
    std::unique_ptr<QTemporaryDir> ownPrintFolder_;
};
