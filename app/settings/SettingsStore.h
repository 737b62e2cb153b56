#pragma once
// The settings written in one place: the settings file is filled from what the login dialog and
// the settings window show, and the settings window is handed what the file holds. Neither window
// may include the other: each registers its side, a set of hooks, when it is made and takes it
// back when it goes.

#include "app/settings/SettingsFile.h"

#include <QString>
#include <functional>

// The login dialog's side: who logs in, on which database, and the settings it keeps itself.
struct TLoginSettingsSource {
    // The name typed at the login.
    std::function<QString()> LoginName;
    // The database the login connects to.
    std::function<QString()> DatabaseName;
    // Its part of the file: the database and password of the last login that succeeded and the
    // values it gathers from the program.
    std::function<void(TSettingsRecord&)> Collect;
    // Raises EConvertError for a typed password the file could never keep.
    std::function<void()> CheckTypedPassword;
};

// The settings window's side: the options, the operator and the engine version.
struct TSettingsWindowSource {
    // Takes the values of a file already read into the controls and the operator password.
    std::function<void(const TSettingsFile&)> Load;
    // Its part of the file, from the controls.
    std::function<void(TSettingsRecord&)> Collect;
    // The operator the settings name.
    std::function<QString()> OperatorName;
    // The engine version chosen; empty when none is.
    std::function<QString()> DaoVersion;
    // Lets the engine version be chosen again after the engine refused the file.
    std::function<void()> AllowDaoVersionChoice;
};

// The registered sides; null before their window is made and after it is gone.
const TLoginSettingsSource* LoginSettings();
void SetLoginSettings(const TLoginSettingsSource* source);
const TSettingsWindowSource* WindowSettings();
void SetWindowSettings(const TSettingsWindowSource* source);

// Hands the file's values to the settings window, when there is one.
void LoadWindowSettings(const TSettingsFile& file);

// Writes the settings file whole from both sides; nothing while the login dialog is not there.
// The text to tell when it could not be written (a password the file cannot keep, a file that
// cannot be replaced); empty otherwise.
QString WriteSettings();
