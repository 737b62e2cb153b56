#include "platform/toolkit/Params.h"

#include "platform/toolkit/Exceptions.h"

#include <gtest/gtest.h>

TEST(Params, ParseSqlFindsNamesOutsideQuotes)
{
    TParams params;
    const QString sql = params.ParseSQL(
        QStringLiteral("SELECT * FROM t WHERE a = :id AND b = ':nope' AND c = :\"two words\" AND d = :ID "
                       "AND e = [x:y] AND t = '10::30' AND f::g"),
        true);
    ASSERT_EQ(params.Count(), 2);
    EXPECT_EQ(params[0]->Name(), QStringLiteral("id"));
    EXPECT_EQ(params[1]->Name(), QStringLiteral("two words"));
    EXPECT_EQ(params[0]->ParamType(), ptInput);
    EXPECT_EQ(sql, QStringLiteral("SELECT * FROM t WHERE a = ? AND b = ':nope' AND c = ? AND d = ? "
                                  "AND e = [x:y] AND t = '10::30' AND f:g"));
    TParams none;
    none.ParseSQL(QStringLiteral("WHERE a = :x"), false);
    EXPECT_TRUE(none.IsEmpty());
}

TEST(Params, ValuesTypesAndLookups)
{
    TParams params;
    params.CreateParam(ftUnknown, QStringLiteral("when"), ptInput);
    params.CreateParam(ftInteger, QStringLiteral("n"), ptInput);
    EXPECT_TRUE(params.ParamByName(QStringLiteral("N"))->IsNull());
    EXPECT_EQ(params.ParamByName(QStringLiteral("when"))->AsString(), QString());
    params.ParamByName(QStringLiteral("when"))->SetAsDate(38383);
    EXPECT_EQ(params.ParamByName(QStringLiteral("when"))->DataType(), ftDate);
    params.ParamByName(QStringLiteral("n"))->SetValue(TVariant(QStringLiteral("12")));
    EXPECT_EQ(params.ParamByName(QStringLiteral("n"))->DataType(), ftInteger);
    EXPECT_EQ(params.ParamByName(QStringLiteral("n"))->AsInteger(), 12);
    try {
        params.ParamByName(QStringLiteral("missing"));
        FAIL();
    } catch (const EDatabaseError& e) {
        EXPECT_EQ(e.Message(), QStringLiteral("Parameter 'missing' not found"));
    }
    EXPECT_EQ(params.FindParam(QStringLiteral("missing")), nullptr);
    TParam untyped;
    untyped.SetValue(TVariant(2.5));
    EXPECT_EQ(untyped.DataType(), ftFloat);
    EXPECT_THROW(TParam().AsInteger(), EVariantError);
}

TEST(Params, AssignValuesKeepsOwnListAndAssignCopies)
{
    TParams fresh, old;
    fresh.ParseSQL(QStringLiteral("WHERE a = :a AND b = :b"), true);
    old.CreateParam(ftString, QStringLiteral("B"), ptInput)->SetAsString(QStringLiteral("kept"));
    old.CreateParam(ftString, QStringLiteral("c"), ptInput)->SetAsString(QStringLiteral("gone"));
    fresh.AssignValues(old);
    EXPECT_EQ(fresh.Count(), 2);
    EXPECT_TRUE(fresh[0]->IsNull());
    EXPECT_EQ(fresh[1]->AsString(), QStringLiteral("kept"));
    EXPECT_EQ(fresh[1]->DataType(), ftString);
    TParams copy;
    copy.Assign(old);
    EXPECT_TRUE(copy.IsEqual(old));
    copy[0]->SetAsString(QStringLiteral("changed"));
    EXPECT_FALSE(copy.IsEqual(old));
    EXPECT_EQ(old[0]->AsString(), QStringLiteral("kept"));
    EXPECT_EQ(copy.ParamNames(), QStringLiteral("B;c"));
}
