#include "app/windows/uCarsVantel.h"

#include "app/datamodule/DModule.h"
#include "app/util/AppFlags.h"
#include "app/util/AppGlobals.h"
#include "app/util/NumberDraw.h"
#include "app/windows/CarVantelPrivate.h"
#include "app/windows/WindowKit.h"
#include "app/windows/uFirmSet.h"
#include "app/windows/uMyMessage.h"
#include "controls/FlatButton.h"
#include "dataaccess/DaoDataBase.h"
#include "dataaccess/DaoTable.h"
#include "platform/toolkit/Fields.h"
#include "platform/toolkit/gui/Application.h"
#include "platform/toolkit/gui/DBControls.h"
#include "platform/toolkit/gui/DBGrid.h"
#include "platform/toolkit/gui/StandardControls.h"

#include <vector>

using namespace main_window;

namespace {

// The own-firm panel: grey while the list is one firm's, red while it is every firm's.
const TColor kFirmGrey = 6316128;
const TColor kEveryFirmRed = 7105791;

// Goes to the row of `table` whose id is the value of `key`; false for a Null key or no row.
bool FindById(TDaoTable* table, const TField* key)
{
    return table->Active() && !key->IsNull() && SearchKey(table, QStringLiteral("id"), key->AsString());
}

}  // namespace

// --- the order list ----------------------------------------------------------------------------

void TfCarVantel::BuildSaleFilter(QString& filter)
{
    filter.clear();
    if (!fSetings) return;
    QString separator = QStringLiteral("(");
    const auto term = [&](const QString& text) {
        filter += separator + text;
        separator = QStringLiteral(" AND ");
    };
    if (fSetings->cbxOnlythisF->Checked()) term(QStringLiteral("[myfirm_id]=") + QString::number(app::CurrentFirmId));
    // As a number, so whatever stands in the box cannot change the filter; 1 when it is none.
    const int cashBox = fSetings->CashBoxNumber();
    if (fSetings->cbxOnlythisCash->Checked()) term(QStringLiteral("[cashbox_num]=") + QString::number(cashBox ? cashBox : 1));
    if (fSetings->cbxDontShowAnullDock->Checked()) term(QStringLiteral("[invoice_annul]=False"));
    if (!fSetings->cbxShowUPayed->Checked()) term(QStringLiteral("[invoice_piment]=True"));
    if (!filter.isEmpty()) filter += QLatin1Char(')');
}

void TfCarVantel::ApplySaleFilter()
{
    TDaoTable* sale = DM->tblSale;
    const bool onlyThisFirm = SettingOn(&TfSetings::cbxOnlythisF);
    for (TDBText* text : {DBText_DDS, DBTTax_nom, DBTMyBulstat, DBTName})
        text->SetFontColor(onlyThisFirm ? kFirmGrey : kEveryFirmRed);
    QString filter;
    if (onlyThisFirm) {
        if (app::CurrentFirmId == -1) fSetings->LoadSettings();
        sale->SetFiltered(false);
        BuildSaleFilter(filter);
        if (!filter.isEmpty()) {
            sale->SetFilter(filter);
            sale->SetFiltered(true);
        }
    } else {
        sale->SetFiltered(false);
        BuildSaleFilter(filter);
        sale->SetFilter(filter);
        sale->SetFiltered(true);
    }
    ShowCurrentSale();
    if (IsSaleRow()) {
        sale->Last();
        ShowCurrentSale();
    }
}

void TfCarVantel::ShowCurrentSale()
{
    if (!CheckConnection()) return;
    TDaoTable* sale = DM->tblSale;
    const bool any = IsSaleRow();
    if (any && FindById(DM->tblCar, FieldOf(sale, "car_id")))
        ShowCarFields();
    else
        ClearCarFields();
    if (any && FindById(DM->tblClient, FieldOf(sale, "client_id")))
        ShowClientFields();
    else
        ClearClientFields();
    if (any) FindById(DM->tblMyFirm, FieldOf(sale, "MyFirm_id"));
    app::MissingStock = false;
    ShowStatusBoxes();
}

void TfCarVantel::ShowStatusBoxes()
{
    const bool any = IsSaleRow();
    const std::pair<TCheckBox*, const char*> boxes[] = {
        {cbxInvoice, "invoice"}, {cbxAnnul, "invoice_annul"}, {cbxFinnished, "invoice_accept"}, {cbxPayed, "invoice_piment"}};
    // Showing an order must not write to it: the boxes' handlers store what they show. What
    // they show besides is shown here.
    for (const auto& [box, field] : boxes)
        SetCheckedQuietly(box, any && FieldOf(DM->tblSale, field)->AsBoolean());
    ShowInvoiceChoice();
    ColourStatusBox(cbxAnnul);
    ColourStatusBox(cbxFinnished);
}

// --- moving through the orders -----------------------------------------------------------------

void TfCarVantel::MoveInOrders(void (*move)(TDataSet*))
{
    if (!CheckConnection()) return;
    CheckUnsavedOrder();
    move(DM->tblSale);
    ShowCurrentSale();
    LockEditing();
}

void TfCarVantel::tbtFirstClick(QObject*)
{
    MoveInOrders([](TDataSet* sale) { sale->First(); });
}

void TfCarVantel::tbtPreviewsClick(QObject*)
{
    MoveInOrders([](TDataSet* sale) {
        if (!sale->Bof()) sale->Prior();
    });
}

void TfCarVantel::tbtNextClick(QObject*)
{
    MoveInOrders([](TDataSet* sale) {
        if (!sale->Eof()) sale->Next();
    });
}

void TfCarVantel::tbtLastClick(QObject*)
{
    MoveInOrders([](TDataSet* sale) {
        if (!sale->IsEmpty()) sale->Last();
    });
}

void TfCarVantel::CheckUnsavedOrder()
{
    if (!app::OrderDirty && !app::CarEdited && !app::ClientEdited) return;
    if (!SettingOn(&TfSetings::cbWarnings) ||
        ShowWarning(QStringLiteral("За да няма загуба на данни,\rтрябва да приключите поръчката !"), true)) {
        FinishOrder();
        return;
    }
    KeepOrderUnfinished();
}

void TfCarVantel::KeepOrderUnfinished()
{
    // Lines changed since a finish were never checked against stock nor totalled, so the order
    // waits unfinished, its goods back in stock. With no order on screen there is nothing to
    // keep (an Edit would start a new one).
    if (IsSaleRow()) {
        // What was typed into the panels is stored as the finish would store it, and the order
        // names it, so that it is there when the order is shown again.
        if (app::CarEdited && PanelHoldsText(CarPanel())) InsertCar();
        if (app::ClientEdited && PanelHoldsText(ClientPanel())) InsertClient();
        TDaoTable* sale = DM->tblSale;
        sale->Edit();
        if (shownCarId_) FieldOf(sale, "car_id")->SetAsInteger(shownCarId_);
        if (shownClientId_) FieldOf(sale, "client_id")->SetAsInteger(shownClientId_);
        FieldOf(sale, "seller_id")->SetAsString(app::CurrentSellerId);
        FieldOf(sale, "last_modified")->SetAsDateTime(Now());
        FieldOf(sale, "invoice_accept")->SetAsBoolean(false);
        sale->Post();
    }
    cbxFinnished->SetChecked(false);
    app::OrderDirty = false;
}

void TfCarVantel::RequeryOrder()
{
    THourglass hourglass;
    TDaoTable* sale = DM->tblSale;
    const QString id = FieldOf(sale, "id")->AsString();
    WithLinesDisabled([sale, &id](TDaoTable* lines) {
        sale->RequeryIfRestartable();
        lines->RequeryIfRestartable();
        if (!id.isEmpty()) SearchKey(sale, QStringLiteral("id"), id);
    });
    ShowCurrentSale();
}

void TfCarVantel::Refresh2Click(QObject*)
{
    RequeryOrder();
}

// --- a new order -------------------------------------------------------------------------------

int TfCarVantel::MaxSaleNum()
{
    TDaoTable* sale = DM->tblSale;
    if (!sale->Active()) return -1;
    const TField* number = FieldOf(sale, "sale_num");
    if (!number->IsNull() && number->AsInteger() >= 1) return -1;
    return HighestNumber(QStringLiteral("SELECT Max([sale_num]) FROM sale;"));
}

// The new order's number: drawn and stored in one write, so that a station storing its own
// meanwhile cannot get the same. A failure leaves the number for the finish to give.
void TfCarVantel::DrawSaleNum()
{
    TDaoTable* sale = DM->tblSale;
    if (MaxSaleNum() == -1) return;
    try {
        app::DrawNextNumber(*DM->VantelDataBase, QStringLiteral("sale"), QStringLiteral("sale_num"),
                            FieldOf(sale, "id")->AsInteger());
    } catch (const std::exception&) {
        return;
    }
    sale->Refresh();
}

void TfCarVantel::Append1Click(QObject*)
{
    if (!CheckConnection()) return;
    TDaoTable* firm = DM->tblMyFirm;
    if (FieldOf(firm, "id")->IsNull()) {
        if (ShowWarning(QStringLiteral("Не сте установили данните на вашата фирма !\rИскате ли да го сторите сега ?"),
                        true))
            fFirmSet->ShowModal();
        return;
    }
    if (SettingOn(&TfSetings::cbMessages) &&
        !ShowWarning(QStringLiteral("Нова поръчка ?!\rНаистина ли искате това ?"), true))
        return;
    CheckUnsavedOrder();
    if (!SettingOn(&TfSetings::cbxOnlythisF)) {
        fSetings->cbxOnlythisF->SetChecked(true);
        fbtFirmsClick(fbtFirms);
    }

    TDaoTable* sale = DM->tblSale;
    sale->Append();
    FieldOf(sale, "myfirm_id")
        ->SetAsInteger(SettingOn(&TfSetings::cbxOnlythisF) ? FieldOf(firm, "id")->AsInteger() : app::CurrentFirmId);
    FieldOf(sale, "tax_rate")->SetAsInteger(FieldOf(firm, "DDS")->AsInteger());
    bool isNumber = false;
    const int book = fSetings->cbxKochanNom->Text().toInt(&isNumber);
    FieldOf(sale, "kochan_num")->SetAsInteger(isNumber ? book : 0);
    FieldOf(sale, "seller_id")->SetAsString(app::CurrentSellerId);
    FieldOf(sale, "last_modified")->SetAsDateTime(Now());
    FieldOf(sale, "cashbox_num")->SetAsString(fSetings->cbxCashBoxNum->Text());
    sale->Post();
    DrawSaleNum();

    ShowCurrentSale();
    app::CarEdited = true;
    app::ClientEdited = true;
    if (!SettingOn(&TfSetings::cbxDynamic)) {
        THourglass hourglass;
        std::vector<TDataSet*> stock;
        if (app::PerArticle && app::CurrentStockDataSet) stock.push_back(app::CurrentStockDataSet);
        stock.push_back(DM->tblArticleTotalQuery);
        for (TDataSet* dataset : stock) {
            dataset->SetFiltered(false);
            if (auto* table = qobject_cast<TDaoTable*>(dataset); table && !table->Requery()) table->Refresh();
            dataset->SetFiltered(true);
        }
    }
    UnlockEditing();
    MyDBGrid1->Repaint();
    FocusCarPanel();
}

void TfCarVantel::Rollback1Click(QObject*)
{
    if (!CheckConnection()) return;
    if (!IsSaleRow() || FieldOf(DM->tblSale, "id")->IsNull()) return;
    if (SettingOn(&TfSetings::cbChangeSaleData)) {
        UnlockEditing();
        return;
    }
    if (!SettingOn(&TfSetings::cbWarnings)) return;
    fMyMessage->SetHelpContext(4);
    ShowWarning(QStringLiteral("За да редактирате тези данни, трябва да\rнаправите необходимите промени в настройките!!!"),
                true);
}

void TfCarVantel::FocusCarPanel()
{
    // The car search while it cannot be offered leaves the person at the make.
    if (fbtCarSearch->isEnabled())
        fbtCarSearch->SetFocus();
    else
        dbcbMark->SetFocus();
}

std::vector<QWidget*> TfCarVantel::OrderControls() const
{
    return {dbcbMark,       dbcbModel,       dbeCarNumber,  dbeMotorNum,   dbeFrameNum,      dbcbGorivo,
            dbeName,        dbePhone,        dbeFirmName,   dbeFirmAddres, dbeTaxNom,        dbeBulstat,
            DBC_tax_kind,   lbl_tax_kind,    cbxPayed,      cbxAnnul,      cbxInvoice,       cbxFinnished,
            DBE_sale_num,   DBE_sale_date,   DBE_invoice_num, DBE_invoice_date, lblSaleNum,  lblSaleDate,
            lblInvoiceNum,  lblInvoiceDate};
}

void TfCarVantel::LockEditing()
{
    if (app::OrderLocked) return;
    lblEditing->Hide();
    for (QWidget* control : OrderControls())
        control->setEnabled(false);
    MyDBGrid1->SetReadOnly(true);
    app::OrderLocked = true;
}

void TfCarVantel::UnlockEditing()
{
    lblEditing->SetCaption(cbxFinnished->Checked() ? QStringLiteral("Редактиране")
                                                   : QStringLiteral("Неприключена сметка!"));
    lblEditing->Show();
    for (QWidget* control : OrderControls())
        if (control != cbxFinnished) control->setEnabled(true);
    MyDBGrid1->SetReadOnly(false);
    app::OrderLocked = false;
    cbxFinnished->setEnabled(SettingOn(&TfSetings::cbxPayedOrNot));
}
