#pragma once

// One SOAP exchange over HTTP(S) with libcurl: POST, capped in size and time, HTTP Digest only
// when the device asks for it, no proxy, no redirects, on one named interface.

#include <atomic>
#include <string>

#include "onvif.h"

namespace tarn::onvif::http {

struct Exchange
{
    int curlCode = 0;
    int status = 0;
    std::string body;
    bool tooLarge = false;
    bool digestOffered = false;  // a 401 that names HTTP Digest
    bool cancelled = false;
    std::string certificateSha256;
    std::string error;  // curl's words, for the message
};

Exchange post(const Target &target, const std::string &action, const std::string &body, const Credentials *credentials,
              const ClientOptions &options, const std::atomic<bool> &cancel);

// What an exchange that failed below SOAP means for the caller.
Status statusOf(const Exchange &exchange);

} // namespace tarn::onvif::http
