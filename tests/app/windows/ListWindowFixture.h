#pragma once
// The program logged in over a shop with own firms, cars, clients and models, three of each
// named by an order (finished, unfinished, annulled) and one by none; the order window's hooks
// record what the list windows asked of it.

#include "ProgramFixture.h"

#include "app/windows/OrderWindowHooks.h"
#include "dataaccess/DaoTable.h"
#include "platform/toolkit/Fields.h"
#include "platform/toolkit/gui/Menus.h"

#include <QApplication>
#include <QKeyEvent>
#include <QSignalBlocker>

class ListWindowTest : public ProgramTest {
protected:
    void SetUp() override
    {
        ProgramTest::SetUp();
        LoginAsAdministrator();
        Seed("shop_lists.sql");
        for (TDaoTable* table : {DM->tblMyFirm, DM->tblCar, DM->tblClient, DM->tblSale, DM->tblModel, DM->tblMark}) {
            table->Close();
            table->Open();
        }
        TOrderWindowHooks& order = OrderWindowHooks();
        previousHooks_ = order;
        order.ApplySaleFilter = [this] { ++filtersApplied; };
        order.FirmChosen = [this] { ++firmsChosen; };
        order.ShowCarFields = [this] { shownInOrder << DM->tblCar->FieldByName(QStringLiteral("id"))->AsString(); };
        order.ShowClientFields = [this] {
            shownInOrder << DM->tblClient->FieldByName(QStringLiteral("id"))->AsString();
        };
        order.Editing = [this] { return orderEditing; };
        host_.ClearShown();
    }
    void TearDown() override
    {
        OrderWindowHooks() = previousHooks_;
        ProgramTest::TearDown();
    }

    // Puts `table` on the row with that id.
    static void GoTo(TDaoTable* table, int id)
    {
        ASSERT_TRUE(table->Locate(QStringLiteral("id"), id, {})) << id;
    }
    static int CurrentId(TDaoTable* table)
    {
        return table->IsEmpty() ? -1 : table->FieldByName(QStringLiteral("id"))->AsInteger();
    }
    // Ticks or clears the settings' "changes to order data" without its warning.
    static void AllowOrderChanges(bool allow)
    {
        const QSignalBlocker quiet(fSetings->cbChangeSaleData);
        fSetings->cbChangeSaleData->setChecked(allow);
    }
    // The texts of the program's messages shown, in order.
    QStringList Messages() const
    {
        QStringList texts;
        for (const TShownRecord& shown : host_.Shown())
            if (shown.Kind == TShownRecord::Message || shown.Name == QLatin1String("fMyMessage")) texts << shown.Text;
        return texts;
    }

    int filtersApplied = 0;
    int firmsChosen = 0;
    bool orderEditing = false;
    QStringList shownInOrder;

private:
    TOrderWindowHooks previousHooks_;
};
