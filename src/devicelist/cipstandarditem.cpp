#include "devicelist/cipstandarditem.h"

namespace aptui {

CIpStandardItem::CIpStandardItem(const QString &text)
    : QStandardItem(text)
{
}

CIpStandardItem::~CIpStandardItem() = default;

bool CIpStandardItem::operator<(const QStandardItem &other) const
{
    return sortKey(text()) < sortKey(other.text());
}

QString CIpStandardItem::sortKey(const QString &text)
{
    int numbers[4] = {0, 0, 0, 0};
    int group = 0;
    bool inDigits = true;
    for (const QChar ch : text) {
        if (ch == QLatin1Char('.')) {
            if (++group == 4)
                break;
            inDigits = true;
            continue;
        }
        if (!inDigits)
            continue;
        if (ch >= QLatin1Char('0') && ch <= QLatin1Char('9'))
            numbers[group] = qMin(999, numbers[group] * 10 + (ch.unicode() - '0'));
        else
            inDigits = false;
    }
    return QString::asprintf("%03d%03d%03d%03d", numbers[0], numbers[1], numbers[2], numbers[3]);
}

} // namespace aptui
