// The data module over a fresh copy of the template database: each record rule with the row
// it posts, the stamps and re-queries that follow, and the flags it leaves.

#include "app/datamodule/DModule.h"
#include "app/datamodule/TemplateDatabase.h"
#include "app/util/AppFlags.h"
#include "app/util/AppGlobals.h"
#include "dataaccess/DaoConnectionCheck.h"
#include "dataaccess/DaoDataBase.h"
#include "dataaccess/DaoInfo.h"
#include "dataaccess/DaoTable.h"
#include "memtable/MemTable.h"
#include "platform/dao/DaoDatabase.h"
#include "platform/dao/DaoEngine.h"
#include "platform/dao/DaoField.h"
#include "platform/dao/DaoIndex.h"
#include "platform/dao/DaoRecordset.h"
#include "platform/dao/DaoTableDef.h"
#include "platform/dao/JetSql.h"
#include "platform/toolkit/DataSource.h"
#include "platform/toolkit/DateTime.h"
#include "platform/toolkit/Exceptions.h"

#include <QFile>
#include <QTemporaryDir>
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <functional>
#include <string_view>
#include <sqlite3.h>

namespace {

class DModuleTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        ASSERT_TRUE(dir.isValid());
        const QString path = dir.filePath(QStringLiteral("CarVantel.mdb"));
        ASSERT_TRUE(QFile::copy(QStringLiteral(CARVANTEL_BINARY_DIR "/EmptyBase.mdb"), path));
        QFile(path).setPermissions(QFile::ReadOwner | QFile::WriteOwner);
        app::MainFormReady = true;
        app::CurrentSellerId = QStringLiteral("7");
        app::OrderDirty = app::LineAdded = app::NewLine = app::DeliveryChanged = app::LinesPosted = false;
        app::PaymentChanged = app::NewEmployee = false;
        dm.VantelDataBase->SetDatabase(path);
        dm.VantelDataBase->SetConnected(true);
        // The login's order.
        for (TDaoTable* t : {dm.tblSale, dm.tblSaleDetail, dm.tblCar, dm.tblClient, dm.tblArticleTotalQuery,
                             dm.tblMyFirm, dm.tblSaleTotalQuery, dm.tblMark, dm.tblModel, dm.tblEmployee,
                             dm.tblEmployeePayment, dm.tblEmployeeWork, dm.tblDeliveryDetail, dm.tblQTAQAll,
                             dm.tblMyQuty, dm.tblArticle, dm.tblStore, dm.tblDelivery, dm.tblFiFoQuery,
                             dm.tblLogins, dm.tblSeller, dm.tblQDeliveryTotal, dm.tblCashTakings, dm.tblCashGiveIn})
            ASSERT_NO_THROW(t->Open()) << t->objectName().toStdString();
    }
    void TearDown() override
    {
        app::MainFormReady = false;
        app::CurrentSellerId = QStringLiteral("1");
        app::OrderDirty = app::LineAdded = app::NewLine = app::MissingStock = app::DeliveryChanged = false;
        app::LinesPosted = app::PaymentChanged = app::NewEmployee = false;
    }

    static void Set(TDataSet* d, const char* field, const QString& text)
    {
        d->FieldByName(QString::fromUtf8(field))->SetAsString(text);
    }
    static QString Get(TDataSet* d, const char* field) { return d->FieldByName(QString::fromUtf8(field))->AsString(); }

    // A line of the current order at the price and quantity, posted.
    void PostLine(const char* price, const char* quantity)
    {
        dm.tblSaleDetail->Append();
        Set(dm.tblSaleDetail, "sale_id", Get(dm.tblSale, "id"));
        Set(dm.tblSaleDetail, "sale_price", QString::fromLatin1(price));
        Set(dm.tblSaleDetail, "sale_quantity", QString::fromLatin1(quantity));
        dm.tblSaleDetail->Post();
    }

    // A firm, an order of it, a store and a delivery with one lot, all posted.
    void MakeOrderAndDelivery()
    {
        dm.tblMyFirm->Append();
        Set(dm.tblMyFirm, "myfirm_name", QStringLiteral("Фирма"));
        dm.tblMyFirm->Post();
        dm.tblSale->Append();
        Set(dm.tblSale, "myfirm_id", Get(dm.tblMyFirm, "id"));
        Set(dm.tblSale, "tax_rate", QStringLiteral("20"));
        dm.tblSale->Post();
        dm.tblStore->Append();
        Set(dm.tblStore, "store_name", QStringLiteral("Склад"));
        dm.tblStore->Post();
        dm.tblDelivery->Append();
        Set(dm.tblDelivery, "store_id", Get(dm.tblStore, "id"));
        Set(dm.tblDelivery, "currency_rate", QStringLiteral("1"));
        Set(dm.tblDelivery, "delivery_tax", QStringLiteral("20"));
        dm.tblDelivery->Post();
    }

    QTemporaryDir dir;
    TDM dm;
};

TEST(DModuleDesignTest, DeclaresEveryDatasetAndSourceClosed)
{
    TDM dm;
    EXPECT_EQ(DM, &dm);
    EXPECT_EQ(dm.findChildren<TDaoTable*>().size(), 42);
    EXPECT_EQ(dm.findChildren<TDataSource*>().size(), 41);
    for (TDaoTable* t : dm.findChildren<TDaoTable*>()) {
        EXPECT_FALSE(t->Active()) << t->objectName().toStdString();
        EXPECT_EQ(t->Database(), dm.VantelDataBase);
    }
    EXPECT_FALSE(dm.CheckDatabase->Active());
    EXPECT_EQ(dm.CheckDatabase->Database(), dm.VantelDataBase);
    EXPECT_EQ(dm.CheckDatabase->Interval(), 5000);
    EXPECT_EQ(dm.CheckDatabase->ErrorAction(), TErrActionSet(TErrAction::RaiseException));
    EXPECT_FALSE(dm.dbInfo->Active());
    EXPECT_EQ(dm.tblSaleDetail->MasterSource(), dm.srcSale);
    EXPECT_EQ(dm.tblSaleDetail->MasterFields().Text().trimmed(), QStringLiteral("sale_id -> id"));
    EXPECT_EQ(dm.tblDeliveryDetail->MasterSource(), dm.srcDelivery);
    EXPECT_EQ(dm.srcArticleTotalQuery->DataSet(), dm.tblArticleTotalQuery);
    EXPECT_FALSE(dm.srcArticleTotalq->Enabled());
    EXPECT_EQ(dm.srcMemtable->DataSet(), static_cast<TDataSet*>(dm.tblMemTable));
    EXPECT_TRUE(dm.tblArticleTotalQuery->Filtered());
    EXPECT_FALSE(dm.tblFiFoQuery->Filtered());
    EXPECT_TRUE(dm.tblStore->CacheLookups());
    EXPECT_FALSE(dm.tblArticleTotalq->ParamCheck());
}

TEST(DModuleDesignTest, ReadOnlyDatasetsAndMasterLinksAreAsDocumented)
{
    TDM dm;
    const QStringList readOnly = {
        "tblSaleTotalQuery", "tblMyPersonalQuery", "tblQTAQAll", "tblMyQuty", "tblArticle", "tblMark", "tblFiFoQuery",
        "tblQDeliveryTotal", "tblCashDTotal", "tblCashSTotal", "tblCashSale", "tblCashDelivery", "tblCashEPayment",
        "tblCashEWork", "tblCashTTotal", "tblCashEPTotal", "tblCashGTotal", "tblCashEWTotal", "tblDebitQuery",
        "tblDebSum", "tblArticleTotalq", "tblArticleTotalQuery"};
    for (TDaoTable* t : dm.findChildren<TDaoTable*>())
        EXPECT_EQ(t->ReadOnly(), readOnly.contains(t->objectName())) << t->objectName().toStdString();

    struct Link {
        TDaoTable* detail;
        TDataSource* master;
        const char* fields;
    };
    const Link links[] = {
        {dm.tblSaleDetail, dm.srcSale, "sale_id -> id"},
        {dm.tblSaleTotalQuery, dm.srcSale, "id -> id"},
        {dm.tblEmployeePayment, dm.srcEmployee, "employee_id -> id"},
        {dm.tblEmployeeWork, dm.srcEmployee, "employee_id -> id"},
        {dm.tblDelivery, dm.srcStore, "store_id -> id"},
        {dm.tblDeliveryDetail, dm.srcDelivery, "delivery_id -> id"},
        {dm.tblQDeliveryTotal, dm.srcDelivery, "id -> id"},
        {dm.tblArticleTotalq, dm.srcArticleTotalQuery, ""},
    };
    int linked = 0;
    for (TDaoTable* t : dm.findChildren<TDaoTable*>())
        if (t->MasterSource())
            ++linked;
    EXPECT_EQ(linked, int(std::size(links)));
    for (const Link& l : links) {
        SCOPED_TRACE(l.detail->objectName().toStdString());
        EXPECT_EQ(l.detail->MasterSource(), l.master);
        EXPECT_EQ(l.detail->MasterFields().Text().trimmed(), QString::fromUtf8(l.fields));
    }
    EXPECT_EQ(dm.tblCashBox->SortedBy().Count(), 2);
    EXPECT_EQ(dm.tblCashBox->SortedBy()[0], QStringLiteral("[to_date] DESC"));
    EXPECT_EQ(dm.tblCashBox->SortedBy()[1], QStringLiteral("[id] DESC"));
    EXPECT_EQ(dm.tblFiFoQuery->Filter(), QStringLiteral("[total_quty]>0"));
    EXPECT_TRUE(dm.tblCar->Filtered());
    EXPECT_TRUE(dm.tblCashTakings->Filtered());
}

TEST(DModuleDesignTest, ClampByteKeepsSmallAndNegativeValues)
{
    const std::pair<qint32, qint32> cases[] = {{300, 255}, {256, 255}, {255, 255}, {0, 0}, {-5, -5}};
    for (auto [in, out] : cases)
        EXPECT_EQ(TDM::ClampByte(in), out) << in;
}

struct ClampCase {
    const char* field;
    const char* typed;
    const char* stored;
};

TEST_F(DModuleTest, EveryOtherDatasetOpensOverTheTemplate)
{
    for (TDaoTable* t : {dm.tblMyPersonalQuery, dm.tblCashBox, dm.tblCashDTotal, dm.tblCashSTotal, dm.tblCashSale,
                         dm.tblCashDelivery, dm.tblCashEPayment, dm.tblCashEWork, dm.tblCashTTotal,
                         dm.tblCashEPTotal, dm.tblCashGTotal, dm.tblCashEWTotal, dm.tblArticleTotalq,
                         dm.EmployeeWorkRep, dm.tblQueryEmploeeWork}) {
        EXPECT_NO_THROW(t->Open()) << t->objectName().toStdString();
        if (t == dm.EmployeeWorkRep) {
            QStringList names;
            for (int i = 0; i < t->FieldCount(); ++i)
                names << t->Fields().Fields(i)->FieldName();
            EXPECT_EQ(names.join(QLatin1Char(' ')),
                      QStringLiteral("employee_id start_date_time end_data_time absence_days absence_reason payment "
                                     "payment_date payed last_modified seller_id cashbox_num"));
        }
        t->Close();
    }
}

TEST_F(DModuleTest, FirmVatAndCarNumbersAreClampedOnPost)
{
    const ClampCase firm[] = {{"DDS", "300", "255"}, {"DDS", "255", "255"}, {"DDS", "-5", "-5"}, {"DDS", "", ""}};
    for (const ClampCase& c : firm) {
        dm.tblMyFirm->Append();
        Set(dm.tblMyFirm, c.field, QString::fromUtf8(c.typed));
        Set(dm.tblMyFirm, "myfirm_name", QStringLiteral("x"));
        dm.tblMyFirm->Post();
        EXPECT_EQ(Get(dm.tblMyFirm, c.field), QString::fromUtf8(c.stored)) << c.typed;
    }
    dm.tblCar->Append();
    Set(dm.tblCar, "power", QStringLiteral("300"));
    Set(dm.tblCar, "doors", QStringLiteral("4"));
    dm.tblCar->Post();
    EXPECT_EQ(Get(dm.tblCar, "power"), QStringLiteral("255"));
    EXPECT_EQ(Get(dm.tblCar, "doors"), QStringLiteral("4"));
}

TEST_F(DModuleTest, OrderLineTakesItsAmountFromTheBufferAndTheTotalsFollow)
{
    MakeOrderAndDelivery();
    dm.tblSaleDetail->Append();
    EXPECT_TRUE(app::LineAdded && app::OrderDirty && app::NewLine);
    Set(dm.tblSaleDetail, "sale_id", Get(dm.tblSale, "id"));
    Set(dm.tblSaleDetail, "sale_price", QStringLiteral("10"));
    Set(dm.tblSaleDetail, "discount", QStringLiteral("10"));
    Set(dm.tblSaleDetail, "sale_quantity", QStringLiteral("3"));
    const double before = Now();
    dm.tblSaleDetail->Post();
    EXPECT_EQ(Get(dm.tblSaleDetail, "sale_id"), Get(dm.tblSale, "id"));
    EXPECT_DOUBLE_EQ(dm.tblSaleDetail->FieldByName(QStringLiteral("total_sale_sum"))->AsFloat(), 27.0);
    EXPECT_EQ(Get(dm.tblSaleDetail, "seller_id"), QStringLiteral("7"));
    EXPECT_GE(dm.tblSaleDetail->FieldByName(QStringLiteral("last_modified"))->AsFloat(), before - 1.0 / 86400);
    EXPECT_EQ(Get(dm.tblSaleTotalQuery, "Sumsale_total"), QStringLiteral("27.00"));

    // An edit: the stored amount is the new one, not the query's amount of the row as read.
    dm.tblSaleDetail->Edit();
    Set(dm.tblSaleDetail, "sale_quantity", QStringLiteral("5"));
    dm.tblSaleDetail->Post();
    EXPECT_DOUBLE_EQ(dm.tblSaleDetail->FieldByName(QStringLiteral("total_sale_sum"))->AsFloat(), 45.0);
    EXPECT_EQ(Get(dm.tblSaleTotalQuery, "Sumsale_total"), QStringLiteral("45.00"));
    EXPECT_EQ(Get(dm.tblSaleTotalQuery, "Total"), QStringLiteral("54.00"));
}

// Connecting to a shop file that lacks an index of the schema adds it; the rows stay.
TEST_F(DModuleTest, ConnectingGivesAnOlderFileItsMissingIndexes)
{
    MakeOrderAndDelivery();
    dm.VantelDataBase->SetConnected(false);
    const QString path = dir.filePath(QStringLiteral("CarVantel.mdb"));
    {
        dao::DBEngine engine(QStringLiteral("3.6"));
        auto db = engine.OpenDatabase(path, false, false, QStringLiteral(";pwd=quietmaple"));
        db->TableDefs()[QStringLiteral("sale_detail")]->Indexes().Delete(QStringLiteral("lot_sales"));
        db->Close();
    }
    dm.VantelDataBase->SetConnected(true);
    auto details = dm.VantelDataBase->DatabaseObject()->TableDefs()[QStringLiteral("sale_detail")];
    QStringList names;
    for (int i = 0; i < details->Indexes().Count(); ++i)
        names << details->Indexes()[i]->Name();
    EXPECT_TRUE(names.contains(QStringLiteral("lot_sales")));
    dm.tblSale->Open();
    EXPECT_EQ(dm.tblSale->RecordCount(), 1);
}

TEST_F(DModuleTest, AnOrderLineWithoutADiscountStoresNoneAndCountsInTheTotals)
{
    MakeOrderAndDelivery();
    for (const bool ready : {true, false}) {
        SCOPED_TRACE(ready);
        app::MainFormReady = ready;
        PostLine("10", "2");
    }
    dm.tblSaleDetail->Requery();
    for (dm.tblSaleDetail->First(); !dm.tblSaleDetail->Eof(); dm.tblSaleDetail->Next()) {
        EXPECT_FALSE(dm.tblSaleDetail->FieldByName(QStringLiteral("discount"))->IsNull());
        EXPECT_EQ(Get(dm.tblSaleDetail, "discount"), QStringLiteral("0"));
        EXPECT_EQ(Get(dm.tblSaleDetail, "TotalSaleSum"), QStringLiteral("20.00"));
    }
    dm.tblSaleTotalQuery->Requery();
    EXPECT_EQ(Get(dm.tblSaleTotalQuery, "Sumsale_total"), QStringLiteral("40.00"));
    EXPECT_EQ(Get(dm.tblSaleTotalQuery, "Total"), QStringLiteral("48.00"));
}

// A file made when VAT and company numbers held 10 and 12 characters is widened when it is opened
// for writing, its rows kept; opened read-only it is left as it is.
TEST_F(DModuleTest, ConnectingWidensAnOlderFilesVatNumbersKeepingItsRows)
{
    dm.VantelDataBase->SetConnected(false);
    const QString path = dir.filePath(QStringLiteral("CarVantel.mdb"));
    const std::pair<const char*, const char*> columns[] = {
        {"client", "tax_num"}, {"client", "bulstat"}, {"myfirm", "mytax_num"}, {"myfirm", "mybulstat"}};
    dao::DBEngine engine(QStringLiteral("3.6"));
    const auto sizes = [&](dao::Database& db) {
        std::vector<int> found;
        for (const auto& [table, field] : columns)
            found.push_back(db.TableDefs()[QString::fromLatin1(table)]->Fields()[QString::fromLatin1(field)]->Size());
        return found;
    };
    {
        auto db = engine.OpenDatabase(path, false, false, QStringLiteral(";pwd=quietmaple"));
        db->Execute(QStringLiteral("INSERT INTO client (name, tax_num, bulstat) VALUES ('Иван', '1234567890', '123456789012')"));
        db->Execute(QStringLiteral("INSERT INTO myfirm (myfirm_name, mytax_num, mybulstat) VALUES ('Фирма', 'BG12345678', '')"));
        for (const auto& [table, field] : columns) {
            auto stored = db->TableDefs()[QString::fromLatin1(table)]->Fields()[QString::fromLatin1(field)];
            stored->SetSize(QByteArray(field).contains("tax") ? 10 : 12);
        }
        ASSERT_EQ(sizes(*db), (std::vector<int>{10, 12, 10, 12}));
        db->Close();
    }
    const auto fileBytes = [&] {
        QFile file(path);
        return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
    };
    const QByteArray before = fileBytes();
    {
        auto readOnly = engine.OpenDatabase(path, false, true, QStringLiteral(";pwd=quietmaple"));
        EXPECT_NO_THROW(shopschema::WidenTextColumns(*readOnly));
        EXPECT_EQ(sizes(*readOnly), (std::vector<int>{10, 12, 10, 12}));
        readOnly->Close();
    }
    EXPECT_EQ(fileBytes(), before);

    dm.VantelDataBase->SetConnected(true);
    dm.tblClient->Open();
    dm.tblMyFirm->Open();
    EXPECT_EQ(dm.tblClient->RecordCount(), 1);
    EXPECT_EQ(Get(dm.tblClient, "name"), QStringLiteral("Иван"));
    EXPECT_EQ(Get(dm.tblClient, "bulstat"), QStringLiteral("123456789012"));
    EXPECT_EQ(Get(dm.tblMyFirm, "mytax_num"), QStringLiteral("BG12345678"));
    dm.tblClient->Edit();
    Set(dm.tblClient, "tax_num", QStringLiteral("BG1234567890123"));
    dm.tblClient->Post();
    dm.VantelDataBase->SetConnected(false);
    auto db = engine.OpenDatabase(path, false, true, QStringLiteral(";pwd=quietmaple"));
    EXPECT_EQ(sizes(*db), (std::vector<int>{15, 15, 15, 15}));
    auto rows = db->OpenRecordset(QStringLiteral("SELECT id, tax_num FROM client"), dao::dbOpenSnapshot);
    ASSERT_FALSE(rows->Eof());
    EXPECT_EQ(rows->Fields()[1]->Value().AsString(), QStringLiteral("BG1234567890123"));
    rows->MoveNext();
    EXPECT_TRUE(rows->Eof());
}

// Lines an earlier version stored without a discount count in the totals once connected again.
TEST_F(DModuleTest, ConnectingGivesAnOlderFilesLinesWithoutADiscountNone)
{
    MakeOrderAndDelivery();
    const QString sale = Get(dm.tblSale, "id");
    dm.VantelDataBase->SetConnected(false);
    const QString path = dir.filePath(QStringLiteral("CarVantel.mdb"));
    {
        dao::DBEngine engine(QStringLiteral("3.6"));
        auto db = engine.OpenDatabase(path, false, false, QStringLiteral(";pwd=quietmaple"));
        for (const char* discount : {"NULL", "NULL", "5"})
            db->Execute(QStringLiteral("INSERT INTO sale_detail (sale_id, sale_price, sale_quantity, discount) "
                                       "VALUES (%1, 10, 1, %2)")
                            .arg(sale, QLatin1String(discount)));
        db->Close();
        // A file opened read-only is read as it is.
        auto readOnly = engine.OpenDatabase(path, false, true, QStringLiteral(";pwd=quietmaple"));
        EXPECT_NO_THROW(shopschema::ZeroEmptyDiscounts(*readOnly));
    }
    dm.VantelDataBase->SetConnected(true);
    dm.tblSaleDetail->Open();
    QStringList discounts;
    for (dm.tblSaleDetail->First(); !dm.tblSaleDetail->Eof(); dm.tblSaleDetail->Next())
        discounts << Get(dm.tblSaleDetail, "discount");
    EXPECT_EQ(discounts, (QStringList{QStringLiteral("0"), QStringLiteral("0"), QStringLiteral("5")}));
    dm.tblSaleTotalQuery->Open();
    EXPECT_EQ(Get(dm.tblSaleTotalQuery, "Sumsale_total"), QStringLiteral("29.50"));
}

TEST_F(DModuleTest, BeforeTheMainWindowIsShownAnOrderLineIsNotStamped)
{
    MakeOrderAndDelivery();
    app::MainFormReady = false;
    PostLine("10", "2");
    EXPECT_TRUE(dm.tblSaleDetail->FieldByName(QStringLiteral("total_sale_sum"))->IsNull());
    EXPECT_TRUE(dm.tblSaleDetail->FieldByName(QStringLiteral("seller_id"))->IsNull());
}

TEST_F(DModuleTest, CancellingANewLineClearsOrderDirtyAfterAHeaderEdit)
{
    MakeOrderAndDelivery();
    dm.tblSale->Edit();
    EXPECT_TRUE(app::OrderDirty);
    Set(dm.tblSale, "tax_rate", QStringLiteral("9"));
    dm.tblSaleDetail->Append();
    Set(dm.tblSaleDetail, "sale_price", QStringLiteral("1"));
    dm.tblSaleDetail->Cancel();
    EXPECT_FALSE(app::OrderDirty);
    EXPECT_FALSE(app::LineAdded);
    EXPECT_FALSE(app::NewLine);
}

TEST_F(DModuleTest, AnUnnamedDeliveryLineIsStoredAsEmptyWithZeroes)
{
    MakeOrderAndDelivery();
    dm.tblDeliveryDetail->Append();
    EXPECT_TRUE(app::DeliveryChanged);
    dm.tblDeliveryDetail->FieldByName(QStringLiteral("service"))->SetAsBoolean(false);
    dm.tblDeliveryDetail->Post();
    EXPECT_EQ(Get(dm.tblDeliveryDetail, "article_name"), QStringLiteral("Празно"));
    for (const char* f : {"sale_price", "delivery_price", "delivery_quantity"})
        EXPECT_EQ(Get(dm.tblDeliveryDetail, f), QStringLiteral("0")) << f;
    EXPECT_EQ(Get(dm.tblDeliveryDetail, "delivery_id"), Get(dm.tblDelivery, "id"));
    EXPECT_EQ(Get(dm.tblDeliveryDetail, "store_id"), Get(dm.tblStore, "id"));
    EXPECT_EQ(Get(dm.tblDeliveryDetail, "seller_id"), QStringLiteral("7"));
    EXPECT_TRUE(app::LinesPosted);
    EXPECT_FALSE(app::DeliveryChanged);
}

TEST_F(DModuleTest, DeliveryTotalsAreReQueriedAndCopiedIntoTheDelivery)
{
    MakeOrderAndDelivery();
    dm.tblDeliveryDetail->Append();
    Set(dm.tblDeliveryDetail, "article_name", QStringLiteral("Масло"));
    Set(dm.tblDeliveryDetail, "delivery_price", QStringLiteral("8"));
    Set(dm.tblDeliveryDetail, "delivery_quantity", QStringLiteral("10"));
    dm.tblDeliveryDetail->Post();
    EXPECT_DOUBLE_EQ(dm.tblQDeliveryTotal->FieldByName(QStringLiteral("DeliverySum"))->AsFloat(), 80.0);
    dm.tblDelivery->Edit();
    Set(dm.tblDelivery, "supplier", QStringLiteral("Доставчик"));
    dm.tblDelivery->Post();
    EXPECT_DOUBLE_EQ(dm.tblDelivery->FieldByName(QStringLiteral("delivery_sum"))->AsFloat(), 80.0);
    EXPECT_DOUBLE_EQ(dm.tblDelivery->FieldByName(QStringLiteral("delivery_tax_value"))->AsFloat(), 16.0);
}

// Whether a row with this id is in the table, read past the datasets.
bool RowExists(TDM& dm, const char* table, qint32 id)
{
    TDaoTable probe;
    probe.SetDatabase(dm.VantelDataBase);
    probe.SQL().SetText(QStringLiteral("SELECT id FROM %1 WHERE id=%2;").arg(QString::fromUtf8(table)).arg(id));
    probe.Open();
    return !probe.IsEmpty();
}

struct DeliveryTotalsCase {
    const char* name;
    const char* rate;  // empty: left empty
    const char* tax;
    bool withLines;
    double sum;
    double taxValue;
};

TEST_F(DModuleTest, StoredDeliveryTotalsFollowTheLinesAtTheRowsOwnRateAndVat)
{
    const DeliveryTotalsCase cases[] = {
        {"lines at rate 1 and 20 %", "1", "20", true, 100.0, 20.0},
        {"a foreign currency", "1.95583", "20", true, 195.583, 39.1166},
        {"rate and VAT left empty", "", "", true, 100.0, 0.0},
        {"no lines", "1.95583", "20", false, 0.0, 0.0},
    };
    MakeOrderAndDelivery();
    for (const DeliveryTotalsCase& c : cases) {
        SCOPED_TRACE(c.name);
        dm.tblDelivery->Append();
        Set(dm.tblDelivery, "store_id", Get(dm.tblStore, "id"));
        Set(dm.tblDelivery, "currency_rate", QString::fromLatin1(c.rate));
        Set(dm.tblDelivery, "delivery_tax", QString::fromLatin1(c.tax));
        dm.tblDelivery->Post();
        if (c.withLines) {
            for (const char* price : {"2.5", "7.5"}) {
                dm.tblDeliveryDetail->Append();
                Set(dm.tblDeliveryDetail, "article_name", QStringLiteral("Филтър"));
                Set(dm.tblDeliveryDetail, "delivery_price", QString::fromLatin1(price));
                Set(dm.tblDeliveryDetail, "delivery_quantity", QStringLiteral("10"));
                dm.tblDeliveryDetail->Post();
            }
        }
        dm.tblDelivery->Edit();
        dm.tblDelivery->Post();
        EXPECT_FALSE(dm.tblDelivery->FieldByName(QStringLiteral("delivery_sum"))->IsNull());
        EXPECT_FALSE(dm.tblDelivery->FieldByName(QStringLiteral("delivery_tax_value"))->IsNull());
        EXPECT_NEAR(dm.tblDelivery->FieldByName(QStringLiteral("delivery_sum"))->AsFloat(), c.sum, 1e-9);
        EXPECT_NEAR(dm.tblDelivery->FieldByName(QStringLiteral("delivery_tax_value"))->AsFloat(), c.taxValue, 1e-9);
        EXPECT_FALSE(dm.tblDelivery->FieldByName(QStringLiteral("currency_rate"))->IsNull());
        EXPECT_FALSE(dm.tblDelivery->FieldByName(QStringLiteral("delivery_tax"))->IsNull());
    }
}

TEST_F(DModuleTest, AChangedRateIsStoredWithTheTotalsAtOnce)
{
    MakeOrderAndDelivery();
    dm.tblDeliveryDetail->Append();
    Set(dm.tblDeliveryDetail, "article_name", QStringLiteral("Масло"));
    Set(dm.tblDeliveryDetail, "delivery_price", QStringLiteral("8"));
    Set(dm.tblDeliveryDetail, "delivery_quantity", QStringLiteral("10"));
    dm.tblDeliveryDetail->Post();
    dm.tblDelivery->Edit();
    Set(dm.tblDelivery, "currency_rate", QStringLiteral("2"));
    dm.tblDelivery->Post();
    EXPECT_DOUBLE_EQ(dm.tblDelivery->FieldByName(QStringLiteral("delivery_sum"))->AsFloat(), 160.0);
    EXPECT_DOUBLE_EQ(dm.tblDelivery->FieldByName(QStringLiteral("delivery_tax_value"))->AsFloat(), 32.0);
}

TEST_F(DModuleTest, AStoreOrDeliveryInUseCannotBeDeleted)
{
    MakeOrderAndDelivery();
    const qint32 store = Get(dm.tblStore, "id").toInt();
    const qint32 delivery = Get(dm.tblDelivery, "id").toInt();
    EXPECT_FALSE(dm.AnyDeliveryLine());
    dm.tblDeliveryDetail->Append();
    Set(dm.tblDeliveryDetail, "article_name", QStringLiteral("Масло"));
    dm.tblDeliveryDetail->Post();
    EXPECT_TRUE(dm.AnyDeliveryLine());
    EXPECT_TRUE(dm.StoreInUse(store));
    EXPECT_TRUE(dm.DeliveryInUse(delivery));
    EXPECT_THROW(dm.DeleteStore(store), EDatabaseError);
    EXPECT_THROW(dm.DeleteDelivery(delivery), EDatabaseError);
    EXPECT_TRUE(RowExists(dm, "store", store));
    EXPECT_TRUE(RowExists(dm, "delivery", delivery));

    dm.DeleteDeliveryLine(Get(dm.tblDeliveryDetail, "id").toInt());
    dm.DeleteDelivery(delivery);
    EXPECT_FALSE(RowExists(dm, "delivery", delivery));
    dm.DeleteStore(store);
    EXPECT_FALSE(RowExists(dm, "store", store));
}

TEST_F(DModuleTest, ALotOrdersUseAndAFirmOrdersNameCannotBeDeleted)
{
    MakeOrderAndDelivery();
    for (int i = 0; i < 2; ++i) {
        dm.tblDeliveryDetail->Append();
        Set(dm.tblDeliveryDetail, "article_name", QStringLiteral("Масло"));
        dm.tblDeliveryDetail->Post();
    }
    const qint32 sold = dm.tblDeliveryDetail->FieldByName(QStringLiteral("id"))->AsInteger();
    const qint32 unsold = sold - 1;
    const qint32 firm = dm.tblMyFirm->FieldByName(QStringLiteral("id"))->AsInteger();
    EXPECT_FALSE(dm.DeliveryLineInUse(sold));
    dm.tblSaleDetail->Append();
    Set(dm.tblSaleDetail, "sale_id", Get(dm.tblSale, "id"));
    dm.tblSaleDetail->FieldByName(QStringLiteral("delivery_detail_id"))->SetAsInteger(sold);
    dm.tblSaleDetail->Post();
    EXPECT_TRUE(dm.DeliveryLineInUse(sold));
    EXPECT_FALSE(dm.DeliveryLineInUse(unsold));
    EXPECT_TRUE(dm.FirmInUse(firm));

    // Through the dataset and through the windows' SQL delete alike.
    EXPECT_THROW(dm.tblDeliveryDetail->Delete(), EDatabaseError);
    EXPECT_THROW(dm.DeleteDeliveryLine(sold), EDatabaseError);
    EXPECT_TRUE(RowExists(dm, "delivery_detail", sold));
    EXPECT_THROW(dm.tblMyFirm->Delete(), EDatabaseError);
    EXPECT_THROW(dm.DeleteFirm(firm), EDatabaseError);
    EXPECT_TRUE(RowExists(dm, "myfirm", firm));

    dm.DeleteDeliveryLine(unsold);
    EXPECT_FALSE(RowExists(dm, "delivery_detail", unsold));
    dm.tblMyFirm->Append();
    Set(dm.tblMyFirm, "myfirm_name", QStringLiteral("Друга"));
    dm.tblMyFirm->Post();
    const qint32 unused = dm.tblMyFirm->FieldByName(QStringLiteral("id"))->AsInteger();
    dm.DeleteFirm(unused);
    EXPECT_FALSE(RowExists(dm, "myfirm", unused));
}

TEST_F(DModuleTest, AModelSavedUnderAllMakesKeepsItsMake)
{
    QString make = TDM::AllMakes();
    dm.WindowHooks.ModelMakeText = [&] { return make; };
    dm.tblModel->Append();
    Set(dm.tblModel, "mark_name", QStringLiteral("Лада"));
    Set(dm.tblModel, "model_name", QStringLiteral("Нива"));
    dm.tblModel->Post();
    EXPECT_EQ(Get(dm.tblModel, "mark_name"), QStringLiteral("Лада"));
    make = QStringLiteral("Opel");
    dm.tblModel->Edit();
    Set(dm.tblModel, "model_name", QStringLiteral("Astra"));
    dm.tblModel->Post();
    EXPECT_EQ(Get(dm.tblModel, "mark_name"), QStringLiteral("Opel"));
}

TEST_F(DModuleTest, PaymentsAndWorkTakeTheCashBoxAndZeroes)
{
    dm.WindowHooks.CashBoxNumberText = [] { return QStringLiteral("3"); };
    dm.tblEmployee->Append();
    Set(dm.tblEmployee, "employee_name", QStringLiteral("Иван"));
    app::NewEmployee = true;
    dm.tblEmployee->Post();
    EXPECT_FALSE(app::NewEmployee);

    dm.tblEmployeePayment->Append();
    EXPECT_TRUE(app::PaymentChanged);
    Set(dm.tblEmployeePayment, "employee_id", Get(dm.tblEmployee, "id"));
    Set(dm.tblEmployeePayment, "cashbox_num", QStringLiteral("0"));
    Set(dm.tblEmployeePayment, "work", QStringLiteral("Ремонт"));
    dm.tblEmployeePayment->Post();
    EXPECT_EQ(Get(dm.tblEmployeePayment, "cashbox_num"), QStringLiteral("3"));
    EXPECT_EQ(Get(dm.tblEmployeePayment, "payment"), QStringLiteral("0"));
    EXPECT_EQ(Get(dm.tblEmployeePayment, "employee_id"), Get(dm.tblEmployee, "id"));
    EXPECT_FALSE(app::PaymentChanged);

    app::MainFormReady = false;  // the absence clamp holds always
    dm.tblEmployeeWork->Append();
    Set(dm.tblEmployeeWork, "absence_days", QStringLiteral("300"));
    dm.tblEmployeeWork->Post();
    EXPECT_EQ(Get(dm.tblEmployeeWork, "absence_days"), QStringLiteral("255"));
    EXPECT_TRUE(dm.tblEmployeeWork->FieldByName(QStringLiteral("cashbox_num"))->IsNull());
}

struct CashRowCase {
    TDaoTable* TDM::*Rows;
    const char* amount;
    TDaoTable* TDM::*Total;
    const char* totalField;
};

TEST_F(DModuleTest, ACashRowWithoutAnAmountStoresZeroAndItsTotalIsReQueried)
{
    const CashRowCase cases[] = {
        {&TDM::tblCashTakings, "take", &TDM::tblCashTTotal, "TakedTotalSum"},
        {&TDM::tblCashGiveIn, "give", &TDM::tblCashGTotal, "GiveTotal"},
    };
    const double today = std::floor(Now());
    for (const CashRowCase& c : cases) {
        SCOPED_TRACE(c.amount);
        TDaoTable* rows = dm.*c.Rows;
        TDaoTable* total = dm.*c.Total;
        rows->SetFiltered(false);
        total->QueryDefParameters().SetText(QStringLiteral("1\n%1\n%2").arg(DateToStr(today), DateToStr(today + 1)));
        total->Open();
        rows->Append();
        rows->FieldByName(QStringLiteral("date"))->SetAsFloat(today);
        rows->Post();
        EXPECT_EQ(Get(rows, c.amount), QStringLiteral("0"));
        rows->Append();
        rows->FieldByName(QStringLiteral("date"))->SetAsFloat(today);
        Set(rows, c.amount, QStringLiteral("12.5"));
        rows->Post();
        ASSERT_FALSE(total->IsEmpty());
        EXPECT_DOUBLE_EQ(total->FieldByName(QString::fromUtf8(c.totalField))->AsFloat(), 12.5);
    }
}

TEST_F(DModuleTest, ANewCashRowTakesTheOpenPeriodsBoxTodayAndTheSeller)
{
    const double today = std::floor(Now());
    const std::pair<std::function<qint32()>, QString> boxes[] = {
        {[] { return qint32(2); }, QStringLiteral("2")},
        {nullptr, QStringLiteral("3")},  // no cash box window: the settings box
    };
    dm.WindowHooks.CashBoxNumberText = [] { return QStringLiteral("3"); };
    for (TDaoTable* rows : {dm.tblCashTakings, dm.tblCashGiveIn}) {
        for (const auto& [hook, box] : boxes) {
            SCOPED_TRACE(rows->objectName().toStdString() + " " + box.toStdString());
            dm.WindowHooks.CashPeriodBox = hook;
            rows->SetFiltered(false);
            rows->Append();
            EXPECT_EQ(Get(rows, "cashbox_num"), box);
            EXPECT_DOUBLE_EQ(rows->FieldByName(QStringLiteral("date"))->AsFloat(), today);
            rows->Post();
            EXPECT_EQ(Get(rows, "seller_id"), QStringLiteral("7"));
            EXPECT_FALSE(rows->FieldByName(QStringLiteral("last_modified"))->IsNull());
        }
    }
}

TEST(DModuleDesignTest, TheCashJournalHasItsFieldsAndKeepsNoFile)
{
    TDM dm;
    struct Field {
        const char* name;
        TFieldType type;
        int size;
    };
    const Field fields[] = {{"id", ftAutoInc, 0},    {"date", ftDateTime, 0}, {"income", ftString, 6},
                            {"type_key", ftWord, 0}, {"type", ftString, 16},  {"additional", ftString, 50},
                            {"dds", ftFloat, 0},     {"sum", ftFloat, 0},     {"total", ftFloat, 0}};
    TMemTable* journal = dm.tblMemTable;
    ASSERT_EQ(journal->Fields().Count(), int(std::size(fields)));
    for (int i = 0; i < int(std::size(fields)); ++i) {
        SCOPED_TRACE(fields[i].name);
        EXPECT_EQ(journal->Fields()[i]->FieldName(), QString::fromLatin1(fields[i].name));
        EXPECT_EQ(journal->Fields()[i]->DataType(), fields[i].type);
        if (fields[i].size) {
            EXPECT_EQ(journal->Fields()[i]->Size(), fields[i].size);
        }
    }
    EXPECT_EQ(journal->PersistentFile(), QStringLiteral("testfil.txt"));
    EXPECT_FALSE(journal->Persistent());
    EXPECT_TRUE(journal->EnableIndexes());
    EXPECT_FALSE(journal->EnableJournal());
    EXPECT_TRUE(journal->EnableVersioning());
    EXPECT_TRUE(journal->RecalcOnFetch());
    EXPECT_TRUE(journal->AttachedAutoRefresh());
    EXPECT_FALSE(journal->StoreDataOnForm());
    journal->Open();
    journal->Append();
    journal->FieldByName(QStringLiteral("total"))->SetAsFloat(-1.5);
    journal->Post();
    journal->Close();
    journal->Open();
    EXPECT_TRUE(journal->IsEmpty());
    EXPECT_FALSE(QFile::exists(QStringLiteral("testfil.txt")));
}

TEST_F(DModuleTest, TheWindowsSeeWhatTheRulesShowAndTheFlagsTheyKeep)
{
    QStringList shown;
    bool storageVisible = false;
    bool onWorkPrice = false;
    int renumbered = 0;
    dm.WindowHooks.ShowDelivery = [&](const QString& id, bool paid) {
        shown << QStringLiteral("delivery %1 %2").arg(id, paid ? "paid" : "unpaid");
    };
    dm.WindowHooks.ShowStoreName = [&](const QString& name) { shown << QStringLiteral("store ") + name; };
    dm.WindowHooks.StoreNameText = [] { return QStringLiteral("Склад 2"); };
    dm.WindowHooks.StorageVisible = [&] { return storageVisible; };
    dm.WindowHooks.PaymentGridOnWorkPrice = [&] { return onWorkPrice; };
    dm.WindowHooks.RenumberOrderLines = [&] { ++renumbered; };
    MakeOrderAndDelivery();
    // The store's name comes from the stores window's edit.
    EXPECT_EQ(Get(dm.tblStore, "store_name"), QStringLiteral("Склад 2"));
    dm.tblDelivery->First();
    dm.tblStore->First();
    EXPECT_TRUE(shown.contains(QStringLiteral("delivery %1 unpaid").arg(Get(dm.tblDelivery, "id"))));
    EXPECT_TRUE(shown.contains(QStringLiteral("store Склад 2")));

    // A delivery posted while the stores window is hidden keeps its changed flag.
    dm.tblDelivery->Edit();
    EXPECT_TRUE(app::DeliveryChanged);
    Set(dm.tblDelivery, "supplier", QStringLiteral("А"));
    dm.tblDelivery->Post();
    EXPECT_TRUE(app::DeliveryChanged);
    storageVisible = true;
    dm.tblDelivery->Edit();
    Set(dm.tblDelivery, "supplier", QStringLiteral("Б"));
    dm.tblDelivery->Post();
    EXPECT_FALSE(app::DeliveryChanged);
    dm.tblDelivery->Edit();
    dm.tblDelivery->Cancel();
    EXPECT_FALSE(app::DeliveryChanged);

    // Leaving an added order line renumbers the lines and clears the line flags.
    dm.tblSaleDetail->Append();
    Set(dm.tblSaleDetail, "sale_id", Get(dm.tblSale, "id"));
    Set(dm.tblSaleDetail, "sale_price", QStringLiteral("1"));
    dm.tblSaleDetail->Post();
    app::MissingStock = true;
    dm.tblSaleDetail->First();
    dm.tblSaleDetail->Prior();
    dm.tblSaleDetail->Last();
    EXPECT_GE(renumbered, 1);
    EXPECT_FALSE(app::NewLine);
    EXPECT_FALSE(app::MissingStock);
    dm.tblSale->Edit();
    Set(dm.tblSale, "tax_rate", QStringLiteral("9"));
    dm.tblSale->Post();
    EXPECT_FALSE(app::OrderDirty);

    // A payment edit counts as a pay change only on the work-price column.
    dm.tblEmployee->Append();
    Set(dm.tblEmployee, "employee_name", QStringLiteral("Иван"));
    dm.tblEmployee->Post();
    dm.tblEmployeePayment->Append();
    Set(dm.tblEmployeePayment, "employee_id", Get(dm.tblEmployee, "id"));
    dm.tblEmployeePayment->Post();
    dm.tblEmployeePayment->Edit();
    EXPECT_FALSE(app::PaymentChanged);
    dm.tblEmployeePayment->Cancel();
    onWorkPrice = true;
    dm.tblEmployeePayment->Edit();
    EXPECT_TRUE(app::PaymentChanged);
    dm.tblEmployeePayment->Cancel();
    EXPECT_FALSE(app::PaymentChanged);
}

TEST_F(DModuleTest, ADeliveryLineWithoutADeliveryIsRefused)
{
    dm.tblDeliveryDetail->Append();
    Set(dm.tblDeliveryDetail, "article_name", QStringLiteral("Масло"));
    EXPECT_THROW(dm.tblDeliveryDetail->Post(), EDatabaseError);
    dm.tblDeliveryDetail->Cancel();
    EXPECT_TRUE(dm.tblDeliveryDetail->IsEmpty());
}


TEST_F(DModuleTest, TheLoginCanSwitchOnTheCheckAndTheUserList)
{
    EXPECT_NO_THROW(dm.CheckDatabase->SetActive(true));
    EXPECT_TRUE(dm.CheckDatabase->Active());
    dm.dbInfo->SetDatabase(dm.VantelDataBase->Database());
    dm.dbInfo->SetDaoInfoDll(dir.filePath(QStringLiteral("Msldbusr.dll")));
    EXPECT_NO_THROW(dm.dbInfo->SetActive(true));
    EXPECT_TRUE(dm.dbInfo->Active());
    // Other workstations still read the file.
    sqlite3* other = nullptr;
    ASSERT_EQ(sqlite3_open_v2(dir.filePath(QStringLiteral("CarVantel.mdb")).toUtf8().constData(), &other,
                              SQLITE_OPEN_READONLY, nullptr), SQLITE_OK);
    jet::RegisterJetFunctions(other);
    sqlite3_stmt* statement = nullptr;
    EXPECT_EQ(sqlite3_prepare_v2(other, "SELECT count(*) FROM seller", -1, &statement, nullptr), SQLITE_OK)
        << sqlite3_errmsg(other);
    if (statement) {
        EXPECT_EQ(sqlite3_step(statement), SQLITE_ROW) << sqlite3_errmsg(other);
    }
    sqlite3_finalize(statement);
    sqlite3_close(other);
}


TEST_F(DModuleTest, ANeverSoldLotIsInStockWithItsWholeQuantityAndValue)
{
    MakeOrderAndDelivery();
    dm.tblDeliveryDetail->Append();
    Set(dm.tblDeliveryDetail, "article_name", QStringLiteral("Масло"));
    Set(dm.tblDeliveryDetail, "delivery_price", QStringLiteral("8"));
    Set(dm.tblDeliveryDetail, "sale_price", QStringLiteral("10"));
    Set(dm.tblDeliveryDetail, "delivery_quantity", QStringLiteral("5"));
    dm.tblDeliveryDetail->Post();
    dm.tblArticleTotalQuery->Close();
    dm.tblArticleTotalQuery->Open();
    ASSERT_EQ(dm.tblArticleTotalQuery->RecordCount(), 1);
    EXPECT_DOUBLE_EQ(dm.tblArticleTotalQuery->FieldByName(QStringLiteral("total_quty"))->AsFloat(), 5.0);
    EXPECT_EQ(Get(dm.tblArticleTotalQuery, "store_name"), Get(dm.tblStore, "store_name"));
    dm.tblArticleTotalq->Open();
    EXPECT_DOUBLE_EQ(dm.tblArticleTotalq->FieldByName(QStringLiteral("total_d"))->AsFloat(), 40.0);
    EXPECT_DOUBLE_EQ(dm.tblArticleTotalq->FieldByName(QStringLiteral("total_s"))->AsFloat(), 50.0);
}


TEST_F(DModuleTest, OrderLinesAndTotalsFollowTheCurrentOrder)
{
    MakeOrderAndDelivery();
    const QString first = Get(dm.tblSale, "id");
    dm.tblSaleDetail->Append();
    Set(dm.tblSaleDetail, "sale_price", QStringLiteral("10"));
    Set(dm.tblSaleDetail, "sale_quantity", QStringLiteral("1"));
    dm.tblSaleDetail->Post();
    EXPECT_EQ(Get(dm.tblSaleDetail, "sale_id"), first);  // the link gives the new line its order
    dm.tblSale->Append();
    Set(dm.tblSale, "myfirm_id", Get(dm.tblMyFirm, "id"));
    dm.tblSale->Post();
    EXPECT_TRUE(dm.tblSaleDetail->IsEmpty());
    EXPECT_TRUE(dm.tblSaleTotalQuery->IsEmpty());
    dm.tblSale->First();
    EXPECT_EQ(dm.tblSaleDetail->RecordCount(), 1);
    EXPECT_EQ(Get(dm.tblSaleTotalQuery, "id"), first);
}

// The flags every rule sets or clears: the flags raised before the step, the step, and the
// flags that must be raised after it (all others down).
struct FlagCase {
    const char* step;
    std::vector<bool*> before;
    std::function<void(TDM&)> act;
    std::vector<bool*> after;
};

TEST_F(DModuleTest, EachRuleLeavesTheFlagsItOwns)
{
    using namespace app;
    const std::pair<bool*, const char*> all[] = {
        {&OrderDirty, "order-dirty"},         {&LineAdded, "line-added"},     {&NewLine, "new-line"},
        {&MissingStock, "missing-stock"},     {&DeliveryChanged, "delivery-changed"},
        {&LinesPosted, "lines-posted"},       {&PaymentChanged, "payment-changed"},
        {&NewEmployee, "new-employee"}};
    int renumbered = 0;
    dm.WindowHooks.StorageVisible = [] { return true; };
    dm.WindowHooks.RenumberOrderLines = [&] { ++renumbered; };
    dm.WindowHooks.PaymentGridOnWorkPrice = [] { return false; };
    MakeOrderAndDelivery();
    for (int i = 0; i < 2; ++i) {
        dm.tblSaleDetail->Append();
        Set(dm.tblSaleDetail, "sale_price", QStringLiteral("1"));
        dm.tblSaleDetail->Post();
    }
    dm.tblDeliveryDetail->Append();
    Set(dm.tblDeliveryDetail, "article_name", QStringLiteral("Масло"));
    dm.tblDeliveryDetail->Post();
    dm.tblEmployee->Append();
    Set(dm.tblEmployee, "employee_name", QStringLiteral("Иван"));
    dm.tblEmployee->Post();
    dm.tblEmployeePayment->Append();
    dm.tblEmployeePayment->Post();
    dm.EmployeeWorkRep->Open();

    auto edit = [](TDaoTable* TDM::*t) { return [t](TDM& m) { (m.*t)->Edit(); }; };
    auto append = [](TDaoTable* TDM::*t) { return [t](TDM& m) { (m.*t)->Append(); }; };
    auto post = [](TDaoTable* TDM::*t) { return [t](TDM& m) { (m.*t)->Edit(); (m.*t)->Post(); }; };
    auto cancel = [](TDaoTable* TDM::*t) { return [t](TDM& m) { (m.*t)->Edit(); (m.*t)->Cancel(); }; };
    auto cancelNew = [](TDaoTable* TDM::*t) { return [t](TDM& m) { (m.*t)->Append(); (m.*t)->Cancel(); }; };
    const FlagCase cases[] = {
        {"order new", {}, append(&TDM::tblSale), {&OrderDirty}},
        {"order edit", {}, edit(&TDM::tblSale), {&OrderDirty}},
        {"order post", {&OrderDirty}, post(&TDM::tblSale), {}},
        {"order cancel", {&OrderDirty}, cancel(&TDM::tblSale), {}},
        {"line new", {}, append(&TDM::tblSaleDetail), {&LineAdded, &OrderDirty, &NewLine}},
        {"line edit", {}, edit(&TDM::tblSaleDetail), {&OrderDirty}},
        {"new line cancel", {&OrderDirty}, cancelNew(&TDM::tblSaleDetail), {}},
        {"line scroll", {&LineAdded, &NewLine, &MissingStock}, [](TDM& m) { m.tblSaleDetail->First(); m.tblSaleDetail->Next(); },
         {&LineAdded}},
        {"delivery new", {}, append(&TDM::tblDelivery), {&DeliveryChanged}},
        {"delivery edit", {}, edit(&TDM::tblDelivery), {&DeliveryChanged}},
        {"delivery post", {}, post(&TDM::tblDelivery), {}},
        {"delivery cancel", {&DeliveryChanged}, cancel(&TDM::tblDelivery), {}},
        {"delivery line new", {}, append(&TDM::tblDeliveryDetail), {&DeliveryChanged}},
        {"delivery line edit", {}, edit(&TDM::tblDeliveryDetail), {&DeliveryChanged}},
        {"delivery line post", {}, post(&TDM::tblDeliveryDetail), {&LinesPosted}},
        {"delivery line cancel", {&DeliveryChanged}, cancel(&TDM::tblDeliveryDetail), {}},
        {"payment new", {}, append(&TDM::tblEmployeePayment), {&PaymentChanged}},
        {"payment edit off the work price", {}, edit(&TDM::tblEmployeePayment), {}},
        {"payment post", {&PaymentChanged}, post(&TDM::tblEmployeePayment), {}},
        {"payment cancel", {&PaymentChanged}, cancel(&TDM::tblEmployeePayment), {}},
        {"employee post", {&NewEmployee}, post(&TDM::tblEmployee), {}},
        {"work report post", {&NewEmployee}, [](TDM& m) { m.EmployeeWorkRep->Append(); m.EmployeeWorkRep->Post(); }, {}},
    };
    for (const FlagCase& c : cases) {
        SCOPED_TRACE(c.step);
        for (auto [flag, name] : all)
            *flag = std::find(c.before.begin(), c.before.end(), flag) != c.before.end();
        renumbered = 0;
        c.act(dm);
        for (auto [flag, name] : all)
            EXPECT_EQ(*flag, std::find(c.after.begin(), c.after.end(), flag) != c.after.end()) << name;
        if (std::string_view(c.step) == "line scroll") {
            EXPECT_EQ(renumbered, 2);  // leaving the first line and the second
        }
        for (TDaoTable* t : dm.findChildren<TDaoTable*>())
            if (t->Active() && t->State() != dsBrowse)
                t->Cancel();
    }
}

}  // namespace
