#include "platform/toolkit/Filer.h"

#include "platform/os/CodePage1251.h"
#include "platform/toolkit/Component.h"
#include "platform/toolkit/Exceptions.h"
#include "platform/toolkit/Streams.h"

#include <QMetaObject>
#include <QtEndian>
#include <cmath>
#include <cstring>
#include <limits>

namespace {
constexpr quint64 kTopBit = quint64(1) << 63;
constexpr int kExtendedBias = 16383;
constexpr int kDoubleBias = 1023;

quint64 DoubleBits(double value)
{
    quint64 bits = 0;
    std::memcpy(&bits, &value, sizeof bits);
    return bits;
}

double BitsToDouble(quint64 bits)
{
    double value = 0;
    std::memcpy(&value, &bits, sizeof value);
    return value;
}

TExtended PackExtended(bool negative, int exponent, quint64 mantissa)
{
    TExtended out{};
    qToLittleEndian(mantissa, out.data());
    const quint16 signExp = quint16((negative ? 0x8000 : 0) | (exponent & 0x7FFF));
    qToLittleEndian(signExp, out.data() + 8);
    return out;
}

int HighestBit(quint64 v)
{
    int bit = -1;
    while (v) {
        v >>= 1;
        ++bit;
    }
    return bit;
}

// Rounds mantissa >> shift to nearest, ties to even.
quint64 ShiftRounded(quint64 mantissa, int shift)
{
    if (shift <= 0) return mantissa;
    if (shift > 64) return 0;
    const quint64 kept = shift == 64 ? 0 : mantissa >> shift;
    const quint64 rest = shift == 64 ? mantissa : mantissa & ((quint64(1) << shift) - 1);
    const quint64 half = quint64(1) << (shift - 1);
    if (rest > half || (rest == half && (kept & 1))) return kept + 1;
    return kept;
}

QByteArray ToUtf16Le(const QString& text)
{
    QByteArray bytes(text.size() * 2, Qt::Uninitialized);
    for (qsizetype i = 0; i < text.size(); ++i) qToLittleEndian(quint16(text.at(i).unicode()), bytes.data() + 2 * i);
    return bytes;
}

const QLatin1String kSignature("TPF0");
}  // namespace

TExtended DoubleToExtended(double value)
{
    const quint64 bits = DoubleBits(value);
    const bool negative = bits >> 63;
    const int exponent = int((bits >> 52) & 0x7FF);
    const quint64 fraction = bits & ((quint64(1) << 52) - 1);
    if (exponent == 0x7FF) {
        if (fraction == 0) return PackExtended(negative, 0x7FFF, kTopBit);
        return PackExtended(negative, 0x7FFF, kTopBit | (quint64(1) << 62) | (fraction << 11));
    }
    if (exponent == 0) {
        if (fraction == 0) return PackExtended(negative, 0, 0);
        // A subnormal double is a normal extended.
        const int top = HighestBit(fraction);
        return PackExtended(negative, top - 1074 + kExtendedBias, fraction << (63 - top));
    }
    return PackExtended(negative, exponent - kDoubleBias + kExtendedBias, kTopBit | (fraction << 11));
}

double ExtendedToDouble(const TExtended& bytes)
{
    quint64 mantissa = qFromLittleEndian<quint64>(bytes.data());
    const quint16 signExp = qFromLittleEndian<quint16>(bytes.data() + 8);
    const bool negative = signExp & 0x8000;
    const int exponent = signExp & 0x7FFF;
    const quint64 sign = negative ? kTopBit : 0;
    if (exponent == 0x7FFF) {
        if ((mantissa & ~kTopBit) == 0) return BitsToDouble(sign | (quint64(0x7FF) << 52));
        return BitsToDouble(sign | (quint64(0x7FF) << 52) | (quint64(1) << 51) | ((mantissa & ~kTopBit) >> 11));
    }
    if (mantissa == 0) return BitsToDouble(sign);
    // The value is mantissa * 2^(e - 63); normalise so the top bit is set.
    int e = (exponent == 0 ? 1 : exponent) - kExtendedBias;
    const int shiftUp = 63 - HighestBit(mantissa);
    mantissa <<= shiftUp;
    e -= shiftUp;
    if (e > kDoubleBias) return BitsToDouble(sign | (quint64(0x7FF) << 52));
    if (e >= -1022) {
        quint64 rounded = ShiftRounded(mantissa, 11);
        if (rounded >> 53) {
            rounded >>= 1;
            ++e;
            if (e > kDoubleBias) return BitsToDouble(sign | (quint64(0x7FF) << 52));
        }
        return BitsToDouble(sign | (quint64(e + kDoubleBias) << 52) | (rounded & ((quint64(1) << 52) - 1)));
    }
    // Subnormal: the fraction is value / 2^-1074; rounding up may reach the smallest normal,
    // which the same bit pattern expresses.
    const quint64 rounded = ShiftRounded(mantissa, 11 + (-1022 - e));
    return BitsToDouble(sign | rounded);
}

TFiler::TFiler(TStream& stream, int) : stream_(stream) {}

// ---- writer

void TWriter::WriteRaw(const void* data, qint64 count) { stream_.WriteBuffer(data, count); }

void TWriter::WriteShortBytes(const QByteArray& bytes)
{
    if (bytes.size() > 255) throw EWriteError(QStringLiteral("Name too long: %1").arg(QString::fromUtf8(bytes)));
    const quint8 length = quint8(bytes.size());
    WriteRaw(&length, 1);
    WriteRaw(bytes.constData(), bytes.size());
}

void TWriter::WriteSignature() { WriteRaw(kSignature.data(), kSignature.size()); }

void TWriter::WriteValue(TValueType type)
{
    const quint8 code = type;
    WriteRaw(&code, 1);
}

void TWriter::WriteInteger(qint64 value)
{
    uchar buffer[8];
    if (value >= -128 && value <= 127) {
        WriteValue(vaInt8);
        const qint8 v = qint8(value);
        WriteRaw(&v, 1);
    } else if (value >= -32768 && value <= 32767) {
        WriteValue(vaInt16);
        qToLittleEndian(qint16(value), buffer);
        WriteRaw(buffer, 2);
    } else if (value >= std::numeric_limits<qint32>::min() && value <= std::numeric_limits<qint32>::max()) {
        WriteValue(vaInt32);
        qToLittleEndian(qint32(value), buffer);
        WriteRaw(buffer, 4);
    } else {
        WriteValue(vaInt64);
        qToLittleEndian(value, buffer);
        WriteRaw(buffer, 8);
    }
}

void TWriter::WriteFloat(double value)
{
    WriteValue(vaExtended);
    const TExtended bytes = DoubleToExtended(value);
    WriteRaw(bytes.data(), qint64(bytes.size()));
}

void TWriter::WriteSingle(float value)
{
    WriteValue(vaSingle);
    uchar buffer[4];
    qToLittleEndian(value, buffer);
    WriteRaw(buffer, 4);
}

void TWriter::WriteCurrency(double value)
{
    WriteValue(vaCurrency);
    uchar buffer[8];
    qToLittleEndian(qint64(std::llround(value * 10000.0)), buffer);
    WriteRaw(buffer, 8);
}

void TWriter::WriteDate(double dayNumber)
{
    WriteValue(vaDate);
    uchar buffer[8];
    qToLittleEndian(dayNumber, buffer);
    WriteRaw(buffer, 8);
}

void TWriter::WriteString(const QString& value)
{
    bool ok = false;
    const QByteArray bytes = ToCp1251(value, &ok);
    if (ok) {
        WriteStringBytes(bytes);
        return;
    }
    WriteValue(vaWString);
    uchar buffer[4];
    qToLittleEndian(qint32(value.size()), buffer);
    WriteRaw(buffer, 4);
    const QByteArray utf16 = ToUtf16Le(value);
    WriteRaw(utf16.constData(), utf16.size());
}

void TWriter::WriteStringBytes(const QByteArray& bytes)
{
    if (bytes.size() < 256) {
        WriteValue(vaString);
        WriteShortBytes(bytes);
        return;
    }
    WriteValue(vaLString);
    uchar buffer[4];
    qToLittleEndian(qint32(bytes.size()), buffer);
    WriteRaw(buffer, 4);
    WriteRaw(bytes.constData(), bytes.size());
}

void TWriter::WriteIdent(const QString& ident)
{
    if (ident.compare(QLatin1String("False"), Qt::CaseInsensitive) == 0) WriteValue(vaFalse);
    else if (ident.compare(QLatin1String("True"), Qt::CaseInsensitive) == 0) WriteValue(vaTrue);
    else if (ident.compare(QLatin1String("nil"), Qt::CaseInsensitive) == 0) WriteValue(vaNil);
    else if (ident.compare(QLatin1String("Null"), Qt::CaseInsensitive) == 0) WriteValue(vaNull);
    else {
        WriteValue(vaIdent);
        WriteShortBytes(ToCp1251(ident));
    }
}

void TWriter::WriteBinary(const QByteArray& bytes)
{
    WriteValue(vaBinary);
    uchar buffer[4];
    qToLittleEndian(qint32(bytes.size()), buffer);
    WriteRaw(buffer, 4);
    WriteRaw(bytes.constData(), bytes.size());
}

void TWriter::WriteSet(const QStringList& members)
{
    WriteValue(vaSet);
    for (const QString& m : members) WriteShortBytes(ToCp1251(m));
    WriteShortBytes(QByteArray());
}

void TWriter::WritePropName(const QString& name) { WriteShortBytes(ToCp1251(name)); }

void TWriter::WriteVariant(const TVariant& value)
{
    switch (value.Type()) {
    case TVarType::Empty: WriteValue(vaNil); break;
    case TVarType::Null: WriteValue(vaNull); break;
    case TVarType::Boolean: WriteBoolean(value.AsBoolean()); break;
    case TVarType::Integer:
    case TVarType::Int64: WriteInteger(value.AsInt64()); break;
    case TVarType::Double: WriteFloat(value.AsFloat()); break;
    case TVarType::Currency: WriteCurrency(value.AsFloat()); break;
    case TVarType::Date: WriteDate(value.AsDateTime()); break;
    case TVarType::String: WriteString(value.AsString()); break;
    case TVarType::Bytes: WriteBinary(value.AsBytes()); break;
    case TVarType::Array:
        WriteListBegin();
        for (int i = value.ArrayLowBound(); i <= value.ArrayHighBound(); ++i) WriteVariant(value[i]);
        WriteListEnd();
        break;
    }
}

void TWriter::WriteCollection(int count, const std::function<void(TWriter&, int)>& writeItem)
{
    WriteValue(vaCollection);
    for (int i = 0; i < count; ++i) {
        WriteListBegin();
        writeItem(*this, i);
        WriteListEnd();
    }
    WriteListEnd();
}

void TWriter::WriteComponent(TComponent& component)
{
    TComponent* outer = Root();
    if (!outer) SetRoot(&component);
    WritePropName(QString::fromLatin1(component.metaObject()->className()));
    WritePropName(component.Name());
    component.DefineProperties(*this);
    WriteListEnd();
    WriteListEnd();
    if (!outer) SetRoot(nullptr);
}

void TWriter::WriteRootComponent(TComponent& component)
{
    WriteSignature();
    WriteComponent(component);
}

void TWriter::DefineProperty(const QString& name, const TReaderProc&, const TWriterProc& writeData, bool hasData)
{
    if (!hasData || !writeData) return;
    WritePropName(name);
    writeData(*this);
}

void TWriter::DefineBinaryProperty(const QString& name, const TStreamProc&, const TStreamProc& writeData,
                                   bool hasData)
{
    if (!hasData || !writeData) return;
    TMemoryStream data;
    writeData(data);
    WritePropName(name);
    WriteBinary(data.Bytes());
}

// ---- reader

void TReader::ReadRaw(void* data, qint64 count) { stream_.ReadBuffer(data, count); }

quint8 TReader::ReadByte()
{
    quint8 b = 0;
    ReadRaw(&b, 1);
    return b;
}

qint32 TReader::ReadInt32Raw()
{
    uchar buffer[4];
    ReadRaw(buffer, 4);
    return qFromLittleEndian<qint32>(buffer);
}

QByteArray TReader::ReadShortBytes()
{
    const int length = ReadByte();
    QByteArray bytes(length, Qt::Uninitialized);
    ReadRaw(bytes.data(), length);
    return bytes;
}

qint64 TReader::CheckedLength(qint64 length, int unitSize)
{
    if (length < 0) InvalidValue();
    // A damaged length must not make us allocate what the stream cannot hold.
    if (length * unitSize > stream_.Size() - stream_.Position()) throw EStreamError(QStringLiteral("Stream read error"));
    return length * unitSize;
}

void TReader::InvalidValue() { throw EReadError(QStringLiteral("Invalid property value")); }

void TReader::ReadSignature()
{
    char sig[4];
    if (stream_.Read(sig, 4) != 4 || QLatin1String(sig, 4) != kSignature)
        throw EFilerError(QStringLiteral("Invalid stream format"));
}

TValueType TReader::NextValue()
{
    const TValueType type = ReadValue();
    stream_.Seek(-1, soFromCurrent);
    return type;
}

TValueType TReader::ReadValue()
{
    const quint8 code = ReadByte();
    if (code > vaInt64) InvalidValue();
    return TValueType(code);
}

void TReader::CheckValue(TValueType expected)
{
    if (ReadValue() != expected) InvalidValue();
}

qint64 TReader::ReadInt64()
{
    uchar buffer[8];
    switch (ReadValue()) {
    case vaInt8: return qint8(ReadByte());
    case vaInt16: ReadRaw(buffer, 2); return qFromLittleEndian<qint16>(buffer);
    case vaInt32: return ReadInt32Raw();
    case vaInt64: ReadRaw(buffer, 8); return qFromLittleEndian<qint64>(buffer);
    default: InvalidValue();
    }
}

qint32 TReader::ReadInteger()
{
    const qint64 value = ReadInt64();
    if (value < std::numeric_limits<qint32>::min() || value > std::numeric_limits<qint32>::max()) InvalidValue();
    return qint32(value);
}

bool TReader::ReadBoolean()
{
    switch (ReadValue()) {
    case vaTrue: return true;
    case vaFalse: return false;
    default: InvalidValue();
    }
}

double TReader::ReadFloat()
{
    switch (NextValue()) {
    case vaExtended: {
        ReadValue();
        TExtended bytes;
        ReadRaw(bytes.data(), qint64(bytes.size()));
        return ExtendedToDouble(bytes);
    }
    case vaSingle: return ReadSingle();
    case vaCurrency: return ReadCurrency();
    case vaDate: return ReadDate();
    case vaInt8:
    case vaInt16:
    case vaInt32:
    case vaInt64: return double(ReadInt64());
    default:
        ReadValue();
        InvalidValue();
    }
}

float TReader::ReadSingle()
{
    CheckValue(vaSingle);
    uchar buffer[4];
    ReadRaw(buffer, 4);
    return qFromLittleEndian<float>(buffer);
}

double TReader::ReadCurrency()
{
    CheckValue(vaCurrency);
    uchar buffer[8];
    ReadRaw(buffer, 8);
    return double(qFromLittleEndian<qint64>(buffer)) / 10000.0;
}

double TReader::ReadDate()
{
    CheckValue(vaDate);
    uchar buffer[8];
    ReadRaw(buffer, 8);
    return qFromLittleEndian<double>(buffer);
}

QByteArray TReader::ReadStringBytes()
{
    switch (ReadValue()) {
    case vaString: return ReadShortBytes();
    case vaLString: {
        QByteArray bytes(CheckedLength(ReadInt32Raw(), 1), Qt::Uninitialized);
        ReadRaw(bytes.data(), bytes.size());
        return bytes;
    }
    default: InvalidValue();
    }
}

QString TReader::ReadString()
{
    if (NextValue() != vaWString) return FromCp1251(ReadStringBytes());
    ReadValue();
    const qint32 count = ReadInt32Raw();
    QByteArray bytes(CheckedLength(count, 2), Qt::Uninitialized);
    ReadRaw(bytes.data(), bytes.size());
    QString text(count, Qt::Uninitialized);
    for (qint32 i = 0; i < count; ++i) text[i] = QChar(qFromLittleEndian<quint16>(bytes.constData() + 2 * i));
    return text;
}

QString TReader::ReadIdent()
{
    switch (ReadValue()) {
    case vaIdent: return FromCp1251(ReadShortBytes());
    case vaFalse: return QStringLiteral("False");
    case vaTrue: return QStringLiteral("True");
    case vaNil: return QStringLiteral("nil");
    case vaNull: return QStringLiteral("Null");
    default: InvalidValue();
    }
}

QByteArray TReader::ReadBinary()
{
    CheckValue(vaBinary);
    QByteArray bytes(CheckedLength(ReadInt32Raw(), 1), Qt::Uninitialized);
    ReadRaw(bytes.data(), bytes.size());
    return bytes;
}

QStringList TReader::ReadSet()
{
    CheckValue(vaSet);
    QStringList members;
    for (;;) {
        const QByteArray name = ReadShortBytes();
        if (name.isEmpty()) return members;
        members.append(FromCp1251(name));
    }
}

QString TReader::ReadPropName() { return FromCp1251(ReadShortBytes()); }

TVariant TReader::ReadVariant()
{
    switch (NextValue()) {
    case vaNil: ReadValue(); return TVariant();
    case vaNull: ReadValue(); return TVariant::Null();
    case vaFalse:
    case vaTrue: return TVariant(ReadBoolean());
    case vaInt8:
    case vaInt16:
    case vaInt32: return TVariant(int(ReadInteger()));
    case vaInt64: return TVariant(ReadInt64());
    case vaExtended:
    case vaSingle: return TVariant(ReadFloat());
    case vaCurrency: return TVariant::FromCurrency(ReadCurrency());
    case vaDate: return TVariant::FromDate(ReadDate());
    case vaString:
    case vaLString:
    case vaWString: return TVariant(ReadString());
    case vaBinary: return TVariant(ReadBinary());
    case vaList: {
        ReadListBegin();
        std::vector<TVariant> items;
        while (!EndOfList()) items.push_back(ReadVariant());
        ReadListEnd();
        return TVariant::Array(std::move(items));
    }
    default: ReadValue(); InvalidValue();
    }
}

void TReader::ReadCollection(const std::function<void(TReader&, int)>& readItem)
{
    if (NextValue() == vaCollection) ReadValue();
    int index = 0;
    while (!EndOfList()) {
        // An item may carry its order as an integer before its list.
        const TValueType next = NextValue();
        if (next == vaInt8 || next == vaInt16 || next == vaInt32) ReadInteger();
        ReadListBegin();
        readItem(*this, index++);
        ReadListEnd();
    }
    ReadListEnd();
}

void TReader::SkipValue()
{
    uchar buffer[10];
    switch (ReadValue()) {
    case vaNull:
    case vaFalse:
    case vaTrue:
    case vaNil: return;
    case vaList:
        while (!EndOfList()) SkipValue();
        ReadListEnd();
        return;
    case vaInt8: ReadRaw(buffer, 1); return;
    case vaInt16: ReadRaw(buffer, 2); return;
    case vaInt32:
    case vaSingle: ReadRaw(buffer, 4); return;
    case vaInt64:
    case vaCurrency:
    case vaDate: ReadRaw(buffer, 8); return;
    case vaExtended: ReadRaw(buffer, 10); return;
    case vaString:
    case vaIdent: ReadShortBytes(); return;
    case vaLString:
    case vaBinary: stream_.Seek(CheckedLength(ReadInt32Raw(), 1), soFromCurrent); return;
    case vaWString: stream_.Seek(CheckedLength(ReadInt32Raw(), 2), soFromCurrent); return;
    case vaSet:
        while (!ReadShortBytes().isEmpty()) {}
        return;
    case vaCollection:
        while (!EndOfList()) {
            const TValueType next = NextValue();
            if (next == vaInt8 || next == vaInt16 || next == vaInt32) ReadInteger();
            ReadListBegin();
            while (!EndOfList()) {
                ReadPropName();
                SkipValue();
            }
            ReadListEnd();
        }
        ReadListEnd();
        return;
    }
}

void TReader::ReadComponent(TComponent& component)
{
    TComponent* outer = Root();
    if (!outer) SetRoot(&component);
    ReadPropName();  // the class name: the instance is given
    const QString name = ReadPropName();
    component.BeginLoading();
    if (!name.isEmpty()) component.SetName(name);
    while (!EndOfList()) {
        propName_ = ReadPropName();
        propHandled_ = false;
        component.DefineProperties(*this);
        if (!propHandled_)
            throw EReadError(QStringLiteral("Error reading %1.%2: Property %2 does not exist")
                                 .arg(component.Name(), propName_));
    }
    ReadListEnd();
    // Child components are never streamed.
    if (!EndOfList()) throw EFilerError(QStringLiteral("Invalid stream format"));
    ReadListEnd();
    propName_.clear();
    component.Loaded();
    if (!outer) SetRoot(nullptr);
}

void TReader::ReadRootComponent(TComponent& component)
{
    ReadSignature();
    ReadComponent(component);
}

void TReader::DefineProperty(const QString& name, const TReaderProc& readData, const TWriterProc&, bool)
{
    if (propHandled_ || !readData || name.compare(propName_, Qt::CaseInsensitive) != 0) return;
    propHandled_ = true;
    readData(*this);
}

void TReader::DefineBinaryProperty(const QString& name, const TStreamProc& readData, const TStreamProc&, bool)
{
    if (propHandled_ || !readData || name.compare(propName_, Qt::CaseInsensitive) != 0) return;
    propHandled_ = true;
    TMemoryStream data(ReadBinary());
    readData(data);
}
