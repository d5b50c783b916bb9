#include "cli/commands.h"

#include <QCommandLineParser>
#include <QFile>

#include "cli/batchjournal.h"
#include "cli/devicescan.h"
#include "cli/netplan.h"
#include "cli/secretinput.h"
#include "common/secretbytes.h"
#include "discovery/devicefields.h"
#include "discovery/devicesteps.h"

namespace TarnCli {

int SetNetCommand::run(const QStringList &arguments)
{
    QCommandLineParser parser;
    parser.setApplicationDescription(tr("Changes the network settings of devices: from a plan file, or "
                                        "consecutive addresses from a start address."));
    const QCommandLineOption plan(QStringLiteral("plan"), tr("The plan file (CSV)."), QStringLiteral("FILE"));
    const QCommandLineOption start(QStringLiteral("start-address"), tr("The first address."), QStringLiteral("ADDRESS"));
    const QCommandLineOption mask(QStringLiteral("mask"), tr("The subnet mask."), QStringLiteral("MASK"));
    const QCommandLineOption gateway(QStringLiteral("gateway"), tr("The gateway."), QStringLiteral("ADDRESS"));
    const QCommandLineOption serial(QStringLiteral("serial"), tr("A device, in address order; repeat for more."),
                                    QStringLiteral("SERIAL"));
    const QCommandLineOption passwordFile(QStringLiteral("password-file"),
                                          tr("The admin password's file, or - for standard input."), QStringLiteral("FILE"));
    const QCommandLineOption dryRun(QStringLiteral("dry-run"), tr("Shows what would change; sends nothing."));
    parser.addOptions({plan, start, mask, gateway, serial, passwordFile, dryRun});
    addJobsOption(parser);
    addUserOption(parser);
    const int parsed = parse(parser, QStringLiteral("set-net [options]"), arguments);
    if (parsed >= 0)
        return parsed;
    if ((m_jobs = jobs(parser)) < 0)
        return BadInput;

    const bool fromPlan = parser.isSet(plan);
    const bool fromStart = parser.isSet(start) || parser.isSet(mask) || parser.isSet(gateway);
    if (fromPlan == fromStart || (fromPlan && parser.isSet(serial))
        || (fromStart && (!parser.isSet(start) || !parser.isSet(mask) || !parser.isSet(gateway)
                          || !parser.isSet(serial)))) {
        complain(tr("Give --plan FILE, or --start-address, --mask, --gateway and --serial."));
        return BadInput;
    }
    QVector<PlanRow> rows;
    QStringList errors;
    QStringList wanted = parser.values(serial);
    if (fromPlan) {
        QFile file(parser.value(plan));
        if (!file.open(QIODevice::ReadOnly)) {
            complain(tr("The plan file %1 cannot be read: %2").arg(file.fileName(), file.errorString()));
            return BadInput;
        }
        // A pipe reports no size: one byte past the bound tells it is too large.
        const QByteArray text = file.read(NetPlan::MaxFileSize + 1);
        if (file.size() > NetPlan::MaxFileSize || text.size() > NetPlan::MaxFileSize) {
            complain(tr("The plan file %1 is too large.").arg(file.fileName()));
            return BadInput;
        }
        if (!NetPlan::parse(text, &rows, &errors)) {
            for (const QString &e : qAsConst(errors))
                complain(e);
            complain(tr("The plan is refused; nothing was sent."));
            return BadInput;
        }
        // Looking can stop early only when every row names its device by serial number.
        for (const PlanRow &row : qAsConst(rows)) {
            if (row.serial.isEmpty()) {
                wanted.clear();
                break;
            }
            wanted << row.serial;
        }
    }
    QByteArray password;
    if (!parser.isSet(dryRun)) {
        QString error;
        if (!SecretInput::read(parser.value(passwordFile), tr("Admin password: "), false, &password, &error)) {
            complain(error);
            return BadInput;
        }
        if (password.size() > PasswordMaxLength) {
            wipeSecret(password);
            complain(passwordRuleText());
            return BadInput;
        }
        // ONVIF devices are read with it, so that the plan can name them.
        useSiteCredentials(parser, password);
    } else if (parser.isSet(QStringLiteral("user"))) {
        complain(tr("--user needs the password too: give --password-file, or leave out --dry-run."));
        return BadInput;
    }
    // Addresses held by devices outside the plan are judged only once every device had its whole
    // answer window: the planned ones may all have answered before a late one that holds an address.
    if (!discover(parser, wanted, AnswerWindowMs)) {
        wipeSecret(password);
        return SomeFailed;
    }
    QVector<PlannedChange> changes;
    if (fromPlan) {
        changes = NetPlan::resolve(rows, m_scan->devices(), &errors);
    } else {
        QVector<TARN_DEVICE_INFO> devices;
        if (devicesNamed(wanted, &devices))
            changes = NetPlan::consecutive(parser.value(start), parser.value(mask), parser.value(gateway), devices,
                                           m_scan->devices(), &errors);
        else
            errors << QString();  // already told
    }
    if (!errors.isEmpty()) {
        wipeSecret(password);
        for (const QString &e : qAsConst(errors)) {
            if (!e.isEmpty())
                complain(e);
        }
        complain(tr("The plan is refused; nothing was sent."));
        return BadInput;
    }
    if (parser.isSet(dryRun)) {
        for (const PlannedChange &change : qAsConst(changes)) {
            const QString what = NetPlan::describe(change);
            print(QStringLiteral("%1  %2\n").arg(TARN::serialOf(change.device),
                                                 what.isEmpty() ? tr("no change") : what));
        }
        complain(tr("Dry run: nothing was sent."));
        return AllDone;
    }
    BatchJournal journal;
    startJournal(QStringLiteral("set-net"), &journal);
    QSet<QString> batch;
    for (const PlannedChange &change : qAsConst(changes))
        batch.insert(QString::fromStdString(tarn::canonicalMac(TARN::macOf(change.device).toStdString())));
    QVector<TARN::BatchStep> steps;
    QVector<TARN_DEVICE_INFO> devices;
    for (const PlannedChange &change : qAsConst(changes)) {
        const QString address = change.params.dhcpEnabled ? TARN::fieldText(change.device.ipv4Address)
                                                          : TARN::fieldText(change.params.ipv4Address);
        TARN::BatchStep step = TARN::modifyStep(TARN::macOf(change.device), address, password, change.params);
        // A rerun after a batch that stopped half-way sends nothing to the devices already done.
        if (TARN::holdsNetParams(change.device, change.params))
            step.call = nullptr;
        else if (!change.params.dhcpEnabled)
            step.blocked = [this, address, batch] {
                const int holder = TARN::addressHolder(m_scan->devices(), address, batch);
                return holder < 0 ? QString()
                                  : tr("the address %1 is held now by the device %2, which the plan leaves alone")
                                        .arg(address, TARN::serialOf(m_scan->devices().at(holder)));
            };
        journal.planned(steps.size(), change.device, BatchJournal::describe(change.params));
        steps << step;
        devices << change.device;
    }
    const int code = runBatch(steps, devices, false, &journal);
    wipeSecret(password);
    return code;
}

} // namespace TarnCli
