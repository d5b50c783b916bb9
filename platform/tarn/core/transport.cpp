#include "transport.h"

#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <sstream>
#include <vector>

#include <arpa/inet.h>
#include <fcntl.h>
#include <ifaddrs.h>
#include <linux/filter.h>
#include <linux/if_ether.h>
#include <linux/if_packet.h>
#include <net/if.h>
#include <netinet/ip.h>
#include <netinet/udp.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include "log.h"

namespace tarn::net {

namespace {

in_addr groupAddress()
{
    in_addr a {};
    inet_pton(AF_INET, GroupAddress, &a);
    return a;
}

std::vector<std::string> splitNames(const char *list)
{
    std::vector<std::string> names;
    std::stringstream in(list);
    std::string name;
    while (std::getline(in, name, ',')) {
        while (!name.empty() && name.front() == ' ')
            name.erase(name.begin());
        while (!name.empty() && name.back() == ' ')
            name.pop_back();
        if (!name.empty())
            names.push_back(name);
    }
    return names;
}

void setReceiveBuffer(int fd, const char *what)
{
    int size = ReceiveBufferBytes;
    // The forcing variant passes net.core.rmem_max when the process may; otherwise ask politely.
    if (setsockopt(fd, SOL_SOCKET, SO_RCVBUFFORCE, &size, sizeof size) != 0)
        setsockopt(fd, SOL_SOCKET, SO_RCVBUF, &size, sizeof size);
    int actual = 0;
    socklen_t len = sizeof actual;
    getsockopt(fd, SOL_SOCKET, SO_RCVBUF, &actual, &len);
    if (actual / 2 < ReceiveBufferBytes) {  // the kernel reports twice what it grants
        static std::atomic<bool> said{false};
        if (!said.exchange(true))
            log::write(log::Warning, "%s receive buffer is %d bytes, less than %d; answers from many devices may be lost. Fix: sysctl -w net.core.rmem_max=%d",
                       what, actual / 2, ReceiveBufferBytes, ReceiveBufferBytes * 2);
    }
}

int readRpFilter(const std::string &name)
{
    std::ifstream in("/proc/sys/net/ipv4/conf/" + name + "/rp_filter");
    int value = 0;
    in >> value;
    return value;
}

// Accept only UDP datagrams to the group and port; classic BPF over the IPv4 header.
bool attachFilter(int fd)
{
    const std::uint32_t group = ntohl(groupAddress().s_addr);
    sock_filter code[] = {
        BPF_STMT(BPF_LD | BPF_B | BPF_ABS, 9),               // protocol
        BPF_JUMP(BPF_JMP | BPF_JEQ | BPF_K, IPPROTO_UDP, 0, 8),
        BPF_STMT(BPF_LD | BPF_W | BPF_ABS, 16),              // destination address
        BPF_JUMP(BPF_JMP | BPF_JEQ | BPF_K, group, 0, 6),
        BPF_STMT(BPF_LD | BPF_H | BPF_ABS, 6),               // fragment bits and offset
        BPF_JUMP(BPF_JMP | BPF_JSET | BPF_K, 0x3fff, 4, 0),  // any fragment: drop
        BPF_STMT(BPF_LDX | BPF_B | BPF_MSH, 0),              // X = header length
        BPF_STMT(BPF_LD | BPF_H | BPF_IND, 2),               // UDP destination port
        BPF_JUMP(BPF_JMP | BPF_JEQ | BPF_K, Port, 0, 1),
        BPF_STMT(BPF_RET | BPF_K, 0xffff),
        BPF_STMT(BPF_RET | BPF_K, 0),
    };
    sock_fprog program {static_cast<unsigned short>(sizeof code / sizeof code[0]), code};
    return setsockopt(fd, SOL_SOCKET, SO_ATTACH_FILTER, &program, sizeof program) == 0;
}

} // namespace

std::vector<Interface> selectInterfaces(std::string *error)
{
    std::vector<Interface> result;
    const char *env = std::getenv("TARN_IFACES");
    const std::vector<std::string> wanted = env && *env ? splitNames(env) : std::vector<std::string>();

    ifaddrs *list = nullptr;
    if (getifaddrs(&list) != 0) {
        if (error)
            *error = std::string("cannot list interfaces: ") + std::strerror(errno);
        return result;
    }
    for (ifaddrs *ifa = list; ifa; ifa = ifa->ifa_next) {
        if (!ifa->ifa_addr || ifa->ifa_addr->sa_family != AF_INET || !(ifa->ifa_flags & IFF_UP))
            continue;
        const std::string name = ifa->ifa_name;
        bool named = false;
        for (const std::string &w : wanted)
            named = named || w == name;
        if (!wanted.empty() && !named)
            continue;
        // Unnamed interfaces must take multicast; loopback only when asked for by name.
        if (wanted.empty() && (!(ifa->ifa_flags & IFF_MULTICAST) || (ifa->ifa_flags & IFF_LOOPBACK)))
            continue;
        bool seen = false;
        for (const Interface &i : result)
            seen = seen || i.name == name;
        if (seen)
            continue;  // the first IPv4 address of an interface is enough
        Interface i;
        i.name = name;
        i.index = static_cast<int>(if_nametoindex(ifa->ifa_name));
        i.address = reinterpret_cast<sockaddr_in *>(ifa->ifa_addr)->sin_addr;
        i.loopback = ifa->ifa_flags & IFF_LOOPBACK;
        if (i.index > 0)
            result.push_back(i);
    }
    freeifaddrs(list);
    if (result.empty() && error) {
        *error = wanted.empty() ? "no interface is up with an IPv4 address and multicast"
                                : std::string("none of the interfaces in TARN_IFACES (") + env + ") is up with an IPv4 address";
    }
    return result;
}

Transport::~Transport()
{
    close();
}

bool Transport::open(bool linkLayer, std::string *error)
{
    close();
    m_interfaces = selectInterfaces(error);
    if (m_interfaces.empty())
        return false;

    auto fail = [&](const std::string &what) {
        if (error)
            *error = what + ": " + std::strerror(errno);
        close();
        return false;
    };

    if (pipe2(m_wake, O_NONBLOCK | O_CLOEXEC) != 0)
        return fail("wake pipe");

    m_udp = socket(AF_INET, SOCK_DGRAM | SOCK_NONBLOCK | SOCK_CLOEXEC, 0);
    if (m_udp < 0)
        return fail("socket");
    const int one = 1, zero = 0;
    setsockopt(m_udp, SOL_SOCKET, SO_REUSEADDR, &one, sizeof one);
    setsockopt(m_udp, IPPROTO_IP, IP_PKTINFO, &one, sizeof one);
    // Only groups joined by this socket, on the interfaces it joined them on.
    setsockopt(m_udp, IPPROTO_IP, IP_MULTICAST_ALL, &zero, sizeof zero);
    setReceiveBuffer(m_udp, "UDP");
    sockaddr_in bindAddress {};
    bindAddress.sin_family = AF_INET;
    bindAddress.sin_port = htons(Port);
    bindAddress.sin_addr = groupAddress();
    if (bind(m_udp, reinterpret_cast<sockaddr *>(&bindAddress), sizeof bindAddress) != 0)
        return fail("bind to the discovery port");

    for (const Interface &i : m_interfaces) {
        ip_mreqn join {};
        join.imr_multiaddr = groupAddress();
        join.imr_ifindex = i.index;
        if (setsockopt(m_udp, IPPROTO_IP, IP_ADD_MEMBERSHIP, &join, sizeof join) != 0)
            log::write(log::Warning, "cannot join the discovery group on %s: %s", i.name.c_str(), std::strerror(errno));

        const int fd = socket(AF_INET, SOCK_DGRAM | SOCK_NONBLOCK | SOCK_CLOEXEC, 0);
        if (fd < 0)
            return fail("socket");
        m_send.push_back(fd);
        ip_mreqn out {};
        out.imr_ifindex = i.index;
        const unsigned char ttl = 1, loop = 1;
        if (setsockopt(fd, IPPROTO_IP, IP_MULTICAST_IF, &out, sizeof out) != 0
            || setsockopt(fd, IPPROTO_IP, IP_MULTICAST_TTL, &ttl, sizeof ttl) != 0
            || setsockopt(fd, IPPROTO_IP, IP_MULTICAST_LOOP, &loop, sizeof loop) != 0)
            return fail("multicast options on " + i.name);
        // Bind to the interface too, so a datagram can never leave through another one.
        if (setsockopt(fd, SOL_SOCKET, SO_BINDTODEVICE, i.name.c_str(), socklen_t(i.name.size())) != 0
            && errno != EPERM)
            return fail("bind to " + i.name);
    }

    if (linkLayer) {
        for (const Interface &i : m_interfaces) {
            // Protocol 0 takes in nothing until the filter is on and the socket bound to its interface.
            const int fd = socket(AF_PACKET, SOCK_DGRAM | SOCK_NONBLOCK | SOCK_CLOEXEC, 0);
            if (fd < 0) {
                const int rp = readRpFilter(i.name) | readRpFilter("all");
                log::write(log::Warning,
                           "link-layer receive is not permitted (%s); answers from devices in foreign subnets%s. "
                           "Fix: give the program CAP_NET_RAW (setcap cap_net_raw+ep PROGRAM), or set "
                           "net.ipv4.conf.%s.rp_filter=0",
                           std::strerror(errno),
                           rp ? " will be dropped by the reverse-path filter" : " may be dropped by the reverse-path filter",
                           i.name.c_str());
                for (auto &p : m_packet)
                    ::close(p.fd);
                m_packet.clear();
                break;
            }
            sockaddr_ll at {};
            at.sll_family = AF_PACKET;
            at.sll_protocol = htons(ETH_P_IP);
            at.sll_ifindex = i.index;
            if (!attachFilter(fd) || bind(fd, reinterpret_cast<sockaddr *>(&at), sizeof at) != 0) {
                ::close(fd);
                return fail("link-layer socket on " + i.name);
            }
            setReceiveBuffer(fd, "link-layer");
            char drain[64];
            while (recv(fd, drain, sizeof drain, MSG_DONTWAIT) >= 0) {
            }
            m_packet.push_back(LinkSocket {fd, i.index, i.loopback});
        }
        if (!m_packet.empty()) {
            // The UDP socket now only keeps the group joined; the least buffer the kernel allows
            // means a flood costs us no reads there.
            const int least = 0;
            setsockopt(m_udp, SOL_SOCKET, SO_RCVBUF, &least, sizeof least);
        }
    }
    for (const Interface &i : m_interfaces)
        log::write(log::Info, "discovery on %s (index %d)%s", i.name.c_str(), i.index,
                   m_packet.empty() ? "" : ", link-layer receive");
    return true;
}

void Transport::close()
{
    for (int fd : m_send)
        ::close(fd);
    m_send.clear();
    for (auto &p : m_packet)
        ::close(p.fd);
    m_packet.clear();
    if (m_udp >= 0)
        ::close(m_udp);
    m_udp = -1;
    for (int &fd : m_wake) {
        if (fd >= 0)
            ::close(fd);
        fd = -1;
    }
    m_interfaces.clear();
}

bool Transport::send(int interfaceIndex, const std::string &datagram)
{
    for (std::size_t k = 0; k < m_interfaces.size() && k < m_send.size(); ++k) {
        if (m_interfaces[k].index != interfaceIndex)
            continue;
        sockaddr_in to {};
        to.sin_family = AF_INET;
        to.sin_port = htons(Port);
        to.sin_addr = groupAddress();
        return sendto(m_send[k], datagram.data(), datagram.size(), 0, reinterpret_cast<sockaddr *>(&to), sizeof to)
            == ssize_t(datagram.size());
    }
    return false;
}

bool Transport::sendAll(const std::string &datagram)
{
    bool any = false;
    for (const Interface &i : m_interfaces)
        any = send(i.index, datagram) || any;
    return any;
}

void Transport::wake()
{
    if (m_wake[1] >= 0) {
        const char c = 1;
        [[maybe_unused]] ssize_t n = ::write(m_wake[1], &c, 1);
    }
}

void Transport::poll(int timeoutMs, const Handler &handler)
{
    std::vector<pollfd> fds;
    fds.push_back({m_wake[0], POLLIN, 0});
    fds.push_back({m_udp, POLLIN, 0});
    for (auto &p : m_packet)
        fds.push_back({p.fd, POLLIN, 0});
    if (::poll(fds.data(), fds.size(), timeoutMs) <= 0)
        return;
    if (fds[0].revents) {
        char buf[64];
        while (::read(m_wake[0], buf, sizeof buf) > 0) {
        }
    }
    if (fds[1].revents)
        readUdp(handler);
    for (std::size_t k = 0; k < m_packet.size(); ++k) {
        if (fds[k + 2].revents)
            readPacket(m_packet[k].fd, m_packet[k].interfaceIndex, m_packet[k].loopback, handler);
    }
}

void Transport::readUdp(const Handler &handler)
{
    char buffer[2048];
    char control[256];
    for (int n = 0; n < 4096; ++n) {
        iovec iov {buffer, sizeof buffer};
        sockaddr_in from {};
        msghdr msg {};
        msg.msg_name = &from;
        msg.msg_namelen = sizeof from;
        msg.msg_iov = &iov;
        msg.msg_iovlen = 1;
        msg.msg_control = control;
        msg.msg_controllen = sizeof control;
        const ssize_t got = recvmsg(m_udp, &msg, 0);
        if (got < 0)
            return;
        // When the link layer delivers, the same datagrams come from there; these only drain.
        if (!m_packet.empty())
            continue;
        if (msg.msg_flags & MSG_TRUNC) {
            ++m_dropped;
            continue;
        }
        int index = 0;
        for (cmsghdr *c = CMSG_FIRSTHDR(&msg); c; c = CMSG_NXTHDR(&msg, c)) {
            if (c->cmsg_level == IPPROTO_IP && c->cmsg_type == IP_PKTINFO)
                index = reinterpret_cast<in_pktinfo *>(CMSG_DATA(c))->ipi_ifindex;
        }
        bool ours = false;
        for (const Interface &i : m_interfaces)
            ours = ours || i.index == index;
        if (ours)
            handler(std::string_view(buffer, std::size_t(got)), index, from.sin_addr.s_addr);
    }
}

void Transport::readPacket(int fd, int interfaceIndex, bool loopback, const Handler &handler)
{
    // Read in batches: under a flood the cost per datagram is what keeps real ones from being dropped.
    constexpr unsigned kBatch = 32;
    constexpr std::size_t kFrame = 2048;
    std::vector<unsigned char> frames(kBatch * kFrame);
    mmsghdr messages[kBatch];
    iovec vectors[kBatch];
    sockaddr_ll from[kBatch];
    for (int n = 0; n < 4096; n += int(kBatch)) {
        for (unsigned k = 0; k < kBatch; ++k) {
            vectors[k] = {frames.data() + k * kFrame, kFrame};
            messages[k].msg_hdr = msghdr {};
            messages[k].msg_hdr.msg_name = &from[k];
            messages[k].msg_hdr.msg_namelen = sizeof from[k];
            messages[k].msg_hdr.msg_iov = &vectors[k];
            messages[k].msg_hdr.msg_iovlen = 1;
            messages[k].msg_len = 0;
        }
        const int got = recvmmsg(fd, messages, kBatch, MSG_DONTWAIT | MSG_TRUNC, nullptr);
        if (got <= 0)
            return;
        for (int k = 0; k < got; ++k) {
            const unsigned char *frame = frames.data() + std::size_t(k) * kFrame;
            const std::size_t length = messages[k].msg_len;
            // On loopback every datagram also comes back in; elsewhere a datagram sent from this
            // host (another program's, or our own, which nobody answers) is seen only on its way out.
            if (from[k].sll_pkttype == PACKET_OUTGOING && loopback)
                continue;
            if (length > kFrame || (messages[k].msg_hdr.msg_flags & MSG_TRUNC) || length < 28) {
                ++m_dropped;
                continue;
            }
            // The filter already checked protocol, group and port; lengths are checked here.
            const std::size_t headerLength = std::size_t(frame[0] & 0x0f) * 4;
            const std::size_t totalLength = std::size_t(frame[2]) << 8 | frame[3];
            if ((frame[0] >> 4) != 4 || headerLength < 20 || totalLength > length || headerLength + 8 > totalLength) {
                ++m_dropped;
                continue;
            }
            const unsigned char *udp = frame + headerLength;
            const std::size_t udpLength = std::size_t(udp[4]) << 8 | udp[5];
            if (udpLength < 8 || headerLength + udpLength > totalLength) {
                ++m_dropped;
                continue;
            }
            std::uint32_t source = 0;
            std::memcpy(&source, frame + 12, sizeof source);
            handler(std::string_view(reinterpret_cast<const char *>(udp + 8), udpLength - 8), interfaceIndex, source);
        }
        if (got < int(kBatch))
            return;
    }
}

} // namespace tarn::net
