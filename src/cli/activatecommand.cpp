#include "cli/commands.h"

#include <QCommandLineParser>

#include "cli/batchjournal.h"
#include "cli/devicescan.h"
#include "common/secretbytes.h"
#include "discovery/devicefields.h"
#include "discovery/devicesteps.h"

namespace TarnCli {

int ActivateCommand::run(const QStringList &arguments)
{
    QCommandLineParser parser;
    parser.setApplicationDescription(tr("Gives new devices their first admin password."));
    const QCommandLineOption serial(QStringLiteral("serial"), tr("A device to activate; repeat for more."),
                                    QStringLiteral("SERIAL"));
    const QCommandLineOption allNew(QStringLiteral("all-new"), tr("Every device found that is not activated."));
    const QCommandLineOption passwordFile(QStringLiteral("password-file"),
                                          tr("The new password's file, or - for standard input."), QStringLiteral("FILE"));
    parser.addOptions({serial, allNew, passwordFile});
    addJobsOption(parser);
    addUserOption(parser);
    const int parsed = parse(parser, QStringLiteral("activate [options]"), arguments);
    if (parsed >= 0)
        return parsed;
    if ((m_jobs = jobs(parser)) < 0)
        return BadInput;
    const QStringList serials = parser.values(serial);
    if (serials.isEmpty() == !parser.isSet(allNew)) {
        complain(tr("Name the devices with --serial, or give --all-new."));
        return BadInput;
    }
    QByteArray password;
    if (!newPassword(parser, &password))
        return BadInput;
    // An ONVIF device's first administrator gets this name.
    if (parser.isSet(QStringLiteral("user")))
        useSiteCredentials(parser, password);
    if (!discover(parser, serials)) {
        wipeSecret(password);
        return SomeFailed;
    }
    QVector<TARN_DEVICE_INFO> devices;
    bool ok = true;
    if (parser.isSet(allNew)) {
        for (const TARN_DEVICE_INFO &d : m_scan->devices()) {
            if (d.activationState == TARN_NOT_ACTIVATED)
                devices << d;
        }
    } else {
        ok = devicesNamed(serials, &devices);
        for (const TARN_DEVICE_INFO &d : qAsConst(devices)) {
            if (d.activationState != TARN_NOT_ACTIVATED) {
                complain(tr("The device %1 is already activated.").arg(TARN::serialOf(d)));
                ok = false;
            }
        }
    }
    if (!ok) {
        wipeSecret(password);
        return BadInput;
    }
    if (devices.isEmpty()) {
        wipeSecret(password);
        complain(tr("No device waits for activation."));
        return AllDone;
    }
    BatchJournal journal;
    startJournal(QStringLiteral("activate"), &journal);
    QVector<TARN::BatchStep> steps;
    for (const TARN_DEVICE_INFO &d : qAsConst(devices)) {
        journal.planned(steps.size(), d, {});
        steps << TARN::activateStep(TARN::serialOf(d), TARN::macOf(d), TARN::fieldText(d.ipv4Address), password);
    }
    // The steps hold copies that share the password's buffer: wiping it wipes them.
    const int code = runBatch(steps, devices, true, &journal);
    wipeSecret(password);
    return code;
}

} // namespace TarnCli
