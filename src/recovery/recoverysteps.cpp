#include "recovery/recoverysteps.h"

#include <cstring>

#include <QDateTime>
#include <QFile>
#include <QFileInfo>
#include <QSaveFile>

namespace TarnTool::Recovery {

int requestDataSize(unsigned kind)
{
    return kind == TARN_CONFIG_KEY_REQUEST ? 256 : kind == TARN_CONFIG_KEY_REQUEST_QR ? 384 : 0;
}

int requestBufferSize(unsigned kind)
{
    return requestDataSize(kind) + 4;
}

QByteArray requestData(const QByteArray &buffer, unsigned kind)
{
    if (buffer.size() < 4)
        return QByteArray();
    const auto *head = reinterpret_cast<const unsigned char *>(buffer.constData());
    const quint32 count = quint32(head[0]) | quint32(head[1]) << 8 | quint32(head[2]) << 16 | quint32(head[3]) << 24;
    const quint32 limit = quint32(qMin(requestDataSize(kind), buffer.size() - 4));
    return buffer.mid(4, int(qMin(count, limit)));
}

QByteArray requestText(const QByteArray &buffer)
{
    QByteArray data = requestData(buffer, TARN_CONFIG_KEY_REQUEST_QR);
    const int end = data.indexOf('\0');
    if (end >= 0)
        data.truncate(end);
    return data;
}

QString requestFileName(const QString &serialNo, const QDateTime &localTime)
{
    QString serial = serialNo;
    serial.replace(QLatin1Char('\\'), QLatin1Char('_')).replace(QLatin1Char('/'), QLatin1Char('_'));
    return serial + QLatin1Char('-') + localTime.toString(QStringLiteral("yyyyMMdd"))
        + localTime.toString(QStringLiteral("hhmm")) + QStringLiteral(".xml");
}

bool writeRequestFile(const QString &path, const QByteArray &data, QString *error)
{
    // Written to a temporary file that replaces `path` only once all of it is written. Unbuffered,
    // so a short write (a full disk) shows in write()'s count: a buffered one is lost on commit.
    QSaveFile file(path);
    if (!file.open(QIODevice::WriteOnly | QIODevice::Unbuffered) || file.write(data) != data.size() || !file.commit()) {
        if (error)
            *error = file.errorString();
        file.cancelWriting();
        return false;
    }
    return true;
}

QByteArray keyFileText(const QByteArray &raw)
{
    QByteArray text = raw;
    text.replace("\r\n", "\n");
    while (!text.isEmpty() && (text.endsWith('\n') || text.endsWith('\r')))
        text.chop(1);
    return text;
}

KeyFileResult prepareKeyFile(const QString &source, const QString &target, QString *error)
{
    auto fail = [error](KeyFileResult result, const QString &why) {
        if (error)
            *error = why;
        return result;
    };
    if (QFileInfo::exists(target) || QFileInfo(target).isSymLink()) {
        if (!QFile::remove(target))
            return fail(KeyFileResult::TargetUnwritable, QStringLiteral("cannot remove the old copy"));
    }
    QFile in(source);
    const QFileInfo sourceInfo(source);
    // Only a regular file: a pipe or device would block, and a large file is no key.
    if (!sourceInfo.isFile() || sourceInfo.size() > KeyFileMax)
        return fail(KeyFileResult::SourceUnreadable, QStringLiteral("not a key file: %1").arg(source));
    if (!in.open(QIODevice::ReadOnly))
        return fail(KeyFileResult::SourceUnreadable, in.errorString());
    QByteArray raw = in.read(KeyFileMax + 1);
    if (in.error() != QFile::NoError || raw.size() > KeyFileMax)
        return fail(KeyFileResult::SourceUnreadable, in.errorString());
    QByteArray text = keyFileText(raw);
    wipe(raw);

    QFile out(target);
    // NewOnly: the name was just freed, so anything there now was put there by someone else.
    const bool written = out.open(QIODevice::WriteOnly | QIODevice::NewOnly | QIODevice::Unbuffered)
        && out.setPermissions(QFile::ReadOwner | QFile::WriteOwner) && out.write(text) == text.size();
    wipe(text);
    if (!written) {
        const QString why = out.errorString();
        out.close();
        QFile::remove(target);
        return fail(KeyFileResult::TargetUnwritable, why);
    }
    out.close();
    if (out.error() != QFile::NoError) {
        QFile::remove(target);
        return fail(KeyFileResult::TargetUnwritable, out.errorString());
    }
    return KeyFileResult::Ok;
}

FillResult fillResetParam(TARN_RESET_PARAM &record, const QByteArray &key, const QByteArray &keyFilePath,
                          const QByteArray &password, bool resetIpc)
{
    wipe(record);
    if (key.size() >= int(sizeof record.key))
        return FillResult::KeyTooLong;
    if (keyFilePath.size() >= int(sizeof record.keyFilePath))
        return FillResult::PathTooLong;
    if (password.size() > int(sizeof record.password))
        return FillResult::PasswordTooLong;
    std::memcpy(record.key, key.constData(), size_t(key.size()));
    std::memcpy(record.keyFilePath, keyFilePath.constData(), size_t(keyFilePath.size()));
    std::memcpy(record.password, password.constData(), size_t(password.size()));
    record.resetIpc = resetIpc ? 1 : 0;
    return FillResult::Ok;
}

void wipe(TARN_RESET_PARAM &record)
{
    explicit_bzero(&record, sizeof record);
}

void wipe(QByteArray &bytes)
{
    // Shared data has other holders; detaching would only wipe a fresh copy.
    if (!bytes.isEmpty() && bytes.isDetached())
        explicit_bzero(bytes.data(), size_t(bytes.size()));
    bytes.clear();
}

Route routeOf(const TARN_DEVICE_INFO &device)
{
    Route route;
    route.keyReset = (device.capabilityFlags & TARN_CAP_KEY_RESET) != 0;
    route.qrCode = route.keyReset && (device.extraFlags & 0x01) != 0;
    route.resetIpc = route.keyReset && (device.capabilityFlags & TARN_CAP_RESET_OPTION) != 0;
    return route;
}

} // namespace TarnTool::Recovery
