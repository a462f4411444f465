#pragma once
// Where the settings file lives: beside the executable when that works, else in the user's
// configuration folder, so that an installed program can still save its settings.
#include <QString>

// What the choice depends on, gathered from the system by SettingsFileFor().
struct TSettingsPlace {
    QString exeFolder;           // without a trailing "/"
    bool folderWritable = false; // write bits set and writing allowed
    bool installFolder = false;  // the folder the package installs the program into
    bool fileBesideExe = false;  // exeFolder holds a Quillet.ini
    QString xdgConfigHome;       // $XDG_CONFIG_HOME as set, possibly empty
    QString home;                // $HOME
};

// "<exeFolder>/Quillet.ini" when that file exists (even read-only: its writes are refused as
// they always were) or the folder is writable and not where the package installs programs
// (so that the superuser's settings stay out of it); else "<config>/Quillet/Quillet.ini",
// where config is $XDG_CONFIG_HOME if absolute, else $HOME/.config.
QString ChooseSettingsFile(const TSettingsPlace &place);

// The settings file for the program in exeFolder, as ChooseSettingsFile decides it.
QString SettingsFileFor(const QString &exeFolder);

// Creates the folder that is to hold the settings file, with its parents, if missing. A
// failure is left for the write itself to report.
void CreateSettingsFolder(const QString &settingsFileName);
