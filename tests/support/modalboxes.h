#pragma once

#include <functional>

#include <QAbstractItemModel>
#include <QApplication>
#include <QLabel>
#include <QStringList>
#include <QTimer>
#include <QVector>

#include "aptui/warningdialog.h"

// Answers the modal boxes an action opens, so no exec() is left hanging: every warning box is read
// and closed, and every other modal dialog is handed to `other` (which should close it).
namespace modalboxes {

struct Shown
{
    QString text;
    bool isWarning = false;
};

inline QVector<Shown> answer(const std::function<void()> &action,
                             const std::function<void(QWidget *)> &other = [](QWidget *w) { w->close(); })
{
    QVector<Shown> shown;
    QTimer poll;
    QObject::connect(&poll, &QTimer::timeout, &poll, [&shown, &other] {
        QWidget *box = QApplication::activeModalWidget();
        if (!box || !box->isVisible() || box->property("answered").toBool())
            return;
        box->setProperty("answered", true);
        if (qobject_cast<TarnTool::WarningDialog *>(box)) {
            auto *text = box->findChild<QLabel *>(QStringLiteral("m_labelWarnText"));
            shown.append({text ? text->text() : QString(), true});
            box->close();
        } else {
            shown.append({box->metaObject()->className(), false});
            other(box);
        }
    });
    poll.start(10);
    action();
    poll.stop();
    return shown;
}

// The texts of the warnings only, in the order shown.
inline QStringList warnings(const QVector<Shown> &shown)
{
    QStringList texts;
    for (const Shown &s : shown) {
        if (s.isWarning)
            texts << s.text;
    }
    return texts;
}

} // namespace modalboxes
