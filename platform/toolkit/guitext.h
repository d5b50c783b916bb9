#pragma once

#include <QByteArray>
#include <QLocale>
#include <QString>

class QTextCodec;

namespace OrvoGUIToolkit {

// The 8-bit codec the toolkit uses for text handed to native code. A null codec is ignored.
void InitGuiTextCodec(QTextCodec *codec);
// The locale the toolkit's widgets follow; also becomes the default locale for widgets made later.
void InitGuiLocale(const QLocale &locale);

// The codec set by InitGuiTextCodec, or the locale's codec before any was set.
QTextCodec *GuiTextCodec();
QLocale GuiLocale();

// `text` as the bytes of `codec` (the GUI codec when null). A character the codec cannot
// represent would silently become another byte, so `ok`, when given, says whether every
// character survived: a password must not be changed behind the user's back.
QByteArray ConvertFromUnicode(const QString &text, QTextCodec *codec, bool *ok = nullptr);

} // namespace OrvoGUIToolkit
