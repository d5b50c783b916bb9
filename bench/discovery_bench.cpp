// Time from TARN_SendInquiry to the last online callback, for 100 and 1000 emulated devices on the
// loopback interface, and how many devices were missed. Prints figures; passes or fails nothing.
#include <atomic>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <mutex>
#include <set>
#include <string>
#include <thread>

#include "benchsupport.h"
#include "tarn.h"

using Clock = std::chrono::steady_clock;

namespace {
std::mutex g_mutex;
std::set<std::string> g_seen;
Clock::time_point g_last;

void callback(const TARN_DEVICE_INFO *d, void *)
{
    if (d->eventType != TARN_EVENT_ONLINE)
        return;
    std::lock_guard<std::mutex> lock(g_mutex);
    if (g_seen.insert(d->macAddress).second)
        g_last = Clock::now();
}
} // namespace

int main()
{
    setenv("TARN_IFACES", "lo", 1);
    TARN_SetLogToFile(TARN_LOG_WARNING, nullptr, 0);
    std::printf("devices  found  missed  inquiry-to-last-online(ms)\n");
    for (int count : {100, 1000}) {
        Emulator emulator;
        // Long announcement interval: only answers to the inquiry count.
        if (!emulator.start({"--iface", "lo", "--count", std::to_string(count), "--seed", "5", "--announce-s", "3600"}))
            return 1;
        std::this_thread::sleep_for(std::chrono::milliseconds(1500));  // its start-up announcements pass
        if (!TARN_Start_V30(callback, TARN_MODE_LINK_LAYER, nullptr))
            return 1;
        // Past the start's own search, whose last round ends two seconds in: a device answers at
        // most once a second, so a search sooner than that would measure the limit, not discovery.
        std::this_thread::sleep_for(std::chrono::milliseconds(4000));
        {
            std::lock_guard<std::mutex> lock(g_mutex);
            g_seen.clear();
        }
        TARN_Clearup();
        const Clock::time_point sent = Clock::now();
        TARN_SendInquiry();
        std::this_thread::sleep_for(std::chrono::milliseconds(4000));
        std::lock_guard<std::mutex> lock(g_mutex);
        const long ms = g_seen.empty() ? -1 : long(std::chrono::duration_cast<std::chrono::milliseconds>(g_last - sent).count());
        std::printf("%7d  %5zu  %6d  %ld\n", count, g_seen.size(), count - int(g_seen.size()), ms);
        TARN_Stop();
        emulator.stop();
    }
    return 0;
}
