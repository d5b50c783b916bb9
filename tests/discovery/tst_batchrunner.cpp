#include <QtTest>

#include <mutex>

#include "discovery/batchrunner.h"
#include "discovery/devicefields.h"
#include "discovery/devicesteps.h"
#include "discovery/tarnhandler.h"

using TARN::BatchRunner;
using TARN::BatchStep;
using TARN::StepResult;

// A library whose devices the test scripts: each either answers a modification or stays silent,
// and on the next inquiry announces the record the test gave it.
namespace fake {
std::mutex lock;
TARN_DEVICE_CALLBACK callback = nullptr;
void *context = nullptr;
QHash<QByteArray, bool> answers;                 // MAC -> answers the modification
QHash<QByteArray, TARN_DEVICE_INFO> announces;   // MAC -> its record after an inquiry
QList<QByteArray> sent;                          // MACs in the order their requests went out
thread_local int lastError = 0;

int ok3(int, const char *, int) { return 1; }
int filter(int, const void *, unsigned int) { return 1; }
int start(TARN_DEVICE_CALLBACK cb, int, void *ctx)
{
    callback = cb;
    context = ctx;
    return 1;
}
int none() { return 1; }
int inquiry()
{
    for (const TARN_DEVICE_INFO &record : qAsConst(announces))
        callback(&record, context);
    return 1;
}
int activate(const char *, const char *) { return 1; }
int modify(const char *mac, const char *, const TARN_NETWORK_PARAMS *)
{
    std::lock_guard<std::mutex> guard(lock);
    sent << QByteArray(mac);
    if (answers.value(QByteArray(mac)))
        return 1;
    lastError = TARN_ERR_TIMEOUT;
    return 0;
}
int config(const char *, unsigned int, const void *, unsigned int, void *, unsigned int) { return 0; }
int reset(const char *, const TARN_RESET_PARAM *) { return 0; }
int restore(const char *, const char *) { return 0; }
int error() { return lastError; }

const TARN::TarnLibrary library {ok3, filter, start, none, none, inquiry, activate, modify, config, reset, restore, error};
} // namespace fake

class TestBatchRunner : public QObject
{
    Q_OBJECT

private slots:
    void settlesEachStepByWhatItSet();
};

namespace {

TARN_DEVICE_INFO device(const QString &mac, const QString &ipv6)
{
    TARN_DEVICE_INFO d {};
    TARN::setFieldText(d.serialNumber, QStringLiteral("SN-") + mac.right(2));
    TARN::setFieldText(d.macAddress, mac);
    TARN::setFieldText(d.ipv4Address, QStringLiteral("10.0.0.") + QString::number(mac.right(2).toInt(nullptr, 16)));
    TARN::setFieldText(d.ipv4SubnetMask, QStringLiteral("255.255.255.0"));
    TARN::setFieldText(d.ipv4Gateway, QStringLiteral("10.0.0.254"));
    TARN::setFieldText(d.ipv6Address, ipv6);
    TARN::setFieldText(d.ipv6Gateway, QStringLiteral("fd00::1"));
    d.ipv6PrefixLength = 64;
    d.ipv6Valid = 1;
    d.capabilityFlags = TARN_CAP_IPV6 | TARN_CAP_MODIFY_IPV6 | TARN_CAP_DHCP;
    d.port = 8000;
    d.httpPort = 80;
    d.eventType = TARN_EVENT_UPDATE;
    return d;
}

} // namespace

// A step whose answer is lost is settled by the device's next record. An IPv6-only change used to
// count as taken when the device came back with its old record, since only IPv4 was compared.
// Steps that need nothing are not sent, and a step whose address was taken meanwhile neither.
void TestBatchRunner::settlesEachStepByWhatItSet()
{
    registerDeviceMetaTypes();
    TARN::TarnHandler handler(fake::library);
    QVERIFY(handler.start());
    const QString macs[] = {QStringLiteral("02-00-00-00-00-01"), QStringLiteral("02-00-00-00-00-02"),
                            QStringLiteral("02-00-00-00-00-03"), QStringLiteral("02-00-00-00-00-04"),
                            QStringLiteral("02-00-00-00-00-05")};
    QVector<BatchStep> steps;
    for (const QString &mac : macs) {
        TARN_NETWORK_PARAMS params;
        TARN::netParamsOf(device(mac, QStringLiteral("fd00::10")), &params);
        TARN::setFieldText(params.ipv6Address, QStringLiteral("fd00::20"));
        steps << TARN::modifyStep(mac, mac.right(2), QByteArrayLiteral("Admin12345"), params);
        fake::answers.insert(mac.toLatin1(), false);
    }
    // 1: back with its old IPv6 address. 2: back holding the change, written in another form.
    // 3: never heard again. 4: already holds it. 5: its address is taken meanwhile.
    fake::announces.insert(macs[0].toLatin1(), device(macs[0], QStringLiteral("fd00::10")));
    fake::announces.insert(macs[1].toLatin1(), device(macs[1], QStringLiteral("FD00:0:0::20")));
    steps[3].call = nullptr;
    steps[4].blocked = [] { return QStringLiteral("taken"); };

    BatchRunner runner(&handler);
    runner.setResolveTimeout(300);
    QSignalSpy finished(&runner, &BatchRunner::stepFinished);
    const QVector<StepResult> results = runner.run(steps);
    QCOMPARE(results.size(), 5);
    QCOMPARE(results[0].outcome, StepResult::Failed);
    QVERIFY(results[0].resolved);
    QCOMPARE(results[1].outcome, StepResult::Done);
    QCOMPARE(results[2].outcome, StepResult::Unknown);
    QCOMPARE(results[3].outcome, StepResult::Unchanged);
    QCOMPARE(results[4].outcome, StepResult::Failed);
    QCOMPARE(results[4].reason, QStringLiteral("taken"));
    QCOMPARE(fake::sent, (QList<QByteArray> {macs[0].toLatin1(), macs[1].toLatin1(), macs[2].toLatin1()}));
    QCOMPARE(finished.size(), 5);
}

QTEST_GUILESS_MAIN(TestBatchRunner)
#include "tst_batchrunner.moc"
