#pragma once
// A recordset: the rows of a table, a saved query or a statement, with a current row.
//  - dynaset: the row keys are taken when it opens; each row is read by its key when it is
//    visited, so it shows other users' changes and reports a row they deleted (3167);
//  - snapshot: a copy of the rows taken when it opens; read-only;
//  - table: the rows of one table in the order of its current index, with Seek;
//  - forward-only: read once from the first row to the last.
// Writes go to the one table the rows come from, by key, inside a transaction; an update of a
// row that another user changed since it was read fails (3197) rather than overwrite it.

#include "platform/dao/DaoField.h"
#include "platform/dao/DaoStore.h"
#include "platform/dao/JetSql.h"
#include "platform/toolkit/Variant.h"

#include <QByteArray>
#include <QString>
#include <functional>
#include <memory>
#include <optional>
#include <unordered_map>
#include <vector>

namespace dao {

struct RecordsetSource;
struct InsertPlan;

class Recordset : public std::enable_shared_from_this<Recordset> {
public:
    // Opens the rows of a stored table (dbOpenTable allowed).
    static std::shared_ptr<Recordset> OpenTable(const std::shared_ptr<Store>& store, const QString& table, int type,
                                                int options, int lockType);
    // Opens the rows of a translated SELECT with its parameter values.
    static std::shared_ptr<Recordset> OpenStatement(const std::shared_ptr<Store>& store, const jet::Statement& statement,
                                                    const std::vector<TVariant>& parameters, const QString& name,
                                                    int type, int options, int lockType, int maxRecords = 0);
    ~Recordset();
    Recordset(const Recordset&) = delete;
    Recordset& operator=(const Recordset&) = delete;

    const QString& Name() const;
    int Type() const { return type_; }

    // Before the first row / after the last one; both on an empty recordset.
    bool Bof() const;
    bool Eof() const;
    void MoveFirst();
    void MoveLast();
    void MoveNext();
    void MovePrevious();
    // Moves by rows from the current row, or from the row of a bookmark.
    void Move(int rows, const QByteArray& start = QByteArray());

    // 0-based position of the current row; -1 without one.
    int AbsolutePosition() const;
    void SetAbsolutePosition(int position);
    double PercentPosition() const;
    void SetPercentPosition(double percent);
    // Table-type: every row; others: the rows visited so far (all of them after MoveLast).
    int RecordCount() const;

    // Four bytes: the row key, little-endian.
    QByteArray Bookmark() const;
    // The current row's key that Bookmark holds, refused as Bookmark refuses it; for readers
    // that want the key of every row they pass without a byte array per row.
    qint64 CurrentKey() const;
    void SetBookmark(const QByteArray& bookmark);
    bool Bookmarkable() const;
    // The bookmark of the row last added or changed through this recordset; empty when none.
    QByteArray LastModified() const;
    // A second cursor over the same rows; it has no current row until moved.
    std::shared_ptr<Recordset> Clone();

    // Table-type only: the index the rows follow, and seeking on it.
    const QString& Index() const { return index_; }
    void SetIndex(const QString& index);
    // Comparison "=", ">=", ">", "<=" or "<" and 1 to 13 key values, in the index's field order.
    void Seek(const QString& comparison, const std::vector<TVariant>& keys);
    bool NoMatch() const { return noMatch_; }

    // Criteria in the engine's expression language; the current row stays when none matches.
    void FindFirst(const QString& criteria);
    void FindLast(const QString& criteria);
    void FindNext(const QString& criteria);
    void FindPrevious(const QString& criteria);

    // Take effect on a recordset opened from this one.
    const QString& Filter() const { return filter_; }
    void SetFilter(const QString& filter);
    const QString& Sort() const { return sort_; }
    void SetSort(const QString& sort);
    std::shared_ptr<Recordset> OpenRecordset(int type = 0, int options = 0);

    void Edit();
    // Edits the current row again after its edit was left unwritten (by a move, a refused
    // Update or CancelUpdate): when that edit began on this row, the row must still be as it was
    // then, so a second try never writes over what another user saved meanwhile. On another
    // row, a plain Edit.
    void ResumeEdit();
    void AddNew();
    void Update();
    void CancelUpdate();
    void Delete();
    int EditMode() const { return editMode_; }
    // Pessimistic locking: the row is locked from Edit to Update.
    bool LockEdits() const { return lockEdits_; }
    void SetLockEdits(bool lock);

    void Requery();
    // Reads the rows of a recordset opened with dbDeferRows now; nothing once they are read.
    void ReadRows() const;
    bool Restartable() const;
    bool Updatable() const;
    dao::Fields& Fields();
    void Close();
    bool IsOpen() const { return source_ != nullptr; }

    // The table's dates for a table-type recordset; Null otherwise.
    TVariant DateCreated() const;
    TVariant LastUpdated() const;

    // For QueryDef: where Requery takes the parameter values from.
    using ParameterSource = std::function<std::optional<std::vector<TVariant>>()>;
    void SetParameterSource(ParameterSource source) { parameterSource_ = std::move(source); }
    // For Field: the value as the recordset holds it, valid until it moves, writes or closes.
    const TVariant& FieldValue(int column) const;
    void SetFieldValue(int column, const TVariant& value);
    int FieldSize(int column) const;

private:
    Recordset() = default;
    void Init(std::shared_ptr<RecordsetSource> source, int type, int options, int lockType);
    void CheckOpen() const;
    // CheckOpen, then reads the rows when opening left them to be read.
    void CheckRows() const;
    void CheckCurrent() const;
    void CheckScrollable() const;
    void LoadKeys(qint64 keepKey, bool keep);
    QString KeySql() const;
    void SetPosition(qint64 position);
    void LeaveEdit();
    void ReleaseLock();
    const TVariant* CurrentRow() const;
    void FetchWindow(qint64 position) const;
    void InvalidateCache() const;
    qint64 PositionOfKey(qint64 key) const;
    void Find(const QString& criteria, int direction, bool fromStart);
    std::vector<TVariant> ReadBaseRow(qint64 key) const;
    // The criteria over these rows, its values numbered after those of the rows' own criteria.
    jet::BoundCriteria CriteriaSql(const QString& criteria) const;
    std::vector<TVariant> WhereValuesAnd(const std::vector<TVariant>& more) const;
    QString SortSql(const QString& sort) const;
    void Insert();
    void Rewrite();

    std::shared_ptr<RecordsetSource> source_;
    // What a copied source was copied from, to copy it again on Requery.
    std::shared_ptr<RecordsetSource> origin_;
    QString originWhere_;
    std::vector<TVariant> originValues_;
    QString originOrder_;
    ParameterSource parameterSource_;
    dao::Fields fields_;
    int type_ = 0;
    int options_ = 0;
    bool readOnly_ = false;
    bool forwardOnly_ = false;
    bool lockEdits_ = false;
    bool holdingLock_ = false;
    QString whereSql_;
    std::vector<TVariant> whereValues_;  // the bound values of whereSql_
    QString orderSql_;
    // Opened, its rows not read yet; and, for a copy, not taken yet (source_ is what it copies).
    bool rowsPending_ = false;
    bool copyPending_ = false;
    QString filter_;
    QString sort_;
    QString index_;
    std::vector<qint64> keys_;
    mutable std::unordered_map<qint64, qint64> positions_;
    mutable bool positionsValid_ = false;
    mutable bool keysAscending_ = false;  // searched by halving, positions_ left empty
    qint64 pos_ = -1;
    qint64 seen_ = 0;
    bool currentDeleted_ = false;
    bool noMatch_ = false;
    QByteArray lastModified_;
    int editMode_ = 0;
    qint64 editKey_ = 0;
    std::vector<TVariant> editBuffer_;
    std::vector<bool> assigned_;
    std::vector<TVariant> original_;
    // The row as the last Edit read it, kept until a write of it succeeds, for ResumeEdit.
    qint64 begunKey_ = 0;
    std::vector<TVariant> begunOriginal_;
    std::shared_ptr<const InsertPlan> insertPlan_;  // of the last row added
    // Rows read around the current one.
    mutable qint64 windowStart_ = 0;
    mutable std::vector<TVariant> windowValues_;
    mutable std::vector<char> windowState_;  // 0 not read, 1 present, 2 gone
    mutable quint64 windowEpoch_ = 0;
    mutable qint64 windowSize_ = 32;
};

}  // namespace dao
