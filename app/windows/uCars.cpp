#include "app/windows/uCars.h"

#include "app/datamodule/DModule.h"
#include "app/windows/OrderWindowHooks.h"

TfCars* fCars = nullptr;

namespace {

const TColumnSpec kColumns[] = {
    {"car_number", "Регистр. №", 90}, {"frame_num", "Рама №", 150},    {"mark", "Марка", 90},
    {"model", "Модел", 100},          {"made_year", "Год. произв.", 90}, {"power", "Мощност", 70},
    {"tank_type", "Вид гориво", 80},  {"doors", "Бр. врати", 70},      {"alarm", "Аларма", 70},
    {"imobilaizer", "Имобилайзер", 95}, {"motor_num", "Щета №", 100},
};

const TPickListForm::TSearchSpec kSearches[] = {
    {"tbxSearchValue", "Регист. номер :", "car_number"},
    {"tbxSearchValue2", "Номер на рама", "frame_num"},
    {"tbxSearchValue3", "Марка автомобил", "mark"},
};

TPickListForm::TDesign Design()
{
    return {"fCars",
            "Автомобили",
            4,
            1060,
            DM->tblCar,
            DM->srcCar,
            kColumns,
            kSearches,
            [](qint32 id) { return DM->CarInUse(id); },
            TDM::CarInUseText(),
            [] {
                if (OrderWindowHooks().ShowCarFields) OrderWindowHooks().ShowCarFields();
            }};
}

}  // namespace

TfCars::TfCars(QWidget* parent) : TPickListForm(Design(), parent)
{
    tbxSearchValue = SearchBoxes[0];
    tbxSearchValue2 = SearchBoxes[1];
    tbxSearchValue3 = SearchBoxes[2];
    if (!fCars) fCars = this;
}

TfCars::~TfCars()
{
    if (fCars == this) fCars = nullptr;
}
