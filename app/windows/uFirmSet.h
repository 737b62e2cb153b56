#pragma once
// The own firms: listed and edited, deleted while no order names them, and chosen as the firm of
// the open order and, when asked, as the firm new orders and the order list belong to.

#include "platform/toolkit/DataSet.h"
#include "platform/toolkit/gui/Form.h"

class TDBGrid;
class TEdit;
class TCheckBox;
class TFlatButton;

class TfFirmSet : public TForm {
    Q_OBJECT
public:
    explicit TfFirmSet(QWidget* parent = nullptr);
    ~TfFirmSet() override;

    // Puts the list on the firm named `text`: the firm of that whole name (case aside) when there
    // is one, else the first whose name starts so. False when none does.
    bool FindFirm(const QString& text);

    // --- handlers ------------------------------------------------------------------------------
    void FormActivate(QObject* sender);
    void bYesClick(QObject* sender);
    void bDelClick(QObject* sender);
    void bCancelClick(QObject* sender);
    void tbxSearchValueChange(QObject* sender);
    void DBGrid1KeyDown(QObject* sender, int& key, TShiftState shift);

    TEdit* tbxSearchValue = nullptr;
    TDBGrid* DBGrid1 = nullptr;
    TFlatButton* bDel = nullptr;
    TFlatButton* bYes = nullptr;
    TFlatButton* bCancel = nullptr;
    TCheckBox* cbxOnlyThis = nullptr;

private:
    // Posts the firm row being typed; false (after saying so) when it has no name yet.
    bool PostFirm();
    void TakeFirmIntoOrder();
    void TakeFirmIntoSettings();
    // The firm was the settings' current firm: new orders have none now.
    void ForgetCurrentFirm(qint32 deletedId);
    // Where `tblMyFirm` stood when the window was activated.
    TBookmark remembered_;
};

extern TfFirmSet* fFirmSet;
