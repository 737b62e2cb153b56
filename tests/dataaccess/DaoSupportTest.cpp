#include "dataaccess/DaoSupport.h"
#include "platform/toolkit/DateTime.h"
#include "platform/toolkit/Params.h"

#include <gtest/gtest.h>

namespace {

struct LiteralDefault {
    QLocale saved = QLocale();
    ~LiteralDefault() { QLocale::setDefault(saved); }
};

TEST(DaoSupport, DateLiteralToStampReadsJetDatesAndRefusesImpossibleOnes)
{
    struct Case {
        const char* literal;
        const char* stamp;
    };
    // 31 January 2005 is day 731977 counted from 1 January of year 1.
    const Case cases[] = {
        {"1/31/2005", "731977 0"},
        {"01/31/2005", "731977 0"},
        {"1/31/2005 10:30", "731977 37800000"},
        {"1/31/2005 10:30:15", "731977 37815000"},
        {"1/31/2005 1:05:07 PM", "731977 47107000"},
        {"1/31/2005 12:00:00 AM", "731977 0"},
        {"1/31/2005 12:30:00 PM", "731977 45000000"},
        {"2/30/2005", ""},
        {"13/1/2005", ""},
        {"1/31/2005 25:00", ""},
        {"1/31", ""},
        {"today", ""},
    };
    for (const auto& c : cases)
        EXPECT_EQ(DateLiteralToStamp(QString::fromLatin1(c.literal)), QString::fromLatin1(c.stamp)) << c.literal;
}

TEST(DaoSupport, StampTextBecomesDateVariantOrNull)
{
    const TVariant date = StringToTimeStampVariant(QStringLiteral("731977 37800000"));
    ASSERT_EQ(date.Type(), TVarType::Date);
    EXPECT_DOUBLE_EQ(date.AsDateTime(), EncodeDate(2005, 1, 31) + EncodeTime(10, 30, 0, 0));
    for (const char* bad : {"731977", "abc 0", "731977 x", ""})
        EXPECT_TRUE(StringToTimeStampVariant(QString::fromLatin1(bad)).IsNull()) << bad;
}

TEST(DaoSupport, ParameterTokensAreReplacedAsWholeWordsWithSafeLiterals)
{
    struct Case {
        const char* name;
        QString sql;
        const char* param;
        TFieldType type;
        TVariant value;
        QString expected;
    };
    const Case cases[] = {
        {"integer, :idx untouched", QStringLiteral("SELECT * FROM t WHERE id = :id OR x = :idx"), "id", ftInteger,
         TVariant(7), QStringLiteral("SELECT * FROM t WHERE id = 7 OR x = :idx")},
        {"case of the token ignored", QStringLiteral("WHERE ID = :ID"), "id", ftInteger, TVariant(7),
         QStringLiteral("WHERE ID = 7")},
        {"string quoted, quotes doubled", QStringLiteral("WHERE name = :name"), "name", ftString,
         TVariant(QStringLiteral("say \"hi\"")), QStringLiteral("WHERE name = \"say \"\"hi\"\"\"")},
        {"memo quoted", QStringLiteral("WHERE note = :n"), "n", ftMemo, TVariant(QStringLiteral("a\"b")),
         QStringLiteral("WHERE note = \"a\"\"b\"")},
        {"wide text quoted", QStringLiteral("WHERE note = :n"), "n", ftWideString, TVariant(QStringLiteral("x")),
         QStringLiteral("WHERE note = \"x\"")},
        {"Null after equals", QStringLiteral("WHERE made = :d AND id = 1"), "d", ftDate, TVariant::Null(),
         QStringLiteral("WHERE made IS NULL AND id = 1")},
        {"Null after not-equals", QStringLiteral("WHERE made <> :d"), "d", ftDate, TVariant::Null(),
         QStringLiteral("WHERE made IS NOT NULL")},
        {"Null as a value", QStringLiteral("INSERT INTO t (a) VALUES (:a)"), "a", ftInteger, TVariant::Null(),
         QStringLiteral("INSERT INTO t (a) VALUES (NULL)")},
        {"Null after less-or-equal", QStringLiteral("WHERE a <= :a"), "a", ftInteger, TVariant::Null(),
         QStringLiteral("WHERE a <= NULL")},
        {"Cyrillic letter continues the name", QStringLiteral("WHERE a = :idя OR b = :id"), "id", ftInteger,
         TVariant(3), QStringLiteral("WHERE a = :idя OR b = 3")},
        {"Cyrillic letter before the colon", QStringLiteral("WHERE a = б:id"), "id", ftInteger, TVariant(3),
         QStringLiteral("WHERE a = б:id")},
        {"date", QStringLiteral("WHERE d = :d"), "d", ftDate, TVariant::FromDate(EncodeDate(2024, 3, 5)),
         QStringLiteral("WHERE d = #03/05/2024#")},
        {"date and time", QStringLiteral("WHERE d = :d"), "d", ftDateTime,
         TVariant::FromDate(EncodeDate(2024, 3, 5) + EncodeTime(14, 7, 9, 0)),
         QStringLiteral("WHERE d = #03/05/2024 14:07:09#")},
        {"time", QStringLiteral("WHERE d = :d"), "d", ftTime, TVariant::FromDate(EncodeTime(8, 5, 0, 0)),
         QStringLiteral("WHERE d = #08:05:00#")},
        {"not inside a quoted literal", QStringLiteral("WHERE a = ':id' AND b = \":id\" AND [:id] = :id"), "id",
         ftString, TVariant(QStringLiteral("x'y")), QStringLiteral("WHERE a = ':id' AND b = \":id\" AND [:id] = \"x'y\"")},
        {"at the very end", QStringLiteral("x=:p"), "p", ftInteger, TVariant(1), QStringLiteral("x=1")},
    };
    for (const auto& c : cases) {
        TParams params;
        TParam* p = params.CreateParam(c.type, QString::fromLatin1(c.param), ptInput);
        p->SetValue(c.value);
        const QString token = QLatin1Char(':') + p->Name();
        const QString result = p->IsNull() ? ReplaceParamToken(c.sql, token, QString(), true)
                                           : ReplaceParamToken(c.sql, token, ParamLiteral(*p));
        EXPECT_EQ(result, c.expected) << c.name;
    }
}

TEST(DaoSupport, NumberLiteralIgnoresTheLocaleForms)
{
    LiteralDefault restore;
    for (const char* name : {"bg_BG", "de_DE", "en_US", "fr_FR"}) {
        const QLocale locale{QString::fromLatin1(name)};
        EXPECT_EQ(NumberLiteral(1234567.25, locale), QStringLiteral("1234567.25")) << name;
        EXPECT_EQ(NumberLiteral(-0.5, locale), QStringLiteral("-0.5")) << name;
    }
    QLocale::setDefault(QLocale(QStringLiteral("bg_BG")));
    TParams params;
    TParam* p = params.CreateParam(ftFloat, QStringLiteral("price"), ptInput);
    p->SetAsFloat(12.5);
    EXPECT_EQ(ParamLiteral(*p), QStringLiteral("12.5"));
}

TEST(DaoSupport, TextRoutines)
{
    EXPECT_EQ(BracketDottedName(QStringLiteral("orders.id")), QStringLiteral("[orders].[id]"));
    EXPECT_EQ(BracketDottedName(QStringLiteral("id")), QStringLiteral("[id]"));
    EXPECT_EQ(NormalizeDateText(QStringLiteral(" 12.05.2024 г.  10:30 ")), QStringLiteral("12.05.2024 10:30"));
    EXPECT_EQ(NormalizeDateText(QStringLiteral("12. 05. 2024")), QStringLiteral("12.05.2024"));
    EXPECT_EQ(QueryDefTypeName(48), QStringLiteral("dbQUpdate"));
    EXPECT_EQ(QueryDefTypeName(5), QString());
    EXPECT_EQ(OptionWord(OOBit(dbDenyWrite) | OOBit(dbFailOnError) | OOBit(dbExecDirect)), 1 + 128 + 2048);
    const QByteArray guid = GuidTextToBytes(QStringLiteral("{00112233-4455-6677-8899-AABBCCDDEEFF}"));
    ASSERT_EQ(guid.size(), 16);
    EXPECT_EQ(uchar(guid[0]), 0x33);  // the first group is stored little-endian
    EXPECT_EQ(GuidBytesToText(guid), QStringLiteral("{00112233-4455-6677-8899-AABBCCDDEEFF}"));
    EXPECT_EQ(GuidBytesToText(QByteArray(16, '\0')), QString());
    EXPECT_EQ(GuidBytesToText(QByteArray(3, 'x')), QString());
}

}  // namespace
