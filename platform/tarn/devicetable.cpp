#include "devicetable.h"

#include <set>

#include <arpa/inet.h>

#include "core/log.h"
#include "tarn.h"

namespace tarn {

namespace {

constexpr std::chrono::milliseconds kGrace {2000};  // beyond three missed announcements
constexpr std::size_t kMaxDevices = 65536;
// Departed devices remembered; the oldest are forgotten first.
constexpr std::size_t kMaxDeparted = 65536;

bool passesStrictFilter(const wire::Device &d)
{
    in_addr a {};
    return !d.serial.empty() && !wire::normaliseMac(d.mac).empty() && inet_pton(AF_INET, d.ip.c_str(), &a) == 1;
}

// Announcements of one device are ordered by boot, then sequence; anything not newer than the
// last accepted is a copy, a replay or a late duplicate.
std::uint64_t order(std::uint32_t boot, std::uint32_t seq)
{
    return std::uint64_t(boot) << 32 | seq;
}

} // namespace

DeviceTable::DeviceTable(Verifier &verifier, Emit emit) : m_verifier(verifier), m_emit(std::move(emit)) {}

void DeviceTable::reset()
{
    m_devices.clear();
    m_departed.clear();
    m_departedAge.clear();
}

void DeviceTable::clear()
{
    m_devices.clear();
}

void DeviceTable::departAll()
{
    for (const auto &entry : m_devices)
        depart(entry.first, entry.second.order);
    m_devices.clear();
}

bool DeviceTable::isStale(const Key &key, std::uint64_t order) const
{
    const auto known = m_devices.find(key);
    if (known != m_devices.end())
        return order <= known->second.order;
    const auto departed = m_departed.find(key);
    return departed != m_departed.end() && order <= departed->second.first;
}

void DeviceTable::forgetDeparture(const Key &key)
{
    const auto old = m_departed.find(key);
    if (old != m_departed.end()) {
        m_departedAge.erase(old->second.second);
        m_departed.erase(old);
    }
}

void DeviceTable::depart(const Key &key, std::uint64_t order)
{
    forgetDeparture(key);
    if (m_departed.size() >= kMaxDeparted) {
        m_departed.erase(m_departedAge.begin()->second);
        m_departedAge.erase(m_departedAge.begin());
    }
    m_departed.emplace(key, std::make_pair(order, m_departures));
    m_departedAge.emplace(m_departures++, key);
}

bool DeviceTable::onHello(const wire::Hello &hello, std::uint32_t source, bool strict)
{
    const Key key = Key::canonical(hello.device.serial, hello.device.mac);
    const std::string &mac = key.mac();
    if (mac.empty())
        return true;
    if (strict && !passesStrictFilter(hello.device))
        return false;
    const std::uint64_t helloOrder = order(hello.boot, hello.seq);
    // Copies, replays and duplicates from a second interface are dropped before any signature check.
    if (isStale(key, helloOrder)) {
        ++m_verifier.refusals().stale;
        return true;
    }
    auto it = m_devices.find(key);
    const bool sameCertificate = it != m_devices.end() && it->second.certificate == hello.certificate;
    if (!(sameCertificate ? m_verifier.signedBy(hello.signature, hello.certificate, source)
                          : m_verifier.verified(hello.certificate, hello.device.serial, mac, hello.signature, source)))
        return true;
    if (it == m_devices.end()) {
        if (m_devices.size() >= kMaxDevices) {
            // Only certified devices get here, so this is a network of that size, not a flood.
            if (m_tableFull++ % 1000 == 0)
                log::write(log::Warning, "device table full (%zu devices); new devices are ignored", m_devices.size());
            return false;
        }
        forgetDeparture(key);
        Known k;
        k.device = hello.device;
        k.certificate = hello.certificate;
        k.order = helloOrder;
        k.intervalS = hello.intervalS;
        k.lastSeen = Clock::now();
        m_devices.emplace(key, k);
        log::write(log::Debug, "online: %s %s %s", hello.device.serial.c_str(), hello.device.mac.c_str(),
                   hello.device.ip.c_str());
        m_emit(hello.device, TARN_EVENT_ONLINE);
        return true;
    }
    Known &k = it->second;
    k.lastSeen = Clock::now();
    k.intervalS = hello.intervalS;
    k.order = helloOrder;
    k.certificate = hello.certificate;
    if (k.device != hello.device) {
        k.device = hello.device;
        m_emit(hello.device, TARN_EVENT_UPDATE);
    }
    return true;
}

void DeviceTable::onBye(const wire::Bye &bye, std::uint32_t source)
{
    const Key key = Key::canonical(bye.serial, bye.mac);
    if (key.mac().empty())
        return;
    const auto it = m_devices.find(key);
    if (it == m_devices.end())
        return;
    const std::uint64_t byeOrder = order(bye.boot, bye.seq);
    if (byeOrder <= it->second.order) {
        ++m_verifier.refusals().stale;
        return;
    }
    if (!m_verifier.signedBy(bye.signature, it->second.certificate, source))
        return;
    m_emit(it->second.device, TARN_EVENT_OFFLINE);
    depart(key, byeOrder);
    m_devices.erase(it);
}

void DeviceTable::expire(Clock::time_point now)
{
    for (auto it = m_devices.begin(); it != m_devices.end();) {
        const Known &k = it->second;
        if (now - k.lastSeen > std::chrono::seconds(3 * k.intervalS) + kGrace) {
            log::write(log::Debug, "offline after %u s of silence: %s", 3 * k.intervalS, k.device.mac.c_str());
            m_emit(k.device, TARN_EVENT_OFFLINE);
            depart(it->first, k.order);
            it = m_devices.erase(it);
        } else {
            ++it;
        }
    }
}

std::string DeviceTable::knownMacs(std::size_t max) const
{
    std::string known;
    std::set<std::string> named;
    for (const auto &entry : m_devices) {
        if (named.size() == max)
            break;
        if (named.insert(entry.first.mac()).second)
            known += entry.first.mac();
    }
    return known;
}

} // namespace tarn
