#pragma once

#include <cstddef>

#include <QString>

#include "tarn.h"
#include "tarn_identity.h"

class DeviceInfo;

// Reading the library record's fixed-width text fields, and device identity.
//
// A field is NUL-terminated only when its text is shorter than the field; a full field has no
// terminator, and a record from the network may hold anything. Every reader here stops at the
// field's width.
namespace TARN {

// The field's text up to its first NUL or its width, whichever comes first, as Latin-1.
QString fieldText(const char *field, std::size_t width);

template <std::size_t N>
QString fieldText(const char (&field)[N])
{
    return fieldText(field, N);
}

// Length of the text in a field, never more than its width.
std::size_t fieldLength(const char *field, std::size_t width);
// Whether the field holds its terminator inside its own width.
bool fieldTerminated(const char *field, std::size_t width);

// Writes `text` as Latin-1 into a field, truncated so that the terminator always fits, and
// zero-fills the rest. Answers false when the text had to be cut or was not Latin-1.
bool setFieldText(char *field, std::size_t width, const QString &text);

template <std::size_t N>
bool setFieldText(char (&field)[N], const QString &text)
{
    return setFieldText(field, N, text);
}

QString serialOf(const TARN_DEVICE_INFO &device);
QString macOf(const TARN_DEVICE_INFO &device);

// Identity is the pair (serial number, MAC address), compared as exact, case-sensitive text: two
// MAC texts that differ in letter case or separator are two devices. The store, the table model
// and the command line all key their devices by tarn::DeviceIdentity made here.
tarn::DeviceIdentity identityOf(const TARN_DEVICE_INFO &device);
// The identity of texts shown in the table or typed in; false when no field could hold them (a
// NUL or a character outside Latin-1), so they name no device.
bool identityOf(const QString &serial, const QString &mac, tarn::DeviceIdentity *out);
bool sameIdentity(const TARN_DEVICE_INFO &device, const QString &serial, const QString &mac);
bool sameIdentity(const TARN_DEVICE_INFO &a, const TARN_DEVICE_INFO &b);
// Whether a table record points back to this library record.
bool refersTo(const DeviceInfo &info, const TARN_DEVICE_INFO &device);

} // namespace TARN
