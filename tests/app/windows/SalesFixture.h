#pragma once
// The program logged in over the shop of tests/fixtures/sales_profit.sql: orders of two firms
// and two cash boxes in every state, firm 1 the current one, the order list unfiltered.

#include "ProgramFixture.h"

class SalesTest : public ProgramTest {
protected:
    void SetUp() override
    {
        ProgramTest::SetUp();
        Seed("sales_profit.sql");
        LoginAsAdministrator();
        app::MainFormReady = true;
        app::CurrentFirmId = 1;
        fSetings->cbxOnlythisCash->SetChecked(false);
        fSetings->cbxOnlythisF->SetChecked(false);
    }
};
