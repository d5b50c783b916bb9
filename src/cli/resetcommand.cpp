#include "cli/commands.h"

#include <QCommandLineParser>
#include <QFile>
#include <QTemporaryDir>

#include "common/secretbytes.h"
#include "discovery/tarnhandler.h"
#include "recovery/recoverysteps.h"

namespace TarnCli {

int ResetCommand::run(const QStringList &arguments)
{
    QCommandLineParser parser;
    parser.setApplicationDescription(tr("Gives a device a new admin password with the key its maker sent."));
    const QCommandLineOption key(QStringLiteral("key"), tr("The maker's key file."), QStringLiteral("FILE"));
    const QCommandLineOption passwordFile(QStringLiteral("password-file"),
                                          tr("The new password's file, or - for standard input."), QStringLiteral("FILE"));
    const QCommandLineOption cameras(QStringLiteral("reset-cameras"),
                                     tr("Also resets the password of the cameras on a recorder's channels."));
    parser.addOptions({key, passwordFile, cameras});
    parser.addPositionalArgument(QStringLiteral("SERIAL"), tr("The device's serial number."));
    const int parsed = parse(parser, QStringLiteral("reset SERIAL [options]"), arguments);
    if (parsed >= 0)
        return parsed;
    const QStringList positional = parser.positionalArguments();
    if (positional.size() != 1 || !parser.isSet(key)) {
        complain(tr("Give one serial number and --key FILE."));
        return BadInput;
    }
    const QString serialText = positional.first();
    QByteArray password;
    if (!newPassword(parser, &password))
        return BadInput;
    if (password.size() > int(sizeof(TARN_RESET_PARAM::password))) {
        wipeSecret(password);
        complain(QCoreApplication::translate("TarnTool::ResetPasswordDialog",
                                             "The device cannot take this password: it is too long, or it holds "
                                             "characters the device does not know."));
        return BadInput;
    }
    // The library reads the key from a copy of its own, readable by this user only, removed after.
    QTemporaryDir folder;
    const QString copy = folder.filePath(QStringLiteral("copy.xml"));
    QString why;
    const TarnTool::Recovery::KeyFileResult prepared = folder.isValid()
        ? TarnTool::Recovery::prepareKeyFile(parser.value(key), copy, &why)
        : TarnTool::Recovery::KeyFileResult::TargetUnwritable;
    if (prepared != TarnTool::Recovery::KeyFileResult::Ok) {
        wipeSecret(password);
        complain(prepared == TarnTool::Recovery::KeyFileResult::SourceUnreadable
                     ? QCoreApplication::translate("TarnTool::ResetPasswordDialog", "The key file cannot be read.")
                     : QCoreApplication::translate("TarnTool::ResetPasswordDialog",
                                                   "The key file cannot be copied to the data folder."));
        return BadInput;
    }
    int code = AllDone;
    if (!discover(parser, {serialText})) {
        code = SomeFailed;
    } else {
        TARN_DEVICE_INFO device{};
        if (!deviceNamed(serialText, &device)) {
            code = BadInput;
        } else if (parser.isSet(cameras) && !(device.capabilityFlags & TARN_CAP_RESET_OPTION)) {
            complain(tr("The device %1 has no cameras to reset with it.").arg(serialText));
            code = BadInput;
        } else {
            TARN_RESET_PARAM request;
            const TarnTool::Recovery::FillResult filled = TarnTool::Recovery::fillResetParam(
                request, QByteArray(), QFile::encodeName(copy), password, parser.isSet(cameras));
            if (filled != TarnTool::Recovery::FillResult::Ok) {
                complain(QCoreApplication::translate("TarnTool::ResetPasswordDialog",
                                                     "The key file cannot be copied to the data folder."));
                code = BadInput;
            } else if (!m_handler->resetPasswd(serialText.toLatin1(), request)) {
                complain(QCoreApplication::translate("TarnTool::ResetPasswordDialog", "Reset password failed.")
                         + QStringLiteral(" (") + errorText(m_handler->getLastError()) + QLatin1Char(')'));
                code = SomeFailed;
            } else {
                complain(QCoreApplication::translate("TarnTool::ResetPasswordDialog", "Reset password Succeed."));
            }
            TarnTool::Recovery::wipe(request);
        }
    }
    wipeSecret(password);
    // The copy holds the key: it is not left behind, whatever the outcome.
    QFile::remove(copy);
    return code;
}

} // namespace TarnCli
