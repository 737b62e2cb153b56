#include "app/reports/uInvoiceReport.h"

#include "app/datamodule/DModule.h"
#include "app/reports/ReportPlacing.h"
#include "dataaccess/DaoTable.h"

using namespace report_placing;

TInvoiceReport* InvoiceReport = nullptr;

namespace {

constexpr double kBandWidth = kA4BandWidth;

struct TLineColumn {
    const char* Name;
    const char* Title;
    const char* Field;
    double Left;
    double Width;
    TAlignment Alignment;
    const char* Mask;
};
// The line columns: titles in the header, the line's values below them.
const TLineColumn kLineColumns[] = {
    {"cur_prod_count", "№", "cur_prod_count", 0, 28, taRightJustify, ""},
    {"article_name", "Наименование", "article_name", 30, 272, taLeftJustify, ""},
    {"dimention", "М-ка", "dimention", 304, 48, taCenter, ""},
    {"sale_quantity", "К-во", "sale_quantity", 354, 60, taRightJustify, ""},
    {"sale_price", "Ед.цена", "sale_price", 416, 72, taRightJustify, "0.00"},
    {"discount", "ТО%", "discount", 490, 44, taRightJustify, ""},
    {"sale_sum", "Стойност", "sale_sum", 536, 88, taRightJustify, "0.00"},
    {"TotalSaleSum", "Общо", "TotalSaleSum", 626, 92, taRightJustify, ""},
};

// The two boxes of the title: the client's and the own firm's.
const TInvoiceReport::TParty kParties[] = {
    {"Получател / Възложител", "tblClient", "firm_name", "name", "bulstat", "tax_num", "address2", 0},
    {"Доставчик / Изпълнител", "tblMyFirm", "myfirm_name", "mol", "mybulstat", "mytax_num", "address", 366},
};

// A caption ending where its value starts, as the totals stand.
TReportLabel* PutRightLabel(TReportBand* band, const char* name, const QString& caption, double left, double top,
                            double width)
{
    TReportLabel* label = PutLabel(band, name, caption, left, top, width);
    label->SetAlignment(taRightJustify);
    return label;
}

}  // namespace

TInvoiceReport::TInvoiceReport(QObject* owner) : TBandReport(owner)
{
    setObjectName(QStringLiteral("InvoiceReport"));
    SetReportTitle(QStringLiteral("Фактура"));
    SetUpOrderPage(*this);
    if (DM) SetDataSet(DM->tblSaleDetail);
    AfterPreview = [this](TBandReport* report) { Report1AfterPreview(report); };

    TitleBand1 = PutBand(*this, rbTitle, 212, "TitleBand1");
    ColumnHeaderBand1 = PutBand(*this, rbColumnHeader, 76, "ColumnHeaderBand1");
    DetailBand1 = PutBand(*this, rbDetail, 18, "DetailBand1");
    SummaryBand1 = PutBand(*this, rbSummary, 252, "SummaryBand1");
    PageFooterBand1 = PutBand(*this, rbPageFooter, 22, "PageFooterBand1");

    BuildTitle();
    BuildColumnHeader();
    BuildDetail();
    BuildSummary();
    QRSysData1 = PutPageNumber(PageFooterBand1, "QRSysData1");
    if (!InvoiceReport) InvoiceReport = this;
}

TInvoiceReport::~TInvoiceReport()
{
    if (InvoiceReport == this) InvoiceReport = nullptr;
}

void TInvoiceReport::BuildTitle()
{
    QRLFuckName = PutLabel(TitleBand1, "QRLFuckName", QStringLiteral("Фактура"), 0, 0, kBandWidth, 30);
    QRLFuckName->SetAlignment(taCenter);
    QRLFuckName->SetAlignToBand(true);
    SetBold(QRLFuckName, true, 21);
    for (const TParty& party : kParties) BuildPartyBox(party);
}

// One of the two boxes of the title: the party's name in bold, its person, numbers and address.
void TInvoiceReport::BuildPartyBox(const TParty& party)
{
    const QByteArray prefix = QByteArray(party.DataSet).mid(3);
    const auto named = [&prefix](const char* part) { return prefix + part; };
    constexpr double width = 352, top = 36;
    const double left = party.Left;
    PutShape(TitleBand1, named("Box"), stRectangle, left, top, width, 172);
    TReportLabel* heading =
        PutLabel(TitleBand1, named("Caption"), QString::fromUtf8(party.Caption), left + 6, top + 4, width - 12);
    SetBold(heading);
    TReportDBText* firm = PutField(TitleBand1, named("_").append(party.Name).constData(), party.DataSet, party.Name,
                                   left + 6, top + 26, width - 12);
    firm->SetAlignment(taCenter);
    SetBold(firm);
    const std::pair<const char*, const char*> rows[] = {
        {"МОЛ : ", party.Mol}, {"ЕИК /ЕГН/ЛНЧ:", party.Bulstat}, {"ДДС  № / VAT", party.TaxNum}, {"Адрес :", party.Address}};
    double rowTop = top + 50;
    TReportDBText* value = nullptr;
    for (const auto& [caption, field] : rows) {
        PutLabel(TitleBand1, named("Label_").append(field).constData(), QString::fromUtf8(caption), left + 6, rowTop, 106);
        value = PutField(TitleBand1, named("_").append(field).constData(), party.DataSet, field, left + 114, rowTop,
                         width - 120);
        rowTop += 22;
    }
    // The address, last, may take two lines: it holds 50 letters.
    value->SetWordWrap(true);
    value->SetHeight(2 * kRowHeight);
}

void TInvoiceReport::BuildColumnHeader()
{
    TReportBand* band = ColumnHeaderBand1;
    PutLabel(band, "QRLabelCashBox", QStringLiteral("Kаса"), 0, 0, 40);
    PutField(band, "QRDBTextCashBox", "tblSale", "cashbox_num", 42, 0, 60);
    PutLabel(band, "QRLabelBook", QStringLiteral("K -"), 0, 20, 40);
    PutField(band, "QRDBTextBook", "tblSale", "kochan_num", 42, 20, 60);
    QRLInvoiceType = PutLabel(band, "QRLInvoiceType", QString(), 209, 0, 300);
    QRLInvoiceType->SetAlignment(taCenter);
    SetBold(QRLInvoiceType);
    TReportLabel* numberSign = PutLabel(band, "QRLabelNumber", QStringLiteral("№"), 259, 20, 20);
    SetBold(numberSign);
    qrlinvoice_num = PutLabel(band, "qrlinvoice_num", QString(), 281, 20, 160);
    SetBold(qrlinvoice_num);
    PutLabel(band, "QRLabelIssued", QStringLiteral("Дата на издаване:"), 462, 20, 140);
    PutField(band, "QRDBTextIssued", "tblSale", "invoice_date", 604, 20, 114)->SetAlignment(taRightJustify);

    PutShape(band, "QRShapeTitles", stRectangle, 0, 46, kBandWidth, 28);
    for (const TLineColumn& column : kLineColumns) {
        TReportLabel* title = PutLabel(band, QByteArray("Title_").append(column.Name).constData(),
                                       QString::fromUtf8(column.Title), column.Left, 51, column.Width);
        title->SetAlignment(taCenter);
        SetBold(title);
    }
}

void TInvoiceReport::BuildDetail()
{
    for (const TLineColumn& column : kLineColumns) {
        TReportDBText* value =
            PutField(DetailBand1, column.Name, "", column.Field, column.Left + 2, 0, column.Width - 4);
        value->SetAlignment(column.Alignment);
        value->SetMask(QString::fromLatin1(column.Mask));
    }
}

void TInvoiceReport::BuildSummary()
{
    TReportBand* band = SummaryBand1;
    PutShape(band, "QRShapeSummary", stHorLine, 0, 0, kBandWidth, 4);
    PutLabel(band, "QRLabelWords", QStringLiteral("Словом :"), 0, 8, 60);
    qrlDigitinWords = PutLabel(band, "qrlDigitinWords", QString(), 62, 8, 370, 3 * kRowHeight);
    qrlDigitinWords->SetWordWrap(true);

    // Room for the largest total written in words, 999999999999.99.
    constexpr double captionLeft = 440, captionWidth = 108, valueLeft = 550, valueWidth = 168;
    PutRightLabel(band, "QRLabelSum", QStringLiteral("Сума :"), captionLeft, 8, captionWidth);
    PutField(band, "QRDBTextSum", "tblSaleTotalQuery", "Sumsale_total", valueLeft, 8, valueWidth)
        ->SetAlignment(taRightJustify);
    QRLDDS = PutRightLabel(band, "QRLDDS", QStringLiteral("ДДС "), captionLeft, 28, 60);
    QRDTaxRate = PutField(band, "QRDTaxRate", "tblSaleTotalQuery", "tax_rate", 502, 28, 24);
    QRDTaxRate->SetAlignment(taRightJustify);
    QRLProcent = PutLabel(band, "QRLProcent", QStringLiteral("% :"), 527, 28, 22);
    QRTDDS = PutField(band, "QRTDDS", "tblSaleTotalQuery", "SaleDDS", valueLeft, 28, valueWidth);
    QRTDDS->SetAlignment(taRightJustify);
    SetBold(PutRightLabel(band, "QRLabelTotal", QStringLiteral("Всичко :"), captionLeft, 48, captionWidth));
    TReportDBText* total = PutField(band, "QRDBTextTotal", "tblSaleTotalQuery", "Total", valueLeft, 48, valueWidth);
    total->SetAlignment(taRightJustify);
    SetBold(total);

    PutLabel(band, "QRLabelTaxEvent", QStringLiteral("Дата на данъчно събитие :"), 0, 76, 200);
    QRDBText4 = PutField(band, "QRDBText4", "tblSale", "invoice_date", 202, 76, 110);
    PutLabel(band, "QRLabelPayment", QStringLiteral("Вид плащане :"), 360, 76, 110);
    PutField(band, "QRDBTextPayment", "tblSale", "piment_type", 472, 76, 160);

    PutLabel(band, "QRLabelComposer", QStringLiteral("Съставил:"), 0, 104, 70);
    PutDottedLine(band, "QRShapeComposer", 72, 104, 280);
    QRDBText27 = PutField(band, "QRDBText27", "tblMyFirm", "mol", 76, 104, 272);
    PutLabel(band, "QRLabelSign1", QStringLiteral("Подпис: .................................................."), 360,
             104, 358);
    PutLabel(band, "QRLabelReceiver", QStringLiteral("Получател :"), 0, 130, 90);
    PutDottedLine(band, "QRShapeReceiver", 92, 130, 260);
    PutLabel(band, "QRLabelSign2", QStringLiteral("Подпис:"), 360, 130, 62);
    PutDottedLine(band, "QRShapeSign2", 424, 130, 294);
    BuildBankAndCar(160);
}

void TInvoiceReport::BuildBankAndCar(double top)
{
    TReportBand* band = SummaryBand1;
    const struct {
        const char* Label;
        const char* Caption;
        const char* Name;
        const char* Field;
        double Left;
        double Top;
    } rows[] = {
        {"QRLabelBank", "Банка :", "QRDBTextBank", "bank_name", 0, 0},
        {"QRLabelIBAN", "IBAN :", "QRDBTextIBAN", "bank_account", 0, 20},
        {"QRLabelBIC", "BIC :", "QRDBTextBIC", "code_bank", 0, 40},
        {"QRLabelPhone", "Тел. за връзка :", "QRDBTextPhone", "phone", 360, 0},
    };
    for (const auto& row : rows) {
        const double captionWidth = row.Left == 0 ? 60 : 120;
        PutLabel(band, row.Label, QString::fromUtf8(row.Caption), row.Left, top + row.Top, captionWidth);
        PutField(band, row.Name, "tblMyFirm", row.Field, row.Left + captionWidth + 2, top + row.Top,
                 row.Left == 0 ? 288 : 236);
    }
    QRLabel8 = PutLabel(band, "QRLabel8", QStringLiteral("Клиент тел./fax :"), 360, top + 20, 120);
    QRDBText2 = PutField(band, "QRDBText2", "tblClient", "phone", 482, top + 20, 236);

    const double carTop = top + 68;
    QRL_AutoNum = PutLabel(band, "QRL_AutoNum", QString(), 0, carTop, 96);
    QRD_AutoNum = PutField(band, "QRD_AutoNum", "tblCar", "car_number", 98, carTop, 140);
    QRL_TankType = PutLabel(band, "QRL_TankType", QString(), 250, carTop, 60);
    QRD_TankType = PutField(band, "QRD_TankType", "tblCar", "tank_type", 312, carTop, 120);
    QRL_ShtetaNum = PutLabel(band, "QRL_ShtetaNum", QString(), 444, carTop, 60);
    QRD_ShtetaNum = PutField(band, "QRD_ShtetaNum", "tblCar", "motor_num", 506, carTop, 212);
}

void TInvoiceReport::ShowCarRow(bool shown)
{
    QRL_AutoNum->SetCaption(shown ? QStringLiteral("Автомобил №") : QString());
    QRL_TankType->SetCaption(shown ? QStringLiteral("Гориво :") : QString());
    QRL_ShtetaNum->SetCaption(shown ? QStringLiteral("Щета №") : QString());
    QRLabel8->SetCaption(shown ? QStringLiteral("Клиент тел./fax :") : QString());
    for (TReportDBText* field : {QRD_AutoNum, QRD_TankType, QRD_ShtetaNum, QRDBText2})
        field->SetEnabled(shown);
    for (TReportPrintable* printable : std::initializer_list<TReportPrintable*>{
             QRL_AutoNum, QRD_AutoNum, QRLabel8, QRDBText2, QRL_TankType, QRD_TankType, QRL_ShtetaNum, QRD_ShtetaNum})
        printable->SetVisible(true);
    if (shown) return;
    for (TReportPrintable* printable :
         std::initializer_list<TReportPrintable*>{QRL_TankType, QRD_TankType, QRL_ShtetaNum, QRD_ShtetaNum})
        printable->SetVisible(false);
}

void TInvoiceReport::Report1AfterPreview(TBandReport*)
{
    TDaoTable* sale = DM ? DM->tblSale : nullptr;
    if (!sale || !sale->Active() || SaleBookmark.isEmpty()) return;
    // Going to the row it stands on would re-read the order's lines and lose their row.
    if (sale->BookmarkValid(SaleBookmark) && sale->CompareBookmarks(sale->GetBookmark(), SaleBookmark) != 0)
        sale->GotoBookmark(SaleBookmark);
}
