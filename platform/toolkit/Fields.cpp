#include "platform/toolkit/Fields.h"

#include "platform/toolkit/DataSet.h"
#include "platform/toolkit/Exceptions.h"
#include "platform/toolkit/Streams.h"

#include <QCoreApplication>
#include <QFile>
#include <QRegularExpression>
#include <algorithm>
#include <cmath>
#include <cstring>
#include <limits>
#include <string>

const std::array<const char*, FieldTypeCount> FieldTypeNames = {
    "Unknown",  "String",     "SmallInt",    "Integer",  "Word",     "Boolean",    "Float",
    "Currency", "BCD",        "Date",        "Time",     "DateTime", "Bytes",      "VarBytes",
    "AutoInc",  "Blob",       "Memo",        "Graphic",  "FmtMemo",  "ParadoxOle", "dBaseOle",
    "TypedBinary", "Cursor",  "FixedChar",   "WideString", "LargeInt", "ADT",      "Array",
    "Reference", "DataSet",   "OraBlob",     "OraClob",  "Variant",  "Interface",  "Dispatch",
    "Guid"};

QString FieldTypeName(TFieldType type)
{
    if (type < 0 || type >= FieldTypeCount) return QString();
    return QString::fromLatin1(FieldTypeNames[size_t(type)]);
}

bool IsBlobType(TFieldType type)
{
    switch (type) {
    case ftBlob: case ftMemo: case ftGraphic: case ftFmtMemo: case ftParadoxOle: case ftDBaseOle:
    case ftTypedBinary: case ftOraBlob: case ftOraClob:
        return true;
    default:
        return false;
    }
}

int FieldDataSize(TFieldType type, int size)
{
    switch (type) {
    case ftString: case ftFixedChar: case ftWideString: case ftGuid:
        return (size + 1) * 2;
    case ftSmallint: case ftWord: case ftBoolean:
        return 2;
    case ftInteger: case ftAutoInc: case ftDate: case ftTime:
        return 4;
    case ftFloat: case ftCurrency: case ftDateTime: case ftLargeint:
        return 8;
    case ftBCD:
        return int(sizeof(TBcd));
    case ftBytes:
        return size;
    case ftVarBytes:
        return size + 2;
    default:
        return 0;
    }
}

namespace {

QString DataSetPrefix(const TDataSet* dataSet)
{
    if (dataSet == nullptr || dataSet->Name().isEmpty()) return QString();
    return dataSet->Name() + QStringLiteral(": ");
}

// Open, and past the opening during which fields are made and bound.
bool IsOpen(const TDataSet* dataSet)
{
    return dataSet != nullptr && dataSet->State() != dsInactive && dataSet->State() != dsOpening;
}

[[noreturn]] void FieldError(const TDataSet* dataSet, const QString& message)
{
    throw EDatabaseError(DataSetPrefix(dataSet) + message);
}

// What a person may type into a field of each kind: the characters its text can be read from.
const QString kIntegerChars = QStringLiteral("+-0123456789");
const QString kDecimalChars = kIntegerChars + QStringLiteral(".,");
const QString kFloatChars = kDecimalChars + QStringLiteral("eE");
const QString kDateChars = QStringLiteral("0123456789./-");
const QString kTimeChars = QStringLiteral("0123456789:");

bool ParseDouble(const QString& text, double& out)
{
    QString t = text.trimmed();
    bool ok = false;
    out = t.toDouble(&ok);
    if (!ok && t.contains(QLatin1Char(',')) && !t.contains(QLatin1Char('.'))) {
        t.replace(QLatin1Char(','), QLatin1Char('.'));
        out = t.toDouble(&ok);
    }
    return ok && std::isfinite(out);
}

// "#,##0.00" style patterns: decimals after '.', grouping when ',' appears before it.
QString ApplyNumberFormat(double value, const QString& format)
{
    const int point = format.indexOf(QLatin1Char('.'));
    const int decimals = point < 0 ? 0 : int(format.size() - point - 1);
    const bool grouping = format.left(point < 0 ? format.size() : point).contains(QLatin1Char(','));
    QString text = QString::number(value, 'f', decimals);
    if (!grouping) return text;
    const bool negative = text.startsWith(QLatin1Char('-'));
    if (negative) text.remove(0, 1);
    int intEnd = text.indexOf(QLatin1Char('.'));
    if (intEnd < 0) intEnd = int(text.size());
    for (int i = intEnd - 3; i > 0; i -= 3) text.insert(i, QLatin1Char(','));
    return negative ? QStringLiteral("-") + text : text;
}

// A string field's text as a whole number of type T; blank text is 0.
template <class T>
T TextToInteger(const QString& value)
{
    const QString text = value.trimmed();
    if (text.isEmpty()) return 0;
    bool ok = false;
    T v = 0;
    if constexpr (sizeof(T) == sizeof(qint32))
        v = text.toInt(&ok);
    else
        v = text.toLongLong(&ok);
    if (!ok) throw EConvertError(QCoreApplication::translate("Toolkit", "'%1' is not a valid integer value").arg(text));
    return v;
}

// Text typed into an integer field: blank clears it, anything else must be a whole number.
void SetIntegerText(TField& field, const QString& value)
{
    const QString text = value.trimmed();
    if (text.isEmpty()) {
        field.Clear();
        return;
    }
    bool ok = false;
    const qint64 v = text.toLongLong(&ok);
    if (!ok)
        FieldError(field.DataSet(),
                   QCoreApplication::translate("Toolkit", "'%1' is not a valid integer value for field '%2'").arg(value, field.DisplayName()));
    field.SetAsLargeInt(v);
}

// Null and Empty clear the field, text goes through the field's own parsing, any other value
// through `assign`.
template <class Assign>
void AssignVariant(TField& field, const TVariant& value, Assign assign)
{
    if (value.IsClear())
        field.Clear();
    else if (value.IsText())
        field.SetAsString(value.AsString());
    else
        assign();
}

// Byte values show as their type's name in brackets; editing sees the bytes as text.
QString ByteFieldText(const TField& field, bool displayText)
{
    if (displayText) return QStringLiteral("(%1)").arg(FieldTypeName(field.DataType()));
    return field.AsString();
}

TVariant ByteFieldVariant(const TField& field)
{
    if (field.IsNull()) return TVariant::Null();
    return TVariant(field.AsBytes());
}

template <class Item>
Item* Raw(Item* item)
{
    return item;
}

template <class Item>
Item* Raw(const std::unique_ptr<Item>& item)
{
    return item.get();
}

template <class List>
auto ItemAt(const List& items, int index)
{
    if (index < 0 || size_t(index) >= items.size())
        throw EListError(QStringLiteral("List index out of bounds (%1)").arg(index));
    return Raw(items[size_t(index)]);
}

// Definition names compare without case.
template <class List>
int IndexOfName(const List& items, const QString& name)
{
    for (size_t i = 0; i < items.size(); ++i)
        if (items[i]->Name().compare(name, Qt::CaseInsensitive) == 0) return int(i);
    return -1;
}

template <class List>
auto FindByName(const List& items, const QString& name) -> decltype(Raw(items.front()))
{
    const int i = IndexOfName(items, name);
    return i < 0 ? nullptr : Raw(items[size_t(i)]);
}

template <class List>
void GetNames(const List& items, QStringList& names)
{
    names.clear();
    for (const auto& item : items) names.append(item->Name());
}

}  // namespace

// --- BCD ----------------------------------------------------------------------------------------

TBcd StrToBcd(const QString& text)
{
    const QString t = text.trimmed();
    int i = 0;
    bool negative = false;
    if (i < t.size() && (t[i] == QLatin1Char('-') || t[i] == QLatin1Char('+'))) {
        negative = t[i] == QLatin1Char('-');
        ++i;
    }
    QString intDigits, fracDigits;
    bool seenPoint = false;
    for (; i < t.size(); ++i) {
        const QChar c = t[i];
        if (c.isDigit()) {
            (seenPoint ? fracDigits : intDigits).append(c);
        } else if ((c == QLatin1Char('.') || c == QLatin1Char(',')) && !seenPoint) {
            seenPoint = true;
        } else {
            throw EConvertError(QCoreApplication::translate("Toolkit", "'%1' is not a valid BCD value").arg(text));
        }
    }
    if (intDigits.isEmpty() && fracDigits.isEmpty())
        throw EConvertError(QCoreApplication::translate("Toolkit", "'%1' is not a valid BCD value").arg(text));
    while (intDigits.size() > 1 && intDigits[0] == QLatin1Char('0')) intDigits.remove(0, 1);
    if (intDigits.isEmpty()) intDigits = QStringLiteral("0");
    const QString digits = intDigits + fracDigits;
    if (digits.size() > 64 || fracDigits.size() > 63)
        throw EConvertError(QCoreApplication::translate("Toolkit", "'%1' is not a valid BCD value").arg(text));
    TBcd bcd;
    bcd.Precision = quint8(digits.size());
    bcd.SignSpecialPlaces = quint8(fracDigits.size()) | (negative ? 0x80 : 0);
    for (int d = 0; d < digits.size(); ++d) {
        const quint8 v = quint8(digits[d].digitValue());
        bcd.Fraction[d / 2] |= (d % 2 == 0) ? quint8(v << 4) : v;
    }
    return bcd;
}

QString BcdToStr(const TBcd& bcd)
{
    const int precision = std::min<int>(bcd.Precision, 64);
    const int places = std::min(bcd.SignSpecialPlaces & 0x3F, precision);
    QString digits;
    for (int d = 0; d < precision; ++d) {
        const quint8 byte = bcd.Fraction[d / 2];
        digits.append(QChar(u'0' + ((d % 2 == 0) ? (byte >> 4) : (byte & 0x0F))));
    }
    QString intPart = digits.left(precision - places);
    const QString fracPart = digits.mid(precision - places);
    while (intPart.size() > 1 && intPart[0] == QLatin1Char('0')) intPart.remove(0, 1);
    if (intPart.isEmpty()) intPart = QStringLiteral("0");
    QString text = fracPart.isEmpty() ? intPart : intPart + QLatin1Char('.') + fracPart;
    const bool zero = !text.contains(QRegularExpression(QStringLiteral("[1-9]")));
    if ((bcd.SignSpecialPlaces & 0x80) && !zero) text.prepend(QLatin1Char('-'));
    return text;
}

TBcd DoubleToBcd(double value, int places)
{
    if (!std::isfinite(value)) throw EConvertError(QCoreApplication::translate("Toolkit", "Invalid BCD value"));
    QString text = QString::number(value, 'f', places < 0 ? 15 : std::min(places, 63));
    if (places < 0 && text.contains(QLatin1Char('.'))) {
        while (text.endsWith(QLatin1Char('0'))) text.chop(1);
        if (text.endsWith(QLatin1Char('.'))) text.chop(1);
    }
    return StrToBcd(text);
}

double BcdToDouble(const TBcd& bcd) { return BcdToStr(bcd).toDouble(); }

// --- TField -------------------------------------------------------------------------------------

TField::TField(QObject* owner) : TComponent(owner) {}

TField::TField(TFieldType type, int size, QObject* owner) : TComponent(owner), dataType_(type), size_(size) {}

TField::~TField()
{
    Destroying();
    if (dataSet_ != nullptr) dataSet_->fields_.Remove(this);
}

void TField::SetDataSet(TDataSet* dataSet)
{
    if (dataSet == dataSet_) return;
    if (IsOpen(dataSet_)) FieldError(dataSet_, QCoreApplication::translate("Toolkit", DataSetMessages::DataSetOpen));
    if (IsOpen(dataSet)) FieldError(dataSet, QCoreApplication::translate("Toolkit", DataSetMessages::DataSetOpen));
    if (dataSet != nullptr) dataSet->fields_.Add(this);
    if (dataSet_ != nullptr) dataSet_->fields_.Remove(this);
    dataSet_ = dataSet;
}

void TField::SetFieldName(const QString& name)
{
    if (dataSet_ != nullptr) {
        TField* other = dataSet_->fields_.FindField(name);
        if (other != nullptr && other != this)
            FieldError(dataSet_, QCoreApplication::translate("Toolkit", "Duplicate field name '%1'").arg(name));
        dataSet_->fields_.FieldRenamed();
    }
    fieldName_ = name;
}

void TField::SetFieldKind(TFieldKind kind)
{
    if (IsOpen(dataSet_)) FieldError(dataSet_, QCoreApplication::translate("Toolkit", DataSetMessages::DataSetOpen));
    fieldKind_ = kind;
}

void TField::SetSize(int size)
{
    if (IsOpen(dataSet_)) FieldError(dataSet_, QCoreApplication::translate("Toolkit", DataSetMessages::DataSetOpen));
    size_ = size;
}

int TField::DataSize() const { return FieldDataSize(dataType_, size_); }

void TField::SetReadOnly(bool value)
{
    if (readOnly_ == value) return;
    readOnly_ = value;
    if (dataSet_ != nullptr) dataSet_->DataEvent(deLayoutChange, 0);
}

void TField::SetVisible(bool value)
{
    if (visible_ == value) return;
    visible_ = value;
    if (dataSet_ != nullptr) dataSet_->DataEvent(deLayoutChange, 0);
}

QString TField::DisplayLabel() const { return displayLabel_.isEmpty() ? fieldName_ : displayLabel_; }

void TField::SetDisplayLabel(const QString& label)
{
    displayLabel_ = label == fieldName_ ? QString() : label;
    if (dataSet_ != nullptr) dataSet_->DataEvent(deLayoutChange, 0);
}

int TField::DisplayWidth() const { return displayWidth_ > 0 ? displayWidth_ : DefaultDisplayWidth(); }

void TField::SetDisplayWidth(int width)
{
    displayWidth_ = width;
    if (dataSet_ != nullptr) dataSet_->DataEvent(deLayoutChange, 0);
}

bool TField::IsValidChar(QChar c) const { return validChars_.isEmpty() || validChars_.contains(c); }

void TField::SetLookupDataSet(TDataSet* dataSet)
{
    if (dataSet != nullptr && dataSet == dataSet_)
        FieldError(dataSet_, QCoreApplication::translate("Toolkit", "Circular datalinks are not allowed"));
    lookupDataSet_ = dataSet;
    if (dataSet != nullptr) dataSet->FreeNotification(this);
}

bool TField::GetData(void* buffer) const
{
    if (dataSet_ == nullptr) throw EDatabaseError(QCoreApplication::translate("Toolkit", "Field '%1' has no dataset").arg(DisplayName()));
    if (validating_) {
        if (validateBuffer_ == nullptr) return false;
        if (buffer != nullptr) std::memcpy(buffer, validateBuffer_, size_t(DataSize()));
        return true;
    }
    return dataSet_->GetFieldData(const_cast<TField*>(this), buffer);
}

void TField::SetData(const void* buffer)
{
    if (dataSet_ == nullptr) throw EDatabaseError(QCoreApplication::translate("Toolkit", "Field '%1' has no dataset").arg(DisplayName()));
    dataSet_->SetFieldData(this, buffer);
}

void TField::Validate(const void* buffer)
{
    if (!OnValidate) return;
    validating_ = true;
    validateBuffer_ = buffer;
    try {
        OnValidate(this);
    } catch (...) {
        validating_ = false;
        validateBuffer_ = nullptr;
        throw;
    }
    validating_ = false;
    validateBuffer_ = nullptr;
}

bool TField::CanModify() const
{
    if (readOnly_ || dataSet_ == nullptr || !dataSet_->Active()) return false;
    if (fieldKind_ != fkData && fieldKind_ != fkInternalCalc) return false;
    return dataSet_->CanModify();
}

void TField::FocusControl()
{
    if (dataSet_ == nullptr || !dataSet_->Active()) return;
    TField* self = this;
    dataSet_->DataEvent(deFocusControl, qintptr(&self));
}

void TField::Change()
{
    if (OnChange) OnChange(this);
}

void TField::CheckRequired() const
{
    if (required_ && !readOnly_ && fieldKind_ == fkData && IsNull()) {
        const_cast<TField*>(this)->FocusControl();
        FieldError(dataSet_, QCoreApplication::translate("Toolkit", DataSetMessages::FieldRequired).arg(DisplayName()));
    }
}

bool TField::IsNull() const { return !GetData(nullptr); }

void TField::AccessError(const char* typeName) const
{
    FieldError(dataSet_, QCoreApplication::translate("Toolkit", "Cannot access field '%1' as type %2")
                             .arg(DisplayName(), QString::fromLatin1(typeName)));
}

void TField::RangeError(double value, double min, double max) const
{
    FieldError(dataSet_, QCoreApplication::translate("Toolkit", "%1 is not a valid value for field '%2'. The allowed range is %3 to %4")
                             .arg(FloatToStr(value), DisplayName(), FloatToStr(min), FloatToStr(max)));
}

QString TField::AsString() const { AccessError("String"); }
void TField::SetAsString(const QString&) { AccessError("String"); }
qint32 TField::AsInteger() const { AccessError("Integer"); }
void TField::SetAsInteger(qint32) { AccessError("Integer"); }
qint64 TField::AsLargeInt() const { return AsInteger(); }
void TField::SetAsLargeInt(qint64 value)
{
    if (value < std::numeric_limits<qint32>::min() || value > std::numeric_limits<qint32>::max())
        RangeError(double(value), std::numeric_limits<qint32>::min(), std::numeric_limits<qint32>::max());
    SetAsInteger(qint32(value));
}
double TField::AsFloat() const { AccessError("Float"); }
void TField::SetAsFloat(double) { AccessError("Float"); }
bool TField::AsBoolean() const { AccessError("Boolean"); }
void TField::SetAsBoolean(bool) { AccessError("Boolean"); }
TDateTime TField::AsDateTime() const { AccessError("DateTime"); }
void TField::SetAsDateTime(TDateTime) { AccessError("DateTime"); }
QByteArray TField::AsBytes() const { AccessError("Bytes"); }
void TField::SetAsBytes(const QByteArray&) { AccessError("Bytes"); }
TVariant TField::AsVariant() const { AccessError("Variant"); }
void TField::SetAsVariant(const TVariant&) { AccessError("Variant"); }

TVariant TField::OldValue() const
{
    if (dataSet_ == nullptr || !dataSet_->Active()) return TVariant::Null();
    const TDataSetState saved = dataSet_->SetTempState(dsOldValue);
    try {
        TVariant v = AsVariant();
        dataSet_->RestoreState(saved);
        return v;
    } catch (...) {
        dataSet_->RestoreState(saved);
        throw;
    }
}

void TField::AssignValue(const TField* source)
{
    if (source == nullptr || source->IsNull())
        Clear();
    else
        SetAsVariant(source->AsVariant());
}

QString TField::GetText(bool) const { return AsString(); }

QString TField::DisplayText() const
{
    if (OnGetText) {
        QString text;
        OnGetText(const_cast<TField*>(this), text, true);
        return text;
    }
    return GetText(true);
}

QString TField::Text() const
{
    if (OnGetText) {
        QString text;
        OnGetText(const_cast<TField*>(this), text, false);
        return text;
    }
    return GetText(false);
}

void TField::SetText(const QString& text)
{
    if (OnSetText)
        OnSetText(this, text);
    else
        SetAsString(text);
}

// --- strings ------------------------------------------------------------------------------------

TStringField::TStringField(QObject* owner) : TField(ftString, 20, owner) {}
TStringField::TStringField(TFieldType type, int size, QObject* owner) : TField(type, size, owner) {}

int TStringField::DataSize() const { return FieldDataSize(ftString, Size()); }

QString TStringField::AsString() const
{
    // Read straight into the result, which then ends at the first terminator.
    QString text(Size() + 1, QChar(u'\0'));
    char16_t* data = reinterpret_cast<char16_t*>(text.data());
    if (!GetData(data)) return QString();
    data[Size()] = u'\0';
    text.truncate(qsizetype(std::char_traits<char16_t>::length(data)));
    return text;
}

void TStringField::SetAsString(const QString& value)
{
    // The empty text is no value, as in every source this system reads.
    if (value.isEmpty()) {
        Clear();
        return;
    }
    std::vector<char16_t> buffer(size_t(Size()) + 1, u'\0');
    const QString text = value.left(Size());
    std::memcpy(buffer.data(), text.utf16(), size_t(text.size()) * sizeof(char16_t));
    SetData(buffer.data());
}

qint32 TStringField::AsInteger() const { return TextToInteger<qint32>(AsString()); }

void TStringField::SetAsInteger(qint32 value) { SetAsString(QString::number(value)); }

qint64 TStringField::AsLargeInt() const { return TextToInteger<qint64>(AsString()); }

void TStringField::SetAsLargeInt(qint64 value) { SetAsString(QString::number(value)); }

double TStringField::AsFloat() const
{
    const QString text = AsString().trimmed();
    if (text.isEmpty()) return 0;
    double v = 0;
    if (!ParseDouble(text, v)) throw EConvertError(QCoreApplication::translate("Toolkit", "'%1' is not a valid floating point value").arg(text));
    return v;
}

void TStringField::SetAsFloat(double value) { SetAsString(FloatToStr(value)); }

bool TStringField::AsBoolean() const
{
    const QString text = AsString().trimmed();
    if (text.isEmpty()) return false;
    const QChar c = text[0].toUpper();
    if (c == QLatin1Char('T') || c == QLatin1Char('Y')) return true;
    if (c == QLatin1Char('F') || c == QLatin1Char('N')) return false;
    throw EConvertError(QCoreApplication::translate("Toolkit", "'%1' is not a valid boolean value").arg(text));
}

void TStringField::SetAsBoolean(bool value) { SetAsString(value ? QStringLiteral("True") : QStringLiteral("False")); }

TDateTime TStringField::AsDateTime() const
{
    const QString text = AsString().trimmed();
    if (text.isEmpty()) return 0;
    return StrToDateTime(text);
}

void TStringField::SetAsDateTime(TDateTime value) { SetAsString(DateTimeToStr(value)); }

TVariant TStringField::AsVariant() const
{
    if (IsNull()) return TVariant::Null();
    return TVariant(AsString());
}

void TStringField::SetAsVariant(const TVariant& value)
{
    if (value.IsClear())
        Clear();
    else
        SetAsString(value.AsString());
}

TWideStringField::TWideStringField(QObject* owner) : TStringField(ftWideString, 20, owner) {}

TGuidField::TGuidField(QObject* owner) : TStringField(ftGuid, 38, owner) {}

void TGuidField::SetSize(int size)
{
    if (size != 38) throw EDatabaseError(QCoreApplication::translate("Toolkit", "Invalid field size"));
    TStringField::SetSize(size);
}

// --- numbers ------------------------------------------------------------------------------------

void TNumericField::SetDisplayFormat(const QString& format)
{
    if (displayFormat_ == format) return;
    displayFormat_ = format;
    if (DataSet() != nullptr && DataSet()->Active()) DataSet()->DataEvent(deDataSetChange, 0);
}

QString TNumericField::FormatNumber(double value, bool displayText, int defaultDecimals) const
{
    const QString format = (!displayText && !editFormat_.isEmpty()) ? editFormat_ : displayFormat_;
    if (!format.isEmpty()) return ApplyNumberFormat(value, format);
    if (defaultDecimals >= 0) return QString::number(value, 'f', defaultDecimals);
    return FloatToStr(value);
}

TIntegerField::TIntegerField(QObject* owner) : TIntegerField(ftInteger, owner) {}
TIntegerField::TIntegerField(TFieldType type, QObject* owner) : TNumericField(type, 0, owner)
{
    SetValidChars(kIntegerChars);
}

qint64 TIntegerField::TypeMin() const { return std::numeric_limits<qint32>::min(); }
qint64 TIntegerField::TypeMax() const { return std::numeric_limits<qint32>::max(); }

void TIntegerField::CheckRange(qint64 value) const
{
    qint64 lo = TypeMin(), hi = TypeMax();
    if (minValue_ != 0 || maxValue_ != 0) {
        lo = std::max(lo, minValue_);
        hi = std::min(hi, maxValue_);
    }
    if (value < lo || value > hi) RangeError(double(value), double(lo), double(hi));
}

bool TIntegerField::ReadInteger(qint32& value) const { return GetData(&value); }
void TIntegerField::WriteInteger(qint32 value) { SetData(&value); }

qint32 TIntegerField::AsInteger() const
{
    qint32 v = 0;
    return ReadInteger(v) ? v : 0;
}

void TIntegerField::SetAsInteger(qint32 value)
{
    CheckRange(value);
    WriteInteger(value);
}

void TIntegerField::SetAsLargeInt(qint64 value)
{
    CheckRange(value);
    WriteInteger(qint32(value));
}

void TIntegerField::SetAsFloat(double value)
{
    if (!std::isfinite(value)) RangeError(value, double(TypeMin()), double(TypeMax()));
    const double rounded = std::round(value);
    if (rounded < double(TypeMin()) || rounded > double(TypeMax())) RangeError(value, double(TypeMin()), double(TypeMax()));
    SetAsLargeInt(qint64(rounded));
}

QString TIntegerField::AsString() const
{
    qint32 v = 0;
    return ReadInteger(v) ? QString::number(v) : QString();
}

void TIntegerField::SetAsString(const QString& value) { SetIntegerText(*this, value); }

QString TIntegerField::GetText(bool displayText) const
{
    qint32 v = 0;
    if (!ReadInteger(v)) return QString();
    if (DisplayFormat().isEmpty() && EditFormat().isEmpty()) return QString::number(v);
    return FormatNumber(v, displayText, 0);
}

TVariant TIntegerField::AsVariant() const
{
    qint32 v = 0;
    return ReadInteger(v) ? TVariant(int(v)) : TVariant::Null();
}

void TIntegerField::SetAsVariant(const TVariant& value)
{
    AssignVariant(*this, value, [&] {
        if (value.Type() == TVarType::Double || value.Type() == TVarType::Currency)
            SetAsFloat(value.AsFloat());
        else
            SetAsLargeInt(value.AsInt64());
    });
}

TSmallintField::TSmallintField(QObject* owner) : TIntegerField(ftSmallint, owner) {}

bool TSmallintField::ReadInteger(qint32& value) const
{
    qint16 v = 0;
    if (!GetData(&v)) return false;
    value = v;
    return true;
}

void TSmallintField::WriteInteger(qint32 value)
{
    const qint16 v = qint16(value);
    SetData(&v);
}

TWordField::TWordField(QObject* owner) : TIntegerField(ftWord, owner) {}

bool TWordField::ReadInteger(qint32& value) const
{
    quint16 v = 0;
    if (!GetData(&v)) return false;
    value = v;
    return true;
}

void TWordField::WriteInteger(qint32 value)
{
    const quint16 v = quint16(value);
    SetData(&v);
}

TAutoIncField::TAutoIncField(QObject* owner) : TIntegerField(ftAutoInc, owner) {}

TLargeintField::TLargeintField(QObject* owner) : TNumericField(ftLargeint, 0, owner) { SetValidChars(kIntegerChars); }

qint64 TLargeintField::AsLargeInt() const
{
    qint64 v = 0;
    return GetData(&v) ? v : 0;
}

void TLargeintField::SetAsLargeInt(qint64 value) { SetData(&value); }

qint32 TLargeintField::AsInteger() const
{
    const qint64 v = AsLargeInt();
    if (v < std::numeric_limits<qint32>::min() || v > std::numeric_limits<qint32>::max())
        RangeError(double(v), std::numeric_limits<qint32>::min(), std::numeric_limits<qint32>::max());
    return qint32(v);
}

void TLargeintField::SetAsFloat(double value)
{
    if (!std::isfinite(value) || std::fabs(value) > 9.2e18) RangeError(value, -9.2e18, 9.2e18);
    SetAsLargeInt(qint64(std::llround(value)));
}

QString TLargeintField::AsString() const
{
    qint64 v = 0;
    return GetData(&v) ? QString::number(v) : QString();
}

void TLargeintField::SetAsString(const QString& value) { SetIntegerText(*this, value); }

QString TLargeintField::GetText(bool displayText) const
{
    qint64 v = 0;
    if (!GetData(&v)) return QString();
    if (DisplayFormat().isEmpty() && EditFormat().isEmpty()) return QString::number(v);
    return FormatNumber(double(v), displayText, 0);
}

TVariant TLargeintField::AsVariant() const
{
    qint64 v = 0;
    return GetData(&v) ? TVariant(v) : TVariant::Null();
}

void TLargeintField::SetAsVariant(const TVariant& value)
{
    AssignVariant(*this, value, [&] { SetAsLargeInt(value.AsInt64()); });
}

// --- booleans -----------------------------------------------------------------------------------

TBooleanField::TBooleanField(QObject* owner) : TField(ftBoolean, 0, owner)
{
    SetDisplayValues(QStringLiteral("True;False"));
}

void TBooleanField::SetDisplayValues(const QString& values)
{
    const int sep = values.indexOf(QLatin1Char(';'));
    if (sep < 0 || values.indexOf(QLatin1Char(';'), sep + 1) >= 0 || sep == 0 || sep == values.size() - 1)
        throw EDatabaseError(QCoreApplication::translate("Toolkit", "'%1' is not a valid value for DisplayValues").arg(values));
    displayValues_ = values;
    trueText_ = values.left(sep);
    falseText_ = values.mid(sep + 1);
}

bool TBooleanField::AsBoolean() const
{
    qint16 v = 0;
    return GetData(&v) && v != 0;
}

void TBooleanField::SetAsBoolean(bool value)
{
    const qint16 v = value ? 1 : 0;
    SetData(&v);
}

QString TBooleanField::AsString() const
{
    qint16 v = 0;
    if (!GetData(&v)) return QString();
    return v != 0 ? trueText_ : falseText_;
}

void TBooleanField::SetAsString(const QString& value)
{
    const QString text = value.trimmed();
    if (text.isEmpty()) {
        Clear();
        return;
    }
    static const QStringList trueWords = {QStringLiteral("true"), QStringLiteral("t"), QStringLiteral("yes"),
                                          QStringLiteral("y"), QStringLiteral("1"), QStringLiteral("-1")};
    static const QStringList falseWords = {QStringLiteral("false"), QStringLiteral("f"), QStringLiteral("no"),
                                           QStringLiteral("n"), QStringLiteral("0")};
    if (text.compare(trueText_, Qt::CaseInsensitive) == 0 || trueWords.contains(text.toLower()))
        SetAsBoolean(true);
    else if (text.compare(falseText_, Qt::CaseInsensitive) == 0 || falseWords.contains(text.toLower()))
        SetAsBoolean(false);
    else
        FieldError(DataSet(), QCoreApplication::translate("Toolkit", "'%1' is not a valid boolean value for field '%2'").arg(value, DisplayName()));
}

QString TBooleanField::GetText(bool) const { return AsString(); }

int TBooleanField::DefaultDisplayWidth() const { return int(std::max(trueText_.size(), falseText_.size())); }

TVariant TBooleanField::AsVariant() const
{
    qint16 v = 0;
    return GetData(&v) ? TVariant(v != 0) : TVariant::Null();
}

void TBooleanField::SetAsVariant(const TVariant& value)
{
    AssignVariant(*this, value, [&] { SetAsBoolean(value.AsBoolean()); });
}

// --- floats -------------------------------------------------------------------------------------

TFloatField::TFloatField(QObject* owner) : TFloatField(ftFloat, owner) {}
TFloatField::TFloatField(TFieldType type, QObject* owner) : TNumericField(type, 0, owner)
{
    SetValidChars(kFloatChars);
}

double TFloatField::AsFloat() const
{
    double v = 0;
    return GetData(&v) ? v : 0;
}

void TFloatField::SetAsFloat(double value)
{
    if (!std::isfinite(value))
        FieldError(DataSet(), QCoreApplication::translate("Toolkit", "Invalid value for field '%1'").arg(DisplayName()));
    if ((minValue_ != 0 || maxValue_ != 0) && (value < minValue_ || value > maxValue_))
        RangeError(value, minValue_, maxValue_);
    SetData(&value);
}

qint32 TFloatField::AsInteger() const
{
    const double v = std::round(AsFloat());
    if (v < std::numeric_limits<qint32>::min() || v > std::numeric_limits<qint32>::max())
        RangeError(v, std::numeric_limits<qint32>::min(), std::numeric_limits<qint32>::max());
    return qint32(v);
}

qint64 TFloatField::AsLargeInt() const { return qint64(std::llround(AsFloat())); }

QString TFloatField::AsString() const
{
    double v = 0;
    return GetData(&v) ? FloatToStr(v) : QString();
}

void TFloatField::SetAsString(const QString& value)
{
    if (value.trimmed().isEmpty()) {
        Clear();
        return;
    }
    double v = 0;
    if (!ParseDouble(value, v))
        FieldError(DataSet(), QCoreApplication::translate("Toolkit", "'%1' is not a valid floating point value for field '%2'").arg(value, DisplayName()));
    SetAsFloat(v);
}

QString TFloatField::GetText(bool displayText) const
{
    double v = 0;
    if (!GetData(&v)) return QString();
    if (DisplayFormat().isEmpty() && EditFormat().isEmpty() && !currency_) return FloatToStr(v);
    return FormatNumber(v, displayText, currency_ ? 2 : -1);
}

TVariant TFloatField::AsVariant() const
{
    double v = 0;
    return GetData(&v) ? TVariant(v) : TVariant::Null();
}

void TFloatField::SetAsVariant(const TVariant& value)
{
    AssignVariant(*this, value, [&] { SetAsFloat(value.AsFloat()); });
}

TCurrencyField::TCurrencyField(QObject* owner) : TFloatField(ftCurrency, owner) { SetCurrency(true); }

TVariant TCurrencyField::AsVariant() const
{
    double v = 0;
    return GetData(&v) ? TVariant::FromCurrency(v) : TVariant::Null();
}

// --- BCD ----------------------------------------------------------------------------------------

TBCDField::TBCDField(QObject* owner) : TNumericField(ftBCD, 4, owner) { SetValidChars(kDecimalChars); }

double TBCDField::AsFloat() const
{
    TBcd v;
    return GetData(&v) ? BcdToDouble(v) : 0;
}

void TBCDField::SetAsFloat(double value)
{
    const TBcd v = DoubleToBcd(value, Size());
    SetData(&v);
}

qint32 TBCDField::AsInteger() const { return qint32(std::llround(AsFloat())); }

QString TBCDField::AsString() const
{
    TBcd v;
    return GetData(&v) ? BcdToStr(v) : QString();
}

void TBCDField::SetAsString(const QString& value)
{
    if (value.trimmed().isEmpty()) {
        Clear();
        return;
    }
    TBcd v;
    try {
        v = StrToBcd(value);
    } catch (const EConvertError&) {
        FieldError(DataSet(), QCoreApplication::translate("Toolkit", "'%1' is not a valid BCD value for field '%2'").arg(value, DisplayName()));
    }
    // Rounded to the field's places, so every stored value has the same scale.
    v = DoubleToBcd(BcdToDouble(v), Size());
    SetData(&v);
}

QString TBCDField::GetText(bool displayText) const
{
    TBcd v;
    if (!GetData(&v)) return QString();
    if (DisplayFormat().isEmpty() && EditFormat().isEmpty() && !currency_) return BcdToStr(v);
    return FormatNumber(BcdToDouble(v), displayText, currency_ ? 2 : -1);
}

TVariant TBCDField::AsVariant() const
{
    TBcd v;
    return GetData(&v) ? TVariant::FromCurrency(BcdToDouble(v)) : TVariant::Null();
}

void TBCDField::SetAsVariant(const TVariant& value)
{
    AssignVariant(*this, value, [&] { SetAsFloat(value.AsFloat()); });
}

// --- dates --------------------------------------------------------------------------------------

TDateTimeField::TDateTimeField(QObject* owner) : TDateTimeField(ftDateTime, owner) {}
TDateTimeField::TDateTimeField(TFieldType type, QObject* owner) : TField(type, 0, owner)
{
    SetValidChars(type == ftDate ? kDateChars : type == ftTime ? kTimeChars : kDateChars + kTimeChars + QLatin1Char(' '));
}

TDateTime TDateTimeField::AsDateTime() const
{
    switch (DataType()) {
    case ftDate: {
        qint32 days = 0;
        if (!GetData(&days)) return 0;
        return TimeStampToDateTime(TTimeStamp{0, days});
    }
    case ftTime: {
        qint32 msecs = 0;
        if (!GetData(&msecs)) return 0;
        return TimeStampToDateTime(TTimeStamp{msecs, DateDelta});
    }
    default: {
        double msecs = 0;
        if (!GetData(&msecs)) return 0;
        const double days = std::floor(msecs / MSecsPerDay);
        return TimeStampToDateTime(TTimeStamp{int(msecs - days * MSecsPerDay), int(days)});
    }
    }
}

void TDateTimeField::SetAsDateTime(TDateTime value)
{
    if (!std::isfinite(value))
        FieldError(DataSet(), QCoreApplication::translate("Toolkit", "Invalid value for field '%1'").arg(DisplayName()));
    const TTimeStamp stamp = DateTimeToTimeStamp(value);
    switch (DataType()) {
    case ftDate: {
        const qint32 days = stamp.Date;
        SetData(&days);
        break;
    }
    case ftTime: {
        const qint32 msecs = stamp.Time;
        SetData(&msecs);
        break;
    }
    default: {
        const double msecs = double(stamp.Date) * MSecsPerDay + stamp.Time;
        SetData(&msecs);
        break;
    }
    }
}

QString TDateTimeField::FormatValue(TDateTime value) const { return DateTimeToStr(value); }
TDateTime TDateTimeField::ParseText(const QString& text) const { return StrToDateTime(text); }

QString TDateTimeField::AsString() const
{
    if (IsNull()) return QString();
    return FormatValue(AsDateTime());
}

void TDateTimeField::SetAsString(const QString& value)
{
    const QString text = value.trimmed();
    if (text.isEmpty())
        Clear();
    else
        SetAsDateTime(ParseText(text));
}

QString TDateTimeField::GetText(bool displayText) const
{
    if (IsNull()) return QString();
    if (displayText && !displayFormat_.isEmpty()) return FormatDateTime(displayFormat_, AsDateTime());
    return FormatValue(AsDateTime());
}

TVariant TDateTimeField::AsVariant() const
{
    if (IsNull()) return TVariant::Null();
    return TVariant::FromDate(AsDateTime());
}

void TDateTimeField::SetAsVariant(const TVariant& value)
{
    AssignVariant(*this, value, [&] { SetAsDateTime(value.AsDateTime()); });
}

TDateField::TDateField(QObject* owner) : TDateTimeField(ftDate, owner) {}
QString TDateField::FormatValue(TDateTime value) const { return DateToStr(value); }
TDateTime TDateField::ParseText(const QString& text) const { return StrToDate(text); }

TTimeField::TTimeField(QObject* owner) : TDateTimeField(ftTime, owner) {}
QString TTimeField::FormatValue(TDateTime value) const { return TimeToStr(value); }

TDateTime TTimeField::ParseText(const QString& text) const
{
    TDateTime v = 0;
    if (!TryStrToTime(text, v)) throw EConvertError(QCoreApplication::translate("Toolkit", "'%1' is not a valid time").arg(text));
    return v;
}

// --- bytes --------------------------------------------------------------------------------------

QByteArray TBinaryField::AsBytes() const
{
    QByteArray bytes(DataSize(), '\0');
    if (!GetData(bytes.data())) return QByteArray();
    return bytes;
}

void TBinaryField::SetAsBytes(const QByteArray& value)
{
    QByteArray bytes = value.left(DataSize());
    bytes.append(QByteArray(DataSize() - bytes.size(), '\0'));
    SetData(bytes.constData());
}

QString TBinaryField::AsString() const { return QString::fromLatin1(AsBytes()); }
void TBinaryField::SetAsString(const QString& value) { SetAsBytes(value.toLatin1()); }

QString TBinaryField::GetText(bool displayText) const { return ByteFieldText(*this, displayText); }

TVariant TBinaryField::AsVariant() const { return ByteFieldVariant(*this); }

void TBinaryField::SetAsVariant(const TVariant& value)
{
    if (value.IsClear())
        Clear();
    else
        SetAsBytes(value.AsBytes());
}

TBytesField::TBytesField(QObject* owner) : TBinaryField(ftBytes, 16, owner) {}

TVarBytesField::TVarBytesField(QObject* owner) : TBinaryField(ftVarBytes, 16, owner) {}

int TVarBytesField::DataSize() const { return FieldDataSize(ftVarBytes, Size()); }

QByteArray TVarBytesField::AsBytes() const
{
    QByteArray raw(DataSize(), '\0');
    if (!GetData(raw.data())) return QByteArray();
    quint16 length = 0;
    std::memcpy(&length, raw.constData(), sizeof length);
    return raw.mid(2, std::min<int>(length, Size()));
}

void TVarBytesField::SetAsBytes(const QByteArray& value)
{
    const QByteArray data = value.left(Size());
    QByteArray raw(DataSize(), '\0');
    const quint16 length = quint16(data.size());
    std::memcpy(raw.data(), &length, sizeof length);
    std::memcpy(raw.data() + 2, data.constData(), size_t(data.size()));
    SetData(raw.constData());
}

// --- blobs --------------------------------------------------------------------------------------

TBlobField::TBlobField(QObject* owner) : TField(ftBlob, 0, owner) {}
TBlobField::TBlobField(TFieldType type, QObject* owner) : TField(type, 0, owner) {}

void TBlobField::SetBlobType(TFieldType type)
{
    if (!IsBlobType(type)) throw EDatabaseError(QCoreApplication::translate("Toolkit", "Invalid blob type for field '%1'").arg(DisplayName()));
    SetDataType(type);
}

QByteArray TBlobField::AsBytes() const
{
    if (DataSet() == nullptr) throw EDatabaseError(QCoreApplication::translate("Toolkit", "Field '%1' has no dataset").arg(DisplayName()));
    std::unique_ptr<TStream> stream(DataSet()->CreateBlobStream(const_cast<TBlobField*>(this), bmRead));
    if (!stream) return QByteArray();
    stream->SetPosition(0);
    return stream->ReadBytes(stream->Size());
}

void TBlobField::SetAsBytes(const QByteArray& value)
{
    if (DataSet() == nullptr) throw EDatabaseError(QCoreApplication::translate("Toolkit", "Field '%1' has no dataset").arg(DisplayName()));
    std::unique_ptr<TStream> stream(DataSet()->CreateBlobStream(this, bmWrite));
    if (!stream) return;
    if (!value.isEmpty()) stream->WriteBytes(value);
}

void TBlobField::Clear() { SetAsBytes(QByteArray()); }

qint64 TBlobField::BlobSize() const { return AsBytes().size(); }

QString TBlobField::BytesToText(const QByteArray& bytes) const { return QString::fromLatin1(bytes); }
QByteArray TBlobField::TextToBytes(const QString& text) const { return text.toLatin1(); }

QString TBlobField::AsString() const { return BytesToText(AsBytes()); }
void TBlobField::SetAsString(const QString& value) { SetAsBytes(TextToBytes(value)); }

QString TBlobField::GetText(bool displayText) const { return ByteFieldText(*this, displayText); }

TVariant TBlobField::AsVariant() const { return ByteFieldVariant(*this); }

void TBlobField::SetAsVariant(const TVariant& value)
{
    AssignVariant(*this, value, [&] { SetAsBytes(value.AsBytes()); });
}

void TBlobField::LoadFromStream(TStream& stream)
{
    stream.SetPosition(0);
    SetAsBytes(stream.ReadBytes(stream.Size()));
}

void TBlobField::SaveToStream(TStream& stream) const { stream.WriteBytes(AsBytes()); }

void TBlobField::LoadFromFile(const QString& fileName)
{
    TFileStream stream(fileName, fmOpenRead);
    LoadFromStream(stream);
}

void TBlobField::SaveToFile(const QString& fileName) const
{
    TFileStream stream(fileName, fmCreate);
    SaveToStream(stream);
}

TMemoField::TMemoField(QObject* owner) : TBlobField(ftMemo, owner) {}
QString TMemoField::BytesToText(const QByteArray& bytes) const { return QString::fromUtf8(bytes); }
QByteArray TMemoField::TextToBytes(const QString& text) const { return text.toUtf8(); }

QString TMemoField::GetText(bool displayText) const
{
    if (displayText) return IsNull() ? QStringLiteral("(Memo)") : QStringLiteral("(MEMO)");
    return AsString();
}

TVariant TMemoField::AsVariant() const
{
    if (IsNull()) return TVariant::Null();
    return TVariant(AsString());
}

TGraphicField::TGraphicField(QObject* owner) : TBlobField(ftGraphic, owner) {}

// --- object fields ------------------------------------------------------------------------------

void TObjectField::AddChild(TField* field)
{
    if (std::find(children_.begin(), children_.end(), field) == children_.end()) children_.push_back(field);
}

void TObjectField::RemoveChild(TField* field)
{
    children_.erase(std::remove(children_.begin(), children_.end(), field), children_.end());
}

TADTField::TADTField(QObject* owner) : TObjectField(ftADT, 0, owner) {}
TArrayField::TArrayField(QObject* owner) : TObjectField(ftArray, 10, owner) {}

TField* CreateFieldOfType(TFieldType type, QObject* owner)
{
    switch (type) {
    case ftString: return new TStringField(owner);
    case ftFixedChar: {
        auto* f = new TStringField(owner);
        f->SetFixedChar(true);
        return f;
    }
    case ftWideString: return new TWideStringField(owner);
    case ftGuid: return new TGuidField(owner);
    case ftSmallint: return new TSmallintField(owner);
    case ftInteger: return new TIntegerField(owner);
    case ftWord: return new TWordField(owner);
    case ftAutoInc: return new TAutoIncField(owner);
    case ftLargeint: return new TLargeintField(owner);
    case ftBoolean: return new TBooleanField(owner);
    case ftFloat: return new TFloatField(owner);
    case ftCurrency: return new TCurrencyField(owner);
    case ftBCD: return new TBCDField(owner);
    case ftDate: return new TDateField(owner);
    case ftTime: return new TTimeField(owner);
    case ftDateTime: return new TDateTimeField(owner);
    case ftBytes: return new TBytesField(owner);
    case ftVarBytes: return new TVarBytesField(owner);
    case ftMemo: return new TMemoField(owner);
    case ftGraphic: return new TGraphicField(owner);
    case ftBlob: case ftFmtMemo: case ftParadoxOle: case ftDBaseOle: case ftTypedBinary: case ftOraBlob:
    case ftOraClob: {
        auto* f = new TBlobField(owner);
        f->SetBlobType(type);
        return f;
    }
    case ftADT: return new TADTField(owner);
    case ftArray: return new TArrayField(owner);
    default:
        throw EDatabaseError(QCoreApplication::translate("Toolkit", "Field type %1 is not supported").arg(FieldTypeName(type)));
    }
}

// --- TFields ------------------------------------------------------------------------------------

TField* TFields::Fields(int index) const { return ItemAt(fields_, index); }

void TFields::Add(TField* field)
{
    if (field == nullptr || IndexOf(field) >= 0) return;
    if (!field->FieldName().isEmpty() && FindField(field->FieldName()) != nullptr)
        FieldError(dataSet_, QCoreApplication::translate("Toolkit", "Duplicate field name '%1'").arg(field->FieldName()));
    fields_.push_back(field);
    ++generation_;
}

void TFields::Remove(TField* field)
{
    fields_.erase(std::remove(fields_.begin(), fields_.end(), field), fields_.end());
    ++generation_;
}

void TFields::Clear()
{
    fields_.clear();
    ++generation_;
}

int TFields::IndexOf(const TField* field) const
{
    for (size_t i = 0; i < fields_.size(); ++i)
        if (fields_[i] == field) return int(i);
    return -1;
}

TField* TFields::FindField(const QString& name) const
{
    for (TField* f : fields_)
        if (f->FieldName().compare(name, Qt::CaseInsensitive) == 0) return f;
    return nullptr;
}

TField* TFields::FieldByName(const QString& name) const
{
    TField* f = FindField(name);
    if (f == nullptr) FieldError(dataSet_, QCoreApplication::translate("Toolkit", DataSetMessages::FieldNotFound).arg(name));
    return f;
}

TField* TFields::FieldByNumber(int fieldNo) const
{
    for (TField* f : fields_)
        if (f->FieldNo() == fieldNo) return f;
    return nullptr;
}

void TFields::GetFieldNames(QStringList& names) const
{
    names.clear();
    for (TField* f : fields_) names.append(f->FieldName());
}

// --- field definitions --------------------------------------------------------------------------

TFieldDef::TFieldDef(TFieldDefs* owner, const QString& name, TFieldType type, int size, bool required, int fieldNo)
    : owner_(owner), name_(name), dataType_(type), size_(size), fieldNo_(fieldNo)
{
    SetRequired(required);
}

TFieldDefs& TFieldDef::ChildDefs()
{
    if (!childDefs_) childDefs_ = std::make_unique<TFieldDefs>(owner_ ? owner_->DataSet() : nullptr, this);
    return *childDefs_;
}

int TFieldDef::ChildCount() const { return childDefs_ ? childDefs_->Count() : 0; }

TField* TFieldDef::Field() const
{
    TDataSet* ds = owner_ ? owner_->DataSet() : nullptr;
    return ds ? ds->FindField(name_) : nullptr;
}

TField* TFieldDef::CreateField(QObject* owner, TObjectField* parent) const
{
    std::unique_ptr<TField> field(CreateFieldOfType(dataType_, owner));
    switch (dataType_) {
    case ftString: case ftFixedChar: case ftWideString: case ftBytes: case ftVarBytes: case ftBCD:
    case ftArray:
        field->SetSize(size_);
        break;
    default:
        break;
    }
    if (auto* bcd = dynamic_cast<TBCDField*>(field.get())) bcd->SetPrecision(precision_);
    field->SetFieldName(name_);
    field->SetRequired(Required());
    field->SetReadOnly(attributes_.testFlag(faReadonly));
    field->SetFieldNo(fieldNo_);
    if (internalCalc_) field->SetFieldKind(fkInternalCalc);
    TDataSet* ds = owner_ ? owner_->DataSet() : nullptr;
    if (parent != nullptr) {
        parent->AddChild(field.get());
    } else if (ds != nullptr) {
        field->SetDataSet(ds);
    }
    if (auto* object = dynamic_cast<TObjectField*>(field.get())) {
        if (childDefs_)
            for (int i = 0; i < childDefs_->Count(); ++i) childDefs_->Items(i)->CreateField(owner, object);
    }
    return field.release();
}

TFieldDefs::TFieldDefs(TDataSet* dataSet, TFieldDef* parent) : dataSet_(dataSet), parent_(parent) {}
TFieldDefs::~TFieldDefs() = default;

TFieldDef* TFieldDefs::Items(int index) const { return ItemAt(items_, index); }

TFieldDef* TFieldDefs::Add(const QString& name, TFieldType type, int size, bool required)
{
    if (name.isEmpty()) FieldError(dataSet_, QCoreApplication::translate("Toolkit", "Field name missing"));
    if (IndexOf(name) >= 0) FieldError(dataSet_, QCoreApplication::translate("Toolkit", "Duplicate field name '%1'").arg(name));
    items_.push_back(std::make_unique<TFieldDef>(this, name, type, size, required, Count() + 1));
    updated_ = false;
    return items_.back().get();
}

TFieldDef* TFieldDefs::AddFieldDef()
{
    items_.push_back(std::make_unique<TFieldDef>(this, QString(), ftUnknown, 0, false, Count() + 1));
    updated_ = false;
    return items_.back().get();
}

void TFieldDefs::Delete(int index)
{
    Items(index);
    items_.erase(items_.begin() + index);
    for (int i = index; i < Count(); ++i) items_[size_t(i)]->SetFieldNo(i + 1);
}

void TFieldDefs::Clear()
{
    items_.clear();
    updated_ = false;
}

int TFieldDefs::IndexOf(const QString& name) const { return IndexOfName(items_, name); }

TFieldDef* TFieldDefs::FindDef(const QString& name) const { return FindByName(items_, name); }

TFieldDef* TFieldDefs::Find(const QString& name) const
{
    TFieldDef* def = FindDef(name);
    if (def == nullptr) FieldError(dataSet_, QCoreApplication::translate("Toolkit", DataSetMessages::FieldNotFound).arg(name));
    return def;
}

void TFieldDefs::Assign(const TFieldDefs& source)
{
    if (&source == this) return;
    Clear();
    for (const auto& item : source.items_) {
        TFieldDef* def = Add(item->Name(), item->DataType(), item->Size(), item->Required());
        def->SetPrecision(item->Precision());
        def->SetAttributes(item->Attributes());
        def->SetFieldNo(item->FieldNo());
        def->SetInternalCalcField(item->InternalCalcField());
        if (item->ChildCount() > 0) def->ChildDefs().Assign(const_cast<TFieldDef&>(*item).ChildDefs());
    }
}

void TFieldDefs::Update()
{
    if (updated_ || dataSet_ == nullptr) return;
    dataSet_->InitFieldDefs();
    updated_ = true;
}

void TFieldDefs::GetItemNames(QStringList& names) const { GetNames(items_, names); }

// --- index definitions --------------------------------------------------------------------------

TIndexDef::TIndexDef(TIndexDefs* owner, const QString& name, const QString& fields, TIndexOptions options)
    : owner_(owner), name_(name), fields_(fields), options_(options)
{
}

void TIndexDef::SetExpression(const QString& text)
{
    fields_ = text;
    options_.setFlag(ixExpression, !text.isEmpty());
}

void TIndexDef::Assign(const TIndexDef& source)
{
    name_ = source.name_;
    fields_ = source.fields_;
    descFields_ = source.descFields_;
    caseInsFields_ = source.caseInsFields_;
    source_ = source.source_;
    options_ = source.options_;
    groupingLevel_ = source.groupingLevel_;
}

TIndexDefs::TIndexDefs(TDataSet* dataSet) : dataSet_(dataSet) {}
TIndexDefs::~TIndexDefs() = default;

TIndexDef* TIndexDefs::Items(int index) const { return ItemAt(items_, index); }

TIndexDef* TIndexDefs::Add(const QString& name, const QString& fields, TIndexOptions options)
{
    if (!name.isEmpty() && IndexOf(name) >= 0)
        FieldError(dataSet_, QCoreApplication::translate("Toolkit", "Duplicate index name '%1'").arg(name));
    items_.push_back(std::make_unique<TIndexDef>(this, name, fields, options));
    return items_.back().get();
}

TIndexDef* TIndexDefs::AddIndexDef()
{
    items_.push_back(std::make_unique<TIndexDef>(this, QString(), QString(), TIndexOptions()));
    return items_.back().get();
}

void TIndexDefs::Delete(int index)
{
    Items(index);
    items_.erase(items_.begin() + index);
}

void TIndexDefs::Clear() { items_.clear(); }

void TIndexDefs::Assign(const TIndexDefs& source)
{
    if (&source == this) return;
    Clear();
    for (const auto& item : source.items_) {
        items_.push_back(std::make_unique<TIndexDef>(this, QString(), QString(), TIndexOptions()));
        items_.back()->Assign(*item);
    }
}

int TIndexDefs::IndexOf(const QString& name) const { return IndexOfName(items_, name); }

TIndexDef* TIndexDefs::FindIndex(const QString& name) const { return FindByName(items_, name); }

TIndexDef* TIndexDefs::Find(const QString& name) const
{
    TIndexDef* def = FindIndex(name);
    if (def == nullptr) FieldError(dataSet_, QCoreApplication::translate("Toolkit", "Index '%1' not found").arg(name));
    return def;
}

TIndexDef* TIndexDefs::GetIndexForFields(const QString& fields, bool caseInsensitive) const
{
    const QStringList wanted = SplitFieldNames(fields);
    if (wanted.isEmpty()) return nullptr;
    for (const auto& item : items_) {
        if (item->Options().testFlag(ixExpression)) continue;
        if (caseInsensitive && !item->Options().testFlag(ixCaseInsensitive)) continue;
        const QStringList own = SplitFieldNames(item->Fields());
        if (own.size() < wanted.size()) continue;
        bool match = true;
        for (int i = 0; i < wanted.size() && match; ++i)
            match = own[i].compare(wanted[i], Qt::CaseInsensitive) == 0;
        if (match) return item.get();
    }
    return nullptr;
}

TIndexDef* TIndexDefs::FindIndexForFields(const QString& fields) const
{
    TIndexDef* def = GetIndexForFields(fields, false);
    if (def == nullptr) FieldError(dataSet_, QCoreApplication::translate("Toolkit", "No index for fields '%1'").arg(fields));
    return def;
}

void TIndexDefs::Update()
{
    if (updated_ || dataSet_ == nullptr) return;
    dataSet_->UpdateIndexDefs();
    updated_ = true;
}

void TIndexDefs::GetItemNames(QStringList& names) const { GetNames(items_, names); }

QStringList SplitFieldNames(const QString& names)
{
    QStringList out;
    for (const QString& piece : names.split(QLatin1Char(';'))) {
        const QString name = piece.trimmed();
        if (!name.isEmpty()) out.append(name);
    }
    return out;
}

void TField::Notification(TComponent* component, TOperation operation)
{
    TComponent::Notification(component, operation);
    if (operation == opRemove && component == lookupDataSet_) lookupDataSet_ = nullptr;
}
