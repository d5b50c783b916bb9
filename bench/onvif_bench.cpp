// ONVIF at scale against the emulator: how soon after a probe every device is in the table, and
// how long reading the details of all of them takes with a bounded number of connections.
// Run it in a network namespace of its own: scripts/isolated.sh build/bench/onvif_bench [N]

#include <atomic>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <thread>
#include <vector>

#include "benchsupport.h"
#include "onvif.h"

using namespace tarn::onvif;
using namespace std::chrono;

int main(int argc, char **argv)
{
    const int count = argc > 1 ? std::atoi(argv[1]) : 200;
    if (std::getenv("TARN_ISOLATED") == nullptr || std::string(std::getenv("TARN_ISOLATED")) != "1") {
        std::fprintf(stderr, "onvif_bench: run it as scripts/isolated.sh %s: it routes multicast on the namespace's lo\n", argv[0]);
        return 2;
    }
    if (std::system("ip link set lo multicast on && ip route replace 224.0.0.0/4 dev lo") != 0)
        return 2;
    setenv("TARN_IFACES", "lo", 1);
    char state[] = "/tmp/onvif-bench-XXXXXX";
    if (!mkdtemp(state))
        return 1;
    Emulator emulator;
    if (!emulator.start({"--count", "0", "--onvif", std::to_string(count), "--iface", "lo", "--state",
                         std::string(state) + "/state.json"}))
        return 1;
    std::this_thread::sleep_for(seconds(3));  // the devices' Hellos are over: only probes find them now

    std::printf("onvif_bench: %d emulated ONVIF devices on lo\n", count);
    Discovery discovery;
    Discovery::Timing timing;
    timing.reprobe = seconds(60);  // one round only
    discovery.setTiming(timing);
    for (int round = 1; round <= 3; ++round) {
        std::atomic<int> online {0};
        const auto start = steady_clock::now();
        std::atomic<long long> lastMs {0};
        if (!discovery.start([&](Event e, const Device &) {
                if (e == Event::Online) {
                    ++online;
                    lastMs = duration_cast<milliseconds>(steady_clock::now() - start).count();
                }
            }))
            return 1;
        while (online < count && steady_clock::now() - start < seconds(10))
            std::this_thread::sleep_for(milliseconds(5));
        std::printf("  probe %d: %d of %d found, the last %.2f s after the probe went out\n", round, online.load(), count,
                    double(lastMs.load()) / 1000);
        if (round < 3)
            discovery.stop();
    }

    const std::vector<Device> devices = discovery.devices();
    const Credentials admin {"admin", Secret(std::string("Admin12345"))};
    for (int parallel : {8, 32}) {
        Client client;
        std::atomic<std::size_t> next {0};
        std::atomic<int> ok {0}, failed {0};
        const auto start = steady_clock::now();
        std::vector<std::thread> workers;
        for (int w = 0; w < parallel; ++w) {
            workers.emplace_back([&] {
                for (std::size_t i; (i = next++) < devices.size();) {
                    const Target target = Target::of(devices[i]);
                    const Result<bool> factory = client.factoryState(target);
                    const Result<Details> details = client.readDetails(target, factory.value ? nullptr : &admin);
                    (details.ok() ? ok : failed)++;
                }
            });
        }
        for (std::thread &t : workers)
            t.join();
        std::printf("  details (factory state, information, interfaces, gateway, protocols) of %zu devices, %d connections at a time: %.2f s, %d read, %d failed\n",
                    devices.size(), parallel, duration<double>(steady_clock::now() - start).count(), ok.load(), failed.load());
    }
    discovery.stop();
    emulator.stop();
    std::system((std::string("rm -rf ") + state).c_str());
    return 0;
}
