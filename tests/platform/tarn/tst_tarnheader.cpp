#include <QtTest>

#include <cstring>

#include "tarn.h"

extern "C" size_t tarn_c_device_info_size(void);
extern "C" size_t tarn_c_offset(int field);

class TestTarnHeader : public QObject
{
    Q_OBJECT

private slots:
    void sameLayoutInC();
    void littleEndianFieldsAtTheirBytes();
};

void TestTarnHeader::sameLayoutInC()
{
    QCOMPARE(tarn_c_device_info_size(), sizeof(TARN_DEVICE_INFO));
    QCOMPARE(tarn_c_offset(0), offsetof(TARN_DEVICE_INFO, serialNumber));
    QCOMPARE(tarn_c_offset(1), offsetof(TARN_DEVICE_INFO, macAddress));
    QCOMPARE(tarn_c_offset(2), offsetof(TARN_DEVICE_INFO, eventType));
    QCOMPARE(tarn_c_offset(3), offsetof(TARN_DEVICE_INFO, httpPort));
    QCOMPARE(tarn_c_offset(4), offsetof(TARN_DEVICE_INFO, activationState));
    QCOMPARE(tarn_c_offset(5), offsetof(TARN_DEVICE_INFO, extraFlags));
}

// A record as raw bytes off the wire: the integers must land where the table puts them.
void TestTarnHeader::littleEndianFieldsAtTheirBytes()
{
    unsigned char raw[500] = {};
    raw[116] = 0x40;  // port 8000 = 0x1F40
    raw[117] = 0x1F;
    raw[272] = 3;     // offline
    raw[436] = 0x50;  // httpPort 80
    raw[432] = 64;
    raw[433] = TARN_CAP_IPV6 | TARN_CAP_KEY_RESET;
    raw[459] = TARN_NOT_ACTIVATED;
    raw[484] = 1;
    TARN_DEVICE_INFO info;
    std::memcpy(&info, raw, sizeof info);
    QCOMPARE(info.port, 8000);
    QCOMPARE(info.eventType, TARN_EVENT_OFFLINE);
    QCOMPARE(int(info.httpPort), 80);
    QCOMPARE(int(info.ipv6PrefixLength), 64);
    QCOMPARE(int(info.capabilityFlags), 0x41);
    QCOMPARE(int(info.activationState), TARN_NOT_ACTIVATED);
    QCOMPARE(int(info.extraFlags), 1);
}

QTEST_APPLESS_MAIN(TestTarnHeader)
#include "tst_tarnheader.moc"
