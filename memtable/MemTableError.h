#pragma once
// The memory table's own error kind and the fixed English texts it raises.

#include "platform/toolkit/Exceptions.h"

#include <QString>

class EMemTableError : public EDatabaseError {
public:
    using EDatabaseError::EDatabaseError;
};

[[noreturn]] void MemTableError(const QString& message);

// Message texts; a function takes what the text names.
namespace MemTableTexts {
QString FieldTypeNotSupported(const QString& name, const QString& displayName, int fieldType);
QString BookmarkCounterOutOfRange();
QString BookmarkNotFound(int bookmark);
QString TooManyFieldNumbers();
QString ValuesInvalidDimensionCount();
QString MoreFieldsThanValues();
QString AtLeastOneField();
QString IndexDoesNotExist(const QString& name);
QString MissingIndexDefNames();
QString DuplicateIndexValue();
QString KeyFieldsChanged();
QString OperatorNotSupported(int code);
QString UnknownOperator(int code);
QString UnknownFieldType(int fieldType);
QString CantAttachToItself();
QString CantAttachToAttachment();
QString CantAttachTableWithAttachments();
QString TransactioningRequiresMultiversion();
QString CheckPointInsideTransaction();
QString DeltaHandlerNotAssigned();
QString SavingDeltasBinaryOnly();
QString UnknownFieldTypeName(const QString& typeName);
QString UnknownCSVFieldType(const QString& typeName, const QString& line);
QString InvalidStreamData(const QString& reason);
QString InvalidUpdateStatus(int status);
QString InvalidFieldSize(const QString& name, int size);
QString InvalidText6Character();
QString NoFieldsToLoad();
// Raised through the dataset layer's error kind, not the memory table's.
QString NotInEditMode();
QString FieldIsReadOnly(const QString& displayName);
QString CantIndexOnField(const QString& displayName);
QString SelfReferencingMaster();
QString MasterFieldCountMismatch();
}  // namespace MemTableTexts
