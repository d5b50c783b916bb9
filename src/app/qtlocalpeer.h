#pragma once

#include <QObject>
#include <QString>

#include "app/qtlockedfile.h"

class QLocalServer;
class QLocalSocket;

namespace SharedTools {

// One named peer of the single-instance channel: the first process to take the lock file becomes the
// server and listens under the socket name; later ones are clients. Messages are framed as a
// 32-bit big-endian length and that many UTF-8 bytes, answered with "ack".
//
// The socket name is "qtsingleapplication-" + the id's checksum in hex + "-" + the user id in hex,
// so two users on one machine each run their own copy. The socket and the lock file live in the
// user's own runtime folder, which nobody else can write to: $XDG_RUNTIME_DIR, or a private
// folder under the user's cache folder where it is not set.
class QtLocalPeer : public QObject
{
    Q_OBJECT

public:
    // A message longer than this is refused: nothing the tool exchanges comes near it.
    static constexpr quint32 kMaxMessageBytes = 1024 * 1024;
    // How long the server waits for one whole message before it drops the connection.
    static constexpr int kReceiveTimeoutMs = 5000;

    QtLocalPeer(QObject *parent, const QString &appId);

    // True when another process holds the lock (this one is a client). The first call in the first
    // process takes the lock and starts the server. False also when the lock cannot be taken at
    // all: errorString() then says why.
    bool isClient();
    QString errorString() const { return m_error; }

    // The folder for the socket and the lock file: owned by this user and closed to others (mode
    // 0700), made when missing. Empty, with `error` saying why, when it cannot be had.
    static QString privateFolder(QString *error);
    bool sendMessage(const QString &message, int timeout);

    QString socketName() const { return m_socketName; }
    QString lockFilePath() const { return m_lockFile.path(); }

signals:
    void messageReceived(const QString &message);

protected slots:
    void receiveConnection();

private:
    void readFrom(QLocalSocket *socket);

    QString m_id;
    QString m_socketName;
    QString m_error;
    QLocalServer *m_server = nullptr;
    QtLockedFile m_lockFile;
};

} // namespace SharedTools
