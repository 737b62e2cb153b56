#include "platform/toolkit/Fields.h"
#include "platform/toolkit/Streams.h"
#include "platform/toolkit/VectorDataSet.h"

#include <gtest/gtest.h>

#include <cstring>
#include <memory>

namespace {

// One field of each kind that has native data, in an open dataset standing in an edit.
std::unique_ptr<VectorDataSet> MakeTypes()
{
    auto ds = std::make_unique<VectorDataSet>();
    ds->SetName(QStringLiteral("Types"));
    ds->FieldDefs().Add(QStringLiteral("s"), ftString, 5);
    ds->FieldDefs().Add(QStringLiteral("i"), ftInteger);
    ds->FieldDefs().Add(QStringLiteral("si"), ftSmallint);
    ds->FieldDefs().Add(QStringLiteral("w"), ftWord);
    ds->FieldDefs().Add(QStringLiteral("b"), ftBoolean);
    ds->FieldDefs().Add(QStringLiteral("f"), ftFloat);
    ds->FieldDefs().Add(QStringLiteral("c"), ftCurrency);
    ds->FieldDefs().Add(QStringLiteral("d"), ftDate);
    ds->FieldDefs().Add(QStringLiteral("t"), ftTime);
    ds->FieldDefs().Add(QStringLiteral("dt"), ftDateTime);
    ds->FieldDefs().Add(QStringLiteral("li"), ftLargeint);
    ds->FieldDefs().Add(QStringLiteral("bcd"), ftBCD, 2);
    ds->FieldDefs().Add(QStringLiteral("by"), ftBytes, 4);
    ds->FieldDefs().Add(QStringLiteral("vb"), ftVarBytes, 6);
    ds->FieldDefs().Add(QStringLiteral("ai"), ftAutoInc);
    ds->Open();
    ds->Append();
    return ds;
}

TField* F(TDataSet& ds, const char* name) { return ds.FieldByName(QString::fromLatin1(name)); }

}  // namespace

TEST(Fields, TypeNumbersAndNamesAreFixed)
{
    EXPECT_EQ(int(ftString), 1);
    EXPECT_EQ(int(ftBCD), 8);
    EXPECT_EQ(int(ftAutoInc), 14);
    EXPECT_EQ(int(ftWideString), 24);
    EXPECT_EQ(int(ftGuid), 35);
    EXPECT_EQ(FieldTypeName(ftSmallint), QStringLiteral("SmallInt"));
    EXPECT_EQ(FieldTypeName(ftIDispatch), QStringLiteral("Dispatch"));
    EXPECT_EQ(FieldTypeName(ftGuid), QStringLiteral("Guid"));
    EXPECT_EQ(FieldDataSize(ftString, 10), 22);
    EXPECT_EQ(FieldDataSize(ftBoolean, 0), 2);
    EXPECT_EQ(FieldDataSize(ftDate, 0), 4);
    EXPECT_EQ(FieldDataSize(ftDateTime, 0), 8);
    EXPECT_EQ(FieldDataSize(ftBCD, 0), 34);
    EXPECT_EQ(FieldDataSize(ftVarBytes, 6), 8);
    EXPECT_EQ(FieldDataSize(ftMemo, 0), 0);
    EXPECT_TRUE(IsBlobType(ftMemo));
    EXPECT_FALSE(IsBlobType(ftBytes));
}

TEST(Fields, ConversionsBetweenTypes)
{
    auto ds = MakeTypes();
    struct Case {
        const char* field;
        QString text;      // written with AsString
        QString asString;  // read back
        double asFloat;
        qint64 asLargeInt;
    };
    const std::vector<Case> cases = {
        {"s", QStringLiteral("Иван Петров"), QStringLiteral("Иван "), 0, 0},
        {"i", QStringLiteral(" 42 "), QStringLiteral("42"), 42, 42},
        {"si", QStringLiteral("-300"), QStringLiteral("-300"), -300, -300},
        {"w", QStringLiteral("65535"), QStringLiteral("65535"), 65535, 65535},
        {"f", QStringLiteral("2,5"), QStringLiteral("2.5"), 2.5, 3},
        {"c", QStringLiteral("10.125"), QStringLiteral("10.125"), 10.125, 10},
        {"li", QStringLiteral("9000000000"), QStringLiteral("9000000000"), 9e9, 9000000000LL},
        {"bcd", QStringLiteral("12.345"), QStringLiteral("12.35"), 12.35, 0},
        {"d", QStringLiteral("31.01.2005"), QStringLiteral("31.01.2005"), 38383, 0},
        {"dt", QStringLiteral("31.01.2005 12:00"), QStringLiteral("31.01.2005 12:00:00"), 38383.5, 0},
        {"t", QStringLiteral("06:00"), QStringLiteral("06:00:00"), 0.25, 0},
    };
    for (const Case& c : cases) {
        TField* f = F(*ds, c.field);
        f->SetAsString(c.text);
        EXPECT_EQ(f->AsString(), c.asString) << c.field;
        if (c.field != std::string("s")) {
            EXPECT_DOUBLE_EQ(f->AsFloat(), c.asFloat) << c.field;
        }
        if (c.asLargeInt != 0) {
            EXPECT_EQ(f->AsLargeInt(), c.asLargeInt) << c.field;
        }
        EXPECT_FALSE(f->IsNull()) << c.field;
        f->SetAsString(QString());
        EXPECT_TRUE(f->IsNull()) << c.field;
        EXPECT_TRUE(f->AsVariant().IsNull()) << c.field;
    }
    F(*ds, "b")->SetAsString(QStringLiteral("yes"));
    EXPECT_TRUE(F(*ds, "b")->AsBoolean());
    EXPECT_EQ(F(*ds, "b")->AsString(), QStringLiteral("True"));
    F(*ds, "b")->SetAsInteger(0);
    EXPECT_EQ(F(*ds, "b")->AsString(), QStringLiteral("False"));
    F(*ds, "i")->SetAsFloat(12.7);
    EXPECT_EQ(F(*ds, "i")->AsInteger(), 13);
    F(*ds, "f")->SetAsVariant(TVariant(QStringLiteral("1.25")));
    EXPECT_EQ(F(*ds, "f")->AsVariant(), TVariant(1.25));
    F(*ds, "c")->SetAsFloat(3);
    EXPECT_EQ(F(*ds, "c")->AsVariant().Type(), TVarType::Currency);
    EXPECT_EQ(F(*ds, "c")->DisplayText(), QStringLiteral("3.00"));
    F(*ds, "d")->SetAsVariant(TVariant::FromDate(38383.75));
    EXPECT_EQ(F(*ds, "d")->AsDateTime(), 38383.0);
}

TEST(Fields, BadValuesAreRefusedWithTheFieldsName)
{
    auto ds = MakeTypes();
    struct Case {
        const char* field;
        QString text;
        QString message;
    };
    const std::vector<Case> cases = {
        {"i", QStringLiteral("12x"), QStringLiteral("Types: '12x' is not a valid integer value for field 'i'")},
        {"si", QStringLiteral("40000"),
         QStringLiteral("Types: 40000 is not a valid value for field 'si'. The allowed range is -32768 to 32767")},
        {"w", QStringLiteral("-1"), QStringLiteral("Types: -1 is not a valid value for field 'w'. The allowed range is 0 to 65535")},
        {"f", QStringLiteral("abc"), QStringLiteral("Types: 'abc' is not a valid floating point value for field 'f'")},
        {"b", QStringLiteral("maybe"), QStringLiteral("Types: 'maybe' is not a valid boolean value for field 'b'")},
    };
    for (const Case& c : cases) {
        try {
            F(*ds, c.field)->SetAsString(c.text);
            ADD_FAILURE() << c.field;
        } catch (const EDatabaseError& e) {
            EXPECT_EQ(e.Message(), c.message);
        }
        EXPECT_TRUE(F(*ds, c.field)->IsNull()) << c.field;
    }
    EXPECT_THROW(F(*ds, "d")->SetAsString(QStringLiteral("30.02.2005")), EConvertError);
    try {
        F(*ds, "d")->AsBoolean();
        FAIL();
    } catch (const EDatabaseError& e) {
        EXPECT_EQ(e.Message(), QStringLiteral("Types: Cannot access field 'd' as type Boolean"));
    }
    auto* i = static_cast<TIntegerField*>(F(*ds, "i"));
    i->SetMinValue(1);
    i->SetMaxValue(10);
    EXPECT_THROW(i->SetAsInteger(11), EDatabaseError);
    i->SetAsInteger(10);
    EXPECT_EQ(i->AsInteger(), 10);
}

TEST(Fields, NativeLayoutIsTheDocumentedOne)
{
    auto ds = MakeTypes();
    F(*ds, "s")->SetAsString(QStringLiteral("Aб"));
    char16_t text[6] = {};
    ASSERT_TRUE(F(*ds, "s")->GetData(text));
    EXPECT_EQ(text[0], u'A');
    EXPECT_EQ(text[1], u'б');
    EXPECT_EQ(text[2], u'\0');

    F(*ds, "b")->SetAsBoolean(true);
    qint16 flag = 0;
    F(*ds, "b")->GetData(&flag);
    EXPECT_EQ(flag, 1);
    flag = -1;
    F(*ds, "b")->SetData(&flag);
    EXPECT_TRUE(F(*ds, "b")->AsBoolean());

    F(*ds, "dt")->SetAsDateTime(EncodeDate(2005, 1, 31) + 0.5);
    double msecs = 0;
    F(*ds, "dt")->GetData(&msecs);
    EXPECT_EQ(msecs, (double(DateDelta) + 38383) * MSecsPerDay + MSecsPerDay / 2);
    qint32 days = 0;
    F(*ds, "d")->SetAsDateTime(EncodeDate(1899, 12, 30));
    F(*ds, "d")->GetData(&days);
    EXPECT_EQ(days, DateDelta);
    qint32 ms = 0;
    F(*ds, "t")->SetAsDateTime(EncodeTime(0, 0, 1, 500));
    F(*ds, "t")->GetData(&ms);
    EXPECT_EQ(ms, 1500);
    TBcd bcd;
    F(*ds, "bcd")->SetAsString(QStringLiteral("-1.5"));
    F(*ds, "bcd")->GetData(&bcd);
    EXPECT_EQ(BcdToStr(bcd), QStringLiteral("-1.50"));

    F(*ds, "by")->SetAsBytes(QByteArray("\x01\x02", 2));
    EXPECT_EQ(F(*ds, "by")->AsBytes(), QByteArray("\x01\x02\x00\x00", 4));
    F(*ds, "vb")->SetAsBytes(QByteArray("abcdefgh"));
    EXPECT_EQ(F(*ds, "vb")->AsBytes(), QByteArray("abcdef"));
}

TEST(Fields, TextEventsValidationAndDisplay)
{
    auto ds = MakeTypes();
    TField* s = F(*ds, "s");
    s->OnGetText = [](TField* f, QString& text, bool display) { text = (display ? "<" : "[") + f->AsString() + (display ? ">" : "]"); };
    s->OnSetText = [](TField* f, const QString& text) { f->SetAsString(text.toUpper()); };
    s->SetText(QStringLiteral("ab"));
    EXPECT_EQ(s->AsString(), QStringLiteral("AB"));
    EXPECT_EQ(s->DisplayText(), QStringLiteral("<AB>"));
    EXPECT_EQ(s->Text(), QStringLiteral("[AB]"));

    TField* i = F(*ds, "i");
    i->OnValidate = [](TField* f) {
        if (f->AsInteger() < 0) throw EDatabaseError(QStringLiteral("negative"));
    };
    i->SetAsInteger(5);
    EXPECT_THROW(i->SetAsInteger(-5), EDatabaseError);
    EXPECT_EQ(i->AsInteger(), 5);
    int changes = 0;
    i->OnChange = [&](TField*) { ++changes; };
    i->SetAsInteger(6);
    EXPECT_EQ(changes, 1);

    static_cast<TFloatField*>(F(*ds, "f"))->SetDisplayFormat(QStringLiteral("#,##0.00"));
    F(*ds, "f")->SetAsFloat(1234567.891);
    EXPECT_EQ(F(*ds, "f")->DisplayText(), QStringLiteral("1,234,567.89"));
    EXPECT_EQ(F(*ds, "f")->Text(), QStringLiteral("1,234,567.89"));
    static_cast<TFloatField*>(F(*ds, "f"))->SetEditFormat(QStringLiteral("0.0"));
    EXPECT_EQ(F(*ds, "f")->Text(), QStringLiteral("1234567.9"));
    static_cast<TDateTimeField*>(F(*ds, "dt"))->SetDisplayFormat(QStringLiteral("yyyy-MM-dd"));
    F(*ds, "dt")->SetAsDateTime(EncodeDate(2024, 2, 29));
    EXPECT_EQ(F(*ds, "dt")->DisplayText(), QStringLiteral("2024-02-29"));
    s->SetDisplayLabel(QStringLiteral("Name"));
    EXPECT_EQ(s->DisplayName(), QStringLiteral("Name"));
    EXPECT_EQ(s->DisplayWidth(), 5);
}

TEST(Fields, AssignValueCopiesNullToo)
{
    auto ds = MakeTypes();
    F(*ds, "i")->SetAsInteger(3);
    F(*ds, "si")->AssignValue(F(*ds, "i"));
    EXPECT_EQ(F(*ds, "si")->AsInteger(), 3);
    F(*ds, "i")->Clear();
    F(*ds, "si")->AssignValue(F(*ds, "i"));
    EXPECT_TRUE(F(*ds, "si")->IsNull());
}

TEST(Fields, ReadOnlyFieldAndFieldsListChecks)
{
    auto ds = MakeTypes();
    F(*ds, "ai")->SetReadOnly(true);
    EXPECT_FALSE(F(*ds, "ai")->CanModify());
    EXPECT_TRUE(F(*ds, "i")->CanModify());
    TStringField extra;
    extra.SetFieldName(QStringLiteral("s"));
    try {
        extra.SetDataSet(ds.get());
        FAIL();
    } catch (const EDatabaseError& e) {
        EXPECT_EQ(e.Message(), QStringLiteral("Types: Cannot perform this operation on an open dataset"));
    }
    ds->Cancel();
    ds->Close();
    EXPECT_EQ(ds->FieldCount(), 0);
    EXPECT_FALSE(ds->DefaultFields());
    extra.SetDataSet(ds.get());
    EXPECT_EQ(ds->FieldCount(), 1);
    TStringField duplicate;
    duplicate.SetFieldName(QStringLiteral("S"));
    try {
        duplicate.SetDataSet(ds.get());
        FAIL();
    } catch (const EDatabaseError& e) {
        EXPECT_EQ(e.Message(), QStringLiteral("Types: Duplicate field name 'S'"));
    }
}

TEST(FieldDefs, AddFindAndCreateFields)
{
    VectorDataSet ds;
    ds.SetName(QStringLiteral("Defs"));
    TFieldDef* name = ds.FieldDefs().Add(QStringLiteral("name"), ftString, 30, true);
    ds.FieldDefs().Add(QStringLiteral("amount"), ftBCD, 2)->SetPrecision(10);
    EXPECT_EQ(name->FieldNo(), 1);
    EXPECT_EQ(ds.FieldDefs().Find(QStringLiteral("AMOUNT"))->FieldNo(), 2);
    EXPECT_TRUE(name->Required());
    EXPECT_THROW(ds.FieldDefs().Add(QStringLiteral("Name"), ftInteger), EDatabaseError);
    try {
        ds.FieldDefs().Find(QStringLiteral("x"));
        FAIL();
    } catch (const EDatabaseError& e) {
        EXPECT_EQ(e.Message(), QStringLiteral("Defs: Field 'x' not found"));
    }
    ds.Open();
    auto* f = dynamic_cast<TStringField*>(ds.FieldByName(QStringLiteral("name")));
    ASSERT_NE(f, nullptr);
    EXPECT_EQ(f->Size(), 30);
    EXPECT_TRUE(f->Required());
    EXPECT_EQ(f->FieldNo(), 1);
    EXPECT_EQ(dynamic_cast<TBCDField*>(ds.FieldByName(QStringLiteral("amount")))->Precision(), 10);
    EXPECT_TRUE(ds.DefaultFields());
    EXPECT_EQ(name->Field(), f);
    ds.Close();
    EXPECT_EQ(ds.FieldCount(), 0);
    EXPECT_THROW(CreateFieldOfType(ftVariant, nullptr), EDatabaseError);
}

TEST(IndexDefs, FindByNameAndByFields)
{
    VectorDataSet ds;
    TIndexDefs& defs = ds.IndexDefs();
    defs.Add(QStringLiteral("PrimaryKey"), QStringLiteral("id"), ixPrimary | ixUnique);
    defs.Add(QStringLiteral("ByName"), QStringLiteral("last;first"), ixCaseInsensitive);
    TIndexDef* byDate = defs.Add(QStringLiteral("ByDate"), QStringLiteral("day;last"), ixDescending);
    byDate->SetDescFields(QStringLiteral("day"));
    EXPECT_EQ(defs.IndexOf(QStringLiteral("byname")), 1);
    EXPECT_EQ(defs.Find(QStringLiteral("PRIMARYKEY"))->Options(), ixPrimary | ixUnique);
    EXPECT_THROW(defs.Find(QStringLiteral("none")), EDatabaseError);
    EXPECT_EQ(defs.GetIndexForFields(QStringLiteral("last"), false)->Name(), QStringLiteral("ByName"));
    EXPECT_EQ(defs.GetIndexForFields(QStringLiteral("LAST;First"), true)->Name(), QStringLiteral("ByName"));
    EXPECT_EQ(defs.GetIndexForFields(QStringLiteral("day"), true), nullptr);
    EXPECT_EQ(defs.GetIndexForFields(QStringLiteral("first"), false), nullptr);
    EXPECT_THROW(defs.FindIndexForFields(QStringLiteral("first")), EDatabaseError);
    EXPECT_EQ(defs.FindIndexForFields(QStringLiteral("day;last"))->DescFields(), QStringLiteral("day"));
    EXPECT_THROW(defs.Add(QStringLiteral("bydate"), QStringLiteral("x"), {}), EDatabaseError);
}

TEST(Bcd, TextAndNumberForms)
{
    EXPECT_EQ(BcdToStr(StrToBcd(QStringLiteral("0012.3400"))), QStringLiteral("12.3400"));
    EXPECT_EQ(BcdToStr(StrToBcd(QStringLiteral("-0.00"))), QStringLiteral("0.00"));
    EXPECT_EQ(BcdToStr(DoubleToBcd(-7.125)), QStringLiteral("-7.125"));
    EXPECT_EQ(BcdToStr(DoubleToBcd(2.0 / 3.0, 4)), QStringLiteral("0.6667"));
    EXPECT_DOUBLE_EQ(BcdToDouble(StrToBcd(QStringLiteral("123456.75"))), 123456.75);
    EXPECT_THROW(StrToBcd(QStringLiteral("1.2.3")), EConvertError);
    EXPECT_THROW(StrToBcd(QString(70, QLatin1Char('9'))), EConvertError);
}

TEST(BlobFields, ValuesTravelThroughTheDataSetsBlobStream)
{
    VectorDataSet ds;
    ds.FieldDefs().Add(QStringLiteral("note"), ftMemo);
    ds.FieldDefs().Add(QStringLiteral("photo"), ftGraphic);
    ds.Open();
    auto* note = dynamic_cast<TMemoField*>(ds.FieldByName(QStringLiteral("note")));
    auto* photo = dynamic_cast<TBlobField*>(ds.FieldByName(QStringLiteral("photo")));
    ASSERT_NE(note, nullptr);
    ASSERT_NE(photo, nullptr);
    ds.Append();
    note->SetAsString(QStringLiteral("Смяна на масло\r\nфилтър"));
    TMemoryStream picture(QByteArray("\xFF\xD8\x00\x01", 4));
    photo->LoadFromStream(picture);
    ds.Post();
    EXPECT_EQ(note->AsString(), QStringLiteral("Смяна на масло\r\nфилтър"));
    EXPECT_EQ(note->DisplayText(), QStringLiteral("(MEMO)"));
    EXPECT_EQ(photo->AsBytes(), QByteArray("\xFF\xD8\x00\x01", 4));
    EXPECT_EQ(photo->BlobSize(), 4);
    TMemoryStream out;
    photo->SaveToStream(out);
    EXPECT_EQ(out.Bytes(), QByteArray("\xFF\xD8\x00\x01", 4));
    EXPECT_THROW(note->SetAsString(QStringLiteral("x")), EDatabaseError);
    ds.Edit();
    note->Clear();
    EXPECT_TRUE(note->IsNull());
    ds.Cancel();
    EXPECT_EQ(note->AsString().left(5), QStringLiteral("Смяна"));
    EXPECT_TRUE(note->IsBlob());
    EXPECT_EQ(note->AsVariant(), TVariant(QStringLiteral("Смяна на масло\r\nфилтър")));
}
