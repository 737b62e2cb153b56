#include "app/windows/uCarsVantel.h"

#include "app/datamodule/DModule.h"
#include "app/util/AppFlags.h"
#include "app/util/AppGlobals.h"
#include "app/windows/CarVantelPrivate.h"
#include "app/windows/WindowKit.h"
#include "app/windows/uCars.h"
#include "app/windows/uClients.h"
#include "app/windows/uFirmSet.h"
#include "controls/FlatButton.h"
#include "dataaccess/DaoTable.h"
#include "platform/toolkit/Fields.h"
#include "platform/toolkit/gui/DBControls.h"
#include "platform/toolkit/gui/StandardControls.h"

using namespace main_window;

namespace {

// A label and its control on one row of a panel.
template <class TControlClass>
TControlClass* PlaceRow(QWidget* parent, const char* name, const char* caption, int row, int width, int labelWidth = 78)
{
    const int top = 20 + row * 21;
    auto* label = Place<TLabel>(parent, (QByteArray("lbl") + name).constData(), QString::fromUtf8(caption), 8,
                                top + 2, labelWidth - 4, 18);
    auto* control = Place<TControlClass>(parent, name, 8 + labelWidth, top, width, 20);
    label->SetFocusControl(control);
    return control;
}

// A text as a literal of a filter expression.
QString FilterText(const QString& text)
{
    return QLatin1Char('"') + QString(text).replace(QLatin1Char('"'), QLatin1String("\"\"")) + QLatin1Char('"');
}

// A panel control's text, edit or combo alike.
QString PanelText(const QWidget* control)
{
    if (const auto* edit = qobject_cast<const TEdit*>(control)) return edit->Text();
    return qobject_cast<const TComboBox*>(control)->Text();
}

void SetPanelText(QWidget* control, const QString& text)
{
    if (auto* edit = qobject_cast<TEdit*>(control))
        edit->SetText(text);
    else
        qobject_cast<TComboBox*>(control)->SetText(text);
}

void SetPanelMaxLength(QWidget* control, int length)
{
    if (auto* edit = qobject_cast<TEdit*>(control))
        edit->SetMaxLength(length);
    else
        qobject_cast<TComboBox*>(control)->SetMaxLength(length);
}

int PanelMaxLength(const QWidget* control)
{
    if (const auto* edit = qobject_cast<const TEdit*>(control)) return edit->MaxLength();
    return qobject_cast<const TComboBox*>(control)->MaxLength();
}

// Fills the panel from the current row of `table`; the id of that row.
qint32 ShowPanel(TDataSet* table, const std::vector<TfCarVantel::TPanelField>& panel)
{
    for (const auto& [control, field] : panel)
        SetPanelText(control, FieldOf(table, field)->AsString());
    return FieldOf(table, "id")->AsInteger();
}

// A new row of `table` with the panel's texts; its id. A shown row is never updated: every
// edited panel is a new car or client.
qint32 InsertPanel(TDaoTable* table, const std::vector<TfCarVantel::TPanelField>& panel)
{
    table->Append();
    for (const auto& [control, field] : panel)
        FieldOf(table, field)->SetAsString(PanelText(control));
    table->Post();
    return FieldOf(table, "id")->AsInteger();
}

}  // namespace

// --- the order document ------------------------------------------------------------------------

void TfCarVantel::BuildCarPanel()
{
    const int wide = gbCar->width() - 8 - 78 - 8;
    dbcbMark = PlaceRow<TComboBox>(gbCar, "dbcbMark", "&Марка", 0, wide - 40);
    dbcbModel = PlaceRow<TComboBox>(gbCar, "dbcbModel", "М&одел", 1, wide);
    dbeCarNumber = PlaceRow<TEdit>(gbCar, "dbeCarNumber", "Рег. &№", 2, wide);
    dbeMotorNum = PlaceRow<TEdit>(gbCar, "dbeMotorNum", "Щета №", 3, wide);
    dbeFrameNum = PlaceRow<TEdit>(gbCar, "dbeFrameNum", "Рама №", 4, wide);
    dbcbGorivo = PlaceRow<TComboBox>(gbCar, "dbcbGorivo", "Гориво", 5, wide);
    for (const char* fuel : {"бензин", "газ", "дизел", "друго"})
        dbcbGorivo->Items().Add(QString::fromUtf8(fuel));
    dbcbGorivo->SetText(QStringLiteral("бензин"));
    fbtCarSearch = Place<TFlatButton>(gbCar, "fbtCarSearch", QStringLiteral(" >>"), gbCar->width() - 44, 20, 36, 20);
    dbeCarNumber->SetMaxLength(20);
    dbeMotorNum->SetMaxLength(25);
    dbeFrameNum->SetMaxLength(25);

    dbcbMark->OnDropDown = Bind(this, &M::FillMarkList);
    dbcbMark->OnChange = Bind(this, &M::dbcbMarkChange);
    dbcbModel->OnChange = Bind(this, &M::dbcbModelChange);
    for (TEdit* edit : {dbeCarNumber, dbeMotorNum, dbeFrameNum})
        edit->OnChange = Bind(this, &M::dbeCarNumberChange);
    dbcbGorivo->OnChange = Bind(this, &M::dbcbGorivoChange);
    fbtCarSearch->OnClick = Bind(this, &M::fbtCarSearchClick);
}

void TfCarVantel::BuildClientPanel()
{
    const int wide = gbClient->width() - 8 - 78 - 8;
    dbeName = PlaceRow<TEdit>(gbClient, "dbeName", "&Име", 0, wide - 40);
    dbePhone = PlaceRow<TEdit>(gbClient, "dbePhone", "&Телефон", 1, wide);
    dbeFirmName = PlaceRow<TEdit>(gbClient, "dbeFirmName", "&Фирма", 2, wide);
    dbeFirmAddres = PlaceRow<TEdit>(gbClient, "dbeFirmAddres", "&Адрес", 3, wide);
    dbeTaxNom = PlaceRow<TEdit>(gbClient, "dbeTaxNom", "ИН по ДДС", 4, wide);
    dbeBulstat = PlaceRow<TEdit>(gbClient, "dbeBulstat", "&Булстат", 5, wide);
    fbtClientSearch =
        Place<TFlatButton>(gbClient, "fbtClientSearch", QStringLiteral(" >>"), gbClient->width() - 44, 20, 36, 20);
    const std::pair<TEdit*, int> lengths[] = {{dbeName, 70},       {dbePhone, 35},  {dbeFirmName, 70},
                                              {dbeFirmAddres, 100}, {dbeTaxNom, 30}, {dbeBulstat, 30}};
    for (const auto& [edit, length] : lengths) {
        edit->SetMaxLength(length);
        edit->OnChange = Bind(this, &M::dbeNameChange);
    }
    fbtClientSearch->OnClick = Bind(this, &M::fbtClientSearchClick);
}

void TfCarVantel::BuildFirmPanel()
{
    // A firm's name wider than the panel goes on in a second line; the numbers follow below it.
    constexpr int kLine = 17;
    pnlMyFirm->resize(pnlMyFirm->width(), 5 * kLine + 4);
    const auto text = [this](const char* name, const char* field, TDataSource* source, int top) {
        auto* label = Place<TDBText>(pnlMyFirm, name, 4, top, pnlMyFirm->width() - 8, 16);
        label->SetDataSource(source);
        label->SetDataField(QString::fromLatin1(field));
        return label;
    };
    DBTName = text("DBTName", "myfirm_name", DM->srcMyFirm, 3);
    DBTName->SetWordWrap(true);
    DBTName->resize(DBTName->width(), 2 * kLine - 1);
    DBTTax_nom = text("DBTTax_nom", "mytax_num", DM->srcMyFirm, 3 + 2 * kLine);
    DBTMyBulstat = text("DBTMyBulstat", "mybulstat", DM->srcMyFirm, 3 + 3 * kLine);
    Place<TLabel>(pnlMyFirm, "lblDDS", QStringLiteral("ДДС %"), 4, 3 + 4 * kLine, 50, 16);
    DBText_DDS = text("DBText_DDS", "tax_rate", DM->srcSale, 3 + 4 * kLine);
    DBText_DDS->setGeometry(56, 3 + 4 * kLine, pnlMyFirm->width() - 60, 16);
    cbxSastavil_mol->move(cbxSastavil_mol->x(), pnlMyFirm->y() + pnlMyFirm->height() + 2);
    Panel2->resize(Panel2->width(), std::max(Panel2->height(), cbxSastavil_mol->y() + cbxSastavil_mol->height() + 2));
}

void TfCarVantel::BuildTotalsPanel()
{
    // The columns are as wide as their captions and a whole date need at the panel's font, with a
    // gap between caption and box; the totals take what is left of the panel.
    constexpr int kGap = 5;
    constexpr int kColumnGap = 4;
    constexpr int kBoxFrame = 8;
    const QFontMetrics metrics(Panel3->font());
    const auto captionWidth = [&metrics](std::initializer_list<const char*> captions) {
        int widest = 0;
        for (const char* caption : captions)
            widest = std::max(widest, metrics.horizontalAdvance(QString::fromUtf8(caption)));
        return widest + kGap;
    };
    const int boxWidth = metrics.horizontalAdvance(QStringLiteral("00.00.0000")) + kBoxFrame;
    int checksRight = 0;
    for (TCheckBox* check : {cbxInvoice, cbxAnnul, cbxFinnished, cbxPayed}) {
        check->resize(check->sizeHint().width(), check->height());
        checksRight = std::max(checksRight, check->x() + check->width());
    }
    const int orderLeft = checksRight + kColumnGap;
    const int orderCaption = captionWidth({"Поръчка №", "Дата", "Плащане"});
    const int invoiceLeft = orderLeft + orderCaption + boxWidth + kColumnGap;
    const int invoiceCaption = captionWidth({"Фактура №", "Дата ф-ра"});
    const int totalsLeft = invoiceLeft + invoiceCaption + boxWidth + kColumnGap;
    const int totalsCaption = captionWidth({"Сума", "ДДС", "Общо"});

    const auto edit = [this](const char* name, const char* caption, const char* field, TDataSource* source, int left,
                             int row, int labelWidth, int width) {
        const int top = 24 + row * 24;
        auto* label = Place<TLabel>(Panel3, (QByteArray("lbl") + name).constData(), QString::fromUtf8(caption), left,
                                    top + 2, labelWidth - kGap, 18);
        auto* control = Place<TDBEdit>(Panel3, name, left + labelWidth, top, width, 20);
        control->SetDataSource(source);
        control->SetDataField(QString::fromLatin1(field));
        label->SetFocusControl(control);
        return std::pair{label, control};
    };
    std::tie(lblSaleNum, DBE_sale_num) =
        edit("DBE_sale_num", "Поръчка №", "sale_num", DM->srcSale, orderLeft, 0, orderCaption, boxWidth);
    std::tie(lblSaleDate, DBE_sale_date) =
        edit("DBE_sale_date", "Дата", "sale_date", DM->srcSale, orderLeft, 1, orderCaption, boxWidth);
    std::tie(lblInvoiceNum, DBE_invoice_num) =
        edit("DBE_invoice_num", "Фактура №", "invoice_num", DM->srcSale, invoiceLeft, 0, invoiceCaption, boxWidth);
    std::tie(lblInvoiceDate, DBE_invoice_date) =
        edit("DBE_invoice_date", "Дата ф-ра", "invoice_date", DM->srcSale, invoiceLeft, 1, invoiceCaption, boxWidth);
    DBE_invoice_num->SetMaxLength(10);
    lbl_tax_kind =
        Place<TLabel>(Panel3, "lbl_tax_kind", QStringLiteral("Плащане"), orderLeft, 74, orderCaption - kGap, 18);
    DBC_tax_kind = Place<TDBComboBox>(Panel3, "DBC_tax_kind", orderLeft + orderCaption, 72, boxWidth + 16, 20);
    DBC_tax_kind->SetDataSource(DM->srcSale);
    DBC_tax_kind->SetDataField(QStringLiteral("piment_type"));
    DBC_tax_kind->Items().Add(QStringLiteral("в брой"));
    DBC_tax_kind->Items().Add(QStringLiteral("по банка"));
    lbl_tax_kind->SetFocusControl(DBC_tax_kind);
    const struct {
        TDBEdit* TfCarVantel::*member;
        const char* name;
        const char* caption;
        const char* field;
    } totals[] = {{&TfCarVantel::DBE_Sale_sum, "DBE_Sale_sum", "Сума", "Sumsale_total"},
                  {&TfCarVantel::DBE_DDS, "DBE_DDS", "ДДС", "SaleDDS"},
                  {&TfCarVantel::DBE_Total, "DBE_Total", "Общо", "Total"}};
    int row = -1;
    for (const auto& t : totals) {
        TDBEdit* total = edit(t.name, t.caption, t.field, DM->srcSaleTotalQuery, totalsLeft, row++, totalsCaption,
                              Panel3->width() - 2 - totalsLeft - totalsCaption)
                             .second;
        total->SetReadOnly(true);
        total->setAlignment(Qt::AlignRight);
        this->*t.member = total;
    }
}

std::vector<TfCarVantel::TPanelField> TfCarVantel::CarPanel() const
{
    return {{dbcbMark, "mark"},          {dbcbModel, "model"},         {dbeCarNumber, "car_number"},
            {dbeMotorNum, "motor_num"}, {dbeFrameNum, "frame_num"}, {dbcbGorivo, "tank_type"}};
}

std::vector<TfCarVantel::TPanelField> TfCarVantel::ClientPanel() const
{
    return {{dbeName, "name"},          {dbePhone, "phone"},     {dbeFirmName, "firm_name"},
            {dbeFirmAddres, "address2"}, {dbeTaxNom, "tax_num"}, {dbeBulstat, "bulstat"}};
}

void TfCarVantel::ShowCarFields()
{
    shownCarId_ = ShowPanel(DM->tblCar, CarPanel());
    // The make's models, the shown model kept.
    const QString model = dbcbModel->Text();
    FillModelList(dbcbMark);
    dbcbModel->SetText(model);
    app::CarEdited = false;
}

void TfCarVantel::ClearCarFields()
{
    for (TComboBox* box : {dbcbMark, dbcbModel})
        box->Items().Clear();
    for (const auto& [control, field] : CarPanel())
        SetPanelText(control, QString());
    dbcbGorivo->SetText(QStringLiteral("бензин"));
    shownCarId_ = 0;
    app::CarEdited = false;
}

void TfCarVantel::InsertCar()
{
    shownCarId_ = InsertPanel(DM->tblCar, CarPanel());
    app::CarEdited = false;
}

void TfCarVantel::ShowClientFields()
{
    shownClientId_ = ShowPanel(DM->tblClient, ClientPanel());
    app::ClientEdited = false;
}

void TfCarVantel::ClearClientFields()
{
    for (const auto& [control, field] : ClientPanel())
        SetPanelText(control, QString());
    shownClientId_ = 0;
    app::ClientEdited = false;
}

void TfCarVantel::InsertClient()
{
    shownClientId_ = InsertPanel(DM->tblClient, ClientPanel());
    app::ClientEdited = false;
}

void TfCarVantel::FitPanelsToFields()
{
    const auto fit = [](TDataSet* table, const std::vector<TPanelField>& panel) {
        for (const auto& [control, field] : panel) {
            const int size = FieldOf(table, field)->Size();
            if (size > 0 && (PanelMaxLength(control) == 0 || PanelMaxLength(control) > size))
                SetPanelMaxLength(control, size);
        }
    };
    fit(DM->tblCar, CarPanel());
    fit(DM->tblClient, ClientPanel());
}

void TfCarVantel::FillMarkList(QObject*)
{
    const QString typed = dbcbMark->Text();
    dbcbMark->Items().Clear();
    TDaoTable* marks = DM->tblMark;
    if (!marks->Requery()) marks->Refresh();
    for (marks->First(); !marks->Eof(); marks->Next())
        dbcbMark->Items().Add(FieldOf(marks, "mark_name")->AsString());
    dbcbMark->SetText(typed);
}

void TfCarVantel::FillModelList(QObject*)
{
    TDaoTable* models = DM->tblModel;
    models->SetFiltered(false);
    models->SetFilter(QStringLiteral("[mark_name]=") + FilterText(dbcbMark->Text()));
    models->SetFiltered(true);
    dbcbModel->Items().Clear();
    dbcbModel->SetText(QString());
    for (models->First(); !models->Eof(); models->Next())
        dbcbModel->Items().Add(FieldOf(models, "model_name")->AsString());
}

void TfCarVantel::dbcbMarkChange(QObject* sender)
{
    app::CarEdited = true;
    MarkOrderTyped(sender);
    FillModelList(sender);
}

void TfCarVantel::dbcbModelChange(QObject* sender)
{
    app::CarEdited = true;
    MarkOrderTyped(sender);
}

void TfCarVantel::dbeCarNumberChange(QObject* sender)
{
    app::CarEdited = true;
    MarkOrderTyped(sender);
}

void TfCarVantel::dbcbGorivoChange(QObject* sender)
{
    app::CarEdited = true;
    MarkOrderTyped(sender);
}

void TfCarVantel::dbeNameChange(QObject* sender)
{
    app::ClientEdited = true;
    MarkOrderTyped(sender);
}

void TfCarVantel::MarkOrderTyped(QObject* sender)
{
    // A panel filled from its row is not the person's change; a combo tells only of those.
    const auto* edit = qobject_cast<const TEdit*>(sender);
    if (!edit || edit->Modified()) app::OrderDirty = true;
}

bool TfCarVantel::PanelHoldsText(const std::vector<TPanelField>& panel) const
{
    for (const auto& [control, field] : panel)
        if (control != dbcbGorivo && !PanelText(control).trimmed().isEmpty()) return true;
    return false;
}

// --- choosers ----------------------------------------------------------------------------------

// The list follows the firm just chosen; an order being edited stays the one on screen, so
// that the edits go on into it. When the new filter leaves it out, the list's last order is shown
// locked.
void TfCarVantel::ApplySaleFilterKeepingOrder()
{
    TDaoTable* sale = DM->tblSale;
    const bool editing = !app::OrderLocked && IsSaleRow();
    const qint32 id = editing ? FieldOf(sale, "id")->AsInteger() : 0;
    ApplySaleFilter();
    if (!editing) return;
    sale->SetKeyFields(QStringLiteral("id"));
    if (sale->FindKey({id}))
        ShowCurrentSale();
    else
        LockEditing();
}

// Opens the own firms on the open order's firm.
void TfCarVantel::fbtFirmsClick(QObject*)
{
    if (!CheckConnection()) return;
    TDaoTable* firms = DM->tblMyFirm;
    firmSourceBound_ = DM->srcMyFirm->DataSet() == nullptr;
    if (firmSourceBound_) DM->srcMyFirm->SetDataSet(firms);
    firms->RequeryIfRestartable();
    fFirmSet->tbxSearchValue->SetText(QString());
    if (IsSaleRow()) firms->Locate(QStringLiteral("id"), FieldOf(DM->tblSale, "myfirm_id")->AsVariant(), {});
    fFirmSet->tbxSearchValue->SetText(FieldOf(firms, "myfirm_name")->AsString());
    fFirmSet->ShowModal();
    // A firm chosen keeps the source bound; otherwise it goes back as it was.
    if (firmSourceBound_) DM->srcMyFirm->SetDataSet(nullptr);
    firmSourceBound_ = false;
}

// The cars and clients windows remember the row to go back to themselves, for their own table.
void TfCarVantel::fbtCarSearchClick(QObject*)
{
    if (app::OrderLocked) return;
    fCars->ShowForPick();
}

void TfCarVantel::fbtClientSearchClick(QObject*)
{
    if (app::OrderLocked) return;
    fClients->ShowForPick();
}
