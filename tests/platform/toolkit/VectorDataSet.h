#pragma once
// A dataset over a vector of rows, for the tests of the dataset base. Each row keeps every field
// as a presence byte and the field's native value; the record buffer is a small header (the
// row's id and the bookmark flag), the row data and the calculated area.

#include "platform/toolkit/DataSet.h"
#include "platform/toolkit/DataSource.h"
#include "platform/toolkit/Exceptions.h"
#include "platform/toolkit/Streams.h"
#include "tests/support/CursorStep.h"

#include <cstring>
#include <functional>
#include <string>
#include <vector>

class VectorDataSet : public TDataSet {
public:
    struct Row {
        qint32 id = 0;
        std::vector<char> data;
    };

    explicit VectorDataSet(QObject* owner = nullptr) : TDataSet(owner) {}
    ~VectorDataSet() override
    {
        Destroying();
        Close();
    }

    // Slot calls the tests look at, in order ("post", "edit", "delete", "first", ...).
    std::vector<std::string> calls;
    // Raised from the slot when set (a failing source).
    std::function<void()> failPost, failEdit, failDelete;
    bool readOnly = false;
    std::vector<Row> rows;

    // Rows added while closed, values in field-definition order (Null skips one).
    void AddRow(const std::vector<TVariant>& values)
    {
        const bool wasOpen = Active();
        if (!wasOpen) Open();
        Append();
        for (size_t i = 0; i < values.size(); ++i)
            if (!values[i].IsClear()) Fields()[int(i)]->SetAsVariant(values[i]);
        Post();
        if (!wasOpen) Close();
    }
    int Position() const { return position_; }
    using TDataSet::ActiveRecord;
    using TDataSet::BufferCount;
    using TDataSet::WindowRecordCount;

    bool BookmarkValid(const TBookmark& bookmark) override { return IndexOfBookmark(bookmark) >= 0; }

    int CompareBookmarks(const TBookmark& a, const TBookmark& b) override
    {
        if (a.isEmpty() || b.isEmpty()) return TDataSet::CompareBookmarks(a, b);
        const qint32 x = IdOf(a.constData()), y = IdOf(b.constData());
        return x < y ? -1 : (x > y ? 1 : 0);
    }

    bool Locate(const QString& keyFields, const TVariant& keyValues, TLocateOptions) override
    {
        CheckBrowseMode();
        const TBookmark start = GetBookmark();
        DisableControls();
        bool found = false;
        try {
            First();
            while (!Eof() && !found) {
                found = FieldValues(keyFields) == keyValues;
                if (!found) Next();
            }
            if (!found && !start.isEmpty()) GotoBookmark(start);
        } catch (...) {
            EnableControls();
            throw;
        }
        EnableControls();
        return found;
    }

    TVariant Lookup(const QString& keyFields, const TVariant& keyValues, const QString& resultFields) override
    {
        // Reads the rows directly so the lookup does not move this dataset.
        for (const Row& row : rows) {
            lookupRow_ = &row;
            const TDataSetState saved = SetTempState(dsInternalCalc);
            const bool match = FieldValues(keyFields) == keyValues;
            TVariant result = match ? FieldValues(resultFields) : TVariant();
            RestoreState(saved);
            lookupRow_ = nullptr;
            if (match) return result;
        }
        return TVariant::Null();
    }

    // Blob values: a blob slot holds an index into this store.
    std::vector<QByteArray> blobs;

    TStream* CreateBlobStream(TField* field, TBlobStreamMode mode) override
    {
        TRecordBuffer record = GetActiveRecordBuffer();
        if (mode != bmRead && State() != dsEdit && State() != dsInsert)
            DatabaseError(QStringLiteral("Dataset not in edit or insert mode"));
        QByteArray initial;
        qint32 index = -1;
        if (mode != bmWrite && record != nullptr && GetFieldData(field, &index)) initial = blobs[size_t(index)];
        return new BlobStream(this, field, mode, initial);
    }

protected:
    class BlobStream : public TMemoryStream {
    public:
        BlobStream(VectorDataSet* owner, TField* field, TBlobStreamMode mode, const QByteArray& bytes)
            : TMemoryStream(bytes), owner_(owner), field_(field), modified_(mode == bmWrite)
        {
        }
        ~BlobStream() override
        {
            if (modified_) owner_->StoreBlob(field_, data_);
        }
        qint64 Write(const void* buffer, qint64 count) override
        {
            modified_ = true;
            return TMemoryStream::Write(buffer, count);
        }

    private:
        VectorDataSet* owner_;
        TField* field_;
        bool modified_;
    };

    void StoreBlob(TField* field, const QByteArray& bytes)
    {
        blobs.push_back(bytes);
        const qint32 index = qint32(blobs.size() - 1);
        SetFieldData(field, bytes.isEmpty() ? nullptr : &index);
    }

    static int SlotSize(const TFieldDef* def)
    {
        return IsBlobType(def->DataType()) ? int(sizeof(qint32)) : FieldDataSize(def->DataType(), def->Size());
    }
    static int ValueSize(const TField* field) { return field->IsBlob() ? int(sizeof(qint32)) : field->DataSize(); }

    struct Header {
        qint32 id;
        qint32 flag;
    };

    TRecordBuffer AllocRecordBuffer() override
    {
        const int size = GetRecordSize() + CalcFieldsSize();
        auto* buffer = new char[size_t(size)];
        std::memset(buffer, 0, size_t(size));
        return buffer;
    }
    void FreeRecordBuffer(TRecordBuffer& buffer) override
    {
        delete[] buffer;
        buffer = nullptr;
    }
    int GetRecordSize() override { return int(sizeof(Header)) + dataSize_; }

    TGetResult GetRecord(TRecordBuffer buffer, TGetMode mode, bool) override
    {
        for (;;) {
            const TGetResult step = StepCursor(position_, int(rows.size()), mode);
            if (step != grOK) return step;
            CopyRow(rows[size_t(position_)], buffer);
            if (!Filtered() || RecordFilterAccepts(buffer)) return grOK;
            if (mode == gmCurrent) return grError;
        }
    }

    void InternalOpen() override
    {
        calls.push_back("open");
        if (FieldDefs().Count() == 0) throw EDatabaseError(QStringLiteral("No fields"));
        if (FieldCount() == 0) CreateFields();
        BindFields(true);
        offsets_.clear();
        dataSize_ = 0;
        for (int i = 0; i < FieldDefs().Count(); ++i) {
            offsets_.push_back(dataSize_);
            dataSize_ += 1 + SlotSize(FieldDefs()[i]);
        }
        for (Row& row : rows) row.data.resize(size_t(dataSize_), '\0');
        SetBookmarkSize(int(sizeof(qint32)));
        position_ = -1;
        open_ = true;
    }
    void InternalClose() override
    {
        calls.push_back("close");
        open_ = false;
        BindFields(false);
        if (DefaultFields()) DestroyFields();
    }
    bool IsCursorOpen() override { return open_; }
    void InternalInitFieldDefs() override {}
    void InternalFirst() override
    {
        calls.push_back("first");
        position_ = -1;
    }
    void InternalLast() override
    {
        calls.push_back("last");
        position_ = int(rows.size());
    }
    void InternalSetToRecord(TRecordBuffer buffer) override
    {
        const Header* h = HeaderOf(buffer);
        if (h->flag != bfCurrent) return;
        const int index = IndexOfId(h->id);
        if (index >= 0) position_ = index;
    }
    void InternalGotoBookmark(const char* bookmark) override
    {
        const int index = IndexOfId(IdOf(bookmark));
        if (index < 0) DatabaseError(QStringLiteral("Record not found"));
        position_ = index;
    }
    void InternalInitRecord(TRecordBuffer buffer) override
    {
        std::memset(buffer, 0, size_t(GetRecordSize()));
    }
    void InternalAddRecord(TRecordBuffer buffer, bool append) override
    {
        Row row{nextId_++, std::vector<char>(buffer + sizeof(Header), buffer + sizeof(Header) + dataSize_)};
        if (append) position_ = int(rows.size());
        position_ = std::clamp(position_, 0, int(rows.size()));
        rows.insert(rows.begin() + position_, row);
    }
    void InternalEdit() override
    {
        calls.push_back("edit");
        if (failEdit) failEdit();
    }
    void InternalPost() override
    {
        calls.push_back("post");
        if (failPost) failPost();
        TDataSet::InternalPost();
        TRecordBuffer buffer = ActiveBuffer();
        std::vector<char> data(buffer + sizeof(Header), buffer + sizeof(Header) + dataSize_);
        if (State() == dsInsert) {
            position_ = std::clamp(position_, 0, int(rows.size()));
            rows.insert(rows.begin() + position_, Row{nextId_++, std::move(data)});
        } else {
            rows[size_t(position_)].data = std::move(data);
        }
    }
    void InternalDelete() override
    {
        calls.push_back("delete");
        if (failDelete) failDelete();
        rows.erase(rows.begin() + position_);
    }
    void InternalCancel() override { calls.push_back("cancel"); }
    void GetBookmarkData(TRecordBuffer buffer, void* data) override { std::memcpy(data, &HeaderOf(buffer)->id, sizeof(qint32)); }
    void SetBookmarkData(TRecordBuffer buffer, const void* data) override { std::memcpy(&HeaderOf(buffer)->id, data, sizeof(qint32)); }
    TBookmarkFlag GetBookmarkFlag(TRecordBuffer buffer) override { return TBookmarkFlag(HeaderOf(buffer)->flag); }
    void SetBookmarkFlag(TRecordBuffer buffer, TBookmarkFlag flag) override { HeaderOf(buffer)->flag = flag; }
    bool GetCanModify() override { return !readOnly; }
    int GetRecordCount() override { return int(rows.size()); }
    int GetRecNo() override
    {
        UpdateCursorPos();
        return (WindowRecordCount() > 0 && State() != dsInsert) ? position_ + 1 : -1;
    }
    void ClearCalcFields(TRecordBuffer buffer) override
    {
        std::memset(buffer + GetRecordSize(), 0, size_t(CalcFieldsSize()));
    }

    bool GetFieldData(TField* field, void* buffer) override
    {
        const char* data = nullptr;
        if (State() == dsInternalCalc && lookupRow_ != nullptr) {
            data = lookupRow_->data.data();
        } else {
            TRecordBuffer record = GetActiveRecordBuffer();
            if (record == nullptr) return false;
            if (field->FieldKind() == fkCalculated || field->FieldKind() == fkLookup)
                return ReadCalcField(record + GetRecordSize(), field, buffer);
            data = record + sizeof(Header);
        }
        const char* slot = data + offsets_[size_t(field->FieldNo() - 1)];
        if (slot[0] == 0) return false;
        if (buffer != nullptr) std::memcpy(buffer, slot + 1, size_t(ValueSize(field)));
        return true;
    }

    void SetFieldData(TField* field, const void* buffer) override
    {
        TRecordBuffer record = GetActiveRecordBuffer();
        const TDataSetState state = State();
        if (state != dsEdit && state != dsInsert && state != dsCalcFields && state != dsFilter)
            DatabaseError(QStringLiteral("Dataset not in edit or insert mode"));
        if (record == nullptr) return;
        if (field->FieldKind() == fkCalculated || field->FieldKind() == fkLookup) {
            WriteCalcField(record + GetRecordSize(), field, buffer);
        } else {
            if (field->ReadOnly() && (state == dsEdit || state == dsInsert))
                DatabaseError(QStringLiteral("Field '%1' cannot be modified").arg(field->DisplayName()));
            field->Validate(buffer);
            char* slot = record + sizeof(Header) + offsets_[size_t(field->FieldNo() - 1)];
            slot[0] = buffer != nullptr ? 1 : 0;
            if (buffer != nullptr) std::memcpy(slot + 1, buffer, size_t(ValueSize(field)));
        }
        if (state != dsCalcFields && state != dsFilter) DataEvent(deFieldChange, qintptr(field));
    }

private:
    static Header* HeaderOf(TRecordBuffer buffer) { return reinterpret_cast<Header*>(buffer); }
    static qint32 IdOf(const char* bookmark)
    {
        qint32 id = 0;
        std::memcpy(&id, bookmark, sizeof id);
        return id;
    }
    int IndexOfId(qint32 id) const
    {
        for (size_t i = 0; i < rows.size(); ++i)
            if (rows[i].id == id) return int(i);
        return -1;
    }
    int IndexOfBookmark(const TBookmark& bookmark) const
    {
        return bookmark.size() == int(sizeof(qint32)) ? IndexOfId(IdOf(bookmark.constData())) : -1;
    }
    void CopyRow(const Row& row, TRecordBuffer buffer)
    {
        Header* h = HeaderOf(buffer);
        h->id = row.id;
        h->flag = bfCurrent;
        std::memcpy(buffer + sizeof(Header), row.data.data(), size_t(dataSize_));
        GetCalcFields(buffer);
    }

    std::vector<int> offsets_;
    int dataSize_ = 0;
    int position_ = -1;
    qint32 nextId_ = 1;
    bool open_ = false;
    const Row* lookupRow_ = nullptr;
};

// Records what a link is told.
class RecordingLink : public TDataLink {
public:
    std::vector<std::string> events;
    std::vector<int> scrolls;

protected:
    void ActiveChanged() override { events.push_back(Active() ? "active" : "inactive"); }
    void DataSetChanged() override { events.push_back("changed"); }
    void DataSetScrolled(int distance) override
    {
        events.push_back("scrolled");
        scrolls.push_back(distance);
    }
    void EditingChanged() override { events.push_back(Editing() ? "editing" : "browsing"); }
    void RecordChanged(TField* field) override { events.push_back(field ? "field:" + field->FieldName().toStdString() : "record"); }
    void LayoutChanged() override { events.push_back("layout"); }
    void CheckBrowseMode() override { events.push_back("checkbrowse"); }
    void UpdateData() override { events.push_back("updatedata"); }
};
