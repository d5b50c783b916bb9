#pragma once

#include <QString>

// Checks the network form runs on what the user typed. They accept exactly what a device takes.

// Four decimal octets up to 255; the last one not 0.
bool isValidIPv4Address(const QString &text);
// A run of one-bits followed by zero-bits in plain decimal octets; 0.0.0.0 yes, 255.255.255.255 no.
bool isValidSubnetMask(const QString &text);
// "0.0.0.0" (no gateway), or four octets up to 255 whose last is neither 0 nor 255.
bool isValidGateway(const QString &text);
// "::", or hexadecimal groups with at most one "::" and an optional dotted IPv4 tail, 16 bytes at
// most; a "%zone" suffix is ignored.
bool isValidIPv6Address(const QString &text);
