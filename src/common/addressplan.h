#pragma once

#include <QString>
#include <QStringList>

// The addresses a batch of devices gets from one start address: counting up from the start, with
// carry into the higher parts, inside the start address's subnet by the mask. Addresses a device
// refuses or that would clash are skipped: those ending in .0 or .255, the subnet's own network and
// broadcast addresses, and the gateway. The plan is made, and refused as a whole if the devices do
// not fit, before anything is sent.
class AddressPlan
{
public:
    enum Error {
        NoError,
        BadStart,      // the start address is not an address a device takes
        BadMask,       // the mask is not a run of ones followed by zeros
        StartNotHost,  // the start address is the subnet's network or broadcast address
        StartSkipped,  // the start address ends in .0 or .255, or is the gateway: no device gets it
        TooMany,       // fewer usable addresses from the start to the end of the subnet than devices
    };

    // Plans `count` addresses; `gateway` may be empty or "0.0.0.0" (no gateway).
    static AddressPlan make(const QString &start, const QString &mask, const QString &gateway, int count);
    // Whether `address` is one a device takes in its subnet: a host address there, not ending in
    // .0 or .255, and not the gateway. The same rule as the addresses a plan hands out.
    static bool isDeviceAddress(const QString &address, const QString &mask, const QString &gateway);
    // Whether two IPv4 addresses lie in one subnet by `mask`; false when any of the three does not read.
    static bool sameSubnet(const QString &a, const QString &b, const QString &mask);
    // The subnet `address` lies in by `mask`, as "network/prefix length"; empty when either does not read.
    static QString subnetOf(const QString &address, const QString &mask);

    Error error() const { return m_error; }
    bool ok() const { return m_error == NoError; }
    // How many devices fit from the start address to the end of the subnet, counted no further
    // than the number asked for.
    int fit() const { return m_fit; }
    const QStringList &addresses() const { return m_addresses; }
    // The person's message for a refused plan, translated in the panel's context
    // (TarnTool::DeviceModifyPage); empty for a plan that holds.
    QString message(int count) const;

private:
    Error m_error = NoError;
    int m_fit = 0;
    QStringList m_addresses;
};
