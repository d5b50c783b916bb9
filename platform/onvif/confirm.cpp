#include "onvif.h"

#include <algorithm>
#include <cctype>
#include <thread>

#include "core/wsd.h"

using namespace std::chrono;

namespace tarn::onvif {

namespace {

std::string normalMac(const std::string &mac)
{
    std::string out;
    for (char c : mac) {
        if (std::isxdigit(static_cast<unsigned char>(c)))
            out += char(std::tolower(static_cast<unsigned char>(c)));
    }
    return out;
}

} // namespace

Confirmation confirmAddress(Discovery &discovery, const AddressChange &change, const Credentials *credentials,
                            milliseconds budget, const std::atomic<bool> *cancel)
{
    Confirmation result;
    const steady_clock::time_point deadline = steady_clock::now() + budget;
    auto old = wsd::parseUrl(change.device.xaddr);
    if (!old)
        return result;
    wsd::Url there = *old;
    there.host = change.newAddress;
    if (change.httpPort > 0)
        there.port = change.httpPort;
    const Target target {there.text(), change.device.interfaceName};
    // Reads at the new address must not wait out the budget on one silent connection.
    ClientOptions quick;
    quick.connectTimeout = milliseconds(800);
    quick.totalTimeout = milliseconds(2000);
    Client reader(quick);

    while (steady_clock::now() < deadline && !(cancel && cancel->load())) {
        if (discovery.running()) {
            discovery.probeNow();
            if (discovery.waitForAddress(change.device.endpoint, change.newAddress,
                                         std::min(deadline, steady_clock::now() + milliseconds(1000)), cancel)) {
                result.confirmed = true;
                result.how = "announced from " + change.newAddress;
                return result;
            }
        }
        const auto read = reader.getNetworkInterfaces(target, credentials);
        if (read.ok()) {
            for (const NetworkInterface &i : read.value) {
                if (i.ipv4.address == change.newAddress && (change.mac.empty() || normalMac(i.mac) == normalMac(change.mac))) {
                    result.confirmed = true;
                    result.how = "read at " + target.xaddr;
                    return result;
                }
            }
        }
        if (!discovery.running())
            std::this_thread::sleep_for(std::min(milliseconds(500), duration_cast<milliseconds>(deadline - steady_clock::now())));
    }
    return result;
}

} // namespace tarn::onvif
