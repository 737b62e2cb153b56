#pragma once
// The application object: owns every window (created once, destroyed with it), the title, the
// help file, hints, the message loop and its end, exception reporting; the screen with its
// cursor and active form; the plain message dialogs. Everything that waits for a person goes
// through the UI host (UiHost.h).

#include "platform/toolkit/Component.h"
#include "platform/toolkit/gui/Form.h"
#include "platform/toolkit/gui/UiHost.h"

#include <QPointer>
#include <QString>
#include <exception>
#include <functional>
#include <vector>

using TExceptionEvent = std::function<void(QObject* sender, const std::exception& error)>;

class TApplication : public TComponent {
    Q_OBJECT
public:
    // The program's one application object; Application() answers it while it lives.
    explicit TApplication(QObject* owner = nullptr);
    // Raises OnDestroy of every form, then deletes the forms, last created first.
    ~TApplication() override;

    // Also the display name Qt shows in dialogs.
    QString Title() const { return title_; }
    void SetTitle(const QString& title);
    // A relative name is taken in the program's folder.
    QString HelpFile() const { return helpFile_; }
    void SetHelpFile(const QString& helpFile) { helpFile_ = helpFile; }
    // The running program's file, with folder.
    static QString ExeName();

    // Creates a window owned by the application, raises its OnCreate and gives it back. The
    // first window created is the main form.
    template <class TFormClass, class... Args>
    TFormClass* CreateForm(Args&&... args)
    {
        auto* form = new TFormClass(std::forward<Args>(args)...);
        AddForm(form);
        form->DoCreate();
        return form;
    }
    void AddForm(TForm* form);
    // Deletes a window the application owns now (after its OnDestroy).
    void DestroyForm(TForm* form);
    TForm* MainForm() const { return forms_.empty() ? nullptr : forms_.front().data(); }
    int FormCount() const { return int(forms_.size()); }
    TForm* Forms(int index) const { return forms_.at(size_t(index)).data(); }
    // Everything the application owns, forms and components, in the order they came.
    const std::vector<QObject*>& OwnedObjects() const { return owned_; }

    // Shows the main form and runs the message loop until Terminate or the main form closes.
    void Run();
    // Asks the message loop to end; running modal windows close as by their close box.
    void Terminate();
    bool Terminated() const { return terminated_; }
    // Handles the events that are waiting, then returns.
    static void ProcessMessages();

    // OnException when set; otherwise the error's text in an error box through the UI host.
    void HandleException(const std::exception& error);
    TExceptionEvent OnException;

    // A message box with MB_ flags; the answer is an ID value (IDOK 1 ... IDNO 7).
    int MessageBox(const QString& text, const QString& caption, int flags);
    // Opens the help file at a topic: false, with a message, when there is no help file.
    bool HelpContext(int context);

    bool ShowHint() const { return showHint_; }
    void SetShowHint(bool show) { showHint_ = show; }
    QString Hint() const { return hint_; }
    void SetHint(const QString& hint);
    TNotifyEvent OnHint;

    void Notification(TComponent* component, TOperation operation) override;

private:
    QString title_;
    QString helpFile_;
    QString hint_;
    bool showHint_ = true;
    bool terminated_ = false;
    // A form may also have a parent window that deletes it first.
    std::vector<QPointer<TForm>> forms_;
    std::vector<QObject*> owned_;
};

// The application object, or null when there is none.
TApplication* Application();

// Message box flags and answers.
constexpr int MB_OK = 0x0;
constexpr int MB_OKCANCEL = 0x1;
constexpr int MB_ABORTRETRYIGNORE = 0x2;
constexpr int MB_YESNOCANCEL = 0x3;
constexpr int MB_YESNO = 0x4;
constexpr int MB_RETRYCANCEL = 0x5;
constexpr int MB_ICONERROR = 0x10;
constexpr int MB_ICONQUESTION = 0x20;
constexpr int MB_ICONWARNING = 0x30;
constexpr int MB_ICONINFORMATION = 0x40;
constexpr int IDOK = 1;
constexpr int IDCANCEL = 2;
constexpr int IDABORT = 3;
constexpr int IDRETRY = 4;
constexpr int IDIGNORE = 5;
constexpr int IDYES = 6;
constexpr int IDNO = 7;

// The plain message dialog: the text and an OK button, the application title as caption.
void ShowMessage(const QString& text);
TModalResult MessageDlg(const QString& text, TMsgDlgType type, TMsgDlgButtons buttons, int helpContext = 0);

using TCursor = int;
constexpr TCursor crDefault = 0;
constexpr TCursor crArrow = -2;
constexpr TCursor crCross = -3;
constexpr TCursor crIBeam = -4;
constexpr TCursor crHourGlass = -11;
constexpr TCursor crNo = -12;
constexpr TCursor crAppStart = -19;
constexpr TCursor crHandPoint = -21;
constexpr TCursor crSQLWait = -17;

class TScreen {
public:
    // The cursor over every window of the program; crDefault lets each widget show its own.
    TCursor Cursor() const { return cursor_; }
    void SetCursor(TCursor cursor);
    // The active window; while none is active (tests), the innermost modal one, else the main form.
    TForm* ActiveForm() const;
    int Width() const;
    int Height() const;

private:
    TCursor cursor_ = crDefault;
};

TScreen& Screen();

// Shows the hourglass while it lives and puts back the cursor that was there before, also when
// an error leaves the scope.
class THourglass {
public:
    explicit THourglass(TCursor cursor = crHourGlass);
    ~THourglass();
    THourglass(const THourglass&) = delete;
    THourglass& operator=(const THourglass&) = delete;

private:
    TCursor saved_;
};
