#include "app/windows/uDeliverySearchForm.h"

#include "app/util/Placing.h"
#include "app/windows/WindowKit.h"
#include "app/windows/WindowServices.h"
#include "app/windows/uDeliverySearchResult.h"
#include "app/windows/uSetings.h"
#include "dataaccess/DaoTable.h"
#include "platform/toolkit/DateTime.h"
#include "platform/toolkit/Fields.h"
#include "platform/toolkit/gui/MaskEdit.h"
#include "platform/toolkit/gui/StandardControls.h"

TfDeliverySearchForm* fDeliverySearchForm = nullptr;

namespace {

const QString kDateMask = QStringLiteral("!##/##/####;1;_");

}  // namespace

TfDeliverySearchForm::TfDeliverySearchForm(QWidget* parent) : TForm(parent)
{
    setObjectName(QStringLiteral("fDeliverySearchForm"));
    SetCaption(QStringLiteral("Търсене доставки"));
    SetBorderStyle(bsDialog);
    SetPosition(poScreenCenter);
    SetHelpContext(1000);
    resize(420, 300);

    const struct {
        TEdit* TfDeliverySearchForm::*Member;
        const char* Name;
        const char* Label;
        int Top, Width;
    } edits[] = {
        {&TfDeliverySearchForm::eCashboxNum, "eCashboxNum", "Каса №", 12, 60},
        {&TfDeliverySearchForm::eSupplier, "eSupplier", "Доставчик", 42, 240},
        {&TfDeliverySearchForm::eInvoiceNum, "eInvoiceNum", "Фактура №", 72, 120},
    };
    for (const auto& e : edits) {
        Place<TLabel>(this, "", QString::fromUtf8(e.Label), 12, e.Top + 3, 140, 16);
        this->*e.Member = Place<TEdit>(this, e.Name, 160, e.Top, e.Width, 22);
    }
    eCashboxNum->SetText(QStringLiteral("99"));
    const struct {
        TMaskEdit* TfDeliverySearchForm::*Member;
        const char* Name;
        const char* Label;
        int Top;
    } dates[] = {
        {&TfDeliverySearchForm::meInvoiceDate, "meInvoiceDate", "Дата на фактура", 102},
        {&TfDeliverySearchForm::meStartDate, "meStartDate", "Доставени от", 132},
        {&TfDeliverySearchForm::meEndDate, "meEndDate", "до (без този ден)", 162},
    };
    for (const auto& d : dates) {
        Place<TLabel>(this, "", QString::fromUtf8(d.Label), 12, d.Top + 3, 140, 16);
        TMaskEdit* edit = Place<TMaskEdit>(this, d.Name, 160, d.Top, 90, 22);
        edit->SetEditMask(kDateMask);
        edit->SetMaxLength(10);
        edit->OnExit = Bind(this, &TfDeliverySearchForm::DateExit);
        this->*d.Member = edit;
    }
    cInvoiceAccept = Place<TCheckBox>(this, "cInvoiceAccept", QStringLiteral("Приключена"), 160, 192, 110, 20);
    cInvoiceUAccept = Place<TCheckBox>(this, "cInvoiceUAccept", QStringLiteral("Не приключена"), 276, 192, 130, 20);
    cInvoiceAccept->OnClick = Bind(this, &TfDeliverySearchForm::cInvoiceAcceptClick);
    cInvoiceUAccept->OnClick = Bind(this, &TfDeliverySearchForm::cInvoiceUAcceptClick);
    lblCannotFind = Place<TLabel>(this, "lblCannotFind", QStringLiteral("Няма записи отговарящи на тези критерии !"),
                                  12, 222, 396, 18);
    lblCannotFind->SetFontColor(clRed);
    lblCannotFind->hide();

    bSearch = Place<TButton>(this, "bSearch", QStringLiteral("&Търси"), 12, 256, 120, 28);
    bNewSearch = Place<TButton>(this, "bNewSearch", QStringLiteral("&Ново търсене"), 144, 256, 130, 28);
    bCancel = Place<TButton>(this, "bCancel", QStringLiteral("&Изход"), 288, 256, 120, 28);
    bSearch->SetDefault(true);
    bSearch->OnClick = Bind(this, &TfDeliverySearchForm::bSearchClick);
    bNewSearch->OnClick = Bind(this, &TfDeliverySearchForm::bNewSearchClick);
    bCancel->SetModalResult(mrCancel);
    bCancel->SetCancel(true);

    OnShow = Bind(this, &TfDeliverySearchForm::FormShow);
    if (!fDeliverySearchForm)
        fDeliverySearchForm = this;
    PlaceFlatLook(this);
}

TfDeliverySearchForm::~TfDeliverySearchForm()
{
    if (fDeliverySearchForm == this)
        fDeliverySearchForm = nullptr;
}

QString TfDeliverySearchForm::BaseStatement()
{
    return QStringLiteral("SELECT delivery.id, delivery.cashbox_num, delivery.supplier, delivery.delivery_date, "
                          "delivery.invoice_num, delivery.invoice_date FROM delivery");
}

void TfDeliverySearchForm::ShowCashBoxRule()
{
    const bool onlyThis = fSetings && fSetings->cbxOnlythisCash->Checked();
    eCashboxNum->SetText(onlyThis ? fSetings->cbxCashBoxNum->Text() : QString());
}

void TfDeliverySearchForm::ClearCriteria()
{
    for (TEdit* edit : {eSupplier, eInvoiceNum})
        edit->SetText(QString());
    for (TMaskEdit* edit : {meInvoiceDate, meStartDate, meEndDate})
        edit->SetText(QString());
    cInvoiceAccept->SetChecked(false);
    cInvoiceUAccept->SetChecked(false);
    ShowCashBoxRule();
}

void TfDeliverySearchForm::FormShow(QObject*)
{
    lblCannotFind->hide();
    ShowCashBoxRule();
}

void TfDeliverySearchForm::bNewSearchClick(QObject*)
{
    lblCannotFind->hide();
    ClearCriteria();
}

void TfDeliverySearchForm::cInvoiceAcceptClick(QObject*)
{
    if (cInvoiceAccept->Checked())
        cInvoiceUAccept->SetChecked(false);
}

void TfDeliverySearchForm::cInvoiceUAcceptClick(QObject*)
{
    if (cInvoiceUAccept->Checked())
        cInvoiceAccept->SetChecked(false);
}

void TfDeliverySearchForm::DateExit(QObject* sender)
{
    auto* edit = qobject_cast<TMaskEdit*>(sender);
    TDateTime day = 0;
    if (!edit || IsEmptyDate(edit->Text()) || TryStrToDate(edit->Text(), day))
        return;
    ShowWarning(QStringLiteral("Невалидна дата !"), false);
    edit->SetFocus();
}

bool TfDeliverySearchForm::BuildStatement(QString& sql, TSqlParams& params)
{
    QStringList terms;
    params.clear();
    if (!eCashboxNum->Text().isEmpty()) {
        bool number = false;
        int box = eCashboxNum->Text().trimmed().toInt(&number);
        if (!number)
            box = 1;
        eCashboxNum->SetText(QString::number(box));
        terms << QStringLiteral(" [cashbox_num]=%1").arg(box);
    }
    if (!eSupplier->Text().isEmpty()) {
        terms << QStringLiteral("[supplier] LIKE :supplier");
        params.push_back({QStringLiteral("supplier"), QLatin1Char('*') + LikeLiteral(eSupplier->Text()) + QLatin1Char('*')});
    }
    if (!eInvoiceNum->Text().isEmpty()) {
        bool number = false;
        const qint32 invoice = eInvoiceNum->Text().trimmed().toInt(&number);
        if (!number) {
            ShowWarning(QStringLiteral("Невалиден номер на фактура !"), false);
            eInvoiceNum->SetFocus();
            return false;
        }
        terms << QStringLiteral("[invoice_num]=%1").arg(invoice);
    }
    const struct {
        TMaskEdit* Edit;
        const char* Term;
    } dates[] = {
        {meInvoiceDate, "[invoice_date]="},
        {meStartDate, "[delivery_date]>="},
        {meEndDate, "[delivery_date]<"},
    };
    for (const auto& d : dates) {
        TDateTime day = 0;
        if (IsEmptyDate(d.Edit->Text()))
            continue;
        if (!TryStrToDate(d.Edit->Text(), day)) {
            ShowWarning(QStringLiteral("Невалидна дата !"), false);
            d.Edit->SetFocus();
            return false;
        }
        terms << QString::fromLatin1(d.Term) + SqlDate(day);
    }
    if (cInvoiceUAccept->Checked())
        terms << QStringLiteral("[finished]=False");
    else if (cInvoiceAccept->Checked())
        terms << QStringLiteral("[finished]=True");
    sql = terms.isEmpty() ? BaseStatement() : BaseStatement() + QStringLiteral(" WHERE ") + terms.join(QStringLiteral(" AND "));
    return true;
}

bool TfDeliverySearchForm::RunQuery(const QString& sql, const TSqlParams& params)
{
    TDaoTable* query = DM->OpenQuery(sql, params);
    return !query->IsEmpty() && !query->Fields().Fields(0)->IsNull();
}

void TfDeliverySearchForm::bSearchClick(QObject*)
{
    QString sql;
    TSqlParams params;
    if (!BuildStatement(sql, params))
        return;
    bool found = false;
    try {
        found = RunQuery(sql, params);
    } catch (const std::exception& error) {
        ShowWarning(QStringLiteral("Поради възникнала грешка, търсенето не бе извършено !\r") +
                        QString::fromUtf8(error.what()),
                    false);
        return;
    }
    if (!found) {
        lblCannotFind->show();
        return;
    }
    lblCannotFind->hide();
    if (fDeliverySearchResult)
        fDeliverySearchResult->ShowModal();
    if (Modal())
        SetModalResult(mrYes);
    else
        Close();
}
