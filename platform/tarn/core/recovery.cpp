#include "recovery.h"

#include <cstring>

#include <nlohmann/json.hpp>
#include <sodium.h>

#include "seal.h"
#include "wire.h"

namespace tarn::recovery {

namespace {

constexpr std::size_t kCoreBytes = 88;
constexpr std::size_t kTagBytes = 32;
constexpr std::size_t kRequestBytes = kCoreBytes + kTagBytes;
constexpr std::size_t kSerialField = 48;
const char kMagic[4] = {'T', 'K', 'R', '1'};

void putU64(std::string &out, std::size_t at, std::uint64_t v)
{
    for (int i = 0; i < 8; ++i)
        out[at + i] = static_cast<char>(v >> (8 * i) & 0xff);
}

std::uint64_t getU64(const std::string &in, std::size_t at)
{
    std::uint64_t v = 0;
    for (int i = 7; i >= 0; --i)
        v = v << 8 | static_cast<unsigned char>(in[at + i]);
    return v;
}

std::string keyedHash(const std::string &key, const std::string &label, const std::string &data, std::size_t size)
{
    std::string out(size, '\0');
    crypto_generichash_state state;
    crypto_generichash_init(&state, reinterpret_cast<const unsigned char *>(key.data()), key.size(), size);
    crypto_generichash_update(&state, reinterpret_cast<const unsigned char *>(label.data()), label.size());
    crypto_generichash_update(&state, reinterpret_cast<const unsigned char *>(data.data()), data.size());
    crypto_generichash_final(&state, reinterpret_cast<unsigned char *>(out.data()), size);
    return out;
}

std::string trim(const std::string &text)
{
    const auto first = text.find_first_not_of(" \t\r\n");
    if (first == std::string::npos)
        return std::string();
    return text.substr(first, text.find_last_not_of(" \t\r\n") - first + 1);
}

std::optional<KeyRequest> fail(ParseError *error, ParseError why)
{
    if (error)
        *error = why;
    return std::nullopt;
}

} // namespace

const char *describe(ParseError error)
{
    switch (error) {
    case ParseError::None: return "no error";
    case ParseError::TooShort: return "the request is truncated";
    case ParseError::TooLong: return "the request is longer than any key request";
    case ParseError::BadMagic: return "this is not a key request";
    case ParseError::BadVersion: return "the key request has an unknown version";
    case ParseError::BadEncoding: return "the key request's text is not valid base64";
    case ParseError::BadField: return "the key request holds an invalid field";
    }
    return "unknown error";
}

std::string requestCore(const KeyRequest &r)
{
    std::string core(kCoreBytes, '\0');
    std::memcpy(core.data(), kMagic, 4);
    core[4] = 1;
    core[5] = static_cast<char>(std::min<std::size_t>(r.serial.size(), kSerialField - 1));
    std::memcpy(core.data() + 8, r.serial.data(), std::min<std::size_t>(r.serial.size(), kSerialField - 1));
    std::memcpy(core.data() + 56, r.nonce.data(), std::min<std::size_t>(r.nonce.size(), 16));
    putU64(core, 72, r.issued);
    putU64(core, 80, r.expires);
    return core;
}

void authenticate(KeyRequest &request, const std::string &secret)
{
    request.tag = keyedHash(secret, "tarn/1 request", requestCore(request), kTagBytes);
}

bool authentic(const KeyRequest &request, const std::string &secret)
{
    const std::string expected = keyedHash(secret, "tarn/1 request", requestCore(request), kTagBytes);
    return request.tag.size() == kTagBytes && sodium_memcmp(expected.data(), request.tag.data(), kTagBytes) == 0;
}

static std::string requestBytes(const KeyRequest &request)
{
    std::string bytes = requestCore(request);
    std::string tag = request.tag;
    tag.resize(kTagBytes, '\0');
    return bytes + tag;
}

std::string toFileBytes(const KeyRequest &request)
{
    std::string bytes = requestBytes(request);
    bytes.resize(RequestFileBytes, '\0');
    return bytes;
}

std::string toText(const KeyRequest &request)
{
    return RequestTextPrefix + wire::toBase64(requestBytes(request));
}

std::optional<KeyRequest> parse(const std::string &data, ParseError *error)
{
    if (error)
        *error = ParseError::None;
    std::string bytes;
    const std::string text = trim(data);
    const std::size_t prefix = std::strlen(RequestTextPrefix);
    if (text.compare(0, prefix, RequestTextPrefix) == 0) {
        if (text.size() > RequestTextMax)
            return fail(error, ParseError::TooLong);
        const auto decoded = wire::fromBase64(text.substr(prefix), RequestTextMax);
        if (!decoded)
            return fail(error, ParseError::BadEncoding);
        bytes = *decoded;
        if (bytes.size() < kRequestBytes)
            return fail(error, ParseError::TooShort);
        if (bytes.size() > kRequestBytes)
            return fail(error, ParseError::TooLong);
    } else {
        if (data.size() >= 4 && std::memcmp(data.data(), kMagic, 4) != 0)
            return fail(error, ParseError::BadMagic);
        if (data.size() < RequestFileBytes)
            return fail(error, data.size() < 4 ? ParseError::BadMagic : ParseError::TooShort);
        if (data.size() > RequestFileBytes)
            return fail(error, ParseError::TooLong);
        bytes = data.substr(0, kRequestBytes);
        for (std::size_t i = kRequestBytes; i < data.size(); ++i) {
            if (data[i] != '\0')
                return fail(error, ParseError::BadField);
        }
    }
    if (std::memcmp(bytes.data(), kMagic, 4) != 0)
        return fail(error, ParseError::BadMagic);
    if (bytes[4] != 1)
        return fail(error, ParseError::BadVersion);
    const std::size_t serialLength = static_cast<unsigned char>(bytes[5]);
    if (serialLength == 0 || serialLength >= kSerialField || bytes[6] || bytes[7])
        return fail(error, ParseError::BadField);
    KeyRequest r;
    r.serial = bytes.substr(8, serialLength);
    for (std::size_t i = 8 + serialLength; i < 56; ++i) {
        if (bytes[i] != '\0')
            return fail(error, ParseError::BadField);
    }
    if (!wire::isPrintable(r.serial))
        return fail(error, ParseError::BadField);
    r.nonce = bytes.substr(56, 16);
    r.issued = getU64(bytes, 72);
    r.expires = getU64(bytes, 80);
    r.tag = bytes.substr(kCoreBytes, kTagBytes);
    if (r.expires <= r.issued)
        return fail(error, ParseError::BadField);
    return r;
}

MakerSecrets newMakerSecrets()
{
    MakerSecrets s;
    s.signingPublic.assign(crypto_sign_PUBLICKEYBYTES, '\0');
    s.signingSecret.assign(crypto_sign_SECRETKEYBYTES, '\0');
    crypto_sign_keypair(reinterpret_cast<unsigned char *>(s.signingPublic.data()),
                        reinterpret_cast<unsigned char *>(s.signingSecret.data()));
    s.master.assign(SecretBytes, '\0');
    randombytes_buf(s.master.data(), s.master.size());
    return s;
}

std::string toJson(const MakerSecrets &s)
{
    return nlohmann::json{{"version", 1},
                          {"signingPublic", wire::toBase64(s.signingPublic)},
                          {"signingSecret", wire::toBase64(s.signingSecret)},
                          {"master", wire::toBase64(s.master)}}
        .dump(1) + "\n";
}

std::optional<MakerSecrets> makerSecretsFromJson(const std::string &text, std::string *error)
{
    const auto j = nlohmann::json::parse(text, nullptr, false);
    auto bad = [&](const char *why) -> std::optional<MakerSecrets> {
        if (error)
            *error = why;
        return std::nullopt;
    };
    if (j.is_discarded() || !j.is_object() || j.value("version", 0) != 1)
        return bad("not a maker secrets file (version 1)");
    auto field = [&](const char *name, std::size_t size) -> std::optional<std::string> {
        if (!j.contains(name) || !j[name].is_string())
            return std::nullopt;
        auto v = wire::fromBase64(j[name].get<std::string>(), size);
        if (!v || v->size() != size)
            return std::nullopt;
        return v;
    };
    MakerSecrets s;
    const auto pub = field("signingPublic", crypto_sign_PUBLICKEYBYTES);
    if (!pub)
        return bad("the maker secrets file has no valid public signing key");
    s.signingPublic = *pub;
    if (const auto sec = field("signingSecret", crypto_sign_SECRETKEYBYTES))
        s.signingSecret = *sec;
    if (const auto master = field("master", SecretBytes))
        s.master = *master;
    return s;
}

std::string deviceSecret(const std::string &master, const std::string &serial)
{
    return keyedHash(master, "tarn/1 device|", serial, SecretBytes);
}

std::string makeKey(const KeyRequest &request, const std::string &signingSecret)
{
    const std::string message = "tarn/1 reset key|" + requestBytes(request);
    std::string signature(crypto_sign_BYTES, '\0');
    crypto_sign_detached(reinterpret_cast<unsigned char *>(signature.data()), nullptr,
                         reinterpret_cast<const unsigned char *>(message.data()), message.size(),
                         reinterpret_cast<const unsigned char *>(signingSecret.data()));
    return wire::toBase64(signature);
}

std::optional<std::string> parseKeyText(const std::string &text)
{
    // The key lets anyone who holds it reset the device: the compacted copy never grows, and is wiped.
    std::string compact;
    compact.reserve(text.size());
    const seal::Wiped wipeCompact(compact);
    for (char c : text) {
        if (c != ' ' && c != '\t' && c != '\r' && c != '\n')
            compact += c;
    }
    auto key = wire::fromBase64(compact, KeyBytes);
    if (!key || key->size() != KeyBytes)
        return std::nullopt;
    return key;
}

bool keyMatches(const KeyRequest &request, const std::string &key, const std::string &signingPublic)
{
    if (key.size() != KeyBytes || signingPublic.size() != crypto_sign_PUBLICKEYBYTES)
        return false;
    const std::string message = "tarn/1 reset key|" + requestBytes(request);
    return crypto_sign_verify_detached(reinterpret_cast<const unsigned char *>(key.data()),
                                       reinterpret_cast<const unsigned char *>(message.data()), message.size(),
                                       reinterpret_cast<const unsigned char *>(signingPublic.data()))
        == 0;
}

std::string securityCode(const std::string &secret, const std::string &serial, std::int64_t day)
{
    static const char kAlphabet[] = "ABCDEFGHJKLMNPQRSTUVWXYZ23456789";  // no I, O, 0, 1
    const std::string h = keyedHash(secret, "tarn/1 code|", serial + "|" + std::to_string(day), 10);
    std::string code;
    std::uint64_t bits = 0;
    int have = 0;
    for (unsigned char byte : h) {
        bits = bits << 8 | byte;
        have += 8;
        while (have >= 5) {
            code += kAlphabet[(bits >> (have - 5)) & 31];
            have -= 5;
        }
    }
    return code.substr(0, 4) + "-" + code.substr(4, 4) + "-" + code.substr(8, 4) + "-" + code.substr(12, 4);
}

std::string normaliseCode(const std::string &code)
{
    std::string out;
    for (char c : code) {
        if (c == '-' || c == ' ')
            continue;
        out += static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
    }
    return out;
}

std::optional<std::int64_t> codeDay(const std::string &secret, const std::string &serial, const std::string &code,
                                    std::int64_t today, std::int64_t usedUpTo)
{
    const std::string given = normaliseCode(code);
    std::optional<std::int64_t> matched;
    for (std::int64_t day : {today, today - 1}) {  // a code lives for the day it was made and the next
        const std::string expected = normaliseCode(securityCode(secret, serial, day));
        if (day > usedUpTo && given.size() == expected.size()
            && sodium_memcmp(given.data(), expected.data(), given.size()) == 0)
            matched = day;
    }
    return matched;
}

bool codeMatches(const std::string &secret, const std::string &serial, const std::string &code, std::int64_t today)
{
    return codeDay(secret, serial, code, today, INT64_MIN).has_value();
}

} // namespace tarn::recovery
