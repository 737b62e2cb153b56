#pragma once
// The clients list: looked up by firm or client name, sorted by any column, deleted while no
// order names the client, and picked into the open order.

#include "app/windows/PickListForm.h"

class TEdit;

class TfClients : public TPickListForm {
    Q_OBJECT
public:
    explicit TfClients(QWidget* parent = nullptr);
    ~TfClients() override;

    TEdit* tbxSearchValue = nullptr;
    TEdit* tbxSearchValue2 = nullptr;
};

extern TfClients* fClients;
