#include "app/datamodule/DModule.h"

#include "app/datamodule/TemplateDatabase.h"
#include "app/util/AppFlags.h"
#include "app/util/AppGlobals.h"
#include "dataaccess/DaoConnectionCheck.h"
#include "dataaccess/DaoDataBase.h"
#include "dataaccess/DaoInfo.h"
#include "dataaccess/DaoTable.h"
#include "memtable/MemTable.h"
#include "platform/toolkit/DataSource.h"
#include "platform/toolkit/DateTime.h"
#include "platform/toolkit/Exceptions.h"
#include "platform/toolkit/Fields.h"
#include "platform/toolkit/Strings.h"
#include "platform/toolkit/gui/Application.h"

#include <cmath>

TDM* DM = nullptr;

namespace {

enum class TSourceKind { Table, SavedQuery, Sql, RunTime };

struct TDataSetDesign {
    TDaoTable* TDM::*Member;
    const char* Name;
    TSourceKind Kind;
    const char* Source;  // table name, saved query name or SQL text
    bool ReadOnly;
};

// The stock of a lot never sold is its whole delivered quantity (Nz), not Null.
const char* const kArticleTotalQuerySql =
    "SELECT delivery_detail.id AS delivery_detail_id, delivery_detail.article_code, delivery_detail.article_name, "
    "delivery_detail.delivery_price, delivery.delivery_tax, delivery_detail.dimention, delivery_detail.producer, "
    "delivery_detail.service, Sum([delivery_quantity]-Nz([SumSaleQuty],0)) AS total_quty, delivery_detail.sale_price, "
    "delivery.delivery_tax_value, store.store_name\n"
    "FROM store INNER JOIN ((delivery_detail LEFT JOIN MyQuty ON delivery_detail.id=MyQuty.delivery_detail_id) "
    "INNER JOIN delivery ON delivery_detail.delivery_id=delivery.id) ON store.id=delivery.store_id\n"
    "GROUP BY delivery_detail.id, delivery_detail.article_code, delivery_detail.article_name, "
    "delivery_detail.delivery_price, delivery.delivery_tax, delivery_detail.dimention, delivery_detail.producer, "
    "delivery_detail.service, delivery_detail.sale_price, delivery.delivery_tax_value, store.store_name;";
const char* const kMyPersonalQuerySql =
    "SELECT delivery.id, delivery.cashbox_num, delivery.supplier,\n"
    "delivery.delivery_date, delivery.invoice_num, delivery.invoice_date FROM delivery;";
// Work is paid only from lines that were sold: of finished orders that are not annulled.
const char* const kQueryEmploeeWorkSql =
    "SELECT sale_detail.id, sale_detail.sale_id, sale_detail.article_code, sale_detail.article_name, "
    "sale_detail.dimention, Format((([sale_price]*100-[discount]*[sale_price])/100)*[sale_quantity],'Fixed',0,0) "
    "AS TotalSaleSum, sale_detail.service, sale_detail.total_sale_sum, sale_detail.sale_quantity\n"
    "FROM sale_detail INNER JOIN sale ON sale_detail.sale_id = sale.id\n"
    "WHERE sale.invoice_accept = True AND sale.invoice_annul = False;";
const char* const kArticleTotalqSql =
    "SELECT Sum(QueryArticleTotalQuty.total_quty*QueryArticleTotalQuty.delivery_price) As total_d, "
    "Sum(QueryArticleTotalQuty.total_quty*QueryArticleTotalQuty.sale_price) As total_s\n"
    "FROM QueryArticleTotalQuty;";

using K = TSourceKind;
const TDataSetDesign kDataSets[] = {
    {&TDM::tblSaleDetail, "tblSaleDetail", K::SavedQuery, "QuerySaleDetail", false},
    {&TDM::tblCar, "tblCar", K::Table, "car", false},
    {&TDM::tblClient, "tblClient", K::Table, "client", false},
    {&TDM::tblMyFirm, "tblMyFirm", K::Table, "myfirm", false},
    {&TDM::tblSaleTotalQuery, "tblSaleTotalQuery", K::SavedQuery, "QuerySaleTotalSum", true},
    {&TDM::tblMyPersonalQuery, "tblMyPersonalQuery", K::Sql, kMyPersonalQuerySql, true},
    {&TDM::tblEmployee, "tblEmployee", K::Table, "employee", false},
    {&TDM::tblEmployeePayment, "tblEmployeePayment", K::Table, "employee_payment", false},
    {&TDM::tblDelivery, "tblDelivery", K::Table, "delivery", false},
    {&TDM::tblDeliveryDetail, "tblDeliveryDetail", K::Table, "delivery_detail", false},
    {&TDM::tblQTAQAll, "tblQTAQAll", K::SavedQuery, "QATQAll", true},
    {&TDM::tblMyQuty, "tblMyQuty", K::SavedQuery, "MyQuty", true},
    {&TDM::tblArticle, "tblArticle", K::SavedQuery, "QueryArticle", true},
    {&TDM::tblStore, "tblStore", K::Table, "store", false},
    {&TDM::tblModel, "tblModel", K::Table, "model", false},
    {&TDM::tblSale, "tblSale", K::Table, "sale", false},
    {&TDM::tblMark, "tblMark", K::SavedQuery, "QueryMark", true},
    {&TDM::tblFiFoQuery, "tblFiFoQuery", K::SavedQuery, "QFIFO", true},
    {&TDM::ExecQuery, "ExecQuery", K::RunTime, "", false},
    {&TDM::tblEmployeeWork, "tblEmployeeWork", K::Table, "employee_working", false},
    {&TDM::tblCashBox, "tblCashBox", K::Table, "cashbox", false},
    {&TDM::tblSeller, "tblSeller", K::Table, "seller", false},
    {&TDM::tblLogins, "tblLogins", K::Table, "logs", false},
    {&TDM::tblQDeliveryTotal, "tblQDeliveryTotal", K::SavedQuery, "QDeliveryTotal", true},
    {&TDM::tblCashGiveIn, "tblCashGiveIn", K::Table, "give_in", false},
    {&TDM::tblCashTakings, "tblCashTakings", K::Table, "takings", false},
    {&TDM::tblCashDTotal, "tblCashDTotal", K::SavedQuery, "QCasheDeliveryTotal", true},
    {&TDM::tblCashSTotal, "tblCashSTotal", K::SavedQuery, "QCasheSaleTotal", true},
    {&TDM::tblCashSale, "tblCashSale", K::SavedQuery, "QCasheSale", true},
    {&TDM::tblCashDelivery, "tblCashDelivery", K::SavedQuery, "QCasheDelivery", true},
    {&TDM::tblCashEPayment, "tblCashEPayment", K::SavedQuery, "QCasheEPayment", true},
    {&TDM::tblCashEWork, "tblCashEWork", K::SavedQuery, "QCasheEWork", true},
    {&TDM::tblCashTTotal, "tblCashTTotal", K::SavedQuery, "QCasheTakingsTotal", true},
    {&TDM::tblCashEPTotal, "tblCashEPTotal", K::SavedQuery, "QCasheEPymentTotal", true},
    {&TDM::tblCashGTotal, "tblCashGTotal", K::SavedQuery, "QCasheGiveInTotal", true},
    {&TDM::tblCashEWTotal, "tblCashEWTotal", K::SavedQuery, "QCasheEWorkTotal", true},
    {&TDM::tblDebitQuery, "tblDebitQuery", K::RunTime, "", true},
    {&TDM::tblDebSum, "tblDebSum", K::RunTime, "", true},
    {&TDM::tblArticleTotalq, "tblArticleTotalq", K::Sql, kArticleTotalqSql, true},
    {&TDM::EmployeeWorkRep, "EmployeeWorkRep", K::Table, "employee_working", false},
    {&TDM::tblQueryEmploeeWork, "tblQueryEmploeeWork", K::Sql, kQueryEmploeeWorkSql, false},
    {&TDM::tblArticleTotalQuery, "tblArticleTotalQuery", K::Sql, kArticleTotalQuerySql, true},
};

struct TDataSourceDesign {
    TDataSource* TDM::*Member;
    const char* Name;
    TDaoTable* TDM::*DataSet;  // null for the memory table's source
};

const TDataSourceDesign kDataSources[] = {
    {&TDM::srcSale, "srcSale", &TDM::tblSale},
    {&TDM::srcSaleDetail, "srcSaleDetail", &TDM::tblSaleDetail},
    {&TDM::srcCar, "srcCar", &TDM::tblCar},
    {&TDM::srcClient, "srcClient", &TDM::tblClient},
    {&TDM::srcMyFirm, "srcMyFirm", &TDM::tblMyFirm},
    {&TDM::srcSaleTotalQuery, "srcSaleTotalQuery", &TDM::tblSaleTotalQuery},
    {&TDM::srcMyPersonalQuery, "srcMyPersonalQuery", &TDM::tblMyPersonalQuery},
    {&TDM::srcEmployee, "srcEmployee", &TDM::tblEmployee},
    {&TDM::srcEmployeePayment, "srcEmployeePayment", &TDM::tblEmployeePayment},
    {&TDM::srcEmployeeWork, "srcEmployeeWork", &TDM::tblEmployeeWork},
    {&TDM::srcDelivery, "srcDelivery", &TDM::tblDelivery},
    {&TDM::srcDeliveryDetail, "srcDeliveryDetail", &TDM::tblDeliveryDetail},
    {&TDM::srcQTAQAll, "srcQTAQAll", &TDM::tblQTAQAll},
    {&TDM::srcMyQuty, "srcMyQuty", &TDM::tblMyQuty},
    {&TDM::srcArticle, "srcArticle", &TDM::tblArticle},
    {&TDM::srcStore, "srcStore", &TDM::tblStore},
    {&TDM::srcModel, "srcModel", &TDM::tblModel},
    {&TDM::srcFiFoQuery, "srcFiFoQuery", &TDM::tblFiFoQuery},
    {&TDM::srcCashBox, "srcCashBox", &TDM::tblCashBox},
    {&TDM::srcSeller, "srcSeller", &TDM::tblSeller},
    {&TDM::srcLogins, "srcLogins", &TDM::tblLogins},
    {&TDM::srcQDeliveryTotal, "srcQDeliveryTotal", &TDM::tblQDeliveryTotal},
    {&TDM::srcCashTakings, "srcCashTakings", &TDM::tblCashTakings},
    {&TDM::srcCashGiveIn, "srcCashGiveIn", &TDM::tblCashGiveIn},
    {&TDM::srcCashSale, "srcCashSale", &TDM::tblCashSale},
    {&TDM::srcCashSTotal, "srcCashSTotal", &TDM::tblCashSTotal},
    {&TDM::srcCashDelivery, "srcCashDelivery", &TDM::tblCashDelivery},
    {&TDM::srcCashDTotal, "srcCashDTotal", &TDM::tblCashDTotal},
    {&TDM::srcCashEPayment, "srcCashEPayment", &TDM::tblCashEPayment},
    {&TDM::srcCashEWork, "srcCashEWork", &TDM::tblCashEWork},
    {&TDM::srcCashTTotal, "srcCashTTotal", &TDM::tblCashTTotal},
    {&TDM::srcCashEPTotal, "srcCashEPTotal", &TDM::tblCashEPTotal},
    {&TDM::srcCashGTotal, "srcCashGTotal", &TDM::tblCashGTotal},
    {&TDM::srcCashEWTotal, "srcCashEWTotal", &TDM::tblCashEWTotal},
    {&TDM::srcMemtable, "srcMemtable", nullptr},
    {&TDM::srcDebitQuery, "srcDebitQuery", &TDM::tblDebitQuery},
    {&TDM::srcDebSum, "srcDebSum", &TDM::tblDebSum},
    {&TDM::srcArticleTotalq, "srcArticleTotalq", &TDM::tblArticleTotalq},
    {&TDM::srcEmploeeWorkRep, "srcEmploeeWorkRep", &TDM::EmployeeWorkRep},
    {&TDM::srcQEmploeeWork, "srcQEmploeeWork", &TDM::tblQueryEmploeeWork},
    {&TDM::srcArticleTotalQuery, "srcArticleTotalQuery", &TDM::tblArticleTotalQuery},
};

void SetLines(TStrings& lines, const char* text) { lines.SetText(QString::fromUtf8(text)); }

void Link(TDaoTable* detail, TDataSource* master, const char* fields)
{
    detail->SetMasterSource(master);
    detail->MasterFields().Clear();
    detail->MasterFields().Add(QString::fromUtf8(fields));
}

template <class TFieldClass>
void AddField(TDataSet* dataSet, const char* name, int size = 0)
{
    auto* field = new TFieldClass(dataSet);
    field->setObjectName(dataSet->objectName() + QString::fromUtf8(name));
    field->SetFieldName(QString::fromUtf8(name));
    if (size > 0)
        field->SetSize(size);
    field->SetDataSet(dataSet);
}

// The work report shows these columns only.
void AddWorkReportFields(TDataSet* report)
{
    AddField<TIntegerField>(report, "employee_id");
    AddField<TDateTimeField>(report, "start_date_time");
    AddField<TDateTimeField>(report, "end_data_time");
    AddField<TSmallintField>(report, "absence_days");
    AddField<TStringField>(report, "absence_reason", 40);
    AddField<TFloatField>(report, "payment");
    AddField<TDateField>(report, "payment_date");
    AddField<TBooleanField>(report, "payed");
    AddField<TDateTimeField>(report, "last_modified");
    AddField<TIntegerField>(report, "seller_id");
    AddField<TSmallintField>(report, "cashbox_num");
}

// The design values of a cash period's parameters: box, from, to.
void SetCashPeriodParameters(TDaoTable* table, const char* to = "24/09/2003")
{
    table->QueryDefParameters().Clear();
    table->QueryDefParameters().Add(QStringLiteral("1"));
    table->QueryDefParameters().Add(QStringLiteral("09/09/2003"));
    table->QueryDefParameters().Add(QString::fromUtf8(to));
}

bool IsEmpty(TDataSet* dataSet, const char* field) { return dataSet->FieldByName(QString::fromUtf8(field))->AsString().isEmpty(); }

void ZeroWhenEmpty(TDataSet* dataSet, const char* field)
{
    if (IsEmpty(dataSet, field))
        dataSet->FieldByName(QString::fromUtf8(field))->SetAsString(QStringLiteral("0"));
}

// The cash box counts pay by its payment date; a row stored without one (the base-salary grid
// has no such column) would be paid out of no day at all.
void TodayWhenNoPaymentDate(TDataSet* dataSet)
{
    TField* paid = dataSet->FieldByName(QStringLiteral("payment_date"));
    if (paid->IsNull())
        paid->SetAsDateTime(Date());
}

void ClampField(TDataSet* dataSet, const char* name)
{
    TField* field = dataSet->FieldByName(QString::fromUtf8(name));
    if (!field->IsNull())
        field->SetAsInteger(TDM::ClampByte(field->AsInteger()));
}

void StampModified(TDataSet* dataSet) { dataSet->FieldByName(QStringLiteral("last_modified"))->SetAsFloat(Now()); }

// last_modified := now, seller_id := the seller logged in.
void Stamp(TDataSet* dataSet)
{
    StampModified(dataSet);
    dataSet->FieldByName(QStringLiteral("seller_id"))->SetAsString(app::CurrentSellerId);
}

// The net amount of an order line as it stands in the buffer, to the cent.
double NetLineAmount(TDataSet* line)
{
    const double price = line->FieldByName(QStringLiteral("sale_price"))->AsFloat();
    const double discount = line->FieldByName(QStringLiteral("discount"))->AsFloat();
    const double quantity = line->FieldByName(QStringLiteral("sale_quantity"))->AsFloat();
    const double amount = ((price * 100 - discount * price) / 100) * quantity;
    return std::round(amount * 100) / 100;
}

const QString kDeliveryLineInUseText =
    QStringLiteral("Не може да изтривате този ред,\rдокато има поръчки свързани към него !");
const QString kStoreInUseText =
    QStringLiteral("Не може да премахнете този склад,\rдокато има доставки свързани с него !");
const QString kDeliveryInUseText =
    QStringLiteral("Не може да изтривате тази доставка,\rдокато има компоненти свързани към нея !");

void DeleteById(TDaoTable* table, const char* tableName, qint32 id)
{
    TStringList statement;
    statement.Add(QStringLiteral("DELETE * FROM %1 WHERE id=%2").arg(QString::fromUtf8(tableName)).arg(id));
    table->ExecSQL(statement);
}

// The id of the dataset's current row, or empty when it has none.
QString CurrentId(TDaoTable* table)
{
    if (!table->Active() || table->IsEmpty())
        return QString();
    return table->FieldByName(QStringLiteral("id"))->AsString();
}

}  // namespace

TDM::TDM(QObject* owner) : TComponent(owner)
{
    setObjectName(QStringLiteral("DM"));
    CreateDatabase();
    CreateDataSets();
    CreateDataSources();
    BindRules();
    if (!DM)
        DM = this;
}

TDM::~TDM()
{
    if (DM == this)
        DM = nullptr;
    CheckDatabase->SetActive(false);
    dbInfo->SetActive(false);
    // What is still being edited here was refused on the way out, and the person was told;
    // closing would only try the post again where nothing can report it.
    for (const TDataSetDesign& d : kDataSets)
        if (TDaoTable* t = this->*d.Member; t && (t->State() == dsEdit || t->State() == dsInsert))
            t->Cancel();
    // Details first, so no master link outlives its source.
    for (const TDataSetDesign& d : kDataSets)
        if (TDaoTable* t = this->*d.Member)
            t->Close();
    if (VantelDataBase)
        VantelDataBase->SetConnected(false);
}

qint32 TDM::ClampByte(qint32 value) { return value < 256 ? value : 255; }

void TDM::CreateDatabase()
{
    VantelDataBase = new TDaoDatabase(this);
    VantelDataBase->setObjectName(QStringLiteral("VantelDataBase"));
    VantelDataBase->SetDatabaseType(QStringLiteral("Access"));
    VantelDataBase->SetVersion(QStringLiteral("3.6"));
    VantelDataBase->SetEngineType(2);
    VantelDataBase->SetWorkspace(QStringLiteral("DaoWorkspace"));
    VantelDataBase->SetUserName(QStringLiteral("Admin"));
    VantelDataBase->SetSystemDatabase(QStringLiteral("system.mdb"));
    VantelDataBase->SetLoginPrompt(false);
    VantelDataBase->SetExclusive(false);
    VantelDataBase->SetReadOnly(false);
    VantelDataBase->SetQueryTimeout(60);
    VantelDataBase->SetSmartOpen(true);
    VantelDataBase->SetTrackTransactions(true);
    VantelDataBase->SetUsesDynaDao(true);
    VantelDataBase->SetPrivateEngine(false);
    VantelDataBase->SetDefaultCursorDriver(-1);
    VantelDataBase->SetMdbVersionAutoDetect(false);
    VantelDataBase->SetSaveUserName(true);
    VantelDataBase->SetDatabasePassword(QString::fromLatin1(shopschema::kDatabasePassword));
    // A shop file from an earlier version gets the indexes the queries of this one read through,
    // room for whole VAT numbers, and its lines stored without a discount the 0 they meant.
    VantelDataBase->OnAfterConnect = [](TDaoDatabase* database) {
        if (dao::Database* db = database->DatabaseObject()) {
            shopschema::AddMissingIndexes(*db);
            shopschema::WidenTextColumns(*db);
            shopschema::ZeroEmptyDiscounts(*db);
        }
    };

    CheckDatabase = new TDaoConnectionCheck(this);
    CheckDatabase->setObjectName(QStringLiteral("CheckDatabase"));
    CheckDatabase->SetDatabase(VantelDataBase);
    CheckDatabase->SetInterval(kCheckInterval);
    CheckDatabase->SetErrorAction(TErrAction::RaiseException);
    CheckDatabase->SetExceptionText(CheckExceptionText());

    dbInfo = new TDaoInfo(this);
    dbInfo->setObjectName(QStringLiteral("dbInfo"));
    dbInfo->SetDaoInfoDll(UserListLibrary());
}

void TDM::CreateDataSets()
{
    for (const TDataSetDesign& d : kDataSets) {
        auto* table = new TDaoTable(this);
        table->setObjectName(QString::fromUtf8(d.Name));
        table->SetDatabase(VantelDataBase);
        switch (d.Kind) {
        case K::Table: table->SetTableName(QString::fromUtf8(d.Source)); break;
        case K::SavedQuery: table->SetQueryDefName(QString::fromUtf8(d.Source)); break;
        case K::Sql: SetLines(table->SQL(), d.Source); break;
        case K::RunTime: break;
        }
        table->SetReadOnly(d.ReadOnly);
        table->SetTableType(2);
        table->SetLockType(3);
        this->*d.Member = table;
    }
    tblStore->SetCacheLookups(true);
    tblDebSum->SetAutoFindIndex(false);
    tblDebSum->SetAutoCalcFields(false);
    tblArticleTotalq->SetParamCheck(false);

    tblCar->SetFiltered(true);
    tblSaleTotalQuery->SetFiltered(true);
    tblFiFoQuery->SetFilter(QStringLiteral("[total_quty]>0"));
    tblCashBox->SortedBy().Add(QStringLiteral("[to_date] DESC"));
    // A day closed again after corrections: the later closing stands.
    tblCashBox->SortedBy().Add(QStringLiteral("[id] DESC"));
    tblCashGiveIn->SetFiltered(true);
    tblCashTakings->SetFilter(QStringLiteral("[date]>=09/09/2003 or [date]<23/09/2003"));
    tblCashTakings->SetFiltered(true);
    tblArticleTotalQuery->SetFilter(QStringLiteral("[total_quty]>0"));
    tblArticleTotalQuery->SetFiltered(true);

    for (TDaoTable* t : {tblCashSale, tblCashSTotal, tblCashDTotal, tblCashEPayment, tblCashEWork, tblCashTTotal,
                         tblCashEPTotal, tblCashGTotal, tblCashEWTotal})
        SetCashPeriodParameters(t);
    SetCashPeriodParameters(tblCashDelivery, "24/11/2003");
    AddWorkReportFields(EmployeeWorkRep);

    CreateCashJournal();
}

void TDM::CreateCashJournal()
{
    tblMemTable = new TMemTable(this);
    tblMemTable->setObjectName(QStringLiteral("tblMemTable"));
    AddField<TAutoIncField>(tblMemTable, "id");
    AddField<TDateTimeField>(tblMemTable, "date");
    AddField<TStringField>(tblMemTable, "income", 6);
    AddField<TWordField>(tblMemTable, "type_key");
    AddField<TStringField>(tblMemTable, "type", 16);
    AddField<TStringField>(tblMemTable, "additional", 50);
    AddField<TFloatField>(tblMemTable, "dds");
    AddField<TFloatField>(tblMemTable, "sum");
    AddField<TFloatField>(tblMemTable, "total");
    tblMemTable->SetPersistentFile(QStringLiteral("testfil.txt"));
    tblMemTable->SetPersistentSaveFormat(mtsfBinary);
    tblMemTable->SetStoreDataOnForm(false);
    tblMemTable->SetEnableIndexes(true);
    tblMemTable->SetEnableJournal(false);
    tblMemTable->SetEnableVersioning(true);
    tblMemTable->SetVersioningMode(mtvm1SinceCheckPoint);
    tblMemTable->SetRecalcOnFetch(true);
    tblMemTable->SetAttachedAutoRefresh(true);
    tblMemTable->SetPersistent(false);
}

void TDM::CreateDataSources()
{
    for (const TDataSourceDesign& d : kDataSources) {
        auto* source = new TDataSource(this);
        source->setObjectName(QString::fromUtf8(d.Name));
        if (d.DataSet)
            source->SetDataSet(this->*d.DataSet);
        else
            source->SetDataSet(tblMemTable);
        this->*d.Member = source;
    }
    srcArticleTotalq->SetEnabled(false);

    Link(tblSaleDetail, srcSale, "sale_id -> id");
    Link(tblSaleTotalQuery, srcSale, "id -> id");
    Link(tblEmployeePayment, srcEmployee, "employee_id -> id");
    Link(tblEmployeeWork, srcEmployee, "employee_id -> id");
    Link(tblDelivery, srcStore, "store_id -> id");
    Link(tblDeliveryDetail, srcDelivery, "delivery_id -> id");
    Link(tblQDeliveryTotal, srcDelivery, "id -> id");
    tblArticleTotalq->SetMasterSource(srcArticleTotalQuery);
}

void TDM::BindRules()
{
    auto bind = [this](void (TDM::*rule)(TDataSet*)) { return [this, rule](TDataSet* d) { (this->*rule)(d); }; };
    tblSaleDetail->AfterEdit = bind(&TDM::tblSaleDetailAfterEdit);
    tblSaleDetail->BeforePost = bind(&TDM::tblSaleDetailBeforePost);
    tblSaleDetail->AfterPost = bind(&TDM::tblSaleDetailAfterPost);
    tblSaleDetail->BeforeCancel = bind(&TDM::tblSaleDetailBeforeCancel);
    tblSaleDetail->BeforeScroll = bind(&TDM::tblSaleDetailBeforeScroll);
    tblSaleDetail->OnNewRecord = bind(&TDM::tblSaleDetailNewRecord);
    tblCar->BeforePost = bind(&TDM::tblCarBeforePost);
    tblMyFirm->BeforePost = bind(&TDM::tblMyFirmBeforePost);
    tblMyFirm->BeforeDelete = bind(&TDM::tblMyFirmBeforeDelete);
    tblCar->BeforeDelete = bind(&TDM::tblCarBeforeDelete);
    tblClient->BeforeDelete = bind(&TDM::tblClientBeforeDelete);
    tblEmployee->AfterPost = bind(&TDM::tblEmployeeAfterPost);
    EmployeeWorkRep->AfterPost = bind(&TDM::tblEmployeeAfterPost);
    tblEmployeePayment->AfterEdit = bind(&TDM::tblEmployeePaymentAfterEdit);
    tblEmployeePayment->BeforePost = bind(&TDM::tblEmployeePaymentBeforePost);
    tblEmployeePayment->AfterPost = bind(&TDM::tblEmployeePaymentAfterPost);
    tblEmployeePayment->BeforeCancel = bind(&TDM::tblEmployeePaymentBeforeCancel);
    tblEmployeePayment->OnNewRecord = bind(&TDM::tblEmployeePaymentNewRecord);
    tblDelivery->AfterEdit = bind(&TDM::tblDeliveryAfterEdit);
    tblDelivery->BeforePost = bind(&TDM::tblDeliveryBeforePost);
    tblDelivery->AfterPost = bind(&TDM::tblDeliveryAfterPost);
    tblDelivery->BeforeCancel = bind(&TDM::tblDeliveryBeforeCancel);
    tblDelivery->AfterScroll = bind(&TDM::tblDeliveryAfterScroll);
    tblDelivery->OnNewRecord = bind(&TDM::tblDeliveryNewRecord);
    tblDeliveryDetail->AfterEdit = bind(&TDM::tblDeliveryDetailAfterEdit);
    tblDeliveryDetail->BeforePost = bind(&TDM::tblDeliveryDetailBeforePost);
    tblDeliveryDetail->AfterPost = bind(&TDM::tblDeliveryDetailAfterPost);
    tblDeliveryDetail->BeforeCancel = bind(&TDM::tblDeliveryDetailBeforeCancel);
    tblDeliveryDetail->BeforeDelete = bind(&TDM::tblDeliveryDetailBeforeDelete);
    tblDeliveryDetail->OnNewRecord = bind(&TDM::tblDeliveryDetailNewRecord);
    tblStore->BeforePost = bind(&TDM::tblStoreBeforePost);
    tblStore->AfterScroll = bind(&TDM::tblStoreAfterScroll);
    tblModel->BeforePost = bind(&TDM::tblModelBeforePost);
    tblSale->AfterEdit = bind(&TDM::tblSaleAfterEdit);
    tblSale->AfterPost = bind(&TDM::tblSaleAfterPost);
    tblSale->BeforeCancel = bind(&TDM::tblSaleBeforeCancel);
    tblSale->OnNewRecord = bind(&TDM::tblSaleNewRecord);
    tblEmployeeWork->BeforePost = bind(&TDM::tblEmployeeWorkBeforePost);
    tblCashGiveIn->BeforePost = bind(&TDM::tblCashGiveInBeforePost);
    tblCashGiveIn->AfterPost = bind(&TDM::tblCashGiveInAfterPost);
    tblCashTakings->BeforePost = bind(&TDM::tblCashTakingsBeforePost);
    tblCashTakings->AfterPost = bind(&TDM::tblCashTakingsAfterPost);
    tblCashGiveIn->OnNewRecord = bind(&TDM::tblCashMoveNewRecord);
    tblCashTakings->OnNewRecord = bind(&TDM::tblCashMoveNewRecord);
}

qint32 TDM::SettingsCashBox() const
{
    bool ok = false;
    const qint32 box = WindowHooks.CashBoxNumberText ? WindowHooks.CashBoxNumberText().trimmed().toInt(&ok) : 0;
    return ok ? box : 1;
}

namespace {

// Replaces the statement of `table` and gives each of its parameters its value.
void SetStatement(TDaoTable* table, const QString& sql, const TSqlParams& params)
{
    table->SQL().SetText(sql);
    for (const auto& [name, value] : params)
        table->Params().ParamByName(name)->SetValue(value);
    for (int i = 0; i < table->Params().Count(); ++i) {
        const TParam* param = table->Params().Items(i);
        if (!param->Bound())
            throw EDatabaseError(QStringLiteral("Parameter '%1' has no value").arg(param->Name()));
    }
}

}  // namespace

TDaoTable* TDM::OpenQuery(const QString& sql, const TSqlParams& params)
{
    TDaoTable* query = tblMyPersonalQuery;
    query->Close();
    SetStatement(query, sql, params);
    query->Open();
    TApplication::ProcessMessages();
    VantelDataBase->Idle();
    return query;
}

bool TDM::AnyRow(const QString& sql, const TSqlParams& params)
{
    TDaoTable probe;
    probe.SetDatabase(VantelDataBase);
    probe.SetReadOnly(true);
    SetStatement(&probe, sql, params);
    probe.Open();
    const bool found = !probe.IsEmpty();
    probe.Close();
    return found;
}

int TDM::ExecuteSql(const QString& sql, const TSqlParams& params)
{
    SetStatement(ExecQuery, sql, params);
    const int touched = ExecQuery->ExecuteSQL();
    TApplication::ProcessMessages();
    VantelDataBase->Idle();
    return touched;
}

double TDM::ScalarOf(const QString& sql, const TSqlParams& params)
{
    TDaoTable probe;
    probe.SetDatabase(VantelDataBase);
    probe.SetReadOnly(true);
    SetStatement(&probe, sql, params);
    probe.Open();
    const double value = probe.IsEmpty() ? 0.0 : probe.Fields().Fields(0)->AsFloat();
    probe.Close();
    return value;
}

QHash<qint32, double> TDM::StockOfLots(const QList<qint32>& lots)
{
    QHash<qint32, double> stock;
    if (lots.isEmpty()) return stock;
    QStringList ids;
    for (const qint32 lot : lots)
        ids << QString::number(lot);
    TDaoTable probe;
    probe.SetDatabase(VantelDataBase);
    probe.SetReadOnly(true);
    probe.SetQueryDefName(QStringLiteral("QATQAll"));
    // A filter on the lot picks the lots' rows before the query sums them.
    probe.SetFilter(QStringLiteral("[delivery_detail_id] IN (%1)").arg(ids.join(QLatin1Char(','))));
    probe.SetFiltered(true);
    probe.Open();
    const TField* lot = probe.FieldByName(QStringLiteral("delivery_detail_id"));
    const TField* quantity = probe.FieldByName(QStringLiteral("total_quty"));
    for (probe.First(); !probe.Eof(); probe.Next())
        stock.insert(lot->AsInteger(), quantity->AsFloat());
    probe.Close();
    return stock;
}

bool TDM::StoreInUse(qint32 storeId)
{
    return AnyRow(QStringLiteral("SELECT id FROM delivery WHERE store_id=:id;"), {{QStringLiteral("id"), storeId}});
}

bool TDM::DeliveryInUse(qint32 deliveryId)
{
    return AnyRow(QStringLiteral("SELECT id FROM delivery_detail WHERE delivery_id=:id;"),
                  {{QStringLiteral("id"), deliveryId}});
}

bool TDM::AnyDeliveryLine() { return AnyRow(QStringLiteral("SELECT id FROM delivery_detail;")); }

bool TDM::DeliveryLineInUse(qint32 deliveryDetailId)
{
    return AnyRow(QStringLiteral("SELECT id FROM sale_detail WHERE delivery_detail_id=:id;"),
                  {{QStringLiteral("id"), deliveryDetailId}});
}

bool TDM::FirmInUse(qint32 firmId)
{
    return AnyRow(QStringLiteral("SELECT id FROM sale WHERE myfirm_id=:id;"), {{QStringLiteral("id"), firmId}});
}

bool TDM::CarInUse(qint32 carId)
{
    return AnyRow(QStringLiteral("SELECT id FROM sale WHERE car_id=:id;"), {{QStringLiteral("id"), carId}});
}

bool TDM::ClientInUse(qint32 clientId)
{
    return AnyRow(QStringLiteral("SELECT id FROM sale WHERE client_id=:id;"), {{QStringLiteral("id"), clientId}});
}

QString TDM::FirmInUseText()
{
    return QStringLiteral("За да премахнете тази фирма от списъка,\rтрябва да изтриете всички документи свързани с нея .");
}

QString TDM::CarInUseText()
{
    return QStringLiteral(
        "За да премахнете този автомобил от списъка,\rтрябва да изтриете всичките документи свързани с него .");
}

QString TDM::ClientInUseText()
{
    return QStringLiteral(
        "За да премахнете този клиент от списъка,\rтрябва да изтриете всичките документи свързани с него .");
}

void TDM::RefuseDeleteInUse(TDataSet* dataSet, bool (TDM::*inUse)(qint32), const QString& refusal)
{
    const TField* id = dataSet->FieldByName(QStringLiteral("id"));
    if (!id->IsNull() && (this->*inUse)(id->AsInteger()))
        throw EDatabaseError(refusal);
}

void TDM::DeleteDeliveryLine(qint32 deliveryDetailId)
{
    if (DeliveryLineInUse(deliveryDetailId))
        throw EDatabaseError(kDeliveryLineInUseText);
    DeleteById(tblDeliveryDetail, "delivery_detail", deliveryDetailId);
}

void TDM::DeleteFirm(qint32 firmId)
{
    if (FirmInUse(firmId))
        throw EDatabaseError(FirmInUseText());
    DeleteById(tblMyFirm, "myfirm", firmId);
}

void TDM::DeleteStore(qint32 storeId)
{
    if (StoreInUse(storeId))
        throw EDatabaseError(kStoreInUseText);
    DeleteById(tblStore, "store", storeId);
}

void TDM::DeleteDelivery(qint32 deliveryId)
{
    if (DeliveryInUse(deliveryId))
        throw EDatabaseError(kDeliveryInUseText);
    DeleteById(tblDelivery, "delivery", deliveryId);
}

// --- order lines ----------------------------------------------------------------------------

void TDM::tblSaleDetailAfterEdit(TDataSet*) { app::OrderDirty = true; }

void TDM::tblSaleDetailBeforePost(TDataSet* dataSet)
{
    // The totals multiply by the discount: an empty one would drop the line from every sum.
    ZeroWhenEmpty(dataSet, "discount");
    if (!app::MainFormReady)
        return;
    // From the buffer: the query's own amount is that of the row as last read.
    dataSet->FieldByName(QStringLiteral("total_sale_sum"))->SetAsFloat(NetLineAmount(dataSet));
    Stamp(dataSet);
    ZeroWhenEmpty(dataSet, "sale_price");
}

void TDM::tblSaleDetailAfterPost(TDataSet* dataSet)
{
    if (dataSet->FieldByName(QStringLiteral("id"))->IsNull())
        return;
    TApplication::ProcessMessages();
    tblSaleTotalQuery->Requery();
    tblSaleTotalQuery->RequeryIfRestartable();
}

void TDM::tblSaleDetailBeforeCancel(TDataSet*)
{
    app::LineAdded = false;
    app::OrderDirty = false;
    app::NewLine = false;
}

void TDM::tblSaleDetailBeforeScroll(TDataSet*)
{
    app::MissingStock = false;
    app::NewLine = false;
    if (app::LineAdded && WindowHooks.RenumberOrderLines)
        WindowHooks.RenumberOrderLines();
}

void TDM::tblSaleDetailNewRecord(TDataSet*)
{
    app::LineAdded = true;
    app::OrderDirty = true;
    app::NewLine = true;
}

// --- orders, cars, firms --------------------------------------------------------------------

void TDM::tblSaleAfterEdit(TDataSet*) { app::OrderDirty = true; }
void TDM::tblSaleNewRecord(TDataSet*) { app::OrderDirty = true; }
void TDM::tblSaleAfterPost(TDataSet*) { app::OrderDirty = false; }
void TDM::tblSaleBeforeCancel(TDataSet*) { app::OrderDirty = false; }

void TDM::tblCarBeforePost(TDataSet* dataSet)
{
    ClampField(dataSet, "power");
    ClampField(dataSet, "doors");
}

void TDM::tblMyFirmBeforePost(TDataSet* dataSet) { ClampField(dataSet, "DDS"); }

void TDM::tblMyFirmBeforeDelete(TDataSet* dataSet) { RefuseDeleteInUse(dataSet, &TDM::FirmInUse, FirmInUseText()); }
void TDM::tblCarBeforeDelete(TDataSet* dataSet) { RefuseDeleteInUse(dataSet, &TDM::CarInUse, CarInUseText()); }
void TDM::tblClientBeforeDelete(TDataSet* dataSet) { RefuseDeleteInUse(dataSet, &TDM::ClientInUse, ClientInUseText()); }

// --- deliveries -----------------------------------------------------------------------------

void TDM::tblDeliveryAfterEdit(TDataSet*) { app::DeliveryChanged = true; }
void TDM::tblDeliveryNewRecord(TDataSet*) { app::DeliveryChanged = true; }
void TDM::tblDeliveryBeforeCancel(TDataSet*) { app::DeliveryChanged = false; }

void TDM::tblDeliveryBeforePost(TDataSet* dataSet)
{
    app::DeliveryChanged = true;
    ClampField(dataSet, "delivery_tax");
    // Totals of the posted lines at this row's own rate and VAT %: the saved query would give
    // Null without lines or without a rate, and the figures of the row as it was before.
    TField* rate = dataSet->FieldByName(QStringLiteral("currency_rate"));
    if (rate->IsNull())
        rate->SetAsFloat(1);
    TField* tax = dataSet->FieldByName(QStringLiteral("delivery_tax"));
    if (tax->IsNull())
        tax->SetAsInteger(0);
    const TField* id = dataSet->FieldByName(QStringLiteral("id"));
    const double lines = id->IsNull() ? 0.0
                                      : ScalarOf(QStringLiteral("SELECT Sum(delivery_price*delivery_quantity) FROM "
                                                                "delivery_detail WHERE delivery_id=:id;"),
                                                 {{QStringLiteral("id"), id->AsInteger()}});
    const double sum = lines * rate->AsFloat();
    dataSet->FieldByName(QStringLiteral("delivery_sum"))->SetAsFloat(sum);
    dataSet->FieldByName(QStringLiteral("delivery_tax_value"))->SetAsFloat(sum * tax->AsInteger() / 100);
    StampModified(dataSet);
}

void TDM::tblDeliveryAfterPost(TDataSet*)
{
    const bool storageVisible = WindowHooks.StorageVisible && WindowHooks.StorageVisible();
    if (!storageVisible || !app::DeliveryChanged)
        return;
    app::DeliveryChanged = false;
    tblQDeliveryTotal->Requery();
}

void TDM::tblDeliveryAfterScroll(TDataSet* dataSet)
{
    if (!app::MainFormReady || !WindowHooks.ShowDelivery)
        return;
    WindowHooks.ShowDelivery(dataSet->FieldByName(QStringLiteral("id"))->AsString(),
                             dataSet->FieldByName(QStringLiteral("delivery_piment"))->AsBoolean());
}

void TDM::tblDeliveryDetailAfterEdit(TDataSet*) { app::DeliveryChanged = true; }
void TDM::tblDeliveryDetailNewRecord(TDataSet*) { app::DeliveryChanged = true; }
void TDM::tblDeliveryDetailBeforeCancel(TDataSet*) { app::DeliveryChanged = false; }

void TDM::tblDeliveryDetailBeforePost(TDataSet* dataSet)
{
    if (!app::MainFormReady)
        return;
    app::DeliveryChanged = true;
    // A line always belongs to a delivery: without a current one it keeps the ids it has, and
    // a new line is refused rather than stored as a lot no delivery lists.
    const QString deliveryId = CurrentId(tblDelivery);
    if (deliveryId.isEmpty() && dataSet->State() == dsInsert)
        throw EDatabaseError(QStringLiteral("Няма избрана доставка за този ред !"));
    const QString storeId = CurrentId(tblStore);
    if (!storeId.isEmpty())
        dataSet->FieldByName(QStringLiteral("store_id"))->SetAsString(storeId);
    if (!deliveryId.isEmpty())
        dataSet->FieldByName(QStringLiteral("delivery_id"))->SetAsString(deliveryId);
    Stamp(dataSet);
    if (IsEmpty(dataSet, "article_name"))
        dataSet->FieldByName(QStringLiteral("article_name"))->SetAsString(QStringLiteral("Празно"));
    ZeroWhenEmpty(dataSet, "sale_price");
    ZeroWhenEmpty(dataSet, "delivery_price");
    ZeroWhenEmpty(dataSet, "delivery_quantity");
}

void TDM::tblDeliveryDetailAfterPost(TDataSet*)
{
    app::LinesPosted = true;
    if (!app::DeliveryChanged)
        return;
    app::DeliveryChanged = false;
    tblQDeliveryTotal->Requery();
}

void TDM::tblDeliveryDetailBeforeDelete(TDataSet* dataSet)
{
    RefuseDeleteInUse(dataSet, &TDM::DeliveryLineInUse, kDeliveryLineInUseText);
}

// --- stores and models ----------------------------------------------------------------------

void TDM::tblStoreBeforePost(TDataSet* dataSet)
{
    if (!app::MainFormReady || !WindowHooks.StoreNameText)
        return;
    dataSet->FieldByName(QStringLiteral("store_name"))->SetAsString(WindowHooks.StoreNameText());
}

void TDM::tblStoreAfterScroll(TDataSet* dataSet)
{
    if (!app::MainFormReady || !WindowHooks.ShowStoreName)
        return;
    WindowHooks.ShowStoreName(dataSet->FieldByName(QStringLiteral("store_name"))->AsString());
}

void TDM::tblModelBeforePost(TDataSet* dataSet)
{
    if (!WindowHooks.ModelMakeText)
        return;
    // A blank box stands for every make too (the filter reads it so): the row keeps its make.
    const QString make = WindowHooks.ModelMakeText();
    if (make != AllMakes() && !make.isEmpty())
        dataSet->FieldByName(QStringLiteral("mark_name"))->SetAsString(make);
}

// --- staff ----------------------------------------------------------------------------------

void TDM::tblEmployeeAfterPost(TDataSet*) { app::NewEmployee = false; }

void TDM::tblEmployeePaymentAfterEdit(TDataSet*)
{
    if (WindowHooks.PaymentGridOnWorkPrice && WindowHooks.PaymentGridOnWorkPrice())
        app::PaymentChanged = true;
}

void TDM::tblEmployeePaymentBeforePost(TDataSet* dataSet)
{
    if (!app::MainFormReady)
        return;
    app::PaymentChanged = true;
    TField* box = dataSet->FieldByName(QStringLiteral("cashbox_num"));
    if (box->IsNull() || box->AsInteger() == 0)
        box->SetAsInteger(SettingsCashBox());
    TodayWhenNoPaymentDate(dataSet);
    Stamp(dataSet);
    ZeroWhenEmpty(dataSet, "payment");
}

void TDM::tblEmployeePaymentAfterPost(TDataSet*) { app::PaymentChanged = false; }
void TDM::tblEmployeePaymentBeforeCancel(TDataSet*) { app::PaymentChanged = false; }
void TDM::tblEmployeePaymentNewRecord(TDataSet*) { app::PaymentChanged = true; }

void TDM::tblEmployeeWorkBeforePost(TDataSet* dataSet)
{
    TField* absence = dataSet->FieldByName(QStringLiteral("absence_days"));
    if (!absence->IsNull() && absence->AsInteger() > 255)
        absence->SetAsInteger(255);
    if (!app::MainFormReady)
        return;
    // A row without a cash box would never count in any cash box.
    TField* box = dataSet->FieldByName(QStringLiteral("cashbox_num"));
    if (box->IsNull() || box->AsInteger() == 0)
        box->SetAsInteger(SettingsCashBox());
    TodayWhenNoPaymentDate(dataSet);
    Stamp(dataSet);
    ZeroWhenEmpty(dataSet, "payment");
}

// --- cash -----------------------------------------------------------------------------------

// A money row typed in the cash box belongs to the box whose period is open and to today; the
// table's own default box would move another box's money into box 1.
void TDM::tblCashMoveNewRecord(TDataSet* dataSet)
{
    const qint32 box = WindowHooks.CashPeriodBox ? WindowHooks.CashPeriodBox() : SettingsCashBox();
    dataSet->FieldByName(QStringLiteral("cashbox_num"))->SetAsInteger(box);
    dataSet->FieldByName(QStringLiteral("date"))->SetAsDateTime(Date());
}

void TDM::tblCashGiveInBeforePost(TDataSet* dataSet)
{
    ZeroWhenEmpty(dataSet, "give");
    Stamp(dataSet);
}
void TDM::tblCashGiveInAfterPost(TDataSet*) { tblCashGTotal->Requery(); }
void TDM::tblCashTakingsBeforePost(TDataSet* dataSet)
{
    ZeroWhenEmpty(dataSet, "take");
    Stamp(dataSet);
}
void TDM::tblCashTakingsAfterPost(TDataSet*) { tblCashTTotal->Requery(); }
