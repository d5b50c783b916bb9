#pragma once

// Who a device is. Each device holds an Ed25519 identity key; its maker certifies the key for the
// device's serial number and MAC address. The device signs what it announces with that key, and
// operations are sealed to the X25519 form of the same key, so only the certified device can read
// them. The library trusts only certificates from the maker keys it was given.

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace tarn::identity {

constexpr std::size_t PublicKeyBytes = 32;   // Ed25519 public key
constexpr std::size_t SecretKeyBytes = 64;   // Ed25519 secret key (seed and public half)
constexpr std::size_t SignatureBytes = 64;
constexpr std::size_t CertificateBytes = PublicKeyBytes + SignatureBytes;
// A signed datagram ends in `,"sig":"` + base64 of the signature (88 characters) + `"}`.
constexpr std::size_t SignatureSuffixBytes = 8 + 88 + 2;
// Where the library looks for the makers' public keys: the variable, else this file beside the program.
constexpr const char *TrustedMakersVariable = "TARN_TRUSTED_MAKERS";
constexpr const char *TrustedMakersFile = "trusted-makers.txt";

struct KeyPair
{
    std::string publicKey;  // PublicKeyBytes
    std::string secretKey;  // SecretKeyBytes
    ~KeyPair();             // wipes the secret
};
KeyPair generateKeyPair();

// The certificate: the device's identity key and the maker's signature over
// "tarn/1 cert" + framed(serial) + framed(normalised MAC) + framed(identity key).
std::string certificateMessage(const std::string &serial, const std::string &normalisedMac,
                               const std::string &identityKey);
std::string issueCertificate(const std::string &makerSecret, const std::string &serial,
                             const std::string &normalisedMac, const std::string &identityKey);
// True when `certificate` (CertificateBytes) binds its key to this serial and MAC under `makerPublic`.
bool certificateValid(const std::string &certificate, const std::string &serial, const std::string &normalisedMac,
                      const std::string &makerPublic);
inline std::string certifiedKey(const std::string &certificate) { return certificate.substr(0, PublicKeyBytes); }

// Signed datagrams. `text` is a JSON object's text ending in `}`; the signature covers
// "tarn/1 signed\0" + text, so the receiver checks exactly the bytes it decodes.
std::string signText(const std::string &text, const std::string &secretKey);
struct SignedText
{
    std::string text;       // the signed JSON object
    std::string signature;  // SignatureBytes
};
// Splits a datagram into the signed text and its signature; nothing when it has no signature suffix.
std::optional<SignedText> splitSigned(const std::string &datagram);
bool signatureValid(const SignedText &signedText, const std::string &publicKey);

// The X25519 keys that seal operations, derived from the identity keys. Empty on a key that has no
// such form.
std::string sealingPublicKey(const std::string &identityPublic);
std::string sealingSecretKey(const std::string &identitySecret);

// Makers' public keys, one per line as base64 (tarn-maker trust prints such a line); text after the
// key is a name; blank lines and lines starting with # are skipped. `errors` lists lines that are
// neither.
struct TrustedMaker
{
    std::string publicKey;
    std::string name;
};
std::vector<TrustedMaker> parseTrustedMakers(const std::string &text, std::vector<std::string> *errors);
// The file TARN_TRUSTED_MAKERS names, else trusted-makers.txt beside the running program. `source`
// receives the path read; `error` why nothing could be read.
std::vector<TrustedMaker> loadTrustedMakers(std::string *source, std::string *error);

} // namespace tarn::identity
