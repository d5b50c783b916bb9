// 200 address changes in a row against an emulator that drops 20 % of datagrams each way: the share
// that succeeds within the library's time budget, and whether any change was applied twice.
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <map>
#include <mutex>
#include <string>
#include <thread>

#include "benchsupport.h"
#include "tarn.h"

namespace {
std::mutex g_mutex;
std::map<std::string, TARN_DEVICE_INFO> g_devices;

void callback(const TARN_DEVICE_INFO *d, void *)
{
    std::lock_guard<std::mutex> lock(g_mutex);
    if (d->eventType == TARN_EVENT_ONLINE || d->eventType == TARN_EVENT_UPDATE)
        g_devices[d->macAddress] = *d;
}
} // namespace

int main(int argc, char **argv)
{
    const int rounds = argc > 1 ? std::atoi(argv[1]) : 200;
    setenv("TARN_IFACES", "lo", 1);
    TARN_SetLogToFile(TARN_LOG_ERROR, nullptr, 0);
    Emulator emulator;
    if (!emulator.start({"--iface", "lo", "--count", "4", "--seed", "9", "--loss", "20", "--announce-s", "2"}))
        return 1;
    if (!TARN_Start_V30(callback, TARN_MODE_LINK_LAYER, nullptr))
        return 1;
    TARN_DEVICE_INFO target {};
    for (int i = 0; i < 100 && !target.macAddress[0]; ++i) {
        std::this_thread::sleep_for(std::chrono::milliseconds(100));
        std::lock_guard<std::mutex> lock(g_mutex);
        for (const auto &e : g_devices) {
            if (e.second.activationState == TARN_ACTIVATED && e.second.dhcpEnabled != 1)
                target = e.second;
        }
    }
    if (!target.macAddress[0]) {
        std::printf("no activated device found\n");
        return 1;
    }
    int ok = 0;
    std::map<int, int> failures;
    const auto begin = std::chrono::steady_clock::now();
    for (int i = 0; i < rounds; ++i) {
        TARN_NETWORK_PARAMS p;
        std::memset(&p, 0, sizeof p);
        std::snprintf(p.ipv4Address, sizeof p.ipv4Address, "10.88.%d.%d", (i / 200) % 250, 10 + i % 200);
        std::strcpy(p.ipv4SubnetMask, "255.255.0.0");
        std::strcpy(p.ipv4Gateway, "10.88.0.1");
        p.port = static_cast<uint16_t>(9000 + i);
        p.httpPort = 80;
        if (TARN_ModifyDeviceNetParam(target.macAddress, "Admin12345", &p))
            ++ok;
        else
            ++failures[TARN_GetLastError()];
    }
    const double seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - begin).count();
    TARN_Stop();
    emulator.stop();
    std::printf("loss 20%% each way: %d of %d changes succeeded (%.1f %%) in %.1f s\n", ok, rounds, 100.0 * ok / rounds, seconds);
    for (const auto &f : failures)
        std::printf("  failed with %d: %d\n", f.first, f.second);
    std::printf("%s", emulator.output.c_str());
    return 0;
}
