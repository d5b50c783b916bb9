#include "cli/command.h"

#include <algorithm>
#include <csignal>

#include <signal.h>

#include <QCommandLineParser>
#include <QElapsedTimer>
#include <QTimer>

#include "cli/batchjournal.h"
#include "cli/devicescan.h"
#include "cli/progressline.h"
#include "cli/secretinput.h"
#include "common/linklayer.h"
#include "common/passwordrule.h"
#include "common/secretbytes.h"
#include "config/configuremanager.h"
#include "devicelist/cipstandarditem.h"
#include "discovery/devicefields.h"
#include "discovery/tarnhandler.h"

namespace TarnCli {

namespace {

// Set by Ctrl-C during a batch; the handler may do nothing else.
volatile std::sig_atomic_t g_interrupted = 0;

extern "C" void onInterrupt(int)
{
    g_interrupted = 1;
}

} // namespace

Command::Command(FILE *out, FILE *err)
    : m_out(out)
    , m_err(err)
{
}

Command::~Command()
{
    wipeSecret(m_sitePassword);
}

// Terminal columns a text takes: East Asian wide characters take two.
int Command::displayWidth(const QString &text)
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

QString Command::padded(const QString &text, int width)
{
    return text + QString(qMax(0, width - displayWidth(text)), QLatin1Char(' '));
}

QVector<TARN_DEVICE_INFO> Command::byAddress(QVector<TARN_DEVICE_INFO> devices)
{
    std::stable_sort(devices.begin(), devices.end(), [](const TARN_DEVICE_INFO &a, const TARN_DEVICE_INFO &b) {
        return aptui::CIpStandardItem::sortKey(TARN::fieldText(a.ipv4Address))
            < aptui::CIpStandardItem::sortKey(TARN::fieldText(b.ipv4Address));
    });
    return devices;
}

void Command::print(const QString &text)
{
    std::fputs(text.toUtf8().constData(), m_out);
    std::fflush(m_out);
}

void Command::complain(const QString &text)
{
    std::fprintf(m_err, "tarn: %s\n", text.toUtf8().constData());
    std::fflush(m_err);
}

int Command::parse(QCommandLineParser &parser, const QString &synopsis, const QStringList &arguments)
{
    parser.setSingleDashWordOptionMode(QCommandLineParser::ParseAsLongOptions);
    parser.addOption(QCommandLineOption(QStringLiteral("iface"),
                                        tr("Interfaces to look for devices on, comma-separated."), QStringLiteral("NAME")));
    parser.addOption(QCommandLineOption(QStringLiteral("wait"),
                                        tr("Seconds to look for devices at most (default %1): the search ends "
                                           "sooner once it has the devices named, or no new device answers.")
                                            .arg(DefaultWaitSeconds),
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

bool Command::discover(const QCommandLineParser &parser, const QStringList &wanted, int minimumMs)
{
    if (parser.isSet(QStringLiteral("iface")))
        qputenv("TARN_IFACES", parser.value(QStringLiteral("iface")).toLocal8Bit());
    m_handler.reset(new TARN::TarnHandler);
    m_handler->setLogToFile(nullptr, TARN_LOG_ERROR, 0);
    m_handler->enableOnvif();
    if (!m_siteUser.isEmpty())
        m_handler->setSiteCredentials(m_siteUser, m_sitePassword);
    m_scan.reset(new DeviceScan(m_handler.get()));
    if (!m_handler->start()) {
        complain(tr("Discovery cannot start (error %1): is the interface there?").arg(m_handler->getLastError()));
        return false;
    }
    QString why;
    if (linkLayerReceiveMissing(&why))
        complain(tr("Devices in other subnets than this computer's (such as new cameras at their factory address) "
                    "may be missed: receiving at the link layer is not permitted (%1). Fix: %2")
                     .arg(why, linkLayerFixCommand(QCoreApplication::applicationFilePath())));
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
    QElapsedTimer clock;
    clock.start();
    m_scan->search(seconds * 1000, enough, minimumMs);
    // ONVIF devices are read once found: their serial numbers and MACs come with that.
    while (m_handler->onvifReadsPending() > 0 && clock.elapsed() < seconds * 1000)
        m_scan->wait(100);
    return true;
}

bool Command::deviceNamed(const QString &serial, TARN_DEVICE_INFO *device)
{
    const int i = m_scan->findSerial(serial);
    if (i < 0) {
        complain(tr("No device with the serial number %1 was found.").arg(serial));
        return false;
    }
    *device = m_scan->devices().at(i);
    return true;
}

bool Command::devicesNamed(const QStringList &serials, QVector<TARN_DEVICE_INFO> *devices)
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

bool Command::newPassword(const QCommandLineParser &parser, QByteArray *password)
{
    QString error;
    if (!SecretInput::read(parser.value(QStringLiteral("password-file")), tr("New admin password: "), true, password,
                           &error)) {
        complain(error);
        return false;
    }
    // The rule itself sets no upper bound; the devices take 16 characters at most.
    if (getPasswordLevel(QByteArrayLiteral("admin"), *password) == 0 || password->size() > PasswordMaxLength) {
        wipeSecret(*password);
        complain(passwordRuleText());
        return false;
    }
    return true;
}

QString Command::passwordRuleText()
{
    return QCoreApplication::translate(
        "TarnTool::DeviceModifyPage",
        "Valid password range [8-16]. You can use a combination of numbers,lowercase, uppercase and special "
        "character for your password with at least two kinds of them contained.");
}

QString Command::errorText(int code)
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

int Command::runBatch(const QVector<TARN::BatchStep> &steps, const QVector<TARN_DEVICE_INFO> &devices,
                      bool activation, BatchJournal *journal)
{
    TARN::BatchRunner runner(m_handler.get());
    runner.setParallelism(m_jobs);
    ProgressLine progress(m_err);
    QString latest;
    int finished = 0;
    // A terminal's bar names each device as it starts; a log gets one line as each ends.
    QObject::connect(&runner, &TARN::BatchRunner::progress, &runner,
                     [&progress, &latest, &finished](int, int total, const QString &address) {
                         latest = address;
                         if (progress.isTerminal())
                             progress.step(finished, total, address);
                     });
    QObject::connect(&runner, &TARN::BatchRunner::counted, &runner,
                     [&progress, &latest, &finished](int done, int total) {
                         finished = done;
                         progress.step(done, total, latest);
                     });
    QVector<QString> lines(steps.size());
    int done = 0;
    int serialWidth = 0, addressWidth = 0;
    for (int i = 0; i < steps.size(); ++i) {
        serialWidth = qMax(serialWidth, TARN::serialOf(devices.at(i)).size());
        addressWidth = qMax(addressWidth, qMax(steps.at(i).address.size(), 15));
    }
    // The address a device is at: where a change went, or for one that failed, where it still is.
    auto addressOf = [this, &steps, &devices](int i, TARN::StepResult::Outcome outcome) {
        if (outcome == TARN::StepResult::Done || outcome == TARN::StepResult::Unknown)
            return steps.at(i).address;
        const int found = m_scan->indexOf(devices.at(i));
        return TARN::fieldText((found >= 0 ? m_scan->devices().at(found) : devices.at(i)).ipv4Address);
    };
    QObject::connect(&runner, &TARN::BatchRunner::stepSent, &runner, [journal](int i) {
        if (journal)
            journal->sent(i);
    });
    QObject::connect(&runner, &TARN::BatchRunner::stepFinished, &runner,
                     [&](int i, const TARN::StepResult &r) {
                         const QString address = addressOf(i, r.outcome);
                         const QString outcome = outcomeText(r, activation);
                         if (r.outcome == TARN::StepResult::Done || r.outcome == TARN::StepResult::Unchanged)
                             ++done;
                         if (journal)
                             journal->finished(i, outcome, r.error, address);
                         lines[i] = padded(TARN::serialOf(devices.at(i)), serialWidth) + QStringLiteral("  ")
                             + padded(address, addressWidth) + QStringLiteral("  ") + outcome;
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
        complain(tr("Stopping once the devices being worked on have answered."));
    });
    watch.start(100);
    runner.run(steps);
    watch.stop();
    const bool stopped = g_interrupted;
    sigaction(SIGINT, &saved, nullptr);
    progress.finish();

    for (int i = 0; i < steps.size(); ++i) {
        if (lines.at(i).isEmpty()) {  // not reached: the batch was stopped before it
            TARN::StepResult notRun;
            const QString outcome = outcomeText(notRun, activation);
            if (journal)
                journal->finished(i, outcome, 0, addressOf(i, notRun.outcome));
            lines[i] = padded(TARN::serialOf(devices.at(i)), serialWidth) + QStringLiteral("  ")
                + padded(addressOf(i, notRun.outcome), addressWidth) + QStringLiteral("  ") + outcome;
        }
        print(lines.at(i) + QLatin1Char('\n'));
    }
    if (journal)
        journal->ended(done, steps.size(), stopped);
    complain(tr("%1 of %2 devices done.").arg(done).arg(steps.size()));
    return done == steps.size() ? AllDone : SomeFailed;
}

void Command::addUserOption(QCommandLineParser &parser)
{
    parser.addOption(QCommandLineOption(QStringLiteral("user"),
                                        tr("The user name for ONVIF devices (default admin); the password is the "
                                           "one read from --password-file or asked for."),
                                        QStringLiteral("NAME")));
}

void Command::useSiteCredentials(const QCommandLineParser &parser, const QByteArray &password)
{
    m_siteUser = parser.isSet(QStringLiteral("user")) ? parser.value(QStringLiteral("user")) : QStringLiteral("admin");
    m_sitePassword = password;
}

void Command::addSiteOptions(QCommandLineParser &parser)
{
    addUserOption(parser);
    parser.addOption(QCommandLineOption(QStringLiteral("password-file"),
                                        tr("With --user: the site password's file, or - for standard input."),
                                        QStringLiteral("FILE")));
}

bool Command::readSiteCredentials(const QCommandLineParser &parser)
{
    if (!parser.isSet(QStringLiteral("user")))
        return true;
    QByteArray password;
    QString error;
    if (!SecretInput::read(parser.value(QStringLiteral("password-file")), tr("Site password: "), false, &password,
                           &error)) {
        complain(error);
        return false;
    }
    useSiteCredentials(parser, password);
    return true;
}

void Command::addJobsOption(QCommandLineParser &parser)
{
    parser.addOption(QCommandLineOption(QStringLiteral("jobs"),
                                        tr("Devices worked on at once, 1 to %1 (default: TaskThread in Setup.xml, "
                                           "or 8).")
                                            .arg(MaxJobs),
                                        QStringLiteral("N")));
}

int Command::jobs(const QCommandLineParser &parser)
{
    if (parser.isSet(QStringLiteral("jobs"))) {
        bool ok = false;
        const int n = parser.value(QStringLiteral("jobs")).toInt(&ok);
        if (!ok || n < 1 || n > MaxJobs) {
            complain(tr("--jobs takes a number from 1 to %1.").arg(MaxJobs));
            return -1;
        }
        return n;
    }
    // The window's setting.
    apt::ConfigureManager settings;
    settings.loadSettings();
    return TARN::BatchRunner::parallelismOf(settings.taskThread());
}

QString Command::outcomeText(const TARN::StepResult &r, bool activation)
{
    const QString failed = activation ? tr("not activated") : tr("not changed");
    switch (r.outcome) {
    case TARN::StepResult::Done:
        return activation ? tr("activated") : tr("changed");
    case TARN::StepResult::Unchanged:
        return tr("no change (the device holds these settings already)");
    case TARN::StepResult::Failed:
        return failed + QStringLiteral(" (") + (r.reason.isEmpty() ? errorText(r.error) : r.reason) + QLatin1Char(')');
    case TARN::StepResult::Unknown:
        return tr("unknown (no answer, and the device has not announced itself since)");
    case TARN::StepResult::NotRun:
        break;
    }
    return failed + QStringLiteral(" (") + tr("stopped") + QLatin1Char(')');
}

bool Command::startJournal(const QString &command, BatchJournal *journal)
{
    QString why;
    if (!journal->open(command, &why)) {
        complain(tr("No journal of this batch can be written (%1); it runs without one.").arg(why));
        return false;
    }
    complain(tr("Journal of this batch: %1").arg(journal->path()));
    return true;
}

} // namespace TarnCli
