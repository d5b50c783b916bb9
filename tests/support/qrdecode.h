#pragma once

#include <QImage>
#include <QProcess>
#include <QStringList>
#include <QTemporaryDir>

// What a reader nobody here wrote, zbarimg, finds in `image`: the text of each QR code, one per
// line as zbarimg prints them. Empty when it finds nothing or cannot run.
inline QByteArray decodeQrCodes(const QImage &image)
{
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("code.png"));
    if (!dir.isValid() || !image.save(path))
        return QByteArray();
    QProcess zbar;
    zbar.start(QStringLiteral(ZBARIMG_PROGRAM), {QStringLiteral("--raw"), QStringLiteral("-q"), path});
    if (!zbar.waitForFinished(20000) || zbar.exitStatus() != QProcess::NormalExit || zbar.exitCode() != 0)
        return QByteArray();
    QByteArray out = zbar.readAllStandardOutput();
    if (out.endsWith('\n'))
        out.chop(1);
    return out;
}
