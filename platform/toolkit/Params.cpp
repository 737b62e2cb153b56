#include "platform/toolkit/Params.h"

#include "platform/toolkit/Exceptions.h"

#include <QCoreApplication>

namespace {

TFieldType TypeOfVariant(const TVariant& value)
{
    switch (value.Type()) {
    case TVarType::Boolean: return ftBoolean;
    case TVarType::Integer: return ftInteger;
    case TVarType::Int64: return ftLargeint;
    case TVarType::Double: return ftFloat;
    case TVarType::Currency: return ftCurrency;
    case TVarType::Date: return ftDateTime;
    case TVarType::String: return ftString;
    case TVarType::Bytes: return ftBytes;
    default: return ftUnknown;
    }
}

bool IsNameChar(QChar c) { return c.isLetterOrNumber() || c == QLatin1Char('_'); }

}  // namespace

// --- TParam ---------------------------------------------------------------------------------------

TParam::TParam(TParams* owner, const QString& name, TParamType paramType)
    : owner_(owner), name_(name), paramType_(paramType)
{
}

void TParam::SetValue(const TVariant& value)
{
    if (dataType_ == ftUnknown) dataType_ = TypeOfVariant(value);
    value_ = value.IsEmpty() ? TVariant::Null() : value;
    bound_ = true;
}

void TParam::Clear() { value_ = TVariant::Null(); }

QString TParam::AsString() const { return value_.IsClear() ? QString() : value_.AsString(); }

void TParam::SetAsString(const QString& value)
{
    dataType_ = ftString;
    SetValue(TVariant(value));
}

qint32 TParam::AsInteger() const { return value_.AsInteger(); }

void TParam::SetAsInteger(qint32 value)
{
    dataType_ = ftInteger;
    SetValue(TVariant(int(value)));
}

void TParam::SetAsSmallInt(qint32 value)
{
    dataType_ = ftSmallint;
    SetValue(TVariant(int(value)));
}

void TParam::SetAsWord(qint32 value)
{
    dataType_ = ftWord;
    SetValue(TVariant(int(value)));
}

double TParam::AsFloat() const { return value_.AsFloat(); }

void TParam::SetAsFloat(double value)
{
    dataType_ = ftFloat;
    SetValue(TVariant(value));
}

void TParam::SetAsCurrency(double value)
{
    dataType_ = ftCurrency;
    SetValue(TVariant::FromCurrency(value));
}

bool TParam::AsBoolean() const { return value_.AsBoolean(); }

void TParam::SetAsBoolean(bool value)
{
    dataType_ = ftBoolean;
    SetValue(TVariant(value));
}

TDateTime TParam::AsDateTime() const { return value_.AsDateTime(); }

void TParam::SetAsDateTime(TDateTime value)
{
    dataType_ = ftDateTime;
    SetValue(TVariant::FromDate(value));
}

void TParam::SetAsDate(TDateTime value)
{
    dataType_ = ftDate;
    SetValue(TVariant::FromDate(value));
}

void TParam::SetAsTime(TDateTime value)
{
    dataType_ = ftTime;
    SetValue(TVariant::FromDate(value));
}

QByteArray TParam::AsBytes() const { return value_.IsClear() ? QByteArray() : value_.AsBytes(); }

void TParam::SetAsBytes(const QByteArray& value)
{
    dataType_ = ftBytes;
    SetValue(TVariant(value));
}

qint64 TParam::AsLargeInt() const { return value_.AsInt64(); }

void TParam::SetAsLargeInt(qint64 value)
{
    dataType_ = ftLargeint;
    SetValue(TVariant(value));
}

void TParam::AssignField(const TField* field)
{
    if (field == nullptr) return;
    dataType_ = field->DataType();
    if (name_.isEmpty()) name_ = field->FieldName();
    SetValue(field->IsNull() ? TVariant::Null() : field->AsVariant());
}

void TParam::AssignFieldValue(const TField* field, const TVariant& value)
{
    if (field != nullptr) dataType_ = field->DataType();
    SetValue(value);
}

void TParam::Assign(const TParam& source)
{
    name_ = source.name_;
    dataType_ = source.dataType_;
    paramType_ = source.paramType_;
    value_ = source.value_;
    bound_ = source.bound_;
}

// --- TParams --------------------------------------------------------------------------------------

TParam* TParams::Items(int index) const
{
    if (index < 0 || index >= Count()) throw EListError(QStringLiteral("List index out of bounds (%1)").arg(index));
    return items_[size_t(index)].get();
}

TParam* TParams::CreateParam(TFieldType type, const QString& name, TParamType paramType)
{
    auto param = std::make_unique<TParam>(this, name, paramType);
    param->SetDataType(type);
    return AddParam(std::move(param));
}

TParam* TParams::AddParam(std::unique_ptr<TParam> param)
{
    items_.push_back(std::move(param));
    return items_.back().get();
}

void TParams::RemoveParam(TParam* param)
{
    items_.erase(std::remove_if(items_.begin(), items_.end(), [param](const auto& p) { return p.get() == param; }),
                 items_.end());
}

void TParams::Clear() { items_.clear(); }

TParam* TParams::FindParam(const QString& name) const
{
    for (const auto& p : items_)
        if (p->Name().compare(name, Qt::CaseInsensitive) == 0) return p.get();
    return nullptr;
}

TParam* TParams::ParamByName(const QString& name) const
{
    TParam* p = FindParam(name);
    if (p == nullptr) throw EDatabaseError(QCoreApplication::translate("Toolkit", "Parameter '%1' not found").arg(name));
    return p;
}

void TParams::AssignValues(const TParams& source)
{
    for (const auto& own : items_) {
        const TParam* other = source.FindParam(own->Name());
        if (other == nullptr) continue;
        own->SetDataType(other->DataType());
        own->SetParamType(other->ParamType());
        own->SetValue(other->Value());
        own->SetBound(other->Bound());
    }
}

void TParams::Assign(const TParams& source)
{
    if (&source == this) return;
    Clear();
    for (const auto& p : source.items_) {
        auto copy = std::make_unique<TParam>(this);
        copy->Assign(*p);
        items_.push_back(std::move(copy));
    }
}

bool TParams::IsEqual(const TParams& other) const
{
    if (Count() != other.Count()) return false;
    for (int i = 0; i < Count(); ++i) {
        const TParam* a = Items(i);
        const TParam* b = other.Items(i);
        if (a->Name() != b->Name() || a->DataType() != b->DataType() || a->ParamType() != b->ParamType() ||
            a->Value() != b->Value())
            return false;
    }
    return true;
}

TVariant TParams::ParamValues(const QString& names) const
{
    const QStringList list = SplitFieldNames(names);
    if (list.size() == 1) return ParamByName(list.front())->Value();
    std::vector<TVariant> values;
    for (const QString& name : list) values.push_back(ParamByName(name)->Value());
    return TVariant::Array(std::move(values));
}

void TParams::SetParamValues(const QString& names, const TVariant& value)
{
    const QStringList list = SplitFieldNames(names);
    if (list.size() == 1) {
        ParamByName(list.front())->SetValue(value);
        return;
    }
    if (!value.IsArray() || value.ArrayCount() != list.size())
        throw EDatabaseError(QCoreApplication::translate("Toolkit", "More parameters than values"));
    for (int i = 0; i < list.size(); ++i) ParamByName(list[i])->SetValue(value[value.ArrayLowBound() + i]);
}

QString TParams::ParamNames() const
{
    QStringList names;
    for (const auto& p : items_) names.append(p->Name());
    return names.join(QLatin1Char(';'));
}

QString TParams::ParseSQL(const QString& sql, bool doCreate)
{
    QString out;
    out.reserve(sql.size());
    QChar quote;
    for (int i = 0; i < sql.size(); ++i) {
        const QChar c = sql[i];
        if (!quote.isNull()) {
            out.append(c);
            if (c == quote) quote = QChar();
            continue;
        }
        if (c == QLatin1Char('\'') || c == QLatin1Char('"') || c == QLatin1Char('[')) {
            quote = c == QLatin1Char('[') ? QLatin1Char(']') : c;
            out.append(c);
            continue;
        }
        if (c != QLatin1Char(':')) {
            out.append(c);
            continue;
        }
        if (i + 1 < sql.size() && sql[i + 1] == QLatin1Char(':')) {
            out.append(QLatin1Char(':'));
            ++i;
            continue;
        }
        QString name;
        int j = i + 1;
        if (j < sql.size() && sql[j] == QLatin1Char('"')) {
            const int close = sql.indexOf(QLatin1Char('"'), j + 1);
            if (close < 0) {
                out.append(c);
                continue;
            }
            name = sql.mid(j + 1, close - j - 1);
            j = close + 1;
        } else {
            while (j < sql.size() && IsNameChar(sql[j])) ++j;
            name = sql.mid(i + 1, j - i - 1);
        }
        if (name.isEmpty()) {
            out.append(c);
            continue;
        }
        if (doCreate && FindParam(name) == nullptr) CreateParam(ftUnknown, name, ptInput);
        out.append(QLatin1Char('?'));
        i = j - 1;
    }
    return out;
}
