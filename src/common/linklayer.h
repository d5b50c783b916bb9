#pragma once

#include <QString>

// Discovery hears devices in other subnets than the computer's (a new camera at its factory
// address) by receiving at the link layer, past the reverse-path filter; that takes CAP_NET_RAW.
// This asks the kernel the way discovery does, in this process.

// True when discovery here may miss such devices: link-layer receive is not permitted and at least
// one interface discovery uses (TARN_IFACES, or every one that is up with multicast) is not a
// loopback interface. `why` then says what the kernel answered.
bool linkLayerReceiveMissing(QString *why = nullptr);

// The one command that lets `program` receive at the link layer.
QString linkLayerFixCommand(const QString &program);
