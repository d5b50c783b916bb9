#include "common/netparamcheck.h"

#include <QCoreApplication>

#include "common/addresscheck.h"
#include "common/addressplan.h"

namespace NetParamCheck {

namespace {

// A number field whose text must lie in [lo, hi]; empty or non-numeric text is below any range
// that starts above 0, and refused outright otherwise.
bool inRange(const QString &text, int lo, int hi)
{
    bool ok = false;
    const int value = text.trimmed().toInt(&ok, 10);
    return ok && value >= lo && value <= hi;
}

} // namespace

int numberOf(const QString &text)
{
    bool ok = false;
    const int value = text.trimmed().toInt(&ok, 10);
    return ok ? value : 0;
}

QString startAddress(const QString &text)
{
    const QString t = text.trimmed();
    if (t.isEmpty())
        return QCoreApplication::translate("TarnTool::DeviceNetParaPage", "Please input IP Address.");
    return isValidIPv4Address(t) ? QString() : QCoreApplication::translate("TarnTool::DeviceNetParaPage", "IP Address not correct.");
}

QString ipAddress(const QString &text)
{
    return startAddress(text);
}

QString subnetMask(const QString &text)
{
    const QString t = text.trimmed();
    if (t.isEmpty())
        return QCoreApplication::translate("TarnTool::DeviceNetParaPage", "Subnet mask can not be empty.");
    return isValidSubnetMask(t) ? QString() : QCoreApplication::translate("TarnTool::DeviceNetParaPage", "Subnet Mask not correct.");
}

QString gateway(const QString &text)
{
    const QString t = text.trimmed();
    if (t.isEmpty())
        return QCoreApplication::translate("TarnTool::DeviceNetParaPage", "Gateway can not be empty");
    return isValidGateway(t) ? QString() : QCoreApplication::translate("TarnTool::DeviceNetParaPage", "Gateway not correct.");
}

QString gatewayInSubnet(const QString &address, const QString &mask, const QString &gateway)
{
    const QString subnet = AddressPlan::subnetOf(address, mask);
    const QString g = gateway.trimmed();
    if (subnet.isEmpty() || g.isEmpty() || g == QLatin1String("0.0.0.0")
        || AddressPlan::sameSubnet(address, g, mask))
        return QString();
    return QCoreApplication::translate("TarnTool::DeviceNetParaPage", "The gateway %1 is not in the subnet %2.")
        .arg(g, subnet);
}

QString port(const QString &text)
{
    return inRange(text, 2000, 65535) ? QString() : QCoreApplication::translate("TarnTool::DeviceNetParaPage", "Device port ranges from 2000 to 65535.");
}

QString httpPort(const QString &text, bool enabled)
{
    if (!enabled)
        return QString();
    return inRange(text, 1, 65535) ? QString() : QCoreApplication::translate("TarnTool::DeviceNetParaPage", "Http port ranges from 1 to 65535.");
}

QString ipv6Address(const QString &text)
{
    const QString t = text.trimmed();
    return !t.isEmpty() && isValidIPv6Address(t) ? QString() : QCoreApplication::translate("TarnTool::DeviceNetParaPage", "IPv6 Address not correct.");
}

QString ipv6Gateway(const QString &text)
{
    const QString t = text.trimmed();
    return !t.isEmpty() && isValidIPv6Address(t) ? QString() : QCoreApplication::translate("TarnTool::DeviceNetParaPage", "IPv6 gateway not correct.");
}

QString ipv6PrefixLength(const QString &text)
{
    return inRange(text, 0, 127) ? QString() : QCoreApplication::translate("TarnTool::DeviceNetParaPage", "IPv6 prefix length ranges from 0 to 127.");
}

} // namespace NetParamCheck
