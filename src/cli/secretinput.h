#pragma once

#include <QByteArray>
#include <QCoreApplication>
#include <QString>

namespace TarnCli {

// Passwords never come from the command line, where every user of the machine can read them in
// the process list: they come from a file, from standard input, or from a prompt that does not
// echo. The bytes are what the device gets: the text's Latin-1 form; a character outside Latin-1
// is refused rather than sent as a substitute.
class SecretInput
{
    Q_DECLARE_TR_FUNCTIONS(TarnCli::SecretInput)

public:
    // `source` is a file name, "-" for standard input, or empty for a prompt on the terminal
    // (asked twice when `confirm`). The first line is the password; its line end is not part of it.
    // False with the reason in `error`.
    static bool read(const QString &source, const QString &prompt, bool confirm, QByteArray *password,
                     QString *error);

    // The first line of `raw` as Latin-1 bytes; false when it holds a character outside Latin-1.
    static bool firstLine(const QByteArray &raw, QByteArray *password);
};

} // namespace TarnCli
