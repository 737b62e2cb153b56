#include "platform/toolkit/gui/Application.h"
#include "platform/toolkit/gui/Form.h"
#include "platform/toolkit/gui/Menus.h"
#include "platform/toolkit/gui/ScriptedUiHost.h"
#include "platform/toolkit/gui/StandardControls.h"
#include "platform/toolkit/gui/UiHost.h"

#include <QApplication>
#include <QTest>
#include <QTimer>
#include <QVBoxLayout>
#include <QWindow>
#include <gtest/gtest.h>
#include <utility>

namespace {

// A dialog like the program's: an edit, a Default OK button, a Cancel button, another button,
// a check box and a label that focuses the edit.
class DialogForm : public TForm {
public:
    DialogForm()
    {
        setObjectName("fDialog");
        SetCaption("Диалог");
        auto* layout = new QVBoxLayout(this);
        label = add<TLabel>(layout, "Label1");
        label->SetCaption("&Име");
        edit = add<TEdit>(layout, "eName");
        label->SetFocusControl(edit);
        check = add<TCheckBox>(layout, "cbxFlag");
        check->SetCaption("Флаг");
        ok = add<TButton>(layout, "bOk");
        ok->SetCaption("&Да");
        ok->SetDefault(true);
        ok->SetModalResult(mrOk);
        cancel = add<TButton>(layout, "bCancel");
        cancel->SetCaption("&Отказ");
        cancel->SetCancel(true);
        cancel->SetModalResult(mrCancel);
        other = add<TButton>(layout, "bOther");
        other->SetCaption("&Печат");
        ok->OnClick = [this](QObject*) { ++okClicks; };
        cancel->OnClick = [this](QObject*) { ++cancelClicks; };
        other->OnClick = [this](QObject*) { ++otherClicks; };
    }

    template <class T>
    T* add(QVBoxLayout* layout, const char* name)
    {
        auto* w = new T(this);
        w->setObjectName(name);
        layout->addWidget(w);
        return w;
    }

    // Shown and active, so that focus and keys behave as for a person.
    void ShowActive()
    {
        show();
        activateWindow();
        ASSERT_TRUE(QTest::qWaitForWindowActive(this));
    }

    TLabel* label;
    TEdit* edit;
    TCheckBox* check;
    TButton* ok;
    TButton* cancel;
    TButton* other;
    int okClicks = 0, cancelClicks = 0, otherClicks = 0;
};

// Types one character (any script) the way the keyboard sends it.
void TypeChar(QWidget* target, QChar ch, Qt::KeyboardModifiers mods = Qt::NoModifier)
{
    const int key = ch.isLetter() ? int(ch.toUpper().unicode()) : int(ch.unicode());
    QKeyEvent press(QEvent::KeyPress, key, mods, QString(ch));
    QApplication::sendEvent(target, &press);
    QKeyEvent release(QEvent::KeyRelease, key, mods, QString(ch));
    QApplication::sendEvent(target, &release);
}

class FormTest : public ::testing::Test {
protected:
    TScriptedUiHost host;
    TScopedUiHost installed{host};
};

// --- modal results ---------------------------------------------------------------------------

struct ModalCase {
    TModalResult buttonResult;
    bool handlerResets;  // the click handler sets the form's ModalResult back to 0
    TModalResult expected;
};

class ModalResultTable : public FormTest, public ::testing::WithParamInterface<ModalCase> {};

TEST_P(ModalResultTable, ButtonClickClosesWithItsResultAfterTheHandler)
{
    const ModalCase c = GetParam();
    DialogForm form;
    form.other->SetModalResult(c.buttonResult);
    int handlerSawResult = -1;
    form.other->OnClick = [&](QObject*) {
        handlerSawResult = form.ModalResult();
        if (c.handlerResets) form.SetModalResult(mrNone);
    };
    bool stayedOpen = false;
    host.OnForm("fDialog", [&](TForm& f) {
        form.other->click();
        // Still open after the click: the person answers No.
        stayedOpen = f.ModalResult() == mrNone;
        return stayedOpen ? mrNo : mrNone;
    });

    EXPECT_EQ(form.ShowModal(), c.expected);
    EXPECT_EQ(handlerSawResult, c.buttonResult);  // set before the handler runs
    EXPECT_EQ(stayedOpen, c.handlerResets || c.buttonResult == mrNone);
    EXPECT_FALSE(form.isVisible());
    EXPECT_FALSE(form.Modal());
}

INSTANTIATE_TEST_SUITE_P(Values, ModalResultTable,
                         ::testing::Values(ModalCase{mrOk, false, mrOk}, ModalCase{mrCancel, false, mrCancel},
                                           ModalCase{mrYes, false, mrYes}, ModalCase{mrNo, false, mrNo},
                                           ModalCase{mrAll, false, mrAll}, ModalCase{mrYesToAll, false, mrYesToAll},
                                           // 0 keeps the form open: the second answer decides.
                                           ModalCase{mrNone, false, mrNo}, ModalCase{mrOk, true, mrNo}),
                         [](const ::testing::TestParamInfo<ModalCase>& info) {
                             return "Button" + std::to_string(info.param.buttonResult) +
                                    (info.param.handlerResets ? "Reset" : "") + "Gives" +
                                    std::to_string(info.param.expected);
                         });

TEST_F(FormTest, CloseBoxAnswersCancelAndCloseQueryMayRefuse)
{
    DialogForm form;
    int queries = 0;
    form.OnCloseQuery = [&](QObject*, bool& canClose) { canClose = ++queries > 1; };
    TCloseAction seen = caNone;
    form.OnClose = [&](QObject*, TCloseAction& action) { seen = action; };
    host.OnForm("fDialog", [&](TForm& f) {
        f.close();  // the close box
        return mrNone;
    }, 2);

    EXPECT_EQ(form.ShowModal(), mrCancel);
    EXPECT_EQ(queries, 2);  // refused once, the form stayed and was closed again
    EXPECT_EQ(seen, caHide);
}

TEST_F(FormTest, OnCloseWithCaNoneKeepsTheModalFormOpen)
{
    DialogForm form;
    int closes = 0;
    form.OnClose = [&](QObject*, TCloseAction& action) {
        if (++closes == 1) action = caNone;
    };
    host.AnswerForm("fDialog", mrOk, 2);
    EXPECT_EQ(form.ShowModal(), mrOk);
    EXPECT_EQ(closes, 2);
}

TEST_F(FormTest, ShowModalRaisesShowAndActivateAndRefusesAVisibleForm)
{
    DialogForm form;
    std::vector<std::string> events;
    form.OnShow = [&](QObject*) { events.push_back("show"); };
    form.OnActivate = [&](QObject*) { events.push_back("activate"); };
    form.OnHide = [&](QObject*) { events.push_back("hide"); };
    host.AnswerForm("fDialog", mrOk);
    form.ShowModal();
    ASSERT_GE(events.size(), 3u);
    EXPECT_EQ(events[0], "show");
    EXPECT_EQ(events[1], "activate");
    EXPECT_EQ(events.back(), "hide");

    form.show();
    EXPECT_THROW(form.ShowModal(), EInvalidOperation);
}

TEST_F(FormTest, RealHostLoopEndsAfterTheClickHandlerAndHonoursAReset)
{
    TQtUiHost qt;
    TScopedUiHost real(qt);
    DialogForm form;
    int clicks = 0;
    form.ok->OnClick = [&](QObject*) {
        if (++clicks == 1) form.SetModalResult(mrNone);  // first click: stay open
    };
    QTimer::singleShot(0, &form, [&] { form.ok->click(); });
    QTimer::singleShot(20, &form, [&] { form.ok->click(); });
    QTimer::singleShot(5000, &form, [&] { form.SetModalResult(mrAbort); });  // never hang
    EXPECT_EQ(form.ShowModal(), mrOk);
    EXPECT_EQ(clicks, 2);
}

TEST_F(FormTest, WindowShownOverAModalOneIsItsTransient)
{
    DialogForm modal;
    DialogForm picker;
    picker.setObjectName("fPicker");
    host.OnForm("fDialog", [&](TForm&) {
        picker.Show();
        EXPECT_TRUE(picker.isVisible());
        EXPECT_EQ(picker.windowHandle()->transientParent(), modal.windowHandle());
        return mrOk;
    });
    EXPECT_EQ(modal.ShowModal(), mrOk);
    EXPECT_TRUE(picker.isVisible());  // not modal, not closed with the modal one
    picker.Hide();
}

// --- the scripted host ----------------------------------------------------------------------

TEST_F(FormTest, ScriptedHostAnswersAQuestionByTextAndRecordsIt)
{
    host.AnswerQuestion("Нова поръчка", mrYes);
    EXPECT_EQ(MessageDlg("Нова поръчка ?!\rНаистина ли искате това ?", mtConfirmation, mbYesNo), mrYes);
    // Unanswered: a Yes/No question gets No; the record says nobody answered.
    EXPECT_EQ(MessageDlg("Нова поръчка ?!\rНаистина ли искате това ?", mtConfirmation, mbYesNo), mrNo);
    ShowMessage("Готово");

    ASSERT_EQ(host.Shown().size(), 3u);
    EXPECT_TRUE(host.Shown()[0].Answered);
    EXPECT_EQ(host.Shown()[0].Result, mrYes);
    EXPECT_FALSE(host.Shown()[1].Answered);
    EXPECT_EQ(host.Shown()[2].Result, mrOk);
    EXPECT_EQ(host.Texts().at(2), "Готово");
}

TEST_F(FormTest, ScriptedHostAnswersAFormByTheTextOfItsLabels)
{
    DialogForm form;
    form.label->SetCaption("Искате ли да съхраните промените ?");
    host.AnswerQuestion("съхраните", mrYes);
    EXPECT_EQ(form.ShowModal(), mrYes);
    ASSERT_EQ(host.Shown().size(), 1u);
    EXPECT_EQ(host.Shown()[0].Name, "fDialog");
    EXPECT_EQ(host.Shown()[0].Text, "Искате ли да съхраните промените ?");
}

TEST_F(FormTest, ExitAndDocumentsGoThroughTheHost)
{
    host.SetDocumentsOpen(false);
    EXPECT_FALSE(UiHost().OpenDocument("http://example.invalid/"));
    try {
        UiHost().ExitProcess(3);
        FAIL() << "no exit";
    } catch (const EProcessExit& e) {
        EXPECT_EQ(e.Code(), 3);
    }
    EXPECT_EQ(host.CountOf(TShownRecord::Document), 1);
    EXPECT_EQ(host.CountOf(TShownRecord::Exit), 1);
}

TEST_F(FormTest, HandleExceptionShowsTheErrorText)
{
    TApplication app;
    app.SetTitle("Car vantel");
    app.HandleException(EDatabaseError("Record not found"));
    ASSERT_EQ(host.Shown().size(), 1u);
    EXPECT_EQ(host.Shown()[0].Text, "Record not found");
    EXPECT_EQ(host.Shown()[0].Caption, "Car vantel");
}

TEST_F(FormTest, HelpWithoutAHelpFileSaysItIsMissing)
{
    TApplication app;
    app.SetHelpFile("NoSuchHelp.HLP");
    EXPECT_FALSE(app.HelpContext(4));
    ASSERT_EQ(host.Shown().size(), 1u);
    EXPECT_TRUE(host.Shown()[0].Text.contains("NoSuchHelp.HLP"));
}

TEST_F(FormTest, HourglassGuardRestoresTheCursorOnError)
{
    ASSERT_EQ(Screen().Cursor(), crDefault);
    try {
        THourglass wait;
        EXPECT_EQ(Screen().Cursor(), crHourGlass);
        EXPECT_EQ(QGuiApplication::overrideCursor()->shape(), Qt::WaitCursor);
        throw Exception("failed");
    } catch (const Exception&) {
    }
    EXPECT_EQ(Screen().Cursor(), crDefault);
    EXPECT_EQ(QGuiApplication::overrideCursor(), nullptr);
}

// --- keys ------------------------------------------------------------------------------------

TEST_F(FormTest, EnterClicksDefaultAndEscapeClicksCancel)
{
    DialogForm form;
    form.ShowActive();
    form.edit->setFocus();
    QTest::keyClick(form.edit, Qt::Key_Return);
    EXPECT_EQ(form.okClicks, 1);
    EXPECT_EQ(form.ModalResult(), mrOk);
    QTest::keyClick(form.edit, Qt::Key_Escape);
    EXPECT_EQ(form.cancelClicks, 1);
    // Escape with Ctrl held is no Cancel.
    QTest::keyClick(form.edit, Qt::Key_Escape, Qt::ControlModifier);
    EXPECT_EQ(form.cancelClicks, 1);
    // Enter on the keypad counts as Enter.
    QTest::keyClick(form.edit, Qt::Key_Enter, Qt::KeypadModifier);
    EXPECT_EQ(form.okClicks, 2);
}

// A grid closing its cell editor on the way out deletes the widget that had the focus: the
// focus moves on, and nothing reads the deleted widget afterwards.
TEST_F(FormTest, AnExitHandlerMayDeleteTheWidgetThatLostTheFocus)
{
    DialogForm form;
    form.ShowActive();
    int enters = 0;
    form.check->OnEnter = [&](QObject*) { ++enters; };
    form.edit->OnExit = [&form](QObject*) {
        // The handler goes with its edit: nothing of it is touched after the delete.
        delete std::exchange(form.edit, nullptr);
    };
    form.edit->setFocus();
    QTest::keyClick(form.edit, Qt::Key_Tab);
    EXPECT_EQ(form.edit, nullptr);
    EXPECT_TRUE(form.check->hasFocus());
    EXPECT_EQ(enters, 1);
}

TEST_F(FormTest, EnterOnAFocusedButtonClicksThatButton)
{
    DialogForm form;
    form.ShowActive();
    form.other->setFocus();
    QTest::keyClick(form.other, Qt::Key_Return);
    EXPECT_EQ(form.otherClicks, 1);
    EXPECT_EQ(form.okClicks, 0);
}

TEST_F(FormTest, AMemoThatWantsReturnsKeepsEnter)
{
    DialogForm form;
    auto* memo = new TMemo(&form);
    form.layout()->addWidget(memo);
    form.ShowActive();
    memo->setFocus();
    QTest::keyClick(memo, Qt::Key_Return);
    EXPECT_EQ(form.okClicks, 0);
    memo->SetWantReturns(false);
    QTest::keyClick(memo, Qt::Key_Return);
    EXPECT_EQ(form.okClicks, 1);
}

TEST_F(FormTest, AcceleratorsWithAltAndBareLetters)
{
    DialogForm form;
    form.ShowActive();
    form.edit->setFocus();
    const QChar pe(0x43F), i(0x438);  // the accelerators of "&Печат" and "&Име"
    // In an edit a bare letter is typed.
    TypeChar(form.edit, pe);
    EXPECT_EQ(form.edit->Text(), QString(pe));
    EXPECT_EQ(form.otherClicks, 0);
    // Alt+letter clicks the button with that accelerator, whatever has the focus.
    TypeChar(form.edit, QLatin1Char('p'), Qt::AltModifier);  // no Latin p caption: nothing
    EXPECT_EQ(form.otherClicks, 0);
    TypeChar(form.edit, pe, Qt::AltModifier);
    EXPECT_EQ(form.otherClicks, 1);
    EXPECT_EQ(form.edit->Text(), QString(pe));
    // On a control that takes no text a bare letter is an accelerator too.
    form.check->setFocus();
    TypeChar(form.check, pe);
    EXPECT_EQ(form.otherClicks, 2);
    // The label's accelerator focuses its control.
    TypeChar(form.check, i, Qt::AltModifier);
    EXPECT_TRUE(form.edit->hasFocus());
}

TEST_F(FormTest, KeyPreviewAndControlKeyPressMaySwallowAKey)
{
    DialogForm form;
    form.ShowActive();
    form.edit->setFocus();
    std::vector<std::string> order;
    form.OnKeyPress = [&](QObject*, QChar& key) {
        order.push_back("form");
        if (key == QLatin1Char('-')) key = QChar();
    };
    form.edit->OnKeyPress = [&](QObject*, QChar& key) {
        order.push_back("edit");
        if (key == QLatin1Char('x')) key = QChar();
        if (key == QLatin1Char('a')) key = QLatin1Char('b');
    };
    QTest::keyClicks(form.edit, "-");
    EXPECT_EQ(order, std::vector<std::string>{"edit"});  // no preview: the form does not see it
    EXPECT_EQ(form.edit->Text(), "-");

    form.edit->clear();
    order.clear();
    form.SetKeyPreview(true);
    QTest::keyClicks(form.edit, "-x1a");
    EXPECT_EQ(form.edit->Text(), "1b");  // '-' by the form, 'x' by the edit, 'a' became 'b'
    EXPECT_EQ(order.front(), "form");
}

TEST_F(FormTest, KeyDownOfTheControlMaySwallowAndSeesEnter)
{
    DialogForm form;
    form.ShowActive();
    form.check->setFocus();
    int downs = 0;
    form.check->OnKeyDown = [&](QObject*, int& key, TShiftState) {
        ++downs;
        if (key == Qt::Key_Space) key = 0;
    };
    QTest::keyClick(form.check, Qt::Key_Space);
    EXPECT_EQ(downs, 1);
    EXPECT_FALSE(form.check->Checked());  // swallowed: Qt's own toggle never ran
}

TEST_F(FormTest, MenuShortCutsClickEnabledItemsOnly)
{
    DialogForm form;
    TMainMenu menu(&form);
    auto* top = new TMenuItem(&form);
    top->SetCaption("&Операции");
    auto* next = new TMenuItem(&form);
    next->SetCaption("&Следващ");
    next->SetShortCut(TextToShortCut("Ctrl+N"));
    auto* append = new TMenuItem(&form);
    append->SetCaption("&Добави ред");
    append->SetShortCut(TextToShortCut("Ctrl+Ins"));
    menu.Items()->Add(top);
    top->Add(next);
    top->Add(append);
    form.SetMenu(&menu);
    int opened = 0, nexts = 0, appends = 0;
    top->OnClick = [&](QObject*) { ++opened; };
    next->OnClick = [&](QObject*) { ++nexts; };
    append->OnClick = [&](QObject*) { ++appends; };
    form.ShowActive();
    form.edit->setFocus();

    QTest::keyClick(form.edit, Qt::Key_N, Qt::ControlModifier);
    QTest::keyClick(form.edit, Qt::Key_Insert, Qt::ControlModifier);
    EXPECT_EQ(nexts, 1);
    EXPECT_EQ(appends, 1);
    EXPECT_EQ(opened, 2);  // the parent's OnClick first, as opening the menu
    append->SetEnabled(false);
    QTest::keyClick(form.edit, Qt::Key_Insert, Qt::ControlModifier);
    EXPECT_EQ(appends, 1);
    EXPECT_EQ(form.edit->Text(), "");  // no short-cut letter leaked into the edit
}

TEST_F(FormTest, PopupMenuShortCutWorksInItsControl)
{
    DialogForm form;
    TPopupMenu popup(&form);
    auto* item = new TMenuItem(&form);
    item->SetCaption("Изтрий");
    item->SetShortCut(TextToShortCut("Ctrl+Del"));
    popup.Items()->Add(item);
    int clicks = 0;
    item->OnClick = [&](QObject*) { ++clicks; };
    form.edit->SetPopupMenu(&popup);
    form.ShowActive();
    form.check->setFocus();
    QTest::keyClick(form.check, Qt::Key_Delete, Qt::ControlModifier);
    EXPECT_EQ(clicks, 0);  // not the edit's focus
    form.edit->setFocus();
    QTest::keyClick(form.edit, Qt::Key_Delete, Qt::ControlModifier);
    EXPECT_EQ(clicks, 1);
}

TEST_F(FormTest, RadioMenuItemsOfAGroupExcludeEachOther)
{
    TMenuItem root;
    auto* english = new TMenuItem(&root);
    auto* bulgarian = new TMenuItem(&root);
    root.Add(english);
    root.Add(bulgarian);
    for (TMenuItem* item : {english, bulgarian}) {
        item->SetRadioItem(true);
        item->SetGroupIndex(1);
    }
    bulgarian->SetChecked(true);
    english->SetChecked(true);
    EXPECT_TRUE(english->Checked());
    EXPECT_FALSE(bulgarian->Checked());
}

TEST_F(FormTest, EnterAndExitFollowTheFocus)
{
    DialogForm form;
    std::vector<std::string> events;
    form.edit->OnEnter = [&](QObject*) { events.push_back("enter edit"); };
    form.edit->OnExit = [&](QObject*) { events.push_back("exit edit"); };
    form.check->OnEnter = [&](QObject*) { events.push_back("enter check"); };
    form.ShowActive();
    form.check->setFocus();
    events.clear();
    form.edit->SetFocus();
    form.check->SetFocus();
    EXPECT_EQ(events, (std::vector<std::string>{"enter edit", "exit edit", "enter check"}));
}

TEST_F(FormTest, CheckBoxRaisesOnClickWhenTheProgramChangesIt)
{
    DialogForm form;
    int clicks = 0;
    form.check->OnClick = [&](QObject*) { ++clicks; };
    form.check->SetChecked(true);
    form.check->SetChecked(true);
    form.check->SetChecked(false);
    EXPECT_EQ(clicks, 2);
}

TEST_F(FormTest, ClickOnAPlainControlRaisesOnClick)
{
    DialogForm form;
    form.ShowActive();
    int clicks = 0, doubles = 0;
    form.edit->OnClick = [&](QObject*) { ++clicks; };
    form.edit->OnDblClick = [&](QObject*) { ++doubles; };
    QTest::mouseClick(form.edit, Qt::LeftButton);
    QTest::mouseDClick(form.edit, Qt::LeftButton);
    EXPECT_GE(clicks, 1);
    EXPECT_EQ(doubles, 1);
}

}  // namespace

namespace {

// A form, a panel and a group box on it show one grey, the button face's, as its buttons do.
TEST(FormLook, TheFormItsPanelsAndItsGroupBoxesShowTheButtonFaceGrey)
{
    TForm form;
    form.resize(300, 200);
    auto* panel = new TPanel(&form);
    panel->setGeometry(10, 10, 100, 80);
    auto* group = new TGroupBox(&form);
    group->setGeometry(150, 10, 120, 120);
    auto* button = new TButton(&form);
    EXPECT_EQ(button->palette().color(QPalette::Button), ToQColor(clBtnFace));
    const QImage shot = form.grab().toImage();
    const QColor face = ToQColor(clBtnFace);
    EXPECT_EQ(shot.pixelColor(5, 190), face);      // the form
    EXPECT_EQ(shot.pixelColor(60, 50), face);      // the panel
    EXPECT_EQ(group->palette().color(QPalette::Window), face);
}

}  // namespace
