#pragma once
// The staff window: the workshop's employees, their base-salary rows and their payments for
// work done (money out of the cash box), with the pay rule that fills a payment as a percent of
// the work's price and the picker of sold work.

#include "platform/toolkit/gui/Form.h"

class TDBEdit;
class TDBGrid;
class TDBViewCombo;
class TEdit;
class TCheckBox;
class TLabel;
class TMaskEdit;
class TPanel;
class TGroupBox;
class TFlatButton;
class TPopupMenu;
class TMenuItem;
class TColumn;
class TDataSet;

class TfEmployee : public TForm {
    Q_OBJECT
public:
    explicit TfEmployee(QWidget* parent = nullptr);
    ~TfEmployee() override;

    // Read-only of the employee edits; "Редактиране" shows while they are writable.
    void SetReadOnly(bool readOnly);
    bool IsReadOnly() const { return readOnly_; }
    // The employee edits are writable and an employee is being added.
    bool Adding() const { return adding_; }

    // --- handlers ------------------------------------------------------------------------------
    void FormShow(QObject* sender);
    void FormCloseQuery(QObject* sender, bool& canClose);
    void FormClose(QObject* sender, TCloseAction& action);
    void bEditClick(QObject* sender);
    void bYesClick(QObject* sender);
    void bSaveClick(QObject* sender);
    void bCancelClick(QObject* sender);
    void bDelClick(QObject* sender);
    void fbtBackClick(QObject* sender);
    void fbtNextClick(QObject* sender);
    void cbxNamesChange(QObject* sender);
    void DBEdit3Change(QObject* sender);
    void DBEdit4Enter(QObject* sender);
    void MaskEdit1Exit(QObject* sender);
    void DBGrid3ColExit(QObject* sender);
    void DBGrid3EditButtonClick(QObject* sender);
    // "Премахни" of the base-salary grid / of the work-payment grid.
    void DeleteWorkRowClick(QObject* sender);
    void DeletePaymentRowClick(QObject* sender);
    // The reports: every base-salary row, and the rows of either grid.
    void FlatButton1Click(QObject* sender);
    void FlatButton2Click(QObject* sender);
    void FlatButton3Click(QObject* sender);
    void EscapeKeyDown(QObject* sender, int& key, TShiftState shift);
    void PaymentKeyPress(QObject* sender, QChar& key);
    void edUpDeliveryKeyPress(QObject* sender, QChar& key);

    // --- controls ------------------------------------------------------------------------------
    TPanel* pnlEmployee = nullptr;
    TDBViewCombo* cbxNames = nullptr;
    TFlatButton* fbtBack = nullptr;
    TFlatButton* fbtNext = nullptr;
    TLabel* lblEditing = nullptr;
    TDBEdit* DBEdit9 = nullptr;  // employee_name
    TDBEdit* DBEdit2 = nullptr;  // egn
    TDBEdit* DBEdit6 = nullptr;  // address
    TDBEdit* DBEdit7 = nullptr;  // phone
    TDBEdit* DBEdit5 = nullptr;  // job
    TDBEdit* DBEdit8 = nullptr;  // job_description
    TDBEdit* DBEdit4 = nullptr;  // start_date
    TDBEdit* DBEdit3 = nullptr;  // end_date
    TMaskEdit* MaskEdit1 = nullptr;
    TGroupBox* gbWork = nullptr;
    TDBGrid* DBGrid2 = nullptr;
    TFlatButton* FlatButton2 = nullptr;
    TGroupBox* gbPayment = nullptr;
    TDBGrid* DBGrid3 = nullptr;
    TFlatButton* FlatButton3 = nullptr;
    TEdit* edUpDelivery = nullptr;
    TCheckBox* cbUpDelivery = nullptr;
    TDBGrid* DBGrid1 = nullptr;
    TPanel* pnlButtons = nullptr;
    TFlatButton* bYes = nullptr;
    TFlatButton* bDel = nullptr;
    TFlatButton* bSave = nullptr;
    TFlatButton* bEdit = nullptr;
    TFlatButton* bCancel = nullptr;
    TFlatButton* FlatButton1 = nullptr;
    TPopupMenu* pmWork = nullptr;
    TMenuItem* N1 = nullptr;
    TPopupMenu* pmPayment = nullptr;
    TMenuItem* N2 = nullptr;

private:
    void BuildEmployeePanel();
    void BuildGrids();
    void BuildButtons();
    void BindHandlers();
    // The payment grids show their rows again and the name combo moves between employees.
    void AttachPaymentGrids(bool attach);
    // Posts a payment or base-salary row that has changes, for the current employee.
    void PostPendingRow(TDataSet* rows);
    bool StoreEmployee();
    // The overlay's date into the employee row; false when it is no date.
    bool ApplyOverlayDate();
    void DeleteRow(TDataSet* rows);
    void ClosePicker();

    bool readOnly_ = true;
    bool adding_ = false;
};

extern TfEmployee* fEmployee;
