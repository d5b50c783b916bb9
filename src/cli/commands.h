#pragma once

#include "cli/command.h"

// The commands of `tarn`, each in a file of its own (listcommand.cpp, ...). Their texts share one
// translation context with the rest of the command line.
namespace TarnCli {

// The devices found, as a table, JSON or CSV.
class ListCommand : public Command
{
    Q_DECLARE_TR_FUNCTIONS(TarnCli::TarnCommand)

public:
    using Command::Command;
    int run(const QStringList &arguments) override;
};

// First admin passwords.
class ActivateCommand : public Command
{
    Q_DECLARE_TR_FUNCTIONS(TarnCli::TarnCommand)

public:
    using Command::Command;
    int run(const QStringList &arguments) override;
};

// Network settings from a plan or a start address.
class SetNetCommand : public Command
{
    Q_DECLARE_TR_FUNCTIONS(TarnCli::TarnCommand)

public:
    using Command::Command;
    int run(const QStringList &arguments) override;
};

// A device's key request for its maker.
class KeyRequestCommand : public Command
{
    Q_DECLARE_TR_FUNCTIONS(TarnCli::TarnCommand)

public:
    using Command::Command;
    int run(const QStringList &arguments) override;
};

// A new admin password with the maker's key.
class ResetCommand : public Command
{
    Q_DECLARE_TR_FUNCTIONS(TarnCli::TarnCommand)

public:
    using Command::Command;
    int run(const QStringList &arguments) override;
};

// The default password with a security code.
class RestoreCommand : public Command
{
    Q_DECLARE_TR_FUNCTIONS(TarnCli::TarnCommand)

public:
    using Command::Command;
    int run(const QStringList &arguments) override;
};

// The device list as a file.
class ExportCommand : public Command
{
    Q_DECLARE_TR_FUNCTIONS(TarnCli::TarnCommand)

public:
    using Command::Command;
    int run(const QStringList &arguments) override;
};

} // namespace TarnCli
