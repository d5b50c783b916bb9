#include "onvif.h"

#include <map>
#include <mutex>

#include <arpa/inet.h>

#include "core/soap.h"
#include "core/wsd.h"
#include "http.h"

namespace tarn::onvif {

namespace {

constexpr std::size_t kMaxText = 128;
constexpr std::size_t kMaxItems = 64;

std::string textOf(const xml::Node *node)
{
    std::string v = node ? node->value() : std::string();
    if (v.size() > kMaxText)
        v.resize(kMaxText);
    return v;
}

bool flag(const xml::Node *node)
{
    const std::string v = textOf(node);
    return v == "true" || v == "1";
}

int integer(const xml::Node *node, int fallback = 0)
{
    const std::string v = textOf(node);
    if (v.empty() || v.size() > 9)
        return fallback;
    int n = 0;
    for (char c : v) {
        if (c < '0' || c > '9')
            return fallback;
        n = n * 10 + (c - '0');
    }
    return n;
}

bool ipv4(const std::string &text)
{
    in_addr a {};
    return text.size() < 16 && inet_pton(AF_INET, text.c_str(), &a) == 1;
}

// Tokens and user names go into the XML as they are: letters, digits and a few marks only.
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

template <class T>
Result<T> failed(const Status &status)
{
    Result<T> r;
    static_cast<Status &>(r) = status;
    return r;
}

Status invalid(const std::string &why)
{
    Status s;
    s.error = ErrorKind::InvalidArgument;
    s.message = why;
    return s;
}

std::string localName(const std::string &qname)
{
    const std::size_t colon = qname.rfind(':');
    return colon == std::string::npos ? qname : qname.substr(colon + 1);
}

} // namespace

Secret::Secret(const char *data, std::size_t size) : m_bytes(data, size) {}

Secret::Secret(std::string &&text) : m_bytes(text.data(), text.size())
{
    soap::wipe(text);
}

Secret::Secret(const Secret &other) : m_bytes(other.m_bytes.data(), other.m_bytes.size()) {}

Secret &Secret::operator=(const Secret &other)
{
    if (this != &other) {
        clear();
        m_bytes.assign(other.m_bytes.data(), other.m_bytes.size());
    }
    return *this;
}

Secret::~Secret()
{
    clear();
}

void Secret::clear()
{
    soap::wipe(m_bytes);
}

const char *errorName(ErrorKind kind)
{
    switch (kind) {
    case ErrorKind::None: return "ok";
    case ErrorKind::Unauthorized: return "unauthorized";
    case ErrorKind::Timeout: return "timeout";
    case ErrorKind::Refused: return "refused";
    case ErrorKind::Fault: return "fault";
    case ErrorKind::BadResponse: return "bad response";
    case ErrorKind::NotSupported: return "not supported";
    case ErrorKind::InvalidArgument: return "invalid argument";
    case ErrorKind::Cancelled: return "cancelled";
    }
    return "?";
}

int NetworkProtocols::port(std::string_view name) const
{
    for (const NetworkProtocol &p : list) {
        if (p.enabled && p.name == name && !p.ports.empty())
            return p.ports.front();
    }
    return 0;
}

struct Client::Impl
{
    ClientOptions options;
    std::atomic<bool> cancelled {false};
    std::mutex mutex;
    std::map<std::string, std::int64_t> offsets;  // XAddr -> device clock minus ours

    struct Answer
    {
        Status status;
        std::optional<soap::Response> response;
        const xml::Node *body() const { return response ? response->body : nullptr; }
    };

    Answer call(Client &client, const Target &target, const std::string &operation, const std::string &body,
                const Credentials *credentials);
};

Client::Client(ClientOptions options) : d(std::make_unique<Impl>())
{
    d->options = options;
}

Client::~Client() = default;

void Client::cancel()
{
    d->cancelled = true;
}

void Client::reset()
{
    d->cancelled = false;
}

Client::Impl::Answer Client::Impl::call(Client &client, const Target &target, const std::string &operation,
                                        const std::string &body, const Credentials *credentials)
{
    Answer answer;
    if (!wsd::parseUrl(target.xaddr)) {
        answer.status = invalid("not a usable service address: " + target.xaddr.substr(0, 80));
        return answer;
    }
    if (cancelled) {
        answer.status.error = ErrorKind::Cancelled;
        answer.status.message = "cancelled";
        return answer;
    }
    std::string header;
    if (credentials) {
        std::optional<std::int64_t> offset;
        {
            std::lock_guard<std::mutex> lock(mutex);
            if (auto it = offsets.find(target.xaddr); it != offsets.end())
                offset = it->second;
        }
        if (!offset) {
            const Result<std::int64_t> clock = client.getSystemDateAndTime(target);
            if (clock.error == ErrorKind::Timeout || clock.error == ErrorKind::Refused
                || clock.error == ErrorKind::Cancelled) {
                answer.status = clock;
                return answer;
            }
            offset = clock.ok() ? clock.value : 0;  // a device that hides its clock gets ours
        }
        header = soap::securityHeader(credentials->user, credentials->password.view(), std::time(nullptr) + *offset);
    }
    std::string request = soap::envelope(body, header);
    const http::Exchange exchange =
        http::post(target, std::string(soap::ns::Device) + "/" + operation, request, credentials, options, cancelled);
    soap::wipe(request);  // CreateUsers carries a password
    answer.status = http::statusOf(exchange);
    if (!answer.status.ok())
        return answer;
    Status &s = answer.status;
    std::string why;
    answer.response = soap::parseResponse(exchange.body, &why);
    if (!answer.response) {
        if (exchange.status == 401) {
            s.error = ErrorKind::Unauthorized;
            s.message = "the device refuses these credentials";
        } else if (exchange.status == 404 || exchange.status == 405 || exchange.status == 501) {
            s.error = ErrorKind::NotSupported;
            s.message = "no device service at this address (HTTP " + std::to_string(exchange.status) + ")";
        } else {
            s.error = ErrorKind::BadResponse;
            s.message = "HTTP " + std::to_string(exchange.status) + ", " + why;
        }
        return answer;
    }
    if (const auto &fault = answer.response->fault) {
        const std::string sub = localName(fault->subcode);
        if (sub == "NotAuthorized" || sub == "FailedAuthentication" || exchange.status == 401) {
            s.error = ErrorKind::Unauthorized;
            s.message = "the device refuses these credentials";
        } else if (sub == "ActionNotSupported" || sub == "ActionNotSupportedFault") {
            s.error = ErrorKind::NotSupported;
            s.message = "the device does not offer " + operation;
        } else {
            s.error = ErrorKind::Fault;
            s.message = fault->reason.empty() ? (sub.empty() ? localName(fault->code) : sub) : fault->reason.substr(0, 200);
        }
        return answer;
    }
    if (exchange.status == 401) {
        s.error = ErrorKind::Unauthorized;
        s.message = "the device refuses these credentials";
    } else if (exchange.status != 200) {
        s.error = ErrorKind::BadResponse;
        s.message = "HTTP " + std::to_string(exchange.status) + " with a SOAP body that is no fault";
    } else if (answer.body()->name != operation + "Response" || answer.body()->ns != soap::ns::Device) {
        s.error = ErrorKind::BadResponse;
        s.message = "the answer is not " + operation + "Response";
    }
    return answer;
}

Result<std::int64_t> Client::getSystemDateAndTime(const Target &target)
{
    const auto a = d->call(*this, target, "GetSystemDateAndTime", "<tds:GetSystemDateAndTime/>", nullptr);
    if (!a.status.ok())
        return failed<std::int64_t>(a.status);
    const xml::Node *utc = a.body()->find({"SystemDateAndTime", "UTCDateTime"});
    const xml::Node *date = utc ? utc->child("Date") : nullptr;
    const xml::Node *time = utc ? utc->child("Time") : nullptr;
    if (!date || !time) {
        Status s;
        s.error = ErrorKind::BadResponse;
        s.message = "the device gives no UTC time";
        return failed<std::int64_t>(s);
    }
    std::tm tm {};
    tm.tm_year = integer(date->child("Year"), -1) - 1900;
    tm.tm_mon = integer(date->child("Month"), 0) - 1;
    tm.tm_mday = integer(date->child("Day"), 0);
    tm.tm_hour = integer(time->child("Hour"), -1);
    tm.tm_min = integer(time->child("Minute"), -1);
    tm.tm_sec = integer(time->child("Second"), -1);
    if (tm.tm_year < 70 || tm.tm_mon < 0 || tm.tm_mon > 11 || tm.tm_mday < 1 || tm.tm_mday > 31 || tm.tm_hour < 0
        || tm.tm_hour > 23 || tm.tm_min < 0 || tm.tm_min > 59 || tm.tm_sec < 0 || tm.tm_sec > 60) {
        Status s;
        s.error = ErrorKind::BadResponse;
        s.message = "the device's clock reads as no valid time";
        return failed<std::int64_t>(s);
    }
    Result<std::int64_t> r;
    static_cast<Status &>(r) = a.status;
    r.value = std::int64_t(timegm(&tm)) - std::int64_t(std::time(nullptr));
    std::lock_guard<std::mutex> lock(d->mutex);
    if (d->offsets.size() > 65536)
        d->offsets.clear();
    d->offsets[target.xaddr] = r.value;
    return r;
}

Result<DeviceInformation> Client::getDeviceInformation(const Target &target, const Credentials *credentials)
{
    const auto a = d->call(*this, target, "GetDeviceInformation", "<tds:GetDeviceInformation/>", credentials);
    if (!a.status.ok())
        return failed<DeviceInformation>(a.status);
    Result<DeviceInformation> r;
    static_cast<Status &>(r) = a.status;
    const xml::Node *b = a.body();
    r.value = {textOf(b->child("Manufacturer")), textOf(b->child("Model")), textOf(b->child("FirmwareVersion")),
               textOf(b->child("SerialNumber")), textOf(b->child("HardwareId"))};
    return r;
}

Result<std::vector<NetworkInterface>> Client::getNetworkInterfaces(const Target &target, const Credentials *credentials)
{
    const auto a = d->call(*this, target, "GetNetworkInterfaces", "<tds:GetNetworkInterfaces/>", credentials);
    if (!a.status.ok())
        return failed<std::vector<NetworkInterface>>(a.status);
    Result<std::vector<NetworkInterface>> r;
    static_cast<Status &>(r) = a.status;
    for (const xml::Node *n : a.body()->all("NetworkInterfaces")) {
        if (r.value.size() >= kMaxItems)
            break;
        NetworkInterface i;
        i.token = n->attribute("token").substr(0, kMaxText);
        i.enabled = flag(n->child("Enabled"));
        i.name = textOf(n->find({"Info", "Name"}));
        i.mac = textOf(n->find({"Info", "HwAddress"}));
        const xml::Node *v4 = n->child("IPv4");
        const xml::Node *config = v4 ? v4->child("Config") : nullptr;
        i.ipv4Enabled = v4 && flag(v4->child("Enabled"));
        if (config) {
            i.ipv4.dhcp = flag(config->child("DHCP"));
            const xml::Node *in = i.ipv4.dhcp ? config->child("FromDHCP") : config->child("Manual");
            if (!in)
                in = config->child("Manual");
            if (in) {
                i.ipv4.address = textOf(in->child("Address"));
                i.ipv4.prefixLength = integer(in->child("PrefixLength"));
            }
        }
        r.value.push_back(std::move(i));
    }
    return r;
}

Result<std::vector<std::string>> Client::getNetworkDefaultGateway(const Target &target, const Credentials *credentials)
{
    const auto a = d->call(*this, target, "GetNetworkDefaultGateway", "<tds:GetNetworkDefaultGateway/>", credentials);
    if (!a.status.ok())
        return failed<std::vector<std::string>>(a.status);
    Result<std::vector<std::string>> r;
    static_cast<Status &>(r) = a.status;
    if (const xml::Node *g = a.body()->child("NetworkGateway")) {
        for (const xml::Node *v4 : g->all("IPv4Address")) {
            if (r.value.size() < kMaxItems)
                r.value.push_back(textOf(v4));
        }
    }
    return r;
}

Result<NetworkProtocols> Client::getNetworkProtocols(const Target &target, const Credentials *credentials)
{
    const auto a = d->call(*this, target, "GetNetworkProtocols", "<tds:GetNetworkProtocols/>", credentials);
    if (!a.status.ok())
        return failed<NetworkProtocols>(a.status);
    Result<NetworkProtocols> r;
    static_cast<Status &>(r) = a.status;
    for (const xml::Node *p : a.body()->all("NetworkProtocols")) {
        if (r.value.list.size() >= kMaxItems)
            break;
        NetworkProtocol protocol;
        protocol.name = textOf(p->child("Name"));
        protocol.enabled = flag(p->child("Enabled"));
        for (const xml::Node *port : p->all("Port")) {
            const int n = integer(port);
            if (n > 0 && n < 65536 && protocol.ports.size() < 8)
                protocol.ports.push_back(n);
        }
        r.value.list.push_back(std::move(protocol));
    }
    return r;
}

Result<std::vector<User>> Client::getUsers(const Target &target, const Credentials *credentials)
{
    const auto a = d->call(*this, target, "GetUsers", "<tds:GetUsers/>", credentials);
    if (!a.status.ok())
        return failed<std::vector<User>>(a.status);
    Result<std::vector<User>> r;
    static_cast<Status &>(r) = a.status;
    for (const xml::Node *u : a.body()->all("User")) {
        if (r.value.size() < kMaxItems)
            r.value.push_back(User {textOf(u->child("Username")), textOf(u->child("UserLevel"))});
    }
    return r;
}

Result<Details> Client::readDetails(const Target &target, const Credentials *credentials)
{
    Result<Details> r;
    auto step = [&](const Status &s, const char *what) {
        if (s.ok())
            return true;
        static_cast<Status &>(r) = s;
        r.message = std::string(what) + ": " + s.message;
        return false;
    };
    auto info = getDeviceInformation(target, credentials);
    if (!step(info, "GetDeviceInformation"))
        return r;
    auto interfaces = getNetworkInterfaces(target, credentials);
    if (!step(interfaces, "GetNetworkInterfaces"))
        return r;
    auto gateways = getNetworkDefaultGateway(target, credentials);
    if (!step(gateways, "GetNetworkDefaultGateway"))
        return r;
    auto protocols = getNetworkProtocols(target, credentials);
    if (!step(protocols, "GetNetworkProtocols"))
        return r;
    static_cast<Status &>(r) = protocols;
    r.value = Details {std::move(info.value), std::move(interfaces.value), std::move(gateways.value),
                       std::move(protocols.value)};
    return r;
}

Result<bool> Client::factoryState(const Target &target)
{
    const Result<std::vector<User>> users = getUsers(target, nullptr);
    Result<bool> r;
    if (users.error == ErrorKind::Unauthorized) {
        r.certificateSha256 = users.certificateSha256;
        return r;  // it wants credentials: activated
    }
    static_cast<Status &>(r) = users;
    r.value = users.ok() && users.value.empty();
    return r;
}

Result<bool> Client::setNetworkInterfaces(const Target &target, const Credentials *credentials, const std::string &token,
                                          const Ipv4Config &config)
{
    if (!plainWord(token, 64))
        return failed<bool>(invalid("not a usable interface token"));
    if (!config.dhcp && (!ipv4(config.address) || config.prefixLength < 1 || config.prefixLength > 32))
        return failed<bool>(invalid("a manual IPv4 address needs an address and a prefix length from 1 to 32"));
    std::string body = "<tds:SetNetworkInterfaces><tds:InterfaceToken>" + token
        + "</tds:InterfaceToken><tds:NetworkInterface><tt:Enabled>true</tt:Enabled><tt:IPv4><tt:Enabled>true</tt:Enabled>";
    if (!config.dhcp)
        body += "<tt:Manual><tt:Address>" + config.address + "</tt:Address><tt:PrefixLength>"
            + std::to_string(config.prefixLength) + "</tt:PrefixLength></tt:Manual>";
    body += std::string("<tt:DHCP>") + (config.dhcp ? "true" : "false")
        + "</tt:DHCP></tt:IPv4></tds:NetworkInterface></tds:SetNetworkInterfaces>";
    const auto a = d->call(*this, target, "SetNetworkInterfaces", body, credentials);
    if (!a.status.ok())
        return failed<bool>(a.status);
    Result<bool> r;
    static_cast<Status &>(r) = a.status;
    r.value = flag(a.body()->child("RebootNeeded"));
    return r;
}

Status Client::setNetworkDefaultGateway(const Target &target, const Credentials *credentials, const std::string &ipv4Address)
{
    if (!ipv4(ipv4Address))
        return invalid("not an IPv4 address: " + ipv4Address.substr(0, 40));
    return d
        ->call(*this, target, "SetNetworkDefaultGateway",
               "<tds:SetNetworkDefaultGateway><tds:IPv4Address>" + ipv4Address
                   + "</tds:IPv4Address></tds:SetNetworkDefaultGateway>",
               credentials)
        .status;
}

Status Client::setNetworkProtocols(const Target &target, const Credentials *credentials, int httpPort)
{
    if (httpPort < 1 || httpPort > 65535)
        return invalid("a port is from 1 to 65535");
    return d
        ->call(*this, target, "SetNetworkProtocols",
               "<tds:SetNetworkProtocols><tds:NetworkProtocols><tt:Name>HTTP</tt:Name><tt:Enabled>true</tt:Enabled><tt:Port>"
                   + std::to_string(httpPort) + "</tt:Port></tds:NetworkProtocols></tds:SetNetworkProtocols>",
               credentials)
        .status;
}

Status Client::createUsers(const Target &target, const Credentials *credentials, const std::string &user,
                           const Secret &password, const std::string &level)
{
    if (!plainWord(user, 32) || !plainWord(level, 16))
        return invalid("a user name is 1 to 32 letters, digits, '.', '-' or '_'");
    if (password.empty() || password.view().size() > 64)
        return invalid("a password is 1 to 64 characters");
    // ONVIF defines no other way: the new password goes in the body, readable over plain HTTP.
    // Built in room reserved up front, so no copy of it is left in memory freed unwiped.
    std::string body;
    body.reserve(256 + user.size() + level.size() + 6 * password.view().size());
    body.append("<tds:CreateUsers><tds:User><tt:Username>").append(user).append("</tt:Username><tt:Password>");
    xml::escapeInto(body, password.view());
    body.append("</tt:Password><tt:UserLevel>").append(level).append("</tt:UserLevel></tds:User></tds:CreateUsers>");
    const Status s = d->call(*this, target, "CreateUsers", body, credentials).status;
    soap::wipe(body);
    return s;
}

Result<std::string> Client::systemReboot(const Target &target, const Credentials *credentials)
{
    const auto a = d->call(*this, target, "SystemReboot", "<tds:SystemReboot/>", credentials);
    if (!a.status.ok())
        return failed<std::string>(a.status);
    Result<std::string> r;
    static_cast<Status &>(r) = a.status;
    r.value = textOf(a.body()->child("Message"));
    return r;
}

} // namespace tarn::onvif
