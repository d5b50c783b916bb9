#pragma once

#include <QByteArray>
#include <QSet>
#include <QVector>
#include <QString>

#include "discovery/batchrunner.h"
#include "tarn.h"

// The device operations of a batch as the window and the command line both run them: what is sent,
// and which announcement shows that a device took it when its answer was lost.
namespace TARN {

// The network parameters a device holds now, as a modify call would send them back unchanged.
// Fills every field; the reserved bytes of `out` stay as the caller left them.
void netParamsOf(const TARN_DEVICE_INFO &device, TARN_NETWORK_PARAMS *out);

// Whether an announced record holds every value a modification sent: IPv4 (unless under DHCP),
// ports, DHCP, and IPv6 where the device takes IPv6 settings.
bool holdsNetParams(const TARN_DEVICE_INFO &announced, const TARN_NETWORK_PARAMS &sent);

// The index of the first of `devices` that holds the fixed IPv4 `address` and is not one of
// `batch` (canonical MACs), or -1. A device under DHCP holds no address for good.
int addressHolder(const QVector<TARN_DEVICE_INFO> &devices, const QString &address, const QSet<QString> &batch);

// Gives the device with `mac` the parameters; `address` names it in the progress line.
BatchStep modifyStep(const QString &mac, const QString &address, const QByteArray &password,
                     const TARN_NETWORK_PARAMS &params);

// Gives the device its first admin password.
BatchStep activateStep(const QString &serial, const QString &mac, const QString &address, const QByteArray &password);

} // namespace TARN
