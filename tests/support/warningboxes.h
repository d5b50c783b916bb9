#pragma once

#include <functional>

#include <QApplication>
#include <QImage>
#include <QLabel>
#include <QTimer>
#include <QVector>

#include "aptui/warningdialog.h"

// The warning boxes an action shows: their text and kind, told by the icon the skin gives them.
// The CommonSkin plug-in must be loaded for the kinds to be told apart.
namespace warningboxes {

struct Shown
{
    QString text;
    int kind = -1;
};

inline int kindOf(const QWidget *box)
{
    const auto *picture = box->findChild<QLabel *>(QStringLiteral("m_labelWarnPicture"));
    const QImage shown = picture ? picture->pixmap(Qt::ReturnByValue).toImage() : QImage();
    if (shown.isNull())
        return -1;
    using TarnTool::WarningDialog;
    for (int kind : {WarningDialog::WarnOk, WarningDialog::WarnInfo, WarningDialog::WarnError}) {
        const QImage icon = QImage(WarningDialog::largeIconPath(kind))
                                .scaled(32, 32, Qt::IgnoreAspectRatio, Qt::FastTransformation);
        if (!icon.isNull()
            && icon.convertToFormat(QImage::Format_ARGB32) == shown.convertToFormat(QImage::Format_ARGB32))
            return kind;
    }
    return -1;
}

// Runs `action`, reading and closing every warning box it shows, so no exec() is left hanging.
inline QVector<Shown> answer(const std::function<void()> &action)
{
    QVector<Shown> shown;
    QTimer poll;
    QObject::connect(&poll, &QTimer::timeout, &poll, [&shown] {
        auto *box = qobject_cast<TarnTool::WarningDialog *>(QApplication::activeModalWidget());
        if (!box || !box->isVisible() || box->property("answered").toBool())
            return;
        box->setProperty("answered", true);
        const auto *text = box->findChild<QLabel *>(QStringLiteral("m_labelWarnText"));
        shown.append({text ? text->text() : QString(), kindOf(box)});
        box->close();
    });
    poll.start(10);
    action();
    poll.stop();
    return shown;
}

} // namespace warningboxes
