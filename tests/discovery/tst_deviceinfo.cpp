#include <QtTest>

#include <cstring>

#include <QThread>

#include "discovery/devicefields.h"
#include "discovery/deviceinfo.h"

// Emits records from another thread, as the library's callback does.
class Emitter : public QObject
{
    Q_OBJECT
signals:
    void device(TARN_DEVICE_INFO info);
    void selection(ModifyPage page, QVector<DeviceInfo> devices);
};

class Receiver : public QObject
{
    Q_OBJECT
public:
    QVector<TARN_DEVICE_INFO> devices;
    QVector<DeviceInfo> lastSelection;
    ModifyPage lastPage = MIXED_BATCH;
public slots:
    void onDevice(TARN_DEVICE_INFO info) { devices.append(info); }
    void onSelection(ModifyPage page, QVector<DeviceInfo> list)
    {
        lastPage = page;
        lastSelection = list;
    }
};

class TestDeviceInfo : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void offsets_data();
    void offsets();
    void metaTypeCopyKeepsEveryByte();
    void metaTypeDefaultIsZeroFilled();
    void queuedAcrossThreadsKeepsEveryByte();
    void deviceInfoTravelsQueued();
    void unterminatedFieldIsNotReadPast();
    void setFieldTextTruncatesSafely();
    void identityIsExactText();

private:
    static TARN_DEVICE_INFO patterned();
};

void TestDeviceInfo::initTestCase()
{
    registerDeviceMetaTypes();
    registerDeviceMetaTypes();  // a second call changes nothing
    QVERIFY(QMetaType::type("TARN_DEVICE_INFO") != QMetaType::UnknownType);
    QVERIFY(QMetaType::type("DeviceInfo") != QMetaType::UnknownType);
    QCOMPARE(QMetaType::sizeOf(QMetaType::type("TARN_DEVICE_INFO")), 500);
}

void TestDeviceInfo::offsets_data()
{
    QTest::addColumn<int>("actual");
    QTest::addColumn<int>("expected");
#define ROW(field, off) QTest::newRow(#field) << int(offsetof(TARN_DEVICE_INFO, field)) << (off)
    ROW(reserved0, 0); ROW(serialNumber, 12); ROW(macAddress, 60); ROW(ipv4Address, 80);
    ROW(ipv4SubnetMask, 96); ROW(deviceTypeCode, 112); ROW(port, 116); ROW(channelCount, 120);
    ROW(softwareVersion, 128); ROW(dspVersion, 176); ROW(startTime, 224); ROW(eventType, 272);
    ROW(deviceTypeName, 276); ROW(ipv4Gateway, 324); ROW(ipv6Address, 340); ROW(ipv6Gateway, 386);
    ROW(ipv6PrefixLength, 432); ROW(capabilityFlags, 433); ROW(dhcpEnabled, 434);
    ROW(ipv6Valid, 435); ROW(httpPort, 436); ROW(activationState, 459); ROW(extraFlags, 484);
#undef ROW
    QTest::newRow("size") << int(sizeof(TARN_DEVICE_INFO)) << 500;
}

void TestDeviceInfo::offsets()
{
    QFETCH(int, actual);
    QFETCH(int, expected);
    QCOMPARE(actual, expected);
}

// Every byte differs from its neighbours, reserved bytes included, and no text field is terminated.
TARN_DEVICE_INFO TestDeviceInfo::patterned()
{
    TARN_DEVICE_INFO info;
    unsigned char *bytes = reinterpret_cast<unsigned char *>(&info);
    for (int i = 0; i < 500; ++i)
        bytes[i] = static_cast<unsigned char>((i * 7 + 1) % 251 + 1);
    return info;
}

void TestDeviceInfo::metaTypeCopyKeepsEveryByte()
{
    const TARN_DEVICE_INFO source = patterned();
    const int id = QMetaType::type("TARN_DEVICE_INFO");

    void *copy = QMetaType::create(id, &source);
    QVERIFY(copy);
    QCOMPARE(std::memcmp(copy, &source, 500), 0);
    QMetaType::destroy(id, copy);

    const QVariant variant(id, &source);
    QCOMPARE(std::memcmp(variant.constData(), &source, 500), 0);
    const TARN_DEVICE_INFO back = variant.value<TARN_DEVICE_INFO>();
    QCOMPARE(std::memcmp(&back, &source, 500), 0);
    QCOMPARE(qMetaTypeId<TARN_DEVICE_INFO>(), id);

    // Streamed as its 500 bytes; a stream cut short leaves a zero-filled record and says so.
    QByteArray bytes;
    QDataStream out(&bytes, QIODevice::WriteOnly);
    QVERIFY(QMetaType::save(out, id, &source));
    QCOMPARE(bytes.size(), 500);
    TARN_DEVICE_INFO loaded = patterned();
    std::memset(&loaded, 0x11, sizeof loaded);
    QDataStream in(bytes);
    QVERIFY(QMetaType::load(in, id, &loaded));
    QCOMPARE(std::memcmp(&loaded, &source, 500), 0);
    QDataStream shortIn(bytes.left(499));
    QMetaType::load(shortIn, id, &loaded);
    QCOMPARE(shortIn.status(), QDataStream::ReadPastEnd);
    QCOMPARE(std::count(reinterpret_cast<const char *>(&loaded), reinterpret_cast<const char *>(&loaded) + 500, 0), 500L);
}

void TestDeviceInfo::metaTypeDefaultIsZeroFilled()
{
    const int id = QMetaType::type("TARN_DEVICE_INFO");
    alignas(TARN_DEVICE_INFO) unsigned char storage[500];
    std::memset(storage, 0xAB, sizeof storage);
    QMetaType::construct(id, storage, nullptr);
    for (unsigned char b : storage)
        QCOMPARE(int(b), 0);
    QMetaType::destruct(id, storage);

    void *created = QMetaType::create(id);
    const unsigned char *bytes = static_cast<const unsigned char *>(created);
    QCOMPARE(std::count(bytes, bytes + 500, 0), 500L);
    QMetaType::destroy(id, created);
}

void TestDeviceInfo::queuedAcrossThreadsKeepsEveryByte()
{
    Receiver receiver;
    Emitter emitter;
    QThread thread;
    emitter.moveToThread(&thread);
    connect(&emitter, &Emitter::device, &receiver, &Receiver::onDevice);  // automatic: queued
    thread.start();

    const TARN_DEVICE_INFO source = patterned();
    QMetaObject::invokeMethod(&emitter, [&emitter, source] { emit emitter.device(source); });
    QTRY_COMPARE(receiver.devices.size(), 1);
    QCOMPARE(std::memcmp(&receiver.devices.first(), &source, 500), 0);

    thread.quit();
    QVERIFY(thread.wait(5000));
}

void TestDeviceInfo::deviceInfoTravelsQueued()
{
    Receiver receiver;
    Emitter emitter;
    connect(&emitter, &Emitter::selection, &receiver, &Receiver::onSelection, Qt::QueuedConnection);
    DeviceInfo a;
    QVERIFY(a.strIndex.isEmpty() && a.strResult.isEmpty());
    a.strIndex = QStringLiteral("001");
    a.strDeviceType = QStringLiteral("NVR-16");
    a.strIPv4 = QStringLiteral("192.0.0.64");
    a.strSerialNo = QStringLiteral("SN1");
    a.strMAC = QStringLiteral("00-11-22-33-44-55");
    a.strResult = QStringLiteral("0");
    DeviceInfo b(a);
    b.strIndex = QStringLiteral("002");
    emit emitter.selection(MODIFY_BATCH, {a, b});
    QTRY_COMPARE(receiver.lastSelection.size(), 2);
    QCOMPARE(receiver.lastPage, MODIFY_BATCH);
    QCOMPARE(receiver.lastSelection.at(0).strMAC, a.strMAC);
    QCOMPARE(receiver.lastSelection.at(1).strIndex, QStringLiteral("002"));
    QCOMPARE(receiver.lastSelection.at(1).strIPv4, a.strIPv4);
    QCOMPARE(int(ACTIVE_SINGLE), 2);
    QCOMPARE(int(MIXED_BATCH), 4);
}

void TestDeviceInfo::unterminatedFieldIsNotReadPast()
{
    TARN_DEVICE_INFO info = patterned();
    std::memset(info.macAddress, 'M', sizeof info.macAddress);  // full, no terminator
    std::memset(info.ipv4Address, 'I', sizeof info.ipv4Address);
    QCOMPARE(TARN::macOf(info), QString(20, QLatin1Char('M')));
    QVERIFY(!TARN::fieldTerminated(info.macAddress, sizeof info.macAddress));

    std::memcpy(info.serialNumber, "SN\0garbage", 10);
    QCOMPARE(TARN::serialOf(info), QStringLiteral("SN"));
    QVERIFY(TARN::fieldTerminated(info.serialNumber, sizeof info.serialNumber));

    // The last field of the record, read from a heap copy of exactly 500 bytes: a reader that ran
    // past its width would leave the allocation (and the sanitizer would say so).
    QScopedPointer<TARN_DEVICE_INFO> heap(new TARN_DEVICE_INFO(info));
    std::memset(heap->deviceTypeName, 'D', sizeof heap->deviceTypeName);
    QCOMPARE(TARN::fieldText(heap->deviceTypeName).size(), 48);
    QCOMPARE(TARN::fieldLength(nullptr, 10), std::size_t(0));
}

void TestDeviceInfo::setFieldTextTruncatesSafely()
{
    TARN_DEVICE_INFO info = patterned();
    QVERIFY(TARN::setFieldText(info.ipv4Address, QStringLiteral("192.168.1.64")));
    QCOMPARE(TARN::fieldText(info.ipv4Address), QStringLiteral("192.168.1.64"));
    QCOMPARE(int(info.ipv4Address[15]), 0);  // rest zero-filled

    QVERIFY(!TARN::setFieldText(info.ipv4Address, QStringLiteral("255.255.255.255.255")));
    QCOMPARE(TARN::fieldText(info.ipv4Address), QStringLiteral("255.255.255.255"));
    QVERIFY(TARN::fieldTerminated(info.ipv4Address, 16));
    QCOMPARE(int(info.ipv4SubnetMask[0]), int(patterned().ipv4SubnetMask[0]));  // neighbour untouched

    QVERIFY(!TARN::setFieldText(info.serialNumber, QStringLiteral("设备")));
}

void TestDeviceInfo::identityIsExactText()
{
    TARN_DEVICE_INFO a = {};
    TARN::setFieldText(a.serialNumber, QStringLiteral("SN-1"));
    TARN::setFieldText(a.macAddress, QStringLiteral("aa-bb-cc-00-11-22"));
    TARN_DEVICE_INFO b = a;
    QVERIFY(TARN::sameIdentity(a, b));

    TARN::setFieldText(b.macAddress, QStringLiteral("AA-BB-CC-00-11-22"));
    QVERIFY(!TARN::sameIdentity(a, b));  // letter case
    TARN::setFieldText(b.macAddress, QStringLiteral("aa:bb:cc:00:11:22"));
    QVERIFY(!TARN::sameIdentity(a, b));  // separator
    TARN::setFieldText(b.macAddress, QStringLiteral("aa-bb-cc-00-11-22"));
    TARN::setFieldText(b.serialNumber, QStringLiteral("SN-2"));
    QVERIFY(!TARN::sameIdentity(a, b));  // same MAC, other serial

    DeviceInfo row;
    row.strSerialNo = QStringLiteral("SN-1");
    row.strMAC = QStringLiteral("aa-bb-cc-00-11-22");
    QVERIFY(TARN::refersTo(row, a));
    QVERIFY(!TARN::refersTo(row, b));
}

QTEST_GUILESS_MAIN(TestDeviceInfo)
#include "tst_deviceinfo.moc"
