#include "platform/toolkit/gui/Application.h"

#include "platform/toolkit/Exceptions.h"

#include <QApplication>
#include <QCursor>
#include <QDir>
#include <QEvent>
#include <QFileInfo>
#include <QScreen>
#include <QThread>
#include <algorithm>

namespace {

TApplication*& TheApplication()
{
    static TApplication* app = nullptr;
    return app;
}

// Ends the application when its main form is hidden for good (closed, not minimised).
class TMainFormWatch : public QObject {
public:
    explicit TMainFormWatch(TApplication* app) : QObject(app), app_(app) {}
    bool eventFilter(QObject* watched, QEvent* event) override
    {
        auto* form = qobject_cast<TForm*>(watched);
        if (event->type() == QEvent::Hide && form && !form->isMinimized() && !event->spontaneous()) app_->Terminate();
        return false;
    }

private:
    TApplication* app_;
};

TMsgDlgButtons ButtonsOfFlags(int flags)
{
    switch (flags & 0x0F) {
    case MB_OKCANCEL:
        return mbOKCancel;
    case MB_ABORTRETRYIGNORE:
        return mbAbort | mbRetry | mbIgnore;
    case MB_YESNOCANCEL:
        return mbYesNoCancel;
    case MB_YESNO:
        return mbYesNo;
    case MB_RETRYCANCEL:
        return mbRetry | mbCancel;
    default:
        return mbOK;
    }
}

TMsgDlgType TypeOfFlags(int flags)
{
    switch (flags & 0xF0) {
    case MB_ICONERROR:
        return mtError;
    case MB_ICONQUESTION:
        return mtConfirmation;
    case MB_ICONWARNING:
        return mtWarning;
    case MB_ICONINFORMATION:
        return mtInformation;
    default:
        return mtCustom;
    }
}

QString ErrorText(const std::exception& error)
{
    if (auto* e = dynamic_cast<const Exception*>(&error)) return e->Message();
    return QString::fromUtf8(error.what());
}

}  // namespace

TApplication* Application() { return TheApplication(); }

bool toolkit_detail::IsProcessExit(const std::exception& error) { return dynamic_cast<const EProcessExit*>(&error); }

void ReportException(const std::exception& error)
{
    // An operation abandoned on purpose: whoever abandoned it has said why.
    if (dynamic_cast<const EAbort*>(&error)) return;
    if (TApplication* app = Application()) {
        app->HandleException(error);
        return;
    }
    TMessageRequest request;
    request.Text = ErrorText(error);
    request.Type = mtError;
    request.Buttons = mbOK;
    UiHost().MessageBox(request);
}

TApplication::TApplication(QObject* owner) : TComponent(owner)
{
    if (!TheApplication()) TheApplication() = this;
}

TApplication::~TApplication()
{
    Destroying();
    for (const QPointer<TForm>& form : forms_)
        if (form) form->DoDestroy();
    while (!forms_.empty()) {
        TForm* form = forms_.back().data();
        forms_.pop_back();
        owned_.erase(std::remove(owned_.begin(), owned_.end(), form), owned_.end());
        delete form;
    }
    if (TheApplication() == this) TheApplication() = nullptr;
}

void TApplication::SetTitle(const QString& title)
{
    title_ = title;
    QGuiApplication::setApplicationDisplayName(title);
}

QString TApplication::ExeName() { return QCoreApplication::applicationFilePath(); }

void TApplication::AddForm(TForm* form)
{
    if (!form || std::find(forms_.begin(), forms_.end(), form) != forms_.end()) return;
    forms_.push_back(form);
    owned_.push_back(form);
    if (forms_.size() == 1) form->installEventFilter(new TMainFormWatch(this));
}

void TApplication::DestroyForm(TForm* form)
{
    auto it = std::find(forms_.begin(), forms_.end(), form);
    if (it == forms_.end() || !form) return;
    form->DoDestroy();
    forms_.erase(it);
    owned_.erase(std::remove(owned_.begin(), owned_.end(), form), owned_.end());
    delete form;
}

void TApplication::Notification(TComponent* component, TOperation operation)
{
    TComponent::Notification(component, operation);
    if (operation == opInsert && std::find(owned_.begin(), owned_.end(), component) == owned_.end())
        owned_.push_back(component);
    if (operation == opRemove) owned_.erase(std::remove(owned_.begin(), owned_.end(), component), owned_.end());
}

void TApplication::Run()
{
    if (terminated_ || !MainForm()) return;
    MainForm()->Show();
    if (!terminated_) QCoreApplication::exec();
}

void TApplication::Terminate()
{
    terminated_ = true;
    // Only a running loop is told; otherwise Run sees the flag and does not start.
    if (QThread::currentThread()->loopLevel() > 0) QCoreApplication::exit(0);
}

void TApplication::ProcessMessages() { QCoreApplication::processEvents(QEventLoop::AllEvents); }

void TApplication::HandleException(const std::exception& error)
{
    if (OnException) {
        OnException(this, error);
        return;
    }
    TMessageRequest request;
    request.Caption = title_;
    request.Text = ErrorText(error);
    request.Type = mtError;
    request.Buttons = mbOK;
    UiHost().MessageBox(request);
}

int TApplication::MessageBox(const QString& text, const QString& caption, int flags)
{
    TMessageRequest request;
    request.Caption = caption.isEmpty() ? title_ : caption;
    request.Text = text;
    request.Type = TypeOfFlags(flags);
    request.Buttons = ButtonsOfFlags(flags);
    return UiHost().MessageBox(request);
}

bool TApplication::HelpContext(int context)
{
    if (helpFile_.isEmpty()) return false;
    QString path = helpFile_;
    if (QFileInfo(path).isRelative()) path = QDir(QFileInfo(ExeName()).absolutePath()).filePath(path);
    TMessageRequest request;
    request.Caption = title_;
    request.Type = mtWarning;
    request.HelpContext = context;
    if (!QFileInfo::exists(path)) {
        request.Text = QStringLiteral("Помощният файл не е намерен:\r%1").arg(QDir::toNativeSeparators(path));
        UiHost().MessageBox(request);
        return false;
    }
    if (!UiHost().OpenDocument(path)) {
        request.Text = QStringLiteral("Помощният файл не може да бъде отворен:\r%1").arg(QDir::toNativeSeparators(path));
        UiHost().MessageBox(request);
        return false;
    }
    return true;
}

void TApplication::SetHint(const QString& hint)
{
    if (hint_ == hint) return;
    hint_ = hint;
    if (OnHint) OnHint(this);
}

void ShowMessage(const QString& text) { MessageDlg(text, mtCustom, mbOK); }

TModalResult MessageDlg(const QString& text, TMsgDlgType type, TMsgDlgButtons buttons, int helpContext)
{
    TMessageRequest request;
    request.Caption = Application() ? Application()->Title() : QString();
    request.Text = text;
    request.Type = type;
    request.Buttons = buttons;
    request.HelpContext = helpContext;
    return UiHost().MessageBox(request);
}

// -- TScreen

namespace {

Qt::CursorShape ShapeOf(TCursor cursor)
{
    switch (cursor) {
    case crHourGlass:
    case crSQLWait:
        return Qt::WaitCursor;
    case crAppStart:
        return Qt::BusyCursor;
    case crCross:
        return Qt::CrossCursor;
    case crIBeam:
        return Qt::IBeamCursor;
    case crNo:
        return Qt::ForbiddenCursor;
    case crHandPoint:
        return Qt::PointingHandCursor;
    default:
        return Qt::ArrowCursor;
    }
}

}  // namespace

TScreen& Screen()
{
    static TScreen screen;
    return screen;
}

void TScreen::SetCursor(TCursor cursor)
{
    if (cursor == cursor_) return;
    const bool hadOverride = cursor_ != crDefault;
    cursor_ = cursor;
    if (cursor == crDefault) {
        if (hadOverride) QGuiApplication::restoreOverrideCursor();
    } else if (hadOverride) {
        QGuiApplication::changeOverrideCursor(QCursor(ShapeOf(cursor)));
    } else {
        QGuiApplication::setOverrideCursor(QCursor(ShapeOf(cursor)));
    }
}

TForm* TScreen::ActiveForm() const
{
    if (auto* form = qobject_cast<TForm*>(QApplication::activeWindow())) return form;
    if (!TForm::ModalForms().empty()) return TForm::ModalForms().back();
    return Application() ? Application()->MainForm() : nullptr;
}

int TScreen::Width() const
{
    QScreen* screen = QGuiApplication::primaryScreen();
    return screen ? screen->geometry().width() : 0;
}

int TScreen::Height() const
{
    QScreen* screen = QGuiApplication::primaryScreen();
    return screen ? screen->geometry().height() : 0;
}

THourglass::THourglass(TCursor cursor) : saved_(Screen().Cursor()) { Screen().SetCursor(cursor); }

THourglass::~THourglass() { Screen().SetCursor(saved_); }
