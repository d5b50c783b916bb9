// A minimal tool side for multi-host tests: starts the library, waits for devices, and optionally
// activates a new device and changes one activated device's address, waiting for their updates.
//   tarn_probe --expect N [--mode 0|1] [--timeout-ms T] [--activate PW] [--modify-ip ADDR --password PW]
#include <chrono>
#include <condition_variable>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <map>
#include <mutex>
#include <string>
#include <thread>

#include "tarn.h"

namespace {

std::mutex g_mutex;
std::condition_variable g_changed;
std::map<std::string, TARN_DEVICE_INFO> g_devices;
std::map<std::string, TARN_DEVICE_INFO> g_updates;

void callback(const TARN_DEVICE_INFO *d, void *)
{
    std::lock_guard<std::mutex> lock(g_mutex);
    const std::string mac(d->macAddress, strnlen(d->macAddress, sizeof d->macAddress));
    if (d->eventType == TARN_EVENT_ONLINE)
        g_devices[mac] = *d;
    else if (d->eventType == TARN_EVENT_UPDATE)
        g_updates[mac] = *d;
    g_changed.notify_all();
}

} // namespace

int main(int argc, char **argv)
{
    int expect = 1, mode = TARN_MODE_LINK_LAYER, timeoutMs = 5000;
    std::string modifyIp, password, activate;
    for (int i = 1; i + 1 < argc; i += 2) {
        const std::string arg = argv[i];
        if (arg == "--expect") expect = std::atoi(argv[i + 1]);
        else if (arg == "--mode") mode = std::atoi(argv[i + 1]);
        else if (arg == "--timeout-ms") timeoutMs = std::atoi(argv[i + 1]);
        else if (arg == "--modify-ip") modifyIp = argv[i + 1];
        else if (arg == "--password") password = argv[i + 1];
        else if (arg == "--activate") activate = argv[i + 1];
    }
    TARN_SetLogToFile(TARN_LOG_WARNING, nullptr, 0);
    if (!TARN_Start_V30(callback, mode, nullptr)) {
        std::printf("start failed: %d\n", TARN_GetLastError());
        return 2;
    }
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(timeoutMs);
    std::unique_lock<std::mutex> lock(g_mutex);
    g_changed.wait_until(lock, deadline, [&] { return int(g_devices.size()) >= expect; });
    std::printf("found %zu devices\n", g_devices.size());
    if (int(g_devices.size()) < expect) {
        lock.unlock();
        TARN_Stop();
        return 1;
    }
    int status = 0;
    TARN_DEVICE_INFO activated {};
    if (!activate.empty()) {
        for (const auto &entry : g_devices) {
            if (entry.second.activationState == TARN_NOT_ACTIVATED)
                activated = entry.second;
        }
        lock.unlock();
        const int ok = activated.serialNumber[0] ? TARN_ActivateDevice(activated.serialNumber, activate.c_str()) : 0;
        lock.lock();
        const std::string mac(activated.macAddress);
        const bool seen = ok && g_changed.wait_for(lock, std::chrono::seconds(3), [&] {
            const auto it = g_updates.find(mac);
            return it != g_updates.end() && it->second.activationState == TARN_ACTIVATED;
        });
        std::printf("activate %s: %s (%d), update %s\n", activated.serialNumber, ok ? "done" : "failed",
                    ok ? 0 : TARN_GetLastError(), seen ? "seen" : "missing");
        if (!seen) {
            lock.unlock();
            TARN_Stop();
            return 5;
        }
        activated = g_updates[mac];
    }
    if (!modifyIp.empty()) {
        TARN_DEVICE_INFO target = activated;
        for (const auto &entry : g_devices) {
            if (!activated.macAddress[0] && entry.second.activationState == TARN_ACTIVATED && entry.second.dhcpEnabled != 1)
                target = entry.second;
        }
        lock.unlock();
        TARN_NETWORK_PARAMS p;
        std::memset(&p, 0, sizeof p);
        std::snprintf(p.ipv4Address, sizeof p.ipv4Address, "%s", modifyIp.c_str());
        std::memcpy(p.ipv4SubnetMask, target.ipv4SubnetMask, sizeof target.ipv4SubnetMask);
        std::memcpy(p.ipv4Gateway, target.ipv4Gateway, sizeof target.ipv4Gateway);
        p.port = static_cast<uint16_t>(target.port);
        p.httpPort = target.httpPort;
        if (!TARN_ModifyDeviceNetParam(target.macAddress, password.c_str(), &p)) {
            std::printf("modify %s failed: %d\n", target.macAddress, TARN_GetLastError());
            status = 3;
        } else {
            lock.lock();
            const std::string mac(target.macAddress);
            const bool seen = g_changed.wait_for(lock, std::chrono::seconds(3), [&] {
                const auto it = g_updates.find(mac);
                return it != g_updates.end() && modifyIp == it->second.ipv4Address;
            });
            lock.unlock();
            std::printf("modified %s to %s: update %s\n", target.macAddress, modifyIp.c_str(), seen ? "seen" : "missing");
            status = seen ? 0 : 4;
        }
    } else {
        lock.unlock();
    }
    TARN_Stop();
    return status;
}
