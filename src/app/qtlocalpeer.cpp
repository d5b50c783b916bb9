#include "app/qtlocalpeer.h"

#include <cerrno>
#include <cstring>

#include <sys/stat.h>
#include <sys/un.h>
#include <unistd.h>

#include <QCoreApplication>
#include <QDataStream>
#include <QDir>
#include <QHostInfo>
#include <QStandardPaths>
#include <QLocalServer>
#include <QLocalSocket>
#include <QThread>
#include <QTimer>
#include <QtEndian>

namespace SharedTools {

namespace {
const char kAck[] = "ack";
const char kFrameProperty[] = "tarnFrameLength";
const char kDoneProperty[] = "tarnDone";

// Whether `path` is a real folder (not a link) of this user's that nobody else may enter.
bool privateToUser(const QString &path, QString *error)
{
    struct stat st {};
    if (::lstat(QFile::encodeName(path).constData(), &st) != 0) {
        *error = QStringLiteral("%1: %2").arg(path, QString::fromLocal8Bit(std::strerror(errno)));
        return false;
    }
    if (!S_ISDIR(st.st_mode) || st.st_uid != ::getuid() || (st.st_mode & 077) != 0) {
        *error = QStringLiteral("%1 is not a folder of this user's closed to others (mode 0700)").arg(path);
        return false;
    }
    return true;
}
} // namespace

QString QtLocalPeer::privateFolder(QString *error)
{
    const QByteArray runtime = qgetenv("XDG_RUNTIME_DIR");
    if (!runtime.isEmpty()) {
        const QString folder = QFile::decodeName(runtime);
        return privateToUser(folder, error) ? folder : QString();
    }
    // Not the shared temporary folder, where another user could take the name first. The host
    // name keeps one copy per machine where the home folder is shared.
    const QString cache = QStandardPaths::writableLocation(QStandardPaths::GenericCacheLocation);
    const QString folder = cache + QStringLiteral("/tarntool-") + QHostInfo::localHostName();
    QDir().mkpath(cache);
    if (::mkdir(QFile::encodeName(folder).constData(), 0700) != 0 && errno != EEXIST) {
        *error = QStringLiteral("%1: %2").arg(folder, QString::fromLocal8Bit(std::strerror(errno)));
        return QString();
    }
    return privateToUser(folder, error) ? folder : QString();
}

QtLocalPeer::QtLocalPeer(QObject *parent, const QString &appId)
    : QObject(parent), m_id(appId)
{
    if (m_id.isEmpty())
        m_id = QCoreApplication::applicationFilePath();
    const QByteArray idBytes = m_id.toUtf8();
    m_socketName = QStringLiteral("qtsingleapplication-")
        + QString::number(qChecksum(idBytes.constData(), uint(idBytes.size())), 16);
    // The user stands where a desktop session would: one copy per user and machine.
    m_socketName += QLatin1Char('-') + QString::number(quint64(::getuid()), 16);

    m_server = new QLocalServer(this);
    m_server->setSocketOptions(QLocalServer::UserAccessOption);
    const QString folder = privateFolder(&m_error);
    if (folder.isEmpty())
        return;
    m_lockFile.setFileName(folder + QLatin1Char('/') + m_socketName + QStringLiteral("-lockfile"));
    m_socketName = folder + QLatin1Char('/') + m_socketName;
    if (QFile::encodeName(m_socketName).size() >= int(sizeof(sockaddr_un::sun_path))) {
        m_error = QStringLiteral("the socket path %1 is too long").arg(m_socketName);
        return;
    }
    m_lockFile.openPrivate(&m_error);
}

bool QtLocalPeer::isClient()
{
    if (!m_error.isEmpty())
        return false;
    if (m_lockFile.isLocked())
        return false;
    if (!m_lockFile.lock(QtLockedFile::WriteLock, false)) {
        if (m_lockFile.heldElsewhere())
            return true;
        m_error = QStringLiteral("%1 cannot be locked: %2").arg(m_lockFile.path(), m_lockFile.lockError());
        return false;
    }

    // A server name left by a copy that crashed would make listen() fail.
    if (!QLocalServer::removeServer(m_socketName))
        qWarning("QtSingleCoreApplication: could not cleanup socket");
    if (!m_server->listen(m_socketName))
        qWarning("QtSingleCoreApplication: listen on local socket failed, %s",
                 m_server->errorString().toLocal8Bit().constData());
    connect(m_server, &QLocalServer::newConnection, this, &QtLocalPeer::receiveConnection);
    return false;
}

bool QtLocalPeer::sendMessage(const QString &message, int timeout)
{
    if (!isClient())
        return false;

    QLocalSocket socket;
    bool connected = false;
    for (int attempt = 0; attempt < 2 && !connected; ++attempt) {
        socket.connectToServer(m_socketName);
        connected = socket.waitForConnected(timeout / 2);
        if (!connected && attempt == 0)
            QThread::msleep(250);
    }
    if (!connected)
        return false;

    const QByteArray bytes = message.toUtf8();
    if (quint32(bytes.size()) > kMaxMessageBytes)
        return false;
    QDataStream stream(&socket);
    stream.writeBytes(bytes.constData(), uint(bytes.size()));
    if (!socket.waitForBytesWritten(timeout) || !socket.waitForReadyRead(timeout))
        return false;
    return socket.read(qstrlen(kAck)) == kAck;
}

void QtLocalPeer::receiveConnection()
{
    // Each connection is read as its bytes arrive, never by waiting: a client that stalls or sends
    // too much costs the GUI thread nothing and is dropped.
    while (QLocalSocket *socket = m_server->nextPendingConnection()) {
        auto *deadline = new QTimer(socket);
        deadline->setSingleShot(true);
        connect(deadline, &QTimer::timeout, socket, [socket] {
            qWarning("QtLocalPeer: Message reception failed: no whole message in time");
            socket->abort();
            socket->deleteLater();
        });
        deadline->start(kReceiveTimeoutMs);
        connect(socket, &QLocalSocket::readyRead, this, [this, socket] { readFrom(socket); });
        connect(socket, &QLocalSocket::disconnected, this, [this, socket] {
            readFrom(socket);
            if (!socket->property(kDoneProperty).toBool())
                qWarning("QtLocalPeer: Message reception failed: the client left before its message ended");
            socket->deleteLater();
        });
        readFrom(socket);
    }
}

void QtLocalPeer::readFrom(QLocalSocket *socket)
{
    if (socket->property(kDoneProperty).toBool())
        return;
    QVariant frame = socket->property(kFrameProperty);
    if (!frame.isValid()) {
        if (socket->bytesAvailable() < qint64(sizeof(quint32)))
            return;
        uchar prefix[sizeof(quint32)];
        socket->read(reinterpret_cast<char *>(prefix), sizeof(prefix));
        const quint32 length = qFromBigEndian<quint32>(prefix);
        if (length > kMaxMessageBytes) {
            qWarning("QtLocalPeer: Message reception failed: a message of %u bytes is too long", length);
            socket->setProperty(kDoneProperty, true);
            socket->abort();
            socket->deleteLater();
            return;
        }
        frame = length;
        socket->setProperty(kFrameProperty, frame);
    }
    const qint64 length = frame.toLongLong();
    if (socket->bytesAvailable() < length)
        return;
    const QString message = QString::fromUtf8(socket->read(length));
    socket->setProperty(kDoneProperty, true);
    socket->write(kAck, qint64(qstrlen(kAck)));
    socket->disconnectFromServer();
    emit messageReceived(message);
}

} // namespace SharedTools
