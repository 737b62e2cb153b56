#include "app/windows/uCarsVantel.h"

#include "app/windows/CaptionFiles.h"
#include "app/windows/WindowKit.h"
#include "platform/os/Files.h"
#include "platform/toolkit/gui/Application.h"
#include "platform/toolkit/gui/StandardControls.h"

#include <QDir>
#include <vector>

// --- caption files -----------------------------------------------------------------------------

void TfCarVantel::BuildCaptionFileControls()
{
    Memo1 = Place<TMemo>(Client, "Memo1", 0, 0, 185, 89);
    Memo1->hide();
    Button1 = Place<TButton>(Client, "Button1", QStringLiteral("Save"), 0, 0, 75, 25);
    Button1->hide();
    Button1->OnClick = Bind(this, &TfCarVantel::Button1Click);
    Button2 = Place<TButton>(Client, "Button2", QStringLiteral("load"), 0, 0, 75, 25);
    Button2->hide();
    Button2->OnClick = Bind(this, &TfCarVantel::Button2Click);
}

static std::vector<QObject*> ApplicationOwned()
{
    return Application() ? Application()->OwnedObjects() : std::vector<QObject*>{};
}

void TfCarVantel::SaveLanguage(const QString& language)
{
    SaveCaptionFile(QDir(ProgramFolder()).filePath(language + QStringLiteral(".lng")), ApplicationOwned());
}

void TfCarVantel::LoadLanguage(const QString& language)
{
    LoadCaptionFile(QDir(ProgramFolder()).filePath(language + QStringLiteral(".lng")), ApplicationOwned());
}

void TfCarVantel::LoadMenuCaptions(const QString& letter)
{
    LoadMenuCaptionFile(QDir(ProgramFolder()).filePath(QStringLiteral("menu") + letter + QStringLiteral(".set")),
                        Memo1->Lines(), MainMenu1);
}

void TfCarVantel::Button1Click(QObject*) { SaveLanguage(QStringLiteral("bg")); }

void TfCarVantel::Button2Click(QObject*) { LoadLanguage(QStringLiteral("en")); }
