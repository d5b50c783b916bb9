#pragma once

#include <QString>

// The application's folder with "/" appended.
QString appDirPath();

// `name` unchanged when it is an absolute path; otherwise the same name in the application's folder.
QString resolveAppPath(const QString &name);
