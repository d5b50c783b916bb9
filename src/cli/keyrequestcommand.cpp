#include "cli/commands.h"

#include <QCommandLineParser>
#include <QDateTime>
#include <QDir>
#include <QFileInfo>
#include <QImage>

#include "discovery/tarnhandler.h"
#include "qrencode/qtqrencode.h"
#include "recovery/recoverysteps.h"

namespace TarnCli {

namespace {

// The QR code in text: two module rows per line in half blocks, light modules drawn, as a dark
// terminal shows it best; the image's white quiet zone frames it.
QString qrText(const QImage &image)
{
    QString text;
    auto light = [&image](int x, int y) { return y >= image.height() || qGray(image.pixel(x, y)) > 127; };
    for (int y = 0; y < image.height(); y += 2) {
        for (int x = 0; x < image.width(); ++x) {
            const bool top = light(x, y), bottom = light(x, y + 1);
            text += top && bottom ? QChar(0x2588) : top ? QChar(0x2580) : bottom ? QChar(0x2584) : QLatin1Char(' ');
        }
        text += QLatin1Char('\n');
    }
    return text;
}

} // namespace

int KeyRequestCommand::run(const QStringList &arguments)
{
    QCommandLineParser parser;
    parser.setApplicationDescription(tr("Exports a device's key request for the device maker, who answers it "
                                        "with a key for tarn reset."));
    const QCommandLineOption output(QStringList{QStringLiteral("o"), QStringLiteral("output")},
                                    tr("The request file, or a folder to write it into under its usual name."),
                                    QStringLiteral("FILE"));
    const QCommandLineOption qr(QStringLiteral("qr"), tr("Prints the request as a QR code on the terminal."));
    parser.addOptions({output, qr});
    parser.addPositionalArgument(QStringLiteral("SERIAL"), tr("The device's serial number."));
    const int parsed = parse(parser, QStringLiteral("key-request SERIAL [options]"),
                             arguments);
    if (parsed >= 0)
        return parsed;
    const QStringList positional = parser.positionalArguments();
    if (positional.size() != 1 || (!parser.isSet(output) && !parser.isSet(qr))) {
        complain(tr("Give one serial number, and -o FILE or --qr."));
        return BadInput;
    }
    const QString serialText = positional.first();
    if (!discover(parser, {serialText}))
        return SomeFailed;
    TARN_DEVICE_INFO device{};
    if (!deviceNamed(serialText, &device))
        return BadInput;
    if (!(device.capabilityFlags & TARN_CAP_KEY_RESET)) {
        complain(tr("The device %1 takes no key: reset it with a security code (tarn restore).").arg(serialText));
        return BadInput;
    }
    const bool supportsQr = device.extraFlags & 0x01;
    if (parser.isSet(qr) && !supportsQr) {
        complain(tr("The device %1 cannot give its key request as a QR code; use -o FILE.").arg(serialText));
        return BadInput;
    }
    // The same form the window exports: the text form where the device has one, since the maker's
    // answer then also works from a photographed QR code.
    const unsigned kind = supportsQr ? TARN_CONFIG_KEY_REQUEST_QR : TARN_CONFIG_KEY_REQUEST;
    QByteArray buffer(TarnTool::Recovery::requestBufferSize(kind), '\0');
    const QByteArray serial = serialText.toLatin1();
    if (!m_handler->getDeviceConfig(serial, kind, nullptr, 0, buffer.data(), unsigned(buffer.size()))) {
        complain(tr("The device did not give its key request: %1.").arg(errorText(m_handler->getLastError())));
        return SomeFailed;
    }
    if (parser.isSet(output)) {
        QString path = parser.value(output);
        if (QFileInfo(path).isDir())
            path = QDir(path).filePath(TarnTool::Recovery::requestFileName(serialText, QDateTime::currentDateTime()));
        QString why;
        if (!TarnTool::Recovery::writeRequestFile(path, TarnTool::Recovery::requestData(buffer, kind), &why)) {
            complain(tr("The key request file %1 cannot be written: %2").arg(path, why));
            return SomeFailed;
        }
        complain(tr("Key request written to %1.").arg(path));
    }
    if (parser.isSet(qr)) {
        QtQrEncode encoder;
        if (!encoder.setString(QString::fromLatin1(TarnTool::Recovery::requestText(buffer)))) {
            complain(tr("The key request does not fit in a QR code."));
            return SomeFailed;
        }
        print(qrText(encoder.getQRCode(encoder.sizeFor(1))));
    }
    return AllDone;
}

} // namespace TarnCli
