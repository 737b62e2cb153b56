#pragma once
// The closings of the operator's cash box, newest first.

#include "platform/toolkit/gui/Form.h"

class TDBGrid;
class TFlatButton;

class TfCashFinish : public TForm {
    Q_OBJECT
public:
    explicit TfCashFinish(QWidget* parent = nullptr);
    ~TfCashFinish() override;

    void FormShow(QObject* sender);
    void FormClose(QObject* sender, TCloseAction& action);
    void DBGrid1KeyDown(QObject* sender, int& key, TShiftState shift);
    void FlatButton1Click(QObject* sender);
    void bCancelClick(QObject* sender);

    TDBGrid* DBGrid1 = nullptr;
    TFlatButton* FlatButton1 = nullptr;
    TFlatButton* bCancel = nullptr;
};

extern TfCashFinish* fCashFinish;
