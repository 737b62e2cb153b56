#include "app/windows/uErrorDescription.h"

#include "app/windows/WindowKit.h"
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

    edtDescription = Place<TMemo>(this, "edtDescription", 8, 8, 404, 204);
    edtDescription->setReadOnly(true);

    bClose = Place<TFlatButton>(this, "bClose", QStringLiteral("&Изход"), 224, 222, 88, 27);
    bClose->SetCancel(true);
    bClose->OnClick = Bind(this, &TfErrorDescription::bCloseClick);

    bHelp = Place<TFlatButton>(this, "bHelp", QStringLiteral("&Помощ"), 320, 222, 88, 27);
    bHelp->OnClick = Bind(this, &TfErrorDescription::bHelpClick);

    if (!fErrorDescription)
        fErrorDescription = this;
    PlaceFlatLook(this, TFlatLookMenus::Plain);
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
