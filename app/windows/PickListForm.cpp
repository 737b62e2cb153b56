#include "app/windows/PickListForm.h"

#include "app/util/AppGlobals.h"
#include "app/windows/OrderWindowHooks.h"
#include "app/windows/RowDelete.h"
#include "app/windows/WindowServices.h"
#include "app/windows/uSetings.h"
#include "controls/FlatButton.h"
#include "dataaccess/DaoTable.h"
#include "platform/toolkit/Fields.h"
#include "platform/toolkit/gui/StandardControls.h"

#include <QHBoxLayout>
#include <algorithm>

namespace {

constexpr int kHeight = 460;
constexpr int kSearchWidth = 200;

}  // namespace

TPickListForm::TPickListForm(const TDesign& design, QWidget* parent)
    : TForm(parent), table_(design.Table), inUse_(design.InUse), inUseText_(design.InUseText),
      showInOrder_(design.ShowInOrder)
{
    setObjectName(QString::fromLatin1(design.FormName));
    SetCaption(QString::fromUtf8(design.Caption));
    SetHelpContext(design.HelpContext);
    SetPosition(poScreenCenter);
    resize(design.Width, kHeight);

    int left = 8;
    for (const TSearchSpec& search : design.Searches) {
        Place<TLabel>(this, "", QString::fromUtf8(search.Label), left, 8, kSearchWidth, 16);
        auto* box = Place<TEdit>(this, search.Name, left, 26, kSearchWidth, 22);
        box->OnChange = Bind(this, &TPickListForm::tbxSearchValueChange);
        SearchBoxes.push_back(box);
        searchFields_ << QString::fromLatin1(search.Field);
        left += kSearchWidth + 16;
    }

    DBGrid1 = PlaceGrid(this, "DBGrid1", design.Source, 8, 56, width() - 16, height() - 104);
    SetColumns(DBGrid1, design.Columns);
    // The last column takes the room the others leave as the window is made wider.
    StretchColumn(DBGrid1, DBGrid1->Columns().Count() - 1);
    SortOnTitleClick(DBGrid1, table_);
    DBGrid1->OnKeyDown = Bind(this, &TPickListForm::DBGrid1KeyDown);
    DBGrid1->OnDblClick = Bind(this, &TPickListForm::DBGrid1DblClick);
    Anchor(DBGrid1, akLeft | akTop | akRight | akBottom);

    const int bottom = height() - 38;
    lblEditing = Place<TLabel>(this, "lblEditing", QStringLiteral("Редактиране"), 8, bottom + 6, 160, 18);
    lblEditing->SetFontColor(8421631);
    lblEditing->hide();
    Anchor(lblEditing, akLeft | akBottom);
    const struct {
        TFlatButton* TPickListForm::*Member;
        const char* Name;
        const char* Caption;
        void (TPickListForm::*Handler)(QObject*);
    } buttons[] = {
        {&TPickListForm::bYes, "bYes", "&Избор", &TPickListForm::bYesClick},
        {&TPickListForm::bDel, "bDel", "&Премахни", &TPickListForm::bDelClick},
        {&TPickListForm::bCancel, "bCancel", "&Изход", &TPickListForm::bCancelClick},
    };
    // The buttons a mode hides leave no gap: they sit right-aligned in a row of their own.
    auto* buttonRow = Place<QWidget>(this, "pnlButtons", width() - 8 - 3 * 104, bottom, 3 * 104, 28);
    auto* row = new QHBoxLayout(buttonRow);
    row->setContentsMargins(0, 0, 0, 0);
    row->setSpacing(4);
    row->addStretch();
    for (const auto& b : buttons) {
        auto* button = new TFlatButton(buttonRow);
        button->setObjectName(QString::fromLatin1(b.Name));
        button->SetCaption(QString::fromUtf8(b.Caption));
        button->setFixedSize(100, 28);
        button->OnClick = Bind(this, b.Handler);
        row->addWidget(button);
        this->*b.Member = button;
    }
    Anchor(buttonRow, akRight | akBottom);
    bYes->SetDefault(true);
    bCancel->SetCancel(true);
    PlaceFlatLook(this);
}

void TPickListForm::SetPickMode(bool pick)
{
    pickMode_ = pick;
    bYes->setVisible(pick);
}

TModalResult TPickListForm::ShowForPick()
{
    SetPickMode(true);
    remembered_ = table_->Active() && !table_->IsEmpty() ? table_->GetBookmark() : TBookmark();
    bDel->hide();
    DBGrid1->SetReadOnly(true);
    lblEditing->hide();
    return ShowModal();
}

TModalResult TPickListForm::ShowAsList()
{
    SetPickMode(false);
    remembered_.clear();
    const bool editing = fSetings->cbChangeSaleData->Checked() || lblEditing->Visible();
    bDel->setVisible(editing);
    DBGrid1->SetReadOnly(!editing);
    if (editing) lblEditing->show();
    return ShowModal();
}

bool TPickListForm::CanPick() const
{
    const TOrderWindowHooks& order = OrderWindowHooks();
    return pickMode_ || (order.Editing && order.Editing());
}

void TPickListForm::bYesClick(QObject*)
{
    if (!CanPick() || !table_->Active() || table_->IsEmpty()) return;
    if (showInOrder_) showInOrder_();
    app::OrderDirty = true;
    remembered_.clear();
    SetModalResult(mrOk);
}

void TPickListForm::bCancelClick(QObject*)
{
    // A failed return leaves the table where it is: the window closes either way.
    try {
        if (!remembered_.isEmpty() && table_->BookmarkValid(remembered_)) table_->GotoBookmark(remembered_);
    } catch (const std::exception&) {
    }
    remembered_.clear();
    SetModalResult(mrCancel);
}

void TPickListForm::bDelClick(QObject*)
{
    if (!table_->Active() || table_->IsEmpty()) return;
    const TField* id = table_->FieldByName(QStringLiteral("id"));
    if (id->IsNull()) return;
    bool inUse = true;
    try {
        inUse = inUse_(id->AsInteger());
    } catch (const std::exception&) {
        ShowDeleteFailed();
        return;
    }
    if (inUse) {
        ShowWarning(inUseText_, false);
        return;
    }
    if (!ConfirmRowDelete(false)) return;
    try {
        table_->Delete();
        table_->RequeryIfRestartable();
        DBGrid1->Repaint();
    } catch (const std::exception&) {
        ShowDeleteFailed();
    }
}

void TPickListForm::tbxSearchValueChange(QObject* sender)
{
    const auto box = std::find(SearchBoxes.begin(), SearchBoxes.end(), sender);
    if (box == SearchBoxes.end() || !table_->Active()) return;
    // Not finding is no error (an empty table has no current row); a search never leaves a row
    // being edited.
    try {
        SearchKey(table_, searchFields_[int(box - SearchBoxes.begin())], (*box)->Text());
    } catch (const std::exception&) {
        if (table_->State() == dsEdit || table_->State() == dsInsert) table_->Cancel();
    }
}

void TPickListForm::DBGrid1KeyDown(QObject*, int& key, TShiftState shift)
{
    if (key == Qt::Key_Delete && (shift & Qt::ControlModifier)) {
        key = 0;
        bDelClick(DBGrid1);
    } else if ((key == Qt::Key_Return || key == Qt::Key_Enter) && CanPick()) {
        key = 0;
        bYesClick(DBGrid1);
    } else if (key == Qt::Key_Tab && !shift && bYes->isVisibleTo(this)) {
        key = 0;
        bYes->SetFocus();
    }
}

void TPickListForm::DBGrid1DblClick(QObject*)
{
    bYesClick(DBGrid1);
}
