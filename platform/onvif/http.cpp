#include "http.h"

#include <algorithm>
#include <cctype>
#include <cstdlib>
#include <cstring>
#include <mutex>

#include <curl/curl.h>
#include <malloc.h>
#include <sodium.h>

#include "core/soap.h"

namespace tarn::onvif::http {

namespace {

constexpr std::size_t kMaxHeaderBytes = 16 * 1024;

// libcurl keeps copies of the password (for HTTP Digest) in memory of its own. Every block it
// frees or moves is wiped first, so those copies do not outlive the transfer.
void wipingFree(void *p)
{
    if (p) {
        sodium_memzero(p, malloc_usable_size(p));
        std::free(p);
    }
}

void *wipingRealloc(void *p, std::size_t size)
{
    if (!p)
        return std::malloc(size);
    if (size == 0) {
        wipingFree(p);
        return nullptr;
    }
    void *moved = std::malloc(size);
    if (!moved)
        return nullptr;
    std::memcpy(moved, p, std::min(size, malloc_usable_size(p)));
    wipingFree(p);
    return moved;
}

char *copyString(const char *s)
{
    const std::size_t n = std::strlen(s) + 1;
    char *copy = static_cast<char *>(std::malloc(n));
    if (copy)
        std::memcpy(copy, s, n);
    return copy;
}

bool initCurl()
{
    static std::once_flag once;
    static bool ok = false;
    std::call_once(once, [] {
        ok = curl_global_init_mem(CURL_GLOBAL_DEFAULT, std::malloc, wipingFree, wipingRealloc, copyString, std::calloc)
            == CURLE_OK;
    });
    return ok;
}

struct Transfer
{
    Exchange *exchange;
    std::size_t limit;
    std::size_t headerBytes = 0;
    const std::atomic<bool> *cancel;
};

std::size_t onBody(char *data, std::size_t size, std::size_t count, void *user)
{
    auto *t = static_cast<Transfer *>(user);
    const std::size_t n = size * count;
    if (t->exchange->body.size() + n > t->limit) {
        t->exchange->tooLarge = true;
        return 0;
    }
    t->exchange->body.append(data, n);
    return n;
}

std::size_t onHeader(char *data, std::size_t size, std::size_t count, void *user)
{
    auto *t = static_cast<Transfer *>(user);
    const std::size_t n = size * count;
    t->headerBytes += n;
    if (t->headerBytes > kMaxHeaderBytes)
        return 0;
    std::string line(data, n);
    for (char &c : line)
        c = char(std::tolower(static_cast<unsigned char>(c)));
    if (line.compare(0, 17, "www-authenticate:") == 0)
        t->exchange->digestOffered = t->exchange->digestOffered || line.find("digest") != std::string::npos;
    return n;
}

int onProgress(void *user, curl_off_t, curl_off_t, curl_off_t, curl_off_t)
{
    auto *t = static_cast<Transfer *>(user);
    if (t->cancel->load()) {
        t->exchange->cancelled = true;
        return 1;
    }
    return 0;
}

std::string fingerprint(CURL *curl)
{
    curl_certinfo *info = nullptr;
    if (curl_easy_getinfo(curl, CURLINFO_CERTINFO, &info) != CURLE_OK || !info || info->num_of_certs < 1)
        return std::string();
    for (curl_slist *item = info->certinfo[0]; item; item = item->next) {
        const std::string_view line = item->data;
        if (line.substr(0, 5) != "Cert:")
            continue;
        const std::string_view begin = "-----BEGIN CERTIFICATE-----", end = "-----END CERTIFICATE-----";
        const std::size_t from = line.find(begin), to = line.find(end);
        if (from == std::string_view::npos || to == std::string_view::npos || to < from)
            return std::string();
        const auto der = soap::fromBase64(line.substr(from + begin.size(), to - from - begin.size()), 64 * 1024);
        if (!der)
            return std::string();
        const std::string hex = soap::hexDigest("SHA256", *der);
        std::string out;
        for (std::size_t i = 0; i + 1 < hex.size(); i += 2) {
            if (!out.empty())
                out += ':';
            out += char(std::toupper(static_cast<unsigned char>(hex[i])));
            out += char(std::toupper(static_cast<unsigned char>(hex[i + 1])));
        }
        return out;
    }
    return std::string();
}

} // namespace

namespace {

Exchange attempt(const Target &target, const std::string &action, const std::string &body, const Credentials *credentials,
                 const ClientOptions &options, const std::atomic<bool> &cancel)
{
    Exchange exchange;
    if (!initCurl()) {
        exchange.curlCode = CURLE_FAILED_INIT;
        exchange.error = "the HTTP library cannot start";
        return exchange;
    }
    CURL *curl = curl_easy_init();
    if (!curl) {
        exchange.curlCode = CURLE_OUT_OF_MEMORY;
        exchange.error = "the HTTP library cannot start";
        return exchange;
    }
    Transfer transfer {&exchange, options.maxResponseBytes, 0, &cancel};
    const std::string contentType = "Content-Type: application/soap+xml; charset=utf-8; action=\"" + action + "\"";
    curl_slist *headers = curl_slist_append(nullptr, contentType.c_str());
    headers = curl_slist_append(headers, "Expect:");
    const std::string interface = "if!" + target.interfaceName;

    curl_easy_setopt(curl, CURLOPT_URL, target.xaddr.c_str());
    curl_easy_setopt(curl, CURLOPT_PROTOCOLS_STR, "http,https");
    curl_easy_setopt(curl, CURLOPT_NOPROXY, "*");
    curl_easy_setopt(curl, CURLOPT_FOLLOWLOCATION, 0L);
    curl_easy_setopt(curl, CURLOPT_NOSIGNAL, 1L);
    curl_easy_setopt(curl, CURLOPT_POST, 1L);
    curl_easy_setopt(curl, CURLOPT_POSTFIELDS, body.data());
    curl_easy_setopt(curl, CURLOPT_POSTFIELDSIZE_LARGE, curl_off_t(body.size()));
    curl_easy_setopt(curl, CURLOPT_HTTPHEADER, headers);
    curl_easy_setopt(curl, CURLOPT_CONNECTTIMEOUT_MS, long(options.connectTimeout.count()));
    curl_easy_setopt(curl, CURLOPT_TIMEOUT_MS, long(options.totalTimeout.count()));
    curl_easy_setopt(curl, CURLOPT_MAXFILESIZE_LARGE, curl_off_t(options.maxResponseBytes));
    curl_easy_setopt(curl, CURLOPT_WRITEFUNCTION, onBody);
    curl_easy_setopt(curl, CURLOPT_WRITEDATA, &transfer);
    curl_easy_setopt(curl, CURLOPT_HEADERFUNCTION, onHeader);
    curl_easy_setopt(curl, CURLOPT_HEADERDATA, &transfer);
    curl_easy_setopt(curl, CURLOPT_NOPROGRESS, 0L);
    curl_easy_setopt(curl, CURLOPT_XFERINFOFUNCTION, onProgress);
    curl_easy_setopt(curl, CURLOPT_XFERINFODATA, &transfer);
    curl_easy_setopt(curl, CURLOPT_ACCEPT_ENCODING, nullptr);
    if (!target.interfaceName.empty())
        curl_easy_setopt(curl, CURLOPT_INTERFACE, interface.c_str());
    // Devices carry certificates of their own making: nothing to verify against, so the
    // fingerprint is shown instead, for the user to compare.
    curl_easy_setopt(curl, CURLOPT_SSL_VERIFYPEER, 0L);
    curl_easy_setopt(curl, CURLOPT_SSL_VERIFYHOST, 0L);
    curl_easy_setopt(curl, CURLOPT_CERTINFO, 1L);
    if (credentials) {
        curl_easy_setopt(curl, CURLOPT_HTTPAUTH, long(CURLAUTH_DIGEST));
        curl_easy_setopt(curl, CURLOPT_USERNAME, credentials->user.c_str());
        curl_easy_setopt(curl, CURLOPT_PASSWORD, credentials->password.c_str());
    }

    const CURLcode code = curl_easy_perform(curl);
    exchange.curlCode = int(code);
    long status = 0;
    curl_easy_getinfo(curl, CURLINFO_RESPONSE_CODE, &status);
    exchange.status = int(status);
    if (code != CURLE_OK)
        exchange.error = curl_easy_strerror(code);
    if (target.xaddr.compare(0, 6, "https:") == 0)
        exchange.certificateSha256 = fingerprint(curl);
    curl_easy_cleanup(curl);
    curl_slist_free_all(headers);
    return exchange;
}

} // namespace

Exchange post(const Target &target, const std::string &action, const std::string &body, const Credentials *credentials,
              const ClientOptions &options, const std::atomic<bool> &cancel)
{
    // WS-Security first: HTTP Digest from the start would make libcurl send every request
    // twice, the first with an empty body that a WS-Security device rightly refuses.
    Exchange first = attempt(target, action, body, nullptr, options, cancel);
    if (!credentials || first.status != 401 || !first.digestOffered)
        return first;
    return attempt(target, action, body, credentials, options, cancel);
}

Status statusOf(const Exchange &exchange)
{
    Status s;
    s.httpStatus = exchange.status;
    s.certificateSha256 = exchange.certificateSha256;
    if (exchange.cancelled) {
        s.error = ErrorKind::Cancelled;
        s.message = "cancelled";
        return s;
    }
    if (exchange.tooLarge || exchange.curlCode == CURLE_FILESIZE_EXCEEDED) {
        s.error = ErrorKind::BadResponse;
        s.message = "the answer is larger than allowed";
        return s;
    }
    switch (exchange.curlCode) {
    case CURLE_OK:
        return s;
    case CURLE_OPERATION_TIMEDOUT:
        s.error = ErrorKind::Timeout;
        s.message = "no complete answer in time";
        return s;
    case CURLE_COULDNT_CONNECT:
    case CURLE_COULDNT_RESOLVE_HOST:
    case CURLE_INTERFACE_FAILED:
    case CURLE_SSL_CONNECT_ERROR:
        s.error = ErrorKind::Refused;
        s.message = "no connection: " + exchange.error;
        return s;
    case CURLE_URL_MALFORMAT:
    case CURLE_UNSUPPORTED_PROTOCOL:
        s.error = ErrorKind::InvalidArgument;
        s.message = "not a usable service address";
        return s;
    default:
        s.error = ErrorKind::BadResponse;
        s.message = exchange.error.empty() ? "the exchange failed" : exchange.error;
        return s;
    }
}

} // namespace tarn::onvif::http
