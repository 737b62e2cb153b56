#pragma once
// Walks the versioned rows of a memory table and calls one hook per row changed since the check
// point; a descendant overrides the hooks and reads the newest and the oldest version.

#include "platform/toolkit/Component.h"
#include "platform/toolkit/Variant.h"

class TCustomMemTable;
struct TMemRow;

class TCustomMemDeltaHandler : public TComponent {
    Q_OBJECT
public:
    explicit TCustomMemDeltaHandler(QObject* owner = nullptr);
    ~TCustomMemDeltaHandler() override;

    // Set through the table's DeltaHandler property.
    TCustomMemTable* MemTable() const { return table_; }
    void SetMemTable(TCustomMemTable* table);

    // Reports every changed row to its hook: deleted rows to DeleteRecord (unless inserted since
    // the check point), inserted ones to InsertRecord, modified ones to ModifyRecord.
    // EMemTableError when no table is assigned.
    virtual void Resolve();

    void Notification(TComponent* component, TOperation operation) override;

protected:
    virtual void InsertRecord() {}
    virtual void DeleteRecord() {}
    virtual void ModifyRecord() {}

    // While a hook runs: the newest and the oldest version of the row reported.
    TMemRow* CurrentRow() const { return currentRow_; }
    TMemRow* OldestRow() const { return oldestRow_; }
    // A field's value in those versions (Null for a null field).
    TVariant CurrentValue(const QString& fieldName) const;
    TVariant OldestValue(const QString& fieldName) const;

private:
    TCustomMemTable* table_ = nullptr;
    TMemRow* currentRow_ = nullptr;
    TMemRow* oldestRow_ = nullptr;

    TVariant ValueIn(TMemRow* row, const QString& fieldName) const;
};
