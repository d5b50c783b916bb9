#include "qtqrencode.h"

#include <qrencode.h>

#include <QPainter>

namespace {

QRecLevel toQrLevel(QtQrEncode::Level level)
{
    switch (level) {
    case QtQrEncode::LevelL:
        return QR_ECLEVEL_L;
    case QtQrEncode::LevelQ:
        return QR_ECLEVEL_Q;
    case QtQrEncode::LevelH:
        return QR_ECLEVEL_H;
    case QtQrEncode::LevelM:
        break;
    }
    return QR_ECLEVEL_M;
}

} // namespace

bool QtQrEncode::setString(const QString &text)
{
    m_width = 0;
    m_modules.clear();
    const QByteArray bytes = text.toUtf8();
    if (bytes.isEmpty())
        return false;
    // 8-bit data as it stands: the text may hold characters the other modes would misread.
    QRcode *code = QRcode_encodeData(bytes.size(), reinterpret_cast<const unsigned char *>(bytes.constData()), 0,
                                     toQrLevel(m_level));
    if (!code)
        return false;
    m_width = code->width;
    m_modules.resize(m_width * m_width);
    for (int i = 0; i < m_modules.size(); ++i)
        m_modules[i] = char(code->data[i] & 1);
    QRcode_free(code);
    return true;
}

QImage QtQrEncode::getQRCode(int size) const
{
    if (!isValid() || size <= 0)
        return QImage();
    QImage symbol(m_width, m_width, QImage::Format_Mono);
    symbol.setColor(0, qRgb(255, 255, 255));
    symbol.setColor(1, qRgb(0, 0, 0));
    for (int y = 0; y < m_width; ++y) {
        for (int x = 0; x < m_width; ++x)
            symbol.setPixel(x, y, uint(m_modules.at(y * m_width + x)));
    }

    QImage image(size, size, QImage::Format_RGB32);
    image.fill(Qt::white);
    const int scale = size / sizeFor(1);
    QPainter painter(&image);
    if (scale >= 1) {
        const int side = m_width * scale;
        const int offset = (size - side) / 2;
        painter.drawImage(QRect(offset, offset, side, side), symbol);
    } else {
        // Too small for whole modules: keep the quiet zone's share and let the modules blur.
        const qreal module = qreal(size) / sizeFor(1);
        const qreal margin = module * QuietZone;
        painter.setRenderHint(QPainter::SmoothPixmapTransform);
        painter.drawImage(QRectF(margin, margin, size - 2 * margin, size - 2 * margin), symbol);
    }
    return image;
}
