#include "app/windows/uArticlesWork.h"

#include "app/datamodule/DModule.h"
#include "app/reports/uUniversalReport.h"
#include "app/util/AppFlags.h"
#include "app/util/Money.h"
#include "app/windows/WindowKit.h"
#include "app/windows/WindowServices.h"
#include "app/windows/uSetings.h"
#include "controls/FlatButton.h"
#include "dataaccess/DaoDataBase.h"
#include "dataaccess/DaoTable.h"
#include "platform/toolkit/DataSource.h"
#include "platform/toolkit/Fields.h"
#include "platform/toolkit/gui/Application.h"
#include "platform/toolkit/gui/DBGrid.h"
#include "platform/toolkit/gui/StandardControls.h"

#include <QScopeGuard>

TfArticlesWork* fArticlesWork = nullptr;

namespace {

const QString kWorkLines = QStringLiteral("[service] = true");
const QString kMaterialLines = QStringLiteral("[service] = false");

TField* FieldOf(const TDataSet* rows, const char* name) { return rows->FieldByName(QString::fromUtf8(name)); }

}  // namespace

TfArticlesWork::TfArticlesWork(QWidget* parent) : TForm(parent)
{
    setObjectName(QStringLiteral("fArticlesWork"));
    SetCaption(QStringLiteral("Номенклатури"));
    SetHelpContext(12);
    SetPosition(poScreenCenter);
    resize(720, 460);
    setMinimumSize(600, 300);

    pnlTop = Place<TPanel>(this, "pnlTop", 0, 0, width(), 76);
    pnlTop->SetBevelOuter(bvNone);
    Anchor(pnlTop, akLeft | akTop | akRight);
    RadioButton1 = Place<TRadioButton>(pnlTop, "RadioButton1", QStringLiteral("Номенклатура - материали "), 8, 8, 210, 20);
    RadioButton2 = Place<TRadioButton>(pnlTop, "RadioButton2", QStringLiteral("Номенклатура - Труд"), 224, 8, 180, 20);
    RadioButton3 = Place<TRadioButton>(pnlTop, "RadioButton3", QStringLiteral("Всичко"), 410, 8, 100, 20);
    RadioButton2->SetChecked(true);
    tbxArtNom = Place<TEdit>(pnlTop, "tbxArtNom", 96, 40, 120, 24);
    tbxSearchValue = Place<TEdit>(pnlTop, "tbxSearchValue", 320, 40, 280, 24);
    for (auto [edit, caption, left] : {std::tuple{tbxArtNom, "&Код", 8}, std::tuple{tbxSearchValue, "&Име", 232}}) {
        auto* label = new TLabel(pnlTop);
        label->SetCaption(QString::fromUtf8(caption));
        label->move(left, 44);
        label->SetFocusControl(edit);
    }

    DBGrid1 = PlaceGrid(this, "DBGrid1", DM->srcQEmploeeWork, 8, 76, 704, 324);
    Anchor(DBGrid1, akLeft | akTop | akRight | akBottom);
    DBGrid1->SetReadOnly(true);
    DBGrid1->SetOptions(DBGrid1->Options() | dgRowSelect | dgAlwaysShowSelection);
    SetColumns(DBGrid1, {{"article_code", "Артикул код", 90},
                         {"article_name", "Име на артикул", 250},
                         {"total_sale_sum", "Прод. Цена", 90},
                         {"sale_id", "Поръчка No", 80},
                         {"sale_quantity", "Кол.", 60},
                         {"dimention", "Мярка", 60}});
    PaintStockColours(DBGrid1, QString());
    ShowToTheCent(DM->tblQueryEmploeeWork, {"total_sale_sum"});

    pnlButtons = Place<TPanel>(this, "pnlButtons", 0, 404, width(), 56);
    pnlButtons->SetBevelOuter(bvNone);
    Anchor(pnlButtons, akLeft | akRight | akBottom);
    FlatButton2 = Place<TFlatButton>(pnlButtons, "FlatButton2", QStringLiteral("&Избор"), 8, 12, 96, 30);
    FlatButton1 = Place<TFlatButton>(pnlButtons, "FlatButton1", QStringLiteral("&Печат"), 110, 12, 96, 30);
    bCancel = Place<TFlatButton>(pnlButtons, "bCancel", QStringLiteral("&Отказ"), 212, 12, 96, 30);

    OnActivate = Bind(this, &TfArticlesWork::FormActivate);
    OnCloseQuery = Bind(this, &TfArticlesWork::FormCloseQuery);
    RadioButton1->OnClick = Bind(this, &TfArticlesWork::RadioButton1Click);
    RadioButton2->OnClick = Bind(this, &TfArticlesWork::RadioButton2Click);
    RadioButton3->OnClick = Bind(this, &TfArticlesWork::RadioButton3Click);
    tbxSearchValue->OnChange = Bind(this, &TfArticlesWork::tbxSearchValueChange);
    tbxArtNom->OnChange = Bind(this, &TfArticlesWork::tbxArtNomChange);
    DBGrid1->OnTitleClick = Bind(this, &TfArticlesWork::DBGrid1TitleClick);
    for (TControl* control : std::initializer_list<TControl*>{tbxArtNom, tbxSearchValue, DBGrid1})
        control->OnKeyPress = Bind(this, &TfArticlesWork::EscapeKeyPress);
    FlatButton1->OnClick = Bind(this, &TfArticlesWork::FlatButton1Click);
    FlatButton2->OnClick = Bind(this, &TfArticlesWork::FlatButton2Click);
    bCancel->OnClick = Bind(this, &TfArticlesWork::bCancelClick);

    if (!fArticlesWork) fArticlesWork = this;
    PlaceFlatLook(this);
}

TfArticlesWork::~TfArticlesWork()
{
    if (fArticlesWork == this) fArticlesWork = nullptr;
}

void TfArticlesWork::OpenFor(const TWorkPickTarget& target)
{
    target_ = target;
    Show();
    // Shown again while it was open raises no activation of its own.
    FormActivate(this);
}

void TfArticlesWork::ShowLines(const QString& filter)
{
    TDaoTable* lines = DM->tblQueryEmploeeWork;
    lines->SetFilter(filter);
    lines->SetFiltered(!filter.isEmpty());
    try {
        lines->Close();
        lines->Open();
        TApplication::ProcessMessages();
        DM->VantelDataBase->Idle();
    } catch (const std::exception&) {
        // A list that cannot be read stays empty; the user may still close the picker.
    }
}

void TfArticlesWork::FormActivate(QObject*)
{
    tbxSearchValue->SetFocus();
    TDaoTable* lines = DM->tblQueryEmploeeWork;
    lines->SetFilter(kWorkLines);
    lines->SetFiltered(true);
    lines->SetSortedByText(QStringLiteral("[id] DESC"));
    try {
        lines->ReopenDaoRecordset();
    } catch (const std::exception&) {
    }
    ShowLines(kWorkLines);
    RadioButton2->SetChecked(true);
}

void TfArticlesWork::RadioButton1Click(QObject*) { ShowLines(kMaterialLines); }
void TfArticlesWork::RadioButton2Click(QObject*) { ShowLines(kWorkLines); }
void TfArticlesWork::RadioButton3Click(QObject*) { ShowLines(QString()); }

void TfArticlesWork::Search(const char* field, const QString& text)
{
    try {
        SearchKey(DM->tblQueryEmploeeWork, QString::fromUtf8(field), text);
    } catch (const std::exception&) {
        // A search that finds nothing leaves the list where it was.
    }
}

void TfArticlesWork::tbxSearchValueChange(QObject*) { Search("article_name", tbxSearchValue->Text()); }
void TfArticlesWork::tbxArtNomChange(QObject*) { Search("article_code", tbxArtNom->Text()); }

void TfArticlesWork::DBGrid1TitleClick(QObject*, TColumn*)
{
    const THourglass hourglass;
    TApplication::ProcessMessages();
}

void TfArticlesWork::EscapeKeyPress(QObject*, QChar& key)
{
    if (key != QChar(27)) return;
    key = QChar();
    Close();
}

void TfArticlesWork::FormCloseQuery(QObject*, bool&) { bCancel->SetCaption(QStringLiteral("&Отказ")); }

void TfArticlesWork::FlatButton1Click(QObject*) { if (fUniversalReport) fUniversalReport->PrintGrid(DBGrid1); }

void TfArticlesWork::bCancelClick(QObject*) { Close(); }

bool TfArticlesWork::TargetIsCurrent() const
{
    const TDataSet* payments = DM->tblEmployeePayment;
    if (target_.PaymentId.IsNull())
        return payments->State() == dsInsert && FieldOf(DM->tblEmployee, "id")->AsVariant() == target_.EmployeeId;
    return payments->State() != dsInsert && !payments->IsEmpty() &&
           FieldOf(payments, "id")->AsVariant() == target_.PaymentId;
}

void TfArticlesWork::FlatButton2Click(QObject*)
{
    const TDataSet* lines = DM->tblQueryEmploeeWork;
    // Nothing listed, nothing to pick: the payment row keeps what it has.
    if (!lines->Active() || lines->IsEmpty()) return;
    if (fSetings->cbMessages->Checked() || fSetings->cbWarnings->Checked()) {
        if (!ShowWarning(
                QStringLiteral("Искате ли да промените стойността на \rплащането за извършената работа ?"), true))
            return;
    }
    // Another payment row became current meanwhile: it is not the one the pick was asked for.
    if (!TargetIsCurrent()) {
        Close();
        return;
    }
    TDaoTable* payments = DM->tblEmployeePayment;
    {
        app::PaymentChanged = true;
        const auto changed = qScopeGuard([] { app::PaymentChanged = false; });
        const TControlsOff paymentsOff(payments);
        payments->Edit();
        FieldOf(payments, "work")->SetAsString(FieldOf(lines, "article_name")->AsString());
        const double price = FieldOf(lines, "total_sale_sum")->AsFloat();
        FieldOf(payments, "work_price")->SetAsFloat(price);
        const QString percent = target_.PercentText ? target_.PercentText() : QString();
        if (!percent.isEmpty()) FieldOf(payments, "payment")->SetAsFloat(RoundMoney(price * percent.toInt() / 100));
    }
    Close();
}
