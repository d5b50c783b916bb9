#pragma once

#include <QMap>
#include <QString>

#include "toolkit/cuisingleton.h"

namespace apt {

// What the program remembers for its user from one run to the next, such as the last export
// folder: entries shaped as in Setup.xml, in UserSettings.xml in the settings folder. The file is
// read once; every change writes it whole again through a temporary file, so a failed or broken-off
// save leaves the previous one. A file that cannot be read is logged and its entries are not used;
// the next change replaces it.
class UserSettings : public OrvoGUIToolkit::CUiSingleton<UserSettings>
{
public:
    // UserSettings.xml in the settings folder.
    UserSettings();
    explicit UserSettings(const QString &path);

    // Empty when there is no such entry.
    QString value(const QString &name) const;
    // Keeps the value and saves the file; false, logged, when it cannot be saved (the value is
    // then kept until the program ends).
    bool setValue(const QString &name, const QString &value);

    QString path() const { return m_path; }

private:
    QString m_path;
    QMap<QString, QString> m_values;
};

} // namespace apt
