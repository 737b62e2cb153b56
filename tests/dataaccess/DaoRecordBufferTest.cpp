#include "dataaccess/DaoRecordBuffer.h"
#include "dataaccess/DaoSupport.h"

#include "platform/toolkit/DateTime.h"
#include "platform/toolkit/Exceptions.h"
#include "platform/toolkit/Fields.h"

#include <gtest/gtest.h>

#include <array>
#include <cstring>

namespace {

// Native field data of any type the codec writes, compared byte for byte.
using Native = std::array<char, 64>;

Native Zeroed()
{
    Native n;
    n.fill(0);
    return n;
}

// 31 January 2005, 12:30:15.
double Noon() { return EncodeDate(2005, 1, 31) + EncodeTime(12, 30, 15, 0); }
const QString kGuid = QStringLiteral("{12345678-9ABC-DEF0-1122-334455667788}");

TEST(DaoRecordBuffer, KeptValueGetsItsTextOnFirstReadAndMarksStayPerField)
{
    TDaoRecordTexts texts;
    texts.Resize(3);
    texts.SetValue(0, TVariant(42));
    texts.SetText(1, QStringLiteral("abc"));
    texts.mark[1] = true;
    ASSERT_NE(texts.PendingValue(0), nullptr);
    EXPECT_EQ(texts.PendingValue(1), nullptr);
    EXPECT_EQ(texts.Text(0), QStringLiteral("42"));
    EXPECT_EQ(texts.PendingValue(0), nullptr);
    EXPECT_EQ(texts.Text(1), QStringLiteral("abc"));
    EXPECT_TRUE(texts.Text(2).isEmpty());
    texts.Resize(4);
    EXPECT_TRUE(texts.mark[1]);
    EXPECT_FALSE(texts.mark[3]);
    texts.Reset(2);
    EXPECT_EQ(texts.Count(), 2u);
    EXPECT_TRUE(texts.Text(1).isEmpty());
    EXPECT_FALSE(texts.mark[1]);
}

TEST(DaoRecordBuffer, CopiedBufferOwnsItsTextsAndCalculatedArea)
{
    TRecordBuffer source = daorecord::AllocBuffer(8, 2);
    TRecordBuffer target = daorecord::AllocBuffer(8, 2);
    EXPECT_EQ(daorecord::BufferSize(8), int(sizeof(TDaoRecordHeader)) + 8);
    daorecord::Header(source)->key = 7;
    daorecord::Header(source)->recNo = 3;
    daorecord::Header(source)->texts->SetText(1, QStringLiteral("x"));
    daorecord::CalcArea(source)[5] = 'c';
    daorecord::CopyBuffer(target, source, 8);
    EXPECT_EQ(daorecord::Header(target)->key, 7);
    EXPECT_EQ(daorecord::Header(target)->recNo, 3);
    EXPECT_EQ(daorecord::CalcArea(target)[5], 'c');
    EXPECT_NE(daorecord::Header(target)->texts, daorecord::Header(source)->texts);
    daorecord::Header(target)->texts->SetText(1, QStringLiteral("y"));
    EXPECT_EQ(daorecord::Header(source)->texts->Text(1), QStringLiteral("x"));
    daorecord::FreeBuffer(source);
    daorecord::FreeBuffer(target);
    EXPECT_EQ(source, nullptr);
    daorecord::FreeBuffer(source);
}

TEST(DaoRecordBuffer, EngineValuesGetTheirRecordTexts)
{
    struct Case {
        const char* name;
        TVariant value;
        QString text;
    };
    const Case cases[] = {
        {"integer", TVariant(-12), QStringLiteral("-12")},
        {"large integer", TVariant(qint64(1) << 40), QStringLiteral("1099511627776")},
        {"true", TVariant(true), QStringLiteral("True")},
        {"false", TVariant(false), QStringLiteral("False")},
        {"double", TVariant(2.5), QStringLiteral("2.5")},
        {"currency", TVariant::FromCurrency(12.34), QStringLiteral("12.34")},
        {"date", TVariant::FromDate(Noon()), QStringLiteral("731977 45015000")},
        {"text", TVariant(QStringLiteral("abc")), QStringLiteral("abc")},
    };
    for (const auto& c : cases)
        EXPECT_EQ(daorecord::EngineValueText(c.value), c.text) << c.name;
    for (const auto& kept : {TVarType::Integer, TVarType::Int64, TVarType::Boolean, TVarType::Double,
                             TVarType::Currency, TVarType::Date})
        EXPECT_TRUE(daorecord::KeptAsValue(kept));
    EXPECT_FALSE(daorecord::KeptAsValue(TVarType::String));
    EXPECT_FALSE(daorecord::KeptAsValue(TVarType::Bytes));
}

// A kept value read as field data gives what its text would give, or leaves the text to tell.
TEST(DaoRecordBuffer, KeptValueGivesTheFieldDataOfItsText)
{
    struct Case {
        const char* name;
        TFieldType type;
        TVariant value;
        bool direct;
    };
    const Case cases[] = {
        {"integer", ftInteger, TVariant(123456), true},
        {"smallint", ftSmallint, TVariant(-7), true},
        {"word", ftWord, TVariant(65535), true},
        {"largeint", ftLargeint, TVariant(qint64(1) << 40), true},
        {"boolean", ftBoolean, TVariant(true), true},
        {"float", ftFloat, TVariant(0.1), true},
        {"negative zero", ftFloat, TVariant(-0.0), true},
        {"currency", ftCurrency, TVariant::FromCurrency(12.34), true},
        {"date", ftDate, TVariant::FromDate(Noon()), true},
        {"time", ftTime, TVariant::FromDate(Noon()), true},
        {"date-time", ftDateTime, TVariant::FromDate(Noon()), true},
        {"seventeen digits", ftFloat, TVariant(0.1 + 0.2), false},
        {"text in an integer field", ftInteger, TVariant(QStringLiteral("5")), false},
        {"integer in a boolean field", ftBoolean, TVariant(1), false},
        {"number in a date field", ftDate, TVariant(2.5), false},
    };
    for (const auto& c : cases) {
        Native fromValue = Zeroed();
        Native fromText = Zeroed();
        ASSERT_EQ(daorecord::ValueFieldData(c.type, c.value, fromValue.data()), c.direct) << c.name;
        if (!c.direct)
            continue;
        ASSERT_TRUE(daorecord::TextFieldData(c.type, 0, false, daorecord::EngineValueText(c.value), fromText.data()))
            << c.name;
        EXPECT_EQ(std::memcmp(fromValue.data(), fromText.data(), size_t(FieldDataSize(c.type, 0))), 0) << c.name;
    }
}

TEST(DaoRecordBuffer, FieldDataAndRecordTextsConvertBothWays)
{
    struct Case {
        const char* name;
        TFieldType type;
        int size;
        QString text;
    };
    const Case cases[] = {
        {"string", ftString, 10, QStringLiteral("Иван")},
        {"smallint", ftSmallint, 0, QStringLiteral("-32768")},
        {"word", ftWord, 0, QStringLiteral("65535")},
        {"integer", ftInteger, 0, QStringLiteral("2147483647")},
        {"counter", ftAutoInc, 0, QStringLiteral("12")},
        {"largeint", ftLargeint, 0, QStringLiteral("-1099511627776")},
        {"true", ftBoolean, 0, QStringLiteral("True")},
        {"false", ftBoolean, 0, QStringLiteral("False")},
        {"float", ftFloat, 0, QStringLiteral("3.25")},
        {"currency", ftCurrency, 0, QStringLiteral("0.01")},
        {"date", ftDate, 0, QStringLiteral("731977 0")},
        {"time", ftTime, 0, QStringLiteral("693594 45015000")},
        {"date-time", ftDateTime, 0, QStringLiteral("731977 45015000")},
        {"bytes", ftBytes, 4, QStringLiteral("ab\x01z")},
    };
    for (const auto& c : cases) {
        Native data = Zeroed();
        ASSERT_TRUE(daorecord::TextFieldData(c.type, c.size, false, c.text, data.data())) << c.name;
        EXPECT_EQ(daorecord::FieldDataText(c.type, c.size, false, data.data()), c.text) << c.name;
    }
}

TEST(DaoRecordBuffer, TextsThatDoNotReadAsTheTypeGiveNoFieldData)
{
    struct Case {
        const char* name;
        TFieldType type;
        QString text;
    };
    const Case cases[] = {
        {"empty is Null", ftString, QString()},
        {"word in an integer", ftInteger, QStringLiteral("abc")},
        {"maybe", ftBoolean, QStringLiteral("maybe")},
        {"no number", ftFloat, QStringLiteral("1,2,3")},
        {"no date", ftDate, QStringLiteral("yesterday")},
        {"blob", ftBlob, QStringLiteral("abc")},
    };
    for (const auto& c : cases) {
        Native data = Zeroed();
        EXPECT_FALSE(daorecord::TextFieldData(c.type, 10, false, c.text, data.data())) << c.name;
    }
}

TEST(DaoRecordBuffer, StringDataIsCutToTheFieldSize)
{
    Native data = Zeroed();
    ASSERT_TRUE(daorecord::TextFieldData(ftString, 3, false, QStringLiteral("abcdef"), data.data()));
    EXPECT_EQ(daorecord::FieldDataText(ftString, 3, false, data.data()), QStringLiteral("abc"));
    EXPECT_TRUE(daorecord::FieldDataText(ftString, 3, false, nullptr).isEmpty());
}

TEST(DaoRecordBuffer, GuidFieldTextsCarryTheBracedGuid)
{
    const QByteArray bytes = GuidTextToBytes(kGuid);
    ASSERT_EQ(bytes.size(), 16);
    const QString fieldText = daorecord::GuidFieldText(bytes);
    EXPECT_EQ(fieldText, QStringLiteral("{guid ") + kGuid + QLatin1Char('}'));
    EXPECT_TRUE(daorecord::GuidFieldText(QByteArray(16, '\0')).isEmpty());
    EXPECT_EQ(daorecord::StripGuidText(fieldText), kGuid);
    EXPECT_EQ(daorecord::StripGuidText(kGuid), kGuid);

    Native data = Zeroed();
    ASSERT_TRUE(daorecord::TextFieldData(ftBytes, 16, true, fieldText.toLower(), data.data()));
    EXPECT_EQ(QByteArray(data.data(), 16), bytes);
    EXPECT_EQ(daorecord::FieldDataText(ftBytes, 16, true, data.data()), fieldText);
    EXPECT_THROW(daorecord::TextFieldData(ftBytes, 16, true, QStringLiteral("{guid nonsense}"), data.data()),
                 EConvertError);
    EXPECT_EQ(daorecord::TextToEngineValue(ftBytes, true, fieldText).AsBytes(), bytes);
    EXPECT_EQ(daorecord::TextToEngineValue(ftBytes, false, QStringLiteral("ab")).AsBytes(), QByteArray("ab"));
}

TEST(DaoRecordBuffer, RecordTextsBecomeEngineValues)
{
    struct Case {
        const char* name;
        TFieldType type;
        QString text;
        TVarType kind;
        QString asText;
    };
    const Case cases[] = {
        {"empty is Null", ftInteger, QString(), TVarType::Null, QString()},
        {"integer stays text", ftInteger, QStringLiteral("12"), TVarType::String, QStringLiteral("12")},
        {"date", ftDateTime, QStringLiteral("731977 45015000"), TVarType::Date, QString()},
        {"truth", ftBoolean, QStringLiteral("True"), TVarType::Boolean, QString()},
        {"memo encrypted", ftMemo, QStringLiteral("note"), TVarType::String, QStringLiteral("*note")},
        {"string encrypted", ftString, QStringLiteral("name"), TVarType::String, QStringLiteral("*name")},
        {"blob encrypted to bytes", ftBlob, QStringLiteral("raw"), TVarType::Bytes, QString()},
    };
    const auto encrypt = [](const QString& text) { return QLatin1Char('*') + text; };
    for (const auto& c : cases) {
        const TVariant value = daorecord::TextToEngineValue(c.type, false, c.text, encrypt);
        EXPECT_EQ(value.Type(), c.kind) << c.name;
        if (!c.asText.isEmpty()) {
            EXPECT_EQ(value.AsString(), c.asText) << c.name;
        }
    }
    EXPECT_DOUBLE_EQ(
        daorecord::TextToEngineValue(ftDateTime, false, QStringLiteral("731977 45015000")).AsDateTime(), Noon());
    EXPECT_EQ(daorecord::TextToEngineValue(ftBlob, false, QStringLiteral("raw"), encrypt).AsBytes(), QByteArray("*raw"));
    EXPECT_EQ(daorecord::TextToEngineValue(ftString, false, QStringLiteral("plain")).AsString(), QStringLiteral("plain"));
    EXPECT_THROW(daorecord::TextToEngineValue(ftDate, false, QStringLiteral("yesterday")), EConvertError);
    EXPECT_THROW(daorecord::TextToEngineValue(ftBoolean, false, QStringLiteral("maybe")), EConvertError);
}

}  // namespace
