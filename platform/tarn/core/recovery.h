#pragma once

// Password recovery formats shared by devices, the library and the maker's tool.
//
// A device makes a key request: its serial, a fresh nonce, when it was made and when it expires,
// authenticated with the device's factory secret so the maker can tell its own devices' requests
// from foreign ones. The maker's key is an Ed25519 signature over the request; the device holds
// only the maker's public key, so nobody else can make a key. Security codes are per device and per
// day, derived from the device's factory secret, which is itself derived from the maker's master
// secret: one device's code or stored state gives nothing for another device.

#include <cstdint>
#include <optional>
#include <string>

namespace tarn::recovery {

constexpr std::size_t RequestFileBytes = 256;   // kind 1
constexpr std::size_t RequestTextMax = 384;     // kind 2, without the terminator
constexpr std::size_t KeyBytes = 64;            // an Ed25519 signature
constexpr std::size_t KeyTextMax = 128;         // what a user may type
constexpr std::size_t CodeTextMax = 32;
constexpr std::size_t SecretBytes = 32;
constexpr const char *RequestTextPrefix = "TARN-KR1:";

struct KeyRequest
{
    std::string serial;          // at most 47 printable characters
    std::string nonce;           // 16 bytes
    std::uint64_t issued = 0;    // Unix seconds
    std::uint64_t expires = 0;   // Unix seconds
    std::string tag;             // 32 bytes: keyed hash of the fields above under the device secret
};

enum class ParseError { None, TooShort, TooLong, BadMagic, BadVersion, BadEncoding, BadField };
const char *describe(ParseError error);

// The signed part of a request: everything but the tag.
std::string requestCore(const KeyRequest &request);
void authenticate(KeyRequest &request, const std::string &deviceSecret);
bool authentic(const KeyRequest &request, const std::string &deviceSecret);

// Kind 1: exactly RequestFileBytes bytes. Kind 2: RequestTextPrefix + base64, printable text.
std::string toFileBytes(const KeyRequest &request);
std::string toText(const KeyRequest &request);
// Either form, as a file or QR code hands it over (surrounding white space is ignored).
std::optional<KeyRequest> parse(const std::string &data, ParseError *error = nullptr);

// The maker's signing keys and master secret.
struct MakerSecrets
{
    std::string signingSecret;  // 64 bytes
    std::string signingPublic;  // 32 bytes
    std::string master;         // 32 bytes
};
MakerSecrets newMakerSecrets();
std::string toJson(const MakerSecrets &secrets);
// The public part alone suffices for devices that only check keys; `master` may be missing then.
std::optional<MakerSecrets> makerSecretsFromJson(const std::string &json, std::string *error);

std::string deviceSecret(const std::string &master, const std::string &serial);

// The key: the maker's signature over the request, as base64 text (88 characters).
std::string makeKey(const KeyRequest &request, const std::string &signingSecret);
bool keyMatches(const KeyRequest &request, const std::string &key, const std::string &signingPublic);
// A typed key or a key file's text: white space ignored, base64 of KeyBytes.
std::optional<std::string> parseKeyText(const std::string &text);

// Security code for `serial` on `day` (days since 1970-01-01, UTC): 16 letters and digits in four
// groups, "ABCD-EFGH-JKLM-NPQR".
std::string securityCode(const std::string &deviceSecret, const std::string &serial, std::int64_t day);
// Upper-cased, without blanks and dashes: how codes are compared.
std::string normaliseCode(const std::string &code);
bool codeMatches(const std::string &deviceSecret, const std::string &serial, const std::string &code,
                 std::int64_t today);
// The day of the code, when it is good for today or yesterday and that day is later than
// `usedUpTo`: a device remembers the day of the last code it took, so each code works once.
std::optional<std::int64_t> codeDay(const std::string &deviceSecret, const std::string &serial,
                                    const std::string &code, std::int64_t today, std::int64_t usedUpTo);

} // namespace tarn::recovery
