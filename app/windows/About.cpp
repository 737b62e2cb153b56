#include "app/windows/About.h"

#include "app/windows/WindowKit.h"
#include "app/windows/uSplash.h"
#include "controls/FlatButton.h"
#include "platform/toolkit/gui/Application.h"
#include "platform/toolkit/gui/Shell.h"
#include "platform/toolkit/gui/StandardControls.h"

#include <QDir>
#include <QFileInfo>

TAboutBox::TAboutBox(QWidget* parent) : TForm(parent), programFile_(TApplication::ExeName())
{
    setObjectName(QStringLiteral("AboutBox"));
    SetCaption(QStringLiteral("About"));
    SetBorderStyle(bsDialog);
    SetPosition(poScreenCenter);
    SetClientWidth(300);
    SetClientHeight(200);

    // The splash's picture, whole, at the box's width.
    ProgramIcon = Place<TImage>(this, "ProgramIcon", 16, 16, 268, 99);
    ProgramIcon->SetImage(TfSplashForm::Picture(ProgramIcon->width(), ProgramIcon->height()));
    AppName = Place<TLabel>(this, "AppName", 16, 124, 268, 24);
    AppName->SetAutoSize(false);
    AppName->SetAlignment(taCenter);

    bOk = Place<TFlatButton>(this, "bOk", QStringLiteral("&OK"), 100, 160, 88, 27);
    bOk->SetModalResult(mrOk);
    bOk->SetDefault(true);
    bOk->SetCancel(true);

    bHelp = Place<TFlatButton>(this, "bHelp", QStringLiteral("&Help"), 196, 160, 88, 27);
    bHelp->OnClick = Bind(this, &TAboutBox::bHelpClick);

    OnShow = Bind(this, &TAboutBox::FormShow);
    OnActivate = Bind(this, &TAboutBox::FormActivate);
    PlaceFlatLook(this, TFlatLookMenus::Plain);
}

void TAboutBox::FormShow(QObject*) { AppName->SetCaption(NameAndVersion()); }

void TAboutBox::FormActivate(QObject*) { AppName->SetCaption(NameAndVersion()); }

void TAboutBox::bHelpClick(QObject*)
{
    const QFileInfo program(programFile_);
    const QDir folder = program.absoluteDir();
    const QString helpFile = folder.filePath(program.completeBaseName() + QStringLiteral(".hlp"));
    const QString readme = folder.filePath(QStringLiteral("Readme.txt"));
    if (QFileInfo::exists(helpFile))
        ShellOpen(helpFile);
    else if (QFileInfo::exists(readme))
        ShellOpen(readme);
}
