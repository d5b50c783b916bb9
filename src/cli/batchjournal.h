#pragma once

#include <QFile>
#include <QJsonObject>
#include <QString>

#include "tarn.h"

namespace TarnCli {

// A per-user record of one batch: what was planned for each device, when its request was sent and
// what came of it, one JSON object per line, on disk before the next device starts. What a batch
// that was killed half-way did is then known without asking the devices. No secret is written.
class BatchJournal
{
public:
    // A new journal for `command` in the user's state folder ($XDG_STATE_HOME/tarntool/journal,
    // ~/.local/state/tarntool/journal where unset). False, with `error`, when it cannot be made.
    bool open(const QString &command, QString *error);
    bool isOpen() const { return m_file.isOpen(); }
    QString path() const { return m_file.fileName(); }

    static QString folder();

    // `target` describes what the device is to hold; empty for an activation.
    void planned(int index, const TARN_DEVICE_INFO &device, const QJsonObject &target);
    void sent(int index);
    void finished(int index, const QString &outcome, int error, const QString &address);
    void ended(int done, int total, bool stopped);

    // The settings a modification gives, as the journal and a dry run name them.
    static QJsonObject describe(const TARN_NETWORK_PARAMS &params);

private:
    void write(QJsonObject entry);

    QFile m_file;
};

} // namespace TarnCli
