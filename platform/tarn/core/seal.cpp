#include "seal.h"

#include <sodium.h>

namespace tarn::seal {

namespace {
const char kSessionLabel[] = "tarn/1 session";
}

bool init()
{
    return sodium_init() >= 0;
}

KeyPair::~KeyPair()
{
    wipe(secretKey);
}

KeyPair generateKeyPair()
{
    KeyPair pair;
    pair.publicKey.assign(crypto_box_PUBLICKEYBYTES, '\0');
    pair.secretKey.assign(crypto_box_SECRETKEYBYTES, '\0');
    crypto_box_keypair(reinterpret_cast<unsigned char *>(pair.publicKey.data()),
                       reinterpret_cast<unsigned char *>(pair.secretKey.data()));
    return pair;
}

std::string randomBytes(std::size_t n)
{
    std::string out(n, '\0');
    randombytes_buf(out.data(), n);
    return out;
}

std::uint32_t randomId()
{
    std::uint32_t id = 0;
    while (id == 0)
        id = randombytes_random();
    return id;
}

void appendField(std::string &out, const std::string &field)
{
    const std::uint32_t n = static_cast<std::uint32_t>(field.size());
    for (int i = 0; i < 4; ++i)
        out += static_cast<char>(n >> (8 * i) & 0xff);
    out += field;
}

namespace {

std::string fields(const char *label, std::initializer_list<const std::string *> parts)
{
    std::string out = label;
    for (const std::string *part : parts)
        appendField(out, *part);
    return out;
}

} // namespace

std::string binding(std::uint32_t id, const std::string &challenge)
{
    const std::string idText = std::to_string(id);
    return fields("", {&idText, &challenge});
}

std::optional<std::string> sessionKey(const std::string &ourSecret, const std::string &theirPublic,
                                      const std::string &ephemeralPublic, const std::string &devicePublic,
                                      const std::string &bindingBytes)
{
    if (ourSecret.size() != crypto_scalarmult_SCALARBYTES || theirPublic.size() != crypto_scalarmult_BYTES
        || ephemeralPublic.size() != crypto_scalarmult_BYTES || devicePublic.size() != crypto_scalarmult_BYTES)
        return std::nullopt;
    unsigned char shared[crypto_scalarmult_BYTES];
    if (crypto_scalarmult(shared, reinterpret_cast<const unsigned char *>(ourSecret.data()),
                          reinterpret_cast<const unsigned char *>(theirPublic.data())) != 0)
        return std::nullopt;  // a low-order point: refuse rather than derive a known key
    std::string key(crypto_aead_xchacha20poly1305_ietf_KEYBYTES, '\0');
    crypto_generichash_state state;
    crypto_generichash_init(&state, nullptr, 0, key.size());
    crypto_generichash_update(&state, reinterpret_cast<const unsigned char *>(kSessionLabel), sizeof kSessionLabel);
    crypto_generichash_update(&state, shared, sizeof shared);
    crypto_generichash_update(&state, reinterpret_cast<const unsigned char *>(ephemeralPublic.data()), ephemeralPublic.size());
    crypto_generichash_update(&state, reinterpret_cast<const unsigned char *>(devicePublic.data()), devicePublic.size());
    crypto_generichash_update(&state, reinterpret_cast<const unsigned char *>(bindingBytes.data()), bindingBytes.size());
    crypto_generichash_final(&state, reinterpret_cast<unsigned char *>(key.data()), key.size());
    sodium_memzero(shared, sizeof shared);
    return key;
}

// The key is fresh for every operation and seals one message each way, so a fixed nonce per
// direction never repeats under one key.
static void nonceFor(Direction direction, unsigned char *nonce)
{
    std::fill(nonce, nonce + crypto_aead_xchacha20poly1305_ietf_NPUBBYTES, 0);
    nonce[0] = static_cast<unsigned char>(direction);
}

std::string close(const std::string &key, Direction direction, const std::string &plain,
                  const std::string &associated)
{
    unsigned char nonce[crypto_aead_xchacha20poly1305_ietf_NPUBBYTES];
    nonceFor(direction, nonce);
    std::string out(plain.size() + crypto_aead_xchacha20poly1305_ietf_ABYTES, '\0');
    unsigned long long length = 0;
    crypto_aead_xchacha20poly1305_ietf_encrypt(
        reinterpret_cast<unsigned char *>(out.data()), &length,
        reinterpret_cast<const unsigned char *>(plain.data()), plain.size(),
        reinterpret_cast<const unsigned char *>(associated.data()), associated.size(), nullptr, nonce,
        reinterpret_cast<const unsigned char *>(key.data()));
    out.resize(length);
    return out;
}

std::optional<std::string> open(const std::string &key, Direction direction, const std::string &sealed,
                                const std::string &associated)
{
    if (key.size() != crypto_aead_xchacha20poly1305_ietf_KEYBYTES
        || sealed.size() < crypto_aead_xchacha20poly1305_ietf_ABYTES)
        return std::nullopt;
    unsigned char nonce[crypto_aead_xchacha20poly1305_ietf_NPUBBYTES];
    nonceFor(direction, nonce);
    std::string out(sealed.size(), '\0');
    unsigned long long length = 0;
    if (crypto_aead_xchacha20poly1305_ietf_decrypt(
            reinterpret_cast<unsigned char *>(out.data()), &length, nullptr,
            reinterpret_cast<const unsigned char *>(sealed.data()), sealed.size(),
            reinterpret_cast<const unsigned char *>(associated.data()), associated.size(), nonce,
            reinterpret_cast<const unsigned char *>(key.data()))
        != 0)
        return std::nullopt;
    out.resize(length);
    return out;
}

std::string requestContext(std::uint32_t id, const std::string &target, const std::string &challenge)
{
    const std::string idText = std::to_string(id);
    return fields("tarn/1 op", {&idText, &target, &challenge});
}

std::string answerContext(std::uint32_t id, const std::string &serial, const std::string &mac,
                          const std::string &challenge)
{
    const std::string idText = std::to_string(id);
    return fields("tarn/1 res", {&idText, &serial, &mac, &challenge});
}

void wipe(std::string &secret)
{
    if (!secret.empty())
        sodium_memzero(secret.data(), secret.size());
    secret.clear();
}

} // namespace tarn::seal
