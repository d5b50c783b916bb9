#include <QtTest>

#include <cstring>
#include <thread>
#include <vector>

#include "discovery/devicefields.h"
#include "discovery/tarnhandler.h"

using TARN::TarnHandler;
using TARN::TarnLibrary;

// A library that records its calls and answers what the test sets.
namespace fake {
struct Calls
{
    std::vector<std::vector<long>> logs;
    std::vector<std::vector<long>> filters;
    int starts = 0, stops = 0, clearups = 0, inquiries = 0, lastErrorReads = 0;
    int startMode = -1;
    void *startContext = nullptr;
    TARN_DEVICE_CALLBACK callback = nullptr;
    int result = 1;       // what every call answers
    int lastError = 0;
    QByteArray serial, password, mac;
    TARN_NETWORK_PARAMS params {};
} calls;

int setLogToFile(int level, const char *directory, int autoDelete)
{
    calls.logs.push_back({level, directory ? 1L : 0L, autoDelete});
    return calls.result;
}
int setDeviceFilterRule(int rule, const void *reserved, unsigned int size)
{
    calls.filters.push_back({rule, reserved ? 1L : 0L, long(size)});
    return calls.result;
}
int start(TARN_DEVICE_CALLBACK callback, int mode, void *context)
{
    ++calls.starts;
    calls.callback = callback;
    calls.startMode = mode;
    calls.startContext = context;
    return calls.result;
}
int stop() { ++calls.stops; return calls.result; }
int clearup() { ++calls.clearups; return calls.result; }
int sendInquiry() { ++calls.inquiries; return calls.result; }
int activate(const char *serial, const char *password)
{
    calls.serial = serial;
    calls.password = password;
    return calls.result;
}
int modify(const char *mac, const char *password, const TARN_NETWORK_PARAMS *params)
{
    calls.mac = mac;
    calls.password = password;
    calls.params = *params;
    return calls.result;
}
int getConfig(const char *serial, unsigned int, const void *, unsigned int, void *, unsigned int)
{
    calls.serial = serial;
    return calls.result;
}
int reset(const char *serial, const TARN_RESET_PARAM *) { calls.serial = serial; return calls.result; }
int resetDefault(const char *serial, const char *) { calls.serial = serial; return calls.result; }
int lastError() { ++calls.lastErrorReads; return calls.lastError; }

const TarnLibrary library {setLogToFile, setDeviceFilterRule, start, stop, clearup, sendInquiry,
                           activate, modify, getConfig, reset, resetDefault, lastError};
} // namespace fake

class TestTarnHandler : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void init();
    void constructionAsksForTheLog();
    void startOnceStopOnce();
    void failedStartStaysStopped();
    void stopBeforeStartCallsNothing();
    void filterRuleArguments();
    void operationResults_data();
    void operationResults();
    void activationReadsTheErrorOnFailure();
    void callbackEvents_data();
    void callbackEvents();
    void callbackDropsBadRecords();
    void callbackFromAnotherThreadIsQueued();
    void instanceRace();
    void metaObjectCasts();

private:
    static TARN_DEVICE_INFO record(int eventType);
};

void TestTarnHandler::initTestCase()
{
    registerDeviceMetaTypes();
}

void TestTarnHandler::init()
{
    fake::calls = fake::Calls();
}

TARN_DEVICE_INFO TestTarnHandler::record(int eventType)
{
    TARN_DEVICE_INFO r;
    std::memset(&r, 0, sizeof r);
    TARN::setFieldText(r.serialNumber, QStringLiteral("SN1"));
    TARN::setFieldText(r.macAddress, QStringLiteral("02-00-00-00-00-01"));
    r.eventType = eventType;
    return r;
}

void TestTarnHandler::constructionAsksForTheLog()
{
    TarnHandler handler(fake::library);
    QCOMPARE(fake::calls.logs.size(), std::size_t(1));
    QCOMPARE(fake::calls.logs[0], (std::vector<long> {3, 0, 1}));  // level 3, no folder, auto-delete
    QVERIFY(!handler.isStarted());
}

void TestTarnHandler::startOnceStopOnce()
{
    {
        TarnHandler handler(fake::library);
        QVERIFY(handler.start());
        QVERIFY(handler.start());
        QCOMPARE(fake::calls.starts, 1);
        QCOMPARE(fake::calls.startMode, 1);
        QCOMPARE(fake::calls.startContext, static_cast<void *>(&handler));
        QVERIFY(fake::calls.callback == &TarnHandler::deviceCallback);

        fake::calls.result = 0;
        QVERIFY(!handler.stop());  // a failed stop leaves discovery started
        QVERIFY(handler.isStarted());
        fake::calls.result = 1;
        QVERIFY(handler.stop());
        QVERIFY(!handler.isStarted());
        QCOMPARE(fake::calls.stops, 2);
        QVERIFY(handler.start());
        QCOMPARE(fake::calls.starts, 2);
    }
    QCOMPARE(fake::calls.stops, 3);  // the destructor stops what is running
}

void TestTarnHandler::failedStartStaysStopped()
{
    TarnHandler handler(fake::library);
    fake::calls.result = 0;
    QVERIFY(!handler.start());
    QVERIFY(!handler.isStarted());
    fake::calls.result = 1;
    QVERIFY(handler.start());
    QCOMPARE(fake::calls.starts, 2);
}

void TestTarnHandler::stopBeforeStartCallsNothing()
{
    {
        TarnHandler handler(fake::library);
        QVERIFY(handler.stop());
    }
    QCOMPARE(fake::calls.stops, 0);
}

void TestTarnHandler::filterRuleArguments()
{
    TarnHandler handler(fake::library);
    QVERIFY(handler.setDeviceFilterRule(false));
    QVERIFY(handler.setDeviceFilterRule(true));
    QCOMPARE(fake::calls.filters[0], (std::vector<long> {0, 0, 0}));
    QCOMPARE(fake::calls.filters[1], (std::vector<long> {1, 0, 0}));
    fake::calls.result = 2;  // any non-zero answer is success
    QVERIFY(handler.setDeviceFilterRule(true));
    fake::calls.result = 0;
    fake::calls.lastError = 2001;
    QVERIFY(!handler.setDeviceFilterRule(true));
    QCOMPARE(fake::calls.lastErrorReads, 1);
}

void TestTarnHandler::operationResults_data()
{
    QTest::addColumn<int>("answer");
    QTest::addColumn<bool>("expected");
    QTest::newRow("success") << 1 << true;
    QTest::newRow("more than one") << 5 << true;
    QTest::newRow("zero") << 0 << false;
    QTest::newRow("negative") << -1 << false;
}

void TestTarnHandler::operationResults()
{
    QFETCH(int, answer);
    QFETCH(bool, expected);
    TarnHandler handler(fake::library);
    fake::calls.result = answer;
    QCOMPARE(handler.sendInquiry(), expected);
    QCOMPARE(handler.clearup(), expected);
    TARN_NETWORK_PARAMS params {};
    params.port = 8000;
    QCOMPARE(handler.modifyDeviceNetParam("02-00-00-00-00-01", "pw", params), expected);
    QCOMPARE(fake::calls.mac, QByteArray("02-00-00-00-00-01"));
    QCOMPARE(int(fake::calls.params.port), 8000);
    char buffer[260] = {};
    QCOMPARE(handler.getDeviceConfig("SN9", 1, nullptr, 0, buffer, sizeof buffer), expected);
    QCOMPARE(fake::calls.serial, QByteArray("SN9"));
    TARN_RESET_PARAM request {};
    QCOMPARE(handler.resetPasswd("SN8", request), expected);
    QCOMPARE(handler.resetDefaultPasswd("SN7", "code"), expected);
    QCOMPARE(fake::calls.serial, QByteArray("SN7"));
    fake::calls.lastError = 2011;
    QCOMPARE(handler.getLastError(), 2011);
}

void TestTarnHandler::activationReadsTheErrorOnFailure()
{
    TarnHandler handler(fake::library);
    QVERIFY(handler.activateDevice("SN1", "Abcdef1234"));
    QCOMPARE(fake::calls.password, QByteArray("Abcdef1234"));
    QCOMPARE(fake::calls.lastErrorReads, 0);
    fake::calls.result = 0;
    fake::calls.lastError = 2021;
    QVERIFY(!handler.activateDevice("SN1", "Abcdef1234"));
    QCOMPARE(fake::calls.lastErrorReads, 1);
    QCOMPARE(handler.getLastError(), 2021);  // still there for the caller
}

void TestTarnHandler::callbackEvents_data()
{
    QTest::addColumn<int>("eventType");
    QTest::addColumn<int>("online");
    QTest::addColumn<int>("offline");
    QTest::addColumn<int>("update");
    QTest::newRow("online") << 1 << 1 << 0 << 0;
    QTest::newRow("online, other code") << 4 << 1 << 0 << 0;
    QTest::newRow("update") << 2 << 0 << 0 << 1;
    QTest::newRow("offline") << 3 << 0 << 1 << 0;
    QTest::newRow("zero") << 0 << 0 << 0 << 0;
    QTest::newRow("five") << 5 << 0 << 0 << 0;
    QTest::newRow("negative") << -1 << 0 << 0 << 0;
}

void TestTarnHandler::callbackEvents()
{
    QFETCH(int, eventType);
    QFETCH(int, online);
    QFETCH(int, offline);
    QFETCH(int, update);
    TarnHandler handler(fake::library);
    QSignalSpy onlineSpy(&handler, &TarnHandler::signalDeviceOnline);
    QSignalSpy offlineSpy(&handler, &TarnHandler::signalDeviceOffline);
    QSignalSpy updateSpy(&handler, &TarnHandler::signalDeviceUpdate);
    const TARN_DEVICE_INFO r = record(eventType);
    TarnHandler::deviceCallback(&r, &handler);
    QCOMPARE(onlineSpy.count(), online);
    QCOMPARE(offlineSpy.count(), offline);
    QCOMPARE(updateSpy.count(), update);
    for (QSignalSpy *spy : {&onlineSpy, &offlineSpy, &updateSpy}) {
        if (spy->count())
            QCOMPARE(std::memcmp(spy->at(0).at(0).constData(), &r, sizeof r), 0);
    }
}

void TestTarnHandler::callbackDropsBadRecords()
{
    TarnHandler handler(fake::library);
    QSignalSpy spy(&handler, &TarnHandler::signalDeviceOnline);
    const TARN_DEVICE_INFO good = record(1);
    TarnHandler::deviceCallback(nullptr, &handler);
    TarnHandler::deviceCallback(&good, nullptr);
    QCOMPARE(spy.count(), 0);

    TARN_DEVICE_INFO unterminated = good;
    std::memset(unterminated.startTime, 'x', sizeof unterminated.startTime);
    TarnHandler::deviceCallback(&unterminated, &handler);
    unterminated = good;
    std::memset(unterminated.reserved0, 'x', sizeof unterminated.reserved0);
    TarnHandler::deviceCallback(&unterminated, &handler);
    QCOMPARE(spy.count(), 0);

    // Fields after the event kind are not texts the check reads.
    TARN_DEVICE_INFO full = good;
    std::memset(full.deviceTypeName, 'x', sizeof full.deviceTypeName);
    TarnHandler::deviceCallback(&full, &handler);
    QCOMPARE(spy.count(), 1);
}

void TestTarnHandler::callbackFromAnotherThreadIsQueued()
{
    TarnHandler handler(fake::library);
    std::vector<QByteArray> seen;
    QThread *receiverThread = QThread::currentThread();
    bool onReceiverThread = false;
    connect(&handler, &TarnHandler::signalDeviceUpdate, this, [&](TARN_DEVICE_INFO info) {
        onReceiverThread = QThread::currentThread() == receiverThread;
        seen.push_back(QByteArray(info.serialNumber));
    });
    TARN_DEVICE_INFO r = record(2);
    std::thread library([&] { TarnHandler::deviceCallback(&r, &handler); });
    library.join();
    std::memset(&r, 0, sizeof r);  // the record is gone after the call; the signal kept a copy
    QTRY_COMPARE(seen.size(), std::size_t(1));
    QCOMPARE(seen[0], QByteArray("SN1"));
    QVERIFY(onReceiverThread);
}

void TestTarnHandler::instanceRace()
{
    std::vector<TarnHandler *> seen(6, nullptr);
    std::vector<std::thread> threads;
    for (std::size_t i = 0; i < seen.size(); ++i)
        threads.emplace_back([&seen, i] { seen[i] = TarnHandler::instance(); });
    for (std::thread &t : threads)
        t.join();
    for (TarnHandler *h : seen)
        QCOMPARE(h, TarnHandler::instance());
    QVERIFY(TarnHandler::instance());
    QVERIFY(!TarnHandler::instance()->isStarted());
}

void TestTarnHandler::metaObjectCasts()
{
    TarnHandler handler(fake::library);
    QVERIFY(handler.qt_metacast("TARN::TarnHandler"));
    QVERIFY(handler.qt_metacast("CSingleton<TarnHandler>"));
    QCOMPARE(handler.metaObject()->method(handler.metaObject()->methodOffset()).methodSignature(),
             QByteArray("signalDeviceOnline(TARN_DEVICE_INFO)"));
    QCOMPARE(handler.metaObject()->method(handler.metaObject()->methodOffset()).parameterNames().value(0),
             QByteArray("struDevInfo"));
}

QTEST_GUILESS_MAIN(TestTarnHandler)
#include "tst_tarnhandler.moc"
