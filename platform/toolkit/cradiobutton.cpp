#include "toolkit/cradiobutton.h"

namespace OrvoGUIToolkit {

CRadioButton::CRadioButton(QWidget *parent)
    : QRadioButton(parent)
{
}

CRadioButton::CRadioButton(const QString &text, QWidget *parent)
    : QRadioButton(text, parent)
{
}

} // namespace OrvoGUIToolkit
