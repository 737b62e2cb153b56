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
