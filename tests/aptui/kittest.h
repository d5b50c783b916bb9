#pragma once

#include <functional>

#include <QApplication>
#include <QTimer>
#include <QWidget>

namespace kittest {

// The child the style sheets know by `name`.
template <class T = QWidget>
T *child(const QObject *parent, const char *name)
{
    return parent->findChild<T *>(QLatin1String(name));
}

// Runs `action` on the next modal box as soon as one is shown, so a test can answer or close it
// instead of leaving exec() hanging.
inline void onNextModal(std::function<void(QWidget *)> action)
{
    auto *poll = new QTimer;
    QObject::connect(poll, &QTimer::timeout, poll, [poll, action] {
        QWidget *modal = QApplication::activeModalWidget();
        if (!modal)
            return;
        poll->stop();
        poll->deleteLater();
        action(modal);
    });
    poll->start(10);
}

} // namespace kittest
