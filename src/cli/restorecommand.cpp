#include "cli/commands.h"

#include <QCommandLineParser>

#include "common/secretbytes.h"
#include "discovery/tarnhandler.h"

namespace TarnCli {

int RestoreCommand::run(const QStringList &arguments)
{
    QCommandLineParser parser;
    parser.setApplicationDescription(tr("Restores a device's default password with the security code from its "
                                        "maker."));
    const QCommandLineOption code(QStringLiteral("code"), tr("The security code."), QStringLiteral("CODE"));
    parser.addOption(code);
    parser.addPositionalArgument(QStringLiteral("SERIAL"), tr("The device's serial number."));
    const int parsed = parse(parser, QStringLiteral("restore SERIAL [options]"), arguments);
    if (parsed >= 0)
        return parsed;
    const QStringList positional = parser.positionalArguments();
    QByteArray securityCode = parser.value(code).trimmed().toLatin1();
    if (positional.size() != 1 || securityCode.isEmpty()) {
        complain(tr("Give one serial number and --code CODE."));
        return BadInput;
    }
    const QString serialText = positional.first();
    int result = AllDone;
    TARN_DEVICE_INFO device{};
    if (!discover(parser, {serialText})) {
        result = SomeFailed;
    } else if (!deviceNamed(serialText, &device)) {
        result = BadInput;
    } else if (!m_handler->resetDefaultPasswd(serialText.toLatin1(), securityCode)) {
        complain(QCoreApplication::translate("TarnTool::RestorePasswordDialog", "Restore password failed.")
                 + QStringLiteral(" (") + errorText(m_handler->getLastError()) + QLatin1Char(')'));
        result = SomeFailed;
    } else {
        complain(QCoreApplication::translate("TarnTool::RestorePasswordDialog", "Restore password succeed."));
    }
    wipeSecret(securityCode);
    return result;
}

} // namespace TarnCli
