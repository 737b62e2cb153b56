#include "dataaccess/DaoRecordBuffer.h"

#include "dataaccess/DaoSupport.h"
#include "platform/toolkit/DateTime.h"
#include "platform/toolkit/Exceptions.h"
#include "platform/toolkit/Fields.h"

#include <QCoreApplication>
#include <algorithm>
#include <cmath>
#include <cstring>

// --- texts -------------------------------------------------------------------------------------------

void TDaoRecordTexts::Resize(size_t count)
{
    text_.resize(count);
    value_.resize(count);
    mark.resize(count, false);
}

void TDaoRecordTexts::Reset(size_t count)
{
    text_.assign(count, QString());
    value_.assign(count, TVariant());
    mark.assign(count, false);
}

const QString& TDaoRecordTexts::Text(size_t index)
{
    if (!value_[index].IsEmpty()) {
        text_[index] = daorecord::EngineValueText(value_[index]);
        value_[index] = TVariant();
    }
    return text_[index];
}

void TDaoRecordTexts::SetText(size_t index, QString text)
{
    text_[index] = std::move(text);
    value_[index] = TVariant();
}

void TDaoRecordTexts::SetValue(size_t index, const TVariant& value)
{
    text_[index].clear();
    value_[index] = value;
}

namespace daorecord {

namespace {

// True when the double reads back unchanged from its FloatToStr text: some decimal of at most
// the 15 digits that text keeps reads as this very double (m / 10^k is correctly rounded, both
// being exact), and then that decimal is the text's value.
bool FloatTextKeepsValue(double value)
{
    constexpr double kLimit = 1e15;
    double scale = 1;
    for (int k = 0; k <= 22 && std::fabs(value) * scale < kLimit; ++k, scale *= 10) {
        const double m = std::nearbyint(value * scale);
        if (std::fabs(m) < kLimit && m / scale == value)
            return true;
    }
    return false;
}

QString Encrypted(const QString& text, const std::function<QString(const QString&)>& encrypt)
{
    return encrypt ? encrypt(text) : text;
}

// The native data of an integer field type.
void WriteInteger(TFieldType type, qint64 v, void* buffer)
{
    if (type == ftSmallint)
        *static_cast<qint16*>(buffer) = qint16(v);
    else if (type == ftWord)
        *static_cast<quint16*>(buffer) = quint16(v);
    else if (type == ftLargeint)
        *static_cast<qint64*>(buffer) = v;
    else
        *static_cast<qint32*>(buffer) = qint32(v);
}

// The native data of a date, time or date-time field type.
void WriteStamp(TFieldType type, const TTimeStamp& stamp, void* buffer)
{
    if (type == ftDate)
        *static_cast<qint32*>(buffer) = stamp.Date;
    else if (type == ftTime)
        *static_cast<qint32*>(buffer) = stamp.Time;
    else
        *static_cast<double*>(buffer) = double(stamp.Date) * MSecsPerDay + stamp.Time;
}

}  // namespace

// --- buffers -----------------------------------------------------------------------------------------

TDaoRecordHeader* Header(TRecordBuffer buffer) { return reinterpret_cast<TDaoRecordHeader*>(buffer); }

char* CalcArea(TRecordBuffer buffer) { return buffer + sizeof(TDaoRecordHeader); }

int BufferSize(int calcFieldsSize) { return int(sizeof(TDaoRecordHeader)) + calcFieldsSize; }

TRecordBuffer AllocBuffer(int calcFieldsSize, int fieldCount)
{
    const int size = BufferSize(calcFieldsSize);
    auto* buffer = static_cast<char*>(::operator new(size_t(size)));
    std::memset(buffer, 0, size_t(size));
    auto* texts = new TDaoRecordTexts;
    texts->Resize(size_t(fieldCount));
    Header(buffer)->texts = texts;
    return buffer;
}

void FreeBuffer(TRecordBuffer& buffer)
{
    if (!buffer)
        return;
    delete Header(buffer)->texts;
    ::operator delete(buffer);
    buffer = nullptr;
}

void CopyBuffer(TRecordBuffer target, TRecordBuffer source, int calcFieldsSize)
{
    TDaoRecordTexts* own = Header(target)->texts;
    std::memcpy(target, source, size_t(BufferSize(calcFieldsSize)));
    if (!own)
        own = new TDaoRecordTexts;
    *own = *Header(source)->texts;
    Header(target)->texts = own;
}

// --- conversions -------------------------------------------------------------------------------------

bool IsGuidField(const TField* field)
{
    if (field->DataType() != ftBytes || !field->DataSet())
        return false;
    const TFieldDef* def = field->DataSet()->FieldDefs().FindDef(field->FieldName());
    return def && def->Precision() == kGuidMarker;
}

QString GuidFieldText(const QByteArray& bytes)
{
    const QString guid = GuidBytesToText(bytes);
    return guid.isEmpty() ? QString() : QStringLiteral("{guid ") + guid + QLatin1Char('}');
}

QString StripGuidText(QString text)
{
    if (text.startsWith(QLatin1String("{guid ")))
        text.remove(0, 6);
    if (text.endsWith(QLatin1String("}}")))
        text.chop(1);
    return text;
}

QString EngineValueText(const TVariant& value)
{
    switch (value.Type()) {
    case TVarType::Date:
        return DateTimeToStampText(value.AsDateTime());
    case TVarType::Boolean:
        return value.AsBoolean() ? QStringLiteral("True") : QStringLiteral("False");
    case TVarType::Double:
    case TVarType::Currency:
        return FloatToStr(value.AsFloat());
    default:
        return value.AsString();
    }
}

bool KeptAsValue(TVarType type)
{
    switch (type) {
    case TVarType::Boolean:
    case TVarType::Integer:
    case TVarType::Int64:
    case TVarType::Double:
    case TVarType::Currency:
    case TVarType::Date:
        return true;
    default:
        return false;
    }
}

bool ValueFieldData(TFieldType type, const TVariant& value, void* buffer)
{
    const TVarType kind = value.Type();
    switch (type) {
    case ftSmallint:
    case ftInteger:
    case ftAutoInc:
    case ftWord:
    case ftLargeint: {
        if (kind != TVarType::Integer && kind != TVarType::Int64)
            return false;
        WriteInteger(type, value.AsInt64(), buffer);
        return true;
    }
    case ftBoolean:
        if (kind != TVarType::Boolean)
            return false;
        *static_cast<qint16*>(buffer) = value.AsBoolean() ? 1 : 0;
        return true;
    case ftFloat:
    case ftCurrency: {
        if (kind != TVarType::Double && kind != TVarType::Currency)
            return false;
        const double v = value.AsFloat();
        if (v != 0 && !FloatTextKeepsValue(v))
            return false;
        *static_cast<double*>(buffer) = v == 0 ? 0.0 : v;
        return true;
    }
    case ftDate:
    case ftTime:
    case ftDateTime: {
        if (kind != TVarType::Date)
            return false;
        const TTimeStamp stamp = DateTimeToTimeStamp(value.AsDateTime());
        if (stamp.Date < 1 || stamp.Time < 0 || stamp.Time >= MSecsPerDay)
            return false;
        WriteStamp(type, stamp, buffer);
        return true;
    }
    default:
        return false;
    }
}

bool TextFieldData(TFieldType type, int size, bool guid, const QString& text, void* buffer)
{
    if (text.isEmpty())
        return false;
    switch (type) {
    case ftString:
    case ftFixedChar:
    case ftWideString:
    case ftGuid: {
        const int length = std::min<int>(int(text.size()), size);
        auto* out = static_cast<char16_t*>(buffer);
        std::memcpy(out, text.utf16(), size_t(length) * sizeof(char16_t));
        out[length] = 0;
        return true;
    }
    case ftSmallint:
    case ftInteger:
    case ftAutoInc:
    case ftWord:
    case ftLargeint: {
        qint64 v = 0;
        if (!TextToInteger(text, v))
            return false;
        WriteInteger(type, v, buffer);
        return true;
    }
    case ftBoolean: {
        bool v = false;
        if (!TextToBoolean(text, v))
            return false;
        *static_cast<qint16*>(buffer) = v ? 1 : 0;
        return true;
    }
    case ftFloat:
    case ftCurrency: {
        double v = 0;
        if (!TextToFloat(text, v))
            return false;
        *static_cast<double*>(buffer) = v;
        return true;
    }
    case ftDate:
    case ftTime:
    case ftDateTime: {
        TTimeStamp stamp;
        if (!TextToTimeStamp(text, stamp))
            return false;
        WriteStamp(type, stamp, buffer);
        return true;
    }
    case ftBytes: {
        if (guid) {
            const QByteArray bytes = GuidTextToBytes(StripGuidText(text).toUpper());
            if (bytes.isEmpty())
                throw EConvertError(QCoreApplication::translate("DataAccess", "'%1' is not a valid GUID value").arg(text));
            std::memcpy(buffer, bytes.constData(), 16);
            return true;
        }
        const QByteArray bytes = text.toLatin1();
        const int dataSize = FieldDataSize(type, size);
        std::memset(buffer, 0, size_t(dataSize));
        std::memcpy(buffer, bytes.constData(), size_t(std::min<int>(dataSize, int(bytes.size()))));
        return true;
    }
    default:
        return false;
    }
}

QString FieldDataText(TFieldType type, int size, bool guid, const void* buffer)
{
    QString text;
    if (buffer) {
        switch (type) {
        case ftString:
        case ftFixedChar:
        case ftWideString:
        case ftGuid:
            text = QString::fromUtf16(static_cast<const char16_t*>(buffer));
            break;
        case ftSmallint: text = QString::number(*static_cast<const qint16*>(buffer)); break;
        case ftWord: text = QString::number(*static_cast<const quint16*>(buffer)); break;
        case ftInteger:
        case ftAutoInc: text = QString::number(*static_cast<const qint32*>(buffer)); break;
        case ftLargeint: text = QString::number(*static_cast<const qint64*>(buffer)); break;
        case ftBoolean:
            text = *static_cast<const qint16*>(buffer) == 0 ? QStringLiteral("False") : QStringLiteral("True");
            break;
        case ftFloat:
        case ftCurrency: text = FloatToStr(*static_cast<const double*>(buffer)); break;
        case ftDate: text = TimeStampToText(TTimeStamp{0, *static_cast<const qint32*>(buffer)}); break;
        case ftTime: text = TimeStampToText(TTimeStamp{*static_cast<const qint32*>(buffer), DateDelta}); break;
        case ftDateTime: {
            const double ms = *static_cast<const double*>(buffer);
            const qint64 total = qint64(std::llround(ms));
            text = TimeStampToText(TTimeStamp{int(total % MSecsPerDay), int(total / MSecsPerDay)});
            break;
        }
        case ftBytes:
            if (guid)
                text = GuidFieldText(QByteArray(static_cast<const char*>(buffer), 16));
            else
                text = QString::fromLatin1(static_cast<const char*>(buffer), FieldDataSize(type, size));
            break;
        default:
            break;
        }
    }
    return text;
}

TVariant TextToEngineValue(TFieldType type, bool guidColumn, const QString& text,
                           const std::function<QString(const QString&)>& encrypt)
{
    if (text.isEmpty())
        return TVariant::Null();
    switch (type) {
    case ftDate:
    case ftTime:
    case ftDateTime: {
        const TVariant v = StringToTimeStampVariant(text);
        if (v.IsNull())
            throw EConvertError(QCoreApplication::translate("Toolkit", "'%1' is not a valid date").arg(text));
        return v;
    }
    case ftBoolean: {
        bool b = false;
        if (!TextToBoolean(text, b))
            throw EConvertError(QCoreApplication::translate("Toolkit", "'%1' is not a valid boolean value").arg(text));
        return TVariant(b);
    }
    case ftBytes:
        if (guidColumn)
            return TVariant(GuidTextToBytes(StripGuidText(text)));
        return TVariant(text.toLatin1());
    case ftMemo:
    case ftFmtMemo:
        return TVariant(Encrypted(text, encrypt));
    case ftBlob:
    case ftGraphic:
    case ftTypedBinary:
        return TVariant(Encrypted(text, encrypt).toLatin1());
    case ftString:
        return TVariant(Encrypted(text, encrypt));
    default:
        return TVariant(text);
    }
}

}  // namespace daorecord
