#pragma once
// The engine's numeric constants, with the values callers pass and store.

namespace dao {

// Field types (Field.Type).
enum FieldType : int {
    dbBoolean = 1, dbByte = 2, dbInteger = 3, dbLong = 4, dbCurrency = 5, dbSingle = 6, dbDouble = 7, dbDate = 8,
    dbBinary = 9, dbText = 10, dbLongBinary = 11, dbMemo = 12, dbGUID = 15, dbBigInt = 16, dbVarBinary = 17,
    dbChar = 18, dbNumeric = 19, dbDecimal = 20, dbFloat = 21, dbTime = 22, dbTimeStamp = 23
};

// Field attributes (Field.Attributes).
enum FieldAttribute : int { dbFixedField = 1, dbVariableField = 2, dbAutoIncrField = 16, dbUpdatableField = 32,
                            dbSystemField = 8192 };

// Recordset types.
enum RecordsetType : int { dbOpenTable = 1, dbOpenDynaset = 2, dbOpenSnapshot = 4, dbOpenForwardOnly = 8,
                           dbOpenDynamic = 16 };

// Recordset and Execute options.
enum Option : int {
    dbDenyWrite = 1, dbDenyRead = 2, dbReadOnly = 4, dbAppendOnly = 8, dbInconsistent = 16, dbConsistent = 32,
    dbSQLPassThrough = 64, dbFailOnError = 128, dbForwardOnly = 256, dbSeeChanges = 512, dbRunAsync = 1024,
    dbExecDirect = 2048,
    // This engine's own: the rows are read when first wanted (or by ReadRows) instead of at
    // opening, for a recordset opened only to open others from it with a filter or a sort.
    dbDeferRows = 0x10000
};

// Lock types.
enum LockType : int { dbPessimistic = 2, dbOptimistic = 3, dbOptimisticValue = 1, dbOptimisticBatch = 5 };

// Recordset.EditMode.
enum EditMode : int { dbEditNone = 0, dbEditInProgress = 1, dbEditAdd = 2 };

// DBEngine.Idle.
enum IdleOption : int { dbFreeLocks = 1, dbRefreshCache = 8 };

// TableDef.Attributes.
enum TableAttribute : int { dbAttachExclusive = 0x10000, dbAttachSavePWD = 0x20000, dbSystemObject = int(0x80000002),
                            dbHiddenObject = 1, dbAttachedTable = 0x40000000, dbAttachedODBC = 0x20000000 };

// QueryDef.Type.
enum QueryType : int { dbQSelect = 0, dbQCrosstab = 16, dbQDelete = 32, dbQUpdate = 48, dbQAppend = 64,
                       dbQMakeTable = 80, dbQDDL = 96, dbQSQLPassThrough = 112, dbQSetOperation = 128,
                       dbQSPTBulk = 144, dbQCompound = 160, dbQProcedure = 224, dbQAction = 240 };

// Parameter.Direction.
enum ParameterDirection : int { dbParamInput = 1, dbParamOutput = 2, dbParamInputOutput = 3, dbParamReturnValue = 4 };

// Workspace types.
enum WorkspaceType : int { dbUseODBC = 1, dbUseJet = 2 };

// Collating orders (Database.CollatingOrder).
enum CollatingOrder : int { dbSortGeneral = 1033, dbSortCyrillic = 1049, dbSortNeutral = 1024, dbSortUndefined = -1 };

// Error numbers callers act on, and the others this engine raises.
enum ErrorNumber : int {
    errNoCurrentRecord = 3021,
    errFileNotFound = 3024,
    errNotValidPassword = 3031,
    errTooFewParameters = 3061,
    errCannotOpenTable = 3078,   // the source names no table or query
    errFieldNotFound = 3265,     // item not found in this collection
    errSyntax = 3075,            // syntax error in an expression or statement
    errUpdateWithoutEdit = 3020,
    errWriteConflict = 3197,     // another user changed the row since it was read
    errRecordDeleted = 3167,
    errNotUpdatable = 3027,
    errFieldTooLong = 3163,
    errRequired = 3314,
    errDuplicateKey = 3022,
    errUnrecognizedFormat = 3343,
    errNotJetHere = 3447,        // the engine version cannot be used
    errOdbcRefused = 3146,
    errObjectExists = 3010,
    errInvalidArgument = 3001,
    errOperationNotSupported = 3251,
    errDatabaseLocked = 3260,
    errDiskIo = 3043,
    errCircularReference = 3103,
    errNoIndex = 3015,
    errNotSeekable = 3219,       // operation not allowed in this context
    errNotConnected = 3420       // object invalid or no longer set
};


// Further error numbers of the engine.
enum MoreErrorNumber : int {
    errOverflow = 6,               // a number past what its type or the operation holds
    errEngineFailure = 3000,       // an error of the storage below the engine, its own text attached
    errDatabaseExists = 3204,
    errFileInUse = 3045,
    errDamaged = 3049,             // the file is no database this engine can read any more
    errNotIndexOfTable = 3800,
    errInvalidBookmark = 3159,
    errFieldNotUpdatable = 3164,
    errZeroLength = 3315,
    errConversion = 3421,          // data type conversion error
    errIsamNotFound = 3170,
    errNotInCollection = 3265,
    errNameInUse = 3191,           // a field name given twice in one table
    errNoFields = 3047,            // a table definition without fields
    errCannotOpenDatabase = 3051,  // the file cannot be opened for writing
    errReadOnlyDatabase = 3027,
    errInvalidOperation = 3219,
    errCommitWithoutBegin = 3034   // commit or rollback without a transaction begun
};

// Error numbers of the SQL translator.
enum SqlErrorNumber : int {
    errUnknownName = 3070,         // a name in a filter or criteria that is no column
    errAmbiguousField = 3079,      // an unqualified name found in more than one source
    errUndefinedFunction = 3085,
    errAggregateMisplaced = 3096,  // an aggregate in WHERE, ON, GROUP BY or inside another
    errNotInAggregate = 3122,      // a column neither grouped nor aggregated
    errUnknownInsertField = 3127,
    errValueCount = 3346,          // INSERT values and destination fields differ in number
    errTypeMismatch = 3464
};

// CreateDatabase options (format version, encryption).
enum DatabaseOption : int { dbEncrypt = 2, dbDecrypt = 4, dbVersion10 = 1, dbVersion11 = 8, dbVersion20 = 16,
                            dbVersion30 = 32, dbVersion40 = 64 };

// Index field attribute.
enum IndexFieldAttribute : int { dbDescending = 1 };

// Locale texts for CreateDatabase and CompactDatabase: the collating order and code page.
inline constexpr const char* dbLangGeneral = ";LANGID=0x0409;CP=1252;COUNTRY=0";
inline constexpr const char* dbLangCyrillic = ";LANGID=0x0419;CP=1251;COUNTRY=0";

}  // namespace dao
