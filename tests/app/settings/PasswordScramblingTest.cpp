#include "app/settings/PasswordScrambling.h"

#include "platform/toolkit/Exceptions.h"

#include <gtest/gtest.h>

namespace {

const QString kKey = QString::fromLatin1(kPasswordKey);

struct ScrambleCase {
    const char* name;
    QString text;
    QString hex;
};

TEST(PasswordScrambling, EncodesEachCodeAgainstTheRunningKey)
{
    const ScrambleCase cases[] = {
        {"empty", QString(), QString()},
        // 'a'^'R', 'b'^'u', 'c'^'p'
        {"latin", QStringLiteral("abc"), QStringLiteral("331713")},
        // 0xE0 (cp1251 'а') ^ 'R'; 0xC1 ('Б') ^ 'u'
        {"cyrillic", QStringLiteral("аБ"), QStringLiteral("B2B4")},
        // the ninth character takes the key's first letter again
        {"key wraps", QStringLiteral("aaaaaaaaa"), QStringLiteral("3314113504120F0033")},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        EXPECT_EQ(EncodeText(c.text, kKey), c.hex);
        EXPECT_EQ(DecodeText(c.hex, kKey), c.text);
    }
}

TEST(PasswordScrambling, DecodingSkipsBlanksAndLineBreaksAndReadsOddDigitsAsSeven)
{
    const ScrambleCase cases[] = {
        {"blanks between pairs", QStringLiteral("abc"), QStringLiteral("33 17 13")},
        {"line breaks", QStringLiteral("abc"), QStringLiteral("33\r\n17\n13")},
        // "3a": the lower-case digit is worth 7, 0x37 ^ 'R' = 'e'
        {"lower-case digit", QStringLiteral("e"), QStringLiteral("3a")},
        // a lone trailing digit pairs with a missing one (7): 0x17 ^ 'u' = 'b'
        {"odd trailing digit", QStringLiteral("ab"), QStringLiteral("331")},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        EXPECT_EQ(DecodeText(c.hex, kKey), c.text);
    }
}

TEST(PasswordScrambling, HexDigitValues)
{
    EXPECT_EQ(HexDigitValue(u'0'), 0);
    EXPECT_EQ(HexDigitValue(u'9'), 9);
    EXPECT_EQ(HexDigitValue(u'A'), 10);
    EXPECT_EQ(HexDigitValue(u'F'), 15);
    EXPECT_EQ(HexDigitValue(u'f'), 7);
    EXPECT_EQ(HexDigitValue(u'G'), 7);
}

TEST(PasswordScrambling, RefusesACharacterWithoutACodePageCode)
{
    QChar offending;
    EXPECT_FALSE(CanScramble(QStringLiteral("ab\u4e2dc"), &offending));
    EXPECT_EQ(offending, QChar(0x4e2d));
    try {
        EncodeText(QStringLiteral("ab\u4e2dc"), kKey);
        FAIL() << "no error";
    } catch (const EConvertError& e) {
        EXPECT_TRUE(e.Message().contains(QChar(0x4e2d)));
    }
}

}  // namespace
