#pragma once

#include <QDialog>
#include <QFileDialog>
#include <QFileInfo>
#include <QLineEdit>
#include <QTest>
#include <QTimer>

#include "kittest.h"

// Chooses `path`, a folder or a file, in the chooser `chooser`. The chooser lists its folder on a
// thread of its own and may not take a choice at once, so the choice is made again until it does.
inline void choose(QFileDialog *chooser, const QString &path, int attempts = 200)
{
    if (QFileInfo(path).isDir()) {
        chooser->setDirectory(path);
    } else if (auto *name = chooser->findChild<QLineEdit *>(QStringLiteral("fileNameEdit"))) {
        // Typed, as a user would: the chooser may still be listing its folder.
        name->setText(path);
    }
    static_cast<QDialog *>(chooser)->accept();
    if (chooser->isVisible() && attempts > 0)
        QTimer::singleShot(20, chooser, [chooser, path, attempts] { choose(chooser, path, attempts - 1); });
}

// Chooses `path` in the next file chooser and tells where the chooser started.
inline void chooseInNextDialog(const QString &path, QString *startedAt)
{
    kittest::onNextModal([path, startedAt](QWidget *modal) {
        auto *chooser = qobject_cast<QFileDialog *>(modal);
        QVERIFY(chooser);
        *startedAt = chooser->directory().absolutePath();
        choose(chooser, path);
    });
}
