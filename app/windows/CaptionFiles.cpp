#include "app/windows/CaptionFiles.h"

#include "platform/os/IniFile.h"
#include "platform/toolkit/Strings.h"
#include "platform/toolkit/gui/Form.h"
#include "platform/toolkit/gui/Menus.h"

#include <QFileInfo>
#include <QVariant>
#include <exception>

namespace {

const char* const kCaption = "Caption";

bool HasCaption(const QObject* component)
{
    return component->metaObject()->indexOfProperty(kCaption) >= 0;
}

QString CaptionOf(const QObject* component) { return component->property(kCaption).toString(); }

bool Written(const QString& name, const QString& caption)
{
    return !name.isEmpty() && !caption.isEmpty() && caption != QLatin1String("-");
}

// What a window has that carries a caption, its own inner windows' parts included.
QList<QObject*> CaptionedParts(const TForm* form)
{
    QList<QObject*> parts;
    for (QObject* part : form->findChildren<QObject*>())
        if (HasCaption(part)) parts.append(part);
    return parts;
}

}  // namespace

void SaveCaptionFile(const QString& fileName, const std::vector<QObject*>& owned)
{
    TIniFile ini(fileName);
    for (QObject* component : owned) {
        try {
            if (auto* form = qobject_cast<TForm*>(component)) {
                const QString section = form->objectName();
                ini.WriteString(section, QString::fromLatin1(kCaption), form->Caption());
                for (QObject* part : CaptionedParts(form)) {
                    try {
                        const QString caption = CaptionOf(part);
                        if (Written(part->objectName(), caption)) ini.WriteString(section, part->objectName(), caption);
                    } catch (const std::exception&) {
                        // one unreadable caption does not stop the file
                    }
                }
            } else if (HasCaption(component) && Written(component->objectName(), CaptionOf(component))) {
                ini.WriteString(component->objectName(), component->objectName(), CaptionOf(component));
            }
        } catch (const std::exception&) {
        }
    }
    ini.UpdateFile();
}

void LoadCaptionFile(const QString& fileName, const std::vector<QObject*>& owned)
{
    if (!QFileInfo::exists(fileName)) return;
    const TIniFile ini(fileName);
    for (QObject* component : owned) {
        auto* form = qobject_cast<TForm*>(component);
        if (!form) continue;
        const QString section = form->objectName();
        form->SetCaption(ini.ReadString(section, QString::fromLatin1(kCaption), form->Caption()));
        for (QObject* part : CaptionedParts(form)) {
            try {
                if (part->objectName().isEmpty()) continue;
                part->setProperty(kCaption, ini.ReadString(section, part->objectName(), CaptionOf(part)));
            } catch (const std::exception&) {
            }
        }
    }
}

void LoadMenuCaptionFile(const QString& fileName, TStrings& lines, TMainMenu* menu)
{
    if (QFileInfo::exists(fileName)) lines.LoadFromFile(fileName);
    if (lines.Text().isEmpty() || !menu) return;
    TMenuItem* top = menu->Items();
    for (int i = 0; i + 1 < top->Count(); ++i) {
        TMenuItem* item = top->Items(i);
        item->SetCaption(lines.Values(item->Name()));
        for (int j = 0; j < item->Count(); ++j) item->Items(j)->SetCaption(lines.Values(item->Items(j)->Name()));
    }
}
