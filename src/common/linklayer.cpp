#include "common/linklayer.h"

#include <cerrno>
#include <cstring>

#include <ifaddrs.h>
#include <net/if.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

#include <QStringList>

namespace {

bool usesOtherThanLoopback()
{
    QStringList named;
    for (const QString &name : QString::fromLocal8Bit(qgetenv("TARN_IFACES")).split(QLatin1Char(','))) {
        if (!name.trimmed().isEmpty())
            named << name.trimmed();
    }
    ifaddrs *list = nullptr;
    if (getifaddrs(&list) != 0)
        return true;
    bool other = false;
    for (ifaddrs *ifa = list; ifa && !other; ifa = ifa->ifa_next) {
        if (!ifa->ifa_addr || ifa->ifa_addr->sa_family != AF_INET || !(ifa->ifa_flags & IFF_UP)
            || (ifa->ifa_flags & IFF_LOOPBACK))
            continue;
        other = named.isEmpty() ? (ifa->ifa_flags & IFF_MULTICAST) != 0
                                : named.contains(QString::fromLocal8Bit(ifa->ifa_name));
    }
    freeifaddrs(list);
    return other;
}

} // namespace

bool linkLayerReceiveMissing(QString *why)
{
    // As discovery opens it: a packet socket that takes nothing in until it is bound.
    const int fd = socket(AF_PACKET, SOCK_DGRAM | SOCK_CLOEXEC, 0);
    if (fd >= 0) {
        close(fd);
        return false;
    }
    const int error = errno;
    if (!usesOtherThanLoopback())
        return false;
    if (why)
        *why = QString::fromLocal8Bit(std::strerror(error));
    return true;
}

QString linkLayerFixCommand(const QString &program)
{
    return QStringLiteral("sudo setcap cap_net_raw+ep ") + program;
}
