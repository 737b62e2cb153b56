#include "platform/os/Files.h"
#include "platform/os/TickCount.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QRegularExpression>
#include <QSet>
#include <QTemporaryDir>
#include <QThread>
#include <gtest/gtest.h>

namespace {
void WriteFile(const QString& path, const QByteArray& bytes)
{
    QFile f(path);
    ASSERT_TRUE(f.open(QIODevice::WriteOnly));
    f.write(bytes);
}

QByteArray ReadFile(const QString& path)
{
    QFile f(path);
    if (!f.open(QIODevice::ReadOnly)) return "<missing>";
    return f.readAll();
}
}  // namespace

TEST(Files, PathPieces)
{
    EXPECT_EQ(ExtractFilePath(QStringLiteral("/a/b/CarVantel.mdb")), QStringLiteral("/a/b/"));
    EXPECT_EQ(ExtractFilePath(QStringLiteral("C:\\shop\\Set.dll")), QStringLiteral("C:\\shop\\"));
    EXPECT_EQ(ExtractFilePath(QStringLiteral("Set.dll")), QString());
    EXPECT_EQ(ExtractFileDir(QStringLiteral("/a/b/x.txt")), QStringLiteral("/a/b"));
    EXPECT_EQ(ExtractFileDir(QStringLiteral("/x.txt")), QStringLiteral("/"));
    EXPECT_EQ(ExtractFileName(QStringLiteral("/a/b/x.tar.gz")), QStringLiteral("x.tar.gz"));
    EXPECT_EQ(ExtractFileExt(QStringLiteral("/a/b/x.tar.gz")), QStringLiteral(".gz"));
    EXPECT_EQ(ExtractFileExt(QStringLiteral("/a.d/noext")), QString());
    EXPECT_EQ(ChangeFileExt(QStringLiteral("/a/prog"), QStringLiteral(".hlp")), QStringLiteral("/a/prog.hlp"));
    EXPECT_EQ(ChangeFileExt(QStringLiteral("/a/prog.exe"), QStringLiteral(".hlp")), QStringLiteral("/a/prog.hlp"));
    EXPECT_EQ(IncludeTrailingPathDelimiter(QStringLiteral("/a")), QStringLiteral("/a/"));
    EXPECT_EQ(IncludeTrailingPathDelimiter(QStringLiteral("/a/")), QStringLiteral("/a/"));
}

TEST(Files, NamesDifferingOnlyInCaseNameTheSameFile)
{
    QTemporaryDir dir;
    QDir(dir.path()).mkdir(QStringLiteral("Data"));
    const QString real = dir.filePath(QStringLiteral("Data/CarVantel.mdb"));
    WriteFile(real, "db");
    const QString asTyped = dir.filePath(QStringLiteral("data/CarVantel.MDB"));
    EXPECT_EQ(ResolveFileNameCase(asTyped), real);
    EXPECT_EQ(ResolveFileNameCase(real), real);
    EXPECT_TRUE(FileExists(asTyped));
    EXPECT_FALSE(FileExists(dir.filePath(QStringLiteral("Data"))));
    EXPECT_TRUE(DirectoryExists(dir.filePath(QStringLiteral("DATA"))));
    const QString missing = dir.filePath(QStringLiteral("data/Other.mdb"));
    EXPECT_EQ(ResolveFileNameCase(missing), missing);
    EXPECT_FALSE(FileExists(missing));
    // Backslashes of old settings resolve too.
    EXPECT_EQ(ResolveFileNameCase(dir.path() + QStringLiteral("\\DATA\\carvantel.mdb")), real);
}

TEST(Files, CopyRespectsFailIfExistsAndReplacesWhole)
{
    QTemporaryDir dir;
    const QString src = dir.filePath(QStringLiteral("EmptyBase.mdb"));
    const QString dst = dir.filePath(QStringLiteral("CarVantel.mdb"));
    WriteFile(src, QByteArray(200000, 'x'));
    EXPECT_TRUE(CopyFile(src, dst, true));
    EXPECT_EQ(ReadFile(dst), QByteArray(200000, 'x'));
    EXPECT_EQ(QFileInfo(dst).lastModified(), QFileInfo(src).lastModified());

    WriteFile(src, "new");
    EXPECT_FALSE(CopyFile(src, dst, true));
    EXPECT_EQ(ReadFile(dst).size(), 200000);
    EXPECT_TRUE(CopyFile(src, dst, false));
    EXPECT_EQ(ReadFile(dst), QByteArray("new"));

    EXPECT_FALSE(CopyFile(dir.filePath(QStringLiteral("none.mdb")), dst, false));
    EXPECT_EQ(ReadFile(dst), QByteArray("new"));
    EXPECT_FALSE(CopyFile(src, dir.filePath(QStringLiteral("no/such/folder/x.mdb")), false));
}

TEST(Files, DeleteAndRename)
{
    QTemporaryDir dir;
    const QString a = dir.filePath(QStringLiteral("a.tmp"));
    const QString b = dir.filePath(QStringLiteral("b.tmp"));
    WriteFile(a, "a");
    WriteFile(b, "b");
    EXPECT_FALSE(RenameFile(a, b));  // the target exists
    EXPECT_TRUE(DeleteFile(dir.filePath(QStringLiteral("B.TMP"))));
    EXPECT_FALSE(DeleteFile(b));
    EXPECT_TRUE(RenameFile(a, b));
    EXPECT_EQ(ReadFile(b), QByteArray("a"));
    EXPECT_FALSE(QFile::exists(a));
}

TEST(Files, TempFileNamesAreNewEmptyFiles)
{
    QTemporaryDir dir;
    const QString first = GetTempFileName(dir.path(), QStringLiteral("mdbx"));
    const QString second = GetTempFileName(dir.path(), QStringLiteral("mdbx"));
    ASSERT_FALSE(first.isEmpty());
    EXPECT_NE(first, second);
    // Three characters of the prefix, then the drawn part; that part may itself start with "x".
    const QRegularExpression shape(QStringLiteral("^mdb[^.]{6}\\.tmp$"));
    EXPECT_TRUE(shape.match(ExtractFileName(first)).hasMatch()) << ExtractFileName(first).toStdString();
    EXPECT_EQ(ExtractFileDir(first), QFileInfo(dir.path()).absoluteFilePath());
    EXPECT_TRUE(QFileInfo(first).isFile());
    EXPECT_EQ(QFileInfo(first).size(), 0);
    EXPECT_TRUE(GetTempFileName(dir.filePath(QStringLiteral("missing")), QStringLiteral("mdb")).isEmpty());
}

TEST(Files, TempFileNamesAreNeverDrawnTwice)
{
    // Each name is created as it is drawn, so one already there is never handed out again.
    QTemporaryDir dir;
    QSet<QString> names;
    for (int i = 0; i < 500; ++i) {
        const QString name = GetTempFileName(dir.path(), QStringLiteral("mdb"));
        ASSERT_FALSE(name.isEmpty());
        names.insert(name);
    }
    EXPECT_EQ(names.size(), 500);
    EXPECT_EQ(QDir(dir.path()).entryList(QDir::Files).size(), 500);
}

TEST(Files, FindFirstAnswersTheSystemCodes)
{
    QTemporaryDir dir;
    WriteFile(dir.filePath(QStringLiteral("CarVantel.mdb")), "12345");
    WriteFile(dir.filePath(QStringLiteral("Backup1.mdb")), "1");
    WriteFile(dir.filePath(QStringLiteral(".hidden.mdb")), "1");
    QDir(dir.path()).mkdir(QStringLiteral("sub.mdb"));

    TSearchRec rec;
    EXPECT_EQ(FindFirst(dir.filePath(QStringLiteral("carvantel.MDB")), faAnyFile, rec), 0);
    EXPECT_EQ(rec.Name, QStringLiteral("CarVantel.mdb"));
    EXPECT_EQ(rec.Size, 5);
    EXPECT_TRUE(rec.Attr & faArchive);
    FindClose(rec);

    EXPECT_EQ(FindFirst(dir.filePath(QStringLiteral("gone.mdb")), faAnyFile, rec), FindFileNotFound);
    EXPECT_EQ(FindFirst(dir.filePath(QStringLiteral("nofolder/x.mdb")), faAnyFile, rec), FindPathNotFound);

    QStringList names;
    for (int r = FindFirst(dir.filePath(QStringLiteral("*.mdb")), 0, rec); r == 0; r = FindNext(rec)) names << rec.Name;
    FindClose(rec);
    EXPECT_EQ(names, (QStringList{QStringLiteral("Backup1.mdb"), QStringLiteral("CarVantel.mdb")}));

    names.clear();
    for (int r = FindFirst(dir.filePath(QStringLiteral("*.MDB")), faAnyFile, rec); r == 0; r = FindNext(rec)) names << rec.Name;
    EXPECT_EQ(names.size(), 4);
}

TEST(Files, ProgramFolderCanBeReplacedForTests)
{
    EXPECT_TRUE(ProgramFolder().endsWith(QLatin1Char('/')));
    EXPECT_TRUE(QFileInfo(ProgramFolder()).isDir());
    SetProgramFolder(QStringLiteral("/tmp/shop"));
    EXPECT_EQ(ProgramFolder(), QStringLiteral("/tmp/shop/"));
    SetProgramFolder(QString());
    EXPECT_NE(ProgramFolder(), QStringLiteral("/tmp/shop/"));
}

TEST(TickCount, AdvancesInMilliseconds)
{
    const quint32 start = GetTickCount();
    QThread::msleep(30);
    const quint32 elapsed = GetTickCount() - start;  // unsigned difference survives a wrap
    EXPECT_GE(elapsed, 25u);
    EXPECT_LT(elapsed, 5000u);
}
