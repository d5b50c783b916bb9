#include "emulator.h"

#include <cstdio>
#include <ctime>
#include <fstream>
#include <iterator>

#include <arpa/inet.h>
#include <fcntl.h>
#include <unistd.h>
#include <nlohmann/json.hpp>
#include <sodium.h>

#include "core/identity.h"
#include "core/log.h"
#include "core/seal.h"
#include "statefile.h"
#include "tarn.h"

using nlohmann::json;
using namespace std::chrono;

namespace tarn::emu {

namespace {

// Device errors share the library's codes.
constexpr int kOk = 0, kDenied = TARN_ERR_DENIED, kLocked = TARN_ERR_LOCKED, kInvalid = TARN_ERR_INVALID_PARAM,
              kNotActivated = TARN_ERR_NOT_ACTIVATED, kFailed = TARN_ERR_DEVICE_FAILED,
              kKeyRefused = TARN_ERR_KEY_REFUSED, kExpired = TARN_ERR_REQUEST_EXPIRED,
              kNoRequest = TARN_ERR_NO_REQUEST, kNotSupported = TARN_ERR_NOT_SUPPORTED,
              kAlreadyActivated = TARN_ERR_ALREADY_ACTIVATED;
constexpr seconds kChallengeLife {30};
// A flood of requests must not grow the device without end, nor push out the installer's
// challenge: the table is bounded, the oldest challenge goes first, and each sender holds only a
// few, so a flooding sender evicts its own.
constexpr std::size_t kMaxChallenges = 4096;
constexpr int kChallengesPerSender = 16;
constexpr std::size_t kMaxOpenRequests = 4;   // a stranger's key request leaves the installer's open
// A little over a second, so that send jitter never puts two answers into one second.
constexpr milliseconds kInquiryAnswerGap {1020};
// Requests decoded per sender; the tool's own traffic stays far below. Each challenge costs a
// signature, so a flooding sender gets little.
constexpr double kRequestsPerSecond = 500, kRequestBurst = 1000;
// Requests remembered, so that exact copies cost neither a decode nor a share of anyone's budget;
// a copy of one gets the original's answer again, at most this often (the caller retransmits no
// sooner than 150 ms).
constexpr std::size_t kRecentRequests = 4096;
constexpr seconds kRecentLifetime {30};
constexpr milliseconds kCopyAnswerGap {100};

json requestToJson(const recovery::KeyRequest &r)
{
    return json{{"nonce", wire::toBase64(r.nonce)}, {"issued", r.issued}, {"expires", r.expires},
                {"tag", wire::toBase64(r.tag)}};
}

bool ipv4(const std::string &text, std::uint32_t *value = nullptr)
{
    in_addr a {};
    if (inet_pton(AF_INET, text.c_str(), &a) != 1)
        return false;
    if (value)
        *value = ntohl(a.s_addr);
    return true;
}

// A unicast host address: not 0/8, loopback, multicast or reserved, not a network or broadcast byte.
bool validAddress(const std::string &text, std::uint32_t *value = nullptr)
{
    std::uint32_t v = 0;
    if (!ipv4(text, &v))
        return false;
    const std::uint32_t first = v >> 24;
    if (value)
        *value = v;
    return first != 0 && first != 127 && first < 224 && (v & 0xff) != 0 && (v & 0xff) != 0xff;
}

bool validMask(const std::string &text, std::uint32_t *value = nullptr)
{
    std::uint32_t v = 0;
    if (!ipv4(text, &v) || v == 0 || v == 0xffffffffu)
        return false;
    if (value)
        *value = v;
    return ((~v + 1) & ~v) == 0;  // ones, then zeros
}

bool validGateway(const std::string &text, std::uint32_t address, std::uint32_t mask)
{
    std::uint32_t v = 0;
    return text == "0.0.0.0" || (validAddress(text, &v) && (v & mask) == (address & mask) && v != address);
}

bool validIpv6(const std::string &text)
{
    in6_addr a {};
    return text.empty() || inet_pton(AF_INET6, text.c_str(), &a) == 1;
}

// Members of a state file entry; a member of the wrong type reads as missing instead of throwing.
std::string textOf(const json &object, const char *key)
{
    const auto it = object.find(key);
    return it != object.end() && it->is_string() ? it->get<std::string>() : std::string();
}

int numberOf(const json &object, const char *key)
{
    const auto it = object.find(key);
    return it != object.end() && it->is_number_integer() ? it->get<int>() : 0;
}

json deviceToJson(const VirtualDevice &v)
{
    json entry = wire::deviceToJson(v.info);
    json requests = json::array();
    for (const recovery::KeyRequest &r : v.requests)
        requests.push_back(requestToJson(r));
    entry.update(json{{"ik", wire::toBase64(v.identityPublic)}, {"isk", wire::toBase64(v.identitySecret)},
                      {"cert", wire::toBase64(v.certificate)}, {"boot", v.boot},
                      {"hash", v.passwordHash}, {"failures", v.failures}, {"secret", wire::toBase64(v.factorySecret)},
                      {"cameraResets", v.cameraResets}, {"requests", requests}});
    if (v.codeDayUsed != INT64_MIN)
        entry["codeDay"] = v.codeDayUsed;
    return entry;
}

} // namespace

Emulator::Emulator(Options options)
    : m_options(std::move(options)), m_random(m_options.seed),
      m_recent(kRecentRequests, kRecentLifetime), m_budget(kRequestsPerSecond, kRequestBurst, 1024),
      m_maxOutbox(std::max<std::size_t>(4096, 4 * std::size_t(std::max(0, m_options.count))))
{
}

std::string Emulator::hashPassword(const std::string &password) const
{
    // Deliberately light work factors: an emulator makes hundreds of devices at once. A real device
    // uses the interactive limits or more.
    char out[crypto_pwhash_STRBYTES];
    if (crypto_pwhash_str_alg(out, password.data(), password.size(), 2, 1 << 20, crypto_pwhash_ALG_ARGON2ID13) != 0)
        return std::string();
    return out;
}

void Emulator::makeDevices()
{
    static const char *const kModels[][2] = {{"IPC-B220", "1"}, {"IPC-D431", "1"}, {"NVR-3208", "4"},
                                             {"DVR-1104", "4"}, {"IPC-F540", "1"}, {"NVR-6416", "16"}};
    std::mt19937 random(m_options.seed);
    const std::string defaultHash = hashPassword(m_options.defaultPassword);
    m_devices.clear();
    for (int i = 0; i < m_options.count; ++i) {
        VirtualDevice v;
        wire::Device &d = v.info;
        const auto &model = kModels[i % 6];
        char text[64];
        std::snprintf(text, sizeof text, "TN%02u%07u", unsigned(m_options.seed % 100), unsigned(random() % 10000000));
        d.serial = text + std::string("-") + std::to_string(i);
        std::snprintf(text, sizeof text, "02-%02x-%02x-%02x-%02x-%02x", unsigned(m_options.seed & 0xff),
                      unsigned(i >> 16 & 0xff), unsigned(i >> 8 & 0xff), unsigned(i & 0xff), unsigned(random() & 0xff));
        d.mac = text;
        if (i % 4 == 0) {  // still at the factory address, in a foreign subnet
            std::snprintf(text, sizeof text, "192.0.%u.%u", unsigned(i / 4 / 150), unsigned(64 + i / 4 % 150));
            d.ip = text;
            d.mask = "255.255.255.0";
            d.gateway = "0.0.0.0";
        } else {
            std::snprintf(text, sizeof text, "10.77.%u.%u", unsigned(i / 200), unsigned(10 + i % 200));
            d.ip = text;
            d.mask = "255.255.255.0";
            std::snprintf(text, sizeof text, "10.77.%u.1", unsigned(i / 200));
            d.gateway = text;
        }
        d.typeName = model[0];
        d.typeCode = 100 + i % 6;
        d.channels = std::atoi(model[1]);
        d.port = 8000;
        d.httpPort = i % 5 == 0 ? 0 : 80;
        d.softwareVersion = "V5.6." + std::to_string(random() % 10) + " build 2610" + std::to_string(10 + random() % 20);
        d.dspVersion = "V7.3 build 2609" + std::to_string(10 + random() % 20);
        d.startTime = "2026-12-0" + std::to_string(1 + random() % 8) + " 0" + std::to_string(random() % 10) + ":1"
            + std::to_string(random() % 6) + ":0" + std::to_string(random() % 10);
        const bool v6 = i % 2 == 1;
        d.capabilities = static_cast<std::uint8_t>(0x04 | (v6 ? 0x03 : 0) | (i % 3 != 2 ? 0x40 : 0) | (i % 7 == 0 ? 0x80 : 0));
        d.dhcp = i % 6 == 5 ? 1 : 0;
        d.ipv6Valid = v6 ? 1 : 0;
        if (v6) {
            std::snprintf(text, sizeof text, "fe80::%x:%x", unsigned(0x200 + (i >> 16)), unsigned(i & 0xffff));
            d.ip6 = text;
            d.gateway6 = "fe80::1";
            d.prefixLength = 64;
        }
        d.extraFlags = i % 2;
        const bool fresh = i % 3 == 0;
        d.activation = fresh ? 1 : 0;
        if (!fresh)
            v.passwordHash = defaultHash;
        m_devices.push_back(std::move(v));  // the identity comes with provision()
    }
}

bool Emulator::load(std::string *error)
{
    std::ifstream in(m_options.statePath);
    if (!in)
        return false;
    const json state = json::parse(in, nullptr, false);
    auto bad = [&](const std::string &why) {
        if (error)
            *error = m_options.statePath + ": " + why;
        return false;
    };
    if (state.is_object() && !state.contains("devices"))
        return false;  // a file with only ONVIF devices so far: make the TARN ones
    if (state.is_discarded() || !state.is_object() || !state["devices"].is_array())
        return bad("not a device state file");
    std::vector<VirtualDevice> devices;
    for (const json &entry : state["devices"]) {
        VirtualDevice v;
        if (!entry.is_object() || !wire::deviceFromJson(entry, v.info))
            return bad("a device entry is malformed");
        if (!entry.value("hash", json()).is_string())
            return bad("a device entry has no password hash");
        // An entry from before identities, or with a damaged key, gets a new identity in provision().
        const auto identityPublic = wire::fromBase64(textOf(entry, "ik"), identity::PublicKeyBytes);
        const auto identitySecret = wire::fromBase64(textOf(entry, "isk"), identity::SecretKeyBytes);
        const auto certificate = wire::fromBase64(textOf(entry, "cert"), identity::CertificateBytes);
        if (identityPublic && identityPublic->size() == identity::PublicKeyBytes && identitySecret
            && identitySecret->size() == identity::SecretKeyBytes
            && identitySecret->compare(32, 32, *identityPublic) == 0) {
            v.identityPublic = *identityPublic;
            v.identitySecret = *identitySecret;
            if (certificate && certificate->size() == identity::CertificateBytes)
                v.certificate = *certificate;
        }
        if (entry.contains("boot") && entry["boot"].is_number_unsigned())
            v.boot = std::uint32_t(std::min<std::uint64_t>(entry["boot"].get<std::uint64_t>(), UINT32_MAX));
        if (entry.contains("codeDay") && entry["codeDay"].is_number_integer())
            v.codeDayUsed = entry["codeDay"].get<std::int64_t>();
        v.passwordHash = entry["hash"].get<std::string>();
        v.failures = numberOf(entry, "failures");
        v.cameraResets = numberOf(entry, "cameraResets");
        if (const auto secret = wire::fromBase64(textOf(entry, "secret"), recovery::SecretBytes))
            v.factorySecret = *secret;
        json requests = entry.value("requests", json::array());
        if (entry.contains("request") && entry["request"].is_object())
            requests = json::array({entry["request"]});  // a state file from before several requests
        if (!requests.is_array() || requests.size() > kMaxOpenRequests)
            return bad("a device entry has malformed key requests");
        for (const json &r : requests) {
            const auto nonce = r.is_object() ? wire::fromBase64(textOf(r, "nonce"), 16) : std::nullopt;
            const auto tag = r.is_object() ? wire::fromBase64(textOf(r, "tag"), 32) : std::nullopt;
            if (!nonce || !tag || !r.value("issued", json()).is_number_unsigned() || !r.value("expires", json()).is_number_unsigned())
                return bad("a device entry has a malformed key request");
            recovery::KeyRequest request;
            request.serial = v.info.serial;
            request.nonce = *nonce;
            request.tag = *tag;
            request.issued = r["issued"].get<std::uint64_t>();
            request.expires = r["expires"].get<std::uint64_t>();
            v.requests.push_back(std::move(request));
        }
        devices.push_back(std::move(v));
    }
    m_devices = std::move(devices);
    return true;
}

bool Emulator::save()
{
    if (m_options.statePath.empty())
        return true;
    json list = json::array();
    for (const VirtualDevice &v : m_devices)
        list.push_back(deviceToJson(v));
    return writeStateMember(m_options.statePath, "devices", list);
}

bool Emulator::loadMaker(std::string *error)
{
    if (m_options.makerPath.empty())
        return true;
    std::ifstream in(m_options.makerPath);
    const std::string text((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    std::string why;
    const auto secrets = in ? recovery::makerSecretsFromJson(text, &why) : std::nullopt;
    if (!secrets) {
        if (error)
            *error = m_options.makerPath + ": " + (in ? why : std::string("cannot be read"));
        return false;
    }
    m_makerPublic = secrets->signingPublic;
    m_makerMaster = secrets->master;
    m_makerSigning = secrets->signingSecret;
    return true;
}

// The factory's part: an identity key and the maker's certificate for it, and the factory secret
// for password recovery. Only what the device itself holds is stored with it.
bool Emulator::provision()
{
    bool changed = false;
    for (VirtualDevice &v : m_devices) {
        const std::string mac = wire::normaliseMac(v.info.mac);
        if (v.identitySecret.empty()) {
            const identity::KeyPair pair = identity::generateKeyPair();
            v.identityPublic = pair.publicKey;
            v.identitySecret = pair.secretKey;
            v.certificate.clear();
            changed = true;
        }
        if (!identity::certificateValid(v.certificate, v.info.serial, mac, m_makerPublic)
            || identity::certifiedKey(v.certificate) != v.identityPublic) {
            v.certificate = identity::issueCertificate(m_makerSigning, v.info.serial, mac, v.identityPublic);
            changed = true;
        }
        v.sealingSecret = identity::sealingSecretKey(v.identitySecret);
        if (v.factorySecret.empty() && !m_makerMaster.empty()) {
            v.factorySecret = recovery::deviceSecret(m_makerMaster, v.info.serial);
            changed = true;
        }
    }
    return changed;
}

bool Emulator::prepare(std::string *error)
{
    if (!loadMaker(error))
        return false;
    if (m_makerSigning.empty()) {
        if (error)
            *error = "devices need their maker's certificates: give the maker's secrets with --maker FILE or in "
                     "TARN_MAKER_SECRETS (tarn-maker init makes them)";
        return false;
    }
    if (!m_options.statePath.empty()) {
        std::string why;
        if (load(&why)) {
            if (provision())
                save();
            return true;
        }
        if (!why.empty()) {
            if (error)
                *error = why;
            return false;
        }
    }
    makeDevices();
    provision();
    if (!save()) {
        if (error)
            *error = "cannot write " + m_options.statePath;
        return false;
    }
    return true;
}

bool Emulator::lose()
{
    return m_options.lossPercent > 0 && std::uniform_real_distribution<double>(0, 100)(m_random) < m_options.lossPercent;
}

void Emulator::queue(std::string datagram, Clock::duration after, int device, std::uint32_t inquiryId)
{
    if (m_outbox.size() >= m_maxOutbox) {
        ++m_outboxDropped;  // what cannot go out soon is worth less than bounded memory
        return;
    }
    m_outbox.push({Clock::now() + after + milliseconds(m_options.delayMs), m_order++, std::move(datagram), device,
                   inquiryId});
}

void Emulator::announce(std::size_t index, std::uint32_t inquiryId, Clock::duration after)
{
    // Written when it goes out, not now: an answer due later must tell the device's state then (an
    // activation in between would otherwise go out as "not activated" after the news that it is).
    queue(std::string(), after, int(index), inquiryId);
}

std::string Emulator::helloDatagram(std::size_t index, std::uint32_t inquiryId)
{
    VirtualDevice &v = m_devices[index];
    wire::Hello hello;
    hello.id = inquiryId;
    hello.boot = v.boot;
    hello.seq = ++v.seq;  // every announcement is newer than the last, so a copy of one is stale
    hello.intervalS = std::uint32_t(m_options.announceS);
    hello.locked = Clock::now() < v.lockedUntil;
    hello.certificate = v.certificate;
    hello.device = v.info;
    const auto datagram = wire::encodeSigned(hello, v.identitySecret);
    return datagram ? *datagram : std::string();
}

int Emulator::findTarget(const wire::Target &target) const
{
    const std::string mac = wire::normaliseMac(target.mac);
    for (std::size_t i = 0; i < m_devices.size(); ++i) {
        const wire::Device &d = m_devices[i].info;
        if (target.serial.empty() ? (!mac.empty() && wire::normaliseMac(d.mac) == mac) : d.serial == target.serial)
            return int(i);
    }
    return -1;
}

void Emulator::handle(std::string_view datagram, std::uint32_t source)
{
    // What devices sign (announcements, goodbyes, challenges) is not for devices: skipped unread.
    if (datagram.size() > identity::SignatureSuffixBytes
        && datagram.compare(datagram.size() - identity::SignatureSuffixBytes, 8, ",\"sig\":\"") == 0)
        return;
    if (lose())
        return;
    const Clock::time_point now = Clock::now();
    const DatagramDigest digest = m_recent.digest(datagram);
    if (CopyNote *original = m_recent.find(digest, now)) {
        answerCopy(*original, source, now);
        return;
    }
    if (!m_budget.take(source, now)) {
        ++m_rejected;
        return;
    }
    auto decoded = wire::decode(std::string(datagram));
    auto *message = std::get_if<wire::Message>(&decoded);
    CopyNote note;
    note.answered = now;
    if (!message) {
        ++m_rejected;
    } else if (auto *inquiry = std::get_if<wire::Inquiry>(message)) {
        onInquiry(*inquiry);
    } else if (auto *request = std::get_if<wire::ChallengeRequest>(message)) {
        onChallengeRequest(*request, source);
        note.what = CopyNote::ItsChallenge;
        note.key = {request->id, request->ephemeralKey};
    } else if (auto *operation = std::get_if<wire::Operation>(message)) {
        onOperation(*operation);
        note.what = CopyNote::ItsAnswer;
        note.key = {operation->id, operation->ephemeralKey};
    }
    m_recent.remember(digest, std::move(note), now);
}

// A retransmission of the caller's looks just like a copy, so a copy is answered as the original
// was, from what is kept, but never more often than the caller retransmits. Only an answer costs
// the sender a share of its budget, as a request would: copies of many requests get no more
// answers than new requests would.
void Emulator::answerCopy(CopyNote &note, std::uint32_t source, Clock::time_point now)
{
    ++m_copies;
    if (note.what == CopyNote::Nothing || now - note.answered < kCopyAnswerGap)
        return;
    const std::string *answer = nullptr;
    if (note.what == CopyNote::ItsChallenge) {
        if (const auto challenge = m_challenges.find(note.key); challenge != m_challenges.end())
            answer = &challenge->second.datagram;
    } else if (const auto result = m_answers.find(note.key); result != m_answers.end()) {
        answer = &result->second.datagram;
    }
    if (!answer) {
        if (!m_working.count(note.key))
            note.what = CopyNote::Nothing;  // used up or gone, for good: nothing to say, as to a repeated request
        return;
    }
    if (!m_budget.take(source, now))
        return;
    queue(*answer, {});
    if (note.what == CopyNote::ItsAnswer)
        ++m_repeats;
    note.answered = now;
}

void Emulator::onInquiry(const wire::Inquiry &inquiry)
{
    std::uniform_int_distribution<int> delay(0, std::max<int>(0, int(inquiry.windowMs) - 1));
    const Clock::time_point now = Clock::now();
    const Clock::time_point windowEnd = now + milliseconds(std::max<std::uint32_t>(1, inquiry.windowMs));
    for (std::size_t i = 0; i < m_devices.size(); ++i) {
        VirtualDevice &v = m_devices[i];
        const std::string mac = wire::normaliseMac(v.info.mac);
        bool known = false;
        for (std::size_t k = 0; k + 12 <= inquiry.known.size() && !known; k += 12)
            known = inquiry.known.compare(k, 12, mac) == 0;
        if (known || std::find(v.answered.begin(), v.answered.end(), inquiry.id) != v.answered.end())
            continue;  // a repeated inquiry, or one that names us: stay quiet
        // At a random moment of the window, but never sooner than a second after the previous
        // answer or announcement: a flood of inquiries, whatever their ids and windows, gets one
        // answer a second, and with the periodic announcements a device sends two at most.
        const Clock::time_point at = std::max({now + milliseconds(delay(m_random)), v.lastAnswer + kInquiryAnswerGap,
                                               v.lastSent + kInquiryAnswerGap});
        if (at >= windowEnd)
            continue;
        v.lastAnswer = at;
        v.answered.push_back(inquiry.id);
        if (v.answered.size() > 8)
            v.answered.erase(v.answered.begin());
        announce(i, inquiry.id, at - now);
    }
}

void Emulator::dropChallenge(std::map<ChallengeKey, Challenge>::iterator it)
{
    m_challengeAge.erase(it->second.order);
    const auto sender = m_challengesBySender.find({it->second.device, it->second.sender});
    if (sender != m_challengesBySender.end() && --sender->second <= 0)
        m_challengesBySender.erase(sender);
    m_challenges.erase(it);
}

void Emulator::onChallengeRequest(const wire::ChallengeRequest &request, std::uint32_t source)
{
    const int index = findTarget(request.target);
    if (index < 0)
        return;
    const ChallengeKey key {request.id, request.ephemeralKey};
    auto it = m_challenges.find(key);
    if (it == m_challenges.end()) {
        if (m_answers.count(key))
            return;  // already answered: the operation is over
        if (m_challengesBySender[{std::size_t(index), source}] >= kChallengesPerSender) {
            for (const auto &entry : m_challengeAge) {  // this sender's oldest at this device
                const auto own = m_challenges.find(entry.second);
                if (own->second.sender == source && own->second.device == std::size_t(index)) {
                    dropChallenge(own);
                    break;
                }
            }
        }
        if (m_challenges.size() >= kMaxChallenges)
            dropChallenge(m_challenges.find(m_challengeAge.begin()->second));
        const VirtualDevice &v = m_devices[std::size_t(index)];
        wire::Challenge challenge;
        challenge.id = request.id;
        challenge.serial = v.info.serial;
        challenge.mac = v.info.mac;
        challenge.certificate = v.certificate;
        challenge.nonce = seal::randomBytes(wire::KeyBytes);
        challenge.ephemeralKey = request.ephemeralKey;
        auto datagram = wire::encodeSigned(challenge, v.identitySecret);
        if (!datagram)
            return;
        const std::uint64_t order = m_challengeOrder++;
        it = m_challenges
                 .emplace(key, Challenge {std::size_t(index), challenge.nonce, Clock::now(), source, order,
                                          std::move(*datagram)})
                 .first;
        m_challengeAge.emplace(order, key);
        ++m_challengesBySender[{std::size_t(index), source}];
    }
    queue(it->second.datagram, {});
}

void Emulator::onOperation(const wire::Operation &operation)
{
    const ChallengeKey challengeKey {operation.id, operation.ephemeralKey};
    if (const auto cached = m_answers.find(challengeKey); cached != m_answers.end()) {
        queue(cached->second.datagram, {});  // a retransmission: answer again, apply nothing
        ++m_repeats;
        return;
    }
    // No fresh challenge for this id and key: stale, replayed, or someone else's challenge, which
    // stays for its owner.
    const auto it = m_challenges.find(challengeKey);
    if (it == m_challenges.end())
        return;
    const std::size_t index = it->second.device;
    VirtualDevice &v = m_devices[index];
    const std::string targetText = operation.target.serial.empty() ? operation.target.mac : operation.target.serial;
    if (findTarget(operation.target) != int(index))
        return;
    auto key = seal::sessionKey(v.sealingSecret, operation.ephemeralKey, operation.ephemeralKey,
                                identity::sealingPublicKey(v.identityPublic), seal::binding(operation.id, it->second.nonce));
    if (!key)
        return;
    const auto plain = seal::open(*key, seal::Direction::Request, operation.box,
                                  seal::requestContext(operation.id, targetText, it->second.nonce));
    const auto body = plain ? wire::decodeOperationBody(*plain) : std::nullopt;
    if (!body) {
        ++m_rejected;
        seal::wipe(*key);
        return;
    }
    Work work {Clock::now(), challengeKey, index, operation.id, it->second.nonce, *body, *key};
    seal::wipe(*key);
    dropChallenge(it);
    if (m_options.opMs <= 0) {
        carryOut(work);
        return;
    }
    // The device works on one operation after another; copies of the request meanwhile get
    // nothing until the answer is there.
    work.at = std::max(work.at, v.busyUntil) + milliseconds(m_options.opMs);
    v.busyUntil = work.at;
    m_working.insert(challengeKey);
    m_work.push(std::move(work));
}

void Emulator::carryOut(Work &work)
{
    m_working.erase(work.key);
    const VirtualDevice &v = m_devices[work.device];
    std::string data;
    const int code = apply(work.device, work.body, data);
    ++m_applied;
    if (m_appliedIds[work.key]++ > 0)
        ++m_appliedTwice;
    if (m_appliedIds.size() > 65536)
        m_appliedIds.erase(m_appliedIds.begin());  // a diagnostic: recent ids are enough
    const std::string sealed = seal::close(work.sessionKey, seal::Direction::Answer,
                                           *wire::encodeBody(wire::ResultBody {code, data}),
                                           seal::answerContext(work.id, v.info.serial, v.info.mac, work.nonce));
    seal::wipe(work.sessionKey);
    seal::wipe(work.body.password);
    const auto datagram = wire::encode(wire::Result {work.id, v.info.serial, v.info.mac, sealed});
    if (!datagram)
        return;
    m_answers[work.key] = Answer {*datagram, Clock::now()};
    queue(*datagram, {});
}

int Emulator::refuse(std::size_t index)
{
    VirtualDevice &v = m_devices[index];
    if (++v.failures >= m_options.lockoutAfter) {
        v.failures = 0;
        v.lockedUntil = Clock::now() + seconds(m_options.lockoutS);
        log::write(log::Info, "%s locked for %d s after repeated wrong passwords or codes", v.info.serial.c_str(),
                   m_options.lockoutS);
        announce(index, 0, {});  // the announcement says so
    }
    save();
    return kDenied;
}

int Emulator::recover(std::size_t index, const wire::OperationBody &body, std::string &data)
{
    VirtualDevice &v = m_devices[index];
    wire::Device &d = v.info;
    const std::uint64_t wallClock = std::uint64_t(std::time(nullptr));
    const bool keySupport = (d.capabilities & 0x40) && !m_makerPublic.empty() && !v.factorySecret.empty();
    switch (body.kind) {
    case wire::OperationBody::KeyRequest: {
        if (!keySupport || (body.requestKind == 2 && !(d.extraFlags & 0x01)))
            return kNotSupported;
        // Anyone may ask, so a new request must not void the installer's: a few stay open, and
        // only the oldest goes when they are all taken.
        recovery::KeyRequest request;
        request.serial = d.serial;
        request.nonce = seal::randomBytes(16);
        request.issued = wallClock;
        request.expires = wallClock + std::uint64_t(m_options.requestSeconds);
        recovery::authenticate(request, v.factorySecret);
        if (v.requests.size() >= kMaxOpenRequests)
            v.requests.erase(v.requests.begin());
        data = body.requestKind == 1 ? recovery::toFileBytes(request) : recovery::toText(request);
        v.requests.push_back(std::move(request));
        save();
        return kOk;
    }
    case wire::OperationBody::ResetWithKey: {
        if (!keySupport)
            return kNotSupported;
        if (v.requests.empty())
            return kNoRequest;
        const recovery::KeyRequest *answered = nullptr;
        for (const recovery::KeyRequest &request : v.requests) {
            if (recovery::keyMatches(request, body.key, m_makerPublic))
                answered = &request;
        }
        if (!answered)
            return kKeyRefused;
        if (wallClock >= answered->expires)
            return kExpired;
        if (body.password.size() < 8 || body.password.size() > wire::PasswordMax)
            return kInvalid;
        v.passwordHash = hashPassword(body.password);
        if (v.passwordHash.empty())
            return kFailed;
        v.requests.clear();  // a key works once, and the password it set makes the others moot
        d.activation = 0;
        v.failures = 0;
        v.lockedUntil = {};
        if (body.resetCameras) {
            ++v.cameraResets;
            log::write(log::Info, "%s passes the new password on to its cameras", d.serial.c_str());
        }
        return kOk;
    }
    case wire::OperationBody::RestoreDefault: {
        if (v.factorySecret.empty())
            return kNotSupported;
        if (Clock::now() < v.lockedUntil)
            return kLocked;
        const auto day = recovery::codeDay(v.factorySecret, d.serial, body.code, std::int64_t(wallClock / 86400),
                                           v.codeDayUsed);
        if (!day)
            return refuse(index);
        // Back to the factory state of the password: the installer activates the device anew. The
        // code is spent: it, and any older one, is refused from now on.
        v.codeDayUsed = *day;
        v.passwordHash.clear();
        d.activation = 1;
        v.failures = 0;
        v.requests.clear();
        return kOk;
    }
    default:
        return kInvalid;
    }
}

int Emulator::apply(std::size_t index, const wire::OperationBody &body, std::string &data)
{
    VirtualDevice &v = m_devices[index];
    wire::Device &d = v.info;
    const Clock::time_point now = Clock::now();
    if (body.kind == wire::OperationBody::KeyRequest)
        return recover(index, body, data);  // changes nothing that is announced
    if (body.kind == wire::OperationBody::ResetWithKey || body.kind == wire::OperationBody::RestoreDefault) {
        const int code = recover(index, body, data);
        if (code == kOk) {
            save();
            announce(index, 0, {});
        }
        return code;
    }
    if (body.kind == wire::OperationBody::Activate) {
        if (d.activation == 0)
            return kAlreadyActivated;
        if (body.password.size() < 8 || body.password.size() > wire::PasswordMax)
            return kInvalid;
        v.passwordHash = hashPassword(body.password);
        if (v.passwordHash.empty())
            return kFailed;
        d.activation = 0;
    } else {
        if (d.activation != 0)
            return kNotActivated;
        if (now < v.lockedUntil)
            return kLocked;
        if (crypto_pwhash_str_verify(v.passwordHash.c_str(), body.password.data(), body.password.size()) != 0)
            return refuse(index);
        v.failures = 0;
        const wire::NetParams &n = body.net;
        const bool dhcp = n.dhcp == 1 && (d.capabilities & 0x04);
        std::uint32_t address = 0, mask = 0;
        if (!dhcp && (!validAddress(n.ip, &address) || !validMask(n.mask, &mask) || !validGateway(n.gateway, address, mask)))
            return kInvalid;
        if ((d.capabilities & 0x02) && d.ipv6Valid && (!validIpv6(n.ip6) || !validIpv6(n.gateway6)))
            return kInvalid;
        if (n.port == 0)
            return kInvalid;
        if (dhcp) {
            // A simulated lease, stable per device.
            d.ip = "192.168.254." + std::to_string(100 + index % 150);
            d.mask = "255.255.255.0";
            d.gateway = "192.168.254.1";
        } else {
            d.ip = n.ip;
            d.mask = n.mask;
            d.gateway = n.gateway;
        }
        d.dhcp = dhcp ? 1 : 0;
        d.port = n.port;
        d.httpPort = n.httpPort;
        if ((d.capabilities & 0x02) && d.ipv6Valid) {
            d.ip6 = n.ip6;
            d.gateway6 = n.gateway6;
            d.prefixLength = n.prefixLength;
        }
    }
    save();
    announce(index, 0, {});
    return kOk;
}

int Emulator::run(net::Transport &transport, const std::atomic<bool> &stop)
{
    m_transport = &transport;
    std::uniform_int_distribution<int> spread(0, 999);
    // Boots grow across restarts (the state file keeps the last), so nothing from an earlier run
    // can pass for news.
    const std::uint32_t wallClock = std::uint32_t(std::min<std::time_t>(std::time(nullptr), UINT32_MAX - 1));
    for (VirtualDevice &v : m_devices) {
        v.boot = std::max(wallClock, v.boot == UINT32_MAX ? v.boot : v.boot + 1);
        v.seq = 0;
    }
    save();
    for (std::size_t i = 0; i < m_devices.size(); ++i)
        announce(i, 0, milliseconds(spread(m_random)));  // spread the start-up announcements
    m_nextAnnounce = Clock::now() + seconds(m_options.announceS);
    log::write(log::Info, "%zu devices on %zu interface(s)", m_devices.size(), transport.interfaces().size());

    while (!stop) {
        const Clock::time_point now = Clock::now();
        int timeout = 200;
        if (!m_outbox.empty())
            timeout = int(std::clamp<long>(duration_cast<milliseconds>(m_outbox.top().at - now).count(), 0, 200));
        if (!m_work.empty())
            timeout = std::min(timeout, int(std::clamp<long>(duration_cast<milliseconds>(m_work.top().at - now).count(), 0, 200)));
        transport.poll(timeout, [this](std::string_view datagram, int, std::uint32_t source) {
            handle(datagram, source);
        });

        const Clock::time_point after = Clock::now();
        while (!m_work.empty() && m_work.top().at <= after) {
            Work work = m_work.top();
            m_work.pop();
            carryOut(work);
        }
        while (!m_outbox.empty() && m_outbox.top().at <= after) {
            const Timed &due = m_outbox.top();
            std::string hello;
            if (due.device >= 0) {
                m_devices[std::size_t(due.device)].lastSent = after;
                hello = helloDatagram(std::size_t(due.device), due.inquiryId);
            }
            const std::string &datagram = due.device >= 0 ? hello : due.datagram;
            if (!datagram.empty() && !lose())
                transport.sendAll(datagram);
            m_outbox.pop();
        }
        if (after >= m_nextAnnounce) {
            // Periodic announcements keep the devices alive in the library's table.
            std::uniform_int_distribution<int> jitter(0, m_options.announceS * 250);
            for (std::size_t i = 0; i < m_devices.size(); ++i)
                announce(i, 0, milliseconds(jitter(m_random)));
            m_nextAnnounce = after + seconds(m_options.announceS);
        }
        while (!m_challengeAge.empty()) {
            const auto oldest = m_challenges.find(m_challengeAge.begin()->second);
            if (after - oldest->second.made <= kChallengeLife)
                break;
            dropChallenge(oldest);
        }
        for (auto it = m_answers.begin(); it != m_answers.end();)
            it = after - it->second.made > seconds(m_options.answerCacheS) ? m_answers.erase(it) : std::next(it);
    }

    // Goodbye, twice: a lost goodbye would leave the device in tables until it times out.
    std::vector<std::string> goodbyes;
    for (VirtualDevice &v : m_devices) {
        wire::Bye bye;
        bye.boot = v.boot;
        bye.seq = ++v.seq;
        bye.serial = v.info.serial;
        bye.mac = v.info.mac;
        if (auto datagram = wire::encodeSigned(bye, v.identitySecret))
            goodbyes.push_back(std::move(*datagram));
    }
    for (int round = 0; round < 2; ++round) {
        for (const std::string &datagram : goodbyes)
            transport.sendAll(datagram);
    }
    save();
    std::printf("tarn-device: applied %llu operations, answered %llu repeats from the cache, applied twice %llu, "
                "rejected %llu datagrams, ignored %llu copies, dropped %llu from a full send queue\n",
                static_cast<unsigned long long>(m_applied), static_cast<unsigned long long>(m_repeats),
                static_cast<unsigned long long>(m_appliedTwice), static_cast<unsigned long long>(m_rejected),
                static_cast<unsigned long long>(m_copies), static_cast<unsigned long long>(m_outboxDropped));
    std::fflush(stdout);
    return 0;
}

} // namespace tarn::emu
