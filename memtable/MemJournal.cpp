#include "memtable/MemJournal.h"

#include "memtable/MemTable.h"

TMemJournal::TMemJournal(TCustomMemTable* table) : table_(table), journal_(std::make_unique<TCustomMemTable>()) {}

TMemJournal::~TMemJournal() = default;

void TMemJournal::Setup()
{
    journal_->Close();
    journal_->DestroyFields();
    journal_->FieldDefs().Assign(table_->FieldDefs());
    journal_->FieldDefs().Add(QString::fromLatin1(OperationFieldName), ftInteger);
    journal_->FieldDefs().Add(QString::fromLatin1(RecordTypeFieldName), ftInteger);
    journal_->Open();
}

void TMemJournal::LogChange(TMemJournalOperation operation, TMemRow* newRow, TMemRow* oldRow)
{
    if (!journal_->Active()) return;
    switch (operation) {
    case mjoInsert: AddEntry(operation, mjrAfterImage, newRow); break;
    case mjoModify:
        AddEntry(operation, mjrBeforeImage, oldRow);
        AddEntry(operation, mjrAfterImage, newRow);
        break;
    case mjoDelete: AddEntry(operation, mjrBeforeImage, oldRow); break;
    }
}

void TMemJournal::AddEntry(TMemJournalOperation operation, TMemJournalRecordType recordType, TMemRow* row)
{
    if (!row) return;
    std::lock_guard guard(table_->RowStore().Lock());
    TCustomMemTable& journal = *journal_;
    journal.Append();
    TMemRow* const savedOverride = table_->OverrideRow();
    // Recorded values go in as they are, read-only fields too.
    journal.loading_ = true;
    try {
        journal.FieldByName(QString::fromLatin1(OperationFieldName))->SetAsInteger(operation);
        journal.FieldByName(QString::fromLatin1(RecordTypeFieldName))->SetAsInteger(recordType);
        table_->SetOverrideRow(row);
        for (TField* field : table_->Fields()) {
            if (field->FieldKind() != fkData) continue;
            if (TField* target = journal.Fields().FieldByNumber(field->FieldNo()))
                target->SetAsVariant(field->AsVariant());
        }
        table_->SetOverrideRow(savedOverride);
        journal.Post();
    } catch (...) {
        table_->SetOverrideRow(savedOverride);
        journal.loading_ = false;
        journal.Cancel();
        throw;
    }
    journal.loading_ = false;
}
