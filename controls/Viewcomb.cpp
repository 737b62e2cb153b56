#include "controls/Viewcomb.h"

#include <QScopedValueRollback>

// --- TViewComboLink ---------------------------------------------------------------------------

void TViewComboLink::UpdateField()
{
    FField = nullptr;
    TDataSet* dataSet = DataSet();
    if (dataSet != nullptr && dataSet->Active() && !FFieldName.isEmpty())
        FField = dataSet->FieldByName(FFieldName);
    if (Active()) FCombo->Rebuild();
}

void TViewComboLink::ActiveChanged()
{
    if (!Active()) {
        FField = nullptr;
        FCombo->Items().Clear();
    } else if (FField == nullptr) {
        UpdateField();
    }
}

void TViewComboLink::DataSetChanged()
{
    if (FInUpdate) return;
    const QScopedValueRollback inUpdate(FInUpdate, true);
    const TDataSetState state = DataSet()->State();
    // The row being typed is not in the list yet; the post that ends it rebuilds.
    if (state != dsEdit && state != dsInsert && state != dsSetKey) {
        FCombo->Items().Clear();
        FCombo->Rebuild();
    }
}

void TViewComboLink::DataSetScrolled(int distance)
{
    if (distance != 0) FCombo->ScrollBy(distance);
}

// --- TDBViewCombo -----------------------------------------------------------------------------

TDBViewCombo::TDBViewCombo(QWidget* parent) : TComboBox(parent) { SetStyle(csDropDownList); }

void TDBViewCombo::SetDataField(const QString& name)
{
    if (name == FDataLink.FieldName()) return;
    FDataLink.SetFieldName(name);
    FDataLink.UpdateField();
}

bool TDBViewCombo::CanNavigate() const
{
    const TDataSet* dataSet = FDataLink.DataSet();
    return dataSet != nullptr && dataSet->Active() && FDataLink.Field() != nullptr;
}

void TDBViewCombo::Rebuild()
{
    if (!CanNavigate()) {
        TComboBox::Change();
        return;
    }
    TDataSet* dataSet = FDataLink.DataSet();
    Items().Clear();
    // Rows are told apart by their bookmarks, so two rows with the same text stay two entries.
    TBookmark current = dataSet->GetBookmark();
    int index = -1;
    {
        const TControlsOff rowsOff(dataSet);
        dataSet->First();
        for (int count = 0; !dataSet->Eof(); ++count) {
            Items().Add(dataSet->FieldByName(FDataLink.FieldName())->AsString());
            if (!current.isEmpty() && dataSet->CompareBookmarks(dataSet->GetBookmark(), current) == 0) index = count;
            dataSet->Next();
        }
        dataSet->GotoBookmark(current);
        dataSet->FreeBookmark(current);
    }
    const QScopedValueRollback busy(FBusy, true);
    SetIndex(index);
    FSavedIndex = index;
}

void TDBViewCombo::SetIndex(int index)
{
    SetItemIndex(index);
    Change();
    FSavedIndex = index;
}

void TDBViewCombo::Change()
{
    if (!FBusy && CanNavigate()) {
        const QScopedValueRollback busy(FBusy, true);
        FDataLink.DataSet()->MoveBy(ItemIndex() - FSavedIndex);
        FSavedIndex = ItemIndex();
    }
    TComboBox::Change();
}

void TDBViewCombo::ScrollBy(int distance)
{
    if (FBusy) return;
    const QScopedValueRollback busy(FBusy, true);
    SetIndex(ItemIndex() + distance);
}

void TDBViewCombo::Notification(TComponent* component, TOperation operation)
{
    if (operation == opRemove && component != nullptr && component == DataSource()) SetDataSource(nullptr);
}

void TDBViewCombo::KeyUp(int&, TShiftState) {}
