// tarn-device: many virtual devices that speak the discovery protocol, for running and testing the
// tool without hardware. Confine it with --iface lo (or TARN_IFACES) on a machine with a real network.

#include <atomic>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

#include <unistd.h>

#include "core/log.h"
#include "core/seal.h"
#include "core/transport.h"
#include "emulator.h"
#include "onvifdevices.h"

namespace {

// Set by the signal handler, read by the TARN and ONVIF loops on their threads: a lock-free atomic
// is safe in both places, where a volatile bool is a data race.
std::atomic<bool> g_stop {false};

void onSignal(int)
{
    g_stop = true;
}

void usage(FILE *out)
{
    std::fprintf(out,
        "Usage: tarn-device [options]\n"
        "Runs virtual devices that answer the discovery protocol.\n\n"
        "  --count N        number of TARN devices (default 8; 0 with --onvif for ONVIF ones only)\n"
        "  --onvif N        also run N devices that speak ONVIF: WS-Discovery on 3702 and the device\n"
        "                   service over HTTP, each on a port of its own at the interface's address\n"
        "  --onvif-port N   first of their ports (default: any free ones, kept in the state file)\n"
        "  --iface NAME     interface to use; repeat for more (default: TARN_IFACES, else every\n"
        "                   multicast interface)\n"
        "  --state FILE     JSON state: created on the first run, updated on every change, so devices\n"
        "                   keep their passwords and addresses across restarts\n"
        "  --seed N         seed for reproducible serial numbers and MAC addresses (default 1)\n"
        "  --loss PERCENT   drop this share of datagrams in each direction (fault injection)\n"
        "  --delay-ms N     delay every datagram sent by N milliseconds\n"
        "  --op-ms N        each device works N milliseconds on every sealed operation before it\n"
        "                   answers, one operation after another, as a real device's slow password\n"
        "                   hash makes it (default 0); devices do not wait for one another\n"
        "  --announce-s N   announce each device every N seconds (default 20)\n"
        "  --password TEXT  admin password of the devices that start activated (default Admin12345)\n"
        "  --maker FILE     the maker's secrets (made by tarn-maker init), required: the maker\n"
        "                   certifies each device's identity key for its serial number and MAC;\n"
        "                   devices check reset keys against its public key and take their factory\n"
        "                   secrets from it (default: the file TARN_MAKER_SECRETS names)\n"
        "  --request-s N    lifetime of a key request in seconds (default 172800, two days)\n"
        "  --cache-s N      keep answers for retransmitted requests N seconds (default 60)\n"
        "  --verbose        log every step to standard error\n"
        "  --help           this text\n\n"
        "A third of the devices start without an admin password; a quarter sit at a factory address\n"
        "in 192.0.0.0/24. SIGINT or SIGTERM makes every device say goodbye.\n\n"
        "ONVIF devices: a quarter start in the factory state (no users; they answer without\n"
        "credentials), the others have the user admin with --password. Some ask for HTTP Digest\n"
        "instead of WS-Security, some need a reboot before a new address applies, some keep a clock\n"
        "hours off. They share the interface, so a device takes a new address only where this host\n"
        "can give it one (any 127.0.0.0/8 address on lo): then it serves and announces itself there.\n"
        "Otherwise it reports the new address but stays reachable where it was, and a client cannot\n"
        "confirm the change. On lo, WS-Discovery needs: ip link set lo multicast on; ip route add\n"
        "224.0.0.0/4 dev lo (run it in a network namespace of its own).\n");
}

bool number(const char *text, double lo, double hi, double &out)
{
    char *end = nullptr;
    const double v = std::strtod(text, &end);
    if (!text[0] || *end || v < lo || v > hi)
        return false;
    out = v;
    return true;
}

} // namespace

int main(int argc, char **argv)
{
    tarn::emu::Options options;
    tarn::emu::OnvifOptions onvif;
    std::string ifaces;
    int level = tarn::log::Warning;
    for (int i = 1; i < argc; ++i) {
        const std::string arg = argv[i];
        auto value = [&](double lo, double hi, double &out) {
            if (i + 1 >= argc || !number(argv[++i], lo, hi, out)) {
                std::fprintf(stderr, "tarn-device: %s needs a number from %g to %g\n", arg.c_str(), lo, hi);
                std::exit(2);
            }
        };
        double v = 0;
        if (arg == "--help" || arg == "-h") {
            usage(stdout);
            return 0;
        } else if (arg == "--count") {
            value(0, 5000, v);
            options.count = int(v);
        } else if (arg == "--onvif") {
            value(0, 2000, v);
            onvif.count = int(v);
        } else if (arg == "--onvif-port") {
            value(1, 65535, v);
            onvif.basePort = int(v);
        } else if (arg == "--seed") {
            value(0, 4294967295.0, v);
            options.seed = std::uint32_t(v);
        } else if (arg == "--loss") {
            value(0, 100, v);
            options.lossPercent = v;
        } else if (arg == "--delay-ms") {
            value(0, 10000, v);
            options.delayMs = int(v);
        } else if (arg == "--op-ms") {
            value(0, 60000, v);
            options.opMs = int(v);
        } else if (arg == "--announce-s") {
            value(1, 3600, v);
            options.announceS = int(v);
        } else if (arg == "--cache-s") {
            value(1, 3600, v);
            options.answerCacheS = int(v);
        } else if (arg == "--request-s") {
            value(1, 30 * 86400, v);
            options.requestSeconds = int(v);
        } else if ((arg == "--iface" || arg == "--state" || arg == "--password" || arg == "--maker") && i + 1 < argc) {
            const std::string text = argv[++i];
            if (arg == "--maker")
                options.makerPath = text;
            else if (arg == "--iface")
                ifaces += (ifaces.empty() ? "" : ",") + text;
            else if (arg == "--state")
                options.statePath = text;
            else if (text.size() < 8 || text.size() > 16) {
                std::fprintf(stderr, "tarn-device: --password needs 8 to 16 characters\n");
                return 2;
            } else
                options.defaultPassword = text;
        } else if (arg == "--verbose") {
            level = tarn::log::Debug;
        } else {
            std::fprintf(stderr, "tarn-device: unknown or incomplete option %s (see --help)\n", arg.c_str());
            return 2;
        }
    }
    if (!ifaces.empty())
        setenv("TARN_IFACES", ifaces.c_str(), 1);
    if (options.makerPath.empty()) {
        if (const char *maker = std::getenv("TARN_MAKER_SECRETS"))
            options.makerPath = maker;
    }
    tarn::log::setPrefix("tarn-device");
    tarn::log::configure(level, "", 0);
    if (!tarn::seal::init()) {
        std::fprintf(stderr, "tarn-device: cannot start the cryptography library\n");
        return 1;
    }

    struct sigaction action {};
    action.sa_handler = onSignal;
    sigaction(SIGINT, &action, nullptr);
    sigaction(SIGTERM, &action, nullptr);
    tarn::emu::OnvifThread onvifDevices;
    if (onvif.count > 0) {
        onvif.seed = options.seed;
        onvif.lossPercent = options.lossPercent;
        onvif.delayMs = options.delayMs;
        onvif.password = options.defaultPassword;
        onvif.statePath = options.statePath;
        std::string error;
        if (!onvifDevices.start(onvif, [] { return g_stop.load(); }, &error)) {
            std::fprintf(stderr, "tarn-device: %s\n", error.c_str());
            return 1;
        }
    }
    if (options.count == 0) {
        std::printf("tarn-device: 0 devices and %zu ONVIF devices ready\n", onvifDevices.size());
        std::fflush(stdout);
        while (!g_stop)
            pause();
        return 0;
    }

    tarn::emu::Emulator emulator(options);
    std::string error;
    if (!emulator.prepare(&error)) {
        std::fprintf(stderr, "tarn-device: %s\n", error.c_str());
        return 1;
    }
    tarn::net::Transport transport;
    if (!transport.open(true, &error)) {
        std::fprintf(stderr, "tarn-device: %s\n", error.c_str());
        return 1;
    }
    std::printf("tarn-device: %d devices and %zu ONVIF devices ready\n", int(emulator.devices().size()), onvifDevices.size());
    std::fflush(stdout);
    return emulator.run(transport, g_stop);
}
