#include <QtTest>

#include <sodium.h>

#include "core/identity.h"
#include "core/recovery.h"
#include "core/seal.h"
#include "core/wire.h"

using namespace tarn;

// The test vectors of docs/protocol.md are what this code computes from the inputs the document
// gives: a device maker checks an implementation against them, so they must never drift. With
// TARN_PRINT_VECTORS set, the test prints the block for the document.
class TestVectors : public QObject
{
    Q_OBJECT

private slots:
    void documentMatchesCode();
};

namespace {

std::string hex(const std::string &bytes)
{
    static const char digits[] = "0123456789abcdef";
    std::string out;
    for (unsigned char c : bytes) {
        out += digits[c >> 4];
        out += digits[c & 15];
    }
    return out;
}

std::vector<std::pair<std::string, std::string>> computeVectors()
{
    std::vector<std::pair<std::string, std::string>> v;
    auto add = [&](const char *name, const std::string &value) { v.emplace_back(name, value); };
    auto seeded = [](char byte) {
        const std::string seed(32, byte);
        std::string pk(crypto_sign_PUBLICKEYBYTES, '\0'), sk(crypto_sign_SECRETKEYBYTES, '\0');
        crypto_sign_seed_keypair(reinterpret_cast<unsigned char *>(pk.data()), reinterpret_cast<unsigned char *>(sk.data()),
                                 reinterpret_cast<const unsigned char *>(seed.data()));
        return std::make_pair(pk, sk);
    };
    const auto maker = seeded('\x01');
    const auto device = seeded('\x02');
    const std::string serial = "TN0712345-1", mac = "02-07-00-00-01-5a", normalised = wire::normaliseMac(mac);
    add("maker_public", hex(maker.first));
    add("device_identity_public", hex(device.first));
    add("certificate_message", hex(identity::certificateMessage(serial, normalised, device.first)));
    const std::string certificate = identity::issueCertificate(maker.second, serial, normalised, device.first);
    add("certificate", hex(certificate));

    const std::string text = "{\"v\":2,\"t\":\"bye\",\"boot\":1765238400,\"seq\":5,\"sn\":\"TN0712345-1\","
                             "\"mac\":\"02-07-00-00-01-5a\"}";
    const std::string datagram = identity::signText(text, device.second);
    add("signed_datagram", datagram);
    add("signature", hex(identity::splitSigned(datagram)->signature));

    const std::string devicePublic = identity::sealingPublicKey(device.first);
    add("device_sealing_public", hex(devicePublic));
    add("device_sealing_secret", hex(identity::sealingSecretKey(device.second)));
    const std::string ephemeralSecret(32, '\x03');
    std::string ephemeralPublic(32, '\0');
    crypto_scalarmult_base(reinterpret_cast<unsigned char *>(ephemeralPublic.data()),
                           reinterpret_cast<const unsigned char *>(ephemeralSecret.data()));
    add("ephemeral_public", hex(ephemeralPublic));
    std::string shared(32, '\0');
    if (crypto_scalarmult(reinterpret_cast<unsigned char *>(shared.data()),
                          reinterpret_cast<const unsigned char *>(ephemeralSecret.data()),
                          reinterpret_cast<const unsigned char *>(devicePublic.data()))
        == 0)
        add("shared", hex(shared));
    const std::uint32_t id = 77;
    const std::string nonce(32, '\x04');
    const std::string binding = seal::binding(id, nonce);
    add("binding", hex(binding));
    // The challenge is bound to the operation's key: asked for with it, and signed naming it.
    add("challenge_request", *wire::encode(wire::ChallengeRequest {id, wire::Target {serial, ""}, ephemeralPublic}));
    add("challenge_datagram",
        *wire::encodeSigned(wire::Challenge {id, serial, mac, certificate, nonce, ephemeralPublic, {}}, device.second));
    const std::string key = *seal::sessionKey(ephemeralSecret, devicePublic, ephemeralPublic, devicePublic, binding);
    add("session_key", hex(key));
    const std::string requestContext = seal::requestContext(id, serial, nonce);
    add("request_context", hex(requestContext));
    const std::string request = "{\"op\":\"activate\",\"pw\":\"QWRtaW4xMjM0NQ==\"}";
    add("request_box", hex(seal::close(key, seal::Direction::Request, request, requestContext)));
    const std::string answerContext = seal::answerContext(id, serial, mac, nonce);
    add("answer_context", hex(answerContext));
    add("answer_box", hex(seal::close(key, seal::Direction::Answer, "{\"code\":0}", answerContext)));

    const std::string master(32, '\x05');
    const std::string factory = recovery::deviceSecret(master, serial);
    add("factory_secret", hex(factory));
    recovery::KeyRequest keyRequest;
    keyRequest.serial = serial;
    keyRequest.nonce = std::string(16, '\x06');
    keyRequest.issued = 1765238400;
    keyRequest.expires = 1765238400 + 172800;
    recovery::authenticate(keyRequest, factory);
    add("key_request", hex(recovery::toFileBytes(keyRequest).substr(0, 120)));
    add("reset_key", recovery::makeKey(keyRequest, maker.second));
    add("security_code_day_20430", recovery::securityCode(factory, serial, 20430));
    return v;
}

} // namespace

void TestVectors::documentMatchesCode()
{
    QVERIFY(seal::init());
    const auto vectors = computeVectors();
    if (qEnvironmentVariableIsSet("TARN_PRINT_VECTORS")) {
        for (const auto &entry : vectors)
            std::printf("%s = %s\n", entry.first.c_str(), entry.second.c_str());
    }
    QFile file(QStringLiteral(TARN_PROTOCOL_DOCUMENT));
    QVERIFY(file.open(QIODevice::ReadOnly));
    const QString document = QString::fromUtf8(file.readAll());
    const int begin = document.indexOf(QStringLiteral("<!-- vectors -->"));
    const int end = document.indexOf(QStringLiteral("<!-- /vectors -->"));
    QVERIFY(begin >= 0 && end > begin);
    std::map<std::string, std::string> documented;
    for (const QString &line : document.mid(begin, end - begin).split(QLatin1Char('\n'))) {
        const int at = line.indexOf(QStringLiteral(" = "));
        if (at > 0)
            documented[line.left(at).trimmed().toStdString()] = line.mid(at + 3).trimmed().toStdString();
    }
    QCOMPARE(documented.size(), vectors.size());
    for (const auto &entry : vectors)
        QVERIFY2(documented[entry.first] == entry.second, entry.first.c_str());
}

QTEST_APPLESS_MAIN(TestVectors)
#include "tst_vectors.moc"
