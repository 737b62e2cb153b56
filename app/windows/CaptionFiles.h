#pragma once
// Caption files: an ini file with a section per window, named after it, holding the window's
// caption under "Caption" and the caption of each named, captioned component it has under the
// component's name; and menu files of name=caption lines that rename a main menu's items.

#include <QObject>
#include <QString>
#include <vector>

class TMainMenu;
class TStrings;

// Writes the captions of `owned` (the application's windows and components) into `fileName`.
// Separators ("-"), empty captions and unnamed components get no key.
void SaveCaptionFile(const QString& fileName, const std::vector<QObject*>& owned);
// Gives the windows among `owned`, and what they have, the captions `fileName` holds; a
// component without a key keeps its caption. Nothing happens when the file does not exist.
void LoadCaptionFile(const QString& fileName, const std::vector<QObject*>& owned);
// Loads `fileName` into `lines` when it exists; then, when `lines` holds anything, every
// top-level item of `menu` but the last, and each of their sub-items, takes the caption its
// name has among the name=caption lines (an empty one when its name is missing).
void LoadMenuCaptionFile(const QString& fileName, TStrings& lines, TMainMenu* menu);
