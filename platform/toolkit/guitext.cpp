#include "toolkit/guitext.h"

#include <QMutex>
#include <QMutexLocker>
#include <QTextCodec>

namespace OrvoGUIToolkit {

namespace {

struct GuiTextState
{
    QMutex mutex;
    QTextCodec *codec = nullptr;
    QLocale locale;
};

GuiTextState &state()
{
    static GuiTextState s;
    return s;
}

} // namespace

void InitGuiTextCodec(QTextCodec *codec)
{
    if (!codec)
        return;
    QMutexLocker lock(&state().mutex);
    state().codec = codec;
}

void InitGuiLocale(const QLocale &locale)
{
    {
        QMutexLocker lock(&state().mutex);
        state().locale = locale;
    }
    QLocale::setDefault(locale);
}

QTextCodec *GuiTextCodec()
{
    QMutexLocker lock(&state().mutex);
    return state().codec ? state().codec : QTextCodec::codecForLocale();
}

QLocale GuiLocale()
{
    QMutexLocker lock(&state().mutex);
    return state().locale;
}

QByteArray ConvertFromUnicode(const QString &text, QTextCodec *codec, bool *ok)
{
    if (!codec)
        codec = GuiTextCodec();
    QTextCodec::ConverterState converter(QTextCodec::IgnoreHeader);
    const QByteArray bytes = codec->fromUnicode(text.constData(), text.size(), &converter);
    if (ok)
        *ok = converter.invalidChars == 0 && converter.remainingChars == 0;
    return bytes;
}

} // namespace OrvoGUIToolkit
