#include "platform/toolkit/Exceptions.h"
#include "platform/toolkit/Streams.h"

#include <QFile>
#include <QTemporaryDir>
#include <gtest/gtest.h>

TEST(Streams, MemoryStreamReadsPastTheEndShortAndReadBufferRefuses)
{
    TMemoryStream s(QByteArray("abcdef"));
    char buf[8] = {};
    EXPECT_EQ(s.Read(buf, 4), 4);
    EXPECT_EQ(s.Read(buf, 4), 2);
    EXPECT_EQ(QByteArray(buf, 2), QByteArray("ef"));
    EXPECT_EQ(s.Read(buf, 4), 0);
    s.SetPosition(3);
    try {
        s.ReadBuffer(buf, 4);
        FAIL() << "no error";
    } catch (const EStreamError& e) {
        EXPECT_EQ(e.Message(), QStringLiteral("Stream read error"));
    }
}

TEST(Streams, SeekBeyondTheEndThenWriteFillsTheGapWithZeros)
{
    TMemoryStream s;
    s.WriteBytes("ab");
    EXPECT_EQ(s.Seek(3, soFromEnd), 5);
    EXPECT_EQ(s.Size(), 2);  // seeking alone does not grow the stream
    char c;
    EXPECT_EQ(s.Read(&c, 1), 0);
    s.WriteBytes("z");
    EXPECT_EQ(s.Bytes(), QByteArray("ab\0\0\0z", 6));
    EXPECT_EQ(s.Seek(-2, soFromCurrent), 4);
    EXPECT_THROW(s.Seek(-1, soFromBeginning), EStreamError);
    EXPECT_EQ(s.Position(), 4);  // a refused seek leaves the position
    s.SetSize(2);
    EXPECT_EQ(s.Position(), 2);
    EXPECT_EQ(s.Size(), 2);
}

TEST(Streams, CopyFromWholeSourceOrCountedPart)
{
    TMemoryStream source(QByteArray("0123456789"));
    source.SetPosition(7);
    TMemoryStream all;
    EXPECT_EQ(all.CopyFrom(source, 0), 10);
    EXPECT_EQ(all.Bytes(), QByteArray("0123456789"));
    source.SetPosition(2);
    TMemoryStream part;
    EXPECT_EQ(part.CopyFrom(source, 3), 3);
    EXPECT_EQ(part.Bytes(), QByteArray("234"));
    source.SetPosition(8);
    EXPECT_THROW(part.CopyFrom(source, 5), EStreamError);
}

TEST(Streams, FileStreamModesAndErrors)
{
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("Data.bin"));
    try {
        TFileStream missing(path, fmOpenRead);
        FAIL() << "opened a missing file";
    } catch (const EStreamError& e) {
        EXPECT_TRUE(e.Message().startsWith(QStringLiteral("Cannot open file \"%1\".").arg(path))) << e.what();
    }
    EXPECT_FALSE(QFile::exists(path));  // opening never creates
    EXPECT_THROW(TFileStream(dir.filePath(QStringLiteral("no/dir/x")), fmCreate), EStreamError);
    {
        TFileStream out(path, fmCreate | fmShareExclusive);
        out.WriteBytes("hello world");
        EXPECT_EQ(out.Size(), 11);
        out.SetPosition(6);
        out.WriteBytes("WORLD");
    }
    {
        TFileStream in(dir.filePath(QStringLiteral("DATA.BIN")), fmOpenRead | fmShareDenyNone);
        EXPECT_EQ(in.ReadBytes(100), QByteArray("hello WORLD"));
        EXPECT_THROW(in.WriteBytes("x"), EStreamError);
    }
    {
        TFileStream rw(path, fmOpenReadWrite);
        rw.Seek(0, soFromEnd);
        rw.WriteBytes("!");
        rw.SetSize(5);
        rw.SetPosition(0);
        EXPECT_EQ(rw.ReadBytes(100), QByteArray("hello"));
    }
}

TEST(Streams, MemoryStreamFilesAndStringStreams)
{
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("m.dat"));
    TMemoryStream m(QByteArray("\x00\x01\xFF", 3));
    m.SaveToFile(path);
    TMemoryStream back;
    back.LoadFromFile(path);
    EXPECT_EQ(back.Bytes(), QByteArray("\x00\x01\xFF", 3));
    EXPECT_EQ(back.Position(), 0);
    back.Clear();
    EXPECT_EQ(back.Size(), 0);
    EXPECT_THROW(back.LoadFromFile(dir.filePath(QStringLiteral("none"))), EStreamError);

    TStringStream text(QStringLiteral("Каса"));
    text.Seek(0, soFromEnd);
    text.WriteString(QStringLiteral(" № 1"));
    EXPECT_EQ(text.DataString(), QStringLiteral("Каса № 1"));
    text.SetPosition(0);
    EXPECT_EQ(text.ReadString(8), QStringLiteral("Каса"));
}
