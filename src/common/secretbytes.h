#pragma once

#include <QByteArray>
#include <QString>

// Overwrites a password's bytes where they lie, then empties the holder, so the text does not
// linger in freed memory. Copies that share the buffer (Qt's implicit sharing) are wiped with it,
// which is the point: the copies a screen makes for the library go together.
void wipeSecret(QByteArray &bytes);
void wipeSecret(QString &text);
