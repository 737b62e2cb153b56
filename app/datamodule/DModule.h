#pragma once
// The data module: the one place the shop database is declared. The database component, the
// connection check and the information component; every table dataset the windows read and
// write, with its source, filter, sort and master link; the cash journal's memory table; one
// data source per dataset; and the record rules that stamp, clamp and re-query around posts
// and keep the application flags (AppGlobals.h, AppFlags.h).

#include "platform/toolkit/Component.h"
#include "platform/toolkit/Variant.h"

#include <QHash>
#include <QList>
#include <QString>
#include <functional>
#include <utility>
#include <vector>

class TDaoDatabase;
class TDaoTable;
class TDaoConnectionCheck;
class TDaoInfo;
class TMemTable;
class TDataSource;
class TDataSet;

// Values for the ":name" parameters of a run-time statement, by name.
using TSqlParams = std::vector<std::pair<QString, TVariant>>;

// What the rules read from and show in windows the module does not know; each window sets its
// part when it is made. A hook not set is a window not there: its rule does nothing.
struct TDMWindowHooks {
    // Stores window (`fStorage`).
    std::function<bool()> StorageVisible;
    std::function<void(const QString& deliveryId, bool paid)> ShowDelivery;  // delivery-number box, `cDeliveryPiment`
    std::function<void(const QString& storeName)> ShowStoreName;             // `dbeStoreName`
    std::function<QString()> StoreNameText;                                  // `dbeStoreName`
    // Makes and models window: the make box `dbcbMark`.
    std::function<QString()> ModelMakeText;
    // Settings window: the cash box number `cbxCashBoxNum`.
    std::function<QString()> CashBoxNumberText;
    // Cash box window: the box whose period is open.
    std::function<qint32()> CashPeriodBox;
    // Employee window: the payments grid `DBGrid3` has the column `work_price` selected.
    std::function<bool()> PaymentGridOnWorkPrice;
    // Order window: renumbers the open order's lines.
    std::function<void()> RenumberOrderLines;
};

class TDM : public TComponent {
    Q_OBJECT
public:
    explicit TDM(QObject* owner = nullptr);
    ~TDM() override;

    // The make box's entry that stands for every make.
    static QString AllMakes() { return QStringLiteral("###  Всички  ###"); }
    // Design settings of the connection check and the information component.
    static constexpr int kCheckInterval = 5000;
    static QString CheckExceptionText() { return QStringLiteral("Връзката с базата данни %s е прекъсната!"); }
    static QString UserListLibrary() { return QStringLiteral(".\\Msldbusr.dll"); }

    // The settings window's cash box number, 1 when it is no number.
    qint32 SettingsCashBox() const;

    // The value when below 256, else 255; negative values pass unchanged.
    static qint32 ClampByte(qint32 value);

    // Whether order lines were taken from the delivery line / orders name the firm, the car, the
    // client. Deletes are refused while this holds, so no order line or order points at nothing;
    // a question the engine cannot answer raises, so it never passes for "not in use".
    bool DeliveryLineInUse(qint32 deliveryDetailId);
    bool FirmInUse(qint32 firmId);
    bool CarInUse(qint32 carId);
    bool ClientInUse(qint32 clientId);
    // The refusals of deleting a row in use.
    static QString FirmInUseText();
    static QString CarInUseText();
    static QString ClientInUseText();
    // Whether a delivery names the store / a delivery line names the delivery.
    bool StoreInUse(qint32 storeId);
    bool DeliveryInUse(qint32 deliveryId);
    // Whether the shop has any delivery line at all.
    bool AnyDeliveryLine();
    // The stock of each of these lots as the stock query `QATQAll` counts it; a lot it does not
    // list is left out. Only those lots are read, so the cost does not grow with the history.
    QHash<qint32, double> StockOfLots(const QList<qint32>& lots);
    // The windows' deletes by SQL ("DELETE * FROM ... WHERE id="), refused with the text of the
    // record rule while the row is in use; the caller re-queries.
    void DeleteDeliveryLine(qint32 deliveryDetailId);
    void DeleteFirm(qint32 firmId);
    void DeleteStore(qint32 storeId);
    void DeleteDelivery(qint32 deliveryId);

    // --- run-time SQL --------------------------------------------------------------------------
    // A user's value reaches SQL only through these: each ":name" in `sql` takes the value given
    // for it as a typed literal made by the DAO layer, never as pasted text. A name without a
    // value, or a statement the engine refuses, raises.
    // The scratch query `tblMyPersonalQuery` re-opened on `sql`; pending messages are processed
    // and the engine idles after it.
    TDaoTable* OpenQuery(const QString& sql, const TSqlParams& params = {});
    // Whether `sql` finds a row, through a read-only probe of its own (the scratch query stays).
    bool AnyRow(const QString& sql, const TSqlParams& params = {});
    // Runs the action statement `sql` through `ExecQuery`; the number of rows it touched.
    int ExecuteSql(const QString& sql, const TSqlParams& params = {});

    // --- components ---------------------------------------------------------------------------
    TDaoDatabase* VantelDataBase = nullptr;
    // Both inactive until the login switches them on.
    TDaoConnectionCheck* CheckDatabase = nullptr;
    TDaoInfo* dbInfo = nullptr;

    // --- datasets -----------------------------------------------------------------------------
    TDaoTable* tblSaleDetail = nullptr;
    TDaoTable* tblCar = nullptr;
    TDaoTable* tblClient = nullptr;
    TDaoTable* tblMyFirm = nullptr;
    TDaoTable* tblSaleTotalQuery = nullptr;
    TDaoTable* tblMyPersonalQuery = nullptr;
    TDaoTable* tblEmployee = nullptr;
    TDaoTable* tblEmployeePayment = nullptr;
    TDaoTable* tblDelivery = nullptr;
    TDaoTable* tblDeliveryDetail = nullptr;
    TDaoTable* tblQTAQAll = nullptr;
    TDaoTable* tblMyQuty = nullptr;
    TDaoTable* tblArticle = nullptr;
    TDaoTable* tblStore = nullptr;
    TDaoTable* tblModel = nullptr;
    TDaoTable* tblSale = nullptr;
    TDaoTable* tblMark = nullptr;
    TDaoTable* tblFiFoQuery = nullptr;
    TDaoTable* ExecQuery = nullptr;
    TDaoTable* tblEmployeeWork = nullptr;
    TDaoTable* tblCashBox = nullptr;
    TDaoTable* tblSeller = nullptr;
    TDaoTable* tblLogins = nullptr;
    TDaoTable* tblQDeliveryTotal = nullptr;
    TDaoTable* tblCashGiveIn = nullptr;
    TDaoTable* tblCashTakings = nullptr;
    TDaoTable* tblCashDTotal = nullptr;
    TDaoTable* tblCashSTotal = nullptr;
    TDaoTable* tblCashSale = nullptr;
    TDaoTable* tblCashDelivery = nullptr;
    TDaoTable* tblCashEPayment = nullptr;
    TDaoTable* tblCashEWork = nullptr;
    TDaoTable* tblCashTTotal = nullptr;
    TDaoTable* tblCashEPTotal = nullptr;
    TDaoTable* tblCashGTotal = nullptr;
    TDaoTable* tblCashEWTotal = nullptr;
    TDaoTable* tblDebitQuery = nullptr;
    TDaoTable* tblDebSum = nullptr;
    TDaoTable* tblArticleTotalq = nullptr;
    TDaoTable* EmployeeWorkRep = nullptr;
    TDaoTable* tblQueryEmploeeWork = nullptr;
    TDaoTable* tblArticleTotalQuery = nullptr;
    // The cash journal.
    TMemTable* tblMemTable = nullptr;

    // --- data sources -------------------------------------------------------------------------
    TDataSource* srcSale = nullptr;
    TDataSource* srcSaleDetail = nullptr;
    TDataSource* srcCar = nullptr;
    TDataSource* srcClient = nullptr;
    TDataSource* srcMyFirm = nullptr;
    TDataSource* srcSaleTotalQuery = nullptr;
    TDataSource* srcMyPersonalQuery = nullptr;
    TDataSource* srcEmployee = nullptr;
    TDataSource* srcEmployeePayment = nullptr;
    TDataSource* srcEmployeeWork = nullptr;
    TDataSource* srcDelivery = nullptr;
    TDataSource* srcDeliveryDetail = nullptr;
    TDataSource* srcQTAQAll = nullptr;
    TDataSource* srcMyQuty = nullptr;
    TDataSource* srcArticle = nullptr;
    TDataSource* srcStore = nullptr;
    TDataSource* srcModel = nullptr;
    TDataSource* srcFiFoQuery = nullptr;
    TDataSource* srcCashBox = nullptr;
    TDataSource* srcSeller = nullptr;
    TDataSource* srcLogins = nullptr;
    TDataSource* srcQDeliveryTotal = nullptr;
    TDataSource* srcCashTakings = nullptr;
    TDataSource* srcCashGiveIn = nullptr;
    TDataSource* srcCashSale = nullptr;
    TDataSource* srcCashSTotal = nullptr;
    TDataSource* srcCashDelivery = nullptr;
    TDataSource* srcCashDTotal = nullptr;
    TDataSource* srcCashEPayment = nullptr;
    TDataSource* srcCashEWork = nullptr;
    TDataSource* srcCashTTotal = nullptr;
    TDataSource* srcCashEPTotal = nullptr;
    TDataSource* srcCashGTotal = nullptr;
    TDataSource* srcCashEWTotal = nullptr;
    TDataSource* srcMemtable = nullptr;
    TDataSource* srcDebitQuery = nullptr;
    TDataSource* srcDebSum = nullptr;
    TDataSource* srcArticleTotalq = nullptr;
    TDataSource* srcEmploeeWorkRep = nullptr;
    TDataSource* srcQEmploeeWork = nullptr;
    // Shows tblArticleTotalQuery, or tblFiFoQuery while stock is picked per article.
    TDataSource* srcArticleTotalQuery = nullptr;

    TDMWindowHooks WindowHooks;

    // --- record rules -------------------------------------------------------------------------
    void tblSaleDetailAfterEdit(TDataSet* dataSet);
    void tblSaleDetailBeforePost(TDataSet* dataSet);
    void tblSaleDetailAfterPost(TDataSet* dataSet);
    void tblSaleDetailBeforeCancel(TDataSet* dataSet);
    void tblSaleDetailBeforeScroll(TDataSet* dataSet);
    void tblSaleDetailNewRecord(TDataSet* dataSet);
    void tblCarBeforePost(TDataSet* dataSet);
    void tblCarBeforeDelete(TDataSet* dataSet);
    void tblClientBeforeDelete(TDataSet* dataSet);
    void tblMyFirmBeforePost(TDataSet* dataSet);
    void tblMyFirmBeforeDelete(TDataSet* dataSet);
    void tblEmployeeAfterPost(TDataSet* dataSet);
    void tblEmployeePaymentAfterEdit(TDataSet* dataSet);
    void tblEmployeePaymentBeforePost(TDataSet* dataSet);
    void tblEmployeePaymentAfterPost(TDataSet* dataSet);
    void tblEmployeePaymentBeforeCancel(TDataSet* dataSet);
    void tblEmployeePaymentNewRecord(TDataSet* dataSet);
    void tblDeliveryAfterEdit(TDataSet* dataSet);
    void tblDeliveryBeforePost(TDataSet* dataSet);
    void tblDeliveryAfterPost(TDataSet* dataSet);
    void tblDeliveryBeforeCancel(TDataSet* dataSet);
    void tblDeliveryAfterScroll(TDataSet* dataSet);
    void tblDeliveryNewRecord(TDataSet* dataSet);
    void tblDeliveryDetailAfterEdit(TDataSet* dataSet);
    void tblDeliveryDetailBeforePost(TDataSet* dataSet);
    void tblDeliveryDetailAfterPost(TDataSet* dataSet);
    void tblDeliveryDetailBeforeCancel(TDataSet* dataSet);
    void tblDeliveryDetailBeforeDelete(TDataSet* dataSet);
    void tblDeliveryDetailNewRecord(TDataSet* dataSet);
    void tblStoreBeforePost(TDataSet* dataSet);
    void tblStoreAfterScroll(TDataSet* dataSet);
    void tblModelBeforePost(TDataSet* dataSet);
    void tblSaleAfterEdit(TDataSet* dataSet);
    void tblSaleAfterPost(TDataSet* dataSet);
    void tblSaleBeforeCancel(TDataSet* dataSet);
    void tblSaleNewRecord(TDataSet* dataSet);
    void tblEmployeeWorkBeforePost(TDataSet* dataSet);
    void tblCashGiveInBeforePost(TDataSet* dataSet);
    void tblCashGiveInAfterPost(TDataSet* dataSet);
    void tblCashTakingsBeforePost(TDataSet* dataSet);
    void tblCashTakingsAfterPost(TDataSet* dataSet);
    void tblCashMoveNewRecord(TDataSet* dataSet);

private:
    // Raises `refusal` when the row `dataSet` is about to delete has an id that `inUse` finds.
    void RefuseDeleteInUse(TDataSet* dataSet, bool (TDM::*inUse)(qint32), const QString& refusal);
    void CreateDatabase();
    void CreateDataSets();
    void CreateDataSources();
    void BindRules();
    void CreateCashJournal();
    // The first field of the first row `sql` gives, through a probe of its own; 0 when Null or none.
    double ScalarOf(const QString& sql, const TSqlParams& params = {});
};

// The one data module, made first at start-up.
extern TDM* DM;
