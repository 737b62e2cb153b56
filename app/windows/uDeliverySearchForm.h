#pragma once
// Finds deliveries by cash box, supplier, invoice and dates; the deliveries found are listed by
// the result window, which moves the stores window to the one chosen.

#include "app/datamodule/DModule.h"
#include "platform/toolkit/gui/Form.h"

class TEdit;
class TMaskEdit;
class TCheckBox;
class TLabel;
class TButton;

class TfDeliverySearchForm : public TForm {
    Q_OBJECT
public:
    explicit TfDeliverySearchForm(QWidget* parent = nullptr);
    ~TfDeliverySearchForm() override;

    static QString BaseStatement();
    void ClearCriteria();
    // The statement of the criteria and the values of its parameters; false (with the complaint
    // shown) when a criterion cannot be searched for.
    bool BuildStatement(QString& sql, TSqlParams& params);
    // Runs the statement in the scratch query; true when it found a delivery. A statement the
    // engine refuses raises.
    bool RunQuery(const QString& sql, const TSqlParams& params = {});

    void FormShow(QObject* sender);
    void bNewSearchClick(QObject* sender);
    void cInvoiceAcceptClick(QObject* sender);
    void cInvoiceUAcceptClick(QObject* sender);
    void DateExit(QObject* sender);
    void bSearchClick(QObject* sender);

    TEdit* eCashboxNum = nullptr;
    TEdit* eSupplier = nullptr;
    TEdit* eInvoiceNum = nullptr;
    TMaskEdit* meInvoiceDate = nullptr;
    TMaskEdit* meStartDate = nullptr;
    TMaskEdit* meEndDate = nullptr;
    TCheckBox* cInvoiceAccept = nullptr;
    TCheckBox* cInvoiceUAccept = nullptr;
    TLabel* lblCannotFind = nullptr;
    TButton* bSearch = nullptr;
    TButton* bNewSearch = nullptr;
    TButton* bCancel = nullptr;

private:
    void ShowCashBoxRule();
};

extern TfDeliverySearchForm* fDeliverySearchForm;
