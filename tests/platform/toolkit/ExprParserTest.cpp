#include "platform/toolkit/DateTime.h"
#include "platform/toolkit/Exceptions.h"
#include "platform/toolkit/ExprParser.h"
#include "platform/toolkit/Fields.h"

#include <QtEndian>
#include <gtest/gtest.h>
#include <map>

namespace {
const QStringList kFields = {QStringLiteral("name"), QStringLiteral("city"), QStringLiteral("qty"),
                             QStringLiteral("price"), QStringLiteral("day"),  QStringLiteral("paid"),
                             QStringLiteral("note")};
const int kTypes[] = {ftString, ftString, ftInteger, ftFloat, ftDate, ftBoolean, ftString};

using Row = std::vector<TVariant>;

std::vector<Row> Rows()
{
    return {
        {TVariant("Ivan"), TVariant("София"), TVariant(5), TVariant(2.5), TVariant::FromDate(EncodeDate(2003, 9, 10)),
         TVariant(true), TVariant::Null()},
        {TVariant("ivanka"), TVariant("Пловдив"), TVariant(0), TVariant(10.0),
         TVariant::FromDate(EncodeDate(2003, 9, 23)), TVariant(false), TVariant("x")},
        {TVariant("Петър"), TVariant::Null(), TVariant::Null(), TVariant(0.1),
         TVariant::FromDate(EncodeDate(2003, 9, 9)), TVariant(true), TVariant("")},
    };
}

std::optional<TExprFieldInfo> Lookup(const QString& name)
{
    for (int i = 0; i < kFields.size(); ++i)
        if (kFields[i].compare(name, Qt::CaseInsensitive) == 0) return TExprFieldInfo{i + 1, kTypes[i]};
    return std::nullopt;
}

TExprFieldValue ValuesOf(const Row& row)
{
    return [&row](const QString& name, int) -> std::optional<TVariant> {
        for (int i = 0; i < kFields.size(); ++i)
            if (kFields[i].compare(name, Qt::CaseInsensitive) == 0) return row[size_t(i)];
        return std::nullopt;
    };
}

QString Outcome(const TExprParser& p)
{
    QString out;
    for (const Row& row : Rows()) out += p.Matches(ValuesOf(row)) ? QLatin1Char('T') : QLatin1Char('F');
    return out;
}

struct Case {
    const char* text;
    bool caseInsensitive;
    bool noPartial;
    const char* expected;  // one letter per row
};

const Case kCases[] = {
    {"qty > 0", false, false, "TFF"},
    {"qty >= 0", false, false, "TTF"},
    {"qty < 5", false, false, "FTF"},  // the constant itself is excluded
    {"qty <> 5", false, false, "FTF"},  // Null compares false both ways
    {"qty IS NULL", false, false, "FFT"},
    {"qty is not null", false, false, "TTF"},
    {"note IS NULL", false, false, "TFF"},  // empty text is not Null
    {"NOT (qty > 0)", false, false, "FTT"},
    {"[name] = 'Ivan'", false, false, "TFF"},
    {"[name] = 'ivan'", true, false, "TFF"},
    {"name = 'Iv*'", false, false, "TFF"},
    {"name = 'Iv*'", true, false, "TTF"},
    {"name = 'Iv*'", false, true, "FFF"},
    {"name <> 'Iv*'", false, false, "FTT"},
    {"city = 'софия'", true, false, "TFF"},
    {"city = 'софия'", false, false, "FFF"},
    {"UPPER(city) = 'ПЛОВДИВ'", false, false, "FTF"},
    {"lower(name) = \"ivan\"", false, false, "TFF"},
    {"name LIKE 'iv%'", true, false, "TTF"},
    {"name LIKE 'iv%'", false, false, "FTF"},
    {"name LIKE '_van*'", false, false, "TTF"},
    {"name NOT LIKE '%a'", false, false, "TFT"},
    {"qty * price > 10", false, false, "TFF"},
    {"price + 1 = 11", false, false, "FTF"},
    {"qty = 0 OR qty = 5 AND price = 2.5", false, false, "TTF"},  // AND binds tighter
    {"qty - 2 * 2 = 1", false, false, "TFF"},
    {"-qty < -1", false, false, "TFF"},
    {"[day] >= DateValue(\"10/09/2003\") AND [day] < DateValue(\"23/09/2003\")", false, false, "TFF"},
    {"day = '23/09/2003'", false, false, "FTF"},
    {"#23/09/2003# = day", false, false, "FTF"},
    {"day - 1 = DateValue('08/09/2003')", false, false, "FFT"},
    {"paid", false, false, "TFT"},
    {"NOT paid", false, false, "FTF"},
    {"paid = True", false, false, "TFT"},
    {"paid = 'False'", false, false, "FTF"},
    {"city > 'Пловдив'", false, false, "TFF"},
    {"[qty] = '5'", false, false, "TFF"},
    {"name + '!' = 'Ivan!'", false, false, "TFF"},
    {"price = 0.1", false, false, "FFT"},
    {"qty / 0 IS NULL", false, false, "TTT"},
    {"(qty > 1 or price < 1) and not paid = false", false, false, "TFT"},
};
}  // namespace

TEST(ExprParser, FilterTableWithAndWithoutFieldLookup)
{
    for (const Case& c : kCases) {
        const TExprFilterOptions options{c.caseInsensitive, c.noPartial};
        const QString text = QString::fromUtf8(c.text);
        TExprParser byName(text, {}, options);
        EXPECT_EQ(Outcome(byName), QString::fromLatin1(c.expected)) << c.text;
        TExprParser typed(text, Lookup, options);
        EXPECT_EQ(Outcome(typed), QString::fromLatin1(c.expected)) << c.text << " (typed)";
    }
}

TEST(ExprParser, SyntaxErrorsNameThePosition)
{
    const struct {
        const char* text;
        const char* message;
    } cases[] = {
        {"qty > ", "Error in filter expression at position 7: operand expected at the end"},
        {"(qty > 1", "Error in filter expression at position 9: ')' expected instead of the end"},
        {"name = 'Ivan", "Error in filter expression at position 8: unterminated text constant"},
        {"[name = 1", "Error in filter expression at position 1: ']' expected"},
        {"qty >> 1", "Error in filter expression at position 6: operand expected instead of '>'"},
        {"foo(1)", "Error in filter expression at position 1: unknown function 'foo'"},
        {"qty = 1 name", "Error in filter expression at position 9: unexpected 'name'"},
        {"qty @ 1", "Error in filter expression at position 5: unexpected character '@'"},
        {"   ", "Error in filter expression at position 1: the expression is empty"},
        {"qty IS 1", "Error in filter expression at position 8: NULL expected"},
        {"day = DateValue('31/02/2003')", "Error in filter expression at position 7: '31/02/2003' is not a valid date"},
        {"qty = 1 AND", "Error in filter expression at position 12: operand expected at the end"},
        {"12abc = 1", "Error in filter expression at position 3: unexpected character 'a'"},
    };
    for (const auto& c : cases) {
        try {
            TExprParser p(QString::fromUtf8(c.text));
            ADD_FAILURE() << "parsed: " << c.text;
        } catch (const EDatabaseError& e) {
            EXPECT_EQ(e.Message(), QString::fromUtf8(c.message)) << c.text;
        }
    }
    // A bad date against a date field is refused when the field's type is known.
    EXPECT_THROW(TExprParser(QStringLiteral("day = 'soon'"), Lookup), EDatabaseError);
}

// Nesting and chains past the limit are refused where they go over it.
TEST(ExprParser, NestingPastTheLimitIsRefusedWhereItGoesOver)
{
    const auto messageOf = [](const QString& text) {
        try {
            TExprParser p(text, Lookup);
        } catch (const EDatabaseError& e) {
            return e.Message().toStdString();
        }
        return std::string();
    };
    const std::string deep = ": the expression is nested more than 256 levels deep";
    EXPECT_EQ(messageOf(QString(300, u'(') + QStringLiteral("qty = 1") + QString(300, u')')),
              "Error in filter expression at position 257" + deep);
    EXPECT_EQ(messageOf(QStringLiteral("NOT ").repeated(300) + QStringLiteral("paid")),
              "Error in filter expression at position 1025" + deep);
    QStringList terms;
    for (int i = 0; i < 300; ++i) terms << QStringLiteral("qty = 1");
    const QString chain = terms.join(QStringLiteral(" OR "));
    // Each comparison is two levels high, each OR one more: the 255th OR is the 257th level.
    EXPECT_EQ(messageOf(chain), "Error in filter expression at position " + std::to_string(255 * 11 - 2) + deep);
    EXPECT_EQ(messageOf(QString(256, u'(') + QStringLiteral("qty = 1") + QString(256, u')')), std::string());
}

TEST(ExprParser, UnknownFieldsAndMismatchedTypes)
{
    try {
        TExprParser p(QStringLiteral("qty > 0 AND [bogus] = 1"), Lookup);
        FAIL();
    } catch (const EDatabaseError& e) {
        EXPECT_EQ(e.Message(), QStringLiteral("Field 'bogus' not found"));
    }
    const Row row = Rows()[0];
    TExprParser late(QStringLiteral("[no such] = 1"));
    try {
        late.Matches(ValuesOf(row));
        FAIL();
    } catch (const EDatabaseError& e) {
        EXPECT_EQ(e.Message(), QStringLiteral("Field 'no such' not found"));
    }
    TExprParser mismatch(QStringLiteral("name AND qty > 0"));
    EXPECT_THROW(mismatch.Matches(ValuesOf(row)), EDatabaseError);
    EXPECT_EQ(TExprParser(QStringLiteral("qty > 0 and [Qty] < 9 or name = 'x'")).FieldNames(),
              (QStringList{QStringLiteral("qty"), QStringLiteral("name")}));
}

TEST(ExprParser, QuotesAndValues)
{
    const Row row = {TVariant("it's \"x\""), TVariant(), TVariant(), TVariant(), TVariant(), TVariant(), TVariant()};
    EXPECT_TRUE(TExprParser(QStringLiteral("name = 'it''s \"x\"'")).Matches(ValuesOf(row)));
    EXPECT_TRUE(TExprParser(QStringLiteral("name = \"it's \"\"x\"\"\"")).Matches(ValuesOf(row)));
    EXPECT_EQ(TExprParser(QStringLiteral("1 + 2 * 3")).Evaluate({}), TVariant(7));
    EXPECT_EQ(TExprParser(QStringLiteral("7 / 2")).Evaluate({}), TVariant(3.5));
    EXPECT_EQ(TExprParser(QStringLiteral("2147483647 + 1")).Evaluate({}).AsInt64(), 2147483648LL);
    EXPECT_EQ(TExprParser(QStringLiteral("1.5e1 - 5")).Evaluate({}), TVariant(10.0));
    const TExprFieldValue cyrillic = [](const QString& name, int) -> std::optional<TVariant> {
        if (name == QStringLiteral("сума")) return TVariant(12.5);
        if (name == QStringLiteral("име на фирма")) return TVariant("Вантел");
        return std::nullopt;
    };
    EXPECT_TRUE(TExprParser(QStringLiteral("сума > 12 AND [име на фирма] = 'вантел'"), {}, {true, false}).Matches(cyrillic));
    EXPECT_TRUE(TExprParser(QStringLiteral("NULL IS NULL")).Matches({}));
    EXPECT_FALSE(TExprParser(QStringLiteral("NULL = NULL")).Matches({}));
}

// ---- the node data, read the way the memory table reads it

namespace {
struct NodeReader {
    const QByteArray& data;
    const Row& row;

    quint16 U16(int at) const { return qFromLittleEndian<quint16>(data.constData() + at); }
    quint32 U32(int at) const { return qFromLittleEndian<quint32>(data.constData() + at); }
    int LiteralStart() const { return U16(8); }

    TVariant Node(int ref) const
    {
        const int at = 10 + ref;
        const quint32 cls = U32(at), op = U32(at + 4);
        if (cls == 1) {
            const TVariant v = Node(U16(at + 8));
            switch (op) {
            case 1: return TVariant(v.IsClear());
            case 2: return TVariant(!v.IsClear());
            case 9: return TVariant(v.IsClear() ? true : !v.AsBoolean());
            case 15: return v.IsClear() ? TVariant::Null() : TVariant(-v.AsFloat());
            case 33: return v.IsClear() ? TVariant::Null() : TVariant(v.AsString().toUpper());
            case 34: return v.IsClear() ? TVariant::Null() : TVariant(v.AsString().toLower());
            }
            ADD_FAILURE() << "unary " << op;
            return {};
        }
        if (cls == 2) {
            const TVariant a = Node(U16(at + 8));
            if (op == 10 && !(a.IsClear() ? false : a.AsBoolean())) return TVariant(false);
            if (op == 11 && (a.IsClear() ? false : a.AsBoolean())) return TVariant(true);
            const TVariant b = Node(U16(at + 10));
            if (op == 10 || op == 11) return TVariant(b.IsClear() ? false : b.AsBoolean());
            if (op >= 3 && op <= 8) {
                if (a.IsClear() || b.IsClear()) return TVariant(false);
                int c = 0;
                if (a.IsText() && b.IsText()) c = a.AsString().compare(b.AsString());
                else c = a.AsFloat() < b.AsFloat() ? -1 : (a.AsFloat() > b.AsFloat() ? 1 : 0);
                const bool r[] = {c == 0, c != 0, c > 0, c < 0, c >= 0, c <= 0};
                return TVariant(r[op - 3]);
            }
            if (a.IsClear() || b.IsClear()) return TVariant::Null();
            switch (op) {
            case 16: return TVariant(a.AsFloat() + b.AsFloat());
            case 17: return TVariant(a.AsFloat() - b.AsFloat());
            case 18: return TVariant(a.AsFloat() * b.AsFloat());
            case 19: return b.AsFloat() == 0 ? TVariant::Null() : TVariant(a.AsFloat() / b.AsFloat());
            }
            ADD_FAILURE() << "binary " << op;
            return {};
        }
        if (cls == 4) return row[U32(at + 8) - 1];
        EXPECT_EQ(cls, 5u);
        const int value = LiteralStart() + U16(at + 12);
        switch (U32(at + 8)) {
        case 0: return TVariant::Null();
        case 1: return TVariant(QString::fromUtf8(data.constData() + value));
        case 3: return TVariant(int(qFromLittleEndian<qint32>(data.constData() + value)));
        case 5: return TVariant(U16(value) != 0);
        case 6: return TVariant(qFromLittleEndian<double>(data.constData() + value));
        case 9: return TVariant(TimeStampToDateTime({0, int(U32(value))}));
        case 11: {
            const auto ms = qint64(qFromLittleEndian<double>(data.constData() + value));
            return TVariant(TimeStampToDateTime({int(ms % MSecsPerDay), int(ms / MSecsPerDay)}));
        }
        }
        ADD_FAILURE() << "constant type " << U32(at + 8);
        return {};
    }
};
}  // namespace

TEST(ExprParser, NodeDataLayoutByteForByte)
{
    TExprParser p(QStringLiteral("[qty]>0"), Lookup);
    const QByteArray expected = QByteArray::fromHex(
        "0100" "4200" "0300" "3000" "3a00"                    // header: version, size, nodes, node area, literals
        "02000000" "05000000" "1000" "2000" "00000000"        // binary greater: left 16, right 32
        "04000000" "0d000000" "03000000" "0000" "0300"        // field 3 "qty", Integer
        "05000000" "0e000000" "03000000" "0400" "0400"        // constant Integer at literal 4, 4 bytes
        "71747900" "00000000");                               // "qty", 0
    EXPECT_EQ(p.FilterData().toHex(), expected.toHex());
}

TEST(ExprParser, NodeDataEvaluatesLikeTheTree)
{
    const char* texts[] = {
        "qty > 0",
        "qty IS NULL OR price < 1",
        "NOT (qty >= 5) AND paid = True",
        "city = 'софия'",
        "name = 'IVAN'",
        "UPPER(name) = 'IVANKA'",
        "qty * price + 1 > 3",
        "-price < -2",
        "day >= DateValue('10/09/2003') and day < #23/09/2003#",
        "name > 'J' or city < 'П'",
    };
    for (const char* text : texts) {
        for (bool ci : {false, true}) {
            TExprParser p(QString::fromUtf8(text), Lookup, {ci, false});
            for (const Row& row : Rows()) {
                const TVariant fromData = NodeReader{p.FilterData(), row}.Node(0);
                const bool dataSays = !fromData.IsClear() && fromData.AsBoolean();
                EXPECT_EQ(dataSays, p.Matches(ValuesOf(row))) << text << " ci=" << ci << " " << row[0].AsString().toStdString();
            }
        }
    }
}

TEST(ExprParser, PartialCompareAndUnsupportedOperatorsGoAsTheirOwnCodes)
{
    TExprParser partial(QStringLiteral("name = 'Iv*'"), Lookup);
    EXPECT_EQ(qFromLittleEndian<quint32>(partial.FilterData().constData() + 14), quint32(TExprOperator::Like));
    TExprParser exact(QStringLiteral("name = 'Iv*'"), Lookup, {false, true});
    EXPECT_EQ(qFromLittleEndian<quint32>(exact.FilterData().constData() + 14), quint32(TExprOperator::Equal));
    TExprParser folded(QStringLiteral("name = 'x'"), Lookup, {true, false});
    const QByteArray& d = folded.FilterData();
    const quint16 left = qFromLittleEndian<quint16>(d.constData() + 18);
    EXPECT_EQ(qFromLittleEndian<quint32>(d.constData() + 10 + left), 1u);
    EXPECT_EQ(qFromLittleEndian<quint32>(d.constData() + 10 + left + 4), 33u);
}
