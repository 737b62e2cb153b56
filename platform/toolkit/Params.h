#pragma once
// Query parameters: named values with a field type, as SQL texts name them (":name").

#include "platform/toolkit/DateTime.h"
#include "platform/toolkit/Fields.h"
#include "platform/toolkit/Variant.h"

#include <QString>
#include <memory>
#include <vector>

enum TParamType { ptUnknown, ptInput, ptOutput, ptInputOutput, ptResult };

class TParams;

class TParam {
public:
    explicit TParam(TParams* owner = nullptr, const QString& name = QString(),
                    TParamType paramType = ptUnknown);

    TParams* Collection() const { return owner_; }
    QString Name() const { return name_; }
    void SetName(const QString& name) { name_ = name; }
    QString DisplayName() const { return name_; }
    TFieldType DataType() const { return dataType_; }
    void SetDataType(TFieldType type) { dataType_ = type; }
    TParamType ParamType() const { return paramType_; }
    void SetParamType(TParamType type) { paramType_ = type; }
    // A parameter that was given a value (Null included) is bound.
    bool Bound() const { return bound_; }
    void SetBound(bool value) { bound_ = value; }

    // The value as stored; a parameter never given one is Null.
    TVariant Value() const { return value_; }
    // Keeps DataType; an ftUnknown parameter takes the variant's type.
    void SetValue(const TVariant& value);
    bool IsNull() const { return value_.IsClear(); }
    void Clear();

    // Conversions raise EVariantError on Null except AsString (empty text).
    QString AsString() const;
    void SetAsString(const QString& value);
    qint32 AsInteger() const;
    void SetAsInteger(qint32 value);
    qint32 AsSmallInt() const { return AsInteger(); }
    void SetAsSmallInt(qint32 value);
    qint32 AsWord() const { return AsInteger(); }
    void SetAsWord(qint32 value);
    double AsFloat() const;
    void SetAsFloat(double value);
    double AsCurrency() const { return AsFloat(); }
    void SetAsCurrency(double value);
    bool AsBoolean() const;
    void SetAsBoolean(bool value);
    TDateTime AsDateTime() const;
    void SetAsDateTime(TDateTime value);
    TDateTime AsDate() const { return AsDateTime(); }
    void SetAsDate(TDateTime value);
    TDateTime AsTime() const { return AsDateTime(); }
    void SetAsTime(TDateTime value);
    QByteArray AsBytes() const;
    void SetAsBytes(const QByteArray& value);
    qint64 AsLargeInt() const;
    void SetAsLargeInt(qint64 value);

    // Type and value (Null included) of a field.
    void AssignField(const TField* field);
    // Type of a field, keeping the value.
    void AssignFieldValue(const TField* field, const TVariant& value);
    // Name, type, parameter type, value and bound flag of another parameter.
    void Assign(const TParam& source);

private:
    TParams* owner_;
    QString name_;
    TFieldType dataType_ = ftUnknown;
    TParamType paramType_;
    TVariant value_ = TVariant::Null();
    bool bound_ = false;
};

class TParams {
public:
    TParams() = default;
    TParams(const TParams&) = delete;
    TParams& operator=(const TParams&) = delete;

    int Count() const { return int(items_.size()); }
    TParam* Items(int index) const;
    TParam* operator[](int index) const { return Items(index); }
    TParam* CreateParam(TFieldType type, const QString& name, TParamType paramType);
    TParam* AddParam(std::unique_ptr<TParam> param);
    void RemoveParam(TParam* param);
    void Clear();
    bool IsEmpty() const { return items_.empty(); }
    // Names compare without case.
    TParam* FindParam(const QString& name) const;
    // Raises EDatabaseError "Parameter '<name>' not found".
    TParam* ParamByName(const QString& name) const;
    // Every parameter of this list takes the value of the same-named one of source.
    void AssignValues(const TParams& source);
    // Replaces this list by a copy of source.
    void Assign(const TParams& source);
    bool IsEqual(const TParams& other) const;
    // The value of one parameter or a variant array of the values of "a;b;c".
    TVariant ParamValues(const QString& names) const;
    void SetParamValues(const QString& names, const TVariant& value);
    QString ParamNames() const;

    // Finds the ":name" tokens of an SQL text (outside quotes; "::" is a literal colon; a name
    // may be quoted as :"two words") and, with doCreate, adds one input parameter per new name
    // in order of appearance. Returns the text with each token replaced by "?".
    QString ParseSQL(const QString& sql, bool doCreate);

private:
    std::vector<std::unique_ptr<TParam>> items_;
};
