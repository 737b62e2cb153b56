#include "app/reports/OrderRows.h"

#include "app/datamodule/DModule.h"
#include "dataaccess/DaoTable.h"
#include "platform/report/BandReport.h"
#include "platform/report/ReportDataSource.h"
#include "platform/toolkit/Fields.h"

namespace {

// A table's fields with nothing in them, under the table's name.
class TBlankRow : public TReportRowSource {
public:
    explicit TBlankRow(TDataSet* table) : table_(table) {}
    QString Name() const override { return table_->Name(); }
    bool Active() const override { return true; }
    void First() override {}
    void Next() override {}
    bool Eof() const override { return true; }
    bool HasField(const QString& field) const override { return table_->FindField(field) != nullptr; }
    TVariant FieldValue(const QString&) const override { return TVariant(); }
    QString FieldText(const QString&) const override { return QString(); }

private:
    TDataSet* table_;
};

bool LocateById(TDaoTable* table, const TField* id)
{
    if (!table->Active() || !id || id->IsNull()) return false;
    table->SetKeyFields(QStringLiteral("id"));
    return table->FindKey({id->AsString()});
}

}  // namespace

TOrderRows::TOrderRows(TBandReport& report) : report_(report)
{
    TDaoTable* sale = DM->tblSale;
    const bool order = sale->Active() && !sale->IsEmpty();
    const std::pair<TDaoTable*, const char*> rows[] = {
        {DM->tblCar, "car_id"}, {DM->tblClient, "client_id"}, {DM->tblMyFirm, "myfirm_id"}};
    for (const auto& [table, key] : rows) {
        if (order && LocateById(table, sale->FieldByName(QString::fromLatin1(key)))) continue;
        blanks_.push_back(std::make_unique<TBlankRow>(table));
        report_.AddRowSource(blanks_.back().get());
    }
}

TOrderRows::~TOrderRows()
{
    for (const auto& blank : blanks_) report_.RemoveRowSource(blank.get());
}
