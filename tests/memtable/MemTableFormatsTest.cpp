#include "MemTableFixture.h"

#include "memtable/MemJournal.h"
#include "memtable/MemTableFormats.h"

#include "platform/toolkit/Filer.h"
#include "platform/toolkit/Streams.h"
#include "support/ErrorOf.h"

#include <gtest/gtest.h>

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <random>

namespace {

// Builds expected bytes by hand.
class Bytes {
public:
    Bytes& operator()(std::initializer_list<int> values)
    {
        for (int v : values) data_ += char(v);
        return *this;
    }
    Bytes& Text(const char* text)
    {
        data_ += text;
        return *this;
    }
    Bytes& Repeat(char c, int count)
    {
        data_ += QByteArray(count, c);
        return *this;
    }
    const QByteArray& Data() const { return data_; }

private:
    QByteArray data_;
};

QByteArray Saved(TCustomMemTable& table, TMemTableSaveFlags flags, bool binary)
{
    TMemoryStream stream;
    if (binary)
        table.SaveBinaryToStream(stream, flags);
    else
        table.SaveCSVToStream(stream, flags);
    return stream.Bytes();
}

void Load(TCustomMemTable& table, const QByteArray& bytes, bool binary)
{
    TMemoryStream stream(bytes);
    if (binary)
        table.LoadBinaryFromStream(stream);
    else
        table.LoadCSVFromStream(stream);
}

// N Integer, S String(300), F Float, B Boolean.
std::unique_ptr<TMemTable> ScalarTable()
{
    auto table = std::make_unique<TMemTable>();
    table->FieldDefs().Add(QStringLiteral("N"), ftInteger);
    table->FieldDefs().Add(QStringLiteral("S"), ftString, 300);
    table->FieldDefs().Add(QStringLiteral("F"), ftFloat);
    table->FieldDefs().Add(QStringLiteral("B"), ftBoolean);
    return table;
}

const int kBoundaries[] = {127, 128, -128, -129, 32767, 32768, -32768, -32769};

std::unique_ptr<TMemTable> ScalarFixture()
{
    auto table = ScalarTable();
    table->Open();
    for (int i = 0; i < 8; ++i) {
        table->Append();
        table->FieldByName(QStringLiteral("N"))->SetAsInteger(kBoundaries[i]);
        if (i == 0) table->FieldByName(QStringLiteral("S"))->SetAsString(QString(255, QLatin1Char('a')));
        if (i == 1) table->FieldByName(QStringLiteral("S"))->SetAsString(QString(256, QLatin1Char('b')));
        if (i == 2) table->FieldByName(QStringLiteral("S"))->SetAsString(QStringLiteral("Ж"));
        if (i == 0) table->FieldByName(QStringLiteral("F"))->SetAsFloat(1.5);
        if (i == 1) table->FieldByName(QStringLiteral("F"))->SetAsFloat(-2.0);
        if (i < 2) table->FieldByName(QStringLiteral("B"))->SetAsBoolean(i == 0);
        table->Post();
    }
    return table;
}

QByteArray ScalarGolden()
{
    Bytes b;
    b.Text("TPF0")({3, 0xE6, 0})({1, 0})({1, 0})({1});
    const std::vector<std::vector<int>> numbers = {{2, 0x7F}, {3, 0x80, 0}, {2, 0x80}, {3, 0x7F, 0xFF},
                                                   {3, 0xFF, 0x7F}, {4, 0, 0x80, 0, 0}, {3, 0, 0x80},
                                                   {4, 0xFF, 0x7F, 0xFF, 0xFF}};
    for (int i = 0; i < 8; ++i) {
        b({1})({2, 0});
        for (int v : numbers[size_t(i)]) b({v});
        if (i == 0) b({6, 0xFF}).Repeat('a', 255);
        else if (i == 1) b({12, 0, 1, 0, 0}).Repeat('b', 256);
        else if (i == 2) b({6, 1, 0xC6});
        else b({6, 0});
        if (i == 0) b({5, 0, 0, 0, 0, 0, 0, 0, 0xC0, 0xFF, 0x3F});
        else if (i == 1) b({5, 0, 0, 0, 0, 0, 0, 0, 0x80, 0x00, 0xC0});
        else b({5, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0});
        b({i == 0 ? 9 : 8})({0});
    }
    b({0});
    return b.Data();
}

// N Integer (label "Номер", width 7, required), unique index ixN, one row N = 5.
std::unique_ptr<TMemTable> DefinitionFixture()
{
    auto table = std::make_unique<TMemTable>();
    table->FieldDefs().Add(QStringLiteral("N"), ftInteger, 0, true);
    table->IndexDefs().Add(QStringLiteral("ixN"), QStringLiteral("N"), ixUnique);
    table->Open();
    table->FieldByName(QStringLiteral("N"))->SetDisplayLabel(QStringLiteral("Номер"));
    table->FieldByName(QStringLiteral("N"))->SetDisplayWidth(7);
    table->AppendRecord({5});
    return table;
}

QByteArray DefinitionGolden()
{
    Bytes b;
    b.Text("TPF0")({3, 0xE6, 0})({1});
    b({6, 1}).Text("N")({6, 7}).Text("Integer")({2, 0})({6, 5, 0xCD, 0xEE, 0xEC, 0xE5, 0xF0})({6, 0})({2, 7})({9, 8});
    b({0})({1});
    b({6, 3}).Text("ixN")({6, 1}).Text("N")({6, 3}).Text("ixN")({8, 8, 8, 9});
    b({0})({1})({1, 2, 0, 2, 5, 0})({0});
    return b.Data();
}

// N Integer (required), T String(20) labelled Te"xt (read-only), B Bytes(3); index ixN.
std::unique_ptr<TMemTable> CSVFixture()
{
    auto table = std::make_unique<TMemTable>();
    table->FieldDefs().Add(QStringLiteral("N"), ftInteger, 0, true);
    table->FieldDefs().Add(QStringLiteral("T"), ftString, 20);
    table->FieldDefs().Add(QStringLiteral("B"), ftBytes, 3);
    table->IndexDefs().Add(QStringLiteral("ixN"), QStringLiteral("N"), ixDescending | ixUnique);
    table->Open();
    table->Append();
    table->FieldByName(QStringLiteral("N"))->SetAsInteger(1);
    table->FieldByName(QStringLiteral("T"))->SetAsString(QStringLiteral("a\"b%\r\nc"));
    table->FieldByName(QStringLiteral("B"))->SetAsBytes("abc");
    table->Post();
    table->AppendRecord({-2});
    TField* t = table->FieldByName(QStringLiteral("T"));
    t->SetDisplayLabel(QStringLiteral("Te\"xt"));
    t->SetReadOnly(true);
    t->SetDisplayWidth(20);
    table->FieldByName(QStringLiteral("N"))->SetDisplayWidth(5);
    table->FieldByName(QStringLiteral("B"))->SetDisplayWidth(6);
    return table;
}

const char* const kCSVGolden =
    "\"@@FILE VERSION@@\",\"200\"\r\n"
    "\"@@TABLEDEF START@@\"\r\n"
    "\"N=Integer,0,\"\"N\"\",\"\"\"\",5,REQ\"\r\n"
    "\"T=String,20,\"\"Te\"\"\"\"xt\"\",\"\"\"\",20,RO\"\r\n"
    "\"B=Bytes,3,\"\"B\"\",\"\"\"\",6\"\r\n"
    "@@INDEXDEF START@@\r\n"
    "\"ixN=\"\"N\"\",\"\"ixN\"\",DESC,UNIQ\"\r\n"
    "@@INDEXDEF END@@\r\n"
    "@@TABLEDEF END@@\r\n"
    "\"N\",\"Te\"\"xt\",\"B\",\r\n"
    "\"1\",\"a\"\"b%%%c%nc\",\"A)V8\",\r\n"
    "\"-2\",,\r\n";

// --- text helpers ----------------------------------------------------------------------------------

TEST(MemTableFormats, SixBitTextAndEscapes)
{
    const std::vector<std::pair<QByteArray, QString>> six = {
        {QByteArray(), QString()},
        {QByteArray("a"), QStringLiteral("A!")},
        {QByteArray("ab"), QStringLiteral("A)&")},
        {QByteArray("abc"), QStringLiteral("A)V8")},
        {QByteArray("\xff\x00\x80", 3), QStringLiteral("_# @")},
    };
    for (const auto& [bytes, text] : six) {
        EXPECT_EQ(BinaryToText6(bytes), text);
        EXPECT_EQ(Text6ToBinary(text), bytes);
    }
    EXPECT_EQ(ErrorOf([] { Text6ToBinary(QStringLiteral("A~")); }), QStringLiteral("Invalid character in 6-bit text."));

    const std::vector<std::pair<QString, QString>> escapes = {
        {QStringLiteral("plain"), QStringLiteral("plain")},
        {QString(QChar(0)), QStringLiteral("%0")},
        {QStringLiteral("a\nb\rc"), QStringLiteral("a%nb%cc")},
        {QStringLiteral("100%"), QStringLiteral("100%%")},
        {QStringLiteral("%n"), QStringLiteral("%%n")},
    };
    for (const auto& [text, escaped] : escapes) {
        EXPECT_EQ(EscapeCSVText(text), escaped);
        EXPECT_EQ(UnescapeCSVText(escaped), text);
    }
    EXPECT_EQ(UnescapeCSVText(QStringLiteral("%x%")), QStringLiteral("%x%"));
}

// --- binary format ---------------------------------------------------------------------------------

TEST(MemTableBinaryFormat, GoldenRowsWithBoundaryIntegersExtendedRealsAndLongStrings)
{
    auto table = ScalarFixture();
    const QByteArray golden = ScalarGolden();
    EXPECT_EQ(Saved(*table, mtfSaveData, true).toHex(' '), golden.toHex(' '));

    auto loaded = ScalarTable();
    loaded->Open();
    Load(*loaded, golden, true);
    EXPECT_EQ(Column(*loaded, QStringLiteral("N")), Words("127 128 -128 -129 32767 32768 -32768 -32769"));
    loaded->First();
    EXPECT_EQ(loaded->FieldByName(QStringLiteral("S"))->AsString(), QString(255, QLatin1Char('a')));
    EXPECT_EQ(loaded->FieldByName(QStringLiteral("F"))->AsFloat(), 1.5);
    loaded->Next();
    EXPECT_EQ(loaded->FieldByName(QStringLiteral("S"))->AsString(), QString(256, QLatin1Char('b')));
    loaded->Next();
    EXPECT_EQ(loaded->FieldByName(QStringLiteral("S"))->AsString(), QStringLiteral("Ж"));
}

TEST(MemTableBinaryFormat, GoldenDefinitionsLoadIntoAnEmptyTable)
{
    auto table = DefinitionFixture();
    const QByteArray golden = DefinitionGolden();
    EXPECT_EQ(Saved(*table, mtfSaveData | mtfSaveDef | mtfSaveIndexDef, true).toHex(' '), golden.toHex(' '));

    TMemTable loaded;
    Load(loaded, golden, true);
    ASSERT_TRUE(loaded.Active());
    TField* n = loaded.FieldByName(QStringLiteral("N"));
    EXPECT_EQ(n->DataType(), ftInteger);
    EXPECT_EQ(n->DisplayLabel(), QStringLiteral("Номер"));
    EXPECT_EQ(n->DisplayWidth(), 7);
    EXPECT_TRUE(n->Required());
    ASSERT_EQ(loaded.IndexDefs().Count(), 1);
    EXPECT_TRUE(loaded.IndexDefs().Items(0)->Options().testFlag(ixUnique));
    EXPECT_EQ(Column(loaded, QStringLiteral("N")), Words("5"));
    // The unique index came back with the definitions.
    EXPECT_EQ(ErrorOf([&] { loaded.AppendRecord({5}); }), QStringLiteral("Duplicate index value. Operation aborted."));
}

TEST(MemTableBinaryFormat, FlatRowsOfOlderVersionsLoad)
{
    Bytes b;
    b.Text("TPF0")({2, 100})({1, 0})({1, 0})({1});
    b({2, 7, 6, 1}).Text("x")({2, 8, 6, 1}).Text("y")({0});
    TMemTable table;
    table.FieldDefs().Add(QStringLiteral("N"), ftInteger);
    table.FieldDefs().Add(QStringLiteral("T"), ftString, 5);
    table.Open();
    Load(table, b.Data(), true);
    EXPECT_EQ(Column(table, QStringLiteral("N")), Words("7 8"));
    EXPECT_EQ(Column(table, QStringLiteral("T")), Words("x y"));
}

TEST(MemTableBinaryFormat, EveryTypeRoundTripsWithDefinitions)
{
    auto table = std::make_unique<TMemTable>();
    const std::vector<std::pair<const char*, TFieldType>> types = {
        {"I", ftInteger}, {"SI", ftSmallint}, {"W", ftWord}, {"BO", ftBoolean}, {"F", ftFloat}, {"C", ftCurrency},
        {"BC", ftBCD}, {"D", ftDate}, {"TI", ftTime}, {"DT", ftDateTime}, {"L", ftLargeint}, {"S", ftString},
        {"WS", ftWideString}, {"BY", ftBytes}, {"VB", ftVarBytes}, {"M", ftMemo}, {"BL", ftBlob}};
    for (const auto& [name, type] : types) {
        const int size = type == ftString || type == ftWideString ? 20 : (type == ftBytes || type == ftVarBytes ? 4 : 0);
        table->FieldDefs().Add(QString::fromLatin1(name), type, type == ftBCD ? 2 : size);
    }
    table->Open();
    table->Append();
    const std::vector<QString> values = {
        QStringLiteral("-70000"), QStringLiteral("-300"), QStringLiteral("65000"), QStringLiteral("True"),
        QStringLiteral("0.1"), QStringLiteral("12.34"), QStringLiteral("99.25"), QStringLiteral("31.12.2024"),
        QStringLiteral("13:45:10"), QStringLiteral("01.02.2003 04:05:06"), QString(), QStringLiteral("Щётка 日本"),
        QStringLiteral("ключ"), QString(), QString(), QStringLiteral("строка\r\nдва"), QString()};
    for (size_t i = 0; i < types.size(); ++i)
        if (!values[i].isEmpty()) table->Fields()[int(i)]->SetAsString(values[i]);
    table->FieldByName(QStringLiteral("L"))->SetAsLargeInt((qint64(1) << 62) + 1);
    table->FieldByName(QStringLiteral("BY"))->SetAsBytes(QByteArray("\x00\x01\xfe\xff", 4));
    table->FieldByName(QStringLiteral("VB"))->SetAsBytes(QByteArray("\x00\x7f", 2));
    table->FieldByName(QStringLiteral("BL"))->SetAsBytes(QByteArray("\x00\r\n\xff", 4));
    table->Post();
    table->AppendRecord({1});

    for (const bool binary : {true, false}) {
        TMemTable loaded;
        Load(loaded, Saved(*table, mtfSaveData | mtfSaveDef | mtfSaveBlobs, binary), binary);
        ASSERT_EQ(loaded.FieldCount(), table->FieldCount());
        table->First();
        loaded.First();
        for (int i = 0; i < table->FieldCount(); ++i) {
            EXPECT_EQ(loaded.Fields()[i]->DataType(), table->Fields()[i]->DataType()) << i;
            if (table->Fields()[i]->DataType() == ftBytes || table->Fields()[i]->DataType() == ftVarBytes ||
                table->Fields()[i]->IsBlob()) {
                EXPECT_EQ(loaded.Fields()[i]->AsBytes(), table->Fields()[i]->AsBytes()) << i << " binary " << binary;
            }
            EXPECT_EQ(loaded.Fields()[i]->AsString(), table->Fields()[i]->AsString()) << i << " binary " << binary;
        }
        EXPECT_EQ(loaded.FieldByName(QStringLiteral("L"))->AsLargeInt(), (qint64(1) << 62) + 1);
        loaded.Next();
        table->Next();
        // Comma text keeps nulls; the binary format writes them as their type's empty value.
        if (!binary) {
            for (int i = 1; i < table->FieldCount(); ++i) EXPECT_TRUE(loaded.Fields()[i]->IsNull()) << i;
        }
        EXPECT_TRUE(loaded.FieldByName(QStringLiteral("M"))->IsNull());
        EXPECT_TRUE(loaded.FieldByName(QStringLiteral("D"))->IsNull());
    }
}

TEST(MemTableBinaryFormat, ExcludedBlobAndCalculatedFieldsKeepTheirPlace)
{
    auto make = [] {
        auto table = std::make_unique<TMemTable>();
        auto add = [&](TField* field, const char* name, TFieldKind kind) {
            field->SetFieldName(QString::fromLatin1(name));
            field->SetFieldKind(kind);
            field->SetDataSet(table.get());
        };
        add(new TIntegerField(table.get()), "N", fkData);
        add(new TMemoField(table.get()), "M", fkData);
        add(new TIntegerField(table.get()), "Twice", fkCalculated);
        auto* text = new TStringField(table.get());
        text->SetSize(10);
        add(text, "T", fkData);
        table->OnCalcFields = [](TDataSet* ds) {
            ds->FieldByName(QStringLiteral("Twice"))->SetAsInteger(2 * ds->FieldByName(QStringLiteral("N"))->AsInteger());
        };
        table->Open();
        return table;
    };
    auto table = make();
    table->Append();
    table->FieldByName(QStringLiteral("N"))->SetAsInteger(4);
    table->FieldByName(QStringLiteral("M"))->SetAsString(QStringLiteral("memo"));
    table->FieldByName(QStringLiteral("T"))->SetAsString(QStringLiteral("text"));
    table->Post();
    auto loaded = make();
    Load(*loaded, Saved(*table, mtfSaveData, true), true);
    loaded->First();
    EXPECT_EQ(loaded->FieldByName(QStringLiteral("N"))->AsInteger(), 4);
    EXPECT_TRUE(loaded->FieldByName(QStringLiteral("M"))->IsNull());
    EXPECT_EQ(loaded->FieldByName(QStringLiteral("Twice"))->AsInteger(), 8);
    EXPECT_EQ(loaded->FieldByName(QStringLiteral("T"))->AsString(), QStringLiteral("text"));
}

TEST(MemTableBinaryFormat, DeltasKeepVersionsAndSkipRowsInsertedAndDeleted)
{
    auto table = MakeTable();
    table->Open();
    for (int n = 1; n <= 3; ++n) AddRow(*table, n, "old");
    table->SetEnableVersioning(true);
    ASSERT_TRUE(table->Locate(QStringLiteral("N"), 1, {}));
    table->Edit();
    table->FieldByName(QStringLiteral("T"))->SetAsString(QStringLiteral("new"));
    table->Post();
    ASSERT_TRUE(table->Locate(QStringLiteral("N"), 2, {}));
    table->Delete();
    AddRow(*table, 4, "added");
    AddRow(*table, 5, "gone");
    ASSERT_TRUE(table->Locate(QStringLiteral("N"), 5, {}));
    table->Delete();

    const TMemTableSaveFlags deltas = mtfSaveData | mtfSaveDeltas | mtfSaveDef;
    for (const bool keepAll : {false, true}) {
        TMemTable loaded;
        Load(loaded, Saved(*table, keepAll ? deltas | mtfSaveDontFilterDeltas : deltas, true), true);
        QStringList statuses;
        for (int id = 0; id < loaded.RowStore().SlotCount(); ++id) {
            QString chain;
            for (const TMemRow* v = loaded.RowStore().Slot(id); v; v = v->OlderVersion) chain += QString::number(v->UpdateStatus);
            statuses << chain;
        }
        EXPECT_EQ(statuses, keepAll ? Words("10 30 0 2 32") : Words("10 30 0 2")) << keepAll;
        EXPECT_EQ(Column(loaded, QStringLiteral("T")), Words("new old added"));
    }
    // Without the data flag only changed rows go.
    TMemTable changed;
    Load(changed, Saved(*table, mtfSaveDeltas | mtfSaveDef, true), true);
    EXPECT_EQ(changed.RowStore().RowCount(), 3);
}

TEST(MemTableBinaryFormat, UnknownTypesAndDamageAreMemTableErrors)
{
    QByteArray golden = DefinitionGolden();
    golden.replace("Integer", "Integex");
    TMemTable table;
    EXPECT_EQ(ErrorOf([&] { Load(table, golden, true); }), QStringLiteral("Unknown field type (Integex)"));
    try {
        Load(table, DefinitionGolden().left(20), true);
        ADD_FAILURE() << "a truncated stream loaded";
    } catch (const EMemTableError&) {
    }
}

TEST(MemTableBinaryFormat, LoadedAutoIncValuesAreNotHandedOutAgain)
{
    auto table = MakeTable();
    table->Open();
    for (int n = 0; n < 3; ++n) AddRow(*table, n, "x");
    auto loaded = MakeTable();
    loaded->Open();
    Load(*loaded, Saved(*table, mtfSaveData, true), true);
    AddRow(*loaded, 9, "y");
    EXPECT_EQ(Column(*loaded, QStringLiteral("ID")), Words("0 1 2 3"));
}

TEST(MemTableBinaryFormat, RecordHooksAndStreamCompression)
{
    auto table = MakeTable();
    table->Open();
    for (int n = 1; n <= 3; ++n) AddRow(*table, n, QStringLiteral("r%1").arg(n));
    table->OnSaveRecord = [](TCustomMemTable* t, bool& accept) { accept = t->FieldByName(QStringLiteral("N"))->AsInteger() != 2; };
    table->OnCompressSave = [](TCustomMemTable*, TStream& plain, TStream& packed) {
        QByteArray bytes = plain.ReadBytes(plain.Size());
        std::reverse(bytes.begin(), bytes.end());
        packed.WriteBytes(bytes);
    };
    const QByteArray saved = Saved(*table, mtfSaveData | mtfSaveDef, true);
    EXPECT_FALSE(saved.startsWith("TPF0"));
    TMemTable loaded;
    loaded.OnDecompressLoad = [](TCustomMemTable*, TStream& packed, TStream& plain) {
        QByteArray bytes = packed.ReadBytes(packed.Size());
        std::reverse(bytes.begin(), bytes.end());
        plain.WriteBytes(bytes);
    };
    QStringList loadedFields;
    loaded.OnLoadField = [&](TCustomMemTable*, int, TField* field) { loadedFields << field->FieldName(); };
    loaded.OnLoadRecord = [](TCustomMemTable* t, bool& accept) { accept = t->FieldByName(QStringLiteral("N"))->AsInteger() != 3; };
    Load(loaded, saved, true);
    EXPECT_EQ(Column(loaded, QStringLiteral("N")), Words("1"));
    EXPECT_EQ(loadedFields, Words("ID N T ID N T"));
}

// --- comma text ------------------------------------------------------------------------------------

TEST(MemTableCSVFormat, GoldenTextWithDefinitionsEscapesAndTheTrailingCommaRule)
{
    auto table = CSVFixture();
    const TMemTableSaveFlags flags = mtfSaveData | mtfSaveDef | mtfSaveIndexDef;
    EXPECT_EQ(QString::fromLatin1(Saved(*table, flags, false)), QString::fromLatin1(kCSVGolden));

    TMemTable loaded;
    Load(loaded, kCSVGolden, false);
    ASSERT_EQ(loaded.FieldCount(), 3);
    TField* n = loaded.FieldByName(QStringLiteral("N"));
    TField* t = loaded.FieldByName(QStringLiteral("T"));
    EXPECT_TRUE(n->Required());
    EXPECT_FALSE(n->ReadOnly());
    EXPECT_EQ(n->DisplayWidth(), 5);
    EXPECT_TRUE(t->ReadOnly());
    EXPECT_EQ(t->DisplayLabel(), QStringLiteral("Te\"xt"));
    EXPECT_EQ(t->Size(), 20);
    EXPECT_EQ(loaded.FieldByName(QStringLiteral("B"))->DataType(), ftBytes);
    ASSERT_EQ(loaded.IndexDefs().Count(), 1);
    EXPECT_EQ(loaded.IndexDefs().Items(0)->Options(), ixDescending | ixUnique);
    loaded.SetIndexName(QStringLiteral("ixN"));
    EXPECT_EQ(Column(loaded, QStringLiteral("N")), Words("1 -2"));
    loaded.First();
    EXPECT_EQ(t->AsString(), QStringLiteral("a\"b%\r\nc"));
    EXPECT_EQ(loaded.FieldByName(QStringLiteral("B"))->AsBytes(), QByteArray("abc"));
    loaded.Next();
    EXPECT_TRUE(t->IsNull());
    // And it writes the same text again.
    EXPECT_EQ(QString::fromLatin1(Saved(loaded, flags, false)), QString::fromLatin1(kCSVGolden));
}

TEST(MemTableCSVFormat, HeaderKeepsItsCommaAndOneRowLosesIt)
{
    auto table = MakeTable();
    table->Open();
    AddRow(*table, 7, "x");
    EXPECT_EQ(Saved(*table, mtfSaveData, false), QByteArray("\"ID\",\"N\",\"T\",\r\n\"0\",\"7\",\"x\"\r\n"));
    EXPECT_EQ(ErrorOf([&] { Saved(*table, mtfSaveData | mtfSaveDeltas, false); }),
              QStringLiteral("Saving deltas is supported only in binary format."));
    // An excluded field keeps an empty place unless the rest is skipped.
    table->FieldByName(QStringLiteral("T"))->SetVisible(false);
    AddRow(*table, 8, "y");
    EXPECT_EQ(Saved(*table, mtfSaveData, false),
              QByteArray("\"ID\",\"N\",\"T\",\r\n\"0\",\"7\",,\r\n\"1\",\"8\",\r\n"));
    EXPECT_EQ(Saved(*table, mtfSaveData | mtfSkipRest, false),
              QByteArray("\"ID\",\"N\",\r\n\"0\",\"7\",\r\n\"1\",\"8\"\r\n"));
}

TEST(MemTableCSVFormat, DefinitionLinesAreReadByTheirParts)
{
    const QByteArray text =
        "\"@@TABLEDEF START@@\"\r\n"
        "\"X=String,10,\"\"Parts,RO\"\",\"\"\"\",10\"\r\n"
        "\"H=Integer,0,\"\"H\"\",\"\"\"\",4,INV\"\r\n"
        "@@TABLEDEF END@@\r\n"
        "\"Parts,RO\",\"H\",\r\n"
        "\"a\",\"1\"\r\n";
    TMemTable table;
    Load(table, text, false);
    EXPECT_FALSE(table.FieldByName(QStringLiteral("X"))->ReadOnly());
    EXPECT_EQ(table.FieldByName(QStringLiteral("X"))->DisplayLabel(), QStringLiteral("Parts,RO"));
    EXPECT_FALSE(table.FieldByName(QStringLiteral("H"))->Visible());
    EXPECT_EQ(Column(table, QStringLiteral("H")), Words("1"));

    TMemTable unknown;
    const QString line = QStringLiteral("\"Z=Foo,1,\"\"Z\"\",\"\"\"\",1\"");
    EXPECT_EQ(ErrorOf([&] { Load(unknown, "\"@@TABLEDEF START@@\"\r\n" + line.toLatin1() + "\r\n", false); }),
              QStringLiteral("Unknown field type (Foo) in CSV file. (%1)").arg(line));
}

TEST(MemTableCSVFormat, RowsFollowTheTableAndLeadingEmptyLineReadsNothing)
{
    auto table = MakeTable();
    table->SetEnableJournal(true);
    table->Open();
    Load(*table, "\"ID\",\"N\",\"T\",\r\n\"5\",\"1\",\"a\",\r\n\"6\",,\"b\"\r\n", false);
    EXPECT_EQ(Column(*table, QStringLiteral("ID")), Words("5 6"));
    EXPECT_EQ(Column(*table, QStringLiteral("N")), Words("1 <null>"));
    EXPECT_EQ(table->Journal()->JournalTable()->RecordCount(), 2);
    AddRow(*table, 3, "c");
    EXPECT_EQ(Column(*table, QStringLiteral("ID")), Words("5 6 7"));
    Load(*table, "\r\n\"ID\",\"N\",\"T\",\r\n\"9\",\"9\",\"z\"\r\n", false);
    EXPECT_EQ(table->RecordCount(), 3);
}

TEST(MemTableCSVFormat, CyrillicTextIsCodePage1251AndOtherTextStaysWhole)
{
    auto table = MakeTable();
    table->Open();
    AddRow(*table, 1, QStringLiteral("Щётка"));
    const QByteArray single = Saved(*table, mtfSaveData, false);
    EXPECT_TRUE(single.contains(QByteArray("\xD9\xB8\xF2\xEA\xE0")));
    AddRow(*table, 2, QStringLiteral("日本"));
    TMemTable loaded;
    Load(loaded, Saved(*table, mtfSaveData | mtfSaveDef, false), false);
    EXPECT_EQ(Column(loaded, QStringLiteral("T")), QStringList({QStringLiteral("Щётка"), QStringLiteral("日本")}));
}

// --- the persistent file ---------------------------------------------------------------------------

// A fresh directory of this test run, removed at the end.
class ScratchDir {
public:
    ScratchDir()
    {
        static int counter = 0;
        path_ = QDir(QStringLiteral(CARVANTEL_BINARY_DIR))
                    .filePath(QStringLiteral("memtable-scratch-%1-%2").arg(QCoreApplication::applicationPid()).arg(++counter));
        QDir(path_).removeRecursively();
        QDir().mkpath(path_);
    }
    ~ScratchDir() { QDir(path_).removeRecursively(); }
    ScratchDir(const ScratchDir&) = delete;
    ScratchDir& operator=(const ScratchDir&) = delete;
    QString path() const { return path_; }
    QString filePath(const QString& name) const { return QDir(path_).filePath(name); }

private:
    QString path_;
};

TEST(MemTablePersistentFile, MissingFileOpensEmptyAndCloseWritesIt)
{
    ScratchDir dir;
    const QString file = dir.filePath(QStringLiteral("cash.dat"));
    for (const TMemTablePersistentSaveFormat format : {mtsfBinary, mtsfCSV}) {
        QFile::remove(file);
        {
            auto table = MakeTable();
            table->SetPersistentFile(file);
            table->SetPersistent(true);
            table->SetPersistentSaveFormat(format);
            table->Open();
            EXPECT_TRUE(table->IsEmpty());
            AddRow(*table, 1, "a");
            AddRow(*table, 2, "b");
            table->Close();
            EXPECT_TRUE(QFile::exists(file));
            table->Open();
            EXPECT_EQ(Column(*table, QStringLiteral("N")), Words("1 2"));
            AddRow(*table, 3, "c");
        }
        // The destructor saved the last row as well.
        auto table = MakeTable();
        table->SetPersistentFile(file);
        table->SetPersistent(true);
        table->SetPersistentSaveFormat(format);
        table->Open();
        EXPECT_EQ(Column(*table, QStringLiteral("T")), Words("a b c")) << int(format);
        table->SetPersistent(false);
    }
}

TEST(MemTablePersistentFile, AFailedSaveLosesNothing)
{
    ScratchDir dir;
    const QString file = dir.filePath(QStringLiteral("cash.dat"));
    {
        auto table = MakeTable();
        table->SetPersistentFile(file);
        table->SetPersistent(true);
        table->Open();
        AddRow(*table, 1, "kept");
        table->Close();
    }
    QFile before(file);
    ASSERT_TRUE(before.open(QIODevice::ReadOnly));
    const QByteArray saved = before.readAll();
    before.close();

    std::vector<QString> handled;
    SetExceptionHandler([&](std::exception_ptr error) {
        try {
            std::rethrow_exception(error);
        } catch (const Exception& e) {
            handled.push_back(e.Message());
        }
    });
    {
        auto table = MakeTable();
        table->SetPersistentFile(file);
        table->SetPersistent(true);
        table->Open();
        AddRow(*table, 2, "lost?");
        table->OnSaveField = [](TCustomMemTable*, int, TField*) { throw EMemTableError(QStringLiteral("disk full")); };
        EXPECT_EQ(ErrorOf([&] { table->Close(); }), QStringLiteral("disk full"));
        EXPECT_TRUE(table->Active());
    }
    SetExceptionHandler(nullptr);
    EXPECT_EQ(handled, std::vector<QString>{QStringLiteral("disk full")});
    QFile after(file);
    ASSERT_TRUE(after.open(QIODevice::ReadOnly));
    EXPECT_EQ(after.readAll(), saved);
    EXPECT_EQ(QDir(dir.path()).entryList(QDir::Files), QStringList{QStringLiteral("cash.dat")});
}

TEST(MemTablePersistentFile, FormDataTravelsThroughTheFiler)
{
    auto table = MakeTable();
    table->SetStoreDataOnForm(true);
    table->Open();
    AddRow(*table, 4, "form");
    TMemoryStream form;
    {
        TWriter writer(form);
        writer.WriteRootComponent(*table);
    }
    auto copy = MakeTable();
    copy->SetStoreDataOnForm(true);
    form.SetPosition(0);
    {
        TReader reader(form);
        reader.ReadRootComponent(*copy);
    }
    copy->Open();
    EXPECT_EQ(Column(*copy, QStringLiteral("T")), Words("form"));
}

// --- damaged input ---------------------------------------------------------------------------------

// Seeded damage of a good stream: changed, inserted, removed and repeated bytes, or a cut.
QByteArray Mutate(const QByteArray& good, std::mt19937& random)
{
    QByteArray bytes = good;
    const int edits = 1 + int(random() % 4);
    for (int e = 0; e < edits && !bytes.isEmpty(); ++e) {
        const qsizetype at = qsizetype(random() % quint32(bytes.size()));
        switch (random() % 6) {
        case 0: bytes[at] = char(random()); break;
        case 1: bytes[at] = char(bytes[at] ^ char(1 << (random() % 8))); break;
        case 2: bytes.insert(at, char(random())); break;
        case 3: bytes.remove(at, 1 + qsizetype(random() % 8)); break;
        case 4: bytes.insert(at, bytes.mid(at, 1 + qsizetype(random() % 16))); break;
        default: bytes.truncate(at); break;
        }
    }
    return bytes;
}

void FuzzReader(const std::vector<QByteArray>& seeds, bool binary)
{
    // A fixed number of runs from a fixed seed: the same inputs on every machine, however busy.
    constexpr int kRuns = 250;
    std::mt19937 random(binary ? 1301 : 1302);
    for (int runs = 1; runs <= kRuns; ++runs) {
        const QByteArray input = Mutate(seeds[size_t(runs - 1) % seeds.size()], random);
        auto table = ScalarTable();
        try {
            Load(*table, input, binary);
            if (table->Active()) Column(*table, table->Fields()[0]->FieldName());
        } catch (const EMemTableError&) {
        } catch (const std::exception& e) {
            ADD_FAILURE() << "run " << runs << ": " << e.what() << "\ninput: " << input.toHex().constData();
            return;
        }
    }
}

TEST(MemTableFormatsFuzz, BinaryReaderRaisesOnlyItsOwnError)
{
    auto csv = CSVFixture();
    FuzzReader({ScalarGolden(), DefinitionGolden(), Saved(*csv, mtfSaveData | mtfSaveDef | mtfSaveIndexDef | mtfSaveBlobs, true)},
               true);
}

TEST(MemTableFormatsFuzz, CommaTextReaderRaisesOnlyItsOwnError)
{
    auto scalars = ScalarFixture();
    FuzzReader({QByteArray(kCSVGolden), Saved(*scalars, mtfSaveData | mtfSaveDef, false)}, false);
}

}  // namespace
