#include "wire.h"

#include <ostream>
#include <streambuf>

#include <nlohmann/json.hpp>
#include <sodium.h>

#include "identity.h"
#include "tarn_identity.h"

namespace tarn::wire {

using nlohmann::json;

namespace {

// Decoding helpers: each answers false and leaves `out` alone when the field is missing, of the
// wrong type or out of bounds.
bool getText(const json &j, const char *key, std::size_t max, std::string &out, bool required = true)
{
    const auto it = j.find(key);
    if (it == j.end())
        return !required;
    if (!it->is_string())
        return false;
    const std::string &s = it->get_ref<const std::string &>();
    if (s.size() > max || !isPrintable(s))
        return false;
    out = s;
    return true;
}

template <typename T>
bool getInt(const json &j, const char *key, std::int64_t lo, std::int64_t hi, T &out, bool required = true)
{
    const auto it = j.find(key);
    if (it == j.end())
        return !required;
    if (!it->is_number_integer())
        return false;
    const std::int64_t v = it->is_number_unsigned()
        ? (it->get<std::uint64_t>() > std::uint64_t(INT64_MAX) ? INT64_MAX : std::int64_t(it->get<std::uint64_t>()))
        : it->get<std::int64_t>();
    if (v < lo || v > hi)
        return false;
    out = static_cast<T>(v);
    return true;
}

bool getBytes(const json &j, const char *key, std::size_t exact, std::size_t max, std::string &out)
{
    const auto it = j.find(key);
    if (it == j.end() || !it->is_string())
        return false;
    auto bytes = fromBase64(it->get_ref<const std::string &>(), max);
    if (!bytes || (exact && bytes->size() != exact) || bytes->empty())
        return false;
    out = std::move(*bytes);
    return true;
}

bool getTarget(const json &j, Target &t)
{
    const bool hasSerial = j.contains("sn"), hasMac = j.contains("mac");
    if (hasSerial == hasMac)
        return false;
    if (hasSerial)
        return getText(j, "sn", SerialMax, t.serial) && !t.serial.empty();
    return getText(j, "mac", MacMax, t.mac) && !t.mac.empty();
}

void putTarget(json &j, const Target &t)
{
    if (!t.serial.empty())
        j["sn"] = t.serial;
    else
        j["mac"] = t.mac;
}

bool textsFit(std::initializer_list<std::pair<const std::string *, std::size_t>> texts)
{
    for (const auto &[s, max] : texts) {
        if (s->size() > max || !isPrintable(*s))
            return false;
    }
    return true;
}

bool deviceFits(const Device &d)
{
    return textsFit({{&d.serial, SerialMax}, {&d.mac, MacMax}, {&d.ip, Ipv4Max}, {&d.mask, Ipv4Max},
                     {&d.gateway, Ipv4Max}, {&d.typeName, NameMax}, {&d.softwareVersion, NameMax},
                     {&d.dspVersion, NameMax}, {&d.startTime, NameMax}, {&d.ip6, Ipv6Max},
                     {&d.gateway6, Ipv6Max}})
        && d.ipv6Valid <= 1 && d.prefixLength <= 128 && d.activation <= 1;
}

json deviceFields(const Device &d)
{
    return json{{"sn", d.serial}, {"mac", d.mac}, {"ip", d.ip}, {"mask", d.mask}, {"gw", d.gateway},
                {"port", d.port}, {"http", d.httpPort}, {"code", d.typeCode}, {"tname", d.typeName},
                {"sw", d.softwareVersion}, {"dsp", d.dspVersion}, {"start", d.startTime},
                {"ch", d.channels}, {"cap", d.capabilities}, {"dhcp", d.dhcp}, {"v6", d.ipv6Valid},
                {"ip6", d.ip6}, {"gw6", d.gateway6}, {"pfx", d.prefixLength}, {"act", d.activation},
                {"xf", d.extraFlags}};
}

bool parseDeviceFields(const json &j, Device &d)
{
    if (!j.is_object())
        return false;
    return getText(j, "sn", SerialMax, d.serial) && getText(j, "mac", MacMax, d.mac)
        && getText(j, "ip", Ipv4Max, d.ip) && getText(j, "mask", Ipv4Max, d.mask)
        && getText(j, "gw", Ipv4Max, d.gateway) && getInt(j, "port", 0, 65535, d.port)
        && getInt(j, "http", 0, 65535, d.httpPort) && getInt(j, "code", INT32_MIN, INT32_MAX, d.typeCode)
        && getText(j, "tname", NameMax, d.typeName) && getText(j, "sw", NameMax, d.softwareVersion)
        && getText(j, "dsp", NameMax, d.dspVersion) && getText(j, "start", NameMax, d.startTime)
        && getInt(j, "ch", 0, 65535, d.channels) && getInt(j, "cap", 0, 255, d.capabilities)
        && getInt(j, "dhcp", 0, 255, d.dhcp) && getInt(j, "v6", 0, 1, d.ipv6Valid)
        && getText(j, "ip6", Ipv6Max, d.ip6) && getText(j, "gw6", Ipv6Max, d.gateway6)
        && getInt(j, "pfx", 0, 128, d.prefixLength) && getInt(j, "act", 0, 1, d.activation)
        && getInt(j, "xf", 0, 255, d.extraFlags);
}

json netJson(const NetParams &n)
{
    return json{{"ip", n.ip}, {"mask", n.mask}, {"gw", n.gateway}, {"ip6", n.ip6}, {"gw6", n.gateway6},
                {"port", n.port}, {"http", n.httpPort}, {"pfx", n.prefixLength}, {"dhcp", n.dhcp}};
}

// A stream into room reserved once: writing never reallocates, so the text leaves no copies in
// freed memory. Past the room, the stream fails.
class FixedRoom : public std::streambuf
{
public:
    explicit FixedRoom(std::string &room) { setp(room.data(), room.data() + room.size()); }
    std::size_t used() const { return std::size_t(pptr() - pbase()); }
};

// The text may carry a body's secrets: it is written into room for one datagram, and wiped when it
// does not fit or the writer throws.
std::optional<std::string> finish(const json &j, const Signature *signature = nullptr)
{
    std::string text(MaxDatagram + 1, '\0');
    struct WipeUnlessKept
    {
        std::string &text;
        bool kept = false;
        ~WipeUnlessKept()
        {
            if (!kept)
                sodium_memzero(text.data(), text.size());
        }
    } guard {text};
    FixedRoom room(text);
    std::ostream out(&room);
    out << j;
    if (!out || room.used() > MaxDatagram)
        return std::nullopt;
    text.resize(room.used());
    if (signature && !signature->bytes.empty()) {
        if (signature->bytes.size() != SignatureBytes)
            return std::nullopt;
        text.pop_back();
        text += ",\"sig\":\"" + toBase64(signature->bytes) + "\"}";
    }
    if (text.size() > MaxDatagram)
        return std::nullopt;
    guard.kept = true;
    return std::optional<std::string>(std::move(text));
}

// A secret as base64, encoded straight into its JSON node: no temporary copy is freed unwiped.
void putSecret(json &j, const char *key, const std::string &bytes)
{
    json &node = j[key];
    node = std::string(sodium_base64_ENCODED_LEN(bytes.size(), sodium_base64_VARIANT_ORIGINAL), '\0');
    std::string &text = node.get_ref<std::string &>();
    sodium_bin2base64(text.data(), text.size(), reinterpret_cast<const unsigned char *>(bytes.data()), bytes.size(),
                      sodium_base64_VARIANT_ORIGINAL);
    text.resize(text.size() - 1);  // the terminator; shrinking keeps the buffer
}

// Wipes the members of a body's JSON that carry secrets, in place, before the JSON is freed.
struct SecretMembers
{
    json &j;
    ~SecretMembers()
    {
        for (const char *key : {"pw", "key", "code"}) {
            const auto it = j.find(key);
            if (it != j.end() && it->is_string()) {
                std::string &text = it->get_ref<std::string &>();
                sodium_memzero(text.data(), text.size());
            }
        }
    }
};

} // namespace

json deviceToJson(const Device &device)
{
    return deviceFields(device);
}

bool deviceFromJson(const json &j, Device &device)
{
    return parseDeviceFields(j, device) && deviceFits(device);
}

bool Device::operator==(const Device &o) const
{
    return serial == o.serial && mac == o.mac && ip == o.ip && mask == o.mask && gateway == o.gateway
        && typeName == o.typeName && softwareVersion == o.softwareVersion && dspVersion == o.dspVersion
        && startTime == o.startTime && ip6 == o.ip6 && gateway6 == o.gateway6 && typeCode == o.typeCode
        && port == o.port && httpPort == o.httpPort && channels == o.channels
        && capabilities == o.capabilities && dhcp == o.dhcp && ipv6Valid == o.ipv6Valid
        && prefixLength == o.prefixLength && activation == o.activation && extraFlags == o.extraFlags;
}

bool isPrintable(std::string_view text)
{
    for (unsigned char c : text) {
        if (c < 0x20 || c > 0x7E)
            return false;
    }
    return true;
}

std::string normaliseMac(const std::string &mac)
{
    return canonicalMac(mac);
}

std::string toBase64(const std::string &bytes)
{
    std::string out(sodium_base64_ENCODED_LEN(bytes.size(), sodium_base64_VARIANT_ORIGINAL), '\0');
    sodium_bin2base64(out.data(), out.size(), reinterpret_cast<const unsigned char *>(bytes.data()),
                      bytes.size(), sodium_base64_VARIANT_ORIGINAL);
    out.resize(out.size() - 1);  // the terminator
    return out;
}

std::optional<std::string> fromBase64(const std::string &text, std::size_t maxBytes)
{
    if (text.size() > (maxBytes / 3 + 1) * 4)
        return std::nullopt;
    std::string out(text.size() / 4 * 3 + 3, '\0');
    size_t length = 0;
    const char *end = nullptr;
    if (sodium_base642bin(reinterpret_cast<unsigned char *>(out.data()), out.size(), text.data(),
                          text.size(), nullptr, &length, &end, sodium_base64_VARIANT_ORIGINAL) != 0
        || end != text.data() + text.size() || length > maxBytes)
        return std::nullopt;
    out.resize(length);
    return out;
}

std::optional<std::string> encode(const Message &message)
{
    json j{{"v", Version}};
    bool ok = true;
    const Signature *signature = nullptr;
    std::visit([&](const auto &m) {
        using T = std::decay_t<decltype(m)>;
        if constexpr (std::is_same_v<T, Hello>) {
            ok = deviceFits(m.device) && m.certificate.size() == CertificateBytes && m.intervalS >= 1
                && m.intervalS <= 3600;
            j["t"] = "hello";
            j["id"] = m.id;
            j["boot"] = m.boot;
            j["seq"] = m.seq;
            j["ivl"] = m.intervalS;
            j["lock"] = m.locked ? 1 : 0;
            j["cert"] = toBase64(m.certificate);
            j["d"] = deviceFields(m.device);
            signature = &m.signature;
        } else if constexpr (std::is_same_v<T, Bye>) {
            ok = textsFit({{&m.serial, SerialMax}, {&m.mac, MacMax}});
            j["t"] = "bye";
            j["boot"] = m.boot;
            j["seq"] = m.seq;
            j["sn"] = m.serial;
            j["mac"] = m.mac;
            signature = &m.signature;
        } else if constexpr (std::is_same_v<T, Inquiry>) {
            ok = m.windowMs <= MaxWindowMs && m.known.size() % 12 == 0 && m.known.size() <= MaxKnownMacs * 12;
            j["t"] = "inq";
            j["id"] = m.id;
            j["win"] = m.windowMs;
            j["known"] = m.known;
        } else if constexpr (std::is_same_v<T, ChallengeRequest>) {
            ok = textsFit({{&m.target.serial, SerialMax}, {&m.target.mac, MacMax}})
                && (m.target.serial.empty() != m.target.mac.empty()) && m.ephemeralKey.size() == KeyBytes;
            j["t"] = "chq";
            j["id"] = m.id;
            putTarget(j, m.target);
            j["epk"] = toBase64(m.ephemeralKey);
        } else if constexpr (std::is_same_v<T, Challenge>) {
            ok = textsFit({{&m.serial, SerialMax}, {&m.mac, MacMax}}) && m.certificate.size() == CertificateBytes
                && m.nonce.size() == KeyBytes && m.ephemeralKey.size() == KeyBytes;
            j["t"] = "cha";
            j["id"] = m.id;
            j["sn"] = m.serial;
            j["mac"] = m.mac;
            j["cert"] = toBase64(m.certificate);
            j["nonce"] = toBase64(m.nonce);
            j["epk"] = toBase64(m.ephemeralKey);
            signature = &m.signature;
        } else if constexpr (std::is_same_v<T, Operation>) {
            ok = textsFit({{&m.target.serial, SerialMax}, {&m.target.mac, MacMax}})
                && (m.target.serial.empty() != m.target.mac.empty()) && m.ephemeralKey.size() == KeyBytes
                && !m.box.empty() && m.box.size() <= MaxBoxBytes;
            j["t"] = "op";
            j["id"] = m.id;
            putTarget(j, m.target);
            j["epk"] = toBase64(m.ephemeralKey);
            j["box"] = toBase64(m.box);
        } else if constexpr (std::is_same_v<T, Result>) {
            ok = textsFit({{&m.serial, SerialMax}, {&m.mac, MacMax}}) && !m.box.empty()
                && m.box.size() <= MaxBoxBytes;
            j["t"] = "res";
            j["id"] = m.id;
            j["sn"] = m.serial;
            j["mac"] = m.mac;
            j["box"] = toBase64(m.box);
        }
    }, message);
    if (!ok)
        return std::nullopt;
    return finish(j, signature);
}

std::optional<std::string> encodeSigned(const Message &message, const std::string &identitySecret)
{
    Message unsigned_ = message;
    std::visit([](auto &m) {
        using T = std::decay_t<decltype(m)>;
        if constexpr (std::is_same_v<T, Hello> || std::is_same_v<T, Bye> || std::is_same_v<T, Challenge>)
            m.signature = Signature();
    }, unsigned_);
    const auto text = encode(unsigned_);
    if (!text)
        return std::nullopt;
    std::string signedText = identity::signText(*text, identitySecret);
    if (signedText.empty() || signedText.size() > MaxDatagram)
        return std::nullopt;
    return signedText;
}

std::variant<Message, DecodeError> decode(const std::string &datagram)
{
    if (datagram.size() > MaxDatagram)
        return DecodeError::TooLarge;
    // Devices sign what they send: the signed object is what is decoded, so the receiver checks
    // exactly the bytes it acts on.
    auto signedPart = identity::splitSigned(datagram);
    const json j = json::parse(signedPart ? signedPart->text : datagram, nullptr, false);
    if (j.is_discarded() || !j.is_object())
        return DecodeError::NotJson;
    Signature signature;
    if (signedPart) {
        if (j.contains("sig"))
            return DecodeError::BadField;
        signature = {std::move(signedPart->text), std::move(signedPart->signature)};
    }
    int version = 0;
    if (!getInt(j, "v", 0, 1000, version))
        return DecodeError::BadField;
    if (version != Version)
        return DecodeError::BadVersion;
    std::string type;
    if (!getText(j, "t", 8, type))
        return DecodeError::BadField;

    const auto bad = DecodeError::BadField;
    if (type == "hello") {
        Hello h;
        if (!getInt(j, "id", 0, UINT32_MAX, h.id) || !getInt(j, "boot", 0, UINT32_MAX, h.boot)
            || !getInt(j, "seq", 0, UINT32_MAX, h.seq) || !getInt(j, "ivl", 1, 3600, h.intervalS)
            || !getInt(j, "lock", 0, 1, h.locked)
            || !getBytes(j, "cert", CertificateBytes, CertificateBytes, h.certificate) || !j.contains("d")
            || !parseDeviceFields(j.at("d"), h.device) || signature.bytes.empty())
            return bad;
        h.signature = std::move(signature);
        return h;
    }
    if (type == "bye") {
        Bye b;
        if (!getInt(j, "boot", 0, UINT32_MAX, b.boot) || !getInt(j, "seq", 0, UINT32_MAX, b.seq)
            || !getText(j, "sn", SerialMax, b.serial) || !getText(j, "mac", MacMax, b.mac) || signature.bytes.empty())
            return bad;
        b.signature = std::move(signature);
        return b;
    }
    if (type == "inq") {
        Inquiry q;
        if (!getInt(j, "id", 0, UINT32_MAX, q.id) || !getInt(j, "win", 0, MaxWindowMs, q.windowMs)
            || !getText(j, "known", MaxKnownMacs * 12, q.known) || q.known.size() % 12 != 0)
            return bad;
        return q;
    }
    if (type == "chq") {
        ChallengeRequest r;
        if (!getInt(j, "id", 1, UINT32_MAX, r.id) || !getTarget(j, r.target)
            || !getBytes(j, "epk", KeyBytes, KeyBytes, r.ephemeralKey))
            return bad;
        return r;
    }
    if (type == "cha") {
        Challenge c;
        if (!getInt(j, "id", 1, UINT32_MAX, c.id) || !getText(j, "sn", SerialMax, c.serial)
            || !getText(j, "mac", MacMax, c.mac)
            || !getBytes(j, "cert", CertificateBytes, CertificateBytes, c.certificate)
            || !getBytes(j, "nonce", KeyBytes, KeyBytes, c.nonce)
            || !getBytes(j, "epk", KeyBytes, KeyBytes, c.ephemeralKey) || signature.bytes.empty())
            return bad;
        c.signature = std::move(signature);
        return c;
    }
    if (type == "op") {
        Operation o;
        if (!getInt(j, "id", 1, UINT32_MAX, o.id) || !getTarget(j, o.target)
            || !getBytes(j, "epk", KeyBytes, KeyBytes, o.ephemeralKey) || !getBytes(j, "box", 0, MaxBoxBytes, o.box))
            return bad;
        return o;
    }
    if (type == "res") {
        Result r;
        if (!getInt(j, "id", 1, UINT32_MAX, r.id) || !getText(j, "sn", SerialMax, r.serial)
            || !getText(j, "mac", MacMax, r.mac) || !getBytes(j, "box", 0, MaxBoxBytes, r.box))
            return bad;
        return r;
    }
    return DecodeError::UnknownType;
}

namespace {
const char *const kOperationNames[] = {"activate", "modify", "keyreq", "reset", "restore"};
}

std::optional<std::string> encodeBody(const OperationBody &body)
{
    const NetParams &n = body.net;
    if (body.password.size() > PasswordMax
        || !textsFit({{&n.ip, Ipv4Max}, {&n.mask, Ipv4Max}, {&n.gateway, Ipv4Max}, {&n.ip6, Ipv6Max},
                      {&n.gateway6, Ipv6Max}, {&body.code, 32}})
        || n.prefixLength > 128)
        return std::nullopt;
    json j{{"op", kOperationNames[body.kind]}};
    const SecretMembers wipeSecrets {j};
    switch (body.kind) {
    case OperationBody::Modify:
        j["net"] = netJson(n);
        [[fallthrough]];
    case OperationBody::Activate:
        // Passwords are bytes in the caller's 8-bit encoding: carried as base64, never as JSON text.
        putSecret(j, "pw", body.password);
        break;
    case OperationBody::KeyRequest:
        if (body.requestKind != 1 && body.requestKind != 2)
            return std::nullopt;
        j["kind"] = body.requestKind;
        break;
    case OperationBody::ResetWithKey:
        if (body.key.size() != 64)
            return std::nullopt;
        putSecret(j, "key", body.key);
        putSecret(j, "pw", body.password);
        j["ipc"] = body.resetCameras ? 1 : 0;
        break;
    case OperationBody::RestoreDefault:
        if (body.code.empty())
            return std::nullopt;
        j["code"] = body.code;
        break;
    }
    return finish(j);
}

std::optional<OperationBody> decodeOperationBody(const std::string &text)
{
    const json j = json::parse(text, nullptr, false);
    if (j.is_discarded() || !j.is_object())
        return std::nullopt;
    OperationBody body;
    std::string op;
    if (!getText(j, "op", 16, op))
        return std::nullopt;
    auto password = [&]() {
        if (!j.contains("pw") || !j["pw"].is_string())
            return false;
        const auto pw = fromBase64(j["pw"].get<std::string>(), PasswordMax);
        if (!pw)
            return false;
        body.password = *pw;
        return true;
    };
    if (op == "activate") {
        body.kind = OperationBody::Activate;
        return password() ? std::optional<OperationBody>(body) : std::nullopt;
    }
    if (op == "keyreq") {
        body.kind = OperationBody::KeyRequest;
        return getInt(j, "kind", 1, 2, body.requestKind) ? std::optional<OperationBody>(body) : std::nullopt;
    }
    if (op == "reset") {
        body.kind = OperationBody::ResetWithKey;
        if (!password() || !getBytes(j, "key", 64, 64, body.key) || !getInt(j, "ipc", 0, 1, body.resetCameras))
            return std::nullopt;
        return body;
    }
    if (op == "restore") {
        body.kind = OperationBody::RestoreDefault;
        if (!getText(j, "code", 32, body.code) || body.code.empty())
            return std::nullopt;
        return body;
    }
    if (op != "modify" || !password() || !j.contains("net") || !j["net"].is_object())
        return std::nullopt;
    body.kind = OperationBody::Modify;
    const json &n = j["net"];
    NetParams &p = body.net;
    if (!getText(n, "ip", Ipv4Max, p.ip) || !getText(n, "mask", Ipv4Max, p.mask)
        || !getText(n, "gw", Ipv4Max, p.gateway) || !getText(n, "ip6", Ipv6Max, p.ip6)
        || !getText(n, "gw6", Ipv6Max, p.gateway6) || !getInt(n, "port", 0, 65535, p.port)
        || !getInt(n, "http", 0, 65535, p.httpPort) || !getInt(n, "pfx", 0, 128, p.prefixLength)
        || !getInt(n, "dhcp", 0, 255, p.dhcp))
        return std::nullopt;
    return body;
}

std::optional<std::string> encodeBody(const ResultBody &body)
{
    if (body.data.size() > ResultDataMax)
        return std::nullopt;
    json j{{"code", body.code}};
    if (!body.data.empty())
        j["data"] = toBase64(body.data);
    return finish(j);
}

std::optional<ResultBody> decodeResultBody(const std::string &text)
{
    const json j = json::parse(text, nullptr, false);
    if (j.is_discarded() || !j.is_object())
        return std::nullopt;
    ResultBody body;
    if (!getInt(j, "code", 0, 99999, body.code))
        return std::nullopt;
    if (j.contains("data") && !getBytes(j, "data", 0, ResultDataMax, body.data))
        return std::nullopt;
    return body;
}

} // namespace tarn::wire
