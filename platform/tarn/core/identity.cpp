#include "identity.h"

#include <cstdlib>
#include <fstream>
#include <iterator>
#include <sstream>

#include <sodium.h>
#include <unistd.h>

#include "seal.h"
#include "wire.h"

namespace tarn::identity {

namespace {
const char kSignedLabel[] = "tarn/1 signed";  // with its terminator, as in the session label
const char kSuffixStart[] = ",\"sig\":\"";
constexpr std::size_t kMaxTrustFile = 64 * 1024;

const unsigned char *bytes(const std::string &s)
{
    return reinterpret_cast<const unsigned char *>(s.data());
}
} // namespace

KeyPair::~KeyPair()
{
    seal::wipe(secretKey);
}

KeyPair generateKeyPair()
{
    KeyPair pair;
    pair.publicKey.assign(crypto_sign_PUBLICKEYBYTES, '\0');
    pair.secretKey.assign(crypto_sign_SECRETKEYBYTES, '\0');
    crypto_sign_keypair(reinterpret_cast<unsigned char *>(pair.publicKey.data()),
                        reinterpret_cast<unsigned char *>(pair.secretKey.data()));
    return pair;
}

std::string certificateMessage(const std::string &serial, const std::string &normalisedMac,
                               const std::string &identityKey)
{
    std::string message = "tarn/1 cert";
    seal::appendField(message, serial);
    seal::appendField(message, normalisedMac);
    seal::appendField(message, identityKey);
    return message;
}

std::string issueCertificate(const std::string &makerSecret, const std::string &serial,
                             const std::string &normalisedMac, const std::string &identityKey)
{
    if (makerSecret.size() != crypto_sign_SECRETKEYBYTES || identityKey.size() != PublicKeyBytes)
        return std::string();
    const std::string message = certificateMessage(serial, normalisedMac, identityKey);
    std::string signature(SignatureBytes, '\0');
    crypto_sign_detached(reinterpret_cast<unsigned char *>(signature.data()), nullptr, bytes(message), message.size(),
                         bytes(makerSecret));
    return identityKey + signature;
}

bool certificateValid(const std::string &certificate, const std::string &serial, const std::string &normalisedMac,
                      const std::string &makerPublic)
{
    if (certificate.size() != CertificateBytes || makerPublic.size() != crypto_sign_PUBLICKEYBYTES
        || normalisedMac.size() != 12)
        return false;
    const std::string message = certificateMessage(serial, normalisedMac, certificate.substr(0, PublicKeyBytes));
    return crypto_sign_verify_detached(bytes(certificate) + PublicKeyBytes, bytes(message), message.size(),
                                       bytes(makerPublic)) == 0;
}

std::string signText(const std::string &text, const std::string &secretKey)
{
    if (text.empty() || text.back() != '}' || secretKey.size() != crypto_sign_SECRETKEYBYTES)
        return std::string();
    std::string message(kSignedLabel, sizeof kSignedLabel);
    message += text;
    std::string signature(SignatureBytes, '\0');
    crypto_sign_detached(reinterpret_cast<unsigned char *>(signature.data()), nullptr, bytes(message), message.size(),
                         bytes(secretKey));
    return text.substr(0, text.size() - 1) + kSuffixStart + wire::toBase64(signature) + "\"}";
}

std::optional<SignedText> splitSigned(const std::string &datagram)
{
    if (datagram.size() <= SignatureSuffixBytes + 1)
        return std::nullopt;
    const std::size_t at = datagram.size() - SignatureSuffixBytes;
    if (datagram.compare(at, sizeof kSuffixStart - 1, kSuffixStart) != 0
        || datagram.compare(datagram.size() - 2, 2, "\"}") != 0)
        return std::nullopt;
    auto signature = wire::fromBase64(datagram.substr(at + sizeof kSuffixStart - 1, 88), SignatureBytes);
    if (!signature || signature->size() != SignatureBytes)
        return std::nullopt;
    return SignedText {datagram.substr(0, at) + "}", std::move(*signature)};
}

bool signatureValid(const SignedText &signedText, const std::string &publicKey)
{
    if (publicKey.size() != crypto_sign_PUBLICKEYBYTES || signedText.signature.size() != SignatureBytes)
        return false;
    std::string message(kSignedLabel, sizeof kSignedLabel);
    message += signedText.text;
    return crypto_sign_verify_detached(bytes(signedText.signature), bytes(message), message.size(), bytes(publicKey))
        == 0;
}

std::string sealingPublicKey(const std::string &identityPublic)
{
    if (identityPublic.size() != crypto_sign_PUBLICKEYBYTES)
        return std::string();
    std::string out(crypto_scalarmult_curve25519_BYTES, '\0');
    if (crypto_sign_ed25519_pk_to_curve25519(reinterpret_cast<unsigned char *>(out.data()), bytes(identityPublic)) != 0)
        return std::string();
    return out;
}

std::string sealingSecretKey(const std::string &identitySecret)
{
    if (identitySecret.size() != crypto_sign_SECRETKEYBYTES)
        return std::string();
    std::string out(crypto_scalarmult_curve25519_BYTES, '\0');
    if (crypto_sign_ed25519_sk_to_curve25519(reinterpret_cast<unsigned char *>(out.data()), bytes(identitySecret)) != 0)
        return std::string();
    return out;
}

std::vector<TrustedMaker> parseTrustedMakers(const std::string &text, std::vector<std::string> *errors)
{
    std::vector<TrustedMaker> makers;
    std::istringstream in(text);
    std::string line;
    int number = 0;
    while (std::getline(in, line)) {
        ++number;
        const std::size_t start = line.find_first_not_of(" \t\r");
        if (start == std::string::npos || line[start] == '#')
            continue;
        const std::size_t end = line.find_first_of(" \t\r", start);
        const std::string keyText = line.substr(start, end == std::string::npos ? std::string::npos : end - start);
        const auto key = wire::fromBase64(keyText, PublicKeyBytes);
        if (!key || key->size() != PublicKeyBytes) {
            if (errors)
                errors->push_back("line " + std::to_string(number) + " holds no maker key");
            continue;
        }
        std::string name;
        if (end != std::string::npos) {
            const std::size_t from = line.find_first_not_of(" \t", end);
            const std::size_t to = line.find_last_not_of(" \t\r");
            if (from != std::string::npos && to != std::string::npos && to >= from)
                name = line.substr(from, to - from + 1);
        }
        makers.push_back({*key, wire::isPrintable(name) ? name : std::string()});
    }
    return makers;
}

namespace {
std::string besideProgram(const char *file)
{
    char path[4096];
    const ssize_t n = readlink("/proc/self/exe", path, sizeof path - 1);
    if (n <= 0)
        return file;
    std::string program(path, std::size_t(n));
    const std::size_t slash = program.rfind('/');
    return (slash == std::string::npos ? std::string() : program.substr(0, slash + 1)) + file;
}
} // namespace

std::vector<TrustedMaker> loadTrustedMakers(std::string *source, std::string *error)
{
    const char *variable = std::getenv(TrustedMakersVariable);
    const std::string path = variable && *variable ? std::string(variable) : besideProgram(TrustedMakersFile);
    if (source)
        *source = path;
    std::ifstream in(path, std::ios::binary);
    if (!in) {
        if (error)
            *error = "cannot read " + path;
        return {};
    }
    std::string text(kMaxTrustFile + 1, '\0');
    in.read(text.data(), std::streamsize(text.size()));
    text.resize(std::size_t(in.gcount()));
    if (text.size() > kMaxTrustFile) {
        if (error)
            *error = path + " is larger than 64 KiB";
        return {};
    }
    std::vector<std::string> problems;
    auto makers = parseTrustedMakers(text, &problems);
    if (error && !problems.empty())
        *error = path + ": " + problems.front();
    return makers;
}

} // namespace tarn::identity
