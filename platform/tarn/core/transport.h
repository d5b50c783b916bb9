#pragma once

// Link-local multicast on the chosen interfaces. Everything goes to the group with TTL 1; nothing
// is ever sent to a unicast address, so no device can be made to reflect traffic at a third party.

#include <atomic>
#include <cstdint>
#include <functional>
#include <string>
#include <string_view>
#include <vector>

#include <netinet/in.h>

namespace tarn::net {

constexpr const char *GroupAddress = "224.0.0.147";
constexpr std::uint16_t Port = 37370;
constexpr int ReceiveBufferBytes = 4 * 1024 * 1024;

struct Interface
{
    std::string name;
    int index = 0;
    in_addr address {};
    bool loopback = false;
};

// The interfaces named in TARN_IFACES (comma-separated), or else every interface that is up, has
// an IPv4 address and takes multicast. Empty with `error` set when none qualifies.
std::vector<Interface> selectInterfaces(std::string *error);

class Transport
{
public:
    Transport() = default;
    ~Transport();
    Transport(const Transport &) = delete;
    Transport &operator=(const Transport &) = delete;

    // With `linkLayer`, datagrams are also taken at the link layer where the process may, so that
    // the reverse-path filter cannot drop answers from devices in foreign subnets.
    bool open(bool linkLayer, std::string *error);
    void close();
    bool isOpen() const { return m_udp >= 0; }

    // To the group on every interface; true if it went out on at least one.
    bool sendAll(const std::string &datagram);
    bool send(int interfaceIndex, const std::string &datagram);

    // `source` is the sender's IPv4 address (network byte order), which work budgets are kept by.
    // The datagram is valid during the call only: a receiver that drops it unread copies nothing.
    using Handler = std::function<void(std::string_view datagram, int interfaceIndex, std::uint32_t source)>;
    // Waits at most `timeoutMs` for traffic, hands over every datagram that is waiting, and returns.
    void poll(int timeoutMs, const Handler &handler);
    // Makes a poll() in another thread return at once.
    void wake();

    bool linkLayerActive() const { return !m_packet.empty(); }
    const std::vector<Interface> &interfaces() const { return m_interfaces; }
    std::uint64_t droppedDatagrams() const { return m_dropped.load(); }

private:
    void readUdp(const Handler &handler);
    void readPacket(int fd, int interfaceIndex, bool loopback, const Handler &handler);

    std::vector<Interface> m_interfaces;
    std::vector<int> m_send;                  // one per interface, same order
    struct LinkSocket
    {
        int fd;
        int interfaceIndex;
        bool loopback;
    };
    std::vector<LinkSocket> m_packet;
    int m_udp = -1;
    int m_wake[2] = {-1, -1};
    std::atomic<std::uint64_t> m_dropped{0};
};

} // namespace tarn::net
