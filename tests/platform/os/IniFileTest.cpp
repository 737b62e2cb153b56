#include "platform/os/CodePage1251.h"
#include "platform/os/IniFile.h"

#include <QFile>
#include <QTemporaryDir>
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
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray("<missing>");
}
}  // namespace

TEST(IniFile, SectionsAndKeysIgnoreCaseValuesAreTrimmed)
{
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("bg.lng"));
    WriteFile(path,
              "; caption file\r\n[fCarVantel]\r\nCaption = CarVantel \r\nNew1=&New\r\nnew1=second wins not\r\n\r\n"
              "[fSearch]\nCaption=Search\n");
    TIniFile ini(path);
    EXPECT_EQ(ini.ReadString(QStringLiteral("FCARVANTEL"), QStringLiteral("caption"), QString()), QStringLiteral("CarVantel"));
    EXPECT_EQ(ini.ReadString(QStringLiteral("fcarvantel"), QStringLiteral("NEW1"), QString()), QStringLiteral("&New"));
    EXPECT_EQ(ini.ReadString(QStringLiteral("fSearch"), QStringLiteral("Caption"), QString()), QStringLiteral("Search"));
    EXPECT_EQ(ini.ReadString(QStringLiteral("fSearch"), QStringLiteral("Missing"), QStringLiteral("dflt")), QStringLiteral("dflt"));
    EXPECT_EQ(ini.ReadString(QStringLiteral("Nowhere"), QStringLiteral("Caption"), QStringLiteral("d")), QStringLiteral("d"));
    EXPECT_EQ(ini.ReadSections(), (QStringList{QStringLiteral("fCarVantel"), QStringLiteral("fSearch")}));
    EXPECT_EQ(ini.ReadSection(QStringLiteral("FCarVantel")),
              (QStringList{QStringLiteral("Caption"), QStringLiteral("New1"), QStringLiteral("new1")}));
    EXPECT_EQ(ini.ReadSectionValues(QStringLiteral("fSearch")), QStringList{QStringLiteral("Caption=Search")});
    EXPECT_FALSE(ini.Modified());
}

TEST(IniFile, WritesRoundTripAsUtf8AndKeepComments)
{
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("en.lng"));
    WriteFile(path, "; keep me\r\n[Form1]\r\nCaption=Old\r\n");
    {
        TIniFile ini(path);
        ini.WriteString(QStringLiteral("FORM1"), QStringLiteral("caption"), QStringLiteral("  Поръчки  "));
        ini.WriteString(QStringLiteral("Form1"), QStringLiteral("Button1"), QStringLiteral("&Старт"));
        ini.WriteInteger(QStringLiteral("Numbers"), QStringLiteral("Count"), -12);
        ini.WriteBool(QStringLiteral("Numbers"), QStringLiteral("On"), true);
        EXPECT_TRUE(ini.UpdateFile());
    }
    EXPECT_EQ(ReadFile(path), QStringLiteral("; keep me\r\n[Form1]\r\nCaption=Поръчки\r\nButton1=&Старт\r\n\r\n"
                                             "[Numbers]\r\nCount=-12\r\nOn=1\r\n")
                                  .toUtf8());
    TIniFile again(path);
    EXPECT_EQ(again.ReadString(QStringLiteral("form1"), QStringLiteral("CAPTION"), QString()), QStringLiteral("Поръчки"));
    EXPECT_EQ(again.ReadInteger(QStringLiteral("numbers"), QStringLiteral("count"), 0), -12);
    EXPECT_TRUE(again.ReadBool(QStringLiteral("numbers"), QStringLiteral("on"), false));
}

TEST(IniFile, Cp1251FilesAreReadAndRewrittenAsUtf8)
{
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("bg.lng"));
    WriteFile(path, ToCp1251(QStringLiteral("[fCasheBox]\r\nCaption=Каса № 1\r\n")));
    {
        TIniFile ini(path);
        EXPECT_EQ(ini.ReadString(QStringLiteral("fcashebox"), QStringLiteral("caption"), QString()),
                  QStringLiteral("Каса № 1"));
        ini.WriteString(QStringLiteral("fCasheBox"), QStringLiteral("Label1"), QStringLiteral("Салдо"));
    }  // pending changes are written when the object goes
    EXPECT_EQ(ReadFile(path), QStringLiteral("[fCasheBox]\r\nCaption=Каса № 1\r\nLabel1=Салдо\r\n").toUtf8());
}

TEST(IniFile, NumbersBooleansEraseAndDelete)
{
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("x.ini"));
    WriteFile(path, "[A]\nhex=$1F\nhex2=0x10\nbad=12a\nyes=Yes\nno=false\nzero=0\nword=maybe\n[B]\nk=v\n");
    TIniFile ini(path);
    EXPECT_EQ(ini.ReadInteger(QStringLiteral("A"), QStringLiteral("hex"), 0), 31);
    EXPECT_EQ(ini.ReadInteger(QStringLiteral("A"), QStringLiteral("hex2"), 0), 16);
    EXPECT_EQ(ini.ReadInteger(QStringLiteral("A"), QStringLiteral("bad"), 7), 7);
    EXPECT_TRUE(ini.ReadBool(QStringLiteral("A"), QStringLiteral("yes"), false));
    EXPECT_FALSE(ini.ReadBool(QStringLiteral("A"), QStringLiteral("no"), true));
    EXPECT_FALSE(ini.ReadBool(QStringLiteral("A"), QStringLiteral("zero"), true));
    EXPECT_TRUE(ini.ReadBool(QStringLiteral("A"), QStringLiteral("word"), true));
    ini.DeleteKey(QStringLiteral("a"), QStringLiteral("HEX"));
    EXPECT_FALSE(ini.ValueExists(QStringLiteral("A"), QStringLiteral("hex")));
    ini.EraseSection(QStringLiteral("b"));
    EXPECT_FALSE(ini.SectionExists(QStringLiteral("B")));
    EXPECT_TRUE(ini.Modified());
    EXPECT_TRUE(ini.UpdateFile());
    EXPECT_FALSE(ini.Modified());
    EXPECT_FALSE(ReadFile(path).contains("[B]"));
}

TEST(IniFile, MissingFileStartsEmptyAndUnwritableFileReportsFailure)
{
    QTemporaryDir dir;
    TIniFile ini(dir.filePath(QStringLiteral("none/deeper/x.ini")));
    EXPECT_TRUE(ini.ReadSections().isEmpty());
    ini.WriteString(QStringLiteral("S"), QStringLiteral("k"), QStringLiteral("v"));
    EXPECT_FALSE(ini.UpdateFile());
    EXPECT_TRUE(ini.Modified());
}
