#pragma once
// The settings file "Set.dll" in the program's folder: one key=value line per setting, always
// written whole and in a fixed order, CR LF line ends, UTF-8. Files of earlier installations
// (code page 1251) are read as well. Lookup is by key; the first line with a key wins.

#include "platform/toolkit/Strings.h"

#include <QString>

// The file's path: the program's folder + "Set.dll" (an existing file of another letter case
// counts as it).
QString SettingsFilePath();

// Everything the file holds, as the windows hand it over for writing.
struct TSettingsRecord {
    QString Database;
    QString LoginName;
    QString CurrentBook;
    QString CurrentCasheBox;
    QString Dao;
    QString CurrentFirm;
    qint32 CurrentFirmId = -1;
    QString UpDelivery;
    QString UpEmploee;
    QString ArchiveCount;
    // Written (scrambled) only while SavePassword is set.
    QString Password;
    bool SavePassword = true;
    bool ChangeSaleData = false;
    bool Messages = true;
    bool Warnings = true;
    bool OnlyForThisFirm = true;
    bool DontShowAnullDock = false;
    bool ShowUPayed = true;
    bool SpeedButtons = true;
    bool AllDelivery = true;
    bool FiFo = false;
    bool CashHrono = false;
    bool CashGiveTake = true;
    bool ChangeLanguage = false;
    bool EnglishLanguage = false;
    bool DynamCheck = true;
    bool AutoDPrint = true;
    bool AutoArchive = true;
    // The operator password, in clear; written scrambled.
    QString OperatorPassword;
};

// "Yes" or "No".
QString YesNo(bool value);

// The lines of the file in their order. Raises EConvertError when a password holds a character
// that cannot be scrambled.
TStringList SettingsLines(const TSettingsRecord& record);

class TSettingsFile {
public:
    // Reads the file; false (and no lines) when there is none.
    bool Load(const QString& path = SettingsFilePath());
    // Writes the lines whole, replacing the file only once everything is written. False when
    // that failed; the old file then stays as it was.
    static bool Save(const TStrings& lines, const QString& path = SettingsFilePath());

    TStringList& Lines() { return lines_; }
    const TStringList& Lines() const { return lines_; }
    bool Has(const QString& key) const { return lines_.IndexOfName(key) >= 0; }
    QString Value(const QString& key) const { return lines_.Values(key); }
    // Ticked exactly when the value is "Yes".
    bool IfYes(const QString& key) const { return Value(key) == QLatin1String("Yes"); }
    // Ticked unless the value is "No" (a missing key ticks).
    bool UnlessNo(const QString& key) const { return Value(key) != QLatin1String("No"); }
    // The value as a whole number, `fallback` when missing or not a number.
    int IntValue(const QString& key, int fallback) const;
    // The value, `fallback` when it is empty.
    QString TextOr(const QString& key, const QString& fallback) const;

private:
    TStringList lines_;
};
