#include "app/windows/uErrorDescription.h"

#include "controls/FlatButton.h"
#include "platform/toolkit/gui/Application.h"
#include "platform/toolkit/gui/StandardControls.h"

TfErrorDescription* fErrorDescription = nullptr;

TfErrorDescription::TfErrorDescription(QWidget* parent) : TForm(parent)
{
    setObjectName(QStringLiteral("fErrorDescription"));
    SetCaption(QStringLiteral("Разяснение"));
    SetBorderStyle(bsSingle);
    SetPosition(poScreenCenter);
    SetClientWidth(420);
    SetClientHeight(260);

    edtDescription = new TMemo(this);
    edtDescription->setObjectName(QStringLiteral("edtDescription"));
    edtDescription->setReadOnly(true);
    edtDescription->setGeometry(8, 8, 404, 204);

    bClose = new TFlatButton(this);
    bClose->setObjectName(QStringLiteral("bClose"));
    bClose->SetCaption(QStringLiteral("&Изход"));
    bClose->SetCancel(true);
    bClose->setGeometry(224, 222, 88, 27);
    bClose->OnClick = [this](QObject* sender) { bCloseClick(sender); };

    bHelp = new TFlatButton(this);
    bHelp->setObjectName(QStringLiteral("bHelp"));
    bHelp->SetCaption(QStringLiteral("&Помощ"));
    bHelp->setGeometry(320, 222, 88, 27);
    bHelp->OnClick = [this](QObject* sender) { bHelpClick(sender); };

    if (!fErrorDescription)
        fErrorDescription = this;
}

TfErrorDescription::~TfErrorDescription()
{
    if (fErrorDescription == this)
        fErrorDescription = nullptr;
}

void TfErrorDescription::bCloseClick(QObject*) { Close(); }

void TfErrorDescription::bHelpClick(QObject*)
{
    if (TApplication* app = Application())
        app->HelpContext(kHelpTopic);
    Close();
}
