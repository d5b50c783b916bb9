#include "discovery/onvifdevices.h"

#include <cstring>
#include <thread>
#include <vector>

#include <arpa/inet.h>

#include <QCryptographicHash>
#include <QThreadPool>

#include "discovery/devicefields.h"

namespace TARN {

using namespace tarn::onvif;
using std::chrono::milliseconds;

namespace {

// A few devices at a time: each read is a handful of HTTP exchanges.
constexpr int kReadConnections = 8;
// How long a changed device has to answer at its new address; one that reboots for it, longer.
constexpr milliseconds kConfirmBudget {15000};
constexpr milliseconds kRebootBudget {90000};

// Reads change nothing on the device, so one that got no answer is asked again.
constexpr int kReadAttempts = 3;

bool transient(ErrorKind kind)
{
    return kind == ErrorKind::Timeout || kind == ErrorKind::Refused || kind == ErrorKind::BadResponse;
}

template <class Call>
auto retried(Call call)
{
    auto result = call();
    for (int attempt = 1; attempt < kReadAttempts && transient(result.error); ++attempt)
        result = call();
    return result;
}

// The four reads of a device's details, each asked again on its own when its answer is lost.
Result<Details> readDetails(Client &client, const Target &target, const Credentials *credentials)
{
    Result<Details> out;
    auto take = [&out](const Status &status) {
        static_cast<Status &>(out) = status;
        return status.ok();
    };
    const auto information = retried([&] { return client.getDeviceInformation(target, credentials); });
    if (!take(information))
        return out;
    const auto interfaces = retried([&] { return client.getNetworkInterfaces(target, credentials); });
    if (!take(interfaces))
        return out;
    const auto gateways = retried([&] { return client.getNetworkDefaultGateway(target, credentials); });
    if (!take(gateways))
        return out;
    const auto protocols = retried([&] { return client.getNetworkProtocols(target, credentials); });
    if (!take(protocols))
        return out;
    out.value = Details {information.value, interfaces.value, gateways.value, protocols.value};
    return out;
}

// The service address with another port: "http://host:80/path" becomes "http://host:8080/path".
std::string withPort(const std::string &xaddr, int port)
{
    const std::size_t scheme = xaddr.find("://");
    const std::size_t hostStart = scheme == std::string::npos ? 0 : scheme + 3;
    const std::size_t path = xaddr.find('/', hostStart);
    std::string host = xaddr.substr(hostStart, path == std::string::npos ? std::string::npos : path - hostStart);
    if (const std::size_t colon = host.rfind(':'); colon != std::string::npos)
        host.erase(colon);
    return xaddr.substr(0, hostStart) + host + ':' + std::to_string(port)
        + (path == std::string::npos ? std::string() : xaddr.substr(path));
}

QString macText(const std::string &mac)
{
    const std::string canonical = tarn::canonicalMac(mac);
    QString text;
    for (std::size_t i = 0; i < canonical.size(); i += 2)
        text += (i ? QStringLiteral("-") : QString()) + QString::fromStdString(canonical.substr(i, 2));
    return text;
}

QString maskOf(int prefix)
{
    if (prefix < 0 || prefix > 32)
        return QString();
    const quint32 mask = prefix == 0 ? 0 : ~quint32(0) << (32 - prefix);
    return QStringLiteral("%1.%2.%3.%4").arg(mask >> 24).arg(mask >> 16 & 0xff).arg(mask >> 8 & 0xff).arg(mask & 0xff);
}

// The prefix length of a dotted mask, or -1 when it is not one.
int prefixOf(const QString &mask)
{
    in_addr a {};
    if (inet_pton(AF_INET, mask.toLatin1().constData(), &a) != 1)
        return -1;
    const quint32 m = ntohl(a.s_addr);
    int prefix = 0;
    while (prefix < 32 && (m & (0x80000000u >> prefix)))
        ++prefix;
    return (prefix == 32 || (m << prefix) == 0) ? prefix : -1;
}

// An identity text that fits the serial field: the endpoint itself, or a digest of a longer one.
QString endpointSerial(const std::string &endpoint)
{
    if (endpoint.size() < sizeof(TARN_DEVICE_INFO::serialNumber))
        return QString::fromStdString(endpoint);
    return QStringLiteral("onvif:")
        + QString::fromLatin1(QCryptographicHash::hash(QByteArray::fromStdString(endpoint), QCryptographicHash::Sha1)
                                  .toHex()
                                  .left(40));
}

const NetworkInterface *firstInterface(const OnvifDevices::Known &k)
{
    return k.haveDetails && !k.details.interfaces.empty() ? &k.details.interfaces.front() : nullptr;
}

} // namespace

struct OnvifDevices::Entry
{
    Known known;
    TARN_DEVICE_INFO published {};
    bool shown = false;      // an online event went out for `published`
    bool reading = false;    // a read is under way
    bool readAgain = false;  // and another is wanted after it
};

OnvifDevices::OnvifDevices(Emit sink)
    : m_emit(std::move(sink))
    , m_pool(new QThreadPool)
{
    m_pool->setMaxThreadCount(kReadConnections);
}

OnvifDevices::~OnvifDevices()
{
    stop();
}

bool OnvifDevices::start(QString *error)
{
    std::string why;
    m_client.reset();
    if (!m_discovery.start([this](Event event, const Device &device) { onDiscovery(event, device); }, &why)) {
        if (error)
            *error = QString::fromStdString(why);
        return false;
    }
    return true;
}

void OnvifDevices::stop()
{
    m_discovery.stop();
    m_client.cancel();
    m_pool->waitForDone();
    m_client.reset();
    std::lock_guard<std::mutex> lock(m_mutex);
    m_entries.clear();
    m_pending = 0;
}

void OnvifDevices::republish()
{
    std::vector<TARN_DEVICE_INFO> out;
    {
        std::lock_guard<std::mutex> lock(m_mutex);
        for (const auto &entry : m_entries) {
            if (!entry.second->shown)
                continue;
            TARN_DEVICE_INFO record = entry.second->published;
            record.eventType = TARN_EVENT_ONLINE;
            out.push_back(record);
        }
    }
    for (const TARN_DEVICE_INFO &record : out)
        m_emit(record);
}

void OnvifDevices::probe()
{
    if (m_discovery.running())
        m_discovery.probeNow();
}

void OnvifDevices::setCredentials(const QString &user, const QByteArray &password)
{
    std::vector<std::string> endpoints;
    {
        std::lock_guard<std::mutex> lock(m_mutex);
        m_user = user.trimmed().toStdString();
        m_password = Secret(password.constData(), std::size_t(password.size()));
        m_haveCredentials = !m_user.empty();
        for (const auto &entry : m_entries)
            endpoints.push_back(entry.first);
    }
    for (const std::string &endpoint : endpoints)
        scheduleRead(endpoint);
}

bool OnvifDevices::hasCredentials() const
{
    std::lock_guard<std::mutex> lock(m_mutex);
    return m_haveCredentials;
}

int OnvifDevices::pendingReads() const
{
    std::lock_guard<std::mutex> lock(m_mutex);
    return m_pending;
}

Credentials OnvifDevices::credentialsWith(const QByteArray &password) const
{
    std::lock_guard<std::mutex> lock(m_mutex);
    return Credentials {m_user.empty() ? std::string("admin") : m_user, Secret(password.constData(), std::size_t(password.size()))};
}

void OnvifDevices::onDiscovery(Event event, const Device &device)
{
    bool read = false;
    std::vector<TARN_DEVICE_INFO> out;
    {
        std::lock_guard<std::mutex> lock(m_mutex);
        auto it = m_entries.find(device.endpoint);
        if (event == Event::Offline) {
            if (it == m_entries.end())
                return;
            if (it->second->shown) {
                TARN_DEVICE_INFO gone = it->second->published;
                gone.eventType = TARN_EVENT_OFFLINE;
                out.push_back(gone);
            }
            m_entries.erase(it);
        } else {
            if (it == m_entries.end())
                it = m_entries.emplace(device.endpoint, std::make_unique<Entry>()).first;
            Entry &e = *it->second;
            // A new address or service is a new device to read; the rest only shows.
            read = !e.shown || e.known.device.xaddr != device.xaddr || e.known.device.address != device.address;
            e.known.device = device;
            if (read && e.known.haveDetails) {
                // What was read at the old address is not known to hold at the new one.
                e.known.haveDetails = false;
                e.known.state = TARN_ONVIF_DISCOVERED;
            }
            show(e, out);
        }
    }
    for (const TARN_DEVICE_INFO &record : out)
        m_emit(record);
    if (read)
        scheduleRead(device.endpoint);
}

void OnvifDevices::scheduleRead(const std::string &endpoint)
{
    {
        std::lock_guard<std::mutex> lock(m_mutex);
        const auto it = m_entries.find(endpoint);
        if (it == m_entries.end())
            return;
        if (it->second->reading) {
            it->second->readAgain = true;
            return;
        }
        it->second->reading = true;
        ++m_pending;
    }
    m_pool->start([this, endpoint] {
        for (;;) {
            read(endpoint);
            std::lock_guard<std::mutex> lock(m_mutex);
            const auto it = m_entries.find(endpoint);
            if (it != m_entries.end() && it->second->readAgain) {
                it->second->readAgain = false;
                continue;
            }
            if (it != m_entries.end())
                it->second->reading = false;
            --m_pending;
            return;
        }
    });
}

void OnvifDevices::read(const std::string &endpoint)
{
    Known k;
    Credentials credentials;
    bool haveCredentials = false;
    {
        std::lock_guard<std::mutex> lock(m_mutex);
        const auto it = m_entries.find(endpoint);
        if (it == m_entries.end())
            return;
        k.device = it->second->known.device;
        haveCredentials = m_haveCredentials;
        credentials = Credentials {m_user, m_password};
    }
    if (!k.device.reachable()) {
        k.state = TARN_ONVIF_ELSEWHERE;
        publish(endpoint, k);
        return;
    }
    const Target target = Target::of(k.device);
    // A device in the factory state answers without credentials, and is read without them.
    const Result<bool> factory = retried([&] { return m_client.factoryState(target); });
    k.factory = factory.ok() && factory.value;
    Result<Details> details;
    if (!factory.ok()) {
        k.state = TARN_ONVIF_NO_ANSWER;
    } else if (k.factory || haveCredentials) {
        details = readDetails(m_client, target, k.factory ? nullptr : &credentials);
        k.state = details.ok() ? TARN_ONVIF_READ
                               : details.error == ErrorKind::Unauthorized ? TARN_ONVIF_REFUSED : TARN_ONVIF_NO_ANSWER;
        if (details.ok()) {
            k.details = details.value;
            k.haveDetails = true;
            k.certificate = details.certificateSha256;
        }
    }
    publish(endpoint, k);
}

void OnvifDevices::publish(const std::string &endpoint, const Known &known)
{
    std::vector<TARN_DEVICE_INFO> out;
    {
        std::lock_guard<std::mutex> lock(m_mutex);
        const auto it = m_entries.find(endpoint);
        if (it == m_entries.end())
            return;  // gone meanwhile
        Entry &e = *it->second;
        const Device latest = e.known.device;  // discovery may have heard more meanwhile
        e.known = known;
        e.known.device = latest;
        show(e, out);
    }
    for (const TARN_DEVICE_INFO &record : out)
        m_emit(record);
}

void OnvifDevices::show(Entry &e, std::vector<TARN_DEVICE_INFO> &out)
{
    TARN_DEVICE_INFO record = recordOf(e.known, e.shown ? TARN_EVENT_UPDATE : TARN_EVENT_ONLINE);
    if (e.shown && identityOf(record) != identityOf(e.published)) {
        TARN_DEVICE_INFO gone = e.published;
        gone.eventType = TARN_EVENT_OFFLINE;
        out.push_back(gone);
        record.eventType = TARN_EVENT_ONLINE;
    }
    e.published = record;
    e.shown = true;
    out.push_back(record);
}

TARN_DEVICE_INFO OnvifDevices::recordOf(const Known &k, int eventType)
{
    TARN_DEVICE_INFO r {};
    r.eventType = eventType;
    r.protocol = TARN_PROTOCOL_ONVIF;
    r.protocolState = quint8(k.state);
    const DeviceInformation &info = k.details.information;
    const NetworkInterface *nic = firstInterface(k);
    const QString serial = k.haveDetails && !info.serialNumber.empty() ? QString::fromStdString(info.serialNumber)
                                                                      : endpointSerial(k.device.endpoint);
    setFieldText(r.serialNumber, serial);
    if (nic)
        setFieldText(r.macAddress, macText(nic->mac));
    setFieldText(r.ipv4Address, QString::fromStdString(k.device.address));
    if (nic)
        setFieldText(r.ipv4SubnetMask, maskOf(nic->ipv4.prefixLength));
    if (k.haveDetails && !k.details.gateways.empty())
        setFieldText(r.ipv4Gateway, QString::fromStdString(k.details.gateways.front()));
    QString type;
    if (k.haveDetails && !info.model.empty())
        type = QString::fromStdString(info.manufacturer.empty() ? info.model : info.manufacturer + " " + info.model);
    else if (!k.device.name.empty() && !k.device.hardware.empty())
        type = QString::fromStdString(k.device.name + " (" + k.device.hardware + ")");
    else
        type = QString::fromStdString(k.device.hardware.empty() ? k.device.name : k.device.hardware);
    setFieldText(r.deviceTypeName, type);
    if (k.haveDetails)
        setFieldText(r.softwareVersion, QString::fromStdString(info.firmwareVersion));
    const int http = k.haveDetails ? k.details.protocols.port("HTTP") : 0;
    r.httpPort = quint16(http > 0 ? http : k.device.httpPort);
    r.dhcpEnabled = nic && nic->ipv4.dhcp ? 1 : 0;
    r.capabilityFlags = TARN_CAP_DHCP;
    r.activationState = k.factory ? TARN_NOT_ACTIVATED : TARN_ACTIVATED;
    return r;
}

int OnvifDevices::errorCode(ErrorKind kind, bool change)
{
    switch (kind) {
    case ErrorKind::None:
        return TARN_ERR_NONE;
    case ErrorKind::Unauthorized:
        return TARN_ERR_DENIED;
    case ErrorKind::Timeout:
    case ErrorKind::Refused:
    case ErrorKind::Cancelled:
        return TARN_ERR_TIMEOUT;
    case ErrorKind::Fault:
        return change ? TARN_ERR_INVALID_PARAM : TARN_ERR_DEVICE_FAILED;
    case ErrorKind::NotSupported:
        return TARN_ERR_NOT_SUPPORTED;
    case ErrorKind::InvalidArgument:
        return TARN_ERR_BAD_ARGUMENT;
    case ErrorKind::BadResponse:
        break;
    }
    return TARN_ERR_DEVICE_FAILED;
}

std::string OnvifDevices::endpointOf(const QByteArray &key, bool mac) const
{
    const std::string wanted = mac ? tarn::canonicalMac(key.toStdString()) : key.toStdString();
    if (wanted.empty())
        return std::string();
    std::lock_guard<std::mutex> lock(m_mutex);
    for (const auto &entry : m_entries) {
        const TARN_DEVICE_INFO &r = entry.second->published;
        const std::string have = mac ? tarn::canonicalMac(macOf(r).toStdString()) : serialOf(r).toStdString();
        if (entry.second->shown && have == wanted)
            return entry.first;
    }
    return std::string();
}

bool OnvifDevices::knownOf(const std::string &endpoint, Known *out) const
{
    std::lock_guard<std::mutex> lock(m_mutex);
    const auto it = m_entries.find(endpoint);
    if (it == m_entries.end())
        return false;
    *out = it->second->known;
    return true;
}

bool OnvifDevices::ownsSerial(const QByteArray &serial) const
{
    return !endpointOf(serial, false).empty();
}

QString OnvifDevices::certificateOf(const QByteArray &serial) const
{
    const std::string endpoint = endpointOf(serial, false);
    std::lock_guard<std::mutex> lock(m_mutex);
    const auto it = m_entries.find(endpoint);
    return it == m_entries.end() ? QString() : QString::fromStdString(it->second->known.certificate);
}

bool OnvifDevices::ownsMac(const QByteArray &mac) const
{
    return !endpointOf(mac, true).empty();
}

bool OnvifDevices::activate(const QByteArray &serial, const QByteArray &password, int *error)
{
    const std::string endpoint = endpointOf(serial, false);
    Known k;
    if (!knownOf(endpoint, &k)) {
        *error = TARN_ERR_TIMEOUT;  // gone meanwhile
        return false;
    }
    if (!k.factory) {
        *error = TARN_ERR_ALREADY_ACTIVATED;
        return false;
    }
    const Credentials credentials = credentialsWith(password);
    const Target target = Target::of(k.device);
    const Status made = m_client.createUsers(target, nullptr, credentials.user, credentials.password);
    if (!made.ok()) {
        // A device that wants credentials for it has users already; one that did not answer may
        // have made the account all the same.
        *error = made.error == ErrorKind::Unauthorized ? TARN_ERR_ALREADY_ACTIVATED
               : transient(made.error)                 ? TARN_ERR_TIMEOUT
                                                       : errorCode(made.error, true);
        return false;
    }
    // Read back with the new account: the device shows as activated only once it says so.
    const Result<bool> factory = retried([&] { return m_client.factoryState(target); });
    const Result<Details> details = readDetails(m_client, target, &credentials);
    k.factory = factory.ok() && factory.value;
    if (details.ok()) {
        k.details = details.value;
        k.haveDetails = true;
        k.state = TARN_ONVIF_READ;
    }
    publish(endpoint, k);
    if (k.factory || !factory.ok()) {
        *error = TARN_ERR_TIMEOUT;
        return false;
    }
    return true;
}

bool OnvifDevices::modify(const QByteArray &mac, const QByteArray &password, const TARN_NETWORK_PARAMS &params,
                          int *error)
{
    const std::string endpoint = endpointOf(mac, true);
    Known k;
    if (!knownOf(endpoint, &k)) {
        *error = TARN_ERR_TIMEOUT;  // gone meanwhile
        return false;
    }
    const Credentials credentials = credentialsWith(password);
    Target target = Target::of(k.device);
    // What the device holds now, read with the credentials given: this also checks them first.
    const Result<Details> now = readDetails(m_client, target, &credentials);
    if (!now.ok() || now.value.interfaces.empty()) {
        *error = now.ok() ? TARN_ERR_DEVICE_FAILED : errorCode(now.error, false);
        return false;
    }
    const NetworkInterface &nic = now.value.interfaces.front();
    const bool dhcp = params.dhcpEnabled == 1;
    const QString address = fieldText(params.ipv4Address);
    const QString gateway = fieldText(params.ipv4Gateway);
    const int prefix = prefixOf(fieldText(params.ipv4SubnetMask));
    if (!dhcp && prefix < 1) {
        *error = TARN_ERR_INVALID_PARAM;
        return false;
    }
    // A change that got no answer may have been made: whether it took is not known.
    auto failed = [error](const Status &status) {
        *error = transient(status.error) ? TARN_ERR_TIMEOUT : errorCode(status.error, true);
        return false;
    };
    // Gateway and HTTP port first, while the device is still where it was.
    const int httpNow = now.value.protocols.port("HTTP");
    if (params.httpPort != 0 && params.httpPort != httpNow) {
        const Status set = m_client.setNetworkProtocols(target, &credentials, params.httpPort);
        if (!set.ok())
            return failed(set);
        // The service moves to the new port: the rest goes there.
        target.xaddr = withPort(target.xaddr, params.httpPort);
        k.device.xaddr = target.xaddr;
    }
    const std::string gatewayNow = now.value.gateways.empty() ? std::string() : now.value.gateways.front();
    if (!dhcp && !gateway.isEmpty() && gateway != QLatin1String("0.0.0.0") && gateway.toStdString() != gatewayNow) {
        const Status set = m_client.setNetworkDefaultGateway(target, &credentials, gateway.toStdString());
        if (!set.ok())
            return failed(set);
    }
    const bool moves = !dhcp && address.toStdString() != nic.ipv4.address;
    const bool ipChange = moves || dhcp != nic.ipv4.dhcp || (!dhcp && prefix != nic.ipv4.prefixLength);
    bool reboot = false;
    if (ipChange) {
        const Result<bool> set = m_client.setNetworkInterfaces(target, &credentials, nic.token,
                                                               Ipv4Config {dhcp, address.toStdString(), prefix});
        // An unanswered change that moves the device is settled where it would have gone.
        if (!set.ok() && !(moves && transient(set.error)))
            return failed(set);
        reboot = set.ok() && set.value;
        if (reboot) {
            const Result<std::string> restarted = m_client.systemReboot(target, &credentials);
            if (!restarted.ok())
                return failed(restarted);
        }
    }
    // Done only when the device answers with the new settings: at its new address when it moved.
    // What it says where it was proves nothing about where it went.
    const milliseconds budget = reboot ? kRebootBudget : kConfirmBudget;
    if (moves) {
        const AddressChange change {k.device, address.toStdString(), nic.mac, params.httpPort};
        if (confirmAddress(m_discovery, change, &credentials, budget).confirmed)
            return true;  // discovery heard it there, and reads it again from there
        *error = TARN_ERR_TIMEOUT;
        return false;
    }
    const auto deadline = std::chrono::steady_clock::now() + budget;
    for (;;) {
        // A new HTTP port moves the service: discovery learns where from the device's Hello.
        const std::optional<Device> seen = m_discovery.device(k.device.endpoint);
        const Result<Details> after = readDetails(m_client, seen ? Target::of(*seen) : target, &credentials);
        if (after.ok() && !after.value.interfaces.empty()) {
            const NetworkInterface &n = after.value.interfaces.front();
            const bool holds = n.ipv4.dhcp == dhcp && (dhcp || n.ipv4.prefixLength == prefix)
                && (params.httpPort == 0 || after.value.protocols.port("HTTP") == params.httpPort);
            if (holds) {
                Known read = k;
                if (seen)
                    read.device = *seen;
                read.details = after.value;
                read.haveDetails = true;
                read.state = TARN_ONVIF_READ;
                publish(endpoint, read);
                return true;
            }
        }
        if (std::chrono::steady_clock::now() >= deadline)
            break;
        std::this_thread::sleep_for(milliseconds(500));
    }
    *error = TARN_ERR_TIMEOUT;
    return false;
}

} // namespace TARN
