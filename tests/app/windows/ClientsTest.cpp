// The clients window as the program opens it: from the menu as a list, editable as the settings
// say.

#include "ListWindowFixture.h"

#include "app/windows/uClients.h"
#include "controls/FlatButton.h"
#include "platform/toolkit/gui/DBGrid.h"

namespace {

using ClientsTest = ListWindowTest;

TEST_F(ClientsTest, TheWindowShowsItsColumnsAndSearchesAsDesigned)
{
    EXPECT_EQ(fClients->Caption(), QStringLiteral("Клиенти"));
    EXPECT_EQ(fClients->HelpContext(), 8);
    QStringList titles;
    for (int i = 0; i < fClients->DBGrid1->Columns().Count(); ++i)
        titles << fClients->DBGrid1->Columns()[i]->Title().Caption();
    EXPECT_EQ(titles, (QStringList{"Име на фирма", "Клиент", "Адрес на регистрация", "НДР №", "Булстат",
                                   "Адрес на лицето", "ЕГН", "Телефон", "Факс"}));
}

TEST_F(ClientsTest, TheMenuOpensTheClientsEditableWhenTheSettingsAllow)
{
    ASSERT_TRUE(fCarVantel->Client1->Enabled());
    AllowOrderChanges(true);
    bool deleteShown = false;
    bool readOnly = true;
    host_.OnForm(QStringLiteral("fClients"), [&](TForm&) {
        deleteShown = fClients->bDel->isVisibleTo(fClients);
        readOnly = fClients->DBGrid1->ReadOnly();
        return mrCancel;
    });
    fCarVantel->Client1->Click();
    ASSERT_EQ(host_.Shown().size(), 1u);
    EXPECT_EQ(host_.Shown()[0].Name, QStringLiteral("fClients"));
    EXPECT_TRUE(deleteShown);
    EXPECT_FALSE(readOnly);
}

}  // namespace
