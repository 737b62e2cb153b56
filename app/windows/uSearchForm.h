#pragma once
// Finds orders by client, firm, car, invoice, dates, cash box and status. The hits are left in
// the scratch query for the result list, which brings the chosen order into the main window.

#include "app/datamodule/DModule.h"
#include "platform/toolkit/gui/Form.h"

class TEdit;
class TMaskEdit;
class TCheckBox;
class TLabel;
class TButton;

class TfSearchForm : public TForm {
    Q_OBJECT
public:
    explicit TfSearchForm(QWidget* parent = nullptr);
    ~TfSearchForm() override;

    static QString BaseStatement();
    // The statement of the criteria and the values of its parameters. False when a number
    // criterion is no number the column can hold: then nothing can be found.
    bool BuildSearch(QString& sql, TSqlParams& params);
    // Runs the statement in the scratch query; true when it found an order. A statement the
    // engine refuses raises.
    bool RunSearch(const QString& sql, const TSqlParams& params = {});

    void FormShow(QObject* sender);
    void ClearCriteria();
    void bNewSearchClick(QObject* sender);
    void eCashboxNumKeyPress(QObject* sender, QChar& key);
    void cInvoicePimentClick(QObject* sender);
    void cInvoiceUPimentClick(QObject* sender);
    void meSaleDateExit(QObject* sender);
    void meInvoiceDateExit(QObject* sender);
    void meEndDateExit(QObject* sender);
    void FormCloseQuery(QObject* sender, bool& canClose);

    TEdit* eClientName = nullptr;
    TEdit* eFirmName = nullptr;
    TEdit* eCarNum = nullptr;
    TEdit* eInvoiceNum = nullptr;
    TMaskEdit* meSaleDate = nullptr;
    TMaskEdit* meInvoiceDate = nullptr;
    TMaskEdit* meEndDate = nullptr;
    TEdit* eCashboxNum = nullptr;
    TCheckBox* cInvoiceAnnul = nullptr;
    TCheckBox* cInvoiceAccept = nullptr;
    TCheckBox* cInvoicePiment = nullptr;
    TCheckBox* cInvoiceUPiment = nullptr;
    TCheckBox* cbOnCurrentFirm = nullptr;
    TLabel* lblOnCurrentFirm = nullptr;
    TLabel* lblCannotFind = nullptr;
    TButton* bNewSearch = nullptr;
    TButton* bSearch = nullptr;
    TButton* bCancel = nullptr;

private:
    void ShowCashBoxRule();
};

extern TfSearchForm* fSearchForm;
