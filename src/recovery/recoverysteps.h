#pragma once

#include <QByteArray>
#include <QString>

#include "tarn.h"

class QDateTime;

// The steps of password recovery that need no window: the key request as the library hands it
// out, the file it is exported to and that file's name, the copy of the maker's key file that the
// library reads, and the reset record. The recovery dialogs use them; a command-line tool can too.
namespace TarnTool::Recovery {

// Data bytes of a key request of `kind` (1: the 256-byte file form; 2: the text of up to 384
// bytes for a QR code), and the size of the buffer the library fills: a 4-byte count first.
int requestDataSize(unsigned kind);
int requestBufferSize(unsigned kind);

// The data of a filled buffer: as many bytes as its count says, but never more than the kind's
// data size nor than the buffer holds, so a wrong count cannot read past it.
QByteArray requestData(const QByteArray &buffer, unsigned kind);
// The kind-2 data as text: up to its first NUL.
QByteArray requestText(const QByteArray &buffer);

// "<serial>-yyyyMMddhhmm.xml", with every "/" and "\" of the serial number turned into "_", so
// the name stays inside the chosen folder.
QString requestFileName(const QString &serialNo, const QDateTime &localTime);

// Writes `data` to `path`, replacing what was there. All or nothing: a full disk or a folder that
// is gone leaves no partial file behind, and the answer is false with the reason in `error`.
bool writeRequestFile(const QString &path, const QByteArray &data, QString *error = nullptr);

// A key file as the library gets it: CR LF pairs read as LF, then the line ends at the very end
// removed, so an editor's final newline is not part of the key.
QByteArray keyFileText(const QByteArray &raw);

// The largest key file taken; anything longer is not a key.
constexpr qint64 KeyFileMax = 4096;

enum class KeyFileResult { Ok, SourceUnreadable, TargetUnwritable };

// Copies the key file `source` as keyFileText() into `target`, readable by its owner only, after
// removing what `target` held. A source that cannot be read (gone, a folder, over KeyFileMax) and
// a target that cannot be written are told apart, so the user hears which it was.
KeyFileResult prepareKeyFile(const QString &source, const QString &target, QString *error = nullptr);

enum class FillResult { Ok, KeyTooLong, PathTooLong, PasswordTooLong };

// Fills a zeroed reset record. The key and the key file path keep a terminator inside their fields;
// the password may fill its 16 bytes, which the record allows. Nothing is ever cut: a text that does
// not fit leaves the record zeroed and says which one it was.
FillResult fillResetParam(TARN_RESET_PARAM &record, const QByteArray &key, const QByteArray &keyFilePath,
                          const QByteArray &password, bool resetIpc);

// Which recovery a device takes: the key from its maker when it supports the key procedure
// (capability bit 6), shown as a QR code when extra flag bit 0 says it can be, with the "Reset IPC"
// option from capability bit 7; otherwise the restore with a security code.
struct Route
{
    bool keyReset = false;
    bool qrCode = false;
    bool resetIpc = false;
};
Route routeOf(const TARN_DEVICE_INFO &device);

// Overwrites what may hold a secret, in a way the compiler does not leave out.
void wipe(TARN_RESET_PARAM &record);
void wipe(QByteArray &bytes);

} // namespace TarnTool::Recovery
