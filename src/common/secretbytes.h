#pragma once

#include <QByteArray>

// Overwrites a password's bytes where they lie, then empties the holder, so the text does not
// linger in freed memory. Copies that share the buffer (Qt's implicit sharing) are wiped with it,
// which is the point: the copies a screen makes for the library go together. Only for buffers the
// caller made itself: a QString taken from a widget shares the widget's own text.
void wipeSecret(QByteArray &bytes);
