#pragma once
// The car makes and their models, the names the order window offers: listed per make, added,
// saved and deleted.

#include "platform/toolkit/gui/Form.h"

class TComboBox;
class TDBGrid;
class TFlatButton;

class TfModel : public TForm {
    Q_OBJECT
public:
    explicit TfModel(QWidget* parent = nullptr);
    ~TfModel() override;

    // The make box's items: "###  Всички  ###", then every make.
    void FillMarks();
    // The filter that lists the models of `make` (its double quotes doubled).
    static QString MakeFilter(const QString& make);

    // --- handlers ------------------------------------------------------------------------------
    void FormActivate(QObject* sender);
    void FormClose(QObject* sender, TCloseAction& action);
    void dbcbMarkDropDown(QObject* sender);
    void dbcbMarkChange(QObject* sender);
    void dbcbMarkKeyPress(QObject* sender, QChar& key);
    void bYesClick(QObject* sender);
    void FlatButton1Click(QObject* sender);
    void bDelClick(QObject* sender);
    void bCancelClick(QObject* sender);
    void DBGrid1KeyDown(QObject* sender, int& key, TShiftState shift);

    TComboBox* dbcbMark = nullptr;
    TDBGrid* DBGrid1 = nullptr;
    TFlatButton* bYes = nullptr;
    TFlatButton* FlatButton1 = nullptr;
    TFlatButton* bDel = nullptr;
    TFlatButton* bCancel = nullptr;

private:
    // A model row still being edited is stored when it has a name, else dropped.
    void SavePendingModel();
};

extern TfModel* fModel;
