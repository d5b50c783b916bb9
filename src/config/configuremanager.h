#pragma once

#include <QList>
#include <QString>
#include <QVector>

#include "toolkit/cuisingleton.h"

namespace apt {

class Configure;

// The settings of Setup.xml, read once at start and never written back. Each child element of the
// root is one entry named after the element, holding its text in a child element "Value". Every
// getter answers a default while its entry is missing, so a missing or broken file still gives a
// working configuration: English, filter off, VersionType 1. Installed, the Setup.xml beside the
// program holds the defaults and the user's own Setup.xml in the settings folder may change them.
class ConfigureManager : public OrvoGUIToolkit::CUiSingleton<ConfigureManager>
{
public:
    // Key numbers, as find() takes them.
    enum Key {
        Translator = 0,
        Languages,
        LogLevel,
        VersionType,
        PingThread,
        TaskThread,
        LogSaveDay,
        Skin,
        Filter,
        KeyCount
    };

    ConfigureManager() = default;
    ~ConfigureManager() override;

    // Replaces every entry with those of the file. On failure the manager is left empty and the
    // path of the last good load is kept.
    bool load(const QString &path);
    // Adds the entries of a file of the same form, each replacing the first entry of its name.
    // False, with the entries left as they were, when the file cannot be read.
    bool merge(const QString &path, QString *error = nullptr);
    // What a program starts with: load() of Setup.xml beside it, then, where settings are kept per
    // user, merge() of the user's Setup.xml (logged when it is there but cannot be read). False
    // when the file beside the program cannot be read.
    bool loadSettings();
    // The first entry named after `key`; null when there is none or the key number is unknown.
    Configure *find(int key) const;
    QString path() const { return m_path; }
    int count() const { return m_items.size(); }

    // A value that is not a number reads as 0; only a missing entry gives the default (and for
    // versionType() the value -1, which means "not set").
    uint translator() const;
    QList<uint> languages() const;
    int versionType() const;
    int pingThread() const;
    int taskThread() const;
    int logSaveDay() const;
    // True only for the value 1.
    bool filter() const;

    static QString keyName(int key);

    // The entries of a file of this form, appended to `items`, which the caller then owns.
    static bool read(const QString &path, QVector<Configure *> *items, QString *error);

private:
    void clear();
    int intValue(Key key, int missing) const;

    QVector<Configure *> m_items;
    QString m_path;
};

} // namespace apt
