#include "app/windows/uCarsVantel.h"

#include "app/datamodule/DModule.h"
#include "app/util/AppFlags.h"
#include "app/util/AppGlobals.h"
#include "app/util/NumberDraw.h"
#include "app/windows/CarVantelPrivate.h"
#include "app/windows/WindowKit.h"
#include "app/windows/uMyMessage.h"
#include "dataaccess/DaoDataBase.h"
#include "dataaccess/DaoTable.h"
#include "dataaccess/DaoTransaction.h"
#include "platform/os/StopPoint.h"
#include "platform/toolkit/Exceptions.h"
#include "platform/toolkit/Fields.h"
#include "platform/toolkit/gui/Application.h"
#include "platform/toolkit/gui/DBControls.h"
#include "platform/toolkit/gui/StandardControls.h"

#include <QHash>
#include <QList>
#include <limits>

using namespace main_window;

// --- finishing, annulling and invoicing ---------------------------------------------------------

namespace {

constexpr TColor kBoxOnColor = 7105791;
constexpr TColor kBoxOffColor = 6316128;

// A typed invoice number: 0 for none ("" or "0"), -1 for a text that is no number.
qint64 TypedInvoiceNumber(const QString& text)
{
    const QString typed = text.trimmed();
    if (typed.isEmpty()) return 0;
    bool ok = false;
    const qint64 number = typed.toLongLong(&ok);
    if (!ok || number < 0 || number > std::numeric_limits<qint32>::max()) return -1;
    for (const QChar c : typed)
        if (!c.isDigit()) return -1;
    return number;
}

qint32 BookOf(TDataSet* sale)
{
    return FieldOf(sale, "kochan_num")->AsInteger();
}

// Where a test may end the process between two writes of a finish.
constexpr const char* kFinishStop = "finishing an order";

// Whether the order is short of stock: a line of goods whose lot holds less than it takes.
bool AnyLineShort(TDataSet* lines)
{
    bool shortLine = false;
    for (lines->First(); !lines->Eof(); lines->Next())
        if (!FieldOf(lines, "service")->AsBoolean() &&
            FieldOf(lines, "quantity_reminder")->AsFloat() < FieldOf(lines, "sale_quantity")->AsFloat())
            shortLine = true;
    return shortLine;
}

}  // namespace

void TfCarVantel::BindFinishing()
{
    cbxAnnul->OnClick = Bind(this, &M::cbxAnnulClick);
    cbxPayed->OnClick = Bind(this, &M::cbxPayedClick);
    cbxFinnished->OnClick = Bind(this, &M::cbxFinnishedClick);
    cbxInvoice->OnClick = Bind(this, &M::cbxInvoiceClick);
    DBC_tax_kind->OnChange = Bind(this, &M::DBC_tax_kindChange);
    DBE_invoice_num->OnKeyPress = Bind(this, &M::DBE_invoice_numKeyPress);
    DBE_invoice_num->OnExit = Bind(this, &M::DBE_invoice_numExit);
}

void TfCarVantel::Commit1Click(QObject*)
{
    if (!CheckConnection()) return;
    // The whole stock is not read here: the finish reads its own lots, and the stock window
    // reads the whole stock again when it opens.
    TApplication::ProcessMessages();
    DM->VantelDataBase->Idle();
    if (app::OrderLocked) return;
    RenumberLines();
    FinishOrder();
}

bool TfCarVantel::InvoiceNumberTaken(qint32 number, qint32 book)
{
    TDataSet* sale = DM->tblSale;
    return DM->AnyRow(QStringLiteral("SELECT id FROM sale WHERE invoice_num=:number AND Nz(kochan_num,0)=:book "
                                     "AND myfirm_id=:firm AND invoice_annul=False AND invoice_accept=True "
                                     "AND id<>:id"),
                      {{QStringLiteral("number"), TVariant(number)},
                       {QStringLiteral("book"), TVariant(book)},
                       {QStringLiteral("firm"), TVariant(FieldOf(sale, "myfirm_id")->AsInteger())},
                       {QStringLiteral("id"), TVariant(FieldOf(sale, "id")->AsInteger())}});
}

int TfCarVantel::MaxInvoiceNum()
{
    TDaoTable* sale = DM->tblSale;
    if (!sale->Active()) return -1;
    return HighestNumber(QStringLiteral("SELECT Max([invoice_num]) FROM sale WHERE kochan_num=:book AND myfirm_id=:firm;"),
                         {{QStringLiteral("book"), TVariant(BookOf(sale))},
                          {QStringLiteral("firm"), TVariant(FieldOf(sale, "myfirm_id")->AsInteger())}});
}

// The invoice's number, one above the book's and firm's highest, drawn and stored in one write
// so that another station's invoice stored meanwhile is counted.
void TfCarVantel::DrawInvoiceNum()
{
    TDaoTable* sale = DM->tblSale;
    if (MaxInvoiceNum() == -1) throw Exception(QStringLiteral("Номерът на фактурата не може да бъде определен !"));
    app::DrawNextNumber(*DM->VantelDataBase, QStringLiteral("sale"), QStringLiteral("invoice_num"),
                        FieldOf(sale, "id")->AsInteger(),
                        QStringLiteral("kochan_num=%1 AND myfirm_id=%2")
                            .arg(BookOf(sale))
                            .arg(FieldOf(sale, "myfirm_id")->AsInteger()));
    sale->Refresh();
}

// The typed invoice number is free in the order's book and firm; otherwise says so and clears it.
bool TfCarVantel::InvoiceNumberFree()
{
    const qint64 typed = TypedInvoiceNumber(DBE_invoice_num->Text());
    if (typed == 0) return true;
    if (typed < 0) {
        ShowWarning(QStringLiteral("Невалиден номер на фактура !"), false);
        return false;
    }
    const qint32 book = BookOf(DM->tblSale);
    if (!InvoiceNumberTaken(static_cast<qint32>(typed), book)) return true;
    ShowWarning(QStringLiteral("Фактура с №") + QString::number(typed) + QStringLiteral(" от кочан №") +
                    QString::number(book) + QStringLiteral(" вече съществува!") + QLatin1Char('\r') +
                    QStringLiteral("Променете номера на фактурата преди да я приключите!"),
                false);
    DBE_invoice_num->SetText(QStringLiteral("0"));
    return false;
}

// Links, totals at the stored rate, date and order number.
void TfCarVantel::StampOrder()
{
    TDaoTable* sale = DM->tblSale;
    sale->Edit();
    if (shownCarId_) FieldOf(sale, "car_id")->SetAsInteger(shownCarId_);
    if (shownClientId_) FieldOf(sale, "client_id")->SetAsInteger(shownClientId_);
    FieldOf(sale, "MyFirm_id")->SetAsInteger(FieldOf(DM->tblMyFirm, "id")->AsInteger());
    if (DBE_sale_date->Text().trimmed().isEmpty()) FieldOf(sale, "sale_date")->SetAsDateTime(Now());
    FieldOf(sale, "tax_rate")->SetAsInteger(FieldOf(DM->tblMyFirm, "DDS")->AsInteger());
    if (FieldOf(sale, "kochan_num")->IsNull()) FieldOf(sale, "kochan_num")->SetAsInteger(0);
    sale->Post();
    StopPoint(kFinishStop);
    TApplication::ProcessMessages();
    DM->VantelDataBase->Idle();
    DrawSaleNum();
    StopPoint(kFinishStop);
    // The totals of the rate just stored.
    DM->tblSaleTotalQuery->Requery();
    DM->tblSaleTotalQuery->RequeryIfRestartable();
    sale->Edit();
    FieldOf(sale, "sum_sale_total")->SetAsString(FieldOf(DM->tblSaleTotalQuery, "Total")->AsString());
    FieldOf(sale, "tax_value")->SetAsString(FieldOf(DM->tblSaleTotalQuery, "SaleDDS")->AsString());
    sale->Post();
    StopPoint(kFinishStop);
    // Whatever reads the car and client next reads the order's; found through the key, not by
    // walking every car and client of the shop's history.
    if (shownCarId_) DM->tblCar->Locate(QStringLiteral("id"), TVariant(shownCarId_), {});
    if (shownClientId_) DM->tblClient->Locate(QStringLiteral("id"), TVariant(shownClientId_), {});
}

// Whether the finish numbers the invoice: the operator asked for one, it has no number yet and
// says Yes to the question.
bool TfCarVantel::InvoiceWanted()
{
    return cbxInvoice->Checked() && FieldOf(DM->tblSale, "invoice_num")->AsInteger() < 1 &&
           SettingOn(&TfSetings::cbMessages) &&
           ShowWarning(QStringLiteral("Искате ли поръчката да бъде\rтрансформирана във фактура ?"), true);
}

void TfCarVantel::NumberInvoice()
{
    TDaoTable* sale = DM->tblSale;
    DrawInvoiceNum();
    StopPoint(kFinishStop);
    sale->Edit();
    FieldOf(sale, "invoice_date")->SetAsDateTime(Now());
    FieldOf(sale, "invoice")->SetAsBoolean(true);
    sale->Post();
    StopPoint(kFinishStop);
}

// Whether the finished order counts in the operator's cash box: one of box 0 always, one of
// another box when the operator says so.
bool TfCarVantel::IntoOwnCashBox()
{
    const QString box = FieldOf(DM->tblSale, "cashbox_num")->AsString();
    return box == QLatin1String("0") || box == fSetings->cbxCashBoxNum->Text() ||
           ShowWarning(QStringLiteral("Тази поръчка е от друга каса !\rПромяната ще я запише във вашата каса !"), true);
}

void TfCarVantel::MarkOrderSold(bool intoOwnCashBox)
{
    TDaoTable* sale = DM->tblSale;
    app::MissingStock = false;
    sale->Edit();
    FieldOf(sale, "invoice_accept")->SetAsBoolean(true);
    FieldOf(sale, "invoice_annul")->SetAsBoolean(false);
    FieldOf(sale, "seller_id")->SetAsString(app::CurrentSellerId);
    FieldOf(sale, "last_modified")->SetAsDateTime(Now());
    if (intoOwnCashBox) FieldOf(sale, "cashbox_num")->SetAsString(fSetings->cbxCashBoxNum->Text());
    sale->Post();
    StopPoint(kFinishStop);
}

// Each line's stock as it stands with this order counted as sold, its own quantity added back.
// Only the order's own lots are read, so a finish costs the same however long the history.
void TfCarVantel::RecountLineStock()
{
    TApplication::ProcessMessages();
    InLinesBatch([](TDaoTable* lines) {
        QList<qint32> lots;
        for (lines->First(); !lines->Eof(); lines->Next())
            if (const TField* lot = FieldOf(lines, "delivery_detail_id"); !lot->IsNull()) lots << lot->AsInteger();
        const QHash<qint32, double> lotStock = DM->StockOfLots(lots);
        for (lines->First(); !lines->Eof(); lines->Next()) {
            const TField* lot = FieldOf(lines, "delivery_detail_id");
            lines->Edit();
            const auto found = lot->IsNull() ? lotStock.cend() : lotStock.constFind(lot->AsInteger());
            FieldOf(lines, "quantity_reminder")
                ->SetAsFloat(found == lotStock.cend() ? 0.0 : *found + FieldOf(lines, "sale_quantity")->AsFloat());
            lines->Post();
            StopPoint(kFinishStop);
        }
    });
    DM->VantelDataBase->Idle();
}

void TfCarVantel::ColourStatusBox(TCheckBox* box)
{
    box->SetFontColor(box->Checked() ? kBoxOnColor : kBoxOffColor);
}

void TfCarVantel::SetFinishedBox(bool finished)
{
    SetCheckedQuietly(cbxFinnished, finished);
    ColourStatusBox(cbxFinnished);
}

// The stamps, the invoice number, the sold mark and the lines' stock, written in one
// transaction: the lots are counted under the write lock, and a stop anywhere leaves the order
// finished with its stock taken or as it was. The questions are asked before, so no station
// waits on a person. True when the order is finished, false when it is short of stock (its
// stamps are kept).
bool TfCarVantel::WriteFinish(bool invoiceWanted, bool intoOwnCashBox)
{
    TDaoTable* sale = DM->tblSale;
    TDaoTransaction transaction(*DM->VantelDataBase);
    StampOrder();
    if (invoiceWanted) NumberInvoice();
    MarkOrderSold(intoOwnCashBox);
    RecountLineStock();
    const bool finished = !AnyLineShort(DM->tblSaleDetail);
    sale->Edit();
    FieldOf(sale, "invoice_accept")->SetAsBoolean(finished);
    if (finished) FieldOf(sale, "invoice")->SetAsBoolean(cbxInvoice->Checked());
    sale->Post();
    StopPoint(kFinishStop);
    transaction.Commit();
    return finished;
}

void TfCarVantel::FinishOrder()
{
    TDaoTable* sale = DM->tblSale;
    if (!IsSaleRow()) return;
    bool writing = false;
    bool dirty = app::OrderDirty;
    try {
        // A value an edit of the order refuses stops the finish before anything is asked or written.
        if (sale->State() == dsEdit || sale->State() == dsInsert) sale->UpdateRecord();
        if (app::CarEdited) InsertCar();
        if (app::ClientEdited) InsertClient();
        TDaoTable* lines = DM->tblSaleDetail;
        if (!lines->IsEmpty()) {
            lines->Edit();
            lines->Post();
        }
        if (FieldOf(sale, "invoice_annul")->AsBoolean()) {
            ShowWarning(QStringLiteral("Не може да приключвате анулирана\rпоръчка или анулирана фактура !!!"), false);
            return;
        }
        if (!InvoiceNumberFree()) return;
        RequeryLines();
        const bool invoiceWanted = InvoiceWanted();
        const bool intoOwnCashBox = IntoOwnCashBox();
        dirty = app::OrderDirty;
        writing = true;
        const bool finished = WriteFinish(invoiceWanted, intoOwnCashBox);
        lines->First();
        SetFinishedBox(finished);
        if (!finished) {
            app::MissingStock = true;
            ShowWarning(QStringLiteral("Поради изписана липсваща стока от склада,\rтази поръчка не може да се приключи !"),
                        false);
            return;
        }
        app::OrderDirty = false;
        if (SettingOn(&TfSetings::cbMessages)) ShowWarning(QStringLiteral("Поръчката бе приключена !"), false);
        LockEditing();
    } catch (const std::exception& error) {
        // Nothing of the finish was kept: the order waits as it was, still to be finished.
        if (writing) {
            try {
                if (sale->State() == dsEdit) sale->Cancel();
            } catch (const std::exception&) {
                // The row is read again when the order is next shown.
            }
            app::OrderDirty = dirty;
            SetFinishedBox(IsSaleRow() && FieldOf(sale, "invoice_accept")->AsBoolean());
        }
        // A value an edit refused has been said, and the edit keeps it to put right.
        if (!dynamic_cast<const EAbort*>(&error)) ShowWarning(ProcessStoppedText(error), false);
    }
}

void TfCarVantel::fbtAnulaClick(QObject*)
{
    if (!CheckConnection()) return;
    if (app::OrderLocked) {
        fMyMessage->SetHelpContext(4);
        ShowWarning(QStringLiteral("За да анулирате тази поръчка,\rтрябва да сте в режим редактиране!"), true);
        return;
    }
    if (!IsSaleRow()) return;
    if (SettingOn(&TfSetings::cbMessages) && !ShowWarning(QStringLiteral("Искате ли да анулирате поръчката ?"), true))
        return;
    TDaoTable* sale = DM->tblSale;
    sale->Edit();
    FieldOf(sale, "invoice_accept")->SetAsBoolean(false);
    FieldOf(sale, "invoice_annul")->SetAsBoolean(true);
    sale->Post();
    TApplication::ProcessMessages();
    DM->VantelDataBase->Idle();
    cbxAnnul->SetChecked(FieldOf(sale, "invoice_annul")->AsBoolean());
    SetFinishedBox(false);
    if (SettingOn(&TfSetings::cbMessages)) ShowWarning(QStringLiteral("Поръчката бе анулирана !"), false);
    app::OrderDirty = false;
    app::CarEdited = false;
    app::ClientEdited = false;
}

// Writes a status box to its field of the shown order.
void TfCarVantel::StoreStatusBox(TCheckBox* box, const char* field)
{
    if (!IsSaleRow()) return;
    TDaoTable* sale = DM->tblSale;
    if (FieldOf(sale, field)->AsBoolean() == box->Checked() && sale->State() == dsBrowse) return;
    sale->Edit();
    FieldOf(sale, field)->SetAsBoolean(box->Checked());
    sale->Post();
    TApplication::ProcessMessages();
    DM->VantelDataBase->Idle();
}

void TfCarVantel::cbxAnnulClick(QObject*)
{
    if (!IsSaleRow()) return;
    StoreStatusBox(cbxAnnul, "invoice_annul");
    if (cbxAnnul->Checked() && cbxPayed->Checked()) cbxPayed->SetChecked(false);
    ColourStatusBox(cbxAnnul);
}

void TfCarVantel::cbxPayedClick(QObject*)
{
    StoreStatusBox(cbxPayed, "invoice_piment");
}

void TfCarVantel::cbxFinnishedClick(QObject*)
{
    ColourStatusBox(cbxFinnished);
}

void TfCarVantel::cbxInvoiceClick(QObject*)
{
    if (!IsSaleRow()) return;
    const bool invoice = cbxInvoice->Checked();
    // Only asking for an invoice annuls a short order, and never without a word: unticking, or
    // emptying the number, leaves it as it is.
    if (invoice && app::MissingStock) {
        ShowWarning(QStringLiteral("Поради изписана липсваща стока от склада,\rтази поръчка не може да се приключи "
                                   "!\rПоръчката ще бъде анулирана !"),
                    false);
        SetCheckedQuietly(cbxInvoice, false);
        ShowInvoiceChoice();
        cbxAnnul->SetChecked(true);
        return;
    }
    ShowInvoiceChoice();
    if (invoice) cbxAnnul->SetChecked(false);
}

void TfCarVantel::DBC_tax_kindChange(QObject*)
{
    // The kind is the combo's own field. Whether the order is finished is the finish's to say:
    // neither kind takes goods out of stock or puts them back, nor moves the order in or out of
    // the cash box.
}

void TfCarVantel::DBE_invoice_numKeyPress(QObject*, QChar& key)
{
    if (key == QLatin1Char('-')) key = QChar();
    if (DBE_invoice_num->ReadOnly())
        ShowWarning(QStringLiteral("За да промените номера на фактурата трябва преди\r това да сте избрали "
                                   "\"Издаване на фактура\" !!! "),
                    false);
}

void TfCarVantel::DBE_invoice_numExit(QObject*)
{
    if (DBE_invoice_num->Text().isEmpty()) DBE_invoice_num->SetText(QStringLiteral("0"));
    if (DBE_invoice_num->Text() == QLatin1String("0")) cbxInvoice->SetChecked(false);
}

void TfCarVantel::tbtDellClick(QObject*)
{
    if (!CheckConnection()) return;
    if (app::OrderLocked) {
        ShowWarning(QStringLiteral("За да премахнете тази поръчка от списъка,\rтрябва да сте в режим редактиране и\r"
                                   "да сте изтрили всичките й позиции ."),
                    false);
        return;
    }
    if (!IsSaleRow()) return;
    TDaoTable* sale = DM->tblSale;
    try {
        if (DM->AnyRow(QStringLiteral("SELECT id FROM sale_detail WHERE sale_id=:id"),
                       {{QStringLiteral("id"), TVariant(FieldOf(sale, "id")->AsInteger())}})) {
            ShowWarning(QStringLiteral("За да премахнете тази поръчка от списъка,\rтрябва да изтриете всичките й позиции ."),
                        false);
            return;
        }
        if (SettingOn(&TfSetings::cbMessages) &&
            !ShowWarning(QStringLiteral("Текущата поръчка ще бъде премахната от базата !\rНаистина ли искате това ?"), true))
            return;
        sale->Delete();
        TApplication::ProcessMessages();
        DM->VantelDataBase->Idle();
        sale->RequeryIfRestartable();
        DM->tblSaleDetail->RequeryIfRestartable();
        ShowCurrentSale();
        LockEditing();
    } catch (const std::exception&) {
        ShowWarning(QStringLiteral("Поради възникнала грешка, записът не бе премахнат !"), false);
    }
}
