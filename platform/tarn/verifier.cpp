#include "verifier.h"

#include "core/log.h"
#include "core/seal.h"

namespace tarn {

namespace {

constexpr std::size_t kMaxVerifiedCertificates = 8192;
// Signatures checked per sender. A host with a thousand devices stays well inside; a flooding host
// is cut to this and leaves everyone else's share alone.
constexpr double kChecksPerSecond = 1000, kCheckBurst = 4000;
constexpr std::size_t kMaxSenders = 4096;
constexpr std::chrono::seconds kRefusalLogGap {10};

} // namespace

Verifier::Verifier() : m_checkBudget(kChecksPerSecond, kCheckBurst, kMaxSenders) {}

void Verifier::reset(std::vector<identity::TrustedMaker> makers)
{
    m_makers = std::move(makers);
    m_verified.clear();
    m_verifiedAge.clear();
    m_refusals = Refusals();
}

bool Verifier::signedBy(const wire::Signature &signature, const std::string &certificate, std::uint32_t source)
{
    if (!m_checkBudget.take(source, Clock::now())) {
        ++m_refusals.overBudget;
        return false;
    }
    if (!identity::signatureValid({signature.text, signature.bytes}, identity::certifiedKey(certificate))) {
        ++m_refusals.badSignature;
        return false;
    }
    return true;
}

bool Verifier::verified(const std::string &certificate, const std::string &serial, const std::string &mac,
                        const wire::Signature &signature, std::uint32_t source)
{
    std::string named;
    seal::appendField(named, serial);
    named += mac;
    const auto known = m_verified.find(certificate);
    if (known != m_verified.end() && known->second != named) {
        // The maker's signature covers one serial and MAC: this is a known device's certificate
        // copied into someone else's message. No check needed, so none is charged.
        ++m_refusals.untrusted;
        return false;
    }
    if (known == m_verified.end()) {
        if (!m_checkBudget.take(source, Clock::now())) {
            ++m_refusals.overBudget;
            return false;
        }
        bool trusted = false;
        for (const identity::TrustedMaker &maker : m_makers)
            trusted = trusted || identity::certificateValid(certificate, serial, mac, maker.publicKey);
        if (!trusted) {
            ++m_refusals.untrusted;
            return false;
        }
        if (m_verifiedAge.size() >= kMaxVerifiedCertificates) {
            m_verified.erase(m_verifiedAge.front());
            m_verifiedAge.pop_front();
        }
        m_verified.emplace(certificate, named);
        m_verifiedAge.push_back(certificate);
    }
    return signedBy(signature, certificate, source);
}

void Verifier::logRefusals(Clock::time_point now)
{
    const Refusals &r = m_refusals;
    const std::uint64_t total = r.untrusted + r.badSignature + r.overBudget;
    if (total == r.logged || (r.logged != 0 && now - m_lastRefusalLog < kRefusalLogGap))
        return;
    log::write(log::Warning, "refused %llu announcements or challenges so far: %llu without a certificate from a "
               "trusted maker for their serial and MAC, %llu not signed by the certified key, %llu over a sender's "
               "budget (%llu copies or replays ignored)",
               static_cast<unsigned long long>(total), static_cast<unsigned long long>(r.untrusted),
               static_cast<unsigned long long>(r.badSignature), static_cast<unsigned long long>(r.overBudget),
               static_cast<unsigned long long>(r.stale));
    m_refusals.logged = total;
    m_lastRefusalLog = now;
}

} // namespace tarn
