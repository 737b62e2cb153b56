#include "app/windows/uSetings.h"

#include "app/datamodule/DModule.h"
#include "app/datamodule/TemplateDatabase.h"
#include "app/settings/PasswordScrambling.h"
#include "app/util/AppGlobals.h"
#include "app/util/DatabaseCopy.h"
#include "app/windows/WindowKit.h"
#include "app/windows/WindowServices.h"
#include "app/windows/uErrorDescription.h"
#include "app/windows/uMyMessage.h"
#include "controls/FlatButton.h"
#include "dataaccess/DaoConnectionCheck.h"
#include "dataaccess/DaoDataBase.h"
#include "dataaccess/DaoInfo.h"
#include "dataaccess/DaoTable.h"
#include "platform/dao/DaoDatabase.h"
#include "platform/os/Files.h"
#include "platform/os/StopPoint.h"
#include "platform/toolkit/DateTime.h"
#include "platform/toolkit/Exceptions.h"
#include "platform/toolkit/Fields.h"
#include "platform/toolkit/gui/Application.h"
#include "platform/toolkit/gui/Menus.h"
#include "platform/toolkit/gui/StandardControls.h"
#include "platform/toolkit/gui/Tabs.h"

#include <QDir>
#include <memory>

TfSetings* fSetings = nullptr;

namespace {

const QString kArchiveName = QStringLiteral("carvantel_archive.mdb");
const QString kRepairName = QStringLiteral("carvantel.mdb");

bool Warn(const QString& text, bool withCancel = false)
{
    return ShowWarning(text, withCancel);
}

bool Connected()
{
    return DM && DM->VantelDataBase->Connected();
}

void FillNumbers(TComboBox* box, int from, int to)
{
    for (int i = from; i <= to; ++i) box->Items().Add(QString::number(i));
}

TLabel* CaptionLabel(QWidget* parent, const QString& text, int left, int top, QWidget* focus = nullptr)
{
    auto* label = new TLabel(parent);
    label->SetCaption(text);
    label->move(left, top);
    label->SetFocusControl(focus);
    return label;
}

// Only digits and backspace may be typed.
void DigitsOnly(TComboBox* box)
{
    box->OnKeyPress = [](QObject*, QChar& key) {
        if (!(key.isDigit() && key.unicode() < 128) && key != QChar(8)) key = QChar();
    };
}

// A radio button set from a stored value; unlike a click, a value may switch it off and leave
// its group with none on.
void SetRadio(TRadioButton* button, bool on)
{
    if (on) {
        button->SetChecked(true);
        return;
    }
    button->setAutoExclusive(false);
    button->setChecked(false);
    button->setAutoExclusive(true);
}

}  // namespace

TfSetings::TfSetings(QWidget* parent) : TForm(parent)
{
    setObjectName(QStringLiteral("fSetings"));
    SetCaption(QStringLiteral("Настройки"));
    SetHelpContext(5);
    SetBorderStyle(bsDialog);
    SetPosition(poScreenCenter);
    resize(430, 372);

    TabControl1 = Place<TTabControl>(this, "TabControl1", 8, 8, 414, 24);
    for (const char* tab : {"Настройки", "Архивиране", "Управление", "   Права   "})
        TabControl1->Tabs().Add(QString::fromUtf8(tab));
    Notebook1 = Place<TNotebook>(this, "Notebook1", 8, 34, 414, 284);
    BuildPage0(Notebook1->AddPage(QStringLiteral("Default")));
    BuildPage1(Notebook1->AddPage(QStringLiteral("Archive")));
    BuildPage2(Notebook1->AddPage(QStringLiteral("Management")));
    BuildPage3(Notebook1->AddPage(QStringLiteral("Rights")));

    OKBtn = Place<TFlatButton>(this, "OKBtn", QStringLiteral("&OK"), 124, 330, 92, 28);
    OKBtn->SetModalResult(mrOk);
    OKBtn->SetDefault(true);
    CancelBtn = Place<TFlatButton>(this, "CancelBtn", QStringLiteral("&Отказ"), 224, 330, 92, 28);
    CancelBtn->SetModalResult(mrCancel);
    CancelBtn->SetCancel(true);
    FlatButton3 = Place<TFlatButton>(this, "FlatButton3", QStringLiteral("&По дефиниция"), 8, 330, 110, 28);

    PopupMenu1 = new TPopupMenu(this);
    PopupMenu1->setObjectName(QStringLiteral("PopupMenu1"));
    static const TMenuSpec<TfSetings> kPopup[] = {
        {"", "N1", "&Начинаещ", "", &TfSetings::N1Click, &TfSetings::N1},
        {"", "N2", "&Разсеян", "", &TfSetings::N2Click, &TfSetings::N2},
        {"", "N3", "&Експерт", "", &TfSetings::N3Click, &TfSetings::N3},
    };
    DeclareMenu(this, PopupMenu1, kPopup);

    TabControl1->OnChange = Bind(this, &TfSetings::TabControl1Change);
    OKBtn->OnClick = Bind(this, &TfSetings::OKBtnClick);
    FlatButton3->OnClick = Bind(this, &TfSetings::FlatButton3Click);
    OnCreate = Bind(this, &TfSetings::FormCreate);
    OnShow = Bind(this, &TfSetings::FormShow);
    OnClose = Bind(this, &TfSetings::FormClose);

    if (!fSetings) fSetings = this;
    settingsSource_.Load = [this](const TSettingsFile& file) { LoadSettingsFrom(file); };
    settingsSource_.Collect = [this](TSettingsRecord& record) { CollectWindowSettings(record); };
    settingsSource_.OperatorName = [this] { return eOperatorName->Text(); };
    settingsSource_.DaoVersion = [this] { return cbxDaoVersion->Text(); };
    settingsSource_.AllowDaoVersionChoice = [this] { cbxDaoVersion->setEnabled(true); };
    if (!WindowSettings()) SetWindowSettings(&settingsSource_);
    if (DM) DM->WindowHooks.CashBoxNumberText = [this] { return cbxCashBoxNum->Text(); };
    PlaceFlatLook(this);
}

TfSetings::~TfSetings()
{
    if (WindowSettings() == &settingsSource_) SetWindowSettings(nullptr);
    if (fSetings == this) fSetings = nullptr;
}

void TfSetings::BuildPage0(QWidget* page)
{
    GroupBox1 = Place<TGroupBox>(page, "GroupBox1", QStringLiteral(" Временни "), 4, 4, 404, 88);
    cbChangeSaleData = Place<TCheckBox>(GroupBox1, "cbChangeSaleData", QStringLiteral("&Разреши промяна на данните"),
                                        12, 20, 380, 20);
    cbxPayedOrNot = Place<TCheckBox>(GroupBox1, "cbxPayedOrNot", QStringLiteral("Р&азреши корекция платена-неплатена"),
                                     12, 42, 380, 20);
    cbxOnlythisCash = Place<TCheckBox>(GroupBox1, "cbxOnlythisCash", QStringLiteral("По&ръчки само от тази  каса"), 12,
                                       64, 380, 20);
    cbxOnlythisCash->SetChecked(true);
    cbxOnlythisCash->setEnabled(false);

    GroupBox2 = Place<TGroupBox>(page, "GroupBox2", QStringLiteral(" Постоянни "), 4, 96, 404, 184);
    struct Box {
        TCheckBox** box;
        const char* name;
        const char* caption;
        bool checked;
    } boxes[] = {
        {&cbMessages, "cbMessages", "&Показване на съобщения", true},
        {&cbWarnings, "cbWarnings", "&Показване на предупреждения", true},
        {&cbSpeedButtons, "cbSpeedButtons", "&Бързи бутони", true},
        {&cbAutoDPrint, "cbAutoDPrint", "&Авто-печат на копието на фактура", true},
        {&cbxDontShowAnullDock, "cbxDontShowAnullDock", "&Да не се показват анулираните поръчки", false},
        {&cbxOnlythisF, "cbxOnlythisF", "П&оръчки само за тази фирма", true},
        {&cbxShowUPayed, "cbxShowUPayed", "Да се показват и &неплатените поръчки", true},
        {&cbxChangeLanguage, "cbxChangeLanguage", "Change languages ability", false},
    };
    int top = 20;
    for (const Box& b : boxes) {
        *b.box = Place<TCheckBox>(GroupBox2, b.name, QString::fromUtf8(b.caption), 12, top, 380, 20);
        (*b.box)->SetChecked(b.checked);
        top += 20;
    }
    cbChangeSaleData->OnClick = Bind(this, &TfSetings::cbChangeSaleDataClick);
    cbxPayedOrNot->OnClick = Bind(this, &TfSetings::cbxPayedOrNotClick);
    cbSpeedButtons->OnClick = Bind(this, &TfSetings::cbSpeedButtonsClick);
}

void TfSetings::BuildPage1(QWidget* page)
{
    GroupBox3 = Place<TGroupBox>(page, "GroupBox3", QStringLiteral(" Поправка на данните "), 4, 4, 404, 100);
    fbtRepair = Place<TFlatButton>(GroupBox3, "fbtRepair", QStringLiteral("&Поправка"), 12, 24, 100, 26);
    fbtCompact = Place<TFlatButton>(GroupBox3, "fbtCompact", QStringLiteral("&Сбиване"), 120, 24, 100, 26);
    eRepbaseName = Place<TEdit>(GroupBox3, "eRepbaseName", 12, 62, 340, 22);
    eRepbaseName->SetText(kRepairName);
    Button2 = Place<TButton>(GroupBox3, "Button2", QStringLiteral("..."), 358, 62, 32, 22);

    GroupBox4 = Place<TGroupBox>(page, "GroupBox4", QStringLiteral("Архивиране"), 4, 110, 404, 170);
    edtArchiveName = Place<TEdit>(GroupBox4, "edtArchiveName", 12, 40, 340, 22);
    edtArchiveName->SetText(kArchiveName);
    CaptionLabel(GroupBox4, QStringLiteral("Име на архива"), 12, 22, edtArchiveName);
    Button1 = Place<TButton>(GroupBox4, "Button1", QStringLiteral("..."), 358, 40, 32, 22);
    FlatButton2 = Place<TFlatButton>(GroupBox4, "FlatButton2", QStringLiteral("&Архивиране"), 12, 72, 120, 26);
    cbAutoArchive = Place<TCheckBox>(GroupBox4, "cbAutoArchive", QStringLiteral("&Автоматично архивиране"), 12, 108,
                                     240, 20);
    cbAutoArchive->SetChecked(true);
    eArchiveCount = Place<TComboBox>(GroupBox4, "eArchiveCount", 12, 138, 60, 22);
    eArchiveCount->SetStyle(csDropDownList);
    FillNumbers(eArchiveCount, 1, 10);
    eArchiveCount->SetText(QStringLiteral("10"));
    CaptionLabel(GroupBox4, QStringLiteral("Брой архивни копия"), 80, 142, eArchiveCount);

    fbtRepair->OnClick = Bind(this, &TfSetings::fbtRepairClick);
    fbtCompact->OnClick = Bind(this, &TfSetings::fbtCompactClick);
    Button1->OnClick = Bind(this, &TfSetings::Button1Click);
    Button2->OnClick = Bind(this, &TfSetings::Button2Click);
    FlatButton2->OnClick = Bind(this, &TfSetings::FlatButton2Click);
    cbAutoArchive->OnClick = Bind(this, &TfSetings::cbAutoArchiveClick);
}

void TfSetings::BuildPage2(QWidget* page)
{
    GroupBox5 = Place<TGroupBox>(page, "GroupBox5", QStringLiteral(" Изписване на наличности "), 4, 4, 404, 70);
    rbtAllDelivery = Place<TRadioButton>(GroupBox5, "rbtAllDelivery", QStringLiteral("По доставки"), 12, 20, 170, 20);
    rbtFiFo = Place<TRadioButton>(GroupBox5, "rbtFiFo", QStringLiteral("По първи доставен"), 190, 20, 200, 20);
    rbtAllDelivery->SetChecked(true);
    cbxDynamic = Place<TCheckBox>(GroupBox5, "cbxDynamic", QStringLiteral("Динамична проверка на наличностите"), 12,
                                  44, 380, 20);
    cbxDynamic->SetChecked(true);
    cbxDynamic->setEnabled(false);

    GroupBox6 = Place<TGroupBox>(page, "GroupBox6", QStringLiteral("  Фирми  "), 4, 78, 404, 130);
    cbxKochanNom = Place<TComboBox>(GroupBox6, "cbxKochanNom", 240, 20, 60, 22);
    FillNumbers(cbxKochanNom, 0, 9);
    cbxKochanNom->SetText(QStringLiteral("0"));
    cbxKochanNom->setEnabled(false);
    CaptionLabel(GroupBox6, QStringLiteral("Номер на текушия кочан"), 12, 24, cbxKochanNom);
    eFirmName = Place<TEdit>(GroupBox6, "eFirmName", 120, 54, 270, 22);
    eFirmName->SetReadOnly(true);
    eFirmName->SetHint(QStringLiteral("Избери от бутон фирми"));
    CaptionLabel(GroupBox6, QStringLiteral("Текуща фирма"), 12, 58, eFirmName);
    cbxCashBoxNum = Place<TComboBox>(GroupBox6, "cbxCashBoxNum", 240, 90, 60, 22);
    FillNumbers(cbxCashBoxNum, 1, 35);
    cbxCashBoxNum->SetText(QStringLiteral("1"));
    cbxCashBoxNum->setEnabled(false);
    CaptionLabel(GroupBox6, QStringLiteral("Номер на обслужващата каса"), 12, 94, cbxCashBoxNum);

    GroupBox7 = Place<TGroupBox>(page, "GroupBox7", QStringLiteral(" Отчет на касата  "), 4, 212, 404, 50);
    rbtCashGiveTake = Place<TRadioButton>(GroupBox7, "rbtCashGiveTake", QStringLiteral("Приходи / Разходи"), 12, 20,
                                          170, 20);
    rbtCashHrono = Place<TRadioButton>(GroupBox7, "rbtCashHrono", QStringLiteral("Хронологично"), 190, 20, 200, 20);
    rbtCashGiveTake->SetChecked(true);

    DigitsOnly(cbxKochanNom);
    DigitsOnly(cbxCashBoxNum);
    rbtFiFo->OnClick = Bind(this, &TfSetings::rbtFiFoClick);
    rbtCashHrono->OnClick = Bind(this, &TfSetings::rbtFiFoClick);
    cbxKochanNom->OnChange = Bind(this, &TfSetings::cbxKochanNomChange);
    cbxCashBoxNum->OnChange = Bind(this, &TfSetings::cbxCashBoxNumChange);
    cbxKochanNom->OnExit = Bind(this, &TfSetings::cbxKochanNomExit);
    cbxCashBoxNum->OnExit = Bind(this, &TfSetings::cbxCashBoxNumExit);
}

void TfSetings::BuildPage3(QWidget* page)
{
    GroupBox8 = Place<TGroupBox>(page, "GroupBox8", QStringLiteral(" Смяна на паролата "), 4, 4, 404, 150);
    GroupBox8->SetHelpContext(9);
    const auto passwordEdit = [this](const char* name, const QString& caption, int top) {
        auto* edit = Place<TEdit>(GroupBox8, name, 140, top, 200, 22);
        edit->SetPasswordChar(QLatin1Char('#'));
        CaptionLabel(GroupBox8, caption, 12, top + 4, edit);
        return edit;
    };
    eOldPass = passwordEdit("eOldPass", QStringLiteral("Стара парола"), 22);
    eNewPass = passwordEdit("eNewPass", QStringLiteral("Нова парола"), 52);
    eNewPass2 = passwordEdit("eNewPass2", QStringLiteral("Пак новата"), 82);
    FlatButton1 = Place<TFlatButton>(GroupBox8, "FlatButton1", QStringLiteral("&Смени паролата"), 140, 114, 140, 26);

    eOperatorName = Place<TEdit>(page, "eOperatorName", 144, 170, 200, 22);
    eOperatorName->SetText(QStringLiteral("Администратор"));
    eOperatorName->setEnabled(false);
    CaptionLabel(page, QStringLiteral("Оператор"), 16, 174, eOperatorName);
    cbxDaoVersion = Place<TComboBox>(page, "cbxDaoVersion", 300, 210, 80, 22);
    for (const char* v : {"3.5", "3.51", "3.6"}) cbxDaoVersion->Items().Add(QString::fromLatin1(v));
    cbxDaoVersion->SetText(QStringLiteral("3.6"));
    cbxDaoVersion->setEnabled(false);
    CaptionLabel(page, QStringLiteral("&Версия на DAO за достъп до базата"), 16, 214, cbxDaoVersion);

    DigitsOnly(cbxDaoVersion);
    FlatButton1->OnClick = Bind(this, &TfSetings::FlatButton1Click);
    cbxDaoVersion->OnChange = Bind(this, &TfSetings::cbxDaoVersionChange);
    cbxDaoVersion->OnDropDown = Bind(this, &TfSetings::cbxDaoVersionDropDown);
}

void TfSetings::FillDaoVersions()
{
    if (!DM) return;
    try {
        std::unique_ptr<TStringList> versions(DM->VantelDataBase->DaoVersionsList());
        if (!versions || versions->Count() == 0) return;
        cbxDaoVersion->Items().Clear();
        cbxDaoVersion->Items().AddStrings(*versions);
        cbxDaoVersion->SetItemIndex(cbxDaoVersion->Items().Count() - 1);
    } catch (const std::exception&) {
        // No engine versions to offer: the box keeps what it has.
    }
}

void TfSetings::FormCreate(QObject*)
{
    FillDaoVersions();
}

void TfSetings::cbxDaoVersionDropDown(QObject*)
{
    FillDaoVersions();
}

void TfSetings::FormShow(QObject*)
{
    edtArchiveName->setEnabled(cbAutoArchive->Checked());
    eArchiveCount->setEnabled(cbAutoArchive->Checked());
    Notebook1->SetPageIndex(TabControl1->TabIndex());
    LoadSettings();
}

void TfSetings::TabControl1Change(QObject*)
{
    Notebook1->SetPageIndex(TabControl1->TabIndex());
}

void TfSetings::FormClose(QObject*, TCloseAction&)
{
    if (fErrorDescription && fErrorDescription->Visible()) fErrorDescription->Hide();
    ClearPasswordEdits();
}

void TfSetings::ClearPasswordEdits()
{
    eOldPass->SetText(QString());
    eNewPass->SetText(QString());
    eNewPass2->SetText(QString());
}

void TfSetings::LoadSettings()
{
    TSettingsFile file;
    if (file.Load()) LoadSettingsFrom(file);
}

void TfSetings::LoadSettingsFrom(const TSettingsFile& file)
{
    const auto ifYes = [&file](const char* key) { return file.IfYes(QString::fromLatin1(key)); };
    const auto unlessNo = [&file](const char* key) { return file.UnlessNo(QString::fromLatin1(key)); };
    cbSpeedButtons->SetChecked(ifYes("SpeedButtons"));
    cbxOnlythisF->SetChecked(ifYes("OnlyForThisFirm"));
    cbxDontShowAnullDock->SetChecked(ifYes("DontShowAnullDock"));
    cbxShowUPayed->SetChecked(ifYes("ShowUPayed"));
    cbAutoDPrint->SetChecked(ifYes("AutoDPrint"));
    SetRadio(rbtAllDelivery, ifYes("AllDelivery"));
    SetRadio(rbtFiFo, ifYes("FiFo"));
    SetRadio(rbtCashHrono, ifYes("CashHrono"));
    cbxChangeLanguage->SetChecked(ifYes("ChangeLanguage"));
    cbxDynamic->SetChecked(ifYes("DynamCheck"));
    if (TMainWindowServices* main = MainWindow()) main->SetEnglishLanguage(ifYes("EnglishLanguage"));
    cbMessages->SetChecked(unlessNo("Messages"));
    cbWarnings->SetChecked(unlessNo("Warnings"));
    cbAutoArchive->SetChecked(unlessNo("AutoArchive"));
    SetRadio(rbtCashGiveTake, unlessNo("CashGiveTake"));

    eFirmName->SetText(file.Value(QStringLiteral("CurrentFirm")));
    eOperatorName->SetText(file.Value(QStringLiteral("Login Name")));
    cbxKochanNom->SetText(QString::number(file.IntValue(QStringLiteral("CurrentBook"), 0)));
    cbxCashBoxNum->SetText(QString::number(file.IntValue(QStringLiteral("CurrentCasheBox"), 1)));
    // A count below 1 would leave no copy to rotate through: it keeps one.
    const QString archiveCount = file.TextOr(QStringLiteral("ArchiveCount"), QStringLiteral("10"));
    bool isNumber = false;
    const int copies = archiveCount.trimmed().toInt(&isNumber);
    eArchiveCount->SetText(isNumber && copies < 1 ? QStringLiteral("1") : archiveCount);
    const QString dao = file.Value(QStringLiteral("DAO"));
    cbxDaoVersion->SetText(dao);
    if (dao.isEmpty() || !dao.startsWith(QLatin1String("3.")))
        cbxDaoVersion->SetItemIndex(cbxDaoVersion->Items().Count() - 1);
    app::CurrentFirmId = file.IntValue(QStringLiteral("CurrentFirmID"), 1);
    app::OperatorPassword = DecodeText(file.Value(QStringLiteral("PWD")), QString::fromLatin1(kPasswordKey));
}

void TfSetings::CollectWindowSettings(TSettingsRecord& record)
{
    record.LoginName = eOperatorName->Text();
    record.CurrentBook = cbxKochanNom->Text();
    record.CurrentCasheBox = cbxCashBoxNum->Text();
    record.Dao = cbxDaoVersion->Text();
    record.CurrentFirm = eFirmName->Text();
    if (eArchiveCount->Text().isEmpty()) eArchiveCount->SetText(QStringLiteral("10"));
    record.ArchiveCount = eArchiveCount->Text();
    record.ChangeSaleData = cbChangeSaleData->Checked();
    record.Messages = cbMessages->Checked();
    record.Warnings = cbWarnings->Checked();
    record.OnlyForThisFirm = cbxOnlythisF->Checked();
    record.DontShowAnullDock = cbxDontShowAnullDock->Checked();
    record.ShowUPayed = cbxShowUPayed->Checked();
    record.SpeedButtons = cbSpeedButtons->Checked();
    record.AllDelivery = rbtAllDelivery->Checked();
    record.FiFo = rbtFiFo->Checked();
    record.CashHrono = rbtCashHrono->Checked();
    record.CashGiveTake = rbtCashGiveTake->Checked();
    record.ChangeLanguage = cbxChangeLanguage->Checked();
    record.DynamCheck = cbxDynamic->Checked();
    record.AutoDPrint = cbAutoDPrint->Checked();
    record.AutoArchive = cbAutoArchive->Checked();
}

int TfSetings::CountDatabaseUsers()
{
    if (!DM->dbInfo) return -1;
    DM->dbInfo->SetActive(false);
    DM->dbInfo->SetDatabase(ResolveFileNameCase(eRepbaseName->Text()));
    DM->dbInfo->SetActive(true);
    return DM->dbInfo->NumberOfUsers();
}

int TfSetings::CashBoxNumber() const
{
    // cashbox_num is a 16-bit field.
    bool ok = false;
    const int number = cbxCashBoxNum->Text().trimmed().toInt(&ok);
    return ok && number >= 1 && number <= 32767 ? number : 0;
}

void TfSetings::OKBtnClick(QObject*)
{
    if (CashBoxNumber() == 0) {
        Warn(QStringLiteral("Невалиден номер на каса !\rВъведете цяло число от 1 до 32767."));
        SetModalResult(mrNone);
        Notebook1->SetPageIndex(2);
        TabControl1->SetTabIndex(2);
        cbxCashBoxNum->SetFocus();
        return;
    }
    TMainWindowServices* main = MainWindow();
    if (Connected() && main) {
        DM->tblSale->SetFiltered(false);
        QString filter;
        main->BuildSaleFilter(filter);
        if (!filter.isEmpty()) {
            DM->tblSale->SetFilter(filter);
            DM->tblSale->SetFiltered(true);
            TApplication::ProcessMessages();
        }
        main->ShowCurrentSale();
    }
    if (main) main->ShowCashBoxNumber(cbxCashBoxNum->Text());
    SaveSettingsOrTell();
    if (main) main->ShowLanguageMenu(cbxChangeLanguage->Checked());
}

void TfSetings::FlatButton1Click(QObject*)
{
    if (eOldPass->Text() != app::OperatorPassword) {
        Warn(QStringLiteral("Сгрешихте старата парола !!!"));
        return;
    }
    if (eNewPass->Text().isEmpty() && eNewPass2->Text().isEmpty() &&
        !Warn(QStringLiteral("Паролата ще бъде изтрита !!!\rНаистина ли желаете това ?"), true))
        return;
    if (eNewPass->Text() != eNewPass2->Text()) {
        Warn(QStringLiteral("Сгрешена е новата парола !!!"));
        return;
    }
    QChar offending;
    if (!CanScramble(eNewPass->Text(), &offending)) {
        Warn(UnscramblableMessage(offending));
        return;
    }
    const QString password = eNewPass->Text();
    // The database first, the settings file only once the database took it: the two never
    // disagree about the password.
    if (Connected()) {
        try {
            MoveOperatorToPassword(password);
        } catch (const std::exception& error) {
            Warn(QStringLiteral("Паролата не е променена !\r") + ProcessStoppedText(error));
            return;
        }
    }
    app::OperatorPassword = password;
    SaveSettingsOrTell();
    eOperatorName->setEnabled(false);
    QString told = QStringLiteral("Паролата е променена успешно .\r");
    if (!password.isEmpty()) told += QStringLiteral("Запомнихте ли я ?");
    Warn(told);
    ClearPasswordEdits();
}

namespace {

// What a refused password change began is taken back: the rows as they were, the datasets
// showing them.
void UndoPasswordChange(dao::Database& database, std::initializer_list<TDaoTable*> tables)
{
    for (TDaoTable* table : tables) {
        try {
            if (table->State() == dsEdit || table->State() == dsInsert) table->Cancel();
        } catch (const std::exception&) {
        }
    }
    try {
        database.Rollback();
    } catch (const std::exception&) {
        // Nothing was begun that needs undoing.
    }
    for (TDaoTable* table : tables) {
        if (!table->Active()) continue;
        try {
            table->Close();
            table->Open();
        } catch (const std::exception&) {
        }
    }
}

}  // namespace

void TfSetings::MoveOperatorToPassword(const QString& password)
{
    const QString name = LoginSettings() ? LoginSettings()->LoginName() : eOperatorName->Text();
    TDaoTable* seller = DM->tblSeller;
    TDaoTable* logins = DM->tblLogins;
    dao::Database* database = DM->VantelDataBase->DatabaseObject();
    if (!database) throw EDatabaseError(QStringLiteral("Database is not connected!"));
    const QString previousSeller = app::CurrentSellerId;
    // The seller row and the logs row are written together or not at all.
    database->BeginTrans();
    try {
        MainWindow()->FindOrAddSeller(name, password);
        seller->Edit();
        seller->FieldByName(QStringLiteral("seller_password"))->SetAsString(password);
        seller->Post();

        logins->Append();
        logins->FieldByName(QStringLiteral("cashebox_num"))->SetAsString(cbxCashBoxNum->Text());
        logins->FieldByName(QStringLiteral("previous_id"))->SetAsString(app::CurrentSellerId);
        app::CurrentSellerId = seller->FieldByName(QStringLiteral("id"))->AsString();
        logins->FieldByName(QStringLiteral("seller_id"))->SetAsString(app::CurrentSellerId);
        logins->FieldByName(QStringLiteral("login_time"))->SetAsDateTime(Now());
        logins->Post();
        database->CommitTrans();
    } catch (...) {
        app::CurrentSellerId = previousSeller;
        UndoPasswordChange(*database, {seller, logins});
        throw;
    }
    TApplication::ProcessMessages();
    DM->VantelDataBase->Idle();
}

void TfSetings::cbChangeSaleDataClick(QObject*)
{
    if (cbMessages->Checked() && cbChangeSaleData->Checked()) {
        if (fMyMessage) fMyMessage->SetHelpContext(4);
        if (!Warn(QStringLiteral("В този режим можете да променяте всички стари данни,\rда анулирате или издадете "
                                 "фактура от проформа,\rразбира се на своя отговорност ! Виж Помощ !!!"),
                  true)) {
            QSignalBlocker quiet(cbChangeSaleData);
            cbChangeSaleData->setChecked(false);
            return;
        }
    }
    EnableGuardedControls();
}

void TfSetings::cbxPayedOrNotClick(QObject*)
{
    if (cbWarnings->Checked())
        Warn(QStringLiteral("Ако искате да фактурирате проформа\rс днешна дата, просто изтрийте старата под редакция !"));
    if (TMainWindowServices* main = MainWindow()) main->SetPaidBoxEnabled(cbxPayedOrNot->Checked());
    EnableGuardedControls();
}

void TfSetings::EnableGuardedControls()
{
    const bool both = cbChangeSaleData->Checked() && cbxPayedOrNot->Checked();
    for (QWidget* w : std::initializer_list<QWidget*>{cbxKochanNom, cbxCashBoxNum, cbxDynamic, eOperatorName,
                                                      cbxDaoVersion, cbxOnlythisCash})
        w->setEnabled(both);
}

void TfSetings::cbxKochanNomChange(QObject*)
{
    if (!cbMessages->Checked()) return;
    if (fMyMessage) fMyMessage->SetHelpContext(4);
    Warn(QStringLiteral("Tази опция променя номерирането на фактурите !!!\rНанесете внимателно новия начален номер!"),
         true);
}

void TfSetings::cbxDaoVersionChange(QObject*)
{
    if (!cbMessages->Checked()) return;
    if (fMyMessage) fMyMessage->SetHelpContext(16);
    Warn(QStringLiteral("Tази опция променя начина на достъп до базата !!!\rДобре е да поставите по-високата версия !"),
         true);
}

void TfSetings::cbxCashBoxNumChange(QObject*)
{
    if (fMyMessage) fMyMessage->SetHelpContext(18);
    Warn(QStringLiteral("Tази опция променя текущата каса !!!\rПромените ще са актуални след презареждане !"), true);
}

void TfSetings::cbxKochanNomExit(QObject*)
{
    if (cbxKochanNom->Text().isEmpty()) cbxKochanNom->SetText(QStringLiteral("0"));
}

void TfSetings::cbxCashBoxNumExit(QObject*)
{
    if (cbxCashBoxNum->Text().isEmpty()) cbxCashBoxNum->SetText(QStringLiteral("1"));
}

void TfSetings::cbSpeedButtonsClick(QObject*)
{
    TMainWindowServices* main = MainWindow();
    if (!main) return;
    if (cbSpeedButtons->Checked())
        main->ShowToolBar();
    else
        main->HideToolBar();
}

void TfSetings::rbtFiFoClick(QObject*)
{
    app::PerArticle = rbtFiFo->Checked();
}

void TfSetings::cbAutoArchiveClick(QObject*)
{
    const bool on = cbAutoArchive->Checked();
    edtArchiveName->setEnabled(on);
    eArchiveCount->setEnabled(on);
    if (on && (edtArchiveName->Text().isEmpty() || edtArchiveName->Text() == kRepairName))
        edtArchiveName->SetText(kArchiveName);
}

void TfSetings::FlatButton3Click(QObject*)
{
    switch (TabControl1->TabIndex()) {
    case 0: {
        const QPoint at = mapToGlobal(QPoint(FlatButton3->x() + 5, FlatButton3->y() - 38));
        PopupMenu1->Popup(at.x(), at.y());
        for (TCheckBox* box : {cbSpeedButtons, cbAutoDPrint, cbxShowUPayed, cbxOnlythisF, cbxOnlythisCash})
            box->SetChecked(true);
        for (TCheckBox* box : {cbxDontShowAnullDock, cbxPayedOrNot, cbChangeSaleData}) box->SetChecked(false);
        break;
    }
    case 1:
        eArchiveCount->SetText(QStringLiteral("3"));
        cbAutoArchive->SetChecked(true);
        eRepbaseName->SetText(kRepairName);
        edtArchiveName->SetText(kArchiveName);
        break;
    case 2:
        rbtAllDelivery->SetChecked(true);
        SetRadio(rbtFiFo, false);
        cbxDynamic->SetChecked(true);
        break;
    case 3:
        FillDaoVersions();
        break;
    default:
        break;
    }
}

void TfSetings::ChooseProfile(TMenuItem* chosen, bool warnings, bool messages)
{
    cbWarnings->SetChecked(warnings);
    cbMessages->SetChecked(messages);
    for (TMenuItem* item : {N1, N2, N3}) item->SetChecked(item == chosen);
}

void TfSetings::N1Click(QObject*)
{
    ChooseProfile(N1, true, true);
}

void TfSetings::N2Click(QObject*)
{
    ChooseProfile(N2, false, true);
}

void TfSetings::N3Click(QObject*)
{
    ChooseProfile(N3, false, false);
}

void TfSetings::fbtRepairClick(QObject*)
{
    Maintain(false);
}

void TfSetings::fbtCompactClick(QObject*)
{
    Maintain(true);
}

void TfSetings::Maintain(bool compact)
{
    TDaoDatabase* database = DM->VantelDataBase;
    const bool wasConnected = database->Connected();
    if (wasConnected) {
        database->SetConnected(false);
        TApplication::ProcessMessages();
        database->Idle();
    }
    // Only a count of exactly 0 lets the file be replaced: a count that failed is no proof that
    // nobody has it open.
    int users = -1;
    try {
        users = CountDatabaseUsers();
    } catch (const std::exception&) {
        // An unreadable lock file: counted as unknown, told below.
    }
    if (users < 0) {
        Warn(QStringLiteral("Не може да се установи дали към базата има свързани потребители !\r") +
             (DM->dbInfo ? DM->dbInfo->LastErrorText() : QString()));
    } else if (users > 0) {
        if (fMyMessage) fMyMessage->CancelBtn->SetCaption(QStringLiteral("&Подробности"));
        if (!Warn(QStringLiteral("Има свързани към базата потребители !\rПрекратете връзките и опитайте пак!"), true) &&
            fErrorDescription) {
            TStrings& memo = fErrorDescription->edtDescription->Lines();
            memo.Clear();
            memo.Add(QStringLiteral(" "));
            memo.Add(QStringLiteral("Свързани в момента са :"));
            if (DM->dbInfo) memo.AddStrings(DM->dbInfo->LoggedNowUsers());
            fErrorDescription->Show();
        }
    } else if (!CopyDatabaseFile(database->Database(), RepairCopyFile())) {
        Warn(QStringLiteral("Не може да се създаде копие на базата!"));
    } else {
        StopPoint("maintain-copied");
        const QString file = ResolveFileNameCase(eRepbaseName->Text());
        try {
            if (compact)
                database->CompactAccessDatabase(file, QString::fromLatin1(shopschema::kDatabasePassword));
            else
                database->RepairAccessDatabase(file, QString::fromLatin1(shopschema::kDatabasePassword));
            Warn(compact ? QStringLiteral("Базата е сбита успешно !") : QStringLiteral("Базата е възстановена успешно !"));
        } catch (const std::exception&) {
            Warn((compact ? QStringLiteral("Грешка при сбиване на базата \r")
                          : QStringLiteral("Грешка при възтановяване на базата \r")) +
                 eRepbaseName->Text() + QStringLiteral(" !"));
        }
    }
    if (wasConnected) Reconnect();
}

void TfSetings::Reconnect()
{
    TMainWindowServices* main = MainWindow();
    const TLoginSettingsSource* login = LoginSettings();
    if (!main || !login) return;
    TDaoDatabase* database = DM->VantelDataBase;
    QString failure;
    if (main->ConnectDatabase(login->DatabaseName(), database)) {
        if (main->OpenDatasets(&failure)) return;
        database->SetConnected(false);
    } else {
        failure = app::LastDaoError.Description;
    }
    // As at the login, the program never runs on closed datasets: it is said, and the login
    // offered.
    if (Warn(QStringLiteral("Връзката с базата данни не бе възстановена !\r") + failure +
                 QStringLiteral("\rИскате ли да се свържете отново ?"),
             true))
        OfferLogin();
}

void TfSetings::FlatButton2Click(QObject*)
{
    const QString name = edtArchiveName->Text();
    if (name.isEmpty()) {
        Warn(QStringLiteral("Изберете име на файл !"));
        edtArchiveName->SetFocus();
        return;
    }
    if (FileExists(ResolveFileNameCase(name)) &&
        !Warn(QStringLiteral("Файлът вече съществува !\rИскате ли да го препокриете !"), true))
        return;
    if (CopyDatabaseFile(DM->VantelDataBase->Database(), name))
        Warn(QStringLiteral("Базата данни бе архивирана успешно !"));
    else
        Warn(QStringLiteral("Поради възникнала грещка,\rбазата данни не бе копирана !"));
}

namespace {

// The connection check stays off while a file dialog is open.
QString ChooseFile(const TFileDialogRequest& request)
{
    const bool checking = DM && DM->CheckDatabase && DM->CheckDatabase->Active();
    if (checking) DM->CheckDatabase->SetActive(false);
    const QString chosen = UiHost().FileDialog(request);
    if (checking) {
        try {
            DM->CheckDatabase->SetActive(true);
        } catch (const std::exception&) {
            // The database went away meanwhile; the next action's check will tell.
        }
    }
    return chosen;
}

}  // namespace

void TfSetings::Button2Click(QObject*)
{
    TFileDialogRequest request;
    request.Title = QStringLiteral("Отвори");
    request.Filter = QStringLiteral("AccessDataBase files|*.mdb|Show All files|*.*");
    request.FileName = eRepbaseName->Text();
    const QString chosen = ChooseFile(request);
    if (!chosen.isEmpty()) eRepbaseName->SetText(chosen);
}

void TfSetings::Button1Click(QObject*)
{
    TFileDialogRequest request;
    request.Save = true;
    request.Title = QStringLiteral("Архивиране");
    request.Filter = QStringLiteral("MicrosoftAccess DataBase|*.mdb|All Files|*.*");
    request.DefaultExt = QStringLiteral("*.mdb");
    request.FileName = edtArchiveName->Text();
    const QString chosen = ChooseFile(request);
    if (!chosen.isEmpty()) edtArchiveName->SetText(chosen);
}
