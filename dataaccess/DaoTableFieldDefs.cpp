// The table dataset's field and index definitions, read from the engine, and the parameters kept
// with the component.

#include "dataaccess/DaoTable.h"
#include "dataaccess/DaoTablePrivate.h"

#include "dataaccess/DaoRecordBuffer.h"

#include "platform/dao/DaoConstants.h"
#include "platform/dao/DaoDatabase.h"
#include "platform/dao/DaoField.h"
#include "platform/dao/DaoRecordset.h"
#include "platform/dao/DaoTableDef.h"
#include "platform/toolkit/Exceptions.h"
#include "platform/toolkit/Filer.h"

// --- field and index definitions ---------------------------------------------------------------------

namespace {

TFieldType FieldTypeOfCode(int code)
{
    switch (code) {
    case dao::dbBoolean: return ftBoolean;
    case dao::dbByte:
    case dao::dbInteger: return ftSmallint;
    case dao::dbLong: return ftInteger;
    case dao::dbCurrency: return ftCurrency;
    case dao::dbSingle:
    case dao::dbDouble:
    case dao::dbNumeric:
    case dao::dbDecimal:
    case dao::dbFloat: return ftFloat;
    case dao::dbDate: return ftDate;
    case dao::dbBinary:
    case dao::dbGUID: return ftBytes;
    case dao::dbText:
    case dao::dbChar: return ftString;
    case dao::dbLongBinary:
    case dao::dbVarBinary: return ftBlob;
    case dao::dbMemo: return ftMemo;
    case dao::dbBigInt: return ftInteger;
    case dao::dbTime: return ftTime;
    case dao::dbTimeStamp: return ftDateTime;
    case 40000: return ftAutoInc;
    default: return ftUnknown;
    }
}

bool SizedCode(int code)
{
    return code == dao::dbBinary || code == dao::dbText || code == dao::dbLongBinary || code == dao::dbMemo
           || code == dao::dbGUID || code == dao::dbVarBinary || code == dao::dbChar;
}

}  // namespace

void TDaoTable::InternalInitFieldDefs()
{
    FieldDefs().Clear();
    d_->definitionFields_.clear();
    d_->fieldCaptions_.clear();
    const bool openHere = !d_->initingFromOpen_ && !d_->recordsetOpen_;
    if (openHere)
        OpenDaoRecordset();
    try {
        const bool jet = d_->database_ && d_->database_->EngineType() == dao::dbUseJet;
        if (size_t(d_->fieldDefaults_.size()) < d_->fieldObjects_.size())
            while (size_t(d_->fieldDefaults_.size()) < d_->fieldObjects_.size())
                d_->fieldDefaults_ << QString();
        for (size_t i = 0; i < d_->fieldObjects_.size(); ++i) {
            const auto& field = d_->fieldObjects_[i];
            if (!field)
                continue;
            int code = field->Type();
            const QString name = field->Name();
            int size = field->Size();
            if (code == dao::dbText && size == 0)
                size = 255;
            if (code == dao::dbDate) {
                const TVariant format = field->Property(QStringLiteral("Format"));
                if (format.IsEmpty()) {
                    code = dao::dbTimeStamp;
                } else {
                    const QString f = format.AsString();
                    if (f == QLatin1String("Long Time") || f == QLatin1String("Medium Time")
                        || f == QLatin1String("Short Time"))
                        code = dao::dbTime;
                    else if (f == QLatin1String("General Date"))
                        code = dao::dbTimeStamp;
                }
            }
            if (code == dao::dbLong && (field->Attributes() & dao::dbAutoIncrField))
                code = 40000;
            if (jet) {
                const QString defaultText = field->DefaultValue().toLower();
                if (code == 40000 || (code == dao::dbLong && defaultText.contains(QLatin1String("genuniqueid")))
                    || (code == dao::dbGUID && defaultText.contains(QLatin1String("genguid"))))
                    d_->fieldDefaults_[int(i)].clear();
            }
            const bool required = !d_->readOnly_ && d_->useDaoProperties_ && field->Required();
            TFieldDef* def = FieldDefs().Add(name, FieldTypeOfCode(code), SizedCode(code) ? size : 0, required);
            if (def->DataType() == ftBlob)
                d_->fieldDefaults_[int(i)].clear();
            const TVariant caption = field->Property(QStringLiteral("Caption"));
            d_->fieldCaptions_ << (d_->useCaptions_ && !caption.IsEmpty() ? caption.AsString() : name);
            if (code == dao::dbGUID)
                def->SetPrecision(daorecord::kGuidMarker);
        }
        ReadIndexDefs();
    } catch (...) {
        if (openHere)
            CloseDaoRecordset();
        throw;
    }
    if (openHere)
        CloseDaoRecordset();
}

void TDaoTable::ReadIndexDefs()
{
    d_->indexDefs_->Clear();
    if (d_->tableName_.isEmpty() || d_->tableType_ != dao::dbOpenTable || !d_->database_ || d_->database_->EngineType() == dao::dbUseODBC
        || !d_->database_->DatabaseObject())
        return;
    auto table = d_->database_->DatabaseObject()->TableDefs().Item(d_->tableName_);
    dao::Indexes& indexes = table->Indexes();
    try {
        indexes.Refresh();
    } catch (const Exception&) {
    }
    for (int i = 0; i < indexes.Count(); ++i) {
        const auto& index = indexes.Item(i);
        bool primary = false, unique = false;
        try {
            primary = index->Primary();
            unique = index->Unique();
        } catch (const Exception&) {
            primary = unique = false;
        }
        QStringList names, descending;
        dao::Fields& fields = index->Fields();
        for (int f = 0; f < fields.Count(); ++f) {
            names << fields.Item(f)->Name();
            if (fields.Item(f)->Attributes() & dao::dbDescending)
                descending << fields.Item(f)->Name();
        }
        TIndexOptions options;
        if (primary)
            options |= ixPrimary;
        if (unique)
            options |= ixUnique;
        if (descending.size() == names.size())
            options |= ixDescending;
        TIndexDef* def = d_->indexDefs_->Add(index->Name(), names.join(QLatin1Char(';')), options);
        if (def)
            def->SetDescFields(descending.join(QLatin1Char(';')));
    }
}

QString TDaoTable::FindIndexForFields(const QString& fields) const
{
    QString result;
    if (d_->indexDefs_->Count() == 0 || d_->tableType_ != dao::dbOpenTable || fields.isEmpty())
        return result;
    QString list = fields;
    const bool exact = list.startsWith(QLatin1Char('!'));
    if (exact)
        list.remove(0, 1);
    const QStringList wanted = list.split(QLatin1Char(';'), Qt::SkipEmptyParts);
    auto containsAll = [&](const QStringList& have) {
        for (const QString& w : wanted)
            if (!have.contains(w, Qt::CaseInsensitive))
                return false;
        return true;
    };
    for (int i = 0; i < d_->indexDefs_->Count(); ++i) {
        const TIndexDef* def = d_->indexDefs_->Items(i);
        const QStringList have = def->Fields().split(QLatin1Char(';'), Qt::SkipEmptyParts);
        if (exact) {
            if (have.size() == wanted.size() && containsAll(have))
                return def->Name();
            continue;
        }
        if (have.size() >= wanted.size() && containsAll(have)) {
            result = def->Name();
            if (!have.isEmpty() && wanted.contains(have.first(), Qt::CaseInsensitive))
                return result;
        }
    }
    return result;
}

void TDaoTable::DefineProperties(TFiler& filer)
{
    TDataSet::DefineProperties(filer);
    filer.DefineProperty(
        QStringLiteral("ParamData"),
        [this](TReader& reader) {
            d_->params_->Clear();
            reader.ReadCollection([this](TReader& r, int) {
                auto* param = d_->params_->CreateParam(ftUnknown, QString(), ptUnknown);
                while (!r.EndOfList()) {
                    const QString prop = r.ReadPropName();
                    if (prop == QLatin1String("Name"))
                        param->SetName(r.ReadString());
                    else if (prop == QLatin1String("DataType"))
                        param->SetDataType(TFieldType(r.ReadInteger()));
                    else if (prop == QLatin1String("ParamType"))
                        param->SetParamType(TParamType(r.ReadInteger()));
                    else if (prop == QLatin1String("Value"))
                        param->SetValue(r.ReadVariant());
                    else
                        r.SkipValue();
                }
            });
        },
        [this](TWriter& writer) {
            writer.WriteCollection(d_->params_->Count(), [this](TWriter& w, int i) {
                const TParam* param = d_->params_->Items(i);
                w.WritePropName(QStringLiteral("Name"));
                w.WriteString(param->Name());
                w.WritePropName(QStringLiteral("DataType"));
                w.WriteInteger(param->DataType());
                w.WritePropName(QStringLiteral("ParamType"));
                w.WriteInteger(param->ParamType());
                if (!param->IsNull()) {
                    w.WritePropName(QStringLiteral("Value"));
                    w.WriteVariant(param->Value());
                }
            });
        },
        filer.Ancestor() ? true : !d_->params_->IsEmpty());
}
