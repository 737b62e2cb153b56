#pragma once
// The cash journal's window: its grid's columns are the columns of the journal's printout.

#include "platform/toolkit/gui/Form.h"

class TDBGrid;
class TFlatButton;

class TfOrderForm : public TForm {
    Q_OBJECT
public:
    explicit TfOrderForm(QWidget* parent = nullptr);
    ~TfOrderForm() override;

    void FormShow(QObject* sender);
    void FormClose(QObject* sender, TCloseAction& action);
    void FlatButton1Click(QObject* sender);
    void bSearchClick(QObject* sender);

    TDBGrid* DBGrid1 = nullptr;
    TFlatButton* FlatButton1 = nullptr;
    TFlatButton* bSearch = nullptr;

private:
    void FitColumns();
};

extern TfOrderForm* fOrderForm;
