#include "memtable/MemDeltaHandler.h"

#include "memtable/MemTable.h"

TCustomMemDeltaHandler::TCustomMemDeltaHandler(QObject* owner) : TComponent(owner) {}

TCustomMemDeltaHandler::~TCustomMemDeltaHandler()
{
    if (table_) table_->SetDeltaHandler(nullptr);
}

void TCustomMemDeltaHandler::SetMemTable(TCustomMemTable* table)
{
    if (table == table_) return;
    TCustomMemTable* previous = table_;
    table_ = table;
    // A handler serves one table: the one it served before lets go of it.
    if (previous && previous->DeltaHandler() == this) previous->SetDeltaHandler(nullptr);
    if (table && table->DeltaHandler() != this) table->SetDeltaHandler(this);
}

void TCustomMemDeltaHandler::Notification(TComponent* component, TOperation operation)
{
    TComponent::Notification(component, operation);
    if (operation == opRemove && component == table_) table_ = nullptr;
}

void TCustomMemDeltaHandler::Resolve()
{
    if (!table_) MemTableError(MemTableTexts::DeltaHandlerNotAssigned());
    TMemRowStore& store = table_->RowStore();
    std::lock_guard guard(store.Lock());
    auto clear = [this] { currentRow_ = oldestRow_ = nullptr; };
    try {
        for (int id = 0; id < store.SlotCount(); ++id) {
            TMemRow* row = store.Slot(id);
            if (!row) continue;
            TMemRow* oldest = row;
            while (oldest->OlderVersion) oldest = oldest->OlderVersion;
            currentRow_ = row;
            oldestRow_ = oldest;
            if (row->UpdateStatus == musDeleted) {
                if (oldest->UpdateStatus != musInserted) DeleteRecord();
            } else if (oldest->UpdateStatus == musInserted) {
                InsertRecord();
            } else if (row->UpdateStatus == musModified) {
                ModifyRecord();
            }
        }
    } catch (...) {
        clear();
        throw;
    }
    clear();
}

TVariant TCustomMemDeltaHandler::CurrentValue(const QString& fieldName) const { return ValueIn(currentRow_, fieldName); }

TVariant TCustomMemDeltaHandler::OldestValue(const QString& fieldName) const { return ValueIn(oldestRow_, fieldName); }

TVariant TCustomMemDeltaHandler::ValueIn(TMemRow* row, const QString& fieldName) const
{
    if (!table_ || !row) return TVariant::Null();
    TField* field = table_->FieldByName(fieldName);
    TMemRow* saved = table_->OverrideRow();
    table_->SetOverrideRow(row);
    try {
        TVariant value = field->AsVariant();
        table_->SetOverrideRow(saved);
        return value;
    } catch (...) {
        table_->SetOverrideRow(saved);
        throw;
    }
}
