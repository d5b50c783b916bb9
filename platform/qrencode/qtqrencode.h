#pragma once

#include <QByteArray>
#include <QImage>
#include <QString>

// Turns a text into a QR code image. The symbol is encoded as 8-bit bytes (the text's UTF-8 form)
// with error correction level M, which survives the blur and moiré of a phone camera pointed at a
// screen, and is drawn with whole pixels per module inside a white quiet zone of four modules, the
// margin scanners need to find the code.
class QtQrEncode
{
public:
    enum Level { LevelL, LevelM, LevelQ, LevelH };

    QtQrEncode() = default;
    explicit QtQrEncode(Level level) : m_level(level) {}
    ~QtQrEncode() = default;
    QtQrEncode(const QtQrEncode &) = delete;
    QtQrEncode &operator=(const QtQrEncode &) = delete;

    static constexpr int QuietZone = 4;

    // Encodes `text`. False, with no symbol kept, when it is empty or does not fit in a QR code.
    bool setString(const QString &text);
    bool isValid() const { return m_width > 0; }

    // Modules per side of the symbol, without the quiet zone; 0 without a symbol.
    int symbolWidth() const { return m_width; }
    // The smallest square, in pixels, that holds the symbol and its quiet zone at `pixelsPerModule`.
    int sizeFor(int pixelsPerModule) const { return (m_width + 2 * QuietZone) * pixelsPerModule; }

    // A `size`×`size` image: the symbol centred on white at the largest whole number of pixels per
    // module that keeps the quiet zone inside. When even one pixel per module does not fit, the
    // symbol is scaled down to fill the square, which blurs it. A null image without a symbol.
    QImage getQRCode(int size) const;

private:
    Level m_level = LevelM;
    int m_width = 0;
    QByteArray m_modules;  // m_width × m_width, row by row, 1 for a dark module
};
