#pragma once
// The design the cars and clients windows share: a grid over one table of the data module,
// search boxes that find as the user types, a title click that sorts, a delete refused while an
// order names the row, and two ways of being opened: to pick a row into the open order, or as a
// list from the menu (editable while the settings allow changes to order data).

#include "app/windows/WindowKit.h"
#include "platform/toolkit/DataSet.h"
#include "platform/toolkit/gui/Form.h"

#include <QString>
#include <functional>
#include <span>
#include <vector>

class TDaoTable;
class TDataSource;
class TEdit;
class TLabel;
class TFlatButton;

class TPickListForm : public TForm {
    Q_OBJECT
public:
    // A search box: its label, the field it finds by.
    struct TSearchSpec {
        const char* Name;
        const char* Label;
        const char* Field;
    };
    // What tells one list from the other.
    struct TDesign {
        const char* FormName;
        const char* Caption;
        int HelpContext;
        int Width;
        TDaoTable* Table;
        TDataSource* Source;
        std::span<const TColumnSpec> Columns;
        std::span<const TSearchSpec> Searches;
        // Whether an order names the row (raises when it cannot tell).
        std::function<bool(qint32 id)> InUse;
        QString InUseText;
        // Copies the current row into the order's panel.
        std::function<void()> ShowInOrder;
    };

    TPickListForm(const TDesign& design, QWidget* parent);

    // Opened from the order's " >>" button: remembers the table's row, shows "&Избор", hides
    // "&Премахни", grid read-only.
    TModalResult ShowForPick();
    // Opened from the menu: no "&Избор"; editable with "&Премахни" while the settings allow
    // changes to order data or the window already shows its editing label, else read-only.
    TModalResult ShowAsList();
    // Whether a pick goes into the order now.
    bool CanPick() const;

    // --- handlers ------------------------------------------------------------------------------
    void bYesClick(QObject* sender);
    void bDelClick(QObject* sender);
    void bCancelClick(QObject* sender);
    void tbxSearchValueChange(QObject* sender);
    void DBGrid1KeyDown(QObject* sender, int& key, TShiftState shift);
    void DBGrid1DblClick(QObject* sender);

    TDBGrid* DBGrid1 = nullptr;
    TFlatButton* bYes = nullptr;
    TFlatButton* bDel = nullptr;
    TFlatButton* bCancel = nullptr;
    TLabel* lblEditing = nullptr;
    // The search boxes in the design's order.
    std::vector<TEdit*> SearchBoxes;

private:
    void SetPickMode(bool pick);
    TDaoTable* table_;
    QStringList searchFields_;
    std::function<bool(qint32)> inUse_;
    QString inUseText_;
    std::function<void()> showInOrder_;
    bool pickMode_ = false;
    // The row the table stood on when the pick began; empty when none is to be restored.
    TBookmark remembered_;
};
