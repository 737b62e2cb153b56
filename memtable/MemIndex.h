#pragma once
// Indexes of the memory table: sorted lists of references to stored rows, kept current one change
// at a time, with binary search and unique checks. Equal keys keep the order in which their rows
// were stored (the record no breaks ties), so an index kept up row by row and one rebuilt from
// scratch hold the same order.

#include "memtable/MemCompare.h"
#include "memtable/MemRowStore.h"

#include <QString>
#include <functional>
#include <memory>
#include <vector>

// What an index needs from the table that owns it.
class TMemIndexHost {
public:
    virtual ~TMemIndexHost() = default;
    virtual TMemRowStore& IndexRowStore() = 0;
    virtual bool IndexHostActive() const = 0;
    virtual bool IndexesEnabled() const = 0;
    // When an index holds calculated fields, a row's are computed before it is compared.
    virtual bool RecalcRowsOnIndex() const = 0;
    virtual void CalcIndexRow(TMemRow* row) = 0;
};

struct TMemIndexOptions {
    bool Unique = false;
    bool Descending = false;
    bool CaseInsensitive = false;
    bool NonMaintained = false;
};

using TMemRowAccept = std::function<bool(const TMemRow*)>;

class TMemIndex {
public:
    TMemIndex(TMemIndexHost* host, QString name, QString fieldNames, TMemIndexOptions options, bool rowOrder = false);

    const QString& Name() const { return name_; }
    const QString& FieldNames() const { return fieldNames_; }
    const TMemIndexOptions& Options() const { return options_; }
    TMemTableCompareOptions CompareOptions() const { return compareOptions_; }
    bool Valid() const { return valid_; }
    void SetValid(bool valid) { valid_ = valid; }
    bool Sortable() const { return !rowOrder_; }
    bool RowOrder() const { return rowOrder_; }
    // Making an internal index current clears the table's index selection texts.
    bool Internal() const { return internal_; }
    void SetInternal(bool internal) { internal_ = internal; }
    // Kept up on every change unless marked non-maintained.
    bool Maintained() const { return !options_.NonMaintained; }

    const TMemKeyFields& FieldList() const { return fieldList_; }
    void SetFieldList(TMemKeyFields fields) { fieldList_ = std::move(fields); }

    const std::vector<TMemRow*>& Rows() const { return rows_; }
    int Count() const { return int(rows_.size()); }
    TMemRow* Row(int position) const { return rows_[size_t(position)]; }

    // Key order of a against b under the index's options; tieBreak orders equal keys by record no.
    int CompareRows(const TMemRow* a, const TMemRow* b, bool tieBreak) const;
    // The first row whose key equals the row's (nearest: the first not less than it); -1 for none.
    int FindInsertPosition(const TMemRow* row, bool nearest) const;
    int FindInsertPosition(const TMemRow* row, bool nearest, TMemTableCompareOptions options) const;
    // Where the row belongs in the index's order, equal keys broken by record no.
    int FindOrderedPosition(const TMemRow* row) const;
    // The position of this very row; -1 when the index does not hold it.
    int FindRowPosition(const TMemRow* row) const;
    int FindRecordID(qint32 recordID) const;
    // Locate's search: the first accepted row whose key fields equal the key (nearest: not less).
    int SearchKey(const TMemKeyFields& keyFields, const TMemRow* key, TMemTableCompareOptions options, bool nearest,
                  const TMemRowAccept& accept) const;

    // Sorts every row; a unique index with two equal live keys raises EMemTableError and stays invalid.
    void SortRows();
    // Every occupied slot of the store in slot order; invalid until sorted.
    void LoadRows();
    void Rebuild();
    void Clear(bool valid);

    void InsertRowAt(int position, TMemRow* row) { rows_.insert(rows_.begin() + position, row); }
    void RemoveRowAt(int position) { rows_.erase(rows_.begin() + position); }
    // The first live row other than exceptRow whose key equals the row's, or none.
    const TMemRow* FindDuplicate(const TMemRow* row, const TMemRow* exceptRow) const;

private:
    TMemIndexHost* host_;
    QString name_;
    QString fieldNames_;
    TMemIndexOptions options_;
    TMemTableCompareOptions compareOptions_;
    std::vector<TMemRow*> rows_;
    TMemKeyFields fieldList_;
    bool valid_ = true;
    bool rowOrder_ = false;
    bool internal_ = false;

    bool UsesBinarySearch() const { return valid_ && !rowOrder_; }
    int BinaryFindRecordID(qint32 recordID) const;
    void Prepare(const TMemRow* row) const;
    // First position whose row does not come before the key; compares key (as a) to the rows (as b).
    int LowerBound(const TMemKeyFields& fields, const TMemRow* key, TMemTableCompareOptions options) const;
};

enum TMemIndexOperation { mioInsert = 0, mioEdit = 1, mioDelete = 2 };

// One planned change of one index; planning finds every position before anything changes.
struct TMemIndexChange {
    TMemIndex* Index = nullptr;
    int RemoveAt = -1;
    int InsertAt = -1;
    TMemRow* Row = nullptr;
    bool KeepValid = true;
};

class TMemIndexes {
public:
    static inline const QString RowOrderName = QStringLiteral("__MT__ROWORDER");

    explicit TMemIndexes(TMemIndexHost* host);

    TMemIndex* RowOrderIndex() const { return items_.front().get(); }
    int Count() const { return int(items_.size()); }
    TMemIndex* Items(int i) const { return items_[size_t(i)].get(); }
    // Names compare without case; a missing one raises EMemTableError.
    TMemIndex* IndexByName(const QString& name) const;
    TMemIndex* FindIndex(const QString& name) const;
    // The first index whose field names equal the text, upper-cased both; none when there is none.
    TMemIndex* IndexByFieldNames(const QString& names) const;
    TMemIndex* AddIndex(std::unique_ptr<TMemIndex> index);
    // Raises EMemTableError for an empty name or field list.
    TMemIndex* AddIndexDef(const QString& name, const QString& fieldNames, TMemIndexOptions options);
    std::unique_ptr<TMemIndex> DeleteIndex(TMemIndex* index);
    // Frees every index but the row-order index, emptying them all.
    void Clear(bool valid);
    void EmptyAll(bool valid);
    void ReindexAll();
    // Raises EMemTableError when a maintained unique index holds another row with the row's key.
    void CheckUnique(const TMemRow* row, const TMemRow* exceptRow) const;
    // Plans the index changes of one insert, edit (row stored, newRow the edited values) or
    // delete; cursorIndex and cursorPosition are the posting table's. Raises before any change.
    void PlanUpdate(TMemIndexOperation operation, TMemRow* row, const TMemRow* newRow, const TMemIndex* cursorIndex,
                    int cursorPosition, std::vector<TMemIndexChange>& plan) const;
    static void ApplyUpdate(const std::vector<TMemIndexChange>& plan);

private:
    TMemIndexHost* host_;
    std::vector<std::unique_ptr<TMemIndex>> items_;
};
