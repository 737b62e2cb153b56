#pragma once
// The main window. Besides the order document it shows, it offers the routines every window
// calls (the warning and question box, the connection test with its reconnect offer, the
// record-exists query, the empty-date test), connects the database and opens the datasets,
// owns the menus, the side tool bar, help and the newer-version link, and shuts the program
// down with the logout time and the rotating backup copy.

#include "app/reports/PrintFlow.h"
#include "app/windows/WindowServices.h"
#include "platform/toolkit/DateTime.h"
#include "platform/toolkit/gui/Form.h"

#include <utility>
#include <vector>

class TBandReport;
class TDataSet;

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
class TEdit;
class TComboBox;
class TDBText;
class TDBEdit;
class TDBComboBox;
class TDBGrid;
class TColumn;
class TPopupMenu;
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
    void ApplySaleFilter();
    // Fills the panels and the status boxes from the current order; writes nothing.
    void ShowCurrentSale() override;
    void FinishOrder();
    void Commit1Click(QObject* sender);
    // Whether another finished, not annulled invoice of the order's firm has the number in the book.
    bool InvoiceNumberTaken(qint32 number, qint32 book);
    // The highest invoice number of the order's book and firm; -1 when it cannot be counted.
    int MaxInvoiceNum();
    void fbtAnulaClick(QObject* sender);
    void cbxAnnulClick(QObject* sender);
    void cbxPayedClick(QObject* sender);
    void cbxFinnishedClick(QObject* sender);
    void cbxInvoiceClick(QObject* sender);
    void DBC_tax_kindChange(QObject* sender);
    void DBE_invoice_numKeyPress(QObject* sender, QChar& key);
    void DBE_invoice_numExit(QObject* sender);
    void tbtDellClick(QObject* sender);

    // --- printing the order --------------------------------------------------------------------
    // The invoice, pro-forma or order sheet by the sender: previewed, or printed by `fbtPrint`.
    void Print3Click(QObject* sender);
    // The work task's preview.
    void fbtTaskClick(QObject* sender);
    // The invoice's "Словом :" line from the order's total; empty when it cannot be written.
    void SetAmountInWords();
    // The first letter, Latin or Cyrillic, as a capital; anything else unchanged.
    static QString CapitalizeFirst(const QString& text);
    void CheckUnsavedOrder();
    // The order on screen stamped and marked unfinished, as leaving it without finishing does.
    void KeepOrderUnfinished();
    void RequeryOrder();
    void LockEditing();
    void UnlockEditing();
    // The highest order number stored, or -1 when none is to be drawn for the current order.
    int MaxSaleNum();

    // --- the car and client panels -------------------------------------------------------------
    // A panel control and the field it shows.
    using TPanelField = std::pair<QWidget*, const char*>;
    std::vector<TPanelField> CarPanel() const;
    std::vector<TPanelField> ClientPanel() const;
    void ShowCarFields();
    void ClearCarFields();
    void InsertCar();
    void ShowClientFields();
    void ClearClientFields();
    void InsertClient();
    // `id` of the car / client row the panel shows; 0 when it shows none.
    qint32 ShownCarId() const { return shownCarId_; }
    qint32 ShownClientId() const { return shownClientId_; }
    void FillMarkList(QObject* sender);
    void FillModelList(QObject* sender);

    // --- the order lines -----------------------------------------------------------------------
    void RenumberLines();
    void RequeryLines();
    void MakeGridEditable();

    // --- what the settings and login windows change here --------------------------------------
    void ShowCashBoxNumber(const QString& number) override;
    void ShowLanguageMenu(bool shown) override;
    bool EnglishLanguage() const override;
    void SetEnglishLanguage(bool english) override;
    void SetPaidBoxEnabled(bool enabled) override;
    bool OpenCashPeriod(const QString& box, const QString& from, const QString& to) override;
    void FilterCashMoves(const QString& box, const QString& from, const QString& to) override;
    void CloseCashDatasets() override;

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
    void fbtSafeClick(QObject* sender);
    void CashFinish1Click(QObject* sender);
    void Find1Click(QObject* sender);
    void N21Click(QObject* sender);
    void FormResize(QObject* sender);
    void About1Click(QObject* sender);
    void Settings1Click(QObject* sender);
    void fbtStoreClick(QObject* sender);
    void Articles1Click(QObject* sender);
    void N14Click(QObject* sender);
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
    void tbtFirstClick(QObject* sender);
    void tbtPreviewsClick(QObject* sender);
    void tbtNextClick(QObject* sender);
    void tbtLastClick(QObject* sender);
    void Refresh2Click(QObject* sender);
    void Append1Click(QObject* sender);
    void Rollback1Click(QObject* sender);
    void fbtFirmsClick(QObject* sender);
    void fbtCarSearchClick(QObject* sender);
    void fbtClientSearchClick(QObject* sender);
    void dbcbMarkChange(QObject* sender);
    void dbcbModelChange(QObject* sender);
    void dbeCarNumberChange(QObject* sender);
    void dbcbGorivoChange(QObject* sender);
    void dbeNameChange(QObject* sender);
    void MyDBGrid1KeyPress(QObject* sender, QChar& key);
    void MyDBGrid1EditButtonClick(QObject* sender);
    void Availability1Click(QObject* sender);
    void MyDBGrid1DrawColumnCell(QObject* sender, const QRect& rect, int dataCol, TColumn* column,
                                 int state);
    void MyDBGrid1MouseMove(QObject* sender, TShiftState shift, int x, int y);
    void MyDBGrid1Enter(QObject* sender);
    void MyDBGrid1ColEnter(QObject* sender);
    void MyDBGrid1ColExit(QObject* sender);
    void MyDBGrid1Exit(QObject* sender);
    void popAppendClick(QObject* sender);
    void popClearClick(QObject* sender);
    void popFirstClick(QObject* sender);
    void popLastClick(QObject* sender);
    void poReCallClick(QObject* sender);
    void MyGridPopupPopup(QObject* sender);
    void dbe1Click(QObject* sender);
    void dbeDeliveryPriceClick(QObject* sender);
    void dbe2Click(QObject* sender);
    void dbeQutyRemClick(QObject* sender);
    void dbe1KeyPress(QObject* sender, QChar& key);
    void dbe2KeyPress(QObject* sender, QChar& key);
    void N10Click(QObject* sender);
    void Auto1Click(QObject* sender);
    void Client1Click(QObject* sender);
    void N8Click(QObject* sender);
    void Employee1Click(QObject* sender);

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

    // Car panel (plain edits: finishing stores them as a new car).
    TComboBox* dbcbMark = nullptr;
    TComboBox* dbcbModel = nullptr;
    TEdit* dbeCarNumber = nullptr;
    TEdit* dbeMotorNum = nullptr;
    TEdit* dbeFrameNum = nullptr;
    TComboBox* dbcbGorivo = nullptr;
    TFlatButton* fbtCarSearch = nullptr;
    // Client panel.
    TEdit* dbeName = nullptr;
    TEdit* dbePhone = nullptr;
    TEdit* dbeFirmName = nullptr;
    TEdit* dbeFirmAddres = nullptr;
    TEdit* dbeTaxNom = nullptr;
    TEdit* dbeBulstat = nullptr;
    TFlatButton* fbtClientSearch = nullptr;
    // Own firm.
    TDBText* DBTName = nullptr;
    TDBText* DBTTax_nom = nullptr;
    TDBText* DBTMyBulstat = nullptr;
    TDBText* DBText_DDS = nullptr;
    // Totals and the order's own data.
    TDBEdit* DBE_Sale_sum = nullptr;
    TDBEdit* DBE_DDS = nullptr;
    TDBEdit* DBE_Total = nullptr;
    TDBEdit* DBE_sale_num = nullptr;
    TDBEdit* DBE_sale_date = nullptr;
    TDBEdit* DBE_invoice_num = nullptr;
    TDBEdit* DBE_invoice_date = nullptr;
    TDBComboBox* DBC_tax_kind = nullptr;
    TLabel* lbl_tax_kind = nullptr;
    TLabel* lblSaleNum = nullptr;
    TLabel* lblSaleDate = nullptr;
    TLabel* lblInvoiceNum = nullptr;
    TLabel* lblInvoiceDate = nullptr;
    // The lines.
    TDBGrid* MyDBGrid1 = nullptr;
    TDBEdit* dbeDeliveryPrice = nullptr;
    TEdit* dbe1 = nullptr;
    TDBEdit* dbeQutyRem = nullptr;
    TEdit* dbe2 = nullptr;
    TPopupMenu* MyGridPopup = nullptr;
    TMenuItem* popAppend = nullptr;
    TMenuItem* popClear = nullptr;
    TMenuItem* popFirst = nullptr;
    TMenuItem* popLast = nullptr;
    TMenuItem* poReCall = nullptr;
    TMenuItem* popCommit = nullptr;
    TMenuItem* popRefresh = nullptr;

private:
    void ConnectListWindows();
    void ApplySaleFilterKeepingOrder();
    void BuildMenu();
    void BuildToolBar();
    void BuildCaptionFileControls();
    void BuildButtonColumn();
    void BuildOrderPanels();
    void BuildCarPanel();
    void BuildClientPanel();
    void BuildFirmPanel();
    void BuildTotalsPanel();
    void BuildLines();
    void CloseOpenedDatasets();
    void ShowStoresReadOnly();
    // The stock lookup keeps the chosen view: the order is finished, checked as it is made and
    // not annulled.
    bool KeepsStockView() const;
    bool ToolBarShown() const;
    // The controls the lock disables, besides the grid.
    std::vector<QWidget*> OrderControls() const;
    // Moves through the order list the way every navigation command does.
    void MoveInOrders(void (*move)(TDataSet*));
    // Sets the four status boxes from the row without their click handlers.
    void ShowStatusBoxes();
    void DrawSaleNum();
    // The car search, or the make while the search is not offered.
    void FocusCarPanel();
    // Each panel edit takes no more than its field holds.
    void FitPanelsToFields();
    // The person typed into a panel: the order is changed, so leaving it asks.
    void MarkOrderTyped(QObject* sender);
    // Some text besides the fuel, which a cleared panel also shows.
    bool PanelHoldsText(const std::vector<TPanelField>& panel) const;
    // Runs `requery` with the lines' controls disabled.
    template <class F>
    void WithLinesDisabled(F&& requery);
    // Runs `work` on the lines in batch mode (one write), their controls off; a failure cancels
    // the line in edit and leaves batch mode before it is passed on.
    template <class F>
    void InLinesBatch(F&& work);
    void BindFinishing();
    bool InvoiceNumberFree();
    void DrawInvoiceNum();
    void StampOrder();
    bool InvoiceWanted();
    void NumberInvoice();
    bool IntoOwnCashBox();
    void MarkOrderSold(bool intoOwnCashBox);
    void RecountLineStock();
    bool WriteFinish(bool invoiceWanted, bool intoOwnCashBox);
    // A status box's colour says whether it is ticked.
    static void ColourStatusBox(TCheckBox* box);
    void SetFinishedBox(bool finished);
    void StoreStatusBox(TCheckBox* box, const char* field);
    // `fbtPrint` only for an invoice, and its number typed only then; `fbtView` says what it
    // shows.
    void ShowInvoiceChoice();
    // Refuses, saying so, an invoice that is not finished or has no number.
    bool InvoiceReadyToPrint();
    void PrintInvoice();
    void PreviewInvoice();
    // Runs the report; a failure is shown, and answers false, as does a print whose PDF file the
    // person did not name where there is no printer.
    bool RunOrderReport(TBandReport& report, TPrintMode mode);

    // The kind printed on a preview of an invoice (copy) and of an order (pro-forma).
    QString copyText_;
    QString proformaText_;

    qint32 shownCarId_ = 0;
    qint32 shownClientId_ = 0;

    // The exit was confirmed and runs (or ran): a close asked for again only joins it.
    bool closing_ = false;
    // The firm chooser bound the firm list's source itself and undoes that when the choice ends.
    bool firmSourceBound_ = false;
};

extern TfCarVantel* fCarVantel;
