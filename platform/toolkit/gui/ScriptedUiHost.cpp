#include "platform/toolkit/gui/ScriptedUiHost.h"

#include "platform/toolkit/Exceptions.h"
#include "platform/toolkit/gui/StandardControls.h"

#include <QDir>
#include <QLabel>
#include <QPrinter>

namespace {

// A modal form that refuses to close this many times in a row without an answer is a fault of
// the test, reported rather than looped on.
constexpr int kMaxCloseAttempts = 50;

TScriptedUiHost::TBrokenLineCheck& BrokenLineCheck()
{
    static TScriptedUiHost::TBrokenLineCheck check;
    return check;
}

TModalResult UnansweredResult(TMsgDlgButtons buttons)
{
    if (buttons == mbOK || buttons == 0) return mrOk;
    if (buttons & mbCancel) return mrCancel;
    if (buttons & mbNo) return mrNo;
    if (buttons & mbOK) return mrOk;
    return mrCancel;
}

}  // namespace

void TScriptedUiHost::OnForm(const QString& formName, TFormScript script, int times)
{
    rules_.push_back({TRule::ByFormName, formName, std::move(script), mrNone, {}, times});
}

void TScriptedUiHost::AnswerForm(const QString& formName, TModalResult result, int times)
{
    rules_.push_back({TRule::ByFormName, formName, {}, result, {}, times});
}

void TScriptedUiHost::AnswerQuestion(const QString& textPart, TModalResult result, int times)
{
    rules_.push_back({TRule::ByText, textPart, {}, result, {}, times});
}

void TScriptedUiHost::AnswerFile(const QString& fileName, int times)
{
    rules_.push_back({TRule::File, {}, {}, mrNone, fileName, times});
}

void TScriptedUiHost::SetBrokenLineCheck(TBrokenLineCheck check) { BrokenLineCheck() = std::move(check); }

QStringList TScriptedUiHost::Texts() const
{
    QStringList out;
    for (const TShownRecord& r : shown_)
        if (r.Kind == TShownRecord::Form || r.Kind == TShownRecord::Message) out << r.Text;
    return out;
}

int TScriptedUiHost::CountOf(TShownRecord::TKind kind) const
{
    int n = 0;
    for (const TShownRecord& r : shown_) n += r.Kind == kind;
    return n;
}

QString TScriptedUiHost::FormText(const TForm& form)
{
    QStringList lines;
    for (QLabel* label : form.findChildren<QLabel*>()) {
        if (!label->isVisibleTo(&form)) continue;
        const QVariant caption = label->property("Caption");
        lines << (caption.isValid() ? caption.toString() : label->text());
    }
    return lines.join(QLatin1Char('\n'));
}

TScriptedUiHost::TRule* TScriptedUiHost::Take(TRule::TMatch match, const QString& key, bool isForm)
{
    for (TRule& rule : rules_) {
        if (rule.Times == 0) continue;
        bool hit = false;
        switch (rule.Match) {
        case TRule::ByFormName:
            hit = match == TRule::ByFormName && isForm && (rule.Key.isEmpty() || rule.Key == key);
            break;
        case TRule::ByText:
            hit = match == TRule::ByText && key.contains(rule.Key);
            break;
        case TRule::File:
            hit = match == TRule::File;
            break;
        }
        if (!hit) continue;
        if (rule.Times > 0) --rule.Times;
        return &rule;
    }
    return nullptr;
}

TModalResult TScriptedUiHost::RunModal(TForm& form)
{
    const size_t index = shown_.size();
    shown_.push_back({TShownRecord::Form, form.objectName(), form.Caption(), {}, mrNone, {}, false});
    form.BeginModal();
    shown_[index].Text = FormText(form);
    if (BrokenLineCheck())
        for (const QString& line : LinesBrokenByWidth(&form)) BrokenLineCheck()(shown_[index], line);
    try {
        for (int attempt = 0;; ++attempt) {
            TRule* rule = Take(TRule::ByFormName, form.objectName(), true);
            if (!rule) rule = Take(TRule::ByText, FormText(form), true);
            TModalResult answer = mrNone;
            if (rule) {
                shown_[index].Answered = true;
                // Copied: a script may add rules, which can move the one it came from.
                TFormScript script = rule->Script;
                answer = script ? script(form) : rule->Result;
            }
            if (answer != mrNone) form.SetModalResult(answer);
            if (form.ModalResult() == mrNone) form.SetModalResult(mrCancel);
            if (form.CloseModal()) break;
            if (!rule && attempt >= kMaxCloseAttempts)
                throw EInvalidOperation(QStringLiteral("The window %1 did not close").arg(form.objectName()));
        }
    } catch (...) {
        form.EndModal();
        throw;
    }
    const TModalResult result = form.EndModal();
    shown_[index].Result = result;
    return result;
}

TModalResult TScriptedUiHost::MessageBox(const TMessageRequest& request)
{
    TShownRecord record{TShownRecord::Message, {}, request.Caption, request.Text, mrNone, {}, false};
    if (TRule* rule = Take(TRule::ByText, request.Text, false)) {
        record.Answered = true;
        record.Result = rule->Result;
    } else {
        record.Result = UnansweredResult(request.Buttons);
    }
    shown_.push_back(record);
    return record.Result;
}

QString TScriptedUiHost::FileDialog(const TFileDialogRequest& request)
{
    TShownRecord record{TShownRecord::FileDialog, request.FileName, request.Title, request.Filter, mrNone, {}, false};
    if (TRule* rule = Take(TRule::File, {}, false)) {
        record.Answered = true;
        record.FileName = rule->FileName;
    }
    record.Result = record.FileName.isEmpty() ? mrCancel : mrOk;
    shown_.push_back(record);
    return record.FileName;
}

bool TScriptedUiHost::OpenDocument(const QString& target)
{
    shown_.push_back({TShownRecord::Document, {}, {}, target, documentsOpen_ ? mrOk : mrNone, {}, true});
    return documentsOpen_;
}

bool TScriptedUiHost::PrintSetup(QPrinter&)
{
    shown_.push_back({TShownRecord::PrintDialog, {}, {}, {}, printAccepted_ ? mrOk : mrCancel, {}, true});
    return printAccepted_;
}

QString TScriptedUiHost::PrintFolder()
{
    if (printFolder_.isEmpty()) {
        ownPrintFolder_ = std::make_unique<QTemporaryDir>();
        if (!ownPrintFolder_->isValid())
            throw EInvalidOperation(QStringLiteral("No folder for print runs: %1").arg(ownPrintFolder_->errorString()));
        printFolder_ = ownPrintFolder_->path();
    }
    return printFolder_;
}

QStringList TScriptedUiHost::PrintedFiles() const
{
    QStringList files;
    for (const TShownRecord& r : shown_)
        if (r.Kind == TShownRecord::Print && r.Result == mrOk) files << r.FileName;
    return files;
}

bool TScriptedUiHost::PrintDocument(const QString& jobName, const TPrintJob& paint)
{
    const size_t index = shown_.size();
    shown_.push_back({TShownRecord::Print, jobName, {}, {}, mrCancel, {}, true});
    if (!printerAvailable_) return false;
    const QString file = QDir(PrintFolder()).filePath(QStringLiteral("print-%1.pdf").arg(CountOf(TShownRecord::Print)));
    shown_[index].FileName = file;
    QPrinter printer(QPrinter::HighResolution);
    printer.setOutputFormat(QPrinter::PdfFormat);
    printer.setOutputFileName(file);
    printer.setDocName(jobName);
    paint(printer);
    shown_[index].Result = mrOk;
    return true;
}

void TScriptedUiHost::ExitProcess(int code)
{
    shown_.push_back({TShownRecord::Exit, {}, {}, {}, code, {}, true});
    throw EProcessExit(code);
}
