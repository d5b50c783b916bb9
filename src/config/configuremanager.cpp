#include "config/configuremanager.h"

#include <algorithm>

#include <QFileInfo>
#include <QStringList>

#include "common/apppath.h"
#include "config/configure.h"
#include "toolkit/cgenericds.h"
#include "toolkit/toolkitpath.h"

namespace apt {

namespace {
const char *const s_keyNames[ConfigureManager::KeyCount] = {
    "Translator", "Languages", "LogLevel", "VersionType", "PingThread",
    "TaskThread", "LogSaveDay", "Skin", "Filter",
};
} // namespace

ConfigureManager::~ConfigureManager()
{
    clear();
}

void ConfigureManager::clear()
{
    qDeleteAll(m_items);
    m_items.clear();
}

QString ConfigureManager::keyName(int key)
{
    if (key < 0 || key >= KeyCount)
        return QString();
    return QLatin1String(s_keyNames[key]);
}

bool ConfigureManager::read(const QString &path, QVector<Configure *> *items, QString *error)
{
    OrvoGUIToolkit::CGenericDS root;
    if (!root.LoadXML(path)) {
        *error = root.GetLastError();
        return false;
    }
    const int count = root.GetChildrenCount();
    items->reserve(count);
    for (int i = 0; i < count; ++i) {
        const OrvoGUIToolkit::CGenericDS child = root.GetChild(i);
        auto *item = new Configure;
        item->name = child.GetName();
        item->value = child.GetChildByName(QStringLiteral("Value")).GetValue();
        items->append(item);
    }
    return true;
}

bool ConfigureManager::load(const QString &path)
{
    clear();
    QString error;
    if (!read(path, &m_items, &error)) {
        qWarning("[Tool]Load %s failed: %s", qUtf8Printable(path), qUtf8Printable(error));
        return false;
    }
    m_path = path;
    return true;
}

bool ConfigureManager::merge(const QString &path, QString *error)
{
    QVector<Configure *> items;
    QString why;
    if (!read(path, &items, &why)) {
        if (error)
            *error = why;
        return false;
    }
    for (Configure *item : items) {
        const auto same = std::find_if(m_items.begin(), m_items.end(),
                                       [item](const Configure *c) { return c->name == item->name; });
        if (same == m_items.end()) {
            m_items.append(item);
        } else {
            (*same)->value = item->value;
            delete item;
        }
    }
    return true;
}

bool ConfigureManager::loadSettings()
{
    const bool loaded = load(OrvoGUIToolkit::GetTargetPathFile(QStringLiteral("Setup.xml")));
    if (settingsBesideProgram())
        return loaded;
    const QString own = settingsPath(QStringLiteral("Setup.xml"));
    QString error;
    if (QFileInfo::exists(own) && !merge(own, &error))
        qWarning("[Tool]Your settings %s are not read (%s): the installed defaults are used", qUtf8Printable(own),
                 qUtf8Printable(error));
    return loaded;
}

Configure *ConfigureManager::find(int key) const
{
    const QString name = keyName(key);
    if (name.isEmpty())
        return nullptr;
    for (Configure *item : m_items) {
        if (item->name == name)
            return item;
    }
    return nullptr;
}

int ConfigureManager::intValue(Key key, int missing) const
{
    const Configure *item = find(key);
    return item ? item->value.toInt() : missing;
}

uint ConfigureManager::translator() const
{
    const Configure *item = find(Translator);
    return item ? item->value.toUInt() : 0;
}

QList<uint> ConfigureManager::languages() const
{
    QList<uint> ids;
    const Configure *item = find(Languages);
    if (!item)
        return ids;
    const QStringList parts = item->value.split(QLatin1Char(','), Qt::KeepEmptyParts, Qt::CaseSensitive);
    for (const QString &part : parts)
        ids.append(part.toUInt());
    return ids;
}

int ConfigureManager::versionType() const
{
    // -1 stands for "not set", as a missing entry does.
    const int value = intValue(VersionType, -1);
    return value == -1 ? 1 : value;
}

int ConfigureManager::pingThread() const
{
    return intValue(PingThread, -1);
}

int ConfigureManager::taskThread() const
{
    return intValue(TaskThread, -1);
}

int ConfigureManager::logSaveDay() const
{
    return intValue(LogSaveDay, -1);
}

bool ConfigureManager::filter() const
{
    return intValue(Filter, 0) == 1;
}

} // namespace apt
