#include "app/windows/uStorage.h"

#include "app/datamodule/DModule.h"
#include "app/util/AppFlags.h"
#include "app/util/AppGlobals.h"
#include "app/util/Placing.h"
#include "app/windows/WindowKit.h"
#include "app/windows/uArticlesGrouped.h"
#include "app/windows/WindowServices.h"
#include "app/windows/uDeliverySearchForm.h"
#include "app/windows/uDeliverySearchResult.h"
#include "app/windows/uSetings.h"
#include "controls/FlatButton.h"
#include "dataaccess/DaoDataBase.h"
#include "dataaccess/DaoTable.h"
#include "dataaccess/DaoTransaction.h"
#include "platform/dao/DaoConstants.h"
#include "platform/dao/DaoError.h"
#include "platform/os/StopPoint.h"
#include "platform/toolkit/DataSource.h"
#include "platform/toolkit/DateTime.h"
#include "platform/toolkit/Exceptions.h"
#include "platform/toolkit/Fields.h"
#include "platform/toolkit/gui/Application.h"
#include "platform/toolkit/gui/DBControls.h"
#include "platform/toolkit/gui/DBGrid.h"
#include "platform/toolkit/gui/Menus.h"
#include "platform/toolkit/gui/StandardControls.h"
#include "platform/toolkit/gui/TreeView.h"

#include <cmath>
#include <functional>

TfStorage* fStorage = nullptr;

namespace {

const QString kEditCaption = QStringLiteral("&Редакция");
const QString kSearchCaption = QStringLiteral("&Търсене");
const QString kNotDeleted = QStringLiteral("Поради възникнала грешка, записът не бе премахнат !");
// Where a test may end the process between two writes of a delivery's finish.
constexpr const char* kFinishStop = "finishing a delivery";
const QString kPaidHint =
    QStringLiteral("Сложете отметка на \"Платено\",\rсамо ако плащането е от вашата каса !");

bool SettingOn(TCheckBox* TfSetings::*box) { return fSetings && (fSetings->*box)->Checked(); }
bool ChangeSaleData() { return SettingOn(&TfSetings::cbChangeSaleData); }
bool Messages() { return SettingOn(&TfSetings::cbMessages); }
bool Warnings() { return SettingOn(&TfSetings::cbWarnings); }
QString SettingsCashBox() { return fSetings ? fSetings->cbxCashBoxNum->Text() : QStringLiteral("1"); }

TField* F(TDataSet* dataSet, const char* name) { return dataSet->FieldByName(QString::fromLatin1(name)); }
// A row is current: a stored one, or a new one being typed.
bool HasRow(const TDataSet* dataSet)
{
    return dataSet->Active() && (dataSet->State() == dsInsert || !dataSet->IsEmpty());
}

// Rounds half away from zero at the second decimal of the value's 15 significant digits, as
// the dialect's Format shows it, so binary noise never decides the stotinka.
double RoundToStotinka(double value)
{
    if (!std::isfinite(value) || value == 0)
        return value;
    const QString e = QString::number(std::abs(value), 'e', 14);  // d.dddddddddddddde+XX
    const qint64 digits = (e.left(1) + e.mid(2, 14)).toLongLong();
    const int shift = e.mid(e.indexOf(QLatin1Char('e')) + 1).toInt() - 12;  // of digits * 10^shift cents
    if (shift >= 0)
        return value;  // already whole stotinki
    if (shift < -15)
        return 0;
    qint64 power = 1;
    for (int i = 0; i < -shift; ++i)
        power *= 10;
    qint64 cents = digits / power;
    if ((digits % power) * 2 >= power)
        ++cents;
    return std::copysign(double(cents) / 100, value);
}

}  // namespace

TfStorage::TfStorage(QWidget* parent) : TForm(parent)
{
    setObjectName(QStringLiteral("fStorage"));
    SetCaption(QStringLiteral("Склад"));
    SetBorderStyle(bsDialog);
    SetPosition(poScreenCenter);
    SetHelpContext(1000);
    SetKeyPreview(true);
    resize(800, 560);

    BuildStorePanel();
    BuildDeliveryHeader();
    BuildLines();
    BuildButtons();
    SetWindowHooks();

    OnShow = Bind(this, &TfStorage::FormShow);
    OnCloseQuery = Bind(this, &TfStorage::FormCloseQuery);
    if (!fStorage)
        fStorage = this;
    PlaceFlatLook(this);
}

TfStorage::~TfStorage()
{
    if (DM) {
        DM->WindowHooks.StorageVisible = nullptr;
        DM->WindowHooks.ShowDelivery = nullptr;
        DM->WindowHooks.ShowStoreName = nullptr;
        DM->WindowHooks.StoreNameText = nullptr;
    }
    if (fStorage == this)
        fStorage = nullptr;
}

double TfStorage::MarkedUpPrice(double deliveryPrice, int percent)
{
    return RoundToStotinka(deliveryPrice + deliveryPrice * percent / 100);
}

// --- building ------------------------------------------------------------------------------

void TfStorage::BuildStorePanel()
{
    auto* panel = Place<TGroupBox>(this, "gbStore", QStringLiteral(" Складове "), 8, 4, 200, 364);
    TreeView1 = Place<TTreeView>(panel, "TreeView1", 8, 20, 184, 170);
    Place<TLabel>(panel, "lblStoreName", QStringLiteral("Име"), 8, 196, 184, 16);
    dbeStoreName = Place<TComboBox>(panel, "dbeStoreName", 8, 212, 184, 22);
    dbeStoreName->SetMaxLength(25);
    Place<TLabel>(panel, "lblStoreAddres", QStringLiteral("Адрес"), 8, 240, 184, 16);
    dbeStoreAddres = PlaceDB<TDBEdit>(panel, "dbeStoreAddres", DM->srcStore, "store_address", 8, 256, 184, 22);
    Place<TLabel>(panel, "lblComment", QStringLiteral("Коментар"), 8, 284, 184, 16);
    dbeComment = PlaceDB<TDBEdit>(panel, "dbeComment", DM->srcStore, "comment", 8, 300, 184, 22);
    for (TDBEdit* edit : {dbeStoreAddres, dbeComment}) {
        edit->SetReadOnly(true);
        edit->OnExit = Bind(this, &TfStorage::StoreEditExit);
    }

    PopupMenu1 = new TPopupMenu(this);
    PopupMenu1->setObjectName(QStringLiteral("PopupMenu1"));
    static const TMenuSpec<TfStorage> kTreeMenu[] = {
        {"", "AddStore1", "Добави склад", "Ctrl+A", &TfStorage::AddStore1Click, &TfStorage::AddStore1},
        {"", "DelStore1", "Премахни скл.", "Ctrl+D", &TfStorage::DelStore1Click, &TfStorage::DelStore1},
        {"", "StoreName1", "Промяна име", "Ctrl+N", &TfStorage::StoreName1Click, &TfStorage::StoreName1},
        {"", "StoreAddress1", "Промяна адррес", "", &TfStorage::StoreAddress1Click, &TfStorage::StoreAddress1},
        {"", "StoreComment1", "Промяна коментар", "", &TfStorage::StoreComment1Click, &TfStorage::StoreComment1},
    };
    DeclareMenu(this, PopupMenu1, kTreeMenu);
    PopupMenu1->OnPopup = Bind(this, &TfStorage::PopupMenu1Popup);
    TreeView1->SetPopupMenu(PopupMenu1);

    TreeView1->OnChange = Bind(this, &TfStorage::TreeView1Change);
    TreeView1->OnEditing = Bind(this, &TfStorage::TreeView1Editing);
    TreeView1->OnEdited = Bind(this, &TfStorage::TreeView1Edited);
    TreeView1->OnDblClick = Bind(this, &TfStorage::TreeView1DblClick);
    dbeStoreName->OnKeyPress = Bind(this, &TfStorage::dbeStoreNameKeyPress);
    dbeStoreName->OnChange = Bind(this, &TfStorage::dbeStoreNameChange);
    dbeStoreName->OnExit = Bind(this, &TfStorage::dbeStoreNameExit);
    dbeStoreName->OnSelect = Bind(this, &TfStorage::dbeStoreNameSelect);
    dbeStoreName->OnDropDown = Bind(this, &TfStorage::dbeStoreNameDropDown);

    Place<TLabel>(panel, "lblUpDelivery", QStringLiteral("Надценка"), 8, 334, 62, 16);
    edUpDelivery = Place<TEdit>(panel, "edUpDelivery", 79, 330, 28, 22);
    edUpDelivery->SetMaxLength(2);
    edUpDelivery->SetText(QStringLiteral("40"));
    edUpDelivery->OnKeyPress = Bind(this, &TfStorage::edUpDeliveryKeyPress);
    cbUpDelivery = Place<TCheckBox>(panel, "cbUpDelivery", QStringLiteral("% = Прод."), 111, 332, 90, 20);
    cbUpDelivery->SetChecked(true);
}

void TfStorage::BuildDeliveryHeader()
{
    gbDelivery = Place<TGroupBox>(this, "gbDelivery", QStringLiteral(" Доставка "), 216, 4, 576, 160);
    struct Edit {
        TDBEdit* TfStorage::*Member;
        const char* Name;
        const char* Label;
        TDataSource* Source;
        const char* Field;
        int Left, Top, Width;
    };
    const Edit edits[] = {
        {&TfStorage::dbeSupplier, "dbeSupplier", "Доставчик", DM->srcDelivery, "supplier", 8, 18, 200},
        {&TfStorage::dbeCurrency, "dbeCurrency", "Валута", DM->srcDelivery, "currency", 216, 18, 50},
        {&TfStorage::dbeCurrencyRate, "dbeCurrencyRate", "Курс", DM->srcDelivery, "currency_rate", 274, 18, 70},
        {&TfStorage::dbeDeliveryTax, "dbeDeliveryTax", "ДДС %", DM->srcDelivery, "delivery_tax", 352, 18, 50},
        {&TfStorage::dbeDeliveryDate, "dbeDeliveryDate", "Дата доставка", DM->srcDelivery, "delivery_date", 410, 18,
         100},
        {&TfStorage::dbeInvoiceNum, "dbeInvoiceNum", "Фактура №", DM->srcDelivery, "invoice_num", 96, 62, 112},
        {&TfStorage::dbeInvoiceDate, "dbeInvoiceDate", "Дата фактура", DM->srcDelivery, "invoice_date", 216, 62, 100},
        {&TfStorage::dbeCashbox, "dbeCashbox", "Каса №", DM->srcDelivery, "cashbox_num", 324, 62, 50},
        {&TfStorage::dbeCurrencyValue, "dbeCurrencyValue", "Сума в лева", DM->srcQDeliveryTotal, "DeliverySumFormat", 8,
         106, 120},
        {&TfStorage::dbeDeliveryTaxValue, "dbeDeliveryTaxValue", "ДДС", DM->srcQDeliveryTotal, "DeliveryTaxFormat", 136,
         106, 100},
        {&TfStorage::dbeDeliverySum, "dbeDeliverySum", "Общо", DM->srcQDeliveryTotal, "DeliveryTotal", 244, 106, 120},
    };
    for (const Edit& e : edits) {
        Place<TLabel>(gbDelivery, "", QString::fromUtf8(e.Label), e.Left, e.Top, e.Width + 8, 16);
        this->*e.Member = PlaceDB<TDBEdit>(gbDelivery, e.Name, e.Source, e.Field, e.Left, e.Top + 16, e.Width, 22);
    }
    for (TDBEdit* edit : {dbeCurrency, dbeCurrencyRate, dbeDeliveryTax, dbeCurrencyValue, dbeCashbox})
        edit->OnExit = Bind(this, &TfStorage::HeaderEditExit);
    dbeInvoiceNum->setEnabled(false);
    dbeInvoiceDate->setEnabled(false);
    dbeInvoiceDate->OnEnter = Bind(this, &TfStorage::dbeInvoiceDateEnter);

    dbcInvoice = PlaceDB<TDBCheckBox>(gbDelivery, "dbcInvoice", DM->srcDelivery, "invoice", 8, 80, 84, 20);
    dbcInvoice->SetCaption(QStringLiteral("Фактура"));
    dbcInvoice->SetValueChecked(QStringLiteral("True"));
    dbcInvoice->SetValueUnchecked(QStringLiteral("False"));
    dbcInvoice->OnClick = Bind(this, &TfStorage::dbcInvoiceClick);

    cDeliveryPiment = Place<TCheckBox>(gbDelivery, "cDeliveryPiment", QStringLiteral("Платено"), 384, 80, 90, 20);
    cDeliveryPiment->OnClick = Bind(this, &TfStorage::cDeliveryPimentClick);
    Place<TLabel>(gbDelivery, "lblDeliveryID", QStringLiteral("Доставка №"), 482, 62, 86, 16);
    eDeliveryID = Place<TEdit>(gbDelivery, "eDeliveryID", 482, 78, 86, 22);
    eDeliveryID->OnKeyPress = Bind(this, &TfStorage::eDeliveryIDKeyPress);
    eDeliveryID->OnExit = Bind(this, &TfStorage::eDeliveryIDExit);
    lblEditing = Place<TLabel>(gbDelivery, "lblEditing", QStringLiteral("Редактиране"), 384, 124, 180, 20);
    QFont bold = lblEditing->font();
    bold.setBold(true);
    lblEditing->setFont(bold);
    // Captioned again at its bold font, so it is measured at that size.
    lblEditing->SetCaption(lblEditing->Caption());
    lblEditing->SetFontColor(8421631);
    lblEditing->hide();
}

void TfStorage::BuildLines()
{
    DBGrid1 = PlaceGrid(this, "DBGrid1", DM->srcDeliveryDetail, 216, 170, 576, 290);
    SetColumns(DBGrid1, {{"article_code", "Артикул №", 78},
                         {"article_name", "Наименование", 154, TColumnAlign::Auto, false, {}, true},
                         {"delivery_price", "Дост. цена", 78},
                         {"delivery_quantity", "К-во", 48},
                         {"sale_price", "Прод. цена", 78},
                         {"dimention", "Мярка", 50},
                         {"service", "Услуга", 56, TColumnAlign::Auto, false, {"True", "False"}}});
    DBGrid1->SetReadOnly(true);
    ShowToTheCent(DM->tblDeliveryDetail, {"delivery_price", "sale_price"});
    DBGrid1->OnColExit = Bind(this, &TfStorage::DBGrid1ColExit);
    DBGrid1->OnKeyPress = Bind(this, &TfStorage::DBGrid1KeyPress);
    DBGrid1->OnKeyDown = Bind(this, &TfStorage::DBGrid1KeyDown);
    DBGrid1->OnEditButtonClick = Bind(this, &TfStorage::DBGrid1EditButtonClick);
    SortOnTitleClick(DBGrid1, DM->tblDeliveryDetail);
    PaintStockColours(DBGrid1, QString());

    PopupMenu2 = new TPopupMenu(this);
    PopupMenu2->setObjectName(QStringLiteral("PopupMenu2"));
    static const TMenuSpec<TfStorage> kLineMenu[] = {
        {"", "Add1", "Добави", "Ctrl+Ins", &TfStorage::Add1Click, &TfStorage::Add1},
        {"", "Delete1", "Изтрий", "Ctrl+Del", &TfStorage::Delete1Click, &TfStorage::Delete1},
        {"", "Finish1", "Приключи", "F2", &TfStorage::bAddClick, &TfStorage::Finish1},
        {"", "Edit1", "&Редакция", "Ctrl+E", &TfStorage::bSearchClick, &TfStorage::Edit1},
    };
    DeclareMenu(this, PopupMenu2, kLineMenu);
    Edit1->SetVisible(false);
    PopupMenu2->OnPopup = Bind(this, &TfStorage::PopupMenu2Popup);
    DBGrid1->SetPopupMenu(PopupMenu2);

    Place<TLabel>(this, "lblArtNom", QStringLiteral("Търси №"), 216, 468, 58, 16);
    tbxArtNom = Place<TEdit>(this, "tbxArtNom", 276, 464, 100, 22);
    Place<TLabel>(this, "lblSearchValue", QStringLiteral("Наименование"), 386, 468, 92, 16);
    tbxSearchValue = Place<TEdit>(this, "tbxSearchValue", 486, 464, 306, 22);
    tbxArtNom->OnChange = Bind(this, &TfStorage::tbxArtNomChange);
    tbxSearchValue->OnChange = Bind(this, &TfStorage::tbxSearchValueChange);
    for (TEdit* box : {tbxArtNom, tbxSearchValue})
        box->OnKeyDown = Bind(this, &TfStorage::SearchBoxKeyDown);
}

void TfStorage::BuildButtons()
{
    struct Button {
        TFlatButton* TfStorage::*Member;
        const char* Name;
        const char* Caption;
        int Left, Width;
        void (TfStorage::*Handler)(QObject*);
    };
    const Button buttons[] = {
        {&TfStorage::bNew, "bNew", "&Нова доставка", 8, 124, &TfStorage::bNewClick},
        {&TfStorage::bAdd, "bAdd", "&Приключване", 140, 112, &TfStorage::bAddClick},
        {&TfStorage::bDel, "bDel", "&Премахни дост.", 260, 124, &TfStorage::bDelClick},
        {&TfStorage::bSearch, "bSearch", "&Търсене", 392, 100, &TfStorage::bSearchClick},
        {&TfStorage::bLeft, "bLeft", "<<", 500, 50, &TfStorage::bLeftClick},
        {&TfStorage::bRight, "bRight", ">>", 558, 50, &TfStorage::bRightClick},
        {&TfStorage::bClose, "bClose", "&Изход", 692, 100, &TfStorage::bCloseClick},
    };
    for (const Button& b : buttons) {
        TFlatButton* button = Place<TFlatButton>(this, b.Name, QString::fromUtf8(b.Caption), b.Left, 500, b.Width, 30);
        button->OnClick = Bind(this, b.Handler);
        this->*b.Member = button;
    }
    UpdateLineMenu();
}

void TfStorage::SetWindowHooks()
{
    DM->WindowHooks.StorageVisible = [this] { return isVisible(); };
    DM->WindowHooks.ShowDelivery = [this](const QString& id, bool paid) {
        eDeliveryID->SetText(id);
        ShowPaid(paid);
    };
    DM->WindowHooks.ShowStoreName = [this](const QString& name) { dbeStoreName->SetText(name); };
    DM->WindowHooks.StoreNameText = [this] { return dbeStoreName->Text(); };
}

// --- state ---------------------------------------------------------------------------------

void TfStorage::SetStoreReadOnly(bool readOnly)
{
    dbeStoreAddres->SetReadOnly(readOnly);
    dbeComment->SetReadOnly(readOnly);
}

void TfStorage::SetHeaderEditsReadOnly(bool readOnly)
{
    for (TDBEdit* edit : {dbeSupplier, dbeCurrency, dbeCurrencyRate, dbeDeliveryTax, dbeDeliveryDate, dbeInvoiceNum,
                          dbeInvoiceDate, dbeCashbox, dbeCurrencyValue, dbeDeliveryTaxValue, dbeDeliverySum})
        edit->SetReadOnly(readOnly);
    dbcInvoice->SetReadOnly(readOnly);
}

void TfStorage::SetDeliveryReadOnly(bool readOnly)
{
    SetHeaderEditsReadOnly(readOnly);
    DBGrid1->SetReadOnly(readOnly);
    dbeCashbox->setEnabled(!readOnly);
    cDeliveryPiment->setEnabled(!readOnly);
    lblEditing->setVisible(!readOnly);
    editing_ = !readOnly;
    UpdateLineMenu();
}

void TfStorage::UpdateLineMenu()
{
    for (TMenuItem* item : {Add1, Delete1, Finish1})
        item->SetEnabled(editing_);
    Edit1->SetVisible(!editing_ && bSearch && bSearch->Caption() == kEditCaption);
}

void TfStorage::ShowPaid(bool paid)
{
    showingPaid_ = true;
    cDeliveryPiment->SetChecked(paid);
    showingPaid_ = false;
}

bool TfStorage::Confirm(const QString& question)
{
    return !Messages() || ShowWarning(question, true);
}

void TfStorage::Tell(const QString& message) { ShowWarning(message, false); }

// Asks the database whether rows still refer to a row to be deleted, and says why not when they
// do. A check that cannot run is no "no": it says the delete failed.
bool TfStorage::NothingRefersTo(const std::function<bool()>& inUse, const QString& inUseText,
                                const QString& failedText)
{
    try {
        if (!inUse())
            return true;
        Tell(inUseText);
    } catch (const std::exception&) {
        Tell(failedText);
    }
    return false;
}

bool TfStorage::StoreSelected() const
{
    return DM->srcStore->DataSet() == DM->tblStore && DM->tblStore->Active() && !DM->tblStore->IsEmpty();
}

QString TfStorage::CurrentStoreId() const { return StoreSelected() ? F(DM->tblStore, "id")->AsString() : QString(); }

int TfStorage::NodeIndex(const TTreeNode* node) const
{
    TTreeNodes& nodes = TreeView1->Items();
    for (int i = 0; i < nodes.Count(); ++i)
        if (nodes.Item(i) == node)
            return i;
    return -1;
}

// --- showing and closing -------------------------------------------------------------------

void TfStorage::FormShow(QObject*)
{
    paidHintShown_ = false;
    bDel->setEnabled(ChangeSaleData());
    SetHeaderEditsReadOnly(true);
    SetStoreReadOnly(true);
    eDeliveryID->setEnabled(false);
    FillStoreTree();
    nameChanged_ = false;
    TDaoTable* delivery = DM->tblDelivery;
    const bool any = delivery->Active() && !delivery->IsEmpty();
    eDeliveryID->SetText(any ? F(delivery, "id")->AsString() : QString());
    ShowPaid(any && F(delivery, "delivery_piment")->AsBoolean());
    bSearch->SetCaption(ChangeSaleData() ? kEditCaption : kSearchCaption);
    bSearch->setEnabled(ChangeSaleData() || eDeliveryID->isEnabled());
    UpdateLineMenu();
    ShowUnfinishedDelivery();
}

void TfStorage::FormCloseQuery(QObject*, bool& canClose)
{
    if (fArticlesGrouped) {
        fArticlesGrouped->Hide();
        fArticlesGrouped->SetFormStyle(fsStayOnTop);
    }
    for (TForm* search : std::initializer_list<TForm*>{fDeliverySearchResult, fDeliverySearchForm})
        if (search && search->Visible())
            search->Close();
    if ((app::DeliveryChanged || mustFinish_) &&
        Confirm(QStringLiteral("За да няма загуба на данни,\rтрябва да приключите доставката !")))
        bAddClick(this);
    if (editing_ || mustFinish_)
        LeaveDeliveryUnfinished();
    canClose = true;
}

void TfStorage::LeaveDeliveryUnfinished()
{
    TreeView1->setEnabled(true);
    SetDeliveryReadOnly(true);
    mustFinish_ = false;
    app::LinesPosted = false;
    app::DeliveryChanged = false;
}

void TfStorage::ShowUnfinishedDelivery()
{
    if (unfinishedDelivery_ == 0 || !CheckConnection())
        return;
    TDaoTable* delivery = DM->tblDelivery;
    delivery->SetKeyFields(QStringLiteral("id"));
    if (!delivery->FindKey({unfinishedDelivery_})) {
        delivery->SetMasterSource(nullptr);
        if (!delivery->FindKey({unfinishedDelivery_})) {
            unfinishedDelivery_ = 0;  // removed meanwhile
            return;
        }
    }
    LocateDeliveryStore();
    SetDeliveryReadOnly(false);
    mustFinish_ = true;
}

void TfStorage::bCloseClick(QObject*) { Close(); }

// --- the store tree ------------------------------------------------------------------------

void TfStorage::FillStoreTree()
{
    if (!CheckConnection())
        return;
    TDaoTable* stores = DM->tblStore;
    const TControlsOff linesOff(DM->tblDeliveryDetail);
    TreeView1->Items().Clear();
    dbeStoreName->Items().Clear();
    TTreeNode* root = TreeView1->Items().AddChild(nullptr, QStringLiteral("Складове"));
    int index = 0;
    for (stores->First(); !stores->Eof(); stores->Next()) {
        stores->Edit();
        F(stores, "index")->SetAsInteger(++index);
        stores->Post();
        const QString name = F(stores, "store_name")->AsString();
        TreeView1->Items().AddChild(root, name);
        dbeStoreName->Items().Add(name);
    }
    root->Expand(true);
}

void TfStorage::LocateDeliveryStore()
{
    TDaoTable* delivery = DM->tblDelivery;
    bool found = false;
    if (delivery->Active() && !delivery->IsEmpty()) {
        DM->tblStore->SetKeyFields(QStringLiteral("id"));
        found = DM->tblStore->FindKey({F(delivery, "store_id")->AsInteger()});
    }
    DM->srcStore->SetDataSet(found ? DM->tblStore : nullptr);
}

void TfStorage::TreeView1Change(QObject*, TTreeNode* node)
{
    if (!node || !CheckConnection())
        return;
    const int index = NodeIndex(node);
    DM->tblStore->SetKeyFields(QStringLiteral("index"));
    const bool found = index > 0 && DM->tblStore->FindKey({qint32(index)});
    TDaoTable* delivery = DM->tblDelivery;
    if (found) {
        DM->srcStore->SetDataSet(DM->tblStore);
        delivery->SetMasterAutoActivate(false);
        delivery->MasterFields().Clear();
        delivery->MasterFields().Add(QStringLiteral("store_id -> id"));
        delivery->SetMasterSource(DM->srcStore);
        delivery->SetMasterAutoActivate(true);
        delivery->RequeryIfRestartable();
        eDeliveryID->setEnabled(false);
        if (bSearch->Caption() == kSearchCaption)
            bSearch->setEnabled(false);
        return;
    }
    delivery->SetMasterSource(nullptr);
    eDeliveryID->setEnabled(true);
    if (bSearch->Caption() == kSearchCaption)
        bSearch->setEnabled(true);
    LocateDeliveryStore();
}

void TfStorage::TreeView1Editing(QObject*, TTreeNode* node, bool& allowEdit)
{
    allowEdit = editing_ && node && NodeIndex(node) > 0;
}

void TfStorage::TreeView1Edited(QObject*, TTreeNode* node, QString& text)
{
    if (!CheckConnection())
        return;
    const int index = NodeIndex(node);
    DM->tblStore->SetKeyFields(QStringLiteral("index"));
    if (index <= 0 || !DM->tblStore->FindKey({qint32(index)})) {
        DM->tblDelivery->SetMasterSource(nullptr);
        return;
    }
    dbeStoreName->SetText(text);
    DM->tblStore->Edit();
    F(DM->tblStore, "store_name")->SetAsString(text);
    DM->tblStore->Post();
    DM->VantelDataBase->Idle();
}

void TfStorage::TreeView1DblClick(QObject*)
{
    TTreeNode* node = TreeView1->Selected();
    if (node && NodeIndex(node) > 0)
        dbeStoreName->SetText(node->Text());
}

void TfStorage::bLeftClick(QObject*)
{
    if (!TreeView1->isEnabled())
        return;
    SetHeaderEditsReadOnly(true);
    if (DM->tblDelivery->IsEmpty())
        return;
    DM->tblDelivery->Prior();
    if (!DM->tblDelivery->MasterSource())
        LocateDeliveryStore();
}

void TfStorage::bRightClick(QObject*)
{
    if (!TreeView1->isEnabled())
        return;
    SetHeaderEditsReadOnly(true);
    if (DM->tblDelivery->IsEmpty())
        return;
    DM->tblDelivery->Next();
    if (!DM->tblDelivery->MasterSource())
        LocateDeliveryStore();
}

void TfStorage::eDeliveryIDKeyPress(QObject*, QChar& key)
{
    if (key != QLatin1Char('\r'))
        return;
    bool number = false;
    const qint32 id = eDeliveryID->Text().trimmed().toInt(&number);
    if (!number)
        return;
    DM->tblDelivery->SetKeyFields(QStringLiteral("id"));
    DM->tblDelivery->FindKey({id});
    LocateDeliveryStore();
}

void TfStorage::eDeliveryIDExit(QObject*)
{
    TDaoTable* delivery = DM->tblDelivery;
    eDeliveryID->SetText(delivery->Active() && !delivery->IsEmpty() ? F(delivery, "id")->AsString() : QString());
}

// --- stores --------------------------------------------------------------------------------

void TfStorage::AppendStore()
{
    const QString name = QStringLiteral("Склад") + QString::number(TreeView1->Items().Count());
    DM->tblStore->Append();
    dbeStoreName->SetText(name);
    F(DM->tblStore, "store_name")->SetAsString(name);
    DM->tblStore->Post();
    FillStoreTree();
    SetStoreReadOnly(false);
}

void TfStorage::AddStore1Click(QObject*)
{
    if (Confirm(QStringLiteral("Тази функция добавя нов склад в базата !\rНаистина ли искате това ?")))
        AppendStore();
}

void TfStorage::DelStore1Click(QObject*)
{
    const QString id = CurrentStoreId();
    if (id.isEmpty())
        return;
    const QString failed = QStringLiteral("Поради възникнала грешка, склада не бе премахнат !");
    if (!NothingRefersTo([&id] { return DM->StoreInUse(id.toInt()); },
                         QStringLiteral("Не може да премахнете този склад,\rдокато има доставки свързани с него !"),
                         failed))
        return;
    if (!Confirm(QStringLiteral("Текущия склад ще бъде премахнат !\rНаистина ли искате това ?")))
        return;
    try {
        DM->DeleteStore(id.toInt());
        DM->tblStore->RequeryIfRestartable();
        FillStoreTree();
    } catch (const std::exception&) {
        Tell(failed);
    }
}

void TfStorage::PopupMenu1Popup(QObject*)
{
    const bool unnumbered = StoreSelected() && F(DM->tblStore, "index")->IsNull();
    for (TMenuItem* item : {StoreName1, StoreAddress1, StoreComment1})
        item->SetEnabled(editing_ || unnumbered);
}

void TfStorage::StoreName1Click(QObject*)
{
    if (!editing_) {
        editing_ = true;
        lblEditing->show();
    }
    nameUnlocked_ = true;
    dbeStoreName->SetFocus();
}

void TfStorage::StoreAddress1Click(QObject*)
{
    if (!editing_) {
        editing_ = true;
        lblEditing->show();
    }
    dbeStoreAddres->SetReadOnly(false);
    dbeStoreAddres->SetFocus();
}

void TfStorage::StoreComment1Click(QObject*)
{
    if (!editing_) {
        editing_ = true;
        lblEditing->show();
    }
    dbeComment->SetReadOnly(false);
    dbeComment->SetFocus();
}

void TfStorage::StoreEditExit(QObject* sender)
{
    if (auto* edit = qobject_cast<TDBEdit*>(sender))
        edit->SetReadOnly(true);
    if (DM->tblStore->State() == dsEdit)
        DM->tblStore->Post();
}

void TfStorage::dbeStoreNameKeyPress(QObject*, QChar& key)
{
    if (!nameUnlocked_)
        key = QChar();
}

void TfStorage::dbeStoreNameChange(QObject*) { nameChanged_ = true; }

void TfStorage::dbeStoreNameExit(QObject*)
{
    if (nameChanged_ && StoreSelected()) {
        nameChanged_ = false;
        const QString name = dbeStoreName->Text();
        DM->tblStore->Edit();
        F(DM->tblStore, "store_name")->SetAsString(name);
        DM->tblStore->Post();
        DM->VantelDataBase->Idle();
        FillStoreTree();
    }
    nameUnlocked_ = false;
}

void TfStorage::dbeStoreNameSelect(QObject*)
{
    DM->tblStore->SetKeyFields(QStringLiteral("index"));
    if (!DM->tblStore->FindKey({qint32(dbeStoreName->ItemIndex() + 1)}))
        DM->srcStore->SetDataSet(nullptr);
}

void TfStorage::dbeStoreNameDropDown(QObject*)
{
    if (!editing_ || DM->srcStore->DataSet())
        return;
    DM->srcStore->SetDataSet(DM->tblStore);
    if (DM->tblDelivery->IsEmpty() || DM->tblStore->IsEmpty())
        return;
    DM->tblDelivery->Edit();
    F(DM->tblDelivery, "store_id")->SetAsString(F(DM->tblStore, "id")->AsString());
    DM->tblDelivery->Post();
}

// --- a new delivery and its header ---------------------------------------------------------

void TfStorage::bNewClick(QObject*)
{
    const QString name = StoreSelected() ? F(DM->tblStore, "store_name")->AsString() : QString();
    if (name.isEmpty()) {
        if (TreeView1->Items().Count() <= 1) {
            if (Confirm(QStringLiteral("Трябва да създадете нов склад за доставки !\rИскате ли да го направите сега ?")))
                AppendStore();
        } else if (Messages()) {
            Tell(QStringLiteral("Изберете склад за доставката !"));
        }
        return;
    }
    if (!Confirm(QStringLiteral("Нова доставка за \"%1\" .\rНаистина ли искате това ?").arg(name)))
        return;
    SetDeliveryReadOnly(false);
    TDaoTable* delivery = DM->tblDelivery;
    delivery->Append();
    // The store is required; without a store node's master link nothing else would fill it.
    F(delivery, "store_id")->SetAsString(F(DM->tblStore, "id")->AsString());
    F(delivery, "cashbox_num")->SetAsString(SettingsCashBox());
    delivery->Post();
    unfinishedDelivery_ = F(delivery, "id")->AsInteger();
    mustFinish_ = true;
    TreeView1->setEnabled(false);
    app::LinesPosted = true;
    cDeliveryPiment->SetChecked(true);
}

void TfStorage::cDeliveryPimentClick(QObject*)
{
    if (showingPaid_ || !isVisible())
        return;
    if (!cDeliveryPiment->isEnabled() || paidHintShown_) {
        dbeCashbox->setEnabled(false);
        return;
    }
    dbeCashbox->setEnabled(true);
    paidHintShown_ = true;
    mustFinish_ = true;
    if (Messages())
        Tell(kPaidHint);
}

void TfStorage::HeaderEditExit(QObject* sender)
{
    auto* edit = qobject_cast<TDBEdit*>(sender);
    TDaoTable* delivery = DM->tblDelivery;
    if (!edit || edit->ReadOnly() || !delivery->Active() || delivery->IsEmpty())
        return;
    delivery->Edit();
    app::DeliveryChanged = false;
    delivery->Post();
}

void TfStorage::dbeInvoiceDateEnter(QObject*)
{
    TDaoTable* delivery = DM->tblDelivery;
    if (dbeInvoiceDate->ReadOnly() || !delivery->Active() || delivery->IsEmpty())
        return;
    delivery->Edit();
    F(delivery, "invoice_date")->SetAsFloat(Date());
}

void TfStorage::dbcInvoiceClick(QObject*)
{
    const bool open = dbcInvoice->Checked() && editing_;
    dbeInvoiceNum->setEnabled(open);
    dbeInvoiceDate->setEnabled(open);
}

void TfStorage::edUpDeliveryKeyPress(QObject*, QChar& key)
{
    if (!key.isDigit() && key != QLatin1Char('\b'))
        key = QChar();
}

// --- delivery lines ------------------------------------------------------------------------

void TfStorage::DBGrid1ColExit(QObject*)
{
    TDaoTable* lines = DM->tblDeliveryDetail;
    // A new line not typed into yet stays: the refresh would drop it, and the keys the person
    // types next would change the line above it.
    if (!editing_ || !app::DeliveryChanged || (lines->State() == dsInsert && !lines->Modified()))
        return;
    app::DeliveryChanged = false;
    const TColumn* left = DBGrid1->SelectedColumn();
    if (cbUpDelivery->Checked() && !edUpDelivery->Text().isEmpty() && left &&
        left->FieldName() == QLatin1String("delivery_price") && HasRow(lines)) {
        const int percent = edUpDelivery->Text().toInt();
        const double price = MarkedUpPrice(F(lines, "delivery_price")->AsFloat(), percent);
        const TField* sale = F(lines, "sale_price");
        const bool write =
            sale->IsNull() || sale->AsFloat() == 0 || (!Messages() && !Warnings()) ||
            ShowWarning(
                QStringLiteral("Искате ли продажната цена да бъде с \r%1% по-висока от доставната ?").arg(percent), true);
        if (write) {
            lines->Edit();
            F(lines, "sale_price")->SetAsFloat(price);
        }
    }
    const TControlsOff linesOff(lines);
    try {
        lines->Refresh();
    } catch (const EDaoError& error) {
        // Another station changed the line meanwhile: this change was not saved and never can
        // be, so the line is read again as it now stands, for the person to repeat the change.
        if (error.Number() != dao::errWriteConflict)
            throw;
        lines->Cancel();
        lines->Refresh();
        throw;
    }
}

void TfStorage::DBGrid1KeyPress(QObject*, QChar& key)
{
    const TColumn* column = DBGrid1->SelectedColumn();
    if (key != QLatin1Char('-') || !column)
        return;
    const QString field = column->FieldName();
    if (field == QLatin1String("delivery_price") || field == QLatin1String("delivery_quantity") ||
        field == QLatin1String("sale_price"))
        key = QChar();
}

void TfStorage::DBGrid1KeyDown(QObject* sender, int& key, Qt::KeyboardModifiers shift)
{
    if (key == Qt::Key_Return || key == Qt::Key_Enter) {
        key = 0;
        DBGrid1EditButtonClick(sender);
    } else if (key == Qt::Key_Escape) {
        key = 0;
        bClose->SetFocus();
    } else if (key == Qt::Key_Tab && !(shift & Qt::ShiftModifier)) {
        key = 0;
        bNew->SetFocus();
    }
}

void TfStorage::DBGrid1EditButtonClick(QObject*)
{
    if (DBGrid1->ReadOnly() || !fArticlesGrouped)
        return;
    DM->tblFiFoQuery->SetFiltered(false);
    DM->tblFiFoQuery->Requery();
    TDaoTable* lines = DM->tblDeliveryDetail;
    const TField* name = HasRow(lines) ? F(lines, "article_name") : nullptr;
    fArticlesGrouped->ShowAsPicker(name && !name->IsNull() ? name->AsString() : QString());
}

void TfStorage::tbxArtNomChange(QObject*)
{
    SearchKeyQuietly(DM->tblDeliveryDetail, QStringLiteral("article_code"), tbxArtNom->Text());
}

void TfStorage::tbxSearchValueChange(QObject*)
{
    SearchKeyQuietly(DM->tblDeliveryDetail, QStringLiteral("article_name"), tbxSearchValue->Text());
}

void TfStorage::SearchBoxKeyDown(QObject*, int& key, Qt::KeyboardModifiers)
{
    if (key != Qt::Key_Escape)
        return;
    key = 0;
    bClose->SetFocus();
}

void TfStorage::PopupMenu2Popup(QObject*) { UpdateLineMenu(); }

void TfStorage::Add1Click(QObject* sender)
{
    if (!editing_)
        return;
    // The cell being typed into goes into its line first: the markup rule reads the line again
    // with the grid's controls off, which would drop the text still in the editor.
    if (!DBGrid1->StoreEditor())
        return;
    DBGrid1ColExit(sender);
    // A new line starts in its article number, whatever column the last one was left in.
    DBGrid1->SetSelectedIndex(0);
    DM->tblDeliveryDetail->Append();
}

void TfStorage::Delete1Click(QObject*)
{
    if (!editing_ || !Messages())
        return;
    if (!ShowWarning(QStringLiteral("Текущия ред от таблицата ще бъде премахнат !\rНаистина ли искате това ?"),
                                 true))
        return;
    TDaoTable* lines = DM->tblDeliveryDetail;
    const QString id = lines->Active() && !lines->IsEmpty() ? F(lines, "id")->AsString() : QString();
    if (id.isEmpty()) {
        Tell(QStringLiteral("В това поле не се съдържат записи !"));
        return;
    }
    if (!NothingRefersTo([&id] { return DM->DeliveryLineInUse(id.toInt()); },
                         QStringLiteral("Не може да изтривате този ред,\rдокато има поръчки свързани към него !"),
                         kNotDeleted))
        return;
    try {
        DM->DeleteDeliveryLine(id.toInt());
        lines->RequeryIfRestartable();
        // The header shows the totals of the lines that are left.
        DM->tblQDeliveryTotal->Requery();
    } catch (const std::exception&) {
        Tell(kNotDeleted);
    }
}

// --- finishing, deleting, editing ----------------------------------------------------------

void TfStorage::bAddClick(QObject*)
{
    if (!CheckConnection())
        return;
    TDaoTable* delivery = DM->tblDelivery;
    TDaoTable* lines = DM->tblDeliveryDetail;
    // A delivery without lines has no name either: there is nothing to finish.
    if (!HasRow(lines) || F(lines, "article_name")->AsString().isEmpty()) {
        Tell(QStringLiteral("Не сте въвели име на номенклатура !"));
        return;
    }
    const bool any = delivery->Active() && !delivery->IsEmpty();
    const bool wasPaid = any && F(delivery, "delivery_piment")->AsBoolean();
    const qint32 finishing = any ? F(delivery, "id")->AsInteger() : 0;
    const bool stamp = app::LinesPosted || mustFinish_;
    TControlsOff linesOff(lines);
    try {
        // The paid mark, the stamps and the totals are stored together or not at all.
        TDaoTransaction transaction(*DM->VantelDataBase);
        if (editing_ && any)
            StorePaidMark();
        if (stamp)
            StampFinishedDelivery(wasPaid);
        transaction.Commit();
    } catch (const EAbort&) {
        // A value the header refused: it has been said, and the edit keeps it to put right.
        return;
    } catch (const std::exception&) {
        linesOff.Enable();
        FinishFailed();
        return;
    }
    SetHeaderEditsReadOnly(true);
    SetStoreReadOnly(true);
    if (!stamp)
        return;
    if (finishing == unfinishedDelivery_)
        unfinishedDelivery_ = 0;
    if (Messages())
        Tell(QStringLiteral("Доставката бе приключена !"));
    TreeView1->setEnabled(true);
    SetDeliveryReadOnly(true);
    app::LinesPosted = false;
    mustFinish_ = false;
    delivery->Last();
}

// Nothing half-stamped stays pending for the next move to post; the flags stay, so closing still
// asks to finish.
void TfStorage::FinishFailed()
{
    for (TDataSet* dataSet : {static_cast<TDataSet*>(DM->tblStore), static_cast<TDataSet*>(DM->tblDelivery)})
        if (dataSet->State() == dsEdit)
            dataSet->Cancel();
    Tell(QStringLiteral("Поради възникнала грешка,\rдоставката не може да се приключи !"));
}

void TfStorage::StorePaidMark()
{
    TDaoTable* delivery = DM->tblDelivery;
    delivery->Edit();
    if (StoreSelected())
        F(delivery, "store_id")->SetAsString(F(DM->tblStore, "id")->AsString());
    F(delivery, "delivery_piment")->SetAsBoolean(cDeliveryPiment->Checked());
    delivery->Post();
    StopPoint(kFinishStop);
}

void TfStorage::StampFinishedDelivery(bool wasPaid)
{
    TDaoTable* delivery = DM->tblDelivery;
    TDaoTable* lines = DM->tblDeliveryDetail;
    const qint32 finishing = F(delivery, "id")->AsInteger();
    if (StoreSelected()) {
        DM->tblStore->Edit();
        DM->tblStore->Post();
        StopPoint(kFinishStop);
        // The store's post reads its deliveries again from their first: the one being finished
        // is found again, and no other is stamped.
        if (F(delivery, "id")->AsInteger() != finishing &&
            !delivery->Locate(QStringLiteral("id"), TVariant(finishing), {}))
            throw Exception(QStringLiteral("Доставката не бе намерена !"));
    }
    delivery->Edit();
    const TDaoTable* totals = DM->tblQDeliveryTotal;
    if (totals->Active() && !totals->IsEmpty()) {
        F(delivery, "delivery_tax_value")->SetValue(F(DM->tblQDeliveryTotal, "DeliveryTaxValue")->Value());
        F(delivery, "delivery_sum")->SetValue(F(DM->tblQDeliveryTotal, "DeliverySum")->Value());
    }
    F(delivery, "seller_id")->SetAsString(app::CurrentSellerId);
    F(delivery, "last_modified")->SetAsFloat(Now());
    if (cDeliveryPiment->Checked()) {
        // A delivery paid before keeps the box its money went out of.
        TField* box = F(delivery, "cashbox_num");
        if (!wasPaid || box->IsNull() || box->AsInteger() == 0)
            box->SetAsString(SettingsCashBox());
        F(delivery, "delivery_piment")->SetAsBoolean(true);
    }
    delivery->Post();
    StopPoint(kFinishStop);
    TApplication::ProcessMessages();
    if (HasRow(lines)) {
        lines->Edit();
        if (StoreSelected())
            F(lines, "store_id")->SetAsString(F(DM->tblStore, "id")->AsString());
        F(lines, "delivery_id")->SetAsString(F(delivery, "id")->AsString());
        lines->Post();
        StopPoint(kFinishStop);
    }
}

void TfStorage::bDelClick(QObject*)
{
    TDaoTable* delivery = DM->tblDelivery;
    if (!delivery->Active() || delivery->IsEmpty() || !ChangeSaleData())
        return;
    const qint32 id = F(delivery, "id")->AsInteger();
    if (!NothingRefersTo([id] { return DM->DeliveryInUse(id); },
                         QStringLiteral("Не може да изтривате тази доставка,\rдокато има компоненти свързани към нея !"),
                         kNotDeleted))
        return;
    if (!Confirm(QStringLiteral("Текущата доставка ще бъде премахната !\rНаистина ли искате това ?")))
        return;
    try {
        DM->DeleteDelivery(id);
        if (id == unfinishedDelivery_) {
            unfinishedDelivery_ = 0;
            LeaveDeliveryUnfinished();
        }
        delivery->RequeryIfRestartable();
    } catch (const std::exception&) {
        Tell(kNotDeleted);
    }
}

void TfStorage::bSearchClick(QObject*)
{
    if (bSearch->Caption() == kEditCaption) {
        if (!ChangeSaleData())
            return;
        TreeView1->setEnabled(true);
        SetDeliveryReadOnly(false);
    } else if (fDeliverySearchForm) {
        fDeliverySearchForm->ShowModal();
    }
}
