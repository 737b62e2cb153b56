#include "memtable/MemTableFormats.h"

#include "memtable/MemTable.h"

#include "platform/os/CodePage1251.h"
#include "platform/toolkit/DateTime.h"
#include "platform/toolkit/Filer.h"
#include "platform/toolkit/Streams.h"

#include <QSaveFile>
#include <QtEndian>
#include <bit>
#include <cmath>
#include <limits>
#include <new>
#include <optional>

// --- text helpers --------------------------------------------------------------------------------

QString EscapeCSVText(const QString& text)
{
    QString out;
    out.reserve(text.size());
    for (const QChar c : text) {
        switch (c.unicode()) {
        case 0: out += QLatin1String("%0"); break;
        case '\n': out += QLatin1String("%n"); break;
        case '\r': out += QLatin1String("%c"); break;
        case '%': out += QLatin1String("%%"); break;
        default: out += c;
        }
    }
    return out;
}

QString UnescapeCSVText(const QString& text)
{
    QString out;
    out.reserve(text.size());
    for (qsizetype i = 0; i < text.size(); ++i) {
        const QChar c = text.at(i);
        if (c != QLatin1Char('%') || i + 1 >= text.size()) {
            out += c;
            continue;
        }
        switch (text.at(i + 1).unicode()) {
        case '0': out += QChar(0); break;
        case 'n': out += QLatin1Char('\n'); break;
        case 'c': out += QLatin1Char('\r'); break;
        case '%': out += QLatin1Char('%'); break;
        default: out += c; continue;
        }
        ++i;
    }
    return out;
}

QString BinaryToText6(const QByteArray& bytes)
{
    QString out;
    out.reserve((4 * bytes.size() + 2) / 3);
    quint32 bits = 0;
    int count = 0;
    for (const char byte : bytes) {
        bits |= quint32(quint8(byte)) << count;
        count += 8;
        while (count >= 6) {
            out += QChar(char16_t((bits & 0x3F) + 32));
            bits >>= 6;
            count -= 6;
        }
    }
    if (count > 0) out += QChar(char16_t((bits & 0x3F) + 32));
    return out;
}

QByteArray Text6ToBinary(const QString& text)
{
    QByteArray out;
    out.reserve(3 * text.size() / 4);
    quint32 bits = 0;
    int count = 0;
    for (const QChar c : text) {
        const int group = int(c.unicode()) - 32;
        if (group < 0 || group > 63) MemTableError(MemTableTexts::InvalidText6Character());
        bits |= quint32(group) << count;
        count += 6;
        if (count >= 8) {
            out += char(bits & 0xFF);
            bits >>= 8;
            count -= 8;
        }
    }
    return out;
}

bool MemIsBlobType(int fieldType)
{
    switch (fieldType) {
    case ftVarBytes:
    case ftBlob:
    case ftMemo:
    case ftGraphic:
    case ftFmtMemo:
    case ftParadoxOle:
    case ftDBaseOle:
    case ftTypedBinary: return true;
    default: return false;
    }
}

namespace {

// --- field kinds and definitions -------------------------------------------------------------------

bool IsTextType(TFieldType type)
{
    return type == ftString || type == ftFixedChar || type == ftWideString;
}

// What the comma text escapes, and what it turns into 6-bit text.
bool IsCSVStringType(TFieldType type) { return IsTextType(type) || type == ftMemo || type == ftFmtMemo; }
bool IsCSVBinaryType(TFieldType type) { return type == ftBytes || (MemIsBlobType(type) && !IsCSVStringType(type)); }

// The types a saved definition may name: what the table lays out, without the object types,
// whose children the formats do not carry.
std::optional<TFieldType> FieldTypeByName(const QString& name)
{
    for (int i = 0; i < FieldTypeCount; ++i) {
        if (name != QLatin1String(FieldTypeNames[size_t(i)])) continue;
        switch (TFieldType(i)) {
        case ftUnknown:
        case ftCursor:
        case ftADT:
        case ftArray:
        case ftReference:
        case ftDataSet:
        case ftOraBlob:
        case ftOraClob:
        case ftVariant:
        case ftInterface:
        case ftIDispatch:
        case ftGuid: return std::nullopt;
        default: return TFieldType(i);
        }
    }
    return std::nullopt;
}

// A size the row layout can hold for the type.
void CheckFieldSize(const QString& name, TFieldType type, int size)
{
    bool ok = true;
    if (IsTextType(type))
        ok = size >= 0 && size <= 32767;
    else if (type == ftBytes || type == ftVarBytes)
        ok = size >= 0 && size <= 65533;
    else if (type == ftBCD)
        ok = size >= 0 && size <= 64;
    if (!ok) MemTableError(MemTableTexts::InvalidFieldSize(name, size));
}

struct FieldDefinition {
    QString Name;
    TFieldType Type = ftUnknown;
    int Size = 0;
    QString DisplayLabel;
    QString EditMask;
    std::optional<int> DisplayWidth;
    bool Required = false;
    bool ReadOnly = false;
    bool Visible = true;
};

// --- numbers the filer carries -----------------------------------------------------------------------

// A 64-bit integer as the extended real of exactly that value (its mantissa has room for it).
TExtended Int64ToExtended(qint64 value)
{
    TExtended out{};
    if (value == 0) return out;
    const bool negative = value < 0;
    quint64 mantissa = negative ? 0 - quint64(value) : quint64(value);
    const int top = 63 - std::countl_zero(mantissa);
    mantissa <<= 63 - top;
    qToLittleEndian(mantissa, out.data());
    qToLittleEndian(quint16((negative ? 0x8000 : 0) | (16383 + top)), out.data() + 8);
    return out;
}

qint64 ExtendedToInt64(const TExtended& bytes)
{
    const quint64 mantissa = qFromLittleEndian<quint64>(bytes.data());
    const quint16 signExp = qFromLittleEndian<quint16>(bytes.data() + 8);
    const bool negative = signExp & 0x8000;
    const int exponent = int(signExp & 0x7FFF) - 16383;
    if (mantissa == 0) return 0;
    if (exponent >= 0 && exponent <= 63 && (mantissa >> 63)) {
        const int shift = 63 - exponent;
        const quint64 rest = shift == 0 ? 0 : mantissa & ((quint64(1) << shift) - 1);
        const quint64 magnitude = mantissa >> shift;
        if (rest == 0) {
            if (!negative && magnitude <= quint64(std::numeric_limits<qint64>::max())) return qint64(magnitude);
            if (negative && magnitude <= quint64(1) << 63) return qint64(0 - magnitude);
        }
    }
    // Not an integer written by us: the nearest one, when there is one.
    const double value = ExtendedToDouble(bytes);
    if (!std::isfinite(value) || std::fabs(value) >= 9.2e18)
        MemTableError(MemTableTexts::InvalidStreamData(QStringLiteral("a large integer is out of range")));
    return std::llround(value);
}

void WriteInt64AsExtended(TWriter& writer, qint64 value)
{
    writer.WriteValue(vaExtended);
    const TExtended bytes = Int64ToExtended(value);
    writer.Stream().WriteBuffer(bytes.data(), qint64(bytes.size()));
}

qint64 ReadInt64Value(TReader& reader)
{
    if (reader.NextValue() != vaExtended) return reader.ReadInt64();
    reader.ReadValue();
    TExtended bytes;
    reader.Stream().ReadBuffer(bytes.data(), qint64(bytes.size()));
    return ExtendedToInt64(bytes);
}

// Day numbers of 1 January of year 1 and 31 December 9999.
constexpr double MinDayNumber = -693593.0;
constexpr double MaxDayNumber = 2958466.0;

void CheckDayNumber(double value)
{
    if (!std::isfinite(value) || value < MinDayNumber || value >= MaxDayNumber)
        MemTableError(MemTableTexts::InvalidStreamData(QStringLiteral("a date is out of range")));
}

// --- scopes ------------------------------------------------------------------------------------------

// A row node freed with its versions unless it was handed on.
class RowHolder {
public:
    RowHolder(const TMemRecordLayout& layout, TMemRow* row) : layout_(layout), row_(row) {}
    ~RowHolder() { layout_.FreeRow(row_, true); }
    RowHolder(const RowHolder&) = delete;
    RowHolder& operator=(const RowHolder&) = delete;
    TMemRow* Release()
    {
        TMemRow* row = row_;
        row_ = nullptr;
        return row;
    }

private:
    const TMemRecordLayout& layout_;
    TMemRow* row_;
};

// Every failure of a reader as the memory table's own error.
template <typename F>
void AsMemTableError(F&& read)
{
    try {
        read();
    } catch (const EMemTableError&) {
        throw;
    } catch (const Exception& e) {
        throw EMemTableError(MemTableTexts::InvalidStreamData(e.Message()));
    } catch (const std::bad_alloc&) {
        throw EMemTableError(MemTableTexts::InvalidStreamData(QStringLiteral("out of memory")));
    } catch (const std::exception& e) {
        throw EMemTableError(MemTableTexts::InvalidStreamData(QString::fromUtf8(e.what())));
    }
}

// A stream onto a file that replaces the old file only once it is complete.
class AtomicFileStream : public TStream {
public:
    explicit AtomicFileStream(const QString& fileName) : file_(fileName)
    {
        if (!file_.open(QIODevice::WriteOnly))
            throw EStreamError(QStringLiteral("Cannot create file \"%1\". %2").arg(fileName, file_.errorString()));
    }
    qint64 Read(void*, qint64) override { return 0; }
    qint64 Write(const void* buffer, qint64 count) override
    {
        const qint64 written = file_.write(static_cast<const char*>(buffer), count);
        return written < 0 ? 0 : written;
    }
    qint64 Seek(qint64 offset, TSeekOrigin origin) override
    {
        qint64 target = offset;
        if (origin == soFromCurrent) target += file_.pos();
        if (origin == soFromEnd) target += file_.size();
        if (target < 0 || !file_.seek(target)) throw EStreamError(QStringLiteral("Stream seek error"));
        return target;
    }
    qint64 Size() override { return file_.size(); }
    void SetSize(qint64 size) override
    {
        if (!file_.resize(size)) throw EStreamError(QStringLiteral("Stream write error"));
    }
    void Commit()
    {
        if (!file_.commit())
            throw EStreamError(
                QStringLiteral("Cannot create file \"%1\". %2").arg(file_.fileName(), file_.errorString()));
    }

private:
    QSaveFile file_;
};

// --- comma text pieces -------------------------------------------------------------------------------

QString Quoted(const QString& text)
{
    QString doubled = text;
    doubled.replace(QLatin1Char('"'), QLatin1String("\"\""));
    return QLatin1Char('"') + doubled + QLatin1Char('"');
}

// Reads a quoted value starting at the opening quote; pos ends after the closing quote.
QString ReadQuoted(const QString& line, qsizetype& pos)
{
    QString value;
    ++pos;
    for (;;) {
        if (pos >= line.size()) MemTableError(MemTableTexts::InvalidStreamData(QStringLiteral("unterminated quote")));
        const QChar c = line.at(pos++);
        if (c != QLatin1Char('"')) {
            value += c;
            continue;
        }
        if (pos < line.size() && line.at(pos) == QLatin1Char('"')) {
            value += c;
            ++pos;
            continue;
        }
        return value;
    }
}

// One value at pos: quoted or up to the next comma. pos ends on the comma (or the line's end).
QString ReadValueAt(const QString& line, qsizetype& pos, bool& quoted)
{
    quoted = pos < line.size() && line.at(pos) == QLatin1Char('"');
    if (quoted) {
        QString value = ReadQuoted(line, pos);
        while (pos < line.size() && line.at(pos) != QLatin1Char(',')) ++pos;
        return value;
    }
    const qsizetype start = pos;
    while (pos < line.size() && line.at(pos) != QLatin1Char(',')) ++pos;
    return line.mid(start, pos - start).trimmed();
}

QString FirstValue(const QString& line)
{
    qsizetype pos = 0;
    bool quoted = false;
    return ReadValueAt(line, pos, quoted);
}

// Comma text: items separated by commas, quoted ones with doubled quotes.
QStringList SplitCommaText(const QString& text)
{
    QStringList items;
    qsizetype pos = 0;
    while (pos <= text.size()) {
        bool quoted = false;
        items << ReadValueAt(text, pos, quoted);
        if (pos >= text.size()) break;
        ++pos;
    }
    return items;
}

int ParseInteger(const QString& text, const QString& line)
{
    bool ok = false;
    const int value = text.toInt(&ok);
    if (!ok) MemTableError(MemTableTexts::InvalidStreamData(QStringLiteral("bad number in \"%1\"").arg(line)));
    return value;
}

// The comma text's bytes: code page 1251 when it holds the text and reads back as the same,
// else UTF-8, so that the reader's rule (UTF-8 when valid, else code page 1251) is never misled.
QByteArray EncodeCSV(const QString& text)
{
    bool ok = false;
    const QByteArray single = ToCp1251(text, &ok);
    if (ok && DecodeUtf8OrCp1251(single) == text) return single;
    return text.toUtf8();
}

}  // namespace

// --- the writers ------------------------------------------------------------------------------------

namespace {

// One include mark per field, in field order.
std::vector<bool> IncludeMarks(TCustomMemTable& table, TMemTableSaveFlags flags, bool binary)
{
    std::vector<bool> marks;
    for (TField* field : table.Fields()) {
        bool include = true;
        if (MemIsBlobType(field->DataType())) {
            include = flags.testFlag(mtfSaveBlobs);
        } else {
            switch (field->FieldKind()) {
            case fkData: include = flags.testFlag(mtfSaveData) || (binary && flags.testFlag(mtfSaveDeltas)); break;
            case fkCalculated: include = flags.testFlag(mtfSaveCalculated); break;
            case fkLookup: include = flags.testFlag(mtfSaveLookup); break;
            default: break;
            }
        }
        if (!field->Visible() && !flags.testFlag(mtfSaveNonVisible)) include = false;
        marks.push_back(include);
    }
    return marks;
}

void WriteFieldValue(TWriter& writer, TField* field)
{
    switch (field->DataType()) {
    case ftSmallint:
    case ftInteger:
    case ftWord:
    case ftAutoInc: writer.WriteInteger(field->AsInteger()); break;
    case ftBoolean: writer.WriteBoolean(field->AsBoolean()); break;
    case ftFloat:
    case ftDate:
    case ftTime:
    case ftDateTime: writer.WriteFloat(field->AsFloat()); break;
    case ftLargeint: WriteInt64AsExtended(writer, field->AsLargeInt()); break;
    case ftCurrency:
    case ftBCD: writer.WriteFloat(field->AsCurrency()); break;
    case ftString:
    case ftFixedChar:
    case ftWideString: writer.WriteString(field->AsString()); break;
    default: writer.WriteStringBytes(field->AsBytes()); break;
    }
}

QString FixedFormatText(TField* field)
{
    const TDateTime value = field->AsDateTime();
    switch (field->DataType()) {
    case ftDate: return FormatDateTime(QStringLiteral("dd/MM/yyyy"), value);
    case ftTime: return FormatDateTime(QStringLiteral("hh:mm:ss"), value);
    default: {
        const QString date = FormatDateTime(QStringLiteral("dd/MM/yyyy"), value);
        if (DateTimeToTimeStamp(value).Time == 0) return date;
        return date + QLatin1Char(' ') + FormatDateTime(QStringLiteral("hh:mm:ss"), value);
    }
    }
}

QString CSVValueText(TField* field, TMemTableSaveFlags flags)
{
    const TFieldType type = field->DataType();
    if (IsCSVStringType(type)) return EscapeCSVText(field->AsString());
    if (IsCSVBinaryType(type)) return BinaryToText6(field->AsBytes());
    const bool dateType = type == ftDate || type == ftTime || type == ftDateTime;
    if (dateType && !flags.testFlag(mtfSaveInLocalFormat)) return FixedFormatText(field);
    return field->AsString();
}

QString FieldDefinitionText(TField* field)
{
    QString text = field->FieldName() + QLatin1Char('=') + FieldTypeName(field->DataType()) + QLatin1Char(',') +
                   QString::number(field->Size()) + QLatin1Char(',') + Quoted(field->DisplayName()) +
                   QLatin1Char(',') + Quoted(field->EditMask()) + QLatin1Char(',') +
                   QString::number(field->DisplayWidth());
    if (field->Required()) text += QLatin1String(",REQ");
    if (field->ReadOnly()) text += QLatin1String(",RO");
    return text;
}

QString IndexDefinitionText(const TIndexDef* def)
{
    QString text = def->Name() + QLatin1Char('=') + Quoted(def->Fields()) + QLatin1Char(',') + Quoted(def->DisplayName());
    if (def->Options().testFlag(ixDescending)) text += QLatin1String(",DESC");
    if (def->Options().testFlag(ixCaseInsensitive)) text += QLatin1String(",CASE");
    if (def->Options().testFlag(ixNonMaintained)) text += QLatin1String(",NONMT");
    if (def->Options().testFlag(ixUnique)) text += QLatin1String(",UNIQ");
    return text;
}

bool OldestIsInserted(const TMemRow* row)
{
    while (row->OlderVersion) row = row->OlderVersion;
    return row->UpdateStatus == musInserted;
}

}  // namespace

// Both writers hold the store, keep the controls quiet and leave the table as they found it.
// They walk the store in slot order and test no row's visibility, so a filter or a master link
// never hides a row from them; a range is switched off for the run when asked.
class TMemTableFormats::SaveScope {
public:
    SaveScope(TCustomMemTable& table, TMemTableSaveFlags flags)
        : table_(table), guard_(table.store_->Lock()), override_(table.overrideRow_), range_(table.rangeActive_)
    {
        if (flags.testFlag(mtfSaveIgnoreRange)) table.rangeActive_ = false;
        table.DisableControls();
    }
    ~SaveScope()
    {
        table_.overrideRow_ = override_;
        table_.rangeActive_ = range_;
        try {
            table_.EnableControls();
        } catch (...) {
            HandleException(std::current_exception());
        }
    }
    SaveScope(const SaveScope&) = delete;
    SaveScope& operator=(const SaveScope&) = delete;

private:
    TCustomMemTable& table_;
    std::lock_guard<std::recursive_mutex> guard_;
    TMemRow* override_;
    bool range_;
};

namespace {
// The writer's output through OnCompressSave when it is assigned.
template <typename Write>
void WriteThroughCompression(TCustomMemTable& table, TStream& stream, Write&& write)
{
    if (!table.OnCompressSave) {
        write(stream);
        return;
    }
    TMemoryStream plain;
    write(plain);
    plain.SetPosition(0);
    table.OnCompressSave(&table, plain, stream);
}
}  // namespace

void TMemTableFormats::SaveBinary(TCustomMemTable& table, TStream& stream, TMemTableSaveFlags flags)
{
    WriteThroughCompression(table, stream, [&](TStream& out) {
        SaveScope scope(table, flags);
        const std::vector<bool> marks = IncludeMarks(table, flags, true);
        const int fieldCount = table.FieldCount();
        // Without definitions the reader takes one value per field of its table, so every
        // field gets a place; an excluded one an empty place.
        const bool placeForEveryField = !flags.testFlag(mtfSaveDef) && !flags.testFlag(mtfSkipRest);
        const bool calculate = flags.testFlag(mtfSaveCalculated) || flags.testFlag(mtfSaveLookup);
        TWriter writer(out, 16384);
        writer.WriteSignature();
        writer.WriteInteger(MemBinaryFormatVersion);

        writer.WriteListBegin();
        if (flags.testFlag(mtfSaveDef)) {
            for (int i = 0; i < fieldCount; ++i) {
                if (!marks[size_t(i)]) continue;
                TField* field = table.Fields()[i];
                writer.WriteString(field->FieldName());
                writer.WriteString(FieldTypeName(field->DataType()));
                writer.WriteInteger(field->Size());
                writer.WriteString(field->DisplayName());
                writer.WriteString(field->EditMask());
                writer.WriteInteger(field->DisplayWidth());
                writer.WriteBoolean(field->Required());
                writer.WriteBoolean(field->ReadOnly());
            }
        }
        writer.WriteListEnd();

        writer.WriteListBegin();
        if (flags.testFlag(mtfSaveIndexDef)) {
            for (int i = 0; i < table.IndexDefs().Count(); ++i) {
                const TIndexDef* def = table.IndexDefs().Items(i);
                writer.WriteString(def->Name());
                writer.WriteString(def->Fields());
                writer.WriteString(def->DisplayName());
                writer.WriteBoolean(def->Options().testFlag(ixDescending));
                writer.WriteBoolean(def->Options().testFlag(ixCaseInsensitive));
                writer.WriteBoolean(def->Options().testFlag(ixNonMaintained));
                writer.WriteBoolean(def->Options().testFlag(ixUnique));
            }
        }
        writer.WriteListEnd();

        const bool onlyChanged = !(flags & (mtfSaveData | mtfSaveCalculated | mtfSaveLookup));
        TMemRowStore& store = *table.store_;
        writer.WriteListBegin();
        for (int id = 0; id < store.SlotCount(); ++id) {
            TMemRow* row = store.Slot(id);
            if (!row) continue;
            table.overrideRow_ = row;
            bool accept = true;
            if (table.OnSaveRecord) table.OnSaveRecord(&table, accept);
            if (!accept) continue;
            if (onlyChanged && row->UpdateStatus == musUnmodified) continue;
            if (!flags.testFlag(mtfSaveDontFilterDeltas) && row->UpdateStatus == musDeleted && OldestIsInserted(row))
                continue;
            writer.WriteListBegin();
            bool newest = true;
            for (TMemRow* version = row; version; version = version->OlderVersion) {
                table.overrideRow_ = version;
                if (calculate) table.CalcIndexRow(version);
                writer.WriteInteger(version->UpdateStatus);
                for (int i = 0; i < fieldCount; ++i) {
                    TField* field = table.Fields()[i];
                    if (!marks[size_t(i)]) {
                        if (placeForEveryField) writer.WriteValue(vaNil);
                        continue;
                    }
                    if (newest && table.OnSaveField) table.OnSaveField(&table, i, field);
                    WriteFieldValue(writer, field);
                }
                newest = false;
                if (!flags.testFlag(mtfSaveDeltas)) break;
            }
            writer.WriteListEnd();
        }
        writer.WriteListEnd();
    });
}

void TMemTableFormats::SaveCSV(TCustomMemTable& table, TStream& stream, TMemTableSaveFlags flags)
{
    if (flags.testFlag(mtfSaveDeltas)) MemTableError(MemTableTexts::SavingDeltasBinaryOnly());
    WriteThroughCompression(table, stream, [&](TStream& out) {
        QString text;
        {
            SaveScope scope(table, flags);
            const std::vector<bool> marks = IncludeMarks(table, flags, false);
            const int fieldCount = table.FieldCount();
            const bool skipRest = flags.testFlag(mtfSkipRest);
            const QLatin1String crlf("\r\n");
            if (flags.testFlag(mtfSaveDef)) {
                text += QLatin1String("\"@@FILE VERSION@@\",\"200\"") + crlf;
                text += QLatin1String("\"@@TABLEDEF START@@\"") + crlf;
                for (int i = 0; i < fieldCount; ++i)
                    if (marks[size_t(i)] || !skipRest) text += Quoted(FieldDefinitionText(table.Fields()[i])) + crlf;
                if (flags.testFlag(mtfSaveIndexDef)) {
                    text += QLatin1String("@@INDEXDEF START@@") + crlf;
                    for (int i = 0; i < table.IndexDefs().Count(); ++i)
                        text += Quoted(IndexDefinitionText(table.IndexDefs().Items(i))) + crlf;
                    text += QLatin1String("@@INDEXDEF END@@") + crlf;
                }
                text += QLatin1String("@@TABLEDEF END@@") + crlf;
            }
            for (int i = 0; i < fieldCount; ++i)
                if (marks[size_t(i)] || !skipRest) text += Quoted(table.Fields()[i]->DisplayName()) + QLatin1Char(',');
            text += crlf;

            TMemRowStore& store = *table.store_;
            qsizetype lastRowEnd = -1;
            for (int id = 0; id < store.SlotCount(); ++id) {
                TMemRow* row = store.Slot(id);
                // The text has no place for a status: a row marked deleted is no row of it.
                if (!row || row->UpdateStatus == musDeleted) continue;
                table.overrideRow_ = row;
                bool accept = true;
                if (table.OnSaveRecord) table.OnSaveRecord(&table, accept);
                if (!accept) continue;
                for (int i = 0; i < fieldCount; ++i) {
                    TField* field = table.Fields()[i];
                    if (!marks[size_t(i)]) {
                        if (!skipRest) text += QLatin1Char(',');
                        continue;
                    }
                    if (table.OnSaveField) table.OnSaveField(&table, i, field);
                    if (!field->IsNull()) text += Quoted(CSVValueText(field, flags));
                    text += QLatin1Char(',');
                }
                lastRowEnd = text.size();
                text += crlf;
            }
            if (lastRowEnd > 0 && text.at(lastRowEnd - 1) == QLatin1Char(',')) text.remove(lastRowEnd - 1, 1);
        }
        out.WriteBytes(EncodeCSV(text));
    });
}

// --- the readers ------------------------------------------------------------------------------------

namespace {

// The source a reader reads: the stream itself, or what OnDecompressLoad made of it.
class LoadSource {
public:
    LoadSource(TCustomMemTable& table, TStream& stream) : stream_(&stream)
    {
        if (!table.OnDecompressLoad) return;
        table.OnDecompressLoad(&table, stream, plain_);
        plain_.SetPosition(0);
        stream_ = &plain_;
    }
    TStream& Stream() { return *stream_; }

private:
    TMemoryStream plain_;
    TStream* stream_;
};

}  // namespace

// What both readers switch off and restore: Persistent, EnableIndexes, read-only checks and the
// controls. Indexes are brought up to date at the end, since rows may have gone in beside them;
// Finish runs at the end of a read, the destructor after a failed one.
class TMemTableFormats::LoadScope {
public:
    explicit LoadScope(TCustomMemTable& table)
        : table_(table), persistent_(table.persistent_), enableIndexes_(table.enableIndexes_)
    {
        table.persistent_ = false;
        table.enableIndexes_ = false;
        table.loading_ = true;
        table.DisableControls();
    }
    ~LoadScope()
    {
        if (finished_) return;
        try {
            Finish();
        } catch (...) {
            // The read's own error is on its way.
        }
    }
    LoadScope(const LoadScope&) = delete;
    LoadScope& operator=(const LoadScope&) = delete;

    void Finish()
    {
        finished_ = true;
        table_.overrideRow_ = nullptr;
        table_.loading_ = false;
        table_.persistent_ = persistent_;
        table_.enableIndexes_ = enableIndexes_;
        table_.EnableControls();
        if (!table_.cursorOpen_) return;
        table_.CheckIndexes();
        table_.indexes_.ReindexAll();
        table_.position_ = std::min(table_.position_, table_.currentIndex_->Count() - 1);
        if (table_.Active() && table_.State() == dsBrowse) {
            table_.CursorPosChanged();
            table_.Resync(TResyncMode());
        }
    }

private:
    TCustomMemTable& table_;
    bool persistent_;
    bool enableIndexes_;
    bool finished_ = false;
};

namespace {

// Removes every field of the table, the persistent ones too, before definitions are read.
void DropFields(TCustomMemTable& table, TFieldDefs& defs, const std::function<void()>& destroyOwned)
{
    table.Close();
    defs.Clear();
    destroyOwned();
    const std::vector<TField*> rest(table.Fields().begin(), table.Fields().end());
    for (TField* field : rest) delete field;
}

// Rows of a loaded layout stay within what a stream could sensibly describe.
constexpr int MaxLoadedRecordSize = 4 << 20;

void AddField(TCustomMemTable& table, const FieldDefinition& d)
{
    CheckFieldSize(d.Name, d.Type, d.Size);
    int recordSize = FieldDataSize(d.Type, d.Size) + 9;
    for (int i = 0; i < table.FieldDefs().Count(); ++i)
        recordSize += FieldDataSize(table.FieldDefs().Items(i)->DataType(), table.FieldDefs().Items(i)->Size()) + 9;
    if (recordSize > MaxLoadedRecordSize)
        MemTableError(MemTableTexts::InvalidStreamData(QStringLiteral("the record is too large")));
    TFieldDef* def = table.FieldDefs().Add(d.Name, d.Type, d.Size, d.Required);
    TField* field = def->CreateField(&table);
    field->SetDisplayLabel(d.DisplayLabel);
    field->SetEditMask(d.EditMask);
    field->SetReadOnly(d.ReadOnly);
    if (d.DisplayWidth) field->SetDisplayWidth(*d.DisplayWidth);
    field->SetVisible(d.Visible);
}

TIndexOptions IndexOptionsOf(bool descending, bool caseInsensitive, bool nonMaintained, bool unique)
{
    TIndexOptions options;
    options.setFlag(ixDescending, descending);
    options.setFlag(ixCaseInsensitive, caseInsensitive);
    options.setFlag(ixNonMaintained, nonMaintained);
    options.setFlag(ixUnique, unique);
    return options;
}

void ReadFieldValue(TReader& reader, TField* field)
{
    switch (field->DataType()) {
    case ftSmallint:
    case ftInteger:
    case ftWord:
    case ftAutoInc: field->SetAsInteger(reader.ReadInteger()); break;
    case ftBoolean: field->SetAsBoolean(reader.ReadBoolean()); break;
    case ftFloat: field->SetAsFloat(reader.ReadFloat()); break;
    case ftDate:
    case ftTime:
    case ftDateTime: {
        const double value = reader.ReadFloat();
        if (value == 0) {
            field->Clear();
            break;
        }
        CheckDayNumber(value);
        field->SetAsDateTime(value);
        break;
    }
    case ftLargeint: field->SetAsLargeInt(ReadInt64Value(reader)); break;
    case ftCurrency:
    case ftBCD: field->SetAsCurrency(reader.ReadFloat()); break;
    case ftString:
    case ftFixedChar:
    case ftWideString: field->SetAsString(reader.ReadString()); break;
    default: field->SetAsBytes(reader.ReadStringBytes()); break;
    }
}

}  // namespace

void TMemTableFormats::LoadBinary(TCustomMemTable& table, TStream& stream)
{
    AsMemTableError([&] {
        LoadScope scope(table);
        LoadSource source(table, stream);
        TReader reader(source.Stream(), 16384);
        reader.ReadSignature();
        const int version = reader.ReadInteger();

        bool defsRead = false;
        bool indexDefsRead = false;
        auto finishLists = [&] {
            if (defsRead) table.Open();
            if (indexDefsRead && table.cursorOpen_) {
                table.CreateIndexes();
                table.RebuildStaleIndexes();
            }
        };
        try {
            reader.ReadListBegin();
            while (!reader.EndOfList()) {
                if (!defsRead) {
                    DropFields(table, table.FieldDefs(), [&] { table.DestroyFields(); });
                    defsRead = true;
                }
                FieldDefinition d;
                d.Name = reader.ReadString();
                const QString typeName = reader.ReadString();
                d.Size = reader.ReadInteger();
                d.DisplayLabel = reader.ReadString();
                d.EditMask = reader.ReadString();
                d.DisplayWidth = reader.ReadInteger();
                d.Required = reader.ReadBoolean();
                d.ReadOnly = reader.ReadBoolean();
                const std::optional<TFieldType> type = FieldTypeByName(typeName);
                if (!type) MemTableError(MemTableTexts::UnknownFieldTypeName(typeName));
                d.Type = *type;
                AddField(table, d);
            }
            reader.ReadListEnd();

            reader.ReadListBegin();
            while (!reader.EndOfList()) {
                if (!indexDefsRead) {
                    table.DropSortIndex();
                    if (table.cursorOpen_) table.indexes_.Clear(table.store_->IsEmpty());
                    table.currentIndex_ = table.indexes_.RowOrderIndex();
                    table.IndexDefs().Clear();
                    indexDefsRead = true;
                }
                const QString name = reader.ReadString();
                const QString fields = reader.ReadString();
                const QString displayName = reader.ReadString();
                const bool descending = reader.ReadBoolean();
                const bool caseInsensitive = reader.ReadBoolean();
                const bool nonMaintained = reader.ReadBoolean();
                const bool unique = reader.ReadBoolean();
                TIndexDef* def = table.IndexDefs().Add(
                    name, fields, IndexOptionsOf(descending, caseInsensitive, nonMaintained, unique));
                def->SetName(displayName);
            }
            reader.ReadListEnd();
        } catch (...) {
            try {
                finishLists();
            } catch (...) {
                // The read's own error is on its way.
            }
            throw;
        }
        finishLists();
        table.ResetAutoInc();

        reader.ReadListBegin();
        if (!reader.EndOfList()) {
            if (!table.Active()) table.Open();
            if (table.FieldCount() == 0) MemTableError(MemTableTexts::NoFieldsToLoad());
            const TDataSetState savedState = table.SetTempState(dsInsert);
            try {
                ReadBinaryRows(table, reader, version);
            } catch (...) {
                table.RestoreState(savedState);
                throw;
            }
            table.RestoreState(savedState);
        }
        reader.ReadListEnd();
        scope.Finish();
    });
}

void TMemTableFormats::ReadBinaryRows(TCustomMemTable& table, TReader& reader, int version)
{
    TMemRowStore& store = *table.store_;
    std::lock_guard storeGuard(store.Lock());
    const TMemRecordLayout& layout = table.layout_;
    auto readValues = [&](bool newest) {
        for (int i = 0; i < table.FieldCount(); ++i) {
            TField* field = table.Fields()[i];
            if (reader.NextValue() == vaNil) {
                reader.ReadValue();
                continue;
            }
            ReadFieldValue(reader, field);
            if (newest && table.OnLoadField) table.OnLoadField(&table, i, field);
        }
    };
    qint32 highestAutoInc = store.HighestAutoInc;
    while (!reader.EndOfList()) {
        TMemRow* row = layout.AllocRow();
        RowHolder owner(layout, row);
        if (version >= MemBinaryFormatVersion) {
            reader.ReadListBegin();
            TMemRow* current = row;
            for (bool newest = true;; newest = false) {
                const int status = reader.ReadInteger();
                if (status < musUnmodified || status > musDeleted)
                    MemTableError(MemTableTexts::InvalidUpdateStatus(status));
                current->UpdateStatus = quint8(status);
                table.overrideRow_ = current;
                readValues(newest);
                if (reader.EndOfList()) break;
                current->OlderVersion = layout.AllocRow();
                current = current->OlderVersion;
            }
            reader.ReadListEnd();
        } else {
            table.overrideRow_ = row;
            readValues(true);
        }
        table.overrideRow_ = row;
        bool accept = true;
        if (table.OnLoadRecord) table.OnLoadRecord(&table, accept);
        table.overrideRow_ = nullptr;
        if (!accept) continue;
        store.StoreRow(row);
        owner.Release();
        if (row->UpdateStatus == musDeleted) ++store.DeletedCount;
        if (table.autoIncField_) {
            const TMemSlot& slot = layout.Slot(table.autoIncField_->FieldNo());
            qint32 value = 0;
            if (SlotHasValue(row, slot.Offset)) std::memcpy(&value, SlotValue(row, slot.Offset), sizeof value);
            highestAutoInc = std::max(highestAutoInc, value);
        }
    }
    // New rows go on from the loaded AutoInc values instead of repeating them.
    store.HighestAutoInc = highestAutoInc;
}

namespace {

// The lines of a comma text: runs of CR, LF and NUL end a line; an empty line ends the text.
QStringList CSVLines(const QString& text)
{
    QStringList lines;
    qsizetype start = 0;
    const auto isBreak = [](QChar c) { return c == QLatin1Char('\r') || c == QLatin1Char('\n') || c.unicode() == 0; };
    while (start < text.size()) {
        qsizetype end = start;
        while (end < text.size() && !isBreak(text.at(end))) ++end;
        if (end == start) break;
        lines << text.mid(start, end - start);
        while (end < text.size() && isBreak(text.at(end))) ++end;
        start = end;
    }
    return lines;
}

FieldDefinition ParseFieldDefinition(const QString& line, const QString& text)
{
    FieldDefinition d;
    const qsizetype equals = text.indexOf(QLatin1Char('='));
    d.Name = equals < 0 ? text : text.left(equals);
    const QStringList items = SplitCommaText(equals < 0 ? QString() : text.mid(equals + 1));
    const QString typeName = items.value(0);
    const std::optional<TFieldType> type = FieldTypeByName(typeName);
    if (!type) MemTableError(MemTableTexts::UnknownCSVFieldType(typeName, line));
    d.Type = *type;
    if (items.size() > 1 && !items.at(1).isEmpty()) d.Size = ParseInteger(items.at(1), line);
    d.DisplayLabel = items.value(2);
    d.EditMask = items.value(3);
    if (items.size() > 4 && !items.at(4).isEmpty()) d.DisplayWidth = ParseInteger(items.at(4), line);
    // The flags follow the display width, so a label that holds ",RO" stays a label.
    for (qsizetype i = 5; i < items.size(); ++i) {
        if (items.at(i) == QLatin1String("REQ")) d.Required = true;
        if (items.at(i) == QLatin1String("RO")) d.ReadOnly = true;
        if (items.at(i) == QLatin1String("INV")) d.Visible = false;
    }
    return d;
}

void AddIndexDefinition(TIndexDefs& defs, const QString& text)
{
    const qsizetype equals = text.indexOf(QLatin1Char('='));
    const QString name = equals < 0 ? text : text.left(equals);
    const QStringList items = SplitCommaText(equals < 0 ? QString() : text.mid(equals + 1));
    TIndexOptions options;
    for (qsizetype i = 2; i < items.size(); ++i) {
        if (items.at(i) == QLatin1String("DESC")) options |= ixDescending;
        if (items.at(i) == QLatin1String("CASE")) options |= ixCaseInsensitive;
        if (items.at(i) == QLatin1String("NONMT")) options |= ixNonMaintained;
        if (items.at(i) == QLatin1String("UNIQ")) options |= ixUnique;
    }
    TIndexDef* def = defs.Add(name, items.value(0), options);
    def->SetName(items.value(1));
}

void ReadCSVValue(TField* field, const QString& value)
{
    const TFieldType type = field->DataType();
    if (IsCSVStringType(type))
        field->SetAsString(UnescapeCSVText(value));
    else if (IsCSVBinaryType(type))
        field->SetAsBytes(Text6ToBinary(value));
    else
        field->SetAsString(value);
}

}  // namespace

void TMemTableFormats::LoadCSV(TCustomMemTable& table, TStream& stream)
{
    AsMemTableError([&] {
        const TBookmark bookmark = table.Active() ? table.GetBookmark() : TBookmark();
        auto goBack = [&] {
            if (!table.Active() || table.State() != dsBrowse) return;
            if (!bookmark.isEmpty() && table.BookmarkValid(bookmark))
                table.GotoBookmark(bookmark);
            else
                table.First();
        };
        LoadScope scope(table);
        try {
            ReadCSVLines(table, stream);
        } catch (...) {
            try {
                scope.Finish();
                goBack();
            } catch (...) {
                // The read's own error is on its way.
            }
            throw;
        }
        scope.Finish();
        goBack();
    });
}

void TMemTableFormats::ReadCSVLines(TCustomMemTable& table, TStream& stream)
{
    LoadSource source(table, stream);
    TStream& in = source.Stream();
    const QStringList lines = CSVLines(DecodeUtf8OrCp1251(in.ReadBytes(in.Size() - in.Position())));

    qsizetype next = 0;
    bool tableSection = false;
    bool indexSection = false;
    while (next < lines.size()) {
        const QString& line = lines.at(next++);
        const QString first = FirstValue(line);
        if (first == QLatin1String("@@FILE VERSION@@")) continue;
        if (first == QLatin1String("@@TABLEDEF START@@")) {
            DropFields(table, table.FieldDefs(), [&] { table.DestroyFields(); });
            tableSection = true;
            continue;
        }
        if (first == QLatin1String("@@TABLEDEF END@@")) {
            tableSection = false;
            table.Open();
            continue;
        }
        if (first == QLatin1String("@@INDEXDEF START@@")) {
            table.DropSortIndex();
            if (table.cursorOpen_) table.indexes_.Clear(table.store_->IsEmpty());
            table.currentIndex_ = table.indexes_.RowOrderIndex();
            table.IndexDefs().Clear();
            indexSection = true;
            continue;
        }
        if (first == QLatin1String("@@INDEXDEF END@@")) {
            indexSection = false;
            // A closed table makes its indexes from IndexDefs when it opens.
            if (table.cursorOpen_) {
                table.CreateIndexes();
                table.RebuildStaleIndexes();
            }
            continue;
        }
        if (!tableSection) break;
        if (indexSection)
            AddIndexDefinition(table.IndexDefs(), first);
        else
            AddField(table, ParseFieldDefinition(line, first));
    }
    table.ResetAutoInc();
    if (next >= lines.size()) return;
    if (!table.Active()) table.Open();
    if (table.FieldCount() == 0) MemTableError(MemTableTexts::NoFieldsToLoad());

    while (next < lines.size()) {
        const QString& line = lines.at(next++);
        table.Append();
        try {
            qsizetype pos = 0;
            for (int i = 0; i < table.FieldCount() && pos < line.size(); ++i) {
                TField* field = table.Fields()[i];
                if (line.at(pos) == QLatin1Char(',')) {
                    field->Clear();
                } else {
                    bool quoted = false;
                    const QString value = ReadValueAt(line, pos, quoted);
                    if (quoted)
                        ReadCSVValue(field, value);
                    else if (value.isEmpty())
                        field->Clear();
                    else
                        field->SetAsString(value);
                }
                ++pos;
                if (table.OnLoadField) table.OnLoadField(&table, i, field);
            }
            bool accept = true;
            if (table.OnLoadRecord) table.OnLoadRecord(&table, accept);
            if (accept)
                table.Post();
            else
                table.Cancel();
        } catch (...) {
            table.Cancel();
            throw;
        }
    }
}

// --- files ------------------------------------------------------------------------------------------

void TMemTableFormats::SaveToFile(TCustomMemTable& table, const QString& fileName,
                                  TMemTablePersistentSaveFormat format, TMemTableSaveFlags flags)
{
    AtomicFileStream stream(fileName);
    const TMemTableStorageType type = format == mtsfBinary ? mtstBinaryFile : mtstCSVFile;
    if (table.OnSave) table.OnSave(&table, type, stream);
    if (format == mtsfBinary)
        SaveBinary(table, stream, flags);
    else
        SaveCSV(table, stream, flags);
    stream.Commit();
}

void TMemTableFormats::LoadFromFile(TCustomMemTable& table, const QString& fileName,
                                    TMemTablePersistentSaveFormat format)
{
    TFileStream stream(fileName, fmOpenRead);
    const TMemTableStorageType type = format == mtsfBinary ? mtstBinaryFile : mtstCSVFile;
    if (table.OnLoad) table.OnLoad(&table, type, stream);
    if (format == mtsfBinary)
        LoadBinary(table, stream);
    else
        LoadCSV(table, stream);
}
