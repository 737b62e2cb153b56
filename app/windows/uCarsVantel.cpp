#include "app/windows/uCarsVantel.h"

#include "app/datamodule/DModule.h"
#include "app/datamodule/TemplateDatabase.h"
#include "app/util/AppGlobals.h"
#include "app/util/DatabaseCopy.h"
#include "app/windows/About.h"
#include "app/windows/CaptionFiles.h"
#include "app/windows/WindowKit.h"
#include "app/windows/uPassDlg.h"
#include "app/windows/uSetings.h"
#include "controls/FlatButton.h"
#include "dataaccess/DaoConnectionCheck.h"
#include "dataaccess/DaoDataBase.h"
#include "dataaccess/DaoInfo.h"
#include "dataaccess/DaoTable.h"
#include "platform/os/Files.h"
#include "platform/toolkit/Exceptions.h"
#include "platform/toolkit/Fields.h"
#include "platform/toolkit/gui/Application.h"
#include "platform/toolkit/gui/ImageList.h"
#include "platform/toolkit/gui/Menus.h"
#include "platform/toolkit/gui/Shell.h"
#include "platform/toolkit/gui/StandardControls.h"
#include "platform/toolkit/gui/ToolBar.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QMenuBar>
#include <QRegularExpression>
#include <QLayout>
#include <QStyle>
#include <QVBoxLayout>
#include <QTextStream>

TfCarVantel* fCarVantel = nullptr;

namespace {

constexpr int kToolBarWidth = 42;
// The left button column: wide enough for its longest caption at the default font.
constexpr int kColumnWidth = 150;
constexpr int kColumnButtonWidth = kColumnWidth - 16;

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

// The database this run made from the empty template, with no rows but the login's own
// (the operator's seller row and the logs of this run).
bool IsUnusedTemplateCopy(TDaoDatabase& database)
{
    if (app::TemplateCopy.isEmpty() ||
        QFileInfo(app::TemplateCopy).canonicalFilePath() != QFileInfo(database.Database()).canonicalFilePath())
        return false;
    database.RefreshDefinitions();
    TDaoTable* query = DM->tblMyPersonalQuery;
    bool empty = true;
    for (int i = 0; empty && i < database.TableNames().Count(); ++i) {
        const QString table = database.TableNames().Get(i);
        if (table.compare(QLatin1String("seller"), Qt::CaseInsensitive) == 0 ||
            table.compare(QLatin1String("logs"), Qt::CaseInsensitive) == 0)
            continue;
        query->Close();
        query->SQL().Clear();
        query->SQL().Add(QStringLiteral("SELECT TOP 1 * FROM [%1]").arg(table));
        query->Open();
        empty = query->IsEmpty();
    }
    query->Close();
    return empty;
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

// The value a single SQL literal stands for; false when `text` is no such literal.
bool ReadSqlLiteral(const QString& text, TVariant& value)
{
    static const QRegularExpression number(QStringLiteral("^-?[0-9]+(\\.[0-9]+)?$"));
    static const QRegularExpression quoted(QStringLiteral("^'(([^']|'')*)'$|^\"(([^\"]|\"\")*)\"$"));
    const QString literal = text.trimmed();
    if (number.match(literal).hasMatch()) {
        bool whole = false;
        const qint64 integer = literal.toLongLong(&whole);
        value = whole ? TVariant(integer) : TVariant(literal.toDouble());
        return true;
    }
    if (const auto m = quoted.match(literal); m.hasMatch()) {
        value = literal.startsWith(QLatin1Char('\''))
                    ? TVariant(m.captured(1).replace(QStringLiteral("''"), QStringLiteral("'")))
                    : TVariant(m.captured(3).replace(QStringLiteral("\"\""), QStringLiteral("\"")));
        return true;
    }
    if (literal.compare(QLatin1String("True"), Qt::CaseInsensitive) == 0) {
        value = TVariant(true);
        return true;
    }
    if (literal.compare(QLatin1String("False"), Qt::CaseInsensitive) == 0) {
        value = TVariant(false);
        return true;
    }
    return false;
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
    BuildCaptionFileControls();
    PlaceFlatLook(this, TFlatLookMenus::Flat, true);
    // The order area keeps its height below the menu bar.
    resize(width(), 509 + Menu()->MenuBar(this)->sizeHint().height());

    OnCreate = Bind(this, &TfCarVantel::FormCreate);
    OnShow = Bind(this, &TfCarVantel::FormShow);
    OnCloseQuery = Bind(this, &TfCarVantel::FormCloseQuery);
    OnClose = Bind(this, &TfCarVantel::FormClose);
    OnResize = Bind(this, &TfCarVantel::FormResize);

    if (!fCarVantel) fCarVantel = this;
    if (!MainWindow()) SetMainWindow(this);
}

TfCarVantel::~TfCarVantel()
{
    if (fCarVantel == this) fCarVantel = nullptr;
    if (MainWindow() == this) SetMainWindow(nullptr);
}

namespace {

using M = TfCarVantel;
const TMenuSpec<M> kMainMenu[] = {
    {"", "Action1", "&Операции   ", "", nullptr, &M::Action1},
    {"Action1", "New1", "&Нова поръчка", "F5", nullptr, &M::New1},
    {"Action1", "N13", "-"},
    {"Action1", "Refresh1", "Преиз&числи", "F12", nullptr, &M::Refresh1},
    {"Action1", "Commit1", "Пр&иключване", "F2", nullptr, &M::Commit1},
    {"Action1", "N1", "-"},
    {"Action1", "Rollback1", "&Редакция", "Ctrl+E", nullptr, &M::Rollback1},
    {"Action1", "Append1", "&Добави ред", "Ctrl+Ins", nullptr, &M::Append1},
    {"Action1", "Dell1", "Пр&емахни ред", "Ctrl+Del", nullptr, &M::Dell1},
    {"Action1", "N7", "-"},
    {"Action1", "N19", "Пър&ви", "Ctrl+F", nullptr, &M::N19},
    {"Action1", "Next1", "&Следващ", "Ctrl+N", nullptr, &M::Next1},
    {"Action1", "Previous1", "Преди&шен", "Ctrl+B", nullptr, &M::Previous1},
    {"Action1", "N20", "Пос&леден", "Ctrl+L", nullptr, &M::N20},
    {"Action1", "N17", "-"},
    {"Action1", "Refresh2", "Опрес&ни", "F9", nullptr, &M::Refresh2},
    {"Action1", "N2", "-"},
    {"Action1", "Print3", "&Печат", "F7", nullptr, &M::Print3},
    {"Action1", "N6", "-"},
    {"Action1", "Connect1", "Дос&тъп", "", &M::Connect1Click, &M::Connect1},
    {"Action1", "Exit1", "&Изход", "", &M::Exit1Click, &M::Exit1},

    {"", "Tools1", "&Данни  ", "", nullptr, &M::Tools1},
    {"Tools1", "N10", "&Фирми", "", nullptr, &M::N10},
    {"Tools1", "Employee1", "&Персонал", "", nullptr, &M::Employee1},
    {"Tools1", "Banks1", "&Склад", "", nullptr, &M::Banks1},
    {"Tools1", "Client1", "&Клиенти", "", nullptr, &M::Client1},
    {"Tools1", "Auto1", "&Автомобили", "", nullptr, &M::Auto1},
    {"Tools1", "N8", "&Марки и модели", "", nullptr, &M::N8},

    {"", "N12", "О&тчети  ", "", nullptr, &M::N12},
    {"N12", "Articles1", "&Налични номенклатури", "", nullptr, &M::Articles1},
    {"N12", "N14", "&Доставяни материали", "", nullptr, &M::N14},
    {"N12", "Availability1", "Н&аличност", "", nullptr, &M::Availability1},
    {"N12", "CacheBox1", "&Каса", "", nullptr, &M::CacheBox1},
    {"N12", "CashFinish1", "&Приключвания на каса", "", nullptr, &M::CashFinish1},
    {"N12", "N21", "П&ечалба за период", "", nullptr, &M::N21},

    {"", "N9", "&Инструменти  ", "", &M::N9Click, &M::N9},
    {"N9", "Find1", "&Търси ...", "", nullptr, &M::Find1},
    {"N9", "N3", "-"},
    {"N9", "SpeedButtons1", "&Бързи бутони", "", &M::SpeedButtons1Click, &M::SpeedButtons1},
    {"N9", "N11", "-"},
    {"N9", "Settings1", "&Настройки", "Ctrl+S", &M::Settings1Click, &M::Settings1},

    {"", "Help1", "&Помощ  ", "", nullptr, &M::Help1},
    {"Help1", "Contents1", "&Съдържание", "", &M::Contents1Click, &M::Contents1},
    {"Help1", "About1", "&За програмата", "", &M::About1Click, &M::About1},
    {"Help1", "N18", "&Нова версия", "", &M::N18Click, &M::N18},

    {"", "Language1", "&Language", "", nullptr, &M::Language1},
    {"Language1", "English1", "&English", "", &M::English1Click, &M::English1},
    {"Language1", "Bulgarian1", "&Bulgarian", "", &M::Bulgarian1Click, &M::Bulgarian1},
};

// Top to bottom; a button without a handler waits for its window.
const TToolButtonSpec<M> kToolButtons[] = {
    {"ToolButton1", "Редакция"},
    {"ToolButton2", "Запис"},
    {"tbtFirst", "Първи", nullptr, &M::tbtFirst},
    {"tbtPreviews", "Предишен", nullptr, &M::tbtPreviews},
    {"tbtNext", "Следващ", nullptr, &M::tbtNext},
    {"tbtLast", "Последен", nullptr, &M::tbtLast},
    {"ToolButton7", "Нова поръчка"},
    {"tbtDell", "Премахни поръчка", nullptr, &M::tbtDell},
    {"ToolButton9", "Търсене"},
    {"ToolButton10", "Печат"},
    {"ToolButton11", "Настройки", &M::Settings1Click},
    {"ToolButton12", "Помощ", &M::Contents1Click},
    {"ToolButton13", "Достъп", &M::Connect1Click},
};

struct TColumnButton {
    TFlatButton* M::*Member;
    const char* Name;
    const char* Caption;
    void (M::*Handler)(QObject*) = nullptr;
};
// The left column, top to bottom; a button without a handler waits for its window.
const TColumnButton kColumnButtons[] = {
    {&M::fbtEmployee, "fbtEmployee", "П&ерсонал"},
    {&M::fbtStore, "fbtStore", "&Склад"},
    {&M::fbtAppend, "fbtAppend", "&Нова поръчка"},
    {&M::fbtView, "fbtView", "&Преглед проформа"},
    {&M::fbtSave, "fbtSave", "&Приключване"},
    {&M::fbtAnula, "fbtAnula", "&Анулиране"},
    {&M::fbtPrint, "fbtPrint", "&Печат фактура"},
    {&M::fbtViewDelivery, "fbtViewDelivery", "&Печат поръчка"},
    {&M::fbtSafe, "fbtSafe", "&Каса"},
    {&M::fbtFirms, "fbtFirms", "&Фирма"},
    {&M::fbtTask, "fbtTask", "&Печат задание"},
    {&M::FlatButton1, "FlatButton1", "&Изход", &M::FlatButton1Click},
};

}  // namespace

void TfCarVantel::BuildMenu()
{
    MainMenu1 = new TMainMenu(this);
    MainMenu1->setObjectName(QStringLiteral("MainMenu1"));
    DeclareMenu(this, MainMenu1, kMainMenu);
    SpeedButtons1->SetChecked(true);
    Bulgarian1->SetChecked(true);
    Language1->SetVisible(false);
    SetMenu(MainMenu1);

    // Commands whose windows the program does not have yet: shown, but not offered.
    for (TMenuItem* item : {New1, Refresh1, Commit1, Rollback1, Append1, Dell1, N19, Next1, Previous1, N20, Refresh2,
                            Print3, N10, Employee1, Banks1, Client1, Auto1, N8, Articles1, N14, Availability1,
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
    DeclareToolButtons(this, ToolBar1, kToolButtons);
    ToolBar1->SetButtonSize(43, 39);
    // Thirteen buttons of 39 pixels fill the window's height exactly.
    ToolBar1->layout()->setSpacing(0);
    ToolBar1->layout()->setContentsMargins(0, 0, 0, 0);
    ToolBar1->setStyleSheet(QStringLiteral("QToolBar { spacing: 0px; padding: 0px; border: 0px; }"));
}

void TfCarVantel::BuildButtonColumn()
{
    Panel2 = Place<TPanel>(Client, "Panel2", 0, 0, kColumnWidth, 488);
    Panel2->SetHelpContext(1000);
    stCashBox = Place<TLabel>(Panel2, "stCashBox", 8, 6, kColumnButtonWidth, 18);
    QFont bold = stCashBox->font();
    bold.setBold(true);
    stCashBox->setFont(bold);
    // Captioned after the font, so its size is that of the bold text.
    ShowCashBoxNumber(QStringLiteral("1"));
    int top = 28;
    for (const TColumnButton& b : kColumnButtons) {
        auto* button = Place<TFlatButton>(Panel2, b.Name, QString::fromUtf8(b.Caption), 8, top, kColumnButtonWidth, 26);
        if (b.Handler)
            button->OnClick = Bind(this, b.Handler);
        else
            button->setEnabled(false);
        this->*b.Member = button;
        top += 30;
    }
    pnlMyFirm = Place<TPanel>(Panel2, "pnlMyFirm", 8, top + 4, kColumnButtonWidth, 56);
    pnlMyFirm->SetBevelOuter(bvLowered);
    cbxSastavil_mol =
        Place<TCheckBox>(Panel2, "cbxSastavil_mol", QStringLiteral("Съставил = МОЛ"), 8, top + 64, kColumnButtonWidth, 20);
}

void TfCarVantel::BuildOrderPanels()
{
    const int left = kColumnWidth + 8;
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

bool TfCarVantel::RecordExists(const QString& table, const QString& field, const QString& value)
{
    TVariant bound;
    if (!ReadSqlLiteral(value, bound))
        throw EDatabaseError(QStringLiteral("RecordExists: %1 is no SQL literal").arg(value));
    return ::RecordExists(table, field, bound);
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
    // As a number, so whatever stands in the box cannot change the filter; 1 when it is none.
    const int cashBox = fSetings->CashBoxNumber();
    if (fSetings->cbxOnlythisCash->Checked()) term(QStringLiteral("[cashbox_num]=") + QString::number(cashBox ? cashBox : 1));
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

void TfCarVantel::ShowCashBoxNumber(const QString& number)
{
    stCashBox->SetCaption(QStringLiteral("КАСА № ") + number);
}

void TfCarVantel::ShowLanguageMenu(bool shown)
{
    Language1->SetVisible(shown);
}

bool TfCarVantel::EnglishLanguage() const
{
    return English1->Checked();
}

void TfCarVantel::SetEnglishLanguage(bool english)
{
    English1->SetChecked(english);
    Bulgarian1->SetChecked(!english);
}

void TfCarVantel::SetPaidBoxEnabled(bool enabled)
{
    cbxPayed->setEnabled(enabled);
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
    const QString target = QDir::current().filePath(name);
    // The day's copy of the shop's work is never traded for a copy of a database started empty.
    if (FileExists(ResolveFileNameCase(target)) && IsUnusedTemplateCopy(*DM->VantelDataBase)) return;
    CopyDatabaseFile(database, target);
}

void TfCarVantel::FormCloseQuery(QObject*, bool& canClose)
{
    // A key that closed a message of the exit can reach this window and ask to close it again;
    // nothing is asked, saved or said twice, and the exit goes on.
    if (closing_) return;
    if (SettingOn(&TfSetings::cbMessages) &&
        !ShowWarning(QStringLiteral("Наистина ли искате да затворите програмата ?"), true)) {
        canClose = false;
        return;
    }
    closing_ = true;
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
        ShowCashBoxNumber(fSetings->cbxCashBoxNum->Text());
        if (!fSetings->cbSpeedButtons->Checked()) {
            HideToolBar();
            SpeedButtons1->SetChecked(false);
        }
        Language1->SetVisible(fSetings->cbxChangeLanguage->Checked());
    }
    if (English1->Checked()) LoadMenuCaptions(QStringLiteral("e"));
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
    LoadMenuCaptions(QStringLiteral("e"));
}

void TfCarVantel::Bulgarian1Click(QObject*)
{
    Bulgarian1->SetChecked(true);
    English1->SetChecked(false);
    LoadMenuCaptions(QStringLiteral("b"));
}

// --- caption files -----------------------------------------------------------------------------

void TfCarVantel::BuildCaptionFileControls()
{
    Memo1 = Place<TMemo>(Client, "Memo1", 0, 0, 185, 89);
    Memo1->hide();
    Button1 = Place<TButton>(Client, "Button1", QStringLiteral("Save"), 0, 0, 75, 25);
    Button1->hide();
    Button1->OnClick = Bind(this, &TfCarVantel::Button1Click);
    Button2 = Place<TButton>(Client, "Button2", QStringLiteral("load"), 0, 0, 75, 25);
    Button2->hide();
    Button2->OnClick = Bind(this, &TfCarVantel::Button2Click);
}

static std::vector<QObject*> ApplicationOwned()
{
    return Application() ? Application()->OwnedObjects() : std::vector<QObject*>{};
}

void TfCarVantel::SaveLanguage(const QString& language)
{
    SaveCaptionFile(QDir(ProgramFolder()).filePath(language + QStringLiteral(".lng")), ApplicationOwned());
}

void TfCarVantel::LoadLanguage(const QString& language)
{
    LoadCaptionFile(QDir(ProgramFolder()).filePath(language + QStringLiteral(".lng")), ApplicationOwned());
}

void TfCarVantel::LoadMenuCaptions(const QString& letter)
{
    LoadMenuCaptionFile(QDir(ProgramFolder()).filePath(QStringLiteral("menu") + letter + QStringLiteral(".set")),
                        Memo1->Lines(), MainMenu1);
}

void TfCarVantel::Button1Click(QObject*) { SaveLanguage(QStringLiteral("bg")); }

void TfCarVantel::Button2Click(QObject*) { LoadLanguage(QStringLiteral("en")); }
