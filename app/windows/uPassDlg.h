#pragma once
// The login dialog: who works and on which database. It loads the settings file when shown,
// writes it whole by SaveSettings (SettingsStore.h) and, on "&Старт", checks the operator against
// it, connects the database and opens the data module's datasets.

#include "app/settings/SettingsStore.h"
#include "platform/toolkit/gui/Form.h"

class TEdit;
class TLabel;
class TCheckBox;
class TButton;

class TfPasswordDlg : public TForm {
    Q_OBJECT
public:
    explicit TfPasswordDlg(QWidget* parent = nullptr);
    ~TfPasswordDlg() override;

    // Writes the settings file from what this dialog and the settings window show
    // (SettingsStore.h); a failure is told, nothing more.
    void SaveSettings();
    // The scrambling of the saved passwords (PasswordScrambling.h).
    static QString EncodeText(const QString& text, const QString& key);
    static QString DecodeText(const QString& hex, const QString& key);
    static int HexDigitValue(QChar digit);

    void FormCreate(QObject* sender);
    void FormShow(QObject* sender);
    // The login check.
    void FormCloseQuery(QObject* sender, bool& canClose);
    void Button3Click(QObject* sender);

    TLabel* Label1 = nullptr;
    TLabel* Label2 = nullptr;
    TLabel* Label3 = nullptr;
    TEdit* eLoginName = nullptr;
    TEdit* eDataBase = nullptr;
    TEdit* ePassword = nullptr;
    TCheckBox* SavePassword = nullptr;
    TButton* Button3 = nullptr;
    TButton* bStart = nullptr;
    TButton* bCancel = nullptr;


private:
    // The dialog's side of the settings (SettingsStore.h).
    void CollectLoginSettings(TSettingsRecord& record) const;
    // Steps 4 to 8 of the login check; true when the dialog may close with OK.
    bool Login();
    bool ConnectAndOpen();

    // The database path and password of the last login that succeeded (or of the file as
    // loaded): what the settings file keeps, so a failed try is never offered again.
    QString loggedDatabase_ = QStringLiteral("CarVantel.MDB");
    QString loggedPassword_;
    TLoginSettingsSource settingsSource_;
};

extern TfPasswordDlg* fPasswordDlg;
