#pragma once

#include <QByteArray>

// The one strength rule for a new admin password, shared by activation and the password reset.
// Works on the Latin-1 bytes of the password (a character outside Latin-1 is one '?' byte). Levels:
// 0 refused, 1 weak, 2 medium, 3 strong. The user name is "admin" wherever the tool asks.
int getPasswordLevel(const QByteArray &userName, const QByteArray &password);

// The level of a password as typed into a field, for the user "admin".
int passwordLevelOfText(const class QString &password);
