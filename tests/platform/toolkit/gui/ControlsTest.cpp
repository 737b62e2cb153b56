#include "platform/toolkit/gui/Form.h"
#include "platform/toolkit/gui/ImageList.h"
#include "platform/toolkit/gui/MaskEdit.h"
#include "platform/toolkit/gui/ScriptedUiHost.h"
#include "platform/toolkit/gui/StandardControls.h"
#include "platform/toolkit/gui/Tabs.h"
#include "platform/toolkit/gui/ToolBar.h"
#include "platform/toolkit/gui/TreeView.h"

#include <QLineEdit>
#include <QTest>
#include <gtest/gtest.h>

namespace {

TEST(ControlsTest, DateMaskKeepsItsBlanksSoAnEmptyDateIsKnown)
{
    TMaskEdit edit;
    edit.SetEditMask("!##/##/####;1;_");
    EXPECT_EQ(edit.Text(), "  /  /    ");
    EXPECT_EQ(edit.EditText(), "__/__/____");
    EXPECT_TRUE(edit.IsEmpty());
    edit.setFocus();
    edit.setCursorPosition(0);
    QTest::keyClicks(&edit, "1205");
    EXPECT_EQ(edit.Text(), "12/05/    ");
    EXPECT_FALSE(edit.IsEmpty());
    QTest::keyClicks(&edit, "2024");
    EXPECT_EQ(edit.Text(), "12/05/2024");
    edit.SetText("  /  /    ");
    EXPECT_TRUE(edit.IsEmpty());
    edit.SetText("01/02/2003");
    EXPECT_EQ(edit.Text(), "01/02/2003");
}

// A date typed as a person types it: the edit given the focus with its text set, the
// separators typed where the mask has its own, whichever of them the person uses.
TEST(ControlsTest, ADateTypedWithItsSeparatorsFillsTheMask)
{
    for (const char* typed : {"01.12.2026", "01/12/2026", "01-12-2026", "01122026"}) {
        TForm form;
        auto* other = new TEdit(&form);
        auto* edit = new TMaskEdit(&form);
        edit->move(0, 30);
        edit->SetEditMask("##/##/####");
        form.show();
        form.activateWindow();
        ASSERT_TRUE(QTest::qWaitForWindowActive(&form));
        other->setFocus();
        edit->SetText("  /  /    ");
        edit->setFocus();
        QTest::keyClicks(edit, typed);
        EXPECT_EQ(edit->Text(), "01/12/2026") << typed;
    }
}

TEST(ControlsTest, MaskWithoutLiteralsGivesOnlyTheTypedCharacters)
{
    TMaskEdit edit;
    edit.SetEditMask("000-00;0;_");
    EXPECT_EQ(TMaskEdit::QtInputMask("000-00;0;_"), "000-00;_");
    edit.SetText("12345");
    EXPECT_EQ(edit.EditText(), "123-45");
    EXPECT_EQ(edit.Text(), "12345");
    EXPECT_EQ(TMaskEdit::QtInputMask("!##/##/####;1;_"), "##/##/####;_");
    EXPECT_EQ(TMaskEdit::QtInputMask("LL\\Aa;1; "), "AA\\An; ");
}

TEST(ControlsTest, CaptionsAreAPropertyTheCaptionFilesCanReach)
{
    TForm form;
    auto* label = new TLabel(&form);
    label->setObjectName("Label1");
    label->SetCaption("Не сте установили данните !\rИскате ли да го сторите сега ?");
    EXPECT_EQ(label->text(), "Не сте установили данните !\nИскате ли да го сторите сега ?");
    auto* button = new TButton(&form);
    button->setObjectName("bYes");
    button->SetCaption("&Избор");
    EXPECT_EQ(button->text(), "Избор");
    for (QObject* o : {static_cast<QObject*>(label), static_cast<QObject*>(button)}) {
        ASSERT_TRUE(o->property("Caption").isValid());
        o->setProperty("Caption", QString("Choose"));
    }
    EXPECT_EQ(button->Caption(), "Choose");
    EXPECT_EQ(label->Caption(), "Choose");
}

TEST(ControlsTest, ComboItemsAndItsChangeEvent)
{
    TComboBox combo;
    int changes = 0;
    combo.OnChange = [&](QObject*) { ++changes; };
    combo.Items().AddStrings(QStringList{"бензин", "газ", "дизел", "друго"});
    combo.SetText("бензин");
    EXPECT_EQ(combo.Text(), "бензин");
    EXPECT_EQ(combo.ItemIndex(), 0);
    EXPECT_EQ(changes, 0);  // the program's own changes raise nothing
    combo.Items().Clear();
    EXPECT_EQ(combo.Text(), "бензин");  // the edit text of a drop-down stays
    QTest::keyClicks(combo.lineEdit(), "x");
    EXPECT_EQ(changes, 1);
    combo.SetStyle(csDropDownList);
    combo.Items().Add("в брой");
    combo.Items().Add("по банка");
    combo.SetText("по банка");
    EXPECT_EQ(combo.ItemIndex(), 1);
    combo.SetText("няма такъв");
    EXPECT_EQ(combo.ItemIndex(), -1);
}

TEST(ControlsTest, TabControlAsksBeforeChangingAndTheProgramChangesQuietly)
{
    TTabControl tabs;
    tabs.Tabs().AddStrings(QStringList{"Настройки", "Архивиране", "Управление"});
    tabs.resize(400, 30);
    tabs.show();
    int changes = 0;
    bool allow = false;
    tabs.OnChange = [&](QObject*) { ++changes; };
    tabs.OnChanging = [&](QObject*, bool& a) { a = allow; };
    QTest::mouseClick(&tabs, Qt::LeftButton, {}, tabs.tabRect(1).center());
    EXPECT_EQ(tabs.TabIndex(), 0);
    allow = true;
    QTest::mouseClick(&tabs, Qt::LeftButton, {}, tabs.tabRect(1).center());
    EXPECT_EQ(tabs.TabIndex(), 1);
    EXPECT_EQ(changes, 1);
    tabs.SetTabIndex(2);
    EXPECT_EQ(changes, 1);

    TNotebook book;
    book.AddPage("Default");
    book.AddPage("Archive");
    book.SetActivePage("Archive");
    EXPECT_EQ(book.PageIndex(), 1);

    TPageControl pages;
    auto* first = new TTabSheet(&pages);
    first->SetCaption("Първа");
    auto* second = new TTabSheet(&pages);
    second->SetCaption("Втора");
    pages.SetActivePage(second);
    EXPECT_EQ(pages.ActivePageIndex(), 1);
    EXPECT_EQ(second->PageIndex(), 1);
    EXPECT_EQ(pages.tabText(0), "Първа");
}

TEST(ControlsTest, TreeEditingCanBeRefusedAndTheEditedTextChanged)
{
    TTreeView tree;
    TTreeNode* root = tree.Items().AddChild(nullptr, "Складове");
    TTreeNode* store = tree.Items().AddChild(root, "Склад1");
    tree.FullExpand();
    EXPECT_EQ(store->Level(), 1);
    EXPECT_EQ(tree.Items().Count(), 2);
    EXPECT_EQ(tree.Items().Item(1), store);
    tree.OnEditing = [&](QObject*, TTreeNode* node, bool& allow) { allow = node != root; };
    tree.OnEdited = [&](QObject*, TTreeNode*, QString& text) { text = text.trimmed(); };
    tree.resize(200, 200);
    tree.show();
    root->EditText();
    EXPECT_FALSE(tree.IsEditing());
    store->EditText();
    ASSERT_TRUE(tree.IsEditing());
    auto* editor = tree.findChild<QLineEdit*>();
    ASSERT_NE(editor, nullptr);
    editor->setText("  Склад Център  ");
    QTest::keyClick(editor, Qt::Key_Return);
    QCoreApplication::processEvents();  // the view commits an editor after the key
    EXPECT_EQ(store->Text(), "Склад Център");
    EXPECT_FALSE(tree.IsEditing());
    tree.SetReadOnly(true);
    store->EditText();
    EXPECT_FALSE(tree.IsEditing());
}

TEST(ControlsTest, ToolButtonsClickAndShowTheirPicture)
{
    TForm form;
    auto* bar = new TToolBar(&form);
    TImageList images(&form);
    QImage red(16, 16, QImage::Format_RGB32);
    red.fill(Qt::red);
    images.Add(red);
    bar->SetImages(&images);
    auto* next = new TToolButton(bar);
    next->SetCaption("Следващ");
    next->SetHint("Следващ");
    next->SetImageIndex(0);
    int clicks = 0;
    next->OnClick = [&](QObject*) { ++clicks; };
    next->click();
    EXPECT_EQ(clicks, 1);
    EXPECT_FALSE(next->icon().isNull());
    EXPECT_EQ(next->toolTip(), "Следващ");
    EXPECT_EQ(bar->ButtonCount(), 1);
}

TEST(ControlsTest, AlignedControlsShareTheirParent)
{
    TForm form;
    form.resize(600, 400);
    auto* top = new TPanel(&form);
    top->SetHeight(30);
    top->SetAlign(alTop);
    auto* bar = new TToolBar(&form);
    bar->SetWidth(42);
    bar->SetAlign(alRight);
    auto* body = new TPanel(&form);
    body->SetAlign(alClient);
    form.show();
    EXPECT_EQ(top->geometry(), QRect(0, 0, 600, 30));
    EXPECT_EQ(bar->geometry(), QRect(558, 30, 42, 370));
    EXPECT_EQ(body->geometry(), QRect(0, 30, 558, 370));
    bar->Hide();  // the tool bar hidden: the body takes its place
    EXPECT_EQ(body->geometry(), QRect(0, 30, 600, 370));
    form.resize(800, 400);
    EXPECT_EQ(top->width(), 800);
    EXPECT_EQ(body->geometry(), QRect(0, 30, 800, 370));
}

TEST(ControlsTest, UpDownStepsItsEdit)
{
    TEdit edit;
    TUpDown updown;
    updown.SetMin(1);
    updown.SetMax(3);
    updown.SetAssociate(&edit);
    updown.SetPosition(2);
    EXPECT_EQ(edit.Text(), "2");
    updown.Step(btNext);
    updown.Step(btNext);
    EXPECT_EQ(updown.Position(), 3);
    edit.SetText("1");
    updown.Step(btNext);  // steps from what the edit holds
    EXPECT_EQ(edit.Text(), "2");
}

}  // namespace
