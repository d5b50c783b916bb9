#include <QtTest>

#include <cstring>

#include "core/recovery.h"
#include "core/seal.h"
#include "core/wire.h"

using namespace tarn::recovery;

Q_DECLARE_METATYPE(ParseError)

namespace {

KeyRequest sample(const std::string &secret)
{
    KeyRequest r;
    r.serial = "TN21-0";
    r.nonce = std::string(16, '\x42');
    r.issued = 1'800'000'000;
    r.expires = r.issued + 3600;
    authenticate(r, secret);
    return r;
}

} // namespace

class TestRecovery : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void bothFormsRoundTrip();
    void malformed_data();
    void malformed();
    void authenticity();
    void keys();
    void securityCodes();
    void makerSecretsFile();

private:
    MakerSecrets m_maker;
    std::string m_secret;
};

void TestRecovery::initTestCase()
{
    QVERIFY(tarn::seal::init());
    m_maker = newMakerSecrets();
    m_secret = deviceSecret(m_maker.master, "TN21-0");
}

void TestRecovery::bothFormsRoundTrip()
{
    const KeyRequest r = sample(m_secret);
    const std::string file = toFileBytes(r);
    QCOMPARE(file.size(), RequestFileBytes);
    const std::string text = toText(r);
    QVERIFY(text.size() <= RequestTextMax);
    QVERIFY(tarn::wire::isPrintable(text));
    for (const std::string &form : {file, text, "  " + text + "\r\n"}) {
        const auto back = parse(form);
        QVERIFY(back);
        QCOMPARE(back->serial, r.serial);
        QCOMPARE(back->nonce, r.nonce);
        QCOMPARE(back->issued, r.issued);
        QCOMPARE(back->expires, r.expires);
        QVERIFY(authentic(*back, m_secret));
    }
}

void TestRecovery::malformed_data()
{
    QTest::addColumn<QByteArray>("data");
    QTest::addColumn<ParseError>("error");
    const std::string file = toFileBytes(sample(deviceSecret(newMakerSecrets().master, "TN21-0")));
    const QByteArray bytes = QByteArray::fromStdString(file);
    const QByteArray text = QByteArray::fromStdString(toText(sample(m_secret)));
    QByteArray version = bytes;
    version[4] = 2;
    QByteArray padding = bytes;
    padding[200] = 1;
    QByteArray serialLength = bytes;
    serialLength[5] = 60;
    QByteArray expiry = bytes;
    for (int i = 80; i < 88; ++i)
        expiry[i] = 0;  // expires before it was made
    QTest::newRow("empty") << QByteArray() << ParseError::BadMagic;
    QTest::newRow("truncated file") << bytes.left(200) << ParseError::TooShort;
    QTest::newRow("oversized file") << bytes + QByteArray(10, '\0') << ParseError::TooLong;
    QTest::newRow("not a request") << QByteArray(256, 'x') << ParseError::BadMagic;
    QTest::newRow("wrong version") << version << ParseError::BadVersion;
    QTest::newRow("dirty padding") << padding << ParseError::BadField;
    QTest::newRow("serial too long") << serialLength << ParseError::BadField;
    QTest::newRow("expiry before issue") << expiry << ParseError::BadField;
    QTest::newRow("truncated text") << text.left(text.size() - 8) << ParseError::TooShort;
    QTest::newRow("bad base64") << QByteArray(text).replace(20, 2, "*!") << ParseError::BadEncoding;
    QTest::newRow("oversized text") << text + QByteArray(300, 'A') << ParseError::TooLong;
    QTest::newRow("text of another length") << QByteArray("TARN-KR1:") + QByteArray(130, 'x').toBase64() << ParseError::TooLong;
}

void TestRecovery::malformed()
{
    QFETCH(QByteArray, data);
    QFETCH(ParseError, error);
    ParseError got = ParseError::None;
    QVERIFY(!parse(data.toStdString(), &got));
    QCOMPARE(int(got), int(error));
    QVERIFY(std::strlen(describe(got)) > 0);
}

void TestRecovery::authenticity()
{
    KeyRequest r = sample(m_secret);
    QVERIFY(authentic(r, m_secret));
    QVERIFY(!authentic(r, deviceSecret(m_maker.master, "TN21-1")));  // another device's secret
    r.expires += 1;                                                    // any field changed
    QVERIFY(!authentic(r, m_secret));
}

void TestRecovery::keys()
{
    const KeyRequest r = sample(m_secret);
    const std::string key = makeKey(r, m_maker.signingSecret);
    QVERIFY(key.size() <= KeyTextMax);
    const auto bytes = parseKeyText(" " + key + "\n");
    QVERIFY(bytes);
    QVERIFY(keyMatches(r, *bytes, m_maker.signingPublic));

    KeyRequest renewed = r;
    renewed.nonce = std::string(16, '\x43');
    QVERIFY(!keyMatches(renewed, *bytes, m_maker.signingPublic));      // a newer request
    QVERIFY(!keyMatches(r, *bytes, newMakerSecrets().signingPublic));  // another maker
    std::string forged = *bytes;
    forged[10] ^= 1;
    QVERIFY(!keyMatches(r, forged, m_maker.signingPublic));
    QVERIFY(!parseKeyText("short"));
    QVERIFY(!parseKeyText(key.substr(0, 60)));
    QVERIFY(!parseKeyText(std::string(200, 'A')));
}

void TestRecovery::securityCodes()
{
    const std::int64_t today = 20'000;
    const std::string code = securityCode(m_secret, "TN21-0", today);
    QCOMPARE(code.size(), std::size_t(19));
    QVERIFY(code.size() <= CodeTextMax);
    QVERIFY(codeMatches(m_secret, "TN21-0", code, today));
    QVERIFY(codeMatches(m_secret, "TN21-0", code, today + 1));   // the next day still
    QVERIFY(!codeMatches(m_secret, "TN21-0", code, today + 2));  // then no more
    QVERIFY(codeMatches(m_secret, "TN21-0", normaliseCode(code), today));
    std::string lower = code;
    for (char &c : lower)
        c = char(std::tolower(static_cast<unsigned char>(c)));
    QVERIFY(codeMatches(m_secret, "TN21-0", lower, today));
    // Another device: its own secret and serial give another code.
    const std::string other = deviceSecret(m_maker.master, "TN21-1");
    QVERIFY(!codeMatches(other, "TN21-1", code, today));
    QVERIFY(!codeMatches(m_secret, "TN21-1", code, today));
    QVERIFY(!codeMatches(m_secret, "TN21-0", "", today));
}

void TestRecovery::makerSecretsFile()
{
    std::string why;
    const auto back = makerSecretsFromJson(toJson(m_maker), &why);
    QVERIFY(back);
    QCOMPARE(back->signingPublic, m_maker.signingPublic);
    QCOMPARE(back->master, m_maker.master);
    QVERIFY(!makerSecretsFromJson("{}", &why));
    QVERIFY(!why.empty());
    QVERIFY(!makerSecretsFromJson("{\"version\":1,\"signingPublic\":\"AAAA\"}", &why));
    QVERIFY(!makerSecretsFromJson("not json", &why));
}

QTEST_APPLESS_MAIN(TestRecovery)
#include "tst_recovery.moc"
