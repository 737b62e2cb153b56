// Ini files and the settings file as a damaged disk could leave them: every reader either
// reads them or falls back to its default, never crashes.

#include "app/settings/SettingsFile.h"
#include "platform/os/IniFile.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <cstddef>
#include <cstdint>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    static const QString path = QDir::temp().filePath(QStringLiteral("carvantel-fuzz-%1.ini").arg(QCoreApplication::applicationPid()));
    {
        QFile file(path);
        if (!file.open(QIODevice::WriteOnly | QIODevice::Truncate))
            return 0;
        file.write(reinterpret_cast<const char*>(data), qint64(size));
    }
    {
        TIniFile ini(path);
        for (const QString& section : ini.ReadSections())
            for (const QString& key : ini.ReadSection(section)) {
                ini.ReadString(section, key, QString());
                ini.ReadInteger(section, key, 0);
                ini.ReadBool(section, key, false);
            }
    }
    TSettingsFile settings;
    if (settings.Load(path)) {
        for (int i = 0; i < settings.Lines().Count(); ++i) {
            const QString key = settings.Lines().Names(i);
            settings.IntValue(key, 1);
            settings.TextOr(key, QStringLiteral("x"));
            settings.IfYes(key);
        }
    }
    return 0;
}
