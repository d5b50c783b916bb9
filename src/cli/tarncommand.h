#pragma once

#include <cstdio>

#include "cli/command.h"

namespace TarnCli {

// The command line `tarn`: discovery for scripts and the window's device operations without the
// window, on the same libraries and rules. Data goes to standard output, progress and messages to
// standard error. This picks the command by the first argument and hands the rest to it.
class TarnCommand : public Command
{
    Q_DECLARE_TR_FUNCTIONS(TarnCli::TarnCommand)

public:
    explicit TarnCommand(FILE *out = stdout, FILE *err = stderr);

    // `arguments` as QCoreApplication::arguments() gives them, the program first.
    int run(const QStringList &arguments) override;

    // The top-level help: the commands, the exit codes and a plan file.
    static QString overview();
};

} // namespace TarnCli
