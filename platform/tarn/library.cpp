// The discovery library: one network thread that receives and keeps the device table, one thread
// that runs the caller's callback, and blocking device operations on the caller's thread.

#include <algorithm>
#include <atomic>
#include <chrono>
#include <condition_variable>
#include <cstring>
#include <deque>
#include <map>
#include <mutex>
#include <random>
#include <set>
#include <thread>

#include <arpa/inet.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include "core/budget.h"
#include "core/identity.h"
#include "core/log.h"
#include "core/recovery.h"
#include "core/seal.h"
#include "core/transport.h"
#include "core/wire.h"
#include "tarn.h"

using namespace std::chrono;
using Clock = steady_clock;

namespace tarn {

namespace {

thread_local int t_lastError = TARN_ERR_NONE;

int fail(int code)
{
    t_lastError = code;
    return 0;
}

int succeed()
{
    return 1;
}

// Inquiry rounds: devices spread answers over the window; later rounds name known devices.
constexpr milliseconds kInquiryWindow {800};
// A second apart: a device answers at most once a second, and can always do so inside the window.
constexpr milliseconds kInquiryRounds[] = {milliseconds(0), milliseconds(1000), milliseconds(2000)};
// Operations: retransmit with randomised, doubling gaps inside this budget.
constexpr milliseconds kOperationBudget {6000};
constexpr milliseconds kFirstGap {150};
constexpr milliseconds kMaxGap {1200};
constexpr milliseconds kGrace {2000};   // beyond three missed announcements
constexpr std::size_t kMaxDevices = 65536;
constexpr std::size_t kMaxQueuedEvents = 2 * kMaxDevices;
// Devices that left keep their last boot and sequence, so a replay of their announcements cannot
// bring them back; the oldest are forgotten first.
constexpr std::size_t kMaxDeparted = 65536;
constexpr std::size_t kMaxVerifiedCertificates = 8192;
// Per sender: datagrams decoded, and signatures checked. A host with a thousand devices stays well
// inside both; a flooding host is cut to this and leaves everyone else's share alone.
constexpr double kDatagramsPerSecond = 2000, kDatagramBurst = 6000;
constexpr double kChecksPerSecond = 1000, kCheckBurst = 4000;
constexpr std::size_t kMaxSenders = 4096;
constexpr seconds kRefusalLogGap {10};

// What a device may answer; anything else would pass for one of the library's own conditions.
int deviceCode(int code)
{
    switch (code) {
    case 0:
    case TARN_ERR_DENIED:
    case TARN_ERR_LOCKED:
    case TARN_ERR_INVALID_PARAM:
    case TARN_ERR_NOT_ACTIVATED:
    case TARN_ERR_DEVICE_FAILED:
    case TARN_ERR_KEY_REFUSED:
    case TARN_ERR_REQUEST_EXPIRED:
    case TARN_ERR_NO_REQUEST:
    case TARN_ERR_NOT_SUPPORTED:
    case TARN_ERR_ALREADY_ACTIVATED:
        return code;
    default:
        return TARN_ERR_DEVICE_FAILED;
    }
}

void copyField(char *field, std::size_t width, const std::string &text)
{
    std::memset(field, 0, width);
    std::memcpy(field, text.data(), std::min(text.size(), width - 1));
}

template <std::size_t N>
void copyField(char (&field)[N], const std::string &text)
{
    copyField(field, N, text);
}

// The text of a caller's fixed field, or nothing when the field holds no terminator.
template <std::size_t N>
bool readField(const char (&field)[N], std::string &out)
{
    const void *end = std::memchr(field, '\0', N);
    if (!end)
        return false;
    out.assign(field, static_cast<const char *>(end));
    return true;
}

TARN_DEVICE_INFO toRecord(const wire::Device &d)
{
    TARN_DEVICE_INFO r;
    std::memset(&r, 0, sizeof r);
    copyField(r.serialNumber, d.serial);
    copyField(r.macAddress, d.mac);
    copyField(r.ipv4Address, d.ip);
    copyField(r.ipv4SubnetMask, d.mask);
    copyField(r.ipv4Gateway, d.gateway);
    copyField(r.softwareVersion, d.softwareVersion);
    copyField(r.dspVersion, d.dspVersion);
    copyField(r.startTime, d.startTime);
    copyField(r.deviceTypeName, d.typeName);
    copyField(r.ipv6Address, d.ip6);
    copyField(r.ipv6Gateway, d.gateway6);
    r.deviceTypeCode = d.typeCode;
    r.port = d.port;
    r.channelCount = d.channels;
    r.ipv6PrefixLength = d.prefixLength;
    r.capabilityFlags = d.capabilities;
    r.dhcpEnabled = d.dhcp;
    r.ipv6Valid = d.ipv6Valid;
    r.httpPort = d.httpPort;
    r.activationState = d.activation;
    r.extraFlags = d.extraFlags;
    return r;
}

bool passesStrictFilter(const wire::Device &d)
{
    in_addr a {};
    return !d.serial.empty() && !wire::normaliseMac(d.mac).empty() && inet_pton(AF_INET, d.ip.c_str(), &a) == 1;
}

// Announcements of one device are ordered by boot, then sequence; anything not newer than the
// last accepted is a copy, a replay or a late duplicate.
std::uint64_t order(std::uint32_t boot, std::uint32_t seq)
{
    return std::uint64_t(boot) << 32 | seq;
}

struct Known
{
    wire::Device device;
    std::string certificate;  // verified for the device's serial and MAC
    std::uint64_t order = 0;
    std::uint32_t intervalS = 20;
    Clock::time_point lastSeen;
};

struct Pending
{
    std::uint32_t id = 0;
    wire::Target target;
    bool haveChallenge = false;
    bool sawUnverified = false;  // a challenge came that did not prove the device's identity
    wire::Challenge challenge;
    std::deque<wire::Result> results;
};

// Why announcements and challenges were refused, for the log.
struct Refusals
{
    std::uint64_t untrusted = 0;    // no certificate from a trusted maker for that serial and MAC
    std::uint64_t badSignature = 0; // not signed by the certified key
    std::uint64_t overBudget = 0;   // the sender exceeded its share of work
    std::uint64_t stale = 0;        // copies, replays, late duplicates
    std::uint64_t logged = 0;       // the first three, summed, when last logged
};

class Library
{
public:
    static Library &get()
    {
        static Library library;
        return library;
    }

    int start(TARN_DEVICE_CALLBACK callback, int mode, void *context);
    int stop();
    int clearup();
    int sendInquiry();
    int setFilter(int rule);
    // Runs one device operation; `data` receives what the answer carries (a key request). The
    // body's secrets are wiped before it returns.
    int operate(const wire::Target &target, wire::OperationBody &&body, std::string *data = nullptr);

private:
    Library() = default;
    ~Library() { stop(); }

    void networkLoop();
    void callbackLoop();
    void handle(std::string_view datagram, std::uint32_t source);
    void onHello(const wire::Hello &hello, std::uint32_t source);
    void onBye(const wire::Bye &bye, std::uint32_t source);
    void onChallenge(const wire::Challenge &challenge, std::uint32_t source);
    // Certificate and signature checks, under the sender's budget; the certificate check is cached.
    bool verified(const std::string &certificate, const std::string &serial, const std::string &mac,
                  const wire::Signature &signature, std::uint32_t source);
    bool signedBy(const wire::Signature &signature, const std::string &certificate, std::uint32_t source);
    void depart(const std::string &mac, std::uint64_t order);
    bool isStale(const std::string &mac, std::uint64_t order) const;
    void logRefusals(Clock::time_point now);
    void emit(const wire::Device &device, int eventType);
    void sendInquiryRound(int round);
    void expire(Clock::time_point now);
    bool waitFor(std::unique_lock<std::mutex> &lock, Pending &p, Clock::time_point until,
                 bool (*ready)(const Pending &));
    void scheduleInquiries();

    std::mutex m_lifecycle;               // start and stop, one at a time
    std::atomic<std::thread::id> m_callbackThread {};
    int m_activeOperations = 0;           // callers using the transport outside the lock

    std::mutex m_mutex;
    std::condition_variable m_changed;   // pending operations
    bool m_running = false;
    int m_filter = TARN_FILTER_NONE;
    net::Transport m_transport;
    std::thread m_network, m_callbacks;
    TARN_DEVICE_CALLBACK m_callback = nullptr;
    void *m_context = nullptr;

    std::map<std::string, Known> m_devices;       // by normalised MAC
    std::vector<identity::TrustedMaker> m_makers;
    // Last order of devices that left (normalised MAC -> order, insertion number), oldest first out.
    std::map<std::string, std::pair<std::uint64_t, std::uint64_t>> m_departed;
    std::map<std::uint64_t, std::string> m_departedAge;
    std::uint64_t m_departures = 0;
    std::set<std::string> m_verified;             // certificate + serial + MAC checked already
    std::deque<std::string> m_verifiedAge;
    SenderBudget m_datagramBudget {kDatagramsPerSecond, kDatagramBurst, kMaxSenders};
    SenderBudget m_checkBudget {kChecksPerSecond, kCheckBurst, kMaxSenders};
    Refusals m_refusals;
    std::uint64_t m_tableFull = 0;
    Clock::time_point m_lastRefusalLog;
    std::map<std::uint32_t, Pending *> m_pending;
    std::vector<std::pair<Clock::time_point, int>> m_rounds;
    std::uint64_t m_undecodable = 0;

    std::mutex m_eventMutex;
    std::condition_variable m_eventReady;
    std::deque<TARN_DEVICE_INFO> m_events;
    bool m_eventsStop = false;
};

int Library::start(TARN_DEVICE_CALLBACK callback, int mode, void *context)
{
    if (!callback || (mode != TARN_MODE_IP && mode != TARN_MODE_LINK_LAYER))
        return fail(TARN_ERR_BAD_ARGUMENT);
    if (std::this_thread::get_id() == m_callbackThread.load())
        return fail(TARN_ERR_ALREADY_STARTED);
    std::lock_guard<std::mutex> life(m_lifecycle);
    std::unique_lock<std::mutex> lock(m_mutex);
    if (m_running)
        return fail(TARN_ERR_ALREADY_STARTED);
    if (!seal::init())
        return fail(TARN_ERR_NO_MEMORY);
    std::string error;
    if (!m_transport.open(mode == TARN_MODE_LINK_LAYER, &error)) {
        log::write(log::Error, "cannot start discovery: %s", error.c_str());
        return fail(TARN_ERR_NETWORK);
    }
    std::string source, trustError;
    m_makers = identity::loadTrustedMakers(&source, &trustError);
    if (m_makers.empty())
        log::write(log::Warning, "no trusted maker key (%s): no device can prove its identity, none will be shown; "
                   "put the makers' keys in %s beside the program or name a file in %s",
                   trustError.empty() ? source.c_str() : trustError.c_str(), identity::TrustedMakersFile,
                   identity::TrustedMakersVariable);
    else
        log::write(log::Info, "trusting %zu maker key(s) from %s%s%s", m_makers.size(), source.c_str(),
                   trustError.empty() ? "" : "; ", trustError.c_str());
    m_callback = callback;
    m_context = context;
    m_running = true;
    m_devices.clear();
    m_departed.clear();
    m_departedAge.clear();
    m_verified.clear();
    m_verifiedAge.clear();
    m_refusals = Refusals();
    scheduleInquiries();
    {
        std::lock_guard<std::mutex> events(m_eventMutex);
        m_events.clear();
        m_eventsStop = false;
    }
    m_callbacks = std::thread(&Library::callbackLoop, this);
    m_network = std::thread(&Library::networkLoop, this);
    return succeed();
}

int Library::stop()
{
    if (std::this_thread::get_id() == m_callbackThread.load())
        return fail(TARN_ERR_BAD_ARGUMENT);  // joining itself would never return
    std::lock_guard<std::mutex> life(m_lifecycle);
    {
        std::lock_guard<std::mutex> lock(m_mutex);
        if (!m_running)
            return succeed();
        m_running = false;
    }
    m_transport.wake();
    m_changed.notify_all();
    m_network.join();
    {
        std::lock_guard<std::mutex> events(m_eventMutex);
        m_eventsStop = true;
        m_events.clear();
    }
    m_eventReady.notify_all();
    m_callbacks.join();
    // Operations in flight see the stop at once; the sockets go only after the last one left.
    std::unique_lock<std::mutex> lock(m_mutex);
    m_changed.wait(lock, [this] { return m_activeOperations == 0; });
    m_transport.close();
    m_devices.clear();
    return succeed();
}

int Library::clearup()
{
    {
        std::lock_guard<std::mutex> lock(m_mutex);
        // Forgotten devices keep their order, so an old announcement replayed now is still old.
        for (const auto &entry : m_devices)
            depart(entry.first, entry.second.order);
        m_devices.clear();
    }
    // Events already queued belong to the table just forgotten.
    std::lock_guard<std::mutex> events(m_eventMutex);
    m_events.clear();
    return succeed();
}

void Library::scheduleInquiries()
{
    const Clock::time_point now = Clock::now();
    m_rounds.clear();
    for (std::size_t k = 0; k < std::size(kInquiryRounds); ++k)
        m_rounds.emplace_back(now + kInquiryRounds[k], int(k));
}

int Library::sendInquiry()
{
    std::lock_guard<std::mutex> lock(m_mutex);
    if (!m_running)
        return fail(TARN_ERR_NOT_STARTED);
    scheduleInquiries();
    m_transport.wake();  // under the lock: stop closes the transport only after clearing m_running
    return succeed();
}

int Library::setFilter(int rule)
{
    if (rule != TARN_FILTER_NONE && rule != TARN_FILTER_STRICT)
        return fail(TARN_ERR_BAD_ARGUMENT);
    std::lock_guard<std::mutex> lock(m_mutex);
    m_filter = rule;
    return succeed();
}

void Library::networkLoop()
{
    for (;;) {
        int timeout = 1000;
        {
            std::lock_guard<std::mutex> lock(m_mutex);
            if (!m_running)
                return;
            const Clock::time_point now = Clock::now();
            for (const auto &r : m_rounds)
                timeout = std::min<int>(timeout, int(std::max<long>(0, duration_cast<milliseconds>(r.first - now).count())));
        }
        m_transport.poll(timeout, [this](std::string_view datagram, int, std::uint32_t source) {
            handle(datagram, source);
        });

        std::vector<int> due;
        {
            std::lock_guard<std::mutex> lock(m_mutex);
            if (!m_running)
                return;
            const Clock::time_point now = Clock::now();
            for (auto it = m_rounds.begin(); it != m_rounds.end();) {
                if (it->first <= now) {
                    due.push_back(it->second);
                    it = m_rounds.erase(it);
                } else {
                    ++it;
                }
            }
            expire(now);
            logRefusals(now);
        }
        for (int round : due)
            sendInquiryRound(round);
    }
}

void Library::sendInquiryRound(int round)
{
    wire::Inquiry inquiry;
    inquiry.id = seal::randomId();
    inquiry.windowMs = std::uint32_t(kInquiryWindow.count());
    if (round > 0) {
        std::lock_guard<std::mutex> lock(m_mutex);
        std::size_t named = 0;
        for (const auto &entry : m_devices) {
            if (named++ == wire::MaxKnownMacs)
                break;
            inquiry.known += entry.first;
        }
    }
    if (const auto datagram = wire::encode(inquiry)) {
        if (!m_transport.sendAll(*datagram))
            log::write(log::Warning, "inquiry could not be sent on any interface");
    }
}

void Library::handle(std::string_view datagram, std::uint32_t source)
{
    // A flooding host is cut off before its datagrams cost a decode.
    if (!m_datagramBudget.take(source, Clock::now())) {
        std::lock_guard<std::mutex> lock(m_mutex);
        ++m_refusals.overBudget;
        return;
    }
    auto decoded = wire::decode(std::string(datagram));
    if (std::holds_alternative<wire::DecodeError>(decoded)) {
        std::lock_guard<std::mutex> lock(m_mutex);
        if (++m_undecodable % 1000 == 1)
            log::write(log::Debug, "dropped an undecodable datagram of %zu bytes (%llu so far)", datagram.size(),
                       static_cast<unsigned long long>(m_undecodable));
        return;
    }
    wire::Message &message = std::get<wire::Message>(decoded);
    if (auto *hello = std::get_if<wire::Hello>(&message)) {
        onHello(*hello, source);
    } else if (auto *bye = std::get_if<wire::Bye>(&message)) {
        onBye(*bye, source);
    } else if (auto *challenge = std::get_if<wire::Challenge>(&message)) {
        onChallenge(*challenge, source);
    } else if (auto *result = std::get_if<wire::Result>(&message)) {
        std::lock_guard<std::mutex> lock(m_mutex);
        const auto it = m_pending.find(result->id);
        if (it == m_pending.end() || it->second->results.size() >= 16)
            return;
        it->second->results.push_back(*result);
        m_changed.notify_all();
    }
}

bool Library::signedBy(const wire::Signature &signature, const std::string &certificate, std::uint32_t source)
{
    if (!m_checkBudget.take(source, Clock::now())) {
        ++m_refusals.overBudget;
        return false;
    }
    if (!identity::signatureValid({signature.text, signature.bytes}, identity::certifiedKey(certificate))) {
        ++m_refusals.badSignature;
        return false;
    }
    return true;
}

bool Library::verified(const std::string &certificate, const std::string &serial, const std::string &mac,
                       const wire::Signature &signature, std::uint32_t source)
{
    std::string cacheKey = certificate;
    seal::appendField(cacheKey, serial);
    cacheKey += mac;
    if (!m_verified.count(cacheKey)) {
        if (!m_checkBudget.take(source, Clock::now())) {
            ++m_refusals.overBudget;
            return false;
        }
        bool trusted = false;
        for (const identity::TrustedMaker &maker : m_makers)
            trusted = trusted || identity::certificateValid(certificate, serial, mac, maker.publicKey);
        if (!trusted) {
            ++m_refusals.untrusted;
            return false;
        }
        if (m_verifiedAge.size() >= kMaxVerifiedCertificates) {
            m_verified.erase(m_verifiedAge.front());
            m_verifiedAge.pop_front();
        }
        m_verified.insert(cacheKey);
        m_verifiedAge.push_back(cacheKey);
    }
    return signedBy(signature, certificate, source);
}

bool Library::isStale(const std::string &mac, std::uint64_t order) const
{
    const auto known = m_devices.find(mac);
    if (known != m_devices.end())
        return order <= known->second.order;
    const auto departed = m_departed.find(mac);
    return departed != m_departed.end() && order <= departed->second.first;
}

void Library::depart(const std::string &mac, std::uint64_t order)
{
    const auto old = m_departed.find(mac);
    if (old != m_departed.end()) {
        m_departedAge.erase(old->second.second);
        m_departed.erase(old);
    }
    if (m_departed.size() >= kMaxDeparted) {
        m_departed.erase(m_departedAge.begin()->second);
        m_departedAge.erase(m_departedAge.begin());
    }
    m_departed.emplace(mac, std::make_pair(order, m_departures));
    m_departedAge.emplace(m_departures++, mac);
}

void Library::logRefusals(Clock::time_point now)
{
    const Refusals &r = m_refusals;
    const std::uint64_t total = r.untrusted + r.badSignature + r.overBudget;
    if (total == r.logged || (r.logged != 0 && now - m_lastRefusalLog < kRefusalLogGap))
        return;
    log::write(log::Warning, "refused %llu announcements or challenges so far: %llu without a certificate from a "
               "trusted maker for their serial and MAC, %llu not signed by the certified key, %llu over a sender's "
               "budget (%llu copies or replays ignored)",
               static_cast<unsigned long long>(total), static_cast<unsigned long long>(r.untrusted),
               static_cast<unsigned long long>(r.badSignature), static_cast<unsigned long long>(r.overBudget),
               static_cast<unsigned long long>(r.stale));
    m_refusals.logged = total;
    m_lastRefusalLog = now;
}

void Library::onHello(const wire::Hello &hello, std::uint32_t source)
{
    const std::string mac = wire::normaliseMac(hello.device.mac);
    if (mac.empty())
        return;
    std::lock_guard<std::mutex> lock(m_mutex);
    if (!m_running)
        return;
    if (m_filter == TARN_FILTER_STRICT && !passesStrictFilter(hello.device))
        return;
    const std::uint64_t helloOrder = order(hello.boot, hello.seq);
    // Copies, replays and duplicates from a second interface are dropped before any signature check.
    if (isStale(mac, helloOrder)) {
        ++m_refusals.stale;
        return;
    }
    auto it = m_devices.find(mac);
    const bool sameCertificate = it != m_devices.end() && it->second.certificate == hello.certificate
        && it->second.device.serial == hello.device.serial;
    if (!(sameCertificate ? signedBy(hello.signature, hello.certificate, source)
                          : verified(hello.certificate, hello.device.serial, mac, hello.signature, source)))
        return;
    if (it == m_devices.end()) {
        if (m_devices.size() >= kMaxDevices) {
            // Only certified devices get here, so this is a network of that size, not a flood.
            if (m_tableFull++ % 1000 == 0)
                log::write(log::Warning, "device table full (%zu devices); new devices are ignored", m_devices.size());
            return;
        }
        const auto departed = m_departed.find(mac);
        if (departed != m_departed.end()) {
            m_departedAge.erase(departed->second.second);
            m_departed.erase(departed);
        }
        Known k;
        k.device = hello.device;
        k.certificate = hello.certificate;
        k.order = helloOrder;
        k.intervalS = hello.intervalS;
        k.lastSeen = Clock::now();
        m_devices.emplace(mac, k);
        log::write(log::Debug, "online: %s %s %s", hello.device.serial.c_str(), hello.device.mac.c_str(), hello.device.ip.c_str());
        emit(hello.device, TARN_EVENT_ONLINE);
        return;
    }
    Known &k = it->second;
    k.lastSeen = Clock::now();
    k.intervalS = hello.intervalS;
    k.order = helloOrder;
    k.certificate = hello.certificate;
    if (k.device != hello.device) {
        k.device = hello.device;
        emit(hello.device, TARN_EVENT_UPDATE);
    }
}

void Library::onBye(const wire::Bye &bye, std::uint32_t source)
{
    const std::string mac = wire::normaliseMac(bye.mac);
    std::lock_guard<std::mutex> lock(m_mutex);
    const auto it = m_devices.find(mac);
    if (it == m_devices.end() || it->second.device.serial != bye.serial)
        return;
    const std::uint64_t byeOrder = order(bye.boot, bye.seq);
    if (byeOrder <= it->second.order) {
        ++m_refusals.stale;
        return;
    }
    if (!signedBy(bye.signature, it->second.certificate, source))
        return;
    emit(it->second.device, TARN_EVENT_OFFLINE);
    depart(mac, byeOrder);
    m_devices.erase(it);
}

// A challenge counts only from the device the caller means: its certificate, from a trusted maker,
// names the target's serial (or MAC), and the challenge is signed with the certified key.
void Library::onChallenge(const wire::Challenge &challenge, std::uint32_t source)
{
    const std::string mac = wire::normaliseMac(challenge.mac);
    std::lock_guard<std::mutex> lock(m_mutex);
    const auto it = m_pending.find(challenge.id);
    if (mac.empty() || it == m_pending.end() || it->second->haveChallenge)
        return;
    Pending &p = *it->second;
    const bool named = p.target.serial.empty() ? wire::normaliseMac(p.target.mac) == mac
                                               : p.target.serial == challenge.serial;
    if (!named)
        return;
    if (!verified(challenge.certificate, challenge.serial, mac, challenge.signature, source)) {
        p.sawUnverified = true;  // keep waiting for the genuine device inside the budget
        return;
    }
    p.challenge = challenge;
    p.haveChallenge = true;
    m_changed.notify_all();
}

void Library::expire(Clock::time_point now)
{
    for (auto it = m_devices.begin(); it != m_devices.end();) {
        const Known &k = it->second;
        if (now - k.lastSeen > seconds(3 * k.intervalS) + kGrace) {
            log::write(log::Debug, "offline after %u s of silence: %s", 3 * k.intervalS, k.device.mac.c_str());
            emit(k.device, TARN_EVENT_OFFLINE);
            depart(it->first, k.order);
            it = m_devices.erase(it);
        } else {
            ++it;
        }
    }
}

void Library::emit(const wire::Device &device, int eventType)
{
    TARN_DEVICE_INFO record = toRecord(device);
    record.eventType = eventType;
    {
        std::lock_guard<std::mutex> events(m_eventMutex);
        if (m_events.size() >= kMaxQueuedEvents) {
            log::write(log::Warning, "the callback falls behind: %zu events waiting, one dropped", m_events.size());
            return;
        }
        m_events.push_back(record);
    }
    m_eventReady.notify_one();
}

void Library::callbackLoop()
{
    m_callbackThread = std::this_thread::get_id();
    struct Forget
    {
        std::atomic<std::thread::id> &id;
        ~Forget() { id = std::thread::id(); }
    } forget {m_callbackThread};
    std::unique_lock<std::mutex> events(m_eventMutex);
    for (;;) {
        m_eventReady.wait(events, [this] { return m_eventsStop || !m_events.empty(); });
        if (m_eventsStop)
            return;
        const TARN_DEVICE_INFO record = m_events.front();
        m_events.pop_front();
        events.unlock();
        m_callback(&record, m_context);
        events.lock();
    }
}

bool Library::waitFor(std::unique_lock<std::mutex> &lock, Pending &p, Clock::time_point until,
                      bool (*ready)(const Pending &))
{
    m_changed.wait_until(lock, until, [&] { return !m_running || ready(p); });
    return m_running && ready(p);
}

int Library::operate(const wire::Target &target, wire::OperationBody &&body, std::string *data)
{
    auto plain = wire::encodeBody(body);
    struct Wipe
    {
        std::optional<std::string> &text;
        wire::OperationBody &body;
        ~Wipe()
        {
            if (text)
                seal::wipe(*text);
            seal::wipe(body.password);
            seal::wipe(body.code);
        }
    } wipeSecrets {plain, body};
    if (!plain)
        return fail(TARN_ERR_BAD_ARGUMENT);

    std::unique_lock<std::mutex> lock(m_mutex);
    if (!m_running)
        return fail(TARN_ERR_NOT_STARTED);
    ++m_activeOperations;
    struct Leave
    {
        Library *self;
        ~Leave()
        {
            --self->m_activeOperations;
            self->m_changed.notify_all();
        }
    } leave {this};
    Pending pending;
    pending.id = seal::randomId();
    while (m_pending.count(pending.id))
        pending.id = seal::randomId();
    pending.target = target;
    m_pending[pending.id] = &pending;
    struct Unregister
    {
        Library *self;
        std::uint32_t id;
        ~Unregister() { self->m_pending.erase(id); }
    } unregister {this, pending.id};

    std::mt19937 random(pending.id);
    const Clock::time_point deadline = Clock::now() + kOperationBudget;
    auto nextGap = [&](milliseconds &gap) {
        const milliseconds jittered(gap.count() + std::uniform_int_distribution<long>(0, gap.count() / 2)(random));
        gap = std::min(gap * 2, kMaxGap);
        return std::min(Clock::now() + jittered, deadline);
    };

    // Phase one: a fresh challenge from the device, with its key.
    const auto request = wire::encode(wire::ChallengeRequest {pending.id, target});
    if (!request)
        return fail(TARN_ERR_BAD_ARGUMENT);
    milliseconds gap = kFirstGap;
    while (!pending.haveChallenge && m_running && Clock::now() < deadline) {
        lock.unlock();
        m_transport.sendAll(*request);
        lock.lock();
        waitFor(lock, pending, nextGap(gap), [](const Pending &p) { return p.haveChallenge; });
    }
    if (!m_running)
        return fail(TARN_ERR_NOT_STARTED);
    if (!pending.haveChallenge) {
        log::write(log::Info, "no device answered request %u for %s%s", pending.id,
                   target.serial.empty() ? target.mac.c_str() : target.serial.c_str(),
                   pending.sawUnverified ? " with a certificate from a trusted maker" : "");
        return fail(pending.sawUnverified ? TARN_ERR_KEY_MISMATCH : TARN_ERR_TIMEOUT);
    }

    // Phase two: the request sealed to the certified key, retransmitted until a genuine answer arrives.
    const wire::Challenge challenge = pending.challenge;
    const std::string deviceKey = identity::sealingPublicKey(identity::certifiedKey(challenge.certificate));
    const seal::KeyPair ephemeral = seal::generateKeyPair();
    auto key = seal::sessionKey(ephemeral.secretKey, deviceKey, ephemeral.publicKey, deviceKey,
                                seal::binding(pending.id, challenge.nonce));
    if (!key)
        return fail(TARN_ERR_DEVICE_FAILED);  // a key no device could have: nothing to talk to
    const std::string targetText = target.serial.empty() ? target.mac : target.serial;
    wire::Operation operation;
    operation.id = pending.id;
    operation.target = target;
    operation.ephemeralKey = ephemeral.publicKey;
    std::string plainText = *plain;
    operation.box = seal::close(*key, seal::Direction::Request, plainText,
                                seal::requestContext(pending.id, targetText, challenge.nonce));
    seal::wipe(plainText);
    const auto datagram = wire::encode(operation);
    if (!datagram) {
        seal::wipe(*key);
        return fail(TARN_ERR_BAD_ARGUMENT);
    }
    const std::string context = seal::answerContext(pending.id, challenge.serial, challenge.mac, challenge.nonce);
    gap = kFirstGap;
    std::optional<int> code;
    while (!code && m_running && Clock::now() < deadline) {
        lock.unlock();
        m_transport.sendAll(*datagram);
        lock.lock();
        const Clock::time_point until = nextGap(gap);
        while (!code && m_running && Clock::now() < until) {
            waitFor(lock, pending, until, [](const Pending &p) { return !p.results.empty(); });
            while (!pending.results.empty() && !code) {
                const wire::Result result = pending.results.front();
                pending.results.pop_front();
                // Anything that does not open under the session key is not from the device.
                const auto opened = seal::open(*key, seal::Direction::Answer, result.box, context);
                if (const auto answer = opened ? wire::decodeResultBody(*opened) : std::nullopt) {
                    code = deviceCode(answer->code);
                    if (data)
                        *data = answer->data;
                }
            }
        }
    }
    seal::wipe(*key);
    static const char *const kNames[] = {"activation", "change", "key request", "reset with key", "restore default"};
    log::write(log::Info, "%s on %s (request %u): %s %d", kNames[body.kind],
               targetText.c_str(), pending.id, code ? "answered" : "no answer, code", code ? *code : TARN_ERR_TIMEOUT);
    if (!code)
        return fail(m_running ? TARN_ERR_TIMEOUT : TARN_ERR_NOT_STARTED);
    return *code == 0 ? succeed() : fail(*code);
}

bool validText(const char *text, std::size_t max)
{
    if (!text)
        return false;
    const std::size_t n = strnlen(text, max + 1);
    return n > 0 && n <= max && wire::isPrintable(std::string(text, n));
}

// A text field that may fill its whole width without a terminator.
std::string boundedText(const char *field, std::size_t width)
{
    return std::string(field, strnlen(field, width));
}

// A regular file of at most 4 KiB; a pipe or device would block the caller, so it is refused.
bool readKeyFile(const std::string &path, std::string &text)
{
    constexpr ssize_t kMaxKeyFile = 4096;
    const int fd = open(path.c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC);
    if (fd < 0)
        return false;
    struct stat st {};
    char buffer[kMaxKeyFile + 1];
    ssize_t n = -1;
    if (fstat(fd, &st) == 0 && S_ISREG(st.st_mode) && st.st_size <= kMaxKeyFile)
        n = read(fd, buffer, sizeof buffer);
    close(fd);
    if (n < 0 || n > kMaxKeyFile)
        return false;
    text.assign(buffer, std::size_t(n));
    return true;
}

wire::Target serialTarget(const char *serialNumber)
{
    wire::Target target;
    target.serial = serialNumber;
    return target;
}

bool validPassword(const char *password)
{
    if (!password)
        return false;
    const std::size_t n = strnlen(password, wire::PasswordMax + 1);
    return n > 0 && n <= wire::PasswordMax;
}

} // namespace
} // namespace tarn

using tarn::Library;

extern "C" {

int TARN_SetLogToFile(int level, const char *directory, int autoDelete)
{
    if (level < TARN_LOG_NONE || level > TARN_LOG_DEBUG)
        return tarn::fail(TARN_ERR_BAD_ARGUMENT);
    if (!tarn::log::configure(level, directory ? directory : "", autoDelete ? 7 : 0))
        return tarn::fail(TARN_ERR_BAD_ARGUMENT);
    return tarn::succeed();
}

int TARN_SetDeviceFilterRule(int rule, const void *, unsigned int)
{
    return Library::get().setFilter(rule);
}

int TARN_Start_V30(TARN_DEVICE_CALLBACK callback, int mode, void *context)
{
    return Library::get().start(callback, mode, context);
}

int TARN_Stop(void)
{
    return Library::get().stop();
}

int TARN_Clearup(void)
{
    return Library::get().clearup();
}

int TARN_SendInquiry(void)
{
    return Library::get().sendInquiry();
}

int TARN_ActivateDevice(const char *serialNumber, const char *password)
{
    if (!tarn::validText(serialNumber, tarn::wire::SerialMax) || !tarn::validPassword(password))
        return tarn::fail(TARN_ERR_BAD_ARGUMENT);
    tarn::wire::OperationBody body;
    body.kind = tarn::wire::OperationBody::Activate;
    body.password = password;
    return Library::get().operate(tarn::serialTarget(serialNumber), std::move(body));
}

int TARN_ModifyDeviceNetParam(const char *macAddress, const char *password, const TARN_NETWORK_PARAMS *params)
{
    if (!tarn::validText(macAddress, tarn::wire::MacMax) || tarn::wire::normaliseMac(macAddress).empty()
        || !tarn::validPassword(password) || !params)
        return tarn::fail(TARN_ERR_BAD_ARGUMENT);
    tarn::wire::OperationBody body;
    body.kind = tarn::wire::OperationBody::Modify;
    tarn::wire::NetParams &net = body.net;
    if (!tarn::readField(params->ipv4Address, net.ip) || !tarn::readField(params->ipv4SubnetMask, net.mask)
        || !tarn::readField(params->ipv4Gateway, net.gateway) || !tarn::readField(params->ipv6Address, net.ip6)
        || !tarn::readField(params->ipv6Gateway, net.gateway6) || net.ip6.size() > tarn::wire::Ipv6Max
        || net.gateway6.size() > tarn::wire::Ipv6Max || params->ipv6PrefixLength > 128)
        return tarn::fail(TARN_ERR_BAD_ARGUMENT);
    net.port = params->port;
    net.httpPort = params->httpPort;
    net.prefixLength = params->ipv6PrefixLength;
    net.dhcp = params->dhcpEnabled;
    body.password = password;
    tarn::wire::Target target;
    target.mac = macAddress;
    return Library::get().operate(target, std::move(body));
}

int TARN_GetDeviceConfig(const char *serialNumber, unsigned int kind, const void *, unsigned int, void *out,
                         unsigned int outSize)
{
    using tarn::recovery::RequestFileBytes;
    using tarn::recovery::RequestTextMax;
    const std::size_t needed = kind == TARN_CONFIG_KEY_REQUEST ? RequestFileBytes + 4 : RequestTextMax + 4;
    if (!tarn::validText(serialNumber, tarn::wire::SerialMax) || !out
        || (kind != TARN_CONFIG_KEY_REQUEST && kind != TARN_CONFIG_KEY_REQUEST_QR) || outSize < needed)
        return tarn::fail(TARN_ERR_BAD_ARGUMENT);
    tarn::wire::OperationBody body;
    body.kind = tarn::wire::OperationBody::KeyRequest;
    body.requestKind = int(kind);
    std::string data;
    if (!Library::get().operate(tarn::serialTarget(serialNumber), std::move(body), &data))
        return 0;
    const bool fits = kind == TARN_CONFIG_KEY_REQUEST
        ? data.size() == RequestFileBytes
        : (!data.empty() && data.size() < RequestTextMax && tarn::wire::isPrintable(data));
    if (!fits)
        return tarn::fail(TARN_ERR_DEVICE_FAILED);
    auto *bytes = static_cast<unsigned char *>(out);
    std::memset(bytes, 0, outSize);
    const std::uint32_t count = static_cast<std::uint32_t>(data.size());
    for (int i = 0; i < 4; ++i)
        bytes[i] = static_cast<unsigned char>(count >> (8 * i));
    // Kind 2 text is shorter than the data area, so the zero fill always leaves its terminator.
    std::memcpy(bytes + 4, data.data(), data.size());
    return tarn::succeed();
}

int TARN_ResetPasswd(const char *serialNumber, const TARN_RESET_PARAM *request)
{
    if (!tarn::validText(serialNumber, tarn::wire::SerialMax) || !request)
        return tarn::fail(TARN_ERR_BAD_ARGUMENT);
    std::string keyText;
    if (request->keyFilePath[0] != '\0') {
        if (!tarn::readKeyFile(tarn::boundedText(request->keyFilePath, sizeof request->keyFilePath), keyText))
            return tarn::fail(TARN_ERR_KEY_FILE);
        if (keyText.find_first_not_of(" \t\r\n") == std::string::npos)
            return tarn::fail(TARN_ERR_KEY_FILE);
    } else {
        keyText = tarn::boundedText(request->key, sizeof request->key);
        if (keyText.find_first_not_of(" \t\r\n") == std::string::npos)
            return tarn::fail(TARN_ERR_BAD_ARGUMENT);
    }
    if (request->password[0] == '\0')
        return tarn::fail(TARN_ERR_BAD_ARGUMENT);
    // Text that cannot even be a signature cannot be the maker's key: no need to ask the device.
    const auto key = tarn::recovery::parseKeyText(keyText);
    if (!key)
        return tarn::fail(TARN_ERR_KEY_REFUSED);
    tarn::wire::OperationBody body;
    body.kind = tarn::wire::OperationBody::ResetWithKey;
    body.password = tarn::boundedText(request->password, sizeof request->password);
    body.resetCameras = request->resetIpc != 0;
    body.key = *key;
    return Library::get().operate(tarn::serialTarget(serialNumber), std::move(body));
}

int TARN_ResetDefaultPasswd(const char *serialNumber, const char *securityCode)
{
    if (!tarn::validText(serialNumber, tarn::wire::SerialMax)
        || !tarn::validText(securityCode, tarn::recovery::CodeTextMax))
        return tarn::fail(TARN_ERR_BAD_ARGUMENT);
    tarn::wire::OperationBody body;
    body.kind = tarn::wire::OperationBody::RestoreDefault;
    body.code = securityCode;
    return Library::get().operate(tarn::serialTarget(serialNumber), std::move(body));
}

int TARN_GetLastError(void)
{
    return tarn::t_lastError;
}

} // extern "C"
