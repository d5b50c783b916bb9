#include "library.h"

#include <algorithm>
#include <cstring>

#include "core/identity.h"
#include "core/log.h"
#include "core/seal.h"

using namespace std::chrono;

namespace tarn {

namespace {

// Inquiry rounds: devices spread answers over the window; later rounds name known devices.
constexpr milliseconds kInquiryWindow {800};
// A search's first round waits longer than a device's least gap between two datagrams (1020 ms), so
// a device that announced itself just before the search answers it too, rather than only the next
// round, where it would look like a device whose answer was lost.
constexpr milliseconds kFirstInquiryWindow {1100};
// A second apart: a device answers at most once a second, and can always do so inside the window.
constexpr milliseconds kInquiryRounds[] = {milliseconds(0), milliseconds(1000), milliseconds(2000)};
constexpr milliseconds kInquiryRoundGap {1000};
constexpr milliseconds kInquiryRepeat {150};
constexpr std::size_t kMaxQueuedEvents = 2 * 65536;
// Datagrams decoded per sender. A host with a thousand devices stays well inside; a flooding host
// is cut to this and leaves everyone else's share alone.
constexpr double kDatagramsPerSecond = 2000, kDatagramBurst = 6000;
constexpr std::size_t kMaxSenders = 4096;
// Datagrams remembered, so that copies of them cost nothing: well over what a flooder cycling
// through copies needs to repeat itself, and a few MiB at most.
constexpr std::size_t kRecentDatagrams = 16384;
constexpr std::chrono::seconds kRecentLifetime {30};

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

} // namespace

Library &Library::get()
{
    static Library library;
    return library;
}

Library::Library()
    : m_table(m_verifier, [this](const wire::Device &device, int eventType) { emit(device, eventType); }),
      m_recent(kRecentDatagrams, kRecentLifetime), m_datagramBudget(kDatagramsPerSecond, kDatagramBurst, kMaxSenders)
{
}

int Library::start(TARN_DEVICE_CALLBACK callback, int mode, void *context)
{
    if (!callback || (mode != TARN_MODE_IP && mode != TARN_MODE_LINK_LAYER))
        return TARN_ERR_BAD_ARGUMENT;
    if (std::this_thread::get_id() == m_callbackThread.load())
        return TARN_ERR_ALREADY_STARTED;
    std::lock_guard<std::mutex> life(m_lifecycle);
    std::unique_lock<std::mutex> lock(m_mutex);
    if (m_running)
        return TARN_ERR_ALREADY_STARTED;
    if (!seal::init())
        return TARN_ERR_NO_MEMORY;
    std::string error;
    if (!m_transport.open(mode == TARN_MODE_LINK_LAYER, &error)) {
        log::write(log::Error, "cannot start discovery: %s", error.c_str());
        return TARN_ERR_NETWORK;
    }
    std::string source, trustError;
    std::vector<identity::TrustedMaker> makers = identity::loadTrustedMakers(&source, &trustError);
    if (makers.empty())
        log::write(log::Warning, "no trusted maker key (%s): no device can prove its identity, none will be shown; "
                   "put the makers' keys in %s beside the program or name a file in %s",
                   trustError.empty() ? source.c_str() : trustError.c_str(), identity::TrustedMakersFile,
                   identity::TrustedMakersVariable);
    else
        log::write(log::Info, "trusting %zu maker key(s) from %s%s%s", makers.size(), source.c_str(),
                   trustError.empty() ? "" : "; ", trustError.c_str());
    m_callback = callback;
    m_context = context;
    m_running = true;
    m_table.reset();
    m_verifier.reset(std::move(makers));
    m_recent.reset();
    scheduleInquiries();
    {
        std::lock_guard<std::mutex> events(m_eventMutex);
        m_events.clear();
        m_eventsStop = false;
    }
    m_callbacks = std::thread(&Library::callbackLoop, this);
    m_network = std::thread(&Library::networkLoop, this);
    return TARN_ERR_NONE;
}

int Library::stop()
{
    if (std::this_thread::get_id() == m_callbackThread.load())
        return TARN_ERR_BAD_ARGUMENT;  // joining itself would never return
    std::lock_guard<std::mutex> life(m_lifecycle);
    {
        std::lock_guard<std::mutex> lock(m_mutex);
        if (!m_running)
            return TARN_ERR_NONE;
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
    m_table.clear();
    return TARN_ERR_NONE;
}

int Library::clearup()
{
    {
        std::lock_guard<std::mutex> lock(m_mutex);
        // Forgotten devices keep their order, so an old announcement replayed now is still old.
        m_table.departAll();
    }
    // Events already queued belong to the table just forgotten.
    std::lock_guard<std::mutex> events(m_eventMutex);
    m_events.clear();
    return TARN_ERR_NONE;
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
        return TARN_ERR_NOT_STARTED;
    if (m_rounds.empty()) {
        scheduleInquiries();
    } else {
        // A search is going on: it goes on one round further, a second after its last, naming the
        // devices known by then. Asked again before that round is due, it stays as it is.
        const Clock::time_point last = std::max_element(m_rounds.begin(), m_rounds.end())->first;
        if (last - Clock::now() < kInquiryRoundGap)
            m_rounds.emplace_back(last + kInquiryRoundGap, int(std::size(kInquiryRounds)));
    }
    m_transport.wake();  // under the lock: stop closes the transport only after clearing m_running
    return TARN_ERR_NONE;
}

int Library::setFilter(int rule)
{
    if (rule != TARN_FILTER_NONE && rule != TARN_FILTER_STRICT)
        return TARN_ERR_BAD_ARGUMENT;
    std::lock_guard<std::mutex> lock(m_mutex);
    m_filter = rule;
    return TARN_ERR_NONE;
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
            for (const auto &r : m_repeats)
                timeout = std::min<int>(timeout, int(std::max<long>(0, duration_cast<milliseconds>(r.first - now).count())));
        }
        m_transport.poll(timeout, [this](std::string_view datagram, int, std::uint32_t source) {
            handle(datagram, source);
        });

        std::vector<int> due;
        std::vector<std::string> repeats;
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
            for (auto it = m_repeats.begin(); it != m_repeats.end();) {
                if (it->first <= now) {
                    repeats.push_back(std::move(it->second));
                    it = m_repeats.erase(it);
                } else {
                    ++it;
                }
            }
            m_table.expire(now);
            m_verifier.logRefusals(now);
        }
        for (int round : due)
            sendInquiryRound(round);
        for (const std::string &datagram : repeats)
            m_transport.sendAll(datagram);
    }
}

void Library::sendInquiryRound(int round)
{
    wire::Inquiry inquiry;
    inquiry.id = seal::randomId();
    inquiry.windowMs = std::uint32_t((round == 0 ? kFirstInquiryWindow : kInquiryWindow).count());
    if (round > 0) {
        std::lock_guard<std::mutex> lock(m_mutex);
        inquiry.known = m_table.knownMacs(wire::MaxKnownMacs);
    }
    if (const auto datagram = wire::encode(inquiry)) {
        if (!m_transport.sendAll(*datagram))
            log::write(log::Warning, "inquiry could not be sent on any interface");
        std::lock_guard<std::mutex> lock(m_mutex);
        m_repeats.emplace_back(Clock::now() + kInquiryRepeat, *datagram);
    }
}

void Library::handle(std::string_view datagram, std::uint32_t source)
{
    const Clock::time_point now = Clock::now();
    // A copy of what was handled already changes nothing and costs nothing, not even a share of the
    // budget of the address it comes under, which may be a real device's.
    const DatagramDigest digest = m_recent.digest(datagram);
    if (m_recent.find(digest, now)) {
        std::lock_guard<std::mutex> lock(m_mutex);
        ++m_verifier.refusals().stale;
        return;
    }
    // A flooding host is cut off before its datagrams cost a decode.
    if (!m_datagramBudget.take(source, now)) {
        std::lock_guard<std::mutex> lock(m_mutex);
        ++m_verifier.refusals().overBudget;
        return;
    }
    auto decoded = wire::decode(std::string(datagram));
    if (std::holds_alternative<wire::DecodeError>(decoded)) {
        m_recent.remember(digest, {}, now);
        std::lock_guard<std::mutex> lock(m_mutex);
        if (++m_undecodable % 1000 == 1)
            log::write(log::Debug, "dropped an undecodable datagram of %zu bytes (%llu so far)", datagram.size(),
                       static_cast<unsigned long long>(m_undecodable));
        return;
    }
    if (dispatch(std::get<wire::Message>(decoded), source))
        m_recent.remember(digest, {}, now);
}

// False when the message was turned away only for now (by a budget, the filter rule, a full table
// or queue), so that a copy of it is not taken for one already dealt with.
bool Library::dispatch(const wire::Message &message, std::uint32_t source)
{
    std::lock_guard<std::mutex> lock(m_mutex);
    const std::uint64_t overBudget = m_verifier.refusals().overBudget;
    bool settled = true;
    if (auto *hello = std::get_if<wire::Hello>(&message)) {
        settled = m_running && m_table.onHello(*hello, source, m_filter == TARN_FILTER_STRICT);
    } else if (auto *bye = std::get_if<wire::Bye>(&message)) {
        m_table.onBye(*bye, source);
    } else if (auto *challenge = std::get_if<wire::Challenge>(&message)) {
        onChallenge(*challenge, source);
    } else if (auto *result = std::get_if<wire::Result>(&message)) {
        if (queueResult(m_pending, *result))
            m_changed.notify_all();
        else
            settled = m_pending.count(result->id) == 0;  // nobody waits for it, or its queue is full
    }
    return settled && m_verifier.refusals().overBudget == overBudget;
}

// A challenge counts only from the device the caller means: its certificate, from a trusted maker,
// names the target's serial (or MAC), and the challenge is signed with the certified key. One bound
// to another key than the operation's was handed to someone else who asked under the same id.
// Called under the lock.
void Library::onChallenge(const wire::Challenge &challenge, std::uint32_t source)
{
    const std::string mac = wire::normaliseMac(challenge.mac);
    const auto it = m_pending.find(challenge.id);
    if (mac.empty() || it == m_pending.end() || it->second->haveChallenge
        || challenge.ephemeralKey != it->second->ephemeralKey)
        return;
    Pending &p = *it->second;
    const bool named = p.target.serial.empty() ? wire::normaliseMac(p.target.mac) == mac
                                               : p.target.serial == challenge.serial;
    if (!named)
        return;
    if (!m_verifier.verified(challenge.certificate, challenge.serial, mac, challenge.signature, source)) {
        p.sawUnverified = true;  // keep waiting for the genuine device inside the budget
        return;
    }
    p.challenge = challenge;
    p.haveChallenge = true;
    m_changed.notify_all();
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

int Library::operate(const wire::Target &target, wire::OperationBody &&body, std::string *data)
{
    const SecretBody secrets(body);
    if (!secrets.text())
        return TARN_ERR_BAD_ARGUMENT;
    std::unique_lock<std::mutex> lock(m_mutex);
    if (!m_running)
        return TARN_ERR_NOT_STARTED;
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
    Operation operation({m_changed, m_running, m_pending, m_transport}, lock, target, secrets);
    return operation.run(data);
}

} // namespace tarn
