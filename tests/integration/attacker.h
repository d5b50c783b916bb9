#pragma once

// A hostile host on the segment: it sends to the discovery group from an address of its own
// (127.0.0.2 on the test's private loopback), holds an identity key and a maker key of its own,
// and can answer challenge requests before the real device does.
#include <atomic>
#include <cstdint>
#include <map>
#include <mutex>
#include <set>
#include <string>
#include <thread>
#include <utility>

#include <QtTest>

#include <arpa/inet.h>
#include <net/if.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

#include "core/identity.h"
#include "core/seal.h"
#include "core/wire.h"
#include "wiretap.h"

// Bound to no address, as the library and the emulator send: the kernel gives all of them the same
// source address (0.0.0.0 on the test's loopback), so an attacker bound here sends under the
// installer's and the devices' own address.
constexpr const char *kLibraryAndDevicesSource = "0.0.0.0";

class Attacker
{
public:
    explicit Attacker(const char *source = "127.0.0.2")
    {
        m_socket = socket(AF_INET, SOCK_DGRAM | SOCK_CLOEXEC, 0);
        sockaddr_in from {};
        from.sin_family = AF_INET;
        inet_pton(AF_INET, source, &from.sin_addr);
        ip_mreqn out {};
        out.imr_ifindex = int(if_nametoindex("lo"));
        const unsigned char ttl = 1;
        const int buffer = 4 * 1024 * 1024;
        setsockopt(m_socket, SOL_SOCKET, SO_SNDBUF, &buffer, sizeof buffer);
        m_ok = bind(m_socket, reinterpret_cast<sockaddr *>(&from), sizeof from) == 0
            && setsockopt(m_socket, IPPROTO_IP, IP_MULTICAST_IF, &out, sizeof out) == 0
            && setsockopt(m_socket, IPPROTO_IP, IP_MULTICAST_TTL, &ttl, sizeof ttl) == 0;
    }
    ~Attacker() { close(m_socket); }
    Attacker(const Attacker &) = delete;
    Attacker &operator=(const Attacker &) = delete;

    bool ok() const { return m_ok; }

    bool send(const std::string &datagram) const
    {
        sockaddr_in to {};
        to.sin_family = AF_INET;
        to.sin_port = htons(37370);
        inet_pton(AF_INET, "224.0.0.147", &to.sin_addr);
        return sendto(m_socket, datagram.data(), datagram.size(), 0, reinterpret_cast<sockaddr *>(&to), sizeof to)
            == ssize_t(datagram.size());
    }

    // A certificate from the attacker's own maker, or from `makerSecret`, for its own key.
    std::string certificate(const std::string &serial, const std::string &mac, const std::string &makerSecret = {}) const
    {
        return tarn::identity::issueCertificate(makerSecret.empty() ? maker.secretKey : makerSecret, serial,
                                                tarn::wire::normaliseMac(mac), key.publicKey);
    }
    std::string sign(const tarn::wire::Message &message) const
    {
        const auto datagram = tarn::wire::encodeSigned(message, key.secretKey);
        return datagram ? *datagram : std::string();
    }
    // Whether a captured operation opens under the attacker's key and the challenge it handed out.
    bool opens(const tarn::wire::Operation &op, const std::string &nonce) const
    {
        const std::string target = op.target.serial.empty() ? op.target.mac : op.target.serial;
        const auto session = tarn::seal::sessionKey(tarn::identity::sealingSecretKey(key.secretKey), op.ephemeralKey,
                                                    op.ephemeralKey, tarn::identity::sealingPublicKey(key.publicKey),
                                                    tarn::seal::binding(op.id, nonce));
        return session
            && tarn::seal::open(*session, tarn::seal::Direction::Request, op.box,
                                tarn::seal::requestContext(op.id, target, nonce));
    }

    const tarn::identity::KeyPair key = tarn::identity::generateKeyPair();
    const tarn::identity::KeyPair maker = tarn::identity::generateKeyPair();

private:
    int m_socket = -1;
    bool m_ok = false;
};

// Answers every challenge request it hears, at once, with a challenge of the attacker's: the
// serial asked for (or `serial`), the MAC `mac` and the certificate `certificate`.
class ChallengeImpostor
{
public:
    ChallengeImpostor(const Attacker &attacker, const WireTap &tap, std::string mac, std::string certificate,
                      std::string serial = std::string())
        : m_mac(std::move(mac)), m_certificate(std::move(certificate)), m_serial(std::move(serial))
        , m_thread([this, &attacker, &tap] {
              std::size_t seen = 0;
              while (!m_stop) {
                  const auto datagrams = tap.datagrams();
                  for (; seen < datagrams.size(); ++seen) {
                      auto decoded = tarn::wire::decode(datagrams[seen]);
                      auto *message = std::get_if<tarn::wire::Message>(&decoded);
                      auto *request = message ? std::get_if<tarn::wire::ChallengeRequest>(message) : nullptr;
                      if (!request)
                          continue;
                      tarn::wire::Challenge forged;
                      forged.id = request->id;
                      forged.nonce = tarn::seal::randomBytes(32);
                      forged.ephemeralKey = request->ephemeralKey;
                      {
                          std::lock_guard<std::mutex> lock(m_mutex);
                          forged.serial = !m_serial.empty() ? m_serial
                              : request->target.serial.empty() ? "ANY" : request->target.serial;
                          forged.mac = m_mac;
                          forged.certificate = m_certificate;
                          m_nonces.emplace(request->id, forged.nonce);
                      }
                      attacker.send(attacker.sign(forged));
                  }
                  std::this_thread::sleep_for(std::chrono::milliseconds(1));
              }
          })
    {
    }
    ~ChallengeImpostor()
    {
        m_stop = true;
        m_thread.join();
    }

    // Answers later requests as another MAC, with a certificate for it.
    void impersonate(std::string mac, std::string certificate)
    {
        std::lock_guard<std::mutex> lock(m_mutex);
        m_mac = std::move(mac);
        m_certificate = std::move(certificate);
    }

    std::map<std::uint32_t, std::string> nonces() const
    {
        std::lock_guard<std::mutex> lock(m_mutex);
        return m_nonces;
    }

private:
    std::atomic<bool> m_stop {false};
    mutable std::mutex m_mutex;
    std::string m_mac, m_certificate, m_serial;
    std::map<std::uint32_t, std::string> m_nonces;
    std::thread m_thread;  // last: it starts at once and uses everything above
};

// Every sealed request on the tap went to the certified device: none opens under the attacker's
// key and the challenge it handed out, and the password is nowhere in clear.
inline void verifyNothingOpens(const Attacker &attacker, const WireTap &tap, const ChallengeImpostor &impostor,
                               const char *password, int minOperations = 1)
{
    // The operation may be over before the impostor has read its challenge request off the tap:
    // wait until it has answered every request the tap holds.
    const auto answeredAll = [&] {
        const auto answered = impostor.nonces();
        int requests = 0;
        for (const std::string &d : tap.datagrams()) {
            auto decoded = tarn::wire::decode(d);
            auto *message = std::get_if<tarn::wire::Message>(&decoded);
            auto *request = message ? std::get_if<tarn::wire::ChallengeRequest>(message) : nullptr;
            if (!request)
                continue;
            ++requests;
            if (!answered.count(request->id))
                return false;
        }
        return requests > 0;
    };
    QTRY_VERIFY_WITH_TIMEOUT(answeredAll(), 5000);
    const auto nonces = impostor.nonces();
    QVERIFY(!nonces.empty());
    int operations = 0;
    for (const std::string &d : tap.datagrams()) {
        QVERIFY(d.find(password) == std::string::npos);
        auto decoded = tarn::wire::decode(d);
        auto *message = std::get_if<tarn::wire::Message>(&decoded);
        auto *op = message ? std::get_if<tarn::wire::Operation>(message) : nullptr;
        if (!op)
            continue;
        ++operations;
        const auto nonce = nonces.find(op->id);
        QVERIFY(nonce != nonces.end());
        QVERIFY(!attacker.opens(*op, nonce->second));
    }
    QVERIFY(operations >= minOperations);
}

// A stranger racing every challenge: the moment a challenge request or a device's challenge is on
// the wire, it asks under the same id with a key of its own, and sends a validly sealed request of
// its own under every challenge it hears (an activation, which an activated device refuses and
// which changes nothing), hoping to use up the caller's challenge before the caller's request
// arrives.
class ChallengeRacer
{
public:
    explicit ChallengeRacer(const Attacker &attacker)
        : m_attacker(attacker), m_tap([this](const std::string &datagram) { react(datagram); })
    {
    }

    bool ok() const { return m_tap.ok(); }
    int raced() const { return m_raced; }

private:
    const tarn::seal::KeyPair &keyFor(std::uint32_t id)
    {
        auto it = m_keys.find(id);
        if (it == m_keys.end())
            it = m_keys.emplace(id, tarn::seal::generateKeyPair()).first;
        return it->second;
    }

    void react(const std::string &datagram)
    {
        auto decoded = tarn::wire::decode(datagram);
        auto *message = std::get_if<tarn::wire::Message>(&decoded);
        if (auto *request = message ? std::get_if<tarn::wire::ChallengeRequest>(message) : nullptr) {
            const tarn::seal::KeyPair &own = keyFor(request->id);
            if (request->ephemeralKey == own.publicKey)
                return;  // ours, heard back
            tarn::wire::ChallengeRequest mine = *request;
            mine.ephemeralKey = own.publicKey;
            m_attacker.send(*tarn::wire::encode(mine));
            return;
        }
        auto *challenge = message ? std::get_if<tarn::wire::Challenge>(message) : nullptr;
        if (!challenge || !m_seen.insert(challenge->nonce).second)
            return;
        const tarn::seal::KeyPair &own = keyFor(challenge->id);
        const std::string devicePublic
            = tarn::identity::sealingPublicKey(tarn::identity::certifiedKey(challenge->certificate));
        const auto key = tarn::seal::sessionKey(own.secretKey, devicePublic, own.publicKey, devicePublic,
                                                tarn::seal::binding(challenge->id, challenge->nonce));
        tarn::wire::OperationBody body;
        body.password = "Stranger-pw-1";
        const auto plain = tarn::wire::encodeBody(body);
        if (!key || !plain)
            return;
        tarn::wire::Operation op;
        op.id = challenge->id;
        op.target.serial = challenge->serial;
        op.ephemeralKey = own.publicKey;
        op.box = tarn::seal::close(*key, tarn::seal::Direction::Request, *plain,
                                   tarn::seal::requestContext(op.id, op.target.serial, challenge->nonce));
        if (m_attacker.send(*tarn::wire::encode(op)))
            ++m_raced;
    }

    const Attacker &m_attacker;
    std::map<std::uint32_t, tarn::seal::KeyPair> m_keys;  // per request id; the tap's thread only
    std::set<std::string> m_seen;                         // challenges answered, likewise
    std::atomic<int> m_raced {0};
    WireTap m_tap;  // last: its thread starts at once and uses everything above
};
