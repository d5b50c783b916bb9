// The C entry points: arguments checked and turned into the library's calls, results into the
// calls' 1 or 0 and the thread's last error.

#include <cstring>

#include <fcntl.h>
#include <sodium.h>
#include <sys/stat.h>
#include <unistd.h>

#include "core/log.h"
#include "core/recovery.h"
#include "core/seal.h"
#include "core/wire.h"
#include "library.h"
#include "tarn.h"

namespace tarn {
namespace {

thread_local int t_lastError = TARN_ERR_NONE;

int fail(int code)
{
    t_lastError = code;
    return 0;
}

int succeed()
{
    return 1;
}

// A call's result: 1, or 0 with the error kept for TARN_GetLastError.
int done(int code)
{
    return code == TARN_ERR_NONE ? succeed() : fail(code);
}

// The text of a caller's fixed field, or nothing when the field holds no terminator.
template <std::size_t N>
bool readField(const char (&field)[N], std::string &out)
{
    const void *end = std::memchr(field, '\0', N);
    if (!end)
        return false;
    out.assign(field, static_cast<const char *>(end));
    return true;
}

bool validText(const char *text, std::size_t max)
{
    if (!text)
        return false;
    const std::size_t n = strnlen(text, max + 1);
    // Checked in place: the text may be a security code, and a copy would be freed unwiped.
    return n > 0 && n <= max && wire::isPrintable(std::string_view(text, n));
}

// A text field that may fill its whole width without a terminator.
std::string boundedText(const char *field, std::size_t width)
{
    return std::string(field, strnlen(field, width));
}

// A regular file of at most 4 KiB; a pipe or device would block the caller, so it is refused.
bool readKeyFile(const std::string &path, std::string &text)
{
    constexpr ssize_t kMaxKeyFile = 4096;
    const int fd = open(path.c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC);
    if (fd < 0)
        return false;
    struct stat st {};
    char buffer[kMaxKeyFile + 1];
    ssize_t n = -1;
    if (fstat(fd, &st) == 0 && S_ISREG(st.st_mode) && st.st_size <= kMaxKeyFile)
        n = read(fd, buffer, sizeof buffer);
    close(fd);
    const bool fits = n >= 0 && n <= kMaxKeyFile;
    if (fits)
        text.assign(buffer, std::size_t(n));
    sodium_memzero(buffer, sizeof buffer);  // the file holds a reset key
    return fits;
}

wire::Target serialTarget(const char *serialNumber)
{
    wire::Target target;
    target.serial = serialNumber;
    return target;
}

bool validPassword(const char *password)
{
    if (!password)
        return false;
    const std::size_t n = strnlen(password, wire::PasswordMax + 1);
    return n > 0 && n <= wire::PasswordMax;
}

} // namespace
} // namespace tarn

using tarn::Library;

extern "C" {

int TARN_SetLogToFile(int level, const char *directory, int autoDelete)
{
    if (level < TARN_LOG_NONE || level > TARN_LOG_DEBUG)
        return tarn::fail(TARN_ERR_BAD_ARGUMENT);
    if (!tarn::log::configure(level, directory ? directory : "", autoDelete ? 7 : 0))
        return tarn::fail(TARN_ERR_BAD_ARGUMENT);
    return tarn::succeed();
}

int TARN_SetDeviceFilterRule(int rule, const void *, unsigned int)
{
    return tarn::done(Library::get().setFilter(rule));
}

int TARN_Start_V30(TARN_DEVICE_CALLBACK callback, int mode, void *context)
{
    return tarn::done(Library::get().start(callback, mode, context));
}

int TARN_Stop(void)
{
    return tarn::done(Library::get().stop());
}

int TARN_Clearup(void)
{
    return tarn::done(Library::get().clearup());
}

int TARN_SendInquiry(void)
{
    return tarn::done(Library::get().sendInquiry());
}

int TARN_ActivateDevice(const char *serialNumber, const char *password)
{
    if (!tarn::validText(serialNumber, tarn::wire::SerialMax) || !tarn::validPassword(password))
        return tarn::fail(TARN_ERR_BAD_ARGUMENT);
    tarn::wire::OperationBody body;
    body.kind = tarn::wire::OperationBody::Activate;
    body.password = password;
    return tarn::done(Library::get().operate(tarn::serialTarget(serialNumber), std::move(body)));
}

int TARN_ModifyDeviceNetParam(const char *macAddress, const char *password, const TARN_NETWORK_PARAMS *params)
{
    if (!tarn::validText(macAddress, tarn::wire::MacMax) || tarn::wire::normaliseMac(macAddress).empty()
        || !tarn::validPassword(password) || !params)
        return tarn::fail(TARN_ERR_BAD_ARGUMENT);
    tarn::wire::OperationBody body;
    body.kind = tarn::wire::OperationBody::Modify;
    tarn::wire::NetParams &net = body.net;
    if (!tarn::readField(params->ipv4Address, net.ip) || !tarn::readField(params->ipv4SubnetMask, net.mask)
        || !tarn::readField(params->ipv4Gateway, net.gateway) || !tarn::readField(params->ipv6Address, net.ip6)
        || !tarn::readField(params->ipv6Gateway, net.gateway6) || net.ip6.size() > tarn::wire::Ipv6Max
        || net.gateway6.size() > tarn::wire::Ipv6Max || params->ipv6PrefixLength > 128)
        return tarn::fail(TARN_ERR_BAD_ARGUMENT);
    net.port = params->port;
    net.httpPort = params->httpPort;
    net.prefixLength = params->ipv6PrefixLength;
    net.dhcp = params->dhcpEnabled;
    body.password = password;
    tarn::wire::Target target;
    target.mac = macAddress;
    return tarn::done(Library::get().operate(target, std::move(body)));
}

int TARN_GetDeviceConfig(const char *serialNumber, unsigned int kind, const void *, unsigned int, void *out,
                         unsigned int outSize)
{
    using tarn::recovery::RequestFileBytes;
    using tarn::recovery::RequestTextMax;
    const std::size_t needed = kind == TARN_CONFIG_KEY_REQUEST ? RequestFileBytes + 4 : RequestTextMax + 4;
    if (!tarn::validText(serialNumber, tarn::wire::SerialMax) || !out
        || (kind != TARN_CONFIG_KEY_REQUEST && kind != TARN_CONFIG_KEY_REQUEST_QR) || outSize < needed)
        return tarn::fail(TARN_ERR_BAD_ARGUMENT);
    tarn::wire::OperationBody body;
    body.kind = tarn::wire::OperationBody::KeyRequest;
    body.requestKind = int(kind);
    std::string data;
    if (const int code = Library::get().operate(tarn::serialTarget(serialNumber), std::move(body), &data))
        return tarn::fail(code);
    const bool fits = kind == TARN_CONFIG_KEY_REQUEST
        ? data.size() == RequestFileBytes
        : (!data.empty() && data.size() < RequestTextMax && tarn::wire::isPrintable(data));
    if (!fits)
        return tarn::fail(TARN_ERR_DEVICE_FAILED);
    auto *bytes = static_cast<unsigned char *>(out);
    std::memset(bytes, 0, outSize);
    const std::uint32_t count = static_cast<std::uint32_t>(data.size());
    for (int i = 0; i < 4; ++i)
        bytes[i] = static_cast<unsigned char>(count >> (8 * i));
    // Kind 2 text is shorter than the data area, so the zero fill always leaves its terminator.
    std::memcpy(bytes + 4, data.data(), data.size());
    return tarn::succeed();
}

int TARN_ResetPasswd(const char *serialNumber, const TARN_RESET_PARAM *request)
{
    if (!tarn::validText(serialNumber, tarn::wire::SerialMax) || !request)
        return tarn::fail(TARN_ERR_BAD_ARGUMENT);
    // A reset key lets anyone who holds it reset the device: its copies are wiped like a password.
    std::string keyText;
    const tarn::seal::Wiped wipeKeyText(keyText);
    if (request->keyFilePath[0] != '\0') {
        if (!tarn::readKeyFile(tarn::boundedText(request->keyFilePath, sizeof request->keyFilePath), keyText))
            return tarn::fail(TARN_ERR_KEY_FILE);
        if (keyText.find_first_not_of(" \t\r\n") == std::string::npos)
            return tarn::fail(TARN_ERR_KEY_FILE);
    } else {
        keyText = tarn::boundedText(request->key, sizeof request->key);
        if (keyText.find_first_not_of(" \t\r\n") == std::string::npos)
            return tarn::fail(TARN_ERR_BAD_ARGUMENT);
    }
    if (request->password[0] == '\0')
        return tarn::fail(TARN_ERR_BAD_ARGUMENT);
    // Text that cannot even be a signature cannot be the maker's key: no need to ask the device.
    auto key = tarn::recovery::parseKeyText(keyText);
    if (!key)
        return tarn::fail(TARN_ERR_KEY_REFUSED);
    const tarn::seal::Wiped wipeKey(*key);
    tarn::wire::OperationBody body;
    body.kind = tarn::wire::OperationBody::ResetWithKey;
    body.password = tarn::boundedText(request->password, sizeof request->password);
    body.resetCameras = request->resetIpc != 0;
    body.key.swap(*key);
    return tarn::done(Library::get().operate(tarn::serialTarget(serialNumber), std::move(body)));
}

int TARN_ResetDefaultPasswd(const char *serialNumber, const char *securityCode)
{
    if (!tarn::validText(serialNumber, tarn::wire::SerialMax)
        || !tarn::validText(securityCode, tarn::recovery::CodeTextMax))
        return tarn::fail(TARN_ERR_BAD_ARGUMENT);
    tarn::wire::OperationBody body;
    body.kind = tarn::wire::OperationBody::RestoreDefault;
    body.code = securityCode;
    return tarn::done(Library::get().operate(tarn::serialTarget(serialNumber), std::move(body)));
}

int TARN_GetLastError(void)
{
    return tarn::t_lastError;
}

} // extern "C"
