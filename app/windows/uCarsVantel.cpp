#include "app/windows/uCarsVantel.h"

#include "app/datamodule/DModule.h"
#include "app/datamodule/TemplateDatabase.h"
#include "app/util/AppFlags.h"
#include "app/util/AppGlobals.h"
#include "app/util/DatabaseCopy.h"
#include "app/windows/About.h"
#include "app/windows/CarVantelPrivate.h"
#include "app/windows/OrderWindowHooks.h"
#include "app/windows/WindowKit.h"
#include "app/windows/uArticles.h"
#include "app/windows/uArticlesGrouped.h"
#include "app/windows/uCars.h"
#include "app/windows/uCashFinish.h"
#include "app/windows/uDebit.h"
#include "app/windows/uCasheBox.h"
#include "app/windows/uClients.h"
#include "app/windows/uEmployee.h"
#include "app/windows/uFirmSet.h"
#include "app/windows/uModel.h"
#include "app/windows/uPassDlg.h"
#include "app/windows/uSearch.h"
#include "app/windows/uSearchForm.h"
#include "app/windows/uSearchResult.h"
#include "app/windows/uSetings.h"
#include "app/windows/uStorage.h"
#include "controls/FlatButton.h"
#include "controls/Viewcomb.h"
#include "dataaccess/DaoConnectionCheck.h"
#include "dataaccess/DaoDataBase.h"
#include "dataaccess/DaoInfo.h"
#include "dataaccess/DaoTable.h"
#include "platform/dao/DaoError.h"
#include "platform/os/Files.h"
#include "platform/toolkit/Exceptions.h"
#include "platform/toolkit/Fields.h"
#include "platform/toolkit/gui/Application.h"
#include "platform/toolkit/gui/DBGrid.h"
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

using namespace main_window;

TfCarVantel* fCarVantel = nullptr;

namespace {

constexpr int kToolBarWidth = 42;
// The left button column: wide enough for its longest caption at the default font.
constexpr int kColumnWidth = 150;
constexpr int kColumnButtonWidth = kColumnWidth - 16;

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
    // As wide as the window may grow: the order's boxes need every pixel at a wide font.
    resize(800, 509);

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
    if (!MainWindow()) {
        SetMainWindow(this);
        ConnectListWindows();
    }
    DM->WindowHooks.RenumberOrderLines = [this] { RenumberLines(); };
    // The window starts locked, whatever the last one left.
    app::OrderLocked = false;
    LockEditing();
}

TfCarVantel::~TfCarVantel()
{
    if (fCarVantel == this) fCarVantel = nullptr;
    if (MainWindow() == this) {
        SetMainWindow(nullptr);
        OrderWindowHooks() = {};
    }
    if (DM) DM->WindowHooks.RenumberOrderLines = nullptr;
}

// What the firms, cars and clients windows hand to the order they are picked for.
void TfCarVantel::ConnectListWindows()
{
    TOrderWindowHooks& hooks = OrderWindowHooks();
    hooks.ApplySaleFilter = [this] { ApplySaleFilterKeepingOrder(); };
    hooks.ShowCarFields = [this] { ShowCarFields(); };
    hooks.ShowClientFields = [this] { ShowClientFields(); };
    hooks.FirmChosen = [this] { firmSourceBound_ = false; };
    hooks.Editing = [this] { return !lblEditing->isHidden(); };
    hooks.Finished = [this] { return cbxFinnished->Checked(); };
    hooks.Annulled = [this] { return cbxAnnul->Checked(); };
}

namespace {

const TMenuSpec<M> kMainMenu[] = {
    {"", "Action1", "&Операции   ", "", nullptr, &M::Action1},
    {"Action1", "New1", "&Нова поръчка", "F5", &M::Append1Click, &M::New1},
    {"Action1", "N13", "-"},
    {"Action1", "Refresh1", "Преиз&числи", "F12", &M::poReCallClick, &M::Refresh1},
    {"Action1", "Commit1", "Пр&иключване", "F2", &M::Commit1Click, &M::Commit1},
    {"Action1", "N1", "-"},
    {"Action1", "Rollback1", "&Редакция", "Ctrl+E", &M::Rollback1Click, &M::Rollback1},
    {"Action1", "Append1", "&Добави ред", "Ctrl+Ins", &M::popAppendClick, &M::Append1},
    {"Action1", "Dell1", "Пр&емахни ред", "Ctrl+Del", &M::popClearClick, &M::Dell1},
    {"Action1", "N7", "-"},
    {"Action1", "N19", "Пър&ви", "Ctrl+F", &M::tbtFirstClick, &M::N19},
    {"Action1", "Next1", "&Следващ", "Ctrl+N", &M::tbtNextClick, &M::Next1},
    {"Action1", "Previous1", "Преди&шен", "Ctrl+B", &M::tbtPreviewsClick, &M::Previous1},
    {"Action1", "N20", "Пос&леден", "Ctrl+L", &M::tbtLastClick, &M::N20},
    {"Action1", "N17", "-"},
    {"Action1", "Refresh2", "Опрес&ни", "F9", &M::Refresh2Click, &M::Refresh2},
    {"Action1", "N2", "-"},
    {"Action1", "Print3", "&Печат", "F7", &M::Print3Click, &M::Print3},
    {"Action1", "N6", "-"},
    {"Action1", "Connect1", "Дос&тъп", "", &M::Connect1Click, &M::Connect1},
    {"Action1", "Exit1", "&Изход", "", &M::Exit1Click, &M::Exit1},

    {"", "Tools1", "&Данни  ", "", nullptr, &M::Tools1},
    {"Tools1", "N10", "&Фирми", "", &M::N10Click, &M::N10},
    {"Tools1", "Employee1", "&Персонал", "", &M::Employee1Click, &M::Employee1},
    {"Tools1", "Banks1", "&Склад", "", &M::fbtStoreClick, &M::Banks1},
    {"Tools1", "Client1", "&Клиенти", "", &M::Client1Click, &M::Client1},
    {"Tools1", "Auto1", "&Автомобили", "", &M::Auto1Click, &M::Auto1},
    {"Tools1", "N8", "&Марки и модели", "", &M::N8Click, &M::N8},

    {"", "N12", "О&тчети  ", "", nullptr, &M::N12},
    {"N12", "Articles1", "&Налични номенклатури", "", &M::Articles1Click, &M::Articles1},
    {"N12", "N14", "&Доставяни материали", "", &M::N14Click, &M::N14},
    {"N12", "Availability1", "Н&аличност", "", &M::Availability1Click, &M::Availability1},
    {"N12", "CacheBox1", "&Каса", "", &M::fbtSafeClick, &M::CacheBox1},
    {"N12", "CashFinish1", "&Приключвания на каса", "", &M::CashFinish1Click, &M::CashFinish1},
    {"N12", "N21", "П&ечалба за период", "", &M::N21Click, &M::N21},

    {"", "N9", "&Инструменти  ", "", &M::N9Click, &M::N9},
    {"N9", "Find1", "&Търси ...", "", &M::Find1Click, &M::Find1},
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
    {"ToolButton1", "Редакция", &M::Rollback1Click},
    {"ToolButton2", "Запис", &M::Commit1Click},
    {"tbtFirst", "Първи", &M::tbtFirstClick, &M::tbtFirst},
    {"tbtPreviews", "Предишен", &M::tbtPreviewsClick, &M::tbtPreviews},
    {"tbtNext", "Следващ", &M::tbtNextClick, &M::tbtNext},
    {"tbtLast", "Последен", &M::tbtLastClick, &M::tbtLast},
    {"ToolButton7", "Нова поръчка", &M::Append1Click},
    {"tbtDell", "Премахни поръчка", &M::tbtDellClick, &M::tbtDell},
    {"ToolButton9", "Търсене", &M::Find1Click},
    {"ToolButton10", "Печат", &M::Print3Click},
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
    {&M::fbtEmployee, "fbtEmployee", "П&ерсонал", &M::Employee1Click},
    {&M::fbtStore, "fbtStore", "&Склад", &M::fbtStoreClick},
    {&M::fbtAppend, "fbtAppend", "&Нова поръчка", &M::Append1Click},
    {&M::fbtView, "fbtView", "&Преглед проформа", &M::Print3Click},
    {&M::fbtSave, "fbtSave", "&Приключване", &M::Commit1Click},
    {&M::fbtAnula, "fbtAnula", "&Анулиране", &M::fbtAnulaClick},
    {&M::fbtPrint, "fbtPrint", "&Печат фактура", &M::Print3Click},
    {&M::fbtViewDelivery, "fbtViewDelivery", "&Печат поръчка", &M::Print3Click},
    {&M::fbtSafe, "fbtSafe", "&Каса", &M::fbtSafeClick},
    {&M::fbtFirms, "fbtFirms", "&Фирма", &M::fbtFirmsClick},
    {&M::fbtTask, "fbtTask", "&Печат задание", &M::fbtTaskClick},
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
    cbxSastavil_mol->SetChecked(true);
    // Tag 10 prints straight to the printer.
    fbtPrint->SetTag(10);
    fbtTask->SetTag(10);
    fbtPrint->hide();
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
    // The grid's Tab comes here.
    Panel3->setFocusPolicy(Qt::ClickFocus);
    cbxInvoice = Place<TCheckBox>(Panel3, "cbxInvoice", QStringLiteral("Издаване на фактура"), 8, 6, 168, 20);
    cbxAnnul = Place<TCheckBox>(Panel3, "cbxAnnul", QStringLiteral("Анулирана ф-ра/п-ка"), 8, 28, 168, 20);
    cbxFinnished = Place<TCheckBox>(Panel3, "cbxFinnished", QStringLiteral("Приключена сметка"), 8, 50, 168, 20);
    cbxFinnished->setEnabled(false);
    cbxPayed = Place<TCheckBox>(Panel3, "cbxPayed", QStringLiteral("Платена ф-ра/п-ка"), 8, 72, 168, 20);
    lblEditing = Place<TLabel>(Panel3, "lblEditing", QStringLiteral("Редактиране"), 176, 4, 200, 18);
    lblEditing->SetFontColor(8421631);
    lblEditing->hide();
    BuildCarPanel();
    BuildClientPanel();
    BuildFirmPanel();
    BuildTotalsPanel();
    BuildLines();
    BindFinishing();
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
        FitPanelsToFields();
        // The line's amount is the query's own text.
        DM->tblSaleDetail->FieldByName(QStringLiteral("TotalSaleSum"))->SetReadOnly(true);
        ShowCurrentSale();

        FindOrAddSeller(fPasswordDlg ? fPasswordDlg->eLoginName->Text() : QString(), app::OperatorPassword);
        TApplication::ProcessMessages();
        DM->VantelDataBase->Idle();
        app::CurrentSellerId = DM->tblSeller->FieldByName(QStringLiteral("id"))->AsString();

        TDaoTable* logins = DM->tblLogins;
        logins->Append();
        logins->FieldByName(QStringLiteral("seller_id"))->SetAsString(app::CurrentSellerId);
        logins->FieldByName(QStringLiteral("cashebox_num"))->SetAsInteger(DM->SettingsCashBox());
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

// --- what the settings and login windows change here -------------------------------------------

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
    KeepOrderUnfinished();
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
    CloseCashDatasets();
}

// --- window and menus --------------------------------------------------------------------------

void TfCarVantel::FormCreate(QObject*)
{
    if (TApplication* application = Application()) application->SetTitle(QStringLiteral("Car vantel version 4.04"));
    SetCaption(ProgramVersionCaption());
}

void TfCarVantel::FormShow(QObject*)
{
    ApplySaleFilter();
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
    DM->tblModel->SetFiltered(false);
    LockEditing();
    if (SettingOn(&TfSetings::cbChangeSaleData))
        UnlockEditing();
    else
        LockEditing();
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

void TfCarVantel::fbtStoreClick(QObject*)
{
    if (!CheckConnection()) return;
    ShowStoresReadOnly();
}

void TfCarVantel::ShowStoresReadOnly()
{
    fStorage->SetDeliveryReadOnly(true);
    fStorage->SetStoreReadOnly(true);
    fStorage->ShowModal();
}

bool TfCarVantel::KeepsStockView() const
{
    return cbxFinnished->Checked() && SettingOn(&TfSetings::cbxDynamic) && !cbxAnnul->Checked();
}

void TfCarVantel::Availability1Click(QObject*)
{
    if (!fSearch) return;
    {
        THourglass hourglass;
        fSearch->PrepareStock(KeepsStockView());
        if (SettingOn(&TfSetings::cbxDynamic)) {
            DM->tblArticleTotalq->Open();
            DM->tblArticleTotalq->Requery();
        }
    }
    fSearch->SetBrowseMode();
    fSearch->ShowModal();
}

void TfCarVantel::Articles1Click(QObject*)
{
    {
        THourglass hourglass;
        DM->tblQTAQAll->Requery();
        fArticles->DBGrid1->Repaint();
    }
    fArticles->bCancel->SetCaption(QStringLiteral("&Изход"));
    fArticles->ShowModal();
}

void TfCarVantel::N14Click(QObject*)
{
    fArticlesGrouped->DBGrid1->SetReadOnly(true);
    DM->tblFiFoQuery->SetFiltered(false);
    DM->tblFiFoQuery->Requery();
    fArticlesGrouped->bYes->hide();
    fArticlesGrouped->ShowModal();
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

// --- the lists of the data menu --------------------------------------------------------------

void TfCarVantel::N10Click(QObject*) { fFirmSet->ShowModal(); }
void TfCarVantel::Auto1Click(QObject*) { fCars->ShowAsList(); }
void TfCarVantel::Client1Click(QObject*) { fClients->ShowAsList(); }
void TfCarVantel::N8Click(QObject*) { fModel->ShowModal(); }
void TfCarVantel::fbtSafeClick(QObject*)
{
    if (CheckConnection()) fCasheBox->ShowModal();
}

void TfCarVantel::CashFinish1Click(QObject*)
{
    if (CheckConnection()) fCashFinish->ShowModal();
}

void TfCarVantel::Find1Click(QObject*)
{
    if (!CheckConnection() || cbxAnnul->Checked()) return;
    CheckUnsavedOrder();
    LockEditing();
    if (fSearchForm->ShowModal() == mrYes) fSearchResult->ShowModal();
}

void TfCarVantel::N21Click(QObject*) { fDebit->ShowModal(); }

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
