#pragma once
// The record buffers of the table dataset and what they hold: a header (record number, bookmark
// flag, row key) followed by the calculated area, and one text per field. A number, date or
// truth value read from the engine is kept as it came and gets its text on first use, since
// most rows a cursor passes are read as values or not at all. The conversions between record
// texts, the toolkit's native field data and engine values live here too.

#include "platform/toolkit/DataSet.h"
#include "platform/toolkit/Variant.h"

#include <QByteArray>
#include <QString>
#include <cstddef>
#include <functional>
#include <vector>

// A row's texts, one per field (an empty text is Null).
class TDaoRecordTexts {
public:
    size_t Count() const { return text_.size(); }
    void Resize(size_t count);
    // Every text empty and unmarked.
    void Reset(size_t count);
    const QString& Text(size_t index);
    void SetText(size_t index, QString text);
    void SetValue(size_t index, const TVariant& value);
    // The engine value whose text is not made yet; nullptr once it is.
    const TVariant* PendingValue(size_t index) const
    {
        return value_[index].IsEmpty() ? nullptr : &value_[index];
    }
    // Written by the user since the row was read.
    std::vector<bool> mark;

private:
    std::vector<QString> text_;
    std::vector<TVariant> value_;  // Empty where text_ holds the field's text
};

// The start of every record buffer; the calculated area follows it.
struct TDaoRecordHeader {
    qint32 recNo;
    TDaoRecordTexts* texts;
    quint8 flag;
    qint32 key;
};

namespace daorecord {

// The field definition's precision that marks a GUID column kept as 16 bytes.
inline constexpr int kGuidMarker = 47554944;

TDaoRecordHeader* Header(TRecordBuffer buffer);
char* CalcArea(TRecordBuffer buffer);
// The bytes of a buffer with that calculated area.
int BufferSize(int calcFieldsSize);
// A zeroed buffer with room for `fieldCount` texts; FreeBuffer gives both back.
TRecordBuffer AllocBuffer(int calcFieldsSize, int fieldCount);
void FreeBuffer(TRecordBuffer& buffer);
// `target` becomes a copy of `source` that owns its own texts.
void CopyBuffer(TRecordBuffer target, TRecordBuffer source, int calcFieldsSize);

// A bytes field of a GUID column.
bool IsGuidField(const TField* field);
// "{guid {...}}" of the 16 bytes; empty when they are no GUID.
QString GuidFieldText(const QByteArray& bytes);
// The braced GUID of a GUID field text ("{guid {...}}" or already "{...}").
QString StripGuidText(QString text);

// The record text of an engine value that is no byte string.
QString EngineValueText(const TVariant& value);
// Engine values of this kind are kept as values until their text is wanted.
bool KeptAsValue(TVarType type);
// The native field data a kept engine value gives, the same its text would give; false when
// only reading the text can tell.
bool ValueFieldData(TFieldType type, const TVariant& value, void* buffer);

// The native field data of a record text; false when the text is Null or does not read as the
// type. `size` is the field's Size(). Raises EConvertError for a GUID text that is no GUID.
bool TextFieldData(TFieldType type, int size, bool guid, const QString& text, void* buffer);
// The record text of native field data (empty for types without one).
QString FieldDataText(TFieldType type, int size, bool guid, const void* buffer);
// The engine value written for a record text: Null for an empty text; text and blob values
// pass through `encrypt` when given. Raises EConvertError for a date or truth text that does
// not read as one.
TVariant TextToEngineValue(TFieldType type, bool guidColumn, const QString& text,
                           const std::function<QString(const QString&)>& encrypt = {});

}  // namespace daorecord
