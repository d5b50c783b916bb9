#include <QtTest>

#include "qrencode/qtqrencode.h"
#include "support/qrdecode.h"

// QR code images, read back by zbarimg: at the dialog's size and larger, the largest key request
// text, the quiet zone, and texts that cannot be encoded.
class TestQtQrEncode : public QObject
{
    Q_OBJECT

private slots:
    void decodesAtEverySize_data();
    void decodesAtEverySize();
    void refusesWhatCannotBeEncoded();
};

namespace {

// Whether every pixel of the frame `width` wide around `image` is white.
bool whiteFrame(const QImage &image, int width)
{
    for (int y = 0; y < image.height(); ++y) {
        for (int x = 0; x < image.width(); ++x) {
            const bool inFrame = x < width || y < width || x >= image.width() - width || y >= image.height() - width;
            if (inFrame && image.pixel(x, y) != qRgb(255, 255, 255))
                return false;
        }
    }
    return true;
}

} // namespace

void TestQtQrEncode::decodesAtEverySize_data()
{
    QTest::addColumn<QByteArray>("text");
    QTest::addColumn<int>("size");
    // A key request as a device gives it for a QR code: a prefix and 160 characters of base64.
    QByteArray bytes;
    for (int i = 0; i < 120; ++i)
        bytes.append(char(i * 37 + 11));
    const QByteArray request = "TARN-KR1:" + bytes.toBase64();
    QTest::newRow("request at 108") << request << 108;
    QTest::newRow("request at 2 px per module") << request << 0;
    QTest::newRow("longest request text") << QByteArray(383, 'k') << 0;
    QTest::newRow("short text") << QByteArray("A/B\\C 1") << 108;
}

void TestQtQrEncode::decodesAtEverySize()
{
    QFETCH(QByteArray, text);
    QFETCH(int, size);
    QtQrEncode encoder;
    QVERIFY(encoder.setString(QString::fromLatin1(text)));
    QVERIFY(encoder.symbolWidth() >= 21);
    if (size == 0)
        size = encoder.sizeFor(2);
    const QImage image = encoder.getQRCode(size);
    QCOMPARE(image.size(), QSize(size, size));
    const int scale = size / encoder.sizeFor(1);
    QVERIFY(scale >= 1);
    // Whole pixels per module, the symbol centred, and four modules of white at least around it.
    const int offset = (size - encoder.symbolWidth() * scale) / 2;
    QVERIFY(offset >= QtQrEncode::QuietZone * scale);
    QVERIFY(whiteFrame(image, offset));
    QCOMPARE(image.pixel(offset, offset), qRgb(0, 0, 0));  // the finder pattern's corner
    QCOMPARE(image.pixel(offset + scale - 1, offset + scale - 1), qRgb(0, 0, 0));
    QCOMPARE(decodeQrCodes(image), text);
}

void TestQtQrEncode::refusesWhatCannotBeEncoded()
{
    QtQrEncode encoder;
    QVERIFY(!encoder.setString(QString()));
    QVERIFY(encoder.getQRCode(108).isNull());
    // Beyond the largest symbol: refused, and the one before is not kept either.
    QVERIFY(encoder.setString(QStringLiteral("first")));
    QVERIFY(!encoder.setString(QString(8000, QLatin1Char('x'))));
    QCOMPARE(encoder.symbolWidth(), 0);
    // A square too small for one pixel per module still comes back at the size asked for.
    QVERIFY(encoder.setString(QStringLiteral("small")));
    QCOMPARE(encoder.getQRCode(20).size(), QSize(20, 20));
    QVERIFY(encoder.getQRCode(0).isNull());
}

QTEST_MAIN(TestQtQrEncode)
#include "tst_qtqrencode.moc"
