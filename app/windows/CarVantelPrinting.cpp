#include "app/windows/uCarsVantel.h"

#include "app/datamodule/DModule.h"
#include "app/reports/OrderRows.h"
#include "app/reports/uInvoiceReport.h"
#include "app/reports/uOrderReport.h"
#include "app/util/AppGlobals.h"
#include "app/util/Utilities.h"
#include "app/windows/CarVantelPrivate.h"
#include "controls/FlatButton.h"
#include "dataaccess/DaoTable.h"
#include "platform/report/ReportDBText.h"
#include "platform/report/ReportLabel.h"
#include "platform/toolkit/Component.h"
#include "platform/toolkit/Fields.h"
#include "platform/toolkit/gui/Control.h"
#include "platform/toolkit/gui/DBControls.h"
#include "platform/toolkit/gui/StandardControls.h"

using namespace main_window;

// --- printing the order ------------------------------------------------------------------------

namespace {

constexpr int kDirectPrintTag = 10;

// An order or invoice number as the documents print it: ten digits and a point.
QString DocumentNumber(const TField* number)
{
    return QStringLiteral("%1.").arg(number->AsInteger(), 10, 10, QLatin1Char('0'));
}

// The name an order's document goes by in a print run and as the PDF file printed where there
// is no printer: title, number and kind ("Фактура 0000000042 ОРИГИНАЛ").
void NameDocument(TInvoiceReport& report)
{
    QString number = report.qrlinvoice_num->Caption();
    if (number.endsWith(QLatin1Char('.'))) number.chop(1);
    QStringList parts{report.QRLFuckName->Caption(), number, report.QRLInvoiceType->Caption()};
    parts.removeAll(QString());
    report.SetDocumentName(parts.join(QLatin1Char(' ')));
}

int TagOf(QObject* sender)
{
    if (const auto* control = dynamic_cast<const TControl*>(sender)) return control->Tag();
    if (const auto* component = dynamic_cast<const TComponent*>(sender)) return component->Tag();
    return 0;
}

}  // namespace

void TfCarVantel::ShowInvoiceChoice()
{
    const bool invoice = cbxInvoice->Checked();
    fbtPrint->setVisible(invoice);
    fbtView->SetCaption(invoice ? QStringLiteral("&Преглед фактура") : QStringLiteral("&Преглед проформа"));
    DBE_invoice_num->SetReadOnly(!invoice);
}

void TfCarVantel::Print3Click(QObject* sender)
{
    if (!CheckConnection() || !InvoiceReport || !IsSaleRow()) return;
    TInvoiceReport& report = *InvoiceReport;
    TDaoTable* sale = DM->tblSale;
    const bool orderSheet = sender == fbtViewDelivery;
    report.QRDBText27->SetEnabled(cbxSastavil_mol->Checked());
    report.QRDBText4->SetEnabled(cbxSastavil_mol->Checked());
    copyText_ = orderSheet ? QString() : QStringLiteral("КОПИЕ");
    proformaText_ = orderSheet ? QString() : QStringLiteral("ПРОФОРМА");
    report.ShowCarRow(orderSheet);
    if (orderSheet) report.qrlinvoice_num->SetCaption(DocumentNumber(FieldOf(sale, "sale_num")));

    TDaoTable* lines = DM->tblSaleDetail;
    if (!lines->Active() || FieldOf(lines, "id")->IsNull()) return;
    if (!cbxFinnished->Checked()) FinishOrder();
    if (!InvoiceReadyToPrint()) return;
    if (!orderSheet) report.qrlinvoice_num->SetCaption(DocumentNumber(FieldOf(sale, "invoice_num")));
    const bool withVat = FieldOf(sale, "tax_rate")->AsFloat() != 0;
    for (TReportPrintable* vatRow : std::initializer_list<TReportPrintable*>{report.QRLDDS, report.QRTDDS,
                                                                              report.QRDTaxRate, report.QRLProcent})
        vatRow->SetEnabled(withVat);
    report.QRLFuckName->SetCaption(orderSheet ? QStringLiteral("Поръчка") : QStringLiteral("Фактура"));
    SetAmountInWords();
    if (TagOf(sender) == kDirectPrintTag)
        PrintInvoice();
    else
        PreviewInvoice();
}

bool TfCarVantel::InvoiceReadyToPrint()
{
    if (!cbxInvoice->Checked()) return true;
    // A finish that refused or failed leaves the box unticked: such an order is no invoice yet.
    const bool unfinished = app::OrderDirty || !cbxFinnished->Checked();
    const bool numbered = FieldOf(DM->tblSale, "invoice_num")->AsInteger() >= 1;
    if (!unfinished && numbered) return true;
    const QString message = unfinished ? QStringLiteral("Не сте приключили фактурата !") : QStringLiteral("Фактурата няма номер !");
    ShowWarning(message + QLatin1Char('\r') + QStringLiteral("Първо я приключете и опитайте пак !"), false);
    return false;
}

void TfCarVantel::PrintInvoice()
{
    const bool withCopy = SettingOn(&TfSetings::cbAutoDPrint);
    if (SettingOn(&TfSetings::cbMessages) &&
        !ShowWarning(withCopy ? QStringLiteral("Искате ли да се отпечати фактура и копието й ?")
                              : QStringLiteral("Искате ли да се отпечати фактурата ?"),
                     true))
        return;
    TInvoiceReport& report = *InvoiceReport;
    const TOrderRows rows(report);
    WithLinesDisabled([&](TDaoTable*) {
        report.QRLInvoiceType->SetCaption(QStringLiteral("ОРИГИНАЛ"));
        NameDocument(report);
        const bool printed = RunOrderReport(report, TPrintMode::Print);
        report.QRLInvoiceType->SetCaption(QStringLiteral("КОПИЕ"));
        NameDocument(report);
        if (printed && withCopy) RunOrderReport(report, TPrintMode::Print);
    });
}

void TfCarVantel::PreviewInvoice()
{
    TInvoiceReport& report = *InvoiceReport;
    TDaoTable* sale = DM->tblSale;
    if (cbxInvoice->Checked()) {
        report.QRLInvoiceType->SetCaption(copyText_);
    } else {
        report.QRLInvoiceType->SetCaption(proformaText_);
        report.qrlinvoice_num->SetCaption(DocumentNumber(FieldOf(sale, "sale_num")));
    }
    NameDocument(report);
    report.SaleBookmark = sale->GetBookmark();
    {
        const TOrderRows rows(report);
        WithLinesDisabled([&](TDaoTable*) { RunOrderReport(report, TPrintMode::Preview); });
    }
    ShowCurrentSale();
}

bool TfCarVantel::RunOrderReport(TBandReport& report, TPrintMode mode)
{
    try {
        return RunReport(report, mode);
    } catch (const std::exception& error) {
        ShowWarning(ProcessStoppedText(error, QStringLiteral("\r")), false);
        return false;
    }
}

void TfCarVantel::fbtTaskClick(QObject*)
{
    // The protocol is filled in when the car comes in: no finish, no number, lines or none.
    if (!CheckConnection() || !OrderReport || !IsSaleRow()) return;
    const TOrderRows rows(*OrderReport);
    RunOrderReport(*OrderReport, TPrintMode::Preview);
}

void TfCarVantel::SetAmountInWords()
{
    QString words;
    try {
        words = CapitalizeFirst(AmountInWords(FieldOf(DM->tblSaleTotalQuery, "Total")->AsFloat()));
    } catch (const std::exception&) {
        // No total, or one that cannot be written: the line stays empty.
    }
    InvoiceReport->qrlDigitinWords->SetCaption(words);
}

QString TfCarVantel::CapitalizeFirst(const QString& text)
{
    if (text.isEmpty()) return text;
    const QChar first = text.front();
    const bool latin = first >= QLatin1Char('a') && first <= QLatin1Char('z');
    const bool cyrillic = first >= QChar(0x0430) && first <= QChar(0x044F);
    if (!latin && !cyrillic) return text;
    return first.toUpper() + text.mid(1);
}
