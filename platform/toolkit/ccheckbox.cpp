#include "toolkit/ccheckbox.h"

namespace OrvoGUIToolkit {

CCheckBox::CCheckBox(QWidget *parent)
    : QCheckBox(parent)
{
}

CCheckBox::CCheckBox(const QString &text, QWidget *parent)
    : QCheckBox(text, parent)
{
}

} // namespace OrvoGUIToolkit
