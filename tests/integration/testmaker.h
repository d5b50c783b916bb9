#pragma once

// Devices a test makes up: certified by the build's test maker (the file TARN_MAKER_SECRETS names,
// whose key the library trusts through TARN_TRUSTED_MAKERS), so the library takes their
// announcements as a real device's. Attackers in the tests use makers of their own instead.
#include <cstdlib>
#include <fstream>
#include <iterator>
#include <string>

#include "core/identity.h"
#include "core/recovery.h"
#include "core/wire.h"

inline const tarn::recovery::MakerSecrets &testMaker()
{
    static const tarn::recovery::MakerSecrets secrets = [] {
        const char *path = std::getenv("TARN_MAKER_SECRETS");
        std::ifstream in(path ? path : "");
        const std::string text((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
        const auto parsed = tarn::recovery::makerSecretsFromJson(text, nullptr);
        return parsed ? *parsed : tarn::recovery::MakerSecrets();
    }();
    return secrets;
}

// An identity of its own, certified by `makerSecret` for the device the hello names, and signed.
inline std::string certifiedHello(tarn::wire::Hello hello, const tarn::identity::KeyPair &key,
                                  const std::string &makerSecret = testMaker().signingSecret)
{
    hello.certificate = tarn::identity::issueCertificate(makerSecret, hello.device.serial,
                                                         tarn::wire::normaliseMac(hello.device.mac), key.publicKey);
    const auto datagram = tarn::wire::encodeSigned(hello, key.secretKey);
    return datagram ? *datagram : std::string();
}
