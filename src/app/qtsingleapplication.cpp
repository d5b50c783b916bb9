#include "app/qtsingleapplication.h"

#include <QFileOpenEvent>
#include <QWidget>

#include "app/qtlocalpeer.h"

namespace SharedTools {

QtSingleApplication::QtSingleApplication(const QString &appId, int &argc, char **argv)
    : QApplication(argc, argv), m_appId(appId)
{
    m_peer = new QtLocalPeer(this, appId);
    connect(m_peer, &QtLocalPeer::messageReceived, this, &QtSingleApplication::messageReceived);
    m_pidPeer = new QtLocalPeer(this, pidPeerId(QCoreApplication::applicationPid()));
    connect(m_pidPeer, &QtLocalPeer::messageReceived, this, &QtSingleApplication::messageReceived);
}

QtSingleApplication::~QtSingleApplication() = default;

QString QtSingleApplication::pidPeerId(qint64 pid) const
{
    return m_appId + QLatin1Char('-') + QString::number(pid);
}

bool QtSingleApplication::isRunning(qint64 pid)
{
    if (pid == -1)
        return m_peer->isClient();
    QtLocalPeer peer(nullptr, pidPeerId(pid));
    return peer.isClient();
}

QString QtSingleApplication::lockError() const
{
    return m_peer->errorString();
}

bool QtSingleApplication::sendMessage(const QString &message, int timeout, qint64 pid)
{
    if (pid == -1)
        return m_peer->sendMessage(message, timeout);
    QtLocalPeer peer(nullptr, pidPeerId(pid));
    return peer.sendMessage(message, timeout);
}

void QtSingleApplication::setActivationWindow(QWidget *window, bool activateOnMessage)
{
    m_activationWindow = window;
    for (QtLocalPeer *peer : {m_peer, m_pidPeer}) {
        if (activateOnMessage)
            connect(peer, &QtLocalPeer::messageReceived, this, &QtSingleApplication::activateWindow,
                    Qt::UniqueConnection);
        else
            disconnect(peer, &QtLocalPeer::messageReceived, this, &QtSingleApplication::activateWindow);
    }
}

void QtSingleApplication::activateWindow()
{
    if (!m_activationWindow)
        return;
    m_activationWindow->setWindowState(m_activationWindow->windowState() & ~Qt::WindowMinimized);
    m_activationWindow->raise();
    m_activationWindow->activateWindow();
}

bool QtSingleApplication::event(QEvent *event)
{
    if (event->type() == QEvent::FileOpen) {
        emit fileOpenRequest(static_cast<QFileOpenEvent *>(event)->file());
        return true;
    }
    return QApplication::event(event);
}

} // namespace SharedTools
