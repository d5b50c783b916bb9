#include <QtTest>

#include <cstring>

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>

#include "devicecollector.h"
#include "emulatorstate.h"
#include "tarn.h"
#include "wiretap.h"

// Password recovery end to end on the loopback interface: the library takes key requests out of
// emulated devices, the maker's tool answers them, and the devices take the keys once and only
// from the maker; security codes restore one device's default password and no other's.
class TestRecoveryLoopback : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void cleanupTestCase();
    void keyFileForAFileRequest();
    void typedKeyForAQrRequest();
    void keysThatMustFail();
    void expiredRequest();
    void makerToolRefusals();
    void securityCode();
    void nothingSecretOnTheWire();

private:
    QByteArray runMaker(const QStringList &arguments, int *exitCode, const QByteArray &input = QByteArray(),
                        QByteArray *errors = nullptr);
    QByteArray keyRequest(const QByteArray &serial, unsigned kind);
    TARN_DEVICE_INFO device(bool keyReset, bool qr);
    int modifyWith(const TARN_DEVICE_INFO &d, const char *password);
    static TARN_RESET_PARAM resetWithKey(const QByteArray &key, const char *password, bool cameras = false);
    TARN_RESET_PARAM resetWithFile(const QString &path, const char *password);
    QJsonObject stateOf(const QByteArray &serial);

    QTemporaryDir m_dir;
    QProcess m_emulator;
    DeviceCollector m_collector;
    WireTap m_tap;
    QString m_secrets;
    QStringList m_secretTexts;  // everything that must never be seen on the wire
};

void TestRecoveryLoopback::initTestCase()
{
    QVERIFY(m_dir.isValid() && m_tap.ok());
    m_secrets = m_dir.filePath(QStringLiteral("maker.json"));
    int exitCode = -1;
    runMaker({QStringLiteral("init"), QStringLiteral("--secrets"), m_secrets}, &exitCode);
    QCOMPARE(exitCode, 0);
    runMaker({QStringLiteral("init"), QStringLiteral("--secrets"), m_secrets}, &exitCode);
    QVERIFY(exitCode != 0);  // never overwritten
    // The library shows only devices certified by a maker it trusts: this one.
    const QString trusted = m_dir.filePath(QStringLiteral("trusted-makers.txt"));
    runMaker({QStringLiteral("trust"), QStringLiteral("--secrets"), m_secrets, QStringLiteral("-o"), trusted}, &exitCode);
    QCOMPARE(exitCode, 0);
    qputenv("TARN_TRUSTED_MAKERS", trusted.toLocal8Bit());

    qputenv("TARN_IFACES", "lo");
    QVERIFY(startEmulator(m_emulator, {QStringLiteral("--iface"), QStringLiteral("lo"), QStringLiteral("--count"),
                                       QStringLiteral("6"), QStringLiteral("--seed"), QStringLiteral("21"),
                                       QStringLiteral("--announce-s"), QStringLiteral("2"), QStringLiteral("--request-s"),
                                       QStringLiteral("6"), QStringLiteral("--maker"), m_secrets, QStringLiteral("--state"),
                                       m_dir.filePath(QStringLiteral("devices.json"))}));
    TARN_SetLogToFile(TARN_LOG_WARNING, nullptr, 0);
    QCOMPARE(TARN_Start_V30(&DeviceCollector::callback, TARN_MODE_LINK_LAYER, &m_collector), 1);
    QTRY_COMPARE_WITH_TIMEOUT(m_collector.count(TARN_EVENT_ONLINE), 6, 5000);
    m_secretTexts << QStringLiteral("Admin12345");
}

void TestRecoveryLoopback::cleanupTestCase()
{
    TARN_Stop();
    stopEmulator(m_emulator);
}

QByteArray TestRecoveryLoopback::runMaker(const QStringList &arguments, int *exitCode, const QByteArray &input,
                                          QByteArray *errors)
{
    QProcess maker;
    maker.start(QStringLiteral(TARN_MAKER_PROGRAM), arguments);
    maker.waitForStarted(5000);
    maker.write(input);
    maker.closeWriteChannel();
    maker.waitForFinished(10000);
    *exitCode = maker.exitStatus() == QProcess::NormalExit ? maker.exitCode() : -1;
    if (errors)
        *errors = maker.readAllStandardError();
    return maker.readAllStandardOutput().trimmed();
}

TARN_DEVICE_INFO TestRecoveryLoopback::device(bool keyReset, bool qr)
{
    for (const TARN_DEVICE_INFO &e : m_collector.events()) {
        if (e.eventType == TARN_EVENT_ONLINE && bool(e.capabilityFlags & TARN_CAP_KEY_RESET) == keyReset
            && bool(e.extraFlags & 1) == qr)
            return e;
    }
    return TARN_DEVICE_INFO {};
}

QByteArray TestRecoveryLoopback::keyRequest(const QByteArray &serial, unsigned kind)
{
    unsigned char buffer[388];
    std::memset(buffer, 0xEE, sizeof buffer);
    const unsigned size = kind == 1 ? 260 : 388;
    if (TARN_GetDeviceConfig(serial.constData(), kind, nullptr, 0, buffer, size) != 1)
        return QByteArray();
    const quint32 count = buffer[0] | buffer[1] << 8 | buffer[2] << 16 | quint32(buffer[3]) << 24;
    return QByteArray(reinterpret_cast<const char *>(buffer + 4), int(count));
}

int TestRecoveryLoopback::modifyWith(const TARN_DEVICE_INFO &d, const char *password)
{
    TARN_NETWORK_PARAMS p;
    std::memset(&p, 0, sizeof p);
    std::memcpy(p.ipv4Address, d.ipv4Address, sizeof p.ipv4Address);
    std::memcpy(p.ipv4SubnetMask, d.ipv4SubnetMask, sizeof p.ipv4SubnetMask);
    std::memcpy(p.ipv4Gateway, d.ipv4Gateway, sizeof p.ipv4Gateway);
    p.port = static_cast<uint16_t>(d.port);
    p.dhcpEnabled = 0;
    return TARN_ModifyDeviceNetParam(d.macAddress, password, &p) ? 0 : TARN_GetLastError();
}

TARN_RESET_PARAM TestRecoveryLoopback::resetWithKey(const QByteArray &key, const char *password, bool cameras)
{
    TARN_RESET_PARAM r;
    std::memset(&r, 0, sizeof r);
    std::memcpy(r.key, key.constData(), size_t(qMin(key.size(), int(sizeof r.key))));
    std::memcpy(r.password, password, std::strlen(password));  // no terminator, as callers fill it
    r.resetIpc = cameras ? 1 : 0;
    return r;
}

TARN_RESET_PARAM TestRecoveryLoopback::resetWithFile(const QString &path, const char *password)
{
    TARN_RESET_PARAM r = resetWithKey(QByteArray(), password);
    const QByteArray local = path.toLocal8Bit();
    std::memcpy(r.keyFilePath, local.constData(), size_t(local.size()));
    return r;
}

QJsonObject TestRecoveryLoopback::stateOf(const QByteArray &serial)
{
    return emulatorDeviceState(m_dir.filePath(QStringLiteral("devices.json")), serial);
}

void TestRecoveryLoopback::keyFileForAFileRequest()
{
    const TARN_DEVICE_INFO d = device(true, false);
    QVERIFY(d.serialNumber[0]);
    const QByteArray request = keyRequest(d.serialNumber, 1);
    QCOMPARE(request.size(), 256);
    QCOMPARE(keyRequest(d.serialNumber, 2), QByteArray());  // no QR support on this device
    QCOMPARE(TARN_GetLastError(), TARN_ERR_NOT_SUPPORTED);

    const QString requestFile = m_dir.filePath(QStringLiteral("request1.xml"));
    const QString keyFile = m_dir.filePath(QStringLiteral("key1.txt"));
    QFile out(requestFile);
    QVERIFY(out.open(QIODevice::WriteOnly));
    out.write(request);
    out.close();
    int exitCode = -1;
    const QByteArray key = runMaker({QStringLiteral("key"), QStringLiteral("--secrets"), m_secrets,
                                     QStringLiteral("-o"), keyFile, requestFile}, &exitCode);
    QCOMPARE(exitCode, 0);
    m_secretTexts << QString::fromLatin1(key) << QStringLiteral("FilePass-42");

    TARN_RESET_PARAM reset = resetWithFile(keyFile, "FilePass-42");
    reset.resetIpc = 1;
    QCOMPARE(TARN_ResetPasswd(d.serialNumber, &reset), 1);
    QCOMPARE(stateOf(d.serialNumber).value(QStringLiteral("cameraResets")).toInt(), 1);
    QCOMPARE(modifyWith(d, "FilePass-42"), 0);
    QCOMPARE(modifyWith(d, "Admin12345"), TARN_ERR_DENIED);

    // A key works once.
    QCOMPARE(TARN_ResetPasswd(d.serialNumber, &reset), 0);
    QCOMPARE(TARN_GetLastError(), TARN_ERR_NO_REQUEST);
    // A key file that is not there.
    reset = resetWithFile(m_dir.filePath(QStringLiteral("missing.txt")), "FilePass-42");
    QCOMPARE(TARN_ResetPasswd(d.serialNumber, &reset), 0);
    QCOMPARE(TARN_GetLastError(), TARN_ERR_KEY_FILE);
}

void TestRecoveryLoopback::typedKeyForAQrRequest()
{
    const TARN_DEVICE_INFO d = device(true, true);
    QVERIFY(d.serialNumber[0]);
    const QByteArray text = keyRequest(d.serialNumber, 2);
    QVERIFY(text.startsWith("TARN-KR1:"));
    QVERIFY(text.size() <= 384);
    int exitCode = -1;
    const QByteArray key = runMaker({QStringLiteral("key"), QStringLiteral("--secrets"), m_secrets, QStringLiteral("-")},
                                    &exitCode, text + "\n");
    QCOMPARE(exitCode, 0);
    QVERIFY(key.size() <= 128);
    m_secretTexts << QString::fromLatin1(key) << QStringLiteral("Typed-Key-9");

    const TARN_RESET_PARAM reset = resetWithKey(key, "Typed-Key-9");
    QCOMPARE(TARN_ResetPasswd(d.serialNumber, &reset), 1);
    QCOMPARE(stateOf(d.serialNumber).value(QStringLiteral("cameraResets")).toInt(), 0);
    QCOMPARE(modifyWith(d, "Typed-Key-9"), 0);
    QCOMPARE(modifyWith(d, "Admin12345"), TARN_ERR_DENIED);
}

void TestRecoveryLoopback::keysThatMustFail()
{
    const TARN_DEVICE_INFO a = device(true, true);
    const TARN_DEVICE_INFO b = device(true, false);
    int exitCode = -1;
    const QByteArray requestA = keyRequest(a.serialNumber, 2);
    const QByteArray requestB = keyRequest(b.serialNumber, 2).isEmpty() ? keyRequest(b.serialNumber, 1) : QByteArray();
    QVERIFY(!requestA.isEmpty() && !requestB.isEmpty());
    const QString fileB = m_dir.filePath(QStringLiteral("requestB.bin"));
    QFile out(fileB);
    QVERIFY(out.open(QIODevice::WriteOnly));
    out.write(requestB);
    out.close();
    const QByteArray keyB = runMaker({QStringLiteral("key"), QStringLiteral("--secrets"), m_secrets, fileB}, &exitCode);
    QCOMPARE(exitCode, 0);

    // B's key on A.
    TARN_RESET_PARAM reset = resetWithKey(keyB, "Other-Dev-1");
    QCOMPARE(TARN_ResetPasswd(a.serialNumber, &reset), 0);
    QCOMPARE(TARN_GetLastError(), TARN_ERR_KEY_REFUSED);
    // A well-formed signature nobody made from the maker's key.
    reset = resetWithKey(QByteArray(64, 'x').toBase64(), "Forged-Key-1");
    QCOMPARE(TARN_ResetPasswd(a.serialNumber, &reset), 0);
    QCOMPARE(TARN_GetLastError(), TARN_ERR_KEY_REFUSED);
    // Not even a key.
    reset = resetWithKey("not a key", "Forged-Key-1");
    QCOMPARE(TARN_ResetPasswd(a.serialNumber, &reset), 0);
    QCOMPARE(TARN_GetLastError(), TARN_ERR_KEY_REFUSED);
    // Anyone may ask for a request, so a stranger's does not void the installer's: B's key still
    // works on B, once.
    QVERIFY(!keyRequest(b.serialNumber, 1).isEmpty());
    reset = resetWithKey(keyB, "Kept-Key-123");
    QCOMPARE(TARN_ResetPasswd(b.serialNumber, &reset), 1);
    m_secretTexts << QStringLiteral("Kept-Key-123");
    QCOMPARE(TARN_ResetPasswd(b.serialNumber, &reset), 0);
    QCOMPARE(TARN_GetLastError(), TARN_ERR_NO_REQUEST);
    // A few stay open, not without end: four newer requests void the oldest.
    const QByteArray requestB2 = keyRequest(b.serialNumber, 1);
    QVERIFY(!requestB2.isEmpty());
    QVERIFY(out.open(QIODevice::WriteOnly | QIODevice::Truncate));
    out.write(requestB2);
    out.close();
    const QByteArray keyB2 = runMaker({QStringLiteral("key"), QStringLiteral("--secrets"), m_secrets, fileB}, &exitCode);
    QCOMPARE(exitCode, 0);
    for (int i = 0; i < 4; ++i)
        QVERIFY(!keyRequest(b.serialNumber, 1).isEmpty());
    reset = resetWithKey(keyB2, "Voided-Key-1");
    QCOMPARE(TARN_ResetPasswd(b.serialNumber, &reset), 0);
    QCOMPARE(TARN_GetLastError(), TARN_ERR_KEY_REFUSED);
    // No key procedure on a device without it.
    const TARN_DEVICE_INFO plain = device(false, false);
    QCOMPARE(keyRequest(plain.serialNumber, 1), QByteArray());
    QCOMPARE(TARN_GetLastError(), TARN_ERR_NOT_SUPPORTED);
}

void TestRecoveryLoopback::expiredRequest()
{
    const TARN_DEVICE_INFO a = device(true, true);
    const QByteArray text = keyRequest(a.serialNumber, 2);
    int exitCode = -1;
    const QByteArray key = runMaker({QStringLiteral("key"), QStringLiteral("--secrets"), m_secrets, QStringLiteral("-")},
                                    &exitCode, text);
    QCOMPARE(exitCode, 0);
    // The emulator's requests live 6 seconds here. The maker goes by the same clock and the expiry
    // the request carries: once it calls the request expired, so must the device.
    const auto makerCallsItExpired = [&] {
        QByteArray errors;
        runMaker({QStringLiteral("key"), QStringLiteral("--secrets"), m_secrets, QStringLiteral("-")}, &exitCode, text,
                 &errors);
        return exitCode != 0 && errors.contains("expired");
    };
    QTRY_VERIFY_WITH_TIMEOUT(makerCallsItExpired(), 15000);
    TARN_RESET_PARAM reset = resetWithKey(key, "Late-Key-12");
    QCOMPARE(TARN_ResetPasswd(a.serialNumber, &reset), 0);
    QCOMPARE(TARN_GetLastError(), TARN_ERR_REQUEST_EXPIRED);
    QByteArray errors;
    runMaker({QStringLiteral("key"), QStringLiteral("--secrets"), m_secrets, QStringLiteral("-")}, &exitCode, text, &errors);
    QVERIFY(exitCode != 0);
    QVERIFY2(errors.contains("expired"), errors.constData());
}

void TestRecoveryLoopback::makerToolRefusals()
{
    const TARN_DEVICE_INFO b = device(true, false);
    const QByteArray request = keyRequest(b.serialNumber, 1);
    QCOMPARE(request.size(), 256);
    const QString truncated = m_dir.filePath(QStringLiteral("truncated.bin"));
    QFile out(truncated);
    QVERIFY(out.open(QIODevice::WriteOnly));
    out.write(request.left(100));
    out.close();
    int exitCode = -1;
    QByteArray errors;
    runMaker({QStringLiteral("key"), QStringLiteral("--secrets"), m_secrets, truncated}, &exitCode, {}, &errors);
    QVERIFY(exitCode != 0);
    QVERIFY2(errors.contains("malformed"), errors.constData());

    // Another maker's secrets: the request is foreign to it.
    const QString other = m_dir.filePath(QStringLiteral("other-maker.json"));
    runMaker({QStringLiteral("init"), QStringLiteral("--secrets"), other}, &exitCode);
    QCOMPARE(exitCode, 0);
    runMaker({QStringLiteral("key"), QStringLiteral("--secrets"), other, QStringLiteral("-")}, &exitCode,
             QByteArray("TARN-KR1:") + request.left(120).toBase64(), &errors);
    QVERIFY(exitCode != 0);
    QVERIFY2(errors.contains("foreign"), errors.constData());
}

void TestRecoveryLoopback::securityCode()
{
    const TARN_DEVICE_INFO own = device(false, false);
    TARN_DEVICE_INFO other {};
    for (const TARN_DEVICE_INFO &e : m_collector.events()) {
        if (e.eventType == TARN_EVENT_ONLINE && !(e.capabilityFlags & TARN_CAP_KEY_RESET)
            && std::strcmp(e.serialNumber, own.serialNumber) != 0)
            other = e;
    }
    QVERIFY(own.serialNumber[0] && other.serialNumber[0]);
    int exitCode = -1;
    const QByteArray code = runMaker({QStringLiteral("code"), QStringLiteral("--secrets"), m_secrets,
                                      QString::fromLatin1(own.serialNumber)}, &exitCode);
    QCOMPARE(exitCode, 0);
    QVERIFY(code.size() <= 32);
    m_secretTexts << QString::fromLatin1(code);

    QCOMPARE(TARN_ResetDefaultPasswd(other.serialNumber, code.constData()), 0);
    QCOMPARE(TARN_GetLastError(), TARN_ERR_DENIED);
    QCOMPARE(TARN_ResetDefaultPasswd(own.serialNumber, code.toLower().constData()), 1);

    // The device is back to its factory password state: new, to be activated again.
    TARN_DEVICE_INFO updated {};
    QTRY_VERIFY_WITH_TIMEOUT(m_collector.last(TARN_EVENT_UPDATE, own.macAddress, &updated)
                                 && updated.activationState == TARN_NOT_ACTIVATED, 3000);
    QCOMPARE(TARN_ActivateDevice(own.serialNumber, "Fresh-Start-1"), 1);
    QCOMPARE(TARN_ResetDefaultPasswd(own.serialNumber, "AAAA-BBBB-CCCC-DDDD"), 0);
    QCOMPARE(TARN_GetLastError(), TARN_ERR_DENIED);
    // A code is spent once taken: whoever saw it cannot restore the device again with it.
    QCOMPARE(TARN_ResetDefaultPasswd(own.serialNumber, code.constData()), 0);
    QCOMPARE(TARN_GetLastError(), TARN_ERR_DENIED);
    QTRY_VERIFY_WITH_TIMEOUT(m_collector.last(TARN_EVENT_UPDATE, own.macAddress, &updated)
                                 && updated.activationState == TARN_ACTIVATED, 3000);
}

void TestRecoveryLoopback::nothingSecretOnTheWire()
{
    const std::vector<std::string> captured = m_tap.datagrams();
    QVERIFY(captured.size() > 20);
    m_secretTexts << QStringLiteral("Other-Dev-1") << QStringLiteral("Fresh-Start-1");
    for (const QString &secret : m_secretTexts) {
        const std::string s = secret.toStdString();
        QVERIFY(!s.empty());
        for (const std::string &d : captured)
            QVERIFY2(d.find(s) == std::string::npos, qPrintable(secret));
    }
}

QTEST_GUILESS_MAIN(TestRecoveryLoopback)
#include "tst_recovery_lo.moc"
