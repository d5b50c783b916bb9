#include "cli/tarncommand.h"

#include "cli/commands.h"

namespace TarnCli {

TarnCommand::TarnCommand(FILE *out, FILE *err)
    : Command(out, err)
{
}

QString TarnCommand::overview()
{
    return tr("Usage: tarn COMMAND [options]\n"
              "Finds the cameras and recorders on the local network and configures them.\n"
              "\n"
              "Commands:\n"
              "  list [--wait SECONDS] [--json | --csv]     the devices found\n"
              "  activate (--serial S... | --all-new) --password-file FILE\n"
              "                                             gives new devices their admin password\n"
              "  set-net --plan FILE.csv [--dry-run]        applies a network plan\n"
              "  set-net --start-address A --mask M --gateway G --serial S... [--dry-run]\n"
              "                                             consecutive addresses, as in the window\n"
              "  key-request SERIAL (-o FILE | --qr)        the key request for the device maker\n"
              "  reset SERIAL --key FILE --password-file FILE\n"
              "                                             a new admin password with the maker's key\n"
              "  restore SERIAL --code CODE                 the default password with a security code\n"
              "  export -o FILE.csv|FILE.xls                the device list as a file\n"
              "\n"
              "Every command takes --iface NAME (the interfaces to use, comma-separated) and --wait\n"
              "SECONDS (how long to look for devices at most, default 10); tarn COMMAND --help tells more.\n"
              "Passwords are read from a file (--password-file FILE), from standard input\n"
              "(--password-file -), or asked for without echo; never from the command line.\n"
              "\n"
              "A plan file has a header line and one row per device, named by serial or mac;\n"
              "an empty cell keeps what the device holds:\n"
              "  serial,ip,mask,gateway,port\n"
              "  TN011095845-0,10.1.0.11,255.255.255.0,10.1.0.1,8000\n"
              "  TN013994432-1,10.1.0.12,255.255.255.0,10.1.0.1,\n"
              "Other columns: mac, http_port, dhcp (on/off), ipv6, ipv6_gateway, ipv6_prefix.\n"
              "The whole plan is checked before anything is sent.\n"
              "\n"
              "Exit codes:\n"
              "  0  all done\n"
              "  1  some devices failed, whether they took the change is unknown, or discovery\n"
              "     could not start\n"
              "  2  bad input (arguments, plan, password, a device not found): nothing was sent\n");
}
int TarnCommand::run(const QStringList &arguments)
{
    const QString command = arguments.value(1);
    const QStringList rest = QStringList{arguments.value(0)} + arguments.mid(2);
    if (command.isEmpty() || command == QLatin1String("--help") || command == QLatin1String("-h")
        || command == QLatin1String("help")) {
        if (command.isEmpty()) {
            // A usage error: the help goes where errors go, so a script's output stays clean.
            std::fputs(overview().toUtf8().constData(), m_err);
            return BadInput;
        }
        print(overview());
        return AllDone;
    }
    if (command == QLatin1String("list"))
        return ListCommand(m_out, m_err).run(rest);
    if (command == QLatin1String("activate"))
        return ActivateCommand(m_out, m_err).run(rest);
    if (command == QLatin1String("set-net"))
        return SetNetCommand(m_out, m_err).run(rest);
    if (command == QLatin1String("key-request"))
        return KeyRequestCommand(m_out, m_err).run(rest);
    if (command == QLatin1String("reset"))
        return ResetCommand(m_out, m_err).run(rest);
    if (command == QLatin1String("restore"))
        return RestoreCommand(m_out, m_err).run(rest);
    if (command == QLatin1String("export"))
        return ExportCommand(m_out, m_err).run(rest);
    complain(tr("Unknown command \"%1\"; tarn --help lists the commands.").arg(command));
    return BadInput;
}

} // namespace TarnCli
