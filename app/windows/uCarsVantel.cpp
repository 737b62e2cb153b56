#include "app/windows/uCarsVantel.h"

#include "app/datamodule/DModule.h"
#include "app/datamodule/TemplateDatabase.h"
#include "app/reports/OrderRows.h"
#include "app/reports/uInvoiceReport.h"
#include "app/reports/uOrderReport.h"
#include "app/util/AppFlags.h"
#include "app/util/AppGlobals.h"
#include "app/util/DatabaseCopy.h"
#include "app/util/NumberDraw.h"
#include "app/util/Utilities.h"
#include "app/windows/About.h"
#include "app/windows/OrderWindowHooks.h"
#include "app/windows/CaptionFiles.h"
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
#include "app/windows/uMyMessage.h"
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
#include "platform/report/ReportDBText.h"
#include "platform/report/ReportLabel.h"
#include "platform/toolkit/Exceptions.h"
#include "platform/toolkit/Fields.h"
#include "platform/toolkit/gui/Application.h"
#include "platform/toolkit/gui/DBControls.h"
#include "platform/toolkit/gui/DBGrid.h"
#include "platform/toolkit/gui/ImageList.h"
#include "platform/toolkit/gui/Menus.h"
#include "platform/toolkit/gui/Shell.h"
#include "platform/toolkit/gui/StandardControls.h"
#include "platform/toolkit/gui/ToolBar.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QHash>
#include <QMenuBar>
#include <QRegularExpression>
#include <QLayout>
#include <QStyle>
#include <QVBoxLayout>
#include <QTextStream>
#include <limits>

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

using M = TfCarVantel;
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

}  // namespace

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
    pnlMyFirm->resize(pnlMyFirm->width(), 72);
    const auto text = [this](const char* name, const char* field, TDataSource* source, int top) {
        auto* label = Place<TDBText>(pnlMyFirm, name, 4, top, pnlMyFirm->width() - 8, 16);
        label->SetDataSource(source);
        label->SetDataField(QString::fromLatin1(field));
        return label;
    };
    DBTName = text("DBTName", "myfirm_name", DM->srcMyFirm, 3);
    DBTTax_nom = text("DBTTax_nom", "mytax_num", DM->srcMyFirm, 20);
    DBTMyBulstat = text("DBTMyBulstat", "mybulstat", DM->srcMyFirm, 37);
    Place<TLabel>(pnlMyFirm, "lblDDS", QStringLiteral("ДДС %"), 4, 54, 50, 16);
    DBText_DDS = text("DBText_DDS", "tax_rate", DM->srcSale, 54);
    DBText_DDS->setGeometry(56, 54, pnlMyFirm->width() - 60, 16);
    cbxSastavil_mol->move(cbxSastavil_mol->x(), pnlMyFirm->y() + pnlMyFirm->height() + 2);
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

namespace {

const TMenuSpec<M> kGridPopup[] = {
    {"", "popAppend", "Добави       Ctrl+Ins", "", &M::popAppendClick, &M::popAppend},
    {"", "popClear", "Изтрий        Ctrl+Del", "", &M::popClearClick, &M::popClear},
    {"", "popFirst", "Първи          PagUp", "", &M::popFirstClick, &M::popFirst},
    {"", "popLast", "Последен    PagDown", "", &M::popLastClick, &M::popLast},
    {"", "poReCall", "Преизчисли   F12", "", &M::poReCallClick, &M::poReCall},
    {"", "popCommit", "Приключи      F2", "", &M::Commit1Click, &M::popCommit},
    {"", "popRefresh", "Опресни         F9", "", &M::Refresh2Click, &M::popRefresh},
};

}  // namespace

void TfCarVantel::BuildLines()
{
    MyDBGrid1 = PlaceGrid(pnlLines, "MyDBGrid1", DM->srcSaleDetail, 2, 2, pnlLines->width() - 4, pnlLines->height() - 30);
    MyDBGrid1->SetOptions(dgEditing | dgAlwaysShowEditor | dgTitles | dgColLines | dgRowLines | dgTabs |
                          dgConfirmDelete | dgCancelOnExit);
    MyDBGrid1->SetColor(15790320);
    MyDBGrid1->SetFixedColor(14408667);
    MyDBGrid1->SetFontColor(6316128);
    QFont bold = MyDBGrid1->font();
    bold.setBold(true);
    MyDBGrid1->setFont(bold);
    using A = TColumnAlign;
    SetColumns(MyDBGrid1, {{"cur_prod_count", " № ", 22, A::Auto, true},
                           {"article_name", "Наименование", 343, A::Auto, false, {}, true},
                           {"dimention", "М-ка", 34, A::Auto, false,
                            {QStringLiteral("бр."), QStringLiteral("кг."), QStringLiteral("лит."), QStringLiteral("м."),
                             QStringLiteral("см."), QStringLiteral("ч.")}},
                           {"sale_quantity", "Кол.", 33, A::Center},
                           {"sale_price", "Ед.Цена", 54},
                           {"discount", "ТО%", 29},
                           {"TotalSaleSum", "Стойност", 63}});
    for (int column : {0, 5})
        MyDBGrid1->Columns()[column]->Title().SetAlignment(Qt::AlignHCenter);
    ShowToTheCent(DM->tblSaleDetail, {"sale_price", "delivery_price"});
    // A title is read whole; the name takes what the others leave.
    const QFontMetrics title(MyDBGrid1->TitleFont());
    int others = 0;
    for (int i = 0; i < MyDBGrid1->Columns().Count(); ++i) {
        TColumn* column = MyDBGrid1->Columns()[i];
        if (i == 1) continue;
        column->SetWidth(std::max(column->Width(), title.horizontalAdvance(column->Title().Caption()) + 8));
        others += column->Width() + 1;
    }
    MyDBGrid1->Columns()[1]->SetWidth(MyDBGrid1->width() - others -
                                      MyDBGrid1->style()->pixelMetric(QStyle::PM_ScrollBarExtent) - 6);
    StretchColumn(MyDBGrid1, 1);

    const int top = pnlLines->height() - 25;
    const auto pair = [this, top](const char* coverName, const char* boundName, const char* field, const char* hint,
                                  int left) {
        auto* cover = Place<TEdit>(pnlLines, coverName, left, top, 80, 20);
        auto* bound = PlaceDB<TDBEdit>(pnlLines, boundName, DM->srcSaleDetail, field, left, top, 80, 20);
        cover->SetHint(QString::fromUtf8(hint));
        cover->SetReadOnly(true);
        bound->SetHint(QString::fromUtf8(hint));
        bound->SetReadOnly(true);
        bound->hide();
        return std::pair{cover, bound};
    };
    std::tie(dbe1, dbeDeliveryPrice) = pair("dbe1", "dbeDeliveryPrice", "delivery_price", "Доставна цена", 4);
    std::tie(dbe2, dbeQutyRem) = pair("dbe2", "dbeQutyRem", "quantity_reminder", "Налично количество", 88);
    dbe1->OnClick = Bind(this, &M::dbe1Click);
    dbeDeliveryPrice->OnClick = Bind(this, &M::dbeDeliveryPriceClick);
    dbe2->OnClick = Bind(this, &M::dbe2Click);
    dbeQutyRem->OnClick = Bind(this, &M::dbeQutyRemClick);
    dbe1->OnKeyPress = Bind(this, &M::dbe1KeyPress);
    dbe2->OnKeyPress = Bind(this, &M::dbe2KeyPress);

    MyGridPopup = new TPopupMenu(this);
    MyGridPopup->setObjectName(QStringLiteral("MyGridPopup"));
    DeclareMenu(this, MyGridPopup, kGridPopup);
    MyGridPopup->OnPopup = Bind(this, &M::MyGridPopupPopup);
    MyDBGrid1->SetPopupMenu(MyGridPopup);

    MyDBGrid1->OnKeyPress = Bind(this, &M::MyDBGrid1KeyPress);
    MyDBGrid1->OnDrawColumnCell = Bind(this, &M::MyDBGrid1DrawColumnCell);
    MyDBGrid1->OnMouseMove = Bind(this, &M::MyDBGrid1MouseMove);
    MyDBGrid1->OnEnter = Bind(this, &M::MyDBGrid1Enter);
    MyDBGrid1->OnColEnter = Bind(this, &M::MyDBGrid1ColEnter);
    MyDBGrid1->OnColExit = Bind(this, &M::MyDBGrid1ColExit);
    MyDBGrid1->OnExit = Bind(this, &M::MyDBGrid1Exit);
    MyDBGrid1->OnEditButtonClick = Bind(this, &M::MyDBGrid1EditButtonClick);
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

// --- the order document ------------------------------------------------------------------------

namespace {

// The own-firm panel: grey while the list is one firm's, red while it is every firm's.
const TColor kFirmGrey = 6316128;
const TColor kEveryFirmRed = 7105791;

TField* FieldOf(TDataSet* dataset, const char* name)
{
    return dataset->FieldByName(QString::fromLatin1(name));
}


// Goes to the row of `table` whose id is the value of `key`; false for a Null key or no row.
bool FindById(TDaoTable* table, const TField* key)
{
    return table->Active() && !key->IsNull() && SearchKey(table, QStringLiteral("id"), key->AsString());
}

// Runs the box's change without its click handler.
void SetCheckedQuietly(TCheckBox* box, bool checked)
{
    TNotifyEvent handler = std::exchange(box->OnClick, nullptr);
    try {
        box->SetChecked(checked);
    } catch (...) {
        box->OnClick = std::move(handler);
        throw;
    }
    box->OnClick = std::move(handler);
}

// A text as a literal of a filter expression.
QString FilterText(const QString& text)
{
    return QLatin1Char('"') + QString(text).replace(QLatin1Char('"'), QLatin1String("\"\"")) + QLatin1Char('"');
}

bool IsSaleRow()
{
    return DM->tblSale->Active() && !DM->tblSale->IsEmpty();
}

}  // namespace

// --- the cash box's periods --------------------------------------------------------------------

namespace {

std::vector<TDaoTable*> CashDatasets()
{
    // The order they open in; the deliveries total last.
    return {DM->tblCashTakings, DM->tblCashGiveIn, DM->tblCashSale,    DM->tblCashSTotal,
            DM->tblCashDelivery, DM->tblCashEPayment, DM->tblCashEWork, DM->tblCashTTotal,
            DM->tblCashGTotal,  DM->tblCashEPTotal, DM->tblCashEWTotal, DM->tblCashDTotal};
}

void FilterBy(TDaoTable* table, const QString& filter)
{
    table->SetFiltered(false);
    table->SetFilter(filter);
    table->SetFiltered(true);
}

}  // namespace

template <class F>
void TfCarVantel::WithLinesDisabled(F&& requery)
{
    TDaoTable* lines = DM->tblSaleDetail;
    lines->DisableControls();
    try {
        requery(lines);
    } catch (...) {
        lines->EnableControls();
        throw;
    }
    lines->EnableControls();
}

void TfCarVantel::ApplySaleFilter()
{
    TDaoTable* sale = DM->tblSale;
    const bool onlyThisFirm = SettingOn(&TfSetings::cbxOnlythisF);
    for (TDBText* text : {DBText_DDS, DBTTax_nom, DBTMyBulstat, DBTName})
        text->SetFontColor(onlyThisFirm ? kFirmGrey : kEveryFirmRed);
    QString filter;
    if (onlyThisFirm) {
        if (app::CurrentFirmId == -1) fSetings->LoadSettings();
        sale->SetFiltered(false);
        BuildSaleFilter(filter);
        if (!filter.isEmpty()) {
            sale->SetFilter(filter);
            sale->SetFiltered(true);
        }
    } else {
        sale->SetFiltered(false);
        BuildSaleFilter(filter);
        sale->SetFilter(filter);
        sale->SetFiltered(true);
    }
    ShowCurrentSale();
    if (IsSaleRow()) {
        sale->Last();
        ShowCurrentSale();
    }
}

void TfCarVantel::ShowCurrentSale()
{
    if (!CheckConnection()) return;
    TDaoTable* sale = DM->tblSale;
    const bool any = IsSaleRow();
    if (any && FindById(DM->tblCar, FieldOf(sale, "car_id")))
        ShowCarFields();
    else
        ClearCarFields();
    if (any && FindById(DM->tblClient, FieldOf(sale, "client_id")))
        ShowClientFields();
    else
        ClearClientFields();
    if (any) FindById(DM->tblMyFirm, FieldOf(sale, "MyFirm_id"));
    app::MissingStock = false;
    ShowStatusBoxes();
}

void TfCarVantel::ShowStatusBoxes()
{
    const bool any = IsSaleRow();
    const std::pair<TCheckBox*, const char*> boxes[] = {
        {cbxInvoice, "invoice"}, {cbxAnnul, "invoice_annul"}, {cbxFinnished, "invoice_accept"}, {cbxPayed, "invoice_piment"}};
    // Showing an order must not write to it: the boxes' handlers store what they show.
    for (const auto& [box, field] : boxes)
        SetCheckedQuietly(box, any && FieldOf(DM->tblSale, field)->AsBoolean());
    ShowInvoiceButtons();
}

namespace {

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
    FillModelList(sender);
}

void TfCarVantel::dbcbModelChange(QObject*)
{
    app::CarEdited = true;
}

void TfCarVantel::dbeCarNumberChange(QObject*)
{
    app::CarEdited = true;
}

void TfCarVantel::dbcbGorivoChange(QObject*)
{
    app::CarEdited = true;
}

void TfCarVantel::dbeNameChange(QObject*)
{
    app::ClientEdited = true;
}

// --- moving through the orders -----------------------------------------------------------------

void TfCarVantel::MoveInOrders(void (*move)(TDataSet*))
{
    if (!CheckConnection()) return;
    CheckUnsavedOrder();
    move(DM->tblSale);
    ShowCurrentSale();
    LockEditing();
}

void TfCarVantel::tbtFirstClick(QObject*)
{
    MoveInOrders([](TDataSet* sale) { sale->First(); });
}

void TfCarVantel::tbtPreviewsClick(QObject*)
{
    MoveInOrders([](TDataSet* sale) {
        if (!sale->Bof()) sale->Prior();
    });
}

void TfCarVantel::tbtNextClick(QObject*)
{
    MoveInOrders([](TDataSet* sale) {
        if (!sale->Eof()) sale->Next();
    });
}

void TfCarVantel::tbtLastClick(QObject*)
{
    MoveInOrders([](TDataSet* sale) {
        if (!sale->IsEmpty()) sale->Last();
    });
}

void TfCarVantel::CheckUnsavedOrder()
{
    if (!app::OrderDirty && !app::CarEdited && !app::ClientEdited) return;
    if (!SettingOn(&TfSetings::cbWarnings) ||
        ShowWarning(QStringLiteral("За да няма загуба на данни,\rтрябва да приключите поръчката !"), true)) {
        FinishOrder();
        return;
    }
    KeepOrderUnfinished();
}

void TfCarVantel::KeepOrderUnfinished()
{
    // Lines changed since a finish were never checked against stock nor totalled, so the order
    // waits unfinished, its goods back in stock. With no order on screen there is nothing to
    // keep (an Edit would start a new one).
    if (IsSaleRow()) {
        TDaoTable* sale = DM->tblSale;
        sale->Edit();
        FieldOf(sale, "seller_id")->SetAsString(app::CurrentSellerId);
        FieldOf(sale, "last_modified")->SetAsDateTime(Now());
        FieldOf(sale, "invoice_accept")->SetAsBoolean(false);
        sale->Post();
    }
    cbxFinnished->SetChecked(false);
    app::OrderDirty = false;
}

void TfCarVantel::RequeryOrder()
{
    THourglass hourglass;
    TDaoTable* sale = DM->tblSale;
    const QString id = FieldOf(sale, "id")->AsString();
    WithLinesDisabled([sale, &id](TDaoTable* lines) {
        sale->RequeryIfRestartable();
        lines->RequeryIfRestartable();
        if (!id.isEmpty()) SearchKey(sale, QStringLiteral("id"), id);
    });
    ShowCurrentSale();
}

void TfCarVantel::Refresh2Click(QObject*)
{
    RequeryOrder();
}

// --- a new order -------------------------------------------------------------------------------

namespace {

// The highest number `sql` reads through the scratch query: 0 when there is none yet, -1 when
// it cannot be read. The scratch query is closed after.
int HighestNumber(const QString& sql, const TSqlParams& params = {})
{
    int highest = -1;
    try {
        const TField* found = DM->OpenQuery(sql, params)->Fields().Fields(0);
        highest = found->IsNull() ? 0 : found->AsInteger();
    } catch (const std::exception&) {
        highest = -1;
    }
    try {
        DM->tblMyPersonalQuery->Close();
    } catch (const std::exception&) {
        // Closing the scratch query cannot change the number read.
    }
    return highest;
}

}  // namespace

int TfCarVantel::MaxSaleNum()
{
    TDaoTable* sale = DM->tblSale;
    if (!sale->Active()) return -1;
    const TField* number = FieldOf(sale, "sale_num");
    if (!number->IsNull() && number->AsInteger() >= 1) return -1;
    return HighestNumber(QStringLiteral("SELECT Max([sale_num]) FROM sale;"));
}

// The new order's number: drawn and stored in one write, so that a station storing its own
// meanwhile cannot get the same. A failure leaves the number for the finish to give.
void TfCarVantel::DrawSaleNum()
{
    TDaoTable* sale = DM->tblSale;
    if (MaxSaleNum() == -1) return;
    try {
        app::DrawNextNumber(*DM->VantelDataBase, QStringLiteral("sale"), QStringLiteral("sale_num"),
                            FieldOf(sale, "id")->AsInteger());
    } catch (const std::exception&) {
        return;
    }
    sale->Refresh();
}

void TfCarVantel::Append1Click(QObject*)
{
    if (!CheckConnection()) return;
    TDaoTable* firm = DM->tblMyFirm;
    if (FieldOf(firm, "id")->IsNull()) {
        if (ShowWarning(QStringLiteral("Не сте установили данните на вашата фирма !\rИскате ли да го сторите сега ?"),
                        true))
            fFirmSet->ShowModal();
        return;
    }
    if (SettingOn(&TfSetings::cbMessages) &&
        !ShowWarning(QStringLiteral("Нова поръчка ?!\rНаистина ли искате това ?"), true))
        return;
    CheckUnsavedOrder();
    if (!SettingOn(&TfSetings::cbxOnlythisF)) {
        fSetings->cbxOnlythisF->SetChecked(true);
        fbtFirmsClick(fbtFirms);
    }

    TDaoTable* sale = DM->tblSale;
    sale->Append();
    FieldOf(sale, "myfirm_id")
        ->SetAsInteger(SettingOn(&TfSetings::cbxOnlythisF) ? FieldOf(firm, "id")->AsInteger() : app::CurrentFirmId);
    FieldOf(sale, "tax_rate")->SetAsInteger(FieldOf(firm, "DDS")->AsInteger());
    bool isNumber = false;
    const int book = fSetings->cbxKochanNom->Text().toInt(&isNumber);
    FieldOf(sale, "kochan_num")->SetAsInteger(isNumber ? book : 0);
    FieldOf(sale, "seller_id")->SetAsString(app::CurrentSellerId);
    FieldOf(sale, "last_modified")->SetAsDateTime(Now());
    FieldOf(sale, "cashbox_num")->SetAsString(fSetings->cbxCashBoxNum->Text());
    sale->Post();
    DrawSaleNum();

    ShowCurrentSale();
    app::CarEdited = true;
    app::ClientEdited = true;
    if (!SettingOn(&TfSetings::cbxDynamic)) {
        THourglass hourglass;
        std::vector<TDataSet*> stock;
        if (app::PerArticle && app::CurrentStockDataSet) stock.push_back(app::CurrentStockDataSet);
        stock.push_back(DM->tblArticleTotalQuery);
        for (TDataSet* dataset : stock) {
            dataset->SetFiltered(false);
            if (auto* table = qobject_cast<TDaoTable*>(dataset); table && !table->Requery()) table->Refresh();
            dataset->SetFiltered(true);
        }
    }
    UnlockEditing();
    MyDBGrid1->Repaint();
    FocusCarPanel();
}

void TfCarVantel::Rollback1Click(QObject*)
{
    if (!CheckConnection()) return;
    if (!IsSaleRow() || FieldOf(DM->tblSale, "id")->IsNull()) return;
    if (SettingOn(&TfSetings::cbChangeSaleData)) {
        UnlockEditing();
        return;
    }
    if (!SettingOn(&TfSetings::cbWarnings)) return;
    fMyMessage->SetHelpContext(4);
    ShowWarning(QStringLiteral("За да редактирате тези данни, трябва да\rнаправите необходимите промени в настройките!!!"),
                true);
}

void TfCarVantel::FocusCarPanel()
{
    // The car search while it cannot be offered leaves the person at the make.
    if (fbtCarSearch->isEnabled())
        fbtCarSearch->SetFocus();
    else
        dbcbMark->SetFocus();
}

std::vector<QWidget*> TfCarVantel::OrderControls() const
{
    return {dbcbMark,       dbcbModel,       dbeCarNumber,  dbeMotorNum,   dbeFrameNum,      dbcbGorivo,
            dbeName,        dbePhone,        dbeFirmName,   dbeFirmAddres, dbeTaxNom,        dbeBulstat,
            DBC_tax_kind,   lbl_tax_kind,    cbxPayed,      cbxAnnul,      cbxInvoice,       cbxFinnished,
            DBE_sale_num,   DBE_sale_date,   DBE_invoice_num, DBE_invoice_date, lblSaleNum,  lblSaleDate,
            lblInvoiceNum,  lblInvoiceDate};
}

void TfCarVantel::LockEditing()
{
    if (app::OrderLocked) return;
    lblEditing->Hide();
    for (QWidget* control : OrderControls())
        control->setEnabled(false);
    MyDBGrid1->SetReadOnly(true);
    app::OrderLocked = true;
}

void TfCarVantel::UnlockEditing()
{
    lblEditing->SetCaption(cbxFinnished->Checked() ? QStringLiteral("Редактиране")
                                                   : QStringLiteral("Неприключена сметка!"));
    lblEditing->Show();
    for (QWidget* control : OrderControls())
        if (control != cbxFinnished) control->setEnabled(true);
    MyDBGrid1->SetReadOnly(false);
    app::OrderLocked = false;
    cbxFinnished->setEnabled(SettingOn(&TfSetings::cbxPayedOrNot));
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

// --- the lines ---------------------------------------------------------------------------------

template <class F>
void TfCarVantel::InLinesBatch(F&& work)
{
    TDaoTable* lines = DM->tblSaleDetail;
    const auto leaveBatch = [lines] {
        lines->SetBatchMode(false);
        lines->Refresh();
        lines->EnableControls();
    };
    lines->DisableControls();
    try {
        lines->SetBatchMode(true);
        lines->Refresh();
        work(lines);
    } catch (...) {
        try {
            // The line whose post failed is not posted again on the way out.
            if (lines->State() != dsBrowse) lines->Cancel();
            leaveBatch();
        } catch (const std::exception&) {
        }
        throw;
    }
    leaveBatch();
}

void TfCarVantel::RenumberLines()
{
    if (app::RenumberingLines) return;
    app::TRenumberingGuard guard;
    app::LineAdded = false;
    InLinesBatch([](TDaoTable* lines) {
        int number = 0;
        for (lines->First(); !lines->Eof(); lines->Next()) {
            lines->Edit();
            FieldOf(lines, "cur_prod_count")->SetAsInteger(++number);
            lines->Post();
        }
    });
}

void TfCarVantel::RequeryLines()
{
    WithLinesDisabled([](TDaoTable* lines) {
        if (!lines->Requery()) lines->Refresh();
    });
}

void TfCarVantel::MakeGridEditable()
{
    MyDBGrid1->Columns().BeginUpdate();
    MyDBGrid1->SetOptions(MyDBGrid1->Options() & ~dgEditing);
    TApplication::ProcessMessages();
    if (DM->VantelDataBase->Connected()) DM->VantelDataBase->Idle();
    MyDBGrid1->SetOptions(MyDBGrid1->Options() | dgEditing);
    for (int column : {2, 4, 5, 6})
        MyDBGrid1->Columns()[column]->SetReadOnly(false);
    MyDBGrid1->Columns().EndUpdate();
    DM->srcSaleDetail->SetAutoEdit(true);
}

void TfCarVantel::MyDBGrid1KeyPress(QObject*, QChar& key)
{
    app::MissingStock = false;
    const TField* field = MyDBGrid1->SelectedField();
    const QString name = field ? field->FieldName() : QString();
    if (key == QLatin1Char('-') && (name == QLatin1String("sale_quantity") || name == QLatin1String("sale_price") ||
                                    name == QLatin1String("discount"))) {
        key = QChar();
        return;
    }
    if (key == QLatin1Char('\x1b')) {
        key = QChar();
        FocusCarPanel();
        return;
    }
    if (key == QLatin1Char('\t')) {
        key = QChar();
        Panel3->setFocus(Qt::TabFocusReason);
        return;
    }
    if (name != QLatin1String("article_name")) return;
    // A stock article's name comes from its lot and is not typed over. A line not taken from a
    // lot (a new one, or one typed by hand) has none; its service flag is False, never Null.
    TDataSet* lines = DM->tblSaleDetail;
    if (!FieldOf(lines, "service")->AsBoolean() && !FieldOf(lines, "delivery_detail_id")->IsNull()) {
        key = QChar();
    } else if (key == QLatin1Char('\r')) {
        key = QChar();
        MyDBGrid1EditButtonClick(MyDBGrid1);
    }
}

void TfCarVantel::MyDBGrid1EditButtonClick(QObject*)
{
    if (MyDBGrid1->ReadOnly() || app::OrderLocked || !fSearch) return;
    {
        THourglass hourglass;
        // The lookup lists the stock through its own queries; the stock window's is not read.
        TApplication::ProcessMessages();
        DM->VantelDataBase->Idle();
        fSearch->PrepareStock(KeepsStockView());
    }
    const TField* name = FieldOf(DM->tblSaleDetail, "article_name");
    if (!name->IsNull()) fSearch->tbxSearchValue->SetText(name->AsString());
    if (fSearch->ShowModal() == TfSearch::kDeliveryResult) ShowStoresReadOnly();
}

void TfCarVantel::MyDBGrid1DrawColumnCell(QObject*, const QRect& rect, int dataCol, TColumn* column, int state)
{
    MyDBGrid1->SetShowHint(SettingOn(&TfSetings::cbMessages));
    TDataSet* lines = DM->tblSaleDetail;
    if (FieldOf(lines, "service")->AsBoolean()) {
        MyDBGrid1->Canvas().SetFontColor(kServiceColor);
    } else if (FieldOf(lines, "quantity_reminder")->AsFloat() - FieldOf(lines, "sale_quantity")->AsFloat() < 0) {
        MyDBGrid1->Canvas().SetFontColor(kNoStockColor);
        app::MissingStock = true;
    }
    MyDBGrid1->DefaultDrawColumnCell(rect, dataCol, column, state);
}

void TfCarVantel::MyDBGrid1MouseMove(QObject*, TShiftState, int, int)
{
    TDataSet* lines = DM->tblSaleDetail;
    MyDBGrid1->SetHint(FieldOf(lines, "article_name")->AsString() + QStringLiteral(" < кол. ") +
                       FieldOf(lines, "quantity_reminder")->AsString() + QStringLiteral(" > - д.ц. ") +
                       dbeDeliveryPrice->Text());
}

void TfCarVantel::MyDBGrid1Enter(QObject*)
{
    MakeGridEditable();
}

void TfCarVantel::MyDBGrid1ColEnter(QObject*)
{
    if (DM->tblSaleDetail->ControlsDisabled()) DM->tblSaleDetail->EnableControls();
    MakeGridEditable();
}

void TfCarVantel::MyDBGrid1ColExit(QObject*)
{
    if (app::OrderLocked || !app::NewLine) return;
    app::NewLine = false;
    WithLinesDisabled([](TDaoTable* lines) { lines->Refresh(); });
}

void TfCarVantel::MyDBGrid1Exit(QObject*)
{
    if (app::OrderLocked || !app::LineAdded) return;
    RenumberLines();
    app::LineAdded = false;
}

void TfCarVantel::popAppendClick(QObject*)
{
    if (!CheckConnection() || app::OrderLocked) return;
    DM->tblSaleDetail->Append();
}

void TfCarVantel::popClearClick(QObject*)
{
    if (!CheckConnection()) return;
    TDaoTable* lines = DM->tblSaleDetail;
    if (FieldOf(lines, "id")->IsNull() || app::OrderLocked) return;
    if (!SettingOn(&TfSetings::cbMessages) ||
        !ShowWarning(QStringLiteral("Текущия ред от таблицата ще бъде премахнат !\rНаистина ли искате това ?"), true))
        return;
    try {
        lines->Delete();
        TApplication::ProcessMessages();
        DM->VantelDataBase->Idle();
        if (!lines->Requery()) lines->Refresh();
        RenumberLines();
        DM->tblSaleTotalQuery->Requery();
        DM->tblSaleTotalQuery->RequeryIfRestartable();
        // The order's stored total no longer holds: leaving it must ask.
        app::OrderDirty = true;
    } catch (const std::exception&) {
        ShowWarning(QStringLiteral("Поради възникнала грешка, записът не бе премахнат !"), false);
    }
}

void TfCarVantel::popFirstClick(QObject*)
{
    DM->tblSaleDetail->First();
}

void TfCarVantel::popLastClick(QObject*)
{
    DM->tblSaleDetail->Last();
}

void TfCarVantel::poReCallClick(QObject*)
{
    RequeryLines();
}

void TfCarVantel::MyGridPopupPopup(QObject*)
{
    const bool editing = lblEditing->Visible();
    for (TMenuItem* item : {popClear, popCommit, popAppend, poReCall})
        item->SetEnabled(editing);
}

void TfCarVantel::dbe1Click(QObject*)
{
    dbeDeliveryPrice->Show();
    dbe1->Hide();
}

void TfCarVantel::dbeDeliveryPriceClick(QObject*)
{
    dbeDeliveryPrice->Hide();
    dbe1->Show();
}

void TfCarVantel::dbe2Click(QObject*)
{
    dbeQutyRem->Show();
    dbe2->Hide();
}

void TfCarVantel::dbeQutyRemClick(QObject*)
{
    dbeQutyRem->Hide();
    dbe2->Show();
}

void TfCarVantel::dbe1KeyPress(QObject* sender, QChar& key)
{
    if (key == QLatin1Char('\r')) dbe1Click(sender);
}

void TfCarVantel::dbe2KeyPress(QObject* sender, QChar& key)
{
    if (key == QLatin1Char('\r')) dbe2Click(sender);
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

void TfCarVantel::CloseCashDatasets()
{
    DM->tblCashBox->Close();
    for (TDaoTable* table : CashDatasets()) table->Close();
}

void TfCarVantel::FilterCashMoves(const QString& box, const QString& from, const QString& to)
{
    const QString filter = QStringLiteral("[cashbox_num]=") + box + QStringLiteral(" AND [date]>=DateValue(\"") + from +
                           QStringLiteral("\") AND [date]<DateValue(\"") + to + QStringLiteral("\")");
    FilterBy(DM->tblCashTakings, filter);
    FilterBy(DM->tblCashGiveIn, filter);
}

bool TfCarVantel::OpenCashPeriod(const QString& box, const QString& from, const QString& to)
{
    if (!DM->VantelDataBase->Connected()) return false;
    THourglass hourglass;
    try {
        TDaoTable* closings = DM->tblCashBox;
        closings->SetFiltered(false);
        closings->Open();
        FilterBy(closings, QStringLiteral("[finished]=True AND [cashbox_nom]=") + box);
        const auto current = [closings](const char* field) {
            return closings->IsEmpty() ? QString() : closings->FieldByName(QString::fromLatin1(field))->AsString();
        };
        fCasheBox->lblLastFinished->SetCaption(QStringLiteral("Последно приключване ") + current("from_date"));
        FilterBy(closings, QStringLiteral("[finished]=True AND [cashbox_nom]=") + box +
                               QStringLiteral(" AND [to_date]<DateValue(\"") + from + QStringLiteral("\")"));
        // The old balance shows as money, like the new one beside it.
        TField* oldBalance = closings->FieldByName(QStringLiteral("All_calculation"));
        fCasheBox->eOldBalance->SetText(closings->IsEmpty() || oldBalance->IsNull() ? QString()
                                                                                   : MoneyText(oldBalance->AsFloat()));
        fCasheBox->lblSaldoDate->SetCaption(QStringLiteral("Старото салдо е от дата  ") + current("to_date"));

        for (TDaoTable* table : CashDatasets()) table->QueryDefParameters().SetText(box + '\n' + from + '\n' + to);
        FilterCashMoves(box, from, to);
        for (TDaoTable* table : CashDatasets()) table->Open();
        return true;
    } catch (const std::exception&) {
        CloseCashDatasets();
        ShowWarning(QStringLiteral("Грешка при отваряне на касата !"), false);
        return false;
    }
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

// --- finishing, annulling and invoicing ---------------------------------------------------------

namespace {

constexpr TColor kBoxOnColor = 7105791;
constexpr TColor kBoxOffColor = 6316128;

// A typed invoice number: 0 for none ("" or "0"), -1 for a text that is no number.
qint64 TypedInvoiceNumber(const QString& text)
{
    const QString typed = text.trimmed();
    if (typed.isEmpty()) return 0;
    bool ok = false;
    const qint64 number = typed.toLongLong(&ok);
    if (!ok || number < 0 || number > std::numeric_limits<qint32>::max()) return -1;
    for (const QChar c : typed)
        if (!c.isDigit()) return -1;
    return number;
}

qint32 BookOf(TDataSet* sale)
{
    return FieldOf(sale, "kochan_num")->AsInteger();
}

// Whether the order is short of stock: a line of goods whose lot holds less than it takes.
bool AnyLineShort(TDataSet* lines)
{
    bool shortLine = false;
    for (lines->First(); !lines->Eof(); lines->Next())
        if (!FieldOf(lines, "service")->AsBoolean() &&
            FieldOf(lines, "quantity_reminder")->AsFloat() < FieldOf(lines, "sale_quantity")->AsFloat())
            shortLine = true;
    return shortLine;
}

}  // namespace

void TfCarVantel::BindFinishing()
{
    cbxAnnul->OnClick = Bind(this, &M::cbxAnnulClick);
    cbxPayed->OnClick = Bind(this, &M::cbxPayedClick);
    cbxFinnished->OnClick = Bind(this, &M::cbxFinnishedClick);
    cbxInvoice->OnClick = Bind(this, &M::cbxInvoiceClick);
    DBC_tax_kind->OnChange = Bind(this, &M::DBC_tax_kindChange);
    DBE_invoice_num->OnKeyPress = Bind(this, &M::DBE_invoice_numKeyPress);
    DBE_invoice_num->OnExit = Bind(this, &M::DBE_invoice_numExit);
}

void TfCarVantel::Commit1Click(QObject*)
{
    if (!CheckConnection()) return;
    // The whole stock is not read here: the finish reads its own lots, and the stock window
    // reads the whole stock again when it opens.
    TApplication::ProcessMessages();
    DM->VantelDataBase->Idle();
    if (app::OrderLocked) return;
    RenumberLines();
    FinishOrder();
}

bool TfCarVantel::InvoiceNumberTaken(qint32 number, qint32 book)
{
    TDataSet* sale = DM->tblSale;
    return DM->AnyRow(QStringLiteral("SELECT id FROM sale WHERE invoice_num=:number AND Nz(kochan_num,0)=:book "
                                     "AND myfirm_id=:firm AND invoice_annul=False AND invoice_accept=True "
                                     "AND id<>:id"),
                      {{QStringLiteral("number"), TVariant(number)},
                       {QStringLiteral("book"), TVariant(book)},
                       {QStringLiteral("firm"), TVariant(FieldOf(sale, "myfirm_id")->AsInteger())},
                       {QStringLiteral("id"), TVariant(FieldOf(sale, "id")->AsInteger())}});
}

int TfCarVantel::MaxInvoiceNum()
{
    TDaoTable* sale = DM->tblSale;
    if (!sale->Active()) return -1;
    return HighestNumber(QStringLiteral("SELECT Max([invoice_num]) FROM sale WHERE kochan_num=:book AND myfirm_id=:firm;"),
                         {{QStringLiteral("book"), TVariant(BookOf(sale))},
                          {QStringLiteral("firm"), TVariant(FieldOf(sale, "myfirm_id")->AsInteger())}});
}

// The invoice's number, one above the book's and firm's highest, drawn and stored in one write
// so that another station's invoice stored meanwhile is counted.
void TfCarVantel::DrawInvoiceNum()
{
    TDaoTable* sale = DM->tblSale;
    if (MaxInvoiceNum() == -1) throw Exception(QStringLiteral("Номерът на фактурата не може да бъде определен !"));
    app::DrawNextNumber(*DM->VantelDataBase, QStringLiteral("sale"), QStringLiteral("invoice_num"),
                        FieldOf(sale, "id")->AsInteger(),
                        QStringLiteral("kochan_num=%1 AND myfirm_id=%2")
                            .arg(BookOf(sale))
                            .arg(FieldOf(sale, "myfirm_id")->AsInteger()));
    sale->Refresh();
}

// The typed invoice number is free in the order's book and firm; otherwise says so and clears it.
bool TfCarVantel::InvoiceNumberFree()
{
    const qint64 typed = TypedInvoiceNumber(DBE_invoice_num->Text());
    if (typed == 0) return true;
    if (typed < 0) {
        ShowWarning(QStringLiteral("Невалиден номер на фактура !"), false);
        return false;
    }
    const qint32 book = BookOf(DM->tblSale);
    if (!InvoiceNumberTaken(static_cast<qint32>(typed), book)) return true;
    ShowWarning(QStringLiteral("Фактура с №") + QString::number(typed) + QStringLiteral(" от кочан №") +
                    QString::number(book) + QStringLiteral(" вече съществува!") + QLatin1Char('\r') +
                    QStringLiteral("Променете номера на фактурата преди да я приключите!"),
                false);
    DBE_invoice_num->SetText(QStringLiteral("0"));
    return false;
}

// Links, totals at the stored rate, date and order number.
void TfCarVantel::StampOrder()
{
    TDaoTable* sale = DM->tblSale;
    sale->Edit();
    if (shownCarId_) FieldOf(sale, "car_id")->SetAsInteger(shownCarId_);
    if (shownClientId_) FieldOf(sale, "client_id")->SetAsInteger(shownClientId_);
    FieldOf(sale, "MyFirm_id")->SetAsInteger(FieldOf(DM->tblMyFirm, "id")->AsInteger());
    if (DBE_sale_date->Text().trimmed().isEmpty()) FieldOf(sale, "sale_date")->SetAsDateTime(Now());
    FieldOf(sale, "tax_rate")->SetAsInteger(FieldOf(DM->tblMyFirm, "DDS")->AsInteger());
    if (FieldOf(sale, "kochan_num")->IsNull()) FieldOf(sale, "kochan_num")->SetAsInteger(0);
    sale->Post();
    TApplication::ProcessMessages();
    DM->VantelDataBase->Idle();
    DrawSaleNum();
    // The totals of the rate just stored.
    DM->tblSaleTotalQuery->Requery();
    DM->tblSaleTotalQuery->RequeryIfRestartable();
    sale->Edit();
    FieldOf(sale, "sum_sale_total")->SetAsString(FieldOf(DM->tblSaleTotalQuery, "Total")->AsString());
    FieldOf(sale, "tax_value")->SetAsString(FieldOf(DM->tblSaleTotalQuery, "SaleDDS")->AsString());
    sale->Post();
    // Whatever reads the car and client next reads the order's; found through the key, not by
    // walking every car and client of the shop's history.
    if (shownCarId_) DM->tblCar->Locate(QStringLiteral("id"), TVariant(shownCarId_), {});
    if (shownClientId_) DM->tblClient->Locate(QStringLiteral("id"), TVariant(shownClientId_), {});
}

// Numbers the invoice when the operator asks for it and it has none.
void TfCarVantel::NumberInvoice()
{
    TDaoTable* sale = DM->tblSale;
    const TField* number = FieldOf(sale, "invoice_num");
    if (!cbxInvoice->Checked() || number->AsInteger() >= 1 || !SettingOn(&TfSetings::cbMessages) ||
        !ShowWarning(QStringLiteral("Искате ли поръчката да бъде\rтрансформирана във фактура ?"), true))
        return;
    DrawInvoiceNum();
    sale->Edit();
    FieldOf(sale, "invoice_date")->SetAsDateTime(Now());
    FieldOf(sale, "invoice")->SetAsBoolean(true);
    sale->Post();
}

void TfCarVantel::MarkOrderSold()
{
    TDaoTable* sale = DM->tblSale;
    app::MissingStock = false;
    sale->Edit();
    FieldOf(sale, "invoice_accept")->SetAsBoolean(true);
    FieldOf(sale, "invoice_annul")->SetAsBoolean(false);
    FieldOf(sale, "seller_id")->SetAsString(app::CurrentSellerId);
    FieldOf(sale, "last_modified")->SetAsDateTime(Now());
    const QString ownBox = fSetings->cbxCashBoxNum->Text();
    TField* box = FieldOf(sale, "cashbox_num");
    if (box->AsString() == QLatin1String("0")) box->SetAsString(ownBox);
    if (box->AsString() != ownBox &&
        ShowWarning(QStringLiteral("Тази поръчка е от друга каса !\rПромяната ще я запише във вашата каса !"), true))
        box->SetAsString(ownBox);
    sale->Post();
}

// Each line's stock as it stands with this order counted as sold, its own quantity added back.
// Only the order's own lots are read, so a finish costs the same however long the history.
void TfCarVantel::RecountLineStock()
{
    TApplication::ProcessMessages();
    // The lines' stock is stored all at once or not at all.
    InLinesBatch([](TDaoTable* lines) {
        QList<qint32> lots;
        for (lines->First(); !lines->Eof(); lines->Next())
            if (const TField* lot = FieldOf(lines, "delivery_detail_id"); !lot->IsNull()) lots << lot->AsInteger();
        const QHash<qint32, double> lotStock = DM->StockOfLots(lots);
        for (lines->First(); !lines->Eof(); lines->Next()) {
            const TField* lot = FieldOf(lines, "delivery_detail_id");
            lines->Edit();
            const auto found = lot->IsNull() ? lotStock.cend() : lotStock.constFind(lot->AsInteger());
            FieldOf(lines, "quantity_reminder")
                ->SetAsFloat(found == lotStock.cend() ? 0.0 : *found + FieldOf(lines, "sale_quantity")->AsFloat());
            lines->Post();
        }
    });
    DM->VantelDataBase->Idle();
}

void TfCarVantel::SetFinishedBox(bool finished)
{
    SetCheckedQuietly(cbxFinnished, finished);
    cbxFinnished->SetFontColor(finished ? kBoxOnColor : kBoxOffColor);
}

void TfCarVantel::FinishOrder()
{
    TDaoTable* sale = DM->tblSale;
    if (!IsSaleRow()) return;
    bool markedSold = false;
    try {
        if (app::CarEdited) InsertCar();
        if (app::ClientEdited) InsertClient();
        TDaoTable* lines = DM->tblSaleDetail;
        if (!lines->IsEmpty()) {
            lines->Edit();
            lines->Post();
        }
        if (FieldOf(sale, "invoice_annul")->AsBoolean()) {
            ShowWarning(QStringLiteral("Не може да приключвате анулирана\rпоръчка или анулирана фактура !!!"), false);
            return;
        }
        if (!InvoiceNumberFree()) return;
        RequeryLines();
        StampOrder();
        NumberInvoice();
        markedSold = true;
        MarkOrderSold();
        RecountLineStock();
        if (AnyLineShort(lines)) {
            app::MissingStock = true;
            sale->Edit();
            FieldOf(sale, "invoice_accept")->SetAsBoolean(false);
            sale->Post();
            SetFinishedBox(false);
            lines->First();
            ShowWarning(QStringLiteral("Поради изписана липсваща стока от склада,\rтази поръчка не може да се приключи !"),
                        false);
            return;
        }
        lines->First();
        sale->Edit();
        FieldOf(sale, "invoice_accept")->SetAsBoolean(true);
        SetFinishedBox(true);
        FieldOf(sale, "invoice")->SetAsBoolean(cbxInvoice->Checked());
        sale->Post();
        app::OrderDirty = false;
        if (SettingOn(&TfSetings::cbMessages)) ShowWarning(QStringLiteral("Поръчката бе приключена !"), false);
        LockEditing();
    } catch (const EAbort&) {
        // A value an edit refused: it has been said, and the edit keeps it to put right.
        if (markedSold) UndoSold();
    } catch (const std::exception& error) {
        if (markedSold) UndoSold();
        ShowWarning(ProcessStoppedText(error), false);
    }
}

// A finish that failed once the order counted as sold leaves it unfinished, as far as it can.
void TfCarVantel::UndoSold()
{
    TDaoTable* sale = DM->tblSale;
    try {
        if (DM->tblSaleDetail->State() != dsBrowse) DM->tblSaleDetail->Cancel();
        if (sale->State() != dsBrowse) sale->Cancel();
        sale->Edit();
        FieldOf(sale, "invoice_accept")->SetAsBoolean(false);
        sale->Post();
    } catch (const std::exception&) {
        try {
            if (sale->State() != dsBrowse) sale->Cancel();
        } catch (const std::exception&) {
        }
    }
    SetFinishedBox(false);
}

void TfCarVantel::fbtAnulaClick(QObject*)
{
    if (!CheckConnection()) return;
    if (app::OrderLocked) {
        fMyMessage->SetHelpContext(4);
        ShowWarning(QStringLiteral("За да анулирате тази поръчка,\rтрябва да сте в режим редактиране!"), true);
        return;
    }
    if (!IsSaleRow()) return;
    if (SettingOn(&TfSetings::cbMessages) && !ShowWarning(QStringLiteral("Искате ли да анулирате поръчката ?"), true))
        return;
    TDaoTable* sale = DM->tblSale;
    sale->Edit();
    FieldOf(sale, "invoice_accept")->SetAsBoolean(false);
    FieldOf(sale, "invoice_annul")->SetAsBoolean(true);
    sale->Post();
    TApplication::ProcessMessages();
    DM->VantelDataBase->Idle();
    cbxAnnul->SetChecked(FieldOf(sale, "invoice_annul")->AsBoolean());
    SetFinishedBox(false);
    if (SettingOn(&TfSetings::cbMessages)) ShowWarning(QStringLiteral("Поръчката бе анулирана !"), false);
    app::OrderDirty = false;
    app::CarEdited = false;
    app::ClientEdited = false;
}

// Writes a status box to its field of the shown order.
void TfCarVantel::StoreStatusBox(TCheckBox* box, const char* field)
{
    if (!IsSaleRow()) return;
    TDaoTable* sale = DM->tblSale;
    if (FieldOf(sale, field)->AsBoolean() == box->Checked() && sale->State() == dsBrowse) return;
    sale->Edit();
    FieldOf(sale, field)->SetAsBoolean(box->Checked());
    sale->Post();
    TApplication::ProcessMessages();
    DM->VantelDataBase->Idle();
}

void TfCarVantel::cbxAnnulClick(QObject*)
{
    if (!IsSaleRow()) return;
    StoreStatusBox(cbxAnnul, "invoice_annul");
    if (cbxAnnul->Checked() && cbxPayed->Checked()) cbxPayed->SetChecked(false);
    cbxAnnul->SetFontColor(cbxAnnul->Checked() ? kBoxOnColor : kBoxOffColor);
}

void TfCarVantel::cbxPayedClick(QObject*)
{
    StoreStatusBox(cbxPayed, "invoice_piment");
}

void TfCarVantel::cbxFinnishedClick(QObject*)
{
    cbxFinnished->SetFontColor(cbxFinnished->Checked() ? kBoxOnColor : kBoxOffColor);
}

void TfCarVantel::cbxInvoiceClick(QObject*)
{
    if (!IsSaleRow()) return;
    if (app::MissingStock) {
        SetCheckedQuietly(cbxInvoice, false);
        cbxAnnul->SetChecked(true);
        return;
    }
    const bool invoice = cbxInvoice->Checked();
    ShowInvoiceButtons();
    if (invoice) cbxAnnul->SetChecked(false);
    DBE_invoice_num->SetReadOnly(!invoice);
}

void TfCarVantel::DBC_tax_kindChange(QObject*)
{
    if (!IsSaleRow()) return;
    TDaoTable* sale = DM->tblSale;
    const bool cash = DBC_tax_kind->ItemIndex() == 0;
    // Cash marks paid only an order that passed the finish.
    if (cash && !cbxFinnished->Checked()) return;
    if (sale->State() == dsBrowse) sale->Edit();
    FieldOf(sale, "invoice_accept")->SetAsBoolean(cash);
}

void TfCarVantel::DBE_invoice_numKeyPress(QObject*, QChar& key)
{
    if (key == QLatin1Char('-')) key = QChar();
    if (DBE_invoice_num->ReadOnly())
        ShowWarning(QStringLiteral("За да промените номера на фактурата трябва преди\r това да сте избрали "
                                   "\"Издаване на фактура\" !!! "),
                    false);
}

void TfCarVantel::DBE_invoice_numExit(QObject*)
{
    if (DBE_invoice_num->Text().isEmpty()) DBE_invoice_num->SetText(QStringLiteral("0"));
    if (DBE_invoice_num->Text() == QLatin1String("0")) cbxInvoice->SetChecked(false);
}

void TfCarVantel::tbtDellClick(QObject*)
{
    if (!CheckConnection()) return;
    if (app::OrderLocked) {
        ShowWarning(QStringLiteral("За да премахнете тази поръчка от списъка,\rтрябва да сте в режим редактиране и\r"
                                   "да сте изтрили всичките й позиции ."),
                    false);
        return;
    }
    if (!IsSaleRow()) return;
    TDaoTable* sale = DM->tblSale;
    try {
        if (DM->AnyRow(QStringLiteral("SELECT id FROM sale_detail WHERE sale_id=:id"),
                       {{QStringLiteral("id"), TVariant(FieldOf(sale, "id")->AsInteger())}})) {
            ShowWarning(QStringLiteral("За да премахнете тази поръчка от списъка,\rтрябва да изтриете всичките й позиции ."),
                        false);
            return;
        }
        if (SettingOn(&TfSetings::cbMessages) &&
            !ShowWarning(QStringLiteral("Текущата поръчка ще бъде премахната от базата !\rНаистина ли искате това ?"), true))
            return;
        sale->Delete();
        TApplication::ProcessMessages();
        DM->VantelDataBase->Idle();
        sale->RequeryIfRestartable();
        DM->tblSaleDetail->RequeryIfRestartable();
        ShowCurrentSale();
        LockEditing();
    } catch (const std::exception&) {
        ShowWarning(QStringLiteral("Поради възникнала грешка, записът не бе премахнат !"), false);
    }
}

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

void TfCarVantel::ShowInvoiceButtons()
{
    const bool invoice = cbxInvoice->Checked();
    fbtPrint->setVisible(invoice);
    fbtView->SetCaption(invoice ? QStringLiteral("&Преглед фактура") : QStringLiteral("&Преглед проформа"));
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
