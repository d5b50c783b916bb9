#include "common/passwordrule.h"

#include <algorithm>

#include <QString>

int getPasswordLevel(const QByteArray &userName, const QByteArray &password)
{
    if (password.size() < 8)
        return 0;
    if (password == userName)
        return 0;
    QByteArray reversed = userName;
    std::reverse(reversed.begin(), reversed.end());
    if (password == reversed)
        return 0;

    int digits = 0;
    int upper = 0;
    int lower = 0;
    for (const char c : password) {
        if (c >= '0' && c <= '9')
            ++digits;
        else if (c >= 'A' && c <= 'Z')
            ++upper;
        else if (c >= 'a' && c <= 'z')
            ++lower;
    }
    const int other = password.size() - digits - upper - lower;
    const int kinds = (digits > 0) + (upper > 0) + (lower > 0) + (other > 0);
    if (kinds == 1)
        return 0;
    if (kinds == 2 && digits > 0 && ((upper > 0) != (lower > 0)))
        return 1;
    return std::min(kinds, 3);
}

int passwordLevelOfText(const QString &password)
{
    return getPasswordLevel(QByteArrayLiteral("admin"), password.toLatin1());
}
