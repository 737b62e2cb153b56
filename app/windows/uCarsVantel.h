#pragma once
// The main window. Besides the order document it shows, it offers the routines every window
// calls (the warning and question box, the connection test with its reconnect offer, the
// record-exists query, the empty-date test), connects the database and opens the datasets,
// owns the menus, the side tool bar, help and the newer-version link, and shuts the program
// down with the logout time and the rotating backup copy.

#include "app/windows/WindowServices.h"
#include "platform/toolkit/DateTime.h"
#include "platform/toolkit/gui/Form.h"

class TDaoDatabase;
class TMainMenu;
class TMenuItem;
class TToolBar;
class TToolButton;
class TPanel;
class TLabel;
class TCheckBox;
class TGroupBox;
class TFlatButton;
class TMemo;
class TButton;

class TfCarVantel : public TForm, public TMainWindowServices {
    Q_OBJECT
public:
    explicit TfCarVantel(QWidget* parent = nullptr);
    ~TfCarVantel() override;

    static QString ProgramVersionCaption() { return QStringLiteral("CarVantel version 4.04"); }

    // --- the routines every window calls (WindowServices.h), under the main window's names --
    bool ShowWarning(const QString& text, bool withCancel) { return ::ShowWarning(text, withCancel); }
    bool CheckConnection() { return ::CheckConnection(); }
    // `value` is one SQL literal as text (a number, or text in quotes with inner quotes doubled,
    // see QuotedSqlText); it is read and bound, never pasted. Anything else raises.
    bool RecordExists(const QString& table, const QString& field, const QString& value);
    static bool IsEmptyDate(const QString& text) { return ::IsEmptyDate(text); }
    static QString QuotedSqlText(const QString& text) { return ::QuotedSqlText(text); }
    void HideToolBar() override;
    void ShowToolBar() override;

    // --- connecting ----------------------------------------------------------------------------
    // Connects `database` to `fileName` with the shop's password. False on failure, with the
    // engine's error in the last-DAO-error global.
    bool ConnectDatabase(const QString& fileName, TDaoDatabase* database) override;
    // Opens the data module's datasets in their order and records the operator and the login.
    // False when any step failed: then every dataset is closed again and `failure` says why.
    bool OpenDatasets(QString* failure = nullptr) override;
    // Puts `tblSeller` on the row whose name and (when `password` is not empty) password equal
    // these exactly; false when there is none.
    bool FindSeller(const QString& name, const QString& password);
    // The same, appending a row with that name (and password) when there is none.
    void FindOrAddSeller(const QString& name, const QString& password) override;

    // --- the order list ------------------------------------------------------------------------
    void BuildSaleFilter(QString& filter) override;
    void ShowCurrentSale() override;
    void FinishOrder();

    // --- what the settings and login windows change here --------------------------------------
    void ShowCashBoxNumber(const QString& number) override;
    void ShowLanguageMenu(bool shown) override;
    bool EnglishLanguage() const override;
    void SetEnglishLanguage(bool english) override;
    void SetPaidBoxEnabled(bool enabled) override;

    // --- shut-down -----------------------------------------------------------------------------
    // "Backup<n>.mdb": n is the last digit of the day of `today` modulo the copy count (10 when
    // the text is no number, 1 when it is 0 or less).
    static QString BackupFileName(TDateTime today, const QString& archiveCount);
    // The steps of the close query after the question, each on its own.
    void StampLogout();
    void SaveOpenOrder();
    void WriteBackupCopy();

    // --- handlers ------------------------------------------------------------------------------
    void FormCreate(QObject* sender);
    void FormShow(QObject* sender);
    void FormCloseQuery(QObject* sender, bool& canClose);
    void FormClose(QObject* sender, TCloseAction& action);
    void FormResize(QObject* sender);
    void About1Click(QObject* sender);
    void Settings1Click(QObject* sender);
    void Connect1Click(QObject* sender);
    void Contents1Click(QObject* sender);
    void N18Click(QObject* sender);
    void SpeedButtons1Click(QObject* sender);
    void N9Click(QObject* sender);
    void FlatButton1Click(QObject* sender);
    void Exit1Click(QObject* sender);
    void fbtIncomesClick(QObject* sender);
    void fbtChargesClick(QObject* sender);
    void English1Click(QObject* sender);
    void Bulgarian1Click(QObject* sender);

    // --- caption files: "<language>.lng" and the menu files "menu<letter>.set" -----------------
    void SaveLanguage(const QString& language);
    void LoadLanguage(const QString& language);
    void LoadMenuCaptions(const QString& letter);
    void Button1Click(QObject* sender);
    void Button2Click(QObject* sender);
    // Hidden: the menu file's lines between loads, and the save and load buttons.
    TMemo* Memo1 = nullptr;
    TButton* Button1 = nullptr;
    TButton* Button2 = nullptr;

    // The page opened when "htpath.txt" names none.
    static QString DownloadPage();

    TMainMenu* MainMenu1 = nullptr;
    TMenuItem* Action1 = nullptr;
    TMenuItem* New1 = nullptr;
    TMenuItem* Refresh1 = nullptr;
    TMenuItem* Commit1 = nullptr;
    TMenuItem* Rollback1 = nullptr;
    TMenuItem* Append1 = nullptr;
    TMenuItem* Dell1 = nullptr;
    TMenuItem* N19 = nullptr;
    TMenuItem* Next1 = nullptr;
    TMenuItem* Previous1 = nullptr;
    TMenuItem* N20 = nullptr;
    TMenuItem* Refresh2 = nullptr;
    TMenuItem* Print3 = nullptr;
    TMenuItem* Connect1 = nullptr;
    TMenuItem* Exit1 = nullptr;
    TMenuItem* Tools1 = nullptr;
    TMenuItem* N10 = nullptr;
    TMenuItem* Employee1 = nullptr;
    TMenuItem* Banks1 = nullptr;
    TMenuItem* Client1 = nullptr;
    TMenuItem* Auto1 = nullptr;
    TMenuItem* N8 = nullptr;
    TMenuItem* N12 = nullptr;
    TMenuItem* Articles1 = nullptr;
    TMenuItem* N14 = nullptr;
    TMenuItem* Availability1 = nullptr;
    TMenuItem* CacheBox1 = nullptr;
    TMenuItem* CashFinish1 = nullptr;
    TMenuItem* N21 = nullptr;
    TMenuItem* N9 = nullptr;
    TMenuItem* Find1 = nullptr;
    TMenuItem* SpeedButtons1 = nullptr;
    TMenuItem* Settings1 = nullptr;
    TMenuItem* Help1 = nullptr;
    TMenuItem* Contents1 = nullptr;
    TMenuItem* About1 = nullptr;
    TMenuItem* N18 = nullptr;
    TMenuItem* Language1 = nullptr;
    TMenuItem* English1 = nullptr;
    TMenuItem* Bulgarian1 = nullptr;

    // The area below the menu bar.
    QWidget* Client = nullptr;
    TToolBar* ToolBar1 = nullptr;
    TToolButton* tbtFirst = nullptr;
    TToolButton* tbtPreviews = nullptr;
    TToolButton* tbtNext = nullptr;
    TToolButton* tbtLast = nullptr;
    TToolButton* tbtDell = nullptr;
    TPanel* Panel2 = nullptr;
    TLabel* stCashBox = nullptr;
    TFlatButton* fbtEmployee = nullptr;
    TFlatButton* fbtStore = nullptr;
    TFlatButton* fbtAppend = nullptr;
    TFlatButton* fbtView = nullptr;
    TFlatButton* fbtSave = nullptr;
    TFlatButton* fbtAnula = nullptr;
    TFlatButton* fbtPrint = nullptr;
    TFlatButton* fbtViewDelivery = nullptr;
    TFlatButton* fbtSafe = nullptr;
    TFlatButton* fbtFirms = nullptr;
    TFlatButton* fbtTask = nullptr;
    TFlatButton* FlatButton1 = nullptr;
    TPanel* pnlMyFirm = nullptr;
    TCheckBox* cbxSastavil_mol = nullptr;
    TGroupBox* gbCar = nullptr;
    TGroupBox* gbClient = nullptr;
    TPanel* pnlLines = nullptr;
    TPanel* Panel3 = nullptr;
    TCheckBox* cbxInvoice = nullptr;
    TCheckBox* cbxAnnul = nullptr;
    TCheckBox* cbxFinnished = nullptr;
    TCheckBox* cbxPayed = nullptr;
    TLabel* lblEditing = nullptr;

private:
    void BuildMenu();
    void BuildToolBar();
    void BuildCaptionFileControls();
    void BuildButtonColumn();
    void BuildOrderPanels();
    void CloseOpenedDatasets();
    bool ToolBarShown() const;

    // The exit was confirmed and runs (or ran): a close asked for again only joins it.
    bool closing_ = false;
};

extern TfCarVantel* fCarVantel;
