#pragma once
// Fields of a dataset, their definitions and the dataset's index definitions.
//
// A field owns no value: it reads and writes through its dataset's GetFieldData/SetFieldData,
// handing over a buffer in the field type's native form. Every dataset implements exactly this
// layout (DataSize() bytes, host byte order, no padding):
//
//   ftString, ftFixedChar, ftWideString, ftGuid
//                      UTF-16 code units (char16_t), at most Size units, then a zero unit;
//                      DataSize = (Size + 1) * 2
//   ftSmallint         int16        ftWord           uint16
//   ftInteger, ftAutoInc int32      ftLargeint       int64
//   ftBoolean          int16: 0 false, 1 true (any non-zero value reads as true)
//   ftFloat, ftCurrency double
//   ftBCD              TBcd, 34 bytes (precision, sign and places, 32 bytes of packed digits)
//   ftDate             int32 day count of TTimeStamp (1 January of year 1 is day 1)
//   ftTime             int32 milliseconds since midnight
//   ftDateTime         double: TTimeStamp day count * 86400000 + milliseconds of the day
//   ftBytes            Size raw bytes
//   ftVarBytes         uint16 length, then Size bytes (length bytes of them used)
//   blob types         no native data: read and write through TDataSet::CreateBlobStream
//                      (a memo's stream bytes are UTF-8 text, other blobs raw bytes; an
//                      empty value written is Null)
//
// The empty text written to a string field is Null.
// Calculated and lookup fields live in the calculated area that follows a dataset's own record
// data: Offset() is the position of the field's presence byte in that area (0 = Null) and the
// native value follows it.

#include "platform/toolkit/Component.h"
#include "platform/toolkit/DateTime.h"
#include "platform/toolkit/Variant.h"

#include <QByteArray>
#include <QFlags>
#include <QString>
#include <QStringList>
#include <array>
#include <functional>
#include <memory>
#include <vector>

class TDataSet;
class TField;
class TFieldDefs;
class TObjectField;

// The numbers are part of stored formats: never reorder.
enum TFieldType {
    ftUnknown, ftString, ftSmallint, ftInteger, ftWord, ftBoolean, ftFloat, ftCurrency, ftBCD,
    ftDate, ftTime, ftDateTime, ftBytes, ftVarBytes, ftAutoInc, ftBlob, ftMemo, ftGraphic,
    ftFmtMemo, ftParadoxOle, ftDBaseOle, ftTypedBinary, ftCursor, ftFixedChar, ftWideString,
    ftLargeint, ftADT, ftArray, ftReference, ftDataSet, ftOraBlob, ftOraClob, ftVariant,
    ftInterface, ftIDispatch, ftGuid
};
constexpr int FieldTypeCount = ftGuid + 1;

// "Unknown", "String", "SmallInt", ... "Dispatch", "Guid", by type number.
extern const std::array<const char*, FieldTypeCount> FieldTypeNames;
QString FieldTypeName(TFieldType type);
// The blob types: values that travel through blob streams, never as native data.
bool IsBlobType(TFieldType type);
// The native value size of a field of the type and size (0 for blob and object types).
int FieldDataSize(TFieldType type, int size);

enum TFieldKind { fkData, fkCalculated, fkLookup, fkInternalCalc, fkAggregate };

// Packed decimal: Precision digits, the high bit of SignSpecialPlaces the sign, its low six bits
// the digits after the point; Fraction holds two digits a byte, the first digit in the high half.
struct TBcd {
    quint8 Precision = 0;
    quint8 SignSpecialPlaces = 0;
    quint8 Fraction[32] = {};
};
static_assert(sizeof(TBcd) == 34);
// Raise EConvertError on text that is no number or on more than 64 digits.
TBcd StrToBcd(const QString& text);
QString BcdToStr(const TBcd& bcd);
TBcd DoubleToBcd(double value, int places = -1);
double BcdToDouble(const TBcd& bcd);

// ---------------------------------------------------------------------------------------------
// TField: a column of a dataset.
class TField : public TComponent {
    Q_OBJECT
public:
    using TFieldNotifyEvent = std::function<void(TField*)>;
    using TFieldGetTextEvent = std::function<void(TField*, QString& text, bool displayText)>;
    using TFieldSetTextEvent = std::function<void(TField*, const QString& text)>;

    explicit TField(QObject* owner = nullptr);
    ~TField() override;

    // Joining a dataset puts the field into its Fields list; refused while that dataset is open.
    TDataSet* DataSet() const { return dataSet_; }
    void SetDataSet(TDataSet* dataSet);

    QString FieldName() const { return fieldName_; }
    void SetFieldName(const QString& name);
    // 1-based number of the field's definition; 0 or less for calculated and lookup fields.
    int FieldNo() const { return fieldNo_; }
    void SetFieldNo(int number) { fieldNo_ = number; }
    TFieldType DataType() const { return dataType_; }
    TFieldKind FieldKind() const { return fieldKind_; }
    void SetFieldKind(TFieldKind kind);
    bool Calculated() const { return fieldKind_ == fkCalculated; }
    bool Lookup() const { return fieldKind_ == fkLookup; }
    // Characters for strings, bytes for byte fields, digits after the point for BCD.
    int Size() const { return size_; }
    virtual void SetSize(int size);
    // Bytes of the native value (see the layout at the top).
    virtual int DataSize() const;
    // Position of the presence byte in the calculated area (calculated and lookup fields).
    int Offset() const { return offset_; }
    void SetOffset(int offset) { offset_ = offset; }
    virtual bool IsBlob() const { return false; }

    bool Required() const { return required_; }
    void SetRequired(bool value) { required_ = value; }
    bool ReadOnly() const { return readOnly_; }
    void SetReadOnly(bool value);
    bool Visible() const { return visible_; }
    void SetVisible(bool value);
    // DisplayLabel when set, else the field name.
    QString DisplayLabel() const;
    void SetDisplayLabel(const QString& label);
    QString DisplayName() const { return DisplayLabel(); }
    int DisplayWidth() const;
    void SetDisplayWidth(int width);
    QString EditMask() const { return editMask_; }
    void SetEditMask(const QString& mask) { editMask_ = mask; }
    QString DefaultExpression() const { return defaultExpression_; }
    void SetDefaultExpression(const QString& text) { defaultExpression_ = text; }
    // Characters the user may type; empty means any.
    QString ValidChars() const { return validChars_; }
    void SetValidChars(const QString& chars) { validChars_ = chars; }
    bool IsValidChar(QChar c) const;

    // Lookup fields: the KeyFields of this dataset are looked up as LookupKeyFields of
    // LookupDataSet, and LookupResultField of the found row is the value.
    TDataSet* LookupDataSet() const { return lookupDataSet_; }
    void SetLookupDataSet(TDataSet* dataSet);
    QString LookupKeyFields() const { return lookupKeyFields_; }
    void SetLookupKeyFields(const QString& names) { lookupKeyFields_ = names; }
    QString LookupResultField() const { return lookupResultField_; }
    void SetLookupResultField(const QString& name) { lookupResultField_ = name; }
    QString KeyFields() const { return keyFields_; }
    void SetKeyFields(const QString& names) { keyFields_ = names; }
    bool LookupCache() const { return lookupCache_; }
    void SetLookupCache(bool value) { lookupCache_ = value; }

    // Values. Reading a Null gives the type's empty value; a conversion the type does not
    // have raises EDatabaseError "Cannot access field '<name>' as type <type>".
    bool IsNull() const;
    virtual void Clear() { SetData(nullptr); }
    virtual QString AsString() const;
    virtual void SetAsString(const QString& value);
    virtual qint32 AsInteger() const;
    virtual void SetAsInteger(qint32 value);
    virtual qint64 AsLargeInt() const;
    virtual void SetAsLargeInt(qint64 value);
    virtual double AsFloat() const;
    virtual void SetAsFloat(double value);
    virtual double AsCurrency() const { return AsFloat(); }
    virtual void SetAsCurrency(double value) { SetAsFloat(value); }
    virtual bool AsBoolean() const;
    virtual void SetAsBoolean(bool value);
    virtual TDateTime AsDateTime() const;
    virtual void SetAsDateTime(TDateTime value);
    virtual QByteArray AsBytes() const;
    virtual void SetAsBytes(const QByteArray& value);
    // Null for a Null field; assigning Null or Empty clears it.
    virtual TVariant AsVariant() const;
    virtual void SetAsVariant(const TVariant& value);
    TVariant Value() const { return AsVariant(); }
    void SetValue(const TVariant& value) { SetAsVariant(value); }
    // The value of the dataset's old-value state (the row as it was before the edit).
    TVariant OldValue() const;
    // Copies another field's value, Null included.
    void AssignValue(const TField* source);

    // The text shown (display) or edited (Text); OnGetText replaces both; SetText goes through
    // OnSetText when set.
    QString DisplayText() const;
    QString Text() const;
    void SetText(const QString& text);

    // Raw access in the native layout; false when the field is Null. buffer may be nullptr to
    // ask only for presence.
    bool GetData(void* buffer) const;
    // nullptr clears the field. The dataset's SetFieldData refuses writes outside its edit states.
    void SetData(const void* buffer);
    // Runs OnValidate; datasets call it from SetFieldData before storing a data field.
    void Validate(const void* buffer);
    // The dataset may change and the field is not read-only.
    bool CanModify() const;
    // Gives the input focus to the control showing this field.
    void FocusControl();
    // Field changed: OnChange (datasets call it through the field-change event).
    void Change();
    // Raises "Field '<label>' must have a value" when Required and Null.
    void CheckRequired() const;
    // Forgets a lookup dataset that goes away.
    void Notification(TComponent* component, TOperation operation) override;

    TFieldNotifyEvent OnChange;
    TFieldNotifyEvent OnValidate;
    TFieldGetTextEvent OnGetText;
    TFieldSetTextEvent OnSetText;

protected:
    TField(TFieldType type, int size, QObject* owner);
    void SetDataType(TFieldType type) { dataType_ = type; }
    // The type's own text: display or edit form.
    virtual QString GetText(bool displayText) const;
    [[noreturn]] void AccessError(const char* typeName) const;
    // Raises "Invalid value for field '<label>'"-style range errors.
    [[noreturn]] void RangeError(double value, double min, double max) const;
    virtual int DefaultDisplayWidth() const { return 10; }

private:
    TDataSet* dataSet_ = nullptr;
    TDataSet* lookupDataSet_ = nullptr;
    QString fieldName_;
    QString displayLabel_;
    QString editMask_;
    QString defaultExpression_;
    QString validChars_;
    QString lookupKeyFields_;
    QString lookupResultField_;
    QString keyFields_;
    TFieldType dataType_ = ftUnknown;
    TFieldKind fieldKind_ = fkData;
    int fieldNo_ = 0;
    int size_ = 0;
    int offset_ = 0;
    int displayWidth_ = 0;
    bool required_ = false;
    bool readOnly_ = false;
    bool visible_ = true;
    bool lookupCache_ = false;
    bool validating_ = false;
    const void* validateBuffer_ = nullptr;
    friend class TDataSet;
};

// Text of at most Size characters; the empty text is stored as Null.
class TStringField : public TField {
    Q_OBJECT
public:
    explicit TStringField(QObject* owner = nullptr);
    int DataSize() const override;
    QString AsString() const override;
    void SetAsString(const QString& value) override;
    qint32 AsInteger() const override;
    void SetAsInteger(qint32 value) override;
    qint64 AsLargeInt() const override;
    void SetAsLargeInt(qint64 value) override;
    double AsFloat() const override;
    void SetAsFloat(double value) override;
    bool AsBoolean() const override;
    void SetAsBoolean(bool value) override;
    TDateTime AsDateTime() const override;
    void SetAsDateTime(TDateTime value) override;
    TVariant AsVariant() const override;
    void SetAsVariant(const TVariant& value) override;
    bool FixedChar() const { return fixedChar_; }
    void SetFixedChar(bool value) { fixedChar_ = value; }
    bool Transliterate() const { return transliterate_; }
    void SetTransliterate(bool value) { transliterate_ = value; }

protected:
    TStringField(TFieldType type, int size, QObject* owner);
    int DefaultDisplayWidth() const override { return Size(); }

private:
    bool fixedChar_ = false;
    bool transliterate_ = true;
};

class TWideStringField : public TStringField {
    Q_OBJECT
public:
    explicit TWideStringField(QObject* owner = nullptr);
};

// A GUID kept as its braced text form (38 characters).
class TGuidField : public TStringField {
    Q_OBJECT
public:
    explicit TGuidField(QObject* owner = nullptr);
    void SetSize(int size) override;
};

// Numbers: DisplayFormat/EditFormat are Qt-free patterns of '0', '#', ',' and '.'.
class TNumericField : public TField {
    Q_OBJECT
public:
    QString DisplayFormat() const { return displayFormat_; }
    // The controls showing the field show it in the new format at once.
    void SetDisplayFormat(const QString& format);
    QString EditFormat() const { return editFormat_; }
    void SetEditFormat(const QString& format) { editFormat_ = format; }

protected:
    using TField::TField;
    // The value written with the field's display or edit format.
    QString FormatNumber(double value, bool displayText, int defaultDecimals) const;

private:
    QString displayFormat_;
    QString editFormat_;
};

class TIntegerField : public TNumericField {
    Q_OBJECT
public:
    explicit TIntegerField(QObject* owner = nullptr);
    QString AsString() const override;
    void SetAsString(const QString& value) override;
    qint32 AsInteger() const override;
    void SetAsInteger(qint32 value) override;
    qint64 AsLargeInt() const override { return AsInteger(); }
    void SetAsLargeInt(qint64 value) override;
    double AsFloat() const override { return AsInteger(); }
    void SetAsFloat(double value) override;
    bool AsBoolean() const override { return AsInteger() != 0; }
    void SetAsBoolean(bool value) override { SetAsInteger(value ? 1 : 0); }
    TVariant AsVariant() const override;
    void SetAsVariant(const TVariant& value) override;
    // 0 and 0 mean no limits beyond the type's own.
    qint64 MinValue() const { return minValue_; }
    void SetMinValue(qint64 value) { minValue_ = value; }
    qint64 MaxValue() const { return maxValue_; }
    void SetMaxValue(qint64 value) { maxValue_ = value; }

protected:
    TIntegerField(TFieldType type, QObject* owner);
    QString GetText(bool displayText) const override;
    // The type's range.
    virtual qint64 TypeMin() const;
    virtual qint64 TypeMax() const;
    void CheckRange(qint64 value) const;
    // Native value of the subtype widened to 32 bits; false when Null.
    virtual bool ReadInteger(qint32& value) const;
    virtual void WriteInteger(qint32 value);

private:
    qint64 minValue_ = 0;
    qint64 maxValue_ = 0;
};

class TSmallintField : public TIntegerField {
    Q_OBJECT
public:
    explicit TSmallintField(QObject* owner = nullptr);

protected:
    qint64 TypeMin() const override { return -32768; }
    qint64 TypeMax() const override { return 32767; }
    bool ReadInteger(qint32& value) const override;
    void WriteInteger(qint32 value) override;
};

class TWordField : public TIntegerField {
    Q_OBJECT
public:
    explicit TWordField(QObject* owner = nullptr);

protected:
    qint64 TypeMin() const override { return 0; }
    qint64 TypeMax() const override { return 65535; }
    bool ReadInteger(qint32& value) const override;
    void WriteInteger(qint32 value) override;
};

class TAutoIncField : public TIntegerField {
    Q_OBJECT
public:
    explicit TAutoIncField(QObject* owner = nullptr);
};

class TLargeintField : public TNumericField {
    Q_OBJECT
public:
    explicit TLargeintField(QObject* owner = nullptr);
    QString AsString() const override;
    void SetAsString(const QString& value) override;
    qint32 AsInteger() const override;
    void SetAsInteger(qint32 value) override { SetAsLargeInt(value); }
    qint64 AsLargeInt() const override;
    void SetAsLargeInt(qint64 value) override;
    double AsFloat() const override { return double(AsLargeInt()); }
    void SetAsFloat(double value) override;
    TVariant AsVariant() const override;
    void SetAsVariant(const TVariant& value) override;

protected:
    QString GetText(bool displayText) const override;
};

class TBooleanField : public TField {
    Q_OBJECT
public:
    explicit TBooleanField(QObject* owner = nullptr);
    // "True;False" by default: the texts for true and false, separated by ';'.
    QString DisplayValues() const { return displayValues_; }
    void SetDisplayValues(const QString& values);
    QString AsString() const override;
    void SetAsString(const QString& value) override;
    bool AsBoolean() const override;
    void SetAsBoolean(bool value) override;
    qint32 AsInteger() const override { return AsBoolean() ? 1 : 0; }
    void SetAsInteger(qint32 value) override { SetAsBoolean(value != 0); }
    TVariant AsVariant() const override;
    void SetAsVariant(const TVariant& value) override;

protected:
    QString GetText(bool displayText) const override;
    int DefaultDisplayWidth() const override;

private:
    QString displayValues_;
    QString trueText_;
    QString falseText_;
};

class TFloatField : public TNumericField {
    Q_OBJECT
public:
    explicit TFloatField(QObject* owner = nullptr);
    QString AsString() const override;
    void SetAsString(const QString& value) override;
    qint32 AsInteger() const override;
    void SetAsInteger(qint32 value) override { SetAsFloat(value); }
    qint64 AsLargeInt() const override;
    void SetAsLargeInt(qint64 value) override { SetAsFloat(double(value)); }
    double AsFloat() const override;
    void SetAsFloat(double value) override;
    TVariant AsVariant() const override;
    void SetAsVariant(const TVariant& value) override;
    // Shown as money (two decimals) unless a format says otherwise.
    bool Currency() const { return currency_; }
    void SetCurrency(bool value) { currency_ = value; }
    // Significant digits of the general text form.
    int Precision() const { return precision_; }
    void SetPrecision(int digits) { precision_ = digits; }
    // 0 and 0 mean no limits.
    double MinValue() const { return minValue_; }
    void SetMinValue(double value) { minValue_ = value; }
    double MaxValue() const { return maxValue_; }
    void SetMaxValue(double value) { maxValue_ = value; }

protected:
    TFloatField(TFieldType type, QObject* owner);
    QString GetText(bool displayText) const override;

private:
    bool currency_ = false;
    int precision_ = 15;
    double minValue_ = 0;
    double maxValue_ = 0;
};

class TCurrencyField : public TFloatField {
    Q_OBJECT
public:
    explicit TCurrencyField(QObject* owner = nullptr);
    TVariant AsVariant() const override;
};

// Size is the number of digits after the point; Precision the total digits.
class TBCDField : public TNumericField {
    Q_OBJECT
public:
    explicit TBCDField(QObject* owner = nullptr);
    QString AsString() const override;
    void SetAsString(const QString& value) override;
    qint32 AsInteger() const override;
    void SetAsInteger(qint32 value) override { SetAsFloat(value); }
    double AsFloat() const override;
    void SetAsFloat(double value) override;
    double AsCurrency() const override { return AsFloat(); }
    void SetAsCurrency(double value) override { SetAsFloat(value); }
    TVariant AsVariant() const override;
    void SetAsVariant(const TVariant& value) override;
    int Precision() const { return precision_; }
    void SetPrecision(int digits) { precision_ = digits; }
    bool Currency() const { return currency_; }
    void SetCurrency(bool value) { currency_ = value; }

protected:
    QString GetText(bool displayText) const override;

private:
    int precision_ = 0;
    bool currency_ = false;
};

// Date, time and date-time fields keep the native forms of the layout above; their values are
// day-number date-times.
class TDateTimeField : public TField {
    Q_OBJECT
public:
    explicit TDateTimeField(QObject* owner = nullptr);
    QString AsString() const override;
    void SetAsString(const QString& value) override;
    double AsFloat() const override { return AsDateTime(); }
    void SetAsFloat(double value) override { SetAsDateTime(value); }
    TDateTime AsDateTime() const override;
    void SetAsDateTime(TDateTime value) override;
    TVariant AsVariant() const override;
    void SetAsVariant(const TVariant& value) override;
    // A FormatDateTime pattern for the display text; empty gives the shop's standard form.
    QString DisplayFormat() const { return displayFormat_; }
    void SetDisplayFormat(const QString& format) { displayFormat_ = format; }

protected:
    TDateTimeField(TFieldType type, QObject* owner);
    QString GetText(bool displayText) const override;
    int DefaultDisplayWidth() const override { return 18; }
    // The type's own text of a value (date, time or both).
    virtual QString FormatValue(TDateTime value) const;
    virtual TDateTime ParseText(const QString& text) const;

private:
    QString displayFormat_;
};

class TDateField : public TDateTimeField {
    Q_OBJECT
public:
    explicit TDateField(QObject* owner = nullptr);

protected:
    int DefaultDisplayWidth() const override { return 10; }
    QString FormatValue(TDateTime value) const override;
    TDateTime ParseText(const QString& text) const override;
};

class TTimeField : public TDateTimeField {
    Q_OBJECT
public:
    explicit TTimeField(QObject* owner = nullptr);

protected:
    int DefaultDisplayWidth() const override { return 8; }
    QString FormatValue(TDateTime value) const override;
    TDateTime ParseText(const QString& text) const override;
};

// Fixed-length raw bytes. AsString is the bytes as Latin-1 characters.
class TBinaryField : public TField {
    Q_OBJECT
public:
    QString AsString() const override;
    void SetAsString(const QString& value) override;
    QByteArray AsBytes() const override;
    void SetAsBytes(const QByteArray& value) override;
    TVariant AsVariant() const override;
    void SetAsVariant(const TVariant& value) override;

protected:
    using TField::TField;
    QString GetText(bool displayText) const override;
};

class TBytesField : public TBinaryField {
    Q_OBJECT
public:
    explicit TBytesField(QObject* owner = nullptr);
};

class TVarBytesField : public TBinaryField {
    Q_OBJECT
public:
    explicit TVarBytesField(QObject* owner = nullptr);
    int DataSize() const override;
    QByteArray AsBytes() const override;
    void SetAsBytes(const QByteArray& value) override;
};

class TStream;

// Memo, graphic and other large values, read and written through the dataset's blob stream.
class TBlobField : public TField {
    Q_OBJECT
public:
    explicit TBlobField(QObject* owner = nullptr);
    bool IsBlob() const override { return true; }
    int DataSize() const override { return 0; }
    TFieldType BlobType() const { return DataType(); }
    void SetBlobType(TFieldType type);
    // Set by a write through a blob stream until the record is posted or cancelled.
    bool Modified() const { return modified_; }
    void SetModified(bool value) { modified_ = value; }
    // Size of the value in bytes.
    qint64 BlobSize() const;
    QString AsString() const override;
    void SetAsString(const QString& value) override;
    QByteArray AsBytes() const override;
    void SetAsBytes(const QByteArray& value) override;
    TVariant AsVariant() const override;
    void SetAsVariant(const TVariant& value) override;
    // An empty value through a write stream.
    void Clear() override;
    void LoadFromStream(TStream& stream);
    void SaveToStream(TStream& stream) const;
    void LoadFromFile(const QString& fileName);
    void SaveToFile(const QString& fileName) const;

protected:
    TBlobField(TFieldType type, QObject* owner);
    QString GetText(bool displayText) const override;
    // The bytes as text: UTF-8 for memos, Latin-1 for binary blobs.
    virtual QString BytesToText(const QByteArray& bytes) const;
    virtual QByteArray TextToBytes(const QString& text) const;

private:
    bool modified_ = false;
};

// A memo's bytes are UTF-8 text; its variant is that text.
class TMemoField : public TBlobField {
    Q_OBJECT
public:
    explicit TMemoField(QObject* owner = nullptr);
    TVariant AsVariant() const override;

protected:
    QString GetText(bool displayText) const override;
    QString BytesToText(const QByteArray& bytes) const override;
    QByteArray TextToBytes(const QString& text) const override;
};

class TGraphicField : public TBlobField {
    Q_OBJECT
public:
    explicit TGraphicField(QObject* owner = nullptr);
};

// A field made of child fields (records and arrays). Only the structure is kept here.
class TObjectField : public TField {
    Q_OBJECT
public:
    int DataSize() const override { return 0; }
    int FieldCount() const { return int(children_.size()); }
    TField* Fields(int index) const { return children_.at(size_t(index)); }
    void AddChild(TField* field);
    void RemoveChild(TField* field);

protected:
    using TField::TField;

private:
    std::vector<TField*> children_;
};

class TADTField : public TObjectField {
    Q_OBJECT
public:
    explicit TADTField(QObject* owner = nullptr);
};

class TArrayField : public TObjectField {
    Q_OBJECT
public:
    explicit TArrayField(QObject* owner = nullptr);
};

// A new field of the class that serves the type (unowned when owner is nullptr); raises
// EDatabaseError "Field type <name> is not supported" for types without a field class.
TField* CreateFieldOfType(TFieldType type, QObject* owner);

// ---------------------------------------------------------------------------------------------
// The dataset's field list: the fields in order, found by name without regard to case.
class TFields {
public:
    explicit TFields(TDataSet* dataSet) : dataSet_(dataSet) {}
    TFields(const TFields&) = delete;
    TFields& operator=(const TFields&) = delete;

    TDataSet* DataSet() const { return dataSet_; }
    int Count() const { return int(fields_.size()); }
    TField* Fields(int index) const;
    TField* operator[](int index) const { return Fields(index); }
    // Raises EDatabaseError "Duplicate field name '<name>'" for a name already present.
    void Add(TField* field);
    void Remove(TField* field);
    // Empties the list; the fields themselves stay.
    void Clear();
    int IndexOf(const TField* field) const;
    TField* FindField(const QString& name) const;
    // Raises EDatabaseError "<dataset>: Field '<name>' not found".
    TField* FieldByName(const QString& name) const;
    // The field whose FieldNo is the number, or nullptr.
    TField* FieldByNumber(int fieldNo) const;
    void GetFieldNames(QStringList& names) const;
    auto begin() const { return fields_.begin(); }
    auto end() const { return fields_.end(); }
    // Changes whenever a field is added, removed or renamed, so that a dataset may keep its
    // own lookups of fields by name until then.
    quint64 Generation() const { return generation_; }
    void FieldRenamed() { ++generation_; }

private:
    TDataSet* dataSet_;
    std::vector<TField*> fields_;
    quint64 generation_ = 1;
};

// ---------------------------------------------------------------------------------------------
enum TFieldAttribute {
    faHiddenCol = 0x1,
    faReadonly = 0x2,
    faRequired = 0x4,
    faLink = 0x8,
    faUnNamed = 0x10,
    faFixed = 0x20
};
Q_DECLARE_FLAGS(TFieldAttributes, TFieldAttribute)
Q_DECLARE_OPERATORS_FOR_FLAGS(TFieldAttributes)

// One column as the dataset's source describes it.
class TFieldDef {
public:
    TFieldDef(TFieldDefs* owner, const QString& name, TFieldType type, int size, bool required,
              int fieldNo);

    TFieldDefs* Collection() const { return owner_; }
    QString Name() const { return name_; }
    void SetName(const QString& name) { name_ = name; }
    QString DisplayName() const { return name_; }
    TFieldType DataType() const { return dataType_; }
    void SetDataType(TFieldType type) { dataType_ = type; }
    int Size() const { return size_; }
    void SetSize(int size) { size_ = size; }
    bool Required() const { return attributes_.testFlag(faRequired); }
    void SetRequired(bool value) { attributes_.setFlag(faRequired, value); }
    int Precision() const { return precision_; }
    void SetPrecision(int value) { precision_ = value; }
    TFieldAttributes Attributes() const { return attributes_; }
    void SetAttributes(TFieldAttributes value) { attributes_ = value; }
    int FieldNo() const { return fieldNo_; }
    void SetFieldNo(int number) { fieldNo_ = number; }
    // Set when the definition stands for an internal calculated field.
    bool InternalCalcField() const { return internalCalc_; }
    void SetInternalCalcField(bool value) { internalCalc_ = value; }
    // Child definitions of an ftADT or ftArray definition (created on first use).
    bool HasChildDefs() const { return childDefs_ != nullptr && ChildCount() > 0; }
    TFieldDefs& ChildDefs();
    int ChildCount() const;
    // The field of the owning dataset with this definition's name, or nullptr.
    TField* Field() const;
    // A new field of this definition's type, name, size and required flag, joined to the
    // owning dataset (and to parent when given).
    TField* CreateField(QObject* owner, TObjectField* parent = nullptr) const;

private:
    TFieldDefs* owner_;
    QString name_;
    TFieldType dataType_;
    int size_;
    int precision_ = 0;
    int fieldNo_;
    TFieldAttributes attributes_;
    bool internalCalc_ = false;
    std::unique_ptr<TFieldDefs> childDefs_;
};

class TFieldDefs {
public:
    explicit TFieldDefs(TDataSet* dataSet, TFieldDef* parent = nullptr);
    TFieldDefs(const TFieldDefs&) = delete;
    TFieldDefs& operator=(const TFieldDefs&) = delete;
    ~TFieldDefs();

    TDataSet* DataSet() const { return dataSet_; }
    TFieldDef* ParentDef() const { return parent_; }
    int Count() const { return int(items_.size()); }
    TFieldDef* Items(int index) const;
    TFieldDef* operator[](int index) const { return Items(index); }
    // The definition gets the next field number. Raises "Duplicate field name '<name>'".
    TFieldDef* Add(const QString& name, TFieldType type, int size = 0, bool required = false);
    TFieldDef* AddFieldDef();
    void Delete(int index);
    void Clear();
    int IndexOf(const QString& name) const;
    TFieldDef* FindDef(const QString& name) const;
    // Raises EDatabaseError "Field '<name>' not found".
    TFieldDef* Find(const QString& name) const;
    void Assign(const TFieldDefs& source);
    // Brings the list up to date from the dataset (InitFieldDefs) unless it is current.
    void Update();
    bool Updated() const { return updated_; }
    void SetUpdated(bool value) { updated_ = value; }
    void GetItemNames(QStringList& names) const;

private:
    TDataSet* dataSet_;
    TFieldDef* parent_;
    std::vector<std::unique_ptr<TFieldDef>> items_;
    bool updated_ = false;
};

// ---------------------------------------------------------------------------------------------
enum TIndexOption {
    ixPrimary = 0x1,
    ixUnique = 0x2,
    ixDescending = 0x4,
    ixCaseInsensitive = 0x8,
    ixExpression = 0x10,
    ixNonMaintained = 0x20
};
Q_DECLARE_FLAGS(TIndexOptions, TIndexOption)
Q_DECLARE_OPERATORS_FOR_FLAGS(TIndexOptions)

class TIndexDefs;

// An index: field names separated by ';'.
class TIndexDef {
public:
    TIndexDef(TIndexDefs* owner, const QString& name, const QString& fields, TIndexOptions options);

    TIndexDefs* Collection() const { return owner_; }
    QString Name() const { return name_; }
    void SetName(const QString& name) { name_ = name; }
    QString DisplayName() const { return name_; }
    QString Fields() const { return fields_; }
    void SetFields(const QString& fields) { fields_ = fields; }
    QString DescFields() const { return descFields_; }
    void SetDescFields(const QString& fields) { descFields_ = fields; }
    QString CaseInsFields() const { return caseInsFields_; }
    void SetCaseInsFields(const QString& fields) { caseInsFields_ = fields; }
    TIndexOptions Options() const { return options_; }
    void SetOptions(TIndexOptions options) { options_ = options; }
    // The expression of an ixExpression index (it then has no field list).
    QString Expression() const { return options_.testFlag(ixExpression) ? fields_ : QString(); }
    void SetExpression(const QString& text);
    QString Source() const { return source_; }
    void SetSource(const QString& text) { source_ = text; }
    int GroupingLevel() const { return groupingLevel_; }
    void SetGroupingLevel(int value) { groupingLevel_ = value; }
    void Assign(const TIndexDef& source);

private:
    TIndexDefs* owner_;
    QString name_;
    QString fields_;
    QString descFields_;
    QString caseInsFields_;
    QString source_;
    TIndexOptions options_;
    int groupingLevel_ = 0;
};

class TIndexDefs {
public:
    explicit TIndexDefs(TDataSet* dataSet);
    TIndexDefs(const TIndexDefs&) = delete;
    TIndexDefs& operator=(const TIndexDefs&) = delete;
    virtual ~TIndexDefs();

    TDataSet* DataSet() const { return dataSet_; }
    int Count() const { return int(items_.size()); }
    TIndexDef* Items(int index) const;
    TIndexDef* operator[](int index) const { return Items(index); }
    TIndexDef* Add(const QString& name, const QString& fields, TIndexOptions options);
    TIndexDef* AddIndexDef();
    void Delete(int index);
    void Clear();
    void Assign(const TIndexDefs& source);
    // Names compare without case; -1 or nullptr when absent.
    int IndexOf(const QString& name) const;
    TIndexDef* FindIndex(const QString& name) const;
    // Raises EDatabaseError "Index '<name>' not found".
    TIndexDef* Find(const QString& name) const;
    // The first index whose leading fields are the given fields (all of them when the list is
    // as long as the index); with caseInsensitive only ixCaseInsensitive indexes count.
    // nullptr when none.
    TIndexDef* GetIndexForFields(const QString& fields, bool caseInsensitive) const;
    // As GetIndexForFields, raising "No index for fields '<fields>'".
    TIndexDef* FindIndexForFields(const QString& fields) const;
    // Asks the dataset to re-read them (UpdateIndexDefs) unless they are current.
    void Update();
    bool Updated() const { return updated_; }
    void SetUpdated(bool value) { updated_ = value; }
    void GetItemNames(QStringList& names) const;

private:
    TDataSet* dataSet_;
    std::vector<std::unique_ptr<TIndexDef>> items_;
    bool updated_ = false;
};

// Splits "a;b;c" into names (blank pieces dropped, each trimmed).
QStringList SplitFieldNames(const QString& names);
