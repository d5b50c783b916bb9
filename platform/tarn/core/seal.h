#pragma once

// Per-operation protection of requests and answers. The library makes a fresh X25519 key pair for
// each operation and derives a session key with the device's announced key; the request and the
// answer are sealed (XChaCha20-Poly1305) under that key and bound to the request id, the target
// and the device's fresh challenge, so only that device can read the request or write the answer,
// and a captured request is worth nothing later.

#include <cstdint>
#include <optional>
#include <string>

namespace tarn::seal {

bool init();  // libsodium; false if it cannot start

struct KeyPair
{
    std::string publicKey;  // 32 bytes
    std::string secretKey;  // 32 bytes
    ~KeyPair();             // wipes the secret
};

KeyPair generateKeyPair();
std::string randomBytes(std::size_t n);
std::uint32_t randomId();  // never 0

// Session key from our secret and their public key, bound to one operation (see binding()). Both
// sides pass the keys in the same roles: the operation's ephemeral public key first, the device's
// public key second. Empty for a key that would make the shared secret predictable.
std::optional<std::string> sessionKey(const std::string &ourSecret, const std::string &theirPublic,
                                      const std::string &ephemeralPublic, const std::string &devicePublic,
                                      const std::string &binding);
// The request id and the device's challenge, which the session key is bound to.
std::string binding(std::uint32_t id, const std::string &challenge);

enum class Direction : std::uint8_t { Request = 1, Answer = 2 };

std::string close(const std::string &key, Direction direction, const std::string &plain,
                  const std::string &associated);
std::optional<std::string> open(const std::string &key, Direction direction, const std::string &sealed,
                                const std::string &associated);

// What a sealed request or answer is bound to; each field is length-prefixed, so no text can pass
// for another split of the same bytes.
std::string requestContext(std::uint32_t id, const std::string &target, const std::string &challenge);
std::string answerContext(std::uint32_t id, const std::string &serial, const std::string &mac,
                          const std::string &challenge);

// Appends a 4-byte little-endian length and the bytes: how every derivation frames its inputs.
void appendField(std::string &out, const std::string &field);

void wipe(std::string &secret);

// Wipes a string in place when the scope ends, however it is left.
class Wiped
{
public:
    explicit Wiped(std::string &secret) : m_secret(secret) {}
    ~Wiped() { wipe(m_secret); }
    Wiped(const Wiped &) = delete;
    Wiped &operator=(const Wiped &) = delete;

private:
    std::string &m_secret;
};

} // namespace tarn::seal
