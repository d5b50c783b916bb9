#pragma once

// Listens to the discovery group on the loopback interface and keeps every datagram, as a packet
// capture would; can also put a captured datagram back on the wire.
#include <atomic>
#include <chrono>
#include <functional>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include <arpa/inet.h>
#include <net/if.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include "tarn_identity.h"

// The tap and the library receive each datagram side by side: a check that what the tap has seen
// changed nothing in the library gives the library this long to handle it.
constexpr int kTapLeadMs = 200;

class WireTap
{
public:
    // With an `observer`, the tap hands each datagram to it on the tap's own thread as it arrives
    // and keeps none: for an attacker that reacts to what it hears as fast as it can, and for
    // counting under floods.
    explicit WireTap(std::function<void(const std::string &)> observer = {}) : m_observer(std::move(observer))
    {
        m_socket = socket(AF_INET, SOCK_DGRAM | SOCK_CLOEXEC, 0);
        const int one = 1, buffer = 4 * 1024 * 1024;  // as the library's: floods must not make it miss things
        setsockopt(m_socket, SOL_SOCKET, SO_REUSEADDR, &one, sizeof one);
        if (setsockopt(m_socket, SOL_SOCKET, SO_RCVBUFFORCE, &buffer, sizeof buffer) != 0)
            setsockopt(m_socket, SOL_SOCKET, SO_RCVBUF, &buffer, sizeof buffer);
        sockaddr_in at {};
        at.sin_family = AF_INET;
        at.sin_port = htons(37370);
        inet_pton(AF_INET, "224.0.0.147", &at.sin_addr);
        m_ok = bind(m_socket, reinterpret_cast<sockaddr *>(&at), sizeof at) == 0;
        ip_mreqn join {};
        join.imr_multiaddr = at.sin_addr;
        join.imr_ifindex = int(if_nametoindex("lo"));
        m_ok = m_ok && setsockopt(m_socket, IPPROTO_IP, IP_ADD_MEMBERSHIP, &join, sizeof join) == 0;
        m_thread = std::thread([this] { run(); });
    }

    ~WireTap()
    {
        m_stop = true;
        m_thread.join();
        close(m_socket);
    }

    bool ok() const { return m_ok; }

    std::vector<std::string> datagrams() const
    {
        std::lock_guard<std::mutex> lock(m_mutex);
        return m_datagrams;
    }

    // When each datagram arrived, in the same order.
    std::vector<std::chrono::steady_clock::time_point> arrivals() const
    {
        std::lock_guard<std::mutex> lock(m_mutex);
        return m_arrivals;
    }

    // The datagrams of one kind (the "t" field: "hello", "inq", "chq", "op", ...) seen so far; with
    // `mac`, only those naming that device, compared without case or separators.
    int count(const std::string &kind, const std::string &mac = std::string()) const
    {
        const std::string tag = "\"t\":\"" + kind + "\"";
        const std::string wanted = tarn::canonicalMac(mac);
        int n = 0;
        for (const std::string &d : datagrams()) {
            if (d.find(tag) != std::string::npos
                && (mac.empty() || (!wanted.empty() && tarn::canonicalMac(macOf(d)) == wanted)))
                ++n;
        }
        return n;
    }

    // Announcements per device so far: a mark to wait from for each device's next announcement.
    std::vector<int> announcements(const std::vector<std::string> &macs) const
    {
        std::vector<int> mark;
        for (const std::string &mac : macs)
            mark.push_back(count("hello", mac));
        return mark;
    }

    // True once every device of `macs` has announced itself again since `mark` was taken.
    bool announcedSince(const std::vector<std::string> &macs, const std::vector<int> &mark) const
    {
        for (std::size_t i = 0; i < macs.size(); ++i) {
            if (i >= mark.size() || count("hello", macs[i]) <= mark[i])
                return false;
        }
        return true;
    }

    // Sends a datagram to the group on the loopback interface only.
    bool replay(const std::string &datagram) const
    {
        const int fd = socket(AF_INET, SOCK_DGRAM | SOCK_CLOEXEC, 0);
        ip_mreqn out {};
        out.imr_ifindex = int(if_nametoindex("lo"));
        const unsigned char ttl = 1;
        setsockopt(fd, IPPROTO_IP, IP_MULTICAST_IF, &out, sizeof out);
        setsockopt(fd, IPPROTO_IP, IP_MULTICAST_TTL, &ttl, sizeof ttl);
        sockaddr_in to {};
        to.sin_family = AF_INET;
        to.sin_port = htons(37370);
        inet_pton(AF_INET, "224.0.0.147", &to.sin_addr);
        const bool sent = sendto(fd, datagram.data(), datagram.size(), 0, reinterpret_cast<sockaddr *>(&to), sizeof to)
            == ssize_t(datagram.size());
        close(fd);
        return sent;
    }

private:
    // The first "mac" field of a datagram; announcements carry one, the device's.
    static std::string macOf(const std::string &datagram)
    {
        static const std::string key = "\"mac\":\"";
        const std::size_t at = datagram.find(key);
        if (at == std::string::npos)
            return std::string();
        const std::size_t begin = at + key.size();
        const std::size_t end = datagram.find('"', begin);
        return end == std::string::npos ? std::string() : datagram.substr(begin, end - begin);
    }

    void run()
    {
        char buffer[2048];
        while (!m_stop) {
            pollfd p {m_socket, POLLIN, 0};
            if (poll(&p, 1, 100) <= 0)
                continue;
            const ssize_t n = recv(m_socket, buffer, sizeof buffer, 0);
            if (n <= 0)
                continue;
            const std::string datagram(buffer, std::size_t(n));
            if (m_observer) {
                m_observer(datagram);
                continue;
            }
            std::lock_guard<std::mutex> lock(m_mutex);
            m_datagrams.push_back(datagram);
            m_arrivals.push_back(std::chrono::steady_clock::now());
        }
    }

    const std::function<void(const std::string &)> m_observer;
    int m_socket = -1;
    bool m_ok = false;
    std::atomic<bool> m_stop {false};
    std::thread m_thread;
    mutable std::mutex m_mutex;
    std::vector<std::string> m_datagrams;
    std::vector<std::chrono::steady_clock::time_point> m_arrivals;
};
