#include "toolkit/cintvalidator.h"

namespace OrvoGUIToolkit {

CIntValidator::CIntValidator(int minimum, int maximum, QObject *parent)
    : QIntValidator(minimum, maximum, parent)
{
}

QValidator::State CIntValidator::validate(QString &input, int &pos) const
{
    Q_UNUSED(pos)
    if (input.isEmpty())
        return Intermediate;

    int start = 0;
    if (input.at(0) == QLatin1Char('-')) {
        if (bottom() >= 0)
            return Invalid;
        start = 1;
    }
    if (start == input.size())
        return Intermediate;
    for (int i = start; i < input.size(); ++i) {
        if (input.at(i) < QLatin1Char('0') || input.at(i) > QLatin1Char('9'))
            return Invalid;
    }

    bool ok = false;
    const qlonglong value = input.toLongLong(&ok);
    if (!ok)
        return Invalid;  // too many digits for any int
    if (value > top())
        return (value >= 0 && top() >= 0) ? Invalid : Intermediate;
    if (value < bottom())
        return (value < 0) ? Invalid : Intermediate;
    return Acceptable;
}

} // namespace OrvoGUIToolkit
