#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QProcess>
#include <QRegularExpression>
#include <QSet>
#include <QTemporaryDir>
#include <QTest>

#include <algorithm>
#include <csignal>

#include "export/exporttestdata.h"
#include "integration/devicecollector.h"
#include "integration/emulatorstate.h"
#include "support/testfiles.h"

// The command line against emulated devices in a network namespace of the test's own: what a
// script sees (output, exit codes) and what the devices hold afterwards (the emulator's state file).
class TestTarnCommand : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void cleanupTestCase();
    void helpAndBadArguments();
    void listFindsEveryDevice();
    void activateEveryNewDevice();
    void badPlanRefusedWhole_data();
    void badPlanRefusedWhole();
    void planOf40Applied();
    void consecutiveAddresses();
    void resetByKeyFile();
    void exportReadBack();
    void refusedBeforeLookingForDevices();
    void addressesJudgedAfterEveryAnswer();
    void rerunSendsNothingAndTheJournalTells();
    void parallelBatchUnderLoss();
    void onvifDevicesBesideOurs();

private:
    struct Run
    {
        int code = -1;
        QString out;
        QString err;
    };
    // `interruptOn`: Ctrl-C is sent as soon as standard error shows this text.
    Run tarn(const QStringList &arguments, const QByteArray &input = {}, const QStringList &environment = {},
             const QByteArray &interruptOn = {});
    QJsonArray stateDevices() const;
    QByteArray stateBytes() const;
    QString path(const QString &name) const { return m_dir.filePath(name); }
    // The valid 40-row plan; `replace` swaps row `index` (0-based, after the header) for another text.
    QByteArray plan(int replaceIndex = -1, const QByteArray &replacement = {}) const;

    static constexpr int DeviceCount = 48;
    QTemporaryDir m_dir;
    QProcess m_emulator;
    QStringList m_serials;       // every device, sorted
    QStringList m_newSerials;    // those that started without a password
    QHash<QString, QString> m_macs;
    QString m_passwordFile;
};

TestTarnCommand::Run TestTarnCommand::tarn(const QStringList &arguments, const QByteArray &input,
                                           const QStringList &environment, const QByteArray &interruptOn)
{
    QProcess process;
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert(QStringLiteral("TARN_IFACES"), QStringLiteral("lo"));
    env.insert(QStringLiteral("LANG"), QStringLiteral("en_US.UTF-8"));
    env.remove(QStringLiteral("LC_ALL"));
    env.remove(QStringLiteral("LANGUAGE"));
    for (const QString &setting : environment)
        env.insert(setting.section(QLatin1Char('='), 0, 0), setting.section(QLatin1Char('='), 1));
    process.setProcessEnvironment(env);
    process.start(QStringLiteral(TARN_PROGRAM), arguments);
    Run run;
    if (!process.waitForStarted(5000))
        return run;
    process.write(input);
    process.closeWriteChannel();
    QByteArray err;
    if (!interruptOn.isEmpty()) {
        QElapsedTimer clock;
        clock.start();
        while (process.state() == QProcess::Running && clock.elapsed() < 120000 && !err.contains(interruptOn)) {
            process.waitForReadyRead(50);
            err += process.readAllStandardError();
        }
        ::kill(pid_t(process.processId()), SIGINT);
    }
    if (!process.waitForFinished(120000)) {
        process.kill();
        process.waitForFinished();
        return run;
    }
    run.code = process.exitStatus() == QProcess::NormalExit ? process.exitCode() : -1;
    run.out = QString::fromUtf8(process.readAllStandardOutput());
    run.err = QString::fromUtf8(err + process.readAllStandardError());
    return run;
}

QByteArray TestTarnCommand::stateBytes() const
{
    QFile file(path(QStringLiteral("devices.json")));
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

QJsonArray TestTarnCommand::stateDevices() const
{
    return QJsonDocument::fromJson(stateBytes()).object().value(QStringLiteral("devices")).toArray();
}

QByteArray TestTarnCommand::plan(int replaceIndex, const QByteArray &replacement) const
{
    // Rows 5 and 6 name their device by MAC as a spreadsheet may write it: upper case, colons.
    QByteArray text = "# site plan, first floor\nserial,mac,ip,mask,gateway,port\n";
    for (int i = 0; i < 40; ++i) {
        const QString serial = m_serials.at(i);
        QByteArray row = i == 5 || i == 6
            ? "," + m_macs.value(serial).toUpper().replace(QLatin1Char('-'), QLatin1Char(':')).toLatin1()
            : "\"" + serial.toLatin1() + "\",";
        row += QStringLiteral(",10.20.1.%1,255.255.0.0,10.20.0.1,%2\n")
                   .arg(11 + i)
                   .arg(i % 2 ? QString() : QString::number(8000 + i))
                   .toLatin1();
        text += i == replaceIndex ? replacement + '\n' : row;
    }
    return text;
}

void TestTarnCommand::initTestCase()
{
    QVERIFY(m_dir.isValid());
    QProcess maker;
    maker.start(QStringLiteral(TARN_MAKER_PROGRAM),
                {QStringLiteral("init"), QStringLiteral("--secrets"), path(QStringLiteral("maker.json"))});
    QVERIFY(maker.waitForFinished(10000) && maker.exitCode() == 0);
    // tarn shows only devices certified by a maker it trusts: this one.
    maker.start(QStringLiteral(TARN_MAKER_PROGRAM), {QStringLiteral("trust"), QStringLiteral("--secrets"),
                                                     path(QStringLiteral("maker.json")), QStringLiteral("-o"),
                                                     path(QStringLiteral("trusted-makers.txt"))});
    QVERIFY(maker.waitForFinished(10000) && maker.exitCode() == 0);
    qputenv("TARN_TRUSTED_MAKERS", QFile::encodeName(path(QStringLiteral("trusted-makers.txt"))));
    qputenv("TARN_IFACES", "lo");
    QVERIFY(startEmulator(m_emulator, {QStringLiteral("--iface"), QStringLiteral("lo"), QStringLiteral("--count"),
                                       QString::number(DeviceCount), QStringLiteral("--seed"), QStringLiteral("15"),
                                       QStringLiteral("--maker"), path(QStringLiteral("maker.json")),
                                       QStringLiteral("--state"), path(QStringLiteral("devices.json"))}));
    for (const QJsonValue &v : stateDevices()) {
        const QJsonObject d = v.toObject();
        const QString serial = d.value(QStringLiteral("sn")).toString();
        m_serials << serial;
        m_macs.insert(serial, d.value(QStringLiteral("mac")).toString());
        if (d.value(QStringLiteral("act")).toInt() == TARN_NOT_ACTIVATED)
            m_newSerials << serial;
    }
    m_serials.sort();
    QCOMPARE(m_serials.size(), DeviceCount);
    QVERIFY(!m_newSerials.isEmpty());
    m_passwordFile = writeTestFile(m_dir, QStringLiteral("password"), "Admin12345\n");
    QVERIFY(!m_passwordFile.isEmpty());
}

void TestTarnCommand::cleanupTestCase()
{
    stopEmulator(m_emulator);
}

void TestTarnCommand::helpAndBadArguments()
{
    Run run = tarn({QStringLiteral("--help")});
    QCOMPARE(run.code, 0);
    QVERIFY(run.out.contains(QStringLiteral("0  all done")) && run.out.contains(QStringLiteral("1  some devices failed"))
            && run.out.contains(QStringLiteral("2  bad input")));
    QVERIFY(run.out.contains(QStringLiteral("serial,ip,mask,gateway,port")));

    // The locale picks the language.
    run = tarn({QStringLiteral("--help")}, {}, {QStringLiteral("LANG=zh_CN.UTF-8")});
    QCOMPARE(run.code, 0);
    QVERIFY2(run.out.contains(QStringLiteral("退出码")), qPrintable(run.out));
    run = tarn({QStringLiteral("set-net")}, {}, {QStringLiteral("LANG=zh_CN.UTF-8")});
    QCOMPARE(run.code, 2);
    QVERIFY2(!run.err.contains(QStringLiteral("Give --plan")), qPrintable(run.err));

    for (const QStringList &arguments : QVector<QStringList>{
             {},
             {QStringLiteral("frobnicate")},
             {QStringLiteral("list"), QStringLiteral("--json"), QStringLiteral("--csv")},
             {QStringLiteral("list"), QStringLiteral("--wait"), QStringLiteral("soon")},
             {QStringLiteral("list"), QStringLiteral("--password"), QStringLiteral("Admin12345")},
             {QStringLiteral("activate"), QStringLiteral("--all-new")},  // no terminal to ask on
             {QStringLiteral("set-net"), QStringLiteral("--plan"), path(QStringLiteral("missing.csv"))},
             {QStringLiteral("export"), QStringLiteral("-o"), path(QStringLiteral("devices.txt"))},
         }) {
        run = tarn(arguments);
        QVERIFY2(run.code == 2, qPrintable(arguments.join(QLatin1Char(' ')) + QStringLiteral(": ") + run.err));
        QVERIFY2(!run.err.isEmpty(), qPrintable(arguments.join(QLatin1Char(' '))));
    }
}

void TestTarnCommand::listFindsEveryDevice()
{
    // The interface as an option, in place of the environment.
    Run run = tarn({QStringLiteral("list"), QStringLiteral("--iface"), QStringLiteral("nosuch0")}, {},
                   {QStringLiteral("TARN_IFACES=")});
    QCOMPARE(run.code, 1);
    QVERIFY(run.err.contains(QStringLiteral("Discovery cannot start")));
    run = tarn({QStringLiteral("list"), QStringLiteral("--json"), QStringLiteral("--wait"), QStringLiteral("5"),
                QStringLiteral("--iface"), QStringLiteral("lo")},
               {}, {QStringLiteral("TARN_IFACES=")});
    QCOMPARE(run.code, 0);
    const QJsonArray devices = QJsonDocument::fromJson(run.out.toUtf8()).array();
    QStringList serials, fresh;
    for (const QJsonValue &v : devices) {
        const QJsonObject d = v.toObject();
        const QString serial = d.value(QStringLiteral("serial")).toString();
        serials << serial;
        if (!d.value(QStringLiteral("activated")).toBool())
            fresh << serial;
        const QJsonObject state = emulatorDeviceState(path(QStringLiteral("devices.json")), serial.toLatin1());
        QCOMPARE(d.value(QStringLiteral("mac")).toString(), state.value(QStringLiteral("mac")).toString());
        QCOMPARE(d.value(QStringLiteral("ip")).toString(), state.value(QStringLiteral("ip")).toString());
        QCOMPARE(d.value(QStringLiteral("port")).toInt(), state.value(QStringLiteral("port")).toInt());
    }
    serials.sort();
    fresh.sort();
    m_newSerials.sort();
    QCOMPARE(serials, m_serials);
    QCOMPARE(fresh, m_newSerials);

    // CSV for scripts, read by Python's csv module: a header, then the same devices.
    run = tarn({QStringLiteral("list"), QStringLiteral("--csv"), QStringLiteral("--wait"), QStringLiteral("5")});
    QCOMPARE(run.code, 0);
    const QString csv = writeTestFile(m_dir, QStringLiteral("list.csv"), run.out.toUtf8());
    const QVector<QStringList> rows = rowsFromJson(readWithPython(csvReaderScript(), csv));
    QCOMPARE(rows.size(), DeviceCount + 1);
    QCOMPARE(rows.first().first(), QStringLiteral("serial"));
    serials.clear();
    for (int i = 1; i < rows.size(); ++i)
        serials << rows.at(i).first();
    serials.sort();
    QCOMPARE(serials, m_serials);
}

void TestTarnCommand::activateEveryNewDevice()
{
    const QByteArray before = stateBytes();
    // A password the rule refuses, and a device that is not there: refused before anything is sent.
    const QString weak = writeTestFile(m_dir, QStringLiteral("weak"), "abc\n");
    Run run = tarn({QStringLiteral("activate"), QStringLiteral("--all-new"), QStringLiteral("--password-file"), weak});
    QCOMPARE(run.code, 2);
    QVERIFY(run.err.contains(QStringLiteral("Valid password range")));
    run = tarn({QStringLiteral("activate"), QStringLiteral("--serial"), m_newSerials.first(), QStringLiteral("--serial"),
                QStringLiteral("TN-NOT-THERE"), QStringLiteral("--password-file"), m_passwordFile});
    QCOMPARE(run.code, 2);
    QVERIFY(run.err.contains(QStringLiteral("TN-NOT-THERE")));
    QCOMPARE(stateBytes(), before);

    // Every new device, with the password from a file.
    run = tarn({QStringLiteral("activate"), QStringLiteral("--all-new"), QStringLiteral("--password-file"),
                m_passwordFile, QStringLiteral("--wait"), QStringLiteral("5")});
    QVERIFY2(run.code == 0, qPrintable(run.err));
    QCOMPARE(run.out.count(QStringLiteral("  activated")), m_newSerials.size());
    QVERIFY(run.err.contains(QStringLiteral("%1 of %1 done").arg(m_newSerials.size())));
    for (const QJsonValue &v : stateDevices())
        QCOMPARE(v.toObject().value(QStringLiteral("act")).toInt(), TARN_ACTIVATED);

    // Nothing left to activate; naming an activated device is bad input.
    run = tarn({QStringLiteral("activate"), QStringLiteral("--all-new"), QStringLiteral("--password-file"), m_passwordFile});
    QVERIFY2(run.code == 0, qPrintable(run.out + run.err));
    run = tarn({QStringLiteral("activate"), QStringLiteral("--serial"), m_newSerials.first(),
                QStringLiteral("--password-file"), m_passwordFile});
    QCOMPARE(run.code, 2);
}

void TestTarnCommand::badPlanRefusedWhole_data()
{
    QTest::addColumn<int>("row");
    QTest::addColumn<QByteArray>("replacement");
    QTest::addColumn<QString>("message");
    // Line numbers: the comment is line 1, the header line 2, row i on line i + 3.
    QTest::newRow("mask") << 7 << QByteArray("SERIAL,,10.20.1.99,255.0.255.0,10.20.0.1,") << QStringLiteral("line 10: Subnet Mask");
    QTest::newRow("port") << 0 << QByteArray("SERIAL,,10.20.1.98,255.255.0.0,10.20.0.1,80") << QStringLiteral("line 3: Device port");
    QTest::newRow("quote") << 39 << QByteArray("\"open,,,,,") << QStringLiteral("line 42: a quoted field");
    QTest::newRow("unknown device") << 12 << QByteArray("TN-NOPE,,10.20.1.97,255.255.0.0,10.20.0.1,")
                                    << QStringLiteral("line 15: no device with the serial number TN-NOPE");
    QTest::newRow("broadcast") << 20 << QByteArray("SERIAL,,10.20.255.255,255.255.0.0,10.20.0.1,")
                               << QStringLiteral("line 23: 10.20.255.255 is not an address");
    QTest::newRow("outside subnet") << 30 << QByteArray("SERIAL,,10.20.1.96,255.255.0.0,10.21.0.1,")
                                    << QStringLiteral("line 33: the address 10.20.1.96 is outside the subnet");
    QTest::newRow("duplicate") << 25 << QByteArray("SERIAL,,10.20.1.11,255.255.0.0,10.20.0.1,")
                               << QStringLiteral("line 28: the address 10.20.1.11 is also given to line 3");
    QTest::newRow("device twice") << 26 << QByteArray("FIRST,,10.20.1.95,255.255.0.0,10.20.0.1,")
                                  << QStringLiteral("line 29: the device FIRST is already planned on line 3");
}

void TestTarnCommand::badPlanRefusedWhole()
{
    QFETCH(int, row);
    QFETCH(QByteArray, replacement);
    QFETCH(QString, message);
    replacement.replace("SERIAL", m_serials.at(row).toLatin1());
    replacement.replace("FIRST", m_serials.first().toLatin1());
    message.replace(QStringLiteral("FIRST"), m_serials.first());
    const QString file = writeTestFile(m_dir, QStringLiteral("bad.csv"), plan(row, replacement));
    const QByteArray before = stateBytes();
    const Run run = tarn({QStringLiteral("set-net"), QStringLiteral("--plan"), file, QStringLiteral("--password-file"),
                          m_passwordFile});
    QCOMPARE(run.code, 2);
    QVERIFY2(run.err.contains(message), qPrintable(run.err));
    QVERIFY(run.err.contains(QStringLiteral("nothing was sent")));
    QVERIFY(!run.err.contains(QStringLiteral(" done: ")));
    QCOMPARE(stateBytes(), before);
}

void TestTarnCommand::planOf40Applied()
{
    const QString file = writeTestFile(m_dir, QStringLiteral("plan.csv"), plan());
    const QByteArray before = stateBytes();
    Run run = tarn({QStringLiteral("set-net"), QStringLiteral("--plan"), file, QStringLiteral("--dry-run")});
    QVERIFY2(run.code == 0, qPrintable(run.err));
    QCOMPARE(run.out.count(QStringLiteral("ip ")), 40);
    QVERIFY(run.out.contains(QStringLiteral("ip %1 -> 10.20.1.11").arg(emulatorDeviceState(
        path(QStringLiteral("devices.json")), m_serials.first().toLatin1()).value(QStringLiteral("ip")).toString())));
    QCOMPARE(stateBytes(), before);

    run = tarn({QStringLiteral("set-net"), QStringLiteral("--plan"), file, QStringLiteral("--password-file"),
                m_passwordFile});
    QVERIFY2(run.code == 0, qPrintable(run.err));
    QCOMPARE(run.out.count(QStringLiteral("  changed")), 40);
    QVERIFY(run.err.contains(QStringLiteral("40 of 40 done: 10.20.1.50")));
    for (int i = 0; i < DeviceCount; ++i) {
        const QJsonObject d = emulatorDeviceState(path(QStringLiteral("devices.json")), m_serials.at(i).toLatin1());
        if (i >= 40) {
            QVERIFY(!d.value(QStringLiteral("ip")).toString().startsWith(QStringLiteral("10.20.")));
            continue;
        }
        QCOMPARE(d.value(QStringLiteral("ip")).toString(), QStringLiteral("10.20.1.%1").arg(11 + i));
        QCOMPARE(d.value(QStringLiteral("mask")).toString(), QStringLiteral("255.255.0.0"));
        QCOMPARE(d.value(QStringLiteral("gw")).toString(), QStringLiteral("10.20.0.1"));
        if (i % 2 == 0)
            QCOMPARE(d.value(QStringLiteral("port")).toInt(), 8000 + i);
    }
}

void TestTarnCommand::consecutiveAddresses()
{
    // The last eight devices from 10.30.0.250 on, as the window's batch counts: past .254 the
    // count carries into the next octet and skips .255 and .0.
    QStringList arguments = {QStringLiteral("set-net"), QStringLiteral("--start-address"), QStringLiteral("10.30.0.250"),
                             QStringLiteral("--mask"), QStringLiteral("255.255.0.0"), QStringLiteral("--gateway"),
                             QStringLiteral("10.30.0.1"), QStringLiteral("--password-file"), m_passwordFile};
    for (int i = 40; i < DeviceCount; ++i)
        arguments << QStringLiteral("--serial") << m_serials.at(i);
    const QByteArray before = stateBytes();
    Run run = tarn(QStringList(arguments).replaceInStrings(QStringLiteral("255.255.0.0"), QStringLiteral("255.255.255.0")));
    QCOMPARE(run.code, 2);  // eight do not fit between .250 and the end of a /24
    QVERIFY(run.err.contains(QStringLiteral("Only 5 of the 8 devices fit")));
    QCOMPARE(stateBytes(), before);

    run = tarn(arguments);
    QVERIFY2(run.code == 0, qPrintable(run.err));
    const QStringList expected = {QStringLiteral("10.30.0.250"), QStringLiteral("10.30.0.251"), QStringLiteral("10.30.0.252"),
                                  QStringLiteral("10.30.0.253"), QStringLiteral("10.30.0.254"), QStringLiteral("10.30.1.1"),
                                  QStringLiteral("10.30.1.2"), QStringLiteral("10.30.1.3")};
    for (int i = 40; i < DeviceCount; ++i) {
        const QJsonObject d = emulatorDeviceState(path(QStringLiteral("devices.json")), m_serials.at(i).toLatin1());
        QCOMPARE(d.value(QStringLiteral("ip")).toString(), expected.at(i - 40));
    }
}

void TestTarnCommand::resetByKeyFile()
{
    QString serial;
    for (const QJsonValue &v : stateDevices()) {
        if (v.toObject().value(QStringLiteral("cap")).toInt() & TARN_CAP_KEY_RESET) {
            serial = v.toObject().value(QStringLiteral("sn")).toString();
            break;
        }
    }
    QVERIFY(!serial.isEmpty());
    const QString requests = path(QStringLiteral("requests"));
    QVERIFY(QDir().mkpath(requests));
    Run run = tarn({QStringLiteral("key-request"), serial, QStringLiteral("-o"), requests});
    QVERIFY2(run.code == 0, qPrintable(run.err));
    const QStringList files = QDir(requests).entryList(QDir::Files);
    QCOMPARE(files.size(), 1);
    QVERIFY(files.first().startsWith(serial + QLatin1Char('-')));

    QProcess maker;
    const QString key = path(QStringLiteral("key.txt"));
    maker.start(QStringLiteral(TARN_MAKER_PROGRAM), {QStringLiteral("key"), QStringLiteral("--secrets"),
                                                     path(QStringLiteral("maker.json")), QStringLiteral("-o"), key,
                                                     QDir(requests).filePath(files.first())});
    QVERIFY(maker.waitForFinished(10000) && maker.exitCode() == 0);

    const QString newPassword = writeTestFile(m_dir, QStringLiteral("new-password"), "NewPass9876\n");
    run = tarn({QStringLiteral("reset"), serial, QStringLiteral("--key"), key, QStringLiteral("--password-file"),
                newPassword});
    QVERIFY2(run.code == 0, qPrintable(run.err));
    // The key is used: a second reset fails at the device, which is exit code 1.
    run = tarn({QStringLiteral("reset"), serial, QStringLiteral("--key"), key, QStringLiteral("--password-file"),
                newPassword});
    QCOMPARE(run.code, 1);

    // The old password no longer changes the device, the new one does.
    const QString one = writeTestFile(m_dir, QStringLiteral("one.csv"),
                                      QStringLiteral("serial,port\n%1,8123\n").arg(serial).toLatin1());
    run = tarn({QStringLiteral("set-net"), QStringLiteral("--plan"), one, QStringLiteral("--password-file"), m_passwordFile});
    QCOMPARE(run.code, 1);
    QVERIFY(run.out.contains(QStringLiteral("not changed (the device refused the password)")));
    // This time from standard input.
    run = tarn({QStringLiteral("set-net"), QStringLiteral("--plan"), one, QStringLiteral("--password-file"),
                QStringLiteral("-")},
               "NewPass9876\r\n");
    QCOMPARE(run.code, 0);
    QCOMPARE(emulatorDeviceState(path(QStringLiteral("devices.json")), serial.toLatin1()).value(QStringLiteral("port")).toInt(),
             8123);

    // A security code that is not the maker's restores nothing.
    run = tarn({QStringLiteral("restore"), serial, QStringLiteral("--code"), QStringLiteral("000000")});
    QCOMPARE(run.code, 1);
}

void TestTarnCommand::exportReadBack()
{
    const QString csv = path(QStringLiteral("devices.csv"));
    const QString xls = path(QStringLiteral("devices.xls"));
    Run run = tarn({QStringLiteral("export"), QStringLiteral("-o"), csv, QStringLiteral("--wait"), QStringLiteral("5")});
    QVERIFY2(run.code == 0, qPrintable(run.err));
    run = tarn({QStringLiteral("export"), QStringLiteral("-o"), xls, QStringLiteral("--wait"), QStringLiteral("5")});
    QVERIFY2(run.code == 0, qPrintable(run.err));
    run = tarn({QStringLiteral("export"), QStringLiteral("-o"), csv});
    QCOMPARE(run.code, 2);  // never replaced

    const QVector<QStringList> rows = rowsFromJson(readWithPython(csvReaderScript(), csv));
    const QJsonObject workbook = readWithPython(xlsReaderScript(), xls).toObject();
    const QVector<QStringList> cells = rowsFromJson(workbook.value(QStringLiteral("cells")));
    QCOMPARE(workbook.value(QStringLiteral("names")).toArray(), QJsonArray{QStringLiteral("devices")});
    QCOMPARE(rows.size(), DeviceCount + 1);
    QCOMPARE(cells.size(), DeviceCount + 1);
    const int serialColumn = rows.first().indexOf(QStringLiteral("Device Serial Number"));
    const int ipColumn = rows.first().indexOf(QStringLiteral("IPv4 Address"));
    QVERIFY(serialColumn >= 0 && ipColumn >= 0);
    QCOMPARE(cells.first().at(serialColumn), QStringLiteral("Device Serial Number"));
    QStringList serials;
    for (int r = 1; r < rows.size(); ++r) {
        const QString serial = rows.at(r).at(serialColumn);
        serials << serial;
        QCOMPARE(rows.at(r).at(ipColumn),
                 emulatorDeviceState(path(QStringLiteral("devices.json")), serial.toLatin1()).value(QStringLiteral("ip")).toString());
    }
    serials.sort();
    QCOMPARE(serials, m_serials);
    QStringList xlsSerials;
    for (int r = 1; r < cells.size(); ++r)
        xlsSerials << cells.at(r).at(serialColumn);
    xlsSerials.sort();
    QCOMPARE(xlsSerials, m_serials);
}

// Bad input is refused with its reason and exit code 2 before any device is looked for: on an
// interface that is not there, looking would fail with exit code 1.
void TestTarnCommand::refusedBeforeLookingForDevices()
{
    const QString rule = QStringLiteral("Valid password range [8-16]");
    const QString longPassword = writeTestFile(m_dir, QStringLiteral("long"), QByteArray("Aa1").repeated(7) + '\n');
    const QString veryLong = writeTestFile(m_dir, QStringLiteral("very-long"), QByteArray("Aa1").repeated(72) + '\n');
    // A plan over the size bound through a pipe was cut at the bound and applied.
    QByteArray huge = "serial,ip\n";
    while (huge.size() <= 4 * 1024 * 1024)
        huge += "# " + QByteArray(1000, 'x') + '\n';
    struct Case
    {
        QStringList arguments;
        QByteArray input;
        QString message;
    };
    const QVector<Case> cases{
        {{QStringLiteral("activate"), QStringLiteral("--all-new"), QStringLiteral("--password-file"), longPassword},
         {}, rule},
        {{QStringLiteral("set-net"), QStringLiteral("--plan"), plan(), QStringLiteral("--password-file"), veryLong},
         {}, rule},
        {{QStringLiteral("set-net"), QStringLiteral("--plan"), QStringLiteral("/dev/stdin"), QStringLiteral("--dry-run")},
         huge, QStringLiteral("is too large")},
        {{QStringLiteral("export"), QStringLiteral("-o"), path(QStringLiteral(".xls"))}, {},
         QStringLiteral("Give the file a name")},
        {{QStringLiteral("export"), QStringLiteral("-o"), path(QStringLiteral(".csv"))}, {},
         QStringLiteral("Give the file a name")},
    };
    const QString planFile = writeTestFile(m_dir, QStringLiteral("plan-for-refusals.csv"), plan());
    for (Case c : cases) {
        c.arguments.replaceInStrings(QString::fromLatin1(plan()), planFile);
        const Run run = tarn(c.arguments + QStringList{QStringLiteral("--iface"), QStringLiteral("nosuch0")}, c.input);
        const QString what = c.arguments.join(QLatin1Char(' ')) + QStringLiteral(": ") + run.err;
        QVERIFY2(run.code == 2 && run.err.contains(c.message), qPrintable(what));
        QVERIFY2(!run.err.contains(QStringLiteral("Discovery cannot start")), qPrintable(what));
    }
    QVERIFY(!QFile::exists(path(QStringLiteral(".csv"))));

    // The workbook writer writes its suffix in lower case, and says so.
    const Run run = tarn({QStringLiteral("export"), QStringLiteral("-o"), path(QStringLiteral("UPPER.XLS"))});
    QVERIFY2(run.code == 0, qPrintable(run.err));
    QVERIFY2(run.err.contains(path(QStringLiteral("UPPER.xls"))) && QFile::exists(path(QStringLiteral("UPPER.xls"))),
             qPrintable(run.err));
}

// A device that answers late, outside the plan, holding an address the plan gives: the plan was
// once judged as soon as the planned devices had answered, and applied, leaving two devices at one
// address. Consecutive addresses were not checked at all.
void TestTarnCommand::addressesJudgedAfterEveryAnswer()
{
    QProcess late;
    const QString lateState = path(QStringLiteral("late.json"));
    QVERIFY(startEmulator(late, {QStringLiteral("--iface"), QStringLiteral("lo"), QStringLiteral("--count"),
                                 QStringLiteral("1"), QStringLiteral("--seed"), QStringLiteral("77"),
                                 QStringLiteral("--delay-ms"), QStringLiteral("1500"), QStringLiteral("--maker"),
                                 path(QStringLiteral("maker.json")), QStringLiteral("--state"), lateState}));
    QFile file(lateState);
    QVERIFY(file.open(QIODevice::ReadOnly));
    const QJsonObject lateDevice =
        QJsonDocument::fromJson(file.readAll()).object().value(QStringLiteral("devices")).toArray().first().toObject();
    const QString taken = lateDevice.value(QStringLiteral("ip")).toString();
    const QString subnet = taken.section(QLatin1Char('.'), 0, 2);
    const QString gateway = subnet + (taken.endsWith(QLatin1String(".1")) ? QStringLiteral(".2") : QStringLiteral(".1"));
    const QByteArray before = stateBytes();

    const QString onto = writeTestFile(m_dir, QStringLiteral("onto.csv"),
                                       QStringLiteral("serial,ip,mask,gateway\n%1,%2,255.255.255.0,%3\n")
                                           .arg(m_serials.at(0), taken, gateway).toLatin1());
    Run run = tarn({QStringLiteral("set-net"), QStringLiteral("--plan"), onto, QStringLiteral("--password-file"),
                    m_passwordFile});
    QVERIFY2(run.code == 2, qPrintable(run.out + run.err));
    QVERIFY2(run.err.contains(QStringLiteral("the address %1 is also given to the device %2, which the plan leaves alone")
                                  .arg(taken, lateDevice.value(QStringLiteral("sn")).toString())),
             qPrintable(run.err));

    run = tarn({QStringLiteral("set-net"), QStringLiteral("--start-address"), taken, QStringLiteral("--mask"),
                QStringLiteral("255.255.255.0"), QStringLiteral("--gateway"), gateway, QStringLiteral("--serial"),
                m_serials.at(1), QStringLiteral("--password-file"), m_passwordFile});
    QVERIFY2(run.code == 2, qPrintable(run.out + run.err));
    QVERIFY2(run.err.contains(QStringLiteral("which the plan leaves alone")), qPrintable(run.err));
    QCOMPARE(stateBytes(), before);
    stopEmulator(late);
}

// Each batch leaves a journal of what it planned, sent and heard back, flushed per device; a rerun
// sends nothing to the devices that hold their settings already. A device that did not take its
// change is listed at the address it is still at.
void TestTarnCommand::rerunSendsNothingAndTheJournalTells()
{
    const QString stateHome = path(QStringLiteral("state"));
    const QStringList environment{QStringLiteral("XDG_STATE_HOME=") + stateHome};
    QByteArray text = "serial,ip,mask,gateway\n";
    for (int i = 40; i < 44; ++i)
        text += QStringLiteral("%1,10.40.0.%2,255.255.255.0,10.40.0.1\n").arg(m_serials.at(i)).arg(i).toLatin1();
    const QString file = writeTestFile(m_dir, QStringLiteral("rerun.csv"), text);
    const QStringList arguments{QStringLiteral("set-net"), QStringLiteral("--plan"), file,
                                QStringLiteral("--password-file"), m_passwordFile};
    auto journalOf = [](const Run &run) {
        const int at = run.err.indexOf(QStringLiteral("Journal of this batch: "));
        const QString name = at < 0 ? QString() : run.err.mid(at + 23).section(QLatin1Char('\n'), 0, 0);
        QFile journal(name);
        QVector<QJsonObject> events;
        if (journal.open(QIODevice::ReadOnly)) {
            for (const QByteArray &line : journal.readAll().split('\n')) {
                if (!line.isEmpty())
                    events << QJsonDocument::fromJson(line).object();
            }
        }
        return events;
    };
    auto count = [](const QVector<QJsonObject> &events, const char *event) {
        return int(std::count_if(events.cbegin(), events.cend(), [event](const QJsonObject &e) {
            return e.value(QStringLiteral("event")).toString() == QLatin1String(event);
        }));
    };

    // The wrong password: nothing taken, and each device listed where it still is.
    const QString wrong = writeTestFile(m_dir, QStringLiteral("wrong"), "Wrong12345\n");
    Run run = tarn(QStringList(arguments).replaceInStrings(m_passwordFile, wrong), {}, environment);
    QCOMPARE(run.code, 1);
    for (int i = 40; i < 44; ++i) {
        const QString at = emulatorDeviceState(path(QStringLiteral("devices.json")), m_serials.at(i).toLatin1())
                               .value(QStringLiteral("ip")).toString();
        QVERIFY2(QRegularExpression(QStringLiteral("%1 +%2 +not changed").arg(m_serials.at(i), QRegularExpression::escape(at)))
                     .match(run.out).hasMatch(),
                 qPrintable(run.out));
    }

    run = tarn(arguments, {}, environment);
    QVERIFY2(run.code == 0, qPrintable(run.err));
    QCOMPARE(run.out.count(QStringLiteral("  changed")), 4);
    QVector<QJsonObject> events = journalOf(run);
    QCOMPARE(count(events, "planned"), 4);
    QCOMPARE(count(events, "sent"), 4);
    QCOMPARE(count(events, "finished"), 4);
    QCOMPARE(count(events, "end"), 1);
    QCOMPARE(events.at(1).value(QStringLiteral("target")).toObject().value(QStringLiteral("ip")).toString(),
             QStringLiteral("10.40.0.40"));
    QVERIFY(QDir(stateHome + QStringLiteral("/tarntool/journal")).entryList(QDir::Files).size() == 2);
    for (const QString &name : QDir(stateHome + QStringLiteral("/tarntool/journal")).entryList(QDir::Files)) {
        QFile journal(stateHome + QStringLiteral("/tarntool/journal/") + name);
        QVERIFY(journal.open(QIODevice::ReadOnly));
        QVERIFY(!journal.readAll().contains("Admin12345"));
    }

    // Run again, as after a batch killed half-way: nothing is sent, nothing is said to change.
    const QByteArray before = stateBytes();
    run = tarn(arguments, {}, environment);
    QVERIFY2(run.code == 0, qPrintable(run.err));
    QCOMPARE(run.out.count(QStringLiteral("no change")), 4);
    events = journalOf(run);
    QCOMPARE(count(events, "sent"), 0);
    QCOMPARE(count(events, "finished"), 4);
    QCOMPARE(stateBytes(), before);
}

// A batch of slow devices on a lossy network, several at a time: results in plan order, every
// device at exactly its planned address (never two at one), nothing applied twice, every outcome
// honest; Ctrl-C lets the running devices finish and starts no others, and a rerun converges.
void TestTarnCommand::parallelBatchUnderLoss()
{
    constexpr int Count = 24;
    QProcess lossy;
    const QString state = path(QStringLiteral("lossy.json"));
    QVERIFY(startEmulator(lossy, {QStringLiteral("--iface"), QStringLiteral("lo"), QStringLiteral("--count"),
                                  QString::number(Count), QStringLiteral("--seed"), QStringLiteral("91"),
                                  QStringLiteral("--loss"), QStringLiteral("20"), QStringLiteral("--op-ms"),
                                  QStringLiteral("300"), QStringLiteral("--maker"), path(QStringLiteral("maker.json")),
                                  QStringLiteral("--state"), state}));
    auto device = [&state](const QString &serial) { return emulatorDeviceState(state, serial.toLatin1()); };
    QFile file(state);
    QVERIFY(file.open(QIODevice::ReadOnly));
    QStringList serials;  // the activated ones, in the emulator's own order, not sorted
    for (const QJsonValue &v : QJsonDocument::fromJson(file.readAll()).object().value(QStringLiteral("devices")).toArray()) {
        if (v.toObject().value(QStringLiteral("act")).toInt() == TARN_ACTIVATED && serials.size() < 12)
            serials << v.toObject().value(QStringLiteral("sn")).toString();
    }
    std::reverse(serials.begin(), serials.end());
    QStringList arguments{QStringLiteral("set-net"), QStringLiteral("--start-address"), QStringLiteral("10.50.0.10"),
                          QStringLiteral("--mask"), QStringLiteral("255.255.255.0"), QStringLiteral("--gateway"),
                          QStringLiteral("10.50.0.1"), QStringLiteral("--password-file"), m_passwordFile,
                          QStringLiteral("--jobs"), QStringLiteral("3")};
    for (const QString &serial : qAsConst(serials))
        arguments << QStringLiteral("--serial") << serial;
    auto linesOf = [](const Run &run) { return run.out.split(QLatin1Char('\n'), Qt::SkipEmptyParts); };

    // Stopped once four have ended: those running finish, the rest are not touched.
    Run run = tarn(arguments, {}, {}, QByteArrayLiteral("4 of 12 done"));
    QVERIFY2(run.code == 1, qPrintable(run.out + run.err));
    QStringList lines = linesOf(run);
    QCOMPARE(lines.size(), serials.size());
    int stopped = 0;
    for (int i = 0; i < serials.size(); ++i) {
        QVERIFY2(lines.at(i).startsWith(serials.at(i)), qPrintable(run.out));  // plan order
        const QString planned = QStringLiteral("10.50.0.%1").arg(10 + i);
        const QString now = device(serials.at(i)).value(QStringLiteral("ip")).toString();
        if (lines.at(i).contains(QStringLiteral("(stopped)"))) {
            ++stopped;
            QVERIFY2(now != planned, qPrintable(lines.at(i)));
        } else if (lines.at(i).contains(QStringLiteral("  changed"))) {
            QCOMPARE(now, planned);
        }
    }
    QVERIFY2(stopped >= 1 && stopped <= serials.size() - 4, qPrintable(run.out));

    // The rerun finishes the plan; the devices done before say so and are sent nothing.
    run = tarn(arguments);
    QVERIFY2(run.code == 0 || run.out.contains(QStringLiteral("unknown")), qPrintable(run.out + run.err));
    lines = linesOf(run);
    QCOMPARE(lines.size(), serials.size());
    QSet<QString> addresses;
    for (int i = 0; i < serials.size(); ++i) {
        QVERIFY2(lines.at(i).startsWith(serials.at(i)), qPrintable(run.out));
        const QString planned = QStringLiteral("10.50.0.%1").arg(10 + i);
        const QString now = device(serials.at(i)).value(QStringLiteral("ip")).toString();
        addresses.insert(now);
        if (lines.at(i).contains(QStringLiteral("changed")) || lines.at(i).contains(QStringLiteral("no change")))
            QCOMPARE(now, planned);
        else
            QVERIFY2(lines.at(i).contains(QStringLiteral("unknown")), qPrintable(lines.at(i)));
    }
    QCOMPARE(addresses.size(), serials.size());
    stopEmulator(lossy);
    QVERIFY(QString::fromLatin1(lossy.readAllStandardOutput()).contains(QStringLiteral("applied twice 0,")));
}

// ONVIF devices beside ours: listed and marked, read only with credentials that open them,
// activated from the factory state, and changed by the same plan as TARN devices, reported changed
// only where they answer at their new address.
void TestTarnCommand::onvifDevicesBesideOurs()
{
    QProcess cameras;
    const QString state = path(QStringLiteral("onvif.json"));
    QVERIFY(startEmulator(cameras, {QStringLiteral("--iface"), QStringLiteral("lo"), QStringLiteral("--count"),
                                    QStringLiteral("0"), QStringLiteral("--onvif"), QStringLiteral("4"),
                                    QStringLiteral("--seed"), QStringLiteral("33"), QStringLiteral("--state"), state}));
    auto onvifState = [&state] {
        QFile file(state);
        QHash<QString, QJsonObject> bySerial;
        if (file.open(QIODevice::ReadOnly)) {
            for (const QJsonValue &v : QJsonDocument::fromJson(file.readAll()).object().value(QStringLiteral("onvif")).toArray())
                bySerial.insert(v.toObject().value(QStringLiteral("serial")).toString(), v.toObject());
        }
        return bySerial;
    };
    auto onvifRows = [this](const QStringList &extra) {
        const Run run = tarn(QStringList{QStringLiteral("list"), QStringLiteral("--json")} + extra);
        QVector<QJsonObject> rows;
        for (const QJsonValue &v : QJsonDocument::fromJson(run.out.toUtf8()).array()) {
            if (v.toObject().value(QStringLiteral("protocol")).toString() == QLatin1String("ONVIF"))
                rows << v.toObject();
        }
        return rows;
    };
    const QString wrong = writeTestFile(m_dir, QStringLiteral("onvif-wrong"), "Wrong12345\n");

    // Without credentials only the factory-state device is read; a wrong password is told apart.
    QVector<QJsonObject> rows = onvifRows({});
    QCOMPARE(rows.size(), 4);
    QStringList fresh;
    for (const QJsonObject &row : qAsConst(rows)) {
        QCOMPARE(row.value(QStringLiteral("identity_verified")).toBool(), false);
        if (!row.value(QStringLiteral("activated")).toBool()) {
            fresh << row.value(QStringLiteral("serial")).toString();
            QVERIFY(onvifState().contains(fresh.last()));
        } else {
            QCOMPARE(row.value(QStringLiteral("onvif_state")).toString(), QStringLiteral("not read"));
        }
    }
    QVERIFY(!fresh.isEmpty());
    rows = onvifRows({QStringLiteral("--user"), QStringLiteral("admin"), QStringLiteral("--password-file"), wrong});
    QCOMPARE(rows.size(), 4);
    for (const QJsonObject &row : qAsConst(rows)) {
        if (row.value(QStringLiteral("activated")).toBool())
            QCOMPARE(row.value(QStringLiteral("onvif_state")).toString(), QStringLiteral("credentials refused"));
    }

    // The factory-state ones get their first administrator.
    QStringList arguments{QStringLiteral("activate"), QStringLiteral("--password-file"), m_passwordFile};
    for (const QString &serial : qAsConst(fresh))
        arguments << QStringLiteral("--serial") << serial;
    Run run = tarn(arguments);
    QVERIFY2(run.code == 0, qPrintable(run.out + run.err));
    QCOMPARE(run.out.count(QStringLiteral("  activated")), fresh.size());

    // Two of ours that the other tests left with the first password.
    QStringList ours;
    for (const QJsonValue &v : stateDevices()) {
        const QJsonObject d = v.toObject();
        if (ours.size() < 2 && !m_newSerials.contains(d.value(QStringLiteral("sn")).toString())
            && !(d.value(QStringLiteral("cap")).toInt() & TARN_CAP_KEY_RESET) && d.value(QStringLiteral("dhcp")).toInt() != 1)
            ours << d.value(QStringLiteral("sn")).toString();
    }
    QCOMPARE(ours.size(), 2);

    // One plan for two of ours and every camera; one camera is sent where this host cannot put it.
    rows = onvifRows({QStringLiteral("--user"), QStringLiteral("admin"), QStringLiteral("--password-file"), m_passwordFile});
    QCOMPARE(rows.size(), 4);
    QByteArray plan = "serial,ip,mask,gateway\n";
    for (int i = 0; i < 2; ++i)
        plan += QStringLiteral("%1,10.61.0.%2,255.255.255.0,10.61.0.1\n").arg(ours.at(i)).arg(10 + i).toLatin1();
    QStringList cameraSerials;
    for (int i = 0; i < rows.size(); ++i) {
        cameraSerials << rows.at(i).value(QStringLiteral("serial")).toString();
        plan += i < 3 ? QStringLiteral("%1,127.0.0.%2,255.0.0.0,127.0.0.1\n").arg(cameraSerials.last()).arg(71 + i).toLatin1()
                      : QStringLiteral("%1,10.62.0.9,255.255.255.0,10.62.0.1\n").arg(cameraSerials.last()).toLatin1();
    }
    const QString planFile = writeTestFile(m_dir, QStringLiteral("mixed.csv"), plan);
    run = tarn({QStringLiteral("set-net"), QStringLiteral("--plan"), planFile, QStringLiteral("--password-file"),
                m_passwordFile, QStringLiteral("--user"), QStringLiteral("admin")});
    QCOMPARE(run.code, 1);  // the last camera's change cannot be confirmed
    const QStringList lines = run.out.split(QLatin1Char('\n'), Qt::SkipEmptyParts);
    QCOMPARE(lines.size(), 6);
    for (int i = 0; i < 5; ++i)
        QVERIFY2(lines.at(i).endsWith(QLatin1String("  changed")), qPrintable(run.out));
    QVERIFY2(lines.at(5).contains(QStringLiteral("unknown")), qPrintable(run.out));
    for (int i = 0; i < 2; ++i)
        QCOMPARE(emulatorDeviceState(path(QStringLiteral("devices.json")), ours.at(i).toLatin1())
                     .value(QStringLiteral("ip")).toString(),
                 QStringLiteral("10.61.0.%1").arg(10 + i));
    const QHash<QString, QJsonObject> after = onvifState();
    for (int i = 0; i < 3; ++i)
        QCOMPARE(after.value(cameraSerials.at(i)).value(QStringLiteral("address")).toString(),
                 QStringLiteral("127.0.0.%1").arg(71 + i));
    // Where it was told to go, as the device says; but it never answered from there.
    QCOMPARE(after.value(cameraSerials.at(3)).value(QStringLiteral("address")).toString(), QStringLiteral("10.62.0.9"));
    stopEmulator(cameras);
}

QTEST_GUILESS_MAIN(TestTarnCommand)
#include "tst_tarn_lo.moc"
