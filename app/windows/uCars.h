#pragma once
// The cars list: looked up by registration, frame number or make, sorted by any column, deleted
// while no order names the car, and picked into the open order.

#include "app/windows/PickListForm.h"

class TEdit;

class TfCars : public TPickListForm {
    Q_OBJECT
public:
    explicit TfCars(QWidget* parent = nullptr);
    ~TfCars() override;

    TEdit* tbxSearchValue = nullptr;
    TEdit* tbxSearchValue2 = nullptr;
    TEdit* tbxSearchValue3 = nullptr;
};

extern TfCars* fCars;
