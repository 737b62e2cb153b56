#pragma once
// The login dialog of the database component: user name, password and database password for
// the database file it names.

#include "platform/toolkit/gui/Form.h"
#include "platform/toolkit/gui/StandardControls.h"

class TDbLogin : public TForm {
    Q_OBJECT
public:
    explicit TDbLogin(QWidget* parent = nullptr);

    TGroupBox* GroupBox1;
    TLabel* Label1;
    TLabel* Label2;
    TLabel* Label3;
    TLabel* Label4;
    // The database file the login is for.
    TLabel* DatabaseName;
    TEdit* Username;
    TEdit* Password;
    TEdit* DbPassword;
    TButton* Button1;
    TButton* Button2;

    void Button1Click(QObject* sender);
    void Button2Click(QObject* sender);
};
