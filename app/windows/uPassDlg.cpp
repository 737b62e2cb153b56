#include "app/windows/uPassDlg.h"

#include "app/datamodule/DModule.h"
#include "app/datamodule/TemplateDatabase.h"
#include "app/settings/PasswordScrambling.h"
#include "app/util/AppGlobals.h"
#include "app/util/DatabaseCopy.h"
#include "app/windows/WindowKit.h"
#include "app/windows/WindowServices.h"
#include "app/windows/uEmployee.h"
#include "app/windows/uErrorDescription.h"
#include "app/windows/uMyMessage.h"
#include "app/windows/uStorage.h"
#include "controls/FlatButton.h"
#include "dataaccess/DaoDataBase.h"
#include "platform/os/Files.h"
#include "platform/toolkit/gui/Application.h"
#include "platform/toolkit/gui/Menus.h"
#include "platform/toolkit/gui/StandardControls.h"

#include <QDir>

TfPasswordDlg* fPasswordDlg = nullptr;

namespace {

const QString kDatabaseFile = QStringLiteral("CarVantel.mdb");
const QString kAdministrator = QStringLiteral("Администратор");
// DAO's "the engine version cannot open this file".
constexpr int kWrongDaoVersion = 3447;
// DAO's "locked by another connection" and "file already in use": another program holds the
// file (writing, compacting or repairing it) for longer than an opening waits.
constexpr int kDatabaseLocked = 3260;
constexpr int kFileInUse = 3045;
const QString kDatabaseBusy = QStringLiteral("Базата данни е заета от друга програма !\rОпитайте отново след малко.");

bool IsBusyRefusal(int daoError)
{
    return daoError == kDatabaseLocked || daoError == kFileInUse;
}

bool Warn(const QString& text, bool withCancel = false)
{
    return ShowWarning(text, withCancel);
}

QString Key()
{
    return QString::fromLatin1(kPasswordKey);
}

// The template is looked for beside the database first, then beside the program.
QString TemplateFile()
{
    const QString here = ResolveFileNameCase(QString::fromLatin1(shopschema::kTemplateFileName));
    if (FileExists(here)) return here;
    return ResolveFileNameCase(ProgramFolder() + QString::fromLatin1(shopschema::kTemplateFileName));
}

}  // namespace

TfPasswordDlg::TfPasswordDlg(QWidget* parent) : TForm(parent)
{
    setObjectName(QStringLiteral("fPasswordDlg"));
    SetCaption(QStringLiteral("Свързване"));
    SetBorderStyle(bsDialog);
    SetPosition(poScreenCenter);
    resize(340, 190);

    eLoginName = Place<TEdit>(this, "eLoginName", 96, 16, 228, 22);
    eLoginName->SetText(kAdministrator);
    eDataBase = Place<TEdit>(this, "eDataBase", 96, 48, 194, 22);
    eDataBase->SetText(loggedDatabase_);
    Button3 = Place<TButton>(this, "Button3", QStringLiteral("..."), 296, 48, 28, 22);
    ePassword = Place<TEdit>(this, "ePassword", 96, 80, 228, 22);
    ePassword->SetPasswordChar(QLatin1Char('*'));
    Label1 = Place<TLabel>(this, "Label1", QStringLiteral("Име"), 16, 20, 76, 16);
    Label1->SetFocusControl(eLoginName);
    Label2 = Place<TLabel>(this, "Label2", QStringLiteral("База данни"), 16, 52, 76, 16);
    Label2->SetFocusControl(eDataBase);
    Label3 = Place<TLabel>(this, "Label3", QStringLiteral("Парола"), 16, 84, 76, 16);
    Label3->SetFocusControl(ePassword);
    SavePassword = Place<TCheckBox>(this, "SavePassword", QStringLiteral("&Съхрани паролата"), 96, 110, 228, 20);
    SavePassword->SetChecked(true);
    bStart = Place<TButton>(this, "bStart", QStringLiteral("&Старт"), 96, 144, 100, 28);
    bStart->SetModalResult(mrOk);
    bStart->SetDefault(true);
    bCancel = Place<TButton>(this, "bCancel", QStringLiteral("&Отказ"), 214, 144, 100, 28);
    bCancel->SetModalResult(mrCancel);
    bCancel->SetCancel(true);

    Button3->OnClick = Bind(this, &TfPasswordDlg::Button3Click);
    OnCreate = Bind(this, &TfPasswordDlg::FormCreate);
    OnShow = Bind(this, &TfPasswordDlg::FormShow);
    OnCloseQuery = Bind(this, &TfPasswordDlg::FormCloseQuery);

    if (!fPasswordDlg) fPasswordDlg = this;
    settingsSource_.LoginName = [this] { return eLoginName->Text(); };
    settingsSource_.DatabaseName = [this] { return eDataBase->Text(); };
    settingsSource_.Collect = [this](TSettingsRecord& record) { CollectLoginSettings(record); };
    settingsSource_.CheckTypedPassword = [this] {
        if (SavePassword->Checked()) EncodeText(ePassword->Text(), Key());
    };
    if (!LoginSettings()) SetLoginSettings(&settingsSource_);
    PlaceFlatLook(this);
}

TfPasswordDlg::~TfPasswordDlg()
{
    if (LoginSettings() == &settingsSource_) SetLoginSettings(nullptr);
    if (fPasswordDlg == this) fPasswordDlg = nullptr;
}

QString TfPasswordDlg::EncodeText(const QString& text, const QString& key)
{
    return ::EncodeText(text, key);
}

QString TfPasswordDlg::DecodeText(const QString& hex, const QString& key)
{
    return ::DecodeText(hex, key);
}

int TfPasswordDlg::HexDigitValue(QChar digit)
{
    return ::HexDigitValue(digit);
}

void TfPasswordDlg::FormCreate(QObject*)
{
    if (DM) DM->VantelDataBase->SetConnected(false);
    const QString database = ResolveFileNameCase(kDatabaseFile);
    const QString emptyBase = TemplateFile();
    const QStringList leftovers = FileExists(database) ? QStringList() : DatabaseLeftovers(database);
    if (!leftovers.isEmpty()) {
        // The data may live on only in these: an empty database under the name would hide them.
        Warn(QStringLiteral("Базата данни ") + kDatabaseFile + QStringLiteral(" липсва в папка\r") +
             QDir::toNativeSeparators(QDir::currentPath()) +
             QStringLiteral("\rно там са останали файлове от прекъснато сбиване или поправка:\r") +
             QDir::toNativeSeparators(leftovers.join(QLatin1Char('\r'))) +
             QStringLiteral("\rПразна база данни не е създадена. Възстановете базата от тези файлове !"));
    } else if (!FileExists(database) && FileExists(emptyBase)) {
        const QString made = QDir::current().filePath(kDatabaseFile);
        if (CopyDatabaseFile(emptyBase, made))
            app::TemplateCopy = made;
        else
            Warn(QStringLiteral("Не може да се създаде празна база данни в папка\r") +
                 QDir::toNativeSeparators(QDir::currentPath()) + QStringLiteral("\rПроверете правата за запис в нея !"));
    }
    if (DM) DM->VantelDataBase->SetDatabase(eDataBase->Text());
}

void TfPasswordDlg::FormShow(QObject*)
{
    TSettingsFile file;
    if (!file.Load()) return;
    eDataBase->SetText(file.Value(QStringLiteral("Database")));
    eLoginName->SetText(file.TextOr(QStringLiteral("Login Name"), kAdministrator));
    ePassword->SetText(DecodeText(file.Value(QStringLiteral("Password")), Key()));
    SavePassword->SetChecked(file.Value(QStringLiteral("SP")) == QLatin1String("Yes"));
    app::CurrentFirmId = file.IntValue(QStringLiteral("CurrentFirmID"), 1);
    if (fStorage) fStorage->edUpDelivery->SetText(file.TextOr(QStringLiteral("UpDelivery"), QStringLiteral("40")));
    if (fEmployee) fEmployee->edUpDelivery->SetText(file.TextOr(QStringLiteral("UpEmploee"), QStringLiteral("40")));
    LoadWindowSettings(file);
    eDataBase->setEnabled(true);
    loggedDatabase_ = eDataBase->Text();
    loggedPassword_ = ePassword->Text();
}

void TfPasswordDlg::CollectLoginSettings(TSettingsRecord& r) const
{
    r.Database = loggedDatabase_;
    r.Password = loggedPassword_;
    r.SavePassword = SavePassword->Checked();
    r.UpDelivery = fStorage ? fStorage->edUpDelivery->Text() : QStringLiteral("40");
    r.UpEmploee = fEmployee ? fEmployee->edUpDelivery->Text() : QStringLiteral("40");
    r.CurrentFirmId = app::CurrentFirmId;
    r.OperatorPassword = app::OperatorPassword;
    if (const TMainWindowServices* main = MainWindow()) r.EnglishLanguage = main->EnglishLanguage();
}

void TfPasswordDlg::SaveSettings()
{
    SaveSettingsOrTell();
}

void TfPasswordDlg::FormCloseQuery(QObject*, bool& canClose)
{
    SaveSettings();
    TSettingsFile file;
    file.Load();
    app::OperatorPassword = file.Has(QStringLiteral("PWD")) ? DecodeText(file.Value(QStringLiteral("PWD")), Key())
                                                            : QString();
    if (ModalResult() != mrOk) return;
    canClose = Login();
}

bool TfPasswordDlg::Login()
{
    if (eLoginName->Text().isEmpty()) {
        Warn(QStringLiteral("Пропуснахте да въведете името си !\rВъвеждането му е задължително !"));
        eLoginName->SetFocus();
        return false;
    }
    const QString operatorName = WindowSettings() ? WindowSettings()->OperatorName() : kAdministrator;
    if (ePassword->Text() != app::OperatorPassword || eLoginName->Text() != operatorName) {
        Warn(QStringLiteral("Сбъркали сте името или паролата !\rМоля, въведете ги отново !"));
        ePassword->SetFocus();
        return false;
    }
    return ConnectAndOpen();
}

bool TfPasswordDlg::ConnectAndOpen()
{
    TDaoDatabase* database = DM->VantelDataBase;
    if (database->Connected()) database->SetConnected(false);
    if (const TSettingsWindowSource* settings = WindowSettings(); settings && !settings->DaoVersion().isEmpty()) {
        try {
            database->SetVersion(settings->DaoVersion());
        } catch (const std::exception&) {
            // An engine version that cannot be made: the connection below tells.
        }
    }
    TMainWindowServices* main = MainWindow();
    if (main && main->ConnectDatabase(eDataBase->Text(), database)) {
        QString failure;
        if (main->OpenDatasets(&failure)) {
            loggedDatabase_ = eDataBase->Text();
            loggedPassword_ = ePassword->Text();
            SaveSettings();
            return true;
        }
        // The program never runs on closed datasets: the login is refused and said why.
        TDaoErrorRecord error;
        database->GetLastDaoError(error);
        database->SetConnected(false);
        const bool busy = IsBusyRefusal(error.Number) && error.Description == failure;
        Warn(QStringLiteral("Грешка при отваряне на данните !\r") + (busy ? kDatabaseBusy : failure));
        return false;
    }

    if (fMyMessage) fMyMessage->CancelBtn->SetCaption(QStringLiteral("&Подробности"));
    TStrings* memo = fErrorDescription ? &fErrorDescription->edtDescription->Lines() : nullptr;
    if (memo) memo->Clear();
    QString complaint = QStringLiteral("Моля посочете коректната база данни !");
    if (app::LastDaoError.Number == kWrongDaoVersion) {
        complaint = QStringLiteral("Сменете DAO версията за достъп !");
        if (memo) memo->Add(complaint);
        if (const TSettingsWindowSource* settings = WindowSettings()) settings->AllowDaoVersionChoice();
    } else if (IsBusyRefusal(app::LastDaoError.Number)) {
        complaint = kDatabaseBusy;
    }
    if (memo) {
        memo->Add(QStringLiteral(" "));
        memo->Add(QStringLiteral("Грешка при свързване № ") + QString::number(app::LastDaoError.Number));
        memo->Add(app::LastDaoError.Description);
    }
    if (!Warn(QStringLiteral("Грешка при свързване с базата данни !\r") + complaint, true) && fErrorDescription)
        fErrorDescription->ShowModal();
    // Without a database the dialog stays for another try or Cancel.
    return false;
}

void TfPasswordDlg::Button3Click(QObject*)
{
    if (!eDataBase->isEnabled()) return;
    TFileDialogRequest request;
    request.Filter = QStringLiteral("Database|*.mdb|All files|*.*");
    request.InitialDir = ExtractFileDir(ExpandFileName(eDataBase->Text()));
    request.FileName = eDataBase->Text();
    const QString chosen = UiHost().FileDialog(request);
    if (!chosen.isEmpty()) eDataBase->SetText(chosen);
}
