#include "onvif.h"

#include <algorithm>
#include <condition_variable>
#include <cstring>
#include <deque>
#include <map>
#include <mutex>
#include <random>
#include <thread>

#include <arpa/inet.h>
#include <fcntl.h>
#include <net/if.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include "core/budget.h"
#include "core/log.h"
#include "core/soap.h"
#include "core/transport.h"
#include "core/wsd.h"

using namespace std::chrono;

namespace tarn::onvif {

namespace {

constexpr std::chrono::milliseconds kMinRoundGap {500};

using Clock = steady_clock;

// Datagrams read per sender. Hundreds of devices behind one address (a recorder, the emulator)
// answer two probes a round well inside; a flooding host gets this and nobody else's share.
constexpr double kDatagramsPerSecond = 1000, kDatagramBurst = 4000;
constexpr std::size_t kMaxSenders = 4096;
constexpr std::size_t kMaxDevices = 4096;
constexpr std::size_t kRecentProbes = 16;   // message ids a ProbeMatch may answer
constexpr int kRepeats = 2;                 // MULTICAST_UDP_REPEAT
constexpr milliseconds kMinDelay {50}, kMaxDelay {250}, kUpperDelay {500};
// A round shorter than this (probeNow in quick succession) does not count towards going offline:
// answers may still be on their way.
constexpr milliseconds kCountingRound {2000};
constexpr int kReceiveBuffer = 2 * 1024 * 1024;

std::string dotted(std::uint32_t networkOrder)
{
    in_addr a {};
    a.s_addr = networkOrder;
    char text[INET_ADDRSTRLEN] = {};
    inet_ntop(AF_INET, &a, text, sizeof text);
    return text;
}

void setBuffer(int fd)
{
    int size = kReceiveBuffer;
    if (setsockopt(fd, SOL_SOCKET, SO_RCVBUFFORCE, &size, sizeof size) != 0)
        setsockopt(fd, SOL_SOCKET, SO_RCVBUF, &size, sizeof size);
}

bool sameDevice(const Device &a, const Device &b)
{
    return a.address == b.address && a.interfaceName == b.interfaceName && a.xaddrs == b.xaddrs && a.xaddr == b.xaddr
        && a.scopes == b.scopes && a.metadataVersion == b.metadataVersion;
}

} // namespace

struct Discovery::Impl
{
    struct Entry
    {
        Device device;
        Clock::time_point lastHeard;
        int missed = 0;
        std::uint64_t instanceId = 0, messageNumber = 0;
    };
    struct Outgoing
    {
        Clock::time_point at;
        std::string datagram;
    };

    Timing timing;
    Callback callback;
    std::vector<net::Interface> interfaces;
    int listen = -1;
    std::vector<int> probe;  // one per interface, same order
    int wake[2] = {-1, -1};
    std::thread thread;
    bool stopping = false;

    mutable std::mutex mutex;
    mutable std::condition_variable changed;
    std::map<std::string, Entry> table;
    Counters counters;
    bool probeRequested = false;

    SenderBudget budget {kDatagramsPerSecond, kDatagramBurst, kMaxSenders};
    std::deque<std::string> recentIds;
    std::vector<Outgoing> outgoing;
    Clock::time_point roundStart {}, nextRound {};
    std::mt19937 random {std::random_device()()};
    std::vector<std::pair<Event, Device>> events;  // gathered under the lock, emitted after it

    bool open(std::string *error);
    void close();
    void loop();
    void startRound(Clock::time_point now);
    void read(int fd, bool probeSocket, int interfaceIndex);
    void handle(std::string_view datagram, std::uint32_t source, int interfaceIndex, bool probeSocket);
    void take(const wsd::Message &message, const wsd::Endpoint &endpoint, std::uint32_t source, int interfaceIndex);
    std::string interfaceName(int index) const;
    void emit();
};

Discovery::Discovery() : d(std::make_unique<Impl>()) {}

Discovery::~Discovery()
{
    stop();
}

void Discovery::setTiming(const Timing &timing)
{
    std::lock_guard<std::mutex> lock(d->mutex);
    d->timing = timing;
}

bool Discovery::running() const
{
    return d->thread.joinable();
}

bool Discovery::start(Callback callback, std::string *error)
{
    if (d->thread.joinable()) {
        if (error)
            *error = "discovery is running already";
        return false;
    }
    if (!d->open(error))
        return false;
    {
        std::lock_guard<std::mutex> lock(d->mutex);
        d->callback = std::move(callback);
        d->table.clear();
        d->counters = {};
        d->stopping = false;
        d->probeRequested = true;
    }
    d->thread = std::thread(&Impl::loop, d.get());
    return true;
}

void Discovery::stop()
{
    if (!d->thread.joinable())
        return;
    {
        std::lock_guard<std::mutex> lock(d->mutex);
        d->stopping = true;
    }
    const char c = 1;
    [[maybe_unused]] const ssize_t n = ::write(d->wake[1], &c, 1);
    d->thread.join();
    d->close();
    std::lock_guard<std::mutex> lock(d->mutex);
    d->table.clear();
    d->changed.notify_all();
}

void Discovery::probeNow()
{
    {
        std::lock_guard<std::mutex> lock(d->mutex);
        d->probeRequested = true;
    }
    if (d->wake[1] >= 0) {
        const char c = 1;
        [[maybe_unused]] const ssize_t n = ::write(d->wake[1], &c, 1);
    }
}

std::vector<Device> Discovery::devices() const
{
    std::lock_guard<std::mutex> lock(d->mutex);
    std::vector<Device> out;
    out.reserve(d->table.size());
    for (const auto &entry : d->table)
        out.push_back(entry.second.device);
    return out;
}

std::optional<Device> Discovery::device(const std::string &endpoint) const
{
    std::lock_guard<std::mutex> lock(d->mutex);
    const auto it = d->table.find(endpoint);
    if (it == d->table.end())
        return std::nullopt;
    return it->second.device;
}

bool Discovery::waitForAddress(const std::string &endpoint, const std::string &address, Clock::time_point deadline,
                               const std::atomic<bool> *cancel) const
{
    std::unique_lock<std::mutex> lock(d->mutex);
    for (;;) {
        const auto it = d->table.find(endpoint);
        if (it != d->table.end() && it->second.device.address == address)
            return true;
        if ((cancel && cancel->load()) || Clock::now() >= deadline)
            return false;
        d->changed.wait_until(lock, std::min(deadline, Clock::now() + milliseconds(100)));
    }
}

Discovery::Counters Discovery::counters() const
{
    std::lock_guard<std::mutex> lock(d->mutex);
    return d->counters;
}

bool Discovery::Impl::open(std::string *error)
{
    close();
    interfaces = net::selectInterfaces(error);
    if (interfaces.empty())
        return false;
    auto fail = [&](const std::string &what) {
        if (error)
            *error = what + ": " + std::strerror(errno);
        close();
        return false;
    };
    if (pipe2(wake, O_NONBLOCK | O_CLOEXEC) != 0)
        return fail("wake pipe");
    in_addr group {};
    inet_pton(AF_INET, wsd::GroupAddress, &group);

    listen = socket(AF_INET, SOCK_DGRAM | SOCK_NONBLOCK | SOCK_CLOEXEC, 0);
    if (listen < 0)
        return fail("socket");
    const int one = 1, zero = 0;
    setsockopt(listen, SOL_SOCKET, SO_REUSEADDR, &one, sizeof one);
    setsockopt(listen, IPPROTO_IP, IP_PKTINFO, &one, sizeof one);
    setsockopt(listen, IPPROTO_IP, IP_MULTICAST_ALL, &zero, sizeof zero);
    setBuffer(listen);
    sockaddr_in at {};
    at.sin_family = AF_INET;
    at.sin_port = htons(wsd::Port);
    at.sin_addr = group;
    if (bind(listen, reinterpret_cast<sockaddr *>(&at), sizeof at) != 0)
        return fail("bind to the WS-Discovery port");

    for (const net::Interface &i : interfaces) {
        ip_mreqn join {};
        join.imr_multiaddr = group;
        join.imr_ifindex = i.index;
        if (setsockopt(listen, IPPROTO_IP, IP_ADD_MEMBERSHIP, &join, sizeof join) != 0)
            log::write(log::Warning, "cannot join the WS-Discovery group on %s: %s", i.name.c_str(), std::strerror(errno));
        // Probes go out from here and their matches come back to it, unicast.
        const int fd = socket(AF_INET, SOCK_DGRAM | SOCK_NONBLOCK | SOCK_CLOEXEC, 0);
        if (fd < 0)
            return fail("socket");
        probe.push_back(fd);
        setBuffer(fd);
        ip_mreqn out {};
        out.imr_ifindex = i.index;
        const unsigned char ttl = 1, loop = 1;
        if (setsockopt(fd, IPPROTO_IP, IP_MULTICAST_IF, &out, sizeof out) != 0
            || setsockopt(fd, IPPROTO_IP, IP_MULTICAST_TTL, &ttl, sizeof ttl) != 0
            || setsockopt(fd, IPPROTO_IP, IP_MULTICAST_LOOP, &loop, sizeof loop) != 0)
            return fail("multicast options on " + i.name);
        if (setsockopt(fd, SOL_SOCKET, SO_BINDTODEVICE, i.name.c_str(), socklen_t(i.name.size())) != 0 && errno != EPERM)
            return fail("bind to " + i.name);
        sockaddr_in local {};
        local.sin_family = AF_INET;
        local.sin_addr = i.address;
        if (bind(fd, reinterpret_cast<sockaddr *>(&local), sizeof local) != 0)
            return fail("bind a probe socket on " + i.name);
    }
    return true;
}

void Discovery::Impl::close()
{
    for (int fd : probe)
        ::close(fd);
    probe.clear();
    if (listen >= 0)
        ::close(listen);
    listen = -1;
    for (int &fd : wake) {
        if (fd >= 0)
            ::close(fd);
        fd = -1;
    }
}

std::string Discovery::Impl::interfaceName(int index) const
{
    for (const net::Interface &i : interfaces) {
        if (i.index == index)
            return i.name;
    }
    return std::string();
}

void Discovery::Impl::startRound(Clock::time_point now)
{
    // Who did not answer since the last round that had time to be answered missed it.
    if (roundStart != Clock::time_point() && now - roundStart >= kCountingRound) {
        for (auto it = table.begin(); it != table.end();) {
            Entry &e = it->second;
            e.missed = e.lastHeard >= roundStart ? 0 : e.missed + 1;
            if (e.missed >= timing.missedRounds) {
                events.emplace_back(Event::Offline, e.device);
                it = table.erase(it);
            } else {
                ++it;
            }
        }
    }
    roundStart = now;
    ++counters.rounds;
    std::uniform_int_distribution<int> first(int(kMinDelay.count()), int(kMaxDelay.count()));
    for (const char *type : {wsd::TypeDevice, wsd::TypeTransmitter}) {
        const std::string id = soap::randomUuid();
        recentIds.push_back(id);
        if (recentIds.size() > kRecentProbes)
            recentIds.pop_front();
        const std::string datagram = wsd::probe(id, type);
        Clock::time_point at = now;
        milliseconds gap(first(random));
        outgoing.push_back({at, datagram});
        for (int k = 0; k < kRepeats; ++k) {
            at += gap;
            outgoing.push_back({at, datagram});
            gap = std::min(gap * 2, kUpperDelay);
        }
    }
    const auto spread = timing.jitter.count();
    std::uniform_int_distribution<long long> jitter(-spread, spread);
    nextRound = now + std::max(milliseconds(1000), timing.reprobe + milliseconds(jitter(random)));
}

void Discovery::Impl::loop()
{
    in_addr group {};
    inet_pton(AF_INET, wsd::GroupAddress, &group);
    for (;;) {
        const Clock::time_point now = Clock::now();
        bool waitingRound = false;
        {
            std::lock_guard<std::mutex> lock(mutex);
            if (stopping)
                break;
            // Asked for often (each change being confirmed asks once a second), rounds still go
            // out no closer than kMinRoundGap: every round makes every device answer.
            const bool asked = probeRequested && (roundStart == Clock::time_point() || now - roundStart >= kMinRoundGap);
            if (asked || now >= nextRound) {
                probeRequested = false;
                startRound(now);
            }
            waitingRound = probeRequested;
        }
        emit();
        // Send what is due, then sleep until the next send, the next round or traffic.
        Clock::time_point wakeAt = nextRound;
        if (waitingRound)
            wakeAt = std::min(wakeAt, roundStart + kMinRoundGap);
        for (auto it = outgoing.begin(); it != outgoing.end();) {
            if (it->at <= now) {
                sockaddr_in to {};
                to.sin_family = AF_INET;
                to.sin_port = htons(wsd::Port);
                to.sin_addr = group;
                for (int fd : probe)
                    sendto(fd, it->datagram.data(), it->datagram.size(), 0, reinterpret_cast<sockaddr *>(&to), sizeof to);
                it = outgoing.erase(it);
            } else {
                wakeAt = std::min(wakeAt, it->at);
                ++it;
            }
        }
        std::vector<pollfd> fds;
        fds.push_back({wake[0], POLLIN, 0});
        fds.push_back({listen, POLLIN, 0});
        for (int fd : probe)
            fds.push_back({fd, POLLIN, 0});
        const long long wait = std::clamp<long long>(duration_cast<milliseconds>(wakeAt - Clock::now()).count(), 0, 500);
        if (::poll(fds.data(), fds.size(), int(wait)) <= 0)
            continue;
        if (fds[0].revents) {
            char buf[64];
            while (::read(wake[0], buf, sizeof buf) > 0) {
            }
        }
        if (fds[1].revents)
            read(listen, false, 0);
        for (std::size_t k = 0; k < probe.size(); ++k) {
            if (fds[k + 2].revents)
                read(probe[k], true, interfaces[k].index);
        }
        emit();
    }
    emit();
}

void Discovery::Impl::read(int fd, bool probeSocket, int interfaceIndex)
{
    std::string buffer(wsd::MaxDatagram + 1, '\0');
    char control[128];
    for (int n = 0; n < 1024; ++n) {
        iovec iov {buffer.data(), buffer.size()};
        sockaddr_in from {};
        msghdr msg {};
        msg.msg_name = &from;
        msg.msg_namelen = sizeof from;
        msg.msg_iov = &iov;
        msg.msg_iovlen = 1;
        msg.msg_control = control;
        msg.msg_controllen = sizeof control;
        const ssize_t got = recvmsg(fd, &msg, 0);
        if (got < 0)
            return;
        int index = interfaceIndex;
        for (cmsghdr *c = CMSG_FIRSTHDR(&msg); c; c = CMSG_NXTHDR(&msg, c)) {
            if (c->cmsg_level == IPPROTO_IP && c->cmsg_type == IP_PKTINFO)
                index = reinterpret_cast<in_pktinfo *>(CMSG_DATA(c))->ipi_ifindex;
        }
        if (interfaceName(index).empty())
            continue;  // not an interface of ours
        std::lock_guard<std::mutex> lock(mutex);
        ++counters.datagrams;
        if ((msg.msg_flags & MSG_TRUNC) || std::size_t(got) > wsd::MaxDatagram) {
            ++counters.undecodable;
            continue;
        }
        handle(std::string_view(buffer.data(), std::size_t(got)), from.sin_addr.s_addr, index, probeSocket);
    }
}

void Discovery::Impl::handle(std::string_view datagram, std::uint32_t source, int interfaceIndex, bool probeSocket)
{
    if (!budget.take(source, Clock::now())) {
        ++counters.overBudget;
        return;
    }
    const auto message = wsd::decode(datagram);
    if (!message) {
        ++counters.undecodable;
        return;
    }
    switch (message->kind) {
    case wsd::Kind::Probe:
        return;  // another client's
    case wsd::Kind::ProbeMatches:
        if (!probeSocket
            || std::find(recentIds.begin(), recentIds.end(), message->relatesTo) == recentIds.end()) {
            ++counters.unsolicited;
            return;
        }
        for (const wsd::Endpoint &e : message->endpoints)
            take(*message, e, source, interfaceIndex);
        return;
    case wsd::Kind::Hello: {
        const wsd::Endpoint &e = message->endpoints.front();
        if (wsd::matches({"NetworkVideoTransmitter"}, e) || wsd::matches({"Device"}, e))
            take(*message, e, source, interfaceIndex);
        return;
    }
    case wsd::Kind::Bye: {
        const auto it = table.find(message->endpoints.front().address);
        // Only from where the device is: anyone else's goodbye for it changes nothing.
        if (it == table.end() || it->second.device.address != dotted(source))
            return;
        if (message->instanceId && message->instanceId == it->second.instanceId
            && message->messageNumber <= it->second.messageNumber) {
            ++counters.stale;
            return;
        }
        events.emplace_back(Event::Offline, it->second.device);
        table.erase(it);
        changed.notify_all();
        return;
    }
    }
}

void Discovery::Impl::take(const wsd::Message &message, const wsd::Endpoint &endpoint, std::uint32_t source,
                           int interfaceIndex)
{
    Device device;
    device.endpoint = endpoint.address;
    device.address = dotted(source);
    device.interfaceName = interfaceName(interfaceIndex);
    device.scopes = endpoint.scopes;
    device.metadataVersion = endpoint.metadataVersion;
    device.name = wsd::scopeValue(endpoint.scopes, "name");
    device.hardware = wsd::scopeValue(endpoint.scopes, "hardware");
    std::optional<wsd::Url> chosen;
    for (const std::string &x : endpoint.xaddrs) {
        if (device.xaddrs.size() >= 8)
            break;
        device.xaddrs.push_back(x);
        const auto url = wsd::parseUrl(x);
        if (!url || url->host != device.address) {
            ++counters.foreignXAddrs;  // never contacted: it could aim us at a third host
            continue;
        }
        if (!chosen || (url->https() && !chosen->https()))
            chosen = url;
    }
    if (chosen) {
        device.xaddr = chosen->text();
        device.https = chosen->https();
        device.httpPort = chosen->port;
    }

    auto it = table.find(device.endpoint);
    if (it == table.end()) {
        if (table.size() >= kMaxDevices) {
            ++counters.tableFull;
            return;
        }
        Entry entry;
        entry.device = device;
        entry.lastHeard = Clock::now();
        entry.instanceId = message.instanceId;
        entry.messageNumber = message.messageNumber;
        table.emplace(device.endpoint, std::move(entry));
        events.emplace_back(Event::Online, device);
        changed.notify_all();
        return;
    }
    Entry &e = it->second;
    // Within one boot of the device, message numbers only grow: an older one is a copy.
    if (message.instanceId && message.instanceId == e.instanceId && message.messageNumber <= e.messageNumber
        && message.kind != wsd::Kind::ProbeMatches) {
        ++counters.stale;
        return;
    }
    e.lastHeard = Clock::now();
    e.missed = 0;
    if (message.instanceId) {
        e.instanceId = message.instanceId;
        e.messageNumber = std::max(e.messageNumber, message.messageNumber);
    }
    // A Hello without XAddrs says nothing about where the service is: keep what we had.
    if (endpoint.xaddrs.empty() && device.address == e.device.address) {
        device.xaddrs = e.device.xaddrs;
        device.xaddr = e.device.xaddr;
        device.https = e.device.https;
        device.httpPort = e.device.httpPort;
    }
    if (!sameDevice(device, e.device)) {
        e.device = device;
        events.emplace_back(Event::Update, device);
    }
    changed.notify_all();
}

void Discovery::Impl::emit()
{
    std::vector<std::pair<Event, Device>> due;
    Callback call;
    {
        std::lock_guard<std::mutex> lock(mutex);
        due.swap(events);
        call = callback;
    }
    if (call) {
        for (const auto &[event, device] : due)
            call(event, device);
    }
}

} // namespace tarn::onvif
