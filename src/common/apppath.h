#pragma once

#include <QString>

// The application's folder with "/" appended.
QString appDirPath();

// `name` unchanged when it is an absolute path; otherwise the same name in the application's folder.
QString resolveAppPath(const QString &name);

// Whether what the program writes for its user stays beside the program: in a tree whose program
// folder holds a file named "portable", as the build tree's does. Installed, it never does.
bool settingsBesideProgram();

// The folder of everything the program writes for its user, with "/" appended: the program's own
// folder where settingsBesideProgram(), else $XDG_CONFIG_HOME/tarntool/ (~/.config/tarntool/). The
// folder may not exist yet; the defaults stay beside the program, read-only.
QString settingsDirPath();

// `name` in the settings folder.
QString settingsPath(const QString &name);

// Makes the settings folder, private to the user, when `file` is to go there and it is missing;
// files elsewhere are left to their own folders. False, with `error` set, when it cannot be made.
bool makeSettingsDir(const QString &file, QString *error = nullptr);
