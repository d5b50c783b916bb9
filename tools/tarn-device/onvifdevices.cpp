#include "onvifdevices.h"

#include <algorithm>
#include <cctype>
#include <cerrno>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <ctime>
#include <fstream>

#include <arpa/inet.h>
#include <ifaddrs.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>
#include <nlohmann/json.hpp>

#include "core/log.h"
#include "core/soap.h"
#include "core/transport.h"
#include "core/xml.h"
#include "statefile.h"

using nlohmann::json;
using namespace std::chrono;

namespace tarn::emu {

namespace wsd = tarn::onvif::wsd;
namespace soap = tarn::onvif::soap;
namespace xml = tarn::onvif::xml;

namespace {

constexpr const char *kServicePath = "/onvif/device_service";
constexpr seconds kCreatedWindow {300};     // WS-Security: how far Created may be from the device clock
constexpr std::size_t kNonceMemory = 256;   // WS-Security nonces remembered against replay
constexpr seconds kDigestNonceLife {300};
constexpr std::size_t kDigestNonces = 64;
constexpr std::size_t kMaxUsers = 16;
constexpr milliseconds kAppMaxDelay {500};  // ProbeMatches spread over this
// Probes answered per sender: each one makes every device answer, so a flood must not.
constexpr double kProbesPerSecond = 20, kProbeBurst = 60;

bool validAddress(const std::string &text)
{
    in_addr a {};
    if (text.size() > 15 || inet_pton(AF_INET, text.c_str(), &a) != 1)
        return false;
    const std::uint32_t v = ntohl(a.s_addr);
    return (v >> 24) != 0 && (v >> 24) < 224 && (v & 0xff) != 0 && (v & 0xff) != 0xff;
}

bool plainWord(const std::string &text, std::size_t max)
{
    if (text.empty() || text.size() > max)
        return false;
    for (char c : text) {
        if (!(std::isalnum(static_cast<unsigned char>(c)) || c == '_' || c == '-' || c == '.'))
            return false;
    }
    return true;
}

std::string text(const xml::Node *node)
{
    return node ? node->value().substr(0, 256) : std::string();
}

bool flag(const xml::Node *node)
{
    const std::string v = text(node);
    return v == "true" || v == "1";
}

int number(const xml::Node *node)
{
    const std::string v = text(node);
    if (v.empty() || v.size() > 6 || v.find_first_not_of("0123456789") != std::string::npos)
        return -1;
    return std::stoi(v);
}

std::string e(const std::string &s)
{
    return xml::escape(s);
}

HttpServer::Reply soapReply(const std::string &body)
{
    HttpServer::Reply r;
    r.headers.emplace_back("Content-Type", "application/soap+xml; charset=utf-8");
    r.body = soap::envelope(body);
    return r;
}

HttpServer::Reply fault(bool sender, const std::string &subcode, const std::string &reason)
{
    HttpServer::Reply r;
    r.status = sender ? 400 : 500;
    r.headers.emplace_back("Content-Type", "application/soap+xml; charset=utf-8");
    r.body = soap::faultEnvelope(sender ? "s:Sender" : "s:Receiver", subcode, reason);
    return r;
}

std::map<std::string, std::string> digestParameters(const std::string &header)
{
    std::map<std::string, std::string> out;
    std::size_t i = 7;  // after "Digest "
    while (i < header.size() && out.size() < 16) {
        while (i < header.size() && (header[i] == ' ' || header[i] == ','))
            ++i;
        const std::size_t eq = header.find('=', i);
        if (eq == std::string::npos)
            break;
        const std::string key = header.substr(i, eq - i);
        std::string value;
        i = eq + 1;
        if (i < header.size() && header[i] == '"') {
            const std::size_t close = header.find('"', i + 1);
            if (close == std::string::npos)
                break;
            value = header.substr(i + 1, close - i - 1);
            i = close + 1;
        } else {
            const std::size_t comma = header.find(',', i);
            value = header.substr(i, comma == std::string::npos ? std::string::npos : comma - i);
            i = comma == std::string::npos ? header.size() : comma;
        }
        out[key] = value;
    }
    return out;
}

json userToJson(const OnvifUser &u)
{
    return json {{"name", u.name}, {"password", u.password}, {"level", u.level}};
}

std::string str(const json &j, const char *key)
{
    const auto it = j.find(key);
    return it != j.end() && it->is_string() ? it->get<std::string>() : std::string();
}

int integer(const json &j, const char *key, int fallback)
{
    const auto it = j.find(key);
    return it != j.end() && it->is_number_integer() ? it->get<int>() : fallback;
}

bool boolean(const json &j, const char *key)
{
    const auto it = j.find(key);
    return it != j.end() && it->is_boolean() && it->get<bool>();
}

} // namespace

OnvifDevices::OnvifDevices(OnvifOptions options)
    : m_options(std::move(options)), m_http([this](int owner, const HttpServer::Request &r) { return onRequest(owner, r); }),
      m_probeBudget(kProbesPerSecond, kProbeBurst, 1024), m_random(m_options.seed ^ 0x6f6e7669u)
{
}

OnvifDevices::~OnvifDevices()
{
    if (m_listen >= 0)
        ::close(m_listen);
    for (const auto &s : m_senders)
        ::close(s.second);
}

bool OnvifDevices::lose()
{
    return m_options.lossPercent > 0 && std::uniform_real_distribution<double>(0, 100)(m_random) < m_options.lossPercent;
}

void OnvifDevices::makeDevices()
{
    static const char *const kModels[] = {"NVT-2040", "NVT-3120", "NVR-1608", "PTZ-4200"};
    std::mt19937 random(m_options.seed + 17);
    m_devices.clear();
    const int prefix = m_homeMask ? __builtin_popcount(m_homeMask) : 24;
    for (int i = 0; i < m_options.count; ++i) {
        OnvifDevice d;
        char buffer[96];
        std::snprintf(buffer, sizeof buffer, "urn:uuid:6f6e7669-%04x-4%03x-a%03x-%012llx", unsigned(m_options.seed & 0xffff),
                      unsigned(i >> 12 & 0xfff), unsigned(i & 0xfff),
                      static_cast<unsigned long long>(random()) << 16 | (random() & 0xffff));
        d.endpoint = buffer;
        d.model = kModels[i % 4];
        d.hardware = d.model;
        d.name = "ONVIF camera " + std::to_string(i + 1);
        d.manufacturer = "Emulated";
        d.firmware = "2.4." + std::to_string(random() % 10);
        std::snprintf(buffer, sizeof buffer, "OV%02u%07u-%d", unsigned(m_options.seed % 100), unsigned(random() % 10000000), i);
        d.serial = buffer;
        std::snprintf(buffer, sizeof buffer, "02:0e:%02x:%02x:%02x:%02x", unsigned(m_options.seed & 0xff),
                      unsigned(i >> 16 & 0xff), unsigned(i >> 8 & 0xff), unsigned(i & 0xff));
        d.mac = buffer;
        d.address = m_home;
        d.prefixLength = prefix;
        d.httpPort = m_options.basePort > 0 ? m_options.basePort + i : 0;
        if (i % 4 != 3)
            d.users.push_back({"admin", m_options.password, "Administrator"});
        d.clockOffsetS = i % 5 == 1 ? 7200 : i % 5 == 2 ? -3600 : 0;
        d.httpDigestOnly = i % 6 == 4;
        d.md5Only = i % 12 == 4;
        d.rebootForChanges = i % 3 == 2;
        m_devices.push_back(std::move(d));
    }
}

bool OnvifDevices::load(std::string *error)
{
    std::ifstream in(m_options.statePath);
    if (!in)
        return false;
    const json state = json::parse(in, nullptr, false);
    if (!state.is_object() || !state.contains("onvif"))
        return false;
    if (!state["onvif"].is_array()) {
        if (error)
            *error = m_options.statePath + ": the ONVIF devices are malformed";
        return false;
    }
    std::vector<OnvifDevice> devices;
    for (const json &j : state["onvif"]) {
        OnvifDevice d;
        d.endpoint = str(j, "endpoint");
        d.address = str(j, "address");
        if (!j.is_object() || d.endpoint.empty() || !validAddress(d.address)) {
            if (error)
                *error = m_options.statePath + ": an ONVIF device entry is malformed";
            return false;
        }
        d.name = str(j, "name");
        d.hardware = str(j, "hardware");
        d.manufacturer = str(j, "manufacturer");
        d.model = str(j, "model");
        d.firmware = str(j, "firmware");
        d.serial = str(j, "serial");
        d.mac = str(j, "mac");
        d.prefixLength = integer(j, "prefixLength", 24);
        d.gateway = str(j, "gateway");
        d.dhcp = boolean(j, "dhcp");
        d.httpPort = integer(j, "httpPort", 0);
        d.rtspPort = integer(j, "rtspPort", 554);
        d.clockOffsetS = integer(j, "clockOffsetS", 0);
        d.httpDigestOnly = boolean(j, "httpDigestOnly");
        d.md5Only = boolean(j, "md5Only");
        d.rebootForChanges = boolean(j, "rebootForChanges");
        d.metadataVersion = std::uint32_t(integer(j, "metadataVersion", 1));
        if (j.contains("users") && j["users"].is_array()) {
            for (const json &u : j["users"])
                d.users.push_back({str(u, "name"), str(u, "password"), str(u, "level")});
        }
        if (j.contains("pending") && j["pending"].is_object()) {
            const json &p = j["pending"];
            d.pending = OnvifDevice::Pending {str(p, "address"), integer(p, "prefixLength", 24), boolean(p, "dhcp")};
        }
        devices.push_back(std::move(d));
    }
    m_devices = std::move(devices);
    return true;
}

void OnvifDevices::save()
{
    json list = json::array();
    for (const OnvifDevice &d : m_devices) {
        json users = json::array();
        for (const OnvifUser &u : d.users)
            users.push_back(userToJson(u));
        json j {{"endpoint", d.endpoint}, {"name", d.name}, {"hardware", d.hardware}, {"manufacturer", d.manufacturer},
                {"model", d.model}, {"firmware", d.firmware}, {"serial", d.serial}, {"mac", d.mac},
                {"address", d.address}, {"prefixLength", d.prefixLength}, {"gateway", d.gateway}, {"dhcp", d.dhcp},
                {"httpPort", d.httpPort}, {"rtspPort", d.rtspPort}, {"users", users}, {"clockOffsetS", d.clockOffsetS},
                {"httpDigestOnly", d.httpDigestOnly}, {"md5Only", d.md5Only}, {"rebootForChanges", d.rebootForChanges},
                {"metadataVersion", d.metadataVersion}};
        if (d.pending)
            j["pending"] = json {{"address", d.pending->address}, {"prefixLength", d.pending->prefixLength},
                                 {"dhcp", d.pending->dhcp}};
        list.push_back(std::move(j));
    }
    writeStateMember(m_options.statePath, "onvif", list);
}

bool OnvifDevices::start(std::string *error)
{
    const std::vector<net::Interface> interfaces = net::selectInterfaces(error);
    if (interfaces.empty())
        return false;
    // All ONVIF devices live on the first interface.
    const net::Interface &home = interfaces.front();
    m_interfaceIndex = home.index;
    char text[INET_ADDRSTRLEN] = {};
    inet_ntop(AF_INET, &home.address, text, sizeof text);
    m_home = text;
    ifaddrs *list = nullptr;
    if (getifaddrs(&list) == 0) {
        for (ifaddrs *ifa = list; ifa; ifa = ifa->ifa_next) {
            if (ifa->ifa_addr && ifa->ifa_netmask && ifa->ifa_addr->sa_family == AF_INET && home.name == ifa->ifa_name
                && reinterpret_cast<sockaddr_in *>(ifa->ifa_addr)->sin_addr.s_addr == home.address.s_addr) {
                m_homeMask = ntohl(reinterpret_cast<sockaddr_in *>(ifa->ifa_netmask)->sin_addr.s_addr);
                m_homeNet = ntohl(home.address.s_addr) & m_homeMask;
            }
        }
        freeifaddrs(list);
    }
    std::string why;
    if (!load(&why)) {
        if (!why.empty()) {
            if (error)
                *error = why;
            return false;
        }
        makeDevices();
    }

    m_listen = socket(AF_INET, SOCK_DGRAM | SOCK_NONBLOCK | SOCK_CLOEXEC, 0);
    const int one = 1, zero = 0;
    setsockopt(m_listen, SOL_SOCKET, SO_REUSEADDR, &one, sizeof one);
    setsockopt(m_listen, IPPROTO_IP, IP_MULTICAST_ALL, &zero, sizeof zero);
    sockaddr_in at {};
    at.sin_family = AF_INET;
    at.sin_port = htons(wsd::Port);
    inet_pton(AF_INET, wsd::GroupAddress, &at.sin_addr);
    ip_mreqn join {};
    join.imr_multiaddr = at.sin_addr;
    join.imr_ifindex = m_interfaceIndex;
    if (m_listen < 0 || bind(m_listen, reinterpret_cast<sockaddr *>(&at), sizeof at) != 0
        || setsockopt(m_listen, IPPROTO_IP, IP_ADD_MEMBERSHIP, &join, sizeof join) != 0) {
        if (error)
            *error = std::string("cannot listen for WS-Discovery on ") + home.name + ": " + std::strerror(errno)
                + (home.loopback ? " (lo needs: ip link set lo multicast on; ip route add 224.0.0.0/4 dev lo)" : "");
        return false;
    }
    std::uniform_int_distribution<int> spread(0, 999);
    for (std::size_t i = 0; i < m_devices.size(); ++i) {
        if (!bringUp(i)) {
            if (error)
                *error = "cannot open the service of ONVIF device " + std::to_string(i + 1);
            return false;
        }
        announce(i, true, milliseconds(spread(m_random)));
    }
    save();
    return true;
}

bool OnvifDevices::bringUp(std::size_t index)
{
    OnvifDevice &d = m_devices[index];
    static std::uint64_t boots = std::uint64_t(std::time(nullptr)) * 1000;
    std::string error;
    int port = -1;
    for (const std::string &where : {d.address, d.bound, m_home}) {
        if (where.empty())
            continue;
        port = m_http.listen(where, d.httpPort, int(index), &error);
        if (port < 0 && d.httpPort != 0 && where == m_home)
            port = m_http.listen(where, 0, int(index), &error);  // its old port is taken now
        if (port > 0) {
            d.bound = where;
            break;
        }
    }
    if (port < 0) {
        log::write(log::Error, "ONVIF device %zu cannot listen: %s", index + 1, error.c_str());
        return false;
    }
    if (d.bound != d.address)
        log::write(log::Info, "ONVIF device %zu reports %s but serves at %s: this host cannot give it that address",
                   index + 1, d.address.c_str(), d.bound.c_str());
    d.httpPort = port;
    d.up = true;
    d.instanceId = ++boots;
    d.messageNumber = 0;
    return true;
}

void OnvifDevices::takeDown(std::size_t index, bool bye)
{
    if (bye)
        announce(index, false, {});
    m_http.close(int(index));
    m_devices[index].up = false;
}

void OnvifDevices::moveTo(std::size_t index, const std::string &address, int prefixLength, bool dhcp)
{
    OnvifDevice &d = m_devices[index];
    d.address = dhcp ? m_home : address;  // the lease a DHCP server on this link would give
    d.prefixLength = dhcp ? (m_homeMask ? __builtin_popcount(m_homeMask) : 24) : prefixLength;
    d.dhcp = dhcp;
    ++d.metadataVersion;
    if (d.address != d.bound) {
        const std::string before = d.bound;
        m_http.close(int(index));
        std::string error;
        if (m_http.listen(d.address, d.httpPort, int(index), &error) > 0) {
            d.bound = d.address;
        } else {
            log::write(log::Info, "ONVIF device %zu keeps serving at %s: %s cannot be had here (%s)", index + 1,
                       before.c_str(), d.address.c_str(), error.c_str());
            m_http.listen(before, d.httpPort, int(index), &error);
            save();
            return;  // nothing to announce that would be true
        }
    }
    save();
    announce(index, true, {});
}

wsd::Endpoint OnvifDevices::endpointOf(const OnvifDevice &d) const
{
    wsd::Endpoint e;
    e.address = d.endpoint;
    e.types = {"NetworkVideoTransmitter", "Device"};
    e.scopes = {"onvif://www.onvif.org/type/video_encoder", "onvif://www.onvif.org/Profile/Streaming",
                "onvif://www.onvif.org/name/" + wsd::percentEncode(d.name),
                "onvif://www.onvif.org/hardware/" + wsd::percentEncode(d.hardware),
                "onvif://www.onvif.org/location/emulator"};
    e.xaddrs = {"http://" + d.bound + ":" + std::to_string(d.httpPort) + kServicePath};
    e.metadataVersion = d.metadataVersion;
    return e;
}

void OnvifDevices::announce(std::size_t index, bool hello, Clock::duration after)
{
    OnvifDevice &d = m_devices[index];
    sockaddr_in to {};
    to.sin_family = AF_INET;
    to.sin_port = htons(wsd::Port);
    inet_pton(AF_INET, wsd::GroupAddress, &to.sin_addr);
    const std::string id = soap::randomUuid();
    const wsd::Endpoint e = endpointOf(d);
    ++d.messageNumber;
    send(d.bound, to, hello ? wsd::hello(id, e, d.instanceId, d.messageNumber) : wsd::bye(id, e, d.instanceId, d.messageNumber),
         after);
}

void OnvifDevices::send(const std::string &from, const sockaddr_in &to, std::string text, Clock::duration after)
{
    if (m_outbox.size() > 65536)
        return;
    m_outbox.push({Clock::now() + after + milliseconds(m_options.delayMs), m_order++, from, to, std::move(text)});
}

int OnvifDevices::socketFor(const std::string &address)
{
    if (const auto it = m_senders.find(address); it != m_senders.end())
        return it->second;
    const int fd = socket(AF_INET, SOCK_DGRAM | SOCK_NONBLOCK | SOCK_CLOEXEC, 0);
    if (fd < 0)
        return -1;
    ip_mreqn out {};
    out.imr_ifindex = m_interfaceIndex;
    const unsigned char ttl = 1, loop = 1;
    setsockopt(fd, IPPROTO_IP, IP_MULTICAST_IF, &out, sizeof out);
    setsockopt(fd, IPPROTO_IP, IP_MULTICAST_TTL, &ttl, sizeof ttl);
    setsockopt(fd, IPPROTO_IP, IP_MULTICAST_LOOP, &loop, sizeof loop);
    sockaddr_in at {};
    at.sin_family = AF_INET;
    if (inet_pton(AF_INET, address.c_str(), &at.sin_addr) != 1 || bind(fd, reinterpret_cast<sockaddr *>(&at), sizeof at) != 0) {
        ::close(fd);
        return -1;
    }
    m_senders[address] = fd;
    return fd;
}

void OnvifDevices::readDiscovery()
{
    std::string buffer(wsd::MaxDatagram + 1, '\0');
    for (int n = 0; n < 256; ++n) {
        sockaddr_in from {};
        socklen_t length = sizeof from;
        const ssize_t got = recvfrom(m_listen, buffer.data(), buffer.size(), 0, reinterpret_cast<sockaddr *>(&from), &length);
        if (got < 0)
            return;
        if (std::size_t(got) > wsd::MaxDatagram || lose())
            continue;
        // Answers go unicast to the prober: only to a neighbour, and only so often, so that
        // nobody can aim the devices' answers at a third host.
        const std::uint32_t source = ntohl(from.sin_addr.s_addr);
        const bool neighbour = (source & m_homeMask) == m_homeNet || (m_homeNet >> 24 == 127 && source >> 24 == 127);
        if (!neighbour || !m_probeBudget.take(from.sin_addr.s_addr, Clock::now()))
            continue;
        const auto message = wsd::decode(std::string_view(buffer.data(), std::size_t(got)));
        if (message && message->kind == wsd::Kind::Probe)
            onProbe(*message, from);
    }
}

void OnvifDevices::onProbe(const wsd::Message &probe, const sockaddr_in &from)
{
    if (!probe.messageId.empty()) {
        if (std::find(m_answeredProbes.begin(), m_answeredProbes.end(), probe.messageId) != m_answeredProbes.end())
            return;  // a repetition of one already answered
        m_answeredProbes.push_back(probe.messageId);
        if (m_answeredProbes.size() > 256)
            m_answeredProbes.pop_front();
    }
    std::uniform_int_distribution<int> delay(0, int(kAppMaxDelay.count()));
    std::uniform_int_distribution<int> repeat(50, 250);
    for (std::size_t i = 0; i < m_devices.size(); ++i) {
        OnvifDevice &d = m_devices[i];
        const wsd::Endpoint e = endpointOf(d);
        if (!d.up || !wsd::matches(probe.probeTypes, e))
            continue;
        ++d.messageNumber;
        const std::string text = wsd::probeMatches(soap::randomUuid(), probe.messageId, e, d.instanceId, d.messageNumber);
        const milliseconds at(delay(m_random));
        send(d.bound, from, text, at);
        send(d.bound, from, text, at + milliseconds(repeat(m_random)));  // UNICAST_UDP_REPEAT
    }
}

HttpServer::Reply OnvifDevices::onRequest(int owner, const HttpServer::Request &request)
{
    ++m_requests;
    HttpServer::Reply reply;
    reply.delay = milliseconds(m_options.delayMs);
    if (owner < 0 || std::size_t(owner) >= m_devices.size())
        return reply;
    const std::size_t index = std::size_t(owner);
    OnvifDevice &d = m_devices[index];
    if (request.path != kServicePath) {
        reply.status = 404;
        reply.body = "no such service";
        return reply;
    }
    if (request.method != "POST") {
        reply.status = 405;
        reply.body = "POST only";
        return reply;
    }
    if (lose()) {
        ++m_dropped;
        reply.drop = true;  // the request was lost: nothing happens
        return reply;
    }
    std::string why;
    const auto envelope = xml::parse(request.body, &why);
    const xml::Node *body = envelope ? envelope->child("Body") : nullptr;
    const bool wellFormed = body && !body->children.empty() && envelope->ns == soap::ns::Envelope;
    // An HTTP Digest client sends its first request without a body; it must learn the challenge.
    if (!wellFormed && (d.users.empty() || request.header("authorization").compare(0, 7, "Digest ") == 0)) {
        reply = fault(true, "ter:WellFormed", "not a SOAP 1.2 envelope: " + why);
        reply.delay = milliseconds(m_options.delayMs);
        return reply;
    }
    static const xml::Node kNothing;
    const xml::Node &call = wellFormed ? body->children.front() : kNothing;
    const std::string op = call.ns == soap::ns::Device ? call.name : std::string();
    const std::time_t deviceNow = std::time(nullptr) + d.clockOffsetS;
    const bool preAuth = op == "GetSystemDateAndTime" || op == "GetServices" || op == "GetCapabilities";

    const OnvifUser *user = nullptr;
    if (!d.users.empty() && !preAuth) {
        const std::string authorization = request.header("authorization");
        const xml::Node *token = wellFormed ? envelope->find({"Header", "Security", "UsernameToken"}) : nullptr;
        if (authorization.compare(0, 7, "Digest ") == 0) {
            auto p = digestParameters(authorization);
            const std::string algorithm = p.count("algorithm") ? p["algorithm"] : "MD5";
            const auto issued = d.digestNonces.find(p["nonce"]);
            const char *hash = algorithm == "MD5" ? "MD5" : algorithm == "SHA-256" && !d.md5Only ? "SHA256" : nullptr;
            for (const OnvifUser &u : d.users) {
                if (!hash || u.name != p["username"] || issued == d.digestNonces.end() || p["uri"] != request.path
                    || p["qop"] != "auth" || Clock::now() - issued->second > kDigestNonceLife)
                    continue;
                const std::string ha1 = soap::hexDigest(hash, u.name + ":" + p["realm"] + ":" + u.password);
                const std::string ha2 = soap::hexDigest(hash, request.method + ":" + p["uri"]);
                if (soap::hexDigest(hash, ha1 + ":" + p["nonce"] + ":" + p["nc"] + ":" + p["cnonce"] + ":auth:" + ha2)
                    == p["response"])
                    user = &u;
            }
        } else if (token && !d.httpDigestOnly) {
            const std::string name = text(token->child("Username"));
            const xml::Node *password = token->child("Password");
            const auto nonce = soap::fromBase64(text(token->child("Nonce")), 64);
            const std::string created = text(token->child("Created"));
            const auto when = soap::parseTime(created);
            const bool digest = password && password->attribute("Type").size() >= 15
                && password->attribute("Type").compare(password->attribute("Type").size() - 15, 15, "#PasswordDigest") == 0;
            const bool fresh = when && std::abs(double(*when - deviceNow)) <= double(kCreatedWindow.count());
            const bool replayed = nonce && std::find(d.nonces.begin(), d.nonces.end(), *nonce) != d.nonces.end();
            for (const OnvifUser &u : d.users) {
                if (digest && fresh && nonce && !replayed && u.name == name
                    && soap::passwordDigest(*nonce, created, u.password) == text(password))
                    user = &u;
            }
            if (!user) {
                reply = fault(true, "ter:NotAuthorized", "Sender not Authorized");
                reply.delay = milliseconds(m_options.delayMs);
                return reply;
            }
            d.nonces.push_back(*nonce);
            if (d.nonces.size() > kNonceMemory)
                d.nonces.pop_front();
        }
        if (user && !wellFormed) {
            reply = fault(true, "ter:WellFormed", "not a SOAP 1.2 envelope: " + why);
            reply.delay = milliseconds(m_options.delayMs);
            return reply;
        }
        if (!user) {
            // Ask for HTTP Digest: the preferred algorithm first, as RFC 7616 has it.
            if (d.digestNonces.size() >= kDigestNonces) {
                auto oldest = d.digestNonces.begin();
                for (auto it = d.digestNonces.begin(); it != d.digestNonces.end(); ++it)
                    oldest = it->second < oldest->second ? it : oldest;
                d.digestNonces.erase(oldest);
            }
            const std::string nonce = soap::hexDigest("SHA256", soap::randomBytes(16)).substr(0, 32);
            d.digestNonces[nonce] = Clock::now();
            reply.status = 401;
            for (const char *algorithm : {"SHA-256", "MD5"}) {
                if (d.md5Only && std::string(algorithm) != "MD5")
                    continue;
                reply.headers.emplace_back("WWW-Authenticate", std::string("Digest realm=\"ONVIF\", qop=\"auth\", algorithm=")
                                                                   + algorithm + ", nonce=\"" + nonce + "\"");
            }
            reply.body = "authentication required";
            return reply;
        }
    }
    const bool administrator = d.users.empty() || (user && user->level == "Administrator");
    const std::string service = "http://" + d.bound + ":" + std::to_string(d.httpPort) + kServicePath;
    auto answer = [&](const std::string &inner) {
        HttpServer::Reply r = soapReply("<tds:" + op + "Response>" + inner + "</tds:" + op + "Response>");
        r.delay = milliseconds(m_options.delayMs);
        return r;
    };
    auto refuse = [&](const std::string &subcode, const std::string &reason) {
        HttpServer::Reply r = fault(true, subcode, reason);
        r.delay = milliseconds(m_options.delayMs);
        return r;
    };
    const bool writes = op.compare(0, 3, "Set") == 0 || op == "CreateUsers" || op == "SystemReboot";
    if (writes && !administrator)
        return refuse("ter:NotAuthorized", "an administrator's operation");

    if (op == "GetSystemDateAndTime") {
        std::tm tm {};
        gmtime_r(&deviceNow, &tm);
        reply = answer("<tds:SystemDateAndTime><tt:DateTimeType>Manual</tt:DateTimeType><tt:DaylightSavings>false"
                       "</tt:DaylightSavings><tt:TimeZone><tt:TZ>UTC0</tt:TZ></tt:TimeZone><tt:UTCDateTime><tt:Time><tt:Hour>"
                       + std::to_string(tm.tm_hour) + "</tt:Hour><tt:Minute>" + std::to_string(tm.tm_min)
                       + "</tt:Minute><tt:Second>" + std::to_string(tm.tm_sec) + "</tt:Second></tt:Time><tt:Date><tt:Year>"
                       + std::to_string(tm.tm_year + 1900) + "</tt:Year><tt:Month>" + std::to_string(tm.tm_mon + 1)
                       + "</tt:Month><tt:Day>" + std::to_string(tm.tm_mday)
                       + "</tt:Day></tt:Date></tt:UTCDateTime></tds:SystemDateAndTime>");
    } else if (op == "GetServices") {
        reply = answer("<tds:Service><tds:Namespace>" + std::string(soap::ns::Device) + "</tds:Namespace><tds:XAddr>" + service
                       + "</tds:XAddr><tds:Version><tt:Major>2</tt:Major><tt:Minor>60</tt:Minor></tds:Version></tds:Service>");
    } else if (op == "GetCapabilities") {
        reply = answer("<tds:Capabilities><tt:Device><tt:XAddr>" + service
                       + "</tt:XAddr><tt:Network><tt:IPFilter>false</tt:IPFilter><tt:ZeroConfiguration>false"
                         "</tt:ZeroConfiguration><tt:IPVersion6>false</tt:IPVersion6><tt:DynDNS>false</tt:DynDNS>"
                         "</tt:Network><tt:System><tt:DiscoveryResolve>false</tt:DiscoveryResolve><tt:DiscoveryBye>true"
                         "</tt:DiscoveryBye><tt:RemoteDiscovery>false</tt:RemoteDiscovery><tt:SystemBackup>false"
                         "</tt:SystemBackup><tt:SystemLogging>false</tt:SystemLogging><tt:FirmwareUpgrade>false"
                         "</tt:FirmwareUpgrade></tt:System></tt:Device></tds:Capabilities>");
    } else if (op == "GetDeviceInformation") {
        reply = answer("<tds:Manufacturer>" + e(d.manufacturer) + "</tds:Manufacturer><tds:Model>" + e(d.model)
                       + "</tds:Model><tds:FirmwareVersion>" + e(d.firmware) + "</tds:FirmwareVersion><tds:SerialNumber>"
                       + e(d.serial) + "</tds:SerialNumber><tds:HardwareId>" + e(d.hardware) + "</tds:HardwareId>");
    } else if (op == "GetNetworkInterfaces") {
        const std::string where = "<tt:Address>" + d.address + "</tt:Address><tt:PrefixLength>"
            + std::to_string(d.prefixLength) + "</tt:PrefixLength>";
        reply = answer("<tds:NetworkInterfaces token=\"eth0\"><tt:Enabled>true</tt:Enabled><tt:Info><tt:Name>eth0</tt:Name>"
                       "<tt:HwAddress>" + d.mac + "</tt:HwAddress><tt:MTU>1500</tt:MTU></tt:Info><tt:IPv4><tt:Enabled>true"
                       "</tt:Enabled><tt:Config>" + (d.dhcp ? "<tt:FromDHCP>" + where + "</tt:FromDHCP>" : "<tt:Manual>" + where + "</tt:Manual>")
                       + "<tt:DHCP>" + (d.dhcp ? "true" : "false") + "</tt:DHCP></tt:Config></tt:IPv4></tds:NetworkInterfaces>");
    } else if (op == "GetNetworkDefaultGateway") {
        reply = answer("<tds:NetworkGateway>" + (d.gateway.empty() ? std::string() : "<tt:IPv4Address>" + d.gateway + "</tt:IPv4Address>")
                       + "</tds:NetworkGateway>");
    } else if (op == "GetNetworkProtocols") {
        reply = answer("<tds:NetworkProtocols><tt:Name>HTTP</tt:Name><tt:Enabled>true</tt:Enabled><tt:Port>"
                       + std::to_string(d.httpPort) + "</tt:Port></tds:NetworkProtocols><tds:NetworkProtocols><tt:Name>HTTPS"
                       "</tt:Name><tt:Enabled>false</tt:Enabled><tt:Port>443</tt:Port></tds:NetworkProtocols>"
                       "<tds:NetworkProtocols><tt:Name>RTSP</tt:Name><tt:Enabled>true</tt:Enabled><tt:Port>"
                       + std::to_string(d.rtspPort) + "</tt:Port></tds:NetworkProtocols>");
    } else if (op == "GetDNS") {
        reply = answer("<tds:DNSInformation><tt:FromDHCP>" + std::string(d.dhcp ? "true" : "false") + "</tt:FromDHCP>"
                       + (d.gateway.empty() ? std::string()
                                            : "<tt:DNSManual><tt:Type>IPv4</tt:Type><tt:IPv4Address>" + d.gateway
                                                  + "</tt:IPv4Address></tt:DNSManual>")
                       + "</tds:DNSInformation>");
    } else if (op == "GetUsers") {
        std::string list;
        for (const OnvifUser &u : d.users)
            list += "<tds:User><tt:Username>" + e(u.name) + "</tt:Username><tt:UserLevel>" + e(u.level)
                + "</tt:UserLevel></tds:User>";
        reply = answer(list);
    } else if (op == "SetNetworkInterfaces") {
        const xml::Node *v4 = call.find({"NetworkInterface", "IPv4"});
        if (text(call.child("InterfaceToken")) != "eth0" || !v4)
            return refuse("ter:InvalidArgVal", "no such network interface, or no IPv4 settings");
        const bool dhcp = flag(v4->child("DHCP"));
        const std::string address = text(v4->find({"Manual", "Address"}));
        const int prefix = number(v4->find({"Manual", "PrefixLength"}));
        if (!dhcp && (!validAddress(address) || prefix < 1 || prefix > 32))
            return refuse("ter:InvalidArgVal", "not a usable IPv4 address and prefix length");
        ++m_applied;
        if (d.rebootForChanges) {
            d.pending = OnvifDevice::Pending {address, prefix, dhcp};
            save();
            reply = answer("<tds:RebootNeeded>true</tds:RebootNeeded>");
        } else {
            reply = answer("<tds:RebootNeeded>false</tds:RebootNeeded>");
            reply.after = [this, index, address, prefix, dhcp] { moveTo(index, address, prefix, dhcp); };
        }
    } else if (op == "SetNetworkDefaultGateway") {
        const std::string gateway = text(call.child("IPv4Address"));
        if (!gateway.empty() && !validAddress(gateway))
            return refuse("ter:InvalidArgVal", "not a usable IPv4 gateway");
        d.gateway = gateway;
        ++m_applied;
        save();
        reply = answer("");
    } else if (op == "SetNetworkProtocols") {
        int http = 0, rtsp = 0;
        for (const xml::Node *p : call.all("NetworkProtocols")) {
            const std::string name = text(p->child("Name"));
            const int port = number(p->child("Port"));
            if ((name != "HTTP" && name != "RTSP" && name != "HTTPS") || port < 1 || port > 65535)
                return refuse("ter:InvalidArgVal", "not a usable protocol and port");
            if (name == "HTTP")
                http = port;
            else if (name == "RTSP")
                rtsp = port;
        }
        if (http && http != d.httpPort) {
            // Answer only what can be done: the port must be free at the device's address.
            std::string error;
            HttpServer probe([](int, const HttpServer::Request &) { return HttpServer::Reply(); });
            if (probe.listen(d.bound, http, -1, &error) < 0)
                return refuse("ter:InvalidArgVal", "port " + std::to_string(http) + " cannot be used: " + error);
        }
        if (rtsp)
            d.rtspPort = rtsp;
        ++m_applied;
        save();
        reply = answer("");
        if (http && http != d.httpPort) {
            reply.after = [this, index, http] {
                OnvifDevice &moved = m_devices[index];
                std::string error;
                m_http.close(int(index));
                if (m_http.listen(moved.bound, http, int(index), &error) > 0)
                    moved.httpPort = http;
                else
                    m_http.listen(moved.bound, moved.httpPort, int(index), &error);
                ++moved.metadataVersion;
                save();
                announce(index, true, {});
            };
        }
    } else if (op == "CreateUsers") {
        std::vector<OnvifUser> added;
        for (const xml::Node *u : call.all("User")) {
            OnvifUser user {text(u->child("Username")), text(u->child("Password")), text(u->child("UserLevel"))};
            if (!plainWord(user.name, 32) || user.password.empty() || user.password.size() > 64
                || (user.level != "Administrator" && user.level != "Operator" && user.level != "User"))
                return refuse("ter:InvalidArgVal", "not a usable user name, password or level");
            for (const OnvifUser &existing : d.users) {
                if (existing.name == user.name)
                    return refuse("ter:OperationProhibited", "the user name is taken");
            }
            added.push_back(std::move(user));
        }
        if (added.empty() || d.users.size() + added.size() > kMaxUsers)
            return refuse("ter:OperationProhibited", "too many users");
        d.users.insert(d.users.end(), added.begin(), added.end());
        ++m_applied;
        save();
        reply = answer("");
    } else if (op == "SystemReboot") {
        reply = answer("<tds:Message>Rebooting in " + std::to_string((m_options.rebootMs + 999) / 1000) + " seconds</tds:Message>");
        reply.after = [this, index] {
            OnvifDevice &r = m_devices[index];
            takeDown(index, true);
            if (r.pending) {
                r.address = r.pending->dhcp ? m_home : r.pending->address;
                r.prefixLength = r.pending->prefixLength;
                r.dhcp = r.pending->dhcp;
                r.pending.reset();
                ++r.metadataVersion;
                save();
            }
            r.upAt = Clock::now() + milliseconds(m_options.rebootMs);
        };
    } else {
        return HttpServer::Reply(fault(false, "ter:ActionNotSupported", "the emulator does not implement " + call.name));
    }
    if (lose()) {
        // The answer is lost on its way back; what the request did stays done.
        ++m_dropped;
        reply.drop = true;
    }
    return reply;
}

void OnvifDevices::run(const std::function<bool()> &stopped)
{
    while (!stopped()) {
        const Clock::time_point now = Clock::now();
        for (std::size_t i = 0; i < m_devices.size(); ++i) {
            OnvifDevice &d = m_devices[i];
            if (!d.up && d.upAt != Clock::time_point() && now >= d.upAt) {
                d.upAt = {};
                if (bringUp(i))
                    announce(i, true, {});
            }
        }
        while (!m_outbox.empty() && m_outbox.top().at <= now) {
            const Datagram &due = m_outbox.top();
            const int fd = socketFor(due.from);
            if (fd >= 0 && !lose())
                sendto(fd, due.text.data(), due.text.size(), 0, reinterpret_cast<const sockaddr *>(&due.to), sizeof due.to);
            m_outbox.pop();
        }
        Clock::time_point next = std::min(m_http.tick(), now + milliseconds(200));
        if (!m_outbox.empty())
            next = std::min(next, m_outbox.top().at);
        for (const OnvifDevice &d : m_devices) {
            if (!d.up && d.upAt != Clock::time_point())
                next = std::min(next, d.upAt);
        }
        std::vector<pollfd> fds;
        fds.push_back({m_listen, POLLIN, 0});
        m_http.fill(fds);
        const long long wait = std::clamp<long long>(duration_cast<milliseconds>(next - Clock::now()).count(), 0, 200);
        if (::poll(fds.data(), fds.size(), int(wait)) <= 0)
            continue;
        if (fds[0].revents)
            readDiscovery();
        m_http.serve(fds.data() + 1, fds.size() - 1);
    }
    // Goodbye, twice and without the fault injection: a lost one leaves the device in tables.
    for (int round = 0; round < 2; ++round) {
        for (std::size_t i = 0; i < m_devices.size(); ++i) {
            OnvifDevice &d = m_devices[i];
            if (!d.up)
                continue;
            sockaddr_in to {};
            to.sin_family = AF_INET;
            to.sin_port = htons(wsd::Port);
            inet_pton(AF_INET, wsd::GroupAddress, &to.sin_addr);
            const std::string text = wsd::bye(soap::randomUuid(), endpointOf(d), d.instanceId, ++d.messageNumber);
            if (const int fd = socketFor(d.bound); fd >= 0)
                sendto(fd, text.data(), text.size(), 0, reinterpret_cast<const sockaddr *>(&to), sizeof to);
        }
    }
    save();
    std::printf("tarn-device: ONVIF devices answered %llu requests, applied %llu changes, dropped %llu (loss)\n",
                static_cast<unsigned long long>(m_requests), static_cast<unsigned long long>(m_applied),
                static_cast<unsigned long long>(m_dropped));
    std::fflush(stdout);
}

OnvifThread::~OnvifThread()
{
    m_quit = true;
    if (m_thread.joinable())
        m_thread.join();
}

bool OnvifThread::start(const OnvifOptions &options, std::function<bool()> stopped, std::string *error)
{
    m_devices = std::make_unique<OnvifDevices>(options);
    if (!m_devices->start(error))
        return false;
    m_thread = std::thread([this, stopped = std::move(stopped)] { m_devices->run([&] { return m_quit || stopped(); }); });
    return true;
}

} // namespace tarn::emu
