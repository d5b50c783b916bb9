#pragma once

// Who a device is, for every table that holds devices: the library's, the application's store and
// its table model. A C++ header beside the C interface; it needs nothing but the standard library.

#include <cctype>
#include <cstddef>
#include <functional>
#include <string>
#include <utility>

namespace tarn {

// A MAC address as 12 lower-case hex digits, whatever separators and case it was written with;
// empty when the text is not a MAC address.
inline std::string canonicalMac(const std::string &mac)
{
    std::string out;
    for (char c : mac) {
        if (c == ':' || c == '-' || c == '.')
            continue;
        if (!std::isxdigit(static_cast<unsigned char>(c)) || out.size() == 12)
            return std::string();
        out += static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    }
    return out.size() == 12 ? out : std::string();
}

// The pair (serial number, MAC address), compared as exact, case-sensitive text. The application
// keeps the texts as the device sent them; the library, which hears one device in several
// spellings, builds its identities from canonicalMac() so that they name it once.
class DeviceIdentity
{
public:
    DeviceIdentity() = default;
    DeviceIdentity(std::string serial, std::string mac) : m_serial(std::move(serial)), m_mac(std::move(mac)) {}
    static DeviceIdentity canonical(const std::string &serial, const std::string &mac)
    {
        return DeviceIdentity(serial, canonicalMac(mac));
    }

    const std::string &serial() const { return m_serial; }
    const std::string &mac() const { return m_mac; }
    bool empty() const { return m_serial.empty() && m_mac.empty(); }

    // One byte string per identity. Field texts cannot hold a NUL, so the separator is unambiguous.
    std::string key() const { return m_serial + '\0' + m_mac; }

    bool operator==(const DeviceIdentity &o) const { return m_serial == o.m_serial && m_mac == o.m_mac; }
    bool operator!=(const DeviceIdentity &o) const { return !(*this == o); }
    bool operator<(const DeviceIdentity &o) const
    {
        return m_serial != o.m_serial ? m_serial < o.m_serial : m_mac < o.m_mac;
    }

private:
    std::string m_serial;
    std::string m_mac;
};

struct DeviceIdentityHash
{
    std::size_t operator()(const DeviceIdentity &id) const
    {
        const std::size_t h = std::hash<std::string>()(id.serial());
        return h ^ (std::hash<std::string>()(id.mac()) + 0x9e3779b97f4a7c15ULL + (h << 6) + (h >> 2));
    }
};

} // namespace tarn
