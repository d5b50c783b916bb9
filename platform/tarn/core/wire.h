#pragma once

// The discovery protocol's messages and their JSON form: one message per datagram, at most
// MaxDatagram bytes, protocol version Version. The decoder trusts nothing: every field is
// type-checked and bounded, and anything else is a decode error.

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <variant>

#include <nlohmann/json_fwd.hpp>

namespace tarn::wire {

constexpr int Version = 2;
constexpr std::size_t MaxDatagram = 1400;
constexpr std::size_t KeyBytes = 32;          // X25519 public keys and challenge nonces
constexpr std::size_t CertificateBytes = 96;  // identity key and the maker's signature
constexpr std::size_t SignatureBytes = 64;
constexpr std::size_t MaxKnownMacs = 96;      // MACs an inquiry may name
constexpr std::uint32_t MaxWindowMs = 5000;
constexpr std::size_t MaxBoxBytes = 700;      // sealed payloads

// Text bounds: one less than the record field, which must keep room for its terminator.
constexpr std::size_t SerialMax = 47, MacMax = 19, Ipv4Max = 15, NameMax = 47, Ipv6Max = 45,
                      PasswordMax = 16;

struct Device
{
    std::string serial, mac, ip, mask, gateway, typeName, softwareVersion, dspVersion, startTime,
        ip6, gateway6;
    std::int32_t typeCode = 0;
    std::uint16_t port = 0, httpPort = 0;
    std::int32_t channels = 0;
    std::uint8_t capabilities = 0, dhcp = 0, ipv6Valid = 0, prefixLength = 0, activation = 0,
                 extraFlags = 0;
    bool operator==(const Device &o) const;
    bool operator!=(const Device &o) const { return !(*this == o); }
};

// What a device signs arrives as a JSON object followed by its signature (see identity.h). The
// decoder keeps the exact signed text for the receiver to check; the encoder writes `bytes` back
// when it holds a signature, so a decoded message encodes to a signed datagram again.
struct Signature
{
    std::string text;   // the signed JSON object, as received
    std::string bytes;  // SignatureBytes, or empty for a message not yet signed
};

// A device announces itself (id 0) or answers an inquiry (its id). Signed.
struct Hello
{
    std::uint32_t id = 0;
    std::uint32_t boot = 0;      // grows with every start of the device
    std::uint32_t seq = 0;       // grows with every announcement and goodbye within one boot
    std::uint32_t intervalS = 20; // the device announces itself at least this often
    bool locked = false;
    std::string certificate;     // CertificateBytes
    Device device;
    Signature signature;
};

// Signed, with the boot and sequence of the device's announcements.
struct Bye
{
    std::uint32_t boot = 0, seq = 0;
    std::string serial, mac;
    Signature signature;
};

struct Inquiry
{
    std::uint32_t id = 0;
    std::uint32_t windowMs = 0;  // devices spread their answers over [0, windowMs)
    std::string known;           // normalised MACs (12 lower-case hex digits each) that stay quiet
};

// A target is named by serial number or by MAC address, exactly one of them.
struct Target
{
    std::string serial, mac;
};

// Asks for a challenge bound to the operation's ephemeral key: only a request sealed with that key
// can use it up, so nobody who hears the challenge can spend it first.
struct ChallengeRequest
{
    std::uint32_t id = 0;
    Target target;
    std::string ephemeralKey;  // KeyBytes
};

// Signed: only the certified device can hand out a challenge for its serial and MAC, and it names
// the key the device bound it to.
struct Challenge
{
    std::uint32_t id = 0;
    std::string serial, mac;
    std::string certificate;   // CertificateBytes
    std::string nonce;         // KeyBytes, fresh for this request id and key
    std::string ephemeralKey;  // KeyBytes, as in the request
    Signature signature;
};

struct Operation
{
    std::uint32_t id = 0;
    Target target;
    std::string ephemeralKey;  // KeyBytes
    std::string box;           // sealed OperationBody
};

struct Result
{
    std::uint32_t id = 0;
    std::string serial, mac;
    std::string box;  // sealed ResultBody
};

using Message = std::variant<Hello, Bye, Inquiry, ChallengeRequest, Challenge, Operation, Result>;

// What travels inside an Operation's box.
struct NetParams
{
    std::string ip, mask, gateway, ip6, gateway6;
    std::uint16_t port = 0, httpPort = 0;
    std::uint8_t prefixLength = 0, dhcp = 0;
};

struct OperationBody
{
    enum Kind { Activate, Modify, KeyRequest, ResetWithKey, RestoreDefault } kind = Activate;
    std::string password;       // Activate, Modify, ResetWithKey
    NetParams net;              // Modify
    int requestKind = 1;        // KeyRequest: 1 (file) or 2 (text, for QR codes)
    std::string key;            // ResetWithKey: 64 bytes
    bool resetCameras = false;  // ResetWithKey: also reset the cameras behind the device
    std::string code;           // RestoreDefault: the security code, printable, at most 32
};

constexpr std::size_t ResultDataMax = 400;

struct ResultBody
{
    int code = 0;      // 0 success, otherwise one of the library's error codes
    std::string data;  // a key request, for KeyRequest
};

enum class DecodeError { None, NotJson, TooLarge, BadVersion, UnknownType, BadField };

// Empty when the message cannot be written inside MaxDatagram or holds out-of-bound values.
std::optional<std::string> encode(const Message &message);
std::variant<Message, DecodeError> decode(const std::string &datagram);
// A Hello, Bye or Challenge signed with the device's identity key (identity::SecretKeyBytes).
std::optional<std::string> encodeSigned(const Message &message, const std::string &identitySecret);

// A device's fields as the announcement carries them, for files that store devices too. The reader
// checks every field and bound as the decoder does; unknown members are ignored.
nlohmann::json deviceToJson(const Device &device);
bool deviceFromJson(const nlohmann::json &json, Device &device);

std::optional<std::string> encodeBody(const OperationBody &body);
std::optional<OperationBody> decodeOperationBody(const std::string &json);
std::optional<std::string> encodeBody(const ResultBody &body);
std::optional<ResultBody> decodeResultBody(const std::string &json);

// "AA:bb-CC..." -> "aabbcc...": twelve lower-case hex digits, or empty if it is not a MAC.
std::string normaliseMac(const std::string &mac);
// Printable ASCII only: texts become C strings in fixed fields and must not carry control bytes.
bool isPrintable(std::string_view text);

std::string toBase64(const std::string &bytes);
std::optional<std::string> fromBase64(const std::string &text, std::size_t maxBytes);

} // namespace tarn::wire
