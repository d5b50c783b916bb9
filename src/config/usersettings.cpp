#include "config/usersettings.h"

#include <QDomDocument>
#include <QFileInfo>

#include "common/apppath.h"
#include "config/configure.h"
#include "config/configuremanager.h"
#include "toolkit/cdomfile.h"

namespace apt {

UserSettings::UserSettings()
    : UserSettings(settingsPath(QStringLiteral("UserSettings.xml")))
{
}

UserSettings::UserSettings(const QString &path)
    : m_path(path)
{
    if (!QFileInfo::exists(m_path))
        return;
    QVector<Configure *> items;
    QString error;
    if (!ConfigureManager::read(m_path, &items, &error))
        qWarning("[Tool]Your settings %s are not read (%s): nothing is remembered from before", qUtf8Printable(m_path),
                 qUtf8Printable(error));
    for (const Configure *item : items)
        m_values.insert(item->name, item->value);
    qDeleteAll(items);
}

QString UserSettings::value(const QString &name) const
{
    return m_values.value(name);
}

bool UserSettings::setValue(const QString &name, const QString &value)
{
    const auto kept = m_values.constFind(name);
    if (kept != m_values.cend() && *kept == value)
        return true;
    m_values.insert(name, value);

    QDomDocument doc;
    doc.appendChild(doc.createProcessingInstruction(QStringLiteral("xml"),
                                                     QStringLiteral("version=\"1.0\" encoding=\"UTF-8\"")));
    QDomElement root = doc.createElement(QStringLiteral("UserSettings"));
    doc.appendChild(root);
    for (auto it = m_values.cbegin(); it != m_values.cend(); ++it) {
        QDomElement entry = doc.createElement(it.key());
        QDomElement text = doc.createElement(QStringLiteral("Value"));
        text.appendChild(doc.createTextNode(it.value()));
        entry.appendChild(text);
        root.appendChild(entry);
    }
    QString error;
    if (!makeSettingsDir(m_path, &error) || !OrvoGUIToolkit::CDomFile::WriteDocument(doc, m_path, 4, &error)) {
        qWarning("[Tool]Your settings %s are not saved: %s", qUtf8Printable(m_path), qUtf8Printable(error));
        return false;
    }
    return true;
}

} // namespace apt
