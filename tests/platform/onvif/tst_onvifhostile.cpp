// What a hostile network can send the ONVIF library: XML that would expand, nest or grow without
// end, servers that stall, trickle, flood or ask for Basic, and forged discovery messages that
// would aim the tool at a third host, take a device away or fill the table.

#include <QtTest>

#include <atomic>
#include <thread>

#include <arpa/inet.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include "core/soap.h"
#include "core/wsd.h"
#include "core/xml.h"
#include "onvif.h"
#include "onvifsupport.h"

using namespace tarn::onvif;
using namespace std::chrono;

namespace {

// A TCP server on one loopback address that answers every request with what `answer` makes
// (nothing: it stays silent), and records what came in.
class FakeServer
{
public:
    FakeServer(const char *address, std::function<std::string(const std::string &)> answer, int trickleMs = 0)
        : m_answer(std::move(answer)), m_trickleMs(trickleMs)
    {
        m_fd = socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
        sockaddr_in at {};
        at.sin_family = AF_INET;
        inet_pton(AF_INET, address, &at.sin_addr);
        const int one = 1;
        setsockopt(m_fd, SOL_SOCKET, SO_REUSEADDR, &one, sizeof one);
        bind(m_fd, reinterpret_cast<sockaddr *>(&at), sizeof at);
        listen(m_fd, 16);
        socklen_t length = sizeof at;
        getsockname(m_fd, reinterpret_cast<sockaddr *>(&at), &length);
        m_url = std::string("http://") + address + ":" + std::to_string(ntohs(at.sin_port)) + "/onvif/device_service";
        m_thread = std::thread([this] { serve(); });
    }
    ~FakeServer()
    {
        m_stop = true;
        m_thread.join();
        ::close(m_fd);
    }
    const std::string &url() const { return m_url; }
    int connections() const { return m_connections; }
    std::string requests()
    {
        std::lock_guard<std::mutex> lock(m_mutex);
        return m_requests;
    }

private:
    void serve()
    {
        while (!m_stop) {
            pollfd p {m_fd, POLLIN, 0};
            if (poll(&p, 1, 50) <= 0)
                continue;
            const int c = accept(m_fd, nullptr, nullptr);
            ++m_connections;
            std::string in;
            char buffer[4096];
            // Reads one request: headers and the body its length names.
            while (!m_stop) {
                pollfd q {c, POLLIN, 0};
                if (poll(&q, 1, 50) <= 0)
                    continue;
                const ssize_t n = recv(c, buffer, sizeof buffer, 0);
                if (n <= 0)
                    break;
                in.append(buffer, std::size_t(n));
                const std::size_t end = in.find("\r\n\r\n");
                const std::size_t length = in.find("Content-Length: ");
                if (end != std::string::npos && length != std::string::npos
                    && in.size() >= end + 4 + std::stoul(in.substr(length + 16)))
                    break;
            }
            {
                std::lock_guard<std::mutex> lock(m_mutex);
                m_requests += in;
            }
            const std::string out = m_answer(in);
            if (out.empty()) {
                while (!m_stop)
                    std::this_thread::sleep_for(milliseconds(20));  // silent until the end
            }
            for (std::size_t k = 0; k < out.size() && !m_stop;) {
                const std::size_t n = m_trickleMs ? 1 : out.size() - k;
                if (send(c, out.data() + k, n, MSG_NOSIGNAL) <= 0)
                    break;
                k += n;
                if (m_trickleMs)
                    std::this_thread::sleep_for(milliseconds(m_trickleMs));
            }
            ::close(c);
        }
    }

    int m_fd = -1;
    std::string m_url;
    std::function<std::string(const std::string &)> m_answer;
    int m_trickleMs;
    std::thread m_thread;
    std::atomic<bool> m_stop {false};
    std::atomic<int> m_connections {0};
    std::mutex m_mutex;
    std::string m_requests;
};

std::string httpAnswer(const std::string &status, const std::string &body, const std::string &headers = {})
{
    return "HTTP/1.1 " + status + "\r\nContent-Type: application/soap+xml\r\n" + headers
        + "Content-Length: " + std::to_string(body.size()) + "\r\nConnection: close\r\n\r\n" + body;
}

int udpSocket(const char *address, bool joinGroup)
{
    const int fd = socket(AF_INET, SOCK_DGRAM | SOCK_CLOEXEC, 0);
    const int one = 1;
    setsockopt(fd, SOL_SOCKET, SO_REUSEADDR, &one, sizeof one);
    sockaddr_in at {};
    at.sin_family = AF_INET;
    inet_pton(AF_INET, address, &at.sin_addr);
    at.sin_port = joinGroup ? htons(tarn::onvif::wsd::Port) : 0;
    bind(fd, reinterpret_cast<sockaddr *>(&at), sizeof at);
    ip_mreqn group {};
    inet_pton(AF_INET, tarn::onvif::wsd::GroupAddress, &group.imr_multiaddr);
    group.imr_ifindex = 1;  // lo
    if (joinGroup)
        setsockopt(fd, IPPROTO_IP, IP_ADD_MEMBERSHIP, &group, sizeof group);
    else
        setsockopt(fd, IPPROTO_IP, IP_MULTICAST_IF, &group, sizeof group);
    return fd;
}

void sendTo(int fd, const std::string &datagram, const sockaddr_in &to)
{
    sendto(fd, datagram.data(), datagram.size(), 0, reinterpret_cast<const sockaddr *>(&to), sizeof to);
}

sockaddr_in groupAddress()
{
    sockaddr_in to {};
    to.sin_family = AF_INET;
    to.sin_port = htons(tarn::onvif::wsd::Port);
    inet_pton(AF_INET, tarn::onvif::wsd::GroupAddress, &to.sin_addr);
    return to;
}

} // namespace

class TestOnvifHostile : public QObject
{
    Q_OBJECT

private slots:
    void xmlReader_data();
    void xmlReader();
    void servers();
    void forgedDiscovery();
};

void TestOnvifHostile::xmlReader_data()
{
    QTest::addColumn<QByteArray>("document");
    QTest::addColumn<bool>("accepted");
    QTest::addColumn<QByteArray>("value");  // of the element <v>, when accepted

    QTest::newRow("references and CDATA") << QByteArray("<?xml version=\"1.0\"?><!-- c --><a xmlns=\"urn:x\"><v>&lt;&#65;&#x42;&amp;<![CDATA[<&>]]></v></a>") << true << QByteArray("<AB&<&>");
    QTest::newRow("prefixes") << QByteArray("<p:a xmlns:p=\"urn:p\"><p:v q=\"1\">x</p:v></p:a>") << true << QByteArray("x");
    QTest::newRow("DTD with entities") << QByteArray("<?xml version=\"1.0\"?><!DOCTYPE a [<!ENTITY e \"eeeeeeeeee\"><!ENTITY f \"&e;&e;&e;&e;\">]><a><v>&f;</v></a>") << false << QByteArray();
    QTest::newRow("external entity") << QByteArray("<!DOCTYPE a SYSTEM \"file:///etc/passwd\"><a><v/></a>") << false << QByteArray();
    QTest::newRow("DTD inside") << QByteArray("<a><!DOCTYPE b><v/></a>") << false << QByteArray();
    QTest::newRow("undeclared entity") << QByteArray("<a><v>&passwd;</v></a>") << false << QByteArray();
    QTest::newRow("reference to NUL") << QByteArray("<a><v>&#0;</v></a>") << false << QByteArray();
    QTest::newRow("unbound prefix") << QByteArray("<x:a><v/></x:a>") << false << QByteArray();
    QTest::newRow("mismatched") << QByteArray("<a><v></a></v>") << false << QByteArray();
    QTest::newRow("truncated") << QByteArray("<a><v>text") << false << QByteArray();
    QTest::newRow("two roots") << QByteArray("<a/><b/>") << false << QByteArray();
    QTest::newRow("< in attribute") << QByteArray("<a b=\"<\"/>") << false << QByteArray();
    QByteArray deep;
    for (int i = 0; i < 40; ++i)
        deep += "<d>";
    QTest::newRow("too deep") << deep << false << QByteArray();
    QTest::newRow("too large") << (QByteArray("<a><v>") + QByteArray(300 * 1024, 'x') + "</v></a>") << false << QByteArray();
    QByteArray wide = "<a>";
    for (int i = 0; i < 9000; ++i)
        wide += "<e/>";
    QTest::newRow("too many elements") << (wide + "</a>") << false << QByteArray();
}

void TestOnvifHostile::xmlReader()
{
    QFETCH(QByteArray, document);
    QFETCH(bool, accepted);
    QFETCH(QByteArray, value);
    std::string why;
    const auto root = xml::parse(std::string_view(document.constData(), std::size_t(document.size())), &why);
    QCOMPARE(bool(root), accepted);
    if (root) {
        QVERIFY(root->child("v"));
        QCOMPARE(QByteArray::fromStdString(root->child("v")->value()), value);
    } else {
        QVERIFY(!why.empty());
    }
}

void TestOnvifHostile::servers()
{
    ClientOptions options;
    options.connectTimeout = milliseconds(500);
    options.totalTimeout = milliseconds(1200);
    Client client(options);
    const Credentials admin {"admin", Secret(std::string("Secret-Pass-9"))};
    const std::string info = soap::envelope("<tds:GetDeviceInformationResponse><tds:Model>M</tds:Model></tds:GetDeviceInformationResponse>");

    FakeServer silent("127.0.0.1", [](const std::string &) { return std::string(); });
    QCOMPARE(client.getDeviceInformation({silent.url(), "lo"}, nullptr).error, ErrorKind::Timeout);

    FakeServer trickle("127.0.0.1", [&](const std::string &) { return httpAnswer("200 OK", info); }, 100);
    const auto slow = steady_clock::now();
    QCOMPARE(client.getDeviceInformation({trickle.url(), "lo"}, nullptr).error, ErrorKind::Timeout);
    QVERIFY(steady_clock::now() - slow < seconds(3));

    FakeServer huge("127.0.0.1", [](const std::string &) { return httpAnswer("200 OK", std::string(2 * 1024 * 1024, ' ')); });
    QCOMPARE(client.getDeviceInformation({huge.url(), "lo"}, nullptr).error, ErrorKind::BadResponse);

    FakeServer entities("127.0.0.1", [](const std::string &) {
        return httpAnswer("200 OK", "<!DOCTYPE s:Envelope [<!ENTITY x \"xxxxxxxx\">]><s:Envelope xmlns:s=\"http://www.w3.org/2003/05/soap-envelope\"><s:Body>&x;</s:Body></s:Envelope>");
    });
    QCOMPARE(client.getDeviceInformation({entities.url(), "lo"}, nullptr).error, ErrorKind::BadResponse);

    FakeServer wrongAnswer("127.0.0.1", [&](const std::string &) { return httpAnswer("200 OK", info); });
    QCOMPARE(client.getUsers({wrongAnswer.url(), "lo"}, nullptr).error, ErrorKind::BadResponse);
    QCOMPARE(client.getDeviceInformation({wrongAnswer.url(), "lo"}, nullptr).value.model, std::string("M"));

    FakeServer fault("127.0.0.1", [](const std::string &) {
        return httpAnswer("500 Internal Server Error", soap::faultEnvelope("s:Receiver", "ter:ActionNotSupported", "no"));
    });
    QCOMPARE(client.systemReboot({fault.url(), "lo"}, &admin).error, ErrorKind::NotSupported);

    // Basic would put the password on the wire: never answered, whatever the device asks.
    FakeServer basic("127.0.0.1", [](const std::string &request) {
        if (request.find("GetSystemDateAndTime") != std::string::npos)
            return httpAnswer("500 Internal Server Error", soap::faultEnvelope("s:Receiver", "", "no clock"));
        return httpAnswer("401 Unauthorized", "", "WWW-Authenticate: Basic realm=\"x\"\r\n");
    });
    QCOMPARE(client.getDeviceInformation({basic.url(), "lo"}, &admin).error, ErrorKind::Unauthorized);
    QVERIFY(basic.requests().find("Authorization") == std::string::npos);
    QVERIFY(basic.requests().find("PasswordDigest") != std::string::npos);
    QVERIFY(basic.requests().find("Secret-Pass-9") == std::string::npos);

    // HTTP Digest when asked: the digest goes, the password does not.
    FakeServer digest("127.0.0.1", [&](const std::string &request) {
        if (request.find("Authorization: Digest") != std::string::npos)
            return httpAnswer("200 OK", info);
        return httpAnswer("401 Unauthorized", "", "WWW-Authenticate: Digest realm=\"r\", qop=\"auth\", algorithm=SHA-256, nonce=\"abc\"\r\n");
    });
    QVERIFY(client.getDeviceInformation({digest.url(), "lo"}, &admin).ok());
    QVERIFY(digest.requests().find("algorithm=SHA-256") != std::string::npos);
    QVERIFY(digest.requests().find("Basic") == std::string::npos);
    QVERIFY(digest.requests().find("Secret-Pass-9") == std::string::npos);

    QCOMPARE(client.getDeviceInformation({"ftp://127.0.0.1/x", "lo"}, nullptr).error, ErrorKind::InvalidArgument);
    QCOMPARE(client.getDeviceInformation({"http://user@127.0.0.1/x", "lo"}, nullptr).error, ErrorKind::InvalidArgument);
    client.cancel();
    QCOMPARE(client.getDeviceInformation({wrongAnswer.url(), "lo"}, nullptr).error, ErrorKind::Cancelled);
}

void TestOnvifHostile::forgedDiscovery()
{
    QString why;
    if (!loopbackMulticast(&why))
        QSKIP(qPrintable(why));
    // The "third host": a server at another loopback address that must never be contacted.
    FakeServer third("127.0.0.2", [](const std::string &) { return httpAnswer("200 OK", ""); });
    FakeServer real("127.0.0.1", [](const std::string &) { return httpAnswer("200 OK", ""); });
    const int watch = udpSocket(wsd::GroupAddress, true);
    Discovery discovery;
    QVERIFY(discovery.start([](Event, const Device &) {}));

    // Catch one of our probes, to answer it as a forger on the segment would.
    std::string probeId;
    sockaddr_in prober {};
    QVERIFY(waitFor([&] {
        char buffer[8192];
        socklen_t length = sizeof prober;
        pollfd p {watch, POLLIN, 0};
        if (poll(&p, 1, 50) <= 0)
            return false;
        const ssize_t n = recvfrom(watch, buffer, sizeof buffer, 0, reinterpret_cast<sockaddr *>(&prober), &length);
        const auto m = wsd::decode(std::string_view(buffer, std::size_t(std::max<ssize_t>(0, n))));
        if (m && m->kind == wsd::Kind::Probe)
            probeId = m->messageId;
        return !probeId.empty();
    }));
    const int forger = udpSocket("127.0.0.1", false);
    wsd::Endpoint aimed {"urn:uuid:00000000-0000-4000-8000-00000000000a", {"NetworkVideoTransmitter"},
                         {"onvif://www.onvif.org/name/Forged"}, {third.url()}, 1};
    wsd::Endpoint mixed {"urn:uuid:00000000-0000-4000-8000-00000000000b", {"NetworkVideoTransmitter"}, {}, {third.url(), real.url()}, 1};
    wsd::Endpoint unasked {"urn:uuid:00000000-0000-4000-8000-00000000000c", {"NetworkVideoTransmitter"}, {}, {real.url()}, 1};
    sendTo(forger, wsd::probeMatches(soap::randomUuid(), probeId, aimed, 5, 1), prober);
    sendTo(forger, wsd::probeMatches(soap::randomUuid(), probeId, mixed, 5, 2), prober);
    sendTo(forger, wsd::probeMatches(soap::randomUuid(), soap::randomUuid(), unasked, 5, 3), prober);
    QVERIFY(waitFor([&] { return discovery.device(aimed.address) && discovery.device(mixed.address); }));
    QVERIFY(waitFor([&] { return discovery.counters().unsolicited >= 1; }));
    QVERIFY(!discovery.device(unasked.address));

    const Device forged = *discovery.device(aimed.address);
    QCOMPARE(forged.name, std::string("Forged"));
    QVERIFY(!forged.reachable());
    QCOMPARE(discovery.device(mixed.address)->xaddr, real.url());
    QVERIFY(discovery.counters().foreignXAddrs >= 2);
    Client client;
    const Credentials admin {"admin", Secret(std::string("Admin12345"))};
    QCOMPARE(client.getDeviceInformation(Target::of(forged), &admin).error, ErrorKind::InvalidArgument);
    QCOMPARE(client.factoryState(Target::of(forged)).error, ErrorKind::InvalidArgument);

    // A goodbye from another host changes nothing; from the device's own address it counts.
    const int elsewhere = udpSocket("127.0.0.3", false);
    sendTo(elsewhere, wsd::bye(soap::randomUuid(), mixed, 5, 10), groupAddress());
    std::this_thread::sleep_for(milliseconds(300));
    QVERIFY(discovery.device(mixed.address));
    sendTo(forger, wsd::bye(soap::randomUuid(), mixed, 5, 11), groupAddress());
    QVERIFY(waitFor([&] { return !discovery.device(mixed.address); }));

    // A flood of Hellos from one sender is cut to its budget.
    const int flooder = udpSocket("127.0.0.4", false);
    for (int i = 0; i < 6000; ++i) {
        wsd::Endpoint e {"urn:uuid:flood-" + std::to_string(i), {"Device"}, {}, {}, 1};
        sendTo(flooder, wsd::hello(soap::randomUuid(), e, 1, std::uint64_t(i) + 1), groupAddress());
        if (i % 200 == 199)
            std::this_thread::sleep_for(milliseconds(5));
    }
    QVERIFY(waitFor([&] { return discovery.counters().overBudget > 0; }));
    QVERIFY(discovery.devices().size() < 6000);
    discovery.stop();
    QCOMPARE(third.connections(), 0);
    for (int fd : {watch, forger, elsewhere, flooder})
        ::close(fd);
}

QTEST_GUILESS_MAIN(TestOnvifHostile)
#include "tst_onvifhostile.moc"
