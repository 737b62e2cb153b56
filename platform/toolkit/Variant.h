#pragma once
// The class library's variant: a value of one of a few kinds, or Empty (never assigned), or Null
// (assigned "no value"). Arrays hold variants and keep their low bound.

#include <QByteArray>
#include <QString>
#include <memory>
#include <variant>
#include <vector>

enum class TVarType { Empty, Null, Boolean, Integer, Int64, Double, Currency, Date, String, Bytes, Array };

class TVariant {
public:
    TVariant() = default;  // Empty
    TVariant(bool v) : value_(v) {}
    TVariant(int v) : value_(qint32(v)) {}
    TVariant(qint64 v) : value_(v) {}
    TVariant(double v) : value_(v) {}
    TVariant(const QString& v) : value_(v) {}
    TVariant(QString&& v) : value_(std::move(v)) {}
    TVariant(const char* v) : value_(QString::fromUtf8(v)) {}
    TVariant(const QByteArray& v) : value_(v) {}
    TVariant(QByteArray&& v) : value_(std::move(v)) {}

    static TVariant Null();
    static TVariant FromDate(double dayNumber);
    static TVariant FromCurrency(double amount);
    // A one-dimensional array with bounds low .. low + size - 1.
    static TVariant Array(std::vector<TVariant> items, int lowBound = 0);

    TVarType Type() const;
    QString TypeName() const;
    bool IsEmpty() const { return Type() == TVarType::Empty; }
    bool IsNull() const { return Type() == TVarType::Null; }
    // Empty or Null: no value at all.
    bool IsClear() const { return IsEmpty() || IsNull(); }
    bool IsArray() const { return Type() == TVarType::Array; }
    bool IsNumeric() const;
    bool IsText() const { return Type() == TVarType::String; }

    // Conversions raise EVariantError when the value cannot become the type; Null and Empty
    // raise too except for AsString (empty text) and AsVariantOr.
    bool AsBoolean() const;
    qint32 AsInteger() const;
    qint64 AsInt64() const;
    double AsFloat() const;
    double AsDateTime() const;
    QString AsString() const;
    QByteArray AsBytes() const;

    int ArrayLowBound() const;
    int ArrayHighBound() const;
    int ArrayCount() const;
    // Element by its index within the bounds.
    const TVariant& operator[](int index) const;
    TVariant& operator[](int index);

    // Same kind and value; numbers of different kinds compare by value; Null equals Null.
    bool operator==(const TVariant& other) const;
    bool operator!=(const TVariant& other) const { return !(*this == other); }

private:
    struct NullTag {
        bool operator==(const NullTag&) const { return true; }
    };
    struct CurrencyValue {
        double v;
        bool operator==(const CurrencyValue&) const = default;
    };
    struct DateValue {
        double v;
        bool operator==(const DateValue&) const = default;
    };
    struct ArrayValue {
        std::shared_ptr<std::vector<TVariant>> items;
        int low = 0;
        bool operator==(const ArrayValue& o) const { return low == o.low && *items == *o.items; }
    };
    std::variant<std::monostate, NullTag, bool, qint32, qint64, double, CurrencyValue, DateValue, QString,
                 QByteArray, ArrayValue>
        value_;

    [[noreturn]] void ConversionFailed(const char* target) const;
    void DetachArray();
};

// Null when the variant holds no value, else the variant itself.
inline bool VarIsNull(const TVariant& v) { return v.IsNull(); }
inline bool VarIsEmpty(const TVariant& v) { return v.IsEmpty(); }
inline bool VarIsClear(const TVariant& v) { return v.IsClear(); }
