#include "app/windows/uEmployee.h"

#include "app/datamodule/DModule.h"
#include "app/reports/uUniversalReport.h"
#include "app/util/AppFlags.h"
#include "app/util/Money.h"
#include "app/windows/WindowKit.h"
#include "app/windows/WindowServices.h"
#include "app/windows/uArticlesWork.h"
#include "app/windows/uSetings.h"
#include "controls/FlatButton.h"
#include "controls/Viewcomb.h"
#include "dataaccess/DaoTable.h"
#include "dataaccess/DaoTransaction.h"
#include "platform/os/StopPoint.h"
#include "platform/toolkit/DataSource.h"
#include "platform/toolkit/DateTime.h"
#include "platform/toolkit/Fields.h"
#include "platform/toolkit/gui/Application.h"
#include "platform/toolkit/gui/DBControls.h"
#include "platform/toolkit/gui/DBGrid.h"
#include "platform/toolkit/gui/MaskEdit.h"
#include "platform/toolkit/gui/Menus.h"
#include "platform/toolkit/gui/StandardControls.h"

#include <QDate>

TfEmployee* fEmployee = nullptr;

namespace {

const QString kInvalidDate = QStringLiteral("Невалидна дата !");
const QString kNotDeleted = QStringLiteral("Поради възникнала грешка, записът не бе премахнат !");
const QString kNotSaved = QStringLiteral("Поради възникнала грешка,\rданните не бяха записани !");
// Where a test may end the process between two writes of a save.
constexpr const char* kSaveStop = "saving an employee";

// Questions are asked only while the settings allow them; unasked, the action goes ahead.
bool Ask(const QString& question)
{
    if (fSetings && !fSetings->cbMessages->Checked()) return true;
    return ShowWarning(question, true);
}

void Tell(const QString& text) { ShowWarning(text, false); }

bool Editing(const TDataSet* rows) { return rows->State() == dsEdit || rows->State() == dsInsert; }

TField* FieldOf(const TDataSet* rows, const char* name) { return rows->FieldByName(QString::fromUtf8(name)); }

TColumn* ColumnOf(TDBGrid* grid, const char* field)
{
    for (int i = 0; i < grid->Columns().Count(); ++i)
        if (grid->Columns()[i]->FieldName() == QLatin1String(field)) return grid->Columns()[i];
    return nullptr;
}

TLabel* CaptionLabel(QWidget* parent, const QString& text, int left, int top, QWidget* focus)
{
    auto* label = new TLabel(parent);
    label->SetCaption(text);
    label->move(left, top);
    label->SetFocusControl(focus);
    return label;
}

}  // namespace

TfEmployee::TfEmployee(QWidget* parent) : TForm(parent)
{
    setObjectName(QStringLiteral("fEmployee"));
    SetCaption(QStringLiteral("Персонал"));
    SetHelpContext(1000);
    SetPosition(poScreenCenter);
    resize(780, 620);
    setMinimumSize(700, 520);

    BuildEmployeePanel();
    BuildGrids();
    BuildButtons();
    BindHandlers();
    SetReadOnly(true);

    if (DM) {
        DM->WindowHooks.PaymentGridOnWorkPrice = [this] {
            const TField* field = DBGrid3->SelectedField();
            return field && field->FieldName() == QLatin1String("work_price");
        };
    }
    if (!fEmployee) fEmployee = this;
    PlaceFlatLook(this);
}

TfEmployee::~TfEmployee()
{
    if (DM) DM->WindowHooks.PaymentGridOnWorkPrice = nullptr;
    if (fEmployee == this) fEmployee = nullptr;
}

void TfEmployee::BuildEmployeePanel()
{
    pnlEmployee = Place<TPanel>(this, "pnlEmployee", 0, 0, width(), 176);
    pnlEmployee->SetBevelOuter(bvNone);
    Anchor(pnlEmployee, akLeft | akTop | akRight);

    cbxNames = PlaceDB<TDBViewCombo>(pnlEmployee, "cbxNames", DM->srcEmployee, "employee_name", 96, 10, 300, 24);
    CaptionLabel(pnlEmployee, QStringLiteral("&Служител"), 8, 14, cbxNames);
    fbtBack = Place<TFlatButton>(pnlEmployee, "fbtBack", QStringLiteral("<<"), 404, 8, 40, 28);
    fbtNext = Place<TFlatButton>(pnlEmployee, "fbtNext", QStringLiteral(">>"), 448, 8, 40, 28);
    lblEditing = Place<TLabel>(pnlEmployee, "lblEditing", 508, 14, 160, 18);
    lblEditing->SetFontColor(clRed);
    QFont bold = lblEditing->Font();
    bold.setBold(true);
    lblEditing->SetFont(bold);
    // Captioned after the font, so that it is as wide as the bold text.
    lblEditing->SetCaption(QStringLiteral("Редактиране"));

    struct TEditDesign {
        TDBEdit* TfEmployee::*Edit;
        const char* Name;
        const char* Field;
        const char* Caption;
        int Column;
        int Row;
        int Width;
    };
    static const TEditDesign kEdits[] = {
        {&TfEmployee::DBEdit9, "DBEdit9", "employee_name", "&Име", 0, 0, 300},
        {&TfEmployee::DBEdit2, "DBEdit2", "egn", "&ЕГН", 1, 0, 120},
        {&TfEmployee::DBEdit6, "DBEdit6", "address", "&Адрес", 0, 1, 300},
        {&TfEmployee::DBEdit7, "DBEdit7", "phone", "&Телефон", 1, 1, 200},
        {&TfEmployee::DBEdit5, "DBEdit5", "job", "&Длъжност", 0, 2, 300},
        {&TfEmployee::DBEdit8, "DBEdit8", "job_description", "&Описание", 1, 2, 264},
        {&TfEmployee::DBEdit4, "DBEdit4", "start_date", "&Назначен на", 0, 3, 120},
        {&TfEmployee::DBEdit3, "DBEdit3", "end_date", "Напу&снал на", 1, 3, 120},
    };
    for (const TEditDesign& design : kEdits) {
        const int left = design.Column == 0 ? 96 : 500;
        const int top = 44 + design.Row * 32;
        auto* edit = PlaceDB<TDBEdit>(pnlEmployee, design.Name, DM->srcEmployee, design.Field, left, top, design.Width, 24);
        CaptionLabel(pnlEmployee, QString::fromUtf8(design.Caption), left - (design.Column == 0 ? 88 : 92), top + 4, edit);
        this->*design.Edit = edit;
    }

    MaskEdit1 = Place<TMaskEdit>(pnlEmployee, "MaskEdit1", 96, 140, 120, 24);
    MaskEdit1->SetEditMask(QStringLiteral("##/##/####"));
    MaskEdit1->Hide();
}

void TfEmployee::BuildGrids()
{
    gbWork = Place<TGroupBox>(this, "gbWork", QStringLiteral(" Основни заплати "), 8, 180, 764, 170);
    Anchor(gbWork, akLeft | akTop | akRight);
    DBGrid2 = PlaceGrid(gbWork, "DBGrid2", DM->srcEmployeeWork, 8, 20, 748, 108);
    Anchor(DBGrid2, akLeft | akTop | akRight);
    SetColumns(DBGrid2, {{"start_date_time", "Начална дата", 100},
                         {"end_data_time", "Крайна дата", 100},
                         {"absence_days", "Отсъствал", 72},
                         {"absence_reason", "Причина за отсъствие", 230},
                         {"payment", "Платено", 90},
                         {"cashbox_num", "Каса", 50, TColumnAlign::Auto, true}});
    FlatButton2 = Place<TFlatButton>(gbWork, "FlatButton2", QStringLiteral("&Отчет от горната таблица"), 8, 134, 200, 28);

    gbPayment = Place<TGroupBox>(this, "gbPayment", QStringLiteral(" Плащания за извършена работа "), 8, 354, 764, 200);
    Anchor(gbPayment, akLeft | akTop | akRight | akBottom);
    DBGrid3 = PlaceGrid(gbPayment, "DBGrid3", DM->srcEmployeePayment, 8, 20, 748, 138);
    Anchor(DBGrid3, akLeft | akTop | akRight | akBottom);
    SetColumns(DBGrid3, {{"payment_date", "Дата", 100},
                         {"work", "Работа", 300, TColumnAlign::Auto, false, {}, true},
                         {"work_price", "Цена на раб.", 100},
                         {"payment", "Платено", 90},
                         {"cashbox_num", "Каса", 50, TColumnAlign::Auto, true}});
    FlatButton3 = Place<TFlatButton>(gbPayment, "FlatButton3", QStringLiteral("&Отчет от горната таблица"), 8, 164, 200, 28);
    Anchor(FlatButton3, akLeft | akBottom);
    edUpDelivery = Place<TEdit>(gbPayment, "edUpDelivery", 560, 166, 32, 24);
    edUpDelivery->SetMaxLength(2);
    edUpDelivery->SetText(QStringLiteral("40"));
    Anchor(edUpDelivery, akRight | akBottom);
    cbUpDelivery = Place<TCheckBox>(gbPayment, "cbUpDelivery", QStringLiteral("% от цената "), 598, 168, 130, 20);
    cbUpDelivery->SetChecked(true);
    Anchor(cbUpDelivery, akRight | akBottom);

    // The base-salary report's grid: never shown, only printed.
    DBGrid1 = PlaceGrid(this, "DBGrid1", DM->srcEmploeeWorkRep, 0, 0, 600, 100);
    SetColumns(DBGrid1, {{"employee_id", "No", 40},
                         {"start_date_time", "От дата", 90},
                         {"end_data_time", "До дата", 90},
                         {"absence_days", "Брой дни", 60},
                         {"payment", "Платено", 80},
                         {"seller_id", "Платено от", 80},
                         {"cashbox_num", "Каса", 40}});
    DBGrid1->Hide();
    ShowToTheCent(DM->tblEmployeeWork, {"payment"});
    ShowToTheCent(DM->tblEmployeePayment, {"work_price", "payment"});
    ShowToTheCent(DM->EmployeeWorkRep, {"payment"});

    for (auto [menu, item, name, itemName, grid] :
         {std::tuple{&pmWork, &N1, "pmWork", "N1", DBGrid2}, std::tuple{&pmPayment, &N2, "pmPayment", "N2", DBGrid3}}) {
        *menu = new TPopupMenu(this);
        (*menu)->setObjectName(QString::fromLatin1(name));
        *item = PlaceMenuItem(this, (*menu)->Items(), itemName, QStringLiteral("Премахни"));
        grid->SetPopupMenu(*menu);
    }
}

void TfEmployee::BuildButtons()
{
    pnlButtons = Place<TPanel>(this, "pnlButtons", 0, 560, width(), 56);
    pnlButtons->SetBevelOuter(bvNone);
    Anchor(pnlButtons, akLeft | akRight | akBottom);
    struct TButtonDesign {
        TFlatButton* TfEmployee::*Button;
        const char* Name;
        const char* Caption;
        int Left;
        int Width;
    };
    static const TButtonDesign kButtons[] = {
        {&TfEmployee::bYes, "bYes", "&Добави", 8, 96},
        {&TfEmployee::bDel, "bDel", "&Премахни", 110, 96},
        {&TfEmployee::bSave, "bSave", "&Запис", 212, 96},
        {&TfEmployee::bEdit, "bEdit", "&Редакция", 314, 96},
        {&TfEmployee::bCancel, "bCancel", "&Изход", 416, 96},
        {&TfEmployee::FlatButton1, "FlatButton1", "&Отчет за основни заплати", 540, 224},
    };
    for (const TButtonDesign& design : kButtons)
        this->*design.Button =
            Place<TFlatButton>(pnlButtons, design.Name, QString::fromUtf8(design.Caption), design.Left, 14, design.Width, 30);
}

void TfEmployee::BindHandlers()
{
    OnShow = Bind(this, &TfEmployee::FormShow);
    OnCloseQuery = Bind(this, &TfEmployee::FormCloseQuery);
    OnClose = Bind(this, &TfEmployee::FormClose);
    bYes->OnClick = Bind(this, &TfEmployee::bYesClick);
    bDel->OnClick = Bind(this, &TfEmployee::bDelClick);
    bSave->OnClick = Bind(this, &TfEmployee::bSaveClick);
    bEdit->OnClick = Bind(this, &TfEmployee::bEditClick);
    bCancel->OnClick = Bind(this, &TfEmployee::bCancelClick);
    fbtBack->OnClick = Bind(this, &TfEmployee::fbtBackClick);
    fbtNext->OnClick = Bind(this, &TfEmployee::fbtNextClick);
    FlatButton1->OnClick = Bind(this, &TfEmployee::FlatButton1Click);
    FlatButton2->OnClick = Bind(this, &TfEmployee::FlatButton2Click);
    FlatButton3->OnClick = Bind(this, &TfEmployee::FlatButton3Click);
    cbxNames->OnChange = Bind(this, &TfEmployee::cbxNamesChange);
    DBEdit3->OnChange = Bind(this, &TfEmployee::DBEdit3Change);
    DBEdit4->OnEnter = Bind(this, &TfEmployee::DBEdit4Enter);
    MaskEdit1->OnExit = Bind(this, &TfEmployee::MaskEdit1Exit);
    DBGrid3->OnColExit = Bind(this, &TfEmployee::DBGrid3ColExit);
    DBGrid3->OnEditButtonClick = Bind(this, &TfEmployee::DBGrid3EditButtonClick);
    SortOnTitleClick(DBGrid2, DM->tblEmployeeWork);
    SortOnTitleClick(DBGrid3, DM->tblEmployeePayment);
    for (TDBGrid* grid : {DBGrid2, DBGrid3}) grid->OnKeyPress = Bind(this, &TfEmployee::PaymentKeyPress);
    for (TControl* control : std::initializer_list<TControl*>{DBEdit9, DBEdit2, DBEdit6, DBEdit7, DBEdit5, DBEdit8,
                                                              DBEdit4, DBEdit3, MaskEdit1, DBGrid2, DBGrid3})
        control->OnKeyDown = Bind(this, &TfEmployee::EscapeKeyDown);
    edUpDelivery->OnKeyPress = Bind(this, &TfEmployee::edUpDeliveryKeyPress);
    N1->OnClick = Bind(this, &TfEmployee::DeleteWorkRowClick);
    N2->OnClick = Bind(this, &TfEmployee::DeletePaymentRowClick);
}

// --- state ------------------------------------------------------------------------------------

void TfEmployee::SetReadOnly(bool readOnly)
{
    for (TDBEdit* edit : {DBEdit9, DBEdit2, DBEdit6, DBEdit7, DBEdit5, DBEdit8, DBEdit4, DBEdit3})
        edit->SetReadOnly(readOnly);
    readOnly_ = readOnly;
    lblEditing->SetVisible(!readOnly);
}

void TfEmployee::AttachPaymentGrids(bool attach)
{
    DBGrid2->SetDataSource(attach ? DM->srcEmployeeWork : nullptr);
    DBGrid3->SetDataSource(attach ? DM->srcEmployeePayment : nullptr);
    cbxNames->SetEnabled(attach);
}

void TfEmployee::bEditClick(QObject*) { SetReadOnly(!fSetings->cbChangeSaleData->Checked()); }

void TfEmployee::FormShow(QObject*)
{
    const bool mayChange = fSetings->cbChangeSaleData->Checked();
    bDel->SetEnabled(mayChange);
    bEdit->SetEnabled(mayChange);
    if (!CheckConnection()) return;
    const QString today = QDate::currentDate().toString(QStringLiteral("dd/MM/yyyy"));
    for (TColumn* column : {ColumnOf(DBGrid2, "start_date_time"), ColumnOf(DBGrid2, "end_data_time"),
                            ColumnOf(DBGrid3, "payment_date")}) {
        column->PickList().Clear();
        column->PickList().Add(today);
    }
    cbxNames->Rebuild();
}

void TfEmployee::cbxNamesChange(QObject*)
{
    const bool noEmployee = cbxNames->Text().isEmpty();
    for (TDBGrid* grid : {DBGrid2, DBGrid3}) {
        grid->SetReadOnly(noEmployee);
        grid->Repaint();
    }
}

void TfEmployee::DBEdit3Change(QObject*)
{
    // Another employee became current: what was being edited is left. A date typed here is
    // the user's own change and keeps the edits open.
    if (DBEdit3->isModified()) return;
    if (!readOnly_ && !adding_) SetReadOnly(true);
}

void TfEmployee::fbtBackClick(QObject*)
{
    if (!CheckConnection() || DM->tblEmployee->IsEmpty()) return;
    if (!DM->tblEmployee->Bof()) DM->tblEmployee->Prior();
}

void TfEmployee::fbtNextClick(QObject*)
{
    if (!CheckConnection() || DM->tblEmployee->IsEmpty()) return;
    if (!DM->tblEmployee->Eof()) DM->tblEmployee->Next();
}

// --- the start date's overlay ---------------------------------------------------------------------

void TfEmployee::DBEdit4Enter(QObject*)
{
    MaskEdit1->setGeometry(DBEdit4->geometry());
    MaskEdit1->SetText(DBEdit4->Text());
    MaskEdit1->SetReadOnly(DBEdit4->ReadOnly());
    MaskEdit1->Show();
    MaskEdit1->raise();
    MaskEdit1->SetFocus();
}

bool TfEmployee::ApplyOverlayDate()
{
    TDaoTable* employee = DM->tblEmployee;
    TField* startDate = FieldOf(employee, "start_date");
    if (IsEmptyDate(MaskEdit1->Text())) {
        if (!MaskEdit1->ReadOnly() && !startDate->IsNull()) {
            employee->Edit();
            startDate->Clear();
        }
        return true;
    }
    TDateTime date = 0;
    if (!TryStrToDate(MaskEdit1->Text(), date)) return false;
    if (MaskEdit1->ReadOnly()) return true;
    employee->Edit();
    startDate->SetAsDateTime(date);
    // A new employee is stored by Save, never without a name.
    if (!FieldOf(employee, "employee_name")->AsString().isEmpty()) employee->Post();
    return true;
}

void TfEmployee::MaskEdit1Exit(QObject*)
{
    if (!MaskEdit1->isVisible()) return;
    bool applied = false;
    try {
        applied = ApplyOverlayDate();
    } catch (const std::exception&) {
        applied = false;
    }
    if (!applied) {
        Tell(kInvalidDate);
        MaskEdit1->SetFocus();
        return;
    }
    MaskEdit1->Hide();
}

// --- keys and sorting -----------------------------------------------------------------------------

void TfEmployee::EscapeKeyDown(QObject* sender, int& key, TShiftState shift)
{
    if (key == Qt::Key_Escape) {
        key = 0;
        Close();
        return;
    }
    if (key != Qt::Key_Tab || (shift & Qt::ShiftModifier)) return;
    if (sender == DBGrid2) {
        key = 0;
        DBGrid3->SetFocus();
    } else if (sender == DBGrid3) {
        key = 0;
        fbtBack->SetFocus();
    }
}

void TfEmployee::PaymentKeyPress(QObject* sender, QChar& key)
{
    // A payment is money paid out: it has no sign.
    const TField* field = static_cast<TDBGrid*>(sender)->SelectedField();
    if (key == QLatin1Char('-') && field && field->FieldName() == QLatin1String("payment")) key = QChar();
}

void TfEmployee::edUpDeliveryKeyPress(QObject*, QChar& key)
{
    if (!(key.isDigit() && key.unicode() < 128) && key != QChar(8)) key = QChar();
}

// --- adding, saving, closing ------------------------------------------------------------------

void TfEmployee::bYesClick(QObject*)
{
    if (!CheckConnection()) return;
    if (!Ask(QStringLiteral("Искате ли да добавите нов служител ?"))) return;
    // Adding first, so the blank row's end date does not close the edits again.
    adding_ = true;
    app::NewEmployee = true;
    SetReadOnly(false);
    DM->tblEmployee->Append();
    AttachPaymentGrids(false);
    DBEdit9->SetFocus();
}

void TfEmployee::PostPendingRow(TDataSet* rows)
{
    if (!Editing(rows)) return;
    TField* employeeId = FieldOf(rows, "employee_id");
    if (employeeId->IsNull()) employeeId->SetAsInteger(FieldOf(DM->tblEmployee, "id")->AsInteger());
    // The cash box of a row without one is the data module's rule; a stored row keeps its box.
    rows->Post();
}

// The employee and the pay rows typed for it, stored together or not at all. False when they
// were not: what was typed is dropped, the window shows the employees as stored.
bool TfEmployee::StoreEmployee()
{
    TDaoTable* employee = DM->tblEmployee;
    try {
        TDaoTransaction transaction(*DM->VantelDataBase);
        employee->Edit();
        employee->Post();
        StopPoint(kSaveStop);
        PostPendingRow(DM->tblEmployeePayment);
        StopPoint(kSaveStop);
        PostPendingRow(DM->tblEmployeeWork);
        StopPoint(kSaveStop);
        transaction.Commit();
        return true;
    } catch (const std::exception&) {
        // Nothing left pending either, for the next move to store by half.
        if (Editing(employee)) employee->Cancel();
        adding_ = false;
        app::NewEmployee = false;
        AttachPaymentGrids(true);
        SetReadOnly(true);
        cbxNames->Rebuild();
        return false;
    }
}

void TfEmployee::bSaveClick(QObject*)
{
    if (!CheckConnection()) return;
    TDaoTable* employee = DM->tblEmployee;
    if (Editing(employee)) employee->UpdateRecord();
    if (FieldOf(employee, "employee_name")->AsString().isEmpty()) {
        employee->Cancel();
        AttachPaymentGrids(true);
        SetReadOnly(true);
        cbxNames->Rebuild();
        return;
    }
    if (MaskEdit1->isVisible()) {
        if (!ApplyOverlayDate()) {
            Tell(kInvalidDate);
            MaskEdit1->SetFocus();
            return;
        }
        MaskEdit1->Hide();
    }
    if (!StoreEmployee()) {
        Tell(kNotSaved);
        return;
    }

    SetReadOnly(true);
    const QString name = FieldOf(employee, "employee_name")->AsString();
    cbxNames->DataSource()->DataSet()->Refresh();
    AttachPaymentGrids(true);
    cbxNames->SetText(name);
    cbxNames->Rebuild();
    for (TDBGrid* grid : {DBGrid2, DBGrid3}) {
        grid->SetReadOnly(false);
        grid->Repaint();
    }
}

void TfEmployee::bCancelClick(QObject* sender)
{
    bSaveClick(sender);
    Close();
}

void TfEmployee::FormCloseQuery(QObject* sender, bool&)
{
    if (!readOnly_ || adding_) {
        if (Ask(QStringLiteral("Искате ли да съхраните промените ?"))) {
            bSaveClick(sender);
        } else if (Editing(DM->tblEmployee)) {
            // Left pending, the next move of the employees would store it.
            DM->tblEmployee->Cancel();
            AttachPaymentGrids(true);
            SetReadOnly(true);
        }
    }
    adding_ = false;
    app::NewEmployee = false;
}

void TfEmployee::FormClose(QObject*, TCloseAction&) { ClosePicker(); }

void TfEmployee::ClosePicker()
{
    if (fArticlesWork && fArticlesWork->isVisible()) fArticlesWork->Close();
}

// --- the pay rule and the picker ------------------------------------------------------------------

void TfEmployee::DBGrid3ColExit(QObject*)
{
    if (!app::PaymentChanged) return;
    app::PaymentChanged = false;
    TDaoTable* payments = DM->tblEmployeePayment;
    const TField* left = DBGrid3->SelectedField();
    if (cbUpDelivery->Checked() && !edUpDelivery->Text().isEmpty() && left &&
        left->FieldName() == QLatin1String("work_price")) {
        const int percent = edUpDelivery->Text().toInt();
        const double payment = RoundMoney(FieldOf(payments, "work_price")->AsFloat() * percent / 100);
        TField* paid = FieldOf(payments, "payment");
        bool write = paid->IsNull() || paid->AsFloat() == 0;
        if (!write) {
            write = (!fSetings->cbMessages->Checked() && !fSetings->cbWarnings->Checked()) ||
                    ShowWarning(QStringLiteral("Искате ли плащането да е \r") + QString::number(percent) +
                                                QStringLiteral("% от цента на извършената работа ?"),
                                            true);
        }
        if (write) {
            payments->Edit();
            paid->SetAsFloat(payment);
        }
    }
    const TControlsOff paymentsOff(payments);
    payments->Refresh();
}

void TfEmployee::DBGrid3EditButtonClick(QObject*)
{
    if (DBGrid3->ReadOnly() || !fArticlesWork) return;
    TDaoTable* work = DM->tblQueryEmploeeWork;
    work->SetFiltered(false);
    if (work->Active()) work->Requery();
    else work->Open();
    TDaoTable* payments = DM->tblEmployeePayment;
    const TField* text = FieldOf(payments, "work");
    if (!text->IsNull()) fArticlesWork->tbxSearchValue->SetText(text->AsString());
    TWorkPickTarget target;
    target.PaymentId = payments->State() == dsInsert ? TVariant::Null() : FieldOf(payments, "id")->AsVariant();
    target.EmployeeId = FieldOf(DM->tblEmployee, "id")->AsVariant();
    target.PercentText = [this] { return edUpDelivery->Text(); };
    fArticlesWork->OpenFor(target);
}

// --- deletes --------------------------------------------------------------------------------------

void TfEmployee::bDelClick(QObject*)
{
    TDaoTable* employee = DM->tblEmployee;
    if (!CheckConnection() || employee->IsEmpty() || !fSetings->cbChangeSaleData->Checked()) return;
    const TField* id = FieldOf(employee, "id");
    if (id->IsNull()) return;
    bool referred = false;
    for (TDaoTable* rows : {DM->tblEmployeePayment, DM->tblEmployeeWork}) {
        rows->SetKeyFields(QStringLiteral("employee_id"));
        referred = referred || rows->FindKey({id->AsInteger()});
    }
    if (referred) {
        Tell(QStringLiteral("Не може да премахнете записа на този служител,\rпреди да изтриете данните свързани с него !"));
        return;
    }
    if (!Ask(QStringLiteral("Внимание всички данни за този служител ще бъдат\rпремахнати ! Наистина ли искате това ?")))
        return;
    try {
        employee->Delete();
        employee->RequeryIfRestartable();
        cbxNames->Rebuild();
    } catch (const std::exception&) {
        Tell(kNotDeleted);
    }
}

void TfEmployee::DeleteRow(TDataSet* rows)
{
    if (!CheckConnection() || rows->IsEmpty() || FieldOf(rows, "id")->IsNull()) return;
    if (!Ask(QStringLiteral("Текущият ред от таблицата ще бъде премахнат !\rНаистина ли искате това ?"))) return;
    try {
        rows->Delete();
        static_cast<TDaoTable*>(rows)->RequeryIfRestartable();
    } catch (const std::exception&) {
        Tell(kNotDeleted);
    }
}

void TfEmployee::DeleteWorkRowClick(QObject*) { DeleteRow(DM->tblEmployeeWork); }

// --- reports ------------------------------------------------------------------------------------

void TfEmployee::FlatButton1Click(QObject*)
{
    TDaoTable* report = DM->EmployeeWorkRep;
    if (!report->Active()) report->Open();
    report->RequeryIfRestartable();
    if (fUniversalReport) fUniversalReport->PrintGrid(DBGrid1);
}

void TfEmployee::FlatButton2Click(QObject*) { if (fUniversalReport) fUniversalReport->PrintGrid(DBGrid2); }

void TfEmployee::FlatButton3Click(QObject*) { if (fUniversalReport) fUniversalReport->PrintGrid(DBGrid3); }
void TfEmployee::DeletePaymentRowClick(QObject*) { DeleteRow(DM->tblEmployeePayment); }
