#pragma once
// A row store and layout without a dataset, for the row, comparison and index tests.

#include "memtable/MemCompare.h"
#include "memtable/MemIndex.h"
#include "memtable/MemRowStore.h"

#include <QString>
#include <cstring>
#include <memory>
#include <optional>

class MemRowFixture : public TMemIndexHost {
public:
    // Field 1: Integer, field 2: text of 10 characters.
    MemRowFixture()
    {
        layout.AddSlot(TMemSlotKind::Integer, 4);
        layout.AddSlot(TMemSlotKind::Text, 22);
    }
    ~MemRowFixture() override
    {
        for (TMemRow* row : store.TakeAllRows()) layout.FreeRow(row, true);
    }

    TMemRowStore& IndexRowStore() override { return store; }
    bool IndexHostActive() const override { return true; }
    bool IndexesEnabled() const override { return enabled; }
    bool RecalcRowsOnIndex() const override { return false; }
    void CalcIndexRow(TMemRow*) override {}

    TMemKeyField Key(int fieldNo) const { return TMemKeyField{layout.Slot(fieldNo), nullptr, false}; }

    // A row that is not stored yet.
    TMemRow* NewRow(std::optional<int> number, std::optional<QString> text) const
    {
        TMemRow* row = layout.AllocRow();
        SetNumber(row, number);
        SetText(row, text);
        return row;
    }
    void SetNumber(TMemRow* row, std::optional<int> number) const
    {
        const TMemSlot& slot = layout.Slot(1);
        row->Data[slot.Offset] = number ? 1 : 0;
        qint32 v = number.value_or(0);
        std::memcpy(SlotValue(row, slot.Offset), &v, sizeof v);
    }
    void SetText(TMemRow* row, std::optional<QString> text) const
    {
        const TMemSlot& slot = layout.Slot(2);
        row->Data[slot.Offset] = text ? 1 : 0;
        SetMemSlotText(SlotValue(row, slot.Offset), slot.ValueSize, text.value_or(QString()));
    }
    static std::optional<int> Number(const TMemRow* row, const TMemRecordLayout& layout)
    {
        const TMemSlot& slot = layout.Slot(1);
        if (!SlotHasValue(row, slot.Offset)) return std::nullopt;
        qint32 v;
        std::memcpy(&v, SlotValue(row, slot.Offset), sizeof v);
        return v;
    }
    std::optional<QString> Text(const TMemRow* row) const
    {
        const TMemSlot& slot = layout.Slot(2);
        if (!SlotHasValue(row, slot.Offset)) return std::nullopt;
        return MemSlotText(SlotValue(row, slot.Offset), slot.ValueSize);
    }
    TMemRow* Store(std::optional<int> number, std::optional<QString> text)
    {
        TMemRow* row = NewRow(number, text);
        store.StoreRow(row);
        return row;
    }

    TMemRecordLayout layout;
    TMemRowStore store;
    bool enabled = true;
};
