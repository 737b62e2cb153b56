#include "memtable/MemTableError.h"

void MemTableError(const QString& message)
{
    throw EMemTableError(message);
}

namespace MemTableTexts {

QString FieldTypeNotSupported(const QString& name, const QString& displayName, int fieldType)
{
    return QStringLiteral("Fielddef ") + name + QStringLiteral(" (") + displayName + QStringLiteral(")") +
           QStringLiteral(" Datatype %1 not supported.)").arg(fieldType);
}

QString BookmarkCounterOutOfRange()
{
    return QStringLiteral("Bookmark counter is out of range. Please close and reopen table.");
}

QString BookmarkNotFound(int bookmark) { return QStringLiteral("Bookmark %1 not found.").arg(bookmark); }

QString TooManyFieldNumbers() { return QStringLiteral("Too many fields: at most 256 field numbers are supported."); }

QString ValuesInvalidDimensionCount() { return QStringLiteral("Values variant array has invalid dimension count"); }

QString MoreFieldsThanValues() { return QStringLiteral("More fields than values"); }

QString AtLeastOneField() { return QStringLiteral("There must be at least one field"); }

QString IndexDoesNotExist(const QString& name) { return QStringLiteral("Index %1 does not exist").arg(name); }

QString MissingIndexDefNames() { return QStringLiteral("Missing Name or FieldNames in IndexDef!"); }

QString DuplicateIndexValue() { return QStringLiteral("Duplicate index value. Operation aborted."); }

QString KeyFieldsChanged() { return QStringLiteral("Could'nt perform operation since key fields changed."); }

QString OperatorNotSupported(int code) { return QStringLiteral("Operator not supported (%1).").arg(code); }

QString UnknownOperator(int code) { return QStringLiteral("Unknown operator (%1)").arg(code); }

QString UnknownFieldType(int fieldType) { return QStringLiteral("Unknown fieldtype (%1)").arg(fieldType); }

QString CantAttachToItself() { return QStringLiteral("Cant attach memorytable to it self."); }

QString CantAttachToAttachment()
{
    return QStringLiteral("Cant attach to another table which itself is an attachment.");
}

QString CantAttachTableWithAttachments()
{
    return QStringLiteral("Cant attach a memorytable which other tables are attached to.");
}

QString TransactioningRequiresMultiversion() { return QStringLiteral("Transactioning requires multiversion versioning."); }

QString CheckPointInsideTransaction() { return QStringLiteral("A check point cannot be made inside a transaction."); }

QString DeltaHandlerNotAssigned() { return QStringLiteral("Delta handler is not assigned to any memorytables."); }

QString SavingDeltasBinaryOnly() { return QStringLiteral("Saving deltas is supported only in binary format."); }

QString UnknownFieldTypeName(const QString& typeName) { return QStringLiteral("Unknown field type (%1)").arg(typeName); }

QString UnknownCSVFieldType(const QString& typeName, const QString& line)
{
    return QStringLiteral("Unknown field type (%1) in CSV file. (%2)").arg(typeName, line);
}

QString InvalidStreamData(const QString& reason)
{
    return QStringLiteral("The memory table data cannot be read: %1").arg(reason);
}

QString InvalidUpdateStatus(int status) { return QStringLiteral("Invalid update status %1.").arg(status); }

QString InvalidFieldSize(const QString& name, int size)
{
    return QStringLiteral("Invalid size %1 of field %2.").arg(size).arg(name);
}

QString InvalidText6Character() { return QStringLiteral("Invalid character in 6-bit text."); }

QString NoFieldsToLoad() { return QStringLiteral("The table has no fields to load rows into."); }

QString NotInEditMode() { return QStringLiteral("Dataset is not in edit mode."); }

QString FieldIsReadOnly(const QString& displayName) { return QStringLiteral("Field %1 is read only").arg(displayName); }

QString CantIndexOnField(const QString& displayName)
{
    return QStringLiteral("Can't index on field %1").arg(displayName);
}

QString SelfReferencingMaster() { return QStringLiteral("Selfreferencing master/detail relations not allowed."); }

QString MasterFieldCountMismatch()
{
    return QStringLiteral("Number of masterfields doesn't correspond to number of indexfields.");
}

}  // namespace MemTableTexts
