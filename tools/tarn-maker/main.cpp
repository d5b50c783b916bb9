// tarn-maker: what the device maker's service desk runs to answer password recovery requests.
//   tarn-maker init [--secrets FILE]                       make the maker's secrets
//   tarn-maker key [--secrets FILE] [-o KEYFILE] REQUEST   answer a key request (file, or - for
//                                                          the QR code text on standard input)
//   tarn-maker code [--secrets FILE] SERIAL                print today's security code
//   tarn-maker trust [--secrets FILE]                      print the line for a trusted makers file
//   tarn-maker cert [--secrets FILE] SERIAL MAC KEY        certify a device's identity key

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <ctime>
#include <fstream>
#include <iostream>
#include <iterator>
#include <string>
#include <vector>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include "core/identity.h"
#include "core/recovery.h"
#include "core/seal.h"
#include "core/wire.h"

namespace {

using namespace tarn::recovery;

constexpr const char *kDefaultSecrets = "maker-secrets.json";

int usage(FILE *out, int status)
{
    std::fprintf(out,
        "Usage:\n"
        "  tarn-maker init [--secrets FILE]\n"
        "      Makes the maker's signing key and master secret (default %s, readable by its\n"
        "      owner only). Point tarn-device --maker at the same file.\n"
        "  tarn-maker key [--secrets FILE] [-o KEYFILE] REQUEST_FILE\n"
        "  tarn-maker key [--secrets FILE] [-o KEYFILE] -\n"
        "      Answers a key request exported by the tool (or its QR code text on standard input):\n"
        "      prints the key and, with -o, writes it to KEYFILE for the tool to import.\n"
        "  tarn-maker code [--secrets FILE] SERIAL\n"
        "      Prints the security code that restores SERIAL's default password today.\n"
        "  tarn-maker trust [--secrets FILE] [-o FILE]\n"
        "      Prints the maker's public key as a line of a trusted makers file (%s beside\n"
        "      the tool, or the file %s names); with -o, appends it to FILE.\n"
        "  tarn-maker cert [--secrets FILE] SERIAL MAC IDENTITY_KEY\n"
        "      Certifies a device's Ed25519 identity key (base64) for its serial number and MAC:\n"
        "      prints the certificate (base64 of the key and the maker's signature).\n",
        kDefaultSecrets, tarn::identity::TrustedMakersFile, tarn::identity::TrustedMakersVariable);
    return status;
}

bool readAll(const std::string &path, std::string &out, std::size_t limit)
{
    std::ifstream in;
    std::istream *stream = &std::cin;
    if (path != "-") {
        in.open(path, std::ios::binary);
        if (!in)
            return false;
        stream = &in;
    }
    std::vector<char> buffer(limit + 1);
    stream->read(buffer.data(), std::streamsize(buffer.size()));
    out.assign(buffer.data(), std::size_t(stream->gcount()));
    return true;
}

bool loadSecrets(const std::string &path, MakerSecrets &secrets)
{
    std::string text;
    if (!readAll(path, text, 64 * 1024)) {
        std::fprintf(stderr, "tarn-maker: cannot read %s (make it with: tarn-maker init --secrets %s)\n", path.c_str(), path.c_str());
        return false;
    }
    std::string why;
    const auto parsed = makerSecretsFromJson(text, &why);
    if (!parsed || parsed->signingSecret.empty() || parsed->master.empty()) {
        std::fprintf(stderr, "tarn-maker: %s: %s\n", path.c_str(), parsed ? "holds no signing key or master secret" : why.c_str());
        return false;
    }
    secrets = *parsed;
    return true;
}

int init(const std::string &path)
{
    const int fd = open(path.c_str(), O_WRONLY | O_CREAT | O_EXCL, 0600);
    if (fd < 0) {
        std::fprintf(stderr, "tarn-maker: cannot create %s: %s\n", path.c_str(),
                     errno == EEXIST ? "it exists already (it is never overwritten)" : std::strerror(errno));
        return 1;
    }
    const std::string text = toJson(newMakerSecrets());
    const bool written = write(fd, text.data(), text.size()) == ssize_t(text.size());
    close(fd);
    if (!written) {
        unlink(path.c_str());
        std::fprintf(stderr, "tarn-maker: cannot write %s\n", path.c_str());
        return 1;
    }
    std::printf("tarn-maker: wrote %s\n", path.c_str());
    return 0;
}

int key(const MakerSecrets &secrets, const std::string &requestPath, const std::string &keyPath)
{
    std::string data;
    if (!readAll(requestPath, data, RequestFileBytes * 4)) {
        std::fprintf(stderr, "tarn-maker: cannot read %s\n", requestPath.c_str());
        return 1;
    }
    ParseError error = ParseError::None;
    const auto request = parse(data, &error);
    if (!request) {
        std::fprintf(stderr, "tarn-maker: malformed request: %s\n", describe(error));
        return 1;
    }
    if (!authentic(*request, deviceSecret(secrets.master, request->serial))) {
        std::fprintf(stderr, "tarn-maker: foreign request: it was not made by a device of ours (serial %s)\n",
                     request->serial.c_str());
        return 1;
    }
    if (std::uint64_t(std::time(nullptr)) >= request->expires) {
        std::fprintf(stderr, "tarn-maker: expired request: serial %s asked at %llu, valid until %llu; ask the installer for a new one\n",
                     request->serial.c_str(), static_cast<unsigned long long>(request->issued),
                     static_cast<unsigned long long>(request->expires));
        return 1;
    }
    const std::string answer = makeKey(*request, secrets.signingSecret);
    if (!keyPath.empty()) {
        std::ofstream out(keyPath, std::ios::trunc);
        if (!(out << answer << '\n') || !out.flush()) {
            std::fprintf(stderr, "tarn-maker: cannot write %s\n", keyPath.c_str());
            return 1;
        }
    }
    std::printf("%s\n", answer.c_str());
    return 0;
}

} // namespace

int main(int argc, char **argv)
{
    if (argc < 2)
        return usage(stderr, 2);
    const std::string command = argv[1];
    if (command == "--help" || command == "-h" || command == "help")
        return usage(stdout, 0);
    std::string secretsPath = kDefaultSecrets, keyPath;
    std::vector<std::string> rest;
    for (int i = 2; i < argc; ++i) {
        const std::string arg = argv[i];
        if (arg == "--secrets" && i + 1 < argc)
            secretsPath = argv[++i];
        else if (arg == "-o" && i + 1 < argc)
            keyPath = argv[++i];
        else if (arg.size() > 1 && arg[0] == '-')
            return usage(stderr, 2);
        else
            rest.push_back(arg);
    }
    if (!tarn::seal::init())
        return 1;
    if (command == "init" && rest.empty())
        return init(secretsPath);
    if (command == "trust" && rest.empty()) {
        MakerSecrets secrets;
        if (!loadSecrets(secretsPath, secrets))
            return 1;
        const std::string line = tarn::wire::toBase64(secrets.signingPublic) + " " + secretsPath + "\n";
        if (!keyPath.empty()) {
            std::ofstream out(keyPath, std::ios::app);
            if (!(out << line) || !out.flush()) {
                std::fprintf(stderr, "tarn-maker: cannot write %s\n", keyPath.c_str());
                return 1;
            }
        }
        std::printf("%s", line.c_str());
        return 0;
    }
    if (command == "cert" && rest.size() == 3) {
        MakerSecrets secrets;
        if (!loadSecrets(secretsPath, secrets))
            return 1;
        const std::string mac = tarn::wire::normaliseMac(rest[1]);
        const auto key = tarn::wire::fromBase64(rest[2], tarn::identity::PublicKeyBytes);
        if (rest[0].empty() || rest[0].size() > 47 || !tarn::wire::isPrintable(rest[0]) || mac.empty() || !key
            || key->size() != tarn::identity::PublicKeyBytes) {
            std::fprintf(stderr, "tarn-maker: cert needs a serial (1 to 47 characters), a MAC and a base64 Ed25519 key\n");
            return 1;
        }
        std::printf("%s\n", tarn::wire::toBase64(tarn::identity::issueCertificate(secrets.signingSecret, rest[0], mac, *key)).c_str());
        return 0;
    }
    if ((command == "key" || command == "code") && rest.size() == 1) {
        MakerSecrets secrets;
        if (!loadSecrets(secretsPath, secrets))
            return 1;
        if (command == "key")
            return key(secrets, rest[0], keyPath);
        if (rest[0].empty() || rest[0].size() > 47) {
            std::fprintf(stderr, "tarn-maker: a serial number has 1 to 47 characters\n");
            return 1;
        }
        const std::int64_t today = std::int64_t(std::time(nullptr) / 86400);
        std::printf("%s\n", securityCode(deviceSecret(secrets.master, rest[0]), rest[0], today).c_str());
        return 0;
    }
    return usage(stderr, 2);
}
