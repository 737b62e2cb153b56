#include "app/settings/SettingsStore.h"

#include "platform/toolkit/Exceptions.h"

namespace {
const TLoginSettingsSource* loginSettings = nullptr;
const TSettingsWindowSource* windowSettings = nullptr;
}

const TLoginSettingsSource* LoginSettings()
{
    return loginSettings;
}

void SetLoginSettings(const TLoginSettingsSource* source)
{
    loginSettings = source;
}

const TSettingsWindowSource* WindowSettings()
{
    return windowSettings;
}

void SetWindowSettings(const TSettingsWindowSource* source)
{
    windowSettings = source;
}

void LoadWindowSettings(const TSettingsFile& file)
{
    if (windowSettings) windowSettings->Load(file);
}

QString WriteSettings()
{
    if (!loginSettings) return QString();
    TStringList lines;
    try {
        TSettingsRecord record;
        loginSettings->Collect(record);
        if (windowSettings) windowSettings->Collect(record);
        lines = SettingsLines(record);
        // The typed password is kept only after it logged in, but one the file could never
        // keep is refused now.
        loginSettings->CheckTypedPassword();
    } catch (const EConvertError& error) {
        return error.Message();
    }
    if (lines.Text().isEmpty()) return QString();
    if (!TSettingsFile::Save(lines)) return QStringLiteral("Програмата не може да съхрани промените.");
    return QString();
}
