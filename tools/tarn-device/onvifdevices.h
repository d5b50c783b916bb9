#pragma once

// The emulator's ONVIF personality: devices that answer WS-Discovery on 3702 and serve the
// device-management subset over HTTP, each on a port of its own at the interface's address.
//
// Addresses. All devices share the emulator's interface, so an address change moves a device
// only where the host can give it that address: the device binds its service and its discovery
// messages to the new address when the kernel lets it (any 127.0.0.0/8 address on lo; an address
// already on the interface in a namespace). Then it really answers there, and says so with a
// Hello from there. Otherwise it records the address (GetNetworkInterfaces and the state file
// show it) but stays where it is, as a device whose new address the tool cannot reach: a client
// must then report the change as unknown, never as done.

#include <atomic>
#include <chrono>
#include <cstdint>
#include <deque>
#include <functional>
#include <map>
#include <memory>
#include <optional>
#include <queue>
#include <random>
#include <string>
#include <thread>
#include <vector>

#include <netinet/in.h>

#include "core/budget.h"
#include "core/wsd.h"
#include "httpserver.h"

namespace tarn::emu {

struct OnvifOptions
{
    int count = 0;
    int basePort = 0;  // 0: ports the kernel picks (kept in the state file)
    std::uint32_t seed = 1;
    double lossPercent = 0;
    int delayMs = 0;
    int rebootMs = 2000;
    std::string password = "Admin12345";
    std::string statePath;
};

struct OnvifUser
{
    std::string name, password, level;
};

struct OnvifDevice
{
    std::string endpoint, name, hardware, manufacturer, model, firmware, serial, mac;
    std::string address;  // as reported
    int prefixLength = 8;
    std::string gateway;
    bool dhcp = false;
    int httpPort = 0, rtspPort = 554;
    std::vector<OnvifUser> users;  // none: the factory state, which answers everyone
    int clockOffsetS = 0;
    bool httpDigestOnly = false;   // ignores WS-Security, asks for HTTP Digest
    bool md5Only = false;          // offers MD5 Digest only (else SHA-256 first, then MD5)
    bool rebootForChanges = false; // SetNetworkInterfaces answers RebootNeeded, applies at reboot
    std::uint32_t metadataVersion = 1;
    struct Pending
    {
        std::string address;
        int prefixLength = 0;
        bool dhcp = false;
    };
    std::optional<Pending> pending;

    // Not kept in the state file.
    std::string bound;  // where it listens and sends from
    bool up = false;
    std::chrono::steady_clock::time_point upAt {};
    std::uint64_t instanceId = 0, messageNumber = 0;
    std::deque<std::string> nonces;                                      // WS-Security, against replay
    std::map<std::string, std::chrono::steady_clock::time_point> digestNonces;  // HTTP Digest, issued
};

class OnvifDevices
{
public:
    explicit OnvifDevices(OnvifOptions options);
    ~OnvifDevices();
    // Loads the state file's "onvif" member, or makes the devices; opens the sockets.
    bool start(std::string *error);
    // Serves until `stopped` says so, then says goodbye.
    void run(const std::function<bool()> &stopped);
    std::size_t size() const { return m_devices.size(); }

private:
    using Clock = std::chrono::steady_clock;
    struct Datagram
    {
        Clock::time_point at;
        std::uint64_t order;
        std::string from;  // the device's address
        sockaddr_in to;
        std::string text;
        bool operator>(const Datagram &o) const { return at != o.at ? at > o.at : order > o.order; }
    };

    void makeDevices();
    bool load(std::string *error);
    void save();
    bool bringUp(std::size_t index);
    void takeDown(std::size_t index, bool bye);
    void moveTo(std::size_t index, const std::string &address, int prefixLength, bool dhcp);
    onvif::wsd::Endpoint endpointOf(const OnvifDevice &device) const;
    void announce(std::size_t index, bool hello, Clock::duration after);
    void send(const std::string &from, const sockaddr_in &to, std::string text, Clock::duration after);
    int socketFor(const std::string &address);
    void readDiscovery();
    void onProbe(const onvif::wsd::Message &probe, const sockaddr_in &from);
    HttpServer::Reply onRequest(int index, const HttpServer::Request &request);
    bool lose();

    OnvifOptions m_options;
    std::vector<OnvifDevice> m_devices;
    std::string m_home;  // the interface's own address
    std::uint32_t m_homeNet = 0, m_homeMask = 0;  // its subnet, host order
    int m_interfaceIndex = 0;
    int m_listen = -1;
    std::map<std::string, int> m_senders;  // device address -> socket bound to it
    HttpServer m_http;
    std::priority_queue<Datagram, std::vector<Datagram>, std::greater<Datagram>> m_outbox;
    std::uint64_t m_order = 0;
    std::deque<std::string> m_answeredProbes;
    SenderBudget m_probeBudget;
    std::mt19937 m_random;
    std::uint64_t m_requests = 0, m_applied = 0, m_dropped = 0;
};

// The devices on a thread of their own, beside the TARN ones; stopped and joined when it goes.
class OnvifThread
{
public:
    OnvifThread() = default;
    ~OnvifThread();
    OnvifThread(const OnvifThread &) = delete;
    OnvifThread &operator=(const OnvifThread &) = delete;
    bool start(const OnvifOptions &options, std::function<bool()> stopped, std::string *error);
    std::size_t size() const { return m_devices ? m_devices->size() : 0; }

private:
    std::unique_ptr<OnvifDevices> m_devices;
    std::thread m_thread;
    std::atomic<bool> m_quit {false};
};

} // namespace tarn::emu
