#include "platform/toolkit/Component.h"
#include "platform/toolkit/Exceptions.h"
#include "platform/toolkit/Filer.h"
#include "platform/toolkit/Streams.h"

#include <cfloat>
#include <cmath>
#include <cstring>
#include <gtest/gtest.h>
#include <limits>
#include <random>

namespace {
QByteArray Written(const std::function<void(TWriter&)>& write)
{
    TMemoryStream s;
    TWriter w(s, 16384);
    write(w);
    return s.Bytes();
}

QByteArray Hex(const char* hex) { return QByteArray::fromHex(hex); }

TExtended ExtendedOf(quint64 mantissa, quint16 signExp)
{
    TExtended e;
    for (int i = 0; i < 8; ++i) e[size_t(i)] = quint8(mantissa >> (8 * i));
    e[8] = quint8(signExp);
    e[9] = quint8(signExp >> 8);
    return e;
}
}  // namespace

TEST(Filer, IntegersTakeTheSmallestCode)
{
    const struct {
        qint64 value;
        const char* hex;
    } cases[] = {
        {0, "0200"},          {-1, "02ff"},         {-128, "0280"},         {127, "027f"},
        {128, "038000"},      {-129, "037fff"},     {-32768, "030080"},     {32767, "03ff7f"},
        {32768, "0400800000"}, {-32769, "04ff7fffff"}, {230, "03e600"},
        {2147483647, "04ffffff7f"}, {-2147483648LL, "0400000080"},
        {2147483648LL, "130000008000000000"},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(Written([&](TWriter& w) { w.WriteInteger(c.value); }).toHex(), QByteArray(c.hex)) << c.value;
        TMemoryStream s(Hex(c.hex));
        TReader r(s);
        EXPECT_EQ(r.ReadInt64(), c.value);
    }
}

TEST(Filer, FloatsAreTenByteExtendedReals)
{
    const struct {
        double value;
        const char* hex;
    } cases[] = {
        {1.5, "0500000000000000c0ff3f"},
        {0.1, "0500d0ccccccccccccfb3f"},
        {-0.0, "0500000000000000000080"},
        {0.0, "0500000000000000000000"},
        {-2.0, "05000000000000008000c0"},
        {std::numeric_limits<double>::infinity(), "050000000000000080ff7f"},
        {std::numeric_limits<double>::denorm_min(), "050000000000000080cd3b"},
    };
    for (const auto& c : cases) {
        const QByteArray bytes = Written([&](TWriter& w) { w.WriteFloat(c.value); });
        EXPECT_EQ(bytes.toHex(), QByteArray(c.hex)) << c.value;
        TMemoryStream s(bytes);
        TReader r(s);
        const double back = r.ReadFloat();
        EXPECT_EQ(std::memcmp(&back, &c.value, sizeof back), 0) << c.value;
    }
}

TEST(Filer, ExtendedRoundsToNearestEvenAndClampsRange)
{
    const quint64 one = quint64(1) << 63;
    EXPECT_EQ(ExtendedToDouble(ExtendedOf(one | (quint64(1) << 10), 0x3FFF)), 1.0);  // tie, even stays
    EXPECT_EQ(ExtendedToDouble(ExtendedOf(one | (quint64(3) << 10), 0x3FFF)), 1.0 + 2 * DBL_EPSILON);  // tie, odd up
    EXPECT_EQ(ExtendedToDouble(ExtendedOf(one | (quint64(1) << 10) | 1, 0x3FFF)), 1.0 + DBL_EPSILON);
    EXPECT_EQ(ExtendedToDouble(ExtendedOf(~quint64(0), 0x3FFF)), 2.0);  // carries into the exponent
    EXPECT_TRUE(std::isinf(ExtendedToDouble(ExtendedOf(one, 0x7FFE))));
    EXPECT_TRUE(std::signbit(ExtendedToDouble(ExtendedOf(one, 0x8001))));
    EXPECT_EQ(ExtendedToDouble(ExtendedOf(one, 0x0001)), 0.0);
    EXPECT_TRUE(std::isnan(ExtendedToDouble(DoubleToExtended(std::nan("")))));
    for (double v : {DBL_MIN, DBL_MAX, -DBL_MAX, DBL_MIN / 3, 1e-310, 123456.789, -1e300, 1.0 / 3})
        EXPECT_EQ(ExtendedToDouble(DoubleToExtended(v)), v) << v;
}

#if defined(__x86_64__) || defined(__i386__)
// The machine's own long double is the same 80-bit format: both directions must agree with it.
TEST(Filer, ExtendedMatchesTheMachinesLongDouble)
{
    static_assert(LDBL_MANT_DIG == 64);
    std::mt19937_64 random(2024);
    for (int i = 0; i < 20000; ++i) {
        quint64 bits = random();
        double d;
        std::memcpy(&d, &bits, sizeof d);
        if (std::isnan(d)) continue;
        const long double ld = d;
        TExtended expected{};
        std::memcpy(expected.data(), &ld, 10);
        EXPECT_EQ(DoubleToExtended(d), expected) << d;

        const quint64 mantissa = random() | (quint64(1) << 63);
        const quint16 exponent = quint16(random() % 0x7FFF) | (random() % 2 ? 0x8000 : 0);
        const TExtended e = ExtendedOf(mantissa, exponent);
        long double source = 0;
        std::memcpy(&source, e.data(), 10);
        const double want = static_cast<double>(source);
        const double got = ExtendedToDouble(e);
        EXPECT_EQ(std::memcmp(&got, &want, sizeof got), 0) << double(source);
    }
}
#endif

TEST(Filer, StringsShortLongAndOutsideTheCodePage)
{
    const QByteArray b255(255, 'a');
    const QByteArray w255 = Written([&](TWriter& w) { w.WriteString(QString::fromLatin1(b255)); });
    EXPECT_EQ(w255.left(2), Hex("06ff"));
    EXPECT_EQ(w255.size(), 257);
    const QByteArray w256 = Written([&](TWriter& w) { w.WriteString(QString(256, QLatin1Char('b'))); });
    EXPECT_EQ(w256.left(5), Hex("0c00010000"));
    EXPECT_EQ(w256.size(), 261);
    EXPECT_EQ(Written([](TWriter& w) { w.WriteString(QStringLiteral("Каса")); }), Hex("0604cae0f1e0"));
    EXPECT_EQ(Written([](TWriter& w) { w.WriteString(QString()); }), Hex("0600"));
    const QByteArray wide = Written([](TWriter& w) { w.WriteString(QStringLiteral("é中")); });
    EXPECT_EQ(wide, Hex("1202000000e9002d4e"));

    TMemoryStream s(w255 + w256 + wide + Hex("0604cae0f1e0"));
    TReader r(s);
    EXPECT_EQ(r.ReadString(), QString::fromLatin1(b255));
    EXPECT_EQ(r.ReadString(), QString(256, QLatin1Char('b')));
    EXPECT_EQ(r.ReadString(), QStringLiteral("é中"));
    EXPECT_EQ(r.ReadString(), QStringLiteral("Каса"));
    EXPECT_THROW(r.ReadString(), EStreamError);  // the stream has ended
}

TEST(Filer, TheMemoryTableHeaderAndListsByteForByte)
{
    const QByteArray bytes = Written([](TWriter& w) {
        w.WriteSignature();
        w.WriteInteger(230);
        w.WriteListBegin();
        w.WriteString(QStringLiteral("id"));
        w.WriteString(QStringLiteral("Integer"));
        w.WriteInteger(0);
        w.WriteBoolean(true);
        w.WriteBoolean(false);
        w.WriteListEnd();
        w.WriteListBegin();
        w.WriteListEnd();
    });
    EXPECT_EQ(bytes, QByteArray("TPF0") + Hex("03e600") + Hex("01") + Hex("0602") + "id" + Hex("0607") + "Integer" +
                         Hex("0200") + Hex("09") + Hex("08") + Hex("00") + Hex("0100"));

    TMemoryStream s(bytes);
    TReader r(s, 16384);
    r.ReadSignature();
    EXPECT_EQ(r.ReadInteger(), 230);
    r.ReadListBegin();
    EXPECT_FALSE(r.EndOfList());
    EXPECT_EQ(r.NextValue(), vaString);
    EXPECT_EQ(r.ReadString(), QStringLiteral("id"));
    EXPECT_EQ(r.ReadString(), QStringLiteral("Integer"));
    EXPECT_EQ(r.ReadFloat(), 0.0);  // an integer reads as a float too
    EXPECT_TRUE(r.ReadBoolean());
    EXPECT_THROW(r.ReadInteger(), EReadError);  // false is no integer
    EXPECT_TRUE(r.EndOfList());
    r.ReadListEnd();
    r.ReadListBegin();
    r.ReadListEnd();
    EXPECT_EQ(s.Position(), s.Size());
}

TEST(Filer, BadSignatureAndSkippingValues)
{
    TMemoryStream bad(QByteArray("TPF1"));
    TReader r(bad);
    try {
        r.ReadSignature();
        FAIL();
    } catch (const EFilerError& e) {
        EXPECT_EQ(e.Message(), QStringLiteral("Invalid stream format"));
    }

    const QByteArray bytes = Written([](TWriter& w) {
        w.WriteListBegin();
        w.WriteFloat(2.5);
        w.WriteBinary(QByteArray("xyz"));
        w.WriteIdent(QStringLiteral("dsBrowse"));
        w.WriteSet({QStringLiteral("a"), QStringLiteral("b")});
        w.WriteCurrency(12.3456);
        w.WriteDate(37000.5);
        w.WriteString(QStringLiteral("中"));
        w.WriteListEnd();
        w.WriteInteger(7);
    });
    TMemoryStream s(bytes);
    TReader skip(s);
    skip.SkipValue();
    EXPECT_EQ(skip.ReadInteger(), 7);

    s.SetPosition(0);
    TReader read(s);
    read.ReadListBegin();
    EXPECT_EQ(read.ReadFloat(), 2.5);
    EXPECT_EQ(read.ReadBinary(), QByteArray("xyz"));
    EXPECT_EQ(read.ReadIdent(), QStringLiteral("dsBrowse"));
    EXPECT_EQ(read.ReadSet(), (QStringList{QStringLiteral("a"), QStringLiteral("b")}));
    EXPECT_DOUBLE_EQ(read.ReadCurrency(), 12.3456);
    EXPECT_EQ(read.ReadDate(), 37000.5);
    EXPECT_EQ(read.ReadString(), QStringLiteral("中"));
    read.ReadListEnd();
}

TEST(Filer, VariantsRoundTrip)
{
    const std::vector<TVariant> values = {TVariant(),           TVariant::Null(),       TVariant(true),
                                          TVariant(-5),         TVariant(qint64(1) << 40), TVariant(0.25),
                                          TVariant::FromCurrency(9.99), TVariant::FromDate(38000.25),
                                          TVariant(QStringLiteral("Поръчка")), TVariant(QByteArray("\x01\x02")),
                                          TVariant::Array({TVariant(1), TVariant(QStringLiteral("x"))})};
    const QByteArray bytes = Written([&](TWriter& w) {
        for (const TVariant& v : values) w.WriteVariant(v);
    });
    TMemoryStream s(bytes);
    TReader r(s);
    for (const TVariant& v : values) {
        const TVariant back = r.ReadVariant();
        EXPECT_EQ(back.Type(), v.Type()) << v.TypeName().toStdString();
        EXPECT_EQ(back, v) << v.TypeName().toStdString();
    }
}

namespace {
// A component streaming a collection and a binary property, as the table dataset streams its
// parameters and the memory table its rows.
class TStreamedThing : public TComponent {
public:
    using TComponent::TComponent;
    std::vector<std::pair<QString, TVariant>> Params;
    QByteArray Data;
    bool storeData = true;
    int loadedCalls = 0;

    void DefineProperties(TFiler& filer) override
    {
        TComponent::DefineProperties(filer);
        filer.DefineProperty(
            QStringLiteral("ParamData"),
            [this](TReader& r) {
                r.ReadValue();  // the collection's value code
                Params.clear();
                r.ReadCollection([this](TReader& item, int) {
                    std::pair<QString, TVariant> p;
                    while (!item.EndOfList()) {
                        const QString prop = item.ReadPropName();
                        if (prop == QLatin1String("Name")) p.first = item.ReadString();
                        else if (prop == QLatin1String("Value")) p.second = item.ReadVariant();
                        else item.SkipValue();
                    }
                    Params.push_back(p);
                });
            },
            [this](TWriter& w) {
                w.WriteCollection(int(Params.size()), [this](TWriter& item, int i) {
                    item.WritePropName(QStringLiteral("Name"));
                    item.WriteString(Params[size_t(i)].first);
                    item.WritePropName(QStringLiteral("Value"));
                    item.WriteVariant(Params[size_t(i)].second);
                });
            },
            !Params.empty());
        filer.DefineBinaryProperty(
            QStringLiteral("Data"), [this](TStream& s) { Data = s.ReadBytes(s.Size()); },
            [this](TStream& s) { s.WriteBytes(Data); }, storeData);
    }
    void Loaded() override
    {
        TComponent::Loaded();
        ++loadedCalls;
    }
};
}  // namespace

TEST(Filer, ComponentsStreamTheirDefinedProperties)
{
    TStreamedThing source;
    source.SetName(QStringLiteral("tblSale"));
    source.Params = {{QStringLiteral("from"), TVariant::FromDate(38000)}, {QStringLiteral("box"), TVariant(3)}};
    source.Data = QByteArray("rows");
    TMemoryStream s;
    TWriter(s).WriteRootComponent(source);
    EXPECT_TRUE(s.Bytes().startsWith("TPF0\x0ATComponent\x07tblSale\x09ParamData\x0E\x01\x04Name"));

    s.SetPosition(0);
    TStreamedThing target;
    TReader(s).ReadRootComponent(target);
    EXPECT_EQ(target.Name(), QStringLiteral("tblSale"));
    ASSERT_EQ(target.Params.size(), 2u);
    EXPECT_EQ(target.Params[0].first, QStringLiteral("from"));
    EXPECT_EQ(target.Params[0].second, TVariant::FromDate(38000));
    EXPECT_EQ(target.Params[1].second, TVariant(3));
    EXPECT_EQ(target.Data, QByteArray("rows"));
    EXPECT_EQ(target.loadedCalls, 1);
    EXPECT_FALSE(target.IsLoading());
    EXPECT_EQ(s.Position(), s.Size());

    // Nothing to store: neither property is written.
    TStreamedThing empty;
    empty.storeData = false;
    TMemoryStream e;
    TWriter(e).WriteRootComponent(empty);
    EXPECT_EQ(e.Bytes(), QByteArray("TPF0\x0ATComponent\x00\x00\x00", 18));
}

TEST(Filer, UnknownPropertyIsAnError)
{
    const QByteArray bytes = Written([](TWriter& w) {
        w.WriteSignature();
        w.WritePropName(QStringLiteral("TComponent"));
        w.WritePropName(QStringLiteral("x"));
        w.WritePropName(QStringLiteral("Bogus"));
        w.WriteInteger(1);
        w.WriteListEnd();
        w.WriteListEnd();
    });
    TMemoryStream s(bytes);
    TStreamedThing target;
    try {
        TReader(s).ReadRootComponent(target);
        FAIL();
    } catch (const EReadError& e) {
        EXPECT_EQ(e.Message(), QStringLiteral("Error reading x.Bogus: Property Bogus does not exist"));
    }
}

TEST(Filer, DamagedLengthsFailWithoutHugeAllocations)
{
    for (const char* hex : {"0cffffff7f41", "0affffff7f41", "12ffffff7f4100", "0cfeffffff"}) {
        TMemoryStream s(Hex(hex));
        TReader r(s);
        EXPECT_THROW(r.ReadVariant(), EStreamError) << hex;
        s.SetPosition(0);
        EXPECT_THROW(r.SkipValue(), EStreamError) << hex;
    }
}
