#pragma once
// The memory table's two save formats: a binary one on the component filer (the same bytes a
// form keeps as the table's "Data") and a comma-separated text with optional definition
// blocks. Both write the rows in slot order; what goes in is chosen by the save flags.

#include <QByteArray>
#include <QFlags>
#include <QString>

class TCustomMemTable;
class TField;
class TReader;
class TStream;

// Bit i is flag i; the values are stored in forms and must not move.
enum TMemTableSaveFlag {
    mtfSaveData = 1 << 0,
    mtfSaveCalculated = 1 << 1,
    mtfSaveLookup = 1 << 2,
    mtfSaveNonVisible = 1 << 3,
    mtfSaveBlobs = 1 << 4,
    mtfSaveDef = 1 << 5,
    mtfSaveIndexDef = 1 << 6,
    mtfSkipRest = 1 << 7,
    mtfSaveFiltered = 1 << 8,
    mtfSaveInLocalFormat = 1 << 9,
    mtfSaveIgnoreRange = 1 << 10,
    mtfSaveIgnoreMasterDetail = 1 << 11,
    mtfSaveDeltas = 1 << 12,
    mtfSaveDontFilterDeltas = 1 << 13
};
Q_DECLARE_FLAGS(TMemTableSaveFlags, TMemTableSaveFlag)
Q_DECLARE_OPERATORS_FOR_FLAGS(TMemTableSaveFlags)

enum TMemTablePersistentSaveFormat { mtsfBinary, mtsfCSV };

// What OnSave and OnLoad are handed.
enum TMemTableStorageType { mtstCSVFile = 3, mtstBinaryFile = 4 };

// The flags the form's "Data" property is always written with.
inline constexpr TMemTableSaveFlags MemFormDataFlags = TMemTableSaveFlags(0xD39);
inline constexpr int MemBinaryFormatVersion = 230;

// NUL, LF, CR and '%' as the pairs %0, %n, %c and %%; everything else as it stands.
QString EscapeCSVText(const QString& text);
// Reverses the four pairs; a '%' before any other character stays as it is.
QString UnescapeCSVText(const QString& text);
// Bytes as 6-bit groups, least significant bit first, each written as the character group + 32.
QString BinaryToText6(const QByteArray& bytes);
// Raises EMemTableError for a character outside ' ' .. '_'.
QByteArray Text6ToBinary(const QString& text);

// The types whose values the formats keep apart: the blob types and VarBytes.
bool MemIsBlobType(int fieldType);

// The writers and readers; they reach into the table, which befriends this class.
class TMemTableFormats {
public:
    static void SaveBinary(TCustomMemTable& table, TStream& stream, TMemTableSaveFlags flags);
    static void SaveCSV(TCustomMemTable& table, TStream& stream, TMemTableSaveFlags flags);
    // Every failure, whatever the stream holds, is an EMemTableError.
    static void LoadBinary(TCustomMemTable& table, TStream& stream);
    static void LoadCSV(TCustomMemTable& table, TStream& stream);
    // The file is written beside its final name and put in its place only when complete.
    static void SaveToFile(TCustomMemTable& table, const QString& fileName, TMemTablePersistentSaveFormat format,
                           TMemTableSaveFlags flags);
    static void LoadFromFile(TCustomMemTable& table, const QString& fileName, TMemTablePersistentSaveFormat format);

private:
    class SaveScope;
    class LoadScope;
    static void ReadBinaryRows(TCustomMemTable& table, TReader& reader, int version);
    static void ReadCSVLines(TCustomMemTable& table, TStream& stream);
};
