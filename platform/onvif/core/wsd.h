#pragma once

// WS-Discovery messages as ONVIF devices speak them (SOAP 1.2 over UDP, the 2005/04 discovery
// namespace; the 2009/01 one of WS-Discovery 1.1 is read too), and the URLs they carry.

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace tarn::onvif::wsd {

constexpr const char *GroupAddress = "239.255.255.250";
constexpr std::uint16_t Port = 3702;
constexpr std::size_t MaxDatagram = 32 * 1024;
// The types the tool looks for, as probe types: each probe names one, since a target must match
// every type a probe names.
constexpr const char *TypeDevice = "tds:Device";
constexpr const char *TypeTransmitter = "dn:NetworkVideoTransmitter";

enum class Kind { Probe, ProbeMatches, Hello, Bye };

struct Endpoint
{
    std::string address;               // the endpoint reference, usually urn:uuid:...
    std::vector<std::string> types;    // local names: "Device", "NetworkVideoTransmitter"
    std::vector<std::string> scopes;
    std::vector<std::string> xaddrs;
    std::uint32_t metadataVersion = 0;
};

struct Message
{
    Kind kind = Kind::Probe;
    std::string messageId, relatesTo;
    std::uint64_t instanceId = 0, messageNumber = 0;  // AppSequence, when given
    std::vector<Endpoint> endpoints;  // ProbeMatches: each match; Hello and Bye: one
    std::vector<std::string> probeTypes;  // Probe: local names
};

std::optional<Message> decode(std::string_view datagram, std::string *error = nullptr);

std::string probe(std::string_view messageId, std::string_view type);
std::string probeMatches(std::string_view messageId, std::string_view relatesTo, const Endpoint &endpoint,
                         std::uint64_t instanceId, std::uint64_t messageNumber);
std::string hello(std::string_view messageId, const Endpoint &endpoint, std::uint64_t instanceId,
                  std::uint64_t messageNumber);
std::string bye(std::string_view messageId, const Endpoint &endpoint, std::uint64_t instanceId,
                std::uint64_t messageNumber);

// Whether a probe for `probeTypes` (local names; empty matches all) matches the endpoint.
bool matches(const std::vector<std::string> &probeTypes, const Endpoint &endpoint);

// The value of onvif://www.onvif.org/<kind>/<value> among the scopes, percent-decoded.
std::string scopeValue(const std::vector<std::string> &scopes, std::string_view kind);
std::string percentEncode(std::string_view text);

struct Url
{
    std::string scheme;  // http or https
    std::string host;
    int port = 0;
    std::string path;    // with its leading '/'
    bool https() const { return scheme == "https"; }
    std::string text() const;
};
// http and https URLs only; the port defaults to the scheme's.
std::optional<Url> parseUrl(std::string_view text);

} // namespace tarn::onvif::wsd
