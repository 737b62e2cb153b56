#pragma once
// The change journal of a memory table: every insert, modification and delete appended to a
// second memory table as after and before images, with two Integer fields that say which.

#include <memory>

class TCustomMemTable;
struct TMemRow;

enum TMemJournalOperation { mjoInsert = 0, mjoModify = 1, mjoDelete = 2 };
enum TMemJournalRecordType { mjrAfterImage = 1, mjrBeforeImage = 2 };

class TMemJournal {
public:
    static constexpr const char* OperationFieldName = "__MT_Journal_Operation";
    static constexpr const char* RecordTypeFieldName = "__MT_Journal_RecordType";

    explicit TMemJournal(TCustomMemTable* table);
    ~TMemJournal();
    TMemJournal(const TMemJournal&) = delete;
    TMemJournal& operator=(const TMemJournal&) = delete;

    TCustomMemTable* Table() const { return table_; }
    // The recorded table's fields, then the operation and the image kind; open once set up.
    TCustomMemTable* JournalTable() const { return journal_.get(); }

    // Gives the journal table the recorded table's definitions and opens it.
    void Setup();
    // Insert: the new row's after image; modify: before image, then after image; delete: the
    // old row's before image. Nothing while the journal table is closed.
    void LogChange(TMemJournalOperation operation, TMemRow* newRow, TMemRow* oldRow);

private:
    TCustomMemTable* table_;
    std::unique_ptr<TCustomMemTable> journal_;

    void AddEntry(TMemJournalOperation operation, TMemJournalRecordType recordType, TMemRow* row);
};
