#include <QtTest>

#include "core/identity.h"
#include "core/seal.h"
#include "core/wire.h"

using namespace tarn;
using namespace tarn::wire;

Q_DECLARE_METATYPE(DecodeError)

namespace {

Device sampleDevice()
{
    Device d;
    d.serial = "TN07-1";
    d.mac = "02-07-00-00-01-5a";
    d.ip = "192.0.0.64";
    d.mask = "255.255.255.0";
    d.gateway = "0.0.0.0";
    d.typeName = "IPC-B220";
    d.softwareVersion = "V5.6.1";
    d.dspVersion = "V7.3";
    d.startTime = "2026-12-01 01:10:01";
    d.ip6 = "fe80::1";
    d.gateway6 = "fe80::1";
    d.typeCode = 100;
    d.port = 8000;
    d.httpPort = 80;
    d.channels = 4;
    d.capabilities = 0x47;
    d.ipv6Valid = 1;
    d.prefixLength = 64;
    d.activation = 1;
    return d;
}

Hello sampleHello()
{
    Hello h;
    h.id = 42;
    h.boot = 7;
    h.seq = 3;
    h.certificate = std::string(CertificateBytes, '\x11');
    h.device = sampleDevice();
    h.signature.bytes = std::string(SignatureBytes, '\x22');  // decodes; verifies against no key
    return h;
}

std::string helloJson(const std::string &deviceOverride)
{
    std::string text = *encode(sampleHello());
    const auto at = text.find("\"sn\":\"TN07-1\"");
    return at == std::string::npos ? text : text.replace(at, 13, deviceOverride);
}

} // namespace

class TestWire : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void roundTrips();
    void largestHelloFits();
    void malformed_data();
    void malformed();
    void encoderRefusesOutOfBounds();
    void bodies();
    void macs();
    void base64();
    void sealing();
    void identities();
};

void TestWire::initTestCase()
{
    QVERIFY(seal::init());
}

void TestWire::roundTrips()
{
    const Message messages[] = {
        sampleHello(),
        Bye {7, 4, "TN07-1", "02-07-00-00-01-5a", Signature {"", std::string(SignatureBytes, 's')}},
        Inquiry {9, 800, "0207000001" "5a" "020700000102"},
        ChallengeRequest {5, Target {"", "02-07-00-00-01-5a"}, std::string(32, 'e')},
        Challenge {5, "TN07-1", "02-07-00-00-01-5a", std::string(CertificateBytes, 'k'), std::string(32, 'n'),
                   std::string(32, 'e'), Signature {"", std::string(SignatureBytes, 's')}},
        Operation {5, Target {"TN07-1", ""}, std::string(32, 'e'), std::string(100, '\0')},
        Result {5, "TN07-1", "02-07-00-00-01-5a", std::string(40, '\xff')},
    };
    for (const Message &m : messages) {
        const auto text = encode(m);
        QVERIFY(text);
        QVERIFY(text->size() <= MaxDatagram);
        auto decoded = decode(*text);
        QVERIFY(std::holds_alternative<Message>(decoded));
        QCOMPARE(encode(std::get<Message>(decoded)), text);
    }
    auto decoded = decode(*encode(sampleHello()));
    const Hello &h = std::get<Hello>(std::get<Message>(decoded));
    QVERIFY(h.device == sampleDevice());
    QCOMPARE(h.certificate, std::string(CertificateBytes, '\x11'));
    QCOMPARE(h.signature.bytes, std::string(SignatureBytes, '\x22'));
    QCOMPARE(h.seq, 3u);
}

void TestWire::largestHelloFits()
{
    Hello h = sampleHello();
    Device &d = h.device;
    // Every text at its bound, made of the characters JSON must escape.
    d.serial = std::string(SerialMax, '"');
    d.mac = std::string(MacMax, '\\');
    d.ip = d.mask = d.gateway = std::string(Ipv4Max, '"');
    d.typeName = d.softwareVersion = d.dspVersion = d.startTime = std::string(NameMax, '\\');
    d.ip6 = d.gateway6 = std::string(Ipv6Max, '"');
    h.id = h.boot = h.seq = UINT32_MAX;
    d.typeCode = INT32_MIN;
    const auto text = encode(h);
    QVERIFY(text);
    QVERIFY2(text->size() <= MaxDatagram, qPrintable(QString::number(text->size())));
}

void TestWire::malformed_data()
{
    QTest::addColumn<QByteArray>("datagram");
    QTest::addColumn<DecodeError>("error");
    const QByteArray hello = QByteArray::fromStdString(*encode(sampleHello()));
    QTest::newRow("empty") << QByteArray() << DecodeError::NotJson;
    QTest::newRow("truncated") << hello.left(hello.size() - 3) << DecodeError::NotJson;
    QTest::newRow("array") << QByteArray("[1,2]") << DecodeError::NotJson;
    QTest::newRow("oversized") << QByteArray(1401, ' ') << DecodeError::TooLarge;
    QTest::newRow("version 1") << QByteArray(hello).replace("\"v\":2", "\"v\":1") << DecodeError::BadVersion;
    QTest::newRow("no version") << QByteArray(hello).replace("\"v\":2", "\"w\":2") << DecodeError::BadField;
    QTest::newRow("version as text") << QByteArray(hello).replace("\"v\":2", "\"v\":\"2\"") << DecodeError::BadField;
    QTest::newRow("unknown type") << QByteArray(hello).replace("\"hello\"", "\"helo\"") << DecodeError::UnknownType;
    QTest::newRow("port too large") << QByteArray(hello).replace("\"port\":8000", "\"port\":70000") << DecodeError::BadField;
    QTest::newRow("negative port") << QByteArray(hello).replace("\"port\":8000", "\"port\":-1") << DecodeError::BadField;
    QTest::newRow("port as float") << QByteArray(hello).replace("\"port\":8000", "\"port\":80.5") << DecodeError::BadField;
    QTest::newRow("missing field") << QByteArray(hello).replace("\"tname\"", "\"tnam\"") << DecodeError::BadField;
    QTest::newRow("serial too long")
        << QByteArray::fromStdString(helloJson("\"sn\":\"" + std::string(SerialMax + 1, 'S') + "\"")) << DecodeError::BadField;
    QTest::newRow("control byte in text")
        << QByteArray::fromStdString(helloJson("\"sn\":\"A\\u0001B\"")) << DecodeError::BadField;
    QTest::newRow("non-ASCII text")
        << QByteArray::fromStdString(helloJson("\"sn\":\"\xc3\xa9\"")) << DecodeError::BadField;
    QTest::newRow("bad base64 certificate") << QByteArray(hello).replace("\"cert\":\"", "\"cert\":\"*") << DecodeError::BadField;
    QTest::newRow("short certificate")
        << QByteArray(hello).replace(QByteArray::fromStdString(toBase64(std::string(CertificateBytes, '\x11'))),
                                     QByteArray::fromStdString(toBase64(std::string(CertificateBytes - 3, '\x11'))))
        << DecodeError::BadField;
    // Announcements, goodbyes and challenges count only with a signature, and only one.
    const QByteArray unsignedHello = QByteArray::fromStdString(*encode([] {
        Hello h = sampleHello();
        h.signature = Signature();
        return h;
    }()));
    QTest::newRow("unsigned hello") << unsignedHello << DecodeError::BadField;
    QTest::newRow("unsigned bye") << QByteArray("{\"v\":2,\"t\":\"bye\",\"boot\":1,\"seq\":2,\"sn\":\"A\",\"mac\":\"B\"}")
                                  << DecodeError::BadField;
    QTest::newRow("signature inside the signed part")
        << QByteArray(hello).replace("\"t\":\"hello\"", "\"t\":\"hello\",\"sig\":\"x\"") << DecodeError::BadField;
    QTest::newRow("known not whole MACs") << QByteArray("{\"v\":2,\"t\":\"inq\",\"id\":1,\"win\":800,\"known\":\"0207\"}")
                                          << DecodeError::BadField;
    QTest::newRow("window too long") << QByteArray("{\"v\":2,\"t\":\"inq\",\"id\":1,\"win\":60000,\"known\":\"\"}")
                                     << DecodeError::BadField;
    const QByteArray key = ",\"epk\":\"" + QByteArray::fromStdString(toBase64(std::string(32, 'e'))) + "\"}";
    QTest::newRow("two targets") << QByteArray("{\"v\":2,\"t\":\"chq\",\"id\":1,\"sn\":\"A\",\"mac\":\"B\"") + key
                                 << DecodeError::BadField;
    QTest::newRow("no target") << QByteArray("{\"v\":2,\"t\":\"chq\",\"id\":1") + key << DecodeError::BadField;
    QTest::newRow("request id 0") << QByteArray("{\"v\":2,\"t\":\"chq\",\"id\":0,\"sn\":\"A\"") + key
                                  << DecodeError::BadField;
    // A challenge request is bound to the operation's key: without one, or with a short one, it is no request.
    QTest::newRow("challenge request without key") << QByteArray("{\"v\":2,\"t\":\"chq\",\"id\":1,\"sn\":\"A\"}")
                                                   << DecodeError::BadField;
    QTest::newRow("challenge request with short key")
        << QByteArray("{\"v\":2,\"t\":\"chq\",\"id\":1,\"sn\":\"A\",\"epk\":\"ZWVl\"}") << DecodeError::BadField;
    QTest::newRow("deep nesting") << QByteArray(600, '[') << DecodeError::NotJson;
}

void TestWire::malformed()
{
    QFETCH(QByteArray, datagram);
    QFETCH(DecodeError, error);
    auto result = decode(datagram.toStdString());
    QVERIFY(std::holds_alternative<DecodeError>(result));
    QCOMPARE(int(std::get<DecodeError>(result)), int(error));
}

void TestWire::encoderRefusesOutOfBounds()
{
    Hello h = sampleHello();
    h.device.serial = std::string(SerialMax + 1, 'S');
    QVERIFY(!encode(h));
    h = sampleHello();
    h.device.typeName = "tab\there";
    QVERIFY(!encode(h));
    h = sampleHello();
    h.certificate = "short";
    QVERIFY(!encode(h));
    h = sampleHello();
    h.signature.bytes = "short";
    QVERIFY(!encode(h));
    QVERIFY(!encode(ChallengeRequest {1, Target {"SN", "MAC"}, std::string(32, 'e')}));
    QVERIFY(!encode(ChallengeRequest {1, Target {"SN", ""}, std::string(31, 'e')}));
    QVERIFY(!encode(Inquiry {1, 800, "02070000"}));
    QVERIFY(!encode(Operation {1, Target {"SN", ""}, std::string(32, 'e'), std::string(MaxBoxBytes + 1, 'b')}));
}

void TestWire::bodies()
{
    OperationBody modify;
    modify.kind = OperationBody::Modify;
    modify.password = std::string("p\xe9\x00w\xff", 5);  // 8-bit bytes, even a NUL, survive
    modify.net.ip = "10.0.0.5";
    modify.net.mask = "255.255.255.0";
    modify.net.port = 8000;
    modify.net.dhcp = 1;
    const auto text = encodeBody(modify);
    QVERIFY(text);
    QVERIFY(text->find("p\xe9") == std::string::npos);
    const auto back = decodeOperationBody(*text);
    QVERIFY(back);
    QCOMPARE(back->password, modify.password);
    QCOMPARE(back->net.ip, std::string("10.0.0.5"));
    QCOMPARE(int(back->net.dhcp), 1);

    modify.password = std::string(PasswordMax + 1, 'x');
    QVERIFY(!encodeBody(modify));
    QVERIFY(!decodeOperationBody("{\"op\":\"activate\"}"));
    QVERIFY(!decodeOperationBody("{\"op\":\"format\",\"pw\":\"\"}"));
    QVERIFY(!decodeOperationBody("{\"op\":\"modify\",\"pw\":\"\"}"));  // no parameters
    QCOMPARE(decodeResultBody(*encodeBody(ResultBody {2009, {}}))->code, 2009);
    QVERIFY(!decodeResultBody("{\"code\":-1}"));
}

void TestWire::macs()
{
    QCOMPARE(normaliseMac("02-07-00-00-01-5A"), std::string("02070000015a"));
    QCOMPARE(normaliseMac("02:07:00:00:01:5a"), std::string("02070000015a"));
    QCOMPARE(normaliseMac("0207.0000.015a"), std::string("02070000015a"));
    QCOMPARE(normaliseMac("02-07-00-00-01"), std::string());
    QCOMPARE(normaliseMac("02-07-00-00-01-5g"), std::string());
    QCOMPARE(normaliseMac(""), std::string());
}

void TestWire::base64()
{
    QCOMPARE(*fromBase64(toBase64("hello"), 16), std::string("hello"));
    QVERIFY(!fromBase64("aGVsbG8", 16));        // missing padding
    QVERIFY(!fromBase64("aGVs bG8=", 16));      // stray character
    QVERIFY(!fromBase64(toBase64(std::string(40, 'x')), 32));  // more than allowed
    QCOMPARE(fromBase64("", 16)->size(), std::size_t(0));
}

void TestWire::sealing()
{
    const seal::KeyPair device = seal::generateKeyPair();
    const seal::KeyPair ephemeral = seal::generateKeyPair();
    const std::string bind = seal::binding(5, std::string(32, 'n'));
    const auto ours = seal::sessionKey(ephemeral.secretKey, device.publicKey, ephemeral.publicKey, device.publicKey, bind);
    const auto theirs = seal::sessionKey(device.secretKey, ephemeral.publicKey, ephemeral.publicKey, device.publicKey, bind);
    QVERIFY(ours && theirs);
    QCOMPARE(*ours, *theirs);

    const std::string context = seal::requestContext(5, "TN07-1", std::string(32, 'n'));
    const std::string box = seal::close(*ours, seal::Direction::Request, "secret", context);
    QVERIFY(box.find("secret") == std::string::npos);
    QCOMPARE(*seal::open(*theirs, seal::Direction::Request, box, context), std::string("secret"));

    // Bound to the request id, the target, the challenge and the direction; tamper-evident.
    QVERIFY(!seal::open(*theirs, seal::Direction::Request, box, seal::requestContext(6, "TN07-1", std::string(32, 'n'))));
    QVERIFY(!seal::open(*theirs, seal::Direction::Request, box, seal::requestContext(5, "TN07-2", std::string(32, 'n'))));
    QVERIFY(!seal::open(*theirs, seal::Direction::Request, box, seal::requestContext(5, "TN07-1", std::string(32, 'm'))));
    QVERIFY(!seal::open(*theirs, seal::Direction::Answer, box, context));
    std::string tampered = box;
    tampered[0] ^= 1;
    QVERIFY(!seal::open(*theirs, seal::Direction::Request, tampered, context));
    // Another device's key gives another session key.
    const seal::KeyPair other = seal::generateKeyPair();
    const auto wrong = seal::sessionKey(other.secretKey, ephemeral.publicKey, ephemeral.publicKey, device.publicKey, bind);
    QVERIFY(!seal::open(*wrong, seal::Direction::Request, box, context));
    // A low-order public key is refused instead of giving a predictable key.
    QVERIFY(!seal::sessionKey(ephemeral.secretKey, std::string(32, '\0'), ephemeral.publicKey, device.publicKey, bind));
    // Another request id or challenge gives another key.
    QVERIFY(*seal::sessionKey(device.secretKey, ephemeral.publicKey, ephemeral.publicKey, device.publicKey,
                              seal::binding(6, std::string(32, 'n'))) != *ours);
    // Field boundaries count: a serial holding the separator cannot pose as another serial and MAC.
    QVERIFY(seal::answerContext(5, "A|B", "C", "n") != seal::answerContext(5, "A", "B|C", "n"));
}

// Certificates bind a key to one serial and MAC under one maker; signatures cover exactly the
// bytes decoded; operations sealed to the certified key open only with its secret half.
void TestWire::identities()
{
    const identity::KeyPair maker = identity::generateKeyPair();
    const identity::KeyPair device = identity::generateKeyPair();
    const identity::KeyPair stranger = identity::generateKeyPair();
    const std::string cert = identity::issueCertificate(maker.secretKey, "TN07-1", "02070000015a", device.publicKey);
    QCOMPARE(cert.size(), CertificateBytes);
    QVERIFY(identity::certificateValid(cert, "TN07-1", "02070000015a", maker.publicKey));
    QVERIFY(!identity::certificateValid(cert, "TN07-2", "02070000015a", maker.publicKey));
    QVERIFY(!identity::certificateValid(cert, "TN07-1", "02070000015b", maker.publicKey));
    QVERIFY(!identity::certificateValid(cert, "TN07-1", "02070000015a", stranger.publicKey));
    QVERIFY(!identity::certificateValid(stranger.publicKey + cert.substr(32), "TN07-1", "02070000015a", maker.publicKey));

    Hello hello = sampleHello();
    hello.certificate = cert;
    const auto datagram = encodeSigned(hello, device.secretKey);
    QVERIFY(datagram && datagram->size() <= MaxDatagram);
    auto decoded = decode(*datagram);
    const Hello &back = std::get<Hello>(std::get<Message>(decoded));
    QVERIFY(identity::signatureValid({back.signature.text, back.signature.bytes}, identity::certifiedKey(back.certificate)));
    QVERIFY(!identity::signatureValid({back.signature.text, back.signature.bytes}, stranger.publicKey));
    // One changed byte in what was signed, or a signature that is not base64: nothing to trust.
    std::string forged = *datagram;
    forged.replace(forged.find("192.0.0.64"), 10, "192.0.0.65");
    auto forgedDecoded = decode(forged);
    const Hello &f = std::get<Hello>(std::get<Message>(forgedDecoded));
    QVERIFY(!identity::signatureValid({f.signature.text, f.signature.bytes}, device.publicKey));
    std::string garbled = *datagram;
    garbled[garbled.size() - 10] = '*';
    QVERIFY(!identity::splitSigned(garbled));

    // The X25519 form of the certified key: both sides derive the same session key.
    const seal::KeyPair ephemeral = seal::generateKeyPair();
    const std::string devicePublic = identity::sealingPublicKey(device.publicKey);
    const std::string deviceSecret = identity::sealingSecretKey(device.secretKey);
    const std::string bind = seal::binding(9, std::string(32, 'n'));
    QCOMPARE(*seal::sessionKey(ephemeral.secretKey, devicePublic, ephemeral.publicKey, devicePublic, bind),
             *seal::sessionKey(deviceSecret, ephemeral.publicKey, ephemeral.publicKey, devicePublic, bind));

    std::vector<std::string> errors;
    const auto makers = identity::parseTrustedMakers(
        "# makers we buy from\n\n" + toBase64(maker.publicKey) + "  Acme cameras\r\nnot a key\n" + toBase64("short"),
        &errors);
    QCOMPARE(makers.size(), std::size_t(1));
    QCOMPARE(makers[0].publicKey, maker.publicKey);
    QCOMPARE(makers[0].name, std::string("Acme cameras"));
    QCOMPARE(errors.size(), std::size_t(2));
}

QTEST_APPLESS_MAIN(TestWire)
#include "tst_wire.moc"
