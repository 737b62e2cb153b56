#include "app/windows/uClients.h"

#include "app/datamodule/DModule.h"
#include "app/windows/OrderWindowHooks.h"

TfClients* fClients = nullptr;

namespace {

const TColumnSpec kColumns[] = {
    {"firm_name", "Име на фирма", 140}, {"name", "Клиент", 140},   {"address2", "Адрес на регистрация", 150},
    {"tax_num", "НДР №", 90},           {"bulstat", "Булстат", 90}, {"address", "Адрес на лицето", 150},
    {"egn", "ЕГН", 90},                 {"phone", "Телефон", 100},  {"phone2", "Факс", 90},
};

const TPickListForm::TSearchSpec kSearches[] = {
    {"tbxSearchValue", "Име на фирма :", "firm_name"},
    {"tbxSearchValue2", "Име на клиент", "name"},
};

TPickListForm::TDesign Design()
{
    return {"fClients",
            "Клиенти",
            8,
            1090,
            DM->tblClient,
            DM->srcClient,
            kColumns,
            kSearches,
            [](qint32 id) { return DM->ClientInUse(id); },
            TDM::ClientInUseText(),
            [] {
                if (OrderWindowHooks().ShowClientFields) OrderWindowHooks().ShowClientFields();
            }};
}

}  // namespace

TfClients::TfClients(QWidget* parent) : TPickListForm(Design(), parent)
{
    tbxSearchValue = SearchBoxes[0];
    tbxSearchValue2 = SearchBoxes[1];
    if (!fClients) fClients = this;
}

TfClients::~TfClients()
{
    if (fClients == this) fClients = nullptr;
}
