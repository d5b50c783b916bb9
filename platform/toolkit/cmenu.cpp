#include "toolkit/cmenu.h"

namespace OrvoGUIToolkit {

CMenu::CMenu(QWidget *parent)
    : QMenu(parent)
{
}

CMenu::CMenu(const QString &title, QWidget *parent)
    : QMenu(title, parent)
{
}

} // namespace OrvoGUIToolkit
