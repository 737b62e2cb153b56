#include "app/settings/SettingsFile.h"

#include "platform/os/CodePage1251.h"
#include "platform/os/Files.h"
#include "platform/toolkit/Exceptions.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <gtest/gtest.h>

namespace {

QByteArray ReadAll(const QString& path)
{
    QFile f(path);
    EXPECT_TRUE(f.open(QIODevice::ReadOnly));
    return f.readAll();
}

void WriteAll(const QString& path, const QByteArray& bytes)
{
    QFile f(path);
    ASSERT_TRUE(f.open(QIODevice::WriteOnly));
    f.write(bytes);
}

class SettingsFileTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        ASSERT_TRUE(dir_.isValid());
        SetProgramFolder(dir_.path() + QLatin1Char('/'));
    }
    void TearDown() override { SetProgramFolder(QString()); }
    QString Path() const { return dir_.path() + QStringLiteral("/Set.dll"); }

    QTemporaryDir dir_;
};

TEST_F(SettingsFileTest, WritesEveryKeyInItsOrderWithCrLfAsUtf8)
{
    TSettingsRecord r;
    r.Database = QStringLiteral("CarVantel.MDB");
    r.LoginName = QStringLiteral("Администратор");
    r.CurrentBook = QStringLiteral("0");
    r.CurrentCasheBox = QStringLiteral("1");
    r.Dao = QStringLiteral("3.6");
    r.CurrentFirmId = 1;
    r.UpDelivery = QStringLiteral("40");
    r.UpEmploee = QStringLiteral("40");
    r.ArchiveCount = QStringLiteral("10");
    ASSERT_TRUE(TSettingsFile::Save(SettingsLines(r)));
    EXPECT_EQ(SettingsFilePath(), Path());

    const QByteArray expected =
        "Database=CarVantel.MDB\r\nLogin Name=" + QStringLiteral("Администратор").toUtf8() +
        "\r\nCurrentBook=0\r\nCurrentCasheBox=1\r\nDAO=3.6\r\nCurrentFirm=\r\nCurrentFirmID=1\r\n"
        "UpDelivery=40\r\nUpEmploee=40\r\nArchiveCount=10\r\nPassword=\r\nSP=Yes\r\n"
        "ChangeSaleData=No\r\nMessages=Yes\r\nWarnings=Yes\r\nOnlyForThisFirm=Yes\r\n"
        "DontShowAnullDock=No\r\nShowUPayed=Yes\r\nSpeedButtons=Yes\r\nAllDelivery=Yes\r\nFiFo=No\r\n"
        "CashHrono=No\r\nCashGiveTake=Yes\r\nChangeLanguage=No\r\nEnglishLanguage=No\r\n"
        "DynamCheck=Yes\r\nAutoDPrint=Yes\r\nAutoArchive=Yes\r\nPWD=\r\n";
    EXPECT_EQ(ReadAll(Path()), expected);
}

TEST_F(SettingsFileTest, AnUnsavedPasswordLeavesOutItsLineAndScramblesBothPasswords)
{
    TSettingsRecord r;
    r.Password = QStringLiteral("abc");
    r.OperatorPassword = QStringLiteral("abc");
    TStringList lines = SettingsLines(r);
    EXPECT_EQ(lines.Values(QStringLiteral("Password")), QStringLiteral("331713"));
    EXPECT_EQ(lines.Values(QStringLiteral("PWD")), QStringLiteral("331713"));

    r.SavePassword = false;
    lines = SettingsLines(r);
    EXPECT_EQ(lines.IndexOfName(QStringLiteral("Password")), -1);
    EXPECT_EQ(lines.Strings(10), QStringLiteral("SP=No"));
    EXPECT_EQ(lines.Count(), 28);
}

TEST_F(SettingsFileTest, APasswordThatCannotBeScrambledWritesNothing)
{
    TSettingsRecord r;
    r.OperatorPassword = QStringLiteral("\u4e2d");
    EXPECT_THROW(SettingsLines(r), EConvertError);
}

TEST_F(SettingsFileTest, ReadsCodePage1251FilesOfEarlierInstallations)
{
    WriteAll(Path(), ToCp1251(QStringLiteral("Login Name=Иван Петров\r\nCurrentFirm=Автосервиз\r\n")));
    TSettingsFile file;
    ASSERT_TRUE(file.Load());
    EXPECT_EQ(file.Value(QStringLiteral("Login Name")), QStringLiteral("Иван Петров"));
    EXPECT_EQ(file.Value(QStringLiteral("CurrentFirm")), QStringLiteral("Автосервиз"));
}

TEST_F(SettingsFileTest, FindsTheFileWhateverItsLetterCase)
{
    WriteAll(dir_.path() + QStringLiteral("/SET.DLL"), "Messages=No\r\n");
    TSettingsFile file;
    ASSERT_TRUE(file.Load());
    EXPECT_FALSE(file.UnlessNo(QStringLiteral("Messages")));
}

TEST_F(SettingsFileTest, ValueRulesForYesNoNumbersAndMissingKeys)
{
    WriteAll(Path(), "A=Yes\r\nB=No\r\nC=yes\r\nN=12\r\nX=1a\r\nA=No\r\nE=\r\n");
    TSettingsFile file;
    ASSERT_TRUE(file.Load());
    struct Case {
        const char* key;
        bool ifYes;
        bool unlessNo;
    } cases[] = {{"A", true, true}, {"B", false, false}, {"C", false, true}, {"Missing", false, true}};
    for (const auto& c : cases) {
        SCOPED_TRACE(c.key);
        EXPECT_EQ(file.IfYes(QString::fromLatin1(c.key)), c.ifYes);
        EXPECT_EQ(file.UnlessNo(QString::fromLatin1(c.key)), c.unlessNo);
    }
    EXPECT_EQ(file.IntValue(QStringLiteral("N"), 1), 12);
    EXPECT_EQ(file.IntValue(QStringLiteral("X"), 1), 1);
    EXPECT_EQ(file.IntValue(QStringLiteral("Missing"), 0), 0);
    EXPECT_EQ(file.TextOr(QStringLiteral("E"), QStringLiteral("10")), QStringLiteral("10"));
    EXPECT_TRUE(file.Has(QStringLiteral("E")));
    EXPECT_FALSE(file.Has(QStringLiteral("Missing")));
}

TEST_F(SettingsFileTest, MissingFileLoadsNothingAndAFailedSaveKeepsTheOldFile)
{
    TSettingsFile file;
    EXPECT_FALSE(file.Load());
    EXPECT_EQ(file.Lines().Count(), 0);

    WriteAll(Path(), "Messages=No\r\n");
    TStringList lines;
    lines.Add(QStringLiteral("Messages=Yes"));
    EXPECT_FALSE(TSettingsFile::Save(lines, dir_.path() + QStringLiteral("/missing/Set.dll")));
    EXPECT_EQ(ReadAll(Path()), QByteArray("Messages=No\r\n"));
}

}  // namespace
