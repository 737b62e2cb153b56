#include "app/reports/uOrderReport.h"

#include "app/datamodule/DModule.h"
#include "app/reports/ReportPlacing.h"
#include "dataaccess/DaoTable.h"
#include "platform/report/ReportExpr.h"

using namespace report_placing;

TOrderReport* OrderReport = nullptr;

namespace {

constexpr double kBandWidth = kA4BandWidth;

struct TTaskColumn {
    const char* Name;
    const char* Title;
    double Left;
    double Width;
    TAlignment Alignment;
};
// "Труд" marks labour; "Изпълнител" is left for the worker's name by hand.
const TTaskColumn kTaskColumns[] = {
    {"cur_prod_count", "№", 0, 28, taRightJustify},  {"article_name", "Наименование", 30, 330, taLeftJustify},
    {"dimention", "М-ка", 362, 50, taCenter},         {"sale_quantity", "К-во", 414, 64, taRightJustify},
    {"Labour", "Труд", 480, 48, taCenter},            {"Worker", "Изпълнител", 530, 188, taLeftJustify},
};

// A caption and the field beside it.
void PutCaptionedField(TReportBand* band, const char* name, const char* caption, const char* dataSet,
                       const char* field, double left, double top, double captionWidth, double fieldWidth)
{
    PutLabel(band, QByteArray("Label").append(name).constData(), QString::fromUtf8(caption), left, top, captionWidth);
    PutField(band, name, dataSet, field, left + captionWidth + 2, top, fieldWidth);
}

}  // namespace

TOrderReport::TOrderReport(QObject* owner) : TBandReport(owner)
{
    setObjectName(QStringLiteral("OrderReport"));
    SetReportTitle(QStringLiteral("Поръчка"));
    SetUpOrderPage(*this);
    if (DM) SetDataSet(DM->tblSaleDetail);
    AfterPreview = [this](TBandReport* report) { Report1AfterPreview(report); };

    TitleBand1 = PutBand(*this, rbTitle, 176, "TitleBand1");
    ColumnHeaderBand1 = PutBand(*this, rbColumnHeader, 66, "ColumnHeaderBand1");
    DetailBand1 = PutBand(*this, rbDetail, 20, "DetailBand1");
    SummaryBand1 = PutBand(*this, rbSummary, 396, "SummaryBand1");
    PageFooterBand1 = PutBand(*this, rbPageFooter, 22, "PageFooterBand1");

    BuildTitle();
    BuildColumnHeader();
    BuildDetail();
    BuildSummary();
    QRSysData1 = PutPageNumber(PageFooterBand1, "QRSysData1");
    if (!OrderReport) OrderReport = this;
}

TOrderReport::~TOrderReport()
{
    if (OrderReport == this) OrderReport = nullptr;
}

void TOrderReport::BuildTitle()
{
    TReportBand* band = TitleBand1;
    QRLabel25 = PutLabel(band, "QRLabel25", QString(), 0, 0, kBandWidth);
    PutCaptionedField(band, "ClientFirm", "Клиент:", "tblClient", "firm_name", 0, 22, 60, 290);
    PutCaptionedField(band, "ClientName", "МОЛ : ", "tblClient", "name", 0, 42, 60, 290);
    PutCaptionedField(band, "ClientAddress", "Адрес :", "tblClient", "address2", 0, 62, 60, 290);
    PutCaptionedField(band, "MyFirmName", "Изпълнител", "tblMyFirm", "myfirm_name", 366, 22, 88, 262);
    PutCaptionedField(band, "MyFirmMol", "МОЛ : ", "tblMyFirm", "mol", 366, 42, 88, 262);
    PutCaptionedField(band, "MyFirmAddress", "Адрес :", "tblMyFirm", "address", 366, 62, 88, 262);
    for (const char* name : {"ClientFirm", "MyFirmName"})
        SetBold(static_cast<TReportText*>(FindPrintable(QString::fromLatin1(name))));

    PutCaptionedField(band, "CarNumber", "Автомобил  № ", "tblCar", "car_number", 0, 96, 108, 242);
    PutCaptionedField(band, "CarFrame", "Рама №", "tblCar", "frame_num", 366, 96, 60, 290);
    PutCaptionedField(band, "CarFuel", "Гориво :", "tblCar", "tank_type", 0, 116, 108, 242);
    PutCaptionedField(band, "CarDamage", "Щета №", "tblCar", "motor_num", 366, 116, 60, 290);

    TReportLabel* heading =
        PutLabel(band, "QRLabelProtocol", QStringLiteral("Приемо - предавателен протокол"), 0, 146, kBandWidth, 26);
    heading->SetAlignment(taCenter);
    heading->SetAlignToBand(true);
    SetBold(heading, false, 17);
}

void TOrderReport::BuildColumnHeader()
{
    TReportBand* band = ColumnHeaderBand1;
    PutCaptionedField(band, "CashBox", "Kаса", "tblSale", "cashbox_num", 0, 0, 40, 60);
    PutCaptionedField(band, "Book", "K -", "tblSale", "kochan_num", 0, 20, 40, 60);
    SetBold(PutLabel(band, "LabelSaleNum", QStringLiteral("№"), 259, 10, 20));
    SetBold(PutField(band, "SaleNum", "tblSale", "sale_num", 281, 10, 160));
    PutCaptionedField(band, "SaleDate", "Дата :", "tblSale", "invoice_date", 520, 10, 50, 146);

    PutShape(band, "QRShapeTitles", stRectangle, 0, 36, kBandWidth, 28);
    for (const TTaskColumn& column : kTaskColumns) {
        TReportLabel* title = PutLabel(band, QByteArray("Title").append(column.Name).constData(),
                                       QString::fromUtf8(column.Title), column.Left, 41, column.Width);
        title->SetAlignment(taCenter);
        SetBold(title);
    }
}

void TOrderReport::BuildDetail()
{
    for (const TTaskColumn& column : kTaskColumns) {
        const QLatin1String name(column.Name);
        if (name == QLatin1String("Labour")) {
            QRExprLabour = Put<TReportExpr>(DetailBand1, "QRExprLabour", column.Left, 1, column.Width);
            QRExprLabour->SetExpression(QStringLiteral("IF(tblSaleDetail.service,'V','')"));
            QRExprLabour->SetAlignment(column.Alignment);
        } else if (name == QLatin1String("Worker")) {
            PutDottedLine(DetailBand1, "QRShapeWorker", column.Left + 4, 1, column.Width - 4);
        } else {
            PutField(DetailBand1, column.Name, "", column.Name, column.Left + 2, 1, column.Width - 4)
                ->SetAlignment(column.Alignment);
        }
    }
}

void TOrderReport::BuildSummary()
{
    TReportBand* band = SummaryBand1;
    PutShape(band, "QRShapeSummary", stHorLine, 0, 0, kBandWidth, 4);
    BuildCarOutline(20, 12);
    PutLabel(band, "QRLabelScratchMark", QStringLiteral("О"), 360, 40, 20);
    PutLabel(band, "QRLabelScratch", QStringLiteral("ДРАСКОТИНИ"), 384, 40, 140);
    PutLabel(band, "QRLabelDentMark", QStringLiteral("X"), 360, 64, 20);
    PutLabel(band, "QRLabelDent", QStringLiteral("ВДЛЪБНАТИНИ"), 384, 64, 140);

    PutLabel(band, "QRLabelAdvice", QStringLiteral("Препоръки :"), 0, 166, 90);
    PutDottedLine(band, "QRShapeAdvice1", 92, 166, kBandWidth - 92);
    PutDottedLine(band, "QRShapeAdvice2", 0, 188, kBandWidth);
    PutLabel(band, "QRLabelHandOver", QStringLiteral("Дата за предаване:"), 0, 214, 150);
    PutDottedLine(band, "QRShapeHandOver", 152, 214, 200);
    const struct {
        const char* Name;
        const char* Caption;
        double Top;
    } signatures[] = {{"Received", "Приел :", 242}, {"HandedOver", "Предал :", 268}};
    for (const auto& row : signatures) {
        PutLabel(band, QByteArray("Label").append(row.Name).constData(), QString::fromUtf8(row.Caption), 0, row.Top, 60);
        PutDottedLine(band, QByteArray("Line").append(row.Name).constData(), 62, row.Top, 290);
        PutLabel(band, QByteArray("LabelSign").append(row.Name).constData(), QStringLiteral("Подпис :"), 366, row.Top, 60);
        PutDottedLine(band, QByteArray("LineSign").append(row.Name).constData(), 428, row.Top, kBandWidth - 428);
    }
    PutLabel(band, "QRLabelRequests", QStringLiteral("Изисквания на клиента:"), 0, 296, 180);
    PutDottedLine(band, "QRShapeRequests1", 182, 296, kBandWidth - 182);
    PutDottedLine(band, "QRShapeRequests2", 0, 318, kBandWidth);
    PutLabel(band, "QRLabelLetterhead", QStringLiteral("Антетка :"), 0, 344, 70);
    TReportDBText* letterhead = PutField(band, "QRDBTextLetterhead", "tblMyFirm", "antette", 72, 344, kBandWidth - 72,
                                         3 * kRowHeight);
    letterhead->SetWordWrap(true);
}

// A car from the side: body, cabin, two windows, two wheels.
void TOrderReport::BuildCarOutline(double left, double top)
{
    const struct {
        const char* Name;
        TShapeType Shape;
        double Left, Top, Width, Height;
    } parts[] = {
        {"QRShapeCabin", stRectangle, 70, 0, 150, 46},     {"QRShapeBody", stRectangle, 0, 44, 300, 56},
        {"QRShapeWindow1", stRectangle, 80, 8, 62, 32},    {"QRShapeWindow2", stRectangle, 148, 8, 62, 32},
        {"QRShapeWheel1", stEllipse, 36, 78, 48, 48},      {"QRShapeWheel2", stEllipse, 216, 78, 48, 48},
    };
    for (const auto& part : parts) {
        TReportShape* shape =
            PutShape(SummaryBand1, part.Name, part.Shape, left + part.Left, top + part.Top, part.Width, part.Height);
        if (part.Shape == stEllipse) shape->SetBrushColor(Qt::white);
    }
}

void TOrderReport::Report1AfterPreview(TBandReport*) {}
