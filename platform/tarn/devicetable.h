#pragma once

// The devices the library knows: arrivals, updates and departures from signed announcements, in
// the order each device announced them, and expiry of devices that fell silent. Devices that left
// keep their last order, so a replay of their announcements cannot bring them back. A device is
// its serial and MAC together: a certified announcement with a known MAC and another serial is
// another device, and the one that had the MAC leaves by its goodbye or by expiry. Not
// thread-safe: the library calls it under its lock.

#include <cstdint>
#include <functional>
#include <map>
#include <string>
#include <utility>

#include "core/wire.h"
#include "tarn_identity.h"
#include "verifier.h"

namespace tarn {

class DeviceTable
{
public:
    // Receives ONLINE, UPDATE and OFFLINE events, under the caller's lock.
    using Emit = std::function<void(const wire::Device &device, int eventType)>;

    DeviceTable(Verifier &verifier, Emit emit);

    // Forgets devices and departures alike: a fresh start.
    void reset();
    // Forgets the devices only.
    void clear();
    // Every device departs with its order, so an old announcement replayed later is still old.
    void departAll();

    // `strict`: devices with an empty serial, a malformed MAC or IPv4 address are ignored. False
    // when the announcement was turned away only for now (by that filter, or a full table), so that
    // a copy of it must not be taken for one already dealt with.
    bool onHello(const wire::Hello &hello, std::uint32_t source, bool strict);
    void onBye(const wire::Bye &bye, std::uint32_t source);
    // Devices silent for three announcement intervals and a grace go offline.
    void expire(Clock::time_point now);

    // Normalised MACs of known devices, each once, concatenated, at most `max` of them: what an
    // inquiry names.
    std::string knownMacs(std::size_t max) const;
    std::size_t size() const { return m_devices.size(); }

private:
    using Key = DeviceIdentity;

    struct Known
    {
        wire::Device device;
        std::string certificate;  // verified for the device's serial and MAC
        std::uint64_t order = 0;
        std::uint32_t intervalS = 20;
        Clock::time_point lastSeen;
    };

    bool isStale(const Key &key, std::uint64_t order) const;
    void depart(const Key &key, std::uint64_t order);
    void forgetDeparture(const Key &key);

    Verifier &m_verifier;
    Emit m_emit;
    std::map<Key, Known> m_devices;
    // Last order of devices that left (key -> order, insertion number), oldest first out.
    std::map<Key, std::pair<std::uint64_t, std::uint64_t>> m_departed;
    std::map<std::uint64_t, Key> m_departedAge;
    std::uint64_t m_departures = 0;
    std::uint64_t m_tableFull = 0;
};

} // namespace tarn
