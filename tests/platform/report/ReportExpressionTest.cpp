// The expression language and the number masks, as tables of text in and text out.

#include "platform/report/ReportError.h"
#include "platform/report/ReportExpression.h"
#include "platform/report/ReportFormat.h"

#include <gtest/gtest.h>

#include <map>

namespace {

// Two datasets: the report's own ("" or "tblSaleDetail") and "tblSale".
class TFieldTable : public TExpressionContext {
public:
    void CheckField(const QString& dataSet, const QString& field) const override { Find(dataSet, field); }
    TVariant FieldValue(const QString& dataSet, const QString& field) const override { return Find(dataSet, field); }

    std::map<QString, TVariant> values = {
        {QStringLiteral("tblsaledetail.service"), TVariant(true)},
        {QStringLiteral("tblsaledetail.article_name"), TVariant("Масло")},
        {QStringLiteral("tblsaledetail.sale_price"), TVariant(12.5)},
        {QStringLiteral("tblsaledetail.sale_quantity"), TVariant(4)},
        {QStringLiteral("tblsaledetail.discount"), TVariant::Null()},
        {QStringLiteral("tblsale.sale_num"), TVariant(42)},
        {QStringLiteral("tblsale.invoice_date"), TVariant::FromDate(46001.0)},
        {QStringLiteral("tblsale.piment_type"), TVariant("В брой")},
    };

private:
    const TVariant& Find(const QString& dataSet, const QString& field) const
    {
        const QString ds = dataSet.isEmpty() ? QStringLiteral("tblSaleDetail") : dataSet;
        const auto it = values.find((ds + QLatin1Char('.') + field).toLower());
        if (it == values.end())
            ReportError(QString(), QStringLiteral("Field '%1.%2' not found").arg(dataSet, field));
        return it->second;
    }
};

struct TExpressionCase {
    const char* text;
    const char* expected;
};

class ReportExpressions : public ::testing::TestWithParam<TExpressionCase> {};

TEST_P(ReportExpressions, EvaluateToTheirText)
{
    TFieldTable fields;
    TReportExpression expression(QString::fromUtf8(GetParam().text));
    expression.Check(fields);
    EXPECT_EQ(FormatValue(expression.Evaluate(fields)).toStdString(), GetParam().expected) << GetParam().text;
}

INSTANTIATE_TEST_SUITE_P(
    Table, ReportExpressions,
    ::testing::Values(
        TExpressionCase{"IF(tblSaleDetail.service,'V','')", "V"},
        TExpressionCase{"if(not tblSaleDetail.service,'V','')", ""},
        TExpressionCase{"tblSale.sale_num", "42"},
        TExpressionCase{"TBLSALE.SALE_NUM + 1", "43"},
        TExpressionCase{"article_name", "Масло"},
        TExpressionCase{"'Поръчка номер ' + tblSale.sale_num", "Поръчка номер 42"},
        TExpressionCase{"'Дата на издаване: ' + tblSale.invoice_date", "Дата на издаване: 10.12.2025"},
        TExpressionCase{"tblSale.invoice_date + 1", "11.12.2025"},
        TExpressionCase{"sale_price * sale_quantity", "50"},
        TExpressionCase{"sale_price * sale_quantity - discount", "50"},
        TExpressionCase{"'[' + discount + ']'", "[]"},
        TExpressionCase{"1 + 2 * 3 - 4 / 2", "5"},
        TExpressionCase{"(1 + 2) * 3", "9"},
        TExpressionCase{"-sale_price + 2.5", "-10"},
        TExpressionCase{"sale_quantity > 3 AND sale_price <= 12.5", "True"},
        TExpressionCase{"sale_quantity <> 4 OR article_name = 'Масло'", "True"},
        TExpressionCase{"'abc' < 'abd'", "True"},
        TExpressionCase{"IF(discount, 'има', 'няма')", "няма"},
        TExpressionCase{"FORMATNUMERIC('0.00', sale_price)", "12.50"},
        TExpressionCase{"FORMATNUMERIC('0000000000.', tblSale.sale_num)", "0000000042."},
        TExpressionCase{"UPPER(article_name) + LOWER('ABC')", "МАСЛОabc"},
        TExpressionCase{"COPY(article_name, 2, 3)", "асл"},
        TExpressionCase{"STR(INT(7.9)) + '/' + STR(FRAC(2.25))", "7/0.25"},
        TExpressionCase{"'It''s ' + \"ok\"", "It's ok"},
        TExpressionCase{"TRUE", "True"}),
    [](const ::testing::TestParamInfo<TExpressionCase>& info) { return "Case" + std::to_string(info.index); });

struct TBadExpression {
    const char* text;
    const char* message;
};

class ReportBadExpressions : public ::testing::TestWithParam<TBadExpression> {};

TEST_P(ReportBadExpressions, AreRefusedWithAReason)
{
    TFieldTable fields;
    try {
        TReportExpression expression(QString::fromUtf8(GetParam().text));
        expression.Check(fields);
        expression.Evaluate(fields);
        FAIL() << "accepted " << GetParam().text;
    } catch (const EReportError& e) {
        EXPECT_EQ(e.Message().toStdString(), GetParam().message);
    }
}

INSTANTIATE_TEST_SUITE_P(
    Table, ReportBadExpressions,
    ::testing::Values(TBadExpression{"", "Empty expression"},
                      TBadExpression{"IF(service,'V')", "Wrong number of arguments to IF"},
                      TBadExpression{"NOSUCH(1)", "Unknown function NOSUCH"},
                      TBadExpression{"'open", "Unterminated text in expression"},
                      TBadExpression{"1 +", "Unexpected end of expression"},
                      TBadExpression{"1 2", "Unexpected '2' in expression"},
                      TBadExpression{"tblSale.", "Field name expected after 'tblSale.'"},
                      TBadExpression{"price # 2", "Unexpected character '#' in expression"},
                      TBadExpression{"SUM(SUM(sale_price))", "SUM cannot hold another aggregate"},
                      TBadExpression{"tblSale.nothing", "Field 'tblSale.nothing' not found"},
                      TBadExpression{"article_name * 2", "'Масло' is not a valid number"},
                      TBadExpression{"1 / (sale_quantity - 4)", "Division by zero"}),
    [](const ::testing::TestParamInfo<TBadExpression>& info) { return "Case" + std::to_string(info.index); });

TEST(ReportExpressionAggregates, SumCountMinMaxAverageOverRowsSkippingNull)
{
    TFieldTable fields;
    TReportExpression sum(QStringLiteral("SUM(sale_price) + 0"));
    TReportExpression rest(QStringLiteral(
        "STR(COUNT) + ' ' + STR(COUNT(discount)) + ' ' + STR(MIN(sale_price)) + ' ' + STR(MAX(sale_price)) + ' ' + "
        "STR(AVERAGE(sale_price))"));
    EXPECT_TRUE(sum.IsAggregate());
    EXPECT_FALSE(TReportExpression(QStringLiteral("sale_price + 1")).IsAggregate());
    for (double price : {12.5, 2.0, 30.5}) {
        fields.values[QStringLiteral("tblsaledetail.sale_price")] = price;
        sum.Accumulate(fields);
        rest.Accumulate(fields);
    }
    fields.values[QStringLiteral("tblsaledetail.sale_price")] = TVariant::Null();
    sum.Accumulate(fields);
    rest.Accumulate(fields);
    EXPECT_EQ(FormatValue(sum.Evaluate(fields)).toStdString(), "45");
    EXPECT_EQ(FormatValue(rest.Evaluate(fields)).toStdString(), "4 0 2 30.5 15");
    sum.Reset();
    EXPECT_EQ(FormatValue(sum.Evaluate(fields)).toStdString(), "0");
}

struct TMaskCase {
    const char* mask;
    double value;
    const char* expected;
};

class ReportNumberMasks : public ::testing::TestWithParam<TMaskCase> {};

TEST_P(ReportNumberMasks, FormatAsTheMaskSays)
{
    EXPECT_EQ(FormatNumber(QString::fromUtf8(GetParam().mask), GetParam().value).toStdString(), GetParam().expected)
        << GetParam().mask << " " << GetParam().value;
}

INSTANTIATE_TEST_SUITE_P(
    Table, ReportNumberMasks,
    ::testing::Values(TMaskCase{"0.00", 12.5, "12.50"}, TMaskCase{"0.00", 2.675, "2.68"},
                      TMaskCase{"0.00", -0.004, "0.00"}, TMaskCase{"0.00", -120.5, "-120.50"},
                      TMaskCase{"0000000000.", 42, "0000000042."}, TMaskCase{"#,##0.00", 1234567.891, "1,234,567.89"},
                      TMaskCase{"#.##", 5, "5"}, TMaskCase{"#.##", 5.1, "5.1"}, TMaskCase{"0", 2.5, "3"},
                      TMaskCase{"0.00 лв.", 3, "3.00 лв."}, TMaskCase{"#.## лв.", 5, "5 лв."}, TMaskCase{"'№ '0", 7, "№ 7"},
                      TMaskCase{"0.00;(0.00);нула", -4, "(4.00)"}, TMaskCase{"0.00;(0.00);нула", 0, "нула"},
                      TMaskCase{"", 0.1, "0.1"}),
    [](const ::testing::TestParamInfo<TMaskCase>& info) { return "Case" + std::to_string(info.index); });

}  // namespace
