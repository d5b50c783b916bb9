#include "wsd.h"

#include <algorithm>
#include <cctype>
#include <sstream>

#include "soap.h"
#include "xml.h"

namespace tarn::onvif::wsd {

namespace {

constexpr const char *kDiscovery2005 = "http://schemas.xmlsoap.org/ws/2005/04/discovery";
constexpr const char *kDiscovery2009 = "http://docs.oasis-open.org/ws-dd/ns/discovery/2009/01";
constexpr const char *kAddressing = "http://schemas.xmlsoap.org/ws/2004/08/addressing";
constexpr const char *kTo = "urn:schemas-xmlsoap-org:ws:2005:04:discovery";
constexpr const char *kAnonymous = "http://schemas.xmlsoap.org/ws/2004/08/addressing/role/anonymous";

std::vector<std::string> words(const std::string &text, bool localNames)
{
    std::vector<std::string> out;
    std::istringstream in(text);
    std::string word;
    while (in >> word && out.size() < 64) {
        if (localNames) {
            const std::size_t colon = word.rfind(':');
            if (colon != std::string::npos)
                word.erase(0, colon + 1);
        }
        out.push_back(word);
    }
    return out;
}

std::uint64_t number(const std::string &text)
{
    std::uint64_t v = 0;
    for (char c : text) {
        if (c < '0' || c > '9' || v > UINT64_MAX / 10 - 10)
            return 0;
        v = v * 10 + std::uint64_t(c - '0');
    }
    return v;
}

Endpoint endpointOf(const xml::Node &node)
{
    Endpoint e;
    if (const xml::Node *address = node.find({"EndpointReference", "Address"}))
        e.address = address->value();
    if (const xml::Node *types = node.child("Types"))
        e.types = words(types->value(), true);
    if (const xml::Node *scopes = node.child("Scopes"))
        e.scopes = words(scopes->value(), false);
    if (const xml::Node *xaddrs = node.child("XAddrs"))
        e.xaddrs = words(xaddrs->value(), false);
    if (const xml::Node *version = node.child("MetadataVersion"))
        e.metadataVersion = std::uint32_t(std::min<std::uint64_t>(number(version->value()), UINT32_MAX));
    return e;
}

std::string header(std::string_view action, std::string_view messageId, std::string_view relatesTo, bool replyTo,
                   std::uint64_t instanceId, std::uint64_t messageNumber)
{
    std::string h = std::string("<a:Action s:mustUnderstand=\"1\">") + kDiscovery2005 + "/" + std::string(action)
        + "</a:Action><a:MessageID>" + xml::escape(messageId) + "</a:MessageID>";
    if (!relatesTo.empty())
        h += "<a:RelatesTo>" + xml::escape(relatesTo) + "</a:RelatesTo><a:To s:mustUnderstand=\"1\">" + kAnonymous + "</a:To>";
    else
        h += std::string("<a:To s:mustUnderstand=\"1\">") + kTo + "</a:To>";
    if (replyTo)
        h += std::string("<a:ReplyTo><a:Address>") + kAnonymous + "</a:Address></a:ReplyTo>";
    if (instanceId)
        h += "<d:AppSequence s:mustUnderstand=\"1\" InstanceId=\"" + std::to_string(instanceId) + "\" MessageNumber=\""
            + std::to_string(messageNumber) + "\"/>";
    return h;
}

std::string message(const std::string &headerText, const std::string &body)
{
    return std::string("<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n<s:Envelope xmlns:s=\"") + soap::ns::Envelope
        + "\" xmlns:a=\"" + kAddressing + "\" xmlns:d=\"" + kDiscovery2005
        + "\" xmlns:dn=\"http://www.onvif.org/ver10/network/wsdl\" xmlns:tds=\"" + soap::ns::Device + "\"><s:Header>"
        + headerText + "</s:Header><s:Body>" + body + "</s:Body></s:Envelope>";
}

std::string join(const std::vector<std::string> &list, bool escape)
{
    std::string out;
    for (const std::string &s : list)
        out += (out.empty() ? "" : " ") + (escape ? xml::escape(s) : s);
    return out;
}

std::string endpointBody(const Endpoint &e, bool full)
{
    std::string b = "<a:EndpointReference><a:Address>" + xml::escape(e.address) + "</a:Address></a:EndpointReference>";
    if (!full)
        return b;
    return b + "<d:Types>dn:NetworkVideoTransmitter tds:Device</d:Types><d:Scopes>" + join(e.scopes, true)
        + "</d:Scopes><d:XAddrs>" + join(e.xaddrs, true) + "</d:XAddrs><d:MetadataVersion>"
        + std::to_string(e.metadataVersion) + "</d:MetadataVersion>";
}

int hexValue(char c)
{
    if (c >= '0' && c <= '9')
        return c - '0';
    if (c >= 'a' && c <= 'f')
        return c - 'a' + 10;
    if (c >= 'A' && c <= 'F')
        return c - 'A' + 10;
    return -1;
}

} // namespace

std::optional<Message> decode(std::string_view datagram, std::string *error)
{
    xml::Limits limits;
    limits.maxBytes = MaxDatagram;
    limits.maxElements = 512;
    auto root = xml::parse(datagram, error, limits);
    if (!root)
        return std::nullopt;
    auto bad = [&](const char *why) -> std::optional<Message> {
        if (error)
            *error = why;
        return std::nullopt;
    };
    const xml::Node *head = root->child("Header");
    const xml::Node *body = root->child("Body");
    if (root->name != "Envelope" || root->ns != soap::ns::Envelope || !head || !body || body->children.empty())
        return bad("not a SOAP 1.2 envelope");
    const xml::Node &first = body->children.front();
    if (first.ns != kDiscovery2005 && first.ns != kDiscovery2009)
        return bad("not a discovery message");
    Message m;
    if (const xml::Node *id = head->child("MessageID"))
        m.messageId = id->value();
    if (const xml::Node *relates = head->child("RelatesTo"))
        m.relatesTo = relates->value();
    if (const xml::Node *sequence = head->child("AppSequence")) {
        m.instanceId = number(sequence->attribute("InstanceId"));
        m.messageNumber = number(sequence->attribute("MessageNumber"));
    }
    if (first.name == "Probe") {
        m.kind = Kind::Probe;
        if (const xml::Node *types = first.child("Types"))
            m.probeTypes = words(types->value(), true);
    } else if (first.name == "ProbeMatches") {
        m.kind = Kind::ProbeMatches;
        for (const xml::Node *match : first.all("ProbeMatch")) {
            if (m.endpoints.size() < 16)
                m.endpoints.push_back(endpointOf(*match));
        }
    } else if (first.name == "Hello" || first.name == "Bye") {
        m.kind = first.name == "Hello" ? Kind::Hello : Kind::Bye;
        m.endpoints.push_back(endpointOf(first));
    } else {
        return bad("a discovery message the tool does not take");
    }
    for (const Endpoint &e : m.endpoints) {
        if (e.address.empty() || e.address.size() > 256)
            return bad("an endpoint without a usable reference");
    }
    return m;
}

std::string probe(std::string_view messageId, std::string_view type)
{
    return message(header("Probe", messageId, {}, true, 0, 0),
                   "<d:Probe><d:Types>" + xml::escape(type) + "</d:Types></d:Probe>");
}

std::string probeMatches(std::string_view messageId, std::string_view relatesTo, const Endpoint &endpoint,
                         std::uint64_t instanceId, std::uint64_t messageNumber)
{
    return message(header("ProbeMatches", messageId, relatesTo, false, instanceId, messageNumber),
                   "<d:ProbeMatches><d:ProbeMatch>" + endpointBody(endpoint, true) + "</d:ProbeMatch></d:ProbeMatches>");
}

std::string hello(std::string_view messageId, const Endpoint &endpoint, std::uint64_t instanceId,
                  std::uint64_t messageNumber)
{
    return message(header("Hello", messageId, {}, false, instanceId, messageNumber),
                   "<d:Hello>" + endpointBody(endpoint, true) + "</d:Hello>");
}

std::string bye(std::string_view messageId, const Endpoint &endpoint, std::uint64_t instanceId,
                std::uint64_t messageNumber)
{
    return message(header("Bye", messageId, {}, false, instanceId, messageNumber),
                   "<d:Bye>" + endpointBody(endpoint, false) + "</d:Bye>");
}

bool matches(const std::vector<std::string> &probeTypes, const Endpoint &endpoint)
{
    for (const std::string &wanted : probeTypes) {
        bool found = false;
        for (const std::string &t : endpoint.types)
            found = found || t == wanted;
        if (!found)
            return false;
    }
    return true;
}

std::string scopeValue(const std::vector<std::string> &scopes, std::string_view kind)
{
    const std::string prefix = "onvif://www.onvif.org/" + std::string(kind) + "/";
    for (const std::string &scope : scopes) {
        if (scope.compare(0, prefix.size(), prefix) != 0)
            continue;
        std::string out;
        for (std::size_t i = prefix.size(); i < scope.size() && out.size() < 128; ++i) {
            const int hi = i + 2 < scope.size() ? hexValue(scope[i + 1]) : -1;
            const int lo = i + 2 < scope.size() ? hexValue(scope[i + 2]) : -1;
            if (scope[i] == '%' && hi >= 0 && lo >= 0) {
                const char c = char(hi * 16 + lo);
                out += (static_cast<unsigned char>(c) < 0x20) ? ' ' : c;  // no control characters in a name
                i += 2;
            } else {
                out += scope[i];
            }
        }
        return out;
    }
    return std::string();
}

std::string percentEncode(std::string_view text)
{
    static const char kHex[] = "0123456789ABCDEF";
    std::string out;
    for (unsigned char c : text) {
        if ((c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || (c >= '0' && c <= '9') || c == '-' || c == '_' || c == '.')
            out += char(c);
        else {
            out += '%';
            out += kHex[c >> 4];
            out += kHex[c & 15];
        }
    }
    return out;
}

std::string Url::text() const
{
    return scheme + "://" + host + ":" + std::to_string(port) + path;
}

std::optional<Url> parseUrl(std::string_view text)
{
    Url url;
    std::size_t at = text.find("://");
    if (at == std::string_view::npos || text.size() > 512)
        return std::nullopt;
    url.scheme = std::string(text.substr(0, at));
    for (char &c : url.scheme)
        c = char(std::tolower(static_cast<unsigned char>(c)));
    if (url.scheme != "http" && url.scheme != "https")
        return std::nullopt;
    text.remove_prefix(at + 3);
    const std::size_t slash = text.find('/');
    std::string_view authority = text.substr(0, slash);
    url.path = slash == std::string_view::npos ? "/" : std::string(text.substr(slash));
    if (authority.find('@') != std::string_view::npos || authority.empty() || authority.front() == '[')
        return std::nullopt;  // no user information; IPv6 literals are not used here
    const std::size_t colon = authority.rfind(':');
    url.port = url.https() ? 443 : 80;
    if (colon != std::string_view::npos) {
        const std::string_view digits = authority.substr(colon + 1);
        if (digits.empty() || digits.size() > 5)
            return std::nullopt;
        int port = 0;
        for (char c : digits) {
            if (c < '0' || c > '9')
                return std::nullopt;
            port = port * 10 + (c - '0');
        }
        if (port < 1 || port > 65535)
            return std::nullopt;
        url.port = port;
        authority = authority.substr(0, colon);
    }
    for (char c : authority) {
        if (!(std::isalnum(static_cast<unsigned char>(c)) || c == '.' || c == '-'))
            return std::nullopt;
    }
    url.host = std::string(authority);
    for (char c : url.path) {
        if (static_cast<unsigned char>(c) <= 0x20 || c == 0x7f)
            return std::nullopt;
    }
    return url;
}

} // namespace tarn::onvif::wsd
