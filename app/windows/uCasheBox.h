#pragma once
// The cash box: for the operator's box and a period, the money taken in and paid out, the old
// balance carried from the last daily closing and the new one; closing the period writes a
// `cashbox` row, printing turns the period into the cash journal.

#include "platform/toolkit/DateTime.h"
#include "platform/toolkit/gui/Form.h"

#include <functional>

class TDBEdit;
class TDBGrid;
class TDataSet;
class TDataSource;
class TEdit;
class TFlatButton;
class TGroupBox;
class TLabel;
class TMaskEdit;
class TNotebook;
class TPopupMenu;
class TTabSet;

class TfCasheBox : public TForm {
    Q_OBJECT
public:
    explicit TfCasheBox(QWidget* parent = nullptr);
    ~TfCasheBox() override;

    // The period [from, to) of `box` opened and its totals and balances shown; the texts are
    // "dd/mm/yyyy". False when the database is gone or the period could not be opened.
    bool OpenPeriod(const QString& box, const QString& from, const QString& to);
    // Money in / money out of the open period, shown unrounded; the new balance follows.
    double CalcIncome();
    double CalcExpense();
    // Display updates of the window's datasets off / on.
    void DisableGrids();
    void EnableGrids();
    // Prints `grid` through the cash report with the period's summary.
    void PrintGrid(TDBGrid* grid);

    // "dd/mm/yyyy", as the period texts are written.
    static QString PeriodText(TDateTime day);
    // A journal explanation of at most 50 characters: a longer one keeps 46 and " ...".
    static QString JournalExplanation(const QString& text);

    // --- handlers ------------------------------------------------------------------------------
    void FormShow(QObject* sender);
    void bDailyClick(QObject* sender);
    void bMonthlyClick(QObject* sender);
    void bFromDateToDateClick(QObject* sender);
    void bEndClick(QObject* sender);
    void bPrintClick(QObject* sender);
    void bCloseClick(QObject* sender);
    void meDateExit(QObject* sender);
    void TabSet1Click(QObject* sender);
    void TabSet2Click(QObject* sender);
    void MoneyGridEnter(QObject* sender);
    void MoneyGridExit(QObject* sender);
    void MoneyGridKeyPress(QObject* sender, QChar& key);
    void IncomeTotalChange(QObject* sender);
    void ExpenseTotalChange(QObject* sender);
    void TakeTotalExit(QObject* sender);

    // Today, as the period buttons read it.
    std::function<TDateTime()> Today = [] { return Date(); };

    // The period last opened successfully; the closing and the printout use it.
    bool PeriodOpen() const { return periodOpen_; }
    qint32 PeriodBox() const { return periodBox_; }
    QString PeriodFrom() const { return PeriodText(periodFrom_); }
    QString PeriodTo() const { return PeriodText(periodTo_); }

    TLabel* Label1 = nullptr;
    TLabel* Label2 = nullptr;
    TMaskEdit* meStartDate = nullptr;
    TMaskEdit* meEndDate = nullptr;
    TFlatButton* bDaily = nullptr;
    TFlatButton* bMonthly = nullptr;
    TFlatButton* bFromDateToDate = nullptr;
    TFlatButton* bEnd = nullptr;
    TFlatButton* bPrint = nullptr;
    TFlatButton* bClose = nullptr;

    TGroupBox* gbSummary = nullptr;
    TEdit* eOldBalance = nullptr;
    TEdit* eNewBalance = nullptr;
    TLabel* lblSaldoDate = nullptr;
    TLabel* lblLastFinished = nullptr;
    TDBEdit* dbeTakedTotalSum = nullptr;
    TDBEdit* dbeTotalSale = nullptr;
    TDBEdit* dbeGiveTotal = nullptr;
    TDBEdit* dbeDeliveryTotal = nullptr;
    TDBEdit* dbePaymentSum = nullptr;
    TDBEdit* dbeWorkSum = nullptr;
    TEdit* eTakeTotal = nullptr;
    TEdit* eGiveTotal = nullptr;

    TTabSet* TabSet1 = nullptr;
    TNotebook* Notebook1 = nullptr;
    TDBGrid* DBGridT1 = nullptr;
    TDBGrid* DBGridT2 = nullptr;
    TTabSet* TabSet2 = nullptr;
    TNotebook* Notebook2 = nullptr;
    TDBGrid* DBGridG1 = nullptr;
    TDBGrid* DBGridG2 = nullptr;
    TDBGrid* DBGridG3 = nullptr;
    TDBGrid* DBGridG4 = nullptr;
    TPopupMenu* PopupMenu1 = nullptr;

private:
    void BuildPeriodBar();
    void BuildSummary();
    void BuildGrids();
    void StartPeriod(TDateTime from, TDateTime to, bool daily);
    bool ReadDate(TMaskEdit* edit, TDateTime& day);
    void ShowNewBalance();
    void AppendClosing();
    void BuildJournal();
    void PeriodEdited();
    TDataSet* MoneyDataSet(QObject* grid) const;

    bool periodOpen_ = false;
    qint32 periodBox_ = 0;
    TDateTime periodFrom_ = 0;
    TDateTime periodTo_ = 0;
};

extern TfCasheBox* fCasheBox;
