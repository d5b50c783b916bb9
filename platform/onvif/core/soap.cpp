#include "soap.h"

#include <cstdio>
#include <mutex>

#include <openssl/evp.h>
#include <sodium.h>

namespace tarn::onvif::soap {

namespace {

void initSodium()
{
    static std::once_flag once;
    std::call_once(once, [] {
        if (sodium_init() < 0)
            std::abort();  // no randomness: nothing can be done safely
    });
}

std::string digest(const char *algorithm, std::string_view data)
{
    const EVP_MD *md = EVP_get_digestbyname(algorithm);
    unsigned char out[EVP_MAX_MD_SIZE];
    unsigned int length = 0;
    if (!md || EVP_Digest(data.data(), data.size(), out, &length, md, nullptr) != 1)
        return std::string();
    return std::string(reinterpret_cast<char *>(out), length);
}

} // namespace

std::string envelope(std::string_view body, std::string_view header)
{
    std::string out;
    out.reserve(body.size() + header.size() + 400);
    out += "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n<s:Envelope xmlns:s=\"";
    out += ns::Envelope;
    out += "\" xmlns:tds=\"";
    out += ns::Device;
    out += "\" xmlns:tt=\"";
    out += ns::Schema;
    out += "\" xmlns:ter=\"";
    out += ns::Error;
    out += "\">";
    if (!header.empty()) {
        out += "<s:Header>";
        out += header;
        out += "</s:Header>";
    }
    out += "<s:Body>";
    out += body;
    out += "</s:Body></s:Envelope>\n";
    return out;
}

std::optional<Response> parseResponse(std::string_view text, std::string *error)
{
    Response response;
    response.document = xml::parse(text, error);
    if (!response.document)
        return std::nullopt;
    const xml::Node &root = *response.document;
    const xml::Node *body = root.child("Body");
    if (root.name != "Envelope" || root.ns != ns::Envelope || !body || body->children.empty()) {
        if (error)
            *error = "not a SOAP 1.2 envelope with a body";
        return std::nullopt;
    }
    const xml::Node &first = body->children.front();
    if (first.name == "Fault" && first.ns == ns::Envelope) {
        Fault fault;
        if (const xml::Node *code = first.find({"Code", "Value"}))
            fault.code = code->value();
        if (const xml::Node *sub = first.find({"Code", "Subcode", "Value"}))
            fault.subcode = sub->value();
        if (const xml::Node *reason = first.find({"Reason", "Text"}))
            fault.reason = reason->value();
        response.fault = std::move(fault);
    }
    response.body = &first;
    return response;
}

std::string faultEnvelope(std::string_view code, std::string_view subcode, std::string_view reason)
{
    std::string body = "<s:Fault><s:Code><s:Value>" + xml::escape(code) + "</s:Value>";
    if (!subcode.empty())
        body += "<s:Subcode><s:Value>" + xml::escape(subcode) + "</s:Value></s:Subcode>";
    body += "</s:Code><s:Reason><s:Text xml:lang=\"en\">" + xml::escape(reason) + "</s:Text></s:Reason></s:Fault>";
    return envelope(body);
}

std::string passwordDigest(std::string_view nonce, std::string_view created, std::string_view password)
{
    std::string joined;
    joined.reserve(nonce.size() + created.size() + password.size());
    joined.append(nonce).append(created).append(password);
    std::string hash = digest("SHA1", joined);
    wipe(joined);
    return toBase64(hash);
}

std::string securityHeader(std::string_view user, std::string_view password, std::time_t deviceNow)
{
    const std::string nonce = randomBytes(16);
    const std::string created = formatTime(deviceNow);
    return std::string("<wsse:Security s:mustUnderstand=\"1\" xmlns:wsse=\"") + ns::Security + "\" xmlns:wsu=\""
        + ns::Utility + "\"><wsse:UsernameToken><wsse:Username>" + xml::escape(user)
        + "</wsse:Username><wsse:Password Type=\"" + ns::PasswordDigest + "\">"
        + passwordDigest(nonce, created, password) + "</wsse:Password><wsse:Nonce EncodingType=\"" + ns::Base64Binary
        + "\">" + toBase64(nonce) + "</wsse:Nonce><wsu:Created>" + created
        + "</wsu:Created></wsse:UsernameToken></wsse:Security>";
}

std::string hexDigest(const char *algorithm, std::string_view data)
{
    static const char kHex[] = "0123456789abcdef";
    std::string out;
    for (unsigned char c : digest(algorithm, data)) {
        out += kHex[c >> 4];
        out += kHex[c & 15];
    }
    return out;
}

std::string toBase64(std::string_view bytes)
{
    std::string out(sodium_base64_encoded_len(bytes.size(), sodium_base64_VARIANT_ORIGINAL), '\0');
    sodium_bin2base64(out.data(), out.size(), reinterpret_cast<const unsigned char *>(bytes.data()), bytes.size(),
                      sodium_base64_VARIANT_ORIGINAL);
    out.resize(out.size() - 1);  // the terminator
    return out;
}

std::optional<std::string> fromBase64(std::string_view text, std::size_t maxBytes)
{
    if (text.size() / 4 * 3 > maxBytes + 3)
        return std::nullopt;
    std::string out(text.size() / 4 * 3 + 3, '\0');
    std::size_t length = 0;
    if (sodium_base642bin(reinterpret_cast<unsigned char *>(out.data()), out.size(), text.data(), text.size(), " \t\r\n",
                          &length, nullptr, sodium_base64_VARIANT_ORIGINAL) != 0 || length > maxBytes)
        return std::nullopt;
    out.resize(length);
    return out;
}

std::string randomBytes(std::size_t n)
{
    initSodium();
    std::string out(n, '\0');
    randombytes_buf(out.data(), n);
    return out;
}

std::string randomUuid()
{
    std::string b = randomBytes(16);
    b[6] = char((b[6] & 0x0f) | 0x40);
    b[8] = char((b[8] & 0x3f) | 0x80);
    char text[48];
    const auto u = [&](int i) { return unsigned(static_cast<unsigned char>(b[std::size_t(i)])); };
    std::snprintf(text, sizeof text, "urn:uuid:%02x%02x%02x%02x-%02x%02x-%02x%02x-%02x%02x-%02x%02x%02x%02x%02x%02x", u(0),
                  u(1), u(2), u(3), u(4), u(5), u(6), u(7), u(8), u(9), u(10), u(11), u(12), u(13), u(14), u(15));
    return text;
}

void wipe(std::string &secret)
{
    if (!secret.empty())
        sodium_memzero(secret.data(), secret.size());
    secret.clear();
}

std::string formatTime(std::time_t t)
{
    std::tm tm {};
    gmtime_r(&t, &tm);
    char text[32];
    std::strftime(text, sizeof text, "%Y-%m-%dT%H:%M:%SZ", &tm);
    return text;
}

std::optional<std::time_t> parseTime(std::string_view text)
{
    int year = 0, month = 0, day = 0, hour = 0, minute = 0, second = 0, consumed = 0;
    const std::string copy(text.substr(0, 64));
    if (std::sscanf(copy.c_str(), "%4d-%2d-%2dT%2d:%2d:%2d%n", &year, &month, &day, &hour, &minute, &second, &consumed) != 6)
        return std::nullopt;
    if (month < 1 || month > 12 || day < 1 || day > 31 || hour > 23 || minute > 59 || second > 60 || year < 1970)
        return std::nullopt;
    std::string_view rest = std::string_view(copy).substr(std::size_t(consumed));
    if (!rest.empty() && rest[0] == '.') {
        std::size_t k = 1;
        while (k < rest.size() && rest[k] >= '0' && rest[k] <= '9')
            ++k;
        rest.remove_prefix(k);
    }
    long offset = 0;
    if (rest.size() == 6 && (rest[0] == '+' || rest[0] == '-') && rest[3] == ':') {
        const int h = (rest[1] - '0') * 10 + (rest[2] - '0'), m = (rest[4] - '0') * 10 + (rest[5] - '0');
        offset = (rest[0] == '+' ? 1 : -1) * (h * 3600L + m * 60L);
    } else if (!rest.empty() && rest != "Z") {
        return std::nullopt;
    }
    std::tm tm {};
    tm.tm_year = year - 1900;
    tm.tm_mon = month - 1;
    tm.tm_mday = day;
    tm.tm_hour = hour;
    tm.tm_min = minute;
    tm.tm_sec = second;
    return timegm(&tm) - offset;
}

} // namespace tarn::onvif::soap
