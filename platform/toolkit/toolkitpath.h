#pragma once

#include <QString>

namespace OrvoGUIToolkit {

// Folder of the running executable, ending in a separator, so callers can append
// "plugins/skins/" or "translations/" directly.
QString GetTargetPath();

// Full path of `name` in the executable's folder.
QString GetTargetPathFile(const QString &name);

} // namespace OrvoGUIToolkit
