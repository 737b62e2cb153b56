#pragma once
// The profit of a period: every line of the orders that are not annulled, with its delivery
// cost, its net sale value without VAT and the difference, and the period's total profit.

#include "platform/toolkit/DateTime.h"
#include "platform/toolkit/gui/Form.h"

#include <functional>

class TDBGrid;
class TDBEdit;
class TEdit;
class TMaskEdit;
class TCheckBox;
class TLabel;
class TPanel;
class TButton;
class TFlatButton;

class TfDebit : public TForm {
    Q_OBJECT
public:
    explicit TfDebit(QWidget* parent = nullptr);
    ~TfDebit() override;

    // The conditions both queries add to their base text, up to the closing ";".
    QString PeriodConditions(const QString& box, const QString& start, const QString& end) const;
    // The line list into `tblDebitQuery`, the total into `tblDebSum`. A query the engine refuses
    // is closed and raises.
    void RunDebitQuery(const QString& box, const QString& start, const QString& end);
    void RunDebitSum(const QString& box, const QString& start, const QString& end);

    void FormShow(QObject* sender);
    void FormActivate(QObject* sender);
    void FlatButton1Click(QObject* sender);
    void CasheBoxNumChange(QObject* sender);
    void meStartDateExit(QObject* sender);
    void meEndDateExit(QObject* sender);
    void DBGrid1KeyPress(QObject* sender, QChar& key);
    void DBGrid1DblClick(QObject* sender);
    void bPrintClick(QObject* sender);

    // Today, as the set-up reads it.
    std::function<TDateTime()> Today = [] { return Date(); };

    TDBGrid* DBGrid1 = nullptr;
    TPanel* Panel1 = nullptr;
    TLabel* lblTotal = nullptr;
    TDBEdit* DBE_sale_num = nullptr;
    TMaskEdit* meStartDate = nullptr;
    TMaskEdit* meEndDate = nullptr;
    TLabel* lblCasheBoxNum = nullptr;
    TEdit* CasheBoxNum = nullptr;
    TCheckBox* cbxOnlyThis = nullptr;
    TFlatButton* FlatButton1 = nullptr;
    TButton* bPrint = nullptr;
    TButton* bCancel = nullptr;

private:
    // Runs both queries on the criteria shown; a failure empties the list and the total and is
    // reported.
    void Calculate();

    bool setUp_ = false;
    QString lastBox_ = QStringLiteral("0");
};

extern TfDebit* fDebit;
