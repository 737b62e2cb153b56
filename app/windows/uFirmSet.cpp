#include "app/windows/uFirmSet.h"

#include "app/datamodule/DModule.h"
#include "app/util/AppFlags.h"
#include "app/util/AppGlobals.h"
#include "app/windows/OrderWindowHooks.h"
#include "app/windows/RowDelete.h"
#include "app/windows/WindowKit.h"
#include "app/windows/WindowServices.h"
#include "app/windows/uPassDlg.h"
#include "app/windows/uSetings.h"
#include "controls/FlatButton.h"
#include "dataaccess/DaoTable.h"
#include "platform/toolkit/Fields.h"
#include "platform/toolkit/gui/StandardControls.h"

#include <QScopedValueRollback>

TfFirmSet* fFirmSet = nullptr;

namespace {

// Room for a firm's usual values; the letterhead, the longest, takes what the others leave.
const TColumnSpec kColumns[] = {
    {"myfirm_name", "Име на фирма", 120},
    {"mol", "МОЛ", 100},
    {"mytax_num", "Булстат:", 80},
    {"mybulstat", "ЕИК /ЕГН/ЛНЧ:", 90},
    {"DDS", "ДДС%", 40},
    {"bank_name", "Име на банка", 90},
    {"bank_account", "Банк. сметка (IBAN)", 160},
    {"code_bank", "Банков код (BIC)", 90},
    {"bank_tax_account", "Банков код по ДДС", 100},
    {"address", "Адрес", 100},
    {"phone", "Телефон", 75},
    {"antette", "Антетка", 60},
};
constexpr int kLetterheadColumn = 11;

TDaoTable* Firms()
{
    return DM->tblMyFirm;
}

bool Editing(TDataSet* dataSet)
{
    return dataSet->State() == dsEdit || dataSet->State() == dsInsert;
}

}  // namespace

TfFirmSet::TfFirmSet(QWidget* parent) : TForm(parent)
{
    setObjectName(QStringLiteral("fFirmSet"));
    SetCaption(QStringLiteral("фирми"));
    SetPosition(poScreenCenter);
    resize(1240, 440);

    Place<TLabel>(this, "Label1", QStringLiteral("Търсене по име на наша фирма :"), 8, 12, 220, 16);
    tbxSearchValue = Place<TEdit>(this, "tbxSearchValue", 232, 8, 260, 22);
    tbxSearchValue->OnChange = Bind(this, &TfFirmSet::tbxSearchValueChange);

    DBGrid1 = PlaceGrid(this, "DBGrid1", DM->srcMyFirm, 8, 38, width() - 16, height() - 86);
    SetColumns(DBGrid1, kColumns);
    WidenToTitles(DBGrid1);
    StretchColumn(DBGrid1, kLetterheadColumn);
    DBGrid1->OnKeyDown = Bind(this, &TfFirmSet::DBGrid1KeyDown);
    Anchor(DBGrid1, akLeft | akTop | akRight | akBottom);

    const int bottom = height() - 38;
    cbxOnlyThis = Place<TCheckBox>(this, "cbxOnlyThis", QStringLiteral("Поръчки само за тази фирма"), 8, bottom + 4,
                                   260, 20);
    Anchor(cbxOnlyThis, akLeft | akBottom);
    const struct {
        TFlatButton* TfFirmSet::*Member;
        const char* Name;
        const char* Caption;
        void (TfFirmSet::*Handler)(QObject*);
    } buttons[] = {
        {&TfFirmSet::bDel, "bDel", "&Премахни", &TfFirmSet::bDelClick},
        {&TfFirmSet::bYes, "bYes", "&Избор", &TfFirmSet::bYesClick},
        {&TfFirmSet::bCancel, "bCancel", "&Отказ", &TfFirmSet::bCancelClick},
    };
    int left = width() - 8 - 3 * 104;
    for (const auto& b : buttons) {
        auto* button = Place<TFlatButton>(this, b.Name, QString::fromUtf8(b.Caption), left, bottom, 100, 28);
        button->OnClick = Bind(this, b.Handler);
        Anchor(button, akRight | akBottom);
        this->*b.Member = button;
        left += 104;
    }
    bYes->SetDefault(true);
    bCancel->SetCancel(true);

    OnActivate = Bind(this, &TfFirmSet::FormActivate);
    if (!fFirmSet) fFirmSet = this;
    PlaceFlatLook(this);
}

TfFirmSet::~TfFirmSet()
{
    if (fFirmSet == this) fFirmSet = nullptr;
}

void TfFirmSet::FormActivate(QObject*)
{
    remembered_ = Firms()->Active() && !Firms()->IsEmpty() ? Firms()->GetBookmark() : TBookmark();
    cbxOnlyThis->SetChecked(fSetings->cbxOnlythisF->Checked());
}

bool TfFirmSet::PostFirm()
{
    DBGrid1->CommitEditor();
    if (!Editing(Firms())) return true;
    if (Firms()->FieldByName(QStringLiteral("myfirm_name"))->AsString().isEmpty()) {
        ShowWarning(QStringLiteral("Въведете данните на фирмата !"), false);
        return false;
    }
    Firms()->Post();
    return true;
}

void TfFirmSet::TakeFirmIntoOrder()
{
    TDaoTable* sale = DM->tblSale;
    if (!app::OrderDirty || !sale->Active()) return;
    sale->Edit();
    sale->FieldByName(QStringLiteral("myfirm_id"))->SetAsInteger(Firms()->FieldByName(QStringLiteral("id"))->AsInteger());
    sale->FieldByName(QStringLiteral("tax_rate"))->SetAsInteger(Firms()->FieldByName(QStringLiteral("DDS"))->AsInteger());
}

void TfFirmSet::TakeFirmIntoSettings()
{
    fSetings->cbxOnlythisF->SetChecked(cbxOnlyThis->Checked());
    if (!cbxOnlyThis->Checked()) return;
    app::CurrentFirmId = Firms()->FieldByName(QStringLiteral("id"))->AsInteger();
    fSetings->eFirmName->SetText(Firms()->FieldByName(QStringLiteral("myfirm_name"))->AsString());
}

void TfFirmSet::bYesClick(QObject*)
{
    if (!Firms()->Active() || Firms()->IsEmpty()) return;
    // Taking the firm into the order must not renumber the order's lines meanwhile.
    const QScopedValueRollback guard(app::RenumberingLines, true);
    if (!PostFirm()) return;
    TakeFirmIntoOrder();
    TakeFirmIntoSettings();
    fPasswordDlg->SaveSettings();
    if (OrderWindowHooks().ApplySaleFilter) OrderWindowHooks().ApplySaleFilter();
    if (OrderWindowHooks().FirmChosen) OrderWindowHooks().FirmChosen();
    SetModalResult(mrOk);
}

void TfFirmSet::ForgetCurrentFirm(qint32 deletedId)
{
    if (deletedId != app::CurrentFirmId) return;
    app::CurrentFirmId = -1;
    fSetings->eFirmName->SetText(QString());
    fPasswordDlg->SaveSettings();
}

void TfFirmSet::bDelClick(QObject*)
{
    if (!Firms()->Active() || Firms()->IsEmpty()) return;
    const TField* idField = Firms()->FieldByName(QStringLiteral("id"));
    if (idField->IsNull()) return;
    const qint32 id = idField->AsInteger();
    bool inUse = true;
    try {
        inUse = DM->FirmInUse(id);
    } catch (const std::exception&) {
        ShowDeleteFailed();
        return;
    }
    if (inUse) {
        ShowWarning(TDM::FirmInUseText(), false);
        return;
    }
    if (!ConfirmRowDelete(true)) return;
    try {
        DM->DeleteFirm(id);
        Firms()->RequeryIfRestartable();
    } catch (const std::exception&) {
        ShowDeleteFailed();
        return;
    }
    ForgetCurrentFirm(id);
}

void TfFirmSet::bCancelClick(QObject*)
{
    try {
        if (Editing(Firms())) Firms()->Cancel();
        if (!remembered_.isEmpty() && Firms()->BookmarkValid(remembered_)) Firms()->GotoBookmark(remembered_);
    } catch (const std::exception&) {
    }
    SetModalResult(mrCancel);
}

bool TfFirmSet::FindFirm(const QString& text)
{
    if (!text.isEmpty() && Firms()->Locate(QStringLiteral("myfirm_name"), text, loCaseInsensitive)) return true;
    return SearchKey(Firms(), QStringLiteral("myfirm_name"), text);
}

void TfFirmSet::tbxSearchValueChange(QObject*)
{
    if (!Firms()->Active()) return;
    try {
        FindFirm(tbxSearchValue->Text());
    } catch (const std::exception&) {
        // No current row (an empty list): the search leaves nothing being edited.
        Firms()->GetLastDaoError(app::LastDaoError);
        if (Editing(Firms())) Firms()->Cancel();
    }
}

void TfFirmSet::DBGrid1KeyDown(QObject*, int& key, TShiftState shift)
{
    if (key == Qt::Key_Delete && (shift & Qt::ControlModifier)) {
        key = 0;
        bDelClick(DBGrid1);
    } else if (key == Qt::Key_Return || key == Qt::Key_Enter) {
        key = 0;
        bYesClick(DBGrid1);
    } else if (key == Qt::Key_Tab && !shift) {
        key = 0;
        bYes->SetFocus();
    }
}
