// The table dataset's searches: key finds, locate, lookup, the keyed finds and ranges. Every
// search but the walk of a recordset without bookmarks runs on a clone or a snapshot, so the
// table moves only when a row is found.

#include "dataaccess/DaoTable.h"
#include "dataaccess/DaoTablePrivate.h"

#include "dataaccess/DaoRecordBuffer.h"

#include "platform/dao/DaoConstants.h"
#include "platform/dao/DaoDatabase.h"
#include "platform/dao/DaoField.h"
#include "platform/dao/DaoIndex.h"
#include "platform/dao/DaoRecordset.h"
#include "platform/dao/DaoTableDef.h"
#include "platform/toolkit/Exceptions.h"

#include <QtEndian>
#include <algorithm>

using daorecord::Header;

namespace {

constexpr int kMaxSeekKeys = 13;

// Closes a clone or snapshot on every path out of a search.
class RecordsetCloser {
public:
    explicit RecordsetCloser(std::shared_ptr<dao::Recordset>& rs) : rs_(rs) {}
    ~RecordsetCloser()
    {
        if (!rs_)
            return;
        try {
            rs_->Close();
        } catch (const Exception&) {
        }
        rs_.reset();
    }
    RecordsetCloser(const RecordsetCloser&) = delete;
    RecordsetCloser& operator=(const RecordsetCloser&) = delete;

private:
    std::shared_ptr<dao::Recordset>& rs_;
};

QString PartialPattern(QString wanted)
{
    if (wanted.endsWith(QLatin1Char('*')))
        wanted.chop(1);
    if (wanted.startsWith(QLatin1Char('*')))
        wanted.remove(0, 1);
    return wanted;
}

}  // namespace

// --- lists and criteria --------------------------------------------------------------------------

void TDaoTable::SetKeyFields(const QString& names) { ParseFieldList(names, d_->keyFieldList_); }

void TDaoTable::SplitKeys(const QString& keyFields, const TVariant& keyValues, TStringList& fields,
                          TStringList& values) const
{
    ParseFieldList(keyFields, fields);
    KeyValuesToList(keyValues, values);
    if (fields.Count() != values.Count())
        DatabaseError(
            QStringLiteral("Number of elements in the KeyValues array must be equal to the number of fields."));
}

QString TDaoTable::BuildCriteria(const TStrings& fields, TStrings& values, TLocateOptions options,
                                 const char* failure) const
{
    QStringList terms;
    for (int i = 0; i < fields.Count(); ++i) {
        const TField* field = FieldByName(fields.Get(i));
        if (IsNullKey(values, i)) {
            terms << CriteriaTerm(fields.Get(i), d_->useBrackets_, QStringLiteral("IS NULL"));
            continue;
        }
        QString value = values.Get(i);
        const QString comparison = KeyComparison(field->DataType(), IsGuidValidChars(field->ValidChars()), value,
                                                 options, QString::fromLatin1(failure));
        values.Put(i, value);
        terms << CriteriaTerm(fields.Get(i), d_->useBrackets_, comparison);
    }
    return terms.join(QStringLiteral(" AND "));
}

QString TDaoTable::BuildKeyCriteria(const TStrings& fields, TStrings& values) const
{
    return BuildCriteria(fields, values, TLocateOptions(), "Unable to build Key SQL!");
}

QString TDaoTable::BuildLocateCriteria(const TStrings& fields, TStrings& values, TLocateOptions options) const
{
    return BuildCriteria(fields, values, options, "Unable to build Lookup Key SQL!");
}

// --- moving to a found row -----------------------------------------------------------------------

void TDaoTable::MoveToFoundRow(dao::Recordset& clone, TResyncMode mode)
{
    const qint32 key = ReadBookmark(clone);
    CheckBrowseMode();
    CursorPosChanged();
    DoBeforeScroll();
    const int type = clone.Type();
    const int recNo = type == dao::dbOpenDynaset || type == dao::dbOpenSnapshot || type == dao::dbOpenDynamic
                          ? clone.AbsolutePosition()
                          : RecNoByPosition(clone, key);
    GotoRecordKey(key);
    d_->rows_.SetCurrent(recNo);
    Resync(mode);
    DoAfterScroll();
}

// Puts a clone on the table's current row: by its key when it has one, else by its number.
static void PlaceClone(dao::Recordset& clone, qint32 key, int recNo)
{
    if (key != 0) {
        QByteArray bookmark(4, '\0');
        qToLittleEndian<qint32>(key, bookmark.data());
        clone.SetBookmark(bookmark);
        return;
    }
    clone.MoveFirst();
    if (recNo > 0)
        clone.Move(recNo);
}

// --- locate --------------------------------------------------------------------------------------

bool TDaoTable::SearchAllowed() const { return !IsEmpty() && !(Filtered() && OnFilterRecord) && !d_->rangeActive_; }

QString TDaoTable::LocateIndexName(const QString& keyFields) const
{
    auto byFields = [&]() {
        QString name = FindIndexForFields(QLatin1Char('!') + keyFields);
        return name.isEmpty() ? FindIndexForFields(keyFields) : name;
    };
    if (d_->autoFindIndex_) {
        const QString name = byFields();
        return name.isEmpty() ? d_->indexName_ : name;
    }
    return d_->indexName_.isEmpty() ? byFields() : d_->indexName_;
}

std::shared_ptr<dao::Recordset> TDaoTable::SeekOnClone(const QString& index, const TStringList& fields,
                                                       const TStringList& values, TLocateOptions options)
{
    auto table = d_->database_->DatabaseObject()->TableDefs().Item(d_->tableName_);
    dao::Fields& indexFields = table->Indexes().Item(index)->Fields();
    const int count = indexFields.Count();
    std::vector<TVariant> keys(size_t(count), TVariant::Null());
    int last = -1;
    const QStringList names = fields.ToStringList();
    for (int j = 0; j < count; ++j) {
        const QString name = indexFields.Item(j)->Name();
        const auto found = std::find_if(names.begin(), names.end(),
                                        [&](const QString& n) { return n.compare(name, Qt::CaseInsensitive) == 0; });
        if (found == names.end())
            continue;
        const int at = int(found - names.begin());
        keys[size_t(j)] = IsNullKey(values, at) ? TVariant::Null() : TVariant(values.Get(at));
        last = j;
    }
    const int used = last >= 0 ? last + 1 : count;
    if (used > kMaxSeekKeys)
        return nullptr;
    keys.resize(size_t(used));
    const QString comparison =
        fields.Count() == count && !options.testFlag(loPartialKey) ? QStringLiteral("=") : QStringLiteral(">=");
    auto clone = d_->recordset_->Clone();
    try {
        clone->SetIndex(index);
        clone->MoveFirst();
        clone->Seek(comparison, keys);
    } catch (...) {
        try {
            clone->Close();
        } catch (const Exception&) {
        }
        throw;
    }
    return clone;
}

bool TDaoTable::Locate(const QString& keyFields, const TVariant& keyValues, TLocateOptions options)
{
    if (!SearchAllowed() || d_->batchMode_ || !d_->database_ || !d_->database_->Connected())
        return false;
    TStringList fields, values;
    SplitKeys(keyFields, keyValues, fields, values);
    InternalSetToRecord(GetActiveRecordBuffer());
    const int current = d_->rows_.Current();
    if (!d_->bookmarkable_)
        return LocateByWalking(fields, values, options);
    std::shared_ptr<dao::Recordset> clone;
    RecordsetCloser closer(clone);
    if (d_->tableType_ == dao::dbOpenTable) {
        const QString index = LocateIndexName(fields.ToStringList().join(QLatin1Char(';')));
        if (index.isEmpty())
            DatabaseError(QStringLiteral(
                "Index Property is Empty!\r\nYou must set an index before using Locate with StandardTables"));
        clone = SeekOnClone(index, fields, values, options);
        if (!clone)
            return false;
    } else {
        const QString criteria = BuildLocateCriteria(fields, values, options);
        clone = d_->recordset_->Clone();
        clone->MoveFirst();
        if (current > 0)
            clone->Move(current);
        clone->FindFirst(criteria);
    }
    if (clone->NoMatch())
        return false;
    MoveToFoundRow(*clone, TResyncMode());
    return true;
}

bool TDaoTable::LocateByWalking(const TStringList& fields, const TStringList& values, TLocateOptions options)
{
    const int remembered = d_->rows_.Current();
    std::vector<int> columns;
    for (int i = 0; i < fields.Count(); ++i)
        columns.push_back(FieldIndex(FieldByName(fields.Get(i))));
    const bool caseless = options.testFlag(loCaseInsensitive);
    const bool partial = options.testFlag(loPartialKey);
    auto matches = [&]() {
        for (int k = 0; k < fields.Count(); ++k) {
            QString wanted = values.Get(k);
            QString text = d_->fieldObjects_[size_t(columns[size_t(k)])]->Value().AsString();
            if (caseless) {
                wanted = wanted.toLower();
                text = text.toLower();
            }
            if (partial) {
                wanted = PartialPattern(wanted);
                if (wanted.isEmpty() || !text.contains(wanted))
                    return false;
            } else if (wanted != text) {
                return false;
            }
        }
        return true;
    };
    CheckBrowseMode();
    CursorPosChanged();
    DoBeforeScroll();
    d_->recordset_->MoveFirst();
    for (int row = 0; !d_->recordset_->Eof(); ++row) {
        if (matches()) {
            d_->rows_.SetCurrent(row);
            Resync(TResyncMode());
            DoAfterScroll();
            return true;
        }
        d_->recordset_->MoveNext();
    }
    d_->recordset_->MoveFirst();
    if (remembered > 0)
        d_->recordset_->Move(remembered);
    d_->rows_.SetCurrent(remembered);
    Resync(rmExact | rmCenter);
    DoAfterScroll();
    return false;
}

// --- keyed finds ---------------------------------------------------------------------------------

bool TDaoTable::FindOnClone(const QString& keyFields, const TVariant& keyValues, int kind, TLocateOptions options)
{
    if (!SearchAllowed())
        return false;
    TStringList fields, values;
    SplitKeys(keyFields, keyValues, fields, values);
    for (int i = 0; i < fields.Count(); ++i)
        (void)FieldByName(fields.Get(i));
    TRecordBuffer active = GetActiveRecordBuffer();
    InternalSetToRecord(active);
    const int current = d_->rows_.Current();
    if (!d_->bookmarkable_)
        return false;
    const QString criteria = BuildLocateCriteria(fields, values, options);
    std::shared_ptr<dao::Recordset> clone = d_->recordset_->Clone();
    RecordsetCloser closer(clone);
    PlaceClone(*clone, active ? Header(active)->key : 0, current);
    switch (kind) {
    case 1: clone->FindFirst(criteria); break;
    case 2: clone->FindLast(criteria); break;
    case 3: clone->FindNext(criteria); break;
    default: clone->FindPrevious(criteria); break;
    }
    if (clone->NoMatch())
        return false;
    MoveToFoundRow(*clone, rmExact | rmCenter);
    return true;
}

bool TDaoTable::FindFirstMatch(const QString& keyFields, const TVariant& keyValues, TLocateOptions options)
{
    return FindOnClone(keyFields, keyValues, 1, options);
}

bool TDaoTable::FindLastMatch(const QString& keyFields, const TVariant& keyValues, TLocateOptions options)
{
    return FindOnClone(keyFields, keyValues, 2, options);
}

bool TDaoTable::FindNextMatch(const QString& keyFields, const TVariant& keyValues, TLocateOptions options)
{
    return FindOnClone(keyFields, keyValues, 3, options);
}

bool TDaoTable::FindPriorMatch(const QString& keyFields, const TVariant& keyValues, TLocateOptions options)
{
    return FindOnClone(keyFields, keyValues, 4, options);
}

bool TDaoTable::FindKey(const std::vector<TVarRec>& keyValues)
{
    const int n = int(keyValues.size());
    QStringList names;
    for (int i = 0; i < n; ++i) {
        if (i >= d_->keyFieldList_.Count())
            throw EListError(QStringLiteral("List index out of bounds (%1)").arg(i));
        names << d_->keyFieldList_.Get(i);
    }
    TVariant values;
    if (n == 1) {
        values = VarRecToVariant(keyValues.front());
    } else {
        std::vector<TVariant> items;
        for (const TVarRec& value : keyValues)
            items.push_back(VarRecToVariant(value));
        values = TVariant::Array(std::move(items), 0);
    }
    return FindFirstMatch(names.join(QLatin1Char(';')), values, loCaseInsensitive | loPartialKey);
}

void TDaoTable::SetFindRecordSearch(const QString& keyFields, const TVariant& keyValues, TLocateOptions options)
{
    d_->findFields_ = keyFields;
    d_->findValue_ = keyValues;
    d_->findOptions_ = options;
}

bool TDaoTable::FindRecord(bool restart, bool goForward)
{
    if (d_->findFields_.isEmpty() || d_->findValue_.IsNull())
        return false;
    if (restart)
        return goForward ? FindFirstMatch(d_->findFields_, d_->findValue_, d_->findOptions_)
                         : FindLastMatch(d_->findFields_, d_->findValue_, d_->findOptions_);
    return goForward ? FindNextMatch(d_->findFields_, d_->findValue_, d_->findOptions_)
                     : FindPriorMatch(d_->findFields_, d_->findValue_, d_->findOptions_);
}

// --- lookup --------------------------------------------------------------------------------------

TRecordBuffer TDaoTable::GetActiveRecordBuffer()
{
    return d_->lookupBuffer_ ? d_->lookupBuffer_ : TDataSet::GetActiveRecordBuffer();
}

TVariant TDaoTable::LookupNonDataFields(dao::Recordset& snapshot, const QString& resultFields)
{
    // The snapshot's row is fetched as the table's own would be, then calculated.
    TRecordBuffer row = AllocRecordBuffer();
    std::vector<std::shared_ptr<dao::Field>> savedObjects = d_->fieldObjects_;
    const int savedRec = d_->rows_.Current();
    TVariant result;
    const TDataSetState saved = SetTempState(dsCalcFields);
    try {
        dao::Fields& fields = snapshot.Fields();
        for (int i = 0; i < fields.Count() && size_t(i) < d_->fieldObjects_.size(); ++i)
            d_->fieldObjects_[size_t(i)] = fields.Item(i);
        const bool keepBookmarks = d_->bookmarkable_;
        d_->bookmarkable_ = false;
        const bool fetched = FetchRecord(row);
        d_->bookmarkable_ = keepBookmarks;
        d_->fieldObjects_ = savedObjects;
        d_->rows_.SetCurrent(savedRec);
        if (fetched) {
            d_->lookupBuffer_ = row;
            GetCalcFields(row);
            result = FieldValues(resultFields);
        }
    } catch (...) {
        d_->fieldObjects_ = savedObjects;
        d_->rows_.SetCurrent(savedRec);
        d_->lookupBuffer_ = nullptr;
        RestoreState(saved);
        FreeRecordBuffer(row);
        throw;
    }
    d_->lookupBuffer_ = nullptr;
    RestoreState(saved);
    FreeRecordBuffer(row);
    return result.IsEmpty() ? TVariant::Null() : result;
}

TVariant TDaoTable::Lookup(const QString& keyFields, const TVariant& keyValues, const QString& resultFields)
{
    if (IsEmpty() || d_->batchMode_)
        return TVariant::Null();
    TStringList fields, values, results;
    SplitKeys(keyFields, keyValues, fields, values);
    ParseFieldList(resultFields, results);
    if (resultFields.trimmed().isEmpty() || results.Count() == 0)
        DatabaseError(QStringLiteral("ResultFields are not defined"));
    std::vector<int> numbers;
    bool nonData = false;
    for (int i = 0; i < results.Count(); ++i) {
        const TField* field = FindField(results.Get(i));
        if (!field)
            DatabaseError(QStringLiteral("Invalid field name: ") + results.Get(i));
        numbers.push_back(field->FieldNo());
        nonData = nonData || field->FieldKind() != fkData;
    }
    TVariant result = TVariant::Null();
    const QString savedFilter = d_->recordset_->Filter();
    std::shared_ptr<dao::Recordset> snapshot;
    try {
        RecordsetCloser closer(snapshot);
        d_->recordset_->SetFilter(BuildKeyCriteria(fields, values));
        d_->database_->Idle();
        snapshot = d_->recordset_->OpenRecordset(dao::dbOpenSnapshot, dao::dbDenyRead);
        if (!(snapshot->Bof() && snapshot->Eof())) {
            snapshot->MoveFirst();
            if (nonData) {
                result = LookupNonDataFields(*snapshot, resultFields);
            } else if (numbers.size() == 1) {
                result = snapshot->Fields().Item(numbers.front() - 1)->Value();
            } else {
                std::vector<TVariant> items;
                for (int number : numbers)
                    items.push_back(snapshot->Fields().Item(number - 1)->Value());
                result = TVariant::Array(std::move(items), 0);
            }
        }
    } catch (...) {
        // The table's own recordset keeps its filter whatever went wrong.
        d_->recordset_->SetFilter(savedFilter);
        throw;
    }
    d_->recordset_->SetFilter(savedFilter);
    return result;
}

// --- ranges --------------------------------------------------------------------------------------

void TDaoTable::AllocRangeBuffers()
{
    FreeRangeBuffers();
    d_->rangeStart_ = AllocRecordBuffer();
    d_->rangeEnd_ = AllocRecordBuffer();
}

void TDaoTable::FreeRangeBuffers()
{
    FreeRecordBuffer(d_->rangeStart_);
    FreeRecordBuffer(d_->rangeEnd_);
}

void TDaoTable::SetRangeText(TRecordBuffer buffer, const QString& fieldName, const QString& text)
{
    if (!buffer)
        DatabaseError(QStringLiteral("Cannot perform this operation on a closed dataset"));
    const int index = FieldIndex(FieldByName(fieldName));
    TDaoRecordTexts& texts = *Header(buffer)->texts;
    if (index < 0 || size_t(index) >= texts.Count())
        DatabaseError(QStringLiteral("Invalid field name: ") + fieldName);
    texts.SetText(size_t(index), text);
}

void TDaoTable::SetRangeStart(const QString& fieldName, const QString& text)
{
    SetRangeText(d_->rangeStart_, fieldName, text);
}

void TDaoTable::SetRangeEnd(const QString& fieldName, const QString& text) { SetRangeText(d_->rangeEnd_, fieldName, text); }

void TDaoTable::ApplyRange()
{
    auto joined = [](TRecordBuffer buffer) {
        if (!buffer)
            return QString();
        QStringList lines;
        TDaoRecordTexts& texts = *Header(buffer)->texts;
        for (size_t i = 0; i < texts.Count(); ++i)
            lines << texts.Text(i);
        return lines.join(QLatin1Char('\n')).trimmed();
    };
    d_->rangeActive_ = !joined(d_->rangeStart_).isEmpty() && !joined(d_->rangeEnd_).isEmpty();
    d_->rows_.CountChanged();
    CheckBrowseMode();
    DataEvent(deDataSetChange, 0);
    First();
}

bool TDaoTable::RecordInRange(TRecordBuffer buffer) const
{
    return CompareRecordToKey(buffer, d_->rangeStart_, 1) >= 0 && CompareRecordToKey(buffer, d_->rangeEnd_, 2) <= 0;
}

int TDaoTable::CompareRecordToKey(TRecordBuffer record, TRecordBuffer key, int kind) const
{
    int result = 0;
    if (!record || !key)
        return result;
    for (const TField* field : Fields()) {
        const int index = FieldIndex(field);
        if (field->FieldKind() != fkData || index < 0)
            continue;
        const QString keyText = FieldText(key, index);
        const QString recordText = FieldText(record, index);
        if (keyText.isEmpty())
            continue;
        result = recordText.isEmpty() ? (kind == 1 ? -1 : 1) : CompareFieldText(recordText, keyText, field->DataType());
        if ((kind == 1 && result < 0) || (kind == 2 && result > 0))
            break;
    }
    return result;
}
