#pragma once

// ONVIF devices beside TARN ones: WS-Discovery to find them and the device-management subset the
// tool uses to read and configure them. No widgets and no Qt; C++17 and std::thread.
//
// Threads. A Discovery runs one thread of its own: it sends the probes, reads every datagram,
// keeps the device table and calls the callback there, so the callback must only hand a copy of
// the record on (to the GUI thread, say) and return. A Client does its work on the calling thread:
// every operation is one blocking HTTP exchange (two when the clock offset is not known yet),
// bounded in time, and any number may run at once from different threads; the caller decides how
// many (TaskThread). Nothing is cached across calls but each device's clock offset.
//
// Trust. WS-Discovery is unauthenticated: anyone on the segment can announce any endpoint, name
// and address. The library never sends a request to a host other than the source address of the
// datagram that named it (XAddrs pointing elsewhere are dropped and counted), and confines every
// connection to the interface the device answered on. That stops a forged announcement from
// aiming the tool (and its credentials) at a third host; it does not prove who the device is.
//
// Secrets. Passwords live in Secret, which wipes its bytes when it goes; the library's own copies
// (the digest input, libcurl's copies for HTTP Digest) are wiped too. Only digests cross the
// network: WS-Security UsernameToken PasswordDigest, and HTTP Digest (MD5 or SHA-256) when a
// device asks for it. Never PasswordText, never Basic.

#include <atomic>
#include <chrono>
#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace tarn::onvif {

// A password. Copies are deep, and each wipes its bytes when destroyed or reassigned.
class Secret
{
public:
    Secret() = default;
    Secret(const char *data, std::size_t size);
    // Takes the text and wipes the caller's string.
    explicit Secret(std::string &&text);
    Secret(const Secret &other);
    Secret &operator=(const Secret &other);
    ~Secret();

    std::string_view view() const { return m_bytes; }
    const char *c_str() const { return m_bytes.c_str(); }
    bool empty() const { return m_bytes.empty(); }
    void clear();

private:
    std::string m_bytes;
};

struct Credentials
{
    std::string user;
    Secret password;
};

// What discovery alone tells about a device, without credentials.
struct Device
{
    std::string endpoint;       // endpoint reference, "urn:uuid:..."; the key
    std::string address;        // IPv4 source of the latest datagram about it
    std::string interfaceName;  // the interface it answered on
    std::vector<std::string> xaddrs;  // the service addresses it advertised, as given
    // The one requests go to: an XAddr whose host is `address`, https preferred. Empty when none
    // qualifies; such a device is shown but not contacted.
    std::string xaddr;
    bool https = false;
    int httpPort = 0;           // the port of `xaddr`
    std::string name, hardware; // from onvif://www.onvif.org/name/... and /hardware/...
    std::vector<std::string> scopes;
    std::uint32_t metadataVersion = 0;
    bool reachable() const { return !xaddr.empty(); }
};

enum class Event { Online, Update, Offline };

class Discovery
{
public:
    using Callback = std::function<void(Event, const Device &)>;

    struct Timing
    {
        std::chrono::milliseconds reprobe {10000};  // between rounds of probes
        std::chrono::milliseconds jitter {1000};    // each gap is reprobe ± jitter
        int missedRounds = 3;                        // unanswered rounds in a row before offline
    };

    Discovery();
    ~Discovery();
    Discovery(const Discovery &) = delete;
    Discovery &operator=(const Discovery &) = delete;

    void setTiming(const Timing &timing);  // before start()
    // Opens the sockets on the interfaces TARN_IFACES names (else every multicast one), probes at
    // once and then on its own. False with `error` when no interface could be used.
    bool start(Callback callback, std::string *error = nullptr);
    // Returns when the thread has ended; no callback runs after it. Not from the callback.
    void stop();
    bool running() const;
    // A round of probes now (the periodic schedule continues from here).
    void probeNow();

    std::vector<Device> devices() const;
    std::optional<Device> device(const std::string &endpoint) const;
    // Waits until the device has been heard from `address` (a Hello or a ProbeMatch sent from
    // there) or the deadline passes or `cancel` turns true.
    bool waitForAddress(const std::string &endpoint, const std::string &address,
                        std::chrono::steady_clock::time_point deadline,
                        const std::atomic<bool> *cancel = nullptr) const;

    struct Counters
    {
        std::uint64_t datagrams = 0;      // read
        std::uint64_t undecodable = 0;    // not XML, not SOAP, not discovery, past a limit
        std::uint64_t overBudget = 0;     // dropped: the sender had used up its share
        std::uint64_t unsolicited = 0;    // ProbeMatches to no probe of ours
        std::uint64_t stale = 0;          // an older AppSequence than one already seen
        std::uint64_t foreignXAddrs = 0;  // XAddrs not at the sender's own address, dropped
        std::uint64_t tableFull = 0;      // new devices refused while the table was full
        std::uint64_t rounds = 0;         // rounds of probes sent
    };
    Counters counters() const;

private:
    struct Impl;
    std::unique_ptr<Impl> d;
};

enum class ErrorKind {
    None,
    Unauthorized,     // the credentials do not open the device (or none were given and it wants some)
    Timeout,          // no complete answer within the time allowed
    Refused,          // no connection: refused, unreachable, or the interface cannot be used
    Fault,            // the device answered with a SOAP fault; the message has its text
    BadResponse,      // an answer that is not what the operation expects, or past a limit
    NotSupported,     // the device does not offer the operation
    InvalidArgument,  // refused before sending: a bad address, token, port or target
    Cancelled,        // Client::cancel()
};
const char *errorName(ErrorKind kind);

struct Status
{
    ErrorKind error = ErrorKind::None;
    std::string message;            // for the user, in English; empty when ok
    int httpStatus = 0;
    std::string certificateSha256;  // https only: the server certificate, "AB:CD:..."
    bool ok() const { return error == ErrorKind::None; }
};

template <class T>
struct Result : Status
{
    T value {};
};

// Where an operation goes: the service URL and the interface the connection must leave by.
struct Target
{
    std::string xaddr;
    std::string interfaceName;  // empty: wherever routing sends it
    static Target of(const Device &device) { return Target {device.xaddr, device.interfaceName}; }
};

struct DeviceInformation
{
    std::string manufacturer, model, firmwareVersion, serialNumber, hardwareId;
};

struct Ipv4Config
{
    bool dhcp = false;
    std::string address;  // manual address, or the one DHCP gave when reading
    int prefixLength = 0;
};

struct NetworkInterface
{
    std::string token;   // names the interface in SetNetworkInterfaces
    std::string name;
    std::string mac;     // as the device writes it
    bool enabled = false;
    bool ipv4Enabled = false;
    Ipv4Config ipv4;     // the address in use: from DHCP when DHCP is on, else the manual one
};

struct NetworkProtocol
{
    std::string name;  // HTTP, HTTPS, RTSP
    bool enabled = false;
    std::vector<int> ports;
};

struct NetworkProtocols
{
    std::vector<NetworkProtocol> list;
    int port(std::string_view name) const;  // first port of an enabled protocol, or 0
};

struct User
{
    std::string name, level;  // level: Administrator, Operator, User, Anonymous, Extended
};

// What the tool shows per device once credentials open it.
struct Details
{
    DeviceInformation information;
    std::vector<NetworkInterface> interfaces;
    std::vector<std::string> gateways;  // IPv4
    NetworkProtocols protocols;
};

struct ClientOptions
{
    std::chrono::milliseconds connectTimeout {3000};
    std::chrono::milliseconds totalTimeout {8000};  // per HTTP exchange, connection included
    std::size_t maxResponseBytes = 256 * 1024;
};

class Client
{
public:
    explicit Client(ClientOptions options = {});
    ~Client();
    Client(const Client &) = delete;
    Client &operator=(const Client &) = delete;

    // Makes every call in progress, and every later one, end as Cancelled; reset() ends that.
    void cancel();
    void reset();

    // `credentials` null: the request goes without any (a device in the factory state answers).
    // Without credentials nothing needs the clock; with them, the device's clock offset is asked
    // first (GetSystemDateAndTime, no credentials) unless already known for that XAddr.

    // The device clock minus ours, in seconds; remembered for the XAddr.
    Result<std::int64_t> getSystemDateAndTime(const Target &target);
    Result<DeviceInformation> getDeviceInformation(const Target &target, const Credentials *credentials);
    Result<std::vector<NetworkInterface>> getNetworkInterfaces(const Target &target, const Credentials *credentials);
    Result<std::vector<std::string>> getNetworkDefaultGateway(const Target &target, const Credentials *credentials);
    Result<NetworkProtocols> getNetworkProtocols(const Target &target, const Credentials *credentials);
    Result<std::vector<User>> getUsers(const Target &target, const Credentials *credentials);
    // The four reads above in turn; stops at the first that fails and says which.
    Result<Details> readDetails(const Target &target, const Credentials *credentials);
    // Factory state: GetUsers answered without credentials, with no users. value true then; false
    // when the device asks for credentials (Unauthorized counts as an answer here) or has users.
    Result<bool> factoryState(const Target &target);

    // value: RebootNeeded. IPv4 only; a manual address needs a prefix length 1..32.
    Result<bool> setNetworkInterfaces(const Target &target, const Credentials *credentials, const std::string &token,
                                      const Ipv4Config &config);
    Status setNetworkDefaultGateway(const Target &target, const Credentials *credentials, const std::string &ipv4);
    // Sets the HTTP port only; the other protocols stay as they are.
    Status setNetworkProtocols(const Target &target, const Credentials *credentials, int httpPort);
    // The first Administrator of a device in the factory state goes without credentials.
    Status createUsers(const Target &target, const Credentials *credentials, const std::string &user,
                       const Secret &password, const std::string &level = "Administrator");
    // value: the device's message ("Rebooting in 30 seconds", say).
    Result<std::string> systemReboot(const Target &target, const Credentials *credentials);

private:
    struct Impl;
    std::unique_ptr<Impl> d;
};

// An address change to confirm: the device was at `device`; it was told to take `newAddress`.
struct AddressChange
{
    Device device;           // as discovery last saw it
    std::string newAddress;  // dotted IPv4
    std::string mac;         // from GetNetworkInterfaces before the change; empty: not checked
    int httpPort = 0;        // 0: the device's present port
};

struct Confirmation
{
    bool confirmed = false;
    std::string how;  // "hello or probe match from 10.0.0.5", "read at http://...": for the log
};

// Changed only when the device answers at the new address within `budget`: a Hello or ProbeMatch
// from there (discovery must be running), or GetNetworkInterfaces there reporting the new address
// (and the MAC, when given). Probes again once a second meanwhile. Otherwise not confirmed: the
// outcome is unknown, never "changed". Blocks the calling thread for at most the budget.
Confirmation confirmAddress(Discovery &discovery, const AddressChange &change, const Credentials *credentials,
                            std::chrono::milliseconds budget, const std::atomic<bool> *cancel = nullptr);

} // namespace tarn::onvif
