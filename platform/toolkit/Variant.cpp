#include "platform/toolkit/Variant.h"

#include "platform/toolkit/DateTime.h"
#include "platform/toolkit/Exceptions.h"

#include <QCoreApplication>
#include <cmath>
#include <limits>

TVariant TVariant::Null()
{
    TVariant v;
    v.value_ = NullTag{};
    return v;
}

TVariant TVariant::FromDate(double dayNumber)
{
    TVariant v;
    v.value_ = DateValue{dayNumber};
    return v;
}

TVariant TVariant::FromCurrency(double amount)
{
    TVariant v;
    v.value_ = CurrencyValue{amount};
    return v;
}

TVariant TVariant::Array(std::vector<TVariant> items, int lowBound)
{
    TVariant v;
    v.value_ = ArrayValue{std::make_shared<std::vector<TVariant>>(std::move(items)), lowBound};
    return v;
}

TVarType TVariant::Type() const
{
    static constexpr TVarType kinds[] = {TVarType::Empty,    TVarType::Null,   TVarType::Boolean, TVarType::Integer,
                                         TVarType::Int64,    TVarType::Double, TVarType::Currency, TVarType::Date,
                                         TVarType::String,   TVarType::Bytes,  TVarType::Array};
    return kinds[value_.index()];
}

QString TVariant::TypeName() const
{
    static const char* names[] = {"Empty", "Null",     "Boolean", "Integer", "Int64", "Double",
                                  "Currency", "Date",  "String",  "Bytes",   "Array"};
    return QString::fromLatin1(names[value_.index()]);
}

bool TVariant::IsNumeric() const
{
    switch (Type()) {
    case TVarType::Integer:
    case TVarType::Int64:
    case TVarType::Double:
    case TVarType::Currency:
        return true;
    default:
        return false;
    }
}

void TVariant::ConversionFailed(const char* target) const
{
    throw EVariantError(QCoreApplication::translate("Toolkit", "Could not convert variant of type (%1) into type (%2)")
                            .arg(TypeName(), QString::fromLatin1(target)));
}

namespace {
bool ParseNumber(const QString& text, double& out)
{
    bool ok = false;
    QString t = text.trimmed();
    out = t.toDouble(&ok);
    if (!ok && t.contains(QLatin1Char(','))) out = QString(t).replace(QLatin1Char(','), QLatin1Char('.')).toDouble(&ok);
    return ok;
}
}  // namespace

bool TVariant::AsBoolean() const
{
    switch (Type()) {
    case TVarType::Boolean: return std::get<bool>(value_);
    case TVarType::Integer:
    case TVarType::Int64:
    case TVarType::Double:
    case TVarType::Currency:
    case TVarType::Date: return AsFloat() != 0.0;
    case TVarType::String: {
        const QString t = std::get<QString>(value_).trimmed();
        if (t.compare(QLatin1String("true"), Qt::CaseInsensitive) == 0) return true;
        if (t.compare(QLatin1String("false"), Qt::CaseInsensitive) == 0) return false;
        double d;
        if (ParseNumber(t, d)) return d != 0.0;
        break;
    }
    default: break;
    }
    ConversionFailed("Boolean");
}

qint64 TVariant::AsInt64() const
{
    switch (Type()) {
    case TVarType::Boolean: return std::get<bool>(value_) ? -1 : 0;
    case TVarType::Integer: return std::get<qint32>(value_);
    case TVarType::Int64: return std::get<qint64>(value_);
    case TVarType::Double:
    case TVarType::Currency:
    case TVarType::Date:
    case TVarType::String: {
        double d = AsFloat();
        // Banker's rounding, as the variant conversions of the class library round.
        double r = std::nearbyint(d);
        if (!std::isfinite(r) || r < double(std::numeric_limits<qint64>::min()) ||
            r > double(std::numeric_limits<qint64>::max()))
            break;
        return qint64(r);
    }
    default: break;
    }
    ConversionFailed("Int64");
}

qint32 TVariant::AsInteger() const
{
    if (Type() == TVarType::Integer) return std::get<qint32>(value_);
    qint64 v;
    try {
        v = AsInt64();
    } catch (const EVariantError&) {
        ConversionFailed("Integer");
    }
    if (v < std::numeric_limits<qint32>::min() || v > std::numeric_limits<qint32>::max()) ConversionFailed("Integer");
    return qint32(v);
}

double TVariant::AsFloat() const
{
    switch (Type()) {
    case TVarType::Boolean: return std::get<bool>(value_) ? -1.0 : 0.0;
    case TVarType::Integer: return std::get<qint32>(value_);
    case TVarType::Int64: return double(std::get<qint64>(value_));
    case TVarType::Double: return std::get<double>(value_);
    case TVarType::Currency: return std::get<CurrencyValue>(value_).v;
    case TVarType::Date: return std::get<DateValue>(value_).v;
    case TVarType::String: {
        double d;
        if (ParseNumber(std::get<QString>(value_), d)) return d;
        break;
    }
    default: break;
    }
    ConversionFailed("Double");
}

double TVariant::AsDateTime() const
{
    if (Type() == TVarType::String) {
        double d;
        if (TryStrToDateTime(std::get<QString>(value_), d)) return d;
        ConversionFailed("Date");
    }
    if (Type() == TVarType::Boolean) ConversionFailed("Date");
    try {
        return AsFloat();
    } catch (const EVariantError&) {
        ConversionFailed("Date");
    }
}

QString TVariant::AsString() const
{
    switch (Type()) {
    case TVarType::Empty:
    case TVarType::Null: return QString();
    case TVarType::Boolean: return std::get<bool>(value_) ? QStringLiteral("True") : QStringLiteral("False");
    case TVarType::Integer: return QString::number(std::get<qint32>(value_));
    case TVarType::Int64: return QString::number(std::get<qint64>(value_));
    case TVarType::Double: return FloatToStr(std::get<double>(value_));
    case TVarType::Currency: return FloatToStr(std::get<CurrencyValue>(value_).v);
    case TVarType::Date: return DateTimeToStr(std::get<DateValue>(value_).v);
    case TVarType::String: return std::get<QString>(value_);
    case TVarType::Bytes: return QString::fromLatin1(std::get<QByteArray>(value_));
    case TVarType::Array: break;
    }
    ConversionFailed("String");
}

QByteArray TVariant::AsBytes() const
{
    switch (Type()) {
    case TVarType::Bytes: return std::get<QByteArray>(value_);
    case TVarType::String: return std::get<QString>(value_).toUtf8();
    case TVarType::Array: {
        QByteArray out;
        for (const TVariant& item : *std::get<ArrayValue>(value_).items) out.append(char(item.AsInteger()));
        return out;
    }
    default: break;
    }
    ConversionFailed("Bytes");
}

int TVariant::ArrayLowBound() const
{
    if (!IsArray()) ConversionFailed("Array");
    return std::get<ArrayValue>(value_).low;
}

int TVariant::ArrayHighBound() const { return ArrayLowBound() + ArrayCount() - 1; }

int TVariant::ArrayCount() const
{
    if (!IsArray()) ConversionFailed("Array");
    return int(std::get<ArrayValue>(value_).items->size());
}

const TVariant& TVariant::operator[](int index) const
{
    const int low = ArrayLowBound();
    const auto& items = *std::get<ArrayValue>(value_).items;
    if (index < low || index - low >= int(items.size())) throw EVariantError(QCoreApplication::translate("Toolkit", "Variant array index out of bounds"));
    return items[size_t(index - low)];
}

void TVariant::DetachArray()
{
    auto& a = std::get<ArrayValue>(value_);
    if (a.items.use_count() > 1) a.items = std::make_shared<std::vector<TVariant>>(*a.items);
}

TVariant& TVariant::operator[](int index)
{
    const int low = ArrayLowBound();
    DetachArray();
    auto& items = *std::get<ArrayValue>(value_).items;
    if (index < low || index - low >= int(items.size())) throw EVariantError(QCoreApplication::translate("Toolkit", "Variant array index out of bounds"));
    return items[size_t(index - low)];
}

bool TVariant::operator==(const TVariant& other) const
{
    if (IsNumeric() && other.IsNumeric()) return AsFloat() == other.AsFloat();
    if (value_.index() != other.value_.index()) return false;
    return value_ == other.value_;
}
