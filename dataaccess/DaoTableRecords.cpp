// The table dataset's record buffers: allocating and preparing them, reading the engine's row
// into them, the field values they hold and the blob data behind a blob stream.

#include "dataaccess/DaoTable.h"
#include "dataaccess/DaoTablePrivate.h"

#include "dataaccess/DaoRecordBuffer.h"

#include "platform/dao/DaoConstants.h"
#include "platform/dao/DaoError.h"
#include "platform/dao/DaoField.h"
#include "platform/dao/DaoRecordset.h"
#include "platform/toolkit/Exceptions.h"

#include <cstring>

using daorecord::CalcArea;
using daorecord::Header;

namespace {

bool IsBlobKind(TFieldType type) { return IsBlobType(type); }

}  // namespace

// --- record buffers ----------------------------------------------------------------------------------

int TDaoTable::GetRecordSize() { return daorecord::BufferSize(CalcFieldsSize()); }

TRecordBuffer TDaoTable::AllocRecordBuffer() { return daorecord::AllocBuffer(CalcFieldsSize(), FieldDefs().Count()); }

void TDaoTable::FreeRecordBuffer(TRecordBuffer& buffer) { daorecord::FreeBuffer(buffer); }

void TDaoTable::ClearCalcFields(TRecordBuffer buffer)
{
    if (buffer && CalcFieldsSize() > 0)
        std::memset(CalcArea(buffer), 0, size_t(CalcFieldsSize()));
}

QString TDaoTable::FieldText(TRecordBuffer buffer, int index) const
{
    if (!buffer || index < 0 || size_t(index) >= Header(buffer)->texts->Count())
        return QString();
    return Header(buffer)->texts->Text(size_t(index));
}

bool TDaoTable::GetCurrentRecord(TRecordBuffer buffer)
{
    TRecordBuffer source = d_->recordsetOpen_ && !IsEmpty() ? GetActiveRecordBuffer() : nullptr;
    if (!source || !buffer)
        return false;
    daorecord::CopyBuffer(buffer, source, CalcFieldsSize());
    return true;
}

void TDaoTable::InternalInitRecord(TRecordBuffer buffer)
{
    FreeRecordBuffer(d_->oldValues_);
    d_->oldValues_ = AllocRecordBuffer();
    if (TRecordBuffer active = GetActiveRecordBuffer(); active && active != buffer)
        GetCurrentRecord(d_->oldValues_);
    TDaoRecordTexts& texts = *Header(buffer)->texts;
    const int count = FieldDefs().Count();
    texts.Reset(size_t(count));
    const std::vector<TField*>& fields = DefinitionFields();
    for (int i = 0; i < count; ++i) {
        if (TField* field = fields[size_t(i)]) {
            QString expression = field->DefaultExpression();
            if (!expression.isEmpty() && i < d_->fieldDefaults_.size()) {
                d_->fieldDefaults_[i] = daotable::UnquotedDefault(expression);
                texts.mark[size_t(i)] = true;
            }
        }
        if (i < d_->fieldDefaults_.size())
            texts.SetText(size_t(i), d_->fieldDefaults_.at(i));
    }
    Header(buffer)->flag = quint8(bfInserted);
    Header(buffer)->key = 0;
    Header(buffer)->recNo = -1;
}

// --- field values ------------------------------------------------------------------------------------

bool TDaoTable::GetFieldData(TField* field, void* buffer)
{
    TRecordBuffer record = d_->recordsetOpen_ ? GetActiveRecordBuffer() : nullptr;
    if (!record || !field)
        return false;
    if (field->FieldKind() == fkCalculated || field->FieldKind() == fkLookup)
        return ReadCalcField(CalcArea(record), field, buffer);
    const int index = FieldIndex(field);
    TDaoRecordTexts& texts = *Header(record)->texts;
    if (index < 0 || size_t(index) >= texts.Count())
        return false;  // no text: Null
    if (const TVariant* value = texts.PendingValue(size_t(index))) {
        if (!buffer)
            return true;
        if (daorecord::ValueFieldData(field->DataType(), *value, buffer))
            return true;
    }
    const QString& text = texts.Text(size_t(index));
    if (!buffer)
        return !text.isEmpty();
    return daorecord::TextFieldData(field->DataType(), field->Size(), daorecord::IsGuidField(field), text, buffer);
}

void TDaoTable::SetFieldData(TField* field, const void* buffer)
{
    TRecordBuffer record = GetActiveRecordBuffer();
    if (!record || !field)
        return;
    if (field->FieldKind() == fkCalculated || field->FieldKind() == fkLookup) {
        WriteCalcField(CalcArea(record), field, buffer);
        return;
    }
    field->Validate(buffer);
    if (field->ReadOnly() && State() != dsSetKey && State() != dsFilter)
        return;
    const QString text =
        daorecord::FieldDataText(field->DataType(), field->Size(), daorecord::IsGuidField(field), buffer);
    const int index = FieldIndex(field);
    TDaoRecordTexts& texts = *Header(record)->texts;
    if (index < 0 || size_t(index) >= texts.Count())
        return;
    texts.SetText(size_t(index), text);
    texts.mark[size_t(index)] = true;
    const TDataSetState state = State();
    if (state != dsCalcFields && state != dsFilter && state != dsNewValue && state != dsInternalCalc)
        DataEvent(deFieldChange, reinterpret_cast<qintptr>(field));
}

int TDaoTable::FieldIndex(const TField* field) const { return field->FieldNo() - 1; }

QString TDaoTable::ValueToText(const TField* field, const TVariant& value, bool& fetched, int index)
{
    const TFieldType type = field->DataType();
    fetched = !IsBlobKind(type) || (type == ftMemo && d_->cacheMemos_) || (type != ftMemo && d_->cacheBlobs_);
    if (!fetched) {
        const int size = d_->fieldObjects_[size_t(index)]->FieldSize();
        return size == 0 ? QString() : QString::number(size);
    }
    if (value.IsClear())
        return QString();
    if (value.Type() == TVarType::Bytes)
        return daorecord::IsGuidField(field) ? daorecord::GuidFieldText(value.AsBytes()) : QString::fromLatin1(value.AsBytes());
    return daorecord::EngineValueText(value);
}

const std::vector<TField*>& TDaoTable::DefinitionFields()
{
    const size_t count = size_t(FieldDefs().Count());
    if (d_->definitionFieldsGeneration_ != Fields().Generation() || d_->definitionFields_.size() != count) {
        d_->definitionFields_.resize(count);
        for (size_t i = 0; i < count; ++i)
            d_->definitionFields_[i] = FieldDefs().Items(int(i))->Field();
        d_->definitionFieldsGeneration_ = Fields().Generation();
    }
    return d_->definitionFields_;
}

bool TDaoTable::FetchRecord(TRecordBuffer buffer)
{
    // No engine Idle per row: the recordset refreshes its cache with every window it reads,
    // and an Idle per row costs a file-lock round trip each.
    TDaoRecordHeader* header = Header(buffer);
    header->key = d_->bookmarkable_ ? ReadBookmark(*d_->recordset_) : 0;
    header->recNo = d_->rows_.Current();
    header->flag = quint8(bfCurrent);
    TDaoRecordTexts& texts = *header->texts;
    const std::vector<TField*>& fields = DefinitionFields();
    const size_t count = fields.size();
    texts.Resize(count);
    for (size_t i = 0; i < count && i < d_->fieldObjects_.size(); ++i) {
        const TField* field = fields[i];
        if (!field)
            continue;
        try {
            bool fetched = false;
            const TFieldType type = field->DataType();
            const bool wanted = !IsBlobKind(type) || (type == ftMemo && d_->cacheMemos_) || (type != ftMemo && d_->cacheBlobs_);
            static const TVariant notFetched;
            // Read in place: the value is copied once, into the row's texts or its text.
            const TVariant& value = wanted ? d_->fieldObjects_[i]->CurrentValue() : notFetched;
            const bool decoded = d_->encrypterValid_ && (type == ftString || IsBlobKind(type));
            if (wanted && !decoded && daorecord::KeptAsValue(value.Type())) {
                texts.SetValue(i, value);
            } else {
                QString text = ValueToText(field, value, fetched, int(i));
                if (fetched && decoded) {
                    d_->encrypter_->setProperty("EncodedString", text);
                    text = d_->encrypter_->property("DecodedString").toString();
                }
                texts.SetText(i, std::move(text));
            }
        } catch (const EDaoError& error) {
            if (error.Number() == dao::errRecordDeleted)
                return false;
            texts.SetText(i, QString());
        }
        texts.mark[i] = false;
    }
    return true;
}

// --- blob data ---------------------------------------------------------------------------------------

QByteArray TDaoTable::BlobBytes(const TField* field, const QString& text) const
{
    return field->DataType() == ftMemo || field->DataType() == ftFmtMemo ? text.toUtf8() : text.toLatin1();
}

QByteArray TDaoTable::ReadBlobData(TField* field, TRecordBuffer buffer)
{
    const int index = field->FieldNo() - 1;
    const bool memo = field->DataType() == ftMemo || field->DataType() == ftFmtMemo;
    const QString text = FieldText(buffer, index);
    const qint32 recNo = Header(buffer)->recNo;
    const QString fallback = recNo == -1 && index >= 0 && index < d_->fieldDefaults_.size() ? d_->fieldDefaults_.at(index) : QString();
    if ((memo && d_->cacheMemos_) || (!memo && d_->cacheBlobs_))
        return BlobBytes(field, text.isEmpty() ? fallback : text);
    if (State() == dsInsert && recNo == -1)
        return BlobBytes(field, text.isEmpty() ? fallback : text);
    if (!d_->recordset_ || index < 0 || size_t(index) >= d_->fieldObjects_.size())
        return QByteArray();
    const qint32 back = d_->bookmarkable_ ? ReadBookmark(*d_->recordset_) : 0;
    QByteArray data;
    try {
        if (Header(buffer)->key > 0)
            GotoRecordKey(Header(buffer)->key);
        const TVariant value = d_->fieldObjects_[size_t(index)]->Value();
        if (!value.IsClear()) {
            data = value.Type() == TVarType::Bytes ? value.AsBytes() : value.AsString().toUtf8();
            if (d_->encrypterValid_) {
                d_->encrypter_->setProperty("EncodedString", QString::fromUtf8(data));
                data = d_->encrypter_->property("DecodedString").toString().toUtf8();
            }
        }
    } catch (const Exception&) {
        data.clear();
        // The row may have gone: the buffers are read again where the user stands.
        if (d_->tableType_ != dao::dbOpenForwardOnly)
            RefreshKeepPosition();
    }
    if (back > 0) {
        try {
            GotoRecordKey(back);
        } catch (const Exception&) {
        }
    }
    return data;
}

void TDaoTable::StoreBlobData(TField* field, TRecordBuffer buffer, const QByteArray& data)
{
    const int index = field->FieldNo() - 1;
    TDaoRecordTexts& texts = *Header(buffer)->texts;
    if (index < 0 || size_t(index) >= texts.Count())
        return;
    const bool memo = field->DataType() == ftMemo || field->DataType() == ftFmtMemo;
    texts.SetText(size_t(index), memo ? QString::fromUtf8(data) : QString::fromLatin1(data));
    texts.mark[size_t(index)] = true;
}
