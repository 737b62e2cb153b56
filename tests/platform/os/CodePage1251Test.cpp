#include "platform/os/CodePage1251.h"

#include <gtest/gtest.h>

TEST(CodePage1251, SpotChecksBothWays)
{
    const struct {
        char16_t ch;
        int code;
    } cases[] = {{u'A', 0x41}, {u'А', 0xC0}, {u'Я', 0xDF}, {u'а', 0xE0}, {u'я', 0xFF}, {u'№', 0xB9},
                 {u'€', 0x88}, {u'Ё', 0xA8}, {u'ё', 0xB8}, {u'«', 0xAB}, {u'—', 0x97}, {u'\u00A0', 0xA0},
                 {u'Ђ', 0x80}, {u'џ', 0x9F}, {u'ї', 0xBF}, {u'™', 0x99}};
    for (const auto& c : cases) {
        EXPECT_EQ(Cp1251Code(QChar(c.ch)), c.code) << int(c.ch);
        EXPECT_EQ(Cp1251Char(static_cast<unsigned char>(c.code)), QChar(c.ch)) << c.code;
    }
}

TEST(CodePage1251, EveryByteReadsBackTheSame)
{
    for (int b = 0; b < 256; ++b) EXPECT_EQ(Cp1251Code(Cp1251Char(static_cast<unsigned char>(b))), b) << b;
}

TEST(CodePage1251, CharactersWithoutCodeAreReported)
{
    EXPECT_EQ(Cp1251Code(QChar(u'é')), -1);
    EXPECT_EQ(Cp1251Code(QChar(u'中')), -1);
    bool ok = true;
    EXPECT_EQ(ToCp1251(QStringLiteral("aé😀б"), &ok), QByteArray("a??\xE1"));
    EXPECT_FALSE(ok);
    EXPECT_EQ(ToCp1251(QStringLiteral("Каса № 1"), &ok), QByteArray("\xCA\xE0\xF1\xE0 \xB9 1"));
    EXPECT_TRUE(ok);
    EXPECT_EQ(FromCp1251(QByteArray("\xCA\xE0\xF1\xE0 \xB9 1")), QStringLiteral("Каса № 1"));
}

TEST(CodePage1251, TextFilesAreUtf8WhenValidElseCp1251)
{
    EXPECT_EQ(DecodeUtf8OrCp1251(QStringLiteral("Поръчка").toUtf8()), QStringLiteral("Поръчка"));
    EXPECT_EQ(DecodeUtf8OrCp1251(QByteArray("\xEF\xBB\xBFx=1")), QStringLiteral("x=1"));
    EXPECT_EQ(DecodeUtf8OrCp1251(ToCp1251(QStringLiteral("Поръчка"))), QStringLiteral("Поръчка"));
    EXPECT_EQ(DecodeUtf8OrCp1251(QByteArray("plain")), QStringLiteral("plain"));
}
