#pragma once

#include <QString>

// The checks of the network parameter form, apart from any widget, so a command-line tool can run
// the same rules and say the same things. Each check takes the field's text as typed (blanks around
// it are ignored) and answers an empty text when it passes, otherwise the message for the person,
// translated in the form's context.
namespace NetParamCheck {

QString startAddress(const QString &text);
QString ipAddress(const QString &text);
QString subnetMask(const QString &text);
QString gateway(const QString &text);
// A gateway (other than none, 0.0.0.0) must lie in the address's subnet, or the device refuses the
// values; empty when it does, or when a field does not read (its own check says so).
QString gatewayInSubnet(const QString &address, const QString &mask, const QString &gateway);
// Device port: 2000 to 65535; empty text counts as 0 and is refused.
QString port(const QString &text);
// HTTP port: 1 to 65535. A disabled field (a device without a web page shows "0") always passes.
QString httpPort(const QString &text, bool enabled);
QString ipv6Address(const QString &text);
QString ipv6Gateway(const QString &text);
// Prefix length: 0 to 127; empty text is refused.
QString ipv6PrefixLength(const QString &text);

// The field's number as the form reads it: trimmed decimal, 0 for empty or non-numeric text.
int numberOf(const QString &text);

} // namespace NetParamCheck
