#pragma once

// Whether a device proved who it is: a certificate from a trusted maker binding its key to its
// serial and MAC, and a signature by that key. Each check costs a signature, so every sender has a
// budget of them; certificates that verified are remembered with the serial and MAC they name, so
// a copy of one for another serial or MAC is refused without a check. Not thread-safe: the library
// calls it under its lock.

#include <chrono>
#include <cstdint>
#include <deque>
#include <map>
#include <string>
#include <vector>

#include "core/budget.h"
#include "core/identity.h"
#include "core/wire.h"

namespace tarn {

using Clock = std::chrono::steady_clock;

// Why announcements and challenges were refused, for the log.
struct Refusals
{
    std::uint64_t untrusted = 0;    // no certificate from a trusted maker for that serial and MAC
    std::uint64_t badSignature = 0; // not signed by the certified key
    std::uint64_t overBudget = 0;   // the sender exceeded its share of work
    std::uint64_t stale = 0;        // copies, replays, late duplicates
    std::uint64_t logged = 0;       // the first three, summed, when last logged
};

class Verifier
{
public:
    Verifier();

    // A fresh start: these makers, nothing checked yet, nothing refused.
    void reset(std::vector<identity::TrustedMaker> makers);

    // Certificate and signature checks, under the sender's budget; the certificate check is cached.
    bool verified(const std::string &certificate, const std::string &serial, const std::string &mac,
                  const wire::Signature &signature, std::uint32_t source);
    // The signature alone, for a certificate already verified.
    bool signedBy(const wire::Signature &signature, const std::string &certificate, std::uint32_t source);

    Refusals &refusals() { return m_refusals; }
    // At most every few seconds, and only when something new was refused.
    void logRefusals(Clock::time_point now);

private:
    std::vector<identity::TrustedMaker> m_makers;
    std::map<std::string, std::string> m_verified;  // certificate -> the serial and MAC it was verified for
    std::deque<std::string> m_verifiedAge;
    SenderBudget m_checkBudget;
    Refusals m_refusals;
    Clock::time_point m_lastRefusalLog;
};

} // namespace tarn
