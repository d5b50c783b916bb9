#pragma once

// What the client and the emulator share of SOAP 1.2 and WS-Security: envelopes, faults, the
// UsernameToken digest, hashes and the time format. Messages are written by hand for the few
// operations used; nothing here knows the operations themselves.

#include <cstdint>
#include <ctime>
#include <optional>
#include <string>
#include <string_view>

#include "xml.h"

namespace tarn::onvif::soap {

namespace ns {
constexpr const char *Envelope = "http://www.w3.org/2003/05/soap-envelope";
constexpr const char *Device = "http://www.onvif.org/ver10/device/wsdl";
constexpr const char *Schema = "http://www.onvif.org/ver10/schema";
constexpr const char *Error = "http://www.onvif.org/ver10/error";
constexpr const char *Security = "http://docs.oasis-open.org/wss/2004/01/oasis-200401-wss-wssecurity-secext-1.0.xsd";
constexpr const char *Utility = "http://docs.oasis-open.org/wss/2004/01/oasis-200401-wss-wssecurity-utility-1.0.xsd";
constexpr const char *PasswordDigest =
    "http://docs.oasis-open.org/wss/2004/01/oasis-200401-wss-username-token-profile-1.0#PasswordDigest";
constexpr const char *Base64Binary =
    "http://docs.oasis-open.org/wss/2004/01/oasis-200401-wss-soap-message-security-1.0#Base64Binary";
} // namespace ns

// A SOAP 1.2 envelope; the prefixes s, tds, tt and ter are declared on it.
std::string envelope(std::string_view body, std::string_view header = {});

struct Fault
{
    std::string code, subcode, reason;
};

// The first element of the body, or a fault; nothing (with `error`) when it is no SOAP envelope.
struct Response
{
    std::optional<xml::Node> document;
    const xml::Node *body = nullptr;  // the body's first element, inside `document`
    std::optional<Fault> fault;
};
std::optional<Response> parseResponse(std::string_view text, std::string *error);

std::string faultEnvelope(std::string_view code, std::string_view subcode, std::string_view reason);

// Base64 of SHA-1(nonce + created + password), as the UsernameToken profile defines it.
std::string passwordDigest(std::string_view nonce, std::string_view created, std::string_view password);
// The Security header with a UsernameToken: PasswordDigest, never the password itself.
std::string securityHeader(std::string_view user, std::string_view password, std::time_t deviceNow);

std::string hexDigest(const char *algorithm, std::string_view data);  // "MD5", "SHA1", "SHA256"
std::string toBase64(std::string_view bytes);
std::optional<std::string> fromBase64(std::string_view text, std::size_t maxBytes);
std::string randomBytes(std::size_t n);
std::string randomUuid();  // urn:uuid:...
void wipe(std::string &secret);

// xsd:dateTime in UTC ("2024-05-01T12:00:00Z") and back; fractions and offsets are read too.
std::string formatTime(std::time_t t);
std::optional<std::time_t> parseTime(std::string_view text);

} // namespace tarn::onvif::soap
