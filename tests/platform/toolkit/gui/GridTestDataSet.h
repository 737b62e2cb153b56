#pragma once
// A small dataset for the data-aware control tests and the grid benchmark: rows of
// (id integer, name string 20, qty integer), either held in a vector (editable) or made up on
// the fly from the row number (any count, read-only). It counts the rows it reads.

#include "platform/toolkit/DataSet.h"
#include "platform/toolkit/Exceptions.h"
#include "tests/support/CursorStep.h"

#include <algorithm>
#include <cstring>
#include <vector>

class GridTestDataSet : public TDataSet {
public:
    struct Row {
        qint32 id = 0;
        QString name;
        qint32 qty = 0;
        bool qtyNull = false;
    };

    // Rows read through GetRecord (the cost of showing and scrolling).
    long long recordsRead = 0;
    std::vector<Row> rows;
    // When above 0 the rows are made up: id = n + 1, name "Row n+1", qty n % 7; read-only.
    int virtualCount = 0;
    bool readOnly = false;
    int posts = 0;

    explicit GridTestDataSet(QObject* owner = nullptr) : TDataSet(owner)
    {
        FieldDefs().Add(QStringLiteral("id"), ftInteger);
        FieldDefs().Add(QStringLiteral("name"), ftString, 20);
        FieldDefs().Add(QStringLiteral("qty"), ftInteger);
    }
    ~GridTestDataSet() override { Close(); }

    bool BookmarkValid(const TBookmark& bookmark) override
    {
        if (bookmark.size() != int(sizeof(qint32))) return false;
        qint32 row;
        std::memcpy(&row, bookmark.constData(), sizeof(row));
        return row >= 0 && row < Count();
    }

    void SetRecNo(int value) override
    {
        CheckBrowseMode();
        const int count = Count();
        if (count == 0) return;
        DoBeforeScroll();
        position_ = std::clamp(value - 1, 0, count - 1);
        Resync(rmCenter);
        DoAfterScroll();
    }

protected:
    struct Buffer {
        qint32 row;  // index into the rows, -1 for a new one
        qint32 flag;
        qint32 id;
        qint32 qty;
        char16_t name[21];
        bool idNull, nameNull, qtyNull;
    };

    int Count() const { return virtualCount > 0 ? virtualCount : int(rows.size()); }
    Row RowAt(int index) const
    {
        if (virtualCount > 0) return Row{index + 1, QStringLiteral("Row %1").arg(index + 1), index % 7, false};
        return rows[size_t(index)];
    }
    static Buffer* Of(TRecordBuffer b) { return reinterpret_cast<Buffer*>(b); }

    TRecordBuffer AllocRecordBuffer() override
    {
        auto* b = new char[sizeof(Buffer) + size_t(CalcFieldsSize())];
        std::memset(b, 0, sizeof(Buffer) + size_t(CalcFieldsSize()));
        return b;
    }
    void FreeRecordBuffer(TRecordBuffer& buffer) override
    {
        delete[] buffer;
        buffer = nullptr;
    }
    int GetRecordSize() override { return int(sizeof(Buffer)); }

    void Fill(TRecordBuffer buffer, int index)
    {
        const Row row = RowAt(index);
        Buffer* b = Of(buffer);
        b->row = index;
        b->flag = bfCurrent;
        b->id = row.id;
        b->qty = row.qty;
        b->idNull = false;
        b->qtyNull = row.qtyNull;
        const QString name = row.name.left(20);
        std::memset(b->name, 0, sizeof(b->name));
        std::memcpy(b->name, name.utf16(), size_t(name.size()) * 2);
        b->nameNull = row.name.isEmpty();
        ++recordsRead;
    }

    TGetResult GetRecord(TRecordBuffer buffer, TGetMode mode, bool) override
    {
        const TGetResult step = StepCursor(position_, Count(), mode);
        if (step != grOK) return step;
        Fill(buffer, position_);
        return grOK;
    }

    void InternalOpen() override
    {
        if (FieldCount() == 0) CreateFields();
        BindFields(true);
        SetBookmarkSize(int(sizeof(qint32)));
        position_ = -1;
        open_ = true;
    }
    void InternalClose() override
    {
        open_ = false;
        BindFields(false);
        if (DefaultFields()) DestroyFields();
    }
    bool IsCursorOpen() override { return open_; }
    void InternalInitFieldDefs() override {}
    void InternalFirst() override { position_ = -1; }
    void InternalLast() override { position_ = Count(); }
    void InternalSetToRecord(TRecordBuffer buffer) override
    {
        if (Of(buffer)->flag == bfCurrent) position_ = Of(buffer)->row;
    }
    void InternalGotoBookmark(const char* bookmark) override
    {
        qint32 row;
        std::memcpy(&row, bookmark, sizeof(row));
        if (row < 0 || row >= Count()) DatabaseError(QStringLiteral("Record not found"));
        position_ = row;
    }
    void InternalInitRecord(TRecordBuffer buffer) override
    {
        std::memset(buffer, 0, sizeof(Buffer));
        Of(buffer)->row = -1;
        Of(buffer)->idNull = Of(buffer)->nameNull = Of(buffer)->qtyNull = true;
    }
    void InternalAddRecord(TRecordBuffer buffer, bool append) override
    {
        if (append) position_ = Count();
        Store(buffer, true);
    }
    void InternalDelete() override { rows.erase(rows.begin() + position_); }
    void InternalPost() override
    {
        TDataSet::InternalPost();
        ++posts;
        Store(ActiveBuffer(), State() == dsInsert);
    }
    void Store(TRecordBuffer buffer, bool insert)
    {
        const Buffer* b = Of(buffer);
        Row row{b->idNull ? 0 : b->id, b->nameNull ? QString() : QString::fromUtf16(b->name), b->qty, b->qtyNull};
        if (insert) {
            position_ = std::clamp(position_, 0, int(rows.size()));
            rows.insert(rows.begin() + position_, row);
        } else {
            rows[size_t(position_)] = row;
        }
    }
    void GetBookmarkData(TRecordBuffer buffer, void* data) override { std::memcpy(data, &Of(buffer)->row, sizeof(qint32)); }
    void SetBookmarkData(TRecordBuffer buffer, const void* data) override { std::memcpy(&Of(buffer)->row, data, sizeof(qint32)); }
    TBookmarkFlag GetBookmarkFlag(TRecordBuffer buffer) override { return TBookmarkFlag(Of(buffer)->flag); }
    void SetBookmarkFlag(TRecordBuffer buffer, TBookmarkFlag flag) override { Of(buffer)->flag = flag; }
    bool GetCanModify() override { return !readOnly && virtualCount == 0; }
    int GetRecordCount() override { return Count(); }
    int GetRecNo() override
    {
        UpdateCursorPos();
        return WindowRecordCount() > 0 && State() != dsInsert ? position_ + 1 : -1;
    }

    bool GetFieldData(TField* field, void* out) override
    {
        TRecordBuffer record = GetActiveRecordBuffer();
        if (!record) return false;
        const Buffer* b = Of(record);
        switch (field->FieldNo()) {
        case 1:
            if (b->idNull) return false;
            if (out) std::memcpy(out, &b->id, sizeof(qint32));
            return true;
        case 2:
            if (b->nameNull) return false;
            if (out) std::memcpy(out, b->name, sizeof(b->name));
            return true;
        case 3:
            if (b->qtyNull) return false;
            if (out) std::memcpy(out, &b->qty, sizeof(qint32));
            return true;
        default:
            return false;
        }
    }

    void SetFieldData(TField* field, const void* in) override
    {
        if (State() != dsEdit && State() != dsInsert) DatabaseError(QStringLiteral("Dataset not in edit or insert mode"));
        TRecordBuffer record = GetActiveRecordBuffer();
        if (!record) return;
        field->Validate(in);
        Buffer* b = Of(record);
        switch (field->FieldNo()) {
        case 1:
            b->idNull = !in;
            if (in) std::memcpy(&b->id, in, sizeof(qint32));
            break;
        case 2:
            b->nameNull = !in;
            std::memset(b->name, 0, sizeof(b->name));
            if (in) std::memcpy(b->name, in, sizeof(b->name));
            break;
        case 3:
            b->qtyNull = !in;
            if (in) std::memcpy(&b->qty, in, sizeof(qint32));
            break;
        }
        DataEvent(deFieldChange, qintptr(field));
    }

private:
    int position_ = -1;
    bool open_ = false;
};
