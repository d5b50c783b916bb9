#include "operation.h"

#include <algorithm>

#include "core/identity.h"
#include "core/log.h"
#include "core/seal.h"
#include "tarn.h"

using namespace std::chrono;

namespace tarn {

namespace {

// Retransmit with randomised, doubling gaps inside this budget.
constexpr milliseconds kOperationBudget {6000};
constexpr milliseconds kFirstGap {150};
constexpr milliseconds kMaxGap {1200};
constexpr std::size_t kMaxQueuedResults = 16;

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

std::string targetText(const wire::Target &target)
{
    return target.serial.empty() ? target.mac : target.serial;
}

} // namespace

PendingEntry::PendingEntry(PendingTable &table, const wire::Target &target, const std::string &ephemeralKey)
    : m_table(table)
{
    m_pending.id = seal::randomId();
    while (m_table.count(m_pending.id))
        m_pending.id = seal::randomId();
    m_pending.target = target;
    m_pending.ephemeralKey = ephemeralKey;
    m_table[m_pending.id] = &m_pending;
}

PendingEntry::~PendingEntry()
{
    m_table.erase(m_pending.id);
}

bool queueResult(PendingTable &table, const wire::Result &result)
{
    const auto it = table.find(result.id);
    if (it == table.end() || it->second->results.size() >= kMaxQueuedResults)
        return false;
    it->second->results.push_back(result);
    return true;
}

SecretBody::SecretBody(wire::OperationBody &body) : m_body(body), m_text(wire::encodeBody(body)) {}

SecretBody::~SecretBody()
{
    if (m_text)
        seal::wipe(*m_text);
    seal::wipe(m_body.password);
    seal::wipe(m_body.key);
    seal::wipe(m_body.code);
}

Operation::Operation(const OperationLink &link, std::unique_lock<std::mutex> &lock, const wire::Target &target,
                     const SecretBody &body)
    : m_link(link), m_lock(lock), m_target(target), m_body(body), m_ephemeral(seal::generateKeyPair()),
      m_pending(link.pending, target, m_ephemeral.publicKey),
      m_random(m_pending->id), m_deadline(Clock::now() + kOperationBudget)
{
}

Operation::Clock::time_point Operation::nextGap(milliseconds &gap)
{
    const milliseconds jittered(gap.count() + std::uniform_int_distribution<long>(0, gap.count() / 2)(m_random));
    gap = std::min(gap * 2, kMaxGap);
    return std::min(Clock::now() + jittered, m_deadline);
}

template <typename Ready>
void Operation::waitFor(Clock::time_point until, Ready ready)
{
    m_link.changed.wait_until(m_lock, until, [&] { return !m_link.running || ready(*m_pending); });
}

int Operation::run(std::string *data)
{
    if (const int code = challenge())
        return code;
    return exchange(data);
}

// Phase one: a fresh challenge from the device, with its key, bound to ours.
int Operation::challenge()
{
    const auto request = wire::encode(wire::ChallengeRequest {m_pending->id, m_target, m_ephemeral.publicKey});
    if (!request)
        return TARN_ERR_BAD_ARGUMENT;
    milliseconds gap = kFirstGap;
    while (!m_pending->haveChallenge && m_link.running && Clock::now() < m_deadline) {
        m_lock.unlock();
        m_link.transport.sendAll(*request);
        m_lock.lock();
        waitFor(nextGap(gap), [](const Pending &p) { return p.haveChallenge; });
    }
    if (!m_link.running)
        return TARN_ERR_NOT_STARTED;
    if (!m_pending->haveChallenge) {
        log::write(log::Info, "no device answered request %u for %s%s", m_pending->id, targetText(m_target).c_str(),
                   m_pending->sawUnverified ? " with a certificate from a trusted maker" : "");
        return m_pending->sawUnverified ? TARN_ERR_KEY_MISMATCH : TARN_ERR_TIMEOUT;
    }
    return TARN_ERR_NONE;
}

// Phase two: the body sealed to the certified key, retransmitted until a genuine answer arrives.
int Operation::exchange(std::string *data)
{
    const std::uint32_t id = m_pending->id;
    const wire::Challenge challenge = m_pending->challenge;
    const std::string deviceKey = identity::sealingPublicKey(identity::certifiedKey(challenge.certificate));
    auto key = seal::sessionKey(m_ephemeral.secretKey, deviceKey, m_ephemeral.publicKey, deviceKey,
                                seal::binding(id, challenge.nonce));
    if (!key)
        return TARN_ERR_DEVICE_FAILED;  // a key no device could have: nothing to talk to
    const seal::Wiped wipeKey(*key);
    const std::string target = targetText(m_target);
    wire::Operation operation;
    operation.id = id;
    operation.target = m_target;
    operation.ephemeralKey = m_ephemeral.publicKey;
    operation.box = seal::close(*key, seal::Direction::Request, *m_body.text(),
                                seal::requestContext(id, target, challenge.nonce));
    const auto datagram = wire::encode(operation);
    if (!datagram)
        return TARN_ERR_BAD_ARGUMENT;
    const std::string context = seal::answerContext(id, challenge.serial, challenge.mac, challenge.nonce);
    milliseconds gap = kFirstGap;
    std::optional<int> code;
    while (!code && m_link.running && Clock::now() < m_deadline) {
        m_lock.unlock();
        m_link.transport.sendAll(*datagram);
        m_lock.lock();
        const Clock::time_point until = nextGap(gap);
        while (!code && m_link.running && Clock::now() < until) {
            waitFor(until, [](const Pending &p) { return !p.results.empty(); });
            while (!m_pending->results.empty() && !code) {
                const wire::Result result = m_pending->results.front();
                m_pending->results.pop_front();
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
    static const char *const kNames[] = {"activation", "change", "key request", "reset with key", "restore default"};
    log::write(log::Info, "%s on %s (request %u): %s %d", kNames[m_body.body().kind], target.c_str(), id,
               code ? "answered" : "no answer, code", code ? *code : TARN_ERR_TIMEOUT);
    if (!code)
        return m_link.running ? TARN_ERR_TIMEOUT : TARN_ERR_NOT_STARTED;
    return *code;
}

} // namespace tarn
