#pragma once

#include <QApplication>
#include <QPointer>
#include <QWidget>

namespace SharedTools {

class QtLocalPeer;

// An application that knows whether another copy with the same id already runs for this user.
class QtSingleApplication : public QApplication
{
    Q_OBJECT

public:
    QtSingleApplication(const QString &appId, int &argc, char **argv);
    ~QtSingleApplication() override;

    bool isRunning(qint64 pid = -1);
    // Why this copy could not take the lock, after isRunning() answered false; empty when it did.
    QString lockError() const;
    QString id() const { return m_appId; }
    void setActivationWindow(QWidget *window, bool activateOnMessage = true);
    QWidget *activationWindow() const { return m_activationWindow; }

signals:
    void messageReceived(const QString &message);
    void fileOpenRequest(const QString &file);

public slots:
    bool sendMessage(const QString &message, int timeout = 5000, qint64 pid = -1);
    void activateWindow();

protected:
    bool event(QEvent *event) override;

private:
    QString pidPeerId(qint64 pid) const;

    QtLocalPeer *m_peer = nullptr;
    QtLocalPeer *m_pidPeer = nullptr;
    QPointer<QWidget> m_activationWindow;
    QString m_appId;
};

} // namespace SharedTools
