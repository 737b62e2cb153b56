// The cars window as the program opens it: from the menu as a list, and the car a pick leaves
// behind never moves the clients table.

#include "ListWindowFixture.h"

#include "app/windows/uCars.h"
#include "app/windows/uClients.h"
#include "controls/FlatButton.h"
#include "platform/toolkit/gui/DBGrid.h"

namespace {

using CarsTest = ListWindowTest;

TEST_F(CarsTest, TheWindowShowsItsColumnsAndSearchesAsDesigned)
{
    EXPECT_EQ(fCars->Caption(), QStringLiteral("Автомобили"));
    EXPECT_EQ(fCars->HelpContext(), 4);
    QStringList titles;
    for (int i = 0; i < fCars->DBGrid1->Columns().Count(); ++i) titles << fCars->DBGrid1->Columns()[i]->Title().Caption();
    EXPECT_EQ(titles, (QStringList{"Регистр. №", "Рама №", "Марка", "Модел", "Год. произв.", "Мощност", "Вид гориво",
                                   "Бр. врати", "Аларма", "Имобилайзер", "Щета №"}));
    EXPECT_EQ(fCars->tbxSearchValue3->objectName(), QStringLiteral("tbxSearchValue3"));
}

TEST_F(CarsTest, TheMenuOpensTheCarsAsAList)
{
    ASSERT_TRUE(fCarVantel->Auto1->Enabled());
    bool pickShown = true;
    host_.OnForm(QStringLiteral("fCars"), [&](TForm&) {
        pickShown = fCars->bYes->isVisibleTo(fCars);
        return mrCancel;
    });
    fCarVantel->Auto1->Click();
    ASSERT_EQ(host_.Shown().size(), 1u);
    EXPECT_EQ(host_.Shown()[0].Name, QStringLiteral("fCars"));
    EXPECT_FALSE(pickShown);
}

TEST_F(CarsTest, ACarPickThenExitFromTheClientsLeavesTheClientsWhereTheyWere)
{
    GoTo(DM->tblCar, 4);
    GoTo(DM->tblClient, 2);
    host_.OnForm(QStringLiteral("fCars"), [&](TForm&) {
        fCars->bYes->Click();
        return mrNone;
    });
    ASSERT_EQ(fCars->ShowForPick(), mrOk);
    host_.OnForm(QStringLiteral("fClients"), [&](TForm&) {
        fClients->bCancel->Click();
        return mrNone;
    });
    fClients->ShowAsList();
    EXPECT_EQ(CurrentId(DM->tblClient), 2);
    EXPECT_EQ(CurrentId(DM->tblCar), 4);
}

}  // namespace
