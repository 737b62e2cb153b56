#include "dataaccess/DBLoginUnit.h"

namespace {

TLabel* MakeLabel(QWidget* parent, const QString& name, const QString& caption, int left, int top)
{
    auto* label = new TLabel(parent);
    label->setObjectName(name);
    label->SetCaption(caption);
    label->SetBounds(left, top, 120, 16);
    return label;
}

TEdit* MakeEdit(QWidget* parent, const QString& name, int top, bool secret)
{
    auto* edit = new TEdit(parent);
    edit->setObjectName(name);
    edit->SetBounds(140, top, 200, 21);
    if (secret)
        edit->SetPasswordChar(QLatin1Char('*'));
    return edit;
}

}  // namespace

TDbLogin::TDbLogin(QWidget* parent) : TForm(parent)
{
    setObjectName(QStringLiteral("DbLogin"));
    SetCaption(QStringLiteral("Database Login"));
    SetBorderStyle(bsDialog);
    SetPosition(poScreenCenter);
    SetClientWidth(375);
    SetClientHeight(180);

    GroupBox1 = new TGroupBox(this);
    GroupBox1->setObjectName(QStringLiteral("GroupBox1"));
    GroupBox1->SetBounds(8, 4, 359, 132);

    Label1 = MakeLabel(GroupBox1, QStringLiteral("Label1"), QStringLiteral("Database ................:"), 10, 20);
    DatabaseName = MakeLabel(GroupBox1, QStringLiteral("DatabaseName"), QString(), 140, 20);
    DatabaseName->SetAutoSize(false);
    DatabaseName->SetWidth(210);
    Label2 = MakeLabel(GroupBox1, QStringLiteral("Label2"), QStringLiteral("&User Name .............:"), 10, 48);
    Username = MakeEdit(GroupBox1, QStringLiteral("Username"), 44, false);
    Label3 = MakeLabel(GroupBox1, QStringLiteral("Label3"), QStringLiteral("&Password ...............:"), 10, 76);
    Password = MakeEdit(GroupBox1, QStringLiteral("Password"), 72, true);
    Label4 = MakeLabel(GroupBox1, QStringLiteral("Label4"), QStringLiteral("&Database Password:"), 10, 104);
    DbPassword = MakeEdit(GroupBox1, QStringLiteral("DbPassword"), 100, true);
    Label2->SetFocusControl(Username);
    Label3->SetFocusControl(Password);
    Label4->SetFocusControl(DbPassword);

    Button1 = new TButton(this);
    Button1->setObjectName(QStringLiteral("Button1"));
    Button1->SetCaption(QStringLiteral("Ok"));
    Button1->SetDefault(true);
    Button1->SetBounds(104, 146, 75, 25);
    Button1->OnClick = [this](QObject* sender) { Button1Click(sender); };

    Button2 = new TButton(this);
    Button2->setObjectName(QStringLiteral("Button2"));
    Button2->SetCaption(QStringLiteral("Cancel"));
    Button2->SetCancel(true);
    Button2->SetBounds(196, 146, 75, 25);
    Button2->OnClick = [this](QObject* sender) { Button2Click(sender); };

    setTabOrder(Username, Password);
    setTabOrder(Password, DbPassword);
    setTabOrder(DbPassword, Button1);
    setTabOrder(Button1, Button2);
}

void TDbLogin::Button1Click(QObject*) { SetModalResult(mrOk); }

void TDbLogin::Button2Click(QObject*) { SetModalResult(mrCancel); }
