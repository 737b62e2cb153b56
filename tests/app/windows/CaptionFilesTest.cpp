#include "app/windows/CaptionFiles.h"

#include "app/util/Placing.h"
#include "platform/os/CodePage1251.h"
#include "platform/os/IniFile.h"
#include "platform/toolkit/Strings.h"
#include "platform/toolkit/gui/Form.h"
#include "platform/toolkit/gui/Menus.h"
#include "platform/toolkit/gui/StandardControls.h"

#include <QFile>
#include <QTemporaryDir>
#include <gtest/gtest.h>

namespace {

TMenuItem* AddItem(QObject* owner, TMenuItem* parent, const char* name, const QString& caption)
{
    auto* item = new TMenuItem(owner);
    item->SetName(QString::fromLatin1(name));
    item->SetCaption(caption);
    parent->Add(item);
    return item;
}

void Write(const QString& fileName, const QByteArray& bytes)
{
    QFile file(fileName);
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    file.write(bytes);
}

class CaptionFiles : public ::testing::Test {
protected:
    void SetUp() override
    {
        form.setObjectName(QStringLiteral("fCarVantel"));
        form.SetCaption(QStringLiteral("Поръчки"));
        menu = new TMainMenu(&form);
        action = AddItem(&form, menu->Items(), "Action1", QStringLiteral("&Операции"));
        fresh = AddItem(&form, action, "New1", QStringLiteral("&Нова поръчка"));
        line = AddItem(&form, action, "N13", QStringLiteral("-"));
        language = AddItem(&form, menu->Items(), "Language1", QStringLiteral("&Language"));
        english = AddItem(&form, language, "English1", QStringLiteral("&English"));
        label = Place<TLabel>(&form, "lblEmpty", QString(), 0, 0, 50, 20);
        button = Place<TButton>(&form, "Button1", QStringLiteral("Save"), 0, 0, 50, 20);
    }
    QString File(const char* name) const { return dir.filePath(QString::fromLatin1(name)); }

    QTemporaryDir dir;
    TForm form;
    TMainMenu* menu = nullptr;
    TMenuItem *action = nullptr, *fresh = nullptr, *line = nullptr, *language = nullptr, *english = nullptr;
    TLabel* label = nullptr;
    TButton* button = nullptr;
};

}  // namespace

TEST_F(CaptionFiles, SavedWithoutSeparatorsOrEmptyCaptions)
{
    SaveCaptionFile(File("bg.lng"), {&form});
    const TIniFile ini(File("bg.lng"));
    EXPECT_EQ(ini.ReadString("fCarVantel", "Caption", ""), QStringLiteral("Поръчки"));
    EXPECT_EQ(ini.ReadString("fCarVantel", "New1", ""), QStringLiteral("&Нова поръчка"));
    EXPECT_EQ(ini.ReadString("fCarVantel", "Button1", ""), QStringLiteral("Save"));
    EXPECT_FALSE(ini.ValueExists("fCarVantel", "N13"));
    EXPECT_FALSE(ini.ValueExists("fCarVantel", "lblEmpty"));
}

TEST_F(CaptionFiles, LoadedCaptionsLeaveComponentsWithoutAKeyAlone)
{
    Write(File("en.lng"), "[fCarVantel]\r\nCaption=Orders\r\nNew1=&New order\r\n");
    LoadCaptionFile(File("en.lng"), {&form});
    EXPECT_EQ(form.Caption(), QStringLiteral("Orders"));
    EXPECT_EQ(fresh->Caption(), QStringLiteral("&New order"));
    EXPECT_EQ(button->Caption(), QStringLiteral("Save"));
    EXPECT_EQ(line->Caption(), QStringLiteral("-"));

    LoadCaptionFile(File("missing.lng"), {&form});
    EXPECT_EQ(form.Caption(), QStringLiteral("Orders"));
}

TEST_F(CaptionFiles, MenuFileRenamesAllButTheLastTopItem)
{
    TStringList lines;
    Write(File("menue.set"), "Action1=&Action\r\nNew1=&New order\r\nLanguage1=Sprache\r\nEnglish1=Englisch\r\n");
    LoadMenuCaptionFile(File("menue.set"), lines, menu);
    EXPECT_EQ(action->Caption(), QStringLiteral("&Action"));
    EXPECT_EQ(fresh->Caption(), QStringLiteral("&New order"));
    EXPECT_EQ(line->Caption(), QString());  // no line for the separator: an empty item
    EXPECT_EQ(language->Caption(), QStringLiteral("&Language"));
    EXPECT_EQ(english->Caption(), QStringLiteral("&English"));

    fresh->SetCaption(QStringLiteral("changed"));
    LoadMenuCaptionFile(File("menub.set"), lines, menu);  // no such file: the last lines again
    EXPECT_EQ(fresh->Caption(), QStringLiteral("&New order"));
}

TEST_F(CaptionFiles, NothingHappensBeforeAnyMenuFile)
{
    TStringList lines;
    LoadMenuCaptionFile(File("menub.set"), lines, menu);
    EXPECT_EQ(fresh->Caption(), QStringLiteral("&Нова поръчка"));
    EXPECT_EQ(line->Caption(), QStringLiteral("-"));
}

TEST_F(CaptionFiles, CodePage1251FilesOfAnEarlierInstallationReadBack)
{
    Write(File("bg.lng"), ToCp1251(QStringLiteral("[fCarVantel]\r\nCaption=Поръчки и каса\r\n")));
    Write(File("menub.set"), ToCp1251(QStringLiteral("Action1=&Операции\r\nNew1=&Нова\r\nN13=-\r\n")));
    form.SetCaption(QStringLiteral("x"));
    LoadCaptionFile(File("bg.lng"), {&form});
    EXPECT_EQ(form.Caption(), QStringLiteral("Поръчки и каса"));
    TStringList lines;
    LoadMenuCaptionFile(File("menub.set"), lines, menu);
    EXPECT_EQ(action->Caption(), QStringLiteral("&Операции"));
    EXPECT_EQ(fresh->Caption(), QStringLiteral("&Нова"));
    EXPECT_EQ(line->Caption(), QStringLiteral("-"));
}
