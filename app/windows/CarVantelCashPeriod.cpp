#include "app/windows/uCarsVantel.h"

#include "app/datamodule/DModule.h"
#include "app/windows/WindowKit.h"
#include "app/windows/uCasheBox.h"
#include "dataaccess/DaoDataBase.h"
#include "dataaccess/DaoTable.h"
#include "platform/toolkit/Fields.h"
#include "platform/toolkit/gui/Application.h"
#include "platform/toolkit/gui/StandardControls.h"

#include <vector>

// --- the cash box's periods --------------------------------------------------------------------

namespace {

std::vector<TDaoTable*> CashDatasets()
{
    // The order they open in; the deliveries total last.
    return {DM->tblCashTakings, DM->tblCashGiveIn, DM->tblCashSale,    DM->tblCashSTotal,
            DM->tblCashDelivery, DM->tblCashEPayment, DM->tblCashEWork, DM->tblCashTTotal,
            DM->tblCashGTotal,  DM->tblCashEPTotal, DM->tblCashEWTotal, DM->tblCashDTotal};
}

void FilterBy(TDaoTable* table, const QString& filter)
{
    table->SetFiltered(false);
    table->SetFilter(filter);
    table->SetFiltered(true);
}

}  // namespace

void TfCarVantel::CloseCashDatasets()
{
    DM->tblCashBox->Close();
    for (TDaoTable* table : CashDatasets()) table->Close();
}

void TfCarVantel::FilterCashMoves(const QString& box, const QString& from, const QString& to)
{
    const QString filter = QStringLiteral("[cashbox_num]=") + box + QStringLiteral(" AND [date]>=DateValue(\"") + from +
                           QStringLiteral("\") AND [date]<DateValue(\"") + to + QStringLiteral("\")");
    FilterBy(DM->tblCashTakings, filter);
    FilterBy(DM->tblCashGiveIn, filter);
}

bool TfCarVantel::OpenCashPeriod(const QString& box, const QString& from, const QString& to)
{
    if (!DM->VantelDataBase->Connected()) return false;
    THourglass hourglass;
    try {
        TDaoTable* closings = DM->tblCashBox;
        closings->SetFiltered(false);
        closings->Open();
        FilterBy(closings, QStringLiteral("[finished]=True AND [cashbox_nom]=") + box);
        const auto current = [closings](const char* field) {
            return closings->IsEmpty() ? QString() : closings->FieldByName(QString::fromLatin1(field))->AsString();
        };
        fCasheBox->lblLastFinished->SetCaption(QStringLiteral("Последно приключване ") + current("from_date"));
        FilterBy(closings, QStringLiteral("[finished]=True AND [cashbox_nom]=") + box +
                               QStringLiteral(" AND [to_date]<DateValue(\"") + from + QStringLiteral("\")"));
        // The old balance shows as money, like the new one beside it.
        TField* oldBalance = closings->FieldByName(QStringLiteral("All_calculation"));
        fCasheBox->eOldBalance->SetText(closings->IsEmpty() || oldBalance->IsNull() ? QString()
                                                                                   : MoneyText(oldBalance->AsFloat()));
        fCasheBox->lblSaldoDate->SetCaption(QStringLiteral("Старото салдо е от дата  ") + current("to_date"));

        for (TDaoTable* table : CashDatasets()) table->QueryDefParameters().SetText(box + '\n' + from + '\n' + to);
        FilterCashMoves(box, from, to);
        for (TDaoTable* table : CashDatasets()) table->Open();
        return true;
    } catch (const std::exception&) {
        CloseCashDatasets();
        ShowWarning(QStringLiteral("Грешка при отваряне на касата !"), false);
        return false;
    }
}
