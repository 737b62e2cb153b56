#include "app/windows/uSearchForm.h"

#include "app/util/AppGlobals.h"
#include "app/util/Placing.h"
#include "app/windows/WindowKit.h"
#include "app/windows/WindowServices.h"
#include "app/windows/uSetings.h"
#include "dataaccess/DaoTable.h"
#include "platform/toolkit/DateTime.h"
#include "platform/toolkit/Fields.h"
#include "platform/toolkit/gui/MaskEdit.h"
#include "platform/toolkit/gui/StandardControls.h"

#include <QRegularExpression>

TfSearchForm* fSearchForm = nullptr;

namespace {

const QString kDateMask = QStringLiteral("!##/##/####;1;_");
constexpr int kEditLeft = 130;

}  // namespace

TfSearchForm::TfSearchForm(QWidget* parent) : TForm(parent)
{
    setObjectName(QStringLiteral("fSearchForm"));
    SetCaption(QStringLiteral("Търсене покупки"));
    SetBorderStyle(bsDialog);
    SetPosition(poScreenCenter);
    SetHelpContext(1000);
    resize(456, 376);

    const struct {
        TEdit* TfSearchForm::*Member;
        const char* Name;
        const char* Label;
        int Top, Width;
    } edits[] = {
        {&TfSearchForm::eClientName, "eClientName", "Клиент име", 12, 310},
        {&TfSearchForm::eFirmName, "eFirmName", "Фирма име", 40, 310},
        {&TfSearchForm::eCarNum, "eCarNum", "Автомобил №", 68, 140},
        {&TfSearchForm::eInvoiceNum, "eInvoiceNum", "Фактура №", 96, 140},
        {&TfSearchForm::eCashboxNum, "eCashboxNum", "Каса №", 180, 60},
    };
    for (const auto& e : edits) {
        Place<TLabel>(this, "", QString::fromUtf8(e.Label), 12, e.Top + 3, kEditLeft - 16, 16);
        this->*e.Member = Place<TEdit>(this, e.Name, kEditLeft, e.Top, e.Width, 22);
    }
    eInvoiceNum->SetMaxLength(10);
    eCashboxNum->SetText(QStringLiteral("99"));
    for (TEdit* edit : {eCashboxNum, eInvoiceNum})
        edit->OnKeyPress = Bind(this, &TfSearchForm::eCashboxNumKeyPress);

    const struct {
        TMaskEdit* TfSearchForm::*Member;
        const char* Name;
        const char* Label;
        int Left, Top;
        void (TfSearchForm::*Exit)(QObject*);
    } dates[] = {
        {&TfSearchForm::meInvoiceDate, "meInvoiceDate", "Фактура дата", kEditLeft, 124, &TfSearchForm::meInvoiceDateExit},
        {&TfSearchForm::meSaleDate, "meSaleDate", "От дата", kEditLeft, 152, &TfSearchForm::meSaleDateExit},
        {&TfSearchForm::meEndDate, "meEndDate", "До дата", 350, 152, &TfSearchForm::meEndDateExit},
    };
    for (const auto& d : dates) {
        Place<TLabel>(this, "", QString::fromUtf8(d.Label), d.Left == kEditLeft ? 12 : d.Left - 90, d.Top + 3, 80, 16);
        TMaskEdit* edit = Place<TMaskEdit>(this, d.Name, d.Left, d.Top, 90, 22);
        edit->SetEditMask(kDateMask);
        edit->SetMaxLength(10);
        edit->OnExit = Bind(this, d.Exit);
        this->*d.Member = edit;
    }

    const struct {
        TCheckBox* TfSearchForm::*Member;
        const char* Name;
        const char* Caption;
        int Left, Top;
    } boxes[] = {
        {&TfSearchForm::cInvoiceAccept, "cInvoiceAccept", "Приключена", 12, 214},
        {&TfSearchForm::cInvoiceAnnul, "cInvoiceAnnul", "Анулирана ", 230, 214},
        {&TfSearchForm::cInvoicePiment, "cInvoicePiment", "Платена", 12, 238},
        {&TfSearchForm::cInvoiceUPiment, "cInvoiceUPiment", "Не платена", 230, 238},
    };
    for (const auto& b : boxes)
        this->*b.Member = Place<TCheckBox>(this, b.Name, QString::fromUtf8(b.Caption), b.Left, b.Top, 200, 20);
    cInvoicePiment->OnClick = Bind(this, &TfSearchForm::cInvoicePimentClick);
    cInvoiceUPiment->OnClick = Bind(this, &TfSearchForm::cInvoiceUPimentClick);
    cbOnCurrentFirm = Place<TCheckBox>(this, "cbOnCurrentFirm", 12, 268, 20, 20);
    lblOnCurrentFirm = Place<TLabel>(this, "lblOnCurrentFirm", QStringLiteral("Само издадените от тази фирма"), 34, 270,
                                     410, 16);
    lblOnCurrentFirm->SetFocusControl(cbOnCurrentFirm);

    lblCannotFind = Place<TLabel>(this, "lblCannotFind", QStringLiteral("Няма записи отговарящи на тези критерии !"),
                                  12, 300, 432, 18);
    lblCannotFind->SetFontColor(clRed);
    lblCannotFind->hide();

    bNewSearch = Place<TButton>(this, "bNewSearch", QStringLiteral("&Ново търсене"), 12, 334, 140, 28);
    bSearch = Place<TButton>(this, "bSearch", QStringLiteral("&Търси"), 164, 334, 130, 28);
    bCancel = Place<TButton>(this, "bCancel", QStringLiteral("&Изход"), 314, 334, 130, 28);
    bNewSearch->OnClick = Bind(this, &TfSearchForm::bNewSearchClick);
    bSearch->SetModalResult(mrYes);
    bSearch->SetDefault(true);
    bCancel->SetModalResult(mrCancel);
    bCancel->SetCancel(true);

    PlaceFlatLook(this);
    ClearCriteria();
    OnShow = Bind(this, &TfSearchForm::FormShow);
    OnCloseQuery = Bind(this, &TfSearchForm::FormCloseQuery);
    if (!fSearchForm) fSearchForm = this;
}

TfSearchForm::~TfSearchForm()
{
    if (fSearchForm == this) fSearchForm = nullptr;
}

QString TfSearchForm::BaseStatement()
{
    return QStringLiteral(
        "SELECT sale.id, sale.sale_num, sale.cashbox_num, client.name, client.firm_name, sale.sale_date, "
        "sale.invoice_num, sale.invoice_date, car.car_number FROM (sale INNER JOIN client ON sale.client_id = "
        "client.id) INNER JOIN car ON sale.car_id = car.id");
}

void TfSearchForm::ShowCashBoxRule()
{
    const bool onlyThis = fSetings && fSetings->cbxOnlythisCash->Checked();
    eCashboxNum->SetText(onlyThis ? fSetings->cbxCashBoxNum->Text() : QString());
}

void TfSearchForm::FormShow(QObject*)
{
    lblCannotFind->hide();
    ShowCashBoxRule();
    const QString firm = fSetings ? fSetings->eFirmName->Text() : QString();
    lblOnCurrentFirm->SetCaption(firm.isEmpty() ? QStringLiteral("Само издадените от тази фирма")
                                                : QStringLiteral("Издадени от \"") + firm + QStringLiteral("\" "));
    cbOnCurrentFirm->SetChecked(fSetings && fSetings->cbxOnlythisF->Checked());
}

void TfSearchForm::ClearCriteria()
{
    for (TEdit* edit : {eClientName, eFirmName, eCarNum, eInvoiceNum})
        edit->SetText(QString());
    for (TMaskEdit* edit : {meSaleDate, meInvoiceDate, meEndDate})
        edit->SetText(QString());
    ShowCashBoxRule();
    cInvoicePiment->SetChecked(true);
    cInvoiceAnnul->SetChecked(false);
    cInvoiceAccept->SetChecked(true);
    cInvoiceUPiment->SetChecked(false);
}

void TfSearchForm::bNewSearchClick(QObject*)
{
    lblCannotFind->hide();
    ClearCriteria();
}

void TfSearchForm::eCashboxNumKeyPress(QObject*, QChar& key)
{
    if (!(key >= QLatin1Char('0') && key <= QLatin1Char('9')) && key != QLatin1Char('\b')) key = QChar();
}

void TfSearchForm::cInvoicePimentClick(QObject*)
{
    if (cInvoicePiment->Checked()) cInvoiceUPiment->SetChecked(false);
}

void TfSearchForm::cInvoiceUPimentClick(QObject*)
{
    if (cInvoiceUPiment->Checked()) cInvoicePiment->SetChecked(false);
}

void TfSearchForm::meSaleDateExit(QObject*) { CheckDateEdit(meSaleDate); }
void TfSearchForm::meInvoiceDateExit(QObject*) { CheckDateEdit(meInvoiceDate); }
void TfSearchForm::meEndDateExit(QObject*) { CheckDateEdit(meEndDate); }

bool TfSearchForm::BuildSearch(QString& sql, TSqlParams& params)
{
    QStringList terms;
    params.clear();
    if (!eCashboxNum->Text().isEmpty()) {
        bool number = false;
        int box = eCashboxNum->Text().toInt(&number);
        if (!number) box = 1;
        eCashboxNum->SetText(QString::number(box));
        terms << QStringLiteral(" [cashbox_num]=") + QString::number(box);
    }
    // Typed names are matched as they stand: bound, with Like's wildcards taken literally.
    const struct {
        TEdit* Edit;
        const char* Term;
        const char* Param;
        bool Contains;
    } texts[] = {
        {eClientName, "[name] LIKE :client", "client", true},
        {eFirmName, "[firm_name] LIKE :firm", "firm", true},
        {eCarNum, "[car_number] LIKE :car", "car", false},
    };
    for (const auto& t : texts) {
        if (t.Edit->Text().isEmpty()) continue;
        terms << QString::fromLatin1(t.Term);
        const QString pattern = LikeLiteral(t.Edit->Text()) + QLatin1Char('*');
        params.push_back({QString::fromLatin1(t.Param), t.Contains ? QLatin1Char('*') + pattern : pattern});
    }
    if (!eInvoiceNum->Text().isEmpty()) {
        // The key filter stops typing, not pasting.
        static const QRegularExpression digits(QStringLiteral("^[0-9]+$"));
        bool number = false;
        const qint32 invoice = eInvoiceNum->Text().toInt(&number);
        if (!digits.match(eInvoiceNum->Text()).hasMatch() || !number) return false;
        terms << QStringLiteral("[invoice_num]=") + QString::number(invoice);
    }
    // The invoice date carries the time the order was numbered: the whole day is searched.
    if (!IsEmptyDate(meInvoiceDate->Text())) {
        const TDateTime day = StrToDate(meInvoiceDate->Text());
        terms << QStringLiteral("[invoice_date]>=") + SqlDate(day) + QStringLiteral(" AND [invoice_date]<") +
                     SqlDate(day + 1);
    }
    if (!IsEmptyDate(meSaleDate->Text()))
        terms << QStringLiteral("[sale_date]>=") + SqlDate(StrToDate(meSaleDate->Text()));
    if (!IsEmptyDate(meEndDate->Text()))
        terms << QStringLiteral("[sale_date]<") + SqlDate(StrToDate(meEndDate->Text()));
    if (cInvoiceAnnul->Checked()) terms << QStringLiteral("[invoice_annul]=True");
    if (cInvoicePiment->Checked())
        terms << QStringLiteral("[invoice_piment]=True");
    else if (cInvoiceUPiment->Checked())
        terms << QStringLiteral("[invoice_piment]=False");
    if (cInvoiceAccept->Checked()) terms << QStringLiteral("[invoice_accept]=True");
    // The firm the label names; without one the term is left out.
    if (cbOnCurrentFirm->Checked() && app::CurrentFirmId != -1)
        terms << QStringLiteral("[myfirm_id]=") + QString::number(app::CurrentFirmId);
    sql = terms.isEmpty() ? BaseStatement()
                          : BaseStatement() + QStringLiteral(" WHERE ") + terms.join(QStringLiteral(" AND ")) +
                                QLatin1Char(';');
    return true;
}

bool TfSearchForm::RunSearch(const QString& sql, const TSqlParams& params)
{
    TDaoTable* query = DM->OpenQuery(sql, params);
    return !query->IsEmpty() && !query->Fields().Fields(0)->IsNull();
}

void TfSearchForm::FormCloseQuery(QObject*, bool& canClose)
{
    if (ModalResult() != mrYes) return;
    lblCannotFind->hide();
    for (TMaskEdit* edit : {meInvoiceDate, meSaleDate, meEndDate})
        if (!CheckDateEdit(edit)) {
            canClose = false;
            return;
        }
    QString sql;
    TSqlParams params;
    bool found = false;
    try {
        found = BuildSearch(sql, params) && RunSearch(sql, params);
    } catch (const std::exception& error) {
        canClose = false;
        ShowWarning(QStringLiteral("Процесът е прекратен поради грешка \r") + QString::fromUtf8(error.what()), false);
        return;
    }
    canClose = found;
    lblCannotFind->setVisible(!found);
}
