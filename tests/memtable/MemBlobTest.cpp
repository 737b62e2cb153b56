#include "MemTableFixture.h"

#include "memtable/MemBlob.h"
#include "support/ErrorOf.h"

#include <gtest/gtest.h>

#include <memory>

namespace {

// N Integer, M Memo, P Blob.
std::unique_ptr<TMemTable> BlobTable()
{
    auto table = std::make_unique<TMemTable>();
    table->FieldDefs().Add(QStringLiteral("N"), ftInteger);
    table->FieldDefs().Add(QStringLiteral("M"), ftMemo);
    table->FieldDefs().Add(QStringLiteral("P"), ftBlob);
    table->Open();
    return table;
}

TField* M(TDataSet& t) { return t.FieldByName(QStringLiteral("M")); }

void AddMemo(TDataSet& table, int n, const QString& memo)
{
    table.Append();
    table.FieldByName(QStringLiteral("N"))->SetAsInteger(n);
    M(table)->SetAsString(memo);
    table.Post();
}

// The bytes the stored row's slot refers to, as stored.
QByteArray StoredBytes(TMemTable& table, int recordID, const QString& field)
{
    const TMemRow* row = table.RowStore().Slot(recordID);
    const TMemSlot& slot = table.Layout().Slot(table.FieldByName(field)->FieldNo());
    const TMemBlob* blob = TMemRecordLayout::BlobAt(row, slot.Offset);
    return blob ? blob->Data() : QByteArray("<none>");
}

TEST(MemBlob, MemoValueSurvivesPostAndEmptyWriteMakesItNull)
{
    auto table = BlobTable();
    AddMemo(*table, 1, QStringLiteral("Замена масла\r\nи фильтра"));
    table->First();
    EXPECT_EQ(M(*table)->AsString(), QStringLiteral("Замена масла\r\nи фильтра"));
    EXPECT_FALSE(M(*table)->IsNull());
    table->Edit();
    M(*table)->SetAsString(QString());
    table->Post();
    EXPECT_TRUE(M(*table)->IsNull());
    EXPECT_EQ(StoredBytes(*table, 0, QStringLiteral("M")), QByteArray("<none>"));
}

TEST(MemBlob, CancelledEditKeepsTheStoredValue)
{
    auto table = BlobTable();
    AddMemo(*table, 1, QStringLiteral("first"));
    table->First();
    table->Edit();
    M(*table)->SetAsString(QStringLiteral("second"));
    EXPECT_EQ(M(*table)->AsString(), QStringLiteral("second"));
    table->Cancel();
    EXPECT_EQ(M(*table)->AsString(), QStringLiteral("first"));
    EXPECT_EQ(StoredBytes(*table, 0, QStringLiteral("M")), QByteArray("first"));
    // A cancelled insert's blob goes with its buffer.
    table->Append();
    M(*table)->SetAsString(QStringLiteral("never stored"));
    table->Cancel();
    EXPECT_EQ(table->RecordCount(), 1);
}

TEST(MemBlob, EditedBlobLeavesTheOldValueToItsVersion)
{
    auto table = BlobTable();
    AddMemo(*table, 1, QStringLiteral("before"));
    table->SetEnableVersioning(true);
    table->First();
    table->Edit();
    M(*table)->SetAsString(QStringLiteral("after"));
    table->Post();
    EXPECT_EQ(M(*table)->AsString(), QStringLiteral("after"));
    EXPECT_EQ(M(*table)->OldValue().AsString(), QStringLiteral("before"));
}

TEST(MemBlob, ReadWriteStreamKeepsItsWrites)
{
    auto table = BlobTable();
    AddMemo(*table, 1, QStringLiteral("abc"));
    table->First();
    table->Edit();
    {
        std::unique_ptr<TStream> stream(table->CreateBlobStream(M(*table), bmReadWrite));
        EXPECT_EQ(stream->ReadBytes(10), QByteArray("abc"));
        stream->WriteBytes("de");
    }
    table->Post();
    EXPECT_EQ(M(*table)->AsString(), QStringLiteral("abcde"));
    {
        std::unique_ptr<TStream> stream(table->CreateBlobStream(M(*table), bmRead));
        stream->SetPosition(0);
    }
    EXPECT_EQ(M(*table)->AsString(), QStringLiteral("abcde"));
}

TEST(MemBlob, StreamOpeningIsChecked)
{
    auto table = BlobTable();
    AddMemo(*table, 1, QStringLiteral("x"));
    table->First();
    EXPECT_EQ(ErrorOf([&] { std::unique_ptr<TStream>(table->CreateBlobStream(M(*table), bmWrite)); }),
              QStringLiteral("Dataset is not in edit mode."));
    EXPECT_EQ(ErrorOf([&] {
                  std::unique_ptr<TStream>(table->CreateBlobStream(table->FieldByName(QStringLiteral("N")), bmRead));
              }),
              QStringLiteral("Invalid class typecast"));
    M(*table)->SetReadOnly(true);
    table->Edit();
    EXPECT_EQ(ErrorOf([&] { std::unique_ptr<TStream>(table->CreateBlobStream(M(*table), bmWrite)); }),
              QStringLiteral("Field M is read only"));
    table->Cancel();
}

TEST(MemBlob, CompressAndDecompressHooksSeeTheBytesBothWays)
{
    auto table = BlobTable();
    QByteArrayList compressed, decompressed;
    auto flip = [](QByteArray bytes) {
        for (char& c : bytes) c = char(c ^ 0x5A);
        return bytes;
    };
    table->OnCompressBlobStream = [&](TCustomMemTable*, TStream& plain, TStream& packed) {
        const QByteArray bytes = plain.ReadBytes(plain.Size());
        compressed << bytes;
        packed.WriteBytes(flip(bytes));
    };
    table->OnDecompressBlobStream = [&](TCustomMemTable*, TStream& packed, TStream& plain) {
        const QByteArray bytes = packed.ReadBytes(packed.Size());
        decompressed << bytes;
        plain.WriteBytes(flip(bytes));
    };
    table->Append();
    table->FieldByName(QStringLiteral("P"))->SetAsBytes(QByteArray("\x01\x02\x03", 3));
    table->Post();
    EXPECT_EQ(compressed, QByteArrayList{QByteArray("\x01\x02\x03", 3)});
    EXPECT_EQ(StoredBytes(*table, 0, QStringLiteral("P")), flip(QByteArray("\x01\x02\x03", 3)));
    EXPECT_EQ(table->FieldByName(QStringLiteral("P"))->AsBytes(), QByteArray("\x01\x02\x03", 3));
    EXPECT_EQ(decompressed.last(), flip(QByteArray("\x01\x02\x03", 3)));
}

TEST(MemBlob, CloseBlobForgetsAnInsertedBuffersValue)
{
    auto table = BlobTable();
    table->Append();
    M(*table)->SetAsString(QStringLiteral("draft"));
    table->CloseBlob(M(*table));
    EXPECT_TRUE(M(*table)->IsNull());
    table->Cancel();
}

}  // namespace
