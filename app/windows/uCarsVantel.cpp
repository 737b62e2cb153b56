#include "app/windows/uCarsVantel.h"

#include "app/datamodule/DModule.h"
#include "app/datamodule/TemplateDatabase.h"
#include "app/util/AppGlobals.h"
#include "app/util/DatabaseCopy.h"
#include "app/util/Placing.h"
#include "app/windows/About.h"
#include "app/windows/uEmployee.h"
#include "app/windows/uMyMessage.h"
#include "app/windows/uPassDlg.h"
#include "app/windows/uSetings.h"
#include "controls/FlatButton.h"
#include "controls/Viewcomb.h"
#include "dataaccess/DaoConnectionCheck.h"
#include "dataaccess/DaoDataBase.h"
#include "dataaccess/DaoInfo.h"
#include "dataaccess/DaoTable.h"
#include "platform/os/Files.h"
#include "platform/toolkit/Fields.h"
#include "platform/toolkit/gui/Application.h"
#include "platform/toolkit/gui/ImageList.h"
#include "platform/toolkit/gui/Menus.h"
#include "platform/toolkit/gui/Shell.h"
#include "platform/toolkit/gui/StandardControls.h"
#include "platform/toolkit/gui/ToolBar.h"

#include <QDir>
#include <QFile>
#include <QMenuBar>
#include <QRegularExpression>
#include <QLayout>
#include <QStyle>
#include <QVBoxLayout>
#include <QTextStream>

TfCarVantel* fCarVantel = nullptr;

namespace {

constexpr int kToolBarWidth = 42;

template <class TBox>
bool SettingOn(TBox* TfSetings::*box)
{
    return fSetings && (fSetings->*box)->Checked();
}

// The datasets the login opens, in their order.
std::vector<TDataSet*> OpenedDatasets()
{
    return {DM->tblSale,           DM->tblSaleDetail, DM->tblCar,          DM->tblClient,
            DM->tblArticleTotalQuery, DM->tblMyFirm, DM->tblSaleTotalQuery, DM->tblMark,
            DM->tblModel,          DM->tblEmployee,   DM->tblEmployeePayment, DM->tblEmployeeWork,
            DM->tblDeliveryDetail, DM->tblQTAQAll,    DM->tblMyQuty,       DM->tblArticle,
            DM->tblStore,          DM->tblDelivery,   DM->tblFiFoQuery,    DM->tblLogins,
            DM->tblSeller,         DM->tblQDeliveryTotal, DM->tblCashTakings, DM->tblCashGiveIn};
}

void LinkDetail(TDaoTable* detail, TDataSource* master, const QString& link)
{
    detail->Close();
    detail->MasterFields().Clear();
    detail->MasterFields().Add(link);
    detail->SetMasterSource(master);
    detail->Open();
}

// Goes to the row of `dataset` whose `id` is `id`; false when there is none.
bool GotoId(TDataSet* dataset, qint32 id)
{
    for (dataset->First(); !dataset->Eof(); dataset->Next())
        if (dataset->FieldByName(QStringLiteral("id"))->AsInteger() == id) return true;
    return false;
}

bool IsPlainName(const QString& name)
{
    static const QRegularExpression plain(QStringLiteral("^[A-Za-z_][A-Za-z0-9_]*$"));
    return plain.match(name).hasMatch();
}

bool IsSqlLiteral(const QString& value)
{
    static const QRegularExpression literal(
        QStringLiteral("^\\s*(-?[0-9]+(\\.[0-9]+)?|'([^']|'')*'|\"([^\"]|\"\")*\"|True|False)\\s*$"),
        QRegularExpression::CaseInsensitiveOption);
    return literal.match(value).hasMatch();
}

}  // namespace

TfCarVantel::TfCarVantel(QWidget* parent) : TForm(parent)
{
    setObjectName(QStringLiteral("fCarVantel"));
    SetBorderStyle(bsSingle);
    SetPosition(poScreenCenter);
    SetHelpContext(1);
    resize(784, 509);

    // The menu bar takes the top; everything else sits on the client area below it.
    auto* frame = new QVBoxLayout(this);
    frame->setContentsMargins(0, 0, 0, 0);
    frame->setSpacing(0);
    Client = new QWidget(this);
    Client->setObjectName(QStringLiteral("Client"));
    frame->addWidget(Client);

    BuildMenu();
    BuildButtonColumn();
    BuildOrderPanels();
    BuildToolBar();
    // The order area keeps its height below the menu bar.
    resize(width(), 509 + Menu()->MenuBar(this)->sizeHint().height());

    OnCreate = [this](QObject* s) { FormCreate(s); };
    OnShow = [this](QObject* s) { FormShow(s); };
    OnCloseQuery = [this](QObject* s, bool& canClose) { FormCloseQuery(s, canClose); };
    OnClose = [this](QObject* s, TCloseAction& a) { FormClose(s, a); };
    OnResize = [this](QObject* s) { FormResize(s); };

    if (!fCarVantel) fCarVantel = this;
}

TfCarVantel::~TfCarVantel()
{
    if (fCarVantel == this) fCarVantel = nullptr;
}

void TfCarVantel::BuildMenu()
{
    MainMenu1 = new TMainMenu(this);
    MainMenu1->setObjectName(QStringLiteral("MainMenu1"));
    const auto top = [this](const char* name, const char* caption) {
        return PlaceMenuItem(this, MainMenu1->Items(), name, QString::fromUtf8(caption));
    };
    const auto sub = [this](TMenuItem* parent, const char* name, const char* caption, const char* shortCut = "") {
        auto* item = PlaceMenuItem(this, parent, name, QString::fromUtf8(caption));
        item->SetShortCut(TextToShortCut(QString::fromLatin1(shortCut)));
        return item;
    };

    Action1 = top("Action1", "&Операции   ");
    New1 = sub(Action1, "New1", "&Нова поръчка", "F5");
    sub(Action1, "N13", "-");
    Refresh1 = sub(Action1, "Refresh1", "Преиз&числи", "F12");
    Commit1 = sub(Action1, "Commit1", "Пр&иключване", "F2");
    sub(Action1, "N1", "-");
    Rollback1 = sub(Action1, "Rollback1", "&Редакция", "Ctrl+E");
    Append1 = sub(Action1, "Append1", "&Добави ред", "Ctrl+Ins");
    Dell1 = sub(Action1, "Dell1", "Пр&емахни ред", "Ctrl+Del");
    sub(Action1, "N7", "-");
    N19 = sub(Action1, "N19", "Пър&ви", "Ctrl+F");
    Next1 = sub(Action1, "Next1", "&Следващ", "Ctrl+N");
    Previous1 = sub(Action1, "Previous1", "Преди&шен", "Ctrl+B");
    N20 = sub(Action1, "N20", "Пос&леден", "Ctrl+L");
    sub(Action1, "N17", "-");
    Refresh2 = sub(Action1, "Refresh2", "Опрес&ни", "F9");
    sub(Action1, "N2", "-");
    Print3 = sub(Action1, "Print3", "&Печат", "F7");
    sub(Action1, "N6", "-");
    Connect1 = sub(Action1, "Connect1", "Дос&тъп");
    Exit1 = sub(Action1, "Exit1", "&Изход");

    Tools1 = top("Tools1", "&Данни  ");
    N10 = sub(Tools1, "N10", "&Фирми");
    Employee1 = sub(Tools1, "Employee1", "&Персонал");
    Banks1 = sub(Tools1, "Banks1", "&Склад");
    Client1 = sub(Tools1, "Client1", "&Клиенти");
    Auto1 = sub(Tools1, "Auto1", "&Автомобили");
    N8 = sub(Tools1, "N8", "&Марки и модели");

    N12 = top("N12", "О&тчети  ");
    Articles1 = sub(N12, "Articles1", "&Налични номенклатури");
    N14 = sub(N12, "N14", "&Доставяни материали");
    Availability1 = sub(N12, "Availability1", "Н&аличност");
    CacheBox1 = sub(N12, "CacheBox1", "&Каса");
    CashFinish1 = sub(N12, "CashFinish1", "&Приключвания на каса");
    N21 = sub(N12, "N21", "П&ечалба за период");

    N9 = top("N9", "&Инструменти  ");
    Find1 = sub(N9, "Find1", "&Търси ...");
    sub(N9, "N3", "-");
    SpeedButtons1 = sub(N9, "SpeedButtons1", "&Бързи бутони");
    SpeedButtons1->SetChecked(true);
    sub(N9, "N11", "-");
    Settings1 = sub(N9, "Settings1", "&Настройки", "Ctrl+S");

    Help1 = top("Help1", "&Помощ  ");
    Contents1 = sub(Help1, "Contents1", "&Съдържание");
    About1 = sub(Help1, "About1", "&За програмата");
    N18 = sub(Help1, "N18", "&Нова версия");

    Language1 = top("Language1", "&Language");
    English1 = sub(Language1, "English1", "&English");
    Bulgarian1 = sub(Language1, "Bulgarian1", "&Bulgarian");
    Bulgarian1->SetChecked(true);
    Language1->SetVisible(false);

    SetMenu(MainMenu1);

    Connect1->OnClick = [this](QObject* s) { Connect1Click(s); };
    Exit1->OnClick = [this](QObject* s) { Exit1Click(s); };
    SpeedButtons1->OnClick = [this](QObject* s) { SpeedButtons1Click(s); };
    N9->OnClick = [this](QObject* s) { N9Click(s); };
    Settings1->OnClick = [this](QObject* s) { Settings1Click(s); };
    Contents1->OnClick = [this](QObject* s) { Contents1Click(s); };
    About1->OnClick = [this](QObject* s) { About1Click(s); };
    N18->OnClick = [this](QObject* s) { N18Click(s); };
    English1->OnClick = [this](QObject* s) { English1Click(s); };
    Bulgarian1->OnClick = [this](QObject* s) { Bulgarian1Click(s); };
    Employee1->OnClick = [this](QObject* s) { Employee1Click(s); };

    // Commands whose windows the program does not have yet: shown, but not offered.
    for (TMenuItem* item : {New1, Refresh1, Commit1, Rollback1, Append1, Dell1, N19, Next1, Previous1, N20, Refresh2,
                            Print3, N10, Banks1, Client1, Auto1, N8, Articles1, N14, Availability1,
                            CacheBox1, CashFinish1, N21, Find1})
        item->SetEnabled(false);
}

void TfCarVantel::BuildToolBar()
{
    ToolBar1 = new TToolBar(Client);
    ToolBar1->setObjectName(QStringLiteral("ToolBar1"));
    ToolBar1->setOrientation(Qt::Vertical);
    ToolBar1->SetFlat(true);
    ToolBar1->setGeometry(width() - kToolBarWidth, 0, kToolBarWidth, height());
    auto* pictures = new TImageList(this);
    pictures->setObjectName(QStringLiteral("ImageList1"));
    pictures->SetWidth(24);
    pictures->SetHeight(24);
    const QStyle::StandardPixmap looks[] = {
        QStyle::SP_FileDialogDetailedView, QStyle::SP_DialogSaveButton,   QStyle::SP_MediaSkipBackward,
        QStyle::SP_MediaSeekBackward,      QStyle::SP_MediaSeekForward,   QStyle::SP_MediaSkipForward,
        QStyle::SP_FileIcon,               QStyle::SP_TrashIcon,          QStyle::SP_FileDialogContentsView,
        QStyle::SP_ComputerIcon,           QStyle::SP_FileDialogListView, QStyle::SP_DialogHelpButton,
        QStyle::SP_DriveNetIcon};
    for (QStyle::StandardPixmap look : looks)
        pictures->Add(style()->standardIcon(look).pixmap(24, 24).toImage());
    ToolBar1->SetImages(pictures);
    using THandler = void (TfCarVantel::*)(QObject*);
    const struct {
        const char* caption;
        THandler handler;  // none: its window is not in the program yet
    } buttons[] = {
        {"Редакция", nullptr}, {"Запис", nullptr},        {"Първи", nullptr},
        {"Предишен", nullptr}, {"Следващ", nullptr},      {"Последен", nullptr},
        {"Нова поръчка", nullptr}, {"Премахни поръчка", nullptr}, {"Търсене", nullptr},
        {"Печат", nullptr},    {"Настройки", &TfCarVantel::Settings1Click}, {"Помощ", &TfCarVantel::Contents1Click},
        {"Достъп", &TfCarVantel::Connect1Click},
    };
    int picture = 0;
    for (const auto& b : buttons) {
        auto* button = new TToolButton(ToolBar1);
        button->setObjectName(QStringLiteral("ToolButton%1").arg(picture + 1));
        button->SetCaption(QString::fromUtf8(b.caption));
        button->SetImageIndex(picture++);
        button->SetHint(QString::fromUtf8(b.caption));
        if (b.handler)
            button->OnClick = [this, handler = b.handler](QObject* s) { (this->*handler)(s); };
        else
            button->setEnabled(false);
    }
    ToolBar1->SetButtonSize(43, 39);
    // Thirteen buttons of 39 pixels fill the window's height exactly.
    ToolBar1->layout()->setSpacing(0);
    ToolBar1->layout()->setContentsMargins(0, 0, 0, 0);
    ToolBar1->setStyleSheet(QStringLiteral("QToolBar { spacing: 0px; padding: 0px; border: 0px; }"));
}

void TfCarVantel::BuildButtonColumn()
{
    Panel2 = Place<TPanel>(Client, "Panel2", 0, 0, 140, 488);
    Panel2->SetHelpContext(1000);
    stCashBox = Place<TLabel>(Panel2, "stCashBox", QStringLiteral("КАСА № 1"), 8, 6, 124, 18);
    QFont bold = stCashBox->font();
    bold.setBold(true);
    stCashBox->setFont(bold);
    struct Button {
        TFlatButton** button;
        const char* name;
        const char* caption;
    } buttons[] = {
        {&fbtEmployee, "fbtEmployee", "П&ерсонал"},           {&fbtStore, "fbtStore", "&Склад"},
        {&fbtAppend, "fbtAppend", "&Нова поръчка"},           {&fbtViewDelivery, "fbtViewDelivery", "&Преглед проформа"},
        {&fbtFinish, "fbtFinish", "&Приключване"},            {&fbtAnnul, "fbtAnnul", "&Анулиране"},
        {&fbtPrintInvoice, "fbtPrintInvoice", "&Печат фактура"}, {&fbtPrintOrder, "fbtPrintOrder", "&Печат поръчка"},
        {&fbtSafe, "fbtSafe", "&Каса"},                       {&fbtFirms, "fbtFirms", "&Фирма"},
        {&fbtPrintTask, "fbtPrintTask", "&Печат задание"},    {&FlatButton1, "FlatButton1", "&Изход"},
    };
    int top = 28;
    for (const Button& b : buttons) {
        *b.button = Place<TFlatButton>(Panel2, b.name, QString::fromUtf8(b.caption), 8, top, 124, 26);
        top += 30;
    }
    FlatButton1->OnClick = [this](QObject* s) { FlatButton1Click(s); };
    fbtEmployee->OnClick = [this](QObject* s) { Employee1Click(s); };
    // Their windows are not in the program yet.
    for (TFlatButton* button : {fbtStore, fbtAppend, fbtViewDelivery, fbtFinish, fbtAnnul, fbtPrintInvoice,
                                fbtPrintOrder, fbtSafe, fbtFirms, fbtPrintTask})
        button->setEnabled(false);
    pnlMyFirm = Place<TPanel>(Panel2, "pnlMyFirm", 8, top + 4, 124, 56);
    pnlMyFirm->SetBevelOuter(bvLowered);
    cbxMol = Place<TCheckBox>(Panel2, "cbxMol", QStringLiteral("Съставил = МОЛ"), 8, top + 64, 128, 20);
}

void TfCarVantel::BuildOrderPanels()
{
    const int left = 148;
    const int right = width() - kToolBarWidth - 8;
    gbCar = Place<TGroupBox>(Client, "gbCar", QStringLiteral(" Автомобил "), left, 4, (right - left) / 2 - 4, 150);
    gbClient = Place<TGroupBox>(Client, "gbClient", QStringLiteral(" Клиент "), left + (right - left) / 2 + 4, 4,
                                (right - left) / 2 - 4, 150);
    pnlLines = Place<TPanel>(Client, "pnlLines", left, 160, right - left, 222);
    pnlLines->SetBevelOuter(bvLowered);
    pnlLines->SetHelpContext(1000);
    Panel3 = Place<TPanel>(Client, "Panel3", left, 388, right - left, 96);
    Panel3->SetHelpContext(1000);
    cbxInvoice = Place<TCheckBox>(Panel3, "cbxInvoice", QStringLiteral("Издаване на фактура"), 8, 8, 200, 20);
    cbxAnnul = Place<TCheckBox>(Panel3, "cbxAnnul", QStringLiteral("Анулирана ф-ра/п-ка"), 8, 30, 200, 20);
    cbxFinnished = Place<TCheckBox>(Panel3, "cbxFinnished", QStringLiteral("Приключена сметка"), 8, 52, 200, 20);
    cbxFinnished->setEnabled(false);
    cbxPayed = Place<TCheckBox>(Panel3, "cbxPayed", QStringLiteral("Платена ф-ра/п-ка"), 8, 74, 200, 20);
    lblEditing = Place<TLabel>(Panel3, "lblEditing", QStringLiteral("Редактиране"), 240, 8, 200, 20);
    lblEditing->SetFontColor(8421631);
    lblEditing->hide();
}

// --- the shared routines -----------------------------------------------------------------------

bool TfCarVantel::ShowWarning(const QString& text, bool withCancel)
{
    if (!fMyMessage) return MessageDlg(text, mtWarning, withCancel ? mbYesNo : mbOK) == mrYes;
    fMyMessage->Label1->SetCaption(text);
    fMyMessage->CancelBtn->setVisible(withCancel);
    if (const TForm* active = Screen().ActiveForm()) {
        fMyMessage->move(active->x() + active->width() / 2 - fMyMessage->width() / 2,
                         active->y() + active->height() / 2 - fMyMessage->height() / 2);
    }
    TApplication::ProcessMessages();
    return fMyMessage->ShowModal() == mrYes;
}

bool TfCarVantel::CheckConnection()
{
    bool answers = false;
    try {
        if (DM->CheckDatabase) DM->CheckDatabase->SetActive(true);
        answers = (!DM->CheckDatabase || DM->CheckDatabase->Active()) && DM->VantelDataBase->Connected() &&
                  FileExists(ResolveFileNameCase(DM->VantelDataBase->Database()));
    } catch (const std::exception&) {
        answers = false;
    }
    if (answers) return true;
    if (ShowWarning(QStringLiteral("Няма връзка с базата данни !\rИскате ли да я възтановите ?"), true) &&
        fPasswordDlg) {
        if (DM->CheckDatabase) DM->CheckDatabase->SetActive(false);
        fPasswordDlg->ShowModal();
    }
    return false;
}

bool TfCarVantel::RecordExists(const QString& table, const QString& field, const QString& value)
{
    if (!IsPlainName(table) || !IsPlainName(field) || !IsSqlLiteral(value)) return false;
    TDaoTable* query = DM->tblMyPersonalQuery;
    bool found = false;
    try {
        query->Close();
        query->SQL().Clear();
        query->SQL().Add(QStringLiteral("SELECT id FROM %1 WHERE %2=%3").arg(table, field, value.trimmed()));
        query->Open();
        TApplication::ProcessMessages();
        DM->VantelDataBase->Idle();
        found = !query->IsEmpty() && !query->Fields().Fields(0)->IsNull();
    } catch (const std::exception&) {
        found = false;
    }
    try {
        query->Close();
    } catch (const std::exception&) {
    }
    return found;
}

bool TfCarVantel::IsEmptyDate(const QString& text)
{
    return text == QLatin1String("  .  .    ") || text == QLatin1String("  /  /    ") ||
           text == QLatin1String("  -  -    ");
}

QString TfCarVantel::QuotedSqlText(const QString& text)
{
    return QLatin1Char('\'') + QString(text).replace(QLatin1Char('\''), QLatin1String("''")) + QLatin1Char('\'');
}

bool TfCarVantel::ToolBarShown() const
{
    return !ToolBar1->isHidden();
}

void TfCarVantel::HideToolBar()
{
    if (!ToolBarShown()) return;
    ToolBar1->hide();
    resize(width() - ToolBar1->width(), height());
}

void TfCarVantel::ShowToolBar()
{
    if (ToolBarShown()) return;
    resize(width() + ToolBar1->width(), height());
    ToolBar1->show();
}

// --- connecting --------------------------------------------------------------------------------

bool TfCarVantel::ConnectDatabase(const QString& fileName, TDaoDatabase* database)
{
    if (database->Connected()) return true;
    try {
        // "CarVantel.MDB" names the file "CarVantel.mdb"; a missing file stays missing.
        database->SetDatabase(ResolveFileNameCase(ExpandFileName(fileName)));
        database->SetDatabasePassword(QString::fromLatin1(shopschema::kDatabasePassword));
        database->SetConnected(true);
        TApplication::ProcessMessages();
        return true;
    } catch (const std::exception& error) {
        try {
            database->SetConnected(false);
        } catch (const std::exception&) {
        }
        database->GetLastDaoError(app::LastDaoError);
        if (app::LastDaoError.Description.isEmpty()) app::LastDaoError.Description = QString::fromUtf8(error.what());
        return false;
    }
}

bool TfCarVantel::FindSeller(const QString& name, const QString& password)
{
    TDaoTable* seller = DM->tblSeller;
    for (seller->First(); !seller->Eof(); seller->Next()) {
        if (seller->FieldByName(QStringLiteral("seller_name"))->AsString() != name) continue;
        if (password.isEmpty() || seller->FieldByName(QStringLiteral("seller_password"))->AsString() == password)
            return true;
    }
    return false;
}

void TfCarVantel::FindOrAddSeller(const QString& name, const QString& password)
{
    if (FindSeller(name, password)) return;
    TDaoTable* seller = DM->tblSeller;
    seller->Append();
    seller->FieldByName(QStringLiteral("seller_name"))->SetAsString(name);
    if (!password.isEmpty()) seller->FieldByName(QStringLiteral("seller_password"))->SetAsString(password);
    seller->FieldByName(QStringLiteral("created_time"))->SetAsDateTime(Now());
    seller->Post();
}

void TfCarVantel::CloseOpenedDatasets()
{
    for (TDataSet* dataset : OpenedDatasets()) {
        try {
            dataset->Close();
        } catch (const std::exception&) {
        }
    }
}

bool TfCarVantel::OpenDatasets(QString* failure)
{
    THourglass hourglass;
    try {
        if (DM->CheckDatabase) DM->CheckDatabase->SetActive(true);
        DM->tblSale->Open();
        LinkDetail(DM->tblSaleDetail, DM->srcSale, QStringLiteral("sale_id -> id"));
        for (TDataSet* dataset : std::initializer_list<TDataSet*>{DM->tblCar, DM->tblClient, DM->tblArticleTotalQuery,
                                                                  DM->tblMyFirm, DM->tblSaleTotalQuery, DM->tblMark,
                                                                  DM->tblModel, DM->tblEmployee})
            dataset->Open();
        LinkDetail(DM->tblEmployeePayment, DM->srcEmployee, QStringLiteral("employee_id -> id"));
        LinkDetail(DM->tblEmployeeWork, DM->srcEmployee, QStringLiteral("employee_id -> id"));
        for (TDataSet* dataset : std::initializer_list<TDataSet*>{DM->tblDeliveryDetail, DM->tblQTAQAll, DM->tblMyQuty,
                                                                  DM->tblArticle, DM->tblStore})
            dataset->Open();
        LinkDetail(DM->tblDelivery, DM->srcStore, QStringLiteral("store_id -> id"));
        for (TDataSet* dataset : std::initializer_list<TDataSet*>{DM->tblFiFoQuery, DM->tblLogins, DM->tblSeller,
                                                                  DM->tblQDeliveryTotal, DM->tblCashTakings,
                                                                  DM->tblCashGiveIn})
            dataset->Open();

        app::PerArticle = SettingOn(&TfSetings::rbtFiFo);
        ShowCurrentSale();

        FindOrAddSeller(fPasswordDlg ? fPasswordDlg->eLoginName->Text() : QString(), app::OperatorPassword);
        TApplication::ProcessMessages();
        DM->VantelDataBase->Idle();
        app::CurrentSellerId = DM->tblSeller->FieldByName(QStringLiteral("id"))->AsString();

        bool ok = false;
        const int cashBox = fSetings ? fSetings->cbxCashBoxNum->Text().toInt(&ok) : 1;
        TDaoTable* logins = DM->tblLogins;
        logins->Append();
        logins->FieldByName(QStringLiteral("seller_id"))->SetAsString(app::CurrentSellerId);
        logins->FieldByName(QStringLiteral("cashebox_num"))->SetAsInteger(ok ? cashBox : 1);
        logins->FieldByName(QStringLiteral("login_time"))->SetAsDateTime(Now());
        logins->Post();
        app::CurrentLoginId = logins->FieldByName(QStringLiteral("id"))->AsInteger();

        if (DM->dbInfo) {
            DM->dbInfo->SetDatabase(DM->VantelDataBase->Database());
            DM->dbInfo->SetDaoInfoDll(ProgramFolder() + QStringLiteral("Msldbusr.dll"));
            DM->dbInfo->SetActive(true);
        }
        if (DM->tblSale->ControlsDisabled()) DM->tblSale->EnableControls();
        return true;
    } catch (const std::exception& error) {
        try {
            if (DM->CheckDatabase) DM->CheckDatabase->SetActive(false);
        } catch (const std::exception&) {
        }
        if (DM->dbInfo) DM->dbInfo->SetActive(false);
        CloseOpenedDatasets();
        if (failure) *failure = QString::fromUtf8(error.what());
        return false;
    }
}

// --- the order list ----------------------------------------------------------------------------

void TfCarVantel::BuildSaleFilter(QString& filter)
{
    filter.clear();
    if (!fSetings) return;
    QString separator = QStringLiteral("(");
    const auto term = [&](const QString& text) {
        filter += separator + text;
        separator = QStringLiteral(" AND ");
    };
    if (fSetings->cbxOnlythisF->Checked()) term(QStringLiteral("[myfirm_id]=") + QString::number(app::CurrentFirmId));
    if (fSetings->cbxOnlythisCash->Checked()) term(QStringLiteral("[cashbox_num]=") + fSetings->cbxCashBoxNum->Text());
    if (fSetings->cbxDontShowAnullDock->Checked()) term(QStringLiteral("[invoice_annul]=False"));
    if (!fSetings->cbxShowUPayed->Checked()) term(QStringLiteral("[invoice_piment]=True"));
    if (!filter.isEmpty()) filter += QLatin1Char(')');
}

void TfCarVantel::ShowCurrentSale()
{
    if (!CheckConnection()) return;
}

void TfCarVantel::FinishOrder()
{
}

// --- shut-down ---------------------------------------------------------------------------------

QString TfCarVantel::BackupFileName(TDateTime today, const QString& archiveCount)
{
    const QString day = FormatDateTime(QStringLiteral("dd"), today);
    int digit = day.size() > 1 && day.at(1).isDigit() ? day.at(1).digitValue() : 1;
    bool ok = false;
    int count = archiveCount.trimmed().toInt(&ok);
    if (!ok) count = 10;
    if (count <= 0) count = 1;
    return QStringLiteral("Backup") + QString::number(digit % count) + QStringLiteral(".mdb");
}

void TfCarVantel::StampLogout()
{
    TDaoTable* logins = DM->tblLogins;
    if (app::CurrentLoginId <= 0 || !logins->Active() || !GotoId(logins, app::CurrentLoginId)) return;
    logins->Edit();
    logins->FieldByName(QStringLiteral("unlog_time"))->SetAsDateTime(Now());
    logins->Post();
    TApplication::ProcessMessages();
    DM->VantelDataBase->Idle();
}

void TfCarVantel::SaveOpenOrder()
{
    if (!app::OrderDirty) return;
    if (!SettingOn(&TfSetings::cbWarnings) ||
        ShowWarning(QStringLiteral("За да няма загуба на данни,\rтрябва да приключите поръчката !"), true)) {
        FinishOrder();
        return;
    }
    TDaoTable* sale = DM->tblSale;
    // Without an order on screen there is nothing to keep (an Edit would start a new one).
    if (!sale->Active() || sale->IsEmpty()) return;
    sale->Edit();
    sale->FieldByName(QStringLiteral("seller_id"))->SetAsString(app::CurrentSellerId);
    sale->FieldByName(QStringLiteral("last_modified"))->SetAsDateTime(Now());
    sale->Post();
}

void TfCarVantel::WriteBackupCopy()
{
    if (!SettingOn(&TfSetings::cbAutoArchive) || !DM->VantelDataBase->Connected()) return;
    const QString name = BackupFileName(Date(), fSetings->eArchiveCount->Text());
    const QString database = DM->VantelDataBase->Database();
    if (ExtractFileName(database).compare(name, Qt::CaseInsensitive) == 0) return;
    CopyDatabaseFile(database, QDir::current().filePath(name));
}

void TfCarVantel::FormCloseQuery(QObject*, bool& canClose)
{
    if (SettingOn(&TfSetings::cbMessages) &&
        !ShowWarning(QStringLiteral("Наистина ли искате да затворите програмата ?"), true)) {
        canClose = false;
        return;
    }
    if (fPasswordDlg) fPasswordDlg->SaveSettings();
    if (!DM || !DM->VantelDataBase->Connected()) return;
    // Each step on its own: one that fails must not cost the others.
    for (void (TfCarVantel::*step)() : {&TfCarVantel::StampLogout, &TfCarVantel::SaveOpenOrder,
                                         &TfCarVantel::WriteBackupCopy}) {
        try {
            (this->*step)();
        } catch (const std::exception&) {
        }
    }
}

void TfCarVantel::FormClose(QObject*, TCloseAction&)
{
}

// --- window and menus --------------------------------------------------------------------------

void TfCarVantel::FormCreate(QObject*)
{
    if (TApplication* application = Application()) application->SetTitle(QStringLiteral("Car vantel version 4.04"));
    SetCaption(ProgramVersionCaption());
}

void TfCarVantel::FormShow(QObject*)
{
    app::OrderDirty = false;
    app::MainFormReady = true;
    const QString database = fPasswordDlg ? fPasswordDlg->eDataBase->Text() : QString();
    SetCaption(ProgramVersionCaption() + QStringLiteral("   -   [ ") + database + QStringLiteral(" ]"));
    if (fSetings) {
        stCashBox->SetCaption(QStringLiteral("КАСА № ") + fSetings->cbxCashBoxNum->Text());
        if (!fSetings->cbSpeedButtons->Checked()) {
            HideToolBar();
            SpeedButtons1->SetChecked(false);
        }
        Language1->SetVisible(fSetings->cbxChangeLanguage->Checked());
    }
    update();
}

void TfCarVantel::FormResize(QObject*)
{
    if (width() > 800) resize(800, height());
    ToolBar1->setGeometry(width() - kToolBarWidth, 0, kToolBarWidth, Client->height());
}

void TfCarVantel::About1Click(QObject*)
{
    auto* about = new TAboutBox(this);
    about->ShowModal();
    delete about;
}

void TfCarVantel::Settings1Click(QObject*)
{
    if (fSetings) fSetings->ShowModal();
}

void TfCarVantel::Connect1Click(QObject*)
{
    if (fPasswordDlg) fPasswordDlg->ShowModal();
}

void TfCarVantel::Contents1Click(QObject*)
{
    const QString help = ResolveFileNameCase(ChangeFileExt(TApplication::ExeName(), QStringLiteral(".hlp")));
    if (FileExists(help)) {
        ShellOpen(help);
        return;
    }
    const QString readMe = ResolveFileNameCase(ProgramFolder() + QStringLiteral("Readme.txt"));
    if (FileExists(readMe)) ShellOpen(readMe);
}

QString TfCarVantel::DownloadPage()
{
    const QString configured = qEnvironmentVariable("CARVANTEL_DOWNLOAD_PAGE");
    return configured.isEmpty() ? QStringLiteral("http://www.carvantel.bg/download.html") : configured;
}

void TfCarVantel::N18Click(QObject*)
{
    QString link = DownloadPage();
    QFile file(ResolveFileNameCase(ProgramFolder() + QStringLiteral("htpath.txt")));
    if (file.open(QIODevice::ReadOnly | QIODevice::Text)) {
        QTextStream in(&file);
        while (!in.atEnd()) {
            const QString line = in.readLine();
            if (line.contains(QLatin1String("http:")) || line.contains(QLatin1String("https:"))) {
                link = line.trimmed();
                break;
            }
        }
    }
    if (ShellOpen(link) == SE_ERR_FNF)
        ShowMessage(QStringLiteral("За съжаление на компютъра Ви няма инсталиран клиент за интернет !"));
}

void TfCarVantel::SpeedButtons1Click(QObject*)
{
    SpeedButtons1->SetChecked(!SpeedButtons1->Checked());
    if (fSetings) {
        QSignalBlocker quiet(fSetings->cbSpeedButtons);
        fSetings->cbSpeedButtons->setChecked(SpeedButtons1->Checked());
    }
    if (fPasswordDlg) fPasswordDlg->SaveSettings();
    if (SpeedButtons1->Checked())
        ShowToolBar();
    else
        HideToolBar();
}

void TfCarVantel::N9Click(QObject*)
{
    SpeedButtons1->SetChecked(ToolBarShown());
}

void TfCarVantel::FlatButton1Click(QObject*)
{
    Close();
}

void TfCarVantel::Exit1Click(QObject*)
{
    Close();
}

void TfCarVantel::fbtIncomesClick(QObject*)
{
    CheckConnection();
}

void TfCarVantel::fbtChargesClick(QObject*)
{
    CheckConnection();
}

void TfCarVantel::English1Click(QObject*)
{
    English1->SetChecked(true);
    Bulgarian1->SetChecked(false);
}

void TfCarVantel::Bulgarian1Click(QObject*)
{
    Bulgarian1->SetChecked(true);
    English1->SetChecked(false);
}

void TfCarVantel::Employee1Click(QObject*)
{
    if (!CheckConnection() || !fEmployee) return;
    fEmployee->SetReadOnly(true);
    TDataSet* employees = fEmployee->cbxNames->DataSource()->DataSet();
    employees->Refresh();
    fEmployee->cbxNames->SetEnabled(true);
    fEmployee->cbxNames->SetText(employees->FieldByName(QStringLiteral("employee_name"))->AsString());
    fEmployee->cbxNames->Rebuild();
    fEmployee->ShowModal();
}
