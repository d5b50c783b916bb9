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

#include "core/log.h"
#include "core/seal.h"
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
constexpr std::size_t kMaxChallenges = 4096;  // a flood of requests must not grow the device without end

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
    entry.update(json{{"pk", wire::toBase64(v.publicKey)}, {"sk", wire::toBase64(v.secretKey)},
                      {"hash", v.passwordHash}, {"failures", v.failures}, {"secret", wire::toBase64(v.factorySecret)},
                      {"cameraResets", v.cameraResets},
                      {"request", v.requestOpen ? json{{"nonce", wire::toBase64(v.request.nonce)}, {"issued", v.request.issued},
                                                       {"expires", v.request.expires}, {"tag", wire::toBase64(v.request.tag)}}
                                                : json()}});
    return entry;
}

} // namespace

Emulator::Emulator(Options options)
    : m_options(std::move(options)), m_random(m_options.seed)
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
        const seal::KeyPair pair = seal::generateKeyPair();
        v.publicKey = pair.publicKey;
        v.secretKey = pair.secretKey;
        m_devices.push_back(std::move(v));
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
    if (state.is_discarded() || !state.is_object() || !state.contains("devices") || !state["devices"].is_array())
        return bad("not a device state file");
    std::vector<VirtualDevice> devices;
    for (const json &entry : state["devices"]) {
        VirtualDevice v;
        if (!entry.is_object() || !wire::deviceFromJson(entry, v.info))
            return bad("a device entry is malformed");
        const auto publicKey = wire::fromBase64(textOf(entry, "pk"), 32);
        const auto secret = wire::fromBase64(textOf(entry, "sk"), 32);
        if (!publicKey || publicKey->size() != 32 || !secret || secret->size() != 32
            || !entry.value("hash", json()).is_string())
            return bad("a device entry has no key or hash");
        v.publicKey = *publicKey;
        v.secretKey = *secret;
        v.passwordHash = entry["hash"].get<std::string>();
        v.failures = numberOf(entry, "failures");
        v.cameraResets = numberOf(entry, "cameraResets");
        if (const auto secret = wire::fromBase64(textOf(entry, "secret"), recovery::SecretBytes))
            v.factorySecret = *secret;
        if (entry.contains("request") && entry["request"].is_object()) {
            const json &r = entry["request"];
            const auto nonce = wire::fromBase64(textOf(r, "nonce"), 16);
            const auto tag = wire::fromBase64(textOf(r, "tag"), 32);
            if (!nonce || !tag || !r.value("issued", json()).is_number_unsigned() || !r.value("expires", json()).is_number_unsigned())
                return bad("a device entry has a malformed key request");
            v.request.serial = v.info.serial;
            v.request.nonce = *nonce;
            v.request.tag = *tag;
            v.request.issued = r["issued"].get<std::uint64_t>();
            v.request.expires = r["expires"].get<std::uint64_t>();
            v.requestOpen = true;
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
    const std::string temporary = m_options.statePath + ".tmp";
    // The state holds the devices' secret keys: readable by its owner only.
    const int fd = ::open(temporary.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0600);
    if (fd < 0)
        return false;
    const std::string text = json{{"version", 1}, {"devices", list}}.dump(1) + "\n";
    const bool written = ::write(fd, text.data(), text.size()) == ssize_t(text.size());
    ::close(fd);
    if (!written)
        return false;
    return std::rename(temporary.c_str(), m_options.statePath.c_str()) == 0;
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
    return true;
}

bool Emulator::prepare(std::string *error)
{
    if (!loadMaker(error))
        return false;
    // The factory provisions each device with its own secret; only that secret is stored with it.
    auto provision = [this] {
        bool changed = false;
        for (VirtualDevice &v : m_devices) {
            if (v.factorySecret.empty() && !m_makerMaster.empty()) {
                v.factorySecret = recovery::deviceSecret(m_makerMaster, v.info.serial);
                changed = true;
            }
        }
        return changed;
    };
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

void Emulator::queue(std::string datagram, Clock::duration after)
{
    m_outbox.push({Clock::now() + after + milliseconds(m_options.delayMs), m_order++, std::move(datagram)});
}

void Emulator::announce(std::size_t index, std::uint32_t inquiryId, Clock::duration after)
{
    VirtualDevice &v = m_devices[index];
    wire::Hello hello;
    hello.id = inquiryId;
    hello.boot = v.boot;
    hello.seq = v.seq;
    hello.intervalS = std::uint32_t(m_options.announceS);
    hello.locked = Clock::now() < v.lockedUntil;
    hello.publicKey = v.publicKey;
    hello.device = v.info;
    if (auto datagram = wire::encode(hello))
        queue(std::move(*datagram), after);
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

void Emulator::handle(const std::string &datagram)
{
    if (lose())
        return;
    auto decoded = wire::decode(datagram);
    auto *message = std::get_if<wire::Message>(&decoded);
    if (!message) {
        ++m_rejected;
        return;
    }
    if (auto *inquiry = std::get_if<wire::Inquiry>(message))
        onInquiry(*inquiry);
    else if (auto *request = std::get_if<wire::ChallengeRequest>(message))
        onChallengeRequest(*request);
    else if (auto *operation = std::get_if<wire::Operation>(message))
        onOperation(*operation);
}

void Emulator::onInquiry(const wire::Inquiry &inquiry)
{
    std::uniform_int_distribution<int> delay(0, std::max<int>(0, int(inquiry.windowMs) - 1));
    for (std::size_t i = 0; i < m_devices.size(); ++i) {
        VirtualDevice &v = m_devices[i];
        const std::string mac = wire::normaliseMac(v.info.mac);
        bool known = false;
        for (std::size_t k = 0; k + 12 <= inquiry.known.size() && !known; k += 12)
            known = inquiry.known.compare(k, 12, mac) == 0;
        if (known || std::find(v.answered.begin(), v.answered.end(), inquiry.id) != v.answered.end())
            continue;  // a repeated inquiry, or one that names us: stay quiet
        v.answered.push_back(inquiry.id);
        if (v.answered.size() > 8)
            v.answered.erase(v.answered.begin());
        announce(i, inquiry.id, milliseconds(delay(m_random)));
    }
}

void Emulator::onChallengeRequest(const wire::ChallengeRequest &request)
{
    const int index = findTarget(request.target);
    if (index < 0)
        return;
    auto it = m_challenges.find(request.id);
    if (it == m_challenges.end()) {
        if (m_answers.count(request.id))
            return;  // already answered: the operation is over
        if (m_challenges.size() >= kMaxChallenges)
            m_challenges.erase(m_challenges.begin());
        it = m_challenges.emplace(request.id, Challenge {std::size_t(index), seal::randomBytes(32), Clock::now()}).first;
    }
    const VirtualDevice &v = m_devices[it->second.device];
    wire::Challenge challenge {request.id, v.info.serial, v.info.mac, v.publicKey, it->second.nonce};
    if (auto datagram = wire::encode(challenge))
        queue(std::move(*datagram), {});
}

void Emulator::onOperation(const wire::Operation &operation)
{
    if (const auto cached = m_answers.find(operation.id); cached != m_answers.end()) {
        queue(cached->second.datagram, {});  // a retransmission: answer again, apply nothing
        ++m_repeats;
        return;
    }
    const auto it = m_challenges.find(operation.id);
    if (it == m_challenges.end())
        return;  // no fresh challenge for this id: stale or replayed
    const std::size_t index = it->second.device;
    VirtualDevice &v = m_devices[index];
    const std::string targetText = operation.target.serial.empty() ? operation.target.mac : operation.target.serial;
    if (findTarget(operation.target) != int(index))
        return;
    auto key = seal::sessionKey(v.secretKey, operation.ephemeralKey, operation.ephemeralKey, v.publicKey,
                                seal::binding(operation.id, it->second.nonce));
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
    std::string data;
    const int code = apply(index, *body, data);
    ++m_applied;
    if (m_appliedIds[operation.id]++ > 0)
        ++m_appliedTwice;
    if (m_appliedIds.size() > 65536)
        m_appliedIds.erase(m_appliedIds.begin());  // a diagnostic: recent ids are enough
    const std::string sealed = seal::close(*key, seal::Direction::Answer, *wire::encodeBody(wire::ResultBody {code, data}),
                                           seal::answerContext(operation.id, v.info.serial, v.info.mac, it->second.nonce));
    seal::wipe(*key);
    const auto datagram = wire::encode(wire::Result {operation.id, v.info.serial, v.info.mac, sealed});
    m_challenges.erase(it);
    if (!datagram)
        return;
    m_answers[operation.id] = Answer {*datagram, Clock::now()};
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
        ++v.seq;
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
        // A new request voids the one before it.
        v.request = recovery::KeyRequest();
        v.request.serial = d.serial;
        v.request.nonce = seal::randomBytes(16);
        v.request.issued = wallClock;
        v.request.expires = wallClock + std::uint64_t(m_options.requestSeconds);
        recovery::authenticate(v.request, v.factorySecret);
        v.requestOpen = true;
        data = body.requestKind == 1 ? recovery::toFileBytes(v.request) : recovery::toText(v.request);
        save();
        return kOk;
    }
    case wire::OperationBody::ResetWithKey: {
        if (!keySupport)
            return kNotSupported;
        if (!v.requestOpen)
            return kNoRequest;
        if (wallClock >= v.request.expires)
            return kExpired;
        if (!recovery::keyMatches(v.request, body.key, m_makerPublic))
            return kKeyRefused;
        if (body.password.size() < 8 || body.password.size() > wire::PasswordMax)
            return kInvalid;
        v.passwordHash = hashPassword(body.password);
        if (v.passwordHash.empty())
            return kFailed;
        v.requestOpen = false;  // a key works once
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
        if (!recovery::codeMatches(v.factorySecret, d.serial, body.code, std::int64_t(wallClock / 86400)))
            return refuse(index);
        // Back to the factory state of the password: the installer activates the device anew.
        v.passwordHash.clear();
        d.activation = 1;
        v.failures = 0;
        v.requestOpen = false;
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
            ++v.seq;
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
    ++v.seq;
    save();
    announce(index, 0, {});
    return kOk;
}

int Emulator::run(net::Transport &transport, const volatile bool &stop)
{
    m_transport = &transport;
    std::uniform_int_distribution<int> spread(0, 999);
    std::uniform_int_distribution<std::uint32_t> boots(1, UINT32_MAX);
    for (std::size_t i = 0; i < m_devices.size(); ++i) {
        m_devices[i].boot = boots(m_random);
        announce(i, 0, milliseconds(spread(m_random)));  // spread the start-up announcements
    }
    m_nextAnnounce = Clock::now() + seconds(m_options.announceS);
    log::write(log::Info, "%zu devices on %zu interface(s)", m_devices.size(), transport.interfaces().size());

    while (!stop) {
        const Clock::time_point now = Clock::now();
        int timeout = 200;
        if (!m_outbox.empty())
            timeout = int(std::clamp<long>(duration_cast<milliseconds>(m_outbox.top().at - now).count(), 0, 200));
        transport.poll(timeout, [this](const std::string &datagram, int) { handle(datagram); });

        const Clock::time_point after = Clock::now();
        while (!m_outbox.empty() && m_outbox.top().at <= after) {
            if (!lose())
                transport.sendAll(m_outbox.top().datagram);
            m_outbox.pop();
        }
        if (after >= m_nextAnnounce) {
            // Periodic announcements keep the devices alive in the library's table.
            std::uniform_int_distribution<int> jitter(0, m_options.announceS * 250);
            for (std::size_t i = 0; i < m_devices.size(); ++i)
                announce(i, 0, milliseconds(jitter(m_random)));
            m_nextAnnounce = after + seconds(m_options.announceS);
        }
        for (auto it = m_challenges.begin(); it != m_challenges.end();)
            it = after - it->second.made > kChallengeLife ? m_challenges.erase(it) : std::next(it);
        for (auto it = m_answers.begin(); it != m_answers.end();)
            it = after - it->second.made > seconds(m_options.answerCacheS) ? m_answers.erase(it) : std::next(it);
    }

    // Goodbye, twice: a lost goodbye would leave the device in tables until it times out.
    for (int round = 0; round < 2; ++round) {
        for (const VirtualDevice &v : m_devices) {
            if (auto datagram = wire::encode(wire::Bye {v.info.serial, v.info.mac}))
                transport.sendAll(*datagram);
        }
    }
    save();
    std::printf("tarn-device: applied %llu operations, answered %llu repeats from the cache, applied twice %llu, "
                "rejected %llu datagrams\n",
                static_cast<unsigned long long>(m_applied), static_cast<unsigned long long>(m_repeats),
                static_cast<unsigned long long>(m_appliedTwice), static_cast<unsigned long long>(m_rejected));
    std::fflush(stdout);
    return 0;
}

} // namespace tarn::emu
