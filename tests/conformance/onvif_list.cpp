// Lists the ONVIF devices the library finds in a few seconds, one a line: endpoint, address,
// service address, and with ONVIF_USER/ONVIF_PASSWORD set, the IPv4 address the device reports.

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <thread>

#include "onvif.h"

int main(int argc, char **argv)
{
    using namespace tarn::onvif;
    const int seconds = argc > 1 ? std::atoi(argv[1]) : 3;
    Discovery discovery;
    std::string error;
    if (!discovery.start([](Event, const Device &) {}, &error)) {
        std::fprintf(stderr, "onvif_list: %s\n", error.c_str());
        return 1;
    }
    std::this_thread::sleep_for(std::chrono::seconds(seconds));
    const char *user = std::getenv("ONVIF_USER");
    const char *password = std::getenv("ONVIF_PASSWORD");
    Credentials credentials;
    if (user && password)
        credentials = Credentials {user, Secret(password, std::char_traits<char>::length(password))};
    Client client;
    for (const Device &d : discovery.devices()) {
        std::string reported = "-";
        if (user && password) {
            const auto interfaces = client.getNetworkInterfaces(Target::of(d), &credentials);
            reported = interfaces.ok() && !interfaces.value.empty() ? interfaces.value[0].ipv4.address : errorName(interfaces.error);
        }
        std::printf("%s %s %s %s\n", d.endpoint.c_str(), d.address.c_str(), d.xaddr.c_str(), reported.c_str());
    }
    discovery.stop();
    return 0;
}
