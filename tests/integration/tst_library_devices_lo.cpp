#include <QtTest>

#include <atomic>
#include <cstdlib>
#include <cstring>
#include <map>
#include <mutex>
#include <new>
#include <set>
#include <thread>

#include <malloc.h>

#include "core/identity.h"
#include "core/seal.h"
#include "core/wire.h"
#include "devicecollector.h"
#include "tarn.h"
#include "testmaker.h"
#include "wiretap.h"

// Memory freed on a thread that is being watched is searched for secrets before it goes back to
// the allocator: a copy of a password freed unwiped is found, wherever it was made.
namespace {

struct Watch
{
    const std::string *secrets = nullptr;
    std::size_t count = 0;
    std::atomic<int> *found = nullptr;
};
thread_local Watch t_watch;

void inspect(void *block)
{
    if (!block || !t_watch.secrets)
        return;
    const std::size_t size = malloc_usable_size(block);
    for (std::size_t i = 0; i < t_watch.count; ++i) {
        const std::string &secret = t_watch.secrets[i];
        if (memmem(block, size, secret.data(), secret.size()))
            ++*t_watch.found;
    }
}

// Watches the calling thread while it lives; `found` counts blocks freed with a secret in them.
class FreedMemoryWatch
{
public:
    FreedMemoryWatch(const std::vector<std::string> &secrets, std::atomic<int> &found)
    {
        t_watch = Watch {secrets.data(), secrets.size(), &found};
    }
    ~FreedMemoryWatch() { t_watch = Watch(); }
};

} // namespace

void *operator new(std::size_t size)
{
    if (void *p = std::malloc(size ? size : 1))
        return p;
    throw std::bad_alloc();
}
void *operator new[](std::size_t size)
{
    return operator new(size);
}
void operator delete(void *p) noexcept
{
    inspect(p);
    std::free(p);
}
void operator delete[](void *p) noexcept
{
    operator delete(p);
}
void operator delete(void *p, std::size_t) noexcept
{
    operator delete(p);
}
void operator delete[](void *p, std::size_t) noexcept
{
    operator delete(p);
}

// A device the test plays itself, certified by the test maker: it answers every challenge request
// for its serial with a challenge signed by its own key, and every operation it can open with the
// code it is told to answer.
class ScriptedDevice
{
public:
    ScriptedDevice(const std::string &serial, const std::string &mac, const WireTap &tap)
        : m_serial(serial), m_mac(mac), m_tap(tap),
          m_certificate(tarn::identity::issueCertificate(testMaker().signingSecret, serial,
                                                         tarn::wire::normaliseMac(mac), m_key.publicKey))
    {
    }
    ~ScriptedDevice() { stopAnswering(); }

    void answer(int code)
    {
        m_code = code;
        if (!m_thread.joinable()) {
            m_stop = false;
            m_thread = std::thread([this] { run(); });
        }
    }
    void stopAnswering()
    {
        m_stop = true;
        if (m_thread.joinable())
            m_thread.join();
    }
    int operationsOpened() const { return m_opened; }

    std::string hello(std::uint32_t boot, std::uint32_t seq, std::uint32_t intervalS, const std::string &ip) const
    {
        tarn::wire::Hello h;
        h.boot = boot;
        h.seq = seq;
        h.intervalS = intervalS;
        h.device.serial = m_serial;
        h.device.mac = m_mac;
        h.device.ip = ip;
        h.device.mask = "255.255.255.0";
        h.device.typeName = "SCRIPTED";
        return certifiedHello(h, m_key);
    }
    std::string bye(std::uint32_t boot, std::uint32_t seq) const
    {
        tarn::wire::Bye b;
        b.boot = boot;
        b.seq = seq;
        b.serial = m_serial;
        b.mac = m_mac;
        const auto datagram = tarn::wire::encodeSigned(b, m_key.secretKey);
        return datagram ? *datagram : std::string();
    }

private:
    void run()
    {
        std::size_t seen = m_tap.datagrams().size();
        std::map<std::uint32_t, std::string> nonces;
        while (!m_stop) {
            const auto datagrams = m_tap.datagrams();
            for (; seen < datagrams.size(); ++seen) {
                auto decoded = tarn::wire::decode(datagrams[seen]);
                const auto *message = std::get_if<tarn::wire::Message>(&decoded);
                if (!message)
                    continue;
                if (const auto *request = std::get_if<tarn::wire::ChallengeRequest>(message)) {
                    if (request->target.serial != m_serial
                        && tarn::wire::normaliseMac(request->target.mac) != tarn::wire::normaliseMac(m_mac))
                        continue;
                    tarn::wire::Challenge c;
                    c.id = request->id;
                    c.serial = m_serial;
                    c.mac = m_mac;
                    c.certificate = m_certificate;
                    c.nonce = nonces.emplace(request->id, tarn::seal::randomBytes(32)).first->second;
                    c.ephemeralKey = request->ephemeralKey;
                    m_tap.replay(*tarn::wire::encodeSigned(c, m_key.secretKey));
                } else if (const auto *op = std::get_if<tarn::wire::Operation>(message)) {
                    const auto nonce = nonces.find(op->id);
                    if (nonce != nonces.end())
                        answerOperation(*op, nonce->second);
                }
            }
            std::this_thread::sleep_for(std::chrono::milliseconds(1));
        }
    }

    void answerOperation(const tarn::wire::Operation &op, const std::string &nonce)
    {
        const std::string target = op.target.serial.empty() ? op.target.mac : op.target.serial;
        const auto key = tarn::seal::sessionKey(tarn::identity::sealingSecretKey(m_key.secretKey), op.ephemeralKey,
                                                op.ephemeralKey, tarn::identity::sealingPublicKey(m_key.publicKey),
                                                tarn::seal::binding(op.id, nonce));
        const auto plain = key ? tarn::seal::open(*key, tarn::seal::Direction::Request, op.box,
                                                  tarn::seal::requestContext(op.id, target, nonce))
                               : std::nullopt;
        if (!plain || !tarn::wire::decodeOperationBody(*plain))
            return;
        ++m_opened;
        const auto body = tarn::wire::encodeBody(tarn::wire::ResultBody {m_code, std::string()});
        const std::string sealed = tarn::seal::close(*key, tarn::seal::Direction::Answer, *body,
                                                     tarn::seal::answerContext(op.id, m_serial, m_mac, nonce));
        m_tap.replay(*tarn::wire::encode(tarn::wire::Result {op.id, m_serial, m_mac, sealed}));
    }

    const std::string m_serial, m_mac;
    const WireTap &m_tap;
    const tarn::identity::KeyPair m_key = tarn::identity::generateKeyPair();
    const std::string m_certificate;
    std::atomic<int> m_code {0};
    std::atomic<int> m_opened {0};
    std::atomic<bool> m_stop {false};
    std::thread m_thread;
};

// The library against devices the test plays: which answers of a device reach the caller, how
// devices are told apart, and that no secret of an operation is left behind in freed memory.
class TestLibraryDevices : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void cleanupTestCase();
    void onlyDeviceCodesPassThrough();
    void serialAndMacTellDevicesApart();
    void secretsAreWipedBeforeTheyAreFreed();

private:
    int events(int eventType, const char *serial) const;

    WireTap m_tap;
    DeviceCollector m_collector;
};

void TestLibraryDevices::initTestCase()
{
    QVERIFY(m_tap.ok());
    QVERIFY(tarn::seal::init());
    QVERIFY(!testMaker().signingSecret.empty());
    qputenv("TARN_IFACES", "lo");
    TARN_SetLogToFile(TARN_LOG_ERROR, nullptr, 0);
    // Plain sockets only: each datagram arrives once, in the order it was sent.
    QCOMPARE(TARN_Start_V30(&DeviceCollector::callback, TARN_MODE_IP, &m_collector), 1);
}

void TestLibraryDevices::cleanupTestCase()
{
    TARN_Stop();
}

int TestLibraryDevices::events(int eventType, const char *serial) const
{
    int n = 0;
    for (const TARN_DEVICE_INFO &e : m_collector.events())
        n += e.eventType == eventType && std::strcmp(e.serialNumber, serial) == 0;
    return n;
}

// A device answers every code there is around the library's own; the caller gets the codes a
// device may give, and any other as a device failure, never as one of the library's conditions.
void TestLibraryDevices::onlyDeviceCodesPassThrough()
{
    ScriptedDevice device("SCRIPTED-CODES", "02:5c:00:00:00:01", m_tap);
    const std::set<int> deviceCodes = {TARN_ERR_DENIED, TARN_ERR_LOCKED, TARN_ERR_INVALID_PARAM,
                                       TARN_ERR_NOT_ACTIVATED, TARN_ERR_DEVICE_FAILED, TARN_ERR_KEY_REFUSED,
                                       TARN_ERR_REQUEST_EXPIRED, TARN_ERR_NO_REQUEST, TARN_ERR_NOT_SUPPORTED,
                                       TARN_ERR_ALREADY_ACTIVATED};
    std::vector<int> answers = {0, 1, 1999, 65535, 99999};
    for (int code = 2000; code <= 2030; ++code)
        answers.push_back(code);
    int opened = 0;
    for (const int answer : answers) {
        device.answer(answer);
        const int ok = TARN_ActivateDevice("SCRIPTED-CODES", "Scripted-Pass-01");
        const QByteArray what = "device answered " + QByteArray::number(answer) + ", caller got "
            + QByteArray::number(ok ? 0 : TARN_GetLastError());
        QVERIFY2(device.operationsOpened() > opened, what.constData());  // the answer came from the device
        opened = device.operationsOpened();
        if (answer == 0)
            QVERIFY2(ok == 1, what.constData());
        else if (deviceCodes.count(answer))
            QVERIFY2(ok == 0 && TARN_GetLastError() == answer, what.constData());
        else
            QVERIFY2(ok == 0 && TARN_GetLastError() == TARN_ERR_DEVICE_FAILED, what.constData());
    }
    // The same filtering on the answer to a change of network settings, by MAC.
    device.answer(TARN_ERR_TIMEOUT);
    TARN_NETWORK_PARAMS params;
    std::memset(&params, 0, sizeof params);
    std::strcpy(params.ipv4Address, "192.168.7.20");
    std::strcpy(params.ipv4SubnetMask, "255.255.255.0");
    std::strcpy(params.ipv4Gateway, "192.168.7.1");
    params.port = 8000;
    QCOMPARE(TARN_ModifyDeviceNetParam("02-5C-00-00-00-01", "Scripted-Pass-01", &params), 0);
    QCOMPARE(TARN_GetLastError(), TARN_ERR_DEVICE_FAILED);
}

// Two certified devices share a MAC (a board swapped into another unit keeps the MAC the old one
// had, or a serial was reissued): each is a device of its own, with its own announcement order,
// updates, expiry and goodbye, and one never stands in for the other.
void TestLibraryDevices::serialAndMacTellDevicesApart()
{
    m_collector.clear();
    const ScriptedDevice first("SCRIPTED-FIRST", "02:5c:00:00:00:aa", m_tap);
    const ScriptedDevice second("SCRIPTED-SECOND", "02-5C-00-00-00-AA", m_tap);
    // The first announces every second and so is offline 5 s after it falls silent.
    QVERIFY(m_tap.replay(first.hello(5, 10, 1, "10.9.0.1")));
    QTRY_COMPARE(events(TARN_EVENT_ONLINE, "SCRIPTED-FIRST"), 1);
    // The second's order is below the first's: it is not a replay of the first's announcements.
    QVERIFY(m_tap.replay(second.hello(1, 1, 60, "10.9.0.2")));
    QTRY_COMPARE(events(TARN_EVENT_ONLINE, "SCRIPTED-SECOND"), 1);
    QVERIFY(m_tap.replay(second.hello(1, 2, 60, "10.9.0.3")));
    QTRY_COMPARE(events(TARN_EVENT_UPDATE, "SCRIPTED-SECOND"), 1);
    QCOMPARE(events(TARN_EVENT_UPDATE, "SCRIPTED-FIRST"), 0);

    QTRY_COMPARE_WITH_TIMEOUT(events(TARN_EVENT_OFFLINE, "SCRIPTED-FIRST"), 1, 15000);
    QCOMPARE(events(TARN_EVENT_OFFLINE, "SCRIPTED-SECOND"), 0);
    // The first's last announcement, replayed, does not bring it back; datagrams arrive in order,
    // so once the second's goodbye is seen, the replay has been dealt with.
    QVERIFY(m_tap.replay(first.hello(5, 10, 1, "10.9.0.1")));
    QVERIFY(m_tap.replay(second.bye(1, 3)));
    QTRY_COMPARE(events(TARN_EVENT_OFFLINE, "SCRIPTED-SECOND"), 1);
    QCOMPARE(events(TARN_EVENT_ONLINE, "SCRIPTED-FIRST"), 1);
    // A restarted first is back; the second's goodbye did not touch it.
    QVERIFY(m_tap.replay(first.hello(6, 1, 60, "10.9.0.1")));
    QTRY_COMPARE(events(TARN_EVENT_ONLINE, "SCRIPTED-FIRST"), 2);
    for (const TARN_DEVICE_INFO &e : m_collector.events())
        QCOMPARE(QByteArray(e.macAddress).toLower().replace('-', ':'), QByteArray("02:5c:00:00:00:aa"));
}

// Whatever copies the library and the encoder make of a password, reset key or security code, none
// is freed unwiped on the caller's thread, on success or failure. The watch itself is shown to find an
// unwiped copy first.
void TestLibraryDevices::secretsAreWipedBeforeTheyAreFreed()
{
    const std::string password = "Wipe-Me-Pass-016";  // 16 bytes: too long for a string's own room
    const std::string code = "WIPEMECODEWIPEMECODE";
    const std::string key(64, 'k');
    const std::string keyText = tarn::wire::toBase64(key);
    // A key's first 16 bytes or characters are enough to find the part-copies a growing string leaves.
    const std::vector<std::string> secrets = {password, tarn::wire::toBase64(password), code, key.substr(0, 16),
                                              keyText.substr(0, 16)};
    std::atomic<int> found {0};
    {
        const FreedMemoryWatch watch(secrets, found);
        void *block = ::operator new(64);
        std::memcpy(block, password.data(), password.size());
        asm volatile("" : : "r"(block) : "memory");  // the copy must really be there when it is freed
        ::operator delete(block);
    }
    QCOMPARE(found.load(), 1);
    found = 0;

    tarn::wire::OperationBody activate;
    activate.password = password;
    tarn::wire::OperationBody reset;
    reset.kind = tarn::wire::OperationBody::ResetWithKey;
    reset.password = password;
    reset.key = key;
    tarn::wire::OperationBody restore;
    restore.kind = tarn::wire::OperationBody::RestoreDefault;
    restore.code = code;
    for (const tarn::wire::OperationBody *body : {&activate, &reset, &restore}) {
        std::optional<std::string> text;
        {
            const FreedMemoryWatch watch(secrets, found);
            text = tarn::wire::encodeBody(*body);
        }
        QVERIFY(text);
        QVERIFY(text->find(body->kind == body->RestoreDefault ? code : secrets[1]) != std::string::npos);
        QVERIFY(body->kind != body->ResetWithKey || text->find(keyText) != std::string::npos);
        tarn::seal::wipe(*text);
    }
    QCOMPARE(found.load(), 0);

    ScriptedDevice device("SCRIPTED-WIPE", "02:5c:00:00:00:02", m_tap);
    TARN_RESET_PARAM request;
    std::memset(&request, 0, sizeof request);
    std::strcpy(request.key, keyText.c_str());
    std::memcpy(request.password, password.data(), sizeof request.password);  // the whole field, no terminator
    for (const int answer : {0, TARN_ERR_DENIED}) {
        device.answer(answer);
        const int opened = device.operationsOpened();
        const FreedMemoryWatch watch(secrets, found);
        TARN_ActivateDevice("SCRIPTED-WIPE", password.c_str());
        TARN_ResetDefaultPasswd("SCRIPTED-WIPE", code.c_str());
        TARN_ResetPasswd("SCRIPTED-WIPE", &request);
        QCOMPARE(device.operationsOpened(), opened + 3);
    }
    QCOMPARE(found.load(), 0);
}

QTEST_GUILESS_MAIN(TestLibraryDevices)
#include "tst_library_devices_lo.moc"
