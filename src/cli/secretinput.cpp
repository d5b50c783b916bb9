#include "cli/secretinput.h"

#include <cstdio>
#include <cstring>

#include <termios.h>
#include <unistd.h>

#include <QFile>
#include <QTextCodec>

#include "common/secretbytes.h"

namespace TarnCli {

namespace {

// Far more than any password; a larger file is not a password file.
constexpr qint64 MaxSecretFile = 4096;

// Overwrites the characters of a text this code made itself.
void wipeText(QString &text)
{
    if (!text.isEmpty())
        std::memset(static_cast<void *>(text.data()), 0, size_t(text.size()) * sizeof(QChar));
    text.clear();
}

// One line from the terminal with echo off; false when there is no terminal. Only a person at a
// terminal is asked: a script whose input is a pipe would otherwise hang on a prompt nobody sees.
bool promptLine(const QString &prompt, QByteArray *line)
{
    if (isatty(STDIN_FILENO) != 1)
        return false;
    FILE *tty = std::fopen("/dev/tty", "r+");
    if (!tty)
        return false;
    termios saved {};
    const bool terminal = tcgetattr(fileno(tty), &saved) == 0;
    if (terminal) {
        termios quiet = saved;
        quiet.c_lflag &= ~tcflag_t(ECHO);
        tcsetattr(fileno(tty), TCSAFLUSH, &quiet);
    }
    std::fputs(prompt.toLocal8Bit().constData(), tty);
    std::fflush(tty);
    char buffer[512];
    const bool got = std::fgets(buffer, sizeof buffer, tty) != nullptr;
    if (terminal)
        tcsetattr(fileno(tty), TCSAFLUSH, &saved);
    std::fputs("\n", tty);
    std::fclose(tty);
    if (got)
        *line = QByteArray(buffer);
    std::memset(buffer, 0, sizeof buffer);
    return got;
}

} // namespace

bool SecretInput::firstLine(const QByteArray &raw, QByteArray *password)
{
    QTextCodec::ConverterState state;
    QString text = QTextCodec::codecForName("UTF-8")->toUnicode(raw.constData(), raw.size(), &state);
    const int end = text.indexOf(QLatin1Char('\n'));
    if (end >= 0)
        text.truncate(end);
    if (text.endsWith(QLatin1Char('\r')))
        text.chop(1);
    bool latin1 = state.invalidChars == 0;
    for (const QChar ch : qAsConst(text))
        latin1 = latin1 && ch.unicode() <= 0xFF;
    if (latin1)
        *password = text.toLatin1();
    wipeText(text);
    return latin1;
}

bool SecretInput::read(const QString &source, const QString &prompt, bool confirm, QByteArray *password,
                       QString *error)
{
    QByteArray raw;
    if (source.isEmpty()) {
        if (!promptLine(prompt, &raw)) {
            *error = tr("No terminal to ask for the password on: give --password-file FILE, or - to read it from "
                        "standard input.");
            return false;
        }
        if (confirm) {
            QByteArray again;
            const bool same = promptLine(tr("Again: "), &again) && again == raw;
            wipeSecret(again);
            if (!same) {
                wipeSecret(raw);
                *error = QCoreApplication::translate("TarnTool::DeviceModifyPage", "The password you typed do not match.");
                return false;
            }
        }
    } else {
        QFile file;
        const bool opened = source == QLatin1String("-") ? file.open(stdin, QIODevice::ReadOnly)
                                                         : (file.setFileName(source), file.open(QIODevice::ReadOnly | QIODevice::Unbuffered));
        if (!opened) {
            *error = tr("The password file %1 cannot be read: %2").arg(source, file.errorString());
            return false;
        }
        raw = file.read(MaxSecretFile + 1);
        if (raw.size() > MaxSecretFile) {
            wipeSecret(raw);
            *error = tr("The password file %1 is too large to hold a password.").arg(source);
            return false;
        }
    }
    const bool ok = firstLine(raw, password);
    wipeSecret(raw);
    if (!ok) {
        *error = QCoreApplication::translate("TarnTool::DeviceModifyPage",
                                             "The password holds a character that cannot be sent to the device.");
        return false;
    }
    if (password->isEmpty()) {
        *error = QCoreApplication::translate("TarnTool::DeviceModifyPage", "The password can not be empty.");
        return false;
    }
    return true;
}

} // namespace TarnCli
