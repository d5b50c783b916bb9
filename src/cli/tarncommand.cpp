#include "cli/tarncommand.h"

#include <algorithm>
#include <csignal>
#include <iterator>

#include <signal.h>

#include <QCommandLineParser>
#include <QDateTime>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QImage>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QTemporaryDir>
#include <QTimer>

#include "cli/devicescan.h"
#include "cli/netplan.h"
#include "cli/progressline.h"
#include "cli/secretinput.h"
#include "common/passwordrule.h"
#include "common/secretbytes.h"
#include "devicelist/cipstandarditem.h"
#include "devicelist/deviceinfomodel.h"
#include "discovery/devicefields.h"
#include "discovery/devicesteps.h"
#include "discovery/tarnhandler.h"
#include "export/csvwriter.h"
#include "export/excelmanager.h"
#include "qrencode/qtqrencode.h"
#include "recovery/recoverysteps.h"

namespace TarnCli {

namespace {

constexpr int DefaultWaitSeconds = 3;

// Set by Ctrl-C during a batch; the handler may do nothing else.
volatile std::sig_atomic_t g_interrupted = 0;

extern "C" void onInterrupt(int)
{
    g_interrupted = 1;
}
constexpr int MaxWaitSeconds = 3600;

// Terminal columns a text takes: East Asian wide characters take two.
int displayWidth(const QString &text)
{
    int width = 0;
    for (const QChar ch : text) {
        const ushort u = ch.unicode();
        width += (u >= 0x1100 && (u <= 0x115F || (u >= 0x2E80 && u <= 0xA4CF) || (u >= 0xAC00 && u <= 0xD7A3)
                                  || (u >= 0xF900 && u <= 0xFAFF) || (u >= 0xFE30 && u <= 0xFE4F)
                                  || (u >= 0xFF00 && u <= 0xFF60) || (u >= 0xFFE0 && u <= 0xFFE6)))
            ? 2 : 1;
    }
    return width;
}

QString padded(const QString &text, int width)
{
    return text + QString(qMax(0, width - displayWidth(text)), QLatin1Char(' '));
}

// Devices in the order of their addresses, as the window's table sorts them.
QVector<TARN_DEVICE_INFO> byAddress(QVector<TARN_DEVICE_INFO> devices)
{
    std::stable_sort(devices.begin(), devices.end(), [](const TARN_DEVICE_INFO &a, const TARN_DEVICE_INFO &b) {
        return aptui::CIpStandardItem::sortKey(TARN::fieldText(a.ipv4Address))
            < aptui::CIpStandardItem::sortKey(TARN::fieldText(b.ipv4Address));
    });
    return devices;
}

QJsonObject deviceJson(const TARN_DEVICE_INFO &d)
{
    using TARN::fieldText;
    return QJsonObject{
        {QStringLiteral("serial"), fieldText(d.serialNumber)},
        {QStringLiteral("mac"), fieldText(d.macAddress)},
        {QStringLiteral("type"), fieldText(d.deviceTypeName)},
        {QStringLiteral("activated"), d.activationState != TARN_NOT_ACTIVATED},
        {QStringLiteral("ip"), fieldText(d.ipv4Address)},
        {QStringLiteral("mask"), fieldText(d.ipv4SubnetMask)},
        {QStringLiteral("gateway"), fieldText(d.ipv4Gateway)},
        {QStringLiteral("dhcp"), d.dhcpEnabled == 1},
        {QStringLiteral("port"), d.port},
        {QStringLiteral("http_port"), int(d.httpPort)},
        {QStringLiteral("ipv6"), fieldText(d.ipv6Address)},
        {QStringLiteral("ipv6_gateway"), fieldText(d.ipv6Gateway)},
        {QStringLiteral("ipv6_prefix"), int(d.ipv6PrefixLength)},
        {QStringLiteral("channels"), d.channelCount},
        {QStringLiteral("software_version"), fieldText(d.softwareVersion)},
        {QStringLiteral("dsp_version"), fieldText(d.dspVersion)},
        {QStringLiteral("start_time"), fieldText(d.startTime)},
        {QStringLiteral("supports_dhcp"), bool(d.capabilityFlags & TARN_CAP_DHCP)},
        {QStringLiteral("supports_ipv6"), bool(d.capabilityFlags & TARN_CAP_MODIFY_IPV6)},
    };
}

const char *const kCsvKeys[] = {"serial", "mac", "type", "activated", "ip", "mask", "gateway", "dhcp", "port",
                                "http_port", "ipv6", "ipv6_gateway", "ipv6_prefix", "channels",
                                "software_version", "dsp_version", "start_time", "supports_dhcp", "supports_ipv6"};

QString keyList()
{
    QStringList keys;
    for (const char *key : kCsvKeys)
        keys << QLatin1String(key);
    return keys.join(QStringLiteral(", "));
}

QString csvValue(const QJsonValue &value)
{
    if (value.isBool())
        return value.toBool() ? QStringLiteral("yes") : QStringLiteral("no");
    if (value.isDouble())
        return QString::number(value.toInt());
    return value.toString();
}

// The QR code in text: two module rows per line in half blocks, light modules drawn, as a dark
// terminal shows it best; the image's white quiet zone frames it.
QString qrText(const QImage &image)
{
    QString text;
    auto light = [&image](int x, int y) { return y >= image.height() || qGray(image.pixel(x, y)) > 127; };
    for (int y = 0; y < image.height(); y += 2) {
        for (int x = 0; x < image.width(); ++x) {
            const bool top = light(x, y), bottom = light(x, y + 1);
            text += top && bottom ? QChar(0x2588) : top ? QChar(0x2580) : bottom ? QChar(0x2584) : QLatin1Char(' ');
        }
        text += QLatin1Char('\n');
    }
    return text;
}

} // namespace

TarnCommand::TarnCommand(FILE *out, FILE *err)
    : m_out(out)
    , m_err(err)
{
}

TarnCommand::~TarnCommand() = default;

void TarnCommand::print(const QString &text)
{
    std::fputs(text.toUtf8().constData(), m_out);
    std::fflush(m_out);
}

void TarnCommand::complain(const QString &text)
{
    std::fprintf(m_err, "tarn: %s\n", text.toUtf8().constData());
    std::fflush(m_err);
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
              "SECONDS (how long to look for devices, default 3); tarn COMMAND --help tells more.\n"
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
        return list(rest);
    if (command == QLatin1String("activate"))
        return activate(rest);
    if (command == QLatin1String("set-net"))
        return setNet(rest);
    if (command == QLatin1String("key-request"))
        return keyRequest(rest);
    if (command == QLatin1String("reset"))
        return reset(rest);
    if (command == QLatin1String("restore"))
        return restore(rest);
    if (command == QLatin1String("export"))
        return exportList(rest);
    complain(tr("Unknown command \"%1\"; tarn --help lists the commands.").arg(command));
    return BadInput;
}

int TarnCommand::parse(QCommandLineParser &parser, const QString &synopsis, const QStringList &arguments)
{
    parser.setSingleDashWordOptionMode(QCommandLineParser::ParseAsLongOptions);
    parser.addOption(QCommandLineOption(QStringLiteral("iface"),
                                        tr("Interfaces to look for devices on, comma-separated."), QStringLiteral("NAME")));
    parser.addOption(QCommandLineOption(QStringLiteral("wait"),
                                        tr("Seconds to look for devices (default %1).").arg(DefaultWaitSeconds),
                                        QStringLiteral("SECONDS")));
    const QCommandLineOption help = parser.addHelpOption();
    if (!parser.parse(arguments)) {
        complain(parser.errorText());
        return BadInput;
    }
    if (parser.isSet(help)) {
        // Qt's first line names the program as it was started and knows no commands: ours replaces it.
        QString text = parser.helpText();
        text.replace(0, text.indexOf(QLatin1Char('\n')), tr("Usage: tarn %1").arg(synopsis));
        print(text + QLatin1Char('\n') + tr("Exit codes: 0 all done, 1 some devices failed, 2 bad input.")
              + QLatin1Char('\n'));
        return AllDone;
    }
    if (parser.isSet(QStringLiteral("wait"))) {
        bool ok = false;
        const int seconds = parser.value(QStringLiteral("wait")).toInt(&ok);
        if (!ok || seconds < 1 || seconds > MaxWaitSeconds) {
            complain(tr("--wait takes whole seconds from 1 to %1.").arg(MaxWaitSeconds));
            return BadInput;
        }
    }
    return -1;
}

bool TarnCommand::discover(const QCommandLineParser &parser, const QStringList &wanted)
{
    if (parser.isSet(QStringLiteral("iface")))
        qputenv("TARN_IFACES", parser.value(QStringLiteral("iface")).toLocal8Bit());
    m_handler.reset(new TARN::TarnHandler);
    m_handler->setLogToFile(nullptr, TARN_LOG_ERROR, 0);
    m_scan.reset(new DeviceScan(m_handler.get()));
    if (!m_handler->start()) {
        complain(tr("Discovery cannot start (error %1): is the interface there?").arg(m_handler->getLastError()));
        return false;
    }
    const int seconds = parser.isSet(QStringLiteral("wait")) ? parser.value(QStringLiteral("wait")).toInt()
                                                             : DefaultWaitSeconds;
    DeviceScan *scan = m_scan.get();
    std::function<bool()> enough;
    if (!wanted.isEmpty()) {
        enough = [scan, wanted] {
            for (const QString &serial : wanted) {
                if (scan->findSerial(serial) < 0)
                    return false;
            }
            return true;
        };
    }
    m_scan->wait(seconds * 1000, enough);
    return true;
}

bool TarnCommand::deviceNamed(const QString &serial, TARN_DEVICE_INFO *device)
{
    const int i = m_scan->findSerial(serial);
    if (i < 0) {
        complain(tr("No device with the serial number %1 was found.").arg(serial));
        return false;
    }
    *device = m_scan->devices().at(i);
    return true;
}

bool TarnCommand::devicesNamed(const QStringList &serials, QVector<TARN_DEVICE_INFO> *devices)
{
    bool ok = true;
    for (const QString &serial : serials) {
        TARN_DEVICE_INFO device{};
        if (!deviceNamed(serial, &device)) {
            ok = false;
        } else if (std::any_of(devices->cbegin(), devices->cend(),
                               [&device](const TARN_DEVICE_INFO &d) { return TARN::sameIdentity(d, device); })) {
            complain(tr("The serial number %1 is given twice.").arg(serial));
            ok = false;
        } else {
            devices->append(device);
        }
    }
    return ok;
}

bool TarnCommand::newPassword(const QCommandLineParser &parser, QByteArray *password)
{
    QString error;
    if (!SecretInput::read(parser.value(QStringLiteral("password-file")), tr("New admin password: "), true, password,
                           &error)) {
        complain(error);
        return false;
    }
    if (getPasswordLevel(QByteArrayLiteral("admin"), *password) == 0) {
        wipeSecret(*password);
        complain(QCoreApplication::translate(
            "TarnTool::DeviceModifyPage",
            "Valid password range [8-16]. You can use a combination of numbers,lowercase, uppercase and special "
            "character for your password with at least two kinds of them contained."));
        return false;
    }
    return true;
}

QString TarnCommand::errorText(int code)
{
    switch (code) {
    case TARN_ERR_DENIED:
        return tr("the device refused the password");
    case TARN_ERR_LOCKED:
        return tr("the device is locked after wrong passwords");
    case TARN_ERR_TIMEOUT:
        return tr("no answer");
    case TARN_ERR_INVALID_PARAM:
        return tr("the device refused the values");
    case TARN_ERR_NOT_ACTIVATED:
        return tr("the device is not activated");
    case TARN_ERR_ALREADY_ACTIVATED:
        return tr("the device is already activated");
    case TARN_ERR_KEY_MISMATCH:
        return tr("the device's key is not the one first seen for it");
    case TARN_ERR_KEY_REFUSED:
        return tr("the key is not the maker's answer to this device's request");
    case TARN_ERR_REQUEST_EXPIRED:
        return tr("the key request has expired: make a new one");
    case TARN_ERR_NO_REQUEST:
        return tr("no open key request: it was used, or a newer one replaced it");
    case TARN_ERR_KEY_FILE:
        return tr("the key file holds no key");
    case TARN_ERR_NOT_SUPPORTED:
        return tr("the device does not support this");
    default:
        return tr("error %1").arg(code);
    }
}

int TarnCommand::runBatch(const QVector<TARN::BatchStep> &steps, const QVector<TARN_DEVICE_INFO> &devices,
                          bool activation)
{
    TARN::BatchRunner runner(m_handler.get());
    ProgressLine progress(m_err);
    QObject::connect(&runner, &TARN::BatchRunner::progress, &runner,
                     [&progress](int position, int total, const QString &address) {
                         progress.step(position, total, address);
                     });
    // Ctrl-C stops after the current device, so no device is left half-way and every one is
    // reported; a second Ctrl-C ends the program at once.
    struct sigaction action {}, saved {};
    action.sa_handler = onInterrupt;
    action.sa_flags = SA_RESETHAND;
    sigemptyset(&action.sa_mask);
    g_interrupted = 0;
    sigaction(SIGINT, &action, &saved);
    QTimer watch;
    QObject::connect(&watch, &QTimer::timeout, &runner, [this, &runner, &progress, &watch] {
        if (!g_interrupted)
            return;
        watch.stop();
        runner.stop();
        progress.finish();
        complain(tr("Stopping after the current device."));
    });
    watch.start(100);
    const QVector<TARN::StepResult> results = runner.run(steps);
    watch.stop();
    sigaction(SIGINT, &saved, nullptr);
    progress.finish();

    int done = 0;
    QStringList lines;
    int serialWidth = 0, addressWidth = 0;
    for (int i = 0; i < steps.size(); ++i) {
        serialWidth = qMax(serialWidth, TARN::serialOf(devices.at(i)).size());
        addressWidth = qMax(addressWidth, steps.at(i).address.size());
    }
    for (int i = 0; i < steps.size(); ++i) {
        const TARN::StepResult &r = results.at(i);
        QString outcome;
        switch (r.outcome) {
        case TARN::StepResult::Done:
            outcome = activation ? tr("activated") : tr("changed");
            ++done;
            break;
        case TARN::StepResult::Failed:
            outcome = (activation ? tr("not activated") : tr("not changed")) + QStringLiteral(" (")
                + errorText(r.error) + QLatin1Char(')');
            break;
        case TARN::StepResult::Unknown:
            outcome = tr("unknown (no answer, and the device has not announced itself since)");
            break;
        case TARN::StepResult::NotRun:
            outcome = (activation ? tr("not activated") : tr("not changed")) + QStringLiteral(" (")
                + tr("stopped") + QLatin1Char(')');
            break;
        }
        print(padded(TARN::serialOf(devices.at(i)), serialWidth) + QStringLiteral("  ")
              + padded(steps.at(i).address, addressWidth) + QStringLiteral("  ") + outcome + QLatin1Char('\n'));
    }
    complain(tr("%1 of %2 devices done.").arg(done).arg(steps.size()));
    return done == steps.size() ? AllDone : SomeFailed;
}

int TarnCommand::list(const QStringList &arguments)
{
    QCommandLineParser parser;
    parser.setApplicationDescription(
        tr("Lists the devices found: a table, or JSON or CSV for scripts, in the order of their addresses. "
           "JSON objects and CSV columns: %1.")
            .arg(keyList()));
    const QCommandLineOption json(QStringLiteral("json"), tr("One JSON array of devices."));
    const QCommandLineOption csv(QStringLiteral("csv"), tr("Comma-separated values with a header line."));
    parser.addOptions({json, csv});
    const int parsed = parse(parser, QStringLiteral("list [options]"), arguments);
    if (parsed >= 0)
        return parsed;
    if (parser.isSet(json) && parser.isSet(csv)) {
        complain(tr("Give --json or --csv, not both."));
        return BadInput;
    }
    if (!discover(parser))
        return SomeFailed;
    const QVector<TARN_DEVICE_INFO> devices = byAddress(m_scan->devices());

    if (parser.isSet(json)) {
        QJsonArray array;
        for (const TARN_DEVICE_INFO &d : devices)
            array << deviceJson(d);
        print(QString::fromUtf8(QJsonDocument(array).toJson(QJsonDocument::Indented)));
        return AllDone;
    }
    if (parser.isSet(csv)) {
        QStringList header;
        for (const char *key : kCsvKeys)
            header << QLatin1String(key);
        QString text = header.join(QLatin1Char(',')) + QLatin1Char('\n');
        for (const TARN_DEVICE_INFO &d : devices) {
            const QJsonObject object = deviceJson(d);
            QStringList fields;
            for (const char *key : kCsvKeys)
                fields << TarnTool::CsvWriter::field(csvValue(object.value(QLatin1String(key))));
            text += fields.join(QLatin1Char(',')) + QLatin1Char('\n');
        }
        print(text);
        return AllDone;
    }

    // The table speaks the window's words: its own header and cell texts.
    TarnTool::DeviceInfoModel model;
    for (const TARN_DEVICE_INFO &d : devices)
        model.addDevice(&d);
    using M = TarnTool::DeviceInfoModel;
    const int ids[] = {M::IdIPv4Address, M::IdSerialNumber, M::IdMac, M::IdDeviceType, M::IdActivate,
                       M::IdPort, M::IdHttpPort, M::IdSoftVersion};
    QVector<QStringList> rows(model.rowCount() + 1);
    for (const int id : ids) {
        const int column = model.columnOf(id);
        rows[0] << model.headerData(column, Qt::Horizontal).toString();
        for (int r = 0; r < model.rowCount(); ++r)
            rows[r + 1] << model.data(model.index(r, column)).toString();
    }
    QVector<int> widths(int(std::size(ids)), 0);
    for (const QStringList &row : qAsConst(rows)) {
        for (int c = 0; c < row.size(); ++c)
            widths[c] = qMax(widths[c], displayWidth(row.at(c)));
    }
    QString text;
    for (const QStringList &row : qAsConst(rows)) {
        QString line;
        for (int c = 0; c < row.size(); ++c)
            line += c + 1 < row.size() ? padded(row.at(c), widths.at(c) + 2) : row.at(c);
        text += line + QLatin1Char('\n');
    }
    print(text);
    complain(tr("%n device(s) found.", nullptr, devices.size()));
    return AllDone;
}

int TarnCommand::activate(const QStringList &arguments)
{
    QCommandLineParser parser;
    parser.setApplicationDescription(tr("Gives new devices their first admin password."));
    const QCommandLineOption serial(QStringLiteral("serial"), tr("A device to activate; repeat for more."),
                                    QStringLiteral("SERIAL"));
    const QCommandLineOption allNew(QStringLiteral("all-new"), tr("Every device found that is not activated."));
    const QCommandLineOption passwordFile(QStringLiteral("password-file"),
                                          tr("The new password's file, or - for standard input."), QStringLiteral("FILE"));
    parser.addOptions({serial, allNew, passwordFile});
    const int parsed = parse(parser, QStringLiteral("activate [options]"), arguments);
    if (parsed >= 0)
        return parsed;
    const QStringList serials = parser.values(serial);
    if (serials.isEmpty() == !parser.isSet(allNew)) {
        complain(tr("Name the devices with --serial, or give --all-new."));
        return BadInput;
    }
    QByteArray password;
    if (!newPassword(parser, &password))
        return BadInput;
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
    QVector<TARN::BatchStep> steps;
    for (const TARN_DEVICE_INFO &d : qAsConst(devices))
        steps << TARN::activateStep(TARN::serialOf(d), TARN::macOf(d), TARN::fieldText(d.ipv4Address), password);
    // The steps hold copies that share the password's buffer: wiping it wipes them.
    const int code = runBatch(steps, devices, true);
    wipeSecret(password);
    return code;
}

int TarnCommand::setNet(const QStringList &arguments)
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
    const int parsed = parse(parser, QStringLiteral("set-net [options]"), arguments);
    if (parsed >= 0)
        return parsed;

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
        if (file.size() > NetPlan::MaxFileSize) {
            complain(tr("The plan file %1 is too large.").arg(file.fileName()));
            return BadInput;
        }
        if (!NetPlan::parse(file.read(NetPlan::MaxFileSize), &rows, &errors)) {
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
    }
    if (!discover(parser, wanted)) {
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
                                           &errors);
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
    QVector<TARN::BatchStep> steps;
    QVector<TARN_DEVICE_INFO> devices;
    for (const PlannedChange &change : qAsConst(changes)) {
        const QString address = change.params.dhcpEnabled ? TARN::fieldText(change.device.ipv4Address)
                                                          : TARN::fieldText(change.params.ipv4Address);
        steps << TARN::modifyStep(TARN::macOf(change.device), address, password, change.params);
        devices << change.device;
    }
    const int code = runBatch(steps, devices, false);
    wipeSecret(password);
    return code;
}

int TarnCommand::keyRequest(const QStringList &arguments)
{
    QCommandLineParser parser;
    parser.setApplicationDescription(tr("Exports a device's key request for the device maker, who answers it "
                                        "with a key for tarn reset."));
    const QCommandLineOption output(QStringList{QStringLiteral("o"), QStringLiteral("output")},
                                    tr("The request file, or a folder to write it into under its usual name."),
                                    QStringLiteral("FILE"));
    const QCommandLineOption qr(QStringLiteral("qr"), tr("Prints the request as a QR code on the terminal."));
    parser.addOptions({output, qr});
    parser.addPositionalArgument(QStringLiteral("SERIAL"), tr("The device's serial number."));
    const int parsed = parse(parser, QStringLiteral("key-request SERIAL [options]"),
                             arguments);
    if (parsed >= 0)
        return parsed;
    const QStringList positional = parser.positionalArguments();
    if (positional.size() != 1 || (!parser.isSet(output) && !parser.isSet(qr))) {
        complain(tr("Give one serial number, and -o FILE or --qr."));
        return BadInput;
    }
    const QString serialText = positional.first();
    if (!discover(parser, {serialText}))
        return SomeFailed;
    TARN_DEVICE_INFO device{};
    if (!deviceNamed(serialText, &device))
        return BadInput;
    if (!(device.capabilityFlags & TARN_CAP_KEY_RESET)) {
        complain(tr("The device %1 takes no key: reset it with a security code (tarn restore).").arg(serialText));
        return BadInput;
    }
    const bool supportsQr = device.extraFlags & 0x01;
    if (parser.isSet(qr) && !supportsQr) {
        complain(tr("The device %1 cannot give its key request as a QR code; use -o FILE.").arg(serialText));
        return BadInput;
    }
    // The same form the window exports: the text form where the device has one, since the maker's
    // answer then also works from a photographed QR code.
    const unsigned kind = supportsQr ? TARN_CONFIG_KEY_REQUEST_QR : TARN_CONFIG_KEY_REQUEST;
    QByteArray buffer(TarnTool::Recovery::requestBufferSize(kind), '\0');
    const QByteArray serial = serialText.toLatin1();
    if (!m_handler->getDeviceConfig(serial, kind, nullptr, 0, buffer.data(), unsigned(buffer.size()))) {
        complain(tr("The device did not give its key request: %1.").arg(errorText(m_handler->getLastError())));
        return SomeFailed;
    }
    if (parser.isSet(output)) {
        QString path = parser.value(output);
        if (QFileInfo(path).isDir())
            path = QDir(path).filePath(TarnTool::Recovery::requestFileName(serialText, QDateTime::currentDateTime()));
        QString why;
        if (!TarnTool::Recovery::writeRequestFile(path, TarnTool::Recovery::requestData(buffer, kind), &why)) {
            complain(tr("The key request file %1 cannot be written: %2").arg(path, why));
            return SomeFailed;
        }
        complain(tr("Key request written to %1.").arg(path));
    }
    if (parser.isSet(qr)) {
        QtQrEncode encoder;
        if (!encoder.setString(QString::fromLatin1(TarnTool::Recovery::requestText(buffer)))) {
            complain(tr("The key request does not fit in a QR code."));
            return SomeFailed;
        }
        print(qrText(encoder.getQRCode(encoder.sizeFor(1))));
    }
    return AllDone;
}

int TarnCommand::reset(const QStringList &arguments)
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

int TarnCommand::restore(const QStringList &arguments)
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

int TarnCommand::exportList(const QStringList &arguments)
{
    QCommandLineParser parser;
    parser.setApplicationDescription(tr("Writes the devices found to a new file, as the window's export does."));
    const QCommandLineOption output(QStringList{QStringLiteral("o"), QStringLiteral("output")},
                                    tr("The new file: FILE.csv or FILE.xls."), QStringLiteral("FILE"));
    parser.addOption(output);
    const int parsed = parse(parser, QStringLiteral("export [options]"), arguments);
    if (parsed >= 0)
        return parsed;
    const QFileInfo file(parser.value(output));
    const QString suffix = file.suffix().toLower();
    if (!parser.isSet(output) || (suffix != QLatin1String("csv") && suffix != QLatin1String("xls"))) {
        complain(tr("Give -o FILE.csv or -o FILE.xls."));
        return BadInput;
    }
    if (file.exists()) {
        complain(tr("%1 exists already; it is not replaced.").arg(file.filePath()));
        return BadInput;
    }
    if (!file.absoluteDir().exists()) {
        complain(tr("The folder %1 does not exist.").arg(file.absolutePath()));
        return BadInput;
    }
    if (!discover(parser))
        return SomeFailed;
    TarnTool::DeviceInfoModel model;
    QVector<int> rows;
    for (const TARN_DEVICE_INFO &d : byAddress(m_scan->devices())) {
        rows << model.rowCount();
        model.addDevice(&d);
    }
    QString error;
    bool written = false;
    if (suffix == QLatin1String("csv")) {
        written = TarnTool::CsvWriter::write(file.absoluteFilePath(), model, rows, false, &error);
    } else {
        TarnTool::ExcelManager excel;
        written = excel.exportToExcel(file.completeBaseName(), file.absolutePath() + QLatin1Char('/'), &model, rows);
        error = excel.lastError();
    }
    if (!written) {
        complain(tr("%1 was not written: %2").arg(file.filePath(), error));
        return SomeFailed;
    }
    complain(tr("%n device(s) written to %1.", nullptr, rows.size()).arg(file.filePath()));
    return AllDone;
}

} // namespace TarnCli
