#include "common/addresscheck.h"

#include <QRegExp>
#include <QStringList>

namespace {

const QLatin1String kDot(".");

bool octetsValid(const QStringList &pieces)
{
    for (const QString &piece : pieces) {
        bool ok = false;
        const uint value = piece.toUInt(&ok, 10);
        if (!ok || value > 255)
            return false;
    }
    return true;
}

} // namespace

bool isValidIPv4Address(const QString &text)
{
    const QStringList pieces = text.split(kDot, Qt::KeepEmptyParts, Qt::CaseSensitive);
    if (pieces.size() != 4 || !octetsValid(pieces))
        return false;
    return pieces.at(3).toUInt(nullptr, 10) != 0;
}

bool isValidGateway(const QString &text)
{
    const QStringList pieces = text.split(kDot, Qt::KeepEmptyParts, Qt::CaseSensitive);
    if (pieces.size() != 4)
        return false;
    if (text == QLatin1String("0.0.0.0"))
        return true;
    if (!octetsValid(pieces))
        return false;
    const uint last = pieces.at(3).toUInt(nullptr, 10);
    return last != 0 && last != 255;
}

bool isValidSubnetMask(const QString &text)
{
    static const QString pattern = QStringLiteral(
        "(254|252|248|240|224|192|128|0)\\.0\\.0\\.0|"
        "255\\.(254|252|248|240|224|192|128|0)\\.0\\.0|"
        "255\\.255\\.(254|252|248|240|224|192|128|0)\\.0|"
        "255\\.255\\.255\\.(254|252|248|240|224|192|128|0)");
    // QRegExp keeps match state, so each call gets its own.
    QRegExp mask(pattern, Qt::CaseSensitive, QRegExp::RegExp);
    return mask.exactMatch(text);
}

bool isValidIPv6Address(const QString &text)
{
    if (text.trimmed() == QLatin1String("::"))
        return true;

    QString address = text;
    const int zone = address.lastIndexOf(QLatin1Char('%'));
    if (zone >= 0)
        address.truncate(zone);

    const QStringList pieces = address.split(QLatin1Char(':'), Qt::KeepEmptyParts, Qt::CaseSensitive);
    const int n = pieces.size();
    if (n < 3 || n > 8)
        return false;

    const int gaps = address.count(QLatin1String("::"));
    if (n == 8 && gaps > 1)
        return false;
    const bool hasIPv4Tail = address.contains(kDot);
    if (gaps != 1 && n < (hasIPv4Tail ? 7 : 8))
        return false;

    int budget = 16;      // bytes of a whole address
    int fill = 9 - n;     // groups the "::" gap stands for
    for (int i = n - 1; i >= 0; --i) {
        if (budget <= 0)
            return false;
        const QString &piece = pieces.at(i);
        if (!piece.isEmpty()) {
            bool ok = false;
            const uint group = piece.toUInt(&ok, 16);
            if (ok && group <= 0xFFFF) {
                budget -= 2;
            } else {
                if (i != n - 1 || !isValidIPv4Address(piece))
                    return false;
                budget -= 4;
                --fill;
            }
        } else if (i == n - 1) {
            if (!pieces.at(i - 1).isEmpty())
                return false;
            budget -= 2;
        } else if (i == 0) {
            if (!pieces.at(1).isEmpty())
                return false;
            budget -= 2;
        } else {
            for (int k = 0; k < fill; ++k) {
                if (budget <= 0)
                    return false;
                budget -= 2;
            }
        }
    }
    return true;
}
